// The expression evaluator of TKVFuzzyLogicParser: infix token lists put into postfix order by
// PostFix and evaluated over an operand stack of sets, with hedges, hedge operators, "and"/"or"
// keywords, bindings, point lists and function calls. Written once over the model form; where
// the forms differ, FuzzyParserForms.h says how.
#include <algorithm>
#include <cstddef>
#include <functional>
#include <iterator>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tarnwick/common/InterfaceList.h"
#include "tarnwick/common/PostFix.h"
#include "tarnwick/parser/FuzzyParserForms.h"
#include "tarnwick/parser/KVFuzzyLogicParser.h"
#include "tarnwick/platform/Classes.h"
#include "tarnwick/platform/ResStrings.h"
#include "tarnwick/platform/Interfaces.h"
#include "tarnwick/platform/Strings.h"
#include "tarnwick/platform/SysUtils.h"

namespace tarnwick {

namespace {

constexpr const char* kEvalMethod = "EvalFuzzyExpression";
constexpr const char* kConvertMethod = "ConvertListToValues";

// Item as a fuzzy token, uncounted (the list holding it keeps it alive): nil for nil,
// EIntfCastError for an item that is no fuzzy token.
IFuzzyStreamToken* AsFuzzyToken(IInterface* Item) {
  if (Item == nullptr) return nullptr;
  IFuzzyStreamToken* Token = FindIntf<IFuzzyStreamToken>(Item);
  if (Token == nullptr) detail::RaiseIntfCastError();
  return Token;
}

bool IsKeywordText(std::string_view Text) noexcept {
  bool isUnion = false;
  TFuzzyOperation op = foZadeh;
  return IsFuzzyKeyword(Text, isUnion, op);
}

bool IsNumberToken(const IFuzzyStreamToken* Token) {
  if (Token == nullptr) return false;
  const Integer kind = Token->GetDataType();
  return kind == fstInteger || kind == fstFloat;
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

// Pops the name of a binding off the active list on every way out of its evaluation.
class TBindingScope {
 public:
  TBindingScope(std::vector<std::string>& Active, std::string Name) : FActive(Active) {
    FActive.push_back(std::move(Name));
  }
  ~TBindingScope() { FActive.pop_back(); }
  TBindingScope(const TBindingScope&) = delete;
  TBindingScope& operator=(const TBindingScope&) = delete;

 private:
  std::vector<std::string>& FActive;
};

}  // namespace

// --- String forms

template <typename TForm>
TFzyFloat TKVFuzzyLogicParser::EvalDefuzzified(typename TForm::TVariableRef Variable, const std::string& Expression,
                                               typename TForm::TSetRef& FuzzySet) {
  FuzzySet = EvalFuzzyExpression(Variable, Expression);  // virtual: a descendant's form is honoured
  if (!FuzzySet) return 0;
  // The logic's method decides, not the variable's.
  const TCustomFuzzyLogic* logic = GetFuzzyLogic();
  if (logic != nullptr && logic->GetDefuzzificationMethod() == dmMeanOfMaxima) return FuzzySet->MeanOfMaxima();
  return FuzzySet->CenterOfGravity();
}

template <typename TForm>
typename TForm::TSetRef TKVFuzzyLogicParser::EvalText(typename TForm::TVariableRef Variable,
                                                      const std::string& Expression) {
  // The stream of an enclosing parse or evaluation comes back on every way out, so bindings
  // and event handlers can evaluate inside an evaluation.
  TStreamCall call(*this, Expression, nullptr);
  Intf<IFuzzyStreamTokenList> list = ParseTokenList();
  return EvalFuzzyExpression(Variable, list.get());
}

TFzyFloat TKVFuzzyLogicParser::EvalFuzzyExpression(TFuzzyVariable* Variable, const std::string& Expression,
                                                   TFuzzySet*& FuzzySet) {
  return EvalDefuzzified<TCollectionForm>(Variable, Expression, FuzzySet);
}

TFzyFloat TKVFuzzyLogicParser::EvalFuzzyExpression(IFuzzyVariable* Variable, const std::string& Expression,
                                                   Intf<IFuzzySet>& FuzzySet) {
  return EvalDefuzzified<TInterfaceForm>(Variable, Expression, FuzzySet);
}

TFuzzySet* TKVFuzzyLogicParser::EvalFuzzyExpression(TFuzzyVariable* Variable, const std::string& Expression) {
  return EvalText<TCollectionForm>(Variable, Expression);
}

Intf<IFuzzySet> TKVFuzzyLogicParser::EvalFuzzyExpression(IFuzzyVariable* Variable, const std::string& Expression) {
  return EvalText<TInterfaceForm>(Variable, Expression);
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
  if (FEvaluation != nullptr && FuzzySet != nullptr) FEvaluation->Made.push_back({FuzzySet, FuzzySet->GetCollection()});
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

}  // namespace

std::vector<TKVFuzzyLogicParser::TExpressionItem> TKVFuzzyLogicParser::ToPostfix(IFuzzyStreamTokenList* List) {
  // Each token is judged once, by the five callbacks' own tests, and PostFix then asks the
  // verdicts; this is the order PostFix(List, IsOpenParen, IsCloseParen, IsOperand,
  // InStackPriority, IncomingPriority) gives, without judging a token again at every question.
  struct TJudged {
    IInterface* Item;
    IFuzzyStreamToken* Token;
    TExpressionRole Role;
  };
  const Integer count = List->GetValueCount();
  std::vector<Intf<IFuzzyStreamToken>> held;  // the tokens live on while the list is rewritten
  std::vector<IInterface*> infix;
  std::vector<TJudged> judged;
  held.reserve(static_cast<std::size_t>(count));
  infix.reserve(static_cast<std::size_t>(count));
  judged.reserve(static_cast<std::size_t>(count));
  for (Integer I = 0; I < count; ++I) {
    IFuzzyStreamToken* token = List->Get(I);
    held.emplace_back(token);
    IInterface* item = token;
    infix.push_back(item);
    judged.push_back({item, token, GetExpressionRole(token)});
  }
  std::sort(judged.begin(), judged.end(),
            [](const TJudged& A, const TJudged& B) { return std::less<IInterface*>()(A.Item, B.Item); });
  auto find = [&judged](IInterface* Item) -> const TJudged& {
    auto it = std::lower_bound(judged.begin(), judged.end(), Item, [](const TJudged& A, IInterface* B) {
      return std::less<IInterface*>()(A.Item, B);
    });
    return *it;  // PostFix asks only about the items it was given
  };

  static_assert(std::size(kInStackPriority) == erKeyword + 1 && std::size(kIncomingPriority) == erKeyword + 1,
                "one priority per role");
  std::vector<IInterface*> postfix;
  PostFix(
      infix, [&](IInterface* Item) { return find(Item).Role == erOpenParen; },
      [&](IInterface* Item) { return find(Item).Role == erCloseParen; },
      [&](IInterface* Item) { return find(Item).Role == erOperand; },
      [&](IInterface* Item) { return kInStackPriority[find(Item).Role]; },
      [&](IInterface* Item) { return kIncomingPriority[find(Item).Role]; }, postfix);

  // The caller's list takes the postfix order (PostFix makes no nested lists, so this is what
  // FillExpression lays out); it holds the tokens from then on.
  List->Clear();
  std::vector<TExpressionItem> items;
  items.reserve(postfix.size());
  for (IInterface* item : postfix) {
    const TJudged& j = find(item);
    List->Add(j.Token);
    items.push_back({j.Token, j.Role});
  }
  return items;
}

template <typename TForm>
typename TForm::TSetRef TKVFuzzyLogicParser::EvalList(typename TForm::TVariableRef Variable,
                                                      IFuzzyStreamTokenList* List) {
  Intf<IFuzzyStreamTokenList> ownList;
  if (List == nullptr) {  // no list is an empty expression
    ownList = Intf<IFuzzyStreamTokenList>(new TFuzzyStreamTokenList);
    List = ownList.get();
  }
  TEvaluation evaluation(*this);
  if (evaluation.Outer != nullptr) {
    // The value of a binding: its tokens count against what all the bindings of the top
    // evaluation may expand together.
    TEvaluation* top = evaluation.Top();
    top->Work += CountTokens(List);
    if (top->Work > kMaxBindingWork) {
      ParseError(kEvalMethod, LoadResString(SFzyBindingWorkTooLarge), {kMaxBindingWork, top->Expanding});
    }
  }

  const std::vector<TExpressionItem> items = ToPostfix(List);
  typename TForm::TSetRef result =
      items.empty() ? EmptySetOf<TForm>(Variable) : EvaluatePostfixOf<TForm>(Variable, items);
  const typename TForm::TSetRef seen = result;
  if (TForm::HasEvalHandler(*this)) TForm::DoEvalExpression(*this, Variable, List->ToString(), result);
  TForm::FinishEvaluation(*this, TForm::Raw(seen), TForm::Raw(result), Variable);
  return result;
}

TFuzzySet* TKVFuzzyLogicParser::EvalFuzzyExpression(TFuzzyVariable* Variable, IFuzzyStreamTokenList* List) {
  return EvalList<TCollectionForm>(Variable, List);
}

Intf<IFuzzySet> TKVFuzzyLogicParser::EvalFuzzyExpression(IFuzzyVariable* Variable, IFuzzyStreamTokenList* List) {
  return EvalList<TInterfaceForm>(Variable, List);
}

TKVFuzzyLogicParser::TExpressionRole TKVFuzzyLogicParser::GetExpressionRole(const IFuzzyStreamToken* Token) {
  // IsOperand, IsOpenParen and IsCloseParen in one look at the token.
  if (Token == nullptr || IsOperandKind(Token->GetDataType())) return erOperand;
  const std::string text = Token->GetText();
  if (text == LeftFuzzyParentheses) return erOpenParen;
  if (text == RightFuzzyParentheses) return erCloseParen;
  if (IsFuzzyHedge(text)) return erHedge;
  if (IsFuzzyHedgeOperator(text)) return erHedgeOperator;
  if (IsKeywordText(text)) return erKeyword;
  return erOperand;
}

template <typename TForm>
typename TForm::TSetRef TKVFuzzyLogicParser::EvaluatePostfixOf(typename TForm::TVariableRef Variable,
                                                               std::span<const TExpressionItem> Postfix) {
  using TSetRef = typename TForm::TSetRef;
  // The collection form's stack only points at sets, which live in collections (or are a
  // host's set tokens); the interface form's holds counted references.
  std::vector<TSetRef> stack;
  stack.reserve(Postfix.size());

  auto pop = [&stack]() {
    TSetRef top = std::move(stack.back());
    stack.pop_back();
    return top;
  };
  // A Defined set is a term of its variable: it is copied before a hedge changes it, so the
  // term stays as defined. The copy is a new set of V that takes the source's name, points,
  // type, inflection point and expression (not its Defined flag).
  auto writable = [this, Variable](TSetRef S) -> TSetRef {
    if (!S->GetDefined()) return S;
    return TForm::CopyBeforeHedge(*this, Variable, TForm::Raw(S));
  };

  for (const TExpressionItem& item : Postfix) {
    IFuzzyStreamToken* token = item.Token;
    if (item.Role == erOperand) {
      stack.push_back(EvalFuzzyExpression(Variable, token));
      continue;
    }
    // A bracket left over by unbalanced grouping is no operator.
    if (item.Role == erOpenParen || item.Role == erCloseParen) {
      ParseError(kEvalMethod, LoadResString(SFzyInvalidToken), {token->ToString()});
    }
    if (stack.empty()) ParseError(kEvalMethod, LoadResString(SFzyMissingOperand), {token->ToString()});

    const std::string text = token->GetText();
    TFuzzyHedge hedge = fhNot;
    TBaseFuzzyHedge modifyType = bfhAdd;
    bool modifyY = true;
    bool isUnion = false;
    TFuzzyOperation operation = foZadeh;
    if (item.Role == erHedge && IsFuzzyHedge(text, hedge)) {
      TSetRef operand = writable(pop());
      operand->Hedge(hedge);
      stack.push_back(std::move(operand));
    } else if (item.Role == erHedgeOperator && IsFuzzyHedgeOperator(text, modifyType, modifyY)) {
      TSetRef right = pop();
      if (stack.empty()) ParseError(kEvalMethod, LoadResString(SFzyMissingOperand), {token->ToString()});
      TSetRef left = writable(pop());
      left->Hedge(modifyType, right->MeanOfMaxima(), modifyY);
      stack.push_back(std::move(left));
    } else if (item.Role == erKeyword && IsFuzzyKeyword(text, isUnion, operation)) {
      TSetRef right = pop();
      if (stack.empty()) ParseError(kEvalMethod, LoadResString(SFzyMissingOperand), {token->ToString()});
      TSetRef left = pop();
      // The result's expression holds both operands' texts: refused before it is written when
      // both are already long, so that chains naming a set twice cannot double it further.
      if (OperandTextSize(left) > static_cast<std::size_t>(kMaxOperandText) &&
          OperandTextSize(right) > static_cast<std::size_t>(kMaxOperandText)) {
        ParseError(kEvalMethod, LoadResString(SFzyExpressionTextTooLong), {token->ToString(), kMaxOperandText});
      }
      TSetRef combined = isUnion ? left->Union(TForm::Raw(right), operation)
                                 : left->Intersection(TForm::Raw(right), operation);
      TForm::AddWorkingSet(*this, TForm::Raw(combined));
      stack.push_back(std::move(combined));
    } else {
      // Not reached while the roles and the lookups agree; kept so that no token passes unjudged.
      ParseError(kEvalMethod, LoadResString(SFzyInvalidToken), {token->ToString()});
    }
  }
  // Operands without an operator between them are dropped; the last one is the result.
  return stack.back();
}

TFuzzySet* TKVFuzzyLogicParser::EvaluatePostfix(TFuzzyVariable* Variable, std::span<const TExpressionItem> Postfix) {
  return EvaluatePostfixOf<TCollectionForm>(Variable, Postfix);
}

Intf<IFuzzySet> TKVFuzzyLogicParser::EvaluatePostfix(IFuzzyVariable* Variable,
                                                     std::span<const TExpressionItem> Postfix) {
  return EvaluatePostfixOf<TInterfaceForm>(Variable, Postfix);
}

// --- Operands

template <typename TForm>
typename TForm::TSetRef TKVFuzzyLogicParser::EmptySetOf(typename TForm::TVariableRef Variable) {
  if (Variable == nullptr) ParseError(kEvalMethod, LoadResString(SFzyUndefinedVariable));
  return TForm::EmptySet(*this, Variable);
}

TFuzzySet* TKVFuzzyLogicParser::GetEmptyFuzzySet(TFuzzyVariable* Variable) {
  return EmptySetOf<TCollectionForm>(Variable);
}

Intf<IFuzzySet> TKVFuzzyLogicParser::GetEmptyFuzzySet(IFuzzyVariable* Variable) {
  return EmptySetOf<TInterfaceForm>(Variable);
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
      const std::string text = Token->GetText();
      if (text.empty() || text == SEmptyFuzzy) return EmptySetOf<TForm>(Variable);
      TSetRef found = TForm::FindTerm(Variable, text);
      if (!found) ParseError(kEvalMethod, LoadResString(SFzyInvalidToken), {Token->ToString()});
      return found;
    }
    case fstInteger:
    case fstFloat: {
      // A crisp spike held inside the variable's range, as the point store would hold it. The
      // number is clamped here as well, so that all three points of the spike stand on the
      // range end whatever the point store makes of a new point's first X.
      const std::string name = Token->ToString();
      TSetRef result = TForm::NewWorkingSet(*this, Variable, name);
      TFzyFloat n = Token->GetNumber();
      if (n < Variable->GetMinimum()) n = Variable->GetMinimum();
      if (n > Variable->GetMaximum()) n = Variable->GetMaximum();
      result->CreateTriangleFunctionValues(n, n, n);
      TForm::SetNumberExpression(TForm::Raw(result), name);
      return result;
    }
    case fstVariable:
      return EvalBindingOf<TForm>(Variable, Token);
    case fstList: {
      TSetRef result = TForm::NewWorkingSet(*this, Variable, Token->ToString());
      const Intf<IFuzzyStreamTokenList> list = Token->GetList();
      if (!list || list->GetValueCount() == 0) {
        ParseError(kEvalMethod, LoadResString(SFzyInvalidToken), {Token->ToString()});
      }
      IFuzzyStreamToken* first = list->Get(0);
      if (first == nullptr) ParseError(kEvalMethod, LoadResString(SFzyInvalidToken), {Token->ToString()});
      if (first->GetDataType() == fstList) return ConvertListToValuesOf<TForm>(TForm::Raw(result), list.get());
      // A function call: the name leaves the argument list.
      const std::string funcName = first->ToString();
      list->Delete(0);
      TSetRef called = TForm::CallFunction(*this, TForm::Raw(result), funcName, list.get());
      // A host's handler may claim the call and hand over a set of its own, or none: then
      // both are the host's business.
      if (TForm::Raw(called) != TForm::Raw(result)) TForm::ForgetWorkingSet(*this, TForm::Raw(result));
      if (!called) ParseError(kEvalMethod, LoadResString(SFzyInvalidToken), {Token->ToString()});
      return called;
    }
    case TForm::kCarriedSetKind: {
      // A set of this form handed in by a host (in the collection form an object of another
      // class is an invalid cast); the other form's set-carrying kind is no operand here.
      TSetRef carried = TForm::CarriedSet(Token);
      if (!carried) ParseError(kEvalMethod, LoadResString(SFzyInvalidToken), {Token->ToString()});
      return carried;
    }
    default:
      ParseError(kEvalMethod, LoadResString(SFzyInvalidToken), {Token->ToString()});
  }
}

