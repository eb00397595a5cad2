#include "app/message_loader.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/text.h"
#include "tests/app/recording_lng_target.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

constexpr const char* kShippedEnglishFile = KESTRUNE_SOURCE_DIR "/data/Language/english.lng";

void ApplyMessages(const std::string& text, TMessageStrings& strings) {
  TMemoryStream stream(text.data(), text.size());
  ApplyLngFile(u"", nullptr, MessageCallback, &strings, &stream);
}

TEST(MessageLoader, CallbackRules) {
  struct Case {
    const char* name;
    std::string text;
    std::u16string TMessageStrings::*member;
    std::u16string expected;
  } cases[] = {
      {"empty keeps", "[Messages]\nsmSearch=\n", &TMessageStrings::smSearch, u"Searching..."},
      {"quoted empty keeps", "[Messages]\nsmSearch=\"\"\n", &TMessageStrings::smSearch, u"Searching..."},
      {"one blank keeps", "[Messages]\nsmSearch=\" \"\n", &TMessageStrings::smSearch, u"Searching..."},
      {"two blanks are a text", "[Messages]\nsmSearch=\"  \"\n", &TMessageStrings::smSearch, u"  "},
      {"any section", "[Other]\nsmSearch=Suche\n", &TMessageStrings::smSearch, u"Suche"},
      {"not from the header", "[Header]\nsmSearch=Suche\n", &TMessageStrings::smSearch, u"Searching..."},
      {"not from the language section", "[Language]\nsmSearch=Suche\n", &TMessageStrings::smSearch,
       u"Searching..."},
      {"exact case", "[Messages]\nsmsearch=Suche\nSMSEARCH=Suche\n", &TMessageStrings::smSearch, u"Searching..."},
      {"smHello in Messages", "[Messages]\nsmHello=Hallo!\n", &TMessageStrings::smHello, u"Hallo!"},
      {"smHello elsewhere", "[Other]\nsmHello=Hallo!\n[messages]\nsmHello=Hi\n", &TMessageStrings::smHello,
       u"Hello!"},
      {"file code page", "[Header]\nCodePage=1251\n[Messages]\nsmSearch=\xcf\xee\xe8\xf1\xea...\n",
       &TMessageStrings::smSearch, u"\u041f\u043e\u0438\u0441\u043a..."},
      {"network editor keys too", "[Header]\nCodePage=1251\n[Messages]\nsmErrorBarier=\xcf\n",
       &TMessageStrings::smErrorBarier, u"\u041f"},
      {"the update link stays", "[Messages]\nsmUpdateString=\"Version %S: <a href=\"\"$update_link\"\">get</a>\"\n",
       &TMessageStrings::smUpdateString, u"Version %S: <a href=\"$update_link\">get</a>"},
  };
  for (const Case& c : cases) {
    TMessageStrings strings;
    ApplyMessages(c.text + "[Messages]\nsmUnknownKey=x\nsmKestrune\n", strings);
    EXPECT_EQ(strings.*c.member, c.expected) << c.name;
  }
}

TEST(MessageLoader, ShippedEnglishFile) {
  const std::string text = test::ReadFileBytes(kShippedEnglishFile);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.rfind("[Header]\r\nlanguage=English\r\nlangID=9\r\nCodePage=1250 ", 0), 0u);
  TMemoryStream stream(text.data(), text.size());
  TLngHeader header;
  ReadLngHeader(u"english.lng", &stream, header);
  EXPECT_EQ(header, (TLngHeader{"English", 9, 1250, "Kestrune Inc", "en", "english.lng"}));

  // Every key of [Messages] is a message key, once; the ones it leaves out
  // keep their built-in texts.
  std::multiset<std::string> keys;
  TMemoryStream lines(text.data(), text.size());
  ApplyLngFile(
      u"", nullptr,
      [](std::string_view section, std::string_view key, std::string_view, int32_t, void* data) {
        if (section == "Messages") static_cast<std::multiset<std::string>*>(data)->insert(std::string(key));
      },
      &keys, &lines);
  EXPECT_EQ(keys.size(), 79u);
  TMessageStrings probe;
  for (const std::string& key : keys) {
    EXPECT_NE(probe.Find(key), nullptr) << key;
    EXPECT_EQ(keys.count(key), 1u) << key;
  }

  // The English texts equal the built-in ones except where the built-in text
  // is an older wording.
  const std::set<std::string> differing = {
      "smMail2", "smTemplate", "smUnderconstruction", "smProgramCorrupted", "smProgramCorrupt",
      "smIntegityCheckError", "smReconded", "UrlForDownloadingMoreEngines", "UrlForDownloadingMoreDict",
      "UrlForDownloadingMoreLang", "smKestruneVia", "smError", "smLoadDictionary", "smStringLoadDictionary",
      "smTheLatestSearchQueries", "smOpenLatestProjects", "smNoDictForLng1", "smNoDictForLng2", "smNADictForLng1",
      "smNoSearchEngine", "smNoSearchEngine2"};
  TMessageStrings builtIn;
  TMessageStrings english;
  ApplyMessages(text, english);
  for (std::string_view key : TMessageStrings::Keys()) {
    const bool same = *english.Find(key) == *builtIn.Find(key);
    EXPECT_EQ(same, differing.count(std::string(key)) == 0) << key;
  }
  EXPECT_EQ(english.smUpdateString,
            u"Kestrune is updated by version %S. Click <a href=\"$update_link\">here</a> for update.");
  EXPECT_EQ(english.smMail2, u"If you want to watch our online demo, go to http://www.kestrune.example/kestrunesearch/demo/");
}

