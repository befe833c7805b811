// The fuzzy set of the interface-based model: TIFuzzySet, a TFuzzySet that lives by counted
// references, implements IFuzzySet and refers to its variable through a weak IFuzzyVariable
// link; TIFSValues, its point list; and TFuzzyParserLink, the parser link of sets and
// variables.
//
// Every algorithm (points, membership, shapes, hedges, cuts, inference, defuzzification and the
// two-set walk) is TFuzzySet's. What this form adds:
//   - Lifetime. A set starts at count 0 and dies with its last counted reference; whoever
//     creates one holds it as Intf<IFuzzySet> at once. Sets made by operations (Operator,
//     Intersection, Union, Infer, AlphaCutoff, Cutoff, both Clone forms) are not Defined and
//     held by no table: they die when the caller drops them.
//   - The variable link is weak: a set never keeps its variable alive, and once the variable
//     has died the set goes on as a set without variable (unbounded range, no change reports,
//     threshold 0.01 for Equals).
//   - A Defined set of a variable is held by the variable's table under its name. SetName
//     re-keys it (a hedge or Correlate in place does so too, with the derived name), and
//     SetVariable moves it to the other variable's table. An assignment from another
//     TIFuzzySet copies the name without re-keying.
//   - The other operand of a two-set operation is read only through IFuzzySet, so it may be
//     any implementation; the walk is the very code the collection form runs.
//
// Overloads. A TIFuzzySet is a TFuzzySet and an IFuzzySet, and several operations exist in both
// forms under one name (Intersection, Union, Infer, Iterate, Operator, Intersects, Equals,
// FuzzyEquals, Assign, Clone). Passing a TIFuzzySet* where either form would take it is
// ambiguous: cast it to the form meant (static_cast<IFuzzySet*> or <const TFuzzySet*>).
// Where a TFuzzySet operation and an IFuzzySet operation share name and arguments but not the
// result (AlphaCutoff, Cutoff, GetExpression, GetComment, GetVariable), a TIFuzzySet answers
// the interface's; the object form stays reachable through a TFuzzySet reference.
#ifndef TARNWICK_MODEL_IFUZZYSET_H_
#define TARNWICK_MODEL_IFUZZYSET_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "tarnwick/model/FuzzyConsts.h"
#include "tarnwick/model/FuzzyInterfaces.h"
#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/model/FuzzySetValues.h"
#include "tarnwick/platform/ClassRef.h"
#include "tarnwick/platform/Interfaces.h"
#include "tarnwick/platform/Types.h"

namespace tarnwick {

class TIFuzzySet;

// The class of sets a variable creates by name: Create(Variable, Name) makes a set of that
// class, not Defined and not stored.
using TIFuzzySetClass = TClassOf<TIFuzzySet, IFuzzyVariable*, const std::string&>;

// A link to a parser that never reaches a parser that is gone. Parsers are components, which
// count no references: such a parser is held weakly, and the link reads empty from the moment
// the parser starts dying. A parser that does count (a host's own IFuzzyParser object) is held
// by a counted reference like any other interface. An uncounted parser that cannot be held
// weakly (one not built on the platform's interface base) is refused with EIntfCastError.
class TARNWICK_EXPORT TFuzzyParserLink {
 public:
  TFuzzyParserLink() noexcept = default;
  // The parser, or empty when none is linked or it has died.
  Intf<IFuzzyParser> Get() const noexcept;
  void Set(IFuzzyParser* Value);
  bool IsEmpty() const noexcept { return !Get(); }

 private:
  Intf<IFuzzyParser> FCounted;
  WeakIntf<IFuzzyParser> FWeak;
};

// The point list of a TIFuzzySet, with the point-list operations that IFuzzySet exposes. Made
// only by its set, which owns it. Add and Insert place the new point inside an update block of
// their own, so their result is where the point was put, before the block's clean-up (sorting
// and thinning) may move or remove it.
class TARNWICK_EXPORT TIFSValues : public TFuzzySetValues {
 public:
  // FuzzySet is the owning TIFuzzySet (seen as a TFuzzySet while it is still being built).
  explicit TIFSValues(TFuzzySet* FuzzySet);
  ~TIFSValues() override;

