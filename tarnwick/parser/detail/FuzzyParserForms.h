// The two forms of the model as the parser reads, evaluates and prints them. The definition
// parser, the expression evaluator and the printer are written once, as templates over a form;
// every place where the collection-based form (TFuzzyVariable, TFuzzySet) and the
// interface-based form (IFuzzyVariable, IFuzzySet) differ is a member of the two structs
// below, which stand side by side row by row. Only a definition as a whole differs in most of
// its steps (where the variable comes from, when it joins the logic, what an error leaves):
// ParseFuzzyVariable and ParseFuzzyVariableIntf stand side by side in KVFuzzyLogicParser.cpp
// and share the reading of the clauses. Nothing else in the parser tells the forms apart.
//
// Used by the parser's own sources only.
#ifndef TARNWICK_PARSER_DETAIL_FUZZYPARSERFORMS_H_
#define TARNWICK_PARSER_DETAIL_FUZZYPARSERFORMS_H_

#include <algorithm>
#include <string>
#include <vector>

#include "tarnwick/model/FuzzyConsts.h"
#include "tarnwick/model/FuzzyInterfaces.h"
#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/model/FuzzyVariable.h"
#include "tarnwick/model/IFuzzyLogic.h"
#include "tarnwick/parser/KVFuzzyLogicParser.h"
#include "tarnwick/platform/Interfaces.h"

namespace tarnwick::detail {

// The collection-based form: sets are items of their variable's collection, which owns them;
// the parser holds them by plain pointers.
struct TCollectionForm {
  using TVariable = TFuzzyVariable;
  using TSet = TFuzzySet;
  // How the parser passes a variable, holds a set it works on, and holds a set it prints.
  using TVariableRef = TFuzzyVariable*;
  using TSetRef = TFuzzySet*;
  using TConstSetRef = const TFuzzySet*;

  static TFuzzySet* Raw(TFuzzySet* Set) noexcept { return Set; }

  // --- Definitions

  // The set a point list or a function call fills: a new, unnamed item of V's sets.
  static TSetRef NewTermSet(TKVFuzzyLogicParser&, TFuzzyVariable* V) { return V->GetItems()->Add(); }
  // One point, under the point list's rules.
  static void AddPoint(TFuzzySet* Set, TFzyFloat X, TFzyFloat Y) { Set->GetValues()->Add(X, Y); }
  // The term's set takes the term's name; it is an item of V's collection whatever its name.
  static void NameTerm(TFuzzyVariable*, TFuzzySet* Set, const std::string& Name) { Set->SetName(Name); }
  // A function call whose handler delivered another set than the one made for the term: the
  // unused set stays, unnamed and not Defined, where it neither prints nor reads.
  static void DropUnusedTermSet(TFuzzyVariable*, TFuzzySet*) {}
  static void DoParseFuzzySet(TKVFuzzyLogicParser& Parser, TFuzzyVariable*, TFuzzySet* Set) {
    Parser.DoParseFuzzySet(Set);
  }

  // --- Expressions

