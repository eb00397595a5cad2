#include "app/control_flow.h"

namespace kestrune {

void IControlFlow::Clear() {
  position_ = 0;
  records_.clear();
}

int32_t IControlFlow::CanUndo() const { return position_ >= 1 ? position_ : -1; }

int32_t IControlFlow::CanRedo() const { return Count() >= position_ + 1 ? position_ : -1; }

const TEditRecord* IControlFlow::Current() const {
  if (position_ < 0 || position_ >= Count()) return nullptr;
  return &records_[static_cast<size_t>(position_)];
}

void IControlFlow::Push(const TEditRecord& record) {
  records_.resize(static_cast<size_t>(position_));
  records_.push_back(record);
  ++position_;
}

bool IControlFlow::StepBack() {
  --position_;
  if (position_ < 0) {
    position_ = 0;
    return false;
  }
  return true;
}

bool IControlFlow::StepForward() {
  ++position_;
  if (position_ >= Count()) {
    position_ = Count();
    return false;
  }
  return true;
}

}  // namespace kestrune
