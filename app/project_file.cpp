#include "app/project_file.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

#include "core/frame.h"
#include "network/control_keys.h"
#include "platform/files.h"
#include "platform/text.h"
#include "search/scope.h"

namespace kestrune {

namespace {

// The bytes a key takes, for the count checks.
constexpr int64_t kKeyBytes = 6;
constexpr int64_t kLegacyKeyBytes = 8;
constexpr char16_t kByteOrderMark = 0xFEFF;

std::u16string Wide(std::string_view utf8) { return platform::Utf8ToUtf16(utf8); }
std::string Narrow(std::u16string_view text) { return platform::Utf16ToUtf8(text); }

// The fields of one tag, each checked against what the tag still holds: a
// field that runs past it sets Failed and reads as 0.
class TFields {
 public:
  explicit TFields(TTagStream& tags) : tags_(tags) {}
  bool Failed() const { return failed_; }
  void Fail() { failed_ = true; }
  bool Fits(int64_t bytes) {
    if (failed_ || bytes < 0 || tags_.TagRemaining() < bytes) failed_ = true;
    return !failed_;
  }
  // A count of records of at least `recordBytes` each.
  int32_t Count(int64_t recordBytes) {
    const int32_t n = Integer();
    if (n < 0 || !Fits(n * recordBytes)) {
      failed_ = true;
      return 0;
    }
    return n;
  }
  int32_t Integer() {
    int32_t v = 0;
    if (Fits(4)) tags_.ReadInteger(v);
    return v;
  }
  int16_t SmallInt() {
    int16_t v = 0;
    if (Fits(2)) tags_.ReadSmallInt(v);
    return v;
  }
  uint16_t Word() {
    uint16_t v = 0;
    if (Fits(2)) tags_.ReadWord(v);
    return v;
  }
  float Single() {
    float v = 0;
    if (Fits(4)) tags_.ReadSingle(v);
    return v;
  }
  bool Boolean() { return Byte() != 0; }
  uint8_t Byte() {
    uint8_t v = 0;
    if (Fits(1)) tags_.ReadByte(v);
    return v;
  }
  std::u16string WideString() {
    std::u16string v;
    if (!failed_ && !tags_.ReadWideStringChecked(v)) failed_ = true;
    return failed_ ? std::u16string() : v;
  }
  std::string AnsiString() {
    std::string v;
    if (!failed_ && !tags_.ReadAnsiStringChecked(v)) failed_ = true;
    return failed_ ? std::string() : v;
  }
  // A text at the end of a tag that older files may lack: false, with
  // nothing taken, when the tag does not hold it whole.
  bool TrailingWideString(std::u16string& v) {
    std::u16string read;
    if (failed_ || tags_.TagRemaining() <= 0 || !tags_.ReadWideStringChecked(read)) return false;
    v = std::move(read);
    return true;
  }
  bool Bytes(void* buffer, int64_t count) {
    if (Fits(count) && tags_.Read(buffer, count) != count) failed_ = true;
    return !failed_;
  }
  std::vector<uint8_t> Rest() {
    std::vector<uint8_t> bytes(static_cast<size_t>(std::max<int64_t>(0, tags_.TagRemaining())));
    if (!bytes.empty()) Bytes(bytes.data(), static_cast<int64_t>(bytes.size()));
    return bytes;
  }
  TStoredKey Key() {
    TStoredKey key;
    key.Index = Integer();
    key.Dictionary = SmallInt();
    return key;
  }
  TStoredKeys Keys() {
    TStoredKeys keys(static_cast<size_t>(Count(kKeyBytes)));
    for (TStoredKey& key : keys) key = Key();
    return keys;
  }

 private:
  TTagStream& tags_;
  bool failed_ = false;
};

// ---- the stop-word list as text ----

void WriteStopWords(TTagStream& tags, const std::vector<std::u16string>& words) {
  tags.Write(&kByteOrderMark, 2);
  for (const std::u16string& word : words) {
    tags.Write(word.data(), static_cast<int64_t>(word.size() * 2));
    tags.Write(u"\r\n", 4);
  }
}

std::vector<std::u16string> SplitLines(std::u16string_view text) {
  std::vector<std::u16string> lines;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != u'\r' && text[i] != u'\n') continue;
    if (i < text.size() || start < i) lines.emplace_back(text.substr(start, i - start));
    if (i + 1 < text.size() && text[i] == u'\r' && text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  return lines;
}

std::vector<std::u16string> ReadStopWords(const std::vector<uint8_t>& bytes) {
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    std::u16string text((bytes.size() - 2) / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i) {
      text[i] = static_cast<char16_t>(bytes[2 + 2 * i] | (bytes[3 + 2 * i] << 8));
    }
    return SplitLines(text);
  }
  // Without the mark the list is 8-bit text.
  return SplitLines(Wide(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())));
}

// ---- keys ----

TStoredKey StoreKey(const TPhraseWordDictionary& words, int32_t lastFileWord, int32_t id) {
  TStoredKey key;
  if (id >= TPhraseWordDictionary::kPhraseBase) {
    if (id - TPhraseWordDictionary::kPhraseBase < words.PhraseCount()) {
      key.Index = id - TPhraseWordDictionary::kPhraseBase;
      key.Dictionary = kProjectPhraseDictionary;
    }
    return key;
  }
  if (id < 0 || id >= words.Count()) return key;
  key.Index = words.LocalWordIndex(id);
  if (id > lastFileWord) {
    key.Dictionary = 0;
  } else if (TWDWord* word = const_cast<TPhraseWordDictionary&>(words).GetWord(id)) {
    key.Dictionary = word->GetDictionaryID();
  }
  return key;
}

