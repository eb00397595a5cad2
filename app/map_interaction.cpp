// The word map's side of the main window: its word events, its popup menu,
// the view switch, the preview of a hovered word, the context words and the
// window's small key and mouse handlers that act on the map.
#include "app/map_interaction.h"

#include <algorithm>
#include <exception>

#include "app/kestrune_session.h"
#include "core/log_file.h"
#include "core/message.h"
#include "core/message_strings.h"
#include "platform/message_box.h"
#include "platform/text.h"

namespace kestrune {

using platform::Utf8ToUtf16;

namespace {

bool HasId(const TControlKeyList& list, int32_t id) {
  return std::any_of(list.begin(), list.end(), [id](const TControlKeyCell& cell) { return cell.Key.Id == id; });
}

void ShowUnderConstruction(TKestruneSession& session) {
  session.ShowMessage(MessageStrings.smUnderconstruction, MessageStrings.smMes, platform::kMbOk);
}

}  // namespace

// ---------------------------------------------------------------------------
// The preview of a word

TWordPreview::TWordPreview(TCustomContentMap2& map, bool& autoRefresh, int32_t wordId)
    : map_(map), autoRefresh_(autoRefresh), wordId_(wordId), noQuery_(map.NoQueryMode()),
      savedAutoRefresh_(autoRefresh) {
  IControlKeys& steps = map_.Steps();
  if (noQuery_) {
    steps.ClearKind(kKindQuery, true);
    steps.ClearKind(kKindExcluded, true);
    map_.SetNoQueryMode(false);
  }
  autoRefresh_ = false;
  added_ = !HasId(steps.GetCurrent()[kKindQuery], wordId_);
  if (added_) steps.SetKey(kKindQuery, {wordId_, 1.0f}, true);
}

TWordPreview::~TWordPreview() {
  if (added_) map_.Steps().Remove(kKindQuery, wordId_, true);
  autoRefresh_ = savedAutoRefresh_;
  map_.SetNoQueryMode(noQuery_);
}

// ---------------------------------------------------------------------------
// The unit's state and the content map's events

void TMapInteraction::Clear() {
  MarkedGroup.clear();
  SelectedDocuments.clear();
  PreviewFlag = false;
  HoverSavedPage = 1;
}

void TMapInteraction::ShowPage() { s_.ShowResults(kEditNone, kPageModeChosen); }

void TMapInteraction::LeavePopupState() {
  if (s_.MapView) s_.MapView->LeaveState(IMapViewOps::kStatePopup);
}

void TMapInteraction::Rebuild() {
  s_.ResetPageNumbers();
  // A web index added for a search is dropped, and the network of the
  // history file comes back.
  if (s_.IIndexer1.RemoveLast(u"IInternet") == 0) {
    s_.IContextMS1.Clear();
    std::u16string base = s_.IHistory1.CurrentFile();
    const size_t dot = base.rfind(u'.');
    const size_t slash = base.rfind(u'/');
    if (dot != std::u16string::npos && (slash == std::u16string::npos || dot > slash)) base.resize(dot);
    if (!base.empty()) s_.IContextMS1.Open(base);
  }
  s_.ContentMap.BuildMap(false);
}

void TMapInteraction::ContentMapReGetData() {
  if (s_.MapView) s_.MapView->AnimateNewMap();
}

void TMapInteraction::ContentMapAllKeys(int32_t variant) {
  if (variant == IControlKeys::kChangeCut) {
    if (s_.View) s_.View->SetEnabled(TMainControl::IBitmapButtonRedo, false);
    return;
  }
  if ((variant != kKindQuery && variant != kKindExcluded) || s_.Steps.KeepingForward()) return;
  // The query changed: a new branch of the steps. The documents of the
  // searches undone before it are dropped once the current handler is done.
  s_.ContentMap.KeysUpdate = variant == kKindQuery ? 1 : 0;
  s_.Steps.CutForward();
  if (!s_.Project.HasUndoneSearches() || !s_.Steps.QueueCut()) return;
  auto cut = [this] {
    s_.Steps.CutDone();
    const size_t documents = s_.Project.Documents.size();
    const size_t stepKeys = s_.Project.StepKeys.size();
    s_.DropUndoneSearches();
    // The network was built again without them: so are the map and the page.
    if (s_.Project.Documents.size() != documents || s_.Project.StepKeys.size() != stepKeys) {
      Rebuild();
      ShowPage();
    }
  };
  if (s_.View) {
    s_.View->PostToUi(cut);
  } else {
    cut();
  }
}

void TMapInteraction::ContentMapVXlistOfKeys(const TNNKeys& keys) {
  ShowPage();
  if (s_.View) s_.View->SetVisible(TMainControl::EmbeddedWB1, true);
  MapKeyList = keys;
}

void TMapInteraction::ContentMapSelect(const std::vector<int32_t>& ids, bool selectDocuments) {
  if (s_.View) s_.View->SetCaption(Utf8ToUtf16(std::to_string(ids.size())));
  TNNKeys keys;
  for (int32_t id : ids) keys.push_back({id, 1.0f});
  SelectedDocuments.clear();
  if (selectDocuments && !keys.empty()) {
    int32_t count = 50;
    s_.IContextMS1.GetFiles(keys, TNNKeys(), count, SelectedDocuments, s_.Config.MatchSetting);
    SelectedDocuments.resize(static_cast<size_t>(std::max(count, 0)));
  }
  ShowPage();
}

bool TMapInteraction::IsMapStopWord(int32_t id) {
  if (id < 0 || id >= kPhraseBase) return false;
  const TWDWord* word = s_.WordDictionary.GetWord(id);
  if (word == nullptr) return false;
  if ((word->GetFlags() & TWDWord::kFlagMark) != 0) return true;
  // Another record of the same text (another dictionary's, another part of
  // speech) may carry the mark: the parse found only one of them.
  TWordVariant hit;
  if (s_.WordDictionary.FindFirst(platform::WideLowerCase(word->GetText()), hit, 0) <= 0) return false;
  for (int32_t other = hit.WordIndex; other >= 0; other = s_.WordDictionary.FindNext(hit)) {
    const TWDWord* record = s_.WordDictionary.GetWord(other);
    if (record != nullptr && (record->GetFlags() & TWDWord::kFlagMark) != 0) return true;
  }
  return false;
}

// ---------------------------------------------------------------------------
// The map view's word events

void TMapInteraction::DrawAndEventMap1SingleSelect(const TNNKey& key, int32_t variant, bool selected) {
  s_.SaveKeysUndoState();
  if (!selected) return;
  IControlKeys& steps = s_.ContentMap.Steps();
  if (variant == 0) {
    steps.ClearKind(kKindHovered);
    steps.SetKey(kKindQuery, {key.Id, 1.0f});
  } else if (variant == 1) {
    // In the scope view the union of the scopes is the query it refines.
    if (s_.ContentMap.NoQueryMode()) s_.TakeScopeUnionAsQuery();
    steps.Remove(kKindQuery, key.Id);
    steps.ClearKind(kKindHovered);
    steps.SetKey(kKindExcluded, {key.Id, kExcludedWeight});
  }
}

void TMapInteraction::DrawAndEventMap1GroupSelect(int32_t type, bool selected, const TNNKeys& keys) {
  IControlKeys& steps = s_.ContentMap.Steps();
  if (type == kGroupResized) s_.ContentMap.BuildMap(false);
  if (type == kGroupHover && !selected) {
    steps.ClearKind(kKindHovered);
    Rebuild();
  }
  if (type == kGroupMarked && !selected) {
    MarkedGroup.clear();
    s_.Entry.EditedKeyId = -1;
  }
  if (!selected) return;
  switch (type) {
    case kGroupAddToQuery:
    case kGroupExclude:
      ChangeQueryWords(type, keys);
      break;
    case kGroupHover:
      steps.ClearKind(kKindHovered);
      steps.ClearKind(kKindAnnounced);
      for (const TNNKey& key : keys) steps.SetKey(kKindHovered, {key.Id, 1.0f});
      HoverSavedPage = s_.Results.ResultPageNumber;
      Rebuild();
      break;
    case kGroupRebuild:
      s_.ContentMap.BuildMap(false);
      break;
    case kGroupMarked:
      MarkedGroup = keys;
      break;
    case kGroupQueryWordOff:
      ShowPage();
      break;
    default:
      break;
  }
}

TNNKeys TMapInteraction::WordsNewToQuery(const TNNKeys& keys) {
  const TControlKeyList& query = s_.ContentMap.Steps().GetCurrent()[kKindQuery];
  std::vector<std::u16string> texts;
  for (const TControlKeyCell& cell : query) texts.push_back(s_.ContentMapGetKeyName(cell.Key.Id));
  TNNKeys words;
  for (const TNNKey& key : keys) {
    const std::u16string text = s_.ContentMapGetKeyName(key.Id);
    if (HasId(query, key.Id) || (!text.empty() && std::find(texts.begin(), texts.end(), text) != texts.end())) {
      LogFile.Log("Map click: \"" + platform::Utf16ToUtf8(text) + "\" (" + std::to_string(key.Id) +
                  ") is in the query already; it is not added");
      continue;
    }
    texts.push_back(text);
    words.push_back(key);
  }
  return words;
}

void TMapInteraction::ChangeQueryWords(int32_t type, const TNNKeys& group) {
  IControlKeys& steps = s_.ContentMap.Steps();
  TCustomContentMap2& map = s_.ContentMap;
  // A word whose text the query holds (the same word, or another reading of
  // its text) adds nothing: no step, no change, no search. The map goes back
  // to what it showed before the click.
  const bool adding = type == kGroupAddToQuery && !map.NoQueryMode();
  const TNNKeys keys = adding ? WordsNewToQuery(group) : group;
  if (adding && keys.empty()) {
    map.SetRestoreBaseMap(true);
    map.BuildMap(false);
    return;
  }
  s_.SaveKeysUndoState();
  if (type == kGroupAddToQuery && map.NoQueryMode()) {
    steps.ClearKind(kKindQuery);
    steps.ClearKind(kKindExcluded);
    map.SetNoQueryMode(false);
    steps.SetValue(kKindSettings, kSettingNoQuery, 0.0f);
  }
  if (type == kGroupExclude) {
    // In the scope view the union of the scopes is the query it refines.
    if (map.NoQueryMode()) s_.TakeScopeUnionAsQuery();
    for (const TNNKey& key : keys) steps.Remove(kKindQuery, key.Id);
  }
  // The map animates from its present layout.
  map.SetPreviousKeys(map.Keys());
  steps.ClearKind(kKindHovered);
  for (const TNNKey& key : keys) {
    if (type == kGroupAddToQuery) {
      steps.SetKey(kKindQuery, {key.Id, 1.0f});
    } else {
      steps.SetKey(kKindExcluded, {key.Id, kExcludedWeight});
    }
  }
  // Excluding brings the word's context along: type 0 excludes in the
  // excluded-words view, type 1 in the query view.
  if (s_.Config.Settings.ExcludeWithContext && map.ExcludedMode() == (type == kGroupAddToQuery)) {
    for (const TNNKey& key : keys) AddContextWordsOfKey(key.Id);
  }
  // A clicked word joins the query as the documents read its text.
  s_.ReadQueryKeysAsTheDocuments();
  Rebuild();
  ShowPage();
}

void TMapInteraction::DrawAndEventMap1MouseClickByWord(const TNNKey& key, int32_t variant) {
  if (MapEditMode) {
    s_.Edits.EditPanel.WordClick(key.Id, variant);
    return;
  }
  s_.AdvertsReady();
  s_.StartAdvertSearch(u"", 1);
}

void TMapInteraction::DrawAndEventMap1Click() {
  if (s_.ContentMap.KeyCount() > 0) {
    s_.HideQueryBox();
    s_.ContentMap.ClearHighlights();
    s_.ContentMap.ApplyStyles();
    if (s_.MapView) s_.MapView->LoadKeysAndDraw();
  } else if (s_.IsQueryBoxVisible()) {
    s_.View->SetFocus(TMainControl::IComboBox1);
  }
}

void TMapInteraction::DrawAndEventMap1DblClick(int32_t x, int32_t y, bool wordUnderCursor) {
  TCustomContentMap2& map = s_.ContentMap;
  if (map.KeyCount() == 0) return;
  if (s_.MapView && (s_.MapView->State() & IMapViewOps::kStateBusy) != 0) return;
  if (s_.IsQueryBoxVisible() && (map.ExcludedMode() || map.Steps().GetCurrent()[kKindQuery].empty())) {
    s_.View->SetFocus(TMainControl::IComboBox1);
  }
  if (wordUnderCursor) return;
  if (s_.View) s_.View->SetQueryText(u"");
  PlaceQueryBox(x, y, true);
  if (s_.MapView) s_.MapView->RedrawDirty();
}

void TMapInteraction::DrawAndEventMap1MouseUp() {
  if (s_.IsQueryBoxVisible()) s_.View->SetFocus(TMainControl::IComboBox1);
}

void TMapInteraction::DrawAndEventMap1MouseToWord(const TNNKey& key, int32_t variant) {
  try {
    const int32_t id = key.Id;
    if (id >= 1 && id < s_.WordDictionary.Count() && (static_cast<uint32_t>(variant) & KF_MARKED) == 0) {
      s_.Results.PageResults.SetHoverWord(id, s_.ContentMap.ExcludedMode() ? kHoverExcludes : kHoverAdds);
      {
        const TWordPreview preview(s_.ContentMap, s_.Config.Settings.AutoRefresh, id);
        s_.OrderPageDocuments();
        ShowPage();
      }
      s_.Results.EmptyRefreshes = 0;
      s_.StartAdvertSearch(s_.AdvertHoverText(id), 1);
    } else {
      s_.Results.PageResults.SetHoverWord(-1, kHoverNone);
      s_.AdvertsReady();
    }
  } catch (const std::exception&) {
    LogFile.Log("TFKestruneMain.DrawAndEventMap1MouseToWord. Parametrs: Key.Key" + std::to_string(key.Id), 2);
  }
}

void TMapInteraction::DrawAndEventMap1MouseOutWord(const TNNKey& key) {
  try {
    s_.Results.PageResults.SetHoverWord(-1, kHoverNone);
    s_.StartAdvertSearch(u"", 1);
  } catch (const std::exception&) {
    LogFile.Log("TFKestruneMain.DrawAndEventMap1MouseOutWord. Parametrs: Key.Key" + std::to_string(key.Id), 2);
  }
}

void TMapInteraction::PreviewWordResults() {
  const TKeys& keys = s_.ContentMap.Keys();
  const auto carried =
      std::find_if(keys.begin(), keys.end(), [](const TKey& k) { return (k.Flags & KF_CARRIED) != 0; });
  if (carried == keys.end()) return;
  {
    const TWordPreview preview(s_.ContentMap, s_.Config.Settings.AutoRefresh, carried->Id);
    if (preview.Added()) {
      PreviewFlag = true;
      s_.OrderPageDocuments();
      ShowPage();
    }
  }
  s_.Results.EmptyRefreshes = 0;
}

void TMapInteraction::MouseOutsideMap() { s_.Results.PageResults.SetHoverWord(-1, kHoverNone); }

void TMapInteraction::MapHoverEnd() {
  Rebuild();
  s_.Results.ResultPageNumber = HoverSavedPage;
  // The hover is over: the page's query line no longer shows the word (the
  // map's mouse-out event, which clears it too, comes after this page).
  s_.Results.PageResults.SetHoverWord(-1, kHoverNone);
  ShowPage();
  PreviewFlag = false;
}

void TMapInteraction::AddContextWordsOfKey(int32_t wordId) {
  IControlKeys& steps = s_.ContentMap.Steps();
  int32_t count = 15;
  TNNKeys related;
  {
    // As the map asks: without the word layer's budget, which on a large
    // project would cut every word at 0.01.
    const TWordBudgetScope noBudget(s_.IContextMS1, TIContextMS::kNoBudget);
    s_.IContextMS1.GetWords({{wordId, 1.0f}}, TNNKeys(), count, related, 0, 0.01f);
  }
  related.resize(static_cast<size_t>(std::clamp<int32_t>(count, 0, static_cast<int32_t>(related.size()))));
  const bool excludedView = s_.ContentMap.ExcludedMode();
  const int32_t excludedKind = excludedView ? kKindQuery : kKindExcluded;
  for (const TNNKey& word : related) {
    if (word.Id == wordId || HasId(steps.GetCurrent()[s_.QueryKind()], word.Id) ||
        HasId(steps.GetCurrent()[excludedKind], word.Id)) {
      continue;
    }
    const float weight = excludedView ? 1.0f : kExcludedWeight - 1.0f + std::clamp(word.Weight, 0.0f, 1.0f);
    steps.SetKey(excludedKind, {word.Id, weight});
  }
}

// ---------------------------------------------------------------------------
// The map's popup menu

TMapPopupItems TMapInteraction::MapPopupItems(bool groupMarked, bool noQuery, bool excludedView, bool firstIsKind0,
                                              bool scopes) {
  TMapPopupItems items;
  if (!groupMarked) {
    items.pmShowEntryField = scopes;
    items.pmScope = scopes;
    return items;
  }
  if (noQuery) {
    items.pmAdd = true;
    items.pmAddToStopWords = true;
  } else if (excludedView && firstIsKind0) {
    items.pmAdd = true;
    items.pmRemoveFromExcluded = true;
    items.pmEditWord = true;
  } else if (!excludedView && firstIsKind0) {
    items.pmExclude = true;
    items.pmEditWord = true;
    items.pmRemovefromquery = true;
  } else {
    items.pmAdd = true;
    items.pmExclude = true;
    items.pmAddToStopWords = true;
  }
  items.pmEditElement = true;
  return items;
}

TMapPopupItems TMapInteraction::PopupMenu1Popup() {
  s_.HideQueryBox();
  const TCustomContentMap2& map = s_.ContentMap;
  const bool firstIsKind0 =
      !MarkedGroup.empty() && HasId(map.Steps().GetCurrent()[kKindQuery], MarkedGroup.front().Id);
  return MapPopupItems(!MarkedGroup.empty(), map.NoQueryMode(), map.ExcludedMode(), firstIsKind0,
                       s_.Project.Scope.Count() > 0);
}

void TMapInteraction::EndPopupHover() {
  s_.ContentMap.Steps().ClearKind(kKindHovered);
  s_.ContentMap.SetHoveredKey(-1);
  // The page's query line no longer shows the word as if it were added.
  s_.Results.PageResults.SetHoverWord(-1, kHoverNone);
}

void TMapInteraction::pmAddClick(int32_t popupWord) {
  EndPopupHover();
  if (popupWord >= 0 && popupWord < s_.ContentMap.KeyCount()) s_.ContentMap.SetAnchorKey(popupWord);
  const TNNKeys group = MarkedGroup;
  DrawAndEventMap1GroupSelect(s_.ContentMap.ExcludedMode() ? kGroupExclude : kGroupAddToQuery, true, group);
  LeavePopupState();
}

void TMapInteraction::pmAddToStopWordsClick() {
  if (!MarkedGroup.empty()) {
    const int32_t id = MarkedGroup.front().Id;
    s_.SaveKeysUndoState();
    s_.MakeStopWord(id);
    s_.Steps.RecordStopWordMade(id);
    Rebuild();
    ShowPage();
  }
  LeavePopupState();
}

void TMapInteraction::pmEditWordClick(int32_t x, int32_t y) {
  if (!MarkedGroup.empty()) {
    const int32_t id = MarkedGroup.front().Id;
    s_.Entry.EditedKeyId = id;
    std::u16string text = s_.ContentMapGetKeyName(id);
    if (id >= kPhraseBase) text = u"\"" + text + u"\"";
    if (s_.View) s_.View->SetQueryText(text);
    PlaceQueryBox(x, y, false);
  }
  LeavePopupState();
}

void TMapInteraction::pmRemoveFromExcludedClick() {
  if (!MarkedGroup.empty()) {
    s_.SaveKeysUndoState();
    EndPopupHover();
    s_.ContentMap.Steps().Remove(kKindQuery, MarkedGroup.front().Id);
    Rebuild();
    ShowPage();
  }
  LeavePopupState();
}

void TMapInteraction::pmExcludeClick() {
  // The words are those the popup was opened for (the marked group): the
  // hover that ends here may have rebuilt the map under the open menu.
  if (s_.ContentMap.HoveredKey() >= 0) EndPopupHover();
  LeavePopupState();
  const TNNKeys group = MarkedGroup;
  if (group.empty()) return;
  DrawAndEventMap1GroupSelect(s_.ContentMap.ExcludedMode() ? kGroupAddToQuery : kGroupExclude, true, group);
}

void TMapInteraction::pmScopeClick() {
  if (s_.ContentMap.NoQueryMode()) return;
  s_.SaveKeysUndoState();
  s_.ContentMap.SetNoQueryMode(true);
  s_.ContentMap.Steps().SetValue(kKindSettings, kSettingNoQuery, 1.0f);
  Rebuild();
  ShowPage();
}

void TMapInteraction::pmEditElementClick() {
  LeavePopupState();
  if (MarkedGroup.empty()) return;
  if (s_.Hooks.OnEditElement) {
    s_.Hooks.OnEditElement(MarkedGroup.front());
  } else {
    LogFile.Log("Edit Element: no network editor is bound", 1);
  }
}

void TMapInteraction::N2Click() { s_.ActSearchExecute(); }

void TMapInteraction::N3Click() { ShowUnderConstruction(s_); }

void TMapInteraction::N4Click() { ShowUnderConstruction(s_); }

void TMapInteraction::N6Click() {
  LeavePopupState();
  s_.ContentMap.DeleteFlaggedKeys();
  Rebuild();
}

void TMapInteraction::N8Click() {
  s_.ContentMap.RemoveOverlaps = !s_.ContentMap.RemoveOverlaps;
  ShowUnderConstruction(s_);
}

void TMapInteraction::r1Click() {
  s_.ContentMap.Distribute = !s_.ContentMap.Distribute;
  Rebuild();
}

// ---------------------------------------------------------------------------
// The view switch

void TMapInteraction::IBitmapButton2Click() {
  if (s_.View) {
    if (s_.View->Down(TMainControl::IBitmapButton2)) return;
    s_.View->SetDown(TMainControl::IBitmapButton2, true);
    s_.View->SetDown(TMainControl::IBitmapButton4, false);
  }
  excludeAClick();
}

void TMapInteraction::ExcludedWordsButtonClick() {
  if (s_.View) {
    if (s_.View->Down(TMainControl::IBitmapButton4)) return;
    s_.View->SetDown(TMainControl::IBitmapButton4, true);
    s_.View->SetDown(TMainControl::IBitmapButton2, false);
  }
  excludeAClick();
}

void TMapInteraction::IBitmapButton4Click() {
  if (s_.View && s_.View->Down(TMainControl::IBitmapButton4)) return;
  excludeAClick();
  if (s_.View) {
    s_.View->SetDown(TMainControl::IBitmapButton4, s_.ContentMap.ExcludedMode());
    s_.View->SetDown(TMainControl::IBitmapButton2, !s_.ContentMap.ExcludedMode());
  }
}

void TMapInteraction::excludeAClick() {
  ToggleExcludedView();
  if (s_.MapView) s_.MapView->Relayout();
}

void TMapInteraction::ToggleExcludedView() {
  TCustomContentMap2& map = s_.ContentMap;
  if (!map.ExcludedMode() && map.Steps().GetCurrent()[kKindExcluded].empty()) return;
  map.SetHoveredKey(-1);
  map.SetAnchorKey(-1);
  map.SetClickedKey(-1);
  map.SetExcludedMode(!map.ExcludedMode());
  if (map.ExcludedMode()) {
    s_.HideQueryBox();
    map.ClearHighlights();
    map.ApplyStyles();
  }
  s_.SwapQueryAndExcluded();
  for (TKey& key : map.Keys()) map.MeasureKey(key);
  if (s_.MapView) s_.MapView->ResetBackground();
  Rebuild();
}

void TMapInteraction::LeaveExcludedView() {
  if (s_.ContentMap.ExcludedMode()) {
    s_.ContentMap.SetExcludedMode(false);
    s_.SwapQueryAndExcluded();
  }
  if (s_.View) {
    s_.View->SetDown(TMainControl::IBitmapButton2, true);
    s_.View->SetDown(TMainControl::IBitmapButton4, false);
  }
}

// ---------------------------------------------------------------------------
// The query box on the map

void TMapInteraction::PlaceQueryBox(int32_t x, int32_t y, bool withSearchButton) {
  IMainView* view = s_.View;
  if (!view) return;
  TViewRect box = view->Bounds(TMainControl::IComboBox1);
  const TMainControl buttonControl = withSearchButton ? TMainControl::BBtnSearch : TMainControl::BBtnSearch2;
  const int32_t width = box.Width + view->Bounds(buttonControl).Width + 15;
  if (x + width >= view->MapWidth()) x = view->MapWidth() - width;
  if (y + box.Height >= view->MapHeight()) {
    y = view->MapHeight() - box.Height;
  } else if (y < box.Height) {
    y = 0;
  }
  box.Left = std::max(x, 0);
  box.Top = std::max(y, 0);
  view->SetBounds(TMainControl::IComboBox1, box);
  TViewRect picture = view->Bounds(TMainControl::querybitmap);
  const TViewPoint offset = view->QueryPictureOffset();
  picture.Left = box.Left + offset.X;
  picture.Top = box.Top + offset.Y;
  view->SetBounds(TMainControl::querybitmap, picture);
  for (TMainControl button : {TMainControl::BBtnSearch, TMainControl::BBtnSearch2}) {
    TViewRect bounds = view->Bounds(button);
    bounds.Left = box.Left + box.Width + 15;
    bounds.Top = box.Top + offset.Y;
    view->SetBounds(button, bounds);
  }
  view->SetVisible(TMainControl::IComboBox1, true);
  view->SetVisible(TMainControl::querybitmap, true);
  view->SetVisible(TMainControl::BBtnSearch, withSearchButton);
  view->SetVisible(TMainControl::BBtnSearch2, !withSearchButton);
  view->SetFocus(TMainControl::IComboBox1);
}

// ---------------------------------------------------------------------------
// The window's keys and mouse

void TMapInteraction::FormKeyDownEscape() {
  if (s_.ContentMap.Steps().GetCurrent()[kKindQuery].empty()) return;
  s_.HideQueryBox();
  s_.ContentMap.ClearHighlights();
  s_.ContentMap.ApplyStyles();
  if (s_.MapView) s_.MapView->LoadKeysAndDraw();
}

void TMapInteraction::FormKeyUp(bool ctrl) {
  if (ctrl && s_.ContentMap.DeferredRebuild) Rebuild();
  s_.ContentMap.DeferredRebuild = false;
}

void TMapInteraction::ApplicationMouseDown() {
  s_.ContentMap.ClearHighlights();
  s_.ContentMap.ApplyStyles();
  if (s_.MapView && (s_.MapView->State() & IMapViewOps::kStatePopup) != 0) LeavePopupState();
}

void TMapInteraction::Button1Click() {
  TCustomContentMap2& map = s_.ContentMap;
  map.BeginUpdate();
  for (int32_t i = 0; i < map.KeyCount(); ++i) {
    TCMKey& key = map.GetKey(i);
    key.SetFlags(key.GetFlags() & ~(KF_HOVERED | KF_CARRIED | KF_CONTEXT));
  }
  map.EndUpdate();
}

}  // namespace kestrune
