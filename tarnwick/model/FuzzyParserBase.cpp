// The parser component base: its link to a logic component, the Parse entry with its events,
// the built-in membership functions, parse errors, and the abstract operations' default.
#include "tarnwick/model/FuzzyParserBase.h"

#include <cstddef>
#include <string_view>

#include "tarnwick/model/FuzzyLogicComponent.h"
#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/ResStrings.h"
#include "tarnwick/platform/SysUtils.h"

namespace tarnwick {

namespace {

[[noreturn]] void RaiseAbstract() { throw EAbstractError(LoadResString(SAbstractError)); }

constexpr const char* kCalcFuzzyFunction = "CalcFuzzyFunction";

// A parsed text longer than this many code points is shown as its two ends.
constexpr std::size_t kWholeTextLimit = 255;
constexpr std::size_t kKeptEnd = 128;

// Text as a parse error shows it: whole up to kWholeTextLimit code points, else its first and
// last kKeptEnd code points around "... " and a line break. Never splits a UTF-8 sequence.
std::string ShownParsedText(const std::string& Text) {
  const std::size_t Count = Utf8CodePointCount(Text);
  if (Count <= kWholeTextLimit) return Text;
  std::string Result(Utf8Truncate(Text, kKeptEnd));
  std::size_t TailStart = 0;
  for (std::size_t I = 0; I < Count - kKeptEnd; ++I) Utf8DecodeNext(Text, TailStart);
  Result += "... \r\n";
  Result.append(Text, TailStart, std::string::npos);
  return Result;
}

}  // namespace

// A checked call of a built-in function: the shape operation, the points per curve and the
// arguments (as many as the shape takes).
struct TCustomFuzzyLogicParser::TBuiltInCall {
  enum TShape : std::uint8_t { bsPIRange, bsPI, bsTriangle, bsGrowth, bsDecline, bsBeta, bsBetaWeight };
  TShape Shape = bsTriangle;
  Integer Num = kDefaultNumFunctionValues;
  TFzyFloat Args[4] = {};
};

EFzyParseException::~EFzyParseException() = default;

TCustomFuzzyLogicParser::~TCustomFuzzyLogicParser() = default;

// ---------------------------------------------------------------------------------------------
// Link

void TCustomFuzzyLogicParser::SetFuzzyLogic(TCustomFuzzyLogic* Value) {
  if (Value == FFuzzyLogic) return;
  if (FFuzzyLogic != nullptr) FFuzzyLogic->RemoveFreeNotification(this);
  FFuzzyLogic = Value;
  if (FFuzzyLogic != nullptr) FFuzzyLogic->FreeNotification(this);
}

void TCustomFuzzyLogicParser::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent != nullptr && AComponent == static_cast<TComponent*>(FFuzzyLogic)) {
    // SetFuzzyLogic(nullptr), reaching the logic only as the TComponent it may have become by
    // now (this notice comes from its dying base), never as a logic component.
    AComponent->RemoveFreeNotification(this);
    FFuzzyLogic = nullptr;
  }
}

void* TCustomFuzzyLogicParser::GetInterface(const TGUID& IID) noexcept {
  if (void* P = GetInterfaceOf<IFuzzyParser>(this, IID)) return P;
  return TComponent::GetInterface(IID);
}

// ---------------------------------------------------------------------------------------------
// Events

void TCustomFuzzyLogicParser::DoParsing() {
  if (FOnParsing) FOnParsing(this);
}

void TCustomFuzzyLogicParser::DoParsed() {
  if (FOnParsed) FOnParsed(this);
}

void TCustomFuzzyLogicParser::DoCalcFuzzyFunction(const std::string& FuncName, IFuzzyStreamTokenList* List,
                                                  TFuzzySet*& Result, bool& Handled) {
  if (FOnCalcFuzzyFunction) FOnCalcFuzzyFunction(this, FuncName, List, Result, Handled);
}

void TCustomFuzzyLogicParser::DoCalcFuzzyIntfFunction(const std::string& FuncName, IFuzzyStreamTokenList* List,
                                                      Intf<IFuzzySet>& Result, bool& Handled) {
  if (FOnCalcFuzzyIntfFunction) FOnCalcFuzzyIntfFunction(this, FuncName, List, Result, Handled);
}