TFuzzySet* TKVFuzzyLogicParser::EvalFuzzyExpression(TFuzzyVariable* Variable, IFuzzyStreamToken* Token) {
  return EvalOperand<TCollectionForm>(Variable, Token);
}

Intf<IFuzzySet> TKVFuzzyLogicParser::EvalFuzzyExpression(IFuzzyVariable* Variable, IFuzzyStreamToken* Token) {
  return EvalOperand<TInterfaceForm>(Variable, Token);
}

template <typename TForm>
typename TForm::TSetRef TKVFuzzyLogicParser::EvalBindingOf(typename TForm::TVariableRef Variable,
                                                           IFuzzyStreamToken* Token) {
  const TCustomFuzzyLogic* logic = GetFuzzyLogic();
  if (logic == nullptr) ParseError(kEvalMethod, LoadResString(SFzyBindingWithoutLogic), {Token->ToString()});
  const std::string name = Token->GetText();
  // The Variables list ignores case, so ?X and ?x are one binding.
  for (const std::string& active : FActiveBindings) {
    if (SameText(active, name)) ParseError(kEvalMethod, LoadResString(SFzyRecursiveBinding), {Token->ToString()});
  }
  if (FActiveBindings.size() >= static_cast<std::size_t>(kMaxBindingDepth)) {
    ParseError(kEvalMethod, LoadResString(SFzyBindingTooDeep), {kMaxBindingDepth});
  }
  const std::string value = logic->GetVariables()->GetValue(name);

  typename TForm::TSetRef result{};
  {
    TBindingScope scope(FActiveBindings, name);
    // The evaluation of the value hands its result to this one, and counts its work against
    // the top one's.
    if (FEvaluation != nullptr) FEvaluation->Expanding = Token->ToString();
    FBindingOuter = FEvaluation;
    struct TReset {
      TEvaluation*& Pending;
      ~TReset() { Pending = nullptr; }
    } reset{FBindingOuter};
    result = EvalFuzzyExpression(Variable, value);  // virtual: a descendant's form is honoured
  }
  if (!result) ParseError(kEvalMethod, LoadResString(SFzyInvalidToken), {Token->ToString()});
  // A term stays as defined; the binding's own set is a clone named after the binding.
  if (result->GetDefined()) result = TForm::BindingCopy(*this, TForm::Raw(result));
  result->SetName(Token->ToString());
  return result;
}

