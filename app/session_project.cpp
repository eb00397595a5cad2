// The project of TKestruneSession: clearing it and starting a new query.
#include "app/kestrune_session.h"

namespace kestrune {

void TKestruneSession::ClearProject() {
  SetEnabled(TMainControl::IBitmapButton7, false);
  // The documents, their addresses and keys, the counters, the stop words
  // and the hidden sites; the scopes stay until New query.
  Project.Clear();
  SearchEnd = TSearchEnd();
  if (MapView) MapView->LeaveState(IMapViewOps::kStateBusy);
  WordDictionary.ClearMarks();
  FormsStore.Clear();
  if (Engine) Engine->Reset();
  EditedKeyId = -1;
  SearchJustRan = false;
  ViewMode = kViewNormal;
  if (MapView) MapView->ClearMap();
  IControlKeys& steps = ContentMap.Steps();
  steps.ClearAll();
  ContentMap.Clear();
  Steps.SetRemovedLinks(0);
  Steps.SetHiddenSites(0);
  Steps.SetStepNumber(0);
  ContentMap.SetNoQueryMode(false);
  Steps.SetNoQuery(false);
  MapWordRefresh();
  for (TMainControl control : {TMainControl::IBitmapButtonUndo, TMainControl::IBitmapButtonRedo,
                               TMainControl::ibitmapButton1, TMainControl::fullRefresh}) {
    SetEnabled(control, false);
  }
  IContextMS1.Clear();
  SelectedDocuments.clear();
  StartPageFlags = {true, true};
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
  // The save question and the project's modified mark (MarkProjectChanged)
  // come with the project files.
  if (NewQueryCount++ > 0 && ApplyDefaultsOnNewQuery) ApplySavedOptions();
  ClearProject();
  if (AdvertEngine) AdvertEngine->StopAndReset();
  WordDictionary.ClearPhrase();
  WordDictionary.FreePhraseIndex();
  Project.Scope.Clear();
  if (StartPageFlags[0] && View) View->SetQueryText(u"");
  CenterQueryBox(true);
  Project.ProjectName.clear();
  ShowResults(kEditNone, kPageModeChosen);
}

}  // namespace kestrune
