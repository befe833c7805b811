// Component streaming of the collection-based model without a parser: what a logic component,
// its variables, sets and points store, that every stored value reads back as it was, the
// loading behaviour of ItemIndex, SetType and Parse, and streams the model refuses.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "ModelTestSupport.h"
#include "TestSupport.h"
#include "tarnwick/model/FuzzyLogic.h"
#include "tarnwick/platform/ComponentStreaming.h"
#include "tarnwick/platform/Strings.h"

namespace tarnwick {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using test::NamesOf;
using test::PointsOf;
using test::Pt;

class FuzzyStreamingTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterClass<TFuzzyLogic>(); }

  // A new logic component read from Text.
  static std::unique_ptr<TFuzzyLogic> Read(const std::string& Text) {
    std::unique_ptr<TComponent> Root(TextToComponent(Text, nullptr));
    auto* Logic = dynamic_cast<TFuzzyLogic*>(Root.get());
    EXPECT_NE(Logic, nullptr);
    if (Logic != nullptr) Root.release();
    return std::unique_ptr<TFuzzyLogic>(Logic);
  }

  // Logic written and read back into a new component.
  static std::unique_ptr<TFuzzyLogic> RoundTrip(TFuzzyLogic& Logic) { return Read(ComponentToText(&Logic)); }

  TFuzzyLogic Logic{nullptr};
};

TEST_F(FuzzyStreamingTest, ALogicIsWrittenInDeclaredOrderAndLeavesOutDefaults) {
  Logic.SetName("Logic");
  Logic.SetAutoTerms(false);
  TFuzzyVariable* Speed = Logic.GetItems()->Add("speed");
  Speed->SetMaximum(120);
  Speed->SetUnits("km/h");
  Speed->SetComment("how fast");
  test::AddEach(*Speed->GetItems()->Add("slow"), {{0, 1}, {60, 0}});
  EXPECT_EQ(ComponentToText(&Logic),
            "object Logic: TFuzzyLogic\n"
            "  AutoTerms = False\n"
            "  Threshold = 0.01\n"
            "  Items = <\n"
            "    item\n"
            "      ItemIndex = 0\n"
            "      Maximum = 120\n"
            "      Items = <\n"
            "        item\n"
            "          Defined = True\n"
            "          Values = <\n"
            "            item\n"
            "              X = 0\n"
            "              Y = 1\n"
            "            end\n"
            "            item\n"
            "              X = 60\n"
            "            end\n"
            "          >\n"
            "          Name = \"slow\"\n"
            "          SetType = fstUserDefined\n"
            "          Tag = 0\n"
            "        end\n"
            "      >\n"
            "      Name = \"speed\"\n"
            "      Units = \"km/h\"\n"
            "      Comment = \"how fast\"\n"
            "      Threshold = 0.01\n"
            "    end\n"
            "  >\n"
            "end\n");
}

// Every class of the stream left at what construction gives it stores only the values that
// construction does not give back: a changed declared default would store one more value, or
// leave out one that then reads back as construction's.
TEST_F(FuzzyStreamingTest, EachClassLeftAtItsDefaultsStoresExactlyWhatConstructionDoesNotGive) {
  EXPECT_EQ(ComponentToText(&Logic), "object TFuzzyLogic\n  Threshold = 0.01\n  Items = <>\nend\n");
  Logic.SetAutoTerms(false);
  TFuzzySet* Set = Logic.GetItems()->Add()->GetItems()->Add();
  Set->GetValues()->Add();
  EXPECT_EQ(ComponentToText(&Logic),
            "object TFuzzyLogic\n"
            "  AutoTerms = False\n"
            "  Threshold = 0.01\n"
            "  Items = <\n"
            "    item\n"
            "      ItemIndex = 0\n"
            "      Maximum = 1\n"
            "      Items = <\n"
            "        item\n"
            "          Defined = False\n"
            "          Values = <\n"
            "            item\n"
            "              X = 0\n"
            "            end\n"
            "          >\n"
            "          SetType = fstUserDefined\n"
            "          Tag = 0\n"
            "        end\n"
            "      >\n"
            "      Threshold = 0.01\n"
            "    end\n"
            "  >\n"
            "end\n");
}

