// The hash tables in component streams: the obsolete values "LoadFactor", "HashType" and
// "Capacity" are read and dropped and never written, OnChange is stored by its handler's name,
// and the keys go into a destination's published "Text" property.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ContainersTestSupport.h"
#include "TestSupport.h"
#include "tarnwick/containers/KVGenerics.h"
#include "tarnwick/platform/ComponentStreaming.h"
#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/TypInfo.h"

namespace tarnwick::collections::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using StringTable = TKVStringHashTable<ProbeRef>;

// A component with a table as its published part.
class TTableHolder : public TComponent {
 public:
  using TComponent::TComponent;
  StringTable* GetTable() const noexcept { return FTable.get(); }
  const TClassInfo* ClassInfo() const override {
    static const TPropInfo Props[] = {Property<&TTableHolder::GetTable, nullptr>("Table")};
    static const TClassInfo Info(TComponent::ClassInfo(), Props);
    return &Info;
  }

 private:
  std::unique_ptr<StringTable> FTable = std::make_unique<StringTable>();
};

// A destination with a published string property "Text".
class TMemo : public TPersistent {
 public:
  const std::string& GetText() const noexcept { return FText; }
  void SetText(const std::string& Value) { FText = Value; }
  const TClassInfo* ClassInfo() const override {
    static const TPropInfo Props[] = {Property<&TMemo::GetText, &TMemo::SetText>("Text")};
    static const TClassInfo Info(TPersistent::ClassInfo(), Props);
    return &Info;
  }

 private:
  std::string FText;
};

class HashTableStreaming : public ProbeTest {};

TEST_F(HashTableStreaming, ObsoleteValuesAreReadAndDropped) {
  TTableHolder Holder(nullptr);
  Holder.GetTable()->Add("kept", MakeProbe(1));
  TextToComponent(
      "object TTableHolder\n"
      "  Table.LoadFactor = 0.75\n"
      "  Table.HashType = 2\n"
      "  Table.Capacity = 9223372036854775807\n"
      "  Table.LoadFactor = 1\n"
      "end\n",
      &Holder);
  EXPECT_EQ(Holder.GetTable()->GetCount(), 1);
  EXPECT_TRUE(Holder.GetTable()->ContainsKey("kept"));
  EXPECT_THROW_MSG(TextToComponent("object TTableHolder\n  Table.Capacity = 1.5\nend\n", &Holder), EComponentReadError,
                   "Error reading TTableHolder.Table.Capacity at line 2: Expected an integer, found \"1.5\"");
  EXPECT_THROW_MSG(TextToComponent("object TTableHolder\n  Table.LoadFactor = \"x\"\nend\n", &Holder),
                   EComponentReadError,
                   "Error reading TTableHolder.Table.LoadFactor at line 2: Expected a number, found a string");
}

TEST_F(HashTableStreaming, ObsoleteValuesAreNeverWrittenAndOnChangeIsStoredByName) {
  TTableHolder Holder(nullptr);
  Holder.GetTable()->Add("a", MakeProbe(1));
  EXPECT_EQ(ComponentToText(&Holder), "object TTableHolder\nend\n");
  Holder.GetTable()->SetOnChange(NamedEvent("TableChanged", TNotifyEvent([](TObject*) {})));
  const std::string Text = ComponentToText(&Holder);
  EXPECT_EQ(Text, "object TTableHolder\n  Table.OnChange = TableChanged\nend\n");
  for (const char* Name : {"LoadFactor", "HashType", "Capacity"}) EXPECT_THAT(Text, Not(HasSubstr(Name)));

  int Changes = 0;
  TEventHandlers Handlers;
  Handlers.Add<TNotifyEvent>("TableChanged", [&](TObject*) { ++Changes; });
  TTableHolder Copy(nullptr);
  TReader Reader(Text);
  Reader.SetEventHandlers(&Handlers);
  Reader.ReadRootComponent(&Copy);
  Copy.GetTable()->Add("x", nullptr);
  EXPECT_EQ(Changes, 1);
}

TEST_F(HashTableStreaming, KeysGoIntoAPublishedTextProperty) {
  StringTable T;
  for (const char* Key : {"low", "medium", "high"}) T.Add(Key, nullptr);
  tarnwick::TStringList InSlotOrder;
  InSlotOrder.Assign(&T);
  TMemo Memo;
  Memo.SetText("stale");
  Memo.Assign(&T);
  EXPECT_EQ(Memo.GetText(), InSlotOrder.GetText());
  EXPECT_EQ(InSlotOrder.GetCount(), 3);
  StringTable Empty;
  Memo.Assign(&Empty);
  EXPECT_EQ(Memo.GetText(), "");
  // Without a published Text: the platform's assignment error.
  TKVDictionary<int, int> Other;
  EXPECT_THROW(Other.Assign(&T), EConvertError);
}

}  // namespace
}  // namespace tarnwick::collections::testing
