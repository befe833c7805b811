// Printed text reads back: every definition of the corpus under tests/data is parsed, printed
// through the logic component's Strings, parsed again and compared with the first model; the
// second print is the first one again, and a comma as decimal separator changes neither. The
// same holds in the interface form, whose variables print as the collection form prints them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tarnwick/model/FuzzyLogicComponent.h"
#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/model/FuzzyVariable.h"
#include "tarnwick/model/IFuzzyLogic.h"
#include "parser/ParserTestSupport.h"
#include "tarnwick/parser/KVFuzzyLogicParser.h"
#include "tarnwick/platform/Format.h"
#include "tarnwick/platform/Strings.h"

namespace tarnwick {
namespace {

std::vector<std::string> CorpusFiles() {
  std::vector<std::string> Files;
  for (const auto& Entry : std::filesystem::directory_iterator(TARNWICK_TEST_DATA_DIR))
    if (Entry.path().extension() == ".fzl") Files.push_back(Entry.path().filename().string());
  std::sort(Files.begin(), Files.end());
  return Files;
}

std::string ReadFile(const std::string& Name) {
  std::ifstream In(std::string(TARNWICK_TEST_DATA_DIR) + "/" + Name, std::ios::binary);
  std::ostringstream S;
  S << In.rdbuf();
  return S.str();
}

// A logic component with its parser, and the bindings the corpus uses.
struct TModel {
  TModel() {
    Logic.SetParser(&Parser);
    Parser.SetFuzzyLogic(&Logic);
    Logic.GetVariables()->SetText("x=very warm\ny=?x or cold");
  }
  std::string Print() {
    Logic.UpdateStrings();
    return Logic.GetStrings()->GetText();
  }
  TFuzzyLogic Logic{nullptr};
  TKVFuzzyLogicParser Parser{nullptr};
};

std::vector<const TFuzzySet*> DefinedSets(const TFuzzyVariable* V) {
  std::vector<const TFuzzySet*> R;
  for (std::int32_t I = 0; I < V->GetItems()->GetCount(); ++I)
    if (V->GetItems()->GetItem(I)->GetDefined()) R.push_back(V->GetItems()->GetItem(I));
  return R;
}

void ExpectSameModel(const TFuzzyLogic& A, const TFuzzyLogic& B) {
  ASSERT_EQ(A.GetItems()->GetCount(), B.GetItems()->GetCount());
  for (std::int32_t I = 0; I < A.GetItems()->GetCount(); ++I) {
    const TFuzzyVariable* VA = A.GetItems()->GetItem(I);
    const TFuzzyVariable* VB = B.GetItems()->GetItem(I);
    SCOPED_TRACE("variable " + VA->GetName());
    EXPECT_EQ(VA->GetName(), VB->GetName());
    EXPECT_EQ(VA->GetComment(), VB->GetComment());
    EXPECT_EQ(VA->GetUnits(), VB->GetUnits());
    EXPECT_NEAR(VA->GetMinimum(), VB->GetMinimum(), 1e-4);
    EXPECT_NEAR(VA->GetMaximum(), VB->GetMaximum(), 1e-4);
    const std::vector<const TFuzzySet*> SA = DefinedSets(VA);
    const std::vector<const TFuzzySet*> SB = DefinedSets(VB);
    ASSERT_EQ(SA.size(), SB.size());
    for (std::size_t J = 0; J < SA.size(); ++J) {
      SCOPED_TRACE("set " + SA[J]->GetName());
      EXPECT_EQ(SA[J]->GetName(), SB[J]->GetName());
      EXPECT_EQ(SA[J]->GetComment(), SB[J]->GetComment());
      EXPECT_EQ(SA[J]->GetSetType(), SB[J]->GetSetType());
      const TFuzzySetValues& PA = *SA[J]->GetValues();
      const TFuzzySetValues& PB = *SB[J]->GetValues();
      ASSERT_EQ(PA.GetCount(), PB.GetCount());
      for (std::int32_t K = 0; K < PA.GetCount(); ++K) {
        EXPECT_NEAR(PA[K]->GetX(), PB[K]->GetX(), 1e-4) << "point " << K;
        EXPECT_NEAR(PA[K]->GetY(), PB[K]->GetY(), 1e-4) << "point " << K;
      }
    }
  }
}

class RoundTripTest : public ::testing::TestWithParam<std::string> {};

TEST_P(RoundTripTest, ParsePrintParseGivesTheSameModel) {
  for (bool AutoTerms : {true, false}) {
    SCOPED_TRACE(AutoTerms ? "automatic terms" : "no automatic terms");
    TModel First;
    First.Logic.SetAutoTerms(AutoTerms);
    First.Parser.Parse(ReadFile(GetParam()), nullptr);
    ASSERT_GT(First.Logic.GetItems()->GetCount(), 0);
    const std::string Printed = First.Print();

    TModel Second;
    Second.Logic.SetAutoTerms(AutoTerms);
    Second.Logic.SetStrings(First.Logic.GetStrings());
    ExpectSameModel(First.Logic, Second.Logic);
    EXPECT_EQ(Second.Print(), Printed);
  }
}

TEST_P(RoundTripTest, ACommaAsDecimalSeparatorChangesNothing) {
  TModel First;
  First.Parser.Parse(ReadFile(GetParam()), nullptr);
  const std::string Printed = First.Print();
  const char Kept = FormatSettings().DecimalSeparator;
  FormatSettings().DecimalSeparator = ',';
  TModel Second;
  std::string Comma;
  try {
    Second.Parser.Parse(ReadFile(GetParam()), nullptr);
    Comma = Second.Print();
    TModel Third;
    Third.Logic.SetStrings(Second.Logic.GetStrings());
    ExpectSameModel(First.Logic, Third.Logic);
  } catch (...) {
    FormatSettings().DecimalSeparator = Kept;
    throw;
  }
  FormatSettings().DecimalSeparator = Kept;
  EXPECT_EQ(Comma, Printed);
}

// --- The interface form

// Sets the process-wide decimal separator for the life of the guard.
class TDecimalSeparator {
 public:
  explicit TDecimalSeparator(char Separator) : FKept(FormatSettings().DecimalSeparator) {
    FormatSettings().DecimalSeparator = Separator;
  }
  ~TDecimalSeparator() { FormatSettings().DecimalSeparator = FKept; }
  TDecimalSeparator(const TDecimalSeparator&) = delete;
  TDecimalSeparator& operator=(const TDecimalSeparator&) = delete;

