// The fuzzy set of the collection-based model: a named, piecewise-linear membership function
// over its variable's range, held as a point list, with membership, the standard shape
// generators, normalization and its text forms.
//
// A set usually lives in the set collection of a variable that belongs to a logic component;
// every one of those links is optional, and without it the set falls back to the defaults
// below (an unbounded range, seven points per generated curve, no parser, not designing).
#ifndef TARNWICK_MODEL_FUZZYSET_H_
#define TARNWICK_MODEL_FUZZYSET_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "tarnwick/common/GCollection.h"
#include "tarnwick/model/FuzzyConsts.h"
#include "tarnwick/model/FuzzySetValues.h"
#include "tarnwick/platform/ClassRef.h"

namespace tarnwick {

class TFuzzySet;
class TFuzzySets;
class TFuzzyVariable;
class TCustomFuzzyLogic;
namespace detail {
class TSetOperand;
}

using TFuzzySetClass = TClassOf<TFuzzySet, TCollection*>;

// A visit of the two-set walk that builds a result: FuzzySet is the result's point list, to
// which the callback may add; true stops the walk.
using TFuzzyOperator =
    std::function<bool(TFuzzySetValues* FuzzySet, TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2, TFzyFloat Y2)>;
// A visit of the two-set walk that only compares; true stops the walk.
using TFuzzyComparison = std::function<bool(TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2, TFzyFloat Y2)>;

// The range ends of a set without a variable.
inline constexpr TFzyFloat kUnboundedMaximum = 2147483647.0;
inline constexpr TFzyFloat kUnboundedMinimum = -2147483647.0;
// Points per generated curve when no logic component says otherwise.
inline constexpr std::int32_t kDefaultNumFunctionValues = 7;
// The most points a generated curve is given through NumFunctionValues: a count set or read
// above it stores it, so that a count from a stream or a host cannot make every curve as
// large as it likes.
inline constexpr std::int32_t kMaxNumFunctionValues = 1000;

class TARNWICK_EXPORT TFuzzySet : public TGCollectionItem {
 public:
  // Joins Collection (none allowed) once its point list exists, so that whoever hears of the
  // addition finds a whole set.
  explicit TFuzzySet(TCollection* Collection);
  // Leaves the collection while still whole, then frees the points.
  ~TFuzzySet() override;

  // From the thread's block cache (model/detail/BlockCaches.h).
  static void* operator new(std::size_t Size);
  static void operator delete(void* Block, std::size_t Size) noexcept;

  // --- Identity
  const std::string& GetName() const override { return FName; }
  // Rejects the words of the expression language ("and", "very", "<=X", ...).
  virtual void SetName(const std::string& Value);
  // SetName(Value) for a Value its caller needs no more: a set of this very class takes the text
  // over, any other goes through its SetName.
  void TakeName(std::string&& Value);
  const std::string& GetComment() const noexcept { return FComment; }
  void SetComment(const std::string& Value);
  bool GetDefined() const noexcept { return FDefined; }
  void SetDefined(bool Value) noexcept { FDefined = Value; }
  NativeInt GetTag() const noexcept { return FTag; }
  void SetTag(NativeInt Value) noexcept { FTag = Value; }
  const std::string& GetExpression() const noexcept { return FExpression; }
  void SetExpression(const std::string& Value) { FExpression = Value; }
  void SetExpression(std::string&& Value) noexcept { FExpression = std::move(Value); }
  TFzyFloat GetInflectionPoint() const noexcept { return FInflectionPoint; }
  TFuzzySetType GetSetType() const noexcept { return FSetType; }
  // Regenerates the standard shape of Value over the variable's range. While a stream is being
  // read (IsReadingStream), only stores Value: the points were read just before.
  virtual void SetSetType(TFuzzySetType Value);
  std::string GetDisplayName() const override;

  // --- Points
  TFuzzySetValues* GetValues() const noexcept { return FValues.get(); }
  // Copies Value's points into this set's own list.
  void SetValues(const TFuzzySetValues* Value);

