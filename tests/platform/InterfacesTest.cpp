// Counted interfaces: lifetimes, queries between interfaces of one object, the two ways of
// mixing the implementation in, and weak references.
#include "tarnwick/platform/Interfaces.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "TestSupport.h"
#include "tarnwick/platform/Exceptions.h"

namespace tarnwick {
namespace {

using test::CountingTest;
using test::gAlive;
using test::MessageOf;
using test::TCounted;

class IBase : public virtual IInterface {
 public:
  static constexpr TGUID IID = MakeGUID("{6A1C3E52-0B7D-4F29-9C1E-2D4B5A6F7081}");
  virtual int BaseValue() = 0;

 protected:
  ~IBase() = default;
};

class IDerived : public virtual IBase {
 public:
  static constexpr TGUID IID = MakeGUID("{C0F1A2B3-4D5E-4F60-8172-93A4B5C6D7E8}");
  virtual int DerivedValue() = 0;

 protected:
  ~IDerived() = default;
};

class IOther : public virtual IInterface {
 public:
  static constexpr TGUID IID = MakeGUID("{11223344-5566-4788-99AA-BBCCDDEEFF00}");
  virtual int OtherValue() = 0;

 protected:
  ~IOther() = default;
};

constexpr TGUID IID_Unknown = MakeGUID("{DEADBEEF-0000-4000-8000-000000000001}");

// Implements the base interface only; counted, so that a test sees the exact moment an object
// dies.
class TBaseImpl : public TCounted<TInterfacedObject>, public virtual IBase {
 public:
  int BaseValue() override { return 1; }

 protected:
  void* GetInterface(const TGUID& IID) noexcept override {
    if (void* P = GetInterfaceOf<IBase>(this, IID)) return P;
    return TInterfacedObject::GetInterface(IID);
  }
};

// Implements the derived interface on top of a base that implements the base interface, and
// an unrelated one beside it.
class TDerivedImpl : public TBaseImpl, public virtual IDerived, public virtual IOther {
 public:
  int DerivedValue() override { return 2; }
  int OtherValue() override { return 3; }

 protected:
  void* GetInterface(const TGUID& IID) noexcept override {
    if (void* P = GetInterfaceOf<IDerived, IOther>(this, IID)) return P;
    return TBaseImpl::GetInterface(IID);
  }
};

// A class whose TObject base knows nothing of interfaces, with the counting mixed in beside it.
class TPlainBase : public TObject {
 public:
  int Plain() const { return 10; }
};

class TMixedImpl : public TPlainBase, public TInterfacedMixin, public virtual IDerived {
 public:
  TMixedImpl() { ++gAlive; }
  ~TMixedImpl() override { --gAlive; }
  int BaseValue() override { return 11; }
  int DerivedValue() override { return 12; }

