// The search entry of TKestruneSession: every query enters here, from the
// search button, Enter in the query box, a change of engine, "Refresh" and
// the search action; and the query turns back into text.
#include <algorithm>
#include <cmath>

#include "app/kestrune_session.h"
#include "app/query_words.h"
#include "core/message_strings.h"
#include "platform/message_box.h"
#include "platform/text.h"

namespace kestrune {

using platform::Utf16ToUtf8;
using platform::Utf8ToUtf16;

namespace {

// The text of a key as the query shows it: a word in the form the user wrote
// it, a phrase between double quotes; empty when the key names nothing.
std::u16string KeyText(TKestruneSession& session, int32_t id) {
  std::u16string text = session.ContentMapGetKeyName(id);
  if (text.empty() || id < kPhraseBase) return text;
  return u"\"" + text + u"\"";
}

}  // namespace

std::u16string TKestruneSession::GetQueryTextPart(int32_t part) {
  std::u16string text;
  if (part == 0) return GetQueryText();
  TNNKeys keys;
  if (part == 1) {
    GetStepKeys(keys, QueryKind());
    for (const TNNKey& key : keys) {
      const std::u16string word = KeyText(*this, key.Id);
      if (!word.empty()) text += word + u" ";
    }
    if (!text.empty()) text.pop_back();
  } else if (part == -1) {
    GetStepKeys(keys, ExcludedKind());
    for (const TNNKey& key : keys) {
      const std::u16string word = KeyText(*this, key.Id);
      if (!word.empty()) text += u" -" + word;
    }
  }
  return text;
}

std::u16string TKestruneSession::GetQueryText() {
  if (ContentMap.NoQueryMode()) return u"";
  return GetQueryTextPart(1) + GetQueryTextPart(-1);
}

void TKestruneSession::HideQueryBox() {
  for (TMainControl control :
       {TMainControl::IComboBox1, TMainControl::querybitmap, TMainControl::BBtnSearch, TMainControl::BBtnSearch2}) {
    SetVisible(control, false);
  }
}

void TKestruneSession::CenterQueryBox(bool withSearchButton) {
  if (!View) return;
  TViewRect box = View->Bounds(TMainControl::IComboBox1);
  box.Left = static_cast<int32_t>(std::nearbyint(View->MapWidth() / 2.0 - box.Width / 2.0));
  box.Top = static_cast<int32_t>(std::nearbyint(View->MapHeight() / 2.0 - box.Height / 2.0));
  if (withSearchButton) {
    // The box with its picture and BBtnSearch alone, as the box is placed
    // at any point of the map.
    PlaceQueryBox(box.Left, box.Top, true);
    return;
  }
  View->SetBounds(TMainControl::IComboBox1, box);
  View->SetVisible(TMainControl::IComboBox1, true);
  View->SetVisible(TMainControl::querybitmap, true);
  View->SetFocus(TMainControl::IComboBox1);
}

void TKestruneSession::SubmitQuery() {
  // 1. A hovered word ends its hover first.
  if (ContentMap.HoveredKey() >= 0 && MapView) MapView->HoverOut();

  // 2.-3. A new query when nothing is asked yet.
  const bool newQuery = GetQueryText().empty() && !ContentMap.NoQueryMode();
  ClearParsingText(QueryParse);
  if (View) View->SetCaption(Config.MainCaption());
  const std::u16string typed = View ? View->QueryText() : std::u16string();

  // 4. A new query goes to the top of the query box's list, once.
  if (newQuery && View && View->Visible(TMainControl::IComboBox1) && !typed.empty()) {
    std::erase(QueryItems, typed);
    QueryItems.insert(QueryItems.begin(), typed);
    View->SetQueryItems(QueryItems);
    View->SetQueryText(typed);
  }

  // 5. Busy.
  if (View) View->SetText(TMainControl::Label1, u"");
  SetVisible(TMainControl::IProgressBar1, true);
  SetVisible(TMainControl::TntLabel1, true);
  SetVisible(TMainControl::ibitmap27, true);
  if (MapView) MapView->RedrawDirty();

  // 6.-11. The text becomes keys; the map, and a download or the page.
  [&] {
    if (typed.empty()) return;
    IControlKeys& steps = ContentMap.Steps();
    if (EditedKeyId >= 0) {
      steps.Remove(kKindQuery, EditedKeyId);
      EditedKeyId = -1;
    }
    TextParsing.Parse(typed);
    QueryParse = TextParsing.ParsingText();
    FormsStore.TakeForms(QueryParse);
    if (!Project.Documents.empty()) SaveKeysUndoState();
    if (ContentMap.NoQueryMode()) {
      steps.ClearKind(kKindQuery);
      steps.ClearKind(kKindExcluded);
    }
    std::u16string error;
    if (!wordsToIndex(QueryParse, false, error)) {
      if (View) View->SetQueryText(u"");
      TNNKeys queryWords;
      GetStepKeys(queryWords, QueryKind());
      if (queryWords.empty()) {
        IBitmapButtonNewClick();
      } else {
        CenterQueryBox(false);
      }
      return;
    }
    TNNKeys queryWords;
    GetStepKeys(queryWords, QueryKind());
    if (queryWords.empty()) {
      TNNKeys excludedWords;
      GetStepKeys(excludedWords, ExcludedKind());
      if (excludedWords.empty()) return;
      if (Project.Documents.empty()) {
        // Only exclusions and nothing found yet: nothing to search for.
        ClearProject();
        ShowResults(kEditNone, kPageModeChosen);
        return;
      }
      // Only exclusions over the project's documents: they refine the
      // view's query, in the scope view the union of the scopes.
      if (!ContentMap.ExcludedMode()) TakeScopeUnionAsQuery();
      HideQueryBox();
      ContentMapReGenerate();
      ShowResults(kEditNone, kPageModeChosen);
      StartAdvertSearch(u"", 1);
      return;
    }
    HideQueryBox();
    ContentMapReGenerate();
    if (!newQuery) {
      ShowResults(kEditNone, kPageModeChosen);
      StartAdvertSearch(u"", 1);
    }
    if (View) {
      const TViewRect box = View->Bounds(TMainControl::IComboBox1);
      TViewRect button = View->Bounds(TMainControl::BBtnSearch);
      button.Left = box.Left + box.Width + 15;
      View->SetBounds(TMainControl::BBtnSearch, button);
    }
    if (newQuery) StartNewSearch();
  }();

  // 12. Not busy: also when the entry ended early, so that the busy signs
  // never stay up.
  SetVisible(TMainControl::IProgressBar1, false);
  SetVisible(TMainControl::TntLabel1, false);
  SetVisible(TMainControl::ibitmap27, false);
}

void TKestruneSession::BBtnSearchClick() {
  QueryPhraseMode = ContentMap.ExcludedMode();
  SubmitQuery();
  QueryPhraseMode = false;
  if (View) View->SetFocus(TMainControl::EmbeddedWB1);
}

void TKestruneSession::QueryBoxEnter() {
  QueryPhraseMode = ContentMap.ExcludedMode();
  SubmitQuery();
  QueryPhraseMode = false;
}

void TKestruneSession::QueryKeyUp(int32_t key) {
  if (key == 13) SubmitQuery();
}

void TKestruneSession::BtnMetasearchClick() {
  SaveKeysUndoState();
  StartNewSearch();
  SetEnabled(TMainControl::IBitmapButtonUndo, true);
}

void TKestruneSession::ActSearchExecute() {
  if (IContextMS1.OnlyWords()) return;
  MapWordRefresh();
  RefreshClusterTable();
  ContentMap.SendEmptyKeyList();
}

void TKestruneSession::CBWebSite2Change(std::u16string_view chosen) {
  // The current engine as it is when the box is set back (the options form
  // may have changed it).
  auto selectCurrent = [&] {
    if (!View) return;
    const std::u16string current = platform::WideLowerCase(Utf8ToUtf16(Config.Settings.website));
    for (size_t i = 0; i < Config.EngineBoxItems.size(); ++i) {
      if (platform::WideLowerCase(Config.EngineBoxItems[i]) == current) {
        View->SelectEngineItem(static_cast<int32_t>(i));
        return;
      }
    }
  };
  // 1. "More engines" opens the options.
  if (chosen == MessageStrings.smMoreEngines) {
    if (View) View->ShowOptionsForm(true);
    selectCurrent();
    return;
  }
  const std::string name = Utf16ToUtf8(chosen);
  const bool changed = name != Config.Settings.website || Config.EngineChangePending;
  if (changed) {
    const bool hasQuery = ContentMap.NoQueryMode() || !GetQueryText().empty();
    if (hasQuery) {
      // 2. Ask what happens to the query.
      const int32_t answer = View ? View->AskChangeEngine() : platform::kIdCancel;
      if (answer == platform::kIdYes) {
        // The same query anew with the new engine (ClearProject resets the
        // engine, which zeroes its query counter).
        Config.MakeEngineCurrent(name);
        const std::u16string text =
            ContentMap.NoQueryMode() ? Project.Scope.GetQueryText(Project.Scope.CurrentIndex()) : GetQueryText();
        ClearProject();
        Project.Scope.Clear();
        if (View) View->SetQueryText(text);
        SubmitQuery();
      } else if (answer == platform::kIdNo) {
        if (MapView) MapView->LeaveState(IMapViewOps::kStatePopup);
        if (View) View->SetQueryText(u"");
        Config.MakeEngineCurrent(name);
        StartPageFlags = {false, false};
        const bool askForSave = Config.Settings.askforsave;
        Config.Settings.askforsave = false;
        IBitmapButtonNewClick();
        Config.Settings.askforsave = askForSave;
      } else {
        // Cancel: the old engine stays, and so does the pending change.
        selectCurrent();
        return;
      }
    } else {
      // 3. Nothing asked yet: the engine changes and the page is shown.
      Config.MakeEngineCurrent(name);
      StartPageFlags = {false, false};
      ClearProject();
      ShowResults(kEditNone, kPageModeChosen);
    }
  }
  // 4.
  if (View && View->Visible(TMainControl::IComboBox1)) View->SetFocus(TMainControl::IComboBox1);
  Config.EngineChangePending = false;
}

void TKestruneSession::QueryChange() {
  if (!View) return;
  // The box at least 120 pixels wide, the search button beside it.
  TViewRect box = View->Bounds(TMainControl::IComboBox1);
  if (box.Width < 120) {
    box.Width = 120;
    View->SetBounds(TMainControl::IComboBox1, box);
  }
  TViewRect button = View->Bounds(TMainControl::BBtnSearch);
  button.Left = box.Left + box.Width + 15;
  View->SetBounds(TMainControl::BBtnSearch, button);
  const std::u16string typed = View->QueryText();
  if (!QueryItems.empty() && QueryItems.front().compare(0, typed.size(), typed) != 0) View->CloseQueryDropDown();

  // Every map word that the typed text names is highlighted.
  ContentMap.ClearHighlights();
  for (const std::u16string& word : QueryTextWords(typed)) {
    TWordVariant hit;
    if (WordDictionary.FindFirst(platform::WideLowerCase(word), hit, 0) <= 0) continue;
    for (int32_t id = hit.WordIndex; id >= 0; id = WordDictionary.FindNext(hit)) ContentMap.HighlightKey(id);
  }
  if (MapView) MapView->LoadKeysAndDraw();
}

}  // namespace kestrune
