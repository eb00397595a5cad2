#include "ui/shell_tree_view.h"

#include <QContextMenuEvent>
#include <QDirIterator>
#include <QDrag>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QStandardPaths>
#include <QTimer>
#include <filesystem>
#include <system_error>
#include <utility>

#include "app/browser_opener.h"
#include "core/log_file.h"
#include "core/message.h"
#include "core/message_strings.h"
#include "platform/files.h"

namespace kestrune {

namespace {

// The format of a dragged item: its path in UTF-8.
constexpr char kShellItemFormat[] = "application/x-kestrune-shell-item";

bool IsHiddenName(const QString& name) { return name.startsWith(u'.'); }

// A drag of an item of a shell tree; anything else is ignored.
bool IsShellItemDrag(QDropEvent* event) {
  if (event->mimeData()->hasFormat(kShellItemFormat)) return true;
  event->ignore();
  return false;
}

// `path` is `folder` or lies below it.
bool IsSameOrBelow(const QString& path, const QString& folder) {
  if (path == folder) return true;
  if (!path.startsWith(folder)) return false;
  return folder.endsWith(u'/') || path.at(folder.size()) == u'/';
}

// Anything of that exact name, a dangling link included.
bool ExistsExactly(const QString& path) {
  std::error_code error;
  return std::filesystem::symlink_status(path.toStdString(), error).type() != std::filesystem::file_type::not_found &&
         !error;
}

// Makes the user's trash folder when it is missing. Qt makes the trash only
// inside an existing data folder, and without one it moves the item into
// "files" of the current directory instead: false when there is no trash.
bool EnsureHomeTrash() {
  const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  return !data.isEmpty() && QDir().mkpath(data + "/Trash/files") && QDir().mkpath(data + "/Trash/info");
}

}  // namespace

bool MoveItemToTrash(const QString& path, QString* pathInTrash, QString* cause) {
  if (!EnsureHomeTrash()) {
    if (cause) *cause = QStringLiteral("there is no trash folder");
    return false;
  }
  QFile item(path);
  if (item.moveToTrash()) {
    if (pathInTrash) *pathInTrash = item.fileName();  // the file's name is now its place in the trash
    return true;
  }
  if (cause) *cause = item.errorString();
  return false;
}

QDir::Filters ObjectTypesFilter(TShellObjectTypes types) {
  QDir::Filters filters = QDir::NoDotAndDotDot;
  if (types.Contains(otFolders)) filters |= QDir::AllDirs;
  if (types.Contains(otNonFolders)) filters |= QDir::Files;
  if (types.Contains(otHidden)) filters |= QDir::Hidden;
  return filters;
}

bool TShellFolder::SubFolders() const {
  if (!isFolder_) return false;
  QDirIterator it(path_, QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden);
  return it.hasNext();
}

// The proxy between the file-system model and the tree: the root's chain,
// the owner's filter, the order and the names of renames.
class TICustomShellTreeView::TFilter : public QSortFilterProxyModel {
 public:
  TFilter(TICustomShellTreeView& view) : QSortFilterProxyModel(&view), view_(view) {
    setDynamicSortFilter(true);
    setRecursiveFilteringEnabled(false);
  }

  void Refilter() { invalidateRowsFilter(); }

  QVariant data(const QModelIndex& index, int role) const override {
    if (role == Qt::DecorationRole && !view_.useShellImages_) return {};
    return QSortFilterProxyModel::data(index, role);
  }

  bool hasChildren(const QModelIndex& parent) const override {
    if (!parent.isValid()) return QSortFilterProxyModel::hasChildren(parent);
    const QModelIndex source = mapToSource(parent);
    if (!view_.files_->isDir(source)) return false;
    if (view_.files_->canFetchMore(source)) {
      // Not read yet: whether the folder holds anything of the kinds shown.
      QDirIterator it(view_.files_->filePath(source), ObjectTypesFilter(view_.objectTypes_));
      return it.hasNext();
    }
    return rowCount(parent) > 0;
  }

  // The root and the folders above it are never renamed: the tree would lose
  // what it shows (F2, a second click and the menu all ask these flags).
  Qt::ItemFlags flags(const QModelIndex& index) const override {
    Qt::ItemFlags flags = QSortFilterProxyModel::flags(index);
    if (index.isValid() && view_.IsRootOrAbove(mapToSource(index))) flags &= ~Qt::ItemIsEditable;
    return flags;
  }

