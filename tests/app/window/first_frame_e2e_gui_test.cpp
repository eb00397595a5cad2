// The first frames of the start as the display server shows them: the splash
// form and the main window come on the screen in their background colour,
// never in the black of what lay under them, and while the main window is
// made (the dictionaries load) the screen shows the splash form as it draws
// itself, with a window manager too.
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QColor>
#include <QEvent>
#include <QImage>
#include <QPixmap>
#include <QWindow>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/window/kestrune_main.h"
#include "tests/app/window/program_copy.h"
#include "tests/app/window/window_driver.h"
#include "ui/splash_form.h"

namespace kestrune {
namespace {

using test::TPerson;

template <class T>
using TReply = std::unique_ptr<T, decltype(&std::free)>;
template <class T>
TReply<T> Reply(T* reply) {
  return TReply<T>(reply, &std::free);
}

// An eye on the display server of its own: the moment a top-level window is
// mapped (itself, or a window manager's frame holding it), it takes the
// screen's picture of that window and of every window inside it, with the
// server grabbed, so that nothing is drawn between the map and the picture.
class TMapWatcher {
 public:
  TMapWatcher() : connection_(xcb_connect(nullptr, nullptr)) {
    screen_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection_, screen_->root, XCB_CW_EVENT_MASK, &mask);
    wake_ = xcb_generate_id(connection_);
    xcb_create_window(connection_, 0, wake_, screen_->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    // Once the selection is in place: no map from now on is missed.
    Reply(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    thread_ = std::thread([this] { Watch(); });
  }
  ~TMapWatcher() {
    xcb_client_message_event_t wake = {};
    wake.response_type = XCB_CLIENT_MESSAGE;
    wake.format = 32;
    wake.window = wake_;
    xcb_send_event(connection_, 0, wake_, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&wake));
    xcb_flush(connection_);
    thread_.join();
    xcb_disconnect(connection_);
  }

  // The first picture of `window` on the screen, waited for; none after 20 s.
  std::optional<QImage> FirstFrame(xcb_window_t window) {
    std::unique_lock lock(mutex_);
    if (!taken_.wait_for(lock, std::chrono::seconds(20), [&] { return frames_.count(window) > 0; })) return {};
    return frames_.at(window);
  }
  // The screen's picture of `window` now.
  QImage Now(xcb_window_t window) { return Picture(ScreenRect(window)); }

 private:
  void Watch() {
    while (xcb_generic_event_t* event = xcb_wait_for_event(connection_)) {
      const uint8_t type = event->response_type & 0x7F;
      const auto* map = reinterpret_cast<const xcb_map_notify_event_t*>(event);
      // Messages to the root window (a window manager's) come here too.
      const bool stop =
          type == XCB_CLIENT_MESSAGE && reinterpret_cast<const xcb_client_message_event_t*>(event)->window == wake_;
      if (type == XCB_MAP_NOTIFY && map->event == screen_->root && !map->override_redirect) Take(map->window);
      std::free(event);
      if (stop) break;
    }
  }
  void Take(xcb_window_t top) {
    xcb_grab_server(connection_);
    std::vector<xcb_window_t> windows{top};
    for (size_t i = 0; i < windows.size(); ++i) {
      if (auto tree = Reply(xcb_query_tree_reply(connection_, xcb_query_tree(connection_, windows[i]), nullptr))) {
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        windows.insert(windows.end(), children, children + xcb_query_tree_children_length(tree.get()));
      }
    }
    const QRect area = ScreenRect(top);
    const QImage picture = Picture(area);
    std::map<xcb_window_t, QImage> taken;
    for (xcb_window_t window : windows) taken[window] = picture.copy(ScreenRect(window).translated(-area.topLeft()));
    xcb_ungrab_server(connection_);
    xcb_flush(connection_);
    {
      std::lock_guard lock(mutex_);
      frames_.insert(taken.begin(), taken.end());  // a window's first picture stays
    }
    taken_.notify_all();
  }
  QRect ScreenRect(xcb_window_t window) {
    auto geometry = Reply(xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, window), nullptr));
    auto at = Reply(xcb_translate_coordinates_reply(
        connection_, xcb_translate_coordinates(connection_, window, screen_->root, 0, 0), nullptr));
    if (!geometry || !at) return {};
    return QRect(at->dst_x, at->dst_y, geometry->width, geometry->height);
  }
  // The screen's pixels in `area` (the part on the screen).
  QImage Picture(const QRect& area) {
    const QRect on = area.intersected(QRect(0, 0, screen_->width_in_pixels, screen_->height_in_pixels));
    if (on.isEmpty()) return {};
    auto image = Reply(xcb_get_image_reply(
        connection_,
        xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, screen_->root, static_cast<int16_t>(on.x()),
                      static_cast<int16_t>(on.y()), static_cast<uint16_t>(on.width()),
                      static_cast<uint16_t>(on.height()), ~0u),
        nullptr));
    if (!image || xcb_get_image_data_length(image.get()) != on.width() * on.height() * 4) return {};
    return QImage(xcb_get_image_data(image.get()), on.width(), on.height(), on.width() * 4, QImage::Format_RGB32)
        .copy();
  }

  xcb_connection_t* connection_;
  xcb_screen_t* screen_ = nullptr;
  xcb_window_t wake_ = 0;
  std::mutex mutex_;
  std::condition_variable taken_;
  std::map<xcb_window_t, QImage> frames_;
  std::thread thread_;
};

