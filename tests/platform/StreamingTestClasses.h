// Classes with a published property of every kind, for the tests of property access and
// component streaming: a widget component, its points (a collection), a persistent part with
// custom stream values, and a log of what their setters and Loaded saw.
#ifndef TARNWICK_TESTS_PLATFORM_STREAMINGTESTCLASSES_H_
#define TARNWICK_TESTS_PLATFORM_STREAMINGTESTCLASSES_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tarnwick/platform/Classes.h"
#include "tarnwick/platform/Component.h"
#include "tarnwick/platform/ComponentStreaming.h"
#include "tarnwick/platform/Events.h"
#include "tarnwick/platform/Strings.h"
#include "tarnwick/platform/TypInfo.h"

namespace tarnwick::test {

enum TColor : std::uint8_t { clRed, clGreen, clBlue };
inline constexpr std::string_view ColorNames[] = {"clRed", "clGreen", "clBlue"};
inline const TEnumInfo ColorInfo{"TColor", ColorNames};
using TColors = TSet<TColor>;

// What the widgets saw, in order: "Name.Loaded(buddy=...)", "Name.Count(loading)", ...
inline std::vector<std::string> gWidgetLog;
inline int gLiveWidgets = 0;

class TPoint : public TCollectionItem {
 public:
  using TCollectionItem::TCollectionItem;
  double GetX() const noexcept { return FX; }
  void SetX(double Value) noexcept { FX = Value; }
  double GetY() const noexcept { return FY; }
  void SetY(double Value) noexcept { FY = Value; }
  const std::string& GetLabel() const noexcept { return FLabel; }
  void SetLabel(const std::string& Value) { FLabel = Value; }

  const TClassInfo* ClassInfo() const override {
    static const TPropInfo Props[] = {Property<&TPoint::GetX, &TPoint::SetX>("X"),
                                      Property<&TPoint::GetY, &TPoint::SetY>("Y").Default(0.0),
                                      Property<&TPoint::GetLabel, &TPoint::SetLabel>("Label").Default("")};
    static const TClassInfo Info(TCollectionItem::ClassInfo(), Props);
    return &Info;
  }

 private:
  double FX = 0;
  double FY = 0;
  std::string FLabel;
};

// A persistent part of a widget: one published property, a custom value "Pair" (a list of two
// integers, written when set) and an obsolete value "Old" that is read and dropped.
class TPart : public TPersistent {
 public:
  std::int32_t GetSize() const noexcept { return FSize; }
  void SetSize(std::int32_t Value) noexcept { FSize = Value; }
  std::int32_t PairA = 0;
  std::int32_t PairB = 0;
  int OldValuesRead = 0;

  const TClassInfo* ClassInfo() const override {
    static const TPropInfo Props[] = {Property<&TPart::GetSize, &TPart::SetSize>("Size").Default(0)};
    static const TClassInfo Info(TPersistent::ClassInfo(), Props);
    return &Info;
  }

  void DefineProperties(TFiler* Filer) override {
    TPersistent::DefineProperties(Filer);
    Filer->DefineProperty(
        "Pair",
        [this](TReader& R) {
          R.ReadListBegin();
          PairA = R.ReadInteger();
          PairB = R.ReadInteger();
          R.ReadListEnd();
        },
        [this](TWriter& W) {
          W.WriteListBegin();
          W.WriteInteger(PairA);
          W.WriteInteger(PairB);
          W.WriteListEnd();
        },
        PairA != 0 || PairB != 0);
    Filer->DefineProperty(
        "Old",
        [this](TReader& R) {
          (void)R.ReadFloat();
          ++OldValuesRead;
        },
        nullptr, false);
  }

 private:
  std::int32_t FSize = 0;
};

class TWidget : public TComponent {
 public:
  explicit TWidget(TComponent* AOwner)
      : TComponent(AOwner), FPoints(std::make_unique<TOwnedCollection>(this, TCollectionItemClass::Of<TPoint>())) {
    ++gLiveWidgets;
  }
  ~TWidget() override { --gLiveWidgets; }

