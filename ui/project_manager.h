// Tmanager: the project manager ("manager"), a modal dialog over the projects
// folder: a tree of its sub-folders and project files (".kqp", exact case),
// the note of the selected project, "Make folder", moves by drag and drop,
// renames in place, and the changes other programs make, followed through a
// change watcher that stays registered from the first showing on.
//
// Showing the form (TntFormShow) roots the tree and the watcher at the
// projects folder that the form's source gives at that moment. A project
// dropped on a folder moves into it, dropped on a project into that project's
// folder; a folder is never moved into itself or below itself; a name that
// exists at the destination is replaced only after the user agrees, and the
// item replaced goes to the user's trash (it comes back when the move then
// fails); a move cannot be undone (app/projects_folder.h). "Make folder" makes "New folder"
// (or the first free "New folder(n)") in the selected folder, beside the
// selected project, or in the root, and opens its name for editing.
//
// Renaming in the tree: a project's editor selects its name without ".kqp",
// and a project's new name gets ".kqp" when it does not end so (an ending in
// other letters, "a.KQP", is written ".kqp": the tree lists only that), so a
// renamed project stays a project and in the tree; the finished
// name is refused when an item of that name exists, so a rename never
// replaces anything, and so is a name of blanks only (before ".kqp") or one
// beginning with a dot; a refused rename says why in a message box. Folders
// are renamed as typed. No button of the form is a
// default button: Enter in the tree ends a label edit and otherwise does
// nothing.
//
// Opening a project (a double-click, or Open in the tree's menu) closes the
// form and leaves the project for its caller (TakeChosenProject), which opens
// it in the main window. A rename or a move that the form made is told to
// OnItemMoved, so that what names the item's old path follows it.
//
// A change the watcher reports refreshes the node above the item concerned;
// a path whose node the tree does not show, or that lies at or above the
// root, refreshes the root node (a project saved into an empty projects
// folder shows at once).
//
// The form is created at program start and kept for the run; it is used on
// the user-interface thread only. The main window opens it with ShowModal.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <functional>
#include <string>
#include <utility>

#include "ui/shell_notification.h"
#include "ui/shell_tree_view.h"

namespace kestrune {

class IBrowserOpener;

class Tmanager : public QDialog {
 public:
  // projectFolder: the projects folder (UTF-16, with a trailing "/"), asked
  // at each showing. opener: where opened project files go (not owned; may
  // be null).
  explicit Tmanager(std::function<std::u16string()> projectFolder, IBrowserOpener* opener = nullptr,
                    QWidget* parent = nullptr);
  ~Tmanager() override;

  // Shows the form modally; the modal result.
  int32_t ShowModal();
  // The project opened in the tree while the form showed last (empty: none);
  // taking it empties it.
  std::u16string TakeChosenProject() { return std::exchange(chosenProject_, {}); }
  // An item the form renamed or moved: its old path and its new one.
  std::function<void(const std::u16string& from, const std::u16string& to)> OnItemMoved;

  // The components, named (objectName) as the language files name them.
  QStackedWidget* PageControl1;
  TIShellTreeView* ShellTreeView2;
  QLabel* TntLabel1;
  QPushButton* crdir;
  QPushButton* InetE;
  QPushButton* InteI;
  TShellNotification* ShellNotification1;

  void TntFormShow();
  void ShellTreeView2AddFolder(TICustomShellTreeView& sender, const TShellFolder& folder, bool& canAdd);
  void ShellTreeView2Change(TICustomShellTreeView& sender, const QModelIndex& node);
  void ShellTreeView2DragOver(TICustomShellTreeView& sender, QObject* source, int32_t x, int32_t y, bool& accept);
  void ShellTreeView2EndDrag(TICustomShellTreeView& sender, QObject* target, int32_t x, int32_t y);
  // A label edit ended: a project's new name is finished with ".kqp".
  void ShellTreeView2Edited(TICustomShellTreeView& sender, const QModelIndex& node, QString& text);
  // A file of the tree opened: a project is chosen and the form closes.
  void ShellTreeView2OpenFile(TICustomShellTreeView& sender, const TShellFolder& file, bool& handled);
  // A refused rename: the message box says why.
  void ShellTreeView2RenameRefused(TICustomShellTreeView& sender, const QString& name, TNameRefusal refusal);
  // The question before `target` is replaced (a project, or a folder with
  // everything in it); true when the user agreed.
  bool AgreesToReplace(const std::u16string& target);
  void crdirClick();
  // Refreshes the node above the item at `path` (see above) and scrolls the
  // tree to its top.
  void RefreshPath(const std::u16string& path);
  // The node RefreshPath refreshes for `path`.
  QModelIndex NodeToRefresh(const std::u16string& path) const;

  void ShellNotification1FolderRemove(TShellNotification& sender, const std::u16string& path);
  void ShellNotification1FileDelete(TShellNotification& sender, const std::u16string& path);
  void ShellNotification1FileCreate(TShellNotification& sender, const std::u16string& path);
  void ShellNotification1FolderRename(TShellNotification& sender, const std::u16string& oldPath,
                                      const std::u16string& newPath);
  void ShellNotification1ItemRename(TShellNotification& sender, const std::u16string& oldPath,
                                    const std::u16string& newPath);
  // The projects folder is back after it had gone: the tree is rebuilt.
  void ShellNotification1PathBack();
  // Does nothing and is not bound.
  void ShellNotification1FolderUpdate(TShellNotification& sender, const std::u16string& path);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  std::function<std::u16string()> projectFolder_;
  std::u16string chosenProject_;
};

// The form while it exists, else null.
extern Tmanager* manager;

}  // namespace kestrune
