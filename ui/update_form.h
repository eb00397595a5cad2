// TFUpdate: the update form ("FUpdate"): the offer of the update check
// (app/update_check.h) in a plain-text memo (the version, the description,
// the installer's size), a progress bar, Update and Cancel, and a "Check for
// updates at start-up" box that stays hidden and is never read. Its captions
// come from the language files.
//
// The main window makes it on first use and shows it modally (ShowModal);
// every showing rebuilds the memo from the check's fields. Update asks first
// (smClosed, Yes and No, a box modal to the form); Yes downloads the offered
// installer (of the size update.txt lists, when it lists one) on the check's
// worker thread, which reports its progress and its
// end to the form as queued calls: the form never pumps messages itself. A
// complete download sets the installer path (the session's InstallerPath) and
// closes the form, so that the window closes and the installer is handed on;
// a failed one shows smErrorDownloadUpdate and smNoUpdateFileFound (and, for
// an installer of another size than listed, both sizes: InstallerFailureLines)
// and closes the form after FailureWaitMs (a single-shot timer). Cancel (or Esc) empties
// the installer path, sets the check's CancelFlag, stops the download (which
// leaves no file) and closes the form. Nothing else sets the path.
//
// Used on the user-interface thread only.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <cstdint>
#include <string>

#include "app/update_check.h"

namespace kestrune {

class TFUpdate : public QDialog {
 public:
  // check: the update check whose offer the form shows; installerPath: the
  // path a complete download is stored in. Both outlive the form.
  TFUpdate(TUpdateCheck& check, std::u16string& installerPath, QWidget* parent = nullptr);
  ~TFUpdate() override;  // stops a running download

  // The components, named (objectName) as the language files name them.
  QPlainTextEdit* MemoUpdate;
  QProgressBar* UpdateBar;
  QPushButton* BUpdate;
  QPushButton* BCancel;
  QCheckBox* AutoSearchUpdateAtStart;

  // The wait after a failed download before the form closes, in ms.
  int32_t FailureWaitMs = 5000;

  // Shows the form modally; `codePage` is the interface language's, which
  // the description is written in. Returns the modal result: Accepted after
  // a complete download, else Rejected.
  int ShowModal(int32_t codePage);

  void BUpdateClick();
  void BCancelClick();
  // The question smClosed while it is open, else null.
  QMessageBox* ClosedQuestion() const { return question_; }

 protected:
  void showEvent(QShowEvent* event) override;  // FormShow
  void reject() override;                      // Esc: BCancelClick

 private:
  void AnswerClosed(bool yes);
  void InstallerProgress(uint64_t download, int32_t percent);
  void InstallerDone(uint64_t download, const TInstallerResult& result);
  void CloseWith(int result);

  TUpdateCheck& check_;
  std::u16string& installerPath_;
  int32_t codePage_ = 0;
  uint64_t download_ = 0;  // the running download's number; 0 when none runs
  uint64_t downloads_ = 0;
  QTimer* failureTimer_;
  QPointer<QMessageBox> question_;
};

}  // namespace kestrune
