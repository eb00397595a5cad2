#include "app/news_feed.h"

#include <libxml/entities.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>

#include "core/log_file.h"
#include "platform/text.h"
#include "search/html_references.h"

namespace kestrune {

namespace {

bool IsXmlBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// True when the bytes begin with "<?xml" and a blank, in UTF-8 (with or
// without its byte-order mark) or in UTF-16 of either byte order.
bool HasXmlDeclaration(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  if (bytes.size() >= 6 && bytes.substr(0, 5) == "<?xml" && IsXmlBlank(bytes[5])) return true;
  // UTF-16: a byte-order mark, or "<" with a zero byte beside it.
  int lowFirst = -1;
  if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF") {
    lowFirst = bytes[0] == '\xFF' ? 1 : 0;
    bytes.remove_prefix(2);
  } else if (bytes.size() >= 2 && bytes[0] == '<' && bytes[1] == 0) {
    lowFirst = 1;
  } else if (bytes.size() >= 2 && bytes[0] == 0 && bytes[1] == '<') {
    lowFirst = 0;
  }
  if (lowFirst < 0 || bytes.size() < 12) return false;
  std::string narrow;
  for (size_t i = 0; i < 12; i += 2) {
    const char low = lowFirst ? bytes[i] : bytes[i + 1];
    const char high = lowFirst ? bytes[i + 1] : bytes[i];
    if (high != 0) return false;
    narrow += low;
  }
  return narrow.substr(0, 5) == "<?xml" && IsXmlBlank(narrow[5]);
}

// The element's qualified name: "prefix:name" when it has a prefix. An
// undeclared prefix stays in the name itself, so both come out alike.
std::string QualifiedName(const xmlNode* node) {
  std::string name = reinterpret_cast<const char*>(node->name);
  if (node->ns && node->ns->prefix) name = reinterpret_cast<const char*>(node->ns->prefix) + (":" + name);
  return name;
}

const xmlNode* FindChild(const xmlNode* parent, std::string_view name) {
  for (const xmlNode* child = parent->children; child; child = child->next) {
    if (child->type == XML_ELEMENT_NODE && QualifiedName(child) == name) return child;
  }
  return nullptr;
}

bool HasElementChild(const xmlNode* node) {
  for (const xmlNode* child = node->children; child; child = child->next) {
    if (child->type == XML_ELEMENT_NODE) return true;
  }
  return false;
}

// The text of a named reference: its character when HTML 4.01 names it
// ("&rsquo;", "&eacute;"), else the reference as written.
std::string ReferenceText(const xmlNode* reference) {
  const std::string name = reinterpret_cast<const char*>(reference->name);
  const char16_t code = HtmlNamedReference(name);
  return code != 0 ? platform::Utf16ToUtf8(std::u16string(1, code)) : "&" + name + ";";
}

// The element's own text and CDATA (libxml2's UTF-8) with its named
// references, trimmed. Nested elements add nothing.
std::u16string OwnText(const xmlNode* node) {
  if (!node) return {};
  std::string text;
  for (const xmlNode* child = node->children; child; child = child->next) {
    if ((child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) && child->content) {
      text += reinterpret_cast<const char*>(child->content);
    } else if (child->type == XML_ENTITY_REF_NODE && child->name) {
      text += ReferenceText(child);
    }
  }
  size_t begin = 0, end = text.size();
  while (begin < end && IsXmlBlank(text[begin])) ++begin;
  while (end > begin && IsXmlBlank(text[end - 1])) --end;
  return platform::Utf8ToUtf16(std::string_view(text).substr(begin, end - begin));
}

// What one parse keeps beside the parser context (its _private).
struct TParseState {
  bool unknownEncoding = false;
  // The stand-ins for the feed's entities: each an empty internal entity.
  xmlDocPtr standIns = nullptr;

  ~TParseState() {
    if (standIns) xmlFreeDoc(standIns);
  }
};

TParseState& StateOf(void* data) {
  return *static_cast<TParseState*>(static_cast<xmlParserCtxtPtr>(data)->_private);
}

// The parser's error channel; `data` is the parser context.
void NoteError(void* data, xmlErrorPtr error) {
  if (error && error->code == XML_ERR_UNSUPPORTED_ENCODING) StateOf(data).unknownEncoding = true;
}

// Every entity the feed names, declared or not, is an empty stand-in (the
// five predefined ones never come here): a reference is no error, so the
// parse goes on whole, and stays a reference by name that OwnText reads.
xmlEntityPtr StandInEntity(void* data, const xmlChar* name) {
  TParseState& state = StateOf(data);
  if (!state.standIns) {
    state.standIns = xmlNewDoc(BAD_CAST "1.0");
    if (!state.standIns || !xmlCreateIntSubset(state.standIns, BAD_CAST "x", nullptr, nullptr)) return nullptr;
  }
  xmlEntityPtr entity = xmlGetDocEntity(state.standIns, name);
  if (!entity) entity = xmlAddDocEntity(state.standIns, name, XML_INTERNAL_GENERAL_ENTITY, nullptr, nullptr, BAD_CAST "");
  return entity;
}

// libxml2's process-wide set-up, once, before the first parse.
void InitXmlOnce() {
  static const bool ready = (xmlInitParser(), true);
  (void)ready;
}

}  // namespace

void ReadNewsFeed(std::string_view feed, TNewsItemS& items) {
  items.clear();
  if (feed.empty() || static_cast<int64_t>(feed.size()) > kMaxNewsFeedSize || !HasXmlDeclaration(feed)) return;

  InitXmlOnce();
  xmlParserCtxtPtr context = xmlNewParserCtxt();
  if (!context) return;
  TParseState state;
  // The document's own entity declarations are not taken: no entity of the
  // feed is ever expanded or loaded.
  context->sax->entityDecl = nullptr;
  context->sax->externalSubset = nullptr;
  context->sax->getEntity = &StandInEntity;
  context->sax->serror = &NoteError;
  context->_private = &state;
  const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_RECOVER;
  xmlDocPtr doc = xmlCtxtReadMemory(context, feed.data(), static_cast<int>(feed.size()), nullptr, nullptr, options);
  if (state.unknownEncoding) {
    LogFile.Log("ReadNewsFeed: the feed's encoding is unknown; no news is read", 1);
  } else if (doc) {
    const xmlNode* rss = xmlDocGetRootElement(doc);
    const xmlNode* channel = rss && QualifiedName(rss) == "rss" ? FindChild(rss, "channel") : nullptr;
    for (const xmlNode* item = channel ? channel->children : nullptr; item; item = item->next) {
      if (item->type != XML_ELEMENT_NODE || QualifiedName(item) != "item" || !HasElementChild(item)) continue;
      items.push_back(
          {OwnText(FindChild(item, "title")), OwnText(FindChild(item, "link")), OwnText(FindChild(item, "date:value"))});
    }
  }
  if (doc) xmlFreeDoc(doc);
  xmlFreeParserCtxt(context);  // before the stand-ins, which the context may name
}

void ReadNewsFeed(TStream& stream, TNewsItemS& items) {
  items.clear();
  const int64_t size = stream.Size();
  if (size <= 0 || size > kMaxNewsFeedSize) return;
  std::string bytes(static_cast<size_t>(size), '\0');
  stream.SetPosition(0);
  bytes.resize(static_cast<size_t>(std::max<int64_t>(stream.Read(bytes.data(), size), 0)));
  ReadNewsFeed(bytes, items);
}

}  // namespace kestrune
