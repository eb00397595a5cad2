// The bug report: the program's log compressed into "kestrune.gz" and handed
// to the user's mail program, addressed to the maker's bug mailbox. The
// bug-report form (ui/exception_form.h) sends it after a fatal error.
//
// The archive is one gzip member (RFC 1952) made by zlib: deflate at level 9
// with the default strategy and a 32 KB window; the header names the log
// "kestrune.log" (FNAME, zero-terminated) and carries no comment, no extra
// field and no time stamp; zlib writes XFL 2 (the slowest compression) and we
// write the operating system 3 (Unix). It is written to a temporary file
// beside its place and renamed over "kestrune.gz" in the run's private
// temporary folder (app/run_temp_folder.h), so a failure never leaves half an
// archive; the log itself stays as it is. The log is read as it is at that
// moment (other threads may still append to it).
//
// User-interface thread only (the error box, the run's temporary folder).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "app/send_mail.h"

namespace kestrune {

inline constexpr char16_t kBugReportFileName[] = u"kestrune.gz";
inline constexpr char kBugReportStoredName[] = "kestrune.log";
inline constexpr char16_t kBugReportSubject[] = u"kestrune bugs";
// The first words of the compressor's error box; the path follows.
inline constexpr char16_t kCantOpenText[] = u"Can't open: ";

// Results of GzipFile.
enum TGzipResult : int32_t {
  gzOk = 0,
  gzSourceError = -1,  // the source cannot be opened or read
  gzTargetError = -2,  // the archive cannot be written (or zlib failed)
};

// Compresses `source` into `target` as described above, with `storedName` as
// the header's FNAME. On a failure `*failedPath` (when given) gets the file
// that could not be opened, read or written, and `target` is as it was.
int32_t GzipFile(std::u16string_view source, std::u16string_view target, std::string_view storedName,
                 std::u16string* failedPath = nullptr);

// The maker's bug mailbox.
std::u16string BugReportMailbox();

// The form's "Send":
//  1. the log (LogFile.FileName()) compressed into RunTempFolder() +
//     "kestrune.gz"; on a failure the error box "Can't open: " + the path
//     that failed (ShowMessageBox), and no attachment: an archive left by an
//     earlier attempt is never sent;
//  2. a mail with an empty body, the subject "kestrune bugs", the archive
//     attached and the bug mailbox as recipient, handed to `send` (unset:
//     ISendMail::Send).
// Returns the archive attached; empty when the mail goes without one.
std::u16string SendBugReport(const std::function<void(ISendMail&)>& send = {});

}  // namespace kestrune
