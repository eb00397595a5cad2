// Texploreform: the search-scope explorer ("exploreform"), a modal browser
// window on the maker's page of ready-made projects in the interface
// language. A click on a link to a ".kqp" file downloads it into
// TargetFolder on a thread of its own (app/scope_download.h); while it runs,
// the bottom panel shows "Downloading" and the file name, the progress and a
// cancel button, and every click in the page is ignored. Nothing downloaded
// is opened.
//
// The opener sets TargetFolder before each showing (ShowModalFor does both,
// and shows the form in front of the open dialog it came from, modal over it;
// closing it returns there).
// Showing the form loads UpdateServerUrl() + "/searchscopes/?lang=" + the
// interface language's folder name, which the form's source gives. Cancel,
// closing the form (Close, Esc, the close box) and its destruction abort a
// running download; the destruction also waits for the download thread.
//
// The download thread's hooks reach the form as queued calls; a call of an
// earlier download that arrives after a new one started is dropped. Used on
// the user-interface thread only.
#pragma once

#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/scope_download.h"
#include "app/window/embedded_browser.h"

namespace kestrune {

class Texploreform : public QDialog {
 public:
  // langFolderName: the interface language's folder name ("en", ...), asked
  // at each showing.
  explicit Texploreform(std::function<std::string()> langFolderName, QWidget* parent = nullptr);
  ~Texploreform() override;

  // Sets TargetFolder and shows the form modally over the whole program, in
  // front of `over` (the window it is opened from, whose transient the
  // form's window is while it shows; may be null); closing it gives that
  // window the keyboard again. The modal result.
  int32_t ShowModalFor(std::u16string_view targetFolder, QWidget* over = nullptr);

  // The folder that receives downloads.
  std::u16string TargetFolder;

  // The components, named (objectName) as the language files name them.
  TEmbeddedBrowser* EmbeddedWB1;
  QFrame* TntPanel1;
  QLabel* TntLabel1;
  QProgressBar* ProgressBar1;
  QToolButton* TntButton1;
  QPushButton* ibitmapButton1;

  void FormShow();
  // The browser's navigation hook: false cancels the navigation.
  bool EmbeddedWB1BeforeNavigate2(const QUrl& url);
  void EmbeddedWB1ProgressChange(int32_t progress);
  void TntButton1Click();
  void FormClose();
  void Button1Click();
  void FormKeyUp(int key);
  // The download's finish hook (on this thread).
  void downfin();
  // The running download, or null (not owned by the caller).
  tthreaddownload* Download() const { return download_.get(); }

 protected:
  void showEvent(QShowEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void done(int result) override;

 private:
  void StartDownload(const std::string& url);

  std::function<std::string()> langFolderName_;
  QString savedCaption_;
  std::unique_ptr<tthreaddownload> download_;
  uint64_t downloadNumber_ = 0;  // the download whose hooks count
};

// The form while it exists, else null.
extern Texploreform* exploreform;

}  // namespace kestrune
