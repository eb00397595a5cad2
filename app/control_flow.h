// IControlFlow: the undo/redo list of hand edits of the word network (the
// edit panel's own history), apart from the ring of search steps
// (IControlKeys).
//
// One TEditRecord describes one edit: a phrase added, a link deleted, a link
// weight set or two words merged. Records below Position() are applied; the
// records at and after it were undone and can be redone; 0 <= Position() <=
// Count() always. Push drops the undone records and appends a copy, so a push
// after undos discards them.
//
// Besides the edit's two elements, old weight and new value, a record keeps
// what its undo needs to restore the network exactly: the weight of each
// direction and whether that relation existed, the words of both elements
// (the network is rebuilt by searches, after which an element index may name
// another word) and the phrase an Add made.
//
// Plain data; the user-interface thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestrune {

// What an edit record describes; the values are the record's kind field.
enum TEditKind : int32_t {
  ekPhraseAdded = 0,  // "Add" (the phrase field)
  ekLinkDeleted = 1,  // the link between two words deleted, both directions
  ekWeightSet = 2,    // the link between two words set, both directions
  ekWordsMerged = 3,  // two words merged into a new one
};

// The new value of a record of an added phrase.
inline constexpr float kPhraseAddedValue = 2000.0f;

// One network element: its layer (0 words) and its index in the layer.
struct TEditElement {
  uint8_t Layer = 0;
  int32_t Index = -1;

  friend bool operator==(const TEditElement&, const TEditElement&) = default;
};

struct TEditRecord {
  TEditElement A;          // the first element
  TEditElement B;          // the second element
  float OldWeight = 0.0f;  // A -> B before the edit (0 when there was none)
  float NewValue = 0.0f;   // after it: 0 deleted, the weight set, kPhraseAddedValue
  int32_t Kind = ekPhraseAdded;
  int32_t Lexeme = -1;   // ekWordsMerged: the lexeme made for the merged word
  int32_t NewWord = -1;  // ekWordsMerged: the merged word's dictionary index

  // What undo restores: B -> A before the edit, and whether each direction
  // existed (a relation that did not exist is not created by undo).
  float OldWeightBA = 0.0f;
  bool ExistedAB = false;
  bool ExistedBA = false;
  // The word ids of A and B, and the network's rebuild count when the record
  // was made: after a rebuild the elements are looked up again by word.
  int32_t WordA = -1;
  int32_t WordB = -1;
  uint32_t Rebuild = 0;
  // ekPhraseAdded: the index of the phrase the Add made, -1 when it made none.
  int32_t Phrase = -1;

  friend bool operator==(const TEditRecord&, const TEditRecord&) = default;
};

class IControlFlow {
 public:
  // Empty list, position 0.
  IControlFlow() = default;
  static IControlFlow Create() { return IControlFlow(); }

  // Position 0, no records.
  void Clear();
  // The position when it is at least 1 (a record to undo), else -1.
  int32_t CanUndo() const;
  // The position when a record exists at it (one to redo), else -1.
  int32_t CanRedo() const;
  // The record at the position; null when the position is at or past the end.
  const TEditRecord* Current() const;
  // Drops every record at or after the position, appends a copy, position + 1.
  void Push(const TEditRecord& record);
  // Position - 1; False (position 0) when it would go below 0.
  bool StepBack();
  // Position + 1; when that is not below the count, the position becomes
  // the count and the result is False (also after redoing the last record).
  bool StepForward();

  int32_t Position() const { return position_; }
  int32_t Count() const { return static_cast<int32_t>(records_.size()); }
  const TEditRecord& At(int32_t index) const { return records_[static_cast<size_t>(index)]; }

  // The record the panel and the map clicks fill while the user works; Push
  // takes a copy of it.
  TEditRecord Record;

 private:
  int32_t position_ = 0;
  std::vector<TEditRecord> records_;
};

}  // namespace kestrune
