// The older formats the context model still reads: the word ids of an old
// ".anw" file (entries of a dictionary file id and an index within it) and
// the context chunk of the oldest project files.
#include <memory>

#include "core/frame.h"
#include "core/tag_stream.h"
#include "language/phrase_word_dictionary.h"
#include "network/context_ms.h"
#include "network/context_ms_internal.h"
#include "platform/files.h"

namespace kestrune {

using namespace context_ms_detail;

// ---------------------------------------------------------------------------
// Old word-id files

int32_t TIContextMS::LoadWordIdsFile(std::u16string_view fileName) {
  if (fileName.empty()) return kEmptyName;
  if (!platform::FileExists(fileName)) return kFileMissing;
  TFileStreamW file(fileName, TFileStreamW::fmOpenRead | TFileStreamW::fmShareDenyNone);
  if (!file.HandleValid()) return kFileError;
  return LoadWordIdsFromStream(file);
}

int32_t TIContextMS::LoadWordIdsFromStream(TStream& stream) {
  uint8_t header[16] = {};
  const int64_t got = stream.Read(header, sizeof(header));
  uint32_t magic = 0;
  if (got >= 4) magic = header[0] | (header[1] << 8) | (header[2] << 16) | (static_cast<uint32_t>(header[3]) << 24);
  if (magic == kMagicAVLF) return kCurrentFormat;
  if (magic != kLegacyWordIdMagic) return kWrongMagic;
  return LoadLegacyWordIds(stream);
}

int32_t TIContextMS::LoadLegacyWordIds(TStream& stream) {
  wordIds_.Clear();
  try {
    TTagStream tags(&stream);
    if (tags.ReadTag() <= 0) return kFileError;
    int32_t n = 0;
    if (tags.Read(&n, 4) != 4) return kFileError;
    tags.LeaveTag();
    // Each entry has a tag of its own; the loop ends with the stream, so the
    // count allocates nothing.
    int32_t placeholder = kPlaceholderFirst;
    for (int32_t i = 0; i < n; ++i) {
      if (tags.ReadTag() <= 0) return kFileError;  // the stream ended before the entries did
      int32_t value = 0;
      int16_t kind = 0;
      if (tags.Read(&value, 4) != 4 || tags.Read(&kind, 2) != 2) return kFileError;
      tags.LeaveTag();
      int32_t id = -1;
      if (!MapLegacyWordId(kind, value, id)) return kFileError;
      if (IsPlaceholder(id) || wordIds_.Find(id) >= 0) {
        // A repeated entry keeps its place with a value that matches no word.
        while (wordIds_.Find(placeholder) >= 0) ++placeholder;
        id = placeholder++;
      }
      wordIds_.Add(id);
    }
    return kDone;
  } catch (...) {
    return kFileError;
  }
}

bool TIContextMS::MapLegacyWordId(int16_t kind, int32_t value, int32_t& wordId) {
  if (kind == kLegacyPhraseKind) {
    // 2000000 + Value, wrapping as the stored integers do.
    wordId = static_cast<int32_t>(static_cast<uint32_t>(kPhraseBase) + static_cast<uint32_t>(value));
    return true;
  }
  if (!wordDictionary_) {
    wordId = -1;
    return true;
  }
  auto* phrases = dynamic_cast<TPhraseWordDictionary*>(wordDictionary_);
  if (!phrases) return false;
  wordId = phrases->GlobalWordIndex(kind, value, true);
  return true;
}

int32_t TIContextMS::LoadFromProjectStream(TMemoryStream& stream) {
  try {
    TTagStream tags(&stream);
    Clear();
    network_->Clear();  // the network chunk brings its own layers
    const int32_t result = ReadProjectChunks(tags);
    // What was read must hold together even when a chunk failed: word ids
    // that do not match the word elements clear the model, file ranges past
    // the pages drop the file table.
    const bool whole = CheckOpenedParts("LoadFromProjectStream");
    if (result != kDone) return result;
    return whole ? kDone : kFileError;
  } catch (...) {
    return kFileError;
  }
}

int32_t TIContextMS::ReadProjectChunks(TTagStream& tags) {
  // Each chunk: the next tag's whole data, read from position 0.
  TMemoryStream chunk;
  auto nextChunk = [&]() -> bool {
    if (tags.ReadTag() <= 0) return false;
    const int64_t size = tags.TagRemaining();
    std::vector<uint8_t>& bytes = chunk.Bytes();
    bytes.resize(static_cast<size_t>(size));
    if (size > 0 && tags.Read(bytes.data(), size) != size) return false;
    chunk.SetPosition(0);
    return true;
  };

  // 1: a word dictionary, merged word by word into WordDictionary.
  if (!nextChunk()) return kFileError;
  {
    auto words = std::make_unique<TIWordDictionary>();
    const int32_t result = words->LoadFromStream(chunk, std::u16string_view());
    if (result != 0) return result;
    if (!wordDictionary_) return kFileError;
    for (int32_t i = 0; i < words->Count(); ++i) {
      const TWDWord* word = words->GetWord(i);
      wordDictionary_->AddWord(word->GetText(), word->GetPartOfSpeech(), word->GetGroup());
    }
  }
  tags.LeaveTag();

  // 2: the phrases.
  if (!nextChunk()) return kFileError;
  auto* phrases = dynamic_cast<TPhraseWordDictionary*>(wordDictionary_);
  if (!phrases) return kFileError;
  if (const int32_t result = phrases->LoadPhrases(chunk); result != 0) return result;
  tags.LeaveTag();

  // 3: the network.
  if (!nextChunk()) return kFileError;
  if (const int32_t result = network_->LoadFromStream(chunk); result != 0) return result;
  tags.LeaveTag();

  // 4: the word ids in the old layout.
  if (!nextChunk()) return kFileError;
  if (const int32_t result = LoadLegacyWordIds(chunk); result != 0) return result;
  tags.LeaveTag();

  // 5: the file table.
  if (!nextChunk()) return kFileError;
  if (const int32_t result = files_.LoadFromStream(chunk); result != 0) return result;
  tags.LeaveTag();

  return kDone;
}

}  // namespace kestrune
