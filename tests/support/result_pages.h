// Web-search test material, shared by the tests of the engines, the result
// page builder and the main window's search, and by the fuzz seeds:
//
// - a page writer: result pages of the loopback engine's layout (a navigation
//   bar, an "ol" list of "li" items with a linked "h3" title and a snippet, a
//   footer), the same items in a changed layout (no list the template knows:
//   "div" blocks beside a navigation bar, for the automatic recovery), and an
//   XML result document;
// - the loopback engine's template (HTML or XML answers), written into a
//   program folder's "templates/web/" once the server's address is known.
//
// Header-only, plain C++: usable without GoogleTest. Pages are UTF-8.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune::test {

struct ResultItem {
  std::string url;  // as written into the link
  std::string title;
  std::string snippet;
};

// Items first..first+count-1: url urlBase + "/doc<n>.html", title "Title <n>",
// snippet "Snippet <n> about the query".
inline std::vector<ResultItem> NumberedItems(int first, int count, std::string_view urlBase) {
  std::vector<ResultItem> items;
  for (int n = first; n < first + count; ++n) {
    const std::string number = std::to_string(n);
    items.push_back({std::string(urlBase) + "/doc" + number + ".html", "Title " + number,
                     "Snippet " + number + " about the query"});
  }
  return items;
}

// Results on one topic as a search engine lists them for a query of three
// words: the pages seldom name all three together. "bread": 22 pages on
// sourdough baking; "bicycle": 22 on bicycle care. Url urlBase + "/<topic><n>.html".
inline std::vector<ResultItem> TopicItems(std::string_view topic, std::string_view urlBase) {
  static const char* const kBread[][2] = {
      {"Sourdough starter hydration explained", "How much water a starter needs and why a wet starter rises faster"},
      {"Feeding your sourdough starter", "Flour and water in equal weights keep the starter lively at room temperature"},
      {"Bread dough hydration calculator", "Work out the hydration of any dough from the flour and the water you weigh"},
      {"A stiff starter for a sour loaf", "Lower hydration slows the yeast and lets the bacteria make more acid"},
      {"Why is my starter not rising", "Cold kitchens, old flour and chlorinated water are the usual causes"},
      {"High hydration sourdough bread", "An open crumb needs strong flour, gentle folds and a long cold proof"},
      {"Starter ratios: 1:1:1 or 1:5:5", "The ratio of seed, flour and water decides how quickly the culture peaks"},
      {"Rye sourdough for beginners", "Rye flour ferments fast; the dough stays sticky and needs a tin"},
      {"Whole wheat starter", "Bran absorbs water, so whole wheat culture wants a little more liquid"},
      {"The baker's percentage", "Every ingredient is written as a share of the flour weight in the recipe"},
      {"Stretch and fold technique", "Folding builds gluten in wet dough without kneading on the bench"},
      {"Levain versus sourdough starter", "A levain is a portion of the mother culture built up for one bake"},
      {"Keeping a starter in the fridge", "A refrigerated culture needs feeding once a week and two feeds before baking"},
      {"Crumb shot gallery", "Readers share loaves with open crumb, tight crumb and everything between"},
      {"Scoring patterns for boules", "A sharp lame and a confident cut let the loaf open in the oven"},
      {"Dutch oven baking", "A preheated pot traps steam so the crust stays soft while the loaf springs"},
      {"Autolyse: resting flour and water", "Mixing flour and water first lets the gluten form before the salt goes in"},
      {"Bulk fermentation timing", "Watch the dough rise by half and show bubbles on its sides"},
      {"Sourdough discard recipes", "Pancakes, crackers and waffles use the culture you would throw away"},
      {"Hydration for pizza dough", "Neapolitan pizza sits near sixty percent water, pan pizza far above it"},
      {"Drying a starter for travel", "Spread the culture thin, let it dry and crumble it into a jar"},
      {"Troubleshooting a gummy loaf", "Underbaking or too much water leaves the inside dense and wet"},
  };
  static const char* const kBicycle[][2] = {
      {"How to lube a bicycle chain", "Wipe the chain, put one drop on every roller and wipe off the excess"},
      {"Wet or dry chain lube?", "Wet lube lasts in the rain; dry lube keeps dust away on summer roads"},
      {"Cleaning a bicycle drivetrain", "Degreaser, a brush and a rag bring the cassette and rings back to silver"},
      {"When to replace a chain", "A checker tool shows stretch; replace it before it wears the cassette"},
      {"Wax your chain", "Hot wax runs quiet and clean but takes an evening to apply"},
      {"Bicycle maintenance for beginners", "Tyre pressure, brake pads and a clean drivetrain cover most rides"},
      {"Fixing a squeaky bike", "Most noises come from a dry pivot, a loose bolt or a dirty derailleur"},
      {"Adjusting rear derailleur gears", "Turn the barrel adjuster until the shifts run crisp across the cassette"},
      {"Road bike tyre pressure", "Wider tyres at lower pressure roll as fast and ride far smoother"},
      {"Brake pad wear", "Grooves on the pad show how much rubber is left before it squeals"},
      {"Commuting through winter", "Salt and grit eat metal parts, so rinse the bike after every wet ride"},
      {"Chain lube test results", "We rode twelve products for a thousand kilometres and weighed the wear"},
      {"Quick link or chain tool", "A quick link opens by hand; a tool pushes a pin through the plate"},
      {"Single speed conversion", "Drop the gears, set the tension and enjoy a silent simple machine"},
      {"Bicycle storage in a flat", "Wall hooks and ceiling pulleys keep the hallway free"},
      {"Electric bike batteries", "Charge between twenty and eighty percent to keep the cells healthy"},
      {"Cycling shoes and cleats", "Position the cleat under the ball of the foot to save your knees"},
      {"Truing a wheel at home", "A spoke key and patience straighten a wobble without a stand"},
      {"Tubeless tyres explained", "Sealant plugs small punctures before you even notice them"},
      {"Saddle height made simple", "Your leg should be almost straight at the bottom of the stroke"},
      {"Choosing a bike lock", "A heavy shackle lock and a cable for the front wheel stop most thieves"},
      {"Lights for night riding", "A bright front light and a steady rear light make you visible"},
  };
  std::vector<ResultItem> items;
  const bool bread = topic == "bread";
  const auto& texts = bread ? kBread : kBicycle;
  int n = 0;
  for (const auto& text : texts) {
    items.push_back({std::string(urlBase) + "/" + std::string(topic) + std::to_string(++n) + ".html", text[0], text[1]});
  }
  return items;
}

