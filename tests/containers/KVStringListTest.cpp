// Tests of the typed string list: order, duplicates and case, the errors of sorted lists,
// growth, owned and shared objects, change events, copying between lists, the data view and the
// release of counted data.
#include "tarnwick/containers/KVStringList.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ContainersTestSupport.h"
#include "StringListFileTests.h"
#include "StringListLocaleTests.h"
#include "StringListSortTests.h"
#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/Strings.h"

namespace tarnwick::collections::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using tarnwick::test::Lines;

using ProbeList = TStringList<ProbeRef>;
using IntList = TStringList<int>;

constexpr const char* kSortedError = "Operation not allowed on sorted list";

template <typename T>
std::vector<std::string> Data(const TStringList<T>& L) {
  std::vector<std::string> Result;
  for (Integer I = 0; I < L.GetCount(); ++I) Result.push_back(Show(L.GetData(I)));
  return Result;
}

// Records OnChanging as "changing" and OnChange as "change".
template <typename L>
std::vector<std::string>& Watch(L& List, std::vector<std::string>& Log) {
  List.SetOnChanging([&Log](TObject*) { Log.push_back("changing"); });
  List.SetOnChange([&Log](TObject*) { Log.push_back("change"); });
  return Log;
}

// An object that records, as it dies, what the list looked like.
class TWitness : public TObject {
 public:
  TWitness(std::string AName, const TStrings* AList, std::vector<std::string>& ALog)
      : FName(std::move(AName)), FList(AList), FLog(ALog) {
    ++Live();
  }
  ~TWitness() override {
    --Live();
    FLog.push_back(FName + " freed, count " + std::to_string(FList ? FList->GetCount() : -1) +
                   ", index " + std::to_string(FList ? FList->IndexOfObject(this) : -1));
  }
  static int& Live() {
    static int Count = 0;
    return Count;
  }

 private:
  std::string FName;
  const TStrings* FList;
  std::vector<std::string>& FLog;
};

class StringList : public ProbeTest {
 protected:
  void TearDown() override {
    EXPECT_EQ(TWitness::Live(), 0) << "objects leaked";
    ProbeTest::TearDown();
  }
  std::vector<std::string> Log;
};

// ---------------------------------------------------------------------------------------------
// Order, duplicates, case

TEST_F(StringList, SortedOnOrdersOnceWithOneEventPair) {
  ProbeList L;
  L.Add("b");
  L.Add("a");
  L.Add("c");
  EXPECT_THAT(Lines(L), ElementsAre("b", "a", "c"));
  Watch(L, Log);
  L.SetSorted(true);
  EXPECT_THAT(Lines(L), ElementsAre("a", "b", "c"));
  EXPECT_THAT(Log, ElementsAre("changing", "change"));
  L.SetSorted(true);
  L.Sort();
  EXPECT_THAT(Log, ElementsAre("changing", "change"));  // a Sorted list is not sorted again
}

TEST_F(StringList, TheDuplicatesPolicyDecidesAnEqualAddition) {
  for (TDuplicates Policy : {dupIgnore, dupError, dupAccept}) {
    std::vector<std::string> Events;
    IntList L;
    L.SetSorted(true);
    L.SetDuplicates(Policy);
    L.AddObject("a", nullptr, 1);
    L.AddObject("b", nullptr, 2);
    L.AddObject("c", nullptr, 3);
    Watch(L, Events);
    if (Policy == dupIgnore) {
      EXPECT_EQ(L.AddObject("b", nullptr, 9), 1);
      EXPECT_THAT(Data(L), ElementsAre("1", "2", "3"));
      EXPECT_THAT(Events, IsEmpty());
    } else if (Policy == dupError) {
      EXPECT_THROW_MSG(L.AddObject("b", nullptr, 9), EStringListError, "String list does not allow duplicates");
      EXPECT_THAT(Data(L), ElementsAre("1", "2", "3"));
      EXPECT_THAT(Events, IsEmpty());
    } else {
      EXPECT_EQ(L.AddObject("b", nullptr, 9), 1);
      EXPECT_EQ(L.AddObject("b", nullptr, 8), 1);  // before the equal items again
      EXPECT_THAT(Data(L), ElementsAre("1", "8", "9", "2", "3"));
      Integer Index = -1;
      EXPECT_TRUE(L.Find("b", Index));
      EXPECT_EQ(Index, 1);
    }
  }
}