  using TFuzzySetValues::Add;
  using TFuzzySetValues::Append;
  using TFuzzySetValues::Assign;
  using TFuzzySetValues::Insert;

  // Count points of Source from Index, clamped to Source's points; nothing from an empty
  // Source or for a Count below 1.
  virtual void Append(IFuzzySet* Source, Integer Index, Integer Count);
  // True when both have the same count and every X and Y lie within 1e-4 of the other's.
  virtual bool EqualsValues(IFuzzySet* FuzzySet) const;

  // A new point (X, Y) at the end; the index it was appended at.
  Integer Add(TFzyFloat X, TFzyFloat Y);
  void Append(IFuzzySet* Source);
  // The owning set's Assign.
  void Assign(IInterface* AValue);
  // Replaces the points by Source's, inside one update block. From the owning set itself it
  // changes nothing.
  void AssignValues(IFuzzySet* Source);
  // A new point (X, Y) at Index; the index it was inserted at.
  Integer Insert(Integer Index, TFzyFloat X, TFzyFloat Y);

  // The owning set's ToString.
  std::string ToString() const override;

  TIFuzzySet* GetIFuzzySet() const noexcept;
};

class TARNWICK_EXPORT TIFuzzySet : public TFuzzySet, public TInterfacedMixin, public virtual IFuzzySet {
 public:
  // The object-form constructor: a set of no variable, no parser and no name (the cuts make
  // their results this way). The caller takes the first counted reference.
  explicit TIFuzzySet(TCollection* Collection);
  // A set named Name (reserved words raise EFzyException SInvalidFuzzySetName) that refers to
  // Variable (none allowed) and takes its parser; not Defined, so not stored in Variable's
  // table. A constructor that raises leaves nothing behind.
  TIFuzzySet(IFuzzyVariable* Variable, const std::string& Name);
  ~TIFuzzySet() override;

  // The virtual constructor: a new set of this set's own class, as the constructor above
  // makes it. Operator, both Clone forms and the variable's copies create sets through it.
  [[nodiscard]] virtual TIFuzzySet* NewInstance(IFuzzyVariable* Variable, const std::string& Name) const;

  using TFuzzySet::Clone;
  using TFuzzySet::Equals;
  using TFuzzySet::FuzzyEquals;
  using TFuzzySet::Infer;
  using TFuzzySet::Intersection;
  using TFuzzySet::Intersects;
  using TFuzzySet::Iterate;
  using TFuzzySet::Operator;
  using TFuzzySet::Union;

  // --- ICloneable
  // Copies variable, set type, inflection point, points, expression and parser of AValue as an
  // IFuzzySet (nothing for anything else, nor from this set itself).
  void Assign(IInterface* AValue) override;
  // From a TIFuzzySet also its variable and parser, then TFuzzySet::Assign (name, points, set
  // type, inflection point, expression; the name without re-keying). From this set itself:
  // nothing.
  void Assign(const TPersistent* Source) override;
  void AssignTo(TPersistent* Dest) const override;
  // A copy for the same variable (not Defined, not stored).
  [[nodiscard]] Intf<IInterface> Clone() override;
  // The threshold match of TFuzzySet::Equals against AValue as an IFuzzySet, with the
  // variable's threshold (0.01 without variable); false for anything that is no set.
  bool Equals(IInterface* AValue) const override;
  NativeInt GetTag() const override { return TFuzzySet::GetTag(); }
  void SetTag(NativeInt Value) override { TFuzzySet::SetTag(Value); }