struct ResultPageOptions {
  bool navigation = true;  // a bar of short links before the list
  std::string stopString;  // written before item `stopBefore` (0-based) when not empty
  size_t stopBefore = 0;
  bool lastItemOpen = false;  // the last item's "</li>" is missing
  size_t padTo = 0;           // a comment after the footer pads the page to this size

  ResultPageOptions& NoNavigation() {
    navigation = false;
    return *this;
  }
  ResultPageOptions& StopStringBefore(std::string text, size_t item) {
    stopString = std::move(text);
    stopBefore = item;
    return *this;
  }
  ResultPageOptions& LastItemOpen() {
    lastItemOpen = true;
    return *this;
  }
  ResultPageOptions& PadTo(size_t size) {
    padTo = size;
    return *this;
  }
};

// The loopback engine's layout.
inline std::string WriteResultPage(const std::vector<ResultItem>& items, const ResultPageOptions& options = {}) {
  std::string page =
      "<html><head><meta charset=\"utf-8\"><title>Results</title></head><body>\n"
      "<div class=\"header\"><h1>Local search</h1></div>\n";
  if (options.navigation) {
    page +=
        "<div class=\"nav\"><a href=\"/\">Home</a> <a href=\"/images\">Images</a> "
        "<a href=\"/news\">News</a></div>\n";
  }
  page += "<ol class=\"results\">\n";
  for (size_t i = 0; i < items.size(); ++i) {
    if (!options.stopString.empty() && i == options.stopBefore) page += options.stopString + "\n";
    const ResultItem& item = items[i];
    page += "<li class=\"result\"><h3><a href=\"" + item.url + "\">" + item.title + "</a></h3>" +
            "<span class=\"snippet\">" + item.snippet + "</span>";
    const bool open = options.lastItemOpen && i + 1 == items.size();
    page += open ? "\n" : "</li>\n";
  }
  page += "</ol>\n<div class=\"footer\"><a href=\"/about\">About</a> <a href=\"/help\">Help</a></div>\n";
  if (options.padTo > page.size() + 30) {
    page += "<!-- " + std::string(options.padTo - page.size() - 30, 'x') + " -->\n";
  }
  page += "</body></html>\n";
  return page;
}

// The same items in a layout the template does not know: each item a "div"
// block with its link and a long description, after a navigation bar of many
// short links. Its visible text is well over 3000 characters for ten items.
inline std::string WriteChangedLayoutPage(const std::vector<ResultItem>& items) {
  std::string page =
      "<html><head><title>Results</title></head><body>\n"
      "<div class=\"topbar\">";
  for (const char* word : {"Home", "Web", "Images", "Video", "News", "Maps", "Shop", "More"}) {
    page += "<span><a href=\"/" + std::string(word) + "\">" + word + "</a></span> ";
  }
  page += "</div>\n<div class=\"serp\"><h2>Results</h2>\n";
  for (const ResultItem& item : items) {
    std::string description = item.snippet;
    while (description.size() < 400) description += " and more words about the query that this document holds";
    page += "<div class=\"hit\"><a href=\"" + item.url + "\">" + item.title + " with a longer heading</a>" +
            "<div class=\"desc\">" + description + "</div></div>\n";
  }
  page +=
      "</div>\n<div class=\"pager\"><a href=\"/p2\">2</a> <a href=\"/p3\">3</a> <a href=\"/p4\">4</a></div>\n"
      "</body></html>\n";
  return page;
}