TEST_F(StringList, FindGivesTheMatchOrTheInsertionPosition) {
  IntList L;
  L.SetSorted(true);
  for (const char* S : {"b", "d", "f", "h"}) L.Add(S);
  struct Case {
    const char* S;
    bool Found;
    Integer Index;
  };
  static const Case kCases[] = {{"a", false, 0}, {"b", true, 0}, {"c", false, 1}, {"f", true, 2},
                                {"h", true, 3},  {"i", false, 4}};
  for (const Case& C : kCases) {
    Integer Index = -7;
    EXPECT_EQ(L.Find(C.S, Index), C.Found) << C.S;
    EXPECT_EQ(Index, C.Index) << C.S;
    EXPECT_EQ(L.IndexOf(C.S), C.Found ? C.Index : -1) << C.S;
  }
}

TEST_F(StringList, CaseSensitivityDecidesFindingAndSwitchingItReSorts) {
  IntList L;
  L.SetSorted(true);
  L.Add("Beta");
  L.Add("alpha");
  L.Add("Gamma");
  EXPECT_THAT(Lines(L), ElementsAre("alpha", "Beta", "Gamma"));
  EXPECT_EQ(L.IndexOf("beta"), 1);
  EXPECT_EQ(L.IndexOf("GAMMA"), 2);
  EXPECT_EQ(L.Add("BETA"), 1);  // dupIgnore: found, case aside
  EXPECT_EQ(L.GetCount(), 3);
  L.SetCaseSensitive(true);
  EXPECT_THAT(Lines(L), ElementsAre("Beta", "Gamma", "alpha"));
  EXPECT_EQ(L.IndexOf("beta"), -1);
  EXPECT_TRUE(L.GetSorted());

  IntList Unsorted;
  Unsorted.Add("Alpha");
  EXPECT_EQ(Unsorted.IndexOf("ALPHA"), 0);
  Unsorted.SetCaseSensitive(true);
  EXPECT_EQ(Unsorted.IndexOf("ALPHA"), -1);
}

TEST_F(StringList, ASortedListRefusesPositionedChangesButAllowsExchange) {
  ProbeList L;
  L.SetSorted(true);
  L.Add("a");
  L.Add("b");
  EXPECT_THROW_MSG(L.Put(0, "z"), EStringListError, kSortedError);
  EXPECT_THROW_MSG(L.Insert(0, "z"), EStringListError, kSortedError);
  EXPECT_THROW_MSG(L.InsertObject(0, "z", nullptr), EStringListError, kSortedError);
  EXPECT_THROW_MSG(L.InsertObject(0, "z", nullptr, MakeProbe(1)), EStringListError, kSortedError);
  EXPECT_THROW_MSG(L.Move(0, 1), EStringListError, kSortedError);
  L.Exchange(0, 1);
  EXPECT_THAT(Lines(L), ElementsAre("b", "a"));
}

TEST_F(StringList, SortWithACompareFunctionIsOneChange) {
  IntList L;
  for (int I : {5, 3, 9, 1, 7, 3, 8}) L.AddObject(std::to_string(I), nullptr, I);
  Watch(L, Log);
  L.Sort([](IntList* List, Integer A, Integer B) { return List->GetData(B) - List->GetData(A); });
  EXPECT_THAT(Data(L), ElementsAre("9", "8", "7", "5", "3", "3", "1"));
  EXPECT_THAT(Log, ElementsAre("changing", "change"));
  IntList One;
  Watch(One, Log);
  One.Add("x");
  Log.clear();
  One.Sort();
  EXPECT_THAT(Log, IsEmpty());
}

