// The fuzzy vocabulary: tables, naming, expression bracketing, lookups, messages and the unique
// ID counter.
#include "tarnwick/model/FuzzyConsts.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/Format.h"
#include "tarnwick/platform/ResStrings.h"

namespace tarnwick {
namespace {

// Streams and hosts rely on these ordinals.
static_assert(bfgCutLessEq == 6 && kBaseFuzzyHedgeCount == 9);
static_assert(fhNeighboring == 15 && kFuzzyHedgeCount == 20);
static_assert(fstGrowthCurve == 5 && fstFuzzySet == 10 && kFuzzyStreamTokenTypeCount == 11);
static_assert(foSum == 6 && fimBoundedSum == 4 && fcmProduct == 1 && dmMeanOfMaxima == 1 && utY == 1);

TEST(FuzzyConstsTables, EntriesSitAtTheirEnumerationValues) {
  EXPECT_EQ(HedgeNames[fhNot], "not");
  EXPECT_EQ(HedgeNames[fhMoreOrLess], "moreorless");
  EXPECT_EQ(HedgeNames[fhNeighboring], "neighboring");
  EXPECT_EQ(HedgeNames[fhGenerally], "generally");
  EXPECT_EQ(BaseHedgeNames[bfhPower], "^");
  EXPECT_EQ(BaseHedgeNames[bfgCutLessEq], "<=");
  EXPECT_EQ(BaseHedgeNames[bfhCutGreaterEq], ">=");
  EXPECT_EQ(FuzzyOperationNames[foMeanSqrt], "mean-sqrt");
  EXPECT_EQ(FuzzyOperationNames[foBoundedSum], "bounded-sum");
  EXPECT_EQ(FuzzyIntersectionKeywords[foZadeh], "and");
  EXPECT_EQ(FuzzyIntersectionKeywords[foBoundedSum], "and-boundedsum");
  EXPECT_EQ(FuzzyUnionKeywords[foMeanSqr], "or-meansqr");
  EXPECT_EQ(FuzzyUnionKeywords[foSum], "or-sum");
  EXPECT_EQ(FuzzyCorrelationNames[fcmMinimum], "minimum");
  EXPECT_EQ(FuzzyCorrelationNames[fcmProduct], "product");
  EXPECT_EQ(FuzzyInferenceNames[fimMinMax], "min-max");
  EXPECT_EQ(FuzzyInferenceNames[fimAdditive], "sum");
  EXPECT_EQ(FuzzyInferenceNames[fimBoundedSum], "bounded-sum");
  EXPECT_EQ(FuzzyInferenceSuffixNameList, "MinMax, Additive, Mean, Product, BoundedSum");
}

TEST(FuzzyConstsTables, ModifiersAndFractionsAreExact) {
  EXPECT_EQ(ONE_THIRD, 1.0 / 3.0);
  EXPECT_EQ(TWO_THIRDS, 2.0 / 3.0);
  EXPECT_EQ(HedgeModifiers[fhNot], 0.0);
  EXPECT_EQ(HedgeModifiers[fhSomewhat], ONE_THIRD);
  EXPECT_EQ(HedgeModifiers[fhGreatly], 0.7);
  EXPECT_EQ(HedgeModifiers[fhPlus], 1.25);
  EXPECT_EQ(HedgeModifiers[fhExtremely], 3.0);
  EXPECT_EQ(HedgeModifiers[fhNormalize], 0.0);
  EXPECT_EQ(HedgeModifiers[fhVicinity], 4.0);
  EXPECT_EQ(HedgeModifiers[fhNeighboring], 1.2);
  EXPECT_EQ(HedgeModifiers[fhDefinitely], 2.0);
  EXPECT_EQ(HedgeModifiers[fhGenerally], 0.5);
}

TEST(FuzzyConstsTables, GlobalStringsStartWithTheirDefaults) {
  EXPECT_EQ(FuzzyFormatStr, "%.4f");
  EXPECT_EQ(LeftFuzzyParentheses, "[");
  EXPECT_EQ(RightFuzzyParentheses, "]");
  EXPECT_EQ(SEmptyFuzzy, "__Empty");
}

// Tests that change the process-wide strings or settings put them back, whatever happens.
class FuzzyConstsGlobals : public testing::Test {
 protected:
  void TearDown() override {
    FuzzyFormatStr = FSavedFormat;
    LeftFuzzyParentheses = FSavedLeft;
    RightFuzzyParentheses = FSavedRight;
    FormatSettings().DecimalSeparator = FSavedSeparator;
  }

