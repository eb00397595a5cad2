#include "ui/progress_form.h"

#include <QVBoxLayout>

namespace kestrune {

TProgressForm* ProgressForm = nullptr;

TProgressForm::TProgressForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName("ProgressForm");
  TntLabel1 = new QLabel(this);
  TntLabel1->setObjectName("TntLabel1");
  TntLabel1->setTextFormat(Qt::PlainText);
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName("ProgressBar1");
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  ProgressBar1->setMinimumWidth(300);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(TntLabel1);
  layout->addWidget(ProgressBar1);
  ProgressForm = this;
}

TProgressForm::~TProgressForm() {
  if (ProgressForm == this) ProgressForm = nullptr;
}

}  // namespace kestrune
