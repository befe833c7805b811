// The definition parser: entry points, the grammar of definitions, clauses and terms, and the
// bookkeeping of the token stream of each call.
#include "tarnwick/parser/KVFuzzyLogicParser.h"

#include <typeinfo>
#include <utility>
#include <vector>

#include "tarnwick/common/TextStream.h"
#include "tarnwick/model/detail/DefinitionVariables.h"
#include "tarnwick/parser/FuzzyLogicTokenStream.h"
#include "tarnwick/parser/detail/FuzzyParserForms.h"
#include "tarnwick/parser/detail/StreamCall.h"
#include "tarnwick/parser/detail/TokenReads.h"
#include "tarnwick/platform/Classes.h"
#include "tarnwick/platform/Format.h"
#include "tarnwick/platform/ScopeGuard.h"
#include "tarnwick/platform/SysUtils.h"
#include "tarnwick/platform/detail/Immortal.h"

namespace tarnwick {

namespace {

bool IsKind(const IFuzzyStreamToken* Token, std::int32_t Kind) { return detail::KindOf(Token) == Kind; }

bool IsNumber(const IFuzzyStreamToken* Token) {
  const std::int32_t Kind = detail::KindOf(Token);
  return Kind == fstInteger || Kind == fstFloat;
}

// The next token of Stream. A stream of the lexer's own class hands it out without a reference
// of the caller's (TakeNextToken): it stays as it is until the stream's next NextToken or
// PutBackToken, so the caller reads what it needs of it before then, and keeps a reference to
// what it needs longer. A stream of another class reads through its own NextToken, and Keep
// holds the token.
IFuzzyStreamToken* NextTokenOf(TFuzzyLogicTokenStream& Stream, Intf<IFuzzyStreamToken>& Keep) {
  if (IsExactClass(Stream, typeid(TFuzzyLogicTokenStream))) return Stream.TakeNextToken();
  Keep = Stream.NextToken();
  return Keep.get();
}

// A word the evaluator takes as an operator.
bool IsOperatorWord(const IFuzzyStreamToken* Token) {
  return (IsKind(Token, fstAtom) || IsKind(Token, fstString)) && IsFuzzyOperatorWord(Token->GetText());
}

// The argument of SFzyExpectedKeyword.
constexpr const char* kClauseKeywords = "range, units, or values";

// What a "units" clause stores of its token. A quoted unit is its text, so that units the
// printer quotes (those with a blank, for one) read back as they were; any other token is its
// printed form.
std::string UnitsOf(const IFuzzyStreamToken* Token) {
  return IsKind(Token, fstString) ? Token->GetText() : Token->ToString();
}

}  // namespace

TKVFuzzyLogicParser::~TKVFuzzyLogicParser() = default;

// ---------------------------------------------------------------------------------------------
// The token stream of a call

std::unique_ptr<TFuzzyLogicTokenStream> TKVFuzzyLogicParser::CreateStream(std::unique_ptr<TStream> Stream,
                                                                         const TEncoding* Encoding) {
  return std::make_unique<TFuzzyLogicTokenStream>(std::move(Stream), Encoding);
}

Integer TKVFuzzyLogicParser::GetLineNumber() {
  if (FStream == nullptr) return TCustomFuzzyLogicParser::GetLineNumber();
  return FStream->GetCurrentToken()->GetLineNumber();
}

std::string TKVFuzzyLogicParser::GetParsedText() {
  if (FStream == nullptr) return TCustomFuzzyLogicParser::GetParsedText();
  return FStream->ToString();
}

// ---------------------------------------------------------------------------------------------
// String entry points

namespace {

void CheckLogicLinked(const TCustomFuzzyLogic* Logic) {
  if (Logic == nullptr) throw EFzyParseException(LoadResString(SFuzzyLogicNotSet));
}

}  // namespace

void TKVFuzzyLogicParser::ParseFuzzyLogic(const std::string& AString, const TEncoding* Encoding) {
  CheckLogicLinked(GetFuzzyLogic());
  detail::TStreamCall Call(*this, AString, Encoding);
  ParseFuzzyLogic();
}

TFuzzyVariable* TKVFuzzyLogicParser::ParseFuzzyVariable(const std::string& AString, const TEncoding* Encoding) {
  CheckLogicLinked(GetFuzzyLogic());
  detail::TStreamCall Call(*this, AString, Encoding);
  return ParseFuzzyVariable();
}

Intf<IFuzzyVariable> TKVFuzzyLogicParser::ParseFuzzyVariableIntf(const std::string& AString,
                                                                 const TEncoding* Encoding) {
  CheckLogicLinked(GetFuzzyLogic());
  detail::TStreamCall Call(*this, AString, Encoding);
  return ParseFuzzyVariableIntf();
}

TFuzzySet* TKVFuzzyLogicParser::ParseFuzzySet(TFuzzyVariable* Variable, const std::string& AString,
                                              const TEncoding* Encoding) {
  detail::TStreamCall Call(*this, AString, Encoding);
  return ParseFuzzySet(Variable);
}

Intf<IFuzzySet> TKVFuzzyLogicParser::ParseFuzzySet(IFuzzyVariable* Variable, const std::string& AString,
                                                   const TEncoding* Encoding) {
  detail::TStreamCall Call(*this, AString, Encoding);
  return ParseFuzzySet(Variable);
}

std::string TKVFuzzyLogicParser::GetUniqueName() { return "FuzzySet" + IntToStr(GetUniqueID()); }

// ---------------------------------------------------------------------------------------------
// Stream forms

// text = definition ...
// The text ends at the end token rather than when its last character is read: a definition
// may end before the look-ahead is used up (a point's stand-in token can take a ")"), and what
// is left of it is a top-level token like any other.
void TKVFuzzyLogicParser::ParseFuzzyLogic() {
  for (;;) {
    Intf<IFuzzyStreamToken> Keep;
    IFuzzyStreamToken* T = NextTokenOf(*FStream, Keep);
    if (IsKind(T, fstNone)) return;
    if (!IsKind(T, U'(')) ParseError("ParseFuzzyLogic", LoadResString(SFzyUnexpectedToken), {T->ToString()});
    FStream->PutBackToken(T);
    // A component of neither form goes to the collection form, which refuses its class.
    TCustomFuzzyLogic* Logic = GetFuzzyLogic();
    if (Logic != nullptr && !IsExactClass(*Logic, typeid(TFuzzyLogic)) && dynamic_cast<TIFuzzyLogic*>(Logic) != nullptr)
      ParseFuzzyVariableIntf();
    else
      ParseFuzzyVariable();
  }
}

// "(" Keyword NAME [COMMENT]
Intf<IFuzzyStreamToken> TKVFuzzyLogicParser::ParseHeader(std::string& Name, std::string& Comment, bool ReadComment,
                                                         const std::string& Keyword, const std::string& MethodName,
                                                         const TResString& Msg) {
  Intf<IFuzzyStreamToken> Keep;
  const bool Open = IsKind(NextTokenOf(*FStream, Keep), U'(');
  IFuzzyStreamToken* T = NextTokenOf(*FStream, Keep);
  if (!Open || !IsKind(T, fstAtom) || T->GetText() != Keyword) ParseError(MethodName, LoadResString(Msg));
  T = NextTokenOf(*FStream, Keep);
  if (!IsKind(T, fstAtom)) ParseError(MethodName, LoadResString(SFzyMissingName));
  Name = T->GetText();
  if (ReadComment) {
    T = NextTokenOf(*FStream, Keep);
    if (IsKind(T, fstString)) {
      Comment = T->GetText();
      T = NextTokenOf(*FStream, Keep);
    } else {
      Comment.clear();
    }
  }
  return Intf<IFuzzyStreamToken>(T);
}

namespace {

// The operation a definition's errors name, in both forms, and the keyword that opens one.
const detail::TImmortal<std::string> ParseFuzzyVariableName("ParseFuzzyVariable");
const detail::TImmortal<std::string> DeffuzzyKeyword("deffuzzy");
const std::string& kParseFuzzyVariable = ParseFuzzyVariableName.Get();
const std::string& kDeffuzzy = DeffuzzyKeyword.Get();

}  // namespace

// clause = "(" "range" NUMBER NUMBER ")" | "(" "units" ANY ")" | "(" "values" term ... ")"
// T is the first token after the header; the clauses end at the definition's ")", which is
// consumed.
template <typename TForm>
void TKVFuzzyLogicParser::ParseClauses(Intf<IFuzzyStreamToken> First, typename TForm::TVariableRef V) {
  const std::string& kMethod = kParseFuzzyVariable;
  // Each token is read before the next one is (NextTokenOf).
  Intf<IFuzzyStreamToken> Keep = std::move(First);
  IFuzzyStreamToken* T = Keep.get();
  while (!IsKind(T, U')')) {
    const bool Open = IsKind(T, U'(');
    IFuzzyStreamToken* C = NextTokenOf(*FStream, Keep);
    if (!Open) ParseError(kMethod, LoadResString(SFzyMissingOpenParens));
    if (!IsKind(C, fstAtom)) ParseError(kMethod, LoadResString(SFzyExpectedKeyword), {kClauseKeywords});
    const std::string Keyword = C->GetText();
    if (Keyword == "range") {
      IFuzzyStreamToken* A = NextTokenOf(*FStream, Keep);
      if (!IsNumber(A)) ParseError(kMethod, LoadResString(SFzyExpectedNumber));
      const TFzyFloat Minimum = detail::NumberOf(A);
      IFuzzyStreamToken* B = NextTokenOf(*FStream, Keep);
      if (!IsNumber(B)) ParseError(kMethod, LoadResString(SFzyExpectedNumber));
      const TFzyFloat Maximum = detail::NumberOf(B);
      if (Minimum > Maximum) {
        const TFormatSettings& Invariant = TFormatSettings::Invariant();
        ParseError(kMethod, LoadResString(SFzyReversedRange),
                   {FloatToStr(Minimum, Invariant), FloatToStr(Maximum, Invariant)});
      }
      V->SetMinimum(Minimum);
      V->SetMaximum(Maximum);
      T = NextTokenOf(*FStream, Keep);
    } else if (Keyword == "units") {
      T = NextTokenOf(*FStream, Keep);
      V->SetUnits(UnitsOf(T));
      T = NextTokenOf(*FStream, Keep);
    } else if (Keyword == "values") {
      T = NextTokenOf(*FStream, Keep);
      while (!IsKind(T, U')')) {
        FStream->PutBackToken(T);
        ParseFuzzySet(V)->SetDefined(true);
        T = NextTokenOf(*FStream, Keep);
      }
    } else {
      ParseError(kMethod, LoadResString(SFzyExpectedKeyword), {kClauseKeywords});
    }
    if (!IsKind(T, U')')) ParseError(kMethod, LoadResString(SFzyMissingCloseParens));
    T = NextTokenOf(*FStream, Keep);
  }
}

// definition = "(" "deffuzzy" NAME [COMMENT] clause ... ")"
// The variable joins the logic's collection at once and stays there also when the definition
// fails; with automatic terms it is outside the collection while its clauses are read.
TFuzzyVariable* TKVFuzzyLogicParser::ParseFuzzyVariable() {
  std::string Name;
  std::string Comment;
  Intf<IFuzzyStreamToken> T = ParseHeader(Name, Comment, true, kDeffuzzy, kParseFuzzyVariable, SFzyExpectedFuzzyDefinition);

  auto* Logic = ExactClassCast<TFuzzyLogic>(GetFuzzyLogic());
  if (Logic == nullptr) throw EFzyParseException(LoadResString(SFuzzyLogicNotTFuzzyLogic));
  TFuzzyVariables* Items = Logic->GetItems();

  TFuzzyVariable* V = nullptr;
  {
    TUpdateBlock<TCollection> Block(*Items);
    // Items->Add(), whose automatic terms the lines below free again.
    V = detail::TDefinitionVariables::Add(*Logic);
    // Declared after the block, so that the variable is back before the block ends. Whether
    // it comes back is decided here, once: a handler that switches AutoTerms during the
    // definition must not leave the variable outside its collection.
    // With automatic terms the variable is out of its collection for the time of its
    // definition and back on every way out, so that the automatic terms are added over the
    // range read, for the terms the definition did not give.
    const bool AutoTerms = Logic->GetAutoTerms();
    if (AutoTerms) V->SetCollection(static_cast<TFuzzyVariables*>(nullptr));
    const TScopeExit PutBack([&] {
      if (AutoTerms) V->SetCollection(Items);
    });
    if (AutoTerms) V->GetItems()->Clear();
    V->SetName(Name);
    V->SetComment(Comment);
    ParseClauses<detail::TCollectionForm>(std::move(T), V);
  }
  DoParseFuzzyVariable(V);
  return V;
}

// definition = "(" "deffuzzy" NAME [COMMENT] clause ... ")"
// The variable is the logic's ItemClass's, with this parser; the logic's table stores it (and
// the logic gives it threshold and automatic terms) only once it is read whole. A definition
// that fails leaves nothing in the table.
Intf<IFuzzyVariable> TKVFuzzyLogicParser::ParseFuzzyVariableIntf() {
  std::string Name;
  std::string Comment;
  Intf<IFuzzyStreamToken> T = ParseHeader(Name, Comment, true, kDeffuzzy, kParseFuzzyVariable, SFzyExpectedFuzzyDefinition);

  auto* Logic = dynamic_cast<TIFuzzyLogic*>(GetFuzzyLogic());
  if (Logic == nullptr) throw EFzyParseException(LoadResString(SFuzzyLogicNotTIFuzzyLogic));

  Intf<IFuzzyVariable> V(Logic->GetItemClass().Create(Name));
  V->SetComment(Comment);
  V->SetParser(this);
  ParseClauses<detail::TInterfaceForm>(std::move(T), V.get());
  Logic->GetItems()->Put(Name, V);
  DoParseFuzzyVariableIntf(V.get());
  return V;
}

// term = "(" "term" NAME [COMMENT] value ")"
template <typename TForm>
typename TForm::TSetRef TKVFuzzyLogicParser::ParseFuzzySetOf(typename TForm::TVariableRef Variable) {
  static const detail::TImmortal<std::string> MethodName("ParseFuzzySet");
  static const detail::TImmortal<std::string> TermKeyword("term");
  const std::string& kMethod = MethodName.Get();
  const std::string& kTerm = TermKeyword.Get();
  std::string Name;
  std::string Comment;
  FStream->PutBackToken(ParseHeader(Name, Comment, true, kTerm, kMethod, SFzyExpectedFuzzySet).get());
  typename TForm::TSetRef S = ParseFuzzyValues(Variable);
  // A handler of OnEvalExpression or OnCalcFuzzyFunction may have taken the set away.
  if (!S) ParseError(kMethod, LoadResString(SFzyMissingFuzzySet), {Name});
  TForm::NameTerm(Variable, TForm::Raw(S), Name);
  S->SetComment(Comment);
  Intf<IFuzzyStreamToken> Keep;
  if (!IsKind(NextTokenOf(*FStream, Keep), U')')) ParseError(kMethod, LoadResString(SFzyMissingCloseParens));
  TForm::DoParseFuzzySet(*this, Variable, TForm::Raw(S));
  return S;
}

TFuzzySet* TKVFuzzyLogicParser::ParseFuzzySet(TFuzzyVariable* Variable) {
  return ParseFuzzySetOf<detail::TCollectionForm>(Variable);
}

Intf<IFuzzySet> TKVFuzzyLogicParser::ParseFuzzySet(IFuzzyVariable* Variable) {
  return ParseFuzzySetOf<detail::TInterfaceForm>(Variable);
}

// value = "(" "(" ... (a point list) | "(" ")" (an empty point list) | "(" ANY ... (a call)
//       | expression
template <typename TForm>
typename TForm::TSetRef TKVFuzzyLogicParser::ParseFuzzyValuesOf(typename TForm::TVariableRef Variable) {
  Intf<IFuzzyStreamToken> Keep;
  IFuzzyStreamToken* T = NextTokenOf(*FStream, Keep);
  if (IsKind(T, U'(')) {
    const Intf<IFuzzyStreamToken> Open(T);  // put back after the token behind it
    IFuzzyStreamToken* U = NextTokenOf(*FStream, Keep);
    FStream->PutBackToken(U);
    FStream->PutBackToken(T);
    // "()" is the printed form of a set without points; it reads back as one.
    if (IsKind(U, U'(') || IsKind(U, U')')) return ParseFuzzyValuePairs(Variable);
    return ParseFuzzyFunction(Variable);
  }
  FStream->PutBackToken(T);
  Intf<IFuzzyStreamTokenList> List = ParseTokenList();
  return EvalFuzzyExpression(Variable, List.get());
}

TFuzzySet* TKVFuzzyLogicParser::ParseFuzzyValues(TFuzzyVariable* Variable) {
  return ParseFuzzyValuesOf<detail::TCollectionForm>(Variable);
}

Intf<IFuzzySet> TKVFuzzyLogicParser::ParseFuzzyValues(IFuzzyVariable* Variable) {
  return ParseFuzzyValuesOf<detail::TInterfaceForm>(Variable);
}

namespace {

// A new set of Variable for a point list or a function call.
template <typename TForm>
typename TForm::TSetRef NewTermSet(TKVFuzzyLogicParser& Parser, typename TForm::TVariableRef Variable,
                                   const std::string& MethodName) {
  if (Variable == nullptr) Parser.ParseError(MethodName, LoadResString(SFzyUndefinedVariable));
  return TForm::NewTermSet(Parser, Variable);
}

}  // namespace

// "(" point ... ")" with point = "(" NUMBER NUMBER ANY
template <typename TForm>
typename TForm::TSetRef TKVFuzzyLogicParser::ParseFuzzyValuePairsOf(typename TForm::TVariableRef Variable) {
  static const detail::TImmortal<std::string> MethodName("ParseFuzzyValuePairs");
  const std::string& kMethod = MethodName.Get();
  typename TForm::TSetRef S = NewTermSet<TForm>(*this, Variable, kMethod);
  Intf<IFuzzyStreamToken> Keep;
  if (!IsKind(NextTokenOf(*FStream, Keep), U'(')) ParseError(kMethod, LoadResString(SFzyMissingOpenParens));
  IFuzzyStreamToken* T = NextTokenOf(*FStream, Keep);
  while (IsKind(T, U'(')) {
    IFuzzyStreamToken* X = NextTokenOf(*FStream, Keep);
    if (!IsNumber(X)) ParseError(kMethod, LoadResString(SFzyExpectedNumber));
    const TFzyFloat XValue = detail::NumberOf(X);  // X may die with the next token
    IFuzzyStreamToken* Y = NextTokenOf(*FStream, Keep);
    if (!IsNumber(Y)) ParseError(kMethod, LoadResString(SFzyExpectedNumber));
    TForm::AddPoint(TForm::Raw(S), XValue, detail::NumberOf(Y));
    NextTokenOf(*FStream, Keep);  // the point's ")", taken unseen
    T = NextTokenOf(*FStream, Keep);
  }
  if (!IsKind(T, U')')) ParseError(kMethod, LoadResString(SFzyMissingCloseParens));
  return S;
}

TFuzzySet* TKVFuzzyLogicParser::ParseFuzzyValuePairs(TFuzzyVariable* Variable) {
  return ParseFuzzyValuePairsOf<detail::TCollectionForm>(Variable);
}

Intf<IFuzzySet> TKVFuzzyLogicParser::ParseFuzzyValuePairs(IFuzzyVariable* Variable) {
  return ParseFuzzyValuePairsOf<detail::TInterfaceForm>(Variable);
}

// "(" NAME argument ... ")"
template <typename TForm>
typename TForm::TSetRef TKVFuzzyLogicParser::ParseFuzzyFunctionOf(typename TForm::TVariableRef Variable) {
  static const detail::TImmortal<std::string> MethodName("ParseFuzzyFunction");
  const std::string& kMethod = MethodName.Get();
  Intf<IFuzzyStreamToken> Keep;
  if (!IsKind(NextTokenOf(*FStream, Keep), U'(')) ParseError(kMethod, LoadResString(SFzyMissingOpenParens));
  IFuzzyStreamToken* T = NextTokenOf(*FStream, Keep);
  if (!IsKind(T, fstAtom)) ParseError(kMethod, LoadResString(SFzyMissingName));
  const std::string FuncName = T->GetText();
  Intf<IFuzzyStreamTokenList> List = ParseTokenList();
  typename TForm::TSetRef S = NewTermSet<TForm>(*this, Variable, kMethod);
  typename TForm::TSetRef Result = TForm::CallFunction(*this, TForm::Raw(S), FuncName, List.get());
  if (TForm::Raw(Result) != TForm::Raw(S)) TForm::DropUnusedTermSet(Variable, TForm::Raw(S));
  NextTokenOf(*FStream, Keep);  // the call's ")"
  return Result;
}

TFuzzySet* TKVFuzzyLogicParser::ParseFuzzyFunction(TFuzzyVariable* Variable) {
  return ParseFuzzyFunctionOf<detail::TCollectionForm>(Variable);
}

Intf<IFuzzySet> TKVFuzzyLogicParser::ParseFuzzyFunction(IFuzzyVariable* Variable) {
  return ParseFuzzyFunctionOf<detail::TInterfaceForm>(Variable);
}

// The tokens up to the end or a ")" that closes no list. Nested lists are followed with a stack
// of their own rather than by recursion; the token stream bounds their depth.
Intf<IFuzzyStreamTokenList> TKVFuzzyLogicParser::ParseTokenList() {
  Intf<IFuzzyStreamTokenList> Result(new TFuzzyStreamTokenList());
  std::vector<Intf<IFuzzyStreamTokenList>> Open;  // the enclosing lists of the one being filled
  Intf<IFuzzyStreamTokenList> List = Result;
  std::int32_t Operators = 0;
  Intf<IFuzzyStreamToken> Keep;
  for (;;) {
    IFuzzyStreamToken* T = NextTokenOf(*FStream, Keep);
    if (IsKind(T, fstNone) || (IsKind(T, U')') && Open.empty())) {
      // The end of the text closes every open list; the token that ended the list is read
      // again by the caller.
      FStream->PutBackToken(T);
      return Result;
    }
    if (IsKind(T, U')')) {  // the nested list's ")", consumed
      List = std::move(Open.back());
      Open.pop_back();
      continue;
    }
    if (IsOperatorWord(T) && ++Operators > kMaxExpressionOperators)
      ParseError("ParseTokenList", LoadResString(SFzyTokenListTooLong), {kMaxExpressionOperators});
    List->Add(T);
    if (IsKind(T, U'(')) {
      Intf<IFuzzyStreamTokenList> Nested(new TFuzzyStreamTokenList());
      T->SetList(Nested.get());
      Open.push_back(std::move(List));
      List = std::move(Nested);
    }
  }
}

}  // namespace tarnwick
