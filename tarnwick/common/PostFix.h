// Infix to postfix order over lists of interface references: the operator-precedence
// (shunting-yard) conversion whose tests and priorities the caller supplies as five callbacks.
//
// The conversion reads the infix items from first to last and never changes them:
//   - an item for which IsOperand holds goes to the output at once;
//   - an item for which IsOpenParen holds goes onto the operator stack;
//   - an item for which IsCloseParen holds moves the operators above the nearest opening
//     bracket to the output, and both brackets are dropped;
//   - any other item is an operator: while the stack is not empty and
//     InStackPriority(top) <= IncomingPriority(item), the top goes to the output; then the item
//     goes onto the stack;
//   - at the end the operators left on the stack go to the output, top first.
// The tests run in the order IsOperand, IsOpenParen, IsCloseParen, so an item that claims to be
// both an operand and a bracket is an operand.
//
// Unbalanced brackets are not an error here: the items stay in the output, so that the caller,
// which knows what a bracket means, can reject them with a message of its own. An opening bracket
// that is never closed stays on the stack and reaches the output with the operators at the end;
// a closing bracket that closes nothing moves every waiting operator to the output and then goes
// there itself. For balanced input the output holds no bracket.
//
// Nothing recurses, so any length of input and any depth of brackets convert in constant stack
// space. Items may be nil; a callback decides what a nil item is.
#ifndef TARNWICK_COMMON_POSTFIX_H_
#define TARNWICK_COMMON_POSTFIX_H_

#include <functional>
#include <span>
#include <vector>

#include "tarnwick/common/CommonInterfaces.h"
#include "tarnwick/common/InterfaceList.h"
#include "tarnwick/common/StreamTokens.h"
#include "tarnwick/platform/Export.h"
#include "tarnwick/platform/Interfaces.h"
#include "tarnwick/platform/Types.h"

namespace tarnwick {

// The bracket and operand tests of the conversion.
using TPostFixTest = std::function<bool(IInterface* Item)>;
// The priorities of an operator waiting on the stack and of one arriving.
using TPostFixPriority = std::function<Integer(IInterface* Item)>;

// The core: appends the items of Infix to Output in postfix order. Output holds the same
// pointers, uncounted; the caller keeps the items alive.
TARNWICK_COMMON_EXPORT void PostFix(std::span<IInterface* const> Infix, const TPostFixTest& IsOpenParen,
                                    const TPostFixTest& IsCloseParen, const TPostFixTest& IsOperand,
                                    const TPostFixPriority& InStackPriority,
                                    const TPostFixPriority& IncomingPriority, std::vector<IInterface*>& Output);

// A new list of the items of Infix in postfix order (a nil Infix gives an empty list).
TARNWICK_COMMON_EXPORT Intf<TInterfaceListPersistent> PostFix(const TInterfaceListPersistent* Infix,
                                                              const TPostFixTest& IsOpenParen,
                                                              const TPostFixTest& IsCloseParen,
                                                              const TPostFixTest& IsOperand,
                                                              const TPostFixPriority& InStackPriority,
                                                              const TPostFixPriority& IncomingPriority);

// The same over the tokens of a token list, read through GetValueCount and Get.
TARNWICK_COMMON_EXPORT Intf<TInterfaceListPersistent> PostFix(const IBaseStreamTokenList* Infix,
                                                              const TPostFixTest& IsOpenParen,
                                                              const TPostFixTest& IsCloseParen,
                                                              const TPostFixTest& IsOperand,
                                                              const TPostFixPriority& InStackPriority,
                                                              const TPostFixPriority& IncomingPriority);

// A token list is both an interface list and a token list; it converts through its tokens.
inline Intf<TInterfaceListPersistent> PostFix(const TBaseStreamTokenList* Infix, const TPostFixTest& IsOpenParen,
                                              const TPostFixTest& IsCloseParen, const TPostFixTest& IsOperand,
                                              const TPostFixPriority& InStackPriority,
                                              const TPostFixPriority& IncomingPriority) {
  return PostFix(static_cast<const IBaseStreamTokenList*>(Infix), IsOpenParen, IsCloseParen, IsOperand,
                 InStackPriority, IncomingPriority);
}

}  // namespace tarnwick

#endif  // TARNWICK_COMMON_POSTFIX_H_
