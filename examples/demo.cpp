// A small host program: builds fuzzy sets from points and from the standard shapes, and prints
// their memberships and text forms.
#include <cstdio>
#include <memory>
#include <string>

#include "tarnwick/Tarnwick.h"

using namespace tarnwick;

namespace {

void Show(const TFuzzySet& Set, std::initializer_list<TFzyFloat> Xs) {
  std::printf("%s\n", Set.ToString().c_str());
  for (TFzyFloat X : Xs)
    std::printf("  mu(%g) = %.4f\n", X, Set.DegreeOfMembership(X));
}

}  // namespace

int main() {
  TOwnedCollection Sets(nullptr, TFuzzySetClass::Of<TFuzzySet>());

  auto* Warm = static_cast<TFuzzySet*>(Sets.Add());
  Warm->SetName("warm");
  Warm->GetValues()->Add(15, 0);
  Warm->GetValues()->Add(22, 1);
  Warm->GetValues()->Add(28, 0);
  Show(*Warm, {10, 18.5, 22, 25, 30});

  auto* Hot = static_cast<TFuzzySet*>(Sets.Add());
  Hot->SetName("hot");
  Hot->CreateCurveValues(5, 25, 35, 30, true);
  Show(*Hot, {20, 27.5, 30, 32.5, 40});

  auto* Mild = static_cast<TFuzzySet*>(Sets.Add());
  Mild->SetName("mild");
  Mild->CreatePIFunctionValues(7, 10, 20);
  Show(*Mild, {10, 15, 20, 25, 30});

  auto* Usual = static_cast<TFuzzySet*>(Sets.Add());
  Usual->SetName("usual");
  Usual->CreateBetaCurveFunctionValues(5, 6, 21, 3);
  Usual->Normalize();
  Show(*Usual, {15, 18, 21, 24, 27});

  try {
    Usual->SetName("very");
  } catch (const EFzyException& E) {
    std::printf("renaming to \"very\": %s\n", E.what());
  }
  return 0;
}
