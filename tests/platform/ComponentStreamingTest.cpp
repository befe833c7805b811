// Component streaming: the text a tree is written as, reading it back (loading state, Loaded,
// references, events, custom values), and streams that cannot be read, each with its message
// and nothing half-built left behind.
#include "tarnwick/platform/ComponentStreaming.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <exception>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "StreamingTestClasses.h"
#include "TestSupport.h"
#include "tarnwick/platform/Format.h"

namespace tarnwick {
namespace {

using ::testing::ElementsAre;
using test::gWidgetLog;
using test::TColors;
using test::TFragileWidget;
using test::TPoint;
using test::TWidget;

// Puts the process-wide decimal separator back when the test ends.
class TCommaDecimals {
 public:
  TCommaDecimals() : FSaved(FormatSettings()) { FormatSettings().DecimalSeparator = ','; }
  ~TCommaDecimals() { FormatSettings() = FSaved; }

 private:
  TFormatSettings FSaved;
};

// A tree with every kind of value: Form owns Left, which owns Inner.
struct TSampleTree {
  TSampleTree() {
    Form.SetName("Form");
    Form.SetCount(3);
    Form.SetBig(-9000000000);
    Form.SetRatio(0.1);
    Form.SetCaption("say \"hi\"\n\ttab\\ \x01 \xC3\xA9");
    Form.SetVisible(false);
    Form.SetColor(test::clBlue);
    Form.SetColors(TColors{test::clBlue, test::clRed});
    auto* P1 = static_cast<TPoint*>(Form.GetPoints()->Add());
    P1->SetX(1.5);
    auto* P2 = static_cast<TPoint*>(Form.GetPoints()->Add());
    P2->SetX(2);
    P2->SetY(0.75);
    P2->SetLabel("peak");
    Form.GetLines()->Add("first");
    Form.GetLines()->Add("second");
    Form.GetPart()->SetSize(4);
    Form.GetPart()->PairA = 1;
    Form.GetPart()->PairB = -2;
    Form.SetOnClick(NamedEvent("FormClick", TNotifyEvent([](TObject*) {})));
    Form.Extra = 42;
    Left = new TWidget(&Form);
    Left->SetName("Left");
    Inner = new TWidget(Left);
    Inner->SetName("Inner");
    Left->SetBuddy(Inner);
    Inner->SetBuddy(&Form);
  }
  TWidget Form{nullptr};
  TWidget* Left;
  TWidget* Inner;
};

const char* const kSampleText =
    "object Form: TWidget\n"
    "  Count = 3\n"
    "  Big = -9000000000\n"
    "  Ratio = 0.1\n"
    "  Caption = \"say \\\"hi\\\"\\n\\ttab\\\\ \\x01 \xC3\xA9\"\n"
    "  Visible = False\n"
    "  Color = clBlue\n"
    "  Colors = [clRed, clBlue]\n"
    "  Points = <\n"
    "    item\n"
    "      X = 1.5\n"
    "    end\n"
    "    item\n"
    "      X = 2\n"
    "      Y = 0.75\n"
    "      Label = \"peak\"\n"
    "    end\n"
    "  >\n"
    "  Lines = (\n"
    "    \"first\"\n"
    "    \"second\"\n"
    "  )\n"
    "  Part.Size = 4\n"
    "  Part.Pair = (1 -2)\n"
    "  OnClick = FormClick\n"
    "  Extra = 42\n"
    "  object Left: TWidget\n"
    "    Big = 0\n"
    "    Points = <>\n"
    "    Buddy = Left.Inner\n"
    "    object Inner: TWidget\n"
    "      Big = 0\n"
    "      Points = <>\n"
    "      Buddy = Form\n"
    "    end\n"
    "  end\n"
    "end\n";

using ComponentStreamingTest = test::StreamingTest;

TEST_F(ComponentStreamingTest, TreeIsWrittenInDeclaredOrderWhateverTheDecimalSeparator) {
  TCommaDecimals Comma;
  TSampleTree Tree;
  EXPECT_EQ(ComponentToText(&Tree.Form), kSampleText);
}

TEST_F(ComponentStreamingTest, TextReadsBackAsTheSameTree) {
  TEventHandlers Handlers;
  int Clicks = 0;
  Handlers.Add<TNotifyEvent>("FormClick", [&](TObject*) { ++Clicks; });
  TReader Reader(kSampleText);
  Reader.SetEventHandlers(&Handlers);
  std::unique_ptr<TComponent> Root(Reader.ReadRootComponent(nullptr));
  auto* Form = dynamic_cast<TWidget*>(Root.get());
  ASSERT_NE(Form, nullptr);
  EXPECT_EQ(Form->GetName(), "Form");
  EXPECT_EQ(Form->GetCaption(), "say \"hi\"\n\ttab\\ \x01 \xC3\xA9");
  EXPECT_EQ(Form->GetPart()->PairB, -2);
  Form->GetOnClick()(Form);
  EXPECT_EQ(Clicks, 1);
  ASSERT_EQ(Form->GetComponentCount(), 1);
  auto* Left = static_cast<TWidget*>(Form->GetComponent(0));
  EXPECT_EQ(Left->GetBuddy(), Left->FindComponent("Inner"));
  EXPECT_EQ(static_cast<TWidget*>(Left->FindComponent("Inner"))->GetBuddy(), Form);
  EXPECT_EQ(ComponentToText(Form), kSampleText);
}

TEST_F(ComponentStreamingTest, FloatsAreWrittenShortestAndReadBackExactly) {
  struct Case {
    double Value;
    const char* Text;  // nullptr: only the exact round trip is checked
  };
  const Case kCases[] = {{0.1, "0.1"},
                         {-2.5, "-2.5"},
                         {100, "100"},
                         {1e16, "1E+16"},
                         {1.5e-7, "1.5E-7"},
                         {1.0 / 3, nullptr},
                         {DBL_MAX, nullptr},
                         {5e-324, nullptr},
                         {std::numeric_limits<double>::infinity(), "INF"},
                         {-std::numeric_limits<double>::infinity(), "-INF"},
                         {std::numeric_limits<double>::quiet_NaN(), "NAN"}};
  for (const Case& C : kCases) {
    TWidget Out(nullptr);
    Out.SetRatio(C.Value);
    const std::string Text = ComponentToText(&Out);
    if (C.Text != nullptr) {
      EXPECT_THAT(Text, ::testing::HasSubstr(std::string("Ratio = ") + C.Text + "\n"));
    }
    TWidget In(nullptr);
    TextToComponent(Text, &In);
    const double Got = In.GetRatio();
    if (std::isnan(C.Value)) {
      EXPECT_TRUE(std::isnan(Got)) << Text;
    } else {
      EXPECT_EQ(std::memcmp(&Got, &C.Value, sizeof Got), 0) << Text;
    }
  }
}

TEST_F(ComponentStreamingTest, EveryComponentReadIsLoadingUntilTheWholeTreeIsRead) {
  TSampleTree Tree;
  const std::string Text = ComponentToText(&Tree.Form);
  TEventHandlers Handlers;
  Handlers.Add<TNotifyEvent>("FormClick", [](TObject*) {});
  TWidget Target(nullptr);
  gWidgetLog.clear();
  TReader Reader(Text);
  Reader.SetEventHandlers(&Handlers);
  EXPECT_EQ(Reader.ReadRootComponent(&Target), &Target);
  // Setters run while loading; Loaded comes once per component, in reading order, with every
  // reference already resolved.
  EXPECT_THAT(gWidgetLog, ElementsAre("Form.Count(loading)", "Form.Loaded(buddy=nil)", "Left.Loaded(buddy=Inner)",
                                      "Inner.Loaded(buddy=Form)"));
  EXPECT_FALSE(Target.IsLoading());
  EXPECT_FALSE(static_cast<TWidget*>(Target.GetComponent(0))->IsLoading());
}

TEST_F(ComponentStreamingTest, ReadingIntoAnExistingTreeReusesItsComponentsByName) {
  TWidget Form(nullptr);
  Form.SetName("Form");
  auto* Kept = new TWidget(&Form);
  Kept->SetName("Kept");
  Kept->SetCaption("old");
  auto* Other = new TWidget(&Form);
  Other->SetName("Other");
  TextToComponent(
      "object Form: TWidget\n"
      "  object Kept: TWidget\n"
      "    Caption = \"new\"\n"
      "  end\n"
      "  object Fresh: TWidget\n"
      "  end\n"
      "end\n",
      &Form);
  ASSERT_EQ(Form.GetComponentCount(), 3);
  EXPECT_EQ(Form.GetComponent(0), Kept);
  EXPECT_EQ(Kept->GetCaption(), "new");
  EXPECT_EQ(Form.GetComponent(1), Other);
  EXPECT_EQ(Form.GetComponent(2)->GetName(), "Fresh");
}

TEST_F(ComponentStreamingTest, CollectionsAndListsAreReplacedNotAppended) {
  TWidget Form(nullptr);
  Form.GetPoints()->Add();
  Form.GetLines()->Add("stale");
  TextToComponent("object TWidget\n  Points = <\n    item\n      X = 7\n    end\n  >\n  Lines = (\"fresh\")\nend\n",
                  &Form);
  ASSERT_EQ(Form.GetPoints()->GetCount(), 1);
  EXPECT_EQ(static_cast<TPoint*>(Form.GetPoints()->GetItem(0))->GetX(), 7);
  EXPECT_THAT(test::Lines(*Form.GetLines()), ElementsAre("fresh"));
}

TEST_F(ComponentStreamingTest, CustomValuesWithoutDataAreNeverWrittenButAreRead) {
  TWidget Form(nullptr);
  EXPECT_THAT(ComponentToText(&Form), ::testing::Not(::testing::HasSubstr("Old")));
  TextToComponent("object TWidget\n  Part.Old = 0.75\n  Part.Old = 3\nend\n", &Form);
  EXPECT_EQ(Form.GetPart()->OldValuesRead, 2);
}

TEST_F(ComponentStreamingTest, ReferencesOutsideTheTreeGoThroughTheHostLookup) {
  TWidget Outside(nullptr);
  Outside.SetName("Outside");
  TWidget Form(nullptr);
  Form.SetBuddy(&Outside);
  const std::string Text = ComponentToText(&Form);
  EXPECT_THAT(Text, ::testing::HasSubstr("Buddy = Outside\n"));
  Form.SetBuddy(nullptr);

  TWidget Target(nullptr);
  EXPECT_THROW_MSG(TextToComponent(Text, &Target), EComponentReadError,
                   "Error reading TWidget.Buddy at line 4: Component Outside not found");
  EXPECT_EQ(Target.GetBuddy(), nullptr);
  TReader Reader(Text);
  Reader.SetOnFindComponent([&](const std::string& Name) -> TComponent* { return Name == "Outside" ? &Outside : nullptr; });
  Reader.ReadRootComponent(&Target);
  EXPECT_EQ(Target.GetBuddy(), &Outside);
  TextToComponent("object TWidget\n  Buddy = nil\nend\n", &Target);
  EXPECT_EQ(Target.GetBuddy(), nullptr);
}

// A component with a link held as a counted interface reference.
class TLinker : public TComponent {
 public:
  using TComponent::TComponent;
  Intf<IInterface> GetLink() const { return FLink; }
  void SetLink(IInterface* Value) { FLink = Value; }
  const TClassInfo* ClassInfo() const override {
    static const TPropInfo Props[] = {Property<&TLinker::GetLink, &TLinker::SetLink>("Link")};
    static const TClassInfo Info(TComponent::ClassInfo(), Props);
    return &Info;
  }

