// The network file "ASNF": a file written byte by byte from the layout (not
// by our writer) read back and reproduced by the writer, the older layout,
// corrupt files and every result code.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <random>
#include <string>

#include "core/frame.h"
#include "network/asn.h"
#include "platform/files.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

// ---- bytes by hand ----

std::string I8(int8_t v) { return std::string(1, static_cast<char>(v)); }
std::string I32(int32_t v) {
  std::string s(4, '\0');
  std::memcpy(s.data(), &v, 4);
  return s;
}
std::string F32(float v) {
  std::string s(4, '\0');
  std::memcpy(s.data(), &v, 4);
  return s;
}
std::string U16(uint16_t v) { return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }

// A tag: numbers below 128 have u8 tag*2 and a u8 length; below 16384 a u16
// tag*2+1 and a u16 length; above, a u16 tag*2+1 and a u32 length.
std::string Tag(int tag, const std::string& body) {
  const auto len = static_cast<uint32_t>(body.size());
  if (tag < 128) return std::string{static_cast<char>(tag * 2), static_cast<char>(len)} + body;
  if (tag < 16384) return U16(static_cast<uint16_t>(tag * 2 + 1)) + U16(static_cast<uint16_t>(len)) + body;
  return U16(static_cast<uint16_t>(tag * 2 + 1)) + I32(static_cast<int32_t>(len)) + body;
}

std::string Frame(uint32_t version, const char* magic = "ASNF") {
  return std::string(magic, 4) + I32(0) + I32(static_cast<int32_t>(version)) + I32(0);
}

std::string ElementBlock(float threshold, float kInh, float kStim, float activation, float anchor, int32_t id) {
  return F32(threshold) + F32(kInh) + F32(kStim) + F32(activation) + F32(anchor) + I32(id);
}

std::string List(int8_t targetLayer, const std::vector<std::pair<int32_t, float>>& pairs) {
  std::string body = I8(targetLayer) + I32(static_cast<int32_t>(pairs.size()));
  for (const auto& [t, w] : pairs) body += I32(t) + F32(w);
  return Tag(16384, body);
}

// The parts of the sample file, so that tests can break one of them.
struct Sample {
  std::string frame = Frame(1);
  std::string check = Tag(32, I32(555) + I32(777));
  std::string layers = Tag(128, I8(2) + Tag(64, I32(3) + F32(0.0f) + F32(5.0f)) + Tag(64, I32(1) + F32(0.5f) + F32(-1.0f)));
  std::string elements =
      Tag(16385, Tag(16387, I8(0) + Tag(129, ElementBlock(0.001f, 1.0f, 1.0f, 0.0f, 1.0f, 0)) +
                                Tag(129, ElementBlock(0.001f, 1.0f, 1.0f, 0.0f, 0.0f, 1)) +
                                Tag(129, ElementBlock(0.002f, 0.5f, 0.75f, 0.0f, -1.0f, 2))) +
                     Tag(16387, I8(1) + Tag(129, ElementBlock(0.001f, 1.0f, 1.0f, 0.0f, 1.0f, 0))));
  std::string relations =
      Tag(16386, Tag(16387, I8(0) +
                                Tag(16388, I32(0) + I8(2) + List(0, {{1, 0.16f}, {2, 0.04f}}) + List(1, {{0, 0.7f}})) +
                                Tag(16388, I32(1) + I8(1) + List(0, {{0, 0.16f}})) + Tag(16388, I32(2) + I8(0))) +
                     Tag(16387, I8(1) + Tag(16388, I32(0) + I8(1) + List(0, {{2, 0.5f}, {0, 0.7f}}))));

  std::string Bytes() const { return frame + check + layers + elements + relations; }
};

std::string SaveToString(TIASN& net) {
  TMemoryStream stream;
  EXPECT_EQ(net.SaveToStream(stream), 0);
  return std::string(stream.Bytes().begin(), stream.Bytes().end());
}

int32_t LoadString(TIASN& net, const std::string& bytes) {
  TMemoryStream stream(bytes.data(), bytes.size());
  return net.LoadFromStream(stream);
}

int32_t LoadLegacyString(TIASN& net, const std::string& bytes) {
  TMemoryStream stream(bytes.data(), bytes.size());
  return net.LoadLegacyFromStream(stream);
}

