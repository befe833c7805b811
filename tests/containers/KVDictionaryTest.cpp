// Tests of the hash dictionary: slot placement, growth, backward-shift removal, notifications,
// views and enumerators, arrays, copying and the release of counted values.
#include "tarnwick/containers/KVDictionary.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "ContainersTestSupport.h"
#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/SysUtils.h"

namespace tarnwick::collections::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

using IntDictionary = TSlotView<TKVDictionary<int, int>>;

// ---------------------------------------------------------------------------------------------
// Behaviour that every instantiation shares

template <typename P>
class DictionaryTyped : public ProbeTest {
 protected:
  using K = typename P::first_type;
  using V = typename P::second_type;
  using Dictionary = TSlotView<TKVDictionary<K, V>>;
};

using Instantiations = ::testing::Types<std::pair<std::string, ProbeRef>, std::pair<std::string, int>,
                                        std::pair<int, std::string>, std::pair<int, ProbeRef>>;
TYPED_TEST_SUITE(DictionaryTyped, Instantiations);

TYPED_TEST(DictionaryTyped, GrowsAtTheFourthSeventhAndThirteenthAdd) {
  using K = typename TestFixture::K;
  using V = typename TestFixture::V;
  typename TestFixture::Dictionary D;
  EXPECT_EQ(D.GetCapacity(), 0);
  std::vector<int> Capacities;
  for (int I = 1; I <= 13; ++I) {
    D.Add(ValueOf<K>(I), ValueOf<V>(I));
    Capacities.push_back(D.GetCapacity());
  }
  EXPECT_THAT(Capacities, ElementsAre(4, 4, 4, 8, 8, 8, 16, 16, 16, 16, 16, 16, 32));
}

// Random adds and removals against a reference map; after every step each key is found, the
// count agrees, and every item lies on the free-slot-free path from its home slot.
TYPED_TEST(DictionaryTyped, AgreesWithAReferenceMapUnderRandomChanges) {
  using K = typename TestFixture::K;
  using V = typename TestFixture::V;
  typename TestFixture::Dictionary D;
  std::map<int, int> Reference;
  std::mt19937 Random(20240601);
  for (int Step = 0; Step < 3000; ++Step) {
    const int Key = static_cast<int>(Random() % 200);
    if (Random() % 3 == 0) {
      const V Removed = D.Remove(ValueOf<K>(Key));
      const bool Present = Reference.erase(Key) > 0;
      EXPECT_EQ(Show(Removed), Present ? Show(ValueOf<V>(Key)) : Show(V{}));
    } else {
      D.AddOrSetValue(ValueOf<K>(Key), ValueOf<V>(Key));
      Reference[Key] = Key;
    }
    ASSERT_EQ(D.GetCount(), static_cast<int>(Reference.size()));
  }
  for (int Key = 0; Key < 200; ++Key) {
    V Value{};
    EXPECT_EQ(D.TryGetValue(ValueOf<K>(Key), Value), Reference.count(Key) == 1) << Key;
  }
  const int N = D.GetCapacity();
  for (int I = 0; I < N; ++I) {
    if (D.FItems[I].HashCode == -1) continue;
    for (int J = D.FItems[I].HashCode & (N - 1); J != I; J = (J + 1) & (N - 1))
      ASSERT_NE(D.FItems[J].HashCode, -1) << "free slot on the probe path of slot " << I;
  }
}

