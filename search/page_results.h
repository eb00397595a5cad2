// TPageResults: the HTML of the result page, built from the main window's
// state and the page templates of the interface language.
//
// Page templates: the folder holds "templates.ini", whose 35 named blocks
// (the text between "<name>" and "</name>", each name looked up on its own in
// the whole file) are cut when the folder is set, and the blank pages of the
// fixed page modes, read at every build of their mode. Placeholders are words
// beginning with "$"; ReplaceToken fills them.
//
// Page modes: 1 searching ("blank4.html"), 2 no connection ("blank1.html"),
// 3 nothing found ("blank3.html"), 4 no document matches ("blank2.html"),
// 6 no query keys ("blank.html"); 5 results, 7 removed links, 8 hidden sites,
// 9 new links, 10 old links, 11 favourites, each a "search_result" frame with
// the page's ten document blocks, the counters, the scope buttons, the query
// link and the page links. Any other mode gives an empty page.
//
// Escaping: every value that comes from the web or from a project file goes
// through EscapeText where it enters the page ("&", "<", ">", quotes and "$"
// become character references), so it can neither leave its attribute nor
// form a placeholder that a later replacement would fill. A document address
// whose scheme is not http, https, ftp or file is written as "#". Template
// blocks and the window's own HTML go in as they are. The texts a result
// shows (title, snippet, comments, shown address, label) end with their
// direction controls closed (CloseDirectionControls), so that no result's
// text turns the direction of the page after it; addresses in attributes
// stay as they are, for the page's commands and anchors rely on them.
//
// Sources: the builder owns nothing of the window. SetSources takes the
// addresses of the window's fields that hold the engine, the text parser, the
// content map, the word dictionary and the word-form store (a replaced object
// is seen at the next build); the page's documents (a view, nothing copied),
// the scopes, the advertising engine, the two hooks, the recent lists, the
// news and the advanced flag are written directly. Any of them may be null:
// what it would give is empty.
//
// Parsing: the builder highlights with a text parser of its own that takes
// the settings of the window's parser (its flags, parts of speech and
// dictionary) before each fragment; the window's parser and its last result
// are never touched.
// The nine page messages are read from the program's message strings at
// every build.
//
// Threads: the user-interface thread only. The builder reads the engine's
// template fields, which do not change while a search runs.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/keys.h"
#include "search/document_counters.h"
#include "search/meta_search_list.h"
#include "search/page_documents.h"

namespace kestrune {

class EngineWeb;
class TAmazonCom;
class TContentMap2;
class TIHTMLParser;
class TITextParsing;
class TPhraseWordDictionary;
class TScope;
class TStorageFormsWords;
struct TAttributesTag;

// How a placeholder is looked up: as written, or lower-cased first (the
// template must then carry it in lower case).
enum class TTokenCase { kAsWritten, kLowerCase };

// Replaces every occurrence of the token, left to right and case-sensitively,
// by the value; the inserted text is not searched again. Returns the number
// of occurrences replaced.
int32_t ReplaceToken(std::u16string& text, std::u16string_view token, std::u16string_view value,
                     TTokenCase rule = TTokenCase::kAsWritten);

// The text without the spaces at both ends.
std::u16string TrimSpaces(std::u16string_view text);

// The 35 blocks of "templates.ini", in the order in which they are loaded.
enum TPageBlock : int32_t {
  pbSearchResult, pbDocAnnounceBlock, pbDocAdvertisement, pbAnnotation, pbCapNormal,
  pbCapExcludedLinks, pbCapExcludedSites, pbCapNewLinks, pbCapOldLinks, pbCapFavoritesLinks,
  pbDocAddFavorite, pbDocDelFavorite, pbDocBtnEdit, pbDocBtnExcludeLink, pbDocBtnHideSite,
  pbDocBtnRestoreLink, pbDocBtnRestoreSite, pbDocLiListStyle, pbDocLShowAddNewDocument,
  pbDocLShowAllNew, pbDocLShowAllOld, pbDocLShowAllFav, pbClusterBlock, pbDocMetaBlock,
  pbDocMetaBlockLite, pbMetaClusterBlock, pbDocMetaBlockImages, pbDocMetaBlockAmazon,
  pbDocExcludedLinksBlock, pbDocExcludedSitesBlock, pbDocEditBlock, pbMiva, pbBegun, pbOtherRes,
  pbOnlyOtherRes, pbBlockCount
};
extern const std::array<std::u16string_view, pbBlockCount> kPageBlockNames;

// The blank page of each fixed page mode (index: mode), empty for the others.
std::string_view BlankPageOfMode(int32_t mode);

// One item of the highlight list: a key and, for a phrase, its index.
struct THighLightItem {
  int32_t KeyId = 0;
  int32_t PhraseIndex = -1;
};
using THighLightText = std::vector<THighLightItem>;

class TPageResults {
 public:
  // The colour of highlighted words on the page.
  static constexpr uint32_t kWordColor = 0xF0D9CD;