std::vector<std::pair<int32_t, float>> Nodes(const TIASN& net, TASNAddress a, int8_t targetLayer) {
  std::vector<std::pair<int32_t, float>> nodes;
  const int32_t list = net.FindRelationList(a, targetLayer);
  if (list < 0) return nodes;
  const TLayerRelations& l = *net.GetElement(a)->GetRelationList(list);
  for (int32_t i = 0; i < l.Count(); ++i) nodes.emplace_back(l.Target(i), l.Weights[i]);
  return nodes;
}

using Pairs = std::vector<std::pair<int32_t, float>>;

// Same layers, elements and relation lists (node order included).
void ExpectSameNetwork(const TIASN& a, const TIASN& b) {
  ASSERT_EQ(a.LayerCount(), b.LayerCount());
  for (int8_t l = 0; l < a.LayerCount(); ++l) {
    const TASNLayer& la = *a.GetLayer(l);
    const TASNLayer& lb = *b.GetLayer(l);
    EXPECT_EQ(la.GetParam(), lb.GetParam());
    EXPECT_EQ(la.GetBudget(), lb.GetBudget());
    ASSERT_EQ(la.GetCount(), lb.GetCount());
    for (int32_t i = 0; i < la.GetCount(); ++i) {
      const TASNElement& ea = *la.GetElement(i);
      const TASNElement& eb = *lb.GetElement(i);
      EXPECT_EQ(ea.GetThreshold(), eb.GetThreshold());
      EXPECT_EQ(ea.GetKInh(), eb.GetKInh());
      EXPECT_EQ(ea.GetKStim(), eb.GetKStim());
      EXPECT_EQ(ea.GetAnchor(), eb.GetAnchor());
      // The reader makes a list only for its first relation, so lists that
      // were emptied by deletions do not come back.
      std::vector<int8_t> ta, tb;
      for (int32_t k = 0; k < ea.GetRelationListCount(); ++k) {
        if (ea.GetRelationCount(k) > 0) ta.push_back(ea.GetRelationList(k)->TargetLayer);
      }
      for (int32_t k = 0; k < eb.GetRelationListCount(); ++k) {
        if (eb.GetRelationCount(k) > 0) tb.push_back(eb.GetRelationList(k)->TargetLayer);
      }
      ASSERT_EQ(ta, tb);
      for (const int8_t t : ta) EXPECT_EQ(Nodes(a, {l, i}, t), Nodes(b, {l, i}, t));
    }
  }
}

}  // namespace

TEST(ASNFile, HandWrittenFileReadsBackAndTheWriterReproducesIt) {
  const std::string bytes = Sample().Bytes();
  TIASN net;
  ASSERT_EQ(LoadString(net, bytes), 0);
  ASSERT_EQ(net.LayerCount(), 2);
  EXPECT_EQ(net.GetLayer(0)->GetBudget(), 5.0f);
  EXPECT_EQ(net.GetLayer(1)->GetParam(), 0.5f);
  EXPECT_EQ(net.GetLayer(1)->GetBudget(), -1.0f);
  ASSERT_EQ(net.GetLayer(0)->GetCount(), 3);
  ASSERT_EQ(net.GetLayer(1)->GetCount(), 1);
  const TASNElement& e2 = *net.GetElement({0, 2});
  EXPECT_EQ(e2.GetThreshold(), 0.002f);
  EXPECT_EQ(e2.GetKInh(), 0.5f);
  EXPECT_EQ(e2.GetKStim(), 0.75f);
  EXPECT_EQ(e2.GetAnchor(), -1.0f);
  EXPECT_EQ(e2.GetId(), 2);
  EXPECT_EQ(net.GetElement({0, 1})->GetAnchor(), 0.0f);
  EXPECT_EQ(Nodes(net, {0, 0}, 0), (Pairs{{1, 0.16f}, {2, 0.04f}}));
  EXPECT_EQ(Nodes(net, {0, 0}, 1), (Pairs{{0, 0.7f}}));
  EXPECT_EQ(net.FindRelationList({0, 0}, 1), 1);
  EXPECT_EQ(Nodes(net, {0, 1}, 0), (Pairs{{0, 0.16f}}));
  EXPECT_EQ(net.GetElement({0, 2})->GetRelationListCount(), 0);
  EXPECT_EQ(Nodes(net, {1, 0}, 0), (Pairs{{2, 0.5f}, {0, 0.7f}}));

  EXPECT_EQ(SaveToString(net), bytes);
}

