#include <functional>
#include <regex>

#include "platform/settings_store.h"
#include "tests/search/engine_test_support.h"

namespace kestrune {
namespace {

using test::EngineTest;

const char* const kItemTags =
    "FirstTag = \"<li class=\"\"r\"\">\"\nLastTag = \"</li>\"\n"
    "TagBeginTitleInTemplate = \"<h3>\"\nTagEndTitleInTemplate = \"</h3>\"\n";

std::string Numbers(int count) {
  std::string text;
  for (int i = count; i >= 1; --i) text += std::to_string(i) + (i > 1 ? "," : "");
  return text;
}

struct TemplateCase {
  const char* name;
  std::string text;
  int32_t status;
  std::string error;             // a regular expression
  std::vector<std::string> log;  // regular expressions, all lines
  std::function<void(const TEngineTemplate&)> check;
};

TEST_F(EngineTest, LoadTemplateCases) {
  const std::string settings = "[settings]\nMainQuery = \"http://h/s?q=$main_query\"\nformat = \"utf 8\"\n";
  const std::string wrongTag = "Mistake \\d+\\.Wrong file template for engine t";
  const TemplateCase cases[] = {
      {"first spellings in another case",
       "[SETTINGS]\nMAINQUERY = \"http://h/$main_query\"\nnextquery = \"http://h/n\"\nCOUNTURLONSITE = 20,10\n"
       "Format = \"UTF 8\"\nBeginTag = \"<ol>\"\nendTAG = \"</ol>\"\nTagBeginTitleInTemplate = \"<h3>\"\n"
       "TagEndTitleInTemplate = \"</h3>\"\nfirsttag = \"<li>\"\nLASTTAG = \"</li>\"\nTagBeginUrl = \"<cite>\"\n"
       "TagEndUrl = \"</cite>\"\nBeginStrWithUrl = \"URL=\"\nEndStrWithUrl = \"&AMP\"\nNumberImage = 2\n"
       "StopString = \"<!-- End -->\"\n",
       0,
       "",
       {},
       [](const TEngineTemplate& t) {
         EXPECT_EQ(t.MainQuery, "http://h/$main_query");
         EXPECT_EQ(t.NextQuery, "http://h/n");
         EXPECT_EQ(t.CountUrlOnSite, (std::vector<int32_t>{20, 10}));
         EXPECT_EQ(t.Format, "utf 8");
         EXPECT_EQ(t.BeginItemsListTag.Name, u"ol");
         EXPECT_EQ(t.EndItemsListTag.Name, u"/ol");
         EXPECT_EQ(t.BeginItemTitleTag.Name, u"h3");
         EXPECT_EQ(t.EndItemTitleTag.Name, u"/h3");
         EXPECT_EQ(t.BeginItemTag.Name, u"li");
         EXPECT_EQ(t.EndItemTag.Name, u"/li");
         EXPECT_EQ(t.BeginItemURLTag.Name, u"cite");
         EXPECT_EQ(t.EndItemURLTag.Name, u"/cite");
         EXPECT_EQ(t.BeginStrWithUrl, "url=");
         EXPECT_EQ(t.EndStrWithUrl, "&amp");
         EXPECT_EQ(t.NumberImage, 2);
         EXPECT_EQ(t.StopString, "<!-- End -->");
         EXPECT_EQ(t.HostName, "t");
       }},
      {"second spellings; attributes kept",
       "[Settings]\nMainQuery = \"q\"\nurlspersiteresponse = 5\nBEGINITEMSLISTTAG = \"<div class=\"\"list\"\">\"\n"
       "EndItemsListTag = \"</div>\"\nBeginItemTitleTag = \"<a class=\"\"t\"\" id=x>\"\nEndItemTitleTag = \"</a>\"\n"
       "BeginItemTag = \"<p>\"\nEndItemTag = \"</p>\"\nBeginItemURLTag = \"<span>\"\nEndItemURLTag = \"</span>\"\n",
       0,
       "",
       {},
       [](const TEngineTemplate& t) {
         EXPECT_EQ(t.CountUrlOnSite, (std::vector<int32_t>{5}));
         EXPECT_EQ(t.BeginItemsListTag.Name, u"div");
         ASSERT_EQ(t.BeginItemsListTag.AttributeCount, 1);
         EXPECT_EQ(t.BeginItemsListTag.Attributes[0].Name, u"class");
         EXPECT_EQ(t.BeginItemsListTag.Attributes[0].Value, u"list");
         ASSERT_EQ(t.BeginItemTitleTag.AttributeCount, 2);
         EXPECT_EQ(t.BeginItemTitleTag.Attributes[1].Value, u"x");
         EXPECT_EQ(t.EndItemTag.Name, u"/p");
         EXPECT_EQ(t.BeginItemURLTag.Name, u"span");
       }},
      {"the xml flag is read first: XML patterns parse before its line",
       "[settings]\nBeginItemTag = \"<entry>\"\nEndItemTag = \"</entry>\"\nResponseType = XML\n",
       0,
       "",
       {},
       [](const TEngineTemplate& t) {
         EXPECT_TRUE(t.XmlMode);
         EXPECT_EQ(t.BeginItemTag.Name, u"entry");
         EXPECT_EQ(t.EndItemTag.Name, u"/entry");
       }},
      {"an unknown tag is no tag without the xml flag",
       settings + "BeginItemTag = \"<entry>\"\n",
       1,
       wrongTag,
       {wrongTag, "Error in EngineWeb\\.LoadSettings "},
       [](const TEngineTemplate& t) {
         EXPECT_FALSE(t.XmlMode);
         EXPECT_EQ(t.MainQuery, "http://h/s?q=$main_query");  // read before the error
       }},
      {"31 values are a list",
       "[settings]\nCountUrlOnSite = " + Numbers(31) + "\n",
       0,
       "",
       {},
       [](const TEngineTemplate& t) {
         ASSERT_EQ(t.CountUrlOnSite.size(), 31u);
         EXPECT_EQ(t.CountUrlOnSite.front(), 31);
         EXPECT_EQ(t.CountUrlOnSite.back(), 1);
       }},
      {"32 values are refused",
       "[settings]\nCountUrlOnSite = " + Numbers(32) + "\n",
       3,
       "Wrong file template for engine t",
       {"Wrong file template for engine t", "Error in procedure EngineWeb\\.LoadSettings "},
       nullptr},
      {"33 values are refused",
       "[settings]\nBeginItemAnnotationTag = " + Numbers(33) + "\n",
       3,
       "Wrong file template for engine t",
       {},
       nullptr},
      {"a list ends at its first empty value",
       "[settings]\nCountUrlOnSite = 30,,10\nCountUrlOnSite = 5\n",
       0,
       "",
       {},
       [](const TEngineTemplate& t) {
         EXPECT_EQ(t.CountUrlOnSite, (std::vector<int32_t>{30, 5}));
       }},
      {"a count line without a value leaves the list empty",
       "[settings]\nCountUrlOnSite =\n",
       0,
       "",
       {},
       [](const TEngineTemplate& t) { EXPECT_TRUE(t.CountUrlOnSite.empty()); }},
      {"a count that is no number",
       "[settings]\nCountUrlOnSite = 10,ten\n",
       3,
       "Wrong file template for engine t",
       {},
       nullptr},
      {"a count of 0", "[settings]\nCountUrlOnSite = 10,0\n", 3, "Wrong file template for engine t", {}, nullptr},
      {"a negative count", "[settings]\nCountUrlOnSite = -10\n", 3, "Wrong file template for engine t", {}, nullptr},
      {"an empty tag list is an error", "[settings]\nBeginItemAnnotationTag =\n", 1, wrongTag, {}, nullptr},
      {"a tag value that holds no tag", settings + "FirstTag = \"plain text\"\n", 1, wrongTag, {}, nullptr},
      {"annotation and comment lists are cut to pairs",
       "[settings]\nBeginItemAnnotationTag = \"<p>\",\"<div>\"\nEndItemAnnotationTag = \"</p>\"\n"
       "BeginItemCommentTag = \"<b>\"\nEndItemCommentTag = \"</b>\"\nEndItemCommentTag = \"</i>\",\"</u>\"\n",
       0,
       "",
       {},
       [](const TEngineTemplate& t) {
         EXPECT_EQ(t.AnnotationPairCount, 1);
         ASSERT_EQ(t.BeginItemAnnotationTag.size(), 1u);
         EXPECT_EQ(t.BeginItemAnnotationTag[0].Name, u"p");
         EXPECT_EQ(t.CommentPairCount, 1);
         ASSERT_EQ(t.EndItemCommentTag.size(), 1u);
         EXPECT_EQ(t.EndItemCommentTag[0].Name, u"/b");
       }},
      {"macros in file order",
       "[settings]\nMacros_Price = 3, \"<span class=\"\"price\"\">\", \"</span>\"\nmacrosNote = 1, \"<b>\", \"a "
       "note\"\n",
       0,
       "",
       {},
       [](const TEngineTemplate& t) {
         ASSERT_EQ(t.Macros.size(), 2u);
         EXPECT_EQ(t.Macros[0].Name, "macros_price");
         EXPECT_EQ(t.Macros[0].Number, 3);
         EXPECT_EQ(t.Macros[0].BeginTag.Name, u"span");
         EXPECT_EQ(t.Macros[0].EndTag.Name, u"/span");
         EXPECT_TRUE(t.Macros[0].Text.empty());
         EXPECT_EQ(t.Macros[1].Name, "macrosnote");
         EXPECT_TRUE(t.Macros[1].EndTag.Name.empty());
         EXPECT_EQ(t.Macros[1].Text, u"a note");
       }},
      {"a macro whose begin value is no tag", "[settings]\nmacros1 = 1, \"text\", \"x\"\n", 1, wrongTag, {}, nullptr},
      {"display sections; unknown keys and sections ignored",
       "[other]\nhostname = Wrong\n[settings]\nhostname = Wrong2\nUnknownKey = 1\n[General]\nHostName = \"Local "
       "Test\"\n"
       "HidePlainTextUrl = TRUE\n[display name]\nDisableDomainRemoval = yes\n",
       0,
       "",
       {},
       [](const TEngineTemplate& t) {
         EXPECT_EQ(t.HostName, "Local Test");
         EXPECT_TRUE(t.HidePlainTextUrl);
         EXPECT_FALSE(t.DisableDomainRemoval);
       }},
      {"later single values win",
       "[settings]\nMainQuery = \"a\"\nMainQuery = \"b\"\n[display name]\nhostname = X\n",
       0,
       "",
       {},
       [](const TEngineTemplate& t) {
         EXPECT_EQ(t.MainQuery, "b");
         EXPECT_EQ(t.HostName, "X");
       }},
  };
  for (const TemplateCase& c : cases) {
    SCOPED_TRACE(c.name);
    WriteTemplate("t", c.text + (c.status == 0 ? std::string() : std::string()));
    ClearLog();
    EngineWeb engine;
    ASSERT_TRUE(engine.LoadTemplate("t"));
    EXPECT_EQ(engine.Status(), c.status);
    EXPECT_TRUE(std::regex_match(engine.ErrorText(), std::regex(c.error))) << engine.ErrorText();
    if (!c.log.empty()) {
      const std::vector<std::string> log = Log();
      ASSERT_EQ(log.size(), c.log.size());
      for (size_t i = 0; i < log.size(); ++i) EXPECT_TRUE(std::regex_match(log[i], std::regex(c.log[i]))) << log[i];
    }
    if (c.check) c.check(engine.Template());
  }
}

TEST_F(EngineTest, MissingTemplates) {
  WriteTemplate("present", "[settings]\n");
  for (const char* name : {"absent", "../templates/web/present", "web/present", "web\\present", "..present", ""}) {
    SCOPED_TRACE(name);
    ClearLog();
    EngineWeb engine;
    engine.LoadTemplate(name);
    const std::string text = std::string("Mistake 2. Error with XML. No template for engine ") + name;
    EXPECT_EQ(engine.Status(), 1);
    EXPECT_EQ(engine.ErrorText(), text);
    EXPECT_EQ(Log(), (std::vector<std::string>{text, "Error in EngineWeb.LoadSettings "}));
    EXPECT_EQ(engine.EngineName(), name);  // named after the file
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
  struct Case {
    const char* line;
    const char* mainQuery;
  } cases[] = {
      {"SecurityToken = HKEY_LOCAL_MACHINE, \"SOFTWARE\\Partner\", Token", "http://h/?k=T0K&N&t=T0K&N"},
      {"SecurityToken = HKEY_LOCAL_MACHINE, \"SOFTWARE\\Partner\", Missing",
       "http://h/?k=$Security_Token&t=$SECURITY_token"},
      {"SecurityToken = HKEY_LOCAL_MACHINE, \"SOFTWARE\\Partner\", Number",
       "http://h/?k=$Security_Token&t=$SECURITY_token"},
      {"SecurityToken = HKEY_LOCAL_MACHINE, \"SOFTWARE\\Nowhere\", Token",
       "http://h/?k=$Security_Token&t=$SECURITY_token"},
      {"SecurityToken = hkey_local_machine, \"SOFTWARE\\Partner\", Token",
       "http://h/?k=$Security_Token&t=$SECURITY_token"},
      {"SecurityToken = HKEY_USERS, \"SOFTWARE\\Partner\", Token", "http://h/?k=$Security_Token&t=$SECURITY_token"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    WriteTemplate("t", std::string("[settings]\nMainQuery = \"http://h/?k=$Security_Token&t=$SECURITY_token\"\n"
                                   "NextQuery = \"n=$security_token\"\n") +
                           c.line + "\n");
    EngineWeb engine;
    engine.LoadTemplate("t");
    EXPECT_EQ(engine.Status(), 0);
    EXPECT_EQ(engine.Template().MainQuery, c.mainQuery);
  }
  EXPECT_EQ(RegistryRootFromName("HKEY_CURRENT_USER"), platform::kHKeyCurrentUser);
  EXPECT_EQ(RegistryRootFromName("HKEY_DYN_DATA"), platform::kHKeyDynData);
  EXPECT_EQ(RegistryRootFromName("HKEY_CLASSES_ROOT "), 0u);
}

}  // namespace
}  // namespace kestrune
