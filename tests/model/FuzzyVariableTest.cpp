// Linguistic variables and their two collections: the sets of a variable, the variables of a
// logic component, their setters and change reports, lookup, copying, the report chain up to
// the logic component's events, and rule assertion on a variable.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <span>
#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

#include "ModelTestSupport.h"
#include "tarnwick/model/FuzzyConsts.h"
#include "tarnwick/model/FuzzyLogicComponent.h"
#include "tarnwick/model/FuzzyParserBase.h"
#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/model/FuzzyVariable.h"
#include "tarnwick/platform/Classes.h"
#include "tarnwick/platform/Strings.h"

namespace tarnwick {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using test::Concat;
using test::Fill;
using test::NamesOf;
using test::PointsOf;
using test::Pt;
using test::Repeat;
using test::TEventLog;

TFuzzySet* AddSet(TFuzzyVariable& Variable, const std::string& Name, const std::vector<Pt>& Points) {
  TFuzzySet* Set = Variable.GetItems()->Add(Name);
  Fill(*Set, Points);
  return Set;
}

// A logic component with its events logged; automatic terms off unless a test turns them on,
// so that sequences show only what the test does.
class FuzzyVariableEvents : public ::testing::Test {
 protected:
  FuzzyVariableEvents() { Logic.SetAutoTerms(false); }
  TFuzzyVariables& Items() { return *Logic.GetItems(); }

