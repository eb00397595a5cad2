// The pictures of the skinned controls: every PNG file that a form or the
// main window names, in the folder "controls/en/" of the program folder.
//
// This list is the only source of those names: tools/control_images draws
// exactly these files at build time, the forms set the names from here, and
// the tests check the built folder against it. A picture is one file, the
// four faces of a button, or the numbered frames of an animation:
//   Single   <Name>.png
//   Button   <Name>.png (normal), <Name>_over.png, <Name>_push.png, <Name>_dis.png
//   Frames   <Name>01.png ... (two digits; the frame lister sorts names, so
//            the numbers keep the order), the animation's `files` is <Name>
// Width and Height are the picture's size in pixels (every face and frame
// alike); Components says who sets it.
//
// Plain C++ without Qt: the drawing tool and the tests read it as it is.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrune {

enum class TPicture : uint16_t {
  // The main window's tool bar.
  NewQuery, OpenProject, SaveProject, Undo, Redo, Refresh, FullRefresh, Stop, QueryView, ExcludedView,
  Options, Help, ProjectManager, PrintPage, PrintMap, MailMap, MailPage, TellFriend,
  // The view buttons of the result page's lists.
  ShowRemovedLinks, ShowHiddenSites, ShowNewLinks, ShowOldLinks, ShowFavorites, ShowStopWords,
  // The query box over the map and the engine box.
  Search, Search2, QueryPlate, QueryCombo, EngineCombo,
  // The track bars and their thumb.
  TrackWords, TrackMatch, TrackWeight, Thumb,
  // Plates, textures, the logo and the animation.
  ToolbarPlate, StatusPlate, Splitter, ProgressBack, ProgressFill, Logo, AnimePlate, FriendAnime,
  // The small forms.
  Splash, About,
  kCount
};

enum class TPictureKind : uint8_t { Single, Button, Frames };

// A button's four faces, in the order of its state pictures.
enum class TButtonFace : uint8_t { Normal, Over, Push, Disable };

struct TControlPicture {
  TPicture Id;
  const char* Name;
  TPictureKind Kind;
  int32_t Width;
  int32_t Height;
  int32_t Frames;  // Frames only
  const char* Components;
};