TEST_F(StringList, QuicksortOrdersAnyInput) {
  IntList L;
  unsigned Seed = 7;
  for (int I = 0; I < 500; ++I) {
    Seed = Seed * 1103515245u + 12345u;
    L.Add(std::to_string((Seed >> 8) % 1000));
  }
  L.Sort();
  for (Integer I = 1; I < L.GetCount(); ++I) EXPECT_LE(L.CompareStrings(L.Get(I - 1), L.Get(I)), 0);
}

// ---------------------------------------------------------------------------------------------
// Positions, growth and errors

class TExposedList : public IntList {
 public:
  using IntList::InsertItem;
};

TEST_F(StringList, InsertionPositionsAndTheirErrors) {
  TExposedList L;
  L.Add("a");
  L.InsertObject(1, "b", nullptr, 2);  // Index = Count appends
  EXPECT_THAT(Lines(L), ElementsAre("a", "b"));
  EXPECT_THROW_MSG(L.InsertObject(3, "c", nullptr), EStringListError, "List index out of bounds (3)");
  EXPECT_THROW_MSG(L.Insert(-1, "c"), EStringListError, "List index out of bounds (-1)");
  Watch(L, Log);
  EXPECT_THROW_MSG(L.InsertItem(5, "c", nullptr), EArgumentOutOfRangeException, "Argument out of range");
  EXPECT_THAT(Log, ElementsAre("changing"));  // fired before the check
  EXPECT_EQ(L.GetCount(), 2);
}

TEST_F(StringList, IndexErrorsNameTheIndex) {
  IntList L;
  L.Add("a");
  EXPECT_THROW_MSG(L.Get(1), EStringListError, "List index out of bounds (1)");
  EXPECT_THROW_MSG(L.GetObject(-1), EStringListError, "List index out of bounds (-1)");
  EXPECT_THROW_MSG(L.GetData(1), EStringListError, "List index out of bounds (1)");
  EXPECT_THROW_MSG(L.PutData(2, 0), EStringListError, "List index out of bounds (2)");
  EXPECT_THROW_MSG(L.PutObject(1, nullptr), EStringListError, "List index out of bounds (1)");
  EXPECT_THROW_MSG(L.Put(1, "x"), EStringListError, "List index out of bounds (1)");
  EXPECT_THROW_MSG(L.Delete(1), EStringListError, "List index out of bounds (1)");
  EXPECT_THROW_MSG(L.Exchange(3, 4), EStringListError, "List index out of bounds (3)");
  EXPECT_THROW_MSG(L.Exchange(0, 4), EStringListError, "List index out of bounds (4)");
  EXPECT_THROW_MSG(L.Move(0, 1), EStringListError, "List index out of bounds (1)");
  EXPECT_THROW_MSG(L.SetCapacity(-1), EStringListError, "List capacity out of bounds (-1)");
}

TEST_F(StringList, TheFirstGrowthFitsExactlyAndLaterOnesDouble) {
  IntList L;
  std::vector<int> Capacities;
  for (int I = 0; I < 9; ++I) {
    L.Add("x");
    Capacities.push_back(L.GetCapacity());
  }
  EXPECT_THAT(Capacities, ElementsAre(1, 2, 4, 4, 8, 8, 8, 8, 16));
  IntList M;
  M.SetCapacity(3);
  M.Add("x");
  M.Add("x");
  M.Add("x");
  M.Add("x");
  EXPECT_EQ(M.GetCapacity(), 6);
}

TEST_F(StringList, SetCapacityBelowCountCutsSilently) {
  ProbeList L;
  for (int I = 0; I < 4; ++I) L.AddObject("s" + std::to_string(I), nullptr, MakeProbe(I));
  Watch(L, Log);
  L.SetCapacity(2);
  EXPECT_THAT(Lines(L), ElementsAre("s0", "s1"));
  EXPECT_EQ(L.GetCapacity(), 2);
  EXPECT_EQ(TProbe::Live(), 2);
  EXPECT_THAT(Log, IsEmpty());
  L.Add("s9");
  EXPECT_EQ(L.GetCapacity(), 4);
}

