// What the parser tests share: the text of a parse error, and a logic component of either model
// form with its parser, so that one table of texts runs through both forms.
#ifndef TARNWICK_TESTS_PARSER_PARSERTESTSUPPORT_H_
#define TARNWICK_TESTS_PARSER_PARSERTESTSUPPORT_H_

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "tarnwick/model/FuzzyLogicComponent.h"
#include "tarnwick/model/IFuzzyLogic.h"
#include "tarnwick/parser/KVFuzzyLogicParser.h"
#include "tarnwick/platform/Strings.h"

namespace tarnwick::test {

// The message SFzyParseError makes of its four parts.
inline std::string ParseMessage(const std::string& Msg, const std::string& Method, int Line, const std::string& Text) {
  return "Parsing Error, " + Msg + " in " + Method + " at line " + std::to_string(Line) + ": \"" + Text + "\"";
}

enum TModelForm { mfCollection, mfInterface };
inline constexpr TModelForm kBothForms[] = {mfCollection, mfInterface};

inline const char* FormName(TModelForm Form) { return Form == mfCollection ? "collection form" : "interface form"; }

// A logic component of one form (TFuzzyLogic or TIFuzzyLogic) and a parser, linked both ways.
class TFormModel {
 public:
  explicit TFormModel(TModelForm Form) : FForm(Form) {
    if (Form == mfCollection)
      FLogic = std::make_unique<TFuzzyLogic>(nullptr);
    else
      FLogic = std::make_unique<TIFuzzyLogic>(nullptr);
    FLogic->SetParser(&Parser);
    Parser.SetFuzzyLogic(FLogic.get());
  }
  ~TFormModel() { Parser.SetFuzzyLogic(nullptr); }

  TModelForm GetForm() const { return FForm; }
  TCustomFuzzyLogic& Logic() const { return *FLogic; }
  TFuzzyLogic& Collection() const { return dynamic_cast<TFuzzyLogic&>(*FLogic); }
  TIFuzzyLogic& Interface() const { return dynamic_cast<TIFuzzyLogic&>(*FLogic); }

  // Assigns Text as the definition text (which parses it). The string list ends the text with
  // a line end, so an error at the very end of a one-line text stands on line 2.
  void Assign(const std::string& Text) {
    TStringList Lines;
    Lines.SetText(Text);
    FLogic->SetStrings(&Lines);
  }

  // The text printed anew from the model.
  std::string Print() {
    FLogic->UpdateStrings();
    return FLogic->GetStrings()->GetText();
  }

  // --- The model read, by name, in either form
  using TPoints = std::vector<std::pair<double, double>>;

