// File search by UTF-16 names: the files under a folder (optionally through
// its subfolders) and the subfolders of a folder, each matched against a mask.
//
// Masks hold "*" (any run of units) and "?" (one unit) and match without
// regard to case; "*.*" matches every name, as an empty file mask does.
// The names of each folder are sorted by CompareWideNoCase, ties broken by
// ordinal order, so every run lists the same tree in the same order (callers
// derive identifiers from it); a folder's files come before its subfolders'.
// Symbolic links to folders are neither listed as folders nor followed.
//
// Attributes are bits of the Windows file attributes: only the folder bit and
// the read-only bit (no owner write permission) are ever set here.
// A folder that does not exist or cannot be read gives an empty list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

inline constexpr uint32_t kFaReadOnly = 0x01;
inline constexpr uint32_t kFaHidden = 0x02;
inline constexpr uint32_t kFaSysFile = 0x04;
inline constexpr uint32_t kFaDirectory = 0x10;
inline constexpr uint32_t kFaArchive = 0x20;

// Clears the list, then adds folder + name (full paths) of every file of the
// folder that matches the mask and has none of the excluded attributes; with
// `recurse`, then does the same in each subfolder in turn. Returns the count.
int32_t WideFindFiles(std::vector<std::u16string>& list, std::u16string_view folder, std::u16string_view mask,
                      uint32_t excludedAttributes, bool recurse);

// Clears the list, then adds the names alone of the subfolders of the folder
// that match the mask (empty: "*"), have none of the excluded attributes and,
// when an exclusion list is given, equal none of its names after both are
// lower-cased. Returns the count.
int32_t FindFolders(std::vector<std::u16string>& list, std::u16string_view folder, std::u16string_view mask,
                    const std::vector<std::u16string>* exclusionList = nullptr, uint32_t excludedAttributes = 0);

// True when the name matches the mask (see above).
bool MatchesMask(std::u16string_view name, std::u16string_view mask);

}  // namespace kestrune
