// The points of a fuzzy set: one (X, Y) point, and the point list that keeps itself sorted by X,
// free of duplicates and at most three points deep on one X.
//
// Every edit of a point goes through TFuzzySetValues::UpdateValue, which keeps two flags that
// say what the last clean-up guaranteed (sorted, duplicates removed). Outside an update block
// the edit is placed and thinned at once; inside one, only the flags are kept, and the end of
// the outermost block sorts and thins the whole list once. Points within 1e-4 of each other on
// X count as one X throughout.
//
// Placing an edited point walks the list from its start. Outside bulk changes the list is
// ordered within the tolerance (no X lies more than the tolerance below an earlier one), and
// then a bisection finds where the walk could first stop and the walk only finishes there, so
// that adding the points of a long list in order costs O(log n) a point instead of O(n). A point
// edited out of order among points in order is sorted into place alone, and the clean-up of
// duplicates that follows is skipped while the list knows it would thin nothing, so that points
// in any order cost about as much (and the move of a pointer in the item list).
#ifndef TARNWICK_MODEL_FUZZYSETVALUES_H_
#define TARNWICK_MODEL_FUZZYSETVALUES_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "tarnwick/common/GCollection.h"
#include "tarnwick/common/KVCommon.h"
#include "tarnwick/model/FuzzyConsts.h"
#include "tarnwick/platform/Classes.h"

namespace tarnwick {

class TFuzzySet;
class TFuzzySetValues;
namespace detail {
struct TPointsAccess;
}

// The coordinates of one point, as the point list's flat copy holds them.
struct TFuzzyPoint {
  TFzyFloat X;
  TFzyFloat Y;
};

// The model's fixed tolerance: X values, degrees and heights this close count as equal.
inline constexpr TFzyFloat kFuzzyTolerance = 1e-4;

// A lies within the model's tolerance of B: the common comparison with kFuzzyTolerance.
inline bool FloatEquals(TFzyFloat A, TFzyFloat B) noexcept { return FloatEquals(A, B, kFuzzyTolerance); }

// 1 for X > 0, -1 for X < 0, 0 otherwise.
inline std::int32_t Sign(TFzyFloat X) noexcept { return X > 0 ? 1 : (X < 0 ? -1 : 0); }

class TARNWICK_EXPORT TFuzzySetValue : public TCollectionItem {
 public:
  // A new point joins the end of Collection (a TFuzzySetValues, or none) with X one past the
  // last point's X (0 in an empty or no list) and Y 0.
  explicit TFuzzySetValue(TCollection* Collection);
  ~TFuzzySetValue() override;

  // From the thread's block cache (model/detail/BlockCaches.h).
  static void* operator new(std::size_t Size);
  static void operator delete(void* Block, std::size_t Size) noexcept;

  TFzyFloat GetX() const noexcept { return FX; }
  TFzyFloat GetY() const noexcept { return FY; }
  // X is held in the owning set's range; Y below 0 becomes 0; a NaN changes nothing.
  virtual void SetX(TFzyFloat Value);
  virtual void SetY(TFzyFloat Value);
  // Both within the tolerance.
  virtual bool Equals(const TFuzzySetValue* Source) const;
  // Both coordinates in one edit, without an equality test.
  void SetValue(TFzyFloat X, TFzyFloat Y);

  void Assign(const TPersistent* Source) override;
  void SetIndex(std::int32_t Value) override;
  // Published: X and Y (FuzzyPublished.cpp).
  const TClassInfo* ClassInfo() const override;

  TFuzzySetValues* GetCollection() const noexcept;
  using TCollectionItem::SetCollection;
  void SetCollection(TFuzzySetValues* Value);
  void SetCollection(std::nullptr_t) { TCollectionItem::SetCollection(static_cast<TCollection*>(nullptr)); }

 private:
  friend class TFuzzySetValues;
  // Joins the end of Values with these coordinates (TFuzzySetValues::AddInBlock).
  TFuzzySetValue(TFuzzySetValues* Values, TFzyFloat X, TFzyFloat Y);
  void ClampToRange(TFzyFloat& X) const;
  TFzyFloat FX = 0;
  TFzyFloat FY = 0;
};

class TFuzzySetValuesEnumerator;

class TARNWICK_EXPORT TFuzzySetValues : public TGCollection {
 public:
  // FuzzySet owns the list and hears of its changes; nullptr makes a scratch list.
  explicit TFuzzySetValues(TFuzzySet* FuzzySet);
  ~TFuzzySetValues() override;

