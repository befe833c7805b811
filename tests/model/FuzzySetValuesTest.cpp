// Tests of the point store: one point and its clamping, the edit rules that keep a point list
// sorted and at most three points deep on one X, the bulk clean-up, the expansions, the
// statistics, SkipX/SkipY, the point-walk routines and the enumerator.
#include "tarnwick/model/FuzzySetValues.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "ModelTestSupport.h"
#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/Format.h"
#include "tarnwick/platform/detail/BlockCache.h"

namespace tarnwick {
namespace {

using ::testing::ElementsAre;
using test::AddEach;
using test::Near;
using test::PointsOf;
using test::TRangedSet;

// The point literals here are many: P for short.
using P = test::Pt;

// Adds the points inside one update block: they are sorted and thinned once, at its end.
void AddBulk(TFuzzySetValues& V, std::initializer_list<P> Pts) {
  TUpdateBlock<TCollection> Block(V);
  AddEach(V, Pts);
}

constexpr TFzyFloat kMax = 2147483647.0;

// ---------------------------------------------------------------------------------------------
// Tolerance

TEST(FuzzySetValuesTolerance, FloatEqualsIsAClosedIntervalOfOneTenThousandth) {
  EXPECT_TRUE(FloatEquals(0, 1e-4));
  EXPECT_TRUE(FloatEquals(1e-4, 0));
  EXPECT_TRUE(FloatEquals(5, 5.00009));
  EXPECT_FALSE(FloatEquals(5, 5.00011));
  EXPECT_FALSE(FloatEquals(5.00011, 5));
  // As doubles 2.5001 - 2.5 is a little over 1e-4, but 2.5001 is 2.5 + 1e-4 as that rounds: the
  // interval is what counts, as it is for the one-sided tests of the point list.
  EXPECT_TRUE(FloatEquals(2.5001, 2.5));
  EXPECT_TRUE(FloatEquals(2.5, 2.5001));
  EXPECT_TRUE(FloatEquals(100.0001, 100));
  EXPECT_TRUE(FloatEquals(2.5 + 1e-4, 2.5));
  EXPECT_FALSE(FloatEquals(std::nextafter(2.5 + 1e-4, 3.0), 2.5));
  EXPECT_EQ(Sign(2.5), 1);
  EXPECT_EQ(Sign(-1e-300), -1);
  EXPECT_EQ(Sign(0.0), 0);
  EXPECT_EQ(Sign(-0.0), 0);
}

// ---------------------------------------------------------------------------------------------
// One point

TEST(FuzzySetValue, ANewPointFollowsTheLastOne) {
  TFuzzySetValues V(nullptr);
  TFuzzySetValue* First = V.Add();
  EXPECT_EQ((P{First->GetX(), First->GetY()}), (P{0, 0}));
  V.Add(7, 0.5);
  TFuzzySetValue* Next = V.Add();
  EXPECT_EQ((P{Next->GetX(), Next->GetY()}), (P{8, 0}));
  EXPECT_EQ(V.GetItem(2), Next);

  TFuzzySetValue Loose(nullptr);
  EXPECT_EQ((P{Loose.GetX(), Loose.GetY()}), (P{0, 0}));
}

TEST(FuzzySetValue, ANewPointsXIsNotClampedIntoTheRange) {
  TFuzzySet Set(nullptr);
  Set.GetValues()->Add(3e9, 0);
  EXPECT_EQ(Set.GetValues()->GetItem(0)->GetX(), kMax);
  EXPECT_EQ(Set.GetValues()->Add()->GetX(), kMax + 1);
}

TEST(FuzzySetValue, APointJoinsOnlyAPointList) {
  TCollection Other(TCollectionItemClass::Of<TFuzzySetValue>());
  EXPECT_THROW_MSG(new TFuzzySetValue(&Other), EInvalidCast, "Invalid class typecast");
  EXPECT_EQ(Other.GetCount(), 0);
}

// Points take their memory from blocks that the points dying in the same thread left behind.
// Whatever thread made a point, it may die in any other, also after its maker ended; a point of
// a class too large for a block has memory of its own (the leak and address checkers of the ci
// build see a block kept past its thread's end or used after its point died).
TEST(FuzzySetValue, PointsLiveAndDieInAnyThread) {
  class TLargePoint : public TFuzzySetValue {
   public:
    using TFuzzySetValue::TFuzzySetValue;
    char Payload[64] = {};
  };
  constexpr int Count = static_cast<int>(detail::kPointCacheBytes / sizeof(TFuzzySetValue)) + 100;
  const auto DegreeOf = [](int I) { return 0.25 * (1 + I % 3); };  // no two neighbours alike
  auto Handed = std::make_unique<TFuzzySetValues>(nullptr);
  std::thread Maker([&] {
    TFuzzySetValues Kept(nullptr);
    for (int I = 0; I < 2 * Count; ++I) {
      TFuzzySetValues& Into = I % 2 == 0 ? *Handed : Kept;
      TFuzzySetValue* Point = I % 7 == 0 ? new TLargePoint(&Into) : Into.Add();
      Point->SetValue(I, DegreeOf(I / 2));
    }
    Kept.Clear();  // more than the thread keeps blocks for
    for (int I = 0; I < Count; ++I) Kept.Add(I, 1);
  });
  Maker.join();
  ASSERT_EQ(Handed->GetCount(), Count);
  for (int I = 0; I < Count; ++I) {
    EXPECT_EQ(((*Handed)[I]->GetX()), 2 * I);
    EXPECT_EQ(((*Handed)[I]->GetY()), DegreeOf(I));
  }
  Handed.reset();
}

TEST(FuzzySetValue, SetYTurnsOnlyNegativeValuesIntoZero) {
  TFuzzySet Set(nullptr);
  TFuzzySetValues Loose(nullptr);
  TFuzzySetValue Alone(nullptr);
  for (TFuzzySetValue* Pt : {Set.GetValues()->Add(), Loose.Add(), &Alone}) {
    Pt->SetY(-0.5);
    EXPECT_EQ(Pt->GetY(), 0);
    Pt->SetY(1.7);
    EXPECT_EQ(Pt->GetY(), 1.7);
  }
}

TEST(FuzzySetValue, SetXIsHeldInTheSetsRange) {
  TRangedSet Ranged(0, 10);
  TFuzzySetValue* Pt = Ranged.GetValues()->Add();
  Pt->SetX(12);
  EXPECT_EQ(Pt->GetX(), 10);
  Pt->SetX(-1);
  EXPECT_EQ(Pt->GetX(), 0);

  TFuzzySet Unbounded(nullptr);
  Pt = Unbounded.GetValues()->Add();
  Pt->SetX(3e9);
  EXPECT_EQ(Pt->GetX(), kMax);
  Pt->SetX(-3e9);
  EXPECT_EQ(Pt->GetX(), -kMax);

  TFuzzySetValues Loose(nullptr);
  Pt = Loose.Add();
  Pt->SetX(12);
  EXPECT_EQ(Pt->GetX(), 12);
  Pt->SetX(3e9);
  EXPECT_EQ(Pt->GetX(), 3e9);
}

TEST(FuzzySetValue, SetValueClampsOnlyInAListOfASet) {
  TFuzzySetValues Loose(nullptr);
  TFuzzySetValue* Pt = Loose.Add();
  Pt->SetValue(3, -1);
  EXPECT_EQ((P{Pt->GetX(), Pt->GetY()}), (P{3, -1}));

  TFuzzySetValue Alone(nullptr);
  Alone.SetValue(3e9, -1);
  EXPECT_EQ((P{Alone.GetX(), Alone.GetY()}), (P{3e9, -1}));

  TRangedSet Ranged(0, 10);
  Pt = Ranged.GetValues()->Add();
  Pt->SetValue(12, -1);
  EXPECT_EQ((P{Pt->GetX(), Pt->GetY()}), (P{10, 0}));
  Pt->SetValue(-4, 1.5);
  EXPECT_EQ((P{Pt->GetX(), Pt->GetY()}), (P{0, 1.5}));
}

TEST(FuzzySetValue, EqualsComparesBothCoordinatesWithinTheTolerance) {
  struct Case {
    P A, B;
    bool Expected;
  };
  static const Case kCases[] = {
      {{5, 1}, {5, 1}, true},
      {{5, 1}, {5.00009, 0.99991}, true},
      {{5, 1}, {5.00011, 1}, false},
      {{5, 1}, {5, 1.00011}, false},
      {{0, 0}, {-0.00009, 0.00009}, true},
  };
  for (const Case& C : kCases) {
    TFuzzySetValue A(nullptr), B(nullptr);
    A.SetValue(C.A.X, C.A.Y);
    B.SetValue(C.B.X, C.B.Y);
    EXPECT_EQ(A.Equals(&B), C.Expected) << C.A << " " << C.B;
    EXPECT_EQ(B.Equals(&A), C.Expected) << C.B << " " << C.A;
  }
}

TEST(FuzzySetValue, AssignCopiesBothCoordinatesAsOneEdit) {
  TFuzzySetValue Source(nullptr);
  Source.SetValue(3e9, -1);
  TFuzzySetValue Alone(nullptr);
  Alone.Assign(&Source);
  EXPECT_EQ((P{Alone.GetX(), Alone.GetY()}), (P{3e9, -1}));

  TFuzzySet Set(nullptr);
  TFuzzySetValue* Owned = Set.GetValues()->Add();
  Owned->Assign(&Source);
  EXPECT_EQ((P{Owned->GetX(), Owned->GetY()}), (P{kMax, 0}));

  TFuzzySet NotAPoint(nullptr);
  EXPECT_THROW_MSG(Alone.Assign(&NotAPoint), EConvertError, "Cannot assign a TFuzzySet to a TFuzzySetValue");
}

// ---------------------------------------------------------------------------------------------
// The edit rules

class FuzzySetValuesEdit : public testing::Test {
 protected:
  TFuzzySet Set{nullptr};
  TFuzzySetValues& V = *Set.GetValues();
};

TEST_F(FuzzySetValuesEdit, AnEqualPointTakesThePlaceOfTheEarlierCopy) {
  TFuzzySetValue* First = V.Add(5, 1);
  TFuzzySetValue* Second = V.Add(5, 1);
  EXPECT_THAT(PointsOf(V), ElementsAre(P{5, 1}));
  EXPECT_EQ(V.GetItem(0), Second);
  EXPECT_NE(First, Second);
}

TEST_F(FuzzySetValuesEdit, AVerticalEdgeKeepsBothCorners) {
  AddEach(V, {{0, 0}, {5, 0}});
  V.Add(5, 1);
  EXPECT_THAT(PointsOf(V), ElementsAre(P{0, 0}, P{5, 0}, P{5, 1}));
}

TEST_F(FuzzySetValuesEdit, AFourthPointOnOneXTakesThePlaceBeforeTheThirdOther) {
  AddEach(V, {{5, 0}, {5, 1}, {5, 0.5}});
  TFuzzySetValue* Fourth = V.Add(5, 0.8);
  EXPECT_THAT(PointsOf(V), ElementsAre(P{5, 0}, P{5, 0.8}, P{5, 0.5}));
  EXPECT_EQ(V.GetItem(1), Fourth);
}

TEST_F(FuzzySetValuesEdit, AnEditedPointGoesToTheEndOfTheRunOfItsX) {
  AddEach(V, {{0, 0}, {2, 0.2}, {4, 0.4}, {6, 0.6}});
  TFuzzySetValue* Moved = V.GetItem(0);
  Moved->SetX(4);
  EXPECT_THAT(PointsOf(V), ElementsAre(P{2, 0.2}, P{4, 0.4}, P{4, 0}, P{6, 0.6}));
  EXPECT_EQ(V.GetItem(2), Moved);
  Moved->SetX(7);
  EXPECT_THAT(PointsOf(V), ElementsAre(P{2, 0.2}, P{4, 0.4}, P{6, 0.6}, P{7, 0}));
  Moved->SetX(-1);
  EXPECT_THAT(PointsOf(V), ElementsAre(P{-1, 0}, P{2, 0.2}, P{4, 0.4}, P{6, 0.6}));
  // A point within the tolerance of a run joins its end without being re-sorted there.
  V.Add(4.00005, 0.9);
  EXPECT_THAT(PointsOf(V), ElementsAre(P{-1, 0}, P{2, 0.2}, P{4, 0.4}, P{4.00005, 0.9}, P{6, 0.6}));
  V.Add(3.99997, 0.1);
  EXPECT_THAT(PointsOf(V), ElementsAre(P{-1, 0}, P{2, 0.2}, P{4, 0.4}, P{4.00005, 0.9}, P{3.99997, 0.1}, P{6, 0.6}));
}

TEST_F(FuzzySetValuesEdit, AYEditThatMatchesTheNextPointDeletesTheNextPoint) {
  AddEach(V, {{5, 0}, {5, 1}, {9, 0}});
  TFuzzySetValue* Edited = V.GetItem(0);
  Edited->SetY(1);
  EXPECT_THAT(PointsOf(V), ElementsAre(P{5, 1}, P{9, 0}));
  EXPECT_EQ(V.GetItem(0), Edited);
}

TEST_F(FuzzySetValuesEdit, TheCleanUpOfAnEditNeverDeletesTheEditedPoint) {
  // The new point lands behind an equal one; the clean-up that the sort triggers deletes the
  // equal neighbour, so the point handed back stays valid.
  AddEach(V, {{1, 0}, {5, 1}, {9, 0}});
  TFuzzySetValue* Added = V.Add(5, 1);
  EXPECT_THAT(PointsOf(V), ElementsAre(P{1, 0}, P{5, 1}, P{9, 0}));
  EXPECT_EQ(V.GetItem(1), Added);
  Added->SetY(0.5);
  EXPECT_THAT(PointsOf(V), ElementsAre(P{1, 0}, P{5, 0.5}, P{9, 0}));
}

TEST_F(FuzzySetValuesEdit, InsideABlockEditsOnlyKeepTheFlagsAndTheEndSortsOnce) {
  {
    TUpdateBlock<TCollection> Block(V);
    AddEach(V, {{3, 0}, {1, 0.5}, {2, 1}});
    EXPECT_THAT(PointsOf(V), ElementsAre(P{3, 0}, P{1, 0.5}, P{2, 1}));
    EXPECT_FALSE(V.GetSorted());
    EXPECT_FALSE(V.GetDuplicatesRemoved());
  }
  EXPECT_THAT(PointsOf(V), ElementsAre(P{1, 0.5}, P{2, 1}, P{3, 0}));
  EXPECT_TRUE(V.GetSorted());
  EXPECT_TRUE(V.GetDuplicatesRemoved());
}

TEST_F(FuzzySetValuesEdit, TheSortNeverSwapsPointsWithinTheToleranceOfEachOther) {
  AddBulk(V, {{9, 0}, {5.00005, 0.3}, {5, 0.6}, {1, 1}});
  EXPECT_THAT(PointsOf(V), ElementsAre(P{1, 1}, P{5.00005, 0.3}, P{5, 0.6}, P{9, 0}));
}

TEST_F(FuzzySetValuesEdit, ABulkChangeInOrderLeavesALongRunAlone) {
  // Every edit kept the list sorted and free of equal neighbours, so the end has nothing to do.
  AddBulk(V, {{5, 0}, {5, 0.1}, {5, 0.2}, {5, 0.3}, {5, 0.4}});
  EXPECT_EQ(V.GetCount(), 5);
}

TEST_F(FuzzySetValuesEdit, TheBulkCleanUpDropsEqualPointsAndEveryFifthOfARun) {
  // (9, 0) first makes the list unsorted, so that the end of the block sorts and thins it.
  AddBulk(V, {{9, 0}, {5, 0}, {5, 0.1}, {5, 0.2}, {5, 0.3}, {5, 0.4}, {5, 0.5}});
  EXPECT_THAT(PointsOf(V), ElementsAre(P{5, 0}, P{5, 0.1}, P{5, 0.2}, P{5, 0.3}, P{5, 0.5}, P{9, 0}));

  TFuzzySetValues Loose(nullptr);
  AddBulk(Loose, {{2, 0}, {1, 0.5}, {1, 0.5}, {1.00005, 0.50005}, {2, 0}});
  EXPECT_THAT(PointsOf(Loose), ElementsAre(P{1, 0.5}, P{2, 0}));
}

TEST_F(FuzzySetValuesEdit, AListOfFewerThanTwoPointsCountsAsClean) {
  {
    TUpdateBlock<TCollection> Block(V);
    AddEach(V, {{5, 0}, {1, 0}});
    EXPECT_FALSE(V.GetSorted());
    V.Delete(1);
  }
  EXPECT_TRUE(V.GetSorted());
  EXPECT_TRUE(V.GetDuplicatesRemoved());
  EXPECT_THAT(PointsOf(V), ElementsAre(P{5, 0}));
}

// Runs of four or more on one X exist only after a bulk change; the next edit in such a run
// thins it by one point of that X.
class FuzzySetValuesLongRun : public FuzzySetValuesEdit {
 protected:
  void SetUp() override { AddBulk(V, {{5, 0}, {5, 0.1}, {5, 0.2}, {5, 0.3}, {9, 0}}); }
};

TEST_F(FuzzySetValuesLongRun, AYEditInARunAtTheStartDeletesThePointBeforeIt) {
  TFuzzySetValue* Edited = V.GetItem(2);
  Edited->SetY(0.25);
  EXPECT_THAT(PointsOf(V), ElementsAre(P{5, 0}, P{5, 0.25}, P{5, 0.3}, P{9, 0}));
  EXPECT_EQ(V.GetItem(1), Edited);
}

TEST_F(FuzzySetValuesLongRun, WhenTheEditedPointOpensTheRunThePointAfterItGoes) {
  TFuzzySetValue* Edited = V.GetItem(0);
  Edited->SetY(0.05);
  EXPECT_THAT(PointsOf(V), ElementsAre(P{5, 0.05}, P{5, 0.2}, P{5, 0.3}, P{9, 0}));
  EXPECT_EQ(V.GetItem(0), Edited);
}

TEST_F(FuzzySetValuesLongRun, ThinningNeverTakesAPointOfAnotherX) {
  V.Add(0, 0);
  ASSERT_THAT(PointsOf(V), ElementsAre(P{0, 0}, P{5, 0}, P{5, 0.1}, P{5, 0.2}, P{5, 0.3}, P{9, 0}));
  V.GetItem(1)->SetY(0.05);
  EXPECT_THAT(PointsOf(V), ElementsAre(P{0, 0}, P{5, 0.05}, P{5, 0.2}, P{5, 0.3}, P{9, 0}));
}

TEST_F(FuzzySetValuesLongRun, AnXEditBeforeTheThirdOtherPointDeletesThatThirdPoint) {
  TFuzzySetValue* Edited = V.GetItem(2);
  Edited->SetX(5.00001);
  EXPECT_THAT(PointsOf(V), ElementsAre(P{5, 0}, P{5, 0.1}, P{5.00001, 0.2}, P{9, 0}));
  EXPECT_EQ(V.GetItem(2), Edited);
}

TEST_F(FuzzySetValuesLongRun, AnXEditAfterTheThirdOtherPointTakesThePlaceBeforeIt) {
  TFuzzySetValue* Edited = V.GetItem(3);
  Edited->SetX(5.00001);
  EXPECT_THAT(PointsOf(V), ElementsAre(P{5, 0}, P{5.00001, 0.3}, P{5, 0.2}, P{9, 0}));
  EXPECT_EQ(V.GetItem(1), Edited);
}

// ---------------------------------------------------------------------------------------------
// Placement by search

// A point list that places edited points by the plain walk from the first position, as the
// rule is written (Search false), or by the bisection that skips to the points near the edited
// X (Search true, the default).
class TPlacementProbe : public TFuzzySetValues {
 public:
  explicit TPlacementProbe(bool Search) : TFuzzySetValues(nullptr) { SetSearchPlacement(Search); }
  using TFuzzySetValues::GetSearchable;
};

// No X exceeds a later X plus the tolerance (the greatest earlier X does not): the order the
// search relies on.
bool OrderedWithinTolerance(const TFuzzySetValues& V) {
  TFzyFloat Max = V.GetCount() > 0 ? V[0]->GetX() : 0;
  for (std::int32_t I = 1; I < V.GetCount(); ++I) {
    if (!(Max <= V[I]->GetX() + 1e-4)) return false;
    Max = std::max(Max, V[I]->GetX());
  }
  return true;
}

// Random lists of every shape the point store meets: long runs in order, reversed runs, vertical
// edges (equal X), runs of points within the tolerance of each other and X just inside and just
// outside it, equal points, edits of X and Y, deletions, moves by the host and bulk changes.
// Both lists see the same operations and must hold the same points after each of them.
TEST(FuzzySetValuesPlacement, TheSearchPlacesEveryPointWhereTheWalkFromTheStartDoes) {
  std::mt19937 Random(20261211);
  auto Pick = [&Random](int N) { return std::uniform_int_distribution<int>(0, N - 1)(Random); };
  static const TFzyFloat kSteps[] = {0, 0, 1, 1, 1, 0.5, 3e-5, 9e-5, 1e-4, 1.0000001e-4, 1.5e-4, 2e-4, -3e-5, -2};
  static const TFzyFloat kYs[] = {0, 0.5, 1, 0.25};
  for (int Round = 0; Round < 80; ++Round) {
    TPlacementProbe Walk(false);
    TPlacementProbe Search(true);
    const int Style = Round % 4;  // 0 rising, 1 falling, 2 scattered, 3 one crowded spot
    TFzyFloat X = 0;
    auto NextX = [&] {
      switch (Style) {
        case 0: X += kSteps[Pick(static_cast<int>(std::size(kSteps)))]; break;
        case 1: X -= kSteps[Pick(static_cast<int>(std::size(kSteps)))]; break;
        case 2: X = Pick(200) * 0.5 + (Pick(7) - 3) * 4e-5; break;
        default: X = 5 + (Pick(9) - 4) * 4e-5 + (Pick(3) == 0 ? Pick(5) : 0); break;
      }
      return X;
    };
    auto NextY = [&] { return Pick(3) == 0 ? Pick(1000) / 1000.0 : kYs[Pick(4)]; };
    for (int Op = 0; Op < 250; ++Op) {
      const int Kind = Pick(100);
      const std::int32_t Count = Walk.GetCount();
      if (Kind < 84 || Count == 0) {
        const TFzyFloat AX = NextX();
        const TFzyFloat AY = NextY();
        Walk.Add(AX, AY);
        Search.Add(AX, AY);
      } else if (Kind < 88) {
        const std::int32_t I = Pick(Count);
        const TFzyFloat AX = Pick(2) == 0 ? NextX() : Walk[Pick(Count)]->GetX() + (Pick(3) - 1) * 5e-5;
        Walk[I]->SetX(AX);
        Search[I]->SetX(AX);
      } else if (Kind < 91) {
        const std::int32_t I = Pick(Count);
        const TFzyFloat AY = NextY();
        Walk[I]->SetY(AY);
        Search[I]->SetY(AY);
      } else if (Kind < 93) {
        const std::int32_t I = Pick(Count);
        Walk.Delete(I);
        Search.Delete(I);
      } else if (Kind < 95) {
        const std::int32_t I = Pick(Count);
        const std::int32_t To = Pick(Count);
        Walk[I]->SetIndex(To);
        Search[I]->SetIndex(To);
      } else if (Kind < 97) {
        const std::int32_t I = Pick(Count);
        const TFzyFloat AX = NextX();
        const TFzyFloat AY = NextY();
        Walk[I]->SetValue(AX, AY);
        Search[I]->SetValue(AX, AY);
      } else {
        TUpdateBlock<TCollection> WalkBlock(Walk);
        TUpdateBlock<TCollection> SearchBlock(Search);
        for (int K = Pick(6) + 2; K > 0; --K) {
          const TFzyFloat AX = NextX();
          const TFzyFloat AY = NextY();
          Walk.Add(AX, AY);
          Search.Add(AX, AY);
        }
      }
      ASSERT_EQ(PointsOf(Search), PointsOf(Walk)) << "round " << Round << ", operation " << Op;
      if (Search.GetSearchable()) {
        ASSERT_TRUE(OrderedWithinTolerance(Search)) << "round " << Round << ", operation " << Op;
      }
    }
  }
}

TEST(FuzzySetValuesPlacement, AListInOrderStaysSearchableAndAMoveFromOutsideIsCheckedOnce) {
  TPlacementProbe V(true);
  for (int I = 0; I < 1000; ++I) V.Add(I * 0.5, (I % 3) / 2.0);
  EXPECT_TRUE(V.GetSearchable());
  V[10]->SetIndex(500);  // a host's move may break the order
  EXPECT_FALSE(V.GetSearchable());
  V.Add(600, 0);  // the next placement looks at every point once and finds the order broken
  EXPECT_FALSE(V.GetSearchable());
  V[500]->SetIndex(10);
  V.Add(601, 0);  // ... or whole again
  EXPECT_TRUE(V.GetSearchable());
  EXPECT_EQ(V.GetCount(), 1002);
}

// ---------------------------------------------------------------------------------------------
// The rules as written, as the oracle of the point list

// The point list's rules literally, on plain points: the placement walks from the first
// position, the sort moves one point at a time by the selection walk, the clean-up deletes one
// point at a time, and every change report of the list ('L') and of one point ('p') is logged
// where the collection would send it. The list belongs to a set without a variable, so X is
// held in the unbounded range and Y below 0 becomes 0.
class TLiteralPoints {
 public:
  struct TPoint {
    TFzyFloat X, Y;
    int Id;
  };
  std::vector<TPoint> Pts;
  std::string Log;