  std::int32_t VariableCount() const {
    return FForm == mfCollection ? Collection().GetItems()->GetCount() : Interface().GetItems()->GetCount();
  }
  bool HasVariable(const std::string& Var) const {
    return FForm == mfCollection ? Collection().GetItems()->IndexOf(Var) >= 0
                                 : bool(Interface().GetItems()->ContainsVariable(Var));
  }
  // Every set of the variable: the collection's items, or the sets its table stores.
  std::int32_t SetCount(const std::string& Var) const {
    return FForm == mfCollection ? CVar(Var)->GetItems()->GetCount() : IVar(Var)->GetCount();
  }
  TFzyFloat Minimum(const std::string& Var) const { return Pick(Var, &TFuzzyVariable::GetMinimum, &IFuzzyVariable::GetMinimum); }
  TFzyFloat Maximum(const std::string& Var) const { return Pick(Var, &TFuzzyVariable::GetMaximum, &IFuzzyVariable::GetMaximum); }
  std::string Comment(const std::string& Var) const {
    return FForm == mfCollection ? CVar(Var)->GetComment() : IVar(Var)->GetComment();
  }
  std::string Units(const std::string& Var) const {
    return FForm == mfCollection ? CVar(Var)->GetUnits() : IVar(Var)->GetUnits();
  }
  // The Defined sets of a variable in the order they print.
  std::vector<std::string> TermNames(const std::string& Var) const {
    std::vector<std::string> Names;
    if (FForm == mfCollection) {
      const TFuzzySets& Sets = *CVar(Var)->GetItems();
      for (std::int32_t I = 0; I < Sets.GetCount(); ++I)
        if (Sets[I]->GetDefined()) Names.push_back(Sets[I]->GetName());
      return Names;
    }
    Intf<IFuzzyVariable> V = IVar(Var);
    std::vector<Intf<IFuzzySet>> Sets;
    for (Integer I = 0; I < V->GetCount(); ++I)
      if (V->GetFuzzySet(I)->GetDefined()) Sets.push_back(V->GetFuzzySet(I));
    std::sort(Sets.begin(), Sets.end(), [](const auto& A, const auto& B) { return A->GetIndex() < B->GetIndex(); });
    for (const auto& S : Sets) Names.push_back(S->GetName());
    return Names;
  }
  TPoints Points(const std::string& Var, const std::string& Set) const {
    TPoints R;
    if (FForm == mfCollection) {
      const TFuzzySetValues& V = *CVar(Var)->GetItems()->GetItemByName(Set)->GetValues();
      for (std::int32_t I = 0; I < V.GetCount(); ++I) R.emplace_back(V[I]->GetX(), V[I]->GetY());
      return R;
    }
    Intf<IFuzzySet> S = IVar(Var)->GetFuzzySetByName(Set);
    for (Integer I = 0; I < S->GetCount(); ++I) R.emplace_back(S->GetXValues(I), S->GetYValues(I));
    return R;
  }
  std::string Expression(const std::string& Var, const std::string& Set) const {
    return FForm == mfCollection ? CVar(Var)->GetItems()->GetItemByName(Set)->GetExpression()
                                 : IVar(Var)->GetFuzzySetByName(Set)->GetExpression();
  }
  // The printed definition of one variable.
  std::string PrintVariable(const std::string& Var) {
    return FForm == mfCollection ? Parser.PrettyPrint(CVar(Var)) : Parser.PrettyPrint(IVar(Var).get());
  }

  TKVFuzzyLogicParser Parser{nullptr};

 private:
  TFuzzyVariable* CVar(const std::string& Name) const { return Collection().GetItems()->GetItemByName(Name); }
  Intf<IFuzzyVariable> IVar(const std::string& Name) const { return Interface().GetItems()->Get(Name); }
  template <typename TC, typename TI>
  TFzyFloat Pick(const std::string& Var, TC C, TI I) const {
    return FForm == mfCollection ? (CVar(Var)->*C)() : (IVar(Var).get()->*I)();
  }

  TModelForm FForm;
  std::unique_ptr<TCustomFuzzyLogic> FLogic;
};

struct TParseError {
  std::string Message;
  std::int32_t Line = -1;
  bool operator==(const TParseError&) const = default;
  friend std::ostream& operator<<(std::ostream& S, const TParseError& E) {
    return S << "line " << E.Line << ": " << E.Message;
  }
};

// The parse error Assign(Text) raises in Model; a failure of the test when it raises none.
inline TParseError ErrorOf(TFormModel& Model, const std::string& Text) {
  try {
    Model.Assign(Text);
  } catch (const EFzyParseException& E) {
    return {E.what(), E.GetLineNumber()};
  }
  ADD_FAILURE() << "no parse error in the " << FormName(Model.GetForm()) << " for " << Text.substr(0, 80);
  return {};
}

// The parse error that the parser's Parse(Text) raises in a new model of Form (the text as it
// stands, no line end added); a failure of the test when it raises none.
inline TParseError ParseErrorIn(TModelForm Form, const std::string& Text) {
  TFormModel Model(Form);
  try {
    Model.Parser.Parse(Text, nullptr);
  } catch (const EFzyParseException& E) {
    return {E.what(), E.GetLineNumber()};
  }
  ADD_FAILURE() << "no parse error in the " << FormName(Form) << " for " << Text.substr(0, 80);
  return {};
}

}  // namespace tarnwick::test

#endif  // TARNWICK_TESTS_PARSER_PARSERTESTSUPPORT_H_
