// TIHTMLParser::Parse with the tag table on a generated 1 MB search result
// page, in UTF-8 and in windows-1251, beside libxml2's htmlReadMemory and
// gumbo_parse of the same bytes in the same run; and the UTF-8 routines
// beside ICU's u_strFromUTF8 / u_strToUTF8 on the page's text.
//
// The page: a head with meta tags, a style and a script, then result items
// (a title link with a query string, a snippet with bold query words,
// character references and a cite line, a few links of navigation), the
// words drawn Zipf-distributed from a mixed Russian and English list; no
// charset is declared, so Parse detects it. libxml2 is told the encoding;
// gumbo reads UTF-8 only and gets the same bytes. After the Google Benchmark
// runs every contender is timed again five times and the fastest runs give
// the printed MB/s (of page bytes) and the ratios.
#include <benchmark/benchmark.h>
#include <gumbo.h>
#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "bench/zipf.h"
#include "platform/text.h"
#include "search/html_parser.h"
#include "search/utf8.h"

namespace {

using kestrune::TIHTMLParser;

constexpr size_t kPageBytes = 1 << 20;

const char16_t* const kWords[] = {
    u"поиск",   u"в",        u"и",        u"на",       u"слова",    u"the",      u"search",  u"of",
    u"карта",   u"результаты", u"страница", u"запрос",  u"and",      u"новости",  u"for",     u"документ",
    u"system",  u"программа", u"связи",    u"page",     u"words",    u"сети",     u"map",     u"информация",
    u"with",    u"данные",   u"сайт",     u"query",    u"система",  u"text",     u"ссылка",  u"русский",
    u"language", u"время",   u"работа",   u"results",  u"найти",    u"example",  u"web",     u"обзор",
};

// The result page as UTF-16 (every character windows-1251 holds), grown to
// 1 MB of UTF-8 or of windows-1251 (one byte a character).
std::u16string MakePage(bool utf8) {
  std::mt19937 rng(17);
  kestrune::bench::Zipf zipf(static_cast<int32_t>(std::size(kWords)), 1.0);
  auto words = [&](int count) {
    std::u16string out;
    for (int i = 0; i < count; ++i) {
      if (i) out += u' ';
      out += kWords[zipf(rng)];
    }
    return out;
  };
  std::u16string page =
      u"<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n<html><head>"
      u"<title>Результаты поиска: карта слов</title>\r\n"
      u"<meta name=\"description\" content=\"Поиск по сети\"><link rel=stylesheet href=\"/s.css\">\r\n"
      u"<style type=\"text/css\">.r{margin:0} .s{color:#333} a:hover{color:red}</style>\r\n"
      u"<script type=\"text/javascript\">function go(u){if(u.length<2)return;location.href=u;}</script>\r\n"
      u"</head><body bgcolor=\"#ffffff\"><table width=\"100%\"><tr><td class=\"nav\">"
      u"<a href=\"/\">Главная</a> | <a href=\"/news\">Новости</a> | <a href=\"/maps\">Карты</a></td></tr></table>\r\n"
      u"<ol class=\"results\">\r\n";
  size_t bytes = utf8 ? kestrune::platform::Utf16ToUtf8(page).size() : page.size();
  for (int item = 0; bytes < kPageBytes; ++item) {
    const std::u16string n = kestrune::platform::Utf8ToUtf16(std::to_string(item));
    const std::u16string li = u"<li class=\"r\"><h3 class=\"t\"><a class=\"l\" href=\"http://www.example" + n +
            u".ru/Path/Page.html?q=%D0%BF%D0%BE%D0%B8%D1%81%D0%BA&amp;n=" + n + u"\" onmousedown=\"return rwt(this," +
            n + u")\">" + words(3) + u" <b>" + words(1) + u"</b> " + words(4) + u"</a></h3>\r\n<div class=\"s\">" +
            words(12) + u" <b>" + words(1) + u"</b>&nbsp;&mdash; " + words(14) + u" &laquo;" + words(2) +
            u"&raquo;&#8230;<br>\r\n<cite>www.example" + n + u".ru/Path/Page.html</cite> - <a class=\"fl\" "
            u"href=\"/search?q=cache:" + n + u"\">Сохранённая копия</a></div></li>\r\n";
    bytes += utf8 ? kestrune::platform::Utf16ToUtf8(li).size() : li.size();
    page += li;
  }
  page += u"</ol><p align=center><a href=\"/search?start=10\">Следующая</a></p></body></html>\r\n";
  return page;
}

struct TPages {
  std::u16string wide;  // the UTF-8 page's text
  std::string utf8;
  std::string cp1251;
  TPages() : wide(MakePage(true)), utf8(kestrune::platform::Utf16ToUtf8(wide)) {
    kestrune::platform::WideToCodePage(MakePage(false), 1251, cp1251);
  }
};

const TPages& Pages() {
  static const TPages pages;
  return pages;
}

const std::string& PageBytes(int64_t encoding) { return encoding == 0 ? Pages().utf8 : Pages().cp1251; }
const char* EncodingName(int64_t encoding) { return encoding == 0 ? "UTF-8" : "windows-1251"; }

int64_t ParseOurs(const std::string& bytes) {
  static TIHTMLParser parser;
  parser.Clear();
  parser.BuildTagTable = true;
  parser.Parse(bytes);
  return parser.TagCount + parser.HyperlinkCount;
}

int64_t ParseLibxml2(const std::string& bytes, const char* encoding) {
  htmlDocPtr doc = htmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, encoding,
                                  HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
  const int64_t ok = doc != nullptr;
  xmlFreeDoc(doc);
  return ok;
}

int64_t ParseGumbo(const std::string& bytes) {
  GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, bytes.data(), bytes.size());
  const int64_t children = static_cast<int64_t>(output->root->v.element.children.length);
  gumbo_destroy_output(&kGumboDefaultOptions, output);
  return children;
}

