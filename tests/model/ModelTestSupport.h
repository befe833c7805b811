// What the model tests share on top of TestSupport.h: points compared exactly or nearly, the
// points of a set, set builders, the names in a collection and the event log of a logic
// component of either form.
#ifndef TARNWICK_TESTS_MODEL_MODELTESTSUPPORT_H_
#define TARNWICK_TESTS_MODEL_MODELTESTSUPPORT_H_

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "tarnwick/model/FuzzyConsts.h"
#include "tarnwick/model/FuzzyLogicComponent.h"
#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/model/FuzzySetValues.h"
#include "tarnwick/model/FuzzyVariable.h"
#include "tarnwick/model/IFuzzyLogic.h"
#include "tarnwick/platform/Classes.h"

namespace tarnwick::test {

// One point of a membership function; equal only when both coordinates are.
struct Pt {
  TFzyFloat X, Y;
  bool operator==(const Pt&) const = default;
  friend std::ostream& operator<<(std::ostream& S, const Pt& P) { return S << "(" << P.X << ", " << P.Y << ")"; }
};

// A computed point: each coordinate within a few units in the last place.
inline auto Near(TFzyFloat X, TFzyFloat Y) {
  return ::testing::AllOf(::testing::Field(&Pt::X, ::testing::DoubleEq(X)),
                          ::testing::Field(&Pt::Y, ::testing::DoubleEq(Y)));
}

inline std::vector<Pt> PointsOf(const TFuzzySetValues& V) {
  std::vector<Pt> Result;
  for (std::int32_t I = 0; I < V.GetCount(); ++I) Result.push_back({V[I]->GetX(), V[I]->GetY()});
  return Result;
}

inline std::vector<Pt> PointsOf(const TFuzzySet& Set) { return PointsOf(*Set.GetValues()); }

// Adds each point in its own edit, so that every edit rule runs once per point.
inline void AddEach(TFuzzySetValues& V, std::initializer_list<Pt> Pts) {
  for (const Pt& P : Pts) V.Add(P.X, P.Y);
}

inline void AddEach(TFuzzySet& Set, std::initializer_list<Pt> Pts) { AddEach(*Set.GetValues(), Pts); }

// Adds the points inside one update block: they are sorted and thinned once, at its end.
inline void Fill(TFuzzySet& Set, const std::vector<Pt>& Points) {
  TUpdateBlock<TCollection> Block(*Set.GetValues());
  for (const Pt& P : Points) Set.GetValues()->Add(P.X, P.Y);
}

// A loose set named Name with Points, added in one block.
inline std::unique_ptr<TFuzzySet> MakeSet(const std::vector<Pt>& Points, const std::string& Name = "s") {
  auto Set = std::make_unique<TFuzzySet>(nullptr);
  Set->SetName(Name);
  Fill(*Set, Points);
  return Set;
}

// Takes over a set that an operation handed to its caller.
inline std::unique_ptr<TFuzzySet> Own(TFuzzySet* Set) { return std::unique_ptr<TFuzzySet>(Set); }

inline const std::vector<Pt> kTriangle = {{0, 0}, {5, 1}, {10, 0}};

// A loose set whose range is [Low, High], as a variable would give it.
class TRangedSet : public TFuzzySet {
 public:
  TRangedSet(TFzyFloat Low, TFzyFloat High) : TFuzzySet(nullptr), FLow(Low), FHigh(High) {}
  TFzyFloat GetXRange(std::int32_t Index) const override {
    if (Index == 0) return FHigh;
    if (Index == 1) return FLow;
    return TFuzzySet::GetXRange(Index);
  }

