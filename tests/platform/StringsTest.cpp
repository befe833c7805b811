// Tests of the string lists: text, name=value access, sorting and duplicates, owned objects,
// change events, assignment, index errors, and files and streams.
#include "tarnwick/platform/Strings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "StringListFileTests.h"
#include "StringListLocaleTests.h"
#include "StringListSortTests.h"
#include "TestSupport.h"
#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/Streams.h"

namespace tarnwick {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using test::Lines;

// Counts live instances, so that every owned object is seen to die exactly once.
class TCounted : public TObject {
 public:
  explicit TCounted(int& Live) : FLive(Live) { ++FLive; }
  ~TCounted() override { --FLive; }

 private:
  int& FLive;
};

// Records the change events of a list as "changing" / "changed".
struct TEventLog {
  std::vector<std::string> Events;
  void Attach(TStringList& L) {
    L.SetOnChanging([this](TObject*) { Events.push_back("changing"); });
    L.SetOnChange([this](TObject*) { Events.push_back("changed"); });
  }
};

TEST(StringsText, SplitsAtEveryKindOfLineBreak) {
  struct Case {
    const char* Text;
    std::vector<std::string> Expected;
  };
  const Case kCases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\n", {"a"}},
      {"\r\n", {""}},
      {"a\r\nb", {"a", "b"}},
      {"a\rb\nc\r\nd", {"a", "b", "c", "d"}},
      {"a\n\rb", {"a", "", "b"}},
      {"a\r\n\r\nb\n\n", {"a", "", "b", ""}},
      {"\n\na", {"", "", "a"}},
  };
  TStringList L;
  for (const Case& C : kCases) {
    L.SetText(C.Text);
    EXPECT_THAT(Lines(L), ElementsAreArray(C.Expected)) << C.Text;
  }
}

TEST(StringsText, WritesEveryLineFollowedByLineBreakAndReadsItBack) {
  TStringList L;
  EXPECT_EQ(L.GetText(), "");
  L.Add("one");
  L.Add("");
  L.Add("three");
  EXPECT_EQ(L.GetText(), "one\r\n\r\nthree\r\n");
  TStringList Copy;
  Copy.SetText(L.GetText());
  EXPECT_TRUE(Copy.Equals(&L));

  // A line holding breaks of its own is written as is and read back as several lines.
  L.Clear();
  L.Add("x\ny");
  EXPECT_EQ(L.GetText(), "x\ny\r\n");
  Copy.SetText(L.GetText());
  EXPECT_THAT(Lines(Copy), ElementsAre("x", "y"));
}

TEST(StringsText, AnotherLineBreakIsUsedBothWays) {
  TStringList L;
  L.SetLineBreak("|");
  L.SetText("a|b\r\nc|");
  EXPECT_THAT(Lines(L), ElementsAre("a", "b\r\nc"));
  EXPECT_EQ(L.GetText(), "a|b\r\nc|");
}

TEST(StringsValues, NamesIgnoreCaseUnlessCaseSensitive) {
  TStringList L;
  L.SetText("Speed=fast\nplain\nspeed=slow\nTemp=hot=very");
  EXPECT_EQ(L.GetValue("SPEED"), "fast");
  EXPECT_EQ(L.IndexOfName("speed"), 0);
  EXPECT_EQ(L.GetValue("temp"), "hot=very");
  EXPECT_EQ(L.GetValue("plain"), "");
  EXPECT_EQ(L.GetValue("missing"), "");
  EXPECT_EQ(L.GetName(1), "");
  EXPECT_EQ(L.GetValueFromIndex(1), "");
  EXPECT_EQ(L.GetName(3), "Temp");
  EXPECT_EQ(L.GetValueFromIndex(3), "hot=very");

  L.SetCaseSensitive(true);
  EXPECT_EQ(L.GetValue("speed"), "slow");
  EXPECT_EQ(L.GetValue("SPEED"), "");
}

