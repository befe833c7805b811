// The expression evaluator of the parser component, collection-based form: every operand kind,
// hedges with copies of Defined sets, hedge operators in both forms, the and/or keywords with
// their operations, grouping and priorities, bindings with their recursion guard, point lists
// and function calls, set-carrying tokens, the event, the defuzzified form and every error with
// its exact text.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tarnwick/common/InterfaceList.h"
#include "tarnwick/common/PostFix.h"
#include "tarnwick/model/FuzzyConsts.h"
#include "tarnwick/model/FuzzyInterfaces.h"
#include "tarnwick/model/FuzzyLogicComponent.h"
#include "tarnwick/model/FuzzyParserBase.h"
#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/model/FuzzyVariable.h"
#include "tarnwick/parser/KVFuzzyLogicParser.h"
#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/Format.h"
#include "tarnwick/platform/Strings.h"

namespace tarnwick {
namespace {

using ::testing::ElementsAre;
using ::testing::Pointwise;

#define EXPECT_THROW_MSG(Statement, ExceptionType, Message) \
  EXPECT_THROW(                                             \
      {                                                     \
        try {                                               \
          Statement;                                        \
        } catch (const ExceptionType& E) {                  \
          EXPECT_EQ(std::string(E.what()), Message);        \
          throw;                                            \
        }                                                   \
      },                                                    \
      ExceptionType)

using TPoints = std::vector<std::pair<double, double>>;

TPoints Points(const TFuzzySet* S) {
  TPoints R;
  const TFuzzySetValues* V = S->GetValues();
  for (std::int32_t I = 0; I < V->GetCount(); ++I) R.emplace_back(V->GetItem(I)->GetX(), V->GetItem(I)->GetY());
  return R;
}

MATCHER(PointNear, "") {
  const auto& [A, B] = arg;
  return std::abs(A.first - B.first) < 1e-9 && std::abs(A.second - B.second) < 1e-9;
}

// The message ParseError builds.
std::string ParseMessage(const std::string& Msg, const std::string& Method, int Line, const std::string& Text) {
  return "Parsing Error, " + Msg + " in " + Method + " at line " + std::to_string(Line) + ": \"" + Text + "\"";
}

// The text read so far that an error of a string-form evaluation reports. The token stream
// echoes one top-level expression at a time, and every token of an expression is one, so what
// is left is the put-back end of the text, printed empty, and its blank.
const std::string kEchoAtTheEnd = " ";

// Puts a global string back when a test changed it.
class TGlobalGuard {
 public:
  explicit TGlobalGuard(std::string& Global) : FGlobal(Global), FKept(Global) {}
  ~TGlobalGuard() { FGlobal = FKept; }

 private:
  std::string& FGlobal;
  std::string FKept;
};

// A variable "speed" over [0, 10] of a logic component without automatic terms, with the
// Defined terms high (a ramp up), low (a ramp down) and medium (a triangle 2, 3, 4 whose mean
// of maxima is 3), all built by hand.
class EvaluatorTest : public ::testing::Test {
 protected:
  EvaluatorTest() : Logic(nullptr), Parser(nullptr) {
    Logic.SetAutoTerms(false);
    Logic.SetParser(&Parser);
    Parser.SetFuzzyLogic(&Logic);
    V = Logic.GetItems()->Add("speed");
    V->SetMaximum(10);
    High = V->GetItems()->Add("high");
    High->GetValues()->Add(0, 0);
    High->GetValues()->Add(10, 1);
    Low = V->GetItems()->Add("low");
    Low->GetValues()->Add(0, 1);
    Low->GetValues()->Add(10, 0);
    Medium = V->GetItems()->Add("medium");
    Medium->CreateTriangleFunctionValues(2, 3, 4);
  }

  TFuzzySet* Eval(const std::string& Expression) { return Parser.EvalFuzzyExpression(V, Expression); }
  std::int32_t SetCount() const { return V->GetItems()->GetCount(); }
  // What the evaluator does, done by hand on a fresh copy.
  TFuzzySet* CopyOf(const TFuzzySet* S) {
    TFuzzySet* C = V->GetItems()->Add();
    C->Assign(S);
    return C;
  }
  // The postfix text an evaluation hands to OnEvalExpression (the outermost one).
  std::string PostfixOf(const std::string& Expression) {
    std::vector<std::string> Seen;
    Parser.SetOnEvalExpression([&](TObject*, TFuzzyVariable*, const std::string& E, TFuzzySet*&) { Seen.push_back(E); });
    Eval(Expression);
    Parser.SetOnEvalExpression(nullptr);
    return Seen.empty() ? std::string("<none>") : Seen.back();
  }

