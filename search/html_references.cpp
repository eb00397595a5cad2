#include "search/html_references.h"

#include <algorithm>
#include <iterator>

#include "search/html_parser_tables.h"

namespace kestrune {

char16_t HtmlNamedReference(std::string_view name) {
  const auto* found = std::lower_bound(std::begin(html::kNamedReferences), std::end(html::kNamedReferences), name,
                                       [](const html::TNamedReference& r, std::string_view key) { return r.Name < key; });
  return found == std::end(html::kNamedReferences) || found->Name != name ? char16_t{0} : found->Code;
}

}  // namespace kestrune
