// TStrings, built on its virtual primitives, and the stored TStringList.
#include "tarnwick/platform/Strings.h"

#include <limits>
#include <typeinfo>
#include <utility>

#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/Format.h"
#include "tarnwick/platform/SysUtils.h"
#include "tarnwick/platform/detail/FileStream.h"

namespace tarnwick {

// ---------------------------------------------------------------------------------------------
// TStrings

TStrings::TStrings() = default;
TStrings::~TStrings() = default;

void TStrings::Put(std::int32_t Index, const std::string& S) {
  // Replace by delete and insert, keeping the object. The object is detached first so that an
  // owning descendant does not free it on the way.
  TUpdateBlock<TStrings> Block(*this);
  TObject* Obj = GetObject(Index);
  PutObject(Index, nullptr);
  Delete(Index);
  InsertObject(Index, S, Obj);
}

TObject* TStrings::GetObject(std::int32_t) const { return nullptr; }

void TStrings::PutObject(std::int32_t, TObject*) {}

std::int32_t TStrings::GetCapacity() const { return GetCount(); }

void TStrings::SetCapacity(std::int32_t) {}

std::int32_t TStrings::Add(const std::string& S) {
  const std::int32_t Result = GetCount();
  Insert(Result, S);
  return Result;
}

std::int32_t TStrings::AddObject(const std::string& S, TObject* AObject) {
  const std::int32_t Result = Add(S);
  PutObject(Result, AObject);
  return Result;
}

void TStrings::Append(const std::string& S) { Add(S); }

void TStrings::AddStrings(const TStrings* Strings) {
  if (Strings == nullptr) return;
  TUpdateBlock<TStrings> Block(*this);
  const std::int32_t N = Strings->GetCount();
  if (Strings == this) {
    // Adding to the list being read would move its lines under the loop: copy them first.
    std::vector<std::pair<std::string, TObject*>> Lines;
    Lines.reserve(static_cast<std::size_t>(N));
    for (std::int32_t I = 0; I < N; ++I) Lines.emplace_back(Get(I), GetObject(I));
    for (auto& Line : Lines) AddObject(Line.first, Line.second);
    return;
  }
  for (std::int32_t I = 0; I < N; ++I) AddObject(Strings->Get(I), Strings->GetObject(I));
}

void TStrings::InsertObject(std::int32_t Index, const std::string& S, TObject* AObject) {
  Insert(Index, S);
  PutObject(Index, AObject);
}

void TStrings::Exchange(std::int32_t Index1, std::int32_t Index2) {
  TUpdateBlock<TStrings> Block(*this);
  std::string S1 = Get(Index1);
  TObject* O1 = GetObject(Index1);
  Put(Index1, Get(Index2));
  PutObject(Index1, GetObject(Index2));
  Put(Index2, S1);
  PutObject(Index2, O1);
}

void TStrings::Move(std::int32_t CurIndex, std::int32_t NewIndex) {
  // Both indices are checked up front: a failing insertion after the deletion would lose the line.
  const std::int32_t N = GetCount();
  if (CurIndex < 0 || CurIndex >= N) Error(SListIndexError, CurIndex);
  if (NewIndex < 0 || NewIndex >= N) Error(SListIndexError, NewIndex);
  if (CurIndex == NewIndex) return;
  TUpdateBlock<TStrings> Block(*this);
  std::string S = Get(CurIndex);
  TObject* Obj = GetObject(CurIndex);
  PutObject(CurIndex, nullptr);
  Delete(CurIndex);
  InsertObject(NewIndex, S, Obj);
}

void TStrings::Assign(const TPersistent* Source) {
  if (Source == this) return;
  if (const auto* Src = dynamic_cast<const TStrings*>(Source)) {
    TUpdateBlock<TStrings> Block(*this);
    FLineBreak = Src->FLineBreak;
    FNameValueSeparator = Src->FNameValueSeparator;
    FEncoding = Src->FEncoding;
    Clear();
    AddStrings(Src);
    return;
  }
  TPersistent::Assign(Source);
}

bool TStrings::Equals(const TStrings* Strings) const {
  if (Strings == this) return true;
  if (Strings == nullptr) return false;
  const std::int32_t N = GetCount();
  if (N != Strings->GetCount()) return false;
  for (std::int32_t I = 0; I < N; ++I)
    if (Get(I) != Strings->Get(I)) return false;
  return true;
}

std::int32_t TStrings::IndexOf(std::string_view S) const {
  const TLocaleScope Locale;  // taken once for every comparison of the search
  const std::int32_t N = GetCount();
  for (std::int32_t I = 0; I < N; ++I)
    if (CompareStrings(Get(I), S) == 0) return I;
  return -1;
}

std::int32_t TStrings::IndexOfName(std::string_view Name) const {
  const TLocaleScope Locale;
  const std::int32_t N = GetCount();
  for (std::int32_t I = 0; I < N; ++I) {
    const std::string S = Get(I);
    const std::size_t P = S.find(FNameValueSeparator);
    if (P != std::string::npos && CompareStrings(std::string_view(S).substr(0, P), Name) == 0)
      return I;
  }
  return -1;
}

std::int32_t TStrings::IndexOfObject(const TObject* AObject) const {
  const std::int32_t N = GetCount();
  for (std::int32_t I = 0; I < N; ++I)
    if (GetObject(I) == AObject) return I;
  return -1;
}

std::string TStrings::GetName(std::int32_t Index) const {
  std::string S = Get(Index);
  const std::size_t P = S.find(FNameValueSeparator);
  if (P == std::string::npos) return std::string();
  S.resize(P);
  return S;
}

std::string TStrings::GetValue(std::string_view Name) const {
  const std::int32_t I = IndexOfName(Name);
  return I < 0 ? std::string() : GetValueFromIndex(I);
}

void TStrings::SetValue(std::string_view Name, std::string_view Value) {
  const std::int32_t I = IndexOfName(Name);
  if (Value.empty()) {
    if (I >= 0) Delete(I);
    return;
  }
  std::string Line;
  Line.reserve(Name.size() + 1 + Value.size());
  Line.append(Name).push_back(FNameValueSeparator);
  Line.append(Value);
  // A new line is added whole, so that a sorted list places it by its final text.
  if (I < 0)
    Add(Line);
  else
    Put(I, Line);
}

std::string TStrings::GetValueFromIndex(std::int32_t Index) const {
  if (Index < 0) return std::string();
  const std::string S = Get(Index);
  const std::size_t P = S.find(FNameValueSeparator);
  return P == std::string::npos ? std::string() : S.substr(P + 1);
}

void TStrings::SetValueFromIndex(std::int32_t Index, std::string_view Value) {
  if (Value.empty()) {
    if (Index >= 0) Delete(Index);
    return;
  }
  std::string Line = Index < 0 ? std::string() : GetName(Index);
  Line.push_back(FNameValueSeparator);
  Line.append(Value);
  if (Index < 0)
    Add(Line);
  else
    Put(Index, Line);
}

std::string TStrings::GetText() const {
  const std::int32_t N = GetCount();
  std::string Result;
  for (std::int32_t I = 0; I < N; ++I) {
    Result += Get(I);
    Result += FLineBreak;
  }
  return Result;
}

void TStrings::SetText(std::string_view Value) {
  TUpdateBlock<TStrings> Block(*this);
  Clear();
  const bool AnyBreak = FLineBreak == "\r\n" || FLineBreak == "\n" || FLineBreak == "\r";
  if (!AnyBreak && FLineBreak.empty()) {
    // Nothing to split at: the whole text is one line.
    if (!Value.empty()) Add(std::string(Value));
    return;
  }
  std::size_t Start = 0;
  while (Start < Value.size()) {
    const std::size_t P = AnyBreak ? Value.find_first_of("\r\n", Start) : Value.find(FLineBreak, Start);
    if (P == std::string_view::npos) {
      Add(std::string(Value.substr(Start)));
      break;
    }
    Add(std::string(Value.substr(Start, P - Start)));
    if (!AnyBreak)
      Start = P + FLineBreak.size();
    else if (Value[P] == '\r' && P + 1 < Value.size() && Value[P + 1] == '\n')
      Start = P + 2;
    else
      Start = P + 1;
  }
}

void TStrings::LoadFromFile(const std::string& FileName, const TEncoding* Encoding) {
  detail::TFileStream Stream(FileName);
  LoadFromStream(Stream, Encoding);
}

void TStrings::LoadFromStream(TStream& Stream, const TEncoding* Encoding) {
  std::string Bytes;
  constexpr std::size_t kChunk = 64 * 1024;
  for (;;) {
    const std::size_t Have = Bytes.size();
    Bytes.resize(Have + kChunk);
    const std::int64_t Got = Stream.Read(Bytes.data() + Have, static_cast<std::int64_t>(kChunk));
    Bytes.resize(Have + static_cast<std::size_t>(Got > 0 ? Got : 0));
    if (Got <= 0) break;
  }
  // Every byte is read and decoded before the lines change.
  const std::string_view View(Bytes);
  const TEncoding* Read = Encoding;
  if (Read == nullptr)
    Read = View.starts_with(TEncoding::UTF8()->GetPreamble()) ? TEncoding::UTF8() : TEncoding::Default();
  const std::string_view Preamble = Read->GetPreamble();
  const std::size_t Skip = View.starts_with(Preamble) ? Preamble.size() : 0;
  const std::string Text = Read->GetStringStrict(View.substr(Skip), static_cast<std::int64_t>(Skip));
  FEncoding = Read;
  SetText(Text);
}

void TStrings::SaveToFile(const std::string& FileName, const TEncoding* Encoding) const {
  detail::ReplaceFile(FileName, [this, Encoding](TStream& Stream) { SaveToStream(Stream, Encoding); });
}

void TStrings::SaveToStream(TStream& Stream, const TEncoding* Encoding) const {
  const TEncoding* Write = Encoding != nullptr ? Encoding : TEncoding::OrDefault(FEncoding);
  std::string Bytes(Write->GetPreamble());
  Bytes += Write->GetBytes(GetText());
  Stream.WriteBuffer(Bytes.data(), static_cast<std::int64_t>(Bytes.size()));
}

void TStrings::SetEncoding(const TEncoding* Value) { FEncoding = Value; }

void TStrings::SetCaseSensitive(bool Value) { FCaseSensitive = Value; }

std::int32_t TStrings::CompareStrings(std::string_view S1, std::string_view S2) const {
  return GetCaseSensitive() ? AnsiCompareStr(S1, S2) : AnsiCompareText(S1, S2);
}

void TStrings::BeginUpdate() {
  if (FUpdateCount == 0) SetUpdateState(true);
  ++FUpdateCount;
}

void TStrings::EndUpdate() {
  // An unmatched EndUpdate would leave the count negative, and every later block unable to
  // hold back events; it is ignored instead.
  if (FUpdateCount <= 0) return;
  --FUpdateCount;
  if (FUpdateCount == 0) SetUpdateState(false);
}

void TStrings::SetUpdateState(bool) {}

void TStrings::Error(const TResString& Msg, std::int32_t Data) const {
  throw EStringListError(Format(LoadResString(Msg), {Data}));
}

// ---------------------------------------------------------------------------------------------
// TStringList

TStringList::TStringList() = default;

TStringList::TStringList(bool OwnsObjects) : FOwnsObjects(OwnsObjects) {}

TStringList::~TStringList() {
  FOnChange = nullptr;
  FOnChanging = nullptr;
  if (!FOwnsObjects) return;
  // Empty the list before freeing, so that a destructor that looks at it sees no dying object.
  std::vector<TStringItem> Items;
  Items.swap(FList);
  for (TStringItem& Item : Items) delete Item.FObject;
}

void TStringList::CheckIndex(std::int32_t Index) const {
  if (Index < 0 || Index >= GetCount()) Error(SListIndexError, Index);
}

std::string TStringList::Get(std::int32_t Index) const {
  CheckIndex(Index);
  return FList[static_cast<std::size_t>(Index)].FString;
}

void TStringList::Put(std::int32_t Index, const std::string& S) {
  if (FSorted) Error(SSortedListError, 0);
  CheckIndex(Index);
  Changing();
  FList[static_cast<std::size_t>(Index)].FString = S;
  Changed();
}

TObject* TStringList::GetObject(std::int32_t Index) const {
  CheckIndex(Index);
  return FList[static_cast<std::size_t>(Index)].FObject;
}

void TStringList::PutObject(std::int32_t Index, TObject* AObject) {
  CheckIndex(Index);
  Changing();
  FList[static_cast<std::size_t>(Index)].FObject = AObject;
  Changed();
}

std::int32_t TStringList::GetCapacity() const {
  constexpr std::size_t kMax = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
  return static_cast<std::int32_t>(FList.capacity() < kMax ? FList.capacity() : kMax);
}

void TStringList::SetCapacity(std::int32_t NewCapacity) {
  if (NewCapacity < GetCount()) Error(SListCapacityError, NewCapacity);
  const auto Wanted = static_cast<std::size_t>(NewCapacity);
  if (Wanted > FList.capacity()) {
    FList.reserve(Wanted);
  } else if (Wanted < FList.capacity()) {
    std::vector<TStringItem> Items;
    Items.reserve(Wanted);
    for (TStringItem& Item : FList) Items.push_back(std::move(Item));
    FList.swap(Items);
  }
}

std::int32_t TStringList::Add(const std::string& S) { return AddObject(S, nullptr); }

std::int32_t TStringList::AddObject(const std::string& S, TObject* AObject) {
  std::int32_t Result = GetCount();
  if (FSorted && Find(S, Result)) {
    switch (FDuplicates) {
      case dupIgnore:
        return Result;
      case dupError:
        Error(SDuplicateString, 0);
      case dupAccept:
        break;
    }
  }
  InsertItem(Result, S, AObject);
  return Result;
}

void TStringList::Insert(std::int32_t Index, const std::string& S) { InsertObject(Index, S, nullptr); }

void TStringList::InsertObject(std::int32_t Index, const std::string& S, TObject* AObject) {
  if (FSorted) Error(SSortedListError, 0);
  InsertItem(Index, S, AObject);
}

void TStringList::InsertItem(std::int32_t Index, const std::string& S, TObject* AObject) {
  if (Index < 0 || Index > GetCount()) Error(SListIndexError, Index);
  if (GetCount() == std::numeric_limits<std::int32_t>::max())
    throw EOutOfMemory(LoadResString(SOutOfMemory));
  Changing();
  FList.insert(FList.begin() + Index, TStringItem{S, AObject});
  Changed();
}

void TStringList::Delete(std::int32_t Index) {
  CheckIndex(Index);
  Changing();
  const auto It = FList.begin() + Index;
  TObject* Owned = FOwnsObjects ? It->FObject : nullptr;
  FList.erase(It);
  delete Owned;  // after the list is consistent again
  Changed();
}

void TStringList::Clear() {
  if (FList.empty()) return;
  Changing();
  std::vector<TStringItem> Items;
  Items.swap(FList);
  if (FOwnsObjects)
    for (TStringItem& Item : Items) delete Item.FObject;
  Changed();
}

void TStringList::Exchange(std::int32_t Index1, std::int32_t Index2) {
  if (FSorted) Error(SSortedListError, 0);
  CheckIndex(Index1);
  CheckIndex(Index2);
  Changing();
  ExchangeItems(Index1, Index2);
  Changed();
}

void TStringList::ExchangeItems(std::int32_t Index1, std::int32_t Index2) {
  std::swap(FList[static_cast<std::size_t>(Index1)], FList[static_cast<std::size_t>(Index2)]);
}

void TStringList::Move(std::int32_t CurIndex, std::int32_t NewIndex) {
  if (FSorted) Error(SSortedListError, 0);
  CheckIndex(CurIndex);
  CheckIndex(NewIndex);
  if (CurIndex == NewIndex) return;
  Changing();
  // Neighbour swaps through ExchangeItems, so that a descendant's per-line data moves along.
  const std::int32_t Step = CurIndex < NewIndex ? 1 : -1;
  for (std::int32_t I = CurIndex; I != NewIndex; I += Step) ExchangeItems(I, I + Step);
  Changed();
}

void TStringList::AddStrings(const TStrings* Strings) {
  // What TStrings does through Get, GetObject and AddObject, which a descendant may override,
  // and which a sorted list answers in its own order.
  const auto* Src = dynamic_cast<const TStringList*>(Strings);
  if (Src == nullptr || Src == this || FSorted || !IsExactClass(*this, typeid(TStringList)) ||
      !IsExactClass(*Src, typeid(TStringList)) ||
      Src->FList.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()) - FList.size()) {
    TStrings::AddStrings(Strings);
    return;
  }
  TUpdateBlock<TStrings> Block(*this);
  FList.insert(FList.end(), Src->FList.begin(), Src->FList.end());
}