  std::int32_t GetCount() const noexcept { return FCount; }
  void SetCount(std::int32_t Value) {
    if (Value < 0) throw EArgumentOutOfRangeException("Count must not be negative");
    Log("Count");
    FCount = Value;
  }
  std::int64_t GetBig() const noexcept { return FBig; }
  void SetBig(std::int64_t Value) noexcept { FBig = Value; }
  double GetRatio() const noexcept { return FRatio; }
  void SetRatio(double Value) noexcept { FRatio = Value; }
  const std::string& GetCaption() const noexcept { return FCaption; }
  void SetCaption(const std::string& Value) { FCaption = Value; }
  bool GetVisible() const noexcept { return FVisible; }
  void SetVisible(bool Value) noexcept { FVisible = Value; }
  TColor GetColor() const noexcept { return FColor; }
  void SetColor(TColor Value) noexcept { FColor = Value; }
  TColors GetColors() const noexcept { return FColors; }
  void SetColors(TColors Value) noexcept { FColors = Value; }
  TOwnedCollection* GetPoints() const noexcept { return FPoints.get(); }
  TStringList* GetLines() const noexcept { return FLines.get(); }
  void SetLines(const TStrings* Value) { FLines->Assign(Value); }
  TWidget* GetBuddy() const noexcept { return FBuddy; }
  void SetBuddy(TWidget* Value) {
    if (FBuddy == Value) return;
    if (FBuddy != nullptr) FBuddy->RemoveFreeNotification(this);
    FBuddy = Value;
    if (FBuddy != nullptr) FBuddy->FreeNotification(this);
  }
  TPart* GetPart() const noexcept { return FPart.get(); }
  const TNotifyEvent& GetOnClick() const noexcept { return FOnClick; }
  void SetOnClick(TNotifyEvent Value) { FOnClick = std::move(Value); }
  std::int64_t Extra = 0;  // a custom value, written when not 0

  // Loaded may raise, to test what a failing Loaded leaves.
  bool FailInLoaded = false;

  const TClassInfo* ClassInfo() const override {
    static const TPropInfo Props[] = {
        Property<&TWidget::GetCount, &TWidget::SetCount>("Count").Default(0),
        Property<&TWidget::GetBig, &TWidget::SetBig>("Big"),
        Property<&TWidget::GetRatio, &TWidget::SetRatio>("Ratio").Default(0.0),
        Property<&TWidget::GetCaption, &TWidget::SetCaption>("Caption").Default(""),
        Property<&TWidget::GetVisible, &TWidget::SetVisible>("Visible").Default(true),
        Property<&TWidget::GetColor, &TWidget::SetColor>("Color", ColorInfo).Default(clRed),
        Property<&TWidget::GetColors, &TWidget::SetColors>("Colors", ColorInfo).Default(0),
        Property<&TWidget::GetPoints, nullptr>("Points"),
        Property<&TWidget::GetLines, &TWidget::SetLines>("Lines"),
        Property<&TWidget::GetBuddy, &TWidget::SetBuddy>("Buddy"),
        Property<&TWidget::GetPart, nullptr>("Part"),
        Property<&TWidget::GetOnClick, &TWidget::SetOnClick>("OnClick")};
    static const TClassInfo Info(TComponent::ClassInfo(), Props);
    return &Info;
  }

  void DefineProperties(TFiler* Filer) override {
    TComponent::DefineProperties(Filer);
    Filer->DefineProperty(
        "Extra", [this](TReader& R) { Extra = R.ReadInt64(); }, [this](TWriter& W) { W.WriteInt64(Extra); },
        Extra != 0);
  }

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FBuddy) FBuddy = nullptr;
  }
  void Loaded() override {
    TComponent::Loaded();
    gWidgetLog.push_back(GetName() + ".Loaded(buddy=" + (FBuddy ? FBuddy->GetName() : std::string("nil")) + ")");
    if (FailInLoaded) throw EComponentError("Loaded failed in " + GetName());
  }

 private:
  void Log(const char* What) { gWidgetLog.push_back(GetName() + "." + What + (IsLoading() ? "(loading)" : "")); }

  std::int32_t FCount = 0;
  std::int64_t FBig = 0;
  double FRatio = 0;
  std::string FCaption;
  bool FVisible = true;
  TColor FColor = clRed;
  TColors FColors;
  std::unique_ptr<TOwnedCollection> FPoints;
  std::unique_ptr<TStringList> FLines = std::make_unique<TStringList>();
  TWidget* FBuddy = nullptr;
  std::unique_ptr<TPart> FPart = std::make_unique<TPart>();
  TNotifyEvent FOnClick;
};

// A widget whose Loaded fails when its caption says so: "fail" fails, "refused" refuses the
// caption as a stored value.
class TFragileWidget : public TWidget {
 public:
  using TWidget::TWidget;

 protected:
  void Loaded() override {
    FailInLoaded = GetCaption() == "fail";
    TWidget::Loaded();
    if (GetCaption() == "refused") throw ELoadedValueError("Caption refused in " + GetName(), "Caption");
  }
};

// Starts each test with the classes registered, an empty log and no live widgets, and fails a
// test that leaves a widget alive.
class StreamingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterClass<TWidget>();
    RegisterClass<TFragileWidget>();
    gWidgetLog.clear();
    gLiveWidgets = 0;
  }
  void TearDown() override { EXPECT_EQ(gLiveWidgets, 0) << "every widget a test made is freed"; }
};

}  // namespace tarnwick::test

#endif  // TARNWICK_TESTS_PLATFORM_STREAMINGTESTCLASSES_H_
