// The project of TKestruneSession: clearing it and starting a new query, and
// the stand-in for the advertising search.
#include "app/kestrune_session.h"

namespace kestrune {

void TKestruneSession::ClearProject() {
  SetEnabled(TMainControl::IBitmapButton7, false);
  ProjectJustOpened = false;
  SearchEnd = TSearchEnd();
  if (MapView) MapView->LeaveState(IMapViewOps::kStateBusy);
  StopWords.clear();
  WordDictionary.ClearMarks();
  HiddenSites.clear();
  FormsStore.Clear();
  if (Engine) Engine->Reset();
  EditedKeyId = -1;
  SearchJustRan = false;
  ViewMode = kViewNormal;
  Counters = TDocumentCounters();
  if (MapView) MapView->ClearMap();
  IControlKeys& steps = ContentMap.Steps();
  steps.ClearAll();
  ContentMap.Clear();
  steps.SetValue(kKindRemovedLinks, 0, 0.0f);
  steps.SetValue(kKindHiddenSites, 0, 0.0f);
  steps.SetValue(kKindSettings, 2, 0.0f);
  StepNumber = 0;
  ContentMap.SetNoQueryMode(false);
  steps.SetValue(kKindSettings, 1, 0.0f);
  MapWordRefresh();
  for (TMainControl control : {TMainControl::IBitmapButtonUndo, TMainControl::IBitmapButtonRedo,
                               TMainControl::ibitmapButton1, TMainControl::fullRefresh}) {
    SetEnabled(control, false);
  }
  IContextMS1.Clear();
  IMetaList.Clear();
  Documents.clear();
  StepKeys.clear();
  SelectedDocuments.clear();
  StartPageFlags = {true, true};
  PageList.clear();
  PageDocumentIds.clear();
  EmptyRefreshes = 0;
  ScrollAnchor.clear();
  PendingBuild = TPendingPageBuild();
  MarkedGroup.clear();
  ClusterTable.clear();
  Commands.ClearSelection();
  PreviewFlag = false;
  ContentMap.SetDimmed(false);
  IBitmapButton2Click();
  LoadStopWords();
}

void TKestruneSession::IBitmapButtonNewClick() {
  // The save question and the restore of the default options come with the
  // project files.
  ClearProject();
  WordDictionary.ClearPhrase();
  WordDictionary.FreePhraseIndex();
  Scope.Clear();
  if (StartPageFlags[0] && View) View->SetQueryText(u"");
  CenterQueryBox(true);
  ProjectName.clear();
  ShowResults(kEditNone, kPageModeChosen);
}

void TKestruneSession::StartAdvertising() {}

}  // namespace kestrune