  // --- Links (each may be absent)
  // The set collection of a variable that this set belongs to; nullptr when it belongs to no
  // collection or to one of another class, which TCollectionItem::GetCollection still names.
  TFuzzySets* GetCollection() const noexcept;
  // Leaves the current collection and joins Value, each reported as the platform item does.
  using TGCollectionItem::SetCollection;
  void SetCollection(TFuzzySets* Value);
  void SetCollection(std::nullptr_t) { TGCollectionItem::SetCollection(static_cast<TCollection*>(nullptr)); }
  TFuzzyVariable* GetVariable() const;
  TCustomFuzzyLogic* GetFuzzy() const;

  // --- Membership and geometry
  // The degree of a crisp value: flat outside the points, the highest point on a vertical
  // edge, the straight line between points.
  TFzyFloat DegreeOfMembership(TFzyFloat Value) const;
  static TFzyFloat InterpolateX(TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2, TFzyFloat Y2, TFzyFloat YValue);
  static TFzyFloat InterpolateY(TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2, TFzyFloat Y2, TFzyFloat XValue);
  // Index 0: the upper end of the range; 1: the lower end.
  virtual TFzyFloat GetXRange(std::int32_t Index) const;
  // The height of the set; 0 without points.
  virtual TFzyFloat GetCompatibilityIndex() const;
  // Divides every Y by the height, in place.
  TFuzzySet* Normalize();

  // --- Shape generators: each appends inside one update block of the points.
  void CreateTriangleFunctionValues(TFzyFloat Left, TFzyFloat Middle, TFzyFloat Right);
  void CreateCurveValues(std::int32_t Num, TFzyFloat Left, TFzyFloat Right, TFzyFloat InflectionPoint,
                         bool Growth);
  void CreatePIFunctionValues(std::int32_t Num, TFzyFloat Left, TFzyFloat Right, TFzyFloat Center);
  void CreatePIFunctionValues(std::int32_t Num, TFzyFloat Range, TFzyFloat Center);
  void CreateBetaCurveFunctionValues(std::int32_t Num, TFzyFloat Range, TFzyFloat Center,
                                     TFzyFloat InflectionPoint, TFzyFloat Weight);
  void CreateBetaCurveFunctionValues(std::int32_t Num, TFzyFloat Range, TFzyFloat Center,
                                     TFzyFloat InflectionPoint);
  // Replaces the points by the spike (Value, 0), (Value, 1), (Value, 0).
  void CreateCrispValue(TFzyFloat Value);

  // --- Text
  std::string ToString() const override;
  virtual std::string GetValuesToString() const;

  // Published: Defined, Values, Name, Comment, SetType, Tag; stored besides: Expression and
  // InflectionPoint (FuzzyPublished.cpp).
  const TClassInfo* ClassInfo() const override;
  void DefineProperties(TFiler* Filer) override;

  // --- Copies
  void Assign(const TPersistent* Source) override;
  // A new set of this set's class in this set's collection (owned by it), or, when this set
  // has none, a set without a collection that the caller owns.
  [[nodiscard]] virtual TFuzzySet* Clone() const;

  // --- Change reports from the point list
  virtual void UpdateFuzzySetValue(TFuzzySetValue* Value);
  virtual void UpdateFuzzySetValues();

