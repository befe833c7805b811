// Byte streams, the string stream and the standard text encodings.
#include "tarnwick/platform/Streams.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <limits>
#include <system_error>
#include <utility>

#include "tarnwick/platform/Format.h"
#include "tarnwick/platform/SysUtils.h"
#include "tarnwick/platform/detail/FileStream.h"
#include "tarnwick/platform/detail/Immortal.h"

namespace tarnwick {

EStreamError::~EStreamError() = default;
EReadError::~EReadError() = default;
EWriteError::~EWriteError() = default;
EFOpenError::~EFOpenError() = default;
EFCreateError::~EFCreateError() = default;
EEncodingError::~EEncodingError() = default;

namespace {

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
  void Encode(char32_t Ch, std::string& Dest) const override { Utf8Append(Dest, Ch); }
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
  static const detail::TImmortal<TUTF8Encoding> Instance;
  return Instance.Get();
}

const TLatin1Encoding& Latin1Instance() noexcept {
  static const detail::TImmortal<TLatin1Encoding> Instance;
  return Instance.Get();
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
  while (Pos < Bytes.size()) Utf8Append(Result, DecodeNext(Bytes, Pos));
  return Result;
}

std::string TEncoding::GetStringStrict(std::string_view Bytes, std::int64_t Offset) const {
  std::string Result;
  Result.reserve(Bytes.size());
  const bool Ascii = IsAsciiCompatible();
  std::string Replacement;  // U+FFFD in this encoding: bytes that really stand for it are text
  std::size_t Pos = 0;
  while (Pos < Bytes.size()) {
    if (Ascii && static_cast<unsigned char>(Bytes[Pos]) < 0x80) {
      std::size_t End = Pos + 1;
      while (End < Bytes.size() && static_cast<unsigned char>(Bytes[End]) < 0x80) ++End;
      Result.append(Bytes.substr(Pos, End - Pos));
      Pos = End;
      continue;
    }
    const std::size_t Start = Pos;
    const char32_t Ch = DecodeNext(Bytes, Pos);
    if (Ch == kUtf8Replacement) {
      if (Replacement.empty()) Encode(kUtf8Replacement, Replacement);
      if (Bytes.substr(Start, Pos - Start) != Replacement)
        throw EEncodingError(Format(LoadResString(SInvalidEncodedText),
                                    {GetEncodingName(), Offset + static_cast<std::int64_t>(Start)}));
    }
    Utf8Append(Result, Ch);
  }
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

// ---------------------------------------------------------------------------------------------
// Files

namespace detail {
namespace {

namespace fs = std::filesystem;

std::string SystemReason(int Error) { return std::generic_category().message(Error); }

template <typename E>
[[noreturn]] void RaiseFileError(const TResString& Msg, const std::string& FileName, const std::string& Reason) {
  throw E(Format(LoadResString(Msg), {FileName, Reason}));
}

// The end of a file name (".<number>.tmp") that another save running at the same time, in this
// process or another, is unlikely to pick; the exclusive creation tells when one did. Built by
// appends: g++ 12 sees a false overlap in the concatenations of release builds.
std::string TempSuffix() {
  static std::atomic<std::uint64_t> Counter{0};
  const auto Ticks = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  std::string Result = ".";
  Result += std::to_string(Ticks ^ (Counter.fetch_add(1) * 0x9E3779B97F4A7C15ULL));
  Result += ".tmp";
  return Result;
}

}  // namespace

TFileStream::TFileStream(const std::string& FileName) : FFile(nullptr), FPath(FileName), FFileName(FileName) {
  // Told before opening: opening a pipe would wait for a writer, and a device may never end.
  std::error_code Ec;
  const fs::file_status Status = fs::status(FPath, Ec);
  if (Ec) RaiseFileError<EFOpenError>(SFOpenError, FileName, Ec.message());
  if (!fs::is_regular_file(Status)) RaiseFileError<EFOpenError>(SFOpenError, FileName, LoadResString(SNotARegularFile));
  FFile = std::fopen(FPath.c_str(), "rb");
  if (FFile == nullptr) RaiseFileError<EFOpenError>(SFOpenError, FileName, SystemReason(errno));
}

TFileStream::TFileStream(std::FILE* File, fs::path Path, std::string FileName) noexcept
    : FFile(File), FPath(std::move(Path)), FFileName(std::move(FileName)) {}

TFileStream::~TFileStream() {
  if (FFile != nullptr) std::fclose(FFile);
}

std::int64_t TFileStream::Read(void* Buffer, std::int64_t Count) {
  if (Count <= 0) return 0;
  const std::size_t N = std::fread(Buffer, 1, static_cast<std::size_t>(Count), FFile);
  if (N < static_cast<std::size_t>(Count) && std::ferror(FFile))
    RaiseFileError<EReadError>(SFReadError, FFileName, SystemReason(errno));
  return static_cast<std::int64_t>(N);
}

std::int64_t TFileStream::Write(const void* Buffer, std::int64_t Count) {
  if (Count <= 0) return 0;
  if (std::fwrite(Buffer, 1, static_cast<std::size_t>(Count), FFile) < static_cast<std::size_t>(Count))
    RaiseFileError<EWriteError>(SFWriteError, FFileName, SystemReason(errno));
  return Count;
}

std::int64_t TFileStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  const int Whence = Origin == soBeginning ? SEEK_SET : Origin == soCurrent ? SEEK_CUR : SEEK_END;
  if (Offset < LONG_MIN || Offset > LONG_MAX || std::fseek(FFile, static_cast<long>(Offset), Whence) != 0)
    RaisePositionError(Offset);
  const long Position = std::ftell(FFile);
  if (Position < 0) RaisePositionError(Offset);
  return Position;
}

void TFileStream::SetSize(std::int64_t NewSize) {
  if (NewSize < 0) RaisePositionError(NewSize);
  const std::int64_t Position = GetPosition();
  if (std::fflush(FFile) != 0) RaiseFileError<EWriteError>(SFWriteError, FFileName, SystemReason(errno));
  std::error_code Ec;
  fs::resize_file(FPath, static_cast<std::uintmax_t>(NewSize), Ec);
  if (Ec) RaiseFileError<EWriteError>(SFWriteError, FFileName, Ec.message());
  if (Position > NewSize) Seek(NewSize, soBeginning);
}

void TFileStream::Close() {
  std::FILE* File = std::exchange(FFile, nullptr);
  if (File == nullptr) return;
  int Error = std::fflush(File) == 0 ? 0 : errno;
  if (std::fclose(File) != 0 && Error == 0) Error = errno;
  if (Error != 0) RaiseFileError<EWriteError>(SFWriteError, FFileName, SystemReason(Error));
}

void ReplaceFile(const std::string& FileName, const std::function<void(TStream&)>& WriteTo) {
  if (FileName.empty()) RaiseFileError<EFCreateError>(SFCreateError, FileName, SystemReason(ENOENT));
  std::error_code Ec;
  fs::path Target(FileName);
  if (fs::is_symlink(fs::symlink_status(Target, Ec))) {
    fs::path Linked = fs::canonical(Target, Ec);
    if (!Ec) Target = std::move(Linked);  // a dangling link is replaced itself
  }
  const fs::file_status Existing = fs::status(Target, Ec);
  const bool Exists = fs::exists(Existing);
  // Renaming over a directory or a device would replace it by a file, or fail late.
  if (Exists && !fs::is_regular_file(Existing))
    RaiseFileError<EFCreateError>(SFCreateError, FileName, LoadResString(SNotARegularFile));
  if (Exists) {
    // A file this process may not write is not replaced either; opening it for update
    // changes nothing in it.
    std::FILE* Probe = std::fopen(Target.c_str(), "r+b");
    if (Probe == nullptr) RaiseFileError<EFCreateError>(SFCreateError, FileName, SystemReason(errno));
    std::fclose(Probe);
  }

  fs::path Temp;
  std::FILE* File = nullptr;
  for (int Attempt = 0; File == nullptr; ++Attempt) {
    Temp = Target;
    Temp += TempSuffix();
    File = std::fopen(Temp.c_str(), "wbx");  // only a file of that name that did not exist yet
    const int Error = errno;
    if (File == nullptr && (Error != EEXIST || Attempt == 100))
      RaiseFileError<EFCreateError>(SFCreateError, FileName, SystemReason(Error));
  }
  TFileStream Stream(File, Temp, FileName);
  try {
    // Before any content: the new file is never readable by more than the old one.
    if (Exists) fs::permissions(Temp, Existing.permissions(), fs::perm_options::replace, Ec);
    WriteTo(Stream);
    Stream.Close();
    fs::rename(Temp, Target, Ec);
    if (Ec) RaiseFileError<EFCreateError>(SFCreateError, FileName, Ec.message());
  } catch (...) {
    try {
      Stream.Close();
    } catch (const EWriteError&) {  // the first error is the one to report
    }
    fs::remove(Temp, Ec);
    throw;
  }
}

}  // namespace detail

}  // namespace tarnwick
