// The result page builder: page modes, the result views with their counters,
// paging, the query line and the scope buttons.
#include "search/page_results.h"

#include <algorithm>

#include "core/base.h"
#include "core/message_strings.h"
#include "language/phrase_word_dictionary.h"
#include "language/text_parsing.h"
#include "map/content_map2.h"
#include "platform/text.h"
#include "search/advert_engine.h"
#include "search/engine_web.h"
#include "search/html_parser.h"
#include "search/page_command_hosts.h"
#include "search/scope.h"

namespace kestrune {

namespace {

std::u16string Dec(int64_t value) { return platform::Utf8ToUtf16(std::to_string(value)); }

bool HasKey(const TNNKeys& keys, int32_t count, int32_t id) {
  for (int32_t i = 0; i < count; ++i) {
    if (keys[static_cast<size_t>(i)].Id == id) return true;
  }
  return false;
}

// The removed-links and hidden-sites indicators.
constexpr std::u16string_view kRemovedImage =
    u"<img alt=\"\" border=0 src=\"results_ico_delete_file.gif\" align=\"absmiddle\" style=\"margin-right:5px;\">";
constexpr std::u16string_view kRemovedLink =
    u"<a href=\"deleted_files\"><img alt=\"\" border=0 src=\"results_ico_delete_file.gif\" align=\"absmiddle\" "
    u"style=\"margin-right:5px;\">";
constexpr std::u16string_view kHiddenImage =
    u"<img alt=\"\" border=0 src=\"results_ico_exclude_url.gif\" align=\"absmiddle\" style=\"margin-right:5px;\">";
constexpr std::u16string_view kHiddenLink =
    u"<a href=\"deleted_sites\"><img alt=\"\" border=0 src=\"results_ico_exclude_url.gif\" align=\"absmiddle\" "
    u"style=\"margin-right:5px;\">";

std::u16string Indicator(int32_t count, std::u16string_view image, std::u16string_view link,
                         const std::u16string& message) {
  if (count < 1) return std::u16string(image) + message + Dec(count);
  return std::u16string(link) + message + Dec(count) + u"</a>";
}

}  // namespace

std::u16string TrimSpaces(std::u16string_view text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && text[first] == u' ') ++first;
  while (last > first && text[last - 1] == u' ') --last;
  return std::u16string(text.substr(first, last - first));
}

TPageResults::TPageResults()
    : parser_(std::make_unique<TIHTMLParser>()), textParser_(std::make_unique<TITextParsing>()) {
  parser_->SetWordColor(static_cast<TColor>(kWordColor));
  parser_->SetLabelTag(std::string());
}

TPageResults::~TPageResults() = default;

void TPageResults::SetSources(EngineWeb** engine, TITextParsing** textParsing, TContentMap2** contentMap,
                              TPhraseWordDictionary** wordDictionary, TStorageFormsWords** formsStore) {
  engine_ = engine;
  textParsing_ = textParsing;
  contentMap_ = contentMap;
  dictionary_ = wordDictionary;
  forms_ = formsStore;
}

bool TPageResults::NoQueryMode() const {
  const TContentMap2* map = ContentMap();
  return map && map->NoQueryMode();
}

const TMetaSearchList* TPageResults::Entry(int32_t e) const {
  return e < 0 ? nullptr : PageList.Entry(static_cast<size_t>(e));
}

std::u16string TPageResults::BuildPage(int32_t mode, int32_t page, const TDocumentCounters& counters,
                                       int32_t editIndex) {
  mode_ = mode;
  pageNumber_ = page;
  counters_ = counters;
  editIndex_ = editIndex;
  pageListCount_ = static_cast<int32_t>(std::min<size_t>(PageList.size(), INT32_MAX));
  page_.clear();
  switch (mode) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 6:
      // No folder yet: no page (a bare file name would be read from anywhere).
      if (!templatePath_.empty()) TemplateInSBody(AddBackslash(templatePath_) + std::string(BlankPageOfMode(mode)));
      break;
    case 5:
    case 7:
    case 8:
      relevantCount_ = counters.Total;
      BuildResultView();
      break;
    case 9:
      relevantCount_ = counters.NewLinks;
      BuildResultView();
      break;
    case 10:
      relevantCount_ = counters.OldLinks;
      BuildResultView();
      break;
    case 11:
      relevantCount_ = counters.FavoriteLinks;
      BuildResultView();
      break;
    default:
      break;
  }
  return page_;
}

void TPageResults::SetHoverWord(int32_t id, int32_t mode) {
  hoverId_ = id;
  hoverMode_ = mode;
}