  bool setData(const QModelIndex& index, const QVariant& value, int role) override {
    if (role != Qt::EditRole || index.column() != 0) return false;
    QString name = value.toString();
    const QModelIndex source = mapToSource(index);
    if (view_.IsRootOrAbove(source)) return false;
    if (view_.OnEdited) view_.OnEdited(view_, index, name);
    const QString oldPath = view_.files_->filePath(source);
    if (name == view_.files_->fileName(source)) return true;
    TNameRefusal refusal = view_.RenameRefusal(source, name);
    if (refusal == TNameRefusal::nrNone && !QSortFilterProxyModel::setData(index, name, role)) {
      refusal = TNameRefusal::nrRefused;
    }
    if (refusal != TNameRefusal::nrNone) {
      view_.RefuseRename(name, refusal);
      return false;
    }
    const QString folder = QFileInfo(oldPath).path();
    if (view_.OnRenamed) view_.OnRenamed(view_, oldPath.toStdU16String(), (folder + u'/' + name).toStdU16String());
    return true;
  }

  QMimeData* mimeData(const QModelIndexList& indexes) const override {
    if (indexes.isEmpty()) return nullptr;
    auto* data = new QMimeData;
    data->setData(kShellItemFormat, view_.files_->filePath(mapToSource(indexes.first())).toUtf8());
    return data;
  }

 protected:
  bool filterAcceptsRow(int row, const QModelIndex& sourceParent) const override {
    return view_.Accepts(view_.files_->index(row, 0, sourceParent));
  }
  bool filterAcceptsColumn(int column, const QModelIndex&) const override { return column == 0; }

  bool lessThan(const QModelIndex& left, const QModelIndex& right) const override {
    const bool leftFolder = view_.files_->isDir(left), rightFolder = view_.files_->isDir(right);
    if (leftFolder != rightFolder) return leftFolder;
    const QString a = view_.files_->fileName(left), b = view_.files_->fileName(right);
    const int order = a.compare(b, Qt::CaseInsensitive);
    return order != 0 ? order < 0 : a < b;
  }

 private:
  TICustomShellTreeView& view_;
};

TICustomShellTreeView::TICustomShellTreeView(QWidget* parent)
    : QTreeView(parent), files_(NewFilesModel()), filter_(new TFilter(*this)), menu_(new QMenu(this)) {
  filter_->setSourceModel(files_);
  filter_->sort(0);
  setModel(filter_);
  setHeaderHidden(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
  setDragEnabled(true);
  setAcceptDrops(true);
  setDropIndicatorShown(true);
  setDragDropMode(QAbstractItemView::DragDrop);
  setDefaultDropAction(Qt::MoveAction);

  ShellOpen = menu_->addAction(QString());
  ShellOpen->setObjectName("ShellOpen");
  ShellRename = menu_->addAction(QString());
  ShellRename->setObjectName("ShellRename");
  ShellDelete = menu_->addAction(QString());
  ShellDelete->setObjectName("ShellDelete");
  connect(ShellOpen, &QAction::triggered, this, [this] { OpenNode(currentIndex()); });
  connect(ShellRename, &QAction::triggered, this, [this] {
    if (currentIndex().isValid()) edit(currentIndex());
  });
  connect(ShellDelete, &QAction::triggered, this, [this] { DeleteNode(currentIndex()); });

  connect(this, &QTreeView::doubleClicked, this, [this](const QModelIndex& node) {
    const auto folder = FolderOf(node);
    if (folder && !folder->IsFolder()) OpenNode(node);
  });
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& node) {
    if (OnChange) OnChange(*this, node);
  });
}

TICustomShellTreeView::~TICustomShellTreeView() = default;

void TICustomShellTreeView::SetObjectTypes(TShellObjectTypes types) {
  if (types == objectTypes_) return;
  objectTypes_ = types;
  filter_->Refilter();
}

void TICustomShellTreeView::SetUseShellImages(bool on) {
  useShellImages_ = on;
  viewport()->update();
}

QString TICustomShellTreeView::ResolveRoot(std::u16string_view root) const {
  QString path;
  if (root == kRootDesktop) {
    path = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  } else if (root == kRootPersonal) {
    path = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  } else {
    path = QString::fromStdU16String(std::u16string(root));
  }
  const QFileInfo info(path);
  if (path.isEmpty() || !info.isAbsolute() || !info.isDir()) {
    throw EInvalidPath("Error setting path: \"" + QString::fromStdU16String(std::u16string(root)).toStdString() + "\"");
  }
  return QDir::cleanPath(path);
}

void TICustomShellTreeView::SetRoot(std::u16string_view root) {
  if (root == root_) return;
  if (QString::fromStdU16String(std::u16string(root)).compare(QString::fromStdU16String(root_), Qt::CaseInsensitive) ==
      0) {
    // Another spelling: the same folder keeps its tree.
    std::error_code error;
    try {
      if (!rootPath_.isEmpty() &&
          std::filesystem::equivalent(ResolveRoot(root).toStdString(), rootPath_.toStdString(), error) && !error) {
        return;
      }
    } catch (const EInvalidPath&) {
      // falls through to the rebuild, which raises
    }
  }
  const std::u16string previous = root_;
  root_ = root;
  try {
    CreateRoot();
  } catch (const EInvalidPath&) {
    root_ = previous;
    throw;
  }
}

