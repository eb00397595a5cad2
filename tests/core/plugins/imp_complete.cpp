// A converter plug-in for the loader's tests: every required entry point and
// one optional one (IsFileSupported). ListSupportedTypes returns the text of
// the environment variable KESTRUNE_TEST_CONVERTER_TYPES ("doc;txt" when it
// is unset), or null when that text is "<null>".
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/convertor_plugin.h"

namespace {
std::string types;
}

extern "C" {

int32_t GetCompatibilityFlags() { return 0; }
int32_t ConvertToUnicode(const char16_t*, const char16_t*) { return 0; }
int32_t GetConversionError() { return 0; }
int32_t IsFileTypeSupported(const char*) { return 1; }
int32_t IsFileSupported(const char16_t*) { return 1; }

const char* ListSupportedTypes(int32_t* reserved) {
  if (reserved) *reserved = 12345;
  const char* text = std::getenv("KESTRUNE_TEST_CONVERTER_TYPES");
  if (text && std::strcmp(text, "<null>") == 0) return nullptr;
  types = text ? text : "doc;txt";
  return types.c_str();
}

}  // extern "C"