TFuzzySet* TKVFuzzyLogicParser::EvalBinding(TFuzzyVariable* Variable, IFuzzyStreamToken* Token) {
  return EvalBindingOf<TCollectionForm>(Variable, Token);
}

Intf<IFuzzySet> TKVFuzzyLogicParser::EvalBinding(IFuzzyVariable* Variable, IFuzzyStreamToken* Token) {
  return EvalBindingOf<TInterfaceForm>(Variable, Token);
}

template <typename TForm>
typename TForm::TSetRef TKVFuzzyLogicParser::ConvertListToValuesOf(typename TForm::TSet* FuzzySet,
                                                                   IFuzzyStreamTokenList* List) {
  const Integer count = List != nullptr ? List->GetValueCount() : 0;
  for (Integer I = 0; I < count; ++I) {
    IFuzzyStreamToken* item = List->Get(I);
    Intf<IFuzzyStreamTokenList> pair;
    if (item != nullptr && item->GetDataType() == fstList) pair = item->GetList();
    if (!pair || pair->GetValueCount() != 2) {
      ParseError(kConvertMethod, LoadResString(SFzyInvalidValuePair), {PrintedForm(item)});
    }
    const IFuzzyStreamToken* x = pair->Get(0);
    const IFuzzyStreamToken* y = pair->Get(1);
    if (!IsNumberToken(x) || !IsNumberToken(y)) ParseError(kConvertMethod, LoadResString(SFzyExpectedNumber));
    // One point at a time, each under the point list's own rules (range, order, at most three
    // points on one X).
    TForm::AddPoint(FuzzySet, x->GetNumber(), y->GetNumber());
  }
  return FuzzySet;
}

