// The parser component of the fuzzy definition language, the chief header of the parser layer.
//
// TKVFuzzyLogicParser reads definition text into the variables and sets of either form of the
// model (a TFuzzyLogic with its owned variables and sets, or a TIFuzzyLogic with counted
// IFuzzyVariable and IFuzzySet objects), evaluates fuzzy expressions and prints sets and
// variables back as text that reads again. Each operation exists in both forms, written once
// over the form (detail/FuzzyParserForms.h holds every place where the forms differ).
//
// The language (tokens as TFuzzyLogicTokenStream makes them; keywords compare exactly):
//   text        = definition ...
//   definition  = "(" "deffuzzy" NAME [COMMENT] clause ... ")"
//   clause      = "(" "range" NUMBER NUMBER ")" | "(" "units" ANY ")" | "(" "values" term ... ")"
//   term        = "(" "term" NAME [COMMENT] value ")"
//   value       = "(" point ... ")"            a point list: begins with "(" "(", or is "()"
//               | "(" NAME argument ... ")"   a membership-function call ("tri", "pi", ...)
//               | expression ...              anything else, up to the term's ")"
//   point       = "(" NUMBER NUMBER ANY        the last token stands in for the point's ")"
// Clauses come in any order and may repeat: a later range or units replaces the earlier one,
// terms accumulate. A range's first number must not exceed its second (SFzyReversedRange). Expressions are infix: term names, numbers, ?bindings, point lists and
// calls as operands, the hedges ("very", ...), the hedge operators ("+", "<=X", ...) and the
// keywords ("and", "or-mean", ...) as operators, "[" and "]" to group.
//
// Every grammar error raises EFzyParseException through ParseError, naming the operation, the
// line of the current token and the text read so far in the current definition. The first
// error ends the parse; what was read before it stays in the model.
//
// Each string entry point reads its text with a token stream of its own and puts the one of
// the call around it back when it returns or raises, so entry points nest: an event handler
// may parse or evaluate another text in the middle of a parse. Nothing recurses over the
// text: parentheses nest at most as deep as the token stream allows, and an expression holds
// at most kMaxExpressionOperators operators.
//
// Printing writes numbers "%.4f" with a full stop whatever the locale, and a set by its
// shape or its expression only when that reads back as the same points; otherwise by its
// points. So parse, print and parse again gives the same variables and Defined sets.
//
// The interface-based form differs where the model does: a definition makes a variable of the
// logic's ItemClass and stores it in the logic's table when it is complete (not at all when it
// fails); a term is stored under its name in its variable's table; the sets an evaluation works
// on (numbers, point lists, calls, copies before a hedge, "and" and "or" results) are held by no
// table and die with the last reference; variables print their Defined sets in the order their
// table stored them (Index).
#ifndef TARNWICK_PARSER_KVFUZZYLOGICPARSER_H_
#define TARNWICK_PARSER_KVFUZZYLOGICPARSER_H_

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "tarnwick/model/FuzzyConsts.h"
#include "tarnwick/model/FuzzyInterfaces.h"
#include "tarnwick/model/FuzzyLogicComponent.h"
#include "tarnwick/model/FuzzyParserBase.h"
#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/model/FuzzyVariable.h"
#include "tarnwick/model/IFuzzyLogic.h"
#include "tarnwick/platform/Export.h"
#include "tarnwick/platform/ResStrings.h"
#include "tarnwick/platform/Streams.h"