  // From the thread's block cache (model/detail/BlockCaches.h).
  static void* operator new(std::size_t Size);
  static void operator delete(void* Block, std::size_t Size) noexcept;

  TFuzzySetValue* Add();
  // One new point given both coordinates in one edit; the result may have taken the place of
  // an equal point.
  TFuzzySetValue* Add(TFzyFloat X, TFzyFloat Y);
  TFuzzySetValue* Insert(std::int32_t Index);
  void Append(const TFuzzySetValues* Source);
  virtual void Append(const TFuzzySetValues* Source, std::int32_t Index, std::int32_t Count);
  void Clear() override;
  void Assign(const TPersistent* Source) override;

  TFuzzySetValue* GetItem(std::int32_t Index) const {
    return static_cast<TFuzzySetValue*>(TGCollection::GetItem(Index));
  }
  void SetItem(std::int32_t Index, const TFuzzySetValue* Value) { GetItem(Index)->Assign(Value); }
  TFuzzySetValue* operator[](std::int32_t Index) const { return GetItem(Index); }

  // Called by every edit of a point with the coordinates it changed.
  virtual void UpdateValue(TFuzzySetValue* Value, TXYUpdateTypes Changes);

  // Sorts and thins the list when an earlier bulk change left it unsorted or with duplicates.
  void CleanupValues();
  // Adds interpolated points in the gaps until the list holds NewCount points.
  void Expand(std::int32_t NewCount);
  // Adds equally spaced, interpolated points over the whole X range up to NewCount points.
  void ExpandSimple(std::int32_t NewCount);

  // From Index (not itself examined), the first position in direction Dir (0 means +1) whose
  // X (Y) is not within the tolerance of the given value, or -1.
  std::int32_t SkipX(std::int32_t Index, TFzyFloat X, std::int32_t Dir) const;
  std::int32_t SkipY(std::int32_t Index, TFzyFloat Y, std::int32_t Dir) const;

  TFzyFloat GetAvgValue() const;
  TFzyFloat GetMaxValue() const;
  TFzyFloat GetMinValue() const;
  void GetStatValues(TFzyFloat& AvgY, TFzyFloat& MaxY, TFzyFloat& MinY) const;

  std::unique_ptr<TFuzzySetValuesEnumerator> GetEnumerator() const;

  TFuzzySet* GetFuzzySet() const noexcept { return FFuzzySet; }
  bool GetSorted() const noexcept { return FSorted; }
  bool GetDuplicatesRemoved() const noexcept { return FDuplicatesRemoved; }
  // The number of points whose X equals X exactly.
  std::int32_t GetXCount(TFzyFloat X) const;

  // True when no point's X is below its predecessor's: the list can then be searched by
  // bisection. Cached with the flat copy.
  bool IsMonotone() const { return GetPointsState().Monotone; }

  // The coordinates of every point in list order, as one contiguous array: the reads that run
  // often (membership, the two-set walk, the centroid) take them from here instead of from the
  // point objects. It is a copy that every change of the list or of a point's coordinates
  // discards and the next read rebuilds (without allocating: room for it is made as points
  // join), so the span is valid only until the next change.
  std::span<const TFuzzyPoint> GetPoints() const {
    const TPointsState& State = GetPointsState();
    return {State.Points.data(), State.Points.size()};
  }
  // A number that names the points as they are now: every change of them gives the list a new
  // one, and no other list, before or after, is given the same (a new, empty list has 0). So
  // results computed from points alone can be kept for as long as the stamps they came from.
  std::uint64_t GetPointsStamp() const { return GetPointsState().Stamp; }

 protected:
  void Update(TCollectionItem* Item) override;
  void Notify(TCollectionItem* Item, TCollectionNotification Action) override;
  void Sort();
  void RemoveDuplicates();
  // For tests: place edited points by the plain walk from the first position, never searching;
  // and whether the list is known to be ordered within the tolerance.
  void SetSearchPlacement(bool Value) noexcept { FSearchPlacement = Value; }
  bool GetSearchable() const noexcept { return FSearchable; }

