// TfrmRedactor: the network editor's form ("frmRedactor"), a plain window
// (not modal) over TNetworkEditorModel (app/network_editor_model.h), which
// holds every decision; the form shows the model and hands it the user's
// input. Its captions come from the language files.
//
// Components, named (objectName) as the language files name them:
//   lbWORD, lbCountRelationsW, lbCountRelatonsCT and their labels Label1 to
//   Label6; the coefficient edits edAnchor, edKStim, edKInh, edBarier;
//   tlwREL, the relation list (columns Name, Percent, Value, Word index,
//   Number, Status; a check box per row; the Percent column drawn as a bar
//   and set by dragging across it; Ctrl+F finds a word) with its pop-up
//   menu PopupMenu1 (remove1, DeleteRelationAndWord1, UnCheckRemove1);
//   GroupBox1 "Add relation" (Edit1, TntListView1 with columns Words and
//   Index, btnAdd); GroupBox2 "Selection" (edLessValue, btnSelectLessValue,
//   edAssignSelectValue, btnAssignSelectValue, btnCancelSelection,
//   btnDeleteSelect, btnDeleteSelectedWords, Button1); GroupBox3 "Features"
//   (btnDelete); btnApply, btnSave, btnReload, Button2; SaveDialog1 ("ASN
//   files (*.inn)"); the hidden GroupBox4 with SpinEdit1.
// Questions are warning boxes with OK and Cancel; messages plain boxes.
//
// The user-interface thread only. The network, dictionary and parser given
// must outlive the form.
#pragma once

#include <QAction>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QWidget>

#include "app/network_editor_model.h"

namespace kestrune {

class TfrmRedactor : public QWidget, public INetworkEditorView {
 public:
  TfrmRedactor(TIContextMS& context, TPhraseWordDictionary& dictionary, TITextParsing& textParsing,
               TNetworkEditorHost host, QWidget* parent = nullptr);
  ~TfrmRedactor() override;

  TNetworkEditorModel& Model() { return model_; }

  // Lists the first marked map word and shows the form; nothing when no
  // word is marked.
  void ExecuteAll();

  QLabel* lbWORD;
  QLabel* Label1;
  QLabel* lbCountRelationsW;
  QLabel* Label2;
  QLabel* lbCountRelatonsCT;
  QLabel* Label3;
  QLabel* Label4;
  QLabel* Label5;
  QLabel* Label6;
  QLineEdit* edAnchor;
  QLineEdit* edKStim;
  QLineEdit* edKInh;
  QLineEdit* edBarier;
  QTreeWidget* tlwREL;
  QMenu* PopupMenu1;
  QAction* remove1;
  QAction* DeleteRelationAndWord1;
  QAction* UnCheckRemove1;
  QGroupBox* GroupBox1;
  QLineEdit* Edit1;
  QTreeWidget* TntListView1;
  QPushButton* btnAdd;
  QGroupBox* GroupBox2;
  QLineEdit* edLessValue;
  QPushButton* btnSelectLessValue;
  QLineEdit* edAssignSelectValue;
  QPushButton* btnAssignSelectValue;
  QPushButton* btnCancelSelection;
  QPushButton* btnDeleteSelect;
  QPushButton* btnDeleteSelectedWords;
  QPushButton* Button1;
  QGroupBox* GroupBox3;
  QPushButton* btnDelete;
  QPushButton* btnApply;
  QPushButton* btnSave;
  QPushButton* btnReload;
  QPushButton* Button2;
  QFileDialog* SaveDialog1;
  QGroupBox* GroupBox4;
  QSpinBox* SpinEdit1;

  // INetworkEditorView.
  bool AskOkCancel(std::u16string_view question) override;
  void ShowMessage(std::u16string_view text) override;
  void SetHourglass(bool on) override;
  void CloseEditor() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class PercentDelegate;

  void BuildControls();
  void Connect();
  // The whole listing (coefficients, counts, rows) from the model.
  void ShowListing();
  // The rows from the model, keeping the selected row in view.
  void ShowRows();
  void UpdateItem(QTreeWidgetItem* item);
  void ShowFoundWords();
  // A model handler, then the rows again.
  void Act(void (TNetworkEditorModel::*handler)());
  void tlwRELMouse(const QPoint& position);
  void tlwRELFind();
  void btnSaveClick();

  TNetworkEditorModel model_;
  bool filling_ = false;
  bool hourglass_ = false;
};

}  // namespace kestrune
