// Seeds for the in-page command classifier: the links the result page, its
// templates and the recent lists write, a few web links, and hostile ones.
#include <string>

#include "fuzz/seeds.h"

KESTRUNE_SEEDS(page_url) {
  const std::string f = "file:///opt/Kestrune%20Search/templates/en/";
  const std::string urls[] = {
      f + "toPage2",
      f + "ExcludeURL12",
      f + "ExcludeWord_%D1%82%D0%B5%D0%BF%D0%BB%D0%BE",
      f + "edit_document?EditNumerLink=-1&AddDocumentURL=http%3A%2F%2Fex.org%2F&AddDocumentTitle=A+b"
          "&AddDocumentAnnotation=&AddDocumentSubmit=Save",
      f + "blank.html?addquery=heat+-cold",
      f + "CMAP_CLUSTER_URL3",
      f + "cmap_announce_doc_remove17",
      "file://localhost/opt/Kestrune Search/templates/en/old_links",
      "http://query/1",
      "http://contextmenuannotation/%D1%81%D0%BB%D0%BE%D0%B2%D0%BE",
      "http://help/",
      "http://127.0.0.1:4664/redir?url=file%3A%2F%2F%2Fhome%2Fa+b.pdf&src=1",
      "https://example.org/old_links?toPage=2#x",
      "mailto:friend%40example.org?subject=x",
      "about:blank",
      "javascript:location='http://query/1'",
      "http:\\\\KestruneDeleteFromHistory\\0",
      "http://user@%71uery:80/0",
      "http://\xEF\xBD\x91uery./1",
      f + "%2e%2E/../../tmp/GoToNormal",
  };
  int n = 0;
  for (const std::string& url : urls) WriteSeed(folder, "url" + std::to_string(n++) + ".txt", url);
}
