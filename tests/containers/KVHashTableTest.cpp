// Tests of the change-notifying hash table: the events of every operation in and out of update
// blocks, removal from an empty table, Get/Put, access by ordinal with its position cache, and
// destruction.
#include "tarnwick/containers/KVHashTable.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ContainersTestSupport.h"
#include "tarnwick/common/KVCommon.h"
#include "tarnwick/platform/Exceptions.h"

namespace tarnwick::collections::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

using Table = TKVHashTable<std::string, ProbeRef>;

// Logs every event of a table as text: "key <k> <action>", "value <v> <action>", "change".
class HashTableEvents : public ProbeTest {
 protected:
  void Watch(Table& T) {
    LogNotifications<Table, std::string, ProbeRef>(T, FLog);
    T.SetOnChange([this, &T](TObject* Sender) {
      EXPECT_EQ(Sender, &T);
      FLog.push_back("change");
    });
  }
  std::vector<std::string> Take() { return std::exchange(FLog, {}); }

  std::vector<std::string> FLog;
};

TEST_F(HashTableEvents, EachOperationOutsideABlock) {
  Table T;
  Watch(T);
  T.Add("a", MakeProbe(1));
  EXPECT_THAT(Take(), ElementsAre("key a added", "value p1 added", "change"));
  T.AddOrSetValue("a", MakeProbe(2));
  EXPECT_THAT(Take(), ElementsAre("value p1 removed", "value p2 added", "change"));
  EXPECT_EQ(T.Put("b", MakeProbe(3)), nullptr);
  EXPECT_THAT(Take(), ElementsAre("key b added", "value p3 added", "change"));
  EXPECT_EQ(T.Put("b", MakeProbe(4))->Id(), 3);
  EXPECT_THAT(Take(), ElementsAre("value p3 removed", "value p4 added", "change"));
  T.PutItem("c", MakeProbe(5));
  EXPECT_THAT(Take(), ElementsAre("key c added", "value p5 added", "change"));
  T.SetItem("c", MakeProbe(6));  // the dictionary's Items: no OnChange
  EXPECT_THAT(Take(), ElementsAre("value p5 removed", "value p6 added"));
  EXPECT_EQ(T.Remove("zz"), nullptr);
  EXPECT_THAT(Take(), ElementsAre("change"));
  EXPECT_EQ(T.Remove("c")->Id(), 6);
  EXPECT_THAT(Take(), ElementsAre("key c removed", "value p6 removed", "change"));
  EXPECT_EQ(T.ExtractPair("zz").Value, nullptr);
  EXPECT_THAT(Take(), IsEmpty());
  EXPECT_EQ(T.ExtractPair("b").Value->Id(), 4);
  EXPECT_THAT(Take(), ElementsAre("key b extracted", "value p4 extracted", "change"));
  T.Clear();
  EXPECT_THAT(Take(), ElementsAre("change"));
  T.Clear();  // empty already: still one change
  EXPECT_THAT(Take(), ElementsAre("change"));
}

TEST_F(HashTableEvents, RemovalFromAnEmptyTableRaisesAndFiresNothing) {
  Table T;
  Watch(T);
  EXPECT_THROW_MSG(T.Remove("a"), EGHashtableError, "Hash table is empty");
  EXPECT_EQ(T.ExtractPair("a"), (TPair<std::string, ProbeRef>("a", nullptr)));
  T.Add("a", nullptr);
  T.Remove("a");
  Take();
  EXPECT_THROW(T.Remove("a"), EGHashtableError);
  EXPECT_THAT(Take(), IsEmpty());
}

TEST_F(HashTableEvents, BlocksMuteEverythingAndTheOutermostEndFiresOneChange) {
  Table T;
  Watch(T);
  T.BeginUpdate();
  T.BeginUpdate();
  T.Add("a", MakeProbe(1));
  T.Add("b", MakeProbe(2));
  T.Add("c", MakeProbe(3));
  T.Remove("a");
  T.Clear();
  T.EndUpdate();
  EXPECT_THAT(Take(), IsEmpty());
  T.EndUpdate();
  EXPECT_THAT(Take(), ElementsAre("change"));
  EXPECT_EQ(T.GetUpdateCount(), 0);
}

TEST_F(HashTableEvents, AnUnmatchedEndUpdateLeavesEventsUnmuted) {
  Table T;
  Watch(T);
  T.EndUpdate();
  EXPECT_THAT(Take(), IsEmpty());  // the counter is -1, not 0
  T.BeginUpdate();                 // back to 0: the block no longer mutes
  T.Add("a", nullptr);
  EXPECT_THAT(Take(), ElementsAre("key a added", "value nil added", "change"));
  T.EndUpdate();
  EXPECT_THAT(Take(), IsEmpty());
}

TEST_F(HashTableEvents, ClearNotifiesOnlyThroughTheOverridesAndThenChanges) {
  Table T;
  T.Add("a", MakeProbe(1));
  T.Add("b", MakeProbe(2));
  Watch(T);
  T.Clear();
  EXPECT_THAT(Take(), ElementsAre("change"));
  EXPECT_EQ(TProbe::Live(), 0);
}

