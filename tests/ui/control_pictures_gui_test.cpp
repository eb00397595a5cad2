// The built pictures of the skinned controls: every name of the list is
// drawn into the program folder's controls/en/ at its size, the tool draws
// the same bytes again, and the controls the forms make from the list load
// every face.
#include <gtest/gtest.h>

#include <QColorSpace>
#include <QImage>
#include <QProcess>
#include <filesystem>
#include <set>

#include "tests/support/temp_dir.h"
#include "ui/control_pictures.h"
#include "ui/ianime.h"
#include "ui/ibitmap_button.h"

namespace kestrune {
namespace {

const std::string kBuilt = KESTRUNE_PROGRAM_DIR "/controls/en/";

TEST(ControlPictures, EveryNameIsBuiltAtItsSize) {
  std::set<std::string> names;
  for (const TControlPicture& picture : kControlPictures) {
    SCOPED_TRACE(picture.Components);
    for (const std::string& file : PictureFiles(picture.Id)) {
      SCOPED_TRACE(file);
      EXPECT_TRUE(names.insert(file).second) << "named twice";
      const QImage image(QString::fromStdString(kBuilt + file));
      ASSERT_FALSE(image.isNull());
      EXPECT_EQ(image.size(), QSize(picture.Width, picture.Height));
      EXPECT_TRUE(image.colorSpace() == QColorSpace(QColorSpace::SRgb));
    }
    // Every face and frame is a picture of its own.
    std::set<size_t> hashes;
    for (const std::string& file : PictureFiles(picture.Id)) {
      const QImage image = QImage(QString::fromStdString(kBuilt + file)).convertToFormat(QImage::Format_ARGB32);
      hashes.insert(qHashBits(image.constBits(), static_cast<size_t>(image.sizeInBytes())));
    }
    EXPECT_EQ(hashes.size(), PictureFiles(picture.Id).size());
  }
  EXPECT_TRUE(names.count("prog2.png") && names.count("prog3.png") && names.count("splash.png"));
  EXPECT_EQ(ControlPicture(TPicture::Splash).Width, 240);
  EXPECT_EQ(ControlPicture(TPicture::Splash).Height, 360);
}

TEST(ControlPictures, TheToolDrawsTheSameBytesAgain) {
  test::TempDir dir;
  QProcess tool;
  tool.start(QString::fromUtf8(KESTRUNE_CONTROL_IMAGES), {QString::fromStdString(dir.Path())});
  ASSERT_TRUE(tool.waitForFinished(60000));
  ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    const std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    EXPECT_EQ(test::ReadFileBytes(entry.path().string()), test::ReadFileBytes(kBuilt + name));
    ++files;
  }
  size_t listed = 0;
  for (const TControlPicture& picture : kControlPictures) listed += PictureFiles(picture.Id).size();
  EXPECT_EQ(files, listed);
}

TEST(ControlPictures, ControlsLoadEveryPictureTheFormsSet) {
  test::ScopedEnv home("KESTRUNE_HOME", KESTRUNE_PROGRAM_DIR);
  for (const TControlPicture& picture : kControlPictures) {
    SCOPED_TRACE(picture.Name);
    switch (picture.Kind) {
      case TPictureKind::Button: {
        IBitmapButton button;
        SetButtonPictures(button, picture.Id);
        EXPECT_EQ(button.size(), QSize(picture.Width, picture.Height));
        for (const ibitmap* holder : {button.DisabledPicture(), button.OverPicture(), button.PushPicture()}) {
          ASSERT_NE(holder, nullptr);
          EXPECT_EQ(holder->Picture().size(), QSize(picture.Width, picture.Height));
        }
        break;
      }
      case TPictureKind::Frames: {
        IAnime anime;
        anime.Setfiles(QString::fromUtf8(picture.Name));
        EXPECT_EQ(anime.FrameCount(), picture.Frames);
        break;
      }
      case TPictureKind::Single: {
        ibitmap control;
        control.SetFileName(QString::fromStdString("C:\\Design\\" + PictureFile(picture.Id)));
        EXPECT_EQ(control.size(), QSize(picture.Width, picture.Height));
        break;
      }
    }
  }
}

}  // namespace
}  // namespace kestrune
