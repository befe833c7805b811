// Tests of the fuzzy set core: membership and interpolation, the range, the shape generators and
// the regeneration by set type, naming, normalization, the text forms, assignment, cloning, the
// change report to the set's collection, and that lookups allocate nothing.
#include "tarnwick/model/FuzzySet.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "ModelTestSupport.h"
#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/Format.h"

// Present when the program runs under AddressSanitizer (the ci build); the allocation test
// needs it and is skipped without it.
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*MallocHook)(const volatile void*, std::size_t),
                                                         void (*FreeHook)(const volatile void*))
    __attribute__((weak));

namespace tarnwick {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using test::AddEach;
using test::Near;
using test::PointsOf;
using test::TRangedSet;

// The point literals here are many: P for short.
using P = test::Pt;

constexpr TFzyFloat kMax = 2147483647.0;
constexpr TFzyFloat kMin = -2147483647.0;

const char* TypeName(TFuzzySetType T) {
  static const char* const kNames[] = {"fstUserDefined", "fstTriangle", "fstDeclineCurve",
                                       "fstPICurve",     "fstBetaCurve", "fstGrowthCurve"};
  return kNames[T];
}

class TProbeSet : public TFuzzySet {
 public:
  TProbeSet() : TFuzzySet(nullptr) {}
  using TFuzzySet::GetMaxYValueOfX;
  using TFuzzySet::GetMinYValueOfX;
};

// A collection of sets that records what it hears: notices as "added name/points" and
// "extracting name/points", change reports of a set as "Update(name type 'expression')".
class TSetLog : public TCollection {
 public:
  TSetLog() : TCollection(TFuzzySetClass::Of<TFuzzySet>()) {}
  ~TSetLog() override { DestroyItems(); }

  TFuzzySet* AddSet(const std::string& Name) {
    auto* Set = new TFuzzySet(this);
    Set->SetName(Name);
    Log.clear();
    return Set;
  }

  std::vector<std::string> Log;

