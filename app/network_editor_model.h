// TNetworkEditorModel: the network editor without widgets. It lists one
// word's element of the context network (its four coefficients and its
// relations toward the word layer, one row each), lets the user mark rows
// (check boxes, values, "Delete relation", "Delete word"), searches the
// dictionary for words to relate, and writes the marked changes into the
// network on Apply, which then saves the network beside the current history
// file and reads it again. The editor's form (ui/network_editor.h) is a thin
// widget over it; its handlers keep the form's names.
//
// What it works on is given at construction: the context model (whose
// network it edits), the phrase dictionary (word texts and look-ups), the
// text parser (phrases typed into the search box) and a host with two
// callbacks (the first marked map word, the current history file). Questions,
// messages, the hourglass and closing go through INetworkEditorView (null:
// every question is answered OK, messages are dropped).
//
// Texts of numbers: values and coefficients are written as the shortest
// text that reads back to the same single, with the decimal separator the
// model is given (the widget passes the locale's); a text is read as a float
// when it is an optional sign, digits with at most one separator and an
// optional exponent, blanks around it allowed. The selection boxes start
// with "0,001" whatever the separator.
//
// Guards: a word without an element, or whose element is deleted (Anchor
// -1), is listed with no rows, and Add, Apply and "Delete Word" refuse it.
// The listing remembers the context model's rebuild count: when the network
// was rebuilt since (a search, a project opened, a reload), Add, Apply and
// "Delete Word" list the word again and do nothing else, and every address
// they use is checked. Apply and "Delete Word" read the network back only
// when the save succeeded; otherwise the edits stay in memory and a box says
// so.
//
// The user-interface thread only.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "network/asn.h"

namespace kestrune {

class TIContextMS;
class TITextParsing;
class TPhraseWordDictionary;

// The columns of the relation list, in order.
enum TRelationColumn : int32_t { rcName, rcPercent, rcValue, rcWordIndex, rcNumber, rcStatus, rcColumnCount };

// The Status texts of a row, and the editor's fixed English questions.
inline constexpr std::u16string_view kStatusDeleteRelation = u"Delete relation";
inline constexpr std::u16string_view kStatusDeleteWord = u"Delete word";
inline constexpr std::u16string_view kAskCreateRelation = u"Do you really want to create new relation";
inline constexpr std::u16string_view kAskApply = u"Do you really want to apply the changes?";
inline constexpr std::u16string_view kAskDeleteWordBegin = u"Do you really want to delete ";
inline constexpr std::u16string_view kAskDeleteWordEnd = u"  and all of in relations";
// The initial text of both selection boxes.
inline constexpr std::u16string_view kInitialSelectionValue = u"0,001";

// One row of the relation list. Its texts are made when they are shown
// (CellText): a listing of thousands of relations makes no text.
enum class TRowStatus : uint8_t { None, DeleteRelation, DeleteWord };
struct TRelationRow {
  int32_t WordIndex = -1;
  int32_t Number = 0;     // the running number within the listing, from 1
  float Weight = 0.0f;    // the weight from the edited word to this one when listed
  std::u16string Value;   // the Value column once the user set it; empty: Weight
  TRowStatus Status = TRowStatus::None;
  bool Checked = false;   // changed: Apply acts on it
};

// One word found by the search box.
struct TFoundWord {
  std::u16string Text;
  int32_t Id = -1;
};

class INetworkEditorView {
 public:
  virtual ~INetworkEditorView() = default;
  // A warning with OK and Cancel; true for OK.
  virtual bool AskOkCancel(std::u16string_view question) = 0;
  virtual void ShowMessage(std::u16string_view text) = 0;
  virtual void SetHourglass(bool on) = 0;
  virtual void CloseEditor() = 0;
};

struct TNetworkEditorHost {
  // The word identifier of the first marked map key; -1 when none is marked.
  std::function<int32_t()> MarkedWord;
  // The current history file, beside which the network files are saved.
  std::function<std::u16string()> HistoryFile;
};

class TNetworkEditorModel {
 public:
  TNetworkEditorModel(TIContextMS& context, TPhraseWordDictionary& dictionary, TITextParsing& textParsing,
                      TNetworkEditorHost host);

  INetworkEditorView* View = nullptr;
  char16_t DecimalSeparator() const { return separator_; }
  void SetDecimalSeparator(char16_t separator) { separator_ = separator; }

  // ---- what the form shows; the edits are written by the form ----
  const std::u16string& WordText() const { return wordText_; }  // caption and lbWORD
  int32_t WordId() const { return wordId_; }
  TASNAddress Element() const { return element_; }
  int32_t lbCountRelationsW() const { return wordRelations_; }
  int32_t lbCountRelatonsCT() const { return textRelations_; }
  std::u16string edAnchor, edKStim, edKInh, edBarier;
  std::u16string Edit1;
  std::u16string edLessValue{kInitialSelectionValue};
  std::u16string edAssignSelectValue{kInitialSelectionValue};
  int32_t SpinEdit1() const { return spinEdit1_; }
  const std::vector<TRelationRow>& Rows() const { return rows_; }
  void SetChecked(int32_t row, bool checked);
  // The selected (focused) row of the relation list; -1 none.
  int32_t SelectedRow = -1;
  // The words the search box found, by text, and the selected ones (indexes).
  const std::vector<TFoundWord>& FoundWords() const { return found_; }
  std::vector<int32_t> FoundSelection;