std::u16string TPageResults::QueryUrl(std::u16string_view query) const {
  const EngineWeb* engine = Engine();
  if (!engine) return std::u16string();
  const std::string url = engine->QueryUrlFor(query);
  if (url.empty()) return std::u16string();
  // The address stands unquoted in the link: a blank (an engine template may
  // hold one) would end it and begin an attribute of its own.
  std::u16string out;
  for (const char16_t c : LinkAddress(url)) {
    switch (c) {
      case u' ': out += u"%20"; break;
      case u'\t': out += u"%09"; break;
      case u'\n': out += u"%0A"; break;
      case u'\r': out += u"%0D"; break;
      default: out += c; break;
    }
  }
  return out;
}

void TPageResults::BuildResultView() {
  const std::u16string line = BuildKeyWordLine();
  const int64_t first = std::max<int64_t>((int64_t{pageNumber_} - 1) * 10, 0);
  const int64_t last = std::min<int64_t>(int64_t{pageNumber_} * 10, pageListCount_);

  const EngineWeb* engine = Engine();
  showPlainUrl_ = !(engine && engine->Template().HidePlainTextUrl);
  noSiteHiding_ = engine && engine->Template().DisableDomainRemoval;
  imageLayout_ = engine && engine->Template().NumberImage >= 1;

  // The document blocks of the page.
  std::u16string blocks;
  for (int64_t i = first; i < last; ++i) {
    const int32_t e = static_cast<int32_t>(i);
    if (e == relevantCount_) {
      const std::u16string& separator = blocks_[e > 0 ? pbOtherRes : pbOnlyOtherRes];
      blocks += imageLayout_ ? u"<tr><td colspan=2>" + separator + u"</td></tr>" : separator;
    }
    const int32_t position = e < relevantCount_ ? e : -1;
    blocks += imageLayout_ ? ProductBlock(e, position) : DocumentBlock(e, position);
  }
  if (imageLayout_) {
    blocks = u"<div id=amazon><table width=90% cellpadding=\"5\" cellspacing=\"0\" border=\"0\" >" + blocks +
             u"</table></div>";
  }

  // The frame and its caption.
  page_ = blocks_[pbSearchResult];
  TPageBlock caption = pbCapNormal;
  switch (mode_) {
    case 7: caption = pbCapExcludedLinks; break;
    case 8: caption = pbCapExcludedSites; break;
    case 9: caption = pbCapNewLinks; break;
    case 10: caption = pbCapOldLinks; break;
    case 11: caption = pbCapFavoritesLinks; break;
    default: break;
  }
  ReplaceToken(page_, u"$cmap_cap", blocks_[caption], TTokenCase::kLowerCase);
  const bool noQuery = NoQueryMode();
  if (mode_ == 9) {
    ReplaceToken(page_, u"$cmap_doc_show_l_new", noQuery ? std::u16string() : blocks_[pbDocLShowAllNew]);
  } else if (mode_ == 10) {
    ReplaceToken(page_, u"$cmap_doc_show_l_old", noQuery ? std::u16string() : blocks_[pbDocLShowAllOld]);
  } else if (mode_ == 11) {
    ReplaceToken(page_, u"$cmap_doc_show_l_fav", noQuery ? std::u16string() : blocks_[pbDocLShowAllFav]);
  }

  // The add-document link, or the form itself.
  if (noQuery || mode_ == 7 || mode_ == 8 || !AdvancedMode) {
    ReplaceToken(page_, u"$cmap_add_new_document", u"", TTokenCase::kLowerCase);
  } else if (editIndex_ == -1) {
    ReplaceToken(page_, u"$cmap_add_new_document",
                 blocks_[pbDocEditBlock] + u"<hr width=100% size=1 noshade color=\"#dddddd\">",
                 TTokenCase::kLowerCase);
    ReplaceToken(page_, u"$cmap_doc_edit_numer", u"-1", TTokenCase::kLowerCase);
    ReplaceToken(page_, u"$cmap_doc_edit_url", u"", TTokenCase::kLowerCase);
    ReplaceToken(page_, u"$cmap_doc_edit_title", u"", TTokenCase::kLowerCase);
    ReplaceToken(page_, u"$cmap_doc_edit_anno", u"", TTokenCase::kLowerCase);
  } else {
    ReplaceToken(page_, u"$cmap_add_new_document", blocks_[pbDocLShowAddNewDocument], TTokenCase::kLowerCase);
  }

  // Counters.
  ReplaceToken(page_, u"$CMAP_DOC_QUANTITY_TOTAL", Dec(counters_.Total), TTokenCase::kLowerCase);
  ReplaceToken(page_, u"$cmap_doc_quantity_relevant", Dec(pageListCount_), TTokenCase::kLowerCase);
  ReplaceToken(page_, u"$cmap_count_hidden_sites", Dec(counters_.HiddenSites), TTokenCase::kLowerCase);
  ReplaceToken(page_, u"$cmap_count_new_links", Dec(counters_.NewLinks) + u"(" + Dec(counters_.AllNewLinks) + u")",
               TTokenCase::kLowerCase);
  ReplaceToken(page_, u"$cmap_count_old_links", Dec(counters_.OldLinks) + u"(" + Dec(counters_.AllOldLinks) + u")",
               TTokenCase::kLowerCase);
  ReplaceToken(page_, u"$cmap_count_favorites_links",
               Dec(counters_.FavoriteLinks) + u"(" + Dec(counters_.AllFavoriteLinks) + u")", TTokenCase::kLowerCase);
  ReplaceToken(page_, u"$CMAP_DOC_LINKS",
               Indicator(counters_.RemovedLinks, kRemovedImage, kRemovedLink, MessageStrings.smExcludedPages),
               TTokenCase::kLowerCase);
  ReplaceToken(page_, u"$CMAP_DOC_SITES",
               Indicator(counters_.HiddenSites, kHiddenImage, kHiddenLink, MessageStrings.smExcludedSites),
               TTokenCase::kLowerCase);
  ReplaceToken(page_, u"$CMAP_DOC_CANDIDATES", GetContextWordsHtml ? GetContextWordsHtml() : std::u16string(),
               TTokenCase::kLowerCase);
  // No advertising beside the results of the advertising engine itself.
  const TAmazonCom* advertiser = Advertiser();
  const bool advertise =
      mode_ == 5 && advertiser && !(engine && engine->EngineName() == advertiser->EngineName());
  ReplaceToken(page_, u"$cmap_advertisement", advertise ? AdvertisementFromAmazon() : std::u16string());

  // Scopes and the query link.
  currentQueryText_ = line;
  const std::u16string scopes = BuildScopeButtons();
  ReplaceToken(page_, u"$cmap_scope", scopes);
  std::u16string queryLink;
  if (scopes.empty()) {
    ReplaceToken(page_, u"$cmap_buttons_scope", u"");
  } else {
    queryLink = u"<b>" + MessageStrings.smResultCurrentQuery + u"<A href=" + QueryUrl(line) + u">" +
                EscapeText(line) + u"</A></b>";
  }
  ReplaceToken(page_, u"$cmap_queries", queryLink);
  ReplaceToken(page_, u"$cmap_buttons_scope", BuildScopeTools());

  ReplaceToken(page_, u"$PagesList", Pages());
  ReplaceToken(page_, u"$prev_page", PrevPage());
  ReplaceToken(page_, u"$next_page", NextPage());
  ReplaceToken(page_, u"$cmap_advert_block", u"", TTokenCase::kLowerCase);
  ReplaceToken(page_, u"$cmap_search_notice", EscapeText(SearchNotice));
  // Last, so that nothing of the documents is searched for placeholders.
  ReplaceToken(page_, u"$CMAP_RESULT_BLOCK", blocks, TTokenCase::kLowerCase);
}