TEST(StringsValues, SetReplacesAddsAndEmptyDeletes) {
  TStringList L;
  L.SetText("a=1\nB=2");
  L.SetValue("b", "3");
  L.SetValue("c", "4");
  EXPECT_THAT(Lines(L), ElementsAre("a=1", "b=3", "c=4"));
  L.SetValue("A", "");
  EXPECT_THAT(Lines(L), ElementsAre("b=3", "c=4"));
  L.SetValue("none", "");
  L.SetValueFromIndex(1, "5");
  L.SetValueFromIndex(0, "");
  EXPECT_THAT(Lines(L), ElementsAre("c=5"));

  // A sorted list places a new line by its whole text.
  TStringList S;
  S.SetSorted(true);
  S.SetValue("m", "1");
  S.SetValue("a", "2");
  EXPECT_THAT(Lines(S), ElementsAre("a=2", "m=1"));
}

TEST(StringListSorted, SortsOnceWhenTurnedOnAndKeepsOrderAfterwards) {
  TStringList L;
  TEventLog Log;
  L.Add("b");
  L.Add("a");
  L.Add("c");
  EXPECT_THAT(Lines(L), ElementsAre("b", "a", "c"));
  Log.Attach(L);
  L.SetSorted(true);
  EXPECT_THAT(Lines(L), ElementsAre("a", "b", "c"));
  EXPECT_THAT(Log.Events, ElementsAre("changing", "changed"));
  EXPECT_EQ(L.Add("B2"), 2);
  EXPECT_EQ(L.Add("_"), 4);  // ASCII letters fold to upper case, and '_' sorts after them
  EXPECT_THAT(Lines(L), ElementsAre("a", "b", "B2", "c", "_"));
}

TEST(StringListSorted, DuplicatesPolicies) {
  TStringList L;
  TEventLog Log;
  L.SetSorted(true);
  L.SetText("a\nb\nc");
  Log.Attach(L);

  EXPECT_EQ(L.Add("B"), 1);  // dupIgnore: the index of the equal line, nothing else
  EXPECT_EQ(L.GetCount(), 3);
  EXPECT_TRUE(Log.Events.empty());

  L.SetDuplicates(dupError);
  EXPECT_THROW_MSG(L.Add("b"), EStringListError, "String list does not allow duplicates");
  EXPECT_EQ(L.GetCount(), 3);

  L.SetDuplicates(dupAccept);
  int Live = 0;
  TCounted First(Live), Second(Live);
  EXPECT_EQ(L.AddObject("b", &First), 1);
  EXPECT_EQ(L.AddObject("B", &Second), 1);  // before the equal lines
  EXPECT_THAT(Lines(L), ElementsAre("a", "B", "b", "b", "c"));
  EXPECT_EQ(L.GetObject(1), &Second);
  EXPECT_EQ(L.GetObject(2), &First);
  std::int32_t Index = -1;
  EXPECT_TRUE(L.Find("b", Index));
  EXPECT_EQ(Index, 1);  // the first of the equal lines
  EXPECT_FALSE(L.Find("bb", Index));
  EXPECT_EQ(Index, 4);
  EXPECT_EQ(L.IndexOf("C"), 4);
  EXPECT_EQ(L.IndexOf("d"), -1);
}

TEST(StringListSorted, OperationsThatWouldBreakTheOrderRaise) {
  TStringList L;
  L.SetSorted(true);
  L.SetText("a=0\nb");
  const char* kMsg = "Operation not allowed on sorted list";
  EXPECT_THROW_MSG(L.Insert(0, "z"), EStringListError, kMsg);
  EXPECT_THROW_MSG(L.Put(0, "z"), EStringListError, kMsg);
  EXPECT_THROW_MSG(L.Exchange(0, 1), EStringListError, kMsg);
  EXPECT_THROW_MSG(L.Move(0, 1), EStringListError, kMsg);
  EXPECT_THROW_MSG(L.SetValue("a", "1"), EStringListError, kMsg);  // changing an existing line
  EXPECT_THAT(Lines(L), ElementsAre("a=0", "b"));
}