TEST_F(HashTableEvents, AssignFiresTheEventsOfClearAndOfEachAdd) {
  Table Source;
  Source.Add("a", MakeProbe(1));
  Source.Add("b", MakeProbe(2));
  Table T;
  Watch(T);
  T.Assign(&Source);  // Clear (one change), then each Add outside a block
  EXPECT_EQ(T.GetCount(), 2);
  const std::vector<std::string> Log = Take();
  EXPECT_EQ(std::count(Log.begin(), Log.end(), "change"), 3);
  EXPECT_EQ(Log.front(), "change");
}

// A descendant that works after the inherited step, as the model's tables do.
class TLoggingTable : public Table {
 public:
  explicit TLoggingTable(std::vector<std::string>& Log) : FLog(Log) {}
  ~TLoggingTable() override {
    BeginDestroy();
    Clear();
  }
  void Clear() override {
    Table::Clear();
    FLog.push_back("override Clear");
  }

 protected:
  void DoAdd(Integer HashCode, Integer Index, const std::string& Key, const ProbeRef& Value) override {
    Table::DoAdd(HashCode, Index, Key, Value);
    FLog.push_back("override DoAdd " + Key);
  }
  ProbeRef DoRemove(const std::string& Key, Integer HashCode, TCollectionNotification Action) override {
    ProbeRef Result = Table::DoRemove(Key, HashCode, Action);
    FLog.push_back("override DoRemove " + Key + " " + Show(Result));
    return Result;
  }
  void KeyNotify(const std::string& Key, TCollectionNotification Action) override {
    Table::KeyNotify(Key, Action);
    FLog.push_back(std::string("override KeyNotify ") + Key + " " + Show(Action));
  }

 private:
  std::vector<std::string>& FLog;
};

TEST_F(HashTableEvents, ADescendantWorksAfterTheEventsOfTheInheritedStep) {
  TLoggingTable T(FLog);
  Watch(T);
  T.Add("a", MakeProbe(1));
  EXPECT_THAT(Take(), ElementsAre("key a added", "override KeyNotify a added", "value p1 added",
                                  "change", "override DoAdd a"));
  T.Remove("a");
  EXPECT_THAT(Take(), ElementsAre("key a removed", "override KeyNotify a removed", "value p1 removed",
                                  "change", "override DoRemove a p1"));
  EXPECT_THROW(T.Remove("a"), EGHashtableError);
  EXPECT_THAT(Take(), IsEmpty());  // raised before the override's own work
}

TEST_F(HashTableEvents, DestructionFiresNothingButTheOverridesStillRun) {
  {
    TLoggingTable T(FLog);
    T.Add("a", MakeProbe(1));
    T.Add("b", MakeProbe(2));
    Watch(T);
    Take();
  }
  std::vector<std::string> Log = Take();
  EXPECT_THAT(Log, ::testing::Contains("override KeyNotify a removed"));
  EXPECT_THAT(Log, ::testing::Contains("override KeyNotify b removed"));
  EXPECT_EQ(Log.back(), "override Clear");
  for (const std::string& Event : Log) EXPECT_THAT(Event, ::testing::StartsWith("override")) << Event;
  EXPECT_EQ(TProbe::Live(), 0);
}

TEST_F(HashTableEvents, DestructionOfAPlainTableFiresNothing) {
  {
    Table T;
    T.Add("a", MakeProbe(1));
    Watch(T);
  }
  EXPECT_THAT(Take(), IsEmpty());
  EXPECT_EQ(TProbe::Live(), 0);
}

// ---------------------------------------------------------------------------------------------
// Reading

class HashTableReading : public ProbeTest {};

TEST_F(HashTableReading, GetAndContainsKeyWithTheFoundItem) {
  Table T;
  ProbeRef P = MakeProbe(1);
  T.Add("a", P);
  EXPECT_EQ(T.Get("a"), P);
  EXPECT_EQ(T["a"], P);
  EXPECT_THROW_MSG(T.Get("b"), EListError, "Item not found");
  ProbeRef Found = MakeProbe(2);
  EXPECT_FALSE(T.ContainsKey("b", Found));
  EXPECT_EQ(Found, nullptr);
  EXPECT_TRUE(T.ContainsKey("a", Found));
  EXPECT_EQ(Found, P);
  EXPECT_TRUE(T.ContainsKey("a"));
  EXPECT_TRUE(T.ContainsItem(P));
  EXPECT_FALSE(T.ContainsItem(MakeProbe(1)));
  EXPECT_FALSE(T.IsEmpty());
  T.Clear();
  EXPECT_TRUE(T.IsEmpty());
}