  // --- Set algebra (FuzzySetAlgebra.cpp)
  // A new set of this set's class built by the two-set walk from what FuzzyOperator adds at
  // each visit, named "<this> <OperatorKeyword> <FuzzySet>". It is an item of this set's
  // collection, or, when this set has none, the caller's to free. Both operands are only read.
  [[nodiscard]] TFuzzySet* Operator(const TFuzzySet* FuzzySet, const std::string& OperatorKeyword,
                      const TFuzzyOperator& FuzzyOperator) const;
  // True when the comparison stopped the walk (or both sets are empty).
  bool Iterate(const TFuzzySet* FuzzySet, const TFuzzyComparison& FuzzyOperator) const;
  // The foZadeh forms: min and max, keywords "and" and "or".
  [[nodiscard]] TFuzzySet* Intersection(const TFuzzySet* FuzzySet) const;
  [[nodiscard]] TFuzzySet* Union(const TFuzzySet* FuzzySet) const;
  // Under any TFuzzyOperation; an intersection under foSum (or a value past foSum) raises
  // EFzyException SInvalidFuzzyOperation before any set is made.
  [[nodiscard]] virtual TFuzzySet* Intersection(const TFuzzySet* FuzzySet, TFuzzyOperation IntersectionType) const;
  [[nodiscard]] virtual TFuzzySet* Union(const TFuzzySet* FuzzySet, TFuzzyOperation UnionType) const;
  // A threshold match, not a comparison of points: true when some visit of the walk has both
  // degrees at or above the threshold of this set's variable (kThresholdWithoutVariable when
  // the set has none), and when both sets are empty.
  virtual bool Equals(const TFuzzySet* FuzzySet) const;
  // The correlation strength.
  virtual TFzyFloat FuzzyEquals(const TFuzzySet* FuzzySet) const;
  // The largest min(Y1, Y2) over the walk (the height of the intersection); also left in FMax.
  // A rule base asks for the strength of one term against one reading once per rule that uses
  // the term; while neither list changes (the same stamps) the walk would find the same value,
  // which is kept (inline: asked that often).
  TFzyFloat GetCorrelationStrength(const TFuzzySet* Match) const {
    const std::uint64_t Stamp = FValues->GetPointsStamp();
    const std::uint64_t MatchStamp = Match->FValues->GetPointsStamp();
    if (FStrengthMemo.Stamp == Stamp && FStrengthMemo.MatchStamp == MatchStamp) {
      FMax = FStrengthMemo.Strength;
      return FMax;
    }
    return WalkCorrelationStrength(Match, Stamp, MatchStamp);
  }
  // --- end of set algebra

  // --- Hedges (FuzzySetHedges.cpp)
  // Each modifies this set in place, renames it and returns it.
  virtual TFuzzySet* Hedge(TFuzzyHedge HedgeType);
  // ModifyY picks Y, else X. Raises EFzyException and changes nothing for a Value that is not a
  // finite number, for a division by 0 and for a degree that would overflow.
  TFuzzySet* Hedge(TBaseFuzzyHedge ModifyType, TFzyFloat Value, bool ModifyY);
  // --- end of hedges

  // --- Cuts and overlap (FuzzySetCuts.cpp)
  // Each cut is a new set; the level is clamped into [0, 1] (a NaN level cuts at 0).
  // The membership where it lies above CutOff (strong) or at or above it (weak), 0 elsewhere,
  // with vertical edges where the line passes the level.
  [[nodiscard]] TFuzzySet* AlphaCutoff(TFzyFloat CutOff, bool StrongCutoff) const;
  // max(membership, CutOff) when CutValuesBelow, else min(membership, CutOff).
  [[nodiscard]] TFuzzySet* Cutoff(TFzyFloat CutOff, bool CutValuesBelow) const;
  // Whether the two point lists overlap along X by more than the tolerance (or touch where
  // either stands above 0); a set without points or 0 everywhere overlaps nothing.
  bool Intersects(const TFuzzySet* FuzzySet) const;
  // --- end of cuts and overlap

  // --- Inference and defuzzification (FuzzySetInference.cpp)
  // Scales every degree by CorrelationStrength (fcmProduct) or caps it there (fcmMinimum), in
  // place, renames the set and returns it; the one-argument form takes the logic's method.
  TFuzzySet* Correlate(TFzyFloat CorrelationStrength, TFuzzyCorrelationMethod CorrelationMethod);
  TFuzzySet* Correlate(TFzyFloat CorrelationStrength);
  // A new set: the intersection (Unconditional) or the union with NewEvidence under the
  // operation of InferenceMethod; the two-argument form takes the logic's method.
  [[nodiscard]] TFuzzySet* Infer(const TFuzzySet* NewEvidence, TFuzzyInferenceMethod InferenceMethod, bool Unconditional) const;
  [[nodiscard]] TFuzzySet* Infer(const TFuzzySet* NewEvidence, bool Unconditional) const;
  // The exact centroid of the area under the membership line over the range; 0 for a set
  // without points or without area (IsUndecidable tells those apart from a centre at 0).
  TFzyFloat CenterOfGravity() const;
  // The mean X of the points at the greatest height; 0 for a set without points.
  TFzyFloat MeanOfMaxima() const;
  // MeanOfMaxima when the logic asks for it, else CenterOfGravity.
  TFzyFloat Defuzzify() const;
  // True for a set without points, and for one whose degrees are all exactly 0 or all exactly 1.
  bool IsUndecidable() const;
  TFzyFloat GetDefuzzifyValue() const { return Defuzzify(); }
  // --- end of inference and defuzzification

