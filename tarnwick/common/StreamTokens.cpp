// The token and token list bases and the printed form of the basic token kinds.
#include "tarnwick/common/StreamTokens.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "tarnwick/common/TextStream.h"
#include "tarnwick/platform/Format.h"

namespace tarnwick {

namespace {

constexpr char kQuoteChar = '"';
constexpr char kEscapeChar = '\\';

// A character that ends a word when it follows the word's first character.
bool EndsWord(char C) noexcept {
  const auto U = static_cast<unsigned char>(C);
  if (U <= 32) return true;
  switch (C) {
    case '"': case ';': case '&': case '(': case ')': case '<': case '[': case ']': case '|': case '~':
      return true;
    default:
      return false;
  }
}

// A character that cannot be the first of a word: it is skipped, opens a string or a comment,
// is a punctuation token of its own, or makes the word a variable. The escape character may
// begin a word, where it stands for itself.
bool CannotBeginWord(char C) noexcept {
  return EndsWord(C) ? C != '<' : (C == '=' || C == '?');
}

// A word the lexer would read as an integer or a float: it tries the conversions when the
// first character can begin a number (a lone sign stays a word either way).
bool ReadsAsNumber(std::string_view S) {
  if (S.empty() || !IsNumberChar(static_cast<unsigned char>(S.front()))) return false;
  std::int32_t IntValue;
  double FloatValue;
  return TryStrToInt(S, IntValue) || TryStrToFloat(S, FloatValue, TFormatSettings::Invariant());
}

// Appends S, every character of which stands after a word's first one.
void AppendWordTail(std::string& Out, std::string_view S) {
  for (char C : S) {
    if (C == kEscapeChar || EndsWord(C)) Out += kEscapeChar;
    Out += C;
  }
}

std::string AtomText(const std::string& Text) {
  if (Text.empty() || CannotBeginWord(Text.front()) || ReadsAsNumber(Text)) return QuoteTokenText(Text);
  std::string Out(1, Text.front());
  AppendWordTail(Out, std::string_view(Text).substr(1));
  return Out;
}

std::string FloatText(double Value) {
  std::string Out = FloatToStr(Value, TFormatSettings::Invariant());
  // A whole number would read back as an integer token.
  if (std::isfinite(Value) && Out.find_first_of(".E") == std::string::npos) Out += ".0";
  return Out;
}

std::string IntegerText(double Value) {
  if (Value >= std::numeric_limits<std::int32_t>::min() && Value <= std::numeric_limits<std::int32_t>::max() &&
      Value == std::trunc(Value)) {
    return IntToStr(static_cast<std::int64_t>(Value));
  }
  return FloatText(Value);
}

bool SameNumber(double A, double B) noexcept { return A == B || (std::isnan(A) && std::isnan(B)); }

}  // namespace

std::string QuoteTokenText(std::string_view S) {
  std::string Out;
  Out.reserve(S.size() + 2);
  Out += kQuoteChar;
  for (char C : S) {
    if (C == kQuoteChar || C == kEscapeChar) Out += kEscapeChar;
    Out += C;
  }
  Out += kQuoteChar;
  return Out;
}

// ---------------------------------------------------------------------------------------------
// TBaseStreamToken

TBaseStreamToken::TBaseStreamToken() noexcept = default;

TBaseStreamToken::~TBaseStreamToken() = default;

void* TBaseStreamToken::GetInterface(const TGUID& IID) noexcept {
  if (void* P = GetInterfaceOf<IBaseStreamToken, ICloneable>(this, IID)) return P;
  return TInterfacedMixin::GetInterface(IID);
}

TBaseStreamToken* TBaseStreamToken::NewInstance() const { return new TBaseStreamToken; }

void TBaseStreamToken::Assign(IInterface* Source) {
  IBaseStreamToken* Token = FindIntf<IBaseStreamToken>(Source);
  if (Token == nullptr) RaiseAssignError(dynamic_cast<const TObject*>(Source), this);
  // Read everything first: Source may be this token.
  const Integer DataType = Token->GetDataType();
  const Integer LineNumber = Token->GetLineNumber();
  const double Number = Token->GetNumber();
  std::string Text = Token->GetText();
  std::string Whitespace = Token->GetWhitespace();
  const NativeInt Tag = Token->GetTag();
  FDataType = DataType;
  FLineNumber = LineNumber;
  FNumber = Number;
  FText = std::move(Text);
  FWhitespace = std::move(Whitespace);
  FTag = Tag;
}

void TBaseStreamToken::Assign(const TPersistent* Source) {
  const auto* Token = dynamic_cast<const TBaseStreamToken*>(Source);
  if (Token == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  if (Token == this) return;
  FDataType = Token->FDataType;
  FLineNumber = Token->FLineNumber;
  FNumber = Token->FNumber;
  FText = Token->FText;
  FWhitespace = Token->FWhitespace;
  FTag = Token->FTag;
}

void TBaseStreamToken::AssignTo(TPersistent* Dest) const { TPersistent::AssignTo(Dest); }

Intf<IInterface> TBaseStreamToken::Clone() {
  TBaseStreamToken* Copy = NewInstance();
  Intf<IInterface> Result(static_cast<IBaseStreamToken*>(Copy));  // frees it if Assign raises
  Copy->Assign(static_cast<const TPersistent*>(this));
  return Result;
}

bool TBaseStreamToken::Equals(IInterface* AValue) const {
  const IBaseStreamToken* Other = FindIntf<IBaseStreamToken>(AValue);
  if (Other == nullptr) return false;
  if (Other == static_cast<const IBaseStreamToken*>(this)) return true;
  return Other->GetDataType() == FDataType && SameNumber(Other->GetNumber(), FNumber) &&
         Other->GetText() == FText;
}

std::string TBaseStreamToken::ToString() const {
  switch (FDataType) {
    case bstNone:
      return std::string();
    case bstAtom:
      return AtomText(FText);
    case bstString:
      return QuoteTokenText(FText);
    case bstInteger:
      return IntegerText(FNumber);
    case bstFloat:
      return FloatText(FNumber);
    case bstVariable: {
      std::string Out = "?";
      AppendWordTail(Out, FText);
      return Out;
    }
    default:
      return FText;
  }
}

// ---------------------------------------------------------------------------------------------
// TBaseStreamTokenList

TBaseStreamTokenList::TBaseStreamTokenList() noexcept = default;

TBaseStreamTokenList::~TBaseStreamTokenList() = default;

void* TBaseStreamTokenList::GetInterface(const TGUID& IID) noexcept {
  if (void* P = GetInterfaceOf<IBaseStreamTokenList, ICloneable>(this, IID)) return P;
  return TInterfaceListPersistent::GetInterface(IID);
}

TBaseStreamTokenList* TBaseStreamTokenList::NewInstance() const { return new TBaseStreamTokenList; }

void TBaseStreamTokenList::Assign(IInterface* Source) {
  IBaseStreamTokenList* List = FindIntf<IBaseStreamTokenList>(Source);
  if (List == nullptr) RaiseAssignError(dynamic_cast<const TObject*>(Source), this);
  if (List == static_cast<IBaseStreamTokenList*>(this)) return;
  // Collect first: the old items go only once the new ones are counted.
  std::vector<Intf<IBaseStreamToken>> Items;
  const Integer Count = List->GetValueCount();
  Items.reserve(static_cast<std::size_t>(Count));
  for (Integer I = 0; I < Count; ++I) Items.emplace_back(List->Get(I));
  const NativeInt Tag = List->GetTag();
  TInterfaceListPersistent::Clear();
  for (const Intf<IBaseStreamToken>& Item : Items) TInterfaceListPersistent::Add(Item.get());
  FTag = Tag;
}

void TBaseStreamTokenList::Assign(const TPersistent* Source) {
  TInterfaceListPersistent::Assign(Source);
  if (const auto* List = dynamic_cast<const TBaseStreamTokenList*>(Source)) FTag = List->FTag;
}

void TBaseStreamTokenList::AssignTo(TPersistent* Dest) const { TInterfaceListPersistent::AssignTo(Dest); }

Intf<IInterface> TBaseStreamTokenList::Clone() {
  TBaseStreamTokenList* Copy = NewInstance();
  Intf<IInterface> Result(static_cast<IBaseStreamTokenList*>(Copy));  // frees it if a clone raises
  const Integer Count = GetCount();
  for (Integer I = 0; I < Count; ++I) {
    IInterface* Item = TInterfaceListPersistent::Get(I);
    ICloneable* Cloneable = FindIntf<ICloneable>(Item);
    if (Cloneable == nullptr) {
      Copy->TInterfaceListPersistent::Add(Item);  // nil, or nothing that can be copied: shared
      continue;
    }
    Intf<IInterface> ItemCopy = Cloneable->Clone();
    Copy->TInterfaceListPersistent::Add(ItemCopy.get());
  }
  Copy->FTag = FTag;
  return Result;
}

bool TBaseStreamTokenList::Equals(IInterface* AValue) const {
  return Equals(FindIntf<IBaseStreamTokenList>(AValue));
}

bool TBaseStreamTokenList::Equals(const TObject* Obj) const {
  if (Obj == nullptr) return false;
  return Equals(dynamic_cast<IInterface*>(const_cast<TObject*>(Obj)));
}

bool TBaseStreamTokenList::Equals(IBaseStreamTokenList* AList) const {
  if (AList == nullptr) return false;
  if (AList == static_cast<const IBaseStreamTokenList*>(this)) return true;
  const Integer Count = GetCount();
  if (AList->GetValueCount() != Count) return false;
  for (Integer I = 0; I < Count; ++I) {
    IBaseStreamToken* Mine = Get(I);
    IBaseStreamToken* Theirs = AList->Get(I);
    if (Mine == nullptr || Theirs == nullptr) {
      if (Mine != Theirs) return false;
      continue;
    }
    if (!Mine->Equals(Theirs)) return false;
  }
  return true;
}

IBaseStreamToken* TBaseStreamTokenList::Get(Integer Index) const {
  return FindIntfOrRaise<IBaseStreamToken>(TInterfaceListPersistent::Get(Index));
}

void TBaseStreamTokenList::Put(Integer Index, IBaseStreamToken* Value) { TInterfaceListPersistent::Put(Index, Value); }

Integer TBaseStreamTokenList::Add(IBaseStreamToken* Item) { return TInterfaceListPersistent::Add(Item); }

void TBaseStreamTokenList::Clear() { TInterfaceListPersistent::Clear(); }

IBaseStreamToken* TBaseStreamTokenList::First() const {
  return FindIntfOrRaise<IBaseStreamToken>(TInterfaceListPersistent::First());
}

Integer TBaseStreamTokenList::IndexOf(IBaseStreamToken* Item) const {
  return TInterfaceListPersistent::IndexOf(Item);
}

void TBaseStreamTokenList::Insert(Integer Index, IBaseStreamToken* Item) {
  TInterfaceListPersistent::Insert(Index, Item);
}

IBaseStreamToken* TBaseStreamTokenList::Last() const {
  return FindIntfOrRaise<IBaseStreamToken>(TInterfaceListPersistent::Last());
}

void TBaseStreamTokenList::Delete(Integer Index) { TInterfaceListPersistent::Delete(Index); }

void TBaseStreamTokenList::Append(IBaseStreamTokenList* List) {
  if (List == nullptr) return;
  // The count is taken once, so a list appended to itself doubles.
  const Integer Count = List->GetValueCount();
  for (Integer I = 0; I < Count; ++I) TInterfaceListPersistent::Add(List->Get(I));
}

Integer TBaseStreamTokenList::Remove(IBaseStreamToken* Item) { return TInterfaceListPersistent::Remove(Item); }

std::string TBaseStreamTokenList::ToString() const {
  std::string Out = "(";
  const Integer Count = GetCount();
  bool Any = false;
  for (Integer I = 0; I < Count; ++I) {
    // Nil items and items that are no tokens have no printed form.
    IBaseStreamToken* Token = FindIntf<IBaseStreamToken>(TInterfaceListPersistent::Get(I));
    if (Token == nullptr) continue;
    if (Any) Out += ' ';
    Out += Token->ToString();
    Any = true;
  }
  Out += ')';
  return Out;
}

}  // namespace tarnwick
