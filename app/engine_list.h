// The engine list: the search engines the user can choose, one per template
// file "templates/web/<name>.ini" of the program folder (the template format
// belongs to EngineWeb). The session keeps them as TSearchEn entries, sorted
// by display name; they decide the items of the engine box, the current
// engine and the engines stored in the settings ("website", "Lwebsite").
//
// Texts are 8-bit as the settings store them (UTF-8 here). The enabled-engine
// text (the "Lwebsite" form) is each enabled display name followed by ",";
// an engine is enabled by it when its name equals one whole item of it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

struct TSearchEn {
  std::string Name;      // display name; empty when the template could not be read
  std::string Template;  // the template's file name without ".ini"
  int32_t Priority = 0;
  bool Enabled = false;

  friend bool operator==(const TSearchEn&, const TSearchEn&) = default;
};
using TSearchEns = std::vector<TSearchEn>;

// The file name of the advertising template, which is no engine of the list
// (compared in lower case).
inline constexpr std::string_view kAdvertisingTemplate = "begun.ini";

// The templates of a folder (with a trailing "/"): the file names that end
// exactly in ".ini", in the folder listing's order, and whether the
// advertising template is among them (it is not listed).
std::vector<std::u16string> ListEngineTemplates(std::u16string_view folder, bool& advertisingFound);

// Reads the header of folder + templateName + ".ini": the first value of
// "hostname" in the sections "display name" and "general" gives the display
// name (the template name when none does), the first value of "priority" the
// priority. Section and key names in any letter case; a later key wins. A
// priority that is no decimal integer reads as 0 and is logged. False, with
// an empty display name, when the file cannot be read.
bool ReadEngineHeader(std::u16string_view folder, std::string_view templateName, int32_t& priority,
                      std::string& displayName);

// Compares as the class library's CompareText: byte by byte with the ASCII
// letters folded to upper case; <0, 0 or >0.
int32_t CompareText(std::string_view a, std::string_view b);

// The template of the last engine whose display name equals the name without
// regard to case; empty when none does.
std::string GetEngineTemplateName(const TSearchEns& engines, std::string_view displayName);

// A bubble sort by display name: pass i = 0..n-1, position j = 0..n-2-i;
// ascending swaps entries j and j+1 when CompareText(name j, name j+1) >= 0
// (equal names too), descending when it is <= 0.
void SortEngines(TSearchEns& engines, bool ascending);

// True when the name is one whole item of the enabled-engine text split at
// "," (or, for a name that holds commas, a run of whole items); an empty name
// never is.
bool EngineEnabledIn(std::string_view enabledText, std::string_view name);

// The enabled-engine text of the list: each enabled display name followed by
// ",", in list order.
std::string EnabledEngineText(const TSearchEns& engines);

}  // namespace kestrune
