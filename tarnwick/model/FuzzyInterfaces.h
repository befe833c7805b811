// The interfaces through which the interface-based model and the parser see one another
// (IFuzzySet, IFuzzyVariable, IFuzzyParser, IFuzzyStreamToken, IFuzzyStreamTokenList), the
// callback and event types of both model forms, and the fuzzy language's token and token list
// (TFuzzyStreamToken, TFuzzyStreamTokenList).
//
// The interfaces follow the conventions of tarnwick/common/CommonInterfaces.h: interface
// arguments are raw pointers the callee does not own, results that hand out a reference are
// Intf<T>, reading operations are const, and operations are declared in their fixed order.
// Arrays of sets are spans of counted references.
//
// IFuzzySet is made to be implemented beside TFuzzySet (TIFuzzySet derives from both), so
// where it shares a name and arguments with a virtual member of TFuzzySet or its bases it has
// that member's exact signature (GetName, SetName, SetSetType, SetIndex, GetCompatibilityIndex,
// GetValuesToString, ToString), and the operations that change the set in place and return it
// (Hedge, Correlate, Normalize) return the receiver as a raw pointer, which an implementation
// narrows covariantly to its own class to serve TFuzzySet's forms as well.
#ifndef TARNWICK_MODEL_FUZZYINTERFACES_H_
#define TARNWICK_MODEL_FUZZYINTERFACES_H_

#include <functional>
#include <span>
#include <string>

#include "tarnwick/common/CommonInterfaces.h"
#include "tarnwick/common/StreamTokens.h"
#include "tarnwick/model/FuzzyConsts.h"
#include "tarnwick/platform/Classes.h"
#include "tarnwick/platform/Events.h"
#include "tarnwick/platform/Export.h"
#include "tarnwick/platform/Interfaces.h"
#include "tarnwick/platform/Types.h"

namespace tarnwick {

class TEncoding;
class TFuzzySet;
class TFuzzyVariable;

class IFuzzySet;
class IFuzzyVariable;
class IFuzzyParser;
class IFuzzyStreamToken;
class IFuzzyStreamTokenList;

// ---------------------------------------------------------------------------------------------
// Callback and event types. Events fire only when assigned; a "var" result is a reference the
// handler may replace.

// Collection-based form.
using TFuzzySetEvent = std::function<void(TObject* Sender, TFuzzySet* FuzzySet)>;
using TFuzzyVariableEvent = std::function<void(TObject* Sender, TFuzzyVariable* FuzzyVariable)>;
using TFuzzyVariableSetEvent =
    std::function<void(TObject* Sender, TFuzzyVariable* FuzzyVariable, TFuzzySet* FuzzySet)>;
// An expression was evaluated; Expression is the text of the token list in postfix order.
using TFuzzyExpressionEvent = std::function<void(TObject* Sender, TFuzzyVariable* FuzzyVariable,
                                                 const std::string& Expression, TFuzzySet*& Result)>;
// A membership-function call offered to the host before the built-in one; a handler that
// delivers the set sets Handled.
using TCalcFuzzyFunctionEvent = std::function<void(TObject* Sender, const std::string& FuncName,
                                                   IFuzzyStreamTokenList* List, TFuzzySet*& Result,
                                                   bool& Handled)>;
using TCalcFuzzyIntfFunctionEvent = std::function<void(TObject* Sender, const std::string& FuncName,
                                                       IFuzzyStreamTokenList* List,
                                                       Intf<IFuzzySet>& Result, bool& Handled)>;

// Interface-based form.
using TIFuzzySetEvent = std::function<void(IFuzzyVariable* Sender, IFuzzySet* FuzzySet)>;
using TIFuzzyVariableEvent = std::function<void(IFuzzyVariable* FuzzyVariable)>;
using TIFuzzyExpressionEvent =
    std::function<void(IFuzzyVariable* Sender, const std::string& Expression, Intf<IFuzzySet>& Result)>;
// A visit of the two-set walk that builds Result by adding points to it; true stops the walk.
using TIFuzzyOperator =
    std::function<bool(IFuzzySet* Result, TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2, TFzyFloat Y2)>;
// A visit of the two-set walk that only compares; true stops the walk.
using TIFuzzyComparison = std::function<bool(TFzyFloat X1, TFzyFloat Y1, TFzyFloat X2, TFzyFloat Y2)>;

// ---------------------------------------------------------------------------------------------
// Interfaces

// A fuzzy set of the interface-based model. Operations 25 to 39 act on the point list.
class TARNWICK_EXPORT IFuzzySet : public virtual ICloneable {
 public:
  static constexpr TGUID IID = MakeGUID("{B5C057E4-FD60-4818-9641-B61A71B492CF}");

