// EngineWeb: construction, the search thread, the query URLs and the storing
// of result items.
#include "search/engine_web.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <new>

#include "core/log_file.h"
#include "core/message_strings.h"
#include "platform/files.h"
#include "platform/text.h"
#include "search/automatic_get_results.h"
#include "search/engine_partners.h"
#include "search/query_url.h"

namespace kestrune {

namespace {

std::string Decimal(int32_t value) { return std::to_string(value); }

// How the reader's last Get failed as a page of the search: a status of 400
// or more is an error answer whatever the reader made of it.
TDownloadFailure DownloadFailureOf(const THttpRead& http) {
  if (http.StatusCode() >= 400) return TDownloadFailure::HttpError;
  switch (http.FailureCause()) {
    case hfNone: return TDownloadFailure::None;
    case hfStatus: return TDownloadFailure::HttpError;
    case hfRead: return http.TimedOut() ? TDownloadFailure::TimedOut : TDownloadFailure::Cut;
    case hfRequest: return http.TimedOut() ? TDownloadFailure::TimedOut : TDownloadFailure::Unreachable;
    default: return TDownloadFailure::Unreachable;
  }
}

// The log's and the error text's words for a failure.
std::string DownloadFailureText(TDownloadFailure failure, int32_t status) {
  switch (failure) {
    case TDownloadFailure::TimedOut: return "The engine did not answer in time.";
    case TDownloadFailure::HttpError: return "The engine answered with the status " + Decimal(status) + ".";
    case TDownloadFailure::Cut: return "The engine's answer broke off.";
    default: return "No Internet connection.";
  }
}

}  // namespace

EngineWeb::EngineWeb()
    : seen_(std::make_unique<TIWordDictionary>()),
      http_(std::make_unique<THttpRead>()),
      parser_(std::make_unique<TIHTMLParser>()),
      recovery_(std::make_unique<TAutomaticGetResults>()) {
  seen_->SetCaseSensitivity(true);
  seen_->SetMorphologyEnable(false);
  parser_->BuildTagTable = true;
  recovery_->SetEngine(this);
  localIp_ = GetIP();
}

EngineWeb::~EngineWeb() {
  Shutdown();
  ClearSettings();
}

// ---- the thread ----

void EngineWeb::EnsureWorker() {
  if (worker_.joinable() || Terminated()) return;
  worker_ = std::thread([this] {
    {
      std::lock_guard lock(threadMutex_);
      workerTid_.store(static_cast<int64_t>(::gettid()));
    }
    threadCv_.notify_all();
    Execute();
  });
  std::unique_lock lock(threadMutex_);
  threadCv_.wait(lock, [this] { return workerTid_.load() != 0; });
}

void EngineWeb::SignalStart() {
  {
    std::lock_guard lock(threadMutex_);
    startSignal_ = true;
  }
  threadCv_.notify_all();
}

bool EngineWeb::WaitForStart() {
  std::unique_lock lock(threadMutex_);
  threadCv_.wait(lock, [this] { return startSignal_ || Terminated(); });
  if (Terminated()) return false;
  startSignal_ = false;
  return true;
}

void EngineWeb::FinishBusy() {
  {
    std::lock_guard lock(threadMutex_);
    busy_.store(0, std::memory_order_release);
  }
  threadCv_.notify_all();
  if (OnSearchDone) OnSearchDone();
}

bool EngineWeb::WaitUntilIdle(int32_t ms) {
  std::unique_lock lock(threadMutex_);
  return threadCv_.wait_for(lock, std::chrono::milliseconds(ms < 0 ? 0 : ms), [this] { return !Busy(); });
}

void EngineWeb::Shutdown() {
  {
    std::lock_guard lock(threadMutex_);
    terminated_.store(true, std::memory_order_release);
  }
  threadCv_.notify_all();
  if (!worker_.joinable()) return;
  if (worker_.get_id() == std::this_thread::get_id()) {
    worker_.detach();  // a hook of the worker asked for the end: it leaves its loop
    return;
  }
  // A download that began just before the flag was raised is aborted too.
  while (Busy()) {
    stop_.store(true);
    http_->CloseRequest();
    if (WaitUntilIdle(20)) break;
  }
  worker_.join();
}

void EngineWeb::Execute() {
  while (WaitForStart()) {
    std::string url = firstUrl_;
    int32_t previousAccepted = 0;
    do {
      if (stop_ || stopped_ || Terminated()) break;
      LogFile.Log("Connected to :" + url);
      const bool received = http_->Get(url, true);
      if (stopped_ || Terminated()) break;
      // A body over the reader's limit is a failure of the search.
      if (!received && http_->FailureCause() == hfTooLarge) {
        PageTooLarge();
        break;
      }
      // A failed page ends the search; the items of the pages before stay.
      const TDownloadFailure failure = DownloadFailureOf(*http_);
      if (failure != TDownloadFailure::None) {
        downloadFailure_ = failure;
        downloadFailureStatus_ = http_->StatusCode();
        const std::string text = DownloadFailureText(failure, downloadFailureStatus_);
        if (itemCount_ == 0) {
          status_ = kStatusNoConnection;
          errorText_ = text;
        }
        nextUrl_.clear();
        LogFile.Log(text);
        break;
      }
      if (!received) {
        // A reply without a body ends the search quietly.
        LogFile.Log("Reply from: " + url);
        LogFile.Log("Size file 0");
        break;
      }
      LogFile.Log("Reply from: " + url);
      // Links resolve against the page's own address: the final one after a
      // redirect, else the address asked for as written.
      const std::vector<uint8_t>& body = http_->Body.Bytes();
      ProcessPageText(std::string_view(reinterpret_cast<const char*>(body.data()), body.size()),
                      http_->Redirected() ? http_->EffectiveUrl() : url);
      if (stop_ || stopped_) break;
      if (pagesLeft_ == 0) {
        LogFile.Log("Count queries 0.Finished.Count url : " + Decimal(acceptedCount_));
        break;
      }
      --pagesLeft_;
      if (acceptedCount_ == previousAccepted) {
        LogFile.Log("Finished.Count url : " + Decimal(acceptedCount_));
        break;
      }
      previousAccepted = acceptedCount_;
      url = nextUrl_;
      LogFile.Log("Count url : " + Decimal(acceptedCount_));
    } while (!url.empty());

    seen_->Clear();
    LogFile.Log("MetaSearch finished .Count url : " + Decimal(itemCount_));
    searchResults_.resize(static_cast<size_t>(itemCount_));
    FinishBusy();
  }
}

void EngineWeb::ResetPageState() {
  fallback_ = false;
  recovery_->ResetCount();
  acceptedCount_ = 0;
  nextUrl_.clear();
  pageCounter_ = 0;
  progressCount_ = 0;
}

void EngineWeb::ProcessPageText(std::string_view bytes, std::string_view url) {
  try {
    pageUrl_ = std::string(url);
    std::string page(bytes);
    const bool stopStringFound = FindStopString(page);
    parser_->Clear();
    parser_->Parse(page);
    if (stopped_) return;  // a user's stop keeps what was stored
    if (fallback_) {
      RecoverPage();
      return;
    }
    if (Parse() == 0 && !stopped_ && !stopStringFound && status_ < kStatusNoConnection) {
      RecoverPage();
      if (itemCount_ > 0) fallback_ = true;
    }
  } catch (const std::bad_alloc&) {
    parser_->Clear();  // gives the page's memory back
    PageTooLarge();
  }
}

void EngineWeb::PageTooLarge() {
  status_ = kStatusError;
  errorText_ = platform::Utf16ToUtf8(message_texts::kPageTooLarge);
  stop_ = true;
  nextUrl_.clear();
  LogFile.Log(errorText_);
}

void EngineWeb::RecoverPage() {
  nextUrl_.clear();
  const int32_t before = itemCount_;
  recovery_->CorrectTemplate();
  // The page counts as full; what it brought decides whether the next one is
  // worth fetching. A full result array ends the search.
  const bool full = itemCount_ >= static_cast<int32_t>(searchResults_.size());
  stop_ = full;
  pageCount_ = itemCount_ - before;
  repeatsOnPage_ = 0;
  acceptedCount_ += pageQuota_;
  if (!full) CreateNextLink();
}

const char* EngineWeb::FirstMissingKey() const {
  const TEngineTemplate& t = template_;
  // The annotation pair only after a fault of the reading.
  const std::pair<bool, const char*> required[] = {
      {t.MainQuery.empty(), "MainQuery"},
      {t.CountUrlOnSite.empty(), "CountUrlOnSite"},
      {t.Format.empty(), "format"},
      {t.BeginItemTag.Name.empty(), "BeginItemTag"},
      {t.EndItemTag.Name.empty(), "EndItemTag"},
      {t.BeginItemTitleTag.Name.empty(), "BeginItemTitleTag"},
      {t.EndItemTitleTag.Name.empty(), "EndItemTitleTag"},
      {!(t.AnnotationPairCount > 0 || status_ == kStatusOk), "BeginItemAnnotationTag"},
  };
  for (const auto& [missing, key] : required) {
    if (missing) return key;
  }
  return nullptr;
}

bool EngineWeb::PrepareSearch(std::u16string_view query, std::u16string& firstUrl) {
  if (Busy()) return false;
  if (const char* key = FirstMissingKey()) {
    status_ = kStatusTemplate;
    errorText_ = "Wrong file template for engine " + EngineName();
    // A fault of the reading said why already.
    if (templateFault_.Kind == TTemplateFault::TKind::None) {
      templateFault_ = {TTemplateFault::TKind::MissingKey, key, 0};
    }
    return false;
  }
  itemCount_ = 0;
  itemsAdded_ = 0;
  downloadFailure_ = TDownloadFailure::None;
  downloadFailureStatus_ = 0;
  try {
    searchResults_.assign(static_cast<size_t>(std::max(wantedTotal_, 0)), TMetaSearchList{});
  } catch (const std::bad_alloc&) {
    searchResults_.clear();
    status_ = kStatusError;
    errorText_ = "Error";
    return false;
  }
  stop_ = false;
  firstUrl_ = CreateQueryUrl(query);
  if (stop_ || firstUrl_.empty()) {
    searchResults_.clear();
    return false;
  }
  firstUrl = platform::Utf8ToUtf16(firstUrl_);
  ++queryCounter_;
  stop_ = false;
  stopped_ = false;
  seen_->Clear();  // a search of its own, also when it runs without the worker
  ResetPageState();
  return true;
}

bool EngineWeb::StartSearch(std::u16string_view query, std::u16string& firstUrl) {
  if (Terminated() || !PrepareSearch(query, firstUrl)) return false;
  EnsureWorker();
  busy_.store(-1, std::memory_order_release);
  SignalStart();
  return true;
}

int32_t EngineWeb::ProcessPage(std::string_view bytes, std::string_view url) {
  if (Busy()) return -1;
  ProcessPageText(bytes, url);
  return itemCount_;
}

void EngineWeb::StopSearch() {
  if (!Busy()) return;
  stop_ = true;
  stopped_ = true;
  LogFile.Log("Stop MetaSearch in thread - " + std::to_string(workerTid_.load()));
  http_->CloseRequest();
}

bool EngineWeb::Reset() {
  if (Busy()) return false;
  pagesLeft_ = 0;
  queryCounter_ = 0;
  seen_->Clear();
  ClearSettings();
  return true;
}

// ---- quotas and query URLs ----

bool EngineWeb::SetUrlCount(int32_t n) {
  if (Busy()) return false;
  stop_ = false;
  itemCount_ = 0;
  wantedTotal_ = n;
  progressBase_ = n;
  remaining_ = n;
  // The quota depends on the links still wanted, which do not change here:
  // every page takes the same quota; one page more than the quotas need,
  // counted in 64 bits and held to what the counter can take.
  int64_t pages = 0;
  if (n > 0) {
    SetCurrentTakeUrl();
    pages = (stop_ || pageQuota_ <= 0) ? 1 : (int64_t{n} + pageQuota_ - 1) / pageQuota_;
  }
  pagesLeft_ = static_cast<int32_t>(std::min<int64_t>(pages + 1, INT32_MAX));
  return true;
}

void EngineWeb::SetCurrentTakeUrl() {
  for (const int32_t count : template_.CountUrlOnSite) {
    if (count <= remaining_) {
      pageQuota_ = count;
      break;
    }
  }
  if (pageQuota_ == 0 && remaining_ >= 1) {
    const std::string text = "Mistake " + std::to_string(platform::LastError()) +
                             ".Wrong key \"CountUrlOnSite\" in file template for engine " + EngineName();
    LogFile.Log(text);
    LogFile.Log("Error in procedure EngineWeb.SetCurrentTakeUrl ");
    status_ = kStatusTemplate;
    stop_ = true;
    errorText_ = text;
    // A fault of the reading, or a missing key, says more than the count.
    if (templateFault_.Kind == TTemplateFault::TKind::None) {
      const char* missing = FirstMissingKey();
      templateFault_ = missing ? TTemplateFault{TTemplateFault::TKind::MissingKey, missing, 0}
                               : TTemplateFault{TTemplateFault::TKind::BadValue, "CountUrlOnSite", 0};
    }
  }
}

std::string EngineWeb::BuildMainUrl(std::string_view encodedQuery, int32_t quota) const {
  const std::string count = Decimal(quota);
  return ReplacePlaceholders(template_.MainQuery, {{"$ip_addr", localIp_, true},
                                                   {"$main_query", encodedQuery, true},
                                                   {"$Count_Url", count, true},
                                                   {"$begun_pad_id", kPartnerPadId, true},
                                                   {"$aff_id", kPartnerAffiliateId, true},
                                                   {"$at", kPartnerId, true}});
}

std::string EngineWeb::CreateQueryUrl(std::u16string_view query) {
  try {
    encodedQuery_ = EncodeQueryText(query, template_.Format);
    SetCurrentTakeUrl();
    return BuildMainUrl(encodedQuery_, pageQuota_);
  } catch (const std::exception&) {
    status_ = kStatusError;
    errorText_ = "Error ";
    stop_ = true;
    return {};
  }
}

std::string EngineWeb::QueryUrlFor(std::u16string_view query) const {
  const std::vector<int32_t>& counts = template_.CountUrlOnSite;
  int32_t quota = counts.empty() ? 0 : counts.back();
  for (const int32_t count : counts) {
    if (count <= wantedTotal_) {
      quota = count;
      break;
    }
  }
  try {
    return BuildMainUrl(EncodeQueryText(query, template_.Format), quota);
  } catch (const std::exception&) {
    return {};
  }
}

void EngineWeb::CreateNextLink() {
  try {
    if (acceptedCount_ == wantedTotal_) return;
    if (pageCount_ < pageQuota_) {
      if (pageCount_ == repeatsOnPage_) {
        nextUrl_.clear();
        LogFile.Log("CountRepeatedUrl=CountUrlFromCurrentPage. Stop Downloading ");
        stop_ = true;
        return;
      }
      pageCount_ = pageQuota_;
    }
    remaining_ -= pageCount_;
    SetCurrentTakeUrl();
    ++pageCounter_;
    const std::string quota = Decimal(pageQuota_);
    const std::string links = Decimal(acceptedCount_);
    const std::string page = Decimal(pageCounter_);
    const std::string incPage = Decimal(pageCounter_ + 1);
    const std::string nextResults = Decimal(acceptedCount_ + 1);
    nextUrl_ = ReplacePlaceholders(template_.NextQuery, {{"$next_query", encodedQuery_, false},
                                                         {"$ip_addr", localIp_, false},
                                                         {"$Count_Url", quota, false},
                                                         {"$number_links", links, false},
                                                         {"$number_page", page, false},
                                                         {"$inc_number_page", incPage, false},
                                                         {"$next_results", nextResults, false},
                                                         {"$begun_pad_id", kPartnerPadId, true},
                                                         {"$aff_id", kPartnerAffiliateId, true},
                                                         {"$at", kPartnerId, true}});
  } catch (const std::exception&) {
    nextUrl_.clear();
    status_ = kStatusError;
    stop_ = true;
    errorText_ = "Error";
    LogFile.Log("Error in procedure EngineWeb.CreateNextLink ");
  }
}

// ---- storing items ----

void EngineWeb::AddUrlToMetaSearchList() {
  if (Terminated()) {
    stop_ = true;
    return;
  }
  try {
    const int32_t before = seen_->Count();
    const int32_t index = seen_->AddWord(platform::Utf8ToUtf16(itemUrl_), 0, -1);
    if (index < 0) throw std::runtime_error("the seen-URL set is full");
    if (index < before) {
      ++repeatsOnPage_;
      if (repeatsOnPage_ == pageQuota_) {
        stop_ = true;
        LogFile.Log("Finish download");
      }
      LogFile.Log("Repeat url : " + itemUrl_ + ", found on " + EngineName());
      return;
    }
    if (itemCount_ >= static_cast<int32_t>(searchResults_.size())) {
      stop_ = true;  // the array is full: the item is dropped
      return;
    }
    TMetaSearchList& item = searchResults_[static_cast<size_t>(itemCount_)];
    item.Url = itemUrl_;
    item.Annotation = itemAnnotation_;
    item.Title = itemTitle_;
    item.Label = Decimal(acceptedCount_) + " - " + EngineName();
    item.ItemText = itemText_;
    item.QueryNumber = queryCounter_;
    ++itemCount_;
    ++itemsAdded_;
    LogFile.Log("Add url : " + itemUrl_ + ", found on " + EngineName());
  } catch (const std::exception&) {
    status_ = kStatusError;
    errorText_ = "Error";
    stop_ = true;
    LogFile.Log("Error in procedure EngineWeb.AddUrlToMetaSearchList");
    LogFile.Log("Parametrs : Url=" + itemUrl_ + ";Annotation=" + platform::Utf16ToUtf8(itemAnnotation_) +
                ";Title=" + platform::Utf16ToUtf8(itemTitle_) + ";CountUrl=" + Decimal(acceptedCount_) +
                ";LenghtMetaSearchList=" + Decimal(itemCount_) + ".");
  }
}

void EngineWeb::ReportProgress() {
  if (!OnProgress || progressBase_ <= 0) return;
  ++progressCount_;
  OnProgress(static_cast<int32_t>(std::nearbyint(100.0 / progressBase_ * progressCount_)));
}

std::string EngineWeb::GetIP() {
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) {
    LogFile.Log("Error in procedure EngineWeb.GetIP");
    return {};
  }
  std::string found;
  std::string loopback;
  for (const ifaddrs* entry = list; entry; entry = entry->ifa_next) {
    if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET || !(entry->ifa_flags & IFF_UP)) continue;
    char text[INET_ADDRSTRLEN] = {};
    const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
    if (!::inet_ntop(AF_INET, &address->sin_addr, text, sizeof text)) continue;
    if (entry->ifa_flags & IFF_LOOPBACK) {
      if (loopback.empty()) loopback = text;
    } else {
      found = text;
      break;
    }
  }
  ::freeifaddrs(list);
  return found.empty() ? loopback : found;
}

}  // namespace kestrune
