// The HTML parser's fixed tables: the tag lists, the named character
// references, the characters that separate runs of the offset map, and the
// references that decode. Internal to the search library.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

namespace kestrune::html {

// Tags that count as HTML; every other tag that begins with a letter is
// skipped. Sorted.
inline constexpr std::array<std::u16string_view, 107> kKnownTags = {
    u"a",        u"abbr",     u"acronym",  u"address",  u"applet",   u"area",     u"b",        u"base",
    u"basefont", u"bdo",      u"bgsound",  u"big",      u"blockquote", u"body",   u"br",       u"button",
    u"caption",  u"center",   u"cite",     u"code",     u"col",      u"colgroup", u"config",   u"dd",
    u"del",      u"dfn",      u"dir",      u"div",      u"dl",       u"dt",       u"echo",     u"elif",
    u"else",     u"em",       u"embed",    u"endif",    u"exec",     u"fieldset", u"flastmod", u"font",
    u"form",     u"frame",    u"frameset", u"fsize",    u"h1",       u"h2",       u"h3",       u"h4",
    u"h5",       u"h6",       u"head",     u"hr",       u"html",     u"i",        u"if",       u"iframe",
    u"img",      u"include",  u"input",    u"ins",      u"isindex",  u"kbd",      u"label",    u"legend",
    u"li",       u"link",     u"map",      u"menu",     u"meta",     u"nobr",     u"noframes", u"noscript",
    u"object",   u"ol",       u"optgroup", u"option",   u"p",        u"param",    u"pre",      u"printenv",
    u"q",        u"s",        u"samp",     u"script",   u"select",   u"set",      u"small",    u"spacer",
    u"span",     u"strike",   u"strong",   u"style",    u"sub",      u"sup",      u"table",    u"tbody",
    u"td",       u"textarea", u"tfoot",    u"th",       u"thead",    u"title",    u"tr",       u"tt",
    u"u",        u"ul",       u"var",
};
inline constexpr size_t kKnownTagCount = kKnownTags.size();

// Tags that end a line where they open, in the visible text (and so in the
// highlighting). The block elements of HTML 5 among them are no known tags:
// they break lines but never enter a tag table. Sorted.
inline constexpr std::array<std::u16string_view, 39> kLineBreakTags = {
    u"address", u"article", u"aside", u"blockquote", u"br", u"caption", u"center", u"dd", u"details", u"div", u"dl",
    u"dt", u"fieldset", u"figcaption", u"figure", u"footer", u"form", u"h1", u"h2", u"h3", u"h4", u"h5", u"h6",
    u"header", u"hr", u"li", u"main", u"nav", u"ol", u"option", u"p", u"pre", u"section", u"summary", u"table", u"td",
    u"th", u"tr", u"ul",
};
// Tags that end a line twice; sorted.
inline constexpr std::array<std::u16string_view, 2> kDoubleBreakTags = {u"li", u"p"};

static_assert(std::is_sorted(kKnownTags.begin(), kKnownTags.begin() + kKnownTagCount));
static_assert(std::is_sorted(kLineBreakTags.begin(), kLineBreakTags.end()));
static_assert(std::is_sorted(kDoubleBreakTags.begin(), kDoubleBreakTags.end()));

template <typename Array>
bool InSortedList(const Array& list, size_t count, std::u16string_view name) {
  return std::binary_search(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(count), name);
}

struct TNamedReference {
  std::string_view Name;  // as written in HTML 4.01 ("amp", "Dagger", "rArr")
  char16_t Code;
};

// The HTML 4.01 character references (and "apos"), by name with its letter
// case; a name is looked up as written first, then lower-cased ("AMP" finds
// "amp"). Sorted by name, byte by byte.
inline constexpr TNamedReference kNamedReferences[] = {
    {"AElig", 198},    {"Aacute", 193},   {"Acirc", 194},    {"Agrave", 192},   {"Alpha", 913},
    {"Aring", 197},    {"Atilde", 195},   {"Auml", 196},     {"Beta", 914},     {"Ccedil", 199},
    {"Chi", 935},      {"Dagger", 8225},  {"Delta", 916},    {"ETH", 208},      {"Eacute", 201},
    {"Ecirc", 202},    {"Egrave", 200},   {"Epsilon", 917},  {"Eta", 919},      {"Euml", 203},
    {"Gamma", 915},    {"Iacute", 205},   {"Icirc", 206},    {"Igrave", 204},   {"Iota", 921},
    {"Iuml", 207},     {"Kappa", 922},    {"Lambda", 923},   {"Mu", 924},       {"Ntilde", 209},
    {"Nu", 925},       {"OElig", 338},    {"Oacute", 211},   {"Ocirc", 212},    {"Ograve", 210},
    {"Omega", 937},    {"Omicron", 927},  {"Oslash", 216},   {"Otilde", 213},   {"Ouml", 214},
    {"Phi", 934},      {"Pi", 928},       {"Prime", 8243},   {"Psi", 936},      {"Rho", 929},
    {"Scaron", 352},   {"Sigma", 931},    {"THORN", 222},    {"Tau", 932},      {"Theta", 920},
    {"Uacute", 218},   {"Ucirc", 219},    {"Ugrave", 217},   {"Upsilon", 933},  {"Uuml", 220},
    {"Xi", 926},       {"Yacute", 221},   {"Yuml", 376},     {"Zeta", 918},     {"aacute", 225},
    {"acirc", 226},    {"acute", 180},    {"aelig", 230},    {"agrave", 224},   {"alefsym", 8501},
    {"alpha", 945},    {"amp", 38},       {"and", 8743},     {"ang", 8736},     {"apos", 39},
    {"aring", 229},    {"asymp", 8776},   {"atilde", 227},   {"auml", 228},     {"bdquo", 8222},
    {"beta", 946},     {"brvbar", 166},   {"bull", 8226},    {"cap", 8745},     {"ccedil", 231},
    {"cedil", 184},    {"cent", 162},     {"chi", 967},      {"circ", 710},     {"clubs", 9827},
    {"cong", 8773},    {"copy", 169},     {"crarr", 8629},   {"cup", 8746},     {"curren", 164},
    {"dArr", 8659},    {"dagger", 8224},  {"darr", 8595},    {"deg", 176},      {"delta", 948},
    {"diams", 9830},   {"divide", 247},   {"eacute", 233},   {"ecirc", 234},    {"egrave", 232},
    {"empty", 8709},   {"emsp", 8195},    {"ensp", 8194},    {"epsilon", 949},  {"equiv", 8801},
    {"eta", 951},      {"eth", 240},      {"euml", 235},     {"euro", 8364},    {"exist", 8707},
    {"fnof", 402},     {"forall", 8704},  {"frac12", 189},   {"frac14", 188},   {"frac34", 190},
    {"frasl", 8260},   {"gamma", 947},    {"ge", 8805},      {"gt", 62},        {"hArr", 8660},
    {"harr", 8596},    {"hearts", 9829},  {"hellip", 8230},  {"iacute", 237},   {"icirc", 238},
    {"iexcl", 161},    {"igrave", 236},   {"image", 8465},   {"infin", 8734},   {"int", 8747},
    {"iota", 953},     {"iquest", 191},   {"isin", 8712},    {"iuml", 239},     {"kappa", 954},
    {"lArr", 8656},    {"lambda", 955},   {"lang", 9001},    {"laquo", 171},    {"larr", 8592},
    {"lceil", 8968},   {"ldquo", 8220},   {"le", 8804},      {"lfloor", 8970},  {"lowast", 8727},
    {"loz", 9674},     {"lrm", 8206},     {"lsaquo", 8249},  {"lsquo", 8216},   {"lt", 60},
    {"macr", 175},     {"mdash", 8212},   {"micro", 181},    {"middot", 183},   {"minus", 8722},
    {"mu", 956},       {"nabla", 8711},   {"nbsp", 160},     {"ndash", 8211},   {"ne", 8800},
    {"ni", 8715},      {"not", 172},      {"notin", 8713},   {"nsub", 8836},    {"ntilde", 241},
    {"nu", 957},       {"oacute", 243},   {"ocirc", 244},    {"oelig", 339},    {"ograve", 242},
    {"oline", 8254},   {"omega", 969},    {"omicron", 959},  {"oplus", 8853},   {"or", 8744},
    {"ordf", 170},     {"ordm", 186},     {"oslash", 248},   {"otilde", 245},   {"otimes", 8855},
    {"ouml", 246},     {"para", 182},     {"part", 8706},    {"permil", 8240},  {"perp", 8869},
    {"phi", 966},      {"pi", 960},       {"piv", 982},      {"plusmn", 177},   {"pound", 163},
    {"prime", 8242},   {"prod", 8719},    {"prop", 8733},    {"psi", 968},      {"quot", 34},
    {"rArr", 8658},    {"radic", 8730},   {"rang", 9002},    {"raquo", 187},    {"rarr", 8594},
    {"rceil", 8969},   {"rdquo", 8221},   {"real", 8476},    {"reg", 174},      {"rfloor", 8971},
    {"rho", 961},      {"rlm", 8207},     {"rsaquo", 8250},  {"rsquo", 8217},   {"sbquo", 8218},
    {"scaron", 353},   {"sdot", 8901},    {"sect", 167},     {"shy", 173},      {"sigma", 963},
    {"sigmaf", 962},   {"sim", 8764},     {"spades", 9824},  {"sub", 8834},     {"sube", 8838},
    {"sum", 8721},     {"sup", 8835},     {"sup1", 185},     {"sup2", 178},     {"sup3", 179},
    {"supe", 8839},    {"szlig", 223},    {"tau", 964},      {"there4", 8756},  {"theta", 952},
    {"thetasym", 977}, {"thinsp", 8201},  {"thorn", 254},    {"tilde", 732},    {"times", 215},
    {"trade", 8482},   {"uArr", 8657},    {"uacute", 250},   {"uarr", 8593},    {"ucirc", 251},
    {"ugrave", 249},   {"uml", 168},      {"upsih", 978},    {"upsilon", 965},  {"uuml", 252},
    {"weierp", 8472},  {"xi", 958},       {"yacute", 253},   {"yen", 165},      {"yuml", 255},
    {"zeta", 950},     {"zwj", 8205},     {"zwnj", 8204},
};
inline constexpr size_t kLongestReferenceName = 8;

// The references that may stand without ";" (the legacy ones of the web's
// parsing rule): the Latin-1 names and amp, lt, gt, quot.
inline constexpr bool IsLegacyReference(char16_t code) {
  return code == 34 || code == 38 || code == 60 || code == 62 || (code >= 160 && code <= 255);
}

static_assert(std::is_sorted(std::begin(kNamedReferences), std::end(kNamedReferences),
                             [](const TNamedReference& a, const TNamedReference& b) { return a.Name < b.Name; }));

// Bytes 0x80..0x9F read as windows-1252 (the undefined five stay C1 units).
inline constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Classes of the offset map: separators get an entry each, a run of letters
// or of digits one entry.
enum TCharClass : uint8_t { kSeparator = 0, kLetter = 1, kDigit = 2 };

inline TCharClass ClassOf(char16_t c) {
  if (c >= 0x200C) return kSeparator;
  if (c >= 0x100) return kLetter;
  if (c >= '0' && c <= '9') return kDigit;
  if (c == '\t' || c == ' ' || (c >= 0x21 && c <= 0x2F) || (c >= 0x3A && c <= 0x40) || (c >= 0x5B && c <= 0x5E) ||
      (c >= 0x7B && c <= 0x7E)) {
    return kSeparator;
  }
  switch (c) {
    case 133: case 147: case 148: case 160: case 167: case 169: case 171: case 174: case 176: case 177: case 183:
    case 187:
      return kSeparator;
    default:
      return kLetter;
  }
}

}  // namespace kestrune::html