 private:
  char FKept;
};

void Prepare(test::TFormModel& Model, bool AutoTerms) {
  Model.Logic().SetAutoTerms(AutoTerms);
  Model.Logic().GetVariables()->SetText("x=very warm\ny=?x or cold");
}

// The variables in the order the component prints them.
std::vector<std::string> VariableNames(const TIFuzzyLogic& Logic) {
  std::vector<std::string> Names;
  for (const Intf<IFuzzyVariable>& V : Logic.GetItems()->GetStoringOrder()) Names.push_back(V->GetName());
  return Names;
}

void ExpectSameModel(const test::TFormModel& A, const test::TFormModel& B) {
  const std::vector<std::string> Names = VariableNames(A.Interface());
  ASSERT_EQ(VariableNames(B.Interface()), Names);
  for (const std::string& V : Names) {
    SCOPED_TRACE("variable " + V);
    EXPECT_EQ(A.Comment(V), B.Comment(V));
    EXPECT_EQ(A.Units(V), B.Units(V));
    EXPECT_NEAR(A.Minimum(V), B.Minimum(V), 1e-4);
    EXPECT_NEAR(A.Maximum(V), B.Maximum(V), 1e-4);
    const std::vector<std::string> Terms = A.TermNames(V);
    ASSERT_EQ(B.TermNames(V), Terms);
    for (const std::string& T : Terms) {
      SCOPED_TRACE("set " + T);
      const auto PA = A.Points(V, T);
      const auto PB = B.Points(V, T);
      ASSERT_EQ(PA.size(), PB.size());
      for (std::size_t K = 0; K < PA.size(); ++K) {
        EXPECT_NEAR(PA[K].first, PB[K].first, 1e-4) << "point " << K;
        EXPECT_NEAR(PA[K].second, PB[K].second, 1e-4) << "point " << K;
      }
    }
  }
}

// The name a printed term line ("    (term NAME ...") defines, escapes resolved; empty for any
// other line.
std::string TermNameOf(const std::string& Line) {
  const std::string Start = "    (term ";
  if (Line.rfind(Start, 0) != 0) return {};
  std::string Name;
  for (std::size_t I = Start.size(); I < Line.size() && Line[I] != ' '; ++I) {
    if (Line[I] == '\\' && I + 1 < Line.size()) ++I;
    Name += Line[I];
  }
  return Name;
}

// The lines of a printed text.
std::vector<std::string> LinesOf(const std::string& Text) {
  std::vector<std::string> Lines;
  for (std::size_t Start = 0;;) {
    const std::size_t End = Text.find("\r\n", Start);
    Lines.push_back(Text.substr(Start, End == std::string::npos ? std::string::npos : End - Start));
    if (End == std::string::npos) return Lines;
    Start = End + 2;
  }
}

std::string Joined(const std::vector<std::string>& Lines) {
  std::string Result;
  for (std::size_t I = 0; I < Lines.size(); ++I) Result += (I ? "\r\n" : "") + Lines[I];
  return Result;
}

// What the interface form prints for a text the collection form prints as Text: the same, but
// that a variable's table keeps one term per name, the last one stored, so of the terms of one
// name in one definition only the last is printed.
std::string KeptByName(const std::string& Text) {
  const std::vector<std::string> Lines = LinesOf(Text);
  std::vector<std::string> Kept;
  for (std::size_t I = 0; I < Lines.size(); ++I) {
    const std::string Name = TermNameOf(Lines[I]);
    bool Shadowed = false;
    for (std::size_t J = I + 1; J < Lines.size() && !Name.empty() && !TermNameOf(Lines[J]).empty(); ++J)
      Shadowed |= TermNameOf(Lines[J]) == Name;
    if (!Shadowed) Kept.push_back(Lines[I]);
  }
  return Joined(Kept);
}

TEST_P(RoundTripTest, TheInterfaceFormReadsPrintsAndReadsBackAsTheCollectionForm) {
  for (const char Separator : {'.', ','}) {
    const TDecimalSeparator Guard(Separator);
    for (bool AutoTerms : {true, false}) {
      SCOPED_TRACE(std::string(AutoTerms ? "automatic terms" : "no automatic terms") + ", decimal separator " +
                   Separator);
      test::TFormModel Owned(test::mfCollection);
      test::TFormModel First(test::mfInterface);
      Prepare(Owned, AutoTerms);
      Prepare(First, AutoTerms);
      Owned.Parser.Parse(ReadFile(GetParam()), nullptr);
      First.Parser.Parse(ReadFile(GetParam()), nullptr);
      ASSERT_GT(First.VariableCount(), 0);

      // The same text as the collection form's, but for the difference named above.
      const std::string Printed = First.Print();
      EXPECT_EQ(Printed, KeptByName(Owned.Print()));

      test::TFormModel Second(test::mfInterface);
      Prepare(Second, AutoTerms);
      Second.Logic().SetStrings(First.Logic().GetStrings());
      ExpectSameModel(First, Second);
      EXPECT_EQ(Second.Print(), Printed);
    }
  }
}

// Where the forms print a definition differently, each in a small text: a second term of one
// name replaces the first in the interface form, where the collection form keeps both; and a
// term that renames another set comes last in the interface form.
TEST(RoundTripForms, WhereTheFormsPrintDifferently) {
  struct Case {
    const char* Text;
    std::vector<std::string> Owned, Counted;
  };
  const Case Cases[] = {
      {"(deffuzzy v (values (term twin (tri 0 0.25 0.5)) (term other (tri 0 0.5 1)) (term twin (tri 0.5 0.75 1))))",
       {"twin", "other", "twin"},
       {"other", "twin"}},
      // A term whose value names another set renames that set: the collection keeps it in its
      // place, the table stores it anew, with the next Index.
      {"(deffuzzy v (values (term a (tri 0 0.5 1)) (term b (tri 0 0.25 0.5)) (term c a)))", {"c", "b"}, {"b", "c"}},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Text);
    test::TFormModel Owned(test::mfCollection);
    test::TFormModel Counted(test::mfInterface);
    for (test::TFormModel* M : {&Owned, &Counted}) {
      M->Logic().SetAutoTerms(false);
      M->Assign(C.Text);
    }
    EXPECT_EQ(Owned.TermNames("v"), C.Owned);
    EXPECT_EQ(Counted.TermNames("v"), C.Counted);
    // Each form reads its own print back as it was.
    for (test::TFormModel* M : {&Owned, &Counted}) {
      const std::string Printed = M->Print();
      M->Assign(Printed);
      EXPECT_EQ(M->Print(), Printed);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, RoundTripTest, ::testing::ValuesIn(CorpusFiles()),
                         [](const ::testing::TestParamInfo<std::string>& Info) {
                           std::string Name = Info.param.substr(0, Info.param.find('.'));
                           for (char& C : Name)
                             if (!std::isalnum(static_cast<unsigned char>(C))) C = '_';
                           return Name;
                         });

TEST(RoundTripCorpus, CoversEveryBuiltInFunctionAndHedge) {
  std::string All;
  for (const std::string& File : CorpusFiles()) All += ReadFile(File);
  for (const char* Call : {"(tri ", "(s ", "(z ", "(pi ", "(beta "}) EXPECT_NE(All.find(Call), std::string::npos) << Call;
  for (const std::string_view Hedge : HedgeNames) EXPECT_NE(All.find(" " + std::string(Hedge) + " "), std::string::npos) << Hedge;
}

}  // namespace
}  // namespace tarnwick
