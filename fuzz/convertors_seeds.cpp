// Seeds for the type-list splitter: texts shaped like what plug-ins return.
#include <string>

#include "fuzz/seeds.h"

KESTRUNE_SEEDS(convertors) {
  WriteSeed(folder, "office.txt", "doc;docx;rtf;xls;ppt");
  WriteSeed(folder, "blanks.txt", "  doc ; ;rtf;;\ttxt\r\n");
  WriteSeed(folder, "one.txt", "pdf");
  WriteSeed(folder, "separators.txt", ";;;");
  WriteSeed(folder, "utf8.txt", "htm;html;\xc3\xa9tude; DOC");
}