void WriteKeys(TTagStream& tags, const TPhraseWordDictionary& words, int32_t lastFileWord, const TNNKeys& keys) {
  tags.WriteInteger(static_cast<int32_t>(keys.size()));
  for (const TNNKey& key : keys) {
    const TStoredKey stored = StoreKey(words, lastFileWord, key.Id);
    tags.WriteInteger(stored.Index);
    tags.WriteSmallInt(stored.Dictionary);
  }
}

int32_t LastFileWord(const TIWordDictionary& words) {
  return words.FileCount() > 0 ? words.FileRange(words.FileCount() - 1).Last : -1;
}

// ---- the tags of the writer ----

void WriteDictionaries(TTagStream& tags, const TProjectFileParts& parts) {
  tags.BeginTag(kTagProjectDictionaries);
  tags.WriteInteger(static_cast<int32_t>(parts.Dictionaries.size()) - 1);
  for (const TProjectDictionary& d : parts.Dictionaries) {
    tags.WriteBoolean(d.Active);
    tags.WriteWideString(d.FileName);
    tags.WriteWideString(d.Language);
    tags.WriteWideString(d.Author);
    tags.WriteWideString(d.Description);
    tags.WriteInteger(kProjectDictionaryHeaderSize);
    tags.Write(&d.Header, kProjectDictionaryHeaderSize);
  }
  tags.EndTag();
}

void WriteDocuments(TTagStream& tags, const TMetaSearchList2& documents, const std::vector<int32_t>& saved) {
  tags.BeginTag(kTagProjectDocuments);
  tags.WriteInteger(static_cast<int32_t>(saved.size()));
  for (const int32_t index : saved) {
    const TMetaSearchList& d = documents[static_cast<size_t>(index)];
    tags.WriteInteger(d.Position);
    tags.WriteWideString(Wide(d.Url));
    tags.WriteSingle(d.Value);
    tags.WriteWideString(d.Annotation);
    tags.WriteWideString(d.Title);
    tags.WriteWideString(Wide(d.Label));
    tags.WriteInteger(d.QueryNumber);
    tags.WriteWord(static_cast<uint16_t>(d.Flags & 0xFFFF));
    tags.WriteInteger(d.Step);
  }
  tags.EndTag();
}

void WriteSettings(TTagStream& tags, const TProjectSettings& s) {
  tags.BeginTag(kTagProjectSettings);
  tags.WriteWideString(s.EnabledEngines);
  tags.WriteWideString(s.CurrentEngine);
  tags.WriteInteger(s.LinksToDownload);
  tags.WriteInteger(s.TrackPosContext);
  tags.WriteInteger(s.TrackPosExact);
  tags.WriteBoolean(s.WordForms);
  tags.WriteWideString(JoinNoteLines(s.Note));
  tags.WriteWideString(s.Author);
  tags.EndTag();
}

void WriteBooleanTag(TTagStream& tags, int32_t tag, bool value) {
  tags.BeginTag(tag);
  tags.WriteBoolean(value);
  tags.EndTag();
}

bool WriteOwnWords(TTagStream& tags, TPhraseWordDictionary& words, int32_t first) {
  tags.BeginTag(kTagProjectFirstOwnWord);
  tags.WriteInteger(first);
  tags.EndTag();
  // No own words: the tag stays empty.
  TMemoryStream stream;
  if (first < words.Count()) {
    TIWordDictionary own;
    if (own.AddWordsFrom(&words, first, words.Count() - 1) != 0) return false;
    if (own.SaveToStream(stream, false) < 0) return false;
  }
  tags.BeginTag(kTagProjectOwnWords);
  tags.Write(stream.Bytes().data(), static_cast<int64_t>(stream.Bytes().size()));
  tags.EndTag();
  return true;
}

bool WritePhrases(TTagStream& tags, TPhraseWordDictionary& words) {
  TMemoryStream stream;
  const int32_t result = words.SavePhrases(stream);
  if (result != TPhraseWordDictionary::kPhrasesDone && result != TPhraseWordDictionary::kNoPhrases) return false;
  tags.BeginTag(kTagProjectPhrases);
  if (result == TPhraseWordDictionary::kPhrasesDone) {
    tags.Write(stream.Bytes().data(), static_cast<int64_t>(stream.Bytes().size()));
  }
  tags.EndTag();
  return true;
}

void WriteMarks(TTagStream& tags, const TProjectFileParts& parts, const std::unordered_map<int32_t, int32_t>& position) {
  std::array<std::vector<int32_t>, 3> groups;
  for (const TControlKeyCell& cell : parts.Steps.Ring().GetCurrent()[kKindMarks]) {
    const auto found = position.find(cell.Key.Id);
    if (found == position.end()) continue;
    for (size_t g = 0; g < groups.size(); ++g) {
      if (cell.Key.Weight == kProjectMarkValues[g]) groups[g].push_back(found->second);
    }
  }
  tags.BeginTag(kTagProjectMarks);
  for (const auto& group : groups) {
    tags.WriteInteger(static_cast<int32_t>(group.size()));
    for (const int32_t p : group) tags.WriteInteger(p);
  }
  tags.EndTag();
}

}  // namespace