  TPageResults();
  ~TPageResults();
  TPageResults(const TPageResults&) = delete;
  TPageResults& operator=(const TPageResults&) = delete;

  // The addresses of the window's fields; each may be null, and so may the
  // field.
  void SetSources(EngineWeb** engine, TITextParsing** textParsing, TContentMap2** contentMap,
                  TPhraseWordDictionary** wordDictionary, TStorageFormsWords** formsStore);

  // ---- written directly by the main window ----
  TPageDocuments PageList;  // the ordered page entries
  TScope** Scope = nullptr;
  TAmazonCom** Advertising = nullptr;
  std::function<std::u16string()> GetQueryText;
  std::function<std::u16string()> GetContextWordsHtml;
  std::u16string LastProjectHtml;  // "$cmap_last_project"
  std::u16string LastQueryHtml;    // "$cmap_last_query"
  std::u16string NewsString;       // "$cmap_News_String"
  // "$cmap_search_notice": how the last search ended when that is worth
  // saying (plain text, escaped on the page); empty otherwise.
  std::u16string SearchNotice;
  bool AdvancedMode = false;
  int32_t TemplateLanguage = 0;  // the interface language the templates were loaded for

  // ---- templates ----
  // Keeps the folder (a path ending with the separator) and loads its
  // templates.
  void SetTemplatePath(std::string_view folder);
  const std::string& TemplatePath() const { return templatePath_; }
  // Reads "templates.ini" of the folder and cuts every block (all empty when
  // the file cannot be read).
  void LoadTemplates();
  // Reads a template file whole and decodes it as UTF-8 (U+FFFD for bad
  // bytes) into the template text. False, with a log line, when the file
  // cannot be read; false too when the text is empty.
  bool LoadTemlpateFiles(std::string_view path);
  // The text between the first "<name>" and the first "</name>" of the
  // template text; empty when either is missing or the closing tag comes
  // first.
  std::u16string GetTemplateBlock(std::u16string_view name) const;
  const std::u16string& TemplateText() const { return templateText_; }
  const std::u16string& Block(TPageBlock block) const { return blocks_[block]; }
  // Reads a blank page into the current page text and fills its placeholders.
  void TemplateInSBody(std::string_view path);

  // ---- pages ----
  // The counters are the project's; editIndex is -2 for no edit form, -1
  // for the add-document form, n for the form of entry n.
  std::u16string BuildPage(int32_t mode, int32_t page, const TDocumentCounters& counters = TDocumentCounters(),
                           int32_t editIndex = -2);
  // The map word under the mouse: mode 2 (it would be added), 4 (it would be
  // excluded); (-1, 0) for none.
  void SetHoverWord(int32_t id, int32_t mode);
  int32_t HoverWordId() const { return hoverId_; }
  int32_t HoverWordMode() const { return hoverMode_; }

  // The page of the last build, and what it was built from.
  const std::u16string& PageText() const { return page_; }
  int32_t PageListCount() const { return pageListCount_; }
  int32_t RelevantCount() const { return relevantCount_; }
  const std::u16string& ScopeText() const { return scopeText_; }
  const std::u16string& CurrentQueryText() const { return currentQueryText_; }
  const THighLightText& HighLightText() const { return highlight_; }

  // The frame of a result view into the current page text.
  void BuildResultView();
  // The query line of the current keys (words in their kept forms, phrases
  // in quotes, excluded keys after " -", the hovered word added by its mode);
  // fills the highlight list.
  std::u16string BuildKeyWordLine();
  // The scope buttons; sets the scope text.
  std::u16string BuildScopeButtons();
  // The refresh and add buttons; empty when the scope text is the current
  // query text.
  std::u16string BuildScopeTools();
  // The advertising block of the attached advertising engine's shown entry:
  // "_begun" for the engine named "begun", else "_miva", with "$adv_name",
  // "$adv_logo", "$adv_text", "$adv_url", "$adv_img" and "$adv_comment" 1 to
  // 3 filled from its items (escaped; a "miva" name longer than 40 units cut
  // to 40, never inside a surrogate pair, and "..." added) and its macros
  // applied. Empty without an engine or items, and after a failure (logged).
  std::u16string AdvertisementFromAmazon();
  // Replaces, in `block`, the name of every macro of the advertising
  // engine's template of kind `kind` (1 page, 3 item) by the escaped text
  // between its tags in `text`, searched on from one comment cursor in
  // template order.
  void ApplyMacros(std::u16string& block, int32_t kind, std::u16string_view text);