TEST(StringListSorted, SwitchingCaseSensitivityResorts) {
  TStringList L;
  L.SetSorted(true);
  L.SetText("b\nA\na\nB");  // dupIgnore, case-insensitive: "a" and "B" are dropped
  EXPECT_THAT(Lines(L), ElementsAre("A", "b"));
  EXPECT_EQ(L.IndexOf("a"), 0);
  L.Add("a");
  L.SetCaseSensitive(true);
  L.Add("a");
  EXPECT_THAT(Lines(L), ElementsAre("A", "a", "b"));
  L.SetCaseSensitive(false);
  EXPECT_EQ(L.IndexOf("B"), 2);
}

TEST(StringListSort, CustomSortAndUnsortedEdits) {
  TStringList L;
  L.SetText("ccc\na\nbb\ndddd");
  L.CustomSort([](TStringList* List, std::int32_t I1, std::int32_t I2) {
    return static_cast<std::int32_t>(List->Get(I2).size()) -
           static_cast<std::int32_t>(List->Get(I1).size());
  });
  EXPECT_THAT(Lines(L), ElementsAre("dddd", "ccc", "bb", "a"));
  L.Exchange(0, 3);
  L.Move(0, 2);
  EXPECT_THAT(Lines(L), ElementsAre("ccc", "bb", "a", "dddd"));
  L.Move(3, 0);
  L.Put(1, "x");
  L.Insert(4, "end");
  EXPECT_THAT(Lines(L), ElementsAre("dddd", "x", "bb", "a", "end"));
  L.Sort();
  EXPECT_THAT(Lines(L), ElementsAre("a", "bb", "dddd", "end", "x"));
}

TEST(StringListSort, OrdersManyLinesWithRepeatsAndSurvivesAnInconsistentCompare) {
  TStringList L;
  std::uint32_t Seed = 12345;
  for (int I = 0; I < 500; ++I) {
    Seed = Seed * 1103515245u + 12345u;
    const char C1 = static_cast<char>('A' + (Seed >> 16) % 6);
    const char C2 = static_cast<char>(((Seed >> 8) & 1) ? 'a' + (Seed >> 20) % 4 : 'A' + (Seed >> 20) % 4);
    L.Add(std::string{C1, C2});
  }
  L.Sort();
  ASSERT_EQ(L.GetCount(), 500);
  for (std::int32_t I = 1; I < L.GetCount(); ++I)
    ASSERT_LE(L.CompareStrings(L[I - 1], L[I]), 0) << I;

  for (std::int32_t Answer : {-1, 1}) {
    L.CustomSort([Answer](TStringList*, std::int32_t, std::int32_t) { return Answer; });
    EXPECT_EQ(L.GetCount(), 500);
  }
}

TEST(StringListOwnsObjects, FreesWhatItRemovesExactlyOnce) {
  int Live = 0;
  {
    TStringList L(true);
    for (const char* S : {"a", "b", "c", "d"}) L.AddObject(S, new TCounted(Live));
    EXPECT_EQ(Live, 4);
    L.Delete(1);
    EXPECT_EQ(Live, 3);
    TCounted* Replaced = static_cast<TCounted*>(L.GetObject(0));
    L.PutObject(0, new TCounted(Live));  // the old object is not freed
    EXPECT_EQ(Live, 4);
    delete Replaced;
    L.Move(0, 2);  // moving keeps the object alive
    EXPECT_EQ(Live, 3);
    L.Clear();
    EXPECT_EQ(Live, 0);
    L.AddObject("e", new TCounted(Live));
    L.AddObject("f", new TCounted(Live));
  }
  EXPECT_EQ(Live, 0);

  TCounted Kept(Live);
  {
    TStringList NotOwning;
    NotOwning.AddObject("k", &Kept);
    NotOwning.Delete(0);
    NotOwning.AddObject("k", &Kept);
  }
  EXPECT_EQ(Live, 1);
}

