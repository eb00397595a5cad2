// The page blocks the main window keeps from the English page templates.
//
// When it is created the main window reads "templates/en/templates.ini" of
// the program folder (always the English folder, whatever the interface
// language) and cuts out seven blocks, each the text between the first
// "<name>" and the first "</name>" of the whole file. A block whose tags are
// missing, or whose closing tag comes first, is empty. The file is 8-bit
// text, decoded as UTF-8 as the result page builder decodes it.
//
// The result page builder (search/page_results.h) cuts its own blocks from
// the interface language's folder; the window's copies are kept, and no view
// of the window reads them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestrune {

// The blocks, in the order in which they are cut.
enum TMainPageBlock : int32_t {
  mbSearchResult, mbDocAnnounceBlock, mbDocAdvertisement, mbAnnotation, mbClusterBlock, mbDocMetaBlock,
  mbMetaClusterBlock, mbBlockCount
};
inline constexpr std::array<std::u16string_view, mbBlockCount> kMainPageBlockNames = {
    u"search_result", u"_doc_announce_block", u"_doc_advertisement", u"annotation",
    u"_cluster_block", u"_doc_meta_block",   u"_meta_cluster_block"};

using TMainPageBlocks = std::array<std::u16string, mbBlockCount>;

// The text between the first "<name>" and the first "</name>" of the text;
// empty when either is missing or the closing tag comes first.
std::u16string MainPageBlock(std::u16string_view text, std::u16string_view name);

// Reads the file and cuts every block into `blocks`. A file that cannot be
// read leaves every block empty, writes one warning line to the log and
// gives false.
bool ReadMainPageBlocks(std::u16string_view file, TMainPageBlocks& blocks);

}  // namespace kestrune
