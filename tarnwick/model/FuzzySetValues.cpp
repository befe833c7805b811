// The points of a fuzzy set: a point's edits held in its variable's range, and the point list's
// placement of edited points, clean-up after bulk changes, statistics and point walks.
#include "tarnwick/model/FuzzySetValues.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>
#include <typeinfo>
#include <utility>
#include <vector>

#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/model/FuzzyVariable.h"
#include "tarnwick/model/detail/BlockCaches.h"
#include "tarnwick/model/detail/SetLinks.h"
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

// A->Equals(B), told without a virtual call for a point of the list's own class: every edit and
// clean-up compares neighbours.
[[gnu::always_inline]] inline bool SamePoint(const TFuzzySetValue* A, const TFuzzySetValue* B) {
  if (IsExactClass(*A, typeid(TFuzzySetValue)))
    return FloatEquals(A->GetX(), B->GetX()) && FloatEquals(A->GetY(), B->GetY());
  return A->Equals(B);
}

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

// Whether the pair of neighbours W[K - 1], W[K] of the points W[0 .. N - 1] (in list order) is
// where the clean-up of duplicates would delete: the two are equal, or the pair is one of four
// or more pairs in a row whose X lie within the tolerance of each other.
const TFuzzySetValue* PointAt(TCollectionItem* const* W, std::size_t J) {
  return static_cast<const TFuzzySetValue*>(W[J]);
}

bool WithinAt(TCollectionItem* const* W, std::size_t J) {
  return FloatEquals(PointAt(W, J)->GetX(), PointAt(W, J - 1)->GetX());
}

bool ThinsAt(TCollectionItem* const* W, std::size_t N, std::size_t K) {
  if (SamePoint(PointAt(W, K), PointAt(W, K - 1))) return true;
  if (!WithinAt(W, K)) return false;
  std::size_t Run = 1;
  for (std::size_t J = K - 1; J >= 1 && WithinAt(W, J); --J) ++Run;
  for (std::size_t J = K + 1; J < N && WithinAt(W, J); ++J) ++Run;
  return Run >= 4;
}

// Whether the clean-up of duplicates would delete any point of Items.
bool ThinsAnywhere(const TItems& Items) {
  TCollectionItem* const* W = Items.data();
  std::size_t Run = 0;
  for (std::size_t K = 1; K < Items.size(); ++K) {
    if (SamePoint(PointAt(W, K), PointAt(W, K - 1))) return true;
    Run = WithinAt(W, K) ? Run + 1 : 0;
    if (Run >= 4) return true;
  }
  return false;
}

