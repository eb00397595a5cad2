// The pictures the map view ships, and a screenshot of a real map.
//
// With KESTRUNE_WRITE_IMAGES=<folder> the tests also write the drawn icons and
// cursor (for map/view/resources/) and the screenshot (for docs/) there.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <memory>

#include "map/view/draw_and_event_map.h"
#include "platform/gui/res_stream.h"
#include "tests/map/view/map_view_images.h"
#include "tests/map/synthetic_map.h"

namespace kestrune {
namespace {

QString WriteFolder() { return QString::fromLocal8Bit(qgetenv("KESTRUNE_WRITE_IMAGES")); }

QImage ShippedImage(std::string_view name) {
  IResStream stream;
  std::unique_ptr<QBuffer> copy;
  if (!stream.LoadFromResource(name, copy)) return {};
  QImage image;
  image.loadFromData(copy->data());
  return image.convertToFormat(QImage::Format_ARGB32);
}

TEST(MapViewImages, ShippedPicturesAreOurDrawings) {
  struct TCase {
    const char* name;
    QImage drawn;
  };
  const TCase cases[] = {{"ankor_flat", test::DrawAnchorIcon(false)},
                         {"ankor_flat_inv", test::DrawAnchorIcon(true)},
                         {"kestrune_cursor_add_text_01", test::DrawAddTextCursor()}};
  const QString folder = WriteFolder();
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    if (!folder.isEmpty()) {
      ASSERT_TRUE(c.drawn.save(folder + "/" + c.name + ".png"));
    }
    const QImage shipped = ShippedImage(c.name);
    ASSERT_FALSE(shipped.isNull());
    ASSERT_EQ(shipped.size(), c.drawn.size());
    // Anti-aliasing may differ by a step between Qt versions; the shapes not.
    int differing = 0;
    for (int y = 0; y < shipped.height(); ++y) {
      for (int x = 0; x < shipped.width(); ++x) {
        const QRgb a = shipped.pixel(x, y);
        const QRgb b = c.drawn.pixel(x, y);
        if (std::abs(qAlpha(a) - qAlpha(b)) > 8 || std::abs(qGray(a) - qGray(b)) > 8) ++differing;
      }
    }
    EXPECT_LE(differing, 4);
  }
}

TEST(MapViewImages, ScreenshotOfASyntheticMap) {
  TContentMap2 map;
  TDrawAndEventMap view;
  view.resize(900, 560);
  view.SetSkinPath(u"");
  view.SetContentMap(&map);
  map.OnMeasureKeyHook = view.MeasureKeyHook();
  test::BuildSyntheticMap(map, 900, 560, 40, 7);
  // One word hovered, as the mouse leaves it: enlarged, with its anchor.
  TKeys keys = map.Keys();
  for (TKey& key : keys) {
    if (key.Name == u"network") {
      key.Flags |= KF_HOVERED;
      map.MeasureKey(key);
    }
  }
  map.CopyKeysIn(keys);
  view.LoadKeysAndDraw();
  const QImage& frame = view.BackBuffer();
  ASSERT_EQ(frame.size(), QSize(900, 560));
  int visible = 0;
  for (const TKey& key : view.KeyArray()) visible += (key.Flags & KF_HIDDEN) == 0;
  EXPECT_GE(visible, 30);
  const QString folder = WriteFolder();
  if (!folder.isEmpty()) {
    ASSERT_TRUE(frame.save(folder + "/map_view.png"));
  }
}

}  // namespace
}  // namespace kestrune
