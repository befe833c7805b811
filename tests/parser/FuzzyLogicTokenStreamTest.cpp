// The lexer of the definition language: token kinds, words, strings, comments, line counting,
// look-ahead, put-back, the echo, and hostile texts.
#include "tarnwick/parser/FuzzyLogicTokenStream.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "tarnwick/common/TextStream.h"
#include "tarnwick/model/FuzzyConsts.h"
#include "tarnwick/model/FuzzyParserBase.h"
#include "tarnwick/platform/Format.h"
#include "tarnwick/platform/Streams.h"

namespace tarnwick {
namespace {

using testing::ElementsAre;

#define EXPECT_THROW_MSG(Stmt, Type, Msg)          \
  EXPECT_THROW(                                    \
      {                                            \
        try {                                      \
          Stmt;                                    \
        } catch (const Type& E) {                  \
          EXPECT_STREQ(E.what(), Msg);             \
          throw;                                   \
        }                                          \
      },                                           \
      Type)

std::unique_ptr<TFuzzyLogicTokenStream> Lex(std::string_view Text,
                                            const TEncoding* Encoding = nullptr) {
  return std::make_unique<TFuzzyLogicTokenStream>(std::make_unique<TKVStringStream>(Text, Encoding),
                                                  Encoding);
}

// The bytes themselves, whatever the encoding: for texts that are not UTF-8.
std::unique_ptr<TFuzzyLogicTokenStream> LexBytes(std::string_view Bytes, const TEncoding* Encoding) {
  auto S = std::make_unique<TKVStringStream>();
  S->WriteBuffer(Bytes.data(), static_cast<std::int64_t>(Bytes.size()));
  S->SetPosition(0);
  return std::make_unique<TFuzzyLogicTokenStream>(std::move(S), Encoding);
}

struct TTok {
  std::int32_t Kind;
  std::string Text;
  double Number;
  std::int32_t Line;
  std::string Whitespace;
};

// Every token up to and including the end token.
std::vector<TTok> Tokens(TFuzzyLogicTokenStream& S) {
  std::vector<TTok> Result;
  for (;;) {
    Intf<IFuzzyStreamToken> T = S.NextToken();
    Result.push_back({T->GetDataType(), T->GetText(), T->GetNumber(), T->GetLineNumber(),
                      T->GetWhitespace()});
    if (T->GetDataType() == fstNone) return Result;
  }
}

std::vector<TTok> Tokens(std::string_view Text) { return Tokens(*Lex(Text)); }

// Kind and text of each token before the end token, as "kind:text".
std::vector<std::string> Words(std::string_view Text) {
  std::vector<std::string> Result;
  for (const TTok& T : Tokens(Text)) {
    if (T.Kind == fstNone) break;
    Result.push_back(std::to_string(T.Kind) + ":" + T.Text);
  }
  return Result;
}

std::vector<std::int32_t> Lines(std::string_view Text) {
  std::vector<std::int32_t> Result;
  for (const TTok& T : Tokens(Text)) Result.push_back(T.Line);
  return Result;
}

// Opens the protected operations to the tests.
class TOpenTokenStream : public TFuzzyLogicTokenStream {
 public:
  explicit TOpenTokenStream(std::string_view Text)
      : TFuzzyLogicTokenStream(std::make_unique<TKVStringStream>(Text), nullptr) {}
  using TFuzzyLogicTokenStream::BuildNextToken;
  using TFuzzyLogicTokenStream::FinishToken;
  using TFuzzyLogicTokenStream::ReadString;
};

// ---------------------------------------------------------------------------------------------
// Token kinds

TEST(FuzzyLogicTokenStream, OneWordOfEveryKind) {
  struct Case {
    const char* Input;
    std::int32_t Kind;
    const char* Text;
    double Number;
  };
  static const Case kCases[] = {
      {"speed", fstAtom, "speed", 0},
      {"\"warm day\"", fstString, "warm day", 0},
      {"5", fstInteger, "", 5},
      {"-12", fstInteger, "", -12},
      {"+7", fstInteger, "", 7},
      {"-0", fstInteger, "", 0},
      {"2147483647", fstInteger, "", 2147483647.0},
      {"-2147483648", fstInteger, "", -2147483648.0},
      {"2147483648", fstFloat, "", 2147483648.0},     // beyond 32 bits: a float
      {"-2147483649", fstFloat, "", -2147483649.0},
      {"123456789012345678901234567890", fstFloat, "", 1.2345678901234568e29},
      {"5.25", fstFloat, "", 5.25},
      {"1e3", fstFloat, "", 1000},
      {"-2.5E-2", fstFloat, "", -0.025},
      {"+1.5e+2", fstFloat, "", 150},
      {".5", fstFloat, "", 0.5},
      {"5.", fstFloat, "", 5},
      {"1e-999", fstFloat, "", 0},                  // too small for a double: zero
      {"1e999", fstAtom, "1e999", 0},               // too large: no number
      {"1.5.2", fstAtom, "1.5.2", 0},
      {"1,5", fstAtom, "1,5", 0},                   // a full stop is the only separator
      {"5x", fstAtom, "5x", 0},
      {"1e", fstAtom, "1e", 0},
      {"+", fstAtom, "+", 0},
      {"-", fstAtom, "-", 0},
      {".", fstAtom, ".", 0},
      {"inf", fstAtom, "inf", 0},
      {"nan", fstAtom, "nan", 0},
      {"?speed", fstVariable, "speed", 0},
      {"?", fstVariable, "", 0},
      {"?5", fstVariable, "5", 0},
      {"&", '&', "&", 0},
      {"(", '(', "(", 0},
      {")", ')', ")", 0},
      {"=", '=', "=", 0},
      {"[", '[', "[", 0},
      {"]", ']', "]", 0},
      {"|", '|', "|", 0},
      {"~", '~', "~", 0},
      {"<=b", fstAtom, "<=b", 0},
      {"a=b", fstAtom, "a=b", 0},
      {">=", fstAtom, ">=", 0},
      {"a\\(b", fstAtom, "a(b", 0},
      {"5\\ ", fstAtom, "5 ", 0},                  // an escaped blank is part of the word,
      {"-1.5\\\t", fstAtom, "-1.5\t", 0},          // which then no longer converts whole
      {"\xC3\xA9t\xC3\xA9", fstAtom, "\xC3\xA9t\xC3\xA9", 0},
  };
  for (const Case& C : kCases) {
    std::vector<TTok> T = Tokens(C.Input);
    ASSERT_EQ(T.size(), 2u) << C.Input;
    EXPECT_EQ(T[0].Kind, C.Kind) << C.Input;
    EXPECT_EQ(T[0].Text, C.Text) << C.Input;
    EXPECT_EQ(T[0].Number, C.Number) << C.Input;
    EXPECT_EQ(T[0].Line, 1) << C.Input;
    EXPECT_EQ(T[1].Kind, fstNone) << C.Input;
  }
}

TEST(FuzzyLogicTokenStream, NumbersIgnoreTheLocale) {
  TFormatSettings Saved = FormatSettings();
  FormatSettings().DecimalSeparator = ',';
  FormatSettings().ThousandSeparator = '.';
  std::vector<TTok> T = Tokens("1.5 1,5");
  FormatSettings() = Saved;
  ASSERT_EQ(T.size(), 3u);
  EXPECT_EQ(T[0].Kind, fstFloat);
  EXPECT_EQ(T[0].Number, 1.5);
  EXPECT_EQ(T[1].Kind, fstAtom);
  EXPECT_EQ(T[1].Text, "1,5");
}

TEST(FuzzyLogicTokenStream, EndToken) {
  auto S = Lex("");
  Intf<IFuzzyStreamToken> End = S->NextToken();
  EXPECT_EQ(End->GetDataType(), fstNone);
  EXPECT_EQ(End->GetText(), "EOF");
  EXPECT_EQ(End->GetNumber(), 0);
  EXPECT_EQ(End->GetLineNumber(), 1);
  EXPECT_TRUE(S->IsEof());
  // Every read after the end gives a new end token.
  Intf<IFuzzyStreamToken> Again = S->NextToken();
  EXPECT_EQ(Again->GetDataType(), fstNone);
  EXPECT_NE(Again.get(), End.get());

  // Blanks only: the end stands on the line after the last line end and takes the blanks.
  std::vector<TTok> T = Tokens("  \n\t\r\n ");
  ASSERT_EQ(T.size(), 1u);
  EXPECT_EQ(T[0].Line, 3);
  EXPECT_EQ(T[0].Whitespace, "  \n\t\r\n ");
}

// ---------------------------------------------------------------------------------------------
// Words and their boundaries

TEST(FuzzyLogicTokenStream, WhatEndsAWord) {
  EXPECT_THAT(Words("a<=b"), ElementsAre("1:a", "1:<=b"));
  EXPECT_THAT(Words("a=b =c"), ElementsAre("1:a=b", "61:=", "1:c"));
  EXPECT_THAT(Words("x(y)"), ElementsAre("1:x", "40:(", "1:y", "41:)"));
  EXPECT_THAT(Words("a\"s\"b"), ElementsAre("1:a", "2:s", "1:b"));
  EXPECT_THAT(Words("a;c\nb"), ElementsAre("1:a", "1:b"));
  EXPECT_THAT(Words("p&q|r~s[t]"),
              ElementsAre("1:p", "38:&", "1:q", "124:|", "1:r", "126:~", "1:s", "91:[", "1:t",
                          "93:]"));
  // The escape character takes the next character into the word, whatever it is; at the very
  // end of the text it ends the word.
  EXPECT_THAT(Words("a\\ b\\;c\\\"d"), ElementsAre("1:a b;c\"d"));
  EXPECT_THAT(Words("ab\\"), ElementsAre("1:ab"));
  EXPECT_THAT(Words("a\\"), ElementsAre("1:a"));
  // At the start of a word the escape character is the word's first character.
  EXPECT_THAT(Words("\\a"), ElementsAre("1:\\a"));
}

TEST(FuzzyLogicTokenStream, StringsResolveEscapes) {
  EXPECT_THAT(Words("\"a\\\"b\\\\c\""), ElementsAre("2:a\"b\\c"));
  EXPECT_THAT(Words("\"\""), ElementsAre("2:"));
  EXPECT_THAT(Words("\"(a;b)\""), ElementsAre("2:(a;b)"));
  EXPECT_THAT(Words("\"\xE2\x82\xAC\\n\""), ElementsAre("2:\xE2\x82\xAC" "n"));
}

TEST(FuzzyLogicTokenStream, UnbalancedStrings) {
  for (const char* Text : {"\"abc", "\"abc\\", "x \"", "\"a\\\"", "(a \"b)"}) {
    auto S = Lex(Text);
    try {
      Tokens(*S);
      ADD_FAILURE() << Text;
    } catch (const EFzyParseException& E) {
      EXPECT_STREQ(E.what(), "Unterminated string: the text ends before the closing quote") << Text;
      EXPECT_EQ(E.GetLineNumber(), 0) << Text;
    }
  }
}

TEST(FuzzyLogicTokenStream, FinishTokenKinds) {
  TOpenTokenStream S("");
  Intf<IFuzzyStreamToken> T = S.FinishToken(13, "ignored");
  EXPECT_EQ(T->GetDataType(), fstAtom);
  EXPECT_EQ(T->GetText(), "CRLF");
  T = S.FinishToken(-1, "42");  // the end kind with text is a word
  EXPECT_EQ(T->GetDataType(), fstInteger);
  EXPECT_EQ(T->GetNumber(), 42);
  EXPECT_THROW(S.ReadString("pre"), EFzyParseException);  // no closing quote
}

TEST(FuzzyLogicTokenStream, FinishTokenRefusesUnknownKinds) {
  TOpenTokenStream S("");
  EXPECT_THROW_MSG(S.FinishToken(7, "x"), EFzyParseException, "Invalid token kind: 7");
  EXPECT_THROW_MSG(S.FinishToken(-2, "x"), EFzyParseException, "Invalid token kind: -2");
  EXPECT_THROW_MSG(S.FinishToken('<', "<"), EFzyParseException, "Invalid token kind: 60");
}

TEST(FuzzyLogicTokenStream, ReadStringFollowsStart) {
  TOpenTokenStream S("rest\" tail");
  EXPECT_EQ(S.ReadString("pre "), "pre rest");
  Intf<IFuzzyStreamToken> T = S.BuildNextToken();
  EXPECT_EQ(T->GetText(), "tail");
}

// ---------------------------------------------------------------------------------------------
// Lines and whitespace

TEST(FuzzyLogicTokenStream, LineEndsOfEveryKindCountOnce) {
  struct Case {
    const char* Text;
    std::vector<std::int32_t> Lines;  // of every token, the end token last
  };
  const Case kCases[] = {
      {"a\r\nb\rc\nd", {1, 2, 3, 4, 4}},
      {"a \r\n b \r c \n d", {1, 2, 3, 4, 4}},
      {"a\n\n\r\n\r\rb", {1, 6, 6}},
      {"(a\r\n)\r", {1, 1, 2, 3}},
      {"x;note\r\ny", {1, 2, 2}},
      {"x;note\ry;n\nz", {1, 2, 3, 3}},
      {";only a comment", {1}},                 // no line end: no line counted
      {";c\n", {2}},
      {"\"a\r\nb\" c", {2, 2, 2}},              // a string carries the line it ends on
      {"\"a\rb\nc\rd\" e", {4, 4, 4}},
      {"\"a\\\r\nb\" c", {2, 2, 2}},            // escaped line ends count too
      {"\"a\\\rb\" c", {2, 2, 2}},
      {"a\\\nb c", {2, 2, 2}},                  // an escaped LF in a word
      {"a\\\rb c", {2, 2, 2}},
  };
  for (const Case& C : kCases) EXPECT_EQ(Lines(C.Text), C.Lines) << C.Text;
}

// The character that ends a word is the word's whitespace, and the word stays on its own
// line: of a CR LF after a word the word takes the CR and the next token the LF. A comment
// that ends the text without a line end adds none to the whitespace and counts no line.
TEST(FuzzyLogicTokenStream, LineEndsAfterWordsAndCommentsInTheWhitespace) {
  struct Case {
    const char* Text;
    std::vector<std::string> Whitespace;  // of every token, the end token last
    std::vector<std::int32_t> Lines;
  };
  const Case kCases[] = {
      {"a\r\nb", {"\r", "\n", ""}, {1, 2, 2}},
      {"a\rb", {"\r", "", ""}, {1, 2, 2}},
      {"a\nb", {"\n", "", ""}, {1, 2, 2}},
      {"a\r\n", {"\r", "\n"}, {1, 2}},
      {"a\r", {"\r", ""}, {1, 2}},
      {"a\r\r\nb", {"\r", "\r\n", ""}, {1, 3, 3}},
      {"a\\\r\nb", {"\n", "", ""}, {1, 2, 2}},  // an escaped CR is the word's; the LF ends it
      {"a ;note", {" ", ";note"}, {1, 1}},
      {"a\r\n;note", {"\r", "\n;note"}, {1, 2}},
      {"a ;note\r", {" ", ";note\r\n"}, {1, 2}},
      {";note\r\nb", {";note\r\n", ""}, {2, 2}},
  };
  for (const Case& C : kCases) {
    std::vector<std::string> Whitespace;
    std::vector<std::int32_t> Lines;
    for (const TTok& T : Tokens(C.Text)) {
      Whitespace.push_back(T.Whitespace);
      Lines.push_back(T.Line);
    }
    EXPECT_EQ(Whitespace, C.Whitespace) << C.Text;
    EXPECT_EQ(Lines, C.Lines) << C.Text;
  }
}

TEST(FuzzyLogicTokenStream, CommentsGoToTheWhitespace) {
  std::vector<TTok> T = Tokens("x;note\ny");
  ASSERT_EQ(T.size(), 3u);
  EXPECT_EQ(T[0].Text, "x");
  EXPECT_EQ(T[0].Whitespace, "");
  EXPECT_EQ(T[1].Text, "y");
  EXPECT_EQ(T[1].Line, 2);
  EXPECT_EQ(T[1].Whitespace, ";note\r\n");  // a comment's line end is written CR LF
}

TEST(FuzzyLogicTokenStream, EveryTokenTakesThePendingWhitespace) {
  std::vector<TTok> T = Tokens(" a  ( b\t)\r\n \"s\" ;c\n=");
  std::vector<std::string> Ws;
  for (const TTok& X : T) Ws.push_back(X.Whitespace);
  // A word takes the character that ended it.
  EXPECT_THAT(Ws, ElementsAre("  ", " ", " \t", "", "\r\n ", " ;c\r\n", ""));
}

TEST(FuzzyLogicTokenStream, NulCharactersAreBlanks) {
  std::vector<TTok> T = Tokens(std::string_view("a\0b \"x\0y\"", 9));
  ASSERT_EQ(T.size(), 4u);
  EXPECT_EQ(T[0].Text, "a");
  EXPECT_EQ(T[1].Text, "b");
  EXPECT_EQ(T[2].Text, std::string("x\0y", 3));
}

TEST(FuzzyLogicTokenStream, OwnCommentQuoteAndEscapeCharacters) {
  auto S = Lex("a;b #note\n'it^'s' \xC2\xA7 c\nd");
  S->SetCommentChar(U'#');
  S->SetQuoteChar(U'\'');
  S->SetEscapeChar(U'^');
  EXPECT_EQ(S->GetCommentChar(), U'#');
  EXPECT_EQ(S->GetQuoteChar(), U'\'');
  EXPECT_EQ(S->GetEscapeChar(), U'^');
  std::vector<TTok> T = Tokens(*S);
  ASSERT_EQ(T.size(), 6u);
  EXPECT_EQ(T[0].Text, "a;b");
  EXPECT_EQ(T[1].Kind, fstString);
  EXPECT_EQ(T[1].Text, "it's");
  EXPECT_EQ(T[2].Text, "\xC2\xA7");
  EXPECT_EQ(T[3].Text, "c");

  // Characters are code points: a comment character beyond ASCII.
  auto U = Lex("a \xC2\xA7 note\nb");
  U->SetCommentChar(U'\u00A7');
  EXPECT_THAT(Tokens(*U).back().Line, 2);
}

// Characters changed between two tokens count from the next token on, also inside a word.
TEST(FuzzyLogicTokenStream, CharactersChangedBetweenTokensCountAtOnce) {
  auto S = Lex("a b#c\nd'e' f^ g");
  EXPECT_EQ(S->NextToken()->GetText(), "a");
  S->SetCommentChar(U'#');
  S->SetQuoteChar(U'\'');
  S->SetEscapeChar(U'^');
  std::vector<TTok> T = Tokens(*S);
  ASSERT_EQ(T.size(), 5u);
  EXPECT_EQ(T[0].Text, "b");
  EXPECT_EQ(T[1].Text, "d");
  EXPECT_EQ(T[1].Line, 2);
  EXPECT_EQ(T[2].Kind, fstString);
  EXPECT_EQ(T[2].Text, "e");
  EXPECT_EQ(T[3].Kind, fstAtom);
  EXPECT_EQ(T[3].Text, "f g");
  EXPECT_EQ(T[4].Kind, fstNone);
}

TEST(FuzzyLogicTokenStream, ReadsItsEncodingAndSkipsAByteOrderMark) {
  auto Latin = LexBytes("\xE9t\xE9 \"\xFC\"", TEncoding::ANSI());
  std::vector<TTok> T = Tokens(*Latin);
  ASSERT_EQ(T.size(), 3u);
  EXPECT_EQ(T[0].Text, "\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(T[1].Text, "\xC3\xBC");

  EXPECT_THAT(Words("\xEF\xBB\xBF(a)"), ElementsAre("40:(", "1:a", "41:)"));
}

// ---------------------------------------------------------------------------------------------
// Look-ahead, put-back and the echo

TEST(FuzzyLogicTokenStream, ReadsOneTopLevelExpressionAhead) {
  auto S = Lex("(a\n(b c)\nd)\ne");
  Intf<IFuzzyStreamToken> First = S->NextToken();
  EXPECT_EQ(First->GetDataType(), '(');
  // The whole expression up to its ")" on line 3 is read, the word e is not.
  EXPECT_EQ(S->GetLineNumber(), 3);
  EXPECT_FALSE(S->IsEof());
  for (int I = 0; I < 7; ++I) S->NextToken();
  EXPECT_EQ(S->GetParenthesisLevel(), 0);
  EXPECT_EQ(S->GetLineNumber(), 3);
  Intf<IFuzzyStreamToken> E = S->NextToken();
  EXPECT_EQ(E->GetText(), "e");
  EXPECT_EQ(S->GetLineNumber(), 4);
}

TEST(FuzzyLogicTokenStream, StrayClosingParenthesisReadsOnUntilBalanced) {
  auto S = Lex(") a ( b c");
  EXPECT_EQ(S->NextToken()->GetDataType(), ')');
  EXPECT_EQ(S->GetParenthesisLevel(), -1);
  // ") a (" was read as one expression; "b" is read only now.
  EXPECT_EQ(S->GetLineNumber(), 1);
  EXPECT_EQ(S->NextToken()->GetText(), "a");
  EXPECT_EQ(S->NextToken()->GetDataType(), '(');
  EXPECT_EQ(S->ToString(), ") a ( ");
  EXPECT_EQ(S->NextToken()->GetText(), "b");
  EXPECT_EQ(S->ToString(), "b ");
}

TEST(FuzzyLogicTokenStream, EchoOfTheCurrentTopLevelExpression) {
  auto S = Lex("(aaaa\n bbbb) (c)");
  for (int I = 0; I < 4; ++I) S->NextToken();
  EXPECT_EQ(S->ToString(), "( aaaa \r\nbbbb ) ");
  EXPECT_EQ(S->GetAsString(), S->ToString());
  S->NextToken();
  EXPECT_EQ(S->ToString(), "( ");  // restarted, with nothing of the longer text behind it
  S->NextToken();
  S->NextToken();
  EXPECT_EQ(S->ToString(), "( c ) ");
  // Printed forms, not texts: a string keeps its quotes, a number its decimal form.
  auto N = Lex("(\"x y\" 2.50 7)");
  for (int I = 0; I < 5; ++I) N->NextToken();
  EXPECT_EQ(N->ToString(), "( \"x y\" 2.5 7 ) ");
}

TEST(FuzzyLogicTokenStream, PutBackTokenGivesTheSameTokenAndCutsTheEcho) {
  auto S = Lex("(abc \xE2\x82\xAC\xE2\x82\xAC)");
  S->NextToken();
  Intf<IFuzzyStreamToken> A = S->NextToken();
  Intf<IFuzzyStreamToken> B = S->NextToken();
  EXPECT_EQ(S->ToString(), "( abc \xE2\x82\xAC\xE2\x82\xAC ");
  S->PutBackToken(B.get());
  EXPECT_EQ(S->GetCurrentToken(), B);
  EXPECT_EQ(S->ToString(), "( abc ");
  S->PutBackToken(A.get());
  EXPECT_EQ(S->GetCurrentToken(), A);
  EXPECT_EQ(S->ToString(), "( ");
  EXPECT_EQ(S->NextToken(), A);
  EXPECT_EQ(S->NextToken(), B);
  EXPECT_EQ(S->ToString(), "( abc \xE2\x82\xAC\xE2\x82\xAC ");
  S->PutBackToken(nullptr);  // nothing to put back
  EXPECT_EQ(S->NextToken()->GetDataType(), ')');
}

// The echo is the text as it was read: a token changed after it was handed out (the parser
// turns a "(" into the list it opens; a handler may rewrite any token) still shows as read,
// numbers included, also when tokens were put back in between.
TEST(FuzzyLogicTokenStream, TheEchoShowsTokensAsTheyWereRead) {
  auto S = Lex("(f (1 -2.25e3) \"q\"\n x 7)");
  Intf<IFuzzyStreamToken> Open = S->NextToken();
  S->NextToken();
  Intf<IFuzzyStreamToken> Inner = S->NextToken();
  Intf<IFuzzyStreamToken> One = S->NextToken();
  Intf<IFuzzyStreamToken> Big = S->NextToken();
  S->PutBackToken(Big.get());
  S->NextToken();
  for (int I = 0; I < 3; ++I) S->NextToken();
  Intf<IFuzzyStreamToken> Seven = S->NextToken();
  const std::string Read = "( f ( 1 -2250.0 ) \"q\" \r\nx 7 ";
  ASSERT_EQ(S->ToString(), Read);

  Intf<IFuzzyStreamTokenList> List(new TFuzzyStreamTokenList());
  List->Add(One.get());
  Inner->SetList(List.get());
  Open->SetText("changed");
  One->SetNumber(5);
  Big->SetDataType(fstAtom);
  Big->SetText("word");
  Seven->SetNumber(8);
  EXPECT_EQ(S->ToString(), Read);
  S->PutBackToken(Seven.get());  // cut by the printed form it has now: "8" and a blank
  EXPECT_EQ(S->ToString(), "( f ( 1 -2250.0 ) \"q\" \r\nx ");
}

TEST(FuzzyLogicTokenStream, PutBackDropsALineBreakBeforeTheToken) {
  auto S = Lex("(a\nb)");
  S->NextToken();
  S->NextToken();
  Intf<IFuzzyStreamToken> B = S->NextToken();
  EXPECT_EQ(S->ToString(), "( a \r\nb ");
  S->PutBackToken(B.get());
  EXPECT_EQ(S->ToString(), "( a ");
  S->NextToken();
  EXPECT_EQ(S->ToString(), "( a b ");
}

TEST(FuzzyLogicTokenStream, ParenthesisLevelFollowsHandedOutTokens) {
  auto S = Lex("((a) b)");
  Intf<IFuzzyStreamToken> Open = S->NextToken();
  S->NextToken();
  EXPECT_EQ(S->GetParenthesisLevel(), 2);
  S->NextToken();
  Intf<IFuzzyStreamToken> Close = S->NextToken();
  EXPECT_EQ(S->GetParenthesisLevel(), 1);
  S->PutBackToken(Close.get());
  EXPECT_EQ(S->GetParenthesisLevel(), 2);
  S->NextToken();
  S->NextToken();
  S->PutBackToken(Open.get());  // any token may be put back; the level follows its kind
  EXPECT_EQ(S->GetParenthesisLevel(), 0);
}

TEST(FuzzyLogicTokenStream, CurrentTokenReadsOneWhenNoneYet) {
  auto S = Lex("first second");
  Intf<IFuzzyStreamToken> C = S->GetCurrentToken();
  EXPECT_EQ(C->GetText(), "first");
  EXPECT_EQ(S->GetCurrentToken(), C);
  EXPECT_EQ(S->NextToken()->GetText(), "second");
  EXPECT_EQ(S->GetCurrentToken()->GetText(), "second");
}

TEST(FuzzyLogicTokenStream, HeadNamesTheNextExpression) {
  struct Case {
    const char* Text;
    const char* Head;
    std::int32_t Next;  // kind of the token NextToken gives afterwards
  };
  const Case kCases[] = {
      {"(deffuzzy speed)", "deffuzzy", '('},
      {"(= a b)", "=", '('},
      {"(5 a)", "", '('},
      {"(\"s\" a)", "", '('},
      {"((a))", "", '('},
      {"(", "", '('},          // the end token waits behind it
      {"x (a)", "", '('},      // x is consumed
      {"", "", fstNone},
  };
  for (const Case& C : kCases) {
    auto S = Lex(C.Text);
    EXPECT_EQ(S->Head(), C.Head) << C.Text;
    EXPECT_EQ(S->NextToken()->GetDataType(), C.Next) << C.Text;
  }
  auto S = Lex("(deffuzzy speed)");
  S->Head();
  EXPECT_EQ(S->GetParenthesisLevel(), 0);
  EXPECT_EQ(S->ToString(), " ");
}

TEST(FuzzyLogicTokenStream, MoveToNextConstruct) {
  auto S = Lex("(a (b c) d) e");
  S->NextToken();
  S->NextToken();
  S->NextToken();
  EXPECT_EQ(S->GetParenthesisLevel(), 2);
  S->MoveToNextConstruct();
  EXPECT_EQ(S->GetParenthesisLevel(), 0);
  EXPECT_EQ(S->NextToken()->GetText(), "e");

  auto Open = Lex("(a (b");  // stops at the end of the text
  Open->NextToken();
  Open->MoveToNextConstruct();
  EXPECT_EQ(Open->GetCurrentToken()->GetDataType(), fstNone);
  EXPECT_EQ(Open->GetParenthesisLevel(), 2);
}

TEST(FuzzyLogicTokenStream, ClearEmptiesTheLookAhead) {
  auto S = Lex("(a b) c");
  S->NextToken();
  S->Clear();
  EXPECT_EQ(S->ToString(), "");
  EXPECT_EQ(S->GetParenthesisLevel(), 1);
  EXPECT_EQ(S->GetCurrentToken()->GetDataType(), '(');
  EXPECT_EQ(S->NextToken()->GetText(), "c");
}

TEST(FuzzyLogicTokenStream, DiscardUntilEOL) {
  auto S = Lex("a rest of line\nb");
  S->NextToken();
  S->DiscardUntilEOL();
  EXPECT_EQ(S->GetLineNumber(), 2);
  Intf<IFuzzyStreamToken> B = S->NextToken();
  EXPECT_EQ(B->GetText(), "b");
  EXPECT_EQ(B->GetWhitespace(), "rest of line\r\n");
}

TEST(FuzzyLogicTokenStream, PropertiesAndCharacterReading) {
  TObject Owner;
  auto S = Lex("x\ny");
  EXPECT_EQ(S->GetOwner(), nullptr);
  S->SetOwner(&Owner);
  EXPECT_EQ(S->GetOwner(), &Owner);
  EXPECT_EQ(S->GetLineNumber(), 1);
  EXPECT_EQ(S->GetChar(), U'x');
  EXPECT_EQ(S->GetChar(), U'\n');
  EXPECT_EQ(S->GetLineNumber(), 2);
  S->SetLineNumber(10);
  EXPECT_EQ(S->NextToken()->GetLineNumber(), 10);
  EXPECT_EQ(S->GetChar(), U'\0');
  EXPECT_EQ(S->GetMaxNestingDepth(), TFuzzyLogicTokenStream::kDefaultMaxNestingDepth);
  S->SetMaxNestingDepth(0);
  EXPECT_EQ(S->GetMaxNestingDepth(), 1);
}

// ---------------------------------------------------------------------------------------------
// Hostile texts

TEST(FuzzyLogicTokenStreamHostile, DeepNestingStopsWithAClearError) {
  const std::int32_t Limit = TFuzzyLogicTokenStream::kDefaultMaxNestingDepth;
  std::string Ok = std::string(Limit, '(') + std::string(Limit, ')');
  auto Fine = Lex(Ok);
  EXPECT_EQ(Tokens(*Fine).size(), 2u * Limit + 1);

  std::string Deep = "\n" + std::string(100000, '(') + std::string(100000, ')');
  auto S = Lex(Deep);
  try {
    S->NextToken();
    ADD_FAILURE() << "no error";
  } catch (const EFzyParseException& E) {
    EXPECT_STREQ(E.what(), "Parentheses nested too deeply: more than 256 levels");
    EXPECT_EQ(E.GetLineNumber(), 2);
  }
}

TEST(FuzzyLogicTokenStreamHostile, DeepNestingIsReadWithoutRecursion) {
  const int Depth = 100000;
  auto S = Lex(std::string(Depth, '(') + "x" + std::string(Depth, ')'));
  S->SetMaxNestingDepth(Depth);
  EXPECT_EQ(S->NextToken()->GetDataType(), '(');
  S->MoveToNextConstruct();
  EXPECT_EQ(S->GetParenthesisLevel(), 0);
  EXPECT_EQ(S->NextToken()->GetDataType(), fstNone);
}

TEST(FuzzyLogicTokenStreamHostile, UnbalancedParentheses) {
  auto Open = Lex(std::string(200, '(') + "a");
  std::vector<TTok> T = Tokens(*Open);
  EXPECT_EQ(T.size(), 202u);
  EXPECT_EQ(Open->GetParenthesisLevel(), 200);

  auto Close = Lex(std::string(100000, ')'));
  EXPECT_EQ(Tokens(*Close).size(), 100001u);
  EXPECT_EQ(Close->GetParenthesisLevel(), -100000);
}

TEST(FuzzyLogicTokenStreamHostile, TenMegabyteLines) {
  const std::size_t Size = 10 * 1024 * 1024;
  {
    std::string Word(Size, 'w');
    std::vector<TTok> T = Tokens(Word + "\nx");
    ASSERT_EQ(T.size(), 3u);
    EXPECT_EQ(T[0].Text.size(), Size);
    EXPECT_EQ(T[1].Line, 2);
  }
  {
    std::vector<TTok> T = Tokens("\"" + std::string(Size, 's') + "\"");
    ASSERT_EQ(T.size(), 2u);
    EXPECT_EQ(T[0].Text.size(), Size);
  }
  {
    std::vector<TTok> T = Tokens(";" + std::string(Size, 'c') + "\nx");
    ASSERT_EQ(T.size(), 2u);
    EXPECT_EQ(T[0].Text, "x");
    EXPECT_EQ(T[0].Line, 2);
  }
  {
    // A number far beyond the range of a double is no number.
    std::vector<TTok> T = Tokens("1" + std::string(Size / 10, '0'));
    ASSERT_EQ(T.size(), 2u);
    EXPECT_EQ(T[0].Kind, fstAtom);
  }
  {
    std::vector<TTok> T = Tokens(std::string(Size, '\0') + "x");
    ASSERT_EQ(T.size(), 2u);
    EXPECT_EQ(T[0].Text, "x");
  }
  {
    std::string Many;
    for (int I = 0; I < 100000; ++I) Many += "a ";
    EXPECT_EQ(Tokens(Many).size(), 100001u);
  }
}

TEST(FuzzyLogicTokenStreamHostile, ManyCommentLinesAreReadWithoutRecursion) {
  std::string Text;
  for (int I = 0; I < 200000; ++I) Text += ";c\n";
  Text += "x";
  std::vector<TTok> T = Tokens(Text);
  ASSERT_EQ(T.size(), 2u);
  EXPECT_EQ(T[0].Line, 200001);
}

TEST(FuzzyLogicTokenStreamHostile, MalformedUtf8ReadsAsReplacementCharacters) {
  std::vector<TTok> T = Tokens("a\xFF\xC3 \"\x80\"");
  ASSERT_EQ(T.size(), 3u);
  EXPECT_EQ(T[0].Text, "a\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(T[1].Text, "\xEF\xBF\xBD");
}

// A token nothing holds any more is filled anew with the next token where a new one would be
// made: a token a caller keeps, strongly or weakly, is left as it is, a weak reference to a
// token let go empties, and what a token let go carried is let go at the next read, as when
// the token dies.
TEST(FuzzyLogicTokenStream, ATokenLetGoIsAsIfItDied) {
  auto S = Lex("(a b c d e)");
  Intf<IFuzzyStreamToken> Kept = S->NextToken();
  EXPECT_EQ(S->NextToken()->GetText(), "a");
  EXPECT_EQ(Kept->GetDataType(), '(');  // kept: not refilled

  WeakIntf<IFuzzyStreamToken> Weak;
  {
    Intf<IFuzzyStreamToken> B = S->NextToken();
    Weak = B;
  }
  EXPECT_TRUE(Weak.lock());
  EXPECT_EQ(S->NextToken()->GetText(), "c");
  EXPECT_FALSE(Weak.lock());  // it died: a token with weak references is never refilled

  Intf<IFuzzyStreamTokenList> Payload(new TFuzzyStreamTokenList());
  WeakIntf<IFuzzyStreamTokenList> PayloadAlive = Payload;
  S->GetCurrentToken()->SetList(Payload.get());
  S->GetCurrentToken()->SetTag(7);
  Payload.reset();
  EXPECT_TRUE(PayloadAlive.lock());  // the current token holds it
  Intf<IFuzzyStreamToken> D = S->NextToken();
  EXPECT_FALSE(PayloadAlive.lock());
  EXPECT_EQ(D->GetText(), "d");
  EXPECT_EQ(D->GetTag(), 0);
  EXPECT_FALSE(D->GetList());
  EXPECT_EQ(D->GetObjValue(), nullptr);
}

// ---------------------------------------------------------------------------------------------
// The stream's own class reads most tokens straight from its buffer, and keeps the echo as the
// tokens' texts; a descendant reads every token through the overridable operations. Both give
// the same tokens, lines, whitespace, echo and errors for any text.

// A descendant that changes nothing, so that every character goes the general way.
class TGeneralTokenStream : public TFuzzyLogicTokenStream {
 public:
  explicit TGeneralTokenStream(std::string_view Text)
      : TFuzzyLogicTokenStream(std::make_unique<TKVStringStream>(Text), nullptr) {}
};

// Everything one stream gives for its text: each token (with the echo when Echo), then the
// error, if any.
std::string ReadAll(TFuzzyLogicTokenStream& S, std::size_t PutBackEvery, bool Echo) {
  std::string Out;
  try {
    for (std::size_t I = 1;; ++I) {
      Intf<IFuzzyStreamToken> T = S.NextToken();
      Out += std::to_string(T->GetDataType()) + " [" + T->GetText() + "] " +
             std::to_string(std::bit_cast<std::uint64_t>(T->GetNumber())) + " line " +
             std::to_string(T->GetLineNumber()) + " ws [" + T->GetWhitespace() + "] echo [" +
             (Echo ? S.ToString() : std::string()) + "] level " + std::to_string(S.GetParenthesisLevel()) + "\n";
      if (T->GetDataType() == fstNone) break;
      if (I % PutBackEvery == 0) {
        S.PutBackToken(T.get());
        if (Echo) Out += "put back: echo [" + S.ToString() + "]\n";
        if (S.NextToken() != T) Out += "another token\n";
      }
    }
  } catch (const EFzyParseException& E) {
    Out += std::string("error ") + E.what() + " line " + std::to_string(E.GetLineNumber()) + "\n";
  }
  return Out + "line " + std::to_string(S.GetLineNumber()) + "\n";
}

TEST(FuzzyLogicTokenStream, ReadsFromItsBufferAsThroughItsOperations) {
  static const char* const kPieces[] = {
      "(", ")", "&", "=", "[", "]", "|", "~", "<", "<=", ">=X", "?", "?x", "abc", "low", "12", "-3", "+", "0.25",
      "1e5", "0x1F", "$10", "007", "2147483648", "5\\ ", "\\", "\\\\", "a\\(b", "\"str\"", "\"a\\\"b\"", "\"",
      ";note", "#c", "'q'", "^", " ", "  ", "\t", "\r", "\n", "\r\n", std::string_view("\0", 1).data(), "\xC3\xA9",
      "\xE2\x82\xAC", "\x80", "x;y", "a\"b", "w#x", "p'q"};
  std::mt19937 Random(20260611);
  auto Pick = [&Random](std::size_t N) { return std::uniform_int_distribution<std::size_t>(0, N - 1)(Random); };
  std::vector<std::string> Texts;
  for (int I = 0; I < 1000; ++I) {
    std::string Text;
    const std::size_t Count = Pick(40);
    for (std::size_t J = 0; J < Count; ++J) {
      const std::size_t K = Pick(std::size(kPieces));
      Text += K == 41 ? std::string(1, '\0') : std::string(kPieces[K]);
    }
    Texts.push_back(Text);
  }
  // A text longer than the buffer, so that tokens and line ends meet its end.
  std::string Long;
  while (Long.size() < 3 * TGBufferStream::kDefaultBufferSize) {
    const std::size_t K = Pick(std::size(kPieces));
    if (K != 30 && K != 46) Long += K == 41 ? std::string(1, '\0') : std::string(kPieces[K]);  // no lone quote
  }
  Texts.push_back(Long);
  for (std::size_t I = 0; I < Texts.size(); ++I) {
    const std::string& Text = Texts[I];
    for (int Chars = 0; Chars < 2; ++Chars) {
      auto Own = Lex(Text);
      TGeneralTokenStream General(Text);
      if (Chars == 1) {
        for (TFuzzyLogicTokenStream* S : {Own.get(), static_cast<TFuzzyLogicTokenStream*>(&General)}) {
          S->SetCommentChar(U'#');
          S->SetQuoteChar(U'\'');
          S->SetEscapeChar(U'^');
        }
      }
      const std::size_t PutBackEvery = 2 + I % 5;
      const bool Echo = Text.size() < 1000;
      ASSERT_EQ(ReadAll(*Own, PutBackEvery, Echo), ReadAll(General, PutBackEvery, Echo)) << "text " << I << ": " << Text;
    }
  }
}

}  // namespace
}  // namespace tarnwick
