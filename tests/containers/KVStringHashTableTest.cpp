// Tests of the string-keyed hash table: the fixed slot order of string keys, keys to and from
// string lists, unique names and the key iterator; and of the default comparers behind it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ContainersTestSupport.h"
#include "tarnwick/common/StringIterator.h"
#include "tarnwick/containers/KVGenerics.h"
#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/Generics.h"
#include "tarnwick/platform/Strings.h"

namespace tarnwick::collections::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using tarnwick::test::Lines;

using StringTable = TKVStringHashTable<ProbeRef>;

std::vector<std::string> KeysInOrdinalOrder(const StringTable& T) {
  std::vector<std::string> Result;
  for (Integer I = 0; I < T.GetCount(); ++I) Result.push_back(T.GetKeyByIndex(I));
  return Result;
}

// ---------------------------------------------------------------------------------------------
// The string hash is one fixed function, so the slot order is the same everywhere

TEST(StringHash, IsThirtyTwoBitFnv1aOfTheBytes) {
  EXPECT_EQ(Fnv1aHash(""), 0x811C9DC5u);
  EXPECT_EQ(Fnv1aHash("a"), 0xE40C292Cu);
  EXPECT_EQ(Fnv1aHash("foobar"), 0xBF9CF968u);
  EXPECT_EQ(TDefaultEquality<std::string>::GetHashCode("foobar"), static_cast<Integer>(0xBF9CF968u));
  auto Default = TEqualityComparer<std::string>::Default();
  EXPECT_EQ(Default->GetHashCode("a"), static_cast<Integer>(0xE40C292Cu));
  EXPECT_TRUE(Default->Equals("a", "a"));
  EXPECT_FALSE(Default->Equals("a", "A"));
}

TEST(StringHash, GivesTheSameSlotOrderInEveryRun) {
  TSlotView<StringTable> T;
  for (const char* Key : {"low", "medium", "high", "very", "somewhat", "alpha", "beta", "gamma", "delta"})
    T.Add(Key, nullptr);
  EXPECT_THAT(T.Slots(), ElementsAre("-", "-", "low", "very", "delta", "-", "-", "medium", "beta", "-", "-",
                                     "gamma", "somewhat", "alpha", "high", "-"));
  EXPECT_THAT(KeysInOrdinalOrder(T),
              ElementsAre("low", "very", "delta", "medium", "beta", "gamma", "somewhat", "alpha", "high"));
}

TEST(DefaultEquality, TreatsEqualNumbersAlike) {
  EXPECT_EQ(TDefaultEquality<double>::GetHashCode(0.0), TDefaultEquality<double>::GetHashCode(-0.0));
  EXPECT_TRUE(TDefaultEquality<double>::Equals(0.0, -0.0));
  EXPECT_NE(TDefaultEquality<int>::GetHashCode(1), TDefaultEquality<int>::GetHashCode(2));
  EXPECT_EQ(TDefaultEquality<std::int64_t>::GetHashCode(-1), TDefaultEquality<std::int64_t>::GetHashCode(-1));
}

TEST(DefaultEquality, TheDefaultComparerIsNotCounted) {
  auto Default = TEqualityComparer<int>::Default();
  EXPECT_EQ(Default->AddRef(), -1);
  EXPECT_EQ(Default->Release(), -1);
  EXPECT_EQ(Default, TEqualityComparer<int>::Default());
}

// ---------------------------------------------------------------------------------------------
// Keys to and from string lists

class StringTableStrings : public ProbeTest {};

TEST_F(StringTableStrings, AssignToAStringListLeavesExactlyTheKeysInSlotOrder) {
  StringTable T;
  for (const char* Key : {"low", "medium", "high", "very"}) T.Add(Key, MakeProbe(1));
  tarnwick::TStringList L;
  L.Add("stale");
  L.AddObject("other", &L);
  int Changes = 0;
  L.SetOnChange([&Changes](TObject*) { ++Changes; });
  L.Assign(&T);
  EXPECT_THAT(Lines(L), ElementsAreArray(KeysInOrdinalOrder(T)));
  for (Integer I = 0; I < L.GetCount(); ++I) EXPECT_EQ(L.GetObject(I), nullptr);
  EXPECT_EQ(Changes, 1);  // one update block
}

TEST_F(StringTableStrings, AssignToAnythingElseRaisesTheAssignmentError) {
  StringTable T;
  T.Add("a", nullptr);
  TKVDictionary<int, int> Other;
  EXPECT_THROW(Other.Assign(&T), EConvertError);
}

