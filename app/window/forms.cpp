#include "app/window/forms.h"

#include "app/connect_probe.h"
#include "app/window/apply_language.h"
#include "app/window/kestrune_main.h"
#include "app/window/scope_explorer.h"
#include "ui/about_form.h"
#include "ui/add_url_form.h"
#include "ui/connect.h"
#include "ui/exception_form.h"
#include "ui/list_form.h"
#include "ui/network_editor.h"
#include "ui/options_form.h"
#include "ui/progress_form.h"
#include "ui/project_manager.h"
#include "ui/question_forms.h"

namespace kestrune {

namespace {

std::unique_ptr<QWidget> CreateMainWindow(TKestruneSession& session) {
  return std::make_unique<TFKestruneMain>(session);
}

// A form that needs nothing of the session, with its English texts.
template <class Form>
std::unique_ptr<QWidget> CreatePlainForm(TKestruneSession&) {
  auto form = std::make_unique<Form>();
  ApplyBuiltInLanguage(*form);
  return form;
}

// The about box over the session's opener of web links.
std::unique_ptr<QWidget> CreateAboutForm(TKestruneSession& session) {
  auto form = std::make_unique<TFAbout>(session.Opener);
  ApplyBuiltInLanguage(*form);
  return form;
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
  TNetworkEditorHost host{[&session] { return session.Map.MarkedGroup.empty() ? -1 : session.Map.MarkedGroup.front().Id; },
                          [&session] { return session.IHistory1.CurrentFile(); }};
  auto form = std::make_unique<TfrmRedactor>(session.IContextMS1, session.WordDictionary, session.TextParsing,
                                             std::move(host));
  ApplyBuiltInLanguage(*form);
  return form;
}

// The project manager over the session's projects folder; the recent
// projects follow its renames and moves.
std::unique_ptr<QWidget> CreateManagerForm(TKestruneSession& session) {
  auto form = std::make_unique<Tmanager>([&session] { return session.Config.ProjectFolder; }, session.Opener);
  form->OnItemMoved = [&session](const std::u16string& from, const std::u16string& to) {
    session.FollowMovedProjects(from, to);
  };
  ApplyBuiltInLanguage(*form);
  return form;
}

// The scope explorer, given the interface language's folder name.
std::unique_ptr<QWidget> CreateExploreForm(TKestruneSession& session) {
  auto form = std::make_unique<Texploreform>([&session] { return session.LangFolderName(); });
  ApplyBuiltInLanguage(*form);
  return form;
}

// The options dialog over the session's settings and lists.
std::unique_ptr<QWidget> CreateOptionsForm(TKestruneSession& session) {
  auto form = std::make_unique<TOptionsForm>(SessionOptionsFields(session), session);
  ApplyBuiltInLanguage(*form);
  return form;
}

}  // namespace

const std::array<TFormEntry, kApplicationFormCount>& ApplicationForms() {
  static const std::array<TFormEntry, kApplicationFormCount> forms = {{
      {"TFKestruneMain", CreateMainWindow},
      {"TProgressForm", CreatePlainForm<TProgressForm>},
      {"TFMessNoDict", CreatePlainForm<TFMessNoDict>},
      {"TQuestChSE", CreatePlainForm<TQuestChSE>},
      {"TExceptionForm", CreatePlainForm<TExceptionForm>},
      {"TQuestion", CreatePlainForm<TQuestion>},
      {"Tmanager", CreateManagerForm},
      {"TFAddUrl", CreatePlainForm<TFAddUrl>},
      {"Texploreform", CreateExploreForm},
      {"TOptionsForm", CreateOptionsForm},
      {"TFAbout", CreateAboutForm},
      {"TfrmRedactor", CreateRedactor},
      {"TIForm", CreatePlainForm<TIForm>},
      {"TFConnect", CreateConnectForm},
  }};
  return forms;
}

}  // namespace kestrune
