// The lexer of the fuzzy definition language: TFuzzyLogicTokenStream turns the characters of a
// text reader into tokens, reads one balanced parenthesised expression ahead at a time, lets
// its caller put tokens back, counts lines and keeps an echo of the text consumed in the
// current top-level expression.
//
// Tokens. Every token is a new TFuzzyStreamToken; its DataType is a TFuzzyStreamTokenType or,
// for punctuation, the character's code:
//   fstNone      the end of the text; Text "EOF"; every read after the end gives a new one
//   fstAtom      any other word
//   fstString    a quoted string; Text is its contents, escapes resolved
//   fstInteger   a word that reads whole as a 32-bit integer; Number is the value, Text empty
//   fstFloat     a word that reads whole as a floating-point number (full stop as separator
//                whatever the locale, exponent allowed); Number is the value, Text empty
//   fstVariable  a word beginning with "?"; Text is the rest
//   & ( ) = [ ] | ~  one character each; Text is the character
// A word runs up to a blank or control character, the quote or comment character, or one of
// & ( ) < [ ] | ~ ; the escape character takes the next character into the word whatever it
// is. So "<" ends a word but begins one ("a<=b" is a and <=b), and "=" inside a word is part of
// it ("a=b" is one word). The comment character starts a comment up to the line end.
//
// Every token carries the line it was finished on and, as its Whitespace, the blanks, line
// ends and comments read since the previous token (with the one character that ended a word:
// of a CR LF after a word the word takes the CR, and the next token the LF). Line ends are
// CR LF, CR or LF; each counts once wherever it stands (between tokens, ending a word, inside
// a string or a comment), and only GetChar counts them. A word ended by a line end stands on
// the line it ends. A comment's line end is written CR LF in the whitespace; a comment that
// ends the text without a line end adds none and counts no line, so the end token stands on
// the comment's own line.
//
// Look-ahead. When nothing waits, NextToken reads one whole top-level expression ahead: a token
// other than "(" alone, a "(" up to its matching ")". Parentheses may nest at most
// GetMaxNestingDepth() deep: deeper nesting raises EFzyParseException with SFzyNestingTooDeep,
// so that no reader of the text, recursive or not, meets unbounded nesting. Nothing is ever
// read by recursion, so any text of any length is read in stack space that does not grow. A
// stream of exactly this class keeps the tokens read ahead as what they hold, and makes each
// token only as it is handed out, in the place of the current token when nothing else holds
// that one (not even weakly), as nothing can tell the two apart.
//
// Echo. The printed forms of the tokens handed out since the current top-level expression
// began, each followed by a blank, with CR LF where a token stands on a later line than the
// one before; PutBackToken cuts it back. The parser reports it as the text read so far. It is
// kept as the steps that make it and laid out only when asked for: most texts are read without
// an error, and nobody asks.
//
// Errors raise EFzyParseException with the message only (line 0): the end of the text inside a
// string (SUnbalancedString), a token kind code no token is made of (SInvalidBaseTokenHint).
// The nesting error also carries the line of the "(" that went too deep.
#ifndef TARNWICK_PARSER_FUZZYLOGICTOKENSTREAM_H_
#define TARNWICK_PARSER_FUZZYLOGICTOKENSTREAM_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tarnwick/common/TextStream.h"
#include "tarnwick/model/FuzzyInterfaces.h"
#include "tarnwick/platform/Classes.h"
#include "tarnwick/platform/Export.h"
#include "tarnwick/platform/Interfaces.h"
#include "tarnwick/platform/ResStrings.h"
#include "tarnwick/platform/Streams.h"

namespace tarnwick {

// Parentheses nested deeper than the token stream allows; the argument is the limit.
inline constexpr TResString SFzyNestingTooDeep{
    "SFzyNestingTooDeep", "Parentheses nested too deeply: more than %d levels"};

class TARNWICK_EXPORT TFuzzyLogicTokenStream : public TGTextStream {
 public:
  // Deep enough for any real definition, and shallow enough that the parts of the parser that
  // follow nested lists recursively stay well inside a small thread stack.
  static constexpr std::int32_t kDefaultMaxNestingDepth = 256;

  // Reads Stream from its current position in Encoding (null: UTF-8) and frees it when
  // destroyed. The line number starts at 1, the comment, quote and escape characters are
  // ';', '"' and '\'.
  TFuzzyLogicTokenStream(std::unique_ptr<TStream> Stream, const TEncoding* Encoding);
  ~TFuzzyLogicTokenStream() override;

