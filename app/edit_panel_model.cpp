#include "app/edit_panel_model.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "language/phrase_word_dictionary.h"
#include "network/context_ms.h"

namespace kestrune {

namespace {

TASNAddress Address(const TEditElement& element) { return {static_cast<int8_t>(element.Layer), element.Index}; }

// The weight From -> To and whether the relation exists.
std::pair<float, bool> LinkWeight(TIASN& network, const TEditElement& from, const TEditElement& to) {
  TRelationPosition position;
  network.FindRelation(Address(from), Address(to), position);
  if (position.Node == -1) return {0.0f, false};
  return {network.GetElement(Address(from))->GetRelationWeight(position), true};
}

}  // namespace

TEditPanelModel::TEditPanelModel(IControlFlow& flow, TIContextMS& context, TPhraseWordDictionary& dictionary,
                                 TEditPanelHost host)
    : flow_(flow), context_(context), dictionary_(dictionary), host_(std::move(host)) {}

void TEditPanelModel::Changed() {
  if (OnChanged) OnChanged();
}

std::u16string TEditPanelModel::StoredText(int32_t wordId) {
  if (wordId < 0) return {};
  const TWDWord* word = dictionary_.GetWord(wordId);
  return word ? word->GetStoredText() : std::u16string();
}

int32_t TEditPanelModel::FirstQueryWord() {
  if (!host_.QueryWords) return -1;
  const std::vector<int32_t> words = host_.QueryWords();
  return words.empty() ? -1 : words.front();
}

int32_t TEditPanelModel::ElementOf(int32_t wordId) { return wordId < 0 ? -1 : context_.FindWordElement(wordId); }

bool TEditPanelModel::Resolve(const TEditRecord& record, TEditElement& a, TEditElement& b) {
  if (record.Rebuild == context_.RebuildCount()) {
    a = record.A;
    b = record.B;
  } else {
    a = {TIContextMS::kWordLayer, ElementOf(record.WordA)};
    b = {TIContextMS::kWordLayer, ElementOf(record.WordB)};
  }
  if (a == b) return false;
  // A deleted element (a merged word) keeps its slot: it gets no relations.
  for (const TEditElement& element : {a, b}) {
    const TASNElement* live = context_.Network().GetElement(Address(element));
    if (live == nullptr || live->GetAnchor() == -1.0f) return false;
  }
  return true;
}

void TEditPanelModel::TakeLink(TEditRecord& record, int32_t wordA, int32_t wordB) {
  record.WordA = wordA;
  record.WordB = wordB;
  record.A = {TIContextMS::kWordLayer, ElementOf(wordA)};
  record.B = {TIContextMS::kWordLayer, ElementOf(wordB)};
  record.Rebuild = context_.RebuildCount();
  record.OldWeight = record.OldWeightBA = 0.0f;
  record.ExistedAB = record.ExistedBA = false;
  TEditElement a;
  TEditElement b;
  if (!Resolve(record, a, b)) return;
  std::tie(record.OldWeight, record.ExistedAB) = LinkWeight(context_.Network(), a, b);
  std::tie(record.OldWeightBA, record.ExistedBA) = LinkWeight(context_.Network(), b, a);
}

void TEditPanelModel::SetBoth(const TEditElement& a, const TEditElement& b, float weight) {
  TRelationPosition position;
  context_.Network().SetRelation(Address(a), Address(b), position, weight);
  context_.Network().SetRelation(Address(b), Address(a), position, weight);
}

void TEditPanelModel::DeleteBoth(const TEditElement& a, const TEditElement& b) {
  context_.Network().DeleteRelation(Address(a), Address(b));
  context_.Network().DeleteRelation(Address(b), Address(a));
}

void TEditPanelModel::RestoreLink(const TEditRecord& record) {
  TEditElement a;
  TEditElement b;
  if (!Resolve(record, a, b)) return;
  TIASN& network = context_.Network();
  TRelationPosition position;
  if (record.ExistedAB) {
    network.SetRelation(Address(a), Address(b), position, record.OldWeight);
  } else {
    network.DeleteRelation(Address(a), Address(b));
  }
  if (record.ExistedBA) {
    network.SetRelation(Address(b), Address(a), position, record.OldWeightBA);
  } else {
    network.DeleteRelation(Address(b), Address(a));
  }
}

void TEditPanelModel::RebuildAndShow() {
  if (host_.RebuildMap) host_.RebuildMap();
  if (host_.ShowPage) host_.ShowPage();
}

bool TEditPanelModel::speciaClick() {
  visible_ = !visible_;
  PhraseText.clear();
  Changed();
  return visible_;
}

void TEditPanelModel::SelectKind(int32_t kind) {
  if (kind < ekPhraseAdded || kind > ekWordsMerged) return;
  flow_.Record.Kind = kind;
  if (kind == ekWeightSet) WeightLabel = StoredText(FirstQueryWord());
  if (kind == ekWordsMerged) FirstWord = StoredText(FirstQueryWord());
  Changed();
}

void TEditPanelModel::DeleteLinksToQuery(int32_t wordId) {
  std::vector<int32_t> keys = host_.QueryWords ? host_.QueryWords() : std::vector<int32_t>();
  if (keys.size() > 2) keys.resize(2);
  for (const int32_t key : keys) {
    TEditRecord record = flow_.Record;
    record.Kind = ekLinkDeleted;
    record.NewValue = 0.0f;
    TakeLink(record, wordId, key);
    TEditElement a;
    TEditElement b;
    if (!Resolve(record, a, b)) continue;
    DeleteBoth(a, b);
    flow_.Push(record);
  }
}

void TEditPanelModel::WordClick(int32_t wordId, int32_t variant) {
  const std::u16string text = StoredText(wordId);
  switch (flow_.Record.Kind) {
    case ekPhraseAdded:
      PhraseText += u' ';
      PhraseText += text;
      break;
    case ekLinkDeleted:
      if (variant == kPanelPlainClick) {
        if (host_.MakeOnlyQueryWord) host_.MakeOnlyQueryWord(wordId);
      } else if (variant == kPanelSecondClick) {
        DeleteLinksToQuery(wordId);
        RebuildAndShow();
      }
      break;
    case ekWeightSet:
      if (variant == kPanelPlainClick) {
        WeightLabel = text;
        if (host_.MakeOnlyQueryWord) host_.MakeOnlyQueryWord(wordId);
      } else if (variant == kPanelSecondClick) {
        WeightWord = text;
        const int32_t key = FirstQueryWord();
        TakeLink(flow_.Record, wordId, key);
        if (key >= 0) {
          const float position = std::nearbyint(flow_.Record.OldWeight * 100.0f);
          TrackBarPosition = static_cast<int32_t>(std::clamp(position, 0.0f, 100.0f));
        }
      }
      break;
    case ekWordsMerged:
      if (variant == kPanelPlainClick) {
        FirstWord = text;
        flow_.Record.WordA = wordId;
        flow_.Record.A = {TIContextMS::kWordLayer, ElementOf(wordId)};
      } else if (variant == kPanelSecondClick) {
        SecondWord = text;
        flow_.Record.WordB = wordId;
        flow_.Record.B = {TIContextMS::kWordLayer, ElementOf(wordId)};
      }
      break;
    default:
      break;
  }
  Changed();
}

void TEditPanelModel::TntButton1Click() {
  if (PhraseText.find_first_not_of(u' ') == std::u16string::npos) return;
  const int32_t before = dictionary_.PhraseCount();
  // Quoted, the field is parsed as one phrase.
  if (host_.AddToQuery) host_.AddToQuery(u"\"" + PhraseText + u"\"");
  TEditRecord record = flow_.Record;
  record.Kind = ekPhraseAdded;
  record.NewValue = kPhraseAddedValue;
  record.Phrase = dictionary_.PhraseCount() > before ? dictionary_.PhraseCount() - 1 : -1;
  flow_.Push(record);
  PhraseText.clear();
  Changed();
}

void TEditPanelModel::TntSpeedButton5Click() {
  TEditRecord record = flow_.Record;
  // The weights as they are now, so that undo restores them exactly.
  TakeLink(record, record.WordA, record.WordB);
  TEditElement a;
  TEditElement b;
  if (!Resolve(record, a, b)) return;
  record.Kind = ekWeightSet;
  record.NewValue = static_cast<float>(TrackBarPosition) / 100.0f;
  flow_.Push(record);
  SetBoth(a, b, record.NewValue);
  RebuildAndShow();
}

void TEditPanelModel::TntSpeedButton6Click() {
  TIMorphologyEngine* engine = dictionary_.MorphologyEngine();
  if (engine == nullptr) return;
  TWordVariant hitA;
  TWordVariant hitB;
  if (dictionary_.FindFirst(FirstWord, hitA, 0) <= 0 || dictionary_.FindFirst(SecondWord, hitB, 0) <= 0) return;
  const int32_t wordA = hitA.WordIndex;
  const int32_t wordB = hitB.WordIndex;
  if (wordA < 0 || wordB < 0 || wordA == wordB) return;

  // The two words' texts and forms, copied before the dictionary grows.
  std::u16string stored[2];
  std::vector<std::u16string> forms;
  uint8_t partOfSpeech = 0;
  for (int32_t side = 0; side < 2; ++side) {
    const TWDWord* word = dictionary_.GetWord(side == 0 ? wordA : wordB);
    if (word == nullptr) return;
    if (side == 0) partOfSpeech = word->GetPartOfSpeech();
    stored[side] = word->GetStoredText();
    for (int32_t f = 0; f < word->FormCount(); ++f) forms.push_back(word->GetForm(f));
  }
  // The stem: the longest common beginning of the two stored texts.
  const auto stemEnd = std::mismatch(stored[0].begin(), stored[0].end(), stored[1].begin(), stored[1].end()).first;
  const std::u16string stem(stored[0].begin(), stemEnd);

  const int32_t lexeme = engine->AddLexeme();
  TMEGroup* group = engine->GetLexeme(lexeme);
  if (group == nullptr) return;
  group->SetPartOfSpeech(partOfSpeech);
  for (const std::u16string& form : forms) {
    if (form.size() < stem.size()) continue;
    const int32_t j = group->AddForm();
    group->SetFormEnding(j, std::u16string_view(form).substr(stem.size()));
  }
  const int32_t newWord = dictionary_.AddWord(stem, group->GetPartOfSpeech(), lexeme);
  if (newWord < 0) return;

  TEditRecord record = flow_.Record;
  record.Kind = ekWordsMerged;
  record.WordA = wordA;
  record.WordB = wordB;
  record.A = {TIContextMS::kWordLayer, ElementOf(wordA)};
  record.B = {TIContextMS::kWordLayer, ElementOf(wordB)};
  record.Rebuild = context_.RebuildCount();
  record.Lexeme = lexeme;
  record.NewWord = newWord;
  flow_.Push(record);

  // The merged word takes over the relations of both, in both directions; a
  // later copy overwrites an earlier one for the same target.
  context_.AddWord(newWord);
  const TASNAddress merged{TIContextMS::kWordLayer, ElementOf(newWord)};
  TIASN& network = context_.Network();
  for (const int32_t layer : {TIContextMS::kWordLayer, TIContextMS::kPageLayer}) {
    for (const TEditElement& source : {record.A, record.B}) {
      if (source.Index < 0) continue;
      const TASNElement* element = network.GetElement(Address(source));
      const int32_t list = network.FindRelationList(Address(source), layer);
      if (element == nullptr || list < 0) continue;
      const TLayerRelations* relations = element->GetRelationList(list);
      std::vector<std::pair<int32_t, float>> copies;
      for (int32_t node = 0; node < relations->Count(); ++node) {
        copies.emplace_back(relations->Target(node), relations->Weights[static_cast<size_t>(node)]);
      }
      for (const auto& [target, weight] : copies) {
        const TASNAddress to{static_cast<int8_t>(layer), target};
        TRelationPosition position;
        network.SetRelation(merged, to, position, weight);
        network.SetRelation(to, merged, position, weight);
      }
    }
  }
  // The old words leave the network and become stop words.
  for (const TEditElement& source : {record.A, record.B}) {
    if (source.Index >= 0) network.DeleteElement(Address(source));
  }
  for (const int32_t word : {wordA, wordB}) {
    if (TWDWord* old = dictionary_.GetWord(word)) old->SetFlags(TWDWord::kFlagMark);
  }
  RebuildAndShow();
}

void TEditPanelModel::edit_undoClick() {
  if (flow_.CanUndo() == -1) return;
  flow_.StepBack();
  const TEditRecord* current = flow_.Current();
  if (current == nullptr) return;
  const TEditRecord record = *current;
  switch (record.Kind) {
    case ekPhraseAdded:
      // Only the last phrase can go: a phrase added since keeps its number.
      if (record.Phrase >= 0 && record.Phrase == dictionary_.PhraseCount() - 1) {
        dictionary_.Phrases().pop_back();
        if (dictionary_.HasPhraseIndex()) {
          const int32_t positions = dictionary_.IndexPositions();
          dictionary_.FreePhraseIndex();
          dictionary_.BuildPhraseIndex(2, positions);
        }
      }
      break;
    case ekLinkDeleted:
    case ekWeightSet:
      RestoreLink(record);
      RebuildAndShow();
      break;
    default:
      break;
  }
}

void TEditPanelModel::edit_redoClick() {
  if (flow_.CanRedo() == -1) return;
  const TEditRecord* current = flow_.Current();
  if (current == nullptr) return;
  const TEditRecord record = *current;
  TEditElement a;
  TEditElement b;
  switch (record.Kind) {
    case ekLinkDeleted:
      if (Resolve(record, a, b)) DeleteBoth(a, b);
      RebuildAndShow();
      break;
    case ekWeightSet:
      if (Resolve(record, a, b)) SetBoth(a, b, record.NewValue);
      RebuildAndShow();
      break;
    default:
      break;
  }
  flow_.StepForward();
}

}  // namespace kestrune
