#include "ui/project_manager.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QShowEvent>
#include <QVBoxLayout>
#include <system_error>

#include "app/project_note.h"
#include "app/projects_folder.h"
#include "core/log_file.h"
#include "core/message.h"
#include "core/message_strings.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/text.h"

namespace kestrune {

Tmanager* manager = nullptr;

namespace {

constexpr std::u16string_view kProjectExtension = u".kqp";

// The extension of a path: from its last dot, when that dot is in the last
// component.
std::u16string_view Extension(std::u16string_view path) {
  const size_t dot = path.rfind(u'.');
  if (dot == std::u16string_view::npos) return {};
  const size_t slash = path.rfind(u'/');
  if (slash != std::u16string_view::npos && slash > dot) return {};
  return path.substr(dot);
}

std::u16string Utf16(const QString& text) { return text.toStdU16String(); }

// Brings an item that was moved to the trash back to `path`, with its entry
// in the trash's "info" folder; an item that cannot come back stays in the
// trash, whence the user restores it.
void PutBackFromTrash(const QString& inTrash, const QString& path) {
  if (MoveProjectItem(Utf16(inTrash), Utf16(path)) != 0) {
    LogFile.Log("manager: \"" + path.toStdString() + "\" stays in the trash as \"" + inTrash.toStdString() + "\"", 1);
    return;
  }
  const QFileInfo trashed(inTrash);  // <trash>/files/<name>, described by <trash>/info/<name>.trashinfo
  QDir trash = trashed.dir();
  if (trash.cdUp()) QFile::remove(trash.filePath("info/" + trashed.fileName() + ".trashinfo"));
}

}  // namespace

Tmanager::Tmanager(std::function<std::u16string()> projectFolder, IBrowserOpener* opener, QWidget* parent)
    : QDialog(parent), projectFolder_(std::move(projectFolder)) {
  setObjectName("manager");
  setModal(true);

  // The page control's tabs are hidden; its one page holds everything.
  PageControl1 = new QStackedWidget(this);
  PageControl1->setObjectName("PageControl1");
  auto* page = new QWidget(PageControl1);
  page->setObjectName("TabSheet1");
  PageControl1->addWidget(page);

  ShellTreeView2 = new TIShellTreeView(page);
  ShellTreeView2->setObjectName("ShellTreeView2");
  ShellTreeView2->SetObjectTypes({otFolders, otNonFolders});
  ShellTreeView2->SetUseShellImages(true);
  ShellTreeView2->setRootIsDecorated(false);
  ShellTreeView2->Opener = opener;
  TntLabel1 = new QLabel(page);
  TntLabel1->setObjectName("TntLabel1");
  TntLabel1->setWordWrap(true);
  TntLabel1->setTextFormat(Qt::PlainText);  // a note is the file's text, never markup
  TntLabel1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  TntLabel1->setMinimumWidth(200);
  crdir = new QPushButton(page);
  crdir->setObjectName("crdir");
  InetE = new QPushButton(page);
  InetE->setObjectName("InetE");
  InetE->setEnabled(false);
  InteI = new QPushButton(page);
  InteI->setObjectName("InteI");
  InteI->setEnabled(false);
  // None is the dialog's default button: Enter in the tree would press it.
  for (QPushButton* button : {crdir, InetE, InteI}) button->setAutoDefault(false);

  auto* content = new QHBoxLayout;
  content->addWidget(ShellTreeView2, 3);
  content->addWidget(TntLabel1, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(crdir);
  buttons->addStretch();
  buttons->addWidget(InetE);
  buttons->addWidget(InteI);
  auto* pageLayout = new QVBoxLayout(page);
  pageLayout->addLayout(content);
  pageLayout->addLayout(buttons);
  auto* formLayout = new QVBoxLayout(this);
  formLayout->setContentsMargins(0, 0, 0, 0);
  formLayout->addWidget(PageControl1);
  resize(640, 440);

  ShellNotification1 = new TShellNotification(this);
  ShellNotification1->setObjectName("ShellNotification1");
  ShellNotification1->SetWatchSubTree(true);
  ShellNotification1->SetWatchEvents({neFileCreate, neFileDelete, neFileRename, neFolderDelete, neFolderRename});

  using namespace std::placeholders;
  ShellTreeView2->OnAddFolder = std::bind(&Tmanager::ShellTreeView2AddFolder, this, _1, _2, _3);
  ShellTreeView2->OnChange = std::bind(&Tmanager::ShellTreeView2Change, this, _1, _2);
  ShellTreeView2->OnDragOver = std::bind(&Tmanager::ShellTreeView2DragOver, this, _1, _2, _3, _4, _5);
  ShellTreeView2->OnEndDrag = std::bind(&Tmanager::ShellTreeView2EndDrag, this, _1, _2, _3, _4);
  ShellTreeView2->OnEdited = std::bind(&Tmanager::ShellTreeView2Edited, this, _1, _2, _3);
  ShellTreeView2->OnOpenFile = std::bind(&Tmanager::ShellTreeView2OpenFile, this, _1, _2, _3);
  ShellTreeView2->OnRenameRefused = std::bind(&Tmanager::ShellTreeView2RenameRefused, this, _1, _2, _3);
  ShellTreeView2->OnRenamed = [this](TICustomShellTreeView&, const std::u16string& from, const std::u16string& to) {
    if (OnItemMoved) OnItemMoved(from, to);
  };
  ShellNotification1->OnFileCreate = std::bind(&Tmanager::ShellNotification1FileCreate, this, _1, _2);
  ShellNotification1->OnFolderRename = std::bind(&Tmanager::ShellNotification1FolderRename, this, _1, _2, _3);
  ShellNotification1->OnFileDelete = std::bind(&Tmanager::ShellNotification1FileDelete, this, _1, _2);
  ShellNotification1->OnFolderRemove = std::bind(&Tmanager::ShellNotification1FolderRemove, this, _1, _2);
  ShellNotification1->OnItemRename = std::bind(&Tmanager::ShellNotification1ItemRename, this, _1, _2, _3);
  ShellNotification1->OnPathBack = [this](TShellNotification&) { ShellNotification1PathBack(); };
  connect(crdir, &QPushButton::clicked, this, [this] { crdirClick(); });
  manager = this;
}

Tmanager::~Tmanager() {
  if (manager == this) manager = nullptr;
}

int32_t Tmanager::ShowModal() {
  chosenProject_.clear();
  return exec();
}

void Tmanager::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) TntFormShow();
}

