#include "app/window_commands.h"

#include "app/custom_history.h"

#include <algorithm>
#include <cmath>

namespace kestrune {

namespace {

bool StartsWith(std::u16string_view text, std::u16string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// A link of the page that is a command of the page, never shown.
bool IsHiddenCommand(std::u16string_view text) {
  constexpr std::u16string_view kCommands[] = {u"http://help/", u"http://kestruneaddtohistory/",
                                              u"http://kestruneupdatehistory/"};
  constexpr std::u16string_view kCommandPrefixes[] = {u"http://kestrunesendlastquery/", u"http://query/",
                                                      u"http://kestrunedeletefromhistory/"};
  for (std::u16string_view command : kCommands) {
    if (text == command) return true;
  }
  for (std::u16string_view prefix : kCommandPrefixes) {
    if (StartsWith(text, prefix)) return true;
  }
  return false;
}

int32_t Round(double value) { return static_cast<int32_t>(std::nearbyint(value)); }

}  // namespace

std::optional<std::u16string> StatusTextFor(std::u16string_view text, bool searchRunning,
                                            const std::array<std::u16string, 5>& recentProjects) {
  const bool web = StartsWith(text, u"http:") || StartsWith(text, u"https:") || StartsWith(text, u"ftp:");
  if (!text.empty() && (searchRunning || !web || IsHiddenCommand(text))) return std::nullopt;
  std::u16string shown(text);
  if (shown.find(u"/kestrune-20/") != std::u16string::npos) {
    constexpr std::u16string_view kPart = u"kestrune-20/";
    for (size_t at = shown.find(kPart); at != std::u16string::npos; at = shown.find(kPart, at)) {
      shown.erase(at, kPart.size());
    }
  }
  if (StartsWith(shown, kLastProjectLink)) {
    // The number: one decimal digit 0..4, as the page writes it.
    const std::u16string_view number = std::u16string_view(shown).substr(kLastProjectLink.size());
    if (number.size() == 1 && number[0] >= u'0' && number[0] < u'0' + 5) {
      const std::u16string& path = recentProjects[static_cast<size_t>(number[0] - u'0')];
      if (!path.empty()) return path;
    }
  }
  return shown;
}

std::optional<TPrintRect> PrintMapRect(int32_t pageWidth, int32_t pageHeight, int32_t mapWidth, int32_t mapHeight) {
  if (pageWidth <= 0 || pageHeight <= 0 || mapWidth <= 0 || mapHeight <= 0) return std::nullopt;
  const double scale = std::min(static_cast<double>(pageHeight) / mapHeight, static_cast<double>(pageWidth) / mapWidth);
  return TPrintRect{Round(mapWidth * scale), Round(mapHeight * scale)};
}

std::optional<int32_t> PanePercentOfSize(int32_t clientWidth, int32_t paneWidth) {
  if (clientWidth <= 0) return std::nullopt;
  return Round(100.0 / clientWidth * paneWidth);
}

std::optional<int32_t> PaneWidthOfPercent(int32_t clientWidth, int32_t percent) {
  if (clientWidth <= 0) return std::nullopt;
  return std::clamp(Round(clientWidth * (percent / 100.0)), 0, clientWidth);
}

std::optional<TPaneWidth> PaneResize(int32_t clientWidth, int32_t mapWidth, int32_t percent) {
  if (clientWidth <= 0) return std::nullopt;
  if (mapWidth >= kMinMapPaneWidth) return TPaneWidth{*PaneWidthOfPercent(clientWidth, percent), percent};
  // A window narrower than the map pane's room leaves the right pane no
  // width, and the tag no negative share.
  return TPaneWidth{std::max(clientWidth - kMapPaneRoom, 0),
                    std::max(Round(100.0 - 100.0 / clientWidth * kMapPaneRoom), 0)};
}

std::u16string HelpPageFile(std::u16string_view programFolder, std::u16string_view languageFolder,
                            const std::function<bool(std::u16string_view path)>& isFile) {
  bool plain = !languageFolder.empty() && languageFolder != u"." && languageFolder != u"..";
  for (const char16_t c : languageFolder) {
    if (c == u'/' || c == u'\\' || c < 0x20 || c == 0x7F) plain = false;
  }
  auto page = [&](std::u16string_view folder) {
    return std::u16string(programFolder) + u"help/" + std::u16string(folder) + u"/help_index.html";
  };
  if (plain) {
    std::u16string local = page(languageFolder);
    if (isFile(local)) return local;
  }
  std::u16string english = page(u"en");
  return isFile(english) ? english : std::u16string();
}

std::string QueryFileBytes(const std::vector<std::u16string>& items) {
  std::string bytes("\xFF\xFE", 2);
  auto put = [&bytes](char16_t c) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  };
  const size_t count = std::min(items.size(), kMaxSavedQueries);
  for (size_t i = 0; i < count; ++i) {
    for (const char16_t c : items[i]) put(c == u'\r' || c == u'\n' ? u' ' : c);
    put(u'\r');
    put(u'\n');
  }
  return bytes;
}

bool IsQueryText(std::u16string_view line) {
  if (line.empty() || line.size() > kMaxQueryLength) return false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char16_t c = line[i];
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) return false;
    if (c >= 0xDC00 && c <= 0xDFFF) return false;  // a low surrogate without its high one
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 == line.size() || line[i + 1] < 0xDC00 || line[i + 1] > 0xDFFF) return false;
      ++i;
    }
  }
  return true;
}

bool ReadQueryFileItems(std::u16string_view fileName, std::vector<std::u16string>& items, int32_t& dropped) {
  items.clear();
  dropped = 0;
  std::vector<std::u16string> lines;
  if (!ReadUnicodeLines(fileName, false, lines)) return false;
  for (std::u16string& line : lines) {
    if (IsQueryText(line)) {
      items.push_back(std::move(line));
    } else {
      ++dropped;
    }
  }
  return true;
}

void TFriendButton::Timer2Timer() {
  visible_ = false;
  shownByHover_ = false;
}

bool TFriendButton::Timer3Timer() {
  if (visible_) return false;
  animating_ = true;
  return true;
}

void TFriendButton::ibitmap14MouseMove() {
  animating_ = false;
  if (visible_) return;
  visible_ = true;
  shownByHover_ = true;
}

bool TFriendButton::MouseMoved(bool overButton, bool overPlate) {
  if (!shownByHover_ || overButton || overPlate) return false;
  visible_ = false;
  shownByHover_ = false;
  return true;
}

}  // namespace kestrune
