// The expression evaluator of TKVFuzzyLogicParser: infix token lists put into postfix order by
// PostFix and evaluated over an operand stack of sets, with hedges, hedge operators, "and"/"or"
// keywords, bindings, point lists and function calls. Written once over the model form; where
// the forms differ, detail/FuzzyParserForms.h says how.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "tarnwick/common/InterfaceList.h"
#include "tarnwick/common/PostFix.h"
#include "tarnwick/parser/KVFuzzyLogicParser.h"
#include "tarnwick/parser/detail/FuzzyParserForms.h"
#include "tarnwick/parser/detail/StreamCall.h"
#include "tarnwick/platform/Classes.h"
#include "tarnwick/platform/Interfaces.h"
#include "tarnwick/platform/ResStrings.h"
#include "tarnwick/platform/ScopeGuard.h"
#include "tarnwick/platform/Strings.h"
#include "tarnwick/platform/SysUtils.h"

namespace tarnwick {

namespace {

constexpr const char* kEvalMethod = "EvalFuzzyExpression";
constexpr const char* kConvertMethod = "ConvertListToValues";

bool IsNumberToken(const IFuzzyStreamToken* Token) {
  if (Token == nullptr) return false;
  const Integer Kind = Token->GetDataType();
  return Kind == fstInteger || Kind == fstFloat;
}

// The kinds that are operands whatever their text.
bool IsOperandKind(Integer Kind) noexcept {
  return Kind == fstVariable || Kind == fstList || Kind == fstIFuzzySet || Kind == fstFuzzySet;
}

std::string PrintedForm(const IFuzzyStreamToken* Token) { return Token != nullptr ? Token->ToString() : std::string(); }

// The tokens of a list with the items of each list in it: what one evaluation of it reads.
std::int64_t CountTokens(IFuzzyStreamTokenList* List) {
  const Integer Count = List != nullptr ? List->GetValueCount() : 0;
  std::int64_t Result = Count;
  for (Integer I = 0; I < Count; ++I) {
    const IFuzzyStreamToken* Token = List->Get(I);
    if (Token == nullptr || Token->GetDataType() != fstList) continue;
    const Intf<IFuzzyStreamTokenList> Items = Token->GetList();
    if (Items) Result += Items->GetValueCount();
  }
  return Result;
}

// The text a set operation writes for an operand: its expression, or its name without one.
template <typename TSetRef>
std::size_t OperandTextSize(const TSetRef& Set) {
  const std::string& Expression = Set->GetExpression();
  return Expression.empty() ? Set->GetName().size() : Expression.size();
}

}  // namespace

namespace detail {

// A binding being evaluated: its name and the binding whose evaluation met it. The chain lives
// on the stack of the evaluations, innermost first.
struct TActiveBinding {
  const std::string& Name;
  const TActiveBinding* Outer;
};

// The part a token plays in an expression, as IsOperand, IsOpenParen, IsCloseParen and the word
// lookups tell it; each token is judged once per evaluation. ORDER: kInStackPriority and
// kIncomingPriority.
enum TExpressionRole : std::uint8_t { erOperand, erOpenParen, erCloseParen, erHedge, erHedgeOperator, erKeyword };

struct TExpressionItem {
  IFuzzyStreamToken* Token;  // held by the caller
  TExpressionRole Role;
};

}  // namespace detail

using detail::TExpressionItem;
using detail::TExpressionRole;
using enum detail::TExpressionRole;

// --- String forms

template <typename TForm>
TFzyFloat TKVFuzzyLogicParser::EvalDefuzzified(typename TForm::TVariableRef Variable, const std::string& Expression,
                                               typename TForm::TSetRef& FuzzySet) {
  FuzzySet = EvalFuzzyExpression(Variable, Expression);  // virtual: a descendant's form is honoured
  if (!FuzzySet) return 0;
  // The logic's method decides, not the variable's.
  const TCustomFuzzyLogic* Logic = GetFuzzyLogic();
  if (Logic != nullptr && Logic->GetDefuzzificationMethod() == dmMeanOfMaxima) return FuzzySet->MeanOfMaxima();
  return FuzzySet->CenterOfGravity();
}

template <typename TForm>
typename TForm::TSetRef TKVFuzzyLogicParser::EvalText(typename TForm::TVariableRef Variable,
                                                      const std::string& Expression) {
  // The stream of an enclosing parse or evaluation comes back on every way out, so bindings
  // and event handlers can evaluate inside an evaluation.
  detail::TStreamCall Call(*this, Expression, nullptr);
  Intf<IFuzzyStreamTokenList> List = ParseTokenList();
  return EvalFuzzyExpression(Variable, List.get());
}

TFzyFloat TKVFuzzyLogicParser::EvalFuzzyExpression(TFuzzyVariable* Variable, const std::string& Expression,
                                                   TFuzzySet*& FuzzySet) {
  return EvalDefuzzified<detail::TCollectionForm>(Variable, Expression, FuzzySet);
}

TFzyFloat TKVFuzzyLogicParser::EvalFuzzyExpression(IFuzzyVariable* Variable, const std::string& Expression,
                                                   Intf<IFuzzySet>& FuzzySet) {
  return EvalDefuzzified<detail::TInterfaceForm>(Variable, Expression, FuzzySet);
}

TFuzzySet* TKVFuzzyLogicParser::EvalFuzzyExpression(TFuzzyVariable* Variable, const std::string& Expression) {
  return EvalText<detail::TCollectionForm>(Variable, Expression);
}

Intf<IFuzzySet> TKVFuzzyLogicParser::EvalFuzzyExpression(IFuzzyVariable* Variable, const std::string& Expression) {
  return EvalText<detail::TInterfaceForm>(Variable, Expression);
}

// --- The sets of one evaluation

// One token-list evaluation in progress. Made holds the sets it made, in order; all but its
// result are garbage once it ends (nothing else knows them but by position in a collection),
// and are freed then, also when it fails. The result of a binding's evaluation goes to the
// evaluation that met the binding, as one of its operands; any other result stays.
struct TKVFuzzyLogicParser::TEvaluation {
  explicit TEvaluation(TKVFuzzyLogicParser& Parser)
      : FParser(Parser), Kept(Parser.FEvaluation), Outer(Parser.FBindingOuter) {
    Parser.FBindingOuter = nullptr;
    Parser.FEvaluation = this;
  }
  ~TEvaluation() {
    FParser.FEvaluation = Kept;
    // On an error: the first error wins over one of a deletion's handlers.
    try {
      Free(nullptr);
    } catch (...) {
    }
  }
  TEvaluation(const TEvaluation&) = delete;
  TEvaluation& operator=(const TEvaluation&) = delete;

