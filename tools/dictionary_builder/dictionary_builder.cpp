#include "tools/dictionary_builder/dictionary_builder.h"

#include <algorithm>
#include <unordered_set>

#include "core/frame.h"
#include "core/stream.h"
#include "language/text_parsing_chars.h"
#include "platform/text.h"

namespace kestrune {

namespace {

// The parser's separators and control characters, less the hyphen, which may
// join two parts of one token.
bool IsSeparator(char16_t c) { return c < 32 || (c != u'-' && parsing::IsSeparator(c)); }

std::u16string Lower(std::u16string_view text) { return platform::WideLowerCase(text); }

std::u16string WidePath(const std::string& folder, const std::string& name) {
  return platform::Utf8ToUtf16(folder + "/" + name);
}

}  // namespace

bool IsTokenText(std::u16string_view text) {
  if (text.empty()) return false;
  int32_t hyphens = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'-') {
      if (i == 0 || i + 1 == text.size() || ++hyphens > 1) return false;
    } else if (IsSeparator(c)) {
      return false;
    }
  }
  return true;
}

void GroupWordSources(const std::vector<THunspellEntry>& entries, const THunspellExpander& expander,
                      const std::function<uint8_t(const THunspellEntry&, const std::u16string&)>& partOfSpeech,
                      std::vector<TWordSource>& words, std::unordered_set<std::u16string>& forbidden) {
  std::unordered_map<std::u16string, size_t> wordByKey;
  for (size_t i = 0; i < entries.size(); ++i) {
    const THunspellEntry& entry = entries[i];
    if (expander.IsForbidden(entry)) {
      forbidden.insert(entry.Word);
      continue;
    }
    std::u16string root = Lower(entry.Word);
    const uint8_t pos = partOfSpeech(entry, root);
    std::u16string key = root;
    key.push_back(static_cast<char16_t>(pos));
    auto [it, added] = wordByKey.emplace(std::move(key), words.size());
    if (added) words.push_back({root, pos, {}, true});
    TWordSource& word = words[it->second];
    word.Entries.push_back(i);
    if (entry.Word == root) word.ProperName = false;
  }
}

TDictionaryBuilder::TDictionaryBuilder(int16_t languageId)
    : engine_(std::make_unique<TIMorphologyEngineFull>()),
      dictionary_(std::make_unique<TIWordDictionary>()),
      languageId_(languageId) {
  engine_->SetLanguageId(languageId);
  dictionary_->SetMorphologyEngine(engine_.get());
  dictionary_->SetDictID(languageId);
}

TDictionaryBuilder::~TDictionaryBuilder() {
  // The dictionary leaves the engine alone when it goes.
  dictionary_.reset();
}

int32_t TDictionaryBuilder::Add(std::u16string_view text, uint8_t partOfSpeech, int32_t group, bool properName) {
  const int32_t before = dictionary_->Count();
  const int32_t index = dictionary_->AddWord(text, partOfSpeech, group);
  if (TWDWord* word = dictionary_->GetWord(index)) {
    // A word that an earlier source gave is a name only when every source is.
    const int16_t attr1 = word->GetAttr1();
    if (properName && index >= before) {
      word->SetAttr1(static_cast<int16_t>(attr1 | TWDWord::kAttr1ProperName));
    } else if (!properName) {
      word->SetAttr1(static_cast<int16_t>(attr1 & ~TWDWord::kAttr1ProperName));
    }
  }
  return index;
}

