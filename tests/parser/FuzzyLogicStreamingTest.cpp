// A logic component and its parser stored in a component stream and read back: the same model,
// the same Strings, the links between the two restored, and a loaded logic component that
// keeps what was stored and parses nothing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "tarnwick/model/FuzzyLogicComponent.h"
#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/model/FuzzyVariable.h"
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
    "    (term comfortable (pi 4 22))\n"
    "    (term hot (s 28 40))\n"
    "    (term mild (beta 10 25 5))\n"
    "    (term pleasant somewhat comfortable and not cold)))\n"
    "(deffuzzy vent\n"
    "  (range 0 100)\n"
    "  (values\n"
    "    (term shut ((0 1) (10 0)))\n"
    "    (term wide ((60 0) (95 1) (100 1)))))\n";

// Form owns a logic component and a parser linked both ways, with settings off their defaults
// and named handlers.
struct TStoredModel {
  TStoredModel() {
    Form.SetName("Form");
    Logic->SetName("Logic1");
    Parser->SetName("Parser1");
    Logic->SetParser(Parser);
    Parser->SetFuzzyLogic(Logic);
    Logic->SetThreshold(0.2);
    Logic->SetCorrelationMethod(fcmProduct);
    Logic->SetInferenceMethod(fimAdditive);
    Logic->SetDefuzzificationMethod(dmMeanOfMaxima);
    Logic->SetNumFunctionValues(9);
    Logic->GetVariables()->SetText("warmish=somewhat hot");
    Logic->SetOnChange(NamedEvent("LogicChanged", TNotifyEvent([](TObject*) {})));
    Parser->SetOnParseFuzzyVariable(NamedEvent("VariableParsed", TFuzzyVariableEvent([](TObject*, TFuzzyVariable*) {})));
    TStringList Text;
    Text.SetText(kDefinition);
    Logic->SetStrings(&Text);
  }
  TComponent Form{nullptr};
  TFuzzyLogic* Logic = new TFuzzyLogic(&Form);
  TKVFuzzyLogicParser* Parser = new TKVFuzzyLogicParser(&Form);
};

class FuzzyLogicStreamingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterFuzzyClasses();
    Handlers.Add<TNotifyEvent>("LogicChanged", [this](TObject*) { ++Changes; });
    Handlers.Add<TFuzzyVariableEvent>("VariableParsed", [this](TObject*, TFuzzyVariable*) { ++VariablesParsed; });
  }

  std::unique_ptr<TComponent> Read(const std::string& Text) {
    TReader Reader(Text);
    Reader.SetEventHandlers(&Handlers);
    return std::unique_ptr<TComponent>(Reader.ReadRootComponent(nullptr));
  }

  static TFuzzyLogic* LogicOf(const TComponent& Form) {
    return dynamic_cast<TFuzzyLogic*>(Form.FindComponent("Logic1"));
  }
  static TKVFuzzyLogicParser* ParserOf(const TComponent& Form) {
    return dynamic_cast<TKVFuzzyLogicParser*>(Form.FindComponent("Parser1"));
  }

  TEventHandlers Handlers;
  int Changes = 0;
  int VariablesParsed = 0;
};

struct TSetState {
  std::string Name, Comment;
  TFuzzySetType Type;
  bool Defined;
  NativeInt Tag;
  std::vector<std::pair<double, double>> Points;
  bool operator==(const TSetState&) const = default;
};

std::vector<TSetState> SetsOf(const TFuzzyVariable& V) {
  std::vector<TSetState> R;
  for (std::int32_t I = 0; I < V.GetItems()->GetCount(); ++I) {
    const TFuzzySet& S = *V.GetItems()->GetItem(I);
    TSetState State{S.GetName(), S.GetComment(), S.GetSetType(), S.GetDefined(), S.GetTag(), {}};
    for (std::int32_t P = 0; P < S.GetValues()->GetCount(); ++P)
      State.Points.emplace_back(S.GetValues()->GetItem(P)->GetX(), S.GetValues()->GetItem(P)->GetY());
    R.push_back(std::move(State));
  }
  return R;
}

