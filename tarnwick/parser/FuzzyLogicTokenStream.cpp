// The lexer of the fuzzy definition language.
#include "tarnwick/parser/FuzzyLogicTokenStream.h"

#include <algorithm>
#include <typeinfo>
#include <utility>

#include "tarnwick/model/FuzzyConsts.h"
#include "tarnwick/model/FuzzyParserBase.h"
#include "tarnwick/platform/Format.h"
#include "tarnwick/parser/detail/TokenReads.h"
#include "tarnwick/platform/ScopeGuard.h"

namespace tarnwick {

namespace {

constexpr char32_t kLF = 10;
constexpr char32_t kCR = 13;

// Kind codes of FinishToken besides the punctuation characters.
constexpr std::int32_t kKindEnd = -1;
constexpr std::int32_t kKindWord = 0;
constexpr std::int32_t kKindCRLF = 13;
constexpr std::int32_t kKindString = 34;

constexpr bool IsPunctuation(char32_t C) noexcept {
  switch (C) {
    case U'&': case U'(': case U')': case U'=': case U'[': case U']': case U'|': case U'~':
      return true;
    default:
      return false;
  }
}

// Characters that end a word and stay unread (besides the quote and comment characters).
// "=" is not among them and "<" is: "a=b" is one word, "a<=b" two.
constexpr bool EndsWord(char32_t C) noexcept {
  switch (C) {
    case U'&': case U'(': case U')': case U'<': case U'[': case U']': case U'|': case U'~':
      return true;
    default:
      return false;
  }
}

bool IsKind(const Intf<IFuzzyStreamToken>& Token, std::int32_t Kind) {
  return detail::KindOf(Token.get()) == Kind;
}

// Blanks and control characters that do not end a line.
constexpr TAsciiSet kInLineBlanks = TAsciiSet::Range(0, 32).Exclude(kCR).Exclude(kLF);

// Printable ASCII characters that do not end a word: what a word takes unless the character
// is the quote, comment or escape character.
constexpr TAsciiSet kWordChars = [] {
  TAsciiSet Result;
  for (char32_t C = 33; C < 128; ++C)
    if (!EndsWord(C)) Result.Include(C);
  return Result;
}();

// AppendCodePoint, with the ASCII characters nearly every text consists of appended inline.
inline void AppendChar(std::string& S, char32_t C) {
  if (C < 0x80)
    S.push_back(static_cast<char>(C));
  else
    AppendCodePoint(S, C);
}

[[noreturn]] void RaiseUnbalancedString() {
  throw EFzyParseException(LoadResString(SUnbalancedString));
}

}  // namespace

TFuzzyLogicTokenStream::TFuzzyLogicTokenStream(std::unique_ptr<TStream> Stream,
                                               const TEncoding* Encoding)
    : TGTextStream(std::move(Stream), Encoding) {
  UpdatePlainChars();
}

TFuzzyLogicTokenStream::~TFuzzyLogicTokenStream() = default;

void TFuzzyLogicTokenStream::UpdatePlainChars() noexcept {
  FPlainWordChars =
      TAsciiSet(kWordChars).Exclude(FQuoteChar).Exclude(FCommentChar).Exclude(FEscapeChar);
  // Line ends go through GetChar, which counts them.
  FPlainStringChars =
      TAsciiSet::Range(0, 127).Exclude(FQuoteChar).Exclude(FEscapeChar).Exclude(kCR).Exclude(kLF);
}

// ---------------------------------------------------------------------------------------------
// Characters and lines

// Every line end is consumed here, and only here are lines counted.
char32_t TFuzzyLogicTokenStream::GetChar() {
  char32_t C = 0;
  if (!TGTextStream::GetChar(C)) C = 0;  // the base's GetChar(), inline
  if (C == kLF) {
    ++FLineNumber;
  } else if (C == kCR) {
    char32_t Next;
    if (!(PeekChar(Next) && Next == kLF)) ++FLineNumber;  // CR LF counts once, at its LF
  }
  return C;
}

bool TFuzzyLogicTokenStream::ReadLineEnd(std::string& Dest) {
  char32_t C;
  if (!PeekChar(C) || (C != kCR && C != kLF)) return false;
  AppendChar(Dest, GetChar());
  if (C == kCR && PeekChar(C) && C == kLF) AppendChar(Dest, GetChar());
  return true;
}

bool TFuzzyLogicTokenStream::SkipInLineSpaces() {
  for (;;) {
    AppendAsciiRun(FWhiteSpace, kInLineBlanks);
    char32_t C;
    if (!PeekChar(C) || C > 32) return false;
    if (C == kCR || C == kLF) return ReadLineEnd(FWhiteSpace);
    AppendChar(FWhiteSpace, GetChar());
  }
}

std::string TFuzzyLogicTokenStream::GetLine() {
  std::string Text = ReadToLineEnd();
  FWhiteSpace += Text;
  std::string LineEnd;
  if (ReadLineEnd(LineEnd)) FWhiteSpace += "\r\n";  // written CR LF, whichever it was
  return Text;
}

// ---------------------------------------------------------------------------------------------
// Building tokens

Intf<IFuzzyStreamToken> TFuzzyLogicTokenStream::BuildNextToken() {
  // Comments loop back here rather than recursing: a text of many comment lines must not grow
  // the stack.
  for (;;) {
    FText.clear();
    if (Intf<IFuzzyStreamToken> Token = BuildPlainToken()) return Token;
    while (SkipInLineSpaces() && !IsEof()) {
    }
    if (IsEof()) return FinishToken(kKindEnd, FText);

    char32_t C = GetChar();
    if (C == FQuoteChar) {
      FText = ReadString(FText);
      return FinishToken(kKindString, FText);
    }
    if (IsPunctuation(C)) {
      AppendChar(FText, C);
      return FinishToken(static_cast<std::int32_t>(C), FText);
    }
    if (C == FCommentChar) {
      AppendChar(FWhiteSpace, C);
      GetLine();
      continue;
    }

    // A word: C is taken unchanged, even when it is the escape character.
    AppendChar(FText, C);
    for (;;) {
      AppendAsciiRun(FText, FPlainWordChars);
      // Looked at first: a character that ends the word mostly stays unread where it stands,
      // in the buffer, rather than going through a put-back.
      char32_t D;
      if (!PeekChar(D)) return FinishToken(kKindWord, FText);
      if (D <= 32) {
        // The blank or line end that ends the word goes to the word's whitespace. A line end
        // is read through GetChar only once the word is finished, so that it counts after the
        // word, which keeps the line it stands on. Of a CR LF the word takes the CR; the LF is
        // the next token's.
        AppendChar(FWhiteSpace, D);
        if (D != kCR && D != kLF) {
          TGTextStream::GetChar(D);
          return FinishToken(kKindWord, FText);
        }
        Intf<IFuzzyStreamToken> Token = FinishToken(kKindWord, FText);
        GetChar();
        return Token;
      }
      if (D == FQuoteChar || D == FCommentChar || EndsWord(D)) return FinishToken(kKindWord, FText);
      TGTextStream::GetChar(D);  // the peeked character, which no line end can be
      if (D == FEscapeChar) {
        if (IsEof()) return FinishToken(kKindWord, FText);
        D = GetChar();
      }
      AppendChar(FText, D);
    }
  }
}

Intf<IFuzzyStreamToken> TFuzzyLogicTokenStream::BuildPlainToken() {
  // A descendant may read characters or skip blanks its own way.
  if (!IsExactClass(*this, typeid(TFuzzyLogicTokenStream))) return nullptr;
  const std::string_view Bytes = PlainAvailable();
  const char* P = Bytes.data();
  const char* const End = P + Bytes.size();
  // The blanks and line ends before the token, as SkipInLineSpaces takes them and GetChar
  // counts them; a CR at the buffer's end is left to GetChar, which sees what follows it.
  const char* const Blanks = P;
  for (; P < End && static_cast<unsigned char>(*P) <= 32; ++P) {
    if (*P == '\n') {
      ++FLineNumber;
    } else if (*P == '\r') {
      if (P + 1 == End) break;
      if (P[1] != '\n') ++FLineNumber;
    }
  }
  if (P != Blanks) {
    FWhiteSpace.append(Blanks, static_cast<std::size_t>(P - Blanks));
    Consume(static_cast<std::size_t>(P - Blanks));
  }
  if (P == End) return nullptr;
  const auto C = static_cast<unsigned char>(*P);
  if (C <= 32 || C >= 0x80 || C == FQuoteChar || C == FCommentChar) return nullptr;
  if (IsPunctuation(C)) {
    FText.assign(1, static_cast<char>(C));
    Consume(1);
    return FinishToken(C, FText);
  }
  if (C == FEscapeChar) return nullptr;
  // A word of plain characters, taken when the character after it ends it without more ado:
  // a blank or line end, or one that stays unread. Anything else (the escape character, a
  // character beyond ASCII, the buffer's end) and the word is read the general way.
  const char* W = P + 1;
  while (W < End && FPlainWordChars.Contains(static_cast<unsigned char>(*W))) ++W;
  if (W == End) return nullptr;
  const auto D = static_cast<unsigned char>(*W);
  if (D > 32 && !(D == FQuoteChar || D == FCommentChar || EndsWord(D))) return nullptr;
  FText.assign(P, static_cast<std::size_t>(W - P));
  Consume(static_cast<std::size_t>(W - P));
  if (D > 32) return FinishToken(kKindWord, FText);
  // As BuildNextToken: the blank or line end goes to the word's whitespace, and a line end is
  // read (and counted) only once the word is finished.
  FWhiteSpace.push_back(static_cast<char>(D));
  if (D != kCR && D != kLF) {
    Consume(1);
    return FinishToken(kKindWord, FText);
  }
  Intf<IFuzzyStreamToken> Token = FinishToken(kKindWord, FText);
  GetChar();
  return Token;
}

Intf<IFuzzyStreamToken> TFuzzyLogicTokenStream::FinishToken(std::int32_t Kind,
                                                            const std::string& Text) {
  // Filled through its own class before it is handed out as an interface, with the base's
  // setters named, which it does not override: they are then plain stores, not virtual calls.
  auto* Token = new TFuzzyStreamToken();
  Intf<IFuzzyStreamToken> Result = FirstIntf<IFuzzyStreamToken>(Token);
  Token->TBaseStreamToken::SetLineNumber(FLineNumber);
  switch (Kind) {
    case kKindEnd:
      if (!Text.empty()) return FinishToken(kKindWord, Text);
      Token->TBaseStreamToken::SetDataType(fstNone);
      Token->TBaseStreamToken::SetText("EOF");
      break;
    case kKindWord:
      if (!Text.empty() && Text[0] == '?') {
        Token->TBaseStreamToken::SetDataType(fstVariable);
        Token->TBaseStreamToken::SetText(Text.substr(1));
      } else if (Text.size() == 1 && IsNumberSymbol(static_cast<unsigned char>(Text[0]))) {
        Token->TBaseStreamToken::SetDataType(fstAtom);
        Token->TBaseStreamToken::SetText(Text);
      } else {
        std::int32_t IntValue = 0;
        double FloatValue = 0;
        // The whole word must convert. The platform's conversion forgives blanks around a
        // number, and a word can end in one only through the escape character ("5\ " is the
        // word "5 "), so such a word stays an atom.
        bool MayBeNumber = !Text.empty() && IsNumberChar(static_cast<unsigned char>(Text[0])) &&
                           static_cast<unsigned char>(Text.back()) > 32;
        if (MayBeNumber && TryStrToInt(Text, IntValue)) {
          Token->TBaseStreamToken::SetDataType(fstInteger);
          Token->TBaseStreamToken::SetNumber(IntValue);
        } else if (MayBeNumber && TryStrToFloat(Text, FloatValue, TFormatSettings::Invariant())) {
          Token->TBaseStreamToken::SetDataType(fstFloat);
          Token->TBaseStreamToken::SetNumber(FloatValue);
        } else {
          Token->TBaseStreamToken::SetDataType(fstAtom);
          Token->TBaseStreamToken::SetText(Text);
        }
      }
      break;
    case kKindCRLF:
      Token->TBaseStreamToken::SetDataType(fstAtom);
      Token->TBaseStreamToken::SetText("CRLF");
      break;
    case kKindString:
      Token->TBaseStreamToken::SetDataType(fstString);
      Token->TBaseStreamToken::SetText(Text);
      break;
    case U'&': case U'(': case U')': case U'=': case U'[': case U']': case U'|': case U'~':
      Token->TBaseStreamToken::SetDataType(Kind);
      Token->TBaseStreamToken::SetText(Text);
      break;
    default:
      throw EFzyParseException(Format(LoadResString(SInvalidBaseTokenHint), {IntToStr(Kind)}));
  }
  Token->TBaseStreamToken::SetWhitespace(FWhiteSpace);
  FWhiteSpace.clear();
  return Result;
}

std::string TFuzzyLogicTokenStream::ReadString(const std::string& Start) {
  std::string Result = Start;
  for (;;) {
    AppendAsciiRun(Result, FPlainStringChars);
    if (IsEof()) RaiseUnbalancedString();
    char32_t C = GetChar();
    if (C == FQuoteChar) return Result;
    if (C == FEscapeChar) {
      if (IsEof()) RaiseUnbalancedString();
      C = GetChar();
    }
    AppendChar(Result, C);
  }
}

// ---------------------------------------------------------------------------------------------
// Look-ahead and echo

void TFuzzyLogicTokenStream::RestartEcho() {
  FEcho.clear();
  FEchoText.clear();
}

std::string TFuzzyLogicTokenStream::PrintedFormOf(const TEchoStep& Step) const {
  const std::string Text = FEchoText.substr(Step.TextStart, Step.TextSize);
  if (Step.Printed || Step.DataType >= kFuzzyStreamTokenTypeCount) return Text;  // punctuation
  TFuzzyStreamToken Token;
  Token.TBaseStreamToken::SetDataType(Step.DataType);
  Token.TBaseStreamToken::SetText(Text);
  Token.TBaseStreamToken::SetNumber(Step.Number);
  return Token.TBaseStreamToken::ToString();
}

void TFuzzyLogicTokenStream::AddEchoStep(const IFuzzyStreamToken* Token, bool PutBack, bool NewLine) {
  TEchoStep& Step = FEcho.emplace_back();
  Step.PutBack = PutBack;
  Step.NewLine = NewLine;
  Step.TextStart = FEchoText.size();
  const TFuzzyStreamToken* Own = detail::OwnToken(Token);
  const std::int32_t Kind = Own != nullptr ? Own->TBaseStreamToken::GetDataType() : Token->GetDataType();
  // Punctuation and the kinds the base prints depend on these alone; the others (a list, a
  // set) on their payload, which is printed now.
  if (Own != nullptr && (Kind >= kFuzzyStreamTokenTypeCount || Kind < fstInterface)) {
    Step.DataType = Kind;
    Step.Number = Own->TBaseStreamToken::GetNumber();
    const std::string& Text = Own->TBaseStreamToken::TextRef();
    if (Text.size() == 1)
      FEchoText.push_back(Text[0]);  // punctuation, mostly
    else
      FEchoText.append(Text);
  } else {
    Step.Printed = true;
    FEchoText.append(Own != nullptr ? Own->TFuzzyStreamToken::ToString() : Token->ToString());
  }
  Step.TextSize = FEchoText.size() - Step.TextStart;
}

std::string TFuzzyLogicTokenStream::ToString() const {
  std::string Echo;
  for (const TEchoStep& Step : FEcho) {
    if (!Step.PutBack) {
      if (Step.NewLine) Echo += "\r\n";
      Echo += PrintedFormOf(Step);
    } else {
      // The echo ends with the token's printed form and a blank: keep what stands before
      // them, without trailing blanks or line ends, and one blank. Bytes are counted, which
      // for that ending is the same as counting characters; a cut that would fall inside a
      // character (the echo did not end with this token) moves back to the character's start.
      std::size_t Cut = 0;
      const std::size_t Printed = PrintedFormOf(Step).size() + 1;
      if (Echo.size() > Printed) Cut = Echo.size() - Printed;
      while (Cut > 0 && (static_cast<unsigned char>(Echo[Cut]) & 0xC0) == 0x80) --Cut;
      while (Cut > 0 && static_cast<unsigned char>(Echo[Cut - 1]) <= 32) --Cut;
      Echo.resize(Cut);
    }
    Echo += ' ';
  }
  return Echo;
}

bool TFuzzyLogicTokenStream::PrepareSExp() {
  RestartEcho();
  // The scratch stack is empty between calls, also when reading fails halfway.
  FTempStack.clear();
  const TScopeExit ClearStack([this]() noexcept { FTempStack.clear(); });

  std::int32_t Depth = 0;
  for (;;) {
    Intf<IFuzzyStreamToken> Token = BuildNextToken();
    const std::int32_t Kind = detail::KindOf(Token.get());
    FTempStack.push_back(std::move(Token));
    if (Kind == fstNone) break;
    if (Kind == U'(') {
      if (Depth >= FMaxNestingDepth) {
        EFzyParseException E(Format(LoadResString(SFzyNestingTooDeep), {FMaxNestingDepth}));
        E.SetLineNumber(FTempStack.back()->GetLineNumber());
        throw E;
      }
      ++Depth;
    } else if (Kind == U')') {
      --Depth;
    }
    if (Depth == 0) break;
  }
  // FTempStack holds the first token read at the front; the look-ahead hands out its back.
  if (FStack.empty()) {  // as NextToken calls it: the scratch stack, reversed, becomes the look-ahead
    std::reverse(FTempStack.begin(), FTempStack.end());
    FStack.swap(FTempStack);
    return true;
  }
  FStack.reserve(FStack.size() + FTempStack.size());
  for (auto It = FTempStack.rbegin(); It != FTempStack.rend(); ++It) FStack.push_back(std::move(*It));
  return true;
}

Intf<IFuzzyStreamToken> TFuzzyLogicTokenStream::NextToken() { return Intf<IFuzzyStreamToken>(TakeNextToken()); }

IFuzzyStreamToken* TFuzzyLogicTokenStream::TakeNextToken() {
  if (FStack.empty()) PrepareSExp();
  Intf<IFuzzyStreamToken> Token = std::move(FStack.back());
  FStack.pop_back();
  AddEchoStep(Token.get(), false, FCurrentToken && detail::LineOf(Token.get()) > detail::LineOf(FCurrentToken.get()));
  const std::int32_t Kind = detail::KindOf(Token.get());
  if (Kind == U')')
    --FParenthesisLevel;
  else if (Kind == U'(')
    ++FParenthesisLevel;
  // The look-ahead's reference becomes the current token's.
  FCurrentToken = std::move(Token);
  return FCurrentToken.get();
}

void TFuzzyLogicTokenStream::PutBackToken(IFuzzyStreamToken* Token) {
  if (Token == nullptr) return;
  FStack.emplace_back(Token);
  // Mostly the token just read, which is the current one already.
  if (FCurrentToken.get() != Token) FCurrentToken = FStack.back();
  AddEchoStep(Token, true, false);
  const std::int32_t Kind = detail::KindOf(Token);
  if (Kind == U')')
    ++FParenthesisLevel;
  else if (Kind == U'(')
    --FParenthesisLevel;
}

Intf<IFuzzyStreamToken> TFuzzyLogicTokenStream::GetCurrentToken() {
  if (!FCurrentToken) NextToken();
  return FCurrentToken;
}

// ---------------------------------------------------------------------------------------------
// Other operations

void TFuzzyLogicTokenStream::Clear() {
  FStack.clear();
  RestartEcho();
}

void TFuzzyLogicTokenStream::DiscardUntilEOL() { GetLine(); }

void TFuzzyLogicTokenStream::MoveToNextConstruct() {
  while (FParenthesisLevel != 0) {
    if (IsKind(NextToken(), fstNone)) break;
  }
}

std::string TFuzzyLogicTokenStream::Head() {
  Intf<IFuzzyStreamToken> Token = NextToken();
  if (!IsKind(Token, U'(') || FStack.empty()) return {};
  Intf<IFuzzyStreamToken> Waiting = FStack.back();
  PutBackToken(Token.get());
  if (IsKind(Waiting, fstAtom)) {
    std::string Text = Waiting->GetText();
    return Text.empty() ? Waiting->ToString() : Text;
  }
  if (IsKind(Waiting, U'=')) return "=";
  return {};
}

}  // namespace tarnwick
