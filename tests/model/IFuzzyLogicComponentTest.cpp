// The interface logic component: variables stored in its table get the threshold, the automatic
// terms and the set-event links in that order; removal, replacement, Parse and destruction and
// what each reports; the text printed from the variables; loading; the typed string list of
// variables; and the lifetime of variables that outlive the component.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "LineParser.h"
#include "ModelTestSupport.h"
#include "tarnwick/model/FuzzyConsts.h"
#include "tarnwick/model/FuzzyParserBase.h"
#include "tarnwick/model/IFuzzyLogic.h"
#include "tarnwick/platform/ComponentStreaming.h"
#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/Strings.h"

namespace tarnwick {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using test::NamesByIndex;
using test::TLineParser;
using test::TILogicEventLog;

// A variable that counts its live instances, so that a test sees when one dies.
class TCountedVariable : public TIFuzzyVariable {
 public:
  explicit TCountedVariable(const std::string& Name) : TIFuzzyVariable(Name) { ++Alive; }
  ~TCountedVariable() override { --Alive; }
  static inline int Alive = 0;
};

Intf<IFuzzyVariable> NewVariable(const std::string& Name, TFzyFloat Min = 0, TFzyFloat Max = 1) {
  Intf<IFuzzyVariable> V(new TCountedVariable(Name));
  V->SetMinimum(Min);
  V->SetMaximum(Max);
  return V;
}

class IFuzzyLogicTest : public ::testing::Test {
 protected:
  void SetUp() override { TCountedVariable::Alive = 0; }
  void TearDown() override {
    Logic.reset();
    EXPECT_EQ(TCountedVariable::Alive, 0) << "every variable dies with its last reference";
  }

