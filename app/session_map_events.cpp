// The word map's events in TKestruneSession: words added, excluded, hovered
// and marked on the map, its popup menu, the switch between the query view
// and the excluded-words view, the preview of a hovered word, the context
// words excluded with a word and the recommended exclusions of the page.
#include <algorithm>
#include <exception>
#include <unordered_set>

#include "app/kestrune_session.h"
#include "core/log_file.h"
#include "core/message_strings.h"
#include "platform/text.h"

namespace kestrune {

using platform::Utf16ToUtf8;
using platform::Utf8ToUtf16;

namespace {

bool HasId(const TControlKeyList& list, int32_t id) {
  return std::any_of(list.begin(), list.end(), [id](const TControlKeyCell& cell) { return cell.Key.Id == id; });
}

// Percent-encodes the UTF-8 of a text for an href (unreserved bytes stay).
std::u16string HrefEncoded(std::u16string_view text) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  std::u16string out;
  for (const char c : Utf16ToUtf8(text)) {
    const auto b = static_cast<unsigned char>(c);
    if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '-' || b == '.' ||
        b == '_' || b == '~') {
      out += static_cast<char16_t>(b);
    } else {
      out += u'%';
      out += kHex[b >> 4];
      out += kHex[b & 15];
    }
  }
  return out;
}

}  // namespace

void TKestruneSession::DrawAndEventMap1SingleSelect(const TNNKey& key, int32_t variant, bool selected) {
  SaveKeysUndoState();
  if (!selected) return;
  IControlKeys& steps = ContentMap.Steps();
  if (variant == 0) {
    steps.ClearKind(kKindHovered);
    steps.SetKey(kKindQuery, {key.Id, 1.0f});
  } else if (variant == 1) {
    // In the scope view the union of the scopes is the query it refines.
    if (ContentMap.NoQueryMode()) TakeScopeUnionAsQuery();
    steps.Remove(kKindQuery, key.Id);
    steps.ClearKind(kKindHovered);
    steps.SetKey(kKindExcluded, {key.Id, kExcludedWeight});
  }
}

void TKestruneSession::DrawAndEventMap1GroupSelect(int32_t, int32_t type, bool selected, const TNNKeys& keys) {
  IControlKeys& steps = ContentMap.Steps();
  if (type == kGroupResized) ContentMap.BuildMap(false);
  if (type == kGroupHover && !selected) {
    steps.ClearKind(kKindHovered);
    ContentMapReGenerate();
  }
  if (type == kGroupMarked && !selected) {
    MarkedGroup.clear();
    EditedKeyId = -1;
  }
  if (!selected) return;
  switch (type) {
    case kGroupAddToQuery:
    case kGroupExclude: {
      SaveKeysUndoState();
      if (type == kGroupAddToQuery && ContentMap.NoQueryMode()) {
        steps.ClearKind(kKindQuery);
        steps.ClearKind(kKindExcluded);
        ContentMap.SetNoQueryMode(false);
        steps.SetValue(kKindSettings, kSettingNoQuery, 0.0f);
      }
      if (type == kGroupExclude) {
        // In the scope view the union of the scopes is the query it refines.
        if (ContentMap.NoQueryMode()) TakeScopeUnionAsQuery();
        for (const TNNKey& key : keys) steps.Remove(kKindQuery, key.Id);
      }
      // The map animates from its present layout.
      ContentMap.SetPreviousKeys(ContentMap.Keys());
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
      if (Config.Settings.ExcludeWithContext && ContentMap.ExcludedMode() == (type == kGroupAddToQuery)) {
        for (const TNNKey& key : keys) AddContextWordsOfKey(key.Id);
      }
      ContentMapReGenerate();
      ShowResults(kEditNone, kPageModeChosen);
      break;
    }
    case kGroupHover:
      steps.ClearKind(kKindHovered);
      steps.ClearKind(kKindAnnounced);
      for (const TNNKey& key : keys) steps.SetKey(kKindHovered, {key.Id, 1.0f});
      HoverSavedPage = ResultPageNumber;
      ContentMapReGenerate();
      break;
    case kGroupRebuild:
      ContentMap.BuildMap(false);
      break;
    case kGroupMarked:
      MarkedGroup = keys;
      break;
    case kGroupQueryWordOff:
      ShowResults(kEditNone, kPageModeChosen);
      break;
    default:
      break;
  }
}

