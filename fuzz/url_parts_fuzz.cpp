// Feeds arbitrary bytes to the URL-part routines of the HTTP reader as a URL
// and checks what every caller relies on: the parts are pieces of the URL, a
// host holds no "/" or ":", a port is 1..65535 or -1, a file name holds no "/".
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "search/http_read.h"

using namespace kestrune;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static THttpRead reader;
  const std::string url(reinterpret_cast<const char*>(data), size);
  const std::string host = GetUrlHost(url);
  const std::string path = GetUrlPath(url);
  const std::string name = ExtractUrlFileName(url);
  const int32_t port = reader.GetUrlPort(url);

  if (host.find_first_of("/:") != std::string::npos) std::abort();
  if (url.find(host) == std::string::npos) std::abort();
  if (path.size() > url.size() || url.compare(url.size() - path.size(), path.size(), path) != 0) std::abort();
  if (name.find('/') != std::string::npos) std::abort();
  if (name.size() > url.size() || url.compare(url.size() - name.size(), name.size(), name) != 0) std::abort();
  if (reader.GetUrlFileName(url) != name) std::abort();
  if (port != -1 && (port < 1 || port > 65535)) std::abort();
  // A URL without a ":" after its host has the scheme's port.
  if (url.find(':') == std::string::npos && port != 80) std::abort();
  return 0;
}
