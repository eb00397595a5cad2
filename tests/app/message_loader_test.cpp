#include "app/message_loader.h"

#include <gtest/gtest.h>

#include <set>

#include "tests/app/recording_lng_target.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

void ApplyMessages(const std::string& text, TMessageStrings& strings) {
  TMemoryStream stream(text.data(), text.size());
  ApplyLngFile(u"", nullptr, MessageCallback, &strings, &stream);
}

TEST(MessageLoader, CallbackRules) {
  using S = TMessageStrings;
  struct Case {
    std::string text;
    std::u16string S::*member;
    std::u16string expected;
  } cases[] = {
      {"[Messages]\nsmSearch=\n", &S::smSearch, u"Searching..."},
      {"[Messages]\nsmSearch=\" \"\n", &S::smSearch, u"Searching..."},
      {"[Messages]\nsmSearch=\"  \"\n", &S::smSearch, u"  "},
      {"[Other]\nsmSearch=Suche\n", &S::smSearch, u"Suche"},
      {"[Header]\nsmSearch=Suche\n[Language]\nsmSearch=Suche\n", &S::smSearch, u"Searching..."},
      {"[Messages]\nsmsearch=Suche\nSMSEARCH=Suche\n", &S::smSearch, u"Searching..."},
      {"[Messages]\nsmHello=Hallo!\n", &S::smHello, u"Hallo!"},
      {"[Other]\nsmHello=Hallo!\n[messages]\nsmHello=Hi\n", &S::smHello, u"Hello!"},
      {"[Header]\nCodePage=1251\n[Messages]\nsmSearch=\xcf\xee\xe8\xf1\xea...\n", &S::smSearch,
       u"\u041f\u043e\u0438\u0441\u043a..."},
      {"[Header]\nCodePage=1251\n[Messages]\nsmErrorBarier=\xcf\n", &S::smErrorBarier, u"\u041f"},
      {"[Messages]\nsmUpdateString=\"Version %S: <a href=\"\"$update_link\"\">get</a>\"\n", &S::smUpdateString,
       u"Version %S: <a href=\"$update_link\">get</a>"},
  };
  for (const Case& c : cases) {
    TMessageStrings strings;
    ApplyMessages(c.text + "[Messages]\nsmUnknownKey=x\nsmKestrune\n", strings);
    EXPECT_EQ(strings.*c.member, c.expected) << c.text;
  }
}

TEST(MessageLoader, ShippedEnglishFileAndTheBuiltInTexts) {
  const std::string text = test::ReadFileBytes(KESTRUNE_SOURCE_DIR "/data/Language/english.lng");
  EXPECT_EQ(text.rfind("[Header]\r\nlanguage=English\r\nlangID=9\r\nCodePage=1250 ", 0), 0u);
  TMemoryStream stream(text.data(), text.size());
  TLngHeader header;
  ReadLngHeader(u"english.lng", &stream, header);
  EXPECT_EQ(header, (TLngHeader{"English", 9, 1250, "Kestrune Inc", "en", "english.lng"}));

  // Every key has a member of its own with a built-in text.
  TMessageStrings builtIn;
  std::set<const std::u16string*> members;
  for (std::string_view key : TMessageStrings::Keys()) {
    ASSERT_NE(builtIn.Find(key), nullptr) << key;
    EXPECT_FALSE(builtIn.Find(key)->empty() || !members.insert(builtIn.Find(key)).second) << key;
  }

  // [Messages] names 132 keys once each; the English texts equal the built-in
  // ones except where the built-in text is an older wording.
  std::multiset<std::string> keys;
  TMemoryStream lines(text.data(), text.size());
  ApplyLngFile(
      u"", nullptr,
      [](std::string_view section, std::string_view key, std::string_view, int32_t, void* data) {
        if (section == "Messages") static_cast<std::multiset<std::string>*>(data)->insert(std::string(key));
      },
      &keys, &lines);
  EXPECT_EQ(keys.size(), 132u);
  for (const std::string& key : keys) EXPECT_TRUE(builtIn.Find(key) && keys.count(key) == 1) << key;
  const std::set<std::string> differing = {
      "smMail2", "smTemplate", "smUnderconstruction", "smProgramCorrupted", "smProgramCorrupt",
      "smIntegityCheckError", "smReconded", "UrlForDownloadingMoreEngines", "UrlForDownloadingMoreDict",
      "UrlForDownloadingMoreLang", "smKestruneVia", "smError", "smLoadDictionary", "smStringLoadDictionary",
      "smTheLatestSearchQueries", "smOpenLatestProjects", "smNoDictForLng1", "smNoDictForLng2", "smNADictForLng1",
      "smNoSearchEngine", "smNoSearchEngine2", "smMesWarningDeleteOldLinks", "smCapWarningDeleteOldLinks",
      "smMesWarningDeleteExcludedLinks", "smCapWarningDeleteExcludedLinks", "smMesWarningDeleteExcludedSites",
      "smCapWarningDeleteExcludedSites"};
  TMessageStrings english;
  ApplyMessages(text, english);
  for (std::string_view key : TMessageStrings::Keys())
    EXPECT_EQ(*english.Find(key) == *builtIn.Find(key), differing.count(std::string(key)) == 0) << key;
  EXPECT_EQ(english.smUpdateString,
            u"Kestrune is updated by version %S. Click <a href=\"$update_link\">here</a> for update.");
}

