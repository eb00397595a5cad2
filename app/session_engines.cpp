// The engine list of the settings unit: built while the settings load, shown in
// the engine box, and the current engine.
#include "app/session_settings.h"
#include "core/log_file.h"
#include "core/message.h"
#include "core/message_strings.h"
#include "platform/text.h"

namespace kestrune {

using platform::Utf16ToUtf8;
using platform::Utf8ToUtf16;

int32_t TSessionSettings::Message(std::u16string_view text, std::u16string_view caption, uint32_t flags) const {
  return ShowMessage ? ShowMessage(text, caption, flags) : ShowMessageBox(text, caption, flags);
}

std::u16string TSessionSettings::EngineFolder() const { return programFolder_ + u"templates/web/"; }

void TSessionSettings::BuildEngineList() {
  Engines.clear();
  engineListFailed_ = false;
  std::string& enabledText = Settings.Lwebsite;
  const std::u16string folder = EngineFolder();
  for (const std::u16string& file : ListEngineTemplates(folder, AdvertisingBegun)) {
    TSearchEn engine;
    engine.Template = Utf16ToUtf8(file.substr(0, file.size() - 4));
    if (!ReadEngineHeader(folder, engine.Template, engine.Priority, engine.Name)) {
      Message(MessageStrings.smTemplate + Utf8ToUtf16(engine.Template), u"", platform::kMbOk);
    }
    engine.Enabled = enabledText.empty() || EngineEnabledIn(enabledText, engine.Name);
    Engines.push_back(std::move(engine));
  }
  if (Engines.empty()) {
    engineListFailed_ = true;
    Message(MessageStrings.smProgramCorrupted, MessageStrings.smErrorTemp, platform::kMbOk | platform::kMbIconError);
    if (View) View->CloseMainWindow();
    return;
  }
  CurrentEngineTemplate = GetEngineTemplateName(Settings.website);
  SortEngines(true);
  if (enabledText.empty()) enabledText = EnabledEngineText(Engines);
  if (Settings.website.empty()) {
    for (const TSearchEn& engine : Engines) {
      if (!engine.Enabled) continue;
      Settings.website = engine.Name;
      CurrentEngineTemplate = engine.Template;
      break;
    }
  }
}

std::string TSessionSettings::GetEngineTemplateName(std::string_view displayName) const {
  return kestrune::GetEngineTemplateName(Engines, displayName);
}

void TSessionSettings::SortEngines(bool ascending) { kestrune::SortEngines(Engines, ascending); }

void TSessionSettings::FillEngineBox() {
  // An enabled-engine text that names no engine enables them all, as an
  // empty one does: the box never holds "More engines" alone.
  bool anyEnabled = false;
  for (const TSearchEn& engine : Engines) anyEnabled = anyEnabled || engine.Enabled;
  if (Settings.Lwebsite.empty() || !anyEnabled) {
    for (TSearchEn& engine : Engines) engine.Enabled = true;
    Settings.Lwebsite = EnabledEngineText(Engines);
  }
  EngineBoxItems.clear();
  int32_t selected = -1;
  const std::u16string current = platform::WideLowerCase(Utf8ToUtf16(Settings.website));
  for (const TSearchEn& engine : Engines) {
    if (!engine.Enabled) continue;
    const std::u16string name = Utf8ToUtf16(engine.Name);
    if (selected < 0 && platform::WideLowerCase(name) == current) {
      selected = static_cast<int32_t>(EngineBoxItems.size());
    }
    EngineBoxItems.push_back(name);
  }
  EngineBoxItems.push_back(MessageStrings.smMoreEngines);
  if (selected < 0) selected = 0;
  if (View) View->SetEngineItems(EngineBoxItems, selected);
  MakeEngineCurrent(Utf16ToUtf8(EngineBoxItems[static_cast<size_t>(selected)]));
}

void TSessionSettings::MakeEngineCurrent(std::string_view displayName) {
  Settings.website = displayName;
  CurrentEngineTemplate = GetEngineTemplateName(displayName);
  if (View) View->SetCaption(MainCaption());
}

std::u16string TSessionSettings::MainCaption() const {
  return MessageStrings.smKestruneVia + Utf8ToUtf16(Settings.website);
}

}  // namespace kestrune
