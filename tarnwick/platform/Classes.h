// The root of the platform classes and the owned collection.
//
// TObject names its class and gives a text form; TPersistent adds assignment between objects.
// TCollection owns TCollectionItem objects. Its notification protocol is what the model's change
// chain is built on, so it is fixed here:
//   - Insertion (an item constructed with a collection, Add, Insert, SetCollection to a new one):
//     the item is linked, then Notify(Item, cnAdded), then Changed() (Update(nullptr) unless an
//     update block is open).
//   - Removal by any path (delete item, Delete, Clear, SetCollection elsewhere or to nullptr):
//     Notify(Item, cnExtracting) while the item is still linked, then it is unlinked, then
//     Changed(). Delete sends Notify(Item, cnDeleting) first.
//   - An item's own change (TCollectionItem::Changed(false)) calls Update(Item) unless an update
//     block is open; Changed(true) and a move (SetIndex) call Update(nullptr) likewise.
//   - Update blocks nest; they hold back change reports, never notifications. Ending the
//     outermost block calls Update(nullptr) once.
// Items join while they are being constructed, when only the class doing the joining is built,
// so joining does not check an item against the collection's item class.
#ifndef TARNWICK_PLATFORM_CLASSES_H_
#define TARNWICK_PLATFORM_CLASSES_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>
#include <memory>
#include <span>
#include <string>
#include <type_traits>
#include <typeinfo>
#include <vector>

#include "tarnwick/platform/ClassRef.h"
#include "tarnwick/platform/Export.h"
#include "tarnwick/platform/ResStrings.h"
#include "tarnwick/platform/ScopeGuard.h"
#include "tarnwick/platform/Types.h"

namespace tarnwick {

class TCollectionItem;
class TFiler;
struct TClassInfo;

namespace detail {

// Room for the item list of a collection and for other short lists that live as long as one.
// Most collections (the points of a set above all) hold a handful of items and are made and
// dropped by the thousand while rules fire. A list starts with room for kFirstItems items:
// rooms of up to twice that size come from the thread's block caches (platform/detail/
// BlockCache.h) instead of the allocator, larger ones from the allocator.
inline constexpr std::size_t kFirstItems = 8;
inline constexpr std::size_t kCachedItemRoom = kFirstItems * sizeof(TCollectionItem*);
TARNWICK_PLATFORM_EXPORT void* AllocateItemRoom(std::size_t Bytes);
TARNWICK_PLATFORM_EXPORT void ReleaseItemRoom(void* Room, std::size_t Bytes) noexcept;

template <typename T>
struct TItemRoomAllocator {
  using value_type = T;
  TItemRoomAllocator() noexcept = default;
  template <typename U>
  TItemRoomAllocator(const TItemRoomAllocator<U>&) noexcept {}  // NOLINT: converts like std::allocator
  T* allocate(std::size_t N) { return static_cast<T*>(AllocateItemRoom(N * sizeof(T))); }
  void deallocate(T* Room, std::size_t N) noexcept { ReleaseItemRoom(Room, N * sizeof(T)); }
  friend bool operator==(TItemRoomAllocator, TItemRoomAllocator) noexcept { return true; }
};

// The item list of a collection: values in one block of room, with room kept at both ends. A
// value moved to the front shifts nothing (points added in falling order are each moved there
// from the back), one moved or taken elsewhere shifts the fewer values. Where the end that
// needs room has none, the values move to the middle of the room if the other end has room for
// more than half as many again; otherwise into room twice as large, all of the new room at that
// end. So that end then has room for a quarter of the values or more, and the moves cost a
// constant per insertion over time, whichever end it is.
template <typename T, typename TAllocator>
class TItemVector {
  static_assert(std::is_trivially_copyable_v<T>, "values are moved as bytes");

 public:
  using value_type = T;
  using size_type = std::size_t;
  using iterator = T*;
  using const_iterator = const T*;

  TItemVector() noexcept = default;
  TItemVector(const TItemVector&) = delete;
  TItemVector& operator=(const TItemVector&) = delete;
  ~TItemVector() {
    if (FRoom != nullptr) TAllocator().deallocate(FRoom, capacity());
  }