namespace tarnwick {

// --- Messages of the parser, with their numeric ids
inline constexpr TResString SFzyExpectedNumber{"SFzyExpectedNumber", "Expected number", 65488};
inline constexpr TResString SFzyExpectedKeyword{"SFzyExpectedKeyword", "Missing keyword.  Expected \"%s\"", 65489};
inline constexpr TResString SFzyMissingOperand{"SFzyMissingOperand",
                                               "Missing fuzzy operand to be modified by hedge: %s", 65490};
inline constexpr TResString SFzyUndefinedVariable{"SFzyUndefinedVariable", "fuzzy variable is not defined", 65491};
inline constexpr TResString SFzyInvalidToken{"SFzyInvalidToken", "Invalid item in fuzzy expression: %s", 65492};
inline constexpr TResString SFzyInvalidValuePair{"SFzyInvalidValuePair", "Invalid X/Y value pair: %s", 65493};
inline constexpr TResString SFzyUnexpectedToken{"SFzyUnexpectedToken", "Unexpected token: \"%s\"", 65494};
inline constexpr TResString SFzyMissingName{"SFzyMissingName", "Missing name", 65515};
inline constexpr TResString SFzyExpectedFuzzySet{"SFzyExpectedFuzzySet", "Expected \"( term\"", 65516};
inline constexpr TResString SFzyExpectedFuzzyDefinition{"SFzyExpectedFuzzyDefinition", "Expected \"( deffuzzy\"",
                                                        65517};
inline constexpr TResString SFzyMissingOpenParens{"SFzyMissingOpenParens", "Expected \"(\"", 65518};
inline constexpr TResString SFzyMissingCloseParens{"SFzyMissingCloseParens", "Expected \")\"", 65519};
// A range clause whose first number, the minimum, is greater than its second; the arguments
// are the two numbers. (The variable's setters would take such a range as one value and clamp
// every point of every term onto it.)
inline constexpr TResString SFzyReversedRange{"SFzyReversedRange",
                                              "Reversed range: the minimum %s is greater than the maximum %s"};
// A term whose value left no set (a handler of OnEvalExpression or OnCalcFuzzyFunction took it
// away); the argument is the term's name.
inline constexpr TResString SFzyMissingFuzzySet{"SFzyMissingFuzzySet", "No fuzzy set for term: %s"};
// A token list (an expression, the arguments of a call) with more operators than the parser
// reads; the argument is the limit.
inline constexpr TResString SFzyTokenListTooLong{"SFzyTokenListTooLong",
                                                 "Expression too long: more than %d operators"};

class TFuzzyLogicTokenStream;  // FuzzyLogicTokenStream.h, for a descendant's CreateStream
namespace detail {
struct TCollectionForm;
struct TInterfaceForm;
class TStreamCall;
struct TExpressionItem;
struct TActiveBinding;
}  // namespace detail

class TARNWICK_EXPORT TKVFuzzyLogicParser : public TCustomFuzzyLogicParser {
 public:
  using TCustomFuzzyLogicParser::TCustomFuzzyLogicParser;
  ~TKVFuzzyLogicParser() override;

  // Published: FuzzyLogic and the events but OnCalcFuzzyIntfFunction, OnParsing and OnParsed
  // (FuzzyClasses.cpp).
  const TClassInfo* ClassInfo() const override;

  // The most hedges, hedge operators and keywords a token list may hold (nested lists
  // included); more raise SFzyTokenListTooLong. A chain of operators costs more than linear
  // time to evaluate (each step names its result after its operand), so an expression as long
  // as a whole hostile text would not end in any useful time. Operands and brackets cost
  // little and are not counted.
  static constexpr std::int32_t kMaxExpressionOperators = 2048;

  // --- String entry points (each over a token stream of its own)
  using TCustomFuzzyLogicParser::ParseFuzzySet;
  // Reads a whole text into the linked logic component.
  void ParseFuzzyLogic(const std::string& AString, const TEncoding* Encoding) override;
  // Reads one definition into the linked TFuzzyLogic.
  TFuzzyVariable* ParseFuzzyVariable(const std::string& AString, const TEncoding* Encoding) override;
  // Reads one definition into the linked TIFuzzyLogic, whose table stores the variable once
  // it is read whole.
  Intf<IFuzzyVariable> ParseFuzzyVariableIntf(const std::string& AString, const TEncoding* Encoding) override;
  // Reads one term into Variable; needs no logic component. The interface form stores the
  // term in Variable's table under its name.
  TFuzzySet* ParseFuzzySet(TFuzzyVariable* Variable, const std::string& AString,
                           const TEncoding* Encoding) override;
  Intf<IFuzzySet> ParseFuzzySet(IFuzzyVariable* Variable, const std::string& AString,
                                const TEncoding* Encoding) override;

  // --- Printer (FuzzyPrettyPrinter.cpp)
  using TCustomFuzzyLogicParser::PrettyPrint;
  // AsDefinition: the whole term, "(term NAME ["COMMENT"] value)"; else the name, or the
  // expression of a set without one. Numbers print with a full stop whatever the locale.
  std::string PrettyPrint(const TFuzzySet* FuzzySet, bool AsDefinition) override;
  // The whole definition, its Defined sets in collection order.
  std::string PrettyPrint(const TFuzzyVariable* FuzzyVariable) override;
  // The same for the interface form; a set without a name prints as nothing by value, and a
  // variable's Defined sets print in ascending Index.
  std::string PrettyPrint(IFuzzySet* FuzzySet, bool AsDefinition) override;
  std::string PrettyPrint(IFuzzyVariable* FuzzyVariable) override;

