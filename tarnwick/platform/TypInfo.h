// Published properties: the run-time type information through which component streaming and
// hosts read and write an object's properties by name.
//
// A class that publishes properties overrides TPersistent::ClassInfo() and returns its
// TClassInfo: the info of its base class and its own properties in declared order. Its table
// lives in a source file, as a function-local static, so that nothing runs before first use:
//
//   const TClassInfo* TFuzzySetValue::ClassInfo() const {
//     static const TPropInfo Props[] = {
//         Property<&TFuzzySetValue::GetX, &TFuzzySetValue::SetX>("X"),
//         Property<&TFuzzySetValue::GetY, &TFuzzySetValue::SetY>("Y").Default(0.0)};
//     static const TClassInfo Info(TCollectionItem::ClassInfo(), Props);
//     return &Info;
//   }
//
// (The qualified call TCollectionItem::ClassInfo() is not virtual: it gives the base's table.)
// GetPropList walks the chain from the root, so inherited properties come first.
//
// Property<&C::GetP, &C::SetP>("P") derives the kind from the getter's result type:
//   bool -> tkBoolean, an enumeration -> tkEnumeration, TSet<E> -> tkSet (both need the names
//   of the values, a TEnumInfo), integers of up to 32 bits -> tkInteger, wider ones -> tkInt64,
//   float and double -> tkFloat, std::string -> tkString, a pointer to an object -> tkClass,
//   a counted interface reference Intf<I> -> tkInterface (set through an I*), a std::function ->
//   tkMethod (an event).
// The setter may be nullptr for a property that is only read (an owned collection, for
// example, which streaming fills through the getter).
//
// Stored rule: by default a property is always stored; .Default(V) declares the value that is
// not stored (it must be the value the object has when streaming creates it); .NotStored()
// keeps it out of streams; .StoredWhen(F) stores it only when F(instance) says so (on top of
// the other rules). Objects, references and events follow their own rules
// (IsStoredProp).
//
// Events are stored by the name of their handler. A handler carries a name when it was made by
// NamedEvent (and streaming gives every handler it sets the name it was read under); a handler
// made otherwise has no name and cannot be stored.
#ifndef TARNWICK_PLATFORM_TYPINFO_H_
#define TARNWICK_PLATFORM_TYPINFO_H_

#include <algorithm>
#include <any>
#include <cstdint>
#include <functional>
#include <iterator>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "tarnwick/platform/Classes.h"
#include "tarnwick/platform/Component.h"
#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/Export.h"
#include "tarnwick/platform/Interfaces.h"
#include "tarnwick/platform/ResStrings.h"
#include "tarnwick/platform/Types.h"

