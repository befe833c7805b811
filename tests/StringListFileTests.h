// One table of file and stream tests for every string list: the platform list and the typed
// list of the containers load and save through the platform's TStrings, and these tests hold
// both to it (round trips of every encoding, byte order marks, the remembered encoding, one
// event pair per load, and failed loads that change nothing). A layer's test file
// instantiates the suite with the list type:
//
//   INSTANTIATE_TYPED_TEST_SUITE_P(Name, StringListFiles, ListType);
//
// Include it in one source file per test executable: it defines the suite.
#ifndef TARNWICK_TESTS_STRINGLISTFILETESTS_H_
#define TARNWICK_TESTS_STRINGLISTFILETESTS_H_

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "tarnwick/platform/Streams.h"
#include "tarnwick/platform/Strings.h"

namespace tarnwick::test {

// A new directory of its own for one test, removed with everything in it when the test ends.
// Its name holds the test's and a random part, so that test runs at the same time, in other
// processes or other trees, never share one.
class TTempDir {
 public:
  TTempDir() {
    const auto* Info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string Name = std::string("tarnwick-") + Info->test_suite_name() + "-" + Info->name() + "-";
    for (char& C : Name)
      if (C == '/') C = '_';
    std::random_device Random;
    do {
      FPath = std::filesystem::temp_directory_path() / (Name + std::to_string(Random()));
    } while (!std::filesystem::create_directory(FPath));
  }
  ~TTempDir() {
    std::error_code Ignored;
    std::filesystem::remove_all(FPath, Ignored);
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  std::string File(const std::string& Name) const { return (FPath / Name).string(); }
  const std::filesystem::path& GetPath() const noexcept { return FPath; }
  // The names in the directory, sorted.
  std::vector<std::string> Names() const {
    std::vector<std::string> Result;
    for (const auto& Entry : std::filesystem::directory_iterator(FPath))
      Result.push_back(Entry.path().filename().string());
    std::sort(Result.begin(), Result.end());
    return Result;
  }

 private:
  std::filesystem::path FPath;
};

inline std::string ReadBytes(const std::string& FileName) {
  std::ifstream In(FileName, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& FileName, const std::string& Bytes) {
  std::ofstream(FileName, std::ios::binary) << Bytes;
}

// Records OnChanging as "changing" and OnChange as "change".
template <typename List>
std::vector<std::string>& WatchChanges(List& L, std::vector<std::string>& Log) {
  L.SetOnChanging([&Log](TObject*) { Log.push_back("changing"); });
  L.SetOnChange([&Log](TObject*) { Log.push_back("change"); });
  return Log;
}

template <typename List>
class StringListFiles : public ::testing::Test {
 protected:
  TTempDir Dir;
};

TYPED_TEST_SUITE_P(StringListFiles);

TYPED_TEST_P(StringListFiles, EveryEncodingRoundTripsThroughAFileAndAMemoryStream) {
  // Every line fits ISO 8859-1 too.
  const std::vector<std::string> kLines = {"plain", "caf\xC3\xA9 \xC3\xBC", "", "last"};
  const std::string kUtf8 = "plain\r\ncaf\xC3\xA9 \xC3\xBC\r\n\r\nlast\r\n";
  struct Case {
    const char* Name;
    const TEncoding* Encoding;
    std::string Bytes;  // what is written
  };
  const Case kCases[] = {
      {"UTF8", TEncoding::UTF8(), "\xEF\xBB\xBF" + kUtf8},
      {"ANSI", TEncoding::ANSI(), "plain\r\ncaf\xE9 \xFC\r\n\r\nlast\r\n"},
      {"Default", TEncoding::Default(), "\xEF\xBB\xBF" + kUtf8},
      {"none (the default)", nullptr, "\xEF\xBB\xBF" + kUtf8},
  };
  TypeParam Source;
  for (const std::string& S : kLines) Source.Add(S);
  for (const Case& C : kCases) {
    SCOPED_TRACE(C.Name);
    const std::string Path = this->Dir.File("round-trip.txt");
    Source.SaveToFile(Path, C.Encoding);
    EXPECT_EQ(ReadBytes(Path), C.Bytes);
    TypeParam FromFile;
    FromFile.LoadFromFile(Path, C.Encoding);
    EXPECT_EQ(Lines(FromFile), kLines);
    EXPECT_EQ(FromFile.GetEncoding(), TEncoding::OrDefault(C.Encoding));

    TStringStream Memory;
    Source.SaveToStream(Memory, C.Encoding);
    EXPECT_EQ(Memory.GetBytes(), C.Bytes);
    Memory.SetPosition(0);
    TypeParam FromStream;
    FromStream.LoadFromStream(Memory, C.Encoding);
    EXPECT_EQ(Lines(FromStream), kLines);
  }
}

TYPED_TEST_P(StringListFiles, LoadingFindsTheByteOrderMarkAndSavingKeepsTheEncodingRead) {
  struct Case {
    const char* Name;
    std::string Bytes;
    const TEncoding* Given;
    std::vector<std::string> Lines;
    const TEncoding* Read;
  };
  const Case kCases[] = {
      {"mark, nothing given", "\xEF\xBB\xBF" "a\xC3\xA9\r\nb", nullptr, {"a\xC3\xA9", "b"}, TEncoding::UTF8()},
      {"no mark, nothing given", "a\xC3\xA9\nb\n", nullptr, {"a\xC3\xA9", "b"}, TEncoding::Default()},
      {"mark, UTF-8 given", "\xEF\xBB\xBF" "a", TEncoding::UTF8(), {"a"}, TEncoding::UTF8()},
      {"no mark, UTF-8 given", "a", TEncoding::UTF8(), {"a"}, TEncoding::UTF8()},
      // ISO 8859-1 has no mark: the three bytes are its characters.
      {"mark, ANSI given", "\xEF\xBB\xBF" "a", TEncoding::ANSI(), {"\xC3\xAF\xC2\xBB\xC2\xBF" "a"}, TEncoding::ANSI()},
      {"only the mark", "\xEF\xBB\xBF", nullptr, {}, TEncoding::UTF8()},
      {"nothing", "", nullptr, {}, TEncoding::Default()},
  };
  for (const Case& C : kCases) {
    SCOPED_TRACE(C.Name);
    TStringStream Stream;
    Stream.Write(C.Bytes.data(), static_cast<std::int64_t>(C.Bytes.size()));
    Stream.SetPosition(0);
    TypeParam L;
    L.LoadFromStream(Stream, C.Given);
    EXPECT_EQ(Lines(L), C.Lines);
    EXPECT_EQ(L.GetEncoding(), C.Read);
  }

  // Saving without an encoding writes the one read; a given one, or one set, wins.
  const std::string kAnsi = "caf\xE9\r\n";
  TStringStream In;
  In.Write(kAnsi.data(), static_cast<std::int64_t>(kAnsi.size()));
  In.SetPosition(0);
  TypeParam L;
  L.LoadFromStream(In, TEncoding::ANSI());
  EXPECT_THAT(Lines(L), ::testing::ElementsAre("caf\xC3\xA9"));
  TStringStream Again;
  L.SaveToStream(Again);
  EXPECT_EQ(Again.GetBytes(), kAnsi);
  TStringStream Given;
  L.SaveToStream(Given, TEncoding::UTF8());
  EXPECT_EQ(Given.GetBytes(), "\xEF\xBB\xBF" "caf\xC3\xA9\r\n");
  EXPECT_EQ(L.GetEncoding(), TEncoding::ANSI()) << "a given encoding is not kept";
  L.SetEncoding(TEncoding::UTF8());
  TStringStream Set;
  L.SaveToStream(Set);
  EXPECT_EQ(Set.GetBytes(), "\xEF\xBB\xBF" "caf\xC3\xA9\r\n");

  // A stream is read from its position on.
  TStringStream Tail("skip|x\ny");
  Tail.SetPosition(5);
  TypeParam FromTail;
  FromTail.LoadFromStream(Tail);
  EXPECT_THAT(Lines(FromTail), ::testing::ElementsAre("x", "y"));
}

TYPED_TEST_P(StringListFiles, ALoadFiresOnePairAndAFailedLoadNothing) {
  const std::string Path = this->Dir.File("lines.txt");
  WriteBytes(Path, "one\ntwo\r\nthree");
  TypeParam L;
  L.Add("kept");
  L.SetEncoding(TEncoding::ANSI());
  std::vector<std::string> Log;
  WatchChanges(L, Log);

  L.LoadFromFile(Path);
  EXPECT_THAT(Log, ::testing::ElementsAre("changing", "change"));
  EXPECT_THAT(Lines(L), ::testing::ElementsAre("one", "two", "three"));
  TStringStream Stream("four\n");
  Log.clear();
  L.LoadFromStream(Stream);
  EXPECT_THAT(Log, ::testing::ElementsAre("changing", "change"));
  EXPECT_THAT(Lines(L), ::testing::ElementsAre("four"));
  Log.clear();
  L.SaveToFile(Path);
  TStringStream Out;
  L.SaveToStream(Out);
  EXPECT_THAT(Log, ::testing::IsEmpty()) << "saving changes nothing";

  // Failures before the lines change leave the lines, the encoding and the events alone.
  L.SetEncoding(TEncoding::ANSI());
  const std::string Missing = this->Dir.File("missing.txt");
  EXPECT_THROW_MSG(L.LoadFromFile(Missing), EFOpenError,
                   "Cannot open file \"" + Missing + "\": No such file or directory");
  WriteBytes(Path, "good\n\xC3(bad\n");
  EXPECT_THROW_MSG(L.LoadFromFile(Path), EEncodingError, "Invalid UTF-8 text at byte offset 5");
  EXPECT_THAT(Log, ::testing::IsEmpty());
  EXPECT_THAT(Lines(L), ::testing::ElementsAre("four"));
  EXPECT_EQ(L.GetEncoding(), TEncoding::ANSI());
}

REGISTER_TYPED_TEST_SUITE_P(StringListFiles, EveryEncodingRoundTripsThroughAFileAndAMemoryStream,
                            LoadingFindsTheByteOrderMarkAndSavingKeepsTheEncodingRead,
                            ALoadFiresOnePairAndAFailedLoadNothing);

}  // namespace tarnwick::test

#endif  // TARNWICK_TESTS_STRINGLISTFILETESTS_H_