TEST_F(StringList, MoveCarriesTheWholeItem) {
  ProbeList L;
  for (int I = 0; I < 4; ++I) L.AddObject("s" + std::to_string(I), nullptr, MakeProbe(I));
  Watch(L, Log);
  L.Move(0, 2);
  EXPECT_THAT(Lines(L), ElementsAre("s1", "s2", "s0", "s3"));
  EXPECT_THAT(Data(L), ElementsAre("p1", "p2", "p0", "p3"));
  L.Move(3, 0);
  EXPECT_THAT(Data(L), ElementsAre("p3", "p1", "p2", "p0"));
  EXPECT_THAT(Log, ElementsAre("changing", "change", "changing", "change"));
  EXPECT_EQ(TProbe::Live(), 4);
}

// ---------------------------------------------------------------------------------------------
// Events

TEST_F(StringList, EverySingleChangeFiresOneEventPair) {
  struct Case {
    const char* Name;
    std::function<void(ProbeList&)> Change;
  };
  const Case kCases[] = {
      {"Put", [](ProbeList& L) { L.Put(0, "z"); }},
      {"PutObject", [](ProbeList& L) { L.PutObject(0, &L); }},
      {"PutData", [](ProbeList& L) { L.PutData(0, MakeProbe(7)); }},
      {"Add", [](ProbeList& L) { L.Add("z"); }},
      {"AddObject with data", [](ProbeList& L) { L.AddObject("z", nullptr, MakeProbe(7)); }},
      {"Insert", [](ProbeList& L) { L.Insert(1, "z"); }},
      {"Delete", [](ProbeList& L) { L.Delete(0); }},
      {"Clear", [](ProbeList& L) { L.Clear(); }},
      {"Exchange", [](ProbeList& L) { L.Exchange(0, 1); }},
      {"Sort", [](ProbeList& L) { L.Sort(); }},
      {"SetText", [](ProbeList& L) { L.SetText("x\r\ny\r\n"); }},
      {"AddStrings", [](ProbeList& L) { L.AddStrings(&L); }},
  };
  for (const Case& C : kCases) {
    std::vector<std::string> Events;
    ProbeList L;
    L.AddObject("b", nullptr, MakeProbe(1));
    L.AddObject("a", nullptr, MakeProbe(2));
    Watch(L, Events);
    C.Change(L);
    EXPECT_THAT(Events, ElementsAre("changing", "change")) << C.Name;
  }
}

TEST_F(StringList, AnUpdateBlockFiresOncePairAndNothingBetween) {
  ProbeList L;
  Watch(L, Log);
  L.BeginUpdate();
  EXPECT_THAT(Log, ElementsAre("changing"));
  L.Add("a");
  L.BeginUpdate();
  L.Add("b");
  L.Delete(0);
  L.EndUpdate();
  EXPECT_THAT(Log, ElementsAre("changing"));
  L.EndUpdate();
  EXPECT_THAT(Log, ElementsAre("changing", "change"));
}

TEST_F(StringList, ClearOfAnEmptyListFiresNothing) {
  ProbeList L;
  Watch(L, Log);
  L.Clear();
  EXPECT_THAT(Log, IsEmpty());
}

// ---------------------------------------------------------------------------------------------
// Owned and shared objects

TEST_F(StringList, DeleteAndClearFreeOwnedObjectsOnceTheListIsConsistent) {
  std::vector<std::string> Freed;
  ProbeList L(true);
  L.AddObject("a", new TWitness("A", &L, Freed));
  L.AddObject("b", new TWitness("B", &L, Freed));
  L.AddObject("c", new TWitness("C", &L, Freed));
  L.AddObject("d", new TWitness("D", &L, Freed));
  L.Delete(1);
  EXPECT_THAT(Freed, ElementsAre("B freed, count 3, index -1"));
  EXPECT_THAT(Lines(L), ElementsAre("a", "c", "d"));
  L.Clear();
  EXPECT_THAT(Freed, ElementsAre("B freed, count 3, index -1", "A freed, count 0, index -1",
                                 "C freed, count 0, index -1", "D freed, count 0, index -1"));
}