TYPED_TEST(DictionaryTyped, NotifiesEveryChangeAfterItIsDone) {
  using K = typename TestFixture::K;
  using V = typename TestFixture::V;
  std::vector<std::string> Log;  // outlives D, whose destructor may still notify
  typename TestFixture::Dictionary D;
  LogNotifications<decltype(D), K, V>(D, Log);
  D.SetOnKeyNotify([&](TObject* Sender, const K& Key, TCollectionNotification Action) {
    EXPECT_EQ(Sender, &D);
    Log.push_back("key " + Show(Key) + " " + Show(Action) + " count " + std::to_string(D.GetCount()));
  });
  const K A = ValueOf<K>(1);
  D.Add(A, ValueOf<V>(1));
  D.AddOrSetValue(A, ValueOf<V>(2));
  D.SetItem(A, ValueOf<V>(3));
  D.ExtractPair(A);
  D.Add(A, ValueOf<V>(4));
  D.Remove(A);
  const std::string KA = Show(A);
  EXPECT_THAT(Log, ElementsAre("key " + KA + " added count 1", "value " + Show(ValueOf<V>(1)) + " added",
                               "value " + Show(ValueOf<V>(1)) + " removed", "value " + Show(ValueOf<V>(2)) + " added",
                               "value " + Show(ValueOf<V>(2)) + " removed", "value " + Show(ValueOf<V>(3)) + " added",
                               "key " + KA + " extracted count 0", "value " + Show(ValueOf<V>(3)) + " extracted",
                               "key " + KA + " added count 1", "value " + Show(ValueOf<V>(4)) + " added",
                               "key " + KA + " removed count 0", "value " + Show(ValueOf<V>(4)) + " removed"));
}

TYPED_TEST(DictionaryTyped, ClearNotifiesEachKeyBeforeItsValueInSlotOrderOnAnEmptyTable) {
  using K = typename TestFixture::K;
  using V = typename TestFixture::V;
  typename TestFixture::Dictionary D;
  for (int I = 1; I <= 3; ++I) D.Add(ValueOf<K>(I), ValueOf<V>(I));
  std::vector<std::string> Expected;
  for (const auto& Item : D.FItems) {
    if (Item.HashCode == -1) continue;
    Expected.push_back("key " + Show(Item.Key) + " 0");
    Expected.push_back("value " + Show(Item.Value) + " 0");
  }
  std::vector<std::string> Log;
  D.SetOnKeyNotify([&](TObject*, const K& Key, TCollectionNotification Action) {
    EXPECT_EQ(Action, cnRemoved);
    Log.push_back("key " + Show(Key) + " " + std::to_string(D.GetCount()));
  });
  D.SetOnValueNotify([&](TObject*, const V& Value, TCollectionNotification Action) {
    EXPECT_EQ(Action, cnRemoved);
    Log.push_back("value " + Show(Value) + " " + std::to_string(D.GetCount()));
  });
  D.Clear();
  D.SetOnKeyNotify(nullptr);
  D.SetOnValueNotify(nullptr);
  EXPECT_THAT(Log, ElementsAreArray(Expected));
  EXPECT_EQ(D.GetCapacity(), 0);
  D.Add(ValueOf<K>(9), ValueOf<V>(9));
  EXPECT_EQ(D.GetCapacity(), 4);
}

TYPED_TEST(DictionaryTyped, EnumeratorsViewsAndArraysFollowSlotOrder) {
  using K = typename TestFixture::K;
  using V = typename TestFixture::V;
  typename TestFixture::Dictionary D;
  for (int I = 0; I < 20; ++I) D.Add(ValueOf<K>(I * 7), ValueOf<V>(I));
  std::vector<std::string> SlotKeys, SlotValues;
  for (const auto& Item : D.FItems) {
    if (Item.HashCode == -1) continue;
    SlotKeys.push_back(Show(Item.Key));
    SlotValues.push_back(Show(Item.Value));
  }
  std::vector<std::string> Keys, Values, PairKeys, ArrayKeys, ArrayValues;
  auto KeyEnumerator = D.GetKeys()->GetEnumerator();
  while (KeyEnumerator->MoveNext()) Keys.push_back(Show(KeyEnumerator->GetCurrent()));
  auto ValueEnumerator = D.GetValues()->GetEnumerator();
  while (ValueEnumerator->MoveNext()) Values.push_back(Show(ValueEnumerator->GetCurrent()));
  const TKVEnumerable<TPair<K, V>>& AsEnumerable = D;
  auto PairEnumerator = AsEnumerable.GetEnumerator();  // through the base's virtual entry
  while (PairEnumerator->MoveNext()) PairKeys.push_back(Show(PairEnumerator->GetCurrent().Key));
  for (const auto& Pair : D.ToArray()) ArrayKeys.push_back(Show(Pair.Key));
  for (const auto& Value : D.GetValues()->ToArray()) ArrayValues.push_back(Show(Value));
  EXPECT_EQ(Keys, SlotKeys);
  EXPECT_EQ(PairKeys, SlotKeys);
  EXPECT_EQ(ArrayKeys, SlotKeys);
  EXPECT_EQ(Values, SlotValues);
  EXPECT_EQ(ArrayValues, SlotValues);
  EXPECT_EQ(D.GetKeys()->ToArray().size(), 20u);
  EXPECT_EQ(D.GetKeys(), D.GetKeys());
  EXPECT_EQ(D.GetValues()->GetCount(), 20);
}

