#include "app/window/apply_language.h"

#include <QBuffer>
#include <memory>

#include "app/message_loader.h"
#include "app/window/lng_widget_target.h"
#include "platform/gui/res_stream.h"

// The resource is linked from a static library, so its registration is
// pulled in by name.
static void InitAppWindowResources() { Q_INIT_RESOURCE(app_window); }

namespace kestrune {

void RegisterBuiltInLanguage() {
  static const bool registered = (InitAppWindowResources(), true);
  (void)registered;
}

TMemoryStream BuiltInEnglishFile() {
  RegisterBuiltInLanguage();
  IResStream resource;
  std::unique_ptr<QBuffer> copy;
  resource.LoadFromResource("en_lng", copy);
  resource.SetPosition(0);
  return TMemoryStream(std::move(resource.Bytes()));
}

void ApplyLanguageOver(TStream& english, std::u16string_view languageFolder, const TLngHeaders& headers,
                       int32_t interfaceLang, TMessageStrings& strings) {
  TLngWidgetTarget target;
  ApplyLngFile(u"", &target, nullptr, nullptr, &english);
  ApplyLngFile(ChosenLngFile(languageFolder, headers, interfaceLang), &target, nullptr, nullptr);
  ReloadMessages(languageFolder, headers, interfaceLang, &target, strings);
}

void ApplyLanguage(std::u16string_view languageFolder, const TLngHeaders& headers, int32_t interfaceLang,
                   TMessageStrings& strings) {
  TMemoryStream english = BuiltInEnglishFile();
  ApplyLanguageOver(english, languageFolder, headers, interfaceLang, strings);
}

void ApplyBuiltInLanguage(QWidget& form) {
  TMemoryStream english = BuiltInEnglishFile();
  TLngWidgetTarget target(&form);
  ApplyLngFile(u"", &target, nullptr, nullptr, &english);
}

void ApplyLanguageToForm(QWidget& form, std::u16string_view languageFolder, const TLngHeaders& headers,
                         int32_t interfaceLang) {
  TMemoryStream english = BuiltInEnglishFile();
  TLngWidgetTarget target(&form);
  ApplyLngFile(u"", &target, nullptr, nullptr, &english);
  ApplyLngFile(ChosenLngFile(languageFolder, headers, interfaceLang), &target, nullptr, nullptr);
}

}  // namespace kestrune