  // The set of V named Text, or nullptr.
  static TSetRef FindTerm(TFuzzyVariable* V, const std::string& Text) {
    return static_cast<TFuzzySet*>(V->GetItems()->Find(Text));
  }
  // V's set named SEmptyFuzzy, made when there is none; one made here is a working set like
  // any other (a binding without a value renames it, and one evaluation may make many).
  static TSetRef EmptySet(TKVFuzzyLogicParser& Parser, TFuzzyVariable* V) {
    if (TFuzzySet* Found = FindTerm(V, SEmptyFuzzy)) return Found;
    TFuzzySet* Empty = V->GetItems()->Add(SEmptyFuzzy);  // a set of that name is never Defined
    Parser.AddWorkingSet(Empty);
    return Empty;
  }
  // A set the evaluation works on (a number, a point list, a function call): an item of V's
  // collection that is not Defined, so that it never prints as a term, and that the
  // evaluation frees unless it becomes its result.
  static TSetRef NewWorkingSet(TKVFuzzyLogicParser& Parser, TFuzzyVariable* V, const std::string& Name) {
    TFuzzySet* Set = V->GetItems()->Add(Name);
    Set->SetDefined(false);
    Parser.AddWorkingSet(Set);
    return Set;
  }
  // A number's set carries the number as its expression.
  static void SetNumberExpression(TFuzzySet* Set, const std::string& Text) { Set->SetExpression(Text); }
  // The copy a hedge changes in place of a Defined set: a new item of V, not Defined, with
  // the source's name, points, set type, inflection point and expression.
  static TSetRef CopyBeforeHedge(TKVFuzzyLogicParser& Parser, TFuzzyVariable* V, TFuzzySet* Source) {
    TFuzzySet* Copy = V->GetItems()->Add();
    Parser.AddWorkingSet(Copy);
    Copy->Assign(Source);
    return Copy;
  }
  // A binding's own copy of a Defined set: an item of the set's collection.
  static TSetRef BindingCopy(TKVFuzzyLogicParser& Parser, TFuzzySet* Source) {
    TFuzzySet* Copy = Source->Clone();
    Parser.AddWorkingSet(Copy);
    return Copy;
  }
  // The sets the evaluation made (an operator's result, among others) are freed when it ends,
  // but for its result; one it hands to a host is forgotten.
  static void AddWorkingSet(TKVFuzzyLogicParser& Parser, TFuzzySet* Set) { Parser.AddWorkingSet(Set); }
  static void ForgetWorkingSet(TKVFuzzyLogicParser& Parser, TFuzzySet* Set) { Parser.ForgetWorkingSet(Set); }
  static void FinishEvaluation(TKVFuzzyLogicParser& Parser, TFuzzySet* Seen, TFuzzySet* Result, TFuzzyVariable* V) {
    Parser.FinishEvaluation(Seen, Result, V);
  }
  // The token kind that carries a set of this form, and its set (an object of another class
  // raises EInvalidCast).
  static constexpr TFuzzyStreamTokenType kCarriedSetKind = fstFuzzySet;
  static TSetRef CarriedSet(IFuzzyStreamToken* Token) { return CheckedCast<TFuzzySet>(Token->GetObjValue()); }
  static TSetRef CallFunction(TKVFuzzyLogicParser& Parser, TFuzzySet* Set, const std::string& FuncName,
                              IFuzzyStreamTokenList* List) {
    return Parser.CalcFuzzyFunction(Set, FuncName, List);
  }
  static void DoEvalExpression(TKVFuzzyLogicParser& Parser, TFuzzyVariable* V, const std::string& Text,
                               TSetRef& Result) {
    Parser.DoEvalExpression(V, Text, Result);
  }
  static bool HasEvalHandler(const TKVFuzzyLogicParser& Parser) { return bool(Parser.GetOnEvalExpression()); }

  // --- Printing

  // A set printed by value (not as a definition) whose name is empty or SEmptyFuzzy: its
  // expression.
  static std::string UnnamedValueText(const TFuzzySet* Set) { return Set->GetExpression(); }
  static Integer PointCount(const TFuzzySet* Set) { return Set->GetValues()->GetCount(); }
  static TFzyFloat PointX(const TFuzzySet* Set, Integer I) { return (*Set->GetValues())[I]->GetX(); }
  static TFzyFloat PointY(const TFuzzySet* Set, Integer I) { return (*Set->GetValues())[I]->GetY(); }
  // The range the set's points are held in: its variable's, or unbounded without one.
  static TFzyFloat RangeLow(const TFuzzySet* Set) { return Set->GetXRange(1); }
  static TFzyFloat RangeHigh(const TFuzzySet* Set) { return Set->GetXRange(0); }
  // The Defined sets of V in the order they print: their place in V's collection.
  static std::vector<TConstSetRef> TermsInOrder(const TFuzzyVariable* V) {
    std::vector<TConstSetRef> Terms;
    const TFuzzySets& Items = *V->GetItems();
    for (std::int32_t I = 0; I < Items.GetCount(); ++I)
      if (Items[I]->GetDefined()) Terms.push_back(Items[I]);
    return Terms;
  }
  // Whether an expression of Set may name Text: a Defined set of Set's variable that prints
  // before Set.
  static bool PrintsBefore(const TFuzzySet* Set, const std::string& Text) {
    const TFuzzyVariable* V = Set->GetVariable();
    if (V == nullptr) return false;
    const TFuzzySets& Items = *V->GetItems();
    const std::int32_t Index = Items.IndexOf(Text);
    return Index >= 0 && Index < Set->GetIndex() && Items[Index]->GetDefined();
  }
  static bool HasVariable(const TFuzzySet* Set) { return Set->GetVariable() != nullptr; }
};

// The interface-based form: sets and variables are counted objects, and a variable's table
// holds its Defined sets by name. The parser holds sets by counted references, so the sets it
// makes while it works die when it drops them.
struct TInterfaceForm {
  using TVariable = IFuzzyVariable;
  using TSet = IFuzzySet;
  using TVariableRef = IFuzzyVariable*;
  using TSetRef = Intf<IFuzzySet>;
  using TConstSetRef = Intf<IFuzzySet>;