  // ---- document blocks ----
  // The block of page entry e at the 0-based place a (-1: unnumbered).
  std::u16string DocumentBlock(int32_t e, int32_t a);
  std::u16string ProductBlock(int32_t e, int32_t a);
  // Control characters (CR LF kept) to a blank; "&", "<", ">", quotes and "$"
  // to character references.
  static std::u16string EscapeText(std::u16string_view text);
  // A text shown on the page keeps its direction controls to itself: every
  // embedding or override (U+202A..U+202E) and isolate (U+2066..U+2068) it
  // leaves open is closed at its end (U+202C, U+2069), innermost first, and
  // a closer that closes nothing of the text, which could only close the
  // page's own, is dropped. Nothing else changes: markup, character
  // references and highlighting stay as they are; a text without a control
  // is handed back unchanged, without a copy.
  static std::u16string CloseDirectionControls(std::u16string text);
  // Wraps the current query words and phrases of an HTML fragment in the
  // highlight; the fragment stays as it was when that fails.
  void HighlightFragment(std::u16string& fragment);
  // The display text of an address: percent-decoded, then UTF-8-decoded
  // (the address as given when that fails); a desktop engine's redirect
  // gives its target.
  std::u16string TransformationUrl(std::string_view url);
  // The k-th image (k of 1 or less: the first) of the item parsed last, as a
  // new img tag with its address (http or https only), size and text.
  std::u16string GetImage(int32_t k);
  // The visible text between the first tag matching `begin` at or after the
  // comment cursor and the next tag matching `end`; the cursor moves to that
  // end tag. Empty when either is missing.
  std::u16string StringBetweenTwoTagsInHTML(const TAttributesTag& begin, const TAttributesTag& end);
  static bool CompareTags(const TAttributesTag& tag, const TAttributesTag& pattern);
  static bool AttributePresent(const TAttributesTag& tag, std::u16string_view name, std::u16string_view value);
  int32_t CommentCursor() const { return commentCursor_; }
  void SetCommentCursor(int32_t cursor) { commentCursor_ = cursor; }

  // The builder's own parsers: HTML (highlighting, item texts) and text
  // (highlighting).
  TIHTMLParser& OwnParser() { return *parser_; }
  const TITextParsing& OwnTextParsing() const { return *textParser_; }

 private:
  EngineWeb* Engine() const { return engine_ ? *engine_ : nullptr; }
  TITextParsing* SettingsParser() const { return textParsing_ ? *textParsing_ : nullptr; }
  TContentMap2* ContentMap() const { return contentMap_ ? *contentMap_ : nullptr; }
  TPhraseWordDictionary* Dictionary() const { return dictionary_ ? *dictionary_ : nullptr; }
  TStorageFormsWords* Forms() const { return forms_ ? *forms_ : nullptr; }
  TScope* Scopes() const { return Scope ? *Scope : nullptr; }
  TAmazonCom* Advertiser() const { return Advertising ? *Advertising : nullptr; }
  bool AdvertisingAttached() const { return Advertiser() != nullptr; }
  bool NoQueryMode() const;
  const TMetaSearchList* Entry(int32_t e) const;

  // The query link's address, written unquoted: escaped, blanks
  // percent-encoded, "#" for a scheme other than http, https, ftp or file.
  std::u16string QueryUrl(std::u16string_view query) const;
  // A document address as an attribute value: escaped, or "#" for a scheme
  // a link of the page must not carry (a project file may bring any text).
  static std::u16string LinkAddress(std::string_view url);
  std::u16string Pages() const;
  std::u16string PrevPage() const;
  std::u16string NextPage() const;
  std::u16string DocumentTitle(const TMetaSearchList& record);
  std::u16string FoundOn(const TMetaSearchList& record) const;
  std::u16string ShowingUrl(const TMetaSearchList& record);
  void ParseItemText(const TMetaSearchList& record);
  std::u16string Comments();
  void AddCommandLinks(std::u16string& block, int32_t e, bool withEdit) const;

  EngineWeb** engine_ = nullptr;
  TITextParsing** textParsing_ = nullptr;
  TContentMap2** contentMap_ = nullptr;
  TPhraseWordDictionary** dictionary_ = nullptr;
  TStorageFormsWords** forms_ = nullptr;

  std::unique_ptr<TIHTMLParser> parser_;
  std::unique_ptr<TITextParsing> textParser_;

  std::u16string page_;
  int32_t pageListCount_ = 0;
  int32_t mode_ = 0;
  int32_t pageNumber_ = 1;
  int32_t relevantCount_ = 0;
  TDocumentCounters counters_;
  int32_t editIndex_ = -2;
  std::string templatePath_;
  std::u16string templateText_;
  std::array<std::u16string, pbBlockCount> blocks_;
  bool imageLayout_ = false;
  bool showPlainUrl_ = true;
  bool noSiteHiding_ = false;
  int32_t commentCursor_ = 0;
  std::u16string scopeText_;
  std::u16string currentQueryText_;
  int32_t hoverId_ = -1;
  int32_t hoverMode_ = 0;
  TNNKeys keys_;
  int32_t includedCount_ = 0;
  int32_t excludedCount_ = 0;
  THighLightText highlight_;
};

}  // namespace kestrune
