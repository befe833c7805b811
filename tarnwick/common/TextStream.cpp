// The buffered character reader and the common library's string stream.
#include "tarnwick/common/TextStream.h"

#include <algorithm>
#include <typeinfo>
#include <utility>

#include "tarnwick/platform/Classes.h"

namespace tarnwick {

namespace {
constexpr char32_t kCR = 13;
constexpr char32_t kLF = 10;
constexpr TAsciiSet kLineChars = TAsciiSet::Range(0, 127).Exclude(kCR).Exclude(kLF);
}  // namespace

void AppendCodePoint(std::string& S, char32_t C) {
  if (C < 0x80) {
    S += static_cast<char>(C);
    return;
  }
  if (C > 0x10FFFF || (C >= 0xD800 && C <= 0xDFFF)) C = 0xFFFD;
  if (C < 0x800) {
    S += static_cast<char>(0xC0 | (C >> 6));
  } else if (C < 0x10000) {
    S += static_cast<char>(0xE0 | (C >> 12));
    S += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
  } else {
    S += static_cast<char>(0xF0 | (C >> 18));
    S += static_cast<char>(0x80 | ((C >> 12) & 0x3F));
    S += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
  }
  S += static_cast<char>(0x80 | (C & 0x3F));
}

// ---------------------------------------------------------------------------------------------
// TGBufferStream

TGBufferStream::TGBufferStream(std::unique_ptr<TStream> Stream, std::size_t BufferSize)
    : FStream(std::move(Stream)), FBufferSize(std::max<std::size_t>(BufferSize, 16)) {
  FStreamEnded = FStream == nullptr;
  if (const TStream* Source = FStream.get())
    FKnownSize = IsExactClass(*Source, typeid(TKVStringStream)) || IsExactClass(*Source, typeid(TStringStream));
}

TGBufferStream::~TGBufferStream() = default;

std::size_t TGBufferStream::Fill(std::size_t Count) {
  std::size_t Have = FBuffer.size() - FHead;
  if (Have >= Count || FStreamEnded) return Have;
  // Drop what was read, so the buffer holds at most one chunk plus a character's tail.
  FBuffer.erase(0, FHead);
  FHead = 0;
  while (FBuffer.size() < Count && !FStreamEnded) {
    // A string stream tells how much it still holds, so that no more room than that is made
    // (and cleared): most texts are far shorter than the buffer.
    std::size_t Chunk = FBufferSize;
    if (FKnownSize) {
      const std::int64_t Left = FStream->GetSize() - FStream->GetPosition();
      Chunk = Left <= 0 ? 0 : static_cast<std::size_t>(std::min<std::int64_t>(Left, static_cast<std::int64_t>(Chunk)));
    }
    std::size_t Old = FBuffer.size();
    FBuffer.resize(Old + Chunk);
    std::int64_t Got = Chunk == 0 ? 0 : FStream->Read(FBuffer.data() + Old, static_cast<std::int64_t>(Chunk));
    if (Got <= 0) {
      FStreamEnded = true;
      Got = 0;
    }
    FBuffer.resize(Old + static_cast<std::size_t>(Got));
  }
  return FBuffer.size();
}

// ---------------------------------------------------------------------------------------------
// TGTextStream

TGTextStream::TGTextStream(std::unique_ptr<TStream> Stream, const TEncoding* Encoding)
    : TGBufferStream(std::move(Stream)),
      FEncoding(TEncoding::OrDefault(Encoding)),
      FAsciiCompatible(FEncoding->IsAsciiCompatible()) {}

TGTextStream::~TGTextStream() = default;

void TGTextStream::SkipPreamble() {
  FPreambleChecked = true;
  std::string_view Preamble = FEncoding->GetPreamble();
  if (Preamble.empty()) return;
  Fill(Preamble.size());
  if (Available().substr(0, Preamble.size()) == Preamble) Consume(Preamble.size());
}

bool TGTextStream::GetCharDecoded(char32_t& C) {
  if (!FPutBack.empty()) {
    C = FPutBack.back();
    FPutBack.pop_back();
    return true;
  }
  if (!FPreambleChecked) SkipPreamble();
  if (Fill(FEncoding->GetMaxByteCount()) == 0) return false;
  std::string_view Bytes = Available();
  std::size_t Pos = 0;
  C = FEncoding->DecodeNext(Bytes, Pos);
  Consume(Pos);
  return true;
}

char32_t TGTextStream::GetChar() {
  char32_t C = 0;
  return GetChar(C) ? C : 0;
}

bool TGTextStream::PeekCharDecoded(char32_t& C) {
  if (!GetChar(C)) return false;
  FPutBack.push_back(C);
  return true;
}

void TGTextStream::PutBack(char32_t C) { FPutBack.push_back(C); }

bool TGTextStream::IsEofFilled() {
  if (!FPutBack.empty()) return false;
  if (!FPreambleChecked) SkipPreamble();
  return Fill(1) == 0;
}

std::string TGTextStream::ReadToLineEnd() {
  std::string Result;
  char32_t C;
  for (;;) {
    AppendAsciiRun(Result, kLineChars);
    if (!GetChar(C)) break;
    if (C == kCR || C == kLF) {
      PutBack(C);
      break;
    }
    AppendCodePoint(Result, C);
  }
  return Result;
}

std::string TGTextStream::ReadLine(bool& LineEnded) {
  std::string Result = ReadToLineEnd();
  char32_t C;
  LineEnded = GetChar(C);  // nothing but a line end can follow
  if (LineEnded && C == kCR && GetChar(C) && C != kLF) PutBack(C);
  return Result;
}

std::string TGTextStream::GetLine() {
  bool LineEnded;
  return ReadLine(LineEnded);
}

bool TGTextStream::SkipInLineSpaces() {
  bool Skipped = false;
  char32_t C;
  while (GetChar(C)) {
    if (C > 32 || C == kCR || C == kLF) {
      PutBack(C);
      break;
    }
    Skipped = true;
  }
  return Skipped;
}

std::size_t TGTextStream::AppendAsciiRunSlow(std::string& Dest, const TAsciiSet& Set) {
  if (!FPutBack.empty() || !FAsciiCompatible) return 0;
  if (!FPreambleChecked) SkipPreamble();
  // The membership test is spelled out here rather than called: this loop is the reader's
  // hottest, and it must stay fast in unoptimised builds too.
  const std::uint64_t Low = Set.Bits[0];
  const std::uint64_t High = Set.Bits[1];
  std::size_t Total = 0;
  for (;;) {
    std::string_view Bytes = Available();
    const auto* P = reinterpret_cast<const unsigned char*>(Bytes.data());
    const std::size_t Size = Bytes.size();
    std::size_t N = 0;
    for (; N < Size; ++N) {
      unsigned B = P[N];
      if (B >= 128 || (((B < 64 ? Low : High) >> (B & 63)) & 1) == 0) break;
    }
    Dest.append(Bytes.data(), N);
    Consume(N);
    Total += N;
    if (N < Size || Fill(1) == 0) return Total;
  }
}

// ---------------------------------------------------------------------------------------------
// TKVStringStream

TKVStringStream::~TKVStringStream() = default;

}  // namespace tarnwick
