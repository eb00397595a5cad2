// The project file (".kqp"): the writer, the reader of the framed form
// (version 4) and the reader of the older headerless form.
//
// A framed file is the 16-byte frame (magic "FPKP", no CRC, version 4) and a
// body of top-level tags written in this order:
//   0x4000 dictionaries   Integer H (entries - 1); per entry Boolean active,
//                         WideString file name, language, author,
//                         description, Integer 24 and the 24-byte header
//   0x4001 documents      Integer N; per document Integer position,
//                         WideString URL, Single value, WideString
//                         annotation, title, label, Integer query number,
//                         Word flags, Integer search step
//   0x4002 query text     WideString
//   0x4004 stop words     the list as UTF-16LE text with a byte-order mark,
//                         one word per line (CR LF)
//   0x4009 settings       WideString enabled engines, current engine,
//                         Integer links, TrackPosContext, TrackPosExact,
//                         Boolean word forms, WideString note, author
//   0x400B                Boolean excluded-words view
//   0x400C                Boolean scope flag (written, never read back)
//   0x400F                Integer: the first own word (after the files' words)
//   0x4010 own words      a word dictionary stream of the own words
//   0x4011 phrases        the phrase stream
//   0x4012 marks          three groups (-1, -2, -3): Integer n, n positions
//   0x4013 step keys      Integer S; per step Integer n, n keys
//   0x4014 scopes         Integer C; per scope Integer i, i keys, Integer e,
//                         e keys; then Integer current scope
// A key is Integer index + SmallInt dictionary id: a word's local index with
// its file's id (own words: id 0, index i is word i of tag 0x4010), a phrase's
// index with id -12. The reader takes the tags in any order, skips unknown
// ones (and a known one met again), and rejects versions 1 to 3.
//
// A damaged framed file gives what could be read of it: a block the writer
// always writes that is missing, cut, or holds fewer records than it says
// is a TProjectLoss. Of the blocks of records (dictionaries, documents,
// search steps, scopes) the whole records before the damage are kept; any
// other damaged block is left out whole (the marks also when one names no
// document). A damaged dictionary list changes no dictionary, a document of
// a search step that was not read belongs to the last one read, and a lost
// query is the words of the last step. Only a body of which no such block
// could be read is refused.
//
// The headerless form begins with tag 0x4000 and stores 8-bit strings; its
// tags are 0x4000, 0x4001, 0x4003 (network), 0x4005 (known URLs), 0x4006
// (step keys), 0x4007, 0x4008 (word forms), 0x4009, 0x400A (the key state of
// the map) and 0x400B.
//
// Texts the program keeps as 8-bit (URLs, labels, engine and file names) are
// UTF-8 and become UTF-16 in the file and back.
//
// A reader first parses the whole body into a TProjectData, checking every
// count against its tag, and only then changes the project: a file that
// fails to parse changes nothing. The blocks only the headerless form has
// (0x4003, 0x4005 to 0x4008, 0x400A) fail its read when damaged. What the
// session does around a read (resetting the project, the engine check, the
// map, the network) is its own.
//
// Used on the user-interface thread only.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/project/project.h"
#include "app/search_steps.h"
#include "core/stream.h"
#include "core/tag_stream.h"
#include "language/phrase_word_dictionary.h"
#include "language/word_dictionary.h"
#include "search/meta_search_list.h"

