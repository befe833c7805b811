// The parser in the interface form: definitions read into a TIFuzzyLogic, the road of one text
// with its events in order, terms stored under their names whatever their value, the sets an
// evaluation works on held by no table, the interface entry points, the evaluator's results
// against the collection form's, set-carrying tokens, and the printer's order by Index.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "model/ModelTestSupport.h"
#include "parser/ParserTestSupport.h"
#include "tarnwick/model/FuzzyConsts.h"
#include "tarnwick/model/IFuzzyLogic.h"
#include "tarnwick/parser/KVFuzzyLogicParser.h"
#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/Strings.h"

namespace tarnwick {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using test::NamesByIndex;
using test::ParseMessage;
using TPoints = std::vector<std::pair<double, double>>;

TPoints PointsOf(const IFuzzySet* S) {
  TPoints R;
  for (Integer I = 0; I < S->GetCount(); ++I) R.emplace_back(S->GetXValues(I), S->GetYValues(I));
  return R;
}

TPoints PointsOf(const TFuzzySet* S) {
  TPoints R;
  const TFuzzySetValues& V = *S->GetValues();
  for (std::int32_t I = 0; I < V.GetCount(); ++I) R.emplace_back(V[I]->GetX(), V[I]->GetY());
  return R;
}

// The log every recording object writes to, with the numbers of unique names taken out.
std::vector<std::string> gLog;

std::string Unnumbered(const std::string& Name) { return std::regex_replace(Name, std::regex("FuzzySet[0-9]+"), "FuzzySet#"); }

// Sets and variables that count their live instances; the variable records its own set events
// from its birth, before any logic component links to them.
class TCountedSet : public TIFuzzySet {
 public:
  TCountedSet(IFuzzyVariable* Variable, const std::string& Name) : TIFuzzySet(Variable, Name) { ++Alive; }
  ~TCountedSet() override { --Alive; }
  TIFuzzySet* NewInstance(IFuzzyVariable* Variable, const std::string& Name) const override {
    return new TCountedSet(Variable, Name);
  }
  static inline int Alive = 0;
};

class TRecordingVariable : public TIFuzzyVariable {
 public:
  explicit TRecordingVariable(const std::string& Name) : TIFuzzyVariable(Name, TIFuzzySetClass::Of<TCountedSet>()) {
    ++Alive;
    SetOnFuzzySetAdded([](IFuzzyVariable* V, IFuzzySet* S) { Record("added", V, S); });
    SetOnFuzzySetDeleted([](IFuzzyVariable* V, IFuzzySet* S) { Record("deleted", V, S); });
  }
  ~TRecordingVariable() override { --Alive; }
  TIFuzzyVariable* NewInstance(const std::string& Name) const override { return new TRecordingVariable(Name); }
  static inline int Alive = 0;

 private:
  static void Record(const char* What, IFuzzyVariable* V, IFuzzySet* S) {
    gLog.push_back(V->GetName() + " " + What + " " + Unnumbered(S->GetName()));
  }
};

// A TIFuzzyLogic whose variables record and count, with its parser.
class IParserTest : public ::testing::Test {
 protected:
  IParserTest() {
    gLog.clear();
    TCountedSet::Alive = 0;
    TRecordingVariable::Alive = 0;
    Logic.SetItemClass(TIFuzzyVariableClass::Of<TRecordingVariable>());
    Logic.SetParser(&Parser);
    Parser.SetFuzzyLogic(&Logic);
  }

  void Assign(const std::string& Text) {
    TStringList Lines;
    Lines.SetText(Text);
    Logic.SetStrings(&Lines);
  }
  Intf<IFuzzyVariable> Var(const std::string& Name) const { return Logic.GetItems()->Get(Name); }
  Intf<IFuzzySet> Set(const std::string& Var, const std::string& Name) const {
    return this->Var(Var)->GetFuzzySetByName(Name);
  }
  // The sets alive besides those the variables' tables hold.
  int LooseSets() const {
    int Stored = 0;
    for (Integer I = 0; I < Logic.GetItems()->GetCount(); ++I) Stored += Logic.GetItems()->GetItemByIndex(I)->GetCount();
    return TCountedSet::Alive - Stored;
  }