void TKestruneSession::DrawAndEventMap1MouseClickByWord(const TNNKey& key, int32_t variant, bool) {
  if (MapEditMode) {
    if (OnEditPanelWordClick) {
      OnEditPanelWordClick(key, variant);
    } else {
      LogFile.Log("The network edit panel is not available yet");
    }
    return;
  }
  AdvertsReady();
  StartAdvertSearch(u"", 1);
}

void TKestruneSession::DrawAndEventMap1Click() {
  if (ContentMap.KeyCount() > 0) {
    HideQueryBox();
    ContentMap.ClearHighlights();
    ContentMap.ApplyStyles();
    if (MapView) MapView->LoadKeysAndDraw();
  } else if (IsQueryBoxVisible()) {
    View->SetFocus(TMainControl::IComboBox1);
  }
}

void TKestruneSession::DrawAndEventMap1DblClick(int32_t x, int32_t y, bool wordUnderCursor) {
  if (ContentMap.KeyCount() == 0) return;
  if (MapView && (MapView->State() & IMapViewOps::kStateBusy) != 0) return;
  if (IsQueryBoxVisible() &&
      (ContentMap.ExcludedMode() || ContentMap.Steps().GetCurrent()[kKindQuery].empty())) {
    View->SetFocus(TMainControl::IComboBox1);
  }
  if (wordUnderCursor) return;
  if (View) View->SetQueryText(u"");
  PlaceQueryBox(x, y, true);
  if (MapView) MapView->RedrawDirty();
}

void TKestruneSession::DrawAndEventMap1MouseUp() {
  if (IsQueryBoxVisible()) View->SetFocus(TMainControl::IComboBox1);
}

void TKestruneSession::PlaceQueryBox(int32_t x, int32_t y, bool withSearchButton) {
  if (!View) return;
  TViewRect box = View->Bounds(TMainControl::IComboBox1);
  const TMainControl buttonControl = withSearchButton ? TMainControl::BBtnSearch : TMainControl::BBtnSearch2;
  const int32_t width = box.Width + View->Bounds(buttonControl).Width + 15;
  if (x + width >= View->MapWidth()) x = View->MapWidth() - width;
  if (y + box.Height >= View->MapHeight()) {
    y = View->MapHeight() - box.Height;
  } else if (y < box.Height) {
    y = 0;
  }
  box.Left = std::max(x, 0);
  box.Top = std::max(y, 0);
  View->SetBounds(TMainControl::IComboBox1, box);
  TViewRect picture = View->Bounds(TMainControl::querybitmap);
  picture.Left = box.Left;
  picture.Top = box.Top;
  View->SetBounds(TMainControl::querybitmap, picture);
  for (TMainControl button : {TMainControl::BBtnSearch, TMainControl::BBtnSearch2}) {
    TViewRect bounds = View->Bounds(button);
    bounds.Left = box.Left + box.Width + 15;
    bounds.Top = box.Top;
    View->SetBounds(button, bounds);
  }
  View->SetVisible(TMainControl::IComboBox1, true);
  View->SetVisible(TMainControl::querybitmap, true);
  View->SetVisible(TMainControl::BBtnSearch, withSearchButton);
  View->SetVisible(TMainControl::BBtnSearch2, !withSearchButton);
  View->SetFocus(TMainControl::IComboBox1);
}

void TKestruneSession::DrawAndEventMap1MouseToWord(const TNNKey& key, int32_t variant) {
  try {
    const int32_t id = key.Id;
    if (id >= 1 && id < WordDictionary.Count() && (static_cast<uint32_t>(variant) & KF_MARKED) == 0) {
      IControlKeys& steps = ContentMap.Steps();
      const bool noQuery = ContentMap.NoQueryMode();
      if (noQuery) {
        steps.ClearKind(kKindQuery, true);
        steps.ClearKind(kKindExcluded, true);
        ContentMap.SetNoQueryMode(false);
      }
      PageResults.SetHoverWord(id, ContentMap.ExcludedMode() ? kHoverExcludes : kHoverAdds);
      const bool autoRefresh = Config.Settings.AutoRefresh;
      Config.Settings.AutoRefresh = false;
      const bool added = !HasId(steps.GetCurrent()[kKindQuery], id);
      if (added) steps.SetKey(kKindQuery, {id, 1.0f}, true);
      OrderPageDocuments();
      ShowResults(kEditNone, kPageModeChosen);
      if (added) steps.Remove(kKindQuery, id, true);
      Config.Settings.AutoRefresh = autoRefresh;
      EmptyRefreshes = 0;
      ContentMap.SetNoQueryMode(noQuery);
      StartAdvertSearch(AdvertHoverText(id), 1);
    } else {
      PageResults.SetHoverWord(-1, kHoverNone);
      AdvertsReady();
    }
  } catch (const std::exception&) {
    LogFile.Log("TFKestruneMain.DrawAndEventMap1MouseToWord. Parametrs: Key.Key" + std::to_string(key.Id), 2);
  }
}

