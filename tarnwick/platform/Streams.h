// Byte streams, the string stream over an in-memory text, and the text encodings that turn
// the library's UTF-8 strings into stream bytes and back.
//
// Text in the library is std::string holding UTF-8. A stream holds bytes; an encoding says how
// text becomes those bytes (GetBytes) and how the bytes read back as text (GetString, or one
// code point at a time with DecodeNext for readers that work character by character). A null
// encoding everywhere means TEncoding::Default(), which is UTF-8. The standard encodings are
// process-wide objects that live as long as the program; a stream never owns its encoding.
#ifndef TARNWICK_PLATFORM_STREAMS_H_
#define TARNWICK_PLATFORM_STREAMS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "tarnwick/platform/Classes.h"
#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/Export.h"
#include "tarnwick/platform/ResStrings.h"

namespace tarnwick {

TARNWICK_DECLARE_EXCEPTION(TARNWICK_PLATFORM_EXPORT, EStreamError, Exception);
TARNWICK_DECLARE_EXCEPTION(TARNWICK_PLATFORM_EXPORT, EReadError, EStreamError);
TARNWICK_DECLARE_EXCEPTION(TARNWICK_PLATFORM_EXPORT, EWriteError, EStreamError);
// A file that cannot be opened for reading, or created or replaced for writing.
TARNWICK_DECLARE_EXCEPTION(TARNWICK_PLATFORM_EXPORT, EFOpenError, EStreamError);
TARNWICK_DECLARE_EXCEPTION(TARNWICK_PLATFORM_EXPORT, EFCreateError, EStreamError);
// Bytes that form no character of the encoding they are read in.
TARNWICK_DECLARE_EXCEPTION(TARNWICK_PLATFORM_EXPORT, EEncodingError, Exception);

inline constexpr TResString SReadError{"SReadError", "Stream read error"};
inline constexpr TResString SWriteError{"SWriteError", "Stream write error"};
inline constexpr TResString SStreamPositionError{"SStreamPositionError",
                                                 "Invalid stream position or size (%d)"};
// The file as the caller named it, then why (the system's reason, or SNotARegularFile).
inline constexpr TResString SFOpenError{"SFOpenError", "Cannot open file \"%s\": %s"};
inline constexpr TResString SFCreateError{"SFCreateError", "Cannot create file \"%s\": %s"};
inline constexpr TResString SFReadError{"SFReadError", "Cannot read file \"%s\": %s"};
inline constexpr TResString SFWriteError{"SFWriteError", "Cannot write file \"%s\": %s"};
inline constexpr TResString SNotARegularFile{"SNotARegularFile", "not a regular file"};
// The encoding's name, then the offset of the first byte that is no character of it.
inline constexpr TResString SInvalidEncodedText{"SInvalidEncodedText", "Invalid %s text at byte offset %d"};

// ---------------------------------------------------------------------------------------------
// Encodings.

class TARNWICK_PLATFORM_EXPORT TEncoding {
 public:
  TEncoding() noexcept = default;
  TEncoding(const TEncoding&) = delete;
  TEncoding& operator=(const TEncoding&) = delete;
  virtual ~TEncoding();

  // A short name such as "UTF-8".
  virtual std::string GetEncodingName() const = 0;
  // The most bytes one code point takes. DecodeNext needs that many bytes ahead of Pos unless
  // the data ends sooner.
  virtual std::size_t GetMaxByteCount() const noexcept = 0;
  // The byte-order mark a text in this encoding may begin with; empty when there is none.
  virtual std::string_view GetPreamble() const noexcept;
  // True when every byte below 0x80 stands alone for the ASCII character of that code, so that
  // readers may take runs of such bytes without decoding them one by one.
  virtual bool IsAsciiCompatible() const noexcept;

  // Reads the code point at Bytes[Pos] and moves Pos past it (by at least one byte). Bytes that
  // form no character of the encoding yield U+FFFD. Pos must be below Bytes.size().
  virtual char32_t DecodeNext(std::string_view Bytes, std::size_t& Pos) const noexcept = 0;
  // Appends the bytes of Ch to Dest; a code point the encoding cannot hold is written as its
  // replacement character.
  virtual void Encode(char32_t Ch, std::string& Dest) const = 0;

