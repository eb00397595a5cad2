#include "platform/dynamic_library.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>

#include "core/convertor_plugin.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"

namespace kestrune::platform {
namespace {

const std::u16string kComplete = Utf8ToUtf16(KESTRUNE_TEST_PLUGINS "imp_complete.so");

TEST(DynamicLibrary, LoadLookUpMoveAndUnload) {
  DynamicLibrary library;
  EXPECT_FALSE(library.Loaded());
  EXPECT_EQ(library.Symbol("ListSupportedTypes"), nullptr);
  ASSERT_TRUE(library.Load(kComplete)) << library.Error();
  EXPECT_TRUE(LibraryLoaded(kComplete));
  auto list = library.Lookup<TListSupportedTypes>("ListSupportedTypes");
  ASSERT_NE(list, nullptr);
  int32_t reserved = 0;
  EXPECT_NE(list(&reserved), nullptr);
  EXPECT_EQ(library.Symbol("NoSuchEntryPoint"), nullptr);

  DynamicLibrary moved(std::move(library));
  EXPECT_FALSE(library.Loaded());
  EXPECT_TRUE(moved.Loaded());
  library = std::move(moved);  // the handle moves back; nothing is unloaded
  EXPECT_TRUE(LibraryLoaded(kComplete));
  library.Unload();
  EXPECT_FALSE(LibraryLoaded(kComplete));
  library.Unload();  // nothing held: nothing happens
}

TEST(DynamicLibrary, FailuresAreResults) {
  test::TempDir dir;
  test::WriteFileBytes(dir.File("imp_text.so"), "not a library");
  const std::u16string names[] = {
      u"imp_complete.so",       // no "/": never searched for on the library path
      u"libc.so.6",             // (not even a system library)
      dir.WFile("missing.so"),  //
      dir.WFile("imp_text.so"), //
      u"",
  };
  for (const std::u16string& name : names) {
    DynamicLibrary library;
    EXPECT_FALSE(library.Load(name)) << Utf16ToUtf8(name);
    EXPECT_FALSE(library.Loaded());
    EXPECT_FALSE(library.Error().empty());
  }
}

TEST(DynamicLibrary, ANameInAnotherLetterCaseIsResolved) {
  test::TempDir dir;
  std::filesystem::copy_file(KESTRUNE_TEST_PLUGINS "imp_complete.so", dir.File("Imp_Complete.so"));
  DynamicLibrary library;
  EXPECT_TRUE(library.Load(dir.WFile("imp_complete.SO"))) << library.Error();
  EXPECT_NE(library.Symbol("GetCompatibilityFlags"), nullptr);
}

}  // namespace
}  // namespace kestrune::platform
