// String lists: TStrings, the abstract list of lines that each may carry an object, with its
// text form, name=value access and update blocks; and TStringList, the stored list with
// sorting, a duplicates policy, case sensitivity, owned objects and change events.
//
// Every operation of TStrings is written against its virtual primitives (Get, GetCount, Insert,
// Delete, Clear, PutObject, ...), so a descendant that stores its lines differently inherits
// all of it. Text:
//   - GetText writes every line followed by LineBreak ("\r\n" unless set otherwise).
//   - SetText replaces all lines. It splits at CR LF, CR and LF alike while LineBreak is one of
//     those three, else at LineBreak exactly. A break at the very end adds no empty line, and
//     the empty text holds no line.
// Names and values: a line "Name=Value" has the name before the first NameValueSeparator and
// the value after it; a line without the separator has an empty name and value. Names are
// compared through CompareStrings, so they ignore case unless the list is case sensitive.
// Files and streams hold the text in an encoding (TEncoding; null stands for the default,
// UTF-8). Loading reads every byte and then sets the text; saving writes GetText.
#ifndef TARNWICK_PLATFORM_STRINGS_H_
#define TARNWICK_PLATFORM_STRINGS_H_

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tarnwick/platform/Classes.h"
#include "tarnwick/platform/Events.h"
#include "tarnwick/platform/Export.h"
#include "tarnwick/platform/ResStrings.h"
#include "tarnwick/platform/Streams.h"
#include "tarnwick/platform/SysUtils.h"

namespace tarnwick {

class TARNWICK_PLATFORM_EXPORT TStrings : public TPersistent {
 public:
  TStrings();
  ~TStrings() override;

  // The line at Index; an index outside [0, Count) raises EStringListError SListIndexError.
  virtual std::string Get(std::int32_t Index) const = 0;
  // Replaces the line at Index and keeps its object.
  virtual void Put(std::int32_t Index, const std::string& S);
  // The object of the line at Index; none by default.
  virtual TObject* GetObject(std::int32_t Index) const;
  // Sets the object of the line at Index; the object held before is not freed.
  virtual void PutObject(std::int32_t Index, TObject* AObject);
  virtual std::int32_t GetCount() const = 0;
  // Room reserved for lines; by default the count, and setting it does nothing.
  virtual std::int32_t GetCapacity() const;
  virtual void SetCapacity(std::int32_t NewCapacity);
  std::string operator[](std::int32_t Index) const { return Get(Index); }

  // Adds a line (at the end, or where a sorted list puts it) and returns its index.
  virtual std::int32_t Add(const std::string& S);
  virtual std::int32_t AddObject(const std::string& S, TObject* AObject);
  void Append(const std::string& S);
  // Adds every line of Strings with its object, inside one update block. Strings may be this
  // list itself (its lines as they were before the call are added); nullptr adds nothing.
  virtual void AddStrings(const TStrings* Strings);
  // Inserts before Index; Index in [0, Count].
  virtual void Insert(std::int32_t Index, const std::string& S) = 0;
  virtual void InsertObject(std::int32_t Index, const std::string& S, TObject* AObject);
  virtual void Clear() = 0;
  virtual void Delete(std::int32_t Index) = 0;
  // Swaps two lines with their objects.
  virtual void Exchange(std::int32_t Index1, std::int32_t Index2);
  // Moves the line at CurIndex, with its object, so that it ends up at NewIndex; both indices
  // are checked against [0, Count) before anything moves.
  virtual void Move(std::int32_t CurIndex, std::int32_t NewIndex);

  // From another TStrings: inside an update block, Clear, then AddStrings; the line break, the
  // name=value separator and the encoding are copied too. Assigning a list to itself changes nothing.
  // Any other source goes to TPersistent::Assign.
  void Assign(const TPersistent* Source) override;
  // True when Strings holds the same lines in the same order, compared exactly.
  bool Equals(const TStrings* Strings) const;

  // The first line equal to S by CompareStrings, else -1.
  virtual std::int32_t IndexOf(std::string_view S) const;
  // The first line whose name equals Name by CompareStrings, else -1.
  virtual std::int32_t IndexOfName(std::string_view Name) const;
  virtual std::int32_t IndexOfObject(const TObject* AObject) const;