  TIFuzzyLogic Logic{nullptr};
  TKVFuzzyLogicParser Parser{nullptr};
};

// --- Definitions

TEST_F(IParserTest, ADefinitionBecomesAVariableOfTheItemClassStoredUnderItsName) {
  Assign(
      "(deffuzzy temp \"air temperature\"\n"
      "  (range -10 40) (units C)\n"
      "  (values (term cold \"below zero\" ((-10 1) (0 0)))\n"
      "          (term warm (tri 10 20 30))\n"
      "          (term hot (s 20 40))))");
  ASSERT_EQ(Logic.GetItems()->GetCount(), 1);
  Intf<IFuzzyVariable> V = Var("temp");
  EXPECT_NE(dynamic_cast<TRecordingVariable*>(V.get()), nullptr);
  EXPECT_EQ(V->GetComment(), "air temperature");
  EXPECT_EQ(V->GetMinimum(), -10);
  EXPECT_EQ(V->GetMaximum(), 40);
  EXPECT_EQ(V->GetUnits(), "C");
  EXPECT_EQ(V->GetThreshold(), 0.01);
  EXPECT_EQ(V->GetParser().get(), static_cast<IFuzzyParser*>(&Parser));
  EXPECT_THAT(NamesByIndex(*V), ElementsAre("cold", "warm", "hot", "low", "medium", "high"));
  EXPECT_EQ(Set("temp", "cold")->GetComment(), "below zero");
  EXPECT_EQ(PointsOf(Set("temp", "cold").get()), (TPoints{{-10, 1}, {0, 0}}));
  EXPECT_EQ(Set("temp", "warm")->GetSetType(), fstTriangle);
  EXPECT_EQ(Set("temp", "hot")->GetSetType(), fstGrowthCurve);
  EXPECT_EQ(PointsOf(Set("temp", "low").get()), (TPoints{{-10, 1}, {40, 0}}));
  for (Integer I = 0; I < V->GetCount(); ++I) EXPECT_TRUE(V->GetFuzzySet(I)->GetDefined());
  // The sets it made on the way died: only the stored terms live.
  EXPECT_EQ(LooseSets(), 0);
}

// The road of one text: the variable is read whole before the table stores it; storing hands
// down the threshold, then adds the automatic terms, then links the set events, then fires
// OnVariableAdded; a term first lives under a unique name.
TEST_F(IParserTest, TheRoadOfOneDefinitionFiresItsEventsInOrder) {
  test::TILogicEventLog Events(Logic);
  Parser.SetOnParsing([](TObject*) { gLog.push_back("Parsing"); });
  Parser.SetOnParsed([](TObject*) { gLog.push_back("Parsed"); });
  Parser.SetOnParseFuzzySetIntf([&](IFuzzyVariable* Sender, IFuzzySet* S) {
    EXPECT_EQ(Sender->ContainsFuzzySet(S->GetName()).get(), S) << "the term is stored under its name";
    gLog.push_back("ParseFuzzySetIntf " + Sender->GetName() + " " + S->GetName());
  });
  Parser.SetOnParseFuzzyVariableIntf([&](IFuzzyVariable* V) {
    EXPECT_EQ(Logic.GetItems()->ContainsVariable(V->GetName()).get(), V);
    gLog.push_back("ParseFuzzyVariableIntf " + V->GetName());
  });
  Logic.SetOnVariableAdded([&](IFuzzyVariable* V) {
    EXPECT_EQ(V->GetThreshold(), Logic.GetThreshold());
    gLog.push_back("OnVariableAdded " + V->GetName());
  });
  Logic.SetOnVariableDeleted([](IFuzzyVariable* V) { gLog.push_back("OnVariableDeleted " + V->GetName()); });
  Logic.SetOnFuzzySetAdded([](IFuzzyVariable*, IFuzzySet* S) { gLog.push_back("OnFuzzySetAdded " + S->GetName()); });

  Assign("(deffuzzy t (range 10 30) (values (term low (tri 10 10 20))))");
  EXPECT_THAT(gLog, ElementsAre("Parsing",
                                // the term's set, first under its unique name, then under its own
                                "t added FuzzySet#", "t deleted FuzzySet#", "t added low", "ParseFuzzySetIntf t low",
                                // stored: the automatic terms the text left out, before the links
                                "t added medium", "t added high", "OnVariableAdded t",
                                "ParseFuzzyVariableIntf t", "Parsed"));
  EXPECT_EQ(PointsOf(Set("t", "medium").get()), (TPoints{{10, 0}, {20, 1}, {30, 0}}));
  EXPECT_EQ(Logic.GetStrings()->GetText(), "(deffuzzy t (range 10 30) (values (term low (tri 10 10 20))))\r\n");

  // A second text: the variables it replaces are not reported.
  gLog.clear();
  Assign("(deffuzzy u)");
  EXPECT_THAT(gLog, ElementsAre("Parsing", "u added low", "u added medium", "u added high", "OnVariableAdded u",
                                "ParseFuzzyVariableIntf u", "Parsed"));
  // Through the links: a set added to a stored variable.
  gLog.clear();
  Var("u")->Add("extra");
  EXPECT_THAT(gLog, ElementsAre("OnFuzzySetAdded extra"));
}

TEST_F(IParserTest, AFailedDefinitionLeavesNothingInTheTable) {
  std::vector<std::string> Parsed;
  Parser.SetOnParseFuzzyVariableIntf([&](IFuzzyVariable* V) { Parsed.push_back(V->GetName()); });
  EXPECT_THROW(Assign("(deffuzzy a) (deffuzzy b (range 0 4) (values (term x (tri 0 1 2)) (term y (tri 0 1))))"),
               EFzyParseException);
  EXPECT_THAT(Parsed, ElementsAre("a"));
  EXPECT_EQ(Logic.GetItems()->GetCount(), 1);
  EXPECT_TRUE(Var("a"));
  // b and its sets died with the parser's last reference.
  EXPECT_EQ(TRecordingVariable::Alive, 1);
  EXPECT_EQ(LooseSets(), 0);
}

TEST_F(IParserTest, ASecondDefinitionOfANameReplacesTheFirst) {
  Logic.SetAutoTerms(false);
  Assign("(deffuzzy v (range 0 1)) (deffuzzy w) (deffuzzy v (range 0 2))");
  EXPECT_EQ(Logic.GetItems()->GetCount(), 2);
  EXPECT_EQ(Var("v")->GetMaximum(), 2);
  EXPECT_EQ(TRecordingVariable::Alive, 2);
}

TEST_F(IParserTest, EachFormRefusesTheOtherFormsLogicComponent) {
  TFuzzyLogic Owned(nullptr);
  TKVFuzzyLogicParser OwnedParser(nullptr);
  OwnedParser.SetFuzzyLogic(&Owned);
  EXPECT_THROW_MSG(OwnedParser.ParseFuzzyVariableIntf("(deffuzzy a)", nullptr), EFzyParseException,
                   "FuzzyLogic property must be of type TIFuzzyLogic or descendant");
  EXPECT_THROW_MSG(Parser.ParseFuzzyVariable("(deffuzzy a)", nullptr), EFzyParseException,
                   "FuzzyLogic property must be of type TFuzzyLogic or descendant");
  EXPECT_EQ(Owned.GetItems()->GetCount(), 0);
  EXPECT_EQ(Logic.GetItems()->GetCount(), 0);
  // The header is read before the class is judged.
  EXPECT_THAT([&] { OwnedParser.ParseFuzzyVariableIntf("(foo)", nullptr); },
              ::testing::ThrowsMessage<EFzyParseException>(::testing::StartsWith("Parsing Error, Expected \"( deffuzzy\"")));
  TKVFuzzyLogicParser Unlinked(nullptr);
  EXPECT_THROW_MSG(Unlinked.ParseFuzzyVariableIntf("(deffuzzy a)", nullptr), EFzyParseException,
                   "Fuzzy Logic component must be specified to parse");
}

// Every operation of IFuzzyParser works when reached through the interface.
TEST_F(IParserTest, TheInterfaceEntryPointsWork) {
  Logic.SetAutoTerms(false);
  IFuzzyParser* P = &Parser;
  Intf<IFuzzyVariable> V = P->ParseFuzzyVariableIntf("(deffuzzy v (range 0 10)) (deffuzzy ignored)", nullptr);
  EXPECT_EQ(Logic.GetItems()->GetCount(), 1);
  EXPECT_EQ(Var("v"), V);
  Intf<IFuzzySet> Peak = P->ParseFuzzySet(V.get(), "(term peak \"top\" (tri 2 5 8))", nullptr);
  EXPECT_EQ(V->ContainsFuzzySet("peak"), Peak) << "a term read alone is stored too";
  EXPECT_EQ(Peak->GetComment(), "top");
  EXPECT_TRUE(Peak->GetDefined());

  Intf<IFuzzySet> Result = P->EvalFuzzyExpression(V.get(), "very peak");
  EXPECT_EQ(Result->GetName(), "very peak");
  EXPECT_FALSE(Result->GetDefined());
  Intf<IFuzzySet> Again;
  EXPECT_DOUBLE_EQ(P->EvalFuzzyExpression(V.get(), "peak", Again), Peak->CenterOfGravity());
  EXPECT_EQ(Again, Peak);
  Logic.SetDefuzzificationMethod(dmMeanOfMaxima);
  EXPECT_DOUBLE_EQ(P->EvalFuzzyExpression(V.get(), "peak", Again), 5);

  EXPECT_EQ(P->PrettyPrint(Peak.get(), true), "(term peak \"top\" (tri 2.0000 5.0000 8.0000))");
  EXPECT_EQ(P->PrettyPrint(Peak.get(), false), "peak");
  EXPECT_EQ(P->PrettyPrint(V.get()), "(deffuzzy v \r\n  (range 0.0000 10.0000)\r\n  (values \r\n"
                                     "    (term peak \"top\" (tri 2.0000 5.0000 8.0000))\r\n  )\r\n)");
  // Sets and variables print through their parser.
  EXPECT_EQ(Peak->ToString(), "peak");
  EXPECT_EQ(V->ToString(), P->PrettyPrint(V.get()));
  // A term needs no logic component.
  Intf<IFuzzyVariable> Free(new TIFuzzyVariable("free"));
  TKVFuzzyLogicParser Alone(nullptr);
  EXPECT_EQ(PointsOf(Alone.ParseFuzzySet(Free.get(), "(term t ((0 0) (1 1)))", nullptr).get()),
            (TPoints{{0, 0}, {1, 1}}));
  EXPECT_THAT([&] { Alone.ParseFuzzySet(static_cast<IFuzzyVariable*>(nullptr), "(term t ((0 0)))", nullptr); },
              ::testing::ThrowsMessage<EFzyParseException>(::testing::StrEq(
                  ParseMessage("fuzzy variable is not defined", "ParseFuzzyValuePairs", 1, "( term t "))));
}

// No object outlives its last reference, and none dies before it: after a parse only the
// stored variables and terms live; a variable kept by the host outlives the component and the
// table's other variables, and a set kept by the host outlives its variable.
TEST_F(IParserTest, NoObjectOutlivesItsLastReference) {
  std::ifstream In(std::string(TARNWICK_TEST_DATA_DIR) + "/expressions.fzl", std::ios::binary);
  std::ostringstream Text;
  Text << In.rdbuf();
  Intf<IFuzzyVariable> Kept;
  Intf<IFuzzySet> KeptSet;
  {
    TIFuzzyLogic Other(nullptr);
    TKVFuzzyLogicParser OtherParser(nullptr);
    Other.SetItemClass(TIFuzzyVariableClass::Of<TRecordingVariable>());
    Other.SetParser(&OtherParser);
    OtherParser.SetFuzzyLogic(&Other);
    Other.GetVariables()->SetText("x=very warm\ny=?x or cold");
    OtherParser.Parse(Text.str(), nullptr);
    int Stored = 0;
    for (Integer I = 0; I < Other.GetItems()->GetCount(); ++I) Stored += Other.GetItems()->GetItemByIndex(I)->GetCount();
    EXPECT_EQ(TCountedSet::Alive, Stored);
    EXPECT_EQ(TRecordingVariable::Alive, Other.GetItems()->GetCount());

    // Results of evaluations die with the caller's reference.
    Kept = Other.GetItems()->Get("logic");
    KeptSet = Other.GetItems()->Get("t")->GetFuzzySetByName("warm");
    static_cast<void>(OtherParser.EvalFuzzyExpression(Kept.get(), "very a and [b or c] + 0.1"));
    EXPECT_EQ(TCountedSet::Alive, Stored);
  }
  EXPECT_EQ(TRecordingVariable::Alive, 1);
  EXPECT_EQ(TCountedSet::Alive, Kept->GetCount() + 1);
  EXPECT_FALSE(KeptSet->GetVariable()) << "its variable died with the component's table";
  // The kept variable still has its links to the component that is gone: they must be dead.
  Kept->Add("new")->Add(0.5, 1);
  Kept->ContainsFuzzySet("a")->Add(5, 0.5);
  Kept->Remove(Kept->ContainsFuzzySet("new").get());
  Kept.reset();
  KeptSet.reset();
  EXPECT_EQ(TRecordingVariable::Alive, 0);
  EXPECT_EQ(TCountedSet::Alive, 0);
}

TEST_F(IParserTest, ATermNamedWithAReservedWordLeavesNoSetBehind) {
  Intf<IFuzzyVariable> V(new TRecordingVariable("v"));
  EXPECT_THROW_MSG(Parser.ParseFuzzySet(V.get(), "(term and ((0 0) (1 1)))", nullptr), EFzyException,
                   "Invalid fuzzy set name, \"and\" is a reserved word");
  EXPECT_EQ(V->GetCount(), 0);
  EXPECT_EQ(TCountedSet::Alive, 0);
}

// --- Terms and the sets an evaluation works on

// Every term ends up stored under its name, whatever made its set; the sets made on the way
// (numbers, copies before a hedge, chained hedges) are no terms and die.
TEST_F(IParserTest, EveryTermIsStoredAndNoWorkingSetBecomesATerm) {
  Logic.SetAutoTerms(false);
  Assign(
      "(deffuzzy v (range 0 1) (values"
      "  (term a (tri 0 0.25 0.5)) (term b (tri 0.25 0.5 0.75))"
      "  (term both a and b) (term either a or b) (term very-both very both)"
      "  (term lifted a + 0.1) (term chain very not b) (term spike 0.5) (term call somewhat (pi 0.2 0.6))))");
  EXPECT_THAT(NamesByIndex(*Var("v")),
              ElementsAre("a", "b", "both", "either", "very-both", "lifted", "chain", "spike", "call"));
  EXPECT_EQ(LooseSets(), 0);
  // The hedged copies name their source term, so that their expressions read back.
  EXPECT_EQ(Set("v", "very-both")->GetExpression(), "very [[a and b]]");
  EXPECT_EQ(Set("v", "chain")->GetExpression(), "very [[not b]]");
  EXPECT_EQ(Set("v", "lifted")->GetExpression(), "a + 0.1000");
  // The sources stayed as they were.
  EXPECT_EQ(PointsOf(Set("v", "b").get()), (TPoints{{0.25, 0}, {0.5, 1}, {0.75, 0}}));
  EXPECT_EQ(Set("v", "both")->GetExpression(), "a and b");
}

TEST_F(IParserTest, AFunctionCallWhoseHandlerDeliversAnotherSetLeavesNoTermBehind) {
  Logic.SetAutoTerms(false);
  Parser.SetOnCalcFuzzyIntfFunction(
      [](TObject*, const std::string&, IFuzzyStreamTokenList*, Intf<IFuzzySet>& Result, bool& Handled) {
        Intf<IFuzzySet> Own(new TIFuzzySet(Result->GetVariable().get(), "own"));
        Own->Add(0.5, 1);
        Result = Own;
        Handled = true;
      });
  Assign("(deffuzzy v (values (term t (mine 1))))");
  EXPECT_THAT(NamesByIndex(*Var("v")), ElementsAre("t"));
  EXPECT_EQ(PointsOf(Set("v", "t").get()), (TPoints{{0.5, 1}}));
}

TEST_F(IParserTest, ATermThatIsASingleNameRenamesThatSetAndMovesItToTheEnd) {
  Logic.SetAutoTerms(false);
  Assign("(deffuzzy v (values (term a (tri 0 0.5 1)) (term b (tri 0 0.25 0.5)) (term c a)))");
  EXPECT_THAT(NamesByIndex(*Var("v")), ElementsAre("b", "c"));
  EXPECT_FALSE(Var("v")->ContainsFuzzySet("a"));
}

// --- The evaluator

// The variable speed over [0, 10] with the terms high, low and medium, in both forms, and the
// binding x=high.
class BothEvaluators : public ::testing::Test {
 protected:
  BothEvaluators() {
    for (test::TFormModel* M : {&Owned, &Counted}) {
      M->Logic().SetAutoTerms(false);
      M->Logic().GetVariables()->SetText("x=high\ny=very ?x");
      M->Assign(
          "(deffuzzy speed (range 0 10) (values (term high ((0 0) (10 1))) (term low ((0 1) (10 0)))"
          " (term medium (tri 2 3 4))))");
    }
  }
  TFuzzyVariable* OwnedVar() const { return Owned.Collection().GetItems()->GetItemByName("speed"); }
  Intf<IFuzzyVariable> CountedVar() const { return Counted.Interface().GetItems()->Get("speed"); }

