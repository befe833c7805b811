// The printer: sets and variables of either model form written back as definition text that
// the parser reads as the same model. Both forms print through the same code; where they
// differ (a set's points and its place in the print order) detail/FuzzyParserForms.h says how.
//
// Numbers are written "%.4f" with a full stop whatever the locale. A set prints by its shape
// ("(tri ...)", "(pi ...)", ...) or its expression when that reads back as the same set, and
// by its points otherwise: a shape whose points the call would not make again (a curve cut at
// the variable's range, points added after the shape), or an expression that names a set not
// written before it, that no operator combines, or that is no well-formed expression.
// Names, units and comments are written as the lexer reads them back.
#include <cmath>
#include <memory>
#include <string>

#include "tarnwick/common/KVCommon.h"
#include "tarnwick/common/StreamTokens.h"
#include "tarnwick/common/TextStream.h"
#include "tarnwick/model/FuzzyConsts.h"
#include "tarnwick/parser/FuzzyLogicTokenStream.h"
#include "tarnwick/parser/KVFuzzyLogicParser.h"
#include "tarnwick/parser/detail/FuzzyParserForms.h"
#include "tarnwick/platform/Format.h"

namespace tarnwick {

namespace {

const char* const kLineEnd = "\r\n";

std::string Num1(TFzyFloat A) { return Format("%.4f", {A}, TFormatSettings::Invariant()); }
std::string Num2(TFzyFloat A, TFzyFloat B) { return Format("%.4f %.4f", {A, B}, TFormatSettings::Invariant()); }
std::string Num3(TFzyFloat A, TFzyFloat B, TFzyFloat C) {
  return Format("%.4f %.4f %.4f", {A, B, C}, TFormatSettings::Invariant());
}

// The printed form of an atom of that text: the text itself for a plain word, escaped where
// a character would end the word, quoted where no word can hold it.
std::string WordText(const std::string& Text) {
  Intf<IFuzzyStreamToken> Token(new TFuzzyStreamToken());
  Token->SetDataType(fstAtom);
  Token->SetText(Text);
  return Token->ToString();
}

// Units are bare when they read back as the same word, and quoted otherwise (those with a
// blank among them); the parser keeps a quoted unit's text.
std::string UnitsText(const std::string& Units) {
  return WordText(Units) == Units ? Units : QuoteTokenText(Units);
}

// Whether every point of Set lies inside its range. A range clause after the terms can leave
// points outside it; read back, they are held inside.
template <typename TForm>
bool InsideRange(const typename TForm::TSet* Set) {
  const TFzyFloat Low = TForm::RangeLow(Set);
  const TFzyFloat High = TForm::RangeHigh(Set);
  for (Integer I = 0; I < TForm::PointCount(Set); ++I)
    if (TForm::PointX(Set, I) < Low || TForm::PointX(Set, I) > High) return false;
  return true;
}

// A point list reads its points one by one, each held inside the range as it is read, and one
// by one a list keeps at most three points on one X; the bulk clean-up keeps four (a curve cut
// at the variable's range leaves such a run at the bound). So the points are written as they
// will be held, and a run of more than three points on one X is written as its first point, its
// highest point between, and its last point: the membership on both sides of the jump and its
// peak stay, and the text reads back as exactly the points written. (Written in full, the
// reader would thin the run its own way and print differently the next time.)
template <typename TForm>
std::string PointListText(const typename TForm::TSet* Set) {
  const TFzyFloat Low = TForm::RangeLow(Set);
  const TFzyFloat High = TForm::RangeHigh(Set);
  auto X = [Set, Low, High](Integer I) {
    const TFzyFloat Value = TForm::PointX(Set, I);
    return Value < Low ? Low : (Value > High ? High : Value);
  };
  auto Y = [Set](Integer I) { return TForm::PointY(Set, I); };
  std::string R = "(";
  const Integer Count = TForm::PointCount(Set);
  Integer Last = -1;
  auto Write = [&](Integer Point) {
    // An equal neighbour (as TFuzzySetValue::Equals compares) would read back as one point.
    if (Last >= 0 && FloatEquals(X(Point), X(Last)) && FloatEquals(Y(Point), Y(Last))) return;
    R += '(';
    R += Num2(X(Point), Y(Point));
    R += ") ";
    Last = Point;
  };
  for (Integer I = 0; I < Count;) {
    Integer End = I + 1;
    while (End < Count && FloatEquals(X(End), X(I))) ++End;
    if (End - I <= 3) {
      for (Integer J = I; J < End; ++J) Write(J);
    } else {
      Integer Peak = I + 1;
      for (Integer J = I + 2; J < End - 1; ++J)
        if (Y(J) > Y(Peak)) Peak = J;
      Write(I);
      Write(Peak);
      Write(End - 1);
    }
    I = End;
  }
  R += ')';
  return R;
}

template <typename TForm>
bool SamePoints(const TFuzzySetValues& A, const typename TForm::TSet* B) {
  if (A.GetCount() != TForm::PointCount(B)) return false;
  for (Integer I = 0; I < A.GetCount(); ++I)
    if (!FloatEquals(A[I]->GetX(), TForm::PointX(B, I)) ||
        !FloatEquals(A[I]->GetY(), TForm::PointY(B, I)))
      return false;
  return true;
}

// True when Make, run on a set of no variable (which holds every X), gives Set's points: then
// the call reads back as Set inside its variable too, for its points lie inside the range.
template <typename TForm, typename TMake>
bool Regenerates(const typename TForm::TSet* Set, TMake&& Make) {
  try {
    TFuzzySet Probe(nullptr);
    Make(Probe);
    return SamePoints<TForm>(*Probe.GetValues(), Set);
  } catch (const Exception&) {
    return false;
  }
}

// The weight of a beta curve, read off a point beside the peak: Y = 1 / (W T^2 + 1) with
// T = (X - Center) / InflectionPoint. A curve whose second point is its peak (three points)
// reads it off the first point; an inflection point of 0 (a spike) only tells whether the
// weight is 0 (all ones) or not. A point that tells nothing (a degree of 0, or a T whose square
// is 0 because the inflection point lies far beyond the range) is passed over before dividing,
// which would raise the traps of a host that enabled them.
template <typename TForm>
TFzyFloat BetaWeight(const typename TForm::TSet* Set, TFzyFloat Center, TFzyFloat InflectionPoint) {
  const Integer Count = TForm::PointCount(Set);
  for (Integer I : {1, 0}) {
    if (I >= Count) continue;
    const TFzyFloat X = TForm::PointX(Set, I);
    const TFzyFloat Y = TForm::PointY(Set, I);
    if (FloatEquals(X, Center, 1e-12)) continue;
    if (InflectionPoint == 0) return Y == 1 ? 0 : 1;
    if (!(Y > 0)) continue;
    const TFzyFloat T = (X - Center) / InflectionPoint;
    const TFzyFloat Square = T * T;
    if (!(Square > 0)) continue;
    const TFzyFloat W = (1 / Y - 1) / Square;
    if (std::isfinite(W)) return W;
  }
  return 1;
}

// The function call that makes Set's shape, or empty when the call would make other points.
template <typename TForm>
std::string ShapeText(const typename TForm::TSet* Set, std::int32_t N) {
  const Integer Count = TForm::PointCount(Set);
  if (Count == 0 || !InsideRange<TForm>(Set)) return {};
  const TFzyFloat X0 = TForm::PointX(Set, 0);
  const TFzyFloat XLast = TForm::PointX(Set, Count - 1);
  auto Regenerate = [Set](auto&& Make) { return Regenerates<TForm>(Set, Make); };
  switch (Set->GetSetType()) {
    case fstTriangle: {
      if (Count != 3) return {};
      const TFzyFloat X1 = TForm::PointX(Set, 1);
      const TFzyFloat X2 = TForm::PointX(Set, 2);
      if (!Regenerate([&](TFuzzySet& P) { P.CreateTriangleFunctionValues(X0, X1, X2); })) return {};
      return "(tri " + Num3(X0, X1, X2) + ")";
    }
    case fstDeclineCurve:
    case fstGrowthCurve: {
      const bool Growth = Set->GetSetType() == fstGrowthCurve;
      if (!Regenerate([&](TFuzzySet& P) { P.CreateCurveValues(N, X0, XLast, XLast, Growth); })) return {};
      return (Growth ? "(s " : "(z ") + Num2(X0, XLast) + ")";
    }
    case fstPICurve: {
      const TFzyFloat M = Set->MeanOfMaxima();
      if (FloatEquals(M - X0, XLast - M)) {
        const TFzyFloat Range = M - X0;
        if (!Regenerate([&](TFuzzySet& P) { P.CreatePIFunctionValues(N, Range, M); })) return {};
        return "(pi " + Num2(Range, M) + ")";
      }
      if (!Regenerate([&](TFuzzySet& P) { P.CreatePIFunctionValues(N, X0, XLast, M); })) return {};
      return "(pi " + Num3(X0, XLast, M) + ")";
    }
    case fstBetaCurve: {
      const TFzyFloat M = Set->MeanOfMaxima();
      const TFzyFloat Range = M - X0;
      const TFzyFloat Inflection = Set->GetInflectionPoint();
      const TFzyFloat W = BetaWeight<TForm>(Set, M, Inflection);
      const bool WriteWeight = !FloatEquals(W, 1);
      const TFzyFloat Weight = WriteWeight ? W : 1;
      if (!Regenerate([&](TFuzzySet& P) { P.CreateBetaCurveFunctionValues(N, Range, M, Inflection, Weight); }))
        return {};
      std::string R = "(beta " + Num2(Range, M) + " " + Num1(Inflection);
      if (WriteWeight) R += " " + Num1(W);
      return R + ")";
    }
    case fstUserDefined:
      break;
  }
  return {};
}

// An expression reads back as the set it made when, evaluated again over the sets written
// before the set, it meets the same operands: it must be a well-formed run of tokens (lists
// and brackets balanced, no comment), name only sets that are Defined and stand before the set
// at Position in its variable (or the empty set), and hold an operator, so that its value is a
// new set and not a named set that the term would rename.
template <typename TForm>
bool ExpressionReadsBack(const typename TForm::TSet* Set, std::unique_ptr<TFuzzyLogicTokenStream> Stream) {
  if (!TForm::HasVariable(Set)) return false;
  try {
    std::int32_t Depth = 0;     // parentheses
    std::int32_t Brackets = 0;  // grouping brackets outside parentheses
    bool HasOperator = false;
    std::string CommentText;
    AppendCodePoint(CommentText, Stream->GetCommentChar());
    for (;;) {
      Intf<IFuzzyStreamToken> T = Stream->NextToken();
      if (T->GetWhitespace().find(CommentText) != std::string::npos) return false;
      const std::int32_t Kind = T->GetDataType();
      if (Kind == fstNone) break;
      if (Kind == U'(') {
        ++Depth;
        continue;
      }
      if (Kind == U')') {
        if (--Depth < 0) return false;
        continue;
      }
      if (Depth > 0) continue;  // inside a point list or a call
      const std::string Text = T->GetText();
      if (Kind == fstInteger || Kind == fstFloat || Kind == fstVariable) continue;
      if (Kind != fstAtom && Kind != fstString) {
        if (Text == LeftFuzzyParentheses) {
          ++Brackets;
        } else if (Text == RightFuzzyParentheses) {
          if (--Brackets < 0) return false;
        } else {
          return false;  // punctuation is no operand
        }
        continue;
      }
      if (Text == LeftFuzzyParentheses) {
        ++Brackets;
        continue;
      }
      if (Text == RightFuzzyParentheses) {
        if (--Brackets < 0) return false;
        continue;
      }
      if (IsFuzzyOperatorWord(Text)) {
        HasOperator = true;
        continue;
      }
      if (Text.empty() || Text == SEmptyFuzzy) continue;
      if (!TForm::PrintsBefore(Set, Text)) return false;
    }
    return HasOperator && Depth == 0 && Brackets == 0;
  } catch (const Exception&) {
    return false;  // a string without its end, nesting beyond the lexer's limit
  }
}

}  // namespace

template <typename TForm>
std::string TKVFuzzyLogicParser::PrettyPrintSet(const typename TForm::TSet* FuzzySet, bool AsDefinition) {
  if (FuzzySet == nullptr) return {};
  const std::string& Name = FuzzySet->GetName();
  const bool Named = !Name.empty() && Name != SEmptyFuzzy;
  if (!AsDefinition) return Named ? Name : TForm::UnnamedValueText(FuzzySet);

  std::string R;
  if (Named) {
    R = "(term ";
    R += WordText(Name);
    R += ' ';
  }
  const std::string& Comment = FuzzySet->GetComment();
  if (!Comment.empty()) {
    R += QuoteTokenText(Comment);
    R += ' ';
  }

  std::string Value;
  if (FuzzySet->GetSetType() == fstUserDefined) {
    const std::string& Expression = FuzzySet->GetExpression();
    if (!Expression.empty() &&
        ExpressionReadsBack<TForm>(FuzzySet, CreateStream(std::make_unique<TKVStringStream>(Expression), nullptr)))
      Value = Expression;
  } else {
    const TCustomFuzzyLogic* Logic = GetFuzzyLogic();
    Value = ShapeText<TForm>(FuzzySet, Logic ? Logic->GetNumFunctionValues() : kDefaultNumFunctionValues);
  }
  if (Value.empty()) Value = PointListText<TForm>(FuzzySet);
  R += Value;

  if (Named) R += ')';
  return R;
}

template <typename TForm>
std::string TKVFuzzyLogicParser::PrettyPrintVariable(const typename TForm::TVariable* FuzzyVariable) {
  if (FuzzyVariable == nullptr) return {};
  const std::string I = IndentString();
  std::string R = "(deffuzzy " + WordText(FuzzyVariable->GetName()) + " " + kLineEnd;
  const std::string& Comment = FuzzyVariable->GetComment();
  if (!Comment.empty()) R += I + QuoteTokenText(Comment) + kLineEnd;
  R += I + "(range " + Num2(FuzzyVariable->GetMinimum(), FuzzyVariable->GetMaximum()) + ")" + kLineEnd;
  const std::string& Units = FuzzyVariable->GetUnits();
  if (!Units.empty()) R += I + "(units " + UnitsText(Units) + ")" + kLineEnd;
  R += I + "(values " + kLineEnd;
  for (const typename TForm::TConstSetRef& Set : TForm::TermsInOrder(FuzzyVariable)) {
    const std::string& Name = Set->GetName();
    // A term needs a name: a Defined set without one cannot be written as a term. One named
    // like the empty set is written under that name, which reads back as it was.
    if (Name.empty()) continue;
    std::string Term = PrettyPrintSet<TForm>(&*Set, true);
    if (Name == SEmptyFuzzy) Term = "(term " + WordText(Name) + " " + Term + ")";
    R += I + I + Term + kLineEnd;
  }
  R += I + ")" + kLineEnd;
  R += ")";
  return R;
}

std::string TKVFuzzyLogicParser::PrettyPrint(const TFuzzySet* FuzzySet, bool AsDefinition) {
  return PrettyPrintSet<detail::TCollectionForm>(FuzzySet, AsDefinition);
}

std::string TKVFuzzyLogicParser::PrettyPrint(IFuzzySet* FuzzySet, bool AsDefinition) {
  return PrettyPrintSet<detail::TInterfaceForm>(FuzzySet, AsDefinition);
}

std::string TKVFuzzyLogicParser::PrettyPrint(const TFuzzyVariable* FuzzyVariable) {
  return PrettyPrintVariable<detail::TCollectionForm>(FuzzyVariable);
}

std::string TKVFuzzyLogicParser::PrettyPrint(IFuzzyVariable* FuzzyVariable) {
  return PrettyPrintVariable<detail::TInterfaceForm>(FuzzyVariable);
}

}  // namespace tarnwick
