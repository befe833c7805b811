// A small host program: reads a definition file into both forms of the fuzzy model, the owned
// one (TFuzzyLogic, whose variables own their sets) and the counted one (TIFuzzyLogic, whose
// variables and sets are reference-counted objects reached through IFuzzyVariable and
// IFuzzySet). It prints the variables back as definition text, tells whether the counted form
// prints each variable as the owned form does, and evaluates the expressions given after the
// file, each written "VARIABLE: EXPRESSION", in both forms, showing the resulting set, its
// points and its crisp value with the defuzzification that gave it.
//
//   tarnwick_demo greenhouse.fzl "temperature: very warm" "vent: half or wide"
//
// The definition file must be a regular file of at most kMaxDefinitionBytes. An error in the
// file prints its message (parse errors name their line) and ends the program with exit code
// 1. An error in an expression prints its message, naming the expression and showing the text
// read of it, and the program goes on with the next expression; it then ends with exit code 1.
// A file the demo refuses and a wrong command line end with exit code 2; --help (or -h)
// prints the usage and ends with 0.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <system_error>
#include <utility>

#include "tarnwick/Tarnwick.h"
#include "tarnwick/model/FuzzyLogicComponent.h"
#include "tarnwick/model/IFuzzyLogic.h"
#include "tarnwick/parser/FuzzyLogicTokenStream.h"
#include "tarnwick/parser/KVFuzzyLogicParser.h"
#include "tarnwick/platform/Strings.h"

using namespace tarnwick;

namespace {

// Larger than any definition a person writes, small enough that reading it stays cheap.
constexpr std::uintmax_t kMaxDefinitionBytes = 32 * 1024 * 1024;

// Reads Path into Text, or says in Error why not: only a regular file (not a device such as
// /dev/zero, a pipe or a directory) of at most kMaxDefinitionBytes, and no more than that is
// ever read, whatever the file claims.
bool ReadDefinitionFile(const char* Path, std::string& Text, std::string& Error) {
  std::error_code Code;
  const std::filesystem::file_status Status = std::filesystem::status(Path, Code);
  if (Code) {
    Error = "cannot read: " + Code.message();
    return false;
  }
  if (!std::filesystem::is_regular_file(Status)) {
    Error = "not a regular file; the definition must be a file of text";
    return false;
  }
  const std::string TooLarge = "larger than " + std::to_string(kMaxDefinitionBytes) + " bytes, the most the demo reads";
  const std::uintmax_t Size = std::filesystem::file_size(Path, Code);
  if (!Code && Size > kMaxDefinitionBytes) {
    Error = TooLarge;
    return false;
  }
  std::ifstream In(Path, std::ios::binary);
  if (!In) {
    Error = "cannot read";
    return false;
  }
  Text.resize(kMaxDefinitionBytes + 1);
  In.read(Text.data(), static_cast<std::streamsize>(Text.size()));
  Text.resize(static_cast<std::size_t>(In.gcount()));
  if (In.bad()) {
    Error = "cannot read";
    return false;
  }
  if (Text.size() > kMaxDefinitionBytes) {
    Error = TooLarge;
    return false;
  }
  return true;
}

std::string Trim(const std::string& S) {
  const std::size_t First = S.find_first_not_of(" \t");
  if (First == std::string::npos) return {};
  return S.substr(First, S.find_last_not_of(" \t") - First + 1);
}

// A token stream that keeps the printed form of every token handed out and not put back. The
// parser reports the text read so far in the current top-level expression of a text, and in
// an expression every token is one: so its report would show the last token only.
class TRecordingStream : public TFuzzyLogicTokenStream {
 public:
  TRecordingStream(std::unique_ptr<TStream> Stream, const TEncoding* Encoding, std::string& Read)
      : TFuzzyLogicTokenStream(std::move(Stream), Encoding), FRead(Read) {}

  Intf<IFuzzyStreamToken> NextToken() override {
    Intf<IFuzzyStreamToken> Token = TFuzzyLogicTokenStream::NextToken();
    const std::string Printed = Token->ToString();
    if (!Printed.empty()) FRead += (FRead.empty() ? "" : " ") + Printed;
    return Token;
  }
  void PutBackToken(IFuzzyStreamToken* Token) override {
    TFuzzyLogicTokenStream::PutBackToken(Token);
    const std::string Printed = Token != nullptr ? Token->ToString() : std::string();
    if (Printed.empty() || FRead.size() < Printed.size()) return;
    FRead.resize(FRead.size() - Printed.size());
    if (!FRead.empty()) FRead.pop_back();  // the blank before it
  }

