// The "DRMP" lexicon file of TIMorphologyEngineFull: load with merging,
// compaction, save, and the info block alone.
//
// Layout after the 16-byte frame (magic "DRMP", CRC-32 of the body, version 0):
//   info        1 / 128 / 16384   25-byte info block, WideString HeaderText1,
//                                 WideString HeaderText2
//   tables      16385             (when the info's tables flag is not 0) the
//                                 first base's alphabet, second table, pairs
//   affixes     16386             holding prefixes 16387 (u16 count, texts
//                                 1..), endings 16388 (u16 count, texts 1..,
//                                 not reversed), rules 16389 (i32 count,
//                                 {u16 prefix, u16 ending} for rules 1..)
//   lexeme      3 / 130 / 16390   one per lexeme, holding lemma 4/131/16391
//                                 (WideString, u16 features, u16 form count),
//                                 statistics 6/133/16393 (i32 per letter, only
//                                 when counted), forms 5/132/16392 (per form
//                                 the rule id, u16 or u32 when the rule count
//                                 exceeds 65,535, and 3 feature bytes)
// A tag triple's number follows the body size: the first up to 255 bytes, the
// second up to 65,535, the third beyond.
#include <algorithm>
#include <cstring>
#include <exception>

#include "core/base.h"
#include "core/frame.h"
#include "core/message.h"
#include "core/stream.h"
#include "core/tag_stream.h"
#include "language/morphology_engine_full.h"
#include "platform/files.h"
#include "platform/text.h"

namespace kestrune {

namespace {

int32_t TagBySize(int64_t size, int32_t small, int32_t medium, int32_t large) {
  return size <= 255 ? small : size <= 65535 ? medium : large;
}

int64_t HeaderBySize(int64_t size) { return size <= 255 ? 2 : size <= 65535 ? 4 : 6; }

int64_t WideSize(size_t length) { return 2 + 2 * static_cast<int64_t>(std::min<size_t>(length, 65535)); }

bool IsTag(int32_t tag, int32_t a, int32_t b, int32_t c) { return tag == a || tag == b || tag == c; }

void ShowError(std::u16string_view text) { ShowMessageBox(text, u"Error", platform::kMbOk | platform::kMbIconError); }

void ReadInfoBlock(TTagStream& in, TMEFileInfo& info) {
  uint8_t raw[TIMorphologyEngineFull::kInfoSize] = {};
  in.Read(raw, sizeof raw);
  std::memcpy(&info.LexemeCount, raw + 0, 4);
  std::memcpy(&info.RuleCount, raw + 4, 4);
  std::memcpy(&info.SymbolCount, raw + 8, 2);
  std::memcpy(&info.Symbol2Count, raw + 10, 2);
  std::memcpy(&info.PairCount, raw + 12, 2);
  std::memcpy(&info.TablesFlag, raw + 14, 2);
  std::memcpy(&info.Version, raw + 16, 4);
  std::memcpy(&info.LanguageId, raw + 20, 4);
  info.DeleteEnabled = raw[24];
}

// The load ends with this code; what was read so far stays.
struct CorruptFile {
  int32_t code;
};

}  // namespace

// ---- compaction ----

void TIMorphologyEngineFull::CompactLexicon() {
  for (int32_t i = 0; i < lexemeCount_; ++i) RemoveDuplicateForms(i);
  CompactRules();
}

void TIMorphologyEngineFull::RemoveDuplicateForms(int32_t lexeme) {
  TMEGroupFull* g = LexemeAt(lexeme);
  if (!g || g->FFormCount < 2) return;
  const int32_t count = g->FFormCount;
  // Forms ordered by (rule, features, number): a form equal to an earlier one
  // follows its first occurrence.
  std::vector<int32_t> order(static_cast<size_t>(count));
  for (int32_t k = 0; k < count; ++k) order[k] = k;
  auto key = [&](int32_t k) {
    const TMERule& f = g->Forms[k];
    return std::make_tuple(f.Rule, f.FormFeatures[0], f.FormFeatures[1], f.FormFeatures[2]);
  };
  std::sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
    const auto ka = key(a);
    const auto kb = key(b);
    return ka != kb ? ka < kb : a < b;
  });
  std::vector<uint8_t> removed(static_cast<size_t>(count), 0);
  bool any = false;
  for (int32_t i = 1; i < count; ++i) {
    if (key(order[i]) == key(order[i - 1])) {
      removed[order[i]] = 1;
      any = true;
    }
  }
  if (!any) return;
  for (int32_t j = 1; j < count; ++j) {
    if (!removed[j]) continue;
    ReleaseRuleReference(g->Forms[j].Rule);
    UnlinkForm(*g, j);
  }
  std::vector<int32_t> map(static_cast<size_t>(count), -1);
  int32_t kept = 0;
  for (int32_t k = 0; k < count; ++k) {
    if (!removed[k]) map[k] = kept++;
  }
  auto remap = [&](int16_t& link) {
    if (link >= 0 && link < count) link = static_cast<int16_t>(map[link]);
  };
  for (int16_t& root : g->Roots) remap(root);
  for (int32_t k = 0; k < count; ++k) {
    if (removed[k]) continue;
    TMERule& f = g->Forms[k];
    remap(f.Left);
    remap(f.Right);
    remap(f.Next);
  }
  for (int32_t k = 0; k < count; ++k) {
    if (removed[k] || map[k] == k) continue;
    const TMERule& from = g->Forms[k];
    TMERule& to = g->Forms[map[k]];
    std::copy(from.FormFeatures, from.FormFeatures + 3, to.FormFeatures);
    to.Rule = from.Rule;
    to.Left = from.Left;
    to.Right = from.Right;
    to.Next = from.Next;
    to.Balance = from.Balance;
  }
  g->FFormCount = static_cast<uint16_t>(kept);
}

