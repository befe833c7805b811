// The lexer of the fuzzy definition language.
#include "tarnwick/parser/FuzzyLogicTokenStream.h"

#include <algorithm>
#include <cstddef>
#include <limits>
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
// No kind at all: ReadPlainTokenText left the token to the general way.
constexpr std::int32_t kNoKind = std::numeric_limits<std::int32_t>::min();

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
  // Room for a definition of a few terms at once, rather than grown step by step.
  FAhead.reserve(64);
  FEcho.reserve(64);
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
  bool LineEndAfter = false;
  const std::int32_t Kind = ReadTokenText(LineEndAfter);
  Intf<IFuzzyStreamToken> Token = FinishToken(Kind, FText);
  if (LineEndAfter) GetChar();
  return Token;
}

std::int32_t TFuzzyLogicTokenStream::ReadTokenText(bool& LineEndAfter) {
  LineEndAfter = false;
  // Comments loop back here rather than recursing: a text of many comment lines must not grow
  // the stack.
  for (;;) {
    FText.clear();
    while (SkipInLineSpaces() && !IsEof()) {
    }
    if (IsEof()) return kKindEnd;

    char32_t C = GetChar();
    if (C == FQuoteChar) {
      FText = ReadString(FText);
      return kKindString;
    }
    if (IsPunctuation(C)) {
      AppendChar(FText, C);
      return static_cast<std::int32_t>(C);
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
      if (!PeekChar(D)) return kKindWord;
      if (D <= 32) {
        // The blank or line end that ends the word goes to the word's whitespace. A line end
        // is read through GetChar only once the word is finished, so that it counts after the
        // word, which keeps the line it stands on. Of a CR LF the word takes the CR; the LF is
        // the next token's.
        AppendChar(FWhiteSpace, D);
        if (D != kCR && D != kLF)
          TGTextStream::GetChar(D);
        else
          LineEndAfter = true;
        return kKindWord;
      }
      if (D == FQuoteChar || D == FCommentChar || EndsWord(D)) return kKindWord;
      TGTextStream::GetChar(D);  // the peeked character, which no line end can be
      if (D == FEscapeChar) {
        if (IsEof()) return kKindWord;
        D = GetChar();
      }
      AppendChar(FText, D);
    }
  }
}

std::int32_t TFuzzyLogicTokenStream::ReadPlainToken(TTokenFields& Fields, bool& LineEndAfter) {
  LineEndAfter = false;
  const std::string_view Bytes = PlainAvailable();
  const char* P = Bytes.data();
  const char* const End = P + Bytes.size();
  // The blanks and line ends before the token, as SkipInLineSpaces takes them and GetChar
  // counts them; a CR at the buffer's end is left to GetChar, which sees what follows it.
  const char* const Blanks = P;
  std::int32_t Lines = 0;
  for (; P < End && static_cast<unsigned char>(*P) <= 32; ++P) {
    if (*P == '\n') {
      ++Lines;
    } else if (*P == '\r') {
      if (P + 1 == End) break;
      if (P[1] != '\n') ++Lines;
    }
  }
  const auto TakeBlanks = [&](std::string& Dest) {
    Dest.append(Blanks, static_cast<std::size_t>(P - Blanks));
    Consume(static_cast<std::size_t>(P - Blanks));
    FLineNumber += Lines;
  };
  const auto GeneralWay = [&] {
    TakeBlanks(FWhiteSpace);
    return kNoKind;
  };
  if (P == End) return GeneralWay();
  const auto C = static_cast<unsigned char>(*P);
  if (C <= 32 || C >= 0x80 || C == FQuoteChar || C == FCommentChar) return GeneralWay();
  const char* W = P + 1;
  if (!IsPunctuation(C)) {
    if (C == FEscapeChar) return GeneralWay();
    // A word of plain characters, taken when the character after it ends it without more ado:
    // a blank or line end, or one that stays unread. Anything else (the escape character, a
    // character beyond ASCII, the buffer's end) and the word is read the general way.
    while (W < End && FPlainWordChars.Contains(static_cast<unsigned char>(*W))) ++W;
    if (W == End) return GeneralWay();
    const auto D = static_cast<unsigned char>(*W);
    if (D > 32 && !(D == FQuoteChar || D == FCommentChar || EndsWord(D))) return GeneralWay();
  }
  // The whitespace is what was pending, the blanks, and (after a word) the blank or line end
  // that ends it, which as the general way has it is read only once the word is finished.
  Fields.Whitespace.swap(FWhiteSpace);
  FWhiteSpace.clear();
  TakeBlanks(Fields.Whitespace);
  Fields.Text.assign(P, static_cast<std::size_t>(W - P));
  Consume(static_cast<std::size_t>(W - P));
  if (IsPunctuation(C)) return C;
  const auto D = static_cast<unsigned char>(*W);
  if (D <= 32) {
    Fields.Whitespace.push_back(static_cast<char>(D));
    if (D != kCR && D != kLF)
      Consume(1);
    else
      LineEndAfter = true;
  }
  return kKindWord;
}