 private:
  std::string& FRead;
};

// The parser of the demo: while it evaluates a command-line expression, its parse errors show
// the text read of that expression in place of the last token. One serves each logic
// component (a parser links to one).
class TDemoParser : public TKVFuzzyLogicParser {
 public:
  using TKVFuzzyLogicParser::TKVFuzzyLogicParser;

  // The set of Expression for Variable of either form, and its defuzzified value.
  template <typename TVariable, typename TSetRef>
  TFzyFloat Evaluate(TVariable* Variable, const std::string& Expression, TSetRef& Result) {
    FRead.clear();
    FEvaluating = true;
    struct TDone {
      bool& Flag;
      ~TDone() { Flag = false; }
    } Done{FEvaluating};
    return EvalFuzzyExpression(Variable, Expression, Result);
  }

  void ParseError(const std::string& MethodName, const std::string& Msg, const std::string& Text,
                  Integer LineNumber) override {
    TKVFuzzyLogicParser::ParseError(MethodName, Msg, FEvaluating ? FRead : Text, LineNumber);
  }

 protected:
  // The expression's own stream records; the streams of the bindings it names do not.
  std::unique_ptr<TFuzzyLogicTokenStream> CreateStream(std::unique_ptr<TStream> Stream,
                                                       const TEncoding* Encoding) override {
    if (!FEvaluating || FStream != nullptr) return TKVFuzzyLogicParser::CreateStream(std::move(Stream), Encoding);
    return std::make_unique<TRecordingStream>(std::move(Stream), Encoding, FRead);
  }

