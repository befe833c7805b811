// A parser of a toy language for the logic component tests of both forms, so that they test
// the component and not the definition language.
#ifndef TARNWICK_TESTS_MODEL_LINEPARSER_H_
#define TARNWICK_TESTS_MODEL_LINEPARSER_H_

#include <sstream>
#include <string>
#include <vector>

#include "tarnwick/model/FuzzyLogicComponent.h"
#include "tarnwick/model/FuzzyParserBase.h"
#include "tarnwick/model/IFuzzyLogic.h"

namespace tarnwick::test {

// One variable per line, "name min max" (0 and 1 when left out); the line "!" raises, to show
// what a failed parse leaves behind. Into a TFuzzyLogic each line becomes a variable of its
// Items; into a TIFuzzyLogic a variable of its ItemClass with this parser, stored with the
// table's Put. A variable prints as "(var name)", with its units on a second line when
// Multiline, and the one named FailOn refuses to print; a set prints as "(set name)". Every
// text and encoding given is kept, prints are counted, and each parse is recorded in Log (when
// given) with the number of variables the logic has as it starts.
class TLineParser : public TCustomFuzzyLogicParser {
 public:
  explicit TLineParser(TComponent* AOwner, std::vector<std::string>* Log = nullptr)
      : TCustomFuzzyLogicParser(AOwner), FLog(Log) {}

  void ParseFuzzyLogic(const std::string& AString, const TEncoding* Encoding) override {
    Texts.push_back(AString);
    Encodings.push_back(Encoding);
    auto* Logic = dynamic_cast<TFuzzyLogic*>(GetFuzzyLogic());
    auto* ILogic = dynamic_cast<TIFuzzyLogic*>(GetFuzzyLogic());
    const int Count = Logic ? Logic->GetItems()->GetCount() : ILogic ? ILogic->GetItems()->GetCount() : -1;
    if (FLog) FLog->push_back("ParseFuzzyLogic with " + std::to_string(Count) + " variables");
    std::istringstream In(AString);
    std::string Line;
    while (std::getline(In, Line)) {
      if (!Line.empty() && Line.back() == '\r') Line.pop_back();
      if (Line.empty()) continue;
      if (Line == "!") throw EFzyException("bad definition");
      std::istringstream Words(Line);
      std::string Name;
      TFzyFloat Min = 0;
      TFzyFloat Max = 1;
      Words >> Name >> Min >> Max;
      if (Logic != nullptr) {
        TFuzzyVariable* V = Logic->GetItems()->Add(Name);
        V->SetMaximum(Max);
        V->SetMinimum(Min);
      } else if (ILogic != nullptr) {
        Intf<IFuzzyVariable> V(ILogic->GetItemClass().Create(Name));
        V->SetMaximum(Max);
        V->SetMinimum(Min);
        V->SetParser(this);
        ILogic->GetItems()->Put(Name, V);
      }
    }
  }

  std::string PrettyPrint(const TFuzzyVariable* V) override { return Print(V->GetName(), V->GetUnits()); }
  std::string PrettyPrint(IFuzzyVariable* V) override { return Print(V->GetName(), V->GetUnits()); }
  std::string PrettyPrint(const TFuzzySet* S, bool) override { return "(set " + S->GetName() + ")"; }
  std::string PrettyPrint(IFuzzySet* S, bool) override { return "(set " + S->GetName() + ")"; }

  std::vector<std::string> Texts;
  std::vector<const TEncoding*> Encodings;
  int Prints = 0;
  bool Multiline = false;
  std::string FailOn;

 private:
  std::string Print(const std::string& Name, const std::string& Units) {
    ++Prints;
    if (Name == FailOn) throw EFzyException("cannot print " + FailOn);
    if (Multiline) return "(var " + Name + "\r\n  (units " + Units + "))";
    return "(var " + Name + ")";
  }
  std::vector<std::string>* FLog;
};

}  // namespace tarnwick::test

#endif  // TARNWICK_TESTS_MODEL_LINEPARSER_H_
