// The network's data model: layers, elements, relation lists and the
// relation store (checked against a model of its dense node order).
#include "network/asn.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

namespace kestrune {
namespace {

// Height of the subtree at `node`; -1 when the tree's balance bytes or its
// order are wrong.
int Height(const TIAVLTree& tree, int32_t node, int64_t low, int64_t high) {
  if (node < 0) return 0;
  const TAVLNode& n = tree.GetNode(node);
  const auto key = static_cast<int32_t>(n.Value);
  if (key <= low || key >= high) return -1;
  const int left = Height(tree, n.Left, low, key);
  const int right = Height(tree, n.Right, key, high);
  if (left < 0 || right < 0 || std::abs(left - right) > 1) return -1;
  const uint8_t balance = left > right ? 0 : left == right ? 1 : 2;
  if (balance != n.Balance) return -1;
  return std::max(left, right) + 1;
}

int TreeHeight(const TLayerRelations& list) {
  return Height(*list.Targets, list.Targets->Root(), INT64_MIN, INT64_MAX);
}

// Targets and weights of a list in node order.
std::vector<std::pair<int32_t, float>> Nodes(const TLayerRelations& list) {
  std::vector<std::pair<int32_t, float>> nodes;
  for (int32_t i = 0; i < list.Count(); ++i) nodes.emplace_back(list.Target(i), list.Weights[i]);
  return nodes;
}

void TwoLayers(TIASN& net, int words, int pages) {
  net.AddLayer(0.0f, 5.0f);
  net.AddLayer(0.0f, -1.0f);
  for (int i = 0; i < words; ++i) net.AddElement(0, i, 0.001f, 1.0f, 1.0f, 1.0f);
  for (int i = 0; i < pages; ++i) net.AddElement(1, i, 0.001f, 1.0f, 1.0f, 1.0f);
}

}  // namespace

TEST(ASNLayers, AddLayerAndElementAndAddresses) {
  TIASN net;
  EXPECT_EQ(net.AddElement(0, 0, 0, 1, 1, 1), -1);  // no layer yet
  net.AddLayer(0.25f, 5.0f);
  net.AddLayer(0.0f, -1.0f);
  EXPECT_EQ(net.AddElement(0, 77, 0.001f, 1.0f, 0.5f, 0.75f), 0);
  EXPECT_EQ(net.AddElement(0, 78, 0.002f, 0.0f, 1.0f, 1.0f), 1);
  EXPECT_EQ(net.AddElement(1, 5, 0.001f, 1.0f, 1.0f, 1.0f), 0);
  EXPECT_EQ(net.AddElement(5, 0, 0, 1, 1, 1), -1);
  EXPECT_EQ(net.AddElement(-1, 0, 0, 1, 1, 1), -1);

  const TASNElement* e = net.GetElement({0, 0});
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->GetId(), 77);
  EXPECT_EQ(e->GetThreshold(), 0.001f);
  EXPECT_EQ(e->GetAnchor(), 1.0f);
  EXPECT_EQ(e->GetKInh(), 0.5f);
  EXPECT_EQ(e->GetKStim(), 0.75f);
  EXPECT_EQ(e->GetActivation(), 0.0f);
  EXPECT_EQ(net.GetLayer(0)->GetParam(), 0.25f);
  EXPECT_EQ(net.GetLayer(0)->GetBudget(), 5.0f);
  EXPECT_EQ(net.GetLayer(1)->GetBudget(), -1.0f);

  struct Case {
    TASNAddress address;
    bool valid;
  };
  for (const Case& c : {Case{{0, 0}, true}, Case{{0, 1}, true}, Case{{0, 2}, false}, Case{{0, -1}, false},
                        Case{{1, 0}, true}, Case{{2, 0}, false}, Case{{-1, 0}, false}}) {
    EXPECT_EQ(net.IsValidAddress(c.address), c.valid) << int(c.address.Layer) << "," << c.address.Index;
    EXPECT_EQ(net.GetElement(c.address) != nullptr, c.valid);
  }
  EXPECT_EQ(net.GetLayer(2), nullptr);
  EXPECT_EQ(net.GetLayer(-1), nullptr);
}