TEST_F(FuzzyStreamingTest, SettingsAndModelReadBackAsTheyWere) {
  Logic.SetAutoTerms(false);
  Logic.SetCorrelationMethod(fcmProduct);
  Logic.SetDefuzzificationMethod(dmMeanOfMaxima);
  Logic.SetInferenceMethod(fimBoundedSum);
  Logic.SetNumFunctionValues(11);
  Logic.SetThreshold(0.25);
  Logic.GetVariables()->SetText("fast=very high\nslow=low");
  TFuzzyVariable* V = Logic.GetItems()->Add("temp");
  V->SetMinimum(-20);
  V->SetMaximum(50);
  TFuzzySet* Cold = V->GetItems()->Add("cold");
  Cold->SetComment("below zero");
  Cold->SetTag(-3);
  test::AddEach(*Cold, {{-20, 1}, {0, 0}});
  TFuzzySet* Loose = V->GetItems()->Add("");
  test::AddEach(*Loose, {{10, 0.5}});

  auto Copy = RoundTrip(Logic);
  EXPECT_EQ(Copy->GetCorrelationMethod(), fcmProduct);
  EXPECT_EQ(Copy->GetDefuzzificationMethod(), dmMeanOfMaxima);
  EXPECT_EQ(Copy->GetInferenceMethod(), fimBoundedSum);
  EXPECT_EQ(Copy->GetNumFunctionValues(), 11);
  EXPECT_EQ(Copy->GetThreshold(), 0.25);
  EXPECT_THAT(test::Lines(*Copy->GetVariables()), ElementsAre("fast=very high", "slow=low"));
  ASSERT_THAT(NamesOf(*Copy->GetItems()), ElementsAre("temp"));
  TFuzzyVariable* C = Copy->GetItems()->GetItem(0);
  EXPECT_EQ(C->GetMinimum(), -20);
  EXPECT_EQ(C->GetMaximum(), 50);
  EXPECT_EQ(C->GetThreshold(), 0.25);
  ASSERT_THAT(NamesOf(*C->GetItems()), ElementsAre("cold", ""));
  EXPECT_EQ(C->GetItems()->GetItem(0)->GetComment(), "below zero");
  EXPECT_EQ(C->GetItems()->GetItem(0)->GetTag(), -3);
  EXPECT_TRUE(C->GetItems()->GetItem(0)->GetDefined());
  EXPECT_FALSE(C->GetItems()->GetItem(1)->GetDefined());
  EXPECT_THAT(PointsOf(*C->GetItems()->GetItem(0)), ElementsAre(Pt{-20, 1}, Pt{0, 0}));
  EXPECT_EQ(ComponentToText(Copy.get()), ComponentToText(&Logic));
}

// Values whose construction default is not 0: a point's X starts past the last point, a
// variable's range ends at 1, thresholds start at the logic's 0.01. Stored only "when not 0",
// each would come back changed.
TEST_F(FuzzyStreamingTest, ValuesAtZeroReadBackWhereConstructionPutsThemElsewhere) {
  Logic.SetAutoTerms(false);
  TFuzzyVariable* V = Logic.GetItems()->Add("v");
  V->SetMinimum(-10);
  V->SetMaximum(0);
  V->SetThreshold(0);
  test::AddEach(*V->GetItems()->Add("peak"), {{-10, 0}, {0, 1}});
  TFuzzyLogic ZeroThreshold(nullptr);
  ZeroThreshold.SetThreshold(0);

  auto Copy = RoundTrip(Logic);
  TFuzzyVariable* C = Copy->GetItems()->GetItem(0);
  EXPECT_EQ(C->GetMaximum(), 0);
  EXPECT_EQ(C->GetMinimum(), -10);
  EXPECT_EQ(C->GetThreshold(), 0);
  EXPECT_THAT(PointsOf(*C->GetItems()->GetItem(0)), ElementsAre(Pt{-10, 0}, Pt{0, 1}));
  EXPECT_EQ(RoundTrip(ZeroThreshold)->GetThreshold(), 0);
}

TEST_F(FuzzyStreamingTest, AStoredShapeKeepsItsPointsTypeInflectionPointAndExpression) {
  Logic.SetAutoTerms(false);
  TFuzzyVariable* V = Logic.GetItems()->Add("v");
  V->SetMaximum(40);
  TFuzzySet* Tri = V->GetItems()->Add("tri");
  Tri->CreateTriangleFunctionValues(2, 3, 9);
  TFuzzySet* Curve = V->GetItems()->Add("curve");
  Curve->CreateCurveValues(5, 10, 20, 20, true);
  TFuzzySet* Derived = V->GetItems()->Add("derived");
  test::AddEach(*Derived, {{1, 0}, {2, 1}});
  Derived->SetExpression("tri or curve");

  auto Copy = RoundTrip(Logic);
  const TFuzzySets& Sets = *Copy->GetItems()->GetItem(0)->GetItems();
  EXPECT_EQ(Sets[0]->GetSetType(), fstTriangle);
  EXPECT_THAT(PointsOf(*Sets[0]), ElementsAre(Pt{2, 0}, Pt{3, 1}, Pt{9, 0}));
  EXPECT_EQ(Sets[1]->GetSetType(), fstGrowthCurve);
  EXPECT_EQ(PointsOf(*Sets[1]), PointsOf(*Curve));
  EXPECT_EQ(Sets[1]->GetInflectionPoint(), 20);
  EXPECT_EQ(Sets[1]->GetExpression(), "");
  EXPECT_EQ(Sets[2]->GetExpression(), "tri or curve");
  EXPECT_THAT(PointsOf(*Sets[2]), ElementsAre(Pt{1, 0}, Pt{2, 1}));
  // Once loaded, setting a type regenerates the shape as always.
  Sets[0]->SetSetType(fstPICurve);
  EXPECT_EQ(Sets[0]->GetValues()->GetCount(), Copy->GetNumFunctionValues());
}

