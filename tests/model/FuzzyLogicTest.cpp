// The logic components: their settings, the threshold handed to every variable, the automatic
// terms, the seven events with their orders, the definition text kept in step with the model
// through a parser, the parser link through free notification, and quiet destruction.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "LineParser.h"
#include "ModelTestSupport.h"
#include "tarnwick/model/FuzzyConsts.h"
#include "tarnwick/model/FuzzyLogicComponent.h"
#include "tarnwick/model/FuzzyParserBase.h"
#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/model/FuzzyVariable.h"
#include "tarnwick/model/IFuzzyLogic.h"
#include "tarnwick/platform/Classes.h"
#include "tarnwick/platform/Component.h"
#include "tarnwick/platform/Strings.h"

namespace tarnwick {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using test::Concat;
using test::TLineParser;
using test::NamesOf;
using test::PointsOf;
using test::Pt;
using test::Repeat;
using test::TEventLog;

void AssignText(TCustomFuzzyLogic& Logic, std::string_view Text) {
  TStringList Lines;
  Lines.SetText(Text);
  Logic.SetStrings(&Lines);
}

// A logic component and a parser linked both ways, automatic terms off, events logged.
class FuzzyLogicStrings : public ::testing::Test {
 protected:
  FuzzyLogicStrings() {
    Logic.SetAutoTerms(false);
    Parser.SetFuzzyLogic(&Logic);
    Logic.SetParser(&Parser);
  }
  TFuzzyVariables& Items() { return *Logic.GetItems(); }
  std::string Text() { return Logic.GetStrings()->GetText(); }

  TFuzzyLogic Logic{nullptr};
  TEventLog Log{Logic};
  TLineParser Parser{nullptr, &Log.Events};
};

class TCountingLogic : public TFuzzyLogic {
 public:
  using TFuzzyLogic::TFuzzyLogic;
  using TComponent::SetDesigning;
  int ThresholdChanges = 0;

