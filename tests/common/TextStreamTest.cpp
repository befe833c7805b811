// The byte streams, encodings and string streams of the platform, and the common library's
// buffered character reader.
#include "tarnwick/common/TextStream.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "TestSupport.h"
#include "tarnwick/platform/Streams.h"

namespace tarnwick {
namespace {

std::unique_ptr<TStream> StringSource(std::string_view Bytes) {
  auto S = std::make_unique<TStringStream>();
  S->WriteBuffer(Bytes.data(), static_cast<std::int64_t>(Bytes.size()));
  S->SetPosition(0);
  return S;
}

// Hands out at most one byte per Read, so that every multibyte character straddles reads, and
// tells when it is destroyed.
class TTrickleStream : public TStream {
 public:
  TTrickleStream(std::string Bytes, bool* Destroyed) : FBytes(std::move(Bytes)), FDestroyed(Destroyed) {}
  ~TTrickleStream() override {
    if (FDestroyed != nullptr) *FDestroyed = true;
  }
  std::int64_t Read(void* Buffer, std::int64_t Count) override {
    if (Count <= 0 || FPos >= FBytes.size()) return 0;
    *static_cast<char*>(Buffer) = FBytes[FPos++];
    return 1;
  }
  std::int64_t Write(const void*, std::int64_t) override { return 0; }
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin) override { return Offset; }
  void SetSize(std::int64_t) override {}

