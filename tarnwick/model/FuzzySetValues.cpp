// The points of a fuzzy set: a point's edits held in its variable's range, and the point list's
// placement of edited points, clean-up after bulk changes, statistics and point walks.
#include "tarnwick/model/FuzzySetValues.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <typeinfo>
#include <vector>

#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/model/FuzzyVariable.h"
#include "tarnwick/platform/detail/BlockCache.h"
#include "tarnwick/platform/Format.h"
#include "tarnwick/platform/ScopeGuard.h"

namespace tarnwick {

namespace {

TFuzzySetValues* AsValues(TCollection* Collection) {
  return CheckedCast<TFuzzySetValues>(Collection);
}

// The Y of the straight line through (X1, Y1) and (X2, Y2) at X. Where the two ends share one
// X the line is vertical and has no single Y there; the first end's Y stands in, so that no
// undefined number ever enters a point list.
TFzyFloat InterpolateBetween(TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2, TFzyFloat Y2, TFzyFloat X) {
  const TFzyFloat Width = X2 - X1;
  if (Width == 0) return Y1;
  return (X - X1) / Width * (Y2 - Y1) + Y1;
}

// Where the placement walk stops: Walked is the position walked last before the stop (-1 when it
// stopped at the first position), Stop the position it stopped at (-1 when it reached the end),
// AtThird whether that was the third other point within the tolerance of the edited X.
struct TPlacementStop {
  std::int32_t Walked;
  std::int32_t Stop;
  bool AtThird;
};

using TItems = TCollection::TItemList;

TFzyFloat XAt(const TItems& Items, std::int32_t Index) {
  return static_cast<const TFuzzySetValue*>(Items[static_cast<std::size_t>(Index)])->GetX();
}

// The placement walk from position From on, passing over the edited point at Skip: it stops at
// the first other point whose X exceeds X by more than the tolerance, or at the third other
// point within the tolerance of X. The rule walks from the first position; a later From gives
// the same stop when every other point before it lies more than the tolerance below X.
TPlacementStop WalkPlacement(const TItems& Items, std::int32_t Skip, TFzyFloat X, std::int32_t From) {
  const auto Count = static_cast<std::int32_t>(Items.size());
  TPlacementStop Result{From - 1, -1, false};
  std::int32_t Within = 0;
  for (std::int32_t I = From; I < Count; ++I) {
    if (I != Skip) {
      const TFzyFloat PX = XAt(Items, I);
      if (PX > X + kFuzzyTolerance) {
        Result.Stop = I;
        return Result;
      }
      if (FloatEquals(PX, X) && ++Within == 3) {
        Result.Stop = I;
        Result.AtThird = true;
        return Result;
      }
    }
    Result.Walked = I;
  }
  return Result;
}

// A position from which WalkPlacement stops where it would from the first, for a list whose
// points other than Skip are ordered within the tolerance (no X exceeds a later X plus the
// tolerance). In such a list a point K with X[K] + tolerance < X - tolerance has every earlier
// point at or below X[K] + tolerance, so below X - tolerance: none of them is within the
// tolerance of X or above it. Bisection finds such a point next to one that is not; every
// point after that one lies within a few tolerances of X or above it, so the walk from there
// is short. The comparisons are the walk's and the sort's own, so rounding cannot break this.
std::int32_t PlacementStart(const TItems& Items, std::int32_t Skip, TFzyFloat X) {
  const auto Others = static_cast<std::int32_t>(Items.size()) - 1;
  auto Position = [Skip](std::int32_t Other) { return Other < Skip ? Other : Other + 1; };
  const TFzyFloat Low = X - kFuzzyTolerance;
  std::int32_t Lo = -1;      // below (or none)
  std::int32_t Hi = Others;  // not below (or none)
  while (Hi - Lo > 1) {
    const std::int32_t Mid = Lo + (Hi - Lo) / 2;
    if (XAt(Items, Position(Mid)) + kFuzzyTolerance < Low) Lo = Mid;
    else Hi = Mid;
  }
  return Lo < 0 ? 0 : Position(Lo) + 1;
}

// Whether the points other than Skip (-1: all) are ordered within the tolerance; Max takes the
// greatest of their X (minus infinity when there is none). A NaN orders with nothing.
bool OrderedWithinTolerance(const TItems& Items, std::int32_t Skip, TFzyFloat& Max) {
  Max = -std::numeric_limits<TFzyFloat>::infinity();
  bool First = true;
  for (std::int32_t I = 0; I < static_cast<std::int32_t>(Items.size()); ++I) {
    if (I == Skip) continue;
    const TFzyFloat X = XAt(Items, I);
    if (First) {
      Max = X;
      First = false;
      continue;
    }
    if (!(Max <= X + kFuzzyTolerance)) return false;
    if (X > Max) Max = X;
  }
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TFuzzySetValue

TFuzzySetValue::TFuzzySetValue(TCollection* Collection) : TCollectionItem(nullptr) {
  TFuzzySetValues* Values = AsValues(Collection);
  if (Values != nullptr && Values->GetCount() > 0)
    FX = Values->GetItem(Values->GetCount() - 1)->FX + 1;
  TCollectionItem::SetCollection(Values);
}

TFuzzySetValue::~TFuzzySetValue() = default;

namespace {
using TPointBlocks = TThreadBlockCache<TFuzzySetValue::kPointBlockSize, TFuzzySetValue::kMaxFreePointBlocks>;
static_assert(sizeof(TFuzzySetValue) <= TFuzzySetValue::kPointBlockSize, "a point fits in a block");
}  // namespace

void* TFuzzySetValue::operator new(std::size_t Size) { return TPointBlocks::Allocate(Size); }

void TFuzzySetValue::operator delete(void* Block, std::size_t Size) noexcept { TPointBlocks::Release(Block, Size); }

namespace {
using TValuesBlocks = TThreadBlockCache<TFuzzySetValues::kValuesBlockSize, TFuzzySetValues::kMaxFreeValuesBlocks>;
static_assert(sizeof(TFuzzySetValues) <= TFuzzySetValues::kValuesBlockSize, "a point list fits in a block");
}  // namespace

void* TFuzzySetValues::operator new(std::size_t Size) { return TValuesBlocks::Allocate(Size); }

void TFuzzySetValues::operator delete(void* Block, std::size_t Size) noexcept { TValuesBlocks::Release(Block, Size); }

TFuzzySetValues* TFuzzySetValue::GetCollection() const noexcept {
  return static_cast<TFuzzySetValues*>(TCollectionItem::GetCollection());
}

void TFuzzySetValue::SetCollection(TFuzzySetValues* Value) { TCollectionItem::SetCollection(Value); }

void TFuzzySetValue::ClampToRange(TFzyFloat& X) const {
  const TFuzzySetValues* Values = GetCollection();
  if (Values == nullptr || Values->GetFuzzySet() == nullptr) return;
  const TFuzzySet* Set = Values->GetFuzzySet();
  TFzyFloat Low;
  TFzyFloat High;
  if (IsExactClass(*Set, typeid(TFuzzySet))) {
    // Every point edit asks: a set of the base class has its variable's range (as its
    // GetXRange gives it), looked up once for both ends.
    const TFuzzyVariable* Variable = Set->GetVariable();
    Low = Variable ? Variable->GetMinimum() : kUnboundedMinimum;
    High = Variable ? Variable->GetMaximum() : kUnboundedMaximum;
  } else {
    Low = Set->GetXRange(1);
    High = Set->GetXRange(0);
  }
  if (X < Low) X = Low;
  else if (X > High) X = High;
}

// A NaN is no coordinate (it orders with nothing, so the list could neither be kept sorted nor
// thinned): the point keeps what it holds, as a variable keeps its range.
void TFuzzySetValue::SetX(TFzyFloat Value) {
  if (std::isnan(Value)) return;
  // Setting the X a point has is no change, unless that X lies outside the range (a new
  // point starts one past the last X, unclamped): then the edit brings it into the range.
  TFzyFloat Clamped = Value;
  ClampToRange(Clamped);
  if (Value == FX && Clamped == FX) return;
  FX = Clamped;
  if (TFuzzySetValues* Values = GetCollection()) {
    Values->InvalidateOrder();
    Values->UpdateValue(this, {utX});
  }
  Changed(false);
}

void TFuzzySetValue::SetY(TFzyFloat Value) {
  if (Value == FY || std::isnan(Value)) return;
  FY = Value < 0 ? 0 : Value;
  if (TFuzzySetValues* Values = GetCollection()) {
    Values->InvalidateOrder();
    Values->UpdateValue(this, {utY});
  }
  Changed(false);
}

void TFuzzySetValue::SetValue(TFzyFloat X, TFzyFloat Y) {
  TFuzzySetValues* Values = GetCollection();
  if (Values != nullptr && Values->GetFuzzySet() != nullptr) {
    if (std::isnan(X)) X = FX;
    if (std::isnan(Y)) Y = FY;
    ClampToRange(X);
    if (Y < 0) Y = 0;
  }
  FX = X;
  FY = Y;
  if (Values != nullptr) {
    Values->InvalidateOrder();
    Values->UpdateValue(this, {utX, utY});
  }
  Changed(false);
}

bool TFuzzySetValue::Equals(const TFuzzySetValue* Source) const {
  return FloatEquals(FX, Source->FX) && FloatEquals(FY, Source->FY);
}

void TFuzzySetValue::Assign(const TPersistent* Source) {
  if (const auto* Point = ExactClassCast<const TFuzzySetValue>(Source)) {
    SetValue(Point->FX, Point->FY);
    return;
  }
  TCollectionItem::Assign(Source);
}

void TFuzzySetValue::SetIndex(std::int32_t Value) {
  if (TFuzzySetValues* Values = GetCollection()) {
    Values->InvalidateOrder();
    if (!Values->FPlacing) Values->LoseSearchOrder();
  }
  TCollectionItem::SetIndex(Value);
}

// ---------------------------------------------------------------------------------------------
// TFuzzySetValues

TFuzzySetValues::TFuzzySetValues(TFuzzySet* FuzzySet)
    : TGCollection(FuzzySet, TCollectionItemClass::Of<TFuzzySetValue>()), FFuzzySet(FuzzySet) {}

TFuzzySetValues::~TFuzzySetValues() {
  // The points leave quietly: the owning set is being destroyed and hears nothing more.
  FFuzzySet = nullptr;
  DestroyItems();
}

TFuzzySetValue* TFuzzySetValues::Add() { return static_cast<TFuzzySetValue*>(TGCollection::Add()); }

TFuzzySetValue* TFuzzySetValues::Add(TFzyFloat X, TFzyFloat Y) {
  TFuzzySetValue* Point = Add();
  Point->SetValue(X, Y);
  return Point;
}

TFuzzySetValue* TFuzzySetValues::Insert(std::int32_t Index) {
  if (Index < 0 || Index > GetCount()) RaiseListError(SListIndexError, Index);
  return static_cast<TFuzzySetValue*>(TGCollection::Insert(Index));
}

void TFuzzySetValues::Append(const TFuzzySetValues* Source) { Append(Source, 0, Source->GetCount()); }

void TFuzzySetValues::Append(const TFuzzySetValues* Source, std::int32_t Index, std::int32_t Count) {
  const std::int32_t SourceCount = Source->GetCount();
  if (SourceCount == 0) return;
  if (Index < 0) Index = 0;
  if (Index >= SourceCount) Index = SourceCount - 1;
  if (SourceCount < Index + Count) Count = SourceCount - Index;
  if (Count < 1) return;
  TUpdateBlock<TCollection> Block(*this);
  // Copy the source points first: Source may be this very list.
  for (std::int32_t I = Index; I < Index + Count; ++I) {
    const TFuzzySetValue* From = Source->GetItem(I);
    const TFzyFloat X = From->GetX();
    const TFzyFloat Y = From->GetY();
    Add()->SetValue(X, Y);
  }
}

// The flat copy's room grows with the list, so that rebuilding it never allocates. Out of line:
// most points join a list that has room for them.
void TFuzzySetValues::GrowPoints() {
  const auto Count = static_cast<std::size_t>(GetCount());
  auto& Points = FPoints.Points;
  Points.reserve(std::max({Count, 2 * Points.capacity(), std::size_t{8}}));
}

void TFuzzySetValues::Notify(TCollectionItem* Item, TCollectionNotification Action) {
  InvalidateOrder();
  if (Action == cnAdded) {
    if (FPoints.Points.capacity() < static_cast<std::size_t>(GetCount())) GrowPoints();
    // A point joins at the end: a new one one past the last X, which keeps the order, or one
    // moved in from another list, which may not. A removal keeps the order and leaves FMaxX an
    // upper bound.
    const TFzyFloat X = static_cast<TFuzzySetValue*>(Item)->GetX();
    ++FOrderChanges;
    if (GetCount() == 1) {
      FSearchable = true;
      FMaxX = X;
    } else if (FSearchable && FMaxX <= X + kFuzzyTolerance) {
      if (X > FMaxX) FMaxX = X;
    } else {
      LoseSearchOrder();
    }
  }
  TGCollection::Notify(Item, Action);
}

void TFuzzySetValues::Update(TCollectionItem* Item) {
  TGCollection::Update(Item);
  if (GetCount() < 2) {
    FSorted = true;
    FDuplicatesRemoved = true;
  }
  if (Item == nullptr) CleanupValues();
  if (FFuzzySet != nullptr) {
    if (Item != nullptr) FFuzzySet->UpdateFuzzySetValue(static_cast<TFuzzySetValue*>(Item));
    else FFuzzySet->UpdateFuzzySetValues();
  }
}

void TFuzzySetValues::UpdateValue(TFuzzySetValue* V, TXYUpdateTypes Changes) {
  // The other points stand as they stood before this edit: ordered within the tolerance when
  // the whole list was.
  bool OthersSearchable = FSearchable;
  TFzyFloat OthersMax = FMaxX;
  if (Changes.Contains(utX)) {
    InvalidateOrder();
    LoseSearchOrder();
  }
  const std::int32_t Count = GetCount();
  std::int32_t Index = -1;
  // Most edits are of the point just added, the last one: found without a search.
  if ((FSorted || FDuplicatesRemoved) && Count > 1) Index = GetItem(Count - 1) == V ? Count - 1 : IndexOfItem(V);

  // 1 and 2: does the edit keep the order and the uniqueness the flags promise?
  if (FSorted && Changes.Contains(utX) && Count > 1 && Index >= 0) {
    const TFzyFloat P = Index > 0 ? GetItem(Index - 1)->GetX() : V->GetX();
    const TFzyFloat N = Index < Count - 1 ? GetItem(Index + 1)->GetX() : V->GetX();
    FSorted = V->GetX() >= P - kFuzzyTolerance && V->GetX() <= N + kFuzzyTolerance;
  }
  FDuplicatesRemoved = FDuplicatesRemoved && FSorted;
  // 3. A point moved onto an equal neighbour is as much a duplicate as one whose Y changed, so
  // either coordinate counts; otherwise a bulk change that only moves X could leave more than
  // three equal points on one X.
  if (FDuplicatesRemoved && Count > 1 && Index >= 0) {
    const bool EqualsPrevious = Index > 0 && V->Equals(GetItem(Index - 1));
    const bool EqualsNext = Index < Count - 1 && V->Equals(GetItem(Index + 1));
    FDuplicatesRemoved = !EqualsPrevious && !EqualsNext;
  }
  // 4: inside a bulk change the end of the block cleans up once.
  if (GetUpdateCount() > 0) return;

  const TRestoreValue Editing(FEditing, V);

  if (!FSorted) {
    Sort();  // 5; it moves the other points too and finds out how they are ordered now
    OthersSearchable = FSearchable;
    OthersMax = FMaxX;
  }
  if (GetCount() < 2 || V->GetCollection() != this) return;
  if (Changes.Contains(utX)) Index = PlaceEditedValue(V, Index, OthersSearchable, OthersMax);  // 6
  if (V->GetCollection() == this) ThinEditedRun(V, Index);  // 7
}

std::int32_t TFuzzySetValues::IndexOfEdited(const TFuzzySetValue* V, std::int32_t Hint) const {
  if (Hint >= 0 && Hint < GetCount() && GetItem(Hint) == V) return Hint;
  return IndexOfItem(V);
}

// An edited point goes to the end of the run of points that share its X. When three other
// points already share it, the point just before the third of them gives way, so that no X
// carries more than three points. Returns where V stands, or -1 when it left the list.
std::int32_t TFuzzySetValues::PlaceEditedValue(TFuzzySetValue* V, std::int32_t Hint, bool Others,
                                               TFzyFloat OthersMax) {
  const TFzyFloat X = V->GetX();
  const std::int32_t Count = GetCount();
  const std::int32_t VIndex = IndexOfEdited(V, Hint);
  // Known again only once V stands where it goes.
  FSearchable = false;
  const std::uint64_t ChangesBefore = FOrderChanges;
  std::int32_t From = 0;
  if (FSearchPlacement) {
    // Once after a bulk change or a move from outside: one look at every point.
    if (!Others) Others = OrderedWithinTolerance(GetItemList(), VIndex, OthersMax);
    if (Others) From = PlacementStart(GetItemList(), VIndex, X);
  }
  const TPlacementStop Walk = WalkPlacement(GetItemList(), VIndex, X, From);
  std::int32_t L = Walk.Stop < 0 ? Count - 1 : (Walk.Walked < 0 ? 0 : Walk.Walked);
  std::int32_t Expected = VIndex;
  if (Walk.AtThird) {
    // Only a bulk change can leave the edited point itself just before the third: it stays,
    // and the third gives way.
    const std::int32_t Gone = L == VIndex ? Walk.Stop : L;
    Delete(Gone);
    if (Gone < VIndex) --Expected;
  }
  if (V->GetCollection() != this) return -1;
  if (L > GetCount() - 1) L = GetCount() - 1;

  // The other points keep their order, so the whole list is ordered within the tolerance again
  // when V is ordered with every other point: no earlier X above X plus the tolerance, no later
  // X with X above it plus the tolerance. Only the points near X need a look: before the last
  // earlier point at or below X, and behind the first later point at or above X, every point
  // is ordered with V through that point. (The walk and the clean-ups of the deletion's report
  // may leave V elsewhere than among the points it passed.) Unless a handler of that report
  // changed the order meanwhile.
  auto KeepOrder = [&] {
    if (!FSearchPlacement || !Others || FOrderChanges != ChangesBefore || std::isnan(X)) return;
    for (std::int32_t J = L - 1; J >= 0; --J) {
      const TFzyFloat PX = GetItem(J)->GetX();
      if (!(PX <= X + kFuzzyTolerance)) return;
      if (PX <= X) break;
    }
    for (std::int32_t J = L + 1; J < GetCount(); ++J) {
      const TFzyFloat NX = GetItem(J)->GetX();
      if (!(X <= NX + kFuzzyTolerance)) return;
      if (NX >= X) break;
    }
    FSearchable = true;
    FMaxX = std::max(OthersMax, X);
  };
  if (IndexOfEdited(V, Expected) == L) {
    KeepOrder();
    return L;
  }
  // The move reports the change once, when the block ends, as SetIndex alone would; the order
  // is settled before anyone hears of it.
  TUpdateBlock<TCollection> Block(*this);
  const TRestoreValue Placing(FPlacing, true);
  V->SetIndex(L);
  KeepOrder();
  return L;
}

// Removes equal neighbours from the edited point's run, then keeps the run at three points.
void TFuzzySetValues::ThinEditedRun(TFuzzySetValue* V, std::int32_t Hint) {
  const TFzyFloat X = V->GetX();
  std::int32_t VIndex = IndexOfEdited(V, Hint);
  const std::int32_t Start = SkipX(VIndex, X, -1) + 1;
  for (std::int32_t I = Start + 1; I < GetCount() && FloatEquals(GetItem(I)->GetX(), X);) {
    TFuzzySetValue* Earlier = GetItem(I - 1);
    if (!GetItem(I)->Equals(Earlier)) {
      ++I;
      continue;
    }
    // The earlier of an equal pair goes, unless it is the edited point: then the later one.
    const std::int32_t Gone = Earlier == V ? I : I - 1;
    Delete(Gone);
    if (V->GetCollection() != this) return;
    if (Gone < VIndex) --VIndex;
    if (I > GetCount()) break;
  }
  VIndex = IndexOfEdited(V, VIndex);
  const std::int32_t RunStart = SkipX(VIndex, X, -1) + 1;
  std::int32_t End = SkipX(VIndex, X, +1);
  if (End < 0) End = GetCount();
  if (End - RunStart > 3) {
    // The point just before the edited one gives way; where the edited point opens its run,
    // the one after it does, so that only points of this X are ever thinned.
    Delete(VIndex > RunStart ? VIndex - 1 : VIndex + 1);
  }
}

void TFuzzySetValues::DeleteSparing(std::int32_t Index, std::int32_t Alternative) {
  Delete(GetItem(Index) == FEditing ? Alternative : Index);
}

// The order is that of the selection walk: for each position I, every later point whose X lies
// more than the tolerance below the X now at I moves to I, the points between moving one place
// on. For position I the points so moved are the successive lows of the scan, and they end up
// in front of the point that was at I in the reverse order of their finding, the others
// following in their order; so each position that needs moves is rebuilt in one pass, and one
// whose suffix holds no such low (a suffix minimum tells) is passed over. Same order as moving
// the points one by one, without the cubic cost of doing so.
void TFuzzySetValues::Sort() {
  if (FSorted) return;
  TUpdateBlock<TCollection> Block(*this);
  InvalidateOrder();
  LoseSearchOrder();
  TItemList& Items = GetItemList();
  const std::size_t Count = Items.size();
  auto XOf = [&Items](std::size_t Index) { return static_cast<TFuzzySetValue*>(Items[Index])->GetX(); };

  std::vector<TFzyFloat> SuffixMin(Count + 1, std::numeric_limits<TFzyFloat>::infinity());
  auto ComputeSuffixMin = [&](std::size_t From) {
    for (std::size_t K = Count; K-- > From;) SuffixMin[K] = std::min(XOf(K), SuffixMin[K + 1]);
  };
  ComputeSuffixMin(0);

  std::vector<TCollectionItem*> Lows;
  std::vector<TCollectionItem*> Others;
  for (std::size_t I = 0; I + 1 < Count; ++I) {
    // x + tolerance rises with x, so the smallest X decides whether any point moves.
    if (!(XOf(I) > SuffixMin[I + 1] + kFuzzyTolerance)) continue;
    Lows.clear();
    Others.clear();
    TFzyFloat Current = XOf(I);
    for (std::size_t J = I + 1; J < Count; ++J) {
      const TFzyFloat X = XOf(J);
      if (Current > X + kFuzzyTolerance) {
        Lows.push_back(Items[J]);
        Current = X;
      } else {
        Others.push_back(Items[J]);
      }
    }
    TCollectionItem* Displaced = Items[I];
    std::size_t K = I;
    for (auto It = Lows.rbegin(); It != Lows.rend(); ++It) Items[K++] = *It;
    Items[K++] = Displaced;
    for (TCollectionItem* Item : Others) Items[K++] = Item;
    ComputeSuffixMin(I);
  }
  FSorted = true;
  // Sorted, the list is ordered within the tolerance, unless a NaN keeps it from any order.
  FSearchable = OrderedWithinTolerance(Items, -1, FMaxX);
}

void TFuzzySetValues::RemoveDuplicates() {
  if (FDuplicatesRemoved) return;
  TUpdateBlock<TCollection> Block(*this);
  std::int32_t Counter = 0;
  std::int32_t I = 1;
  while (I < GetCount()) {
    TFuzzySetValue* Point = GetItem(I);
    TFuzzySetValue* Before = GetItem(I - 1);
    if (Point->Equals(Before)) {
      DeleteSparing(I, I - 1);
    } else if (FloatEquals(Point->GetX(), Before->GetX())) {
      if (++Counter == 4) {
        DeleteSparing(I, I - 1);
        Counter = 0;
      } else {
        ++I;
      }
    } else {
      Counter = 0;
      ++I;
    }
  }
  FDuplicatesRemoved = true;
}

void TFuzzySetValues::CleanupValues() {
  if (FSorted && FDuplicatesRemoved) return;
  TUpdateBlock<TCollection> Block(*this);
  Sort();
  RemoveDuplicates();
}

std::int32_t TFuzzySetValues::SkipX(std::int32_t Index, TFzyFloat X, std::int32_t Dir) const {
  if (Dir == 0) Dir = 1;
  const std::int32_t Count = GetCount();
  std::int32_t I = Index + Dir;
  while (I >= 0 && I < Count && FloatEquals(GetItem(I)->GetX(), X)) I += Dir;
  return I < Count ? I : -1;
}

std::int32_t TFuzzySetValues::SkipY(std::int32_t Index, TFzyFloat Y, std::int32_t Dir) const {
  if (Dir == 0) Dir = 1;
  const std::int32_t Count = GetCount();
  std::int32_t I = Index + Dir;
  while (I >= 0 && I < Count && FloatEquals(GetItem(I)->GetY(), Y)) I += Dir;
  return I < Count ? I : -1;
}

void TFuzzySetValues::Expand(std::int32_t NewCount) {
  if (NewCount < 2 || GetCount() >= NewCount) return;
  std::int32_t ToAdd = NewCount - GetCount();
  std::int32_t Gaps = 0;
  for (std::int32_t I = 0; I + 1 < GetCount(); ++I)
    if (GetItem(I)->GetX() < GetItem(I + 1)->GetX() - kFuzzyTolerance) ++Gaps;

  TUpdateBlock<TCollection> Block(*this);
  for (std::int32_t I = 0; I < GetCount() - 1; ++I) {
    const TFzyFloat Left = GetItem(I)->GetX();
    const TFzyFloat Right = GetItem(I + 1)->GetX();
    if (!(Left < Right - kFuzzyTolerance)) continue;
    const auto N = static_cast<std::int32_t>(std::ceil(static_cast<double>(ToAdd) / Gaps));
    const TFzyFloat Step = (Right - Left) / (N + 1);
    --Gaps;
    for (std::int32_t K = 0; K < N; ++K) {
      --ToAdd;
      TFuzzySetValue* Point = Add();
      Point->SetX(GetItem(I)->GetX() + Step);
      Point->SetIndex(I + 1);
      ++I;
      const TFuzzySetValue* Prev = GetItem(I - 1);
      const TFuzzySetValue* Next = GetItem(I + 1);
      Point->SetY(InterpolateBetween(Prev->GetX(), Prev->GetY(), Next->GetX(), Next->GetY(), Point->GetX()));
    }
  }
}

void TFuzzySetValues::ExpandSimple(std::int32_t NewCount) {
  if (NewCount <= 1 || GetCount() >= NewCount) return;
  // Spreading points needs a range to spread them over: a single point, or points on one X,
  // have none, and the list stays as it is.
  if (GetCount() < 2) return;
  const TFzyFloat First = GetItem(0)->GetX();
  const TFzyFloat Last = GetItem(GetCount() - 1)->GetX();
  if (!(Last > First + kFuzzyTolerance)) return;

  std::int32_t ToAdd = NewCount - GetCount();
  const TFzyFloat Step = (Last - First) / (ToAdd + 1);
  TFzyFloat X = First;
  std::int32_t J = 0;
  TUpdateBlock<TCollection> Block(*this);
  for (; ToAdd > 0; --ToAdd) {
    X += Step;
    while (J < GetCount() - 1 && GetItem(J)->GetX() < X) ++J;
    if (FloatEquals(GetItem(J)->GetX(), X)) {
      J = SkipX(J, X, +1);
      if (J < 0) J = GetCount() - 1;
    }
    TFuzzySetValue* Point = Add();
    Point->SetX(X);
    Point->SetIndex(J);
    const TFuzzySetValue* Prev = J > 0 ? GetItem(J - 1) : Point;
    const TFuzzySetValue* Next = J + 1 < GetCount() ? GetItem(J + 1) : Point;
    Point->SetY(InterpolateBetween(Prev->GetX(), Prev->GetY(), Next->GetX(), Next->GetY(), Point->GetX()));
  }
}

void TFuzzySetValues::RaiseEmpty(const char* Operation) {
  throw EFzyException(Format(LoadResString(SFuzzySetEmpty), {Operation}));
}

TFzyFloat TFuzzySetValues::GetAvgValue() const {
  if (GetCount() == 0) RaiseEmpty("Get Average Y Value");
  TFzyFloat Sum = 0;
  for (TCollectionItem* Item : *this) Sum += static_cast<TFuzzySetValue*>(Item)->GetY();
  return Sum / GetCount();
}

TFzyFloat TFuzzySetValues::GetMaxValue() const {
  if (GetCount() == 0) RaiseEmpty("Get Maximum Y Value");
  // A new running maximum of exactly 1 ends the walk (the first point's Y does not).
  TFzyFloat Max = GetItem(0)->GetY();
  for (std::int32_t I = 1; I < GetCount(); ++I) {
    const TFzyFloat Y = GetItem(I)->GetY();
    if (Y > Max) {
      Max = Y;
      if (Max == 1) break;
    }
  }
  return Max;
}

TFzyFloat TFuzzySetValues::GetMinValue() const {
  if (GetCount() == 0) RaiseEmpty("Get Minimum Y Value");
  TFzyFloat Min = GetItem(0)->GetY();
  for (std::int32_t I = 1; I < GetCount(); ++I) {
    const TFzyFloat Y = GetItem(I)->GetY();
    if (Y < Min) {
      Min = Y;
      if (Min == 0) break;
    }
  }
  return Min;
}

void TFuzzySetValues::GetStatValues(TFzyFloat& AvgY, TFzyFloat& MaxY, TFzyFloat& MinY) const {
  if (GetCount() == 0) RaiseEmpty("Get Statistics Values");
  AvgY = 0;
  MaxY = 0;
  MinY = 1;
  for (TCollectionItem* Item : *this) {
    const TFzyFloat Y = static_cast<TFuzzySetValue*>(Item)->GetY();
    AvgY += Y;
    if (Y > MaxY) MaxY = Y;
    if (Y < MinY) MinY = Y;
  }
  AvgY /= GetCount();
}

std::int32_t TFuzzySetValues::GetXCount(TFzyFloat X) const {
  std::int32_t N = 0;
  for (TCollectionItem* Item : *this)
    if (static_cast<TFuzzySetValue*>(Item)->GetX() == X) ++N;
  return N;
}

namespace {

// The stamps of rebuilt flat copies, shared by every list in every thread.
std::atomic<std::uint64_t> PointsStampCounter{0};

}  // namespace

void TFuzzySetValues::BuildPoints() const {
  auto& Points = FPoints.Points;
  Points.clear();
  bool Monotone = true;
  bool Numbers = true;
  for (const TCollectionItem* Item : *this) {
    const auto* P = static_cast<const TFuzzySetValue*>(Item);
    if (!Points.empty() && P->GetX() < Points.back().X) Monotone = false;
    if (std::isnan(P->GetX())) Numbers = false;
    Points.push_back({P->GetX(), P->GetY()});
  }
  FPoints.Monotone = Monotone;
  FPoints.Ordered = Monotone && Numbers && Points.size() >= 2;
  FPoints.Stamp = PointsStampCounter.fetch_add(1, std::memory_order_relaxed) + 1;
  FPoints.Valid = true;
}

std::unique_ptr<TFuzzySetValuesEnumerator> TFuzzySetValues::GetEnumerator() const {
  return std::make_unique<TFuzzySetValuesEnumerator>(this);
}

TFuzzySetValuesEnumerator::~TFuzzySetValuesEnumerator() = default;

// ---------------------------------------------------------------------------------------------
// Point walks

void NextPoint(TFuzzySetValue* Current, TFuzzySetValue* Previous, std::int32_t& Index,
               const TFuzzySetValues* Values, TFzyFloat X) {
  Previous->Assign(Current);
  ++Index;
  if (Index < Values->GetCount()) Current->Assign(Values->GetItem(Index));
  else Current->SetX(X);
}

void AddAndIncrement(TFuzzySet* FuzzySet, TFuzzySetValue* Current, TFuzzySetValue* Previous,
                     TFuzzySetValue* Other, std::int32_t& Index, TFzyFloat A, TFzyFloat B,
                     const TFuzzySetValues* Values, TFzyFloat X, bool Flag) {
  if ((Flag && A >= B) || (!Flag && A < B)) FuzzySet->GetValues()->Add()->Assign(Current);
  NextPoint(Current, Previous, Index, Values, X);
  if (A == B) Other->Assign(Previous);
}

void Add1AndIncrement2(TFuzzySet* FuzzySet, TFuzzySetValue* Current1, TFuzzySetValue* Current2,
                       TFuzzySetValue* Previous1, TFuzzySetValue* Previous2, std::int32_t& Index1,
                       std::int32_t& Index2, TFzyFloat A, TFzyFloat B, const TFuzzySetValues* Values1,
                       const TFuzzySetValues* Values2, TFzyFloat X, bool Flag) {
  AddAndIncrement(FuzzySet, Current1, Previous1, Previous2, Index1, A, B, Values1, X, Flag);
  NextPoint(Current2, Previous2, Index2, Values2, X);
}

}  // namespace tarnwick
