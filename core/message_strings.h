// TMessageStrings: every message, caption and page text that the program
// shows outside the forms' own properties, one UTF-16 string per key of the
// interface-language files' [Messages] section, the member named as the key.
//
// Each member starts with its built-in text, which stays in force while no
// language file sets the key. The loader (app/message_loader.h) fills them by
// key through Find; the main window, the result page builder, the update check
// and the network editor read them. The one program-wide instance,
// MessageStrings, is written and read on the user-interface thread only; a
// worker that needs a text gets a copy.
//
// Texts naming the maker's pages build on the maker's root address kMakerSite.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/version_info.h"

namespace kestrune {

namespace message_texts {
inline std::u16string MakerPage(std::u16string_view path) {
  return std::u16string(platform::kMakerSite).append(path);
}
// A mailbox of the maker's domain: `user` + "@" + the host of kMakerSite
// without its "www." ("support" gives "support@kestrune.example").
inline std::u16string MakerMailbox(std::u16string_view user) {
  std::u16string_view host = platform::kMakerSite;
  if (const size_t scheme = host.find(u"://"); scheme != std::u16string_view::npos) host.remove_prefix(scheme + 3);
  host = host.substr(0, host.find(u'/'));
  if (host.starts_with(u"www.")) host.remove_prefix(4);
  return std::u16string(user).append(u"@").append(host);
}
// The search's failure text for a page over the download limit; the search
// thread reports it in English, smPageTooLarge carries it to the window.
inline constexpr std::u16string_view kPageTooLarge = u"The page is too large";
}  // namespace message_texts

struct TMessageStrings {
  // Mail to a friend.
  std::u16string smHello = u"Hello!";
  std::u16string smMail1 =
      u"Check out this new Web search called Kestrune. If you use it, you can search with one click.";
  std::u16string smMail2 = u"If you want to read more, you could go to " + message_texts::MakerPage(u"");
  std::u16string smDownload = u"download it from " + message_texts::MakerPage(u"download/");
  std::u16string smMail3 = u"or learn more about it at " + message_texts::MakerPage(u"kestrunesearch/");
  std::u16string smKestrune = u"Kestrune";
  // Engines, queries and the program's integrity.
  std::u16string smTemplate = u"No template for engine ";
  std::u16string smUnderconstruction = u"underconstruction";
  std::u16string smIncorrect = u"Incorrect query";
  std::u16string smProgramCorrupted = u"program corrupted. Try to reinstall or update program";
  std::u16string smErrorTemp = u"Templates error";
  std::u16string smErrorSave = u"The active project has not been saved. Would you like to save the project as \"";
  std::u16string smWarn = u"Warning! ";
  std::u16string smNotAvailable = u"Update is not available!";
  std::u16string smMes = u"Message";
  // "%S" stands for the new version (see UpdateText).
  std::u16string smUpdateString =
      u"Kestrune is updated by version %S. Click <a href=\"$update_link\">here</a> for update.";
  std::u16string smTypeTheName = u"Please, type the name of the project.";
  // The network editor.
  std::u16string smErrorAnchor = u"The value of Anchor is not a number.";
  std::u16string smErrorKStim = u"The value of KStim is not a number.";
  std::u16string smErrorKInh = u"The value of KInh is not a number.";
  std::u16string smErrorBarier = u"The value of Threshold is not a number.";
  std::u16string smErrorWordToElement = u"The word has no element in the word network.";
  std::u16string smErroriWord = u"The word is not in the dictionary.";
  std::u16string smWrongValue = u"This is a wrong value. You can use figures and a dot as a separator";
  std::u16string smProgramCorrupt = u"program corrupted. Try to reinstall program";
  std::u16string smIntegityCheckError = u"IntegityCheck error";
  // The update check.
  std::u16string smClosed = u"Before you start updating Kestrune, it should be closed.";
  std::u16string smUpdate = u"Request for update";
  std::u16string smErrorDownloadUpdate =
      u"When downloading an updated version, the program encountered an error.";
  std::u16string smErrorFileUpdate = u"The update control system cannot find the appropriate file.";
  std::u16string smKestruneAvailable = u"A new version of Kestrune is available.";
  std::u16string smDownloadKestrune = u"You can download it at " + message_texts::MakerPage(u".");
  std::u16string smUpdateNotAllowed = u"Sorry, update is not available.";
  std::u16string smNotExceed = u"A new Version of Kestrune does not exceed the running version.";
  std::u16string smUpdateFound = u"Update is found:";
  std::u16string smNoUpdateFileFound = u"No update file is found.";
  // An installer of another size than listed: "%S" the size that arrived,
  // then the listed one.
  std::u16string smUpdateFileWrongSize = u"The file that arrived has %S bytes where the update list gives %S.";
  std::u16string smBytes = u"bytes";
  std::u16string smKBytes = u"KBytes";
  std::u16string smMBytes = u"MBytes";
  std::u16string smVersion = u"Version:";
  std::u16string smInformation = u"Information:";
  std::u16string smSize = u"Size:";
  std::u16string smLanguage = u"English";
  // The main window and the result page.
  std::u16string smDocumentsFound = u"Documents found: ";
  std::u16string smSearchVia = u"Search via  ";
  std::u16string smReconded = u"Recomended to excluded:";
  std::u16string smWantResend = u"Do you want to resend the same query to another search engine?";
  std::u16string smMoreEngines = u"More engines";
  std::u16string UrlForDownloadingMoreEngines = message_texts::MakerPage(u"download/");
  std::u16string UrlForDownloadingMoreDict = message_texts::MakerPage(u"download/");
  std::u16string UrlForDownloadingMoreLang = message_texts::MakerPage(u"download/");
  std::u16string smStopSearch = u"Stopping search ...";
  std::u16string smSearch = u"Searching...";
  // How a search's download ended early; "%S" in smEngineHttpError stands for
  // the answer's status.
  std::u16string smEngineUnreachable =
      u"The search engine could not be reached. Check the connection (and the proxy settings) and search again.";
  std::u16string smEngineTimedOut = u"The search engine did not answer in time. Try again later.";
  std::u16string smEngineHttpError = u"The search engine answered with an error (HTTP status %S).";
  std::u16string smEngineAnswerCut = u"The connection to the search engine broke off while a result page was read.";
  std::u16string smSearchStopped = u"The search was stopped.";
  std::u16string smSearchEndedEarly = u"The search ended early: the documents of the result pages read before it are shown.";
  // A search that was not sent, and why; "%S" in smTemplateRefused stands for
  // the template's file, in the others for the line or the key.
  std::u16string smProxyLoginCancelled =
      u"The search was not sent: the proxy server asks for a login, and the login was cancelled.";
  std::u16string smTemplateRefused = u"The search was not sent: the template of this engine, %S, could not be used.";
  std::u16string smTemplateUnreadable = u"Its file cannot be read.";
  std::u16string smTemplateBadLine = u"Its line %S cannot be used.";
  std::u16string smTemplateBadValue = u"The value of its key %S cannot be used.";
  std::u16string smTemplateKeyMissing =
      u"It has no key %S in its [settings] section (a key stands at the start of its line, in a plain-text or UTF-8 "
      u"file).";
  // The connection prompt: the proxy refused the login given last.
  std::u16string smProxyLoginRefused =
      u"The proxy server refused this user name and password. Type them again, or cancel.";
  // What the desktop could not do: open a link or the help, hand over a
  // mail, save the settings.
  std::u16string smCannotOpenLink = u"The link could not be opened (no program for it answered):";
  std::u16string smCannotOpenHelp = u"The help could not be opened (no program for it answered):";
  std::u16string smCannotOpenFile = u"The file could not be opened (no program for it answered):";
  std::u16string smCannotSendMail = u"The mail could not be handed to a mail program (none answered).";
  std::u16string smSettingsNotSaved = u"The settings could not be saved to this file:";
  // The start moved a settings file that is no settings file aside; the copy
  // follows on the next line.
  std::u16string smSettingsDamaged =
      u"The settings file is damaged: it is no settings file of this program. The program starts with its "
      u"default settings and writes a new settings file when it closes. The damaged file is kept as:";
  std::u16string smProjectNotSaved = u"The project could not be saved to this file:";
  std::u16string smKestruneVia = u"Kestrune Search\u2122 via ";
  std::u16string smExcludedPages = u"Links removed: ";
  std::u16string smExcludedSites = u"Sites hidden: ";
  std::u16string smNextPage = u"next";
  std::u16string smPreviousPage = u"previous";
  std::u16string smFoundVia = u"Found via ";
  std::u16string smError = u"Error ";
  std::u16string smPageTooLarge = std::u16string(message_texts::kPageTooLarge);
  std::u16string smSrch = u"Search";
  std::u16string smVia = u"via";
  std::u16string smProjectExists = u"already exists. Do you want to replace it?";
  std::u16string smFolderExists =
      u"already exists. Do you want to replace that folder and everything in it? It goes to the trash.";
  std::u16string smNewsLinks = u"New links: ";
  std::u16string smOldLinks = u"Old links: ";
  std::u16string smFavoritesLinks = u"Favorites links: ";
  // Projects and their dictionaries.
  std::u16string smLoadDictionary = u"Error Load Dictionary";
  std::u16string smStringLoadDictionary = u"Error Load Dictionary";
  std::u16string smStringLoadDictionary1 =
      u"that is required for the project you are attempting to load is not installed on your computer. "
      u"Download the dictionary from " +
      message_texts::MakerPage(u"download/dictionaries.asp") + u", and then open this project.";
  // The dictionaries the start could not read, one a line after the heading:
  // the file's name, " - " and why.
  std::u16string smDictionariesNotRead =
      u"These dictionaries could not be read. They are not used now and stay switched on, so that a repaired "
      u"file is used again at the next start:";
  std::u16string smDictionaryChecksum = u"The file is damaged: its checksum does not match.";
  std::u16string smDictionaryDamaged = u"The file is not a dictionary, or it is damaged.";
  // Scopes on the result page.
  std::u16string smResultScope = u"Scope: ";
  std::u16string smResultCurrentQuery = u"Current query: ";
  std::u16string smHintScopeAdd = u"Add query to scope";
  std::u16string smHintScopeRefresh = u"Replace query";
  std::u16string smHintScopeDelete = u"Delete query from scope";
  std::u16string smHintScopeEdit = u"Edit query";
  // The delete questions: message and caption.
  std::u16string smMesWarningDeleteOldLinks = u"Warning";
  std::u16string smCapWarningDeleteOldLinks = u"Warning data delete";
  std::u16string smMesWarningDeleteExcludedLinks = u"Warning";
  std::u16string smCapWarningDeleteExcludedLinks = u"Warning data delete";
  std::u16string smMesWarningDeleteExcludedSites = u"Warning";
  std::u16string smCapWarningDeleteExcludedSites = u"Warning data delete";
  std::u16string smMesWarningDeleteMetaData = u"Warning";
  std::u16string smCapWarningDeleteMetaData = u"Warning data delete";
  std::u16string smErrorLoadProject = u"Error Load Project";
  std::u16string smStringErrorLoadProject = u"Error Load Project";
  // Why a project did not open, shown under its path.
  std::u16string smProjectFileMissing = u"The file does not exist: it was moved or deleted.";
  std::u16string smProjectFileUnreadable = u"The file cannot be read.";
  std::u16string smProjectFileDamaged = u"The file is not a project, or it is damaged.";
  // A damaged project opened: the heading, then a line per part it lost
  // ("%S" stands, in order, for the records read, those the part held and
  // the part's name).
  std::u16string smProjectDamagedOpened = u"The project file is damaged: what could be read of it is open. Save asks for a new name, so the file is not written over.";
  std::u16string smProjectRecordsRead = u"damaged: %S of %S %S read";
  std::u16string smProjectPartNotRead = u"damaged: %S not read";
  std::u16string smProjectPartDictionaries = u"dictionaries";
  std::u16string smProjectPartDocuments = u"documents";
  std::u16string smProjectPartQuery = u"query";
  std::u16string smProjectPartStopWords = u"stop words";
  std::u16string smProjectPartSettings = u"search settings";
  std::u16string smProjectPartOwnWords = u"own words";
  std::u16string smProjectPartPhrases = u"phrases";
  std::u16string smProjectPartMarks = u"removed links and hidden sites";
  std::u16string smProjectPartSteps = u"search steps";
  std::u16string smProjectPartScopes = u"scopes";
  // Why a project's (or folder's) new name is refused.
  std::u16string smNameHidden = u"A name beginning with a dot would hide it: the project lists do not show such names. Choose another name.";
  std::u16string smNameBlank = u"A name cannot be empty or blanks only. Choose another name.";
  std::u16string smNameInvalid = u"A name cannot hold \"/\", nor be \".\" or \"..\". Choose another name.";
  std::u16string smNameTaken = u"An item of that name exists already, and nothing is replaced. Choose another name.";
  std::u16string smNameRefused = u"The file system refused the new name.";
  // The start page and the dictionary offer.
  std::u16string smTheLatestSearchQueries = u"Resend a search query:";
  std::u16string smOpenLatestProjects = u"Open a project:";
  std::u16string smNoDictForLng1 =
      u"The dictionary corresponding to the selected interface language is not available. "
      u"Do you want to download the ";
  std::u16string smNoDictForLng2 = u" dictionary from our web site?";
  std::u16string smNADictForLng1 =
      u"The dictionary corresponding to the selected interface language is not active. "
      u"Do you want to activate the ";
  std::u16string smNADictForLng2 = u" dictionary?";
  std::u16string smNoSearchEngine = u" ";
  std::u16string smNoSearchEngine2 = u" ";
  // The project open and save dialogs.
  std::u16string smOpenSaveOptions = u"Options";
  std::u16string smOpenSaveImport = u"Download from site";
  std::u16string smOpenSaveNote = u"Note";
  std::u16string smOpenSaveOldLinks = u"Don't save old links";

  static constexpr int32_t kKeyCount = 144;

  // The member of a key (exact case), or null for a key that is not one.
  std::u16string* Find(std::string_view key);
  // Every key, in the order of the members.
  static const std::array<std::string_view, kKeyCount>& Keys();

  // smUpdateString with every "%S" replaced by the version, as plain text:
  // a language file's text is never used as a format.
  std::u16string UpdateText(std::u16string_view version) const;
  // `text` with its "%S" replaced, in order, by `values` (one left over
  // stays as it is), as plain text.
  static std::u16string FillIn(std::u16string_view text, std::initializer_list<std::u16string_view> values);
};

// `text` with its "%S" placeholders filled in order from `values`, as plain
// text; the last value fills every further one (so one value fills them all).
std::u16string FillPlaceholders(std::u16string_view text, std::initializer_list<std::u16string_view> values);

// One string per key and nothing else: a member added without its key (or the
// other way round) fails here.
static_assert(sizeof(TMessageStrings) == TMessageStrings::kKeyCount * sizeof(std::u16string));

// The program-wide strings.
extern TMessageStrings MessageStrings;

}  // namespace kestrune
