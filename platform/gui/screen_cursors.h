// TScreenCursors: the program's cursor table and its global cursor.
//
// Cursors are numbered as the system numbers them: the built-in ones with
// crDefault (0) and the negative numbers below, the program's own with
// positive numbers that the main window registers at its creation (number 6
// is "kestrune_cursor_add_text_01", the cursor shown over empty map space).
//
// The global cursor (SetCursor) overrides every widget's cursor in the whole
// application while it is not crDefault, as the system's screen cursor does;
// setting crDefault gives every widget its own cursor back.
//
// User-interface thread only.
#pragma once

#include <QCursor>
#include <cstdint>
#include <map>
#include <string_view>

namespace kestrune::platform {

inline constexpr int32_t crDefault = 0;
inline constexpr int32_t crNone = -1;
inline constexpr int32_t crArrow = -2;
inline constexpr int32_t crCross = -3;
inline constexpr int32_t crIBeam = -4;
inline constexpr int32_t crSizeNESW = -6;
inline constexpr int32_t crSizeNS = -7;
inline constexpr int32_t crSizeNWSE = -8;
inline constexpr int32_t crSizeWE = -9;
inline constexpr int32_t crUpArrow = -10;
inline constexpr int32_t crHourGlass = -11;
inline constexpr int32_t crDrag = -12;
inline constexpr int32_t crNoDrop = -13;
inline constexpr int32_t crHSplit = -14;
inline constexpr int32_t crVSplit = -15;
inline constexpr int32_t crMultiDrag = -16;
inline constexpr int32_t crSQLWait = -17;
inline constexpr int32_t crNo = -18;
inline constexpr int32_t crAppStart = -19;
inline constexpr int32_t crHelp = -20;
inline constexpr int32_t crHandPoint = -21;
inline constexpr int32_t crSizeAll = -22;

// The program's own cursor over empty map space.
inline constexpr int32_t crAddText = 6;
inline constexpr std::string_view kAddTextCursorResource = "kestrune_cursor_add_text_01";

class TScreenCursors {
 public:
  // The cursor of a number: a registered one, else the built-in one, else the
  // arrow.
  QCursor Cursor(int32_t id) const;
  void RegisterCursor(int32_t id, const QCursor& cursor);
  bool IsRegistered(int32_t id) const { return registered_.count(id) != 0; }

  // The global cursor.
  int32_t GlobalCursor() const { return global_; }
  void SetGlobalCursor(int32_t id);

 private:
  std::map<int32_t, QCursor> registered_;
  int32_t global_ = crDefault;
  bool overriding_ = false;
};

// The one table of the program.
TScreenCursors& ScreenCursors();

// A cursor made from a raw-data resource holding its picture (PNG), with the
// hot spot the program's cursor pictures are drawn for. A missing resource
// gives the arrow.
QCursor LoadResourceCursor(std::string_view name);

}  // namespace kestrune::platform