TYPED_TEST(DictionaryTyped, DestructionNotifiesAndReleasesEveryItem) {
  using K = typename TestFixture::K;
  using V = typename TestFixture::V;
  std::vector<std::string> Log;
  {
    typename TestFixture::Dictionary D;
    for (int I = 1; I <= 5; ++I) D.Add(ValueOf<K>(I), ValueOf<V>(I));
    LogNotifications<decltype(D), K, V>(D, Log);
  }
  EXPECT_EQ(Log.size(), 10u);
  for (const std::string& Event : Log) EXPECT_THAT(Event, ::testing::EndsWith(" removed"));
}

// ---------------------------------------------------------------------------------------------
// Placement, growth and removal, with keys placed by the identity comparer

TEST(Dictionary, ACapacityRoundsUpToAPowerOfTwoOfAtLeastFour) {
  struct Case {
    int Capacity, Slots, GrowsAtAdd;
  };
  static const Case kCases[] = {{0, 0, 1}, {1, 4, 4}, {4, 4, 4}, {5, 8, 7}, {13, 16, 13}, {1024, 1024, 769}};
  for (const Case& C : kCases) {
    IntDictionary D(C.Capacity);
    EXPECT_EQ(D.GetCapacity(), C.Slots) << C.Capacity;
    for (int I = 1; I < C.GrowsAtAdd; ++I) D.Add(I, I);
    EXPECT_EQ(D.GetCapacity(), C.Slots) << C.Capacity;
    D.Add(-1, -1);
    EXPECT_GT(D.GetCapacity(), C.Slots) << C.Capacity;
  }
}

TEST(Dictionary, RejectsNegativeAndUnreachableCapacities) {
  EXPECT_THROW_MSG(IntDictionary(-1), EArgumentOutOfRangeException, "Argument out of range");
  EXPECT_THROW_MSG(IntDictionary((1 << 30) + 1), EArgumentOutOfRangeException, "Argument out of range");
  EXPECT_THROW_MSG(IntDictionary(INT_MAX), EArgumentOutOfRangeException, "Argument out of range");
}

TEST(Dictionary, FindsNothingWithoutSlots) {
  std::vector<std::string> Log;
  IntDictionary D;
  LogNotifications<IntDictionary, int, int>(D, Log);
  int Value = 7;
  EXPECT_FALSE(D.ContainsKey(1));
  EXPECT_FALSE(D.TryGetValue(1, Value));
  EXPECT_EQ(Value, 0);
  EXPECT_EQ(D.Remove(1), 0);
  EXPECT_EQ(D.ExtractPair(1), (TPair<int, int>(1, 0)));
  EXPECT_EQ(D.GetCapacity(), 0);
  EXPECT_THAT(Log, IsEmpty());
}

