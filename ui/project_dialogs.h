// TTntOpenProjectDialog and TTntSaveProjectDialog: the file dialogs through
// which the main window opens and saves projects (".kqp" files). Each is
// Qt's own (non-native) file dialog with a panel below the standard
// controls:
//   PicturePanel   the panel
//   tgroupbox1     the group box "Options" on it
//   TEdDetails2    the label "Note"
//   TEdDetails     the note memo
//   TEdDetails3    the import button "Download from site" (glyph: the
//                  raw-data resource "DIALOGBUTTON"); its click is OnButton
//   TCBDntSaveOld1 the check box "Don't save old links", in the import
//                  button's place, hidden
// The captions come from the message strings smOpenSaveOptions,
// smOpenSaveImport, smOpenSaveNote and smOpenSaveOldLinks (SetCaptions,
// which the main window calls before each use).
//
// Open (Execute of the open dialog): the memo is emptied and read-only, the
// import button shown, the check box hidden; True when a file was chosen.
// Save (Execute of the save dialog): the import button hidden, the check box
// shown, the memo editable and keeping the text the main window put there;
// the name is finished with ".kqp" unless it ends so (also a name with
// another dot, "node.js (Loopback)"), and an existing file of the finished
// name is only replaced after the user agreed; a name beginning with a dot
// (which the project lists would not show) or of blanks only is refused with
// a message box, and the dialog stays; True when a name was chosen.
//
// In the memo Esc closes the dialog (as Cancel) and, while the memo is
// editable, Enter inserts a line break at the caret instead of pressing the
// dialog's default button. CurrentFolder is the folder the dialog shows
// (followed as the user moves through folders), with a trailing "/"; the
// process's current folder is never changed. Closing hides any tool tip and
// the name field's completion list (Enter in the field closes the dialog
// while the list shows).
//
// User-interface thread only.
#pragma once

#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QString>
#include <functional>
#include <string>

#include "core/message_strings.h"

namespace kestrune {

class TTntOpenProjectDialog : public QFileDialog {
  Q_OBJECT
  Q_PROPERTY(QString Filter READ Filter WRITE SetFilter)

 public:
  explicit TTntOpenProjectDialog(QWidget* parent = nullptr);
  ~TTntOpenProjectDialog() override;

  // The name filter, "Kestrune project (*.kqp)" after construction.
  QString Filter() const { return filter_; }
  void SetFilter(const QString& value);

  // The import button's click; setting it reaches the button also after
  // construction.
  const std::function<void()>& OnButton() const { return onButton_; }
  void SetOnButton(std::function<void()> handler);

  // The folder the dialog shows (or showed last), with a trailing "/".
  QString CurrentFolder() const;

  // A file (or folder) selected in the list: the main window shows its note
  // (TntOpenProjectDialog1SelectionChange).
  std::function<void(TTntOpenProjectDialog& sender, const QString& fileName)> OnSelectionChange;

  // The panel's captions from the interface language's message strings.
  void SetCaptions(const TMessageStrings& strings);

  // Runs the dialog (modal); True when a file was chosen (FileName).
  virtual bool Execute();
  QString FileName() const;

  // The memo's text with CR LF line breaks, and setting it so.
  std::u16string NoteText() const;
  void SetNoteText(std::u16string_view text);

  QWidget* PicturePanel;
  QGroupBox* tgroupbox1;
  QLabel* TEdDetails2;
  QPlainTextEdit* TEdDetails;
  QPushButton* TEdDetails3;
  QCheckBox* TCBDntSaveOld1;

  void done(int result) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Shows the dialog modally; True when accepted.
  bool Run();

 private:
  QString filter_;
  std::function<void()> onButton_;
};

class TTntSaveProjectDialog : public TTntOpenProjectDialog {
  Q_OBJECT

 public:
  explicit TTntSaveProjectDialog(QWidget* parent = nullptr);

  bool Execute() override;
  // The typed name finished with ".kqp" before the overwrite question.
  void accept() override;
};

// The main window's selection handler of its open dialog: the memo shows the
// selected project's author and note (empty for anything else).
void TntOpenProjectDialog1SelectionChange(TTntOpenProjectDialog& sender, const QString& fileName);

}  // namespace kestrune