TEST(StringListEvents, OncePerChangeAndOncePerUpdateBlock) {
  TStringList L;
  TEventLog Log;
  L.Clear();
  Log.Attach(L);
  L.Clear();  // empty: nothing
  L.Add("a");
  L.PutObject(0, nullptr);
  EXPECT_THAT(Log.Events, ElementsAre("changing", "changed", "changing", "changed"));

  Log.Events.clear();
  L.BeginUpdate();
  L.Add("b");
  L.BeginUpdate();
  L.Delete(0);
  L.EndUpdate();
  EXPECT_THAT(Log.Events, ElementsAre("changing"));
  L.Add("c");
  L.EndUpdate();
  EXPECT_THAT(Log.Events, ElementsAre("changing", "changed"));

  Log.Events.clear();
  L.SetText("x\ny\nz");
  EXPECT_THAT(Log.Events, ElementsAre("changing", "changed"));

  // An EndUpdate without a block is ignored, so the next block still holds events back.
  Log.Events.clear();
  L.EndUpdate();
  L.BeginUpdate();
  L.Add("w");
  EXPECT_THAT(Log.Events, ElementsAre("changing"));
  L.EndUpdate();
  EXPECT_THAT(Log.Events, ElementsAre("changing", "changed"));
}

TEST(StringListAssign, CopiesLinesObjectsAndSettings) {
  int Live = 0;
  TCounted Obj(Live);
  TStringList Source;
  Source.SetDuplicates(dupAccept);
  Source.SetCaseSensitive(true);
  Source.SetSorted(true);
  Source.Add("b");
  Source.AddObject("a", &Obj);
  Source.Add("b");

  TStringList Dest;
  TEventLog Log;
  Dest.SetSorted(true);  // dupIgnore: adding one by one would drop the second "b"
  Dest.SetText("old");
  Log.Attach(Dest);
  Dest.Assign(&Source);
  EXPECT_THAT(Lines(Dest), ElementsAre("a", "b", "b"));
  EXPECT_EQ(Dest.GetObject(0), &Obj);
  EXPECT_TRUE(Dest.GetSorted());
  EXPECT_TRUE(Dest.GetCaseSensitive());
  EXPECT_EQ(Dest.GetDuplicates(), dupAccept);
  EXPECT_THAT(Log.Events, ElementsAre("changing", "changed"));

  Dest.Assign(&Dest);
  EXPECT_EQ(Dest.GetCount(), 3);
  Dest.AddStrings(&Dest);
  EXPECT_THAT(Lines(Dest), ElementsAre("a", "a", "b", "b", "b", "b"));
}

// Lists of exactly TStringList add each other's lines and lay out their text where the lines
// lie; a descendant goes through the overridable operations. Both give the same lines,
// objects, text and events, from and to empty, sorted and unsorted lists and a long line.
class TDerivedStringList : public TStringList {};

TEST(StringListAssign, ExactListsCopyAsDescendantsDo) {
  int Live = 0;
  TCounted Obj(Live);
  const std::string Long(100, 'x');
  auto Fill = [&](TStringList& L, int Kind) {
    if (Kind == 1) L.SetText("b\n" + Long + "\n\na");
    if (Kind == 2) {
      L.SetSorted(true);
      L.SetText("b\nc\na");
    }
    if (Kind != 0) L.AddObject("o", &Obj);
  };
  for (int SourceKind = 0; SourceKind < 3; ++SourceKind)
    for (int DestKind = 0; DestKind < 3; ++DestKind) {
      std::vector<std::string> Seen[2];
      for (int Derived = 0; Derived < 2; ++Derived) {
        TStringList Plain[2];
        TDerivedStringList Descendants[2];
        TStringList& Source = Derived ? Descendants[0] : Plain[0];
        TStringList& Dest = Derived ? Descendants[1] : Plain[1];
        Fill(Source, SourceKind);
        Fill(Dest, DestKind);
        TEventLog Log;
        Log.Attach(Dest);
        Dest.AddStrings(&Source);
        Seen[Derived] = Lines(Dest);
        Seen[Derived].push_back(Dest.GetText());
        Seen[Derived].push_back(std::to_string(Dest.IndexOfObject(&Obj)));
        Dest.Assign(&Source);
        for (const std::string& L : Lines(Dest)) Seen[Derived].push_back(L);
        Seen[Derived].push_back(Dest.GetText());
        for (const std::string& E : Log.Events) Seen[Derived].push_back(E);
      }
      EXPECT_EQ(Seen[0], Seen[1]) << "source " << SourceKind << ", dest " << DestKind;
    }
}

