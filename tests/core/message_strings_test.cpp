#include "core/message_strings.h"

#include <gtest/gtest.h>

namespace kestrune {
namespace {

TEST(MessageStrings, UpdateTextReplacesThePlaceholderAsPlainText) {
  struct Case {
    std::u16string text;
    std::u16string version;
    std::u16string expected;
  } cases[] = {
      {u"", u"1.2", u"Kestrune is updated by version 1.2. Click <a href=\"$update_link\">here</a> for update."},
      {u"%S and %S", u"%s%n%S", u"%s%n%S and %s%n%S"},
      {u"no placeholder %s %", u"9", u"no placeholder %s %"},
      {u"%%S%", u"", u"%%"},
  };
  for (const Case& c : cases) {
    TMessageStrings strings;
    if (!c.text.empty()) strings.smUpdateString = c.text;
    EXPECT_EQ(strings.UpdateText(c.version), c.expected);
  }
}

}  // namespace
}  // namespace kestrune
