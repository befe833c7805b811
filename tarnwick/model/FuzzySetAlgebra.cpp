// The two-set walk and the set operations built on it: Operator and Iterate, union and
// intersection under every TFuzzyOperation, the threshold match Equals and the correlation
// strength, with the segment intersection test and the point combiners they use.
#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>
#include <utility>

#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/model/detail/ExpressionOperand.h"
#include "tarnwick/model/detail/FuzzySetWalk.h"
#include "tarnwick/model/detail/LooseResult.h"
#include "tarnwick/platform/Format.h"
#include "tarnwick/platform/ScopeGuard.h"

namespace tarnwick {

namespace {

// ORDER OPERATION: the names of the TFuzzyOperation values, for messages.
constexpr auto FuzzyOperationValueNames = std::to_array<std::string_view>(
    {"foZadeh", "foMean", "foMeanSqr", "foMeanSqrt", "foProduct", "foBoundedSum", "foSum"});
static_assert(FuzzyOperationValueNames.size() == kFuzzyOperationCount, "one name per operation");

// An operand as it reads inside a combined expression.
detail::TExpressionOperand OperandText(const TFuzzySet& Set) {
  return detail::TExpressionOperand::Of(Set.GetExpression().empty() ? Set.GetName() : Set.GetExpression());
}

// Everything of Operator after the result was made: name, walk inside one update block of its
// points, plateau collapse, expression. The end of the block clears the expression, so it is
// written after, on every way out. TOperand reads A and B: TFrozenSetOperand where Visit is a
// built-in combiner, TSetOperand where it is a caller's, which might change them.
template <typename TOperand, typename TVisit>
TFuzzySet* BuildResult(const TFuzzySet& A, const TFuzzySet& B, TFuzzySet* Made, std::string_view Keyword,
                       TVisit&& Visit) {
  detail::TLooseResult R(Made);
  TryFinally(
      [&] {
        R->TakeName(CreateFuzzyName(A.GetName(), B.GetName(), Keyword));
        TFuzzySetValues& Values = *R->GetValues();
        const TOperand OperandA(A);
        const TOperand OperandB(B);
        const bool BothHavePoints = OperandA.Count() > 0 && OperandB.Count() > 0;
        InUpdateBlock(Values, [&] {
          const bool Stopped =
              detail::Walk(OperandA, OperandB, [&](TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2, TFzyFloat Y2) {
                return Visit(&Values, X1, Y1, X2, Y2);
              });
          if (BothHavePoints && !Stopped) {
            detail::TValuesList List{Values};
            detail::CollapsePlateaus(List);
          }
        });
      },
      [&] {
        // Written in one piece: the operands are read where they stand.
        R->SetExpression(detail::JoinOperation(OperandText(A), Keyword, OperandText(B)));
      });
  return R.Release();
}

// Every combiner appends through here. Both coordinates go in one edit, so the point store
// judges the whole point: a repeated visit is recognised as a duplicate even when its degree
// is 0, the value a new point starts with.
inline bool AddCombined(TFuzzySetValues* FuzzySet, TFzyFloat X, TFzyFloat Y) {
  FuzzySet->Add(X, Y);
  return false;
}

// The visit of the built-in operations: a plain call per point, no std::function.
struct TCombiningVisit {
  detail::TDegreeCombiner Combine;
  bool operator()(TFuzzySetValues* FuzzySet, TFzyFloat X1, TFzyFloat Y1, TFzyFloat, TFzyFloat Y2) const {
    return AddCombined(FuzzySet, X1, Combine(Y1, Y2));
  }
};

}  // namespace

namespace detail {

void RaiseInvalidOperation(TFuzzyOperation Operation) {
  const std::string Name = Operation < kFuzzyOperationCount ? std::string(FuzzyOperationValueNames[Operation])
                                                           : std::to_string(static_cast<int>(Operation));
  throw EFzyException(Format(LoadResString(SInvalidFuzzyOperation), {Name}));
}

TDegreeCombiner IntersectionDegree(TFuzzyOperation Operation) {
  // ORDER OPERATION. A sum is no intersection: its entry is empty.
  static constexpr TDegreeCombiner kCombiners[] = {
      &TCombine::Min,     &TCombine::Mean,
      &TCombine::MeanSqr, &TCombine::MeanSqrt,
      &TCombine::IntersectionProduct, &TCombine::IntersectionBoundedSum,
      nullptr};
  static_assert(std::size(kCombiners) == kFuzzyOperationCount, "one entry per operation");
  if (Operation >= kFuzzyOperationCount || kCombiners[Operation] == nullptr) RaiseInvalidOperation(Operation);
  return kCombiners[Operation];
}

TDegreeCombiner UnionDegree(TFuzzyOperation Operation) {
  // ORDER OPERATION
  static constexpr TDegreeCombiner kCombiners[] = {
      &TCombine::Max,     &TCombine::UnionMean,
      &TCombine::MeanSqr, &TCombine::MeanSqrt,
      &TCombine::UnionProduct, &TCombine::UnionBoundedSum,
      &TCombine::UnionSum};
  static_assert(std::size(kCombiners) == kFuzzyOperationCount, "one entry per operation");
  if (Operation >= kFuzzyOperationCount) RaiseInvalidOperation(Operation);
  return kCombiners[Operation];
}

}  // namespace detail

// ---------------------------------------------------------------------------------------------
// Segment intersection

bool TFuzzySet::LineSegmentIntersects(TFzyFloat AX1, TFzyFloat AY1, TFzyFloat AX2, TFzyFloat AY2, TFzyFloat BX1,
                                      TFzyFloat BY1, TFzyFloat BX2, TFzyFloat BY2, TFzyFloat& X, TFzyFloat& Y) {
  return detail::SegmentsMeet(AX1, AY1, AX2, AY2, BX1, BY1, BX2, BY2, X, Y);
}

std::unique_ptr<TFuzzySetValue> TFuzzySet::LineSegmentIntersects(const TFuzzySetValue* A1, const TFuzzySetValue* A2,
                                                                 const TFuzzySetValue* B1,
                                                                 const TFuzzySetValue* B2) {
  TFzyFloat X;
  TFzyFloat Y;
  if (!detail::SegmentsMeet(A1->GetX(), A1->GetY(), A2->GetX(), A2->GetY(), B1->GetX(), B1->GetY(), B2->GetX(),
                    B2->GetY(), X, Y))
    return nullptr;
  // A point of no list has no range to hold it in: it keeps the coordinates as they are.
  auto Result = std::make_unique<TFuzzySetValue>(nullptr);
  Result->SetValue(X, Y);
  return Result;
}

// ---------------------------------------------------------------------------------------------
// Combiners and comparisons

bool TFuzzySet::FuzzyOperatorMin(TFuzzySetValues* FuzzySet, TFzyFloat X1, TFzyFloat Y1, TFzyFloat, TFzyFloat Y2) {
  return AddCombined(FuzzySet, X1, detail::TCombine::Min(Y1, Y2));
}

bool TFuzzySet::FuzzyOperatorMax(TFuzzySetValues* FuzzySet, TFzyFloat X1, TFzyFloat Y1, TFzyFloat, TFzyFloat Y2) {
  return AddCombined(FuzzySet, X1, detail::TCombine::Max(Y1, Y2));
}

bool TFuzzySet::FuzzyOperatorMean(TFuzzySetValues* FuzzySet, TFzyFloat X1, TFzyFloat Y1, TFzyFloat, TFzyFloat Y2) {
  return AddCombined(FuzzySet, X1, detail::TCombine::Mean(Y1, Y2));
}

bool TFuzzySet::FuzzyOperatorUnionMean(TFuzzySetValues* FuzzySet, TFzyFloat X1, TFzyFloat Y1, TFzyFloat, TFzyFloat Y2) {
  return AddCombined(FuzzySet, X1, detail::TCombine::UnionMean(Y1, Y2));
}

bool TFuzzySet::FuzzyOperatorMeanSqr(TFuzzySetValues* FuzzySet, TFzyFloat X1, TFzyFloat Y1, TFzyFloat, TFzyFloat Y2) {
  return AddCombined(FuzzySet, X1, detail::TCombine::MeanSqr(Y1, Y2));
}

bool TFuzzySet::FuzzyOperatorMeanSqrt(TFuzzySetValues* FuzzySet, TFzyFloat X1, TFzyFloat Y1, TFzyFloat, TFzyFloat Y2) {
  return AddCombined(FuzzySet, X1, detail::TCombine::MeanSqrt(Y1, Y2));
}

bool TFuzzySet::FuzzyOperatorIntersectionProduct(TFuzzySetValues* FuzzySet, TFzyFloat X1, TFzyFloat Y1, TFzyFloat, TFzyFloat Y2) {
  return AddCombined(FuzzySet, X1, detail::TCombine::IntersectionProduct(Y1, Y2));
}

bool TFuzzySet::FuzzyOperatorUnionProduct(TFuzzySetValues* FuzzySet, TFzyFloat X1, TFzyFloat Y1, TFzyFloat, TFzyFloat Y2) {
  return AddCombined(FuzzySet, X1, detail::TCombine::UnionProduct(Y1, Y2));
}

bool TFuzzySet::FuzzyOperatorIntersectionBoundedSum(TFuzzySetValues* FuzzySet, TFzyFloat X1, TFzyFloat Y1, TFzyFloat, TFzyFloat Y2) {
  return AddCombined(FuzzySet, X1, detail::TCombine::IntersectionBoundedSum(Y1, Y2));
}

bool TFuzzySet::FuzzyOperatorUnionBoundedSum(TFuzzySetValues* FuzzySet, TFzyFloat X1, TFzyFloat Y1, TFzyFloat, TFzyFloat Y2) {
  return AddCombined(FuzzySet, X1, detail::TCombine::UnionBoundedSum(Y1, Y2));
}

bool TFuzzySet::FuzzyOperatorUnionSum(TFuzzySetValues* FuzzySet, TFzyFloat X1, TFzyFloat Y1, TFzyFloat, TFzyFloat Y2) {
  return AddCombined(FuzzySet, X1, detail::TCombine::UnionSum(Y1, Y2));
}

TFzyFloat TFuzzySet::GetEqualsThreshold() const {
  TFzyFloat Threshold = kThresholdWithoutVariable;
  GetVariableThreshold(Threshold);
  return Threshold;
}

bool TFuzzySet::FuzzyOperatorMinThreshold(TFzyFloat, TFzyFloat Y1, TFzyFloat, TFzyFloat Y2) const {
  return std::min(Y1, Y2) >= GetEqualsThreshold();
}

bool TFuzzySet::FuzzyOperatorMaxOfMin(TFzyFloat, TFzyFloat Y1, TFzyFloat, TFzyFloat Y2) const {
  const TFzyFloat M = std::min(Y1, Y2);
  if (M > FMax) FMax = M;
  return false;
}

// ---------------------------------------------------------------------------------------------
// Operator and Iterate

TFuzzySet* TFuzzySet::Operator(const TFuzzySet* FuzzySet, const std::string& OperatorKeyword,
                               const TFuzzyOperator& FuzzyOperator) const {
  return BuildResult<detail::TSetOperand>(*this, *FuzzySet, NewInstance(TCollectionItem::GetCollection()),
                                         OperatorKeyword, FuzzyOperator);
}

bool TFuzzySet::Iterate(const TFuzzySet* FuzzySet, const TFuzzyComparison& FuzzyOperator) const {
  const detail::TSetOperand A(*this);
  const detail::TSetOperand B(*FuzzySet);
  if (A.Count() == 0 && B.Count() == 0) return true;
  return detail::Walk(A, B, FuzzyOperator);
}

// ---------------------------------------------------------------------------------------------
// Intersection and union

TFuzzySet* TFuzzySet::Intersection(const TFuzzySet* FuzzySet) const {
  return BuildResult<detail::TFrozenSetOperand>(*this, *FuzzySet, NewInstance(TCollectionItem::GetCollection()),
                                                FuzzyIntersectionKeywords[foZadeh], TCombiningVisit{&detail::TCombine::Min});
}

TFuzzySet* TFuzzySet::Union(const TFuzzySet* FuzzySet) const {
  return BuildResult<detail::TFrozenSetOperand>(*this, *FuzzySet, NewInstance(TCollectionItem::GetCollection()),
                                                FuzzyUnionKeywords[foZadeh], TCombiningVisit{&detail::TCombine::Max});
}

TFuzzySet* TFuzzySet::Intersection(const TFuzzySet* FuzzySet, TFuzzyOperation IntersectionType) const {
  const TCombiningVisit Visit{detail::IntersectionDegree(IntersectionType)};  // checks first
  return BuildResult<detail::TFrozenSetOperand>(*this, *FuzzySet, NewInstance(TCollectionItem::GetCollection()),
                                                FuzzyIntersectionKeywords[IntersectionType], Visit);
}

TFuzzySet* TFuzzySet::Union(const TFuzzySet* FuzzySet, TFuzzyOperation UnionType) const {
  const TCombiningVisit Visit{detail::UnionDegree(UnionType)};  // checks first
  return BuildResult<detail::TFrozenSetOperand>(*this, *FuzzySet, NewInstance(TCollectionItem::GetCollection()),
                                                FuzzyUnionKeywords[UnionType], Visit);
}

// ---------------------------------------------------------------------------------------------
// Equality and correlation strength

bool TFuzzySet::Equals(const TFuzzySet* FuzzySet) const {
  const detail::TFrozenSetOperand A(*this);
  const detail::TFrozenSetOperand B(*FuzzySet);
  if (A.Count() == 0 && B.Count() == 0) return true;
  const TFzyFloat Threshold = GetEqualsThreshold();
  return detail::Walk(A, B, [Threshold](TFzyFloat, TFzyFloat Y1, TFzyFloat, TFzyFloat Y2) {
    return std::min(Y1, Y2) >= Threshold;
  });
}

TFzyFloat TFuzzySet::FuzzyEquals(const TFuzzySet* FuzzySet) const { return GetCorrelationStrength(FuzzySet); }

TFzyFloat TFuzzySet::WalkCorrelationStrength(const TFuzzySet* Match, std::uint64_t Stamp,
                                             std::uint64_t MatchStamp) const {
  // FuzzyOperatorMaxOfMin's step, on a maximum of the walk's own that stays in a register
  // (the set's field would be read back after every store through a point). Where one side's
  // degree is at or below the running maximum, the minimum there is too (or a NaN, which raises
  // nothing), so the other side's degree need not be looked up.
  struct TMaxOfMinVisit {
    TFzyFloat Max = 0;
    bool operator()(TFzyFloat, TFzyFloat Y1, TFzyFloat, TFzyFloat Y2) {
      const TFzyFloat M = std::min(Y1, Y2);
      if (M > Max) Max = M;
      return false;
    }
    bool Ignores(TFzyFloat Y) const { return Y <= Max; }
  };
  TMaxOfMinVisit Visit;
  detail::Walk(detail::TFrozenSetOperand(*this), detail::TFrozenSetOperand(*Match), Visit);
  FMax = Visit.Max;
  FStrengthMemo = {Stamp, MatchStamp, FMax};
  return FMax;
}

}  // namespace tarnwick
