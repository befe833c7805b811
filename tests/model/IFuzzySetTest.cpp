// The interface fuzzy set: construction and counting, the weak variable link with re-keying and
// moving, the parser link, its point list, the results of its operations and where they stand,
// copies (onto itself too), comparisons and bad input.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "IModelTestSupport.h"
#include "ModelTestSupport.h"
#include "TestSupport.h"
#include "tarnwick/model/FuzzyConsts.h"
#include "tarnwick/model/IFuzzyLogic.h"
#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/detail/BlockCache.h"

namespace tarnwick {
namespace {

using ::testing::AllOf;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::Eq;
using ::testing::IsEmpty;
using ::testing::Not;
using test::AddISet;
using test::gAlive;
using test::kTriangle;
using test::MakeISet;
using test::MakeIVariable;
using test::MessageOf;
using test::PointsOf;
using test::Pt;
using test::RefCountOf;
using test::TCountedISet;
using test::TCountedParser;
using test::TIEventLog;
using test::TNamePrinter;

class IFuzzySetTest : public test::CountingTest {};

// The range a set reads, through its class (IFuzzySet has no such operation).
TFzyFloat XRange(const Intf<IFuzzySet>& Set, std::int32_t Index) {
  return dynamic_cast<const TIFuzzySet&>(*Set).GetXRange(Index);
}

// ---------------------------------------------------------------------------------------------
// Construction, counting, interfaces

// Sets of both forms, and their point lists, take their memory from blocks that the sets dying
// in the same thread left behind. Whatever thread made a set, it may die in any other, also
// after its maker ended (the leak and address checkers of the ci build see a block kept past
// its thread's end or used after its set died).
TEST(FuzzySetMemory, SetsOfBothFormsLiveAndDieInAnyThread) {
  constexpr int Count = static_cast<int>(detail::kSetCacheBytes / sizeof(TFuzzySet)) + 50;
  const auto Expression = [](int I) { return std::to_string(I) + ".0000"; };
  std::vector<std::unique_ptr<TFuzzySet>> Plain;
  std::vector<Intf<IFuzzySet>> Counted;
  std::thread Maker([&] {
    std::vector<std::unique_ptr<TFuzzySet>> KeptPlain;
    std::vector<Intf<IFuzzySet>> KeptCounted;
    for (int I = 0; I < 2 * Count; ++I) {
      auto Set = std::make_unique<TFuzzySet>(nullptr);
      Set->CreateCrispValue(I);
      Intf<IFuzzySet> ISet(new TIFuzzySet(nullptr));
      ISet->CreateCrispValue(I);
      (I % 2 == 0 ? Plain : KeptPlain).push_back(std::move(Set));
      (I % 2 == 0 ? Counted : KeptCounted).push_back(std::move(ISet));
    }
    KeptPlain.clear();  // more than the thread keeps blocks for
    KeptCounted.clear();
  });
  Maker.join();
  for (int I = 0; I < Count; ++I) {
    const auto Index = static_cast<std::size_t>(I);
    EXPECT_EQ(Plain[Index]->GetExpression(), Expression(2 * I));
    EXPECT_EQ(Counted[Index]->GetExpression(), Expression(2 * I));
  }
  Plain.clear();
  Counted.clear();
}

TEST_F(IFuzzySetTest, ANewSetIsNotDefinedNotStoredAndTakesTheVariablesParser) {
  TNamePrinter Parser(nullptr);
  const Intf<IFuzzyVariable> V = MakeIVariable("t");
  V->SetParser(&Parser);
  const Intf<IFuzzySet> S(new TCountedISet(V.get(), "warm"));
  EXPECT_EQ(RefCountOf(S.get()), 1);
  EXPECT_FALSE(S->GetDefined());
  EXPECT_EQ(V->GetCount(), 0);
  EXPECT_EQ(S->GetVariable(), V);
  EXPECT_EQ(S->GetParser().get(), static_cast<IFuzzyParser*>(&Parser));
  EXPECT_EQ(S->GetIndex(), 0);
  EXPECT_EQ(S->GetName(), "warm");
  EXPECT_EQ(gAlive, 2);
}

TEST_F(IFuzzySetTest, AReservedNameFailsTheConstructionAndLeavesNothing) {
  const Intf<IFuzzyVariable> V = MakeIVariable("t");
  for (const char* Name : {"and", "very", "or", "+"}) {
    EXPECT_THROW_MSG(Intf<IFuzzySet>(new TCountedISet(V.get(), Name)), EFzyException,
                     std::string("Invalid fuzzy set name, \"") + Name + "\" is a reserved word");
  }
  EXPECT_EQ(gAlive, 1);  // the variable alone
  EXPECT_EQ(V->GetCount(), 0);
}

TEST_F(IFuzzySetTest, QueryInterfaceAnswersItsOwnInterfacesOnly) {
  const Intf<IFuzzySet> S = MakeISet(nullptr, "s", kTriangle);
  struct Case {
    TGUID IID;
    bool Known;
  };
  const Case Cases[] = {{IFuzzySet::IID, true},       {ICloneable::IID, true},         {IInterface::IID, true},
                        {IFuzzyVariable::IID, false}, {IFuzzyParser::IID, false},      {IBaseStreamToken::IID, false},
                        {IFuzzyStreamToken::IID, false}};
  for (const Case& C : Cases) {
    void* Out = reinterpret_cast<void*>(1);
    const HRESULT R = S->QueryInterface(C.IID, &Out);
    EXPECT_EQ(R, C.Known ? S_OK : E_NOINTERFACE);
    EXPECT_EQ(Out != nullptr, C.Known);
    if (Out != nullptr) S->Release();
  }
  EXPECT_EQ(RefCountOf(S.get()), 1);
}

TEST_F(IFuzzySetTest, SetDefinedOnlyEverDefines) {
  const Intf<IFuzzySet> S = MakeISet(nullptr, "s", kTriangle);
  S->SetDefined(true);
  S->SetDefined(false);
  EXPECT_TRUE(S->GetDefined());
  // The object form's flag is the one way back.
  static_cast<TFuzzySet&>(dynamic_cast<TIFuzzySet&>(*S)).SetDefined(false);
  EXPECT_FALSE(S->GetDefined());
}

TEST_F(IFuzzySetTest, CommentIsTheSetsOneComment) {
  const Intf<IFuzzySet> S = MakeISet(nullptr, "s", {});
  S->SetComment("cool mornings");
  EXPECT_EQ(S->GetComment(), "cool mornings");
  EXPECT_EQ(static_cast<const TFuzzySet&>(dynamic_cast<TIFuzzySet&>(*S)).GetComment(), "cool mornings");
}

// ---------------------------------------------------------------------------------------------
// Name and variable

class IFuzzySetStored : public IFuzzySetTest {
 protected:
  void SetUp() override {
    IFuzzySetTest::SetUp();
    V = MakeIVariable("t");
    Log = std::make_unique<TIEventLog>(*V);
    Low = AddISet(V.get(), "low", kTriangle);
    Log->Take();
  }
  void TearDown() override {
    Log.reset();
    Low.reset();
    V.reset();
    IFuzzySetTest::TearDown();
  }

