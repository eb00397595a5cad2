#include "ui/project_dialogs.h"

#include <QAbstractItemView>
#include <QBuffer>
#include <QCompleter>
#include <QDir>
#include <QEvent>
#include <QGridLayout>
#include <QIcon>
#include <QImage>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPixmap>
#include <QResizeEvent>
#include <QToolTip>
#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "app/project_file.h"
#include "app/project_note.h"
#include "app/projects_folder.h"
#include "core/message.h"
#include "platform/gui/res_stream.h"

// The resources of the ui library are linked from a static library, so their
// registration is pulled in by name.
static void InitUiResources() { Q_INIT_RESOURCE(ui); }

namespace kestrune {

namespace {

const QString kProjectFilter = QStringLiteral("Kestrune project (*.kqp)");

// Keeps children at fixed distances from the sides of their parent they are
// anchored to, as the parent is resized: anchored to both opposite sides a
// child stretches, to one it keeps its size and that distance.
class TAnchors : public QObject {
 public:
  enum : uint8_t { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };

  explicit TAnchors(QWidget* parent) : QObject(parent), parent_(parent) { parent->installEventFilter(this); }

  // The child's present place (within the parent's present size) is kept.
  void Anchor(QWidget* child, uint8_t sides) {
    const QRect r = child->geometry();
    items_.push_back(
        {child, sides, r.left(), r.top(), parent_->width() - r.right() - 1, parent_->height() - r.bottom() - 1});
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == parent_ && event->type() == QEvent::Resize) {
      const QSize size = parent_->size();
      for (const TItem& item : items_) {
        // A side not stretched keeps the child's present size.
        int left = item.left;
        int width = item.child->width();
        if (item.sides & akRight) {
          if (item.sides & akLeft) {
            width = std::max(0, size.width() - item.left - item.right);
          } else {
            left = size.width() - item.right - width;
          }
        }
        int top = item.top;
        int height = item.child->height();
        if (item.sides & akBottom) {
          if (item.sides & akTop) {
            height = std::max(0, size.height() - item.top - item.bottom);
          } else {
            top = size.height() - item.bottom - height;
          }
        }
        item.child->setGeometry(left, top, width, height);
      }
    }
    return false;
  }

 private:
  struct TItem {
    QWidget* child;
    uint8_t sides;
    int left, top, right, bottom;
  };
  QWidget* parent_;
  std::vector<TItem> items_;
};

template <class Widget>
Widget* Named(Widget* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

QIcon DialogButtonGlyph() {
  IResStream stream;
  std::unique_ptr<QBuffer> copy;
  if (!stream.LoadFromResource("DIALOGBUTTON", copy)) return {};
  QImage image;
  if (!image.loadFromData(copy->data())) return {};
  return QIcon(QPixmap::fromImage(image));
}

QString FolderWithSlash(const QString& folder) {
  QString path = QDir(folder).absolutePath();
  if (!path.endsWith(u'/')) path += u'/';
  return path;
}

}  // namespace

TTntOpenProjectDialog::TTntOpenProjectDialog(QWidget* parent) : QFileDialog(parent) {
  static const bool resources = (InitUiResources(), true);
  (void)resources;
  setOption(QFileDialog::DontUseNativeDialog, true);
  SetFilter(kProjectFilter);

  // The panel, laid out as it is made (400 x 200), then kept by anchors.
  PicturePanel = Named(new QWidget(this), "PicturePanel");
  PicturePanel->resize(400, 200);
  PicturePanel->setContentsMargins(6, 6, 6, 6);
  tgroupbox1 = Named(new QGroupBox(PicturePanel), "tgroupbox1");
  tgroupbox1->setGeometry(5, 5, 390, 190);
  TEdDetails2 = Named(new QLabel(tgroupbox1), "TEdDetails2");
  TEdDetails2->move(10, 20);
  TEdDetails = Named(new QPlainTextEdit(tgroupbox1), "TEdDetails");
  TEdDetails->setGeometry(84, 20, 300, 136);
  TEdDetails->setFrameShape(QFrame::StyledPanel);
  TEdDetails->setFrameShadow(QFrame::Sunken);
  TEdDetails->installEventFilter(this);
  TEdDetails3 = Named(new QPushButton(tgroupbox1), "TEdDetails3");
  TEdDetails3->setGeometry(84, 160, 128, 25);
  TEdDetails3->setIcon(DialogButtonGlyph());
  connect(TEdDetails3, &QPushButton::clicked, this, [this] {
    if (onButton_) onButton_();
  });
  TCBDntSaveOld1 = Named(new QCheckBox(tgroupbox1), "TCBDntSaveOld1");
  TCBDntSaveOld1->setGeometry(84, 160, 180, 20);
  TCBDntSaveOld1->setChecked(false);
  TCBDntSaveOld1->hide();

  auto* panelAnchors = new TAnchors(PicturePanel);
  panelAnchors->Anchor(tgroupbox1, TAnchors::akLeft | TAnchors::akTop | TAnchors::akRight | TAnchors::akBottom);
  auto* boxAnchors = new TAnchors(tgroupbox1);
  boxAnchors->Anchor(TEdDetails, TAnchors::akLeft | TAnchors::akTop | TAnchors::akRight | TAnchors::akBottom);
  boxAnchors->Anchor(TEdDetails3, TAnchors::akLeft | TAnchors::akBottom);
  boxAnchors->Anchor(TCBDntSaveOld1, TAnchors::akLeft | TAnchors::akBottom);
  SetCaptions(MessageStrings);

  // Below the standard controls, across the dialog: 150 pixels more.
  PicturePanel->setMinimumHeight(132);
  if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
    grid->addWidget(PicturePanel, grid->rowCount(), 0, 1, grid->columnCount());
  }
  resize(width(), height() + 150);

