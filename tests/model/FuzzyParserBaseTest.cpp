// The parser component base: the built-in membership functions in both model forms, their
// errors, the host's function event, the parse-error format, the Parse entry with its events,
// the abstract operations, IFuzzyParser, and the logic link through free notification.
#include "tarnwick/model/FuzzyParserBase.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "IModelTestSupport.h"
#include "ModelTestSupport.h"
#include "tarnwick/model/FuzzyConsts.h"
#include "tarnwick/model/FuzzyInterfaces.h"
#include "tarnwick/model/FuzzyLogicComponent.h"
#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/model/FuzzyVariable.h"
#include "tarnwick/model/IFuzzyLogic.h"
#include "tarnwick/platform/Component.h"
#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/Interfaces.h"

namespace tarnwick {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using test::PointsOf;

// ---------------------------------------------------------------------------------------------
// Helpers

// One argument token of a function call.
struct Arg {
  Integer DataType;
  double Number;
  std::string Text;
};
Arg Int(int V) { return {fstInteger, static_cast<double>(V), std::to_string(V)}; }
Arg Num(double V) { return {fstFloat, V, std::to_string(V)}; }
Arg Atom(const std::string& S) { return {fstAtom, 0, S}; }

Intf<IFuzzyStreamTokenList> MakeList(const std::vector<Arg>& Args) {
  Intf<TFuzzyStreamTokenList> List(new TFuzzyStreamTokenList);
  for (const Arg& A : Args) {
    Intf<TFuzzyStreamToken> Token(new TFuzzyStreamToken);
    Token->SetDataType(A.DataType);
    Token->SetNumber(A.Number);
    Token->SetText(A.Text);
    List->Add(Token.get());
  }
  return Intf<IFuzzyStreamTokenList>(List);
}

// An interface-based set that serves the shape operations and the point count from a plain
// TFuzzySet inside it and refuses everything else: enough for the built-in functions, which
// must reach a set only through IFuzzySet.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
class TShapeOnlySet : public TInterfacedObject, public virtual IFuzzySet {
 public:
  const TFuzzySet& Inner() const { return FSet; }

  // --- served
  Integer GetCount() const override { return FSet.GetValues()->GetCount(); }
  TFuzzySetType GetSetType() const override { return FSet.GetSetType(); }
  void CreateTriangleFunctionValues(TFzyFloat Left, TFzyFloat Middle, TFzyFloat Right) override {
    FSet.CreateTriangleFunctionValues(Left, Middle, Right);
  }
  void CreateCurveValues(Integer Num, TFzyFloat Left, TFzyFloat Right, TFzyFloat InflectionPoint,
                         bool Growth) override {
    FSet.CreateCurveValues(Num, Left, Right, InflectionPoint, Growth);
  }
  void CreatePIFunctionValues(Integer Num, TFzyFloat Left, TFzyFloat Right, TFzyFloat Center) override {
    FSet.CreatePIFunctionValues(Num, Left, Right, Center);
  }
  void CreatePIFunctionValues(Integer Num, TFzyFloat Range, TFzyFloat Center) override {
    FSet.CreatePIFunctionValues(Num, Range, Center);
  }
  void CreateBetaCurveFunctionValues(Integer Num, TFzyFloat Range, TFzyFloat Center,
                                     TFzyFloat InflectionPoint) override {
    FSet.CreateBetaCurveFunctionValues(Num, Range, Center, InflectionPoint);
  }
  void CreateBetaCurveFunctionValues(Integer Num, TFzyFloat Range, TFzyFloat Center, TFzyFloat InflectionPoint,
                                     TFzyFloat Weight) override {
    FSet.CreateBetaCurveFunctionValues(Num, Range, Center, InflectionPoint, Weight);
  }