std::string TStringList::GetText() const {
  if (!IsExactClass(*this, typeid(TStringList))) return TStrings::GetText();
  const std::string& LineBreak = GetLineBreak();
  std::size_t Size = 0;
  for (const TStringItem& Item : FList) Size += Item.FString.size() + LineBreak.size();
  std::string Result;
  Result.reserve(Size);
  for (const TStringItem& Item : FList) {
    Result += Item.FString;
    Result += LineBreak;
  }
  return Result;
}

void TStringList::Assign(const TPersistent* Source) {
  if (Source == this) return;
  const auto* Src = dynamic_cast<const TStringList*>(Source);
  if (Src == nullptr) {
    TStrings::Assign(Source);
    return;
  }
  // The source is in its own order already: take its lines as they stand (unsorted, every
  // duplicate kept), then its settings, all inside one block so that OnChange sees the result.
  TUpdateBlock<TStrings> Block(*this);
  FSorted = false;
  FDuplicates = dupAccept;
  TStrings::Assign(Source);
  TStrings::SetCaseSensitive(Src->GetCaseSensitive());
  FDuplicates = Src->FDuplicates;
  FSorted = Src->FSorted;
}

std::int32_t TStringList::IndexOf(std::string_view S) const {
  if (!FSorted) return TStrings::IndexOf(S);
  std::int32_t Index = -1;
  return Find(S, Index) ? Index : -1;
}

