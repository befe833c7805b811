// The interface fuzzy variable and its set table: storing, replacing, removing and clearing
// sets with their events, the setters and their reports, rule assertion, copies (onto itself
// too), comparison, the parser link and the orders in which variables and sets die.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "IModelTestSupport.h"
#include "ModelTestSupport.h"
#include "TestSupport.h"
#include "tarnwick/model/FuzzyConsts.h"
#include "tarnwick/model/IFuzzyLogic.h"
#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/Strings.h"

namespace tarnwick {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using test::AddISet;
using test::gAlive;
using test::kTriangle;
using test::MakeISet;
using test::MakeIVariable;
using test::PointsOf;
using test::Pt;
using test::RefCountOf;
using test::TCountedIVariable;
using test::TIEventLog;
using test::TNamePrinter;

class IFuzzyVariableTest : public test::CountingTest {};

TIFuzzySets& ItemsOf(const Intf<IFuzzyVariable>& V) { return *dynamic_cast<TIFuzzyVariable&>(*V).GetItems(); }

// ---------------------------------------------------------------------------------------------
// Storing sets

TEST_F(IFuzzyVariableTest, AddByNameStoresADefinedSetAndReportsIt) {
  const Intf<IFuzzyVariable> V(new TCountedIVariable("t"));
  TIEventLog Log(*V);
  Intf<IFuzzySet> First = V->Add("low");
  EXPECT_TRUE(First->GetDefined());
  EXPECT_EQ(First->GetIndex(), 0);
  EXPECT_EQ(V->ContainsFuzzySet("low"), First);
  EXPECT_THAT(Log.Take(), ElementsAre("Items.OnChange", "OnFuzzySetAdded(low)", "OnChange", "OnVariableChange(t)"));

  // The same name again: a new set under the same key, the first one let go without a report.
  const Intf<IFuzzySet> Second = V->Add("low");
  EXPECT_EQ(Second->GetIndex(), 1);
  EXPECT_EQ(V->ContainsFuzzySet("low"), Second);
  EXPECT_EQ(V->GetCount(), 1);
  EXPECT_THAT(Log.Take(), ElementsAre("Items.OnChange", "OnFuzzySetAdded(low)", "OnChange", "OnVariableChange(t)"));
  EXPECT_EQ(RefCountOf(First.get()), 1);
  First.reset();
  EXPECT_EQ(gAlive, 2);
}

TEST_F(IFuzzyVariableTest, TheEmptySetsNameIsNotStoredTheEmptyNameIs) {
  const Intf<IFuzzyVariable> V(new TCountedIVariable("t"));
  TIEventLog Log(*V);
  const Intf<IFuzzySet> Empty = V->Add(SEmptyFuzzy);
  EXPECT_FALSE(Empty->GetDefined());
  EXPECT_EQ(Empty->GetVariable(), V);
  EXPECT_EQ(V->GetCount(), 0);
  EXPECT_THAT(Log.Take(), IsEmpty());
  const Intf<IFuzzySet> Blank = V->Add("");
  EXPECT_TRUE(Blank->GetDefined());
  EXPECT_EQ(V->ContainsFuzzySet(""), Blank);
}

TEST_F(IFuzzyVariableTest, AddOfASetStoresItByWhoseItIs) {
  const Intf<IFuzzyVariable> V = MakeIVariable("v");
  const Intf<IFuzzyVariable> W = MakeIVariable("w");
  TIEventLog VLog(*V);
  TIEventLog WLog(*W);
  const Intf<IFuzzySet> Own = MakeISet(V.get(), "own", kTriangle);
  V->Add(Own.get());
  EXPECT_EQ(V->GetCount(), 0);  // not Defined: stays out
  const Intf<IFuzzySet> Foreign = MakeISet(W.get(), "foreign", kTriangle);
  VLog.Take();
  WLog.Take();
  V->Add(Foreign.get());
  EXPECT_EQ(Foreign->GetVariable(), V);
  EXPECT_FALSE(Foreign->GetDefined());
  EXPECT_EQ(V->ContainsFuzzySet("foreign"), Foreign);
  EXPECT_THAT(VLog.Take(), ElementsAre("Items.OnChange", "OnFuzzySetAdded(foreign)", "OnChange", "OnVariableChange(v)"));
  EXPECT_THAT(WLog.Take(), IsEmpty());  // it was not stored there

  // A Defined set moves from one table to the other.
  const Intf<IFuzzySet> Moved = AddISet(W.get(), "moved", kTriangle);
  WLog.Take();
  V->Add(Moved.get());
  EXPECT_EQ(V->ContainsFuzzySet("moved"), Moved);
  EXPECT_FALSE(W->ContainsFuzzySet("moved"));
  EXPECT_THAT(WLog.Take(), ElementsAre("Items.OnChange", "OnFuzzySetDeleted(moved)", "OnChange", "OnVariableChange(w)"));
  EXPECT_THROW_MSG(V->Add(static_cast<IFuzzySet*>(nullptr)), EArgumentException, "Argument out of range");
}

TEST_F(IFuzzyVariableTest, RemoveTakesOnlyTheSetStoredUnderItsName) {
  const Intf<IFuzzyVariable> V = MakeIVariable("t");
  const Intf<IFuzzySet> Replaced = V->Add("low");
  const Intf<IFuzzySet> Stored = V->Add("low");
  const Intf<IFuzzySet> Loose = MakeISet(V.get(), "high", kTriangle);
  TIEventLog Log(*V);
  V->Remove(Replaced.get());
  V->Remove(Loose.get());
  V->Remove(nullptr);
  EXPECT_THAT(Log.Take(), IsEmpty());
  EXPECT_EQ(V->GetCount(), 1);
  V->Remove(Stored.get());
  EXPECT_THAT(Log.Take(), ElementsAre("Items.OnChange", "OnFuzzySetDeleted(low)", "OnChange", "OnVariableChange(t)"));
  EXPECT_EQ(V->GetCount(), 0);
  // Removing by a name that is not stored removes nothing and reports nothing.
  V->Add("x");
  Log.Take();
  ItemsOf(V).Remove(std::string("absent"));
  EXPECT_THAT(Log.Take(), ElementsAre("Items.OnChange"));
}

TEST_F(IFuzzyVariableTest, ClearReportsOnceAndRestartsTheNumbering) {
  const Intf<IFuzzyVariable> V = MakeIVariable("t");
  const Intf<IFuzzySet> Kept = V->Add("low");
  V->Add("medium");
  V->Add("high");
  EXPECT_EQ(gAlive, 4);
  TIEventLog Log(*V);
  V->Clear();
  EXPECT_THAT(Log.Take(), ElementsAre("Items.OnChange", "OnChange", "OnVariableChange(t)"));
  EXPECT_EQ(V->GetCount(), 0);
  EXPECT_EQ(gAlive, 2);  // the variable and the set the test holds
  EXPECT_EQ(Kept->GetVariable(), V);
  EXPECT_EQ(V->Add("again")->GetIndex(), 0);
}

TEST_F(IFuzzyVariableTest, LookupByPositionAndName) {
  const Intf<IFuzzyVariable> V = MakeIVariable("t");
  const Intf<IFuzzySet> Low = V->Add("low");
  EXPECT_EQ(V->GetFuzzySet(0), Low);
  EXPECT_EQ(V->GetFuzzySetByName("low"), Low);
  EXPECT_FALSE(V->ContainsFuzzySet("Low"));
  EXPECT_THROW_MSG(V->GetFuzzySet(1), EListError, "List index out of bounds (1)");
  EXPECT_THROW_MSG(V->GetFuzzySetByName("Low"), EListError, "Item not found");
}

TEST_F(IFuzzyVariableTest, APointChangeOfAStoredSetFiresOnlyOnFuzzySetChange) {
  const Intf<IFuzzyVariable> V = MakeIVariable("t");
  const Intf<IFuzzySet> Low = AddISet(V.get(), "low", kTriangle);
  TIEventLog Log(*V);
  Low->SetYValues(1, 0.5);
  EXPECT_THAT(Log.Take(), ElementsAre("OnFuzzySetChange(low)"));
  Low->BeginUpdate();
  Low->SetYValues(1, 0.6);
  Low->SetXValues(1, 4);
  EXPECT_THAT(Log.Take(), IsEmpty());
  Low->EndUpdate();
  EXPECT_THAT(Log.Take(), ElementsAre("OnFuzzySetChange(low)"));
}

TEST_F(IFuzzyVariableTest, UpdateBlocksHoldBackOnlyTheTablesOwnChange) {
  const Intf<IFuzzyVariable> V = MakeIVariable("t");
  TIEventLog Log(*V);
  V->BeginUpdate();
  V->Add("low");
  V->Add("high");
  EXPECT_THAT(Log.Take(), ElementsAre("OnFuzzySetAdded(low)", "OnChange", "OnVariableChange(t)",
                                      "OnFuzzySetAdded(high)", "OnChange", "OnVariableChange(t)"));
  V->EndUpdate();
  EXPECT_THAT(Log.Take(), ElementsAre("Items.OnChange"));
}

// ---------------------------------------------------------------------------------------------
// Setters

TEST_F(IFuzzyVariableTest, SettersReportWhatTheyChange) {
  const Intf<IFuzzyVariable> V(new TCountedIVariable("t"));
  TIEventLog Log(*V);
  EXPECT_EQ(V->GetMaximum(), 1);
  EXPECT_EQ(V->GetNumFunctionValues(), 7);
  EXPECT_EQ(V->GetDefuzzificationMethod(), dmCenterOfGravity);
  EXPECT_EQ(V->GetThreshold(), 0);

  V->SetMaximum(-1);  // pushes the minimum along: two reports
  EXPECT_EQ(V->GetMinimum(), -1);
  EXPECT_EQ(V->GetMaximum(), -1);
  EXPECT_THAT(Log.Take(), ElementsAre("OnChange", "OnVariableChange(t)", "OnChange", "OnVariableChange(t)"));
  V->SetMinimum(2);
  EXPECT_EQ(V->GetMaximum(), 2);
  EXPECT_THAT(Log.Take(), ElementsAre("OnChange", "OnVariableChange(t)", "OnChange", "OnVariableChange(t)"));
  V->SetMaximum(2);
  V->SetMaximum(std::numeric_limits<TFzyFloat>::quiet_NaN());
  V->SetMinimum(std::numeric_limits<TFzyFloat>::quiet_NaN());
  EXPECT_EQ(V->GetMaximum(), 2);
  EXPECT_THAT(Log.Take(), IsEmpty());

  V->SetThreshold(1.5);
  EXPECT_EQ(V->GetThreshold(), 1.0);
  V->SetThreshold(-3);
  EXPECT_EQ(V->GetThreshold(), 0.0);
  V->SetThreshold(std::numeric_limits<TFzyFloat>::quiet_NaN());
  EXPECT_EQ(V->GetThreshold(), 0.0);
  V->SetUnits("degC");
  V->SetDefuzzificationMethod(dmMeanOfMaxima);
  V->SetComment("air");
  EXPECT_THAT(Log.Take(), IsEmpty());
  EXPECT_EQ(V->GetUnits(), "degC");
  EXPECT_EQ(V->GetDefuzzificationMethod(), dmMeanOfMaxima);
  EXPECT_EQ(V->GetComment(), "air");

  V->SetName("temp");
  V->SetName("temp");
  V->SetNumFunctionValues(-5);  // no floor
  EXPECT_EQ(V->GetNumFunctionValues(), -5);
  EXPECT_THAT(Log.Take(), ElementsAre("OnChange", "OnVariableChange(temp)", "OnChange", "OnVariableChange(temp)"));
  V->SetNumFunctionValues(2000000000);  // the ceiling
  EXPECT_EQ(V->GetNumFunctionValues(), kMaxNumFunctionValues);
  V->SetNumFunctionValues(kMaxNumFunctionValues + 1);  // no change
  EXPECT_THAT(Log.Take(), ElementsAre("OnChange", "OnVariableChange(temp)"));
}

TEST_F(IFuzzyVariableTest, TheParserGoesToEveryStoredSet) {
  TNamePrinter Parser(nullptr);
  const Intf<IFuzzyVariable> V = MakeIVariable("t");
  const Intf<IFuzzySet> Low = V->Add("low");
  const Intf<IFuzzySet> Loose = MakeISet(V.get(), "loose", {});
  EXPECT_EQ(V->ToString(), "t");
  EXPECT_EQ(dynamic_cast<TIFuzzyVariable&>(*V).GetAsString(), "t");
  V->SetParser(&Parser);
  EXPECT_EQ(Low->GetParser().get(), static_cast<IFuzzyParser*>(&Parser));
  EXPECT_FALSE(Loose->GetParser());  // not stored: not handed the parser
  EXPECT_EQ(V->ToString(), "<t>");
  EXPECT_EQ(ItemsOf(V).ToString(), "<t>");
  V->SetParser(nullptr);
  EXPECT_FALSE(Low->GetParser());
}

// ---------------------------------------------------------------------------------------------
// Rules

class IFuzzyVariableRules : public IFuzzyVariableTest {
 protected:
  void SetUp() override {
    IFuzzyVariableTest::SetUp();
    V = MakeIVariable("t", 0, 10);
    V->SetThreshold(0.4);
    Hot = AddISet(V.get(), "hot", kTriangle);
    Old = AddISet(V.get(), "old", {{0, 0.2}, {10, 0.2}});
  }
  void TearDown() override {
    Hot.reset();
    Old.reset();
    V.reset();
    IFuzzyVariableTest::TearDown();
  }
  Intf<IFuzzyVariable> V;
  Intf<IFuzzySet> Hot, Old;
};

TEST_F(IFuzzyVariableRules, AStrengthAtTheThresholdFiresOneBelowDoesNot) {
  EXPECT_FALSE(V->AssertRule(0.39, Hot.get(), nullptr));
  const Intf<IFuzzySet> Capped = V->AssertRule(0.4, Hot.get(), nullptr);
  ASSERT_TRUE(Capped);
  EXPECT_THAT(PointsOf(Capped), ElementsAre(Pt{0, 0}, Pt{5, 0.4}, Pt{10, 0}));
  EXPECT_EQ(Capped->GetVariable(), V);
  EXPECT_FALSE(Capped->GetDefined());
  EXPECT_THAT(PointsOf(Hot), ::testing::ElementsAreArray(kTriangle));  // evidence untouched
  const Intf<IFuzzySet> United = V->AssertRule(0.4, Hot.get(), Old.get());
  EXPECT_THAT(PointsOf(United), ::testing::ElementsAreArray(PointsOf(Old->Union(Capped.get()))));
  EXPECT_EQ(V->GetCount(), 2);
}

TEST_F(IFuzzyVariableRules, PremisesPairWithTheirMatchings) {
  const Intf<IFuzzySet> Half = MakeISet(V.get(), "half", {{0, 0.5}, {10, 0.5}});
  const std::vector<Intf<IFuzzySet>> None;
  EXPECT_EQ(V->GetCorrelationStrength(None, None), 1.0);
  const std::vector<Intf<IFuzzySet>> Premises = {Hot, Hot};
  const std::vector<Intf<IFuzzySet>> Matchings = {Hot, Half};
  EXPECT_EQ(V->GetCorrelationStrength(Premises, Matchings), 0.5);
  EXPECT_THAT(PointsOf(V->AssertRule(Premises, Matchings, Hot.get(), nullptr)),
              ElementsAre(Pt{0, 0}, Pt{5, 0.5}, Pt{10, 0}));
  EXPECT_THAT(PointsOf(V->AssertRule(Hot.get(), Hot.get(), Half.get(), nullptr)),
              ElementsAre(Pt{0, 0}, Pt{5, 0.5}, Pt{10, 0}));
  const std::vector<Intf<IFuzzySet>> Short = {Hot};
  EXPECT_THROW_MSG(V->GetCorrelationStrength(Premises, Short), EArgumentOutOfRangeException, "Argument out of range");
  const std::vector<Intf<IFuzzySet>> WithNone = {Hot, nullptr};
  EXPECT_THROW_MSG(V->GetCorrelationStrength(Premises, WithNone), EArgumentException, "Argument out of range");
  EXPECT_THROW_MSG(static_cast<void>(V->AssertRule(0.9, nullptr, nullptr)), EArgumentException, "Argument out of range");
}

// ---------------------------------------------------------------------------------------------
// Copies and comparison

TEST_F(IFuzzyVariableTest, EqualityLooksOneWayAtTheDefinedSets) {
  const Intf<IFuzzyVariable> A = MakeIVariable("t");
  const Intf<IFuzzyVariable> B = MakeIVariable("t");
  AddISet(A.get(), "low", kTriangle);
  AddISet(B.get(), "low", {{4, 0}, {5, 0.5}, {6, 0}});
  AddISet(B.get(), "high", kTriangle);
  EXPECT_TRUE(A->Equals(B.get()));
  EXPECT_FALSE(B->Equals(A.get()));
  B->SetUnits("K");
  EXPECT_FALSE(A->Equals(B.get()));
  B->SetUnits("");
  B->SetMaximum(10.5);
  EXPECT_FALSE(A->Equals(B.get()));
  EXPECT_FALSE(A->Equals(MakeISet(nullptr, "low", kTriangle).get()));
  EXPECT_FALSE(A->Equals(nullptr));
}

TEST_F(IFuzzyVariableTest, CloneCopiesTheVariableAndItsSetsButNotThresholdCommentOrEvents) {
  TNamePrinter Parser(nullptr);
  const Intf<IFuzzyVariable> V = MakeIVariable("t", -5, 5);
  V->SetUnits("degC");
  V->SetNumFunctionValues(11);
  V->SetDefuzzificationMethod(dmMeanOfMaxima);
  V->SetTag(42);
  V->SetThreshold(0.3);
  V->SetComment("air");
  V->SetParser(&Parser);
  TIEventLog Log(*V);
  AddISet(V.get(), "low", {{-5, 1}, {0, 0}});
  AddISet(V.get(), "high", {{0, 0}, {5, 1}});
  Log.Take();

  const Intf<IFuzzyVariable> C = AsIntf<IFuzzyVariable>(V->Clone());
  EXPECT_EQ(gAlive, 6);
  EXPECT_EQ(C->GetName(), "t");
  EXPECT_EQ(C->GetMinimum(), -5);
  EXPECT_EQ(C->GetMaximum(), 5);
  EXPECT_EQ(C->GetUnits(), "degC");
  EXPECT_EQ(C->GetNumFunctionValues(), 11);
  EXPECT_EQ(C->GetDefuzzificationMethod(), dmMeanOfMaxima);
  EXPECT_EQ(C->GetTag(), 42);
  EXPECT_EQ(C->GetParser().get(), static_cast<IFuzzyParser*>(&Parser));
  EXPECT_EQ(C->GetThreshold(), 0);
  EXPECT_EQ(C->GetComment(), "");
  EXPECT_FALSE(C->GetOnChange());
  EXPECT_FALSE(C->GetOnFuzzySetAdded());
  EXPECT_TRUE(C->Equals(V.get()));
  EXPECT_TRUE(V->Equals(C.get()));
  for (Integer I = 0; I < C->GetCount(); ++I) {
    const Intf<IFuzzySet> S = C->GetFuzzySet(I);
    EXPECT_TRUE(S->GetDefined());
    EXPECT_EQ(S->GetVariable(), C);
    EXPECT_EQ(S->GetParser().get(), static_cast<IFuzzyParser*>(&Parser));
    EXPECT_EQ(PointsOf(S), PointsOf(V->GetFuzzySetByName(S->GetName())));
  }
  EXPECT_THAT(Log.Take(), IsEmpty());  // the source hears nothing
}

TEST_F(IFuzzyVariableTest, AssigningSetsReplacesThemByDefinedClones) {
  const Intf<IFuzzyVariable> Source = MakeIVariable("s");
  AddISet(Source.get(), "low", kTriangle);
  const Intf<IFuzzyVariable> Target = MakeIVariable("t");
  const Intf<IFuzzySet> Former = Target->Add("former");
  TIEventLog Log(*Target);
  Target->AssignFuzzySets(Source.get());
  EXPECT_THAT(Log.Take(), ElementsAre("OnChange", "OnVariableChange(t)", "OnFuzzySetChange(low)",
                                      "OnFuzzySetAdded(low)", "OnChange", "OnVariableChange(t)", "Items.OnChange"));
  EXPECT_FALSE(Target->ContainsFuzzySet("former"));
  const Intf<IFuzzySet> Copy = Target->ContainsFuzzySet("low");
  ASSERT_TRUE(Copy);
  EXPECT_NE(Copy, Source->ContainsFuzzySet("low"));
  EXPECT_EQ(Copy->GetVariable(), Target);
  EXPECT_EQ(Copy->GetIndex(), 0);
}

TEST_F(IFuzzyVariableTest, ACopyOntoItselfChangesNothing) {
  TNamePrinter Parser(nullptr);
  const Intf<IFuzzyVariable> V = MakeIVariable("t");
  V->SetParser(&Parser);
  const Intf<IFuzzySet> Low = AddISet(V.get(), "low", kTriangle);
  const Intf<IFuzzySet> High = AddISet(V.get(), "high", {{5, 0}, {10, 1}});
  TIEventLog Log(*V);
  TIFuzzyVariable& Self = dynamic_cast<TIFuzzyVariable&>(*V);
  V->AssignFuzzySets(V.get());
  V->Assign(static_cast<IInterface*>(V.get()));
  Self.Assign(static_cast<const TPersistent*>(&Self));
  Self.SetItems(Self.GetItems());
  Self.GetItems()->Assign(static_cast<IInterface*>(V.get()));
  EXPECT_THAT(Log.Take(), IsEmpty());
  EXPECT_EQ(V->GetCount(), 2);
  EXPECT_EQ(V->ContainsFuzzySet("low"), Low);
  EXPECT_EQ(V->ContainsFuzzySet("high"), High);
  EXPECT_EQ(Low->GetParser().get(), static_cast<IFuzzyParser*>(&Parser));
}

TEST_F(IFuzzyVariableTest, AssignFromAnotherVariableCopiesFieldsThenSetsThenReportsOnce) {
  const Intf<IFuzzyVariable> Source = MakeIVariable("s", 2, 3);
  Source->SetThreshold(0.5);
  Source->SetComment("source");
  AddISet(Source.get(), "low", {{2, 1}, {3, 0}});
  const Intf<IFuzzyVariable> Target = MakeIVariable("t");
  TIEventLog Log(*Target);
  dynamic_cast<TIFuzzyVariable&>(*Target).Assign(static_cast<const TPersistent*>(&dynamic_cast<TIFuzzyVariable&>(*Source)));
  const std::vector<std::string> Events = Log.Take();
  ASSERT_FALSE(Events.empty());
  EXPECT_EQ(Events.back(), "OnVariableChange(s)");
  EXPECT_EQ(Target->GetName(), "s");
  EXPECT_EQ(Target->GetMinimum(), 2);
  EXPECT_EQ(Target->GetThreshold(), 0);
  EXPECT_EQ(Target->GetComment(), "");
  EXPECT_TRUE(Target->ContainsFuzzySet("low"));
  // Through the interface the same; anything that is no variable: nothing, or the platform's
  // error for an object.
  const Intf<IFuzzyVariable> Other = MakeIVariable("o");
  Other->Assign(static_cast<IInterface*>(Source.get()));
  EXPECT_TRUE(Other->Equals(Source.get()));
  Other->Assign(static_cast<IInterface*>(MakeISet(nullptr, "x", {}).get()));
  EXPECT_EQ(Other->GetName(), "s");
  TFuzzyVariable Plain(nullptr);
  EXPECT_THROW_MSG(dynamic_cast<TIFuzzyVariable&>(*Other).Assign(&Plain), EConvertError,
                   "Cannot assign a TFuzzyVariable to a TCountedIVariable");
}

TEST_F(IFuzzyVariableTest, ATableTakesSetsNeverBareNames) {
  const Intf<IFuzzyVariable> V = MakeIVariable("t");
  V->Add("low");
  TStringList Names;
  Names.Add("a");
  EXPECT_THROW(ItemsOf(V).Assign(&Names), EConvertError);
  EXPECT_EQ(V->GetCount(), 1);
  EXPECT_TRUE(V->ContainsFuzzySet("low"));
  // A table of no variable gives clones of its own sets.
  TIFuzzySets Loose(nullptr);
  const Intf<IFuzzySet> Set = MakeISet(nullptr, "loose", kTriangle);
  Set->SetDefined(true);
  Loose.Add(Set.get());
  EXPECT_EQ(Loose.ContainsFuzzySet("loose"), Set);
  ItemsOf(V).Assign(&Loose);
  ASSERT_TRUE(V->ContainsFuzzySet("loose"));
  EXPECT_NE(V->ContainsFuzzySet("loose"), Set);
  EXPECT_FALSE(V->ContainsFuzzySet("low"));
}

// ---------------------------------------------------------------------------------------------
// Lifetime

TEST_F(IFuzzyVariableTest, AVariableDroppedWhileItsSetsAreHeldElsewhere) {
  TNamePrinter Parser(nullptr);
  Intf<IFuzzyVariable> V(new TCountedIVariable("t"));
  TIEventLog Log(*V);
  V->SetParser(&Parser);
  Intf<IFuzzySet> Low = AddISet(V.get(), "low", kTriangle);
  V->Add("high");
  Intf<IFuzzySet> Result = Low->Union(V->GetFuzzySetByName("high").get());
  Log.Take();
  EXPECT_EQ(gAlive, 4);
  V.reset();
  EXPECT_THAT(Log.Take(), IsEmpty());  // no event while the variable dies
  EXPECT_EQ(gAlive, 2);                // "high" went with the table
  EXPECT_FALSE(Low->GetVariable());
  EXPECT_FALSE(Low->GetParser());  // the stored set lost its parser with the variable
  EXPECT_FALSE(Result->GetVariable());
  Low->SetYValues(1, 0.5);  // reported to no one
  Low.reset();
  Result.reset();
  EXPECT_EQ(gAlive, 0);
}

TEST_F(IFuzzyVariableTest, ASetMovedBetweenTwoVariablesLivesAsLongAsEitherHoldsIt) {
  Intf<IFuzzyVariable> First = MakeIVariable("first");
  Intf<IFuzzyVariable> Second = MakeIVariable("second");
  IFuzzySet* Raw = First->Add("low").get();
  ASSERT_EQ(RefCountOf(Raw), 1);  // held by the first table only
  Second->Add(Raw);
  EXPECT_EQ(RefCountOf(Raw), 1);  // now by the second only
  EXPECT_EQ(Second->ContainsFuzzySet("low").get(), Raw);
  EXPECT_EQ(First->GetCount(), 0);
  First.reset();
  EXPECT_EQ(gAlive, 2);
  Raw->SetVariable(nullptr);  // leaves the second table too: it dies on the way out
  EXPECT_EQ(gAlive, 1);
  EXPECT_EQ(Second->GetCount(), 0);
}

}  // namespace
}  // namespace tarnwick
