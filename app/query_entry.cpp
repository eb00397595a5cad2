// The search entry: the query box's text becomes the keys of the current
// search step, and the step's keys turn back into the query's text. Tokens
// are the words of a sentence (a group); the text of a token is the
// dictionary text of its identifier.
#include "app/query_entry.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "app/kestrune_session.h"
#include "app/query_words.h"
#include "app/window_commands.h"
#include "core/log_file.h"
#include "core/message.h"
#include "core/message_strings.h"
#include "platform/message_box.h"
#include "platform/text.h"

namespace kestrune {

using platform::Utf16ToUtf8;
using platform::Utf8ToUtf16;

namespace {

// Calls f(sentence) for every sentence of every paragraph of the parse.
template <class F>
void ForEachSentence(TParsingText& parse, F f) {
  if (!parse.Words || !parse.Sentences || !parse.Paragraphs) return;
  const int32_t paragraphs = std::min<int32_t>(parse.ParagraphCount, static_cast<int32_t>(parse.Paragraphs->size()));
  for (int32_t p = 0; p < paragraphs; ++p) {
    const TParsingParagraph& paragraph = parse.Paragraph(p);
    for (int32_t s = 0; s < paragraph.SentenceCount; ++s) f(parse.Sentence(paragraph.FirstSentence + s));
  }
}

bool Adjacent(const TParsingWord& a, const TParsingWord& b) { return int64_t{a.Start} + a.Length == b.Start; }

}  // namespace

void TQueryEntry::SetVisible(TMainControl control, bool visible) {
  if (s_.View) s_.View->SetVisible(control, visible);
}

// ---------------------------------------------------------------------------
// The query as text

std::u16string TQueryEntry::KeyText(int32_t id) {
  std::u16string text = s_.ContentMapGetKeyName(id);
  if (text.empty() || id < kPhraseBase) return text;
  return u"\"" + text + u"\"";
}

std::u16string TQueryEntry::GetQueryTextPart(int32_t part) {
  std::u16string text;
  if (part == 0) return GetQueryText();
  TNNKeys keys;
  if (part == 1) {
    s_.GetStepKeys(keys, s_.QueryKind());
    for (const TNNKey& key : keys) {
      const std::u16string word = KeyText(key.Id);
      if (!word.empty()) text += word + u" ";
    }
    if (!text.empty()) text.pop_back();
  } else if (part == -1) {
    s_.GetStepKeys(keys, s_.ExcludedKind());
    for (const TNNKey& key : keys) {
      const std::u16string word = KeyText(key.Id);
      if (!word.empty()) text += u" -" + word;
    }
  }
  return text;
}

std::u16string TQueryEntry::GetQueryText() {
  if (s_.ContentMap.NoQueryMode()) return u"";
  return GetQueryTextPart(1) + GetQueryTextPart(-1);
}

// ---------------------------------------------------------------------------
// The query box

void TQueryEntry::HideQueryBox() {
  for (TMainControl control :
       {TMainControl::IComboBox1, TMainControl::querybitmap, TMainControl::BBtnSearch, TMainControl::BBtnSearch2}) {
    SetVisible(control, false);
  }
}

void TQueryEntry::CenterQueryBox(bool withSearchButton) {
  IMainView* view = s_.View;
  if (!view) return;
  TViewRect box = view->Bounds(TMainControl::IComboBox1);
  box.Left = static_cast<int32_t>(std::nearbyint(view->MapWidth() / 2.0 - box.Width / 2.0));
  box.Top = static_cast<int32_t>(std::nearbyint(view->MapHeight() / 2.0 - box.Height / 2.0));
  if (withSearchButton) {
    // The box with its picture and BBtnSearch alone, as the box is placed
    // at any point of the map.
    s_.PlaceQueryBox(box.Left, box.Top, true);
    return;
  }
  view->SetBounds(TMainControl::IComboBox1, box);
  TViewRect picture = view->Bounds(TMainControl::querybitmap);
  picture.Left = box.Left + view->QueryPictureOffset().X;
  picture.Top = box.Top + view->QueryPictureOffset().Y;
  view->SetBounds(TMainControl::querybitmap, picture);
  view->SetVisible(TMainControl::IComboBox1, true);
  view->SetVisible(TMainControl::querybitmap, true);
  view->SetFocus(TMainControl::IComboBox1);
}

void TQueryEntry::ReadQueryFile() {
  const std::u16string file = s_.Config.BasesFolder + u"query.dat";
  int32_t dropped = 0;
  ReadQueryFileItems(file, QueryItems, dropped);
  if (dropped > 0) {
    LogFile.Log("The query history " + platform::Utf16ToUtf8(file) + ": dropped " + std::to_string(dropped) +
                    (dropped == 1 ? " line that is" : " lines that are") + " no query text",
                1);
  }
  LoadedQueryItems = QueryItems;
  HistoryCleared = false;
  if (s_.View) s_.View->SetQueryItems(QueryItems);
}

// ---------------------------------------------------------------------------
// Entries

void TQueryEntry::SubmitQuery() {
  IMainView* view = s_.View;
  TContentMap2& map = s_.ContentMap;
  // 1. A hovered word ends its hover first.
  if (map.HoveredKey() >= 0 && s_.MapView) s_.MapView->HoverOut();

  // 2.-3. A new query when nothing is asked yet.
  const bool newQuery = GetQueryText().empty() && !map.NoQueryMode();
  ClearParsingText(QueryParse);
  if (view) view->SetCaption(s_.Config.MainCaption());
  const std::u16string typed = view ? view->QueryText() : std::u16string();

  // 4. A new query goes to the top of the query box's list, once.
  if (newQuery && view && view->Visible(TMainControl::IComboBox1) && !typed.empty()) {
    std::erase(QueryItems, typed);
    QueryItems.insert(QueryItems.begin(), typed);
    view->SetQueryItems(QueryItems);
    view->SetQueryText(typed);
  }

  // 5. Busy.
  if (view) view->SetText(TMainControl::Label1, u"");
  SetVisible(TMainControl::IProgressBar1, true);
  SetVisible(TMainControl::TntLabel1, true);
  SetVisible(TMainControl::ibitmap27, true);
  if (s_.MapView) s_.MapView->RedrawDirty();

  // 6.-11. The text becomes keys; the map, and a download or the page.
  [&] {
    if (typed.empty()) return;
    IControlKeys& steps = map.Steps();
    if (EditedKeyId >= 0) {
      steps.Remove(kKindQuery, EditedKeyId);
      EditedKeyId = -1;
    }
    s_.TextParsing.Parse(typed);
    QueryParse = s_.TextParsing.ParsingText();
    s_.FormsStore.TakeForms(QueryParse);
    if (!s_.Project.Documents.empty()) s_.SaveKeysUndoState();
    if (map.NoQueryMode()) {
      steps.ClearKind(kKindQuery);
      steps.ClearKind(kKindExcluded);
    }
    std::u16string error;
    if (!wordsToIndex(QueryParse, false, error)) {
      if (view) view->SetQueryText(u"");
      TNNKeys queryWords;
      s_.GetStepKeys(queryWords, s_.QueryKind());
      if (queryWords.empty()) {
        s_.IBitmapButtonNewClick();
      } else {
        CenterQueryBox(false);
      }
      return;
    }
    TNNKeys queryWords;
    s_.GetStepKeys(queryWords, s_.QueryKind());
    if (queryWords.empty()) {
      TNNKeys excludedWords;
      s_.GetStepKeys(excludedWords, s_.ExcludedKind());
      if (excludedWords.empty()) return;
      if (s_.Project.Documents.empty()) {
        // Only exclusions and nothing found yet: nothing to search for.
        s_.ClearProject();
        s_.ShowResults(kEditNone, kPageModeChosen);
        return;
      }
      // Only exclusions over the project's documents: they refine the
      // view's query, in the scope view the union of the scopes.
      if (!map.ExcludedMode()) s_.TakeScopeUnionAsQuery();
      HideQueryBox();
      s_.ContentMapReGenerate();
      s_.ShowResults(kEditNone, kPageModeChosen);
      s_.StartAdvertSearch(u"", 1);
      return;
    }
    HideQueryBox();
    s_.ContentMapReGenerate();
    if (!newQuery) {
      s_.ShowResults(kEditNone, kPageModeChosen);
      s_.StartAdvertSearch(u"", 1);
    }
    if (view) {
      const TViewRect box = view->Bounds(TMainControl::IComboBox1);
      TViewRect button = view->Bounds(TMainControl::BBtnSearch);
      button.Left = box.Left + box.Width + 15;
      view->SetBounds(TMainControl::BBtnSearch, button);
    }
    if (newQuery) s_.StartNewSearch();
  }();

  // 12. Not busy: also when the entry ended early, so that the busy signs
  // never stay up.
  SetVisible(TMainControl::IProgressBar1, false);
  SetVisible(TMainControl::TntLabel1, false);
  SetVisible(TMainControl::ibitmap27, false);
}

void TQueryEntry::BBtnSearchClick() {
  QueryPhraseMode = s_.ContentMap.ExcludedMode();
  SubmitQuery();
  QueryPhraseMode = false;
  if (s_.View) s_.View->SetFocus(TMainControl::EmbeddedWB1);
}

void TQueryEntry::QueryBoxEnter() {
  QueryPhraseMode = s_.ContentMap.ExcludedMode();
  SubmitQuery();
  QueryPhraseMode = false;
}

void TQueryEntry::QueryKeyUp(int32_t key) {
  if (key == 13) SubmitQuery();
}

void TQueryEntry::BtnMetasearchClick() {
  // The step it pushes is the search's: no mark either without documents.
  const TSearchRun::TMarkOnlyWithDocuments mark(s_);
  s_.SaveKeysUndoState();
  s_.StartNewSearch();
  if (s_.View) s_.View->SetEnabled(TMainControl::IBitmapButtonUndo, true);
}

void TQueryEntry::ActSearchExecute() {
  if (s_.IContextMS1.OnlyWords()) return;
  s_.MapWordRefresh();
  s_.RefreshClusterTable();
  s_.ContentMap.SendEmptyKeyList();
}

void TQueryEntry::CBWebSite2Change(std::u16string_view chosen) {
  IMainView* view = s_.View;
  TSessionSettings& config = s_.Config;
  TContentMap2& map = s_.ContentMap;
  // The current engine as it is when the box is set back (the options form
  // may have changed it).
  auto selectCurrent = [&] {
    if (!view) return;
    const std::u16string current = platform::WideLowerCase(Utf8ToUtf16(config.Settings.website));
    for (size_t i = 0; i < config.EngineBoxItems.size(); ++i) {
      if (platform::WideLowerCase(config.EngineBoxItems[i]) == current) {
        view->SelectEngineItem(static_cast<int32_t>(i));
        return;
      }
    }
  };
  // 1. "More engines" opens the options.
  if (chosen == MessageStrings.smMoreEngines) {
    if (view) view->ShowOptionsForm(true);
    selectCurrent();
    return;
  }
  const std::string name = Utf16ToUtf8(chosen);
  const bool changed = name != config.Settings.website || config.EngineChangePending;
  if (changed) {
    const bool hasQuery = map.NoQueryMode() || !GetQueryText().empty();
    if (hasQuery) {
      // 2. Ask what happens to the query. Yes and No both leave the project:
      // unsaved work is offered for saving first, still under the current
      // engine; a save question that aborts keeps everything, as Cancel does.
      int32_t answer = view ? view->AskChangeEngine() : platform::kIdCancel;
      if ((answer == platform::kIdYes || answer == platform::kIdNo) && s_.SaveQuestion()) answer = platform::kIdCancel;
      if (answer == platform::kIdYes) {
        // The same query anew with the new engine (ClearProject resets the
        // engine, which zeroes its query counter).
        config.MakeEngineCurrent(name);
        TScope& scope = s_.Project.Scope;
        const std::u16string text = map.NoQueryMode() ? scope.GetQueryText(scope.CurrentIndex()) : GetQueryText();
        s_.ClearProject();
        scope.Clear();
        if (view) view->SetQueryText(text);
        SubmitQuery();
      } else if (answer == platform::kIdNo) {
        if (s_.MapView) s_.MapView->LeaveState(IMapViewOps::kStatePopup);
        if (view) view->SetQueryText(u"");
        config.MakeEngineCurrent(name);
        StartPageFlags = {false, false};
        const bool askForSave = config.Settings.askforsave;
        config.Settings.askforsave = false;
        s_.IBitmapButtonNewClick();
        config.Settings.askforsave = askForSave;
      } else {
        // Cancel (of either question): the old engine stays, and so does
        // the pending change.
        selectCurrent();
        return;
      }
    } else {
      // 3. Nothing asked yet: the engine changes and the page is shown.
      config.MakeEngineCurrent(name);
      StartPageFlags = {false, false};
      s_.ClearProject();
      s_.ShowResults(kEditNone, kPageModeChosen);
    }
  }
  // 4.
  if (view && view->Visible(TMainControl::IComboBox1)) view->SetFocus(TMainControl::IComboBox1);
  config.EngineChangePending = false;
}

void TQueryEntry::QueryChange() {
  IMainView* view = s_.View;
  if (!view) return;
  // The box at least 120 pixels wide, the search button beside it.
  TViewRect box = view->Bounds(TMainControl::IComboBox1);
  if (box.Width < 120) {
    box.Width = 120;
    view->SetBounds(TMainControl::IComboBox1, box);
  }
  TViewRect button = view->Bounds(TMainControl::BBtnSearch);
  button.Left = box.Left + box.Width + 15;
  view->SetBounds(TMainControl::BBtnSearch, button);
  const std::u16string typed = view->QueryText();
  if (!QueryItems.empty() && QueryItems.front().compare(0, typed.size(), typed) != 0) view->CloseQueryDropDown();

  // Every map word that the typed text names is highlighted.
  TContentMap2& map = s_.ContentMap;
  TPhraseWordDictionary& dictionary = s_.WordDictionary;
  map.ClearHighlights();
  for (const std::u16string& word : QueryTextWords(typed)) {
    TWordVariant hit;
    if (dictionary.FindFirst(platform::WideLowerCase(word), hit, 0) <= 0) continue;
    for (int32_t id = hit.WordIndex; id >= 0; id = dictionary.FindNext(hit)) map.HighlightKey(id);
  }
  if (s_.MapView) s_.MapView->LoadKeysAndDraw();
}

// ---------------------------------------------------------------------------
// Query words to keys

std::u16string TQueryEntry::TokenText(int32_t id) {
  if (id < 0) return u"";
  TWDWord* word = s_.WordDictionary.GetWord(id);
  return word ? word->GetText() : u"";
}

void TQueryEntry::AddPhrase(const TParsingText& parse, int32_t first, int32_t last) {
  TPhraseWordDictionary& dictionary = s_.WordDictionary;
  TPhrase phrase;
  for (int32_t t = first; t <= last && phrase.EntryCount() < kMaxPhraseWords; ++t) {
    const TParsingWord& token = parse.Word(t);
    // Only words of the dictionary: a phrase never holds a phrase.
    if (token.WordId < 0 || token.WordId >= kPhraseBase) continue;
    const TWDWord* word = dictionary.GetWord(token.WordId);
    if (word == nullptr) continue;
    phrase.Entries.push_back({token.WordId, token.Form, word->GetDictionaryID()});
  }
  if (phrase.EntryCount() < 2) return;
  // A phrase typed again is the phrase already known.
  for (const TPhrase& known : dictionary.Phrases()) {
    if (std::equal(known.Entries.begin(), known.Entries.end(), phrase.Entries.begin(), phrase.Entries.end(),
                   [](const TPhraseEntry& a, const TPhraseEntry& b) { return a.WordIndex == b.WordIndex; })) {
      return;
    }
  }
  dictionary.AddPhrase(std::move(phrase));
  dictionary.FreePhraseIndex();
  dictionary.BuildPhraseIndex(2, kMaxPhraseWords + 1);
}
void TQueryEntry::wordsToIndex2(TParsingText& parse) {
  // 1. Typed words are full words and no stop words (in the list and in the
  // dictionary); quoted runs of two or more tokens become phrases.
  std::unordered_set<int32_t> typed;
  ForEachSentence(parse, [&](TParsingSentence& sentence) {
    int32_t open = -1;
    for (int32_t k = 0; k < sentence.WordCount; ++k) {
      TParsingWord& token = parse.Word(sentence.FirstWord + k);
      token.Flags &= static_cast<int16_t>(~TParsingWord::kLeftOut);
      const std::u16string text = TokenText(token.WordId);
      if (token.WordId >= 0 && token.WordId < kPhraseBase) s_.TakeOffStopWords(text, token.WordId, typed);
      if (text != u"\"") continue;
      if (open < 0) {
        open = k;
        continue;
      }
      if (k - open - 1 >= 2) AddPhrase(parse, sentence.FirstWord + open + 1, sentence.FirstWord + k - 1);
      open = -1;
    }
  });

  // 2. Phrases marked.
  s_.WordDictionary.FindPhrases(parse);

  // 3. One token in quotes: the opening quote goes, so that a minus sign
  // before it touches the token. Quotes pair as in the first pass: the
  // closing quote of one quoted word never opens the next ("a" "b").
  ForEachSentence(parse, [&](TParsingSentence& sentence) {
    auto isQuote = [&](int32_t at) { return TokenText(parse.Word(at).WordId) == u"\""; };
    for (int32_t i = sentence.WordCount - 3; i >= 0; --i) {
      const int32_t at = sentence.FirstWord + i;
      if (!isQuote(at) || !isQuote(at + 2)) continue;
      int32_t quotesBefore = 0;
      for (int32_t k = sentence.FirstWord; k < at; ++k) quotesBefore += isQuote(k) ? 1 : 0;
      if (quotesBefore % 2 != 0) continue;
      const int32_t removed = parse.Word(at).Length;
      for (int32_t k = at; k + 1 < sentence.FirstWord + sentence.WordCount; ++k) {
        parse.Word(k) = parse.Word(k + 1);
        parse.Word(k).Start -= removed;
      }
      --sentence.WordCount;
    }
  });

  // 4. Hyphenated compounds: words joined by "-" without blanks.
  ForEachSentence(parse, [&](TParsingSentence& sentence) {
    auto isWord = [&](int32_t k) {
      const int32_t id = parse.Word(sentence.FirstWord + k).WordId;
      if (id < 0 || id >= kPhraseBase) return false;
      const std::u16string text = TokenText(id);
      return !text.empty() && !IsQueryPunctuation(text[0]);
    };
    auto isDash = [&](int32_t k) { return TokenText(parse.Word(sentence.FirstWord + k).WordId) == u"-"; };
    auto joined = [&](int32_t k) {
      return Adjacent(parse.Word(sentence.FirstWord + k), parse.Word(sentence.FirstWord + k + 1));
    };
    int32_t k = 0;
    while (k < sentence.WordCount) {
      if (!isWord(k)) {
        ++k;
        continue;
      }
      int32_t last = k;
      while (last + 2 < sentence.WordCount && isDash(last + 1) && isWord(last + 2) && joined(last) &&
             joined(last + 1)) {
        last += 2;
      }
      if (last > k) AddPhrase(parse, sentence.FirstWord + k, sentence.FirstWord + last);
      k = last + 1;
    }
  });

  // 5. The compounds marked.
  s_.WordDictionary.FindPhrases(parse);
}

bool TQueryEntry::wordsToIndex(TParsingText& parse, bool silent, std::u16string& errorText) {
  wordsToIndex2(parse);
  TContentMap2& map = s_.ContentMap;
  map.TypedWords.clear();
  map.TypedWordCount = 0;
  // The search button and Enter put typed words into the query words also
  // while the map shows the excluded-words view.
  int32_t included = kKindQuery;
  int32_t excluded = kKindExcluded;
  if (map.ExcludedMode() && !QueryPhraseMode) std::swap(included, excluded);
  const TViewRect box = s_.View ? s_.View->Bounds(TMainControl::IComboBox1) : TViewRect();
  IControlKeys& steps = map.Steps();
  bool found = false;
  ForEachSentence(parse, [&](TParsingSentence& sentence) {
    for (int32_t k = 0; k < sentence.WordCount; ++k) {
      const TParsingWord& token = parse.Word(sentence.FirstWord + k);
      const int32_t id = token.WordId;
      if (id < 0) continue;
      const std::u16string text = TokenText(id);
      if (id < kPhraseBase && !text.empty() && IsQueryPunctuation(text[0])) continue;
      if (text.find_first_not_of(u'_') == std::u16string::npos) continue;
      found = true;
      map.TypedWords.push_back(id);
      ++map.TypedWordCount;
      map.NewKeysLeft = box.Left;
      map.NewKeysTop = box.Top;
      bool afterMinus = false;
      if (k > 0) {
        const TParsingWord& before = parse.Word(sentence.FirstWord + k - 1);
        afterMinus = Adjacent(before, token) && TokenText(before.WordId) == u"-";
      }
      if (!afterMinus) {
        steps.Remove(excluded, id, silent);
        steps.SetValue(included, id, 1.0f, silent);
        steps.SetValue(kKindSettings, kSettingNoQuery, 0.0f, silent);
        map.SetNoQueryMode(false);
      } else {
        steps.Remove(included, id, silent);
        steps.SetValue(excluded, id, kExcludedWeight, silent);
        if (s_.Config.Settings.ExcludeWithContext) s_.AddContextWordsOfKey(id);
      }
    }
  });
  s_.IContextMS1.AddWordsSearch(parse);
  if (!found) {
    s_.ShowMessage(MessageStrings.smIncorrect, MessageStrings.smError, platform::kMbOk);
    errorText = MessageStrings.smIncorrect;
    return false;
  }
  return true;
}

}  // namespace kestrune
