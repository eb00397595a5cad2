#include "core/message_strings.h"

#include <algorithm>
#include <utility>

namespace kestrune {

TMessageStrings MessageStrings;

namespace {

using TMember = std::u16string TMessageStrings::*;

struct TKeyMember {
  std::string_view key;
  TMember member;
};

#define KESTRUNE_KEY(name) TKeyMember{#name, &TMessageStrings::name}

constexpr std::array<TKeyMember, TMessageStrings::kKeyCount> kMembers = {{
    KESTRUNE_KEY(smHello),
    KESTRUNE_KEY(smMail1),
    KESTRUNE_KEY(smMail2),
    KESTRUNE_KEY(smDownload),
    KESTRUNE_KEY(smMail3),
    KESTRUNE_KEY(smKestrune),
    KESTRUNE_KEY(smTemplate),
    KESTRUNE_KEY(smUnderconstruction),
    KESTRUNE_KEY(smIncorrect),
    KESTRUNE_KEY(smProgramCorrupted),
    KESTRUNE_KEY(smErrorTemp),
    KESTRUNE_KEY(smErrorSave),
    KESTRUNE_KEY(smWarn),
    KESTRUNE_KEY(smNotAvailable),
    KESTRUNE_KEY(smMes),
    KESTRUNE_KEY(smUpdateString),
    KESTRUNE_KEY(smTypeTheName),
    KESTRUNE_KEY(smErrorAnchor),
    KESTRUNE_KEY(smErrorKStim),
    KESTRUNE_KEY(smErrorKInh),
    KESTRUNE_KEY(smErrorBarier),
    KESTRUNE_KEY(smErrorWordToElement),
    KESTRUNE_KEY(smErroriWord),
    KESTRUNE_KEY(smWrongValue),
    KESTRUNE_KEY(smProgramCorrupt),
    KESTRUNE_KEY(smIntegityCheckError),
    KESTRUNE_KEY(smClosed),
    KESTRUNE_KEY(smUpdate),
    KESTRUNE_KEY(smErrorDownloadUpdate),
    KESTRUNE_KEY(smErrorFileUpdate),
    KESTRUNE_KEY(smKestruneAvailable),
    KESTRUNE_KEY(smDownloadKestrune),
    KESTRUNE_KEY(smUpdateNotAllowed),
    KESTRUNE_KEY(smNotExceed),
    KESTRUNE_KEY(smUpdateFound),
    KESTRUNE_KEY(smNoUpdateFileFound),
    KESTRUNE_KEY(smUpdateFileWrongSize),
    KESTRUNE_KEY(smBytes),
    KESTRUNE_KEY(smKBytes),
    KESTRUNE_KEY(smMBytes),
    KESTRUNE_KEY(smVersion),
    KESTRUNE_KEY(smInformation),
    KESTRUNE_KEY(smSize),
    KESTRUNE_KEY(smLanguage),
    KESTRUNE_KEY(smDocumentsFound),
    KESTRUNE_KEY(smSearchVia),
    KESTRUNE_KEY(smReconded),
    KESTRUNE_KEY(smWantResend),
    KESTRUNE_KEY(smMoreEngines),
    KESTRUNE_KEY(UrlForDownloadingMoreEngines),
    KESTRUNE_KEY(UrlForDownloadingMoreDict),
    KESTRUNE_KEY(UrlForDownloadingMoreLang),
    KESTRUNE_KEY(smStopSearch),
    KESTRUNE_KEY(smSearch),
    KESTRUNE_KEY(smEngineUnreachable),
    KESTRUNE_KEY(smEngineTimedOut),
    KESTRUNE_KEY(smEngineHttpError),
    KESTRUNE_KEY(smEngineAnswerCut),
    KESTRUNE_KEY(smSearchStopped),
    KESTRUNE_KEY(smSearchEndedEarly),
    KESTRUNE_KEY(smProxyLoginCancelled),
    KESTRUNE_KEY(smTemplateRefused),
    KESTRUNE_KEY(smTemplateUnreadable),
    KESTRUNE_KEY(smTemplateBadLine),
    KESTRUNE_KEY(smTemplateBadValue),
    KESTRUNE_KEY(smTemplateKeyMissing),
    KESTRUNE_KEY(smProxyLoginRefused),
    KESTRUNE_KEY(smCannotOpenLink),
    KESTRUNE_KEY(smCannotOpenHelp),
    KESTRUNE_KEY(smCannotOpenFile),
    KESTRUNE_KEY(smCannotSendMail),
    KESTRUNE_KEY(smSettingsNotSaved),
    KESTRUNE_KEY(smSettingsDamaged),
    KESTRUNE_KEY(smProjectNotSaved),
    KESTRUNE_KEY(smKestruneVia),
    KESTRUNE_KEY(smExcludedPages),
    KESTRUNE_KEY(smExcludedSites),
    KESTRUNE_KEY(smNextPage),
    KESTRUNE_KEY(smPreviousPage),
    KESTRUNE_KEY(smFoundVia),
    KESTRUNE_KEY(smError),
    KESTRUNE_KEY(smPageTooLarge),
    KESTRUNE_KEY(smSrch),
    KESTRUNE_KEY(smVia),
    KESTRUNE_KEY(smProjectExists),
    KESTRUNE_KEY(smFolderExists),
    KESTRUNE_KEY(smNewsLinks),
    KESTRUNE_KEY(smOldLinks),
    KESTRUNE_KEY(smFavoritesLinks),
    KESTRUNE_KEY(smLoadDictionary),
    KESTRUNE_KEY(smStringLoadDictionary),
    KESTRUNE_KEY(smStringLoadDictionary1),
    KESTRUNE_KEY(smDictionariesNotRead),
    KESTRUNE_KEY(smDictionaryChecksum),
    KESTRUNE_KEY(smDictionaryDamaged),
    KESTRUNE_KEY(smResultScope),
    KESTRUNE_KEY(smResultCurrentQuery),
    KESTRUNE_KEY(smHintScopeAdd),
    KESTRUNE_KEY(smHintScopeRefresh),
    KESTRUNE_KEY(smHintScopeDelete),
    KESTRUNE_KEY(smHintScopeEdit),
    KESTRUNE_KEY(smMesWarningDeleteOldLinks),
    KESTRUNE_KEY(smCapWarningDeleteOldLinks),
    KESTRUNE_KEY(smMesWarningDeleteExcludedLinks),
    KESTRUNE_KEY(smCapWarningDeleteExcludedLinks),
    KESTRUNE_KEY(smMesWarningDeleteExcludedSites),
    KESTRUNE_KEY(smCapWarningDeleteExcludedSites),
    KESTRUNE_KEY(smMesWarningDeleteMetaData),
    KESTRUNE_KEY(smCapWarningDeleteMetaData),
    KESTRUNE_KEY(smErrorLoadProject),
    KESTRUNE_KEY(smStringErrorLoadProject),
    KESTRUNE_KEY(smProjectFileMissing),
    KESTRUNE_KEY(smProjectFileUnreadable),
    KESTRUNE_KEY(smProjectFileDamaged),
    KESTRUNE_KEY(smProjectDamagedOpened),
    KESTRUNE_KEY(smProjectRecordsRead),
    KESTRUNE_KEY(smProjectPartNotRead),
    KESTRUNE_KEY(smProjectPartDictionaries),
    KESTRUNE_KEY(smProjectPartDocuments),
    KESTRUNE_KEY(smProjectPartQuery),
    KESTRUNE_KEY(smProjectPartStopWords),
    KESTRUNE_KEY(smProjectPartSettings),
    KESTRUNE_KEY(smProjectPartOwnWords),
    KESTRUNE_KEY(smProjectPartPhrases),
    KESTRUNE_KEY(smProjectPartMarks),
    KESTRUNE_KEY(smProjectPartSteps),
    KESTRUNE_KEY(smProjectPartScopes),
    KESTRUNE_KEY(smNameHidden),
    KESTRUNE_KEY(smNameBlank),
    KESTRUNE_KEY(smNameInvalid),
    KESTRUNE_KEY(smNameTaken),
    KESTRUNE_KEY(smNameRefused),
    KESTRUNE_KEY(smTheLatestSearchQueries),
    KESTRUNE_KEY(smOpenLatestProjects),
    KESTRUNE_KEY(smNoDictForLng1),
    KESTRUNE_KEY(smNoDictForLng2),
    KESTRUNE_KEY(smNADictForLng1),
    KESTRUNE_KEY(smNADictForLng2),
    KESTRUNE_KEY(smNoSearchEngine),
    KESTRUNE_KEY(smNoSearchEngine2),
    KESTRUNE_KEY(smOpenSaveOptions),
    KESTRUNE_KEY(smOpenSaveImport),
    KESTRUNE_KEY(smOpenSaveNote),
    KESTRUNE_KEY(smOpenSaveOldLinks),
}};

#undef KESTRUNE_KEY

// The keys sorted for lookup, each with its member.
std::array<TKeyMember, TMessageStrings::kKeyCount> SortedMembers() {
  std::array<TKeyMember, TMessageStrings::kKeyCount> sorted = kMembers;
  std::sort(sorted.begin(), sorted.end(), [](const TKeyMember& a, const TKeyMember& b) { return a.key < b.key; });
  return sorted;
}

}  // namespace

std::u16string* TMessageStrings::Find(std::string_view key) {
  static const std::array<TKeyMember, kKeyCount> sorted = SortedMembers();
  const auto it = std::lower_bound(sorted.begin(), sorted.end(), key,
                                   [](const TKeyMember& entry, std::string_view k) { return entry.key < k; });
  if (it == sorted.end() || it->key != key) return nullptr;
  return &(this->*(it->member));
}

const std::array<std::string_view, TMessageStrings::kKeyCount>& TMessageStrings::Keys() {
  static const std::array<std::string_view, kKeyCount> keys = [] {
    std::array<std::string_view, kKeyCount> result;
    for (size_t i = 0; i < kMembers.size(); ++i) result[i] = kMembers[i].key;
    return result;
  }();
  return keys;
}

std::u16string TMessageStrings::UpdateText(std::u16string_view version) const {
  return FillPlaceholders(smUpdateString, {version});
}

std::u16string FillPlaceholders(std::u16string_view text, std::initializer_list<std::u16string_view> values) {
  static constexpr std::u16string_view kPlaceholder = u"%S";
  std::u16string result;
  size_t start = 0;
  size_t index = 0;
  for (size_t found = text.find(kPlaceholder); found != std::u16string_view::npos;
       found = text.find(kPlaceholder, start)) {
    result.append(text.substr(start, found - start));
    if (values.size() > 0) result.append(values.begin()[std::min(index++, values.size() - 1)]);
    start = found + kPlaceholder.size();
  }
  result.append(text.substr(start));
  return result;
}

std::u16string TMessageStrings::FillIn(std::u16string_view text, std::initializer_list<std::u16string_view> values) {
  static constexpr std::u16string_view kPlaceholder = u"%S";
  std::u16string result;
  size_t start = 0;
  for (const std::u16string_view value : values) {
    const size_t found = text.find(kPlaceholder, start);
    if (found == std::u16string_view::npos) break;
    result.append(text.substr(start, found - start)).append(value);
    start = found + kPlaceholder.size();
  }
  return result.append(text.substr(start));
}

}  // namespace kestrune