  static IFuzzySet* Raw(const Intf<IFuzzySet>& Set) noexcept { return Set.get(); }

  // --- Definitions

  // A new set of V under a unique name "FuzzySet<n>", stored until the term renames it.
  static TSetRef NewTermSet(TKVFuzzyLogicParser& Parser, IFuzzyVariable* V) { return V->Add(Parser.GetUniqueName()); }
  // One point, under the point list's edit rules as the collection form adds it (at most
  // three points on one X), so that a list reads as the same points in both forms and reads
  // back from its print as it was. IFuzzySet::Add places each point in an update block of its
  // own, whose clean-up keeps more points on one X than a printed point list can hold; a set
  // of another implementation has nothing else to offer.
  static void AddPoint(IFuzzySet* Set, TFzyFloat X, TFzyFloat Y) {
    if (auto* Own = dynamic_cast<TIFuzzySet*>(Set))
      Own->GetValues()->TFuzzySetValues::Add(X, Y);
    else
      Set->Add(X, Y);
  }
  // The term's set is Defined before it takes the term's name, so that the renaming stores it
  // under that name, whatever made it (an "and" or "or" makes a set no table holds); a set of
  // another variable moves to V. A name the set refuses (a reserved word) leaves it out of V's
  // table, so that it does not stay there as a term under its unique name.
  static void NameTerm(IFuzzyVariable* V, IFuzzySet* Set, const std::string& Name) {
    Set->SetDefined(true);
    try {
      Set->SetName(Name);
    } catch (...) {
      V->Remove(Set);
      throw;
    }
    if (V->ContainsFuzzySet(Name).get() != Set) V->Add(Set);
  }
  // The set made for a function call whose handler delivered another: out of V's table, so
  // that it does not stay behind as a term under its unique name.
  static void DropUnusedTermSet(IFuzzyVariable* V, IFuzzySet* Set) { V->Remove(Set); }
  static void DoParseFuzzySet(TKVFuzzyLogicParser& Parser, IFuzzyVariable* V, IFuzzySet* Set) {
    Parser.DoParseFuzzySetIntf(V, Set);
  }

  // --- Expressions