  Intf<IFuzzyVariable> V;
  std::unique_ptr<TIEventLog> Log;
  Intf<IFuzzySet> Low;
};

TEST_F(IFuzzySetStored, ANewNameReKeysTheSet) {
  Low->SetName("cold");
  EXPECT_EQ(V->ContainsFuzzySet("cold"), Low);
  EXPECT_FALSE(V->ContainsFuzzySet("low"));
  EXPECT_EQ(Low->GetIndex(), 1);
  EXPECT_THAT(Log->Take(), ElementsAre("Items.OnChange", "OnFuzzySetDeleted(low)", "OnChange", "OnVariableChange(t)",
                                       "Items.OnChange", "OnFuzzySetAdded(cold)", "OnChange", "OnVariableChange(t)"));
  Low->SetName("cold");
  EXPECT_THAT(Log->Take(), IsEmpty());
  EXPECT_EQ(RefCountOf(Low.get()), 2);  // the caller and the table, as before
}

TEST_F(IFuzzySetStored, AReservedNameChangesNothing) {
  EXPECT_THROW_MSG(Low->SetName("very"), EFzyException, "Invalid fuzzy set name, \"very\" is a reserved word");
  EXPECT_EQ(Low->GetName(), "low");
  EXPECT_EQ(V->ContainsFuzzySet("low"), Low);
  EXPECT_THAT(Log->Take(), IsEmpty());
}

TEST_F(IFuzzySetStored, AHedgeInPlaceReKeysUnderTheDerivedName) {
  EXPECT_EQ(Low->Hedge(fhVery), Low.get());
  EXPECT_EQ(Low->GetName(), "very low");
  EXPECT_EQ(V->ContainsFuzzySet("very low"), Low);
  EXPECT_FALSE(V->ContainsFuzzySet("low"));
  EXPECT_EQ(Low->Correlate(0.5, fcmProduct), Low.get());
  EXPECT_EQ(V->ContainsFuzzySet(Low->GetName()), Low);
  EXPECT_EQ(V->GetCount(), 1);
}

TEST_F(IFuzzySetStored, ASetHeldOnlyByItsTableSurvivesItsOwnReKeying) {
  IFuzzySet* Raw = Low.get();
  Low.reset();
  ASSERT_EQ(RefCountOf(Raw), 1);
  Raw->SetName("cold");  // leaves the table and joins it again
  Raw->Hedge(fhVery);
  Raw->Hedge(bfhMultiply, 0.5, true);
  Raw->Correlate(0.4, fcmMinimum);
  EXPECT_EQ(V->GetCount(), 1);
  EXPECT_EQ(V->GetFuzzySet(0).get(), Raw);
  EXPECT_EQ(RefCountOf(Raw), 1);
  EXPECT_EQ(gAlive, 2);
}

TEST_F(IFuzzySetStored, SetVariableMovesADefinedSetAndStoresItThere) {
  const Intf<IFuzzyVariable> W = MakeIVariable("w", -5, 5);
  TIEventLog WLog(*W);
  Low->SetVariable(V.get());
  EXPECT_THAT(Log->Take(), IsEmpty());

  Low->SetVariable(W.get());
  EXPECT_EQ(Low->GetVariable(), W);
  EXPECT_EQ(W->ContainsFuzzySet("low"), Low);
  EXPECT_FALSE(V->ContainsFuzzySet("low"));
  EXPECT_THAT(Log->Take(), ElementsAre("Items.OnChange", "OnFuzzySetDeleted(low)", "OnChange", "OnVariableChange(t)"));
  EXPECT_THAT(WLog.Take(), ElementsAre("Items.OnChange", "OnFuzzySetAdded(low)", "OnChange", "OnVariableChange(w)"));
  EXPECT_EQ(XRange(Low, 0), 5);

  // The first variable can go: the set lives in the second.
  V.reset();
  Log.reset();
  EXPECT_EQ(gAlive, 2);
  W.get()->Remove(Low.get());
  EXPECT_EQ(RefCountOf(Low.get()), 1);
}

TEST_F(IFuzzySetStored, ASetThatIsNotDefinedMovesWithoutBeingStored) {
  const Intf<IFuzzyVariable> W = MakeIVariable("w");
  const Intf<IFuzzySet> Loose = MakeISet(V.get(), "loose", kTriangle);
  Loose->SetVariable(W.get());
  EXPECT_EQ(Loose->GetVariable(), W);
  EXPECT_EQ(W->GetCount(), 0);
}

TEST_F(IFuzzySetStored, WithoutVariableASetKeepsItsParser) {
  TNamePrinter Parser(nullptr);
  V->SetParser(&Parser);
  EXPECT_EQ(Low->GetParser().get(), static_cast<IFuzzyParser*>(&Parser));
  Low->SetVariable(nullptr);
  EXPECT_FALSE(Low->GetVariable());
  EXPECT_EQ(V->GetCount(), 0);
  EXPECT_EQ(Low->GetParser().get(), static_cast<IFuzzyParser*>(&Parser));
  Low->SetParser(nullptr);
}

TEST_F(IFuzzySetStored, ChangesOfAnySetOfTheVariableAreReported) {
  Low->SetYValues(1, 0.8);
  const Intf<IFuzzySet> Result = Low->Union(Low.get());
  // (A result whose clean-up removes points is reported once more by the point store.)
  const std::vector<std::string> Events = Log->Take();
  ASSERT_GE(Events.size(), 2u);
  EXPECT_EQ(Events[0], "OnFuzzySetChange(low)");
  EXPECT_THAT(std::vector<std::string>(Events.begin() + 1, Events.end()), Each(Eq("OnFuzzySetChange(low or low)")));
  EXPECT_FALSE(V->ContainsFuzzySet("low or low"));
}

TEST_F(IFuzzySetTest, AfterTheVariableDiesItsSetsGoOnWithoutIt) {
  Intf<IFuzzyVariable> V = MakeIVariable("t", 0, 10);
  const Intf<IFuzzySet> Stored = AddISet(V.get(), "low", kTriangle);
  const Intf<IFuzzySet> Loose = MakeISet(V.get(), "loose", kTriangle);
  V.reset();
  EXPECT_EQ(gAlive, 2);
  for (const Intf<IFuzzySet>& S : {Stored, Loose}) {
    EXPECT_FALSE(S->GetVariable());
    EXPECT_EQ(XRange(S, 0), 2147483647.0);
    EXPECT_EQ(S->GetXMaximum(), 10);  // its last point
    S->SetXValues(2, 20);             // no variable hears of it, none holds it in [0, 10]
    EXPECT_EQ(S->GetXValues(2), 20);
    EXPECT_TRUE(S->Equals(S.get()));
  }
}

TEST_F(IFuzzySetTest, RangeEndsWithAndWithoutVariableAndPoints) {
  const Intf<IFuzzySet> Empty = MakeISet(nullptr, "e", {});
  EXPECT_EQ(Empty->GetXMaximum(), 2147483647.0);
  EXPECT_EQ(Empty->GetXMinimum(), -2147483647.0);
  const Intf<IFuzzySet> Loose = MakeISet(nullptr, "l", {{-3, 0}, {4, 1}});
  EXPECT_EQ(Loose->GetXMaximum(), 4);
  EXPECT_EQ(Loose->GetXMinimum(), -3);
  const Intf<IFuzzyVariable> V = MakeIVariable("t", 1, 9);
  const Intf<IFuzzySet> Held = MakeISet(V.get(), "h", {{-3, 0}, {4, 1}, {20, 0}});
  EXPECT_EQ(Held->GetXMaximum(), 9);
  EXPECT_EQ(Held->GetXMinimum(), 1);
  EXPECT_THAT(PointsOf(Held), ElementsAre(Pt{1, 0}, Pt{4, 1}, Pt{9, 0}));
  Held->SetXValues(1, 50);
  EXPECT_EQ(Held->GetXValues(2), 9);
  for (TIFuzzySet* S : {&dynamic_cast<TIFuzzySet&>(*Empty), &dynamic_cast<TIFuzzySet&>(*Held)}) {
    EXPECT_THROW_MSG(XRange(S, 2), EFzyException, "Invalid index argument to GetXRange.  Index = 2");
    EXPECT_THROW_MSG(XRange(S, -1), EFzyException, "Invalid index argument to GetXRange.  Index = -1");
  }
}

// ---------------------------------------------------------------------------------------------
// The parser link

TEST_F(IFuzzySetTest, TheTextIsTheParsersWhenThereIsOne) {
  const Intf<IFuzzySet> S = MakeISet(nullptr, "warm", {{0, 0}, {1, 1}});
  EXPECT_EQ(S->ToString(), "(warm (0.0000 0.0000) (1.0000 1.0000) )");
  TNamePrinter Parser(nullptr);
  S->SetParser(&Parser);
  EXPECT_EQ(S->ToString(), "<warm>");
  S->SetParser(nullptr);
}

TEST_F(IFuzzySetTest, AParserDestroyedFirstIsNeverReached) {
  const Intf<IFuzzyVariable> V = MakeIVariable("t");
  Intf<IFuzzySet> Stored;
  Intf<IFuzzySet> Loose;
  {
    TNamePrinter Parser(nullptr);
    V->SetParser(&Parser);
    Stored = AddISet(V.get(), "low", kTriangle);
    Loose = MakeISet(nullptr, "loose", kTriangle);
    Loose->SetParser(&Parser);
    EXPECT_EQ(Loose->ToString(), "<loose>");
    EXPECT_EQ(V->ToString(), "<t>");
  }
  for (const Intf<IFuzzySet>& S : {Stored, Loose}) {
    EXPECT_FALSE(S->GetParser());
    EXPECT_EQ(S->ToString(), "(" + S->GetName() + " (0.0000 0.0000) (5.0000 1.0000) (10.0000 0.0000) )");
  }
  EXPECT_FALSE(V->GetParser());
  EXPECT_EQ(V->ToString(), "t");
  // Setting the link that reads empty again changes nothing and reaches no parser.
  V->SetParser(nullptr);
  Loose->SetParser(nullptr);
}

TEST_F(IFuzzySetTest, ACountingParserIsHeldByACountedReference) {
  Intf<IFuzzySet> S = MakeISet(nullptr, "s", kTriangle);
  {
    const Intf<IFuzzyParser> Parser(new TCountedParser);
    S->SetParser(Parser.get());
  }
  EXPECT_EQ(gAlive, 2);  // the set keeps the host's parser alive
  EXPECT_EQ(S->ToString(), "counted set");
  S.reset();
  EXPECT_EQ(gAlive, 0);
}

// ---------------------------------------------------------------------------------------------
// The point list

TEST_F(IFuzzySetTest, AddAndInsertAnswerWhereThePointWasPut) {
  const Intf<IFuzzySet> S = MakeISet(nullptr, "s", {{0, 0}, {10, 0}});
  EXPECT_EQ(S->Add(5, 1), 2);  // appended at 2, then sorted into 1
  EXPECT_THAT(PointsOf(S), ElementsAre(Pt{0, 0}, Pt{5, 1}, Pt{10, 0}));
  EXPECT_EQ(S->Insert(0, 7, 0.5), 0);
  EXPECT_THAT(PointsOf(S), ElementsAre(Pt{0, 0}, Pt{5, 1}, Pt{7, 0.5}, Pt{10, 0}));
  // Inside an outer update block nothing moves yet.
  S->BeginUpdate();
  EXPECT_EQ(S->Add(1, 0.2), 4);
  EXPECT_EQ(S->GetXValues(4), 1);
  S->EndUpdate();
  EXPECT_EQ(S->GetXValues(1), 1);
}

TEST_F(IFuzzySetTest, AppendClampsToTheSourcesPoints) {
  const Intf<IFuzzySet> Source = MakeISet(nullptr, "src", {{1, 0.1}, {2, 0.2}, {3, 0.3}});
  const Intf<IFuzzySet> Empty = MakeISet(nullptr, "empty", {});
  struct Case {
    Integer Index, Count;
    std::vector<Pt> Expected;
  };
  const Case Cases[] = {{5, 10, {{3, 0.3}}},
                        {-2, 2, {{1, 0.1}, {2, 0.2}}},
                        {1, 10, {{2, 0.2}, {3, 0.3}}},
                        {0, 0, {}},
                        {1, -1, {}}};
  for (const Case& C : Cases) {
    const Intf<IFuzzySet> S = MakeISet(nullptr, "s", {});
    S->Append(Source.get(), C.Index, C.Count);
    EXPECT_EQ(PointsOf(S), C.Expected) << C.Index << ", " << C.Count;
    S->Append(Empty.get(), C.Index, C.Count);
    EXPECT_EQ(PointsOf(S), C.Expected) << "nothing from an empty source";
  }
  const Intf<IFuzzySet> All = MakeISet(nullptr, "all", {});
  All->Append(Source.get());
  All->Append(Empty.get());
  EXPECT_EQ(PointsOf(All), PointsOf(Source));
}

TEST_F(IFuzzySetTest, ValuesCompareWithinTheTolerance) {
  const Intf<IFuzzySet> A = MakeISet(nullptr, "a", {{1, 0.1}, {2, 0.2}});
  TIFSValues& Values = *dynamic_cast<TIFuzzySet&>(*A).GetValues();
  EXPECT_TRUE(Values.EqualsValues(MakeISet(nullptr, "b", {{1.00005, 0.1}, {2, 0.20009}}).get()));
  EXPECT_FALSE(Values.EqualsValues(MakeISet(nullptr, "c", {{1, 0.1}, {2, 0.2002}}).get()));
  EXPECT_FALSE(Values.EqualsValues(MakeISet(nullptr, "d", {{1, 0.1}}).get()));
  EXPECT_EQ(Values.ToString(), A->ToString());
}

TEST_F(IFuzzySetTest, PointIndicesOutsideTheListRaiseAndChangeNothing) {
  const Intf<IFuzzyVariable> V = MakeIVariable("t");
  TIEventLog Log(*V);
  const Intf<IFuzzySet> S = MakeISet(V.get(), "s", kTriangle);
  Log.Take();
  EXPECT_THROW_MSG(S->GetXValues(3), EListError, "List index out of bounds (3)");
  EXPECT_THROW_MSG(S->GetYValues(-1), EListError, "List index out of bounds (-1)");
  EXPECT_THROW_MSG(S->SetXValues(3, 1), EListError, "List index out of bounds (3)");
  EXPECT_THROW_MSG(S->SetYValues(7, 1), EListError, "List index out of bounds (7)");
  EXPECT_THROW_MSG(S->Delete(3), EListError, "List index out of bounds (3)");
  EXPECT_THROW_MSG(S->Insert(4, 1, 1), EListError, "List index out of bounds (4)");
  EXPECT_THROW_MSG(S->Insert(-1, 1, 1), EListError, "List index out of bounds (-1)");
  EXPECT_THAT(PointsOf(S), ::testing::ElementsAreArray(kTriangle));
  EXPECT_THAT(Log.Take(), IsEmpty());
}

TEST_F(IFuzzySetTest, AnEmptySetHasNoHeightToNormalizeBy) {
  const Intf<IFuzzySet> S = MakeISet(nullptr, "s", {});
  EXPECT_THROW_MSG(S->Normalize(), EFzyException, "Invalid operation: \"Get Maximum Y Value\".  Fuzzy set is empty");
  EXPECT_THROW_MSG(S->GetMaxValue(), EFzyException, "Invalid operation: \"Get Maximum Y Value\".  Fuzzy set is empty");
  EXPECT_THROW_MSG(S->GetMinValue(), EFzyException, "Invalid operation: \"Get Minimum Y Value\".  Fuzzy set is empty");
  EXPECT_EQ(S->GetCompatibilityIndex(), 0);
}

// ---------------------------------------------------------------------------------------------
// Results of operations

class IFuzzySetResults : public IFuzzySetTest {
 protected:
  void SetUp() override {
    IFuzzySetTest::SetUp();
    V = MakeIVariable("t", 0, 10);
    V->SetParser(&Parser);
    A = AddISet(V.get(), "a", {});
    A->CreateCurveValues(5, 1, 9, 4, true);  // inflection point 4
    B = AddISet(V.get(), "b", kTriangle);
  }
  void TearDown() override {
    A.reset();
    B.reset();
    V.reset();
    IFuzzySetTest::TearDown();
  }

