#include "app/window/forms.h"

#include "app/connect_probe.h"
#include "app/window/apply_language.h"
#include "app/window/kestrune_main.h"
#include "app/window/scope_explorer.h"
#include "ui/connect.h"
#include "ui/network_editor.h"
#include "ui/project_manager.h"

namespace kestrune {

namespace {

std::unique_ptr<QWidget> CreateMainWindow(TKestruneSession& session) {
  return std::make_unique<TFKestruneMain>(session);
}

// The proxy-login form, the prompt of the program's connection probe.
std::unique_ptr<QWidget> CreateConnectForm(TKestruneSession&) {
  auto form = std::make_unique<TFConnect>(&ConnectProbe());
  ApplyBuiltInLanguage(*form);
  return form;
}

// The network editor over the session's network, dictionary and parser; it
// edits the first marked map word and saves beside the current history file.
std::unique_ptr<QWidget> CreateRedactor(TKestruneSession& session) {
  TNetworkEditorHost host{[&session] { return session.MarkedGroup.empty() ? -1 : session.MarkedGroup.front().Id; },
                          [&session] { return session.IHistory1.CurrentFile(); }};
  auto form = std::make_unique<TfrmRedactor>(session.IContextMS1, session.WordDictionary, session.TextParsing,
                                             std::move(host));
  ApplyBuiltInLanguage(*form);
  return form;
}

// The project manager over the session's projects folder.
std::unique_ptr<QWidget> CreateManagerForm(TKestruneSession& session) {
  auto form = std::make_unique<Tmanager>([&session] { return session.ProjectFolder; }, session.Opener);
  ApplyBuiltInLanguage(*form);
  return form;
}

// The scope explorer, given the interface language's folder name.
std::unique_ptr<QWidget> CreateExploreForm(TKestruneSession& session) {
  auto form = std::make_unique<Texploreform>([&session] { return ExplorerLangFolderName(session); });
  ApplyBuiltInLanguage(*form);
  return form;
}

}  // namespace

std::string ExplorerLangFolderName(const TKestruneSession& session) {
  TLngHeader header;
  FindLngHeader(session.InterfaceLang, session.LngHeaders, header);
  const std::string& folder = header.LangFolder;
  if (folder.empty() || folder == "." || folder == "..") return "en";
  for (const char c : folder) {
    if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return "en";
  }
  return folder;
}

const std::array<TFormEntry, kApplicationFormCount>& ApplicationForms() {
  static const std::array<TFormEntry, kApplicationFormCount> forms = {{
      {"TFKestruneMain", CreateMainWindow},
      {"TProgressForm", nullptr},
      {"TFMessNoDict", nullptr},
      {"TQuestChSE", nullptr},
      {"TExceptionForm", nullptr},
      {"TQuestion", nullptr},
      {"Tmanager", CreateManagerForm},
      {"TFAddUrl", nullptr},
      {"Texploreform", CreateExploreForm},
      {"TOptionsForm", nullptr},
      {"TFAbout", nullptr},
      {"TfrmRedactor", CreateRedactor},
      {"TIForm", nullptr},
      {"TFConnect", CreateConnectForm},
  }};
  return forms;
}

}  // namespace kestrune
