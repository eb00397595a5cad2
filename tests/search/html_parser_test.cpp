#include "search/html_parser.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

#include "platform/text.h"
#include "search/charsets.h"

namespace kestrune {
namespace {

using platform::Utf16ToUtf8;
using platform::Utf8ToUtf16;

// Line ends and no-break spaces of visible text, written out.
std::string Escaped(std::u16string_view text) {
  std::u16string out;
  for (char16_t c : text) {
    if (c == u'\r') {
      out += u"\\r";
    } else if (c == u'\n') {
      out += u"\\n";
    } else if (c == 0xA0) {
      out += u"\\_";
    } else {
      out += c;
    }
  }
  return Utf16ToUtf8(out);
}

// Everything a parse leaves, one "key: value" line per part.
std::map<std::string, std::string> Dump(const TIHTMLParser& p) {
  std::map<std::string, std::string> out;
  EXPECT_EQ(static_cast<int32_t>(p.VisibleText.size()), p.VisibleLength);
  out["visible"] = Escaped(p.VisibleText);
  out["title"] = Utf16ToUtf8(p.Title);
  out["charset"] = p.Charset;
  out["source charset"] = std::to_string(p.SourceCharset);
  out["percent"] = std::to_string(p.LinkTextPercent);
  std::ostringstream offsets, tags, links, ranges;
  for (int32_t i = 0; i < p.OffsetCount; ++i) {
    const TOffset& o = p.Offsets[static_cast<size_t>(i)];
    offsets << (i ? " " : "") << o.SourcePosition << "+" << o.SourceLength << ">" << o.VisiblePosition;
  }
  for (int32_t i = 0; i < p.TagCount; ++i) {
    const TAttributesTag& t = p.Tags[static_cast<size_t>(i)];
    tags << (i ? " " : "") << Utf16ToUtf8(t.Name) << "@" << t.SourcePosition << "+" << t.SourceLength << ">"
         << t.VisiblePosition;
    EXPECT_EQ(t.AttributeCount, t.Attributes.size());
    for (int32_t a = 0; a < t.AttributeCount; ++a) {
      const TAttributeTag& attribute = t.Attributes[static_cast<size_t>(a)];
      tags << (a ? "," : "{") << Utf16ToUtf8(attribute.Name) << "=" << Utf16ToUtf8(attribute.Value);
    }
    if (t.AttributeCount > 0) tags << "}";
  }
  for (int32_t i = 0; i < p.HyperlinkCount; ++i) {
    const THyperlink& h = p.Hyperlinks[static_cast<size_t>(i)];
    links << (i ? " " : "") << Utf16ToUtf8(h.Address) << "@" << h.SourcePosition << "+" << h.Length << "#"
          << h.TagIndex;
  }
  EXPECT_EQ(p.LinkCount, p.HyperlinkCount);
  for (int32_t i = 0; i < p.LinkRangeCount; ++i) {
    ranges << (i ? " " : "") << p.LinkRanges[static_cast<size_t>(i)].Start << "-"
           << p.LinkRanges[static_cast<size_t>(i)].End;
  }
  out["offsets"] = offsets.str();
  out["tags"] = tags.str();
  out["links"] = links.str();
  out["ranges"] = ranges.str();
  return out;
}

enum Flags : unsigned {
  kWide = 1,          // ParseWide of the page's UTF-8 text; else Parse of its bytes
  kTagTable = 2,      // BuildTagTable
  kXml = 4,           // XmlMode
  kNoSingleLink = 8,  // ProcessSingleLink off
  kMainBlock = 16,    // AnalysisMainBlock
};

struct Golden {
  const char* name;
  std::string page;
  unsigned flags;
  std::string expected;  // "key: value" lines; only the keys given are compared
};

std::string Repeat(std::string_view text, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += text;
  return out;
}

void ExpectParse(const Golden& g) {
  TIHTMLParser parser;
  parser.BuildTagTable = (g.flags & kTagTable) != 0;
  parser.XmlMode = (g.flags & kXml) != 0;
  parser.SetProcessSingleLink((g.flags & kNoSingleLink) == 0);
  parser.SetAnalysisMainBlock((g.flags & kMainBlock) != 0);
  if (g.flags & kWide) {
    parser.ParseWide(Utf8ToUtf16(g.page));
  } else {
    parser.Parse(g.page);
  }
  EXPECT_TRUE(parser.ProcessLinkInText());
  const auto dump = Dump(parser);
  std::istringstream lines(g.expected);
  for (std::string line; std::getline(lines, line);) {
    const size_t colon = line.find(": ");
    ASSERT_NE(colon, std::string::npos) << line;
    const std::string key = line.substr(0, colon);
    ASSERT_TRUE(dump.count(key)) << key;
    EXPECT_EQ(dump.at(key), line.substr(colon + 2)) << key;
  }
}

TEST(HtmlParser, GoldenPages) {
  const std::string article = Repeat("Words of the article run on and on. ", 9);
  const Golden pages[] = {
      {"empty page", "", kWide, "visible: \noffsets: \ntags: \nlinks: \nranges: \npercent: 0\ntitle: \ncharset: "},
      {"paragraphs break twice, closing tags not at all", "<p>one</p><p>two", kWide,
       "visible: \\r\\n\\r\\none\\r\\n\\r\\ntwo\n"
       "offsets: 0+0>1 0+0>2 0+0>3 0+0>4 4+3>5 0+0>8 0+0>9 0+0>10 0+0>11 14+3>12 17+0>15"},
      {"letters across a tag are one run; digits and letters apart", "wo<b>rd</b> 42x", kWide,
       "visible: word 42x\noffsets: 1+7>1 12+1>5 13+2>6 15+1>8 16+0>9"},
      {"named and numeric references", "a&amp;b &#8364; &Eacute;&#xE9; &#65;&#150;&nbsp;x &bogus; &lt&gt &", kWide,
       "visible: a&b € Éé A–\\_x &bogus; <> &\n"
       "offsets: 1+1>1 2+5>2 7+1>3 8+1>4 9+7>5 16+1>6 17+14>7 31+1>9 32+5>10 37+6>11 43+6>12 49+1>13 50+1>14 "
       "51+1>15 52+5>16 57+1>21 58+1>22 59+3>23 62+3>24 65+1>25 66+1>26 67+0>27"},
      {"astral, zero, surrogate and too large references", "&#x1F600;|&#0;|&#xD800;|&#1114112;|&#39;&apos;", kWide,
       "visible: \xF0\x9F\x98\x80|\xEF\xBF\xBD|\xEF\xBF\xBD|\xEF\xBF\xBD|''"},
      {"a name of letters and digits, else its letters alone", "&sup2; &frac12; &copy2024 &amp1 &copyright", kWide,
       "visible: \xC2\xB2 \xC2\xBD \xC2\xA9" "2024 &1 &copyright"},
      {"a semicolon after blanks ends a reference, blanks alone do not", "&amp ;x &amp y", kWide, "visible: &x & y"},
      {"white space folds; every line end is a blank", "  a \t b\r\n\r\n c  \n d\re", kWide, "visible: a b c d e"},
      {"pre starts a line, keeps blanks and line ends", "<pre>a  b\r\nc\nd</pre> e\r\nf", kWide,
       "visible: \\r\\na  b\\r\\nc\\r\\nd e f\n"
       "offsets: 0+0>1 0+0>2 6+1>3 7+1>4 8+1>5 9+1>6 10+1>7 11+1>8 12+1>9 13+0>10 13+1>11 14+1>12 21+1>13 22+1>14 "
       "23+2>15 25+1>16 26+0>17"},
      {"script, style, noscript and title are never visible; the first title counts",
       "<title>  First &amp; <b>x</b>\r\n\tT  </title><title>Second</title><script>if (a<b) x();</script>"
       "<style>p{}</style><noscript><!-- </noscript> -->hidden</noscript>shown",
       kWide, "visible: shown\ntitle: First & <b>x</b> T"},
      {"the first meta that names a charset sets it",
       "<meta name=x><meta http-equiv=Content-Type content=\"text/html; charset=Windows-1251\"><META charset=koi8-r>x",
       kWide, "visible: x\ncharset: windows-1251"},
      {"a quoted meta charset", "<meta charset=\"UTF-8\"/>x", kWide, "charset: utf-8"},
      {"unknown tags are skipped, a lone < is text", "a <foo bar=\"x>y\">b</foo> c < d <3 e</ f <> g<", kWide,
       "visible: a b c < d <3 e</ f <> g<"},
      {"hyperlinks keep their case and decode their references",
       "<a href=\"http://H/A?x=1&amp;y=2\">Link text</a> plain <A HREF='/Rel'>two</A> <a name=x>no</a>", kWide,
       "visible: Link text plain two no\n"
       "links: http://H/A?x=1&y=2@10+18#-1 /Rel@63+4#-1\n"
       "ranges: 1-43 54-72\npercent: 54\ntags: "},
      {"tag table: names lower-case, attributes with decoded values, self-closing br",
       "<DIV Class=\"r\" id=main data-x='a&amp;b' hidden>t<br/>u</div><p\nalign = center >v", kWide | kTagTable,
       "visible: \\r\\nt\\r\\nu\\r\\n\\r\\nv\n"
       "tags: div@1+47>1{class=r,id=main,data-x=a&b,hidden=} br@49+5>4 /div@55+6>7 p@61+19>7{align=center}"},
      {"links and the closing script entry in the tag table", "<a href=/x>go</a><script>var s=\"</b>\";</script>z",
       kWide | kTagTable,
       "visible: goz\ntags: a@1+11>1{href=/x} /a@14+4>3 script@18+8>3 /script@39+9>3\n"
       "links: /x@9+2#0\nranges: 1-14\npercent: 66"},
      {"XML reading: every tag, CDATA as text, no title",
       "<?xml version=\"1.0\"?><rss><item><title>T &amp; U</title><link>http://h/</link>"
       "<description><![CDATA[<b>bold</b> & more]]></description></item><Unknown a=\"1\"/></rss>",
       kWide | kTagTable | kXml,
       "visible: T & Uhttp://h/<b>bold</b> & more\ntitle: \n"
       "tags: ?@1+21>1{xml=,version=1.0} rss@22+5>1 item@27+6>1 title@33+7>1 /title@49+8>6 link@57+6>6 "
       "/link@72+7>15 description@79+13>15 /description@122+14>33 /item@136+7>33 unknown@143+16>33{a=1} "
       "/rss@159+6>33"},
      {"lines that are mostly links stay", "<p>Intro text here<p><a href=a>one</a> | <a href=b>two</a><br>Tail words",
       kWide, "visible: \\r\\n\\r\\nIntro text here\\r\\n\\r\\none | two\\r\\nTail words"},
      {"without single links they go", "<p>Intro text here<p><a href=a>one</a> | <a href=b>two</a><br>Tail words",
       kWide | kNoSingleLink,
       "visible: \\r\\n\\r\\nIntro text here\\r\\n\\r\\n\\r\\nTail words\npercent: 17\nranges: 22-35 42-55"},
      {"an a inside an open one closes it; an unclosed one ends with the text",
       "<a href=1>a <a href=2>b</a> c <a href=3>d", kWide,
       "ranges: 1-13 13-24 31-42\nlinks: 1@9+1#-1 2@21+1#-1 3@39+1#-1"},
      {"a tag without > ends the walk", "ab <b cd", kWide | kTagTable, "visible: ab \ntags: b@4+0>4{cd=}"},
      {"main block: navigation lines go, the article stays",
       Repeat("<div>Nav</div>", 6) + "<p>" + article + "</p><div>Contact</div><div>Terms</div><div>Copyright</div>",
       kWide | kMainBlock, "visible: Nav\\r\\nNav\\r\\n\\r\\n" + article + "\\r\\nContact\\r\\nTerms\\r\\nCopyright"},
      {"main block: a line's CR and LF count in its weight", Repeat("Ninechars<br>", 30), kWide | kMainBlock,
       "visible: " + Repeat("Ninechars\\r\\n", 24)},
      {"windows-1251 page: charset decided, lone line feeds are blanks",
       "<html><head><title>\xCF\xF0\xE8\xE2\xE5\xF2</title></head>\n<body>\xCC\xE8\xF0\n\xE8 \xF1\xEB\xEE\xE2\xE0 "
       "\xEF\xEE\xE8\xF1\xEA\xE0</body></html>",
       0, "visible: Мир и слова поиска\ntitle: Привет\nsource charset: 3"},
      {"UTF-8 page that is possibly Russian goes to the UTF-8 decision",
       "<p>\xD0\x9C\xD0\xB8\xD1\x80 \xD0\xB8 \xD1\x81\xD0\xBB\xD0\xBE\xD0\xB2\xD0\xB0", 0,
       "visible: \\r\\n\\r\\nМир и слова\nsource charset: 2"},
  };
  for (const Golden& g : pages) {
    SCOPED_TRACE(g.name);
    ExpectParse(g);
  }
}

// Without its ";" a named reference decodes only when it is a legacy one (the
// Latin-1 names, amp, lt, gt, quot); in an attribute value not even then when
// "=", a letter or a digit follows, so query strings stay as written.
TEST(HtmlParser, ReferencesWithoutSemicolon) {
  const struct {
    const char* written;
    const char* inAttribute;  // the href's address
    const char* inText;       // the visible text
  } cases[] = {
      {"page.php?id=5&lang=en", "page.php?id=5&lang=en", "page.php?id=5&lang=en"},
      {"?a&copy=1&sub=2&para=3&image=4&not=5", "?a&copy=1&sub=2&para=3&image=4&not=5",
       "?a©=1&sub=2¶=3&image=4¬=5"},
      {"?b&sect=1&reg=2&times=3&part=4&sup=5&ne=6&pi=7", "?b&sect=1&reg=2&times=3&part=4&sup=5&ne=6&pi=7",
       "?b§=1®=2×=3&part=4&sup=5&ne=6&pi=7"},
      {"&copy2024 &amp1 &ampx", "&copy2024 &amp1 &ampx", "©2024 &1 &ampx"},
      {"&copy &lt.&gt/&quot-&nbsp_x", "© <.>/\"-\u00A0_x", "© <.>/\"-\\__x"},
      {"a&amp;b=1&lang;=2&sub;3", "a&b=1〈=2⊂3", "a&b=1〈=2⊂3"},
      {"&euro 5 &hellip", "&euro 5 &hellip", "&euro 5 &hellip"},
      {"&amp ;x &#38=1 &#x26y", "&x &=1 &y", "&x &=1 &y"},
      {"&Eacute=1 &Eacute.", "&Eacute=1 É.", "É=1 É."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.written);
    const std::string page = std::string("<a href=\"") + c.written + "\">x</a>" + c.written;
    ExpectParse({"", page, kWide, std::string("links: ") + c.inAttribute + "@10+" +
                                      std::to_string(Utf8ToUtf16(c.inAttribute).size()) + "#-1\nvisible: x" +
                                      c.inText});
  }
  // The title reads references as text does.
  ExpectParse({"", "<title>&lang=x &copy</title>", kWide, "title: &lang=x ©"});
}

// Capital-letter names are names of their own; a name found in neither case
// as written is looked up lower-cased.
TEST(HtmlParser, CapitalReferenceNames) {
  const struct {
    const char* written;
    const char* visible;
  } cases[] = {
      {"&Dagger;&dagger;", "‡†"},
      {"&Prime;&prime;", "″′"},
      {"&OElig;&oelig;&Scaron;&scaron;&Yuml;&yuml;", "ŒœŠšŸÿ"},
      {"&Alpha;&alpha;&Omega;&omega;&Sigma;&sigmaf;", "ΑαΩωΣς"},
      {"&rArr;&rarr;&hArr;&harr;", "⇒→⇔↔"},
      {"&Eacute;&eacute;&EACUTE;&THORN;&ETH;&AElig;", "ÉééÞÐÆ"},
      {"&AMP;&NBSP;&QUOT;&Lt;&Copy;", "&\\_\"<©"},
      {"&Eacute &Dagger x", "É &Dagger x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.written);
    ExpectParse({"", c.written, kWide, std::string("visible: ") + c.visible});
  }
}

// The block elements end the line where they open, so that their words never
// run together; the block elements of HTML 5 do so although no tag table
// holds them.
TEST(HtmlParser, BlockElementsBreakLines) {
  const struct {
    const char* page;
    const char* visible;
    const char* tags;  // the tag table; null: not looked at
  } cases[] = {
      {"<th>Name</th><th>Value</th>", "\\r\\nName\\r\\nValue", nullptr},
      {"<table><caption>C</caption><tr><td>a<td>b</table>", "\\r\\n\\r\\nC\\r\\n\\r\\na\\r\\nb", nullptr},
      {"<select><option>One<option>Two</select>", "\\r\\nOne\\r\\nTwo", nullptr},
      {"<ul><li>a</ul><ol><li>b</ol><dl><dt>c<dd>d</dl>",
       "\\r\\n\\r\\n\\r\\na\\r\\n\\r\\n\\r\\nb\\r\\n\\r\\nc\\r\\nd", nullptr},
      {"<blockquote>q</blockquote><center>c</center><address>a</address><form>f<fieldset>g</fieldset></form>",
       "\\r\\nq\\r\\nc\\r\\na\\r\\nf\\r\\ng", nullptr},
      {"x<pre>p</pre>y", "x\\r\\npy", nullptr},
      {"<article>a</article><section>b</section><nav>c</nav><header>d</header><footer>e</footer>",
       "\\r\\na\\r\\nb\\r\\nc\\r\\nd\\r\\ne", ""},
      {"<aside>f</aside><Main>g</Main><figure>h<figcaption>i</figcaption></figure><details><summary>j</summary>k",
       "\\r\\nf\\r\\ng\\r\\nh\\r\\ni\\r\\n\\r\\njk", ""},
      {"a</section>b<sectionx>c<section", "abc\\r\\n", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.page);
    std::string expected = std::string("visible: ") + c.visible;
    if (c.tags) expected += std::string("\ntags: ") + c.tags;
    ExpectParse({"", c.page, kWide | kTagTable, expected});
  }
}

}  // namespace
}  // namespace kestrune