TEST(MessageLoader, ReloadAppliesTheChosenFileAndRebuildsTheOptionsList) {
  test::TempDir dir;
  test::WriteFileBytes(dir.File("english.lng"),
                       "[Header]\nlanguage=English\nlangID=9\nCodePage=1250\nLangAuthor=\"Us\"\n"
                       "[Language]\nFMain.Caption=Main\n[Messages]\nsmSearch=\"Searching now\"\n");
  test::WriteFileBytes(dir.File("russian.LNG"),
                       "[HEADER]\nLANGUAGE=\xd0\xf3\xf1\xf1\xea\xe8\xe9\nlangid=1049\ncodepage=1251\n"
                       "[Header]\nlanguage=Russian\nlangID=1049\nCodePage=1251\n"
                       "[Language]\nFMain.Caption=\xc3\xeb\n[Messages]\nsmSearch=\xcf\xee\n");
  test::WriteFileBytes(dir.File("noid.lng"), "[Header]\nlanguage=German\nCodePage=1252\nlangID=\n");
  test::WriteFileBytes(dir.File("other.lngx"), "[Header]\nlanguage=French\nlangID=1036\nCodePage=1252\n");
  test::WriteFileBytes(dir.File("brazil.lng"), "; Brazil\n[Header]\nlanguage = Portugu\xeas do Brasil \n"
                                               "LangID = 1046\nCodePage=1252\nLangAuthor='Silva, A.; B$20C'\n");
  TLngHeaders headers;
  LoadLngHeaders(dir.WPath(), headers);
  EXPECT_EQ(headers.size(), 4u);
  test::TRecordingLngTarget target{{{"FMain", {}}}};
  TMessageStrings strings;
  struct Case {
    int32_t lang;
    std::string caption;
    std::u16string search;
  } cases[] = {{1049, "FMain.Caption=\xd0\x93\xd0\xbb", u"\u041f\u043e"}, {1036, "FMain.Caption=Main", u"Searching now"}};
  for (const Case& c : cases) {
    target.log.clear();
    ReloadMessages(dir.WPath(), headers, c.lang, &target, strings);
    EXPECT_EQ(target.log, (std::vector<std::string>{c.caption})) << c.lang;
    EXPECT_EQ(strings.smSearch, c.search) << c.lang;
  }
  // Without a file the built-in texts stay; a switch to a file that lacks a
  // key returns that key to its built-in text.
  TMessageStrings fresh;
  ReloadMessages(dir.WPath(), {}, 1049, &target, fresh);
  EXPECT_EQ(fresh.smSearch, u"Searching...");
  ReloadMessages(dir.WPath(), headers, 1049, &target, fresh);
  ReloadMessages(dir.WPath(), {TLngHeader{"German", 1031, 1252, "", "", "noid.lng"}}, 1031, &target, fresh);
  EXPECT_EQ(fresh.smSearch, u"Searching...");

  // The options list: header keys without case, the first occurrence counts,
  // values as plain INI text (blanks inside kept, one pair of quotes removed,
  // nothing escaped), names in their own code page; files without an
  // identifier are left out.
  TLngList list{TLngListEntry{u"Stale", u"stale.lng", 1, 1, u""}};
  StartupReload(dir.WPath(), headers, 9, &target, strings, list);
  std::set<std::u16string> files;
  for (const TLngListEntry& entry : list) {
    files.insert(entry.FileName);
    if (entry.LangID == 9) {
      EXPECT_EQ(entry, (TLngListEntry{u"English", u"english.lng", 9, 1250, u"Us"}));
    } else if (entry.LangID == 1046) {
      EXPECT_EQ(entry, (TLngListEntry{u"Portugu\u00eas do Brasil", u"brazil.lng", 1046, 1252, u"Silva, A.; B$20C"}));
    } else {
      EXPECT_EQ(entry.Language, u"\u0420\u0443\u0441\u0441\u043a\u0438\u0439");
    }
  }
  EXPECT_EQ(files, (std::set<std::u16string>{u"english.lng", u"russian.LNG", u"brazil.lng"}));
  EXPECT_EQ(strings.smSearch, u"Searching now");
}

}  // namespace
}  // namespace kestrune
