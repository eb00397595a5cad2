// The modal message box as core code calls it. A program with a screen
// installs the real box through platform/message_box.h; until then (and in
// programs without one) the text is written to the log at level [Error] and
// the answer is that of the box's first button.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/message_box.h"

namespace kestrune {

// flags: the button set and icon (platform::kMb... values). Returns the
// pressed button (platform::kId... values).
int32_t ShowMessageBox(std::u16string_view text, std::u16string_view caption, uint32_t flags);

}  // namespace kestrune
