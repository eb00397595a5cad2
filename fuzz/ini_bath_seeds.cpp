// Seeds for the INI-style reader: texts shaped like the system's own files.
#include <string>

#include "fuzz/seeds.h"

KESTRUNE_SEEDS(ini_bath) {
  WriteSeed(folder, "engine.ini",
            "; search engine template\r\n"
            "[Engine]\r\n"
            "Name = \"Example Search\"\r\n"
            "Home = \"http://www.example.com/\"\r\n"
            "Query = \"http://www.example.com/search?q=%query%&start=%page%\", \"UTF-8\"\r\n"
            "Items = 10, 100\r\n"
            "\r\n"
            "[Result]\r\n"
            "Begin = \"<div class=\"\"result\"\">\"\r\n"
            "End = \"</div>\" ; the item ends here\r\n"
            "Title = \"<h3>\", \"</h3>\"\r\n"
            "Snippet = \"<p>\", \"</p>\", $0d$0a\r\n"
            "Separator = $2c, $3b, $22\r\n");
  WriteSeed(folder, "language.lng",
            "[Header]\r\n"
            "Language = \"English\"\r\n"
            "Author = \"Kestrune Inc\"\r\n"
            "Version = 1, 0, 0, 1\r\n"
            "[Messages]\r\n"
            "smSearch = \"Search\"\r\n"
            "smIncorrect = \"The value \"\"%s\"\" is incorrect; please try again.\"\r\n"
            "smNotFound = Nothing found$2e\r\n"
            "smEmpty =\r\n"
            "smLines = \"first line$0asecond\", first$0asecond\r\n");
  WriteSeed(folder, "line_ends.ini", "[a]\nk=1\rk=2\r\n  [b]  ; note\n\"q;k\" = \"x,y\",,z,\n");
  std::string many = "[Values]\r\nk=";
  for (int i = 1; i <= 32; ++i) many += std::to_string(i) + ",";
  WriteSeed(folder, "values.ini", many + "\r\nover=" + many.substr(11) + "33\r\n");
}
