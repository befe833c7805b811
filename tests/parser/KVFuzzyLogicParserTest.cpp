// The definition parser: the grammar of definitions, clauses and terms, the road of one text
// through the logic component with its events in order, automatic terms, every message with
// its exact text, method and line, errors that pass through, nesting of entry points, and
// hostile texts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tarnwick/model/FuzzyConsts.h"
#include "tarnwick/model/FuzzyLogicComponent.h"
#include "tarnwick/model/FuzzyParserBase.h"
#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/model/FuzzyVariable.h"
#include "parser/ParserTestSupport.h"
#include "tarnwick/parser/FuzzyLogicTokenStream.h"
#include "tarnwick/parser/KVFuzzyLogicParser.h"
#include "tarnwick/platform/ResStrings.h"
#include "tarnwick/platform/Strings.h"

namespace tarnwick {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

using TPoints = std::vector<std::pair<double, double>>;

TPoints PointsOf(const TFuzzySet* S) {
  TPoints R;
  const TFuzzySetValues& V = *S->GetValues();
  for (std::int32_t I = 0; I < V.GetCount(); ++I) R.emplace_back(V[I]->GetX(), V[I]->GetY());
  return R;
}

std::vector<std::string> NamesOf(const TFuzzyVariable* V) {
  std::vector<std::string> R;
  for (std::int32_t I = 0; I < V->GetItems()->GetCount(); ++I) R.push_back(V->GetItems()->GetItem(I)->GetName());
  return R;
}

using test::ParseMessage;

// A logic component and a parser linked both ways; the logic keeps its automatic terms on.
class ParserTest : public ::testing::Test {
 protected:
  ParserTest() {
    Logic.SetParser(&Parser);
    Parser.SetFuzzyLogic(&Logic);
  }

  // Reads Text into a logic emptied first, as the logic's own Parse does.
  void Parse(const std::string& Text) {
    Logic.GetItems()->Clear();
    Parser.Parse(Text, nullptr);
  }

  // The message of the error the text raises, and its line.
  std::string ParseErrorOf(const std::string& Text, std::int32_t* Line = nullptr) {
    try {
      Parse(Text);
    } catch (const EFzyParseException& E) {
      if (Line) *Line = E.GetLineNumber();
      return E.what();
    }
    ADD_FAILURE() << "no parse error for " << Text;
    return {};
  }

  TFuzzyVariable* Var(std::int32_t Index) const { return Logic.GetItems()->GetItem(Index); }
  TFuzzySet* Set(std::int32_t Var, const std::string& Name) const {
    return Logic.GetItems()->GetItem(Var)->GetItems()->GetItemByName(Name);
  }