void TIMorphologyEngineFull::CompactRules() {
  // 1. Recount. A count that differs is reported, and the recount is used, so
  // that no rule a form still carries is dropped.
  std::vector<uint32_t> counts(static_cast<size_t>(ruleCount_), 0);
  for (int32_t i = 0; i < lexemeCount_; ++i) {
    const TMEGroupFull& g = lexemes_[i];
    for (int32_t k = 0; k < g.FFormCount; ++k) {
      const int32_t r = g.Forms[k].Rule;
      if (r >= 0 && r < ruleCount_) ++counts[r];
    }
  }
  bool wrong = false;
  for (int32_t r = 0; r < ruleCount_; ++r) {
    if (counts[r] != rules_[r].References) {
      wrong = true;
      rules_[r].References = counts[r];
    }
  }
  if (wrong) ShowError(u"Ошибка в алгоритме установления используемых аффиксов");

  // 2. The first rule without a reference.
  int32_t first = -1;
  for (int32_t r = 1; r < ruleCount_; ++r) {
    if (rules_[r].References == 0) {
      first = r;
      break;
    }
  }
  if (first < 0) return;

  // 3. The trees go; they are rebuilt below.
  maxPrefixLength_ = 0;
  maxEndingLength_ = 0;
  prefixTree_.Clear();
  endingTree_.Clear();

  // 4. The affixes that live rules use keep their order under new ids.
  std::vector<int32_t> prefixMap(static_cast<size_t>(prefixCount_), -1);
  std::vector<int32_t> endingMap(static_cast<size_t>(endingCount_), -1);
  prefixMap[0] = 0;
  endingMap[0] = 0;
  for (int32_t r = 0; r < ruleCount_; ++r) {
    if (rules_[r].References == 0) continue;
    prefixMap[rules_[r].Prefix] = 0;
    endingMap[rules_[r].Ending] = 0;
  }
  int32_t prefixes = 1;
  for (int32_t p = 1; p < prefixCount_; ++p) {
    if (prefixMap[p] < 0) {
      prefixes_[p].clear();
      continue;
    }
    prefixMap[p] = prefixes;
    if (p != prefixes) {
      prefixes_[prefixes] = std::move(prefixes_[p]);
      prefixes_[p].clear();
    }
    ++prefixes;
  }
  int32_t endings = 1;
  for (int32_t e = 1; e < endingCount_; ++e) {
    if (endingMap[e] < 0) {
      endings_[e].clear();
      continue;
    }
    endingMap[e] = endings;
    if (e != endings) {
      endings_[endings] = std::move(endings_[e]);
      endings_[e].clear();
    }
    ++endings;
  }

  // 5. Live rules from `first` on move down; the order index keeps the
  // survivors in their relative order (prefix and ending ids kept theirs).
  std::vector<int32_t> ruleMap(static_cast<size_t>(ruleCount_), -1);
  for (int32_t r = 0; r < first; ++r) ruleMap[r] = r;
  int32_t rules = first;
  for (int32_t r = first; r < ruleCount_; ++r) {
    if (rules_[r].References == 0) continue;
    ruleMap[r] = rules;
    rules_[rules] = rules_[r];
    ++rules;
  }
  for (int32_t r = 0; r < rules; ++r) {
    rules_[r].Prefix = static_cast<uint16_t>(prefixMap[rules_[r].Prefix]);
    rules_[r].Ending = static_cast<uint16_t>(endingMap[rules_[r].Ending]);
  }
  // Rule 0 may have no reference; it stays, and so do its affixes (0, 0).
  size_t order = 0;
  for (size_t pos = 0; pos < affixOrder_.size(); ++pos) {
    const int32_t r = affixOrder_[pos];
    if (ruleMap[r] >= 0) affixOrder_[order++] = ruleMap[r];
  }
  affixOrder_.resize(order);
  rules_.resize(static_cast<size_t>(rules));
  ruleCount_ = rules;

  // 6. Forms take the new rule ids; the trees keep their shape, since the
  // renumbering keeps the order of the rule ids.
  for (int32_t i = 0; i < lexemeCount_; ++i) {
    TMEGroupFull& g = lexemes_[i];
    for (int32_t k = 0; k < g.FFormCount; ++k) {
      int32_t& r = g.Forms[k].Rule;
      if (r >= first && r < static_cast<int32_t>(ruleMap.size())) r = ruleMap[r];
    }
  }

  // 7. The trees again, from the lists.
  prefixCount_ = 1;
  bool prefixError = false;
  for (int32_t p = 1; p < prefixes; ++p) {
    RaiseMaxPrefixLength(static_cast<int32_t>(prefixes_[p].size()));
    if (prefixTree_.Insert(prefixes_[p], prefixCount_) != prefixCount_) prefixError = true;
    ++prefixCount_;
  }
  if (prefixError) ShowError(u"Ошибка в алгоритме создания нового троичного дерева приставок");
  endingCount_ = 1;
  bool endingError = false;
  for (int32_t e = 1; e < endings; ++e) {
    RaiseMaxEndingLength(static_cast<int32_t>(endings_[e].size()));
    if (endingTree_.Insert(endings_[e], endingCount_) != endingCount_) endingError = true;
    ++endingCount_;
  }
  if (endingError) ShowError(u"Ошибка в алгоритме создания нового троичного дерева окончаний");
}