// The pixels of `picture` that are not `colour`; all of them when there is
// no picture.
int PixelsNot(const std::optional<QImage>& picture, QColor colour) {
  if (!picture || picture->isNull()) return -1;
  int differ = 0;
  for (int y = 0; y < picture->height(); ++y) {
    for (int x = 0; x < picture->width(); ++x) differ += (picture->pixel(x, y) & 0xFFFFFF) != (colour.rgb() & 0xFFFFFF);
  }
  return differ;
}

// On the user-interface thread, as the start goes: each form's first expose
// (the form paints in answer to it) is held until the eye has its first
// picture; the first event of the main window while it is made is held until
// the eye has the splash form's picture of that moment.
class TStartWatch : public QObject {
 public:
  explicit TStartWatch(TMapWatcher& eye) : eye_(eye) { qApp->installEventFilter(this); }
  ~TStartWatch() override { qApp->removeEventFilter(this); }

  struct TFirst {
    std::optional<QImage> frame;  // on the screen, the moment it was mapped
    QColor background;            // the form's background colour
  };
  std::map<std::string, TFirst> first;  // by form: "splash", "main"
  std::optional<QImage> splashOnScreen, splashDrawn;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Expose) {
      if (Form1 && watched == Form1->windowHandle()) Hold("splash", *Form1);
      if (FKestruneMain && watched == FKestruneMain->windowHandle()) Hold("main", *FKestruneMain);
    }
    if (FKestruneMain && Form1 && !splashOnScreen) {
      splashOnScreen = eye_.Now(static_cast<xcb_window_t>(Form1->winId()));
      splashDrawn = Form1->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    return false;
  }

 private:
  void Hold(const char* name, QWidget& form) {
    if (first.count(name) || !form.windowHandle()->isExposed()) return;
    first[name] = {eye_.FirstFrame(static_cast<xcb_window_t>(form.winId())),
                   form.palette().color(form.backgroundRole())};
  }

  TMapWatcher& eye_;
};

class FirstFrames : public ::testing::TestWithParam<test::TDisplay> {};

TEST_P(FirstFrames, TheFormsComeInTheirBackgroundAndTheSplashIsDrawn) {
  test::LoopbackHttpServer server;
  test::TCopiedProgram copied(server.Url(""));
  TMapWatcher eye;
  TStartWatch start(eye);
  const int status = TPerson::Run([&](TPerson& person, TFKestruneMain&) {
    ASSERT_EQ(person.WindowManagerRunning(), GetParam().windowManager);
  });
  EXPECT_EQ(status, 0);
  for (const char* form : {"splash", "main"}) {
    SCOPED_TRACE(form);
    if (start.first.count(form) == 0) {
      ADD_FAILURE() << "not on the screen while it was shown";
      continue;
    }
    const TStartWatch::TFirst& first = start.first.at(form);
    EXPECT_EQ(PixelsNot(first.frame, first.background), 0) << "of " << (first.frame ? first.frame->width() : 0) << "x"
                                                           << (first.frame ? first.frame->height() : 0);
  }
  ASSERT_TRUE(start.splashOnScreen && start.splashDrawn);
  EXPECT_EQ(start.splashOnScreen->size(), start.splashDrawn->size());
  EXPECT_TRUE(*start.splashOnScreen == *start.splashDrawn) << "the splash form is not on the screen as it draws itself";
}

INSTANTIATE_TEST_SUITE_P(WithAWindowManager, FirstFrames, ::testing::Values(test::kWithOpenbox), test::DisplayName);
INSTANTIATE_TEST_SUITE_P(WithoutAWindowManager, FirstFrames, ::testing::Values(test::kBareServer), test::DisplayName);

}  // namespace
}  // namespace kestrune