 private:
  bool FEvaluating = false;
  std::string FRead;
};

// "VARIABLE: EXPRESSION" split at its colon.
void Split(const std::string& Argument, std::string& Variable, std::string& Expression) {
  const std::size_t Colon = Argument.find(':');
  if (Colon == std::string::npos) throw EFzyException("expected VARIABLE: EXPRESSION");
  Variable = Trim(Argument.substr(0, Colon));
  Expression = Trim(Argument.substr(Colon + 1));
}

// How EvalFuzzyExpression defuzzified the set: the linked logic's method decides.
const char* DefuzzificationName(TDefuzzificationMethod Method) {
  return Method == dmMeanOfMaxima ? "mean of maxima" : "centre of gravity";
}

void Show(const char* Form, const std::string& SetText, const std::string& Points, TFzyFloat Value,
          const std::string& Units, TDefuzzificationMethod Method) {
  std::printf("  %-7s set    %s\n", Form, SetText.c_str());
  std::printf("  %-7s points %s\n", "", Points.c_str());
  std::printf("  %-7s value  %.4f%s%s (%s)\n", "", Value, Units.empty() ? "" : " ", Units.c_str(),
              DefuzzificationName(Method));
}

// The set of the expression and its defuzzified value, in the owned form: the result is a set
// of the variable's collection, which frees it with the rest.
void EvaluateOwned(TFuzzyLogic& Logic, TDemoParser& Parser, const std::string& Name, const std::string& Expression) {
  TFuzzyVariable* Variable = Logic.GetItems()->GetItemByName(Name);
  TFuzzySet* Result = nullptr;
  const TFzyFloat Value = Parser.Evaluate(Variable, Expression, Result);
  if (Result == nullptr) {
    std::printf("  owned   no set\n");
    return;
  }
  Show("owned", Parser.PrettyPrint(Result, false), Result->GetValuesToString(), Value, Variable->GetUnits(),
       Logic.GetDefuzzificationMethod());
}

// The same in the counted form: the result is a counted set that no variable holds; it dies
// with the last reference, here at the end of the function.
void EvaluateCounted(TIFuzzyLogic& Logic, TDemoParser& Parser, const std::string& Name,
                     const std::string& Expression) {
  Intf<IFuzzyVariable> Variable = Logic.GetItems()->Get(Name);
  Intf<IFuzzySet> Result;
  const TFzyFloat Value = Parser.Evaluate(Variable.get(), Expression, Result);
  if (!Result) {
    std::printf("  counted no set\n");
    return;
  }
  Show("counted", Parser.PrettyPrint(Result.get(), false), Result->GetValuesToString(), Value, Variable->GetUnits(),
       Logic.GetDefuzzificationMethod());
}

// Reads Text into Logic through its Strings, as a host does.
void Read(TCustomFuzzyLogic& Logic, const std::string& Text) {
  TStringList Lines;
  Lines.SetText(Text);
  Logic.SetStrings(&Lines);
}

// Whether the counted form prints each variable of the owned form, found by its name, as the
// owned form does: the two differ where the counted form's tables do (one term per name, terms
// in the order the table stored them).
void CompareForms(TFuzzyLogic& Owned, TDemoParser& OwnedParser, TIFuzzyLogic& Counted, TDemoParser& CountedParser) {
  const int Count = Owned.GetItems()->GetCount();
  int Same = 0;
  std::string Differing;
  for (TCollectionItem* Item : *Owned.GetItems()) {
    auto* Variable = static_cast<TFuzzyVariable*>(Item);
    Intf<IFuzzyVariable> Twin = Counted.GetItems()->ContainsVariable(Variable->GetName());
    if (Twin && CountedParser.PrettyPrint(Twin.get()) == OwnedParser.PrettyPrint(Variable))
      ++Same;
    else
      Differing += (Differing.empty() ? "" : ", ") + Variable->GetName();
  }
  if (Count == 0)
    std::printf("\nno variables\n");
  else if (Count == 1)
    std::printf(Same == 1 ? "\nthe counted form prints the variable as the owned form does above\n"
                          : "\nthe counted form prints the variable differently from the owned form above\n");
  else if (Same == Count)
    std::printf("\nthe counted form prints all %d variables as the owned form does above\n", Count);
  else
    std::printf("\nthe counted form prints %d of the %d variables as the owned form does above; "
                "it prints %s differently\n",
                Same, Count, Differing.c_str());
}

void PrintUsage(std::FILE* To, const char* Program) {
  std::fprintf(To, "usage: %s DEFINITION-FILE [\"VARIABLE: EXPRESSION\" ...]\n", Program);
  if (To != stdout) return;
  std::fprintf(To,
               "\n"
               "Reads the definition file into both forms of the model, the owned one (TFuzzyLogic) and\n"
               "the counted one (TIFuzzyLogic), without automatic terms, and prints its variables back as\n"
               "the owned form prints them; then says whether the counted form prints each variable the\n"
               "same. Each expression is evaluated for the named variable in both forms: the resulting\n"
               "set by name, its points, and its crisp value with the defuzzification that gave it.\n"
               "\n"
               "Exit status: 0 when all went well; 1 after an error in the file, or in an expression\n"
               "(reported, and the next expression is evaluated); 2 when the file cannot be read or the\n"
               "command line is wrong.\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    PrintUsage(stdout, argv[0]);
    return 0;
  }
  if (argc < 2) {
    PrintUsage(stderr, argv[0]);
    return 2;
  }
  std::string Text;
  std::string Error;
  if (!ReadDefinitionFile(argv[1], Text, Error)) {
    std::fprintf(stderr, "%s: %s\n", argv[1], Error.c_str());
    return 2;
  }

  TFuzzyLogic Owned(nullptr);
  TDemoParser OwnedParser(nullptr);
  Owned.SetParser(&OwnedParser);
  OwnedParser.SetFuzzyLogic(&Owned);
  Owned.SetAutoTerms(false);

  TIFuzzyLogic Counted(nullptr);
  TDemoParser CountedParser(nullptr);
  Counted.SetParser(&CountedParser);
  CountedParser.SetFuzzyLogic(&Counted);
  Counted.SetAutoTerms(false);

  try {
    Read(Owned, Text);
    Read(Counted, Text);
    // The text as the model prints it, not as it was written.
    Owned.UpdateStrings();
    std::printf("%s", Owned.GetStrings()->GetText().c_str());
    CompareForms(Owned, OwnedParser, Counted, CountedParser);
  } catch (const Exception& E) {
    std::fprintf(stderr, "%s: %s\n", argv[1], E.what());
    return 1;
  }
  // An expression in error is reported and the others are still evaluated.
  int ExitCode = 0;
  for (int I = 2; I < argc; ++I) {
    try {
      std::string Name;
      std::string Expression;
      Split(argv[I], Name, Expression);
      std::printf("\n%s: %s\n", Name.c_str(), Expression.c_str());
      EvaluateOwned(Owned, OwnedParser, Name, Expression);
      EvaluateCounted(Counted, CountedParser, Name, Expression);
    } catch (const Exception& E) {
      std::fflush(stdout);
      std::fprintf(stderr, "expression \"%s\": %s\n", argv[I], E.what());
      std::fflush(stderr);
      ExitCode = 1;
    }
  }
  return ExitCode;
}