 protected:
  void* GetInterface(const TGUID& IID) noexcept override {
    if (void* P = GetInterfaceOf<IDerived, IBase>(this, IID)) return P;
    return TInterfacedMixin::GetInterface(IID);
  }
};

// An implementation written by hand, not built on TInterfaceBase.
class TForeign : public IOther {
 public:
  HRESULT QueryInterface(const TGUID& IID, void** Obj) noexcept override {
    if (IID == IInterface::IID || IID == IOther::IID) {
      *Obj = static_cast<IOther*>(this);
      AddRef();
      return S_OK;
    }
    *Obj = nullptr;
    return E_NOINTERFACE;
  }
  std::int32_t AddRef() noexcept override { return ++Refs; }
  std::int32_t Release() noexcept override { return --Refs; }
  int OtherValue() override { return 4; }
  int Refs = 0;
};

using InterfacesTest = CountingTest;

TEST_F(InterfacesTest, ObjectDiesExactlyWithItsLastReference) {
  auto* Raw = new TDerivedImpl;
  EXPECT_EQ(Raw->GetRefCount(), 0);
  Intf<IBase> A(Raw);
  EXPECT_EQ(Raw->GetRefCount(), 1);
  {
    Intf<TDerivedImpl> Concrete(Raw);  // a class pointer counts the same way
    Intf<IBase> B = A;
    Intf<IDerived> C = QueryIntf<IDerived>(A);
    EXPECT_EQ(Raw->GetRefCount(), 4);
    Intf<IBase> Moved = std::move(B);
    EXPECT_FALSE(B);
    EXPECT_EQ(Raw->GetRefCount(), 4);
  }
  EXPECT_EQ(Raw->GetRefCount(), 1);
  Intf<IBase>& Alias = A;
  A = Alias;  // self-assignment keeps the object
  EXPECT_EQ(gAlive, 1);
  Intf<IBase> Last = std::exchange(A, nullptr);
  EXPECT_EQ(gAlive, 1);
  Last.reset(new TBaseImpl);  // the new one is taken before the old one goes
  EXPECT_EQ(gAlive, 1);
  EXPECT_EQ(Last->BaseValue(), 1);
  Last = nullptr;
  EXPECT_EQ(gAlive, 0);
}

TEST_F(InterfacesTest, DerivedInterfaceOnTopOfABaseThatImplementsTheBaseInterface) {
  Intf<IDerived> D(new TDerivedImpl);
  EXPECT_EQ(D->BaseValue(), 1);  // TBaseImpl's implementation serves IDerived's IBase part
  EXPECT_EQ(D->DerivedValue(), 2);

  Intf<IBase> Up = D;  // plain upcast, no query
  Intf<IBase> Queried = QueryIntf<IBase>(D);
  EXPECT_EQ(Up, Queried);
  Intf<IDerived> Back = AsIntf<IDerived>(Up);
  EXPECT_EQ(Back, D);
}

TEST_F(InterfacesTest, QueryBetweenTwoInterfacesOfOneObject) {
  Intf<IBase> Base(new TDerivedImpl);
  Intf<IOther> Other = QueryIntf<IOther>(Base);
  ASSERT_TRUE(Other);
  EXPECT_EQ(Other->OtherValue(), 3);
  Intf<IBase> Again = QueryIntf<IBase>(Other);
  EXPECT_EQ(Again, Base);
  // One identity: both give the same IInterface.
  EXPECT_EQ(QueryIntf<IInterface>(Base), QueryIntf<IInterface>(Other));

  Intf<IBase> OnlyBase(new TBaseImpl);
  EXPECT_FALSE(QueryIntf<IOther>(OnlyBase));
  EXPECT_FALSE(Supports(OnlyBase, IDerived::IID));
  EXPECT_TRUE(Supports(Base, IDerived::IID));
  EXPECT_FALSE(QueryIntf<IOther>(static_cast<IInterface*>(nullptr)));
}

TEST_F(InterfacesTest, QueryInterfaceResults) {
  Intf<IBase> Base(new TDerivedImpl);
  void* Out = reinterpret_cast<void*>(&Out);
  EXPECT_EQ(Base->QueryInterface(IID_Unknown, &Out), E_NOINTERFACE);
  EXPECT_EQ(Out, nullptr);
  EXPECT_EQ(Base->QueryInterface(IOther::IID, &Out), S_OK);
  ASSERT_NE(Out, nullptr);
  Intf<IOther> Adopted = Intf<IOther>::adopt(static_cast<IOther*>(Out));  // already counted
  EXPECT_EQ(Adopted->OtherValue(), 3);
  EXPECT_EQ(static_cast<std::uint32_t>(E_NOINTERFACE), 0x80004002u);
}

TEST_F(InterfacesTest, AsIntfRaisesWhenUnsupported) {
  Intf<IBase> OnlyBase(new TBaseImpl);
  EXPECT_EQ(MessageOf<EIntfCastError>([&] { AsIntf<IOther>(OnlyBase); }), "Interface not supported");
  EXPECT_FALSE(AsIntf<IOther>(static_cast<IBase*>(nullptr)));  // nil casts to nil
  TPlainBase Plain;
  EXPECT_EQ(MessageOf<EIntfCastError>([&] { AsIntf<IBase>(static_cast<TObject*>(&Plain)); }),
            "Interface not supported");
}

TEST_F(InterfacesTest, SupportsWithoutOutCountsNothing) {
  // Asking an object nobody holds yet must not free it.
  auto* Raw = new TDerivedImpl;
  EXPECT_TRUE(Supports(Raw, IOther::IID));
  EXPECT_FALSE(Supports(Raw, IID_Unknown));
  EXPECT_EQ(Raw->GetRefCount(), 0);
  EXPECT_EQ(gAlive, 1);

  void* Out = nullptr;
  ASSERT_TRUE(Supports(static_cast<IBase*>(Raw), IOther::IID, &Out));
  EXPECT_EQ(Raw->GetRefCount(), 1);
  Intf<IOther> Owner = Intf<IOther>::adopt(static_cast<IOther*>(Out));
  Owner.reset();
  EXPECT_EQ(gAlive, 0);
}

TEST_F(InterfacesTest, SupportsOnAnObject) {
  Intf<IBase> Keep(new TDerivedImpl);
  TObject* AsObject = dynamic_cast<TObject*>(Keep.get());
  ASSERT_NE(AsObject, nullptr);
  EXPECT_TRUE(Supports(AsObject, IOther::IID));
  Intf<IOther> Other = QueryIntf<IOther>(AsObject);
  ASSERT_TRUE(Other);
  EXPECT_EQ(Other->OtherValue(), 3);

  TPlainBase Plain;
  EXPECT_FALSE(Supports(static_cast<TObject*>(&Plain), IInterface::IID));
  EXPECT_FALSE(QueryIntf<IBase>(static_cast<TObject*>(&Plain)));
}

TEST_F(InterfacesTest, ImplementationMixedInBesideAnotherBase) {
  auto* Raw = new TMixedImpl;
  Intf<IDerived> D(Raw);
  EXPECT_EQ(Raw->GetRefCount(), 1);
  EXPECT_EQ(D->BaseValue(), 11);
  Intf<IBase> B = QueryIntf<IBase>(D);
  EXPECT_EQ(B->BaseValue(), 11);
  EXPECT_EQ(Raw->Plain(), 10);
  EXPECT_TRUE(Supports(static_cast<TObject*>(Raw), IDerived::IID));

  WeakIntf<IBase> Weak = B;
  D.reset();
  EXPECT_TRUE(Weak.lock());
  B.reset();
  EXPECT_EQ(gAlive, 0);
  EXPECT_FALSE(Weak.lock());
}

TEST_F(InterfacesTest, ForeignImplementation) {
  TForeign Foreign;
  EXPECT_TRUE(Supports(&Foreign, IOther::IID));
  EXPECT_EQ(Foreign.Refs, 0);  // asked with counting, and given back
  {
    Intf<IOther> Other = QueryIntf<IOther>(static_cast<IInterface*>(&Foreign));
    EXPECT_EQ(Foreign.Refs, 1);
  }
  EXPECT_EQ(Foreign.Refs, 0);
  // Nothing to hang a weak block on.
  EXPECT_EQ(MessageOf<EIntfCastError>([&] { WeakIntf<IOther> W(&Foreign); }), "Interface not supported");
}

TEST_F(InterfacesTest, WeakReferenceEmptiesWhenTheTargetDies) {
  Intf<IDerived> Strong(new TDerivedImpl);
  WeakIntf<IDerived> Weak = Strong;
  WeakIntf<IDerived> Copy = Weak;
  WeakIntf<IBase> Converted = Weak;
  WeakIntf<IDerived> Moved = std::move(Copy);
  EXPECT_TRUE(Copy.expired());

  EXPECT_EQ(Weak.lock(), Strong);
  EXPECT_EQ(Converted.lock()->BaseValue(), 1);
  EXPECT_EQ(dynamic_cast<TDerivedImpl*>(Strong.get())->GetRefCount(), 1);  // weak ones count nothing

  Strong.reset();
  EXPECT_EQ(gAlive, 0);
  EXPECT_TRUE(Weak.expired());
  EXPECT_FALSE(Weak.lock());
  EXPECT_FALSE(Converted.lock());
  EXPECT_FALSE(Moved.lock());

  // Copies and conversions of dead references stay empty.
  WeakIntf<IDerived> LateCopy = Weak;
  WeakIntf<IBase> LateConverted = Weak;
  EXPECT_FALSE(LateCopy.lock());
  EXPECT_TRUE(LateConverted.expired());
}

TEST_F(InterfacesTest, WeakReferenceToAnObjectNobodyHoldsYet) {
  auto* Raw = new TBaseImpl;
  WeakIntf<IBase> Weak(Raw);  // no counting: the object stays alive at count 0
  EXPECT_EQ(Raw->GetRefCount(), 0);
  EXPECT_EQ(gAlive, 1);
  Intf<IBase> Strong = Weak.lock();
  EXPECT_EQ(Raw->GetRefCount(), 1);
  Strong.reset();
  EXPECT_EQ(gAlive, 0);
  EXPECT_FALSE(Weak.lock());
}

// Its destructor tries to lock a weak reference to itself.
class TSelfWatcher : public TInterfacedObject, public virtual IBase {
 public:
  explicit TSelfWatcher(bool& LockedInDestructor) : FLocked(LockedInDestructor) {}
  ~TSelfWatcher() override { FLocked = static_cast<bool>(FSelf.lock()); }
  int BaseValue() override { return 5; }
  WeakIntf<IBase> FSelf;

