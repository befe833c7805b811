// Component streaming of the interface-based set and variable, as the published parts of a host
// component: their properties read back as written, the variable's parser link by name, its
// sets left to the definition text, and a set's stored shape kept.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ModelTestSupport.h"
#include "TestSupport.h"
#include "tarnwick/model/FuzzyParserBase.h"
#include "tarnwick/model/IFuzzyLogic.h"
#include "tarnwick/platform/ComponentStreaming.h"

namespace tarnwick {
namespace {

using ::testing::ElementsAre;
using test::PointsOf;
using test::Pt;

// A host component with an interface variable and an interface set as its published parts.
class TIntfHolder : public TComponent {
 public:
  explicit TIntfHolder(TComponent* AOwner) : TComponent(AOwner) {}
  TIFuzzyVariable* GetVariable() const noexcept { return FVariableObject; }
  TIFuzzySet* GetSet() const noexcept { return FSetObject; }
  const TClassInfo* ClassInfo() const override {
    static const TPropInfo Props[] = {Property<&TIntfHolder::GetVariable, nullptr>("Variable"),
                                      Property<&TIntfHolder::GetSet, nullptr>("Set")};
    static const TClassInfo Info(TComponent::ClassInfo(), Props);
    return &Info;
  }

 private:
  TIFuzzyVariable* FVariableObject = new TIFuzzyVariable("");
  Intf<IFuzzyVariable> FVariable{FVariableObject};
  TIFuzzySet* FSetObject = new TIFuzzySet(nullptr, "");
  Intf<IFuzzySet> FSet{FSetObject};
};

// Form owns a holder and a parser component.
struct TTree {
  TTree() {
    Form.SetName("Form");
    Holder->SetName("Holder");
    Parser->SetName("Parser1");
  }
  TComponent Form{nullptr};
  TIntfHolder* Holder = new TIntfHolder(&Form);
  TCustomFuzzyLogicParser* Parser = new TCustomFuzzyLogicParser(&Form);
};

class IFuzzyStreamingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Handlers.Add<TNotifyEvent>("Changed", [](TObject*) {});
    Handlers.Add<TIFuzzyVariableEvent>("VariableChanged", [](IFuzzyVariable*) {});
    Handlers.Add<TIFuzzySetEvent>("SetEvent", [](IFuzzyVariable*, IFuzzySet*) {});
  }
  // Text read into Target, a tree like the one written.
  void ReadInto(const std::string& Text, TTree& Target) {
    TReader Reader(Text);
    Reader.SetEventHandlers(&Handlers);
    Reader.ReadRootComponent(&Target.Form);
  }
  TEventHandlers Handlers;
};

// The interface classes left at what construction gives them store only what construction
// does not give back (see the collection form's test of the same).
TEST_F(IFuzzyStreamingTest, EachClassLeftAtItsDefaultsStoresExactlyWhatConstructionDoesNotGive) {
  TTree Tree;
  auto* Logic = new TIFuzzyLogic(&Tree.Form);
  Logic->SetName("Logic1");
  EXPECT_EQ(ComponentToText(&Tree.Form),
            "object Form: TComponent\n"
            "  object Holder: TIntfHolder\n"
            "    Variable.DefuzzificationMethod = dmCenterOfGravity\n"
            "    Variable.Maximum = 1\n"
            "    Variable.Tag = 0\n"
            "    Set.Defined = False\n"
            "    Set.Values = <>\n"
            "    Set.SetType = fstUserDefined\n"
            "    Set.Tag = 0\n"
            "  end\n"
            "  object Parser1: TCustomFuzzyLogicParser\n"
            "  end\n"
            "  object Logic1: TIFuzzyLogic\n"
            "    Threshold = 0.01\n"
            "  end\n"
            "end\n");
}

// A range off the construction's [0, 1] at both ends reads back as it was stored.
TEST_F(IFuzzyStreamingTest, ARangeAwayFromTheDefaultsReadsBack) {
  TTree Tree;
  Tree.Holder->GetVariable()->SetMaximum(5);
  Tree.Holder->GetVariable()->SetMinimum(1);
  TTree Copy;
  ReadInto(ComponentToText(&Tree.Form), Copy);
  EXPECT_EQ(Copy.Holder->GetVariable()->GetMinimum(), 1);
  EXPECT_EQ(Copy.Holder->GetVariable()->GetMaximum(), 5);
}