TFuzzySet* TKVFuzzyLogicParser::ConvertListToValues(TFuzzySet* FuzzySet, IFuzzyStreamTokenList* List) {
  return ConvertListToValuesOf<TCollectionForm>(FuzzySet, List);
}

Intf<IFuzzySet> TKVFuzzyLogicParser::ConvertListToValues(IFuzzySet* FuzzySet, IFuzzyStreamTokenList* List) {
  return ConvertListToValuesOf<TInterfaceForm>(FuzzySet, List);
}

// --- Postfix order

void TKVFuzzyLogicParser::FillExpression(const TInterfaceListPersistent* Source, IFuzzyStreamTokenList* Dest) {
  // Nested lists are walked with an explicit stack, so no nesting can exhaust the call stack.
  struct TFrame {
    const TInterfaceListPersistent* List;
    Integer Next;
  };
  std::vector<TFrame> frames;
  frames.push_back({Source, 0});
  while (!frames.empty()) {
    TFrame& frame = frames.back();
    if (frame.List == nullptr || frame.Next >= frame.List->GetCount()) {
      frames.pop_back();
      continue;
    }
    IInterface* item = frame.List->Get(frame.Next++);
    if (const auto* nested = dynamic_cast<const TInterfaceListPersistent*>(item)) {
      frames.push_back({nested, 0});  // frame is not used after this
      continue;
    }
    Dest->Add(AsFuzzyToken(item));
  }
}

