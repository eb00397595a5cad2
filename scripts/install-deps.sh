#!/usr/bin/env bash
# Installs, from Debian's packages, whatever a set needs and the machine
# lacks. Safe to run again: it installs only what is missing.
#   scripts/install-deps.sh run     building and running the program
#                                   (what scripts/run.sh installs)
#   scripts/install-deps.sh test    that, and what the tests, the sanitizer
#                                   and fuzz builds and the benchmarks add
#                                   (what scripts/test.sh installs; the default)
set -euo pipefail

set_name="${1:-test}"

# Building and running the program.
run_packages=(
  build-essential cmake ninja-build pkg-config
  libicu-dev zlib1g-dev
  # the Qt user interface and its browser control, and the fonts it measures
  # and draws the map with
  qt6-base-dev qt6-webengine-dev fonts-dejavu-core
  # sources of the shipped dictionaries (tools/dictionary_builder)
  hunspell-en-us hunspell-ru hunspell-de-de hunspell-fr hunspell-it
  wordnet-base liblingua-stopwords-perl
  # web search: HTTP through libcurl, news feeds, the public suffix list
  libcurl4-openssl-dev libxml2-dev libpsl-dev
  # a virtual display for the program without a screen; the user's mail program
  xvfb xauth xdg-utils
)

# What the tests, the sanitizer and fuzz builds and the benchmarks add.
test_packages=(
  googletest libgtest-dev libbenchmark-dev libjpeg-dev
  clang libclang-rt-14-dev
  # Hunspell's own tools and library for the dictionaries' tests and
  # benchmark, and real texts
  hunspell hunspell-tools libhunspell-dev fortunes-min fortunes-ru
  # English and Russian prose for the text parser's benchmark (GPL manuals)
  developers-reference developers-reference-ru maint-guide maint-guide-ru debian-faq debian-faq-ru
  # the tests' loopback HTTP server and the HTML parsers the benchmarks
  # compare with
  libcpp-httplib-dev libgumbo-dev
  # the end-to-end tests of the main window: a small window manager on the
  # virtual display, the typing and clicking of a person, and the windows'
  # properties and places as the display server holds them
  openbox xdotool x11-utils
)

case "$set_name" in
  run) packages=("${run_packages[@]}") ;;
  test) packages=("${run_packages[@]}" "${test_packages[@]}") ;;
  *)
    echo "usage: $0 [run|test]" >&2
    exit 2
    ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
