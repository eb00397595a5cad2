// TAmazonCom: the advertising engine's requests, its thread loop, the cache
// of answers by key text and the storing of its items.
#include "search/advert_engine.h"

#include "core/log_file.h"
#include "platform/text.h"
#include "search/engine_partners.h"
#include "search/query_url.h"

namespace kestrune {

namespace {

std::string Decimal(int32_t value) { return std::to_string(value); }

TParsePage EmptyPage() {
  TParsePage page;
  page.Items.resize(TAmazonCom::kMaxItems);
  return page;
}

}  // namespace

TAmazonCom::TAmazonCom() = default;

TAmazonCom::~TAmazonCom() { Shutdown(); }

bool TAmazonCom::UseTemplate(std::string_view name, int32_t waitMs) {
  StopAndReset();
  if (!WaitUntilIdle(waitMs) || !LoadTemplate(name)) return false;
  templateName_ = std::string(name);
  return Status() == kStatusOk;
}

// ---- requests ----

bool TAmazonCom::Request(std::u16string keyText, std::u16string keyWords, std::u16string stopWords) {
  if (Terminated()) return false;
  {
    std::lock_guard lock(mutex_);
    keyText_ = std::move(keyText);
    keyWords_ = std::move(keyWords);
    stopWords_ = std::move(stopWords);
    pending_ = true;
    // Set with the pending flag, so that the worker, which clears both under
    // the mutex, never leaves a request behind with Busy() down.
    busy_.store(-1, std::memory_order_release);
  }
  EnsureWorker();
  SignalStart();
  return true;
}

bool TAmazonCom::StartSearch(std::u16string_view keyText, std::u16string& /*firstUrl*/) {
  return StartSearch(keyText);
}

bool TAmazonCom::StartSearch(std::u16string_view keyText) {
  // "$key_words" and "$stop_words" of a one-text request are empty, never
  // the words of an earlier request.
  return Request(std::u16string(keyText), std::u16string(), std::u16string());
}

bool TAmazonCom::StartKeyWordSearch(std::u16string_view keyWords, std::u16string_view stopWords) {
  std::u16string keyText(keyWords);
  keyText += stopWords;
  return Request(std::move(keyText), std::u16string(keyWords), std::u16string(stopWords));
}

void TAmazonCom::StopAndReset() {
  std::lock_guard lock(mutex_);
  StopSearch();
  ++generation_;
  pending_ = false;
  keyText_.clear();
  shownEntry_ = -1;
  cacheValid_ = false;
}

// ---- the cache ----

bool TAmazonCom::GetCurrentPage(TParsePage& page) const {
  std::lock_guard lock(mutex_);
  if (shownEntry_ < 0 || shownEntry_ >= static_cast<int32_t>(cache_.size())) return false;
  page = cache_[static_cast<size_t>(shownEntry_)];
  return true;
}

int32_t TAmazonCom::ShownItemCount() const {
  std::lock_guard lock(mutex_);
  if (shownEntry_ < 0 || shownEntry_ >= static_cast<int32_t>(cache_.size())) return 0;
  return cache_[static_cast<size_t>(shownEntry_)].ItemCount;
}

std::u16string TAmazonCom::KeyText() const {
  std::lock_guard lock(mutex_);
  return keyText_;
}

bool TAmazonCom::FindCachedPage(std::u16string_view keyText, int32_t& entry) {
  std::lock_guard lock(mutex_);
  return FindCachedPageLocked(keyText, entry);
}

bool TAmazonCom::FindCachedPageLocked(std::u16string_view keyText, int32_t& entry) {
  // The key texts are the words of the seen-URL dictionary, whose index is
  // the cache index.
  const int32_t before = seen_->Count();
  const int32_t index = seen_->AddWord(keyText, 0, -1);
  entry = -1;
  if (index < 0) return false;
  if (index >= before) {
    if (index != static_cast<int32_t>(cache_.size())) return false;  // the two lists disagree
    cache_.push_back(EmptyPage());
  } else if (index >= static_cast<int32_t>(cache_.size())) {
    return false;
  }
  currentEntry_ = index;
  entry = index;
  return cache_[static_cast<size_t>(index)].Fetched;
}

void TAmazonCom::ResetCache() {
  std::lock_guard lock(mutex_);
  ResetCacheLocked();
}

void TAmazonCom::ResetCacheLocked() {
  cache_.clear();
  currentEntry_ = 0;
  shownEntry_ = -1;
  seen_->Clear();
  cacheValid_ = true;
}

std::string TAmazonCom::EncodeWords(std::u16string_view text) const {
  return EncodeQueryText(text, template_.Format);
}

// ---- the worker ----

void TAmazonCom::Execute() {
  while (WaitForStart()) {
    TRequest request;
    while (TakeRequest(request)) Run(request);
  }
  // Terminated: a request that came too late is not served.
  {
    std::lock_guard lock(mutex_);
    pending_ = false;
    FinishBusy();
  }
  LogFile.Log("Finish MetaSearch on TAdvertisement");
}

bool TAmazonCom::TakeRequest(TRequest& request) {
  std::lock_guard lock(mutex_);
  if (!pending_ || Terminated()) {
    pending_ = false;
    FinishBusy();
    return false;
  }
  pending_ = false;
  request.KeyText = keyText_;
  request.KeyWords = keyWords_;
  request.StopWords = stopWords_;
  request.Generation = generation_;
  // A stop of an earlier request ends no later one.
  stop_ = false;
  stopped_ = false;
  if (!cacheValid_) ResetCacheLocked();
  return true;
}

void TAmazonCom::BeginPage() {
  wantedTotal_ = kMaxItems;
  remaining_ = kMaxItems;
  pageQuota_ = 0;
  pageCounter_ = 0;
  acceptedCount_ = 0;
  itemCount_ = 0;
  runPage_ = EmptyPage();
}

std::string TAmazonCom::CreateAdvertUrl(const TRequest& request) {
  try {
    encodedQuery_ = EncodeWords(request.KeyText);
    const std::string keyWords = EncodeWords(request.KeyWords);
    const std::string stopWords = EncodeWords(request.StopWords);
    SetCurrentTakeUrl();
    const std::string count = Decimal(pageQuota_);
    // One pass: a placeholder inside an inserted value stays as it is.
    return ReplacePlaceholders(template_.MainQuery, {{"$ip_addr", localIp_, true},
                                                     {"$main_query", encodedQuery_, true},
                                                     {"$Count_Url", count, true},
                                                     {"$begun_pad_id", kPartnerPadId, true},
                                                     {"$aff_id", kPartnerAffiliateId, true},
                                                     {"$at", kPartnerId, true},
                                                     {"$stop_words", stopWords, true},
                                                     {"$key_words", keyWords, true}});
  } catch (const std::exception&) {
    status_ = kStatusError;
    errorText_ = "Error ";
    stop_ = true;
    return {};
  }
}

void TAmazonCom::CutPage(std::string page, std::string_view url) {
  pageUrl_ = std::string(url);
  FindStopString(page);
  parser_->Clear();
  parser_->Parse(page);
  runPage_.PageText = parser_->SourceText;
  if (stopped_) return;
  Parse();
  if (acceptedCount_ > 0) {
    runPage_.ItemCount = std::min(acceptedCount_, kMaxItems);
    runPage_.TextBeforeList = textBeforeList_;
    runPage_.TextAfterList = textAfterList_;
  }
}

void TAmazonCom::Run(const TRequest& request) {
  BeginPage();
  int32_t entry = -1;
  const bool cached = FindCachedPage(request.KeyText, entry);
  if (!cached && entry >= 0) {
    status_ = kStatusOk;
    errorText_.clear();
    runPage_.Fetched = Download(request);
    runPage_.Items.resize(static_cast<size_t>(runPage_.ItemCount));
  }
  if (!CommitPage(entry, !cached, request.Generation)) return;
  if (!Terminated() && OnAdvertsReady) OnAdvertsReady();
}

bool TAmazonCom::Download(const TRequest& request) {
  const std::string url = CreateAdvertUrl(request);
  if (url.empty()) return false;  // the template's fault: status and error text are set
  LogFile.Log("TAdvertisement.Execute Connected to :" + url);
  const bool received = http_->Get(url, true);
  if (stopped_ || Terminated()) return false;  // a stop is no failure
  if (!received && http_->FailureCause() != hfNone) {
    status_ = kStatusNoConnection;
    errorText_ = "No Internet connection.";
    LogFile.Log("TAdvertisement.Execute No Internet connection.");
    return false;
  }
  LogFile.Log("TAdvertisement.Execute Reply from: " + url + " or " + encodedQuery_);
  if (received) {
    const std::vector<uint8_t>& body = http_->Body.Bytes();
    CutPage(std::string(body.begin(), body.end()), url);
    LogFile.Log("TAdvertisement.Execute Count url : " + Decimal(acceptedCount_));
  } else {
    LogFile.Log("TAdvertisement.Execute Size url 0");
    stop_ = true;
  }
  // A page that a stop cut short is no answer.
  return !stopped_;
}

bool TAmazonCom::CommitPage(int32_t entry, bool store, uint64_t generation) {
  std::lock_guard lock(mutex_);
  if (generation != generation_ || Terminated()) return false;
  if (entry < 0 || entry >= static_cast<int32_t>(cache_.size())) return true;  // nothing to show
  if (store) cache_[static_cast<size_t>(entry)] = std::move(runPage_);
  shownEntry_ = entry;
  return true;
}

int32_t TAmazonCom::ProcessAdvertPage(std::u16string_view keyText, std::string_view bytes, std::string_view url) {
  if (Busy()) return -1;
  uint64_t generation = 0;
  {
    std::lock_guard lock(mutex_);
    if (!cacheValid_) ResetCacheLocked();
    generation = generation_;
  }
  BeginPage();
  stop_ = false;
  stopped_ = false;
  int32_t entry = -1;
  FindCachedPage(keyText, entry);
  if (entry < 0) return -1;
  CutPage(std::string(bytes), url);
  runPage_.Items.resize(static_cast<size_t>(runPage_.ItemCount));
  runPage_.Fetched = true;
  const int32_t count = runPage_.ItemCount;
  CommitPage(entry, true, generation);
  return count;
}

void TAmazonCom::AddUrlToMetaSearchList() {
  if (Terminated()) {
    stop_ = true;
    return;
  }
  try {
    // Parse raised the accepted count before it called; an item past the
    // slots is dropped and ends the page.
    const int32_t slot = acceptedCount_ - 1;
    if (slot < 0 || slot >= static_cast<int32_t>(runPage_.Items.size())) {
      stop_ = true;
      return;
    }
    TMetaSearchList& item = runPage_.Items[static_cast<size_t>(slot)];
    item.Url = itemUrl_;
    item.ItemText = itemText_;
    item.Title = itemTitle_;
    item.Annotation = itemAnnotation_;
    LogFile.Log("TAdvertisement Add url : " + itemUrl_ + ", found on " + EngineName());
  } catch (const std::exception&) {
    stop_ = true;
    LogFile.Log("Error in procedure TAdvertisement.AddUrlToMetaSearchList");
    LogFile.Log("Parametrs : Url=" + itemUrl_ + ";Annotation=" + platform::Utf16ToUtf8(itemAnnotation_) +
                ";Title=" + platform::Utf16ToUtf8(itemTitle_) + ";CountUrl=" + Decimal(acceptedCount_) +
                ";LenghtMetaSearchList=" + Decimal(runPage_.ItemCount) + ".");
  }
}

}  // namespace kestrune