// An XML answer: <results><item><link>, <title>, <desc></item>...</results>.
inline std::string WriteXmlResultPage(const std::vector<ResultItem>& items) {
  std::string page = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<results>\n";
  for (const ResultItem& item : items) {
    page += "<item><link>" + item.url + "</link><title>" + item.title + "</title><desc>" + item.snippet +
            "</desc></item>\n";
  }
  page += "</results>\n";
  return page;
}

struct LoopbackTemplateOptions {
  std::string hostName = "LocalTest";  // empty: no hostname line
  std::string counts = "20,10";
  std::string format = "utf 8";
  bool nextQuery = true;
  std::string stopString;     // a StopString line when not empty
  bool xml = false;           // answers are XML documents (WriteXmlResultPage)
  std::string extraSettings;  // more lines of the settings section

  LoopbackTemplateOptions& HostName(std::string v) {
    hostName = std::move(v);
    return *this;
  }
  LoopbackTemplateOptions& Counts(std::string v) {
    counts = std::move(v);
    return *this;
  }
  LoopbackTemplateOptions& Format(std::string v) {
    format = std::move(v);
    return *this;
  }
  LoopbackTemplateOptions& NoNextQuery() {
    nextQuery = false;
    return *this;
  }
  LoopbackTemplateOptions& StopString(std::string v) {
    stopString = std::move(v);
    return *this;
  }
  LoopbackTemplateOptions& Xml() {
    xml = true;
    return *this;
  }
  LoopbackTemplateOptions& ExtraSettings(std::string v) {
    extraSettings = std::move(v);
    return *this;
  }
};

// The loopback engine's template for a server at `baseUrl`
// ("http://127.0.0.1:<port>"): first page "/search?q=...&n=<quota>", next pages
// "/search?q=...&n=<quota>&start=<accepted + 1>&page=<page counter>".
inline std::string LoopbackEngineTemplate(std::string_view baseUrl, const LoopbackTemplateOptions& options = {}) {
  const std::string base(baseUrl);
  std::string text = "; The loopback engine of the tests.\n[settings]\n";
  if (options.xml) text += "responsetype = xml\n";
  text += "MainQuery = \"" + base + "/search?q=$main_query&n=$Count_Url\"\n";
  if (options.nextQuery) {
    text += "NextQuery = \"" + base + "/search?q=$next_query&n=$Count_Url&start=$next_results&page=$number_page\"\n";
  }
  text += "CountUrlOnSite = " + options.counts + "\n";
  text += "format = \"" + options.format + "\"\n";
  if (options.xml) {
    text +=
        "BeginItemTag = \"<item>\"\nEndItemTag = \"</item>\"\n"
        "BeginItemURLTag = \"<link>\"\nEndItemURLTag = \"</link>\"\n"
        "BeginItemTitleTag = \"<title>\"\nEndItemTitleTag = \"</title>\"\n"
        "BeginItemAnnotationTag = \"<desc>\"\nEndItemAnnotationTag = \"</desc>\"\n";
  } else {
    text +=
        "BeginItemsListTag = \"<ol class=\"\"results\"\">\"\nEndItemsListTag = \"</ol>\"\n"
        "BeginItemTag = \"<li class=\"\"result\"\">\"\nEndItemTag = \"</li>\"\n"
        "BeginItemTitleTag = \"<a>\"\nEndItemTitleTag = \"</a>\"\n"
        "BeginItemAnnotationTag = \"<span class=\"\"snippet\"\">\"\nEndItemAnnotationTag = \"</span>\"\n";
  }
  if (!options.stopString.empty()) text += "StopString = \"" + options.stopString + "\"\n";
  text += options.extraSettings;
  if (!options.hostName.empty()) text += "[general]\nhostname = \"" + options.hostName + "\"\n";
  return text;
}

// Writes programFolder + "templates/web/" + name + ".ini" (folders made).
inline void WriteEngineTemplate(std::string_view programFolder, std::string_view name, std::string_view text) {
  const std::filesystem::path folder = std::filesystem::path(std::string(programFolder)) / "templates" / "web";
  std::filesystem::create_directories(folder);
  std::ofstream out(folder / (std::string(name) + ".ini"), std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

}  // namespace kestrune::test