Intf<IFuzzyStreamToken> TFuzzyLogicTokenStream::FinishToken(std::int32_t Kind,
                                                            const std::string& Text) {
  TTokenFields Fields;
  Fields.Text = Text;
  FinishFields(Kind, Fields);
  // It takes the pending whitespace, which starts anew.
  Fields.Whitespace.swap(FWhiteSpace);
  FWhiteSpace.clear();
  return MakeToken(Fields);
}

void TFuzzyLogicTokenStream::FinishFields(std::int32_t Kind, TTokenFields& Fields) {
  Fields.LineNumber = FLineNumber;
  std::string& Text = Fields.Text;
  switch (Kind) {
    case kKindEnd:
      if (!Text.empty()) return FinishFields(kKindWord, Fields);
      Fields.DataType = fstNone;
      Text = "EOF";
      break;
    case kKindWord:
      if (!Text.empty() && Text[0] == '?') {
        Fields.DataType = fstVariable;
        Text.erase(0, 1);
      } else if (Text.size() == 1 && IsNumberSymbol(static_cast<unsigned char>(Text[0]))) {
        Fields.DataType = fstAtom;
      } else {
        std::int32_t IntValue = 0;
        double FloatValue = 0;
        // The whole word must convert. The platform's conversion forgives blanks around a
        // number, and a word can end in one only through the escape character ("5\ " is the
        // word "5 "), so such a word stays an atom.
        bool MayBeNumber = !Text.empty() && IsNumberChar(static_cast<unsigned char>(Text[0])) &&
                           static_cast<unsigned char>(Text.back()) > 32;
        if (MayBeNumber && TryStrToInt(Text, IntValue)) {
          Fields.DataType = fstInteger;
          Fields.Number = IntValue;
          Text.clear();
        } else if (MayBeNumber && TryStrToFloat(Text, FloatValue, TFormatSettings::Invariant())) {
          Fields.DataType = fstFloat;
          Fields.Number = FloatValue;
          Text.clear();
        } else {
          Fields.DataType = fstAtom;
        }
      }
      break;
    case kKindCRLF:
      Fields.DataType = fstAtom;
      Text = "CRLF";
      break;
    case kKindString:
      Fields.DataType = fstString;
      break;
    case U'&': case U'(': case U')': case U'=': case U'[': case U']': case U'|': case U'~':
      Fields.DataType = Kind;
      break;
    default:
      throw EFzyParseException(Format(LoadResString(SInvalidBaseTokenHint), {IntToStr(Kind)}));
  }
}

