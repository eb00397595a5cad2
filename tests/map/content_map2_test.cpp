#include "map/content_map2.h"

#include <gtest/gtest.h>

#include <vector>

namespace kestrune {
namespace {

TKey Keyed(int32_t id, uint32_t flags = 0, float weight = 0.5f) {
  TKey key;
  key.Id = id;
  key.Flags = flags;
  key.Weight = weight;
  key.Name = u"w" + std::u16string(1, static_cast<char16_t>(u'0' + id % 10));
  return key;
}

TEST(ContentMap2, OnAllKeysIsTheStepRingsChangeCallback) {
  TContentMap2 map;
  std::vector<int32_t> kinds;
  map.Steps().SetValue(0, 7, 1.0f);  // no handler yet: nothing to call
  map.SetOnAllKeys([&](int32_t kind) { kinds.push_back(kind); });
  map.Steps().SetValue(1, 8, -10000.0f);
  map.Steps().SetValue(4, 9, 1.0f);
  EXPECT_EQ(kinds, (std::vector<int32_t>{1, 4}));
  map.SetOnAllKeys(nullptr);
  map.Steps().SetValue(0, 10, 1.0f);
  EXPECT_EQ(kinds.size(), 2u);
  EXPECT_FALSE(map.OnAllKeys());
}

TEST(ContentMap2, AccessorRingAndUpdates) {
  TContentMap2 map;
  map.CopyKeysIn({Keyed(1, KF_QUERY), Keyed(2)});
  TCMKey& none = map.GetKey(-1);
  EXPECT_EQ(none.GetFlags(), 0u);
  EXPECT_EQ(none.GetId(), 0);
  none.SetFlags(KF_MARKED);
  none.SetWeight(3.0f);
  EXPECT_EQ(map.Keys()[0].Flags, KF_QUERY);
  EXPECT_EQ(map.GetKey(2).GetId(), 0);

  TCMKey* first = &map.GetKey(1);
  for (int i = 0; i < 15; ++i) map.GetKey(0);
  TCMKey* seventeenth = &map.GetKey(0);
  EXPECT_EQ(first, seventeenth);  // the ring holds sixteen accessors

  map.BeginUpdate();
  map.BeginUpdate();
  TCMKey& key = map.GetKey(1);
  key.SetFlags(KF_MARKED);
  key.SetWeight(0.25f);
  map.EndUpdate();
  EXPECT_EQ(map.UpdateCount(), 1);
  map.EndUpdate();
  EXPECT_EQ(map.UpdateCount(), 0);
  EXPECT_EQ(map.Keys()[1].Flags, KF_MARKED);
  EXPECT_EQ(map.Keys()[1].Weight, 0.25f);

  // After the key list shrank the accessor holds no key.
  map.CopyKeysIn({Keyed(5)});
  EXPECT_FALSE(key.HasKey());
  EXPECT_EQ(key.GetId(), 0);
}

TEST(ContentMap2, OperationsOnTheKeys) {
  TContentMap2 map;
  EXPECT_EQ(map.AddKey(3), 0);  // a blank key on an empty map
  EXPECT_EQ(map.Keys()[0].Name, u"");
  map.CopyKeysIn({Keyed(1, KF_HOVERED | KF_CARRIED), Keyed(2, KF_CARRIED | KF_CONTEXT), Keyed(1)});
  EXPECT_TRUE(map.DeleteFlaggedKeys());
  EXPECT_EQ(map.Keys()[0].Flags, KF_HOVERED | KF_HIDDEN);
  EXPECT_EQ(map.Keys()[1].Flags, KF_CONTEXT | KF_HIDDEN);

  map.HighlightKey(1);
  EXPECT_TRUE(map.Keys()[0].Flags & KF_HIGHLIGHTED);
  EXPECT_FALSE(map.Keys()[2].Flags & KF_HIGHLIGHTED);
  map.ClearHighlights();
  EXPECT_FALSE(map.Keys()[0].Flags & KF_HIGHLIGHTED);

  // AddKey copies the last key, text and all, with the new id.
  map.Keys()[2].Extra = {4, 5};
  EXPECT_EQ(map.AddKey(9), 3);
  EXPECT_EQ(map.Keys()[3].Id, 9);
  EXPECT_EQ(map.Keys()[3].Name, map.Keys()[2].Name);
  EXPECT_EQ(map.Keys()[3].Extra, (TIntArray{4, 5}));

  TKeys out(7);
  map.CopyKeysOut(out);
  EXPECT_EQ(out, map.Keys());

  std::vector<std::string> sent;
  map.OnVXlistOfKeys = [&](const TNNKeys& list, const std::string& s) {
    EXPECT_TRUE(list.empty());
    sent.push_back(s);
  };
  map.SendEmptyKeyList();
  EXPECT_EQ(sent, (std::vector<std::string>{""}));
}

TEST(ContentMap2, ClearKeysEmptiesTheMapAndTheSteps) {
  TContentMap2 map;
  std::vector<int32_t> kinds;
  map.SetOnAllKeys([&](int32_t kind) { kinds.push_back(kind); });
  map.Steps().SetValue(0, 7, 1.0f, true);
  map.CopyKeysIn({Keyed(1), Keyed(2)});
  map.SetHoveredKey(1);
  map.SetExcludedMode(true);
  map.SetDimmed(true);
  map.SetRestoreBaseMap(true);
  map.Relations() = TRelationMatrix(2, std::vector<float>(2, 1.0f));
  map.Clear();
  EXPECT_EQ(map.KeyCount(), 0);
  EXPECT_EQ(map.BaseKeyCount(), 0);
  EXPECT_TRUE(map.Relations().empty());
  EXPECT_TRUE(map.Steps().GetCurrent()[0].empty());
  EXPECT_EQ(map.HoveredKey(), -1);
  EXPECT_FALSE(map.ExcludedMode());
  EXPECT_FALSE(map.NoQueryMode());
  EXPECT_FALSE(map.Dimmed());
  EXPECT_FALSE(map.RestoreBaseMap());
  EXPECT_FALSE(kinds.empty());  // the ring was cleared aloud
}

TEST(ContentMap2, QueryKeysCarryTheirCodes) {
  TContentMap2 map;
  map.Steps().SetValue(0, 11, 1.0f, true);
  map.Steps().SetValue(0, 12, 1.0f, true);
  map.Steps().SetValue(1, 21, -10000.0f, true);

  TNNKeys list = {TNNKey{99, 1.0f}};
  int32_t count = -1;
  map.GetQueryKeys(2 | 4, list, count);  // NoQueryMode after creation
  EXPECT_EQ(count, 0);
  EXPECT_EQ(list, (TNNKeys{TNNKey{99, 1.0f}}));

  map.SetNoQueryMode(false);
  map.GetQueryKeys(2 | 4, list, count);
  ASSERT_EQ(count, 3);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].Id, 11);
  EXPECT_EQ(KeyCode(list[0]), 2);
  EXPECT_EQ(list[1].Id, 12);
  EXPECT_EQ(list[2].Id, 21);
  EXPECT_EQ(KeyCode(list[2]), 4);

  map.GetQueryKeys(4, list, count);
  ASSERT_EQ(count, 1);
  EXPECT_EQ(list[0].Id, 21);

  // The excluded view swaps the two kinds.
  map.SetExcludedMode(true);
  map.GetQueryKeys(2, list, count);
  ASSERT_EQ(count, 1);
  EXPECT_EQ(list[0].Id, 21);
  EXPECT_EQ(KeyCode(list[0]), 2);
}

}  // namespace
}  // namespace kestrune
