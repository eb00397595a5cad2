// The edit history: pushes, steps back and forward at both ends, a push after
// undos, Clear.
#include "app/control_flow.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace kestrune {
namespace {

// Runs "P<n>" (push a record marked n), "B" (StepBack), "F" (StepForward),
// "C" (Clear); the records' marks, the position and the last step's result.
struct TFlowRun {
  std::vector<int> marks;
  int32_t position = 0;
  bool lastStep = true;
  int32_t canUndo = 0;
  int32_t canRedo = 0;
  int current = -1;  // the mark of Current, -1 for null
};

TFlowRun RunScript(const std::string& script) {
  IControlFlow flow = IControlFlow::Create();
  TFlowRun run;
  std::istringstream ops(script);
  std::string op;
  while (ops >> op) {
    if (op[0] == 'P') {
      TEditRecord record;
      record.NewValue = static_cast<float>(std::stoi(op.substr(1)));
      flow.Push(record);
    } else if (op == "B") {
      run.lastStep = flow.StepBack();
    } else if (op == "F") {
      run.lastStep = flow.StepForward();
    } else if (op == "C") {
      flow.Clear();
    }
  }
  for (int32_t i = 0; i < flow.Count(); ++i) run.marks.push_back(static_cast<int>(flow.At(i).NewValue));
  run.position = flow.Position();
  run.canUndo = flow.CanUndo();
  run.canRedo = flow.CanRedo();
  run.current = flow.Current() ? static_cast<int>(flow.Current()->NewValue) : -1;
  return run;
}

TEST(ControlFlowTest, Operations_KeepPositionWithinTheList) {
  struct Case {
    const char* script;
    std::vector<int> marks;
    int32_t position;
    bool lastStep;
    int32_t canUndo;
    int32_t canRedo;
    int current;
  };
  const Case cases[] = {
      {"", {}, 0, true, -1, -1, -1},
      {"B", {}, 0, false, -1, -1, -1},  // undo at position 0
      {"F", {}, 0, false, -1, -1, -1},
      {"P1", {1}, 1, true, 1, -1, -1},
      {"P1 P2 B", {1, 2}, 1, true, 1, 1, 2},
      {"P1 P2 B B", {1, 2}, 0, true, -1, 0, 1},
      {"P1 P2 B B B", {1, 2}, 0, false, -1, 0, 1},
      // Push, undo, push: the undone record goes, nothing is left to redo.
      {"P1 P2 B P3", {1, 3}, 2, true, 2, -1, -1},
      {"P1 P2 B P3 B", {1, 3}, 1, true, 1, 1, 3},
      {"P1 P2 B B P3", {3}, 1, true, 1, -1, -1},
      // Redo at the count does nothing; redoing the last record ends there.
      {"P1 P2 F", {1, 2}, 2, false, 2, -1, -1},
      {"P1 P2 B F", {1, 2}, 2, false, 2, -1, -1},
      {"P1 P2 B B F", {1, 2}, 1, true, 1, 1, 2},
      {"P1 P2 B C", {}, 0, true, -1, -1, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    const TFlowRun run = RunScript(c.script);
    EXPECT_EQ(run.marks, c.marks);
    EXPECT_EQ(run.position, c.position);
    EXPECT_EQ(run.lastStep, c.lastStep);
    EXPECT_EQ(run.canUndo, c.canUndo);
    EXPECT_EQ(run.canRedo, c.canRedo);
    EXPECT_EQ(run.current, c.current);
  }
}

}  // namespace
}  // namespace kestrune