void ExpectSameModel(const TFuzzyLogic& A, const TFuzzyLogic& B) {
  EXPECT_EQ(A.GetAutoTerms(), B.GetAutoTerms());
  EXPECT_EQ(A.GetThreshold(), B.GetThreshold());
  EXPECT_EQ(A.GetCorrelationMethod(), B.GetCorrelationMethod());
  EXPECT_EQ(A.GetInferenceMethod(), B.GetInferenceMethod());
  EXPECT_EQ(A.GetDefuzzificationMethod(), B.GetDefuzzificationMethod());
  EXPECT_EQ(A.GetNumFunctionValues(), B.GetNumFunctionValues());
  EXPECT_EQ(Lines(*A.GetVariables()), Lines(*B.GetVariables()));
  ASSERT_EQ(A.GetItems()->GetCount(), B.GetItems()->GetCount());
  for (std::int32_t I = 0; I < A.GetItems()->GetCount(); ++I) {
    const TFuzzyVariable& VA = *A.GetItems()->GetItem(I);
    const TFuzzyVariable& VB = *B.GetItems()->GetItem(I);
    EXPECT_EQ(VA.GetName(), VB.GetName());
    EXPECT_EQ(VA.GetUnits(), VB.GetUnits());
    EXPECT_EQ(VA.GetComment(), VB.GetComment());
    EXPECT_EQ(VA.GetMinimum(), VB.GetMinimum());
    EXPECT_EQ(VA.GetMaximum(), VB.GetMaximum());
    EXPECT_EQ(VA.GetThreshold(), VB.GetThreshold());
    EXPECT_EQ(VA.GetItemIndex(), VB.GetItemIndex());
    EXPECT_TRUE(SetsOf(VA) == SetsOf(VB)) << VA.GetName();
  }
}

TEST_F(FuzzyLogicStreamingTest, ARoundTripGivesTheSameModelTheSameStringsAndTheLinks) {
  TStoredModel Model;
  const std::vector<std::string> Strings = Lines(*Model.Logic->GetStrings());
  const std::string Text = ComponentToText(&Model.Form);
  std::unique_ptr<TComponent> Form = Read(Text);

  TFuzzyLogic* Logic = LogicOf(*Form);
  TKVFuzzyLogicParser* Parser = ParserOf(*Form);
  ASSERT_NE(Logic, nullptr);
  ASSERT_NE(Parser, nullptr);
  EXPECT_EQ(Logic->GetParser(), Parser);
  EXPECT_EQ(Parser->GetFuzzyLogic(), Logic);
  EXPECT_EQ(Lines(*Logic->GetStrings()), Strings);
  ExpectSameModel(*Model.Logic, *Logic);
  EXPECT_EQ(VariablesParsed, 0);
  EXPECT_EQ(ComponentToText(Form.get()), Text);

  // Printed anew, both models give the same text; the loaded one parses through its parser.
  Model.Logic->UpdateStrings();
  Logic->UpdateStrings();
  EXPECT_EQ(Logic->GetStrings()->GetText(), Model.Logic->GetStrings()->GetText());
  Logic->Parse();
  EXPECT_EQ(VariablesParsed, 2);
  EXPECT_GT(Changes, 0);
}

