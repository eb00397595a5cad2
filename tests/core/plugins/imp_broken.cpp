// A library named like a converter plug-in that exports only ConvertToUnicode
// and ListSupportedTypes of the required entry points (and one optional one):
// the loader must not use it.
#include "core/convertor_plugin.h"

extern "C" {

int32_t ConvertToUnicode(const char16_t*, const char16_t*) { return 0; }
int32_t GetTypeDescription() { return 0; }

const char* ListSupportedTypes(int32_t*) { return "broken"; }

}  // extern "C"
