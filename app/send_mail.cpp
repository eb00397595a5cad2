#include "app/send_mail.h"

#include <cstring>

#include "core/log_file.h"
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

}  // namespace

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

void ISendMail::Send() {
  const std::vector<std::string> args = Arguments();
  if (args.empty()) {
    LogFile.Log("Mail: the message body could not be written to a temporary file", mtWarning);
    return;
  }
  const int32_t error = platform::StartProcess(args, true, [](int32_t pid, int32_t status) {
    if (status != 0) {
      LogFile.Log("Mail: " + std::string(kMailProgram) + " (process " + std::to_string(pid) +
                      ") ended with status " + std::to_string(status),
                  mtWarning);
    }
  });
  if (error != 0) {
    LogFile.Log("Mail: " + std::string(kMailProgram) + " cannot be started: " + std::strerror(error), mtWarning);
  }
}

}  // namespace kestrune
