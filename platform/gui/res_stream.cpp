#include "platform/gui/res_stream.h"

#include <QDir>
#include <QFile>

namespace kestrune {

namespace {

// The resource path of a name, looked up without regard to case; empty when
// there is no such resource.
QString FindResource(std::string_view name) {
  const QString wanted = QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
  if (wanted.isEmpty()) return {};
  const QDir folder(QString::fromLatin1(IResStream::kResourceFolder));
  const QStringList entries = folder.entryList(QDir::Files);
  for (const QString& entry : entries) {
    if (entry.compare(wanted, Qt::CaseInsensitive) == 0) return folder.filePath(entry);
  }
  return {};
}

}  // namespace

bool IResStream::LoadFromResource(std::string_view name, std::unique_ptr<QBuffer>& copy) {
  const QString path = FindResource(name);
  if (path.isEmpty()) return false;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = file.readAll();
  if (bytes.size() != file.size()) return false;

  SetSize(bytes.size());
  SetPosition(0);
  Write(bytes.constData(), bytes.size());

  copy.reset();
  auto device = std::make_unique<QBuffer>();
  device->open(QIODevice::ReadWrite);
  device->write(bytes);
  copy = std::move(device);

  SetPosition(0);
  return true;
}

}  // namespace kestrune