namespace tarnwick {

TARNWICK_DECLARE_EXCEPTION(TARNWICK_PLATFORM_EXPORT, EPropertyError, Exception);

inline constexpr TResString SUnknownProperty{"SUnknownProperty", "Property %s does not exist"};
inline constexpr TResString SPropertyKindMismatch{"SPropertyKindMismatch", "Property %s is not a %s property"};
inline constexpr TResString SPropertyReadOnly{"SPropertyReadOnly", "Property %s is read-only"};
inline constexpr TResString SPropertyOutOfRange{"SPropertyOutOfRange", "Value %d is out of range for property %s"};
inline constexpr TResString SUnknownEnumValue{"SUnknownEnumValue", "%s is not a value of %s"};
inline constexpr TResString SPropertyClassMismatch{"SPropertyClassMismatch",
                                                   "Property %s takes a %s, not a %s"};
inline constexpr TResString SEventHandlerMismatch{"SEventHandlerMismatch",
                                                  "Event handler %s does not fit event %s"};

// ORDER TYPEKIND: TypeKindNames follows this order.
enum TTypeKind : std::uint8_t {
  tkInteger,
  tkInt64,
  tkFloat,
  tkString,
  tkBoolean,
  tkEnumeration,
  tkSet,
  tkClass,
  tkMethod,
  tkInterface
};

// ORDER TYPEKIND. What a property of each kind holds, for messages.
inline constexpr std::string_view TypeKindNames[] = {"integer", "64-bit integer", "floating-point", "string",
                                                     "Boolean", "enumeration",    "set",            "object",
                                                     "event",   "interface"};
static_assert(std::size(TypeKindNames) == tkInterface + 1, "one name per type kind");

// The names of an enumeration's values, by ordinal, and the enumeration's own name.
struct TEnumInfo {
  std::string_view Name;
  std::span<const std::string_view> Values;
};

// The name of ordinal Value, or an empty string outside the enumeration.
TARNWICK_PLATFORM_EXPORT std::string_view GetEnumName(const TEnumInfo& Info, std::int64_t Value) noexcept;
// The ordinal named Name (exactly), or -1.
TARNWICK_PLATFORM_EXPORT std::int64_t GetEnumValue(const TEnumInfo& Info, std::string_view Name) noexcept;

enum TStoredRule : std::uint8_t { srAlways, srDefault, srNever };

// One published property. The accessors take the instance; they raise EInvalidCast when it is
// not of the class the property belongs to. Only those of the property's kind are set:
// GetOrd/SetOrd for the integer, Boolean, enumeration and set kinds (a set as the bits of its
// ordinals), GetFloat/SetFloat, GetStr/SetStr, GetObj/SetObj (SetObj returns false for an
// object of another class than the property takes, and AcceptsObj tells so beforehand), and for events IsAssigned, GetEventName
// and SetEvent (which takes a std::any holding the event's std::function type, or nullptr to
// clear it, and returns false for a handler of another type).
struct TPropInfo {
  std::string_view Name;
  TTypeKind Kind = tkInteger;
  const TEnumInfo* EnumType = nullptr;
  TStoredRule Stored = srAlways;
  std::int64_t OrdDefault = 0;
  double FloatDefault = 0;
  std::string_view StrDefault;
  // tkInteger, tkInt64: the range of the C++ type behind the property.
  std::int64_t MinValue = 0;
  std::int64_t MaxValue = 0;
  // tkClass, tkInterface: the value is a component that lives elsewhere (stored by name), not
  // an owned part. Always so for an interface.
  bool IsComponentRef = false;
  // tkClass, tkInterface: the class or interface the property takes, for messages.
  std::string (*ClassName)() = nullptr;
  // A further condition for storing the property; none when nullptr.
  bool (*StoredIf)(TObject* Instance) = nullptr;

  std::int64_t (*GetOrd)(TObject* Instance) = nullptr;
  void (*SetOrd)(TObject* Instance, std::int64_t Value) = nullptr;
  double (*GetFloat)(TObject* Instance) = nullptr;
  void (*SetFloat)(TObject* Instance, double Value) = nullptr;
  std::string (*GetStr)(TObject* Instance) = nullptr;
  void (*SetStr)(TObject* Instance, const std::string& Value) = nullptr;
  TObject* (*GetObj)(TObject* Instance) = nullptr;
  bool (*SetObj)(TObject* Instance, TObject* Value) = nullptr;
  bool (*AcceptsObj)(TObject* Value) = nullptr;  // SetObj would take Value
  bool (*IsAssigned)(TObject* Instance) = nullptr;
  std::string (*GetEventName)(TObject* Instance) = nullptr;
  bool (*SetEvent)(TObject* Instance, const std::any* Handler, const std::string& Name) = nullptr;

  bool IsWritable() const noexcept { return SetOrd || SetFloat || SetStr || SetObj || SetEvent; }