 private:
  std::string FSavedFormat = FuzzyFormatStr;
  std::string FSavedLeft = LeftFuzzyParentheses;
  std::string FSavedRight = RightFuzzyParentheses;
  char FSavedSeparator = FormatSettings().DecimalSeparator;
};

using FuzzyConstsNaming = FuzzyConstsGlobals;

TEST_F(FuzzyConstsNaming, HedgeNamesBracketNamesWithBlanks) {
  EXPECT_EQ(CreateFuzzyName(fhVery, "hot"), "very hot");
  EXPECT_EQ(CreateFuzzyName(fhVery, "quite hot"), "very [quite hot]");
  EXPECT_EQ(CreateFuzzyName(fhMoreOrLess, " hot"), "moreorless [ hot]");
  // Only the blank itself asks for brackets.
  EXPECT_EQ(CreateFuzzyName(fhNot, "a\tb"), "not a\tb");
}

TEST_F(FuzzyConstsNaming, BaseHedgeNamesTellTheXForm) {
  EXPECT_EQ(CreateFuzzyName(bfhAdd, false, "hot"), "+X hot");
  EXPECT_EQ(CreateFuzzyName(bfhAdd, true, "hot"), "+ hot");
  EXPECT_EQ(CreateFuzzyName(bfgCutLessEq, false, "very hot"), "<=X [very hot]");
  EXPECT_EQ(CreateFuzzyName(bfhCutGreaterEq, true, "x"), ">= x");
}

TEST_F(FuzzyConstsNaming, BinaryNamesBracketEachOperandButNotTheWord) {
  EXPECT_EQ(CreateFuzzyName("a b", "c", "and"), "[a b] and c");
  EXPECT_EQ(CreateFuzzyName("a", "b c", "or-mean"), "a or-mean [b c]");
  EXPECT_EQ(CreateFuzzyName("a", "b", "and sum"), "a and sum b");
}

TEST_F(FuzzyConstsNaming, ValueNamesFollowFormatStrAndSettings) {
  FormatSettings().DecimalSeparator = '.';
  EXPECT_EQ(CreateFuzzyName("hot", "or", 0.5), "hot or 0.5000");
  EXPECT_EQ(CreateFuzzyName("quite hot", "cut", -2.0), "[quite hot] cut -2.0000");
  FuzzyFormatStr = "%.2f";
  EXPECT_EQ(CreateFuzzyName("hot", "or", 0.5), "hot or 0.50");
  FormatSettings().DecimalSeparator = ',';
  EXPECT_EQ(CreateFuzzyName("hot", "or", 0.5), "hot or 0,50");
}

TEST_F(FuzzyConstsNaming, FormatStrThatDoesNotFitAFloatRaises) {
  // A host may put anything in FuzzyFormatStr; it never reaches an unchecked formatter.
  FuzzyFormatStr = "%d";
  EXPECT_THROW(CreateFuzzyName("hot", "or", 0.5), EConvertError);
  FuzzyFormatStr = "%f %s";
  EXPECT_THROW(CreateFuzzyName("hot", "or", 0.5), EConvertError);
}

TEST_F(FuzzyConstsNaming, ChangedBracketsApplyToLaterNames) {
  LeftFuzzyParentheses = "(";
  RightFuzzyParentheses = ")";
  EXPECT_EQ(CreateFuzzyName(fhVery, "quite hot"), "very (quite hot)");
  EXPECT_EQ(CreateFuzzyName(bfhSubtract, false, "a b"), "-X (a b)");
  EXPECT_EQ(CreateFuzzyName("a b", "c d", "and"), "(a b) and (c d)");
  EXPECT_EQ(CreateFuzzyName("a b", "or", 1.0), "(a b) or 1.0000");
}

using FuzzyConstsFormatExpression = FuzzyConstsGlobals;

TEST_F(FuzzyConstsFormatExpression, BracketsWhatWouldNotReadAsOneOperand) {
  struct Case {
    const char* S;
    const char* Expected;
  };
  static const Case kCases[] = {
      {"hot", "hot"},
      {"  hot  ", "hot"},                      // trimmed
      {"\thot\r\n", "hot"},                    // control characters trim too
      {"", ""},
      {"   ", ""},
      {"very hot", "[very hot]"},
      {"[very hot]", "[very hot]"},            // already one group
      {"  [very hot] ", "[very hot]"},         // one group after trimming: the trimmed text
      {"[a] and [b]", "[[a] and [b]]"},        // the first group closes before the end
      {"[[a] and [b]]", "[[a] and [b]]"},
      {"[a [b] c]", "[a [b] c]"},
      {"[a] b]", "[[a] b]]"},
      {" a b ", "[ a b ]"},                    // the untrimmed argument is bracketed
      {" [a] or [b] ", "[ [a] or [b] ]"},
      {"[a b", "[[a b]"},
      {"a b]", "[a b]]"},
      {"a [b]", "[a [b]]"},
      {"[ ]", "[ ]"},
      {"a\tb", "a\tb"},                        // no blank inside
      // Other characters, and bytes that are no character, never count as brackets.
      {"[\u00e9 b]", "[\u00e9 b]"},
      {"[a] \u00e9 [b]", "[[a] \u00e9 [b]]"},
      {"[\xC3] b]", "[[\xC3] b]]"},
      {"[\xE2\x80 b]", "[\xE2\x80 b]"},
      {"\xC3[a b]", "[\xC3[a b]]"},
  };
  for (const Case& C : kCases) EXPECT_EQ(FormatFuzzyExpression(C.S), C.Expected) << '"' << C.S << '"';
}

TEST_F(FuzzyConstsFormatExpression, UsesTheCurrentBrackets) {
  LeftFuzzyParentheses = "(";
  RightFuzzyParentheses = ")";
  EXPECT_EQ(FormatFuzzyExpression("very hot"), "(very hot)");
  EXPECT_EQ(FormatFuzzyExpression("(very hot)"), "(very hot)");
  EXPECT_EQ(FormatFuzzyExpression("(a) and (b)"), "((a) and (b))");
  EXPECT_EQ(FormatFuzzyExpression("[very hot]"), "([very hot])");
}

TEST_F(FuzzyConstsFormatExpression, LongerBracketsNeverMatchOneCharacter) {
  LeftFuzzyParentheses = "<<";
  RightFuzzyParentheses = ">>";
  EXPECT_EQ(FormatFuzzyExpression("<<a b>>"), "<<<<a b>>>>");
  EXPECT_EQ(FormatFuzzyExpression("ab"), "ab");
}

TEST_F(FuzzyConstsFormatExpression, NonAsciiBracketsCompareWholeCharacters) {
  LeftFuzzyParentheses = "\u00AB";   // «
  RightFuzzyParentheses = "\u00BB";  // »
  EXPECT_EQ(FormatFuzzyExpression("\u00ABa b\u00BB"), "\u00ABa b\u00BB");
  EXPECT_EQ(FormatFuzzyExpression("\u00ABa\u00BB and \u00ABb\u00BB"), "\u00AB\u00ABa\u00BB and \u00ABb\u00BB\u00BB");
}

TEST(FuzzyConstsLookup, HedgesAreFoundCaseSensitively) {
  TFuzzyHedge Hedge = fhAbout;
  EXPECT_TRUE(IsFuzzyHedge("neighboring", Hedge));
  EXPECT_EQ(Hedge, fhNeighboring);
  Hedge = fhAbout;
  EXPECT_FALSE(IsFuzzyHedge("Very", Hedge));
  EXPECT_FALSE(IsFuzzyHedge("very ", Hedge));
  EXPECT_FALSE(IsFuzzyHedge("", Hedge));
  EXPECT_EQ(Hedge, fhAbout);
  EXPECT_TRUE(IsFuzzyHedge("not"));
  EXPECT_FALSE(IsFuzzyHedge("Very"));
}

TEST(FuzzyConstsLookup, MethodsAndOperationsAreFoundByTheirOwnTables) {
  TFuzzyCorrelationMethod Correlation = fcmMinimum;
  EXPECT_TRUE(IsFuzzyCorrelation("product", Correlation));
  EXPECT_EQ(Correlation, fcmProduct);
  EXPECT_FALSE(IsFuzzyCorrelation("Minimum", Correlation));
  EXPECT_EQ(Correlation, fcmProduct);

  TFuzzyInferenceMethod Inference = fimMean;
  EXPECT_TRUE(IsFuzzyInference("sum", Inference));
  EXPECT_EQ(Inference, fimAdditive);
  EXPECT_FALSE(IsFuzzyInference("additive", Inference));
  EXPECT_EQ(Inference, fimAdditive);

  TFuzzyOperation Op = foMean;
  EXPECT_TRUE(IsFuzzyOperation("bounded-sum", Op));
  EXPECT_EQ(Op, foBoundedSum);
  EXPECT_FALSE(IsFuzzyOperation("and", Op));  // a keyword, not an operation name
  EXPECT_EQ(Op, foBoundedSum);
}

// Every entry finds its own row: no table holds a word twice, or the first match would hide it.
TEST(FuzzyConstsLookup, EveryTableEntryFindsItsOwnValue) {
  for (int I = 0; I < kFuzzyHedgeCount; ++I) {
    TFuzzyHedge Hedge = fhNot;
    EXPECT_TRUE(IsFuzzyHedge(HedgeNames[I], Hedge) && Hedge == I) << HedgeNames[I];
  }
  for (int I = 0; I < kFuzzyOperationCount; ++I) {
    TFuzzyOperation Op = foZadeh;
    EXPECT_TRUE(IsFuzzyOperation(FuzzyOperationNames[I], Op) && Op == I) << FuzzyOperationNames[I];
    bool IsUnion = true;
    EXPECT_TRUE(IsFuzzyKeyword(FuzzyIntersectionKeywords[I], IsUnion, Op) && !IsUnion && Op == I)
        << FuzzyIntersectionKeywords[I];
    EXPECT_TRUE(IsFuzzyKeyword(FuzzyUnionKeywords[I], IsUnion, Op) && IsUnion && Op == I)
        << FuzzyUnionKeywords[I];
  }
  for (int I = 0; I < kFuzzyInferenceMethodCount; ++I) {
    TFuzzyInferenceMethod Method = fimMinMax;
    EXPECT_TRUE(IsFuzzyInference(FuzzyInferenceNames[I], Method) && Method == I);
  }
  for (int I = 0; I < kBaseFuzzyHedgeCount; ++I) {
    TBaseFuzzyHedge Hedge = bfhAdd;
    bool ModifyY = false;
    EXPECT_TRUE(IsFuzzyHedgeOperator(BaseHedgeNames[I], Hedge, ModifyY) && Hedge == I && ModifyY);
    const std::string XForm = std::string(BaseHedgeNames[I]) + "X";
    EXPECT_TRUE(IsFuzzyHedgeOperator(XForm, Hedge, ModifyY) && Hedge == I && !ModifyY) << XForm;
  }
}

TEST(FuzzyConstsLookup, HedgeOperators) {
  struct Case {
    const char* S;
    bool Found;
    TBaseFuzzyHedge Hedge;
    bool ModifyY;
  };
  // Failed lookups expect the preset outputs (bfhPower, ModifyY true) to survive.
  static const Case kCases[] = {
      {"+", true, bfhAdd, true},           {"+X", true, bfhAdd, false},
      {"<", true, bfhCutLess, true},       {"<=", true, bfgCutLessEq, true},
      {"<=X", true, bfgCutLessEq, false},  {">=X", true, bfhCutGreaterEq, false},
      {"/X", true, bfhDivide, false},      {"x", false, bfhPower, true},
      {"X", false, bfhPower, true},        {"<= ", false, bfhPower, true},
      {"+x", false, bfhPower, true},       {"<=XX", false, bfhPower, true},
      {"X+", false, bfhPower, true},       {"", false, bfhPower, true},
      {"=", false, bfhPower, true},
  };
  for (const Case& C : kCases) {
    TBaseFuzzyHedge Hedge = bfhPower;
    bool ModifyY = true;
    EXPECT_EQ(IsFuzzyHedgeOperator(C.S, Hedge, ModifyY), C.Found) << C.S;
    EXPECT_EQ(Hedge, C.Hedge) << C.S;
    EXPECT_EQ(ModifyY, C.ModifyY) << C.S;
    EXPECT_EQ(IsFuzzyHedgeOperator(C.S), C.Found) << C.S;
  }
}

TEST(FuzzyConstsLookup, Keywords) {
  bool IsUnion = false;
  TFuzzyOperation Op = foMean;
  EXPECT_TRUE(IsFuzzyKeyword("or-sum", IsUnion, Op));
  EXPECT_TRUE(IsUnion);
  EXPECT_EQ(Op, foSum);

  EXPECT_TRUE(IsFuzzyKeyword("and", IsUnion, Op));
  EXPECT_FALSE(IsUnion);
  EXPECT_EQ(Op, foZadeh);

  // A failure leaves Op alone but the union flag has already been set.
  Op = foMean;
  EXPECT_FALSE(IsFuzzyKeyword("AND", IsUnion, Op));
  EXPECT_TRUE(IsUnion);
  EXPECT_EQ(Op, foMean);
  IsUnion = false;
  EXPECT_FALSE(IsFuzzyKeyword("mean", IsUnion, Op));
  EXPECT_TRUE(IsUnion);
  EXPECT_EQ(Op, foMean);
}

// The words no set may be named, which the evaluator takes as operators: every hedge, hedge
// operator and keyword, compared exactly.
TEST(FuzzyConstsLookup, OperatorWords) {
  struct Case {
    const char* Word;
    bool Keyword;
    bool Operator;
  };
  static const Case kCases[] = {
      {"and", true, true},         {"or-boundedsum", true, true}, {"very", false, true},
      {"generally", false, true},  {"+", false, true},            {"<=X", false, true},
      {"AND", false, false},       {"Very", false, false},        {"X", false, false},
      {"and ", false, false},      {"", false, false},            {"warm", false, false},
  };
  for (const Case& C : kCases) {
    EXPECT_EQ(IsFuzzyKeyword(C.Word), C.Keyword) << C.Word;
    EXPECT_EQ(IsFuzzyOperatorWord(C.Word), C.Operator) << C.Word;
  }
}

// IsFuzzyOperatorWord rejects most names by their first character and length alone: it agrees
// with the three lookups on every word, its "X" form, and the near misses of each (one character
// more, fewer or changed, at either end, bytes beyond ASCII included).
TEST(FuzzyConstsLookup, OperatorWordsAgreeWithTheLookupsOnEveryNearMiss) {
  std::vector<std::string> Words;
  for (std::string_view S : HedgeNames) Words.emplace_back(S);
  for (std::string_view S : BaseHedgeNames) {
    Words.emplace_back(S);
    Words.push_back(std::string(S) + "X");
  }
  for (std::string_view S : FuzzyIntersectionKeywords) Words.emplace_back(S);
  for (std::string_view S : FuzzyUnionKeywords) Words.emplace_back(S);
  std::set<std::string> Texts = {"", " ", "low", "medium", "high", "temperature", "x"};
  for (const std::string& W : Words) {
    Texts.insert(W);
    Texts.insert(W.substr(1));
    Texts.insert(W.substr(0, W.size() - 1));
    for (const char C : {'a', 'X', ' ', '-', '\x80', '\xff'}) {
      Texts.insert(C + W);
      Texts.insert(W + C);
      Texts.insert(C + W.substr(1));
      Texts.insert(W.substr(0, W.size() - 1) + C);
    }
  }
  for (const std::string& T : Texts) {
    const bool Expected = IsFuzzyHedge(T) || IsFuzzyHedgeOperator(T) || IsFuzzyKeyword(T);
    EXPECT_EQ(IsFuzzyOperatorWord(T), Expected) << '"' << T << '"';
  }
  for (const std::string& W : Words) EXPECT_TRUE(IsFuzzyOperatorWord(W)) << W;
}

TEST(FuzzyConstsMessages, DefaultTextsStandAsWritten) {
  struct Case {
    const TResString& Res;
    const char* Name;
    const char* Text;
  };
  static const Case kCases[] = {
      {SFuzzySetEmpty, "SFuzzySetEmpty", "Invalid operation: \"%s\".  Fuzzy set is empty"},
      {SInvalidFuzzySetName, "SInvalidFuzzySetName", "Invalid fuzzy set name, \"%s\" is a reserved word"},
      {SInvalidFuzzyOperation, "SInvalidFuzzyOperation", "Invalid fuzzy operation: \"%s:"},
      {SInvalidXRangeIndex, "SInvalidXRangeIndex", "Invalid index argument to GetXRange.  Index = %d"},
      {SInvalidRangeArguments, "SInvalidRangeArguments",
       "Invalid range arguments.  Left (%.4f) is greater than right (%.4f)"},
      {SParserUnassigned, "SParserUnassigned", "Parser not assigned.  Cannot parse"},
      {SFzyParseError, "SFzyParseError", "Parsing Error, %s in %s at line %s: \"%s\""},
      {SFzyArgNumWrong, "SFzyArgNumWrong", "Number of arguments for function, %s, incorrect.  Expected \"%s\""},
      {SFzyArgTypeWrong, "SFzyArgTypeWrong",
       "Data Types of arguments for function, %s, incorrect.  Expected %s"},
      {STriArgsExpected, "STriArgsExpected", "\"Left Middle Right\""},
      {SPIArgsExpected, "SPIArgsExpected", "\"Left Right Center\" or \"Range Center\""},
      {SCurveArgsExpected, "SCurveArgsExpected", "\"Left Right Inflection_Point\""},
      {SBetaArgsExpected, "SBetaArgsExpected",
       "\"Range Center Inflection_Point\" or \"Range Center Inflection_Point Weight\""},
      {SUnknownFunctionName, "SUnknownFunctionName", "Unknown function name: \"%s\""},
      {SFuzzyLogicNotSet, "SFuzzyLogicNotSet", "Fuzzy Logic component must be specified to parse"},
      {SFuzzyLogicNotTFuzzyLogic, "SFuzzyLogicNotTFuzzyLogic",
       "FuzzyLogic property must be of type TFuzzyLogic or descendant"},
      {SFuzzyLogicNotTIFuzzyLogic, "SFuzzyLogicNotTIFuzzyLogic",
       "FuzzyLogic property must be of type TIFuzzyLogic or descendant"},
      {SUnknownFuzzySetName, "SUnknownFuzzySetName", "Unknown Fuzzy Set name: \"%s\""},
      {SUnknownFuzzyVarName, "SUnknownFuzzyVarName", "Unknown Fuzzy Variable name: \"%s\""},
      {SLowFuzzyTerm, "SLowFuzzyTerm", "low"},
      {SMediumFuzzyTerm, "SMediumFuzzyTerm", "medium"},
      {SHighFuzzyTerm, "SHighFuzzyTerm", "high"},
      {SInvalidFuzzyVarName, "SInvalidFuzzyVarName", "Invalid fuzzy variable name, \"%s\""},
      {SMissingFuzzyVariable, "SMissingFuzzyVariable", "Missing fuzzy linguistic variable"},
      {SMax3XValues, "SMax3XValues", "Invalid x value.  Maximum of 3 values with same X value: %.4f"},
      {SFzyArgMinNumWrong, "SFzyArgMinNumWrong",
       "Minimum number of arguments for function, %s, incorrect.  Expected %d or more"},
  };
  for (const Case& C : kCases) {
    EXPECT_EQ(C.Res.Name, C.Name);
    EXPECT_EQ(LoadResString(C.Res), C.Text) << C.Name;
  }
}

TEST(FuzzyConstsMessages, ExceptionCarriesTheFilledMessageUpItsHierarchy) {
  try {
    throw EFzyException(Format(LoadResString(SInvalidXRangeIndex), {2}));
  } catch (const EKVException& E) {
    EXPECT_NE(dynamic_cast<const EFzyException*>(&E), nullptr);
    EXPECT_STREQ(E.what(), "Invalid index argument to GetXRange.  Index = 2");
  }
  EXPECT_THROW(throw EFzyException("x"), Exception);
}

TEST(FuzzyConstsUniqueID, EachCallReturnsOneMore) {
  const std::int32_t First = GetUniqueID();
  EXPECT_GE(First, 1);
  EXPECT_EQ(GetUniqueID(), First + 1);
  EXPECT_EQ(GetUniqueID(), First + 2);
}

TEST(FuzzyConstsUniqueID, ConcurrentCallersGetDistinctValues) {
  constexpr int kThreads = 4;
  constexpr int kCalls = 2000;
  std::vector<std::vector<std::int32_t>> Seen(kThreads);
  std::vector<std::thread> Threads;
  for (int T = 0; T < kThreads; ++T) {
    Threads.emplace_back([&Seen, T] {
      for (int I = 0; I < kCalls; ++I) Seen[T].push_back(GetUniqueID());
    });
  }
  for (std::thread& T : Threads) T.join();
  std::set<std::int32_t> All;
  for (const auto& Values : Seen) All.insert(Values.begin(), Values.end());
  EXPECT_EQ(All.size(), static_cast<std::size_t>(kThreads * kCalls));
}

}  // namespace
}  // namespace tarnwick