TEST(ASNLayers, ElementsCrossPagesAndTheLayerCountStopsAt127) {
  TIASN net;
  for (int l = 0; l < 130; ++l) net.AddLayer(0.0f, -1.0f);
  EXPECT_EQ(net.LayerCount(), 127);
  for (int i = 0; i < 1500; ++i) ASSERT_EQ(net.AddElement(3, i * 2, 0, 1, 1, 1), i);
  EXPECT_EQ(net.GetElement({3, 1499})->GetId(), 2998);
  EXPECT_EQ(net.GetElement({3, 512})->GetId(), 1024);
  net.Clear();
  EXPECT_EQ(net.LayerCount(), 0);
}

TEST(ASNLayers, OrganizationDataIsFixedOnceALayerExists) {
  TIASN net;
  net.SetOrganizationData(TOrganizationData::cBinary);
  EXPECT_EQ(net.OrganizationData(), TOrganizationData::cBinary);
  net.AddLayer(0, -1);
  net.SetOrganizationData(TOrganizationData::cAVL);
  EXPECT_EQ(net.OrganizationData(), TOrganizationData::cBinary);
  net.AddElement(0, 0, 0, 1, 1, 1);
  net.AddElement(0, 1, 0, 1, 1, 1);
  // The binary store keeps nothing and answers with an empty position.
  TRelationPosition p{0, 0, 0, 0};
  net.SetRelation({0, 0}, {0, 1}, p, 0.5f);
  EXPECT_EQ(p, TRelationPosition{});
  p = TRelationPosition{0, 0, 0, 0};
  net.FindRelation({0, 0}, {0, 1}, p);
  EXPECT_EQ(p, TRelationPosition{});
  EXPECT_EQ(net.GetElement({0, 0})->GetRelationCount(0), 0);
  net.DeleteRelation({0, 0}, {0, 1});
  net.Clear();
  net.SetOrganizationData(TOrganizationData::cAVL);
  EXPECT_EQ(net.OrganizationData(), TOrganizationData::cAVL);
}

TEST(ASNRelations, RelationListsAndPositions) {
  TIASN net;
  TwoLayers(net, 3, 2);
  EXPECT_EQ(net.FindRelationList({0, 0}, 1), -1);
  EXPECT_EQ(net.AddRelationList({0, 0}, 1), 0);
  EXPECT_EQ(net.AddRelationList({0, 0}, 1), 0);
  EXPECT_EQ(net.AddRelationList({0, 0}, 0), 1);
  EXPECT_EQ(net.FindRelationList({0, 0}, 0), 1);
  EXPECT_EQ(net.FindRelationList({0, 0}, -1), -1);
  EXPECT_EQ(net.FindRelationList({0, 9}, 0), -1);
  EXPECT_EQ(net.AddRelationList({0, 9}, 0), -1);
  EXPECT_EQ(net.AddRelationList({0, 1}, 7), -1);  // no such target layer

  TRelationPosition p;
  net.SetRelation({0, 0}, {1, 1}, p, 0.7f);
  EXPECT_EQ(p, (TRelationPosition{0, 0, 0, 0}));
  net.SetRelation({0, 0}, {0, 2}, p, 0.16f);
  EXPECT_EQ(p, (TRelationPosition{0, 0, 1, 0}));
  net.SetRelation({0, 0}, {1, 0}, p, 0.5f);
  EXPECT_EQ(p, (TRelationPosition{0, 0, 0, 1}));
  // Overwriting changes only the weight and names the existing node.
  net.SetRelation({0, 0}, {1, 1}, p, 0.9f);
  EXPECT_EQ(p, (TRelationPosition{0, 0, 0, 0}));
  const TASNElement* e = net.GetElement({0, 0});
  EXPECT_EQ(e->GetRelationCount(0), 2);
  EXPECT_EQ(e->GetRelationWeight(p), 0.9f);

  // From = To: no relation, only the node of the position is cleared.
  p = TRelationPosition{0, 1, 0, 5};
  net.SetRelation({0, 1}, {0, 1}, p, 1.0f);
  EXPECT_EQ(p, (TRelationPosition{0, 1, 0, -1}));
  EXPECT_EQ(net.GetElement({0, 1})->GetRelationListCount(), 0);
  // Invalid addresses give the empty position.
  p = TRelationPosition{0, 0, 0, 0};
  net.SetRelation({0, 0}, {1, 5}, p, 1.0f);
  EXPECT_EQ(p, TRelationPosition{});
  net.FindRelation({2, 0}, {0, 0}, p);
  EXPECT_EQ(p, TRelationPosition{});

  // Find: a missing relation in an existing list and without a list.
  net.FindRelation({0, 0}, {0, 1}, p);
  EXPECT_EQ(p, (TRelationPosition{0, 0, 1, -1}));
  net.FindRelation({0, 2}, {0, 0}, p);
  EXPECT_EQ(p, (TRelationPosition{0, 2, -1, -1}));

  // Accessors by position, in and out of range.
  struct Case {
    TRelationPosition position;
    int32_t target;
    float weight;
  };
  for (const Case& c : {Case{{0, 0, 0, 0}, 1, 0.9f}, Case{{0, 0, 0, 1}, 0, 0.5f}, Case{{0, 0, 1, 0}, 2, 0.16f},
                        Case{{0, 0, 0, 2}, -2, 0.0f}, Case{{0, 0, 0, -1}, -2, 0.0f}, Case{{0, 0, -1, 0}, -2, 0.0f},
                        Case{{0, 0, 2, 0}, -2, 0.0f}}) {
    EXPECT_EQ(e->GetRelationTarget(c.position), c.target);
    EXPECT_EQ(e->GetRelationWeight(c.position), c.weight);
  }
  EXPECT_EQ(e->GetRelationCount(-1), 0);
  EXPECT_EQ(e->GetRelationCount(2), 0);
  // Writing through a position touches one direction; nothing out of range.
  TASNElement* w = net.GetElement({0, 0});
  w->SetRelationWeight({0, 0, 1, 0}, 0.3f);
  w->SetRelationWeight({0, 0, 1, -1}, 0.4f);
  w->SetRelationWeight({0, 0, 5, 0}, 0.4f);
  EXPECT_EQ(w->GetRelationWeight({0, 0, 1, 0}), 0.3f);
  EXPECT_EQ(w->GetRelationCount(1), 1);
}