  using ICloneable::Clone;

  // Height of the set (highest membership degree).
  virtual TFzyFloat GetCompatibilityIndex() const = 0;
  virtual TFzyFloat GetInflectionPoint() const = 0;
  virtual std::string GetExpression() const = 0;
  virtual void SetExpression(const std::string& Value) = 0;
  virtual const std::string& GetName() const = 0;
  // Refuses reserved words; moves the set to its new key in its variable's table.
  virtual void SetName(const std::string& Value) = 0;
  virtual TFuzzySetType GetSetType() const = 0;
  // Regenerates the points for that shape over the variable's range.
  virtual void SetSetType(TFuzzySetType Value) = 0;
  virtual TFzyFloat GetXValues(Integer Index) const = 0;
  virtual void SetXValues(Integer Index, TFzyFloat Value) = 0;
  virtual TFzyFloat GetYValues(Integer Index) const = 0;
  virtual void SetYValues(Integer Index, TFzyFloat Value) = 0;
  virtual TFzyFloat GetXMaximum() const = 0;
  virtual TFzyFloat GetXMinimum() const = 0;
  // The parser's printed form when the set has a parser.
  virtual std::string ToString() const = 0;
  virtual std::string GetValuesToString() const = 0;
  // The variable the set belongs to, which it holds weakly; empty when there is none.
  virtual Intf<IFuzzyVariable> GetVariable() const = 0;
  virtual Intf<IFuzzyParser> GetParser() const = 0;
  // The number the variable's table gave the set when it stored it.
  virtual Integer GetIndex() const = 0;
  virtual void SetIndex(Integer Value) = 0;
  virtual bool GetDefined() const = 0;
  virtual void SetDefined(bool Value) = 0;
  virtual void SetParser(IFuzzyParser* Value) = 0;
  // Moves the set to another variable.
  virtual void SetVariable(IFuzzyVariable* Value) = 0;
  // Number of points.
  virtual Integer GetCount() const = 0;
  virtual void Append(IFuzzySet* Source) = 0;
  virtual void Append(IFuzzySet* Source, Integer Index, Integer Count) = 0;
  virtual void AssignValues(IFuzzySet* Source) = 0;
  // The new point's index.
  virtual Integer Add(TFzyFloat X, TFzyFloat Y) = 0;
  virtual void BeginUpdate() = 0;
  virtual void Clear() = 0;
  virtual void Delete(Integer Index) = 0;
  virtual void EndUpdate() = 0;
  virtual Integer Insert(Integer Index, TFzyFloat X, TFzyFloat Y) = 0;
  // Adds interpolated points until NewCount points exist.
  virtual void Expand(Integer NewCount) = 0;
  virtual TFzyFloat GetMaxValue() const = 0;
  virtual TFzyFloat GetMinValue() const = 0;
  // The first position beyond Index, stepping by Dir, whose X (Y) is not within the tolerance
  // of X (Y); -1 when there is none.
  virtual Integer SkipX(Integer Index, TFzyFloat X, Integer Dir) const = 0;
  virtual Integer SkipY(Integer Index, TFzyFloat Y, Integer Dir) const = 0;
  virtual TFzyFloat GetCorrelationStrength(IFuzzySet* Match) const = 0;
  // In place; returns the receiver.
  virtual IFuzzySet* Correlate(TFzyFloat CorrelationStrength, TFuzzyCorrelationMethod CorrelationMethod) = 0;
  [[nodiscard]] virtual Intf<IFuzzySet> Infer(IFuzzySet* NewEvidence, TFuzzyInferenceMethod InferenceMethod,
                                bool Unconditional) const = 0;
  // Replaces the points by a crisp spike at Value.
  virtual void CreateCrispValue(TFzyFloat Value) = 0;
  virtual void CreateTriangleFunctionValues(TFzyFloat Left, TFzyFloat Middle, TFzyFloat Right) = 0;
  // An S curve (Growth) or a Z curve.
  virtual void CreateCurveValues(Integer Num, TFzyFloat Left, TFzyFloat Right, TFzyFloat InflectionPoint,
                                 bool Growth) = 0;
  virtual void CreatePIFunctionValues(Integer Num, TFzyFloat Left, TFzyFloat Right, TFzyFloat Center) = 0;
  virtual void CreatePIFunctionValues(Integer Num, TFzyFloat Range, TFzyFloat Center) = 0;
  virtual void CreateBetaCurveFunctionValues(Integer Num, TFzyFloat Range, TFzyFloat Center,
                                             TFzyFloat InflectionPoint) = 0;
  virtual void CreateBetaCurveFunctionValues(Integer Num, TFzyFloat Range, TFzyFloat Center,
                                             TFzyFloat InflectionPoint, TFzyFloat Weight) = 0;
  virtual TFzyFloat DegreeOfMembership(TFzyFloat Value) const = 0;
  // The degree to which the two sets match.
  virtual float FuzzyEquals(IInterface* AValue) const = 0;
  // In place; returns the receiver.
  virtual IFuzzySet* Hedge(TFuzzyHedge HedgeType) = 0;
  // An arithmetic hedge on Y (ModifyY) or X, in place; returns the receiver.
  virtual IFuzzySet* Hedge(TBaseFuzzyHedge ModifyType, TFzyFloat Value, bool ModifyY) = 0;
  virtual TFzyFloat Defuzzify() const = 0;
  virtual TFzyFloat MeanOfMaxima() const = 0;
  virtual TFzyFloat CenterOfGravity() const = 0;
  virtual bool IsUndecidable() const = 0;
  virtual bool Intersects(IFuzzySet* FuzzySet) const = 0;
  // A new set (minimum).
  [[nodiscard]] virtual Intf<IFuzzySet> Intersection(IFuzzySet* FuzzySet) const = 0;
  [[nodiscard]] virtual Intf<IFuzzySet> Intersection(IFuzzySet* FuzzySet, TFuzzyOperation IntersectionType) const = 0;
  // Whether segment A1-A2 meets segment B1-B2; the crossing point goes to X and Y.
  virtual bool LineSegmentIntersects(TFzyFloat AX1, TFzyFloat AY1, TFzyFloat AX2, TFzyFloat AY2, TFzyFloat BX1,
                                     TFzyFloat BY1, TFzyFloat BX2, TFzyFloat BY2, TFzyFloat& X,
                                     TFzyFloat& Y) const = 0;
  // A new set (maximum).
  [[nodiscard]] virtual Intf<IFuzzySet> Union(IFuzzySet* FuzzySet) const = 0;
  [[nodiscard]] virtual Intf<IFuzzySet> Union(IFuzzySet* FuzzySet, TFuzzyOperation UnionType) const = 0;
  // In place; returns the receiver.
  virtual IFuzzySet* Normalize() = 0;
  // The two-set walk without a result set.
  virtual bool Iterate(IFuzzySet* FuzzySet, const TIFuzzyComparison& FuzzyOperator) const = 0;
  // The two-set walk that builds a new set.
  [[nodiscard]] virtual Intf<IFuzzySet> Operator(IFuzzySet* FuzzySet, const std::string& OperatorKeyword,
                                   const TIFuzzyOperator& FuzzyOperator) const = 0;
  [[nodiscard]] virtual Intf<IFuzzySet> AlphaCutoff(TFzyFloat CutOff, bool StrongCutoff) const = 0;
  [[nodiscard]] virtual Intf<IFuzzySet> Cutoff(TFzyFloat CutOff, bool CutValuesBelow) const = 0;
  // A copy of the set for Variable.
  [[nodiscard]] virtual Intf<IFuzzySet> Clone(IFuzzyVariable* Variable) const = 0;
  virtual std::string GetComment() const = 0;
  virtual void SetComment(const std::string& Value) = 0;

