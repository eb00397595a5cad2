// The document blocks of the result page: one block per page entry with its
// title and annotation highlighted, its address, the engine that found it,
// its comments, actions and command links; the product block of engines that
// show item images; and the helpers the blocks need.
#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

#include "core/log_file.h"
#include "core/message_strings.h"
#include "language/parsing_text.h"
#include "language/phrase_word_dictionary.h"
#include "language/text_parsing.h"
#include "platform/text.h"
#include "search/engine_web.h"
#include "search/html_parser.h"
#include "search/query_url.h"
#include "search/page_results.h"
#include "search/utf8.h"

namespace kestrune {

namespace {

std::u16string Dec(int64_t value) { return platform::Utf8ToUtf16(std::to_string(value)); }

// The state icons in front of a title (the doubled quote after each file
// name is part of the stored text).
constexpr std::u16string_view kOldIcon =
    u"<img src=\"results_ico_old.gif\"\" style=\"margin-right:5px;\" border=0 align=absmiddle>";
constexpr std::u16string_view kNewIcon =
    u"<img src=\"results_ico_new.gif\"\" style=\"margin-right:5px;\" border=0 align=absmiddle>";
constexpr std::u16string_view kFavoriteIcon =
    u"<img src=\"results_ico_fav.gif\"\" style=\"margin-right:5px;\" border=0 align=absmiddle>";

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char16_t c = text[i];
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    if (c != prefix[i]) return false;
  }
  return true;
}

const TAttributeTag* FindAttribute(const TAttributesTag& tag, std::u16string_view name) {
  const size_t count = std::min<size_t>(tag.AttributeCount, tag.Attributes.size());
  for (size_t i = 0; i < count; ++i) {
    if (platform::CompareNoCase(tag.Attributes[i].Name, name) == 0) return &tag.Attributes[i];
  }
  return nullptr;
}

}  // namespace

std::u16string TPageResults::LinkAddress(std::string_view url) {
  const std::u16string wide = platform::Utf8ToUtf16(url);
  for (std::u16string_view scheme : {u"http:", u"https:", u"ftp:", u"file:"}) {
    if (StartsWithNoCase(wide, scheme)) return EscapeText(wide);
  }
  return u"#";
}

std::u16string TPageResults::EscapeText(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size() + text.size() / 8);
  // Runs of characters that stay as they are go in whole.
  size_t run = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    const bool kept = c >= 0x20 ? c != u'&' && c != u'<' && c != u'>' && c != u'"' && c != u'\'' && c != u'$'
                                : c == u'\t' || c == u'\n';
    if (kept) continue;
    out.append(text.substr(run, i - run));
    switch (c) {
      case u'\r':
        if (i + 1 < text.size() && text[i + 1] == u'\n') {
          out += u"\r\n";
          ++i;
        } else {
          out += u' ';
        }
        break;
      case u'&': out += u"&amp;"; break;
      case u'<': out += u"&lt;"; break;
      case u'>': out += u"&gt;"; break;
      case u'"': out += u"&quot;"; break;
      case u'\'': out += u"&#39;"; break;
      case u'$': out += u"&#36;"; break;
      default: out += u' '; break;  // another control character
    }
    run = i + 1;
  }
  out.append(text.substr(run));
  return out;
}

std::u16string TPageResults::CloseDirectionControls(std::u16string text) {
  constexpr char16_t kPdf = 0x202C;  // closes an embedding or override
  constexpr char16_t kPdi = 0x2069;  // closes an isolate and what it holds
  // A text without a direction control, as nearly every text is, stays as
  // it came.
  const auto isControl = [](char16_t c) { return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= kPdi); };
  size_t kept = static_cast<size_t>(std::find_if(text.begin(), text.end(), isControl) - text.begin());
  if (kept == text.size()) return text;
  // From the first control on, the text is rewritten in place: it only
  // loses characters until the closers are appended.
  std::vector<bool> open;  // the text's open controls, innermost last; true: an isolate
  for (size_t i = kept; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == 0x202A || c == 0x202B || c == 0x202D || c == 0x202E) {
      open.push_back(false);
    } else if (c >= 0x2066 && c <= 0x2068) {
      open.push_back(true);
    } else if (c == kPdf) {
      // Only an embedding or override opened inside the innermost isolate.
      if (open.empty() || open.back()) continue;
      open.pop_back();
    } else if (c == kPdi) {
      const auto isolate = std::find(open.rbegin(), open.rend(), true);
      if (isolate == open.rend()) continue;
      open.erase(std::prev(isolate.base()), open.end());
    }
    text[kept++] = c;
  }
  text.resize(kept);
  for (auto it = open.rbegin(); it != open.rend(); ++it) text += *it ? kPdi : kPdf;
  return text;
}

