#include "tools/dictionary_builder/hunspell_expander.h"

#include <fstream>
#include <sstream>
#include <unordered_set>

namespace kestrune {

namespace {

std::string_view TrimRight(std::string_view text) {
  while (!text.empty() && (text.back() == '\r' || text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// Where the morphological fields of a dictionary line begin: at a blank or tab
// three places before a ':' ("word/flags po:noun"), or at the first tab.
size_t MorphologyStart(std::string_view line) {
  size_t start = std::string_view::npos;
  for (size_t colon = line.find(':'); colon != std::string_view::npos; colon = line.find(':', colon + 1)) {
    if (colon > 3 && (line[colon - 3] == ' ' || line[colon - 3] == '\t')) {
      start = colon - 3;
      break;
    }
  }
  const size_t tab = line.find('\t');
  if (tab != std::string_view::npos && tab < start) start = tab;
  return start;
}

}  // namespace

void ParseHunspellDictionary(std::string_view bytes, const THunspellAffixes& affixes,
                             std::vector<THunspellEntry>& entries) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  bool countRead = false;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    std::string_view line = TrimRight(bytes.substr(start, end - start));
    start = end + 1;
    if (line.empty() || line[0] == '\t') continue;
    if (!countRead) {
      countRead = true;  // the approximate entry count
      continue;
    }
    std::string_view fields;
    const size_t morphology = MorphologyStart(line);
    if (morphology != std::string_view::npos) {
      fields = line.substr(morphology);
      line = TrimRight(line.substr(0, morphology));
    }
    // The word ends at the first slash that is not escaped ("\/"); a slash at
    // the very start belongs to the word.
    std::string word;
    std::string_view flags;
    bool hasFlags = false;
    for (size_t i = 0; i < line.size(); ++i) {
      if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == '/') {
        word.push_back('/');
        ++i;
      } else if (line[i] == '/' && i > 0) {
        flags = line.substr(i + 1);
        hasFlags = true;
        break;
      } else {
        word.push_back(line[i]);
      }
    }
    THunspellEntry entry;
    entry.Word = affixes.RemoveIgnored(affixes.Decode(word));
    if (entry.Word.empty()) continue;
    if (hasFlags) entry.Flags = affixes.ParseFlags(flags);
    for (std::string_view field : SplitFields(fields)) {
      if (!entry.Morphology.empty()) entry.Morphology.push_back(u' ');
      entry.Morphology += affixes.ResolveMorphology(field);
    }
    entries.push_back(std::move(entry));
  }
}

int32_t ReadHunspellDictionary(const std::string& path, const THunspellAffixes& affixes,
                               std::vector<THunspellEntry>& entries) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return -1;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  ParseHunspellDictionary(bytes.str(), affixes, entries);
  return 0;
}

// ---- expansion ----

bool THunspellExpander::IsForbidden(const THunspellEntry& entry) const {
  return HasFlag(entry.Flags, affixes_.ForbiddenWord());
}

bool THunspellExpander::Blocks(const THunspellFlags& continuation) const {
  return HasFlag(continuation, affixes_.ForbiddenWord()) || HasFlag(continuation, affixes_.OnlyInCompound());
}

void THunspellExpander::Suffixes(const std::u16string& root, const THunspellFlags& flags,
                                 std::vector<TSuffixed>& out) const {
  const bool fullStrip = affixes_.FullStrip();
  const THunspellFlag needAffix = affixes_.NeedAffix();
  const THunspellFlag circumfix = affixes_.Circumfix();
  const std::vector<THunspellAffix>& all = affixes_.Affixes();
  std::u16string text;
  std::u16string outer;
  for (THunspellFlag flag : flags) {
    for (int32_t index : affixes_.SuffixesOf(flag)) {
      const THunspellAffix& inner = all[index];
      if (Blocks(inner.Continuation) || !inner.Apply(root, fullStrip, text)) continue;
      TSuffixed one;
      one.Text = text;
      one.BackStrip = static_cast<int32_t>(inner.Strip.size());
      one.Tail = inner.Append;
      one.Affixes = 1;
      one.NeedsMore = HasFlag(inner.Continuation, needAffix);
      one.Circumfix = HasFlag(inner.Continuation, circumfix);
      one.CrossProduct = inner.CrossProduct;
      one.Continuation = &inner.Continuation;
      // Outer suffixes named by the inner one's continuation flags.
      for (THunspellFlag next : inner.Continuation) {
        for (int32_t index2 : affixes_.SuffixesOf(next)) {
          const THunspellAffix& second = all[index2];
          if (Blocks(second.Continuation) || !second.Apply(text, fullStrip, outer)) continue;
          TSuffixed two;
          two.Text = outer;
          const int32_t strip = static_cast<int32_t>(second.Strip.size());
          const int32_t tail = static_cast<int32_t>(one.Tail.size());
          if (strip <= tail) {
            two.BackStrip = one.BackStrip;
            two.Tail = one.Tail.substr(0, static_cast<size_t>(tail - strip)) + second.Append;
          } else {
            two.BackStrip = one.BackStrip + (strip - tail);
            two.Tail = second.Append;
          }
          two.Affixes = 2;
          two.NeedsMore = false;  // each suffix has another affix beside it
          two.Circumfix = one.Circumfix || HasFlag(second.Continuation, circumfix);
          two.CrossProduct = inner.CrossProduct && second.CrossProduct;
          two.Continuation = &inner.Continuation;
          two.OuterContinuation = &second.Continuation;
          out.push_back(std::move(two));
        }
      }
      out.push_back(std::move(one));
    }
  }
}

