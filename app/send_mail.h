// ISendMail: hands a message with attachments to the user's mail program,
// which shows it in its compose window for the user to send or discard. The
// about form (the support address), the bug-report form (the compressed log)
// and the main window (the map picture, the last query) use it: create it,
// fill it, call Send, drop it.
//
// The desktop's mail program is reached through "xdg-email", started from an
// argument vector (never a shell line), so no text of the message can run
// anything or be read as an option: the subject and body follow their option
// names, and the recipient goes last as a "mailto:" address. The body is
// the lines of Text joined with LF; a body larger than kMaxBodyArgument goes
// whole as an attached UTF-8 "message.txt" (from a private temporary folder,
// left for the mail program) and the body stays empty. Send returns at once.
// A mail program that cannot be started, or that ends with an error (no mail
// program of the user's answered), is written to the log at [Warning] and
// told in a message box (smCannotSendMail): a failed start at once, an error
// end later on the user-interface thread, as a call queued through the
// poster the window installs (SetUiPoster), never from the thread that waited
// for the program. Without a poster an error end is only logged.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

class ISendMail {
 public:
  static constexpr size_t kMaxBodyArgument = 64 * 1024;
  static constexpr const char* kMailProgram = "xdg-email";

  // The recipient's address; empty for none (the mail program asks).
  const std::u16string& mailto() const { return mailto_; }
  void Setmailto(std::u16string_view address) { mailto_ = address; }
  const std::u16string& Subject() const { return subject_; }
  void SetSubject(std::u16string_view subject) { subject_ = subject; }
  // Paths of the attachments, in order.
  std::vector<std::u16string>& files() { return files_; }
  void Setfiles(const std::vector<std::u16string>& files) { files_ = files; }
  // The lines of the body.
  std::vector<std::u16string>& Text() { return text_; }

  // Called on the user-interface thread. False when the mail program could
  // not be started (told already).
  bool Send();

  // Queues a call to run later on the user-interface thread; any thread may
  // call it. The window installs one while its event loop runs and takes it
  // away (an empty poster) before the loop goes: after that no call is
  // queued any more.
  using TUiPoster = std::function<void(std::function<void()> call)>;
  static void SetUiPoster(TUiPoster poster);
  // Mail programs started whose end has not been told yet.
  static int32_t Running() { return running_.load(); }
  // The message box of a mail that did not reach a mail program.
  static void ReportFailure();

  // The argument vector Send starts (UTF-8); writes the body file when the
  // body is too large for an argument. Empty when that file cannot be written.
  std::vector<std::string> Arguments() const;

 private:
  std::u16string mailto_;
  std::u16string subject_;
  std::vector<std::u16string> files_;
  std::vector<std::u16string> text_;
  static std::atomic<int32_t> running_;
};

}  // namespace kestrune