  size_type size() const noexcept { return static_cast<size_type>(FEnd - FBegin); }
  bool empty() const noexcept { return FBegin == FEnd; }
  // All the room, at both ends and between.
  size_type capacity() const noexcept { return static_cast<size_type>(FRoomEnd - FRoom); }
  T* data() noexcept { return FBegin; }
  const T* data() const noexcept { return FBegin; }
  T* begin() noexcept { return FBegin; }
  T* end() noexcept { return FEnd; }
  const T* begin() const noexcept { return FBegin; }
  const T* end() const noexcept { return FEnd; }
  T& operator[](size_type Index) noexcept { return FBegin[Index]; }
  const T& operator[](size_type Index) const noexcept { return FBegin[Index]; }
  T& back() noexcept { return FEnd[-1]; }

  // Room for Count values in all, the values at its start.
  void reserve(size_type Count) {
    if (Count > capacity()) Relocate(Count, 0);
  }
  void push_back(T Value) {
    if (FEnd == FRoomEnd) MakeRoom(false);
    *FEnd++ = Value;
  }
  void pop_back() noexcept { --FEnd; }

  T* erase(const T* Position) noexcept {
    const auto Index = static_cast<size_type>(Position - FBegin);
    const size_type After = size() - Index - 1;
    if (Index < After) {
      std::memmove(FBegin + 1, FBegin, Index * sizeof(T));
      ++FBegin;
    } else {
      std::memmove(FBegin + Index, FBegin + Index + 1, After * sizeof(T));
      --FEnd;
    }
    return FBegin + Index;
  }
  // Moves the value at From to To, the values between moving one place. A value moved towards
  // the front that passes more values than lie outside the two places moves the outer ones
  // instead, into room at the front (made first where there is none). Throws only where that
  // room cannot be had, and then before anything has moved.
  void move(size_type From, size_type To) {
    if (To >= From) {
      std::rotate(FBegin + From, FBegin + From + 1, FBegin + To + 1);
      return;
    }
    const size_type After = size() - From - 1;
    if (To + After >= From - To) {
      std::rotate(FBegin + To, FBegin + From, FBegin + From + 1);
      return;
    }
    if (FBegin == FRoom) MakeRoom(true);
    const T Value = FBegin[From];
    std::memmove(FBegin - 1, FBegin, To * sizeof(T));
    std::memmove(FBegin + From, FBegin + From + 1, After * sizeof(T));
    --FBegin;
    --FEnd;
    FBegin[To] = Value;
  }
  // Takes out [First, Last), the values after it moving up.
  T* erase(const T* First, const T* Last) noexcept {
    const auto Index = static_cast<size_type>(First - FBegin);
    const auto After = static_cast<size_type>(FEnd - Last);
    if (After != 0) std::memmove(FBegin + Index, Last, After * sizeof(T));  // a list never given room has no place
    FEnd = FBegin + Index + After;
    return FBegin + Index;
  }

 private:
  [[gnu::noinline]] void MakeRoom(bool AtFront) {
    const size_type Count = size();
    const size_type Free = capacity() - Count;
    if (Free > Count / 2) {
      const size_type Front = AtFront ? Free - Free / 2 : Free / 2;
      T* const To = FRoom + Front;
      std::memmove(To, FBegin, Count * sizeof(T));
      FBegin = To;
      FEnd = To + Count;
      return;
    }
    const size_type Capacity = std::max<size_type>(2 * capacity(), 4);
    Relocate(Capacity, AtFront ? Capacity - Count : 0);
  }
  void Relocate(size_type Capacity, size_type Front) {
    const size_type Count = size();
    T* const Room = TAllocator().allocate(Capacity);
    if (Count != 0) std::memcpy(Room + Front, FBegin, Count * sizeof(T));
    if (FRoom != nullptr) TAllocator().deallocate(FRoom, capacity());
    FRoom = Room;
    FRoomEnd = Room + Capacity;
    FBegin = Room + Front;
    FEnd = FBegin + Count;
  }

  T* FRoom = nullptr;
  T* FRoomEnd = nullptr;
  T* FBegin = nullptr;
  T* FEnd = nullptr;
};

}  // namespace detail

class TARNWICK_PLATFORM_EXPORT TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject();

  // The class name without its namespace, such as "TFuzzySet".
  std::string ClassName() const;
  virtual std::string ToString() const;
};

