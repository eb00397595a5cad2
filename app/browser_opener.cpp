#include "app/browser_opener.h"

#include "core/log_file.h"
#include "platform/text.h"

namespace kestrune {

bool IBrowserOpener::IsBrowserUrl(std::u16string_view url) {
  for (std::u16string_view scheme : {u"http://", u"https://", u"ftp://"}) {
    if (url.size() > scheme.size() && platform::WideLowerCase(url.substr(0, scheme.size())) == scheme) return true;
  }
  return false;
}

bool IBrowserOpener::OpenInBrowser(std::u16string_view url) {
  if (!IsBrowserUrl(url)) {
    LogFile.Log("Not an http, https or ftp address; not opened: " + platform::Utf16ToUtf8(url), 1);
    return false;
  }
  if (OpenUrl(url)) return true;
  LogFile.Log("The desktop could not open " + platform::Utf16ToUtf8(url), 1);
  return false;
}

bool IBrowserOpener::IsDocumentType(std::string_view mimeType) {
  static constexpr std::string_view kTypes[] = {
      "text/plain",         "application/pdf",          "application/msword",
      "application/rtf",    "application/vnd.ms-excel", "application/vnd.ms-powerpoint"};
  static constexpr std::string_view kFamilies[] = {"application/vnd.openxmlformats-officedocument.",
                                                   "application/vnd.oasis.opendocument.", "image/", "audio/",
                                                   "video/"};
  static constexpr std::string_view kRefused[] = {"image/svg+xml", "image/svg+xml-compressed"};
  for (std::string_view refused : kRefused) {
    if (mimeType == refused) return false;
  }
  for (std::string_view type : kTypes) {
    if (mimeType == type) return true;
  }
  for (std::string_view family : kFamilies) {
    if (mimeType.size() > family.size() && mimeType.substr(0, family.size()) == family) return true;
  }
  return false;
}

}  // namespace kestrune
