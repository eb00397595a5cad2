// The arithmetic and the text rules of the main window's commands outside a
// search, without widgets: what the status label shows for a hovered link,
// where the printed map goes on its page, the widths of the two panes, the
// local help page, the query box's list as "query.dat" holds it, and the
// "Tell a friend" button beside its animation. The session
// (session_commands.cpp) and the window use them; tests drive them directly.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

// ---- the status label ----
// The link the page's recent-project entries carry, followed by the
// project's number in the recent list.
inline constexpr std::u16string_view kLastProjectLink = u"http://kestrunelastproject/";

// What Label1 shows for the text the browser reports for a hovered link;
// nothing (the label keeps its text) for a text that is hidden. Shown: an
// empty text; when no search runs, an address beginning "http:", "https:" or
// "ftp:" that is none of the page's commands (help, add to history, update
// history, resend a query, a query link, delete from history). Every
// "kestrune-20/" goes from a text holding "/kestrune-20/". A recent-project
// link shows that project's path when its number is 0 to 4 and the entry is
// not empty; any other number shows the text as filtered.
std::optional<std::u16string> StatusTextFor(std::u16string_view text, bool searchRunning,
                                            const std::array<std::u16string, 5>& recentProjects);

// ---- the printed map ----
struct TPrintRect {
  int32_t Width = 0;
  int32_t Height = 0;
  friend bool operator==(const TPrintRect&, const TPrintRect&) = default;
};
// The map stretched onto a page from its top left corner, as large as fits
// with its proportions kept: scale = the smaller of page height / map height
// and page width / map width, each side rounded (halves to even). Nothing
// when any size is zero or negative (an empty map prints nothing).
std::optional<TPrintRect> PrintMapRect(int32_t pageWidth, int32_t pageHeight, int32_t mapWidth, int32_t mapHeight);

// ---- the two panes ----
// The right pane (the result page, Panel3) keeps its width as a percentage
// of the window's client width (Panel14), remembered in the splitter's tag.
inline constexpr int32_t kMinMapPaneWidth = 432;   // below it the map pane is given back room
inline constexpr int32_t kMapPaneRoom = 460;       // the map pane's width then
inline constexpr int32_t kDefaultPanePercent = 50;
struct TPaneWidth {
  int32_t Width = 0;    // the right pane's width
  int32_t Percent = 0;  // the tag
  friend bool operator==(const TPaneWidth&, const TPaneWidth&) = default;
};
// The splitter was moved to give the right pane `paneWidth`: the new tag,
// round(100 / width x paneWidth); nothing when the width is zero or less.
std::optional<int32_t> PanePercentOfSize(int32_t clientWidth, int32_t paneWidth);
// The right pane's width for a tag (the window was resized): the tag's share
// of the client width; nothing when the width is zero or less.
std::optional<int32_t> PaneWidthOfPercent(int32_t clientWidth, int32_t percent);
// The right pane resizes while the map pane is `mapWidth` wide: at least
// kMinMapPaneWidth keeps the tag's share; below it the map pane gets
// kMapPaneRoom and the tag follows. Nothing when the client width is zero or
// less; neither the width nor the tag goes below 0.
std::optional<TPaneWidth> PaneResize(int32_t clientWidth, int32_t mapWidth, int32_t percent);

// ---- the help page ----
// The local help page: <program folder>help/<language folder>/help_index.html
// when that file exists, else the English one; empty when neither exists. A
// language folder that is not one plain folder name (empty, ".", "..",
// holding "/", "\" or a control character) reads as "en".
std::u16string HelpPageFile(std::u16string_view programFolder, std::u16string_view languageFolder,
                            const std::function<bool(std::u16string_view path)>& isFile);

// ---- the query box's list ----
// "query.dat" keeps at most this many items.
inline constexpr size_t kMaxSavedQueries = 19;
// The longest text the query box takes (its line edit's limit).
inline constexpr size_t kMaxQueryLength = 32767;
// A line of "query.dat" that the query box's list takes: not empty, at most
// kMaxQueryLength units, no control character (U+0000 to U+001F, U+007F to
// U+009F) and no unpaired surrogate.
bool IsQueryText(std::u16string_view line);
// The query box's list from "query.dat" (UTF-16, one query a line, as
// QueryFileBytes writes it): the lines that are query texts, in order; the
// number of the others in `dropped`. False, with no items, when the file is
// missing or cannot be read.
bool ReadQueryFileItems(std::u16string_view fileName, std::vector<std::u16string>& items, int32_t& dropped);
// The list as the file holds it: the byte-order mark, then the items
// (most recent first, at most kMaxSavedQueries) in UTF-16 little endian,
// each ended by CR LF. A line break inside an item becomes a blank, so the
// item reads back as one line.
std::string QueryFileBytes(const std::vector<std::u16string>& items);

// ---- the "Tell a friend" button and its animation ----
// sfrend shows at the start; Timer2 (10 s after the first show) hides it.
// Timer3 (every 15 s) plays the animation IAnime1 again while the button is
// hidden. The mouse over the animation's plate (ibitmap14) stops the
// animation and shows the button, marked as shown by the hover; such a
// button hides again once the mouse is over neither it nor the plate.
class TFriendButton {
 public:
  bool Visible() const { return visible_; }
  bool ShownByHover() const { return shownByHover_; }
  bool Animating() const { return animating_; }
  // The animation was started or stopped by the window itself.
  void SetAnimating(bool animating) { animating_ = animating; }

  // Timer2: the button hides; the timer is not needed again.
  void Timer2Timer();
  // Timer3: the animation restarts while the button is hidden; true when it
  // does.
  bool Timer3Timer();
  // The mouse moved over the animation's plate.
  void ibitmap14MouseMove();
  // The mouse moved anywhere in the program; true when the button hid.
  bool MouseMoved(bool overButton, bool overPlate);

 private:
  bool visible_ = true;
  bool shownByHover_ = false;
  bool animating_ = false;
};

}  // namespace kestrune
