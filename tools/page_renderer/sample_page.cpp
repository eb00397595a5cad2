#include "tools/page_renderer/sample_page.h"

#include <fstream>
#include <vector>

#include "language/phrase_word_dictionary.h"
#include "language/storage_forms_words.h"
#include "language/text_parsing.h"
#include "map/content_map2.h"
#include "platform/files.h"
#include "platform/text.h"
#include "search/engine_web.h"
#include "search/page_results.h"
#include "search/scope.h"

namespace kestrune::tools {

namespace {

struct TSampleDocument {
  const char* url;
  const char16_t* title;
  const char16_t* annotation;
  int32_t flags;  // 1 favourite, 2 old, 4 new
};

const TSampleDocument kDocuments[] = {
    {"http://energy.example.org/guides/solar-panel-efficiency", u"Solar panel efficiency explained",
     u" What the efficiency of a solar panel means, how it is measured under standard test conditions and why "
     u"real roofs reach less.", 4},
    {"http://www.sunroof.example/blog/temperature", u"Heat and solar panel output",
     u" Every degree above 25 \u00B0C costs a crystalline panel about 0.4% of its output; ventilation behind the "
     u"modules helps.", 1},
    {"http://pv-lab.example.net/papers/cells-2024.pdf", u"Cell types compared: mono, poly and thin film",
     u" Monocrystalline cells lead in efficiency, polycrystalline cells in price, thin film where weight matters.", 0},
    {"http://www.homepower.example/articles/tilt-and-orientation", u"Tilt, orientation and shade",
     u" A south-facing roof at 30 to 40 degrees gives the most energy in central Europe; a little shade costs "
     u"more than its area.", 4},
    {"http://energy.example.org/faq/degradation", u"How fast do solar panels age?",
     u" Good modules lose about half a percent of their efficiency a year; warranties promise 80% after 25 years.",
     2},
    {"http://www.installer.example.com/costs", u"What a rooftop system costs",
     u" Prices per kilowatt peak, the inverter, mounting and the installer's work, and how long the payback takes.",
     0},
    {"http://wiki.example.org/Perovskite", u"Perovskite cells",
     u" Laboratory cells stacked on silicon passed 33% efficiency; stability outdoors is still the open question.",
     4},
    {"http://www.sunroof.example/blog/cleaning", u"Does cleaning solar panels pay?",
     u" Rain keeps tilted panels clean; dust, pollen and bird droppings on flat mounts can cost a few percent.", 0},
    {"http://news.example.com/science/record-panel", u"Record efficiency for a commercial panel",
     u" A mass-produced module converted 24.7% of the sunlight into electricity in an independent test.", 4},
    {"http://www.homepower.example/articles/inverters", u"Inverters and their losses",
     u" String inverters, micro-inverters and optimisers: what each one loses and when shade decides.", 0},
    {"http://energy.example.org/guides/storage", u"Batteries for solar power at home",
     u" How big a battery should be and how much of the own power it lets a household use.", 0},
    {"http://forum.example.net/t/panel-efficiency-winter", u"Panel efficiency in winter",
     u" Cold panels are more efficient, but short days and snow decide the yield.", 0},
};

}  // namespace

std::u16string BuildSamplePage(const std::string& templateFolder) {
  TPhraseWordDictionary dictionary;
  TITextParsing textParsing;
  TStorageFormsWords forms;
  TContentMap2 map;
  TScope scope;
  EngineWeb engine;
  TPageResults builder;
  std::vector<TMetaSearchList> documents;
  std::vector<int32_t> pageIds;

  textParsing.SetWordDictionary(&dictionary);
  textParsing.SetAllWords(true);
  const int32_t solar = dictionary.AddWord(u"solar", 0, -1);
  const int32_t panel = dictionary.AddWord(u"panel", 0, -1);
  const int32_t efficiency = dictionary.AddWord(u"efficiency", 0, -1);
  const int32_t thermal = dictionary.AddWord(u"thermal", 0, -1);
  const int32_t panels = dictionary.AddWord(u"panels", 0, -1);

  const std::string home = platform::Utf16ToUtf8(platform::ProgramFolder());
  platform::CreateFolder(platform::Utf8ToUtf16(home + "templates/web"));
  std::ofstream(home + "templates/web/sample.ini")
      << "[settings]\nMainQuery=\"http://search.example/find?q=$main_query\"\nformat=\"utf 8\"\nCountUrlOnSite=10\n"
         "[general]\nhostname=Sample\n";
  engine.LoadTemplate("sample");

  for (size_t k = 0; k < std::size(kDocuments); ++k) {
    TMetaSearchList d;
    d.Url = kDocuments[k].url;
    d.Title = kDocuments[k].title;
    d.Annotation = kDocuments[k].annotation;
    d.Label = std::to_string(k + 1) + " - Sample";
    d.Flags = kDocuments[k].flags;
    pageIds.push_back(static_cast<int32_t>(documents.size()));
    documents.push_back(d);
  }
  map.SetNoQueryMode(false);
  for (int32_t id : {solar, panel, efficiency}) map.Steps().SetValue(0, id, 1.0f, true);
  map.Steps().SetValue(1, thermal, -10000.0f, true);
  scope.SetWordDictionary(&dictionary);
  scope.SetFormsStore(&forms);
  scope.Add({{solar, 1.0f}, {panel, 1.0f}}, {});
  scope.Add({{solar, 1.0f}, {panels, 1.0f}}, {{thermal, 1.0f}});
  scope.Add({{solar, 1.0f}, {panel, 1.0f}, {efficiency, 1.0f}}, {});

  EngineWeb* enginePointer = &engine;
  TITextParsing* parserPointer = &textParsing;
  TContentMap2* mapPointer = &map;
  TPhraseWordDictionary* dictionaryPointer = &dictionary;
  TStorageFormsWords* formsPointer = &forms;
  TScope* scopePointer = &scope;
  builder.SetSources(&enginePointer, &parserPointer, &mapPointer, &dictionaryPointer, &formsPointer);
  builder.PageList = TPageDocuments(&documents, &pageIds);
  builder.Scope = &scopePointer;
  builder.GetContextWordsHtml = [] {
    return std::u16string(
        u"<b>Recommended to exclude:</b> <a href=\"ExcludeWord_thermal\">thermal</a>, "
        u"<a href=\"ExcludeWord_battery\">battery</a>, <a href=\"ExcludeWord_price\">price</a>");
  };
  builder.SetTemplatePath(templateFolder);
  const TDocumentCounters counters{12, 1, 0, 4, 1, 1, 4, 1, 1};
  return builder.BuildPage(5, 1, counters, -2);
}

}  // namespace kestrune::tools
