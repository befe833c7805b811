// Published properties: the list in declared order with inherited ones first, typed access of
// every kind with its checks, the stored rule, and named event handlers.
#include "tarnwick/platform/TypInfo.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <any>
#include <string>
#include <vector>

#include "StreamingTestClasses.h"
#include "TestSupport.h"

namespace tarnwick {
namespace {

using ::testing::ElementsAre;
using test::TColors;
using test::TWidget;

std::vector<std::string> Names(const TPersistent* Instance) {
  std::vector<std::string> Result;
  for (const TPropInfo* P : GetPropList(Instance)) Result.emplace_back(P->Name);
  return Result;
}

class TypInfoTest : public ::testing::Test {
 protected:
  TWidget Widget{nullptr};
};

TEST_F(TypInfoTest, InheritedPropertiesComeFirstThenTheClassOwnInDeclaredOrder) {
  EXPECT_THAT(Names(&Widget), ElementsAre("Name", "Tag", "Count", "Big", "Ratio", "Caption", "Visible", "Color",
                                          "Colors", "Points", "Lines", "Buddy", "Part", "OnClick"));
  EXPECT_THAT(Names(Widget.GetPart()), ElementsAre("Size"));
  TStringList Plain;
  EXPECT_TRUE(GetPropList(&Plain).empty());
}

TEST_F(TypInfoTest, KindsFollowTheAccessorTypes) {
  struct Case {
    const char* Name;
    TTypeKind Kind;
  };
  static const Case kCases[] = {{"Tag", tkInt64},       {"Count", tkInteger}, {"Big", tkInt64},
                                {"Ratio", tkFloat},     {"Caption", tkString}, {"Visible", tkBoolean},
                                {"Color", tkEnumeration}, {"Colors", tkSet},   {"Points", tkClass},
                                {"Buddy", tkClass},     {"OnClick", tkMethod}};
  for (const Case& C : kCases) EXPECT_EQ(FindPropInfo(&Widget, C.Name).Kind, C.Kind) << C.Name;
  EXPECT_TRUE(FindPropInfo(&Widget, "Buddy").IsComponentRef);
  EXPECT_FALSE(FindPropInfo(&Widget, "Points").IsComponentRef);
  EXPECT_EQ(FindPropInfo(&Widget, "Buddy").ClassName(), "TWidget");
}

TEST_F(TypInfoTest, LookupIgnoresCaseAndNamesTheMissingProperty) {
  EXPECT_EQ(GetPropInfo(&Widget, "caption"), &FindPropInfo(&Widget, "Caption"));
  EXPECT_EQ(GetPropInfo(&Widget, "Width"), nullptr);
  EXPECT_THROW_MSG(FindPropInfo(&Widget, "Width"), EPropertyError, "Property Width does not exist");
}

TEST_F(TypInfoTest, ValuesGoThroughTheAccessors) {
  SetOrdProp(&Widget, FindPropInfo(&Widget, "Count"), 12);
  SetOrdProp(&Widget, FindPropInfo(&Widget, "Big"), INT64_MIN);
  SetFloatProp(&Widget, FindPropInfo(&Widget, "Ratio"), 0.25);
  SetStrProp(&Widget, "Caption", "hello");
  SetOrdProp(&Widget, FindPropInfo(&Widget, "Visible"), 0);
  SetEnumProp(&Widget, FindPropInfo(&Widget, "Color"), "clBlue");
  const std::vector<std::string> Colors{"clBlue", "clRed"};
  SetSetProp(&Widget, FindPropInfo(&Widget, "Colors"), Colors);

  EXPECT_EQ(Widget.GetCount(), 12);
  EXPECT_EQ(Widget.GetBig(), INT64_MIN);
  EXPECT_EQ(Widget.GetRatio(), 0.25);
  EXPECT_EQ(GetStrProp(&Widget, "caption"), "hello");
  EXPECT_FALSE(Widget.GetVisible());
  EXPECT_EQ(GetEnumProp(&Widget, FindPropInfo(&Widget, "Color")), "clBlue");
  EXPECT_THAT(GetSetProp(&Widget, FindPropInfo(&Widget, "Colors")), ElementsAre("clRed", "clBlue"));
  EXPECT_EQ(GetObjectProp(&Widget, FindPropInfo(&Widget, "Points")), Widget.GetPoints());
}

TEST_F(TypInfoTest, SettersCheckKindRangeAndClass) {
  const TPropInfo& Count = FindPropInfo(&Widget, "Count");
  EXPECT_THROW_MSG(SetOrdProp(&Widget, Count, 2147483648LL), EPropertyError,
                   "Value 2147483648 is out of range for property Count");
  EXPECT_THROW_MSG(SetOrdProp(&Widget, FindPropInfo(&Widget, "Visible"), 2), EPropertyError,
                   "Value 2 is out of range for property Visible");
  EXPECT_THROW_MSG(SetOrdProp(&Widget, FindPropInfo(&Widget, "Color"), 3), EPropertyError,
                   "Value 3 is out of range for property Color");
  EXPECT_THROW_MSG(SetEnumProp(&Widget, FindPropInfo(&Widget, "Color"), "clPink"), EPropertyError,
                   "clPink is not a value of TColor");
  EXPECT_THROW_MSG(SetFloatProp(&Widget, Count, 1.5), EPropertyError,
                   "Property Count is not a floating-point property");
  EXPECT_THROW_MSG(SetStrProp(&Widget, Count, "1"), EPropertyError, "Property Count is not a string property");
  EXPECT_THROW_MSG(SetObjectProp(&Widget, FindPropInfo(&Widget, "Points"), nullptr), EPropertyError,
                   "Property Points is read-only");
  TStringList NotAWidget;
  EXPECT_THROW_MSG(SetObjectProp(&Widget, FindPropInfo(&Widget, "Buddy"), &NotAWidget), EPropertyError,
                   "Property Buddy takes a TWidget, not a TStringList");
  EXPECT_EQ(Widget.GetCount(), 0);
  EXPECT_EQ(Widget.GetBuddy(), nullptr);
}

TEST_F(TypInfoTest, AnAccessorOfAnotherClassIsAnInvalidCast) {
  TStringList NotAWidget;
  EXPECT_THROW(GetOrdProp(&NotAWidget, FindPropInfo(&Widget, "Count")), EInvalidCast);
}

TEST_F(TypInfoTest, StoredRule) {
  // Defaults are not stored; "always" is; Name lives in the block heading.
  auto Stored = [&](const char* Name) { return IsStoredProp(&Widget, FindPropInfo(&Widget, Name)); };
  EXPECT_FALSE(Stored("Name"));
  EXPECT_FALSE(Stored("Count"));
  EXPECT_TRUE(Stored("Big"));
  EXPECT_FALSE(Stored("Ratio"));
  EXPECT_FALSE(Stored("Caption"));
  EXPECT_FALSE(Stored("Visible"));
  EXPECT_FALSE(Stored("Color"));
  EXPECT_FALSE(Stored("Colors"));
  EXPECT_FALSE(Stored("Buddy"));
  EXPECT_FALSE(Stored("OnClick"));
  EXPECT_TRUE(Stored("Points"));
  Widget.SetName("W");
  Widget.SetRatio(-0.5);
  Widget.SetCaption("x");
  Widget.SetVisible(false);
  Widget.SetColor(test::clGreen);
  Widget.SetColors(TColors{test::clRed});
  Widget.SetBuddy(&Widget);
  Widget.SetOnClick([](TObject*) {});
  for (const char* Name : {"Ratio", "Caption", "Visible", "Color", "Colors", "Buddy", "OnClick"})
    EXPECT_TRUE(Stored(Name)) << Name;
  EXPECT_FALSE(Stored("Name"));
  Widget.SetBuddy(nullptr);
}

TEST_F(TypInfoTest, NamedHandlersKeepTheirNameAndCallThrough) {
  int Calls = 0;
  TNotifyEvent Plain = [&](TObject*) { ++Calls; };
  TNotifyEvent Named = NamedEvent("ButtonClick", Plain);
  EXPECT_EQ(EventHandlerName(Plain), "");
  EXPECT_EQ(EventHandlerName(Named), "ButtonClick");
  EXPECT_EQ(EventHandlerName(NamedEvent("Renamed", Named)), "Renamed");
  EXPECT_FALSE(NamedEvent("Nothing", TNotifyEvent()));
  Named(nullptr);
  EXPECT_EQ(Calls, 1);

  const TPropInfo& OnClick = FindPropInfo(&Widget, "OnClick");
  const std::any Handler = Plain;
  ASSERT_TRUE(OnClick.SetEvent(&Widget, &Handler, "FromStream"));
  EXPECT_EQ(OnClick.GetEventName(&Widget), "FromStream");
  Widget.GetOnClick()(&Widget);
  EXPECT_EQ(Calls, 2);
  const std::any WrongType = std::function<void()>([] {});
  EXPECT_FALSE(OnClick.SetEvent(&Widget, &WrongType, "Other"));
  EXPECT_EQ(OnClick.GetEventName(&Widget), "FromStream");
  ASSERT_TRUE(OnClick.SetEvent(&Widget, nullptr, ""));
  EXPECT_FALSE(Widget.GetOnClick());
}

}  // namespace
}  // namespace tarnwick
