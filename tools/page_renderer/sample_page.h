// The sample result page of the documentation: a query about solar panels,
// twelve documents of our own, three scopes, built by the page builder in the
// results mode from the templates of the given folder. Qt-free.
#pragma once

#include <string>

namespace kestrune::tools {

// The page's HTML; the program folder KESTRUNE_HOME points at is used for
// the sample engine's template.
std::u16string BuildSamplePage(const std::string& templateFolder);

}  // namespace kestrune::tools