 protected:
  ~IFuzzySet() = default;
};

// A linguistic variable of the interface-based model.
class TARNWICK_EXPORT IFuzzyVariable : public virtual ICloneable {
 public:
  static constexpr TGUID IID = MakeGUID("{F749FF55-FFF4-4F92-9B6F-14568D174661}");

  virtual TDefuzzificationMethod GetDefuzzificationMethod() const = 0;
  // The range.
  virtual TFzyFloat GetMaximum() const = 0;
  virtual TFzyFloat GetMinimum() const = 0;
  virtual std::string GetName() const = 0;
  // The parser's printed form, or the name without a parser.
  virtual std::string ToString() const = 0;
  virtual std::string GetUnits() const = 0;
  // Points the shape generators make.
  virtual Integer GetNumFunctionValues() const = 0;
  virtual TNotifyEvent GetOnChange() const = 0;
  virtual TIFuzzyVariableEvent GetOnVariableChange() const = 0;
  virtual TIFuzzySetEvent GetOnFuzzySetChange() const = 0;
  virtual Intf<IFuzzyParser> GetParser() const = 0;
  virtual TFzyFloat GetThreshold() const = 0;
  virtual std::string GetComment() const = 0;
  virtual TIFuzzySetEvent GetOnFuzzySetAdded() const = 0;
  virtual TIFuzzySetEvent GetOnFuzzySetDeleted() const = 0;
  virtual void SetOnFuzzySetAdded(TIFuzzySetEvent Value) = 0;
  virtual void SetOnFuzzySetDeleted(TIFuzzySetEvent Value) = 0;
  virtual void SetComment(const std::string& Value) = 0;
  // Also hands the parser to every set of the variable.
  virtual void SetParser(IFuzzyParser* Value) = 0;
  virtual void SetDefuzzificationMethod(TDefuzzificationMethod Value) = 0;
  virtual void SetMaximum(TFzyFloat Value) = 0;
  virtual void SetMinimum(TFzyFloat Value) = 0;
  virtual void SetName(const std::string& Value) = 0;
  virtual void SetUnits(const std::string& Value) = 0;
  virtual void SetNumFunctionValues(Integer Value) = 0;
  virtual void SetOnChange(TNotifyEvent Value) = 0;
  virtual void SetOnVariableChange(TIFuzzyVariableEvent Value) = 0;
  virtual void SetOnFuzzySetChange(TIFuzzySetEvent Value) = 0;
  virtual void SetThreshold(TFzyFloat Value) = 0;
  // The smallest correlation strength over the pairs.
  virtual TFzyFloat GetCorrelationStrength(std::span<const Intf<IFuzzySet>> Premises,
                                           std::span<const Intf<IFuzzySet>> Matchings) const = 0;
  [[nodiscard]] virtual Intf<IFuzzySet> AssertRule(std::span<const Intf<IFuzzySet>> Premises,
                                     std::span<const Intf<IFuzzySet>> Matchings, IFuzzySet* NewEvidence,
                                     IFuzzySet* OldEvidence) = 0;
  [[nodiscard]] virtual Intf<IFuzzySet> AssertRule(TFzyFloat CorrelationStrength, IFuzzySet* NewEvidence,
                                     IFuzzySet* OldEvidence) = 0;
  [[nodiscard]] virtual Intf<IFuzzySet> AssertRule(IFuzzySet* Premise, IFuzzySet* NewEvidence, IFuzzySet* Matching,
                                     IFuzzySet* OldEvidence) = 0;
  // Number of stored sets.
  virtual Integer GetCount() const = 0;
  // The set at a table position.
  virtual Intf<IFuzzySet> GetFuzzySet(Integer Index) const = 0;
  // The set stored under the name given in Index.
  virtual Intf<IFuzzySet> GetFuzzySetByName(const std::string& Index) const = 0;
  // Attaches an existing set.
  virtual void Add(IFuzzySet* FuzzySet) = 0;
  // Creates and stores a new set of that name.
  virtual Intf<IFuzzySet> Add(const std::string& Name) = 0;
  // Replaces the sets by copies of Source's sets.
  virtual void AssignFuzzySets(IFuzzyVariable* Source) = 0;
  virtual void BeginUpdate() = 0;
  virtual void Clear() = 0;
  // The set stored under Name, or empty.
  virtual Intf<IFuzzySet> ContainsFuzzySet(const std::string& Name) const = 0;
  virtual void Remove(IFuzzySet* FuzzySet) = 0;
  virtual void EndUpdate() = 0;
  // Called by a set whose points changed.
  virtual void FuzzySetChanged(IFuzzySet* FuzzySet) = 0;