int32_t TDictionaryBuilder::AddWord(std::u16string_view rootText, uint8_t partOfSpeech,
                                    const std::vector<THunspellForm>& forms, bool properName) {
  const std::u16string root = Lower(rootText);
  const int32_t size = static_cast<int32_t>(root.size());

  // The forms that can be tokens, each text once.
  std::vector<const THunspellForm*> kept;
  std::vector<std::u16string> texts;
  std::unordered_set<std::u16string> seen;
  for (const THunspellForm& form : forms) {
    std::u16string text = Lower(form.Text);
    if (!IsTokenText(text)) {
      ++droppedForms_;
      continue;
    }
    if (!seen.insert(text).second) continue;
    kept.push_back(&form);
    texts.push_back(std::move(text));
  }
  if (kept.empty()) return kNoForms;
  // Form links are 16-bit: a lexeme holds at most kMaxForms forms.
  if (kept.size() > static_cast<size_t>(TMEGroupFull::kMaxForms)) {
    droppedForms_ += static_cast<int64_t>(kept.size()) - TMEGroupFull::kMaxForms;
    kept.resize(TMEGroupFull::kMaxForms);
    texts.resize(TMEGroupFull::kMaxForms);
  }
  if (kept.size() == 1 && texts[0] == root) return AddPlainWord(root, partOfSpeech, properName);

  // The stem: the root without what any form strips from its ends.
  int32_t front = 0;
  int32_t back = 0;
  for (const THunspellForm* form : kept) {
    front = std::max(front, form->FrontStrip);
    back = std::max(back, form->BackStrip);
  }
  const bool textless = front + back > size;
  const std::u16string stem = textless ? std::u16string() : root.substr(front, size - front - back);
  std::vector<TCut> cuts;
  cuts.reserve(kept.size());
  for (const THunspellForm* form : kept) {
    TCut cut;
    if (textless) {
      cut.Prefix = Lower(form->Prefix);
      cut.Ending = root.substr(form->FrontStrip, size - form->FrontStrip - form->BackStrip) + Lower(form->Tail);
    } else {
      cut.Prefix = Lower(form->Prefix) + root.substr(form->FrontStrip, front - form->FrontStrip);
      cut.Ending = root.substr(size - back, back - form->BackStrip) + Lower(form->Tail);
    }
    cuts.push_back(std::move(cut));
  }
  // The initial form first, the others in a fixed order, so that equal
  // paradigms give equal keys.
  std::sort(cuts.begin() + 1, cuts.end(), [](const TCut& a, const TCut& b) {
    return a.Ending != b.Ending ? a.Ending < b.Ending : a.Prefix < b.Prefix;
  });
  std::u16string key(1, static_cast<char16_t>(partOfSpeech));
  for (const TCut& cut : cuts) {
    key += cut.Prefix;
    key.push_back(u'\x01');
    key += cut.Ending;
    key.push_back(u'\x02');
  }

  int32_t group;
  if (auto it = paradigms_.find(key); it != paradigms_.end()) {
    group = it->second;
  } else {
    if (engine_->LexemeCount() >= kMaxLexemes) return kLexiconFull;
    const int32_t index = engine_->AddLexeme();
    TMEGroup* lexeme = engine_->GetLexeme(index);
    lexeme->SetPartOfSpeech(partOfSpeech);
    for (const TCut& cut : cuts) {
      const int32_t j = lexeme->AddForm();
      if (!cut.Prefix.empty()) lexeme->SetFormPrefix(j, cut.Prefix);
      lexeme->SetFormEnding(j, cut.Ending);
    }
    group = engine_->FinishLexeme();
    paradigms_.emplace(std::move(key), group);
  }
  formCount_ += static_cast<int64_t>(cuts.size());
  return Add(stem, partOfSpeech, group, properName);
}

int32_t TDictionaryBuilder::AddPlainWord(std::u16string_view text, uint8_t partOfSpeech, bool properName) {
  formCount_ += 1;
  return Add(Lower(text), partOfSpeech, -1, properName);
}

bool TDictionaryBuilder::Knows(std::u16string_view text) {
  return dictionary_->Search(Lower(text), variants_, 0, scratch_) > 0;
}

int32_t TDictionaryBuilder::Save(const std::string& folder, const std::string& name, std::u16string_view author,
                                 std::u16string_view description, std::string& error) {
  const std::string lexiconName = name + ".drmp";
  engine_->SetHeaderText1(description);
  engine_->SetHeaderText2(author);
  if (engine_->LexemeCount() > 0) {
    const int32_t result = engine_->SaveToFile(WidePath(folder, lexiconName));
    if (result != 0) {
      error = "cannot write " + lexiconName + " (" + std::to_string(result) + ")";
      return -1;
    }
    dictionary_->SetMorphologyFile(platform::Utf8ToUtf16(lexiconName));
  }
  dictionary_->SetAuthor(author);
  dictionary_->SetDescription(description);
  TMemoryStream image;
  int32_t result = dictionary_->SaveToStream(image, false);
  if (result == 0) {
    result = SaveFramedFile(WidePath(folder, name + ".dws"), kMagicDRWS, 0, true, -1, [&](TTagStream& out) -> int32_t {
      const int64_t count = image.Size();
      return out.WriteRaw(image.Bytes().data(), count) == count ? 0 : -1;
    });
  }
  if (result != 0) {
    error = "cannot write " + name + ".dws (" + std::to_string(result) + ")";
    return -1;
  }
  return 0;
}

int32_t WriteStopWordFile(const std::string& path, const std::vector<std::u16string>& words) {
  std::u16string text(1, u'\xFEFF');
  for (const std::u16string& word : words) {
    text += word;
    text += u"\r\n";
  }
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return SaveFileAtomically(platform::Utf8ToUtf16(path), -1, [&](TStream& out) -> int32_t {
    const int64_t count = static_cast<int64_t>(bytes.size());
    return out.Write(bytes.data(), count) == count ? 0 : -1;
  });
}

}  // namespace kestrune