  std::string GetName(std::int32_t Index) const;
  // The value of the first line named Name; empty when there is none.
  std::string GetValue(std::string_view Name) const;
  // Sets the value of the first line named Name, adding "Name=Value" when there is none; an
  // empty Value deletes that line instead.
  void SetValue(std::string_view Name, std::string_view Value);
  std::string GetValueFromIndex(std::int32_t Index) const;
  // Keeps the line's name and sets its value; an empty Value deletes the line. A negative
  // Index adds a line with an empty name.
  void SetValueFromIndex(std::int32_t Index, std::string_view Value);
  char GetNameValueSeparator() const noexcept { return FNameValueSeparator; }
  void SetNameValueSeparator(char Value) noexcept { FNameValueSeparator = Value; }

  virtual std::string GetText() const;
  virtual void SetText(std::string_view Value);
  const std::string& GetLineBreak() const noexcept { return FLineBreak; }
  void SetLineBreak(std::string Value) { FLineBreak = std::move(Value); }

  // Replaces the lines by the text of every byte from the stream's position to its end, or of
  // the whole file. Without an Encoding, a UTF-8 byte order mark at the start picks UTF-8 (the
  // mark is skipped) and any other start reads the default encoding; with one, its preamble at
  // the start is skipped. The encoding read becomes the list's (GetEncoding), and the text is
  // set by SetText, so the lines split as there and a TStringList fires OnChanging once and
  // OnChange once. The bytes are read and checked before anything changes: bytes that form no
  // character of the encoding raise EEncodingError SInvalidEncodedText (the offset counts from
  // the first byte read, the mark included); a file that is missing, unreadable or no regular
  // file raises EFOpenError SFOpenError naming it; either way the list stays as it was.
  void LoadFromFile(const std::string& FileName) { LoadFromFile(FileName, nullptr); }
  virtual void LoadFromFile(const std::string& FileName, const TEncoding* Encoding);
  void LoadFromStream(TStream& Stream) { LoadFromStream(Stream, nullptr); }
  virtual void LoadFromStream(TStream& Stream, const TEncoding* Encoding);
  // Writes GetText in Encoding, else in the list's encoding, else in the default one, after that
  // encoding's preamble (UTF-8 has the byte order mark, ISO 8859-1 none). A code point the
  // encoding cannot hold is written as its replacement character ('?' in ISO 8859-1). A file is
  // written whole beside its place and renamed over it (keeping the permission bits of the file
  // it replaces; through a symbolic link the file it names): a failed save raises (EFCreateError
  // SFCreateError naming the file when it cannot be created or replaced, EWriteError when
  // writing fails, or the error of the text or the encoding) and leaves a file that was there as
  // it was, and no other file behind.
  void SaveToFile(const std::string& FileName) const { SaveToFile(FileName, nullptr); }
  virtual void SaveToFile(const std::string& FileName, const TEncoding* Encoding) const;
  void SaveToStream(TStream& Stream) const { SaveToStream(Stream, nullptr); }
  virtual void SaveToStream(TStream& Stream, const TEncoding* Encoding) const;
  // The encoding saving uses when given none: the one set or last loaded; null (the default)
  // until either happens. Encodings are not owned and must outlive the list.
  const TEncoding* GetEncoding() const noexcept { return FEncoding; }
  virtual void SetEncoding(const TEncoding* Value);

  // Whether CompareStrings tells upper and lower case apart; off by default.
  virtual bool GetCaseSensitive() const noexcept { return FCaseSensitive; }
  virtual void SetCaseSensitive(bool Value);
  // < 0, 0 or > 0 as S1 sorts before, with or after S2 in the process's global locale:
  // AnsiCompareStr when case sensitive, else AnsiCompareText. In the classic "C" locale that
  // is byte-wise, or with ASCII letters folded to upper case. Sorting, Find, IndexOf, the
  // duplicates policy and name lookup all go through it, so a program that changes the global
  // locale re-sorts its sorted lists (Sorted off and on) before it searches them again.
  virtual std::int32_t CompareStrings(std::string_view S1, std::string_view S2) const;

  // Update blocks nest. The first BeginUpdate calls SetUpdateState(true) while the count is
  // still 0; the EndUpdate that brings it back to 0 calls SetUpdateState(false). An EndUpdate
  // without an open block does nothing.
  void BeginUpdate();
  void EndUpdate();

 protected:
  virtual void SetUpdateState(bool Updating);
  std::int32_t GetUpdateCount() const noexcept { return FUpdateCount; }
  // Raises EStringListError with Msg formatted with Data.
  [[noreturn]] void Error(const TResString& Msg, std::int32_t Data) const;