  int Add(TFzyFloat X, TFzyFloat Y) {
    const int Id = AddPoint();
    SetValue(Id, X, Y);
    return Id;
  }
  int AddPoint() {
    Pts.push_back({Pts.empty() ? 0 : Pts.back().X + 1, 0, FNextId++});
    Changed();
    return Pts.back().Id;
  }
  void Insert(int Index) {
    const int Id = AddPoint();
    SetIndex(Id, Index);
  }
  void Delete(int Index) {
    Pts.erase(Pts.begin() + Index);
    Changed();
  }
  void Clear() {
    if (Pts.empty()) return;
    BeginUpdate();
    Pts.clear();
    EndUpdate();
  }
  void SetIndex(int Id, int To) {
    const int Cur = IndexOf(Id);
    if (Cur < 0 || Cur == To) return;
    const TPoint Moved = Pts[static_cast<std::size_t>(Cur)];
    Pts.erase(Pts.begin() + Cur);
    Pts.insert(Pts.begin() + To, Moved);
    Changed();
  }
  void BeginUpdate() { ++FBlock; }
  void EndUpdate() {
    --FBlock;
    Changed();
  }
  // Append and the assignment of a list: new points given both coordinates inside a block.
  void AppendAll(const std::vector<P>& Source, bool ClearFirst) {
    BeginUpdate();
    if (ClearFirst) Clear();
    for (const P& S : Source) SetValue(AddPoint(), S.X, S.Y);
    EndUpdate();
  }

