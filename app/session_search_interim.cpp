// Stand-ins for the meta-search run until it lands: they keep the session
// whole without a download.
#include "app/kestrune_session.h"

namespace kestrune {

void TKestruneSession::FeedNetwork(const std::u16string&) {}
void TKestruneSession::HideSiteDocuments(const std::string&) {}
void TKestruneSession::ShowSearchBusy() {}
void TKestruneSession::FinishSearch() {}
void TKestruneSession::MergeResults(const std::u16string&) {}

}  // namespace kestrune