TEST_F(StringList, PutObjectNeverFreesAndTheDestructorFreesWhatIsOwned) {
  std::vector<std::string> Freed;
  auto* Kept = new TWitness("Kept", nullptr, Freed);
  {
    ProbeList L(true);
    L.AddObject("a", Kept);
    L.PutObject(0, new TWitness("New", nullptr, Freed));
    EXPECT_THAT(Freed, IsEmpty());
    L.AddObject("b", new TWitness("B", nullptr, Freed));
  }
  EXPECT_THAT(Freed, ElementsAre("New freed, count -1, index -1", "B freed, count -1, index -1"));
  delete Kept;
}

TEST_F(StringList, ANonOwningListFreesNothing) {
  std::vector<std::string> Freed;
  TWitness A("A", nullptr, Freed);
  {
    ProbeList L;
    L.AddObject("a", &A);
    L.Delete(0);
    L.AddObject("a", &A);
    L.Clear();
    L.AddObject("a", &A);
  }
  EXPECT_THAT(Freed, IsEmpty());
}

TEST_F(StringList, AnObjectHeldTwiceByAnOwningListIsFreedOnce) {
  std::vector<std::string> Freed;
  {
    ProbeList L(true);
    auto* Twice = new TWitness("T", nullptr, Freed);
    L.AddObject("a", Twice);
    L.AddObject("b", Twice);
    L.Delete(0);
    EXPECT_THAT(Freed, IsEmpty());  // still held by "b"
    L.AddObject("c", Twice);
    L.Clear();
    EXPECT_THAT(Freed, ElementsAre("T freed, count -1, index -1"));
    auto* Again = new TWitness("U", nullptr, Freed);
    L.AddObject("a", Again);
    L.AddObject("b", Again);
  }
  EXPECT_EQ(Freed.size(), 2u);
}

TEST_F(StringList, CopiesShareObjectsWithoutOwningThem) {
  std::vector<std::string> Freed;
  {
    ProbeList Owner(true);
    Owner.AddObject("a", new TWitness("A", nullptr, Freed), MakeProbe(1));
    Owner.AddObject("b", new TWitness("B", nullptr, Freed), MakeProbe(2));
    ProbeList Assigned(true);
    Assigned.Assign(&Owner);
    ProbeList Added(true);
    Added.AddStrings(&Owner);
    ProbeList SortedAdded(true);
    SortedAdded.SetSorted(true);
    SortedAdded.AddStrings(&Owner);
    tarnwick::TStringList Plain;
    Plain.AddObject("c", new TWitness("C", nullptr, Freed));
    ProbeList FromPlain(true);
    FromPlain.Assign(&Plain);
    Assigned.Clear();
    Added.Delete(0);
    FromPlain.Clear();
    EXPECT_THAT(Freed, IsEmpty());
    Owner.AddStrings(&Owner);  // copies within one list are shared as well
    Owner.Delete(3);
    EXPECT_THAT(Freed, IsEmpty());
    Plain.SetOwnsObjects(true);
  }
  EXPECT_THAT(Freed, ::testing::UnorderedElementsAre("A freed, count -1, index -1", "B freed, count -1, index -1",
                                                     "C freed, count -1, index -1"));
}

// ---------------------------------------------------------------------------------------------
// Copying