 private:
  std::string FBytes;
  std::size_t FPos = 0;
  bool* FDestroyed;
};

std::vector<char32_t> ReadAll(TGTextStream& Reader) {
  std::vector<char32_t> Result;
  char32_t C;
  while (Reader.GetChar(C)) Result.push_back(C);
  return Result;
}

// ---------------------------------------------------------------------------------------------
// Encodings

TEST(Encoding, StandardEncodings) {
  EXPECT_EQ(TEncoding::Default(), TEncoding::UTF8());
  EXPECT_EQ(TEncoding::OrDefault(nullptr), TEncoding::UTF8());
  EXPECT_EQ(TEncoding::OrDefault(TEncoding::ANSI()), TEncoding::ANSI());
  EXPECT_TRUE(TEncoding::IsStandardEncoding(TEncoding::UTF8()));
  EXPECT_TRUE(TEncoding::IsStandardEncoding(TEncoding::ANSI()));
  EXPECT_FALSE(TEncoding::IsStandardEncoding(nullptr));
  EXPECT_EQ(TEncoding::UTF8()->GetEncodingName(), "UTF-8");
  EXPECT_EQ(TEncoding::ANSI()->GetEncodingName(), "ISO-8859-1");
}

TEST(Encoding, Utf8PassesBytesThrough) {
  const std::string Text = "a\xC3\xA9\xE2\x82\xAC\xFF";  // a, e-acute, euro sign, a stray byte
  EXPECT_EQ(TEncoding::UTF8()->GetBytes(Text), Text);
  EXPECT_EQ(TEncoding::UTF8()->GetString(Text), Text);
}

TEST(Encoding, Latin1MapsOneBytePerCodePoint) {
  // e-acute fits in one byte, the euro sign does not.
  EXPECT_EQ(TEncoding::ANSI()->GetBytes("a\xC3\xA9\xE2\x82\xAC"), "a\xE9?");
  EXPECT_EQ(TEncoding::ANSI()->GetString("a\xE9\xFF"), "a\xC3\xA9\xC3\xBF");
}

// ---------------------------------------------------------------------------------------------
// String streams

TEST(StringStream, HoldsTheTextAtTheStart) {
  TStringStream S("hello");
  EXPECT_EQ(S.GetPosition(), 0);
  EXPECT_EQ(S.GetSize(), 5);
  char Buf[8] = {};
  EXPECT_EQ(S.Read(Buf, 3), 3);
  EXPECT_STREQ(Buf, "hel");
  EXPECT_EQ(S.GetPosition(), 3);
  EXPECT_EQ(S.ReadString(10), "lo");
  EXPECT_EQ(S.Read(Buf, 3), 0);
  EXPECT_EQ(S.GetDataString(), "hello");
}

TEST(StringStream, WritesOverwriteAndExtend) {
  TStringStream S("abcdef");
  S.SetPosition(4);
  S.WriteString("XYZ");
  EXPECT_EQ(S.GetDataString(), "abcdXYZ");
  S.Seek(2, soEnd);  // past the end: the gap fills with zero bytes
  S.WriteString("!");
  EXPECT_EQ(S.GetBytes(), std::string("abcdXYZ\0\0!", 10));
  EXPECT_EQ(S.Seek(-3, soCurrent), 7);
}

TEST(StringStream, SetSizeCutsAndMovesThePosition) {
  TStringStream S("abcdef");
  S.Seek(0, soEnd);
  S.SetSize(2);
  EXPECT_EQ(S.GetPosition(), 2);
  S.WriteString("Z");
  EXPECT_EQ(S.GetDataString(), "abZ");
}

TEST(StringStream, EncodesWithItsEncoding) {
  TStringStream S("\xC3\xA9", TEncoding::ANSI());
  EXPECT_EQ(S.GetBytes(), "\xE9");
  S.Seek(0, soEnd);
  S.WriteString("\xE2\x82\xAC");
  EXPECT_EQ(S.GetBytes(), "\xE9?");
  EXPECT_EQ(S.GetDataString(), "\xC3\xA9?");
  EXPECT_EQ(TStringStream("x", nullptr).GetEncoding(), TEncoding::UTF8());
}

TEST(StringStream, Errors) {
  TStringStream S("abc");
  EXPECT_THROW_MSG(S.Seek(-1, soBeginning), EStreamError, "Invalid stream position or size (-1)");
  EXPECT_THROW_MSG(S.SetSize(-5), EStreamError, "Invalid stream position or size (-5)");
  char Buf[8];
  EXPECT_THROW_MSG(S.ReadBuffer(Buf, 4), EReadError, "Stream read error");
  EXPECT_EQ(S.GetPosition(), 3);
}

TEST(StringStream, KVStringStreamIsAStringStream) {
  TKVStringStream Echo;
  Echo.WriteString("( a ");
  Echo.WriteString("b )");
  EXPECT_EQ(Echo.GetDataString(), "( a b )");
  TKVStringStream Latin("\xC3\xA9", TEncoding::ANSI());
  EXPECT_EQ(Latin.GetSize(), 1);
}

// ---------------------------------------------------------------------------------------------
// The character reader

TEST(TextStream, ReadsCodePoints) {
  TGTextStream R(std::make_unique<TStringStream>("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z"), nullptr);
  EXPECT_THAT(ReadAll(R), testing::ElementsAre(U'a', U'\u00E9', U'\u20AC', U'\U0001F600', U'z'));
  EXPECT_TRUE(R.IsEof());
}

TEST(TextStream, MalformedBytesReadAsReplacementCharacters) {
  // A stray continuation byte, a sequence cut short by an ASCII byte, and a sequence cut short
  // by the end of the text.
  TGTextStream R(StringSource("\x80" "a\xE2\x82" "b\xF0\x9F"), nullptr);
  EXPECT_THAT(ReadAll(R), testing::ElementsAre(U'\uFFFD', U'a', U'\uFFFD', U'\uFFFD', U'b',
                                               U'\uFFFD', U'\uFFFD'));
}

TEST(TextStream, CharactersStraddlingReadsAndBufferEnds) {
  bool Destroyed = false;
  {
    TGTextStream R(std::make_unique<TTrickleStream>("\xE2\x82\xAC\xF0\x9F\x98\x80", &Destroyed), nullptr);
    EXPECT_THAT(ReadAll(R), testing::ElementsAre(U'\u20AC', U'\U0001F600'));
    EXPECT_FALSE(Destroyed);
  }
  EXPECT_TRUE(Destroyed);  // the reader frees its stream

  // A euro sign across the end of the first buffer load.
  std::string Text(TGBufferStream::kDefaultBufferSize - 1, 'a');
  Text += "\xE2\x82\xAC";
  TGTextStream R(std::make_unique<TStringStream>(Text), nullptr);
  std::vector<char32_t> Chars = ReadAll(R);
  ASSERT_EQ(Chars.size(), TGBufferStream::kDefaultBufferSize);
  EXPECT_EQ(Chars.back(), U'\u20AC');
}

TEST(TextStream, EndOfTextAndNulCharacters) {
  TGTextStream R(StringSource(std::string("a\0", 2)), nullptr);
  EXPECT_EQ(R.GetChar(), U'a');
  EXPECT_FALSE(R.IsEof());  // a NUL character is text
  EXPECT_EQ(R.GetChar(), U'\0');
  EXPECT_TRUE(R.IsEof());
  EXPECT_EQ(R.GetChar(), U'\0');
  char32_t C = U'x';
  EXPECT_FALSE(R.GetChar(C));
  EXPECT_EQ(C, U'x');
  EXPECT_FALSE(R.PeekChar(C));
}

TEST(TextStream, PutBackComesFirstLastFirst) {
  TGTextStream R(std::make_unique<TStringStream>("z"), nullptr);
  EXPECT_EQ(R.GetChar(), U'z');
  EXPECT_TRUE(R.IsEof());
  R.PutBack(U'b');
  R.PutBack(U'a');
  EXPECT_FALSE(R.IsEof());
  char32_t C;
  ASSERT_TRUE(R.PeekChar(C));
  EXPECT_EQ(C, U'a');
  EXPECT_THAT(ReadAll(R), testing::ElementsAre(U'a', U'b'));
  EXPECT_TRUE(R.IsEof());
}

TEST(TextStream, ReadsFromTheStreamsPositionAndSkipsAByteOrderMark) {
  auto S = std::make_unique<TStringStream>("xx\xEF\xBB\xBF" "a\xEF\xBB\xBF");
  S->SetPosition(2);
  TGTextStream R(std::move(S), nullptr);
  // The mark at the start is no text; one later in the text is a character.
  EXPECT_THAT(ReadAll(R), testing::ElementsAre(U'a', U'\uFEFF'));

  TGTextStream Only(std::make_unique<TStringStream>("\xEF\xBB\xBF"), nullptr);
  EXPECT_TRUE(Only.IsEof());
}

TEST(TextStream, Latin1Reader) {
  TGTextStream R(StringSource("\xE9\xEF\xBB\xBF"), TEncoding::ANSI());
  EXPECT_EQ(R.GetEncoding(), TEncoding::ANSI());
  // Latin-1 has no byte-order mark: those bytes are three characters.
  EXPECT_THAT(ReadAll(R), testing::ElementsAre(U'\u00E9', U'\u00EF', U'\u00BB', U'\u00BF'));
}

TEST(TextStream, GetLineConsumesOneLineEndOfAnyKind) {
  struct Case {
    const char* Text;
    std::vector<std::string> Lines;
    std::vector<bool> Ended;
  };
  const Case Cases[] = {
      {"a\r\nb\rc\nd", {"a", "b", "c", "d"}, {true, true, true, false}},
      {"\n\r\r\n", {"", "", ""}, {true, true, true}},
      {"x\r", {"x"}, {true}},
      {"\xC3\xA9t\xC3\xA9", {"\xC3\xA9t\xC3\xA9"}, {false}},
  };
  for (const Case& C : Cases) {
    TGTextStream R(std::make_unique<TStringStream>(C.Text), nullptr);
    std::vector<std::string> Lines;
    std::vector<bool> Ended;
    while (!R.IsEof()) {
      bool LineEnded;
      Lines.push_back(R.ReadLine(LineEnded));
      Ended.push_back(LineEnded);
    }
    EXPECT_EQ(Lines, C.Lines) << C.Text;
    EXPECT_EQ(Ended, C.Ended) << C.Text;
  }
  TGTextStream R(std::make_unique<TStringStream>("one\r\ntwo"), nullptr);
  EXPECT_EQ(R.GetLine(), "one");
  EXPECT_EQ(R.GetLine(), "two");
  EXPECT_EQ(R.GetLine(), "");
}

TEST(TextStream, ReadToLineEndLeavesTheLineEndUnread) {
  TGTextStream R(std::make_unique<TStringStream>("a\xC3\xA9\r\nb\n\rc"), nullptr);
  EXPECT_EQ(R.ReadToLineEnd(), "a\xC3\xA9");
  EXPECT_EQ(R.GetChar(), U'\r');
  EXPECT_EQ(R.ReadToLineEnd(), "");
  EXPECT_EQ(R.GetChar(), U'\n');
  EXPECT_EQ(R.ReadToLineEnd(), "b");
  EXPECT_EQ(R.GetChar(), U'\n');
  EXPECT_EQ(R.GetChar(), U'\r');
  EXPECT_EQ(R.ReadToLineEnd(), "c");
  EXPECT_TRUE(R.IsEof());
}

TEST(TextStream, SkipInLineSpacesStopsAtLineEndsAndText) {
  TGTextStream R(StringSource(std::string(" \t\0\x01x  \r\n", 9)), nullptr);
  EXPECT_TRUE(R.SkipInLineSpaces());
  EXPECT_EQ(R.GetChar(), U'x');
  EXPECT_TRUE(R.SkipInLineSpaces());
  EXPECT_EQ(R.GetChar(), U'\r');
  EXPECT_FALSE(R.SkipInLineSpaces());
  EXPECT_EQ(R.GetChar(), U'\n');
  EXPECT_FALSE(R.SkipInLineSpaces());
}

TEST(TextStream, NullStreamReadsAsEmpty) {
  TGTextStream R(nullptr, nullptr);
  EXPECT_TRUE(R.IsEof());
  EXPECT_EQ(R.GetLine(), "");
}

TEST(TextStream, TenMegabyteLine) {
  std::string Line(10 * 1024 * 1024, 'q');
  Line[5 * 1024 * 1024] = '\0';
  TGTextStream R(std::make_unique<TStringStream>(Line + "\nnext"), nullptr);
  EXPECT_EQ(R.GetLine(), Line);
  EXPECT_EQ(R.GetLine(), "next");
  EXPECT_TRUE(R.IsEof());
}

// Bytes read as the code point one above them: an encoding that is not ASCII-compatible.
class TShiftedEncoding final : public TEncoding {
 public:
  std::string GetEncodingName() const override { return "shifted"; }
  std::size_t GetMaxByteCount() const noexcept override { return 1; }
  char32_t DecodeNext(std::string_view Bytes, std::size_t& Pos) const noexcept override {
    return static_cast<unsigned char>(Bytes[Pos++]) + 1;
  }
  void Encode(char32_t Ch, std::string& Dest) const override { Dest += static_cast<char>(Ch - 1); }
};

TEST(TextStream, AppendAsciiRunTakesSetCharactersFromTheBuffer) {
  const TAsciiSet Letters = TAsciiSet::Range(U'a', U'z');
  TGTextStream R(std::make_unique<TStringStream>("abc,de\xE2\x82\xAC" "f"), nullptr);
  std::string Out = ">";
  EXPECT_EQ(R.AppendAsciiRun(Out, Letters), 3u);
  EXPECT_EQ(Out, ">abc");
  EXPECT_EQ(R.GetChar(), U',');
  R.PutBack(U',');  // nothing is taken while a put-back character waits
  EXPECT_EQ(R.AppendAsciiRun(Out, TAsciiSet::Range(0, 127)), 0u);
  EXPECT_EQ(R.GetChar(), U',');
  // A run stops before a character beyond ASCII, whatever the set.
  EXPECT_EQ(R.AppendAsciiRun(Out, TAsciiSet::Range(0, 127)), 2u);
  EXPECT_EQ(R.GetChar(), U'\u20AC');
  EXPECT_EQ(R.AppendAsciiRun(Out, Letters), 1u);
  EXPECT_EQ(Out, ">abcdef");
  EXPECT_EQ(R.AppendAsciiRun(Out, Letters), 0u);
  EXPECT_TRUE(R.IsEof());

  // Across buffer loads.
  std::string Long(TGBufferStream::kDefaultBufferSize + 10, 'q');
  TGTextStream L(std::make_unique<TStringStream>(Long + "!"), nullptr);
  std::string Run;
  EXPECT_EQ(L.AppendAsciiRun(Run, Letters), Long.size());
  EXPECT_EQ(Run, Long);
  EXPECT_EQ(L.GetChar(), U'!');

  // Only an ASCII-compatible encoding lets bytes stand for themselves.
  TShiftedEncoding Shifted;
  EXPECT_FALSE(Shifted.IsAsciiCompatible());
  TGTextStream S(StringSource("ab"), &Shifted);
  EXPECT_EQ(S.AppendAsciiRun(Run, Letters), 0u);
  EXPECT_EQ(S.GetChar(), U'b');
}

TEST(TextStream, AsciiSet) {
  TAsciiSet Set = TAsciiSet::Range(U'0', U'9');
  Set.Include(U'x').Include(U'\u00E9').Exclude(U'5');
  EXPECT_TRUE(Set.Contains(U'0'));
  EXPECT_TRUE(Set.Contains(U'9'));
  EXPECT_TRUE(Set.Contains(U'x'));
  EXPECT_FALSE(Set.Contains(U'5'));
  EXPECT_FALSE(Set.Contains(U'\u00E9'));  // beyond ASCII: never a member
  EXPECT_FALSE(Set.Contains(U'/'));
  EXPECT_TRUE(TAsciiSet::Range(0, 127).Contains(127));
  EXPECT_TRUE(TAsciiSet::Range(0, 127).Contains(0));
}

// ---------------------------------------------------------------------------------------------
// Number characters

TEST(NumberChars, WhatBeginsANumberAndWhatIsASign) {
  for (char32_t C : std::u32string_view(U"0123456789+-.")) EXPECT_TRUE(IsNumberChar(C)) << int(C);
  for (char32_t C : std::u32string_view(U"aeE$x ?(\u0660")) EXPECT_FALSE(IsNumberChar(C)) << int(C);
  EXPECT_TRUE(IsNumberSymbol(U'+'));
  EXPECT_TRUE(IsNumberSymbol(U'-'));
  for (char32_t C : std::u32string_view(U"0.e")) EXPECT_FALSE(IsNumberSymbol(C)) << int(C);
}

TEST(CodePoints, AppendCodePoint) {
  std::string S;
  for (char32_t C : {U'a', U'\u00E9', U'\u20AC', U'\U0001F600', char32_t(0xD800), char32_t(0x110000)})
    AppendCodePoint(S, C);
  EXPECT_EQ(S, "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace
}  // namespace tarnwick