// ---- save ----

int32_t TIMorphologyEngineFull::WriteBody(TTagStream& out) {
  const TMEBase* base = bases_.empty() ? nullptr : bases_[0].get();
  const uint16_t symbols = base ? base->SymbolCount : 0;
  const uint16_t symbols2 = base ? base->Symbol2Count : 0;
  const uint16_t pairs = base ? base->PairCount : 0;
  const uint16_t tablesFlag = static_cast<uint16_t>(std::min<uint32_t>(2u * symbols, 0xFFFF));
  const bool wideRules = ruleCount_ > 65535;

  // Info.
  const int64_t infoSize = kInfoSize + WideSize(headerText1_.size()) + WideSize(headerText2_.size());
  out.BeginTag(TagBySize(infoSize, kInfoTag1, kInfoTag2, kInfoTag3));
  out.WriteInteger(lexemeCount_);
  out.WriteInteger(ruleCount_);
  out.WriteWord(symbols);
  out.WriteWord(symbols2);
  out.WriteWord(pairs);
  out.WriteWord(tablesFlag);
  out.WriteInteger(kFileVersion);
  out.WriteInteger(languageId_);
  out.WriteByte(deleteEnabled_);
  out.WriteWideString(headerText1_);
  out.WriteWideString(headerText2_);
  out.EndTag();

  // Tables of the first base.
  if (tablesFlag != 0) {
    std::vector<uint8_t> bytes;
    bytes.reserve(3u * symbols + 3u * symbols2 + 4u * pairs);
    for (uint32_t i = 0; i < symbols; ++i) {
      const TMESymbol s = i < base->Symbols.size() ? base->Symbols[i] : TMESymbol{};
      bytes.insert(bytes.end(), {static_cast<uint8_t>(s.Char), static_cast<uint8_t>(s.Char >> 8), s.Value});
    }
    for (uint32_t i = 0; i < symbols2; ++i) {
      const TMESymbol2 s = i < base->Symbols2.size() ? base->Symbols2[i] : TMESymbol2{};
      const uint16_t c = static_cast<uint16_t>(s.Char);
      bytes.insert(bytes.end(), {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8), s.Value});
    }
    for (uint32_t i = 0; i < pairs; ++i) {
      const TMESymbolPair p = i < base->Pairs.size() ? base->Pairs[i] : TMESymbolPair{};
      bytes.insert(bytes.end(), {static_cast<uint8_t>(p.First), static_cast<uint8_t>(p.First >> 8),
                                 static_cast<uint8_t>(p.Second), static_cast<uint8_t>(p.Second >> 8)});
    }
    out.BeginTag(kTablesTag);
    out.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
    out.EndTag();
  }

  // Affixes and rules.
  out.BeginTag(kAffixTag);
  out.BeginTag(kPrefixesTag);
  out.WriteWord(static_cast<uint16_t>(prefixCount_));
  for (int32_t p = 1; p < prefixCount_; ++p) out.WriteWideString(prefixes_[p]);
  out.EndTag();
  out.BeginTag(kEndingsTag);
  out.WriteWord(static_cast<uint16_t>(endingCount_));
  for (int32_t e = 1; e < endingCount_; ++e) out.WriteWideString(endings_[e]);
  out.EndTag();
  out.BeginTag(kRulesTag);
  out.WriteInteger(ruleCount_);
  {
    std::vector<uint8_t> bytes;
    bytes.reserve(4 * static_cast<size_t>(ruleCount_));
    for (int32_t r = 1; r < ruleCount_; ++r) {
      const TMEAffixRule& rule = rules_[r];
      bytes.insert(bytes.end(), {static_cast<uint8_t>(rule.Prefix), static_cast<uint8_t>(rule.Prefix >> 8),
                                 static_cast<uint8_t>(rule.Ending), static_cast<uint8_t>(rule.Ending >> 8)});
    }
    out.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
  }
  out.EndTag();
  out.EndTag();

  // Lexemes.
  uint32_t step = 0;
  uint32_t accumulator = 0;
  uint32_t reported = 0;
  uint32_t tick = platform::GetTickCount();
  if (OnProgressChange) {
    step = static_cast<uint32_t>(6553600 / (int64_t{lexemeCount_} + ruleCount_));
  }
  std::vector<uint8_t> forms;
  for (int32_t i = 0; i < lexemeCount_; ++i) {
    if (OnProgressChange) {
      accumulator += step;
      const uint32_t now = platform::GetTickCount();
      if ((accumulator >> 16) > reported && now - tick > 5) {
        reported = accumulator >> 16;
        OnProgressChange(static_cast<int32_t>(reported));
        tick = now;
      }
    }
    const TMEGroupFull& g = lexemes_[i];
    const int64_t lemmaSize = WideSize(g.Lemma.size()) + 4;
    const int64_t statsSize = 4 * static_cast<int64_t>(g.Statistics.size());
    const int64_t formsSize = (wideRules ? 7 : 5) * int64_t{g.FFormCount};
    int64_t lexemeSize = lemmaSize + HeaderBySize(lemmaSize) + formsSize + HeaderBySize(formsSize);
    if (statsSize > 0) lexemeSize += statsSize + HeaderBySize(statsSize);
    out.BeginTag(TagBySize(lexemeSize, kLexemeTag1, kLexemeTag2, kLexemeTag3));
    out.BeginTag(TagBySize(lemmaSize, kLemmaTag1, kLemmaTag2, kLemmaTag3));
    out.WriteWideString(g.Lemma);
    out.WriteWord(g.Features);
    out.WriteWord(g.FFormCount);
    out.EndTag();
    if (statsSize > 0) {
      out.BeginTag(TagBySize(statsSize, kStatisticsTag1, kStatisticsTag2, kStatisticsTag3));
      out.Write(g.Statistics.data(), statsSize);
      out.EndTag();
    }
    forms.clear();
    for (int32_t k = 0; k < g.FFormCount; ++k) {
      const TMERule& f = g.Forms[k];
      const uint32_t r = static_cast<uint32_t>(f.Rule);
      forms.push_back(static_cast<uint8_t>(r));
      forms.push_back(static_cast<uint8_t>(r >> 8));
      if (wideRules) {
        forms.push_back(static_cast<uint8_t>(r >> 16));
        forms.push_back(static_cast<uint8_t>(r >> 24));
      }
      forms.insert(forms.end(), f.FormFeatures, f.FormFeatures + 3);
    }
    out.BeginTag(TagBySize(formsSize, kFormsTag1, kFormsTag2, kFormsTag3));
    out.Write(forms.data(), static_cast<int64_t>(forms.size()));
    out.EndTag();
    out.EndTag();
  }
  return out.WriteError() ? kFileError : kDone;
}

