// Seeds for the interface-language reader: our English file and small files
// in other code pages with list items, escapes and the message sections.
#include <string>

#include "fuzz/seeds.h"
#include "fuzz/source_root.h"

KESTRUNE_SEEDS(lng_file) {
  WriteSeed(folder, "english.lng", kestrune::fuzz::ReadSourceFile("data/Language/english.lng"));
  WriteSeed(folder, "russian.lng",
            "[Header]\r\nlanguage=\"\xd0\xf3\xf1\xf1\xea\xe8\xe9\"\r\nlangID=1049\r\nCodePage=1251\r\n"
            "LangAuthor=\"Kestrune Inc\"\r\nLangFolder=ru\r\n[Language]\r\n"
            "FKestruneMain.Caption=\"\xcf\xee\xe8\xf1\xea\"\r\nFKestruneMain.ILabel1.Text=\xce\xf5\xe2\xe0\xf2:\r\n"
            "FKestruneMain.ICombo.Items[1]=\"\xe4\xe2\xe0\"\r\nFAbout.ILabel1.Hint=\"\"\r\n"
            "[Messages]\r\nsmSearch=\"\xcf\xee\xe8\xf1\xea...\"\r\nsmHello=\xcf\xf0\xe8\xe2\xe5\xf2!\r\n");
  WriteSeed(folder, "chinese.lng",
            "[Language]\nFKestruneMain.Caption=before\n[Header]\nCodePage=936\nlangID=2052\n[Language]\n"
            "FKestruneMain.ILabel1.Caption=\xc4\xe3\xba\xc3\nFKestruneMain.Panel.ICombo.Items[2]=a$2cb\n"
            "FKestruneMain.ICombo.Items[x]=bad\n[Other]\nsmStopSearch=\" \"\nsmKestruneVia=\"Via \"\"x\"\"; \"\n");
  WriteSeed(folder, "utf8.lng",
            "; comment\n[Header]\nCodePage=65001\n[Messages]\nsmUpdateString=\"%S <a href=\"\"$update_link\"\">x</a>\"\n"
            "smError=\xd0\x9e\xd1\x88\xd0\xb8\xd0\xb1\xd0\xba\xd0\xb0,second\n[Language]\nFAbout.ILabel1.Caption=\"a b\"\n");
}