  // --- Expression evaluator (FuzzyExpressionEvaluator.cpp)
  // Expressions are infix token lists over one variable V. Operands: a term name (V's own set,
  // not a copy), an empty name or "__Empty" (V's empty set), a number (a new crisp set), a
  // ?binding (the expression the logic's Variables list holds under that name, case-insensitive,
  // evaluated for V), a parenthesised point list or function call, and a token carrying a set
  // of the form evaluated (a TFuzzySet, or an IFuzzySet). Operators: the hedges, prefix, binding tightest and nearest first; the hedge
  // operators ("+", "<=X", ...) and the keywords ("and", "or-mean", ...), infix, on one level,
  // grouping from the left; LeftFuzzyParentheses and RightFuzzyParentheses group.
  //
  // Numbers, lists and the copies made before a hedge changes a Defined set are new sets of V,
  // keyword results are new sets of their left operand's variable, and a binding's value is
  // a clone when it is Defined; a set that is not Defined is hedged in place. Of the sets an
  // evaluation makes only its result stays: the others (operands used up by an operator, the
  // copies, results of inner steps, operands dropped) go when it ends, and when it fails all of
  // them; V's empty set counts among them when the evaluation had to make it. In the collection
  // form they are items of V's collection that the evaluation frees, each firing
  // OnFuzzySetDeleted; in the interface form no table holds them (none of them is Defined), and
  // they die with the evaluation's last reference. Sets it did not make (terms, an empty set V
  // already held, sets carried by tokens, a host's replacement for a function call or for the
  // result) stay as they are. Every error raises EFzyParseException through ParseError
  // ("EvalFuzzyExpression", or "ConvertListToValues" for point lists) and changes no term.
  //
  // Bindings may refer to other bindings. A binding met again while it is being evaluated
  // (?x with x=very ?x, or x=?y and y=?x) raises SFzyRecursiveBinding; chains longer than
  // kMaxBindingDepth raise SFzyBindingTooDeep; a binding without a linked logic component
  // raises SFzyBindingWithoutLogic. So no definition can recurse without bound. Each binding
  // is evaluated anew wherever it stands, so bindings that name others more than once
  // (c0=?c1 or ?c1, c1=?c2 or ?c2, ...) multiply the work with every level: all the bindings
  // one evaluation expands may hold kMaxBindingWork tokens together (each list counted with
  // its items), and more raise SFzyBindingWorkTooLarge naming the binding of the expression
  // that led there.
  //
  // The expression text of a keyword's result holds both operands' texts, so a chain of terms
  // or bindings that each name the one before twice doubles it at every step; a keyword whose
  // operands both carry texts longer than kMaxOperandText raises SFzyExpressionTextTooLong.
  using TCustomFuzzyLogicParser::EvalFuzzyExpression;

  static constexpr std::int32_t kMaxBindingDepth = 100;
  static constexpr std::int32_t kMaxBindingWork = 100000;
  static constexpr std::int32_t kMaxOperandText = 1024 * 1024;
  static constexpr TResString SFzyRecursiveBinding{"SFzyRecursiveBinding", "Binding refers to itself: %s"};
  static constexpr TResString SFzyBindingTooDeep{"SFzyBindingTooDeep",
                                                 "Bindings nested too deeply: more than %d levels"};
  static constexpr TResString SFzyBindingWithoutLogic{"SFzyBindingWithoutLogic",
                                                      "Binding needs a fuzzy logic component: %s"};
  // The arguments are the limit and the binding of the evaluated expression.
  static constexpr TResString SFzyBindingWorkTooLarge{
      "SFzyBindingWorkTooLarge", "Bindings expand to more than %d tokens: %s"};
  // The arguments are the keyword and the limit.
  static constexpr TResString SFzyExpressionTextTooLong{
      "SFzyExpressionTextTooLong", "Expression text too long: both operands of %s hold more than %d characters"};

  // The string form's set and its defuzzified value: MeanOfMaxima when the linked logic asks
  // for dmMeanOfMaxima, else CenterOfGravity. A handler of OnEvalExpression that leaves no set
  // gives FuzzySet nil and 0.
  TFzyFloat EvalFuzzyExpression(TFuzzyVariable* Variable, const std::string& Expression,
                                TFuzzySet*& FuzzySet) override;
  // Evaluates the tokens of Expression up to its end or up to a ")" that closes no group (the
  // rest is not read), over a token stream of its own.
  [[nodiscard]] TFuzzySet* EvalFuzzyExpression(TFuzzyVariable* Variable, const std::string& Expression) override;
  // Evaluates the token list of an expression for Variable; the list is left in postfix order
  // (and each function call in it without its name). An empty list gives V's empty set. Fires
  // OnEvalExpression with the postfix text; the handler may replace the result.
  [[nodiscard]] TFuzzySet* EvalFuzzyExpression(TFuzzyVariable* Variable, IFuzzyStreamTokenList* List);
  // The set of one operand (a nil token: V's empty set).
  [[nodiscard]] TFuzzySet* EvalFuzzyExpression(TFuzzyVariable* Variable, IFuzzyStreamToken* Token);
  // Adds the points of a list of (X Y) groups to FuzzySet, one by one; returns FuzzySet.
  TFuzzySet* ConvertListToValues(TFuzzySet* FuzzySet, IFuzzyStreamTokenList* List);

