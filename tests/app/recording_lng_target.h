// A language-file target without widgets: a fixed set of forms and components
// (names matched without case), each with the text properties Caption, Hint
// and Text and a three-item list Items; every change is recorded as
// "Form.Component.Property=text" (UTF-8), items as "...Items[n]=text".
#pragma once

#include <map>
#include <string>
#include <vector>

#include "app/lng_file.h"
#include "platform/text.h"

namespace kestrune::test {

class TRecordingLngTarget : public ILngTarget {
 public:
  // forms: form name -> its component names.
  explicit TRecordingLngTarget(std::map<std::string, std::vector<std::string>> forms) {
    for (auto& [form, components] : forms) {
      TEntry& entry = forms_[Lower(form)];
      entry.path = form;
      for (const std::string& component : components) entry.components[Lower(component)] = form + "." + component;
    }
  }

  TObject FindForm(std::string_view name) override {
    auto it = forms_.find(Lower(name));
    return it == forms_.end() ? nullptr : &it->second.path;
  }
  TObject FindComponent(TObject form, std::string_view name) override {
    for (auto& [key, entry] : forms_) {
      if (&entry.path != form) continue;
      auto it = entry.components.find(Lower(name));
      return it == entry.components.end() ? nullptr : &it->second;
    }
    return nullptr;
  }
  bool SetTextProperty(TObject object, std::string_view property, std::u16string_view text) override {
    const std::string name = Lower(property);
    if (name != "caption" && name != "hint" && name != "text") return false;
    log.push_back(*static_cast<std::string*>(object) + "." + std::string(property) + "=" + platform::Utf16ToUtf8(text));
    return true;
  }
  bool SetItem(TObject object, std::string_view listProperty, int32_t index, std::u16string_view text) override {
    if (listProperty != "Items" || index < 0 || index >= 3) return false;
    log.push_back(*static_cast<std::string*>(object) + ".Items[" + std::to_string(index) +
                  "]=" + platform::Utf16ToUtf8(text));
    return true;
  }

  std::vector<std::string> log;

 private:
  struct TEntry {
    std::string path;
    std::map<std::string, std::string> components;
  };
  static std::string Lower(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return result;
  }
  std::map<std::string, TEntry> forms_;
};

}  // namespace kestrune::test