void TPageResults::HighlightFragment(std::u16string& fragment) {
  const TITextParsing* settings = SettingsParser();
  if (!settings || highlight_.empty() || fragment.empty()) return;
  TPhraseWordDictionary* dictionary = Dictionary();

  TITextParsing* textParsing = textParser_.get();
  textParsing->TakeSettings(*settings);
  textParsing->Clear();
  parser_->Clear();
  parser_->ClearMarks();
  parser_->ClearPhraseMarks();
  parser_->BuildTagTable = false;
  parser_->SetLabelMode(lmFirstWordWithoutImage);
  parser_->SetTextParsing(textParsing);
  parser_->ParseWide(fragment);
  textParsing->Parse(parser_->VisibleText.data(),
                     std::min<int32_t>(parser_->VisibleLength, static_cast<int32_t>(parser_->VisibleText.size())));

  const TParsingText& text = textParsing->ParsingText();
  // Whether word w (an index of the parse) can be read as identifier id.
  auto wordIs = [&text](int32_t w, int32_t id) {
    const TParsingWord& word = text.Word(w);
    // A word held by the hash of its text is no dictionary word.
    if (word.Flags & TParsingWord::kHashed) return false;
    if (word.WordId == id) return true;
    for (int32_t v = 0; v < word.VariantCount; ++v) {
      if (text.Variant(word.FirstVariant + v).WordIndex == id) return true;
    }
    return false;
  };
  std::vector<bool> marked;
  int32_t marks = 0;
  for (int32_t p = 0; p < text.ParagraphCount; ++p) {
    const TParsingParagraph& paragraph = text.Paragraph(p);
    for (int32_t s = paragraph.FirstSentence; s < paragraph.FirstSentence + paragraph.SentenceCount; ++s) {
      const TParsingSentence& sentence = text.Sentence(s);
      marked.assign(static_cast<size_t>(std::max(sentence.WordCount, 0)), false);
      for (int32_t j = 0; j < sentence.WordCount; ++j) {
        const int32_t w = sentence.FirstWord + j;
        for (const THighLightItem& item : highlight_) {
          if (item.PhraseIndex < 0) {
            if (wordIs(w, item.KeyId)) marked[static_cast<size_t>(j)] = true;
            continue;
          }
          // A phrase: its words one after another from this word on, in
          // this sentence.
          if (!dictionary || item.PhraseIndex >= dictionary->PhraseCount()) continue;
          const TPhrase& phrase = dictionary->Phrases()[static_cast<size_t>(item.PhraseIndex)];
          const int32_t length = phrase.EntryCount();
          if (length < 1 || j + length > sentence.WordCount) continue;
          bool match = true;
          for (int32_t k = 0; k < length && match; ++k) {
            match = wordIs(w + k, phrase.Entries[static_cast<size_t>(k)].WordIndex);
          }
          if (match) std::fill(marked.begin() + j, marked.begin() + j + length, true);
        }
      }
      for (int32_t j = 0; j < sentence.WordCount; ++j) {
        if (marked[static_cast<size_t>(j)]) {
          parser_->AddMark(s, j, 0);
          ++marks;
        }
      }
    }
  }
  if (marks > 0) {
    std::u16string result;
    try {
      parser_->HighlightWords(result);
      fragment.swap(result);
    } catch (const std::exception&) {
      // The fragment stays as it was, unhighlighted.
      LogFile.Log("Error in procedure TPageResults.HighlightFragment ");
    }
  }
  textParsing->Clear();
  parser_->Clear();
  parser_->ClearMarks();
}