std::u16string WithProjectExtension(std::u16string_view name) {
  std::u16string finished(name);
  if (!finished.ends_with(kProjectFileExtension)) finished += kProjectFileExtension;
  return finished;
}

std::u16string JoinNoteLines(std::u16string_view note) {
  std::u16string joined;
  joined.reserve(note.size());
  for (const char16_t c : note) {
    if (c != u'\r' && c != u'\n') joined.push_back(c);
  }
  return joined;
}

int32_t WriteProjectBody(TTagStream& tags, bool skipOldLinks, const TProjectFileParts& parts) {
  TProject& project = parts.Project;
  TPhraseWordDictionary& words = parts.Words;
  const int32_t lastFileWord = LastFileWord(words);
  const int32_t steps = std::min<int32_t>(project.StepNumber, static_cast<int32_t>(project.StepKeys.size()));

  // The documents of the shown steps, less the old links when asked; a
  // document's place among them is its index in the file.
  std::vector<int32_t> saved;
  std::unordered_map<int32_t, int32_t> position;
  for (int32_t i = 0; i < static_cast<int32_t>(project.Documents.size()); ++i) {
    const TMetaSearchList& d = project.Documents[static_cast<size_t>(i)];
    if (d.Step > project.StepNumber) continue;
    if (skipOldLinks && (d.Flags & kFlagOld) != 0) continue;
    position.emplace(i, static_cast<int32_t>(saved.size()));
    saved.push_back(i);
  }

  WriteDictionaries(tags, parts);
  WriteDocuments(tags, project.Documents, saved);
  tags.BeginTag(kTagProjectQuery);
  tags.WriteWideString(parts.QueryText);
  tags.EndTag();
  tags.BeginTag(kTagProjectStopWords);
  WriteStopWords(tags, project.StopWords);
  tags.EndTag();
  WriteSettings(tags, parts.Settings);
  WriteBooleanTag(tags, kTagProjectExcludedView, parts.ExcludedView);
  WriteBooleanTag(tags, kTagProjectScopeFlag, parts.ScopeFlag);
  if (!WriteOwnWords(tags, words, lastFileWord + 1)) return kProjectSaveError;
  if (!WritePhrases(tags, words)) return kProjectSaveError;
  WriteMarks(tags, parts, position);

  tags.BeginTag(kTagProjectStepKeys);
  tags.WriteInteger(steps);
  for (int32_t s = 0; s < steps; ++s) WriteKeys(tags, words, lastFileWord, project.StepKeys[static_cast<size_t>(s)]);
  tags.EndTag();

  tags.BeginTag(kTagProjectScopes);
  const TTScopeWords scopes = project.Scope.GetScopes();
  tags.WriteInteger(static_cast<int32_t>(scopes.size()));
  for (const TScopeWords& scope : scopes) {
    WriteKeys(tags, words, lastFileWord, scope.Included);
    WriteKeys(tags, words, lastFileWord, scope.Excluded);
  }
  tags.WriteInteger(project.Scope.CurrentIndex());
  tags.EndTag();
  return tags.WriteError() ? kProjectSaveError : 0;
}

int32_t SaveProject(std::u16string_view fileName, bool skipOldLinks, const TProjectFileParts& parts) {
  try {
    const int32_t result = SaveFramedFile(fileName, kMagicFPKP, kProjectVersion, false, kProjectSaveError,
                                          [&](TTagStream& tags) { return WriteProjectBody(tags, skipOldLinks, parts); });
    return result == 0 ? 0 : kProjectSaveError;
  } catch (const std::exception&) {
    return kProjectSaveError;
  }
}

// ---- parsing ----