TEST(Dictionary, HashCodesAreThirtyOneBitsAndNeverMinusOne) {
  struct Case {
    int ComparerHash, HashCode;
  };
  static const Case kCases[] = {{0x7FFFFFFF, 0}, {-1, 0}, {0, 1}, {5, 6}, {INT_MIN, 1}, {-2, 0x7FFFFFFF}};
  for (const Case& C : kCases) {
    TSlotView<TKVDictionary<int, int>> D(TEqualityComparer<int>::Construct(
        [](const int& A, const int& B) { return A == B; }, [&C](const int&) { return C.ComparerHash; }));
    D.Add(1, 1);
    ASSERT_EQ(D.GetCapacity(), 4);
    const int Slot = C.HashCode & 3;
    EXPECT_EQ(D.FItems[Slot].HashCode, C.HashCode) << C.ComparerHash;
  }
}

TEST(Dictionary, AnAddThatFailsOrReplacesAtTheThresholdStillGrows) {
  IntDictionary D(0, IdentityComparer());
  for (int I = 1; I <= 3; ++I) D.Add(I, I);
  ASSERT_EQ(D.GetCapacity(), 4);
  EXPECT_THROW_MSG(D.Add(2, 20), EListError, "Duplicates not allowed");
  EXPECT_EQ(D.GetCapacity(), 8);
  EXPECT_EQ(D.GetItem(2), 2);

  IntDictionary E(0, IdentityComparer());
  for (int I = 1; I <= 3; ++I) E.Add(I, I);
  E.AddOrSetValue(2, 20);
  EXPECT_EQ(E.GetCapacity(), 8);
  EXPECT_EQ(E.GetItem(2), 20);
  EXPECT_EQ(E.GetCount(), 3);
}

TEST(Dictionary, GrowingKeepsHashCodesAndReplacesInAscendingSlotOrder) {
  IntDictionary D(0, IdentityComparer());
  // 4 slots: 3 in its home slot 3, 7 pushed round to slot 0, 1 in slot 1.
  D.Add(3, 0);
  D.Add(7, 0);
  D.Add(1, 0);
  EXPECT_THAT(D.Slots(), ElementsAre("7", "1", "-", "3"));
  D.Add(5, 0);  // grows to 8 first: 7 (slot 0 first) lands at home 7, then 1, then 3
  EXPECT_THAT(D.Slots(), ElementsAre("-", "1", "-", "3", "-", "5", "-", "7"));
}

TEST(Dictionary, RemovalShiftsAFollowerBackToTheGap) {
  IntDictionary D(0, IdentityComparer());
  D.Add(1, 10);  // home 1
  D.Add(5, 50);  // home 1, in slot 2
  EXPECT_THAT(D.Slots(), ElementsAre("-", "1", "5", "-"));
  EXPECT_EQ(D.Remove(1), 10);
  EXPECT_THAT(D.Slots(), ElementsAre("-", "5", "-", "-"));
  EXPECT_EQ(D.GetItem(5), 50);
}

TEST(Dictionary, RemovalMovesAWrappedItemBackToTheLastSlot) {
  IntDictionary D(0, IdentityComparer());
  D.Add(3, 30);  // home 3
  D.Add(7, 70);  // home 3, wrapped to slot 0
  EXPECT_THAT(D.Slots(), ElementsAre("7", "-", "-", "3"));
  D.Remove(3);
  EXPECT_THAT(D.Slots(), ElementsAre("-", "-", "-", "7"));
  EXPECT_EQ(D.GetItem(7), 70);
}

TEST(Dictionary, RemovalLeavesAnItemAtItsHomeWhereItIs) {
  IntDictionary D(0, IdentityComparer());
  D.Add(1, 0);  // home 1
  D.Add(2, 0);  // home 2, right after
  D.Remove(1);
  EXPECT_THAT(D.Slots(), ElementsAre("-", "-", "2", "-"));
}

TEST(Dictionary, RemovalSkipsAnItemAtHomeAndMovesTheOneBehindIt) {
  IntDictionary D(8, IdentityComparer());
  D.Add(1, 0);   // slot 1
  D.Add(9, 0);   // home 1, slot 2
  D.Add(3, 0);   // home 3, slot 3
  D.Add(17, 0);  // home 1, slot 4
  D.Remove(1);   // 9 moves to 1; 3 stays at home; 17 moves into the gap at 2
  EXPECT_THAT(D.Slots(), ElementsAre("-", "9", "17", "3", "-", "-", "-", "-"));
  for (int Key : {9, 3, 17}) EXPECT_TRUE(D.ContainsKey(Key)) << Key;
}

