#include <cstdlib>
#include <filesystem>
#include <regex>

#include "platform/settings_store.h"
#include "tests/search/engine_test_support.h"

namespace kestrune {
namespace {

using test::EngineTest;

std::string Utf8(std::u16string_view text) { return platform::Utf16ToUtf8(text); }

std::string TagText(const TAttributesTag& tag) {
  std::string text = Utf8(tag.Name);
  for (size_t i = 0; i < tag.AttributeCount; ++i) {
    text += "[" + Utf8(tag.Attributes[i].Name) + "=" + Utf8(tag.Attributes[i].Value) + "]";
  }
  return text;
}

// The settings read, one "key=value" per setting that is not empty.
std::string Summary(const TEngineTemplate& t) {
  std::string s;
  auto add = [&s](const char* key, const std::string& value) {
    if (!value.empty() && value != "," && value != "0") s += (s.empty() ? "" : " ") + std::string(key) + "=" + value;
  };
  auto tags = [](const std::vector<TAttributesTag>& list) {
    std::string text;
    for (const TAttributesTag& tag : list) text += (text.empty() ? "" : "+") + TagText(tag);
    return text;
  };
  std::string counts;
  for (int32_t c : t.CountUrlOnSite) counts += (counts.empty() ? "" : ",") + std::to_string(c);
  add("main", t.MainQuery);
  add("next", t.NextQuery);
  add("counts", counts);
  add("format", t.Format);
  add("list", TagText(t.BeginItemsListTag) + "," + TagText(t.EndItemsListTag));
  add("item", TagText(t.BeginItemTag) + "," + TagText(t.EndItemTag));
  add("title", TagText(t.BeginItemTitleTag) + "," + TagText(t.EndItemTitleTag));
  add("url", TagText(t.BeginItemURLTag) + "," + TagText(t.EndItemURLTag));
  add("cut", t.BeginStrWithUrl + "," + t.EndStrWithUrl);
  add("annotations", tags(t.BeginItemAnnotationTag) + "," + tags(t.EndItemAnnotationTag));
  add("comments", tags(t.BeginItemCommentTag) + "," + tags(t.EndItemCommentTag));
  for (const TMacros& m : t.Macros) {
    add("macro", m.Name + ":" + std::to_string(m.Number) + ":" + TagText(m.BeginTag) + ":" + TagText(m.EndTag) + ":" +
                     Utf8(m.Text));
  }
  add("image", std::to_string(t.NumberImage));
  add("stop", t.StopString);
  add("xml", t.XmlMode ? "1" : "");
  add("host", t.HostName);
  add("flags", std::string(t.HidePlainTextUrl ? "hide" : "") + (t.DisableDomainRemoval ? "keep" : ""));
  return s;
}

std::string Numbers(int count) {
  std::string text = "1";
  for (int i = 2; i <= count; ++i) text += "," + std::to_string(i);
  return text;
}

TEST_F(EngineTest, LoadTemplateCases) {
  const std::string wrongTag = "Mistake \\d+\\.Wrong file template for engine t";
  const std::string wrongFile = "Wrong file template for engine t";
  struct Case {
    const char* name;
    std::string text;
    int32_t status;
    std::string error;  // a regular expression
    std::string summary;
  } cases[] = {
      {"first spellings in any case",
       "[SETTINGS]\nMAINQUERY = \"http://h/$main_query\"\nnextquery = \"n\"\nCOUNTURLONSITE = 20,10\nFormat = \"UTF "
       "8\"\n"
       "BeginTag = \"<ol>\"\nendTAG = \"</ol>\"\nTagBeginTitleInTemplate = \"<h3>\"\nTagEndTitleInTemplate = "
       "\"</h3>\"\n"
       "firsttag = \"<li>\"\nLASTTAG = \"</li>\"\nTagBeginUrl = \"<cite>\"\nTagEndUrl = \"</cite>\"\n"
       "BeginStrWithUrl = \"URL=\"\nEndStrWithUrl = \"&AMP\"\nNumberImage = 2\nStopString = \"<!-- End -->\"\n",
       0, "",
       "main=http://h/$main_query next=n counts=20,10 format=utf 8 list=ol,/ol item=li,/li title=h3,/h3 "
       "url=cite,/cite cut=url=,&amp image=2 stop=<!-- End --> host=t"},
      {"second spellings; attributes kept",
       "[Settings]\nurlspersiteresponse = 5\nBEGINITEMSLISTTAG = \"<div class=\"\"list\"\">\"\nEndItemsListTag = "
       "\"</div>\"\n"
       "BeginItemTitleTag = \"<a class=\"\"t\"\" id=x>\"\nEndItemTitleTag = \"</a>\"\nBeginItemTag = \"<p>\"\n"
       "EndItemTag = \"</p>\"\nBeginItemURLTag = \"<span>\"\nEndItemURLTag = \"</span>\"\n",
       0, "", "counts=5 list=div[class=list],/div item=p,/p title=a[class=t][id=x],/a url=span,/span host=t"},
      {"the xml flag is read first", "[settings]\nBeginItemTag = \"<entry>\"\nResponseType = XML\n", 0, "",
       "item=entry, xml=1 host=t"},
      {"an unknown tag is no tag without it; what came before stays",
       "[settings]\nMainQuery = \"q\"\nBeginItemTag = \"<entry>\"\nFormat = x\n", 1, wrongTag, "main=q host=t"},
      {"31 values", "[settings]\nCountUrlOnSite = " + Numbers(31) + "\n", 0, "", "counts=" + Numbers(31) + " host=t"},
      {"32 values", "[settings]\nCountUrlOnSite = " + Numbers(32) + "\n", 3, wrongFile, "host=t"},
      {"33 values", "[settings]\nBeginItemAnnotationTag = " + Numbers(33) + "\n", 3, wrongFile, "host=t"},
      {"a list ends at an empty value; lines append", "[settings]\nCountUrlOnSite = 30,,10\nCountUrlOnSite = 5\n", 0,
       "", "counts=30,5 host=t"},
      {"no count at all", "[settings]\nCountUrlOnSite =\n", 0, "", "host=t"},
      {"a count that is no number", "[settings]\nCountUrlOnSite = 10,ten\n", 3, wrongFile, "counts=10 host=t"},
      {"a count of 0", "[settings]\nCountUrlOnSite = 10,0\n", 3, wrongFile, "counts=10 host=t"},
      {"a negative count", "[settings]\nCountUrlOnSite = -1\n", 3, wrongFile, "host=t"},
      {"an empty tag list", "[settings]\nBeginItemAnnotationTag =\n", 1, wrongTag, "host=t"},
      {"a value that holds no tag", "[settings]\nFirstTag = \"plain text\"\n", 1, wrongTag, "host=t"},
      {"lists cut to pairs",
       "[settings]\nBeginItemAnnotationTag = \"<p>\",\"<div>\"\nEndItemAnnotationTag = \"</p>\"\n"
       "BeginItemCommentTag = \"<b>\"\nEndItemCommentTag = \"</b>\",\"</i>\"\n",
       0, "", "annotations=p,/p comments=b,/b host=t"},
      {"macros in file order",
       "[settings]\nMacros_Price = 3, \"<span class=\"\"p\"\">\", \"</span>\"\nmacrosNote = 1, \"<b>\", \"a note\"\n",
       0, "", "macro=macros_price:3:span[class=p]:/span: macro=macrosnote:1:b::a note host=t"},
      {"a macro without a tag", "[settings]\nmacros1 = 1, \"text\", \"x\"\n", 1, wrongTag, "host=t"},
      {"display sections; other keys and sections ignored",
       "[other]\nhostname = A\n[settings]\nhostname = B\nUnknown = 1\n[General]\nHostName = \"Local Test\"\n"
       "HidePlainTextUrl = TRUE\n[display name]\nDisableDomainRemoval = yes\nhostname = C\n",
       0, "", "host=C flags=hide"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteTemplate("t", c.text);
    ClearLog();
    EngineWeb engine;
    ASSERT_TRUE(engine.LoadTemplate("t"));
    EXPECT_EQ(engine.Status(), c.status);
    EXPECT_TRUE(std::regex_match(engine.ErrorText(), std::regex(c.error))) << engine.ErrorText();
    EXPECT_EQ(Summary(engine.Template()), c.summary);
    const std::vector<std::string> log = Log();
    if (c.status == 0) {
      EXPECT_TRUE(log.empty());
    } else {
      ASSERT_EQ(log.size(), 2u);
      EXPECT_EQ(log[0], engine.ErrorText());
      EXPECT_EQ(log[1],
                c.status == 3 ? "Error in procedure EngineWeb.LoadSettings " : "Error in EngineWeb.LoadSettings ");
    }
  }
}

TEST_F(EngineTest, MissingTemplates) {
  WriteTemplate("present", "[settings]\n");
  for (const char* name : {"absent", "../templates/web/present", "web/present", "web\\present", "..present"}) {
    SCOPED_TRACE(name);
    ClearLog();
    EngineWeb engine;
    engine.LoadTemplate(name);
    const std::string text = std::string("Mistake 2. Error with XML. No template for engine ") + name;
    EXPECT_EQ(engine.Status(), 1);
    EXPECT_EQ(engine.ErrorText(), text);
    EXPECT_EQ(Log(), (std::vector<std::string>{text, "Error in EngineWeb.LoadSettings "}));
  }
  EngineWeb engine;
  engine.LoadTemplate("PRESENT");  // the file name's letter case does not matter
  EXPECT_EQ(engine.Status(), 0);
  EXPECT_EQ(engine.EngineName(), "PRESENT");
}

TEST_F(EngineTest, SecurityTokenFromTheSettingsStore) {
  {
    platform::SettingsStore store;
    store.SetRootKey(platform::kHKeyLocalMachine);
    ASSERT_TRUE(store.OpenKey("SOFTWARE\\Partner", true));
    store.WriteString("Token", "T0K&N");
    store.WriteInteger("Number", 7);
  }
  const std::string unchanged = "http://h/?k=$Security_Token&t=$SECURITY_token";
  const std::pair<const char*, std::string> cases[] = {
      {"HKEY_LOCAL_MACHINE, \"SOFTWARE\\Partner\", Token", "http://h/?k=T0K&N&t=T0K&N"},
      {"HKEY_LOCAL_MACHINE, \"SOFTWARE\\Partner\", Missing", unchanged},
      {"HKEY_LOCAL_MACHINE, \"SOFTWARE\\Partner\", Number", unchanged},  // not a string
      {"hkey_local_machine, \"SOFTWARE\\Partner\", Token", unchanged},   // root names are exact
      {"HKEY_USERS, \"SOFTWARE\\Partner\", Token", unchanged},
  };
  for (const auto& [line, mainQuery] : cases) {
    SCOPED_TRACE(line);
    WriteTemplate("t", "[settings]\nMainQuery = \"" + unchanged + "\"\nSecurityToken = " + line + "\n");
    EngineWeb engine;
    engine.LoadTemplate("t");
    EXPECT_EQ(engine.Status(), 0);
    EXPECT_EQ(engine.Template().MainQuery, mainQuery);
  }
}

// The templates we ship read without error and build their first URL.
TEST_F(EngineTest, ShippedTemplatesLoad) {
  const char* source = std::getenv("KESTRUNE_SOURCE_DIR");
  if (!source) GTEST_SKIP() << "KESTRUNE_SOURCE_DIR is not set";
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(std::string(source) + "/data/templates/web")) {
    const std::string name = entry.path().stem().string();
    SCOPED_TRACE(name);
    WriteTemplate(name, test::ReadFileBytes(entry.path().string()));
    EngineWeb engine;
    engine.LoadTemplate(name);
    EXPECT_EQ(engine.Status(), 0) << engine.ErrorText();
    engine.SetUrlCount(50);
    std::u16string first;
    EXPECT_TRUE(engine.PrepareSearch(u"blue sky", first)) << engine.ErrorText();
    EXPECT_TRUE(engine.FirstUrl().starts_with("https://") && engine.FirstUrl().find("blue+sky") != std::string::npos)
        << engine.FirstUrl();
    ++count;
  }
  EXPECT_GE(count, 3);
}

}  // namespace
}  // namespace kestrune