  connect(this, &QFileDialog::currentChanged, this, [this](const QString& path) {
    if (OnSelectionChange) OnSelectionChange(*this, path);
  });
}

TTntOpenProjectDialog::~TTntOpenProjectDialog() = default;

void TTntOpenProjectDialog::SetFilter(const QString& value) {
  filter_ = value;
  setNameFilter(value);
}

void TTntOpenProjectDialog::SetOnButton(std::function<void()> handler) { onButton_ = std::move(handler); }

void TTntOpenProjectDialog::SetCaptions(const TMessageStrings& strings) {
  tgroupbox1->setTitle(QString::fromStdU16String(strings.smOpenSaveOptions));
  TEdDetails3->setText(QString::fromStdU16String(strings.smOpenSaveImport));
  // At least 128 wide, wider when the caption needs it.
  TEdDetails3->resize(std::max(128, TEdDetails3->sizeHint().width()), TEdDetails3->height());
  TEdDetails2->setText(QString::fromStdU16String(strings.smOpenSaveNote));
  TEdDetails2->adjustSize();
  TCBDntSaveOld1->setText(QString::fromStdU16String(strings.smOpenSaveOldLinks));
}

QString TTntOpenProjectDialog::CurrentFolder() const { return FolderWithSlash(directory().absolutePath()); }

bool TTntOpenProjectDialog::Run() {
  return exec() == QDialog::Accepted && !selectedFiles().isEmpty();
}

bool TTntOpenProjectDialog::Execute() {
  TEdDetails->clear();
  TEdDetails->setReadOnly(true);
  TEdDetails3->show();
  TCBDntSaveOld1->hide();
  setAcceptMode(QFileDialog::AcceptOpen);
  setFileMode(QFileDialog::ExistingFile);
  setDefaultSuffix(QString());
  return Run();
}

QString TTntOpenProjectDialog::FileName() const {
  const QStringList files = selectedFiles();
  return files.isEmpty() ? QString() : files.front();
}

std::u16string TTntOpenProjectDialog::NoteText() const {
  QString text = TEdDetails->toPlainText();
  text.replace(u'\n', QStringLiteral("\r\n"));
  return text.toStdU16String();
}

void TTntOpenProjectDialog::SetNoteText(std::u16string_view text) {
  QString note = QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
  note.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  note.replace(u'\r', u'\n');
  TEdDetails->setPlainText(note);
}

bool TTntOpenProjectDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == TEdDetails && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape) {
      reject();
      return true;
    }
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && !TEdDetails->isReadOnly()) {
      TEdDetails->textCursor().insertText(QStringLiteral("\n"));
      return true;
    }
  }
  return QFileDialog::eventFilter(watched, event);
}

void TTntOpenProjectDialog::done(int result) {
  // Enter in the name field while its completion list shows closes the
  // dialog with the list still open: the list would stay over the main
  // window as the application's popup and take its next click.
  for (QCompleter* completer : findChildren<QCompleter*>()) {
    if (completer->popup()->isVisible()) completer->popup()->hide();
  }
  QFileDialog::done(result);
  QToolTip::hideText();
}

TTntSaveProjectDialog::TTntSaveProjectDialog(QWidget* parent) : TTntOpenProjectDialog(parent) {}

bool TTntSaveProjectDialog::Execute() {
  TEdDetails3->hide();
  TCBDntSaveOld1->show();
  TEdDetails->setReadOnly(false);
  setAcceptMode(QFileDialog::AcceptSave);
  setFileMode(QFileDialog::AnyFile);
  setDefaultSuffix(QStringLiteral("kqp"));
  setOption(QFileDialog::DontConfirmOverwrite, false);
  return Run();
}

void TTntSaveProjectDialog::accept() {
  // The suffix Qt adds goes only to a name without a dot: the typed name is
  // finished here, so the question and the file are about the same name.
  auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  const QStringList files = selectedFiles();
  if (edit && !edit->text().isEmpty() && !files.isEmpty() && !QFileInfo(files.front()).isDir()) {
    // A name the project lists would not show (".notes"), or one of blanks
    // only, is refused: the dialog stays, and says why.
    const std::u16string name = WithProjectExtension(QFileInfo(files.front()).fileName().toStdU16String());
    const TNameRefusal refusal = CheckProjectName(name);
    if (refusal != TNameRefusal::nrNone) {
      ShowMessageBox(u"\"" + name + u"\"\n" + NameRefusalText(refusal), windowTitle().toStdU16String(),
                     platform::kMbOk | platform::kMbIconWarning);
      return;
    }
    const std::u16string typed = edit->text().toStdU16String();
    const std::u16string finished = WithProjectExtension(typed);
    if (finished != typed) edit->setText(QString::fromStdU16String(finished));
  }
  QFileDialog::accept();
}

void TntOpenProjectDialog1SelectionChange(TTntOpenProjectDialog& sender, const QString& fileName) {
  sender.SetNoteText(fileName.isEmpty() ? std::u16string() : ProjectNotePreview(fileName.toStdU16String()));
}

}  // namespace kestrune