TEST(ASNRelations, DeleteKeepsNodesDenseAndFreesTheEmptyList) {
  TIASN net;
  TwoLayers(net, 10, 0);
  TRelationPosition p;
  for (int t : {5, 3, 8}) net.SetRelation({0, 0}, {0, t}, p, 0.1f * t);
  const TLayerRelations* list = net.GetElement({0, 0})->GetRelationList(0);
  // Deleting the middle node of three: the last moves into its slot.
  net.DeleteRelation({0, 0}, {0, 3});
  EXPECT_EQ(Nodes(*list), (std::vector<std::pair<int32_t, float>>{{5, 0.5f}, {8, 0.1f * 8}}));
  EXPECT_GT(TreeHeight(*list), 0);
  net.DeleteRelation({0, 0}, {0, 3});  // no longer there
  EXPECT_EQ(list->Count(), 2);
  net.DeleteRelation({0, 0}, {0, 5});
  net.DeleteRelation({0, 0}, {0, 8});
  EXPECT_EQ(list->Count(), 0);
  EXPECT_EQ(list->Targets->Root(), -1);
  EXPECT_TRUE(list->Weights.empty());
  EXPECT_EQ(list->Weights.capacity(), 0u);
  // The list itself stays.
  EXPECT_EQ(net.FindRelationList({0, 0}, 0), 0);
}

TEST(ASNRelations, AscendingInsertionsStayBalanced) {
  TIASN net;
  TwoLayers(net, 1001, 0);
  TRelationPosition p;
  for (int t = 1; t <= 1000; ++t) {
    net.SetRelation({0, 0}, {0, t}, p, 1.0f);
    ASSERT_EQ(p.Node, t - 1);
  }
  const TLayerRelations& list = *net.GetElement({0, 0})->GetRelationList(0);
  const int height = TreeHeight(list);
  EXPECT_GT(height, 0);
  EXPECT_LE(height, 14);
  for (int t = 1; t <= 1000; ++t) {
    net.FindRelation({0, 0}, {0, t}, p);
    ASSERT_EQ(p.Node, t - 1);
  }
}

