// The network editor's model: the listing of one word's element, the marks,
// the word search, Add, Apply and the deletion of a word.
#include "app/network_editor_model.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/message_strings.h"
#include "language/phrase_word_dictionary.h"
#include "language/text_parsing.h"
#include "network/context_ms.h"
#include "platform/text.h"

namespace kestrune {

namespace {

constexpr int32_t kWordLayer = TIContextMS::kWordLayer;
constexpr float kDeletedAnchor = -1.0f;

std::u16string Dec(int64_t value) { return platform::Utf8ToUtf16(std::to_string(value)); }

std::u16string SaveFailedText(int32_t result) {
  return u"The network could not be saved (code " + Dec(result) + u"); the changes stay in memory.";
}

// Captions compare with the letters A to Z folded, nothing else.
int32_t CompareFoldingAZ(std::u16string_view a, std::u16string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    char16_t x = a[i];
    char16_t y = b[i];
    if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x + 32);
    if (y >= u'A' && y <= u'Z') y = static_cast<char16_t>(y + 32);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace

TNetworkEditorModel::TNetworkEditorModel(TIContextMS& context, TPhraseWordDictionary& dictionary,
                                         TITextParsing& textParsing, TNetworkEditorHost host)
    : context_(context), dictionary_(dictionary), textParsing_(textParsing), host_(std::move(host)) {}

// ---- small helpers ----

bool TNetworkEditorModel::Ask(std::u16string_view question) const { return !View || View->AskOkCancel(question); }

void TNetworkEditorModel::Message(std::u16string_view text) const {
  if (View) View->ShowMessage(text);
}

std::u16string TNetworkEditorModel::TextOf(int32_t wordId) const {
  const TWDWord* word = wordId < 0 ? nullptr : dictionary_.GetWord(wordId);
  return word ? word->GetText() : std::u16string();
}

TASNAddress TNetworkEditorModel::UsableElement(int32_t wordId) {
  const int32_t index = wordId < 0 ? -1 : context_.FindWordElement(wordId);
  const TASNAddress address{static_cast<int8_t>(kWordLayer), index};
  const TASNElement* element = context_.Network().IsValidAddress(address) ? context_.Network().GetElement(address)
                                                                          : nullptr;
  if (!element || element->GetAnchor() == kDeletedAnchor) return TASNAddress{};
  return address;
}

std::u16string TNetworkEditorModel::FloatText(float value) const {
  char buffer[32];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  std::u16string text;
  if (ec != std::errc()) return text;
  text.reserve(static_cast<size_t>(end - buffer));
  for (const char* c = buffer; c != end; ++c) text += *c == '.' ? separator_ : static_cast<char16_t>(*c);
  return text;
}

bool TNetworkEditorModel::ReadFloat(std::u16string_view text, double& value) const {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && text[first] == u' ') ++first;
  while (last > first && text[last - 1] == u' ') --last;
  std::string ascii;
  bool separator = false;
  for (size_t i = first; i < last; ++i) {
    const char16_t c = text[i];
    if (c == separator_ && !separator) {
      separator = true;
      ascii += '.';
    } else if ((c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'e' || c == u'E') {
      ascii += static_cast<char>(c);
    } else {
      return false;  // another separator, letters, "inf" and "nan" included
    }
  }
  const char* begin = ascii.data();
  const char* end = ascii.data() + ascii.size();
  if (begin != end && *begin == '+') ++begin;
  double result = 0;
  const auto [stop, ec] = std::from_chars(begin, end, result);
  if (begin == end || ec != std::errc() || stop != end || !std::isfinite(result)) return false;
  value = result;
  return true;
}

std::u16string TNetworkEditorModel::NetworkBase(std::u16string_view historyFile) {
  std::u16string base(historyFile);
  auto dropExtension = [&base] {
    const size_t dot = base.rfind(u'.');
    const size_t slash = base.find_last_of(u"/\\");
    if (dot != std::u16string::npos && (slash == std::u16string::npos || dot > slash)) base.resize(dot);
  };
  dropExtension();
  if (base.size() >= 4 && CompareFoldingAZ(std::u16string_view(base).substr(base.size() - 4), u".kes") == 0) {
    dropExtension();
  }
  return base;
}

// ---- the listing ----

bool TNetworkEditorModel::ExecuteAll() {
  rows_.clear();
  nextNumber_ = 1;
  const int32_t id = host_.MarkedWord ? host_.MarkedWord() : -1;
  if (id < 0) return false;
  ListWord(id);
  return true;
}

void TNetworkEditorModel::btnReloadClick() {
  if (wordId_ >= 0) ListWord(wordId_);
}

void TNetworkEditorModel::ListWord(int32_t wordId) {
  rows_.clear();
  SelectedRow = -1;
  nextNumber_ = 1;
  spinEdit1_ = 0;
  wordRelations_ = 0;
  textRelations_ = 0;
  edAnchor.clear();
  edKStim.clear();
  edKInh.clear();
  edBarier.clear();
  wordId_ = wordId;
  wordText_ = TextOf(wordId);
  listedAt_ = context_.RebuildCount();
  element_ = TASNAddress{static_cast<int8_t>(kWordLayer), context_.FindWordElement(wordId)};
  TIASN& net = context_.Network();
  const TASNElement* element = net.IsValidAddress(element_) ? net.GetElement(element_) : nullptr;
  usable_ = element && element->GetAnchor() != kDeletedAnchor;
  if (!element) return;
  edAnchor = FloatText(element->GetAnchor());
  edKStim = FloatText(element->GetKStim());
  edKInh = FloatText(element->GetKInh());
  edBarier = FloatText(element->GetThreshold());
  if (!usable_) return;
  const int32_t words = net.FindRelationList(element_, kWordLayer);
  const int32_t texts = net.FindRelationList(element_, TIContextMS::kPageLayer);
  wordRelations_ = words < 0 ? 0 : element->GetRelationCount(words);
  textRelations_ = texts < 0 ? 0 : element->GetRelationCount(texts);
  spinEdit1_ = wordRelations_;
  rows_.reserve(static_cast<size_t>(wordRelations_));
  TRelationPosition position{element_.Layer, element_.Index, static_cast<int8_t>(words), 0};
  for (int32_t i = 0; i < wordRelations_; ++i) {
    position.Node = i;
    const int32_t word = context_.GetWordId(element->GetRelationTarget(position));
    TRelationRow& row = rows_.emplace_back();
    row.WordIndex = word;
    row.Number = nextNumber_++;
    row.Weight = element->GetRelationWeight(position);
  }
}

bool TNetworkEditorModel::ReadyToEdit() {
  if (wordId_ < 0) return false;
  if (context_.RebuildCount() != listedAt_) {
    ListWord(wordId_);
    return false;
  }
  if (!usable_ || !context_.Network().IsValidAddress(element_)) {
    Message(MessageStrings.smErrorWordToElement);
    return false;
  }
  return true;
}

void TNetworkEditorModel::SetChecked(int32_t row, bool checked) {
  if (row >= 0 && row < static_cast<int32_t>(rows_.size())) rows_[static_cast<size_t>(row)].Checked = checked;
}

// ---- the word search and Add ----

void TNetworkEditorModel::Edit1KeyDown(int32_t key) {
  if (key == 13) SearchWords(Edit1);
}

void TNetworkEditorModel::SearchWords(std::u16string_view text) {
  TWordVariant first;
  if (dictionary_.FindFirst(text, first, 0) < 0) return;
  found_.clear();
  FoundSelection.clear();
  auto listed = [this](int32_t id) {
    return std::any_of(found_.begin(), found_.end(), [id](const TFoundWord& w) { return w.Id == id; });
  };
  if (first.WordIndex == -1) {
    // A phrase: the text is one phrase of the dictionary.
    textParsing_.Parse(text);
    TParsingText& parse = textParsing_.ParsingText();
    dictionary_.FindPhrases(parse);
    if (parse.SentenceCount > 0 && parse.Sentence(0).WordCount == 1) {
      const int32_t id = parse.Word(parse.Sentence(0).FirstWord).WordId;
      if (id >= TPhraseWordDictionary::kPhraseBase) found_.push_back({TextOf(id), id});
    }
  } else {
    for (TWordVariant hit = first; hit.WordIndex >= 0;) {
      if (UsableElement(hit.WordIndex).Index >= 0 && !listed(hit.WordIndex)) {
        found_.push_back({TextOf(hit.WordIndex), hit.WordIndex});
      }
      if (dictionary_.FindNext(hit) < 0) break;
    }
  }
  std::stable_sort(found_.begin(), found_.end(),
                   [](const TFoundWord& a, const TFoundWord& b) { return CompareFoldingAZ(a.Text, b.Text) < 0; });
}

void TNetworkEditorModel::btnAddClick() {
  if (!ReadyToEdit() || !Ask(kAskCreateRelation)) return;
  TIASN& net = context_.Network();
  for (const int32_t index : FoundSelection) {
    if (index < 0 || index >= static_cast<int32_t>(found_.size())) continue;
    const TFoundWord& word = found_[static_cast<size_t>(index)];
    // Listed already: by the word, never by a prefix of its text.
    const auto row = std::find_if(rows_.begin(), rows_.end(),
                                  [&word](const TRelationRow& r) { return r.WordIndex == word.Id; });
    if (row != rows_.end()) {
      SelectedRow = static_cast<int32_t>(row - rows_.begin());
      continue;
    }
    const TASNAddress target = UsableElement(word.Id);
    if (target.Index < 0 || target == element_) continue;
    TRelationPosition position;
    net.SetRelation(element_, target, position, 0.0f);
    net.SetRelation(target, element_, position, 0.0f);
    TRelationRow& added = rows_.emplace_back();
    added.WordIndex = word.Id;
    added.Number = nextNumber_++;
    SelectedRow = static_cast<int32_t>(rows_.size()) - 1;
  }
}

// ---- marks ----

void TNetworkEditorModel::MarkSelected(TRowStatus status, bool check) {
  if (SelectedRow < 0 || SelectedRow >= static_cast<int32_t>(rows_.size())) return;
  TRelationRow& row = rows_[static_cast<size_t>(SelectedRow)];
  row.Status = status;
  // A row marked for deletion is a change Apply must see.
  if (check) row.Checked = true;
}

void TNetworkEditorModel::MarkChecked(TRowStatus status) {
  for (TRelationRow& row : rows_) {
    if (row.Checked) row.Status = status;
  }
}

void TNetworkEditorModel::remove1Click() { MarkSelected(TRowStatus::DeleteRelation, true); }
void TNetworkEditorModel::DeleteRelationAndWord1Click() { MarkSelected(TRowStatus::DeleteWord, true); }
void TNetworkEditorModel::UnCheckRemove1Click() { MarkSelected(TRowStatus::None, false); }
void TNetworkEditorModel::btnDeleteSelectClick() { MarkChecked(TRowStatus::DeleteRelation); }
void TNetworkEditorModel::btnDeleteSelectedWordsClick() { MarkChecked(TRowStatus::DeleteWord); }
void TNetworkEditorModel::Button1Click() { MarkChecked(TRowStatus::None); }

void TNetworkEditorModel::btnCancelSelectionClick() {
  for (TRelationRow& row : rows_) row.Checked = false;
}

bool TNetworkEditorModel::ReadSelectionValue(std::u16string_view text, double& value) const {
  if (ReadFloat(text, value)) return true;
  Message(MessageStrings.smWrongValue);
  return false;
}

void TNetworkEditorModel::btnSelectLessValueClick() {
  double limit = 0;
  if (!ReadSelectionValue(edLessValue, limit)) return;
  for (TRelationRow& row : rows_) {
    double value = 0;
    if (RowValue(row, value) && value < limit) row.Checked = true;
  }
}

void TNetworkEditorModel::btnAssignSelectValueClick() {
  double value = 0;
  if (!ReadSelectionValue(edAssignSelectValue, value)) return;
  for (TRelationRow& row : rows_) {
    if (row.Checked) row.Value = edAssignSelectValue;
  }
}

// ---- the list's own events ----

std::u16string TNetworkEditorModel::CellText(const TRelationRow& row, int32_t column) const {
  switch (column) {
    case rcName: return TextOf(row.WordIndex);
    case rcValue: return row.Value.empty() ? FloatText(row.Weight) : row.Value;
    case rcWordIndex: return Dec(row.WordIndex);
    case rcNumber: return Dec(row.Number);
    case rcStatus:
      return std::u16string(row.Status == TRowStatus::DeleteRelation ? kStatusDeleteRelation
                            : row.Status == TRowStatus::DeleteWord   ? kStatusDeleteWord
                                                                     : std::u16string_view());
    default: return std::u16string();
  }
}

bool TNetworkEditorModel::RowValue(const TRelationRow& row, double& value) const {
  if (row.Value.empty()) {
    value = row.Weight;
    return true;
  }
  return ReadFloat(row.Value, value);
}

int32_t TNetworkEditorModel::tlwRELCompare(const TRelationRow& a, const TRelationRow& b, int32_t column) const {
  if (column == rcValue || column == rcWordIndex || column == rcNumber) {
    double x = 0;
    double y = 0;
    if (!ReadFloat(CellText(a, column), x)) x = 0;
    if (!ReadFloat(CellText(b, column), y)) y = 0;
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  return CompareFoldingAZ(CellText(a, column), CellText(b, column));
}

void TNetworkEditorModel::tlwRELColumnClick(int32_t column) {
  if (column < 0 || column >= rcColumnCount) return;
  sortColumn_ = column;
  const TRelationRow* selected =
      SelectedRow >= 0 && SelectedRow < static_cast<int32_t>(rows_.size()) ? &rows_[static_cast<size_t>(SelectedRow)]
                                                                           : nullptr;
  const int32_t selectedNumber = selected ? selected->Number : -1;
  std::stable_sort(rows_.begin(), rows_.end(), [this, column](const TRelationRow& a, const TRelationRow& b) {
    return tlwRELCompare(a, b, column) < 0;
  });
  SelectedRow = -1;
  for (size_t i = 0; i < rows_.size() && selectedNumber >= 0; ++i) {
    if (rows_[i].Number == selectedNumber) SelectedRow = static_cast<int32_t>(i);
  }
}

bool TNetworkEditorModel::IsFindKey(bool ctrl, int32_t key) {
  return ctrl && (key == 70 || key == 102 || key == 192 || key == 224);
}

std::vector<int32_t> TNetworkEditorModel::FindRows(std::u16string_view name) const {
  std::vector<int32_t> found;
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (TextOf(rows_[i].WordIndex) == name) found.push_back(static_cast<int32_t>(i));
  }
  return found;
}

bool TNetworkEditorModel::PercentDrag(int32_t row, int32_t x, int32_t nameWidth, int32_t percentWidth) {
  if (row < 0 || row >= static_cast<int32_t>(rows_.size()) || percentWidth <= 0) return false;
  const int32_t inside = x - nameWidth;
  if (inside <= 0 || inside >= percentWidth) return false;
  const std::u16string value = FloatText(static_cast<float>(static_cast<double>(inside) / percentWidth));
  TRelationRow& target = rows_[static_cast<size_t>(row)];
  if (value == CellText(target, rcValue)) return false;
  target.Checked = true;
  target.Value = value;
  return true;
}

int32_t TNetworkEditorModel::PercentPosition(int32_t row) const {
  double value = 0;
  if (row < 0 || row >= static_cast<int32_t>(rows_.size()) || !RowValue(rows_[static_cast<size_t>(row)], value)) {
    return 0;
  }
  return static_cast<int32_t>(std::nearbyint(std::clamp(value * 100.0, -1e9, 1e9)));
}

// ---- Apply, Delete Word, Save as ----

bool TNetworkEditorModel::ReadCoefficients(std::array<float, 4>& values) {
  const std::u16string* edits[4] = {&edAnchor, &edKStim, &edKInh, &edBarier};
  const std::u16string* messages[4] = {&MessageStrings.smErrorAnchor, &MessageStrings.smErrorKStim,
                                       &MessageStrings.smErrorKInh, &MessageStrings.smErrorBarier};
  for (size_t i = 0; i < 4; ++i) {
    double value = 0;
    if (!ReadFloat(*edits[i], value)) {
      Message(*messages[i]);
      return false;
    }
    values[i] = static_cast<float>(value);
  }
  return true;
}

void TNetworkEditorModel::ApplyRows(const std::array<float, 4>& coefficients) {
  TIASN& net = context_.Network();
  TASNElement* element = net.IsValidAddress(element_) ? net.GetElement(element_) : nullptr;
  if (!element) return;
  element->SetAnchor(coefficients[0]);
  element->SetKStim(coefficients[1]);
  element->SetKInh(coefficients[2]);
  element->SetThreshold(coefficients[3]);
  // The weights, both directions; an absent relation stays absent.
  for (const TRelationRow& row : rows_) {
    if (!row.Checked || row.WordIndex == -1) continue;
    const int32_t index = context_.FindWordElement(row.WordIndex);
    const TASNAddress target{static_cast<int8_t>(kWordLayer), index};
    double value = 0;
    if (index < 0 || !net.IsValidAddress(target)) {
      Message(MessageStrings.smErrorWordToElement);
      continue;
    }
    if (!RowValue(row, value)) continue;
    TRelationPosition position;
    for (const auto& [from, to] : {std::pair{element_, target}, std::pair{target, element_}}) {
      net.FindRelation(from, to, position);
      if (position.Node >= 0) net.GetElement(from)->SetRelationWeight(position, static_cast<float>(value));
    }
  }
  // The deletions.
  for (const TRelationRow& row : rows_) {
    if (!row.Checked) continue;
    if (row.WordIndex == -1) {
      Message(MessageStrings.smErroriWord);
      continue;
    }
    const TASNAddress target{static_cast<int8_t>(kWordLayer), context_.FindWordElement(row.WordIndex)};
    if (!net.IsValidAddress(target)) continue;
    if (row.Status == TRowStatus::DeleteRelation) {
      net.DeleteRelation(element_, target);
      net.DeleteRelation(target, element_);
    } else if (row.Status == TRowStatus::DeleteWord) {
      RedDeleteElement(target);
    }
  }
}

void TNetworkEditorModel::RedDeleteElement(const TASNAddress& address) {
  TIASN& net = context_.Network();
  if (!net.IsValidAddress(address)) return;
  TASNElement* element = net.GetElement(address);
  const int32_t list = net.FindRelationList(address, kWordLayer);
  if (list >= 0) {
    for (int32_t node = element->GetRelationCount(list) - 1; node >= 0; --node) {
      const TRelationPosition position{address.Layer, address.Index, static_cast<int8_t>(list), node};
      const TASNAddress target{static_cast<int8_t>(kWordLayer), element->GetRelationTarget(position)};
      net.DeleteRelation(address, target);
      if (net.IsValidAddress(target)) net.DeleteRelation(target, address);
    }
  }
  element->SetAnchor(kDeletedAnchor);
}

int32_t TNetworkEditorModel::SaveAndReopen() {
  const std::u16string base = NetworkBase(host_.HistoryFile ? host_.HistoryFile() : std::u16string());
  const int32_t result = context_.Save(base);
  if (result == 0) {
    context_.Open(base);
  } else {
    Message(SaveFailedText(result));
  }
  return result;
}

void TNetworkEditorModel::btnApplyClick() {
  if (!ReadyToEdit() || !Ask(kAskApply)) return;
  std::array<float, 4> coefficients{};
  if (!ReadCoefficients(coefficients)) return;
  if (View) View->SetHourglass(true);
  ApplyRows(coefficients);
  found_.clear();
  FoundSelection.clear();
  SaveAndReopen();
  ListWord(wordId_);
  if (View) View->SetHourglass(false);
}

void TNetworkEditorModel::btnDeleteClick() {
  if (!ReadyToEdit()) return;
  if (!Ask(std::u16string(kAskDeleteWordBegin) + u"\"" + wordText_ + u"\"" + std::u16string(kAskDeleteWordEnd))) return;
  if (View) View->SetHourglass(true);
  RedDeleteElement(element_);
  SaveAndReopen();
  rows_.clear();
  usable_ = false;
  if (View) View->SetHourglass(false);
  if (View) View->CloseEditor();
}

int32_t TNetworkEditorModel::btnSaveClick(std::u16string_view fileName) {
  const int32_t result = context_.Save(fileName);
  if (result != 0) Message(SaveFailedText(result));
  return result;
}

}  // namespace kestrune
