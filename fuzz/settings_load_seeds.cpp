// Seeds for the settings load: hives written by SaveSettings itself.
#include <fstream>
#include <sstream>

#include "app/kestrune_session.h"
#include "fuzz/seeds.h"
#include "fuzz/settings_sandbox.h"
#include "platform/settings_store.h"

KESTRUNE_SEEDS(settings_load) {
  using namespace kestrune;
  fuzz::TSettingsSandbox sandbox;
  auto copy = [&](const std::string& name) {
    std::ifstream in(sandbox.Hive(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    WriteSeed(folder, name, bytes.str());
  };
  auto save = [&](const std::string& name, auto change) {
    TKestruneSession session(sandbox.Program());
    session.Config.ReadStartupSettings();
    session.Config.LoadSettings();
    change(session);
    session.Config.SaveSettings();
    copy(name);
  };
  save("defaults.hive", [](TKestruneSession&) {});
  save("filled.hive", [](TKestruneSession& s) {
    s.Config.InterfaceLang = 1049;
    s.Config.DictionaryList[0].Active = false;
    s.Config.Settings.TrackPosContext = 55;
    s.Config.Settings.TrackPosExact = 0;
    s.Config.Settings.website = "Engine";
    s.Config.Settings.Lwebsite = "Engine,Other,";
    s.Config.Settings.Author = u"\u0418\u0432\u0430\u043d \"quoted\" 100%";
    s.Config.Settings.NewsInReg = 45123.5;
    s.Config.Settings.PartsOfSpeech = 0x1FFFF;
    s.Config.RecentQueries[0] = u"caf\u00e9 query";
    s.Config.RecentProjects[4] = u"/home/user/p.kqp";
  });
  // Folders and values of other types, written over the program's own. The
  // folder is a fixed one (not the sandbox's, whose name is new every time),
  // so that the seeds are the same bytes at every run.
  platform::SettingsStore store;
  if (store.OpenKey(kSettingsKey, true)) {
    store.WriteString("ProjectFolder", "/tmp/kestrune-settings/projects");
    store.WriteString("BasesFolder", "relative");
    store.WriteString("TrackPosContext", "40");
    store.WriteInteger("Dictionaries", 9);
  }
  copy("mixed.hive");
}