  TNamePrinter Parser{nullptr};
  Intf<IFuzzyVariable> V;
  Intf<IFuzzySet> A, B;
};

TEST_F(IFuzzySetResults, AnIntersectionStandsBesideTheVariablesSets) {
  const Intf<IFuzzySet> R = A->Intersection(B.get());
  EXPECT_EQ(R->GetVariable(), V);
  EXPECT_EQ(R->GetParser().get(), static_cast<IFuzzyParser*>(&Parser));
  EXPECT_FALSE(R->GetDefined());
  EXPECT_EQ(V->GetCount(), 2);
  EXPECT_EQ(R->GetInflectionPoint(), 4);
  EXPECT_EQ(R->GetSetType(), fstUserDefined);
  EXPECT_EQ(R->GetName(), "a and b");
  EXPECT_EQ(R->GetExpression(), "a and b");
  EXPECT_EQ(RefCountOf(R.get()), 1);
}

TEST_F(IFuzzySetResults, DefuzzifyIsTheCentreOfGravityWhateverTheVariableSays) {
  V->SetDefuzzificationMethod(dmMeanOfMaxima);
  EXPECT_EQ(A->Defuzzify(), A->CenterOfGravity());
  EXPECT_NE(A->Defuzzify(), A->MeanOfMaxima());
  // Shapes by set type take seven points over the middle third of the variable's range.
  A->SetSetType(fstPICurve);
  EXPECT_EQ(A->GetCount(), 7);
  EXPECT_DOUBLE_EQ(A->GetXValues(0), 10.0 / 6);
  EXPECT_DOUBLE_EQ(A->GetXValues(6), 50.0 / 6);
}

TEST_F(IFuzzySetResults, AlphaCutsNameTheLevelAskedFor) {
  const Intf<IFuzzySet> Half = B->AlphaCutoff(0.5, false);
  EXPECT_EQ(Half->GetName(), "b (alpha=0.5000)");
  EXPECT_EQ(Half->GetVariable(), V);
  EXPECT_EQ(Half->GetParser().get(), static_cast<IFuzzyParser*>(&Parser));
  EXPECT_FALSE(Half->GetDefined());
  const Intf<IFuzzySet> Over = B->AlphaCutoff(1.5, false);
  EXPECT_EQ(Over->GetName(), "b (alpha=1.5000)");
  EXPECT_EQ(PointsOf(Over), PointsOf(B->AlphaCutoff(1, false)));
  EXPECT_EQ(V->GetCount(), 2);
}

TEST_F(IFuzzySetResults, ACutoffBelongsToNoVariable) {
  const Intf<IFuzzySet> R = B->Cutoff(0.5, true);
  EXPECT_FALSE(R->GetVariable());
  EXPECT_FALSE(R->GetParser());
  EXPECT_EQ(XRange(R, 0), 2147483647.0);
  EXPECT_EQ(XRange(R, 1), -2147483647.0);
  EXPECT_EQ(R->GetName(), CreateFuzzyName("b", "or", 0.5));
}

TEST_F(IFuzzySetResults, OperatorRunsTheHostsCombinerOverTheWalk) {
  std::vector<std::string> Visits;
  const Intf<IFuzzySet> R =
      B->Operator(A.get(), "max", [&](IFuzzySet* Result, TFzyFloat X1, TFzyFloat Y1, TFzyFloat, TFzyFloat Y2) {
        EXPECT_EQ(Result->GetName(), "b max a");
        return TIFuzzySet::FuzzyOperatorMax(Result, X1, Y1, X1, Y2);
      });
  EXPECT_EQ(PointsOf(R), PointsOf(B->Union(A.get())));
  EXPECT_EQ(R->GetExpression(), "b max a");
}

TEST_F(IFuzzySetResults, IterateStopsWhereTheComparisonSays) {
  std::vector<TFzyFloat> Seen;
  EXPECT_TRUE(B->Iterate(A.get(), [&](TFzyFloat X1, TFzyFloat, TFzyFloat, TFzyFloat) {
    Seen.push_back(X1);
    return X1 >= 5;
  }));
  EXPECT_EQ(Seen.back(), 5);
  EXPECT_FALSE(B->Iterate(A.get(), [](TFzyFloat, TFzyFloat, TFzyFloat, TFzyFloat) { return false; }));
  const Intf<IFuzzySet> E1 = MakeISet(nullptr, "e1", {});
  const Intf<IFuzzySet> E2 = MakeISet(nullptr, "e2", {});
  EXPECT_TRUE(E1->Iterate(E2.get(), [](TFzyFloat, TFzyFloat, TFzyFloat, TFzyFloat) { return false; }));
}

TEST_F(IFuzzySetResults, AnErrorInTheWalkPassesAndTheResultDies) {
  const int Before = gAlive;
  TIEventLog Log(*V);
  EXPECT_THROW_MSG(static_cast<void>(B->Operator(A.get(), "x",
                               [](IFuzzySet* Result, TFzyFloat X1, TFzyFloat, TFzyFloat, TFzyFloat) -> bool {
                                 if (X1 > 2) throw EFzyException("host failed");
                                 Result->Add(X1, 0.5);
                                 return false;
                               })),
                   EFzyException, "host failed");
  EXPECT_EQ(gAlive, Before);
  // The result's update block was ended on the way out.
  EXPECT_THAT(Log.Take(), AllOf(Not(IsEmpty()), Each(Eq("OnFuzzySetChange(b x a)"))));
}

TEST_F(IFuzzySetResults, BadOperationsRaiseBeforeAnySetIsMade) {
  const int Before = gAlive;
  EXPECT_THROW_MSG(static_cast<void>(A->Intersection(B.get(), foSum)), EFzyException,
                   "Invalid fuzzy operation: \"foSum:");
  EXPECT_THROW_MSG(static_cast<void>(A->Intersection(B.get(), static_cast<TFuzzyOperation>(7))), EFzyException,
                   "Invalid fuzzy operation: \"7:");
  EXPECT_THROW_MSG(static_cast<void>(A->Union(B.get(), static_cast<TFuzzyOperation>(9))), EFzyException,
                   "Invalid fuzzy operation: \"9:");
  EXPECT_THROW_MSG(static_cast<void>(A->Infer(B.get(), fimAdditive, true)), EFzyException,
                   "Invalid fuzzy operation: \"foSum:");
  EXPECT_THROW_MSG(static_cast<void>(A->Infer(B.get(), static_cast<TFuzzyInferenceMethod>(5), false)), EFzyException,
                   "Invalid fuzzy operation: \"7:");
  EXPECT_THROW_MSG(static_cast<void>(A->Union(nullptr)), EArgumentException, "Argument out of range");
  EXPECT_THROW_MSG(static_cast<void>(A->Operator(B.get(), "x", nullptr)), EArgumentException, "Argument out of range");
  EXPECT_EQ(gAlive, Before);
}

TEST_F(IFuzzySetResults, ResultsOfEveryOperationDieTogetherWhenDropped) {
  const int Before = gAlive;
  std::vector<Intf<IInterface>> Results;
  Results.push_back(A->Intersection(B.get()));
  Results.push_back(A->Union(B.get(), foProduct));
  Results.push_back(A->Infer(B.get(), fimMean, true));
  Results.push_back(A->AlphaCutoff(0.3, true));
  Results.push_back(A->Cutoff(0.3, false));
  Results.push_back(A->Clone());
  Results.push_back(A->Clone(V.get()));
  Results.push_back(A->Operator(B.get(), "min", &TIFuzzySet::FuzzyOperatorMin));
  Results.push_back(V->AssertRule(0.7, A.get(), B.get()));
  Results.push_back(V->AssertRule(0.7, A.get(), nullptr));
  EXPECT_EQ(gAlive, Before + 10);
  EXPECT_EQ(V->GetCount(), 2);
  Results.clear();
  EXPECT_EQ(gAlive, Before);
}

// ---------------------------------------------------------------------------------------------
// Copies

TEST_F(IFuzzySetResults, CloneCopiesForTheSameVariable) {
  A->SetComment("c");
  A->SetTag(7);
  A->SetExpression("s(1, 9)");
  const Intf<IFuzzySet> C = AsIntf<IFuzzySet>(A->Clone());
  EXPECT_EQ(C->GetVariable(), V);
  EXPECT_EQ(C->GetParser(), A->GetParser());
  EXPECT_EQ(C->GetName(), "a");
  EXPECT_EQ(PointsOf(C), PointsOf(A));
  EXPECT_EQ(C->GetSetType(), fstGrowthCurve);
  EXPECT_EQ(C->GetInflectionPoint(), 4);
  EXPECT_EQ(C->GetExpression(), "s(1, 9)");
  EXPECT_FALSE(C->GetDefined());
  EXPECT_EQ(C->GetComment(), "");
  EXPECT_EQ(C->GetTag(), 0);
  EXPECT_EQ(C->GetIndex(), 0);
  EXPECT_EQ(V->ContainsFuzzySet("a"), A);
}

TEST_F(IFuzzySetResults, CloneForAnotherVariableTakesItsParserAndThePointsOnly) {
  const Intf<IFuzzyVariable> W = MakeIVariable("w", 0, 10);
  TNamePrinter Other(nullptr);
  W->SetParser(&Other);
  const Intf<IFuzzySet> C = A->Clone(W.get());
  EXPECT_EQ(C->GetVariable(), W);
  EXPECT_EQ(C->GetParser().get(), static_cast<IFuzzyParser*>(&Other));
  EXPECT_EQ(PointsOf(C), PointsOf(A));
  EXPECT_EQ(C->GetSetType(), fstUserDefined);
  EXPECT_EQ(C->GetExpression(), "");
  EXPECT_EQ(C->GetName(), "a");
  EXPECT_FALSE(C->GetDefined());
  EXPECT_EQ(W->GetCount(), 0);
  W->SetParser(nullptr);
}

TEST_F(IFuzzySetResults, AssignFromAnInterfaceCopiesAllButIdentity) {
  const Intf<IFuzzySet> Target = MakeISet(nullptr, "target", {{0, 1}});
  Target->SetComment("kept");
  Target->SetExpression("old");
  Target->Assign(static_cast<IInterface*>(A.get()));
  EXPECT_EQ(Target->GetName(), "target");
  EXPECT_EQ(Target->GetComment(), "kept");
  EXPECT_FALSE(Target->GetDefined());
  EXPECT_EQ(Target->GetVariable(), V);
  EXPECT_EQ(Target->GetParser().get(), static_cast<IFuzzyParser*>(&Parser));
  EXPECT_EQ(PointsOf(Target), PointsOf(A));
  EXPECT_EQ(Target->GetInflectionPoint(), 4);
  EXPECT_EQ(Target->GetSetType(), fstUserDefined);
  EXPECT_EQ(Target->GetExpression(), A->GetExpression());
  // Anything that is no set: nothing.
  Target->Assign(V.get());
  EXPECT_EQ(PointsOf(Target), PointsOf(A));
}

TEST_F(IFuzzySetResults, AssignFromAnObjectCopiesTheNameWithoutReKeying) {
  TIFuzzySet& Target = dynamic_cast<TIFuzzySet&>(*B);
  Target.Assign(static_cast<const TPersistent*>(&dynamic_cast<TIFuzzySet&>(*A)));
  EXPECT_EQ(B->GetName(), "a");
  EXPECT_EQ(V->ContainsFuzzySet("b"), B);
  EXPECT_EQ(PointsOf(B), PointsOf(A));
  TFuzzyVariable Plain(nullptr);
  EXPECT_THROW_MSG(Target.Assign(&Plain), EConvertError, "Cannot assign a TFuzzyVariable to a TCountedISet");
}

TEST_F(IFuzzySetResults, ACopyOntoItselfChangesNothing) {
  TIEventLog Log(*V);
  const std::vector<Pt> Before = PointsOf(A);
  TIFuzzySet& Self = dynamic_cast<TIFuzzySet&>(*A);
  A->AssignValues(A.get());
  A->Assign(static_cast<IInterface*>(A.get()));
  Self.Assign(static_cast<const TPersistent*>(&Self));
  Self.GetValues()->AssignValues(A.get());
  EXPECT_EQ(PointsOf(A), Before);
  EXPECT_EQ(A->GetSetType(), fstGrowthCurve);
  EXPECT_EQ(A->GetName(), "a");
  EXPECT_THAT(Log.Take(), IsEmpty());
}

// ---------------------------------------------------------------------------------------------
// Comparisons

TEST_F(IFuzzySetTest, EqualityWithoutVariableUsesTheCollectionFormsThreshold) {
  // A peak just below, at and above 0.01 over the other set's plateau.
  for (const TFzyFloat Peak : {0.005, 0.01, 0.02}) {
    const std::vector<Pt> Low = {{0, 0}, {5, Peak}, {10, 0}};
    const std::vector<Pt> Plateau = {{0, 1}, {10, 1}};
    const Intf<IFuzzySet> IA = MakeISet(nullptr, "a", Low);
    const Intf<IFuzzySet> IB = MakeISet(nullptr, "b", Plateau);
    const auto CA = test::MakeSet(Low, "a");
    const auto CB = test::MakeSet(Plateau, "b");
    EXPECT_EQ(IA->Equals(IB.get()), CA->Equals(CB.get())) << Peak;
    EXPECT_EQ(IA->Equals(IB.get()), Peak >= 0.01) << Peak;
  }
}

TEST_F(IFuzzySetTest, EqualityWithAVariableUsesItsThreshold) {
  const Intf<IFuzzyVariable> V = MakeIVariable("t");
  const Intf<IFuzzySet> A = MakeISet(V.get(), "a", {{0, 0}, {5, 0.3}, {10, 0}});
  const Intf<IFuzzySet> B = MakeISet(nullptr, "b", {{0, 1}, {10, 1}});
  V->SetThreshold(0.3);
  EXPECT_TRUE(A->Equals(B.get()));
  V->SetThreshold(0.31);
  EXPECT_FALSE(A->Equals(B.get()));
  EXPECT_TRUE(B->Equals(A.get()));  // B has no variable: 0.01
}

TEST_F(IFuzzySetTest, ComparingWithSomethingThatIsNoSet) {
  const Intf<IFuzzyVariable> V = MakeIVariable("t");
  const Intf<IFuzzySet> A = MakeISet(nullptr, "a", kTriangle);
  EXPECT_FALSE(A->Equals(V.get()));
  EXPECT_FALSE(A->Equals(nullptr));
  EXPECT_EQ(A->FuzzyEquals(V.get()), 0.0f);
  EXPECT_EQ(A->FuzzyEquals(nullptr), 0.0f);
  EXPECT_FALSE(A->Intersects(nullptr));
  const Intf<IFuzzySet> E1 = MakeISet(nullptr, "e1", {});
  const Intf<IFuzzySet> E2 = MakeISet(nullptr, "e2", {});
  EXPECT_TRUE(E1->Equals(E2.get()));
  EXPECT_EQ(A->FuzzyEquals(A.get()), 1.0f);
}

TEST_F(IFuzzySetTest, TheHighestPointOfAnEqualXRun) {
  const Intf<IFuzzySet> S = MakeISet(nullptr, "s", {{0, 0}, {5, 0.2}, {5, 0.9}, {5, 0.4}, {10, 0}});
  EXPECT_EQ(TIFuzzySet::GetMaxYValueOfX(S.get(), 1, +1), 2);
  EXPECT_EQ(TIFuzzySet::GetMaxYValueOfX(S.get(), 3, -1), 2);
  EXPECT_EQ(TIFuzzySet::GetMaxYValueOfX(S.get(), 0, +1), 0);
  EXPECT_EQ(TIFuzzySet::GetMaxYValueOfX(S.get(), 4, +1), 4);
  EXPECT_THROW_MSG(TIFuzzySet::GetMaxYValueOfX(S.get(), 5, +1), EListError, "List index out of bounds (5)");
}

}  // namespace
}  // namespace tarnwick