void THunspellExpander::Expand(const THunspellEntry& entry, std::vector<THunspellForm>& forms) const {
  forms.clear();
  const THunspellFlags& flags = entry.Flags;
  if (HasFlag(flags, affixes_.ForbiddenWord()) || HasFlag(flags, affixes_.OnlyInCompound())) return;
  const std::u16string& root = entry.Word;
  const int32_t size = static_cast<int32_t>(root.size());
  const bool fullStrip = affixes_.FullStrip();
  const THunspellFlag needAffix = affixes_.NeedAffix();
  const THunspellFlag circumfix = affixes_.Circumfix();
  const std::vector<THunspellAffix>& all = affixes_.Affixes();

  std::unordered_set<std::u16string> seen;
  auto add = [&](THunspellForm form) {
    if (seen.insert(form.Text).second) forms.push_back(std::move(form));
  };

  if (!HasFlag(flags, needAffix)) add({root, u"", 0, 0, u""});

  std::vector<TSuffixed> suffixed;
  Suffixes(root, flags, suffixed);
  for (const TSuffixed& s : suffixed) {
    if (!s.NeedsMore && !s.Circumfix) add({s.Text, u"", 0, s.BackStrip, s.Tail});
  }

  // A prefix before a suffixed form: the prefix strips from the start of the
  // kept part of the root (or, past its end, from the suffix text).
  std::u16string text;
  auto addPrefixed = [&](const THunspellAffix& prefix, const TSuffixed& s) {
    if (!prefix.CrossProduct || !s.CrossProduct) return;
    if (HasFlag(prefix.Continuation, circumfix) != s.Circumfix) return;
    if (!prefix.Apply(s.Text, fullStrip, text)) return;
    const int32_t strip = static_cast<int32_t>(prefix.Strip.size());
    const int32_t kept = size - s.BackStrip;
    if (strip <= kept) {
      add({text, prefix.Append, strip, s.BackStrip, s.Tail});
    } else {
      add({text, prefix.Append, kept, s.BackStrip, s.Tail.substr(static_cast<size_t>(strip - kept))});
    }
  };

  std::vector<TSuffixed> enabled;
  for (THunspellFlag flag : flags) {
    for (int32_t index : affixes_.PrefixesOf(flag)) {
      const THunspellAffix& prefix = all[index];
      if (Blocks(prefix.Continuation)) continue;
      if (!HasFlag(prefix.Continuation, needAffix) && !HasFlag(prefix.Continuation, circumfix) &&
          prefix.Apply(root, fullStrip, text)) {
        add({text, prefix.Append, static_cast<int32_t>(prefix.Strip.size()), 0, u""});
      }
      if (!prefix.CrossProduct) continue;
      for (const TSuffixed& s : suffixed) addPrefixed(prefix, s);
      // Suffixes that the prefix's continuation flags allow with it.
      THunspellFlags extra;
      for (THunspellFlag next : prefix.Continuation) {
        if (!HasFlag(flags, next) && !affixes_.SuffixesOf(next).empty()) extra.push_back(next);
      }
      if (!extra.empty()) {
        enabled.clear();
        Suffixes(root, extra, enabled);
        for (const TSuffixed& s : enabled) addPrefixed(prefix, s);
      }
    }
  }
  // Prefixes that a suffix's continuation flags allow with it.
  for (const TSuffixed& s : suffixed) {
    for (const THunspellFlags* continuation : {s.Continuation, s.OuterContinuation}) {
      if (!continuation) continue;
      for (THunspellFlag next : *continuation) {
        if (HasFlag(flags, next)) continue;
        for (int32_t index : affixes_.PrefixesOf(next)) {
          const THunspellAffix& prefix = all[index];
          if (!Blocks(prefix.Continuation)) addPrefixed(prefix, s);
        }
      }
    }
  }
}

}  // namespace kestrune
