// ICustomHistory / IHistory: the list of recently used history files (the
// ".kes" files that hold the settings of an index base, beside which the
// networks are saved) and the current one. The main window (IHistory1) loads
// the list once while it is created, reads CurrentFile whenever it loads the
// dictionaries, and makes a path current with Add.
//
// The list file is "history" in the bases folder: UTF-16 little-endian text
// that begins with the byte-order mark FEFF, one path a line, lines ending at
// CR (the unit after a CR, the LF of CR LF, is dropped) or at LF; empty
// lines are ignored. A file without the mark yields no lines. The control never writes
// the file: changes to the list last for the running session. When the file
// is missing an empty one is made; when that fails, Load does nothing.
//
// OnListChanged is raised whenever the list changes, and MenuItemClick raises
// OnMenu with a path. The main window shows no menu of the list: the session
// binds OnMenu (a path chosen becomes current and its dictionaries load) and
// leaves OnListChanged unset. No Qt here.
// User-interface thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

class ICustomHistory {
 public:
  static constexpr size_t kMaxOlderEntries = 6;  // Add keeps these behind the new entry

  ICustomHistory() = default;
  virtual ~ICustomHistory() = default;
  ICustomHistory(const ICustomHistory&) = delete;
  ICustomHistory& operator=(const ICustomHistory&) = delete;

  // Appends the non-empty lines of basesFolder + "history" to the list (which
  // is not emptied first); an empty list then gets projectFolder +
  // "default.kes". Entry 0 becomes the current file. Both folders end with
  // "/". Always -1.
  int32_t Load(std::u16string_view basesFolder, std::u16string_view projectFolder);
  // Makes the path the current and most recent entry: every entry equal to it
  // in lower case, and every entry from index 6 on, is removed before it is
  // inserted at the top, so the list holds at most 7 entries. Always -1.
  int32_t Add(std::u16string_view path);

  const std::u16string& CurrentFile() const { return currentFile_; }
  // Entry 0 is the most recent.
  const std::vector<std::u16string>& Items() const { return items_; }

  // A menu item's click: raises OnMenu with its path.
  void MenuItemClick(std::u16string_view path);
  // A menu item's caption: the part of the path after its last "/" or "\".
  static std::u16string MenuCaption(std::u16string_view path);

  // IMenuSender: a menu item was chosen.
  std::function<void(std::u16string_view path)> OnMenu;
  // The list changed (Load, Add).
  std::function<void(ICustomHistory& sender)> OnListChanged;

 private:
  void Changed();

  std::vector<std::u16string> items_;
  std::u16string currentFile_;
};

// The component the main window holds.
class IHistory : public ICustomHistory {};

// Reads a UTF-16 little-endian text file into lines: a line ends at CR and
// the unit after the CR is dropped; an LF left in a line ends a line too (a
// file with LF line ends), and empty lines are skipped. With requireMark, a file that does not begin with
// FEFF gives no lines; without it, a leading FEFF is skipped. False when the
// file is missing or cannot be read (lines read before a read error stay).
bool ReadUnicodeLines(std::u16string_view fileName, bool requireMark, std::vector<std::u16string>& lines);

}  // namespace kestrune