  void SetX(int Id, TFzyFloat Value) {
    TPoint& V = At(Id);
    const TFzyFloat Clamped = std::clamp(Value, -kMax, kMax);
    if (Value == V.X && Clamped == V.X) return;
    V.X = Clamped;
    UpdateValue(Id, true);
    PointChanged(Id);
  }
  void SetY(int Id, TFzyFloat Value) {
    TPoint& V = At(Id);
    if (Value == V.Y) return;
    V.Y = Value < 0 ? 0 : Value;
    UpdateValue(Id, false);
    PointChanged(Id);
  }
  void SetValue(int Id, TFzyFloat X, TFzyFloat Y) {
    TPoint& V = At(Id);
    V.X = std::clamp(X, -kMax, kMax);
    V.Y = Y < 0 ? 0 : Y;
    UpdateValue(Id, true);
    PointChanged(Id);
  }

  int IdAt(int Index) const { return Pts[static_cast<std::size_t>(Index)].Id; }
  std::vector<P> Points() const {
    std::vector<P> Result;
    for (const TPoint& Q : Pts) Result.push_back({Q.X, Q.Y});
    return Result;
  }

 private:
  static bool Same(const TPoint& A, const TPoint& B) { return FloatEquals(A.X, B.X) && FloatEquals(A.Y, B.Y); }
  int Count() const { return static_cast<int>(Pts.size()); }
  int IndexOf(int Id) const {
    for (int I = 0; I < Count(); ++I)
      if (IdAt(I) == Id) return I;
    return -1;
  }
  TPoint& At(int Id) { return Pts[static_cast<std::size_t>(IndexOf(Id))]; }
  TFzyFloat XAt(int Index) const { return Pts[static_cast<std::size_t>(Index)].X; }

