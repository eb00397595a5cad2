// Helpers of the skinned controls' tests: a program folder of the test's own
// with pictures it draws (KESTRUNE_HOME points at it while the helper
// lives), a stand-in for the mouse, the log written into a file of the test.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QWidget>
#include <filesystem>
#include <string>
#include <vector>

#include "core/log_file.h"
#include "platform/gui/cursor_position.h"
#include "tests/support/temp_dir.h"

namespace kestrune::test {

inline QImage Solid(int width, int height, QColor color) {
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(color);
  return image;
}

class TSkinFolder {
 public:
  TSkinFolder() { std::filesystem::create_directories(dir_.Path() + "controls/en"); }

  // Writes a picture into controls/en/.
  void Write(const std::string& name, const QImage& image) const {
    ASSERT_TRUE(image.save(QString::fromStdString(dir_.Path() + "controls/en/" + name), "PNG")) << name;
  }
  std::string Path(const std::string& name) const { return dir_.Path() + "controls/en/" + name; }

 private:
  TempDir dir_;
  ScopedEnv home_{"KESTRUNE_HOME", dir_.Path()};
};

// The mouse, as platform::GetCursorPosition reports it, while this lives.
class TCursorStandIn {
 public:
  TCursorStandIn() {
    previous_ = platform::SetCursorPositionHook([this](platform::TPoint& point) {
      point = {at.x(), at.y()};
      return true;
    });
  }
  ~TCursorStandIn() { platform::SetCursorPositionHook(std::move(previous_)); }

  QPoint at;  // screen co-ordinates

 private:
  platform::TCursorPositionHook previous_;
};

// The program's log written into a file of the test while this lives.
class TLogCapture {
 public:
  TLogCapture() { LogFile.Open(dir_.File("test.log")); }
  ~TLogCapture() { LogFile.Open(std::string_view()); }

  // The lines that contain `text`.
  std::vector<std::string> Lines(const std::string& text) const {
    std::vector<std::string> found;
    const std::string all = ReadFileBytes(dir_.File("test.log"));
    size_t start = 0;
    while (start < all.size()) {
      size_t end = all.find('\n', start);
      if (end == std::string::npos) end = all.size();
      const std::string line = all.substr(start, end - start);
      if (line.find(text) != std::string::npos) found.push_back(line);
      start = end + 1;
    }
    return found;
  }

 private:
  TempDir dir_;
};

}  // namespace kestrune::test