  // The same four and ConvertListToValues for the interface form, which fires
  // OnEvalExpressionIntf and makes its sets through IFuzzyVariable and IFuzzySet.
  TFzyFloat EvalFuzzyExpression(IFuzzyVariable* Variable, const std::string& Expression,
                                Intf<IFuzzySet>& FuzzySet) override;
  [[nodiscard]] Intf<IFuzzySet> EvalFuzzyExpression(IFuzzyVariable* Variable,
                                                    const std::string& Expression) override;
  [[nodiscard]] Intf<IFuzzySet> EvalFuzzyExpression(IFuzzyVariable* Variable, IFuzzyStreamTokenList* List);
  [[nodiscard]] Intf<IFuzzySet> EvalFuzzyExpression(IFuzzyVariable* Variable, IFuzzyStreamToken* Token);
  Intf<IFuzzySet> ConvertListToValues(IFuzzySet* FuzzySet, IFuzzyStreamTokenList* List);
  // Appends Source's items to Dest, expanding nested interface lists in place; an item that is
  // no token raises EIntfCastError.
  void FillExpression(const TInterfaceListPersistent* Source, IFuzzyStreamTokenList* Dest);
  // The bracket, operand and priority tests of the expression language, as PostFix callbacks
  // (the token-list form judges each token once by the same rules). A nil item is an operand
  // (the empty one); an item that is no token raises EIntfCastError in IsOperand and is
  // neither a bracket nor an operator in the others. Priorities: opening bracket 4 waiting and
  // 0 arriving, keywords and hedge operators 3 and 3, hedges 2 and 1, anything else 1 and 1.
  bool IsOpenParen(IInterface* Item) const;
  bool IsCloseParen(IInterface* Item) const;
  bool IsOperand(IInterface* Item) const;
  Integer InStackPriority(IInterface* Item) const;
  Integer IncomingPriority(IInterface* Item) const;
  // --- end of expression evaluator

  // The line of the current token and the text read so far in the current definition, for
  // errors; 0 and empty between calls.
  Integer GetLineNumber() override;
  std::string GetParsedText() override;

 protected:
  // A new token stream over Stream in Encoding; a descendant may return its own lexer.
  virtual std::unique_ptr<TFuzzyLogicTokenStream> CreateStream(std::unique_ptr<TStream> Stream,
                                                               const TEncoding* Encoding);

  // --- Stream forms: each reads from FStream, starting at its next token.
  // text = definition ...; each definition goes to the form of the linked logic component.
  void ParseFuzzyLogic();
  // definition = "(" "deffuzzy" NAME [COMMENT] clause ... ")"
  virtual TFuzzyVariable* ParseFuzzyVariable();
  virtual Intf<IFuzzyVariable> ParseFuzzyVariableIntf();
  // term = "(" "term" NAME [COMMENT] value ")"
  virtual TFuzzySet* ParseFuzzySet(TFuzzyVariable* Variable);
  virtual Intf<IFuzzySet> ParseFuzzySet(IFuzzyVariable* Variable);
  // value = point list | function call | expression
  virtual TFuzzySet* ParseFuzzyValues(TFuzzyVariable* Variable);
  virtual Intf<IFuzzySet> ParseFuzzyValues(IFuzzyVariable* Variable);
  // "(" point ... ")"
  virtual TFuzzySet* ParseFuzzyValuePairs(TFuzzyVariable* Variable);
  virtual Intf<IFuzzySet> ParseFuzzyValuePairs(IFuzzyVariable* Variable);
  // "(" NAME argument ... ")"
  virtual TFuzzySet* ParseFuzzyFunction(TFuzzyVariable* Variable);
  virtual Intf<IFuzzySet> ParseFuzzyFunction(IFuzzyVariable* Variable);
  // "(" Keyword NAME [COMMENT]: fills Name and Comment and returns the first token after them.
  // Msg is the message of a header that does not open with "(" Keyword; it is loaded only
  // when it is raised.
  virtual Intf<IFuzzyStreamToken> ParseHeader(std::string& Name, std::string& Comment, bool ReadComment,
                                              const std::string& Keyword, const std::string& MethodName,
                                              const TResString& Msg);
  // "FuzzySet" and the next GetUniqueID: the name of an interface set until its term names it.
  std::string GetUniqueName();
  // The tokens up to the end of the text or a ")" that closes no list (put back); each "("
  // becomes one list token carrying its nested list. Refuses more than
  // kMaxExpressionOperators operators.
  Intf<IFuzzyStreamTokenList> ParseTokenList();