 protected:
  void Notify(TCollectionItem* Item, TCollectionNotification Action) override {
    auto* Set = static_cast<TFuzzySet*>(Item);
    const std::string Kind = Action == cnAdded ? "added " : Action == cnExtracting ? "extracting " : "other ";
    Log.push_back(Kind + Set->GetName() + "/" + std::to_string(Set->GetValues()->GetCount()));
  }
  void Update(TCollectionItem* Item) override {
    if (Item == nullptr) {
      Log.push_back("Update(nil)");
      return;
    }
    auto* Set = static_cast<TFuzzySet*>(Item);
    Log.push_back("Update(" + Set->GetName() + " " + TypeName(Set->GetSetType()) + " '" + Set->GetExpression() + "')");
  }
};

// ---------------------------------------------------------------------------------------------
// Record and life

TEST(FuzzySetRecord, ANewSetStartsEmptyAndUnlinked) {
  TFuzzySet Set(nullptr);
  EXPECT_FALSE(Set.GetDefined());
  EXPECT_EQ(Set.GetSetType(), fstUserDefined);
  EXPECT_EQ(Set.GetName(), "");
  EXPECT_EQ(Set.GetComment(), "");
  EXPECT_EQ(Set.GetExpression(), "");
  EXPECT_EQ(Set.GetInflectionPoint(), 0);
  EXPECT_EQ(Set.GetTag(), 0);
  EXPECT_EQ(Set.GetVariable(), nullptr);
  EXPECT_EQ(Set.GetCollection(), nullptr);
  ASSERT_NE(Set.GetValues(), nullptr);
  EXPECT_EQ(Set.GetValues()->GetCount(), 0);
  EXPECT_EQ(Set.GetValues()->GetFuzzySet(), &Set);
}

TEST(FuzzySetRecord, TheCollectionSeesAWholeSetJoinAndLeave) {
  TSetLog Sets;
  auto* Set = new TFuzzySet(&Sets);
  EXPECT_THAT(Sets.Log, ElementsAre("added /0", "Update(nil)"));
  Set->SetName("warm");
  AddEach(*Set, {{0, 0}, {1, 1}});
  Sets.Log.clear();
  delete Set;
  EXPECT_THAT(Sets.Log, ElementsAre("extracting warm/2", "Update(nil)"));
  EXPECT_EQ(Sets.GetCount(), 0);
}

TEST(FuzzySetRecord, TheDisplayNameIsTheNameOrTheClassName) {
  TFuzzySet Set(nullptr);
  EXPECT_EQ(Set.GetDisplayName(), "TFuzzySet");
  Set.SetName("warm");
  EXPECT_EQ(Set.GetDisplayName(), "warm");
}

TEST(FuzzySetRecord, SetValuesCopiesTheGivenPoints) {
  TFuzzySetValues Source(nullptr);
  Source.Add(0, -1);
  Source.Add(1, 1);
  TFuzzySet Set(nullptr);
  Set.CreateTriangleFunctionValues(0, 5, 10);
  Set.SetValues(&Source);
  EXPECT_THAT(PointsOf(Set), ElementsAre(P{0, 0}, P{1, 1}));
  EXPECT_NE(Set.GetValues()->GetItem(0), Source.GetItem(0));
  EXPECT_EQ(Set.GetSetType(), fstUserDefined);
}

// ---------------------------------------------------------------------------------------------
// Membership

TEST(FuzzySetMembership, FlatOutsideStraightBetween) {
  TFuzzySet Set(nullptr);
  AddEach(Set, {{0, 0}, {5, 1}, {10, 0}});
  struct Case {
    TFzyFloat X, Expected;
  };
  static const Case kCases[] = {{-3, 0}, {0, 0}, {2.5, 0.5}, {5, 1}, {7.5, 0.5}, {10, 0}, {12, 0}, {1, 0.2}};
  for (const Case& C : kCases) EXPECT_DOUBLE_EQ(Set.DegreeOfMembership(C.X), C.Expected) << C.X;
}

TEST(FuzzySetMembership, OnAVerticalEdgeTheHighestPointCounts) {
  TFuzzySet Inner(nullptr);
  AddEach(Inner, {{0, 0}, {5, 0}, {5, 1}, {10, 1}});
  EXPECT_EQ(Inner.DegreeOfMembership(5), 1);
  EXPECT_EQ(Inner.DegreeOfMembership(4.9), 0);
  EXPECT_EQ(Inner.DegreeOfMembership(5.1), 1);

  TFuzzySet AtFirst(nullptr);
  AddEach(AtFirst, {{5, 0}, {5, 1}, {10, 0}});
  EXPECT_EQ(AtFirst.DegreeOfMembership(5), 1);
  EXPECT_EQ(AtFirst.DegreeOfMembership(4), 0);

  TFuzzySet AtLast(nullptr);
  AddEach(AtLast, {{0, 0}, {5, 1}, {5, 0}});
  EXPECT_EQ(AtLast.DegreeOfMembership(5), 1);
  EXPECT_EQ(AtLast.DegreeOfMembership(6), 0);
}

TEST(FuzzySetMembership, NoPointsGiveZeroAndOnePointIsFlat) {
  TFuzzySet Empty(nullptr);
  TFuzzySet One(nullptr);
  One.GetValues()->Add(3, 0.4);
  for (TFzyFloat X : {-1e9, 2.9, 3.0, 3.1, 1e9}) {
    EXPECT_EQ(Empty.DegreeOfMembership(X), 0) << X;
    EXPECT_EQ(One.DegreeOfMembership(X), 0.4) << X;
  }
}

// The membership walk as the rules state it, step by step, with no shortcut.
TFzyFloat WalkMaxYOfX(const TFuzzySetValues& V, std::int32_t Index, std::int32_t Dir) {
  const TFzyFloat X = V[Index]->GetX();
  std::int32_t Best = Index;
  for (std::int32_t I = Index + Dir; I >= 0 && I < V.GetCount(); I += Dir) {
    const TFzyFloat PX = V[I]->GetX();
    if (!(PX >= X - 1e-4 && PX <= X + 1e-4)) break;
    if (V[I]->GetY() > V[Best]->GetY()) Best = I;
  }
  return V[Best]->GetY();
}

TFzyFloat WalkDegree(const TFuzzySetValues& V, TFzyFloat Value) {
  const std::int32_t N = V.GetCount();
  if (N == 0) return 0;
  if (Value < V[0]->GetX()) return V[0]->GetY();
  if (Value == V[0]->GetX()) return WalkMaxYOfX(V, 0, 1);
  if (Value > V[N - 1]->GetX()) return V[N - 1]->GetY();
  if (Value == V[N - 1]->GetX()) return WalkMaxYOfX(V, N - 1, -1);
  for (std::int32_t I = 1; I < N; ++I) {
    if (V[I]->GetX() == Value) return WalkMaxYOfX(V, I, 1);
    if (V[I]->GetX() > Value)
      return TFuzzySet::InterpolateY(V[I - 1]->GetX(), V[I - 1]->GetY(), V[I]->GetX(), V[I]->GetY(), Value);
  }
  // Only a NaN gets here: no X reaches it. The search of a list whose X never fall ends on the
  // last point, the walk of one out of order on the second, which a single point lacks: reading
  // it raises the list's index error.
  bool InOrder = true;
  for (std::int32_t I = 1; I < N; ++I) InOrder = InOrder && !(V[I]->GetX() < V[I - 1]->GetX());
  const std::int32_t I = InOrder && N > 1 ? N - 1 : 1;
  const TFzyFloat QX = V[I]->GetX();
  return TFuzzySet::InterpolateY(V[I - 1]->GetX(), V[I - 1]->GetY(), QX, V[I]->GetY(), Value);
}

std::string Describe(const TFuzzySetValues& V) {
  std::ostringstream S;
  S.precision(17);
  for (std::int32_t I = 0; I < V.GetCount(); ++I) S << "(" << V[I]->GetX() << ", " << V[I]->GetY() << ") ";
  return S.str();
}

// Lists with vertical edges, runs of equal X, X values a little out of order within the
// tolerance (which the sort leaves alone) and, in every third list, points moved out of order
// altogether; each is asked at its own X values, just beside them, between them and outside.
TEST(FuzzySetMembership, AgreesWithTheStepByStepWalkEverywhere) {
  std::mt19937 Rng(20240611);
  static const TFzyFloat kJitter[] = {0, 0, 0, 4e-5, -4e-5, 9e-5, -9e-5, 1e-4};
  for (int Trial = 0; Trial < 400; ++Trial) {
    TFuzzySet Set(nullptr);
    TFuzzySetValues& V = *Set.GetValues();
    const int Count = 1 + static_cast<int>(Rng() % 12);
    {
      TUpdateBlock<TCollection> Block(V);
      for (int K = 0; K < Count; ++K) {
        const TFzyFloat X = static_cast<TFzyFloat>(Rng() % 8) * 0.5 + kJitter[Rng() % 8];
        const TFzyFloat Y = static_cast<TFzyFloat>(Rng() % 5) * 0.25;
        V.Add(X, Y);
      }
    }
    if (Trial % 4 == 1) V.Add(static_cast<TFzyFloat>(Rng() % 8) * 0.5, 0.6);  // one placed edit
    if (Trial % 3 == 0 && V.GetCount() > 2) {
      for (int K = 0; K < 2; ++K)
        V[static_cast<std::int32_t>(Rng() % V.GetCount())]->SetIndex(static_cast<std::int32_t>(Rng() % V.GetCount()));
    }

    std::vector<TFzyFloat> Queries = {-1, 5};
    for (std::int32_t I = 0; I < V.GetCount(); ++I) {
      const TFzyFloat X = V[I]->GetX();
      for (TFzyFloat D : {0.0, 2e-5, -2e-5, 1e-4, -1e-4, 0.25, -0.25}) Queries.push_back(X + D);
      if (I > 0) Queries.push_back((X + V[I - 1]->GetX()) / 2);
    }
    for (int K = 0; K < 10; ++K) Queries.push_back(std::uniform_real_distribution<TFzyFloat>(-0.5, 4.5)(Rng));

    for (TFzyFloat Q : Queries) {
      const TFzyFloat Got = Set.DegreeOfMembership(Q);
      const TFzyFloat Want = WalkDegree(V, Q);
      if (Got != Want) {
        ADD_FAILURE() << "at " << Q << " got " << Got << ", the walk gives " << Want << " on " << Describe(V);
        break;
      }
    }
  }
}

// The bits of a degree, or the message of the error it raised.
struct TOutcome {
  std::uint64_t Bits = 0;
  std::string Error;
  bool operator==(const TOutcome&) const = default;
};

template <typename TDegree>
TOutcome OutcomeOf(TDegree Degree) {
  try {
    return {std::bit_cast<std::uint64_t>(Degree()), ""};
  } catch (const Exception& E) {
    return {0, E.what()};
  }
}

// Bit for bit, NaN and -0.0 included, on lists of 0 to 200 points over an unbounded range: X
// from a coarse grid (so that X repeat: vertical edges and runs), beside it within and just past
// the tolerance, anywhere, or huge, tiny, infinite and -0.0; degrees 0, -0.0, tiny, ordinary,
// huge or infinite. The lists are built by single edits, in one update block, or are read while
// a block is still open (X out of order), and some have points moved out of order. Each list is
// asked at its X, the neighbouring doubles, beside them, between them, anywhere, and at NaN,
// the infinities, the largest and the tiniest values and both zeros.
TEST(FuzzySetMembership, AgreesBitForBitWithTheWalkOnAnyPointsAndValues) {
  constexpr TFzyFloat kInf = std::numeric_limits<TFzyFloat>::infinity();
  constexpr TFzyFloat kHuge = std::numeric_limits<TFzyFloat>::max();
  constexpr TFzyFloat kTiny = std::numeric_limits<TFzyFloat>::denorm_min();
  const TFzyFloat kNaN = std::numeric_limits<TFzyFloat>::quiet_NaN();
  static const TFzyFloat kSpecialX[] = {-kInf, kInf, -kHuge, kHuge, -1e300, 1e300, -0.0};
  static const TFzyFloat kJitter[] = {4e-5, -4e-5, 9e-5, -9e-5, 1e-4, -1e-4, 1.1e-4, -1.1e-4, kTiny, -kTiny, 1e-310};
  static const TFzyFloat kY[] = {0, -0.0, 1, 0.5, 0.25, 0.75, kTiny, 1e-300, 1e300, kHuge, kInf};
  const std::vector<TFzyFloat> kSpecialQueries = {kNaN, -kNaN, kInf, -kInf, kHuge, -kHuge, 1e300, -1e300,
                                                  kTiny, -kTiny, 0.0, -0.0};
  std::mt19937_64 Rng(20261211);
  auto Pick = [&Rng](auto& Array) { return Array[Rng() % std::size(Array)]; };
  // Jitter within the tolerance (tiny values beside 0 too) may leave X out of order after the
  // clean-up, which keeps the list from the search: only every fourth list has it.
  auto MakeX = [&](bool Jitter) -> TFzyFloat {
    const TFzyFloat Grid = static_cast<TFzyFloat>(static_cast<int>(Rng() % 16) - 4) * 0.5;
    switch (Rng() % 10) {
      case 0: return Pick(kSpecialX);
      case 1: return std::uniform_real_distribution<TFzyFloat>(-2, 6)(Rng);
      case 2:
      case 3: return Jitter ? Grid + Pick(kJitter) : Grid;
      default: return Grid;
    }
  };
  auto MakeY = [&]() -> TFzyFloat {
    return Rng() % 3 == 0 ? Pick(kY) : std::uniform_real_distribution<TFzyFloat>(0, 1)(Rng);
  };

  for (int Trial = 0; Trial < 600; ++Trial) {
    test::TRangedSet Set(-kInf, kInf);
    TFuzzySetValues& V = *Set.GetValues();
    const int Count = Trial % 8 == 7 ? 13 + static_cast<int>(Rng() % 188) : static_cast<int>(Rng() % 13);
    auto Check = [&](const char* Where) {
      std::vector<TFzyFloat> Queries = kSpecialQueries;
      for (std::int32_t I = 0; I < V.GetCount(); ++I) {
        const TFzyFloat X = V[I]->GetX();
        for (TFzyFloat Q : {X, std::nextafter(X, -kInf), std::nextafter(X, kInf), X + 5e-5, X - 5e-5})
          Queries.push_back(Q);
        if (I > 0) Queries.push_back(X / 2 + V[I - 1]->GetX() / 2);
      }
      for (int K = 0; K < 20; ++K) Queries.push_back(std::uniform_real_distribution<TFzyFloat>(-3, 7)(Rng));
      for (TFzyFloat Q : Queries) {
        const TOutcome Got = OutcomeOf([&] { return Set.DegreeOfMembership(Q); });
        const TOutcome Want = OutcomeOf([&] { return WalkDegree(V, Q); });
        if (Got != Want) {
          ADD_FAILURE() << Where << ", trial " << Trial << ": at " << Q << " got " << std::hex << Got.Bits << " '"
                        << Got.Error << "', the walk gives " << Want.Bits << " '" << Want.Error << "'" << std::dec
                        << " on " << Describe(V);
          return false;
        }
      }
      return true;
    };
    switch (Trial % 3) {
      case 0:
        for (int K = 0; K < Count; ++K) V.Add(MakeX(Trial % 4 == 0), MakeY());
        break;
      case 1: {
        TUpdateBlock<TCollection> Block(V);
        for (int K = 0; K < Count; ++K) V.Add(MakeX(Trial % 4 == 0), MakeY());
        break;
      }
      default: {
        TUpdateBlock<TCollection> Block(V);
        for (int K = 0; K < Count; ++K) V.Add(MakeX(Trial % 4 == 0), MakeY());
        if (!Check("inside the block")) return;
      }
    }
    if (Trial % 5 == 4 && V.GetCount() > 2)
      for (int K = 0; K < 2; ++K)
        V[static_cast<std::int32_t>(Rng() % V.GetCount())]->SetIndex(static_cast<std::int32_t>(Rng() % V.GetCount()));
    if (!Check("built")) return;
  }
}

// A point whose X is NaN, which a point brings along when it moves in from a scratch list,
// orders with nothing: the list's X may then fall past it unseen, and a value on the last X
// must still give that point's degree, which only the rules' own steps find.
TEST(FuzzySetMembership, ANaNXAmongThePointsLeavesTheRulesInCharge) {
  TFuzzySet Set(nullptr);
  TFuzzySetValues& V = *Set.GetValues();
  AddEach(Set, {{0, 0}, {10, 0.8}, {20, 0.2}, {30, 0.6}});
  TFuzzySetValues Scratch(nullptr);
  TFuzzySetValue* Odd = Scratch.Add();
  Odd->SetValue(std::numeric_limits<TFzyFloat>::quiet_NaN(), 0.4);
  Odd->SetCollection(&V);
  V[1]->SetIndex(4);
  ASSERT_EQ(V.GetCount(), 5);
  ASSERT_EQ(V[1]->GetX(), 20);
  ASSERT_TRUE(std::isnan(V[3]->GetX()));
  ASSERT_EQ(V[4]->GetX(), 10);
  EXPECT_EQ(Set.DegreeOfMembership(10), 0.8);
  EXPECT_EQ(Set.DegreeOfMembership(11), 0.8);
  EXPECT_EQ(Set.DegreeOfMembership(-1), 0);
  EXPECT_EQ(Set.DegreeOfMembership(0), 0);
}

// Membership reads a flat copy of the points that every edit must discard: after each kind of
// edit of a set that was just read, inside an update block and outside, the degrees are the
// walk's over the points as they now are.
TEST(FuzzySetMembership, FollowsEveryEditOfASetAlreadyRead) {
  struct Edit {
    const char* Name;
    std::function<void(TFuzzySet&)> Apply;
  };
  const Edit kEdits[] = {
      {"SetX", [](TFuzzySet& S) { (*S.GetValues())[1]->SetX(3.5); }},
      {"SetY", [](TFuzzySet& S) { (*S.GetValues())[2]->SetY(0.1); }},
      {"SetValue", [](TFuzzySet& S) { (*S.GetValues())[0]->SetValue(0.5, 0.7); }},
      {"SetIndex", [](TFuzzySet& S) { (*S.GetValues())[3]->SetIndex(0); }},
      {"Delete", [](TFuzzySet& S) { S.GetValues()->Delete(1); }},
      {"free a point", [](TFuzzySet& S) { delete (*S.GetValues())[2]; }},
      {"Add", [](TFuzzySet& S) { S.GetValues()->Add(2.5, 0.9); }},
      {"Insert", [](TFuzzySet& S) { S.GetValues()->Insert(0)->SetY(0.3); }},
      {"Clear", [](TFuzzySet& S) { S.GetValues()->Clear(); }},
      {"Assign", [](TFuzzySet& S) {
         TFuzzySet Other(nullptr);
         AddEach(Other, {{1, 0.2}, {2, 0.8}});
         S.GetValues()->Assign(Other.GetValues());
       }},
      {"Append itself", [](TFuzzySet& S) { S.GetValues()->Append(S.GetValues()); }},
      {"Expand", [](TFuzzySet& S) { S.GetValues()->Expand(9); }},
      {"Normalize", [](TFuzzySet& S) { S.Normalize(); }},
      {"Hedge", [](TFuzzySet& S) { S.Hedge(bfhMultiply, 0.5, true); }},
      {"CreateCrispValue", [](TFuzzySet& S) { S.CreateCrispValue(2); }},
      {"move a point away", [](TFuzzySet& S) {
         TFuzzySetValues Elsewhere(nullptr);
         (*S.GetValues())[1]->SetCollection(&Elsewhere);
       }},
  };
  const TFzyFloat kQueries[] = {-1, 0, 0.5, 1, 1.5, 2, 2.5, 3, 3.5, 4, 4.5, 5, 6};
  auto Check = [&](const TFuzzySet& S, const std::string& Where) {
    for (TFzyFloat Q : kQueries) {
      const TFzyFloat Want = WalkDegree(*S.GetValues(), Q);
      ASSERT_EQ(S.DegreeOfMembership(Q), Want) << Where << " at " << Q << " on " << Describe(*S.GetValues());
    }
  };
  for (const Edit& E : kEdits) {
    for (bool InBlock : {false, true}) {
      TFuzzySet Set(nullptr);
      AddEach(Set, {{0, 0}, {1, 0.5}, {2, 1}, {4, 0.25}, {5, 0}});
      Check(Set, "before");
      if (!InBlock) {
        E.Apply(Set);
        Check(Set, E.Name);
        continue;
      }
      {
        TUpdateBlock<TCollection> Block(*Set.GetValues());
        Set.GetValues()->Add(1.5, 0.4);  // out of order until the block ends
        Check(Set, std::string(E.Name) + ", a bulk change begun");
        E.Apply(Set);
        Check(Set, std::string(E.Name) + " in a block");
      }
      Check(Set, std::string(E.Name) + " after the block");
    }
  }
}

TEST(FuzzySetMembership, TheHighestOfARunIsTheFirstOfEqualMaximaInWalkingOrder) {
  TProbeSet Set;
  {
    TUpdateBlock<TCollection> Block(*Set.GetValues());
    AddEach(Set, {{1, 0.9}, {5, 0.8}, {5, 0.2}, {5.00005, 0.8}, {5, 0.1}, {5.0002, 1}});
  }
  ASSERT_EQ(Set.GetValues()->GetCount(), 6);
  EXPECT_EQ(Set.GetMaxYValueOfX(1, 1), 1);
  EXPECT_EQ(Set.GetMaxYValueOfX(4, -1), 3);
  EXPECT_EQ(Set.GetMaxYValueOfX(4, 1), 4);  // 5.0002 lies outside the tolerance of 5
  EXPECT_EQ(Set.GetMaxYValueOfX(3, 1), 3);  // and of 5.00005
  EXPECT_EQ(Set.GetMinYValueOfX(1, 1), 4);
  EXPECT_EQ(Set.GetMinYValueOfX(3, -1), 2);
  EXPECT_EQ(Set.GetMinYValueOfX(0, 1), 0);
}

TEST(FuzzySetMembership, InterpolationFollowsTheSegment) {
  EXPECT_EQ(TFuzzySet::InterpolateY(0, 0, 10, 1, 2.5), 0.25);
  EXPECT_EQ(TFuzzySet::InterpolateY(0, 1, 4, 0, 6), -0.5);  // beyond the segment, on its line
  EXPECT_EQ(TFuzzySet::InterpolateY(3, 0.2, 3, 0.7, 9), 0.7);
  EXPECT_EQ(TFuzzySet::InterpolateX(0, 0, 10, 1, 0.25), 2.5);
  EXPECT_EQ(TFuzzySet::InterpolateX(2, 1, 4, 0, 0.75), 2.5);
  EXPECT_EQ(TFuzzySet::InterpolateX(2, 0.5, 8, 0.5, 0.9), 8);
}

// ---------------------------------------------------------------------------------------------
// Range, height, normalization

TEST(FuzzySetRange, WithoutAVariableTheRangeIsThe32BitSpan) {
  TFuzzySet Set(nullptr);
  EXPECT_EQ(Set.GetXRange(0), 2147483647.0);
  EXPECT_EQ(Set.GetXRange(1), -2147483647.0);
  EXPECT_THROW_MSG(Set.GetXRange(2), EFzyException, "Invalid index argument to GetXRange.  Index = 2");
  EXPECT_THROW_MSG(Set.GetXRange(-1), EFzyException, "Invalid index argument to GetXRange.  Index = -1");
}

TEST(FuzzySetRange, TheHeightIsTheHighestYAndZeroWithoutPoints) {
  TFuzzySet Set(nullptr);
  EXPECT_EQ(Set.GetCompatibilityIndex(), 0);
  AddEach(Set, {{0, 0.3}, {1, 0.6}, {2, 0.1}});
  EXPECT_EQ(Set.GetCompatibilityIndex(), 0.6);
}

TEST(FuzzySetNormalize, DividesEveryYByTheHeight) {
  TFuzzySet Set(nullptr);
  AddEach(Set, {{0, 0.25}, {1, 0.5}, {2, 0}});
  EXPECT_EQ(Set.Normalize(), &Set);
  EXPECT_THAT(PointsOf(Set), ElementsAre(P{0, 0.5}, P{1, 1}, P{2, 0}));

  TFuzzySet Odd(nullptr);
  AddEach(Odd, {{0, 0.3}, {1, 0.1}, {2, 0.2}});
  Odd.Normalize();
  EXPECT_THAT(PointsOf(Odd), ElementsAre(P{0, (1 / 0.3) * 0.3}, P{1, (1 / 0.3) * 0.1}, P{2, (1 / 0.3) * 0.2}));

  TFuzzySet High(nullptr);
  AddEach(High, {{0, 2}, {1, 4}});
  High.Normalize();
  EXPECT_THAT(PointsOf(High), ElementsAre(P{0, 0.5}, P{1, 1}));
}

TEST(FuzzySetNormalize, AZeroHeightLeavesTheSetAlone) {
  TFuzzySet Set(nullptr);
  AddEach(Set, {{0, 0}, {1, 0}});
  Set.SetExpression("flat");
  EXPECT_EQ(Set.Normalize(), &Set);
  EXPECT_THAT(PointsOf(Set), ElementsAre(P{0, 0}, P{1, 0}));
  EXPECT_EQ(Set.GetExpression(), "flat");
}

TEST(FuzzySetNormalize, AnEmptySetRaises) {
  TFuzzySet Set(nullptr);
  EXPECT_THROW_MSG(Set.Normalize(), EFzyException, "Invalid operation: \"Get Maximum Y Value\".  Fuzzy set is empty");
}

// ---------------------------------------------------------------------------------------------
// Shape generators

TEST(FuzzySetShapes, TriangleRaisesRightAndHoldsMiddle) {
  struct Case {
    TFzyFloat Left, Middle, Right;
    std::vector<P> Expected;
  };
  const Case kCases[] = {
      {0, 5, 10, {{0, 0}, {5, 1}, {10, 0}}},
      {4, 9, 2, {{4, 0}, {4, 1}, {4, 0}}},
      {0, -3, 10, {{0, 0}, {0, 1}, {10, 0}}},
      {0, 12, 10, {{0, 0}, {10, 1}, {10, 0}}},
  };
  for (const Case& C : kCases) {
    TFuzzySet Set(nullptr);
    Set.SetExpression("before");
    Set.CreateTriangleFunctionValues(C.Left, C.Middle, C.Right);
    EXPECT_EQ(PointsOf(Set), C.Expected) << C.Left << " " << C.Middle << " " << C.Right;
    EXPECT_EQ(Set.GetSetType(), fstTriangle);
    EXPECT_EQ(Set.GetExpression(), "");
  }
}

TEST(FuzzySetShapes, GeneratorsAppendToThePointsThere) {
  TFuzzySet Set(nullptr);
  Set.GetValues()->Add(-5, 0.5);
  Set.CreateCurveValues(3, 0, 2, 1, true);
  EXPECT_THAT(PointsOf(Set), ElementsAre(P{-5, 0.5}, P{0, 0}, P{1, 0.5}, P{2, 1}));
  Set.CreateTriangleFunctionValues(6, 7, 8);
  EXPECT_EQ(Set.GetValues()->GetCount(), 7);
}

TEST(FuzzySetShapes, GeneratedXIsHeldInTheRange) {
  TRangedSet Set(0, 10);
  Set.CreateTriangleFunctionValues(-5, 5, 15);
  EXPECT_THAT(PointsOf(Set), ElementsAre(P{0, 0}, P{5, 1}, P{10, 0}));
}

TEST(FuzzySetShapes, CurvesRiseOrFallAlongTwoParabolas) {
  TFuzzySet Growth(nullptr);
  Growth.CreateCurveValues(5, 0, 4, 2, true);
  EXPECT_THAT(PointsOf(Growth), ElementsAre(P{0, 0}, P{1, 0.125}, P{2, 0.5}, P{3, 0.875}, P{4, 1}));
  EXPECT_EQ(Growth.GetSetType(), fstGrowthCurve);
  EXPECT_EQ(Growth.GetInflectionPoint(), 2);

  TFuzzySet Decline(nullptr);
  Decline.CreateCurveValues(5, 0, 4, 3.5, false);
  EXPECT_THAT(PointsOf(Decline), ElementsAre(P{0, 1}, P{1, 0.875}, P{2, 0.5}, P{3, 0.125}, P{4, 0}));
  EXPECT_EQ(Decline.GetSetType(), fstDeclineCurve);
  EXPECT_EQ(Decline.GetInflectionPoint(), 3.5);  // stored only: it does not shape the curve
}

TEST(FuzzySetShapes, ACurveHasAtLeastThreePoints) {
  for (std::int32_t Num : {-4, 0, 1, 2}) {
    TFuzzySet Set(nullptr);
    Set.CreateCurveValues(Num, 0, 2, 1, true);
    EXPECT_THAT(PointsOf(Set), ElementsAre(P{0, 0}, P{1, 0.5}, P{2, 1})) << Num;
  }
}

TEST(FuzzySetShapes, ACurveWithLeftAboveRightRaisesAndAddsNothing) {
  TFuzzySet Set(nullptr);
  Set.CreateTriangleFunctionValues(0, 1, 2);
  EXPECT_THROW_MSG(Set.CreateCurveValues(5, 5, 1, 3, true), EFzyException,
                   "Invalid range arguments.  Left (5.0000) is greater than right (1.0000)");
  EXPECT_EQ(Set.GetValues()->GetCount(), 3);
  EXPECT_EQ(Set.GetSetType(), fstTriangle);
  EXPECT_EQ(Set.GetInflectionPoint(), 0);
}

TEST(FuzzySetShapes, APICurveMeetsInOnePeak) {
  TFuzzySet Set(nullptr);
  Set.CreatePIFunctionValues(7, 0, 6, 3);
  const TFzyFloat Low = 2.0 / 9, High = 7.0 / 9;
  EXPECT_THAT(PointsOf(Set), ElementsAre(P{0, 0}, Near(1, Low), Near(2, High), P{3, 1}, Near(4, High), Near(5, Low),
                                       Near(6, 0)));
  EXPECT_EQ(Set.GetSetType(), fstPICurve);
  EXPECT_EQ(Set.GetInflectionPoint(), 4.5);

  TFuzzySet ByRange(nullptr);
  ByRange.CreatePIFunctionValues(7, 3, 3);
  EXPECT_EQ(PointsOf(ByRange), PointsOf(Set));
  EXPECT_EQ(ByRange.GetSetType(), fstPICurve);
}

// Every count gives a curve with exactly one peak (C, 1), rising and falling without a fold;
// from 5 points on it has exactly the requested number, below that the five its halves need.
TEST(FuzzySetShapes, APICurveKeepsOnePeakForEveryCount) {
  for (std::int32_t Num = -1; Num <= 12; ++Num) {
    TFuzzySet Set(nullptr);
    Set.CreatePIFunctionValues(Num, 0, 6, 3);
    const std::vector<P> Pts = PointsOf(Set);
    EXPECT_EQ(static_cast<std::int32_t>(Pts.size()), Num >= 5 ? Num : 5) << Num;
    int Peaks = 0;
    for (std::size_t I = 0; I < Pts.size(); ++I) {
      EXPECT_TRUE(std::isfinite(Pts[I].Y) && Pts[I].Y >= 0 && Pts[I].Y <= 1) << Num << " " << Pts[I];
      if (Pts[I].Y == 1) {
        ++Peaks;
        EXPECT_EQ(Pts[I].X, 3) << Num;
      }
      if (I > 0) {
        EXPECT_LT(Pts[I - 1].X, Pts[I].X) << Num;
      }
    }
    EXPECT_EQ(Peaks, 1) << Num;
    EXPECT_EQ(Pts.front(), (P{0, 0})) << Num;
    EXPECT_DOUBLE_EQ(Pts.back().X, 6) << Num;
    EXPECT_EQ(Pts.back().Y, 0) << Num;
  }
}

TEST(FuzzySetShapes, AnEvenPICurveGivesTheFallingHalfOnePointLess) {
  TFuzzySet Set(nullptr);
  Set.CreatePIFunctionValues(6, 0, 6, 3);
  EXPECT_THAT(PointsOf(Set), ElementsAre(P{0, 0}, Near(1, 2.0 / 9), Near(2, 7.0 / 9), P{3, 1}, Near(4.5, 0.5), P{6, 0}));
}

TEST(FuzzySetShapes, AThreePointPICurveStaysSymmetric) {
  TFuzzySet Set(nullptr);
  Set.CreatePIFunctionValues(3, 0, 6, 3);
  EXPECT_THAT(PointsOf(Set), ElementsAre(P{0, 0}, P{1.5, 0.5}, P{3, 1}, P{4.5, 0.5}, P{6, 0}));
}

TEST(FuzzySetShapes, APICurveLeavesTheEarlierPointsAlone) {
  TFuzzySet Set(nullptr);
  AddEach(Set, {{-10, 0.3}, {20, 0.3}});
  Set.CreatePIFunctionValues(7, 0, 6, 3);
  const TFzyFloat Low = 2.0 / 9, High = 7.0 / 9;
  EXPECT_THAT(PointsOf(Set), ElementsAre(P{-10, 0.3}, P{0, 0}, Near(1, Low), Near(2, High), P{3, 1}, Near(4, High),
                                       Near(5, Low), Near(6, 0), P{20, 0.3}));
}

TEST(FuzzySetShapes, APICurveHoldsItsCentreInTheRange) {
  TFuzzySet Set(nullptr);
  Set.CreatePIFunctionValues(7, 0, 6, 10);
  EXPECT_THAT(PointsOf(Set), ElementsAre(P{0, 0}, Near(2, 2.0 / 9), Near(4, 7.0 / 9), P{6, 1}));
  EXPECT_EQ(Set.GetInflectionPoint(), 6);
}

TEST(FuzzySetShapes, APICurveWithLeftAboveRightRaisesAndAddsNothing) {
  TFuzzySet Set(nullptr);
  EXPECT_THROW_MSG(Set.CreatePIFunctionValues(7, 6, 0, 3), EFzyException,
                   "Invalid range arguments.  Left (6.0000) is greater than right (0.0000)");
  EXPECT_THROW_MSG(Set.CreatePIFunctionValues(7, -1, 3), EFzyException,
                   "Invalid range arguments.  Left (4.0000) is greater than right (2.0000)");
  EXPECT_EQ(Set.GetValues()->GetCount(), 0);
  EXPECT_EQ(Set.GetSetType(), fstUserDefined);
}

TEST(FuzzySetShapes, ABetaCurveFollowsItsFormula) {
  TFuzzySet Set(nullptr);
  Set.CreateBetaCurveFunctionValues(5, 2, 0, 1);
  EXPECT_THAT(PointsOf(Set), ElementsAre(P{-2, 0.2}, P{-1, 0.5}, P{0, 1}, P{1, 0.5}, P{2, 0.2}));
  EXPECT_EQ(Set.GetSetType(), fstBetaCurve);
  EXPECT_EQ(Set.GetInflectionPoint(), 1);

  TFuzzySet Weighted(nullptr);
  Weighted.CreateBetaCurveFunctionValues(5, 2, 0, 1, 4);
  EXPECT_THAT(PointsOf(Weighted), ElementsAre(P{-2, 1.0 / 17}, P{-1, 0.2}, P{0, 1}, P{1, 0.2}, P{2, 1.0 / 17}));

  TFuzzySet Few(nullptr);
  Few.CreateBetaCurveFunctionValues(1, 2, 0, 1);
  EXPECT_THAT(PointsOf(Few), ElementsAre(P{-2, 0.2}, P{0, 1}, P{2, 0.2}));
}

// An inflection point of 0 narrows the curve to a spike on the centre; a Y that the formula
// cannot give (a pole, a negative value) becomes 0.
TEST(FuzzySetShapes, ABetaCurveNeverGetsAnUndefinedY) {
  struct Case {
    std::int32_t Num;
    TFzyFloat Range, Center, Inflection, Weight;
    std::vector<TFzyFloat> Ys;
  };
  const Case kCases[] = {
      {5, 2, 0, 0, 1, {0, 0, 1, 0, 0}},
      {5, 2, 0, 0, 0, {1, 1, 1, 1, 1}},
      {4, 2, 0, 0, 1, {0, 0, 0, 0}},
      {5, 2, 0, 1, -1, {0, 0, 1, 0, 0}},
  };
  for (const Case& C : kCases) {
    TFuzzySet Set(nullptr);
    Set.CreateBetaCurveFunctionValues(C.Num, C.Range, C.Center, C.Inflection, C.Weight);
    std::vector<TFzyFloat> Ys;
    for (const P& Pt : PointsOf(Set)) Ys.push_back(Pt.Y);
    EXPECT_EQ(Ys, C.Ys) << C.Num << " " << C.Range << " " << C.Center << " " << C.Inflection << " " << C.Weight;
    EXPECT_EQ(Set.GetSetType(), fstBetaCurve);
    EXPECT_EQ(Set.GetInflectionPoint(), C.Inflection);
  }
  // Whatever the arithmetic does with extreme arguments, every Y is a number of at least 0.
  TFuzzySet Extreme(nullptr);
  Extreme.CreateBetaCurveFunctionValues(5, 2, 0, 1e-300, 0);
  Extreme.CreateBetaCurveFunctionValues(5, 2, 10, 1e-300, 1e300);
  Extreme.CreateBetaCurveFunctionValues(5, 2, 20, -1, 1);
  for (const P& Pt : PointsOf(Extreme)) EXPECT_TRUE(std::isfinite(Pt.Y) && Pt.Y >= 0) << Pt;
}

class FuzzySetGlobals : public testing::Test {
 protected:
  void TearDown() override {
    FuzzyFormatStr = FSavedFormat;
    FormatSettings().DecimalSeparator = FSavedSeparator;
  }