// A minimal descendant that stores only lines, to show that TStrings builds everything else
// on the primitives.
class TPlainStrings : public TStrings {
 public:
  std::string Get(std::int32_t Index) const override { return FLines.at(static_cast<std::size_t>(Index)); }
  std::int32_t GetCount() const override { return static_cast<std::int32_t>(FLines.size()); }
  void Insert(std::int32_t Index, const std::string& S) override {
    FLines.insert(FLines.begin() + Index, S);
  }
  void Delete(std::int32_t Index) override { FLines.erase(FLines.begin() + Index); }
  void Clear() override { FLines.clear(); }

 private:
  std::vector<std::string> FLines;
};

TEST(StringsBase, OperationsRunOnThePrimitives) {
  TPlainStrings P;
  P.SetText("a=1\nb\nc");
  P.Exchange(0, 2);
  P.Move(0, 1);
  P.Put(0, "d");
  EXPECT_THAT(Lines(P), ElementsAre("d", "c", "a=1"));
  EXPECT_EQ(P.GetValue("A"), "1");
  EXPECT_EQ(P.IndexOf("C"), 1);

  TStringList L;
  L.Assign(&P);
  EXPECT_TRUE(L.Equals(&P));
  P.Assign(&L);
  EXPECT_EQ(P.GetText(), "d\r\nc\r\na=1\r\n");
}

TEST(StringListErrors, IndexOutOfBoundsNamesTheIndex) {
  TStringList L;
  L.SetText("a\nb");
  EXPECT_THROW_MSG(L.Get(2), EStringListError, "List index out of bounds (2)");
  EXPECT_THROW_MSG(L.Get(-1), EStringListError, "List index out of bounds (-1)");
  EXPECT_THROW_MSG(L.GetObject(5), EStringListError, "List index out of bounds (5)");
  EXPECT_THROW_MSG(L.PutObject(2, nullptr), EStringListError, "List index out of bounds (2)");
  EXPECT_THROW_MSG(L.Put(-3, "x"), EStringListError, "List index out of bounds (-3)");
  EXPECT_THROW_MSG(L.Delete(2), EStringListError, "List index out of bounds (2)");
  EXPECT_THROW_MSG(L.Insert(3, "x"), EStringListError, "List index out of bounds (3)");
  EXPECT_THROW_MSG(L.Exchange(0, 7), EStringListError, "List index out of bounds (7)");
  EXPECT_THROW_MSG(L.Move(9, 0), EStringListError, "List index out of bounds (9)");
  EXPECT_THROW_MSG(L.Move(0, 2), EStringListError, "List index out of bounds (2)");
  EXPECT_THROW_MSG(L.SetCapacity(1), EStringListError, "List capacity out of bounds (1)");
  EXPECT_THAT(Lines(L), ElementsAre("a", "b"));
  L.Insert(2, "c");  // inserting at Count appends
  EXPECT_THAT(Lines(L), ElementsAre("a", "b", "c"));
}

// ---------------------------------------------------------------------------------------------
// Files and streams (what every list shares is in StringListFileTests.h)

using test::ReadBytes;
using test::TTempDir;
using test::WriteBytes;

// Writes ASCII only and refuses the rest, so that a save can fail once its file is begun. Bytes
// above 0x7F read as U+FFFD, which it writes as '?'.
class TAsciiEncoding final : public TEncoding {
 public:
  std::string GetEncodingName() const override { return "ASCII"; }
  std::size_t GetMaxByteCount() const noexcept override { return 1; }
  char32_t DecodeNext(std::string_view Bytes, std::size_t& Pos) const noexcept override {
    const auto B = static_cast<unsigned char>(Bytes[Pos++]);
    return B < 0x80 ? B : U'\xFFFD';
  }
  void Encode(char32_t Ch, std::string& Dest) const override {
    if (Ch == U'\xFFFD') {
      Dest += '?';
      return;
    }
    if (Ch >= 0x80) throw EEncodingError("no ASCII character");
    Dest += static_cast<char>(Ch);
  }
};

