// TFAddUrl: the add-link form ("FAddUrl"): the name TEName and the address
// TEUrl, both required (labels TLName "Name*" and TLUrl "Url*"), the
// annotation TEAnnotation (label TLAnnotation), TBOk, TBCancel and a hidden
// favourites box TCBFavorites. OK closes with 1 only when both required
// fields hold text, and otherwise does nothing; Cancel, Esc and the close box
// close with 2. The program makes it at its start; nothing opens it yet.
//
// User-interface thread only.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace kestrune {

class TFAddUrl : public QDialog {
 public:
  explicit TFAddUrl(QWidget* parent = nullptr);
  ~TFAddUrl() override;

  QLabel* TLName;
  QLineEdit* TEName;
  QLabel* TLUrl;
  QLineEdit* TEUrl;
  QLabel* TLAnnotation;
  QPlainTextEdit* TEAnnotation;
  QCheckBox* TCBFavorites;
  QPushButton* TBOk;
  QPushButton* TBCancel;

  void TBOkClick();
  void TBCancelClick();

  void reject() override;
};

// The form while it exists, else null.
extern TFAddUrl* FAddUrl;

}  // namespace kestrune
