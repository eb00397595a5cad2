// Interface-language files: the header of a file, the table of installed
// languages, the choice of a file for a language identifier, and the routine
// that applies a file to the live forms.
//
// A language file is 8-bit text in the code page its header names, read with
// TIniBath in quoted-value mode:
//   [Header]    language, langID, CodePage, LangAuthor, LangFolder
//   [Language]  Form.Property=text, Form.Component.Property=text,
//               Form.Component.Items[n]=text (item n of a list property)
//   [Messages]  and any other section: handed to the caller's callback
// Section and header key names are compared with exact case; form, component
// and property names are matched by the target without regard to case.
//
// ApplyLngFile knows nothing of widgets: it talks to an ILngTarget, which the
// widget layer implements over the live forms (app/window/lng_widget_target.h)
// and tests implement with recording fakes. Nothing here raises: a missing
// file applies nothing, a line that cannot be used is skipped, and a file that
// fails while it is read ends the apply with a log line, keeping what was
// applied. Every function belongs to the calling thread for its duration.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/stream.h"

namespace kestrune {

// One entry of the language table. The texts are the file's 8-bit bytes;
// FileName is the file's name without its folder, in UTF-8.
struct TLngHeader {
  std::string Language;
  int32_t LangID = 0;
  int32_t CodePage = 0;
  std::string LangAuthor;
  std::string LangFolder;
  std::string FileName;

  bool operator==(const TLngHeader&) const = default;
};

using TLngHeaders = std::vector<TLngHeader>;

// Header scan of one file: from the stream's lines when a stream is given,
// else from the file at `path`, which must be a regular file (otherwise
// nothing happens). The header is emptied first; FileName becomes the path's
// file name. In [Header] the keys language, langID, CodePage, LangAuthor and
// LangFolder (exact case) fill the fields; the last occurrence of a key wins;
// numbers that are not decimal read as 0.
void ReadLngHeader(std::u16string_view path, TStream* stream, TLngHeader& header);

// True for a name ending in ".lng", compared without case.
bool IsLngFileName(std::u16string_view name);

// The language table of a folder: one entry per file named "*.lng" (extension
// compared without case; no sub-folders), in the order the folder listing
// gives them.
void LoadLngHeaders(std::u16string_view folder, TLngHeaders& headers);

// Choice of a file, two passes in table order: every entry whose LangID has 9
// (English) in its low byte is copied into `header`, then every entry whose
// LangID equals langId; the last copy wins. Without a match `header` stays as
// the caller passed it.
void FindLngHeader(int32_t langId, const TLngHeaders& headers, TLngHeader& header);

// The live forms as the apply routine sees them. Objects are opaque handles
// of the target, valid for the duration of one call of ApplyLngFile.
class ILngTarget {
 public:
  using TObject = void*;

  virtual ~ILngTarget() = default;
  // Called when an apply starts: the forms may have changed since the last.
  virtual void BeginApply() {}
  // The form of that name, or null.
  virtual TObject FindForm(std::string_view name) = 0;
  // The component of that name owned by the form, or null.
  virtual TObject FindComponent(TObject form, std::string_view name) = 0;
  // Sets a text property by name; false when the object has no such text
  // property (nothing changes then).
  virtual bool SetTextProperty(TObject object, std::string_view property, std::u16string_view text) = 0;
  // Sets item n of a list property ("Items", "Columns", "Lines", "Tabs", exact
  // case); false when there is no such list or item.
  virtual bool SetItem(TObject object, std::string_view listProperty, int32_t index, std::u16string_view text) = 0;
};

// Called for every key line of a section other than [Header] and [Language]:
// the section name, the key, its first value (8-bit, as read) and the code
// page the file's texts are in at that line.
using TLngCallback = void (*)(std::string_view section, std::string_view key, std::string_view value,
                              int32_t codePage, void* callbackData);

// Limits of a [Language] key.
inline constexpr size_t kMaxLngNames = 1024;

// Applies one file, from the stream's lines when a stream is given, else from
// the file at `path` (a regular file; otherwise nothing happens). The code page
// starts at 0 (UTF-8) and becomes the value of [Header] CodePage, so texts
// after it convert with that page; an unknown page converts as UTF-8 and is
// logged once. [Language] lines go to the target (which may be null), the
// other sections' lines to the callback (which may be null). Lines before the
// first section, keys of more than kMaxLngNames names or of fewer than two,
// lines of more than 32 values and item indexes that are not a decimal of 32
// bits are skipped. Returns true when the source was read to its end.
bool ApplyLngFile(std::u16string_view path, ILngTarget* target, TLngCallback callback, void* callbackData,
                  TStream* stream = nullptr);

// A decimal number as the language files write it: an optional sign and
// digits, within 32 bits; 0 for anything else.
int32_t LngNumber(std::string_view text);

}  // namespace kestrune
