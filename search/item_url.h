// Result item addresses: making an item's link absolute against the result
// page it was found on, rewriting online-shop links, and the rule by which an
// address is accepted as a result.
//
// A page address is read as scheme "://" host [":" port] [path]; an address
// without "://" counts as "http". The page's base is its scheme, host and a
// port that is not the scheme's default (80, 443, 21); the page's directory
// is the address up to its last "/", "\" or "|" before any "?" or "#", or
// its scheme and authority when it has no such separator after its "//".
//
// A link first loses the ASCII white space at its ends and every tab, CR and
// LF inside (as browsers read an href). Relative forms, resolved by
// ResolveItemUrl:
//   "//host/x"  the page's scheme + ":" + the link ("//" without a host: refused)
//   "/x"        base + the link ("/" alone: the base)
//   "./x"       directory + "/x" ("./" alone: the directory and "/")
//   "../x"      one directory up per leading "../"
//   other       unchanged ("a.html" is then not accepted)
// A link with a scheme of its own other than http, https and ftp
// (javascript:, data:, file:, mailto:, ...) is never accepted.
//
// All functions are pure (AcceptItemUrl asks the file system about a local
// path) and thread-safe.
#pragma once

#include <string>
#include <string_view>

namespace kestrune {

// True when the address begins with "http://", "https://" or "ftp://" (any
// letter case).
bool IsAbsoluteWebUrl(std::string_view url);
// True when the address begins with a scheme of two or more characters and
// ":" that is none of http, https and ftp.
bool HasForeignScheme(std::string_view url);

// "http", "https" or whatever the page address names (lower case).
std::string UrlScheme(std::string_view pageUrl);
// Scheme "://" host, plus ":" port when it is not the scheme's default.
std::string UrlBase(std::string_view pageUrl);
// The directory part of an address (see above); for an address without a
// separator after its "//", its scheme and authority, lower-cased.
std::string UrlDirectory(std::string_view url);

// Strips the ASCII white space (space, tab, LF, FF, CR) at the ends of a link
// and drops every tab, CR and LF inside it.
void CleanItemUrl(std::string& url);

// Cleans a link and resolves it if relative (see above); an absolute one is
// left alone. False when the link has a foreign scheme or is "//" without a
// host.
bool ResolveItemUrl(std::string& url, std::string_view pageUrl);

// The acceptance rule: an absolute web address; or an address that carries
// one further on (a redirect link), which is then made absolute against the
// page directory; or a local path with ":\" that names an existing file.
bool AcceptItemUrl(std::string& url, std::string_view pageUrl);

// A link on the online shop's domain whose product code (10 characters) can
// be found becomes the shop's product link with our associate tag; any other
// address comes back unchanged.
std::string ShopProductUrl(std::string_view url);

}  // namespace kestrune
