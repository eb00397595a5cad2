// Feeds arbitrary bytes to the site key of a document's address and to the
// update server's address as the settings may hold it, and checks what their
// callers rely on: a site key holds no separator, "@", "?" or "#", and an
// ASCII site is its own site; the server address is empty or "http(s)://"
// and an authority without a final "/".
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/connect_probe.h"
#include "app/site_of_url.h"

using namespace kestrune;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string url(reinterpret_cast<const char*>(data), size);
  const std::string site = SiteOfUrl(url);
  if (site.find_first_of("/\\?#@") != std::string::npos) std::abort();
  bool ascii = true;
  for (unsigned char c : site) ascii = ascii && c < 0x80;
  if (ascii && SiteOfUrl(site) != site) std::abort();

  const std::string server = UpdateServerFromValue(url);
  if (!server.empty()) {
    if (server.rfind("http://", 0) != 0 && server.rfind("https://", 0) != 0) std::abort();
    const std::string authority = server.substr(server.find("://") + 3);
    if (authority.empty() || authority.find_first_of("/\\?#@ ") != std::string::npos) std::abort();
  }
  return 0;
}
