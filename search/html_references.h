// The named character references of HTML 4.01 (all 252 of them, and "apos"):
// the character a name stands for. The HTML parser and the news feed's
// reader decode by the same table (search/html_parser_tables.h).
//
// Pure; any thread may call it.
#pragma once

#include <string_view>

namespace kestrune {

// The character of the reference `name` as HTML 4.01 spells it, letter case
// included ("eacute", "Dagger", "rArr"); 0 for any other name.
char16_t HtmlNamedReference(std::string_view name);

}  // namespace kestrune