TEST(Dictionary, TrimExcessFitsCountPlusOne) {
  IntDictionary D;
  D.TrimExcess();
  EXPECT_EQ(D.GetCapacity(), 4);
  for (int I = 0; I < 20; ++I) D.Add(I, I);
  for (int I = 3; I < 20; ++I) D.Remove(I);
  EXPECT_EQ(D.GetCapacity(), 32);
  D.TrimExcess();
  EXPECT_EQ(D.GetCapacity(), 4);
  for (int I = 0; I < 3; ++I) EXPECT_EQ(D.GetItem(I), I);
  D.Add(3, 3);
  EXPECT_EQ(D.GetCapacity(), 8);
}

TEST(Dictionary, RemoveAndExtractOfAnAbsentKeyChangeNothing) {
  std::vector<std::string> Log;
  TKVDictionary<std::string, int> D;
  D.Add("a", 1);
  LogNotifications<decltype(D), std::string, int>(D, Log);
  EXPECT_EQ(D.Remove("b"), 0);
  EXPECT_EQ(D.ExtractPair("b"), (TPair<std::string, int>("b", 0)));
  EXPECT_EQ(D.ExtractPair("a"), (TPair<std::string, int>("a", 1)));
  EXPECT_THAT(Log, ElementsAre("key a extracted", "value 1 extracted"));
}

TEST(Dictionary, MissingKeysRaiseItemNotFound) {
  TKVDictionary<std::string, int> D;
  D.Add("a", 1);
  EXPECT_THROW_MSG(D.GetItem("b"), EListError, "Item not found");
  EXPECT_THROW_MSG(D.SetItem("b", 2), EListError, "Item not found");
  EXPECT_EQ(D["a"], 1);
  EXPECT_FALSE(D.ContainsKey("b"));
}

TEST(Dictionary, StringKeysCompareExactly) {
  TKVDictionary<std::string, int> D;
  D.Add("Key", 1);
  EXPECT_TRUE(D.ContainsKey("Key"));
  EXPECT_FALSE(D.ContainsKey("key"));
  EXPECT_FALSE(D.ContainsKey("Key "));
  D.Add("key", 2);
  EXPECT_EQ(D.GetCount(), 2);
}

TEST(Dictionary, AComparerDecidesKeyEqualityButNotValueEquality) {
  auto CaseBlind = TEqualityComparer<std::string>::Construct(
      [](const std::string& A, const std::string& B) { return SameText(A, B); },
      [](const std::string& S) { return static_cast<Integer>(Fnv1aHash(UpperCase(S))); });
  TKVDictionary<std::string, ProbeRef> D(CaseBlind);
  ProbeRef P = MakeProbe(1);
  ProbeRef Twin = MakeProbe(1);
  D.Add("Key", P);
  EXPECT_TRUE(D.ContainsKey("KEY"));
  EXPECT_THROW(D.Add("kEy", P), EListError);
  EXPECT_TRUE(D.ContainsValue(P));
  EXPECT_FALSE(D.ContainsValue(Twin));
  EXPECT_FALSE(D.ContainsValue(nullptr));
  EXPECT_EQ(D.GetComparer(), CaseBlind);
}

// ---------------------------------------------------------------------------------------------
// Enumerators on a changing table