 protected:
  ~IFuzzyVariable() = default;
};

// A parser as sets and variables see it. Parsers are components: the counting of this
// interface does nothing, so a reference never keeps a parser alive.
class TARNWICK_EXPORT IFuzzyParser : public virtual IInterface {
 public:
  static constexpr TGUID IID = MakeGUID("{7F0ED40B-4048-46BB-8EFB-DAB9532F6A54}");

  // Evaluates Expression for Variable, delivers the set and returns its defuzzified value.
  virtual TFzyFloat EvalFuzzyExpression(IFuzzyVariable* Variable, const std::string& Expression,
                                        Intf<IFuzzySet>& FuzzySet) = 0;
  [[nodiscard]] virtual Intf<IFuzzySet> EvalFuzzyExpression(IFuzzyVariable* Variable, const std::string& Expression) = 0;
  // Reads one term definition (a nil Encoding leaves the choice to the reader).
  virtual Intf<IFuzzySet> ParseFuzzySet(IFuzzyVariable* Variable, const std::string& AString,
                                        const TEncoding* Encoding) = 0;
  // Reads one variable definition.
  virtual Intf<IFuzzyVariable> ParseFuzzyVariableIntf(const std::string& AString, const TEncoding* Encoding) = 0;
  virtual std::string PrettyPrint(IFuzzySet* FuzzySet, bool AsDefinition) = 0;
  virtual std::string PrettyPrint(IFuzzyVariable* FuzzyVariable) = 0;