 private:
  std::string FLineBreak = "\r\n";
  const TEncoding* FEncoding = nullptr;
  std::int32_t FUpdateCount = 0;
  char FNameValueSeparator = '=';
  bool FCaseSensitive = false;
};

enum TDuplicates : std::uint8_t { dupIgnore, dupAccept, dupError };

// The binary search of a sorted string list of Count lines, the line at I being LineAt(I) and
// Compare(Line, S) the list's comparison: true when S is there. Index receives the position of
// a match (with dupAccept the first of equal lines), else the position where S would go. The
// global locale is taken once for the whole search.
template <typename TLineAt, typename TCompare>
bool FindSortedLine(std::int32_t Count, std::string_view S, TDuplicates Duplicates, TLineAt&& LineAt,
                    TCompare&& Compare, std::int32_t& Index) {
  const TLocaleScope Locale;
  bool Result = false;
  std::int32_t Low = 0;
  std::int32_t High = Count - 1;
  while (Low <= High) {
    const std::int32_t Middle = Low + ((High - Low) >> 1);
    const std::int32_t C = Compare(LineAt(Middle), S);
    if (C < 0) {
      Low = Middle + 1;
    } else {
      High = Middle - 1;
      if (C == 0) {
        Result = true;
        // Without dupAccept the lines are unique: stop at this match. With it, go on to the
        // first of the equal lines.
        if (Duplicates != dupAccept) Low = Middle;
      }
    }
  }
  Index = Low;
  return Result;
}

// Sorts the items [L, R] of a list: Compare(I, J) is < 0, 0 or > 0 as item I sorts before,
// with or after item J, and Exchange(I, J) swaps two whole items. Hoare partitioning around a
// pivot whose index follows it through the exchanges; not stable. Both scans stay inside
// [L, R], so a comparison that is no consistent order (always "less", or one that changes its
// mind) can neither read past the items nor run forever; with a consistent order the bounds
// never bind and the items end as the unbounded partitioning leaves them. The smaller part is
// sorted by recursion and the larger by the loop, which bounds the depth.
template <typename TCompare, typename TExchange>
void QuickSortItems(std::int32_t L, std::int32_t R, TCompare& Compare, TExchange& Exchange) {
  while (L < R) {
    std::int32_t I = L;
    std::int32_t J = R;
    std::int32_t P = L + ((R - L) >> 1);
    do {
      while (I < R && Compare(I, P) < 0) ++I;
      while (J > L && Compare(J, P) > 0) --J;
      if (I <= J) {
        if (I != J) Exchange(I, J);
        if (P == I)
          P = J;
        else if (P == J)
          P = I;
        ++I;
        --J;
      }
    } while (I <= J);
    if (J - L < R - I) {
      if (L < J) QuickSortItems(L, J, Compare, Exchange);
      L = I;
    } else {
      if (I < R) QuickSortItems(I, R, Compare, Exchange);
      R = J;
    }
  }
}

class TStringList;

// < 0, 0 or > 0 as the line at Index1 sorts before, with or after the line at Index2.
using TStringListSortCompare =
    std::function<std::int32_t(TStringList* List, std::int32_t Index1, std::int32_t Index2)>;

// A stored string list. Invariants: while Sorted, the lines are in CompareStrings order, and
// with dupIgnore or dupError no two lines compare equal (as long as they were added while
// sorted); Count never exceeds the largest std::int32_t.
//
// Events: OnChanging fires before and OnChange after every change (Put, PutObject, an
// insertion, Delete, Clear of a non-empty list, Exchange, Move, a sort), but only outside
// update blocks; an update block fires OnChanging once when it opens and OnChange once when the
// outermost block ends. Nothing fires during destruction.
//
// Owned objects (OwnsObjects): Delete, Clear and the destructor free the objects of the lines
// they remove, after the list is consistent again; PutObject never frees the object it
// replaces. An owning list must not hold one object twice, nor share objects with another
// owning list (Assign shares the source's object references).
class TARNWICK_PLATFORM_EXPORT TStringList : public TStrings {
 public:
  TStringList();
  explicit TStringList(bool OwnsObjects);
  ~TStringList() override;