// A long random run of sets and deletes over several elements and both
// layers, checked after every step against std::map (contents) and against a
// model of the dense node order (append on insert; the last node moves into
// a deleted node's slot).
TEST(ASNRelations, RandomSetsAndDeletesAgreeWithMap) {
  constexpr int kWords = 150;
  constexpr int kPages = 30;
  TIASN net;
  TwoLayers(net, kWords, kPages);
  std::map<std::pair<int, int>, std::map<std::pair<int, int>, float>> expected;
  // Node order per (source, target layer).
  std::map<std::pair<int, int>, std::vector<std::pair<int32_t, float>>> order;
  std::mt19937 rng(20240611);
  // A few sources, so that their lists grow deep enough to rotate often.
  auto randomAddress = [&](bool source) {
    const int layer = static_cast<int>(rng() % 3 == 0);
    const int count = source ? (layer ? 2 : 4) : (layer ? kPages : kWords);
    return TASNAddress{static_cast<int8_t>(layer), static_cast<int32_t>(rng() % count)};
  };
  auto key = [](const TASNAddress& a) { return std::make_pair(int(a.Layer), a.Index); };

  for (int step = 0; step < 20000; ++step) {
    const TASNAddress from = randomAddress(true);
    const TASNAddress to = randomAddress(false);
    const float weight = static_cast<float>(rng() % 1000) / 1000.0f;
    auto& nodes = order[{key(from).first * 100 + key(from).second, to.Layer}];
    auto& rel = expected[key(from)];
    if (rng() % 5 < 3) {
      TRelationPosition p;
      net.SetRelation(from, to, p, weight);
      if (from == to) {
        ASSERT_EQ(p.Node, -1);
        continue;
      }
      rel[key(to)] = weight;
      auto it = std::find_if(nodes.begin(), nodes.end(), [&](auto& n) { return n.first == to.Index; });
      if (it == nodes.end()) {
        nodes.emplace_back(to.Index, weight);
        it = nodes.end() - 1;
      } else {
        it->second = weight;
      }
      ASSERT_EQ(p.Node, it - nodes.begin());
    } else {
      net.DeleteRelation(from, to);
      rel.erase(key(to));
      auto it = std::find_if(nodes.begin(), nodes.end(), [&](auto& n) { return n.first == to.Index; });
      if (it != nodes.end()) {
        *it = nodes.back();
        nodes.pop_back();
      }
    }
    // The touched list matches the node-order model and is a valid AVL tree.
    const int32_t list = net.FindRelationList(from, to.Layer);
    if (list >= 0) {
      const TLayerRelations& l = *net.GetElement(from)->GetRelationList(list);
      ASSERT_EQ(Nodes(l), nodes) << "step " << step;
      ASSERT_GE(TreeHeight(l), nodes.empty() ? 0 : 1) << "step " << step;
    }
  }
  // Every relation the map holds is found with its weight, and nothing else is.
  int total = 0;
  for (int fl = 0; fl < 2; ++fl) {
    for (int fi = 0; fi < (fl ? kPages : kWords); ++fi) {
      const TASNAddress from{static_cast<int8_t>(fl), fi};
      for (int tl = 0; tl < 2; ++tl) {
        for (int ti = 0; ti < (tl ? kPages : kWords); ++ti) {
          TRelationPosition p;
          net.FindRelation(from, {static_cast<int8_t>(tl), ti}, p);
          const auto& rel = expected[{fl, fi}];
          const auto it = rel.find({tl, ti});
          if (it == rel.end()) {
            EXPECT_EQ(p.Node, -1);
          } else {
            ++total;
            ASSERT_GE(p.Node, 0);
            EXPECT_EQ(net.GetElement(from)->GetRelationWeight(p), it->second);
          }
        }
      }
    }
  }
  EXPECT_GT(total, 50);
}