std::vector<std::string> LoadedLines(const std::string& Bytes, const TEncoding* Encoding = nullptr) {
  TStringStream Stream;
  Stream.Write(Bytes.data(), static_cast<std::int64_t>(Bytes.size()));
  Stream.SetPosition(0);
  TStringList L;
  L.LoadFromStream(Stream, Encoding);
  return Lines(L);
}

TEST(StringListFile, LinesSplitAndJoinAsTheTextDoes) {
  for (const char* Text : {"", "a", "a\r\n", "\r\n", "a\rb\nc\r\nd", "a\n\rb", "\n\na"}) {
    TStringList ByText;
    ByText.SetText(Text);
    EXPECT_EQ(LoadedLines(Text), Lines(ByText)) << Text;
    TStringStream Saved;
    ByText.SaveToStream(Saved);
    EXPECT_EQ(Saved.GetBytes(), "\xEF\xBB\xBF" + ByText.GetText()) << Text;
  }
  TStringList Piped;
  Piped.SetLineBreak("|");
  TStringStream Stream("a|b|");
  Piped.LoadFromStream(Stream);
  EXPECT_THAT(Lines(Piped), ElementsAre("a", "b"));
  TStringStream Saved;
  Piped.SaveToStream(Saved, TEncoding::ANSI());
  EXPECT_EQ(Saved.GetBytes(), "a|b|");
}

TEST(StringListFile, BytesThatAreNoCharacterRefuseTheLoadAtTheirOffset) {
  struct Case {
    const char* Name;
    std::string Bytes;
    const TEncoding* Encoding;
    const char* Message;  // nullptr: loads
  };
  const TAsciiEncoding Ascii;
  const Case kCases[] = {
      {"a stray byte", "ab\xFF", nullptr, "Invalid UTF-8 text at byte offset 2"},
      {"the mark counts", "\xEF\xBB\xBF" "a\xFF", nullptr, "Invalid UTF-8 text at byte offset 4"},
      {"a sequence cut short at the end", "ok\xF0\x9F\x98", TEncoding::UTF8(), "Invalid UTF-8 text at byte offset 2"},
      {"a lead byte without its follower", "a\xC3(", nullptr, "Invalid UTF-8 text at byte offset 1"},
      {"a surrogate", "\xED\xA0\x80", nullptr, "Invalid UTF-8 text at byte offset 0"},
      {"an overlong form", "\xC0\xAF", nullptr, "Invalid UTF-8 text at byte offset 0"},
      {"beyond U+10FFFF", "x\xF4\x90\x80\x80", nullptr, "Invalid UTF-8 text at byte offset 1"},
      {"the replacement character itself", "\xEF\xBF\xBD", nullptr, nullptr},
      {"a NUL", std::string("a\0b", 3), nullptr, nullptr},
      {"every byte is ISO 8859-1", "\xFF\x80", TEncoding::ANSI(), nullptr},
      {"another encoding's refusal", "a\x80", &Ascii, "Invalid ASCII text at byte offset 1"},
      {"another encoding's text", "a?", &Ascii, nullptr},
  };
  for (const Case& C : kCases) {
    SCOPED_TRACE(C.Name);
    if (C.Message == nullptr)
      EXPECT_NO_THROW(LoadedLines(C.Bytes, C.Encoding));
    else
      EXPECT_THROW_MSG(LoadedLines(C.Bytes, C.Encoding), EEncodingError, C.Message);
  }
  // The offset counts from the first byte read.
  TStringStream Stream("head\xFF");
  Stream.SetPosition(4);
  TStringList L;
  EXPECT_THROW_MSG(L.LoadFromStream(Stream), EEncodingError, "Invalid UTF-8 text at byte offset 0");
  EXPECT_THROW_MSG(TEncoding::UTF8()->GetStringStrict("ab\xFF", 10), EEncodingError,
                   "Invalid UTF-8 text at byte offset 12");
  EXPECT_EQ(TEncoding::ANSI()->GetStringStrict("caf\xE9"), "caf\xC3\xA9");
}