namespace kestrune {

// ---- the format ----
inline constexpr uint32_t kProjectVersion = 4;
// The extension of a project file (exact case).
inline constexpr std::u16string_view kProjectFileExtension = u".kqp";
inline constexpr int32_t kTagProjectDictionaries = 0x4000;
inline constexpr int32_t kTagProjectDocuments = 0x4001;
inline constexpr int32_t kTagProjectQuery = 0x4002;
inline constexpr int32_t kTagProjectNetwork = 0x4003;      // headerless form only
inline constexpr int32_t kTagProjectStopWords = 0x4004;
inline constexpr int32_t kTagProjectUrls = 0x4005;         // headerless form only
inline constexpr int32_t kTagProjectSteps = 0x4006;        // headerless form only
inline constexpr int32_t kTagProjectResultCount = 0x4007;  // headerless form only
inline constexpr int32_t kTagProjectForms = 0x4008;        // headerless form only
inline constexpr int32_t kTagProjectSettings = 0x4009;
inline constexpr int32_t kTagProjectKeyState = 0x400A;     // headerless form only
inline constexpr int32_t kTagProjectExcludedView = 0x400B;
inline constexpr int32_t kTagProjectScopeFlag = 0x400C;
inline constexpr int32_t kTagProjectFirstOwnWord = 0x400F;
inline constexpr int32_t kTagProjectOwnWords = 0x4010;
inline constexpr int32_t kTagProjectPhrases = 0x4011;
inline constexpr int32_t kTagProjectMarks = 0x4012;
inline constexpr int32_t kTagProjectStepKeys = 0x4013;
inline constexpr int32_t kTagProjectScopes = 0x4014;
// The blocks of the framed form whose loss a damaged file tells (those the
// writer writes and the reader takes something from), in the writer's order.
inline constexpr std::array<int32_t, 10> kProjectBlocksRead = {
    kTagProjectDictionaries, kTagProjectDocuments, kTagProjectQuery,  kTagProjectStopWords, kTagProjectSettings,
    kTagProjectOwnWords,     kTagProjectPhrases,   kTagProjectMarks,  kTagProjectStepKeys,  kTagProjectScopes};
// The dictionary id of a phrase key.
inline constexpr int16_t kProjectPhraseDictionary = -12;
// The byte count of a dictionary header in tag 0x4000.
inline constexpr int32_t kProjectDictionaryHeaderSize = 24;
// The weights keys get on reading.
inline constexpr float kProjectIncludedWeight = 1.0f;
inline constexpr float kProjectExcludedWeight = -10000.0f;
// The marks of tag 0x4012, group by group.
inline constexpr std::array<float, 3> kProjectMarkValues = {-1.0f, -2.0f, -3.0f};
// The result of a failed save.
inline constexpr int32_t kProjectSaveError = -1;

// One dictionary of a project.
struct TProjectDictionary {
  bool Active = false;
  std::u16string FileName;
  std::u16string Language;
  std::u16string Author;
  std::u16string Description;
  TWDFileHeader Header;

  friend bool operator==(const TProjectDictionary& a, const TProjectDictionary& b) {
    return a.Active == b.Active && a.FileName == b.FileName && a.Language == b.Language && a.Author == b.Author &&
           a.Description == b.Description && std::memcmp(&a.Header, &b.Header, sizeof a.Header) == 0;
  }
};

// The settings of tag 0x4009.
struct TProjectSettings {
  std::u16string EnabledEngines;  // the enabled engines' names, each followed by ","
  std::u16string CurrentEngine;
  int32_t LinksToDownload = 0;
  int32_t TrackPosContext = 0;
  int32_t TrackPosExact = 0;
  bool WordForms = false;         // word forms told apart
  std::u16string Note;            // on reading: empty when the tag ends before it
  std::u16string Author;

  friend bool operator==(const TProjectSettings&, const TProjectSettings&) = default;
};

// A block the writer always writes that a damaged file lacks, or holds cut
// or with fewer records than it says: what could be read of it.
struct TProjectLoss {
  int32_t Tag = 0;
  int64_t Read = 0;   // the whole records read (blocks of records)
  int64_t Said = -1;  // the records the block says it holds; -1: unknown
                      // (missing, cut before its count, or no records)
  friend bool operator==(const TProjectLoss&, const TProjectLoss&) = default;
};

// A key as the file stores it.
struct TStoredKey {
  int32_t Index = -1;
  int16_t Dictionary = 0;
  friend bool operator==(const TStoredKey&, const TStoredKey&) = default;
};
using TStoredKeys = std::vector<TStoredKey>;

struct TStoredScope {
  TStoredKeys Included;
  TStoredKeys Excluded;
};

// A project body as parsed, before it touches the program's state.
struct TProjectData {
  bool Legacy = false;
  bool HasDictionaries = false;
  std::vector<TProjectDictionary> Dictionaries;
  TMetaSearchList2 Documents;
  std::u16string QueryText;
  std::vector<std::u16string> StopWords;
  bool HasSettings = false;
  TProjectSettings Settings;
  bool ExcludedView = false;
  int32_t FirstOwnWord = -1;
  std::vector<std::u16string> OwnWords;
  std::vector<uint8_t> Phrases;                 // the phrase stream
  std::array<std::vector<int32_t>, 3> Marks;   // positions, per mark value
  std::vector<TStoredKeys> StepKeys;
  std::vector<TStoredScope> Scopes;
  int32_t ScopeIndex = -1;
  // The headerless form.
  std::vector<TNNKeys> LegacyStepKeys;
  std::vector<uint8_t> Network;                 // the tag's body
  std::vector<uint8_t> Forms;                   // the tag's body
  std::vector<uint8_t> KeyState;                // the tag's body
  bool HasKeyState = false;
  // What a damaged file lacks, in the writer's order of the blocks; empty
  // for a whole file.
  std::vector<TProjectLoss> Losses;
};

// What the file layer reads and writes, lent by the session.
struct TProjectFileParts {
  TProject& Project;
  TSearchSteps& Steps;
  TPhraseWordDictionary& Words;  // the merged dictionary with the phrases

