#include "app/window/desktop_services.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QUrl>

#include "platform/message_box.h"

namespace kestrune {

namespace {

QString ToQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

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
  switch (box.exec()) {
    case QMessageBox::Cancel: return platform::kIdCancel;
    case QMessageBox::Yes: return platform::kIdYes;
    case QMessageBox::No: return platform::kIdNo;
    default: return (flags & 0x0F) == platform::kMbYesNo ? platform::kIdNo : platform::kIdOk;
  }
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
  return address.isValid() && QDesktopServices::openUrl(address);
}

void InstallQtMessageBox() {
  if (!platform::GetMessageBoxHandler()) platform::SetMessageBoxHandler(ShowQtMessageBox);
}

}  // namespace kestrune