bool TKVFuzzyLogicParser::IsOpenParen(IInterface* Item) const {
  const IFuzzyStreamToken* token = FindIntf<IFuzzyStreamToken>(Item);
  return token != nullptr && token->GetText() == LeftFuzzyParentheses;
}

bool TKVFuzzyLogicParser::IsCloseParen(IInterface* Item) const {
  const IFuzzyStreamToken* token = FindIntf<IFuzzyStreamToken>(Item);
  return token != nullptr && token->GetText() == RightFuzzyParentheses;
}

bool TKVFuzzyLogicParser::IsOperand(IInterface* Item) const {
  // A quoted "and" is the keyword; a punctuation token other than a bracket is an operand,
  // which the operand evaluation then rejects.
  return GetExpressionRole(AsFuzzyToken(Item)) == erOperand;
}

// The priorities of kInStackPriority and kIncomingPriority, told by the token's text alone.
Integer TKVFuzzyLogicParser::InStackPriority(IInterface* Item) const {
  const IFuzzyStreamToken* token = FindIntf<IFuzzyStreamToken>(Item);
  if (token == nullptr) return 1;
  const std::string text = token->GetText();
  if (text == LeftFuzzyParentheses) return 4;
  if (IsKeywordText(text)) return 3;
  if (IsFuzzyHedgeOperator(text)) return 3;
  if (IsFuzzyHedge(text)) return 2;
  return 1;
}

Integer TKVFuzzyLogicParser::IncomingPriority(IInterface* Item) const {
  const IFuzzyStreamToken* token = FindIntf<IFuzzyStreamToken>(Item);
  if (token == nullptr) return 1;
  const std::string text = token->GetText();
  if (text == LeftFuzzyParentheses) return 0;
  if (IsKeywordText(text)) return 3;
  if (IsFuzzyHedgeOperator(text)) return 3;
  if (IsFuzzyHedge(text)) return 1;
  return 1;
}

}  // namespace tarnwick