std::u16string TPageResults::Pages() const {
  const int64_t pages = (int64_t{pageListCount_} + 9) / 10;
  const int64_t p = pageNumber_;
  auto link = [](int64_t k, std::u16string_view label) {
    return u"<A href=\"toPage" + Dec(k) + u"\">" + std::u16string(label) + u"</A>";
  };
  std::u16string out;
  if (p >= 6) out += link(p - 5, u"...");
  for (int64_t i = std::max<int64_t>(p - 5, 0); i < std::min(p + 5, pages); ++i) {
    out += i + 1 == p ? u"<SPAN>" + Dec(i + 1) + u"</SPAN>" : link(i + 1, Dec(i + 1));
  }
  if (p + 6 < pages) out += link(p + 6, u"...");
  return out;
}

std::u16string TPageResults::PrevPage() const {
  if (pageNumber_ < 2) return u"<img border=0 src=\"prev_small.gif\"  align=absmiddle >";
  const std::u16string q = Dec(int64_t{pageNumber_} - 1);
  return u"<A href=\"toPage" + q + u"\" ></A>&nbsp;<A href=\"toPage" + q +
         u"\" ><img border=0 src=\"prev_small.gif\"  align=absmiddle "
         u"onmouseover=\"src = 'prev_small_mo.gif';\" onmouseout=\"src = 'prev_small.gif';\" ></A>";
}

std::u16string TPageResults::NextPage() const {
  const int64_t pages = (int64_t{pageListCount_} + 9) / 10;
  if (pageNumber_ >= pages) return u"<img border=0 src=\"next_small.gif\"  align=absmiddle >";
  const std::u16string q = Dec(int64_t{pageNumber_} + 1);
  return u"<A href=\"toPage" + q +
         u"\"><img border=0 src=\"next_small.gif\"  align=absmiddle onmouseover=\"src = 'next_small_mo.gif';\" "
         u"onmouseout=\"src = 'next_small.gif';\" ></A>&nbsp;<A href=\"toPage" +
         q + u"\"></A>";
}

