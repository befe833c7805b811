// The printer: the value of every set type, the term and definition forms, the whole text of
// a variable, independence from the locale, the indentation step, the text forms of sets,
// variables and the logic component, and the forms mended so that they read back.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "tarnwick/common/KVCommon.h"
#include "tarnwick/model/FuzzyConsts.h"
#include "tarnwick/model/FuzzyLogicComponent.h"
#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/model/FuzzyVariable.h"
#include "tarnwick/parser/KVFuzzyLogicParser.h"
#include "tarnwick/platform/Format.h"
#include "tarnwick/platform/Strings.h"

namespace tarnwick {
namespace {

using ::testing::HasSubstr;

// A variable "v" over [0, 10] of a logic component without automatic terms.
class PrinterTest : public ::testing::Test {
 protected:
  PrinterTest() {
    Logic.SetAutoTerms(false);
    Logic.SetParser(&Parser);
    Parser.SetFuzzyLogic(&Logic);
    V = Logic.GetItems()->Add("v");
    V->SetMaximum(10);
  }

  TFuzzySet* AddSet(const std::string& Name) { return V->GetItems()->Add(Name); }
  std::string Term(const TFuzzySet* S) { return Parser.PrettyPrint(S, true); }

  TFuzzyLogic Logic{nullptr};
  TKVFuzzyLogicParser Parser{nullptr};
  TFuzzyVariable* V = nullptr;
};

// Sets the process-wide decimal separator for one test.
class TDecimalSeparatorGuard {
 public:
  explicit TDecimalSeparatorGuard(char Separator) : FKept(FormatSettings().DecimalSeparator) {
    FormatSettings().DecimalSeparator = Separator;
  }
  ~TDecimalSeparatorGuard() { FormatSettings().DecimalSeparator = FKept; }

