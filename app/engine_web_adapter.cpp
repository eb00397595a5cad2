#include "app/engine_web_adapter.h"

#include <cstdlib>
#include <mutex>

namespace kestrune {

int32_t ReceiveTimeoutFromEnvironment() {
  const char* text = std::getenv(kReceiveTimeoutVariable);
  if (text == nullptr || *text == '\0') return 0;
  int64_t ms = 0;
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c < '0' || *c > '9' || ms > 600000) return 0;
    ms = ms * 10 + (*c - '0');
  }
  return ms >= 1 && ms <= 600000 ? static_cast<int32_t>(ms) : 0;
}

// EngineWeb with a copy of its results taken under its own lock.
class TEngineWebAdapter::TWorker : public EngineWeb {
 public:
  TMetaSearchList2 CopyResults() {
    std::lock_guard lock(lock_);
    return searchResults_;
  }
  void SetReceiveTimeout(int32_t ms) { http_->SetReceiveTimeout(ms); }
};

TEngineWebAdapter::TEngineWebAdapter() : worker_(std::make_unique<TWorker>()) {
  if (const int32_t ms = ReceiveTimeoutFromEnvironment(); ms > 0) worker_->SetReceiveTimeout(ms);
  worker_->OnProgress = [this](int32_t percent) {
    if (OnProgress) OnProgress(percent);
  };
  worker_->OnSearchDone = [this] {
    if (OnSearchDone) OnSearchDone();
  };
}

TEngineWebAdapter::~TEngineWebAdapter() {
  // The worker ends before the hooks it calls go.
  worker_->Shutdown();
}

EngineWeb& TEngineWebAdapter::Engine() { return *worker_; }

bool TEngineWebAdapter::LoadTemplate(std::string_view templateName) { return worker_->LoadTemplate(templateName); }

std::string TEngineWebAdapter::EngineName() const { return worker_->EngineName(); }

bool TEngineWebAdapter::SetUrlCount(int32_t count) { return worker_->SetUrlCount(count); }

bool TEngineWebAdapter::StartSearch(std::u16string_view query) {
  firstUrl_.clear();
  return worker_->StartSearch(query, firstUrl_);
}

void TEngineWebAdapter::StopSearch() { worker_->StopSearch(); }

bool TEngineWebAdapter::Reset() { return worker_->Reset(); }

bool TEngineWebAdapter::Busy() const { return worker_->Busy(); }

int32_t TEngineWebAdapter::Status() const { return worker_->Busy() ? kStatusOk : worker_->Status(); }

void TEngineWebAdapter::SetStatus(int32_t status) { worker_->SetStatus(status); }

std::string TEngineWebAdapter::ErrorText() const { return worker_->Busy() ? std::string() : worker_->ErrorText(); }

TDownloadFailure TEngineWebAdapter::DownloadFailure() const {
  return worker_->Busy() ? TDownloadFailure::None : worker_->DownloadFailure();
}

int32_t TEngineWebAdapter::DownloadFailureStatus() const {
  return worker_->Busy() ? 0 : worker_->DownloadFailureStatus();
}

TTemplateFault TEngineWebAdapter::TemplateFault() const {
  return worker_->Busy() ? TTemplateFault{} : worker_->TemplateFault();
}

TMetaSearchList2 TEngineWebAdapter::SearchResults() const {
  if (worker_->Busy()) return {};
  return worker_->CopyResults();
}

}  // namespace kestrune
