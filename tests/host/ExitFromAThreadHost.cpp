// A host that ends the process by exit() from a second thread while the first thread, which
// made and dropped the library's objects, is still alive and keeps the memory of the dead ones
// for its next objects. The leak checker runs at the exit and must find all of that memory
// reachable from the living thread: a host whose tests gate on the leak checker passes.
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "tarnwick/Tarnwick.h"

namespace {

using namespace tarnwick;

// Parses a definition, evaluates an expression and lets it all go: sets, points, point lists,
// tokens and item lists die in this thread.
void MakeAndDrop() {
  TFuzzyLogic Logic(nullptr);
  TKVFuzzyLogicParser Parser(nullptr);
  Logic.SetParser(&Parser);
  Parser.SetFuzzyLogic(&Logic);
  TStringList Text;
  Text.SetText("(deffuzzy speed (range 0 120)\n  (values (term slow (z 20 50)) (term fast (s 60 100))))\n");
  Logic.SetStrings(&Text);
  TFuzzyVariable* Speed = Logic.GetItems()->GetItemByName("speed");
  std::printf("crisp value: %.4f\n", Parser.EvalFuzzyExpression(Speed, "very fast or slow")->Defuzzify());
}

}  // namespace

int main() {
  MakeAndDrop();
  std::fflush(stdout);
  std::thread Ender([] { std::exit(0); });
  Ender.join();  // never returns: the process ends while this thread waits
  return 1;
}
