// What the tests of the interface-based model share: counted set and variable classes that
// report their lives to the instance counter, set builders, the points of an IFuzzySet, a
// variable's event log, and parsers that print or count.
#ifndef TARNWICK_TESTS_MODEL_IMODELTESTSUPPORT_H_
#define TARNWICK_TESTS_MODEL_IMODELTESTSUPPORT_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ModelTestSupport.h"
#include "TestSupport.h"
#include "tarnwick/model/FuzzyParserBase.h"
#include "tarnwick/model/IFuzzyLogic.h"

namespace tarnwick::test {

// A TIFuzzySet counted in gAlive; every set it makes (operation results, clones, cuts) is one
// too, so that the counter sees every set of a test.
class TCountedISet : public TIFuzzySet {
 public:
  TCountedISet(IFuzzyVariable* Variable, const std::string& Name) : TIFuzzySet(Variable, Name) { ++gAlive; }
  explicit TCountedISet(TCollection* Collection) : TIFuzzySet(Collection) { ++gAlive; }
  ~TCountedISet() override { --gAlive; }
  TIFuzzySet* NewInstance(IFuzzyVariable* Variable, const std::string& Name) const override {
    return new TCountedISet(Variable, Name);
  }

 protected:
  TFuzzySet* NewInstance(TCollection* Collection) const override { return new TCountedISet(Collection); }
};

// A TIFuzzyVariable counted in gAlive whose sets are TCountedISet.
class TCountedIVariable : public TIFuzzyVariable {
 public:
  explicit TCountedIVariable(const std::string& Name)
      : TIFuzzyVariable(Name, TIFuzzySetClass::Of<TCountedISet>()) {
    ++gAlive;
  }
  ~TCountedIVariable() override { --gAlive; }
  TIFuzzyVariable* NewInstance(const std::string& Name) const override { return new TCountedIVariable(Name); }
};

// A counted variable over [Min, Max].
inline Intf<IFuzzyVariable> MakeIVariable(const std::string& Name, TFzyFloat Min = 0, TFzyFloat Max = 10) {
  Intf<IFuzzyVariable> Result(new TCountedIVariable(Name));
  Result->SetMaximum(Max);
  Result->SetMinimum(Min);
  return Result;
}

// A counted set of Variable (none allowed), not stored, with Points added in one update block.
inline Intf<IFuzzySet> MakeISet(IFuzzyVariable* Variable, const std::string& Name, const std::vector<Pt>& Points) {
  Intf<IFuzzySet> Result(new TCountedISet(Variable, Name));
  Result->BeginUpdate();
  for (const Pt& P : Points) Result->Add(P.X, P.Y);
  Result->EndUpdate();
  return Result;
}

// A stored set of Variable with Points.
inline Intf<IFuzzySet> AddISet(IFuzzyVariable* Variable, const std::string& Name, const std::vector<Pt>& Points) {
  Intf<IFuzzySet> Result = Variable->Add(Name);
  Result->BeginUpdate();
  for (const Pt& P : Points) Result->Add(P.X, P.Y);
  Result->EndUpdate();
  return Result;
}

inline std::vector<Pt> PointsOf(const IFuzzySet* Set) {
  std::vector<Pt> Result;
  for (Integer I = 0; I < Set->GetCount(); ++I) Result.push_back({Set->GetXValues(I), Set->GetYValues(I)});
  return Result;
}

inline std::vector<Pt> PointsOf(const Intf<IFuzzySet>& Set) { return PointsOf(Set.get()); }

// The number of counted references to Set (a TIFuzzySet).
inline std::int32_t RefCountOf(IFuzzySet* Set) { return dynamic_cast<TIFuzzySet&>(*Set).GetRefCount(); }

// Every event of one variable as a line, in the order they fire; the table's own OnChange too.
class TIEventLog {
 public:
  explicit TIEventLog(IFuzzyVariable& Variable) {
    Variable.SetOnChange([this](TObject*) { Events.push_back("OnChange"); });
    Variable.SetOnVariableChange([this](IFuzzyVariable* V) { Events.push_back("OnVariableChange(" + V->GetName() + ")"); });
    Variable.SetOnFuzzySetAdded([this](IFuzzyVariable*, IFuzzySet* S) {
      Events.push_back("OnFuzzySetAdded(" + S->GetName() + ")");
    });
    Variable.SetOnFuzzySetDeleted([this](IFuzzyVariable*, IFuzzySet* S) {
      Events.push_back("OnFuzzySetDeleted(" + S->GetName() + ")");
    });
    Variable.SetOnFuzzySetChange([this](IFuzzyVariable*, IFuzzySet* S) {
      Events.push_back("OnFuzzySetChange(" + S->GetName() + ")");
    });
    if (auto* Concrete = dynamic_cast<TIFuzzyVariable*>(&Variable))
      Concrete->GetItems()->SetOnChange([this](TObject*) { Events.push_back("Items.OnChange"); });
  }

  std::vector<std::string> Take() {
    std::vector<std::string> Result;
    Result.swap(Events);
    return Result;
  }

  std::vector<std::string> Events;
};

// A parser component that prints a set as "<set name>" and a variable as "<variable name>";
// everything else is the base's.
class TNamePrinter : public TCustomFuzzyLogicParser {
 public:
  using TCustomFuzzyLogicParser::TCustomFuzzyLogicParser;
  using TCustomFuzzyLogicParser::PrettyPrint;
  std::string PrettyPrint(IFuzzySet* FuzzySet, bool) override { return "<" + FuzzySet->GetName() + ">"; }
  std::string PrettyPrint(IFuzzyVariable* FuzzyVariable) override { return "<" + FuzzyVariable->GetName() + ">"; }
};

// A parser that is no component but a counted object of a host, counted in gAlive.
class TCountedParser : public TInterfacedObject, public virtual IFuzzyParser {
 public:
  TCountedParser() { ++gAlive; }
  ~TCountedParser() override { --gAlive; }
  TFzyFloat EvalFuzzyExpression(IFuzzyVariable*, const std::string&, Intf<IFuzzySet>&) override { return 0; }
  Intf<IFuzzySet> EvalFuzzyExpression(IFuzzyVariable*, const std::string&) override { return nullptr; }
  Intf<IFuzzySet> ParseFuzzySet(IFuzzyVariable*, const std::string&, const TEncoding*) override { return nullptr; }
  Intf<IFuzzyVariable> ParseFuzzyVariableIntf(const std::string&, const TEncoding*) override { return nullptr; }
  std::string PrettyPrint(IFuzzySet*, bool) override { return "counted set"; }
  std::string PrettyPrint(IFuzzyVariable*) override { return "counted variable"; }

 protected:
  void* GetInterface(const TGUID& IID) noexcept override {
    if (void* P = GetInterfaceOf<IFuzzyParser>(this, IID)) return P;
    return TInterfacedObject::GetInterface(IID);
  }
};

}  // namespace tarnwick::test

#endif  // TARNWICK_TESTS_MODEL_IMODELTESTSUPPORT_H_
