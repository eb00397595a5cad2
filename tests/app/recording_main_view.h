// Recording fakes of the session's screen and search worker: the main window
// (IMainView), the word map's view (IMapViewOps) and a synchronous search
// engine (ISearchEngine). Each keeps the state the session set and a log of
// the calls that matter to the tests; modal answers are scripted.
#pragma once

#include <array>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/browser_opener.h"
#include "app/main_view.h"
#include "app/map_view_ops.h"
#include "app/search_engine.h"
#include "core/message.h"
#include "platform/message_box.h"
#include "platform/text.h"

namespace kestrune::test {

class TRecordingMainView : public IMainView {
 public:
  struct TControl {
    bool Enabled = true;
    bool Visible = true;
    bool Down = false;
    std::u16string Text;
    TViewRect Bounds;
  };

  TRecordingMainView() {
    Control(TMainControl::IComboBox1).Bounds = {0, 0, 200, 24};
    Control(TMainControl::BBtnSearch).Bounds = {0, 0, 80, 24};
    Control(TMainControl::IBitmapButton2).Down = true;
  }

  TControl& Control(TMainControl c) { return controls[static_cast<size_t>(c)]; }

  // Recorded, and shown as the window shows it: as the platform's box
  // (ShowMessageBox, whose handler a test may set). Answers messageAnswer.
  int32_t MessageBox(std::u16string_view text, std::u16string_view caption, uint32_t flags) override {
    messages.emplace_back(text);
    ShowMessageBox(text, caption, flags);
    return messageAnswer;
  }
  void SetCaption(std::u16string_view text) override { caption = text; }
  void CloseMainWindow() override { ++closeRequests; }
  void SetBusyCursor(bool busy) override { busyCursor = busy; }
  void SetEnabled(TMainControl c, bool on) override { Control(c).Enabled = on; }
  bool Enabled(TMainControl c) const override { return controls[static_cast<size_t>(c)].Enabled; }
  void SetVisible(TMainControl c, bool on) override { Control(c).Visible = on; }
  bool Visible(TMainControl c) const override { return controls[static_cast<size_t>(c)].Visible; }
  void SetText(TMainControl c, std::u16string_view text) override { Control(c).Text = text; }
  void SetDown(TMainControl c, bool down) override { Control(c).Down = down; }
  bool Down(TMainControl c) const override { return controls[static_cast<size_t>(c)].Down; }
  void SetFocus(TMainControl c) override { focus = c; }
  TViewRect Bounds(TMainControl c) const override { return controls[static_cast<size_t>(c)].Bounds; }
  void SetBounds(TMainControl c, const TViewRect& r) override { Control(c).Bounds = r; }
  void SetProgress(int32_t position) override { progress = position; }
  std::u16string QueryText() const override { return queryText; }
  void SetQueryText(std::u16string_view text) override { queryText = text; }
  void SetQueryItems(const std::vector<std::u16string>& items) override { queryItems = items; }
  void CloseQueryDropDown() override { ++dropDownCloses; }
  bool QueryDropDownOpen() const override { return dropDownOpen; }
  TViewPoint QueryPictureOffset() const override { return pictureOffset; }
  void SetSuggestionItems(const std::vector<std::u16string>& items) override { suggestions = items; }
  int32_t SuggestionItemHeight() const override { return suggestionItemHeight; }
  int32_t WidestItemWidth(TMainControl box) const override {
    return box == TMainControl::CBWebSite ? widestEngineItem : widestQueryItem;
  }
  void SetDropDownWidth(TMainControl box, int32_t width) override {
    (box == TMainControl::CBWebSite ? engineDropDownWidth : queryDropDownWidth) = width;
  }
  int32_t MapWidth() const override { return mapWidth; }
  int32_t MapHeight() const override { return mapHeight; }
  void SetEngineItems(const std::vector<std::u16string>& items, int32_t selected) override {
    engineItems = items;
    engineIndex = selected;
  }
  void SelectEngineItem(int32_t index) override { engineIndex = index; }
  void SetTrackBars(int32_t context, int32_t exact) override { trackBars = {context, exact}; }
  void ShowHtml(std::u16string_view html) override {
    page = html;
    pages.emplace_back(html);
    ++pagesWritten;
  }
  void ScrollPageTo(std::u16string_view anchor) override { scrolledTo = anchor; }
  void ReloadPage() override { ++reloads; }
  void ShowPagePopup(bool scopeEntries) override { popups.push_back(scopeEntries); }
  int32_t AskChangeEngine() override {
    ++questions;
    return changeEngineAnswer;
  }
  int32_t AskSaveQuestion(bool& dontAsk) override {
    ++saveQuestions;
    saveDontAskShown = dontAsk;
    dontAsk = saveDontAsk;
    return saveAnswer;
  }
  int32_t AskNoDictionary(std::u16string_view text, bool& dontAsk) override {
    noDictionaryTexts.emplace_back(text);
    dontAsk = noDictionaryDontAsk;
    return noDictionaryAnswer;
  }
  int32_t ShowOptionsForm(bool fromEngineBox) override {
    optionsFromEngineBox = fromEngineBox;
    return platform::kIdCancel;
  }
  void PostToUi(std::function<void()> call) override { queued.push_back(std::move(call)); }
  void WaitUntil(const std::function<bool()>& done) override {
    while (!done() && RunQueued()) {
    }
  }
  // Runs one queued call; false when none was queued.
  bool RunQueued() {
    if (queued.empty()) return false;
    auto call = std::move(queued.front());
    queued.pop_front();
    call();
    return true;
  }
  void RunAllQueued() {
    while (RunQueued()) {
    }
  }

