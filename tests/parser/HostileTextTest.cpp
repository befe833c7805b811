// Hostile definition texts fed through the public road, SetStrings of a logic component with a
// linked parser, in both model forms: each ends in an error with its exact message, method and
// line (the same in both forms), or in a defined model, and none crashes, recurses without
// bound or hangs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <tuple>
#include <string>
#include <utility>
#include <vector>

#include "parser/ParserTestSupport.h"
#include "tarnwick/parser/KVFuzzyLogicParser.h"

namespace tarnwick {
namespace {

using ::testing::ElementsAre;
using test::kBothForms;
using test::ParseMessage;
using test::TFormModel;
using test::TModelForm;

class HostileTextTest : public ::testing::TestWithParam<TModelForm> {
 protected:
  void Assign(const std::string& Text) { Model.Assign(Text); }

  struct TError {
    std::string Message;
    std::int32_t Line = -1;
  };
  TError ErrorOf(const std::string& Text) {
    const test::TParseError E = test::ErrorOf(Model, Text);
    return {E.Message, E.Line};
  }

  TFormModel Model{GetParam()};
};

TEST_P(HostileTextTest, EachTextEndsInItsExactError) {
  std::string FiveThousandOperators = "(deffuzzy a (values (term b (tri 0 0.5 1)) (term c b";
  for (int I = 0; I < 5000; ++I) FiveThousandOperators += " or b";
  FiveThousandOperators += ")))";
  const std::string Deep = "(deffuzzy a (values (term b " + std::string(100000, '(') + std::string(100000, ')') + ")))";

  struct Case {
    std::string Text;
    std::string Message;
    std::int32_t Line;
  };
  const std::string Unterminated = "Unterminated string: the text ends before the closing quote";
  const std::vector<Case> Cases = {
      // A definition that lacks its ")": the end of the text stands where a clause would open.
      {"(deffuzzy a (range 0 1)", ParseMessage("Expected \"(\"", "ParseFuzzyVariable", 2, " "), 2},
      {"(deffuzzy a (values (term b (tri 0 0.5 1)",
       ParseMessage("Expected \")\"", "ParseFuzzySet", 2, " ( deffuzzy a ( values ( term b ( tri 0 0.5 1 ) \r\n "), 2},
      // One ")" too many, after or before the definitions.
      {"(deffuzzy a (range 0 1)))", ParseMessage("Unexpected token: \")\"", "ParseFuzzyLogic", 1, ") "), 1},
      {"))(deffuzzy a)", ParseMessage("Unexpected token: \")\"", "ParseFuzzyLogic", 1, ") "), 1},
      // A string without its end, in a comment's place, a value's, and after an escape: the
      // lexer's message alone, line 0.
      {"(deffuzzy a \"no end)", Unterminated, 0},
      {"(deffuzzy a (values (term b \"no end)))", Unterminated, 0},
      {"(deffuzzy a (values (term c \"x\\", Unterminated, 0},
      // Parentheses 100,000 deep stop at the lexer's limit.
      {Deep, "Parentheses nested too deeply: more than 256 levels", 1},
      // Numbers beyond a double are words, which no number place takes.
      {"(deffuzzy a (range 0 1e400))",
       ParseMessage("Expected number", "ParseFuzzyVariable", 1, " ( deffuzzy a ( range 0 1e400 "), 1},
      {"(deffuzzy a (values (term b ((0 1e400)))))",
       ParseMessage("Expected number", "ParseFuzzyValuePairs", 1, " ( deffuzzy a ( values ( term b ( ( 0 1e400 "), 1},
      {"(deffuzzy a (values (term b very ((0 1e400)))))",
       ParseMessage("Expected number", "ConvertListToValues", 1,
                    " ( deffuzzy a ( values ( term b very ( ( 0 1e400 ) ) "),
       1},
      {"(deffuzzy a (values (term b 1e400)))",
       ParseMessage("Invalid item in fuzzy expression: 1e400", "EvalFuzzyExpression", 1,
                    " ( deffuzzy a ( values ( term b 1e400 "),
       1},
      // A NUL byte outside a string is a blank, so the term has no name.
      {std::string("(deffuzzy a (values (term \0 (tri 0 0.5 1))))", 42),
       ParseMessage("Missing name", "ParseFuzzySet", 1, " ( deffuzzy a ( values ( term ( "), 1},
      // Brackets open or closed too often reach the evaluation and are refused there.
      {"(deffuzzy a (values (term b (tri 0 0.5 1)) (term c [ b or b)))",
       ParseMessage("Invalid item in fuzzy expression: [", "EvalFuzzyExpression", 1,
                    " ( deffuzzy a ( values ( term b ( tri 0 0.5 1 ) ) ( term c [ b or b "),
       1},
      {"(deffuzzy a (values (term b (tri 0 0.5 1)) (term c ] b [)))",
       ParseMessage("Invalid item in fuzzy expression: ]", "EvalFuzzyExpression", 1,
                    " ( deffuzzy a ( values ( term b ( tri 0 0.5 1 ) ) ( term c ] b [ "),
       1},
  };
  for (const Case& C : Cases) {
    const TError E = ErrorOf(C.Text);
    EXPECT_EQ(E.Message, C.Message) << C.Text.substr(0, 80);
    EXPECT_EQ(E.Line, C.Line) << C.Text.substr(0, 80);
  }

  // 5,000 operators are refused while the token list is read; the message shows the start
  // and the end of the text read so far.
  const TError Long = ErrorOf(FiveThousandOperators);
  EXPECT_THAT(Long.Message,
              ::testing::StartsWith("Parsing Error, Expression too long: more than 2048 operators in ParseTokenList "
                                    "at line 1: \" ( deffuzzy a ( values ( term b ( tri 0 0.5 1 ) ) ( term c b or b"));
  EXPECT_THAT(Long.Message, ::testing::EndsWith("b or b or \""));
  EXPECT_EQ(Long.Line, 1);
}

// Hostile inputs of every kind through the public road, each sized so that work quadratic or
// exponential in its size would not end for minutes: each ends in a model or in a clear error.
// No time is measured; a path that is not bounded by the size of its input shows as a test
// that does not end. One test per row and form, so that the rows run side by side.
class HostileInputTest : public ::testing::TestWithParam<std::tuple<TModelForm, int>> {
 protected:
  HostileInputTest() { Model.Logic().SetAutoTerms(false); }