int64_t DecodeOurs(const std::string& utf8) {
  static std::u16string out;
  kestrune::Utf8ToWide(utf8, out);
  return static_cast<int64_t>(out.size());
}

int64_t DecodeIcu(const std::string& utf8) {
  static std::u16string out;
  out.resize(utf8.size());
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()), &length, utf8.data(),
                static_cast<int32_t>(utf8.size()), &status);
  out.resize(static_cast<size_t>(length));
  return length;
}

int64_t EncodeOurs(const std::u16string& wide) { return static_cast<int64_t>(kestrune::WideToUtf8(wide).size()); }

int64_t EncodeIcu(const std::u16string& wide) {
  std::string out(wide.size() * 3, '\0');
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strToUTF8(out.data(), static_cast<int32_t>(out.size()), &length, reinterpret_cast<const UChar*>(wide.data()),
              static_cast<int32_t>(wide.size()), &status);
  out.resize(static_cast<size_t>(length));
  return length;
}

void BM_HtmlParser(benchmark::State& state) {
  const std::string& bytes = PageBytes(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(ParseOurs(bytes));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_HtmlParser)->Arg(0)->Arg(1)->ArgName("cp1251")->Unit(benchmark::kMillisecond);

void BM_Libxml2(benchmark::State& state) {
  const std::string& bytes = PageBytes(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(ParseLibxml2(bytes, EncodingName(state.range(0))));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_Libxml2)->Arg(0)->Arg(1)->ArgName("cp1251")->Unit(benchmark::kMillisecond);

void BM_Gumbo(benchmark::State& state) {
  const std::string& bytes = PageBytes(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(ParseGumbo(bytes));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_Gumbo)->Arg(0)->Arg(1)->ArgName("cp1251")->Unit(benchmark::kMillisecond);

void BM_Utf8ToWide(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(state.range(0) == 0 ? DecodeOurs(Pages().utf8) : DecodeIcu(Pages().utf8));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(Pages().utf8.size()));
}
BENCHMARK(BM_Utf8ToWide)->Arg(0)->Arg(1)->ArgName("icu")->Unit(benchmark::kMicrosecond);

void BM_WideToUtf8(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(state.range(0) == 0 ? EncodeOurs(Pages().wide) : EncodeIcu(Pages().wide));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(Pages().utf8.size()));
}
BENCHMARK(BM_WideToUtf8)->Arg(0)->Arg(1)->ArgName("icu")->Unit(benchmark::kMicrosecond);

template <typename Fn>
double Fastest(int rounds, Fn&& fn) {
  double best = 1e300;
  for (int round = 0; round < rounds; ++round) {
    const auto t0 = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(fn());
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  return best;
}

void PrintRatios() {
  std::printf("\nHTML parser beside libxml2 and gumbo, fastest of 5 runs, MB/s of page bytes\n");
  for (int64_t encoding = 0; encoding < 2; ++encoding) {
    const std::string& bytes = PageBytes(encoding);
    const double mb = static_cast<double>(bytes.size()) / 1e6;
    const double ours = Fastest(5, [&] { return ParseOurs(bytes); });
    const double libxml2 = Fastest(5, [&] { return ParseLibxml2(bytes, EncodingName(encoding)); });
    const double gumbo = Fastest(5, [&] { return ParseGumbo(bytes); });
    TIHTMLParser check;
    check.BuildTagTable = true;
    check.Parse(bytes);
    std::printf("  %s page: %.2f MB, %d tags, %d links, charset code %d\n", EncodingName(encoding), mb,
                check.TagCount, check.HyperlinkCount, check.SourceCharset);
    std::printf("    TIHTMLParser %7.1f MB/s (target 30)   libxml2 %7.1f MB/s   gumbo %7.1f MB/s\n", mb / ours,
                mb / libxml2, mb / gumbo);
    std::printf("    ratio ours/libxml2 %.2f   ours/gumbo %.2f\n", libxml2 / ours, gumbo / ours);
  }
  std::printf("UTF-8 routines beside ICU, fastest of 20 runs, MB/s of UTF-8 bytes\n");
  const double mb = static_cast<double>(Pages().utf8.size()) / 1e6;
  const double decodeOurs = Fastest(20, [] { return DecodeOurs(Pages().utf8); });
  const double decodeIcu = Fastest(20, [] { return DecodeIcu(Pages().utf8); });
  const double encodeOurs = Fastest(20, [] { return EncodeOurs(Pages().wide); });
  const double encodeIcu = Fastest(20, [] { return EncodeIcu(Pages().wide); });
  std::printf("  Utf8ToWide %7.1f MB/s   u_strFromUTF8 %7.1f MB/s   ratio %.2f (target 0.5)\n", mb / decodeOurs,
              mb / decodeIcu, decodeIcu / decodeOurs);
  std::printf("  WideToUtf8 %7.1f MB/s   u_strToUTF8   %7.1f MB/s   ratio %.2f (target 0.5)\n", mb / encodeOurs,
              mb / encodeIcu, encodeIcu / encodeOurs);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  PrintRatios();
  benchmark::Shutdown();
  return 0;
}