 protected:
  // --- Set algebra, protected (FuzzySetAlgebra.cpp)
  static bool LineSegmentIntersects(TFzyFloat AX1, TFzyFloat AY1, TFzyFloat AX2, TFzyFloat AY2, TFzyFloat BX1,
                                    TFzyFloat BY1, TFzyFloat BX2, TFzyFloat BY2, TFzyFloat& X, TFzyFloat& Y);
  // A new point of no list (the caller owns it), or nullptr when the segments do not meet.
  static std::unique_ptr<TFuzzySetValue> LineSegmentIntersects(const TFuzzySetValue* A1, const TFuzzySetValue* A2,
                                                               const TFuzzySetValue* B1, const TFuzzySetValue* B2);

  // The point combiners: each appends (X1, the combined degree) to FuzzySet and returns false,
  // so the walk goes on. X2 is not used. The point store holds the X in the result's range and
  // stores a negative degree as 0; there is no upper bound (FuzzyOperatorUnionSum exceeds 1).
  static bool FuzzyOperatorMin(TFuzzySetValues* FuzzySet, TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2, TFzyFloat Y2);
  static bool FuzzyOperatorMax(TFuzzySetValues* FuzzySet, TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2, TFzyFloat Y2);
  static bool FuzzyOperatorMean(TFuzzySetValues* FuzzySet, TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2, TFzyFloat Y2);
  static bool FuzzyOperatorUnionMean(TFuzzySetValues* FuzzySet, TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2,
                                     TFzyFloat Y2);
  static bool FuzzyOperatorMeanSqr(TFuzzySetValues* FuzzySet, TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2, TFzyFloat Y2);
  static bool FuzzyOperatorMeanSqrt(TFuzzySetValues* FuzzySet, TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2,
                                    TFzyFloat Y2);
  static bool FuzzyOperatorIntersectionProduct(TFuzzySetValues* FuzzySet, TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2,
                                               TFzyFloat Y2);
  static bool FuzzyOperatorUnionProduct(TFuzzySetValues* FuzzySet, TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2,
                                        TFzyFloat Y2);
  static bool FuzzyOperatorIntersectionBoundedSum(TFuzzySetValues* FuzzySet, TFzyFloat X1, TFzyFloat Y1,
                                                  TFzyFloat X2, TFzyFloat Y2);
  static bool FuzzyOperatorUnionBoundedSum(TFuzzySetValues* FuzzySet, TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2,
                                           TFzyFloat Y2);
  static bool FuzzyOperatorUnionSum(TFuzzySetValues* FuzzySet, TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2,
                                    TFzyFloat Y2);
  // The comparisons. MinThreshold stops the walk when min(Y1, Y2) reaches the threshold Equals
  // uses; MaxOfMin raises FMax to min(Y1, Y2) and never stops it.
  bool FuzzyOperatorMinThreshold(TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2, TFzyFloat Y2) const;
  bool FuzzyOperatorMaxOfMin(TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2, TFzyFloat Y2) const;

  // The threshold of Equals for a set that belongs to no variable: the one a logic component
  // starts with and hands to its variables, so that a loose set matches as it would in a
  // default setup (some overlap above noise), neither everything (0) nor only full degrees (1).
  static constexpr TFzyFloat kThresholdWithoutVariable = 0.01;
  // The threshold of Equals: the variable's, else kThresholdWithoutVariable.
  TFzyFloat GetEqualsThreshold() const;

  // --- end of set algebra, protected

  // --- Hedges, protected (FuzzySetHedges.cpp)
  void Intensify(std::int32_t Num, TFzyFloat Modifier);
  void FuzzyContrast(std::int32_t Num, TFzyFloat Modifier);
  void FuzzyApproximation(std::int32_t Num, TFzyFloat Modifier);
  // --- end of hedges, protected