  // The bytes of the UTF-8 text Text in this encoding.
  virtual std::string GetBytes(std::string_view Text) const;
  // The UTF-8 text of Bytes read in this encoding.
  virtual std::string GetString(std::string_view Bytes) const;
  // GetString for text that must be whole: bytes that form no character of the encoding (those
  // GetString would read as U+FFFD, or pass through) raise EEncodingError SInvalidEncodedText
  // with the encoding's name and the offset of the first of them, Bytes[0] being at Offset.
  // Reading stops at the end of Bytes: a sequence cut short there is such a byte.
  std::string GetStringStrict(std::string_view Bytes, std::int64_t Offset = 0) const;

  // UTF-8: bytes pass through unchanged; reading turns each malformed byte into U+FFFD.
  static const TEncoding* UTF8() noexcept;
  // ISO 8859-1: one byte per code point U+0000..U+00FF; other code points are written as '?'.
  static const TEncoding* ANSI() noexcept;
  // The encoding used where none is given: UTF-8.
  static const TEncoding* Default() noexcept;
  // Encoding itself, or Default() for a null one.
  static const TEncoding* OrDefault(const TEncoding* Encoding) noexcept {
    return Encoding != nullptr ? Encoding : Default();
  }
  // True for the process-wide encodings above.
  static bool IsStandardEncoding(const TEncoding* Encoding) noexcept;
};

// ---------------------------------------------------------------------------------------------
// Streams.

enum TSeekOrigin : std::uint8_t { soBeginning, soCurrent, soEnd };

// A sequence of bytes with a position. Read and Write move the position by what they moved and
// return that count; ReadBuffer and WriteBuffer move exactly Count bytes or raise.
class TARNWICK_PLATFORM_EXPORT TStream : public TObject {
 public:
  ~TStream() override;

  virtual std::int64_t Read(void* Buffer, std::int64_t Count) = 0;
  virtual std::int64_t Write(const void* Buffer, std::int64_t Count) = 0;
  // The new position.
  virtual std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) = 0;
  virtual std::int64_t GetSize();
  virtual void SetSize(std::int64_t NewSize) = 0;

  std::int64_t GetPosition() { return Seek(0, soCurrent); }
  void SetPosition(std::int64_t Value) { Seek(Value, soBeginning); }

  // Raises EReadError when fewer than Count bytes are left.
  void ReadBuffer(void* Buffer, std::int64_t Count);
  // Raises EWriteError when the stream takes fewer than Count bytes.
  void WriteBuffer(const void* Buffer, std::int64_t Count);
};

// A stream over bytes held in memory that represent a text in one encoding. Constructed from a
// text, it holds that text's bytes in its encoding, positioned at the start. A position past
// the end is allowed: reading there gives nothing, and writing there fills the gap with zero
// bytes. A negative position or size raises EStreamError.
class TARNWICK_PLATFORM_EXPORT TStringStream : public TStream {
 public:
  TStringStream();
  explicit TStringStream(std::string_view AString);
  // Encoding is not owned and must outlive the stream; null means TEncoding::Default().
  TStringStream(std::string_view AString, const TEncoding* Encoding);
  ~TStringStream() override;

  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t GetSize() override { return static_cast<std::int64_t>(FBytes.size()); }
  // Cuts the bytes, or extends them with zero bytes; a position beyond the new end moves to it.
  void SetSize(std::int64_t NewSize) override;

  // Writes the bytes of AString in the stream's encoding at the position.
  void WriteString(std::string_view AString);
  // Reads up to Count bytes from the position and returns them as text.
  std::string ReadString(std::int64_t Count);
  // The whole content as text, whatever the position.
  std::string GetDataString() const;
  // The whole content as bytes.
  const std::string& GetBytes() const noexcept { return FBytes; }
  const TEncoding* GetEncoding() const noexcept { return FEncoding; }

 private:
  const TEncoding* FEncoding;
  std::string FBytes;
  std::size_t FPosition = 0;
};

}  // namespace tarnwick

#endif  // TARNWICK_PLATFORM_STREAMS_H_
