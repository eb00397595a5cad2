// Feeds arbitrary bytes to the interface-language reader as the program uses
// it: the header scan, then the whole apply with the message callback over a
// target of one form. No text of a file can empty a message string.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "app/lng_file.h"
#include "app/message_loader.h"
#include "tests/app/recording_lng_target.h"

using namespace kestrune;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemoryStream headerStream(data, size);
  TLngHeader header;
  ReadLngHeader(u"fuzz.lng", &headerStream, header);
  if (header.FileName != "fuzz.lng") std::abort();

  TMemoryStream stream(data, size);
  test::TRecordingLngTarget target({{"FKestruneMain", {"ILabel1", "ICombo"}}, {"FAbout", {"ILabel1"}}});
  TMessageStrings strings;
  if (!ApplyLngFile(u"", &target, MessageCallback, &strings, &stream)) std::abort();
  for (std::string_view key : TMessageStrings::Keys()) {
    if (strings.Find(key)->empty()) std::abort();
  }
  return 0;
}
