// TEditPanel: the network edit panel that opens over the word map. Four page
// buttons (TntSpeedButton1..4, one group) choose the page and the kind of
// edit: the phrase field phraseEdit with "Add" (TntButton1, also Enter in the
// field); deleting links (done by clicks on the map); the link weight (the
// query word in ILabel6, the clicked word in TntEdit1, the track bar
// IBitmapTrackBar1 0..100 and the apply button TntSpeedButton5); merging two
// words (TntEdit2, TntEdit3 and the merge button TntSpeedButton6). edit_undo
// and edit_redo walk the edit history; TntSpeedButton7 and TntSpeedButton8
// do nothing and stay hidden.
//
// The panel is hidden when made; Toggle shows and hides it. Bound to a
// TEditPanelModel it forwards its buttons and fields to the model and shows
// the model's fields after each change. Its texts come from the language
// file as the main window's components.
//
// User-interface thread only.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QToolButton>
#include <QWidget>

namespace kestrune {

class TEditPanelModel;

class TEditPanel : public QWidget {
 public:
  explicit TEditPanel(QWidget* parent = nullptr);

  // Not owned; null unbinds. The model outlives the binding.
  void Bind(TEditPanelModel* model);
  // Shows or hides the panel (through the model when bound: speciaClick);
  // the new visibility.
  bool Toggle();
  // The model's fields into the controls.
  void Refresh();

  QToolButton* TntSpeedButton1;
  QToolButton* TntSpeedButton2;
  QToolButton* TntSpeedButton3;
  QToolButton* TntSpeedButton4;
  QStackedWidget* Pages;
  QLineEdit* phraseEdit;
  QPushButton* TntButton1;
  QLabel* ILabel6;
  QLineEdit* TntEdit1;
  QSlider* IBitmapTrackBar1;
  QToolButton* TntSpeedButton5;
  QLineEdit* TntEdit2;
  QLineEdit* TntEdit3;
  QToolButton* TntSpeedButton6;
  QToolButton* TntSpeedButton7;
  QToolButton* TntSpeedButton8;
  QToolButton* edit_undo;
  QToolButton* edit_redo;

 private:
  void PageClick(int32_t kind);

  TEditPanelModel* model_ = nullptr;
  bool refreshing_ = false;
};

}  // namespace kestrune