  void Changed() {
    if (FBlock == 0) Update(-1);
  }
  void PointChanged(int Id) {
    if (FBlock == 0 && IndexOf(Id) >= 0) Update(Id);
  }
  void Update(int Id) {
    Log += Id < 0 ? 'L' : 'p';
    if (Count() < 2) FSorted = FDuplicatesRemoved = true;
    if (Id < 0) CleanupValues();
  }

  // Either coordinate's change counts for the equal neighbours: the store's own reading.
  void UpdateValue(int Id, bool ChangesX) {
    const int N = Count();
    const int Index = (FSorted || FDuplicatesRemoved) && N > 1 ? IndexOf(Id) : -1;
    const TPoint V = At(Id);
    if (FSorted && ChangesX && N > 1 && Index >= 0) {
      const TFzyFloat Before = Index > 0 ? XAt(Index - 1) : V.X;
      const TFzyFloat After = Index < N - 1 ? XAt(Index + 1) : V.X;
      FSorted = V.X >= Before - kFuzzyTolerance && V.X <= After + kFuzzyTolerance;
    }
    FDuplicatesRemoved = FDuplicatesRemoved && FSorted;
    if (FDuplicatesRemoved && N > 1 && Index >= 0) {
      const bool EqualsBefore = Index > 0 && Same(V, Pts[static_cast<std::size_t>(Index - 1)]);
      const bool EqualsAfter = Index < N - 1 && Same(V, Pts[static_cast<std::size_t>(Index + 1)]);
      FDuplicatesRemoved = !EqualsBefore && !EqualsAfter;
    }
    if (FBlock > 0) return;
    const int Saved = FEditing;
    FEditing = Id;
    Sort();
    if (Count() >= 2 && IndexOf(Id) >= 0) {
      if (ChangesX) Place(Id);
      if (IndexOf(Id) >= 0) Thin(Id);
    }
    FEditing = Saved;
  }

  // From the first position, passing over the edited point: the stop at the first X above
  // the edited one by more than the tolerance, or at the third within it.
  void Place(int Id) {
    const TFzyFloat X = At(Id).X;
    const int VIndex = IndexOf(Id);
    int Walked = -1;
    int Stop = -1;
    bool AtThird = false;
    int Within = 0;
    for (int I = 0; I < Count(); ++I) {
      if (I != VIndex) {
        if (XAt(I) > X + kFuzzyTolerance) {
          Stop = I;
          break;
        }
        if (FloatEquals(XAt(I), X) && ++Within == 3) {
          Stop = I;
          AtThird = true;
          break;
        }
      }
      Walked = I;
    }
    int L = Stop < 0 ? Count() - 1 : (Walked < 0 ? 0 : Walked);
    if (AtThird) Delete(L == VIndex ? Stop : L);
    if (IndexOf(Id) < 0) return;
    if (L > Count() - 1) L = Count() - 1;
    if (IndexOf(Id) == L) return;
    BeginUpdate();
    SetIndex(Id, L);
    EndUpdate();
  }

  int SkipX(int Index, TFzyFloat X, int Dir) const {
    int I = Index + Dir;
    while (I >= 0 && I < Count() && FloatEquals(XAt(I), X)) I += Dir;
    return I < Count() ? I : -1;
  }

  void Thin(int Id) {
    const TFzyFloat X = At(Id).X;
    const int Start = SkipX(IndexOf(Id), X, -1) + 1;
    for (int I = Start + 1; I < Count() && FloatEquals(XAt(I), X);) {
      const TPoint& Earlier = Pts[static_cast<std::size_t>(I - 1)];
      if (!Same(Pts[static_cast<std::size_t>(I)], Earlier)) {
        ++I;
        continue;
      }
      Delete(Earlier.Id == Id ? I : I - 1);
      if (IndexOf(Id) < 0) return;
      if (I > Count()) break;
    }
    const int VIndex = IndexOf(Id);
    const int RunStart = SkipX(VIndex, X, -1) + 1;
    int End = SkipX(VIndex, X, +1);
    if (End < 0) End = Count();
    if (End - RunStart > 3) Delete(VIndex > RunStart ? VIndex - 1 : VIndex + 1);
  }

  void Sort() {
    if (FSorted) return;
    BeginUpdate();
    for (int I = 0; I < Count(); ++I)
      for (int J = I + 1; J < Count(); ++J)
        if (XAt(I) > XAt(J) + kFuzzyTolerance) {
          const TPoint Moved = Pts[static_cast<std::size_t>(J)];
          Pts.erase(Pts.begin() + J);
          Pts.insert(Pts.begin() + I, Moved);
        }
    FSorted = true;
    EndUpdate();
  }

  void RemoveDuplicates() {
    if (FDuplicatesRemoved) return;
    BeginUpdate();
    int Counter = 0;
    int I = 1;
    auto DeleteSparing = [&](int Index, int Alternative) { Delete(IdAt(Index) == FEditing ? Alternative : Index); };
    while (I < Count()) {
      if (Same(Pts[static_cast<std::size_t>(I)], Pts[static_cast<std::size_t>(I - 1)])) {
        DeleteSparing(I, I - 1);
      } else if (FloatEquals(XAt(I), XAt(I - 1))) {
        if (++Counter == 4) {
          DeleteSparing(I, I - 1);
          Counter = 0;
        } else {
          ++I;
        }
      } else {
        Counter = 0;
        ++I;
      }
    }
    FDuplicatesRemoved = true;
    EndUpdate();
  }

  void CleanupValues() {
    if (FSorted && FDuplicatesRemoved) return;
    BeginUpdate();
    Sort();
    RemoveDuplicates();
    EndUpdate();
  }

  bool FSorted = true;
  bool FDuplicatesRemoved = true;
  int FBlock = 0;
  int FEditing = -1;
  int FNextId = 0;
};

// A point list that logs its change reports as TLiteralPoints does, in a set without a
// variable.
class TLoggedValues : public TFuzzySetValues {
 public:
  using TFuzzySetValues::TFuzzySetValues;
  std::string Log;

 protected:
  void Update(TCollectionItem* Item) override {
    Log += Item == nullptr ? 'L' : 'p';
    TFuzzySetValues::Update(Item);
  }
};

class TLoggedSet : public TFuzzySet {
 public:
  TLoggedSet() : TFuzzySet(nullptr, &MakeValues) {}
  TLoggedValues& Values() const { return static_cast<TLoggedValues&>(*GetValues()); }
  const std::string& Log() const { return Values().Log; }

