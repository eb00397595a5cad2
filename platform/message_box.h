// The modal message box of the platform, as a callback that a program with a
// screen installs. Until one is installed, core's ShowMessageBox writes the text
// to the log at level [Error] and answers as if the first button was pressed.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

namespace kestrune::platform {

// Button sets and answers, with the values of the Windows message box.
inline constexpr uint32_t kMbOk = 0x00000000;
inline constexpr uint32_t kMbOkCancel = 0x00000001;
inline constexpr uint32_t kMbYesNo = 0x00000004;
inline constexpr uint32_t kMbIconError = 0x00000010;
inline constexpr uint32_t kMbIconQuestion = 0x00000020;
inline constexpr uint32_t kMbIconWarning = 0x00000030;
inline constexpr uint32_t kMbIconInformation = 0x00000040;
inline constexpr int32_t kIdOk = 1;
inline constexpr int32_t kIdCancel = 2;
inline constexpr int32_t kIdYes = 6;
inline constexpr int32_t kIdNo = 7;

using MessageBoxHandler =
    std::function<int32_t(std::u16string_view text, std::u16string_view caption, uint32_t flags)>;

// Installs (or, with an empty function, removes) the program's message box.
void SetMessageBoxHandler(MessageBoxHandler handler);
// The installed handler, or an empty function.
MessageBoxHandler GetMessageBoxHandler();

}  // namespace kestrune::platform