 protected:
  ~IFuzzyParser() = default;
};

// A token of the definition language that may carry a value. The interface payload (kinds
// fstInterface, fstList, fstIFuzzySet) is counted; the object payload (fstObject, fstFuzzySet)
// is neither owned nor freed. DataType says which payload is meant; each getter reads only its
// own field, so the other field may hold a stale value.
class TARNWICK_EXPORT IFuzzyStreamToken : public virtual IBaseStreamToken {
 public:
  static constexpr TGUID IID = MakeGUID("{E86CEA84-8228-4C29-8F78-6B9728B01227}");

  virtual Intf<IInterface> GetIntfValue() const = 0;
  // The interface payload as a set (a token list); empty when it is none.
  virtual Intf<IFuzzySet> GetFuzzySetIntf() const = 0;
  virtual Intf<IFuzzyStreamTokenList> GetList() const = 0;
  virtual TObject* GetObjValue() const = 0;
  // Each setter stores its payload and sets DataType to its kind, or to fstNone for nil.
  virtual void SetFuzzySetIntf(IFuzzySet* Value) = 0;
  virtual void SetIntfValue(IInterface* Value) = 0;
  virtual void SetList(IFuzzyStreamTokenList* Value) = 0;
  virtual void SetObjValue(TObject* Value) = 0;

 protected:
  ~IFuzzyStreamToken() = default;
};

// A list of fuzzy tokens: the argument list of a membership-function call and the token list
// of an expression. Get, First and Last narrow the base list's results.
class TARNWICK_EXPORT IFuzzyStreamTokenList : public virtual IBaseStreamTokenList {
 public:
  static constexpr TGUID IID = MakeGUID("{FC119D38-7F42-433A-9E04-A0577D6E188C}");

  using IBaseStreamTokenList::Add;
  using IBaseStreamTokenList::Append;
  using IBaseStreamTokenList::Equals;
  using IBaseStreamTokenList::IndexOf;
  using IBaseStreamTokenList::Insert;
  using IBaseStreamTokenList::Put;
  using IBaseStreamTokenList::Remove;

  IFuzzyStreamToken* Get(Integer Index) const override = 0;
  virtual void Put(Integer Index, IFuzzyStreamToken* Value) = 0;
  virtual bool Equals(IFuzzyStreamTokenList* AList) const = 0;
  virtual Integer Add(IFuzzyStreamToken* Item) = 0;
  IFuzzyStreamToken* First() const override = 0;
  virtual Integer IndexOf(IFuzzyStreamToken* Item) const = 0;
  virtual void Insert(Integer Index, IFuzzyStreamToken* Item) = 0;
  IFuzzyStreamToken* Last() const override = 0;
  virtual void Append(IFuzzyStreamTokenList* List) = 0;
  virtual Integer Remove(IFuzzyStreamToken* Item) = 0;