  // --- IFuzzySet, in its order
  TFzyFloat GetCompatibilityIndex() const override;
  TFzyFloat GetInflectionPoint() const override { return TFuzzySet::GetInflectionPoint(); }
  std::string GetExpression() const override { return TFuzzySet::GetExpression(); }
  // Stores the text; reports nothing.
  void SetExpression(const std::string& Value) override;
  const std::string& GetName() const override { return TFuzzySet::GetName(); }
  // Checks the name first (a reserved word raises and changes nothing), then leaves the
  // variable's table, renames, and joins it again under the new name when Defined.
  void SetName(const std::string& Value) override;
  TFuzzySetType GetSetType() const override { return TFuzzySet::GetSetType(); }
  // Over the variable's range, always with 7 points per curve.
  void SetSetType(TFuzzySetType Value) override;
  // A point index outside the list raises EListError SListIndexError.
  TFzyFloat GetXValues(Integer Index) const override;
  // SetX of the point: X is held in the variable's range.
  void SetXValues(Integer Index, TFzyFloat Value) override;
  TFzyFloat GetYValues(Integer Index) const override;
  void SetYValues(Integer Index, TFzyFloat Value) override;
  // The variable's range; without variable the last (first) point's X, without points
  // 2147483647.0 (-2147483647.0).
  TFzyFloat GetXMaximum() const override;
  TFzyFloat GetXMinimum() const override;
  // The parser's printed value form when a parser is linked, else the plain text form.
  std::string ToString() const override;
  std::string GetValuesToString() const override;
  Intf<IFuzzyVariable> GetVariable() const override;
  Intf<IFuzzyParser> GetParser() const override;
  // The number the variable's table gave the set when it last stored it.
  Integer GetIndex() const override { return FIndex; }
  void SetIndex(Integer Value) override;
  bool GetDefined() const override { return TFuzzySet::GetDefined(); }
  // Marks the set Defined whatever Value is; only the object form's TFuzzySet::SetDefined
  // clears the flag.
  void SetDefined(bool Value) override;
  void SetParser(IFuzzyParser* Value) override;
  // Leaves the current variable's table (when stored there), refers to Value and, when
  // Defined, joins Value's table; takes Value's parser (none keeps the current one).
  void SetVariable(IFuzzyVariable* Value) override;
  Integer GetCount() const override;
  void Append(IFuzzySet* Source) override;
  void Append(IFuzzySet* Source, Integer Index, Integer Count) override;
  void AssignValues(IFuzzySet* Source) override;
  Integer Add(TFzyFloat X, TFzyFloat Y) override;
  void BeginUpdate() override;
  void Clear() override;
  void Delete(Integer Index) override;
  void EndUpdate() override;
  Integer Insert(Integer Index, TFzyFloat X, TFzyFloat Y) override;
  void Expand(Integer NewCount) override;
  // An empty set raises EFzyException SFuzzySetEmpty.
  TFzyFloat GetMaxValue() const override;
  TFzyFloat GetMinValue() const override;
  Integer SkipX(Integer Index, TFzyFloat X, Integer Dir) const override;
  Integer SkipY(Integer Index, TFzyFloat Y, Integer Dir) const override;
  // The largest min(Y1, Y2) over the walk with Match.
  TFzyFloat GetCorrelationStrength(IFuzzySet* Match) const override;
  // fcmProduct scales the degrees, fcmMinimum caps them, in place; renames (and so re-keys)
  // the set; returns it.
  TIFuzzySet* Correlate(TFzyFloat CorrelationStrength, TFuzzyCorrelationMethod CorrelationMethod) override;
  // The intersection (Unconditional) or union with NewEvidence under the method's operation.
  [[nodiscard]] Intf<IFuzzySet> Infer(IFuzzySet* NewEvidence, TFuzzyInferenceMethod InferenceMethod,
                        bool Unconditional) const override;
  void CreateCrispValue(TFzyFloat Value) override;
  void CreateTriangleFunctionValues(TFzyFloat Left, TFzyFloat Middle, TFzyFloat Right) override;
  void CreateCurveValues(Integer Num, TFzyFloat Left, TFzyFloat Right, TFzyFloat InflectionPoint,
                         bool Growth) override;
  void CreatePIFunctionValues(Integer Num, TFzyFloat Left, TFzyFloat Right, TFzyFloat Center) override;
  void CreatePIFunctionValues(Integer Num, TFzyFloat Range, TFzyFloat Center) override;
  void CreateBetaCurveFunctionValues(Integer Num, TFzyFloat Range, TFzyFloat Center,
                                     TFzyFloat InflectionPoint) override;
  void CreateBetaCurveFunctionValues(Integer Num, TFzyFloat Range, TFzyFloat Center, TFzyFloat InflectionPoint,
                                     TFzyFloat Weight) override;
  TFzyFloat DegreeOfMembership(TFzyFloat Value) const override;
  // The correlation strength with AValue as an IFuzzySet; 0 for anything that is no set.
  float FuzzyEquals(IInterface* AValue) const override;
  // In place; the set takes the derived name (re-keyed when stored) and is returned.
  TIFuzzySet* Hedge(TFuzzyHedge HedgeType) override;
  TIFuzzySet* Hedge(TBaseFuzzyHedge ModifyType, TFzyFloat Value, bool ModifyY) override;
  // The centre of gravity: an interface set has no logic component to choose the method.
  TFzyFloat Defuzzify() const override;
  TFzyFloat MeanOfMaxima() const override;
  TFzyFloat CenterOfGravity() const override;
  bool IsUndecidable() const override;
  bool Intersects(IFuzzySet* FuzzySet) const override;
  // New sets of this set's variable and parser, not Defined, not stored. An intersection
  // under foSum, or an operation past the last, raises EFzyException SInvalidFuzzyOperation
  // before any set is made.
  [[nodiscard]] Intf<IFuzzySet> Intersection(IFuzzySet* FuzzySet) const override;
  [[nodiscard]] Intf<IFuzzySet> Intersection(IFuzzySet* FuzzySet, TFuzzyOperation IntersectionType) const override;
  bool LineSegmentIntersects(TFzyFloat AX1, TFzyFloat AY1, TFzyFloat AX2, TFzyFloat AY2, TFzyFloat BX1,
                             TFzyFloat BY1, TFzyFloat BX2, TFzyFloat BY2, TFzyFloat& X, TFzyFloat& Y) const override;
  [[nodiscard]] Intf<IFuzzySet> Union(IFuzzySet* FuzzySet) const override;
  [[nodiscard]] Intf<IFuzzySet> Union(IFuzzySet* FuzzySet, TFuzzyOperation UnionType) const override;
  // In place; returns the set. An empty set raises EFzyException SFuzzySetEmpty.
  TIFuzzySet* Normalize() override;
  // The two-set walk with FuzzySet; true when FuzzyOperator stopped it or both sets are empty.
  bool Iterate(IFuzzySet* FuzzySet, const TIFuzzyComparison& FuzzyOperator) const override;
  // A new set built by the walk from what FuzzyOperator adds to it at each visit, named
  // "<this> <OperatorKeyword> <FuzzySet>", with this set's variable, parser and inflection point.
  [[nodiscard]] Intf<IFuzzySet> Operator(IFuzzySet* FuzzySet, const std::string& OperatorKeyword,
                           const TIFuzzyOperator& FuzzyOperator) const override;
  // The alpha cut, named "<name> (alpha=<CutOff>)" with CutOff as given (the cut itself is made
  // at CutOff clamped into [0, 1]); it refers to this set's variable and takes its parser.
  [[nodiscard]] Intf<IFuzzySet> AlphaCutoff(TFzyFloat CutOff, bool StrongCutoff) const override;
  // The cut-off as TFuzzySet makes it; it refers to no variable and has no parser.
  [[nodiscard]] Intf<IFuzzySet> Cutoff(TFzyFloat CutOff, bool CutValuesBelow) const override;
  // A copy of the points under this set's name for Variable, with Variable's parser.
  [[nodiscard]] Intf<IFuzzySet> Clone(IFuzzyVariable* Variable) const override;
  std::string GetComment() const override { return TFuzzySet::GetComment(); }
  void SetComment(const std::string& Value) override { TFuzzySet::SetComment(Value); }

