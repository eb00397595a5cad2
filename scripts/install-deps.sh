#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build and the tests need and
# the machine lacks. Safe to run again: it installs only what is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  googletest libgtest-dev libbenchmark-dev
  libicu-dev zlib1g-dev libjpeg-dev
  clang libclang-rt-14-dev
  # the Qt user interface, and the fonts it measures and draws the map with
  qt6-base-dev fonts-dejavu-core
  # sources of the shipped dictionaries (tools/dictionary_builder), Hunspell's
  # own tools and library for their tests and benchmark, and real texts
  hunspell-en-us hunspell-ru hunspell-de-de hunspell-fr hunspell-it
  wordnet-base liblingua-stopwords-perl
  hunspell hunspell-tools libhunspell-dev fortunes-min fortunes-ru
  # English and Russian prose for the text parser's benchmark (GPL manuals)
  developers-reference developers-reference-ru maint-guide maint-guide-ru debian-faq debian-faq-ru
  # web search: HTTP through libcurl, the tests' loopback server, the HTML
  # parsers the benchmarks compare with, the public suffix list
  libcurl4-openssl-dev libcpp-httplib-dev libgumbo-dev libxml2-dev libpsl-dev
  # the browser control, a virtual display for its tests and the program
  # without a screen, and the user's mail program
  qt6-webengine-dev xvfb xauth xdg-utils
  # the end-to-end tests of the main window: a small window manager on the
  # virtual display and the typing and clicking of a person
  openbox xdotool
)

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