TEST_F(IFuzzyStreamingTest, AVariableIsStoredByItsSettingsAndLinks) {
  TTree Tree;
  TIFuzzyVariable& V = *Tree.Holder->GetVariable();
  V.SetComment("air");
  V.SetDefuzzificationMethod(dmMeanOfMaxima);
  V.SetMinimum(-5);
  V.SetMaximum(0);
  V.SetName("temp");
  V.SetUnits("C");
  V.SetNumFunctionValues(11);
  V.SetOnChange(NamedEvent("Changed", TNotifyEvent([](TObject*) {})));
  V.SetOnVariableChange(NamedEvent("VariableChanged", TIFuzzyVariableEvent([](IFuzzyVariable*) {})));
  V.SetOnFuzzySetAdded(NamedEvent("SetEvent", TIFuzzySetEvent([](IFuzzyVariable*, IFuzzySet*) {})));
  V.SetParser(Tree.Parser);
  V.GetItems()->SetOnChange(NamedEvent("Changed", TNotifyEvent([](TObject*) {})));
  V.SetTag(5);
  V.SetThreshold(0.3);
  V.Add("stored");

  const std::string Text = ComponentToText(&Tree.Form);
  EXPECT_EQ(Text,
            "object Form: TComponent\n"
            "  object Holder: TIntfHolder\n"
            "    Variable.Comment = \"air\"\n"
            "    Variable.DefuzzificationMethod = dmMeanOfMaxima\n"
            "    Variable.Maximum = 0\n"
            "    Variable.Minimum = -5\n"
            "    Variable.Name = \"temp\"\n"
            "    Variable.Units = \"C\"\n"
            "    Variable.NumFunctionValues = 11\n"
            "    Variable.OnChange = Changed\n"
            "    Variable.OnVariableChange = VariableChanged\n"
            "    Variable.OnFuzzySetAdded = SetEvent\n"
            "    Variable.Parser = Parser1\n"
            "    Variable.Items.OnChange = Changed\n"
            "    Variable.Tag = 5\n"
            "    Variable.Threshold = 0.3\n"
            "    Set.Defined = False\n"
            "    Set.Values = <>\n"
            "    Set.SetType = fstUserDefined\n"
            "    Set.Tag = 0\n"
            "  end\n"
            "  object Parser1: TCustomFuzzyLogicParser\n"
            "  end\n"
            "end\n");

  TTree Copy;
  ReadInto(Text, Copy);
  const TIFuzzyVariable& C = *Copy.Holder->GetVariable();
  EXPECT_EQ(C.GetComment(), "air");
  EXPECT_EQ(C.GetDefuzzificationMethod(), dmMeanOfMaxima);
  EXPECT_EQ(C.GetMinimum(), -5);
  EXPECT_EQ(C.GetMaximum(), 0);
  EXPECT_EQ(C.GetName(), "temp");
  EXPECT_EQ(C.GetNumFunctionValues(), 11);
  EXPECT_EQ(C.GetParser().get(), static_cast<IFuzzyParser*>(Copy.Parser));
  EXPECT_EQ(C.GetTag(), 5);
  EXPECT_EQ(C.GetThreshold(), 0.3);
  EXPECT_TRUE(C.GetOnFuzzySetAdded());
  EXPECT_FALSE(C.GetOnFuzzySetDeleted());
  // The sets are not part of a variable's stream form.
  EXPECT_EQ(C.GetCount(), 0);
  EXPECT_EQ(ComponentToText(&Copy.Form), Text);
}

TEST_F(IFuzzyStreamingTest, ASetKeepsItsStoredShapeAndItsDefinedFlag) {
  TTree Tree;
  TIFuzzySet& S = *Tree.Holder->GetSet();
  S.SetName("warm");
  S.SetComment("mild");
  S.CreateTriangleFunctionValues(2, 3, 9);
  S.SetDefined(true);
  S.SetTag(-1);
  TTree Copy;
  ReadInto(ComponentToText(&Tree.Form), Copy);
  const TIFuzzySet& C = *Copy.Holder->GetSet();
  EXPECT_EQ(C.GetName(), "warm");
  EXPECT_EQ(C.GetComment(), "mild");
  EXPECT_EQ(C.GetSetType(), fstTriangle);
  EXPECT_THAT(PointsOf(C), ElementsAre(Pt{2, 0}, Pt{3, 1}, Pt{9, 0}));
  EXPECT_TRUE(C.GetDefined());
  EXPECT_EQ(C.GetTag(), -1);
  // The published flag is the object form's: a stream clears it, which no IFuzzySet call does.
  TextToComponent("object Form: TComponent\n  object Holder: TIntfHolder\n    Set.Defined = False\n  end\nend\n",
                  &Copy.Form);
  EXPECT_FALSE(C.GetDefined());
}

TEST_F(IFuzzyStreamingTest, AParserLinkMustBeAParser) {
  TTree Target;
  EXPECT_THROW_MSG(TextToComponent("object Form: TComponent\n"
                                   "  object Holder: TIntfHolder\n"
                                   "    Variable.Parser = Holder\n"
                                   "  end\n"
                                   "end\n",
                                   &Target.Form),
                   EComponentReadError,
                   "Error reading Form.Holder.Variable.Parser at line 3: Property Parser takes a IFuzzyParser, not a "
                   "TIntfHolder");
  EXPECT_FALSE(Target.Holder->GetVariable()->GetParser());
}

}  // namespace
}  // namespace tarnwick
