// Tests of the owned collection's protocol: which notices and change reports arrive, in which
// order, for insertion, an item's own change, moves, every removal path, update blocks,
// assignment between collections and destruction.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <typeinfo>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "tarnwick/platform/Classes.h"
#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/Interfaces.h"

namespace tarnwick {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using test::NotificationName;

int LiveItems = 0;

// An item with one value. Notices about it arrive while it is only partly built (it joins in
// the base constructor) or already partly destroyed, so the log names items by their ID, which
// the base class holds.
class TLogItem : public TCollectionItem {
 public:
  explicit TLogItem(TCollection* Collection) : TCollectionItem(Collection) { ++LiveItems; }
  ~TLogItem() override { --LiveItems; }

  int GetValue() const noexcept { return FValue; }
  void SetValue(int Value) {
    FValue = Value;
    Changed(false);
  }
  void ChangeAll() { Changed(true); }

  void Assign(const TPersistent* Source) override {
    if (const auto* Other = dynamic_cast<const TLogItem*>(Source)) {
      SetValue(Other->FValue);
      return;
    }
    TCollectionItem::Assign(Source);
  }

 private:
  int FValue = 0;
};

// Records every notice as "<prefix>action #ID@position" (the position shows whether the item
// is still linked: -1 when it is not) and every change report as "<prefix>Update(#ID)" or
// "<prefix>Update(nil)".
class TLogCollection : public TCollection {
 public:
  TLogCollection(std::vector<std::string>& Log, std::string Prefix = "")
      : TCollection(TCollectionItemClass::Of<TLogItem>()), FLog(Log), FPrefix(std::move(Prefix)) {}
  // Frees the items while this class still hears their removal notices.
  ~TLogCollection() override { DestroyItems(); }

  TLogItem* Item(std::int32_t Index) const { return static_cast<TLogItem*>(GetItem(Index)); }
  TLogItem* AddItem(int Value) {
    auto* Result = static_cast<TLogItem*>(Add());
    Result->SetValue(Value);
    return Result;
  }
  std::vector<int> Values() const {
    std::vector<int> Result;
    for (TCollectionItem* I : *this) Result.push_back(static_cast<TLogItem*>(I)->GetValue());
    return Result;
  }
  std::vector<std::int32_t> IDs() const {
    std::vector<std::int32_t> Result;
    for (TCollectionItem* I : *this) Result.push_back(I->GetID());
    return Result;
  }

 protected:
  void Notify(TCollectionItem* Item, TCollectionNotification Action) override {
    FLog.push_back(FPrefix + NotificationName(Action) + " #" + std::to_string(Item->GetID()) + "@" +
                   std::to_string(IndexOfItem(Item)));
    EXPECT_EQ(Item->GetCollection(), IndexOfItem(Item) >= 0 ? this : nullptr);
  }
  void Update(TCollectionItem* Item) override {
    FLog.push_back(FPrefix + "Update(" + (Item ? "#" + std::to_string(Item->GetID()) : std::string("nil")) + ")");
  }

 private:
  std::vector<std::string>& FLog;
  std::string FPrefix;
};

class CollectionProtocol : public testing::Test {
 protected:
  // Two items with values 10 and 20, then a clean log.
  void Fill() {
    C.AddItem(10);
    C.AddItem(20);
    Log.clear();
  }