class TARNWICK_PLATFORM_EXPORT TPersistent : public TObject {
 public:
  ~TPersistent() override;

  // Copies Source into this object. The default hands the work to Source->AssignTo(this), so
  // that either side can know how to copy; nobody knowing raises EConvertError.
  virtual void Assign(const TPersistent* Source);

  // Hook for custom stream values of component streaming; nothing by default.
  virtual void DefineProperties(TFiler* Filer);

  // The published properties of this object's class (TypInfo.h); none by default. A class that
  // publishes properties overrides it and defines its table in a source file.
  virtual const TClassInfo* ClassInfo() const;

 protected:
  virtual void AssignTo(TPersistent* Dest) const;
  virtual TPersistent* GetOwner() const;

 private:
  [[noreturn]] void AssignError(const TPersistent* Source) const;
};

// The name of a class without its namespace, as TObject::ClassName gives it.
TARNWICK_PLATFORM_EXPORT std::string ClassNameOf(const std::type_info& Type);

// Raises EConvertError "Cannot assign a <source class> to a <dest class>".
[[noreturn]] TARNWICK_PLATFORM_EXPORT void RaiseAssignError(const TObject* Source, const TObject* Dest);
[[noreturn]] TARNWICK_PLATFORM_EXPORT void RaiseListError(const TResString& Msg, std::int32_t Index);
[[noreturn]] TARNWICK_PLATFORM_EXPORT void RaiseInvalidCast();

// Whether Obj is an object of exactly the class Class, told by the address of its type
// information alone, without searching the class hierarchy: the check of the paths that run per
// point, per item or per token, each of which has a general way for every other object (also for
// one whose class's type information was not merged into one across libraries).
template <typename U>
bool IsExactClass(const U& Obj, const std::type_info& Class) noexcept {
  return &typeid(Obj) == &Class;
}

// dynamic_cast<T*>(Obj) that recognises an object of exactly class T by IsExactClass; any other
// object takes the full cast.
template <typename T, typename U>
T* ExactClassCast(U* Obj) noexcept {
  if (Obj != nullptr && IsExactClass(*Obj, typeid(T))) return static_cast<T*>(Obj);
  return dynamic_cast<T*>(Obj);
}

// The object of exactly class T behind the interface (or base) pointer Intf, else nullptr. The
// whole object's address is read from its vtable (dynamic_cast to void*), so no cast searches
// the class hierarchy, which a virtual interface base would otherwise make every cast do.
template <typename T, typename I>
T* ExactClassObject(I* Intf) noexcept {
  if (Intf == nullptr || !IsExactClass(*Intf, typeid(T))) return nullptr;
  using TWhole = std::conditional_t<std::is_const_v<I>, const void, void>;
  return static_cast<T*>(dynamic_cast<TWhole*>(Intf));
}

// Checked downcast: nullptr stays nullptr, an object of another class raises EInvalidCast.
template <typename T, typename U>
T* CheckedCast(U* Obj) {
  if (Obj == nullptr) return nullptr;
  T* Result = ExactClassCast<T>(Obj);
  if (Result == nullptr) RaiseInvalidCast();
  return Result;
}

// Every kind of notice that an owned or a generic collection sends about one of its items.
enum TCollectionNotification : std::uint8_t { cnAdded, cnRemoved, cnExtracted, cnExtracting, cnDeleting };

class TCollection;
class TCollectionItem;
using TCollectionItemClass = TClassOf<TCollectionItem, TCollection*>;

class TARNWICK_PLATFORM_EXPORT TCollectionItem : public TPersistent {
 public:
  // Joins Collection (none allowed) as the last step of construction. Inline: most items are
  // made without a collection and join once their own class is built.
  explicit TCollectionItem(TCollection* Collection) {
    if (Collection != nullptr) SetCollection(Collection);
  }
  // Leaves the collection first; a descendant whose removal notice must see it whole leaves in
  // its own destructor (SetCollection(nullptr)).
  ~TCollectionItem() override;

  TCollection* GetCollection() const noexcept { return FCollection; }
  // Leaves the current collection (reported as extracting) and joins Value (reported as added).
  virtual void SetCollection(TCollection* Value);

  std::int32_t GetID() const noexcept { return FID; }
  std::int32_t GetIndex() const;
  virtual void SetIndex(std::int32_t Value);

