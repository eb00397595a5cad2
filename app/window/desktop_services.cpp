#include "app/window/desktop_services.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFont>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QProcess>
#include <QSpacerItem>
#include <QUrl>
#include <functional>

#include "app/send_mail.h"
#include "core/log_file.h"
#include "core/message.h"
#include "core/message_strings.h"
#include "platform/message_box.h"

namespace kestrune {

namespace {

QString ToQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// The room the window manager's frame takes beside the caption: its icon
// and the buttons to minimise, maximise and close.
constexpr int kTitleBarRoom = 120;

int32_t ShowQtMessageBox(std::u16string_view text, std::u16string_view caption, uint32_t flags) {
  QMessageBox box(QApplication::activeWindow());
  box.setText(ToQString(text));
  box.setWindowTitle(ToQString(caption));
  switch (flags & 0xF0) {
    case platform::kMbIconError: box.setIcon(QMessageBox::Critical); break;
    case platform::kMbIconQuestion: box.setIcon(QMessageBox::Question); break;
    case platform::kMbIconWarning: box.setIcon(QMessageBox::Warning); break;
    case platform::kMbIconInformation: box.setIcon(QMessageBox::Information); break;
    default: break;
  }
  switch (flags & 0x0F) {
    case platform::kMbOkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case platform::kMbYesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    default: box.setStandardButtons(QMessageBox::Ok); break;
  }
  // A short text would make the box narrower than its title bar needs (the
  // layout is complete only now: the icon and the buttons rebuild it).
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    grid->addItem(new QSpacerItem(MessageBoxTitleWidth(box.windowTitle()), 0, QSizePolicy::Minimum,
                                  QSizePolicy::Minimum),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
  switch (box.exec()) {
    case QMessageBox::Cancel: return platform::kIdCancel;
    case QMessageBox::Yes: return platform::kIdYes;
    case QMessageBox::No: return platform::kIdNo;
    default: return (flags & 0x0F) == platform::kMbYesNo ? platform::kIdNo : platform::kIdOk;
  }
}

// What the desktop's opener did not open, said in a message box: `failure`
// (a member of MessageStrings, read when the box shows) and the address.
void ReportUnopened(const std::u16string* failure, const QString& shown) {
  LogFile.Log("The desktop could not open " + shown.toStdString(), 1);
  ShowMessageBox(*failure + u"\n" + shown.toStdU16String(), MessageStrings.smMes,
                 platform::kMbOk | platform::kMbIconWarning);
}

}  // namespace

bool TDesktopOpener::OpenLocalFile(std::u16string_view path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(ToQString(path)));
}

std::string TDesktopOpener::MimeTypeOfFile(std::u16string_view path) {
  const QMimeDatabase database;
  const QMimeType type = database.mimeTypeForFile(ToQString(path), QMimeDatabase::MatchDefault);
  return type.isValid() ? type.name().toLower().toStdString() : std::string("application/octet-stream");
}

bool TDesktopOpener::OpenUrl(std::u16string_view url) {
  const QUrl address(ToQString(url), QUrl::StrictMode);
  if (!address.isValid()) return false;
  const QString text = address.toString(QUrl::FullyEncoded);
  StartWatched(text, &MessageStrings.smCannotOpenLink, text);
  return true;
}

bool TDesktopOpener::OpenHelpPage(std::u16string_view path) {
  StartWatchedFile(path, &MessageStrings.smCannotOpenHelp);
  return true;
}

bool TDesktopOpener::OpenChosenFile(std::u16string_view path) {
  StartWatchedFile(path, &MessageStrings.smCannotOpenFile);
  return true;
}

void TDesktopOpener::StartWatchedFile(std::u16string_view path, const std::u16string* failure) {
  const QString file = ToQString(path);
  StartWatched(QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded), failure, file);
}

void TDesktopOpener::StartWatched(const QString& argument, const std::u16string* failure, const QString& shown) {
  // The opener runs on its own; its failure is reported when it ends. It
  // has no parent: an opener that still runs (it may wait for the browser
  // it started) when the program ends is left running, never killed.
  auto* opener = new QProcess;
  opener->setProgram(OpenerProgram);
  opener->setArguments({argument});
  opener->setProcessChannelMode(QProcess::ForwardedChannels);
  QObject::connect(opener, &QProcess::finished, opener,
                   [opener, failure, shown](int code, QProcess::ExitStatus status) {
                     if (status != QProcess::NormalExit || code != 0) ReportUnopened(failure, shown);
                     opener->deleteLater();
                   });
  QObject::connect(opener, &QProcess::errorOccurred, opener, [opener, failure, shown](QProcess::ProcessError error) {
    if (error != QProcess::FailedToStart) return;
    ReportUnopened(failure, shown);
    opener->deleteLater();
  });
  opener->start();
}

TMailReportQueue::TMailReportQueue() {
  ISendMail::SetUiPoster([](std::function<void()> call) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(call), Qt::QueuedConnection);
  });
}

TMailReportQueue::~TMailReportQueue() { ISendMail::SetUiPoster({}); }

int MessageBoxTitleWidth(const QString& caption) {
  QFont font = QApplication::font();
  font.setBold(true);
  return QFontMetrics(font).horizontalAdvance(caption) + kTitleBarRoom;
}

void InstallQtMessageBox() {
  if (!platform::GetMessageBoxHandler()) platform::SetMessageBoxHandler(ShowQtMessageBox);
}

}  // namespace kestrune
