// IProjectDialogs: the project open and save dialogs as the session sees
// them. The window implements them with its two dialog components; the
// captions of their panels come from the interface language's message
// strings each time a dialog runs. Tests give a scripted fake.
//
// User-interface thread only.
#pragma once

#include <string>
#include <string_view>

namespace kestrune {

// What the save dialog is given and gives back.
struct TProjectSaveRequest {
  std::u16string Folder;       // the folder the dialog starts in
  std::u16string DefaultName;  // the file name offered
  std::u16string Note;         // the note memo's text, edited by the user
  bool SkipOldLinks = false;   // "Don't save old links", read after the dialog
  std::u16string FileName;     // the chosen file, with its folder
};

class IProjectDialogs {
 public:
  virtual ~IProjectDialogs() = default;
  // The open dialog in `folder`; true with the chosen file in `fileName`.
  virtual bool ExecuteOpen(std::u16string_view folder, std::u16string& fileName) = 0;
  // The save dialog; true when a name was chosen (request.FileName, the
  // note and the check box as the user left them).
  virtual bool ExecuteSave(TProjectSaveRequest& request) = 0;
};

}  // namespace kestrune
