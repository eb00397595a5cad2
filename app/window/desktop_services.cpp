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

// The address that the desktop's opener did not open, said in a message box.
void ReportUnopened(const QString& url) {
  LogFile.Log("The desktop could not open " + url.toStdString(), 1);
  ShowMessageBox(MessageStrings.smCannotOpenLink + u"\n" + url.toStdU16String(), MessageStrings.smMes,
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
  // The opener runs on its own; its failure is reported when it ends. It
  // has no parent: an opener that still runs (it may wait for the browser
  // it started) when the program ends is left running, never killed.
  auto* opener = new QProcess;
  opener->setProgram(OpenerProgram);
  opener->setArguments({text});
  opener->setProcessChannelMode(QProcess::ForwardedChannels);
  QObject::connect(opener, &QProcess::finished, opener, [opener, text](int code, QProcess::ExitStatus status) {
    if (status != QProcess::NormalExit || code != 0) ReportUnopened(text);
    opener->deleteLater();
  });
  QObject::connect(opener, &QProcess::errorOccurred, opener, [opener, text](QProcess::ProcessError error) {
    if (error != QProcess::FailedToStart) return;
    ReportUnopened(text);
    opener->deleteLater();
  });
  opener->start();
  return true;
}

int MessageBoxTitleWidth(const QString& caption) {
  QFont font = QApplication::font();
  font.setBold(true);
  return QFontMetrics(font).horizontalAdvance(caption) + kTitleBarRoom;
}

void InstallQtMessageBox() {
  if (!platform::GetMessageBoxHandler()) platform::SetMessageBoxHandler(ShowQtMessageBox);
}

}  // namespace kestrune
