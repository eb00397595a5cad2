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
// left for the mail program) and the body stays empty. What the mail program
// does is not reported back: a missing xdg-email or one that fails is written
// to the log at [Warning], and Send returns at once either way.
#pragma once

#include <cstddef>
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

  void Send();

  // The argument vector Send starts (UTF-8); writes the body file when the
  // body is too large for an argument. Empty when that file cannot be written.
  std::vector<std::string> Arguments() const;

 private:
  std::u16string mailto_;
  std::u16string subject_;
  std::vector<std::u16string> files_;
  std::vector<std::u16string> text_;
};

}  // namespace kestrune