void Tmanager::TntFormShow() {
  const std::u16string folder = projectFolder_ ? projectFolder_() : std::u16string();
  try {
    ShellTreeView2->SetRoot(folder);
  } catch (const EInvalidPath& error) {
    ShowMessageBox(platform::Utf8ToUtf16(error.what()), MessageStrings.smError, platform::kMbOk | platform::kMbIconError);
  }
  // Registers the watcher: changes are followed from now on.
  ShellNotification1->SetPath(folder);
}

void Tmanager::ShellTreeView2AddFolder(TICustomShellTreeView&, const TShellFolder& folder, bool& canAdd) {
  canAdd = folder.IsFolder() || Extension(folder.PathName()) == kProjectExtension;
}

void Tmanager::ShellTreeView2Change(TICustomShellTreeView& sender, const QModelIndex& node) {
  TntLabel1->clear();
  const auto item = sender.FolderOf(node);
  if (item && !item->IsFolder()) TntLabel1->setText(QString::fromStdU16String(ReadProjectNote(item->PathName())));
}

void Tmanager::ShellTreeView2DragOver(TICustomShellTreeView& sender, QObject*, int32_t x, int32_t y, bool& accept) {
  const auto item = sender.FolderOf(sender.indexAt(QPoint(x, y)));
  if (item) accept = item->IsFolder();
}

void Tmanager::ShellTreeView2EndDrag(TICustomShellTreeView& sender, QObject* target, int32_t x, int32_t y) {
  if (!target) return;
  const auto drop = sender.FolderOf(sender.indexAt(QPoint(x, y)));
  const auto dragged = sender.SelectedFolder();
  if (!drop || !dragged) return;
  const TDropPlan plan = PlanDrop(dragged->PathName(), drop->PathName(), drop->IsFolder());
  switch (plan.Kind) {
    case TDropKind::dkNothing: return;
    case TDropKind::dkRefused: QApplication::beep(); return;
    case TDropKind::dkReplace:
      if (!AgreesToReplace(plan.Target)) return;
      break;
    case TDropKind::dkMove: break;
  }
  // The item replaced goes to the trash first: nothing is deleted for good.
  const QString replaced = QString::fromStdU16String(plan.Target);
  QString inTrash, cause;
  if (plan.Kind == TDropKind::dkReplace && !MoveItemToTrash(replaced, &inTrash, &cause)) {
    ShowMessageBox(plan.Target + u": " + Utf16(cause), MessageStrings.smError, platform::kMbOk | platform::kMbIconError);
    return;
  }
  const int32_t error = MoveProjectItem(dragged->PathName(), plan.Target);
  if (error == 0) {
    if (OnItemMoved) OnItemMoved(dragged->PathName(), plan.Target);
    return;
  }
  if (!inTrash.isEmpty()) PutBackFromTrash(inTrash, replaced);
  const std::string reason = std::generic_category().message(error);
  ShowMessageBox(dragged->PathName() + u": " + platform::Utf8ToUtf16(reason), MessageStrings.smError,
                 platform::kMbOk | platform::kMbIconError);
}

void Tmanager::ShellTreeView2Edited(TICustomShellTreeView& sender, const QModelIndex& node, QString& text) {
  const auto item = sender.FolderOf(node);
  if (!item || item->IsFolder()) return;
  const QString extension = QString::fromStdU16String(std::u16string(kProjectExtension));
  // "a.KQP" would be hidden from the tree, which lists ".kqp" in these letters.
  QString name = text;
  if (name.endsWith(extension, Qt::CaseInsensitive)) name.chop(extension.size());
  // A name the tree refuses (blanks only before ".kqp" too) is left without
  // the extension, so that the tree refuses it for what it is.
  if (!TICustomShellTreeView::IsValidItemName(name)) {
    text = name;
    return;
  }
  text = name + extension;
}

