// Seeds for the document blocks: the titles, snippets, addresses and item
// texts of the page tests, hostile ones included, as NUL-separated fields.
#include <string>

#include "fuzz/seeds.h"

namespace {

std::string Fields(const std::string& title, const std::string& annotation, const std::string& url,
                   const std::string& item) {
  return title + std::string(1, '\0') + annotation + std::string(1, '\0') + url + std::string(1, '\0') + item;
}

}  // namespace

KESTRUNE_SEEDS(document_block) {
  WriteSeed(folder, "plain", Fields("Title 1", " Text 1", "http://site1.example/page1.html", ""));
  WriteSeed(folder, "line_breaks", Fields("one\r\ntwo\rthree", "x\x01y\tz", "http://a.example/", ""));
  WriteSeed(folder, "query_words", Fields("alpha beta. Beta alpha", "Tom & <Jerry> alpha", "http://a.example/", ""));
  WriteSeed(folder, "comments", Fields("t", "a", "http://a.example/", "<p><i class=c>first &lt;x&gt;</i> rest</p>"));
  WriteSeed(folder, "redirect",
            Fields("t", "", "http://127.0.0.1:4664/redir?url=file%3A%2F%2F%2Fhome%2Fr%C3%A9sum%C3%A9.txt&src=1", ""));
  WriteSeed(folder, "image",
            Fields("t", "a", "http://a.example/",
                   "<img src=\"http://a/1.png\" width=10 height=20 alt='x&quot;y' onerror=\"evil()\">"));
  WriteSeed(folder, "hostile",
            Fields("\"><script>alert(1)</script>$cmap_doc_url", "' onmouseover='x' $PagesList <img src=x>",
                   "javascript:alert(\"x\")", "<i class=c>&quot;&gt;&lt;script&gt;$next_page</i>"));
  WriteSeed(folder, "encoded", Fields("t", "a", "http://evil.example/%3Cscript%3E%22%27$PagesList", ""));
}
