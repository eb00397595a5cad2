// IResStream: a memory stream that takes a raw-data resource built into the
// program.
//
// The program's raw-data resources are Qt resources under ":/rcdata/", one
// file per resource named after it. Names are matched without regard to case
// ("ANKOR_FLAT" finds "ankor_flat").
//
// LoadFromResource copies the resource's bytes into this stream (position 0)
// and into a new in-memory device handed back through `copy` (its position at
// its end), which is what image readers take. A missing or unreadable resource
// changes neither.
#pragma once

#include <QBuffer>
#include <memory>
#include <string_view>

#include "core/stream.h"

namespace kestrune {

class IResStream : public TMemoryStream {
 public:
  static constexpr const char* kResourceFolder = ":/rcdata";

  // True when the resource was found and copied.
  bool LoadFromResource(std::string_view name, std::unique_ptr<QBuffer>& copy);
};

}  // namespace kestrune