void TCustomFuzzyLogicParser::DoParseFuzzySet(TFuzzySet* FuzzySet) {
  if (FOnParseFuzzySet) FOnParseFuzzySet(this, FuzzySet);
}

void TCustomFuzzyLogicParser::DoParseFuzzyVariable(TFuzzyVariable* FuzzyVariable) {
  if (FOnParseFuzzyVariable) FOnParseFuzzyVariable(this, FuzzyVariable);
}

void TCustomFuzzyLogicParser::DoParseFuzzySetIntf(IFuzzyVariable* Variable, IFuzzySet* FuzzySet) {
  if (FOnParseFuzzySetIntf) FOnParseFuzzySetIntf(Variable, FuzzySet);
}

void TCustomFuzzyLogicParser::DoParseFuzzyVariableIntf(IFuzzyVariable* FuzzyVariable) {
  if (FOnParseFuzzyVariableIntf) FOnParseFuzzyVariableIntf(FuzzyVariable);
}

void TCustomFuzzyLogicParser::DoEvalExpression(TFuzzyVariable* FuzzyVariable, const std::string& Expression,
                                               TFuzzySet*& Result) {
  if (FOnEvalExpression) FOnEvalExpression(this, FuzzyVariable, Expression, Result);
}

void TCustomFuzzyLogicParser::DoEvalExpressionIntf(IFuzzyVariable* Variable, const std::string& Expression,
                                                   Intf<IFuzzySet>& Result) {
  if (FOnEvalExpressionIntf) FOnEvalExpressionIntf(Variable, Expression, Result);
}

// ---------------------------------------------------------------------------------------------
// Parse

void TCustomFuzzyLogicParser::Parse(const std::string& AString, const TEncoding* Encoding) {
  if (FFuzzyLogic == nullptr) throw EFzyParseException(LoadResString(SFuzzyLogicNotSet));
  DoParsing();
  ParseFuzzyLogic(AString, Encoding);
  DoParsed();
}

std::string TCustomFuzzyLogicParser::GetParsedText() { return std::string(); }

Integer TCustomFuzzyLogicParser::GetLineNumber() { return 0; }

// ---------------------------------------------------------------------------------------------
// Built-in membership functions

bool TCustomFuzzyLogicParser::VerifyAll(IFuzzyStreamTokenList* List, TFuzzyStreamTokenTypes Types) const {
  if (List == nullptr) return true;
  const Integer Count = List->GetValueCount();
  for (Integer I = 0; I < Count; ++I) {
    const IFuzzyStreamToken* Token = List->Get(I);
    if (Token == nullptr) return false;
    // A punctuation token holds its character code, which no token type has.
    const Integer DataType = Token->GetDataType();
    if (DataType < 0 || DataType >= kFuzzyStreamTokenTypeCount) return false;
    if (!Types.Contains(static_cast<TFuzzyStreamTokenType>(DataType))) return false;
  }
  return true;
}

