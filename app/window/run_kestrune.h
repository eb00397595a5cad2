// RunKestrune: the program block, from the application object to the end of
// the message loop, in this order:
//   1  the application's name "Kestrune Search"; the log "kestrune.log" in the
//      program folder (the settings store reports to it); the message box,
//      which hides the splash form first; SIGTERM and SIGINT close the main
//      window without the save question and leave every loop, a modal
//      box's too (a box opened after them is only logged)
//   2-3  the language folder (program folder + "Language/") and its table
//   4  the start-up settings
//   5  the options dialog's language list and the message strings
//   6  the data-folder check: on failure the fixed message "program
//      corrupted. Try to reinstall program" / "IntegityCheck error" in the
//      message box, on stderr and in the log, and the end (status 1) before
//      any form exists
//   7  the splash form (ui/splash_form.h), which shows the progress of the
//      dictionaries that the main window's creation loads
//   8  the forms of ApplicationForms(), in order; the main window's creation
//      loads the settings. A main window that closed itself while it was
//      created ends the program here: no language, no loop.
//   9  the interface language over all forms, then the messages; the splash
//      form goes
//   11 the message loop, until the main window closes
//   12 the forms are destroyed in the reverse order (the main window writes
//      the settings), the run's temporary folder goes
//      (app/run_temp_folder.h), then a downloaded installer goes to the
//      user's program for it (TKestruneSession::StartInstaller)
//   13 the end: status 0
// The program folder is ProgramFolder() (KESTRUNE_HOME when set).
//
// Runs on the user-interface thread; the caller owns the application object.
#pragma once

#include <QApplication>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

namespace kestrune {

class IBrowserOpener;

struct TRunOptions {
  // The desktop's opener when null.
  IBrowserOpener* Opener = nullptr;
  // Called after each form of step 8 is created.
  std::function<void(QWidget& form)> OnFormCreated;
};

// arguments: the command line after the program's name.
int RunKestrune(QApplication& app, const std::vector<std::u16string>& arguments, const TRunOptions& options = {});

// The fixed texts of the data-folder check.
inline constexpr char16_t kIntegrityText[] = u"program corrupted. Try to reinstall program";
inline constexpr char16_t kIntegrityCaption[] = u"IntegityCheck error";

}  // namespace kestrune