TEST_F(StringList, AssignFromATypedListCopiesItemsAndSettingsWithoutSorting) {
  TWitness Object("O", nullptr, Log);
  ProbeList Source;
  Source.AddObject("b", &Object, MakeProbe(1));
  Source.AddObject("a", nullptr, nullptr);
  Source.SetDuplicates(dupError);
  Source.SetCaseSensitive(true);
  ProbeList Sorted;
  Sorted.SetSorted(true);
  Sorted.Add("y");
  Sorted.Add("x");
  ProbeList L;
  L.Add("old");
  std::vector<std::string> Events;
  Watch(L, Events);
  L.Assign(&Source);
  EXPECT_THAT(Lines(L), ElementsAre("b", "a"));
  EXPECT_EQ(L.GetObject(0), &Object);
  EXPECT_EQ(L.GetData(0), Source.GetData(0));
  EXPECT_EQ(L.GetData(1), nullptr);
  EXPECT_EQ(L.GetDuplicates(), dupError);
  EXPECT_TRUE(L.GetCaseSensitive());
  EXPECT_FALSE(L.GetSorted());
  EXPECT_THAT(Events, ElementsAre("changing", "change"));
  EXPECT_EQ(TProbe::Live(), 1);  // shared, counted twice
  L.Assign(&Sorted);
  EXPECT_THAT(Lines(L), ElementsAre("x", "y"));
  EXPECT_TRUE(L.GetSorted());
  EXPECT_FALSE(L.GetCaseSensitive());
  EXPECT_EQ(L.GetDuplicates(), dupIgnore);
  L.Assign(&L);
  EXPECT_THAT(Lines(L), ElementsAre("x", "y"));
}

TEST_F(StringList, AssignFromThePlatformListCopiesStringsObjectsAndSettingsWithoutData) {
  TWitness Object("O", nullptr, Log);
  tarnwick::TStringList Plain;
  Plain.AddObject("b", &Object);
  Plain.Add("a");
  Plain.Add("a");
  Plain.SetCaseSensitive(true);
  ProbeList L;
  L.SetSorted(true);  // would reorder and drop the duplicate if it stayed on while copying
  L.AddObject("z", nullptr, MakeProbe(1));
  L.Assign(&Plain);
  EXPECT_THAT(Lines(L), ElementsAre("b", "a", "a"));
  EXPECT_EQ(L.GetObject(0), &Object);
  EXPECT_THAT(Data(L), ElementsAre("nil", "nil", "nil"));
  EXPECT_TRUE(L.GetCaseSensitive());
  EXPECT_FALSE(L.GetSorted());
  EXPECT_EQ(L.GetDuplicates(), dupIgnore);
  EXPECT_EQ(TProbe::Live(), 0);
}

TEST_F(StringList, AddStringsBetweenTypedLists) {
  ProbeList Source;
  Source.AddObject("b", nullptr, MakeProbe(1));
  Source.AddObject("a", nullptr, MakeProbe(2));
  Source.AddObject("c", nullptr, MakeProbe(3));

  ProbeList Unsorted;
  Unsorted.AddObject("x", nullptr, MakeProbe(4));
  std::vector<std::string> Events;
  Watch(Unsorted, Events);
  Unsorted.AddStrings(&Source);
  EXPECT_THAT(Lines(Unsorted), ElementsAre("x", "b", "a", "c"));
  EXPECT_THAT(Data(Unsorted), ElementsAre("p4", "p1", "p2", "p3"));
  EXPECT_EQ(Unsorted.GetCapacity(), 4);  // exactly Count + the source's Count
  EXPECT_THAT(Events, ElementsAre("changing", "change"));

  ProbeList Sorted;
  Sorted.SetSorted(true);
  Sorted.AddObject("b", nullptr, MakeProbe(5));
  Sorted.AddStrings(&Source);  // each placed; dupIgnore keeps the "b" it has
  EXPECT_THAT(Lines(Sorted), ElementsAre("a", "b", "c"));
  EXPECT_THAT(Data(Sorted), ElementsAre("p2", "p5", "p3"));

  Unsorted.AddStrings(&Unsorted);
  EXPECT_THAT(Data(Unsorted), ElementsAre("p4", "p1", "p2", "p3", "p4", "p1", "p2", "p3"));
  EXPECT_EQ(TProbe::Live(), 5);
}