// The selection walk of the sort over Items[Begin .. End - 1]: for each position I, every later
// point whose X lies more than the tolerance below the X now at I moves to I, the points between
// moving one place on. For position I the points so moved are the successive lows of the scan,
// and they end up in front of the point that was at I in the reverse order of their finding,
// the others following in their order; so each position that needs moves is rebuilt in one
// pass, and one whose suffix holds no such low (a suffix minimum tells) is passed over.
void WalkSort(TItems& Items, std::size_t Begin, std::size_t End) {
  auto XOf = [&Items](std::size_t Index) { return static_cast<TFuzzySetValue*>(Items[Index])->GetX(); };
  std::vector<TFzyFloat> SuffixMin(End - Begin + 1, std::numeric_limits<TFzyFloat>::infinity());
  auto Min = [&](std::size_t Index) -> TFzyFloat& { return SuffixMin[Index - Begin]; };
  auto ComputeSuffixMin = [&](std::size_t From) {
    for (std::size_t K = End; K-- > From;) Min(K) = std::min(XOf(K), Min(K + 1));
  };
  ComputeSuffixMin(Begin);
  std::vector<TCollectionItem*> Lows;
  std::vector<TCollectionItem*> Others;
  for (std::size_t I = Begin; I + 1 < End; ++I) {
    // x + tolerance rises with x, so the smallest X decides whether any point moves.
    if (!(XOf(I) > Min(I + 1) + kFuzzyTolerance)) continue;
    Lows.clear();
    Others.clear();
    TFzyFloat Current = XOf(I);
    for (std::size_t J = I + 1; J < End; ++J) {
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

void* TFuzzySetValue::operator new(std::size_t Size) { return detail::TPointBlocks::Allocate(Size); }

void TFuzzySetValue::operator delete(void* Block, std::size_t Size) noexcept {
  detail::TPointBlocks::Release(Block, Size);
}

void* TFuzzySetValues::operator new(std::size_t Size) { return detail::TPointListBlocks::Allocate(Size); }

void TFuzzySetValues::operator delete(void* Block, std::size_t Size) noexcept {
  detail::TPointListBlocks::Release(Block, Size);
}

TFuzzySetValues* TFuzzySetValue::GetCollection() const noexcept {
  return static_cast<TFuzzySetValues*>(TCollectionItem::GetCollection());
}

void TFuzzySetValue::SetCollection(TFuzzySetValues* Value) { TCollectionItem::SetCollection(Value); }

TFuzzySetValue::TFuzzySetValue(TFuzzySetValues* Values, TFzyFloat X, TFzyFloat Y)
    : TCollectionItem(nullptr), FX(X), FY(Y) {
  JoinCollection(Values);
}

void TFuzzySetValue::ClampToRange(TFzyFloat& X) const {
  if (const TFuzzySetValues* Values = GetCollection()) Values->ClampToRange(X);
}

inline void TFuzzySetValues::ClampToRange(TFzyFloat& X) const {
  const TFuzzySet* Set = FFuzzySet;
  if (Set == nullptr) return;
  TFzyFloat Low;
  TFzyFloat High;
  if (IsExactClass(*Set, typeid(TFuzzySet))) {
    // Every point edit asks: a set of the base class has its variable's range (as its
    // GetXRange gives it), looked up once for both ends.
    const TFuzzyVariable* Variable = detail::VariableOf(Set->TCollectionItem::GetCollection());
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
  TFuzzySetValues* Values = GetCollection();
  std::int32_t From = -1;
  if (Values != nullptr) {
    Values->InvalidateOrder();
    if (!Values->FPlacing) Values->LoseSearchOrder();
    if (!Values->FMayThin && Values->KeepsThinAccount()) From = GetIndex();
  }
  TCollectionItem::SetIndex(Value);
  if (From >= 0 && From != Value && GetCollection() == Values) {
    // The point's new neighbours, and the old ones, which now meet.
    Values->NoteNeighbours(From);
    Values->NoteNeighbours(Value);
  }
}

// ---------------------------------------------------------------------------------------------
// TFuzzySetValues

TFuzzySetValues::TFuzzySetValues(TFuzzySet* FuzzySet)
    : TGCollection(FuzzySet, TCollectionItemClass::Of<TFuzzySetValue>()), FFuzzySet(FuzzySet) {}

TFuzzySetValues::~TFuzzySetValues() {
  // The points leave quietly: the owning set is being destroyed and hears nothing more, and
  // what this list's notices keep (flags, order, flat copy) dies with it. A point of a
  // descendant class still leaves with its notices, as its own destructor may expect.
  FFuzzySet = nullptr;
  FMayThin = true;
  DestroyItemsQuietly(typeid(TFuzzySetValue));
}

// The item class of a point list is TFuzzySetValue, always: its points are made here at once.
TFuzzySetValue* TFuzzySetValues::Add() { return new TFuzzySetValue(this); }

TFuzzySetValue* TFuzzySetValues::Add(TFzyFloat X, TFzyFloat Y) {
  if (AddsInBlock()) return AddInBlock(X, Y, false);
  TFuzzySetValue* Point = Add();
  Point->SetValue(X, Y);
  return Point;
}

// An edit's steps 1 to 3 for the last point, now at (X, Y), whose one neighbour is the point
// before it. (Joining looked at the neighbours for FMayThin already.)
inline void TFuzzySetValues::KeepAppendedFlags(TFzyFloat X, TFzyFloat Y, bool ChangesX) noexcept {
  const TItemList& Items = GetItemList();
  if (Items.size() > 1 && (FSorted || FDuplicatesRemoved)) {
    const TFuzzySetValue* Before = PointAt(Items.data(), Items.size() - 2);
    if (FSorted && ChangesX) FSorted = X >= Before->GetX() - kFuzzyTolerance && X <= X + kFuzzyTolerance;
    FDuplicatesRemoved =
        FDuplicatesRemoved && FSorted && !(FloatEquals(X, Before->GetX()) && FloatEquals(Y, Before->GetY()));
  } else {
    FDuplicatesRemoved = FDuplicatesRemoved && FSorted;
  }
}

// Inside a bulk change an edit keeps only the flags, and a new point's first coordinates (one
// past the last X, and 0) are seen by nothing but the list itself, whose own Notify alone hears
// of the point before its edits: so the point joins with the coordinates its edits give it, and
// the flags are kept as those edits keep them. (Outside a block the new point is reported before
// its edits; a descendant may watch the notices and the edits.) EachCoordinate: the edits are
// SetX(X) and then SetY(Y), else the one SetValue(X, Y).
TFuzzySetValue* TFuzzySetValues::AddInBlock(TFzyFloat X, TFzyFloat Y, bool EachCoordinate) {
  const TItemList& Items = GetItemList();
  const TFzyFloat FirstX = Items.empty() ? 0 : PointAt(Items.data(), Items.size() - 1)->GetX() + 1;
  if (!EachCoordinate) {
    if (FFuzzySet != nullptr) {
      if (std::isnan(X)) X = FirstX;
      if (std::isnan(Y)) Y = 0;
      ClampToRange(X);
      if (Y < 0) Y = 0;
    }
    auto* Point = new TFuzzySetValue(this, X, Y);
    LoseSearchOrder();
    KeepAppendedFlags(X, Y, true);
    return Point;
  }
  // SetX and SetY, each of which may change nothing.
  bool EditsX = false;
  TFzyFloat NewX = FirstX;
  if (!std::isnan(X)) {
    TFzyFloat Clamped = X;
    ClampToRange(Clamped);
    EditsX = !(X == FirstX && Clamped == FirstX);
    NewX = Clamped;
  }
  const bool EditsY = !(Y == 0 || std::isnan(Y));
  const TFzyFloat NewY = !EditsY || Y < 0 ? 0 : Y;
  auto* Point = new TFuzzySetValue(this, NewX, NewY);
  if (EditsX) {
    LoseSearchOrder();
    KeepAppendedFlags(NewX, 0, true);
  }
  if (EditsY) KeepAppendedFlags(NewX, NewY, false);
  return Point;
}

TFuzzySetValue* TFuzzySetValues::Insert(std::int32_t Index) {
  if (Index < 0 || Index > GetCount()) RaiseListError(SListIndexError, Index);
  return static_cast<TFuzzySetValue*>(TGCollection::Insert(Index));
}

// What the notices of points of the list's own class leaving it do, for all of them at once: the
// flat copy is out of date, and an empty list thins nothing.
void TFuzzySetValues::Clear() {
  if (GetCount() == 0 || !IsExactClass(*this, typeid(TFuzzySetValues))) {
    TGCollection::Clear();
    return;
  }
  InUpdateBlock(*this, [this]() noexcept {
    InvalidateOrder();
    FreeItemsQuietly(typeid(TFuzzySetValue));
  });
}

void TFuzzySetValues::Assign(const TPersistent* Source) {
  const auto* Other = ExactClassCast<const TFuzzySetValues>(Source);
  if (Other == nullptr || Other == this) {
    TGCollection::Assign(Source);
    return;
  }
  // The collection's assignment (clear, then one new point assigned from each source point,
  // inside one block), each point made as Add(X, Y) makes it: the same as its assignment.
  InUpdateBlock(*this, [&] {
    Clear();
    for (const TCollectionItem* Item : *Other) {
      if (const auto* Point = ExactClassCast<const TFuzzySetValue>(Item)) Add(Point->GetX(), Point->GetY());
      else Add()->Assign(Item);
    }
  });
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
    Add(From->GetX(), From->GetY());
  }
}

// The flat copy's room grows with the list, so that rebuilding it never allocates. Out of line:
// most points join a list that has room for them.
void TFuzzySetValues::GrowPoints() {
  const auto Count = static_cast<std::size_t>(GetCount());
  auto& Points = FPoints.Points;
  Points.reserve(std::max(Count, 2 * Points.capacity()));
}

void TFuzzySetValues::TFlatPoints::reserve(std::size_t Count) {
  if (Count <= FCapacity) return;
  auto* Room = static_cast<TFuzzyPoint*>(detail::AllocateItemRoom(Count * sizeof(TFuzzyPoint)));
  std::copy(FData, FData + FSize, Room);
  Release();
  FData = Room;
  FCapacity = Count;
}

void TFuzzySetValues::TFlatPoints::Release() noexcept {
  if (FData != FInline) detail::ReleaseItemRoom(FData, FCapacity * sizeof(TFuzzyPoint));
  FData = FInline;
  FCapacity = kInlinePoints;
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
    if (!FMayThin) NoteNeighbours(GetCount() - 1);
  } else if (Action == cnExtracting && !FMayThin) {
    NoteLeaving(Item);
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
  const bool OthersSearchable = FSearchable;
  const TFzyFloat OthersMax = FMaxX;
  if (Changes.Contains(utX)) {
    InvalidateOrder();
    LoseSearchOrder();
  }
  const std::int32_t Index = KeepEditFlags(V, Changes.Contains(utX));
  if (!FMayThin && KeepsThinAccount()) NoteNeighbours(Index >= 0 ? Index : IndexOfItem(V));
  // 4: inside a bulk change the end of the block cleans up once.
  if (GetUpdateCount() > 0) return;
  PlaceEdited(V, Changes, Index, OthersSearchable, OthersMax);
}

std::int32_t TFuzzySetValues::KeepEditFlags(const TFuzzySetValue* V, bool ChangesX) {
  const TItemList& Items = GetItemList();
  const auto Count = static_cast<std::int32_t>(Items.size());
  // Most edits are of the point just added, the last one: found without a search.
  const std::int32_t Index = (FSorted || FDuplicatesRemoved) && Count > 1
                                 ? (Items[static_cast<std::size_t>(Count - 1)] == V ? Count - 1 : IndexOfItem(V))
                                 : -1;
  if (Index < 0) {
    FDuplicatesRemoved = FDuplicatesRemoved && FSorted;
    return Index;
  }
  const TFuzzySetValue* Before = Index > 0 ? PointAt(Items.data(), static_cast<std::size_t>(Index) - 1) : nullptr;
  const TFuzzySetValue* After = Index < Count - 1 ? PointAt(Items.data(), static_cast<std::size_t>(Index) + 1) : nullptr;
  // 1 and 2: does the edit keep the order and the uniqueness the flags promise?
  if (FSorted && ChangesX) {
    const TFzyFloat X = V->GetX();
    const TFzyFloat P = Before ? Before->GetX() : X;
    const TFzyFloat N = After ? After->GetX() : X;
    FSorted = X >= P - kFuzzyTolerance && X <= N + kFuzzyTolerance;
  }
  FDuplicatesRemoved = FDuplicatesRemoved && FSorted;
  // 3. A point moved onto an equal neighbour is as much a duplicate as one whose Y changed, so
  // either coordinate counts; otherwise a bulk change that only moves X could leave more than
  // three equal points on one X.
  if (FDuplicatesRemoved) FDuplicatesRemoved = !(Before && SamePoint(V, Before)) && !(After && SamePoint(V, After));
  return Index;
}

void TFuzzySetValues::PlaceEdited(TFuzzySetValue* V, TXYUpdateTypes Changes, std::int32_t Index,
                                  bool OthersSearchable, TFzyFloat OthersMax) {
  const TRestoreValue Editing(FEditing, V);

  if (!FSorted) {
    // 5. The sort moves the other points too, unless they are in order: then only V moves.
    if (OthersSearchable && FSearchPlacement) Index = SortEdited(V, OthersMax);
    else Sort();
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
    if (!SamePoint(GetItem(I), Earlier)) {
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

// The order of the selection walk. Points in different chains (in order of X, a new chain
// begins where an X lies more than the tolerance above the one before) compare the same way
// whatever else they meet: each point of a lower chain lies more than the tolerance below each
// of a higher one. So the walk puts the chains in order of X and keeps, within each, the order
// that the walk over that chain alone gives; a chain whose X all lie within the tolerance of
// its first keeps its order. Only chains of points spread wider than that need the walk.
void TFuzzySetValues::Sort() {
  if (FSorted) return;
  TUpdateBlock<TCollection> Block(*this);
  InvalidateOrder();
  LoseSearchOrder();
  FMayThin = true;
  TItemList& Items = GetItemList();
  const std::size_t Count = Items.size();
  auto XOf = [](const TCollectionItem* Item) { return static_cast<const TFuzzySetValue*>(Item)->GetX(); };
  if (std::any_of(Items.begin(), Items.end(), [&](const TCollectionItem* Item) { return std::isnan(XOf(Item)); })) {
    WalkSort(Items, 0, Count);  // a NaN orders with nothing: the walk alone says where it goes
  } else {
    std::vector<std::uint32_t> ByX(Count);
    for (std::size_t I = 0; I < Count; ++I) ByX[I] = static_cast<std::uint32_t>(I);
    std::stable_sort(ByX.begin(), ByX.end(),
                     [&](std::uint32_t A, std::uint32_t B) { return XOf(Items[A]) < XOf(Items[B]); });
    // The chain of each point, and where each chain begins once they are in order.
    std::vector<std::uint32_t> Chain(Count);
    std::vector<std::size_t> ChainStart;
    std::vector<bool> Spread;
    TFzyFloat FirstX = 0;
    for (std::size_t T = 0; T < Count; ++T) {
      const TFzyFloat X = XOf(Items[ByX[T]]);
      if (T == 0 || X > XOf(Items[ByX[T - 1]]) + kFuzzyTolerance) {
        ChainStart.push_back(0);
        Spread.push_back(false);
        FirstX = X;
      } else if (X > FirstX + kFuzzyTolerance) {
        Spread.back() = true;
      }
      Chain[ByX[T]] = static_cast<std::uint32_t>(ChainStart.size() - 1);
      ++ChainStart.back();
    }
    std::size_t Start = 0;
    for (std::size_t& Size : ChainStart) Start += std::exchange(Size, Start);
    std::vector<TCollectionItem*> Ordered(Count);
    std::vector<std::size_t> Next = ChainStart;
    for (std::size_t I = 0; I < Count; ++I) Ordered[Next[Chain[I]]++] = Items[I];
    std::copy(Ordered.begin(), Ordered.end(), Items.begin());
    for (std::size_t C = 0; C < ChainStart.size(); ++C)
      if (Spread[C]) WalkSort(Items, ChainStart[C], C + 1 < ChainStart.size() ? ChainStart[C + 1] : Count);
  }
  FSorted = true;
  // Sorted, the list is ordered within the tolerance, unless a NaN keeps it from any order.
  FSearchable = OrderedWithinTolerance(Items, -1, FMaxX);
}

std::int32_t TFuzzySetValues::SortEdited(TFuzzySetValue* V, TFzyFloat OthersMax) {
  TUpdateBlock<TCollection> Block(*this);
  InvalidateOrder();
  LoseSearchOrder();
  TItemList& Items = GetItemList();
  const auto Count = static_cast<std::int32_t>(Items.size());
  const std::int32_t From = IndexOfEdited(V, Count - 1);
  const TFzyFloat X = V->GetX();
  // The walk moves V in front of the first point before it whose X exceeds V's by more than
  // the tolerance. No point up to one at or below X does, the others being in order: the
  // bisection finds such a point next to one above X, and the points from there on lie within
  // a few tolerances of X until the first that qualifies.
  std::int32_t Lo = -1;
  std::int32_t Hi = From;
  while (Hi - Lo > 1) {
    const std::int32_t Mid = Lo + (Hi - Lo) / 2;
    if (XAt(Items, Mid) <= X) Lo = Mid;
    else Hi = Mid;
  }
  std::int32_t To = Lo + 1;
  while (To < From && !(XAt(Items, To) > X + kFuzzyTolerance)) ++To;
  if (To < From) {
    Items.move(static_cast<std::size_t>(From), static_cast<std::size_t>(To));
    NoteNeighbours(To);
    NoteNeighbours(From);
  } else {
    To = From;
    // Otherwise every later point more than the tolerance below X moves in front of V, in
    // their order, and the points V passes that are not keep theirs behind it. None lies so
    // low past the first point at or above X.
    std::int32_t End = From + 1;
    while (End < Count && XAt(Items, End) < X) ++End;
    auto IsLow = [X](const TCollectionItem* P) {
      return static_cast<const TFuzzySetValue*>(P)->GetX() < X - kFuzzyTolerance;
    };
    const auto Low = std::stable_partition(Items.begin() + From + 1, Items.begin() + End, IsLow);
    std::rotate(Items.begin() + From, Items.begin() + From + 1, Low);
    To = static_cast<std::int32_t>(Low - Items.begin()) - 1;
    for (std::int32_t I = From; I < End; ++I) NoteNeighbours(I);
  }
  FSorted = true;
  FSearchable = !std::isnan(X);
  FMaxX = std::max(OthersMax, X);
  return To;
}

void TFuzzySetValues::NoteNeighbours(std::int32_t Index) noexcept {
  const auto Count = static_cast<std::int32_t>(GetCount());
  if (FMayThin || !KeepsThinAccount() || Index < 0 || Index >= Count) return;
  const std::int32_t First = std::max(0, Index - 4);
  const auto N = static_cast<std::size_t>(std::min(Count, Index + 5) - First);
  TCollectionItem* const* W = GetItemList().data() + First;
  const auto K = static_cast<std::size_t>(Index - First);
  FMayThin = (K > 0 && ThinsAt(W, N, K)) || (K + 1 < N && ThinsAt(W, N, K + 1));
}

void TFuzzySetValues::NoteLeaving(const TCollectionItem* Item) noexcept {
  if (FMayThin || !KeepsThinAccount()) return;
  const std::int32_t Index = IndexOfItem(Item);
  const auto Count = static_cast<std::int32_t>(GetCount());
  if (Index <= 0 || Index >= Count - 1) return;
  TCollectionItem* W[8];
  std::size_t N = 0;
  for (std::int32_t I = std::max(0, Index - 4); I < std::min(Count, Index + 5); ++I)
    if (I != Index) W[N++] = GetItemList()[static_cast<std::size_t>(I)];
  FMayThin = ThinsAt(W, N, static_cast<std::size_t>(Index - std::max(0, Index - 4)));
}

// The rule walks the list and deletes one point at a time: a point equal to the one before it,
// and every fourth in a row whose X lies within the tolerance of the one before (the counter
// survives the deletions of equal points). Decided here in one pass over the points as they
// would stand, Before being the last point kept before the position, and deleted in one go, in
// the same order and with the same notices: the points deleted one at a time cost a pass each.
// Most clean-ups delete nothing, and find that out before they take room for the points to go.
void TFuzzySetValues::RemoveDuplicates() {
  if (FDuplicatesRemoved) return;
  TUpdateBlock<TCollection> Block(*this);
  if (!FMayThin) {
    FDuplicatesRemoved = true;
    return;
  }
  const TItemList& Items = GetItemList();
  std::int32_t Counter = 0;
  // Whether the rule deletes the point at I, the last point kept before it being Before.
  auto Drops = [&Counter](const TFuzzySetValue* Point, const TFuzzySetValue* Before) {
    if (SamePoint(Point, Before)) return true;
    if (!FloatEquals(Point->GetX(), Before->GetX())) {
      Counter = 0;
      return false;
    }
    if (++Counter < 4) return false;
    Counter = 0;
    return true;
  };
  // Up to the first deletion, the point kept last is the one just before.
  std::size_t First = 1;
  while (First < Items.size() &&
         !Drops(static_cast<const TFuzzySetValue*>(Items[First]), static_cast<const TFuzzySetValue*>(Items[First - 1])))
    ++First;
  if (First >= Items.size()) {
    FDuplicatesRemoved = true;
    FMayThin = false;  // no neighbours equal, no four pairs in a row within the tolerance
    return;
  }
  TItemList Gone;
  Gone.reserve(detail::kFirstItems);
  TCollectionItem* Before = Items[First - 1];
  for (std::size_t I = First; I < Items.size(); ++I) {
    TCollectionItem* Point = Items[I];
    if (I > First && !Drops(static_cast<const TFuzzySetValue*>(Point), static_cast<const TFuzzySetValue*>(Before))) {
      Before = Point;
    } else if (Point != FEditing) {
      Gone.push_back(Point);
    } else {
      // The edited point is spared: the one before it goes, and it stands in that one's place.
      Gone.push_back(Before);
      Before = Point;
    }
  }
  FMayThin = true;  // judged below, once the points are gone
  DeleteItems(Gone);
  FDuplicatesRemoved = true;
  // The rule is no fixed point: a long chain within the tolerance is thinned again next time.
  FMayThin = !KeepsThinAccount() || ThinsAnywhere(Items);
}

void TFuzzySetValues::CleanupValues() {
  if (FSorted && FDuplicatesRemoved) return;
  InUpdateBlock(*this, [this] {
    Sort();
    RemoveDuplicates();
  });
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
