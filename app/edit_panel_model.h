// TEditPanelModel: the network edit panel without widgets. With the panel the
// user changes the word network by hand: add a phrase, delete the link
// between two words, set a link's weight, or merge two words into one. Each
// edit is pushed as one record on the edit history (IControlFlow), whose
// undo and redo the panel's own buttons call. The panel's widget
// (app/window/edit_panel.h) shows the fields kept here; the session forwards
// the panel's handlers and the map's word clicks to it.
//
// The page (kind) chooses what a map click does:
//   ekPhraseAdded   any click appends a blank and the word to the phrase
//   ekLinkDeleted   plain click: the word becomes the only query word;
//                   second click: the links between it and each of the first
//                   two query words are deleted, one record each
//   ekWeightSet     plain click: the only query word, shown in the label;
//                   second click: the word is A (shown in the field), the
//                   first query word B, the track bar shows A -> B x 100
//   ekWordsMerged   plain click: the first word field; second: the second
//
// Undo restores exactly: a relation that existed gets its old weight back in
// each direction, one that did not exist is deleted, never made. Undoing an
// added phrase removes the phrase only while it is still the last one; redo
// of an added phrase and undo and redo of a merge only move the position.
// A record's elements are looked up again by word after the network was
// rebuilt; a word without an element then is left alone.
//
// A merge of a word the dictionary does not know, of one word with itself,
// or without a morphology engine does nothing and pushes nothing; a form
// shorter than the common stem adds no form to the merged word's lexeme.
//
// Not owned: the history, the context model, the dictionary. What belongs to
// the session (the query's keys, the search network rebuilt, the map and the
// result page) goes through TEditPanelHost; an unset hook does nothing. The
// user-interface thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/control_flow.h"

namespace kestrune {

class TIContextMS;
class TPhraseWordDictionary;

// The map view's two click variants that reach the panel.
inline constexpr int32_t kPanelPlainClick = 2;
inline constexpr int32_t kPanelSecondClick = 4;

struct TEditPanelHost {
  // The words of the current query (kind 0 of the current step), in order.
  std::function<std::vector<int32_t>()> QueryWords;
  // The word becomes the only query word; map and page are built again.
  std::function<void(int32_t wordId)> MakeOnlyQueryWord;
  // The text (a quoted phrase) is parsed, its words and phrase become query
  // keys and join the network, the network is fed again from the documents,
  // the map and the page are built again.
  std::function<void(std::u16string_view text)> AddToQuery;
  // The map built again (ContentMapReGenerate).
  std::function<void()> RebuildMap;
  // The result page shown again (page -2).
  std::function<void()> ShowPage;
};

class TEditPanelModel {
 public:
  TEditPanelModel(IControlFlow& flow, TIContextMS& context, TPhraseWordDictionary& dictionary,
                  TEditPanelHost host = {});

  // ---- what the panel shows ----
  bool Visible() const { return visible_; }
  int32_t Kind() const { return flow_.Record.Kind; }
  std::u16string PhraseText;    // phraseEdit
  std::u16string WeightLabel;   // ILabel6: the query word of the weight page
  std::u16string WeightWord;    // TntEdit1: the word whose link is weighed
  int32_t TrackBarPosition = 0;  // IBitmapTrackBar1, 0..100
  std::u16string FirstWord;     // TntEdit2
  std::u16string SecondWord;    // TntEdit3
  // Raised after the fields above changed.
  std::function<void()> OnChanged;

  // ---- the panel's handlers ----
  // The toggle: flips the visibility, empties the phrase field; the new
  // visibility (the map view's edit mode).
  bool speciaClick();
  // The page buttons TntSpeedButton1..4: kinds 0..3.
  void SelectKind(int32_t kind);
  // A map word clicked while the panel is open (variant: the click).
  void WordClick(int32_t wordId, int32_t variant);
  // "Add" (and Enter in the phrase field).
  void TntButton1Click();
  // Apply the track bar's weight to A <-> B.
  void TntSpeedButton5Click();
  // Merge the words of the two word fields.
  void TntSpeedButton6Click();
  void edit_undoClick();
  void edit_redoClick();

 private:
  // The stored text of a word or phrase; empty when there is none.
  std::u16string StoredText(int32_t wordId);
  int32_t FirstQueryWord();
  // The word's element in the word layer, -1 when it has none.
  int32_t ElementOf(int32_t wordId);
  // The record's elements now: looked up by word after a rebuild.
  bool Resolve(const TEditRecord& record, TEditElement& a, TEditElement& b);
  // Fills the record's A, B, old weights and existence from the network.
  void TakeLink(TEditRecord& record, int32_t wordA, int32_t wordB);
  void SetBoth(const TEditElement& a, const TEditElement& b, float weight);
  void DeleteBoth(const TEditElement& a, const TEditElement& b);
  // Undo of kinds 1 and 2: each direction back as it was.
  void RestoreLink(const TEditRecord& record);
  void DeleteLinksToQuery(int32_t wordId);
  void RebuildAndShow();
  void Changed();

  IControlFlow& flow_;
  TIContextMS& context_;
  TPhraseWordDictionary& dictionary_;
  TEditPanelHost host_;
  bool visible_ = false;
};

}  // namespace kestrune
