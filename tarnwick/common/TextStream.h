// The common library's text reader: a byte buffer over a stream (TGBufferStream) and the
// character reader built on it (TGTextStream), which hands out code points in the stream's
// encoding, lets its caller put characters back and reads lines. Also the string stream the
// lexer and the printer work on (TKVStringStream), the number-character tests of the lexer and
// the lexer's two messages.
//
// Invariants of TGTextStream:
//   - it owns its stream and frees it when destroyed;
//   - characters come out in stream order, except that put-back characters come first, the
//     last one put back first;
//   - a UTF-8 byte-order mark at the very start of the stream (any preamble of the encoding)
//     is skipped: it is a marker, not text;
//   - no read ever needs more than the buffer plus one character's bytes of memory, so a text
//     of any length is read in constant space.
#ifndef TARNWICK_COMMON_TEXTSTREAM_H_
#define TARNWICK_COMMON_TEXTSTREAM_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tarnwick/platform/Classes.h"
#include "tarnwick/platform/Export.h"
#include "tarnwick/platform/ResStrings.h"
#include "tarnwick/platform/Streams.h"

namespace tarnwick {

// End of the text inside a quoted string.
inline constexpr TResString SUnbalancedString{
    "SUnbalancedString", "Unterminated string: the text ends before the closing quote"};
// A token kind code no token is made of; the argument is the code in decimal.
inline constexpr TResString SInvalidBaseTokenHint{"SInvalidBaseTokenHint",
                                                  "Invalid token kind: %s"};

// True when C can begin a number: a decimal digit, a sign ('+', '-') or a full stop.
constexpr bool IsNumberChar(char32_t C) noexcept {
  return (C >= U'0' && C <= U'9') || C == U'+' || C == U'-' || C == U'.';
}

// True when C is a number's sign: '+' or '-'.
constexpr bool IsNumberSymbol(char32_t C) noexcept { return C == U'+' || C == U'-'; }

// Appends the UTF-8 form of C to S; a surrogate or a value above U+10FFFF appends U+FFFD.
TARNWICK_COMMON_EXPORT void AppendCodePoint(std::string& S, char32_t C);

// A set of ASCII characters (codes 0 to 127), for reading runs of them.
struct TAsciiSet {
  std::uint64_t Bits[2] = {0, 0};

  constexpr bool Contains(char32_t C) const noexcept {
    return C < 128 && ((Bits[C >> 6] >> (C & 63)) & 1) != 0;
  }
  // Characters beyond ASCII are never members; including one does nothing.
  constexpr TAsciiSet& Include(char32_t C) noexcept {
    if (C < 128) Bits[C >> 6] |= std::uint64_t{1} << (C & 63);
    return *this;
  }
  constexpr TAsciiSet& Exclude(char32_t C) noexcept {
    if (C < 128) Bits[C >> 6] &= ~(std::uint64_t{1} << (C & 63));
    return *this;
  }
  // The characters First to Last, both included.
  static constexpr TAsciiSet Range(char32_t First, char32_t Last) noexcept {
    TAsciiSet Result;
    for (char32_t C = First; C <= Last && C < 128; ++C) Result.Include(C);
    return Result;
  }
};

// Reads a stream through a buffer of its own. Descendants look at the unread bytes with
// Available after Fill and mark what they used with Consume.
class TARNWICK_COMMON_EXPORT TGBufferStream : public TObject {
 public:
  static constexpr std::size_t kDefaultBufferSize = 64 * 1024;

  // Takes ownership of Stream and reads it from its current position. A null stream reads
  // as an empty one.
  explicit TGBufferStream(std::unique_ptr<TStream> Stream,
                          std::size_t BufferSize = kDefaultBufferSize);
  ~TGBufferStream() override;

  TStream* GetStream() const noexcept { return FStream.get(); }

 protected:
  // Makes at least Count unread bytes available unless the stream ends first; returns how many
  // are available.
  std::size_t Fill(std::size_t Count);
  // The unread bytes in the buffer.
  std::string_view Available() const noexcept {
    return std::string_view(FBuffer).substr(FHead);
  }
  // Marks Count bytes of Available() as read.
  void Consume(std::size_t Count) noexcept { FHead += Count; }

 private:
  std::unique_ptr<TStream> FStream;
  std::string FBuffer;
  std::size_t FHead = 0;  // first unread byte of FBuffer
  std::size_t FBufferSize;
  bool FStreamEnded = false;
  bool FKnownSize = false;  // a string stream: what it still holds is its size less its position
};

// A character reader over a stream in a text encoding.
class TARNWICK_COMMON_EXPORT TGTextStream : public TGBufferStream {
 public:
  // Reads Stream from its current position in Encoding (null: TEncoding::Default()) and frees
  // Stream when destroyed. The encoding is not owned and must outlive the reader.
  TGTextStream(std::unique_ptr<TStream> Stream, const TEncoding* Encoding);
  ~TGTextStream() override;

  const TEncoding* GetEncoding() const noexcept { return FEncoding; }

