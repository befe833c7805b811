// A logic component of either form and its parser stored in a component stream and read back:
// the same settings, model and Strings, the links between the two restored. The collection form
// stores its variables (Items) and parses nothing when loaded; the interface form stores none
// and parses its stored text once the read is over, so a text that does not parse, or a parser
// that cannot parse it, is an error of the read that leaves a tree read into as it was.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <exception>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "tarnwick/model/FuzzyLogicComponent.h"
#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/model/FuzzyVariable.h"
#include "tarnwick/model/IFuzzyLogicComponent.h"
#include "tarnwick/parser/FuzzyClasses.h"
#include "tarnwick/parser/KVFuzzyLogicParser.h"
#include "tarnwick/platform/ComponentStreaming.h"
#include "tarnwick/platform/Strings.h"

namespace tarnwick {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
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

void Assign(TCustomFuzzyLogic& Logic, const std::string& Text) {
  TStringList Lines;
  Lines.SetText(Text);
  Logic.SetStrings(&Lines);
}

// The points of a set, with its name and the rest of what a read must give back.
struct TSetState {
  std::string Name, Comment;
  TFuzzySetType Type;
  bool Defined;
  std::vector<std::pair<double, double>> Points;
  bool operator==(const TSetState&) const = default;
};

TSetState StateOf(const TFuzzySet& S) {
  TSetState State{S.GetName(), S.GetComment(), S.GetSetType(), S.GetDefined(), {}};
  for (Integer P = 0; P < S.GetValues()->GetCount(); ++P)
    State.Points.emplace_back(S.GetValues()->GetItem(P)->GetX(), S.GetValues()->GetItem(P)->GetY());
  return State;
}

TSetState StateOf(const IFuzzySet& S) {
  TSetState State{S.GetName(), S.GetComment(), S.GetSetType(), S.GetDefined(), {}};
  for (Integer P = 0; P < S.GetCount(); ++P) State.Points.emplace_back(S.GetXValues(P), S.GetYValues(P));
  return State;
}

const TFuzzyVariable* VariableOf(const TFuzzyLogic& Logic, const std::string& Name) {
  return Logic.GetItems()->GetItemByName(Name);
}

Intf<IFuzzyVariable> VariableOf(const TIFuzzyLogic& Logic, const std::string& Name) {
  return Logic.GetItems()->ContainsVariable(Name);
}

// What the suite needs of each form.
template <typename TLogic>
struct TForm;

template <>
struct TForm<TFuzzyLogic> {
  static constexpr bool kParsesWhenLoaded = false;

  static std::vector<std::string> VariableNames(const TFuzzyLogic& Logic) {
    std::vector<std::string> Names;
    for (Integer I = 0; I < Logic.GetItems()->GetCount(); ++I) Names.push_back(Logic.GetItems()->GetItem(I)->GetName());
    return Names;
  }
  static std::vector<const void*> Variables(const TFuzzyLogic& Logic) {
    std::vector<const void*> Result;
    for (Integer I = 0; I < Logic.GetItems()->GetCount(); ++I) Result.push_back(Logic.GetItems()->GetItem(I));
    return Result;
  }
  static std::vector<TSetState> SetsOf(const TFuzzyLogic& Logic, const std::string& Variable) {
    std::vector<TSetState> R;
    const TFuzzyVariable& V = *Logic.GetItems()->GetItemByName(Variable);
    for (Integer I = 0; I < V.GetItems()->GetCount(); ++I) R.push_back(StateOf(*V.GetItems()->GetItem(I)));
    return R;
  }
  // What the collection form stores of a variable besides its sets.
  static void ExpectSameVariable(const TFuzzyLogic& A, const TFuzzyLogic& B, const std::string& Name) {
    const TFuzzyVariable& VA = *A.GetItems()->GetItemByName(Name);
    const TFuzzyVariable& VB = *B.GetItems()->GetItemByName(Name);
    EXPECT_EQ(VA.GetItemIndex(), VB.GetItemIndex()) << Name;
    for (Integer I = 0; I < VA.GetItems()->GetCount() && I < VB.GetItems()->GetCount(); ++I)
      EXPECT_EQ(VA.GetItems()->GetItem(I)->GetTag(), VB.GetItems()->GetItem(I)->GetTag()) << Name << " " << I;
  }
  static void AddPoint(TFuzzyLogic& Logic, const char* Variable, const char* Set, double X, double Y) {
    Logic.GetItems()->GetItemByName(Variable)->GetItems()->GetItemByName(Set)->GetValues()->Add(X, Y);
  }
  // Changes that only the collection form stores: a set's tag and the variable's ItemIndex.
  static void ChangeStoredOnly(TFuzzyLogic& Logic) {
    TFuzzyVariable* Vent = Logic.GetItems()->GetItemByName("vent");
    Vent->GetItems()->GetItemByName("wide")->SetTag(77);
    Vent->SetItemIndex(0);
  }
};

template <>
struct TForm<TIFuzzyLogic> {
  static constexpr bool kParsesWhenLoaded = true;

