// Published-property lookup and typed access, and the tables of the platform's own classes.
#include "tarnwick/platform/TypInfo.h"

#include <algorithm>

#include "tarnwick/platform/Format.h"
#include "tarnwick/platform/SysUtils.h"

namespace tarnwick {

EPropertyError::~EPropertyError() = default;

const TClassInfo* TPersistent::ClassInfo() const {
  static const TClassInfo Info(nullptr, {});
  return &Info;
}

const TClassInfo* TComponent::ClassInfo() const {
  static const TPropInfo Props[] = {
      Property<&TComponent::GetName, &TComponent::SetName>("Name").NotStored(),
      Property<&TComponent::GetTag, &TComponent::SetTag>("Tag").Default(0)};
  static const TClassInfo Info(TPersistent::ClassInfo(), Props);
  return &Info;
}

std::string_view GetEnumName(const TEnumInfo& Info, std::int64_t Value) noexcept {
  if (Value < 0 || static_cast<std::uint64_t>(Value) >= Info.Values.size()) return {};
  return Info.Values[static_cast<std::size_t>(Value)];
}

std::int64_t GetEnumValue(const TEnumInfo& Info, std::string_view Name) noexcept {
  for (std::size_t I = 0; I < Info.Values.size(); ++I)
    if (Info.Values[I] == Name) return static_cast<std::int64_t>(I);
  return -1;
}

std::vector<const TPropInfo*> GetPropList(const TPersistent* Instance) {
  std::vector<const TClassInfo*> Chain;
  for (const TClassInfo* Info = Instance->ClassInfo(); Info != nullptr; Info = Info->Parent) Chain.push_back(Info);
  std::vector<const TPropInfo*> Result;
  for (auto It = Chain.rbegin(); It != Chain.rend(); ++It)
    for (const TPropInfo& P : (*It)->Properties) Result.push_back(&P);
  return Result;
}

const TPropInfo* GetPropInfo(const TPersistent* Instance, std::string_view Name) {
  for (const TClassInfo* Info = Instance->ClassInfo(); Info != nullptr; Info = Info->Parent)
    for (const TPropInfo& P : Info->Properties)
      if (SameText(P.Name, Name)) return &P;
  return nullptr;
}

const TPropInfo& FindPropInfo(const TPersistent* Instance, std::string_view Name) {
  const TPropInfo* P = GetPropInfo(Instance, Name);
  if (P == nullptr) throw EPropertyError(Format(LoadResString(SUnknownProperty), {Name}));
  return *P;
}

namespace {

bool IsOrdinalKind(TTypeKind Kind) noexcept {
  return Kind == tkInteger || Kind == tkInt64 || Kind == tkBoolean || Kind == tkEnumeration || Kind == tkSet;
}

[[noreturn]] void RaiseKindMismatch(const TPropInfo& Prop, TTypeKind Wanted) {
  throw EPropertyError(Format(LoadResString(SPropertyKindMismatch), {Prop.Name, TypeKindNames[Wanted]}));
}

void CheckKind(const TPropInfo& Prop, bool Fits, TTypeKind Wanted) {
  if (!Fits) RaiseKindMismatch(Prop, Wanted);
}

[[noreturn]] void RaiseReadOnly(const TPropInfo& Prop) {
  throw EPropertyError(Format(LoadResString(SPropertyReadOnly), {Prop.Name}));
}

// The bits a set property may hold: one per value of its enumeration.
std::int64_t SetMask(const TEnumInfo& Info) noexcept {
  const std::size_t Count = std::min<std::size_t>(Info.Values.size(), 63);
  return (std::int64_t{1} << Count) - 1;
}

}  // namespace

bool IsStoredProp(TPersistent* Instance, const TPropInfo& Prop) {
  if (Prop.Stored == srNever) return false;
  if (Prop.StoredIf != nullptr && !Prop.StoredIf(Instance)) return false;
  switch (Prop.Kind) {
    case tkClass:
    case tkInterface: return Prop.GetObj(Instance) != nullptr;
    case tkMethod: return Prop.IsAssigned(Instance);
    default: break;
  }
  if (Prop.Stored == srAlways) return true;
  switch (Prop.Kind) {
    case tkFloat: return Prop.GetFloat(Instance) != Prop.FloatDefault;
    case tkString: return Prop.GetStr(Instance) != Prop.StrDefault;
    default: return Prop.GetOrd(Instance) != Prop.OrdDefault;
  }
}

std::int64_t GetOrdProp(TPersistent* Instance, const TPropInfo& Prop) {
  CheckKind(Prop, IsOrdinalKind(Prop.Kind), tkInteger);
  return Prop.GetOrd(Instance);
}

void SetOrdProp(TPersistent* Instance, const TPropInfo& Prop, std::int64_t Value) {
  CheckKind(Prop, IsOrdinalKind(Prop.Kind), tkInteger);
  if (Prop.SetOrd == nullptr) RaiseReadOnly(Prop);
  bool InRange = true;
  switch (Prop.Kind) {
    case tkInteger:
    case tkInt64: InRange = Value >= Prop.MinValue && Value <= Prop.MaxValue; break;
    case tkBoolean: InRange = Value == 0 || Value == 1; break;
    case tkEnumeration: InRange = !GetEnumName(*Prop.EnumType, Value).empty(); break;
    case tkSet: InRange = (Value & ~SetMask(*Prop.EnumType)) == 0; break;
    default: break;
  }
  if (!InRange) throw EPropertyError(Format(LoadResString(SPropertyOutOfRange), {Value, Prop.Name}));
  Prop.SetOrd(Instance, Value);
}

double GetFloatProp(TPersistent* Instance, const TPropInfo& Prop) {
  CheckKind(Prop, Prop.Kind == tkFloat, tkFloat);
  return Prop.GetFloat(Instance);
}

void SetFloatProp(TPersistent* Instance, const TPropInfo& Prop, double Value) {
  CheckKind(Prop, Prop.Kind == tkFloat, tkFloat);
  if (Prop.SetFloat == nullptr) RaiseReadOnly(Prop);
  Prop.SetFloat(Instance, Value);
}

std::string GetStrProp(TPersistent* Instance, const TPropInfo& Prop) {
  CheckKind(Prop, Prop.Kind == tkString, tkString);
  return Prop.GetStr(Instance);
}

void SetStrProp(TPersistent* Instance, const TPropInfo& Prop, const std::string& Value) {
  CheckKind(Prop, Prop.Kind == tkString, tkString);
  if (Prop.SetStr == nullptr) RaiseReadOnly(Prop);
  Prop.SetStr(Instance, Value);
}

TObject* GetObjectProp(TPersistent* Instance, const TPropInfo& Prop) {
  CheckKind(Prop, Prop.Kind == tkClass || Prop.Kind == tkInterface, tkClass);
  return Prop.GetObj(Instance);
}

void SetObjectProp(TPersistent* Instance, const TPropInfo& Prop, TObject* Value) {
  CheckKind(Prop, Prop.Kind == tkClass || Prop.Kind == tkInterface, tkClass);
  if (Prop.SetObj == nullptr) RaiseReadOnly(Prop);
  if (!Prop.SetObj(Instance, Value))
    throw EPropertyError(
        Format(LoadResString(SPropertyClassMismatch), {Prop.Name, Prop.ClassName(), Value->ClassName()}));
}

std::string GetEnumProp(TPersistent* Instance, const TPropInfo& Prop) {
  CheckKind(Prop, Prop.Kind == tkEnumeration, tkEnumeration);
  return std::string(GetEnumName(*Prop.EnumType, Prop.GetOrd(Instance)));
}

void SetEnumProp(TPersistent* Instance, const TPropInfo& Prop, std::string_view Value) {
  CheckKind(Prop, Prop.Kind == tkEnumeration, tkEnumeration);
  const std::int64_t Ordinal = GetEnumValue(*Prop.EnumType, Value);
  if (Ordinal < 0) throw EPropertyError(Format(LoadResString(SUnknownEnumValue), {Value, Prop.EnumType->Name}));
  SetOrdProp(Instance, Prop, Ordinal);
}

std::vector<std::string> GetSetProp(TPersistent* Instance, const TPropInfo& Prop) {
  CheckKind(Prop, Prop.Kind == tkSet, tkSet);
  const std::int64_t Bits = Prop.GetOrd(Instance);
  std::vector<std::string> Result;
  for (std::size_t I = 0; I < Prop.EnumType->Values.size() && I < 63; ++I)
    if ((Bits >> I) & 1) Result.emplace_back(Prop.EnumType->Values[I]);
  return Result;
}

void SetSetProp(TPersistent* Instance, const TPropInfo& Prop, std::span<const std::string> Values) {
  CheckKind(Prop, Prop.Kind == tkSet, tkSet);
  std::int64_t Bits = 0;
  for (const std::string& V : Values) {
    const std::int64_t Ordinal = GetEnumValue(*Prop.EnumType, V);
    if (Ordinal < 0 || Ordinal >= 63)
      throw EPropertyError(Format(LoadResString(SUnknownEnumValue), {V, Prop.EnumType->Name}));
    Bits |= std::int64_t{1} << Ordinal;
  }
  SetOrdProp(Instance, Prop, Bits);
}

std::string GetStrProp(TPersistent* Instance, std::string_view Name) {
  return GetStrProp(Instance, FindPropInfo(Instance, Name));
}

void SetStrProp(TPersistent* Instance, std::string_view Name, const std::string& Value) {
  SetStrProp(Instance, FindPropInfo(Instance, Name), Value);
}

}  // namespace tarnwick
