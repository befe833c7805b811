// Pinned outputs: a recorder that digests a long run of results (exact bit patterns of doubles,
// exact strings) and keeps a few of them verbatim, and the comparison with the golden file of
// one section under tests/data/pinned/.
//
// A golden file holds the number of records, the FNV-1a digest of all of them, one digest per
// chunk of records (which tells where a change begins) and some fifty records as text (which
// tell what changed). When a section differs, its whole actual file is written to the
// temporary directory for a diff.
//
// Regenerate a golden file only for an intended change of behaviour, never to make a speed-up
// pass (CI never sets the variable):
//   TARNWICK_REGENERATE_PINNED_OUTPUTS=1 build/ci/tests/tarnwick_parser_tests --gtest_filter='PinnedOutputs*'
#ifndef TARNWICK_TESTS_PARSER_PINNEDOUTPUTS_H_
#define TARNWICK_TESTS_PARSER_PINNEDOUTPUTS_H_

#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick::test {

// FNV-1a, 64 bits.
class TFnv64 {
 public:
  void Add(const void* Data, std::size_t Size) {
    const auto* P = static_cast<const unsigned char*>(Data);
    for (std::size_t I = 0; I < Size; ++I) FHash = (FHash ^ P[I]) * 1099511628211ULL;
  }
  void Add(std::uint64_t V) {  // little-endian whatever the host, so the digest is the same anywhere
    unsigned char B[8];
    for (int I = 0; I < 8; ++I) B[I] = static_cast<unsigned char>(V >> (8 * I));
    Add(B, 8);
  }
  std::uint64_t Value() const { return FHash; }

 private:
  std::uint64_t FHash = 14695981039346656037ULL;
};

inline std::string Hex(std::uint64_t V) {
  char B[17];
  std::snprintf(B, sizeof B, "%016" PRIx64, V);
  return B;
}

// Records of tagged values. Every value goes into the section's digest and its chunk's digest;
// the values of a sampled record are also written out as text (doubles with 17 digits, so the
// text gives the exact double back).
class TPinnedRecorder {
 public:
  static constexpr std::int64_t kChunk = 256;
  static constexpr std::size_t kSampleText = 240;  // longer samples are cut (the digest is not)

  // Every SampleStride-th record is kept as text: a section picks the stride that keeps about
  // fifty of its records.
  explicit TPinnedRecorder(std::int64_t SampleStride) : FSampleStride(SampleStride) {}

  TPinnedRecorder& Record(std::string_view Label) {
    Close();
    FOpen = true;
    FSampled = FRecords % FSampleStride == 0;
    FText.clear();
    Tag('R');
    Bytes(Label);
    if (FSampled) FText = std::string(Label);
    return *this;
  }
  TPinnedRecorder& Num(double V) {
    std::uint64_t Bits;
    std::memcpy(&Bits, &V, sizeof Bits);
    Tag('d');
    FAll.Add(Bits);
    FChunk.Add(Bits);
    if (FSampled) {
      char B[40];
      std::snprintf(B, sizeof B, " %.17g", V);
      FText += B;
    }
    return *this;
  }
  TPinnedRecorder& Int(std::int64_t V) {
    Tag('i');
    FAll.Add(static_cast<std::uint64_t>(V));
    FChunk.Add(static_cast<std::uint64_t>(V));
    if (FSampled) FText += " " + std::to_string(V);
    return *this;
  }
  TPinnedRecorder& Str(std::string_view S) {
    Tag('s');
    Bytes(S);
    if (FSampled) FText += " " + Quote(S);
    return *this;
  }

  // Ends the last record; the results below are complete only after it.
  void Close() {
    if (!FOpen) return;
    FOpen = false;
    if (FSampled) {
      if (FText.size() > kSampleText) FText = FText.substr(0, kSampleText) + "...";
      FSamples.emplace_back(FRecords, FText);
    }
    ++FRecords;
    if (FRecords % kChunk == 0) {
      FChunks.push_back(FChunk.Value());
      FChunk = TFnv64();
    }
  }

  // The golden file's text. Close first.
  std::string Serialize(std::string_view Section) const {
    std::ostringstream S;
    S << "# Outputs of section " << Section << " as the library gave them when they were pinned.\n"
      << "# Regenerate only for an intended change of behaviour: see tests/parser/PinnedOutputs.h.\n"
      << "records " << FRecords << "\n"
      << "digest " << Hex(FAll.Value()) << "\n";
    std::vector<std::uint64_t> Chunks = FChunks;
    if (FRecords % kChunk != 0) Chunks.push_back(FChunk.Value());
    for (std::size_t I = 0; I < Chunks.size(); ++I) S << "chunk " << I << " " << Hex(Chunks[I]) << "\n";
    for (const auto& [Index, Text] : FSamples) S << "sample " << Index << " " << Text << "\n";
    return S.str();
  }