  TFuzzyLogic Logic{nullptr};
  TKVFuzzyLogicParser Parser{nullptr};
};

// --- The grammar

TEST_F(ParserTest, ADefinitionGivesTheVariableItsClausesAndTerms) {
  Parse(
      "; a comment line\n"
      "(deffuzzy temp \"air temperature\"\n"
      "  (range -10 40)\n"
      "  (units C)\n"
      "  (values\n"
      "    (term cold \"below zero\" ((-10 1) (0 0)))\n"
      "    (term warm (tri 10 20 30))\n"
      "    (term hot (s 20 40))))");
  ASSERT_EQ(Logic.GetItems()->GetCount(), 1);
  const TFuzzyVariable* V = Var(0);
  EXPECT_EQ(V->GetName(), "temp");
  EXPECT_EQ(V->GetComment(), "air temperature");
  EXPECT_EQ(V->GetMinimum(), -10);
  EXPECT_EQ(V->GetMaximum(), 40);
  EXPECT_EQ(V->GetUnits(), "C");
  // The automatic terms the text did not give come after the text's own, over its range.
  EXPECT_THAT(NamesOf(V), ElementsAre("cold", "warm", "hot", "low", "medium", "high"));
  EXPECT_EQ(Set(0, "cold")->GetComment(), "below zero");
  EXPECT_EQ(PointsOf(Set(0, "cold")), (TPoints{{-10, 1}, {0, 0}}));
  EXPECT_EQ(Set(0, "warm")->GetSetType(), fstTriangle);
  EXPECT_EQ(PointsOf(Set(0, "warm")), (TPoints{{10, 0}, {20, 1}, {30, 0}}));
  EXPECT_EQ(Set(0, "hot")->GetSetType(), fstGrowthCurve);
  EXPECT_EQ(PointsOf(Set(0, "low")), (TPoints{{-10, 1}, {40, 0}}));
  for (const std::string& Name : NamesOf(V)) EXPECT_TRUE(Set(0, Name)->GetDefined()) << Name;
  // Point lists and calls carry no expression.
  EXPECT_EQ(Set(0, "cold")->GetExpression(), "");
  EXPECT_EQ(Set(0, "warm")->GetExpression(), "");
}

TEST_F(ParserTest, TextsWithoutDefinitionsCreateNothing) {
  for (const std::string Text : {"", "   \r\n\t ", "; only a comment", "; one\n; two\n"}) {
    Parse(Text);
    EXPECT_EQ(Logic.GetItems()->GetCount(), 0) << Text;
  }
}

TEST_F(ParserTest, DefinitionsFollowOneAnotherAndTheLastMayEndTheText) {
  Parse("(deffuzzy a)(deffuzzy b)\n(deffuzzy c)");
  ASSERT_EQ(Logic.GetItems()->GetCount(), 3);
  EXPECT_EQ(Var(2)->GetName(), "c");
}

TEST_F(ParserTest, ADefinitionOfANameAloneGetsTheAutomaticTermsOverTheDefaultRange) {
  Parse("(deffuzzy speed)");
  EXPECT_EQ(Var(0)->GetName(), "speed");
  EXPECT_THAT(NamesOf(Var(0)), ElementsAre("low", "medium", "high"));
  EXPECT_EQ(PointsOf(Set(0, "high")), (TPoints{{0, 0}, {1, 1}}));
}

TEST_F(ParserTest, WithoutAutomaticTermsAVariableHasOnlyItsOwnTerms) {
  Logic.SetAutoTerms(false);
  Parse("(deffuzzy speed (values (term slow (z 0 1))))");
  EXPECT_THAT(NamesOf(Var(0)), ElementsAre("slow"));
  Parse("(deffuzzy bare)");
  EXPECT_THAT(NamesOf(Var(0)), ElementsAre());
}

TEST_F(ParserTest, AnAutomaticTermTheTextDefinesIsNotAddedAgain) {
  Parse("(deffuzzy v (range 10 30) (values (term medium (tri 15 20 25))))");
  EXPECT_THAT(NamesOf(Var(0)), ElementsAre("medium", "low", "high"));
  EXPECT_EQ(PointsOf(Set(0, "medium")), (TPoints{{15, 0}, {20, 1}, {25, 0}}));
  EXPECT_EQ(PointsOf(Set(0, "low")), (TPoints{{10, 1}, {30, 0}}));
}

TEST_F(ParserTest, ClausesComeInAnyOrderLaterRangesAndUnitsReplaceTermsAccumulate) {
  Logic.SetAutoTerms(false);
  Parse(
      "(deffuzzy v (units a) (values (term x ((0 0) (1 1)))) (range 0 5) (units b)"
      " (values (term y (tri 0 1 2))) (range 2 8))");
  EXPECT_EQ(Var(0)->GetMinimum(), 2);
  EXPECT_EQ(Var(0)->GetMaximum(), 8);
  EXPECT_EQ(Var(0)->GetUnits(), "b");
  EXPECT_THAT(NamesOf(Var(0)), ElementsAre("x", "y"));
}

TEST_F(ParserTest, ARangeGivesTheVariableItsBounds) {
  Parse("(deffuzzy v (range 1.5 2e1))");
  EXPECT_EQ(Var(0)->GetMinimum(), 1.5);
  EXPECT_EQ(Var(0)->GetMaximum(), 20);
  // A range of one value is a range.
  Parse("(deffuzzy v (range 3 3))");
  EXPECT_EQ(Var(0)->GetMinimum(), 3);
  EXPECT_EQ(Var(0)->GetMaximum(), 3);
}

// Read through the setters, whose rules keep the minimum at most the maximum, a reversed range
// would end as a range of one value and clamp every point of every term onto it. The text is
// refused instead, and the variable keeps the range it had.
TEST_F(ParserTest, AReversedRangeIsRefusedNamingBothNumbersAndItsLine) {
  struct Case {
    const char* Text;
    int Line;
    const char* Msg;
    const char* Read;
  };
  const Case Cases[] = {
      {"(deffuzzy speed (range 120 0))", 1, "Reversed range: the minimum 120 is greater than the maximum 0",
       " ( deffuzzy speed ( range 120 0 "},
      {"(deffuzzy t\n  (range 0 40)\n  (range 2.5\n         -1e1))", 4,
       "Reversed range: the minimum 2.5 is greater than the maximum -10",
       " ( deffuzzy t \r\n( range 0 40 ) \r\n( range 2.5 \r\n-10.0 "},
  };
  for (const Case& C : Cases) {
    for (test::TModelForm Form : test::kBothForms) {
      test::TFormModel Model(Form);
      Model.Logic().SetAutoTerms(false);
      const test::TParseError E = test::ErrorOf(Model, C.Text);
      EXPECT_EQ(E, (test::TParseError{ParseMessage(C.Msg, "ParseFuzzyVariable", C.Line, C.Read), C.Line}))
          << C.Text << " in the " << test::FormName(Form);
    }
  }
  // The owned form keeps the variable it began, with the range it had before the clause.
  ParseErrorOf("(deffuzzy t (range 0 40) (range 2.5 -1e1))");
  ASSERT_EQ(Logic.GetItems()->GetCount(), 1);
  EXPECT_EQ(Var(0)->GetMinimum(), 0);
  EXPECT_EQ(Var(0)->GetMaximum(), 40);
}

TEST_F(ParserTest, UnitsKeepAWordsPrintedFormAndAStringsText) {
  struct Case {
    const char* Clause;
    const char* Units;
  };
  const Case Cases[] = {{"(units km/h)", "km/h"}, {"(units \"miles per hour\")", "miles per hour"},
                        {"(units 5)", "5"}, {"(units a\\ b)", "a\\ b"}};
  for (const Case& C : Cases) {
    Parse(std::string("(deffuzzy v ") + C.Clause + ")");
    EXPECT_EQ(Var(0)->GetUnits(), C.Units) << C.Clause;
  }
}

TEST_F(ParserTest, TermValuesOfEveryKind) {
  Logic.SetAutoTerms(false);
  Parse(
      "(deffuzzy v (range 0 10) (values"
      "  (term a ((0 0) (5 1) (10 0)))"
      "  (term b (pi 2 5))"
      "  (term c very a)"
      "  (term d a and b)"
      "  (term e 4)"
      "  (term f ())))");
  EXPECT_EQ(Set(0, "b")->GetSetType(), fstPICurve);
  // An expression's result is a new set that keeps the expression text.
  EXPECT_EQ(Set(0, "c")->GetExpression(), "[very a]");
  EXPECT_EQ(Set(0, "d")->GetExpression(), "a and b");
  EXPECT_EQ(PointsOf(Set(0, "a")), (TPoints{{0, 0}, {5, 1}, {10, 0}}));  // a copy took the hedge
  EXPECT_EQ(PointsOf(Set(0, "e")), (TPoints{{4, 0}, {4, 1}, {4, 0}}));
  EXPECT_TRUE(Set(0, "f")->GetDefined());
  EXPECT_EQ(Set(0, "f")->GetValues()->GetCount(), 0);
  // The sets made on the way (the copy, the number's own set) stay, not Defined.
  std::int32_t Defined = 0;
  for (std::int32_t I = 0; I < Var(0)->GetItems()->GetCount(); ++I) Defined += Var(0)->GetItems()->GetItem(I)->GetDefined();
  EXPECT_EQ(Defined, 6);
}

TEST_F(ParserTest, ATermThatIsASingleNameRenamesThatSet) {
  Logic.SetAutoTerms(false);
  Parse("(deffuzzy v (values (term a (tri 0 0.5 1)) (term b a)))");
  EXPECT_THAT(NamesOf(Var(0)), ElementsAre("b"));
  EXPECT_EQ(Var(0)->GetItems()->IndexOf("a"), -1);
}

TEST_F(ParserTest, APointTakesTheTokenAfterItsYUnseen) {
  Logic.SetAutoTerms(false);
  // The third number stands in for the point's ")", and that ")" then ends the point list.
  Parse("(deffuzzy v (values (term a ((0.25 1 7) )))");
  EXPECT_EQ(PointsOf(Set(0, "a")), (TPoints{{0.25, 1}}));
  EXPECT_EQ(ParseErrorOf("(deffuzzy v (values (term a ((0 1 2) (1 0)))))"),
            ParseMessage("Expected \")\"", "ParseFuzzySet", 1, " ( deffuzzy v ( values ( term a ( ( 0 1 2 ) ( "));
}

TEST_F(ParserTest, WhatIsLeftOfADefinitionAfterAStandInIsAnError) {
  // The spare ")" of that point stands at the top level when the definition is done.
  EXPECT_EQ(ParseErrorOf("(deffuzzy v (values (term a ((0 1 2)))))"),
            ParseMessage("Unexpected token: \")\"", "ParseFuzzyLogic", 1,
                         " ( deffuzzy v ( values ( term a ( ( 0 1 2 ) ) ) ) ) "));
}

// --- The road of one definition text

TEST_F(ParserTest, TheRoadOfOneDefinitionFiresItsEventsInOrder) {
  std::vector<std::string> Log;
  auto Name = [](const std::string& N) { return N.empty() ? std::string("?") : N; };
  Logic.SetOnVariableAdded([&](TObject*, TFuzzyVariable* V) { Log.push_back("VariableAdded " + Name(V->GetName())); });
  Logic.SetOnVariableDeleted(
      [&](TObject*, TFuzzyVariable* V) { Log.push_back("VariableDeleted " + Name(V->GetName())); });
  Logic.SetOnFuzzySetAdded([&](TObject*, TFuzzySet* S) { Log.push_back("FuzzySetAdded " + Name(S->GetName())); });
  Logic.SetOnChange([&](TObject*) { Log.push_back("Change"); });
  Parser.SetOnParsing([&](TObject*) { Log.push_back("Parsing"); });
  Parser.SetOnParsed([&](TObject*) { Log.push_back("Parsed"); });
  Parser.SetOnParseFuzzySet([&](TObject* Sender, TFuzzySet* S) {
    EXPECT_EQ(Sender, &Parser);
    EXPECT_FALSE(S->GetDefined());  // the definition marks it afterwards
    Log.push_back("ParseFuzzySet " + S->GetName());
  });
  Parser.SetOnParseFuzzyVariable([&](TObject* Sender, TFuzzyVariable* V) {
    EXPECT_EQ(Sender, &Parser);
    EXPECT_EQ(V->GetCollection(), Logic.GetItems());
    Log.push_back("ParseFuzzyVariable " + V->GetName());
  });

  TStringList Text;
  Text.SetText("(deffuzzy t (range 10 30) (values (term low (tri 10 10 20))))");
  Logic.SetStrings(&Text);

  EXPECT_THAT(Log, ElementsAre("Parsing",
                               // added inside the update block, with the automatic terms
                               "VariableAdded ?", "FuzzySetAdded ?", "FuzzySetAdded ?", "FuzzySetAdded ?",
                               // taken out while it is read: its own changes reach no one
                               "VariableDeleted ?", "ParseFuzzySet low",
                               // back with the terms the text left out, over the range read
                               "VariableAdded t", "FuzzySetAdded ?", "FuzzySetAdded ?",
                               // the end of the update block
                               "Change", "ParseFuzzyVariable t", "Parsed"));
  EXPECT_THAT(NamesOf(Var(0)), ElementsAre("low", "medium", "high"));
  EXPECT_EQ(PointsOf(Set(0, "medium")), (TPoints{{10, 0}, {20, 1}, {30, 0}}));
  // The variable got the logic's threshold when it came back.
  EXPECT_EQ(Var(0)->GetThreshold(), Logic.GetThreshold());
  // The text reads back as assigned until the model changes.
  EXPECT_FALSE(Logic.GetNeedsUpdate());
  EXPECT_EQ(Logic.GetStrings()->GetText(), Text.GetText());
  Set(0, "low")->SetComment("changed");
  EXPECT_THAT(Logic.GetStrings()->GetText(), HasSubstr("(term low \"changed\" (tri 10.0000 10.0000 20.0000))"));
}

TEST_F(ParserTest, AStringsAssignmentReplacesTheVariables) {
  TStringList Text;
  Text.SetText("(deffuzzy a)");
  Logic.SetStrings(&Text);
  Text.SetText("(deffuzzy b)\n(deffuzzy c)");
  Logic.SetStrings(&Text);
  ASSERT_EQ(Logic.GetItems()->GetCount(), 2);
  EXPECT_EQ(Var(0)->GetName(), "b");
}

TEST_F(ParserTest, AnErrorLeavesWhatWasReadAndTheVariableBackInItsCollection) {
  std::vector<std::string> Log;
  Parser.SetOnParseFuzzyVariable([&](TObject*, TFuzzyVariable* V) { Log.push_back("variable " + V->GetName()); });
  Parser.SetOnParseFuzzySet([&](TObject*, TFuzzySet* S) { Log.push_back("set " + S->GetName()); });
  Parser.SetOnParsed([&](TObject*) { Log.push_back("parsed"); });
  ParseErrorOf("(deffuzzy a) (deffuzzy b (range 0 4) (values (term x (tri 0 1 2)) (term y (tri 0 1))))");
  EXPECT_THAT(Log, ElementsAre("variable a", "set x"));
  ASSERT_EQ(Logic.GetItems()->GetCount(), 2);
  EXPECT_EQ(Var(1)->GetName(), "b");
  EXPECT_EQ(Var(1)->GetCollection(), Logic.GetItems());
  EXPECT_EQ(Var(1)->GetMaximum(), 4);
  // y's own set, left without a shape, is no term; the automatic terms came back.
  EXPECT_EQ(Var(1)->GetItems()->IndexOf("x"), 0);
  EXPECT_NE(Var(1)->GetItems()->IndexOf("high"), -1);
  // The update block was ended: a change reaches the logic at once.
  bool Changed = false;
  Logic.SetOnVariableChange([&](TObject*, TFuzzyVariable*) { Changed = true; });
  Var(1)->SetUnits("u");
  EXPECT_TRUE(Changed);
}

TEST_F(ParserTest, AHandlerThatSwitchesAutoTermsOffStillGetsTheVariableBack) {
  Parser.SetOnParseFuzzySet([&](TObject*, TFuzzySet*) { Logic.SetAutoTerms(false); });
  Parse("(deffuzzy a (values (term x (tri 0 1 2))))");
  ASSERT_EQ(Logic.GetItems()->GetCount(), 1);
  EXPECT_EQ(Var(0)->GetCollection(), Logic.GetItems());
  EXPECT_THAT(NamesOf(Var(0)), ElementsAre("x"));
}

TEST_F(ParserTest, AnErrorWhileTheVariableComesBackPassesThrough) {
  Logic.SetOnVariableAdded([](TObject*, TFuzzyVariable* V) {
    if (V->GetName() == "boom") throw EFzyException("from the handler");
  });
  EXPECT_THROW(
      {
        try {
          Parse("(deffuzzy boom (range 0 2))");
        } catch (const EFzyException& E) {
          EXPECT_STREQ(E.what(), "from the handler");
          throw;
        }
      },
      EFzyException);
  ASSERT_EQ(Logic.GetItems()->GetCount(), 1);
  EXPECT_EQ(Var(0)->GetCollection(), Logic.GetItems());
  // When the definition itself failed, its error wins and the handler's is dropped.
  EXPECT_THAT(ParseErrorOf("(deffuzzy boom (range 0 x))"), StartsWith("Parsing Error, Expected number"));
}

// Everything a host can read of a logic component after a parse, and of its variables while
// the definitions are read: names, IDs (of one probe set added afterwards too), current items,
// ranges, thresholds, the sets with their points bit for bit, the text and its mark.
class TModelDump {
 public:
  // Watches the parse through the parser's events, which the logic's handlers do not change.
  explicit TModelDump(TKVFuzzyLogicParser& Parser) {
    Parser.SetOnParseFuzzySet([this](TObject* Sender, TFuzzySet* S) {
      const auto& Logic = *static_cast<TKVFuzzyLogicParser*>(Sender)->GetFuzzyLogic();
      FText += "parsed set " + S->GetName() + " id " + std::to_string(S->GetID()) + " of " +
               std::to_string(S->GetCollection()->GetCount()) + ", text out of date " +
               std::to_string(Logic.GetNeedsUpdate()) + "\n";
    });
  }

