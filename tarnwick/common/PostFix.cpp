// Infix to postfix conversion with caller-supplied tests and priorities.
#include "tarnwick/common/PostFix.h"

#include <cstddef>

namespace tarnwick {

void PostFix(std::span<IInterface* const> Infix, const TPostFixTest& IsOpenParen, const TPostFixTest& IsCloseParen,
             const TPostFixTest& IsOperand, const TPostFixPriority& InStackPriority,
             const TPostFixPriority& IncomingPriority, std::vector<IInterface*>& Output) {
  // The operator stack holds operators and opening brackets; its top is the back.
  std::vector<IInterface*> Stack;
  Output.reserve(Output.size() + Infix.size());
  for (IInterface* Item : Infix) {
    if (IsOperand(Item)) {
      Output.push_back(Item);
    } else if (IsOpenParen(Item)) {
      Stack.push_back(Item);
    } else if (IsCloseParen(Item)) {
      // Down to the nearest opening bracket. Without one, every waiting operator goes and the
      // closing bracket stays in the output for the caller to see.
      bool Matched = false;
      while (!Stack.empty()) {
        IInterface* Top = Stack.back();
        Stack.pop_back();
        if (IsOpenParen(Top)) {
          Matched = true;
          break;
        }
        Output.push_back(Top);
      }
      if (!Matched) Output.push_back(Item);
    } else {
      const Integer Incoming = IncomingPriority(Item);
      while (!Stack.empty() && InStackPriority(Stack.back()) <= Incoming) {
        Output.push_back(Stack.back());
        Stack.pop_back();
      }
      Stack.push_back(Item);
    }
  }
  // What is left, an unclosed opening bracket included, top first.
  for (std::size_t I = Stack.size(); I > 0; --I) Output.push_back(Stack[I - 1]);
}

namespace {

Intf<TInterfaceListPersistent> ToList(const std::vector<IInterface*>& Items) {
  Intf<TInterfaceListPersistent> Result(new TInterfaceListPersistent);
  for (IInterface* Item : Items) Result->Add(Item);
  return Result;
}

}  // namespace

Intf<TInterfaceListPersistent> PostFix(const TInterfaceListPersistent* Infix, const TPostFixTest& IsOpenParen,
                                       const TPostFixTest& IsCloseParen, const TPostFixTest& IsOperand,
                                       const TPostFixPriority& InStackPriority,
                                       const TPostFixPriority& IncomingPriority) {
  std::vector<IInterface*> Items;
  if (Infix != nullptr) {
    const Integer Count = Infix->GetCount();
    Items.reserve(static_cast<std::size_t>(Count));
    for (Integer I = 0; I < Count; ++I) Items.push_back(Infix->Get(I));
  }
  std::vector<IInterface*> Output;
  PostFix(Items, IsOpenParen, IsCloseParen, IsOperand, InStackPriority, IncomingPriority, Output);
  return ToList(Output);
}

Intf<TInterfaceListPersistent> PostFix(const IBaseStreamTokenList* Infix, const TPostFixTest& IsOpenParen,
                                       const TPostFixTest& IsCloseParen, const TPostFixTest& IsOperand,
                                       const TPostFixPriority& InStackPriority,
                                       const TPostFixPriority& IncomingPriority) {
  std::vector<IInterface*> Items;
  if (Infix != nullptr) {
    const Integer Count = Infix->GetValueCount();
    Items.reserve(static_cast<std::size_t>(Count));
    for (Integer I = 0; I < Count; ++I) Items.push_back(Infix->Get(I));
  }
  std::vector<IInterface*> Output;
  PostFix(Items, IsOpenParen, IsCloseParen, IsOperand, InStackPriority, IncomingPriority, Output);
  return ToList(Output);
}

}  // namespace tarnwick
