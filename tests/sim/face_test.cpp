#include "sim/face.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// Conditions counted by the test: each one is a flux of its own constant.
class FaceTest : public ::testing::Test {
 protected:
  FHeat* Make() {
    functions.push_back(std::make_unique<FConstant>(static_cast<double>(functions.size())));
    return new FFlux(functions.back().get());
  }
  struct Expected {
    double lower, upper;
    FHeat* condition;
  };
  static void ExpectSegments(const Face& face, const std::vector<Expected>& segments) {
    ASSERT_EQ(face.count, static_cast<int>(segments.size()));
    for (std::size_t s = 0; s < segments.size(); ++s) {
      EXPECT_EQ(face.bounds[s], segments[s].lower) << "segment " << s;
      EXPECT_EQ(face.bounds[s + 1], segments[s].upper) << "segment " << s;
      EXPECT_EQ(face.f[s], segments[s].condition) << "segment " << s;
    }
  }
  std::vector<std::unique_ptr<Function1D>> functions;
};

TEST_F(FaceTest, InsertTrimsSplitsAndSwallowsWithTheirReferences) {
  const int before = FHeat::Instances();
  {
    Face face;
    FHeat* a = Make();
    FHeat* b = Make();
    FHeat* c = Make();
    FHeat* d = Make();
    face.Insert(Segment{0, 1, a});
    face.Insert(Segment{0.2, 0.4, b});
    ExpectSegments(face, {{0, 0.2, a}, {0.2, 0.4, b}, {0.4, 1, a}});
    EXPECT_EQ(a->Locks(), 2);
    EXPECT_EQ(b->Locks(), 1);

    face.Insert(Segment{0.3, 0.6, c});
    ExpectSegments(face, {{0, 0.2, a}, {0.2, 0.3, b}, {0.3, 0.6, c}, {0.6, 1, a}});

    face.Insert(Segment{0, 1, d});
    ExpectSegments(face, {{0, 1, d}});
    // A, B and C were held by nothing else and are gone.
    EXPECT_EQ(FHeat::Instances(), before + 1);
    EXPECT_EQ(d->Locks(), 1);
  }
  EXPECT_EQ(FHeat::Instances(), before);
}

TEST_F(FaceTest, InsertAtEitherEnd) {
  Face first, last;
  FHeat* a = Make();
  FHeat* b = Make();
  FHeat* c = Make();
  first.Insert(Segment{0, 1, a});
  last.Insert(Segment{0, 1, a});
  first.Insert(Segment{0, 0.5, b});
  ExpectSegments(first, {{0, 0.5, b}, {0.5, 1, a}});
  last.Insert(Segment{0.5, 1, c});
  ExpectSegments(last, {{0, 0.5, a}, {0.5, 1, c}});
  // One condition shared by two faces.
  EXPECT_EQ(a->Locks(), 2);
}

TEST_F(FaceTest, InsertOverAnExistingSegmentReplacesOnlyItsCondition) {
  Face face;
  FHeat* a = Make();
  FHeat* b = Make();
  FHeat* c = Make();
  face.Insert(Segment{0, 1, a});
  face.Insert(Segment{0.25, 0.75, b});
  const int before = FHeat::Instances();
  face.Insert(Segment{0.25, 0.75, c});
  ExpectSegments(face, {{0, 0.25, a}, {0.25, 0.75, c}, {0.75, 1, a}});
  EXPECT_EQ(FHeat::Instances(), before - 1);
  // Adjacent segments with one condition stay separate.
  face.Insert(Segment{0.25, 0.75, a});
  ExpectSegments(face, {{0, 0.25, a}, {0.25, 0.75, a}, {0.75, 1, a}});
  EXPECT_EQ(a->Locks(), 3);
}

TEST_F(FaceTest, ConditionStoredNowhereDiesWithTheInsertion) {
  Face face;
  FHeat* a = Make();
  face.Insert(Segment{0, 1, a});
  const int before = FHeat::Instances();
  FHeat* b = Make();
  face.Insert(Segment{0, 0.5, b});
  face.Insert(Segment{0, 0.5, a});
  EXPECT_EQ(FHeat::Instances(), before);
}

TEST_F(FaceTest, LookupKeepsTheCursorOnItsSegmentAndSearchesForward) {
  Face face;
  FHeat* a = Make();
  FHeat* b = Make();
  FHeat* c = Make();
  face.Insert(Segment{0, 1, a});
  face.Insert(Segment{0.5, 1, b});
  EXPECT_EQ(face.cursor, 0);
  face.Find(0.5);
  EXPECT_EQ(face.cursor, 1);
  // On a shared bound the current segment keeps the position.
  EXPECT_EQ(face.ConditionAt(0.5), b);
  face.cursor = 0;
  EXPECT_EQ(face.ConditionAt(0.5), a);
  EXPECT_EQ(face.ConditionAt(0.9), b);
  EXPECT_EQ(face.ConditionAt(0.1), a);
  // An insertion that leaves the cursor past the last segment resets it.
  face.Insert(Segment{0.2, 0.8, c});
  face.cursor = 3;
  face.Insert(Segment{0, 1, a});
  EXPECT_EQ(face.cursor, 0);
}