 private:
  static std::unique_ptr<TFuzzySetValues> MakeValues(TFuzzySet* Owner) {
    return std::make_unique<TLoggedValues>(Owner);
  }
};

// A set whose point list is of the list's own class (the one every set of the model has),
// logging the list's change reports as the set hears them, one letter each as TLoggedValues
// logs them.
class TReportingSet : public TFuzzySet {
 public:
  TReportingSet() : TFuzzySet(nullptr) {}
  const std::string& Log() const { return FLog; }
  void UpdateFuzzySetValue(TFuzzySetValue* Value) override {
    FLog += 'p';
    TFuzzySet::UpdateFuzzySetValue(Value);
  }
  void UpdateFuzzySetValues() override {
    FLog += 'L';
    TFuzzySet::UpdateFuzzySetValues();
  }

 private:
  std::string FLog;
};

std::string LiteralText(const std::vector<P>& Points) {
  std::string Text = "(";
  for (const P& Q : Points) Text += "(" + Format(FuzzyFormatStr, {Q.X}) + " " + Format(FuzzyFormatStr, {Q.Y}) + ") ";
  return Text + ")";
}

// Random lists of every shape the point store meets, edited through every public path of the
// list and its points: X in any order (rising, falling, scattered), runs on one X and vertical
// edges, X within the tolerance of each other and just inside and outside it, equal points,
// bulk additions of runs of five and more, copies from another list, moves, insertions and
// deletions. After every operation the points, the change reports and the printed points are
// those of the rules as written. TWatchedSet is the set whose list is edited.
template <typename TWatchedSet>
void ExpectTheLiteralRulesOnEveryPath() {
  std::mt19937 Random(20261216);
  auto Pick = [&Random](int N) { return std::uniform_int_distribution<int>(0, N - 1)(Random); };
  static const TFzyFloat kSteps[] = {0, 0, 1, 1, 1, 0.5, 3e-5, 9e-5, 1e-4, 1.0000001e-4, 1.5e-4, 2e-4, -3e-5, -2};
  static const TFzyFloat kYs[] = {0, 0.5, 1, 0.25};
  for (int Round = 0; Round < 60; ++Round) {
    TWatchedSet Set;
    TFuzzySetValues& Real = *Set.GetValues();
    TLiteralPoints Model;
    const int Style = Round % 5;  // 0 rising, 1 falling, 2 scattered, 3 one crowded spot, 4 chained
    TFzyFloat X = 0;
    auto NextX = [&] {
      switch (Style) {
        case 0: X += kSteps[Pick(static_cast<int>(std::size(kSteps)))]; break;
        case 1: X -= kSteps[Pick(static_cast<int>(std::size(kSteps)))]; break;
        case 2: X = Pick(60) * 0.5 + (Pick(7) - 3) * 4e-5; break;
        case 3: X = 5 + (Pick(9) - 4) * 4e-5 + (Pick(3) == 0 ? Pick(5) : 0); break;
        default: X = Pick(40) * 6e-5 + (Pick(4) == 0 ? Pick(3) : 0); break;
      }
      return X;
    };
    auto NextY = [&] { return Pick(3) == 0 ? Pick(1000) / 1000.0 : kYs[Pick(4)]; };
    for (int Op = 0; Op < 200; ++Op) {
      const int Kind = Pick(100);
      const std::int32_t Count = Real.GetCount();
      if (Kind < 70 || Count == 0) {
        const TFzyFloat AX = NextX();
        const TFzyFloat AY = NextY();
        Real.Add(AX, AY);
        Model.Add(AX, AY);
      } else if (Kind < 75) {
        const std::int32_t I = Pick(Count);
        const TFzyFloat AX = Pick(2) == 0 ? NextX() : Real[Pick(Count)]->GetX() + (Pick(3) - 1) * 5e-5;
        Real[I]->SetX(AX);
        Model.SetX(Model.IdAt(I), AX);
      } else if (Kind < 79) {
        const std::int32_t I = Pick(Count);
        const TFzyFloat AY = Pick(4) == 0 ? Real[Pick(Count)]->GetY() : NextY();
        Real[I]->SetY(AY);
        Model.SetY(Model.IdAt(I), AY);
      } else if (Kind < 82) {
        const std::int32_t I = Pick(Count);
        const TFzyFloat AX = NextX();
        const TFzyFloat AY = NextY();
        Real[I]->SetValue(AX, AY);
        Model.SetValue(Model.IdAt(I), AX, AY);
      } else if (Kind < 85) {
        const std::int32_t I = Pick(Count);
        Real.Delete(I);
        Model.Delete(I);
      } else if (Kind < 88) {
        const std::int32_t I = Pick(Count);
        const std::int32_t To = Pick(Count);
        Real[I]->SetIndex(To);
        Model.SetIndex(Model.IdAt(I), To);
      } else if (Kind < 90) {
        const std::int32_t I = Pick(Count + 1);
        Real.Insert(I);
        Model.Insert(I);
      } else if (Kind < 95) {
        // A run of five or more on one X, or a few scattered points, inside one block.
        Real.BeginUpdate();
        Model.BeginUpdate();
        const bool Run = Pick(2) == 0;
        const TFzyFloat RunX = NextX();
        for (int K = Pick(6) + (Run ? 5 : 2); K > 0; --K) {
          const TFzyFloat AX = Run ? RunX + (Pick(3) - 1) * 3e-5 : NextX();
          const TFzyFloat AY = NextY();
          Real.Add(AX, AY);
          Model.Add(AX, AY);
        }
        Real.EndUpdate();
        Model.EndUpdate();
      } else {
        // A copy from another list: appended, or assigned in place of every point.
        TFuzzySetValues Source(nullptr);
        std::vector<P> Copied;
        {
          TUpdateBlock<TCollection> Block(Source);
          for (int K = Pick(8) + 1; K > 0; --K) Source.Add(NextX(), NextY());
        }
        Copied = PointsOf(Source);
        const bool Assign = Pick(3) == 0;
        if (Assign) Real.Assign(&Source);
        else Real.Append(&Source);
        Model.AppendAll(Copied, Assign);
      }
      ASSERT_EQ(PointsOf(Real), Model.Points()) << "round " << Round << ", operation " << Op;
      ASSERT_EQ(Set.Log(), Model.Log) << "round " << Round << ", operation " << Op;
      ASSERT_EQ(Set.GetValuesToString(), LiteralText(Model.Points()));
    }
  }
}

TEST(FuzzySetValuesRules, EveryPathGivesThePointsAndReportsOfTheLiteralRules) {
  ExpectTheLiteralRulesOnEveryPath<TLoggedSet>();
}

// A list of the list's own class takes shorter ways inside bulk changes (a point added there
// joins with its final coordinates); they end where the rules do.
TEST(FuzzySetValuesRules, AListOfItsOwnClassGivesThePointsAndReportsOfTheLiteralRules) {
  ExpectTheLiteralRulesOnEveryPath<TReportingSet>();
}

// The flat copy of the points, read between random changes through every public path of the
// list and its points (those of the test above, and the expansions, item assignment, clearing
// and a range that clamps): it is the item list, in order, every time it is read, its
// monotonicity is the list's, and its stamp changes whenever the points did.
TEST(FuzzySetValuesFlatCopy, EqualsTheItemListAfterEveryChange) {
  std::mt19937 Random(20261217);
  auto Pick = [&Random](int N) { return std::uniform_int_distribution<int>(0, N - 1)(Random); };
  auto NextX = [&] { return Pick(4) == 0 ? Pick(9) * 1.5 + (Pick(5) - 2) * 4e-5 : Pick(40) * 0.25; };
  auto NextY = [&] { return Pick(5) / 4.0; };
  for (int Round = 0; Round < 40; ++Round) {
    TRangedSet Set(Round % 2 == 0 ? 0 : 2, 8);  // every other round, a range that clamps X
    TFuzzySetValues& V = *Set.GetValues();
    std::vector<P> Before;
    std::uint64_t Stamp = V.GetPointsStamp();
    for (int Op = 0; Op < 150; ++Op) {
      const std::int32_t Count = V.GetCount();
      const int Kind = Pick(20);
      if (Kind < 7 || Count == 0) {
        V.Add(NextX(), NextY());
      } else if (Kind < 8) {
        V.Add();
      } else if (Kind < 9) {
        V.Insert(Pick(Count + 1));
      } else if (Kind < 10) {
        V[Pick(Count)]->SetX(NextX());
      } else if (Kind < 11) {
        V[Pick(Count)]->SetY(NextY());
      } else if (Kind < 12) {
        V.SetItem(Pick(Count), V[Pick(Count)]);
      } else if (Kind < 13) {
        V.Delete(Pick(Count));
      } else if (Kind < 14) {
        V[Pick(Count)]->SetIndex(Pick(Count));
      } else if (Kind < 15) {
        TUpdateBlock<TCollection> Block(V);
        for (int K = Pick(6) + 1; K > 0; --K) V.Add(NextX(), NextY());
        if (Pick(2) == 0) V[Pick(V.GetCount())]->SetValue(NextX(), NextY());
      } else if (Kind < 16) {
        TFuzzySetValues Source(nullptr);
        for (int K = Pick(5) + 1; K > 0; --K) Source.Add(NextX(), NextY());
        if (Pick(2) == 0) V.Append(&Source);
        else V.Assign(&Source);
      } else if (Kind < 17) {
        V.Expand(Count + Pick(6));
      } else if (Kind < 18) {
        V.ExpandSimple(Count + Pick(6));
      } else if (Kind < 19) {
        V.Append(&V, Pick(Count), Pick(4));
      } else if (Pick(4) == 0) {
        V.Clear();
      }
      if (Pick(3) == 0) continue;  // the copy is also read after several changes
      const std::span<const TFuzzyPoint> Flat = V.GetPoints();
      std::vector<P> Copy;
      for (const TFuzzyPoint& Q : Flat) Copy.push_back({Q.X, Q.Y});
      const std::vector<P> Items = PointsOf(V);
      ASSERT_EQ(Copy, Items) << "round " << Round << ", operation " << Op;
      auto ByX = [](const P& A, const P& B) { return A.X < B.X; };
      ASSERT_EQ(V.IsMonotone(), std::is_sorted(Items.begin(), Items.end(), ByX));
      if (Items != Before) {
        ASSERT_NE(V.GetPointsStamp(), Stamp) << "round " << Round << ", operation " << Op;
      }
      Before = Items;
      Stamp = V.GetPointsStamp();
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Items, insertion, copies

// The selection walk of the sort, step by step: every later point more than the tolerance
// below the point now at I moves to I.
std::vector<TFzyFloat> SortedByTheWalk(std::vector<TFzyFloat> X) {
  for (std::size_t I = 0; I < X.size(); ++I)
    for (std::size_t J = I + 1; J < X.size(); ++J)
      if (X[I] > X[J] + 1e-4) {
        const TFzyFloat Moved = X[J];
        X.erase(X.begin() + static_cast<std::ptrdiff_t>(J));
        X.insert(X.begin() + static_cast<std::ptrdiff_t>(I), Moved);
      }
  return X;
}

class TSortProbe : public TFuzzySetValues {
 public:
  TSortProbe() : TFuzzySetValues(nullptr) {}
  using TFuzzySetValues::Sort;
};

TEST(FuzzySetValuesSort, GivesTheOrderOfTheSelectionWalk) {
  std::mt19937 Random(20261210);
  // X values on a coarse grid with jitter below and above the tolerance, so that runs of
  // points within the tolerance of each other and chains of them are common.
  std::uniform_int_distribution<int> Grid(0, 12);
  std::uniform_int_distribution<int> Jitter(-3, 3);
  std::uniform_int_distribution<int> Length(2, 40);
  // Every other round: a few chains far apart, each of points 0.6 tolerances apart, so that
  // the points of one chain compare in every way and those of different chains in one.
  std::uniform_int_distribution<int> Chain(0, 3);
  std::uniform_int_distribution<int> Link(0, 12);
  for (int Round = 0; Round < 300; ++Round) {
    std::vector<TFzyFloat> Xs(static_cast<std::size_t>(Length(Random)));
    for (TFzyFloat& X : Xs)
      X = Round % 2 == 0 ? Grid(Random) * 0.0002 + Jitter(Random) * 0.00004 : Chain(Random) * 2.0 + Link(Random) * 6e-5;
    TSortProbe V;
    V.BeginUpdate();
    // Distinct Y values keep the clean-up from touching the points at the end of the block.
    for (std::size_t I = 0; I < Xs.size(); ++I) V.Add(Xs[I], static_cast<TFzyFloat>(I));
    V.Sort();
    std::vector<TFzyFloat> Got;
    for (std::int32_t I = 0; I < V.GetCount(); ++I) Got.push_back(V[I]->GetX());
    V.EndUpdate();
    ASSERT_EQ(Got, SortedByTheWalk(Xs)) << "round " << Round;
  }
}

// A long list that arrives in reverse order, one point at a time, as a definition's point list
// can: each point is sorted into place at once, and the list ends sorted.
TEST(FuzzySetValuesSort, AReversedListAddedPointByPointEndsSorted) {
  TFuzzySetValues V(nullptr);
  for (int I = 2000; I > 0; --I) V.Add(I, (I % 7) / 7.0);
  ASSERT_EQ(V.GetCount(), 2000);
  for (std::int32_t I = 1; I < V.GetCount(); ++I) ASSERT_LT(V[I - 1]->GetX(), V[I]->GetX());
}

TEST(FuzzySetValuesItems, InsertPutsAFreshPointAtThePlaceWithoutSortingIt) {
  TFuzzySetValues V(nullptr);
  AddEach(V, {{0, 0}, {1, 1}});
  TFuzzySetValue* Inserted = V.Insert(1);
  EXPECT_EQ(V.GetItem(1), Inserted);
  EXPECT_THAT(PointsOf(V), ElementsAre(P{0, 0}, P{2, 0}, P{1, 1}));
  V.Insert(3);
  EXPECT_THAT(PointsOf(V), ElementsAre(P{0, 0}, P{2, 0}, P{1, 1}, P{2, 0}));
}

TEST(FuzzySetValuesItems, IndicesOutsideTheListRaise) {
  TFuzzySetValues V(nullptr);
  AddEach(V, {{0, 0}, {1, 1}});
  TFuzzySetValue Source(nullptr);
  EXPECT_THROW_MSG(V.Insert(3), EListError, "List index out of bounds (3)");
  EXPECT_THROW_MSG(V.Insert(-1), EListError, "List index out of bounds (-1)");
  EXPECT_THROW_MSG(V.GetItem(2), EListError, "List index out of bounds (2)");
  EXPECT_THROW_MSG(V.SetItem(-1, &Source), EListError, "List index out of bounds (-1)");
  EXPECT_EQ(V.GetCount(), 2);
}

TEST(FuzzySetValuesItems, SetItemAssignsThePointAndPlacesIt) {
  TFuzzySetValues V(nullptr);
  AddEach(V, {{0, 0}, {1, 1}, {2, 0}});
  TFuzzySetValue Source(nullptr);
  Source.SetValue(1.5, 0.5);
  V.SetItem(0, &Source);
  EXPECT_THAT(PointsOf(V), ElementsAre(P{1, 1}, P{1.5, 0.5}, P{2, 0}));
}

TEST(FuzzySetValuesItems, AssigningAListCopiesThroughTheTargetsRules) {
  TFuzzySetValues Source(nullptr);
  AddEach(Source, {{-3e9, 0.5}, {1, -1}, {3e9, 2}});
  TFuzzySet Set(nullptr);
  Set.GetValues()->Add(7, 7);
  Set.GetValues()->Assign(&Source);
  EXPECT_THAT(PointsOf(*Set.GetValues()), ElementsAre(P{-kMax, 0.5}, P{1, 0}, P{kMax, 2}));
  EXPECT_THAT(PointsOf(Source), ElementsAre(P{-3e9, 0.5}, P{1, -1}, P{3e9, 2}));
}

// Clearing frees every point and reports the whole list once, outside a block and at the end
// of one; the next point starts at X 0 and takes the next ID. A list of the list's own class
// and a descendant's list (which hears each point go) do the same.
template <typename TWatchedSet>
void ExpectClearToFreeEveryPointAndReportOnce() {
  TWatchedSet Set;
  TFuzzySetValues& V = *Set.GetValues();
  AddBulk(V, {{1, 0}, {2, 1}, {3, 0}});
  const std::string Before = Set.Log();
  V.Clear();
  EXPECT_EQ(V.GetCount(), 0);
  EXPECT_EQ(Set.Log(), Before + "L");
  V.Clear();
  EXPECT_EQ(Set.Log(), Before + "L");
  {
    TUpdateBlock<TCollection> Block(V);
    V.Add(5, 1);
    V.Clear();
    EXPECT_EQ(Set.Log(), Before + "L");
  }
  EXPECT_EQ(Set.Log(), Before + "LL");
  const TFuzzySetValue* Point = V.Add();
  EXPECT_EQ(Point->GetX(), 0);
  EXPECT_EQ(Point->GetID(), 4);
  EXPECT_TRUE(V.GetPoints().size() == 1 && V.GetPoints()[0].X == 0);
}

TEST(FuzzySetValuesItems, ClearFreesEveryPointAndReportsOnce) {
  ExpectClearToFreeEveryPointAndReportOnce<TReportingSet>();
  ExpectClearToFreeEveryPointAndReportOnce<TLoggedSet>();
}

TEST(FuzzySetValuesItems, AppendCopiesTheRequestedStretch) {
  TFuzzySetValues Source(nullptr);
  AddEach(Source, {{0, 0}, {1, 0.5}, {2, 1}});
  struct Case {
    std::int32_t Index, Count;
    std::vector<P> Expected;
  };
  const Case kCases[] = {
      {0, 3, {{0, 0}, {1, 0.5}, {2, 1}}},
      {5, 10, {{2, 1}}},           // the start is pulled back to the last point
      {-3, 2, {{0, 0}, {1, 0.5}}}, // and up to the first
      {1, 9, {{1, 0.5}, {2, 1}}},
      {1, 0, {}},
      {1, -4, {}},
  };
  for (const Case& C : kCases) {
    TFuzzySetValues Target(nullptr);
    Target.Append(&Source, C.Index, C.Count);
    EXPECT_EQ(PointsOf(Target), C.Expected) << C.Index << ", " << C.Count;
  }
  TFuzzySetValues All(nullptr);
  All.Append(&Source);
  EXPECT_EQ(PointsOf(All), PointsOf(Source));

}

TEST(FuzzySetValuesItems, AppendFromAnEmptySourceAppendsNothing) {
  TFuzzySetValues Empty(nullptr);
  TFuzzySetValues Target(nullptr);
  AddEach(Target, {{0, 0}, {1, 1}});
  struct Case {
    std::int32_t Index, Count;
  };
  static const Case kCases[] = {{0, 0}, {0, 1}, {0, 5}, {3, 2}, {-2, 4}};
  for (const Case& C : kCases) {
    EXPECT_NO_THROW(Target.Append(&Empty, C.Index, C.Count)) << C.Index << ", " << C.Count;
    EXPECT_EQ(Target.GetCount(), 2) << C.Index << ", " << C.Count;
  }
  Target.Append(&Empty);
  EXPECT_EQ(Target.GetCount(), 2);
}

TEST(FuzzySetValuesItems, AppendAddsBehindWhatIsThereAndSortsAtTheEnd) {
  TFuzzySetValues Source(nullptr);
  AddEach(Source, {{0, 0}, {1, -1}, {4, 1}});
  TFuzzySet Set(nullptr);
  AddEach(*Set.GetValues(), {{2, 0.5}, {3, 0.5}});
  Set.GetValues()->Append(&Source);
  EXPECT_THAT(PointsOf(*Set.GetValues()), ElementsAre(P{0, 0}, P{1, 0}, P{2, 0.5}, P{3, 0.5}, P{4, 1}));
}

TEST(FuzzySetValuesItems, TheEnumeratorWalksThePointsInOrder) {
  TFuzzySet Set(nullptr);
  TFuzzySetValues& V = *Set.GetValues();
  AddEach(V, {{0, 0}, {1, 1}, {2, 0}});
  std::vector<TFuzzySetValue*> Seen;
  auto E = V.GetEnumerator();
  while (E->MoveNext()) Seen.push_back(E->GetCurrent());
  EXPECT_THAT(Seen, ElementsAre(V[0], V[1], V[2]));
  EXPECT_EQ(V.GetFuzzySet(), &Set);
  EXPECT_EQ(V[1]->GetCollection(), &V);
}

TEST(FuzzySetValuesItems, GetXCountCountsExactlyEqualX) {
  TFuzzySetValues V(nullptr);
  AddBulk(V, {{5, 0}, {5, 1}, {5.00005, 0.5}, {6, 0}});
  EXPECT_EQ(V.GetXCount(5), 2);
  EXPECT_EQ(V.GetXCount(5.00005), 1);
  EXPECT_EQ(V.GetXCount(7), 0);
}

// ---------------------------------------------------------------------------------------------
// SkipX and SkipY

TEST(FuzzySetValuesSkip, StepsPastTheValuesWithinTheTolerance) {
  TFuzzySetValues V(nullptr);
  AddBulk(V, {{5, 0}, {5.00005, 0.5}, {6, 1}});
  struct Case {
    std::int32_t Index;
    TFzyFloat X;
    std::int32_t Dir, Expected;
  };
  static const Case kCases[] = {
      {0, 5, 0, 2},    // Dir 0 means +1
      {0, 5, 1, 2},
      {2, 6, 1, -1},   // past the end
      {2, 5, -1, -1},  // back past the start
      {2, 6, -1, 1},
      {-1, 5, 1, 2},   // the start itself is never examined
      {1, 7, 1, 2},
  };
  for (const Case& C : kCases)
    EXPECT_EQ(V.SkipX(C.Index, C.X, C.Dir), C.Expected) << C.Index << " " << C.X << " " << C.Dir;

  TFuzzySetValues W(nullptr);
  AddBulk(W, {{0, 0.2}, {1, 0.20005}, {2, 0.7}});
  EXPECT_EQ(W.SkipY(0, 0.2, 0), 2);
  EXPECT_EQ(W.SkipY(2, 0.2, -1), -1);
  EXPECT_EQ(W.SkipY(2, 0.7, -1), 1);
  EXPECT_EQ(W.SkipY(0, 0.7, 1), 1);
  EXPECT_EQ(W.SkipY(1, 0.7, 1), -1);
}

// ---------------------------------------------------------------------------------------------
// Expansions

TEST(FuzzySetValuesExpand, AddsOnePointInTheMiddleOfEachGap) {
  TFuzzySetValues V(nullptr);
  AddEach(V, {{0, 0}, {1, 1}, {2, 0}, {3, 1}, {4, 0}});
  V.Expand(9);
  EXPECT_THAT(PointsOf(V), ElementsAre(P{0, 0}, Near(0.5, 0.5), P{1, 1}, Near(1.5, 0.5), P{2, 0}, Near(2.5, 0.5),
                                     P{3, 1}, Near(3.5, 0.5), P{4, 0}));
}

TEST(FuzzySetValuesExpand, FillsOneGapWithEvenlySpacedInterpolatedPoints) {
  TFuzzySet Set(nullptr);
  TFuzzySetValues& V = *Set.GetValues();
  AddEach(V, {{0, 0}, {10, 1}});
  V.Expand(9);
  EXPECT_THAT(PointsOf(V), ElementsAre(P{0, 0}, Near(1.25, 0.125), Near(2.5, 0.25), Near(3.75, 0.375), Near(5, 0.5),
                                     Near(6.25, 0.625), Near(7.5, 0.75), Near(8.75, 0.875), P{10, 1}));
}

TEST(FuzzySetValuesExpand, EarlierGapsTakeTheRoundedUpShare) {
  TFuzzySetValues V(nullptr);
  AddEach(V, {{0, 0}, {1, 1}, {3, 0}});
  V.Expand(6);
  EXPECT_THAT(PointsOf(V), ElementsAre(P{0, 0}, Near(1.0 / 3, 1.0 / 3), Near(2.0 / 3, 2.0 / 3), P{1, 1}, Near(2, 0.5),
                                     P{3, 0}));
}

TEST(FuzzySetValuesExpand, AVerticalEdgeIsNoGap) {
  TFuzzySetValues V(nullptr);
  AddEach(V, {{0, 0}, {5, 0}, {5, 1}, {10, 1}});
  V.Expand(6);
  EXPECT_THAT(PointsOf(V), ElementsAre(P{0, 0}, Near(2.5, 0), P{5, 0}, P{5, 1}, Near(7.5, 1), P{10, 1}));
}

TEST(FuzzySetValuesExpand, WithoutRoomOrGapsNothingIsAdded) {
  struct Case {
    std::vector<P> Pts;
    std::int32_t NewCount;
  };
  const Case kCases[] = {
      {{{0, 0}, {1, 1}}, 1},
      {{{0, 0}, {1, 1}, {2, 0}}, 3},
      {{{0, 0}, {1, 1}, {2, 0}}, 2},
      {{}, 5},
      {{{3, 0.4}}, 5},
      {{{3, 0}, {3.00005, 1}, {3, 0.5}}, 8},
  };
  for (const Case& C : kCases) {
    TFuzzySetValues V(nullptr);
    {
      TUpdateBlock<TCollection> Block(V);
      for (const P& Pt : C.Pts) V.Add(Pt.X, Pt.Y);
    }
    V.Expand(C.NewCount);
    EXPECT_EQ(PointsOf(V), C.Pts) << C.NewCount;
  }
}

// Expand works inside an update block whatever it finds, and the end of that block reports a
// change of the list to its set even when no point was added.
TEST(FuzzySetValuesExpand, ABlockWithoutGapsStillReportsTheChange) {
  TFuzzySet Set(nullptr);
  Set.CreateCrispValue(2.5);
  ASSERT_EQ(Set.GetExpression(), "2.5000");
  Set.GetValues()->Expand(5);
  EXPECT_EQ(Set.GetValues()->GetCount(), 3);
  EXPECT_EQ(Set.GetExpression(), "");
}

TEST(FuzzySetValuesExpandSimple, SpreadsPointsEvenlyOverTheWholeRange) {
  TFuzzySetValues V(nullptr);
  AddEach(V, {{0, 0}, {10, 1}});
  V.ExpandSimple(6);
  EXPECT_THAT(PointsOf(V), ElementsAre(P{0, 0}, Near(2, 0.2), Near(4, 0.4), Near(6, 0.6), Near(8, 0.8), P{10, 1}));
}

TEST(FuzzySetValuesExpandSimple, InterpolatesBetweenTheNeighboursItLandsBetween) {
  TFuzzySetValues V(nullptr);
  AddEach(V, {{0, 0}, {4, 1}, {10, 0}});
  V.ExpandSimple(5);
  const TFzyFloat X1 = 10.0 / 3;
  const TFzyFloat X2 = X1 + 10.0 / 3;
  EXPECT_THAT(PointsOf(V), ElementsAre(P{0, 0}, Near(X1, X1 / 4), P{4, 1}, Near(X2, 1 - (X2 - 4) / 6), P{10, 0}));
}

TEST(FuzzySetValuesExpandSimple, ASpotOnAnExistingXCopiesItsPointWhichTheCleanUpRemoves) {
  TFuzzySetValues V(nullptr);
  AddEach(V, {{0, 0}, {5, 1}, {10, 0}});
  V.ExpandSimple(4);
  EXPECT_THAT(PointsOf(V), ElementsAre(P{0, 0}, P{5, 1}, P{10, 0}));
}

TEST(FuzzySetValuesExpandSimple, WithoutTwoDistinctXNothingIsAdded) {
  struct Case {
    std::vector<P> Pts;
    std::int32_t NewCount;
  };
  const Case kCases[] = {
      {{}, 4},
      {{{3, 0.4}}, 4},
      {{{3, 0}, {3.00005, 1}, {3.00009, 0.5}}, 8},
      {{{0, 0}, {1, 1}, {2, 0}}, 3},
      {{{0, 0}, {1, 1}}, 1},
  };
  for (const Case& C : kCases) {
    TFuzzySetValues V(nullptr);
    {
      TUpdateBlock<TCollection> Block(V);
      for (const P& Pt : C.Pts) V.Add(Pt.X, Pt.Y);
    }
    V.ExpandSimple(C.NewCount);
    EXPECT_EQ(PointsOf(V), C.Pts) << C.NewCount;
  }
}

// ---------------------------------------------------------------------------------------------
// Statistics

// A list without a set, so that negative Y values stay; X counts up from 0.
std::unique_ptr<TFuzzySetValues> LooseList(const std::vector<TFzyFloat>& Ys) {
  auto V = std::make_unique<TFuzzySetValues>(nullptr);
  TFzyFloat X = 0;
  for (TFzyFloat Y : Ys) V->Add(X++, Y);
  return V;
}

TEST(FuzzySetValuesStatistics, MaxAndMinStopAtOneAndZero) {
  struct Case {
    std::vector<TFzyFloat> Ys;
    TFzyFloat Max, Min;
  };
  const Case kCases[] = {
      {{0.2, 1, 1.5}, 1, 0.2},      // a Y above 1 after a point of exactly 1 is not seen
      {{0.3, 0.7, 0.5}, 0.7, 0.3},
      {{0.5, 0, -1}, 0.5, 0},       // nor a Y below 0 after a point of exactly 0
      {{0.4}, 0.4, 0.4},
  };
  for (const Case& C : kCases) {
    auto V = LooseList(C.Ys);
    EXPECT_EQ(V->GetMaxValue(), C.Max) << V->GetCount();
    EXPECT_EQ(V->GetMinValue(), C.Min) << V->GetCount();
  }
}

// The walk starts at the first point's Y and stops only when a later point makes the new
// running maximum exactly 1: a first point of 1 does not end it.
TEST(FuzzySetValuesStatistics, AFirstYOfOneDoesNotStopTheMaximum) {
  auto V = LooseList({1, 1.5});
  EXPECT_EQ(V->GetMaxValue(), 1.5);
}

// The same rule for the minimum: only a later point that makes the running minimum exactly 0
// ends the walk.
TEST(FuzzySetValuesStatistics, AFirstYOfZeroDoesNotStopTheMinimum) {
  auto V = LooseList({0, -1});
  EXPECT_EQ(V->GetMinValue(), -1);
}

TEST(FuzzySetValuesStatistics, AverageAndStatValues) {
  auto V = LooseList({0.2, 0.4, 0.9});
  EXPECT_DOUBLE_EQ(V->GetAvgValue(), 0.5);

  TFzyFloat Avg = -1, Max = -1, Min = -1;
  auto W = LooseList({2, 3});
  W->GetStatValues(Avg, Max, Min);
  EXPECT_EQ(Avg, 2.5);
  EXPECT_EQ(Max, 3);
  EXPECT_EQ(Min, 1);  // the minimum starts at 1

  auto U = LooseList({-0.5, -0.25});
  U->GetStatValues(Avg, Max, Min);
  EXPECT_EQ(Avg, -0.375);
  EXPECT_EQ(Max, 0);  // and the maximum at 0
  EXPECT_EQ(Min, -0.5);
}

TEST(FuzzySetValuesStatistics, AnEmptyListRaisesNamingTheOperation) {
  TFuzzySetValues V(nullptr);
  TFzyFloat A = 0, B = 0, C = 0;
  EXPECT_THROW_MSG(V.GetAvgValue(), EFzyException, "Invalid operation: \"Get Average Y Value\".  Fuzzy set is empty");
  EXPECT_THROW_MSG(V.GetMaxValue(), EFzyException, "Invalid operation: \"Get Maximum Y Value\".  Fuzzy set is empty");
  EXPECT_THROW_MSG(V.GetMinValue(), EFzyException, "Invalid operation: \"Get Minimum Y Value\".  Fuzzy set is empty");
  EXPECT_THROW_MSG(V.GetStatValues(A, B, C), EFzyException,
                   "Invalid operation: \"Get Statistics Values\".  Fuzzy set is empty");
}

// ---------------------------------------------------------------------------------------------
// Point walks

P At(const TFuzzySetValue& Pt) { return {Pt.GetX(), Pt.GetY()}; }

TEST(FuzzySetValuesWalk, NextPointStepsTheCursorAndParksItAtXAfterTheEnd) {
  TFuzzySetValues V(nullptr);
  AddEach(V, {{0, 0}, {1, 0.5}});
  TFuzzySetValue Current(nullptr), Previous(nullptr);
  Current.Assign(V[0]);
  std::int32_t Index = 0;
  NextPoint(&Current, &Previous, Index, &V, 7);
  EXPECT_EQ(Index, 1);
  EXPECT_EQ(At(Previous), (P{0, 0}));
  EXPECT_EQ(At(Current), (P{1, 0.5}));
  NextPoint(&Current, &Previous, Index, &V, 7);
  EXPECT_EQ(Index, 2);
  EXPECT_EQ(At(Previous), (P{1, 0.5}));
  EXPECT_EQ(At(Current), (P{7, 0.5}));
}

TEST(FuzzySetValuesWalk, AddAndIncrementAddsByTheFlagAndRemembersATie) {
  struct Case {
    bool Flag;
    TFzyFloat A, B;
    bool Adds, Ties;
  };
  static const Case kCases[] = {
      {true, 2, 1, true, false},  {true, 1, 1, true, true},    {true, 0, 1, false, false},
      {false, 0, 1, true, false}, {false, 1, 1, false, true},  {false, 2, 1, false, false},
  };
  for (const Case& C : kCases) {
    TFuzzySetValues V(nullptr);
    AddEach(V, {{0, 0.25}, {1, 0.5}});
    TFuzzySet Result(nullptr);
    TFuzzySetValue Current(nullptr), Previous(nullptr), Other(nullptr);
    Current.Assign(V[0]);
    Other.SetValue(9, 9);
    std::int32_t Index = 0;
    AddAndIncrement(&Result, &Current, &Previous, &Other, Index, C.A, C.B, &V, 5, C.Flag);
    EXPECT_EQ(PointsOf(*Result.GetValues()), (C.Adds ? std::vector<P>{{0, 0.25}} : std::vector<P>{}))
        << C.Flag << " " << C.A << " " << C.B;
    EXPECT_EQ(At(Other), (C.Ties ? P{0, 0.25} : P{9, 9})) << C.Flag << " " << C.A << " " << C.B;
    EXPECT_EQ(Index, 1);
    EXPECT_EQ(At(Current), (P{1, 0.5}));
  }
}

TEST(FuzzySetValuesWalk, Add1AndIncrement2StepsBothCursors) {
  TFuzzySetValues V1(nullptr), V2(nullptr);
  AddEach(V1, {{0, 0.25}, {1, 0.5}});
  AddEach(V2, {{0, 0.75}});
  TFuzzySet Result(nullptr);
  TFuzzySetValue C1(nullptr), C2(nullptr), P1(nullptr), P2(nullptr);
  C1.Assign(V1[0]);
  C2.Assign(V2[0]);
  std::int32_t I1 = 0, I2 = 0;
  Add1AndIncrement2(&Result, &C1, &C2, &P1, &P2, I1, I2, 1, 1, &V1, &V2, 4, true);
  EXPECT_THAT(PointsOf(*Result.GetValues()), ElementsAre(P{0, 0.25}));
  EXPECT_EQ(I1, 1);
  EXPECT_EQ(I2, 1);
  EXPECT_EQ(At(C1), (P{1, 0.5}));
  EXPECT_EQ(At(P1), (P{0, 0.25}));
  // The tie first copied Previous1 into Previous2; the second step then overwrote it.
  EXPECT_EQ(At(P2), (P{0, 0.75}));
  EXPECT_EQ(At(C2), (P{4, 0.75}));
}

}  // namespace
}  // namespace tarnwick