  TEvaluation* Top() {
    TEvaluation* E = this;
    while (E->Outer != nullptr) E = E->Outer;
    return E;
  }

  // A set made, with the collection it was made in (none: the evaluation owns it alone).
  struct TMade {
    TFuzzySet* Set;
    TCollection* Owner;
  };

  // Takes Result (and Seen, the result before OnEvalExpression) out of the sets to free, hands
  // Result to the outer evaluation when this one made it, and frees the rest.
  void Finish(TFuzzySet* Seen, TFuzzySet* Result, TFuzzyVariable* Variable) {
    TMade Entry{};
    const bool MadeResult = Forget(Result, &Entry);
    Forget(Seen, nullptr);
    if (MadeResult && Outer != nullptr) Outer->Made.push_back(Entry);
    Free(Variable);
  }

  // Takes Set out of the sets to free; true (and its entry in Entry) when it was among them.
  bool Forget(const TFuzzySet* Set, TMade* Entry) {
    auto It = std::find_if(Made.rbegin(), Made.rend(), [Set](const TMade& M) { return M.Set == Set; });
    if (Set == nullptr || It == Made.rend()) return false;
    if (Entry != nullptr) *Entry = *It;
    Made.erase(std::next(It).base());
    return true;
  }

  // Frees the sets made, the last first, so that each is near the end of its collection. A
  // set that a handler has taken out of its collection meanwhile, or made Defined (a term),
  // stays untouched. The variable's set collection reports its change once.
  void Free(TFuzzyVariable* Variable) {
    if (Made.empty()) return;
    std::unique_ptr<TUpdateBlock<TCollection>> Block;
    if (Variable != nullptr) Block = std::make_unique<TUpdateBlock<TCollection>>(*Variable->GetItems());
    while (!Made.empty()) {
      const TMade M = Made.back();
      Made.pop_back();
      if (M.Owner != nullptr && M.Owner->IndexOfItem(M.Set) < 0) continue;
      if (M.Set->GetDefined()) continue;
      delete M.Set;
    }
  }

