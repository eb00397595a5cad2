// The advertising block of the result page: the shown answer of the
// advertising engine in the "_miva" or "_begun" block, and the template
// macros of that engine.
#include <algorithm>
#include <vector>

#include "core/log_file.h"
#include "platform/text.h"
#include "search/advert_engine.h"
#include "search/html_parser.h"
#include "search/page_command_hosts.h"
#include "search/page_results.h"

namespace kestrune {

namespace {

constexpr size_t kNameLength = 40;

constexpr std::u16string_view kBegunLogo =
    u"<img src=\"begun_logo.gif\" alt=\"\" width=\"18\" height=\"18\" border=\"0\">";

// The first 40 units of a longer name and "...": a surrogate pair across the
// cut goes whole.
std::u16string ShortName(const std::u16string& name) {
  if (name.size() <= kNameLength) return name;
  size_t cut = kNameLength;
  const char16_t last = name[cut - 1];
  if (last >= 0xD800 && last <= 0xDBFF) --cut;
  return name.substr(0, cut) + u"...";
}

}  // namespace

std::u16string TPageResults::AdvertisementFromAmazon() {
  TAmazonCom* advertiser = Advertiser();
  if (!advertiser) return std::u16string();
  try {
    TParsePage page;
    if (!advertiser->GetCurrentPage(page)) return std::u16string();
    // An advert whose address names a command host of the page is left out,
    // as a result with such an address is: only the page's own markup
    // carries commands.
    std::vector<const TMetaSearchList*> shown;
    const int32_t listed = std::clamp<int32_t>(page.ItemCount, 0, static_cast<int32_t>(page.Items.size()));
    for (int32_t k = 0; k < listed; ++k) {
      const TMetaSearchList& item = page.Items[static_cast<size_t>(k)];
      if (!AddressHasPageCommandHost(item.Url)) shown.push_back(&item);
    }
    const int32_t count = static_cast<int32_t>(shown.size());
    if (count == 0) return std::u16string();
    const bool begun = advertiser->EngineName() == "begun";
    const TEngineTemplate& t = advertiser->Template();
    std::u16string block = blocks_[begun ? pbBegun : pbMiva];
    for (int32_t n = 1; n <= TAmazonCom::kMaxItems; ++n) {
      const std::u16string number = platform::Utf8ToUtf16(std::to_string(n));
      auto fill = [&](std::u16string_view token, std::u16string_view value) {
        ReplaceToken(block, std::u16string(token) + number, value);
      };
      const int32_t k = n - 1;
      if (k >= count) {
        for (std::u16string_view token : {u"$adv_logo", u"$adv_name", u"$adv_text", u"$adv_url", u"$adv_img",
                                          u"$adv_comment"}) {
          fill(token, u"");
        }
        ApplyMacros(block, 3, u"");
        continue;
      }
      const TMetaSearchList& item = *shown[static_cast<size_t>(k)];
      fill(u"$adv_name", CloseDirectionControls(EscapeText(begun ? item.Title : ShortName(item.Title))));
      fill(u"$adv_logo", kBegunLogo);
      fill(u"$adv_text", CloseDirectionControls(EscapeText(item.Annotation)));
      fill(u"$adv_url", LinkAddress(item.Url));
      parser_->Clear();
      parser_->BuildTagTable = true;
      parser_->XmlMode = t.XmlMode;
      parser_->ParseWide(item.ItemText);
      fill(u"$adv_img", GetImage(t.NumberImage));
      const size_t pairs = std::min({static_cast<size_t>(std::max(t.CommentPairCount, 0)),
                                     t.BeginItemCommentTag.size(), t.EndItemCommentTag.size()});
      commentCursor_ = 0;
      std::u16string comment;
      for (size_t i = 0; i < pairs; ++i) {
        if (i > 0) comment += u' ';
        comment += StringBetweenTwoTagsInHTML(t.BeginItemCommentTag[i], t.EndItemCommentTag[i]);
      }
      fill(u"$adv_comment", CloseDirectionControls(EscapeText(TrimSpaces(comment))));
      ApplyMacros(block, 3, item.ItemText);
    }
    ApplyMacros(block, 1, page.PageText);
    return block;
  } catch (const std::exception&) {
    parser_->XmlMode = false;
    LogFile.Log("Error in function TPageResults.AdvertisementFromAmazon ");
    return std::u16string();
  }
}

void TPageResults::ApplyMacros(std::u16string& block, int32_t kind, std::u16string_view text) {
  const TAmazonCom* advertiser = Advertiser();
  if (!advertiser) return;
  try {
    const TEngineTemplate& t = advertiser->Template();
    parser_->Clear();
    parser_->BuildTagTable = true;
    parser_->XmlMode = t.XmlMode;
    parser_->ParseWide(text);
    commentCursor_ = 0;
    for (const TMacros& macro : t.Macros) {
      if (macro.Number != kind || macro.Name.empty()) continue;
      const std::u16string value = EscapeText(StringBetweenTwoTagsInHTML(macro.BeginTag, macro.EndTag));
      ReplaceToken(block, platform::Utf8ToUtf16(macro.Name), value);
    }
  } catch (const std::exception&) {
    LogFile.Log("Error in function EngineWeb.StringBetweenTwoTagsInHTML ");
  }
  // The document blocks read their items as HTML.
  parser_->XmlMode = false;
}

}  // namespace kestrune