  static TSetRef FindTerm(IFuzzyVariable* V, const std::string& Text) { return V->ContainsFuzzySet(Text); }
  static TSetRef EmptySet(TKVFuzzyLogicParser&, IFuzzyVariable* V) {
    if (Intf<IFuzzySet> Found = V->ContainsFuzzySet(SEmptyFuzzy)) return Found;
    return V->Add(SEmptyFuzzy);  // never Defined, so not stored
  }
  // A set of V's set class that no table holds: made under the name SEmptyFuzzy, which the
  // variable creates not Defined and does not store, then renamed. A working set is not
  // Defined, so it never becomes a term of V; it dies with the last reference to it.
  static TSetRef NewWorkingSet(TKVFuzzyLogicParser&, IFuzzyVariable* V, const std::string& Name) {
    Intf<IFuzzySet> Set = V->Add(SEmptyFuzzy);
    Set->SetName(Name);
    return Set;
  }
  // A number's set keeps the expression it was made with.
  static void SetNumberExpression(IFuzzySet*, const std::string&) {}
  // A copy of V that no table holds, with the source's name, points, set type, inflection
  // point, expression and parser; the hedge then derives its name and expression from the
  // source's, and the source stays where it is.
  static TSetRef CopyBeforeHedge(TKVFuzzyLogicParser&, IFuzzyVariable* V, IFuzzySet* Source) {
    Intf<IFuzzySet> Copy = AsIntf<IFuzzySet>(Source->Clone());
    if (Copy->GetVariable().get() != V) Copy->SetVariable(V);
    return Copy;
  }
  static TSetRef BindingCopy(TKVFuzzyLogicParser&, IFuzzySet* Source) { return AsIntf<IFuzzySet>(Source->Clone()); }
  // Counted references free the sets an evaluation made; nothing to keep track of.
  static void AddWorkingSet(TKVFuzzyLogicParser&, IFuzzySet*) {}
  static void ForgetWorkingSet(TKVFuzzyLogicParser&, IFuzzySet*) {}
  static void FinishEvaluation(TKVFuzzyLogicParser&, IFuzzySet*, IFuzzySet*, IFuzzyVariable*) {}
  static constexpr TFuzzyStreamTokenType kCarriedSetKind = fstIFuzzySet;
  static TSetRef CarriedSet(IFuzzyStreamToken* Token) { return Token->GetFuzzySetIntf(); }
  static TSetRef CallFunction(TKVFuzzyLogicParser& Parser, IFuzzySet* Set, const std::string& FuncName,
                              IFuzzyStreamTokenList* List) {
    return Parser.CalcFuzzyFunction(Set, FuncName, List);
  }
  static void DoEvalExpression(TKVFuzzyLogicParser& Parser, IFuzzyVariable* V, const std::string& Text,
                               TSetRef& Result) {
    Parser.DoEvalExpressionIntf(V, Text, Result);
  }
  static bool HasEvalHandler(const TKVFuzzyLogicParser& Parser) { return bool(Parser.GetOnEvalExpressionIntf()); }

  // --- Printing

  // An unnamed set printed by value: nothing.
  static std::string UnnamedValueText(const IFuzzySet*) { return std::string(); }
  static Integer PointCount(const IFuzzySet* Set) { return Set->GetCount(); }
  static TFzyFloat PointX(const IFuzzySet* Set, Integer I) { return Set->GetXValues(I); }
  static TFzyFloat PointY(const IFuzzySet* Set, Integer I) { return Set->GetYValues(I); }
  // The variable's range; without one, the set's own first and last X, which hold every point.
  static TFzyFloat RangeLow(const IFuzzySet* Set) { return Set->GetXMinimum(); }
  static TFzyFloat RangeHigh(const IFuzzySet* Set) { return Set->GetXMaximum(); }
  // The Defined sets of V in ascending Index, the order the table stored them in.
  static std::vector<TConstSetRef> TermsInOrder(const IFuzzyVariable* V) {
    std::vector<TConstSetRef> Terms;
    for (Integer I = 0; I < V->GetCount(); ++I) {
      Intf<IFuzzySet> Set = V->GetFuzzySet(I);
      if (Set->GetDefined()) Terms.push_back(std::move(Set));
    }
    std::stable_sort(Terms.begin(), Terms.end(),
                     [](const Intf<IFuzzySet>& A, const Intf<IFuzzySet>& B) { return A->GetIndex() < B->GetIndex(); });
    return Terms;
  }
  static bool PrintsBefore(const IFuzzySet* Set, const std::string& Text) {
    const Intf<IFuzzyVariable> V = Set->GetVariable();
    if (!V) return false;
    const Intf<IFuzzySet> Found = V->ContainsFuzzySet(Text);
    return Found && Found->GetDefined() && Found->GetIndex() < Set->GetIndex();
  }
  static bool HasVariable(const IFuzzySet* Set) { return bool(Set->GetVariable()); }
};

}  // namespace tarnwick::detail

#endif  // TARNWICK_PARSER_DETAIL_FUZZYPARSERFORMS_H_