TEST(ASNFile, StoredActivationAndIdAreNotUsed) {
  Sample s;
  s.elements = Tag(16385, Tag(16387, I8(0) + Tag(129, ElementBlock(0.001f, 1, 1, 0.75f, 1, 900)) +
                                         Tag(129, ElementBlock(0.001f, 1, 1, 0.5f, 1, 901)) +
                                         Tag(129, ElementBlock(0.001f, 1, 1, 0.25f, 1, 902))) +
                              Tag(16387, I8(1) + Tag(129, ElementBlock(0.001f, 1, 1, 1, 1, 7))));
  TIASN net;
  ASSERT_EQ(LoadString(net, s.Bytes()), 0);
  for (int8_t l = 0; l < 2; ++l) {
    for (int32_t i = 0; i < net.GetLayer(l)->GetCount(); ++i) {
      EXPECT_EQ(net.GetElement({l, i})->GetActivation(), 0.0f);
      EXPECT_EQ(net.GetElement({l, i})->GetId(), i);
    }
  }
  EXPECT_EQ(net.GetLayer(0)->GetActiveSet().Count(), 0);
}

TEST(ASNFile, EmptyLayersWriteTheirTags) {
  TIASN net;
  net.AddLayer(0.0f, 5.0f);
  net.AddLayer(0.0f, -1.0f);
  const std::string expected = Frame(1) + Tag(32, I32(555) + I32(777)) +
                               Tag(128, I8(2) + Tag(64, I32(0) + F32(0) + F32(5.0f)) + Tag(64, I32(0) + F32(0) + F32(-1.0f))) +
                               Tag(16385, Tag(16387, I8(0)) + Tag(16387, I8(1))) +
                               Tag(16386, Tag(16387, I8(0)) + Tag(16387, I8(1)));
  EXPECT_EQ(SaveToString(net), expected);
  TIASN back;
  ASSERT_EQ(LoadString(back, expected), 0);
  ASSERT_EQ(back.LayerCount(), 2);
  EXPECT_EQ(back.GetLayer(0)->GetBudget(), 5.0f);
  EXPECT_EQ(back.GetLayer(1)->GetBudget(), -1.0f);
  EXPECT_EQ(back.GetLayer(0)->GetCount(), 0);
}

TEST(ASNFile, RoundTripKeepsNodeOrder) {
  TIASN net;
  net.AddLayer(0.0f, 5.0f);
  net.AddLayer(0.0f, -1.0f);
  std::mt19937 rng(99);
  for (int i = 0; i < 300; ++i) net.AddElement(0, i, 0.001f, (i % 7) ? 1.0f : 0.0f, 1.0f, 1.0f);
  for (int i = 0; i < 40; ++i) net.AddElement(1, i, 0.001f, 1.0f, 0.5f, 0.25f);
  TRelationPosition p;
  for (int k = 0; k < 5000; ++k) {
    const TASNAddress from{static_cast<int8_t>(rng() % 2), static_cast<int32_t>(rng() % 40)};
    const TASNAddress to{static_cast<int8_t>(rng() % 2), static_cast<int32_t>(rng() % 40)};
    if (rng() % 4 == 0) {
      net.DeleteRelation(from, to);
    } else {
      net.SetRelation(from, to, p, static_cast<float>(rng() % 10000) / 7919.0f);
    }
  }
  net.DeleteElement({0, 5});
  net.ActivateElement({0, 3}, 0.5f);
  const std::string bytes = SaveToString(net);
  TIASN back;
  ASSERT_EQ(LoadString(back, bytes), 0);
  ExpectSameNetwork(net, back);
  EXPECT_EQ(back.GetElement({0, 3})->GetActivation(), 0.0f);
  // From then on a save and a load reproduce the same bytes.
  const std::string again = SaveToString(back);
  TIASN third;
  ASSERT_EQ(LoadString(third, again), 0);
  EXPECT_EQ(SaveToString(third), again);
}