 private:
  friend class TFuzzySetValue;
  friend class TFuzzySet;               // the shape generators add their points by AddInBlock
  friend struct detail::TPointsAccess;  // membership reads the flat copy's state at once

  // Room for the flat copy: the first kInlinePoints in the list object itself, which most lists
  // never outgrow, more in the item rooms (platform/Classes.h). Holds points, no more.
  class TFlatPoints {
   public:
    TFlatPoints() noexcept = default;
    ~TFlatPoints() { Release(); }
    TFlatPoints(const TFlatPoints&) = delete;
    TFlatPoints& operator=(const TFlatPoints&) = delete;
    const TFuzzyPoint* data() const noexcept { return FData; }
    std::size_t size() const noexcept { return FSize; }
    std::size_t capacity() const noexcept { return FCapacity; }
    bool empty() const noexcept { return FSize == 0; }
    const TFuzzyPoint& back() const noexcept { return FData[FSize - 1]; }
    void clear() noexcept { FSize = 0; }
    void push_back(const TFuzzyPoint& Point) {
      if (FSize == FCapacity) reserve(2 * FCapacity);
      FData[FSize++] = Point;
    }
    // Room for Count points, the present ones kept.
    void reserve(std::size_t Count);

   private:
    static constexpr std::size_t kInlinePoints = 8;
    void Release() noexcept;
    TFuzzyPoint* FData = FInline;
    std::size_t FSize = 0;
    std::size_t FCapacity = kInlinePoints;
    TFuzzyPoint FInline[kInlinePoints];
  };

  // The flat copy of the points and what was learned while making it.
  struct TPointsState {
    TFlatPoints Points;
    std::uint64_t Stamp = 0;
    bool Valid = true;  // an empty list's copy is empty
    bool Monotone = true;
    // Valid, with two points or more, whose X never fall and are all numbers: X is then in one
    // total order, and a bisection finds the point the walk from the second point stops at.
    bool Ordered = false;
  };
  const TPointsState& GetPointsState() const {
    if (!FPoints.Valid) BuildPoints();
    return FPoints;
  }
  void BuildPoints() const;
  [[gnu::cold]] void GrowPoints();
  // Forgets the flat copy: called by every change of the list's order or membership and of a
  // point's coordinates.
  void InvalidateOrder() const noexcept {
    FPoints.Valid = false;
    FPoints.Ordered = false;
  }
  // Something other than a placement may have broken the order within the tolerance.
  void LoseSearchOrder() noexcept {
    FSearchable = false;
    ++FOrderChanges;
  }
  // Add(X, Y) (EachCoordinate: Add(), then the point's SetX(X) and SetY(Y)) inside a bulk
  // change of a list of exactly this class.
  TFuzzySetValue* AddInBlock(TFzyFloat X, TFzyFloat Y, bool EachCoordinate);
  // Whether a list of exactly this class is inside a bulk change, where AddInBlock serves.
  bool AddsInBlock() const noexcept { return GetUpdateCount() > 0 && IsExactClass(*this, typeid(TFuzzySetValues)); }
  void KeepAppendedFlags(TFzyFloat X, TFzyFloat Y, bool ChangesX) noexcept;
  // X held in the owning set's range, as every edit of a point holds it.
  void ClampToRange(TFzyFloat& X) const;
  // Steps 1 to 3 of an edit of V: whether the flags still hold. Returns V's position when it
  // was looked up, else -1.
  std::int32_t KeepEditFlags(const TFuzzySetValue* V, bool ChangesX);
  // Steps 5 to 7 of an edit outside a bulk change (out of line: most edits are inside one).
  [[gnu::noinline]] void PlaceEdited(TFuzzySetValue* V, TXYUpdateTypes Changes, std::int32_t Index,
                                     bool OthersSearchable, TFzyFloat OthersMax);
  // Hint: where V is expected to stand. Others: the other points are known to be ordered within
  // the tolerance, and OthersMax bounds their X. Returns where V stands, or -1.
  std::int32_t PlaceEditedValue(TFuzzySetValue* V, std::int32_t Hint, bool Others, TFzyFloat OthersMax);
  // Hint: where V is expected to stand.
  void ThinEditedRun(TFuzzySetValue* V, std::int32_t Hint);
  // Sort for a list whose points other than V are ordered within the tolerance (OthersMax
  // bounds their X): the order of the selection walk, found for V alone. Returns where V
  // stands.
  std::int32_t SortEdited(TFuzzySetValue* V, TFzyFloat OthersMax);
  // FMayThin for the pairs of neighbours that the point at Index is part of, and for the pair
  // that Item leaves behind when it goes. Out of line: most changes of a list find FMayThin set.
  [[gnu::noinline]] void NoteNeighbours(std::int32_t Index) noexcept;
  [[gnu::noinline]] void NoteLeaving(const TCollectionItem* Item) noexcept;
  // Whether FMayThin is kept to account for the list as it is: a list of at most
  // kUntrackedPoints points is taken to thin (FMayThin becomes true), as looking at all of it
  // in the clean-up costs less than looking at the neighbours of every change.
  static constexpr std::int32_t kUntrackedPoints = 16;
  bool KeepsThinAccount() noexcept {
    if (GetCount() > kUntrackedPoints) return true;
    FMayThin = true;
    return false;
  }
  // The position of V, looked up only when it is not at Hint.
  std::int32_t IndexOfEdited(const TFuzzySetValue* V, std::int32_t Hint) const;
  [[noreturn]] static void RaiseEmpty(const char* Operation);

