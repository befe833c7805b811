// libFuzzer target for Format, the formatter behind generated names, messages and printed
// numbers, with a host's format text and arguments: hosts may set FuzzyFormatStr to any text.
// The input begins with the separators and the arguments, the format text is the rest:
//   byte 0      the decimal separator; byte 1 the thousand separator
//   byte 2      the number of arguments, modulo 9
//   per argument a kind byte (modulo 7: string, 32-bit integer, unsigned 32-bit integer,
//               64-bit integer, unsigned 64-bit integer, double, pointer), then for a string a
//               length byte and that many bytes, for a number 8 bytes of its bits
// What is missing at the end of the input counts as zero bytes. Every refusal must be an
// EConvertError, and a text that formats must format the same a second time.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/Format.h"

namespace {

using namespace tarnwick;

class TReader {
 public:
  TReader(const std::uint8_t* Data, std::size_t Size) : FData(Data), FSize(Size) {}
  std::uint8_t Byte() { return FPos < FSize ? FData[FPos++] : 0; }
  std::uint64_t Bits() {
    std::uint64_t Result = 0;
    for (int I = 0; I < 8; ++I) Result = Result << 8 | Byte();
    return Result;
  }
  std::string_view Take(std::size_t Count) {
    const std::size_t Start = FPos < FSize ? FPos : FSize;
    const std::size_t Length = Count < FSize - Start ? Count : FSize - Start;
    FPos = Start + Length;
    return {reinterpret_cast<const char*>(FData) + Start, Length};
  }
  std::string_view Rest() { return Take(FSize); }

 private:
  const std::uint8_t* FData;
  std::size_t FSize;
  std::size_t FPos = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  TReader In(Data, Size);
  TFormatSettings Settings;
  Settings.DecimalSeparator = static_cast<char>(In.Byte());
  Settings.ThousandSeparator = static_cast<char>(In.Byte());
  const int Count = In.Byte() % 9;
  std::vector<std::string> Texts;  // the strings outlive the arguments that refer to them
  Texts.reserve(static_cast<std::size_t>(Count));
  std::vector<TVarRec> Args;
  for (int I = 0; I < Count; ++I) {
    switch (In.Byte() % 7) {
      case 0: {
        const std::size_t Length = In.Byte();
        Texts.emplace_back(In.Take(Length));
        Args.emplace_back(Texts.back());
        break;
      }
      case 1: Args.emplace_back(static_cast<std::int32_t>(In.Bits())); break;
      case 2: Args.emplace_back(static_cast<std::uint32_t>(In.Bits())); break;
      case 3: Args.emplace_back(static_cast<std::int64_t>(In.Bits())); break;
      case 4: Args.emplace_back(static_cast<std::uint64_t>(In.Bits())); break;
      case 5: {
        const std::uint64_t Bits = In.Bits();
        double Value;
        std::memcpy(&Value, &Bits, sizeof Value);
        Args.emplace_back(Value);
        break;
      }
      default: Args.emplace_back(reinterpret_cast<const void*>(static_cast<std::uintptr_t>(In.Bits()))); break;
    }
  }
  const std::string_view Fmt = In.Rest();
  std::string First;
  try {
    First = Format(Fmt, Args, Settings);
  } catch (const EConvertError&) {
    return 0;
  }
  if (Format(Fmt, Args, Settings) != First) {
    std::fprintf(stderr, "FORMAT FAILURE: the same format and arguments gave two texts\n");
    std::abort();
  }
  return 0;
}
