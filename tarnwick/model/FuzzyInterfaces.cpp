// The fuzzy language's token and token list.
#include "tarnwick/model/FuzzyInterfaces.h"

#include <utility>

#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/model/detail/BlockCaches.h"
#include "tarnwick/platform/Classes.h"

namespace tarnwick {

// The fuzzy kinds extend the base's: the basic kinds print through the base.
static_assert(static_cast<int>(fstNone) == bstNone && static_cast<int>(fstAtom) == bstAtom &&
                  static_cast<int>(fstString) == bstString && static_cast<int>(fstInteger) == bstInteger &&
                  static_cast<int>(fstFloat) == bstFloat && static_cast<int>(fstVariable) == bstVariable,
              "the basic token kinds keep the base's numbers");

// ---------------------------------------------------------------------------------------------
// TFuzzyStreamToken

TFuzzyStreamToken::TFuzzyStreamToken() noexcept = default;

TFuzzyStreamToken::~TFuzzyStreamToken() = default;

void* TFuzzyStreamToken::operator new(std::size_t Size) { return detail::TTokenBlocks::Allocate(Size); }

void TFuzzyStreamToken::operator delete(void* Block, std::size_t Size) noexcept {
  detail::TTokenBlocks::Release(Block, Size);
}

void* TFuzzyStreamToken::GetInterface(const TGUID& IID) noexcept {
  if (void* P = GetInterfaceOf<IFuzzyStreamToken>(this, IID)) return P;
  return TBaseStreamToken::GetInterface(IID);
}

TBaseStreamToken* TFuzzyStreamToken::NewInstance() const { return new TFuzzyStreamToken; }

void TFuzzyStreamToken::Assign(IInterface* Source) {
  // Keep the payloads before the base copies anything: Source may be this token.
  IFuzzyStreamToken* Token = FindIntf<IFuzzyStreamToken>(Source);
  Intf<IInterface> IntfValue = Token != nullptr ? Token->GetIntfValue() : Intf<IInterface>();
  TObject* ObjValue = Token != nullptr ? Token->GetObjValue() : nullptr;
  TBaseStreamToken::Assign(Source);
  if (Token == nullptr) return;  // a plain token: the payloads stay
  FIntfValue = std::move(IntfValue);
  FObjValue = ObjValue;
}

void TFuzzyStreamToken::Assign(const TPersistent* Source) {
  TBaseStreamToken::Assign(Source);
  if (const auto* Token = dynamic_cast<const TFuzzyStreamToken*>(Source)) {
    FIntfValue = Token->FIntfValue;
    FObjValue = Token->FObjValue;
  }
}

Intf<IInterface> TFuzzyStreamToken::Clone() {
  Intf<IInterface> Result = TBaseStreamToken::Clone();
  auto* Copy = dynamic_cast<TFuzzyStreamToken*>(Result.get());  // NewInstance made one of ours
  ICloneable* List = FindIntf<IBaseStreamTokenList>(FIntfValue.get());
  if (Copy != nullptr && List != nullptr) Copy->FIntfValue = List->Clone();
  return Result;
}

bool TFuzzyStreamToken::Equals(IInterface* AValue) const {
  if (!TBaseStreamToken::Equals(AValue)) return false;
  const Integer DataType = GetDataType();
  switch (DataType) {
    case fstInterface:
    case fstList:
    case fstIFuzzySet:
    case fstObject:
    case fstFuzzySet:
      break;
    default:
      return true;  // no payload meant
  }
  IFuzzyStreamToken* Other = FindIntf<IFuzzyStreamToken>(AValue);
  if (Other == nullptr) return false;
  if (Other == static_cast<const IFuzzyStreamToken*>(this)) return true;
  switch (DataType) {
    case fstObject:
    case fstFuzzySet:
      return Other->GetObjValue() == FObjValue;
    case fstList: {
      Intf<IFuzzyStreamTokenList> Mine = GetList();
      Intf<IFuzzyStreamTokenList> Theirs = Other->GetList();
      if (!Mine || !Theirs) return Mine == Theirs;
      return Mine->Equals(Theirs.get());
    }
    default:
      return Other->GetIntfValue() == FIntfValue;
  }
}

Intf<IFuzzySet> TFuzzyStreamToken::GetFuzzySetIntf() const { return QueryIntf<IFuzzySet>(FIntfValue); }

Intf<IFuzzyStreamTokenList> TFuzzyStreamToken::GetList() const {
  return QueryIntf<IFuzzyStreamTokenList>(FIntfValue);
}

TFuzzySet* TFuzzyStreamToken::GetFuzzySet() const noexcept { return dynamic_cast<TFuzzySet*>(FObjValue); }

void TFuzzyStreamToken::SetIntfValue(IInterface* Value) {
  FIntfValue = Value;
  TBaseStreamToken::SetDataType(Value != nullptr ? fstInterface : fstNone);
}

void TFuzzyStreamToken::SetList(IFuzzyStreamTokenList* Value) {
  FIntfValue = Value;
  TBaseStreamToken::SetDataType(Value != nullptr ? fstList : fstNone);
}

void TFuzzyStreamToken::SetFuzzySetIntf(IFuzzySet* Value) {
  FIntfValue = Value;
  TBaseStreamToken::SetDataType(Value != nullptr ? fstIFuzzySet : fstNone);
}

void TFuzzyStreamToken::SetObjValue(TObject* Value) {
  FObjValue = Value;
  TBaseStreamToken::SetDataType(Value != nullptr ? fstObject : fstNone);
}

void TFuzzyStreamToken::SetFuzzySet(TFuzzySet* Value) {
  FObjValue = Value;
  TBaseStreamToken::SetDataType(Value != nullptr ? fstFuzzySet : fstNone);
}

std::string TFuzzyStreamToken::ToString() const {
  switch (GetDataType()) {
    case fstInterface:
      return "<interface>";
    case fstList:
      if (Intf<IFuzzyStreamTokenList> List = GetList()) return List->ToString();
      break;
    case fstIFuzzySet:
      if (Intf<IFuzzySet> Set = GetFuzzySetIntf()) return Set->ToString();
      break;
    case fstObject:
      return "<object>";
    case fstFuzzySet:
      if (TFuzzySet* Set = GetFuzzySet()) return Set->GetExpression();
      break;
    default:
      break;
  }
  return TBaseStreamToken::ToString();
}

// ---------------------------------------------------------------------------------------------
// TFuzzyStreamTokenList

TFuzzyStreamTokenList::TFuzzyStreamTokenList() noexcept = default;

TFuzzyStreamTokenList::~TFuzzyStreamTokenList() = default;

void* TFuzzyStreamTokenList::GetInterface(const TGUID& IID) noexcept {
  if (void* P = GetInterfaceOf<IFuzzyStreamTokenList>(this, IID)) return P;
  return TBaseStreamTokenList::GetInterface(IID);
}

TBaseStreamTokenList* TFuzzyStreamTokenList::NewInstance() const { return new TFuzzyStreamTokenList; }

namespace {

// Item as IFuzzyStreamToken, as FindIntfOrRaise finds it. The lexer's own tokens, nearly every
// item there is, are converted directly: the general lookup first casts to the interface base
// across the class hierarchy, which costs more than the rest of reading an argument.
IFuzzyStreamToken* AsFuzzyStreamToken(IInterface* Item) {
  if (TFuzzyStreamToken* Own = ExactClassObject<TFuzzyStreamToken>(Item)) return Own;
  return FindIntfOrRaise<IFuzzyStreamToken>(Item);
}

}  // namespace

IFuzzyStreamToken* TFuzzyStreamTokenList::Get(Integer Index) const {
  return AsFuzzyStreamToken(TInterfaceListPersistent::Get(Index));
}

void TFuzzyStreamTokenList::Put(Integer Index, IFuzzyStreamToken* Value) { TBaseStreamTokenList::Put(Index, Value); }

bool TFuzzyStreamTokenList::Equals(IFuzzyStreamTokenList* AList) const {
  return TBaseStreamTokenList::Equals(static_cast<IBaseStreamTokenList*>(AList));
}

Integer TFuzzyStreamTokenList::Add(IFuzzyStreamToken* Item) { return TBaseStreamTokenList::Add(Item); }

IFuzzyStreamToken* TFuzzyStreamTokenList::First() const {
  return AsFuzzyStreamToken(TInterfaceListPersistent::First());
}

Integer TFuzzyStreamTokenList::IndexOf(IFuzzyStreamToken* Item) const { return TBaseStreamTokenList::IndexOf(Item); }

void TFuzzyStreamTokenList::Insert(Integer Index, IFuzzyStreamToken* Item) {
  TBaseStreamTokenList::Insert(Index, Item);
}

IFuzzyStreamToken* TFuzzyStreamTokenList::Last() const {
  return AsFuzzyStreamToken(TInterfaceListPersistent::Last());
}

void TFuzzyStreamTokenList::Append(IFuzzyStreamTokenList* List) { TBaseStreamTokenList::Append(List); }

Integer TFuzzyStreamTokenList::Remove(IFuzzyStreamToken* Item) { return TBaseStreamTokenList::Remove(Item); }

IBaseStreamToken* TFuzzyStreamTokenList::GetBaseStreamToken(Integer Index) const {
  return TBaseStreamTokenList::Get(Index);
}

IBaseStreamToken* TFuzzyStreamTokenList::FirstBaseStreamToken() const { return TBaseStreamTokenList::First(); }

IBaseStreamToken* TFuzzyStreamTokenList::LastBaseStreamToken() const { return TBaseStreamTokenList::Last(); }

void TFuzzyStreamTokenList::PutBaseStreamToken(Integer Index, IBaseStreamToken* Value) {
  TBaseStreamTokenList::Put(Index, Value);
}

}  // namespace tarnwick