  // The value not stored; it must be the value the object has when streaming creates it.
  template <typename T>
  TPropInfo Default(T Value) const {
    TPropInfo P = *this;
    P.Stored = srDefault;
    if constexpr (std::is_floating_point_v<T>) P.FloatDefault = static_cast<double>(Value);
    else if constexpr (std::is_convertible_v<T, std::string_view>) P.StrDefault = Value;
    else P.OrdDefault = static_cast<std::int64_t>(Value);
    return P;
  }
  TPropInfo NotStored() const {
    TPropInfo P = *this;
    P.Stored = srNever;
    return P;
  }
  TPropInfo StoredWhen(bool (*Condition)(TObject* Instance)) const {
    TPropInfo P = *this;
    P.StoredIf = Condition;
    return P;
  }
};

// A class's own published properties and the info of its base class (none for the root).
struct TARNWICK_PLATFORM_EXPORT TClassInfo {
  TClassInfo(const TClassInfo* AParent, std::span<const TPropInfo> AProperties) noexcept
      : Parent(AParent), Properties(AProperties) {}
  const TClassInfo* Parent;
  std::span<const TPropInfo> Properties;
};

// Every published property of Instance's class, inherited ones first, each in declared order.
TARNWICK_PLATFORM_EXPORT std::vector<const TPropInfo*> GetPropList(const TPersistent* Instance);
// The property called Name (ignoring ASCII case), or nullptr; the most derived one wins.
TARNWICK_PLATFORM_EXPORT const TPropInfo* GetPropInfo(const TPersistent* Instance, std::string_view Name);
// Raises EPropertyError SUnknownProperty when there is none.
TARNWICK_PLATFORM_EXPORT const TPropInfo& FindPropInfo(const TPersistent* Instance, std::string_view Name);

// Whether streaming writes the property: never for srNever, nor when its StoredIf condition
// says no; for a value kind with srDefault,
// when the value differs from the declared default; for an object, when it is assigned (an
// owned part decides itself what it writes); for an event, when a handler is assigned.
TARNWICK_PLATFORM_EXPORT bool IsStoredProp(TPersistent* Instance, const TPropInfo& Prop);

// Typed access. Each raises EPropertyError when the property is not of a fitting kind or
// cannot be written; the setters check ranges (the C++ type's range for integers, the values
// of an enumeration or set).
TARNWICK_PLATFORM_EXPORT std::int64_t GetOrdProp(TPersistent* Instance, const TPropInfo& Prop);
TARNWICK_PLATFORM_EXPORT void SetOrdProp(TPersistent* Instance, const TPropInfo& Prop, std::int64_t Value);
TARNWICK_PLATFORM_EXPORT double GetFloatProp(TPersistent* Instance, const TPropInfo& Prop);
TARNWICK_PLATFORM_EXPORT void SetFloatProp(TPersistent* Instance, const TPropInfo& Prop, double Value);
TARNWICK_PLATFORM_EXPORT std::string GetStrProp(TPersistent* Instance, const TPropInfo& Prop);
TARNWICK_PLATFORM_EXPORT void SetStrProp(TPersistent* Instance, const TPropInfo& Prop, const std::string& Value);
// For an interface property, the object that implements the interface.
TARNWICK_PLATFORM_EXPORT TObject* GetObjectProp(TPersistent* Instance, const TPropInfo& Prop);
// Value must be of the class the property takes, or implement its interface (or be nullptr).
TARNWICK_PLATFORM_EXPORT void SetObjectProp(TPersistent* Instance, const TPropInfo& Prop, TObject* Value);
// An enumeration's value by name.
TARNWICK_PLATFORM_EXPORT std::string GetEnumProp(TPersistent* Instance, const TPropInfo& Prop);
TARNWICK_PLATFORM_EXPORT void SetEnumProp(TPersistent* Instance, const TPropInfo& Prop, std::string_view Value);
// A set's values by name, in ordinal order.
TARNWICK_PLATFORM_EXPORT std::vector<std::string> GetSetProp(TPersistent* Instance, const TPropInfo& Prop);
TARNWICK_PLATFORM_EXPORT void SetSetProp(TPersistent* Instance, const TPropInfo& Prop,
                                         std::span<const std::string> Values);
// The same by property name.
TARNWICK_PLATFORM_EXPORT std::string GetStrProp(TPersistent* Instance, std::string_view Name);
TARNWICK_PLATFORM_EXPORT void SetStrProp(TPersistent* Instance, std::string_view Name, const std::string& Value);

// ---------------------------------------------------------------------------------------------
// Named event handlers.

namespace detail {
template <typename T>
struct TIsFunction : std::false_type {};
template <typename Sig>
struct TIsFunction<std::function<Sig>> : std::true_type {};

// A handler with the name under which streams store it.
template <typename F>
struct TNamedHandler {
  std::string Name;
  F Handler;
  template <typename... A>
  decltype(auto) operator()(A&&... Args) const {
    return Handler(std::forward<A>(Args)...);
  }
};
}  // namespace detail

// Handler, carrying Name so that streams can store the event that holds it.
template <typename F>
F NamedEvent(std::string Name, F Handler) {
  static_assert(detail::TIsFunction<F>::value, "an event is a std::function");
  if (!Handler) return F();
  if (const auto* Named = Handler.template target<detail::TNamedHandler<F>>())
    return F(detail::TNamedHandler<F>{std::move(Name), Named->Handler});
  return F(detail::TNamedHandler<F>{std::move(Name), std::move(Handler)});
}

// The name NamedEvent gave Handler; empty for a handler without one.
template <typename F>
std::string EventHandlerName(const F& Handler) {
  static_assert(detail::TIsFunction<F>::value, "an event is a std::function");
  const auto* Named = Handler.template target<detail::TNamedHandler<F>>();
  return Named != nullptr ? Named->Name : std::string();
}

// ---------------------------------------------------------------------------------------------
// Property descriptors from member functions.

namespace detail {

template <typename T>
struct TIsIntf : std::false_type {};
template <typename I>
struct TIsIntf<Intf<I>> : std::true_type {};

// What an object or interface property points to: T for T*, I for Intf<I>.
template <typename T>
struct TPointee {
  using Type = std::remove_cv_t<std::remove_pointer_t<T>>;
};
template <typename I>
struct TPointee<Intf<I>> {
  using Type = I;
};

template <typename T>
struct TIsSet : std::false_type {};
template <typename E>
struct TIsSet<TSet<E>> : std::true_type {
  using Enum = E;
};

template <typename M>
struct TGetterTraits;
template <typename C, typename R>
struct TGetterTraits<R (C::*)() const> {
  using Class = C;
  using Value = std::remove_cvref_t<R>;
};
template <typename C, typename R>
struct TGetterTraits<R (C::*)() const noexcept> : TGetterTraits<R (C::*)() const> {};
template <typename C, typename R>
struct TGetterTraits<R (C::*)()> : TGetterTraits<R (C::*)() const> {};
template <typename C, typename R>
struct TGetterTraits<R (C::*)() noexcept> : TGetterTraits<R (C::*)() const> {};

template <typename M>
struct TSetterTraits;
template <typename C, typename A>
struct TSetterTraits<void (C::*)(A)> {
  using Class = C;
  using Arg = std::remove_cvref_t<A>;
};
template <typename C, typename A>
struct TSetterTraits<void (C::*)(A) noexcept> : TSetterTraits<void (C::*)(A)> {};

template <typename V>
constexpr TTypeKind KindOf() {
  if constexpr (std::is_same_v<V, bool>) return tkBoolean;
  else if constexpr (std::is_enum_v<V>) return tkEnumeration;
  else if constexpr (TIsSet<V>::value) return tkSet;
  else if constexpr (std::is_integral_v<V>) return sizeof(V) <= 4 ? tkInteger : tkInt64;
  else if constexpr (std::is_floating_point_v<V>) return tkFloat;
  else if constexpr (std::is_same_v<V, std::string>) return tkString;
  else if constexpr (std::is_pointer_v<V>) return tkClass;
  else if constexpr (TIsIntf<V>::value) return tkInterface;
  else {
    static_assert(TIsFunction<V>::value, "a published property is an ordinal, a float, a string, an object or an event");
    return tkMethod;
  }
}

template <typename C>
C& InstanceAs(TObject* Instance) {
  auto* Result = dynamic_cast<C*>(Instance);
  if (Result == nullptr) RaiseInvalidCast();
  return *Result;
}

template <auto Getter, auto Setter>
struct TAccessors {
  using GetClass = typename TGetterTraits<decltype(Getter)>::Class;
  using V = typename TGetterTraits<decltype(Getter)>::Value;
  static constexpr bool kWritable = !std::is_null_pointer_v<decltype(Setter)>;

