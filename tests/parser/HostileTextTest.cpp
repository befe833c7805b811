// Hostile definition texts fed through the public road, SetStrings of a logic component with a
// linked parser, in both model forms: each ends in an error with its exact message, method and
// line (the same in both forms), or in a defined model, and none crashes, recurses without
// bound or hangs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
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