  std::unique_ptr<TIFuzzyLogic> Logic = std::make_unique<TIFuzzyLogic>(nullptr);
  TILogicEventLog Log{*Logic};
};

// --- Storing a variable

TEST_F(IFuzzyLogicTest, AStoredVariableGetsThresholdAndAutomaticTermsBeforeTheLinks) {
  Intf<IFuzzyVariable> V = NewVariable("speed", 0, 100);
  std::vector<std::string> VariableEvents;
  V->SetOnFuzzySetAdded([&](IFuzzyVariable* Sender, IFuzzySet* S) {
    // The threshold is handed down before the first automatic term arrives.
    VariableEvents.push_back(S->GetName() + " at threshold " + std::to_string(Sender->GetThreshold()));
  });
  Logic->GetItems()->Add(V.get());

  EXPECT_THAT(VariableEvents, ElementsAre("low at threshold 0.010000", "medium at threshold 0.010000",
                                          "high at threshold 0.010000"));
  // The automatic terms came before the links: the component heard only of the variable.
  EXPECT_THAT(Log.Take(), ElementsAre("OnVariableAdded(speed)"));
  EXPECT_EQ(V->GetThreshold(), 0.01);
  EXPECT_THAT(NamesByIndex(*V), ElementsAre("low", "medium", "high"));
  EXPECT_EQ(V->ContainsFuzzySet("low")->GetExpression(), "");
  EXPECT_EQ(V->ContainsFuzzySet("medium")->GetSetType(), fstTriangle);
  EXPECT_EQ(V->ContainsFuzzySet("medium")->GetXValues(1), 50);
  EXPECT_EQ(V->ContainsFuzzySet("high")->DegreeOfMembership(100), 1);

  // The host's handler is replaced by the component's link.
  V->Add("fast");
  EXPECT_EQ(VariableEvents.size(), 3u);
  EXPECT_THAT(Log.Take(), ElementsAre("OnFuzzySetAdded(speed, fast)"));
}

TEST_F(IFuzzyLogicTest, AutomaticTermsOnlyWhereMissingAndOnlyWhenOn) {
  Intf<IFuzzyVariable> Partial = NewVariable("partial");
  Intf<IFuzzySet> Medium = Partial->Add("medium");
  Logic->GetItems()->Add(Partial.get());
  EXPECT_THAT(NamesByIndex(*Partial), ElementsAre("medium", "low", "high"));
  EXPECT_EQ(Partial->ContainsFuzzySet("medium"), Medium) << "a term already there is left alone";
  EXPECT_EQ(Medium->GetCount(), 0);

  Logic->SetAutoTerms(false);
  Intf<IFuzzyVariable> Bare = NewVariable("bare");
  Logic->GetItems()->Add(Bare.get());
  EXPECT_EQ(Bare->GetCount(), 0);
}

TEST_F(IFuzzyLogicTest, AVariableStoredAgainWhileLinkedReportsItsAutomaticTerms) {
  Intf<IFuzzyVariable> V = NewVariable("v");
  Logic->GetItems()->Add(V.get());
  V->Clear();
  Log.Take();
  Logic->GetItems()->Add(V.get());
  // "low" and "high" get their two points one by one, the triangle in one block.
  EXPECT_THAT(Log.Take(),
              ElementsAre("OnFuzzySetAdded(v, low)", "OnFuzzySetChange(v, low)", "OnFuzzySetChange(v, low)",
                          "OnFuzzySetAdded(v, medium)", "OnFuzzySetChange(v, medium)", "OnFuzzySetAdded(v, high)",
                          "OnFuzzySetChange(v, high)", "OnFuzzySetChange(v, high)", "OnVariableAdded(v)"));
}

TEST_F(IFuzzyLogicTest, TheLinksReportSetsAddedRemovedAndChanged) {
  Logic->SetAutoTerms(false);
  Intf<IFuzzyVariable> V = NewVariable("v");
  Logic->GetItems()->Add(V.get());
  Log.Take();

  Intf<IFuzzySet> S = V->Add("s");
  EXPECT_THAT(Log.Take(), ElementsAre("OnFuzzySetAdded(v, s)"));
  EXPECT_FALSE(Logic->GetNeedsUpdate()) << "additions do not mark the text";
  S->Add(0.5, 1);
  EXPECT_THAT(Log.Take(), ElementsAre("OnFuzzySetChange(v, s)"));
  EXPECT_TRUE(Logic->GetNeedsUpdate());
  V->Remove(S.get());
  EXPECT_THAT(Log.Take(), ElementsAre("OnFuzzySetDeleted(v, s)"));

  // A change of the variable itself reaches neither the events nor the text. (UpdateStrings
  // clears the mark before it finds no parser.)
  EXPECT_THROW(Logic->UpdateStrings(), EFzyException);
  V->SetName("renamed");
  V->SetMaximum(5);
  EXPECT_THAT(Log.Take(), IsEmpty());
  EXPECT_FALSE(Logic->GetNeedsUpdate());
  EXPECT_EQ(Logic->GetItems()->ContainsVariable("v"), V) << "the table keeps the old key";
  EXPECT_FALSE(Logic->GetItems()->ContainsVariable("renamed"));
}

TEST_F(IFuzzyLogicTest, ReplacingAVariableReportsOnlyTheNewOne) {
  Logic->SetAutoTerms(false);
  Intf<IFuzzyVariable> First = NewVariable("v");
  Intf<IFuzzyVariable> Second = NewVariable("v");
  Logic->GetItems()->Add(First.get());
  Logic->GetItems()->Add(Second.get());
  EXPECT_THAT(Log.Take(), ElementsAre("OnVariableAdded(v)", "OnVariableAdded(v)"));
  EXPECT_EQ(Logic->GetItems()->ContainsVariable("v"), Second);
  EXPECT_EQ(Logic->GetItems()->GetCount(), 1);
}

TEST_F(IFuzzyLogicTest, RemoveTakesOnlyTheVeryVariableAndUnlinksIt) {
  Logic->SetAutoTerms(false);
  Intf<IFuzzyVariable> Stored = NewVariable("v");
  Intf<IFuzzyVariable> Namesake = NewVariable("v");
  Logic->GetItems()->Add(Stored.get());
  Log.Take();

  Logic->GetItems()->Remove(Namesake.get());
  EXPECT_EQ(Logic->GetItems()->GetCount(), 1);
  EXPECT_THAT(Log.Take(), IsEmpty());

  Logic->GetItems()->Remove(Stored.get());
  EXPECT_THAT(Log.Take(), ElementsAre("OnVariableDeleted(v)"));
  Stored->Add("s")->Add(0, 1);
  EXPECT_THAT(Log.Take(), IsEmpty()) << "a removed variable is no longer linked";

  // A name the table does not hold removes and reports nothing; an empty table refuses.
  Logic->GetItems()->Add(NewVariable("w").get());
  Log.Take();
  EXPECT_FALSE(Logic->GetItems()->Remove(std::string("absent")));
  EXPECT_THAT(Log.Take(), IsEmpty());
  Logic->GetItems()->Clear();
  EXPECT_THROW_MSG(Logic->GetItems()->Remove(std::string("w")), EGHashtableError, LoadResString(STableEmpty));
}

TEST_F(IFuzzyLogicTest, TheThresholdGoesToEveryVariable) {
  Intf<IFuzzyVariable> A = NewVariable("a");
  Intf<IFuzzyVariable> B = NewVariable("b");
  Logic->GetItems()->Add(A.get());
  Logic->GetItems()->Add(B.get());
  Logic->SetThreshold(2);
  EXPECT_EQ(Logic->GetThreshold(), 1);
  EXPECT_EQ(A->GetThreshold(), 1);
  EXPECT_EQ(B->GetThreshold(), 1);
  // The same value again changes nothing.
  A->SetThreshold(0.5);
  Logic->SetThreshold(1);
  EXPECT_EQ(A->GetThreshold(), 0.5);
}

TEST_F(IFuzzyLogicTest, UpdateVariableMarksTheTextAndFiresOnVariableChangeOrOnChange) {
  Intf<IFuzzyVariable> V = NewVariable("v");
  Logic->UpdateVariable(V.get());
  EXPECT_TRUE(Logic->GetNeedsUpdate());
  Logic->UpdateVariable(nullptr);
  EXPECT_THAT(Log.Take(), ElementsAre("OnVariableChange(v)", "OnChange"));
}

// --- Text, Parse and loading

class IFuzzyLogicParsed : public IFuzzyLogicTest {
 protected:
  void SetUp() override {
    IFuzzyLogicTest::SetUp();
    Logic->SetItemClass(TIFuzzyVariableClass::Of<TCountedVariable>());
    Logic->SetAutoTerms(false);
    Logic->SetParser(&Parser);
    Parser.SetFuzzyLogic(Logic.get());
  }
  void Assign(const std::string& Text) {
    TStringList Lines;
    Lines.SetText(Text);
    Logic->SetStrings(&Lines);
  }
  TLineParser Parser{nullptr};
};

TEST_F(IFuzzyLogicParsed, ParseReplacesTheVariablesWithoutReportingTheOldOnes) {
  Assign("a 0 1\nb 0 2\n");
  Intf<IFuzzyVariable> Kept = Logic->GetItems()->ContainsVariable("a");
  EXPECT_THAT(Log.Take(), ElementsAre("OnVariableAdded(a)", "OnVariableAdded(b)"));
  Assign("c 0 3\n");
  EXPECT_THAT(Log.Take(), ElementsAre("OnVariableAdded(c)"));
  EXPECT_EQ(Logic->GetItems()->GetCount(), 1);
  EXPECT_TRUE(Logic->GetItems()->ContainsVariable("c"));
  EXPECT_EQ(TCountedVariable::Alive, 2) << "b died with the table's reference, a lives in Kept";
  // The text reads back as assigned until the model changes.
  EXPECT_EQ(Logic->GetStrings()->GetText(), "c 0 3\r\n");
}

// The text lists the variables in the order the table stored them, not in the order of its
// slots, which depends on the order the names came in: so a text read back prints the same.
TEST_F(IFuzzyLogicParsed, TheTextIsEachVariablesOwnPrintInStoringOrder) {
  const std::vector<std::string> Names = {"temperature", "bare", "pressure", "flow", "last", "commented"};
  std::string Text;
  for (const std::string& Name : Names) Text += Name + " 0 1\n";
  Assign(Text);
  Logic->GetItems()->ContainsVariable("bare")->Add("s")->Add(0, 1);
  ASSERT_TRUE(Logic->GetNeedsUpdate());
  std::vector<std::string> Expected;
  for (const std::string& Name : Names) Expected.push_back("(var " + Name + ")");
  EXPECT_EQ(test::Lines(*Logic->GetStrings()), Expected);
  std::vector<std::string> Slots;
  for (Integer I = 0; I < Logic->GetItems()->GetCount(); ++I) Slots.push_back(Logic->GetItems()->GetKeyByIndex(I));
  EXPECT_NE(Slots, Names) << "the names chosen so that the slots tell another order";

  // A variable stored anew under its name goes to the end; a removed one leaves the text.
  Logic->GetItems()->Add(NewVariable("temperature").get());
  Logic->GetItems()->Remove(std::string("flow"));
  Logic->UpdateVariable(nullptr);
  EXPECT_THAT(test::Lines(*Logic->GetStrings()),
              ElementsAre("(var bare)", "(var pressure)", "(var last)", "(var commented)", "temperature"));

  // A variable without a parser prints its name; the component's own parser is not asked.
  Logic->GetItems()->Clear();
  Logic->GetItems()->Add(NewVariable("plain").get());
  Logic->UpdateVariable(nullptr);
  EXPECT_THAT(test::Lines(*Logic->GetStrings()), ElementsAre("plain"));
}

TEST_F(IFuzzyLogicParsed, WithoutAParserParseAndTheTextRaiseAndTheTableStays) {
  Assign("a 0 1\n");
  Logic->SetParser(nullptr);
  TStringList Lines;
  Lines.SetText("b 0 1");
  EXPECT_THROW_MSG(Logic->SetStrings(&Lines), EFzyException, "Parser not assigned.  Cannot parse");
  EXPECT_TRUE(Logic->GetItems()->ContainsVariable("a"));
  Logic->UpdateVariable(nullptr);
  EXPECT_THROW_MSG(Logic->GetStrings(), EFzyException, "Parser not assigned.  Cannot parse");
}

TEST_F(IFuzzyLogicParsed, TheStreamedTextIsParsedWhenLoadingEnds) {
  Logic->BeginLoading();
  Assign("a 0 1\nb 0 2\n");
  EXPECT_EQ(Logic->GetItems()->GetCount(), 0) << "nothing is parsed while loading";
  Logic->EndLoading();
  EXPECT_EQ(Logic->GetItems()->GetCount(), 2);
  EXPECT_FALSE(Logic->IsLoading());
  const std::vector<Intf<IFuzzyVariable>> Before = Logic->GetItems()->GetStoringOrder();

  // A Loaded that cannot parse names the property at fault and takes back what it had before
  // loading: its variables, its text and the text's mark.
  Logic->BeginLoading();
  Assign("c 0 1\n!\n");
  try {
    Logic->EndLoading();
    ADD_FAILURE() << "no error";
  } catch (const ELoadedValueError& E) {
    EXPECT_STREQ(E.what(), "bad definition");
    EXPECT_EQ(E.GetPropertyName(), "Strings");
  }
  EXPECT_FALSE(Logic->IsLoading());
  EXPECT_EQ(Logic->GetItems()->GetStoringOrder(), Before);
  EXPECT_FALSE(Logic->GetNeedsUpdate());
  EXPECT_EQ(Logic->GetStrings()->GetText(), "a 0 1\r\nb 0 2\r\n");
  EXPECT_EQ(TCountedVariable::Alive, 2) << "c died with the table it was undone from";

  TIFuzzyLogic Unlinked(nullptr);
  Unlinked.BeginLoading();
  TStringList Lines;
  Lines.SetText("a 0 1");
  Unlinked.SetStrings(&Lines);
  try {
    Unlinked.EndLoading();
    ADD_FAILURE() << "no error";
  } catch (const ELoadedValueError& E) {
    EXPECT_STREQ(E.what(), "Parser not assigned.  Cannot parse");
    EXPECT_EQ(E.GetPropertyName(), "Parser");
    EXPECT_THROW_MSG(std::rethrow_if_nested(E), EFzyException, "Parser not assigned.  Cannot parse");
  }
  EXPECT_FALSE(Unlinked.IsLoading());
  EXPECT_EQ(Unlinked.GetStrings()->GetText(), "");
}

// --- Destruction and lifetime

TEST_F(IFuzzyLogicTest, DestructionReportsNothingAndReleasesTheVariables) {
  Logic->GetItems()->Add(NewVariable("a").get());
  Intf<IFuzzyVariable> Kept = NewVariable("b");
  Logic->GetItems()->Add(Kept.get());
  Log.Take();
  std::vector<std::string> Fired;
  Logic->SetOnVariableDeleted([&](IFuzzyVariable* V) { Fired.push_back(V->GetName()); });
  Logic.reset();
  EXPECT_THAT(Fired, IsEmpty());
  EXPECT_EQ(TCountedVariable::Alive, 1) << "a died with the table, b lives in Kept";
}

// A variable that leaves the table unreported keeps its links; once the component is gone
// they must not reach it. Under AddressSanitizer a call through a stale link fails here.
TEST_F(IFuzzyLogicTest, AVariableOutlivingTheComponentChangesItsSetsSafely) {
  Intf<IFuzzyVariable> ByParse = NewVariable("parse");
  Intf<IFuzzyVariable> ByReplacement = NewVariable("twin");
  Intf<IFuzzyVariable> ByDestruction = NewVariable("kept");
  Logic->GetItems()->Add(ByParse.get());
  Logic->GetItems()->Add(ByReplacement.get());
  Logic->GetItems()->Add(NewVariable("twin").get());
  Logic->GetItems()->Add(ByDestruction.get());
  Logic->GetItems()->Remove(std::string("parse"));  // reported: unlinked
  Logic->GetItems()->Add(ByParse.get());
  Logic->GetItems()->Clear();                       // as Parse does: unreported
  Logic->GetItems()->Add(ByDestruction.get());
  Logic.reset();

  for (const Intf<IFuzzyVariable>& V : {ByParse, ByReplacement, ByDestruction}) {
    Intf<IFuzzySet> S = V->Add("new");
    S->Add(0.5, 1);
    V->Remove(S.get());
    V->ContainsFuzzySet("low")->Add(0.25, 0.5);
  }
  EXPECT_THAT(Log.Take(), ElementsAre("OnVariableAdded(parse)", "OnVariableAdded(twin)", "OnVariableAdded(twin)",
                                      "OnVariableAdded(kept)", "OnVariableDeleted(parse)", "OnVariableAdded(parse)",
                                      "OnVariableAdded(kept)"));
}

// --- The typed string list of variables

TEST_F(IFuzzyLogicTest, VariableStringsReportTheDataTheyReplace) {
  Logic->SetAutoTerms(false);
  TFuzzyVariableStrings Strings(Logic.get());
  Strings.Add("x");
  Intf<IFuzzyVariable> A = NewVariable("a");
  Intf<IFuzzyVariable> B = NewVariable("b");
  Strings.PutData(0, A.get());
  Strings.PutData(0, B.get());
  Strings.PutData(0, nullptr);
  EXPECT_THAT(Log.Take(), ElementsAre("OnVariableAdded(a)", "OnVariableDeleted(a)", "OnVariableAdded(b)",
                                      "OnVariableDeleted(b)"));
  EXPECT_FALSE(Strings.GetData(0));

  // A datum that is no variable does not convert.
  Strings.collections::TStringList<Intf<IInterface>>::PutData(0, Intf<IInterface>(new TInterfacedObject()));
  EXPECT_THROW(Strings.GetData(0), EIntfCastError);
  Strings.PutData(0, A.get());
  EXPECT_THAT(Log.Take(), ElementsAre("OnVariableAdded(a)"));
  EXPECT_EQ(Strings.GetData(0), A);

  TFuzzyVariableStrings Quiet(nullptr);
  Quiet.Add("y");
  Quiet.PutData(0, B.get());
  EXPECT_THAT(Log.Take(), IsEmpty());
}

}  // namespace
}  // namespace tarnwick