TEST_F(FuzzyLogicStreamingTest, ALoadedLogicKeepsItsStoredStringsAndItemsAndParsesNothing) {
  TStoredModel Model;
  std::string Text = ComponentToText(&Model.Form);
  // Give the stream a text that disagrees with its Items.
  const std::size_t Begin = Text.find("    Strings = (\n");
  const std::size_t End = Text.find("\n    )\n", Begin);
  ASSERT_NE(Begin, std::string::npos);
  ASSERT_NE(End, std::string::npos);
  Text.replace(Begin, End + 7 - Begin, "    Strings = (\n      \"(deffuzzy other)\"\n    )\n");

  std::unique_ptr<TComponent> Form = Read(Text);
  TFuzzyLogic* Logic = LogicOf(*Form);
  EXPECT_EQ(VariablesParsed, 0);
  EXPECT_FALSE(Logic->GetNeedsUpdate());
  EXPECT_THAT(Lines(*Logic->GetStrings()), ElementsAre("(deffuzzy other)"));
  ASSERT_EQ(Logic->GetItems()->GetCount(), 2);
  EXPECT_EQ(Logic->GetItems()->GetItem(0)->GetName(), "temperature");
  EXPECT_EQ(Logic->GetItems()->GetItem(1)->GetName(), "vent");
}

TEST_F(FuzzyLogicStreamingTest, AChangedModelIsStoredWithItsTextPrintedAnew) {
  TStoredModel Model;
  TFuzzyVariable* Vent = Model.Logic->GetItems()->GetItemByName("vent");
  Vent->GetItems()->GetItemByName("wide")->SetTag(77);
  Vent->GetItems()->GetItemByName("shut")->GetValues()->GetItem(1)->SetX(12.5);
  Vent->SetItemIndex(0);
  ASSERT_TRUE(Model.Logic->GetNeedsUpdate());
  std::unique_ptr<TComponent> Form = Read(ComponentToText(&Model.Form));
  TFuzzyLogic* Logic = LogicOf(*Form);
  ExpectSameModel(*Model.Logic, *Logic);
  EXPECT_EQ(Lines(*Logic->GetStrings()), Lines(*Model.Logic->GetStrings()));
  EXPECT_NE(Logic->GetStrings()->GetText().find("12.5000"), std::string::npos);
}

TEST_F(FuzzyLogicStreamingTest, ALinkToAComponentOutsideTheStreamGoesThroughTheHostLookup) {
  TFuzzyLogic Logic(nullptr);
  TKVFuzzyLogicParser Parser(nullptr);
  Parser.SetName("SharedParser");
  Logic.SetParser(&Parser);
  const std::string Text = ComponentToText(&Logic);
  EXPECT_THAT(Text, ::testing::HasSubstr("  Parser = SharedParser\n"));
  TFuzzyLogic Copy(nullptr);
  EXPECT_THROW_MSG(TextToComponent(Text, &Copy), EComponentReadError,
                   "Error reading TFuzzyLogic.Parser at line 4: Component SharedParser not found");
  TReader Reader(Text);
  Reader.SetOnFindComponent([&](const std::string& Name) -> TComponent* { return Name == "SharedParser" ? &Parser : nullptr; });
  Reader.ReadRootComponent(&Copy);
  EXPECT_EQ(Copy.GetParser(), &Parser);
}

TEST_F(FuzzyLogicStreamingTest, LinksMustFitTheirClass) {
  EXPECT_THROW_MSG(Read("object Form: TComponent\n"
                        "  object Parser1: TKVFuzzyLogicParser\n"
                        "    FuzzyLogic = Form\n"
                        "  end\n"
                        "end\n"),
                   EComponentReadError,
                   "Error reading Form.Parser1.FuzzyLogic at line 3: Property FuzzyLogic takes a TCustomFuzzyLogic, "
                   "not a TComponent");
  EXPECT_THROW_MSG(Read("object Form: TComponent\n"
                        "  object Parser1: TKVFuzzyLogicParser\n"
                        "    OnParseFuzzySet = LogicChanged\n"
                        "  end\n"
                        "end\n"),
                   EComponentReadError,
                   "Error reading Form.Parser1.OnParseFuzzySet at line 3: Event handler LogicChanged does not fit "
                   "event OnParseFuzzySet");
}

}  // namespace
}  // namespace tarnwick
