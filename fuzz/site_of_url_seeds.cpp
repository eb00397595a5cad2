// Seeds for the site keys and the update server's address: result addresses
// of the engines, and the server as the settings may name it.
#include "fuzz/seeds.h"

KESTRUNE_SEEDS(site_of_url) {
  WriteSeed(folder, "www.txt", "http://www.example.com/search?q=word");
  WriteSeed(folder, "suffix.txt", "http://news.bbc.co.uk/story/1.html");
  WriteSeed(folder, "ip_port.txt", "http://192.168.0.1:8080/x");
  WriteSeed(folder, "ipv6.txt", "http://[2001:db8::1]:81/");
  WriteSeed(folder, "user.txt", "https://user:pw@Shop.Example.ORG./a#b");
  WriteSeed(folder, "backslash.txt", "http:\\\\host.example.org\\dir");
  WriteSeed(folder, "server.txt", "127.0.0.1:8080");
  WriteSeed(folder, "no_separator.txt", "localhost");
}
