// Runs a libFuzzer entry function over saved inputs without libFuzzer, so that any compiler's
// normal build replays the corpora: each argument is a file, or a directory whose files (not
// its subdirectories) are fed one by one, in name order. A finding aborts, as under the fuzzer;
// an unreadable argument fails the run.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size);

namespace {

bool Replay(const std::filesystem::path& File) {
  std::ifstream In(File, std::ios::binary);
  if (!In) return false;
  const std::string Input((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(Input.data()), Input.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int Inputs = 0;
  for (int I = 1; I < argc; ++I) {
    std::error_code Code;
    std::vector<std::filesystem::path> Files;
    if (std::filesystem::is_directory(argv[I], Code)) {
      for (const auto& Entry : std::filesystem::directory_iterator(argv[I], Code))
        if (Entry.is_regular_file()) Files.push_back(Entry.path());
      std::sort(Files.begin(), Files.end());
    } else {
      Files.emplace_back(argv[I]);
    }
    if (Code) {
      std::fprintf(stderr, "cannot read %s: %s\n", argv[I], Code.message().c_str());
      return 1;
    }
    for (const auto& File : Files) {
      if (!Replay(File)) {
        std::fprintf(stderr, "cannot read %s\n", File.string().c_str());
        return 1;
      }
      ++Inputs;
    }
  }
  std::printf("%d inputs replayed\n", Inputs);
  return Inputs > 0 ? 0 : 1;
}