TEST(StringListFile, OnlyARegularFileLoads) {
  TTempDir Dir;
  TStringList L;
  L.Add("kept");
  const std::string Sub = Dir.File("sub");
  std::filesystem::create_directory(Sub);
  EXPECT_THROW_MSG(L.LoadFromFile(Sub), EFOpenError, "Cannot open file \"" + Sub + "\": not a regular file");
  if (std::filesystem::exists("/dev/null"))
    EXPECT_THROW_MSG(L.LoadFromFile("/dev/null"), EFOpenError, "Cannot open file \"/dev/null\": not a regular file");
  EXPECT_THROW_MSG(L.LoadFromFile(""), EFOpenError, "Cannot open file \"\": No such file or directory");
  EXPECT_THAT(Lines(L), ElementsAre("kept"));
  // Through a symbolic link the file it names loads.
  WriteBytes(Dir.File("real.txt"), "linked\n");
  std::filesystem::create_symlink(Dir.File("real.txt"), Dir.File("link.txt"));
  L.LoadFromFile(Dir.File("link.txt"));
  EXPECT_THAT(Lines(L), ElementsAre("linked"));
}

TEST(StringListFile, AFailedSaveLeavesTheFileAsItWasAndNothingBeside) {
  TTempDir Dir;
  const std::string Path = Dir.File("lines.txt");
  WriteBytes(Path, "old\n");
  TStringList L;
  L.Add("new");
  L.Add("caf\xC3\xA9");  // what ASCII refuses, once the file has been begun
  const TAsciiEncoding Ascii;
  EXPECT_THROW_MSG(L.SaveToFile(Path, &Ascii), EEncodingError, "no ASCII character");
  EXPECT_EQ(ReadBytes(Path), "old\n");
  EXPECT_THAT(Dir.Names(), ElementsAre("lines.txt"));

  const std::string Nowhere = Dir.File("missing/lines.txt");
  EXPECT_THROW_MSG(L.SaveToFile(Nowhere), EFCreateError,
                   "Cannot create file \"" + Nowhere + "\": No such file or directory");
  const std::string Sub = Dir.File("sub");
  std::filesystem::create_directory(Sub);
  EXPECT_THROW_MSG(L.SaveToFile(Sub), EFCreateError, "Cannot create file \"" + Sub + "\": not a regular file");
  EXPECT_TRUE(std::filesystem::is_directory(Sub));
  EXPECT_THAT(Dir.Names(), ElementsAre("lines.txt", "sub"));

  L.SaveToFile(Path);
  EXPECT_EQ(ReadBytes(Path), "\xEF\xBB\xBFnew\r\ncaf\xC3\xA9\r\n");
  EXPECT_THAT(Dir.Names(), ElementsAre("lines.txt", "sub"));
}

TEST(StringListFile, ASaveKeepsThePermissionsAndTheSymbolicLink) {
  namespace fs = std::filesystem;
  TTempDir Dir;
  const std::string Path = Dir.File("private.txt");
  WriteBytes(Path, "old\n");
  fs::permissions(Path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  const std::string Link = Dir.File("link.txt");
  fs::create_symlink(Path, Link);
  TStringList L;
  L.Add("new");
  L.SaveToFile(Link, TEncoding::ANSI());
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(Link)));
  EXPECT_EQ(ReadBytes(Path), "new\r\n");
  EXPECT_EQ(fs::status(Path).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_THAT(Dir.Names(), ElementsAre("link.txt", "private.txt"));
}

}  // namespace
}  // namespace tarnwick

namespace tarnwick::test {
namespace {

struct PlatformListCustomSort {
  using List = tarnwick::TStringList;
  static void Sort(List& L, const TStringListSortCompare& Compare) { L.CustomSort(Compare); }
};

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(PlatformList, StringListCustomSort, PlatformListCustomSort);
INSTANTIATE_TYPED_TEST_SUITE_P(PlatformList, StringListLocale, tarnwick::TStringList);
INSTANTIATE_TYPED_TEST_SUITE_P(PlatformList, StringListFiles, tarnwick::TStringList);

}  // namespace tarnwick::test
