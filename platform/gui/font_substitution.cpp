#include "platform/gui/font_substitution.h"

#include <QFontDatabase>
#include <array>
#include <cmath>
#include <mutex>
#include <unordered_map>

namespace kestrune::platform {

namespace {

struct TSubstitute {
  const char16_t* windows;
  const char* first;   // preferred, metric-compatible when installed
  const char* second;  // DejaVu, always shipped with the program's dependencies
};

constexpr std::array<TSubstitute, 12> kSubstitutes{{
    {u"arial", "Liberation Sans", "DejaVu Sans"},
    {u"helvetica", "Liberation Sans", "DejaVu Sans"},
    {u"ms sans serif", "Liberation Sans", "DejaVu Sans"},
    {u"microsoft sans serif", "Liberation Sans", "DejaVu Sans"},
    {u"tahoma", "DejaVu Sans", "DejaVu Sans"},
    {u"verdana", "DejaVu Sans", "DejaVu Sans"},
    {u"segoe ui", "DejaVu Sans", "DejaVu Sans"},
    {u"arial narrow", "Liberation Sans Narrow", "DejaVu Sans Condensed"},
    {u"times new roman", "Liberation Serif", "DejaVu Serif"},
    {u"georgia", "DejaVu Serif", "DejaVu Serif"},
    {u"courier new", "Liberation Mono", "DejaVu Sans Mono"},
    {u"lucida console", "DejaVu Sans Mono", "DejaVu Sans Mono"},
}};

bool FamilyInstalled(const QString& family) {
  static std::mutex lock;
  static std::unordered_map<std::u16string, bool> known;
  const std::u16string key(reinterpret_cast<const char16_t*>(family.utf16()), family.size());
  std::lock_guard<std::mutex> guard(lock);
  auto found = known.find(key);
  if (found != known.end()) return found->second;
  const bool installed = QFontDatabase::hasFamily(family);
  known.emplace(key, installed);
  return installed;
}

}  // namespace

QString SubstituteFontFamily(std::u16string_view windowsName) {
  const QString name = QString::fromUtf16(windowsName.data(), static_cast<qsizetype>(windowsName.size())).trimmed();
  const QString folded = name.toLower();
  for (const TSubstitute& entry : kSubstitutes) {
    if (folded != QString::fromUtf16(entry.windows)) continue;
    const QString first = QString::fromLatin1(entry.first);
    if (FamilyInstalled(first)) return first;
    return QString::fromLatin1(entry.second);
  }
  return name;
}

QFont MakeFont(std::u16string_view windowsName, double points) {
  QFont font(SubstituteFontFamily(windowsName));
  font.setPointSizeF(std::isfinite(points) && points > 0.0 ? points : 1.0);
  font.setStyleStrategy(QFont::PreferAntialias);
  font.setHintingPreference(QFont::PreferNoHinting);
  font.setKerning(true);
  return font;
}

QImage MakePaintImage(int width, int height, QImage::Format format) {
  QImage image(width, height, format);
  image.setDotsPerMeterX(kPaintDotsPerMeter);
  image.setDotsPerMeterY(kPaintDotsPerMeter);
  return image;
}

}  // namespace kestrune::platform
