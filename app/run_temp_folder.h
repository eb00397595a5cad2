// The run's private temporary folder: files that the program hands to another
// program which reads them after our call has returned (the mail program
// reads its attachments after xdg-email returned): the bug report
// "kestrune.gz" and the mailed map "map.jpg". Nothing goes beside the
// executable, whose folder the user may not be able to write.
//
// The folder is made on first use by platform::CreateTempFolder (mode 0700,
// in $TMPDIR, else /tmp) and kept for the rest of the run. The program block
// removes it with its files when it ends (RemoveRunTempFolder); a run that
// ends by a fatal error leaves it, so a mail program still finds the report.
//
// User-interface thread only.
#pragma once

#include <string>

namespace kestrune {

// The folder with a trailing "/", made when needed; empty when it cannot be
// made (the next call tries again).
std::u16string RunTempFolder();

// Removes the folder and everything in it; the next RunTempFolder makes a new
// one. Nothing when none was made.
void RemoveRunTempFolder();

}  // namespace kestrune
