// A language-file target without widgets: forms and their components by name
// (matched without case), each with the text properties Caption, Hint and
// Text and a three-item list Items; every change is recorded as
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
  // form name -> its component names
  explicit TRecordingLngTarget(const std::map<std::string, std::vector<std::string>>& forms) {
    for (const auto& [form, components] : forms) {
      objects_[Lower(form)] = form;
      for (const std::string& component : components) objects_[Lower(form + "." + component)] = form + "." + component;
    }
  }

  TObject FindForm(std::string_view name) override { return Find(Lower(name)); }
  TObject FindComponent(TObject form, std::string_view name) override {
    return Find(Lower(*static_cast<std::string*>(form) + "." + std::string(name)));
  }
  bool SetTextProperty(TObject object, std::string_view property, std::u16string_view text) override {
    const std::string name = Lower(property);
    if (name != "caption" && name != "hint" && name != "text") return false;
    log.push_back(*static_cast<std::string*>(object) + "." + std::string(property) + "=" + platform::Utf16ToUtf8(text));
    return true;
  }
  bool SetItem(TObject object, std::string_view list, int32_t index, std::u16string_view text) override {
    if (list != "Items" || index < 0 || index >= 3) return false;
    log.push_back(*static_cast<std::string*>(object) + ".Items[" + std::to_string(index) + "]=" + platform::Utf16ToUtf8(text));
    return true;
  }

  std::vector<std::string> log;

 private:
  TObject Find(const std::string& key) {
    auto it = objects_.find(key);
    return it == objects_.end() ? nullptr : &it->second;
  }
  static std::string Lower(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return result;
  }
  std::map<std::string, std::string> objects_;
};

}  // namespace kestrune::test