  // --- Character reading
  using TGTextStream::GetChar;
  // The base's next character (0 when none is left). The one place lines are counted: an LF
  // counts one, and so does a CR that no LF follows (CR LF counts at its LF); every line end
  // the lexer consumes goes through here. For speed the lexer takes runs of plain ASCII
  // characters inside words, strings, comments and blanks straight from the reader's buffer
  // (AppendAsciiRun), none of which holds a line end; and a stream of exactly this class reads
  // most tokens, with the blanks and line ends before them, from the buffer's bytes, counting
  // those line ends by the same rule.
  char32_t GetChar() override;
  // Skips blanks and control characters into the pending whitespace, up to and including at
  // most one line end; true (and one more line) when it ended at a line end.
  bool SkipInLineSpaces() override;
  // The rest of the current line without its line end; the text and CR LF go to the pending
  // whitespace, and the line counts. At the end of a text that has no final line end, only the
  // text goes to the whitespace and no line is counted.
  std::string GetLine() override;

  // --- Tokens
  // Empties the look-ahead and restarts the echo (the parenthesis level, the current token and
  // the pending whitespace stay).
  virtual void Clear();
  // Reads and drops the rest of the line, as GetLine does.
  virtual void DiscardUntilEOL();
  // Reads tokens until the parenthesis level is 0 again or the text ends.
  virtual void MoveToNextConstruct();
  // The next token; never empty: at and after the end of the text an end token.
  virtual Intf<IFuzzyStreamToken> NextToken();
  // What this class's NextToken does, without a reference for the caller: the token is the
  // current token, as it is until the next NextToken or PutBackToken (which may let it go, or
  // fill it anew as the next token when nothing else holds it), so the caller reads what it
  // needs of it before then. Saves the two changes of the token's count that a reference of
  // the caller's own costs. Only for a stream whose NextToken is this class's: it does not
  // read through an override.
  IFuzzyStreamToken* TakeNextToken();
  // Makes Token the next token again and the current one, and cuts it off the echo. A null
  // token does nothing.
  virtual void PutBackToken(IFuzzyStreamToken* Token);
  // Looks into the next expression: when the next token is "(" and another token waits behind
  // it, the "(" is put back and the result tells the waiting token: its text when it is an
  // atom (its printed form when that is empty), "=" for the "=" token, else empty. Otherwise
  // the token read stays consumed and the result is empty.
  virtual std::string Head();
  // The echo.
  std::string ToString() const override;
  std::string GetAsString() const { return ToString(); }

  // Fills the look-ahead with one top-level expression; the first token read comes out first.
  // Restarts the echo. Always true.
  bool PrepareSExp();

  // The token last handed out or put back; reads one when there is none yet.
  Intf<IFuzzyStreamToken> GetCurrentToken();

  // --- Properties
  std::int32_t GetLineNumber() const noexcept { return FLineNumber; }
  void SetLineNumber(std::int32_t Value) noexcept { FLineNumber = Value; }
  // Number of "(" minus number of ")" among the tokens handed out (put-backs take theirs back).
  std::int32_t GetParenthesisLevel() const noexcept { return FParenthesisLevel; }
  // A reference a client may attach; the stream never uses it.
  TObject* GetOwner() const noexcept { return FOwner; }
  void SetOwner(TObject* Value) noexcept { FOwner = Value; }
  char32_t GetCommentChar() const noexcept { return FCommentChar; }
  void SetCommentChar(char32_t Value) noexcept {
    FCommentChar = Value;
    UpdatePlainChars();
  }
  char32_t GetEscapeChar() const noexcept { return FEscapeChar; }
  void SetEscapeChar(char32_t Value) noexcept {
    FEscapeChar = Value;
    UpdatePlainChars();
  }
  char32_t GetQuoteChar() const noexcept { return FQuoteChar; }
  void SetQuoteChar(char32_t Value) noexcept {
    FQuoteChar = Value;
    UpdatePlainChars();
  }
  // Values below 1 count as 1.
  std::int32_t GetMaxNestingDepth() const noexcept { return FMaxNestingDepth; }
  void SetMaxNestingDepth(std::int32_t Value) noexcept { FMaxNestingDepth = Value < 1 ? 1 : Value; }

 protected:
  // One token read from the characters, without look-ahead or echo.
  virtual Intf<IFuzzyStreamToken> BuildNextToken();
  // The token of kind code Kind made from the collected text Text: -1 the end (or, for a
  // non-empty Text, a word), 0 a word, 13 the atom "CRLF", 34 a string, the code of a
  // punctuation character that token. It takes the pending whitespace. Any other code raises
  // EFzyParseException with SInvalidBaseTokenHint.
  virtual Intf<IFuzzyStreamToken> FinishToken(std::int32_t Kind, const std::string& Text);
  // Start followed by the rest of a quoted string whose opening quote is already read.
  std::string ReadString(const std::string& Start);