TEST(Dictionary, EnumeratorsReadNothingStaleAfterTheTableChanged) {
  TKVDictionary<std::string, int> D;
  for (int I = 0; I < 6; ++I) D.Add("k" + std::to_string(I), I);
  auto Pairs = D.GetEnumerator();
  EXPECT_EQ(Pairs->GetCurrent(), (TPair<std::string, int>()));  // before the first MoveNext
  ASSERT_TRUE(Pairs->MoveNext());
  ASSERT_TRUE(Pairs->MoveNext());
  D.Clear();  // the table is dropped under the enumerator
  EXPECT_EQ(Pairs->GetCurrent(), (TPair<std::string, int>()));
  EXPECT_FALSE(Pairs->MoveNext());
  EXPECT_FALSE(Pairs->MoveNext());

  D.Add("x", 1);
  auto Keys = D.GetKeys()->GetEnumerator();
  ASSERT_TRUE(Keys->MoveNext());
  EXPECT_EQ(Keys->GetCurrent(), "x");
  EXPECT_FALSE(Keys->MoveNext());
  EXPECT_FALSE(Keys->MoveNext());
  EXPECT_EQ(Keys->GetCurrent(), "");
  D.Remove("x");
  auto Values = D.GetValues()->GetEnumerator();
  EXPECT_FALSE(Values->MoveNext());
  EXPECT_EQ(Values->GetCurrent(), 0);
}

// ---------------------------------------------------------------------------------------------
// Arrays

// Enumerates 0 .. N - 1 through the inherited ToArray.
class TCountingEnumerable : public TKVEnumerable<int> {
 public:
  explicit TCountingEnumerable(int N) : FN(N) {}

 protected:
  std::unique_ptr<TEnumerator<int>> DoGetEnumerator() const override {
    return std::make_unique<TArrayEnumerator>(FN);
  }

 private:
  class TArrayEnumerator : public TEnumerator<int> {
   public:
    explicit TArrayEnumerator(int N) : FN(N) {}

   protected:
    int DoGetCurrent() override { return FI; }
    bool DoMoveNext() override { return ++FI < FN; }

   private:
    int FN;
    int FI = -1;
  };
  int FN;
};

TEST(Enumerable, ToArrayReturnsExactlyWhatWasEnumerated) {
  for (int N : {0, 1, 9, 10, 11, 20, 21, 100}) {
    const TArray<int> A = TCountingEnumerable(N).ToArray();
    ASSERT_EQ(A.size(), static_cast<std::size_t>(N));
    for (int I = 0; I < N; ++I) EXPECT_EQ(A[I], I);
  }
}

// ---------------------------------------------------------------------------------------------
// Construction from a collection, and copying

TEST(Dictionary, ACollectionLaterPairReplacesAnEarlierOne) {
  TArrayEnumerable<TPair<std::string, int>> Pairs({{"a", 1}, {"b", 2}, {"a", 3}});
  TKVDictionary<std::string, int> D(&Pairs);
  EXPECT_EQ(D.GetCount(), 2);
  EXPECT_EQ(D.GetItem("a"), 3);
  EXPECT_EQ(D.GetItem("b"), 2);
  TKVDictionary<std::string, int> Empty(static_cast<const TEnumerable<TPair<std::string, int>>*>(nullptr));
  EXPECT_EQ(Empty.GetCount(), 0);
}

class DictionaryAssign : public ProbeTest {};

TEST_F(DictionaryAssign, ClearsThenAddsTheSourcePairsInSourceSlotOrder) {
  TKVDictionary<std::string, ProbeRef> Source;
  for (int I = 1; I <= 5; ++I) Source.Add("k" + std::to_string(I), MakeProbe(I));
  std::vector<std::string> Log;
  TKVDictionary<std::string, ProbeRef> D;
  D.Add("old", MakeProbe(0));
  D.SetOnKeyNotify([&Log](TObject*, const std::string& Key, TCollectionNotification Action) {
    Log.push_back(Key + " " + Show(Action));
  });
  D.Assign(&Source);
  std::vector<std::string> Expected = {"old removed"};
  for (const auto& Pair : Source.ToArray()) Expected.push_back(Pair.Key + " added");
  EXPECT_THAT(Log, ElementsAreArray(Expected));
  EXPECT_EQ(TProbe::Live(), 5);  // the old value is gone, the five are shared
  EXPECT_EQ(D.GetItem("k3"), Source.GetItem("k3"));
}

