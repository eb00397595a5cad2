// The word list (".dic") of a Hunspell dictionary and THunspellExpander, which
// turns one entry into its full forms by the affix rules of its flags.
//
// A form is a prefix, one or two suffixes, or a prefix with suffixes (cross
// product): the inner suffix comes from the word's flags (or from the
// continuation flags of the prefix), the outer one from the continuation flags
// of the inner one; a prefix comes from the word's flags (or from the
// continuation flags of the suffix) and joins suffixed forms only when both
// allow the cross product. NEEDAFFIX on the word forbids its bare form, on an
// affix the forms where that affix stands alone; CIRCUMFIX affixes come only in
// a prefix-suffix pair; a word or affix marked FORBIDDENWORD or ONLYINCOMPOUND
// gives no full form.
//
// Every form keeps its construction relative to the root:
//   Text == Prefix + root[FrontStrip, size - BackStrip) + Tail,
// so that the forms of a word can be cut into one stem and per-form affixes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/dictionary_builder/hunspell_affixes.h"

namespace kestrune {

struct THunspellEntry {
  std::u16string Word;
  THunspellFlags Flags;
  std::u16string Morphology;  // the entry's morphological fields, blank-separated
};

// Reads the entries of a ".dic" file (its first line is the count) in the
// encoding and flag type of the affix file. Lines that start with a tab are
// comments; "\/" is a slash within the word; morphological fields follow a
// tab or a blank before a "xx:" field. 0, or -1 when the file cannot be read.
int32_t ReadHunspellDictionary(const std::string& path, const THunspellAffixes& affixes,
                               std::vector<THunspellEntry>& entries);
// The same over the file's bytes (tests).
void ParseHunspellDictionary(std::string_view bytes, const THunspellAffixes& affixes,
                             std::vector<THunspellEntry>& entries);

struct THunspellForm {
  std::u16string Text;
  std::u16string Prefix;  // text the prefix puts before the kept part of the root
  int32_t FrontStrip = 0;  // root characters the prefix removed
  int32_t BackStrip = 0;   // root characters the suffixes removed
  std::u16string Tail;     // text the suffixes put after the kept part
};

class THunspellExpander {
 public:
  // The affixes must outlive the expander.
  explicit THunspellExpander(const THunspellAffixes& affixes) : affixes_(affixes) {}

  // True when the entry is a forbidden word (its text is no word anywhere).
  bool IsForbidden(const THunspellEntry& entry) const;
  // The full forms of the entry, the bare word first when it is one; repeated
  // texts are kept once (the first construction). Empty for a forbidden or
  // compound-only entry.
  void Expand(const THunspellEntry& entry, std::vector<THunspellForm>& forms) const;

 private:
  // One suffixed form on the way.
  struct TSuffixed {
    std::u16string Text;
    int32_t BackStrip = 0;
    std::u16string Tail;
    int32_t Affixes = 0;        // 1 or 2 suffixes
    bool NeedsMore = false;     // an affix of it wants another affix
    bool Circumfix = false;     // a suffix of it is a circumfix part
    bool CrossProduct = false;  // every suffix allows a prefix
    const THunspellFlags* Continuation = nullptr;  // of the inner suffix
    const THunspellFlags* OuterContinuation = nullptr;
  };

  bool Blocks(const THunspellFlags& continuation) const;
  // Suffixed forms of the root by the suffix flags given (and their
  // continuations).
  void Suffixes(const std::u16string& root, const THunspellFlags& flags, std::vector<TSuffixed>& out) const;

  const THunspellAffixes& affixes_;
};

}  // namespace kestrune
