#include "core/message_strings.h"

#include <gtest/gtest.h>

#include <set>

namespace kestrune {
namespace {

TEST(MessageStrings, EveryKeyHasItsOwnMemberAndABuiltInText) {
  TMessageStrings strings;
  std::set<std::string_view> keys;
  std::set<const std::u16string*> members;
  for (std::string_view key : TMessageStrings::Keys()) {
    keys.insert(key);
    std::u16string* member = strings.Find(key);
    ASSERT_NE(member, nullptr) << key;
    members.insert(member);
    EXPECT_FALSE(member->empty()) << key;
  }
  EXPECT_EQ(keys.size(), 97u);
  EXPECT_EQ(members.size(), 97u);
  for (std::string_view unknown : {"smhello", "SMHELLO", "smHello ", "", "smFileExists", "urlForDownloadingMoreDict"})
    EXPECT_EQ(strings.Find(unknown), nullptr) << unknown;
  EXPECT_EQ(strings.Find("smKestruneVia"), &strings.smKestruneVia);
  EXPECT_NE(strings.smStringLoadDictionary1.find(u" http://www.kestrune.example/download/dictionaries.asp, "),
            std::u16string::npos);
}

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
