// The interface language applied to the live forms.
//
// ApplyLanguage first applies the built-in English file (the raw-data
// resource "en_lng") to every form, so that a property the chosen file does
// not name shows its English text rather than the previous language's; then
// the file chosen for the interface language; then it reloads the messages,
// which applies that file once more with the message callback. The main
// window's ApplyLanguage calls it at start and when the options change the
// language.
//
// A form applies the built-in file's lines for its own name when it is
// constructed (ApplyBuiltInLanguage): a form's English texts live only in the
// English file, never in code.
//
// Used on the user-interface thread only.
#pragma once

#include <QWidget>
#include <cstdint>
#include <string_view>

#include "app/lng_file.h"
#include "core/message_strings.h"
#include "core/stream.h"

namespace kestrune {

// Registers the resource "en_lng" for IResStream (once; later calls do
// nothing).
void RegisterBuiltInLanguage();

// The built-in English file's bytes (empty when the resource is missing).
TMemoryStream BuiltInEnglishFile();

void ApplyLanguage(std::u16string_view languageFolder, const TLngHeaders& headers, int32_t interfaceLang,
                   TMessageStrings& strings = MessageStrings);

// The same over a given English file (the stream is read from its position).
void ApplyLanguageOver(TStream& english, std::u16string_view languageFolder, const TLngHeaders& headers,
                       int32_t interfaceLang, TMessageStrings& strings);

// Applies the built-in English file's [Language] lines of this form (found by
// its objectName) to it alone.
void ApplyBuiltInLanguage(QWidget& form);

// The interface language over one form made after the start (its English
// lines, then the chosen file's): the other forms and the messages stay as
// they are.
void ApplyLanguageToForm(QWidget& form, std::u16string_view languageFolder, const TLngHeaders& headers,
                         int32_t interfaceLang);

}  // namespace kestrune