 protected:
  ~IFuzzyStreamTokenList() = default;
};

// ---------------------------------------------------------------------------------------------
// Tokens

// A token of the definition language (made by the lexer with the base's constructor) with
// an interface payload, which it counts, or an object payload, which it neither owns nor frees.
// The setters write DataType directly. ToString goes by DataType: "<interface>", the list's
// printed form, the interface set's ToString, "<object>", the fuzzy set's Expression, and the
// base's printed form for every other kind (also for a payload kind whose payload is missing).
// Assign also copies both payloads; a clone carries a clone of a token-list payload, so that
// it shares no token list with its source, and the other payloads themselves. Equals also
// compares the payload the DataType names: the same interface or object, or equal lists.
class TARNWICK_EXPORT TFuzzyStreamToken : public TBaseStreamToken, public virtual IFuzzyStreamToken {
 public:
  TFuzzyStreamToken() noexcept;
  ~TFuzzyStreamToken() override;

  // From the thread's block cache (model/detail/BlockCaches.h).
  static void* operator new(std::size_t Size);
  static void operator delete(void* Block, std::size_t Size) noexcept;

  // --- ICloneable
  void Assign(IInterface* Source) override;
  void Assign(const TPersistent* Source) override;
  [[nodiscard]] Intf<IInterface> Clone() override;
  bool Equals(IInterface* AValue) const override;

  // --- IFuzzyStreamToken
  Intf<IInterface> GetIntfValue() const override { return FIntfValue; }
  Intf<IFuzzySet> GetFuzzySetIntf() const override;
  Intf<IFuzzyStreamTokenList> GetList() const override;
  TObject* GetObjValue() const override { return FObjValue; }
  void SetFuzzySetIntf(IFuzzySet* Value) override;
  void SetIntfValue(IInterface* Value) override;
  void SetList(IFuzzyStreamTokenList* Value) override;
  void SetObjValue(TObject* Value) override;

  // Whether it carries an interface or an object, whatever its DataType says.
  bool HasPayload() const noexcept { return FIntfValue || FObjValue != nullptr; }
  // The object payload when it is a TFuzzySet or a descendant, else nullptr.
  TFuzzySet* GetFuzzySet() const noexcept;
  void SetFuzzySet(TFuzzySet* Value);

  std::string ToString() const override;

 protected:
  void* GetInterface(const TGUID& IID) noexcept override;
  [[nodiscard]] TBaseStreamToken* NewInstance() const override;

 private:
  Intf<IInterface> FIntfValue;
  TObject* FObjValue = nullptr;
};

// A list of fuzzy tokens over the base token list. Seen through either interface, Get, First
// and Last hand out the item converted to IFuzzyStreamToken (EIntfCastError when it is none);
// GetBaseStreamToken, FirstBaseStreamToken and LastBaseStreamToken give the base-typed view,
// which also reaches tokens that are no fuzzy tokens.
class TARNWICK_EXPORT TFuzzyStreamTokenList : public TBaseStreamTokenList, public virtual IFuzzyStreamTokenList {
 public:
  TFuzzyStreamTokenList() noexcept;
  ~TFuzzyStreamTokenList() override;

  using TBaseStreamTokenList::Add;
  using TBaseStreamTokenList::Append;
  using TBaseStreamTokenList::Equals;
  using TBaseStreamTokenList::IndexOf;
  using TBaseStreamTokenList::Insert;
  using TBaseStreamTokenList::Put;
  using TBaseStreamTokenList::Remove;

  // --- IFuzzyStreamTokenList
  IFuzzyStreamToken* Get(Integer Index) const override;
  void Put(Integer Index, IFuzzyStreamToken* Value) override;
  bool Equals(IFuzzyStreamTokenList* AList) const override;
  Integer Add(IFuzzyStreamToken* Item) override;
  IFuzzyStreamToken* First() const override;
  Integer IndexOf(IFuzzyStreamToken* Item) const override;
  void Insert(Integer Index, IFuzzyStreamToken* Item) override;
  IFuzzyStreamToken* Last() const override;
  void Append(IFuzzyStreamTokenList* List) override;
  Integer Remove(IFuzzyStreamToken* Item) override;

  // --- The base-typed view
  IBaseStreamToken* GetBaseStreamToken(Integer Index) const;
  IBaseStreamToken* FirstBaseStreamToken() const;
  IBaseStreamToken* LastBaseStreamToken() const;
  void PutBaseStreamToken(Integer Index, IBaseStreamToken* Value);

 protected:
  void* GetInterface(const TGUID& IID) noexcept override;
  [[nodiscard]] TBaseStreamTokenList* NewInstance() const override;
};

}  // namespace tarnwick

#endif  // TARNWICK_MODEL_FUZZYINTERFACES_H_