 private:
  std::string FSavedFormat = FuzzyFormatStr;
  char FSavedSeparator = FormatSettings().DecimalSeparator;
};

using FuzzySetCrisp = FuzzySetGlobals;

TEST_F(FuzzySetCrisp, ACrispValueReplacesThePointsBySpike) {
  TFuzzySet Set(nullptr);
  Set.CreateTriangleFunctionValues(0, 5, 10);
  FuzzyFormatStr = "%.1f";  // the expression always has four decimals
  Set.CreateCrispValue(2.5);
  EXPECT_THAT(PointsOf(Set), ElementsAre(P{2.5, 0}, P{2.5, 1}, P{2.5, 0}));
  EXPECT_EQ(Set.GetSetType(), fstUserDefined);
  EXPECT_EQ(Set.GetExpression(), "2.5000");
  Set.CreateCrispValue(-1.25);
  EXPECT_EQ(Set.GetExpression(), "-1.2500");
  EXPECT_EQ(Set.GetValues()->GetCount(), 3);
}

// ---------------------------------------------------------------------------------------------
// Regeneration by set type

// Without a variable the range is [-2147483647, 2147483647]: its centre is 0 and a third of
// its width is the half-width of the triangle, PI and beta shapes.
class FuzzySetSetType : public testing::Test {
 protected:
  static constexpr TFzyFloat D = kMax - kMin;
  const TFzyFloat H = ONE_THIRD * D;
  const TFzyFloat C = kMin + D / 2;
  const TFzyFloat A = ONE_THIRD * D + kMin;
  const TFzyFloat B = TWO_THIRDS * D + kMin;

