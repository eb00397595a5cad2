#include "core/message.h"

#include "core/log_file.h"
#include "platform/text.h"

namespace kestrune {

namespace {

// The first button of each of the Windows button sets.
int32_t FirstButton(uint32_t flags) {
  constexpr int32_t kIdAbort = 3;
  constexpr int32_t kIdRetry = 4;
  switch (flags & 0x0F) {
    case 0x02: return kIdAbort;           // abort, retry, ignore
    case 0x03: return platform::kIdYes;   // yes, no, cancel
    case 0x04: return platform::kIdYes;   // yes, no
    case 0x05: return kIdRetry;           // retry, cancel
    case 0x06: return platform::kIdCancel;  // cancel, try again, continue
    default: return platform::kIdOk;      // ok; ok, cancel
  }
}

}  // namespace

int32_t ShowMessageBox(std::u16string_view text, std::u16string_view caption, uint32_t flags) {
  if (platform::MessageBoxHandler handler = platform::GetMessageBoxHandler()) return handler(text, caption, flags);
  LogFile.Log(platform::Utf16ToUtf8(text), 2);
  return FirstButton(flags);
}

}  // namespace kestrune