TEST(ASNElements, DeleteElementRemovesRelationsBothWays) {
  TIASN net;
  TwoLayers(net, 4, 2);
  TRelationPosition p;
  auto both = [&](TASNAddress a, TASNAddress b, float w) {
    net.SetRelation(a, b, p, w);
    net.SetRelation(b, a, p, w);
  };
  both({0, 1}, {0, 0}, 0.16f);
  both({0, 1}, {0, 2}, 0.04f);
  both({0, 1}, {1, 0}, 0.7f);
  both({0, 1}, {1, 1}, 0.5f);
  both({0, 0}, {0, 2}, 0.16f);
  net.SetRelation({0, 3}, {0, 1}, p, 0.2f);  // one way only, toward the element
  net.ActivateElement({0, 1}, 0.6f);

  net.DeleteElement({0, 1});
  const TASNElement* e = net.GetElement({0, 1});
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->GetAnchor(), -1.0f);
  EXPECT_EQ(e->GetId(), 1);
  EXPECT_EQ(e->GetActivation(), 0.6f);  // activation and sets stay
  EXPECT_EQ(net.GetLayer(0)->GetActiveSet().Find(1), 0);
  EXPECT_EQ(e->GetRelationCount(0), 0);
  EXPECT_EQ(e->GetRelationCount(1), 0);
  for (TASNAddress other : {TASNAddress{0, 0}, TASNAddress{0, 2}, TASNAddress{1, 0}, TASNAddress{1, 1}}) {
    net.FindRelation(other, {0, 1}, p);
    EXPECT_EQ(p.Node, -1);
    net.FindRelation({0, 1}, other, p);
    EXPECT_EQ(p.Node, -1);
  }
  // Relations between the others stay; a one-way relation toward the
  // element from an element it had no relation to is not among its lists.
  net.FindRelation({0, 0}, {0, 2}, p);
  EXPECT_EQ(net.GetElement({0, 0})->GetRelationWeight(p), 0.16f);
  net.FindRelation({0, 3}, {0, 1}, p);
  EXPECT_EQ(net.GetElement({0, 3})->GetRelationWeight(p), 0.2f);
  // A new element gets a fresh index; the deleted slot is not reused.
  EXPECT_EQ(net.AddElement(0, 4, 0.001f, 1, 1, 1), 4);
  net.DeleteElement({0, 9});  // invalid: nothing
}

TEST(ASNActivation, SettersAndResets) {
  TIASN net;
  TwoLayers(net, 4, 2);
  TASNLayer& words = *net.GetLayer(0);
  net.ActivateElement({0, 2}, 0.0f);  // 0 does nothing
  EXPECT_EQ(words.GetActiveSet().Count(), 0);
  net.ActivateElement({0, 2}, -0.5f);
  net.ActivateElement({0, 9}, 1.0f);
  EXPECT_EQ(net.GetElement({0, 2})->GetActivation(), -0.5f);
  EXPECT_EQ(words.GetActiveSet().Count(), 1);
  net.DeleteElement({0, 3});
  net.ActivateLayer(0, 0.5f);  // deleted elements included
  EXPECT_EQ(words.GetActiveSet().Count(), 4);
  EXPECT_EQ(net.GetElement({0, 3})->GetActivation(), 0.5f);
  net.DeactivateElement({0, 0});
  EXPECT_EQ(net.GetElement({0, 0})->GetActivation(), 0.0f);
  EXPECT_EQ(words.GetActiveSet().Find(0), -1);
  EXPECT_EQ(words.GetActiveSet().Count(), 3);

  TRelationPosition p;
  net.SetRelation({1, 0}, {0, 1}, p, 0.5f);
  net.SetRelation({1, 0}, {0, 3}, p, 0.5f);
  net.MarkRelationTargets({1, 0}, 0);
  net.MarkRelationTargets({1, 0}, 1);  // no list toward pages: nothing
  net.MarkRelationTargets({1, 0}, 5);
  EXPECT_EQ(words.GetContextSet().Count(), 2);
  EXPECT_EQ(words.GetContextSet().GetItem(0), 1);
  EXPECT_EQ(words.GetContextSet().GetItem(1), 3);
  EXPECT_EQ(net.GetLayer(1)->GetContextSet().Count(), 0);

  net.ResetLayer(0, false);
  EXPECT_EQ(words.GetActiveSet().Count(), 0);
  EXPECT_EQ(words.GetContextSet().Count(), 2);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(net.GetElement({0, i})->GetActivation(), 0.0f);
  net.ActivateElement({0, 1}, 1.0f);
  net.ActivateElement({1, 1}, 1.0f);
  net.ResetAll();
  EXPECT_EQ(words.GetActiveSet().Count(), 0);
  EXPECT_EQ(words.GetContextSet().Count(), 0);
  EXPECT_EQ(net.GetLayer(1)->GetActiveSet().Count(), 0);
  EXPECT_EQ(net.GetElement({1, 1})->GetActivation(), 0.0f);
}

}  // namespace kestrune
