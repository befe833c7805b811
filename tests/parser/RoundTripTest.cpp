// Printed text reads back: every definition of the corpus under tests/data is parsed, printed
// through the logic component's Strings, parsed again and compared with the first model; the
// second print is the first one again, and a comma as decimal separator changes neither.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tarnwick/model/FuzzyLogicComponent.h"
#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/model/FuzzyVariable.h"
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