  TFuzzyLogic Logic;
  TKVFuzzyLogicParser Parser;
  TFuzzyVariable* V = nullptr;
  TFuzzySet* High = nullptr;
  TFuzzySet* Low = nullptr;
  TFuzzySet* Medium = nullptr;
};

// --- Operands

TEST_F(EvaluatorTest, ATermNameIsTheVariablesOwnSet) {
  const std::int32_t Before = SetCount();
  EXPECT_EQ(Eval("high"), High);
  EXPECT_EQ(Eval("  medium  "), Medium);
  EXPECT_EQ(Eval("\"low\""), Low);  // a quoted name is a name too
  EXPECT_EQ(Eval("high ) or low"), High);  // the rest after a stray ")" is not read
  EXPECT_EQ(SetCount(), Before);
}

TEST_F(EvaluatorTest, EmptyExpressionsAndEmptyNamesGiveTheEmptySet) {
  TFuzzySet* Empty = Eval("");
  ASSERT_NE(Empty, nullptr);
  EXPECT_EQ(Empty->GetName(), SEmptyFuzzy);
  EXPECT_FALSE(Empty->GetDefined());
  EXPECT_EQ(Empty->GetValues()->GetCount(), 0);
  EXPECT_EQ(Eval(") high"), Empty);  // a closing parenthesis ends the expression
  EXPECT_EQ(Eval("__Empty"), Empty);
  EXPECT_EQ(Eval("\"\""), Empty);
  EXPECT_EQ(Eval(" ; only a comment"), Empty);
}

TEST_F(EvaluatorTest, ANumberIsANewCrispSetOfTheVariable) {
  const std::int32_t Before = SetCount();
  TFuzzySet* S = Eval("2.5");
  EXPECT_EQ(SetCount(), Before + 1);
  EXPECT_EQ(S->GetCollection(), V->GetItems());
  EXPECT_EQ(S->GetName(), "2.5");
  EXPECT_EQ(S->GetExpression(), "2.5");
  EXPECT_FALSE(S->GetDefined());
  EXPECT_THAT(Points(S), ElementsAre(std::pair(2.5, 0.0), std::pair(2.5, 1.0), std::pair(2.5, 0.0)));

  TFuzzySet* I = Eval("7");
  EXPECT_EQ(I->GetName(), "7");
  EXPECT_NE(I, Eval("7"));  // each number is a set of its own
}

TEST_F(EvaluatorTest, ANumberIsHeldInsideTheVariablesRange) {
  TFuzzyVariable* Unit = Logic.GetItems()->Add("unit");  // range [0, 1]
  TFuzzySet* H = Unit->GetItems()->Add("high");
  H->GetValues()->Add(0, 0);
  H->GetValues()->Add(1, 0.5);
  EXPECT_THAT(Points(Parser.EvalFuzzyExpression(Unit, "2")),
              ElementsAre(std::pair(1.0, 0.0), std::pair(1.0, 1.0), std::pair(1.0, 0.0)));
  // The mean of maxima of the spike held at 1 is what "+ 2" adds.
  EXPECT_THAT(Points(Parser.EvalFuzzyExpression(Unit, "high + 2")),
              ElementsAre(std::pair(0.0, 1.0), std::pair(1.0, 1.5)));
}

TEST_F(EvaluatorTest, PointListsAndFunctionCallsAreNewSetsOfTheVariable) {
  TFuzzySet* L = Eval("((0 0) (5 1) (10 0))");
  EXPECT_EQ(L->GetName(), "((0 0) (5 1) (10 0))");
  EXPECT_FALSE(L->GetDefined());
  EXPECT_EQ(L->GetSetType(), fstUserDefined);
  EXPECT_THAT(Points(L), ElementsAre(std::pair(0.0, 0.0), std::pair(5.0, 1.0), std::pair(10.0, 0.0)));

  TFuzzySet* T = Eval("(tri 1 2 3.5)");
  EXPECT_EQ(T->GetName(), "(tri 1 2 3.5)");
  EXPECT_FALSE(T->GetDefined());
  EXPECT_EQ(T->GetSetType(), fstTriangle);
  EXPECT_THAT(Points(T), ElementsAre(std::pair(1.0, 0.0), std::pair(2.0, 1.0), std::pair(3.5, 0.0)));

  // The host's function event has the first word.
  Parser.SetOnCalcFuzzyFunction([&](TObject*, const std::string& Name, IFuzzyStreamTokenList* List,
                                    TFuzzySet*& Result, bool& Handled) {
    if (Name != "spike") return;
    Result->CreateCrispValue(List->Get(0)->GetNumber());
    Handled = true;
  });
  EXPECT_THAT(Points(Eval("(spike 4)")), ElementsAre(std::pair(4.0, 0.0), std::pair(4.0, 1.0), std::pair(4.0, 0.0)));
}

TEST_F(EvaluatorTest, SetCarryingTokensHandTheirSetOver) {
  Intf<IFuzzyStreamTokenList> List(new TFuzzyStreamTokenList);
  Intf<TFuzzyStreamToken> Token(new TFuzzyStreamToken);
  Token->SetFuzzySet(Low);
  List->Add(Token.get());
  EXPECT_EQ(Parser.EvalFuzzyExpression(V, List.get()), Low);

  // An object that is no set is an invalid cast.
  TStringList NotASet;
  Intf<TFuzzyStreamToken> Wrong(new TFuzzyStreamToken);
  Wrong->SetObjValue(&NotASet);
  Wrong->SetDataType(fstFuzzySet);
  EXPECT_THROW(static_cast<void>(Parser.EvalFuzzyExpression(V, static_cast<IFuzzyStreamToken*>(Wrong.get()))),
               EInvalidCast);
}

// --- Hedges

TEST_F(EvaluatorTest, AHedgeChangesACopyOfADefinedSet) {
  const TPoints HighBefore = Points(High);
  TFuzzySet* Expected = CopyOf(High)->Hedge(fhVery);
  const std::int32_t Before = SetCount();
  TFuzzySet* S = Eval("very high");
  EXPECT_NE(S, High);
  EXPECT_EQ(SetCount(), Before + 1);
  EXPECT_EQ(S->GetCollection(), V->GetItems());
  EXPECT_FALSE(S->GetDefined());
  EXPECT_EQ(S->GetName(), "very high");
  EXPECT_EQ(S->GetExpression(), Expected->GetExpression());
  EXPECT_THAT(Points(S), Pointwise(PointNear(), Points(Expected)));
  EXPECT_EQ(Points(High), HighBefore);
  EXPECT_EQ(High->GetName(), "high");
}

TEST_F(EvaluatorTest, AHedgeChangesASetThatIsNotDefinedInPlace) {
  Medium->SetDefined(false);
  const std::int32_t Before = SetCount();
  EXPECT_EQ(Eval("not medium"), Medium);
  EXPECT_EQ(SetCount(), Before);
  EXPECT_EQ(Medium->GetName(), "not medium");
  // Two hedges copy once: the copy is not Defined, so the outer hedge works on it in place.
  const std::int32_t Before2 = SetCount();
  Eval("very not high");
  EXPECT_EQ(SetCount(), Before2 + 1);
}

TEST_F(EvaluatorTest, EveryHedgeWordAppliesItsHedge) {
  for (int H = 0; H < kFuzzyHedgeCount; ++H) {
    const auto Hedge = static_cast<TFuzzyHedge>(H);
    const std::string Word(HedgeNames[H]);
    TFuzzySet* Expected = CopyOf(Medium)->Hedge(Hedge);
    TFuzzySet* S = Eval(Word + " medium");
    EXPECT_EQ(S->GetName(), Expected->GetName()) << Word;
    EXPECT_THAT(Points(S), Pointwise(PointNear(), Points(Expected))) << Word;
  }
}

TEST_F(EvaluatorTest, HedgesOnListsAndCallsChangeTheNewSet) {
  TFuzzySet* T = Eval("very (tri 0 5 10)");
  EXPECT_EQ(T->GetName(), "very [(tri 0 5 10)]");
  EXPECT_EQ(T->GetValues()->GetCount(), 7);
  TFuzzySet* L = Eval("very ((0 0) (10 1))");
  EXPECT_EQ(L->GetName(), "very [((0 0) (10 1))]");
  EXPECT_NEAR(L->DegreeOfMembership(5), 0.25, 1e-9);
}

// --- Hedge operators

TEST_F(EvaluatorTest, EveryHedgeOperatorAndItsXFormTakeTheRightOperandsMeanOfMaxima) {
  for (int H = 0; H < kBaseFuzzyHedgeCount; ++H) {
    for (bool ModifyY : {true, false}) {
      const auto Hedge = static_cast<TBaseFuzzyHedge>(H);
      const std::string Word = std::string(BaseHedgeNames[H]) + (ModifyY ? "" : "X");
      TFuzzySet* Expected = CopyOf(Medium)->Hedge(Hedge, 0.5, ModifyY);
      TFuzzySet* S = Eval("medium " + Word + " 0.5");
      EXPECT_NE(S, Medium) << Word;
      EXPECT_EQ(S->GetName(), Expected->GetName()) << Word;
      EXPECT_EQ(S->GetExpression(), Expected->GetExpression()) << Word;
      EXPECT_THAT(Points(S), Pointwise(PointNear(), Points(Expected))) << Word;
    }
  }
  EXPECT_THAT(Points(Medium), ElementsAre(std::pair(2.0, 0.0), std::pair(3.0, 1.0), std::pair(4.0, 0.0)));
}

TEST_F(EvaluatorTest, HedgeOperatorExamples) {
  EXPECT_THAT(Points(Eval("high + 0.1")), Pointwise(PointNear(), TPoints{{0, 0.1}, {10, 1.1}}));
  EXPECT_THAT(Points(Eval("medium *X 2")), Pointwise(PointNear(), TPoints{{4, 0}, {6, 1}, {8, 0}}));
  // Any set can give the number: medium's mean of maxima is 3.
  TFuzzySet* S = Eval("low + medium");
  EXPECT_THAT(Points(S), Pointwise(PointNear(), TPoints{{0, 4}, {10, 3}}));
  EXPECT_THAT(Points(Medium), ElementsAre(std::pair(2.0, 0.0), std::pair(3.0, 1.0), std::pair(4.0, 0.0)));
}

// --- Keywords

TEST_F(EvaluatorTest, EveryKeywordIntersectsOrUnitesUnderItsOperation) {
  for (int Op = 0; Op < kFuzzyOperationCount; ++Op) {
    const auto Operation = static_cast<TFuzzyOperation>(Op);
    const std::string Or(FuzzyUnionKeywords[Op]);
    TFuzzySet* Union = Eval("high " + Or + " low");
    TFuzzySet* ExpectedUnion = High->Union(Low, Operation);
    EXPECT_EQ(Union->GetName(), ExpectedUnion->GetName()) << Or;
    EXPECT_THAT(Points(Union), Pointwise(PointNear(), Points(ExpectedUnion))) << Or;
    if (Operation == foSum) continue;
    const std::string And(FuzzyIntersectionKeywords[Op]);
    TFuzzySet* Intersection = Eval("high " + And + " low");
    TFuzzySet* ExpectedIntersection = High->Intersection(Low, Operation);
    EXPECT_EQ(Intersection->GetName(), ExpectedIntersection->GetName()) << And;
    EXPECT_THAT(Points(Intersection), Pointwise(PointNear(), Points(ExpectedIntersection))) << And;
  }
}

TEST_F(EvaluatorTest, KeywordResultsAreNewSetsAndTheOperandsStay) {
  const std::int32_t Before = SetCount();
  TFuzzySet* S = Eval("high and low");
  EXPECT_EQ(SetCount(), Before + 1);
  EXPECT_NE(S, High);
  EXPECT_NE(S, Low);
  EXPECT_EQ(S->GetName(), "high and low");
  EXPECT_THAT(Points(S), Pointwise(PointNear(), TPoints{{0, 0}, {5, 0.5}, {10, 0}}));
  // A quoted keyword is the keyword.
  EXPECT_EQ(Eval("high \"or\" low")->GetName(), "high or low");
}

TEST_F(EvaluatorTest, AndSumIsRefusedByTheIntersection) {
  EXPECT_THROW_MSG(Eval("high and-sum low"), EFzyException, "Invalid fuzzy operation: \"foSum:");
}

// --- Order

TEST_F(EvaluatorTest, PrioritiesAndGrouping) {
  struct Case {
    const char* Infix;
    const char* Postfix;
  };
  static const Case kCases[] = {
      {"high and low", "(high low and)"},
      {"high and low or medium", "(high low and medium or)"},  // one level, from the left
      {"high and [ low or medium ]", "(high low medium or and)"},
      {"very not high", "(high not very)"},                     // the nearer hedge first
      {"not high and low", "(high not low and)"},
      {"high and very low", "(high low very and)"},
      {"very [ high or low ]", "(high low or very)"},
      {"high + 0.1 and low", "(high 0.1 + low and)"},           // hedge operators share the level
      {"high and low * 2", "(high low and 2 *)"},
      {"[ [ high ] ]", "(high)"},
      {"high low", "(high low)"},
  };
  for (const Case& C : kCases) EXPECT_EQ(PostfixOf(C.Infix), C.Postfix) << C.Infix;
}

TEST_F(EvaluatorTest, ResultsFollowTheOrder) {
  TFuzzySet* Grouped = Eval("high and [ low or medium ]");
  TFuzzySet* Expected = High->Intersection(Low->Union(Medium, foZadeh), foZadeh);
  EXPECT_THAT(Points(Grouped), Pointwise(PointNear(), Points(Expected)));
  EXPECT_EQ(Eval("high low"), Low);  // operands without an operator: the last one
}

TEST_F(EvaluatorTest, GroupingFollowsTheGlobalBrackets) {
  TGlobalGuard KeepLeft(LeftFuzzyParentheses), KeepRight(RightFuzzyParentheses);
  LeftFuzzyParentheses = "{";
  RightFuzzyParentheses = "}";
  EXPECT_EQ(PostfixOf("high and { low or medium }"), "(high low medium or and)");
}

TEST_F(EvaluatorTest, TheCallbacksJudgeTokensByKindAndText) {
  struct Case {
    Integer Kind;
    const char* Text;
    bool Operand;
    Integer InStack, Incoming;
  };
  static const Case kCases[] = {
      {fstAtom, "high", true, 1, 1},        {fstAtom, "very", false, 2, 1},
      {fstString, "very", false, 2, 1},     {fstAtom, "and-mean", false, 3, 3},
      {fstAtom, "<=X", false, 3, 3},        {fstAtom, "[", false, 4, 0},
      {fstAtom, "]", false, 1, 1},          {91, "[", false, 4, 0},
      {38, "&", true, 1, 1},                {fstInteger, "", true, 1, 1},
      {fstVariable, "and", true, 3, 3},     {fstList, "very", true, 2, 1},
  };
  for (const Case& C : kCases) {
    Intf<IFuzzyStreamToken> T(new TFuzzyStreamToken);
    T->SetDataType(C.Kind);
    T->SetText(C.Text);
    EXPECT_EQ(Parser.IsOperand(T.get()), C.Operand) << C.Kind << " " << C.Text;
    EXPECT_EQ(Parser.InStackPriority(T.get()), C.InStack) << C.Kind << " " << C.Text;
    EXPECT_EQ(Parser.IncomingPriority(T.get()), C.Incoming) << C.Kind << " " << C.Text;
    EXPECT_EQ(Parser.IsOpenParen(T.get()), std::string(C.Text) == "[");
    EXPECT_EQ(Parser.IsCloseParen(T.get()), std::string(C.Text) == "]");
  }
  EXPECT_TRUE(Parser.IsOperand(nullptr));
  Intf<TInterfacedObject> Plain(new TInterfacedObject);
  EXPECT_THROW(Parser.IsOperand(Plain.get()), EIntfCastError);
  EXPECT_FALSE(Parser.IsOpenParen(Plain.get()));
}

TEST_F(EvaluatorTest, PostFixWithTheCallbacksGivesTheEvaluatorsOrder) {
  for (const char* Expression : {"very not high and [ low or-mean medium ] +X low", "not high or low and medium",
                                 "[ high and low ] or very [ medium and-product low ]"}) {
    Intf<TFuzzyStreamTokenList> List(new TFuzzyStreamTokenList);
    std::string Word;
    for (const char* P = Expression;; ++P) {
      if (*P == ' ' || *P == 0) {
        Intf<IFuzzyStreamToken> T(new TFuzzyStreamToken);
        T->SetDataType(fstAtom);
        T->SetText(Word);
        List->Add(T.get());
        Word.clear();
        if (*P == 0) break;
      } else {
        Word += *P;
      }
    }
    Intf<TInterfaceListPersistent> Postfix = PostFix(
        List.get(), [&](IInterface* I) { return Parser.IsOpenParen(I); },
        [&](IInterface* I) { return Parser.IsCloseParen(I); }, [&](IInterface* I) { return Parser.IsOperand(I); },
        [&](IInterface* I) { return Parser.InStackPriority(I); },
        [&](IInterface* I) { return Parser.IncomingPriority(I); });
    Intf<IFuzzyStreamTokenList> Flat(new TFuzzyStreamTokenList);
    Parser.FillExpression(Postfix.get(), Flat.get());
    EXPECT_EQ(Flat->ToString(), PostfixOf(Expression)) << Expression;
  }
}

// --- The token-list form

TEST_F(EvaluatorTest, TheTokenListIsLeftInPostfixOrder) {
  Parser.SetOnEvalExpression([&](TObject*, TFuzzyVariable*, const std::string&, TFuzzySet*&) {});
  Intf<IFuzzyStreamTokenList> List(new TFuzzyStreamTokenList);
  for (const char* W : {"high", "and", "low"}) {
    Intf<IFuzzyStreamToken> T(new TFuzzyStreamToken);
    T->SetDataType(fstAtom);
    T->SetText(W);
    List->Add(T.get());
  }
  static_cast<void>(Parser.EvalFuzzyExpression(V, List.get()));
  EXPECT_EQ(List->ToString(), "(high low and)");
  static_cast<void>(Parser.EvalFuzzyExpression(V, List.get()));  // postfix order is not infix order any more
  EXPECT_EQ(List->ToString(), "(high low and)");

  // An empty or missing list is the empty expression.
  Intf<IFuzzyStreamTokenList> Empty(new TFuzzyStreamTokenList);
  EXPECT_EQ(Parser.EvalFuzzyExpression(V, Empty.get())->GetName(), SEmptyFuzzy);
  EXPECT_EQ(Parser.EvalFuzzyExpression(V, static_cast<IFuzzyStreamTokenList*>(nullptr))->GetName(), SEmptyFuzzy);
}

TEST_F(EvaluatorTest, FillExpressionFlattensNestedListsAndRefusesOtherItems) {
  auto Token = [](const char* Text) {
    Intf<IFuzzyStreamToken> T(new TFuzzyStreamToken);
    T->SetText(Text);
    return T;
  };
  Intf<TInterfaceListPersistent> Inner(new TInterfaceListPersistent), Outer(new TInterfaceListPersistent);
  Intf<IFuzzyStreamToken> A = Token("a"), B = Token("b"), C = Token("c");
  Inner->Add(B.get());
  Outer->Add(A.get());
  Outer->Add(Inner.get());
  Outer->Add(C.get());
  Intf<IFuzzyStreamTokenList> Dest(new TFuzzyStreamTokenList);
  Parser.FillExpression(Outer.get(), Dest.get());
  ASSERT_EQ(Dest->GetValueCount(), 3);
  EXPECT_EQ(Dest->Get(0), A.get());
  EXPECT_EQ(Dest->Get(1), B.get());
  EXPECT_EQ(Dest->Get(2), C.get());

  Intf<TInterfaceListPersistent> Bad(new TInterfaceListPersistent);
  Intf<TInterfacedObject> Plain(new TInterfacedObject);
  Bad->Add(Plain.get());
  EXPECT_THROW(Parser.FillExpression(Bad.get(), Dest.get()), EIntfCastError);
}

TEST_F(EvaluatorTest, AFunctionCallLosesItsNameInTheList) {
  std::string Seen;
  Parser.SetOnEvalExpression([&](TObject*, TFuzzyVariable*, const std::string& E, TFuzzySet*&) { Seen = E; });
  Eval("very (tri 0 0.5 1)");
  EXPECT_EQ(Seen, "((0 0.5 1) very)");
}

// --- Bindings

TEST_F(EvaluatorTest, ABindingIsACloneOfItsValueNamedAfterIt) {
  Logic.GetVariables()->Add("x=high");
  const TPoints HighBefore = Points(High);
  TFuzzySet* S = Eval("?x");
  EXPECT_NE(S, High);
  EXPECT_EQ(S->GetName(), "?x");
  EXPECT_FALSE(S->GetDefined());
  EXPECT_EQ(S->GetCollection(), V->GetItems());
  EXPECT_EQ(Points(S), HighBefore);
  EXPECT_EQ(High->GetName(), "high");
  // Binding names ignore case (set names do not); the value is a whole expression.
  Logic.GetVariables()->Add("Fast=very high or low");
  TFuzzySet* F = Eval("?FAST and medium");
  EXPECT_EQ(F->GetName(), "?FAST and medium");
}

TEST_F(EvaluatorTest, AnUnknownBindingIsAnEmptySetNamedAfterIt) {
  TFuzzySet* S = Eval("?nothing");
  EXPECT_EQ(S->GetName(), "?nothing");
  EXPECT_EQ(S->GetValues()->GetCount(), 0);
  EXPECT_LT(V->GetItems()->IndexOf(SEmptyFuzzy), 0);
  // The variable's empty set, which every empty operand finds by its name, keeps it.
  TFuzzySet* Empty = Eval("");
  EXPECT_EQ(Eval("__Empty or ?nothing")->GetName(), "__Empty or ?nothing");
  EXPECT_NE(Eval("?nothing"), Empty);
  EXPECT_EQ(Empty->GetName(), SEmptyFuzzy);
  EXPECT_EQ(Eval("__Empty"), Empty);
}

TEST_F(EvaluatorTest, BindingsMayReferToOtherBindings) {
  Logic.GetVariables()->Add("a=very ?b");
  Logic.GetVariables()->Add("b=?c and low");
  Logic.GetVariables()->Add("c=high");
  TFuzzySet* S = Eval("?a");
  EXPECT_EQ(S->GetName(), "?a");
  TFuzzySet* Expected = CopyOf(High)->Intersection(Low, foZadeh)->Hedge(fhVery);
  EXPECT_THAT(Points(S), Pointwise(PointNear(), Points(Expected)));
  // The same binding twice in one expression is no recursion.
  EXPECT_NO_THROW(Eval("?c and ?c"));
}

TEST_F(EvaluatorTest, ABindingThatRefersToItselfIsAnError) {
  Logic.GetVariables()->Add("x=very ?x");
  EXPECT_THROW_MSG(Eval("?x"), EFzyParseException,
                   ParseMessage("Binding refers to itself: ?x", "EvalFuzzyExpression", 1, kEchoAtTheEnd));
  Logic.GetVariables()->Clear();
  Logic.GetVariables()->Add("a=?B");
  Logic.GetVariables()->Add("b=high or ?A");
  EXPECT_THROW_MSG(Eval("?a"), EFzyParseException,
                   ParseMessage("Binding refers to itself: ?A", "EvalFuzzyExpression", 1, kEchoAtTheEnd));
  // Nothing is left active after the error.
  Logic.GetVariables()->Clear();
  Logic.GetVariables()->Add("a=high");
  EXPECT_NO_THROW(Eval("?a"));
}

TEST_F(EvaluatorTest, LongBindingChainsStopAtTheLimit) {
  const int Limit = TKVFuzzyLogicParser::kMaxBindingDepth;
  auto Chain = [&](int Length) {
    Logic.GetVariables()->Clear();
    for (int I = 0; I < Length; ++I) Logic.GetVariables()->Add("b" + std::to_string(I) + "=?b" + std::to_string(I + 1));
    Logic.GetVariables()->Add("b" + std::to_string(Length) + "=high");
  };
  Chain(Limit - 1);
  EXPECT_EQ(Points(Eval("?b0")), Points(High));
  Chain(Limit);
  EXPECT_THROW_MSG(Eval("?b0"), EFzyParseException,
                   ParseMessage("Bindings nested too deeply: more than 100 levels", "EvalFuzzyExpression", 1,
                                kEchoAtTheEnd));
}

// Each level names the one below twice, so the work doubles with every level: 2^40 expansions
// for 40 levels, which would not end. The bindings one evaluation expands stop at the limit of
// tokens, naming the binding of the expression, and leave no set behind. (The definition road
// meets the plain chain in HostileTextTest; here each level's value is wrapped in brackets,
// which count as tokens, so that the limit comes after a few hundred expansions.)
TEST_F(EvaluatorTest, BindingsThatNameEachOtherTwiceStopAtTheWorkLimit) {
  auto Chain = [&](int Depth, int Brackets) {
    Logic.GetVariables()->Clear();
    for (int I = 0; I < Depth; ++I) {
      const std::string Next = "?c" + std::to_string(I + 1);
      Logic.GetVariables()->Add("c" + std::to_string(I) + "=" + std::string(Brackets, '[') + Next + " or " + Next +
                                std::string(Brackets, ']'));
    }
    Logic.GetVariables()->Add("c" + std::to_string(Depth) + "=medium");
  };
  const std::int32_t Before = SetCount();
  Chain(10, 0);  // 2,047 bindings expanded, 6,141 tokens
  TFuzzySet* S = Eval("?c0 and high");
  EXPECT_THAT(Points(S), Pointwise(PointNear(), Points(Medium->Intersection(High, foZadeh))));
  EXPECT_EQ(SetCount(), Before + 2);
  Chain(40, 100);
  EXPECT_THROW_MSG(Eval("high or ?c0"), EFzyParseException,
                   ParseMessage("Bindings expand to more than 100000 tokens: ?c0", "EvalFuzzyExpression", 1,
                                kEchoAtTheEnd));
  EXPECT_EQ(SetCount(), Before + 2);
  // The limit is per evaluation.
  Chain(10, 0);
  EXPECT_NO_THROW(Eval("?c0"));
}

TEST_F(EvaluatorTest, AKeywordRefusesToJoinTwoOperandsWithLongTexts) {
  const std::string Long(TKVFuzzyLogicParser::kMaxOperandText + 1, 'x');
  TFuzzySet* A = CopyOf(High);
  A->SetName("a");
  A->SetDefined(true);
  A->SetExpression(Long);
  TFuzzySet* B = CopyOf(Low);
  B->SetName("b");
  B->SetDefined(true);
  EXPECT_EQ(Eval("a or b")->GetExpression(), Long + " or b");
  B->SetExpression(Long);
  EXPECT_THROW_MSG(Eval("a and-mean b"), EFzyParseException,
                   ParseMessage("Expression text too long: both operands of and-mean hold more than 1048576 characters",
                                "EvalFuzzyExpression", 1, kEchoAtTheEnd));
}

TEST_F(EvaluatorTest, ABindingNeedsALogicComponent) {
  TKVFuzzyLogicParser Alone(nullptr);
  EXPECT_THROW_MSG(static_cast<void>(Alone.EvalFuzzyExpression(V, "high and ?x")), EFzyParseException,
                   ParseMessage("Binding needs a fuzzy logic component: ?x", "EvalFuzzyExpression", 1,
                                kEchoAtTheEnd));
  EXPECT_EQ(Alone.EvalFuzzyExpression(V, "high"), High);  // nothing else needs one
}

// --- The event and the defuzzified form

TEST_F(EvaluatorTest, TheEventFiresForEveryTokenListEvaluationAndMayReplaceTheResult) {
  Logic.GetVariables()->Add("x=low or medium");
  std::vector<std::string> Seen;
  Parser.SetOnEvalExpression([&](TObject* Sender, TFuzzyVariable* Variable, const std::string& E, TFuzzySet*& R) {
    EXPECT_EQ(Sender, &Parser);
    EXPECT_EQ(Variable, V);
    Seen.push_back(E);
    if (E == "(high)") R = Low;
  });
  EXPECT_EQ(Eval("high"), Low);
  Eval("very ?x");
  Eval("");
  EXPECT_THAT(Seen, ElementsAre("(high)", "(low medium or)", "(?x very)", "()"));
}

TEST_F(EvaluatorTest, AHandlerThatLeavesNoSet) {
  Logic.GetVariables()->Add("x=high");
  Parser.SetOnEvalExpression([&](TObject*, TFuzzyVariable*, const std::string& E, TFuzzySet*& R) {
    if (E == "(high)") R = nullptr;
  });
  EXPECT_EQ(Eval("high"), nullptr);
  TFuzzySet* S = High;
  EXPECT_EQ(Parser.EvalFuzzyExpression(V, "high", S), 0);
  EXPECT_EQ(S, nullptr);
  // A binding operand without a set is an invalid item.
  EXPECT_THROW_MSG(Eval("very ?x"), EFzyParseException,
                   ParseMessage("Invalid item in fuzzy expression: ?x", "EvalFuzzyExpression", 1, kEchoAtTheEnd));
}

TEST_F(EvaluatorTest, TheDefuzzifiedFormFollowsTheLogicsMethod) {
  TFuzzySet* S = nullptr;
  // The ramp (0, 0) (10, 1): centre of gravity 20/3, mean of maxima 10.
  EXPECT_NEAR(Parser.EvalFuzzyExpression(V, "high", S), 20.0 / 3.0, 1e-9);
  EXPECT_EQ(S, High);
  Logic.SetDefuzzificationMethod(dmMeanOfMaxima);
  EXPECT_DOUBLE_EQ(Parser.EvalFuzzyExpression(V, "high", S), 10);
  EXPECT_DOUBLE_EQ(Parser.EvalFuzzyExpression(V, "", S), 0);  // the empty set
  TKVFuzzyLogicParser Alone(nullptr);
  EXPECT_NEAR(Alone.EvalFuzzyExpression(V, "high", S), 20.0 / 3.0, 1e-9);
}

// --- The sets an evaluation makes

// Records the sets added to and deleted from the logic's variables, by name.
class TSetLog {
 public:
  explicit TSetLog(TFuzzyLogic& Logic) {
    Logic.SetOnFuzzySetAdded([this](TObject*, TFuzzySet* S) { Added.push_back(S); });
    Logic.SetOnFuzzySetDeleted([this](TObject*, TFuzzySet* S) { Deleted.push_back(S->GetName()); });
  }
  std::vector<const TFuzzySet*> Added;
  std::vector<std::string> Deleted;
};

TEST_F(EvaluatorTest, OnlyTheResultOfAnEvaluationStaysInTheVariable) {
  TSetLog Log(Logic);
  const std::int32_t Before = SetCount();
  TFuzzySet* S = Eval("very high and 5 or ((0 1) (10 1))");
  // The copy of high, the number, the list and the intersection were made and are freed again,
  // the last made first, each reported; the union is the result and stays.
  EXPECT_EQ(SetCount(), Before + 1);
  EXPECT_EQ(V->GetItems()->GetItem(SetCount() - 1), S);
  EXPECT_EQ(S->GetName(), "[[very high] and 5] or [((0 1) (10 1))]");
  EXPECT_EQ(Log.Added.size(), 5u);
  EXPECT_EQ(Log.Added.back(), S);
  EXPECT_THAT(Log.Deleted, ElementsAre("((0 1) (10 1))", "[very high] and 5", "5", "very high"));
  EXPECT_EQ(High->GetName(), "high");
  EXPECT_THAT(Points(High), ElementsAre(std::pair(0.0, 0.0), std::pair(10.0, 1.0)));

  // A result that is a term, or a set made in place, frees what was dropped on the way.
  EXPECT_EQ(Eval("5 high"), High);
  EXPECT_EQ(SetCount(), Before + 1);
  TFuzzySet* Spike = Eval("very 5");
  EXPECT_EQ(Spike->GetName(), "very 5");
  EXPECT_EQ(SetCount(), Before + 2);
}

TEST_F(EvaluatorTest, AFailedEvaluationFreesEverySetItMade) {
  const std::int32_t Before = SetCount();
  EXPECT_THROW(Eval("very high and 5 or ((0 1) (1))"), EFzyParseException);
  EXPECT_THROW(Eval("(tri 0 5 10) or high and-sum low"), EFzyException);
  Logic.GetVariables()->Add("x=very low and");
  EXPECT_THROW(Eval("very high or ?x"), EFzyParseException);  // the binding's value is refused
  EXPECT_EQ(SetCount(), Before);
}

TEST_F(EvaluatorTest, ManyEvaluationsLeaveOnlyTheirResults) {
  const std::int32_t Before = SetCount();
  for (int I = 0; I < 1000; ++I) delete Eval("very high or somewhat low");
  EXPECT_EQ(SetCount(), Before);
}

TEST_F(EvaluatorTest, ABindingHandsItsSetToTheExpressionThatNamesIt) {
  Logic.GetVariables()->Add("x=very high or low");
  Logic.GetVariables()->Add("y=?x and medium");
  Logic.GetVariables()->Add("t=high");
  const std::int32_t Before = SetCount();
  TFuzzySet* S = Eval("?y or ?t");
  EXPECT_EQ(S->GetName(), "?y or ?t");
  EXPECT_EQ(SetCount(), Before + 1);
  TFuzzySet* Y = Eval("?y");  // the binding's own set is the result
  EXPECT_EQ(Y->GetName(), "?y");
  EXPECT_EQ(SetCount(), Before + 2);
  // A binding without a line gives an empty set of its own, which the variable keeps.
  Eval("?nothing");
  EXPECT_EQ(SetCount(), Before + 3);
  EXPECT_GE(V->GetItems()->IndexOf("?nothing"), 0);
}

// Found by fuzzing: each binding without a value renames an empty set the evaluation made, and
// a chain of them made one set per expansion that stayed in the variable, so that the lookups
// by name grew slower with every evaluation.
TEST_F(EvaluatorTest, EmptySetsAnEvaluationMakesGoWithIt) {
  Logic.GetVariables()->Add("a=?b or ?c");
  const std::int32_t Before = SetCount();
  for (int I = 0; I < 3; ++I) EXPECT_EQ(Eval("?a and high")->GetName(), "?a and high");
  EXPECT_EQ(SetCount(), Before + 3);  // the results
  EXPECT_LT(V->GetItems()->IndexOf(SEmptyFuzzy), 0);
  EXPECT_LT(V->GetItems()->IndexOf("?b"), 0);
  Eval("__Empty or high");  // made for the operand, and freed with the evaluation
  EXPECT_EQ(SetCount(), Before + 4);
  TFuzzySet* Empty = Eval("");  // the result: it stays, and serves the next evaluations
  EXPECT_EQ(Empty->GetName(), SEmptyFuzzy);
  EXPECT_EQ(Eval("__Empty"), Empty);
  Eval("__Empty or high");
  EXPECT_EQ(V->GetItems()->IndexOf(SEmptyFuzzy), V->GetItems()->IndexOfItem(Empty));
}

TEST_F(EvaluatorTest, SetsAHostHandsInOrTakesOutAreLeftToIt) {
  const std::int32_t Before = SetCount();
  // The handler replaces the result: the set it saw and the set it gave both stay.
  TFuzzySet* Seen = nullptr;
  Parser.SetOnEvalExpression([&](TObject*, TFuzzyVariable*, const std::string&, TFuzzySet*& R) {
    Seen = R;
    R = Low;
  });
  EXPECT_EQ(Eval("very high"), Low);
  EXPECT_EQ(SetCount(), Before + 1);
  EXPECT_EQ(V->GetItems()->GetItem(SetCount() - 1), Seen);
  Parser.SetOnEvalExpression(nullptr);
  // A function the host computes into a set of its own: that set and the one offered stay.
  TFuzzySet* Own = V->GetItems()->Add();
  Parser.SetOnCalcFuzzyFunction(
      [&](TObject*, const std::string&, IFuzzyStreamTokenList*, TFuzzySet*& Result, bool& Handled) {
        Result = Own;
        Handled = true;
      });
  const std::int32_t WithOwn = SetCount();
  EXPECT_EQ(Eval("(mine 1) or high")->GetName(), " or high");
  EXPECT_EQ(SetCount(), WithOwn + 2);
}

// --- Errors

TEST_F(EvaluatorTest, ErrorsCarryTheirExactTexts) {
  struct Case {
    const char* Expression;
    const char* Message;
    const char* Method;
  };
  static const Case kCases[] = {
      {"and high", "Missing fuzzy operand to be modified by hedge: and", "EvalFuzzyExpression"},
      {"very", "Missing fuzzy operand to be modified by hedge: very", "EvalFuzzyExpression"},
      {"high +", "Missing fuzzy operand to be modified by hedge: +", "EvalFuzzyExpression"},
      {"high or", "Missing fuzzy operand to be modified by hedge: or", "EvalFuzzyExpression"},
      {"fast", "Invalid item in fuzzy expression: fast", "EvalFuzzyExpression"},
      {"high & low", "Invalid item in fuzzy expression: &", "EvalFuzzyExpression"},
      {"high = low", "Invalid item in fuzzy expression: =", "EvalFuzzyExpression"},
      {"very ()", "Invalid item in fuzzy expression: ()", "EvalFuzzyExpression"},
      {"[ high", "Invalid item in fuzzy expression: [", "EvalFuzzyExpression"},
      {"high ]", "Invalid item in fuzzy expression: ]", "EvalFuzzyExpression"},
      {"very ((0 0) (1))", "Invalid X/Y value pair: (1)", "ConvertListToValues"},
      {"((0 0) 1)", "Invalid X/Y value pair: 1", "ConvertListToValues"},
      {"very ((0 a))", "Expected number", "ConvertListToValues"},
  };
  for (const Case& C : kCases) {
    EXPECT_THROW_MSG(Eval(C.Expression), EFzyParseException, ParseMessage(C.Message, C.Method, 1, kEchoAtTheEnd))
        << C.Expression;
  }
}

TEST_F(EvaluatorTest, ErrorsOfTheOperationsPassThrough) {
  EXPECT_THROW_MSG(Eval("(nofunc 1)"), EFzyParseException,
                   ParseMessage("Unknown function name: \"nofunc\"", "CalcFuzzyFunction", 1, kEchoAtTheEnd));
  EXPECT_THROW_MSG(Eval("high / 0"), EFzyException,
                   "Invalid hedge operation: \"high / 0.0000\".  Division by zero");
}

TEST_F(EvaluatorTest, ErrorsReportTheLineWhereTheExpressionEnds) {
  try {
    Eval("high\nand\n");
    FAIL() << "no error";
  } catch (const EFzyParseException& E) {
    EXPECT_EQ(E.GetLineNumber(), 3);
  }
}

TEST_F(EvaluatorTest, WithoutAVariable) {
  const std::string Msg = ParseMessage("fuzzy variable is not defined", "EvalFuzzyExpression", 1, kEchoAtTheEnd);
  EXPECT_THROW_MSG(static_cast<void>(Parser.EvalFuzzyExpression(static_cast<TFuzzyVariable*>(nullptr), "high")),
                   EFzyParseException, Msg);
  EXPECT_THROW_MSG(static_cast<void>(Parser.EvalFuzzyExpression(static_cast<TFuzzyVariable*>(nullptr), "")), EFzyParseException,
                   ParseMessage("fuzzy variable is not defined", "EvalFuzzyExpression", 1, kEchoAtTheEnd));
}

TEST_F(EvaluatorTest, TokenKindsThatAreNoOperandOfThisForm) {
  for (Integer Kind : {Integer(fstNone), Integer(fstInterface), Integer(fstIFuzzySet), Integer(fstObject)}) {
    Intf<IFuzzyStreamToken> T(new TFuzzyStreamToken);
    T->SetDataType(Kind);
    T->SetText("x");
    EXPECT_THROW(static_cast<void>(Parser.EvalFuzzyExpression(V, T.get())), EFzyParseException) << Kind;
  }
  // A nil token is the empty operand.
  EXPECT_EQ(Parser.EvalFuzzyExpression(V, static_cast<IFuzzyStreamToken*>(nullptr))->GetName(), SEmptyFuzzy);
}

TEST_F(EvaluatorTest, NestingAndLengthAreBounded) {
  // Deep brackets and long expressions (within the token list's length limit) evaluate
  // without recursion.
  std::string Deep;
  for (int I = 0; I < 1500; ++I) Deep += "[ ";
  Deep += "high";
  for (int I = 0; I < 1500; ++I) Deep += " ]";
  EXPECT_EQ(Eval(Deep), High);
  std::string Long = "high";
  for (int I = 0; I < 1500; ++I) Long += " or high";
  EXPECT_THAT(Points(Eval(Long)), Pointwise(PointNear(), Points(High)));
  std::string Hedges;
  for (int I = 0; I < 2000; ++I) Hedges += "not ";
  EXPECT_THAT(Points(Eval(Hedges + "high")), Pointwise(PointNear(), Points(High)));
}

}  // namespace
}  // namespace tarnwick