  // The text of the token being built.
  std::string FText;
  // Characters skipped since the last token was finished.
  std::string FWhiteSpace;

 private:
  // Reads the line end that comes next (CR LF, CR or LF) through GetChar and appends it to
  // Dest; false, reading nothing, when the next character ends no line.
  bool ReadLineEnd(std::string& Dest);
  // What a token of this class holds, before the token is made (when it is needed: most
  // tokens are handed out one after another, read, and let go).
  struct TTokenFields {
    std::int32_t DataType = fstNone;
    std::int32_t LineNumber = 0;
    double Number = 0;
    std::string Text;
    std::string Whitespace;
  };
  // A token of the look-ahead: made already (Token), or still its fields.
  struct TAheadToken {
    Intf<IFuzzyStreamToken> Token;
    TTokenFields Fields;
  };
  // Reads the characters of the next token, as BuildNextToken does: returns the kind code for
  // FinishToken with the text in FText and the blanks before it in the pending whitespace.
  // LineEndAfter: a line end ended the word, to be read (and counted) once the token is
  // finished.
  std::int32_t ReadTokenText(bool& LineEndAfter);
  // ReadTokenText for a token that lies whole in the reader's buffer as plain ASCII, with the
  // blanks and line ends before it (most tokens), read from the bytes at once into Fields'
  // text and whitespace (the pending whitespace first); kNoKind when the token is of another
  // kind, after the blanks before it went to the pending whitespace as SkipInLineSpaces takes
  // them. Only for a stream of exactly this class: a descendant may read characters or skip
  // blanks its own way.
  std::int32_t ReadPlainToken(TTokenFields& Fields, bool& LineEndAfter);
  // What FinishToken does, on Fields whose text is the collected text.
  void FinishFields(std::int32_t Kind, TTokenFields& Fields);
  // A new token of this class with Fields.
  static Intf<IFuzzyStreamToken> MakeToken(const TTokenFields& Fields);
  // The current token when nothing else holds it, not even weakly, and it is of this class:
  // it may then become the next token in its place, as no one can tell it from a new one.
  TFuzzyStreamToken* ReusableCurrentToken() const noexcept;
  // One step of the echo. What the text of a step depends on is taken when the step is made,
  // as a token may change later (a "(" becomes the list it opens). A token handed out from the
  // fields of the look-ahead prints from them, which stay until the echo restarts; another
  // token of the stream's own class that prints from its kind, text and number alone keeps
  // those, and is printed only when the echo is laid out; any other token keeps its printed
  // form. The texts the steps keep follow one another in FEchoText.
  struct TEchoStep {
    std::size_t TextStart = 0;  // the look-ahead's index for a step of its fields
    std::size_t TextSize = 0;
    double Number = 0;
    std::int32_t DataType = 0;
    bool PutBack = false;  // a token put back, which cuts its printed form off the echo
    bool NewLine = false;  // a token handed out on a later line than the one before
    bool Printed = false;  // the text is the printed form; else DataType, text and Number print it
    bool Ahead = false;    // the fields of the look-ahead's token TextStart print it
  };
  // The step of Token, handed out (PutBack false) or put back.
  void AddEchoStep(const IFuzzyStreamToken* Token, bool PutBack, bool NewLine);
  // The printed form a step stands for.
  std::string PrintedFormOf(const TEchoStep& Step) const;

  void RestartEcho();
  // Recomputes FPlainWordChars and FPlainStringChars from the comment, quote and escape
  // characters.
  void UpdatePlainChars() noexcept;

  std::vector<TAheadToken> FAhead;  // the look-ahead from FNext on, the next token first
  std::size_t FNext = 0;
  std::int32_t FLineNumber = 1;
  TObject* FOwner = nullptr;
  std::vector<TEchoStep> FEcho;                      // the echo, as its steps
  std::string FEchoText;                             // the texts of the steps
  Intf<IFuzzyStreamToken> FCurrentToken;
  std::int32_t FParenthesisLevel = 0;
  char32_t FCommentChar = U';';
  char32_t FQuoteChar = U'"';
  char32_t FEscapeChar = U'\\';
  std::int32_t FMaxNestingDepth = kDefaultMaxNestingDepth;
  // The characters a word, and a string, take without a decision; kept rather than made for
  // each word, which costs more than its few bit operations suggest.
  TAsciiSet FPlainWordChars;
  TAsciiSet FPlainStringChars;
};

}  // namespace tarnwick

#endif  // TARNWICK_PARSER_FUZZYLOGICTOKENSTREAM_H_