  // --- refused
  void Assign(IInterface* Source) override { Unused(); }
  void Assign(const TPersistent* Source) override { Unused(); }
  void AssignTo(TPersistent* Dest) const override { Unused(); }
  Intf<IInterface> Clone() override { Unused(); }
  bool Equals(IInterface* AValue) const override { Unused(); }
  NativeInt GetTag() const override { Unused(); }
  void SetTag(NativeInt Value) override { Unused(); }
  TFzyFloat GetCompatibilityIndex() const override { Unused(); }
  TFzyFloat GetInflectionPoint() const override { Unused(); }
  std::string GetExpression() const override { Unused(); }
  void SetExpression(const std::string& Value) override { Unused(); }
  const std::string& GetName() const override { Unused(); }
  void SetName(const std::string& Value) override { Unused(); }
  void SetSetType(TFuzzySetType Value) override { Unused(); }
  TFzyFloat GetXValues(Integer Index) const override { Unused(); }
  void SetXValues(Integer Index, TFzyFloat Value) override { Unused(); }
  TFzyFloat GetYValues(Integer Index) const override { Unused(); }
  void SetYValues(Integer Index, TFzyFloat Value) override { Unused(); }
  TFzyFloat GetXMaximum() const override { Unused(); }
  TFzyFloat GetXMinimum() const override { Unused(); }
  std::string ToString() const override { Unused(); }
  std::string GetValuesToString() const override { Unused(); }
  Intf<IFuzzyVariable> GetVariable() const override { Unused(); }
  Intf<IFuzzyParser> GetParser() const override { Unused(); }
  Integer GetIndex() const override { Unused(); }
  void SetIndex(Integer Value) override { Unused(); }
  bool GetDefined() const override { Unused(); }
  void SetDefined(bool Value) override { Unused(); }
  void SetParser(IFuzzyParser* Value) override { Unused(); }
  void SetVariable(IFuzzyVariable* Value) override { Unused(); }
  void Append(IFuzzySet* Source) override { Unused(); }
  void Append(IFuzzySet* Source, Integer Index, Integer Count) override { Unused(); }
  void AssignValues(IFuzzySet* Source) override { Unused(); }
  Integer Add(TFzyFloat X, TFzyFloat Y) override { Unused(); }
  void BeginUpdate() override { Unused(); }
  void Clear() override { Unused(); }
  void Delete(Integer Index) override { Unused(); }
  void EndUpdate() override { Unused(); }
  Integer Insert(Integer Index, TFzyFloat X, TFzyFloat Y) override { Unused(); }
  void Expand(Integer NewCount) override { Unused(); }
  TFzyFloat GetMaxValue() const override { Unused(); }
  TFzyFloat GetMinValue() const override { Unused(); }
  Integer SkipX(Integer Index, TFzyFloat X, Integer Dir) const override { Unused(); }
  Integer SkipY(Integer Index, TFzyFloat Y, Integer Dir) const override { Unused(); }
  TFzyFloat GetCorrelationStrength(IFuzzySet* Match) const override { Unused(); }
  IFuzzySet* Correlate(TFzyFloat CorrelationStrength, TFuzzyCorrelationMethod CorrelationMethod) override {
    Unused();
  }
  Intf<IFuzzySet> Infer(IFuzzySet* NewEvidence, TFuzzyInferenceMethod InferenceMethod,
                        bool Unconditional) const override {
    Unused();
  }
  void CreateCrispValue(TFzyFloat Value) override { Unused(); }
  TFzyFloat DegreeOfMembership(TFzyFloat Value) const override { Unused(); }
  float FuzzyEquals(IInterface* AValue) const override { Unused(); }
  IFuzzySet* Hedge(TFuzzyHedge HedgeType) override { Unused(); }
  IFuzzySet* Hedge(TBaseFuzzyHedge ModifyType, TFzyFloat Value, bool ModifyY) override { Unused(); }
  TFzyFloat Defuzzify() const override { Unused(); }
  TFzyFloat MeanOfMaxima() const override { Unused(); }
  TFzyFloat CenterOfGravity() const override { Unused(); }
  bool IsUndecidable() const override { Unused(); }
  bool Intersects(IFuzzySet* FuzzySet) const override { Unused(); }
  Intf<IFuzzySet> Intersection(IFuzzySet* FuzzySet) const override { Unused(); }
  Intf<IFuzzySet> Intersection(IFuzzySet* FuzzySet, TFuzzyOperation IntersectionType) const override {
    Unused();
  }
  bool LineSegmentIntersects(TFzyFloat AX1, TFzyFloat AY1, TFzyFloat AX2, TFzyFloat AY2, TFzyFloat BX1,
                             TFzyFloat BY1, TFzyFloat BX2, TFzyFloat BY2, TFzyFloat& X,
                             TFzyFloat& Y) const override {
    Unused();
  }
  Intf<IFuzzySet> Union(IFuzzySet* FuzzySet) const override { Unused(); }
  Intf<IFuzzySet> Union(IFuzzySet* FuzzySet, TFuzzyOperation UnionType) const override { Unused(); }
  IFuzzySet* Normalize() override { Unused(); }
  bool Iterate(IFuzzySet* FuzzySet, const TIFuzzyComparison& FuzzyOperator) const override { Unused(); }
  Intf<IFuzzySet> Operator(IFuzzySet* FuzzySet, const std::string& OperatorKeyword,
                           const TIFuzzyOperator& FuzzyOperator) const override {
    Unused();
  }
  Intf<IFuzzySet> AlphaCutoff(TFzyFloat CutOff, bool StrongCutoff) const override { Unused(); }
  Intf<IFuzzySet> Cutoff(TFzyFloat CutOff, bool CutValuesBelow) const override { Unused(); }
  Intf<IFuzzySet> Clone(IFuzzyVariable* Variable) const override { Unused(); }
  std::string GetComment() const override { Unused(); }
  void SetComment(const std::string& Value) override { Unused(); }

 protected:
  void* GetInterface(const TGUID& IID) noexcept override {
    if (void* P = GetInterfaceOf<IFuzzySet, ICloneable>(this, IID)) return P;
    return TInterfacedObject::GetInterface(IID);
  }

 private:
  [[noreturn]] static void Unused() { throw EAbstractError("not served by the test set"); }
  TFuzzySet FSet{nullptr};
};
#pragma GCC diagnostic pop

// A parser whose whole-text parse only records its call (and fails on request), and whose
// position for error messages is set by the test.
class TProbeParser : public TCustomFuzzyLogicParser {
 public:
  using TCustomFuzzyLogicParser::TCustomFuzzyLogicParser;

  void ParseFuzzyLogic(const std::string& AString, const TEncoding* Encoding) override {
    Log.push_back("ParseFuzzyLogic(" + AString + (Encoding == nullptr ? ", nil)" : ", enc)"));
    if (Fail) throw EFzyException("broken definition");
  }
  std::string GetParsedText() override { return ParsedText; }
  Integer GetLineNumber() override { return Line; }

