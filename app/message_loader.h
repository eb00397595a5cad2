// The loader of the message strings (core/message_strings.h): the callback
// that ApplyLngFile calls for the lines of [Messages] and every other section
// it does not handle itself, and the reloads that apply the chosen language
// file with it.
//
// For one line the callback ignores an empty value and a single blank (the
// string keeps its text), takes "smHello" only in [Messages] and every other
// key in any section, compares keys with exact case, ignores keys that are no
// message, and converts the value with the file's current code page.
//
// Because ApplyLngFile applies [Language] too, a reload relabels the caller's
// forms as well. Called on the user-interface thread.
#pragma once

#include <cstdint>
#include <string_view>

#include "app/lng_file.h"
#include "app/lng_list.h"
#include "core/message_strings.h"

namespace kestrune {

// callbackData is the TMessageStrings to fill.
void MessageCallback(std::string_view section, std::string_view key, std::string_view value, int32_t codePage,
                     void* callbackData);

// The file chosen for the interface language: the language folder followed by
// the file name of FindLngHeader's choice (the folder alone, which is no file,
// when nothing matches).
std::u16string ChosenLngFile(std::u16string_view languageFolder, const TLngHeaders& headers, int32_t interfaceLang);

// Resets every string to its built-in text, then applies the chosen file with
// the message callback over the target (which may be null).
void ReloadMessages(std::u16string_view languageFolder, const TLngHeaders& headers, int32_t interfaceLang,
                    ILngTarget* target, TMessageStrings& strings);

// At start: rebuilds the options dialog's language list, then reloads the
// messages.
void StartupReload(std::u16string_view languageFolder, const TLngHeaders& headers, int32_t interfaceLang,
                   ILngTarget* target, TMessageStrings& strings, TLngList& languageList);

}  // namespace kestrune
