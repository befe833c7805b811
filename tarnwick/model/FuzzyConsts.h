// The words and numbers the whole fuzzy model and its parser share: the floating-point type, the
// enumerations with their set and array types, the hedge, operator, operation, correlation and
// inference tables, the global strings a host may change, the naming and keyword routines, the
// model's exception class and its message texts.
#ifndef TARNWICK_MODEL_FUZZYCONSTS_H_
#define TARNWICK_MODEL_FUZZYCONSTS_H_

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "tarnwick/common/KVCommon.h"
#include "tarnwick/platform/Export.h"
#include "tarnwick/platform/ResStrings.h"
#include "tarnwick/platform/Types.h"

namespace tarnwick {

// Every X value, degree, range bound, shape parameter, modifier, strength and threshold.
using TFzyFloat = double;

// ---------------------------------------------------------------------------------------------
// Enumerations. Ordinals start at 0; the tables below are indexed by them.

// ORDER CORRELATION: FuzzyCorrelationNames follows this order.
enum TFuzzyCorrelationMethod : std::uint8_t { fcmMinimum, fcmProduct };
inline constexpr int kFuzzyCorrelationMethodCount = fcmProduct + 1;

// ORDER INFERENCE: FuzzyInferenceNames follows this order.
enum TFuzzyInferenceMethod : std::uint8_t {
  fimMinMax,
  fimAdditive,
  fimMean,
  fimProduct,
  fimBoundedSum
};
inline constexpr int kFuzzyInferenceMethodCount = fimBoundedSum + 1;

// ORDER BASEHEDGE: BaseHedgeNames follows this order. The seventh value really is spelled with
// "bfg"; hosts name it that way.
enum TBaseFuzzyHedge : std::uint8_t {
  bfhAdd,
  bfhSubtract,
  bfhMultiply,
  bfhDivide,
  bfhPower,
  bfhCutLess,
  bfgCutLessEq,
  bfhCutGreater,
  bfhCutGreaterEq
};
inline constexpr int kBaseFuzzyHedgeCount = bfhCutGreaterEq + 1;

enum TDefuzzificationMethod : std::uint8_t { dmCenterOfGravity, dmMeanOfMaxima };
inline constexpr int kDefuzzificationMethodCount = dmMeanOfMaxima + 1;

// How a set's points were made.
enum TFuzzySetType : std::uint8_t {
  fstUserDefined,
  fstTriangle,
  fstDeclineCurve,
  fstPICurve,
  fstBetaCurve,
  fstGrowthCurve
};
inline constexpr int kFuzzySetTypeCount = fstGrowthCurve + 1;

// ORDER HEDGE: HedgeNames and HedgeModifiers follow this order.
enum TFuzzyHedge : std::uint8_t {
  fhNot,
  fhSomewhat,
  fhMoreOrLess,
  fhGreatly,
  fhPlus,
  fhVery,
  fhExtremely,
  fhAbove,
  fhBelow,
  fhSlightly,
  fhNormalize,
  fhAbout,
  fhVicinity,
  fhClose,
  fhNear,
  fhNeighboring,
  fhPositively,
  fhAbsolutely,
  fhDefinitely,
  fhGenerally
};
inline constexpr int kFuzzyHedgeCount = fhGenerally + 1;

// ORDER OPERATION: FuzzyOperationNames, FuzzyIntersectionKeywords and FuzzyUnionKeywords follow
// this order.
enum TFuzzyOperation : std::uint8_t {
  foZadeh,
  foMean,
  foMeanSqr,
  foMeanSqrt,
  foProduct,
  foBoundedSum,
  foSum
};
inline constexpr int kFuzzyOperationCount = foSum + 1;

// Which coordinate of a point an edit changed.
enum TXYUpdateType : std::uint8_t { utX, utY };
inline constexpr int kXYUpdateTypeCount = utY + 1;

// The kind of value a language token carries. The names share the "fst" prefix with
// TFuzzySetType but none of the values, so both enumerations live side by side.
enum TFuzzyStreamTokenType : std::uint8_t {
  fstNone,
  fstAtom,
  fstString,
  fstInteger,
  fstFloat,
  fstVariable,
  fstInterface,
  fstList,
  fstIFuzzySet,
  fstObject,
  fstFuzzySet
};
inline constexpr int kFuzzyStreamTokenTypeCount = fstFuzzySet + 1;

// ---------------------------------------------------------------------------------------------
// Set types.

using TFuzzyCorrelationMethods = TSet<TFuzzyCorrelationMethod>;
using TFuzzyInferenceMethods = TSet<TFuzzyInferenceMethod>;
using TXYUpdateTypes = TSet<TXYUpdateType>;
using TFuzzyStreamTokenTypes = TSet<TFuzzyStreamTokenType>;

// ---------------------------------------------------------------------------------------------
// Array types, one entry per value of the indexing enumeration.

using TFuzzyCorrelationMethodNames = std::array<std::string_view, kFuzzyCorrelationMethodCount>;
using TFuzzyInferenceMethodNames = std::array<std::string_view, kFuzzyInferenceMethodCount>;
using TFuzzyHedgeNames = std::array<std::string_view, kFuzzyHedgeCount>;
using TBaseFuzzyHedgeNames = std::array<std::string_view, kBaseFuzzyHedgeCount>;
using TFuzzyHedgeModifiers = std::array<TFzyFloat, kFuzzyHedgeCount>;
using TFuzzyOperationKeywords = std::array<std::string_view, kFuzzyOperationCount>;

// ---------------------------------------------------------------------------------------------
// Constant tables. Each bound is deduced from its initialisers (std::to_array), so a missing or
// extra entry fails the static_assert instead of leaving an empty string behind.

// The nearest doubles to 1/3 and 2/3, kept as constants so every user sees the same bits.
inline constexpr TFzyFloat ONE_THIRD = 1.0 / 3.0;
inline constexpr TFzyFloat TWO_THIRDS = 2.0 / 3.0;

// ORDER HEDGE
inline constexpr auto HedgeNames = std::to_array<std::string_view>({
    "not", "somewhat", "moreorless", "greatly", "plus", "very", "extremely",
    "above", "below", "slightly", "normalize", "about", "vicinity", "close",
    "near", "neighboring", "positively", "absolutely", "definitely", "generally"});
static_assert(HedgeNames.size() == kFuzzyHedgeCount, "one word per hedge, in order");

// ORDER HEDGE. What each number means belongs to the hedge that reads it.
inline constexpr auto HedgeModifiers = std::to_array<TFzyFloat>({
    0,          // not
    ONE_THIRD,  // somewhat
    0.5,        // moreorless
    0.7,        // greatly
    1.25,       // plus
    2,          // very
    3,          // extremely
    0,          // above
    0,          // below
    0,          // slightly
    0,          // normalize
    2,          // about
    4,          // vicinity
    1.2,        // close
    1.2,        // near
    1.2,        // neighboring
    2,          // positively
    2,          // absolutely
    2,          // definitely
    0.5});      // generally
static_assert(HedgeModifiers.size() == kFuzzyHedgeCount, "one modifier per hedge, in order");

// ORDER BASEHEDGE. None of these contains a letter, so the "X" forms of the lookup never collide.
inline constexpr auto BaseHedgeNames =
    std::to_array<std::string_view>({"+", "-", "*", "/", "^", "<", "<=", ">", ">="});
static_assert(BaseHedgeNames.size() == kBaseFuzzyHedgeCount, "one operator per base hedge");

// ORDER OPERATION
inline constexpr auto FuzzyOperationNames = std::to_array<std::string_view>(
    {"zadeh", "mean", "mean-sqr", "mean-sqrt", "product", "bounded-sum", "sum"});
static_assert(FuzzyOperationNames.size() == kFuzzyOperationCount, "one name per operation");

// ORDER OPERATION
inline constexpr auto FuzzyIntersectionKeywords = std::to_array<std::string_view>(
    {"and", "and-mean", "and-meansqr", "and-meansqrt", "and-product", "and-boundedsum", "and-sum"});
static_assert(FuzzyIntersectionKeywords.size() == kFuzzyOperationCount, "one keyword per operation");

// ORDER OPERATION
inline constexpr auto FuzzyUnionKeywords = std::to_array<std::string_view>(
    {"or", "or-mean", "or-meansqr", "or-meansqrt", "or-product", "or-boundedsum", "or-sum"});
static_assert(FuzzyUnionKeywords.size() == kFuzzyOperationCount, "one keyword per operation");

// ORDER CORRELATION
inline constexpr auto FuzzyCorrelationNames = std::to_array<std::string_view>({"minimum", "product"});
static_assert(FuzzyCorrelationNames.size() == kFuzzyCorrelationMethodCount, "one name per method");

// ORDER INFERENCE
inline constexpr auto FuzzyInferenceNames =
    std::to_array<std::string_view>({"min-max", "sum", "mean", "product", "bounded-sum"});
static_assert(FuzzyInferenceNames.size() == kFuzzyInferenceMethodCount, "one name per method");

// The tables have exactly the declared array types, so hosts can hold them as such.
static_assert(std::is_same_v<decltype(HedgeNames), const TFuzzyHedgeNames>);
static_assert(std::is_same_v<decltype(HedgeModifiers), const TFuzzyHedgeModifiers>);
static_assert(std::is_same_v<decltype(BaseHedgeNames), const TBaseFuzzyHedgeNames>);
static_assert(std::is_same_v<decltype(FuzzyOperationNames), const TFuzzyOperationKeywords>);
static_assert(std::is_same_v<decltype(FuzzyIntersectionKeywords), const TFuzzyOperationKeywords>);
static_assert(std::is_same_v<decltype(FuzzyUnionKeywords), const TFuzzyOperationKeywords>);
static_assert(std::is_same_v<decltype(FuzzyCorrelationNames), const TFuzzyCorrelationMethodNames>);
static_assert(std::is_same_v<decltype(FuzzyInferenceNames), const TFuzzyInferenceMethodNames>);

// Display lists of the enumeration names, for hosts; nothing in the library reads them.
inline constexpr std::string_view FuzzyCorrelationNameList = "fcmMinimum, fcmProduct";
inline constexpr std::string_view FuzzyCorrelationSuffixNameList = "Minimum, Product";
inline constexpr std::string_view FuzzyInferenceNameList =
    "fimMinMax, fimAdditive, fimMean, fimProduct, fimBoundedSum";
inline constexpr std::string_view FuzzyInferenceSuffixNameList =
    "MinMax, Additive, Mean, Product, BoundedSum";

// ---------------------------------------------------------------------------------------------
// Process-wide strings a host may read and assign at run time. Every later name, text or
// expression reads the current value; nothing already built is rewritten. They are plain
// variables: assign them only while no other thread builds names. No static initializer of the
// library reads them, so their own construction order does not matter; they are never
// destroyed, so that a host's static destructor may still use the library.

// Number format of generated names and of a set's text without a parser; initially "%.4f".
extern TARNWICK_EXPORT std::string& FuzzyFormatStr;
// FuzzyFormatStr's initial value, and the decimals it writes.
inline constexpr std::string_view kDefaultFuzzyFormat = "%.4f";
inline constexpr std::int32_t kDefaultFuzzyDecimals = 4;
// Brackets of generated names and expressions and the evaluator's grouping tokens; "[" and "]".
extern TARNWICK_EXPORT std::string& LeftFuzzyParentheses;
extern TARNWICK_EXPORT std::string& RightFuzzyParentheses;
// Name of a variable's empty set; a set added under this name is not Defined. "__Empty".
extern TARNWICK_EXPORT std::string& SEmptyFuzzy;

// ---------------------------------------------------------------------------------------------
// Naming. A name holding a blank (character 32) is enclosed in the current brackets so that it
// reads as one operand; operator and operation words are never bracketed.

// BaseHedgeNames[Hedge] + " " + name when ModifyY, else BaseHedgeNames[Hedge] + "X " + name (the
// X form names a hedge that moved X values).
TARNWICK_EXPORT std::string CreateFuzzyName(TBaseFuzzyHedge Hedge, bool ModifyY, std::string_view Name);
// HedgeNames[Hedge] + " " + name.
TARNWICK_EXPORT std::string CreateFuzzyName(TFuzzyHedge Hedge, std::string_view Name);
// name1 + " " + Op + " " + name2.
TARNWICK_EXPORT std::string CreateFuzzyName(std::string_view Name1, std::string_view Name2,
                                            std::string_view Op);
// name + " " + Op + " " + Value written with FuzzyFormatStr and the process-wide FormatSettings.
// A FuzzyFormatStr that does not fit one float raises EConvertError.
TARNWICK_EXPORT std::string CreateFuzzyName(std::string_view Name, std::string_view Op, TFzyFloat Value);

// S trimmed when it already reads as one operand (no blank, or one bracket group around the
// whole text); otherwise LeftFuzzyParentheses + S + RightFuzzyParentheses, with S untrimmed.
TARNWICK_EXPORT std::string FormatFuzzyExpression(std::string_view S);

// ---------------------------------------------------------------------------------------------
// Lookups. All compare exactly and case-sensitively, walk their table in enumeration order and
// stop at the first match. On failure they return false and leave their outputs as they were.

TARNWICK_EXPORT bool IsFuzzyHedge(std::string_view S) noexcept;
TARNWICK_EXPORT bool IsFuzzyHedge(std::string_view S, TFuzzyHedge& Hedge) noexcept;
TARNWICK_EXPORT bool IsFuzzyCorrelation(std::string_view S, TFuzzyCorrelationMethod& Method) noexcept;
TARNWICK_EXPORT bool IsFuzzyInference(std::string_view S, TFuzzyInferenceMethod& Method) noexcept;
TARNWICK_EXPORT bool IsFuzzyOperation(std::string_view S, TFuzzyOperation& Op) noexcept;
// A BaseHedgeNames entry, or one followed by "X" ("+X", "<=X"); ModifyY is false for the X form.
TARNWICK_EXPORT bool IsFuzzyHedgeOperator(std::string_view S) noexcept;
TARNWICK_EXPORT bool IsFuzzyHedgeOperator(std::string_view S, TBaseFuzzyHedge& Hedge,
                                          bool& ModifyY) noexcept;
// An intersection keyword (IsUnion false) or a union keyword (IsUnion true). IsUnion is set to
// true before the search, so it reads true after a failed lookup.
TARNWICK_EXPORT bool IsFuzzyKeyword(std::string_view S, bool& IsUnion, TFuzzyOperation& Op) noexcept;
inline bool IsFuzzyKeyword(std::string_view S) noexcept {
  bool IsUnion = false;
  TFuzzyOperation Op = foZadeh;
  return IsFuzzyKeyword(S, IsUnion, Op);
}

namespace detail {

// The length of the longest operator word (a hedge operator's "X" form included), and whether
// any holds a blank: the derived names that every hedge and operation checks are longer than
// that or hold a blank, and are told apart without a lookup.
constexpr std::size_t LongestFuzzyOperatorWord() noexcept {
  std::size_t Longest = 0;
  for (std::string_view S : HedgeNames) Longest = std::max(Longest, S.size());
  for (std::string_view S : BaseHedgeNames) Longest = std::max(Longest, S.size() + 1);
  for (std::string_view S : FuzzyIntersectionKeywords) Longest = std::max(Longest, S.size());
  for (std::string_view S : FuzzyUnionKeywords) Longest = std::max(Longest, S.size());
  return Longest;
}
constexpr bool AnyFuzzyOperatorWordHasBlank() noexcept {
  for (std::string_view S : HedgeNames)
    if (S.find(' ') != std::string_view::npos) return true;
  for (std::string_view S : BaseHedgeNames)
    if (S.find(' ') != std::string_view::npos) return true;
  for (std::string_view S : FuzzyIntersectionKeywords)
    if (S.find(' ') != std::string_view::npos) return true;
  for (std::string_view S : FuzzyUnionKeywords)
    if (S.find(' ') != std::string_view::npos) return true;
  return false;
}
static_assert(!AnyFuzzyOperatorWordHasBlank(), "IsFuzzyOperatorWord passes over texts with a blank");
inline constexpr std::size_t kLongestFuzzyOperatorWord = LongestFuzzyOperatorWord();
static_assert(kLongestFuzzyOperatorWord < 32, "an operator word's length is a bit of a 32-bit mask");

// For each ASCII character, the lengths (as bits) of the operator words that begin with it: the
// names of sets and variables, which every SetName checks, are told apart from the words by one
// look, mostly, instead of by comparing them with each of the words.
struct TFuzzyOperatorWordStarts {
  std::uint32_t Lengths[128] = {};
  constexpr void Add(std::string_view Word, std::size_t Size) noexcept {
    Lengths[static_cast<unsigned char>(Word.front()) & 127] |= std::uint32_t{1} << Size;
  }
};
constexpr TFuzzyOperatorWordStarts FuzzyOperatorWordStarts() noexcept {
  TFuzzyOperatorWordStarts Starts;
  for (std::string_view S : HedgeNames) Starts.Add(S, S.size());
  for (std::string_view S : BaseHedgeNames) {
    Starts.Add(S, S.size());
    Starts.Add(S, S.size() + 1);  // the "X" form
  }
  for (std::string_view S : FuzzyIntersectionKeywords) Starts.Add(S, S.size());
  for (std::string_view S : FuzzyUnionKeywords) Starts.Add(S, S.size());
  return Starts;
}
inline constexpr TFuzzyOperatorWordStarts kFuzzyOperatorWordStarts = FuzzyOperatorWordStarts();

}  // namespace detail

// A word of the expression language that works on sets: a hedge, a hedge operator or a
// keyword. No set may be named so, and the evaluator takes it as an operator.
inline bool IsFuzzyOperatorWord(std::string_view S) noexcept {
  if (S.empty() || S.size() > detail::kLongestFuzzyOperatorWord) return false;
  const auto First = static_cast<unsigned char>(S.front());
  if (First >= 128 || ((detail::kFuzzyOperatorWordStarts.Lengths[First] >> S.size()) & 1) == 0) return false;
  if (S.find(' ') != std::string_view::npos) return false;
  return IsFuzzyHedge(S) || IsFuzzyHedgeOperator(S) || IsFuzzyKeyword(S);
}

// The package-wide counter: each call atomically returns the next value, the first call 1. Safe
// from any thread. After 2^31 - 1 calls it wraps to the most negative value.
TARNWICK_EXPORT std::int32_t GetUniqueID() noexcept;

// ---------------------------------------------------------------------------------------------
// The model's exception: every failure of the model is raised as this or a descendant.

TARNWICK_DECLARE_EXCEPTION(TARNWICK_EXPORT, EFzyException, EKVException);

// ---------------------------------------------------------------------------------------------
// The model's messages, filled printf-style by whoever raises them. Hosts may replace any text
// by name (SetResStringText).

inline constexpr TResString SFuzzySetEmpty{"SFuzzySetEmpty",
                                           "Invalid operation: \"%s\".  Fuzzy set is empty"};
inline constexpr TResString SInvalidFuzzySetName{"SInvalidFuzzySetName",
                                                 "Invalid fuzzy set name, \"%s\" is a reserved word"};
inline constexpr TResString SInvalidFuzzyOperation{"SInvalidFuzzyOperation",
                                                   "Invalid fuzzy operation: \"%s:"};
inline constexpr TResString SInvalidXRangeIndex{"SInvalidXRangeIndex",
                                                "Invalid index argument to GetXRange.  Index = %d"};
inline constexpr TResString SInvalidRangeArguments{
    "SInvalidRangeArguments", "Invalid range arguments.  Left (%.4f) is greater than right (%.4f)"};
inline constexpr TResString SParserUnassigned{"SParserUnassigned", "Parser not assigned.  Cannot parse"};
// A logic component's parser reads into the logic component it is linked to: one linked to
// another would read this one's text into that one.
inline constexpr TResString SParserOfAnotherLogic{"SParserOfAnotherLogic",
                                                  "Cannot parse %s through %s, which parses into %s"};
inline constexpr TResString SFzyParseError{"SFzyParseError", "Parsing Error, %s in %s at line %s: \"%s\""};
inline constexpr TResString SFzyArgNumWrong{
    "SFzyArgNumWrong", "Number of arguments for function, %s, incorrect.  Expected \"%s\""};
inline constexpr TResString SFzyArgTypeWrong{
    "SFzyArgTypeWrong", "Data Types of arguments for function, %s, incorrect.  Expected %s"};
inline constexpr TResString STriArgsExpected{"STriArgsExpected", "\"Left Middle Right\""};
inline constexpr TResString SPIArgsExpected{"SPIArgsExpected", "\"Left Right Center\" or \"Range Center\""};
inline constexpr TResString SCurveArgsExpected{"SCurveArgsExpected", "\"Left Right Inflection_Point\""};
inline constexpr TResString SBetaArgsExpected{
    "SBetaArgsExpected",
    "\"Range Center Inflection_Point\" or \"Range Center Inflection_Point Weight\""};
inline constexpr TResString SUnknownFunctionName{"SUnknownFunctionName", "Unknown function name: \"%s\""};
inline constexpr TResString SFuzzyLogicNotSet{"SFuzzyLogicNotSet",
                                              "Fuzzy Logic component must be specified to parse"};
inline constexpr TResString SFuzzyLogicNotTFuzzyLogic{
    "SFuzzyLogicNotTFuzzyLogic", "FuzzyLogic property must be of type TFuzzyLogic or descendant"};
inline constexpr TResString SFuzzyLogicNotTIFuzzyLogic{
    "SFuzzyLogicNotTIFuzzyLogic", "FuzzyLogic property must be of type TIFuzzyLogic or descendant"};
inline constexpr TResString SUnknownFuzzySetName{"SUnknownFuzzySetName", "Unknown Fuzzy Set name: \"%s\""};
inline constexpr TResString SUnknownFuzzyVarName{"SUnknownFuzzyVarName",
                                                 "Unknown Fuzzy Variable name: \"%s\""};
// Not errors: the names of the three automatic terms.
inline constexpr TResString SLowFuzzyTerm{"SLowFuzzyTerm", "low"};
inline constexpr TResString SMediumFuzzyTerm{"SMediumFuzzyTerm", "medium"};
inline constexpr TResString SHighFuzzyTerm{"SHighFuzzyTerm", "high"};
// Published for hosts; nothing in the library raises these.
inline constexpr TResString SInvalidFuzzyVarName{"SInvalidFuzzyVarName", "Invalid fuzzy variable name, \"%s\""};
inline constexpr TResString SMissingFuzzyVariable{"SMissingFuzzyVariable", "Missing fuzzy linguistic variable"};
inline constexpr TResString SMax3XValues{"SMax3XValues",
                                         "Invalid x value.  Maximum of 3 values with same X value: %.4f"};
inline constexpr TResString SFzyArgMinNumWrong{
    "SFzyArgMinNumWrong", "Minimum number of arguments for function, %s, incorrect.  Expected %d or more"};

// The two arithmetic hedges that have no defined result: division by zero, and a result that
// is not a finite number.
inline constexpr TResString SFuzzyHedgeDivideByZero{"SFuzzyHedgeDivideByZero",
                                                    "Invalid hedge operation: \"%s\".  Division by zero"};
inline constexpr TResString SFuzzyHedgeNotFinite{
    "SFuzzyHedgeNotFinite", "Invalid hedge operation: \"%s\".  The result is not a finite number"};

}  // namespace tarnwick

#endif  // TARNWICK_MODEL_FUZZYCONSTS_H_