  static V Get(TObject* Instance) { return (InstanceAs<GetClass>(Instance).*Getter)(); }
  template <typename A>
  static void Set(TObject* Instance, A&& Value) {
    if constexpr (kWritable) {
      using SetClass = typename TSetterTraits<decltype(Setter)>::Class;
      (InstanceAs<SetClass>(Instance).*Setter)(std::forward<A>(Value));
    }
  }

  static std::int64_t GetOrd(TObject* Instance) {
    const V Value = Get(Instance);
    if constexpr (TIsSet<V>::value) {
      std::int64_t Bits = 0;
      for (int I = 0; I < 64; ++I)
        if (Value.Contains(static_cast<typename TIsSet<V>::Enum>(I))) Bits |= std::int64_t{1} << I;
      return Bits;
    } else {
      return static_cast<std::int64_t>(Value);
    }
  }
  static void SetOrd(TObject* Instance, std::int64_t Value) {
    if constexpr (TIsSet<V>::value) {
      V S;
      for (int I = 0; I < 64; ++I)
        if ((Value >> I) & 1) S.Include(static_cast<typename TIsSet<V>::Enum>(I));
      Set(Instance, S);
    } else if constexpr (std::is_same_v<V, bool>) {
      Set(Instance, Value != 0);
    } else {
      Set(Instance, static_cast<V>(Value));
    }
  }
  static double GetFloat(TObject* Instance) { return static_cast<double>(Get(Instance)); }
  static void SetFloat(TObject* Instance, double Value) { Set(Instance, static_cast<V>(Value)); }
  static std::string GetStr(TObject* Instance) { return Get(Instance); }
  static void SetStr(TObject* Instance, const std::string& Value) { Set(Instance, Value); }