void Tmanager::ShellTreeView2OpenFile(TICustomShellTreeView&, const TShellFolder& file, bool& handled) {
  if (Extension(file.PathName()) != kProjectExtension || !platform::RegularFileExists(file.PathName())) return;
  handled = true;
  chosenProject_ = file.PathName();
  accept();
}

void Tmanager::ShellTreeView2RenameRefused(TICustomShellTreeView&, const QString& name, TNameRefusal refusal) {
  ShowMessageBox(u"\"" + Utf16(name) + u"\"\n" + NameRefusalText(refusal), Utf16(windowTitle()),
                 platform::kMbOk | platform::kMbIconWarning);
}

bool Tmanager::AgreesToReplace(const std::u16string& target) {
  // A folder is replaced with everything in it: the question says so.
  const QFileInfo item(QString::fromStdU16String(target));
  const bool folder = item.isDir() && !item.isSymLink();
  const std::u16string question =
      u"\"" + ItemName(target) + u"\" " + (folder ? MessageStrings.smFolderExists : MessageStrings.smProjectExists);
  return ShowMessageBox(question, Utf16(windowTitle()), platform::kMbYesNo | platform::kMbIconQuestion) ==
         platform::kIdYes;
}

void Tmanager::crdirClick() {
  ShellTreeView2->setFocus();
  QModelIndex node = ShellTreeView2->currentIndex();
  const auto selected = ShellTreeView2->FolderOf(node);
  if (!selected) {
    node = ShellTreeView2->RootNode();
  } else if (!selected->IsFolder()) {
    node = node.parent();  // beside the selected project
  }
  // Kept across the refresh, which may move the tree's rows.
  const QPersistentModelIndex folder(node);
  if (!folder.isValid()) return;
  const QString name = QString::fromStdU16String(NewFolderName(Utf16(ShellTreeView2->NodePath(folder))));
  if (!ShellTreeView2->MakeFolder(folder, name).isValid()) return;
  ShellTreeView2->RefreshNode(folder);
  ShellTreeView2->expand(folder);
  const QModelIndex made = ShellTreeView2->FindChild(folder, name);
  ShellTreeView2->setFocus();
  if (!made.isValid()) return;
  ShellTreeView2->setCurrentIndex(made);
  ShellTreeView2->edit(made);
}

QModelIndex Tmanager::NodeToRefresh(const std::u16string& path) const {
  const QModelIndex root = ShellTreeView2->RootNode();
  const std::u16string rootPath = WithoutTrailingSlash(ShellNotification1->Path());
  const std::u16string item = WithoutTrailingSlash(path);
  if (!IsSameOrInside(item, rootPath) || item == rootPath) return root;
  std::u16string_view rest(item);
  rest.remove_prefix(rootPath == u"/" ? 1 : rootPath.size() + 1);
  QModelIndex node = root;
  while (!rest.empty() && node.isValid()) {
    const size_t slash = rest.find(u'/');
    const std::u16string_view component = rest.substr(0, slash);
    node = ShellTreeView2->FindChild(node, QString::fromStdU16String(std::u16string(component)));
    rest = slash == std::u16string_view::npos ? std::u16string_view() : rest.substr(slash + 1);
  }
  if (!node.isValid() || node == root) return root;
  return node.parent();
}

void Tmanager::RefreshPath(const std::u16string& path) {
  const QModelIndex node = NodeToRefresh(path);
  if (node.isValid()) ShellTreeView2->RefreshNode(node);
  ShellTreeView2->scrollToTop();
}

void Tmanager::ShellNotification1FolderRemove(TShellNotification&, const std::u16string& path) { RefreshPath(path); }

void Tmanager::ShellNotification1FileDelete(TShellNotification&, const std::u16string& path) { RefreshPath(path); }

void Tmanager::ShellNotification1FileCreate(TShellNotification&, const std::u16string& path) {
  RefreshPath(ParentFolder(ParentFolder(path)));
}

void Tmanager::ShellNotification1FolderRename(TShellNotification&, const std::u16string& oldPath,
                                              const std::u16string& newPath) {
  if (platform::FolderExists(oldPath)) RefreshPath(oldPath);
  if (platform::FolderExists(newPath)) RefreshPath(ParentFolder(newPath));
}

void Tmanager::ShellNotification1ItemRename(TShellNotification&, const std::u16string& oldPath,
                                            const std::u16string& newPath) {
  if (platform::FileExists(oldPath)) RefreshPath(oldPath);
  if (platform::FileExists(newPath)) RefreshPath(ParentFolder(newPath));
}

void Tmanager::ShellNotification1PathBack() {
  // The projects folder was gone (or another took its place): the tree is
  // built anew from it.
  try {
    ShellTreeView2->CreateRoot();
  } catch (const EInvalidPath&) {
    // gone again: the watcher waits for it
  }
}

void Tmanager::ShellNotification1FolderUpdate(TShellNotification&, const std::u16string&) {}

}  // namespace kestrune