  static std::vector<std::string> VariableNames(const TIFuzzyLogic& Logic) {
    std::vector<std::string> Names;
    for (const Intf<IFuzzyVariable>& V : Logic.GetItems()->GetStoringOrder()) Names.push_back(V->GetName());
    return Names;
  }
  static std::vector<const void*> Variables(const TIFuzzyLogic& Logic) {
    std::vector<const void*> Result;
    for (const Intf<IFuzzyVariable>& V : Logic.GetItems()->GetStoringOrder()) Result.push_back(V.get());
    return Result;
  }
  // In the order the table stored them.
  static std::vector<TSetState> SetsOf(const TIFuzzyLogic& Logic, const std::string& Variable) {
    const Intf<IFuzzyVariable> V = Logic.GetItems()->ContainsVariable(Variable);
    std::vector<Intf<IFuzzySet>> Sets;
    for (Integer I = 0; I < V->GetCount(); ++I) Sets.push_back(V->GetFuzzySet(I));
    std::sort(Sets.begin(), Sets.end(),
              [](const Intf<IFuzzySet>& A, const Intf<IFuzzySet>& B) { return A->GetIndex() < B->GetIndex(); });
    std::vector<TSetState> R;
    for (const Intf<IFuzzySet>& S : Sets) R.push_back(StateOf(*S));
    return R;
  }
  static void ExpectSameVariable(const TIFuzzyLogic&, const TIFuzzyLogic&, const std::string&) {}
  static void AddPoint(TIFuzzyLogic& Logic, const char* Variable, const char* Set, double X, double Y) {
    Logic.GetItems()->ContainsVariable(Variable)->GetFuzzySetByName(Set)->Add(X, Y);
  }
  static void ChangeStoredOnly(TIFuzzyLogic&) {}
};

// Form owns a logic component and a parser linked both ways, with settings off their defaults
// and named handlers.
template <typename TLogic>
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
    Logic->SetOnChange(NamedEvent("LogicChanged", TNotifyEvent([](TObject*) {})));
    if constexpr (std::is_same_v<TLogic, TIFuzzyLogic>)
      Logic->SetOnVariableAdded(NamedEvent("VariableAdded", TIFuzzyVariableEvent([](IFuzzyVariable*) {})));
    Parser->SetOnParseFuzzyVariable(NamedEvent("VariableParsed", TFuzzyVariableEvent([](TObject*, TFuzzyVariable*) {})));
    Parser->SetOnParseFuzzyVariableIntf(NamedEvent("IVariableParsed", TIFuzzyVariableEvent([](IFuzzyVariable*) {})));
    Assign(*Logic, kDefinition);
  }
  TComponent Form{nullptr};
  TLogic* Logic = new TLogic(&Form);
  TKVFuzzyLogicParser* Parser = new TKVFuzzyLogicParser(&Form);
};

template <typename TLogic>
class LogicStreamingTest : public ::testing::Test {
 protected:
  using Form = TForm<TLogic>;

  void SetUp() override {
    RegisterFuzzyClasses();
    Handlers.Add<TNotifyEvent>("LogicChanged", [this](TObject*) { ++Changes; });
    Handlers.Add<TIFuzzyVariableEvent>("VariableAdded", [this](IFuzzyVariable* V) { Added.push_back(V->GetName()); });
    Handlers.Add<TFuzzyVariableEvent>("VariableParsed", [this](TObject*, TFuzzyVariable*) { ++VariablesParsed; });
    Handlers.Add<TIFuzzyVariableEvent>("IVariableParsed", [this](IFuzzyVariable*) { ++VariablesParsed; });
  }

  std::unique_ptr<TComponent> Read(const std::string& Text) {
    TReader Reader(Text);
    Reader.SetEventHandlers(&Handlers);
    return std::unique_ptr<TComponent>(Reader.ReadRootComponent(nullptr));
  }
  void ReadInto(const std::string& Text, TComponent& Root) {
    TReader Reader(Text);
    Reader.SetEventHandlers(&Handlers);
    Reader.ReadRootComponent(&Root);
  }