  using Pointee = typename TPointee<V>::Type;
  static std::string ClassName() { return ClassNameOf(typeid(Pointee)); }
  static TObject* GetObj(TObject* Instance) {
    if constexpr (TIsIntf<V>::value) {
      const V Ref = Get(Instance);
      return Ref ? dynamic_cast<TObject*>(Ref.get()) : nullptr;
    } else {
      return const_cast<Pointee*>(static_cast<const Pointee*>(Get(Instance)));
    }
  }
  static bool AcceptsObj(TObject* Value) {
    using Target = typename TPointee<typename TSetterTraits<decltype(Setter)>::Arg>::Type;
    return Value == nullptr || dynamic_cast<Target*>(Value) != nullptr;
  }
  static bool SetObj(TObject* Instance, TObject* Value) {
    using Target = typename TPointee<typename TSetterTraits<decltype(Setter)>::Arg>::Type;
    Target* Typed = nullptr;
    if (Value != nullptr) {
      Typed = dynamic_cast<Target*>(Value);
      if (Typed == nullptr) return false;
    }
    Set(Instance, Typed);
    return true;
  }

  static bool IsAssigned(TObject* Instance) { return static_cast<bool>(Get(Instance)); }
  static std::string GetEventName(TObject* Instance) { return EventHandlerName(Get(Instance)); }
  static bool SetEvent(TObject* Instance, const std::any* Handler, const std::string& Name) {
    if (Handler == nullptr) {
      Set(Instance, V());
      return true;
    }
    const V* Typed = std::any_cast<V>(Handler);
    if (Typed == nullptr) return false;
    Set(Instance, NamedEvent(Name, *Typed));
    return true;
  }
};

template <auto Getter, auto Setter>
TPropInfo MakeProperty(std::string_view Name, const TEnumInfo* EnumType) {
  using A = TAccessors<Getter, Setter>;
  using V = typename A::V;
  constexpr bool W = A::kWritable;
  TPropInfo P;
  P.Name = Name;
  P.Kind = KindOf<V>();
  P.EnumType = EnumType;
  switch (P.Kind) {
    case tkInteger:
    case tkInt64:
      if constexpr (std::is_integral_v<V> && !std::is_same_v<V, bool>) {
        P.MinValue = static_cast<std::int64_t>(std::numeric_limits<V>::min());
        P.MaxValue = static_cast<std::int64_t>(std::min<std::uint64_t>(
            static_cast<std::uint64_t>(std::numeric_limits<V>::max()),
            static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())));
      }
      [[fallthrough]];
    case tkBoolean:
    case tkEnumeration:
    case tkSet:
      if constexpr (std::is_integral_v<V> || std::is_enum_v<V> || TIsSet<V>::value) {
        P.GetOrd = &A::GetOrd;
        if (W) P.SetOrd = &A::SetOrd;
      }
      break;
    case tkFloat:
      if constexpr (std::is_floating_point_v<V>) {
        P.GetFloat = &A::GetFloat;
        if (W) P.SetFloat = &A::SetFloat;
      }
      break;
    case tkString:
      if constexpr (std::is_same_v<V, std::string>) {
        P.GetStr = &A::GetStr;
        if (W) P.SetStr = &A::SetStr;
      }
      break;
    case tkClass:
      if constexpr (std::is_pointer_v<V>) {
        static_assert(std::is_base_of_v<TObject, typename A::Pointee>, "an object property holds a TObject");
        P.IsComponentRef = std::is_base_of_v<TComponent, typename A::Pointee>;
        P.ClassName = &A::ClassName;
        P.GetObj = &A::GetObj;
        if constexpr (W) {
          P.SetObj = &A::SetObj;
          P.AcceptsObj = &A::AcceptsObj;
        }
      }
      break;
    case tkInterface:
      if constexpr (TIsIntf<V>::value) {
        P.IsComponentRef = true;
        P.ClassName = &A::ClassName;
        P.GetObj = &A::GetObj;
        if constexpr (W) {
          P.SetObj = &A::SetObj;
          P.AcceptsObj = &A::AcceptsObj;
        }
      }
      break;
    case tkMethod:
      if constexpr (TIsFunction<V>::value) {
        P.IsAssigned = &A::IsAssigned;
        P.GetEventName = &A::GetEventName;
        if (W) P.SetEvent = &A::SetEvent;
      }
      break;
  }
  return P;
}

}  // namespace detail

// A property read through Getter and written through Setter (nullptr: read-only).
template <auto Getter, auto Setter>
TPropInfo Property(std::string_view Name) {
  using V = typename detail::TGetterTraits<decltype(Getter)>::Value;
  static_assert(!std::is_enum_v<V> && !detail::TIsSet<V>::value, "an enumeration or set property needs its TEnumInfo");
  return detail::MakeProperty<Getter, Setter>(Name, nullptr);
}

// An enumeration or set property, with the names of the enumeration's values.
template <auto Getter, auto Setter>
TPropInfo Property(std::string_view Name, const TEnumInfo& EnumType) {
  using V = typename detail::TGetterTraits<decltype(Getter)>::Value;
  static_assert(std::is_enum_v<V> || detail::TIsSet<V>::value, "only enumerations and sets have value names");
  return detail::MakeProperty<Getter, Setter>(Name, &EnumType);
}

}  // namespace tarnwick

#endif  // TARNWICK_PLATFORM_TYPINFO_H_