Intf<IFuzzyStreamToken> TFuzzyLogicTokenStream::MakeToken(const TTokenFields& Fields) {
  // Filled through its own class before it is handed out as an interface, with the base's
  // setters named, which it does not override: they are then plain stores, not virtual calls.
  auto* Token = new TFuzzyStreamToken();
  Intf<IFuzzyStreamToken> Result = FirstIntf<IFuzzyStreamToken>(Token);
  Token->TBaseStreamToken::SetDataType(Fields.DataType);
  Token->TBaseStreamToken::SetLineNumber(Fields.LineNumber);
  Token->TBaseStreamToken::SetNumber(Fields.Number);
  Token->TBaseStreamToken::SetText(Fields.Text);
  Token->TBaseStreamToken::SetWhitespace(Fields.Whitespace);
  return Result;
}

TFuzzyStreamToken* TFuzzyLogicTokenStream::ReusableCurrentToken() const noexcept {
  TFuzzyStreamToken* Own = ExactClassObject<TFuzzyStreamToken>(FCurrentToken.get());
  if (Own == nullptr || Own->GetRefCount() != 1 || Own->HasWeakReferences()) return nullptr;
  return Own;
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
  std::int32_t DataType = Step.DataType;
  double Number = Step.Number;
  std::string Text;
  if (Step.Ahead) {
    const TTokenFields& Fields = FAhead[Step.TextStart].Fields;
    DataType = Fields.DataType;
    Number = Fields.Number;
    Text = Fields.Text;
  } else {
    Text = FEchoText.substr(Step.TextStart, Step.TextSize);
    if (Step.Printed) return Text;
  }
  if (DataType >= kFuzzyStreamTokenTypeCount) return Text;  // punctuation
  TFuzzyStreamToken Token;
  Token.TBaseStreamToken::SetDataType(DataType);
  Token.TBaseStreamToken::SetText(Text);
  Token.TBaseStreamToken::SetNumber(Number);
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
  // The new tokens go after the waiting ones and then before them; when reading fails
  // halfway, they go again.
  if (FNext == FAhead.size()) {
    FAhead.clear();
  } else {
    FAhead.erase(FAhead.begin(), FAhead.begin() + static_cast<std::ptrdiff_t>(FNext));
  }
  FNext = 0;
  const std::size_t Waiting = FAhead.size();
  bool Complete = false;
  const TScopeExit DropPartial([this, Waiting, &Complete]() noexcept {
    if (!Complete) FAhead.resize(Waiting);
  });

  // A stream of this class keeps its tokens as fields until they are handed out; a
  // descendant's come from its own BuildNextToken.
  const bool Own = IsExactClass(*this, typeid(TFuzzyLogicTokenStream));
  std::int32_t Depth = 0;
  for (;;) {
    TAheadToken& Next = FAhead.emplace_back();
    std::int32_t Kind;
    if (Own) {
      bool LineEndAfter = false;
      std::int32_t TextKind = ReadPlainToken(Next.Fields, LineEndAfter);
      if (TextKind == kNoKind) {
        TextKind = ReadTokenText(LineEndAfter);
        Next.Fields.Text.swap(FText);
        FinishFields(TextKind, Next.Fields);
        Next.Fields.Whitespace.swap(FWhiteSpace);
        FWhiteSpace.clear();
      } else {
        FinishFields(TextKind, Next.Fields);
      }
      if (LineEndAfter) GetChar();
      Kind = Next.Fields.DataType;
    } else {
      Next.Token = BuildNextToken();
      Kind = detail::KindOf(Next.Token.get());
    }
    if (Kind == fstNone) break;
    if (Kind == U'(') {
      if (Depth >= FMaxNestingDepth) {
        EFzyParseException E(Format(LoadResString(SFzyNestingTooDeep), {FMaxNestingDepth}));
        const TAheadToken& Deep = FAhead.back();
        E.SetLineNumber(Deep.Token ? Deep.Token->GetLineNumber() : Deep.Fields.LineNumber);
        throw E;
      }
      ++Depth;
    } else if (Kind == U')') {
      --Depth;
    }
    if (Depth == 0) break;
  }
  std::rotate(FAhead.begin(), FAhead.begin() + static_cast<std::ptrdiff_t>(Waiting), FAhead.end());
  Complete = true;
  return true;
}