std::u16string TPageResults::TransformationUrl(std::string_view url) {
  if (url.empty()) return std::u16string();
  std::u16string text;
  if (!Utf8ToWide(PercentDecode(url, true), text)) {
    LogFile.Log("Error in function TPageResults.TransformationUrl - the decoded address is no UTF-8 text");
    return platform::Utf8ToUtf16(url);
  }
  const EngineWeb* engine = Engine();
  if (engine && engine->EngineName() == "Google Desktop") {
    const size_t at = text.find(u"?url=");
    if (at != std::u16string::npos) {
      const size_t start = at + 5;
      const size_t end = text.find(u"&src=", start);
      return text.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start);
    }
  }
  return text;
}

std::u16string TPageResults::GetImage(int32_t k) {
  const int32_t wanted = std::max(k, 1);
  int32_t seen = 0;
  const int32_t count = std::min<int32_t>(parser_->TagCount, static_cast<int32_t>(parser_->Tags.size()));
  for (int32_t i = 0; i < count; ++i) {
    const TAttributesTag& tag = parser_->Tags[static_cast<size_t>(i)];
    if (tag.Name != u"img" || ++seen < wanted) continue;
    // A new tag from the parsed attributes: the page's own markup (scripts
    // in its attributes) never reaches the result page.
    const TAttributeTag* src = FindAttribute(tag, u"src");
    if (!src || !(StartsWithNoCase(src->Value, u"http://") || StartsWithNoCase(src->Value, u"https://"))) {
      return std::u16string();
    }
    std::u16string image = u"<img src=\"" + EscapeText(src->Value) + u"\"";
    for (std::u16string_view name : {u"width", u"height", u"alt"}) {
      if (const TAttributeTag* attribute = FindAttribute(tag, name)) {
        image += u" " + std::u16string(name) + u"=\"" + EscapeText(attribute->Value) + u"\"";
      }
    }
    return image + u">";
  }
  return std::u16string();
}

bool TPageResults::AttributePresent(const TAttributesTag& tag, std::u16string_view name, std::u16string_view value) {
  const size_t count = std::min<size_t>(tag.AttributeCount, tag.Attributes.size());
  for (size_t i = 0; i < count; ++i) {
    if (tag.Attributes[i].Name == name && tag.Attributes[i].Value == value) return true;
  }
  return false;
}

bool TPageResults::CompareTags(const TAttributesTag& tag, const TAttributesTag& pattern) {
  if (tag.Name != pattern.Name) return false;
  const size_t count = std::min<size_t>(pattern.AttributeCount, pattern.Attributes.size());
  for (size_t i = 0; i < count; ++i) {
    if (!AttributePresent(tag, pattern.Attributes[i].Name, pattern.Attributes[i].Value)) return false;
  }
  return true;
}

std::u16string TPageResults::StringBetweenTwoTagsInHTML(const TAttributesTag& begin, const TAttributesTag& end) {
  const int32_t count = std::min<int32_t>(parser_->TagCount, static_cast<int32_t>(parser_->Tags.size()));
  if (count <= 2) return std::u16string();
  int32_t first = std::max(commentCursor_, 0);
  while (first < count && !CompareTags(parser_->Tags[static_cast<size_t>(first)], begin)) ++first;
  if (first >= count) return std::u16string();
  int32_t second = first + 1;
  while (second < count && !CompareTags(parser_->Tags[static_cast<size_t>(second)], end)) ++second;
  if (second >= count) return std::u16string();
  commentCursor_ = second;
  return parser_->TextBetweenTags(first, second);
}

void TPageResults::ParseItemText(const TMetaSearchList& record) {
  parser_->Clear();
  parser_->BuildTagTable = true;
  parser_->ParseWide(record.ItemText);
}