TEST_F(DictionaryAssign, ToItselfKeepsTheContentsAndFiresNothing) {
  std::vector<std::string> Log;
  TKVDictionary<std::string, ProbeRef> D;
  D.Add("a", MakeProbe(1));
  D.Add("b", MakeProbe(2));
  LogNotifications<decltype(D), std::string, ProbeRef>(D, Log);
  D.Assign(&D);
  EXPECT_EQ(D.GetCount(), 2);
  EXPECT_EQ(D.GetItem("b")->Id(), 2);
  EXPECT_THAT(Log, IsEmpty());
}

TEST_F(DictionaryAssign, FromAnotherClassRaisesTheAssignmentError) {
  TKVDictionary<std::string, int> D;
  TKVDictionary<int, int> Other;
  D.Add("a", 1);
  EXPECT_THROW(D.Assign(&Other), EConvertError);
  EXPECT_THROW(D.Assign(nullptr), EConvertError);
  EXPECT_EQ(D.GetCount(), 1);
}

// ---------------------------------------------------------------------------------------------
// Counted values

class DictionaryReferences : public ProbeTest {};

TEST_F(DictionaryReferences, EveryPathReleasesTheValueExactlyOnce) {
  TKVDictionary<std::string, ProbeRef> D;
  D.Add("a", MakeProbe(1));
  D.Add("b", MakeProbe(2));
  D.Add("c", MakeProbe(3));
  D.Add("d", MakeProbe(4));
  EXPECT_EQ(TProbe::Live(), 4);
  D.AddOrSetValue("a", MakeProbe(5));  // replaces 1
  EXPECT_EQ(TProbe::Live(), 4);
  D.SetItem("b", nullptr);  // replaces 2
  EXPECT_EQ(TProbe::Live(), 3);
  {
    ProbeRef Removed = D.Remove("c");
    EXPECT_EQ(Removed->Id(), 3);
  }
  EXPECT_EQ(TProbe::Live(), 2);
  D.ExtractPair("d");
  EXPECT_EQ(TProbe::Live(), 1);
  for (int I = 0; I < 50; ++I) D.Add("x" + std::to_string(I), MakeProbe(100 + I));  // grows
  EXPECT_EQ(TProbe::Live(), 51);
  D.TrimExcess();
  EXPECT_EQ(TProbe::Live(), 51);
  D.Clear();
  EXPECT_EQ(TProbe::Live(), 0);
}

TEST_F(DictionaryReferences, ClearReleasesTheValuesAfterTheLastNotification) {
  std::vector<int> LiveDuringNotification;
  TKVDictionary<std::string, ProbeRef> D;
  D.Add("a", MakeProbe(1));
  D.Add("b", MakeProbe(2));
  D.SetOnValueNotify([&](TObject*, const ProbeRef&, TCollectionNotification) {
    LiveDuringNotification.push_back(TProbe::Live());
  });
  D.Clear();
  EXPECT_THAT(LiveDuringNotification, ElementsAre(2, 2));
  EXPECT_EQ(TProbe::Live(), 0);
}

TEST_F(DictionaryReferences, AHandlerThatRaisesDuringClearLeavesAnEmptyConsistentTable) {
  int Calls = 0;
  TKVDictionary<std::string, ProbeRef> D;
  for (int I = 0; I < 3; ++I) D.Add("k" + std::to_string(I), MakeProbe(I));
  D.SetOnKeyNotify([&](TObject*, const std::string&, TCollectionNotification) {
    ++Calls;
    throw EListError("stop");
  });
  EXPECT_THROW(D.Clear(), EListError);
  EXPECT_EQ(Calls, 1);
  EXPECT_EQ(D.GetCount(), 0);
  EXPECT_EQ(TProbe::Live(), 0);  // the items not yet notified are released silently
  D.SetOnKeyNotify(nullptr);
  D.Add("again", MakeProbe(9));
  EXPECT_EQ(D.GetItem("again")->Id(), 9);
}

}  // namespace
}  // namespace tarnwick::collections::testing
