// Feeds arbitrary bytes to the search-step chunk reader of older projects: the
// bytes stand for the body of the project tag that holds the chunk, and the
// ring is worked on afterwards (push, undo, redo, clearing every kind) so that
// whatever the chunk left behind is used.
#include <cstddef>
#include <cstdint>

#include "core/tag_stream.h"
#include "network/control_keys.h"

using namespace kestrune;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemoryStream stream(data, size);
  TTagStream tags(&stream);
  IControlKeys keys;
  int32_t changes = 0;
  keys.OnChange = [&changes](int32_t) { ++changes; };
  keys.AddScopeWords({TScopeWords{1, 0, {{1, 1.0f}}, {}}});
  keys.PushStep();
  // Project tag first when the bytes start with one, else the chunk at once.
  const bool inProject = tags.ReadTag() > 0 && tags.CurrentTag() == IControlKeys::kStepChunkTag;
  if (!inProject) {
    TMemoryStream again(data, size);
    TTagStream top(&again);
    keys.LoadFromTagStream(top);
  } else {
    keys.LoadFromTagStream(tags);
    tags.LeaveTag();
  }
  keys.SetValue(0, 1, 1.0f);
  keys.AddScopeWords({TScopeWords{}});
  keys.PushStep();
  keys.Back();
  keys.Forward();
  keys.CutForward();
  for (int32_t kind = 0; kind < IControlKeys::kKindCount; ++kind) keys.ClearKind(kind);
  keys.ClearBack();
  keys.ClearHistory();
  return 0;
}
