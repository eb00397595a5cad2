// TAutomaticGetResults: result items from a page that the engine's template
// cannot cut (the engine changed its layout). It looks at all links of the
// page in the engine's parser, groups them by the depth and markup of the
// block that holds them, takes the group that carries the most link and
// surrounding text as the result list and stores its links in the engine's
// SearchResults().
//
// Only pages with more than 3000 characters of visible text and at least one
// link are looked at. A link's block starts after the nearest closing tag
// before its "a" tag; its group key is the block-start tag's depth and its
// markup. A group weighs half the title and after-text of its first link and
// one and a half times the title plus half the after-text of every further
// link; the heaviest group (the earlier on a tie) names the result shape:
// every link whose "a" tag has the same depth and whose block-start tag
// matches becomes an item. Addresses are resolved and filtered as the
// template's items are; a link that is not accepted is left out. An item's
// annotation is its after-text plus that of the untitled links that follow
// outside the result shape.
//
// It runs on the engine's worker (or the caller of ProcessPage) and is owned
// by the engine; SetEngine binds it once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "language/word_dictionary.h"
#include "search/html_parser.h"
#include "search/tag_tree.h"

namespace kestrune {

class EngineWeb;

class TAutomaticGetResults {
 public:
  // One hyperlink of the page.
  struct TLinkRecord {
    int32_t BlockStart = 0;       // tag index
    int32_t LinkClosingTag = -1;  // partner of the "a" tag, -1 none
    int32_t LinkTag = 0;
    int32_t LinkTag2 = 0;
    int32_t TagAfterLink = 0;  // the tag after the link's closing tag
    int32_t LastTagBeforeNext = 0;
    std::u16string TextAfterTag;
    std::u16string Title;
    int32_t Group = 0;
  };
  struct TGroupRecord {
    int32_t FirstLink = 0;
    double Weight = 0.0;
  };

  static constexpr int32_t kMinVisibleText = 3000;

  TAutomaticGetResults();

  void SetEngine(EngineWeb* engine) { engine_ = engine; }
  void ResetCount() { resultCount_ = 0; }
  // The whole recovery for the page in the engine's parser.
  void CorrectTemplate();

  void CreateFTree();
  void GroupHyperlinks();
  void FindHeaviestGroup();
  void AddResults();
  static bool CompareTags(const TAttributesTag& tag, const TAttributesTag& pattern);

  // What the last page gave.
  const std::vector<TTagTreeRecord>& Tree() const { return tree_; }
  const std::vector<TLinkRecord>& Links() const { return links_; }
  const std::vector<TGroupRecord>& Groups() const { return groups_; }
  int32_t Heaviest() const { return heaviest_; }
  int32_t ResultCount() const { return resultCount_; }

 private:
  const TIHTMLParser& Parser() const;
  std::u16string VisibleFrom(int32_t tag, int32_t toTag) const;

  EngineWeb* engine_ = nullptr;
  TIWordDictionary groupKeys_;
  std::vector<TLinkRecord> links_;
  int32_t hyperlinkCount_ = 0;
  std::vector<TGroupRecord> groups_;
  int32_t heaviest_ = -1;
  int32_t resultCount_ = 0;
  std::vector<TTagTreeRecord> tree_;
};

}  // namespace kestrune