// Each broken part gives -1 (or the frame's own code) and keeps what was read
// before the fault.
TEST(ASNFile, MalformedFilesAndResultCodes) {
  struct Case {
    const char* name;
    void (*breakIt)(Sample&);
    int32_t result;
    int layers;     // layers left behind
    int elements;   // elements of layer 0 left behind
  };
  const Case cases[] = {
      {"wrong magic", [](Sample& s) { s.frame = Frame(1, "ASNX"); }, -4, 0, 0},
      {"version 2", [](Sample& s) { s.frame = Frame(2); }, -10, 0, 0},
      {"version 0", [](Sample& s) { s.frame = Frame(0); }, -10, 0, 0},
      {"first tag not 32", [](Sample& s) { s.check = Tag(33, I32(555) + I32(777)); }, -1, 0, 0},
      {"short tag 32", [](Sample& s) { s.check = Tag(32, I32(555)); }, -1, 0, 0},
      {"layers tag not 128", [](Sample& s) { s.layers = Tag(129, s.layers.substr(4)); }, -1, 0, 0},
      {"negative layer count", [](Sample& s) { s.layers = Tag(128, I8(-1)); }, -1, 0, 0},
      {"layer count beyond its tags",
       [](Sample& s) { s.layers = Tag(128, I8(3) + Tag(64, I32(3) + F32(0.0f) + F32(5.0f))); }, -1, 0, 0},
      {"huge element count",
       [](Sample& s) {
         s.layers = Tag(128, I8(2) + Tag(64, I32(0x7FFFFFFF) + F32(0.0f) + F32(5.0f)) +
                                Tag(64, I32(1) + F32(0.5f) + F32(-1.0f)));
       },
       -1, 2, 0},
      {"elements tag missing", [](Sample& s) { s.elements.clear(); }, -1, 2, 0},
      {"element layer byte wrong", [](Sample& s) { s.elements[6 + 6] = 1; }, -1, 2, 0},
      {"element tag not 129", [](Sample& s) { s.elements[6 + 7] = static_cast<char>(130 * 2 + 1); }, -1, 2, 0},
      {"relations before elements", [](Sample& s) { std::swap(s.elements, s.relations); }, -1, 2, 0},
      {"relations tag missing", [](Sample& s) { s.relations.clear(); }, -1, 2, 3},
      {"relations layer byte wrong", [](Sample& s) { s.relations[12] = 5; }, -1, 2, 3},
      {"element relations tag wrong", [](Sample& s) { s.relations[13] = static_cast<char>(16389 * 2 + 1); }, -1, 2, 3},
      {"list tag wrong",
       [](Sample& s) { s.relations[13 + 6 + 5] = static_cast<char>((16383 * 2 + 1) & 0xFF); }, -1, 2, 3},
      {"negative list count", [](Sample& s) { s.relations[13 + 6 + 4] = static_cast<char>(-1); }, -1, 2, 3},
      {"huge relation count",
       [](Sample& s) {
         const std::string n = I32(0x10000000);
         s.relations.replace(13 + 6 + 5 + 6 + 1, 4, n);
       },
       -1, 2, 3},
      {"tags longer than the file, huge relation count",
       [](Sample& s) {
         const std::string lie = I32(0x7FFFFFFF);
         s.relations = U16(16386 * 2 + 1) + lie + U16(16387 * 2 + 1) + lie + I8(0) + U16(16388 * 2 + 1) + lie + I32(0) +
                       I8(1) + U16(16384 * 2 + 1) + lie + I8(0) + I32(0x08000000) + I32(1) + F32(0.5f);
       },
       -1, 2, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Sample s;
    c.breakIt(s);
    TIASN net;
    EXPECT_EQ(LoadString(net, s.Bytes()), c.result);
    EXPECT_EQ(net.LayerCount(), c.layers);
    if (c.layers > 0) {
      EXPECT_EQ(net.GetLayer(0)->GetCount(), c.elements);
    }
  }
}

TEST(ASNFile, EveryTruncationFails) {
  const std::string bytes = Sample().Bytes();
  for (size_t len = 0; len < bytes.size(); ++len) {
    TIASN net;
    const int32_t result = LoadString(net, bytes.substr(0, len));
    // A partial frame: the magic needs 4 bytes, the version's low byte 9.
    if (len < 9) {
      EXPECT_EQ(result, len < 4 ? -4 : -10) << len;
    } else {
      EXPECT_EQ(result, -1) << len;
    }
  }
}

TEST(ASNFile, StreamLoadReplacesTheNetworkOnlyAfterTheFrame) {
  TIASN net;
  net.AddLayer(0.0f, 1.0f);
  net.AddElement(0, 0, 0, 1, 1, 1);
  Sample s;
  s.frame = Frame(1, "ASNX");
  EXPECT_EQ(LoadString(net, s.Bytes()), -4);
  EXPECT_EQ(net.LayerCount(), 1);
  EXPECT_EQ(LoadString(net, Sample().Bytes()), 0);
  EXPECT_EQ(net.LayerCount(), 2);
  EXPECT_EQ(net.GetLayer(0)->GetCount(), 3);
}

// ---- the older layout ----

namespace {

std::string LegacyElement(float threshold, float anchor, int8_t layer) {
  return Tag(2, F32(threshold) + F32(1.0f) + F32(1.0f) + F32(0.25f) + F32(anchor) + I8(layer));
}

std::string LegacyRelations(int32_t source, const std::vector<std::pair<int32_t, float>>& pairs) {
  std::string body = I32(source) + I32(static_cast<int32_t>(pairs.size()));
  for (const auto& [t, w] : pairs) body += I32(t) + F32(w);
  return Tag(16385, body);
}

std::string LegacySample() {
  return Frame(0) + Tag(1, I32(4) + I32(2)) + LegacyElement(0.001f, 1.0f, 0) + LegacyElement(0.002f, 0.0f, 0) +
         LegacyElement(0.003f, 1.0f, 1) + LegacyElement(0.004f, 1.0f, 9) +  // names no layer
         LegacyRelations(0, {{1, 0.16f}, {2, 0.7f}, {3, 0.9f}, {17, 0.5f}}) +
         // Another tag is skipped whole, even when it holds what looks like a relation tag.
         Tag(7, LegacyRelations(1, {{0, 0.3f}})) +
         LegacyRelations(2, {{0, 0.7f}}) + LegacyRelations(25, {{0, 0.1f}}) + Tag(16385, I32(1) + I32(-3));
}

}  // namespace

TEST(ASNFile, LegacyLayout) {
  TIASN net;
  ASSERT_EQ(LoadLegacyString(net, LegacySample()), 0);
  ASSERT_EQ(net.LayerCount(), 2);
  for (int8_t l = 0; l < 2; ++l) {
    EXPECT_EQ(net.GetLayer(l)->GetBudget(), 20.0f);
    EXPECT_EQ(net.GetLayer(l)->GetParam(), 0.0f);
  }
  ASSERT_EQ(net.GetLayer(0)->GetCount(), 2);
  ASSERT_EQ(net.GetLayer(1)->GetCount(), 1);
  EXPECT_EQ(net.GetElement({0, 1})->GetThreshold(), 0.002f);
  EXPECT_EQ(net.GetElement({0, 1})->GetAnchor(), 0.0f);
  EXPECT_EQ(net.GetElement({0, 1})->GetActivation(), 0.0f);
  EXPECT_EQ(net.GetElement({1, 0})->GetThreshold(), 0.003f);
  EXPECT_EQ(net.GetElement({1, 0})->GetId(), 0);
  EXPECT_EQ(Nodes(net, {0, 0}, 0), (Pairs{{1, 0.16f}}));
  EXPECT_EQ(Nodes(net, {0, 0}, 1), (Pairs{{0, 0.7f}}));
  EXPECT_TRUE(Nodes(net, {0, 1}, 0).empty());
  EXPECT_EQ(Nodes(net, {1, 0}, 0), (Pairs{{0, 0.7f}}));

  // Version 1 is refused by the legacy reader, and the other way round.
  EXPECT_EQ(LoadLegacyString(net, Sample().Bytes()), -10);
  EXPECT_EQ(LoadString(net, LegacySample()), -10);
  EXPECT_EQ(LoadLegacyString(net, "ASNX" + LegacySample().substr(4)), -4);

  struct Case {
    const char* name;
    std::string bytes;
  };
  const std::string head = Frame(0) + Tag(1, I32(1) + I32(1)) + LegacyElement(0.001f, 1.0f, 0);
  for (const Case& c : {Case{"no counts", Frame(0)}, Case{"short counts", Frame(0) + Tag(1, I32(1))},
                        Case{"too many layers", Frame(0) + Tag(1, I32(0) + I32(200))},
                        Case{"negative element count", Frame(0) + Tag(1, I32(-1) + I32(1))},
                        Case{"element count beyond the file", Frame(0) + Tag(1, I32(100000000) + I32(1))},
                        Case{"short element", Frame(0) + Tag(1, I32(1) + I32(1)) + Tag(2, F32(1))},
                        Case{"huge relation count", head + Tag(16385, I32(0) + I32(0x20000000) + I32(0) + F32(1))},
                        Case{"short relation header", head + Tag(16385, I32(0))},
                        Case{"relation tag longer than the file", head + U16(16385 * 2 + 1) + I32(0x7FFFFFFF) + I32(0) +
                                                                      I32(0x08000000) + I32(0) + F32(1)}}) {
    TIASN broken;
    EXPECT_EQ(LoadLegacyString(broken, c.bytes), -1) << c.name;
  }
}

// ---- files ----

TEST(ASNFile, FileResultCodesAndProgress) {
  test::TempDir dir;
  TIASN net;
  int progress = 0;
  net.OnProgressChange = [&](int32_t value) {
    EXPECT_EQ(value, 100);
    ++progress;
  };
  const std::u16string file = dir.WFile("B.inn");
  EXPECT_EQ(net.SaveToFile(u""), -2);
  EXPECT_EQ(net.LoadFromFile(u""), -2);
  EXPECT_EQ(net.LoadLegacy(u""), -2);
  EXPECT_EQ(net.LoadFromFile(file), -3);
  EXPECT_EQ(net.LoadLegacy(file), -3);

  // No layer: -5, and an existing file stays as it is.
  test::WriteFileBytes(dir.File("B.inn"), "keep");
  EXPECT_EQ(net.SaveToFile(file), -5);
  EXPECT_EQ(test::ReadFileBytes(dir.File("B.inn")), "keep");
  EXPECT_EQ(progress, 0);

  ASSERT_EQ(LoadString(net, Sample().Bytes()), 0);
  EXPECT_EQ(net.SaveToFile(file), 0);
  EXPECT_EQ(progress, 1);
  EXPECT_EQ(test::ReadFileBytes(dir.File("B.inn")), Sample().Bytes());
  TIASN back;
  back.OnProgressChange = net.OnProgressChange;
  EXPECT_EQ(back.LoadFromFile(file), 0);
  EXPECT_EQ(progress, 2);
  ExpectSameNetwork(net, back);

  // A failed load reports progress too, and leaves the network cleared.
  Sample v2;
  v2.frame = Frame(2);
  test::WriteFileBytes(dir.File("v2.inn"), v2.Bytes());
  EXPECT_EQ(back.LoadFromFile(dir.WFile("v2.inn")), -10);
  EXPECT_EQ(back.LayerCount(), 0);
  EXPECT_EQ(progress, 3);
  test::WriteFileBytes(dir.File("bad.inn"), "ASNX" + Sample().Bytes().substr(4));
  EXPECT_EQ(back.LoadFromFile(dir.WFile("bad.inn")), -4);
  EXPECT_EQ(back.LoadLegacy(dir.WFile("bad.inn")), -4);

  // Version 0: refused by LoadFromFile, read by LoadLegacy.
  test::WriteFileBytes(dir.File("old.inn"), LegacySample());
  EXPECT_EQ(back.LoadFromFile(dir.WFile("old.inn")), -10);
  EXPECT_EQ(back.LoadLegacy(dir.WFile("old.inn")), 0);
  EXPECT_EQ(back.LayerCount(), 2);
  EXPECT_EQ(back.LoadLegacy(file), -10);
  EXPECT_EQ(back.LayerCount(), 0);

  // A folder cannot be written over.
  EXPECT_EQ(net.SaveToFile(dir.WPath()), -1);
}

TEST(ASNFile, SaveKeepsAReadOnlyFileReadOnly) {
  test::TempDir dir;
  const std::string path = dir.File("ro.inn");
  test::WriteFileBytes(path, "old");
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  TIASN net;
  ASSERT_EQ(LoadString(net, Sample().Bytes()), 0);
  EXPECT_EQ(net.SaveToFile(dir.WFile("ro.inn")), 0);
  EXPECT_EQ(test::ReadFileBytes(path), Sample().Bytes());
  struct stat st{};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
  EXPECT_TRUE(platform::GetPathInfo(dir.WFile("ro.inn")).readOnly);

  // A plain file keeps its mode across the save.
  const std::string plain = dir.File("plain.inn");
  test::WriteFileBytes(plain, "old");
  ASSERT_EQ(chmod(plain.c_str(), 0640), 0);
  EXPECT_EQ(net.SaveToFile(dir.WFile("plain.inn")), 0);
  ASSERT_EQ(stat(plain.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

}  // namespace kestrune