  TFuzzyLogic Logic{nullptr};
  TEventLog Log{Logic};
};

// A set class of our own, to see which class a collection creates.
class TTaggedSet : public TFuzzySet {
 public:
  using TFuzzySet::TFuzzySet;
  using TFuzzySet::GetNumFunctionValues;
};

class TTaggedVariable : public TFuzzyVariable {
 public:
  using TFuzzyVariable::TFuzzyVariable;
};

// ---------------------------------------------------------------------------------------------
// TFuzzySets

TEST(FuzzySetsCollection, AddMakesTheNewSetCurrentInsertDoesNot) {
  TFuzzyVariable V(nullptr);
  TFuzzySets& Sets = *V.GetItems();
  EXPECT_EQ(Sets.GetVariable(), &V);
  TFuzzySet* A = Sets.Add();
  EXPECT_EQ(V.GetItemIndex(), 0);
  TFuzzySet* B = Sets.Add("b");
  EXPECT_EQ(V.GetItemIndex(), 1);
  TFuzzySet* C = Sets.Insert(0);
  EXPECT_EQ(V.GetItemIndex(), 1) << "Insert leaves the current item alone";
  EXPECT_EQ(Sets[0], C);
  EXPECT_EQ(Sets[1], A);
  EXPECT_EQ(Sets[2], B);
  EXPECT_EQ(A->GetVariable(), &V);
}

TEST(FuzzySetsCollection, InsertOutsideTheListRaisesAndAddsNothing) {
  TFuzzyVariable V(nullptr);
  V.GetItems()->Add("a");
  EXPECT_THROW_MSG(V.GetItems()->Insert(2), EListError, "List index out of bounds (2)");
  EXPECT_THROW_MSG(V.GetItems()->Insert(-1), EListError, "List index out of bounds (-1)");
  EXPECT_EQ(V.GetItems()->GetCount(), 1);
}

TEST(FuzzySetsCollection, AddNameDefinesEveryNameButTheEmptyOnes) {
  const std::string SavedEmpty = SEmptyFuzzy;
  struct Case {
    std::string Name;
    bool Defined;
  };
  {
    TFuzzyVariable V(nullptr);
    for (const Case& C : {Case{"", false}, Case{"__Empty", false}, Case{"warm", true}, Case{"Empty", true}}) {
      TFuzzySet* S = V.GetItems()->Add(C.Name);
      EXPECT_EQ(S->GetName(), C.Name);
      EXPECT_EQ(S->GetDefined(), C.Defined) << '"' << C.Name << '"';
    }
    // The empty set's name is read when the set is added, not fixed once.
    SEmptyFuzzy = "nothing";
    EXPECT_TRUE(V.GetItems()->Add("__Empty")->GetDefined());
    EXPECT_FALSE(V.GetItems()->Add("nothing")->GetDefined());
  }
  SEmptyFuzzy = SavedEmpty;
}

TEST(FuzzySetsCollection, AddWithAReservedNameRaisesAfterTheSetWasAdded) {
  TFuzzyVariable V(nullptr);
  V.GetItems()->Add("a");
  EXPECT_THROW_MSG(V.GetItems()->Add("very"), EFzyException, "Invalid fuzzy set name, \"very\" is a reserved word");
  ASSERT_EQ(V.GetItems()->GetCount(), 2);
  EXPECT_EQ(V.GetItems()->GetItem(1)->GetName(), "");
  EXPECT_FALSE(V.GetItems()->GetItem(1)->GetDefined());
  EXPECT_EQ(V.GetItemIndex(), 1);
}

TEST(FuzzySetsCollection, LookupByName) {
  TFuzzyVariable V(nullptr);
  TFuzzySet* Warm = AddSet(V, "warm", {{0, 0}, {1, 1}});
  TFuzzySet* Cold = AddSet(V, "cold", {{0, 1}, {1, 0}});
  EXPECT_EQ(V.GetItems()->GetItemByName("cold"), Cold);
  EXPECT_THROW_MSG(V.GetItems()->GetItemByName("Cold"), EFzyException, "Unknown Fuzzy Set name: \"Cold\"");

  TFuzzySet Source(nullptr);
  Source.SetName("hot");
  Fill(Source, {{0.5, 1}});
  EXPECT_THROW_MSG(V.GetItems()->SetItemByName("mild", &Source), EFzyException, "Unknown Fuzzy Set name: \"mild\"");
  EXPECT_THAT(NamesOf(*V.GetItems()), ElementsAre("warm", "cold"));

  // Storing by name or index copies into the set that is there; the object stays.
  V.GetItems()->SetItemByName("warm", &Source);
  EXPECT_EQ(V.GetItems()->GetItem(0), Warm);
  EXPECT_EQ(Warm->GetName(), "hot");
  EXPECT_THAT(PointsOf(*Warm), ElementsAre(Pt{0.5, 1}));
  V.GetItems()->SetItem(1, &Source);
  EXPECT_EQ(V.GetItems()->GetItem(1), Cold);
  EXPECT_THAT(PointsOf(*Cold), ElementsAre(Pt{0.5, 1}));
}

// The first item named Name, by the walk over the collection.
std::int32_t FirstByWalk(const TGCollection& Items, const std::string& Name) {
  for (std::int32_t I = 0; I < Items.GetCount(); ++I)
    if (static_cast<const TGCollectionItem*>(Items.GetItem(I))->GetName() == Name) return I;
  return -1;
}

// Random additions, insertions, renames (to new, shared and empty names), copies (which copy
// the name), moves, deletions, moves to another variable and back, and clearing: the lookup by
// name gives the first set of that name in the collection's order, as the walk does.
TEST(FuzzySetsCollection, LookupByNameFindsTheFirstMatchAfterEveryChange) {
  std::mt19937 Random(20261215);
  auto Pick = [&Random](int N) { return std::uniform_int_distribution<int>(0, N - 1)(Random); };
  auto RandomName = [&] { return Pick(8) == 0 ? std::string() : "s" + std::to_string(Pick(12)); };
  TFuzzyVariable First(nullptr);
  TFuzzyVariable Second(nullptr);
  TFuzzySets* const Owners[2] = {First.GetItems(), Second.GetItems()};
  for (int Op = 0; Op < 1500; ++Op) {
    TFuzzySets& Sets = *Owners[Pick(2)];
    const std::int32_t Count = Sets.GetCount();
    const int Kind = Pick(20);
    if (Kind < 5 || Count == 0) {
      Sets.Add(RandomName());
    } else if (Kind < 7) {
      Sets.Insert(Pick(Count + 1))->SetName(RandomName());
    } else if (Kind < 11) {
      Sets[Pick(Count)]->SetName(RandomName());
    } else if (Kind < 12) {
      Sets[Pick(Count)]->Assign(Sets[Pick(Count)]);
    } else if (Kind < 14) {
      Sets[Pick(Count)]->SetIndex(Pick(Count));
    } else if (Kind < 17) {
      Sets.Delete(Pick(Count));
    } else if (Kind < 19) {
      Sets[Pick(Count)]->SetCollection(Owners[Pick(2)]);
    } else if (Pick(10) == 0) {
      Sets.Clear();
    }
    for (const TFuzzySets* Items : Owners)
      for (int N = -1; N < 12; ++N) {
        const std::string Name = N < 0 ? std::string() : "s" + std::to_string(N);
        const std::int32_t Expected = FirstByWalk(*Items, Name);
        ASSERT_EQ(Items->IndexOf(Name), Expected) << "operation " << Op << ", " << Name;
        ASSERT_EQ(Items->Find(Name), Expected < 0 ? nullptr : Items->GetItem(Expected)) << Name;
        if (Expected >= 0) {
          ASSERT_EQ(Items->GetItemByName(Name), Items->GetItem(Expected)) << Name;
        } else if (!Name.empty()) {
          ASSERT_THROW(static_cast<void>(Items->GetItemByName(Name)), EFzyException);
        }
      }
  }
}

TEST(FuzzySetsCollection, EnumeratorWalksInOrder) {
  TFuzzyVariable V(nullptr);
  for (const char* Name : {"a", "b", "c"}) V.GetItems()->Add(Name);
  std::vector<std::string> Seen;
  auto E = V.GetItems()->GetEnumerator();
  while (E->MoveNext()) Seen.push_back(E->GetCurrent()->GetName());
  EXPECT_THAT(Seen, ElementsAre("a", "b", "c"));
}

TEST(FuzzySetsCollection, WithoutAVariableEverythingWorksAndReportsNowhere) {
  TFuzzySets Sets(nullptr);
  EXPECT_EQ(Sets.GetVariable(), nullptr);
  TFuzzySet* S = Sets.Add("a");
  Fill(*S, {{0, 0}, {1, 1}});
  S->GetValues()->GetItem(0)->SetY(0.5);
  Sets.Insert(0)->SetName("b");
  EXPECT_EQ(S->GetVariable(), nullptr);
  EXPECT_EQ(S->GetXRange(0), kUnboundedMaximum);
  EXPECT_THAT(NamesOf(Sets), ElementsAre("b", "a"));
  delete S;
  EXPECT_EQ(Sets.GetCount(), 1);
}

TEST(FuzzySetsCollection, ItemClassComesFromTheVariable) {
  TFuzzyVariable V(nullptr, TFuzzySetClass::Of<TTaggedSet>());
  EXPECT_TRUE(V.GetSetClass() == TFuzzySetClass::Of<TTaggedSet>());
  EXPECT_NE(dynamic_cast<TTaggedSet*>(V.GetItems()->Add()), nullptr);
  EXPECT_NE(dynamic_cast<TTaggedSet*>(V.GetItems()->Add("x")), nullptr);
  EXPECT_NE(dynamic_cast<TTaggedSet*>(V.GetItems()->Insert(0)), nullptr);
  TFuzzyVariable Plain(nullptr);
  EXPECT_TRUE(Plain.GetSetClass() == TFuzzySetClass::Of<TFuzzySet>());
  EXPECT_EQ(dynamic_cast<TTaggedSet*>(Plain.GetItems()->Add()), nullptr);
}

// ---------------------------------------------------------------------------------------------
// TFuzzyVariable: construction and properties

TEST(FuzzyVariableProps, StartsEmptyOverTheUnitRange) {
  TFuzzyVariable V(nullptr);
  EXPECT_EQ(V.GetMaximum(), 1.0);
  EXPECT_EQ(V.GetMinimum(), 0.0);
  EXPECT_EQ(V.GetItemIndex(), -1);
  EXPECT_EQ(V.GetName(), "");
  EXPECT_EQ(V.GetUnits(), "");
  EXPECT_EQ(V.GetComment(), "");
  EXPECT_EQ(V.GetThreshold(), 0.0);
  EXPECT_EQ(V.GetItems()->GetCount(), 0);
  EXPECT_EQ(V.GetCollection(), nullptr);
  EXPECT_EQ(V.GetFuzzy(), nullptr);
}

TEST_F(FuzzyVariableEvents, PropsEachSetterReportsOnlyARealChange) {
  TFuzzyVariable* V = Items().Add("v");
  Log.Take();
  struct Case {
    const char* What;
    std::function<void()> Set;
    std::vector<std::string> Expected;
  };
  const std::vector<std::string> One = {"OnVariableChange(v)"};
  const std::vector<std::string> None;
  const Case Cases[] = {
      {"name again", [&] { V->SetName("v"); }, None},
      {"units", [&] { V->SetUnits("km/h"); }, One},
      {"units again", [&] { V->SetUnits("km/h"); }, None},
      {"comment", [&] { V->SetComment("speed of travel"); }, One},
      {"comment again", [&] { V->SetComment("speed of travel"); }, None},
      {"maximum", [&] { V->SetMaximum(100); }, One},
      {"maximum again", [&] { V->SetMaximum(100); }, None},
      {"minimum", [&] { V->SetMinimum(10); }, One},
      {"minimum again", [&] { V->SetMinimum(10); }, None},
      {"maximum below minimum pushes minimum", [&] { V->SetMaximum(5); }, Repeat("OnVariableChange(v)", 2)},
      {"minimum above maximum pushes maximum", [&] { V->SetMinimum(50); }, Repeat("OnVariableChange(v)", 2)},
      {"threshold", [&] { V->SetThreshold(0.3); }, None},
      {"item index", [&] { V->SetItemIndex(-1); }, None},  // already -1: nothing
  };
  for (const Case& C : Cases) {
    C.Set();
    EXPECT_THAT(Log.Take(), ElementsAreArray(C.Expected)) << C.What;
  }
  EXPECT_EQ(V->GetUnits(), "km/h");
  EXPECT_EQ(V->GetComment(), "speed of travel");
  EXPECT_EQ(V->GetMinimum(), 50);
  EXPECT_EQ(V->GetMaximum(), 50);
  EXPECT_EQ(V->GetThreshold(), 0.3);
  // Names compare exactly: a change of case is a change.
  V->SetName("V");
  EXPECT_THAT(Log.Take(), ElementsAre("OnVariableChange(V)"));
}

TEST(FuzzyVariableProps, BoundsPushEachOther) {
  TFuzzyVariable V(nullptr);
  V.SetMaximum(-2);
  EXPECT_EQ(V.GetMinimum(), -2);
  EXPECT_EQ(V.GetMaximum(), -2);
  V.SetMinimum(3);
  EXPECT_EQ(V.GetMinimum(), 3);
  EXPECT_EQ(V.GetMaximum(), 3);
  V.SetMaximum(7);
  EXPECT_EQ(V.GetMinimum(), 3) << "raising the maximum leaves the minimum";
  V.SetMinimum(1);
  EXPECT_EQ(V.GetMaximum(), 7) << "lowering the minimum leaves the maximum";
}

TEST(FuzzyVariableProps, ThresholdIsClampedIntoTheUnitInterval) {
  struct Case {
    TFzyFloat In, Stored;
  };
  for (const Case& C : {Case{1.5, 1}, Case{-0.2, 0}, Case{0.25, 0.25}, Case{1, 1}, Case{0, 0}}) {
    TFuzzyVariable V(nullptr);
    V.SetThreshold(0.5);
    V.SetThreshold(C.In);
    EXPECT_EQ(V.GetThreshold(), C.Stored) << C.In;
  }
}

TEST(FuzzyVariableProps, ThresholdStaysInTheUnitIntervalForANaN) {
  TFuzzyVariable V(nullptr);
  V.SetThreshold(0.5);
  V.SetThreshold(std::nan(""));
  const TFzyFloat T = V.GetThreshold();
  EXPECT_TRUE(T >= 0 && T <= 1) << T;
}

TEST(FuzzyVariableProps, DisplayNameAndText) {
  TFuzzyVariable V(nullptr);
  EXPECT_EQ(V.GetDisplayName(), "TFuzzyVariable");
  EXPECT_EQ(V.ToString(), "TFuzzyVariable");
  V.SetName("speed");
  EXPECT_EQ(V.GetDisplayName(), "speed");
  EXPECT_EQ(V.ToString(), "speed");
  EXPECT_EQ(V.GetAsString(), "speed");
}

class TPrintingParser : public TCustomFuzzyLogicParser {
 public:
  using TCustomFuzzyLogicParser::TCustomFuzzyLogicParser;
  std::string PrettyPrint(const TFuzzyVariable* V) override { return "(var " + V->GetName() + ")"; }
  std::string PrettyPrint(const TFuzzySet* S, bool) override { return "(set " + S->GetName() + ")"; }
};

TEST(FuzzyVariableProps, TextComesFromTheParserOfItsLogic) {
  TFuzzyLogic Logic(nullptr);
  TFuzzyVariable* V = Logic.GetItems()->Add("speed");
  EXPECT_EQ(V->ToString(), "speed") << "no parser";
  {
    TPrintingParser Parser(nullptr);
    Logic.SetParser(&Parser);
    EXPECT_EQ(V->ToString(), "(var speed)");
    EXPECT_EQ(V->GetAsString(), "(var speed)");
  }
  EXPECT_EQ(Logic.GetParser(), nullptr);
  EXPECT_EQ(V->ToString(), "speed") << "the parser is gone";
}

// ---------------------------------------------------------------------------------------------
// ItemIndex

TEST(FuzzyVariableItemIndex, ANewValueBeyondTheSetsIsStoredUntilTheNextSetChange) {
  TFuzzyVariable V(nullptr);
  TFuzzySet* A = V.GetItems()->Add("a");
  V.GetItems()->Add("b");
  V.SetItemIndex(-1);
  EXPECT_EQ(V.GetItemIndex(), -1);
  V.SetItemIndex(5);
  EXPECT_EQ(V.GetItemIndex(), 5);
  A->SetName("a2");
  EXPECT_EQ(V.GetItemIndex(), 1);
}

TEST(FuzzyVariableItemIndex, TheValueHeldBeforeTheChangeIsChecked) {
  TFuzzyVariable V(nullptr);
  for (const char* Name : {"a", "b", "c"}) V.GetItems()->Add(Name);
  V.SetItemIndex(3);
  EXPECT_THROW_MSG(V.SetItemIndex(0), EFzyException, "List index out of bounds (0)");
  EXPECT_EQ(V.GetItemIndex(), 3);
  V.SetItemIndex(3);  // equal: nothing, no error
  EXPECT_EQ(V.GetItemIndex(), 3);
}

TEST(FuzzyVariableItemIndex, FollowsTheSetsDown) {
  TFuzzyVariable V(nullptr);
  for (const char* Name : {"a", "b", "c"}) V.GetItems()->Add(Name);
  EXPECT_EQ(V.GetItemIndex(), 2);
  delete V.GetItems()->GetItem(2);
  EXPECT_EQ(V.GetItemIndex(), 1);
  V.GetItems()->Clear();
  EXPECT_EQ(V.GetItemIndex(), -1);
  V.SetItemIndex(0);  // the -1 held is below the count 0, so 0 is taken as given
  EXPECT_EQ(V.GetItemIndex(), 0);
}

TEST_F(FuzzyVariableEvents, ItemIndexIsClampedOnTheVariablesOwnChangeToo) {
  TFuzzyVariable* V = Items().Add("v");
  V->GetItems()->Add("a");
  V->GetItems()->Add("b");
  V->SetItemIndex(-1);
  V->SetItemIndex(9);
  Log.Take();
  V->SetUnits("m");  // the variable collection clamps on the variable's own report
  EXPECT_EQ(V->GetItemIndex(), 1);
  EXPECT_THAT(Log.Take(), ElementsAre("OnVariableChange(v)"));
}

TEST_F(FuzzyVariableEvents, ItemIndexInItsCollectionIsClampedByItsOwnReport) {
  TFuzzyVariable* V = Items().Add("v");
  V->GetItems()->Add("a");
  Log.Take();
  V->SetItemIndex(3);
  EXPECT_THAT(Log.Take(), ElementsAre("OnVariableChange(v)"));
  EXPECT_EQ(V->GetItemIndex(), 0) << "the variable collection clamps at the report";
  // Streaming sets ItemIndex inside an update block of the collection, before the sets: the
  // value survives the block and waits for the next change of a set.
  Items().BeginUpdate();
  V->SetItemIndex(3);
  Items().EndUpdate();
  EXPECT_THAT(Log.Take(), ElementsAre("OnChange"));
  EXPECT_EQ(V->GetItemIndex(), 3);
  V->GetItems()->GetItem(0)->SetName("b");
  EXPECT_EQ(V->GetItemIndex(), 0);
}

// ---------------------------------------------------------------------------------------------
// Assign and AssignTo

TEST(FuzzyVariableAssign, CopiesEveryFieldAndTheSets) {
  TFuzzyVariable Source(nullptr);
  Source.SetName("speed");
  Source.SetMaximum(200);
  Source.SetMinimum(-10);
  Source.SetThreshold(0.4);
  Source.SetUnits("km/h");
  Source.SetComment("of travel");
  AddSet(Source, "slow", {{-10, 1}, {200, 0}});
  AddSet(Source, "fast", {{-10, 0}, {200, 1}});
  Source.SetItemIndex(0);

  TFuzzyVariable Dest(nullptr, TFuzzySetClass::Of<TTaggedSet>());
  AddSet(Dest, "old", {{0, 1}});
  Dest.Assign(&Source);
  EXPECT_EQ(Dest.GetName(), "speed");
  EXPECT_EQ(Dest.GetMaximum(), 200);
  EXPECT_EQ(Dest.GetMinimum(), -10);
  EXPECT_EQ(Dest.GetThreshold(), 0.4);
  EXPECT_EQ(Dest.GetUnits(), "km/h");
  EXPECT_EQ(Dest.GetComment(), "of travel");
  EXPECT_EQ(Dest.GetItemIndex(), 0);
  EXPECT_THAT(NamesOf(*Dest.GetItems()), ElementsAre("slow", "fast"));
  EXPECT_THAT(PointsOf(*Dest.GetItems()->GetItem(1)), ElementsAre(Pt{-10, 0}, Pt{200, 1}));
  // The set class stays the destination's own.
  EXPECT_TRUE(Dest.GetSetClass() == TFuzzySetClass::Of<TTaggedSet>());
  EXPECT_NE(dynamic_cast<TTaggedSet*>(Dest.GetItems()->GetItem(0)), nullptr);
  // Storing the sets alone copies them the same way.
  TFuzzyVariable Other(nullptr);
  Other.SetItems(Source.GetItems());
  EXPECT_THAT(NamesOf(*Other.GetItems()), ElementsAre("slow", "fast"));
  EXPECT_EQ(Other.GetName(), "");
  // The copies are the destination's own sets.
  EXPECT_NE(Dest.GetItems()->GetItem(0), Source.GetItems()->GetItem(0));
  EXPECT_EQ(Dest.GetItems()->GetItem(0)->GetVariable(), &Dest);
  // Assigning a variable to itself keeps everything.
  Dest.Assign(&Dest);
  EXPECT_THAT(NamesOf(*Dest.GetItems()), ElementsAre("slow", "fast"));
  EXPECT_EQ(Dest.GetName(), "speed");
}

TEST(FuzzyVariableAssign, FromAnotherClassRaisesTheConversionError) {
  TFuzzyVariable V(nullptr);
  TFuzzySet S(nullptr);
  EXPECT_THROW_MSG(V.Assign(&S), EConvertError, "Cannot assign a TFuzzySet to a TFuzzyVariable");
  EXPECT_THROW_MSG(S.Assign(&V), EConvertError, "Cannot assign a TFuzzyVariable to a TFuzzySet");
}

TEST_F(FuzzyVariableEvents, AssignReportsOnlyThroughTheSetCollection) {
  TFuzzyVariable* Dest = Items().Add("dest");
  AddSet(*Dest, "t", {{0, 1}});
  TFuzzyVariable Source(nullptr);
  Source.SetName("src");
  Source.SetMaximum(5);
  AddSet(Source, "s1", {{0, 1}});
  AddSet(Source, "s2", {{1, 1}});
  Log.Take();
  Dest->Assign(&Source);
  // The fields are copied quietly; the set collection is cleared and refilled in one block,
  // whose end is the variable's one change.
  EXPECT_THAT(Log.Take(), ElementsAre("OnFuzzySetDeleted(t)", "OnFuzzySetAdded()", "OnFuzzySetAdded()",
                                      "OnVariableChange(src)"));
  EXPECT_TRUE(Logic.GetNeedsUpdate());
}

TEST(FuzzyVariableAssign, ToAStringListGivesOneLinePerSet) {
  TFuzzyVariable V(nullptr);
  TFuzzySet* A = V.GetItems()->Add("cold");
  TFuzzySet* B = V.GetItems()->Add("warm");
  TFuzzySet* C = V.GetItems()->Add("hot");
  TStringList Lines;
  Lines.Add("stale");
  int Changes = 0;
  Lines.SetOnChange([&](TObject*) { ++Changes; });
  Lines.Assign(&V);
  ASSERT_EQ(Lines.GetCount(), 3);
  EXPECT_EQ(Lines[0], "cold");
  EXPECT_EQ(Lines[1], "warm");
  EXPECT_EQ(Lines[2], "hot");
  EXPECT_EQ(Lines.GetObject(0), A);
  EXPECT_EQ(Lines.GetObject(1), B);
  EXPECT_EQ(Lines.GetObject(2), C);
  EXPECT_EQ(Changes, 1) << "one update block";
}

// ---------------------------------------------------------------------------------------------
// TFuzzyVariables

TEST(FuzzyVariablesCollection, ClassesHandedToNewVariables) {
  {
    TFuzzyVariables Variables(nullptr, TFuzzyVariableClass::Of<TTaggedVariable>());
    EXPECT_TRUE(Variables.GetSetClass() == TFuzzySetClass::Of<TFuzzySet>());
    TFuzzyVariable* V = Variables.Add();
    EXPECT_NE(dynamic_cast<TTaggedVariable*>(V), nullptr);
    EXPECT_TRUE(V->GetSetClass() == TFuzzySetClass::Of<TFuzzySet>());
  }
  {
    TFuzzyVariables Variables(nullptr, TFuzzyVariableClass::Of<TTaggedVariable>(), TFuzzySetClass::Of<TTaggedSet>());
    for (TFuzzyVariable* V : {Variables.Add(), Variables.Add("x"), Variables.Insert(0)}) {
      EXPECT_NE(dynamic_cast<TTaggedVariable*>(V), nullptr);
      EXPECT_TRUE(V->GetSetClass() == TFuzzySetClass::Of<TTaggedSet>());
      EXPECT_NE(dynamic_cast<TTaggedSet*>(V->GetItems()->Add()), nullptr);
    }
  }
  {
    TFuzzyVariables Variables(nullptr);
    EXPECT_EQ(Variables.GetFuzzy(), nullptr);
    TFuzzyVariable* V = Variables.Add("v");
    EXPECT_EQ(typeid(*V), typeid(TFuzzyVariable));
    EXPECT_EQ(V->GetCollection(), &Variables);
    EXPECT_EQ(V->GetFuzzy(), nullptr);
  }
}

TEST(FuzzyVariablesCollection, InsertPlacesTheNewVariable) {
  TFuzzyVariables Variables(nullptr);
  Variables.Add("a");
  Variables.Add("b");
  Variables.Insert(1)->SetName("mid");
  Variables.Insert(0)->SetName("first");
  Variables.Insert(4)->SetName("last");
  EXPECT_THAT(NamesOf(Variables), ElementsAre("first", "a", "mid", "b", "last"));
  EXPECT_THROW_MSG(Variables.Insert(6), EListError, "List index out of bounds (6)");
  EXPECT_THROW_MSG(Variables.Insert(-1), EListError, "List index out of bounds (-1)");
  EXPECT_EQ(Variables.GetCount(), 5) << "a failed Insert adds nothing";
}

TEST(FuzzyVariablesCollection, LookupByNameAndIndex) {
  TFuzzyVariables Variables(nullptr);
  TFuzzyVariable* Speed = Variables.Add("speed");
  Variables.Add("angle");
  EXPECT_EQ(Variables.GetItemByName("speed"), Speed);
  EXPECT_THROW_MSG(Variables.GetItemByName("SPEED"), EFzyException, "Unknown Fuzzy Variable name: \"SPEED\"");
  TFuzzyVariable Source(nullptr);
  Source.SetName("heat");
  Source.SetUnits("K");
  EXPECT_THROW_MSG(Variables.SetItemByName("x", &Source), EFzyException, "Unknown Fuzzy Variable name: \"x\"");
  EXPECT_THAT(NamesOf(Variables), ElementsAre("speed", "angle"));
  Variables.SetItemByName("speed", &Source);
  EXPECT_EQ(Variables[0], Speed);
  EXPECT_EQ(Speed->GetName(), "heat");
  EXPECT_EQ(Speed->GetUnits(), "K");
  Variables.SetItem(1, &Source);
  EXPECT_EQ(Variables[1]->GetName(), "heat");
  EXPECT_THROW(Variables.GetItem(2), EListError);
}

TEST(FuzzyVariablesCollection, EnumeratorWalksInOrder) {
  TFuzzyVariables Variables(nullptr);
  for (const char* Name : {"x", "y", "z"}) Variables.Add(Name);
  std::vector<std::string> Seen;
  auto E = Variables.GetEnumerator();
  while (E->MoveNext()) Seen.push_back(E->GetCurrent()->GetName());
  EXPECT_THAT(Seen, ElementsAre("x", "y", "z"));
}

TEST(FuzzyVariablesCollection, WithoutOwnerEveryOperationWorks) {
  TFuzzyVariables Variables(nullptr);
  TFuzzyVariable* V = Variables.Add("v");
  TFuzzySet* S = AddSet(*V, "s", {{0, 0}, {1, 1}});
  S->GetValues()->GetItem(1)->SetY(0.5);
  V->SetMaximum(3);
  V->SetCollection(static_cast<TFuzzyVariables*>(nullptr));
  EXPECT_EQ(Variables.GetCount(), 0);
  EXPECT_EQ(V->GetItems()->GetCount(), 1) << "a detached variable keeps its sets";
  V->SetCollection(&Variables);
  EXPECT_EQ(Variables.GetCount(), 1);
  Variables.Delete(0);
  EXPECT_EQ(Variables.GetCount(), 0);
}

TEST(FuzzySetLinks, ASetReadsItsVariableAndLogic) {
  TFuzzyLogic Logic(nullptr);
  Logic.SetAutoTerms(false);
  Logic.SetNumFunctionValues(11);
  TFuzzyVariable* V = Logic.GetItems()->Add("v");
  V->SetMaximum(40);
  V->SetMinimum(-5);
  auto* S = new TTaggedSet(V->GetItems());
  EXPECT_EQ(S->GetVariable(), V);
  EXPECT_EQ(S->GetFuzzy(), &Logic);
  EXPECT_EQ(S->GetXRange(0), 40);
  EXPECT_EQ(S->GetXRange(1), -5);
  EXPECT_EQ(S->GetNumFunctionValues(), 11);

  // The links are read each time: a detached variable gives the defaults of no logic.
  V->SetCollection(static_cast<TFuzzyVariables*>(nullptr));
  EXPECT_EQ(S->GetFuzzy(), nullptr);
  EXPECT_EQ(S->GetNumFunctionValues(), kDefaultNumFunctionValues);
  EXPECT_EQ(S->GetXRange(0), 40);
  V->SetCollection(Logic.GetItems());

  TTaggedSet Loose(nullptr);
  EXPECT_EQ(Loose.GetVariable(), nullptr);
  EXPECT_EQ(Loose.GetFuzzy(), nullptr);
  EXPECT_EQ(Loose.GetXRange(0), kUnboundedMaximum);
  EXPECT_EQ(Loose.GetXRange(1), kUnboundedMinimum);
  EXPECT_EQ(Loose.GetNumFunctionValues(), kDefaultNumFunctionValues);
}

class TDesignedLogic : public TFuzzyLogic {
 public:
  using TFuzzyLogic::TFuzzyLogic;
  using TComponent::SetDesigning;
};

TEST(FuzzySetLinks, SetsMadeWhileDesigningAreDefinedFromTheStart) {
  TDesignedLogic Logic(nullptr);
  Logic.SetAutoTerms(false);
  TFuzzyVariable* V = Logic.GetItems()->Add("v");
  std::vector<bool> DefinedWhenAdded;
  Logic.SetOnFuzzySetAdded([&](TObject*, TFuzzySet* S) { DefinedWhenAdded.push_back(S->GetDefined()); });
  EXPECT_FALSE(V->GetItems()->Add()->GetDefined());
  Logic.SetDesigning(true);
  EXPECT_TRUE(V->GetItems()->Add()->GetDefined());
  EXPECT_THAT(DefinedWhenAdded, ElementsAre(false, true));
  // The name rule of Add(Name) still has the last word.
  EXPECT_FALSE(V->GetItems()->Add("")->GetDefined());
  // A variable outside the logic knows no designing state.
  TFuzzyVariable Loose(nullptr);
  EXPECT_FALSE(Loose.GetItems()->Add()->GetDefined());
}

// ---------------------------------------------------------------------------------------------
// The report chain and its orders

TEST_F(FuzzyVariableEvents, ChainAddingANamedSet) {
  TFuzzyVariable* V = Items().Add("speed");
  Log.Take();
  std::vector<std::int32_t> IndexSeen;
  std::vector<bool> DefinedSeen;
  Log.AfterFuzzySetAdded = [&](TFuzzySet* S) {
    EXPECT_EQ(S->GetValues()->GetCount(), 0);
    IndexSeen.push_back(V->GetItemIndex());
  };
  Log.AfterFuzzySetChange = [&](TFuzzySet* S) {
    IndexSeen.push_back(V->GetItemIndex());
    DefinedSeen.push_back(S->GetDefined());
  };
  TFuzzySet* S = V->GetItems()->Add("slow");
  EXPECT_THAT(Log.Take(), ElementsAre("OnFuzzySetAdded()", "OnVariableChange(speed)", "OnFuzzySetChange(slow)"));
  EXPECT_THAT(IndexSeen, ElementsAre(-1, 0)) << "the index is set between the addition and the name";
  EXPECT_THAT(DefinedSeen, ElementsAre(false)) << "Defined comes after the name, unreported";
  EXPECT_TRUE(S->GetDefined());
  EXPECT_TRUE(Logic.GetNeedsUpdate());
}

TEST_F(FuzzyVariableEvents, ChainPointChangesReportTheSet) {
  TFuzzyVariable* V = Items().Add("speed");
  TFuzzySet* S = AddSet(*V, "slow", {{0, 1}, {1, 0}});
  Log.Take();
  S->GetValues()->GetItem(0)->SetY(0.5);
  EXPECT_THAT(Log.Take(), ElementsAre("OnFuzzySetChange(slow)"));
  TFuzzySet* Tri = V->GetItems()->Add("tri");
  Log.Take();
  Tri->CreateTriangleFunctionValues(0, 0.5, 1);  // one bulk change, one report
  EXPECT_THAT(Log.Take(), ElementsAre("OnFuzzySetChange(tri)"));
  S->SetComment("c");
  EXPECT_THAT(Log.Take(), ElementsAre("OnFuzzySetChange(slow)"));
}

TEST_F(FuzzyVariableEvents, ChainFreeingAVariable) {
  TFuzzyVariable* V = Items().Add("speed");
  AddSet(*V, "slow", {{0, 1}, {1, 0}});
  AddSet(*V, "fast", {{0, 0}, {1, 1}});
  Items().Add("angle");
  Log.Take();
  std::vector<std::string> SeenInSetDeletion;
  Log.AfterFuzzySetDeleted = [&](TFuzzySet* S) {
    // The set is still whole and still the variable's, and the variable still in its logic.
    SeenInSetDeletion.push_back(S->GetName() + ":" + std::to_string(S->GetValues()->GetCount()));
    EXPECT_EQ(S->GetVariable(), V);
    EXPECT_EQ(V->GetCollection(), &Items());
  };
  std::int32_t SetsLeft = -1;
  Log.AfterVariableDeleted = [&](TFuzzyVariable* Gone) {
    EXPECT_EQ(Gone, V);
    SetsLeft = Gone->GetItems()->GetCount();
    EXPECT_EQ(Gone->GetCollection(), &Items()) << "still linked while it is reported";
  };
  delete V;
  EXPECT_THAT(Log.Take(), ElementsAre("OnFuzzySetDeleted(fast)", "OnFuzzySetDeleted(slow)",
                                      "OnVariableDeleted(speed)", "OnChange"));
  EXPECT_THAT(SeenInSetDeletion, ElementsAre("fast:2", "slow:2"));
  EXPECT_EQ(SetsLeft, 0) << "its sets are gone, the empty collection still answers";
  EXPECT_THAT(NamesOf(Items()), ElementsAre("angle"));
}

TEST_F(FuzzyVariableEvents, ChainDeleteAndClear) {
  for (const char* Name : {"a", "b"}) AddSet(*Items().Add(Name), std::string("s") + Name, {{0, 1}});
  Log.Take();
  Items().Delete(0);
  EXPECT_THAT(Log.Take(), ElementsAre("OnFuzzySetDeleted(sa)", "OnVariableDeleted(a)", "OnChange"));
  Items().Add("c");
  Log.Take();
  Items().Clear();
  EXPECT_THAT(Log.Take(), ElementsAre("OnVariableDeleted(c)", "OnFuzzySetDeleted(sb)", "OnVariableDeleted(b)",
                                      "OnChange"));
}

TEST_F(FuzzyVariableEvents, ChainFreeingASet) {
  TFuzzyVariable* V = Items().Add("speed");
  TFuzzySet* S = AddSet(*V, "slow", {{0, 1}, {1, 0}});
  AddSet(*V, "fast", {{0, 0}, {1, 1}});
  Log.Take();
  delete S;
  EXPECT_THAT(Log.Take(), ElementsAre("OnFuzzySetDeleted(slow)", "OnVariableChange(speed)"));
  EXPECT_EQ(V->GetItemIndex(), 0);
}

TEST_F(FuzzyVariableEvents, ChainDetachAndReattach) {
  TFuzzyVariable* V = Items().Add("speed");
  AddSet(*V, "slow", {{0, 1}});
  Log.Take();
  V->SetCollection(static_cast<TFuzzyVariables*>(nullptr));
  EXPECT_THAT(Log.Take(), ElementsAre("OnVariableDeleted(speed)", "OnChange"));
  EXPECT_EQ(V->GetItems()->GetCount(), 1);
  V->SetMaximum(9);  // goes nowhere
  V->GetItems()->GetItem(0)->SetName("slower");
  EXPECT_THAT(Log.Take(), IsEmpty());
  V->SetCollection(&Items());
  EXPECT_THAT(Log.Take(), ElementsAre("OnVariableAdded(speed)", "OnChange"));
  EXPECT_EQ(V->GetIndex(), 0);
}


TEST_F(FuzzyVariableEvents, ChainASetMovedBetweenVariablesThroughItsCollection) {
  TFuzzyVariable* Speed = Items().Add("speed");
  TFuzzyVariable* Angle = Items().Add("angle");
  TFuzzySet* S = AddSet(*Speed, "slow", {{0, 1}, {1, 0}});
  AddSet(*Speed, "fast", {{0, 0}, {1, 1}});
  Log.Take();
  std::vector<std::string> Seen;  // where the set is while each handler runs
  auto Where = [&](TFuzzySet* Set) {
    Seen.push_back(Set->GetVariable() == nullptr ? "nowhere" : Set->GetVariable()->GetName());
  };
  Log.AfterFuzzySetDeleted = Where;
  Log.AfterFuzzySetAdded = Where;

  S->SetCollection(Angle->GetItems());
  EXPECT_THAT(Log.Take(), ElementsAre("OnFuzzySetDeleted(slow)", "OnVariableChange(speed)",
                                      "OnFuzzySetAdded(slow)", "OnVariableChange(angle)"));
  EXPECT_THAT(Seen, ElementsAre("speed", "angle")) << "it leaves from where it was, joins where it goes";
  EXPECT_EQ(S->GetCollection(), Angle->GetItems());
  EXPECT_EQ(S->GetVariable(), Angle);
  EXPECT_THAT(NamesOf(*Speed->GetItems()), ElementsAre("fast"));
  EXPECT_THAT(NamesOf(*Angle->GetItems()), ElementsAre("slow"));
  EXPECT_THAT(PointsOf(*S), ElementsAre(Pt{0, 1}, Pt{1, 0})) << "the set moves whole";

  S->SetCollection(Angle->GetItems());  // already there
  EXPECT_THAT(Log.Take(), IsEmpty());

  S->SetCollection(nullptr);
  EXPECT_THAT(Log.Take(), ElementsAre("OnFuzzySetDeleted(slow)", "OnVariableChange(angle)"));
  EXPECT_EQ(S->GetCollection(), nullptr);
  EXPECT_EQ(S->GetVariable(), nullptr);
  S->SetName("slower");  // reports nowhere
  EXPECT_THAT(Log.Take(), IsEmpty());

  S->SetCollection(Speed->GetItems());
  EXPECT_THAT(Log.Take(), ElementsAre("OnFuzzySetAdded(slower)", "OnVariableChange(speed)"));
  EXPECT_THAT(NamesOf(*Speed->GetItems()), ElementsAre("fast", "slower"));
}

TEST(FuzzySetLinks, TheTypedCollectionIsASetCollectionOrNone) {
  TFuzzyVariable V(nullptr);
  TFuzzySet* InVariable = V.GetItems()->Add("a");
  EXPECT_EQ(InVariable->GetCollection(), V.GetItems());
  TFuzzySet Loose(nullptr);
  EXPECT_EQ(Loose.GetCollection(), nullptr);
  // A set may live in a collection of another class: the typed accessor does not pretend it
  // is a set collection, the platform's still names it.
  TOwnedCollection Other(nullptr, TFuzzySetClass::Of<TFuzzySet>());
  auto* Elsewhere = new TFuzzySet(&Other);
  EXPECT_EQ(Elsewhere->GetCollection(), nullptr);
  EXPECT_EQ(Elsewhere->TCollectionItem::GetCollection(), &Other);
  EXPECT_EQ(Elsewhere->GetVariable(), nullptr);
  Elsewhere->SetCollection(V.GetItems());
  EXPECT_EQ(Elsewhere->GetCollection(), V.GetItems());
  EXPECT_EQ(Other.GetCount(), 0);
  EXPECT_EQ(Elsewhere->GetVariable(), &V);
}
TEST_F(FuzzyVariableEvents, ChainUpdateBlocks) {
  TFuzzyVariable* V = Items().Add("speed");
  TFuzzySet* S = AddSet(*V, "slow", {{0, 1}});
  Log.Take();
  // Inside a block of the variable collection, additions and set reports pass, variable and
  // collection changes wait for the one report at the end.
  Items().BeginUpdate();
  TFuzzyVariable* W = Items().Add("angle");
  V->SetUnits("m/s");
  S->SetName("slower");
  W->GetItems()->Add("steep");
  delete W;
  Items().EndUpdate();
  EXPECT_THAT(Log.Take(), ElementsAre("OnVariableAdded()", "OnFuzzySetChange(slower)", "OnFuzzySetAdded()",
                                      "OnFuzzySetChange(steep)", "OnFuzzySetDeleted(steep)", "OnVariableDeleted(angle)",
                                      "OnChange"));
  // Inside a block of a set collection, set changes wait and end as one variable change.
  V->GetItems()->BeginUpdate();
  S->SetName("slowest");
  V->GetItems()->Add("fast");
  V->GetItems()->BeginUpdate();
  S->SetComment("c");
  V->GetItems()->EndUpdate();
  EXPECT_THAT(Log.Take(), ElementsAre("OnFuzzySetAdded()"));
  V->GetItems()->EndUpdate();
  EXPECT_THAT(Log.Take(), ElementsAre("OnVariableChange(speed)"));
}

TEST_F(FuzzyVariableEvents, ChainAddNameWithAutomaticTerms) {
  Logic.SetAutoTerms(true);
  Logic.SetThreshold(0.2);
  std::vector<std::string> SeenAtAddition;
  Log.AfterVariableAdded = [&](TFuzzyVariable* V) {
    SeenAtAddition.push_back("name=" + V->GetName());
    SeenAtAddition.push_back("threshold=" + std::to_string(V->GetThreshold()));
    SeenAtAddition.push_back("sets=" + std::to_string(V->GetItems()->GetCount()));
    SeenAtAddition.push_back("range=" + std::to_string(V->GetMinimum()) + ".." + std::to_string(V->GetMaximum()));
  };
  TFuzzyVariable* V = Items().Add("speed");
  const auto TwoPoints = [](const std::string& Term) { return Repeat("OnFuzzySetChange(" + Term + ")", 4); };
  const auto Term = [](const std::string& Name) {
    return std::vector<std::string>{"OnFuzzySetAdded()", "OnVariableChange()", "OnFuzzySetChange(" + Name + ")"};
  };
  EXPECT_THAT(Log.Take(), ElementsAreArray(Concat({{"OnVariableAdded()"},
                                                   Term("low"), TwoPoints("low"),
                                                   Term("medium"), {"OnFuzzySetChange(medium)"},
                                                   Term("high"), TwoPoints("high"),
                                                   {"OnChange", "OnVariableChange(speed)"}})));
  EXPECT_THAT(SeenAtAddition, ElementsAre("name=", "threshold=0.200000", "sets=0", "range=0.000000..1.000000"));
  EXPECT_THAT(NamesOf(*V->GetItems()), ElementsAre("low", "medium", "high"));
  EXPECT_EQ(V->GetItemIndex(), 2);
}

// ---------------------------------------------------------------------------------------------
// Awkward orders of freeing

TEST_F(FuzzyVariableEvents, ChainVariableFreedInsideItsChangeEvent) {
  TFuzzyVariable* V = Items().Add("speed");
  AddSet(*V, "slow", {{0, 1}});
  Items().Add("angle");
  Log.Take();
  bool Done = false;
  Log.AfterVariableChange = [&](TFuzzyVariable* Changed) {
    if (std::exchange(Done, true)) return;
    delete Changed;
  };
  V->SetUnits("m/s");
  EXPECT_THAT(Log.Take(), ElementsAre("OnVariableChange(speed)", "OnFuzzySetDeleted(slow)",
                                      "OnVariableDeleted(speed)", "OnChange"));
  EXPECT_THAT(NamesOf(Items()), ElementsAre("angle"));
}

TEST_F(FuzzyVariableEvents, ChainAnotherVariableFreedWhileOneIsDeleted) {
  Items().Add("a");
  TFuzzyVariable* B = Items().Add("b");
  AddSet(*B, "sb", {{0, 1}});
  Items().Add("c");
  Log.Take();
  Log.AfterVariableDeleted = [&](TFuzzyVariable* Gone) {
    if (Gone->GetName() == "c") delete B;
  };
  Items().Clear();
  EXPECT_THAT(Log.Take(), ElementsAre("OnVariableDeleted(c)", "OnFuzzySetDeleted(sb)", "OnVariableDeleted(b)",
                                      "OnVariableDeleted(a)", "OnChange"));
  EXPECT_EQ(Items().GetCount(), 0);
}

TEST_F(FuzzyVariableEvents, ChainSetFreedInsideTheVariableChange) {
  TFuzzyVariable* V = Items().Add("speed");
  TFuzzySet* Slow = AddSet(*V, "slow", {{0, 1}});
  Log.Take();
  bool Done = false;
  Log.AfterVariableChange = [&](TFuzzyVariable*) {
    if (std::exchange(Done, true)) return;
    delete Slow;
  };
  V->SetComment("c");
  EXPECT_THAT(Log.Take(), ElementsAre("OnVariableChange(speed)", "OnFuzzySetDeleted(slow)", "OnVariableChange(speed)"));
  EXPECT_EQ(V->GetItems()->GetCount(), 0);
  EXPECT_EQ(V->GetItemIndex(), -1);
}

// ---------------------------------------------------------------------------------------------
// Correlation strength of a rule's premises

TEST(FuzzyVariableCorrelationStrength, TheWeakestPremiseDecides) {
  TFuzzyVariable V(nullptr);
  V.SetMaximum(10);
  TFuzzySet* P1 = AddSet(V, "p1", {{0, 0}, {5, 1}, {10, 0}});
  TFuzzySet* P2 = AddSet(V, "p2", {{0, 0}, {5, 1}, {10, 0}});
  TFuzzySet* M1 = AddSet(V, "m1", {{0, 0.3}, {10, 0.3}});
  TFuzzySet* M2 = AddSet(V, "m2", {{0, 0.8}, {10, 0.8}});
  TFuzzySet* const Premises[] = {P1, P2};
  TFuzzySet* const Matchings[] = {M2, M1};
  const TFzyFloat S1 = P1->GetCorrelationStrength(M2);
  const TFzyFloat S2 = P2->GetCorrelationStrength(M1);
  EXPECT_NEAR(S1, 0.8, 1e-12);
  EXPECT_NEAR(S2, 0.3, 1e-12);
  EXPECT_EQ(V.GetCorrelationStrength(Premises, Matchings), std::min(S1, S2));
  EXPECT_EQ(V.GetCorrelationStrength({}, {}), 1.0);
  // Extra matchings are not read.
  TFuzzySet* const Longer[] = {M2, M1, nullptr};
  EXPECT_EQ(V.GetCorrelationStrength(Premises, Longer), std::min(S1, S2));
  // The strength never rises above 1, whatever the sets.
  TFuzzySet* const High[] = {AddSet(V, "tall", {{0, 3}, {10, 3}})};
  EXPECT_EQ(V.GetCorrelationStrength(High, High), 1.0);
}

TEST(FuzzyVariableCorrelationStrength, MissingMatchingsAreCallersErrors) {
  TFuzzyVariable V(nullptr);
  TFuzzySet* P = AddSet(V, "p", {{0, 0}, {1, 1}});
  TFuzzySet* const Premises[] = {P, P};
  TFuzzySet* const One[] = {P};
  EXPECT_THROW_MSG(V.GetCorrelationStrength(Premises, One), EArgumentOutOfRangeException, "Argument out of range");
  EXPECT_THROW_MSG(V.GetCorrelationStrength(Premises, {}), EArgumentOutOfRangeException, "Argument out of range");
  TFuzzySet* const NilMatching[] = {P, nullptr};
  TFuzzySet* const NilPremise[] = {nullptr, P};
  for (auto [Prem, Match] : {std::pair{std::span<TFuzzySet* const>(Premises), std::span<TFuzzySet* const>(NilMatching)},
                             std::pair{std::span<TFuzzySet* const>(NilPremise), std::span<TFuzzySet* const>(Premises)}}) {
    try {
      V.GetCorrelationStrength(Prem, Match);
      ADD_FAILURE() << "no exception for a nil entry";
    } catch (const EArgumentOutOfRangeException&) {
      ADD_FAILURE() << "a nil entry is an argument error, not a range error";
    } catch (const EArgumentException& E) {
      EXPECT_STREQ(E.what(), "Argument out of range");
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Rule assertion

// A variable with the terms of one rule: warm is the consequent, old the evidence so far.
class FuzzyVariableAssertRuleInLogic : public FuzzyVariableEvents {
 protected:
  FuzzyVariableAssertRuleInLogic() {
    V = Items().Add("temp");
    V->SetMaximum(10);
    Warm = AddSet(*V, "warm", {{0, 0}, {5, 1}, {10, 0}});
    Old = AddSet(*V, "old", {{0, 0.2}, {10, 0.2}});
    Log.Take();
  }
  int Added() const { return CountOf("OnFuzzySetAdded"); }
  int Deleted() const { return CountOf("OnFuzzySetDeleted"); }
  int CountOf(const std::string& Prefix) const {
    int N = 0;
    for (const std::string& E : Log.Events) N += E.rfind(Prefix, 0) == 0;
    return N;
  }

  TFuzzyVariable* V = nullptr;
  TFuzzySet* Warm = nullptr;
  TFuzzySet* Old = nullptr;
};

TEST_F(FuzzyVariableAssertRuleInLogic, AtTheThresholdGivesTheCorrelatedCopy) {
  Logic.SetThreshold(0.5);
  ASSERT_EQ(V->GetThreshold(), 0.5);
  std::unique_ptr<TFuzzySet> R(V->AssertRule(0.5, Warm, nullptr));
  ASSERT_NE(R, nullptr);
  EXPECT_EQ(R->GetCollection(), V->GetItems());
  EXPECT_EQ(R->GetName(), "warm > 0.5000");
  EXPECT_THAT(PointsOf(*R), ElementsAre(Pt{0, 0}, Pt{5, 0.5}, Pt{10, 0}));
  EXPECT_THAT(PointsOf(*Warm), ElementsAre(Pt{0, 0}, Pt{5, 1}, Pt{10, 0}));
  EXPECT_EQ(V->GetItems()->GetCount(), 3);
  R.reset();  // the caller frees it; it leaves the collection
  EXPECT_THAT(NamesOf(*V->GetItems()), ElementsAre("warm", "old"));
  EXPECT_EQ(Added(), 1);
  EXPECT_EQ(Deleted(), 1);
}

TEST_F(FuzzyVariableAssertRuleInLogic, BelowTheThresholdCreatesNothing) {
  Logic.SetThreshold(0.5);
  EXPECT_EQ(V->AssertRule(std::nextafter(0.5, 0.0), Warm, nullptr), nullptr);
  EXPECT_EQ(V->AssertRule(std::nextafter(0.5, 0.0), Warm, Old), nullptr);
  EXPECT_THAT(Log.Take(), IsEmpty());
  EXPECT_EQ(V->GetItems()->GetCount(), 2);
}

TEST_F(FuzzyVariableAssertRuleInLogic, InfersIntoTheOldEvidence) {
  std::unique_ptr<TFuzzySet> R(V->AssertRule(0.5, Warm, Old));
  ASSERT_NE(R, nullptr);
  EXPECT_EQ(R->GetName(), "old or [warm > 0.5000]");
  EXPECT_EQ(R->GetCollection(), V->GetItems());
  EXPECT_NEAR(R->DegreeOfMembership(0), 0.2, 1e-9);
  EXPECT_NEAR(R->DegreeOfMembership(5), 0.5, 1e-9);
  EXPECT_NEAR(R->DegreeOfMembership(9), 0.2, 1e-9);
  EXPECT_THAT(PointsOf(*Warm), ElementsAre(Pt{0, 0}, Pt{5, 1}, Pt{10, 0}));
  EXPECT_THAT(PointsOf(*Old), ElementsAre(Pt{0, 0.2}, Pt{10, 0.2}));
  // The correlated copy was made, used and freed; only the result stays.
  EXPECT_EQ(V->GetItems()->GetCount(), 3);
  EXPECT_EQ(Added(), 2);
  EXPECT_EQ(Deleted(), 1);
}

TEST_F(FuzzyVariableAssertRuleInLogic, UsesTheLogicsMethods) {
  TFuzzySet* Broad = AddSet(*V, "broad", {{0, 0.2}, {5, 1}, {10, 0.2}});
  {
    std::unique_ptr<TFuzzySet> R(V->AssertRule(0.5, Broad, nullptr));
    EXPECT_THAT(PointsOf(*R), ElementsAre(Pt{0, 0.2}, Pt{5, 0.5}, Pt{10, 0.2}));
  }
  Logic.SetCorrelationMethod(fcmProduct);
  Logic.SetInferenceMethod(fimAdditive);
  {
    std::unique_ptr<TFuzzySet> R(V->AssertRule(0.5, Broad, nullptr));
    EXPECT_EQ(R->GetName(), "broad * 0.5000");
    EXPECT_THAT(PointsOf(*R), ElementsAre(Pt{0, 0.1}, Pt{5, 0.5}, Pt{10, 0.1}));
  }
  {
    std::unique_ptr<TFuzzySet> R(V->AssertRule(0.5, Broad, Old));
    EXPECT_EQ(R->GetName(), "old or-sum [broad * 0.5000]");
  }
  EXPECT_EQ(V->GetItems()->GetCount(), 3);
}

TEST_F(FuzzyVariableAssertRuleInLogic, ThresholdIsTheAssertingVariables) {
  TFuzzyVariable Other(nullptr);
  Other.SetThreshold(0.6);
  EXPECT_EQ(Other.AssertRule(0.5, Warm, nullptr), nullptr);
  // The result still lives with the consequent, whichever variable asserted the rule.
  Other.SetThreshold(0.4);
  std::unique_ptr<TFuzzySet> R(Other.AssertRule(0.5, Warm, nullptr));
  EXPECT_EQ(R->GetCollection(), V->GetItems());
  EXPECT_EQ(Other.GetItems()->GetCount(), 0);
}

TEST_F(FuzzyVariableAssertRuleInLogic, ResultLivesWithTheOldEvidence) {
  TFuzzyVariable* Elsewhere = Items().Add("elsewhere");
  Elsewhere->SetMaximum(10);
  TFuzzySet* Before = AddSet(*Elsewhere, "before", {{0, 0.1}, {10, 0.1}});
  std::unique_ptr<TFuzzySet> R(V->AssertRule(0.5, Warm, Before));
  EXPECT_EQ(R->GetCollection(), Elsewhere->GetItems());
  EXPECT_EQ(V->GetItems()->GetCount(), 2) << "the correlated copy left the consequent's collection";
  EXPECT_EQ(Elsewhere->GetItems()->GetCount(), 2);
}

TEST(FuzzyVariableAssertRule, AConsequentOfNoVariableGivesACopyTheCallerOwns) {
  TFuzzyVariable V(nullptr);
  TFuzzySet Loose(nullptr);
  Loose.SetName("loose");
  Fill(Loose, {{0, 0}, {5, 1}, {10, 0}});
  std::unique_ptr<TFuzzySet> R(V.AssertRule(0.5, &Loose, nullptr));
  ASSERT_NE(R, nullptr);
  EXPECT_EQ(R->GetCollection(), nullptr);
  EXPECT_EQ(R->GetName(), "loose > 0.5000");
  EXPECT_THAT(PointsOf(*R), ElementsAre(Pt{0, 0}, Pt{5, 0.5}, Pt{10, 0}));
  // Into loose evidence the inference result is loose as well.
  TFuzzySet Evidence(nullptr);
  Evidence.SetName("ev");
  Fill(Evidence, {{0, 0.2}, {10, 0.2}});
  std::unique_ptr<TFuzzySet> R2(V.AssertRule(0.5, &Loose, &Evidence));
  ASSERT_NE(R2, nullptr);
  EXPECT_EQ(R2->GetCollection(), nullptr);
  EXPECT_EQ(R2->GetName(), "ev or [loose > 0.5000]");
  // Into evidence of a variable it lives with that evidence.
  TFuzzySet* Kept = AddSet(V, "kept", {{0, 0.2}, {10, 0.2}});
  std::unique_ptr<TFuzzySet> R3(V.AssertRule(0.5, &Loose, Kept));
  EXPECT_EQ(R3->GetCollection(), V.GetItems());
}

// Records the strength with which the other forms reach form 2.
class TRecordingVariable : public TFuzzyVariable {
 public:
  using TFuzzyVariable::TFuzzyVariable;
  using TFuzzyVariable::AssertRule;
  TFuzzySet* AssertRule(TFzyFloat CorrelationStrength, const TFuzzySet* NewEvidence,
                        const TFuzzySet* OldEvidence) override {
    Strengths.push_back(CorrelationStrength);
    return TFuzzyVariable::AssertRule(CorrelationStrength, NewEvidence, OldEvidence);
  }
  std::vector<TFzyFloat> Strengths;
};

TEST(FuzzyVariableAssertRule, PremiseFormsGoThroughTheStrengthForm) {
  TRecordingVariable V(nullptr);
  V.SetMaximum(10);
  TFuzzySet* Warm = AddSet(V, "warm", {{0, 0}, {5, 1}, {10, 0}});
  TFuzzySet* Premise = AddSet(V, "p", {{0, 0}, {10, 1}});
  TFuzzySet* Matching = AddSet(V, "m", {{0, 0.4}, {10, 0.4}});
  const TFzyFloat Expected = Premise->GetCorrelationStrength(Matching);
  std::unique_ptr<TFuzzySet> R1(V.AssertRule(Premise, Warm, Matching, nullptr));
  TFuzzySet* const Premises[] = {Premise};
  TFuzzySet* const Matchings[] = {Matching};
  std::unique_ptr<TFuzzySet> R2(V.AssertRule(Premises, Matchings, Warm, nullptr));
  std::unique_ptr<TFuzzySet> R3(V.AssertRule(std::span<TFuzzySet* const>(), std::span<TFuzzySet* const>(), Warm, nullptr));
  EXPECT_THAT(V.Strengths, ElementsAre(Expected, Expected, 1.0));
  EXPECT_NEAR(Expected, 0.4, 1e-12);
  ASSERT_NE(R3, nullptr);
  EXPECT_THAT(PointsOf(*R3), ElementsAre(Pt{0, 0}, Pt{5, 1}, Pt{10, 0})) << "full strength changes no degree";
  TFuzzySet* const Short[] = {Matching, Matching};
  EXPECT_THROW(static_cast<void>(V.AssertRule(Short, Matchings, Warm, nullptr)), EArgumentOutOfRangeException);
  EXPECT_EQ(V.Strengths.size(), 3u) << "a failed strength asserts nothing";
}

TEST_F(FuzzyVariableAssertRuleInLogic, AThousandRulesLeaveTheCollectionAsItWas) {
  for (int I = 0; I < 1000; ++I) {
    const TFzyFloat S = (I % 10) / 10.0 + 0.05;
    delete V->AssertRule(S, Warm, (I % 2) ? Old : nullptr);
  }
  std::vector<TFuzzySet*> Kept;
  for (int I = 0; I < 100; ++I) Kept.push_back(V->AssertRule(0.7, Warm, Old));
  EXPECT_EQ(V->GetItems()->GetCount(), 102);
  // Freed in an order of their own: every other one forward, the rest backward.
  for (int I = 0; I < 100; I += 2) delete Kept[I];
  for (int I = 99; I > 0; I -= 2) delete Kept[I];
  EXPECT_THAT(NamesOf(*V->GetItems()), ElementsAre("warm", "old"));
  EXPECT_THAT(PointsOf(*Warm), ElementsAre(Pt{0, 0}, Pt{5, 1}, Pt{10, 0}));
  EXPECT_EQ(Added(), Deleted());
}

TEST_F(FuzzyVariableAssertRuleInLogic, ResultsStillHeldDieWithTheVariable) {
  static_cast<void>(V->AssertRule(0.7, Warm, Old));
  static_cast<void>(V->AssertRule(0.3, Warm, nullptr));
  Log.Take();
  delete V;  // frees the results with the rest
  EXPECT_EQ(Added(), 0);
  EXPECT_EQ(Deleted(), 4);
  EXPECT_EQ(Items().GetCount(), 0);
}

}  // namespace
}  // namespace tarnwick