  static TLogic* LogicOf(const TComponent& Root, const char* Name = "Logic1") {
    return dynamic_cast<TLogic*>(Root.FindComponent(Name));
  }
  static TKVFuzzyLogicParser* ParserOf(const TComponent& Root) {
    return dynamic_cast<TKVFuzzyLogicParser*>(Root.FindComponent("Parser1"));
  }

  static void ExpectSameModel(const TLogic& A, const TLogic& B) {
    EXPECT_EQ(A.GetAutoTerms(), B.GetAutoTerms());
    EXPECT_EQ(A.GetThreshold(), B.GetThreshold());
    EXPECT_EQ(A.GetCorrelationMethod(), B.GetCorrelationMethod());
    EXPECT_EQ(A.GetInferenceMethod(), B.GetInferenceMethod());
    EXPECT_EQ(A.GetDefuzzificationMethod(), B.GetDefuzzificationMethod());
    EXPECT_EQ(A.GetNumFunctionValues(), B.GetNumFunctionValues());
    EXPECT_EQ(Lines(*A.GetVariables()), Lines(*B.GetVariables()));
    ASSERT_EQ(Form::VariableNames(A), Form::VariableNames(B));
    for (const std::string& Name : Form::VariableNames(A)) {
      const auto VA = VariableOf(A, Name);
      const auto VB = VariableOf(B, Name);
      EXPECT_EQ(VA->GetUnits(), VB->GetUnits());
      EXPECT_EQ(VA->GetComment(), VB->GetComment());
      EXPECT_EQ(VA->GetMinimum(), VB->GetMinimum());
      EXPECT_EQ(VA->GetMaximum(), VB->GetMaximum());
      EXPECT_EQ(VA->GetThreshold(), VB->GetThreshold());
      EXPECT_TRUE(Form::SetsOf(A, Name) == Form::SetsOf(B, Name)) << Name;
      Form::ExpectSameVariable(A, B, Name);
    }
  }

  TEventHandlers Handlers;
  int Changes = 0;
  int VariablesParsed = 0;
  std::vector<std::string> Added;
};

using TLogicForms = ::testing::Types<TFuzzyLogic, TIFuzzyLogic>;
TYPED_TEST_SUITE(LogicStreamingTest, TLogicForms);

TYPED_TEST(LogicStreamingTest, ARoundTripGivesTheSameModelTheSameStringsAndTheLinks) {
  TStoredModel<TypeParam> Model;
  const std::vector<std::string> Strings = Lines(*Model.Logic->GetStrings());
  const std::string Text = ComponentToText(&Model.Form);
  std::unique_ptr<TComponent> Form = this->Read(Text);

  TypeParam* Logic = this->LogicOf(*Form);
  TKVFuzzyLogicParser* Parser = this->ParserOf(*Form);
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
  this->ExpectSameModel(*Model.Logic, *Logic);
  EXPECT_FALSE(Logic->GetNeedsUpdate());
  EXPECT_EQ(Lines(*Logic->GetStrings()), Strings);
  EXPECT_EQ(ComponentToText(Form.get()), Text);
  // The collection form read its variables from Items; the interface form parsed its text.
  EXPECT_EQ(this->VariablesParsed, TForm<TypeParam>::kParsesWhenLoaded ? 2 : 0);

  // Printed anew, both models give the same text.
  Model.Logic->UpdateStrings();
  Logic->UpdateStrings();
  EXPECT_EQ(Lines(*Logic->GetStrings()), Lines(*Model.Logic->GetStrings()));
}

TYPED_TEST(LogicStreamingTest, AChangedModelIsStoredWithItsTextPrintedAnew) {
  TStoredModel<TypeParam> Model;
  TForm<TypeParam>::AddPoint(*Model.Logic, "vent", "shut", 5, 0.5);
  TForm<TypeParam>::ChangeStoredOnly(*Model.Logic);
  ASSERT_TRUE(Model.Logic->GetNeedsUpdate());
  std::unique_ptr<TComponent> Form = this->Read(ComponentToText(&Model.Form));
  TypeParam* Logic = this->LogicOf(*Form);
  ASSERT_NE(Logic, nullptr);
  this->ExpectSameModel(*Model.Logic, *Logic);
  EXPECT_EQ(Lines(*Logic->GetStrings()), Lines(*Model.Logic->GetStrings()));
  EXPECT_THAT(Logic->GetStrings()->GetText(), HasSubstr("(5.0000 0.5000)"));
}