namespace {

// How a block was read.
enum class TBlockRead {
  Whole,
  Damaged,  // its loss noted; the read goes on
  Broken,   // a block of the headerless form alone: the read fails
  Unknown,  // no block of this form: skipped
};

// Notes the loss of a block: Damaged.
TBlockRead Lost(TProjectData& data, int32_t tag, int64_t read = 0, int64_t said = -1) {
  data.Losses.push_back({tag, read, said});
  return TBlockRead::Damaged;
}

TBlockRead WholeOrLost(bool whole, TProjectData& data, int32_t tag) {
  return whole ? TBlockRead::Whole : Lost(data, tag);
}

// The records a block says it holds (`count`, read before them): those read
// whole go into `records`; the loss is noted at the first one the block does
// not hold whole, or when the count itself was not read.
template <class TRecord, class TReadRecord>
TBlockRead ParseRecords(TFields& f, TProjectData& data, int32_t tag, int64_t count, std::vector<TRecord>& records,
                        TReadRecord readRecord) {
  records.clear();
  if (f.Failed() || count < 0) return Lost(data, tag);
  // Every record takes bytes of the tag, so a count beyond them ends at the
  // tag's end.
  for (int64_t i = 0; i < count; ++i) {
    TRecord record{};
    readRecord(record);
    if (f.Failed()) return Lost(data, tag, static_cast<int64_t>(records.size()), count);
    records.push_back(std::move(record));
  }
  return TBlockRead::Whole;
}

void ParseDictionary(TFields& f, bool legacy, TProjectDictionary& d) {
  d.Active = f.Byte() != 0;
  if (legacy) {
    d.FileName = Wide(f.AnsiString());
    return;
  }
  d.FileName = f.WideString();
  d.Language = f.WideString();
  d.Author = f.WideString();
  d.Description = f.WideString();
  const int32_t length = f.Integer();
  if (length < 0 || !f.Fits(length)) {
    f.Fail();
    return;
  }
  // Only the 24 bytes of the header field are kept.
  std::vector<uint8_t> header(static_cast<size_t>(length));
  if (length > 0 && !f.Bytes(header.data(), length)) return;
  std::copy_n(header.begin(), std::min<size_t>(header.size(), sizeof d.Header), reinterpret_cast<uint8_t*>(&d.Header));
}

// A dictionary list read in part is not taken: it would switch off the
// dictionaries it lost.
TBlockRead ParseDictionaries(TFields& f, bool legacy, TProjectData& data) {
  const int32_t h = f.Integer();
  const TBlockRead read = ParseRecords(f, data, kTagProjectDictionaries, int64_t{h} + 1, data.Dictionaries,
                                       [&](TProjectDictionary& d) { ParseDictionary(f, legacy, d); });
  data.HasDictionaries = read == TBlockRead::Whole;
  if (!data.HasDictionaries) data.Dictionaries.clear();
  return read;
}

void ParseDocument(TFields& f, bool legacy, TMetaSearchList& d) {
  d.Position = f.Integer();
  d.Url = legacy ? f.AnsiString() : Narrow(f.WideString());
  d.Value = f.Single();
  d.Annotation = f.WideString();
  d.Title = f.WideString();
  d.Label = legacy ? f.AnsiString() : Narrow(f.WideString());
  d.QueryNumber = f.Integer();
  if (!legacy) {
    d.Flags = f.Word();
    d.Step = f.Integer();
  }
}

TBlockRead ParseDocuments(TFields& f, bool legacy, TProjectData& data) {
  const int32_t n = f.Integer();
  return ParseRecords(f, data, kTagProjectDocuments, n, data.Documents,
                      [&](TMetaSearchList& d) { ParseDocument(f, legacy, d); });
}

TBlockRead ParseSettings(TFields& f, bool legacy, TProjectData& data) {
  TProjectSettings s;
  s.EnabledEngines = legacy ? Wide(f.AnsiString()) : f.WideString();
  s.CurrentEngine = legacy ? Wide(f.AnsiString()) : f.WideString();
  s.LinksToDownload = f.Integer();
  s.TrackPosContext = f.Integer();
  s.TrackPosExact = f.Integer();
  s.WordForms = f.Byte() != 0;
  if (f.Failed()) return Lost(data, kTagProjectSettings);
  // The note and the author, as the preview reads them: a text the tag does
  // not hold whole is left empty, and so is what follows it.
  if (f.TrailingWideString(s.Note)) f.TrailingWideString(s.Author);
  data.Settings = std::move(s);
  data.HasSettings = true;
  return TBlockRead::Whole;
}

bool ParseOwnWords(TFields& f, TProjectData& data) {
  std::vector<uint8_t> bytes = f.Rest();
  if (f.Failed()) return false;
  if (bytes.empty()) return true;
  TMemoryStream stream(std::move(bytes));
  TIWordDictionary own;
  if (own.LoadFromStream(stream, u"") < 0) return false;
  data.OwnWords.reserve(static_cast<size_t>(own.Count()));
  for (int32_t i = 0; i < own.Count(); ++i) {
    TWDWord* word = own.GetWord(i);
    data.OwnWords.push_back(word ? word->GetText() : std::u16string());
  }
  return true;
}

bool ParsePhrases(TFields& f, TProjectData& data) {
  std::vector<uint8_t> phrases = f.Rest();
  if (f.Failed()) return false;
  if (!phrases.empty()) {
    // Checked here on a scratch dictionary, so a damaged stream is found
    // before anything is loaded.
    TPhraseWordDictionary scratch;
    TMemoryStream stream(phrases.data(), phrases.size());
    if (scratch.LoadPhrases(stream) != TPhraseWordDictionary::kPhrasesDone) return false;
  }
  data.Phrases = std::move(phrases);
  return true;
}

bool ParseMarks(TFields& f, TProjectData& data) {
  std::array<std::vector<int32_t>, 3> marks;
  for (auto& group : marks) {
    group.assign(static_cast<size_t>(f.Count(4)), 0);
    for (int32_t& p : group) p = f.Integer();
  }
  if (f.Failed()) return false;
  data.Marks = std::move(marks);
  return true;
}

TBlockRead ParseStepKeys(TFields& f, TProjectData& data) {
  const int32_t n = f.Integer();
  return ParseRecords(f, data, kTagProjectStepKeys, n, data.StepKeys, [&](TStoredKeys& keys) { keys = f.Keys(); });
}

// The scopes, then the current one's index; without the index (the file's
// last bytes) the last scope becomes current.
TBlockRead ParseScopes(TFields& f, TProjectData& data) {
  const int32_t n = f.Integer();
  const TBlockRead read = ParseRecords(f, data, kTagProjectScopes, n, data.Scopes, [&](TStoredScope& scope) {
    scope.Included = f.Keys();
    scope.Excluded = f.Keys();
  });
  if (read == TBlockRead::Whole) {
    const int32_t index = f.Integer();
    data.ScopeIndex = f.Failed() ? -1 : index;
  }
  return read;
}

// The step lists of the headerless form: a tag with the step count, then a
// tag per step with Integer n and n pairs of identifier and weight.
bool ParseLegacySteps(TTagStream& tags, TProjectData& data) {
  const int64_t end = tags.TagEnd();
  int32_t count = -1;
  data.LegacyStepKeys.clear();
  while (tags.Position() < end) {
    if (tags.ReadTag() <= 0) return false;
    TFields f(tags);
    if (count < 0) {
      count = f.Integer();
      if (count < 0 || count > (end - tags.Position()) / 2) return false;
    } else if (static_cast<int32_t>(data.LegacyStepKeys.size()) < count) {
      TNNKeys keys(static_cast<size_t>(f.Count(kLegacyKeyBytes)));
      for (TNNKey& key : keys) {
        key.Id = f.Integer();
        key.Weight = f.Single();
      }
      data.LegacyStepKeys.push_back(std::move(keys));
    }
    if (f.Failed()) return false;
    tags.LeaveTag();
  }
  return count >= 0 && static_cast<int32_t>(data.LegacyStepKeys.size()) == count;
}

bool CheckKeyState(const std::vector<uint8_t>& body) {
  IControlKeys scratch;
  TMemoryStream stream;
  {
    TTagStream out(&stream);
    out.WriteTag(kTagProjectKeyState, body.data(), static_cast<int64_t>(body.size()));
  }
  stream.Seek(0, TSeekOrigin::soBeginning);
  TTagStream in(&stream);
  if (in.ReadTag() <= 0) return false;
  return scratch.LoadFromTagStream(in) >= 0;
}

TBlockRead Broken(bool whole) { return whole ? TBlockRead::Whole : TBlockRead::Broken; }

// A block of the headerless form alone; `cut`: the tag claims more than the
// file holds.
TBlockRead ParseLegacyTag(TTagStream& tags, bool cut, TProjectData& data) {
  TFields f(tags);
  switch (tags.CurrentTag()) {
    case kTagProjectNetwork:
      data.Network = f.Rest();
      return Broken(!cut);
    case kTagProjectUrls: {
      // Checked only: the address index is built again from the documents.
      TMemoryStream stream(f.Rest());
      TIWordDictionary urls;
      return Broken(!cut && urls.LoadFromStream(stream, u"") >= 0);
    }
    case kTagProjectSteps:
      return Broken(!cut && ParseLegacySteps(tags, data));
    case kTagProjectForms:
      data.Forms = f.Rest();
      return Broken(!cut);
    case kTagProjectKeyState:
      data.KeyState = f.Rest();
      data.HasKeyState = true;
      return Broken(!cut && CheckKeyState(data.KeyState));
  }
  return TBlockRead::Unknown;
}

// A block of the framed form alone.
TBlockRead ParseV4Tag(TTagStream& tags, bool cut, TProjectData& data) {
  TFields f(tags);
  switch (tags.CurrentTag()) {
    case kTagProjectQuery: {
      std::u16string query = f.WideString();
      if (f.Failed()) return Lost(data, kTagProjectQuery);
      data.QueryText = std::move(query);
      return TBlockRead::Whole;
    }
    case kTagProjectStopWords:
      if (cut) return Lost(data, kTagProjectStopWords);
      data.StopWords = ReadStopWords(f.Rest());
      return TBlockRead::Whole;
    case kTagProjectScopeFlag:
      return TBlockRead::Whole;  // never read back
    case kTagProjectFirstOwnWord:
      data.FirstOwnWord = f.Integer();
      return TBlockRead::Whole;
    case kTagProjectOwnWords:
      return WholeOrLost(!cut && ParseOwnWords(f, data), data, kTagProjectOwnWords);
    case kTagProjectPhrases:
      return WholeOrLost(!cut && ParsePhrases(f, data), data, kTagProjectPhrases);
    case kTagProjectMarks:
      return WholeOrLost(ParseMarks(f, data), data, kTagProjectMarks);
    case kTagProjectStepKeys:
      return ParseStepKeys(f, data);
    case kTagProjectScopes:
      return ParseScopes(f, data);
  }
  return TBlockRead::Unknown;
}

// One top-level tag of either form.
TBlockRead ParseTag(TTagStream& tags, bool legacy, bool cut, TProjectData& data) {
  TFields f(tags);
  switch (tags.CurrentTag()) {
    case kTagProjectDictionaries:
      return ParseDictionaries(f, legacy, data);
    case kTagProjectDocuments:
      return ParseDocuments(f, legacy, data);
    case kTagProjectSettings:
      return ParseSettings(f, legacy, data);
    case kTagProjectExcludedView:
      // The view is left on opening whatever it was.
      data.ExcludedView = f.Byte() != 0;
      return TBlockRead::Whole;
  }
  return legacy ? ParseLegacyTag(tags, cut, data) : ParseV4Tag(tags, cut, data);
}

bool HasLoss(const TProjectData& data, int32_t tag) {
  return std::any_of(data.Losses.begin(), data.Losses.end(), [tag](const TProjectLoss& l) { return l.Tag == tag; });
}

// A mark must name a document read. One of a document a damaged block lost
// goes with it; one beyond a whole block (or a negative one) is damage of
// the marks, which then go whole.
void CheckMarks(TProjectData& data) {
  const auto documents = static_cast<int32_t>(data.Documents.size());
  const bool documentsWhole = !HasLoss(data, kTagProjectDocuments);
  bool damaged = false;
  for (auto& group : data.Marks) {
    std::erase_if(group, [&](int32_t p) {
      const bool outside = p < 0 || p >= documents;
      damaged = damaged || (outside && (p < 0 || documentsWhole));
      return outside;
    });
  }
  if (!damaged) return;
  for (auto& group : data.Marks) group.clear();
  Lost(data, kTagProjectMarks);
}

// The losses in the writer's order of the blocks.
void SortLosses(std::vector<TProjectLoss>& losses) {
  const auto order = [](int32_t tag) { return std::find(kProjectBlocksRead.begin(), kProjectBlocksRead.end(), tag); };
  std::stable_sort(losses.begin(), losses.end(),
                   [&](const TProjectLoss& a, const TProjectLoss& b) { return order(a.Tag) < order(b.Tag); });
}

bool ParseBody(TStream& stream, bool legacy, TProjectData& data) {
  try {
    data = TProjectData();
    data.Legacy = legacy;
    TTagStream tags(&stream);
    std::vector<int32_t> seen;  // the known blocks met
    while (tags.Position() < tags.StreamSize()) {
      // A tag header cut short or damaged: nothing after it can be read.
      if (tags.ReadTag() <= 0) break;
      const int32_t tag = tags.CurrentTag();
      // A known block met again is skipped: the first one stands.
      if (std::find(seen.begin(), seen.end(), tag) == seen.end()) {
        const bool cut = tags.TagRemaining() < tags.TagLength();
        const TBlockRead read = ParseTag(tags, legacy, cut, data);
        if (read == TBlockRead::Broken) return false;
        if (read != TBlockRead::Unknown) seen.push_back(tag);
      }
      tags.LeaveTag();
    }
    const auto met = [&seen](int32_t tag) { return std::find(seen.begin(), seen.end(), tag) != seen.end(); };
    // A body of which no block could be read is no project.
    if (legacy ? seen.empty() : std::none_of(kProjectBlocksRead.begin(), kProjectBlocksRead.end(), met)) return false;
    if (!legacy) {
      for (const int32_t tag : kProjectBlocksRead) {
        if (!met(tag)) Lost(data, tag);
      }
    }
    CheckMarks(data);
    SortLosses(data.Losses);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

bool ParseProjectV4(TStream& stream, TProjectData& data) { return ParseBody(stream, false, data); }
bool ParseLegacyProject(TStream& stream, TProjectData& data) { return ParseBody(stream, true, data); }

// ---- applying ----

namespace {

void Log(const TProjectFileParts& parts, std::string_view line) {
  if (parts.Log) parts.Log(line);
}

// Turns stored keys into identifiers with the dictionaries now loaded. The
// id 0 is both an own word's and that of a dictionary whose header says 0:
// it is a dictionary's only when the project lists such a dictionary as
// active, else an own word.
class TKeyResolver {
 public:
  TKeyResolver(const TPhraseWordDictionary& words, std::vector<int32_t> ownWords, int32_t phraseBase,
               bool zeroIsDictionary)
      : words_(words), ownWords_(std::move(ownWords)), phraseBase_(phraseBase), zeroIsDictionary_(zeroIsDictionary) {
    for (int32_t i = 0; i < words.FileCount(); ++i) fileIds_.insert(words.FileRange(i).ID);
  }
  // The identifier, -1 when the key names nothing.
  int32_t Resolve(const TStoredKey& key) const {
    if (key.Index < 0) return -1;
    if (key.Dictionary == kProjectPhraseDictionary) {
      const int64_t phrase = int64_t{key.Index} + phraseBase_;
      if (phrase >= words_.PhraseCount()) return -1;
      return static_cast<int32_t>(phrase + TPhraseWordDictionary::kPhraseBase);
    }
    return Word(key.Dictionary, key.Index);
  }
  // A word by its dictionary id and local index; -1 when none (also a word
  // of a dictionary not loaded).
  int32_t Word(int32_t dictionary, int32_t local) const {
    if (local < 0) return -1;
    if (dictionary != 0 || zeroIsDictionary_) {
      if (fileIds_.count(dictionary) != 0) return words_.GlobalWordIndex(dictionary, local, true);
      if (dictionary != 0) return -1;
    }
    // An own word: the word it became on reading.
    return local < static_cast<int32_t>(ownWords_.size()) ? ownWords_[static_cast<size_t>(local)] : -1;
  }
  TNNKeys Keys(const TStoredKeys& stored, float weight) const {
    TNNKeys keys;
    keys.reserve(stored.size());
    for (const TStoredKey& key : stored) {
      const int32_t id = Resolve(key);
      if (id >= 0) keys.push_back({id, weight});
    }
    return keys;
  }

 private:
  const TPhraseWordDictionary& words_;
  std::vector<int32_t> ownWords_;
  int32_t phraseBase_;
  bool zeroIsDictionary_;
  std::unordered_set<int32_t> fileIds_;
};

// True when the project lists an active dictionary whose header has the id 0.
bool ListsDictionaryZero(const TProjectData& data) {
  return std::any_of(data.Dictionaries.begin(), data.Dictionaries.end(),
                     [](const TProjectDictionary& d) { return d.Active && d.Header.DictID == 0; });
}

// The documents as read, less refused and repeated addresses; the new index
// of every read document (-1: dropped).
std::vector<int32_t> TakeDocuments(TProjectFileParts& parts, TMetaSearchList2& documents) {
  TProject& project = parts.Project;
  project.Documents.clear();
  project.IMetaList.Clear();
  std::vector<int32_t> newIndex(documents.size(), -1);
  for (size_t i = 0; i < documents.size(); ++i) {
    TMetaSearchList& d = documents[i];
    if (parts.Refused && parts.Refused(d.Url)) {
      Log(parts, "Project: document dropped, its address is a command: " + d.Url);
      continue;
    }
    const int32_t before = project.IMetaList.Count();
    const int32_t index = project.IMetaList.AddWord(TProject::MetaListKey(d.Url), 0, -1);
    if (index < 0) break;
    if (index < before) {
      newIndex[i] = index;  // the same address twice: the first document stands
      continue;
    }
    newIndex[i] = index;
    project.Documents.push_back(std::move(d));
  }
  return newIndex;
}

bool LoadHook(const std::function<bool(TStream&)>& hook, const std::vector<uint8_t>& bytes) {
  if (!hook) return true;
  TMemoryStream stream(bytes.data(), bytes.size());
  return hook(stream);
}

void SetMarks(TProjectFileParts& parts, const TProjectData& data, const std::vector<int32_t>& newIndex) {
  for (size_t g = 0; g < data.Marks.size(); ++g) {
    for (const int32_t p : data.Marks[g]) {
      const int32_t d = newIndex[static_cast<size_t>(p)];
      if (d >= 0) parts.Steps.SetMark(d, kProjectMarkValues[g], true);
    }
  }
}

bool TakeDictionaries(const TProjectData& data, TProjectFileParts& parts) {
  parts.Dictionaries = data.Dictionaries;
  if (!parts.LoadDictionaries || parts.LoadDictionaries(parts.Dictionaries)) return true;
  parts.DictionariesRefused = true;
  return false;
}

bool ApplyV4(TProjectData& data, TProjectFileParts& parts) {
  TProject& project = parts.Project;
  TPhraseWordDictionary& words = parts.Words;
  if (data.HasDictionaries && !TakeDictionaries(data, parts)) return false;
  // The own words, after the words of the files now loaded.
  std::vector<int32_t> ownWords;
  ownWords.reserve(data.OwnWords.size());
  for (const std::u16string& text : data.OwnWords) ownWords.push_back(words.AddWord(text, 0, -1));
  const int32_t phrasesBefore = words.PhraseCount();
  const TKeyResolver resolver(words, ownWords, phrasesBefore, ListsDictionaryZero(data));
  if (!data.Phrases.empty()) {
    // A phrase's words are found as the keys' words are: a word of no
    // loaded file is the own word of that local index.
    TMemoryStream stream(data.Phrases.data(), data.Phrases.size());
    const auto entryWord = [&resolver](int32_t dictionary, int32_t local) { return resolver.Word(dictionary, local); };
    if (words.LoadPhrases(stream, entryWord) != TPhraseWordDictionary::kPhrasesDone) return false;
  }

  const std::vector<int32_t> newIndex = TakeDocuments(parts, data.Documents);
  project.StopWords = data.StopWords;
  project.StepKeys.clear();
  for (const TStoredKeys& keys : data.StepKeys) project.StepKeys.push_back(resolver.Keys(keys, kProjectIncludedWeight));
  project.StepNumber = static_cast<int32_t>(project.StepKeys.size());
  // A whole file holds no document of a later step; one whose step a
  // damaged file lost belongs to the last step read, so that it is shown
  // and saved again.
  for (TMetaSearchList& d : project.Documents) d.Step = std::min(d.Step, project.StepNumber);
  project.Scope.Clear();
  for (const TStoredScope& scope : data.Scopes) {
    project.Scope.Add(resolver.Keys(scope.Included, kProjectIncludedWeight),
                      resolver.Keys(scope.Excluded, kProjectExcludedWeight));
  }
  if (project.Scope.Count() > 0) project.Scope.SetCurrent(project.Scope.Count() - 1);
  if (project.Scope.IsValidIndex(data.ScopeIndex)) project.Scope.SetCurrent(data.ScopeIndex);
  SetMarks(parts, data, newIndex);

  words.FreePhraseIndex();
  words.BuildPhraseIndex(2, 11);
  parts.QueryText = data.QueryText;
  // A query the file lost is that of its last search step: without one the
  // map would be empty, and the project would go with it.
  if (HasLoss(data, kTagProjectQuery) && project.StepNumber > 0) {
    for (const TNNKey& key : project.StepKeys[static_cast<size_t>(project.StepNumber - 1)]) {
      AppendQueryKey(parts.QueryText, &words, nullptr, key.Id, false);
    }
    if (!parts.QueryText.empty()) parts.QueryText.erase(0, 1);
  }
  if (data.HasSettings) parts.Settings = data.Settings;
  parts.ExcludedView = false;
  parts.Steps.SetNoQuery(parts.ScopeFlag, true);
  parts.Steps.SetStepNumber(project.StepNumber, true);
  for (const std::u16string& word : project.StopWords) words.MarkWord(word);
  return true;
}

bool ApplyLegacy(TProjectData& data, TProjectFileParts& parts) {
  TProject& project = parts.Project;
  if (data.HasDictionaries && !TakeDictionaries(data, parts)) return false;
  if (!data.Network.empty()) {
    if (!LoadHook(parts.LoadNetwork, data.Network)) return false;
    parts.Words.FreePhraseIndex();
    parts.Words.BuildPhraseIndex(2, 11);
  }
  if (!data.Forms.empty() && !LoadHook(parts.LoadForms, data.Forms)) return false;
  if (data.HasKeyState) {
    TMemoryStream stream;
    {
      TTagStream out(&stream);
      out.WriteTag(kTagProjectKeyState, data.KeyState.data(), static_cast<int64_t>(data.KeyState.size()));
    }
    stream.Seek(0, TSeekOrigin::soBeginning);
    TTagStream in(&stream);
    if (in.ReadTag() <= 0 || parts.Steps.Ring().LoadFromTagStream(in) < 0) return false;
  }
  const auto steps = static_cast<int32_t>(data.LegacyStepKeys.size());
  for (TMetaSearchList& d : data.Documents) d.Step = steps;
  // The key state names documents by their index in the file: it follows
  // the documents kept, and a reference to none goes.
  const std::vector<int32_t> newIndex = TakeDocuments(parts, data.Documents);
  for (const int32_t kind : {kKindDocuments, kKindMarks, kKindAnnounced}) parts.Steps.Ring().RenumberKind(kind, newIndex);
  project.StepKeys = data.LegacyStepKeys;
  project.StepNumber = steps;
  parts.Steps.SetNoQuery(parts.ScopeFlag, true);
  parts.Steps.SetStepNumber(steps, true);
  if (data.HasSettings) parts.Settings = data.Settings;
  // The map returns to the query view.
  parts.ExcludedView = false;
  project.Scope.Clear();
  for (const TNNKeys& keys : project.StepKeys) project.Scope.Add(keys, {});
  const int32_t found = project.Scope.Find(parts.Steps.QueryWords(), parts.Steps.ExcludedWords());
  if (found >= 0) {
    project.Scope.SetCurrent(found);
  } else if (project.Scope.Count() > 0) {
    project.Scope.SetCurrent(project.Scope.Count() - 1);
  }
  return true;
}

// What every open does after the body: no document is old or new, the
// counters and the mark counters counted again.
void FinishOpen(TProjectFileParts& parts) {
  for (TMetaSearchList& d : parts.Project.Documents) d.Flags &= ~(kFlagOld | kFlagNew);
  parts.Project.RebuildMarkCounters(parts.Steps.Ring());
  parts.Project.RecountDocuments(parts.Steps.Ring());
}

}  // namespace

bool ReadProjectV4(TStream& stream, TProjectFileParts& parts) {
  TProjectData data;
  parts.Losses.clear();
  if (!ParseProjectV4(stream, data)) return false;
  parts.Losses = data.Losses;
  try {
    return ApplyV4(data, parts);
  } catch (const std::exception&) {
    return false;
  }
}

bool ReadLegacyProject(TStream& stream, TProjectFileParts& parts) {
  TProjectData data;
  parts.Losses.clear();
  if (!ParseLegacyProject(stream, data)) return false;
  parts.Losses = data.Losses;
  try {
    return ApplyLegacy(data, parts);
  } catch (const std::exception&) {
    return false;
  }
}

TProjectOpen OpenProjectStream(TStream& stream, TProjectFileParts& parts) {
  parts.DictionariesRefused = false;
  parts.Losses.clear();
  // Anything shorter than the frame is no project of either form.
  if (stream.Size() < kFrameSize || stream.Seek(0, TSeekOrigin::soBeginning) != 0) return TProjectOpen::Failed;
  TFrameHeader frame;
  if (!ReadFrameHeader(stream, frame)) return TProjectOpen::Failed;
  bool loaded = false;
  if (frame.Magic == kMagicFPKP) {
    if (frame.Version == 1) return TProjectOpen::Version1;
    if (frame.Version != kProjectVersion) return TProjectOpen::Failed;
    loaded = ReadProjectV4(stream, parts);
  } else if ((frame.Magic & 0xFFFF) >> 1 == kTagProjectDictionaries) {
    if (stream.Seek(0, TSeekOrigin::soBeginning) != 0) return TProjectOpen::Failed;
    loaded = ReadLegacyProject(stream, parts);
  }
  if (!loaded) return parts.DictionariesRefused ? TProjectOpen::DictionaryRefused : TProjectOpen::Failed;
  FinishOpen(parts);
  return TProjectOpen::Loaded;
}

TProjectOpen OpenProjectFile(std::u16string_view fileName, TProjectFileParts& parts) {
  // Only a regular file is read: a pipe or a device could block the read.
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(platform::ResolvePath(fileName), error);
  if (status.type() == std::filesystem::file_type::not_found) return TProjectOpen::Missing;
  if (error) return TProjectOpen::Unreadable;
  if (!std::filesystem::is_regular_file(status)) return TProjectOpen::Failed;
  TFileStreamW file(fileName, TFileStreamW::fmOpenRead | TFileStreamW::fmShareDenyNone);
  if (!file.HandleValid()) return TProjectOpen::Unreadable;
  return OpenProjectStream(file, parts);
}

int32_t FindProjectEngine(const std::vector<std::u16string>& displayNames, std::u16string_view name) {
  for (size_t i = 0; i < displayNames.size(); ++i) {
    if (platform::CompareNoCase(displayNames[i], name) == 0) return static_cast<int32_t>(i);
  }
  return -1;
}

}  // namespace kestrune
