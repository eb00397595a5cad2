#include "app/lng_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/log_file.h"
#include "tests/app/recording_lng_target.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

using Log = std::vector<std::string>;

test::TRecordingLngTarget MainForm() {
  return test::TRecordingLngTarget({{"FMain", {"ILabel1", "ILabel2", "ICombo"}}, {"FAbout", {"ILabel1"}}});
}

Log Apply(const std::string& text) {
  test::TRecordingLngTarget target = MainForm();
  TMemoryStream stream(text.data(), text.size());
  EXPECT_TRUE(ApplyLngFile(u"", &target, nullptr, nullptr, &stream));
  return target.log;
}

std::string Values(int count) {
  std::string text;
  for (int i = 1; i <= count; ++i) text += (i > 1 ? "," : "") + std::to_string(i);
  return text;
}

TEST(LngFile, FindLngHeader_EnglishOfAnySublanguageThenTheExactIdentifier) {
  const TLngHeader english{"English", 9, 1250, "", "en", "english.lng"};
  const TLngHeader russian{"Russian", 1049, 1251, "", "ru", "russian.lng"};
  const TLngHeader uk{"UK", 0x0809, 0, "", "", "uk.lng"};
  const TLngHeader given{"Given", 0, 0, "", "", "given.lng"};
  struct Case {
    int32_t lang;
    TLngHeaders table;
    std::string file;
  } cases[] = {
      {1049, {english, russian}, "russian.lng"},
      {1049, {russian, english}, "russian.lng"},
      {0x0409, {english, russian}, "english.lng"},
      {0x0109, {english, russian}, "english.lng"},
      {1031, {english, russian}, "english.lng"},
      {1031, {russian}, "given.lng"},
      // The last match of a pass wins; the exact identifier over English.
      {1031, {english, uk}, "uk.lng"},
      {9, {english, uk}, "english.lng"},
      {0x0809, {uk, english}, "uk.lng"},
  };
  for (const Case& c : cases) {
    TLngHeader header = given;
    FindLngHeader(c.lang, c.table, header);
    EXPECT_EQ(header.FileName, c.file) << c.lang;
  }
}

TEST(LngFile, ReadLngHeader_ExactKeysLastWinsNonNumbersZero) {
  struct Case {
    std::string text;
    TLngHeader expected;
  } cases[] = {
      {"[Header]\r\nlanguage=English\r\nlangID=9\r\nCodePage=1250    \r\nLangAuthor=\"Kestrune Inc\"\r\n"
       "LangFolder=en\r\n[Messages]\r\nlanguage=Other\r\n",
       {"English", 9, 1250, "Kestrune Inc", "en", "x.lng"}},
      {"[Header]\nLanguage=English\nLANGID=9\ncodepage=1250\nlanguage=\"Deutsch\"\nlanguage=German\n",
       {"German", 0, 0, "", "", "x.lng"}},
      {"[Header]\nlangID=nine\nCodePage=12x\n", {"", 0, 0, "", "", "x.lng"}},
      {"[Header]\nlangID=-1049\nCodePage=99999999999\n", {"", -1049, 0, "", "", "x.lng"}},
      {"language=Before\n[header]\nlanguage=Lower\n", {"", 0, 0, "", "", "x.lng"}},
      {"[Header]\nlangID=" + Values(33) + "\nlanguage=Still\n", {"Still", 0, 0, "", "", "x.lng"}},
  };
  for (const Case& c : cases) {
    TMemoryStream stream(c.text.data(), c.text.size());
    TLngHeader header{"Old", 5, 5, "Old", "Old", "old.lng"};
    ReadLngHeader(u"/some/where/x.lng", &stream, header);
    EXPECT_EQ(header, c.expected) << c.text;
  }
}