 private:
  char FKept;
};

TEST_F(PrinterTest, EverySetTypePrintsTheCallThatMakesIt) {
  const std::int32_t N = Logic.GetNumFunctionValues();
  struct Case {
    std::function<void(TFuzzySet*)> Make;
    const char* Value;
  };
  const Case Cases[] = {
      {[](TFuzzySet* S) { S->CreateTriangleFunctionValues(1, 2.5, 4); }, "(tri 1.0000 2.5000 4.0000)"},
      {[N](TFuzzySet* S) { S->CreateCurveValues(N, 2, 6, 6, true); }, "(s 2.0000 6.0000)"},
      {[N](TFuzzySet* S) { S->CreateCurveValues(N, 2, 6, 6, false); }, "(z 2.0000 6.0000)"},
      // A symmetric PI curve prints Range Center, an asymmetric one Left Right Center.
      {[N](TFuzzySet* S) { S->CreatePIFunctionValues(N, 2, 5); }, "(pi 2.0000 5.0000)"},
      {[N](TFuzzySet* S) { S->CreatePIFunctionValues(N, 1, 9, 3); }, "(pi 1.0000 9.0000 3.0000)"},
      // A beta curve always carries its inflection point; its weight only when not 1.
      {[N](TFuzzySet* S) { S->CreateBetaCurveFunctionValues(N, 3, 5, 1.5); }, "(beta 3.0000 5.0000 1.5000)"},
      {[N](TFuzzySet* S) { S->CreateBetaCurveFunctionValues(N, 3, 5, 1.5, 2.5); },
       "(beta 3.0000 5.0000 1.5000 2.5000)"},
      // Three points: the second is the peak, so the weight is read off the first.
      {[](TFuzzySet* S) { S->CreateBetaCurveFunctionValues(3, 3, 5, 1.5, 0.5); },
       "((2.0000 0.3333) (5.0000 1.0000) (8.0000 0.3333) )"},
      {[](TFuzzySet* S) {
         S->GetValues()->Add(0, 0);
         S->GetValues()->Add(1, 1);
       },
       "((0.0000 0.0000) (1.0000 1.0000) )"},
      {[](TFuzzySet*) {}, "()"},
  };
  for (const Case& C : Cases) {
    TFuzzySet* S = AddSet("high");
    C.Make(S);
    EXPECT_EQ(Term(S), std::string("(term high ") + C.Value + ")") << C.Value;
    delete S;
  }
}

TEST_F(PrinterTest, ABetaCurveOfThreePointsReadsBackWithItsWeight) {
  Logic.SetNumFunctionValues(3);
  TFuzzySet* S = AddSet("b");
  S->CreateBetaCurveFunctionValues(3, 3, 5, 1.5, 0.5);
  EXPECT_EQ(Term(S), "(term b (beta 3.0000 5.0000 1.5000 0.5000))");
}

TEST_F(PrinterTest, TheTermFormWithCommentAndTheNamelessForms) {
  TFuzzySet* S = AddSet("warm");
  S->CreateTriangleFunctionValues(1, 2, 3);
  S->SetComment("pleasant");
  EXPECT_EQ(Term(S), "(term warm \"pleasant\" (tri 1.0000 2.0000 3.0000))");
  EXPECT_EQ(Parser.PrettyPrint(S, false), "warm");
  // Without a name (or with the empty set's) only the comment and the value are written, and
  // the plain form is the expression.
  for (const std::string& Name : {std::string(), SEmptyFuzzy}) {
    S->SetName(Name);
    S->SetExpression("[very warm]");
    EXPECT_EQ(Parser.PrettyPrint(S, false), "[very warm]");
    EXPECT_EQ(Term(S), "\"pleasant\" (tri 1.0000 2.0000 3.0000)") << Name;
  }
}

TEST_F(PrinterTest, AVariablePrintsItsDefinedSetsInOrder) {
  V->SetComment("speed of the belt");
  V->SetMinimum(-5);
  V->SetUnits("m/s");
  AddSet("slow")->CreateTriangleFunctionValues(-5, -5, 0);
  V->GetItems()->Add()->CreateTriangleFunctionValues(0, 1, 2);  // not Defined: left out
  TFuzzySet* Fast = AddSet("fast");
  Fast->GetValues()->Add(0, 0);
  Fast->GetValues()->Add(10, 1);
  EXPECT_EQ(Parser.PrettyPrint(V),
            "(deffuzzy v \r\n"
            "  \"speed of the belt\"\r\n"
            "  (range -5.0000 10.0000)\r\n"
            "  (units m/s)\r\n"
            "  (values \r\n"
            "    (term slow (tri -5.0000 -5.0000 0.0000))\r\n"
            "    (term fast ((0.0000 0.0000) (10.0000 1.0000) ))\r\n"
            "  )\r\n"
            ")");
}

TEST_F(PrinterTest, AVariableWithoutDefinedSetsAndUnitsWithABlank) {
  V->SetUnits("metres per second");
  V->GetItems()->Add();
  EXPECT_EQ(Parser.PrettyPrint(V),
            "(deffuzzy v \r\n"
            "  (range 0.0000 10.0000)\r\n"
            "  (units \"metres per second\")\r\n"
            "  (values \r\n"
            "  )\r\n"
            ")");
}

TEST_F(PrinterTest, TheIndentationStepIsReadAtEachCall) {
  const std::string Kept = IndentString();
  IndentString() = "\t";
  AddSet("x")->CreateTriangleFunctionValues(0, 1, 2);
  const std::string Text = Parser.PrettyPrint(V);
  IndentString() = Kept;
  EXPECT_THAT(Text, HasSubstr("\r\n\t(range 0.0000 10.0000)\r\n\t(values \r\n\t\t(term x "));
}

TEST_F(PrinterTest, ACommaAsDecimalSeparatorChangesNothing) {
  V->SetMinimum(-0.5);
  AddSet("x")->CreateTriangleFunctionValues(0.25, 0.5, 0.75);
  const std::string Expected = Parser.PrettyPrint(V);
  TDecimalSeparatorGuard Comma(',');
  EXPECT_EQ(Parser.PrettyPrint(V), Expected);
  EXPECT_THAT(Expected, HasSubstr("(range -0.5000 10.0000)"));
  EXPECT_THAT(Expected, HasSubstr("(tri 0.2500 0.5000 0.7500)"));
}

TEST_F(PrinterTest, TheTextFormsOfSetsVariablesAndTheLogicGoThroughThePrinter) {
  TFuzzySet* S = AddSet("x");
  S->CreateTriangleFunctionValues(0, 1, 2);
  EXPECT_EQ(S->ToString(), "x");
  EXPECT_EQ(V->ToString(), Parser.PrettyPrint(V));
  TFuzzyVariable* W = Logic.GetItems()->Add("w");
  // One entry per variable, each holding its lines.
  EXPECT_EQ(Logic.GetStrings()->GetText(), Parser.PrettyPrint(V) + "\r\n" + Parser.PrettyPrint(W) + "\r\n");
}

// --- Forms mended so that they read back

TEST_F(PrinterTest, NamesCommentsAndUnitsAreWrittenAsTheLexerReadsThem) {
  TFuzzySet* S = AddSet("a(b");
  S->SetComment("say \"hi\" \\ bye");
  S->CreateTriangleFunctionValues(0, 1, 2);
  EXPECT_EQ(Term(S), "(term a\\(b \"say \\\"hi\\\" \\\\ bye\" (tri 0.0000 1.0000 2.0000))");
  V->SetName("my var");
  V->SetUnits("\"quoted\"");
  const std::string Text = Parser.PrettyPrint(V);
  EXPECT_THAT(Text, HasSubstr("(deffuzzy my\\ var \r\n"));
  EXPECT_THAT(Text, HasSubstr("(units \"\\\"quoted\\\"\")"));
}

TEST_F(PrinterTest, AShapeCutAtTheRangePrintsItsPoints) {
  // Centre 1 with range 2 runs from -1 to 3; the variable holds X at 0 and up.
  TFuzzySet* S = AddSet("cut");
  S->CreatePIFunctionValues(Logic.GetNumFunctionValues(), 2, 1);
  EXPECT_EQ(S->GetSetType(), fstPICurve);
  EXPECT_THAT(Term(S), ::testing::StartsWith("(term cut ((0.0000 "));
  // A curve made with another number of points than the logic's now is written by its points.
  TFuzzySet* T = AddSet("fine");
  T->CreateCurveValues(11, 2, 6, 6, true);
  EXPECT_THAT(Term(T), ::testing::StartsWith("(term fine ((2.0000 0.0000) "));
}

// Found by fuzzing: a range clause after the terms narrows the range around points already
// made, which reading holds inside the range. So such a term is written as the points it
// will hold (by them, never by its shape), and printing, parsing and printing again gives the
// same text.
TEST_F(PrinterTest, ATermLeftOutsideANarrowedRangeIsWrittenAsItWillBeHeld) {
  struct Case {
    const char* Text;
    const char* Term;
  };
  static const Case kCases[] = {
      {"(deffuzzy f (range 0 10) (values (term a ((0 0) (10 1)))) (range 0 5))",
       "(term a ((0.0000 0.0000) (5.0000 1.0000) ))"},
      {"(deffuzzy f (range 0 10) (values (term a (tri 2 6 8))) (range 0 5))",
       "(term a ((2.0000 0.0000) (5.0000 1.0000) (5.0000 0.0000) ))"},
      // Seven points of a curve held on one X: the first, the highest between and the last.
      {"(deffuzzy f (range 0 1) (values (term a (z 0 0.5))) (range 0 0))",
       "(term a ((0.0000 1.0000) (0.0000 0.9444) (0.0000 0.0000) ))"},
      {"(deffuzzy f (range 4 10) (values (term a ((4 1) (6 0.5) (10 0)))) (range 5 9))",
       "(term a ((5.0000 1.0000) (6.0000 0.5000) (9.0000 0.0000) ))"},
  };
  for (const Case& C : kCases) {
    TStringList Lines;
    Lines.SetText(C.Text);
    Logic.SetStrings(&Lines);
    Logic.UpdateStrings();
    const std::string First = Logic.GetStrings()->GetText();
    EXPECT_THAT(First, HasSubstr(C.Term)) << C.Text;
    Lines.SetText(First);
    Logic.SetStrings(&Lines);
    Logic.UpdateStrings();
    EXPECT_EQ(Logic.GetStrings()->GetText(), First) << C.Text;
  }
}

TEST_F(PrinterTest, AnExpressionIsWrittenOnlyWhenItReadsBack) {
  TFuzzySet* High = AddSet("high");
  High->GetValues()->Add(0, 0);
  High->GetValues()->Add(10, 1);
  TFuzzySet* S = AddSet("s");
  S->GetValues()->Add(0, 0);
  S->GetValues()->Add(10, 0.5);
  struct Case {
    const char* Expression;
    bool Written;
  };
  const Case Cases[] = {
      {"[very high]", true},
      {"high and-mean [not high]", true},
      {"high + 0.1000", true},
      {"?x or high", true},
      {"very (tri 0 1 2)", true},
      {"__Empty or high", true},
      {"high", false},               // no operator: the term would rename high
      {"very gone", false},          // names no set
      {"very s", false},             // names the set itself, not one before it
      {"very high ; note", false},   // the comment would take the term's ")"
      {"very high )", false},        // closes the term early
      {"very (tri 0 1", false},      // takes the term's ")"
      {"[very high", false},         // unbalanced group
      {"very high & high", false},   // punctuation is no operand
      {"0,5000", false},             // a number written with a comma
      {"very \"open", false},        // a string without its end
  };
  for (const Case& C : Cases) {
    S->SetExpression(C.Expression);
    const std::string Expected = C.Written ? std::string("(term s ") + C.Expression + ")"
                                           : "(term s ((0.0000 0.0000) (10.0000 0.5000) ))";
    EXPECT_EQ(Term(S), Expected) << C.Expression;
  }
  // A set named after a later one, or one that is not Defined, does not count.
  TFuzzySet* Later = AddSet("later");
  Later->CreateTriangleFunctionValues(0, 1, 2);
  S->SetExpression("very later");
  EXPECT_THAT(Term(S), HasSubstr("((0.0000"));
  High->SetDefined(false);
  S->SetExpression("[very high]");
  EXPECT_THAT(Term(S), HasSubstr("((0.0000"));
}

TEST_F(PrinterTest, ADefinedSetNamedLikeTheEmptySetIsWrittenUnderItsName) {
  TFuzzySet* S = AddSet("x");
  S->CreateTriangleFunctionValues(0, 1, 2);
  S->SetName(SEmptyFuzzy);
  S->SetDefined(true);
  TFuzzySet* Nameless = AddSet("y");
  Nameless->SetName("");
  Nameless->SetDefined(true);
  const std::string Text = Parser.PrettyPrint(V);
  EXPECT_THAT(Text, HasSubstr("    (term __Empty (tri 0.0000 1.0000 2.0000))\r\n  )"));
}

// 2.5 and 2.5001 are one X to the point list, so its bulk clean-up keeps four points over them;
// the printer must see the same run, write its first, highest and last point, and so print
// text that reads back as exactly those points and prints the same the next time.
TEST_F(PrinterTest, ARunOverXValuesOneTenThousandthApartIsOneRun) {
  TFuzzySet* S = AddSet("edge");
  TFuzzySetValues& Values = *S->GetValues();
  {
    TUpdateBlock<TCollection> Block(Values);
    for (const auto& [X, Y] : {std::pair{0.0, 0.0}, {2.5, 0.0}, {2.5, 1.0}, {2.5001, 0.5}, {2.5001, 0.2}, {5.0, 0.0}})
      Values.Add(X, Y);
  }
  ASSERT_EQ(Values.GetCount(), 6);
  const std::string Printed = Term(S);
  EXPECT_EQ(Printed, "(term edge ((0.0000 0.0000) (2.5000 0.0000) (2.5000 1.0000) (2.5001 0.2000) (5.0000 0.0000) ))");

  TFuzzyLogic Again{nullptr};
  TKVFuzzyLogicParser AgainParser{nullptr};
  Again.SetAutoTerms(false);
  Again.SetParser(&AgainParser);
  AgainParser.SetFuzzyLogic(&Again);
  AgainParser.Parse(Parser.PrettyPrint(V), nullptr);
  const TFuzzySet* Read = Again.GetItems()->GetItem(0)->GetItems()->GetItem(0);
  EXPECT_EQ(Read->GetValues()->GetCount(), 5);
  EXPECT_EQ(AgainParser.PrettyPrint(Read, true), Printed);
}

}  // namespace
}  // namespace tarnwick
