// Infix to postfix conversion with caller-supplied tests and priorities.
#include "tarnwick/common/PostFix.h"

#include <cstddef>

namespace tarnwick {

void PostFix(std::span<IInterface* const> Infix, const TPostFixTest& IsOpenParen, const TPostFixTest& IsCloseParen,
             const TPostFixTest& IsOperand, const TPostFixPriority& InStackPriority,
             const TPostFixPriority& IncomingPriority, std::vector<IInterface*>& Output) {
  // The operator stack holds operators and opening brackets; its top is the back.
  std::vector<IInterface*> stack;
  Output.reserve(Output.size() + Infix.size());
  for (IInterface* item : Infix) {
    if (IsOperand(item)) {
      Output.push_back(item);
    } else if (IsOpenParen(item)) {
      stack.push_back(item);
    } else if (IsCloseParen(item)) {
      // Down to the nearest opening bracket. Without one, every waiting operator goes and the
      // closing bracket stays in the output for the caller to see.
      bool matched = false;
      while (!stack.empty()) {
        IInterface* top = stack.back();
        stack.pop_back();
        if (IsOpenParen(top)) {
          matched = true;
          break;
        }
        Output.push_back(top);
      }
      if (!matched) Output.push_back(item);
    } else {
      const Integer incoming = IncomingPriority(item);
      while (!stack.empty() && InStackPriority(stack.back()) <= incoming) {
        Output.push_back(stack.back());
        stack.pop_back();
      }
      stack.push_back(item);
    }
  }
  // What is left, an unclosed opening bracket included, top first.
  for (std::size_t I = stack.size(); I > 0; --I) Output.push_back(stack[I - 1]);
}

namespace {

Intf<TInterfaceListPersistent> ToList(const std::vector<IInterface*>& Items) {
  Intf<TInterfaceListPersistent> result(new TInterfaceListPersistent);
  for (IInterface* item : Items) result->Add(item);
  return result;
}

}  // namespace

Intf<TInterfaceListPersistent> PostFix(const TInterfaceListPersistent* Infix, const TPostFixTest& IsOpenParen,
                                       const TPostFixTest& IsCloseParen, const TPostFixTest& IsOperand,
                                       const TPostFixPriority& InStackPriority,
                                       const TPostFixPriority& IncomingPriority) {
  std::vector<IInterface*> infix;
  if (Infix != nullptr) {
    const Integer count = Infix->GetCount();
    infix.reserve(static_cast<std::size_t>(count));
    for (Integer I = 0; I < count; ++I) infix.push_back(Infix->Get(I));
  }
  std::vector<IInterface*> output;
  PostFix(infix, IsOpenParen, IsCloseParen, IsOperand, InStackPriority, IncomingPriority, output);
  return ToList(output);
}

Intf<TInterfaceListPersistent> PostFix(const IBaseStreamTokenList* Infix, const TPostFixTest& IsOpenParen,
                                       const TPostFixTest& IsCloseParen, const TPostFixTest& IsOperand,
                                       const TPostFixPriority& InStackPriority,
                                       const TPostFixPriority& IncomingPriority) {
  std::vector<IInterface*> infix;
  if (Infix != nullptr) {
    const Integer count = Infix->GetValueCount();
    infix.reserve(static_cast<std::size_t>(count));
    for (Integer I = 0; I < count; ++I) infix.push_back(Infix->Get(I));
  }
  std::vector<IInterface*> output;
  PostFix(infix, IsOpenParen, IsCloseParen, IsOperand, InStackPriority, IncomingPriority, output);
  return ToList(output);
}

}  // namespace tarnwick
