// THunspellAffixes: the affix file (".aff") of a Hunspell dictionary, read as
// far as the full forms of its words need it.
//
// Read: SET (the encoding of the affix and dictionary files; ISO8859-1 when
// absent), FLAG (char, long, num or UTF-8 flags), AF and AM (flag and
// morphology aliases), PFX and SFX tables (strip, append, continuation flags,
// condition, morphological fields, cross product), the flags NEEDAFFIX
// (PSEUDOROOT), FORBIDDENWORD, ONLYINCOMPOUND and CIRCUMFIX, FULLSTRIP and
// IGNORE. Everything else (suggestion, compounding, case and conversion
// directives) is skipped: it does not change which full forms a word has.
//
// Texts are UTF-16, decoded from the file's encoding; conditions and strips
// work per UTF-16 unit, as Hunspell does. Flags are 16-bit values, 0 none.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

using THunspellFlag = uint16_t;
// Sorted, without repeats.
using THunspellFlags = std::vector<THunspellFlag>;

bool HasFlag(const THunspellFlags& flags, THunspellFlag flag);

enum class THunspellFlagType { Char, Long, Num, Utf8 };

// An affix condition: one element per character position, each any character
// ('.'), a set ("[abc]") or a negated set ("[^abc]"), or one character.
class THunspellCondition {
 public:
  // "." or an empty text is the condition that always holds.
  static THunspellCondition Parse(std::u16string_view text);
  // The word's last (first) characters match the elements; a word shorter
  // than the condition never matches.
  bool MatchesEnd(std::u16string_view word) const;
  bool MatchesStart(std::u16string_view word) const;
  size_t Length() const { return elements_.size(); }

 private:
  struct TElement {
    bool Any = false;
    bool Negated = false;
    std::u16string Chars;
    bool Matches(char16_t c) const;
  };
  std::vector<TElement> elements_;
};

// One line of a PFX or SFX table.
struct THunspellAffix {
  bool Prefix = false;
  THunspellFlag Flag = 0;
  bool CrossProduct = false;
  std::u16string Strip;
  std::u16string Append;
  THunspellFlags Continuation;
  THunspellCondition Condition;
  std::u16string Morphology;

  // Applies the affix to a word: the condition holds at the word's end (a
  // suffix) or start (a prefix), the word begins or ends with the strip, and
  // more than the strip is left (or exactly the strip with FULLSTRIP).
  bool Apply(std::u16string_view word, bool fullStrip, std::u16string& out) const;
};

class THunspellAffixes {
 public:
  // 0 loaded; -1 the file cannot be read; -2 an unknown encoding or a
  // malformed table (Error() says which line).
  int32_t LoadFromFile(const std::string& path);
  // The same over the file's bytes (tests).
  int32_t LoadFromBytes(std::string_view bytes);
  const std::string& Error() const { return error_; }

  // Bytes of the dictionary's encoding to UTF-16.
  std::u16string Decode(std::string_view bytes) const;
  // A flag field of the dictionary or of an affix (an alias number when AF
  // aliases are defined), sorted.
  THunspellFlags ParseFlags(std::string_view raw) const;
  // Flags written out in the file's flag type (never an alias number).
  THunspellFlags ParseFlagText(std::string_view raw) const;
  // A morphology field: the alias text when AM aliases are defined and the
  // field is a number, else the field itself.
  std::u16string ResolveMorphology(std::string_view raw) const;

  const std::vector<THunspellAffix>& Affixes() const { return affixes_; }
  // Indexes into Affixes() of the prefixes / suffixes of one flag.
  const std::vector<int32_t>& PrefixesOf(THunspellFlag flag) const { return prefixesByFlag_[flag]; }
  const std::vector<int32_t>& SuffixesOf(THunspellFlag flag) const { return suffixesByFlag_[flag]; }

  const std::string& Encoding() const { return encoding_; }
  THunspellFlagType FlagType() const { return flagType_; }
  THunspellFlag NeedAffix() const { return needAffix_; }
  THunspellFlag ForbiddenWord() const { return forbiddenWord_; }
  THunspellFlag OnlyInCompound() const { return onlyInCompound_; }
  THunspellFlag Circumfix() const { return circumfix_; }
  bool FullStrip() const { return fullStrip_; }
  // Characters Hunspell removes from words and affixes.
  const std::u16string& Ignore() const { return ignore_; }
  std::u16string RemoveIgnored(std::u16string text) const;

 private:
  THunspellFlag ParseOneFlag(std::string_view raw) const;
  bool ReadTable(const std::vector<std::string_view>& fields, bool prefix, size_t& line,
                 const std::vector<std::string_view>& lines);

  std::string encoding_ = "ISO8859-1";
  THunspellFlagType flagType_ = THunspellFlagType::Char;
  std::vector<THunspellFlags> flagAliases_;
  std::vector<std::u16string> morphologyAliases_;
  std::vector<THunspellAffix> affixes_;
  std::vector<std::vector<int32_t>> prefixesByFlag_ = std::vector<std::vector<int32_t>>(65536);
  std::vector<std::vector<int32_t>> suffixesByFlag_ = std::vector<std::vector<int32_t>>(65536);
  THunspellFlag needAffix_ = 0;
  THunspellFlag forbiddenWord_ = 0;
  THunspellFlag onlyInCompound_ = 0;
  THunspellFlag circumfix_ = 0;
  bool fullStrip_ = false;
  std::u16string ignore_;
  std::string error_;
};

// Splits a line at blanks and tabs.
std::vector<std::string_view> SplitFields(std::string_view line);

}  // namespace kestrune
