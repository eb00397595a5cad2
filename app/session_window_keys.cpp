// The main window's small handlers that need no widget: keys, mouse presses
// anywhere, the hidden "Refresh" button and the map's menu items.
#include "app/kestrune_session.h"
#include "core/log_file.h"
#include "core/message.h"
#include "core/message_strings.h"
#include "platform/message_box.h"

namespace kestrune {

namespace {

void ShowUnderConstruction() {
  ShowMessageBox(MessageStrings.smUnderconstruction, MessageStrings.smMes, platform::kMbOk);
}

}  // namespace

void TKestruneSession::FormKeyDownEscape() {
  if (ContentMap.Steps().GetCurrent()[kKindQuery].empty()) return;
  HideQueryBox();
  ContentMap.ClearHighlights();
  ContentMap.ApplyStyles();
  if (MapView) MapView->LoadKeysAndDraw();
}

void TKestruneSession::FormKeyUp(bool ctrl) {
  if (ctrl && ContentMap.DeferredRebuild) ContentMapReGenerate();
  ContentMap.DeferredRebuild = false;
}

void TKestruneSession::ApplicationMouseDown() {
  ContentMap.ClearHighlights();
  ContentMap.ApplyStyles();
  if (MapView && (MapView->State() & IMapViewOps::kStatePopup) != 0) MapView->LeaveState(IMapViewOps::kStatePopup);
}

void TKestruneSession::Button1Click() {
  ContentMap.BeginUpdate();
  for (int32_t i = 0; i < ContentMap.KeyCount(); ++i) {
    TCMKey& key = ContentMap.GetKey(i);
    key.SetFlags(key.GetFlags() & ~(KF_HOVERED | KF_CARRIED | KF_CONTEXT));
  }
  ContentMap.EndUpdate();
}

void TKestruneSession::N2Click() { ActSearchExecute(); }

void TKestruneSession::N3Click() { ShowUnderConstruction(); }

void TKestruneSession::N4Click() { ShowUnderConstruction(); }

void TKestruneSession::N6Click() {
  if (MapView) MapView->LeaveState(IMapViewOps::kStatePopup);
  ContentMap.DeleteFlaggedKeys();
  ContentMapReGenerate();
}

void TKestruneSession::N8Click() {
  ContentMap.RemoveOverlaps = !ContentMap.RemoveOverlaps;
  ShowUnderConstruction();
}

void TKestruneSession::r1Click() {
  ContentMap.Distribute = !ContentMap.Distribute;
  ContentMapReGenerate();
}

void TKestruneSession::pmEditElementClick() {
  if (MapView) MapView->LeaveState(IMapViewOps::kStatePopup);
  if (MarkedGroup.empty()) return;
  if (OnEditElement) {
    OnEditElement(MarkedGroup.front());
  } else {
    LogFile.Log("Edit Element: no network editor is bound", 1);
  }
}

void TKestruneSession::pmExcludeClick() {
  // The words are those the popup was opened for (the marked group): the
  // hover that ends here may have rebuilt the map under the open menu.
  if (ContentMap.HoveredKey() >= 0) EndPopupHover();
  if (MapView) MapView->LeaveState(IMapViewOps::kStatePopup);
  const TNNKeys group = MarkedGroup;
  if (group.empty()) return;
  DrawAndEventMap1GroupSelect(static_cast<int32_t>(group.size()), ContentMap.ExcludedMode() ? kGroupAddToQuery : kGroupExclude, true, group);
}

}  // namespace kestrune