  // ---- handlers ----
  // Lists the first marked map word; false (nothing listed, the form stays
  // hidden) when none is marked.
  bool ExecuteAll();
  void btnReloadClick();
  // Enter (13) in the search box lists the words of Edit1.
  void Edit1KeyDown(int32_t key);
  void SearchWords(std::u16string_view text);
  void btnAddClick();
  void remove1Click();
  void DeleteRelationAndWord1Click();
  void UnCheckRemove1Click();
  void btnDeleteSelectClick();
  void btnDeleteSelectedWordsClick();
  void Button1Click();
  void btnCancelSelectionClick();
  void btnSelectLessValueClick();
  void btnAssignSelectValueClick();
  void btnApplyClick();
  void btnDeleteClick();
  // "Save as": the network files under that name; the save's result.
  int32_t btnSaveClick(std::u16string_view fileName);
  // Sorts by the column (the column header was clicked).
  void tlwRELColumnClick(int32_t column);
  int32_t SortColumn() const { return sortColumn_; }
  // <0, 0, >0 as row a sorts before, with or after row b by the column.
  int32_t tlwRELCompare(const TRelationRow& a, const TRelationRow& b, int32_t column) const;
  // Ctrl with one of the key codes 70, 102, 192, 224 asks for a word to find.
  static bool IsFindKey(bool ctrl, int32_t key);
  // The rows whose name is exactly `name`.
  std::vector<int32_t> FindRows(std::u16string_view name) const;
  // The left button held at x over the row: inside the Percent column (x -
  // nameWidth strictly between 0 and percentWidth) the row's value becomes
  // the share of the column left of x, and the row is checked. True when
  // the row changed.
  bool PercentDrag(int32_t row, int32_t x, int32_t nameWidth, int32_t percentWidth);
  // The Percent bar of a row: its value x 100, rounded; 0 when unreadable.
  int32_t PercentPosition(int32_t row) const;
  // The text of a column of a row: the word's text, "" for Percent, the
  // value, the identifier, the number, the status.
  std::u16string CellText(const TRelationRow& row, int32_t column) const;
  // The row's value as a number; False when its text is none.
  bool RowValue(const TRelationRow& row, double& value) const;

  // ---- the steps of Apply (also for the benchmark) ----
  // The four edits as floats (Anchor, KStim, KInh, threshold); the first
  // that is none shows its message and gives False.
  bool ReadCoefficients(std::array<float, 4>& values);
  // Sets the coefficients, then the weights of the checked rows, then their
  // deletions.
  void ApplyRows(const std::array<float, 4>& coefficients);
  // Saves the network beside the history file and, when that worked, reads
  // it again; the save's result (the box on a failure).
  int32_t SaveAndReopen();
  // Deletes a word element: its relations toward the word layer in both
  // directions, then Anchor -1. Relations toward other layers stay.
  void RedDeleteElement(const TASNAddress& address);

  // ---- number texts ----
  std::u16string FloatText(float value) const;
  bool ReadFloat(std::u16string_view text, double& value) const;
  // The history file without its extension (and a further ".kes").
  static std::u16string NetworkBase(std::u16string_view historyFile);

 private:
  void ListWord(int32_t wordId);
  // False, after listing the word again, when the network was rebuilt since
  // the listing; false too without a usable element (a message then).
  bool ReadyToEdit();
  // A selection box's value; its message when the text is no float.
  bool ReadSelectionValue(std::u16string_view text, double& value) const;
  bool Ask(std::u16string_view question) const;
  void Message(std::u16string_view text) const;
  std::u16string TextOf(int32_t wordId) const;
  // The usable word-layer element of a word (an element not deleted); an
  // invalid address when there is none.
  TASNAddress UsableElement(int32_t wordId);
  void MarkSelected(TRowStatus status, bool check);
  void MarkChecked(TRowStatus status);

  TIContextMS& context_;
  TPhraseWordDictionary& dictionary_;
  TITextParsing& textParsing_;
  TNetworkEditorHost host_;
  char16_t separator_ = u'.';

  int32_t wordId_ = -1;
  std::u16string wordText_;
  TASNAddress element_;
  bool usable_ = false;
  uint32_t listedAt_ = 0;  // the context model's rebuild count of the listing
  int32_t wordRelations_ = 0;
  int32_t textRelations_ = 0;
  int32_t spinEdit1_ = 0;
  int32_t nextNumber_ = 1;
  int32_t sortColumn_ = -1;
  std::vector<TRelationRow> rows_;
  std::vector<TFoundWord> found_;
};

}  // namespace kestrune