  std::array<TControl, static_cast<size_t>(TMainControl::kCount)> controls;
  std::u16string caption;
  int32_t closeRequests = 0;
  bool busyCursor = false;
  TMainControl focus = TMainControl::kCount;
  int32_t progress = -1;
  std::u16string queryText;
  std::vector<std::u16string> queryItems;
  int32_t dropDownCloses = 0;
  bool dropDownOpen = false;
  TViewPoint pictureOffset;
  // The suggestion list: its items and item height; the combo boxes' widest
  // item texts and the drop-down widths set.
  std::vector<std::u16string> suggestions;
  int32_t suggestionItemHeight = 13;
  int32_t widestQueryItem = 0;
  int32_t widestEngineItem = 0;
  int32_t queryDropDownWidth = -1;
  int32_t engineDropDownWidth = -1;
  int32_t mapWidth = 800;
  int32_t mapHeight = 600;
  std::vector<std::u16string> engineItems;
  int32_t engineIndex = -1;
  std::pair<int32_t, int32_t> trackBars = {-1, -1};
  std::u16string page;
  std::vector<std::u16string> pages;  // every page shown, in order
  int32_t pagesWritten = 0;
  std::u16string scrolledTo;
  int32_t reloads = 0;
  std::vector<bool> popups;  // true: the scope entries
  std::vector<std::u16string> messages;
  int32_t messageAnswer = platform::kIdOk;
  int32_t changeEngineAnswer = platform::kIdCancel;
  int32_t questions = 0;
  // The save question's and the missing-dictionary question's scripted
  // answers and boxes, and what they were asked.
  int32_t saveAnswer = platform::kIdCancel;
  bool saveDontAsk = false;
  bool saveDontAskShown = false;  // the box as the last save question showed it
  int32_t saveQuestions = 0;
  int32_t noDictionaryAnswer = platform::kIdNo;
  bool noDictionaryDontAsk = false;
  std::vector<std::u16string> noDictionaryTexts;
  bool optionsFromEngineBox = false;
  std::deque<std::function<void()>> queued;
};

class TRecordingMapView : public IMapViewOps {
 public:
  void HoverOut() override { log.push_back("HoverOut"); }
  void HoverOutSoon() override { log.push_back("HoverOutSoon"); }
  void StopHoverTimers() override {}
  void ClearMap() override { log.push_back("ClearMap"); }
  void EnterState(uint32_t bits) override { state |= bits; }
  void LeaveState(uint32_t bits) override { state &= ~bits; }
  uint32_t State() const override { return state; }
  void RedrawDirty() override {}
  void LoadKeysAndDraw() override { log.push_back("LoadKeysAndDraw"); }
  void AnimateNewMap() override {}
  void StoreKeysInContentMap() override {}
  void ResetBackground() override {}
  void Relayout() override {}
  void SetEnabled(bool on) override { enabled = on; }
  void SetSkinPath(std::u16string_view folder) override { skin = folder; }
  void MeasureKeyText(const TKey& key, int32_t& width, int32_t& height) override {
    width = static_cast<int32_t>(key.Name.size()) * 8;
    height = 16;
  }