  TKVFuzzyLogicParser& FParser;
  TEvaluation* Kept;   // the evaluation around this one, of any kind
  TEvaluation* Outer;  // the evaluation that met the binding this one evaluates; null otherwise
  std::vector<TMade> Made;
  std::string Expanding;      // the binding operand being evaluated at this level
  std::int64_t Work = 0;      // at the top: the tokens of every binding expanded so far
};

void TKVFuzzyLogicParser::AddWorkingSet(TFuzzySet* FuzzySet) {
  if (FEvaluation != nullptr && FuzzySet != nullptr)
    FEvaluation->Made.push_back({FuzzySet, FuzzySet->TCollectionItem::GetCollection()});
}

void TKVFuzzyLogicParser::ForgetWorkingSet(TFuzzySet* FuzzySet) {
  if (FEvaluation != nullptr) FEvaluation->Forget(FuzzySet, nullptr);
}

void TKVFuzzyLogicParser::FinishEvaluation(TFuzzySet* Seen, TFuzzySet* Result, TFuzzyVariable* Variable) {
  if (FEvaluation != nullptr) FEvaluation->Finish(Seen, Result, Variable);
}

// --- Token-list form

namespace {

// Priorities by role: an operator waiting on the stack goes to the output before an arriving
// one when its in-stack priority is at most the arriving one's incoming priority. So hedges
// (2 waiting, 1 arriving) bind tightest and apply nearest first, keywords and hedge operators
// (3, 3) share a level and group from the left, and a waiting opening bracket (4) holds against
// everything. ORDER: TExpressionRole.
constexpr Integer kInStackPriority[] = {1, 4, 1, 2, 3, 3};
constexpr Integer kIncomingPriority[] = {1, 0, 1, 1, 3, 3};

// The role a token's text gives it, whatever its kind.
TExpressionRole RoleOfText(const std::string& Text) {
  if (Text == LeftFuzzyParentheses) return erOpenParen;
  if (Text == RightFuzzyParentheses) return erCloseParen;
  if (IsFuzzyHedge(Text)) return erHedge;
  if (IsFuzzyHedgeOperator(Text)) return erHedgeOperator;
  if (IsFuzzyKeyword(Text)) return erKeyword;
  return erOperand;
}

TExpressionRole GetExpressionRole(const IFuzzyStreamToken* Token) {
  // IsOperand, IsOpenParen and IsCloseParen in one look at the token.
  if (Token == nullptr || IsOperandKind(Token->GetDataType())) return erOperand;
  return RoleOfText(Token->GetText());
}

// List put into postfix order, each token with its role; List is left in that order.
std::vector<TExpressionItem> ToPostfix(IFuzzyStreamTokenList* List) {
  // Each token is judged once, by the five callbacks' own tests, and PostFix then asks the
  // verdicts; this is the order PostFix(List, IsOpenParen, IsCloseParen, IsOperand,
  // InStackPriority, IncomingPriority) gives, without judging a token again at every question.
  struct TJudged {
    IInterface* Item;
    IFuzzyStreamToken* Token;
    TExpressionRole Role;
  };
  const Integer Count = List->GetValueCount();
  std::vector<Intf<IFuzzyStreamToken>> Held;  // the tokens live on while the list is rewritten
  std::vector<IInterface*> Infix;
  std::vector<TJudged> Judged;
  Held.reserve(static_cast<std::size_t>(Count));
  Infix.reserve(static_cast<std::size_t>(Count));
  Judged.reserve(static_cast<std::size_t>(Count));
  for (Integer I = 0; I < Count; ++I) {
    IFuzzyStreamToken* Token = List->Get(I);
    Held.emplace_back(Token);
    IInterface* Item = Token;
    Infix.push_back(Item);
    Judged.push_back({Item, Token, GetExpressionRole(Token)});
  }
  std::sort(Judged.begin(), Judged.end(),
            [](const TJudged& A, const TJudged& B) { return std::less<IInterface*>()(A.Item, B.Item); });
  auto Find = [&Judged](IInterface* Item) -> const TJudged& {
    auto It = std::lower_bound(Judged.begin(), Judged.end(), Item, [](const TJudged& A, IInterface* B) {
      return std::less<IInterface*>()(A.Item, B);
    });
    return *It;  // PostFix asks only about the items it was given
  };

  static_assert(std::size(kInStackPriority) == erKeyword + 1 && std::size(kIncomingPriority) == erKeyword + 1,
                "one priority per role");
  std::vector<IInterface*> Postfix;
  PostFix(
      Infix, [&](IInterface* Item) { return Find(Item).Role == erOpenParen; },
      [&](IInterface* Item) { return Find(Item).Role == erCloseParen; },
      [&](IInterface* Item) { return Find(Item).Role == erOperand; },
      [&](IInterface* Item) { return kInStackPriority[Find(Item).Role]; },
      [&](IInterface* Item) { return kIncomingPriority[Find(Item).Role]; }, Postfix);

  // The caller's list takes the postfix order (PostFix makes no nested lists, so this is what
  // FillExpression lays out); it holds the tokens from then on.
  List->Clear();
  std::vector<TExpressionItem> Items;
  Items.reserve(Postfix.size());
  for (IInterface* Item : Postfix) {
    const TJudged& J = Find(Item);
    List->Add(J.Token);
    Items.push_back({J.Token, J.Role});
  }
  return Items;
}

}  // namespace

template <typename TForm>
typename TForm::TSetRef TKVFuzzyLogicParser::EvalList(typename TForm::TVariableRef Variable,
                                                      IFuzzyStreamTokenList* List) {
  Intf<IFuzzyStreamTokenList> OwnList;
  if (List == nullptr) {  // no list is an empty expression
    OwnList = Intf<IFuzzyStreamTokenList>(new TFuzzyStreamTokenList);
    List = OwnList.get();
  }
  TEvaluation Evaluation(*this);
  if (Evaluation.Outer != nullptr) {
    // The value of a binding: its tokens count against what all the bindings of the top
    // evaluation may expand together.
    TEvaluation* Top = Evaluation.Top();
    Top->Work += CountTokens(List);
    if (Top->Work > kMaxBindingWork) {
      ParseError(kEvalMethod, LoadResString(SFzyBindingWorkTooLarge), {kMaxBindingWork, Top->Expanding});
    }
  }

  const std::vector<TExpressionItem> Items = ToPostfix(List);
  typename TForm::TSetRef Result =
      Items.empty() ? EmptySetOf<TForm>(Variable) : EvaluatePostfixOf<TForm>(Variable, Items);
  const typename TForm::TSetRef Seen = Result;
  if (TForm::HasEvalHandler(*this)) TForm::DoEvalExpression(*this, Variable, List->ToString(), Result);
  TForm::FinishEvaluation(*this, TForm::Raw(Seen), TForm::Raw(Result), Variable);
  return Result;
}

TFuzzySet* TKVFuzzyLogicParser::EvalFuzzyExpression(TFuzzyVariable* Variable, IFuzzyStreamTokenList* List) {
  return EvalList<detail::TCollectionForm>(Variable, List);
}

Intf<IFuzzySet> TKVFuzzyLogicParser::EvalFuzzyExpression(IFuzzyVariable* Variable, IFuzzyStreamTokenList* List) {
  return EvalList<detail::TInterfaceForm>(Variable, List);
}

template <typename TForm>
typename TForm::TSetRef TKVFuzzyLogicParser::EvaluatePostfixOf(typename TForm::TVariableRef Variable,
                                                               std::span<const detail::TExpressionItem> Postfix) {
  using TSetRef = typename TForm::TSetRef;
  // The collection form's stack only points at sets, which live in collections (or are a
  // host's set tokens); the interface form's holds counted references.
  std::vector<TSetRef> Stack;
  Stack.reserve(Postfix.size());

  auto Pop = [&Stack]() {
    TSetRef Top = std::move(Stack.back());
    Stack.pop_back();
    return Top;
  };
  // A Defined set is a term of its variable: it is copied before a hedge changes it, so the
  // term stays as defined. The copy is a new set of V that takes the source's name, points,
  // type, inflection point and expression (not its Defined flag).
  auto Writable = [this, Variable](TSetRef S) -> TSetRef {
    if (!S->GetDefined()) return S;
    return TForm::CopyBeforeHedge(*this, Variable, TForm::Raw(S));
  };

  for (const TExpressionItem& Item : Postfix) {
    IFuzzyStreamToken* Token = Item.Token;
    if (Item.Role == erOperand) {
      Stack.push_back(EvalFuzzyExpression(Variable, Token));
      continue;
    }
    // A bracket left over by unbalanced grouping is no operator.
    if (Item.Role == erOpenParen || Item.Role == erCloseParen) {
      ParseError(kEvalMethod, LoadResString(SFzyInvalidToken), {Token->ToString()});
    }
    if (Stack.empty()) ParseError(kEvalMethod, LoadResString(SFzyMissingOperand), {Token->ToString()});

    const std::string Text = Token->GetText();
    TFuzzyHedge Hedge = fhNot;
    TBaseFuzzyHedge ModifyType = bfhAdd;
    bool ModifyY = true;
    bool IsUnion = false;
    TFuzzyOperation Operation = foZadeh;
    if (Item.Role == erHedge && IsFuzzyHedge(Text, Hedge)) {
      TSetRef Operand = Writable(Pop());
      Operand->Hedge(Hedge);
      Stack.push_back(std::move(Operand));
    } else if (Item.Role == erHedgeOperator && IsFuzzyHedgeOperator(Text, ModifyType, ModifyY)) {
      TSetRef Right = Pop();
      if (Stack.empty()) ParseError(kEvalMethod, LoadResString(SFzyMissingOperand), {Token->ToString()});
      TSetRef Left = Writable(Pop());
      Left->Hedge(ModifyType, Right->MeanOfMaxima(), ModifyY);
      Stack.push_back(std::move(Left));
    } else if (Item.Role == erKeyword && IsFuzzyKeyword(Text, IsUnion, Operation)) {
      TSetRef Right = Pop();
      if (Stack.empty()) ParseError(kEvalMethod, LoadResString(SFzyMissingOperand), {Token->ToString()});
      TSetRef Left = Pop();
      // The result's expression holds both operands' texts: refused before it is written when
      // both are already long, so that chains naming a set twice cannot double it further.
      if (OperandTextSize(Left) > static_cast<std::size_t>(kMaxOperandText) &&
          OperandTextSize(Right) > static_cast<std::size_t>(kMaxOperandText)) {
        ParseError(kEvalMethod, LoadResString(SFzyExpressionTextTooLong), {Token->ToString(), kMaxOperandText});
      }
      TSetRef Combined = IsUnion ? Left->Union(TForm::Raw(Right), Operation)
                                 : Left->Intersection(TForm::Raw(Right), Operation);
      TForm::AddWorkingSet(*this, TForm::Raw(Combined));
      Stack.push_back(std::move(Combined));
    } else {
      // Not reached while the roles and the lookups agree; kept so that no token passes unjudged.
      ParseError(kEvalMethod, LoadResString(SFzyInvalidToken), {Token->ToString()});
    }
  }
  // Operands without an operator between them are dropped; the last one is the result.
  return Stack.back();
}

// --- Operands

template <typename TForm>
typename TForm::TSetRef TKVFuzzyLogicParser::EmptySetOf(typename TForm::TVariableRef Variable) {
  if (Variable == nullptr) ParseError(kEvalMethod, LoadResString(SFzyUndefinedVariable));
  return TForm::EmptySet(*this, Variable);
}

template <typename TForm>
typename TForm::TSetRef TKVFuzzyLogicParser::EvalOperand(typename TForm::TVariableRef Variable,
                                                         IFuzzyStreamToken* Token) {
  using TSetRef = typename TForm::TSetRef;
  if (Variable == nullptr) ParseError(kEvalMethod, LoadResString(SFzyUndefinedVariable));
  if (Token == nullptr) return EmptySetOf<TForm>(Variable);

  switch (Token->GetDataType()) {
    case fstAtom:
    case fstString: {
      const std::string Text = Token->GetText();
      if (Text.empty() || Text == SEmptyFuzzy) return EmptySetOf<TForm>(Variable);
      TSetRef Found = TForm::FindTerm(Variable, Text);
      if (!Found) ParseError(kEvalMethod, LoadResString(SFzyInvalidToken), {Token->ToString()});
      return Found;
    }
    case fstInteger:
    case fstFloat: {
      // A crisp spike held inside the variable's range, as the point store would hold it. The
      // number is clamped here as well, so that all three points of the spike stand on the
      // range end whatever the point store makes of a new point's first X.
      const std::string Name = Token->ToString();
      TSetRef Result = TForm::NewWorkingSet(*this, Variable, Name);
      TFzyFloat N = Token->GetNumber();
      if (N < Variable->GetMinimum()) N = Variable->GetMinimum();
      if (N > Variable->GetMaximum()) N = Variable->GetMaximum();
      Result->CreateTriangleFunctionValues(N, N, N);
      TForm::SetNumberExpression(TForm::Raw(Result), Name);
      return Result;
    }
    case fstVariable:
      return EvalBindingOf<TForm>(Variable, Token);
    case fstList: {
      TSetRef Result = TForm::NewWorkingSet(*this, Variable, Token->ToString());
      const Intf<IFuzzyStreamTokenList> List = Token->GetList();
      if (!List || List->GetValueCount() == 0) {
        ParseError(kEvalMethod, LoadResString(SFzyInvalidToken), {Token->ToString()});
      }
      IFuzzyStreamToken* First = List->Get(0);
      if (First == nullptr) ParseError(kEvalMethod, LoadResString(SFzyInvalidToken), {Token->ToString()});
      if (First->GetDataType() == fstList) return ConvertListToValuesOf<TForm>(TForm::Raw(Result), List.get());
      // A function call: the name leaves the argument list.
      const std::string FuncName = First->ToString();
      List->Delete(0);
      TSetRef Called = TForm::CallFunction(*this, TForm::Raw(Result), FuncName, List.get());
      // A host's handler may claim the call and hand over a set of its own, or none: then
      // both are the host's business.
      if (TForm::Raw(Called) != TForm::Raw(Result)) TForm::ForgetWorkingSet(*this, TForm::Raw(Result));
      if (!Called) ParseError(kEvalMethod, LoadResString(SFzyInvalidToken), {Token->ToString()});
      return Called;
    }
    case TForm::kCarriedSetKind: {
      // A set of this form handed in by a host (in the collection form an object of another
      // class is an invalid cast); the other form's set-carrying kind is no operand here.
      TSetRef Carried = TForm::CarriedSet(Token);
      if (!Carried) ParseError(kEvalMethod, LoadResString(SFzyInvalidToken), {Token->ToString()});
      return Carried;
    }
    default:
      ParseError(kEvalMethod, LoadResString(SFzyInvalidToken), {Token->ToString()});
  }
}

TFuzzySet* TKVFuzzyLogicParser::EvalFuzzyExpression(TFuzzyVariable* Variable, IFuzzyStreamToken* Token) {
  return EvalOperand<detail::TCollectionForm>(Variable, Token);
}

Intf<IFuzzySet> TKVFuzzyLogicParser::EvalFuzzyExpression(IFuzzyVariable* Variable, IFuzzyStreamToken* Token) {
  return EvalOperand<detail::TInterfaceForm>(Variable, Token);
}

template <typename TForm>
typename TForm::TSetRef TKVFuzzyLogicParser::EvalBindingOf(typename TForm::TVariableRef Variable,
                                                           IFuzzyStreamToken* Token) {
  const TCustomFuzzyLogic* Logic = GetFuzzyLogic();
  if (Logic == nullptr) ParseError(kEvalMethod, LoadResString(SFzyBindingWithoutLogic), {Token->ToString()});
  const std::string Name = Token->GetText();
  // The Variables list ignores case, so ?X and ?x are one binding.
  std::int32_t Depth = 0;
  for (const detail::TActiveBinding* Active = FActiveBinding; Active != nullptr; Active = Active->Outer) {
    if (SameText(Active->Name, Name))
      ParseError(kEvalMethod, LoadResString(SFzyRecursiveBinding), {Token->ToString()});
    ++Depth;
  }
  if (Depth >= kMaxBindingDepth) ParseError(kEvalMethod, LoadResString(SFzyBindingTooDeep), {kMaxBindingDepth});
  const std::string Value = Logic->GetVariables()->GetValue(Name);

  typename TForm::TSetRef Result{};
  {
    const detail::TActiveBinding Binding{Name, FActiveBinding};
    const TRestoreValue Active(FActiveBinding, &Binding);
    // The evaluation of the value hands its result to this one, and counts its work against
    // the top one's.
    if (FEvaluation != nullptr) FEvaluation->Expanding = Token->ToString();
    FBindingOuter = FEvaluation;
    const TScopeExit Consumed([this]() noexcept { FBindingOuter = nullptr; });  // taken or not, never beyond
    Result = EvalFuzzyExpression(Variable, Value);  // virtual: a descendant's form is honoured
  }
  if (!Result) ParseError(kEvalMethod, LoadResString(SFzyInvalidToken), {Token->ToString()});
  // The binding names a set of its own, a clone of any set that others find by name: a term,
  // which stays as defined, and the variable's empty set, which another operand of the same
  // expression may be already (in "__Empty or ?q" the union names both of its operands).
  if (Result->GetDefined() || Result->GetName() == SEmptyFuzzy)
    Result = TForm::BindingCopy(*this, TForm::Raw(Result));
  Result->SetName(Token->ToString());
  return Result;
}

template <typename TForm>
typename TForm::TSetRef TKVFuzzyLogicParser::ConvertListToValuesOf(typename TForm::TSet* FuzzySet,
                                                                   IFuzzyStreamTokenList* List) {
  const Integer Count = List != nullptr ? List->GetValueCount() : 0;
  for (Integer I = 0; I < Count; ++I) {
    IFuzzyStreamToken* Item = List->Get(I);
    Intf<IFuzzyStreamTokenList> Pair;
    if (Item != nullptr && Item->GetDataType() == fstList) Pair = Item->GetList();
    if (!Pair || Pair->GetValueCount() != 2) {
      ParseError(kConvertMethod, LoadResString(SFzyInvalidValuePair), {PrintedForm(Item)});
    }
    const IFuzzyStreamToken* X = Pair->Get(0);
    const IFuzzyStreamToken* Y = Pair->Get(1);
    if (!IsNumberToken(X) || !IsNumberToken(Y)) ParseError(kConvertMethod, LoadResString(SFzyExpectedNumber));
    // One point at a time, each under the point list's own rules (range, order, at most three
    // points on one X).
    TForm::AddPoint(FuzzySet, X->GetNumber(), Y->GetNumber());
  }
  return FuzzySet;
}

TFuzzySet* TKVFuzzyLogicParser::ConvertListToValues(TFuzzySet* FuzzySet, IFuzzyStreamTokenList* List) {
  return ConvertListToValuesOf<detail::TCollectionForm>(FuzzySet, List);
}

Intf<IFuzzySet> TKVFuzzyLogicParser::ConvertListToValues(IFuzzySet* FuzzySet, IFuzzyStreamTokenList* List) {
  return ConvertListToValuesOf<detail::TInterfaceForm>(FuzzySet, List);
}

// --- Postfix order

void TKVFuzzyLogicParser::FillExpression(const TInterfaceListPersistent* Source, IFuzzyStreamTokenList* Dest) {
  // Nested lists are walked with an explicit stack, so no nesting can exhaust the call stack.
  struct TFrame {
    const TInterfaceListPersistent* List;
    Integer Next;
  };
  std::vector<TFrame> Frames;
  Frames.push_back({Source, 0});
  while (!Frames.empty()) {
    TFrame& Frame = Frames.back();
    if (Frame.List == nullptr || Frame.Next >= Frame.List->GetCount()) {
      Frames.pop_back();
      continue;
    }
    IInterface* Item = Frame.List->Get(Frame.Next++);
    if (const auto* Nested = dynamic_cast<const TInterfaceListPersistent*>(Item)) {
      Frames.push_back({Nested, 0});  // frame is not used after this
      continue;
    }
    Dest->Add(FindIntfOrRaise<IFuzzyStreamToken>(Item));
  }
}

bool TKVFuzzyLogicParser::IsOpenParen(IInterface* Item) const {
  const IFuzzyStreamToken* Token = FindIntf<IFuzzyStreamToken>(Item);
  return Token != nullptr && Token->GetText() == LeftFuzzyParentheses;
}

bool TKVFuzzyLogicParser::IsCloseParen(IInterface* Item) const {
  const IFuzzyStreamToken* Token = FindIntf<IFuzzyStreamToken>(Item);
  return Token != nullptr && Token->GetText() == RightFuzzyParentheses;
}

bool TKVFuzzyLogicParser::IsOperand(IInterface* Item) const {
  // A quoted "and" is the keyword; a punctuation token other than a bracket is an operand,
  // which the operand evaluation then rejects.
  return GetExpressionRole(FindIntfOrRaise<IFuzzyStreamToken>(Item)) == erOperand;
}

// The priorities of kInStackPriority and kIncomingPriority, told by the token's text alone.
Integer TKVFuzzyLogicParser::InStackPriority(IInterface* Item) const {
  const IFuzzyStreamToken* Token = FindIntf<IFuzzyStreamToken>(Item);
  return kInStackPriority[Token != nullptr ? RoleOfText(Token->GetText()) : erOperand];
}

Integer TKVFuzzyLogicParser::IncomingPriority(IInterface* Item) const {
  const IFuzzyStreamToken* Token = FindIntf<IFuzzyStreamToken>(Item);
  return kIncomingPriority[Token != nullptr ? RoleOfText(Token->GetText()) : erOperand];
}

}  // namespace tarnwick