  TFuzzySet* FFuzzySet;
  bool FSorted = true;
  bool FDuplicatesRemoved = true;
  // False only while the clean-up of duplicates is known to find nothing to delete: no two
  // neighbours equal, no four pairs of neighbours in a row within the tolerance. Every change
  // of the list looks at the neighbours it touches; what it cannot judge sets it.
  bool FMayThin = false;
  // The point whose edit is being placed and thinned; no clean-up may delete it meanwhile.
  const TFuzzySetValue* FEditing = nullptr;
  mutable TPointsState FPoints;
  // True when the list is known to be ordered within the tolerance: no X exceeds a later X plus
  // the tolerance (exactly as the sort compares), and FMaxX is at least every X. A placement keeps it; a move by anyone else, an X edit inside a bulk change and an
  // addition out of order lose it until a placement finds it again by one look at every point.
  bool FSearchable = true;
  TFzyFloat FMaxX = 0;
  // Counts the changes that can break that order, so that a placement sees whether a handler of
  // its own change reports broke it meanwhile.
  std::uint64_t FOrderChanges = 0;
  // Set while a placement moves its point: that move keeps the order by construction.
  bool FPlacing = false;
  // False: the walk from the first position, without the search; tests compare the two.
  bool FSearchPlacement = true;
};

class TARNWICK_EXPORT TFuzzySetValuesEnumerator : public TCollectionEnumerator {
 public:
  using TCollectionEnumerator::TCollectionEnumerator;
  ~TFuzzySetValuesEnumerator() override;
  TFuzzySetValue* GetCurrent() const { return CheckedCast<TFuzzySetValue>(TCollectionEnumerator::GetCurrent()); }
};

// Cursor steps over point lists, for hosts that walk two sets side by side.
TARNWICK_EXPORT void NextPoint(TFuzzySetValue* Current, TFuzzySetValue* Previous, std::int32_t& Index,
                               const TFuzzySetValues* Values, TFzyFloat X);
TARNWICK_EXPORT void AddAndIncrement(TFuzzySet* FuzzySet, TFuzzySetValue* Current, TFuzzySetValue* Previous,
                                     TFuzzySetValue* Other, std::int32_t& Index, TFzyFloat A, TFzyFloat B,
                                     const TFuzzySetValues* Values, TFzyFloat X, bool Flag);
TARNWICK_EXPORT void Add1AndIncrement2(TFuzzySet* FuzzySet, TFuzzySetValue* Current1, TFuzzySetValue* Current2,
                                       TFuzzySetValue* Previous1, TFuzzySetValue* Previous2, std::int32_t& Index1,
                                       std::int32_t& Index2, TFzyFloat A, TFzyFloat B,
                                       const TFuzzySetValues* Values1, const TFuzzySetValues* Values2,
                                       TFzyFloat X, bool Flag);

}  // namespace tarnwick

#endif  // TARNWICK_MODEL_FUZZYSETVALUES_H_
