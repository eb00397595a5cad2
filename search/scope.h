// TScope: the search scopes of a project — each the included and the excluded
// keys of one search step — in the order in which they were made, with the
// index of the current one (-1 when there is none).
//
// A scope turns back into a query text: included words as they are, phrases
// (identifiers from 2000000 up) in double quotes, excluded keys after " -",
// each word in the form the word-form store keeps for it. Two scopes are equal
// when they hold the same numbers of included and excluded keys and the same
// identifiers in each kind, whatever the order and the weights; Add and
// Replace never store a scope twice.
//
// Deleting a scope below the current one lowers the current index, so that it
// keeps naming the same scope; deleting the current scope leaves the index on
// the scope that moved into its place (or on the new last one).
//
// The dictionary and the word-form store are not owned and may be null (a
// scope then has no text). The user-interface thread only.
#pragma once

#include <cstdint>
#include <string>

#include "core/keys.h"

namespace kestrune {

class TPhraseWordDictionary;
class TStorageFormsWords;

// Appends one key of a query text: " word", " \"phrase\"", or with `excluded`
// " -word", " -\"phrase\"". The word is shown in the form the store keeps
// for it (form 0 without a store). A key without a word, or whose text is
// empty, appends nothing.
void AppendQueryKey(std::u16string& text, TPhraseWordDictionary* dictionary, TStorageFormsWords* forms,
                    int32_t id, bool excluded);

class TScope {
 public:
  TScope() = default;

  // Not owned; may be null.
  TPhraseWordDictionary* WordDictionary() const { return dictionary_; }
  void SetWordDictionary(TPhraseWordDictionary* dictionary) { dictionary_ = dictionary; }
  TStorageFormsWords* FormsStore() const { return forms_; }
  void SetFormsStore(TStorageFormsWords* forms) { forms_ = forms; }

  int32_t Count() const { return static_cast<int32_t>(scopes_.size()); }
  int32_t CurrentIndex() const { return current_; }

  // No scopes, current index -1.
  void Clear();
  // A copy of every scope.
  TTScopeWords GetScopes() const { return scopes_; }
  // Clears, then copies the scopes (each count cut to its list); current -1.
  void SetScopes(const TTScopeWords& scopes);

  bool IsValidIndex(int32_t i) const { return i >= 0 && i < Count(); }
  // The query text of scope i; empty for a bad index.
  std::u16string GetQueryText(int32_t i) const;
  // -1 for a bad index.
  int32_t GetIncludedCount(int32_t i) const;
  int32_t GetExcludedCount(int32_t i) const;
  // {-1, 0} when the scope or the position is out of range.
  TNNKey GetIncludedKey(int32_t i, int32_t position) const;
  TNNKey GetExcludedKey(int32_t i, int32_t position) const;
  // Ignored out of range.
  void SetIncludedKey(int32_t i, int32_t position, const TNNKey& key);
  void SetExcludedKey(int32_t i, int32_t position, const TNNKey& key);
  // Ignored for a bad index.
  void SetCurrent(int32_t i);

  // The first scope equal to these keys; -1 when none, or when `included` is
  // empty.
  int32_t Find(const TNNKeys& included, const TNNKeys& excluded) const;
  // An equal scope becomes current; otherwise a copy is appended and becomes
  // current.
  void Add(const TNNKeys& included, const TNNKeys& excluded);
  // Overwrites scope i with the keys. Nothing for a bad index, an empty
  // included list, or when scope i already holds them. When another scope
  // holds them, that scope is deleted first and the content goes where
  // scope i now stands; a current index follows its scope (the deleted
  // duplicate's to the target).
  void Replace(int32_t i, const TNNKeys& included, const TNNKeys& excluded);
  // Removes scope i; nothing for a bad index.
  void Delete(int32_t i);

 private:
  static TScopeWords MakeScope(const TNNKeys& included, const TNNKeys& excluded);
  static bool Equal(const TScopeWords& scope, const TNNKeys& included, const TNNKeys& excluded);
  void ClampCurrent();

  TTScopeWords scopes_;
  int32_t current_ = -1;
  TPhraseWordDictionary* dictionary_ = nullptr;
  TStorageFormsWords* forms_ = nullptr;
};

}  // namespace kestrune