  void Read(TFuzzyLogic& Logic) {
    for (std::int32_t I = 0; I < Logic.GetItems()->GetCount(); ++I) {
      const TFuzzyVariable& V = *Logic.GetItems()->GetItem(I);
      FText += "variable " + V.GetName() + " id " + std::to_string(V.GetID()) + " item " +
               std::to_string(V.GetItemIndex()) + " range " + Bits(V.GetMinimum()) + " " + Bits(V.GetMaximum()) +
               " threshold " + Bits(V.GetThreshold()) + " units " + V.GetUnits() + " comment " + V.GetComment() + "\n";
      for (std::int32_t J = 0; J < V.GetItems()->GetCount(); ++J) {
        const TFuzzySet& S = *V.GetItems()->GetItem(J);
        FText += "  set " + S.GetName() + " id " + std::to_string(S.GetID()) + " defined " +
                 std::to_string(S.GetDefined()) + " type " + std::to_string(S.GetSetType()) + " expression " +
                 S.GetExpression() + " comment " + S.GetComment() + " points";
        for (std::int32_t K = 0; K < S.GetValues()->GetCount(); ++K)
          FText += " " + Bits(S.GetValues()->GetItem(K)->GetX()) + "," + Bits(S.GetValues()->GetItem(K)->GetY());
        FText += "\n";
      }
      FText += "  next set id " + std::to_string(V.GetItems()->Add()->GetID()) + "\n";
    }
    FText += "text out of date " + std::to_string(Logic.GetNeedsUpdate()) + "\n" + Logic.GetStrings()->GetText();
  }
  const std::string& Text() const { return FText; }