// The ordinals, read in the given order, against the enumeration order.
TEST_F(HashTableReading, OrdinalsFollowEnumerationOrderInAnyReadingOrder) {
  TKVHashTable<std::string, int> T;
  for (int I = 0; I < 40; ++I) T.Add("key" + std::to_string(I * 13), I);
  std::vector<std::string> Keys;
  std::vector<int> Values;
  for (const auto& Pair : T.ToArray()) {
    Keys.push_back(Pair.Key);
    Values.push_back(Pair.Value);
  }
  const std::vector<std::vector<int>> Orders = {
      {0, 1, 2, 1},  {2, 0},  {0, 3},     {39, 38, 37, 0, 39}, {5, 6, 4, 3, 20, 19, 21},
      {1, 0, 1, 2}, {10, 10}, {38, 39, 0}};
  for (const auto& Order : Orders) {
    for (int Index : Order) {
      EXPECT_EQ(T.GetKeyByIndex(Index), Keys[Index]) << Index;
      EXPECT_EQ(T.GetItemByIndex(Index), Values[Index]) << Index;
    }
  }
  std::vector<std::string> Upward, Downward;
  for (int I = 0; I < T.GetCount(); ++I) Upward.push_back(T.GetKeyByIndex(I));
  for (int I = T.GetCount() - 1; I >= 0; --I) Downward.insert(Downward.begin(), T.GetKeyByIndex(I));
  EXPECT_EQ(Upward, Keys);
  EXPECT_EQ(Downward, Keys);
}

TEST_F(HashTableReading, OrdinalsOutsideTheTableRaiseTheIndexError) {
  TKVHashTable<std::string, int> T;
  EXPECT_THROW_MSG(T.GetItemByIndex(0), EListError, "List index out of bounds (0)");
  T.Add("a", 1);
  T.Add("b", 2);
  EXPECT_EQ(T.GetItemByIndex(1), T.ToArray()[1].Value);
  EXPECT_THROW_MSG(T.GetItemByIndex(-1), EListError, "List index out of bounds (-1)");
  EXPECT_THROW_MSG(T.GetKeyByIndex(2), EListError, "List index out of bounds (2)");
  EXPECT_EQ(T.GetItemByIndex(0), T.ToArray()[0].Value);  // the cache survived the errors
}

// Adding and removing keys moves the ordinals; the next ordinal read follows the new layout.
TEST_F(HashTableReading, ChangesOfKeysClearThePositionCache) {
  TSlotView<TKVHashTable<int, int>> T(0, IdentityComparer());
  T.Add(2, 20);
  T.Add(3, 30);
  EXPECT_EQ(T.GetItemByIndex(1), 30);  // cache: ordinal 1 at slot 3
  T.Add(1, 10);                        // slot 1 comes first now
  EXPECT_EQ(T.GetItemByIndex(1), 20);
  EXPECT_EQ(T.GetItemByIndex(2), 30);
  T.Remove(1);
  EXPECT_EQ(T.GetItemByIndex(1), 30);
  T.BeginUpdate();
  T.Add(1, 10);  // muted, but the cache is cleared all the same
  EXPECT_EQ(T.GetItemByIndex(0), 10);
  T.EndUpdate();
}

// Growth before replacing a value, and TrimExcess, rebuild the table without any key
// notification; ordinal access must follow the new layout all the same.
TEST_F(HashTableReading, ARebuildOfTheTableClearsThePositionCache) {
  TSlotView<TKVHashTable<int, int>> T(0, IdentityComparer());
  T.Add(5, 50);  // 4 slots: 5 in slot 1
  T.Add(2, 20);  // slot 2
  T.Add(7, 70);  // slot 3
  EXPECT_THAT(T.Slots(), ElementsAre("-", "5", "2", "7"));
  EXPECT_EQ(T.GetKeyByIndex(2), 7);  // cache: ordinal 2 at slot 3
  T.AddOrSetValue(2, 21);            // grows to 8 slots first: 2, 5, 7
  EXPECT_THAT(T.Slots(), ElementsAre("-", "-", "2", "-", "-", "5", "-", "7"));
  EXPECT_EQ(T.GetKeyByIndex(1), 5);
  EXPECT_EQ(T.GetKeyByIndex(0), 2);
  EXPECT_EQ(T.GetItemByIndex(0), 21);
  EXPECT_EQ(T.GetKeyByIndex(2), 7);
  T.TrimExcess();  // back to 4 slots: 5 in 1, 2 in 2, 7 in 3
  EXPECT_EQ(T.GetKeyByIndex(1), 2);
  EXPECT_EQ(T.GetKeyByIndex(0), 5);
}

// ---------------------------------------------------------------------------------------------
// Counted values and destruction order

TEST_F(HashTableReading, ReleasesEveryValueOnceOnEveryPath) {
  {
    Table T;
    for (int I = 0; I < 30; ++I) T.Put("k" + std::to_string(I), MakeProbe(I));
    for (int I = 0; I < 30; I += 3) T.Put("k" + std::to_string(I), MakeProbe(100 + I));
    EXPECT_EQ(TProbe::Live(), 30);
    for (int I = 0; I < 30; I += 2) T.Remove("k" + std::to_string(I));
    EXPECT_EQ(TProbe::Live(), 15);
    for (int I = 0; I < T.GetCount(); ++I) EXPECT_NE(T.GetItemByIndex(I), nullptr);
  }
  EXPECT_EQ(TProbe::Live(), 0);
}

}  // namespace
}  // namespace tarnwick::collections::testing