  // A text's outcome: its error's message, or what Summary tells of the model it made.
  std::string Outcome(const std::string& Text, const std::function<std::string()>& Summary) {
    try {
      Model.Assign(Text);
    } catch (const Exception& E) {
      return E.what();
    }
    return Summary();
  }
  // The sets of the variable a: every one in the collection form, the stored ones in the
  // interface form (which stores a variable only once it is read whole).
  std::string Sets() const {
    if (!Model.HasVariable("a")) return "no variable";
    return std::to_string(Model.SetCount("a")) + " sets";
  }
  // The points of a's term at place Set in the order they print.
  std::string Points(std::size_t Set) const {
    return std::to_string(Model.Points("a", Model.TermNames("a").at(Set)).size()) + " points";
  }

  TFormModel Model{std::get<0>(GetParam())};

 public:
  struct Case {
    const char* Name;
    std::string (*Run)(HostileInputTest& T);
    std::string Expected;
    bool Prefix;  // Expected is the beginning of a message that goes on with the text read
    std::string ExpectedInterface = {};  // where the interface form ends otherwise
  };
  static const std::vector<Case>& Cases();
};

const std::vector<HostileInputTest::Case>& HostileInputTest::Cases() {
  static const std::string Triangle = "(tri 0 0.5 1)";
  static const std::vector<Case> kCases = {
      {"BindingsThatNameTheNextTwice40LevelsDeep",  // 2^40 expansions
       [](HostileInputTest& T) {
         std::string Bindings;
         for (int I = 0; I < 40; ++I)
           Bindings += "c" + std::to_string(I) + "=?c" + std::to_string(I + 1) + " or ?c" + std::to_string(I + 1) + "\n";
         T.Model.Logic().GetVariables()->SetText(Bindings + "c40=b");
         const std::string Result =
             T.Outcome("(deffuzzy a (values (term b " + Triangle + ") (term c ?c0)))", [&] { return T.Sets(); });
         return Result + " / " + T.Sets();  // nothing the evaluation made stays
       },
       ParseMessage("Bindings expand to more than 100000 tokens: ?c0", "EvalFuzzyExpression", 1, " ") + " / 1 sets",
       false,
       ParseMessage("Bindings expand to more than 100000 tokens: ?c0", "EvalFuzzyExpression", 1, " ") +
           " / no variable"},
      {"FortyTermsThatNameTheOneBeforeTwice",  // expression texts of 2^40 characters
       [](HostileInputTest& T) {
         std::string Text = "(deffuzzy a (values (term c0 " + Triangle + ")";
         for (int I = 1; I <= 40; ++I)
           Text += " (term c" + std::to_string(I) + " c" + std::to_string(I - 1) + " or c" + std::to_string(I - 1) + ")";
         return T.Outcome(Text + "))", [&] { return T.Sets(); });
       },
       "Parsing Error, Expression text too long: both operands of or hold more than 1048576 characters in "
       "EvalFuzzyExpression at line 1: \" ( deffuzzy a ( values ( term c0 ( tri 0 0.5 1 ) ) ( term c1 c0 or c0 )",
       true},
      {"HundredThousandPointsInOrderInOneTerm",
       [](HostileInputTest& T) {
         std::string Text = "(deffuzzy a (range 0 100000) (values (term b (";
         for (int I = 0; I < 100000; ++I) Text += "(" + std::to_string(I) + " " + std::to_string(I % 2) + ")";
         return T.Outcome(Text + "))))", [&] { return T.Points(0); });
       },
       "100000 points", false},
      {"HundredThousandTerms",
       [](HostileInputTest& T) {
         std::string Text = "(deffuzzy a (values";
         for (int I = 0; I < 100000; ++I) Text += "\n(term t" + std::to_string(I) + " " + Triangle + ")";
         return T.Outcome(Text + "))", [&] {
           const std::string Printed = T.Model.Print();
           std::size_t Terms = 0;
           for (std::size_t At = Printed.find("(term "); At != std::string::npos; At = Printed.find("(term ", At + 1))
             ++Terms;
           return T.Sets() + ", " + std::to_string(Terms) + " printed";
         });
       },
       "100000 sets, 100000 printed", false},
      {"ALineOf20MB",
       [](HostileInputTest& T) {
         return T.Outcome(
             "(deffuzzy a \"" + std::string(20 * 1024 * 1024, 'x') + "\" (values (term b " + Triangle + ")))",
             [&] { return std::to_string(T.Model.Comment("a").size()) + " characters of comment"; });
       },
       "20971520 characters of comment", false},
      {"Brackets100000DeepInAnExpression",
       [](HostileInputTest& T) {
         return T.Outcome("(deffuzzy a (values (term b " + Triangle + ") (term c not " + std::string(100000, '[') +
                              " b " + std::string(100000, ']') + ")))",
                          [&] { return T.Sets() + ", the last " + T.Model.TermNames("a").back(); });
       },
       "2 sets, the last c", false},
      {"Parentheses100000Deep",
       [](HostileInputTest& T) {
         return T.Outcome("(deffuzzy a (values (term b " + std::string(100000, '(') + std::string(100000, ')') + ")))",
                          [&] { return T.Sets(); });
       },
       "Parentheses nested too deeply: more than 256 levels", false},
      {"The2048OperatorsAnExpressionMayHold",
       [](HostileInputTest& T) {
         std::string Text = "(deffuzzy a (values (term b " + Triangle + ") (term c b";
         for (int I = 0; I < 1024; ++I) Text += " or very b";
         return T.Outcome(Text + ")))", [&] { return T.Sets() + ", " + T.Points(1); });
       },
       "2 sets, 7 points", false},
      {"NumbersAtTheEndsOfTheDoubles",
       [](HostileInputTest& T) {
         return T.Outcome(
             "(deffuzzy a (range -1.7976931348623157e308 1.7976931348623157e308) (values (term b "
             "((-1.7976931348623157e308 0) (4.9e-324 1) (1.7976931348623157e308 0))) (term c b * 1e308)))",
             [&] { return T.Sets() + ", " + T.Points(0) + ", " + T.Points(1); });
       },
       "2 sets, 3 points, 3 points", false},
      {"NulBytesInACommentAStringAndBetweenTokens",
       [](HostileInputTest& T) {
         return T.Outcome(std::string("(deffuzzy a \"x\0y\"\0(values (term b \"\0\" ", 38) + Triangle + ")))",
                          [&] { return T.Sets() + ", comment of " + std::to_string(T.Model.Comment("a").size()); });
       },
       "1 sets, comment of 3", false},
  };
  return kCases;
}

TEST_P(HostileInputTest, EndsInAModelOrAClearError) {
  const Case& C = Cases()[static_cast<std::size_t>(std::get<1>(GetParam()))];
  const std::string Got = C.Run(*this);
  const std::string& Expected =
      std::get<0>(GetParam()) == test::mfInterface && !C.ExpectedInterface.empty() ? C.ExpectedInterface : C.Expected;
  if (C.Prefix) {
    EXPECT_EQ(Got.substr(0, Expected.size()), Expected);
  } else {
    EXPECT_EQ(Got, Expected);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, HostileInputTest,
    ::testing::Combine(::testing::ValuesIn(kBothForms),
                       ::testing::Range(0, static_cast<int>(HostileInputTest::Cases().size()))),
    [](const ::testing::TestParamInfo<std::tuple<TModelForm, int>>& Info) {
      return std::string(HostileInputTest::Cases()[static_cast<std::size_t>(std::get<1>(Info.param))].Name) +
             (std::get<0>(Info.param) == test::mfCollection ? "_Collection" : "_Interface");
    });

// An expression evaluated again and again leaves only its results, which a host may free (or,
// in the interface form, drop): the copies made before hedges and the results of inner steps
// go when each evaluation ends.
TEST_P(HostileTextTest, RepeatedEvaluationsLeaveNothingBehind) {
  Model.Logic().SetAutoTerms(false);
  Assign("(deffuzzy t (range 0 100) (values (term warm (tri 20 50 80)) (term cold ((0 1) (40 0)))))");
  for (int I = 0; I < 20000; ++I) {
    if (GetParam() == test::mfCollection)
      delete Model.Parser.EvalFuzzyExpression(Model.Collection().GetItems()->GetItem(0), "very warm or somewhat cold");
    else
      static_cast<void>(
          Model.Parser.EvalFuzzyExpression(Model.Interface().GetItems()->Get("t").get(), "very warm or somewhat cold"));
  }
  EXPECT_EQ(Model.SetCount("t"), 2);
}

TEST_P(HostileTextTest, ABindingThatRefersToItselfThroughTheVariablesList) {
  // The error is raised inside the evaluation of the binding's own value, whose token stream
  // has read its last token: so line 1 and the empty rest of that text.
  Model.Logic().GetVariables()->SetText("b=very ?B");
  const TError E = ErrorOf("(deffuzzy a\n(values (term b ?b)))");
  EXPECT_EQ(E.Message, ParseMessage("Binding refers to itself: ?B", "EvalFuzzyExpression", 1, " "));
  EXPECT_EQ(E.Line, 1);
}

TEST_P(HostileTextTest, TextsThatReadAsADefinedModel) {
  // A decimal integer beyond 64 bits is a float; a NUL byte is a blank outside strings and a
  // character inside them; malformed UTF-8 reads as replacement characters.
  static const char kText[] =
      "(deffuzzy a\0\"x\0y\" (range 0 99999999999999999999)\n"
      "  (values (term b ((99999999999999999999 1)))))\n"
      "(deffuzzy \xFF (units \xC3) (values (term \xED\xA0\x80 (tri 0 0.5 1))))";
  Assign(std::string(kText, sizeof kText - 1));
  ASSERT_EQ(Model.VariableCount(), 2);
  EXPECT_EQ(Model.Maximum("a"), 1e20);
  EXPECT_EQ(Model.Comment("a"), std::string("x\0y", 3));
  EXPECT_EQ(Model.Points("a", "b")[0].first, 1e20);
  const std::string Replacement = "\xEF\xBF\xBD";
  EXPECT_EQ(Model.Units(Replacement), Replacement);
  EXPECT_THAT(Model.TermNames(Replacement), ElementsAre(Replacement + Replacement + Replacement, "low", "medium", "high"));
  // Brackets 100,000 deep group without recursion.
  Assign("(deffuzzy a (values (term b (tri 0 0.5 1)) (term c very " + std::string(100000, '[') + " b " +
         std::string(100000, ']') + ")))");
  EXPECT_THAT(Model.TermNames("a"), ElementsAre("b", "c", "low", "medium", "high"));
}

TEST_P(HostileTextTest, AGiantPointListOnOneLine) {
  // Half a megabyte of points on one line, the three points of a triangle over and over: every
  // point is added under the point list's rules, which keep one of each.
  std::string Points;
  while (Points.size() < 512 * 1024) Points += "(0 0) (0.5 1) (1 0) ";
  Model.Logic().SetAutoTerms(false);
  Assign("(deffuzzy a (values (term b (" + Points + "))))");
  EXPECT_THAT(Model.Points("a", "b"), ElementsAre(std::pair{0.0, 0.0}, std::pair{0.5, 1.0}, std::pair{1.0, 0.0}));
}

// Found by fuzzing: a curve cut at the variable's range leaves four points on the bound (the
// bulk clean-up keeps four on one X), which a point list, read point by point, cannot hold.
// The printer writes such a run as its first point, its peak and its last point, so the text
// reads back as the points written and prints the same again.
TEST_P(HostileTextTest, ACurveCutAtTheRangePrintsAsAPointListThatReadsBack) {
  Model.Logic().SetAutoTerms(false);
  Assign("(deffuzzy a (range 0 45) (values (term h (pi 15 50))))");
  const auto Cut = Model.Points("a", "h");
  ASSERT_EQ(Cut.size(), 6u);
  EXPECT_EQ(Cut[3].first, 45.0);
  EXPECT_NEAR(Cut[3].second, 1.0, 1e-12);

  const std::string Printed = Model.Print();
  EXPECT_THAT(Printed, ::testing::HasSubstr("(term h ((35.0000 0.0000) (40.0000 0.2222) (45.0000 0.7778) "
                                            "(45.0000 1.0000) (45.0000 0.2222) ))"));
  Assign(Printed);
  const auto Read = Model.Points("a", "h");
  ASSERT_EQ(Read.size(), 5u);
  // Printed to four decimals: the same points within half a unit of the last place.
  for (auto [R, C] : {std::pair{0, 0}, std::pair{1, 1}, std::pair{2, 2}, std::pair{3, 3}, std::pair{4, 5}}) {
    EXPECT_NEAR(Read[R].first, Cut[C].first, 5e-5) << R;
    EXPECT_NEAR(Read[R].second, Cut[C].second, 5e-5) << R;
  }
  EXPECT_EQ(Model.Print(), Printed);
}

INSTANTIATE_TEST_SUITE_P(BothForms, HostileTextTest, ::testing::ValuesIn(kBothForms),
                         [](const ::testing::TestParamInfo<TModelForm>& Info) {
                           return std::string(Info.param == test::mfCollection ? "Collection" : "Interface");
                         });

}  // namespace
}  // namespace tarnwick