void TKestruneSession::DrawAndEventMap1MouseOutWord(const TNNKey& key) {
  try {
    PageResults.SetHoverWord(-1, kHoverNone);
    StartAdvertSearch(u"", 1);
  } catch (const std::exception&) {
    LogFile.Log("TFKestruneMain.DrawAndEventMap1MouseOutWord. Parametrs: Key.Key" + std::to_string(key.Id), 2);
  }
}

void TKestruneSession::ContentMapReGetData() {
  if (MapView) MapView->AnimateNewMap();
}

void TKestruneSession::ContentMapAllKeys(int32_t variant) {
  if (variant == IControlKeys::kChangeCut) {
    SetEnabled(TMainControl::IBitmapButtonRedo, false);
    return;
  }
  if ((variant != kKindQuery && variant != kKindExcluded) || Steps.KeepingForward()) return;
  // The query changed: a new branch of the steps. The documents of the
  // searches undone before it are dropped once the current handler is done.
  ContentMap.KeysUpdate = variant == kKindQuery ? 1 : 0;
  Steps.CutForward();
  if (!Project.HasUndoneSearches() || !Steps.QueueCut()) return;
  auto cut = [this] {
    Steps.CutDone();
    DropUndoneSearches();
  };
  if (View) {
    View->PostToUi(cut);
  } else {
    cut();
  }
}

// ---------------------------------------------------------------------------
// The map's popup menu

