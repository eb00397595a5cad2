// TICustomShellTreeView and TIShellTreeView: a tree of one folder of the file
// system and what lies below it, over QFileSystemModel (branches are read
// when they are first opened, icons come from QFileIconProvider, and the model
// follows later changes of the file system by itself).
//
// The tree shows one top node, the root folder (Root: a path, or "rfDesktop"
// for the desktop folder and "rfPersonal" for the documents folder), with its
// items below, folders before files, then by name. ObjectTypes chooses the
// kinds shown (otFolders, otNonFolders, otHidden, as QDir filters), and the
// owner's OnAddFolder may refuse any item below the root: a filter proxy asks
// it for every item it meets, with the item's TShellFolder.
//
// A folder the user opens expands; a file item the user double-clicks (or
// opens from the menu) goes first to the owner's OnOpenFile, and unless that
// took it, to the opener (IBrowserOpener::OpenChosenFile) when it is a regular
// file without execute bits; nothing else is started, and when the opener
// does not take the file a message says so (smCannotOpenFile). Renaming
// in place renames the item through the model: the editor of a file selects
// its name without the extension (the text from its last dot on), and when
// the edit ends the owner's OnEdited may change the typed text; then a name
// that exists already, an empty one or one of blanks only, or one with "/"
// is refused and the node keeps its text, as is a name the tree would not
// show (a leading "." while hidden items are not shown) and one the file
// system refuses: OnRenameRefused says why once the edit has ended, and
// OnRenamed follows a rename done. The root is never renamed (nor deleted). The
// context menu is ours (AutoContextMenus): Open, Rename and Delete (to the
// trash), actions named "ShellOpen", "ShellRename" and "ShellDelete" for the
// language files. Items are dragged with the mouse (automatic drag mode);
// OnDragOver and OnEndDrag let the owner decide about and carry out a drop
// of an item of this tree on it.
//
// Writing Root rebuilds the tree: nothing when the new text equals the old
// one exactly, or differs only in letter case and names the same folder
// (same device and inode). A root that names no existing folder raises
// EInvalidPath ("Error setting path: " and the root in double quotes), keeps
// the previous root and leaves the tree as it was. The tree is empty until
// Root is written or CreateRoot runs.
//
// Nodes are the tree's model indexes (of its filter proxy). Used on the
// user-interface thread only.
#pragma once

#include <QAction>
#include <QFileIconProvider>
#include <QFileSystemModel>
#include <QMenu>
#include <QSortFilterProxyModel>
#include <QTreeView>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "app/projects_folder.h"

namespace kestrune {

class IBrowserOpener;

enum TShellObjectType : int32_t { otFolders = 0, otNonFolders = 1, otHidden = 2 };

class TShellObjectTypes {
 public:
  constexpr TShellObjectTypes() = default;
  constexpr TShellObjectTypes(std::initializer_list<TShellObjectType> types) {
    for (TShellObjectType type : types) bits_ |= 1u << type;
  }
  constexpr bool Contains(TShellObjectType type) const { return (bits_ >> type) & 1u; }
  constexpr bool operator==(const TShellObjectTypes&) const = default;

 private:
  uint32_t bits_ = 0;
};

// The QDir filters of a set of object types.
QDir::Filters ObjectTypesFilter(TShellObjectTypes types);

// Moves the item at `path` to the user's trash (made when missing): true
// when it went there, `pathInTrash` then names where it lies; else `cause`
// says why not.
bool MoveItemToTrash(const QString& path, QString* pathInTrash = nullptr, QString* cause = nullptr);

// The root-folder names.
inline constexpr std::u16string_view kRootDesktop = u"rfDesktop";
inline constexpr std::u16string_view kRootPersonal = u"rfPersonal";

// Raised by the Root writer and CreateRoot for a root that names no folder.
class EInvalidPath : public std::runtime_error {
 public:
  explicit EInvalidPath(const std::string& message) : std::runtime_error(message) {}
};

// One item of the tree as its owner sees it.
class TShellFolder {
 public:
  TShellFolder(QString path, bool isFolder, QString displayName)
      : path_(std::move(path)), isFolder_(isFolder), displayName_(std::move(displayName)) {}

  std::u16string PathName() const { return path_.toStdU16String(); }
  const QString& Path() const { return path_; }
  bool IsFolder() const { return isFolder_; }
  // True for a folder that holds at least one folder (read when asked).
  bool SubFolders() const;
  std::u16string DisplayName() const { return displayName_.toStdU16String(); }

 private:
  QString path_;
  bool isFolder_;
  QString displayName_;
};

class TICustomShellTreeView : public QTreeView {
 public:
  using TAddFolderEvent = std::function<void(TICustomShellTreeView& sender, const TShellFolder& folder, bool& canAdd)>;
  using TChangeEvent = std::function<void(TICustomShellTreeView& sender, const QModelIndex& node)>;
  using TDragOverEvent =
      std::function<void(TICustomShellTreeView& sender, QObject* source, int32_t x, int32_t y, bool& accept)>;
  using TEndDragEvent = std::function<void(TICustomShellTreeView& sender, QObject* target, int32_t x, int32_t y)>;
  using TEditedEvent = std::function<void(TICustomShellTreeView& sender, const QModelIndex& node, QString& text)>;
  using TOpenFileEvent = std::function<void(TICustomShellTreeView& sender, const TShellFolder& file, bool& handled)>;
  using TRenameRefusedEvent =
      std::function<void(TICustomShellTreeView& sender, const QString& name, TNameRefusal refusal)>;
  using TRenamedEvent =
      std::function<void(TICustomShellTreeView& sender, const std::u16string& oldPath, const std::u16string& newPath)>;