TYPED_TEST(LogicStreamingTest, ALinkToAComponentOutsideTheStreamGoesThroughTheHostLookup) {
  TypeParam Logic(nullptr);
  TKVFuzzyLogicParser Parser(nullptr);
  Parser.SetName("SharedParser");
  Logic.SetParser(&Parser);
  const std::string Text = ComponentToText(&Logic);
  const std::string Link = "  Parser = SharedParser\n";
  const std::size_t At = Text.find(Link);
  ASSERT_NE(At, std::string::npos);
  const auto Line = std::count(Text.begin(), Text.begin() + static_cast<std::ptrdiff_t>(At), '\n') + 1;
  TypeParam Copy(nullptr);
  EXPECT_THROW_MSG(TextToComponent(Text, &Copy), EComponentReadError,
                   "Error reading " + Logic.ClassName() + ".Parser at line " + std::to_string(Line) +
                       ": Component SharedParser not found");
  Parser.SetFuzzyLogic(&Copy);  // so that a logic that parses once loaded has a parser that serves it
  TReader Reader(Text);
  Reader.SetOnFindComponent([&](const std::string& Name) -> TComponent* { return Name == "SharedParser" ? &Parser : nullptr; });
  Reader.ReadRootComponent(&Copy);
  EXPECT_EQ(Copy.GetParser(), &Parser);
}

// The collection form learns of the wrong link when it next parses; the interface form, which
// parses once loaded, while it is read.
TYPED_TEST(LogicStreamingTest, ALogicLinkedToAnotherLogicsParserCannotParseThroughIt) {
  TStoredModel<TypeParam> Model;
  auto* Other = new TypeParam(&Model.Form);
  Other->SetName("Logic2");
  Other->SetParser(Model.Parser);  // the parser's own link stays with Logic1
  const std::string Text = ComponentToText(&Model.Form);
  const std::string Message = "Cannot parse Logic2 through Parser1, which parses into Logic1";
  if constexpr (TForm<TypeParam>::kParsesWhenLoaded) {
    const std::size_t At = Text.find("    Parser = Parser1\n", Text.find("  object Logic2: "));
    ASSERT_NE(At, std::string::npos);
    const auto Line = std::count(Text.begin(), Text.begin() + static_cast<std::ptrdiff_t>(At), '\n') + 1;
    // The Parser that Logic2 names is at fault.
    EXPECT_THROW_MSG(this->Read(Text), EComponentReadError,
                     "Error reading Form.Logic2.Parser at line " + std::to_string(Line) + ": " + Message);
  } else {
    std::unique_ptr<TComponent> Form = this->Read(Text);
    TypeParam* Logic2 = this->LogicOf(*Form, "Logic2");
    ASSERT_NE(Logic2, nullptr);
    EXPECT_THROW_MSG(Logic2->Parse(), EFzyException, Message);
    EXPECT_EQ(TForm<TypeParam>::VariableNames(*this->LogicOf(*Form)), (std::vector<std::string>{"temperature", "vent"}));
  }
}

// Left at what construction gives them, the logic components and the parser store only what
// construction does not give back: a changed declared default would store one more value, or
// leave out one that then reads back as construction's.
TEST(LogicStreamingDefaults, EachComponentLeftAtItsDefaultsStoresExactlyWhatConstructionDoesNotGive) {
  RegisterFuzzyClasses();
  TComponent Form(nullptr);
  Form.SetName("Form");
  (new TFuzzyLogic(&Form))->SetName("Logic1");
  (new TIFuzzyLogic(&Form))->SetName("Logic2");
  (new TKVFuzzyLogicParser(&Form))->SetName("Parser1");
  EXPECT_EQ(ComponentToText(&Form),
            "object Form: TComponent\n"
            "  object Logic1: TFuzzyLogic\n"
            "    Threshold = 0.01\n"
            "    Items = <>\n"
            "  end\n"
            "  object Logic2: TIFuzzyLogic\n"
            "    Threshold = 0.01\n"
            "  end\n"
            "  object Parser1: TKVFuzzyLogicParser\n"
            "  end\n"
            "end\n");
}

// --- The collection form

using FuzzyLogicStreamingTest = LogicStreamingTest<TFuzzyLogic>;

