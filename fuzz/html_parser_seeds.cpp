// Seeds for the HTML parser: a flags byte, then a page — result pages with
// links and tags, references (with and without ";", in attributes, capital
// names), pre, scripts, the block elements that break lines, XML with CDATA,
// a windows-1251 page and a UTF-16 one.
#include <string>

#include "fuzz/seeds.h"
#include "platform/text.h"

namespace {

std::string Wide(const std::u16string& text) {
  std::string bytes(1, '\x01');
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

}  // namespace

KESTRUNE_SEEDS(html_parser) {
  const std::string results =
      "<html><head><title>Results &amp; more</title><meta charset=\"utf-8\"><style>p{}</style>"
      "<script>if (a<b) go();</script></head><body><div class=r><a href=\"http://H/A?x=1&amp;y=2\">First "
      "<b>result</b> title</a><p>A snippet with query words, &#8364;5 and &#x41;&nbsp;&Eacute;.</p></div>"
      "<div class=r><a href='/second'>Second</a> | <a href=third>Third<br/>line</a><li>item</li></div>"
      "<pre>keep  this\r\nas it is</pre><noscript><!-- x --></noscript><foo>unknown</foo> a < b &bogus; &</body></html>";
  WriteSeed(folder, "results", std::string(1, '\x00') + results);
  WriteSeed(folder, "results_tags", std::string(1, '\x02') + results);
  WriteSeed(folder, "results_no_single_links", std::string(1, '\x2A') + results);
  WriteSeed(folder, "nested_links", std::string(1, '\x22') + "<a href=1>a <a href=2>b</a> c <a href=3>d");
  std::string article = "<div>Nav</div><div>Nav</div><p>";
  for (int i = 0; i < 12; ++i) article += "Words of the article run on and on. ";
  WriteSeed(folder, "main_block", std::string(1, '\x10') + article + "</p><div>Contact</div>");
  WriteSeed(folder, "xml", std::string(1, '\x06') +
                               "<?xml version=\"1.0\"?><rss><item><title>T &amp; U</title>"
                               "<description><![CDATA[<b>bold</b> & more]]></description></item></rss>");
  std::string cp1251;
  kestrune::platform::WideToCodePage(u"<title>Привет</title><p>Мир и слова поиска\nна странице</p>", 1251, cp1251);
  WriteSeed(folder, "windows_1251", std::string(1, '\x02') + cp1251);
  const std::string references =
      "<a href=\"page.php?id=5&lang=en&copy=1&amp;x=2&not=3&sect&reg;\">q&lang=en &copy2024 &amp1</a>"
      "<img alt='&Dagger; &dagger; &Prime; &OElig; &Scaron; &Alpha; &AMP; &NBSP; &rArr; &Eacute &Dagger'>"
      "<a href=' http://lead.example/doc.html\r\n'>&EACUTE;&THORN;&lt&gt&quot &sub;&sub &#38=1 &#x26y</a>";
  WriteSeed(folder, "references", std::string(1, '\x00') + references);
  WriteSeed(folder, "references_tags", std::string(1, '\x02') + references);
  const std::string blocks =
      "<table><caption>C</caption><tr><th>Name</th><th>Value</th></tr><tr><td>a<td>b</table>"
      "<select><option>One<option>Two</select><ul><li>u</ul><ol><li>o</ol><dl><dt>t<dd>d</dl>"
      "<blockquote>q</blockquote><center>c</center><address>a</address><form>f<fieldset>g</fieldset></form>"
      "<pre>p  re</pre><article>a</article><section>s</section><nav>n</nav><header>h</header><footer>f</footer>"
      "<aside>x</aside><Main>m</Main><figure>i<figcaption>c</figcaption></figure><details><summary>s</summary>d"
      "</details>a</section>b<sectionx>c<section";
  WriteSeed(folder, "blocks", std::string(1, '\x00') + blocks);
  WriteSeed(folder, "blocks_tags_no_single_links", std::string(1, '\x2A') + blocks);
  WriteSeed(folder, "wide", Wide(u"<p>\u041f\u043e\u0438\u0441\u043a <a href=x>\xD83D\xDE00 link</a></p>"));
}
