// The browser-integration registrar: the operations of the `ravelst` program.
//
// Started with "/R" the registrar writes the five integration records into the
// settings store's hives (a toolbar button, a context-menu entry, a local
// server class and its ProgID) and the context menu's script file beside
// itself; with "/U" it deletes the seven keys of those records and the script
// file; started any other way it starts the main program from its own folder
// with the argument "/ie". No browser on this system reads the records: they
// are kept as data, exactly as they are written on the system they come from.
//
// The registrar links nothing but the platform layer. All texts are 8-bit
// (paths in UTF-8) and stored byte for byte. Errors go to standard error, one
// line each, prefixed "ravelst: "; every operation reports whether it did all
// it had to, and the program's exit status is 0 only when it did.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/settings_store.h"

namespace kestrune::registrar {

// The integration's class identifier and its ProgID.
inline constexpr std::string_view kCls = "{6D0B3A57-2E91-4C8F-B7A4-91E25F3C08D6}";
inline constexpr std::string_view kProgID = "Kestrune.IELink";
// The class of the browser's buttons that run a program.
inline constexpr std::string_view kButtonClass = "{1FBA04EE-3024-11D2-8F1F-0000F87ABD16}";
// Names of the files beside the registrar.
inline constexpr std::string_view kScriptFileName = "Kestrune.htm.ie";
inline constexpr std::string_view kMainProgramName = "kestrune";
// The context menu's script: four lines joined by CR LF, none after the last.
inline constexpr std::string_view kScriptText =
    "<script language=\"VBScript\">\r\n"
    "On Error Resume Next\r\n"
    "V=CreateObject(\"Kestrune.IELink\")\r\n"
    "</script>";

// Where the registrar runs: Exe, its executable's full path, and Dir, that
// executable's folder with its trailing "/".
struct TRegistrarPaths {
  std::string Exe;
  std::string Dir;
};
// The running executable's own paths (never the command line's element 0,
// nor KESTRUNE_HOME); Exe is empty when the system cannot tell it.
TRegistrarPaths OwnPaths();

// One key of an integration record with its string values, in writing order
// (an empty name is the key's default value).
struct TRegistrarRecord {
  platform::HKEY Root;
  std::string Key;
  std::vector<std::pair<std::string, std::string>> Values;
};
// The five records that RegisterIntegration writes, in its order.
std::vector<TRegistrarRecord> IntegrationRecords(const TRegistrarPaths& paths);
// The seven keys that UnregisterIntegration deletes, children before parents.
std::vector<std::pair<platform::HKEY, std::string>> IntegrationKeys();

// A file that cannot be created or written; the message names the file and
// the system's error text.
class EFCreateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
class EWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Writes the text's bytes, without any terminator, to the open file; raises
// EWriteError when they cannot all be written.
void WriteStringToStream(platform::NativeFile& stream, std::string_view text, std::string_view fileName);
// Creates (or overwrites) the file at path with exactly the text's bytes,
// through a temporary file of the same folder renamed over the target.
// Raises EFCreateError ("Cannot create file "<path>". <error>") or EWriteError;
// the previous file, if any, is then left as it was.
void WriteTextFile(std::string_view text, std::string_view path);

// Writes the five records; a record whose key cannot be created is reported
// and skipped, a value that cannot be written is reported and the record's
// other values and the next records are still written. After record 2, when
// its key was made, writes the script file; a script file that cannot be
// written raises (records 3 to 5 are then not written). False after any
// reported failure.
bool RegisterIntegration(const TRegistrarPaths& paths);
// Deletes the seven keys (missing ones are passed over) and the script file
// when it exists. Reports nothing.
void UnregisterIntegration(const TRegistrarPaths& paths);
// Starts Dir + "kestrune" with the one argument "/ie", detached, without
// waiting. False, after reporting, when it cannot be started.
bool LaunchMainProgram(const TRegistrarPaths& paths);
// The registrar's error report: "ravelst: " + text on standard error.
void ShowErrorBox(std::string_view text);

// The program: dispatches on the arguments (the command line without its
// element 0) and returns the exit status, 0 when all went well, else 1.
int RegistrarMain(const std::vector<std::string>& arguments);

}  // namespace kestrune::registrar
