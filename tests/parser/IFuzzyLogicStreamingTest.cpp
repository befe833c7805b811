// An interface logic component stored in a component stream and read back: it stores its
// settings, events and definition text but no variables, and gets its variables by parsing the
// text once the read is over, so a stream without a parser fails at that point.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "tarnwick/model/IFuzzyLogicComponent.h"
#include "tarnwick/parser/FuzzyClasses.h"
#include "tarnwick/parser/KVFuzzyLogicParser.h"
#include "tarnwick/platform/ComponentStreaming.h"
#include "tarnwick/platform/Strings.h"

namespace tarnwick {
namespace {

using ::testing::ElementsAre;
using test::Lines;

const char* const kDefinition =
    "(deffuzzy temperature \"air under the glass\"\n"
    "  (range -5 45)\n"
    "  (units \"degrees C\")\n"
    "  (values\n"
    "    (term cold \"frost risk\" (z 0 14))\n"
    "    (term cool (tri 10 15 20))\n"
    "    (term hot (s 28 40))))\n"
    "(deffuzzy vent\n"
    "  (range 0 100)\n"
    "  (values\n"
    "    (term shut ((0 1) (10 0)))\n"
    "    (term wide ((60 0) (95 1) (100 1)))))\n";

void Assign(TCustomFuzzyLogic& Logic, const std::string& Text) {
  TStringList Lines;
  Lines.SetText(Text);
  Logic.SetStrings(&Lines);
}

// Form owns an interface logic component and a parser linked both ways, with settings off
// their defaults and a named handler.
struct TStoredModel {
  TStoredModel() {
    Form.SetName("Form");
    Logic->SetName("Logic1");
    Parser->SetName("Parser1");
    Logic->SetParser(Parser);
    Parser->SetFuzzyLogic(Logic);
    Logic->SetAutoTerms(false);
    Logic->SetThreshold(0.2);
    Logic->SetCorrelationMethod(fcmProduct);
    Logic->SetInferenceMethod(fimAdditive);
    Logic->SetDefuzzificationMethod(dmMeanOfMaxima);
    Logic->SetNumFunctionValues(9);
    Logic->GetVariables()->SetText("warmish=somewhat hot");
    Logic->SetOnVariableAdded(NamedEvent("VariableAdded", TIFuzzyVariableEvent([](IFuzzyVariable*) {})));
    Assign(*Logic, kDefinition);
  }
  TComponent Form{nullptr};
  TIFuzzyLogic* Logic = new TIFuzzyLogic(&Form);
  TKVFuzzyLogicParser* Parser = new TKVFuzzyLogicParser(&Form);
};

class IFuzzyLogicStreamingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterFuzzyClasses();
    Handlers.Add<TIFuzzyVariableEvent>("VariableAdded",
                                       [this](IFuzzyVariable* V) { Added.push_back(V->GetName()); });
  }

  std::unique_ptr<TComponent> Read(const std::string& Text) {
    TReader Reader(Text);
    Reader.SetEventHandlers(&Handlers);
    return std::unique_ptr<TComponent>(Reader.ReadRootComponent(nullptr));
  }

  TEventHandlers Handlers;
  std::vector<std::string> Added;
};

std::vector<std::string> SetNames(const IFuzzyVariable& V) {
  std::vector<std::string> Names;
  for (Integer I = 0; I < V.GetCount(); ++I) Names.push_back(V.GetFuzzySet(I)->GetName());
  return Names;
}

TEST_F(IFuzzyLogicStreamingTest, ARoundTripParsesTheStoredTextIntoTheSameVariables) {
  TStoredModel Model;
  const std::vector<std::string> Strings = Lines(*Model.Logic->GetStrings());
  const std::string Text = ComponentToText(&Model.Form);
  // The variables live in the text only.
  EXPECT_THAT(Text, ::testing::Not(::testing::HasSubstr("Items")));
  EXPECT_THAT(Text, ::testing::HasSubstr("OnVariableAdded = VariableAdded"));

  std::unique_ptr<TComponent> Form = Read(Text);
  auto* Logic = dynamic_cast<TIFuzzyLogic*>(Form->FindComponent("Logic1"));
  auto* Parser = dynamic_cast<TKVFuzzyLogicParser*>(Form->FindComponent("Parser1"));
  ASSERT_NE(Logic, nullptr);
  ASSERT_NE(Parser, nullptr);
  EXPECT_FALSE(Logic->IsLoading());
  EXPECT_EQ(Logic->GetParser(), Parser);
  EXPECT_EQ(Parser->GetFuzzyLogic(), Logic);
  EXPECT_FALSE(Logic->GetAutoTerms());
  EXPECT_EQ(Logic->GetThreshold(), 0.2);
  EXPECT_EQ(Logic->GetCorrelationMethod(), fcmProduct);
  EXPECT_EQ(Logic->GetInferenceMethod(), fimAdditive);
  EXPECT_EQ(Logic->GetDefuzzificationMethod(), dmMeanOfMaxima);
  EXPECT_EQ(Logic->GetNumFunctionValues(), 9);
  EXPECT_EQ(Lines(*Logic->GetVariables()), Lines(*Model.Logic->GetVariables()));

  // Loaded parsed the text, through the streamed handler, into the variables of the original.
  EXPECT_THAT(Added, ElementsAre("temperature", "vent"));
  ASSERT_EQ(Logic->GetItems()->GetCount(), 2);
  for (const char* Name : {"temperature", "vent"}) {
    Intf<IFuzzyVariable> A = Model.Logic->GetItems()->ContainsVariable(Name);
    Intf<IFuzzyVariable> B = Logic->GetItems()->ContainsVariable(Name);
    ASSERT_TRUE(B) << Name;
    EXPECT_EQ(B->GetMinimum(), A->GetMinimum());
    EXPECT_EQ(B->GetMaximum(), A->GetMaximum());
    EXPECT_EQ(B->GetUnits(), A->GetUnits());
    EXPECT_EQ(B->GetComment(), A->GetComment());
    EXPECT_EQ(B->GetThreshold(), 0.2);
    EXPECT_EQ(SetNames(*B), SetNames(*A));
  }
  EXPECT_FALSE(Logic->GetNeedsUpdate());
  EXPECT_EQ(Lines(*Logic->GetStrings()), Strings);
  EXPECT_EQ(ComponentToText(Form.get()), Text);

  // Printed anew from their variables, both give the same text.
  Model.Logic->UpdateStrings();
  Logic->UpdateStrings();
  EXPECT_EQ(Lines(*Logic->GetStrings()), Lines(*Model.Logic->GetStrings()));
}

