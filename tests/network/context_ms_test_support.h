// Helpers for the context model's tests: parse results built by hand, the
// shared log pointed at a temporary file, and relation look-ups.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/log_file.h"
#include "language/parsing_text.h"
#include "network/context_ms.h"
#include "tests/support/temp_dir.h"

namespace kestrune::test {

struct TestWord {
  int32_t Id = 0;
  int16_t Flags = 0;
  TestWord(int32_t id, int16_t flags = 0) : Id(id), Flags(flags) {}  // NOLINT: a bare id is a word
};
using TestSentence = std::vector<TestWord>;
using TestParagraph = std::vector<TestSentence>;

// A parse result of the given paragraphs; a sentence without words is
// marked empty.
inline TParsingText MakeParse(const std::vector<TestParagraph>& paragraphs) {
  TParsingText text;
  text.EnsureTables();
  for (const TestParagraph& paragraph : paragraphs) {
    TParsingParagraph record;
    record.FirstSentence = text.SentenceCount;
    record.SentenceCount = static_cast<int32_t>(paragraph.size());
    for (const TestSentence& sentence : paragraph) {
      text.ReserveSentences(int64_t{text.SentenceCount} + 1);
      TParsingSentence& s = text.Sentence(text.SentenceCount++);
      s = TParsingSentence{};
      s.FirstWord = text.WordCount;
      s.WordCount = static_cast<int32_t>(sentence.size());
      s.Empty = sentence.empty() ? 1 : 0;
      for (const TestWord& word : sentence) {
        text.ReserveWords(int64_t{text.WordCount} + 1);
        TParsingWord& w = text.Word(text.WordCount++);
        w = TParsingWord{};
        w.WordId = word.Id;
        w.Flags = word.Flags;
      }
    }
    text.Paragraphs->push_back(record);
    ++text.ParagraphCount;
  }
  return text;
}

// Points the shared log at a temporary file, with its trace switch on, for
// the test's lifetime and hands back the messages written since.
class ScopedLog {
 public:
  ScopedLog() : path_(dir_.File("kestrune.log")) {
    LogFile.Open(path_);
    LogFile.SetTraceOn(true);
    start_ = ReadFileBytes(path_).size();
  }
  ~ScopedLog() {
    LogFile.SetTraceOn(false);
    LogFile.Open(std::string());
  }
  ScopedLog(const ScopedLog&) = delete;
  ScopedLog& operator=(const ScopedLog&) = delete;

  // "[Info] message" for every line written since the last call.
  std::vector<std::string> Take() {
    const std::string bytes = ReadFileBytes(path_);
    std::vector<std::string> lines;
    size_t at = start_;
    while (at < bytes.size()) {
      size_t end = bytes.find("\r\n", at);
      if (end == std::string::npos) end = bytes.size();
      const std::string line = bytes.substr(at, end - at);
      // "[date][Level] message": drop the date.
      const size_t date = line.find(']');
      lines.push_back(date == std::string::npos ? line : line.substr(date + 1));
      at = end + 2;
    }
    start_ = bytes.size();
    return lines;
  }

 private:
  TempDir dir_;
  std::string path_;
  size_t start_ = 0;
};

// Weight of the relation from -> to, or -1 when it does not exist.
inline float RelationWeight(TIASN& net, TASNAddress from, TASNAddress to) {
  TRelationPosition position;
  net.FindRelation(from, to, position);
  if (position.Node == -1) return -1.0f;
  return net.GetElement(from)->GetRelationWeight(position);
}

inline float WordWeight(TIContextMS& model, int32_t id1, int32_t id2) {
  return RelationWeight(model.Network(), {0, model.FindWordElement(id1)}, {0, model.FindWordElement(id2)});
}

inline float PageWeight(TIContextMS& model, int32_t id, int32_t fileId) {
  std::vector<int32_t> pages;
  model.GetFileElements(fileId, pages);
  if (pages.empty()) return -1.0f;
  return RelationWeight(model.Network(), {0, model.FindWordElement(id)}, {1, pages[0]});
}

inline float ReversePageWeight(TIContextMS& model, int32_t id, int32_t fileId) {
  std::vector<int32_t> pages;
  model.GetFileElements(fileId, pages);
  if (pages.empty()) return -1.0f;
  return RelationWeight(model.Network(), {1, pages[0]}, {0, model.FindWordElement(id)});
}

// A word element that takes input (Anchor 1.0), made through the model.
inline int32_t AddInputWord(TIContextMS& model, int32_t id) {
  model.AddWord(id);
  const int32_t element = model.FindWordElement(id);
  model.Network().GetElement({0, element})->SetAnchor(1.0f);
  return element;
}

// Both directions of a word-word relation.
inline void Relate(TIContextMS& model, int32_t id1, int32_t id2, float weight) {
  TRelationPosition position;
  const TASNAddress a{0, model.FindWordElement(id1)};
  const TASNAddress b{0, model.FindWordElement(id2)};
  model.Network().SetRelation(a, b, position, weight);
  model.Network().SetRelation(b, a, position, weight);
}

// Both directions of a word-page relation.
inline void RelatePage(TIContextMS& model, int32_t id, int32_t fileId, float weight) {
  std::vector<int32_t> pages;
  model.GetFileElements(fileId, pages);
  TRelationPosition position;
  const TASNAddress word{0, model.FindWordElement(id)};
  const TASNAddress page{1, pages.at(0)};
  model.Network().SetRelation(word, page, position, weight);
  model.Network().SetRelation(page, word, position, weight);
}

}  // namespace kestrune::test