// A stream is data from outside: a NaN coordinate, which would leave the points neither sorted
// nor thinned, is no value, and the point keeps what it has (the API's setters do the same).
TEST_F(FuzzyStreamingTest, ANaNCoordinateIsNoValue) {
  auto Loaded = Read(
      "object TFuzzyLogic\n"
      "  AutoTerms = False\n"
      "  Items = <\n"
      "    item\n"
      "      Maximum = 10\n"
      "      Items = <\n"
      "        item\n"
      "          Values = <\n"
      "            item\n"
      "              X = 0.5\n"
      "              Y = NAN\n"
      "            end\n"
      "            item\n"
      "              X = NAN\n"
      "              Y = 0.25\n"
      "            end\n"
      "          >\n"
      "        end\n"
      "      >\n"
      "    end\n"
      "  >\n"
      "end\n");
  TFuzzySet* Set = Loaded->GetItems()->GetItem(0)->GetItems()->GetItem(0);
  EXPECT_THAT(PointsOf(*Set), ElementsAre(Pt{0.5, 0}, Pt{1.5, 0.25}));
  TFuzzySetValue* P = Set->GetValues()->GetItem(0);
  P->SetValue(std::nan(""), std::nan(""));
  EXPECT_EQ((Pt{P->GetX(), P->GetY()}), (Pt{0.5, 0}));
}

TEST_F(FuzzyStreamingTest, StoredSetsReplaceTheAutomaticTermsOfANewVariable) {
  TFuzzyVariable* V = Logic.GetItems()->Add("bare");
  V->GetItems()->Clear();
  TFuzzyVariable* W = Logic.GetItems()->Add("one");
  W->GetItems()->Clear();
  test::AddEach(*W->GetItems()->Add("only"), {{0, 1}});

  auto Copy = RoundTrip(Logic);
  EXPECT_TRUE(Copy->GetAutoTerms());
  EXPECT_EQ(Copy->GetItems()->GetItem(0)->GetItems()->GetCount(), 0);
  EXPECT_THAT(NamesOf(*Copy->GetItems()->GetItem(1)->GetItems()), ElementsAre("only"));
}

// ItemIndex is read before Items, and the stream's sets do not move it as adding sets one by one
// would; the end of reading the sets clamps an index beyond them, as any change of the sets does.
TEST_F(FuzzyStreamingTest, ItemIndexReadBeforeItemsSurvivesUntilASetChangeClampsIt) {
  Logic.SetAutoTerms(false);
  TFuzzyVariable* V = Logic.GetItems()->Add("v");
  for (const char* Name : {"a", "b", "c"}) V->GetItems()->Add(Name);
  V->SetItemIndex(1);
  auto Copy = RoundTrip(Logic);
  EXPECT_EQ(Copy->GetItems()->GetItem(0)->GetItemIndex(), 1);

  // A variable without sets keeps whatever index it was given until its sets change.
  auto Loaded = Read(
      "object TFuzzyLogic\n"
      "  AutoTerms = False\n"
      "  Items = <\n"
      "    item\n"
      "      ItemIndex = 5\n"
      "      Name = \"v\"\n"
      "    end\n"
      "    item\n"
      "      ItemIndex = 5\n"
      "      Items = <\n"
      "        item\n"
      "          Name = \"a\"\n"
      "        end\n"
      "        item\n"
      "          Name = \"b\"\n"
      "        end\n"
      "      >\n"
      "    end\n"
      "  >\n"
      "end\n");
  TFuzzyVariable* Kept = Loaded->GetItems()->GetItem(0);
  EXPECT_EQ(Kept->GetItemIndex(), 5);
  EXPECT_EQ(Loaded->GetItems()->GetItem(1)->GetItemIndex(), 1);
  Kept->GetItems()->Insert(0);
  EXPECT_EQ(Kept->GetItemIndex(), 0);
}

