// Hand-made RSS feeds of the update server's news, for the feed reader's
// tests and the seeds of its fuzz target: each with the items it must give.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/news_feed.h"

namespace kestrune::test {

struct TNewsFeedCase {
  const char* name;
  std::string feed;
  TNewsItemS items;  // what the reader gives
};

inline std::string Utf16LeWithByteOrderMark(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

// "{external}" in a feed stands for an address the test serves or a file
// it writes, which the reader must never fetch.
inline std::vector<TNewsFeedCase> NewsFeedCases() {
  const std::string rss = R"(<rss version="2.0" xmlns:date="http://www.kestrune.example/date">)";
  return {
      {"Utf8WithTitleLinkAndDate",
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + rss +
           "<channel><title>Kestrune news</title>"
           "<item><title>\xd0\x9d\xd0\xbe\xd0\xb2\xd0\xb0\xd1\x8f \xd0\xb2\xd0\xb5\xd1\x80\xd1\x81\xd0\xb8\xd1\x8f</title>"
           "<link>http://www.kestrune.example/news/1?a=1&amp;b=2</link><date:value>2006-03-01</date:value></item>"
           "<item><title>Second</title><link>http://www.kestrune.example/news/2</link>"
           "<date:value>2006-02-14</date:value></item>"
           "</channel></rss>",
       {{u"\u041d\u043e\u0432\u0430\u044f \u0432\u0435\u0440\u0441\u0438\u044f", u"http://www.kestrune.example/news/1?a=1&b=2",
         u"2006-03-01"},
        {u"Second", u"http://www.kestrune.example/news/2", u"2006-02-14"}}},
      {"Windows1251DecodedOnce",
       "<?xml version=\"1.0\" encoding=\"windows-1251\"?><rss><channel>"
       "<item><title>\xcd\xee\xe2\xee\xf1\xf2\xe8 &lt;\xe8&gt;</title><link>http://x/\xe0</link></item>"
       "</channel></rss>",
       {{u"\u041d\u043e\u0432\u043e\u0441\u0442\u0438 <\u0438>", u"http://x/\u0430", u""}}},
      {"TitlesOnly",
       "<?xml version=\"1.0\"?><rss><channel><item><title>One</title></item><item><title>Two</title></item>"
       "</channel></rss>",
       {{u"One", u"", u""}, {u"Two", u"", u""}}},
      {"CapitalItemIsNoItem",
       "<?xml version=\"1.0\"?><rss><channel><Item><title>No</title></Item><item><title>Yes</title></item>"
       "</channel></rss>",
       {{u"Yes", u"", u""}}},
      {"ChannelTitleAndEmptyItemAreNoItems",
       "<?xml version=\"1.0\"?><rss><channel><title>Channel</title><link>http://c/</link><item/>"
       "<item>text only</item><item><guid>7</guid></item></channel></rss>",
       {{u"", u"", u""}}},
      {"NoDeclarationNoItems", "<rss><channel><item><title>Lost</title></item></channel></rss>", {}},
      {"UndeclaredDatePrefix",
       "<?xml version=\"1.0\"?><rss><channel><item><title>T</title><date:value>1 May</date:value></item>"
       "</channel></rss>",
       {{u"T", u"", u"1 May"}}},
      {"OtherPrefixIsNoDate",
       "<?xml version=\"1.0\"?><rss xmlns:d=\"urn:d\"><channel><item><title>T</title><d:value>x</d:value>"
       "<value>y</value></item></channel></rss>",
       {{u"T", u"", u""}}},
      {"BlanksAroundTextsAndCdata",
       "<?xml version=\"1.0\"?>\n<rss>\n <channel>\n  <item>\n   <title>\n     Spaced  out \n   </title>\n"
       "   <link><![CDATA[http://x/?a=1&b=2]]></link>\n  </item>\n </channel>\n</rss>\n",
       {{u"Spaced  out", u"http://x/?a=1&b=2", u""}}},
      {"RootOtherThanRss", "<?xml version=\"1.0\"?><feed><channel><item><title>A</title></item></channel></feed>",
       {}},
      {"UnknownEncoding",
       "<?xml version=\"1.0\" encoding=\"x-kestrune-none\"?><rss><channel><item><title>A</title></item>"
       "</channel></rss>",
       {}},
      {"Utf16WithByteOrderMark",
       Utf16LeWithByteOrderMark(u"<?xml version=\"1.0\"?><rss><channel><item><title>\u0416</title></item>"
                                u"</channel></rss>"),
       {{u"\u0416", u"", u""}}},
      {"ExternalEntityNeverFetched",
       "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY ext SYSTEM \"{external}\">]>"
       "<rss><channel><item><title>A&ext;B</title></item></channel></rss>",
       {{u"A&ext;B", u"", u""}}},
      {"InternalEntitiesNotExpanded",
       "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">"
       "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;\">]><rss><channel><item><title>x&c;&amp;&#x41;</title></item>"
       "</channel></rss>",
       {{u"x&c;&A", u"", u""}}},
      {"UndeclaredHtmlReferenceDecodedTheRestKept",
       "<?xml version=\"1.0\"?><rss><channel><item><title>A&nbsp;B &amp; C</title>"
       "<link>http://x/?a=1&amp;b=2</link></item></channel></rss>",
       {{u"A\u00a0B & C", u"http://x/?a=1&b=2", u""}}},
      {"ExternalDtdNotLoaded",
       "<?xml version=\"1.0\"?><!DOCTYPE rss SYSTEM \"{external}\"><rss><channel><item><title>D</title></item>"
       "</channel></rss>",
       {{u"D", u"", u""}}},
      {"UnescapedAmpersandRecovered",
       "<?xml version=\"1.0\"?><rss><channel><item><title>Q & A</title></item>"
       "<item><title>Next</title></item></channel></rss>",
       {{u"Q  A", u"", u""}, {u"Next", u"", u""}}},
  };
}

}  // namespace kestrune::test
