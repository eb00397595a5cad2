// TProgressForm: the progress form ("ProgressForm"): the text TntLabel1 over
// the progress bar ProgressBar1 (0..100). Its caption and text come from the
// interface-language file. The program makes it at its start, second after
// the main window; nothing shows it.
//
// User-interface thread only.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QProgressBar>

namespace kestrune {

class TProgressForm : public QDialog {
 public:
  explicit TProgressForm(QWidget* parent = nullptr);
  ~TProgressForm() override;

  QLabel* TntLabel1;
  QProgressBar* ProgressBar1;
};

// The form while it exists, else null.
extern TProgressForm* ProgressForm;

}  // namespace kestrune