// The count of a generated curve from a stream is held at the ceiling as the setter holds it,
// so that the curves that Loaded parses from the text stay within it.
TEST_F(IFuzzyLogicStreamingTest, ACountAboveTheCeilingIsReadAsTheCeiling) {
  TStoredModel Model;
  std::string Text = ComponentToText(&Model.Form);
  const std::string Stored = "NumFunctionValues = 9";
  ASSERT_NE(Text.find(Stored), std::string::npos);
  Text.replace(Text.find(Stored), Stored.size(), "NumFunctionValues = 5000");
  std::unique_ptr<TComponent> Form = Read(Text);
  auto* Logic = dynamic_cast<TIFuzzyLogic*>(Form->FindComponent("Logic1"));
  ASSERT_NE(Logic, nullptr);
  EXPECT_EQ(Logic->GetNumFunctionValues(), kMaxNumFunctionValues);
  Intf<IFuzzyVariable> V = Logic->GetItems()->ContainsVariable("temperature");
  ASSERT_TRUE(V);
  EXPECT_EQ(V->GetFuzzySetByName("cold")->GetCount(), kMaxNumFunctionValues);
}

TEST_F(IFuzzyLogicStreamingTest, AChangedModelIsStoredWithItsTextPrintedAnew) {
  TStoredModel Model;
  Model.Logic->GetItems()->ContainsVariable("vent")->GetFuzzySetByName("shut")->Add(5, 0.5);
  ASSERT_TRUE(Model.Logic->GetNeedsUpdate());
  std::unique_ptr<TComponent> Form = Read(ComponentToText(&Model.Form));
  auto* Logic = dynamic_cast<TIFuzzyLogic*>(Form->FindComponent("Logic1"));
  ASSERT_NE(Logic, nullptr);
  EXPECT_EQ(Lines(*Logic->GetStrings()), Lines(*Model.Logic->GetStrings()));
  Intf<IFuzzySet> Shut = Logic->GetItems()->ContainsVariable("vent")->GetFuzzySetByName("shut");
  ASSERT_TRUE(Shut);
  EXPECT_EQ(Shut->GetCount(), 3);
}

TEST_F(IFuzzyLogicStreamingTest, LoadedWithoutAParserItFailsToParseAndLeavesTheLoadingState) {
  TIFuzzyLogic Logic(nullptr);
  TKVFuzzyLogicParser Parser(nullptr);
  Parser.SetName("SharedParser");
  Logic.SetParser(&Parser);
  Parser.SetFuzzyLogic(&Logic);
  Assign(Logic, "(deffuzzy vent (range 0 100))");
  std::string Text = ComponentToText(&Logic);
  const std::string Link = "  Parser = SharedParser\n";
  const std::size_t At = Text.find(Link);
  ASSERT_NE(At, std::string::npos);
  Text.erase(At, Link.size());
  Parser.SetFuzzyLogic(nullptr);

  TIFuzzyLogic Copy(nullptr);
  EXPECT_THROW_MSG(TextToComponent(Text, &Copy), EFzyException, "Parser not assigned.  Cannot parse");
  EXPECT_FALSE(Copy.IsLoading());
  EXPECT_EQ(Copy.GetParser(), nullptr);
  EXPECT_EQ(Copy.GetItems()->GetCount(), 0);
  EXPECT_THAT(Lines(*Copy.GetStrings()), ElementsAre("(deffuzzy vent (range 0 100))"));
}

TEST_F(IFuzzyLogicStreamingTest, ParseDoesNothingWhileLoading) {
  TIFuzzyLogic Logic(nullptr);
  Logic.BeginLoading();
  EXPECT_NO_THROW(Logic.Parse());  // no parser: nothing is raised either

  TKVFuzzyLogicParser Parser(nullptr);
  Logic.SetParser(&Parser);
  Parser.SetFuzzyLogic(&Logic);
  Assign(Logic, "(deffuzzy vent (range 0 100))");
  EXPECT_EQ(Logic.GetItems()->GetCount(), 0);
  Logic.Parse();
  EXPECT_EQ(Logic.GetItems()->GetCount(), 0);

  // The end of loading parses the text.
  Logic.EndLoading();
  EXPECT_FALSE(Logic.IsLoading());
  EXPECT_TRUE(Logic.GetItems()->ContainsVariable("vent"));
  Parser.SetFuzzyLogic(nullptr);
}

}  // namespace
}  // namespace tarnwick
