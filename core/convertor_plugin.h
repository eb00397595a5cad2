/* The interface of a document-converter plug-in, for the plug-in's author and
 * for the loader (core/convertors.h). Plain C, so a plug-in may be written in
 * C or C++.
 *
 * A plug-in is a shared object named "imp*.so" (the letter case of the name
 * does not matter) that exports its entry points by these names, unmangled
 * and with the platform's C calling convention. Five entry points are
 * required; a library that lacks any of them is unloaded at once and not used:
 *   GetCompatibilityFlags, ConvertToUnicode, GetConversionError,
 *   ListSupportedTypes, IsFileTypeSupported.
 * Five are optional and recorded when present:
 *   ConvertToPureText, ConvertMemoryToUnicode, ConvertMemoryToPureText,
 *   GetTypeDescription, IsFileSupported.
 *
 * The program calls only ListSupportedTypes, whose signature is fixed below.
 * The other entry points are looked up and kept but never called; their
 * arguments are the plug-in's own business (texts passed between plug-ins and
 * their callers are UTF-16, char16_t, 0-terminated), so this header declares
 * no prototype for them.
 *
 * The plug-in is loaded by its full path, and the program's current folder is
 * not its folder: a plug-in that needs libraries of its own folder finds them
 * through its run path ("$ORIGIN").
 */
#ifndef KESTRUNE_CORE_CONVERTOR_PLUGIN_H
#define KESTRUNE_CORE_CONVERTOR_PLUGIN_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The file types the plug-in converts, as a 0-terminated 8-bit (UTF-8) text:
 * types separated by ";", blanks around them ignored, for example
 * "doc; rtf;txt" (extensions without their dot). The text belongs to the
 * plug-in and must stay valid until the plug-in is unloaded; the program
 * copies it at once. A null result means no types. `reserved` is the address
 * of a 32-bit integer that the plug-in may write; the program ignores it. */
const char* ListSupportedTypes(int32_t* reserved);

/* The type of ListSupportedTypes. */
typedef const char* (*TListSupportedTypes)(int32_t* reserved);
/* The type under which the other entry points are kept (never called). */
typedef void (*TConverterEntryPoint)(void);

#ifdef __cplusplus
}
#endif

#endif /* KESTRUNE_CORE_CONVERTOR_PLUGIN_H */
