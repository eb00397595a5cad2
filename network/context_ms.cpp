// The context model's data: the network with its two standard layers, the
// word-id set, the file table, the child model and the look-ups that every
// other part of the model uses.
#include "network/context_ms.h"

#include <algorithm>

#include "language/word_dictionary.h"
#include "network/context_ms_internal.h"
#include "platform/text.h"

namespace kestrune {

using namespace context_ms_detail;

TIContextMS::TIContextMS() : network_(std::make_unique<TIASN>()) {
  wordIds_.SetItemType(TItemType::cLongInt);
  CreateStandardLayers();
}

TIContextMS::~TIContextMS() {
  // Parents forget this model; this model leaves its child's parent list.
  for (TIContextMS* parent : parents_) parent->child_ = nullptr;
  if (child_) std::erase(child_->parents_, this);
  Clear();
}

bool TIContextMS::SetChildIContextMS(TIContextMS* child) {
  if (child == child_) return true;
  for (TIContextMS* model = child; model; model = model->child_) {
    if (model == this) return false;
  }
  if (child_) std::erase(child_->parents_, this);
  child_ = child;
  if (child_) child_->parents_.push_back(this);
  return true;
}

void TIContextMS::CreateStandardLayers() {
  if (network_->LayerCount() > 0) return;
  network_->AddLayer(0.0f, kWordBudget);  // the word layer
  network_->AddLayer(0.0f, kNoBudget);    // the page layer
}

void TIContextMS::Clear() {
  Trace("start TIContextMS.Clear ");
  ++rebuilds_;
  network_->Clear();
  wordIds_.Clear();
  files_.Clear();
  CreateStandardLayers();
  Trace("TIContextMS.Clear end");
}

int32_t TIContextMS::NewWordElement(int32_t wordId, float anchor) {
  // One element per id: the set's node index must stay the element index.
  const TASNLayer* words = network_->GetLayer(kWordLayer);
  if (!words || wordIds_.Find(wordId) >= 0) return -1;
  const int32_t element =
      network_->AddElement(kWordLayer, words->GetCount(), kThreshold, anchor, 1.0f, 1.0f);
  if (element < 0) return -1;
  wordIds_.Add(wordId);
  return element;
}

void TIContextMS::AddFile(int32_t fileId) {
  if (fileId == -1 || files_.Find(fileId) >= 0) return;
  const int32_t record = files_.Add(fileId, 0, 0);
  const TASNLayer* pages = network_->GetLayer(kPageLayer);
  if (record < 0 || !pages) return;
  const int32_t element = network_->AddElement(kPageLayer, pages->GetCount(), kThreshold, 1.0f, 1.0f, 1.0f);
  if (element >= 0) files_.SetRange(record, element, 1);
}

void TIContextMS::AddWord(int32_t wordId) {
  if (wordIds_.Find(wordId) < 0) NewWordElement(wordId, 0.0f);
}

int32_t TIContextMS::FindWordElement(int32_t wordId) {
  if (IsPlaceholder(wordId)) return -1;
  return wordIds_.Find(wordId);
}

int32_t TIContextMS::GetWordId(int32_t element) const {
  if (element < 0 || element >= wordIds_.Count() || element >= WordElementCount()) return -1;
  const auto id = static_cast<int32_t>(wordIds_.GetItem(element));
  return IsPlaceholder(id) ? -1 : id;
}

void TIContextMS::GetFileElements(int32_t fileId, std::vector<int32_t>& elements) {
  files_.GetElements(fileId, elements);
}

int32_t TIContextMS::ValidatePageElement(int32_t index) const {
  const TASNLayer* pages = network_->GetLayer(kPageLayer);
  return pages && pages->IsValidIndex(index) ? index : -1;
}

int32_t TIContextMS::WordElementCount() const {
  const TASNLayer* words = network_->GetLayer(kWordLayer);
  return words ? words->GetCount() : 0;
}

float TIContextMS::Anchor(int32_t layer, int32_t element) const {
  const TASNElement* item = network_->GetElement(TASNAddress{static_cast<int8_t>(layer), element});
  return item ? item->GetAnchor() : -1.0f;
}

std::string TIContextMS::WordText(int32_t wordId, bool& fromDictionary) {
  fromDictionary = false;
  if (wordDictionary_) {
    if (const TWDWord* word = wordDictionary_->GetWord(wordId)) {
      fromDictionary = true;
      return platform::Utf16ToUtf8(word->GetText());
    }
  }
  return IntText(wordId);
}

}  // namespace kestrune
