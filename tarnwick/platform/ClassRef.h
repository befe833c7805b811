// A class reference: a value that names a class by what it can do with it, namely create an
// instance through the class's virtual constructor and tell whether an object is of that class.
#ifndef TARNWICK_PLATFORM_CLASSREF_H_
#define TARNWICK_PLATFORM_CLASSREF_H_

#include <type_traits>
#include <typeinfo>

namespace tarnwick {

class TObject;

// TClassOf<Base, Args...>::Of<Derived>() refers to Derived, which must be constructible from
// Args and derive from Base. Two references are equal when they name the same class.
template <typename Base, typename... Args>
class TClassOf {
 public:
  using CreateFunc = TObject* (*)(Args...);
  using TestFunc = bool (*)(const TObject*);

  constexpr TClassOf() noexcept = default;

  // A reference to a class of a narrower family is also one of the wider family.
  template <typename Narrower, std::enable_if_t<std::is_base_of_v<Base, Narrower> &&
                                                    !std::is_same_v<Base, Narrower>, int> = 0>
  constexpr TClassOf(const TClassOf<Narrower, Args...>& Other) noexcept
      : FCreate(Other.FCreate), FTest(Other.FTest), FType(Other.FType) {}

  template <typename Derived>
  static TClassOf Of() noexcept {
    return TClassOf(&CreateImpl<Derived>, &TestImpl<Derived>, &typeid(Derived));
  }

  bool IsAssigned() const noexcept { return FCreate != nullptr; }
  explicit operator bool() const noexcept { return IsAssigned(); }

  // A new instance; ownership goes wherever the class's constructor puts it (an item joins the
  // collection it is given, a component its owner), else to the caller.
  Base* Create(Args... A) const { return static_cast<Base*>(FCreate(A...)); }

  // True when Obj is of this class or a descendant of it.
  bool IsInstance(const TObject* Obj) const { return Obj != nullptr && FTest(Obj); }

  const std::type_info& Type() const noexcept { return *FType; }

  friend bool operator==(const TClassOf& L, const TClassOf& R) noexcept {
    return L.FType == R.FType || (L.FType && R.FType && *L.FType == *R.FType);
  }

 private:
  constexpr TClassOf(CreateFunc C, TestFunc T, const std::type_info* Ty) noexcept
      : FCreate(C), FTest(T), FType(Ty) {}

  template <typename, typename...>
  friend class TClassOf;

  template <typename Derived>
  static TObject* CreateImpl(Args... A) {
    return static_cast<Base*>(new Derived(A...));
  }
  template <typename Derived>
  static bool TestImpl(const TObject* Obj) {
    return dynamic_cast<const Derived*>(Obj) != nullptr;
  }

  CreateFunc FCreate = nullptr;
  TestFunc FTest = nullptr;
  const std::type_info* FType = nullptr;
};

}  // namespace tarnwick

#endif  // TARNWICK_PLATFORM_CLASSREF_H_