  // --- Cuts and overlap, protected (FuzzySetCuts.cpp)
  // dY/dX; on one X (within the tolerance) the sign of dY.
  static TFzyFloat GetSlope(const TFuzzySetValue* First, const TFuzzySetValue* Second);
  // --- end of cuts and overlap, protected

  // --- Inference and defuzzification, protected (FuzzySetInference.cpp)
  // The area under the segment P1 -> P2 and the X of its centroid, both 0 for a vertical or a
  // zero segment; a rectangle, a triangle from or to 0, or a trapezoid otherwise.
  static void SegmentMoment(const TFuzzySetValue* P1, const TFuzzySetValue* P2, TFzyFloat& Area,
                            TFzyFloat& Centroid);
  // --- end of inference and defuzzification, protected

  // A new set of the receiver's own class; every descendant overrides it.
  [[nodiscard]] virtual TFuzzySet* NewInstance(TCollection* Collection) const;
  // Makes the point list at construction.
  virtual std::unique_ptr<TFuzzySetValues> CreateValues();

  // A descendant whose point list is of another class: a constructor runs no override of
  // CreateValues, so the descendant hands its factory in (it is called with this set).
  using TValuesFactory = std::unique_ptr<TFuzzySetValues> (*)(TFuzzySet* Owner);
  TFuzzySet(TCollection* Collection, TValuesFactory CreateValuesOf);
  // Raises EFzyException SInvalidFuzzySetName for a word of the expression language.
  static void CheckName(const std::string& Value);
  // The name change of SetName after CheckName has passed Value.
  void StoreName(const std::string& Value);
  void StoreName(std::string&& Value);
  TGCollection* GetNamingCollection() const override;

  // The position of the highest (lowest) point among the points on point Index's X, walking
  // from Index in direction Dir; the first of equal extremes wins.
  std::int32_t GetMaxYValueOfX(std::int32_t Index, std::int32_t Dir) const;
  std::int32_t GetMinYValueOfX(std::int32_t Index, std::int32_t Dir) const;

  // What the set reads through its links, with the defaults for a missing link.
  std::int32_t GetNumFunctionValues() const;
  // The variable's threshold; false (and Value untouched) without a variable.
  virtual bool GetVariableThreshold(TFzyFloat& Value) const;
  TFuzzyCorrelationMethod GetLogicCorrelationMethod() const;      // else fcmMinimum
  TFuzzyInferenceMethod GetLogicInferenceMethod() const;          // else fimMinMax
  TDefuzzificationMethod GetLogicDefuzzificationMethod() const;   // else dmCenterOfGravity

  // Copies (the interface form's) set the inflection point without regenerating the points.
  void SetInflectionPoint(TFzyFloat Value) noexcept { FInflectionPoint = Value; }

  // GetCorrelationStrength when the strength kept is not that of these stamps.
  TFzyFloat WalkCorrelationStrength(const TFuzzySet* Match, std::uint64_t Stamp, std::uint64_t MatchStamp) const;

  mutable TFzyFloat FMax = 0;  // running maximum of the correlation-strength walk
  // The last correlation strength and the points stamps of the two lists it came from: the
  // strength depends on those points alone.
  struct TStrengthMemo {
    std::uint64_t Stamp = ~std::uint64_t{0};
    std::uint64_t MatchStamp = ~std::uint64_t{0};
    TFzyFloat Strength = 0;
  };
  mutable TStrengthMemo FStrengthMemo;

 private:
  friend class detail::TSetOperand;  // the two-operand algorithms read the equal-X runs

  void AddPoint(TFzyFloat X, TFzyFloat Y);
  // Appends a curve of Num points and returns how many it added.
  std::int32_t AppendCurve(std::int32_t Num, TFzyFloat Left, TFzyFloat Right, bool Growth);
  [[noreturn]] static void RaiseRangeArguments(TFzyFloat Left, TFzyFloat Right);

  TFuzzySetType FSetType = fstUserDefined;
  std::string FName;
  std::unique_ptr<TFuzzySetValues> FValues;
  TFzyFloat FInflectionPoint = 0;
  std::string FComment;
  bool FDefined = false;
  NativeInt FTag = 0;
  std::string FExpression;
};

}  // namespace tarnwick

#endif  // TARNWICK_MODEL_FUZZYSET_H_