  // The token stream of the call in progress; null between calls.
  TFuzzyLogicTokenStream* FStream = nullptr;

 private:
  friend struct detail::TCollectionForm;
  friend struct detail::TInterfaceForm;
  // Makes FStream the token stream over a text for the life of one entry-point call and puts
  // the stream of the enclosing call back on every way out (detail/StreamCall.h).
  friend class detail::TStreamCall;

  // --- The evaluations in progress (FuzzyExpressionEvaluator.cpp)
  // One token-list evaluation: the sets it made so far and, for the evaluation of a binding's
  // value, the evaluation that met the binding.
  struct TEvaluation;
  TEvaluation* FEvaluation = nullptr;
  // Set by a binding operand for the evaluation of the binding's value, which takes it as its
  // outer evaluation.
  TEvaluation* FBindingOuter = nullptr;
  // The innermost binding being evaluated, linked to the ones around it.
  const detail::TActiveBinding* FActiveBinding = nullptr;
  // A set the evaluation in progress made; freed when it ends unless it is the result.
  void AddWorkingSet(TFuzzySet* FuzzySet);
  // A set the evaluation in progress made that is no longer its to free.
  void ForgetWorkingSet(TFuzzySet* FuzzySet);
  // The end of the evaluation in progress, with the result before (Seen) and after its event.
  void FinishEvaluation(TFuzzySet* Seen, TFuzzySet* Result, TFuzzyVariable* Variable);

  // --- The twins, each written once over the form (TCollectionForm or TInterfaceForm)
  // The clauses of a definition from T (the token after its header) to its ")".
  template <typename TForm>
  void ParseClauses(Intf<IFuzzyStreamToken> First, typename TForm::TVariableRef V);
  template <typename TForm>
  typename TForm::TSetRef ParseFuzzySetOf(typename TForm::TVariableRef Variable);
  template <typename TForm>
  typename TForm::TSetRef ParseFuzzyValuesOf(typename TForm::TVariableRef Variable);
  template <typename TForm>
  typename TForm::TSetRef ParseFuzzyValuePairsOf(typename TForm::TVariableRef Variable);
  template <typename TForm>
  typename TForm::TSetRef ParseFuzzyFunctionOf(typename TForm::TVariableRef Variable);
  template <typename TForm>
  TFzyFloat EvalDefuzzified(typename TForm::TVariableRef Variable, const std::string& Expression,
                            typename TForm::TSetRef& FuzzySet);
  template <typename TForm>
  typename TForm::TSetRef EvalText(typename TForm::TVariableRef Variable, const std::string& Expression);
  template <typename TForm>
  typename TForm::TSetRef EvalList(typename TForm::TVariableRef Variable, IFuzzyStreamTokenList* List);
  template <typename TForm>
  typename TForm::TSetRef EvaluatePostfixOf(typename TForm::TVariableRef Variable,
                                            std::span<const detail::TExpressionItem> Postfix);
  template <typename TForm>
  typename TForm::TSetRef EvalOperand(typename TForm::TVariableRef Variable, IFuzzyStreamToken* Token);
  template <typename TForm>
  typename TForm::TSetRef EmptySetOf(typename TForm::TVariableRef Variable);
  template <typename TForm>
  typename TForm::TSetRef EvalBindingOf(typename TForm::TVariableRef Variable, IFuzzyStreamToken* Token);
  template <typename TForm>
  typename TForm::TSetRef ConvertListToValuesOf(typename TForm::TSet* FuzzySet, IFuzzyStreamTokenList* List);
  template <typename TForm>
  std::string PrettyPrintSet(const typename TForm::TSet* FuzzySet, bool AsDefinition);
  template <typename TForm>
  std::string PrettyPrintVariable(const typename TForm::TVariable* FuzzyVariable);
};

}  // namespace tarnwick

#endif  // TARNWICK_PARSER_KVFUZZYLOGICPARSER_H_