TEST_F(FuzzyLogicStreamingTest, ALoadedLogicKeepsItsStoredStringsAndItemsAndParsesNothing) {
  TStoredModel<TFuzzyLogic> Model;
  const std::string Stored = ComponentToText(&Model.Form);
  // Texts that disagree with the stored Items: one that parses and one that does not.
  for (const char* Definition : {"(deffuzzy other)", "(deffuzzy (range 0 1))"}) {
    SCOPED_TRACE(Definition);
    std::string Text = Stored;
    const std::size_t Begin = Text.find("    Strings = (\n");
    const std::size_t End = Text.find("\n    )\n", Begin);
    ASSERT_NE(Begin, std::string::npos);
    ASSERT_NE(End, std::string::npos);
    Text.replace(Begin, End + 7 - Begin, "    Strings = (\n      \"" + std::string(Definition) + "\"\n    )\n");

    std::unique_ptr<TComponent> Form = Read(Text);
    TFuzzyLogic* Logic = LogicOf(*Form);
    EXPECT_EQ(VariablesParsed, 0);
    EXPECT_FALSE(Logic->GetNeedsUpdate());
    EXPECT_THAT(Lines(*Logic->GetStrings()), ElementsAre(Definition));
    EXPECT_THAT(TForm<TFuzzyLogic>::VariableNames(*Logic), ElementsAre("temperature", "vent"));
  }
  // Asked to, the loaded logic parses its text through its parser.
  std::unique_ptr<TComponent> Form = Read(Stored);
  LogicOf(*Form)->Parse();
  EXPECT_EQ(VariablesParsed, 2);
  EXPECT_GT(Changes, 0);
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

// --- The interface form

using IFuzzyLogicStreamingTest = LogicStreamingTest<TIFuzzyLogic>;

TEST_F(IFuzzyLogicStreamingTest, ItStoresNoVariablesAndParsesThroughTheStreamedHandlers) {
  TStoredModel<TIFuzzyLogic> Model;
  const std::string Text = ComponentToText(&Model.Form);
  EXPECT_THAT(Text, ::testing::Not(HasSubstr("Items")));
  EXPECT_THAT(Text, HasSubstr("OnVariableAdded = VariableAdded"));
  std::unique_ptr<TComponent> Form = Read(Text);
  EXPECT_THAT(Added, ElementsAre("temperature", "vent"));
  for (const char* Name : {"temperature", "vent"}) EXPECT_EQ(VariableOf(*LogicOf(*Form), Name)->GetThreshold(), 0.2);
}

// The count of a generated curve from a stream is held at the ceiling as the setter holds it,
// so that the curves that Loaded parses from the text stay within it.
TEST_F(IFuzzyLogicStreamingTest, ACountAboveTheCeilingIsReadAsTheCeiling) {
  TStoredModel<TIFuzzyLogic> Model;
  std::string Text = ComponentToText(&Model.Form);
  const std::string Stored = "NumFunctionValues = 9";
  ASSERT_NE(Text.find(Stored), std::string::npos);
  Text.replace(Text.find(Stored), Stored.size(), "NumFunctionValues = 5000");
  std::unique_ptr<TComponent> Form = Read(Text);
  TIFuzzyLogic* Logic = LogicOf(*Form);
  ASSERT_NE(Logic, nullptr);
  EXPECT_EQ(Logic->GetNumFunctionValues(), kMaxNumFunctionValues);
  Intf<IFuzzyVariable> V = Logic->GetItems()->ContainsVariable("temperature");
  ASSERT_TRUE(V);
  EXPECT_EQ(V->GetFuzzySetByName("cold")->GetCount(), kMaxNumFunctionValues);
}

// Definition line 4 of the text stored below holds a term without a name.
const char* const kBadDefinition =
    "(deffuzzy vent\n"
    "  (range 0 100)\n"
    "  (values\n"
    "    (term ((0 1) (10 0)))))\n";

// The stream of Form with Logic1's Strings set to kBadDefinition, and the line of its Strings.
std::pair<std::string, int> WithBadText(TComponent& Form) {
  std::string Text = ComponentToText(&Form);
  const std::size_t Begin = Text.find("    Strings = (\n");
  const std::size_t End = Text.find("\n    )\n", Begin);
  EXPECT_NE(Begin, std::string::npos);
  EXPECT_NE(End, std::string::npos);
  std::string Stored = "    Strings = (\n";
  TStringList Bad;
  Bad.SetText(kBadDefinition);
  for (Integer I = 0; I < Bad.GetCount(); ++I) Stored += "      \"" + Bad.Get(I) + "\"\n";
  Text.replace(Begin, End + 7 - Begin, Stored + "    )\n");
  return {Text, static_cast<int>(std::count(Text.begin(), Text.begin() + static_cast<std::ptrdiff_t>(Begin), '\n')) + 1};
}

const char* const kBadDefinitionError =
    "Parsing Error, Missing name in ParseFuzzySet at line 4: \" ( deffuzzy vent \r\n( range 0 100 ) \r\n( values "
    "( term ( \"";

TEST_F(IFuzzyLogicStreamingTest, AStoredTextThatDoesNotParseIsAnErrorOfItsStringsLine) {
  TStoredModel<TIFuzzyLogic> Model;
  const auto [Text, Line] = WithBadText(Model.Form);
  try {
    Read(Text);
    ADD_FAILURE() << "no error";
  } catch (const EComponentReadError& E) {
    EXPECT_EQ(std::string(E.what()),
              "Error reading Form.Logic1.Strings at line " + std::to_string(Line) + ": " + kBadDefinitionError);
    EXPECT_EQ(E.GetLineNumber(), Line);
    EXPECT_EQ(E.GetPropertyPath(), "Form.Logic1.Strings");
    // The parser's own error, with the line within the text, is nested in it.
    try {
      std::rethrow_if_nested(E);
      ADD_FAILURE() << "nothing nested";
    } catch (const ELoadedValueError& Loaded) {
      EXPECT_EQ(Loaded.GetPropertyName(), "Strings");
      try {
        std::rethrow_if_nested(Loaded);
        ADD_FAILURE() << "nothing nested";
      } catch (const EFzyParseException& Parse) {
        EXPECT_STREQ(Parse.what(), kBadDefinitionError);
        EXPECT_EQ(Parse.GetLineNumber(), 4);
      }
    }
  }
}

// Read into an existing tree, a text that does not parse leaves the logic component with the
// very variables, the text and the mark it had; what the read set otherwise stays set, as
// after any other error of a read.
TEST_F(IFuzzyLogicStreamingTest, AFailedReadIntoALogicLeavesItsVariablesAndTextAsTheyWere) {
  for (const bool Changed : {false, true}) {
    SCOPED_TRACE(Changed ? "text out of date" : "text up to date");
    TStoredModel<TIFuzzyLogic> Stored;
    const std::string Text = WithBadText(Stored.Form).first;

    TStoredModel<TIFuzzyLogic> Target;
    Target.Logic->SetNumFunctionValues(3);
    if (Changed) TForm<TIFuzzyLogic>::AddPoint(*Target.Logic, "vent", "shut", 5, 0.5);
    const std::vector<const void*> Before = TForm<TIFuzzyLogic>::Variables(*Target.Logic);
    EXPECT_THROW(ReadInto(Text, Target.Form), EComponentReadError);
    EXPECT_FALSE(Target.Logic->IsLoading());
    ASSERT_EQ(TForm<TIFuzzyLogic>::Variables(*Target.Logic), Before);
    EXPECT_EQ(Target.Logic->GetNumFunctionValues(), 9) << "the settings read stay";
    EXPECT_EQ(Target.Logic->GetNeedsUpdate(), Changed);
    TStringList Assigned;
    Assigned.SetText(kDefinition);
    if (Changed)
      EXPECT_THAT(Target.Logic->GetStrings()->GetText(), HasSubstr("(5.0000 0.5000)"));
    else
      EXPECT_EQ(Lines(*Target.Logic->GetStrings()), Lines(Assigned));
    // The variables are still linked: a change of a set reaches the component.
    TForm<TIFuzzyLogic>::AddPoint(*Target.Logic, "vent", "wide", 80, 0.5);
    EXPECT_TRUE(Target.Logic->GetNeedsUpdate());
  }
}

TEST_F(IFuzzyLogicStreamingTest, LoadedWithoutAParserItFailsAndKeepsWhatItHad) {
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
  EXPECT_THROW_MSG(TextToComponent(Text, &Copy), EComponentReadError,
                   "Error reading TIFuzzyLogic.Parser at line 1: Parser not assigned.  Cannot parse");
  EXPECT_FALSE(Copy.IsLoading());
  EXPECT_EQ(Copy.GetParser(), nullptr);
  EXPECT_EQ(Copy.GetItems()->GetCount(), 0);
  EXPECT_THAT(Lines(*Copy.GetStrings()), ::testing::IsEmpty()) << "the text it could not parse is not taken";
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
