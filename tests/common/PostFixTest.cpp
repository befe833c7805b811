// Infix to postfix conversion: operator order under the callers' priorities, brackets, the
// pop rule at equal priorities, unbalanced brackets kept for the caller, deep nesting without
// recursion, and that the input list is left alone and every item is released.
#include "tarnwick/common/PostFix.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "tarnwick/common/InterfaceList.h"
#include "tarnwick/common/StreamTokens.h"

namespace tarnwick {
namespace {

using ::testing::ElementsAre;
using test::CountingTest;
using test::TCounted;

class TCountedToken : public TCounted<TBaseStreamToken> {
 protected:
  TBaseStreamToken* NewInstance() const override { return new TCountedToken; }
};

std::string TextOf(IInterface* Item) {
  if (Item == nullptr) return "nil";
  auto* Token = FindIntf<IBaseStreamToken>(Item);
  return Token != nullptr ? Token->GetText() : "?";
}

// The callbacks of a small language: "[" and "]" group; "not" and "very" are prefix operators
// that bind tightest and apply right to left (in-stack 2, incoming 1); "*" binds tighter than
// "+" and "and", which share a level (in-stack = incoming, so equal operators group from the
// left); everything else is an operand. This is the shape of the fuzzy expression language.
struct TTestLanguage {
  static bool IsOperator(const std::string& T) {
    return T == "+" || T == "*" || T == "and" || T == "not" || T == "very";
  }
  TPostFixTest IsOpenParen = [](IInterface* Item) { return TextOf(Item) == "["; };
  TPostFixTest IsCloseParen = [](IInterface* Item) { return TextOf(Item) == "]"; };
  TPostFixTest IsOperand = [](IInterface* Item) {
    const std::string T = TextOf(Item);
    return T != "[" && T != "]" && !IsOperator(T);
  };
  TPostFixPriority InStack = [](IInterface* Item) -> Integer {
    const std::string T = TextOf(Item);
    if (T == "[") return 4;
    if (T == "+" || T == "and") return 3;
    if (T == "*") return 2;
    if (T == "not" || T == "very") return 2;
    return 1;
  };
  TPostFixPriority Incoming = [](IInterface* Item) -> Integer {
    const std::string T = TextOf(Item);
    if (T == "[") return 0;
    if (T == "+" || T == "and") return 3;
    if (T == "*") return 2;
    return 1;
  };
};

// A list of tokens from blank-separated words.
Intf<TInterfaceListPersistent> MakeList(const std::string& Words) {
  Intf<TInterfaceListPersistent> List(new TInterfaceListPersistent);
  std::istringstream In(Words);
  std::string W;
  while (In >> W) {
    Intf<IBaseStreamToken> T(new TCountedToken);
    T->SetText(W);
    List->Add(T.get());
  }
  return List;
}

std::string Join(const TInterfaceListPersistent* List) {
  std::string R;
  for (Integer I = 0; I < List->GetCount(); ++I) {
    if (I > 0) R += ' ';
    R += TextOf(List->Get(I));
  }
  return R;
}

std::string Convert(const std::string& Words) {
  TTestLanguage L;
  Intf<TInterfaceListPersistent> In = MakeList(Words);
  Intf<TInterfaceListPersistent> Out =
      PostFix(In.get(), L.IsOpenParen, L.IsCloseParen, L.IsOperand, L.InStack, L.Incoming);
  return Join(Out.get());
}

using PostFixTest = CountingTest;

TEST_F(PostFixTest, OrdersOperatorsByPriority) {
  struct Case {
    const char* Infix;
    const char* Postfix;
  };
  static const Case kCases[] = {
      {"", ""},
      {"a", "a"},
      {"a b", "a b"},
      {"a + b", "a b +"},
      {"a + b * c", "a b c * +"},
      {"a * b + c", "a b * c +"},
      {"a + b + c", "a b + c +"},          // equal priorities group from the left
      {"a and b + c", "a b and c +"},      // operators of one level share it
      {"a + [ b + c ]", "a b c + +"},      // brackets override
      {"[ [ a ] ]", "a"},
      {"[ a + b ] * [ c + d ]", "a b + c d + *"},
      {"very not a", "a not very"},        // prefix operators apply nearest first
      {"not a and b", "a not b and"},
      {"a and very b", "a b very and"},
      {"very [ a and b ]", "a b and very"},
      {"+ a", "a +"},                      // an operator without a left operand is kept in order
  };
  for (const Case& C : kCases) EXPECT_EQ(Convert(C.Infix), C.Postfix) << C.Infix;
}

TEST_F(PostFixTest, UnbalancedBracketsStayInTheOutput) {
  EXPECT_EQ(Convert("[ a"), "a [");
  EXPECT_EQ(Convert("[ a + b"), "a b + [");
  EXPECT_EQ(Convert("a ]"), "a ]");
  EXPECT_EQ(Convert("a + b ] * c"), "a b + ] c *");
  EXPECT_EQ(Convert("]"), "]");
}

TEST_F(PostFixTest, LeavesTheInputAloneAndSharesItsItems) {
  TTestLanguage L;
  Intf<TInterfaceListPersistent> In = MakeList("[ a + b ] * c");
  Intf<TInterfaceListPersistent> Out =
      PostFix(In.get(), L.IsOpenParen, L.IsCloseParen, L.IsOperand, L.InStack, L.Incoming);
  EXPECT_EQ(Join(In.get()), "[ a + b ] * c");
  ASSERT_EQ(Out->GetCount(), 5);
  EXPECT_EQ(Out->Get(0), In->Get(1));  // the very items, not copies
  EXPECT_EQ(Out->Get(1), In->Get(3));
  EXPECT_EQ(Out->Get(2), In->Get(2));
  EXPECT_EQ(Out->Get(3), In->Get(6));
  EXPECT_EQ(Out->Get(4), In->Get(5));
}

TEST_F(PostFixTest, ReadsTokenListsThroughTheirTokens) {
  TTestLanguage L;
  Intf<TBaseStreamTokenList> Tokens(new TBaseStreamTokenList);
  for (const char* W : {"a", "+", "b", "*", "c"}) {
    Intf<IBaseStreamToken> T(new TCountedToken);
    T->SetText(W);
    Tokens->Add(T.get());
  }
  Intf<TInterfaceListPersistent> Out =
      PostFix(Tokens.get(), L.IsOpenParen, L.IsCloseParen, L.IsOperand, L.InStack, L.Incoming);
  EXPECT_EQ(Join(Out.get()), "a b c * +");
  const IBaseStreamTokenList* AsInterface = Tokens.get();
  Out = PostFix(AsInterface, L.IsOpenParen, L.IsCloseParen, L.IsOperand, L.InStack, L.Incoming);
  EXPECT_EQ(Join(Out.get()), "a b c * +");
}

TEST_F(PostFixTest, NilItemsAndNilInputReachTheCallbacks) {
  std::vector<IInterface*> Seen;
  TTestLanguage L;
  TPostFixTest Operand = [&](IInterface* Item) {
    Seen.push_back(Item);
    return L.IsOperand(Item);
  };
  Intf<TInterfaceListPersistent> In = MakeList("a +");
  In->Add(nullptr);
  Intf<TInterfaceListPersistent> Out = PostFix(In.get(), L.IsOpenParen, L.IsCloseParen, Operand, L.InStack, L.Incoming);
  EXPECT_EQ(Join(Out.get()), "a nil +");
  EXPECT_THAT(Seen, ElementsAre(In->Get(0), In->Get(1), nullptr));

  const TInterfaceListPersistent* NoList = nullptr;
  EXPECT_EQ(PostFix(NoList, L.IsOpenParen, L.IsCloseParen, L.IsOperand, L.InStack, L.Incoming)->GetCount(), 0);
}

TEST_F(PostFixTest, DeepBracketsConvertWithoutRecursion) {
  constexpr int kDepth = 200000;
  TTestLanguage L;
  Intf<IBaseStreamToken> Open(new TCountedToken), Close(new TCountedToken), A(new TCountedToken);
  Open->SetText("[");
  Close->SetText("]");
  A->SetText("a");
  std::vector<IInterface*> In;
  for (int I = 0; I < kDepth; ++I) In.push_back(Open.get());
  In.push_back(A.get());
  for (int I = 0; I < kDepth; ++I) In.push_back(Close.get());
  std::vector<IInterface*> Out;
  PostFix(In, L.IsOpenParen, L.IsCloseParen, L.IsOperand, L.InStack, L.Incoming, Out);
  EXPECT_THAT(Out, ElementsAre(A.get()));
}

}  // namespace
}  // namespace tarnwick