TEST_F(FuzzyStreamingTest, ParseDoesNothingWhileLoading) {
  TStringList Text;
  Text.SetText("(deffuzzy never)");
  Logic.GetItems()->Add("kept");
  Logic.BeginLoading();
  Logic.SetStrings(&Text);  // no parser: outside loading this raises
  Logic.Parse();
  EXPECT_THAT(NamesOf(*Logic.GetItems()), ElementsAre("kept"));
  EXPECT_EQ(Logic.GetStrings()->GetText(), "(deffuzzy never)\r\n");
  Logic.EndLoading();
  EXPECT_THROW_MSG(Logic.Parse(), EFzyException, "Parser not assigned.  Cannot parse");
}

TEST_F(FuzzyStreamingTest, TheTextIsStoredOnlyWhenItCanBeHad) {
  // Out of date without a parser: left out, and out of date again once read.
  Logic.GetItems()->Add("v");
  ASSERT_TRUE(Logic.GetNeedsUpdate());
  const std::string Text = ComponentToText(&Logic);
  EXPECT_THAT(Text, ::testing::Not(HasSubstr("Strings")));
  EXPECT_TRUE(Read(Text)->GetNeedsUpdate());
  // Up to date: stored as it is, and read back without a parse.
  TFuzzyLogic Stored(nullptr);
  TStringList Lines;
  Lines.SetText("(deffuzzy a)\n(deffuzzy b)");
  Stored.BeginLoading();
  Stored.SetStrings(&Lines);
  Stored.EndLoading();
  auto Copy = RoundTrip(Stored);
  EXPECT_FALSE(Copy->GetNeedsUpdate());
  EXPECT_THAT(test::Lines(*Copy->GetStrings()), ElementsAre("(deffuzzy a)", "(deffuzzy b)"));
  EXPECT_EQ(Copy->GetItems()->GetCount(), 0);
}

struct TBadModel {
  const char* Items;  // the body of the logic's Items
  const char* Message;
};

const TBadModel kBadModels[] = {
    {"item\n Items = <\n item\n SetType = fstSquare\n end\n >\n end\n",
     "Error reading Logic.Items[0].Items[0].SetType at line 7: fstSquare is not a value of TFuzzySetType"},
    {"item\n Items = <\n item\n Name = \"and\"\n end\n >\n end\n",
     "Error reading Logic.Items[0].Items[0].Name at line 7: Invalid fuzzy set name, \"and\" is a reserved word"},
    {"item\n Items = <\n item\n Values = <\n item\n Z = 1\n end\n >\n end\n >\n end\n",
     "Error reading Logic.Items[0].Items[0].Values[0].Z at line 9: Property Z does not exist"},
    {"item\n Threshold = \"high\"\n end\n",
     "Error reading Logic.Items[0].Threshold at line 5: Expected a number, found a string"},
    {"item\n ItemIndex = 1.5\n end\n", "Error reading Logic.Items[0].ItemIndex at line 5: Expected an integer, found \"1.5\""},
};

TEST_F(FuzzyStreamingTest, BadModelsRaiseNamingTheProperty) {
  for (const TBadModel& B : kBadModels) {
    const std::string Text =
        std::string("object Logic: TFuzzyLogic\n  AutoTerms = False\n  Items = <\n ") + B.Items + "  >\nend\n";
    EXPECT_THROW_MSG(TextToComponent(Text, nullptr), EComponentReadError, B.Message);
  }
}

TEST_F(FuzzyStreamingTest, AFailedReadIntoALogicLeavesItConsistent) {
  test::TEventLog Log(Logic);
  Logic.SetAutoTerms(false);
  Logic.GetItems()->Add("old");
  EXPECT_THROW(TextToComponent("object TFuzzyLogic\n"
                               "  Items = <\n"
                               "    item\n"
                               "      Name = \"new\"\n"
                               "    end\n"
                               "    item\n"
                               "      Minimum = x\n"
                               "    end\n"
                               "  >\n"
                               "end\n",
                               &Logic),
               EComponentReadError);
  EXPECT_FALSE(Logic.IsLoading());
  EXPECT_THAT(NamesOf(*Logic.GetItems()), ElementsAre("new", ""));
  // The update block of the read is closed: the next change reports at once.
  Log.Take();
  Logic.GetItems()->GetItem(0)->SetUnits("m");
  EXPECT_THAT(Log.Take(), ElementsAre("OnVariableChange(new)"));
}

}  // namespace
}  // namespace tarnwick
