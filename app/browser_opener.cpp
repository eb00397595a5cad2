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

}  // namespace kestrune