 private:
  Intf<IInterface> FLink;
};

TEST_F(ComponentStreamingTest, AnInterfaceLinkIsStoredByTheNameOfTheComponentBehindIt) {
  TComponent Form(nullptr);
  Form.SetName("Form");
  auto* Linker = new TLinker(&Form);
  Linker->SetName("Linker");
  auto* Target = new TWidget(&Form);
  Target->SetName("Target");
  Linker->SetLink(Target);
  EXPECT_EQ(FindPropInfo(Linker, "Link").Kind, tkInterface);
  const std::string Text = ComponentToText(&Form);
  EXPECT_THAT(Text, ::testing::HasSubstr("    Link = Target\n"));
  Linker->SetLink(nullptr);
  TextToComponent(Text, &Form);
  EXPECT_EQ(Linker->GetLink().get(), static_cast<IInterface*>(Target));

  // An object that is no component has no name to be stored by.
  Linker->SetLink(new TInterfacedObject);
  EXPECT_THROW_MSG(ComponentToText(&Form), EWriteError,
                   "Cannot store Form.Linker.Link: it refers to a TInterfacedObject, which is no component");
  Linker->SetLink(nullptr);
}

TEST_F(ComponentStreamingTest, StoredEventsNeedHandlersOfTheirOwnType) {
  const char* Text = "object TWidget\n  OnClick = Clicked\nend\n";
  TWidget Target(nullptr);
  EXPECT_THROW_MSG(TextToComponent(Text, &Target), EComponentReadError,
                   "Error reading TWidget.OnClick at line 2: Event handler Clicked cannot be resolved: "
                   "no event handlers were given");
  TEventHandlers Handlers;
  Handlers.Add<std::function<void()>>("Clicked", [] {});
  TReader Mismatch(Text);
  Mismatch.SetEventHandlers(&Handlers);
  EXPECT_THROW_MSG(Mismatch.ReadRootComponent(&Target), EComponentReadError,
                   "Error reading TWidget.OnClick at line 2: Event handler Clicked does not fit event OnClick");
  TEventHandlers Others;
  Others.Add<TNotifyEvent>("Pressed", [](TObject*) {});
  TReader Missing(Text);
  Missing.SetEventHandlers(&Others);
  EXPECT_THROW_MSG(Missing.ReadRootComponent(&Target), EComponentReadError,
                   "Error reading TWidget.OnClick at line 2: Event handler Clicked not found");
  EXPECT_FALSE(Target.GetOnClick());
}

TEST_F(ComponentStreamingTest, WhatCannotBeStoredIsAWriteErrorAndTheStreamStaysAsItWas) {
  TWidget Form(nullptr);
  Form.SetName("Form");
  Form.SetOnClick([](TObject*) {});
  TStringStream Stream;
  EXPECT_THROW_MSG(WriteComponent(&Stream, &Form), EWriteError,
                   "Cannot store event Form.OnClick: its handler has no name");
  Form.SetOnClick(NamedEvent("not a name", TNotifyEvent([](TObject*) {})));
  EXPECT_THROW_MSG(WriteComponent(&Stream, &Form), EWriteError,
                   "Cannot store event Form.OnClick: not a name is not an identifier");
  Form.SetOnClick(nullptr);
  TWidget Nameless(nullptr);
  Form.SetBuddy(&Nameless);
  EXPECT_THROW_MSG(WriteComponent(&Stream, &Form), EWriteError,
                   "Cannot store Form.Buddy: the component it refers to has no name");
  Form.SetBuddy(nullptr);
  EXPECT_EQ(Stream.GetSize(), 0);
}

TEST_F(ComponentStreamingTest, StreamsAreReadFromTheirPositionAndWrittenAtIt) {
  TSampleTree Tree;
  TStringStream Stream("prefix");
  Stream.SetPosition(6);
  WriteComponent(&Stream, &Tree.Form);
  EXPECT_EQ(Stream.GetDataString(), std::string("prefix") + kSampleText);
  Stream.SetPosition(6);
  TEventHandlers Handlers;
  Handlers.Add<TNotifyEvent>("FormClick", [](TObject*) {});
  TReader Reader(&Stream);
  Reader.SetEventHandlers(&Handlers);
  std::unique_ptr<TComponent> Copy(Reader.ReadRootComponent(nullptr));
  EXPECT_EQ(ComponentToText(Copy.get()), kSampleText);
}

TEST_F(ComponentStreamingTest, ANewRootJoinsTheOwnerGiven) {
  TComponent Owner(nullptr);
  TComponent* Root = TextToComponent("object Made: TWidget\nend\n", nullptr, &Owner);
  EXPECT_EQ(Root->GetOwner(), &Owner);
  EXPECT_EQ(Owner.FindComponent("Made"), Root);
}

TEST_F(ComponentStreamingTest, HugeInputIsReadInOnePass) {
  std::string Text = "object TWidget\n  Caption = \"" + std::string(1 << 20, 'x') + "\"\n  Points = <\n";
  for (int I = 0; I < 20000; ++I) Text += "    item\n      X = " + std::to_string(I) + "\n    end\n";
  Text += "  >\nend\n";
  std::unique_ptr<TComponent> Root(TextToComponent(Text, nullptr));
  auto* Widget = static_cast<TWidget*>(Root.get());
  EXPECT_EQ(Widget->GetCaption().size(), std::size_t{1} << 20);
  ASSERT_EQ(Widget->GetPoints()->GetCount(), 20000);
  EXPECT_EQ(static_cast<TPoint*>(Widget->GetPoints()->GetItem(19999))->GetX(), 19999);
}

// ---------------------------------------------------------------------------------------------
// Streams that cannot be read

struct TBadStream {
  const char* Text;
  const char* Message;
};

const TBadStream kBadStreams[] = {
    {"", "Error reading stream at line 1: Expected \"object\", found end of text"},
    {"object Form: TWidget\n  Count = 1\n",
     "Error reading Form at line 3: Expected a property, \"object\" or \"end\", found end of text"},
    {"object Form: TWidget\nend\nend\n", "Error reading stream at line 3: Expected end of text, found \"end\""},
    {"object Form: TGadget\nend\n", "Error reading Form at line 1: Class TGadget not found"},
    {"object Form: TWidget\n  Width = 1\nend\n", "Error reading Form.Width at line 2: Property Width does not exist"},
    {"object Form: TWidget\n  Nope.Size = 1\nend\n",
     "Error reading Form.Nope.Size at line 2: Property Nope does not exist"},
    {"object Form: TWidget\n  Count = \"3\"\nend\n",
     "Error reading Form.Count at line 2: Expected an integer, found a string"},
    {"object Form: TWidget\n  Count = 2147483648\nend\n",
     "Error reading Form.Count at line 2: Value 2147483648 is out of range for property Count"},
    {"object Form: TWidget\n  Big = 99999999999999999999\nend\n",
     "Error reading Form.Big at line 2: Number 99999999999999999999 is out of range"},
    {"object Form: TWidget\n  Ratio = 1e999\nend\n", "Error reading Form.Ratio at line 2: Number 1e999 is out of range"},
    {"object Form: TWidget\n  Ratio = \"x\"\nend\n", "Error reading Form.Ratio at line 2: Expected a number, found a string"},
    {"object Form: TWidget\n  Color = clPink\nend\n", "Error reading Form.Color at line 2: clPink is not a value of TColor"},
    {"object Form: TWidget\n  Colors = [clRed, 3]\nend\n",
     "Error reading Form.Colors at line 2: Expected a value name, found \"3\""},
    {"object Form: TWidget\n  Visible = yes\nend\n",
     "Error reading Form.Visible at line 2: Expected True or False, found \"yes\""},
    {"object Form: TWidget\n  Count = -1\nend\n", "Error reading Form.Count at line 2: Count must not be negative"},
    {"object Form: TWidget\n  Points = <\n    item\n      X = 1\n    end\nend\n",
     "Error reading Form.Points at line 6: Expected \"item\" or \">\", found \"end\""},
    {"object Form: TWidget\n  Points = <\n    item\n      Z = 1\n    end\n  >\nend\n",
     "Error reading Form.Points[0].Z at line 4: Property Z does not exist"},
    {"object Form: TWidget\n  Points = (1 2)\nend\n", "Error reading Form.Points at line 2: Expected a collection, found a list"},
    {"object Form: TWidget\n  Lines = (\"a\" 2)\nend\n", "Error reading Form.Lines at line 2: Expected a string, found \"2\""},
    {"object Form: TWidget\n  Lines = (\"a\"\nend\n", "Error reading Form.Lines at line 4: Expected \")\", found end of text"},
    {"object Form: TWidget\n  Part = 1\nend\n",
     "Error reading Form.Part at line 2: Expected \"Part.<property> = <value>\", found \"1\""},
    {"object Form: TWidget\n  Caption = \"abc\nend\n", "Error reading Form.Caption at line 2: Unterminated string"},
    {"object Form: TWidget\n  Caption = \"a\\qb\"\nend\n",
     "Error reading Form.Caption at line 2: Invalid escape \"\\q\" in a string"},
    {"object Form: TWidget\n  Caption = \"a\\x4\"\nend\n",
     "Error reading Form.Caption at line 2: Invalid escape \"\\x4\"\" in a string"},
    {"object Form: TWidget\n  Count = @\nend\n", "Error reading Form.Count at line 2: Unexpected character \"@\""},
    {"object Form: TWidget\n  Count = 1\x01\nend\n", "Error reading Form.Count at line 2: Unexpected character \\x01"},
    {"object Form: TWidget\n  Buddy = Nobody\nend\n", "Error reading Form.Buddy at line 2: Component Nobody not found"},
    {"object Form: TWidget\n  Buddy = Plain\n  object Plain: TComponent\n  end\nend\n",
     "Error reading Form.Buddy at line 2: Property Buddy takes a TWidget, not a TComponent"},
    {"object Form: TWidget\n  object A: TWidget\n  end\n  object A: TWidget\n  end\nend\n",
     "Error reading Form.A at line 4: A component named A already exists"},
    {"object Form: TWidget\n  object 9: TWidget\n  end\nend\n",
     "Error reading Form at line 2: Expected a class name, found \"9\""},
    {"object Form: TWidget\n  object A: TWidget\n  end\n  Count = 1\nend\n",
     "Error reading Form at line 4: Expected \"object\" or \"end\", found \"Count\""},
    {"object Form: TWidget\n  Extra = 1.5\nend\n", "Error reading Form.Extra at line 2: Expected an integer, found \"1.5\""},
    {"object Form: TWidget\n  Part.Pair = (1 2 3)\nend\n", "Error reading Form.Part.Pair at line 2: Expected \")\", found \"3\""},
    {"object Form: TWidget\n  Part.Pair = (1)\nend\n",
     "Error reading Form.Part.Pair at line 2: Expected an integer, found the end of the value"},
    {"object Form: TWidget\n  Name = \"2x\"\nend\n", "Error reading Form.Name at line 2: '2x' is not a valid component name"},
};

TEST_F(ComponentStreamingTest, BadStreamsRaiseNamingLineAndPropertyAndLeaveNothingBehind) {
  for (const TBadStream& B : kBadStreams) {
    EXPECT_THROW_MSG(TextToComponent(B.Text, nullptr), EComponentReadError, B.Message);
    EXPECT_EQ(test::gLiveWidgets, 0) << B.Text;
  }
}

TEST_F(ComponentStreamingTest, ReadErrorCarriesLineAndPath) {
  try {
    TextToComponent("object Form: TWidget\n\n  Count = x\nend\n", nullptr);
    FAIL() << "no error";
  } catch (const EComponentReadError& E) {
    EXPECT_EQ(E.GetLineNumber(), 3);
    EXPECT_EQ(E.GetPropertyPath(), "Form.Count");
  }
}

TEST_F(ComponentStreamingTest, NestingIsLimited) {
  std::string Text;
  std::string Path;
  for (int I = 1; I <= kMaxStreamDepth + 1; ++I) {
    Text += "object L" + std::to_string(I) + ": TComponent\n";
    if (I <= kMaxStreamDepth) Path += (Path.empty() ? "L" : ".L") + std::to_string(I);
  }
  EXPECT_THROW_MSG(TextToComponent(Text, nullptr), EComponentReadError,
                   "Error reading " + Path + " at line 65: Nesting deeper than 64 levels");
  std::string Lists = "object TWidget\n  Part.Pair = " + std::string(100, '(') + "\nend\n";
  EXPECT_THROW(TextToComponent(Lists, nullptr), EComponentReadError);
}

TEST_F(ComponentStreamingTest, AFailedReadIntoAnExistingTreeKeepsItConsistentAndFreesWhatItMade) {
  TWidget Form(nullptr);
  Form.SetName("Form");
  auto* Kept = new TWidget(&Form);
  Kept->SetName("Kept");
  EXPECT_THROW(TextToComponent("object Form: TWidget\n"
                               "  Count = 5\n"
                               "  object Kept: TWidget\n"
                               "    Count = 1\n"
                               "  end\n"
                               "  object Fresh: TWidget\n"
                               "    object Deeper: TWidget\n"
                               "    end\n"
                               "  end\n"
                               "  object Bad: TWidget\n"
                               "    Count = -1\n"
                               "  end\n"
                               "end\n",
                               &Form),
               EComponentReadError);
  EXPECT_EQ(Form.GetCount(), 5);
  EXPECT_EQ(Kept->GetCount(), 1);
  EXPECT_FALSE(Form.IsLoading());
  EXPECT_FALSE(Kept->IsLoading());
  ASSERT_EQ(Form.GetComponentCount(), 1);
  EXPECT_TRUE(gWidgetLog.empty() || gWidgetLog.back().find("Loaded") == std::string::npos);
}

TEST_F(ComponentStreamingTest, AFailingLoadedStillEndsLoadingEverywhere) {
  const char* Text =
      "object Form: TFragileWidget\n"
      "  Caption = \"fail\"\n"
      "  object A: TFragileWidget\n"
      "    Caption = \"fail\"\n"
      "  end\n"
      "  object B: TWidget\n"
      "  end\n"
      "end\n";
  // Into a new tree: every Loaded runs, the first error comes out as an error of its block,
  // and the tree is freed.
  EXPECT_THROW_MSG(TextToComponent(Text, nullptr), EComponentReadError,
                   "Error reading Form at line 1: Loaded failed in Form");
  EXPECT_THAT(gWidgetLog, ElementsAre("Form.Loaded(buddy=nil)", "A.Loaded(buddy=nil)", "B.Loaded(buddy=nil)"));

  // Into an existing root: it leaves the loading state; what the read made is freed.
  TFragileWidget Form(nullptr);
  EXPECT_THROW_MSG(TextToComponent(Text, &Form), EComponentReadError,
                   "Error reading Form at line 1: Loaded failed in Form");
  EXPECT_FALSE(Form.IsLoading());
  EXPECT_EQ(Form.GetCaption(), "fail");
  EXPECT_EQ(Form.GetComponentCount(), 0);
}

// The error of the read that a Loaded raised, with its own error nested in it.
template <typename TCause>
std::string CauseOfLoadedError(const std::string& Text, TComponent* Root, std::int32_t Line, const std::string& Path) {
  try {
    TComponent* Read = TextToComponent(Text, Root);
    if (Read != Root) delete Read;
  } catch (const EComponentReadError& E) {
    EXPECT_EQ(E.GetLineNumber(), Line);
    EXPECT_EQ(E.GetPropertyPath(), Path);
    try {
      std::rethrow_if_nested(E);
    } catch (const TCause& Cause) {
      return Cause.what();
    }
    return "<nothing nested>";
  }
  return "<no exception>";
}

TEST_F(ComponentStreamingTest, ALoadedThatRefusesAStoredValueIsAnErrorOfThatProperty) {
  const char* Text =
      "object Form: TWidget\n"
      "  object A: TFragileWidget\n"
      "    Count = 2\n"
      "    Caption = \"refused\"\n"
      "  end\n"
      "end\n";
  EXPECT_THROW_MSG(TextToComponent(Text, nullptr), EComponentReadError,
                   "Error reading Form.A.Caption at line 4: Caption refused in A");
  EXPECT_EQ(CauseOfLoadedError<ELoadedValueError>(Text, nullptr, 4, "Form.A.Caption"), "Caption refused in A");
  // A value the stream leaves out is the block's.
  TFragileWidget Form(nullptr);
  Form.SetCaption("refused");
  EXPECT_EQ(CauseOfLoadedError<ELoadedValueError>("object Form: TFragileWidget\n  Count = 3\nend\n", &Form, 1,
                                                  "Form.Caption"),
            "Caption refused in Form");
  EXPECT_EQ(Form.GetCount(), 3);
  EXPECT_FALSE(Form.IsLoading());
  // Any other error of a Loaded is the block's.
  EXPECT_EQ(CauseOfLoadedError<EComponentError>("object Form: TWidget\n  object B: TFragileWidget\n"
                                                "    Caption = \"fail\"\n  end\nend\n",
                                                nullptr, 2, "Form.B"),
            "Loaded failed in B");
}

TEST_F(ComponentStreamingTest, ARootOfAnotherClassIsRefused) {
  TComponent Plain(nullptr);
  EXPECT_THROW_MSG(TextToComponent("object X: TWidget\nend\n", &Plain), EComponentReadError,
                   "Error reading X at line 1: Cannot read a TWidget into a TComponent");
  // A stream of a base class reads into a descendant.
  TWidget Widget(nullptr);
  TextToComponent("object X: TComponent\n  Tag = 4\nend\n", &Widget);
  EXPECT_EQ(Widget.GetTag(), 4);
}

TEST_F(ComponentStreamingTest, RegistryKnowsEachClassByItsName) {
  TComponentClass Class;
  ASSERT_TRUE(FindClass("TWidget", Class));
  EXPECT_TRUE(Class == TComponentClass::Of<TWidget>());
  ASSERT_TRUE(FindClass("TComponent", Class));
  EXPECT_FALSE(FindClass("twidget", Class));
  RegisterClass<TWidget>();  // again: nothing
}

}  // namespace
}  // namespace tarnwick