bool TCustomFuzzyLogicParser::ResolveBuiltIn(const std::string& FuncName, IFuzzyStreamTokenList* List,
                                             TBuiltInCall& Call) {
  const TResString* Expected = nullptr;
  if (FuncName == "pi") Expected = &SPIArgsExpected;
  else if (FuncName == "tri") Expected = &STriArgsExpected;
  else if (FuncName == "s" || FuncName == "z") Expected = &SCurveArgsExpected;
  else if (FuncName == "beta") Expected = &SBetaArgsExpected;
  else return false;

  if (!VerifyAll(List, {fstInteger, fstFloat}))
    ParseError(kCalcFuzzyFunction, LoadResString(SFzyArgTypeWrong), {FuncName, "numeric"});

  const Integer Count = List != nullptr ? List->GetValueCount() : 0;
  bool Fits = true;
  if (Expected == &SPIArgsExpected) {
    Fits = Count == 2 || Count == 3;
    Call.Shape = Count == 2 ? TBuiltInCall::bsPIRange : TBuiltInCall::bsPI;
  } else if (Expected == &STriArgsExpected) {
    Fits = Count == 3;
    Call.Shape = TBuiltInCall::bsTriangle;
  } else if (Expected == &SCurveArgsExpected) {
    // Two arguments, though the expected form names three: the second is also the
    // inflection point, which is how the printer writes them back.
    Fits = Count == 2;
    Call.Shape = FuncName == "s" ? TBuiltInCall::bsGrowth : TBuiltInCall::bsDecline;
  } else {
    Fits = Count == 3 || Count == 4;
    Call.Shape = Count == 3 ? TBuiltInCall::bsBeta : TBuiltInCall::bsBetaWeight;
  }
  if (!Fits) ParseError(kCalcFuzzyFunction, LoadResString(SFzyArgNumWrong), {FuncName, LoadResString(*Expected)});

  for (Integer I = 0; I < Count; ++I) Call.Args[I] = List->Get(I)->GetNumber();
  Call.Num = FFuzzyLogic != nullptr ? FFuzzyLogic->GetNumFunctionValues() : kDefaultNumFunctionValues;
  return true;
}

// TFuzzySet and IFuzzySet share the names and arguments of the shape operations.
template <typename TSetLike>
void TCustomFuzzyLogicParser::ApplyBuiltIn(const TBuiltInCall& Call, TSetLike& Set) {
  const TFzyFloat* A = Call.Args;
  switch (Call.Shape) {
    case TBuiltInCall::bsPIRange: Set.CreatePIFunctionValues(Call.Num, A[0], A[1]); break;
    case TBuiltInCall::bsPI: Set.CreatePIFunctionValues(Call.Num, A[0], A[1], A[2]); break;
    case TBuiltInCall::bsTriangle: Set.CreateTriangleFunctionValues(A[0], A[1], A[2]); break;
    case TBuiltInCall::bsGrowth: Set.CreateCurveValues(Call.Num, A[0], A[1], A[1], true); break;
    case TBuiltInCall::bsDecline: Set.CreateCurveValues(Call.Num, A[0], A[1], A[1], false); break;
    case TBuiltInCall::bsBeta: Set.CreateBetaCurveFunctionValues(Call.Num, A[0], A[1], A[2]); break;
    case TBuiltInCall::bsBetaWeight: Set.CreateBetaCurveFunctionValues(Call.Num, A[0], A[1], A[2], A[3]); break;
  }
}

void TCustomFuzzyLogicParser::CalcFuzzyFunction(const std::string& FuncName, IFuzzyStreamTokenList* List,
                                                TFuzzySet*& Result) {
  TBuiltInCall Call;
  if (!ResolveBuiltIn(FuncName, List, Call))
    ParseError(kCalcFuzzyFunction, LoadResString(SUnknownFunctionName), {FuncName});
  if (Result == nullptr) throw EFzyException(Format(LoadResString(SFuzzyFunctionSetMissing), {FuncName}));
  ApplyBuiltIn(Call, *Result);
}

void TCustomFuzzyLogicParser::CalcFuzzyFunction(const std::string& FuncName, IFuzzyStreamTokenList* List,
                                                Intf<IFuzzySet>& Result) {
  TBuiltInCall Call;
  // An unknown name is reported here too: a misspelt function would otherwise leave the term
  // silently without points.
  if (!ResolveBuiltIn(FuncName, List, Call))
    ParseError(kCalcFuzzyFunction, LoadResString(SUnknownFunctionName), {FuncName});
  if (!Result) throw EFzyException(Format(LoadResString(SFuzzyFunctionSetMissing), {FuncName}));
  ApplyBuiltIn(Call, *Result);
}

TFuzzySet* TCustomFuzzyLogicParser::CalcFuzzyFunction(TFuzzySet* FuzzySet, const std::string& FuncName,
                                                      IFuzzyStreamTokenList* List) {
  TFuzzySet* Result = FuzzySet;
  bool Handled = false;
  DoCalcFuzzyFunction(FuncName, List, Result, Handled);
  if (!Handled) CalcFuzzyFunction(FuncName, List, FuzzySet);
  return Result;
}

