// The files behind the string lists' LoadFromFile and SaveToFile: a stream that reads a regular
// file, and the replacement of a file by one written whole beside it. Internal to the platform
// library.
#ifndef TARNWICK_PLATFORM_DETAIL_FILESTREAM_H_
#define TARNWICK_PLATFORM_DETAIL_FILESTREAM_H_

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "tarnwick/platform/Streams.h"

namespace tarnwick::detail {

// A stream over an open file; it closes the file when it dies. Failures of the file system
// raise EReadError SFReadError or EWriteError SFWriteError naming the file as the caller named
// it.
class TFileStream final : public TStream {
 public:
  // Opens FileName for reading. It must name a regular file (through symbolic links): anything
  // else, and a file that is missing or cannot be opened, raises EFOpenError SFOpenError.
  explicit TFileStream(const std::string& FileName);
  ~TFileStream() override;

  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  void SetSize(std::int64_t NewSize) override;

 private:
  friend void ReplaceFile(const std::string& FileName, const std::function<void(TStream&)>& WriteTo);
  // Takes over File, the open file at Path, which the messages call FileName.
  TFileStream(std::FILE* File, std::filesystem::path Path, std::string FileName) noexcept;
  // Writes out what is buffered and closes the file; a failure raises, the file closed all the
  // same. Closing a closed stream does nothing.
  void Close();

  std::FILE* FFile;
  std::filesystem::path FPath;
  std::string FFileName;
};

// Replaces the file FileName by what WriteTo writes to the stream it is given. The new content
// goes to a new file beside it first, with the permission bits of the file it replaces, and is
// renamed over it only when WriteTo returned and the file is complete; on any failure (WriteTo's
// own errors included) the new file is removed again and the error passes on, so a file that
// was there stays as it was. Through a symbolic link the file it names is replaced, so the
// link stays. A FileName that names something other than a regular file, and a new file that
// cannot be created or renamed, raise EFCreateError SFCreateError naming FileName.
void ReplaceFile(const std::string& FileName, const std::function<void(TStream&)>& WriteTo);

}  // namespace tarnwick::detail

#endif  // TARNWICK_PLATFORM_DETAIL_FILESTREAM_H_