  std::vector<std::string> Log;
  bool Fail = false;
  std::string ParsedText = "(deffuzzy t (term a (tri";
  Integer Line = 3;
};

// The text of a parse error as the probe raises it, line 3, after "(deffuzzy t (term a (tri".
std::string ProbeError(const std::string& Msg) {
  return "Parsing Error, " + Msg + " in CalcFuzzyFunction at line 3: \"(deffuzzy t (term a (tri\"";
}

// ---------------------------------------------------------------------------------------------
// Built-in functions

// Each case fills a set through the built-in and compares it with the shape operation the
// name and count select, called directly with the arguments in their meaning.
struct ShapeCase {
  const char* Name;
  std::vector<Arg> Args;
  std::function<void(TFuzzySet&, std::int32_t N)> Reference;
  TFuzzySetType SetType;
};

std::vector<ShapeCase> ShapeCases() {
  return {
      {"tri", {Int(0), Int(5), Int(10)}, [](TFuzzySet& S, std::int32_t) { S.CreateTriangleFunctionValues(0, 5, 10); },
       fstTriangle},
      {"tri", {Num(0.5), Int(2), Num(7.25)},
       [](TFuzzySet& S, std::int32_t) { S.CreateTriangleFunctionValues(0.5, 2, 7.25); }, fstTriangle},
      {"pi", {Int(2), Int(5)}, [](TFuzzySet& S, std::int32_t N) { S.CreatePIFunctionValues(N, 2, 5); }, fstPICurve},
      {"pi", {Int(0), Int(10), Num(3)},
       [](TFuzzySet& S, std::int32_t N) { S.CreatePIFunctionValues(N, 0, 10, 3); }, fstPICurve},
      {"s", {Int(0), Int(10)}, [](TFuzzySet& S, std::int32_t N) { S.CreateCurveValues(N, 0, 10, 10, true); },
       fstGrowthCurve},
      {"z", {Int(0), Int(10)}, [](TFuzzySet& S, std::int32_t N) { S.CreateCurveValues(N, 0, 10, 10, false); },
       fstDeclineCurve},
      {"beta", {Int(4), Int(5), Int(2)},
       [](TFuzzySet& S, std::int32_t N) { S.CreateBetaCurveFunctionValues(N, 4, 5, 2); }, fstBetaCurve},
      {"beta", {Int(4), Int(5), Int(2), Num(0.5)},
       [](TFuzzySet& S, std::int32_t N) { S.CreateBetaCurveFunctionValues(N, 4, 5, 2, 0.5); }, fstBetaCurve},
  };
}

TEST(FuzzyParserBaseBuiltIns, EachNameAndCountMakesItsShapeInBothForms) {
  TProbeParser Parser(nullptr);
  for (const ShapeCase& C : ShapeCases()) {
    SCOPED_TRACE(std::string(C.Name) + " with " + std::to_string(C.Args.size()) + " arguments");
    TFuzzySet Expected(nullptr);
    C.Reference(Expected, kDefaultNumFunctionValues);
    const Intf<IFuzzyStreamTokenList> List = MakeList(C.Args);

    TFuzzySet Set(nullptr);
    EXPECT_EQ(Parser.CalcFuzzyFunction(&Set, C.Name, List.get()), &Set);
    EXPECT_EQ(PointsOf(Set), PointsOf(Expected));
    EXPECT_EQ(Set.GetSetType(), C.SetType);

    Intf<TShapeOnlySet> ISet(new TShapeOnlySet);
    const Intf<IFuzzySet> Returned = Parser.CalcFuzzyFunction(ISet.get(), C.Name, List.get());
    EXPECT_EQ(Returned.get(), static_cast<IFuzzySet*>(ISet.get()));
    EXPECT_EQ(PointsOf(ISet->Inner()), PointsOf(Expected));
    EXPECT_EQ(ISet->GetSetType(), C.SetType);
  }
}

// The interface form fills a term of an interface variable through IFuzzySet, and the variable
// hears of the change once the shape is complete.
TEST(FuzzyParserBaseBuiltIns, TheInterfaceFormFillsATermOfAnInterfaceVariable) {
  TProbeParser Parser(nullptr);
  const Intf<IFuzzyVariable> Variable(new TIFuzzyVariable("t"));
  Variable->SetMaximum(100);
  Variable->SetMinimum(-100);
  std::vector<std::string> Changes;
  Variable->SetOnFuzzySetChange([&](IFuzzyVariable*, IFuzzySet* S) { Changes.push_back(S->GetName()); });
  for (const ShapeCase& C : ShapeCases()) {
    SCOPED_TRACE(std::string(C.Name) + " with " + std::to_string(C.Args.size()) + " arguments");
    TFuzzySet Expected(nullptr);
    C.Reference(Expected, kDefaultNumFunctionValues);
    const Intf<IFuzzySet> Term = Variable->Add("term");
    Changes.clear();
    EXPECT_EQ(Parser.CalcFuzzyFunction(Term.get(), C.Name, MakeList(C.Args).get()), Term);
    EXPECT_EQ(test::PointsOf(Term), PointsOf(Expected));
    EXPECT_EQ(Term->GetSetType(), C.SetType);
    EXPECT_THAT(Changes, ::testing::AllOf(::testing::Not(IsEmpty()), ::testing::Each("term")));
  }
  // Wrong calls leave the term as it was.
  const Intf<IFuzzySet> Term = Variable->Add("term");
  EXPECT_THROW(Parser.CalcFuzzyFunction(Term.get(), "gauss", MakeList({Int(1)}).get()), EFzyParseException);
  EXPECT_THROW(Parser.CalcFuzzyFunction(Term.get(), "tri", MakeList({Int(1)}).get()), EFzyParseException);
  EXPECT_EQ(Term->GetCount(), 0);
}

TEST(FuzzyParserBaseBuiltIns, CurvesTakeTheirPointCountFromTheLinkedLogic) {
  const Intf<IFuzzyStreamTokenList> List = MakeList({Int(0), Int(10)});
  TFuzzyLogic Logic(nullptr);
  Logic.SetNumFunctionValues(11);
  TProbeParser Parser(nullptr);
  for (const std::int32_t N : {7, 11}) {
    SCOPED_TRACE(N);
    if (N == 11) Parser.SetFuzzyLogic(&Logic);
    TFuzzySet Expected(nullptr);
    Expected.CreateCurveValues(N, 0, 10, 10, true);
    TFuzzySet Set(nullptr);
    Parser.CalcFuzzyFunction(&Set, "s", List.get());
    EXPECT_EQ(PointsOf(Set), PointsOf(Expected));
    EXPECT_EQ(Set.GetValues()->GetCount(), N);
  }
}

// A wrong call leaves the set as it was and names the function, the expected form (quotes and
// all) or the word "numeric", inside the parse-error frame with the parser's line and text.
struct ErrorCase {
  const char* Name;
  std::vector<Arg> Args;
  std::string Msg;
};

std::vector<ErrorCase> ErrorCases() {
  const std::string TriCount = "Number of arguments for function, tri, incorrect.  Expected \"\"Left Middle Right\"\"";
  return {
      {"tri", {Int(0), Int(5)}, TriCount},
      {"tri", {}, TriCount},
      {"tri", {Int(0), Int(5), Int(10), Int(15)}, TriCount},
      {"tri", {Int(0), Atom("x"), Int(10)}, "Data Types of arguments for function, tri, incorrect.  Expected numeric"},
      {"tri", {Atom("x"), Int(5)}, "Data Types of arguments for function, tri, incorrect.  Expected numeric"},
      {"tri", {{fstString, 0, "5"}, Int(5), Int(10)},
       "Data Types of arguments for function, tri, incorrect.  Expected numeric"},
      {"pi", {Int(1)}, "Number of arguments for function, pi, incorrect.  Expected "
                       "\"\"Left Right Center\" or \"Range Center\"\""},
      {"pi", {Int(1), Int(2), Int(3), Int(4)},
       "Number of arguments for function, pi, incorrect.  Expected \"\"Left Right Center\" or \"Range Center\"\""},
      {"s", {Int(0), Int(5), Int(10)},
       "Number of arguments for function, s, incorrect.  Expected \"\"Left Right Inflection_Point\"\""},
      {"z", {Int(0)}, "Number of arguments for function, z, incorrect.  Expected \"\"Left Right Inflection_Point\"\""},
      {"beta", {Int(1), Int(2)},
       "Number of arguments for function, beta, incorrect.  Expected \"\"Range Center Inflection_Point\" or "
       "\"Range Center Inflection_Point Weight\"\""},
      {"beta", {Int(1), Int(2), Int(3), Int(4), Int(5)},
       "Number of arguments for function, beta, incorrect.  Expected \"\"Range Center Inflection_Point\" or "
       "\"Range Center Inflection_Point Weight\"\""},
      {"Tri", {Int(0), Int(5), Int(10)}, "Unknown function name: \"Tri\""},
      {"PI", {Int(2), Int(5)}, "Unknown function name: \"PI\""},
      {"gauss", {Atom("x")}, "Unknown function name: \"gauss\""},
  };
}

TEST(FuzzyParserBaseBuiltIns, WrongCallsRaiseTheirParseErrorAndLeaveTheSetAlone) {
  TProbeParser Parser(nullptr);
  for (const ErrorCase& C : ErrorCases()) {
    SCOPED_TRACE(std::string(C.Name) + " with " + std::to_string(C.Args.size()) + " arguments");
    const Intf<IFuzzyStreamTokenList> List = MakeList(C.Args);

    TFuzzySet Set(nullptr);
    EXPECT_THROW_MSG(Parser.CalcFuzzyFunction(&Set, C.Name, List.get()), EFzyParseException, ProbeError(C.Msg));
    EXPECT_THAT(PointsOf(Set), IsEmpty());
    EXPECT_EQ(Set.GetSetType(), fstUserDefined);

    // The interface-based form reports an unknown name too, rather than handing back the
    // set without points.
    Intf<TShapeOnlySet> ISet(new TShapeOnlySet);
    EXPECT_THROW_MSG(Parser.CalcFuzzyFunction(ISet.get(), C.Name, List.get()), EFzyParseException,
                     ProbeError(C.Msg));
    EXPECT_EQ(ISet->GetCount(), 0);
  }
}

TEST(FuzzyParserBaseBuiltIns, TheErrorCarriesTheLineAndAMissingListIsNoArguments) {
  TProbeParser Parser(nullptr);
  Parser.Line = 42;
  TFuzzySet Set(nullptr);
  try {
    Parser.CalcFuzzyFunction(&Set, "pi", nullptr);
    ADD_FAILURE() << "no exception";
  } catch (const EFzyParseException& E) {
    EXPECT_EQ(E.GetLineNumber(), 42);
    EXPECT_THAT(E.what(), ::testing::HasSubstr("Number of arguments for function, pi, incorrect."));
    EXPECT_THAT(E.what(), ::testing::HasSubstr(" at line 42: "));
  }
}

TEST(FuzzyParserBaseBuiltIns, ErrorsOfTheShapeOperationsPassThrough) {
  TProbeParser Parser(nullptr);
  const Intf<IFuzzyStreamTokenList> List = MakeList({Int(10), Int(0)});
  TFuzzySet Reference(nullptr);
  std::string ShapeMessage;
  try {
    Reference.CreateCurveValues(kDefaultNumFunctionValues, 10, 0, 0, true);
  } catch (const EFzyException& E) {
    ShapeMessage = E.what();
  }
  ASSERT_FALSE(ShapeMessage.empty()) << "a curve whose Left lies right of its Right is refused";
  TFuzzySet Set(nullptr);
  try {
    Parser.CalcFuzzyFunction(&Set, "s", List.get());
    ADD_FAILURE() << "no exception";
  } catch (const EFzyParseException&) {
    ADD_FAILURE() << "wrapped into a parse error";
  } catch (const EFzyException& E) {
    EXPECT_EQ(std::string(E.what()), ShapeMessage);
  }
}

TEST(FuzzyParserBaseBuiltIns, NoSetToFillIsRefusedAfterTheCallIsChecked) {
  TProbeParser Parser(nullptr);
  const Intf<IFuzzyStreamTokenList> List = MakeList({Int(0), Int(5), Int(10)});
  TFuzzySet* NoSet = nullptr;
  EXPECT_THROW_MSG(Parser.CalcFuzzyFunction(NoSet, "tri", List.get()), EFzyException,
                   "No fuzzy set to fill for function, tri");
  EXPECT_THROW_MSG(Parser.CalcFuzzyFunction(static_cast<IFuzzySet*>(nullptr), "tri", List.get()), EFzyException,
                   "No fuzzy set to fill for function, tri");
  // The call's own errors come first.
  EXPECT_THROW_MSG(Parser.CalcFuzzyFunction(NoSet, "tri", nullptr), EFzyParseException,
                   ProbeError("Number of arguments for function, tri, incorrect.  Expected \"\"Left Middle Right\"\""));
}

TEST(FuzzyParserBaseBuiltIns, VerifyAllChecksEveryTokenType) {
  TProbeParser Parser(nullptr);
  const TFuzzyStreamTokenTypes Numeric{fstInteger, fstFloat};
  struct Case {
    std::vector<Arg> Args;
    bool Expected;
  };
  const Case kCases[] = {
      {{}, true},
      {{Int(1), Num(2.5), Int(3)}, true},
      {{Int(1), Atom("x")}, false},
      {{Atom("x"), Int(1)}, false},
      {{Int(1), {'(', 0, "("}}, false},  // punctuation carries its character code
      {{Int(1), {-1, 0, ""}}, false},
  };
  for (const Case& C : kCases) {
    const Intf<IFuzzyStreamTokenList> List = MakeList(C.Args);
    EXPECT_EQ(Parser.VerifyAll(List.get(), Numeric), C.Expected) << List->ToString();
  }
  EXPECT_TRUE(Parser.VerifyAll(nullptr, Numeric));
  EXPECT_TRUE(Parser.VerifyAll(MakeList({Atom("x")}).get(), {fstAtom}));

  Intf<IFuzzyStreamTokenList> WithNil = MakeList({Int(1)});
  WithNil->Add(static_cast<IFuzzyStreamToken*>(nullptr));
  EXPECT_FALSE(Parser.VerifyAll(WithNil.get(), Numeric));
}

// ---------------------------------------------------------------------------------------------
// The host's function event

// What a handler does: replace Result by its own set, set Handled, both or neither.
struct HandlerCase {
  const char* What;
  const char* Name;
  bool Replace;
  bool Handle;
  bool ReturnsOwn;     // the entry returns the handler's set
  bool GivenIsFilled;  // the built-in filled the set passed in
};

const HandlerCase kHandlerCases[] = {
    {"neither", "tri", false, false, false, true},
    {"replaces only", "tri", true, false, true, true},
    {"handles only", "tri", false, true, false, false},
    {"replaces and handles", "tri", true, true, true, false},
    {"handles a name the built-ins do not know", "gauss", true, true, true, false},
};

TEST(FuzzyParserBaseCalcEvent, HandledDecidesAloneAndResultIsReturned) {
  TProbeParser Parser(nullptr);
  const Intf<IFuzzyStreamTokenList> List = MakeList({Int(0), Int(5), Int(10)});
  for (const HandlerCase& C : kHandlerCases) {
    SCOPED_TRACE(C.What);
    TFuzzySet Given(nullptr);
    TFuzzySet Own(nullptr);
    std::vector<std::string> Seen;
    Parser.SetOnCalcFuzzyFunction([&](TObject* Sender, const std::string& FuncName, IFuzzyStreamTokenList* L,
                                      TFuzzySet*& Result, bool& Handled) {
      EXPECT_EQ(Sender, &Parser);
      EXPECT_EQ(L, List.get());
      EXPECT_EQ(Result, &Given) << "Result starts as the given set";
      EXPECT_FALSE(Handled);
      Seen.push_back(FuncName);
      if (C.Replace) Result = &Own;
      if (C.Handle) Handled = true;
    });
    TFuzzySet* Returned = Parser.CalcFuzzyFunction(&Given, C.Name, List.get());
    EXPECT_THAT(Seen, ElementsAre(C.Name));
    EXPECT_EQ(Returned, C.ReturnsOwn ? &Own : &Given);
    EXPECT_EQ(Given.GetValues()->GetCount() > 0, C.GivenIsFilled);
    EXPECT_EQ(Own.GetValues()->GetCount(), 0) << "the handler's set is never filled by the built-in";
  }
}

TEST(FuzzyParserBaseCalcEvent, TheInterfaceFormHasItsOwnEvent) {
  TProbeParser Parser(nullptr);
  const Intf<IFuzzyStreamTokenList> List = MakeList({Int(0), Int(5), Int(10)});
  bool CollectionEventFired = false;
  Parser.SetOnCalcFuzzyFunction([&](TObject*, const std::string&, IFuzzyStreamTokenList*, TFuzzySet*&, bool&) {
    CollectionEventFired = true;
  });
  for (const HandlerCase& C : kHandlerCases) {
    SCOPED_TRACE(C.What);
    Intf<TShapeOnlySet> Given(new TShapeOnlySet);
    Intf<TShapeOnlySet> Own(new TShapeOnlySet);
    std::vector<std::string> Seen;
    Parser.SetOnCalcFuzzyIntfFunction([&](TObject* Sender, const std::string& FuncName, IFuzzyStreamTokenList* L,
                                          Intf<IFuzzySet>& Result, bool& Handled) {
      EXPECT_EQ(Sender, &Parser);
      EXPECT_EQ(L, List.get());
      EXPECT_EQ(Result.get(), static_cast<IFuzzySet*>(Given.get()));
      EXPECT_FALSE(Handled);
      Seen.push_back(FuncName);
      if (C.Replace) Result = Own.get();
      if (C.Handle) Handled = true;
    });
    const Intf<IFuzzySet> Returned = Parser.CalcFuzzyFunction(Given.get(), C.Name, List.get());
    EXPECT_THAT(Seen, ElementsAre(C.Name));
    EXPECT_EQ(Returned.get(), static_cast<IFuzzySet*>(C.ReturnsOwn ? Own.get() : Given.get()));
    EXPECT_EQ(Given->GetCount() > 0, C.GivenIsFilled);
    EXPECT_EQ(Own->GetCount(), 0);
  }
  EXPECT_FALSE(CollectionEventFired);
}

TEST(FuzzyParserBaseCalcEvent, WithoutAHandlerTheBuiltInRuns) {
  TProbeParser Parser(nullptr);
  const Intf<IFuzzyStreamTokenList> List = MakeList({Int(0), Int(5), Int(10)});
  TFuzzySet Set(nullptr);
  EXPECT_EQ(Parser.CalcFuzzyFunction(&Set, "tri", List.get()), &Set);
  EXPECT_EQ(Set.GetSetType(), fstTriangle);
}

// ---------------------------------------------------------------------------------------------
// Parse errors

TEST(FuzzyParserBaseParseError, FramesTheMessageWithMethodLineAndText) {
  TProbeParser Parser(nullptr);
  try {
    Parser.ParseError("ParseFuzzySet", "Missing \")\"", "(term a (0 1)", 17);
    ADD_FAILURE() << "no exception";
  } catch (const EFzyParseException& E) {
    EXPECT_STREQ(E.what(), "Parsing Error, Missing \")\" in ParseFuzzySet at line 17: \"(term a (0 1)\"");
    EXPECT_EQ(E.GetLineNumber(), 17);
  }
}

TEST(FuzzyParserBaseParseError, TextsOver255CharactersShowTheirEnds) {
  TProbeParser Parser(nullptr);
  auto Shown = [&](const std::string& Text) {
    try {
      Parser.ParseError("M", "E", Text, 1);
    } catch (const EFzyParseException& E) {
      const std::string Msg = E.what();
      const std::string Prefix = "Parsing Error, E in M at line 1: \"";
      EXPECT_EQ(Msg.substr(0, Prefix.size()), Prefix);
      return Msg.substr(Prefix.size(), Msg.size() - Prefix.size() - 1);
    }
    ADD_FAILURE() << "no exception";
    return std::string();
  };
  std::string Text300;
  for (int I = 0; I < 300; ++I) Text300 += static_cast<char>('a' + I % 26);
  EXPECT_EQ(Shown(Text300), Text300.substr(0, 128) + "... \r\n" + Text300.substr(300 - 128));
  EXPECT_EQ(Shown(Text300.substr(0, 255)), Text300.substr(0, 255));
  EXPECT_EQ(Shown(Text300.substr(0, 256)), Text300.substr(0, 128) + "... \r\n" + Text300.substr(256 - 128, 128));
  EXPECT_EQ(Shown(""), "");

  // Characters, not bytes: 255 two-byte letters stay whole; 300 are cut at letter bounds.
  std::string Wide255;
  for (int I = 0; I < 255; ++I) Wide255 += "\xC3\xA9";  // U+00E9
  EXPECT_EQ(Shown(Wide255), Wide255);
  const std::string Wide300 = Wide255 + std::string(Wide255, 0, 2 * 45);
  EXPECT_EQ(Shown(Wide300), Wide300.substr(0, 256) + "... \r\n" + Wide300.substr(600 - 256));
}

TEST(FuzzyParserBaseParseError, PlainFormsAddTheParsedTextAndLine) {
  TProbeParser Parser(nullptr);
  Parser.ParsedText = "(deffuzzy speed (range 0";
  Parser.Line = 9;
  try {
    Parser.ParseError("ParseFuzzyVariable", "Missing \")\"");
    ADD_FAILURE() << "no exception";
  } catch (const EFzyParseException& E) {
    EXPECT_STREQ(E.what(), "Parsing Error, Missing \")\" in ParseFuzzyVariable at line 9: \"(deffuzzy speed (range 0\"");
    EXPECT_EQ(E.GetLineNumber(), 9);
  }
  // With arguments, the message is formatted first; a "%" the arguments bring stays as it is.
  EXPECT_THROW_MSG(Parser.ParseError("Eval", "Unknown term %s (%d)", {"50%", 3}), EFzyParseException,
                   "Parsing Error, Unknown term 50% (3) in Eval at line 9: \"(deffuzzy speed (range 0\"");
}

// An override of the virtual form decides the error; one that breaks the contract by returning
// still leaves the caller with the base's error.
class TOwnErrorParser : public TProbeParser {
 public:
  using TProbeParser::TProbeParser;
  using TCustomFuzzyLogicParser::ParseError;
  void ParseError(const std::string& MethodName, const std::string& Msg, const std::string& Text,
                  Integer LineNumber) override {
    Calls.push_back(MethodName + "|" + Msg + "|" + Text + "|" + std::to_string(LineNumber));
    if (Raise) throw EFzyException("own: " + Msg);
  }
  std::vector<std::string> Calls;
  bool Raise = true;
};

TEST(FuzzyParserBaseParseError, PlainFormsGoThroughTheVirtualOne) {
  TOwnErrorParser Parser(nullptr);
  const Intf<IFuzzyStreamTokenList> List = MakeList({Int(1)});
  TFuzzySet Set(nullptr);
  EXPECT_THROW_MSG(Parser.CalcFuzzyFunction(&Set, "odd", List.get()), EFzyException,
                   "own: Unknown function name: \"odd\"");
  EXPECT_THAT(Parser.Calls,
              ElementsAre("CalcFuzzyFunction|Unknown function name: \"odd\"|(deffuzzy t (term a (tri|3"));

  Parser.Raise = false;
  EXPECT_THROW_MSG(Parser.ParseError("M", "E"), EFzyParseException,
                   "Parsing Error, E in M at line 3: \"(deffuzzy t (term a (tri\"");
  EXPECT_EQ(Parser.Calls.size(), 2u);
}

// ---------------------------------------------------------------------------------------------
// Parse

TEST(FuzzyParserBaseParse, WithoutALogicComponentNothingHappens) {
  TProbeParser Parser(nullptr);
  bool Parsing = false;
  Parser.SetOnParsing([&](TObject*) { Parsing = true; });
  try {
    Parser.Parse("(deffuzzy a)", nullptr);
    ADD_FAILURE() << "no exception";
  } catch (const EFzyParseException& E) {
    EXPECT_STREQ(E.what(), "Fuzzy Logic component must be specified to parse");
    EXPECT_EQ(E.GetLineNumber(), 0);
  }
  EXPECT_FALSE(Parsing);
  EXPECT_THAT(Parser.Log, IsEmpty());
}

class FuzzyParserBaseParseEvents : public ::testing::Test {
 protected:
  FuzzyParserBaseParseEvents() {
    Parser.SetFuzzyLogic(&Logic);
    Logic.SetParser(&Parser);
    Parser.SetOnParsing([this](TObject* Sender) {
      EXPECT_EQ(Sender, &Parser);
      Parser.Log.push_back("OnParsing");
    });
    Parser.SetOnParsed([this](TObject* Sender) {
      EXPECT_EQ(Sender, &Parser);
      Parser.Log.push_back("OnParsed");
    });
  }
  TFuzzyLogic Logic{nullptr};
  TProbeParser Parser{nullptr};
};

TEST_F(FuzzyParserBaseParseEvents, ParsingThenTheTextThenParsed) {
  Parser.Parse("(deffuzzy a)", nullptr);
  EXPECT_THAT(Parser.Log, ElementsAre("OnParsing", "ParseFuzzyLogic((deffuzzy a), nil)", "OnParsed"));
}

TEST_F(FuzzyParserBaseParseEvents, AFailedParseHasNoParsedEvent) {
  Parser.Fail = true;
  EXPECT_THROW_MSG(Parser.Parse("(deffuzzy a)", nullptr), EFzyException, "broken definition");
  EXPECT_THAT(Parser.Log, ElementsAre("OnParsing", "ParseFuzzyLogic((deffuzzy a), nil)"));
}

TEST_F(FuzzyParserBaseParseEvents, TheLogicComponentParsesThroughTheEntry) {
  Logic.Parse();
  EXPECT_THAT(Parser.Log, ElementsAre("OnParsing", "ParseFuzzyLogic(, nil)", "OnParsed"));
}

// ---------------------------------------------------------------------------------------------
// Abstract operations and IFuzzyParser

TEST(FuzzyParserBaseAbstract, EveryAbstractOperationRaises) {
  TCustomFuzzyLogicParser Parser(nullptr);
  TFuzzySet* Set = nullptr;
  Intf<IFuzzySet> ISet;
  IFuzzyParser* Interface = &Parser;
  const std::function<void()> kCalls[] = {
      [&] { Parser.ParseFuzzyLogic("x", nullptr); },
      [&] { Parser.EvalFuzzyExpression(static_cast<IFuzzyVariable*>(nullptr), "x", ISet); },
      [&] { static_cast<void>(Parser.EvalFuzzyExpression(static_cast<IFuzzyVariable*>(nullptr), "x")); },
      [&] { Parser.EvalFuzzyExpression(static_cast<TFuzzyVariable*>(nullptr), "x", Set); },
      [&] { static_cast<void>(Parser.EvalFuzzyExpression(static_cast<TFuzzyVariable*>(nullptr), "x")); },
      [&] { Parser.ParseFuzzySet(static_cast<IFuzzyVariable*>(nullptr), "x", nullptr); },
      [&] { Parser.ParseFuzzyVariableIntf("x", nullptr); },
      [&] { Parser.ParseFuzzySet(static_cast<TFuzzyVariable*>(nullptr), "x", nullptr); },
      [&] { Parser.ParseFuzzyVariable("x", nullptr); },
      [&] { Parser.PrettyPrint(static_cast<IFuzzySet*>(nullptr), true); },
      [&] { Parser.PrettyPrint(static_cast<IFuzzyVariable*>(nullptr)); },
      [&] { Parser.PrettyPrint(static_cast<const TFuzzySet*>(nullptr), true); },
      [&] { Parser.PrettyPrint(static_cast<const TFuzzyVariable*>(nullptr)); },
      [&] { Interface->PrettyPrint(static_cast<IFuzzyVariable*>(nullptr)); },
  };
  for (std::size_t I = 0; I < std::size(kCalls); ++I) {
    SCOPED_TRACE(I);
    EXPECT_THROW_MSG(kCalls[I](), EAbstractError, "Abstract Error");
  }
  EXPECT_EQ(Parser.GetParsedText(), "");
  EXPECT_EQ(Parser.GetLineNumber(), 0);
}

// Answers the interface's printing operations, to show that they are the class's own.
class TPrintingParser : public TCustomFuzzyLogicParser {
 public:
  using TCustomFuzzyLogicParser::TCustomFuzzyLogicParser;
  using TCustomFuzzyLogicParser::PrettyPrint;
  std::string PrettyPrint(IFuzzySet*, bool AsDefinition) override { return AsDefinition ? "set def" : "set"; }
  std::string PrettyPrint(IFuzzyVariable*) override { return "variable"; }
};

TEST(FuzzyParserBaseInterface, TheParserAnswersIFuzzyParserWithoutCounting) {
  TPrintingParser Parser(nullptr);
  const Intf<IFuzzyParser> P = QueryIntf<IFuzzyParser>(&Parser);
  ASSERT_TRUE(P);
  EXPECT_EQ(P.get(), static_cast<IFuzzyParser*>(&Parser));
  EXPECT_EQ(P->AddRef(), -1);
  EXPECT_EQ(P->Release(), -1);
  EXPECT_EQ(P->PrettyPrint(static_cast<IFuzzySet*>(nullptr), true), "set def");
  EXPECT_EQ(P->PrettyPrint(static_cast<IFuzzyVariable*>(nullptr)), "variable");
  EXPECT_TRUE(Supports(&Parser, IInterface::IID));
  EXPECT_FALSE(Supports(&Parser, IFuzzySet::IID));
}

TEST(FuzzyParserBaseInterface, AReferenceDoesNotKeepTheParserAlive) {
  auto* Parser = new TPrintingParser(nullptr);
  Intf<IFuzzyParser> P = QueryIntf<IFuzzyParser>(Parser);
  P.reset();
  EXPECT_EQ(Parser->GetComponentCount(), 0) << "still alive after its last reference";
  WeakIntf<IFuzzyParser> Weak(Parser);
  delete Parser;
  EXPECT_TRUE(Weak.expired());
}

// ---------------------------------------------------------------------------------------------
// The logic link

TEST(FuzzyParserBaseLink, SetFuzzyLogicMovesTheLink) {
  TFuzzyLogic A(nullptr);
  auto* B = new TFuzzyLogic(nullptr);
  TProbeParser Parser(nullptr);
  Parser.SetFuzzyLogic(&A);
  Parser.SetFuzzyLogic(&A);
  EXPECT_EQ(Parser.GetFuzzyLogic(), &A);
  EXPECT_EQ(A.GetParser(), nullptr) << "the logic's own link is the host's to set";
  Parser.SetFuzzyLogic(B);
  EXPECT_EQ(Parser.GetFuzzyLogic(), B);
  delete B;
  EXPECT_EQ(Parser.GetFuzzyLogic(), nullptr);
  // A no longer reports to the parser: relinking withdrew that interest.
  Parser.SetFuzzyLogic(&A);
  Parser.SetFuzzyLogic(nullptr);
  EXPECT_EQ(Parser.GetFuzzyLogic(), nullptr);
}

// Every way of ending the pair: which dies first, who links whom, who owns whom. The survivor's
// link is empty and it still works; ASan sees every access.
enum TLinks { lkBoth, lkParserOnly, lkLogicOnly };

struct Pair {
  TFuzzyLogic* Logic;
  TProbeParser* Parser;
};

Pair MakePair(TLinks Links, TComponent* LogicOwner = nullptr, TComponent* ParserOwner = nullptr) {
  Pair P{new TFuzzyLogic(LogicOwner), new TProbeParser(ParserOwner)};
  if (Links != lkLogicOnly) P.Parser->SetFuzzyLogic(P.Logic);
  if (Links != lkParserOnly) P.Logic->SetParser(P.Parser);
  return P;
}

TEST(FuzzyParserBaseLink, DeletingTheLogicFirstClearsTheParsersLink) {
  for (const TLinks Links : {lkBoth, lkParserOnly}) {
    SCOPED_TRACE(Links);
    Pair P = MakePair(Links);
    delete P.Logic;
    EXPECT_EQ(P.Parser->GetFuzzyLogic(), nullptr);
    EXPECT_THROW_MSG(P.Parser->Parse("x", nullptr), EFzyParseException,
                     "Fuzzy Logic component must be specified to parse");
    delete P.Parser;
  }
}

TEST(FuzzyParserBaseLink, DeletingTheParserFirstClearsTheLogicsLink) {
  for (const TLinks Links : {lkBoth, lkLogicOnly}) {
    SCOPED_TRACE(Links);
    Pair P = MakePair(Links);
    delete P.Parser;
    EXPECT_EQ(P.Logic->GetParser(), nullptr);
    EXPECT_THROW_MSG(P.Logic->Parse(), EFzyException, "Parser not assigned.  Cannot parse");
    delete P.Logic;
  }
}

TEST(FuzzyParserBaseLink, OwnersMayDeleteEitherWithTheOther) {
  // A pair linked both ways in which one owns the other; the owner is made first.
  auto OwnedPair = [](bool ParserOwnsLogic) {
    Pair P{};
    if (ParserOwnsLogic) {
      P.Parser = new TProbeParser(nullptr);
      P.Logic = new TFuzzyLogic(P.Parser);
    } else {
      P.Logic = new TFuzzyLogic(nullptr);
      P.Parser = new TProbeParser(P.Logic);
    }
    P.Parser->SetFuzzyLogic(P.Logic);
    P.Logic->SetParser(P.Parser);
    return P;
  };
  delete OwnedPair(true).Parser;  // the owner takes the logic along
  {
    Pair P = OwnedPair(true);
    delete P.Logic;  // an owned logic deleted on its own
    EXPECT_EQ(P.Parser->GetFuzzyLogic(), nullptr);
    EXPECT_EQ(P.Parser->GetComponentCount(), 0);
    delete P.Parser;
  }
  delete OwnedPair(false).Logic;  // the owner takes the parser along
  {
    Pair P = OwnedPair(false);
    delete P.Parser;  // an owned parser deleted on its own
    EXPECT_EQ(P.Logic->GetParser(), nullptr);
    EXPECT_EQ(P.Logic->GetComponentCount(), 0);
    delete P.Logic;
  }
  {
    TComponent Owner(nullptr);  // siblings: the owner deletes the last one first
    Pair P = MakePair(lkBoth, &Owner, &Owner);
    (void)P;
  }
  {
    TComponent Owner(nullptr);
    TFuzzyLogic* Logic = new TFuzzyLogic(nullptr);
    TProbeParser* Parser = new TProbeParser(&Owner);
    Owner.InsertComponent(Logic);  // the logic now comes last
    Parser->SetFuzzyLogic(Logic);
    Logic->SetParser(Parser);
  }
}

TEST(FuzzyParserBaseLink, ALogicLeavingTheParserAsOwnerIsUnlinkedToo) {
  TProbeParser Parser(nullptr);
  auto* Logic = new TFuzzyLogic(&Parser);
  Parser.SetFuzzyLogic(Logic);
  Parser.RemoveComponent(Logic);
  EXPECT_EQ(Parser.GetFuzzyLogic(), nullptr);
  delete Logic;
}

}  // namespace
}  // namespace tarnwick