  // The next character, or code 0 when none is left (a NUL character of the text reads as 0
  // too: ask IsEof to tell them apart).
  virtual char32_t GetChar();
  // False when no character is left (C is then unchanged); otherwise true with the character.
  bool GetChar(char32_t& C) {
    if (TakeAscii(C)) return true;
    return GetCharDecoded(C);
  }
  // Like GetChar(C), but the character stays unread.
  bool PeekChar(char32_t& C) {
    if (PeekAscii(C)) return true;
    return PeekCharDecoded(C);
  }
  // Makes C the character the next read returns. Several put-backs come back last first.
  void PutBack(char32_t C);
  // True when no character is left unread (put-back characters count as unread).
  bool IsEof() {
    if (!FPutBack.empty() || (FPreambleChecked && !Available().empty())) return false;
    return IsEofFilled();
  }

  // The rest of the current line without its line end; consumes the line end (CR LF, CR or LF)
  // when there is one.
  virtual std::string GetLine();
  // The same, telling whether a line end was consumed (false: the text ended first).
  std::string ReadLine(bool& LineEnded);
  // The rest of the current line; its line end, if any, stays unread.
  std::string ReadToLineEnd();
  // Consumes blanks and control characters other than CR and LF; the first other character
  // stays unread. True when anything was skipped.
  virtual bool SkipInLineSpaces();

  // Reads the longest run of characters of Set, appends them to Dest and returns how many
  // there were; the first character not in Set stays unread. The characters come straight from
  // the buffer, which is what makes long words, strings, comments and blanks cheap to read:
  // use it only where reading those characters one by one with GetChar would do nothing else
  // than append them. It takes nothing while a put-back character waits or when the encoding
  // is not ASCII-compatible.
  std::size_t AppendAsciiRun(std::string& Dest, const TAsciiSet& Set) {
    // Inline while the run ends inside the buffer, as nearly every run does (a blank, a short
    // word); what is left, a run that reaches the buffer's end, goes on out of line.
    if (!FPutBack.empty() || !FAsciiCompatible || !FPreambleChecked)
      return AppendAsciiRunSlow(Dest, Set);
    const std::string_view Bytes = Available();
    const auto* P = reinterpret_cast<const unsigned char*>(Bytes.data());
    std::size_t N = 0;
    while (N < Bytes.size() && Set.Contains(P[N])) ++N;
    if (N == Bytes.size()) return AppendAsciiRunSlow(Dest, Set);
    Dest.append(Bytes.data(), N);
    Consume(N);
    return N;
  }

 protected:
  // The unread bytes of the buffer, in which every byte below 0x80 is that ASCII character (an
  // encoding in which ASCII stands for itself, its preamble passed, no character put back);
  // empty when that does not hold. A descendant that takes ASCII characters from here marks
  // them read with Consume; what its GetChar would do besides reading them is its own to do.
  std::string_view PlainAvailable() const noexcept {
    if (!FPutBack.empty() || !FAsciiCompatible || !FPreambleChecked) return {};
    return Available();
  }

 private:
  void SkipPreamble();
  // The common case of GetChar, inline: an ASCII byte waiting in the buffer of an encoding in
  // which it stands for itself (what decoding it would give).
  bool TakeAscii(char32_t& C) noexcept {
    if (!PeekAscii(C)) return false;
    Consume(1);
    return true;
  }
  // The same without reading it: the character stays where it is, in the buffer.
  bool PeekAscii(char32_t& C) const noexcept {
    if (!FAsciiCompatible || !FPreambleChecked || !FPutBack.empty()) return false;
    const std::string_view Bytes = Available();
    if (Bytes.empty() || static_cast<unsigned char>(Bytes[0]) >= 0x80) return false;
    C = static_cast<unsigned char>(Bytes[0]);
    return true;
  }
  bool GetCharDecoded(char32_t& C);
  // PeekChar for a character that is not a waiting ASCII byte: read, then put back.
  bool PeekCharDecoded(char32_t& C);
  bool IsEofFilled();
  // AppendAsciiRun for a run that may go on past the buffer, refilling it as needed.
  std::size_t AppendAsciiRunSlow(std::string& Dest, const TAsciiSet& Set);

  const TEncoding* FEncoding;
  std::vector<char32_t> FPutBack;  // put-back characters; the next one at the back
  bool FPreambleChecked = false;
  bool FAsciiCompatible;  // the encoding's, asked once
};

// The common library's string stream: the platform string stream under the common library's
// name, for the lexer's input and echo and the printer's output.
class TARNWICK_COMMON_EXPORT TKVStringStream : public TStringStream {
 public:
  TKVStringStream() = default;
  explicit TKVStringStream(std::string_view AString) : TStringStream(AString) {}
  // Encoding is not owned; null means TEncoding::Default().
  TKVStringStream(std::string_view AString, const TEncoding* Encoding)
      : TStringStream(AString, Encoding) {}
  ~TKVStringStream() override;
};

}  // namespace tarnwick

#endif  // TARNWICK_COMMON_TEXTSTREAM_H_