int32_t TIMorphologyEngineFull::SaveToFile(std::u16string_view fileName) {
  if (lexemeCount_ == 0) return kNoLexemes;
  if (fileName.empty()) return kFileError;
  try {
    CompactLexicon();
    if (OnProgressChange) OnProgressChange(0);
    // The file is made in memory (the tagged writer patches lengths in place)
    // and written whole to a temporary file that replaces the target.
    TMemoryStream image;
    TFrameHeader frame;
    frame.Magic = kMagicDRMP;
    image.Write(&frame, sizeof frame);
    int32_t result;
    {
      TTagStream out(&image);
      result = WriteBody(out);
    }
    if (result != kDone) return result;
    frame.CRC = CRC32Update(0, image.Bytes().data() + kFrameSize, image.Bytes().size() - kFrameSize);
    std::memcpy(image.Bytes().data(), &frame, sizeof frame);
    result = SaveFileAtomically(fileName, kFileError, [&](TStream& file) -> int32_t {
      const int64_t size = static_cast<int64_t>(image.Bytes().size());
      return file.Write(image.Bytes().data(), size) == size ? kDone : kFileError;
    });
    if (result != kDone) return result;
  } catch (const std::exception&) {
    return kFileError;
  }
  if (OnProgressChange) OnProgressChange(100);
  return kDone;
}