TEST_F(StringList, AddStringsFromThePlatformListAddsLinesWithoutData) {
  tarnwick::TStringList Plain;
  Plain.Add("b");
  Plain.Add("a");
  IntList L;
  L.AddObject("c", nullptr, 3);
  L.AddStrings(&Plain);
  EXPECT_THAT(Lines(L), ElementsAre("c", "b", "a"));
  EXPECT_THAT(Data(L), ElementsAre("3", "0", "0"));
  L.AddStrings(nullptr);
  EXPECT_EQ(L.GetCount(), 3);
}

TEST_F(StringList, TextReadsAndWritesThroughTheItems) {
  IntList L;
  L.SetText("one\ntwo\r\nthree");
  EXPECT_THAT(Lines(L), ElementsAre("one", "two", "three"));
  EXPECT_EQ(L.GetText(), "one\r\ntwo\r\nthree\r\n");
  L.SetValue("two", "2");
  EXPECT_EQ(L.GetValue("TWO"), "2");
  L.Add("key=value");
  EXPECT_EQ(L.GetValue("KEY"), "value");
}

// ---------------------------------------------------------------------------------------------
// The data view and counted data

TEST_F(StringList, DataValuesReadsTheDataLiveInIndexOrder) {
  ProbeList L;
  L.AddObject("a", nullptr, MakeProbe(1));
  L.Add("b");
  L.AddObject("c", nullptr, MakeProbe(3));
  auto* View = L.GetDataValues();
  EXPECT_EQ(View, L.GetDataValues());
  EXPECT_EQ(View->GetCount(), 3);
  std::vector<std::string> Seen;
  auto Enumerator = View->GetEnumerator();
  EXPECT_THROW_MSG(Enumerator->GetCurrent(), EStringListError, "List index out of bounds (-1)");
  while (Enumerator->MoveNext()) Seen.push_back(Show(Enumerator->GetCurrent()));
  EXPECT_THAT(Seen, ElementsAre("p1", "nil", "p3"));
  EXPECT_THROW(Enumerator->GetCurrent(), EStringListError);
  EXPECT_FALSE(Enumerator->MoveNext());
  EXPECT_EQ(View->ToArray().size(), 3u);
  L.Delete(0);
  std::vector<std::string> Again;
  for (const ProbeRef& P : View->ToArray()) Again.push_back(Show(P));
  EXPECT_THAT(Again, ElementsAre("nil", "p3"));
}

TEST_F(StringList, EveryPathReleasesTheDatumOnce) {
  {
    ProbeList L;
    for (int I = 0; I < 6; ++I) L.AddObject("s" + std::to_string(I), nullptr, MakeProbe(I));
    EXPECT_EQ(TProbe::Live(), 6);
    L.PutData(0, MakeProbe(10));
    EXPECT_EQ(TProbe::Live(), 6);
    L.Delete(1);
    EXPECT_EQ(TProbe::Live(), 5);
    L.Exchange(0, 3);
    L.SetSorted(true);
    L.Add("x");
  }
  EXPECT_EQ(TProbe::Live(), 0);
}

TEST_F(StringList, ClearAndDestructionReleaseTheData) {
  ProbeList L;
  for (int I = 0; I < 3; ++I) L.AddObject("s" + std::to_string(I), nullptr, MakeProbe(I));
  L.Clear();
  EXPECT_EQ(TProbe::Live(), 0);
  EXPECT_EQ(L.GetCapacity(), 0);
  {
    ProbeList M;
    M.AddObject("a", nullptr, MakeProbe(1));
  }
  EXPECT_EQ(TProbe::Live(), 0);
}

}  // namespace
}  // namespace tarnwick::collections::testing

namespace tarnwick::test {
namespace {

struct TypedListSort {
  using List = collections::TStringList<int>;
  static void Sort(List& L, const List::TStringListSortCompare& Compare) { L.Sort(Compare); }
};

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(TypedList, StringListCustomSort, TypedListSort);
INSTANTIATE_TYPED_TEST_SUITE_P(TypedList, StringListLocale, collections::TStringList<int>);
INSTANTIATE_TYPED_TEST_SUITE_P(TypedList, StringListFiles, collections::TStringList<int>);

}  // namespace tarnwick::test