 private:
  void Tag(char T) {
    FAll.Add(&T, 1);
    FChunk.Add(&T, 1);
  }
  void Bytes(std::string_view S) {
    FAll.Add(static_cast<std::uint64_t>(S.size()));
    FChunk.Add(static_cast<std::uint64_t>(S.size()));
    FAll.Add(S.data(), S.size());
    FChunk.Add(S.data(), S.size());
  }
  static std::string Quote(std::string_view S) {
    std::string R = "\"";
    for (char C : S) {
      if (C == '"' || C == '\\') {
        R += '\\';
        R += C;
      } else if (C == '\n') {
        R += "\\n";
      } else if (C == '\r') {
        R += "\\r";
      } else if (C == '\t') {
        R += "\\t";
      } else {
        R += C;
      }
    }
    return R + "\"";
  }

  std::int64_t FSampleStride;
  TFnv64 FAll, FChunk;
  std::int64_t FRecords = 0;
  std::vector<std::uint64_t> FChunks;
  std::vector<std::pair<std::int64_t, std::string>> FSamples;
  bool FOpen = false;
  bool FSampled = false;
  std::string FText;
};

// The lines of a golden file by their first word ("records", "digest", "chunk", "sample").
struct TPinnedFile {
  std::string Records, Digest;
  std::vector<std::string> Chunks;
  std::vector<std::pair<std::string, std::string>> Samples;  // index, text

  static TPinnedFile Parse(const std::string& Text) {
    TPinnedFile F;
    std::istringstream In(Text);
    std::string Line;
    while (std::getline(In, Line)) {
      if (Line.empty() || Line[0] == '#') continue;
      std::istringstream L(Line);
      std::string Key, A;
      L >> Key >> A;
      if (Key == "records") F.Records = A;
      if (Key == "digest") F.Digest = A;
      if (Key == "chunk") {
        std::string H;
        L >> H;
        F.Chunks.push_back(H);
      }
      if (Key == "sample") {
        const std::size_t At = Line.find(' ', std::strlen("sample ")) + 1;
        F.Samples.emplace_back(A, At == 0 ? "" : Line.substr(At));
      }
    }
    return F;
  }
};

inline std::string ReadWholeFile(const std::filesystem::path& Path) {
  std::ifstream In(Path, std::ios::binary);
  std::ostringstream S;
  S << In.rdbuf();
  return S.str();
}

// Compares the recorded section with its golden file, or rewrites the golden file when
// TARNWICK_REGENERATE_PINNED_OUTPUTS is set (the test is then reported as skipped).
inline void ExpectPinned(std::string_view Section, TPinnedRecorder& Recorder) {
  Recorder.Close();
  const std::string Actual = Recorder.Serialize(Section);
  const std::filesystem::path Golden =
      std::filesystem::path(TARNWICK_TEST_DATA_DIR) / "pinned" / (std::string(Section) + ".txt");
  if (const char* Regenerate = std::getenv("TARNWICK_REGENERATE_PINNED_OUTPUTS"); Regenerate && *Regenerate) {
    std::filesystem::create_directories(Golden.parent_path());
    std::ofstream(Golden, std::ios::binary) << Actual;
    GTEST_SKIP() << "regenerated " << Golden.string();
  }
  ASSERT_TRUE(std::filesystem::exists(Golden)) << "no golden file " << Golden.string();
  const std::string Expected = ReadWholeFile(Golden);
  if (Expected == Actual) return;

  const std::filesystem::path Dump = std::filesystem::temp_directory_path() / "tarnwick-pinned";
  std::filesystem::create_directories(Dump);
  std::ofstream(Dump / (std::string(Section) + ".txt"), std::ios::binary) << Actual;

  const TPinnedFile E = TPinnedFile::Parse(Expected), A = TPinnedFile::Parse(Actual);
  std::ostringstream Why;
  Why << "section " << Section << " no longer gives the pinned outputs (records " << E.Records << " -> " << A.Records
      << ", digest " << E.Digest << " -> " << A.Digest << ")\n";
  for (std::size_t I = 0; I < std::max(E.Chunks.size(), A.Chunks.size()); ++I)
    if (I >= E.Chunks.size() || I >= A.Chunks.size() || E.Chunks[I] != A.Chunks[I]) {
      Why << "first differing chunk: records from " << I * TPinnedRecorder::kChunk << "\n";
      break;
    }
  int Shown = 0;
  for (std::size_t I = 0; I < std::min(E.Samples.size(), A.Samples.size()) && Shown < 3; ++I)
    if (E.Samples[I] != A.Samples[I]) {
      ++Shown;
      Why << "sample " << E.Samples[I].first << "\n  pinned: " << E.Samples[I].second << "\n  now:    "
          << A.Samples[I].second << "\n";
    }
  Why << "all outputs now: diff " << Golden.string() << " " << (Dump / (std::string(Section) + ".txt")).string()
      << "\nonly if the change of behaviour is intended, regenerate: TARNWICK_REGENERATE_PINNED_OUTPUTS=1 "
      << "tarnwick_parser_tests --gtest_filter='PinnedOutputs.*'";
  ADD_FAILURE() << Why.str();
}

}  // namespace tarnwick::test

#endif  // TARNWICK_TESTS_PARSER_PINNEDOUTPUTS_H_