  virtual std::string GetDisplayName() const;
  virtual void SetDisplayName(const std::string& Value);

 protected:
  // Reports a change of this item (AllItems false) or of the whole collection (true).
  void Changed(bool AllItems);
  // For constructors of descendants: joins Value (not nullptr) from no collection, as
  // SetCollection does, without a call into this library.
  void JoinCollection(TCollection* Value);

 private:
  friend class TCollection;
  TCollection* FCollection = nullptr;
  std::int32_t FID = 0;
};

class TCollectionEnumerator;

class TARNWICK_PLATFORM_EXPORT TCollection : public TPersistent {
 public:
  explicit TCollection(TCollectionItemClass ItemClass) : FItemClass(ItemClass) {}
  ~TCollection() override;

  // The items in order (GetItemList), in room taken as detail::TItemRoomAllocator gives it.
  using TItemList = detail::TItemVector<TCollectionItem*, detail::TItemRoomAllocator<TCollectionItem*>>;

  TCollectionItem* Add();
  TCollectionItem* Insert(std::int32_t Index);
  void Delete(std::int32_t Index);
  virtual void Clear();
  void Assign(const TPersistent* Source) override;

  virtual void BeginUpdate();
  virtual void EndUpdate();
  std::int32_t GetUpdateCount() const noexcept { return FUpdateCount; }

  std::int32_t GetCount() const noexcept { return static_cast<std::int32_t>(FItems.size()); }
  // Inline, as every point read goes through it; the error is raised out of line.
  TCollectionItem* GetItem(std::int32_t Index) const {
    if (Index < 0 || Index >= GetCount()) RaiseListError(SListIndexError, Index);
    return FItems[static_cast<std::size_t>(Index)];
  }
  void SetItem(std::int32_t Index, const TCollectionItem* Value);
  TCollectionItem* FindItemID(std::int32_t ID) const;
  // The position of Item, or -1.
  std::int32_t IndexOfItem(const TCollectionItem* Item) const noexcept;

  const TCollectionItemClass& GetItemClass() const noexcept { return FItemClass; }
  std::unique_ptr<TCollectionEnumerator> GetEnumerator() const;

  // Range-for over the items in order (the collection must not change meanwhile).
  auto begin() const noexcept { return FItems.begin(); }
  auto end() const noexcept { return FItems.end(); }

 protected:
  // Both hooks are empty and inline, so that a descendant's call on to them costs nothing.
  // Called with every notice about an item (see the file comment); nothing by default.
  virtual void Notify(TCollectionItem* /*Item*/, TCollectionNotification /*Action*/) {}
  // Called with every change report: Item for one item's change, nullptr for the whole.
  virtual void Update(TCollectionItem* /*Item*/) {}
  // Reports a change of the whole collection unless an update block is open.
  void Changed() {
    if (FUpdateCount == 0) Update(nullptr);
  }
  // For destructors of descendants that react to removal notices: frees every item (last
  // first) while this object is still whole, inside an update block that is never closed, so
  // that the notices arrive and no change is reported.
  void DestroyItems();
  // The same for the destructor of a descendant whose notices are of no use any more (its own
  // Notify and its bases' keep nothing that outlives it): an item of exactly class QuietClass
  // leaves without them, so that a list of thousands of such items goes in one pass.
  void DestroyItemsQuietly(const std::type_info& QuietClass) noexcept;
  // For descendants that know what the notices about items of exactly class QuietClass would
  // do, and do it themselves: frees every item, last first, those of QuietClass without notices,
  // the others as Clear frees them. Reports nothing.
  void FreeItemsQuietly(const std::type_info& QuietClass) noexcept;
  // For descendants that reorder many items at once: the items in order. A descendant may
  // permute it (inside an update block, reporting the change itself), never add or drop.
  TItemList& GetItemList() noexcept { return FItems; }
  // For descendants that drop many items at once: deletes each of Gone (items of this
  // collection, each once) as Delete would, in that order, with the same notices, but takes
  // them out of the item list in one pass; the change is reported once.
  void DeleteItems(std::span<TCollectionItem* const> Gone);
  // For descendants that leave out items nobody could have seen made and freed: the IDs those
  // items would have taken are taken all the same, so that the next items get the IDs they
  // would have got.
  void SkipIDs(std::int32_t Count) noexcept { FNextID += Count; }