TEST_F(StringTableStrings, AssignFromAStringListMakesTheLinesKeysWithoutValues) {
  StringTable T;
  T.Add("old", MakeProbe(1));
  tarnwick::TStringList L;
  L.Add("a");
  L.Add("b");
  int Changes = 0;
  T.SetOnChange([&Changes](TObject*) { ++Changes; });
  T.Assign(&L);
  EXPECT_EQ(Changes, 1);
  EXPECT_EQ(T.GetCount(), 2);
  EXPECT_EQ(T.Get("a"), nullptr);
  EXPECT_TRUE(T.ContainsKey("b"));
  EXPECT_FALSE(T.ContainsKey("old"));
}

TEST_F(StringTableStrings, ARepeatedLineRaisesAfterStoringTheLinesBeforeIt) {
  StringTable T;
  tarnwick::TStringList L;
  L.Add("a");
  L.Add("a");
  L.Add("b");
  int Changes = 0;
  T.SetOnChange([&Changes](TObject*) { ++Changes; });
  EXPECT_THROW_MSG(T.Assign(&L), EListError, "Duplicates not allowed");
  EXPECT_EQ(T.GetCount(), 1);
  EXPECT_TRUE(T.ContainsKey("a"));
  EXPECT_EQ(T.GetUpdateCount(), 0);
  EXPECT_EQ(Changes, 1);  // the block was closed
}

TEST_F(StringTableStrings, AssignFromAnotherTableCopiesTheValues) {
  StringTable Source;
  Source.Add("x", MakeProbe(7));
  StringTable T;
  T.Assign(&Source);
  EXPECT_EQ(T.Get("x"), Source.Get("x"));
}

// ---------------------------------------------------------------------------------------------
// Unique names

TEST(StringTableUniqueName, AppendsThenNumbersFromTheTextBeforeTheFirstAppend) {
  struct Case {
    std::vector<std::string> Keys;
    std::string Name, Append, Expected;
  };
  const Case kCases[] = {
      {{}, "X", "Copy", "X"},
      {{"X"}, "X", "Copy", "X Copy"},
      {{"X", "X Copy"}, "X", "Copy", "X Copy (1)"},
      {{"X", "X Copy", "X Copy (1)"}, "X", "Copy", "X Copy (2)"},
      {{"X Copy"}, "X Copy", "Copy", "X Copy (1)"},
      {{"Copy of Copy", "Copy (1)"}, "Copy of Copy", "Copy", "Copy (2)"},  // Append inside aName
      {{"X", "X "}, "X", "", "X  "},                                        // an empty Append never matches
  };
  for (const Case& C : kCases) {
    TKVStringHashTable<int> T;
    for (const std::string& Key : C.Keys) T.Add(Key, 0);
    EXPECT_EQ(T.GetUniqueName(C.Name, C.Append), C.Expected) << C.Name;
  }
}

// ---------------------------------------------------------------------------------------------
// The key iterator

TEST(StringTableIndices, AnEmptyTableHasNoElements) {
  StringTable T;
  Intf<IStringIterator> It = T.Indices();
  EXPECT_FALSE(It->HasMoreElements());
  EXPECT_EQ(It->GetCount(), 0);
  EXPECT_EQ(It->CurrentElement(), "");
  EXPECT_EQ(It->NextElement(), "");
  EXPECT_FALSE(It->HasMoreElements());
}

TEST(StringTableIndices, ReturnsTheKeysInSlotOrderThenStops) {
  TKVStringHashTable<int> T;
  T.Add("low", 1);
  T.Add("medium", 2);
  T.Add("high", 3);
  std::vector<std::string> Expected;
  for (const auto& Pair : T.ToArray()) Expected.push_back(Pair.Key);
  Intf<IStringIterator> It = T.Indices();
  EXPECT_EQ(It->get_Count(), 3);
  EXPECT_EQ(It->CurrentElement(), "");  // before the first NextElement
  std::vector<std::string> Keys;
  while (It->HasMoreElements()) {
    Keys.push_back(It->NextElement());
    EXPECT_EQ(It->CurrentElement(), Keys.back());
  }
  EXPECT_EQ(Keys, Expected);
  EXPECT_EQ(It->NextElement(), "");  // past the end: nothing, and nothing counted
  EXPECT_EQ(It->CurrentElement(), "");
  It->Reset();
  EXPECT_TRUE(It->HasMoreElements());
  EXPECT_EQ(It->NextElement(), Expected[0]);
}

TEST(StringTableIndices, IsACountedIStringIterator) {
  TKVStringHashTable<int> T;
  T.Add("a", 1);
  Intf<IStringIterator> It = T.Indices();
  EXPECT_TRUE(Supports(It, IStringIterator::IID));
  Intf<IInterface> Plain = QueryIntf<IInterface>(It);
  EXPECT_TRUE(Plain);
  T.Clear();  // the iterator reads the live table and finds nothing now
  EXPECT_FALSE(It->HasMoreElements());
  EXPECT_EQ(It->NextElement(), "");
}

}  // namespace
}  // namespace tarnwick::collections::testing
