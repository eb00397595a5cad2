// A session created as the main window creates it, over a test program folder
// and the recording fakes; the message boxes it shows are recorded as
// "text / caption".
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/kestrune_session.h"
#include "core/log_file.h"
#include "network/context_ms.h"
#include "platform/message_box.h"
#include "tests/app/program_folder.h"
#include "tests/app/recording_main_view.h"

namespace kestrune::test {

class TSessionFixture {
 public:
  // prepare: fills the program folder before the session starts.
  explicit TSessionFixture(const std::function<void(TestProgram&)>& prepare = {}, bool create = true) {
    if (prepare) prepare(program);
    LogFile.Open(program.Dir().WFile("kestrune.log"));
    platform::SetMessageBoxHandler([this](std::u16string_view text, std::u16string_view caption, uint32_t) {
      boxes.push_back(platform::Utf16ToUtf8(text) + " / " + platform::Utf16ToUtf8(caption));
      return platform::kIdOk;
    });
    session = std::make_unique<TKestruneSession>(program.WProgram());
    session->ReadLanguageTable();
    session->Config.ReadStartupSettings();
    if (create) Create();
  }
  ~TSessionFixture() {
    session.reset();
    platform::SetMessageBoxHandler({});
    LogFile.Open(std::u16string());
  }

  bool Create() {
    auto fake = std::make_unique<TFakeSearchEngine>();
    engine = fake.get();
    return session->Create(&view, &map, std::move(fake));
  }
  std::string Log() const { return ReadFileBytes(program.Dir().File("kestrune.log")); }

  TestProgram program;
  TRecordingMainView view;
  TRecordingMapView map;
  TFakeSearchEngine* engine = nullptr;
  std::unique_ptr<TKestruneSession> session;
  std::vector<std::string> boxes;
};

// The keys of a kind of the current step as "text=weight" words; a phrase
// shows its text in quotes and the number of its words.
inline std::string KeysText(TKestruneSession& s, int32_t kind) {
  std::string text;
  for (const TControlKeyCell& cell : s.ContentMap.Steps().GetCurrent()[static_cast<size_t>(kind)]) {
    std::string name = platform::Utf16ToUtf8(s.ContentMapGetKeyName(cell.Key.Id));
    if (cell.Key.Id >= kPhraseBase) {
      const TPhrase& phrase = s.WordDictionary.Phrases()[static_cast<size_t>(cell.Key.Id - kPhraseBase)];
      name = "\"" + name + "\"/" + std::to_string(phrase.EntryCount());
    }
    char weight[32];
    std::snprintf(weight, sizeof weight, "=%g", cell.Key.Weight);
    text += (text.empty() ? "" : " ") + name + weight;
  }
  return text;
}

// The network's answer to the keys as the map asks it: within the words of
// the map's result documents, without the word layer's budget.
inline TNNKeys AskAsTheMap(TKestruneSession& s, const TNNKeys& keys, int32_t inhibition) {
  TNNKeys words;
  int32_t count = s.ContentMap.WordCount();
  s.IContextMS1.ClearContextWords();
  s.IContextMS1.AddContextWords(s.ContentMap.ResultFiles());
  const TWordBudgetScope noBudget(s.IContextMS1, TIContextMS::kNoBudget);
  s.IContextMS1.GetWords(keys, {}, count, words, inhibition, 0.01f);
  return words;
}

// UTF-16LE bytes of a text, with the byte-order mark when asked.
inline std::string Utf16Bytes(std::u16string_view text, bool mark) {
  std::string bytes = mark ? std::string("\xFF\xFE", 2) : std::string();
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

}  // namespace kestrune::test
