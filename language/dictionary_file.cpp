// The "DRWS" dictionary files of TIWordDictionary: the header alone, loading
// and merging a file into one identifier space with its lexicon, and the
// words written into a stream.
//
// Header tag 128: i32 version (1), i32 DictID, u32 flags (bit 0 Compress,
// bit 1 Option2), u32 code page of 8-bit texts, i32 word count, i32 DictAttr,
// WideString lexicon file (relative to the dictionary's folder), WideString
// author, WideString description.
// Word tags (16, 144, 16400 by body size), inside tag 0x4000: the text (a
// WideString, or with Compress a u16 byte count and bytes in the code page),
// u8 part of speech, i16 group relative to the file's lexicon (-1 none),
// i16 Attr1, i16 Attr2.
//
// Every header read starts a file range (TWDFileRange) at Count(); the range
// ends where the next header of the stream starts or the load ends.
#include <algorithm>
#include <cstring>
#include <exception>

#include "core/base.h"
#include "core/frame.h"
#include "core/log_file.h"
#include "core/tag_stream.h"
#include "language/word_dictionary.h"
#include "platform/files.h"
#include "platform/text.h"

namespace kestrune {

namespace {

constexpr uint32_t kFlagCompress = 1;
constexpr uint32_t kFlagOption2 = 2;

// The 24 header bytes and the three texts; false when the tag cannot hold them.
bool ReadHeader(TTagStream& in, TWDFileHeader& header, std::u16string& morphologyFile, std::u16string& author,
                std::u16string& description) {
  if (in.TagRemaining() < static_cast<int64_t>(sizeof header)) return false;
  in.Read(&header, sizeof header);
  return in.ReadWideStringChecked(morphologyFile) && in.ReadWideStringChecked(author) && in.ReadWideStringChecked(description);
}

// The folder part of a file name, with its separator ("" when none).
std::u16string FolderOf(std::u16string_view fileName) {
  const size_t slash = fileName.find_last_of(u"/\\");
  return slash == std::u16string_view::npos ? std::u16string() : std::u16string(fileName.substr(0, slash + 1));
}

// A code page the converters know, for the 8-bit texts a save writes.
uint32_t UsableCodePage(uint32_t codePage) {
  std::string probe;
  return platform::WideToCodePage(u"a", codePage, probe) && probe == "a" ? codePage : 0;
}

struct CorruptBody {};

}  // namespace

bool TIWordDictionary::ReadFileHeader(std::u16string_view fileName, TWDFileHeader& header,
                                      std::u16string& morphologyFile, std::u16string& author,
                                      std::u16string& description) {
  TWDFileHeader read;
  std::u16string morphology, who, what;
  if (ReadFileHeaderStatus(fileName, read, morphology, who, what) != kFileDone) return false;
  header = read;
  morphologyFile = std::move(morphology);
  author = std::move(who);
  description = std::move(what);
  return true;
}

int32_t TIWordDictionary::ReadFileHeaderStatus(std::u16string_view fileName, TWDFileHeader& header,
                                               std::u16string& morphologyFile, std::u16string& author,
                                               std::u16string& description, bool* headerRead) {
  if (headerRead) *headerRead = false;
  if (fileName.empty()) return kFileNoName;
  if (!WideFileExists(fileName)) return kFileMissing;
  TFileStreamW file(fileName, TFileStreamW::fmOpenRead | TFileStreamW::fmShareDenyNone);
  if (!file.HandleValid()) return kFileCorrupt;
  const uint32_t crc = FileCRC32(fileName, 16, -1);
  TTagStream in(&file);
  TFrameHeader frame;
  if (!ReadFrameHeader(in, frame) || frame.Magic != kMagicDRWS) return kFileWrongMagic;
  const bool whole = in.ReadTag() > 0 && in.CurrentTag() == kHeaderTag &&
                     ReadHeader(in, header, morphologyFile, author, description);
  if (headerRead) *headerRead = whole;
  if (frame.CRC != crc) return kFileCRCMismatch;
  return whole ? kFileDone : kFileWrongMagic;
}

int32_t TIWordDictionary::LoadFromFile(std::u16string_view fileName) {
  if (fileName.empty()) return kFileNoName;
  if (!WideFileExists(fileName)) return kFileMissing;
  TFileStreamW file(fileName, TFileStreamW::fmOpenRead | TFileStreamW::fmShareDenyRead);
  if (!file.HandleValid()) return kFileCorrupt;
  TFrameHeader frame;
  const int64_t got = file.Read(&frame, sizeof frame);
  if (got <= 0) return kFileCorrupt;
  if (got < static_cast<int64_t>(sizeof frame) || frame.Magic != kMagicDRWS) return kFileWrongMagic;
  if (frame.CRC != 0) {
    if (StreamCRC32(file, 16, -1) != frame.CRC) return kFileCRCMismatch;
    if (file.Seek(16, TSeekOrigin::soBeginning) != 16) return kFileCorrupt;
  }
  return LoadFromStream(file, fileName);
}

int32_t TIWordDictionary::LoadFromStream(TStream& stream, std::u16string_view fileName) {
  std::lock_guard<std::mutex> guard(lock_);
  return LoadFromStreamUnlocked(stream, fileName);
}

int32_t TIWordDictionary::LoadFromStreamUnlocked(TStream& stream, std::u16string_view fileName) {
  const int32_t oldCount = Count();
  formsStale_ = true;
  int32_t result = kFileDone;
  // The load-table entry this load made for the file being read, -1 none.
  int32_t created = -1;
  uint32_t step = 0;
  uint32_t progress = 0;
  uint32_t tick = platform::GetTickCount();

  // The file range this load opened, -1 none.
  int32_t range = -1;
  auto closeEntry = [&]() {
    if (created >= 0) loadTable_[created].Last = Count() - 1;
    created = -1;
    if (range >= 0) files_[static_cast<size_t>(range)].Last = Count() - 1;
    range = -1;
  };

  auto readHeader = [&](TTagStream& in) -> int32_t {
    TWDFileHeader header;
    std::u16string morphology, who, what;
    if (!ReadHeader(in, header, morphology, who, what)) throw CorruptBody{};
    morphologyFile_ = std::move(morphology);
    author_ = std::move(who);
    description_ = std::move(what);
    if (header.Version != kFileVersion) return kFileWrongVersion;
    // The words of an earlier header of this stream end here.
    closeEntry();
    dictId_ = static_cast<int16_t>(header.DictID);
    version_ = header.Version;
    option2_ = (header.Flags & kFlagOption2) != 0;
    dictAttr_ = static_cast<int16_t>(header.DictAttr);
    compress_ = (header.Flags & kFlagCompress) != 0;
    codePage_ = header.CodePage;
    int32_t entry = -1;
    for (int32_t i = 0; i < loadCount_; ++i) {
      if (loadTable_[i].ID == dictId_ && loadTable_[i].MorphologyFile == morphologyFile_) {
        entry = i;
        break;
      }
    }
    if (entry >= 0) {
      groupBase_ = loadTable_[entry].GroupBase;
    } else {
      if (loadCount_ >= kLoadTableSize) return kFileLoadTableFull;
      TIMorphologyEngine* engine = engine_;
      groupBase_ = engine ? engine->LexemeCount() : 0;
      TWDLoadDictionary& e = loadTable_[loadCount_];
      e.ID = dictId_;
      e.GroupBase = groupBase_;
      e.First = Count();
      e.Last = static_cast<int32_t>(std::clamp<int64_t>(int64_t{Count()} + header.WordCount - 1, -1, kMaxWords - 1));
      e.MorphologyFile = morphologyFile_;
      created = loadCount_;
      ++loadCount_;
      // The lexicon lies beside a dictionary file; a stream without a file
      // name has no folder to find it in.
      if (engine && morphologyEnable_ && !fileName.empty() && !morphologyFile_.empty()) {
        std::u16string lexicon = FolderOf(fileName) + morphologyFile_;
        std::replace(lexicon.begin(), lexicon.end(), u'\\', u'/');
        engine->LoadFromFile(lexicon);
      }
    }
    range = static_cast<int32_t>(files_.size());
    files_.push_back({dictId_, Count(), Count() - 1});
    step = header.WordCount > 0 ? static_cast<uint32_t>((100u << 16) / static_cast<uint32_t>(header.WordCount)) : 0;
    progress = 0;
    if (OnProgressChange) OnProgressChange(0);
    return kFileDone;
  };

  auto readWord = [&](TTagStream& in) -> int32_t {
    if (OnProgressChange) {
      const uint32_t before = progress >> 16;
      progress += step;
      const uint32_t now = platform::GetTickCount();
      if ((progress >> 16) > before && now - tick > 5) {
        OnProgressChange(static_cast<int32_t>(std::min<uint32_t>(progress >> 16, 100)));
        tick = now;
      }
    }
    // The text first: nothing is taken from the table for a corrupt word.
    std::u16string text;
    if (compress_) {
      std::string bytes;
      if (!in.ReadAnsiStringChecked(bytes) || !platform::CodePageToWide(bytes, codePage_, text)) throw CorruptBody{};
    } else if (!in.ReadWideStringChecked(text)) {
      throw CorruptBody{};
    }
    uint8_t partOfSpeech = 0;
    int16_t group = -1, attr1 = 0, attr2 = 0;
    in.ReadByte(partOfSpeech);
    in.ReadSmallInt(group);
    in.ReadSmallInt(attr1);
    in.ReadSmallInt(attr2);
    if (group < -1) throw CorruptBody{};
    TWDWord* word = PrepareSlot();
    if (!word) {
      ReportFull();
      return kFileCorrupt;
    }
    StoreText(*word, StorableText(text));
    word->DictionaryID = dictId_;
    word->PartOfSpeech = partOfSpeech;
    word->Group = group == -1 ? -1 : groupBase_ + group;
    word->Attr1 = attr1;
    word->Attr2 = attr2;
    if (morphologyEnable_ && engine_ && word->Group >= 0) {
      if (TMEGroup* lexeme = engine_->GetLexeme(word->Group)) lexeme->AddRef();
    }
    LinkNewWord(true);
    return kFileDone;
  };

  try {
    TTagStream in(&stream);
    while (!in.EndOfStream() && result == kFileDone) {
      const int32_t r = in.ReadTag();
      if (r < 0 && in.InTag()) {
        // No room for another tag in the open one.
        in.LeaveTag();
        continue;
      }
      if (r <= 0) break;
      const int32_t tag = in.CurrentTag();
      if (tag == kHeaderTag) {
        result = readHeader(in);
      } else if (tag == kWordTag1 || tag == kWordTag2 || tag == kWordTag3) {
        result = readWord(in);
      } else if (tag == kWordsTag && !in.EndOfTag()) {
        continue;  // its words are read as the next tags
      }
      in.LeaveTag();
      if (in.InTag() && in.CurrentTag() == kWordsTag && in.EndOfTag()) in.LeaveTag();
    }
  } catch (const CorruptBody&) {
    result = kFileCorrupt;
  } catch (const std::exception&) {
    result = kFileCorrupt;
  }
  // Ranges of later files never overlap this one: a new entry ends at the
  // last word added, and words added to a file loaded before extend the last
  // entry.
  if (created < 0 && Count() > oldCount && loadCount_ > 0) loadTable_[loadCount_ - 1].Last = Count() - 1;
  closeEntry();
  if (OnProgressChange) OnProgressChange(100);
  return result;
}

int32_t TIWordDictionary::SaveToStream(TStream& stream, bool ask) {
  std::lock_guard<std::mutex> guard(lock_);
  const int32_t count = Count();
  if (count < 1) return kFileEmpty;
  try {
    // Mark the words to export.
    int32_t exported = 0;
    for (int32_t i = 0; i < count; ++i) {
      TWDWord& word = Slot(i);
      const bool take = !ask || (WordExport && WordExport(*this, i));
      if (take) {
        word.Flags |= TWDWord::kFlagExport;
        ++exported;
      } else {
        word.Flags &= static_cast<uint16_t>(~TWDWord::kFlagExport);
      }
    }
    if (author_.empty()) author_ = u"Kestrune Inc";
    if (description_.empty()) description_ = u"Word Dictionary 2005";
    // 8-bit texts are written in a code page the converters know, and the
    // header names the one used.
    if (compress_) codePage_ = UsableCodePage(codePage_);
    // Groups are written relative to the dictionary's own lexicon file.
    int32_t base = 0;
    for (int32_t i = 0; i < loadCount_; ++i) {
      if (loadTable_[i].ID == dictId_ && loadTable_[i].MorphologyFile == morphologyFile_) {
        base = loadTable_[i].GroupBase;
        break;
      }
    }

    // The tags are made in memory (the writer patches lengths in place) and
    // handed to the stream in one write.
    TMemoryStream image;
    TTagStream out(&image);
    out.BeginTag(kHeaderTag);
    out.WriteInteger(version_);
    out.WriteInteger(dictId_);
    out.WriteCardinal((compress_ ? kFlagCompress : 0) | (option2_ ? kFlagOption2 : 0));
    out.WriteCardinal(codePage_);
    out.WriteInteger(exported);
    out.WriteInteger(dictAttr_);
    out.WriteWideString(morphologyFile_);
    out.WriteWideString(author_);
    out.WriteWideString(description_);
    out.EndTag();

    uint32_t step = static_cast<uint32_t>((100u << 16) / static_cast<uint32_t>(count));
    uint32_t progress = 0;
    uint32_t tick = platform::GetTickCount();
    if (OnProgressChange) OnProgressChange(0);
    out.BeginTag(kWordsTag);
    std::string bytes;
    for (int32_t i = 0; i < count; ++i) {
      const TWDWord& word = Slot(i);
      if (!(word.Flags & TWDWord::kFlagExport)) continue;
      if (OnProgressChange) {
        const uint32_t before = progress >> 16;
        progress += step;
        const uint32_t now = platform::GetTickCount();
        if ((progress >> 16) > before && now - tick > 5) {
          OnProgressChange(static_cast<int32_t>(progress >> 16));
          tick = now;
        }
      }
      // A lexeme outside the 16-bit groups of the dictionary's own lexicon
      // is not written; the word's text still is.
      int32_t group = -1;
      const int64_t relative = int64_t{word.Group} - base;
      if (word.Group >= 0 && relative >= 0 && relative <= INT16_MAX) group = static_cast<int32_t>(relative);
      const std::u16string_view text = word.StoredView().substr(0, kMaxTextLength);
      int64_t body;
      if (compress_) {
        if (!platform::WideToCodePage(text, codePage_, bytes)) return kFileCorrupt;
        if (bytes.size() > 65535) bytes.resize(65535);
        body = static_cast<int64_t>(bytes.size()) + 9;
      } else {
        body = 2 * static_cast<int64_t>(text.size()) + 9;
      }
      out.BeginTag(body <= 255 ? kWordTag1 : body <= 65535 ? kWordTag2 : kWordTag3);
      if (compress_) {
        out.WriteAnsiString(bytes);
      } else {
        out.WriteWideString(text);
      }
      out.WriteByte(word.PartOfSpeech);
      out.WriteSmallInt(static_cast<int16_t>(group));
      out.WriteSmallInt(word.Attr1);
      out.WriteSmallInt(word.Attr2);
      out.EndTag();
    }
    out.EndTag();
    if (out.WriteError()) return kFileCorrupt;
    const int64_t size = image.Size();
    if (stream.Write(image.Bytes().data(), size) != size) return kFileCorrupt;
  } catch (const std::exception&) {
    return kFileCorrupt;
  }
  return kFileDone;
}

}  // namespace kestrune