  std::vector<std::string> log;
  uint32_t state = 0;
  bool enabled = true;
  std::u16string skin;
};

// The desktop's opener: the addresses and files handed to it, and the files
// whose type was asked. A file's type comes from `types` by its extension
// (lower case, with the dot), else it is "application/octet-stream".
struct TRecordingOpener : IBrowserOpener {
  bool OpenLocalFile(std::u16string_view path) override {
    files.emplace_back(path);
    return true;
  }
  bool OpenUrl(std::u16string_view url) override {
    urls.emplace_back(url);
    return true;
  }
  std::string MimeTypeOfFile(std::u16string_view path) override {
    typeQueries.emplace_back(path);
    const std::string name = platform::Utf16ToUtf8(path);
    const size_t dot = name.rfind('.');
    const auto type = dot == std::string::npos ? types.end() : types.find(name.substr(dot));
    return type == types.end() ? "application/octet-stream" : type->second;
  }
  std::vector<std::u16string> files, urls, typeQueries;
  std::map<std::string, std::string> types = {
      {".txt", "text/plain"},           {".pdf", "application/pdf"},
      {".png", "image/png"},            {".svg", "image/svg+xml"},
      {".sh", "application/x-shellscript"}, {".html", "text/html"},
      {".jar", "application/x-java-archive"}, {".exe", "application/x-ms-dos-executable"}};
};

// A search engine that finishes each search at once on the calling thread,
// or with `hold` keeps it running until StopSearch (which ends it, bringing
// the results, as a stopped search keeps what it found).
class TFakeSearchEngine : public ISearchEngine {
 public:
  bool LoadTemplate(std::string_view name) override {
    loaded = name;
    return true;
  }
  std::string EngineName() const override { return loaded; }
  bool SetUrlCount(int32_t count) override {
    urlCount = count;
    return true;
  }
  bool StartSearch(std::u16string_view query) override {
    if (refusals > 0) {
      --refusals;
      return false;
    }
    queries.emplace_back(query);
    if (OnProgress) OnProgress(100);
    if (hold) {
      busy = true;
      return true;
    }
    status = statusAfter;
    if (OnSearchDone) OnSearchDone();
    return true;
  }
  void StopSearch() override {
    ++stops;
    if (!busy) return;
    busy = false;
    if (OnSearchDone) OnSearchDone();
  }
  bool Reset() override {
    ++resets;
    loaded.clear();
    return true;
  }
  bool Busy() const override { return busy; }
  int32_t Status() const override { return status; }
  void SetStatus(int32_t value) override { status = value; }
  std::string ErrorText() const override { return ""; }
  TMetaSearchList2 SearchResults() const override { return results; }

  std::string loaded;
  int32_t urlCount = 0;
  std::vector<std::u16string> queries;
  int32_t stops = 0;
  int32_t resets = 0;
  int32_t status = kStatusOk;
  int32_t statusAfter = kStatusOk;  // the status a search ends with
  bool hold = false;
  bool busy = false;
  int32_t refusals = 0;  // the next starts refused
  TMetaSearchList2 results;  // what every search brings
};

}  // namespace kestrune::test
