// TCMKeyColor: a set of eight named colours with a change callback, owned by
// the map view as its KeyColor. The drawing takes every colour from the style
// table; this set is kept for the view's property and its change callback.
//
// Colours are 0x00BBGGRR. Each setter stores a changed value and then calls
// OnChange(*this) when set; writing the value already held does nothing.
#pragma once

#include <cstdint>
#include <functional>

namespace kestrune {

using TColor = int32_t;

class TCMKeyColor {
 public:
  static constexpr TColor kTeal = 0x808000;
  static constexpr TColor kLime = 0x00FF00;
  static constexpr TColor kBlack = 0x000000;
  static constexpr TColor kRed = 0x0000FF;
  static constexpr TColor kWhite = 0xFFFFFF;
  static constexpr TColor kBlue = 0xFF0000;
  static constexpr TColor kGreen = 0x008000;
  static constexpr TColor kSilver = 0xC0C0C0;

  std::function<void(TCMKeyColor&)> OnChange;

  TColor Low() const { return low_; }
  TColor High() const { return high_; }
  TColor Default() const { return default_; }
  TColor Select() const { return select_; }
  TColor Focus() const { return focus_; }
  TColor Hilight() const { return hilight_; }
  TColor Favourite() const { return favourite_; }
  TColor Shadow() const { return shadow_; }

  void SetLow(TColor value) { Store(low_, value); }
  void SetHigh(TColor value) { Store(high_, value); }
  void SetDefault(TColor value) { Store(default_, value); }
  void SetSelect(TColor value) { Store(select_, value); }
  void SetFocus(TColor value) { Store(focus_, value); }
  void SetHilight(TColor value) { Store(hilight_, value); }
  void SetFavourite(TColor value) { Store(favourite_, value); }
  void SetShadow(TColor value) { Store(shadow_, value); }

 private:
  void Store(TColor& field, TColor value) {
    if (field == value) return;
    field = value;
    if (OnChange) OnChange(*this);
  }

  TColor low_ = kTeal;
  TColor high_ = kLime;
  TColor default_ = kBlack;
  TColor select_ = kRed;
  TColor focus_ = kWhite;
  TColor hilight_ = kBlue;
  TColor favourite_ = kGreen;
  TColor shadow_ = kSilver;
};

}  // namespace kestrune