// ---- load ----

int32_t TIMorphologyEngineFull::LoadFromFile(std::u16string_view fileName) {
  if (fileName.empty()) return kFileError;
  if (!WideFileExists(fileName)) return kFileMissing;
  const uint32_t crc = FileCRC32(fileName, 16, -1);
  TFileStreamW file(fileName, TFileStreamW::fmOpenRead | TFileStreamW::fmShareDenyNone);
  if (!file.HandleValid()) return kCorrupt;
  int32_t result = kDone;
  {
    TTagStream in(&file);
    TFrameHeader frame;
    if (!ReadFrameHeader(in, frame) || frame.Magic != kMagicDRMP) {
      result = kWrongMagic;
    } else if (frame.CRC != crc) {
      result = kCRCMismatch;
    } else {
      if (OnProgressChange) OnProgressChange(0);
      result = LoadBody(in, fileName);
    }
  }
  if (OnProgressChange) OnProgressChange(100);
  return result;
}

int32_t TIMorphologyEngineFull::LoadBody(TTagStream& in, std::u16string_view fileName) {
  const int32_t firstNew = lexemeCount_;
  const int64_t size = in.StreamSize();
  int32_t highest = 0;
  TMEFileInfo info;
  bool haveInfo = false;
  // Maps of the file's ids onto the engine's; entry 0 is always 0.
  std::vector<int32_t> prefixMap{0};
  std::vector<int32_t> endingMap{0};
  std::vector<int32_t> ruleMap{0};
  int32_t result = kDone;

  auto readPrefixes = [&](bool endings) {
    if (in.TagRemaining() < 2) throw CorruptFile{kCorrupt};
    uint16_t count = 0;
    in.ReadWord(count);
    if (count == 0) count = 1;
    if (in.TagRemaining() < 2 * (int64_t{count} - 1)) throw CorruptFile{kCorrupt};
    std::vector<int32_t>& map = endings ? endingMap : prefixMap;
    map.assign(count, 0);
    std::u16string text;
    for (int32_t i = 1; i < count; ++i) {
      if (!in.ReadWideStringChecked(text)) throw CorruptFile{kCorrupt};
      if (endings) {
        RaiseMaxEndingLength(static_cast<int32_t>(text.size()));
        FindOrAddEnding(text, map[i]);
      } else {
        // The analysis keeps prefix lengths in a byte.
        if (text.size() > static_cast<size_t>(kMaxPrefixLength)) throw CorruptFile{kCorrupt};
        RaiseMaxPrefixLength(static_cast<int32_t>(text.size()));
        FindOrAddPrefix(text, map[i]);
      }
    }
  };

  auto readRules = [&]() {
    if (in.TagRemaining() < 4) throw CorruptFile{kCorrupt};
    int32_t count = 0;
    in.ReadInteger(count);
    if (count < 1 || in.TagRemaining() < 4 * (int64_t{count} - 1)) throw CorruptFile{kCorrupt};
    ruleMap.assign(static_cast<size_t>(count), 0);
    for (int32_t i = 1; i < count; ++i) {
      uint16_t p = 0;
      uint16_t e = 0;
      in.ReadWord(p);
      in.ReadWord(e);
      if (p >= prefixMap.size() || e >= endingMap.size()) throw CorruptFile{kCorrupt};
      ruleMap[i] = FindOrAddRule(prefixMap[p], endingMap[e]);
    }
  };

  auto readTables = [&]() {
    if (!haveInfo || info.TablesFlag == 0) return;
    const int64_t bytes = 3 * int64_t{info.SymbolCount} + 3 * int64_t{info.Symbol2Count} + 4 * int64_t{info.PairCount};
    if (in.TagRemaining() < bytes) throw CorruptFile{kCorrupt};
    const int32_t existing = BaseOfLanguage(info.LanguageId);
    const int32_t b = FindOrCreateBase(info, platform::WideLowerCase(fileName), headerText2_, headerText1_);
    TMEBase& base = *bases_[b];
    if (existing >= 0 && base.SymbolCount + base.Symbol2Count != 0) return;
    uint8_t raw[4];
    if (info.SymbolCount != 0) {
      base.SetSymbolsLength(info.SymbolCount);
      for (auto& s : base.Symbols) {
        in.Read(raw, 3);
        s.Char = static_cast<uint16_t>(raw[0] | (raw[1] << 8));
        s.Value = raw[2];
      }
    }
    if (info.Symbol2Count != 0) {
      base.SetSymbols2Length(info.Symbol2Count);
      for (auto& s : base.Symbols2) {
        in.Read(raw, 3);
        s.Char = static_cast<int16_t>(raw[0] | (raw[1] << 8));
        s.Value = raw[2];
      }
    }
    if (info.PairCount != 0) {
      base.SetPairsLength(info.PairCount);
      for (auto& p : base.Pairs) {
        in.Read(raw, 4);
        p.First = static_cast<uint16_t>(raw[0] | (raw[1] << 8));
        p.Second = static_cast<uint16_t>(raw[2] | (raw[3] << 8));
      }
    }
    base.SymbolCount = info.SymbolCount;
    base.Symbol2Count = info.Symbol2Count;
    base.PairCount = info.PairCount;
  };

  auto readLexeme = [&]() {
    TMEGroupFull* g = nullptr;
    const bool wideRules = haveInfo && info.RuleCount > 65535;
    const int64_t entry = wideRules ? 7 : 5;
    // Numbers must stay those of the file: a lexeme tag always makes a lexeme.
    auto start = [&]() {
      const int32_t index = lexemeCount_;
      if (index == INT32_MAX) throw CorruptFile{kCorrupt};
      lexemes_.Reserve(int64_t{index} + 1);
      InitLexeme(index);
      ++lexemeCount_;
      g = &lexemes_[index];
    };
    while (in.TagRemaining() >= 2) {
      if (in.ReadTag() <= 0) throw CorruptFile{kCorrupt};
      const int32_t tag = in.CurrentTag();
      if (IsTag(tag, kLemmaTag1, kLemmaTag2, kLemmaTag3)) {
        if (g) throw CorruptFile{kCorrupt};  // one lemma, first
        start();
        if (!in.ReadWideStringChecked(g->Lemma)) throw CorruptFile{kCorrupt};
        uint16_t features = 0;
        uint16_t forms = 0;
        in.ReadWord(features);
        in.ReadWord(forms);
        g->Features = features;
        in.LeaveTag();
        // Form links are 16-bit signed, and the forms must follow in this tag.
        if (forms > TMEGroupFull::kMaxForms || in.TagRemaining() < entry * forms) throw CorruptFile{kCorrupt};
        g->Forms.resize(forms);
        g->FFormCount = forms;
        for (int32_t k = 0; k < forms; ++k) g->InitForm(k);
        continue;
      }
      if (IsTag(tag, kFormsTag1, kFormsTag2, kFormsTag3)) {
        if (!g) throw CorruptFile{kCorrupt};
        if (g->FFormCount > 0) {
          if (in.TagRemaining() < entry * g->FFormCount) throw CorruptFile{kCorrupt};
          std::vector<uint8_t> bytes(static_cast<size_t>(entry * g->FFormCount));
          in.Read(bytes.data(), static_cast<int64_t>(bytes.size()));
          const uint8_t* p = bytes.data();
          for (int32_t k = 0; k < g->FFormCount; ++k, p += entry) {
            uint32_t rule = uint32_t{p[0]} | (uint32_t{p[1]} << 8);
            if (wideRules) rule |= (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
            TMERule& f = g->Forms[k];
            // The file's rule id, mapped when the lexeme is finished.
            f.Rule = static_cast<int32_t>(rule);
            std::copy(p + entry - 3, p + entry, f.FormFeatures);
          }
        }
      } else if (IsTag(tag, kStatisticsTag1, kStatisticsTag2, kStatisticsTag3)) {
        if (!g) throw CorruptFile{kCorrupt};
        const int32_t b = haveInfo ? BaseOfLanguage(info.LanguageId) : -1;
        if (b >= 0 && info.SymbolCount != 0 && info.SymbolCount == bases_[b]->SymbolCount) {
          if (in.TagRemaining() < 4 * int64_t{info.SymbolCount}) throw CorruptFile{kCorrupt};
          g->Statistics.assign(info.SymbolCount, 0);
          in.Read(g->Statistics.data(), 4 * int64_t{info.SymbolCount});
        }
      }
      in.LeaveTag();
    }
    if (!g) start();
  };

  try {
    while (!in.EndOfStream()) {
      if (in.ReadTag() <= 0) break;
      const int32_t tag = in.CurrentTag();
      if (IsTag(tag, kInfoTag1, kInfoTag2, kInfoTag3)) {
        TMEFileInfo read;
        ReadInfoBlock(in, read);
        if (read.Version != kFileVersion) {
          result = kWrongVersion;
          break;
        }
        if (read.LanguageId < INT16_MIN || read.LanguageId > INT16_MAX) throw CorruptFile{kCorrupt};
        std::u16string text1;
        std::u16string text2;
        if (!in.ReadWideStringChecked(text1) || !in.ReadWideStringChecked(text2)) throw CorruptFile{kCorrupt};
        info = read;
        haveInfo = true;
        headerText1_ = std::move(text1);
        headerText2_ = std::move(text2);
        languageId_ = static_cast<int16_t>(info.LanguageId);
        deleteEnabled_ = info.DeleteEnabled;
      } else if (tag == kTablesTag) {
        readTables();
      } else if (tag == kAffixTag) {
        while (in.TagRemaining() >= 2) {
          if (in.ReadTag() <= 0) throw CorruptFile{kCorrupt};
          if (in.CurrentTag() == kPrefixesTag) {
            readPrefixes(false);
          } else if (in.CurrentTag() == kEndingsTag) {
            readPrefixes(true);
          } else if (in.CurrentTag() == kRulesTag) {
            readRules();
          }
          in.LeaveTag();
        }
      } else if (IsTag(tag, kLexemeTag1, kLexemeTag2, kLexemeTag3)) {
        readLexeme();
      }
      in.LeaveTag();
      if (OnProgressChange && size > 0) {
        const int32_t p = static_cast<int32_t>(in.Position() * 100 / size);
        if (p > highest) {
          highest = p;
          OnProgressChange(p);
        }
      }
    }
  } catch (const CorruptFile& corrupt) {
    result = corrupt.code;
  } catch (const std::exception&) {
    // A table limit (65,535 affixes) refused an id of the file.
    result = kCorrupt;
  }

  // The new lexemes take the engine's rule ids, count their references and
  // build their form trees. This runs after an error too, so that every
  // lexeme in the engine is consistent.
  for (int32_t i = firstNew; i < lexemeCount_; ++i) {
    TMEGroupFull& g = lexemes_[i];
    int32_t longest = 0;
    for (int32_t k = 0; k < g.FFormCount; ++k) {
      TMERule& f = g.Forms[k];
      const uint32_t fileRule = static_cast<uint32_t>(f.Rule);
      f.Rule = fileRule < ruleMap.size() ? ruleMap[fileRule] : 0;
      AddRuleReference(f.Rule);
      longest = std::max<int32_t>(longest, static_cast<int32_t>(RuleEndingText(f.Rule).size()));
    }
    g.MaxEnding = static_cast<int16_t>(std::min<int32_t>(longest, INT16_MAX));
    g.Roots.assign(static_cast<size_t>(longest) + 1, -1);
    for (int32_t k = 0; k < g.FFormCount; ++k) LinkForm(g, k);
  }
  return result;
}

int32_t TIMorphologyEngineFull::ReadFileInfo(std::u16string_view fileName, TMEFileInfo& info) {
  info = TMEFileInfo{};
  if (fileName.empty()) return kFileError;
  if (!WideFileExists(fileName)) return kFileMissing;
  TFileStreamW file(fileName, TFileStreamW::fmOpenRead | TFileStreamW::fmShareDenyNone);
  if (!file.HandleValid()) return kFileError;
  TTagStream in(&file);
  TFrameHeader frame;
  if (!ReadFrameHeader(in, frame) || frame.Magic != kMagicDRMP) return kWrongMagic;
  while (!in.EndOfStream()) {
    if (in.ReadTag() <= 0) break;
    if (IsTag(in.CurrentTag(), kInfoTag1, kInfoTag2, kInfoTag3)) {
      ReadInfoBlock(in, info);
      break;
    }
    in.LeaveTag();
  }
  return kDone;
}

}  // namespace kestrune