 protected:
  void ThresholdChanged() override {
    ++ThresholdChanges;
    TFuzzyLogic::ThresholdChanged();
  }
};

// ---------------------------------------------------------------------------------------------
// Settings

TEST(FuzzyLogicSettings, Defaults) {
  TFuzzyLogic Logic(nullptr);
  EXPECT_EQ(Logic.GetNumFunctionValues(), 7);
  EXPECT_EQ(Logic.GetDefuzzificationMethod(), dmCenterOfGravity);
  EXPECT_EQ(Logic.GetParser(), nullptr);
  EXPECT_EQ(Logic.GetStrings()->GetCount(), 0);
  EXPECT_FALSE(Logic.GetNeedsUpdate());
  EXPECT_EQ(Logic.GetVariables()->GetCount(), 0);
  EXPECT_FALSE(Logic.GetVariables()->GetCaseSensitive());
  EXPECT_TRUE(Logic.GetAutoTerms());
  EXPECT_EQ(Logic.GetCorrelationMethod(), fcmMinimum);
  EXPECT_EQ(Logic.GetInferenceMethod(), fimMinMax);
  EXPECT_EQ(Logic.GetThreshold(), 0.01);
  EXPECT_EQ(Logic.GetItems()->GetCount(), 0);
  EXPECT_EQ(Logic.GetItems()->GetFuzzy(), &Logic);
}

TEST(FuzzyLogicSettings, ThresholdIsClampedAndHandedToEveryVariable) {
  TCountingLogic Logic(nullptr);
  TEventLog Log(Logic);
  TFuzzyVariable* A = Logic.GetItems()->Add("a");
  TFuzzyVariable* B = Logic.GetItems()->Add("b");
  EXPECT_EQ(A->GetThreshold(), 0.01) << "copied when it joined";
  B->SetThreshold(0.9);
  TLineParser Parser(nullptr);
  Logic.SetParser(&Parser);
  Logic.GetStrings();  // brings the text up to date
  ASSERT_FALSE(Logic.GetNeedsUpdate());
  Log.Take();
  struct Case {
    TFzyFloat In, Stored;
  };
  for (const Case& C : {Case{2, 1}, Case{-1, 0}, Case{0.5, 0.5}}) {
    Logic.SetThreshold(C.In);
    EXPECT_EQ(Logic.GetThreshold(), C.Stored) << C.In;
    EXPECT_EQ(A->GetThreshold(), C.Stored) << C.In;
    EXPECT_EQ(B->GetThreshold(), C.Stored) << C.In;
  }
  EXPECT_EQ(Logic.ThresholdChanges, 3);
  Logic.SetThreshold(0.5);
  EXPECT_EQ(Logic.ThresholdChanges, 3) << "the current value again changes nothing";
  // Handing the threshold on is no change of the model.
  EXPECT_THAT(Log.Take(), IsEmpty());
  EXPECT_FALSE(Logic.GetNeedsUpdate());
  // A variable joining later gets the current value, whatever it held.
  TFuzzyVariable Loose(nullptr);
  Loose.SetThreshold(0.8);
  Loose.SetName("loose");
  Loose.SetCollection(Logic.GetItems());
  EXPECT_EQ(Loose.GetThreshold(), 0.5);
  Loose.SetCollection(static_cast<TFuzzyVariables*>(nullptr));
}

TEST(FuzzyLogicSettings, ThresholdStaysInTheUnitIntervalForANaN) {
  TFuzzyLogic Logic(nullptr);
  TFuzzyVariable* V = Logic.GetItems()->Add("v");
  Logic.SetThreshold(std::nan(""));
  const TFzyFloat T = Logic.GetThreshold();
  EXPECT_TRUE(T >= 0 && T <= 1) << T;
  EXPECT_TRUE(V->GetThreshold() >= 0 && V->GetThreshold() <= 1) << V->GetThreshold();
}

TEST(FuzzyLogicSettings, NumFunctionValuesIsHeldBetweenTwoAndTheCeiling) {
  struct Case {
    std::int32_t In, Stored;
  };
  TFuzzyLogic Logic(nullptr);
  for (const Case& C : {Case{1, 2}, Case{0, 2}, Case{-5, 2}, Case{2, 2}, Case{3, 3}, Case{7, 7}, Case{100, 100},
                        Case{1000, 1000}, Case{1001, 1000}, Case{2000000000, 1000}, Case{INT32_MAX, 1000}}) {
    Logic.SetNumFunctionValues(C.In);
    EXPECT_EQ(Logic.GetNumFunctionValues(), C.Stored) << C.In;
  }
}

TEST(FuzzyLogicSettings, VariablesListIsStoredOnlyAndIgnoresCase) {
  TFuzzyLogic Logic(nullptr);
  TEventLog Log(Logic);
  TStringList Values;
  Values.Add("Speed=3");
  Values.Add("angle=0.5");
  Logic.SetVariables(&Values);
  Values.Clear();
  EXPECT_EQ(Logic.GetVariables()->GetCount(), 2) << "copied, not shared";
  EXPECT_EQ(Logic.GetVariables()->GetValue("SPEED"), "3");
  EXPECT_EQ(Logic.GetVariables()->GetValue("Angle"), "0.5");
  Logic.GetVariables()->SetValue("speed", "4");
  EXPECT_EQ(Logic.GetVariables()->GetValue("Speed"), "4");
  EXPECT_THAT(Log.Take(), IsEmpty());
  EXPECT_FALSE(Logic.GetNeedsUpdate());
}

// ---------------------------------------------------------------------------------------------
// Automatic terms

TEST(FuzzyLogicAutoTerms, AVariableAddedGetsThreeTermsOverItsRange) {
  TFuzzyLogic Logic(nullptr);
  TFuzzyVariable* V = Logic.GetItems()->Add("v");
  ASSERT_THAT(NamesOf(*V->GetItems()), ElementsAre("low", "medium", "high"));
  const TFuzzySets& Sets = *V->GetItems();
  EXPECT_THAT(PointsOf(*Sets[0]), ElementsAre(Pt{0, 1}, Pt{1, 0}));
  EXPECT_THAT(PointsOf(*Sets[1]), ElementsAre(Pt{0, 0}, Pt{0.5, 1}, Pt{1, 0}));
  EXPECT_THAT(PointsOf(*Sets[2]), ElementsAre(Pt{0, 0}, Pt{1, 1}));
  for (std::int32_t I = 0; I < 3; ++I) {
    EXPECT_EQ(Sets[I]->GetExpression(), "") << I;
    EXPECT_TRUE(Sets[I]->GetDefined()) << I;
  }
  EXPECT_EQ(V->GetItemIndex(), 2);
}

TEST(FuzzyLogicAutoTerms, OffMeansNone) {
  TFuzzyLogic Logic(nullptr);
  Logic.SetAutoTerms(false);
  EXPECT_EQ(Logic.GetItems()->Add("v")->GetItems()->GetCount(), 0);
  EXPECT_EQ(Logic.GetItems()->Insert(0)->GetItems()->GetCount(), 0);
}

TEST(FuzzyLogicAutoTerms, ReattachedVariableGetsTheMissingTermsOverItsNewRange) {
  TFuzzyLogic Logic(nullptr);
  TEventLog Log(Logic);
  TFuzzyVariable* V = Logic.GetItems()->Add("speed");
  // The parser's way: detach, drop the terms the definition does not name, set the range,
  // put the variable back.
  V->SetCollection(static_cast<TFuzzyVariables*>(nullptr));
  delete V->GetItems()->GetItemByName("low");
  delete V->GetItems()->GetItemByName("high");
  V->SetMaximum(30);
  V->SetMinimum(10);
  Log.Take();
  V->SetCollection(Logic.GetItems());
  const auto Term = [](const std::string& Name) {
    return Concat({{"OnFuzzySetAdded()", "OnVariableChange(speed)", "OnFuzzySetChange(" + Name + ")"},
                   Repeat("OnFuzzySetChange(" + Name + ")", 4)});
  };
  EXPECT_THAT(Log.Take(),
              ElementsAreArray(Concat({{"OnVariableAdded(speed)"}, Term("low"), Term("high"), {"OnChange"}})));
  const TFuzzySets& Sets = *V->GetItems();
  ASSERT_THAT(NamesOf(Sets), ElementsAre("medium", "low", "high"));
  EXPECT_THAT(PointsOf(*Sets[0]), ElementsAre(Pt{0, 0}, Pt{0.5, 1}, Pt{1, 0})) << "an existing term stays";
  EXPECT_THAT(PointsOf(*Sets[1]), ElementsAre(Pt{10, 1}, Pt{30, 0}));
  EXPECT_THAT(PointsOf(*Sets[2]), ElementsAre(Pt{10, 0}, Pt{30, 1}));
  EXPECT_EQ(Sets[1]->GetExpression(), "");
  EXPECT_EQ(Sets[2]->GetExpression(), "");
  EXPECT_EQ(V->GetItemIndex(), 2);

  // The same over a fresh range, all three missing: medium is the triangle over the range.
  V->SetCollection(static_cast<TFuzzyVariables*>(nullptr));
  V->GetItems()->Clear();
  V->SetMaximum(30);
  V->SetMinimum(10);
  V->SetCollection(Logic.GetItems());
  EXPECT_THAT(PointsOf(*V->GetItems()->GetItemByName("medium")), ElementsAre(Pt{10, 0}, Pt{20, 1}, Pt{30, 0}));
}

TEST(FuzzyLogicAutoTerms, CalledDirectlyAddsOnlyWhatIsMissing) {
  TFuzzyLogic Logic(nullptr);
  TFuzzyVariable* V = Logic.GetItems()->Add("v");
  Logic.AddAutoTerms(V);
  EXPECT_THAT(NamesOf(*V->GetItems()), ElementsAre("low", "medium", "high"));
  TFuzzyVariable Loose(nullptr);
  Loose.GetItems()->Add("high");
  Loose.SetMinimum(-1);
  Logic.AddAutoTerms(&Loose);  // works on any variable, over its own range
  EXPECT_THAT(NamesOf(*Loose.GetItems()), ElementsAre("high", "low", "medium"));
  EXPECT_THAT(PointsOf(*Loose.GetItems()->GetItem(1)), ElementsAre(Pt{-1, 1}, Pt{1, 0}));
  EXPECT_EQ(Loose.GetItems()->GetItem(0)->GetValues()->GetCount(), 0);
}

TEST(FuzzyLogicAutoTerms, TermNamesAreTheResourceStrings) {
  SetResStringText(SMediumFuzzyTerm.Name, "mid");
  {
    TFuzzyLogic Logic(nullptr);
    EXPECT_THAT(NamesOf(*Logic.GetItems()->Add("v")->GetItems()), ElementsAre("low", "mid", "high"));
  }
  ResetResStringText(SMediumFuzzyTerm.Name);
}

// ---------------------------------------------------------------------------------------------
// Event orders

TEST(FuzzyLogicEvents, AVariableJoinsInsideAnUpdateBlock) {
  TFuzzyLogic Logic(nullptr);
  TEventLog Log(Logic);
  Logic.GetItems()->BeginUpdate();
  Logic.GetItems()->Add("speed");
  const auto Term = [](const std::string& Name, int PointReports) {
    return Concat({{"OnFuzzySetAdded()", "OnFuzzySetChange(" + Name + ")"},
                   Repeat("OnFuzzySetChange(" + Name + ")", PointReports)});
  };
  EXPECT_THAT(Log.Take(), ElementsAreArray(Concat({{"OnVariableAdded()"}, Term("low", 4), Term("medium", 1),
                                                   Term("high", 4)})));
  Logic.GetItems()->EndUpdate();
  EXPECT_THAT(Log.Take(), ElementsAre("OnChange"));
}

TEST(FuzzyLogicEvents, SetItemsCopiesInOneBlock) {
  TFuzzyLogic Source(nullptr);
  Source.SetAutoTerms(false);
  TFuzzyVariable* A = Source.GetItems()->Add("a");
  A->SetUnits("m");
  A->GetItems()->Add("s")->GetValues()->Add(0, 1);
  TFuzzyLogic Logic(nullptr);
  Logic.SetAutoTerms(false);
  Logic.GetItems()->Add("x");
  TEventLog Log(Logic);
  Logic.SetItems(Source.GetItems());
  EXPECT_THAT(Log.Take(), ElementsAre("OnVariableDeleted(x)", "OnVariableAdded()", "OnFuzzySetAdded()", "OnChange"));
  ASSERT_THAT(NamesOf(*Logic.GetItems()), ElementsAre("a"));
  TFuzzyVariable* Copy = Logic.GetItems()->GetItem(0);
  EXPECT_NE(Copy, A);
  EXPECT_EQ(Copy->GetUnits(), "m");
  EXPECT_THAT(NamesOf(*Copy->GetItems()), ElementsAre("s"));
  EXPECT_THAT(PointsOf(*Copy->GetItems()->GetItem(0)), ElementsAre(Pt{0, 1}));
  EXPECT_TRUE(Logic.GetNeedsUpdate());
}

TEST(FuzzyLogicEvents, UnassignedEventsFireNothing) {
  TFuzzyLogic Logic(nullptr);  // no handler at all: every report just marks the text
  TFuzzyVariable* V = Logic.GetItems()->Add("v");
  V->GetItems()->GetItem(0)->GetValues()->GetItem(0)->SetY(0.5);
  delete V->GetItems()->GetItem(1);
  delete V;
  EXPECT_TRUE(Logic.GetNeedsUpdate());
  EXPECT_EQ(Logic.GetItems()->GetCount(), 0);
}

TEST(FuzzyLogicEvents, EveryKindOfChangeMarksTheTextOutOfDate) {
  struct Case {
    const char* What;
    std::function<void(TFuzzyLogic&)> Change;
  };
  const Case Cases[] = {
      {"variable added", [](TFuzzyLogic& L) { L.GetItems()->Add(); }},
      {"variable property", [](TFuzzyLogic& L) { L.GetItems()->GetItem(0)->SetComment("c"); }},
      {"variable freed", [](TFuzzyLogic& L) { delete L.GetItems()->GetItem(0); }},
      {"set added", [](TFuzzyLogic& L) { L.GetItems()->GetItem(0)->GetItems()->Add(); }},
      {"set renamed", [](TFuzzyLogic& L) { L.GetItems()->GetItem(0)->GetItems()->GetItem(0)->SetName("q"); }},
      {"point moved", [](TFuzzyLogic& L) {
         L.GetItems()->GetItem(0)->GetItems()->GetItem(0)->GetValues()->GetItem(0)->SetY(0.7);
       }},
      {"set freed", [](TFuzzyLogic& L) { delete L.GetItems()->GetItem(0)->GetItems()->GetItem(0); }},
  };
  for (const Case& C : Cases) {
    TFuzzyLogic Logic(nullptr);
    TLineParser Parser(nullptr);
    Parser.SetFuzzyLogic(&Logic);
    Logic.SetParser(&Parser);
    AssignText(Logic, "v 0 1\n");  // AutoTerms: v has low, medium, high
    ASSERT_FALSE(Logic.GetNeedsUpdate()) << C.What;
    C.Change(Logic);
    EXPECT_TRUE(Logic.GetNeedsUpdate()) << C.What;
  }
}

// ---------------------------------------------------------------------------------------------
// Strings and Parse

TEST_F(FuzzyLogicStrings, AssignedTextReadsBackAsAssigned) {
  AssignText(Logic, "speed 0 100\nangle -90 90\n");
  EXPECT_THAT(Parser.Texts, ElementsAre("speed 0 100\r\nangle -90 90\r\n"));
  EXPECT_THAT(Parser.Encodings, ElementsAre(nullptr));
  EXPECT_THAT(NamesOf(Items()), ElementsAre("speed", "angle"));
  EXPECT_EQ(Items()[1]->GetMinimum(), -90);
  EXPECT_FALSE(Logic.GetNeedsUpdate());
  EXPECT_EQ(Text(), "speed 0 100\r\nangle -90 90\r\n");
  EXPECT_EQ(Parser.Prints, 0);
}

TEST_F(FuzzyLogicStrings, ClearsThenParses) {
  TFuzzyVariable* Old = Items().Add("old");
  Old->GetItems()->Add("s");
  Log.Take();
  AssignText(Logic, "a 0 10\n");
  EXPECT_THAT(Log.Take(), ElementsAre("OnFuzzySetDeleted(s)", "OnVariableDeleted(old)", "OnChange",
                                      "ParseFuzzyLogic with 0 variables", "OnVariableAdded()", "OnChange",
                                      "OnVariableChange(a)", "OnVariableChange(a)"));
  EXPECT_THAT(NamesOf(Items()), ElementsAre("a"));
  // Parse on its own reads the stored text again, from an emptied model.
  Logic.Parse();
  EXPECT_THAT(Log.Take(), ElementsAre("OnVariableDeleted(a)", "OnChange", "ParseFuzzyLogic with 0 variables",
                                      "OnVariableAdded()", "OnChange", "OnVariableChange(a)",
                                      "OnVariableChange(a)"));
  EXPECT_THAT(Parser.Texts, ElementsAre("a 0 10\r\n", "a 0 10\r\n"));
}

TEST_F(FuzzyLogicStrings, AreReprintedAfterAChange) {
  AssignText(Logic, "a 0 10\nb 5 6\n");
  struct Case {
    const char* What;
    std::function<void()> Change;
    std::string Expected;
  };
  const Case Cases[] = {
      {"units", [&] { Items()[0]->SetUnits("m"); }, "(var a)\r\n(var b)\r\n"},
      {"a new variable", [&] { Items().Add("c"); }, "(var a)\r\n(var b)\r\n(var c)\r\n"},
      {"a point", [&] { Items()[1]->GetItems()->Add("s")->GetValues()->Add(5, 1); }, "(var a)\r\n(var b)\r\n"},
      {"a freed variable", [&] { delete Items()[0]; }, "(var b)\r\n"},
  };
  for (const Case& C : Cases) {
    AssignText(Logic, "a 0 10\nb 5 6\n");
    ASSERT_EQ(Text(), "a 0 10\r\nb 5 6\r\n") << C.What;
    const int PrintsBefore = Parser.Prints;
    C.Change();
    EXPECT_TRUE(Logic.GetNeedsUpdate()) << C.What;
    EXPECT_EQ(Text(), C.Expected) << C.What;
    EXPECT_FALSE(Logic.GetNeedsUpdate()) << C.What;
    const int PrintsAfter = Parser.Prints;
    EXPECT_EQ(PrintsAfter - PrintsBefore, Items().GetCount()) << C.What << ": one print per variable";
    EXPECT_EQ(Text(), C.Expected) << C.What;
    EXPECT_EQ(Parser.Prints, PrintsAfter) << C.What << ": printed once, then kept";
  }
}

TEST_F(FuzzyLogicStrings, APrintedVariableIsOneEntry) {
  Parser.Multiline = true;
  AssignText(Logic, "a 0 10\nb 5 6\n");
  Items()[0]->SetUnits("m");
  TStrings* Lines = Logic.GetStrings();
  ASSERT_EQ(Lines->GetCount(), 2);
  EXPECT_EQ(Lines->Get(0), "(var a\r\n  (units m))");
  EXPECT_EQ(Lines->Get(1), "(var b\r\n  (units ))");
}

TEST_F(FuzzyLogicStrings, AFailedPrintEndsItsUpdateBlock) {
  AssignText(Logic, "a 0 10\nboom 0 1\nc 0 1\n");
  auto* Lines = dynamic_cast<TStringList*>(Logic.GetStrings());
  ASSERT_NE(Lines, nullptr);
  int Changes = 0;
  Lines->SetOnChange([&](TObject*) { ++Changes; });
  Parser.FailOn = "boom";
  Items()[0]->SetUnits("m");
  EXPECT_THROW_MSG(Logic.GetStrings(), EFzyException, "cannot print boom");
  EXPECT_FALSE(Logic.GetNeedsUpdate());
  EXPECT_EQ(Changes, 1) << "the text's update block ended on the error";
  EXPECT_EQ(Text(), "(var a)\r\n") << "what was printed before the error";
  Parser.FailOn.clear();
  Items()[0]->SetUnits("km");
  EXPECT_EQ(Text(), "(var a)\r\n(var boom)\r\n(var c)\r\n");
  EXPECT_EQ(Changes, 2);
}

TEST_F(FuzzyLogicStrings, NotReprintedForSettings) {
  AssignText(Logic, "a 0 10\n");
  Logic.SetThreshold(0.7);
  Logic.SetNumFunctionValues(20);
  Logic.SetCorrelationMethod(fcmProduct);
  TStringList Values;
  Values.Add("a=1");
  Logic.SetVariables(&Values);
  EXPECT_FALSE(Logic.GetNeedsUpdate());
  EXPECT_EQ(Text(), "a 0 10\r\n");
  EXPECT_EQ(Parser.Prints, 0);
}

TEST_F(FuzzyLogicStrings, AFailedParseKeepsWhatItBuilt) {
  try {
    AssignText(Logic, "a 0 10\n!\nb 0 1\n");
    ADD_FAILURE() << "no exception";
  } catch (const EFzyException& E) {
    EXPECT_STREQ(E.what(), "bad definition") << "the parser's error passes unchanged";
  }
  EXPECT_THAT(NamesOf(Items()), ElementsAre("a"));
  EXPECT_TRUE(Logic.GetNeedsUpdate()) << "the parse added something";
  EXPECT_EQ(Text(), "(var a)\r\n") << "so the next read prints what was built";
}

TEST_F(FuzzyLogicStrings, AParseFailingAtOnceKeepsTheText) {
  Items().Add("old");
  EXPECT_THROW_MSG(AssignText(Logic, "!\n"), EFzyException, "bad definition");
  EXPECT_EQ(Items().GetCount(), 0) << "cleared before the parser ran";
  EXPECT_FALSE(Logic.GetNeedsUpdate());
  EXPECT_EQ(Text(), "!\r\n");
}

TEST_F(FuzzyLogicStrings, WithoutAParser) {
  AssignText(Logic, "a 0 10\n");
  Logic.SetParser(nullptr);
  Log.Take();
  // Parsing: raised before anything is cleared; the text given is kept.
  EXPECT_THROW_MSG(AssignText(Logic, "b 0 1\n"), EFzyException, "Parser not assigned.  Cannot parse");
  EXPECT_THROW_MSG(Logic.Parse(), EFzyException, "Parser not assigned.  Cannot parse");
  EXPECT_THAT(NamesOf(Items()), ElementsAre("a"));
  EXPECT_THAT(Log.Take(), IsEmpty());
  EXPECT_EQ(Text(), "b 0 1\r\n");
  // Printing: raised once; the mark is cleared first, so the next read gives the old text.
  Items()[0]->SetUnits("m");
  EXPECT_THROW_MSG(Logic.GetStrings(), EFzyException, "Parser not assigned.  Cannot parse");
  EXPECT_FALSE(Logic.GetNeedsUpdate());
  EXPECT_EQ(Text(), "b 0 1\r\n");
  EXPECT_THROW_MSG(Logic.UpdateStrings(), EFzyException, "Parser not assigned.  Cannot parse");
}

TEST_F(FuzzyLogicStrings, ParserWithoutItsOwnLink) {
  TLineParser Other(nullptr);
  Logic.SetParser(&Other);  // the host forgot the parser's side
  Items().Add("old");
  EXPECT_THROW_MSG(AssignText(Logic, "a 0 1\n"), EFzyParseException,
                   "Fuzzy Logic component must be specified to parse");
  EXPECT_THAT(Other.Texts, IsEmpty());
  EXPECT_EQ(Items().GetCount(), 0);
}

TEST_F(FuzzyLogicStrings, LoadingDoesNothing) {
  AssignText(Logic, "a 0 10\n");
  Log.Take();
  Logic.BeginLoading();
  AssignText(Logic, "b 0 1\n");
  Logic.Parse();
  EXPECT_THAT(Parser.Texts, ElementsAre("a 0 10\r\n")) << "no parse while loading";
  EXPECT_THAT(NamesOf(Items()), ElementsAre("a"));
  Items()[0]->SetUnits("m");
  EXPECT_TRUE(Logic.GetNeedsUpdate());
  EXPECT_EQ(Text(), "b 0 1\r\n") << "a read while loading only clears the mark";
  EXPECT_FALSE(Logic.GetNeedsUpdate());
  EXPECT_EQ(Parser.Prints, 0);
  Logic.SetParser(nullptr);
  Logic.Parse();  // no parser: still nothing while loading
  Items()[0]->SetUnits("km");
  EXPECT_EQ(Text(), "b 0 1\r\n");
  Logic.UpdateStrings();
  Logic.SetParser(&Parser);
  Logic.EndLoading();
  EXPECT_THAT(Parser.Texts, ElementsAre("a 0 10\r\n")) << "nor after loading";
  EXPECT_EQ(Text(), "b 0 1\r\n");
  EXPECT_THAT(Log.Take(), ElementsAre("OnVariableChange(a)", "OnVariableChange(a)"));
}

// A parser reads into the logic component it is linked to: a logic whose parser is linked to
// another one would have its text read into that one, so the parse is refused before anything
// changes, in both forms.
template <typename TLogic>
class ParserOfAnotherLogic : public ::testing::Test {
 protected:
  static std::vector<std::string> Names(const TFuzzyLogic& L) { return NamesOf(*L.GetItems()); }
  static std::vector<std::string> Names(const TIFuzzyLogic& L) {
    std::vector<std::string> Result;
    for (const Intf<IFuzzyVariable>& V : L.GetItems()->GetStoringOrder()) Result.push_back(V->GetName());
    return Result;
  }
};
using TLogicForms = ::testing::Types<TFuzzyLogic, TIFuzzyLogic>;
TYPED_TEST_SUITE(ParserOfAnotherLogic, TLogicForms);

TYPED_TEST(ParserOfAnotherLogic, IsRefusedNamingBothLogicsBeforeAnythingChanges) {
  TypeParam Logic1(nullptr);
  TypeParam Logic2(nullptr);
  TLineParser Parser(nullptr);
  TLineParser Own(nullptr);
  Logic1.SetName("Logic1");
  Logic2.SetName("Logic2");
  Parser.SetName("Parser1");
  Logic1.SetParser(&Parser);
  Parser.SetFuzzyLogic(&Logic1);
  AssignText(Logic1, "a 0 1\n");
  Logic2.SetParser(&Own);
  Own.SetFuzzyLogic(&Logic2);
  AssignText(Logic2, "b 0 1\n");

  Logic2.SetParser(&Parser);  // the host linked only this side
  const std::string Message = "Cannot parse Logic2 through Parser1, which parses into Logic1";
  EXPECT_THROW_MSG(AssignText(Logic2, "c 0 1\n"), EFzyException, Message);
  EXPECT_THROW_MSG(Logic2.Parse(), EFzyException, Message);
  EXPECT_THAT(this->Names(Logic1), ElementsAre("a"));
  EXPECT_THAT(this->Names(Logic2), ElementsAre("b"));
  EXPECT_THAT(Parser.Texts, ElementsAre("a 0 1\r\n"));
  EXPECT_EQ(Logic2.GetStrings()->GetText(), "c 0 1\r\n") << "the text given is kept, as without a parser";

  // Unnamed components are named by their class.
  Logic1.SetName("");
  Logic2.SetName("");
  Parser.SetName("");
  EXPECT_THROW_MSG(Logic2.Parse(), EFzyException,
                   "Cannot parse an unnamed " + Logic2.ClassName() + " through an unnamed TLineParser, which parses "
                   "into an unnamed " + Logic1.ClassName());
  // Linked back, the parser serves it.
  Parser.SetFuzzyLogic(&Logic2);
  Logic2.Parse();
  EXPECT_THAT(this->Names(Logic2), ElementsAre("c"));
}

TEST(CustomFuzzyLogic, ParsesAndMarksButPrintsNothing) {
  TCustomFuzzyLogic Logic(nullptr);
  std::vector<std::string> Calls;
  TLineParser Parser(nullptr, &Calls);
  EXPECT_THROW_MSG(AssignText(Logic, "x\n"), EFzyException, "Parser not assigned.  Cannot parse");
  EXPECT_THROW_MSG(Logic.UpdateStrings(), EFzyException, "Parser not assigned.  Cannot parse");
  Parser.SetFuzzyLogic(&Logic);
  Logic.SetParser(&Parser);
  AssignText(Logic, "x\ny\n");
  EXPECT_THAT(Calls, ElementsAre("ParseFuzzyLogic with -1 variables"));
  EXPECT_THAT(Parser.Texts, ElementsAre("x\r\ny\r\n"));
  EXPECT_FALSE(Logic.GetNeedsUpdate());
  Logic.UpdateStrings();  // with a parser: only the mark
  EXPECT_EQ(Logic.GetStrings()->GetText(), "x\r\ny\r\n");
  EXPECT_EQ(Parser.Prints, 0);
  Logic.BeginLoading();
  Logic.SetParser(nullptr);
  Logic.UpdateStrings();  // loading: no error
  Logic.Parse();
}

// ---------------------------------------------------------------------------------------------
// The parser link and the order of destruction

TEST(FuzzyLogicParserLink, ParserDestroyedFirst) {
  auto Logic = std::make_unique<TFuzzyLogic>(nullptr);
  auto Parser = std::make_unique<TLineParser>(nullptr);
  Parser->SetFuzzyLogic(Logic.get());
  Logic->SetParser(Parser.get());
  Parser.reset();
  EXPECT_EQ(Logic->GetParser(), nullptr);
  Logic->GetItems()->Add("v");
  EXPECT_EQ(Logic->GetItems()->GetItem(0)->ToString(), "v");
  EXPECT_THROW_MSG(Logic->GetStrings(), EFzyException, "Parser not assigned.  Cannot parse");
  Logic.reset();
}

TEST(FuzzyLogicParserLink, LogicDestroyedFirst) {
  auto Logic = std::make_unique<TFuzzyLogic>(nullptr);
  auto Parser = std::make_unique<TLineParser>(nullptr);
  Parser->SetFuzzyLogic(Logic.get());
  Logic->SetParser(Parser.get());
  Logic->GetItems()->Add("v");
  Logic.reset();
  EXPECT_EQ(Parser->GetFuzzyLogic(), nullptr);
  EXPECT_THROW_MSG(Parser->Parse("a 0 1\n", nullptr), EFzyParseException,
                   "Fuzzy Logic component must be specified to parse");
  Parser.reset();
}

TEST(FuzzyLogicParserLink, OneSidedLinksInEitherOrder) {
  for (bool LogicFirst : {false, true}) {
    // Only the logic's side.
    auto Logic = std::make_unique<TFuzzyLogic>(nullptr);
    auto Parser = std::make_unique<TLineParser>(nullptr);
    Logic->SetParser(Parser.get());
    if (LogicFirst) {
      Logic.reset();
      Parser.reset();
    } else {
      Parser.reset();
      EXPECT_EQ(Logic->GetParser(), nullptr);
      Logic.reset();
    }
    // Only the parser's side.
    Logic = std::make_unique<TFuzzyLogic>(nullptr);
    Parser = std::make_unique<TLineParser>(nullptr);
    Parser->SetFuzzyLogic(Logic.get());
    if (LogicFirst) {
      Logic.reset();
      EXPECT_EQ(Parser->GetFuzzyLogic(), nullptr);
      Parser.reset();
    } else {
      Parser.reset();
      Logic.reset();
    }
  }
}

TEST(FuzzyLogicParserLink, ReplacingAndDroppingTheParser) {
  TFuzzyLogic Logic(nullptr);
  auto P1 = std::make_unique<TLineParser>(nullptr);
  auto P2 = std::make_unique<TLineParser>(nullptr);
  Logic.SetParser(P1.get());
  Logic.SetParser(P1.get());  // the same again: nothing
  Logic.SetParser(P2.get());
  P1.reset();
  EXPECT_EQ(Logic.GetParser(), P2.get()) << "the old parser no longer reports to the logic";
  Logic.SetParser(nullptr);
  P2->SetFuzzyLogic(&Logic);
  P2.reset();  // its own link still stood: the logic hears of it, and keeps no parser
  EXPECT_EQ(Logic.GetParser(), nullptr);
}

TEST(FuzzyLogicParserLink, UnlinkingOneSideKeepsTheOtherSafe) {
  auto Logic = std::make_unique<TFuzzyLogic>(nullptr);
  auto Parser = std::make_unique<TLineParser>(nullptr);
  Parser->SetFuzzyLogic(Logic.get());
  Logic->SetParser(Parser.get());
  Parser->SetFuzzyLogic(nullptr);  // the parser withdraws; the logic's own link stands
  Parser.reset();
  EXPECT_EQ(Logic->GetParser(), nullptr);

  Parser = std::make_unique<TLineParser>(nullptr);
  Parser->SetFuzzyLogic(Logic.get());
  Logic->SetParser(Parser.get());
  Logic->SetParser(nullptr);  // the logic withdraws; the parser's own link stands
  Logic.reset();
  EXPECT_EQ(Parser->GetFuzzyLogic(), nullptr);
}

TEST(FuzzyLogicParserLink, SharedOwnerDestroysBothInEitherOrder) {
  for (bool ParserFirst : {false, true}) {
    auto Owner = std::make_unique<TComponent>(nullptr);
    TFuzzyLogic* Logic = nullptr;
    TLineParser* Parser = nullptr;
    if (ParserFirst) {
      Parser = new TLineParser(Owner.get());
      Logic = new TFuzzyLogic(Owner.get());
    } else {
      Logic = new TFuzzyLogic(Owner.get());
      Parser = new TLineParser(Owner.get());
    }
    Parser->SetFuzzyLogic(Logic);
    Logic->SetParser(Parser);
    AssignText(*Logic, "a 0 1\n");
    Owner.reset();
  }
}

TEST(FuzzyLogicParserLink, OwnedByEachOther) {
  {
    auto Logic = std::make_unique<TFuzzyLogic>(nullptr);
    auto* Parser = new TLineParser(Logic.get());
    Parser->SetFuzzyLogic(Logic.get());
    Logic->SetParser(Parser);
    AssignText(*Logic, "a 0 1\n");
    Logic.reset();  // takes its parser with it
  }
  {
    auto Parser = std::make_unique<TLineParser>(nullptr);
    auto* Logic = new TFuzzyLogic(Parser.get());
    Parser->SetFuzzyLogic(Logic);
    Logic->SetParser(Parser.get());
    AssignText(*Logic, "a 0 1\n");
    Parser.reset();  // takes its logic with it
  }
}

TEST(FuzzyLogicParserLink, ParserFreedInsideAnEvent) {
  TFuzzyLogic Logic(nullptr);
  Logic.SetAutoTerms(false);
  TEventLog Log(Logic);
  auto* Parser = new TLineParser(nullptr);
  Parser->SetFuzzyLogic(&Logic);
  Logic.SetParser(Parser);
  AssignText(Logic, "a 0 1\n");
  Log.AfterChange = [&] {
    delete std::exchange(Parser, nullptr);
  };
  Logic.GetItems()->Add("b");
  EXPECT_EQ(Parser, nullptr);
  EXPECT_EQ(Logic.GetParser(), nullptr);
  EXPECT_THROW_MSG(Logic.GetStrings(), EFzyException, "Parser not assigned.  Cannot parse");
  EXPECT_EQ(Logic.GetItems()->GetItem(1)->ToString(), "b");
}

// ---------------------------------------------------------------------------------------------
// Destruction

TEST(FuzzyLogicLifetime, DestructionFiresNothing) {
  for (bool InsideUpdate : {false, true}) {
    auto Logic = std::make_unique<TFuzzyLogic>(nullptr);
    TEventLog Log(*Logic);
    TLineParser Parser(nullptr);
    Parser.SetFuzzyLogic(Logic.get());
    Logic->SetParser(&Parser);
    AssignText(*Logic, "a 0 1\nb 2 3\n");  // with automatic terms
    Logic->GetItems()->GetItem(0)->GetItems()->Add("extra");
    if (InsideUpdate) {
      Logic->GetItems()->BeginUpdate();
      Logic->GetItems()->GetItem(1)->GetItems()->BeginUpdate();
    }
    Log.Take();
    Logic.reset();
    EXPECT_THAT(Log.Take(), IsEmpty()) << "inside update " << InsideUpdate;
    EXPECT_EQ(Parser.GetFuzzyLogic(), nullptr);
  }
}

TEST(FuzzyLogicLifetime, VariablesAndSetsFreedByTheHostFirst) {
  auto Logic = std::make_unique<TFuzzyLogic>(nullptr);
  TFuzzyVariable* V = Logic->GetItems()->Add("v");
  TFuzzySet* Low = V->GetItems()->GetItemByName("low");
  delete Low;
  delete V;
  Logic->GetItems()->Add("w");
  Logic.reset();
}

}  // namespace
}  // namespace tarnwick