  std::vector<std::string> Log;
  TLogCollection C{Log};
};

// ---------------------------------------------------------------------------------------------
// Insertion

TEST_F(CollectionProtocol, AddLinksThenNotifiesThenReportsTheWhole) {
  TCollectionItem* Item = C.Add();
  EXPECT_THAT(Log, ElementsAre("added #0@0", "Update(nil)"));
  EXPECT_EQ(Item->GetCollection(), &C);
  EXPECT_EQ(C.GetCount(), 1);
}

TEST_F(CollectionProtocol, EveryWayInReportsTheSame) {
  new TLogItem(&C);  // owned by C
  auto* Loose = new TLogItem(nullptr);
  EXPECT_THAT(Log, ElementsAre("added #0@0", "Update(nil)"));
  Log.clear();
  Loose->SetCollection(&C);
  EXPECT_THAT(Log, ElementsAre("added #1@1", "Update(nil)"));
  Log.clear();
  Loose->SetCollection(&C);  // already there
  EXPECT_THAT(Log, IsEmpty());
}

TEST_F(CollectionProtocol, InsertIsAnAddFollowedByAMove) {
  Fill();
  C.Insert(0);
  EXPECT_THAT(Log, ElementsAre("added #2@2", "Update(nil)", "Update(nil)"));
  EXPECT_THAT(C.IDs(), ElementsAre(2, 0, 1));
  Log.clear();
  C.Insert(3);  // at the end: no move
  EXPECT_THAT(Log, ElementsAre("added #3@3", "Update(nil)"));
  EXPECT_THAT(C.IDs(), ElementsAre(2, 0, 1, 3));
}

TEST_F(CollectionProtocol, InsertOutsideTheListRaises) {
  Fill();
  EXPECT_THROW_MSG(C.Insert(5), EListError, "List index out of bounds (5)");
  EXPECT_THROW_MSG(C.Insert(-1), EListError, "List index out of bounds (-1)");
}

TEST_F(CollectionProtocol, IDsCountUpAndAreNeverReused) {
  Fill();
  delete C.Item(1);
  C.Add();
  EXPECT_THAT(C.IDs(), ElementsAre(0, 2));
  EXPECT_EQ(C.FindItemID(2), C.Item(1));
  EXPECT_EQ(C.FindItemID(1), nullptr);
}

// ---------------------------------------------------------------------------------------------
// Changes and moves

TEST_F(CollectionProtocol, AnItemsOwnChangeReportsThatItem) {
  Fill();
  C.Item(1)->SetValue(7);
  C.Item(0)->ChangeAll();
  C.Item(0)->SetDisplayName("ignored");
  EXPECT_THAT(Log, ElementsAre("Update(#1)", "Update(nil)", "Update(#0)"));
}

TEST_F(CollectionProtocol, AMoveReportsTheWholeAndAStayNothing) {
  Fill();
  C.AddItem(30);
  Log.clear();
  C.Item(0)->SetIndex(2);
  EXPECT_THAT(Log, ElementsAre("Update(nil)"));
  EXPECT_THAT(C.Values(), ElementsAre(20, 30, 10));
  Log.clear();
  C.Item(1)->SetIndex(1);
  EXPECT_THAT(Log, IsEmpty());
}

TEST_F(CollectionProtocol, AMoveOutsideTheListRaisesAndChangesNothing) {
  Fill();
  EXPECT_THROW_MSG(C.Item(0)->SetIndex(2), EListError, "List index out of bounds (2)");
  EXPECT_THROW_MSG(C.Item(0)->SetIndex(-1), EListError, "List index out of bounds (-1)");
  EXPECT_THAT(C.Values(), ElementsAre(10, 20));
  EXPECT_THAT(Log, IsEmpty());
}

TEST_F(CollectionProtocol, IndexErrorsNameTheIndex) {
  Fill();
  EXPECT_THROW_MSG(C.GetItem(2), EListError, "List index out of bounds (2)");
  EXPECT_THROW_MSG(C.Delete(-1), EListError, "List index out of bounds (-1)");
  TLogItem Source(nullptr);
  EXPECT_THROW_MSG(C.SetItem(3, &Source), EListError, "List index out of bounds (3)");
  EXPECT_THAT(Log, IsEmpty());
}

TEST_F(CollectionProtocol, SetItemAssignsIntoThePlace) {
  Fill();
  TLogItem Source(nullptr);
  Source.SetValue(99);
  C.SetItem(0, &Source);
  EXPECT_THAT(C.Values(), ElementsAre(99, 20));
  EXPECT_THAT(Log, ElementsAre("Update(#0)"));
}

// ---------------------------------------------------------------------------------------------
// Removal: the notice comes while the item is still linked, then the whole is reported.

TEST_F(CollectionProtocol, FreeingAnItemExtractsIt) {
  Fill();
  delete C.Item(0);
  EXPECT_THAT(Log, ElementsAre("extracting #0@0", "Update(nil)"));
  EXPECT_THAT(C.Values(), ElementsAre(20));
}

TEST_F(CollectionProtocol, DeleteAnnouncesTheDeletionFirst) {
  Fill();
  const int LiveBefore = LiveItems;
  C.Delete(0);
  EXPECT_THAT(Log, ElementsAre("deleting #0@0", "extracting #0@0", "Update(nil)"));
  EXPECT_EQ(LiveItems, LiveBefore - 1);
}

TEST_F(CollectionProtocol, ClearExtractsLastFirstAndReportsOnce) {
  Fill();
  C.AddItem(30);
  Log.clear();
  const int LiveBefore = LiveItems;
  C.Clear();
  EXPECT_THAT(Log, ElementsAre("extracting #2@2", "extracting #1@1", "extracting #0@0", "Update(nil)"));
  EXPECT_EQ(LiveItems, LiveBefore - 3);
  Log.clear();
  C.Clear();  // nothing to clear: nothing to report
  EXPECT_THAT(Log, IsEmpty());
}

TEST_F(CollectionProtocol, LeavingForNoCollectionKeepsTheItemAlive) {
  Fill();
  TLogItem* Item = C.Item(0);
  Item->SetCollection(nullptr);
  EXPECT_THAT(Log, ElementsAre("extracting #0@0", "Update(nil)"));
  EXPECT_EQ(Item->GetCollection(), nullptr);
  EXPECT_EQ(Item->GetIndex(), -1);
  EXPECT_EQ(Item->GetValue(), 10);
  Log.clear();
  Item->SetValue(11);  // a loose item reports to nobody
  EXPECT_THAT(Log, IsEmpty());
  delete Item;
}

TEST_F(CollectionProtocol, MovingToAnotherCollectionLeavesBeforeJoining) {
  Fill();
  TLogCollection Other(Log, "B:");
  Other.AddItem(1);
  Log.clear();
  TLogItem* Item = C.Item(1);
  Item->SetCollection(&Other);
  // The item takes an ID of its new collection.
  EXPECT_THAT(Log, ElementsAre("extracting #1@1", "Update(nil)", "B:added #1@1", "B:Update(nil)"));
  EXPECT_EQ(Item->GetCollection(), &Other);
  EXPECT_THAT(C.Values(), ElementsAre(10));
  EXPECT_THAT(Other.Values(), ElementsAre(1, 20));
}

// ---------------------------------------------------------------------------------------------
// Update blocks hold back change reports, never notices.

TEST_F(CollectionProtocol, ABlockPassesNoticesAndReportsOnceAtItsEnd) {
  Fill();
  C.BeginUpdate();
  C.AddItem(30);
  C.Item(0)->SetValue(5);
  C.Item(1)->SetIndex(0);
  C.Delete(2);
  EXPECT_THAT(Log, ElementsAre("added #2@2", "deleting #2@2", "extracting #2@2"));
  C.EndUpdate();
  EXPECT_THAT(Log, ElementsAre("added #2@2", "deleting #2@2", "extracting #2@2", "Update(nil)"));
  EXPECT_THAT(C.Values(), ElementsAre(20, 5));
}

TEST_F(CollectionProtocol, BlocksNestAndOnlyTheOutermostEndReports) {
  C.BeginUpdate();
  C.BeginUpdate();
  C.Add();
  C.EndUpdate();
  EXPECT_THAT(Log, ElementsAre("added #0@0"));
  EXPECT_EQ(C.GetUpdateCount(), 1);
  C.EndUpdate();
  EXPECT_THAT(Log, ElementsAre("added #0@0", "Update(nil)"));
  EXPECT_EQ(C.GetUpdateCount(), 0);
}

TEST_F(CollectionProtocol, AnEmptyBlockStillReportsAtItsEnd) {
  C.BeginUpdate();
  C.EndUpdate();
  EXPECT_THAT(Log, ElementsAre("Update(nil)"));
}

TEST_F(CollectionProtocol, AGuardedBlockEndsWhenAnErrorLeavesIt) {
  Fill();
  try {
    TUpdateBlock<TCollection> Block(C);
    C.Item(0)->SetValue(1);
    throw std::runtime_error("stop");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(C.GetUpdateCount(), 0);
  EXPECT_THAT(Log, ElementsAre("Update(nil)"));
}

// A collection whose whole-change report raises, and (when told) whose every EndUpdate raises,
// also one that closes an inner block, as a descendant may.
class TFailingCollection : public TCollection {
 public:
  TFailingCollection() : TCollection(TCollectionItemClass::Of<TLogItem>()) {}
  bool FailEveryEnd = false;
  void EndUpdate() override {
    TCollection::EndUpdate();
    if (FailEveryEnd) throw std::logic_error("end failed");
  }

 protected:
  void Update(TCollectionItem* Item) override {
    if (Item == nullptr) throw std::logic_error("report failed");
  }
};

// The error of a block's end reaches the caller unless another error is already on its way
// out of the block's scope: then the first one wins. A block made in a destructor while an
// error unwinds lets its own end's error through when its scope ends normally. An inner block
// reports nothing at its end; should a descendant's end raise there all the same, the error goes
// on when nothing else is in flight and is dropped when something is.
TEST(CollectionUpdateBlock, TheFirstErrorWinsAndAnEndThatMeetsNoOtherErrorRaises) {
  TFailingCollection C;
  EXPECT_THROW_MSG({ const TUpdateBlock<TCollection> Block(C); }, std::logic_error, "report failed");
  EXPECT_THROW_MSG(
      {
        const TUpdateBlock<TCollection> Block(C);
        throw std::runtime_error("body failed");
      },
      std::runtime_error, "body failed");
  EXPECT_THROW_MSG(
      {
        const TUpdateBlock<TCollection> Outer(C);
        { const TUpdateBlock<TCollection> Inner(C); }
        EXPECT_EQ(C.GetUpdateCount(), 1);
      },
      std::logic_error, "report failed");

  struct TCleanUp {
    TFailingCollection& C;
    std::string& Seen;
    TCleanUp(TFailingCollection& Target, std::string& Error) : C(Target), Seen(Error) {}
    ~TCleanUp() {
      try {
        const TUpdateBlock<TCollection> Block(C);
      } catch (const std::logic_error& E) {
        Seen = E.what();
      }
    }
  };
  std::string Seen;
  EXPECT_THROW(
      {
        const TCleanUp CleanUp(C, Seen);
        throw std::runtime_error("outer");
      },
      std::runtime_error);
  EXPECT_EQ(Seen, "report failed");

  C.FailEveryEnd = true;
  C.BeginUpdate();
  EXPECT_THROW_MSG({ const TUpdateBlock<TCollection> Inner(C); }, std::logic_error, "end failed");
  EXPECT_THROW_MSG(
      {
        const TUpdateBlock<TCollection> Inner(C);
        throw std::runtime_error("body failed");
      },
      std::runtime_error, "body failed");
  EXPECT_EQ(C.GetUpdateCount(), 1);
  C.FailEveryEnd = false;
  EXPECT_THROW_MSG(C.EndUpdate(), std::logic_error, "report failed");
  EXPECT_EQ(C.GetUpdateCount(), 0);
}

// The block of one call ends as a guarded block does: on every way out, its end's error going on
// only when the body ended normally.
TEST(CollectionUpdateBlock, ABlockOfOneCallEndsOnEveryWayOutAndTheFirstErrorWins) {
  TFailingCollection C;
  int Ran = 0;
  EXPECT_THROW_MSG(InUpdateBlock(C, [&] { ++Ran; }), std::logic_error, "report failed");
  EXPECT_EQ(C.GetUpdateCount(), 0);
  EXPECT_THROW_MSG(InUpdateBlock(C, [&] {
                     EXPECT_EQ(C.GetUpdateCount(), 1);
                     throw std::runtime_error("body failed");
                   }),
                   std::runtime_error, "body failed");
  EXPECT_EQ(C.GetUpdateCount(), 0);
  EXPECT_EQ(Ran, 1);

  std::vector<std::string> Log;
  TLogCollection Logged(Log);
  Logged.AddItem(1);
  Log.clear();
  InUpdateBlock(Logged, [&] { Logged.Item(0)->SetValue(2); });
  EXPECT_THAT(Log, ElementsAre("Update(nil)"));
}

// ---------------------------------------------------------------------------------------------
// Assignment

TEST_F(CollectionProtocol, AssignReplacesTheItemsInsideOneBlock) {
  Fill();
  std::vector<std::string> SourceLog;
  TLogCollection Source(SourceLog);
  Source.AddItem(7);
  Source.AddItem(8);
  Source.AddItem(9);
  SourceLog.clear();
  C.Assign(&Source);
  EXPECT_THAT(Log, ElementsAre("extracting #1@1", "extracting #0@0", "added #2@0", "added #3@1", "added #4@2",
                               "Update(nil)"));
  EXPECT_THAT(C.Values(), ElementsAre(7, 8, 9));
  EXPECT_THAT(Source.Values(), ElementsAre(7, 8, 9));
  EXPECT_NE(C.Item(0), Source.Item(0));
  EXPECT_THAT(SourceLog, IsEmpty());
}

TEST_F(CollectionProtocol, AssignTakesTheItemsOfACollectionOfAnotherClass) {
  Fill();
  TCollection Plain(TCollectionItemClass::Of<TLogItem>());
  static_cast<TLogItem*>(Plain.Add())->SetValue(5);
  static_cast<TLogItem*>(Plain.Add())->SetValue(6);
  C.Assign(&Plain);
  EXPECT_THAT(Log, ElementsAre("extracting #1@1", "extracting #0@0", "added #2@0", "added #3@1", "Update(nil)"));
  EXPECT_THAT(C.Values(), ElementsAre(5, 6));
  TCollection Other(TCollectionItemClass::Of<TLogItem>());
  Other.Assign(&C);
  ASSERT_EQ(Other.GetCount(), 2);
  EXPECT_EQ(static_cast<TLogItem*>(Other.GetItem(1))->GetValue(), 6);
}

TEST_F(CollectionProtocol, AssignFromAnEmptyCollectionClears) {
  Fill();
  std::vector<std::string> SourceLog;
  TLogCollection Source(SourceLog);
  C.Assign(&Source);
  EXPECT_THAT(Log, ElementsAre("extracting #1@1", "extracting #0@0", "Update(nil)"));
  EXPECT_EQ(C.GetCount(), 0);
}

TEST_F(CollectionProtocol, AssignToItselfKeepsEverything) {
  Fill();
  C.Assign(&C);
  EXPECT_THAT(Log, IsEmpty());
  EXPECT_THAT(C.Values(), ElementsAre(10, 20));
}

TEST_F(CollectionProtocol, AssignFromSomethingElseRaises) {
  Fill();
  TLogItem Item(nullptr);
  EXPECT_THROW_MSG(C.Assign(&Item), EConvertError, "Cannot assign a TLogItem to a TLogCollection");
  EXPECT_THROW_MSG(C.Assign(nullptr), EConvertError, "Cannot assign a nil to a TLogCollection");
  EXPECT_THAT(C.Values(), ElementsAre(10, 20));
  EXPECT_THAT(Log, IsEmpty());
}

// ---------------------------------------------------------------------------------------------
// Destruction and walking

TEST(CollectionDestruction, ADescendantHearsEveryItemLeaveAndNoReport) {
  std::vector<std::string> Log;
  const int LiveBefore = LiveItems;
  {
    TLogCollection C(Log);
    C.Add();
    C.Add();
    C.Add();
    Log.clear();
  }
  EXPECT_THAT(Log, ElementsAre("extracting #2@2", "extracting #1@1", "extracting #0@0"));
  EXPECT_EQ(LiveItems, LiveBefore);
}

// A descendant whose notices are of no more use frees the items of one class without them;
// every other item still leaves with its notice, last first, and all are freed.
class TQuietItem : public TLogItem {
 public:
  using TLogItem::TLogItem;
};

class TQuietlyDyingCollection : public TLogCollection {
 public:
  using TLogCollection::TLogCollection;
  ~TQuietlyDyingCollection() override { DestroyItemsQuietly(typeid(TQuietItem)); }
};

TEST(CollectionDestruction, ADescendantMayFreeTheItemsOfOneClassWithoutNotices) {
  std::vector<std::string> Log;
  const int LiveBefore = LiveItems;
  {
    TQuietlyDyingCollection C(Log);
    C.Add();
    new TQuietItem(&C);
    C.Add();
    new TQuietItem(&C);
    Log.clear();
  }
  EXPECT_THAT(Log, ElementsAre("extracting #2@2", "extracting #0@0"));
  EXPECT_EQ(LiveItems, LiveBefore);
}

TEST(CollectionDestruction, APlainCollectionFreesItsItems) {
  const int LiveBefore = LiveItems;
  {
    TCollection C(TCollectionItemClass::Of<TLogItem>());
    C.Add();
    C.Add();
    EXPECT_EQ(LiveItems, LiveBefore + 2);
  }
  EXPECT_EQ(LiveItems, LiveBefore);
}

// Item lists keep their room for the next list of the thread; every size, below, at and above
// the kept sizes, is whole and writable, and a list outgrowing its room keeps its items in order.
TEST(CollectionRoom, EverySizeIsWholeAndListsGrowPastTheKeptRoom) {
  for (const std::size_t Bytes : {std::size_t{1}, std::size_t{8}, detail::kCachedItemRoom, detail::kCachedItemRoom + 1,
                                  2 * detail::kCachedItemRoom, 2 * detail::kCachedItemRoom + 1, std::size_t{4096}}) {
    for (int Round = 0; Round < 2; ++Round) {  // the second round takes kept room
      auto* Room = static_cast<unsigned char*>(detail::AllocateItemRoom(Bytes));
      for (std::size_t I = 0; I < Bytes; ++I) Room[I] = static_cast<unsigned char>(I);
      EXPECT_EQ(Room[Bytes - 1], static_cast<unsigned char>(Bytes - 1));
      detail::ReleaseItemRoom(Room, Bytes);
    }
  }
  const int LiveBefore = LiveItems;
  {
    TCollection C(TCollectionItemClass::Of<TLogItem>());
    std::vector<TCollectionItem*> Added;
    for (int I = 0; I < 40; ++I) Added.push_back(C.Add());
    ASSERT_EQ(C.GetCount(), 40);
    for (int I = 0; I < 40; ++I) EXPECT_EQ(C.GetItem(I), Added[static_cast<std::size_t>(I)]);
  }
  EXPECT_EQ(LiveItems, LiveBefore);
}

// A list's room goes back to the thread that frees it, and the next list of the same size the
// thread makes takes it: the first room of a collection, and the room twice as large.
TEST(CollectionRoom, AThreadsNextListTakesTheRoomTheLastOneLeft) {
  const TCollectionItem* const* Room = nullptr;
  {
    TCollection C(TCollectionItemClass::Of<TLogItem>());
    C.Add();
    Room = &*C.begin();
  }
  TCollection Next(TCollectionItemClass::Of<TLogItem>());
  Next.Add();
  EXPECT_EQ(&*Next.begin(), Room);

  struct TPoint {
    double X, Y;
  };
  using TPoints = std::vector<TPoint, detail::TItemRoomAllocator<TPoint>>;
  constexpr std::size_t Large = 2 * detail::kCachedItemRoom / sizeof(TPoint);
  const TPoint* LargeRoom = nullptr;
  {
    TPoints Points;
    Points.reserve(Large);
    LargeRoom = Points.data();
  }
  TPoints NextPoints;
  NextPoints.reserve(Large);
  EXPECT_EQ(NextPoints.data(), LargeRoom);
}

// Lists in rooms of the thread's caches behave as lists with the standard allocator, whatever
// they grow to, shrink to, copy and swap; the rooms of lists that die in other threads, and of
// the threads that end, stay nowhere (the leak checker finds nothing unreachable).
TEST(CollectionRoom, ListsBehaveAsWithTheStandardAllocatorAndLeaveNothingBehind) {
  using TRooms = std::vector<int, detail::TItemRoomAllocator<int>>;
  using TPlain = std::vector<int>;
  std::vector<TRooms> Handed(4);
  std::thread Editor([&Handed] {
    std::mt19937 Random(20240601);
    TRooms A, B;
    TPlain PlainA, PlainB;
    for (int Step = 0; Step < 4000; ++Step) {
      const int Value = static_cast<int>(Random() % 1000);
      const auto At = static_cast<std::ptrdiff_t>(A.empty() ? 0 : Random() % A.size());
      const std::size_t N = Random() % 64;
      switch (Random() % 10) {
        case 0:
        case 1:
        case 2:
          A.push_back(Value);
          PlainA.push_back(Value);
          break;
        case 3:
          A.insert(A.begin() + At, Value);
          PlainA.insert(PlainA.begin() + At, Value);
          break;
        case 4:
          if (A.empty()) break;
          A.erase(A.begin() + At);
          PlainA.erase(PlainA.begin() + At);
          break;
        case 5:
          A.resize(N, Value);
          PlainA.resize(N, Value);
          break;
        case 6:
          A.shrink_to_fit();
          PlainA.shrink_to_fit();
          break;
        case 7:
          B = A;
          PlainB = PlainA;
          break;
        case 8:
          A.swap(B);
          PlainA.swap(PlainB);
          break;
        case 9:
          A.reserve(N);
          PlainA.reserve(N);
          if (N % 8 != 0) break;
          Handed[N % Handed.size()] = std::move(A);  // to die in another thread
          A = TRooms();
          PlainA = TPlain();
          break;
      }
      ASSERT_EQ(std::vector<int>(A.begin(), A.end()), PlainA) << "step " << Step;
      ASSERT_EQ(std::vector<int>(B.begin(), B.end()), PlainB) << "step " << Step;
      ASSERT_EQ(A.capacity(), PlainA.capacity()) << "step " << Step;
    }
  });
  Editor.join();
  Handed.clear();  // rooms of a thread that ended, freed here
  EXPECT_TRUE(test::NothingLeaked());
}

// The item list holds what a standard vector holds under any sequence of edits at either end
// or between, and its room stays within a small multiple of the most it held.
TEST(CollectionRoom, TheItemListHoldsWhatAVectorHoldsUnderAnyEdits) {
  using TList = detail::TItemVector<int, detail::TItemRoomAllocator<int>>;
  std::mt19937 Random(20261211);
  for (int Run = 0; Run < 20; ++Run) {
    TList List;
    std::vector<int> Plain;
    std::size_t Most = 0;
    for (int Step = 0; Step < 3000; ++Step) {
      const int Value = static_cast<int>(Random() % 1000);
      const std::size_t At = Plain.empty() ? 0 : Random() % (Plain.size() + 1);
      // Each run leans to one kind of edit, so that long runs at the front, at the back and
      // in between all occur.
      const unsigned Kind = (Random() % 4 == 0) ? Random() % 7 : static_cast<unsigned>(Run) % 7;
      switch (Kind) {
        case 0:
          List.push_back(Value);
          Plain.push_back(Value);
          break;
        case 1:
        case 2:  // a value added at the back moves to the front, as points added falling do
          List.push_back(Value);
          List.move(List.size() - 1, 0);
          Plain.insert(Plain.begin(), Value);
          break;
        case 3: {  // a value moves between any two places
          if (Plain.empty()) break;
          const std::size_t From = Random() % Plain.size();
          const std::size_t To = Random() % Plain.size();
          List.move(From, To);
          const int Moved = Plain[From];
          Plain.erase(Plain.begin() + static_cast<std::ptrdiff_t>(From));
          Plain.insert(Plain.begin() + static_cast<std::ptrdiff_t>(To), Moved);
          break;
        }
        case 4:
          if (Plain.empty() || At == Plain.size()) break;
          List.erase(List.begin() + At);
          Plain.erase(Plain.begin() + static_cast<std::ptrdiff_t>(At));
          break;
        case 5:
          if (Plain.empty()) break;
          List.pop_back();
          Plain.pop_back();
          break;
        default: {
          const std::size_t Last = At + (Plain.size() - At) / 2;
          List.erase(List.begin() + At, List.begin() + Last);
          Plain.erase(Plain.begin() + static_cast<std::ptrdiff_t>(At), Plain.begin() + static_cast<std::ptrdiff_t>(Last));
          if (Random() % 8 == 0) List.reserve(Plain.size() + Random() % 64);
          break;
        }
      }
      Most = std::max(Most, Plain.size());
      ASSERT_EQ(std::vector<int>(List.begin(), List.end()), Plain) << "run " << Run << ", step " << Step;
      ASSERT_LE(List.capacity(), 4 * Most + 64) << "run " << Run << ", step " << Step;
    }
  }
}

TEST(CollectionEnumerator, WalksTheItemsInOrder) {
  TCollection C(TCollectionItemClass::Of<TLogItem>());
  for (int V : {3, 1, 2}) static_cast<TLogItem*>(C.Add())->SetValue(V);
  std::vector<int> Seen;
  auto E = C.GetEnumerator();
  while (E->MoveNext()) Seen.push_back(static_cast<TLogItem*>(E->GetCurrent())->GetValue());
  EXPECT_THAT(Seen, ElementsAre(3, 1, 2));
  EXPECT_FALSE(E->MoveNext());

  TCollection Empty(TCollectionItemClass::Of<TLogItem>());
  EXPECT_FALSE(Empty.GetEnumerator()->MoveNext());
}

// The casts answer as dynamic_cast does for the exact class, a descendant, a base and nothing.
TEST(ClassCasts, ExactClassCastAndCheckedCastAnswerAsDynamicCast) {
  class TLogItemDescendant : public TLogItem {
   public:
    using TLogItem::TLogItem;
  };
  TLogItem Item(nullptr);
  TLogItemDescendant Descendant(nullptr);
  TCollection Plain(TCollectionItemClass::Of<TLogItem>());
  TCollectionItem* AsItem = &Item;
  TCollectionItem* AsDescendant = &Descendant;
  TObject* AsPlain = &Plain;
  EXPECT_EQ(ExactClassCast<TLogItem>(AsItem), &Item);
  EXPECT_EQ(ExactClassCast<const TLogItem>(static_cast<const TCollectionItem*>(AsDescendant)), &Descendant);
  EXPECT_EQ(ExactClassCast<TLogItemDescendant>(AsItem), nullptr);
  EXPECT_EQ(ExactClassCast<TCollectionItem>(AsPlain), nullptr);
  EXPECT_EQ(ExactClassCast<TLogItem>(static_cast<TCollectionItem*>(nullptr)), nullptr);

  EXPECT_EQ(CheckedCast<TLogItem>(AsDescendant), &Descendant);
  EXPECT_EQ(CheckedCast<TLogItem>(static_cast<TCollectionItem*>(nullptr)), nullptr);
  EXPECT_THROW(CheckedCast<TLogItemDescendant>(AsItem), EInvalidCast);

  EXPECT_TRUE(IsExactClass(*AsItem, typeid(TLogItem)));
  EXPECT_FALSE(IsExactClass(*AsDescendant, typeid(TLogItem)));
  EXPECT_TRUE(IsExactClass(*AsDescendant, typeid(Descendant)));
}

// Through an interface inherited virtually (where a static cast cannot reach the object), the
// object of exactly the asked class is found, and nothing else.
TEST(ClassCasts, ExactClassObjectFindsOnlyTheExactClassBehindAnInterface) {
  class TCountedThing : public TInterfacedObject {};
  class TDerivedThing : public TCountedThing {};
  Intf<IInterface> Thing(new TCountedThing);
  Intf<IInterface> Derived(new TDerivedThing);
  EXPECT_EQ(ExactClassObject<TCountedThing>(Thing.get()), dynamic_cast<TCountedThing*>(Thing.get()));
  EXPECT_NE(ExactClassObject<TCountedThing>(Thing.get()), nullptr);
  EXPECT_EQ(ExactClassObject<const TCountedThing>(static_cast<const IInterface*>(Thing.get())),
            dynamic_cast<const TCountedThing*>(Thing.get()));
  EXPECT_EQ(ExactClassObject<TCountedThing>(Derived.get()), nullptr);
  EXPECT_EQ(ExactClassObject<TCountedThing>(static_cast<IInterface*>(nullptr)), nullptr);
}

}  // namespace
}  // namespace tarnwick
