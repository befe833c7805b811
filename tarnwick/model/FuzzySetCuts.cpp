// Cutting a set at a level (the alpha cut and the one-sided cut-off), the overlap test of two
// sets along X, and the slope between two points.
#include <cmath>

#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/model/detail/FuzzySetWalk.h"
#include "tarnwick/model/detail/LooseResult.h"
#include "tarnwick/platform/Format.h"
#include "tarnwick/platform/ScopeGuard.h"

namespace tarnwick {
namespace {

// The level of a cut lies in [0, 1]; a level that is not a number cuts at 0, so that nothing
// undefined can reach a point list.
TFzyFloat ClampLevel(TFzyFloat CutOff) noexcept {
  if (std::isnan(CutOff) || CutOff < 0) return 0;
  if (CutOff > 1) return 1;
  return CutOff;
}

}  // namespace

TFuzzySet* TFuzzySet::AlphaCutoff(TFzyFloat CutOff, bool StrongCutoff) const {
  detail::TLooseResult R(NewInstance(TCollectionItem::GetCollection()));
  R->SetName(FName);
  {
    TUpdateBlock<TCollection> Block(*R->GetValues());
    TFuzzySetValues& Out = *R->GetValues();
    const TFuzzySetValues& V = *FValues;
    const bool S = StrongCutoff;
    const TFzyFloat C = ClampLevel(CutOff);
    const std::int32_t Count = V.GetCount();
    if (S && C == 0) {
      Out.Append(&V);  // everything lies at or above 0
    } else if (S && C == 1) {
      Out.Add(0, 0);  // no degree of a set lies strictly above 1 that counts
    } else if (Count > 0) {
      // A point is kept when it lies above the level (or on it, for the weak cut); the rest of
      // the set drops to 0, with a vertical edge wherever a segment passes the level.
      auto Kept = [S, C](TFzyFloat Y) { return Y > C || (Y == C && !S); };
      TFzyFloat PrevX = V[0]->GetX();
      TFzyFloat PrevY = V[0]->GetY();
      if (Kept(PrevY)) Out.Add(PrevX, PrevY);
      else Out.Add(PrevX, 0);
      for (std::int32_t I = 1; I < Count; ++I) {
        const TFzyFloat X = V[I]->GetX();
        const TFzyFloat Y = V[I]->GetY();
        const bool Crossing = S ? ((PrevY <= C && C < Y) || (PrevY > C && C >= Y))
                                : ((PrevY < C && C <= Y) || (PrevY >= C && C > Y));
        if (Crossing) {
          const TFzyFloat CrossX = InterpolateX(PrevX, PrevY, X, Y, C);
          if (PrevY < C || (S && PrevY == C)) {
            Out.Add(CrossX, 0);
            Out.Add(CrossX, C);
          } else {
            Out.Add(CrossX, C);
            Out.Add(CrossX, 0);
          }
        }
        if (Kept(Y)) Out.Add(X, Y);
        PrevX = X;
        PrevY = Y;
      }
    }
    // A set without points is 0 everywhere, and so is its cut: the result stays empty.
  }
  return R.Release();
}

TFuzzySet* TFuzzySet::Cutoff(TFzyFloat CutOff, bool CutValuesBelow) const {
  const bool B = CutValuesBelow;
  const std::string_view Keyword = B ? FuzzyUnionKeywords[foZadeh] : FuzzyIntersectionKeywords[foZadeh];
  detail::TLooseResult R(NewInstance(TCollectionItem::GetCollection()));
  R->SetName(CreateFuzzyName(FName, Keyword, CutOff));
  const TFzyFloat C = ClampLevel(CutOff);
  {
    // The end of the point list's update block clears the expression: it is written after,
    // also when building the points fails.
    const TScopeExit SetResultExpression([&] {
      if (!FExpression.empty())
        R->SetExpression(FExpression + " " + std::string(Keyword) + " " + Format(FuzzyFormatStr, {C}));
    });
    TUpdateBlock<TCollection> Block(*R->GetValues());
    TFuzzySetValues& Out = *R->GetValues();
    const TFuzzySetValues& V = *FValues;
    const std::int32_t Count = V.GetCount();
    if ((B && C == 0) || (!B && C == 1)) {
      Out.Append(&V);  // nothing to cut
    } else if ((B && C == 1) || (!B && C == 0)) {
      Out.Add(0, C);  // the result is the constant level
    } else if (Count > 0) {
      auto Passes = [B, C](TFzyFloat Y) { return B ? Y >= C : Y <= C; };
      TFzyFloat PrevX = V[0]->GetX();
      TFzyFloat PrevY = V[0]->GetY();
      if (Passes(PrevY)) Out.Add(PrevX, PrevY);
      for (std::int32_t I = 1; I < Count; ++I) {
        const TFzyFloat X = V[I]->GetX();
        const TFzyFloat Y = V[I]->GetY();
        if ((PrevY < C && C < Y) || (PrevY > C && C > Y)) Out.Add(InterpolateX(PrevX, PrevY, X, Y, C), C);
        if (Passes(Y)) Out.Add(X, Y);
        PrevX = X;
        PrevY = Y;
      }
      // Nothing passed and nothing crossed: every degree lies beyond the level on the cut
      // side, so max(membership, C) or min(membership, C) is the level itself.
      if (Out.GetCount() == 0) Out.Add(0, C);
    } else if (B) {
      Out.Add(0, C);  // no points: membership 0, raised to the level
    }
    // No points and the degrees above the level lowered: min(0, C) is 0, an empty set.
  }
  return R.Release();
}

bool TFuzzySet::Intersects(const TFuzzySet* FuzzySet) const {
  if (FuzzySet == nullptr) return false;
  return detail::SupportsOverlap(detail::TSetOperand(*this), detail::TSetOperand(*FuzzySet));
}

TFzyFloat TFuzzySet::GetSlope(const TFuzzySetValue* First, const TFuzzySetValue* Second) {
  const TFzyFloat DY = Second->GetY() - First->GetY();
  if (FloatEquals(First->GetX(), Second->GetX())) return Sign(DY);
  return DY / (Second->GetX() - First->GetX());
}

}  // namespace tarnwick