  // --- Further operations
  // Index 0: the variable's maximum, 1: its minimum, anything else EFzyException
  // SInvalidXRangeIndex; without variable TFuzzySet's (the unbounded range).
  TFzyFloat GetXRange(std::int32_t Index) const override;
  TIFSValues* GetValues() const noexcept;
  // The index of the highest point among those that share point Index's X (within 1e-4) in
  // FuzzySet, walking from Index in Direction (+1 or -1); the first of equal maxima wins.
  static Integer GetMaxYValueOfX(IFuzzySet* FuzzySet, Integer Index, Integer Direction);

  // The point combiners of the interface form: each adds (X1, the combined degree) to Result
  // and returns false. Their degrees are those of TFuzzySet's combiners of the same names.
  static bool FuzzyOperatorMin(IFuzzySet* Result, TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2, TFzyFloat Y2);
  static bool FuzzyOperatorMax(IFuzzySet* Result, TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2, TFzyFloat Y2);
  static bool FuzzyOperatorMean(IFuzzySet* Result, TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2, TFzyFloat Y2);
  static bool FuzzyOperatorUnionMean(IFuzzySet* Result, TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2, TFzyFloat Y2);
  static bool FuzzyOperatorMeanSqr(IFuzzySet* Result, TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2, TFzyFloat Y2);
  static bool FuzzyOperatorMeanSqrt(IFuzzySet* Result, TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2, TFzyFloat Y2);
  static bool FuzzyOperatorIntersectionProduct(IFuzzySet* Result, TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2,
                                               TFzyFloat Y2);
  static bool FuzzyOperatorUnionProduct(IFuzzySet* Result, TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2,
                                        TFzyFloat Y2);
  static bool FuzzyOperatorIntersectionBoundedSum(IFuzzySet* Result, TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2,
                                                  TFzyFloat Y2);
  static bool FuzzyOperatorUnionBoundedSum(IFuzzySet* Result, TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2,
                                           TFzyFloat Y2);
  static bool FuzzyOperatorUnionSum(IFuzzySet* Result, TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2, TFzyFloat Y2);