  test::TFormModel Owned{test::mfCollection};
  test::TFormModel Counted{test::mfInterface};
};

TEST_F(BothEvaluators, EachExpressionGivesTheSameSetInBothForms) {
  const char* const kExpressions[] = {
      "", "high", "very high", "high and low", "high or-mean low", "high and low or medium",
      "high and [ low or medium ]", "very not high", "not high and low", "very [ high or low ]", "high + 0.1",
      "high *X 2", "high + low", "high low", "2", "high + 2", "?x", "?y", "?nothing", "very (tri 0 0.5 1)",
      "very ((0 0) (1 1))", "somewhat (pi 2 5)", "__Empty or low", "__Empty or ?nothing", "high <=X 6",
      "medium >= 0.5", "extremely medium or-product low", "slightly medium", "about medium and-boundedsum high"};
  for (const char* Expression : kExpressions) {
    SCOPED_TRACE(Expression);
    const TFuzzySet* A = Owned.Parser.EvalFuzzyExpression(OwnedVar(), Expression);
    const Intf<IFuzzySet> B = Counted.Parser.EvalFuzzyExpression(CountedVar().get(), Expression);
    ASSERT_NE(A, nullptr);
    ASSERT_TRUE(B);
    EXPECT_EQ(B->GetName(), A->GetName());
    // A number's own set: the collection form gives it the number as its expression, the
    // interface form leaves it as made (empty); anything made of it names it alike.
    if (std::string(Expression) == "2")
      EXPECT_EQ(B->GetExpression(), "");
    else
      EXPECT_EQ(B->GetExpression(), A->GetExpression());
    EXPECT_EQ(B->GetSetType(), A->GetSetType());
    EXPECT_EQ(B->GetDefined(), A->GetDefined());
    const TPoints PA = PointsOf(A);
    const TPoints PB = PointsOf(B.get());
    ASSERT_EQ(PB.size(), PA.size());
    for (std::size_t I = 0; I < PA.size(); ++I) {
      EXPECT_NEAR(PB[I].first, PA[I].first, 1e-12) << I;
      EXPECT_NEAR(PB[I].second, PA[I].second, 1e-12) << I;
    }
  }
  // The terms are as they were, and no working set became one.
  EXPECT_THAT(NamesByIndex(*CountedVar()), ElementsAre("high", "low", "medium"));
  EXPECT_EQ(PointsOf(CountedVar()->ContainsFuzzySet("high").get()), (TPoints{{0, 0}, {10, 1}}));
}

TEST_F(BothEvaluators, ErrorsAreTheSameInBothForms) {
  const char* const kExpressions[] = {"nothing", "and high", "very", "high +", "high & low", "very ((0 0) (1))",
                                      "very ((0 a))", "[ high", "high ]", "high and-sum low", "(cone 1)", "()"};
  for (const char* Expression : kExpressions) {
    SCOPED_TRACE(Expression);
    const std::string A = test::MessageOf<Exception>(
        [&] { static_cast<void>(Owned.Parser.EvalFuzzyExpression(OwnedVar(), Expression)); });
    const std::string B = test::MessageOf<Exception>(
        [&] { static_cast<void>(Counted.Parser.EvalFuzzyExpression(CountedVar().get(), Expression)); });
    EXPECT_EQ(B, A);
    EXPECT_NE(A, "<no exception>");
  }
  EXPECT_EQ(test::MessageOf<Exception>(
                [&] { static_cast<void>(Counted.Parser.EvalFuzzyExpression(CountedVar().get(), "very")); }),
            ParseMessage("Missing fuzzy operand to be modified by hedge: very", "EvalFuzzyExpression", 1, " "));
  EXPECT_EQ(test::MessageOf<Exception>(
                [&] {
                  static_cast<void>(Counted.Parser.EvalFuzzyExpression(static_cast<IFuzzyVariable*>(nullptr), "high"));
                }),
            ParseMessage("fuzzy variable is not defined", "EvalFuzzyExpression", 1, " "));
}

// A quoted operand may name a set the evaluation itself made: the collection form finds it
// among its variable's items, the interface form looks up terms only.
TEST_F(BothEvaluators, AQuotedNameOfAWorkingSetIsATermOnlyInTheCollectionForm) {
  EXPECT_EQ(Owned.Parser.EvalFuzzyExpression(OwnedVar(), "2 or \"2\"")->GetName(), "2 or 2");
  EXPECT_THROW_MSG(static_cast<void>(Counted.Parser.EvalFuzzyExpression(CountedVar().get(), "2 or \"2\"")), EFzyParseException,
                   ParseMessage("Invalid item in fuzzy expression: \"2\"", "EvalFuzzyExpression", 1, " "));
}

TEST_F(BothEvaluators, OnEvalExpressionIntfSeesThePostfixTextAndMayReplaceTheResult) {
  std::vector<std::string> Seen;
  const Intf<IFuzzySet> Low = CountedVar()->ContainsFuzzySet("low");
  Counted.Parser.SetOnEvalExpressionIntf([&](IFuzzyVariable* Sender, const std::string& Text, Intf<IFuzzySet>& Result) {
    EXPECT_EQ(Sender, CountedVar().get());
    Seen.push_back(Text + " -> " + Result->GetName());
    if (Result->GetName() == "medium") Result = Low;
  });
  bool OwnedEvent = false;
  Counted.Parser.SetOnEvalExpression([&](TObject*, TFuzzyVariable*, const std::string&, TFuzzySet*&) { OwnedEvent = true; });
  EXPECT_EQ(Counted.Parser.EvalFuzzyExpression(CountedVar().get(), "high and low")->GetName(), "high and low");
  EXPECT_EQ(Counted.Parser.EvalFuzzyExpression(CountedVar().get(), "medium"), Low);
  // A binding's own text is evaluated, and reported, first.
  static_cast<void>(Counted.Parser.EvalFuzzyExpression(CountedVar().get(), "?x or low"));
  EXPECT_THAT(Seen, ElementsAre("(high low and) -> high and low", "(medium) -> medium", "(high) -> high",
                                "(?x low or) -> ?x or low"));
  EXPECT_FALSE(OwnedEvent);
}

// A token may carry a set of its own form; one of the other form is no operand.
TEST_F(BothEvaluators, SetCarryingTokensAreOperandsOfTheirOwnFormOnly) {
  Intf<IFuzzySet> Carried(new TIFuzzySet(CountedVar().get(), "carried"));
  Carried->CreateTriangleFunctionValues(1, 2, 3);
  TFuzzySet* OwnedSet = OwnedVar()->GetItems()->GetItemByName("medium");

  auto ListOf = [](std::initializer_list<Intf<IFuzzyStreamToken>> Tokens) {
    Intf<IFuzzyStreamTokenList> List(new TFuzzyStreamTokenList());
    for (const auto& T : Tokens) List->Add(T.get());
    return List;
  };
  auto Word = [](const std::string& Text) {
    Intf<IFuzzyStreamToken> T(new TFuzzyStreamToken());
    T->SetDataType(fstAtom);
    T->SetText(Text);
    return T;
  };
  Intf<IFuzzyStreamToken> CountedToken(new TFuzzyStreamToken());
  CountedToken->SetFuzzySetIntf(Carried.get());
  Intf<TFuzzyStreamToken> OwnedToken(new TFuzzyStreamToken());
  OwnedToken->SetFuzzySet(OwnedSet);

  Intf<IFuzzySet> R = Counted.Parser.EvalFuzzyExpression(CountedVar().get(), ListOf({CountedToken}).get());
  EXPECT_EQ(R, Carried);
  R = Counted.Parser.EvalFuzzyExpression(CountedVar().get(), ListOf({Word("very"), CountedToken}).get());
  EXPECT_EQ(R, Carried) << "not Defined: hedged in place";
  EXPECT_EQ(R->GetName(), "very carried");
  EXPECT_EQ(Carried->GetName(), "very carried");

  EXPECT_THROW_MSG(static_cast<void>(Counted.Parser.EvalFuzzyExpression(
                       CountedVar().get(), ListOf({Intf<IFuzzyStreamToken>(OwnedToken)}).get())),
                   EFzyParseException,
                   ParseMessage("Invalid item in fuzzy expression: " + OwnedSet->GetExpression(), "EvalFuzzyExpression", 0, ""));
  EXPECT_THROW_MSG(static_cast<void>(Owned.Parser.EvalFuzzyExpression(OwnedVar(), ListOf({CountedToken}).get())), EFzyParseException,
                   ParseMessage("Invalid item in fuzzy expression: very carried", "EvalFuzzyExpression", 0, ""));
}

// A point list adds its points one by one under the point list's edit rules, which keep at
// most three points on one X, in both forms: so the list reads as the same points, and its
// print reads back as the same model.
TEST_F(IParserTest, APointListReadsAsTheSamePointsInBothForms) {
  const std::string Text = "(deffuzzy v (values (term a ((0 0.1) (0 0.5) (0 0.9) (0 0.3) (0 0.7) (1 0)))))";
  test::TFormModel Owned(test::mfCollection);
  test::TFormModel Counted(test::mfInterface);
  for (test::TFormModel* M : {&Owned, &Counted}) {
    M->Logic().SetAutoTerms(false);
    M->Assign(Text);
  }
  EXPECT_EQ(Counted.Points("v", "a"), Owned.Points("v", "a"));
  EXPECT_EQ(Counted.Points("v", "a").size(), 4u);
  const auto Read = Counted.Points("v", "a");
  Counted.Assign(Counted.Print());
  EXPECT_EQ(Counted.Points("v", "a"), Read);
  // The same through an evaluation's point list.
  Intf<IFuzzySet> Evaluated = Counted.Parser.EvalFuzzyExpression(
      Counted.Interface().GetItems()->Get("v").get(), "very ((0 0.1) (0 0.5) (0 0.9) (0 0.3) (0 0.7) (1 0))");
  const TFuzzySet* Twin = Owned.Parser.EvalFuzzyExpression(
      Owned.Collection().GetItems()->GetItem(0), "very ((0 0.1) (0 0.5) (0 0.9) (0 0.3) (0 0.7) (1 0))");
  EXPECT_EQ(PointsOf(Evaluated.get()), PointsOf(Twin));
}

// --- The printer

TEST_F(IParserTest, AVariablePrintsItsDefinedSetsByIndex) {
  Logic.SetAutoTerms(false);
  Assign("(deffuzzy v (values (term a (tri 0 0.5 1)) (term b (tri 0 0.25 0.5))))");
  Intf<IFuzzyVariable> V = Var("v");
  V->ContainsFuzzySet("a")->SetName("z");  // re-keyed: a new, higher Index
  Intf<IFuzzySet> Loose = V->Add(SEmptyFuzzy);
  Loose->SetName("loose");  // not Defined: not stored, and would not print
  EXPECT_EQ(Parser.PrettyPrint(V.get()), "(deffuzzy v \r\n  (range 0.0000 1.0000)\r\n  (values \r\n"
                                         "    (term b (tri 0.0000 0.2500 0.5000))\r\n"
                                         "    (term z (tri 0.0000 0.5000 1.0000))\r\n  )\r\n)");
}

// A set's expression is written only when every set it names prints before it, in this form
// by a lower Index: an expression that names the set itself, or a later one, would not read
// back, so the set is written by its points.
TEST_F(IParserTest, AnExpressionIsWrittenOnlyWhenTheSetsItNamesPrintBeforeIt) {
  Logic.SetAutoTerms(false);
  Assign("(deffuzzy v (range 0 10) (values (term high ((0 0) (10 1))) (term s ((0 0) (10 0.5)))"
         " (term later (tri 0 1 2))))");
  Intf<IFuzzySet> S = Set("v", "s");
  struct Case {
    const char* Expression;
    bool Written;
  };
  const Case Cases[] = {
      {"[very high]", true},
      {"very s", false},      // names the set itself, not one before it
      {"very later", false},  // names a set that prints after it
      {"very gone", false},   // names no set
  };
  for (const Case& C : Cases) {
    S->SetExpression(C.Expression);
    const std::string Expected = C.Written ? std::string("(term s ") + C.Expression + ")"
                                           : "(term s ((0.0000 0.0000) (10.0000 0.5000) ))";
    EXPECT_EQ(Parser.PrettyPrint(S.get(), true), Expected) << C.Expression;
  }
}

// Printed by value, a set without a name is its expression in the collection form and nothing
// in the interface form.
TEST_F(IParserTest, AnUnnamedSetPrintsByValueAsNothing) {
  Assign("(deffuzzy v (values (term a (tri 0 0.5 1)) (term b (tri 0 0.25 0.5))))");
  Intf<IFuzzySet> Result = Parser.EvalFuzzyExpression(Var("v").get(), "a and b");
  Result->SetName("");
  EXPECT_EQ(Result->GetExpression(), "a and b");
  EXPECT_EQ(Parser.PrettyPrint(Result.get(), false), "");

  TFuzzySet Owned(nullptr);
  Owned.SetExpression("a and b");
  EXPECT_EQ(Parser.PrettyPrint(static_cast<const TFuzzySet*>(&Owned), false), "a and b");
}

}  // namespace
}  // namespace tarnwick
