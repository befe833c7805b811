// A small host program: reads a definition file into both forms of the fuzzy model, the owned
// one (TFuzzyLogic, whose variables own their sets) and the counted one (TIFuzzyLogic, whose
// variables and sets are reference-counted objects reached through IFuzzyVariable and
// IFuzzySet). It prints the variables back as definition text, tells whether the counted form
// prints each variable as the owned form does, and evaluates the expressions given after the
// file, each written "VARIABLE: EXPRESSION", in both forms, showing the resulting set and its
// crisp value.
//
//   tarnwick_demo greenhouse.fzl "temperature: very warm" "vent: half or wide"
//
// The definition file must be a regular file of at most kMaxDefinitionBytes. An error in the
// file prints its message (parse errors name their line) and ends with exit code 1, as does
// an error in an expression, which names the expression and shows the text read of it; a file
// the demo refuses and a wrong command line end with exit code 2.
#include <cstdio>
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

void Show(const char* Form, const std::string& SetText, const std::string& Points, TFzyFloat Value,
          const std::string& Units) {
  std::printf("  %-7s set    %s\n", Form, SetText.c_str());
  std::printf("  %-7s points %s\n", "", Points.c_str());
  std::printf("  %-7s value  %.4f %s\n", "", Value, Units.c_str());
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
  Show("owned", Parser.PrettyPrint(Result, false), Result->GetValuesToString(), Value, Variable->GetUnits());
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
  Show("counted", Parser.PrettyPrint(Result.get(), false), Result->GetValuesToString(), Value, Variable->GetUnits());
}

// Reads Text into Logic through its Strings, as a host does.
void Read(TCustomFuzzyLogic& Logic, const std::string& Text) {
  TStringList Lines;
  Lines.SetText(Text);
  Logic.SetStrings(&Lines);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s DEFINITION-FILE [\"VARIABLE: EXPRESSION\" ...]\n", argv[0]);
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

    // Each variable of the counted form prints as in the owned form.
    int Same = 0;
    for (TCollectionItem* Item : *Owned.GetItems()) {
      auto* Variable = static_cast<TFuzzyVariable*>(Item);
      Intf<IFuzzyVariable> Twin = Counted.GetItems()->ContainsVariable(Variable->GetName());
      if (Twin && CountedParser.PrettyPrint(Twin.get()) == OwnedParser.PrettyPrint(Variable)) ++Same;
    }
    std::printf("\ncounted form: %d variables, %d of them printed as in the owned form\n",
                Counted.GetItems()->GetCount(), Same);
  } catch (const Exception& E) {
    std::fprintf(stderr, "%s: %s\n", argv[1], E.what());
    return 1;
  }
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
      return 1;
    }
  }
  return 0;
}