// "<br>" and the text of each comment pair of the engine, from the item
// parsed last.
std::u16string TPageResults::Comments() {
  std::u16string comments;
  const EngineWeb* engine = Engine();
  if (!engine) return comments;
  const TEngineTemplate& t = engine->Template();
  const size_t pairs = std::min({static_cast<size_t>(std::max(t.CommentPairCount, 0)), t.BeginItemCommentTag.size(),
                                 t.EndItemCommentTag.size()});
  commentCursor_ = 0;
  for (size_t i = 0; i < pairs; ++i) {
    comments += u"<br>" + CloseDirectionControls(
                              EscapeText(StringBetweenTwoTagsInHTML(t.BeginItemCommentTag[i], t.EndItemCommentTag[i])));
  }
  return comments;
}

std::u16string TPageResults::DocumentTitle(const TMetaSearchList& record) {
  std::u16string title = EscapeText(record.Title);
  HighlightFragment(title);
  title = CloseDirectionControls(std::move(title));
  if (record.Flags & kFlagOld) {
    title = std::u16string(kOldIcon) + title;
  } else if (record.Flags & kFlagNew) {
    title = std::u16string(kNewIcon) + title;
  }
  if (record.Flags & kFlagFavorite) title = std::u16string(kFavoriteIcon) + title;
  return title;
}

std::u16string TPageResults::FoundOn(const TMetaSearchList& record) const {
  return u"[" + MessageStrings.smFoundVia + CloseDirectionControls(EscapeText(platform::Utf8ToUtf16(record.Label))) +
         u"]";
}

std::u16string TPageResults::ShowingUrl(const TMetaSearchList& record) {
  return showPlainUrl_ ? CloseDirectionControls(EscapeText(TransformationUrl(record.Url))) : std::u16string();
}

void TPageResults::AddCommandLinks(std::u16string& block, int32_t e, bool withEdit) const {
  const std::u16string n = Dec(e);
  ReplaceToken(block, u"$cmap_exclude_context_file", u"ExcludeContextFile" + n);
  ReplaceToken(block, u"$cmap_exclude_url", u"ExcludeURL" + n);
  ReplaceToken(block, u"$cmap_restore_link", u"RestoreLink" + n);
  ReplaceToken(block, u"$cmap_restore_site", u"RestoreSite" + n);
  ReplaceToken(block, u"$cmap_add_favorites", u"AddToFavorites" + n);
  ReplaceToken(block, u"$cmap_del_favorites", u"DeleteFromFavorites" + n);
  if (withEdit) ReplaceToken(block, u"$cmap_edit_link", u"EditLink" + n);
}

std::u16string TPageResults::DocumentBlock(int32_t e, int32_t a) {
  const TMetaSearchList* record = Entry(e);
  if (!record) return std::u16string();
  std::u16string block;
  switch (mode_) {
    case 5: block = blocks_[pbDocMetaBlock]; break;
    case 7: block = blocks_[pbDocExcludedLinksBlock]; break;
    case 8: block = blocks_[pbDocExcludedSitesBlock]; break;
    case 9:
    case 10:
    case 11: block = blocks_[a == -1 ? pbDocMetaBlockLite : pbDocMetaBlock]; break;
    default: break;
  }

  if (AdvancedMode) {
    ReplaceToken(block, u"$cmap_act_edit", blocks_[pbDocBtnEdit]);
    if (e == editIndex_) {
      block += u"<ul><li style=\"list-style-type:decimal;\" value=$cmap_doc_position></li>" + blocks_[pbDocEditBlock] +
               u"</ul>";
      ReplaceToken(block, u"$cmap_doc_edit_numer", Dec(e), TTokenCase::kLowerCase);
      ReplaceToken(block, u"$cmap_doc_edit_url", EscapeText(TransformationUrl(record->Url)), TTokenCase::kLowerCase);
      ReplaceToken(block, u"$cmap_doc_edit_title", EscapeText(record->Title), TTokenCase::kLowerCase);
      ReplaceToken(block, u"$cmap_doc_edit_anno", EscapeText(record->Annotation), TTokenCase::kLowerCase);
    }
  } else {
    ReplaceToken(block, u"$cmap_act_edit", u"");
  }

  const std::u16string title = DocumentTitle(*record);
  const bool favorite = (record->Flags & kFlagFavorite) != 0;
  ReplaceToken(block, u"$cmap_act_favorite", blocks_[favorite ? pbDocDelFavorite : pbDocAddFavorite]);
  ReplaceToken(block, u"$cmap_doc_title", title);
  ReplaceToken(block, u"$cmap_doc_position", Dec(int64_t{a} + 1));
  ReplaceToken(block, u"$cmap_doc_url", LinkAddress(record->Url));

  std::u16string annotation = EscapeText(record->Annotation);
  HighlightFragment(annotation);
  annotation = CloseDirectionControls(std::move(annotation));
  ReplaceToken(block, u"$cmap_cluster_annotation", annotation);
  ReplaceToken(block, u"$cmap_found_on", FoundOn(*record));
  ReplaceToken(block, u"$cmap_doc_showing_url", ShowingUrl(*record));

  std::u16string comment;
  const EngineWeb* engine = Engine();
  if (engine && engine->Template().CommentPairCount > 0) {
    ParseItemText(*record);
    comment = Comments();
  } else {
    comment = annotation;
  }
  HighlightFragment(comment);
  ReplaceToken(block, u"$cmap_comment", CloseDirectionControls(std::move(comment)));

  ReplaceToken(block, u"$cmap_act_exclude_link", blocks_[pbDocBtnExcludeLink]);
  ReplaceToken(block, u"$cmap_act_hide_site", noSiteHiding_ ? std::u16string() : blocks_[pbDocBtnHideSite]);
  ReplaceToken(block, u"$cmap_act_restore_link", blocks_[pbDocBtnRestoreLink]);
  ReplaceToken(block, u"$cmap_act_restore_site", blocks_[pbDocBtnRestoreSite]);
  AddCommandLinks(block, e, true);
  return block;
}