Intf<IFuzzySet> TCustomFuzzyLogicParser::CalcFuzzyFunction(IFuzzySet* FuzzySet, const std::string& FuncName,
                                                           IFuzzyStreamTokenList* List) {
  Intf<IFuzzySet> Result(FuzzySet);
  bool Handled = false;
  DoCalcFuzzyIntfFunction(FuncName, List, Result, Handled);
  if (!Handled) {
    Intf<IFuzzySet> Target(FuzzySet);
    CalcFuzzyFunction(FuncName, List, Target);
  }
  return Result;
}

// ---------------------------------------------------------------------------------------------
// Parse errors

void TCustomFuzzyLogicParser::RaiseParseError(const std::string& MethodName, const std::string& Msg,
                                              const std::string& Text, Integer LineNumber) {
  const std::string Shown = ShownParsedText(Text);
  const std::string Line = IntToStr(LineNumber);
  EFzyParseException E(Format(LoadResString(SFzyParseError), {Msg, MethodName, Line, Shown}));
  E.SetLineNumber(LineNumber);
  throw E;
}

void TCustomFuzzyLogicParser::ParseError(const std::string& MethodName, const std::string& Msg,
                                         const std::string& Text, Integer LineNumber) {
  RaiseParseError(MethodName, Msg, Text, LineNumber);
}

void TCustomFuzzyLogicParser::ParseError(const std::string& MethodName, const std::string& Msg) {
  const std::string Text = GetParsedText();
  const Integer Line = GetLineNumber();
  ParseError(MethodName, Msg, Text, Line);
  // Only an override that broke its contract gets here; the error is raised all the same.
  RaiseParseError(MethodName, Msg, Text, Line);
}

void TCustomFuzzyLogicParser::ParseError(const std::string& MethodName, const std::string& Msg,
                                         std::span<const TVarRec> Args) {
  ParseError(MethodName, Format(Msg, Args));
}

// ---------------------------------------------------------------------------------------------
// Abstract operations

void TCustomFuzzyLogicParser::ParseFuzzyLogic(const std::string&, const TEncoding*) { RaiseAbstract(); }

TFzyFloat TCustomFuzzyLogicParser::EvalFuzzyExpression(IFuzzyVariable*, const std::string&, Intf<IFuzzySet>&) {
  RaiseAbstract();
}

Intf<IFuzzySet> TCustomFuzzyLogicParser::EvalFuzzyExpression(IFuzzyVariable*, const std::string&) {
  RaiseAbstract();
}

TFzyFloat TCustomFuzzyLogicParser::EvalFuzzyExpression(TFuzzyVariable*, const std::string&, TFuzzySet*&) {
  RaiseAbstract();
}

TFuzzySet* TCustomFuzzyLogicParser::EvalFuzzyExpression(TFuzzyVariable*, const std::string&) { RaiseAbstract(); }

Intf<IFuzzySet> TCustomFuzzyLogicParser::ParseFuzzySet(IFuzzyVariable*, const std::string&, const TEncoding*) {
  RaiseAbstract();
}

Intf<IFuzzyVariable> TCustomFuzzyLogicParser::ParseFuzzyVariableIntf(const std::string&, const TEncoding*) {
  RaiseAbstract();
}

TFuzzySet* TCustomFuzzyLogicParser::ParseFuzzySet(TFuzzyVariable*, const std::string&, const TEncoding*) {
  RaiseAbstract();
}

TFuzzyVariable* TCustomFuzzyLogicParser::ParseFuzzyVariable(const std::string&, const TEncoding*) {
  RaiseAbstract();
}

std::string TCustomFuzzyLogicParser::PrettyPrint(IFuzzySet*, bool) { RaiseAbstract(); }
std::string TCustomFuzzyLogicParser::PrettyPrint(IFuzzyVariable*) { RaiseAbstract(); }
std::string TCustomFuzzyLogicParser::PrettyPrint(const TFuzzySet*, bool) { RaiseAbstract(); }
std::string TCustomFuzzyLogicParser::PrettyPrint(const TFuzzyVariable*) { RaiseAbstract(); }

}  // namespace tarnwick