 private:
  TFzyFloat FLow, FHigh;
};

inline std::vector<std::string> NamesOf(const TFuzzySets& Sets) {
  std::vector<std::string> Result;
  for (std::int32_t I = 0; I < Sets.GetCount(); ++I) Result.push_back(Sets[I]->GetName());
  return Result;
}

inline std::vector<std::string> NamesOf(const TFuzzyVariables& Variables) {
  std::vector<std::string> Result;
  for (std::int32_t I = 0; I < Variables.GetCount(); ++I) Result.push_back(Variables[I]->GetName());
  return Result;
}

// Every event of a logic component as one line, in the order they fire. Hooks run after the
// line is recorded, so that a test can look at the model from inside a handler; other records
// (a test parser's calls) may join the same list, so that their place among the events shows.
class TEventLog {
 public:
  explicit TEventLog(TFuzzyLogic& Logic) : FLogic(&Logic) {
    Logic.SetOnChange([this](TObject* Sender) {
      Check(Sender);
      Events.push_back("OnChange");
      if (AfterChange) AfterChange();
    });
    Logic.SetOnVariableAdded([this](TObject* Sender, TFuzzyVariable* V) {
      Check(Sender);
      Events.push_back("OnVariableAdded(" + V->GetName() + ")");
      if (AfterVariableAdded) AfterVariableAdded(V);
    });
    Logic.SetOnVariableDeleted([this](TObject* Sender, TFuzzyVariable* V) {
      Check(Sender);
      Events.push_back("OnVariableDeleted(" + V->GetName() + ")");
      if (AfterVariableDeleted) AfterVariableDeleted(V);
    });
    Logic.SetOnVariableChange([this](TObject* Sender, TFuzzyVariable* V) {
      Check(Sender);
      Events.push_back("OnVariableChange(" + V->GetName() + ")");
      if (AfterVariableChange) AfterVariableChange(V);
    });
    Logic.SetOnFuzzySetAdded([this](TObject* Sender, TFuzzySet* S) {
      Check(Sender);
      Events.push_back("OnFuzzySetAdded(" + S->GetName() + ")");
      if (AfterFuzzySetAdded) AfterFuzzySetAdded(S);
    });
    Logic.SetOnFuzzySetDeleted([this](TObject* Sender, TFuzzySet* S) {
      Check(Sender);
      Events.push_back("OnFuzzySetDeleted(" + S->GetName() + ")");
      if (AfterFuzzySetDeleted) AfterFuzzySetDeleted(S);
    });
    Logic.SetOnFuzzySetChange([this](TObject* Sender, TFuzzySet* S) {
      Check(Sender);
      Events.push_back("OnFuzzySetChange(" + S->GetName() + ")");
      if (AfterFuzzySetChange) AfterFuzzySetChange(S);
    });
  }

  std::vector<std::string> Take() {
    std::vector<std::string> Result;
    Result.swap(Events);
    return Result;
  }

  std::vector<std::string> Events;
  std::function<void()> AfterChange;
  std::function<void(TFuzzyVariable*)> AfterVariableAdded, AfterVariableDeleted, AfterVariableChange;
  std::function<void(TFuzzySet*)> AfterFuzzySetAdded, AfterFuzzySetDeleted, AfterFuzzySetChange;

 private:
  void Check(TObject* Sender) const { EXPECT_EQ(Sender, FLogic) << "Sender is always the logic component"; }
  TFuzzyLogic* FLogic;
};

// Every event of an interface logic component as one line, in the order they fire, in the
// form "OnFuzzySetAdded(variable, set)". Sets and variables are named as they are when the
// event fires.
class TILogicEventLog {
 public:
  explicit TILogicEventLog(TIFuzzyLogic& Logic) {
    Logic.SetOnChange([this, &Logic](TObject* Sender) {
      EXPECT_EQ(Sender, &Logic) << "Sender is the logic component";
      Events.push_back("OnChange");
    });
    Logic.SetOnVariableAdded([this](IFuzzyVariable* V) { Events.push_back("OnVariableAdded(" + V->GetName() + ")"); });
    Logic.SetOnVariableDeleted(
        [this](IFuzzyVariable* V) { Events.push_back("OnVariableDeleted(" + V->GetName() + ")"); });
    Logic.SetOnVariableChange([this](IFuzzyVariable* V) { Events.push_back("OnVariableChange(" + V->GetName() + ")"); });
    Logic.SetOnFuzzySetAdded([this](IFuzzyVariable* V, IFuzzySet* S) { Record("OnFuzzySetAdded", V, S); });
    Logic.SetOnFuzzySetDeleted([this](IFuzzyVariable* V, IFuzzySet* S) { Record("OnFuzzySetDeleted", V, S); });
    Logic.SetOnFuzzySetChange([this](IFuzzyVariable* V, IFuzzySet* S) { Record("OnFuzzySetChange", V, S); });
  }

  std::vector<std::string> Take() {
    std::vector<std::string> Result;
    Result.swap(Events);
    return Result;
  }

  std::vector<std::string> Events;

 private:
  void Record(const char* Event, IFuzzyVariable* V, IFuzzySet* S) {
    Events.push_back(std::string(Event) + "(" + V->GetName() + ", " + S->GetName() + ")");
  }
};

// The names of a variable's stored sets in the order the table stored them (Index).
inline std::vector<std::string> NamesByIndex(const IFuzzyVariable& V) {
  std::vector<Intf<IFuzzySet>> Sets;
  for (Integer I = 0; I < V.GetCount(); ++I) Sets.push_back(V.GetFuzzySet(I));
  std::sort(Sets.begin(), Sets.end(),
            [](const Intf<IFuzzySet>& A, const Intf<IFuzzySet>& B) { return A->GetIndex() < B->GetIndex(); });
  std::vector<std::string> Result;
  for (const Intf<IFuzzySet>& S : Sets) Result.push_back(S->GetName());
  return Result;
}

}  // namespace tarnwick::test

#endif  // TARNWICK_TESTS_MODEL_MODELTESTSUPPORT_H_