 protected:
  void* GetInterface(const TGUID& IID) noexcept override {
    if (void* P = GetInterfaceOf<IBase>(this, IID)) return P;
    return TInterfacedObject::GetInterface(IID);
  }

 private:
  bool& FLocked;
};

TEST_F(InterfacesTest, WeakReferencesAreEmptyBeforeAnyDestructorRuns) {
  bool Locked = true;
  auto* Raw = new TSelfWatcher(Locked);
  Intf<IBase> Strong(Raw);
  Raw->FSelf = Strong;
  Strong.reset();
  EXPECT_FALSE(Locked);
}

TEST_F(InterfacesTest, WeakReferenceToAnObjectDeletedDirectly) {
  auto* Raw = new TBaseImpl;
  WeakIntf<IBase> Weak(Raw);
  delete Raw;  // never counted: plain deletion is its owner's business
  EXPECT_FALSE(Weak.lock());
}

TEST_F(InterfacesTest, ComparisonAndIdentity) {
  auto* Raw = new TDerivedImpl;
  Intf<IBase> A(Raw);
  Intf<IBase> Empty;
  EXPECT_TRUE(Empty == nullptr);
  EXPECT_TRUE(nullptr == Empty);
  EXPECT_FALSE(A == nullptr);
  EXPECT_TRUE(A == static_cast<IBase*>(Raw));
  EXPECT_TRUE(A != Empty);
  EXPECT_EQ(&*A, A.get());
}

}  // namespace
}  // namespace tarnwick
