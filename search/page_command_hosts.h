// The command hosts of the result page: "http:" links whose host is one of
// these names are commands to the main window, never web addresses. The page
// builder writes its command links from these names, and the window's link
// classifier (app/page_commands.cpp) reads links by them.
//
// So that only the page's own markup can carry a command, no address that
// comes from outside (an engine's result, an advert, a news item, a user's
// document, a project file) may use one of these hosts: AddressHasPageCommandHost tells such an address,
// reading its host as a web browser does before it hands a link over (tabs
// and line breaks dropped, any number of "/" or "\" after "http:", user and
// port dropped, percent escapes decoded, letter case and full-width forms
// folded by IDNA, one final "." dropped).
//
// Plain data and pure functions; thread-safe.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace kestrune {

inline constexpr std::string_view kHostSelectScope = "query";
inline constexpr std::string_view kHostAddToHistory = "kestruneaddtohistory";
inline constexpr std::string_view kHostDeleteFromHistory = "kestrunedeletefromhistory";
inline constexpr std::string_view kHostUpdateHistory = "kestruneupdatehistory";
inline constexpr std::string_view kHostSendLastQuery = "kestrunesendlastquery";
inline constexpr std::string_view kHostLastProject = "kestrunelastproject";
inline constexpr std::string_view kHostContextMenuAnnotation = "contextmenuannotation";
inline constexpr std::string_view kHostContextMenuScope = "contextmenuscope";
inline constexpr std::string_view kHostHelp = "help";

// Every command host, in lower case.
inline constexpr std::array<std::string_view, 9> kPageCommandHosts = {
    kHostSelectScope,   kHostAddToHistory, kHostDeleteFromHistory,     kHostUpdateHistory,   kHostSendLastQuery,
    kHostLastProject,   kHostContextMenuAnnotation, kHostContextMenuScope, kHostHelp};

// "http://" + host + "/": the start of a command link.
std::u16string PageCommandLink(std::string_view host);

// True when the host (as a link holds it, any letter case) is a command host.
bool IsPageCommandHost(std::string_view host);

// True when the address's host, read as a browser reads it, is a command
// host. An address without a host (relative, "mailto:", "javascript:") has
// none.
bool AddressHasPageCommandHost(std::string_view url);

}  // namespace kestrune
