// IMainView: the main window as the session sees it. The session decides and
// the window shows; the session reaches the screen only through this
// interface (and IBrowserOpener, ISendMail). Later parts of the session widen
// it with what they need to show. Tests implement it with a recording fake.
// Called on the user-interface thread.
#pragma once

#include <cstdint>
#include <string_view>

namespace kestrune {

class IMainView {
 public:
  virtual ~IMainView() = default;

  // A modal message box owned by the main window; flags and the answer are
  // the platform::kMb... and platform::kId... values.
  virtual int32_t MessageBox(std::u16string_view text, std::u16string_view caption, uint32_t flags) = 0;
  virtual void SetCaption(std::u16string_view caption) = 0;
  // Closes the main window, which ends the program. Asked while the window is
  // being created, the program ends before its message loop runs.
  virtual void CloseMainWindow() = 0;
};

}  // namespace kestrune