class MessageReload : public ::testing::Test {
 protected:
  void SetUp() override {
    test::WriteFileBytes(dir.File("english.lng"),
                         "[Header]\nlanguage=English\nlangID=9\nCodePage=1250\nLangAuthor=\"Us\"\n"
                         "[Language]\nFMain.Caption=Main\n[Messages]\nsmSearch=\"Searching now\"\n");
    test::WriteFileBytes(dir.File("russian.LNG"),
                         "[HEADER]\nLANGUAGE=\xd0\xf3\xf1\xf1\xea\xe8\xe9\nlangid=1049\ncodepage=1251\n"
                         "[Header]\nlanguage=Russian\nlangID=1049\nCodePage=1251\n"
                         "[Language]\nFMain.Caption=\xc3\xeb\xe0\xe2\xed\xee\xe5\n[Messages]\nsmSearch=\xcf\xee\xe8\xf1\xea\n");
    test::WriteFileBytes(dir.File("noid.lng"), "[Header]\nlanguage=German\nCodePage=1252\nlangID=\n");
    test::WriteFileBytes(dir.File("other.lngx"), "[Header]\nlanguage=French\nlangID=12\nCodePage=1252\n");
    LoadLngHeaders(dir.WPath(), headers);
  }

  test::TempDir dir;
  TLngHeaders headers;
  test::TRecordingLngTarget target{{{"FMain", {}}}};
  TMessageStrings strings;
};

TEST_F(MessageReload, TheChosenFileRelabelsTheFormsAndFillsTheMessages) {
  struct Case {
    int32_t lang;
    std::string caption;
    std::u16string search;
  } cases[] = {{1049, "FMain.Caption=\xd0\x93\xd0\xbb\xd0\xb0\xd0\xb2\xd0\xbd\xd0\xbe\xd0\xb5",
                u"\u041f\u043e\u0438\u0441\u043a"},
               {1031, "FMain.Caption=Main", u"Searching now"}};
  for (const Case& c : cases) {
    target.log.clear();
    ReloadMessages(dir.WPath(), headers, c.lang, &target, strings);
    EXPECT_EQ(target.log, (std::vector<std::string>{c.caption})) << c.lang;
    EXPECT_EQ(strings.smSearch, c.search) << c.lang;
  }
  // Without any file the built-in texts stay.
  TMessageStrings fresh;
  ReloadMessages(dir.WPath(), {}, 1049, &target, fresh);
  EXPECT_EQ(fresh.smSearch, u"Searching...");
}

TEST_F(MessageReload, StartupRebuildsTheOptionsList) {
  TLngList list{TLngListEntry{u"Stale", u"stale.lng", 1, 1, u""}};
  StartupReload(dir.WPath(), headers, 1049, &target, strings, list);
  std::map<std::u16string, TLngListEntry> byFile;
  for (const TLngListEntry& entry : list) byFile[entry.FileName] = entry;
  ASSERT_EQ(byFile.size(), 2u);
  EXPECT_EQ(byFile[u"english.lng"], (TLngListEntry{u"English", u"english.lng", 9, 1250, u"Us"}));
  // Keys without case, the first occurrence counts, the name in its own code page.
  EXPECT_EQ(byFile[u"russian.LNG"], (TLngListEntry{u"\u0420\u0443\u0441\u0441\u043a\u0438\u0439", u"russian.LNG",
                                                   1049, 1251, u""}));
  EXPECT_EQ(strings.smSearch, u"\u041f\u043e\u0438\u0441\u043a");
}

}  // namespace
}  // namespace kestrune