 protected:
  void* GetInterface(const TGUID& IID) noexcept override;

  // TFuzzySet's, then the variable hears of the change.
  void UpdateFuzzySetValue(TFuzzySetValue* Value) override;
  void UpdateFuzzySetValues() override;
  bool GetVariableThreshold(TFzyFloat& Value) const override;
  [[nodiscard]] TFuzzySet* NewInstance(TCollection* Collection) const override;
  std::unique_ptr<TFuzzySetValues> CreateValues() override;

 private:
  // A counted reference to this set for the length of an operation that may release the
  // table's, or none while the set is still being built (its count then is 0).
  Intf<IFuzzySet> KeepAlive() noexcept;
  // Operator's steps with any visit: a plain combiner or a host's TIFuzzyOperator.
  template <typename TVisit>
  Intf<IFuzzySet> BuildResult(IFuzzySet* FuzzySet, std::string_view OperatorKeyword, TVisit&& Visit) const;

  // The variable while it lives, uncounted, for reads that release no reference (the range,
  // the threshold): they run on every point, where counting would cost more than the read.
  IFuzzyVariable* PeekVariable() const noexcept { return FVariable.expired() ? nullptr : FVariableObject; }

  WeakIntf<IFuzzyVariable> FVariable;
  IFuzzyVariable* FVariableObject = nullptr;  // FVariable's target; valid while FVariable is not expired
  TFuzzyParserLink FParser;
  Integer FIndex = 0;
};

}  // namespace tarnwick

#endif  // TARNWICK_MODEL_IFUZZYSET_H_
