#include "language/morphology_engine.h"

#include <algorithm>
#include <stdexcept>

#include "platform/text.h"

namespace kestrune {

namespace {

constexpr const char* kOutOfFeatureMemory = "Out of the feature's memory!";

uint32_t ReadFeatureBuffer(const uint8_t* buffer, uint8_t size) {
  uint32_t value = 0;
  for (uint8_t i = 0; i < size && i < 4; ++i) value |= uint32_t{buffer[i]} << (8 * i);
  return value;
}

}  // namespace

uint8_t GetBits(uint8_t offset, uint8_t width, const uint8_t* buffer, uint8_t size) {
  if (size > 4) size = 4;
  if (uint32_t{offset} + width > 8u * size) throw std::out_of_range(kOutOfFeatureMemory);
  const uint32_t mask = (1u << width) - 1;
  return static_cast<uint8_t>((ReadFeatureBuffer(buffer, size) >> offset) & mask);
}

void SetBits(uint8_t offset, uint8_t width, uint8_t value, uint8_t size, uint8_t* buffer) {
  if (size > 4) size = 4;
  const uint64_t mask = width >= 8 ? 0xFF : (uint64_t{1} << width) - 1;
  if (value <= mask && uint32_t{offset} + width > 8u * size) throw std::out_of_range(kOutOfFeatureMemory);
  uint64_t v = ReadFeatureBuffer(buffer, size);
  if (offset < 40) {
    v &= ~(mask << offset);
    if (value != 0) v |= (uint64_t{value} & mask) << offset;
  }
  for (uint8_t i = 0; i < size; ++i) buffer[i] = static_cast<uint8_t>(v >> (8 * i));
}

void ReverseWideChars(char16_t* chars, int32_t count) {
  if (chars && count > 1) std::reverse(chars, chars + count);
}

void TMEBase::Clear() {
  FileVersion = 0;
  LanguageID = 9;
  SymbolCount = Symbol2Count = PairCount = 0;
  BaseLexemeCount = BaseRuleCount = 0;
  FileName.clear();
  HeaderText1.clear();
  HeaderText2.clear();
  Symbols.clear();
  Symbols2.clear();
  Pairs.clear();
}

bool TMEBase::FindSymbol(char16_t c, int32_t& position) const {
  const char16_t lower = platform::WideCharLower(c);
  int32_t lo = 0;
  int32_t hi = std::min<int32_t>(SymbolCount, static_cast<int32_t>(Symbols.size())) - 1;
  bool found = false;
  while (lo <= hi) {
    const int32_t mid = (lo + hi) / 2;
    if (Symbols[mid].Char < lower) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
      if (Symbols[mid].Char == lower) {
        found = true;
        lo = mid;
      }
    }
  }
  position = lo;
  return found;
}

void TMEBase::SetSymbolsLength(int32_t length) {
  if (length >= 0) Symbols.resize(static_cast<size_t>(length));
}

void TMEBase::SetSymbols2Length(int32_t length) {
  if (length >= 0) Symbols2.resize(static_cast<size_t>(length));
}

void TMEBase::SetPairsLength(int32_t length) {
  if (length >= 0) Pairs.resize(static_cast<size_t>(length));
}

}  // namespace kestrune