TEST_F(FaceTest, SplitNeedsTwoFreeSlots) {
  Face face;
  FHeat* a = Make();
  face.Insert(Segment{0, 1, a});
  // 98 segments, then one split makes 100.
  for (int s = 1; s < 98; ++s)
    face.Insert(Segment{s / 100.0, 1, a});
  ASSERT_EQ(face.count, 98);
  face.Insert(Segment{0.985, 0.987, Make()});
  EXPECT_EQ(face.count, 100);
}

// The editor asks before inserting so that a full side refuses instead of stopping the
// program: each kind of insertion on a side with 99 and then 100 segments.
TEST_F(FaceTest, FitsAnswersWhetherTheInsertionStaysWithinCapacity) {
  Face face;
  FHeat* a = Make();
  face.Insert(Segment{0, 1, a});
  for (int s = 1; s < 99; ++s)
    face.Insert(Segment{s / 100.0, 1, a});
  ASSERT_EQ(face.count, 99);
  // Segment 98 spans [0.98, 1].
  EXPECT_FALSE(face.Fits(0.985, 0.987));  // a split needs two slots
  EXPECT_TRUE(face.Fits(0.005, 0.015));   // over one bound: one slot
  face.Insert(Segment{0.005, 0.015, Make()});
  ASSERT_EQ(face.count, 100);
  EXPECT_FALSE(face.Fits(0.025, 0.035));
  EXPECT_FALSE(face.Fits(0.985, 0.987));
  EXPECT_TRUE(face.Fits(0.98, 1));     // exactly one segment: replaced in place
  EXPECT_TRUE(face.Fits(0.5, 0.705));  // swallows segments: the count drops
  const int before = face.count;
  face.Insert(Segment{0.5, 0.705, Make()});
  EXPECT_LT(face.count, before);
  EXPECT_TRUE(face.Fits(0.025, 0.035));
}

TEST_F(FaceTest, SlotOperations) {
  Face face;
  FHeat* a = Make();
  FHeat* b = Make();
  face.Insert(Segment{0, 1, a});
  face.Insert(Segment{0.5, 1, b});
  face.Append(2);
  EXPECT_EQ(face.count, 4);
  EXPECT_EQ(face.f[2], nullptr);
  EXPECT_EQ(face.f[3], nullptr);
  face.bounds[3] = 2;
  face.bounds[4] = 3;
  face.OpenSpace(1, 1);
  EXPECT_EQ(face.count, 5);
  EXPECT_EQ(face.f[0], a);
  EXPECT_EQ(face.f[1], nullptr);
  EXPECT_EQ(face.f[2], b);
  EXPECT_EQ(face.bounds[2], 0.5);
  EXPECT_EQ(face.bounds[5], 3);
  const int alive = FHeat::Instances();
  face.Remove(1, 3);
  EXPECT_EQ(FHeat::Instances(), alive - 1);  // b was held by the removed slot only
  EXPECT_EQ(face.count, 2);
  EXPECT_EQ(face.f[0], a);
  EXPECT_EQ(face.f[1], nullptr);
  EXPECT_EQ(face.bounds[1], 2);
  EXPECT_EQ(face.bounds[2], 3);
}

TEST_F(FaceTest, DefaultSidesReleaseEveryConditionOnDestruction) {
  const int before = FHeat::Instances();
  {
    auto north = std::make_unique<Face>();
    auto south = std::make_unique<Face>();
    auto east = std::make_unique<Face>();
    auto west = std::make_unique<Face>();
    FHeat* insulated = Make();
    north->Insert(Segment{0, 1, insulated});
    south->Insert(Segment{0, 1, insulated});
    east->Insert(Segment{0, 1, Make()});
    west->Insert(Segment{0, 1, Make()});
    EXPECT_EQ(FHeat::Instances(), before + 3);
  }
  EXPECT_EQ(FHeat::Instances(), before);
}

TEST_F(FaceTest, InvariantsStopWithTheirText) {
  Face face;
  FHeat* a = Make();
  face.Insert(Segment{0, 1, a});
  EXPECT_DEATH(face.Insert(Segment{0.5, 0.5, a}), "segment.lower < segment.upper.*sim/face");
  EXPECT_DEATH(face.Find(2), "idx!=last");
  EXPECT_DEATH(face.Remove(1, 1), "idx>=0 && idx<count");
}

}  // namespace