Intf<IFuzzyStreamToken> TFuzzyLogicTokenStream::NextToken() { return Intf<IFuzzyStreamToken>(TakeNextToken()); }

IFuzzyStreamToken* TFuzzyLogicTokenStream::TakeNextToken() {
  if (FNext == FAhead.size()) PrepareSExp();
  const std::size_t Index = FNext++;
  TAheadToken& Next = FAhead[Index];
  const std::int32_t Line = Next.Token ? detail::LineOf(Next.Token.get()) : Next.Fields.LineNumber;
  const bool NewLine = FCurrentToken && Line > detail::LineOf(FCurrentToken.get());
  // The look-ahead's token becomes the current one, and the current one goes; when nothing
  // else holds it, it is filled anew instead. Fields stay as they are for the echo.
  if (Next.Token) {
    FCurrentToken = std::move(Next.Token);
    AddEchoStep(FCurrentToken.get(), false, NewLine);
  } else {
    if (TFuzzyStreamToken* Reused = ReusableCurrentToken()) {
      // Everything it starts with as a new token; its payload goes now, as it would with it.
      if (Reused->HasPayload()) {
        Reused->TFuzzyStreamToken::SetIntfValue(nullptr);
        Reused->TFuzzyStreamToken::SetObjValue(nullptr);
      }
      Reused->TBaseStreamToken::SetTag(0);
      Reused->TBaseStreamToken::SetDataType(Next.Fields.DataType);
      Reused->TBaseStreamToken::SetLineNumber(Next.Fields.LineNumber);
      Reused->TBaseStreamToken::SetNumber(Next.Fields.Number);
      Reused->TBaseStreamToken::SetText(Next.Fields.Text);
      Reused->TBaseStreamToken::SetWhitespace(Next.Fields.Whitespace);
    } else {
      FCurrentToken = MakeToken(Next.Fields);
    }
    TEchoStep& Step = FEcho.emplace_back();
    Step.NewLine = NewLine;
    Step.Ahead = true;
    Step.TextStart = Index;
  }
  const std::int32_t Kind = detail::KindOf(FCurrentToken.get());
  if (Kind == U')')
    --FParenthesisLevel;
  else if (Kind == U'(')
    ++FParenthesisLevel;
  return FCurrentToken.get();
}

void TFuzzyLogicTokenStream::PutBackToken(IFuzzyStreamToken* Token) {
  if (Token == nullptr) return;
  // Mostly into the place of the token just handed out.
  if (FNext > 0) {
    FAhead[--FNext].Token = Token;
  } else {
    FAhead.insert(FAhead.begin(), TAheadToken{Intf<IFuzzyStreamToken>(Token), {}});
    for (TEchoStep& Step : FEcho)
      if (Step.Ahead) ++Step.TextStart;
  }
  // Mostly the token just read, which is the current one already.
  if (FCurrentToken.get() != Token) FCurrentToken = Token;
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
  FAhead.clear();
  FNext = 0;
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
  if (!IsKind(Token, U'(') || FNext == FAhead.size()) return {};
  // Made now, so that it is this token that is handed out next.
  TAheadToken& Ahead = FAhead[FNext];
  if (!Ahead.Token) Ahead.Token = MakeToken(Ahead.Fields);
  Intf<IFuzzyStreamToken> Waiting = Ahead.Token;
  PutBackToken(Token.get());
  if (IsKind(Waiting, fstAtom)) {
    std::string Text = Waiting->GetText();
    return Text.empty() ? Waiting->ToString() : Text;
  }
  if (IsKind(Waiting, U'=')) return "=";
  return {};
}

}  // namespace tarnwick
