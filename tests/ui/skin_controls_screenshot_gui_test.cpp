// A picture of every skinned control and state, made of the built pictures:
// the tool bar's buttons with their captions, each face of the buttons, the
// query box over its plate, the engine box, the track bars, the splitter,
// the progress bar, the animation's frames, captions with and without glow,
// labels, the splash and the about picture.
//
// With KESTRUNE_WRITE_IMAGES=<folder> the test writes skin_controls.png
// there (for docs/).
#include <gtest/gtest.h>

#include <QImage>
#include <QVBoxLayout>

#include "tests/support/temp_dir.h"
#include "ui/ianime.h"
#include "ui/ibitmap_button.h"
#include "ui/ibitmap_track_bar.h"
#include "ui/icombo_box.h"
#include "ui/ilabel.h"
#include "ui/ipanel.h"
#include "ui/iprogress_bar.h"
#include "ui/isplitter.h"

namespace kestrune {
namespace {

QString File(TPicture picture, TButtonFace face = TButtonFace::Normal) {
  return QString::fromStdString(PictureFile(picture, face));
}

void SetTextColour(QWidget* widget, QColor colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, colour);
  widget->setPalette(palette);
}

struct TGallery {
  ipanel form;
  TSteppedTimerSource clock;

  TGallery() {
    form.resize(1300, 700);
    form.SetBevelOuter(BevelNone);
    QPalette palette = form.palette();
    palette.setColor(QPalette::Window, QColor(0xE9, 0xEE, 0xF4));
    form.setPalette(palette);
    form.setFont(QFont("Tahoma", 12));
  }

  IBitmapButton* Button(TPicture picture, QPoint at, const QString& caption = {}) {
    auto* button = new IBitmapButton(&form, &clock);
    SetButtonPictures(*button, picture);
    button->move(at);
    if (!caption.isEmpty()) {
      const TControlPicture& entry = ControlPicture(picture);
      button->SetCaption(caption);
      button->SetStringAlign(StringAlignmentNear);
      button->SetOffsetTextX(entry.Height - 2);
      SetTextColour(button, Qt::white);
      button->SetGlow(true);
      button->SetGlowColor(QColor(0x1E, 0x2B, 0x3A));
    }
    return button;
  }

  ibitmap* Picture(const QString& file, QPoint at) {
    auto* control = new ibitmap(&form);
    control->SetFileName(file);
    control->move(at);
    return control;
  }

