#include "search/page_command_hosts.h"

#include <gtest/gtest.h>

namespace kestrune {
namespace {

// An address's host is read as the browser reads it before it hands the link
// over, so that no spelling of a command host slips through.
TEST(PageCommandHosts, AddressesAreReadAsTheBrowserReadsThem) {
  const struct {
    const char* url;
    bool command;
  } cases[] = {
      {"http://query/0", true},
      {"http://kestrunedeletefromhistory/0", true},
      {"http://help/", true},
      {"HTTP://QUERY/0", true},
      {"https://query/0", true},
      {"http:query/0", true},  // no slashes, one, three or backslashes: the same host
      {"http:/query/0", true},
      {"http:///query/0", true},
      {"http:\\\\query\\0", true},
      {"  http://qu\tery/0\n", true},  // blanks around, tabs and line breaks inside dropped
      {"http://user:pw@query:8080/0", true},
      {"http://query./0", true},
      {"http://%71uery/0", true},
      {"http://\xEF\xBD\x91\xEF\xBD\x95\xEF\xBD\x85\xEF\xBD\x92\xEF\xBD\x99/0", true},  // full-width letters
      {"http://query?x#y", true},
      {"http://query.example.com/0", false},
      {"http://example.com/query/0", false},
      {"http://queryx/0", false},
      {"http://[::1]/query", false},
      {"mailto:query@example.com", false},
      {"javascript:location='http://query/0'", false},
      {"query/0", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(AddressHasPageCommandHost(c.url), c.command) << c.url;
}

TEST(PageCommandHosts, TheLinksThePageWrites) {
  for (std::string_view host : kPageCommandHosts) {
    EXPECT_TRUE(IsPageCommandHost(host)) << host;
    std::string link;
    for (const char16_t c : PageCommandLink(host)) link += static_cast<char>(c);
    EXPECT_EQ(link, "http://" + std::string(host) + "/");
    EXPECT_TRUE(AddressHasPageCommandHost(link + "7")) << link;
  }
  EXPECT_TRUE(IsPageCommandHost("KestruneUpdateHistory"));
  EXPECT_FALSE(IsPageCommandHost("example.com"));
}

}  // namespace
}  // namespace kestrune