  explicit TICustomShellTreeView(QWidget* parent = nullptr);
  ~TICustomShellTreeView() override;

  bool AutoContextMenus() const { return autoContextMenus_; }
  void SetAutoContextMenus(bool on) { autoContextMenus_ = on; }
  TShellObjectTypes ObjectTypes() const { return objectTypes_; }
  void SetObjectTypes(TShellObjectTypes types);
  const std::u16string& Root() const { return root_; }
  // Raises EInvalidPath (see above).
  void SetRoot(std::u16string_view root);
  bool UseShellImages() const { return useShellImages_; }
  void SetUseShellImages(bool on);
  // The opener of file items (not owned; may be null: files open nowhere).
  IBrowserOpener* Opener = nullptr;

  // Asked for every item below the root; canAdd starts true.
  TAddFolderEvent OnAddFolder;
  // The selected node changed (an invalid node: none is selected).
  TChangeEvent OnChange;
  // An item of this tree is dragged over (x, y) of the viewport; accept
  // starts true.
  TDragOverEvent OnDragOver;
  // The drag ended: target is this tree when the item was dropped on it at
  // (x, y) of the viewport. Called after the drag has finished.
  TEndDragEvent OnEndDrag;
  // A label edit of the node ended with `text`, which the owner may change:
  // the item is renamed to the text as it is afterwards.
  TEditedEvent OnEdited;
  // A file item is opened; `handled` (false at first) set: the opener is not
  // asked.
  TOpenFileEvent OnOpenFile;
  // A rename was refused: the name (as OnEdited left it) and why; called
  // after the edit has ended.
  TRenameRefusedEvent OnRenameRefused;
  // An item was renamed.
  TRenamedEvent OnRenamed;

  // A name an item can be given: not empty nor blanks only, no "/", neither
  // "." nor "..".
  static bool IsValidItemName(const QString& name);

  // Rebuilds the tree from Root, read anew: one expanded and selected top
  // node.
  void CreateRoot();
  // Asks OnAddFolder again for the items below the node and reads the node's
  // folder when it has not been read; expanded nodes and the selection stay.
  void RefreshNode(const QModelIndex& node);
  // The selected item, if any.
  std::optional<TShellFolder> SelectedFolder() const;

  // Nodes.
  QModelIndex RootNode() const;
  std::optional<TShellFolder> FolderOf(const QModelIndex& node) const;
  QString NodePath(const QModelIndex& node) const;
  QString NodeText(const QModelIndex& node) const;
  // The child of `parent` whose text is `text` (exact case); invalid when none.
  QModelIndex FindChild(const QModelIndex& parent, const QString& text) const;
  // Makes the folder `name` in the folder node `parent`; its node, or an
  // invalid one when it could not be made.
  QModelIndex MakeFolder(const QModelIndex& parent, const QString& name);
  // Opens a node: a folder expands, a file goes to the opener (see above).
  void OpenNode(const QModelIndex& node);
  // Moves the node's item to the trash; its node goes when the item has gone.
  void DeleteNode(const QModelIndex& node);

  using QTreeView::edit;

  QAction* ShellOpen;
  QAction* ShellRename;
  QAction* ShellDelete;

 protected:
  // Opens the editor; a file's editor selects its name without the extension.
  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void startDrag(Qt::DropActions supportedActions) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  class TFilter;
  friend class TFilter;

  // A file-system model of everything, nothing read yet.
  QFileSystemModel* NewFilesModel();
  // The folder a root text names, cleaned; raises EInvalidPath.
  QString ResolveRoot(std::u16string_view root) const;
  bool Accepts(const QModelIndex& sourceIndex) const;
  // The root folder or one of the folders that hold it (a model index).
  bool IsRootOrAbove(const QModelIndex& sourceIndex) const;
  // Why the item cannot take the name (nrNone: it can).
  TNameRefusal RenameRefusal(const QModelIndex& sourceIndex, const QString& name) const;
  // Tells OnRenameRefused once the edit has ended.
  void RefuseRename(const QString& name, TNameRefusal refusal);

  QFileIconProvider icons_;  // the style's icons of folders and files
  QFileSystemModel* files_;
  TFilter* filter_;
  QMenu* menu_;
  bool autoContextMenus_ = true;
  TShellObjectTypes objectTypes_{otFolders};
  bool useShellImages_ = true;
  std::u16string root_{kRootDesktop};
  QString rootPath_;  // the folder shown, empty before the first build
};

class TIShellTreeView : public TICustomShellTreeView {
 public:
  using TICustomShellTreeView::TICustomShellTreeView;
};

}  // namespace kestrune
