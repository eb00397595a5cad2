#include "search/automatic_get_results.h"

#include <charconv>
#include <cmath>

#include "core/log_file.h"
#include "platform/text.h"
#include "search/engine_web.h"

namespace kestrune {

namespace {

std::string FloatText(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string Utf8(std::u16string_view text) { return platform::Utf16ToUtf8(text); }

}  // namespace

TAutomaticGetResults::TAutomaticGetResults() {
  groupKeys_.SetCaseSensitivity(true);
  groupKeys_.SetMorphologyEnable(false);
}

const TIHTMLParser& TAutomaticGetResults::Parser() const { return *engine_->parser_; }

bool TAutomaticGetResults::CompareTags(const TAttributesTag& tag, const TAttributesTag& pattern) {
  try {
    return EngineWeb::CompareTags(tag, pattern);
  } catch (const std::exception&) {
    LogFile.Log("Error in function TAutomaticGetResults.CompareTags");
    return true;
  }
}

// The visible text from tag `tag` up to tag `toTag` (to the end of the text
// when toTag is -1).
std::u16string TAutomaticGetResults::VisibleFrom(int32_t tag, int32_t toTag) const {
  const TIHTMLParser& p = Parser();
  const int32_t length = std::min<int32_t>(p.VisibleLength, static_cast<int32_t>(p.VisibleText.size()));
  if (tag < 0 || tag >= p.TagCount) return {};
  const int32_t from = std::clamp(p.Tags[static_cast<size_t>(tag)].VisiblePosition - 1, 0, length);
  int32_t to = length;
  if (toTag >= 0 && toTag < p.TagCount)
    to = std::clamp(p.Tags[static_cast<size_t>(toTag)].VisiblePosition - 1, 0, length);
  if (to <= from) return {};
  return p.VisibleText.substr(static_cast<size_t>(from), static_cast<size_t>(to - from));
}

void TAutomaticGetResults::CorrectTemplate() {
  const std::string& name = engine_->EngineName();
  LogFile.Log("Start correcting temlate for " + name);
  const TIHTMLParser& p = Parser();
  if (p.VisibleLength > kMinVisibleText && p.HyperlinkCount > 0) {
    LogFile.Log("Limit text is exceeded");
    hyperlinkCount_ = p.HyperlinkCount;
    CreateFTree();
    GroupHyperlinks();
    AddResults();  // a stop leaves the walks early: nothing further is stored
  }
  LogFile.Log("Finish correcting temlate for " + name);
}

void TAutomaticGetResults::CreateFTree() {
  LogFile.Log("Start CreateTree");
  const TIHTMLParser& p = Parser();
  try {
    const EngineWeb& engine = *engine_;
    if (!BuildTagTree(
            p.TagCount, [&p](int32_t i) -> std::u16string_view { return p.Tags[static_cast<size_t>(i)].Name; }, tree_,
            [&engine] { return engine.StopRequested(); })) {
      tree_.clear();
    }
  } catch (const std::exception&) {
    tree_.clear();
    LogFile.Log("Error in procedure TAutomaticGetResults.CreateFTree");
    LogFile.Log("Local variables: i = 0, Count = " + std::to_string(p.TagCount) + ", BeginTag = 0");
  }
  LogFile.Log("Finish CreateFTree");
}

void TAutomaticGetResults::GroupHyperlinks() {
  const TIHTMLParser& p = Parser();
  groupKeys_.Clear();
  groups_.clear();
  links_.clear();
  heaviest_ = -1;
  const int32_t tagCount = std::min<int32_t>(p.TagCount, static_cast<int32_t>(tree_.size()));
  const int32_t n = std::min<int32_t>(hyperlinkCount_, static_cast<int32_t>(p.Hyperlinks.size()));
  int32_t r = 0;
  try {
    links_.resize(static_cast<size_t>(n));
    groups_.reserve(static_cast<size_t>(n));
    auto linkTagOf = [&](int32_t i) {
      const int32_t a = p.Hyperlinks[static_cast<size_t>(i)].TagIndex;
      return (a >= 0 && a < tagCount) ? a : -1;
    };
    // The "a" tag of the next link that has one, for every link: one walk
    // from the end.
    std::vector<int32_t> nextLinkTag(static_cast<size_t>(n), -1);
    for (int32_t s = n - 1; s > 0; --s) {
      const int32_t a = linkTagOf(s);
      nextLinkTag[static_cast<size_t>(s) - 1] = a >= 0 ? a : nextLinkTag[static_cast<size_t>(s)];
    }
    // The links come in page order: one forward walk over the tags keeps the
    // last closing tag before each link's "a" tag.
    int32_t scanned = 0;
    int32_t lastClosing = -1;
    for (r = 0; r < n; ++r) {
      if (engine_->StopRequested()) break;
      TLinkRecord& link = links_[static_cast<size_t>(r)];
      const int32_t a = linkTagOf(r);
      if (a < 0) {
        link.Group = -1;
        continue;
      }
      const int32_t partner = tree_[static_cast<size_t>(a)].Partner;
      const int32_t closing = partner > a ? partner : -1;
      link.LinkTag = a;
      link.LinkTag2 = a;
      link.LinkClosingTag = closing;
      link.Title = closing > a ? p.TextBetweenTags(a, closing) : std::u16string();
      link.TagAfterLink = (closing > a ? closing : a) + 1;
      if (a < scanned) {  // out of page order: walk again from the start
        scanned = 0;
        lastClosing = -1;
      }
      for (; scanned < a; ++scanned) {
        const std::u16string& name = p.Tags[static_cast<size_t>(scanned)].Name;
        if (!name.empty() && name[0] == u'/') lastClosing = scanned;
      }
      link.BlockStart = std::min(lastClosing >= 0 ? lastClosing + 1 : 1, a);
      // After-text: from two tags before the link's closing tag up to the next link.
      const int32_t textFrom = std::max((closing > a ? closing : a) - 2, 0);
      const int32_t next = nextLinkTag[static_cast<size_t>(r)];
      link.TextAfterTag = VisibleFrom(textFrom, next);
      link.LastTagBeforeNext = (next >= 0 ? next : tagCount) - 1;

      const TAttributesTag& block = p.Tags[static_cast<size_t>(link.BlockStart)];
      const std::u16string& source = p.SourceText;
      const size_t at = static_cast<size_t>(std::max(block.SourcePosition, 0));  // after the "<"
      const size_t length = block.SourceLength >= 2 ? static_cast<size_t>(block.SourceLength - 2) : 0;
      std::u16string key = platform::Utf8ToUtf16(std::to_string(tree_[static_cast<size_t>(link.BlockStart)].Depth));
      if (at < source.size()) key += source.substr(at, length);
      const int32_t known = groupKeys_.Count();
      const int32_t group = groupKeys_.AddWord(key, 0, -1);
      if (group < 0) throw std::runtime_error("group keys full");
      const double titleLength = static_cast<double>(link.Title.size());
      const double afterLength = static_cast<double>(link.TextAfterTag.size());
      std::string prefix;
      if (group >= known) {
        groups_.push_back({r, 0.5 * titleLength + 0.5 * afterLength});
        prefix = "Add index I = ";
      } else {
        groups_[static_cast<size_t>(group)].Weight += 1.5 * titleLength + 0.5 * afterLength;
        prefix = "Correct index I = ";
      }
      link.Group = group;
      LogFile.Log(prefix + std::to_string(r) + ", Ind = " + std::to_string(group) + ", ArrayHyperLinks[i].Title = " +
                  Utf8(link.Title) + ", ArrayHyperLinks[i].TextAfterTag = " + Utf8(link.TextAfterTag) +
                  ", Weigth = " + FloatText(groups_[static_cast<size_t>(group)].Weight));
    }
    links_.resize(static_cast<size_t>(r));  // a stop keeps only the links looked at
  } catch (const std::exception&) {
    LogFile.Log("Error. I = " + std::to_string(r) + "SourceHTML.HyperLinkCount-1 = " + std::to_string(n - 1));
  }
  FindHeaviestGroup();
}

void TAutomaticGetResults::FindHeaviestGroup() {
  heaviest_ = -1;
  int32_t best = -1;
  for (size_t g = 0; g < groups_.size(); ++g) {
    if (best < 0 || groups_[g].Weight > groups_[static_cast<size_t>(best)].Weight) best = static_cast<int32_t>(g);
  }
  if (best < 0) return;
  heaviest_ = groups_[static_cast<size_t>(best)].FirstLink;
  LogFile.Log("Index with max weigth - " + std::to_string(heaviest_) +
              ", Weigth = " + FloatText(groups_[static_cast<size_t>(best)].Weight));
}

void TAutomaticGetResults::AddResults() {
  EngineWeb& engine = *engine_;
  const TIHTMLParser& p = Parser();
  TMetaSearchList2& results = engine.searchResults_;
  const int32_t n = static_cast<int32_t>(links_.size());
  if (heaviest_ >= 0 && heaviest_ < n) {
    const TLinkRecord& h = links_[static_cast<size_t>(heaviest_)];
    const int32_t depth = tree_[static_cast<size_t>(h.LinkTag)].Depth;
    const TAttributesTag& shape = p.Tags[static_cast<size_t>(h.BlockStart)];
    auto inShape = [&](const TLinkRecord& link) {
      return link.Group >= 0 && CompareTags(p.Tags[static_cast<size_t>(link.BlockStart)], shape);
    };
    for (int32_t q = 0; q < n; ++q) {
      if (engine.StopRequested()) break;
      const TLinkRecord& link = links_[static_cast<size_t>(q)];
      if (link.Group < 0 || tree_[static_cast<size_t>(link.LinkTag)].Depth != depth || !inShape(link)) continue;
      if (resultCount_ >= static_cast<int32_t>(results.size())) {
        engine.stop_ = true;
        break;
      }
      std::string url = Utf8(p.Hyperlinks[static_cast<size_t>(q)].Address);
      if (!engine.NormalizeItemUrl(url)) continue;
      std::u16string annotation = link.TextAfterTag;
      for (int32_t j = q + 1; j < n; ++j) {
        const TLinkRecord& follower = links_[static_cast<size_t>(j)];
        if (follower.Group < 0 || !follower.Title.empty() || inShape(follower)) break;
        annotation += follower.TextAfterTag;
      }
      TMetaSearchList& item = results[static_cast<size_t>(resultCount_)];
      item.Url = std::move(url);
      item.Title = link.Title;
      item.Annotation = std::move(annotation);
      item.Label = std::to_string(resultCount_ + 1) + " - " + engine.EngineName();
      ++resultCount_;
      ++engine.progressCount_;
      if (engine.OnProgress && engine.progressBase_ > 0) {
        engine.OnProgress(static_cast<int32_t>(std::nearbyint(100.0 / engine.progressBase_ * engine.progressCount_)));
      }
    }
  }
  engine.itemCount_ = resultCount_;
}

}  // namespace kestrune