QFileSystemModel* TICustomShellTreeView::NewFilesModel() {
  auto* files = new QFileSystemModel(this);
  // The model lists everything; the proxy chooses (the root may lie in a
  // hidden folder).
  files->setFilter(QDir::AllEntries | QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
  files->setReadOnly(false);
  files->setIconProvider(&icons_);
  return files;
}

void TICustomShellTreeView::CreateRoot() {
  const QString path = ResolveRoot(root_);  // raises before anything changes
  rootPath_ = path;
  // Read afresh: another folder may stand under the same name now.
  QFileSystemModel* old = std::exchange(files_, NewFilesModel());
  filter_->setSourceModel(files_);
  delete old;
  files_->setRootPath(path);
  filter_->Refilter();
  const QModelIndex root = files_->index(path);
  setRootIndex(filter_->mapFromSource(root.parent()));
  const QModelIndex node = filter_->mapFromSource(root);
  expand(node);
  setCurrentIndex(node);
}

bool TICustomShellTreeView::IsRootOrAbove(const QModelIndex& source) const {
  return !rootPath_.isEmpty() && source.isValid() && IsSameOrBelow(rootPath_, files_->filePath(source));
}

bool TICustomShellTreeView::Accepts(const QModelIndex& source) const {
  if (rootPath_.isEmpty() || !source.isValid()) return false;
  const QString path = files_->filePath(source);
  // The root's chain from the top of the file system down to it.
  if (IsSameOrBelow(rootPath_, path)) return true;
  if (!IsSameOrBelow(path, rootPath_)) return false;
  const bool folder = files_->isDir(source);
  const QDir::Filters filters = ObjectTypesFilter(objectTypes_);
  if (folder ? !(filters & QDir::AllDirs) : !(filters & QDir::Files)) return false;
  if (IsHiddenName(files_->fileName(source)) && !(filters & QDir::Hidden)) return false;
  bool canAdd = true;
  if (OnAddFolder) {
    // The filter asks from a const context; the event gets the tree itself.
    auto& self = const_cast<TICustomShellTreeView&>(*this);
    OnAddFolder(self, TShellFolder(path, folder, files_->fileName(source)), canAdd);
  }
  return canAdd;
}

void TICustomShellTreeView::RefreshNode(const QModelIndex& node) {
  if (!node.isValid()) return;
  const QModelIndex source = filter_->mapToSource(node);
  if (files_->canFetchMore(source)) files_->fetchMore(source);
  filter_->Refilter();
}

std::optional<TShellFolder> TICustomShellTreeView::SelectedFolder() const { return FolderOf(currentIndex()); }

QModelIndex TICustomShellTreeView::RootNode() const {
  if (rootPath_.isEmpty()) return {};
  return filter_->mapFromSource(files_->index(rootPath_));
}

std::optional<TShellFolder> TICustomShellTreeView::FolderOf(const QModelIndex& node) const {
  if (!node.isValid()) return std::nullopt;
  const QModelIndex source = filter_->mapToSource(node);
  return TShellFolder(files_->filePath(source), files_->isDir(source), files_->fileName(source));
}

QString TICustomShellTreeView::NodePath(const QModelIndex& node) const {
  return node.isValid() ? files_->filePath(filter_->mapToSource(node)) : QString();
}

QString TICustomShellTreeView::NodeText(const QModelIndex& node) const {
  return node.isValid() ? node.data(Qt::DisplayRole).toString() : QString();
}

QModelIndex TICustomShellTreeView::FindChild(const QModelIndex& parent, const QString& text) const {
  if (!parent.isValid()) return {};
  for (int row = 0; row < filter_->rowCount(parent); ++row) {
    const QModelIndex child = filter_->index(row, 0, parent);
    if (NodeText(child) == text) return child;
  }
  return {};
}

QModelIndex TICustomShellTreeView::MakeFolder(const QModelIndex& parent, const QString& name) {
  if (!parent.isValid()) return {};
  const QModelIndex made = files_->mkdir(filter_->mapToSource(parent), name);
  return made.isValid() ? filter_->mapFromSource(made) : QModelIndex();
}

bool TICustomShellTreeView::IsValidItemName(const QString& name) {
  const TNameRefusal refusal = CheckItemName(name.toStdU16String());
  return refusal != TNameRefusal::nrBlank && refusal != TNameRefusal::nrInvalid;
}

TNameRefusal TICustomShellTreeView::RenameRefusal(const QModelIndex& source, const QString& name) const {
  const TNameRefusal refusal = CheckItemName(name.toStdU16String());
  // A name the tree itself would hide (".notes" where hidden items are not
  // shown) would make the item vanish from it.
  if (refusal != TNameRefusal::nrNone && (refusal != TNameRefusal::nrHidden || !objectTypes_.Contains(otHidden))) {
    return refusal;
  }
  // A rename onto an existing name would replace it.
  const QString folder = files_->filePath(source.parent());
  if (ExistsExactly(folder + (folder.endsWith(u'/') ? "" : "/") + name)) return TNameRefusal::nrTaken;
  return TNameRefusal::nrNone;
}

void TICustomShellTreeView::RefuseRename(const QString& name, TNameRefusal refusal) {
  // The editor is closing now: the owner's message waits for it.
  QTimer::singleShot(0, this, [this, name, refusal] {
    if (OnRenameRefused) OnRenameRefused(*this, name, refusal);
  });
}

bool TICustomShellTreeView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
  const bool open = indexWidget(index) != nullptr;
  if (!QTreeView::edit(index, trigger, event)) return false;
  if (open) return true;  // the edit under way keeps its selection
  // The view selects the whole text of a new editor; a file's extension is
  // kept out of the selection, so typing replaces the name only.
  auto* editor = qobject_cast<QLineEdit*>(indexWidget(index));
  const auto item = FolderOf(index);
  if (editor && item && !item->IsFolder()) {
    const qsizetype dot = editor->text().lastIndexOf(u'.');
    if (dot > 0) editor->setSelection(0, static_cast<int>(dot));
  }
  return true;
}