  ILabel* Label(const QString& text, QPoint at, bool smooth = true) {
    auto* label = new ILabel(&form);
    label->setFont(QFont("Tahoma", 13));
    label->Setsmooth(smooth);
    label->SetAutoSize(true);
    label->Settext(text);
    label->move(at);
    return label;
  }
};

TEST(SkinControls, ScreenshotOfEveryControlAndState) {
  test::ScopedEnv home("KESTRUNE_HOME", KESTRUNE_PROGRAM_DIR);
  TGallery g;
  // The tool bar on its stretched plate.
  auto* plate = new ibitmap(&g.form);
  plate->resize(1300, 40);
  plate->SetStretch(true);
  plate->SetFileName(File(TPicture::ToolbarPlate));
  const std::pair<TPicture, const char*> tools[] = {
      {TPicture::NewQuery, "New query"}, {TPicture::OpenProject, "Open"},   {TPicture::SaveProject, "Save"},
      {TPicture::Undo, "Undo"},          {TPicture::Redo, "Redo"},          {TPicture::Refresh, "Refresh"},
      {TPicture::FullRefresh, "Full refresh"}, {TPicture::Stop, "Stop"},    {TPicture::Options, "Options"},
      {TPicture::Help, "Help"},          {TPicture::TellFriend, "Tell a friend"}};
  int x = 6;
  for (const auto& [picture, caption] : tools) {
    g.Button(picture, {x, 5}, QString::fromUtf8(caption));
    x += ControlPicture(picture).Width + 2;
  }
  for (TPicture picture : {TPicture::ProjectManager, TPicture::PrintPage, TPicture::PrintMap, TPicture::MailMap,
                           TPicture::MailPage}) {
    g.Button(picture, {x, 5});
    x += 32;
  }
  g.Picture(File(TPicture::Logo), {1300 - 134, 2});

  // Every face: normal, hover, pushed, disabled.
  g.Label("normal / hover / pushed / disabled", {10, 52});
  const TPicture faced[] = {TPicture::QueryView, TPicture::ExcludedView, TPicture::Search, TPicture::Search2,
                            TPicture::ShowRemovedLinks, TPicture::ShowFavorites, TPicture::Thumb,
                            TPicture::EngineCombo};
  int y = 78;
  for (TPicture picture : faced) {
    const TControlPicture& entry = ControlPicture(picture);
    const int perRow = 4 * (entry.Width + 10) <= 540 ? 4 : 2;
    for (int face = 0; face < 4; ++face) {
      const int row = face / perRow;
      IBitmapButton* button =
          g.Button(picture, {10 + (face % perRow) * (entry.Width + 10), y + row * (entry.Height + 6)});
      if (face == 1) button->SetOver(true);
      if (face == 2) button->SetDown(true);
      if (face == 3) button->SetEnable(false);
    }
    y += (4 / perRow) * (entry.Height + 6);
  }
  // The view buttons: pictures (their names are their hints).
  const TPicture views[] = {TPicture::ShowRemovedLinks, TPicture::ShowHiddenSites, TPicture::ShowNewLinks,
                            TPicture::ShowOldLinks,     TPicture::ShowFavorites,   TPicture::ShowStopWords};
  y += 6;
  for (size_t i = 0; i < std::size(views); ++i) g.Button(views[i], {10 + static_cast<int>(i) * 34, y});

  // The query box over its plate, the engine box.
  g.Picture(File(TPicture::QueryPlate), {560, 60});
  auto* frame = g.Button(TPicture::QueryCombo, {571, 70});
  auto* query = new IComboBox(&g.form);
  query->setEditable(true);
  query->setEditText("kestrel hunting");
  query->setGeometry(580, 71, 300, 26);
  query->Setex(-9);
  query->Setey(-1);
  query->Setbutton(frame);
  g.Button(TPicture::Search, {930, 69}, "Search");
  auto* engineFrame = g.Button(TPicture::EngineCombo, {571, 126});
  auto* engines = new IComboBox(&g.form);
  engines->addItems({"DuckDuckGo", "Mojeek", "Wikipedia"});
  engines->setGeometry(580, 127, 160, 24);
  engines->Setex(-9);
  engines->Setey(-1);
  engines->Setbutton(engineFrame);
  engineFrame->SetOver(true);

  // Track bars and their thumbs.
  const std::pair<TPicture, int> tracks[] = {{TPicture::TrackWords, 60}, {TPicture::TrackMatch, 100},
                                             {TPicture::TrackWeight, 25}};
  x = 560;
  for (const auto& [picture, position] : tracks) {
    auto* track = new IBitmapTrackBar(&g.form);
    track->SetFileName(File(picture));
    track->move(x, 180);
    track->SetOffsetX(4);
    track->SetOffsetY(2);
    auto* thumb = g.Button(TPicture::Thumb, {0, 0});
    track->SetITrack(thumb);
    track->Setposition(position);
    x += ControlPicture(picture).Width + 16;
  }
  // The progress bar over its background at 60 %.
  auto* back = g.Picture(File(TPicture::ProgressBack), {560, 220});
  auto* progress = new IProgressBar(&g.form);
  progress->setGeometry(562, 222, 200, 10);
  progress->setRange(0, 100);
  progress->setValue(60);
  progress->SetbuttonP(File(TPicture::ProgressFill));
  progress->Setbutton(back);
  progress->Setex(-2);
  progress->Setey(-2);
  // The splitter's texture between two panes.
  auto* splitter = new ISplitter(Qt::Horizontal, &g.form);
  splitter->setGeometry(790, 214, 150, 40);
  splitter->addWidget(new QWidget);
  splitter->addWidget(new QWidget);
  splitter->setHandleWidth(8);
  splitter->Setfilename(File(TPicture::Splitter));
  // The animation's frames, and the plate behind the first.
  g.Picture(File(TPicture::AnimePlate), {556, 266});
  for (int i = 0; i < ControlPicture(TPicture::FriendAnime).Frames; ++i) {
    g.Picture(QString::fromStdString(FrameFile(TPicture::FriendAnime, i)), {560 + i * 36, 270});
  }
  // Captions: plain, glowing, disabled, and labels.
  const QString caption = "Caption";
  auto* plain = g.Picture(File(TPicture::QueryView), {560, 320});
  plain->SetCaption(caption);
  auto* glowing = g.Picture(File(TPicture::QueryView), {654, 320});
  glowing->SetCaption(caption);
  SetTextColour(glowing, Qt::white);
  glowing->SetGlow(true);
  glowing->SetGlowColor(Qt::black);
  auto* disabled = g.Picture(File(TPicture::QueryView), {748, 320});
  disabled->SetCaption(caption);
  disabled->setEnabled(false);
  g.Label("ILabel, smooth", {560, 356});
  g.Label("ILabel, not smooth", {700, 356}, false);

  // The small forms' pictures.
  g.Picture(File(TPicture::Splash), {1300 - 250, 60});
  g.Picture(File(TPicture::About), {560, 400});

  g.form.show();
  const QImage shot = g.form.grab().toImage();
  ASSERT_EQ(shot.size(), QSize(1300, 700));
  const QString folder = QString::fromLocal8Bit(qgetenv("KESTRUNE_WRITE_IMAGES"));
  if (!folder.isEmpty()) {
    ASSERT_TRUE(shot.save(folder + "/skin_controls.png"));
  }
  // The fill shows 60 % of 200 pixels, the splash its own colours.
  EXPECT_NE(shot.pixel(562 + 100, 227), shot.pixel(562 + 150, 227));
  EXPECT_NE(shot.pixel(1300 - 250 + 120, 200), g.form.palette().color(QPalette::Window).rgb());
}

}  // namespace
}  // namespace kestrune
