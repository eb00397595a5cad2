#include "app/window/forms.h"

#include "app/window/kestrune_main.h"

namespace kestrune {

namespace {

std::unique_ptr<QWidget> CreateMainWindow(TKestruneSession& session) {
  return std::make_unique<TFKestruneMain>(session);
}

}  // namespace

const std::array<TFormEntry, kApplicationFormCount>& ApplicationForms() {
  static const std::array<TFormEntry, kApplicationFormCount> forms = {{
      {"TFKestruneMain", CreateMainWindow},
      {"TProgressForm", nullptr},
      {"TFMessNoDict", nullptr},
      {"TQuestChSE", nullptr},
      {"TExceptionForm", nullptr},
      {"TQuestion", nullptr},
      {"Tmanager", nullptr},
      {"TFAddUrl", nullptr},
      {"Texploreform", nullptr},
      {"TOptionsForm", nullptr},
      {"TFAbout", nullptr},
      {"TfrmRedactor", nullptr},
      {"TIForm", nullptr},
      {"TFConnect", nullptr},
  }};
  return forms;
}

}  // namespace kestrune