void TICustomShellTreeView::OpenNode(const QModelIndex& node) {
  const auto item = FolderOf(node);
  if (!item) return;
  if (item->IsFolder()) {
    expand(node);
    return;
  }
  bool handled = false;
  if (OnOpenFile) OnOpenFile(*this, *item, handled);
  if (handled) return;
  // Only a regular file that is not a program goes out; nothing is started.
  const std::u16string path = item->PathName();
  const platform::PathInfo info = platform::GetPathInfo(path);
  if (!platform::RegularFileExists(path) || (info.mode & 0111) != 0 || !Opener) return;
  if (!Opener->OpenChosenFile(path)) {
    ShowMessageBox(MessageStrings.smCannotOpenFile + u"\n" + path, MessageStrings.smMes,
                   platform::kMbOk | platform::kMbIconWarning);
  }
}

void TICustomShellTreeView::DeleteNode(const QModelIndex& node) {
  const auto item = FolderOf(node);
  if (!item || node == RootNode()) return;
  const QPersistentModelIndex parent = node.parent();
  if (!MoveItemToTrash(item->Path())) {
    LogFile.Log("ShellTreeView: \"" + item->Path().toStdString() + "\" could not be moved to the trash", 1);
    return;
  }
  if (!ExistsExactly(item->Path())) RefreshNode(parent);
}

void TICustomShellTreeView::contextMenuEvent(QContextMenuEvent* event) {
  if (!autoContextMenus_) {
    QTreeView::contextMenuEvent(event);
    return;
  }
  const QModelIndex node = indexAt(event->pos());
  if (!node.isValid()) return;
  setCurrentIndex(node);  // a right click selects
  ShellDelete->setEnabled(node != RootNode());
  ShellRename->setEnabled(node != RootNode());
  menu_->exec(event->globalPos());
}

void TICustomShellTreeView::startDrag(Qt::DropActions) {
  const QModelIndex node = currentIndex();
  if (!node.isValid() || node == RootNode()) return;
  auto* drag = new QDrag(this);
  drag->setMimeData(filter_->mimeData({node}));
  drag->setPixmap(node.data(Qt::DecorationRole).value<QIcon>().pixmap(16, 16));
  drag->exec(Qt::MoveAction, Qt::MoveAction);
}

void TICustomShellTreeView::dragEnterEvent(QDragEnterEvent* event) {
  if (IsShellItemDrag(event)) event->acceptProposedAction();
}

void TICustomShellTreeView::dragMoveEvent(QDragMoveEvent* event) {
  if (!IsShellItemDrag(event)) return;
  bool accept = true;
  const QPoint at = event->position().toPoint();
  if (OnDragOver) OnDragOver(*this, event->source(), at.x(), at.y(), accept);
  if (accept) {
    event->setDropAction(Qt::MoveAction);
    event->accept();
  } else {
    event->ignore();
  }
}

void TICustomShellTreeView::dropEvent(QDropEvent* event) {
  if (!IsShellItemDrag(event)) return;
  event->setDropAction(Qt::MoveAction);
  event->accept();
  // The owner moves the item once the drag has finished (it may ask).
  const QPoint at = event->position().toPoint();
  QTimer::singleShot(0, this, [this, at] {
    if (OnEndDrag) OnEndDrag(*this, this, at.x(), at.y());
  });
}

}  // namespace kestrune
