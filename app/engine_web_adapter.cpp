#include "app/engine_web_adapter.h"

#include <mutex>

namespace kestrune {

// EngineWeb with a copy of its results taken under its own lock.
class TEngineWebAdapter::TWorker : public EngineWeb {
 public:
  TMetaSearchList2 CopyResults() {
    std::lock_guard lock(lock_);
    return searchResults_;
  }
};

TEngineWebAdapter::TEngineWebAdapter() : worker_(std::make_unique<TWorker>()) {
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

TMetaSearchList2 TEngineWebAdapter::SearchResults() const {
  if (worker_->Busy()) return {};
  return worker_->CopyResults();
}

}  // namespace kestrune
