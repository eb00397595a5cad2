// The interactive skinned controls: the picture button's states and radio
// groups, the track bar, the progress bar, the combo box, and a language
// line reaching a skinned control.
#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSplitterHandle>
#include <memory>
#include <string>

#include "app/lng_file.h"
#include "app/window/lng_widget_target.h"
#include "core/stream.h"
#include "platform/gui/timer_source.h"
#include "tests/ui/skin_test_support.h"
#include "ui/ibitmap_button.h"
#include "ui/ibitmap_track_bar.h"
#include "ui/icombo_box.h"
#include "ui/ilabel.h"
#include "ui/iprogress_bar.h"
#include "ui/isplitter.h"

namespace kestrune {
namespace {

using test::Solid;

void SendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
  QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), button, buttons, Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}

void Move(QWidget* widget, QPoint at, Qt::MouseButtons held = Qt::NoButton) {
  SendMouse(widget, QEvent::MouseMove, at, Qt::NoButton, held);
}
void Press(QWidget* widget, QPoint at) {
  SendMouse(widget, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
}
void Release(QWidget* widget, QPoint at) {
  SendMouse(widget, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
}

// A form with buttons whose four faces are plain colours.
struct TButtonForm {
  test::TSkinFolder folder;
  TSteppedTimerSource clock;
  test::TCursorStandIn cursor;
  QWidget form;

  TButtonForm() {
    folder.Write("n.png", Solid(30, 20, Qt::red));
    folder.Write("o.png", Solid(30, 20, Qt::green));
    folder.Write("p.png", Solid(30, 20, Qt::blue));
    folder.Write("d.png", Solid(30, 20, Qt::gray));
    form.resize(300, 200);
    form.show();
  }

  IBitmapButton* Add(QPoint at, QWidget* parent = nullptr) {
    auto* button = new IBitmapButton(parent != nullptr ? parent : &form, &clock);
    button->SetPicDisableName("d.png");
    button->SetPicOverName("o.png");
    button->SetPicPushName("p.png");
    button->SetPicNormalName("n.png");
    button->move(at);
    button->show();
    return button;
  }

  // The cursor moves inside (with a mouse message) or leaves (without one).
  void Enter(IBitmapButton* button) {
    cursor.at = button->mapToGlobal(QPoint(5, 5));
    Move(button, QPoint(5, 5));
  }
  void Leave() { cursor.at = QPoint(-1000, -1000); }
};

QRgb Shown(const IBitmapButton& button) { return ComposeControl(button).pixel(5, 5); }

QRgb FaceColour(TButtonState state) {
  switch (state) {
    case TButtonState::Hover: return qRgb(0, 255, 0);
    case TButtonState::Pushed: return qRgb(0, 0, 255);
    case TButtonState::Disabled: return QColor(Qt::gray).rgb();
    default: return qRgb(255, 0, 0);
  }
}

TEST(IBitmapButton, StateTable) {
  enum From { kNormal, kHover, kHoverOver, kPushed, kPushedDown, kDisabled, kDisabledDown };
  enum Event { kEnter, kGone, kPress, kRelease, kDownOn, kDownOff, kDisable, kEnable, kWidgetOff, kWidgetOn };
  const char* fromNames[] = {"normal", "hover", "hover+Over", "pushed", "pushed+Down", "disabled", "disabled+Down"};
  const char* eventNames[] = {"enter", "cursor gone", "press", "release", "Down:=T",
                              "Down:=F", "Enable:=F", "Enable:=T", "setEnabled(F)", "setEnabled(T)"};
  using S = TButtonState;
  constexpr S N = S::Normal, H = S::Hover, P = S::Pushed, D = S::Disabled;
  // clang-format off
  const S expected[][10] = {
      //        enter gone press release DownT DownF EnF EnT  widF widT
      /* normal      */ {H, N, P, N, P, N, D, N, D, N},
      /* hover       */ {H, N, P, N, P, N, D, N, D, H},
      /* hover+Over  */ {H, H, P, H, P, H, D, N, D, H},
      /* pushed      */ {P, N, P, N, P, N, D, N, D, P},
      /* pushed+Down */ {P, P, P, P, P, N, D, P, D, P},
      /* disabled    */ {D, D, D, D, D, D, D, N, D, N},
      /* disabled+Down*/{D, D, D, D, D, D, D, P, D, P},
  };
  // clang-format on
  for (int from = kNormal; from <= kDisabledDown; ++from) {
    for (int event = kEnter; event <= kWidgetOn; ++event) {
      SCOPED_TRACE(std::string(fromNames[from]) + " / " + eventNames[event]);
      TButtonForm f;
      IBitmapButton* button = f.Add({20, 20});
      f.Enter(button);  // the hover timer runs, as after any real approach
      switch (from) {
        case kNormal: button->SetOver(false); break;  // hover looks back to normal
        case kHover: break;
        case kHoverOver: button->SetOver(true); break;
        case kPushed: Press(button, {5, 5}); break;
        case kPushedDown: button->SetDown(true); break;
        case kDisabled: button->SetEnable(false); break;
        case kDisabledDown:
          button->SetDown(true);
          button->SetEnable(false);
          break;
      }
      switch (event) {
        case kEnter: f.Enter(button); break;
        case kGone:
          f.Leave();
          f.clock.Advance(100);
          break;
        case kPress: Press(button, {5, 5}); break;
        case kRelease: Release(button, {5, 5}); break;
        case kDownOn: button->SetDown(true); break;
        case kDownOff: button->SetDown(false); break;
        case kDisable: button->SetEnable(false); break;
        case kEnable: button->SetEnable(true); break;
        case kWidgetOff: button->setEnabled(false); break;
        case kWidgetOn: button->setEnabled(true); break;
      }
      const S want = expected[from][event];
      EXPECT_EQ(static_cast<int>(button->ButtonState()), static_cast<int>(want));
      EXPECT_EQ(Shown(*button), FaceColour(want));
      EXPECT_EQ(button->Enable(), want != D);
    }
  }
}

TEST(IBitmapButton, LeavingWithoutAMouseMessage) {
  TButtonForm f;
  IBitmapButton* button = f.Add({20, 20});
  int leaves = 0;
  button->OnMouseLeave = [&](IBitmapButton& sender) {
    EXPECT_EQ(&sender, button);
    ++leaves;
  };
  f.Enter(button);
  EXPECT_EQ(button->ButtonState(), TButtonState::Hover);
  EXPECT_TRUE(button->HoverTimerRunning());
  f.clock.Advance(100);  // still inside
  EXPECT_EQ(button->ButtonState(), TButtonState::Hover);
  // The cursor lies on the right edge: inside.
  f.cursor.at = button->mapToGlobal(QPoint(button->width(), 5));
  f.clock.Advance(100);
  EXPECT_EQ(button->ButtonState(), TButtonState::Hover);
  f.Leave();
  f.clock.Advance(99);
  EXPECT_EQ(button->ButtonState(), TButtonState::Hover);
  f.clock.Advance(1);
  EXPECT_EQ(button->ButtonState(), TButtonState::Normal);
  EXPECT_FALSE(button->HoverTimerRunning());
  f.clock.Advance(1000);
  EXPECT_EQ(leaves, 1);
}

TEST(IBitmapButton, RadioGroups) {
  struct TCase {
    const char* what;
    int32_t group;
    bool groupUnDown;
    std::vector<int> clicks;           // buttons 0 and 1 share the group; 2 is alone in group 7
    std::vector<bool> downAfter;       // of buttons 0, 1, 2
  };
  const TCase cases[] = {
      {"a click presses, the other is released", 1, false, {0, 1}, {false, true, false}},
      {"a second click keeps it down", 1, false, {0, 0}, {true, false, false}},
      {"GroupUnDown: a second click releases", 1, true, {0, 0}, {false, false, false}},
      {"GroupUnDown: the other still releases", 1, true, {0, 1}, {false, true, false}},
      {"group 0 is a group", 0, false, {1}, {false, true, false}},
      {"group -1: no Down changes", -1, false, {0, 1, 0}, {false, false, false}},
      {"alone in its group: no Down changes", 1, false, {2}, {false, false, false}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    TButtonForm f;
    IBitmapButton* buttons[] = {f.Add({0, 0}), f.Add({40, 0}), f.Add({80, 0})};
    QWidget other(&f.form);
    IBitmapButton* elsewhere = f.Add({0, 0}, &other);  // same group, other parent: no member
    buttons[0]->Setgroup(c.group);
    buttons[1]->Setgroup(c.group);
    buttons[2]->Setgroup(7);
    elsewhere->Setgroup(7);
    elsewhere->SetDown(true);
    for (IBitmapButton* b : buttons) b->SetGroupUnDown(c.groupUnDown);
    std::vector<int> order;
    for (int i = 0; i < 3; ++i) {
      buttons[i]->OnClick = [&order, i, &buttons](QObject* sender) {
        EXPECT_EQ(sender, buttons[i]);
        order.push_back(i);
      };
    }
    for (int i : c.clicks) {
      Press(buttons[i], {5, 5});
      Release(buttons[i], {5, 5});
    }
    EXPECT_EQ(order, c.clicks);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(buttons[i]->Down(), c.downAfter[i]) << "button " << i;
    EXPECT_TRUE(elsewhere->Down());
  }
}

// A track 200 wide with a margin of 10 and a thumb 20 wide: the thumb's
// centre travels from 20 to 180.
struct TTrackForm {
  test::TSkinFolder folder;
  TSteppedTimerSource clock;
  QWidget form;
  IBitmapTrackBar* track = new IBitmapTrackBar(&form);
  IBitmapButton* thumb = new IBitmapButton(&form, &clock);
  int changes = 0;

  TTrackForm() {
    folder.Write("track.png", Solid(200, 20, Qt::darkGray));
    folder.Write("thumb.png", Solid(20, 18, Qt::yellow));
    form.resize(400, 100);
    track->SetFileName("track.png");
    track->move(10, 30);
    track->SetOffsetX(10);
    track->SetOffsetY(1);
    thumb->SetPicNormalName("thumb.png");
    track->OnChange = [this](QObject* sender) {
      EXPECT_EQ(sender, track);
      ++changes;
    };
    form.show();
  }
  int ThumbX() const { return thumb->x() - track->x(); }
};

TEST(IBitmapTrackBar, PositionAndThumb) {
  TTrackForm f;
  f.track->SetITrack(f.thumb);
  EXPECT_EQ(f.ThumbX(), 10 + 80);
  EXPECT_EQ(f.thumb->y(), 31);
  EXPECT_EQ(f.changes, 0);
  enum Act { kWrite, kPress, kDrag, kHover, kDragThumb };
  struct TStep {
    const char* what;
    Act act;
    int32_t value;  // written value, or x on the track
    int32_t position;
    int changes;  // OnChange calls so far
    int thumbX;
  };
  // clang-format off
  const TStep steps[] = {
      {"150 stores 100", kWrite, 150, 100, 1, 170},
      {"the same value: nothing", kWrite, 100, 100, 1, 170},
      {"clamped below", kWrite, -5, 0, 2, 10},
      {"press in the middle", kPress, 100, 50, 3, 90},
      {"drag to one past the start", kDrag, 21, 1, 4, 12},
      {"a move without the button", kHover, 150, 1, 4, 12},
      {"drag past the end", kDrag, 400, 100, 5, 170},
      {"press at the first centre", kPress, 20, 0, 6, 10},
      {"drag over the thumb", kDragThumb, 180, 100, 7, 170},
  };
  // clang-format on
  for (const TStep& s : steps) {
    SCOPED_TRACE(s.what);
    switch (s.act) {
      case kWrite: f.track->Setposition(s.value); break;
      case kPress: Press(f.track, {s.value, 5}); break;
      case kDrag: Move(f.track, {s.value, 5}, Qt::LeftButton); break;
      case kHover: Move(f.track, {s.value, 5}); break;
      case kDragThumb: {
        const QPoint onThumb = f.thumb->mapFromGlobal(f.track->mapToGlobal(QPoint(s.value, 5)));
        Move(f.thumb, onThumb, Qt::LeftButton);
        break;
      }
    }
    EXPECT_EQ(f.track->position(), s.position);
    EXPECT_EQ(f.changes, s.changes);
    EXPECT_EQ(f.ThumbX(), s.thumbX);
  }
  // Writing the current value places a thumb that was moved away.
  f.thumb->move(0, 0);
  f.track->Setposition(100);
  EXPECT_EQ(f.ThumbX(), 170);
  EXPECT_EQ(f.changes, 7);
}

TEST(IBitmapTrackBar, ThumbsComeAndGo) {
  TTrackForm f;
  f.track->SetITrack(f.thumb);
  auto* second = new IBitmapButton(&f.form, &f.clock);
  second->SetPicNormalName("thumb.png");
  f.track->SetITrack(second);
  EXPECT_EQ(second->x() - f.track->x(), 90);
  // The old thumb is unbound: dragging it moves nothing.
  Move(f.thumb, {2, 2}, Qt::LeftButton);
  EXPECT_EQ(f.track->position(), 50);
  EXPECT_FALSE(f.thumb->OnMouseMove);
  // An empty range, a track without room: the thumb sits at 0, a press gives Min.
  f.track->SetMin(30);
  f.track->SetMax(30);
  Press(f.track, {150, 5});
  EXPECT_EQ(f.track->position(), 30);
  EXPECT_EQ(second->x() - f.track->x(), 10);
  // The track bar gone, its thumb calls nothing.
  delete f.track;
  f.track = nullptr;
  Move(second, {2, 2}, Qt::LeftButton);
  Release(second, {2, 2});
  EXPECT_FALSE(second->OnMouseMove);
}

TEST(IProgressBar, TexturedFill) {
  struct TCase {
    const char* what;
    int value;
    bool background;
    int filled;  // columns of the texture in the bar's middle row
  };
  const TCase cases[] = {
      {"30 of 100 on 200", 30, true, 60},
      {"full", 100, true, 200},
      {"empty", 0, true, 0},
      {"without background", 30, false, 60},
  };
  test::TSkinFolder folder;
  QImage tile = Solid(8, 10, QColor(0, 200, 0));
  for (int y = 0; y < 10; ++y) {
    for (int x = 4; x < 8; ++x) tile.setPixelColor(x, y, QColor(0, 100, 0));
  }
  folder.Write("fill.png", tile);
  folder.Write("back.png", Solid(204, 14, Qt::blue));
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    QWidget form;
    auto* back = new ibitmap(&form);
    back->SetFileName("back.png");
    auto* bar = new IProgressBar(&form);
    bar->setGeometry(2, 0, 200, 14);
    bar->setRange(0, 100);
    bar->setValue(c.value);
    bar->SetbuttonP("fill.png");
    bar->Setex(-2);
    if (c.background) bar->Setbutton(back);
    QImage drawn(200, 14, QImage::Format_ARGB32);
    drawn.fill(Qt::white);
    bar->render(&drawn, QPoint(), QRegion(), QWidget::DrawChildren);
    int filled = 0;
    for (int x = 0; x < 200; ++x) {
      if (qGreen(drawn.pixel(x, 5)) > 50 && qRed(drawn.pixel(x, 5)) == 0) ++filled;
    }
    EXPECT_EQ(filled, c.filled);
    EXPECT_EQ(bar->FillWidth(), c.filled);
    if (c.filled > 8) {  // the tile repeats from the bar's left
      EXPECT_EQ(qGreen(drawn.pixel(0, 5)), 200);
      EXPECT_EQ(qGreen(drawn.pixel(4, 5)), 100);
      EXPECT_EQ(qGreen(drawn.pixel(8, 5)), 200);
    }
    // The background under the rest of the bar, or nothing of it.
    EXPECT_EQ(drawn.pixel(199, 12) == qRgb(0, 0, 255), c.background);
  }
}

TEST(IComboBox, VisibleCallsOnVisibleWithoutSender) {
  QWidget form;
  auto* box = new IComboBox(&form);
  form.show();
  struct TCase {
    const char* what;
    std::function<void()> act;
    bool visible;
  };
  const TCase cases[] = {
      {"Visible := False", [box] { box->setProperty("Visible", false); }, false},
      {"Visible := True", [box] { box->setProperty("Visible", true); }, true},
      {"hide", [box] { box->hide(); }, false},
      {"setVisible(true)", [box] { box->setVisible(true); }, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<QObject*> senders;
    box->OnVisible = [&](QObject* sender) {
      EXPECT_EQ(box->Visible(), c.visible);  // after the change
      senders.push_back(sender);
    };
    c.act();
    EXPECT_EQ(senders, std::vector<QObject*>{nullptr});
    EXPECT_EQ(box->Visible(), c.visible);
  }
}

TEST(IComboBox, PictureButton) {
  test::TSkinFolder folder;
  folder.Write("frame.png", Solid(218, 26, Qt::red));
  folder.Write("frame_over.png", Solid(218, 26, Qt::green));
  folder.Write("frame_push.png", Solid(218, 26, Qt::blue));
  TSteppedTimerSource clock;
  test::TCursorStandIn cursor;
  QWidget form;
  form.resize(300, 100);
  auto* button = new IBitmapButton(&form, &clock);
  button->SetPicOverName("frame_over.png");
  button->SetPicPushName("frame_push.png");
  button->SetPicNormalName("frame.png");
  button->move(21, 29);
  auto* box = new IComboBox(&form);
  box->addItems({"one", "two"});
  box->setGeometry(30, 30, 200, 24);
  box->Setex(-9);
  box->Setey(-1);
  box->Setbutton(button);
  form.show();
  const auto faceAt = [box](QPoint at) { return box->grab().toImage().pixel(at); };
  const TSkinRect item = box->ItemRect();
  const QPoint frame(1, 12);
  const QPoint text((item.Left + item.Right) / 2, (item.Top + item.Bottom) / 2);
  EXPECT_EQ(faceAt(frame), qRgb(255, 0, 0));
  EXPECT_NE(faceAt(text), qRgb(255, 0, 0));
  // Entering the button sets its Over; leaving clears it.
  cursor.at = button->mapToGlobal(QPoint(3, 3));
  Move(button, {3, 3});
  EXPECT_TRUE(button->Over());
  EXPECT_EQ(faceAt(frame), qRgb(0, 255, 0));
  cursor.at = QPoint(-500, -500);
  clock.Advance(100);
  EXPECT_FALSE(button->Over());
  EXPECT_EQ(button->ButtonState(), TButtonState::Normal);
  // A press on the button opens the list with the button down.
  cursor.at = button->mapToGlobal(QPoint(3, 3));
  Press(button, {3, 3});
  EXPECT_TRUE(box->ListDropped());
  EXPECT_TRUE(button->Down());
  EXPECT_TRUE(button->Over());
  EXPECT_EQ(faceAt(frame), qRgb(0, 0, 255));
  box->hidePopup();
  EXPECT_FALSE(box->ListDropped());
  // Another button unbinds the first; a combo box gone calls nothing.
  auto* other = new IBitmapButton(&form, &clock);
  box->Setbutton(other);
  EXPECT_FALSE(button->OnMouseDown);
  delete box;
  EXPECT_FALSE(other->OnMouseDown);
  Press(other, {1, 1});
}

TEST(ISplitter, BarsStretchTheTexture) {
  test::TSkinFolder folder;
  folder.Write("bar.png", Solid(4, 8, Qt::red));
  struct TCase {
    const char* what;
    const char* file;
    bool textured;
  };
  const TCase cases[] = {{"a texture", "C:\\skins\\BAR.png", true}, {"a missing texture", "none.png", false}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    ISplitter splitter(Qt::Horizontal);
    splitter.addWidget(new QWidget);
    splitter.addWidget(new QWidget);
    splitter.setHandleWidth(6);
    splitter.resize(200, 50);
    splitter.Setfilename(c.file);
    splitter.show();
    const QImage bar = splitter.handle(1)->grab().toImage();
    ASSERT_EQ(bar.size(), QSize(6, 50));
    EXPECT_EQ(bar.pixel(0, 0) == qRgb(255, 0, 0) && bar.pixel(5, 49) == qRgb(255, 0, 0), c.textured);
  }
}

TEST(TLngWidgetTarget, LanguageLinesReachSkinnedControls) {
  QWidget form;
  form.setObjectName("Form");
  auto* button = new IBitmapButton(&form);
  button->setObjectName("ctl");
  auto* label = new ILabel(&form);
  label->setObjectName("ILabel1");
  auto* plain = new QPushButton(&form);
  plain->setObjectName("plain");
  const std::string text =
      "[Language]\nForm.ctl.Caption=Go\nForm.ctl.Hint=\"Start the search\"\nForm.ILabel1.Text=Coverage:\n"
      "Form.plain.Caption=Plain\nForm.Caption=Title\n";
  TLngWidgetTarget target(&form);
  TMemoryStream stream(text.data(), text.size());
  ApplyLngFile(u"", &target, nullptr, nullptr, &stream);
  EXPECT_EQ(button->Caption(), "Go");
  EXPECT_EQ(button->Hint(), "Start the search");
  EXPECT_EQ(button->toolTip(), "Start the search");
  EXPECT_EQ(label->text(), "Coverage:");
  EXPECT_EQ(plain->text(), "Plain");
  EXPECT_EQ(form.windowTitle(), "Title");
}

}  // namespace
}  // namespace kestrune