std::u16string TPageResults::ProductBlock(int32_t e, int32_t a) {
  const TMetaSearchList* record = Entry(e);
  if (!record) return std::u16string();
  std::u16string block = blocks_[pbDocMetaBlockAmazon];
  ReplaceToken(block, u"$cmap_li_list_style", a == -1 ? std::u16string() : blocks_[pbDocLiListStyle]);
  ReplaceToken(block, u"$cmap_doc_position", Dec(int64_t{a} + 1));
  ReplaceToken(block, u"$amazon_product_title", DocumentTitle(*record));
  ReplaceToken(block, u"$amazon_product_url", LinkAddress(record->Url));

  ParseItemText(*record);
  const EngineWeb* engine = Engine();
  ReplaceToken(block, u"$amazon_product_image", GetImage(engine ? engine->Template().NumberImage : 0));
  std::u16string annotation = EscapeText(record->Annotation);

  const bool favorite = (record->Flags & kFlagFavorite) != 0;
  std::u16string actFavorite, actExclude, actHide, actRestoreLink, actRestoreSite;
  switch (mode_) {
    case 7: actRestoreLink = blocks_[pbDocBtnRestoreLink]; break;
    case 8: actRestoreSite = blocks_[pbDocBtnRestoreSite]; break;
    default:
      // The new-links view acts like the other lists of documents.
      actFavorite = blocks_[favorite ? pbDocDelFavorite : pbDocAddFavorite];
      actExclude = blocks_[pbDocBtnExcludeLink];
      if (!noSiteHiding_) actHide = blocks_[pbDocBtnHideSite];
      break;
  }
  ReplaceToken(block, u"$cmap_act_favorite", actFavorite);
  ReplaceToken(block, u"$cmap_act_exclude_link", actExclude);
  ReplaceToken(block, u"$cmap_act_hide_site", actHide);
  ReplaceToken(block, u"$cmap_act_restore_link", actRestoreLink);
  ReplaceToken(block, u"$cmap_act_restore_site", actRestoreSite);
  AddCommandLinks(block, e, false);
  ReplaceToken(block, u"$cmap_doc_showing_url", ShowingUrl(*record));
  ReplaceToken(block, u"$cmap_found_on", FoundOn(*record));

  if (engine && engine->Template().CommentPairCount > 0) annotation += Comments();
  HighlightFragment(annotation);
  ReplaceToken(block, u"$amazon_product_annotation", CloseDirectionControls(std::move(annotation)));
  return block;
}

}  // namespace kestrune