  // Written as they stand; a read fills them.
  std::vector<TProjectDictionary> Dictionaries;
  TProjectSettings Settings;
  std::u16string QueryText;
  bool ExcludedView = false;
  bool ScopeFlag = false;        // the map's scope flag (read: the session's current one)

  // Reading. Each hook is optional; without it the tag is read and dropped.
  // The project's dictionary list: the session checks the active files
  // exist and reloads its dictionaries; false fails the read.
  std::function<bool(const std::vector<TProjectDictionary>&)> LoadDictionaries;
  // The headerless form's network and word-form store; false fails the read.
  std::function<bool(TStream&)> LoadNetwork;
  std::function<bool(TStream&)> LoadForms;
  // An address that must not be a document (it is dropped, logged).
  std::function<bool(std::string_view url)> Refused;
  std::function<void(std::string_view line)> Log;
  // Set by a read whose LoadDictionaries said no.
  bool DictionariesRefused = false;
  // Set by a read: what the file lacked (TProjectData::Losses).
  std::vector<TProjectLoss> Losses;
};

// ---- writing ----
// Saves the project: the documents of the shown steps (without old links
// when `skipOldLinks`), their marks, the steps' keys, the scopes, the settings
// and the words. A temporary file is renamed over the target, so a failed
// save leaves the previous file. 0, or kProjectSaveError.
int32_t SaveProject(std::u16string_view fileName, bool skipOldLinks, const TProjectFileParts& parts);
// The body alone (the tags after the frame).
int32_t WriteProjectBody(TTagStream& tags, bool skipOldLinks, const TProjectFileParts& parts);
// The name a project is saved under: `name` with ".kqp" added unless it
// ends so ("node.js (Loopback)" becomes "node.js (Loopback).kqp").
std::u16string WithProjectExtension(std::u16string_view name);
// The note as stored: line breaks (CR LF, LF, CR) removed.
std::u16string JoinNoteLines(std::u16string_view note);

// ---- reading ----
enum class TProjectOpen : int32_t {
  Loaded = 0,
  Failed = 1,             // not a project (another kind of file, a folder), or damaged
  Version1 = 2,           // the internal format no longer supported: its own message
  Missing = 3,            // no file of that name (also a link to none)
  Unreadable = 4,         // there, but it cannot be looked at or opened
  DictionaryRefused = 5,  // LoadDictionaries refused the project: it said why
};

// Reads the project file into the parts (the session has reset the project).
// Then the settings are in parts.Settings, the documents have no old or new
// flag, the counters and mark counters are counted, and parts.Losses says
// what a damaged file lacked. A failure tells a missing file, one that
// cannot be read, and one that is no project (or gives nothing) apart.
TProjectOpen OpenProjectFile(std::u16string_view fileName, TProjectFileParts& parts);
// The same over a stream holding the whole file.
TProjectOpen OpenProjectStream(TStream& stream, TProjectFileParts& parts);
// The bodies, the stream at the first tag. True when read and applied.
bool ReadProjectV4(TStream& stream, TProjectFileParts& parts);
bool ReadLegacyProject(TStream& stream, TProjectFileParts& parts);
// The parsers alone (no state changed); false when nothing could be read
// (or a block of the headerless form alone is damaged), else the damage is
// in data.Losses.
bool ParseProjectV4(TStream& stream, TProjectData& data);
bool ParseLegacyProject(TStream& stream, TProjectData& data);

// The index of the engine whose display name equals `name` in any letter
// case; -1 when none.
int32_t FindProjectEngine(const std::vector<std::u16string>& displayNames, std::u16string_view name);

}  // namespace kestrune