  void Regenerate(TFuzzySetType Type) {
    AddEach(Set, {{-5, 0.5}, {5, 0.5}});
    Set.SetExpression("old");
    Set.SetSetType(Type);
    EXPECT_EQ(Set.GetSetType(), Type);
    EXPECT_EQ(Set.GetExpression(), "");
  }

  TFuzzySet Set{nullptr};
};

TEST_F(FuzzySetSetType, TriangleSpansTheMiddleThird) {
  Regenerate(fstTriangle);
  EXPECT_THAT(PointsOf(Set), ElementsAre(Near(C - H, 0), Near(C, 1), Near(C + H, 0)));
  EXPECT_EQ(C, 0);
}

TEST_F(FuzzySetSetType, CurvesRunOverTheMiddleThirdInSevenPoints) {
  Regenerate(fstGrowthCurve);
  std::vector<P> Pts = PointsOf(Set);
  ASSERT_EQ(Pts.size(), 7u);
  EXPECT_EQ(Pts.front(), (P{A, 0}));
  EXPECT_NEAR(Pts.back().X, B, 1e-6);
  EXPECT_NEAR(Pts.back().Y, 1, 1e-9);
  EXPECT_NEAR(Pts[3].Y, 0.5, 1e-9);
  for (std::size_t I = 1; I < Pts.size(); ++I) EXPECT_LT(Pts[I - 1].Y, Pts[I].Y);
  EXPECT_DOUBLE_EQ(Set.GetInflectionPoint(), A + (B - A) / 2);

  TFuzzySet Decline(nullptr);
  Decline.SetSetType(fstDeclineCurve);
  Pts = PointsOf(Decline);
  ASSERT_EQ(Pts.size(), 7u);
  EXPECT_EQ(Pts.front(), (P{A, 1}));
  EXPECT_NEAR(Pts.back().Y, 0, 1e-9);
  EXPECT_EQ(Decline.GetSetType(), fstDeclineCurve);
}

TEST_F(FuzzySetSetType, APICurveHasSevenPointsAndItsPeakOnTheCentre) {
  Regenerate(fstPICurve);
  std::vector<P> Pts = PointsOf(Set);
  ASSERT_EQ(Pts.size(), 7u);
  EXPECT_EQ(Pts.front(), (P{C - H, 0}));
  EXPECT_EQ(Pts[3], (P{C, 1}));
  EXPECT_NEAR(Pts.back().X, C + H, 1e-6);
  EXPECT_EQ(Pts.back().Y, 0);
  EXPECT_DOUBLE_EQ(Set.GetInflectionPoint(), C + H / 2);
}

TEST_F(FuzzySetSetType, ABetaCurveHasSevenPointsOverTheMiddleThird) {
  Regenerate(fstBetaCurve);
  std::vector<P> Pts = PointsOf(Set);
  ASSERT_EQ(Pts.size(), 7u);
  const TFzyFloat Inflection = (D / 2 - H) / 2;
  EXPECT_DOUBLE_EQ(Set.GetInflectionPoint(), Inflection);
  EXPECT_EQ(Pts.front().X, C - H);
  EXPECT_NEAR(Pts.front().Y, 1.0 / 17, 1e-12);  // H is four times the inflection point
  EXPECT_NEAR(Pts[3].Y, 1, 1e-9);
  EXPECT_NEAR(Pts.back().X, C + H, 1e-6);
  EXPECT_NEAR(Pts.back().Y, 1.0 / 17, 1e-9);
}

TEST_F(FuzzySetSetType, TheSameTypeAgainChangesNothing) {
  Set.SetSetType(fstTriangle);
  const TFuzzySetValue* Middle = Set.GetValues()->GetItem(1);
  Set.SetExpression("kept");
  Set.SetSetType(fstTriangle);
  EXPECT_EQ(Set.GetValues()->GetCount(), 3);
  EXPECT_EQ(Set.GetValues()->GetItem(1), Middle);
  EXPECT_EQ(Set.GetExpression(), "kept");
}

TEST_F(FuzzySetSetType, UserDefinedKeepsThePointsAndTheExpression) {
  Set.SetSetType(fstTriangle);
  Set.SetExpression("kept");
  const std::vector<P> Before = PointsOf(Set);
  Set.SetSetType(fstUserDefined);
  EXPECT_EQ(Set.GetSetType(), fstUserDefined);
  EXPECT_EQ(PointsOf(Set), Before);
  EXPECT_EQ(Set.GetExpression(), "kept");
}

TEST(FuzzySetSetTypeInARange, ShapesFollowTheRange) {
  TRangedSet Triangle(10, 40);
  Triangle.SetSetType(fstTriangle);
  EXPECT_THAT(PointsOf(Triangle), ElementsAre(Near(15, 0), Near(25, 1), Near(35, 0)));
  EXPECT_EQ(Triangle.GetSetType(), fstTriangle);
  EXPECT_EQ(Triangle.GetExpression(), "");

  TRangedSet Growth(0, 3);
  Growth.SetSetType(fstGrowthCurve);
  const std::vector<P> Pts = PointsOf(Growth);
  ASSERT_EQ(Pts.size(), 7u);
  EXPECT_THAT(Pts.front(), Near(1, 0));
  EXPECT_NEAR(Pts.back().X, 2, 1e-12);
  EXPECT_NEAR(Pts.back().Y, 1, 1e-12);
  EXPECT_DOUBLE_EQ(Growth.GetInflectionPoint(), 1.5);
}

// A new point starts one past the last X, outside the range when the last point sits at its
// end; a generator that asks for that very X must still get a point inside the range.
TEST(FuzzySetSetTypeInARange, AShapeAtTheNextDefaultXIsStillHeldInTheRange) {
  TRangedSet Set(0, 1);
  Set.CreateTriangleFunctionValues(2, 2, 2);
  EXPECT_THAT(PointsOf(Set), ElementsAre(P{1, 0}, P{1, 1}, P{1, 0}));
}

TEST(FuzzySetSetTypeInARange, TheChangeIsReportedAfterTheTypeIsStored) {
  TSetLog Sets;
  TFuzzySet* Set = Sets.AddSet("s");
  Set->SetExpression("old");
  Set->SetSetType(fstTriangle);
  ASSERT_THAT(Sets.Log, testing::Not(IsEmpty()));
  EXPECT_EQ(Sets.Log.back(), "Update(s fstTriangle '')");
  Sets.Log.clear();
  Set->SetSetType(fstTriangle);
  EXPECT_THAT(Sets.Log, IsEmpty());
  Set->SetSetType(fstUserDefined);
  EXPECT_THAT(Sets.Log, ElementsAre("Update(s fstUserDefined '')"));
}

// ---------------------------------------------------------------------------------------------
// Naming

TEST(FuzzySetName, ReservedWordsAreRefused) {
  for (const char* Word : {"very", "not", "and", "and-sum", "or", "or-mean", "<=X", "<=", "+", "^X", "somewhat"}) {
    TSetLog Sets;
    TFuzzySet* Set = Sets.AddSet("warm");
    try {
      Set->SetName(Word);
      ADD_FAILURE() << "no exception for " << Word;
    } catch (const EFzyException& E) {
      EXPECT_EQ(std::string(E.what()), std::string("Invalid fuzzy set name, \"") + Word + "\" is a reserved word");
    }
    EXPECT_EQ(Set->GetName(), "warm") << Word;
    EXPECT_THAT(Sets.Log, IsEmpty()) << Word;
  }
}

TEST(FuzzySetName, OtherNamesAreStoredAndReported) {
  TSetLog Sets;
  TFuzzySet* Set = Sets.AddSet("warm");
  for (const char* Name : {"Very", "very hot", "__Empty", "", "hot"}) {
    Sets.Log.clear();
    Set->SetName(Name);
    EXPECT_EQ(Set->GetName(), Name);
    EXPECT_THAT(Sets.Log, ElementsAre("Update(" + std::string(Name) + " fstUserDefined '')")) << Name;
  }
  Sets.Log.clear();
  Set->SetName("hot");
  EXPECT_THAT(Sets.Log, IsEmpty());
}

TEST(FuzzySetName, CommentsAreReportedDefinedAndTagAreNot) {
  TSetLog Sets;
  TFuzzySet* Set = Sets.AddSet("warm");
  Set->SetComment("a note");
  Set->SetComment("a note");
  EXPECT_THAT(Sets.Log, ElementsAre("Update(warm fstUserDefined '')"));
  EXPECT_EQ(Set->GetComment(), "a note");
  Sets.Log.clear();
  Set->SetDefined(true);
  Set->SetTag(42);
  EXPECT_THAT(Sets.Log, IsEmpty());
  EXPECT_TRUE(Set->GetDefined());
  EXPECT_EQ(Set->GetTag(), 42);
}

// ---------------------------------------------------------------------------------------------
// Change report

TEST(FuzzySetChangeReport, MovingAPointMakesTheSetUserDefinedAfterTheReport) {
  TSetLog Sets;
  TFuzzySet* Set = Sets.AddSet("tri");
  Set->CreateTriangleFunctionValues(0, 5, 10);
  Set->SetExpression("tri expr");
  Sets.Log.clear();
  Set->GetValues()->GetItem(1)->SetX(4);
  // The listener still sees the type and expression of before.
  EXPECT_THAT(Sets.Log, ElementsAre("Update(tri fstTriangle 'tri expr')"));
  EXPECT_EQ(Set->GetSetType(), fstUserDefined);
  EXPECT_EQ(Set->GetExpression(), "");
}

TEST(FuzzySetChangeReport, AddingAPointReportsTheListThenThePoint) {
  TSetLog Sets;
  TFuzzySet* Set = Sets.AddSet("tri");
  Set->CreateTriangleFunctionValues(0, 5, 10);
  Set->SetExpression("e");
  Sets.Log.clear();
  Set->GetValues()->Add(12, 0);
  EXPECT_THAT(Sets.Log, ElementsAre("Update(tri fstTriangle 'e')", "Update(tri fstUserDefined '')"));
}

TEST(FuzzySetChangeReport, AGeneratorStoresItsTypeAfterTheReport) {
  TSetLog Sets;
  TFuzzySet* Set = Sets.AddSet("c");
  Set->CreateTriangleFunctionValues(0, 5, 10);
  Set->SetExpression("e");
  Sets.Log.clear();
  Set->CreateCurveValues(5, 20, 24, 22, true);
  ASSERT_THAT(Sets.Log, testing::Not(IsEmpty()));
  EXPECT_EQ(Sets.Log.front(), "Update(c fstTriangle 'e')");
  for (const std::string& Line : Sets.Log) EXPECT_THAT(Line, testing::Not(testing::HasSubstr("fstGrowthCurve")));
  EXPECT_EQ(Set->GetSetType(), fstGrowthCurve);
  EXPECT_EQ(Set->GetExpression(), "");
}

// ---------------------------------------------------------------------------------------------
// Text

using FuzzySetText = FuzzySetGlobals;

TEST_F(FuzzySetText, WithoutAParserTheSetPrintsItsNameAndPoints) {
  TFuzzySet Set(nullptr);
  Set.SetName("hot");
  AddEach(Set, {{0, 0}, {1, 1}});
  EXPECT_EQ(Set.ToString(), "(hot (0.0000 0.0000) (1.0000 1.0000) )");
  EXPECT_EQ(Set.GetValuesToString(), "((0.0000 0.0000) (1.0000 1.0000) )");

  TFuzzySet Empty(nullptr);
  EXPECT_EQ(Empty.ToString(), "( )");
  EXPECT_EQ(Empty.GetValuesToString(), "()");
  Empty.SetName("x");
  EXPECT_EQ(Empty.ToString(), "(x )");
}

TEST_F(FuzzySetText, NumbersFollowFuzzyFormatStrAndTheSettings) {
  TFuzzySet Set(nullptr);
  Set.SetName("hot");
  AddEach(Set, {{-2.5, 0.126}, {1, 1}});
  FuzzyFormatStr = "%.2f";
  EXPECT_EQ(Set.ToString(), "(hot (-2.50 0.13) (1.00 1.00) )");
  EXPECT_EQ(Set.GetValuesToString(), "((-2.50 0.13) (1.00 1.00) )");
  FuzzyFormatStr = "%.4f";
  FormatSettings().DecimalSeparator = ',';
  EXPECT_EQ(Set.GetValuesToString(), "((-2,5000 0,1260) (1,0000 1,0000) )");
  FuzzyFormatStr = "%d";
  EXPECT_THROW(Set.GetValuesToString(), EConvertError);
}

// ---------------------------------------------------------------------------------------------
// Assign and Clone

TFuzzySet* MakeSource(TCollection* Collection) {
  auto* Source = new TFuzzySet(Collection);
  Source->SetName("warm");
  Source->CreatePIFunctionValues(7, 0, 6, 3);
  Source->SetExpression("warm expr");
  Source->SetComment("source comment");
  Source->SetDefined(true);
  Source->SetTag(7);
  return Source;
}

TEST(FuzzySetAssign, CopiesNamePointsTypeInflectionAndExpressionOnly) {
  TSetLog Sets;
  std::unique_ptr<TFuzzySet> Source(MakeSource(nullptr));
  TFuzzySet* Target = Sets.AddSet("mine");
  Target->SetComment("mine");
  Target->SetTag(3);
  Target->GetValues()->Add(100, 1);
  Sets.Log.clear();
  Target->Assign(Source.get());
  EXPECT_EQ(Target->GetName(), "warm");
  EXPECT_EQ(PointsOf(*Target), PointsOf(*Source));
  EXPECT_EQ(Target->GetSetType(), fstPICurve);
  EXPECT_EQ(Target->GetInflectionPoint(), 4.5);
  EXPECT_EQ(Target->GetExpression(), "warm expr");
  EXPECT_EQ(Target->GetComment(), "mine");
  EXPECT_FALSE(Target->GetDefined());
  EXPECT_EQ(Target->GetTag(), 3);
  ASSERT_THAT(Sets.Log, testing::Not(IsEmpty()));
  EXPECT_EQ(Sets.Log.back(), "Update(warm fstPICurve 'warm expr')");
}

TEST(FuzzySetAssign, FromSomethingElseRaises) {
  TFuzzySet Set(nullptr);
  TFuzzySetValue Point(nullptr);
  EXPECT_THROW_MSG(Set.Assign(&Point), EConvertError, "Cannot assign a TFuzzySetValue to a TFuzzySet");
}

TEST(FuzzySetClone, AClonesJoinsTheSourcesCollection) {
  TSetLog Sets;
  TFuzzySet* Source = MakeSource(&Sets);
  TFuzzySet* Copy = Source->Clone();
  EXPECT_EQ(Sets.GetCount(), 2);
  EXPECT_EQ(Sets.GetItem(1), Copy);
  EXPECT_EQ(Copy->TCollectionItem::GetCollection(), &Sets);
  EXPECT_EQ(Copy->ClassName(), "TFuzzySet");
  EXPECT_EQ(Copy->GetName(), "warm");
  EXPECT_EQ(PointsOf(*Copy), PointsOf(*Source));
  EXPECT_NE(Copy->GetValues()->GetItem(0), Source->GetValues()->GetItem(0));
  EXPECT_EQ(Copy->GetSetType(), fstPICurve);
  EXPECT_EQ(Copy->GetExpression(), "warm expr");
  EXPECT_EQ(Copy->GetComment(), "");
  EXPECT_FALSE(Copy->GetDefined());
  EXPECT_EQ(Copy->GetTag(), 0);
}

TEST(FuzzySetClone, ACloneOfALooseSetIsLooseAndTheCallersToFree) {
  std::unique_ptr<TFuzzySet> Source(MakeSource(nullptr));
  std::unique_ptr<TFuzzySet> Copy(Source->Clone());
  EXPECT_EQ(Copy->GetCollection(), nullptr);
  EXPECT_EQ(PointsOf(*Copy), PointsOf(*Source));
  EXPECT_EQ(Copy->GetInflectionPoint(), 4.5);
  Source.reset();
  EXPECT_EQ(Copy->GetValues()->GetCount(), 7);
}

// ---------------------------------------------------------------------------------------------
// Lookups allocate nothing

std::atomic<long> Allocations{0};
void CountAllocation(const volatile void*, std::size_t) { Allocations.fetch_add(1, std::memory_order_relaxed); }
void IgnoreFree(const volatile void*) {}

bool CanCountAllocations() {
  static const bool Installed = __sanitizer_install_malloc_and_free_hooks != nullptr &&
                                __sanitizer_install_malloc_and_free_hooks(&CountAllocation, &IgnoreFree) != 0;
  return Installed;
}

TEST(FuzzySetLookups, AllocateNothing) {
  if (!CanCountAllocations()) GTEST_SKIP() << "needs the AddressSanitizer allocator hooks";
  {
    const long Before = Allocations.load();
    auto Probe = std::make_unique<std::string>(64, 'x');
    ASSERT_GT(Allocations.load() - Before, 0) << "the hook sees no allocation at all";
  }
  TProbeSet Set;
  AddEach(Set, {{0, 0}, {2, 0.5}, {5, 0}, {5, 1}, {5.00005, 0.7}, {8, 0.2}, {10, 0}});
  TFuzzySet Unsorted(nullptr);
  AddEach(Unsorted, {{0, 0}, {5, 1}, {10, 0}});
  Unsorted.GetValues()->GetItem(2)->SetIndex(0);
  const TFuzzySetValues& V = *Set.GetValues();

  TFzyFloat Sum = 0, Avg = 0, Max = 0, Min = 0;
  std::int32_t Positions = 0;
  const long Before = Allocations.load();
  for (TFzyFloat X = -1; X <= 11; X += 0.25) {
    Sum += Set.DegreeOfMembership(X) + Unsorted.DegreeOfMembership(X);
    Positions += V.SkipX(3, 5, 1) + V.SkipY(0, 0, 1) + Set.GetMaxYValueOfX(2, 1) + Set.GetMinYValueOfX(4, -1);
  }
  Sum += V.GetMaxValue() + V.GetMinValue() + V.GetAvgValue() + Set.GetCompatibilityIndex();
  Sum += Set.GetXRange(0) + Set.GetXRange(1) + TFuzzySet::InterpolateX(0, 0, 1, 1, 0.5) +
         TFuzzySet::InterpolateY(0, 0, 1, 1, 0.5);
  V.GetStatValues(Avg, Max, Min);
  Positions += V.GetXCount(5);
  const long After = Allocations.load();
  EXPECT_EQ(After - Before, 0);
  EXPECT_TRUE(std::isfinite(Sum + Avg + Max + Min));
  EXPECT_GT(Positions, 0);
}

}  // namespace
}  // namespace tarnwick
