// SiteOfUrl: the site a document's address belongs to, the key by which the
// result page hides all documents of one site.
//
// The host is found as the hidden-sites list has always found it: the first
// "/" or "\" of the URL is marked, a separator right after the mark moves the
// mark onto itself, and the host runs from after the mark to the next
// separator (or to the end; without any separator the whole URL is the host).
// A query or fragment ("?", "#"), a blank or a control character also ends
// the host. From the host, user-info
// ("user:pw@") and the port are dropped and letters are lower-cased. An IP
// address (IPv4, or IPv6 in brackets) is the site as it stands. Otherwise the
// site is the registrable domain of the public suffix list (libpsl):
// "news.bbc.co.uk" gives "bbc.co.uk", "www.example.com" gives "example.com";
// a host that has none (a public suffix itself such as "co.uk") is its own
// site, less a leading "www.". Without any list on the system, the last two
// labels of the host (after "www." went) are the site.
//
// Site keys are compared as exact bytes and live only in memory. Any thread
// may call it.
#pragma once

#include <string>
#include <string_view>

namespace kestrune {

void SiteOfUrl(std::string_view url, std::string& site);

inline std::string SiteOfUrl(std::string_view url) {
  std::string site;
  SiteOfUrl(url, site);
  return site;
}

}  // namespace kestrune