 private:
  friend class TCollectionItem;
  // Inline (below), as every new point joins through it.
  void InsertItem(TCollectionItem* Item);
  [[gnu::cold]] void ReserveFirstRoom();
  void RemoveItem(TCollectionItem* Item);
  void MoveItem(std::int32_t CurIndex, std::int32_t NewIndex);

  TCollectionItemClass FItemClass;
  TItemList FItems;
  std::int32_t FUpdateCount = 0;
  std::int32_t FNextID = 0;
};

// Inline: every property setter of every item reports through it.
inline void TCollectionItem::Changed(bool AllItems) {
  if (FCollection != nullptr && FCollection->FUpdateCount == 0) FCollection->Update(AllItems ? nullptr : this);
}

inline void TCollectionItem::JoinCollection(TCollection* Value) { Value->InsertItem(this); }

inline void TCollection::InsertItem(TCollectionItem* Item) {
  // Room for a few items at once: most collections (the points of a set above all) stay small,
  // and growing one slot at a time would allocate at the first, second and third item.
  if (FItems.capacity() == 0) ReserveFirstRoom();
  FItems.push_back(Item);
  Item->FCollection = this;
  Item->FID = FNextID++;
  Notify(Item, cnAdded);
  Changed();
}

// A collection that names the persistent object it belongs to.
class TARNWICK_PLATFORM_EXPORT TOwnedCollection : public TCollection {
 public:
  TOwnedCollection(TPersistent* Owner, TCollectionItemClass ItemClass) : TCollection(ItemClass), FOwner(Owner) {}
  ~TOwnedCollection() override;

 protected:
  TPersistent* GetOwner() const override;

 private:
  TPersistent* FOwner;
};

// Walks a collection's items in order. The caller owns it.
class TARNWICK_PLATFORM_EXPORT TCollectionEnumerator : public TObject {
 public:
  explicit TCollectionEnumerator(const TCollection* Collection) noexcept;
  ~TCollectionEnumerator() override;
  TCollectionItem* GetCurrent() const;
  bool MoveNext();

 private:
  const TCollection* FCollection;
  std::int32_t FIndex = -1;
};

// Opens an update block on construction and closes it on every way out. When the block ends
// while an exception is already unwinding, an error from EndUpdate is dropped: the first wins.
//
// Only the EndUpdate that closes a target's outermost block reports the change, so only it can
// raise. A block opened inside another block of the same target (a target with GetUpdateCount)
// therefore does not take the number of exceptions in flight when it begins, which costs a call
// into the C++ runtime; should its end raise after all (a descendant's EndUpdate), the error goes
// on only when no other exception is in flight.
template <typename T>
class TUpdateBlock {
 public:
  explicit TUpdateBlock(T& Target)
      : FTarget(Target), FUncaught(IsNested(Target) ? kNested : std::uncaught_exceptions()) {
    Target.BeginUpdate();
  }
  ~TUpdateBlock() noexcept(false) {
    try {
      FTarget.EndUpdate();
    } catch (...) {
      // The handler's own exception no longer counts: this is the count the scope ends with.
      const int Uncaught = std::uncaught_exceptions();
      if (Uncaught == (FUncaught == kNested ? 0 : FUncaught)) throw;
    }
  }
  TUpdateBlock(const TUpdateBlock&) = delete;
  TUpdateBlock& operator=(const TUpdateBlock&) = delete;

 private:
  static constexpr int kNested = -1;
  static bool IsNested(const T& Target) noexcept {
    if constexpr (requires { Target.GetUpdateCount(); }) return Target.GetUpdateCount() > 0;
    else return false;
  }
  T& FTarget;
  int FUncaught;
};

// Runs Body inside an update block of Target, as a scope holding a TUpdateBlock would: the block
// ends on every way out, and an error of its end is dropped when Body raised (the first error
// wins). The block's scope being one call, no count of the exceptions in flight is needed
// (TryFinally), so the paths that run per rule take this form.
template <typename T, typename TBody>
void InUpdateBlock(T& Target, TBody&& Body) {
  Target.BeginUpdate();
  TryFinally(Body, [&Target] { Target.EndUpdate(); });
}

}  // namespace tarnwick

#endif  // TARNWICK_PLATFORM_CLASSES_H_