  std::string Get(std::int32_t Index) const override;
  // On a sorted list raises EStringListError SSortedListError.
  void Put(std::int32_t Index, const std::string& S) override;
  TObject* GetObject(std::int32_t Index) const override;
  void PutObject(std::int32_t Index, TObject* AObject) override;
  std::int32_t GetCount() const override { return static_cast<std::int32_t>(FList.size()); }
  std::int32_t GetCapacity() const override;
  // A capacity below Count raises EStringListError SListCapacityError.
  void SetCapacity(std::int32_t NewCapacity) override;

  // Unsorted: appends. Sorted: inserts where the order keeps; when an equal line exists,
  // dupIgnore returns its index and changes nothing, dupError raises EStringListError
  // SDuplicateString, dupAccept inserts before the equal lines.
  std::int32_t Add(const std::string& S) override;
  std::int32_t AddObject(const std::string& S, TObject* AObject) override;
  // Insert, Exchange and Move raise EStringListError SSortedListError on a sorted list.
  void Insert(std::int32_t Index, const std::string& S) override;
  void InsertObject(std::int32_t Index, const std::string& S, TObject* AObject) override;
  void Clear() override;
  void Delete(std::int32_t Index) override;
  void Exchange(std::int32_t Index1, std::int32_t Index2) override;
  void Move(std::int32_t CurIndex, std::int32_t NewIndex) override;
  // As TStrings does them; between lists of exactly this class the lines are read and stored
  // where they lie, without a copy for each step.
  void AddStrings(const TStrings* Strings) override;
  std::string GetText() const override;

  // From another TStringList: its lines in its order, then its Sorted, Duplicates and
  // CaseSensitive (OwnsObjects stays). From any other TStrings: its lines added one by one
  // under this list's own order and duplicates policy.
  void Assign(const TPersistent* Source) override;
  // Sorted: a binary search; otherwise the first equal line.
  std::int32_t IndexOf(std::string_view S) const override;
  // A sorted list is sorted again by the new comparison.
  void SetCaseSensitive(bool Value) override;

  // Binary search over a sorted list. True when a line equal to S exists; Index is then that
  // line (with dupAccept the first of the equal ones), else the position S would go to.
  virtual bool Find(std::string_view S, std::int32_t& Index) const;
  // Sorts an unsorted list with more than one line by CompareStrings (CustomSort), or by
  // Compare; a Sorted list is taken to be in order. Equal lines keep no particular order.
  virtual void Sort();
  virtual void CustomSort(const TStringListSortCompare& Compare);

  bool GetSorted() const noexcept { return FSorted; }
  // Turning it on sorts the list first.
  void SetSorted(bool Value);
  TDuplicates GetDuplicates() const noexcept { return FDuplicates; }
  void SetDuplicates(TDuplicates Value) noexcept { FDuplicates = Value; }
  bool GetOwnsObjects() const noexcept { return FOwnsObjects; }
  void SetOwnsObjects(bool Value) noexcept { FOwnsObjects = Value; }

  const TNotifyEvent& GetOnChange() const noexcept { return FOnChange; }
  void SetOnChange(TNotifyEvent Value) { FOnChange = std::move(Value); }
  const TNotifyEvent& GetOnChanging() const noexcept { return FOnChanging; }
  void SetOnChanging(TNotifyEvent Value) { FOnChanging = std::move(Value); }

 protected:
  // True: Changing; false: Changed.
  void SetUpdateState(bool Updating) override;
  // Fire OnChange / OnChanging when assigned and no update block is open.
  virtual void Changed();
  virtual void Changing();
  // Stores a line at Index in [0, Count] (checked): Changing, insert, Changed. Every insertion
  // ends here, so a descendant that keeps more per line hooks it.
  virtual void InsertItem(std::int32_t Index, const std::string& S, TObject* AObject);
  // Swaps two whole lines without checks or events; Exchange and the sorts go through it.
  virtual void ExchangeItems(std::int32_t Index1, std::int32_t Index2);

 private:
  struct TStringItem {
    std::string FString;
    TObject* FObject = nullptr;
  };

  void CheckIndex(std::int32_t Index) const;

  std::vector<TStringItem> FList;
  TNotifyEvent FOnChange;
  TNotifyEvent FOnChanging;
  TDuplicates FDuplicates = dupIgnore;
  bool FSorted = false;
  bool FOwnsObjects = false;
};

}  // namespace tarnwick

#endif  // TARNWICK_PLATFORM_STRINGS_H_
