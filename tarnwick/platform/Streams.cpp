// Byte streams, the string stream and the standard text encodings.
#include "tarnwick/platform/Streams.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "tarnwick/platform/Format.h"
#include "tarnwick/platform/SysUtils.h"

namespace tarnwick {

EStreamError::~EStreamError() = default;
EReadError::~EReadError() = default;
EWriteError::~EWriteError() = default;

namespace {

void AppendUtf8(std::string& Dest, char32_t Ch) {
  if (Ch < 0x80) {
    Dest += static_cast<char>(Ch);
  } else if (Ch < 0x800) {
    Dest += static_cast<char>(0xC0 | (Ch >> 6));
    Dest += static_cast<char>(0x80 | (Ch & 0x3F));
  } else if (Ch < 0x10000) {
    if (Ch >= 0xD800 && Ch <= 0xDFFF) Ch = kUtf8Replacement;  // a lone surrogate is no character
    Dest += static_cast<char>(0xE0 | (Ch >> 12));
    Dest += static_cast<char>(0x80 | ((Ch >> 6) & 0x3F));
    Dest += static_cast<char>(0x80 | (Ch & 0x3F));
  } else if (Ch <= 0x10FFFF) {
    Dest += static_cast<char>(0xF0 | (Ch >> 18));
    Dest += static_cast<char>(0x80 | ((Ch >> 12) & 0x3F));
    Dest += static_cast<char>(0x80 | ((Ch >> 6) & 0x3F));
    Dest += static_cast<char>(0x80 | (Ch & 0x3F));
  } else {
    AppendUtf8(Dest, kUtf8Replacement);
  }
}

class TUTF8Encoding final : public TEncoding {
 public:
  std::string GetEncodingName() const override { return "UTF-8"; }
  std::size_t GetMaxByteCount() const noexcept override { return 4; }
  std::string_view GetPreamble() const noexcept override { return "\xEF\xBB\xBF"; }
  bool IsAsciiCompatible() const noexcept override { return true; }
  char32_t DecodeNext(std::string_view Bytes, std::size_t& Pos) const noexcept override {
    auto B = static_cast<unsigned char>(Bytes[Pos]);
    if (B < 0x80) {  // the common case, without the general decoder
      ++Pos;
      return B;
    }
    return Utf8DecodeNext(Bytes, Pos);
  }
  void Encode(char32_t Ch, std::string& Dest) const override { AppendUtf8(Dest, Ch); }
  // Text already is UTF-8: pass the bytes through untouched, malformed ones included, so that
  // writing and reading back keeps whatever the caller had.
  std::string GetBytes(std::string_view Text) const override { return std::string(Text); }
  std::string GetString(std::string_view Bytes) const override { return std::string(Bytes); }
};

class TLatin1Encoding final : public TEncoding {
 public:
  std::string GetEncodingName() const override { return "ISO-8859-1"; }
  std::size_t GetMaxByteCount() const noexcept override { return 1; }
  bool IsAsciiCompatible() const noexcept override { return true; }
  char32_t DecodeNext(std::string_view Bytes, std::size_t& Pos) const noexcept override {
    return static_cast<unsigned char>(Bytes[Pos++]);
  }
  void Encode(char32_t Ch, std::string& Dest) const override {
    Dest += Ch <= 0xFF ? static_cast<char>(Ch) : '?';
  }
};

const TUTF8Encoding& Utf8Instance() noexcept {
  static const TUTF8Encoding Instance;
  return Instance;
}

const TLatin1Encoding& Latin1Instance() noexcept {
  static const TLatin1Encoding Instance;
  return Instance;
}

[[noreturn]] void RaisePositionError(std::int64_t Value) {
  throw EStreamError(Format(LoadResString(SStreamPositionError), {Value}));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TEncoding

TEncoding::~TEncoding() = default;

std::string_view TEncoding::GetPreamble() const noexcept { return {}; }

bool TEncoding::IsAsciiCompatible() const noexcept { return false; }

std::string TEncoding::GetBytes(std::string_view Text) const {
  std::string Result;
  Result.reserve(Text.size());
  std::size_t Pos = 0;
  while (Pos < Text.size()) Encode(Utf8DecodeNext(Text, Pos), Result);
  return Result;
}

std::string TEncoding::GetString(std::string_view Bytes) const {
  std::string Result;
  Result.reserve(Bytes.size());
  std::size_t Pos = 0;
  while (Pos < Bytes.size()) AppendUtf8(Result, DecodeNext(Bytes, Pos));
  return Result;
}

const TEncoding* TEncoding::UTF8() noexcept { return &Utf8Instance(); }
const TEncoding* TEncoding::ANSI() noexcept { return &Latin1Instance(); }
const TEncoding* TEncoding::Default() noexcept { return UTF8(); }

bool TEncoding::IsStandardEncoding(const TEncoding* Encoding) noexcept {
  return Encoding != nullptr && (Encoding == UTF8() || Encoding == ANSI());
}

// ---------------------------------------------------------------------------------------------
// TStream

TStream::~TStream() = default;

std::int64_t TStream::GetSize() {
  std::int64_t Position = Seek(0, soCurrent);
  std::int64_t Result = Seek(0, soEnd);
  Seek(Position, soBeginning);
  return Result;
}

void TStream::ReadBuffer(void* Buffer, std::int64_t Count) {
  if (Count != 0 && Read(Buffer, Count) != Count) throw EReadError(LoadResString(SReadError));
}

void TStream::WriteBuffer(const void* Buffer, std::int64_t Count) {
  if (Count != 0 && Write(Buffer, Count) != Count) throw EWriteError(LoadResString(SWriteError));
}

// ---------------------------------------------------------------------------------------------
// TStringStream

TStringStream::TStringStream() : FEncoding(TEncoding::Default()) {}

TStringStream::TStringStream(std::string_view AString)
    : FEncoding(TEncoding::Default()), FBytes(FEncoding->GetBytes(AString)) {}

TStringStream::TStringStream(std::string_view AString, const TEncoding* Encoding)
    : FEncoding(TEncoding::OrDefault(Encoding)), FBytes(FEncoding->GetBytes(AString)) {}

TStringStream::~TStringStream() = default;

std::int64_t TStringStream::Read(void* Buffer, std::int64_t Count) {
  if (Count <= 0 || FPosition >= FBytes.size()) return 0;
  std::size_t N = std::min(static_cast<std::size_t>(Count), FBytes.size() - FPosition);
  std::memcpy(Buffer, FBytes.data() + FPosition, N);
  FPosition += N;
  return static_cast<std::int64_t>(N);
}

std::int64_t TStringStream::Write(const void* Buffer, std::int64_t Count) {
  if (Count <= 0) return 0;
  auto N = static_cast<std::size_t>(Count);
  if (FPosition > FBytes.max_size() || N > FBytes.max_size() - FPosition) throw EWriteError(LoadResString(SWriteError));
  if (FPosition + N > FBytes.size()) FBytes.resize(FPosition + N, '\0');
  std::memcpy(FBytes.data() + FPosition, Buffer, N);
  FPosition += N;
  return Count;
}

std::int64_t TStringStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  std::int64_t Base = 0;
  switch (Origin) {
    case soBeginning: Base = 0; break;
    case soCurrent: Base = static_cast<std::int64_t>(FPosition); break;
    case soEnd: Base = static_cast<std::int64_t>(FBytes.size()); break;
  }
  // Sums that overflow count as invalid positions, like negative ones.
  if ((Offset > 0 && Base > std::numeric_limits<std::int64_t>::max() - Offset) || Base + Offset < 0)
    RaisePositionError(Offset);
  FPosition = static_cast<std::size_t>(Base + Offset);
  return Base + Offset;
}

void TStringStream::SetSize(std::int64_t NewSize) {
  if (NewSize < 0 || static_cast<std::uint64_t>(NewSize) > FBytes.max_size())
    RaisePositionError(NewSize);
  FBytes.resize(static_cast<std::size_t>(NewSize), '\0');
  FPosition = std::min(FPosition, FBytes.size());
}

void TStringStream::WriteString(std::string_view AString) {
  std::string Bytes = FEncoding->GetBytes(AString);
  WriteBuffer(Bytes.data(), static_cast<std::int64_t>(Bytes.size()));
}

std::string TStringStream::ReadString(std::int64_t Count) {
  if (Count <= 0 || FPosition >= FBytes.size()) return {};
  std::size_t N = std::min(static_cast<std::size_t>(Count), FBytes.size() - FPosition);
  std::string_view Bytes(FBytes.data() + FPosition, N);
  FPosition += N;
  return FEncoding->GetString(Bytes);
}

std::string TStringStream::GetDataString() const { return FEncoding->GetString(FBytes); }

}  // namespace tarnwick
