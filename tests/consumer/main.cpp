// A host of the installed library: parses a one-variable definition and prints the degree to
// which 20 km/h is "slow" and to which 80 km/h is "fast", one per line.
#include <cstdio>

#include <tarnwick/Tarnwick.h>

int main() {
  using namespace tarnwick;
  try {
    TFuzzyLogic Logic(nullptr);
    TKVFuzzyLogicParser Parser(nullptr);
    Logic.SetParser(&Parser);
    Parser.SetFuzzyLogic(&Logic);

    TStringList Text;
    Text.SetText("(deffuzzy speed (range 0 120) (units km/h)\n"
                 "  (values (term slow ((0 1) (40 0))) (term fast ((60 0) (100 1)))))\n");
    Logic.SetStrings(&Text);

    TFuzzyVariable* Speed = Logic.GetItems()->GetItemByName("speed");
    std::printf("slow(20) = %.2f\n", Speed->GetItems()->GetItemByName("slow")->DegreeOfMembership(20));
    std::printf("fast(80) = %.2f\n", Speed->GetItems()->GetItemByName("fast")->DegreeOfMembership(80));
  } catch (const Exception& E) {
    std::fprintf(stderr, "error: %s\n", E.what());
    return 1;
  }
  return 0;
}
