// Seeds for the reader of the old project context chunk: five tags holding a
// word dictionary, the phrases, a network, old word ids and a file table,
// each written by its own writer.
#include <string>
#include <vector>

#include "core/stream.h"
#include "core/tag_stream.h"
#include "fuzz/seeds.h"
#include "language/phrase_word_dictionary.h"
#include "network/context_ms.h"

using namespace kestrune;

namespace {

std::string Bytes(const TMemoryStream& stream) { return std::string(stream.Bytes().begin(), stream.Bytes().end()); }

std::string OldWordIds(const std::vector<std::pair<int32_t, int16_t>>& entries) {
  TMemoryStream stream;
  TTagStream tags(&stream);
  tags.BeginTag(1);
  tags.WriteInteger(static_cast<int32_t>(entries.size()));
  tags.EndTag();
  for (auto [value, kind] : entries) {
    tags.BeginTag(2);
    tags.WriteInteger(value);
    tags.WriteSmallInt(kind);
    tags.EndTag();
  }
  return Bytes(stream);
}

std::string Chunk(const std::vector<std::string>& parts) {
  TMemoryStream stream;
  TTagStream tags(&stream);
  int32_t tag = 16384;
  for (const std::string& part : parts) tags.WriteTag(tag++, part.data(), static_cast<int64_t>(part.size()));
  return Bytes(stream);
}

}  // namespace

KESTRUNE_SEEDS(context_chunk) {
  TPhraseWordDictionary words;
  words.AddWord(u"red", 0, -1);
  words.AddWord(u"apple", 0, -1);
  words.AddWord(u"tree", 0, -1);
  TMemoryStream dictionary;
  words.SaveToStream(dictionary, false);
  TPhrase phrase;
  phrase.Entries = {TPhraseEntry{0, 0, 0}, TPhraseEntry{1, 0, 0}};
  words.AddPhrase(phrase);
  TMemoryStream phrases;
  words.SavePhrases(phrases);

  TIContextMS model;
  for (int32_t id : {0, 1, 2, 2000000}) model.AddWord(id);
  model.AddFile(0);
  model.AddFile(1);
  TRelationPosition position;
  for (int32_t e = 0; e < 4; ++e) {
    model.Network().GetElement({0, e})->SetAnchor(1.0f);
    model.Network().SetRelation({0, e}, {0, (e + 1) % 4}, position, 0.16f);
    model.Network().SetRelation({0, e}, {1, e % 2}, position, 0.7f);
    model.Network().SetRelation({1, e % 2}, {0, e}, position, 0.7f);
  }
  TMemoryStream network;
  model.Network().SaveToStream(network);
  TMemoryStream files;
  model.Files().SaveToStream(files);
  const std::string ids = OldWordIds({{0, 0}, {1, 0}, {2, 0}, {0, -12}});

  WriteSeed(folder, "project.chunk", Chunk({Bytes(dictionary), Bytes(phrases), Bytes(network), ids, Bytes(files)}));
  WriteSeed(folder, "three.chunk", Chunk({Bytes(dictionary), Bytes(phrases), Bytes(network)}));
}