std::u16string TPageResults::BuildKeyWordLine() {
  TContentMap2* map = ContentMap();
  TPhraseWordDictionary* dictionary = Dictionary();
  TStorageFormsWords* forms = Forms();
  std::u16string line;
  highlight_.clear();

  includedCount_ = 0;
  if (map) map->GetQueryKeys(2, keys_, includedCount_);
  includedCount_ = std::clamp<int32_t>(includedCount_, 0, static_cast<int32_t>(keys_.size()));
  auto addIncluded = [&](int32_t id) {
    AppendQueryKey(line, dictionary, forms, id, false);
    highlight_.push_back(THighLightItem{
        id, id >= TPhraseWordDictionary::kPhraseBase ? id - TPhraseWordDictionary::kPhraseBase : -1});
  };
  for (int32_t i = 0; i < includedCount_; ++i) addIncluded(keys_[static_cast<size_t>(i)].Id);
  if (hoverId_ != -1 && hoverMode_ == 2 && !HasKey(keys_, includedCount_, hoverId_)) addIncluded(hoverId_);

  excludedCount_ = 0;
  if (map) map->GetQueryKeys(4, keys_, excludedCount_);
  excludedCount_ = std::clamp<int32_t>(excludedCount_, 0, static_cast<int32_t>(keys_.size()));
  for (int32_t i = 0; i < excludedCount_; ++i) {
    AppendQueryKey(line, dictionary, forms, keys_[static_cast<size_t>(i)].Id, true);
  }
  if (hoverId_ != -1 && hoverMode_ == 4 && !HasKey(keys_, excludedCount_, hoverId_)) {
    AppendQueryKey(line, dictionary, forms, hoverId_, true);
  }
  return TrimSpaces(line);
}

std::u16string TPageResults::BuildScopeButtons() {
  scopeText_.clear();
  TScope* scope = Scopes();
  if (!scope || scope->Count() == 0) return std::u16string();
  const TMessageStrings& m = MessageStrings;
  std::u16string text = u"<b>" + m.smResultScope + u"</b>";
  if (scope->Count() == 1 && currentQueryText_.empty()) {
    text += u"<b><A id=\"0\" class=editedscope  href=\"" + PageCommandLink(kHostSelectScope) + u"0\" title=\"" +
            m.smHintScopeEdit + u"\" >" + EscapeText(scope->GetQueryText(0)) + u"</A></b>";
  } else {
    for (int32_t i = 0; i < scope->Count(); ++i) {
      const std::u16string n = Dec(i);
      const bool current = i == scope->CurrentIndex();
      text += u"<b><A id=\"" + n;
      text += current ? u"\" class=editedscope onMouseOver=\"x" : u"\" onMouseOver=\"x";
      text += n + u".src='x.gif'\" onMouseOut=\"x" + n + u".src='00.gif'\"";
      text += u" oncontextmenu=\"window.navigate('" + PageCommandLink(kHostContextMenuScope) +
              u"' + this.id);return false;\" href=\"";
      text += PageCommandLink(kHostSelectScope) + n + u"\" title=\"" + m.smHintScopeEdit + u"\" >";
      text += EscapeText(scope->GetQueryText(i));
      text += current ? u"</A><img  style=\"cursor:pointer;cursor:hand;\" "
                      : u"</A><img style=\"cursor:pointer;cursor:hand;\" ";
      text += u"alt=\"" + m.smHintScopeDelete + u"\" title=\"" + m.smHintScopeDelete;
      text += current ? u"\" src=\"00.gif\" align=\"absmiddle\" id=\"x" : u"\" src=\"00.gif\"  align=\"absmiddle\"  id=\"x";
      text += n + u"\" onClick=\"window.navigate('" + PageCommandLink(kHostDeleteFromHistory) + n;
      text += u"');\" onMouseOver=\"this.src='x.gif'\" onMouseOut=\"this.src='00.gif'\"></b>|&nbsp; ";
    }
    // The bar, the blank and the space after the last button.
    text.resize(text.size() - 8);
  }
  if (scope->IsValidIndex(scope->CurrentIndex())) scopeText_ = scope->GetQueryText(scope->CurrentIndex());
  return text;
}

std::u16string TPageResults::BuildScopeTools() {
  if (scopeText_ == currentQueryText_) return std::u16string();
  const TMessageStrings& m = MessageStrings;
  return u" <A href=\"" + PageCommandLink(kHostUpdateHistory) +
         u"\"><img border=0 src=\"scope_star_refresh.gif\" alt=\"" + m.smHintScopeRefresh +
         u"\" align=\"absmiddle\"></A>&nbsp; <A href=\"" + PageCommandLink(kHostAddToHistory) +
         u"\"><img border=0 src=\"add.gif\" alt=\"" + m.smHintScopeAdd + u"\" align=\"absmiddle\"></A>";
}

}  // namespace kestrune