TEST(LngFile, ApplyLngFile_LanguageLinesAndTheirCodePage) {
  struct Case {
    const char* name;
    std::string text;
    Log expected;
  } cases[] = {
      {"texts", "[Language]\nFMain.ILabel2.Text=\"Search via\"\nFMain.ILabel1.Text=two words\n"
                "FMain.ILabel1.Hint=\"say \"\"hi\"\";\"\nFMain.Caption=a$2cb;c\n",
       {"FMain.ILabel2.Text=Search via", "FMain.ILabel1.Text=twowords", "FMain.ILabel1.Hint=say \"hi\";",
        "FMain.Caption=a,b"}},
      {"empty hint of the form", "[Language]\nFMain.Hint=\"\"\n", {"FMain.Hint="}},
      {"first value only", "[Language]\nFMain.Caption=one,two\n", {"FMain.Caption=one"}},
      {"names without case", "[Language]\nfmain.ilabel1.TEXT=x\n", {"FMain.ILabel1.TEXT=x"}},
      {"middle names unused", "[Language]\nFMain.IPanel.ILabel1.Caption=x\n", {"FMain.ILabel1.Caption=x"}},
      {"unknown form, component, property",
       "[Language]\nFNone.ILabel1.Text=a\nFMain.INone.Text=b\nFMain.ILabel1.Color=c\nFMain=d\nFMain.=e\n", {}},
      {"items", "[Language]\nFMain.ICombo.Items[0]=a\nFMain.ICombo.Items[2]=\"c c\"\n",
       {"FMain.ICombo.Items[0]=a", "FMain.ICombo.Items[2]=c c"}},
      {"bad item indexes",
       "[Language]\nFMain.ICombo.Items[5]=a\nFMain.ICombo.Items[x]=b\nFMain.ICombo.Items[]=c\n"
       "FMain.ICombo.Items[-1]=d\nFMain.ICombo.Items[4294967296]=e\nFMain.ICombo.Items[1=f\nFMain.ICombo.Items]=g\n"
       "FMain.ICombo.items[1]=h\n",
       {}},
      {"over 32 values skipped",
       "[Language]\nFMain.Caption=" + Values(33) + "\nFMain.Hint=" + Values(32) + "\n", {"FMain.Hint=1"}},
      {"lines before any section", "FMain.Caption=a\n[Language]\nFMain.Hint=b\n", {"FMain.Hint=b"}},
      {"section names with exact case", "[language]\nFMain.Caption=a\n[LANGUAGE]\nFMain.Hint=b\n", {}},
      {"more than 1024 names", "[Language]\nFMain." + std::string(1022, '.') + "ILabel1.Caption=a\nFMain." +
                                   std::string(1021, '.') + "ILabel1.Caption=b\n",
       {"FMain.ILabel1.Caption=b"}},
      // Texts convert with the code page in force at their line.
      {"before and after 1251", "[Language]\nFMain.Caption=\xc0\n[Header]\nCodePage=1251\n[Language]\nFMain.Hint=\xc0\n",
       {"FMain.Caption=\xef\xbf\xbd", "FMain.Hint=\xd0\x90"}},
      {"1250", "[Header]\nCodePage=1250\n[Language]\nFMain.Caption=\x8a\x9a\n", {"FMain.Caption=\xc5\xa0\xc5\xa1"}},
      {"UTF-8", "[Header]\nCodePage=65001\n[Language]\nFMain.Caption=\xd0\x90\n", {"FMain.Caption=\xd0\x90"}},
      {"no code page is UTF-8", "[Language]\nFMain.Caption=\xd0\x90\n", {"FMain.Caption=\xd0\x90"}},
      {"multi-byte page converts whole", "[Header]\nCodePage=936\n[Language]\nFMain.Caption=\xc4\xe3\xba\xc3!\n",
       {"FMain.Caption=\xe4\xbd\xa0\xe5\xa5\xbd!"}},
      {"unknown page as UTF-8", "[Header]\nCodePage=7777\n[Language]\nFMain.Caption=\xd0\x90\n",
       {"FMain.Caption=\xd0\x90"}},
      {"a later code page replaces", "[Header]\nCodePage=1251\nCodePage=1250\n[Language]\nFMain.Caption=\x8a\n",
       {"FMain.Caption=\xc5\xa0"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Apply(c.text), c.expected) << c.name;
}

TEST(LngFile, ApplyLngFile_OnlyRegularFilesAndOneLogLinePerUnknownPage) {
  test::TempDir dir;
  LogFile.Open(dir.File("kestrune.log"));
  test::WriteFileBytes(dir.File("x.lng"),
                       "[Header]\nCodePage=7777\nCodePage=7777\n[Language]\nFMain.Caption=a\nFMain.Hint=b\n");
  test::TRecordingLngTarget target = MainForm();
  EXPECT_TRUE(ApplyLngFile(dir.WFile("x.lng"), &target, nullptr, nullptr));
  EXPECT_EQ(target.log, (Log{"FMain.Caption=a", "FMain.Hint=b"}));
  EXPECT_FALSE(ApplyLngFile(dir.WPath(), &target, nullptr, nullptr));
  EXPECT_FALSE(ApplyLngFile(dir.WFile("missing.lng"), &target, nullptr, nullptr));
  EXPECT_FALSE(ApplyLngFile(u"", &target, nullptr, nullptr));
  ASSERT_EQ(::mkfifo(dir.File("fifo.lng").c_str(), 0600), 0);
  EXPECT_FALSE(ApplyLngFile(dir.WFile("fifo.lng"), &target, nullptr, nullptr));
  EXPECT_EQ(target.log.size(), 2u);
  LogFile.Open(std::string());
  const std::string log = test::ReadFileBytes(dir.File("kestrune.log"));
  const size_t first = log.find("code page 7777 is unknown");
  ASSERT_NE(first, std::string::npos) << log;
  EXPECT_EQ(log.find("code page 7777", first + 1), std::string::npos) << log;
}

}  // namespace
}  // namespace kestrune