 private:
  static std::string Bits(double X) { return std::to_string(std::bit_cast<std::uint64_t>(X)); }
  std::string FText;
};

// A definition's variable leaves its collection at once and loses the automatic terms it got;
// where no handler and no class of the host's could see them, they are not made at all. Each
// text reads to the same model, event for event, with handlers that see the terms (which makes
// them) and without.
TEST(DefinitionAutoTerms, AreLeftOutOnlyWhereNothingSeesThemWithTheSameResult) {
  const char* const kTexts[] = {
      "(deffuzzy t (range 0 40) (values (term low (tri 0 10 20)) (term medium ((10 0) (15 1) (25 1) (30 0)))"
      " (term high (tri 20 30 40))))\n(deffuzzy h (range 0 100) (values (term medium (tri 20 50 80))))",
      "(deffuzzy alone)\n(deffuzzy two (range -1 1) (units u) (values (term x (pi 1 0)) (term low x)))",
      "(deffuzzy a (range 0 4) (values (term x (tri 0 1 2))))\n(deffuzzy b (range 0 4) (values (term y (tri 0 1))))",
  };
  // The automatic terms' names as a host may set them: the defaults, a repeated name (one term
  // fewer), an empty one, and a reserved word, which fails the first definition.
  const std::vector<std::pair<std::string, std::string>> kMediumNames = {
      {"default", ""}, {"repeated", "low"}, {"empty", ""}};
  // The first makes none; each other handler sees the terms, which are then made.
  enum TWatch { wNone, wFuzzySetAdded, wFuzzySetChange, wVariableDeleted };
  for (const char* Text : kTexts) {
    for (const auto& [Case, Medium] : kMediumNames) {
      if (Case != "default") SetResStringText(SMediumFuzzyTerm.Name, Medium);
      std::string Expected;
      for (TWatch Watch : {wNone, wFuzzySetAdded, wFuzzySetChange, wVariableDeleted}) {
        TFuzzyLogic Logic(nullptr);
        TKVFuzzyLogicParser Parser(nullptr);
        Logic.SetParser(&Parser);
        Parser.SetFuzzyLogic(&Logic);
        TModelDump Dump(Parser);
        std::string Events;
        auto Note = [&Events](const std::string& What) { Events += What + "\n"; };
        if (Watch == wFuzzySetAdded) Logic.SetOnFuzzySetAdded([](TObject*, TFuzzySet*) {});
        if (Watch == wFuzzySetChange) Logic.SetOnFuzzySetChange([](TObject*, TFuzzySet*) {});
        if (Watch == wVariableDeleted) Logic.SetOnVariableDeleted([](TObject*, TFuzzyVariable*) {});
        Logic.SetOnVariableAdded([&](TObject*, TFuzzyVariable* V) {
          Note("added " + V->GetName() + " id " + std::to_string(V->GetID()));
        });
        Logic.SetOnChange([&](TObject*) { Note("change"); });
        Logic.SetOnVariableChange([&](TObject*, TFuzzyVariable*) { Note("variable change"); });
        Logic.SetOnFuzzySetDeleted([&](TObject*, TFuzzySet*) { Note("set deleted"); });
        TStringList Lines;
        Lines.SetText(Text);
        try {
          Logic.SetStrings(&Lines);
        } catch (const EFzyException& E) {
          Note(std::string("error ") + E.what());
        }
        Dump.Read(Logic);
        const std::string Seen = Events + Dump.Text();
        if (Watch == wNone) Expected = Seen;
        else EXPECT_EQ(Seen, Expected) << Text << "\nnames: " << Case << ", watch " << Watch;
      }
      ResetResStringText(SMediumFuzzyTerm.Name);
    }
  }
}

// --- Entry points

TEST_F(ParserTest, TheStringFormsOfOneVariableAndOneTerm) {
  TFuzzyVariable* V = Parser.ParseFuzzyVariable("(deffuzzy v (range 0 10)) (deffuzzy ignored)", nullptr);
  ASSERT_EQ(Logic.GetItems()->GetCount(), 1);
  EXPECT_EQ(V, Var(0));
  TFuzzySet* S = Parser.ParseFuzzySet(V, "(term peak \"top\" (tri 2 5 8))", nullptr);
  EXPECT_EQ(S->GetName(), "peak");
  EXPECT_EQ(S->GetComment(), "top");
  EXPECT_EQ(S->GetVariable(), V);
  EXPECT_FALSE(S->GetDefined());  // only a definition marks its terms

  // A term needs no logic component; a free variable will do.
  TFuzzyVariable Free(nullptr);
  TKVFuzzyLogicParser Alone(nullptr);
  EXPECT_EQ(PointsOf(Alone.ParseFuzzySet(&Free, "(term t ((0 0) (1 1)))", nullptr)), (TPoints{{0, 0}, {1, 1}}));
}

TEST_F(ParserTest, EntryPointsNest) {
  TFuzzyVariable Other(nullptr);
  std::vector<std::string> Nested;
  Parser.SetOnParseFuzzySet([&](TObject*, TFuzzySet* S) {
    if (S->GetName() != "x") return;
    Nested.push_back(Parser.ParseFuzzySet(&Other, "(term inner (tri 0 1 2))", nullptr)->GetName());
    try {
      Parser.ParseFuzzySet(&Other, "(term bad (tri 0 1))", nullptr);
    } catch (const EFzyParseException& E) {
      Nested.push_back(E.what());
    }
  });
  // After both nested calls the outer parse goes on reading its own text, and its errors
  // report its own line and text (the line break before a token put back and read again is
  // not echoed).
  EXPECT_EQ(ParseErrorOf("(deffuzzy a (values (term x (tri 0 1 2))\n(term y (z 1))))"),
            ParseMessage("Number of arguments for function, z, incorrect.  Expected \"\"Left Right Inflection_Point\"\"",
                         "CalcFuzzyFunction", 2, " ( deffuzzy a ( values ( term x ( tri 0 1 2 ) ) ( term y ( z 1 "));
  EXPECT_THAT(Nested,
              ElementsAre("inner", ParseMessage("Number of arguments for function, tri, incorrect.  Expected "
                                                "\"\"Left Middle Right\"\"",
                                                "CalcFuzzyFunction", 1, "( term bad ( tri 0 1 ")));
  // Between calls the parser reports no line and no text.
  try {
    Parser.ParseError("Somewhere", "message");
  } catch (const EFzyParseException& E) {
    EXPECT_STREQ(E.what(), "Parsing Error, message in Somewhere at line 0: \"\"");
  }
}

// --- Errors

TEST_F(ParserTest, EveryGrammarErrorCarriesItsMessageMethodAndText) {
  struct Case {
    const char* Text;
    const char* Msg;
    const char* Method;
    const char* Read;
  };
  const Case Cases[] = {
      {"x", "Unexpected token: \"x\"", "ParseFuzzyLogic", "x "},
      {"(deffuzzy a) ]", "Unexpected token: \"]\"", "ParseFuzzyLogic", "] "},
      {"(foo a)", "Expected \"( deffuzzy\"", "ParseFuzzyVariable", " ( foo "},
      {"(deffuzzy 5)", "Missing name", "ParseFuzzyVariable", " ( deffuzzy 5 "},
      {"(deffuzzy \"a\")", "Missing name", "ParseFuzzyVariable", " ( deffuzzy \"a\" "},
      {"(deffuzzy a x)", "Expected \"(\"", "ParseFuzzyVariable", " ( deffuzzy a x ) "},
      {"(deffuzzy a (Range 0 1))", "Missing keyword.  Expected \"range, units, or values\"", "ParseFuzzyVariable",
       " ( deffuzzy a ( Range "},
      {"(deffuzzy a (5))", "Missing keyword.  Expected \"range, units, or values\"", "ParseFuzzyVariable",
       " ( deffuzzy a ( 5 "},
      {"(deffuzzy a (range 0 x))", "Expected number", "ParseFuzzyVariable", " ( deffuzzy a ( range 0 x "},
      {"(deffuzzy a (range 0))", "Expected number", "ParseFuzzyVariable", " ( deffuzzy a ( range 0 ) "},
      {"(deffuzzy a (range 0 1 2))", "Expected \")\"", "ParseFuzzyVariable", " ( deffuzzy a ( range 0 1 2 "},
      // A units clause without its token takes the ")" as units; the definition's ")" then
      // stands where a clause would begin, and the end of the text follows.
      {"(deffuzzy a (units))", "Expected \"(\"", "ParseFuzzyVariable", " "},
      {"(deffuzzy a (values (x)))", "Expected \"( term\"", "ParseFuzzySet", " ( deffuzzy a ( values ( x "},
      {"(deffuzzy a (values x))", "Expected \"( term\"", "ParseFuzzySet", " ( deffuzzy a ( values x ) "},
      {"(deffuzzy a (values (term 5 x)))", "Missing name", "ParseFuzzySet", " ( deffuzzy a ( values ( term 5 "},
      {"(deffuzzy a (values (term b (tri 0 1 2) x)))", "Expected \")\"", "ParseFuzzySet",
       " ( deffuzzy a ( values ( term b ( tri 0 1 2 ) x "},
      {"(deffuzzy a (values (term b ((0 a)))))", "Expected number", "ParseFuzzyValuePairs",
       " ( deffuzzy a ( values ( term b ( ( 0 a "},
      {"(deffuzzy a (values (term b ((x 0)))))", "Expected number", "ParseFuzzyValuePairs",
       " ( deffuzzy a ( values ( term b ( ( x "},
      {"(deffuzzy a (values (term b ((0 1) (1 0) x))))", "Expected \")\"", "ParseFuzzyValuePairs",
       " ( deffuzzy a ( values ( term b ( ( 0 1 ) ( 1 0 ) x "},
      {"(deffuzzy a (values (term b (5 1 2))))", "Missing name", "ParseFuzzyFunction",
       " ( deffuzzy a ( values ( term b ( 5 "},
      {"(deffuzzy a (values (term b (tri 0 1))))",
       "Number of arguments for function, tri, incorrect.  Expected \"\"Left Middle Right\"\"", "CalcFuzzyFunction",
       " ( deffuzzy a ( values ( term b ( tri 0 1 "},
      {"(deffuzzy a (values (term b (tri 0 x 1))))",
       "Data Types of arguments for function, tri, incorrect.  Expected numeric", "CalcFuzzyFunction",
       " ( deffuzzy a ( values ( term b ( tri 0 x 1 "},
      {"(deffuzzy a (values (term b (cone 1))))", "Unknown function name: \"cone\"", "CalcFuzzyFunction",
       " ( deffuzzy a ( values ( term b ( cone 1 "},
      {"(deffuzzy a (values (term b nothing)))", "Invalid item in fuzzy expression: nothing", "EvalFuzzyExpression",
       " ( deffuzzy a ( values ( term b nothing "},
      {"(deffuzzy a (values (term b very)))", "Missing fuzzy operand to be modified by hedge: very",
       "EvalFuzzyExpression", " ( deffuzzy a ( values ( term b very "},
  };
  // The same message, method, line and text in both model forms.
  for (const Case& C : Cases) {
    for (test::TModelForm Form : test::kBothForms) {
      const test::TParseError E = test::ParseErrorIn(Form, C.Text);
      EXPECT_EQ(E.Message, ParseMessage(C.Msg, C.Method, 1, C.Read)) << C.Text << " in the " << test::FormName(Form);
      EXPECT_EQ(E.Line, 1) << C.Text << " in the " << test::FormName(Form);
    }
  }
}

TEST_F(ParserTest, ErrorsNameTheLineOfTheCurrentToken) {
  const std::string Text =
      "; first line\n"
      "(deffuzzy a\n"
      "  (range 0 1)\n"
      "  (values (term b (tri 0 1 2))\n"
      "          (term c ((0 1) (1 oops))))))";
  std::int32_t Line = 0;
  const std::string Message = ParseErrorOf(Text, &Line);
  EXPECT_EQ(Line, 5);
  EXPECT_EQ(test::ParseErrorIn(test::mfInterface, Text), (test::TParseError{Message, Line}));
  EXPECT_THAT(Message, StartsWith("Parsing Error, Expected number in ParseFuzzyValuePairs at line 5: \""));
  // The text read so far is the current definition's, line breaks included.
  EXPECT_THAT(Message, HasSubstr("( deffuzzy a \r\n( range 0 1 ) \r\n( values"));
}

// Every kind of line end counts once, wherever it stands: after a word, between tokens, in a
// comment. A comment that ends the text without a line end leaves the end of the text on the
// comment's own line.
TEST_F(ParserTest, ErrorLinesCountEveryKindOfLineEndOnce) {
  struct Case {
    const char* Text;
    std::int32_t Line;
    const char* Read;  // the text read so far, as the message quotes it (the end prints empty)
  };
  const Case kCases[] = {
      {"(deffuzzy a\n(range 0 x))", 2, " ( deffuzzy a \r\n( range 0 x "},
      {"(deffuzzy a\r(range 0 x))", 2, " ( deffuzzy a \r\n( range 0 x "},
      {"(deffuzzy a\r\n(range 0 x))", 2, " ( deffuzzy a \r\n( range 0 x "},
      {"(deffuzzy a\r\n\r\r\n\n(range 0 x))", 5, " ( deffuzzy a \r\n( range 0 x "},
      {"(deffuzzy a\r(range\r0\rx))", 4, " ( deffuzzy a \r\n( range \r\n0 \r\nx "},
      {"(deffuzzy a ;c\r(range 0 x))", 2, " ( deffuzzy a \r\n( range 0 x "},
      {"(deffuzzy a ;c\r\n(range 0 ;d\nx))", 3, " ( deffuzzy a \r\n( range 0 \r\nx "},
      {"(deffuzzy a (range 0 ;no line end", 1, " ( deffuzzy a ( range 0  "},
      {"(deffuzzy a (range 0\r", 2, " ( deffuzzy a ( range 0 \r\n "},
      {"(deffuzzy a (range 0\r\n", 2, " ( deffuzzy a ( range 0 \r\n "},
  };
  for (const Case& C : kCases) {
    std::int32_t Line = -1;
    const std::string Message = ParseErrorOf(C.Text, &Line);
    EXPECT_EQ(Line, C.Line) << C.Text;
    EXPECT_EQ(Message, ParseMessage("Expected number", "ParseFuzzyVariable", C.Line, C.Read)) << C.Text;
  }
}

TEST_F(ParserTest, TheEntryChecksCarryTheMessageAlone) {
  TKVFuzzyLogicParser Unlinked(nullptr);
  TFuzzyVariable Free(nullptr);
  for (auto Call : std::vector<std::function<void()>>{[&] { Unlinked.Parse("(deffuzzy a)", nullptr); },
                                                        [&] { Unlinked.ParseFuzzyLogic("(deffuzzy a)", nullptr); },
                                                        [&] { Unlinked.ParseFuzzyVariable("(deffuzzy a)", nullptr); }}) {
    try {
      Call();
      ADD_FAILURE();
    } catch (const EFzyParseException& E) {
      EXPECT_STREQ(E.what(), "Fuzzy Logic component must be specified to parse");
      EXPECT_EQ(E.GetLineNumber(), 0);
    }
  }
}

// A logic component of neither model form.
class TOtherLogic : public TCustomFuzzyLogic {
 public:
  using TCustomFuzzyLogic::TCustomFuzzyLogic;
};

TEST_F(ParserTest, ALogicComponentOfAnotherClassIsRefusedAfterTheHeader) {
  TOtherLogic Other(nullptr);
  Parser.SetFuzzyLogic(&Other);
  for (const std::string Text : {"(deffuzzy a (range 0 1))", "(foo)"}) {
    try {
      Parse(Text);
      ADD_FAILURE();
    } catch (const EFzyParseException& E) {
      // The header is read first: a text that is no definition says so.
      if (Text == "(foo)")
        EXPECT_THAT(E.what(), StartsWith("Parsing Error, Expected \"( deffuzzy\""));
      else
        EXPECT_STREQ(E.what(), "FuzzyLogic property must be of type TFuzzyLogic or descendant");
    }
  }
  Parser.SetFuzzyLogic(&Logic);
  EXPECT_EQ(Logic.GetItems()->GetCount(), 0);
}

// A handler that takes the logic component away in the middle of a text: the next definition
// is refused after its header, as one for a component of another class.
TEST_F(ParserTest, ALogicComponentTakenAwayDuringTheTextRefusesTheNextDefinition) {
  Parser.SetOnParseFuzzyVariable([&](TObject*, TFuzzyVariable*) { Parser.SetFuzzyLogic(nullptr); });
  EXPECT_EQ(ParseErrorOf("(deffuzzy a)\n(deffuzzy b)"), "FuzzyLogic property must be of type TFuzzyLogic or descendant");
  ASSERT_EQ(Logic.GetItems()->GetCount(), 1);
  EXPECT_EQ(Var(0)->GetName(), "a");
}

TEST_F(ParserTest, ErrorsOfTheLexerAndTheModelPassThrough) {
  try {
    Parse("(deffuzzy a \"no end");
    ADD_FAILURE();
  } catch (const EFzyParseException& E) {
    EXPECT_STREQ(E.what(), "Unterminated string: the text ends before the closing quote");
    EXPECT_EQ(E.GetLineNumber(), 0);
  }
  // A reserved term name is the model's own error, not a parse error.
  try {
    Parse("(deffuzzy a (values (term and (tri 0 1 2))))");
    ADD_FAILURE();
  } catch (const EFzyParseException&) {
    ADD_FAILURE() << "a model error became a parse error";
  } catch (const EFzyException& E) {
    EXPECT_STREQ(E.what(), "Invalid fuzzy set name, \"and\" is a reserved word");
  }
  // So is a curve whose ends are the wrong way round.
  EXPECT_THROW(Parse("(deffuzzy a (values (term b (s 5 1))))"), EFzyException);
}

TEST_F(ParserTest, ATermWithoutAVariableOrWithoutASet) {
  EXPECT_THAT([&] { Parser.ParseFuzzySet(static_cast<TFuzzyVariable*>(nullptr), "(term t ((0 0)))", nullptr); },
              ::testing::ThrowsMessage<EFzyParseException>(::testing::StrEq(ParseMessage(
                  "fuzzy variable is not defined", "ParseFuzzyValuePairs", 1, "( term t "))));
  EXPECT_THAT([&] { Parser.ParseFuzzySet(static_cast<TFuzzyVariable*>(nullptr), "(term t (tri 0 1 2))", nullptr); },
              ::testing::ThrowsMessage<EFzyParseException>(
                  ::testing::StrEq(ParseMessage("fuzzy variable is not defined", "ParseFuzzyFunction", 1,
                                                "( term t ( tri 0 1 2 "))));
  // A host's function that hands back no set.
  Parser.SetOnCalcFuzzyFunction([](TObject*, const std::string&, IFuzzyStreamTokenList*, TFuzzySet*& Result,
                                   bool& Handled) {
    Result = nullptr;
    Handled = true;
  });
  EXPECT_EQ(ParseErrorOf("(deffuzzy a (values (term t (mine 1))))"),
            ParseMessage("No fuzzy set for term: t", "ParseFuzzySet", 1, " ( deffuzzy a ( values ( term t ( mine 1 ) "));
}

// --- Hostile texts

TEST_F(ParserTest, UnbalancedParenthesesEndInAnError) {
  EXPECT_THAT(ParseErrorOf("(deffuzzy a (range 0 1)"), StartsWith("Parsing Error, Expected \"(\" in ParseFuzzyVariable"));
  EXPECT_THAT(ParseErrorOf("(deffuzzy a (values (term b (tri 0 1 2)"),
              StartsWith("Parsing Error, Expected \")\" in ParseFuzzySet"));
  EXPECT_THAT(ParseErrorOf("(deffuzzy a (values (term b ((0 1) (1 0)"),
              StartsWith("Parsing Error, Expected \")\" in ParseFuzzyValuePairs"));
  EXPECT_THAT(ParseErrorOf(")))"), StartsWith("Parsing Error, Unexpected token: \")\""));
  EXPECT_THAT(ParseErrorOf("(deffuzzy a (values (term b very [ high)))"),
              StartsWith("Parsing Error, Invalid item in fuzzy expression"));
}

TEST_F(ParserTest, DeepNestingStopsAtTheTokenStreamsLimit) {
  const std::int32_t Limit = TFuzzyLogicTokenStream::kDefaultMaxNestingDepth;
  // Within the limit a nested argument list is read (and refused by the function's type check).
  const std::string Within = "(deffuzzy a (values (term b (tri " + std::string(Limit - 5, '(') +
                             std::string(Limit - 5, ')') + " 1 2))))";
  EXPECT_THAT(ParseErrorOf(Within), HasSubstr("Data Types of arguments for function, tri"));
  // Beyond it, and far beyond it, a clear error and no deep recursion anywhere.
  for (std::int32_t Depth : {Limit + 1, 1000000}) {
    const std::string Deep = "(deffuzzy a (values (term b " + std::string(Depth, '(') + ")))";
    EXPECT_EQ(ParseErrorOf(Deep), "Parentheses nested too deeply: more than 256 levels") << Depth;
  }
  const std::string DeepExpression = "(deffuzzy a (values (term b " + std::string(100000, '[') + ")))";
  EXPECT_THROW(Parse(DeepExpression), EFzyParseException);
}

TEST_F(ParserTest, ExpressionsHoldABoundedNumberOfOperators) {
  const std::int32_t Limit = TKVFuzzyLogicParser::kMaxExpressionOperators;
  // An operand that names no set makes the evaluation stop at once, so what is seen is
  // whether the token list was read.
  auto Chain = [](std::int32_t Operators) {
    std::string Text = "(deffuzzy a (values (term c gone";
    for (std::int32_t I = 0; I < Operators; ++I) Text += I % 2 ? " very" : " or-mean";
    return Text + ")))";
  };
  EXPECT_THAT(ParseErrorOf(Chain(Limit)), StartsWith("Parsing Error, Invalid item in fuzzy expression: gone"));
  // One more, or a whole line of them, is refused before anything is evaluated.
  for (std::int32_t Operators : {Limit + 1, 200000}) {
    EXPECT_THAT(ParseErrorOf(Chain(Operators)),
                StartsWith("Parsing Error, Expression too long: more than 2048 operators in ParseTokenList at line 1"));
  }
  // Operands and brackets are not counted.
  std::string Many = "(deffuzzy a (values (term b (tri 0 0.5 1)) (term c [ b";
  for (std::int32_t I = 0; I < 3 * Limit; ++I) Many += " [ b ]";
  Parse(Many + " ])))");
  EXPECT_EQ(PointsOf(Set(0, "c")), (TPoints{{0, 0}, {0.5, 1}, {1, 0}}));
}

TEST_F(ParserTest, HugeNumbersNulBytesAndLongLinesAreReadOrRefused) {
  // A number beyond the doubles is a word, and a bound must be a number.
  EXPECT_THAT(ParseErrorOf("(deffuzzy a (range 0 1e999))"), StartsWith("Parsing Error, Expected number"));
  Parse("(deffuzzy a (range -1e300 1e300))");
  EXPECT_EQ(Var(0)->GetMaximum(), 1e300);
  // A NUL byte is a blank between words.
  Parse(std::string("(deffuzzy\0b)", 12));
  EXPECT_EQ(Var(0)->GetName(), "b");
  // A 10 MB line: a comment, then a name of that length.
  const std::string Long(10 * 1024 * 1024, 'x');
  Parse(";" + Long + "\n(deffuzzy " + Long + " \"" + Long + "\")");
  EXPECT_EQ(Var(0)->GetName().size(), Long.size());
  EXPECT_EQ(Var(0)->GetComment().size(), Long.size());
  // An error in a long text shows its start and end only.
  const std::string Message = ParseErrorOf("(deffuzzy a (values (term b ((0 1) (1 " + Long + ")))))");
  EXPECT_LT(Message.size(), 400u);
  EXPECT_THAT(Message, HasSubstr("... \r\n"));
}

}  // namespace
}  // namespace tarnwick
