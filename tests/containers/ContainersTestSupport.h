// What the container tests share on top of TestSupport.h: a counted probe interface whose
// instances are counted, value factories for the instantiations under test, a slot view of a
// dictionary, and an event log.
#ifndef TARNWICK_TESTS_CONTAINERS_CONTAINERSTESTSUPPORT_H_
#define TARNWICK_TESTS_CONTAINERS_CONTAINERSTESTSUPPORT_H_

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "tarnwick/containers/KVGenerics.h"
#include "tarnwick/platform/Classes.h"
#include "tarnwick/platform/Interfaces.h"

namespace tarnwick::collections::testing {

class IProbe : public virtual IInterface {
 public:
  static constexpr TGUID IID = MakeGUID("{6F1C2A4E-9B3D-4E5F-8A7B-1C2D3E4F5A6B}");
  virtual int Id() const = 0;

 protected:
  ~IProbe() = default;
};

// Counts its live instances, so a test sees every reference released exactly once.
class TProbe : public TInterfacedObject, public virtual IProbe {
 public:
  explicit TProbe(int AId) : FId(AId) { ++Live(); }
  ~TProbe() override { --Live(); }
  int Id() const override { return FId; }
  static int& Live() {
    static int Count = 0;
    return Count;
  }

 protected:
  void* GetInterface(const TGUID& IID) noexcept override {
    if (void* P = GetInterfaceOf<IProbe>(this, IID)) return P;
    return TInterfacedObject::GetInterface(IID);
  }

 private:
  int FId;
};

using ProbeRef = Intf<IProbe>;

inline ProbeRef MakeProbe(int Id) { return ProbeRef(new TProbe(Id)); }

// A fixture that fails when a test leaves probes alive.
class ProbeTest : public ::testing::Test {
 protected:
  void SetUp() override { FLiveAtStart = TProbe::Live(); }
  void TearDown() override { EXPECT_EQ(TProbe::Live(), FLiveAtStart) << "probes leaked"; }

 private:
  int FLiveAtStart = 0;
};

// Values of the instantiations under test, numbered, and back.
template <typename T>
T ValueOf(int I);
template <>
inline int ValueOf<int>(int I) {
  return I;
}
template <>
inline std::string ValueOf<std::string>(int I) {
  return "v" + std::to_string(I);
}
template <>
inline ProbeRef ValueOf<ProbeRef>(int I) {
  return MakeProbe(I);
}

inline std::string Show(int V) { return std::to_string(V); }
inline std::string Show(const std::string& V) { return V; }
inline std::string Show(const ProbeRef& V) { return V ? "p" + std::to_string(V->Id()) : "nil"; }

inline const char* Show(TCollectionNotification Action) { return tarnwick::test::NotificationName(Action); }

// Opens the slot table of a dictionary or table class D for inspection.
template <typename D>
class TSlotView : public D {
 public:
  using D::D;
  using D::FItems;

  // One entry per slot: the key's text, or "-" for a free slot.
  std::vector<std::string> Slots() const {
    std::vector<std::string> Result;
    for (const auto& Item : FItems) Result.push_back(Item.HashCode == -1 ? "-" : Show(Item.Key));
    return Result;
  }
};

// An int comparer whose hash is Key - 1, so that the hash code of Key is Key itself and a key's
// home slot is Key & (n - 1).
inline Intf<IEqualityComparer<int>> IdentityComparer() {
  return TEqualityComparer<int>::Construct([](const int& A, const int& B) { return A == B; },
                                           [](const int& K) { return K - 1; });
}

// Records every key and value notification of Dictionary as text.
template <typename D, typename K, typename V>
void LogNotifications(D& Dictionary, std::vector<std::string>& Log) {
  Dictionary.SetOnKeyNotify([&Log](TObject*, const K& Key, TCollectionNotification Action) {
    Log.push_back(std::string("key ") + Show(Key) + " " + Show(Action));
  });
  Dictionary.SetOnValueNotify([&Log](TObject*, const V& Value, TCollectionNotification Action) {
    Log.push_back(std::string("value ") + Show(Value) + " " + Show(Action));
  });
}

}  // namespace tarnwick::collections::testing

#endif  // TARNWICK_TESTS_CONTAINERS_CONTAINERSTESTSUPPORT_H_
