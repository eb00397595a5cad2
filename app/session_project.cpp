// The project of TKestruneSession: clearing it and starting a new query.
#include "app/kestrune_session.h"

namespace kestrune {

void TKestruneSession::ClearProject() {
  SetEnabled(TMainControl::IBitmapButton7, false);
  // The documents, their addresses and keys, the counters, the stop words
  // and the hidden sites; the scopes stay until New query.
  Project.Clear();
  Run.SearchEnd = TSearchRun::TSearchEnd();
  if (MapView) MapView->LeaveState(IMapViewOps::kStateBusy);
  WordDictionary.ClearMarks();
  FormsStore.Clear();
  if (Run.Engine) Run.Engine->Reset();
  Entry.EditedKeyId = -1;
  Run.SearchJustRan = false;
  Results.Clear();
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
  Map.Clear();
  Entry.StartPageFlags = {true, true};
  Commands.ClearSelection();
  ContentMap.SetDimmed(false);
  IBitmapButton2Click();
  LoadStopWords();
}

void TKestruneSession::IBitmapButtonNewClick() { NewQueryCommand(false); }

void TKestruneSession::NewQueryCommand(bool emptyMapOfNoProject) {
  // 1. With a query the project may hold unsaved work: the save question.
  // The options dialog's own New query (the flag cleared) follows a change
  // the project cannot outlive, already made: it asks nothing.
  if ((!GetQueryText().empty() || ContentMap.NoQueryMode()) && NewQuery.MarkProjectChanged) {
    ProjectFile.Modified = true;
    if (SaveQuestion()) return;
  }
  // An empty map of a project that holds nothing (the map is rebuilt at
  // every resize of the window) is no New query of the user's: the saved
  // option set stays where it is and the box keeps what is typed in it.
  if (!emptyMapOfNoProject && NewQuery.NewQueryCount++ > 0 && NewQuery.ApplyDefaultsOnNewQuery) ApplySavedOptions();
  AddRecentQuery(GetQueryText());
  ClearProject();
  ProjectFile.Modified = false;  // an empty project holds nothing to save
  if (Advert.AdvertEngine) Advert.AdvertEngine->StopAndReset();
  // The indexer's clear empties the phrases of the parser's dictionary.
  IIndexer1.Clear();
  WordDictionary.FreePhraseIndex();
  Project.Scope.Clear();
  if (Entry.StartPageFlags[0] && View && !emptyMapOfNoProject) View->SetQueryText(u"");
  CenterQueryBox(true);
  Project.ProjectName.clear();
  ProjectFile.Opened.reset();
  ProjectFile.Losses.clear();
  ShowResults(kEditNone, kPageModeChosen);
}

}  // namespace kestrune