TKestruneSession::TMapPopupItems TKestruneSession::MapPopupItems(bool groupMarked, bool noQuery, bool excludedView,
                                                                 bool firstIsKind0, bool scopes) {
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

TKestruneSession::TMapPopupItems TKestruneSession::PopupMenu1Popup() {
  HideQueryBox();
  const bool firstIsKind0 =
      !MarkedGroup.empty() && HasId(ContentMap.Steps().GetCurrent()[kKindQuery], MarkedGroup.front().Id);
  return MapPopupItems(!MarkedGroup.empty(), ContentMap.NoQueryMode(), ContentMap.ExcludedMode(), firstIsKind0,
                       Project.Scope.Count() > 0);
}

void TKestruneSession::EndPopupHover() {
  ContentMap.Steps().ClearKind(kKindHovered);
  ContentMap.SetHoveredKey(-1);
  // The page's query line no longer shows the word as if it were added.
  PageResults.SetHoverWord(-1, kHoverNone);
}

void TKestruneSession::pmAddClick(int32_t popupWord) {
  EndPopupHover();
  if (popupWord >= 0 && popupWord < ContentMap.KeyCount()) ContentMap.SetAnchorKey(popupWord);
  const TNNKeys group = MarkedGroup;
  DrawAndEventMap1GroupSelect(static_cast<int32_t>(group.size()), ContentMap.ExcludedMode() ? kGroupExclude : kGroupAddToQuery, true, group);
  if (MapView) MapView->LeaveState(IMapViewOps::kStatePopup);
}

void TKestruneSession::pmAddToStopWordsClick() {
  if (!MarkedGroup.empty()) {
    const int32_t id = MarkedGroup.front().Id;
    SaveKeysUndoState();
    MakeStopWord(id);
    Steps.RecordStopWordMade(id);
    ContentMapReGenerate();
    ShowResults(kEditNone, kPageModeChosen);
  }
  if (MapView) MapView->LeaveState(IMapViewOps::kStatePopup);
}

void TKestruneSession::pmEditWordClick(int32_t x, int32_t y) {
  if (!MarkedGroup.empty()) {
    const int32_t id = MarkedGroup.front().Id;
    EditedKeyId = id;
    std::u16string text = ContentMapGetKeyName(id);
    if (id >= kPhraseBase) text = u"\"" + text + u"\"";
    if (View) View->SetQueryText(text);
    PlaceQueryBox(x, y, false);
  }
  if (MapView) MapView->LeaveState(IMapViewOps::kStatePopup);
}

void TKestruneSession::pmRemoveFromExcludedClick() {
  if (!MarkedGroup.empty()) {
    SaveKeysUndoState();
    EndPopupHover();
    ContentMap.Steps().Remove(kKindQuery, MarkedGroup.front().Id);
    ContentMapReGenerate();
    ShowResults(kEditNone, kPageModeChosen);
  }
  if (MapView) MapView->LeaveState(IMapViewOps::kStatePopup);
}

// ---------------------------------------------------------------------------
// The view switch

void TKestruneSession::IBitmapButton4Click() {
  if (View && View->Down(TMainControl::IBitmapButton4)) return;
  excludeAClick();
  if (View) {
    View->SetDown(TMainControl::IBitmapButton4, ContentMap.ExcludedMode());
    View->SetDown(TMainControl::IBitmapButton2, !ContentMap.ExcludedMode());
  }
}

void TKestruneSession::excludeAClick() {
  ToggleExcludedView();
  if (MapView) MapView->Relayout();
}

void TKestruneSession::LeaveExcludedView() {
  if (ContentMap.ExcludedMode()) {
    ContentMap.SetExcludedMode(false);
    SwapQueryAndExcluded();
  }
  if (View) {
    View->SetDown(TMainControl::IBitmapButton2, true);
    View->SetDown(TMainControl::IBitmapButton4, false);
  }
}

// ---------------------------------------------------------------------------
// Preview, hover and context words

void TKestruneSession::PreviewWordResults() {
  const TKeys& keys = ContentMap.Keys();
  const auto carried = std::find_if(keys.begin(), keys.end(), [](const TKey& k) { return (k.Flags & KF_CARRIED) != 0; });
  if (carried == keys.end()) return;
  const int32_t id = carried->Id;
  IControlKeys& steps = ContentMap.Steps();
  const bool noQuery = ContentMap.NoQueryMode();
  if (noQuery) {
    steps.ClearKind(kKindQuery, true);
    steps.ClearKind(kKindExcluded, true);
    ContentMap.SetNoQueryMode(false);
  }
  const bool autoRefresh = Config.Settings.AutoRefresh;
  Config.Settings.AutoRefresh = false;
  if (!HasId(steps.GetCurrent()[kKindQuery], id)) {
    PreviewFlag = true;
    steps.SetKey(kKindQuery, {id, 1.0f}, true);
    OrderPageDocuments();
    ShowResults(kEditNone, kPageModeChosen);
    steps.Remove(kKindQuery, id, true);
  }
  Config.Settings.AutoRefresh = autoRefresh;
  EmptyRefreshes = 0;
  ContentMap.SetNoQueryMode(noQuery);
}

void TKestruneSession::MouseOutsideMap() { PageResults.SetHoverWord(-1, kHoverNone); }

void TKestruneSession::MapHoverEnd() {
  ContentMapReGenerate();
  ResultPageNumber = HoverSavedPage;
  // The hover is over: the page's query line no longer shows the word (the
  // map's mouse-out event, which clears it too, comes after this page).
  PageResults.SetHoverWord(-1, kHoverNone);
  ShowResults(kEditNone, kPageModeChosen);
  PreviewFlag = false;
}

bool TKestruneSession::IsMapStopWord(int32_t id) {
  if (id < 0 || id >= kPhraseBase) return false;
  const TWDWord* word = WordDictionary.GetWord(id);
  if (word == nullptr) return false;
  if ((word->GetFlags() & TWDWord::kFlagMark) != 0) return true;
  // Another record of the same text (another dictionary's, another part of
  // speech) may carry the mark: the parse found only one of them.
  TWordVariant hit;
  if (WordDictionary.FindFirst(platform::WideLowerCase(word->GetText()), hit, 0) <= 0) return false;
  for (int32_t other = hit.WordIndex; other >= 0; other = WordDictionary.FindNext(hit)) {
    const TWDWord* record = WordDictionary.GetWord(other);
    if (record != nullptr && (record->GetFlags() & TWDWord::kFlagMark) != 0) return true;
  }
  return false;
}

void TKestruneSession::AddContextWordsOfKey(int32_t wordId) {
  IControlKeys& steps = ContentMap.Steps();
  int32_t count = 15;
  TNNKeys related;
  {
    // As the map asks: without the word layer's budget, which on a large
    // project would cut every word at 0.01.
    const TWordBudgetScope noBudget(IContextMS1, TIContextMS::kNoBudget);
    IContextMS1.GetWords({{wordId, 1.0f}}, TNNKeys(), count, related, 0, 0.01f);
  }
  related.resize(static_cast<size_t>(std::clamp<int32_t>(count, 0, static_cast<int32_t>(related.size()))));
  const bool excludedView = ContentMap.ExcludedMode();
  const int32_t excludedKind = excludedView ? kKindQuery : kKindExcluded;
  for (const TNNKey& word : related) {
    if (word.Id == wordId || HasId(steps.GetCurrent()[QueryKind()], word.Id) ||
        HasId(steps.GetCurrent()[excludedKind], word.Id)) {
      continue;
    }
    steps.SetKey(excludedKind, {word.Id, excludedView ? 1.0f : -10001.0f + std::clamp(word.Weight, 0.0f, 1.0f)});
  }
}

std::u16string TKestruneSession::GetContextWordsHtml() {
  if (ContentMap.NoQueryMode()) return u"";
  const IControlKeys& steps = ContentMap.Steps();
  const TControlKeyLists& step = steps.GetCurrent();
  const int32_t n = static_cast<int32_t>(Project.Documents.size());

  // The documents the query words reach.
  TNNKeys query;
  for (const TControlKeyCell& cell : step[kKindQuery]) {
    if (cell.Key.Weight == 1.0f) query.push_back(cell.Key);
  }
  std::unordered_set<int32_t> reached;
  if (!query.empty()) {
    int32_t count = n;
    TNNKeys found;
    IContextMS1.GetFiles(query, TNNKeys(), count, found, 0);
    count = std::clamp<int32_t>(count, 0, static_cast<int32_t>(found.size()));
    for (int32_t i = 0; i < count; ++i) reached.insert(found[static_cast<size_t>(i)].Id);
  }

  // The removed documents the query does not reach are the context.
  TNNKeys marks;
  for (const TControlKeyCell& cell : step[kKindMarks]) {
    TNNKey mark = cell.Key;
    if (reached.count(mark.Id) != 0) mark.Weight = 0.0f;
    if (IsRemovedMark(mark.Weight)) mark.Weight = kMarkContext;
    marks.push_back(mark);
  }
  if (std::none_of(marks.begin(), marks.end(), [](const TNNKey& k) { return k.Weight > 0.0f; })) return u"";
  IContextMS1.ClearContextWords();
  IContextMS1.AddContextWords(marks);
  int32_t count = 100;
  TNNKeys words;
  {
    const TWordBudgetScope noBudget(IContextMS1, TIContextMS::kNoBudget);
    IContextMS1.GetWords(TNNKeys(), marks, count, words, 0, 0.01f);
  }
  words.resize(static_cast<size_t>(std::clamp<int32_t>(count, 0, static_cast<int32_t>(words.size()))));
  TNNKeys documents;
  for (const TControlKeyCell& cell : step[kKindDocuments]) documents.push_back(cell.Key);
  IContextMS1.ClearContextWords();
  IContextMS1.AddContextWords(documents);

  // Words of the shown documents that are not in the query.
  TASNLayer* layer = IContextMS1.Network().GetLayer(TIContextMS::kWordLayer);
  std::erase_if(words, [&](const TNNKey& word) {
    if (HasId(step[kKindQuery], word.Id) || HasId(step[kKindExcluded], word.Id)) return true;
    const int32_t element = IContextMS1.FindWordElement(word.Id);
    return !layer || element < 0 || !layer->GetContextSet().Contains(element);
  });
  if (words.size() > 3) {
    float total = 0.0f;
    for (const TNNKey& word : words) total += word.Weight;
    float sum = 0.0f;
    size_t keep = 0;
    while (keep < words.size()) {
      sum += words[keep++].Weight;
      if (sum >= total / 1.4f) break;
    }
    words.resize(std::min<size_t>(keep, 10));
  }
  if (words.empty()) return u"";
  std::u16string html = MessageStrings.smReconded + u"&nbsp;";
  for (const TNNKey& word : words) {
    const std::u16string text = ContentMapGetKeyName(word.Id);
    if (text.empty()) continue;
    html += u"<a href=\"ExcludeWord_" + HrefEncoded(text) + u"\">" + TPageResults::EscapeText(text) + u"</a> ";
  }
  return html;
}

}  // namespace kestrune
