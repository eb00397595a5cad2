#include "app/message_loader.h"

#include "core/base.h"
#include "core/code_page.h"
#include "platform/text.h"

namespace kestrune {

void MessageCallback(std::string_view section, std::string_view key, std::string_view value, int32_t codePage,
                     void* callbackData) {
  if (value.empty() || value == " ") return;
  if (key == "smHello" && section != "Messages") return;
  auto& strings = *static_cast<TMessageStrings*>(callbackData);
  std::u16string* target = strings.Find(key);
  if (target) *target = CodePageToWide(value, codePage);
}

std::u16string ChosenLngFile(std::u16string_view languageFolder, const TLngHeaders& headers,
                             int32_t interfaceLang) {
  TLngHeader header;
  FindLngHeader(interfaceLang, headers, header);
  return AddBackslash(languageFolder) + platform::Utf8ToUtf16(header.FileName);
}

void ReloadMessages(std::u16string_view languageFolder, const TLngHeaders& headers, int32_t interfaceLang,
                    ILngTarget* target, TMessageStrings& strings) {
  // Every key starts from its built-in text, so a key the chosen file lacks
  // does not keep the text of the language shown before.
  strings = TMessageStrings();
  ApplyLngFile(ChosenLngFile(languageFolder, headers, interfaceLang), target, MessageCallback, &strings);
}

void StartupReload(std::u16string_view languageFolder, const TLngHeaders& headers, int32_t interfaceLang,
                   ILngTarget* target, TMessageStrings& strings, TLngList& languageList) {
  LoadLngList(languageFolder, languageList);
  ReloadMessages(languageFolder, headers, interfaceLang, target, strings);
}

}  // namespace kestrune
