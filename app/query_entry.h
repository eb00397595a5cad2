// TQueryEntry: the search entry of the main window. Every query enters here,
// from the search button, Enter in the query box, a change of engine,
// "Refresh" and the search action: the typed text is parsed, its words and
// phrases become the keys of the current search step (query words, and
// excluded words after a minus), and either a download starts (a new query)
// or the map and the page show the refined query. The other way round, the
// step's keys turn back into the query as the user would type it.
//
// The entry owns the query box's list of recent queries ("query.dat"), the
// parse of the last entry, the word being edited in the box and the flags of
// the entry; it reaches the rest of the program (the language objects, the
// map, the project, the run, the page) through the session, which must
// outlive it. The session keeps the handler names as forwarders.
// Used on the user-interface thread.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/main_view.h"
#include "language/parsing_text.h"

namespace kestrune {

class TKestruneSession;

class TQueryEntry {
 public:
  explicit TQueryEntry(TKestruneSession& session) : s_(session) {}
  TQueryEntry(const TQueryEntry&) = delete;
  TQueryEntry& operator=(const TQueryEntry&) = delete;

  // ---- the entry's state ----
  std::vector<std::u16string> QueryItems;  // the query box's list, most recent first
  // The list as "query.dat" held it when it was read or last written, and
  // whether "Clear history" emptied the list since: the close merges the
  // list with what another run wrote meanwhile.
  std::vector<std::u16string> LoadedQueryItems;
  bool HistoryCleared = false;
  // Set for one entry from the search button or Enter while the map shows
  // the excluded-words view: typed words go to the query words.
  bool QueryPhraseMode = false;
  // The query word being edited in the query box; -1 none.
  int32_t EditedKeyId = -1;
  // The parse of the last entry's text.
  TParsingText QueryParse;
  // Set when the window is shown and by ClearProject, cleared by a change of
  // engine; New query empties the query box while the first is set.
  std::array<bool, 2> StartPageFlags = {true, true};
  // The suggestion list under the query box as the view shows it.
  std::vector<std::u16string> Suggestions;

  // ---- entries ----
  // One search entry from the query box's text: a new query (a download) or
  // a refinement of the query on the map.
  void SubmitQuery();
  void BBtnSearchClick();
  // Key up in the query box: Enter (13) runs SubmitQuery.
  void QueryKeyUp(int32_t key);
  // Enter in the query box as the query box handles it: as the search button.
  void QueryBoxEnter();
  // "Refresh": a new download for the current query words.
  void BtnMetasearchClick();
  void ActSearchExecute();
  // The engine box changed to the item with this text.
  void CBWebSite2Change(std::u16string_view chosen);
  // The query box's text changed: its width, the drop-down and the map
  // words it names highlighted.
  void QueryChange();

  // ---- the query as text ----
  // The query as the user would type it: query words, phrases in quotes,
  // then " -" and each excluded word; empty in no-query mode.
  std::u16string GetQueryText();
  // 1: query words only; -1: excluded words only; 0: GetQueryText; else empty.
  std::u16string GetQueryTextPart(int32_t part);

  // ---- the query box ----
  // Shows the query box in the middle of the map; with the search button,
  // as the map's PlaceQueryBox with BBtnSearch (the picture and both buttons
  // placed, BBtnSearch2 hidden).
  void CenterQueryBox(bool withSearchButton);
  // Hides the query box, its picture and both search buttons.
  void HideQueryBox();
  // The query box's items from the bases folder's "query.dat" (one query a
  // line): the lines that are query texts (IsQueryText), the number of the
  // others in the log; a file that cannot be read leaves the list empty.
  void ReadQueryFile();

  // ---- query words to keys ----
  // Phrases from quotes and hyphenated compounds, marked in the parse.
  void wordsToIndex2(TParsingText& parse);
  // The keys of the query from the parse: included words weight 1,
  // "-word" weight -10000. False, after the message smIncorrect / smError,
  // when no token was a usable word (errorText then holds smIncorrect).
  bool wordsToIndex(TParsingText& parse, bool silent, std::u16string& errorText);

 private:
  // Adds a phrase of the tokens first..last of the sentence unless an equal
  // one exists; the phrase index is rebuilt after an addition.
  void AddPhrase(const TParsingText& parse, int32_t first, int32_t last);
  // The dictionary text of a token's identifier (a phrase's text for a
  // phrase identifier); empty when there is none.
  std::u16string TokenText(int32_t id);
  // The text of a key as the query shows it: a word in the form the user
  // wrote it, a phrase between double quotes; empty when the key names
  // nothing.
  std::u16string KeyText(int32_t id);
  void SetVisible(TMainControl control, bool visible);

  TKestruneSession& s_;
};

}  // namespace kestrune