// clang-format off
inline constexpr std::array<TControlPicture, static_cast<size_t>(TPicture::kCount)> kControlPictures{{
    {TPicture::NewQuery, "new_query", TPictureKind::Button, 110, 30, 0, "FKestruneMain.IBitmapButtonNew"},
    {TPicture::OpenProject, "open_project", TPictureKind::Button, 76, 30, 0, "FKestruneMain.IBitmapButton6"},
    {TPicture::SaveProject, "save_project", TPictureKind::Button, 76, 30, 0, "FKestruneMain.IBitmapButton7"},
    {TPicture::Undo, "undo", TPictureKind::Button, 76, 30, 0, "FKestruneMain.IBitmapButtonUndo"},
    {TPicture::Redo, "redo", TPictureKind::Button, 76, 30, 0, "FKestruneMain.IBitmapButtonRedo"},
    {TPicture::Refresh, "refresh", TPictureKind::Button, 90, 30, 0, "FKestruneMain.ibitmapButton1"},
    {TPicture::FullRefresh, "full_refresh", TPictureKind::Button, 118, 30, 0, "FKestruneMain.fullRefresh"},
    {TPicture::Stop, "stop", TPictureKind::Button, 72, 30, 0, "FKestruneMain.IBitmapButtonStop"},
    {TPicture::QueryView, "view_query", TPictureKind::Button, 84, 26, 0, "FKestruneMain.IBitmapButton2"},
    {TPicture::ExcludedView, "view_excluded", TPictureKind::Button, 140, 26, 0, "FKestruneMain.IBitmapButton4"},
    {TPicture::Options, "options", TPictureKind::Button, 92, 30, 0, "FKestruneMain.BtnOptions"},
    {TPicture::Help, "help", TPictureKind::Button, 72, 30, 0, "FKestruneMain.BtnHelp"},
    {TPicture::ProjectManager, "project_manager", TPictureKind::Button, 30, 30, 0, "FKestruneMain.IBitmapButton8"},
    {TPicture::PrintPage, "print_page", TPictureKind::Button, 30, 30, 0, "FKestruneMain.BtnPrintRes"},
    {TPicture::PrintMap, "print_map", TPictureKind::Button, 30, 30, 0, "FKestruneMain.BtnPrintMap"},
    {TPicture::MailMap, "mail_map", TPictureKind::Button, 30, 30, 0, "FKestruneMain.BtnSendMap"},
    {TPicture::MailPage, "mail_page", TPictureKind::Button, 30, 30, 0, "FKestruneMain.BtnSendmail"},
    {TPicture::TellFriend, "tell_friend", TPictureKind::Button, 118, 30, 0, "FKestruneMain.sfrend"},
    {TPicture::ShowRemovedLinks, "show_removed_links", TPictureKind::Button, 26, 24, 0, "FKestruneMain.IBitmapBtnShowDelLinks"},
    {TPicture::ShowHiddenSites, "show_hidden_sites", TPictureKind::Button, 26, 24, 0, "FKestruneMain.IBitmapBtnShowDelSites"},
    {TPicture::ShowNewLinks, "show_new_links", TPictureKind::Button, 26, 24, 0, "FKestruneMain.IBitmapBtnShowNew"},
    {TPicture::ShowOldLinks, "show_old_links", TPictureKind::Button, 26, 24, 0, "FKestruneMain.IBitmapBtnShowOld"},
    {TPicture::ShowFavorites, "show_favorites", TPictureKind::Button, 26, 24, 0, "FKestruneMain.IBitmapBtnShowFavorites"},
    {TPicture::ShowStopWords, "show_stop_words", TPictureKind::Button, 26, 24, 0, "FKestruneMain.IBitmapBtnShowStopWords"},
    {TPicture::Search, "search", TPictureKind::Button, 84, 30, 0, "FKestruneMain.BBtnSearch"},
    {TPicture::Search2, "search_refine", TPictureKind::Button, 84, 30, 0, "FKestruneMain.BBtnSearch2"},
    {TPicture::QueryPlate, "query_plate", TPictureKind::Single, 352, 48, 0, "FKestruneMain.querybitmap"},
    {TPicture::QueryCombo, "query_combo", TPictureKind::Button, 318, 28, 0, "FKestruneMain.IComboBox1.button"},
    {TPicture::EngineCombo, "engine_combo", TPictureKind::Button, 178, 26, 0, "FKestruneMain.CBWebSite.button"},
    {TPicture::TrackWords, "track_words", TPictureKind::Single, 150, 22, 0, "FKestruneMain.TrackBar"},
    {TPicture::TrackMatch, "track_match", TPictureKind::Single, 70, 22, 0, "FKestruneMain.TrackBar3"},
    {TPicture::TrackWeight, "track_weight", TPictureKind::Single, 150, 22, 0, "FKestruneMain.IBitmapTrackBar1"},
    {TPicture::Thumb, "thumb", TPictureKind::Button, 12, 18, 0, "FKestruneMain.TrackBar, TrackBar3, IBitmapTrackBar1 (ITrack)"},
    {TPicture::ToolbarPlate, "toolbar_plate", TPictureKind::Single, 64, 40, 0, "FKestruneMain tool bar (stretched)"},
    {TPicture::StatusPlate, "status_plate", TPictureKind::Single, 64, 24, 0, "FKestruneMain status row (stretched)"},
    {TPicture::Splitter, "splitter", TPictureKind::Single, 8, 64, 0, "FKestruneMain.Splitter1"},
    {TPicture::ProgressBack, "prog2", TPictureKind::Single, 204, 14, 0, "Form1.ibitmap27, FKestruneMain.ibitmap27"},
    {TPicture::ProgressFill, "prog3", TPictureKind::Single, 8, 10, 0, "Form1.IProgressBar1, FKestruneMain.IProgressBar1 (buttonP)"},
    {TPicture::Logo, "logo", TPictureKind::Single, 132, 36, 0, "FKestruneMain.ibitmap1"},
    {TPicture::AnimePlate, "anime_plate", TPictureKind::Single, 40, 40, 0, "FKestruneMain.ibitmap14"},
    {TPicture::FriendAnime, "friend_anime", TPictureKind::Frames, 32, 32, 12, "FKestruneMain.IAnime1"},
    {TPicture::Splash, "splash", TPictureKind::Single, 240, 360, 0, "Form1.Image1"},
    {TPicture::About, "about", TPictureKind::Single, 400, 260, 0, "FAbout.Image1"},
}};
// clang-format on

// Every entry stands at the index of its Id.
constexpr bool ControlPicturesInOrder() {
  for (size_t i = 0; i < kControlPictures.size(); ++i) {
    if (static_cast<size_t>(kControlPictures[i].Id) != i) return false;
  }
  return true;
}
static_assert(ControlPicturesInOrder(), "kControlPictures must follow the order of TPicture");

inline const TControlPicture& ControlPicture(TPicture id) { return kControlPictures[static_cast<size_t>(id)]; }

// The file of a single picture, or of one face of a button.
inline std::string PictureFile(TPicture id, TButtonFace face = TButtonFace::Normal) {
  static constexpr const char* kSuffixes[] = {"", "_over", "_push", "_dis"};
  const TControlPicture& picture = ControlPicture(id);
  std::string name = picture.Name;
  if (picture.Kind == TPictureKind::Button) name += kSuffixes[static_cast<size_t>(face)];
  return name + ".png";
}

// The file of frame `index` (from 0) of an animation.
inline std::string FrameFile(TPicture id, int32_t index) {
  const int32_t number = index + 1;
  std::string digits = std::to_string(number);
  if (digits.size() < 2) digits.insert(0, 2 - digits.size(), '0');
  return std::string(ControlPicture(id).Name) + digits + ".png";
}

// Every file of a picture: one, four faces or all frames.
inline std::vector<std::string> PictureFiles(TPicture id) {
  const TControlPicture& picture = ControlPicture(id);
  std::vector<std::string> files;
  switch (picture.Kind) {
    case TPictureKind::Single:
      files.push_back(PictureFile(id));
      break;
    case TPictureKind::Button:
      for (TButtonFace face : {TButtonFace::Normal, TButtonFace::Over, TButtonFace::Push, TButtonFace::Disable}) {
        files.push_back(PictureFile(id, face));
      }
      break;
    case TPictureKind::Frames:
      for (int32_t i = 0; i < picture.Frames; ++i) files.push_back(FrameFile(id, i));
      break;
  }
  return files;
}

}  // namespace kestrune