void TStringList::SetCaseSensitive(bool Value) {
  if (Value == GetCaseSensitive()) return;
  TStrings::SetCaseSensitive(Value);
  if (FSorted) {
    FSorted = false;
    SetSorted(true);
  }
}

bool TStringList::Find(std::string_view S, std::int32_t& Index) const {
  return FindSortedLine(
      GetCount(), S, FDuplicates,
      [this](std::int32_t I) -> const std::string& { return FList[static_cast<std::size_t>(I)].FString; },
      [this](const std::string& Line, std::string_view Key) { return CompareStrings(Line, Key); }, Index);
}

void TStringList::Sort() {
  CustomSort([](TStringList* List, std::int32_t Index1, std::int32_t Index2) {
    return List->CompareStrings(List->FList[static_cast<std::size_t>(Index1)].FString,
                                List->FList[static_cast<std::size_t>(Index2)].FString);
  });
}

void TStringList::CustomSort(const TStringListSortCompare& Compare) {
  if (FSorted || GetCount() <= 1) return;
  Changing();
  const TLocaleScope Locale;  // taken once for every comparison of the sort
  auto CompareItems = [this, &Compare](std::int32_t Index1, std::int32_t Index2) {
    return Compare(this, Index1, Index2);
  };
  auto Exchange = [this](std::int32_t Index1, std::int32_t Index2) { ExchangeItems(Index1, Index2); };
  QuickSortItems(0, GetCount() - 1, CompareItems, Exchange);
  Changed();
}

void TStringList::SetSorted(bool Value) {
  if (FSorted == Value) return;
  if (Value) Sort();
  FSorted = Value;
}

void TStringList::SetUpdateState(bool Updating) {
  if (Updating)
    Changing();
  else
    Changed();
}

void TStringList::Changed() {
  if (GetUpdateCount() == 0 && FOnChange) FOnChange(this);
}

void TStringList::Changing() {
  if (GetUpdateCount() == 0 && FOnChanging) FOnChanging(this);
}

}  // namespace tarnwick
