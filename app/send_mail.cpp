#include "app/send_mail.h"

#include <cstring>
#include <mutex>

#include "core/log_file.h"
#include "core/message.h"
#include "core/message_strings.h"
#include "core/stream.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/text.h"

namespace kestrune {

namespace {

// A "mailto:" address whose characters outside the plain address set are
// percent-encoded, so the address can neither add header fields ("?", "&")
// nor be read as an option.
std::string MailtoAddress(std::u16string_view address) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string result = "mailto:";
  for (unsigned char c : platform::Utf16ToUtf8(address)) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       std::strchr("@.-_+~", c) != nullptr;
    if (plain && c != 0) {
      result += static_cast<char>(c);
    } else {
      result += '%';
      result += kHex[c >> 4];
      result += kHex[c & 15];
    }
  }
  return result;
}

// Writes the body as "message.txt" in a new private folder; its path, or
// empty on failure.
std::u16string WriteBodyFile(const std::string& body) {
  const std::u16string folder = platform::CreateTempFolder("kestrune-mail-");
  if (folder.empty()) return {};
  const std::u16string path = folder + u"message.txt";
  TMemoryStream stream(body.data(), body.size());
  if (stream.SaveToFile(path) != 0) return {};
  return path;
}

// The poster of SetUiPoster; the lock keeps a call from being queued while
// the poster is taken away. Never destroyed: a waiting thread may outlive
// the program's static objects.
struct TPosterState {
  std::mutex Lock;
  ISendMail::TUiPoster Poster;
};

TPosterState& PosterState() {
  static auto* state = new TPosterState;
  return *state;
}

}  // namespace

std::atomic<int32_t> ISendMail::running_{0};

void ISendMail::SetUiPoster(TUiPoster poster) {
  TPosterState& state = PosterState();
  const std::lock_guard<std::mutex> lock(state.Lock);
  state.Poster = std::move(poster);
}

void ISendMail::ReportFailure() {
  ShowMessageBox(MessageStrings.smCannotSendMail, MessageStrings.smMes, platform::kMbOk | platform::kMbIconWarning);
}

std::vector<std::string> ISendMail::Arguments() const {
  std::string body;
  for (size_t i = 0; i < text_.size(); ++i) {
    if (i > 0) body += '\n';
    body += platform::Utf16ToUtf8(text_[i]);
  }
  std::vector<std::string> args = {kMailProgram, "--utf8"};
  if (!subject_.empty()) {
    args.push_back("--subject");
    args.push_back(platform::Utf16ToUtf8(subject_));
  }
  std::u16string bodyFile;
  if (body.size() > kMaxBodyArgument) {
    bodyFile = WriteBodyFile(body);
    if (bodyFile.empty()) return {};
  } else if (!body.empty()) {
    args.push_back("--body");
    args.push_back(body);
  }
  for (const std::u16string& file : files_) {
    args.push_back("--attach");
    args.push_back(platform::Utf16ToUtf8(file));
  }
  if (!bodyFile.empty()) {
    args.push_back("--attach");
    args.push_back(platform::Utf16ToUtf8(bodyFile));
  }
  if (!mailto_.empty()) args.push_back(MailtoAddress(mailto_));
  return args;
}

bool ISendMail::Send() {
  const std::vector<std::string> args = Arguments();
  if (args.empty()) {
    LogFile.Log("Mail: the message body could not be written to a temporary file", mtWarning);
    ReportFailure();
    return false;
  }
  ++running_;
  // The end is told on the user-interface thread, after the log line.
  const int32_t error = platform::StartProcess(args, true, [](int32_t pid, int32_t status) {
    if (status != 0) {
      LogFile.Log("Mail: " + std::string(kMailProgram) + " (process " + std::to_string(pid) +
                      ") ended with status " + std::to_string(status),
                  mtWarning);
    }
    TPosterState& state = PosterState();
    const std::lock_guard<std::mutex> lock(state.Lock);
    if (!state.Poster) {
      --running_;
      return;
    }
    state.Poster([failed = status != 0] {
      if (failed) ReportFailure();
      --running_;
    });
  });
  if (error != 0) {
    --running_;
    LogFile.Log("Mail: " + std::string(kMailProgram) + " cannot be started: " + std::strerror(error), mtWarning);
    ReportFailure();
    return false;
  }
  return true;
}

}  // namespace kestrune
