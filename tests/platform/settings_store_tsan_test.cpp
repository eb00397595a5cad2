// Separate settings stores used from several threads at once.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/settings_store.h"
#include "tests/support/temp_dir.h"

namespace kestrune::platform {
namespace {

TEST(SettingsStoreThreads, SeparateStoresWriteOneHiveWithoutLosingUpdates) {
  test::TempDir dir;
  test::ScopedEnv env("KESTRUNE_CONFIG_HOME", dir.Path());
  constexpr int kThreads = 4;
  constexpr int kWrites = 25;
  std::atomic<int> failures{0};
  std::atomic<bool> done{false};

  std::thread reader([&] {
    SettingsStore store;
    size_t seen = 0;
    while (!done.load()) {
      if (!store.OpenKeyReadOnly("Threads")) continue;
      const size_t now = store.GetValueNames().size();
      if (now < seen) failures.fetch_add(1);
      seen = now;
    }
  });
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([&, t] {
      try {
        SettingsStore store;
        store.SetRootKey(kHKeyLocalMachine);
        store.SetRootKey(kHKeyCurrentUser);
        if (!store.OpenKey("Threads", true)) failures.fetch_add(1);
        for (int i = 0; i < kWrites; ++i) {
          store.WriteString("t" + std::to_string(t) + "_" + std::to_string(i), std::string(1, static_cast<char>(i)));
        }
      } catch (const ERegistryException&) {
        failures.fetch_add(1);
      }
    });
  }
  for (std::thread& w : writers) w.join();
  done.store(true);
  reader.join();

  EXPECT_EQ(failures.load(), 0);
  SettingsStore store;
  ASSERT_TRUE(store.OpenKeyReadOnly("Threads"));
  EXPECT_EQ(store.GetValueNames().size(), static_cast<size_t>(kThreads * kWrites));
  for (int t = 0; t < kThreads; ++t) {
    for (int i = 0; i < kWrites; ++i) {
      EXPECT_EQ(store.ReadString("t" + std::to_string(t) + "_" + std::to_string(i)),
                std::string(1, static_cast<char>(i)));
    }
  }
}

}  // namespace
}  // namespace kestrune::platform
