// The abstract base of parser components: what a logic component, a variable or a set asks of
// a parser (parse a whole text, a variable or a set; evaluate an expression; print a set or a
// variable), in the collection-based and the interface-based form; the built-in membership
// functions "pi", "tri", "s", "z" and "beta"; the format of parse errors; and EFzyParseException.
//
// Links. A parser refers to one logic component (FuzzyLogic) and hears of its death through
// free notification, as the logic hears of the parser's; whichever dies first, the other's
// link is cleared. Each side sets only its own link: the host links both.
//
// Overloads. Most operations come in several forms under one name (CalcFuzzyFunction,
// ParseError, EvalFuzzyExpression, ParseFuzzySet, PrettyPrint). A descendant that overrides
// one form hides the others in its own scope; it brings them back with
// `using TCustomFuzzyLogicParser::PrettyPrint;` (and so on) where it calls them. A
// TIFuzzySet is both a TFuzzySet and an IFuzzySet: cast it to the form meant when calling.
#ifndef TARNWICK_MODEL_FUZZYPARSERBASE_H_
#define TARNWICK_MODEL_FUZZYPARSERBASE_H_

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <utility>

#include "tarnwick/model/FuzzyConsts.h"
#include "tarnwick/model/FuzzyInterfaces.h"
#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/model/FuzzyVariable.h"
#include "tarnwick/platform/Component.h"
#include "tarnwick/platform/Events.h"
#include "tarnwick/platform/Format.h"
#include "tarnwick/platform/Types.h"

namespace tarnwick {

class TEncoding;
class TCustomFuzzyLogic;

// Raised when a built-in membership function is asked to fill no set at all (a caller's
// fault: the parser always passes the new set of the term).
inline constexpr TResString SFuzzyFunctionSetMissing{"SFuzzyFunctionSetMissing",
                                                     "No fuzzy set to fill for function, %s"};

// A parse error; LineNumber is the line the parser had reached (0 where none applies).
class TARNWICK_EXPORT EFzyParseException : public EFzyException {
 public:
  using EFzyException::EFzyException;
  ~EFzyParseException() override;
  std::int32_t GetLineNumber() const noexcept { return FLineNumber; }
  void SetLineNumber(std::int32_t Value) noexcept { FLineNumber = Value; }

 private:
  std::int32_t FLineNumber = 0;
};

// Operations called "abstract" below raise EAbstractError ("Abstract Error") here; the concrete
// parser implements them. Seen through IFuzzyParser, the interface's six operations are the
// interface-based EvalFuzzyExpression (both), ParseFuzzySet, ParseFuzzyVariableIntf and
// PrettyPrint (both), so a descendant's override serves both ways in. The interface counts
// nothing: a reference to it never keeps the parser alive.
class TARNWICK_EXPORT TCustomFuzzyLogicParser : public TComponent, public virtual IFuzzyParser {
 public:
  using TComponent::TComponent;
  ~TCustomFuzzyLogicParser() override;

  TCustomFuzzyLogic* GetFuzzyLogic() const noexcept { return FFuzzyLogic; }
  // Links this side only; the logic's own link to the parser is the host's to set. The class
  // of Value is not checked here (the concrete parser checks it when it parses).
  void SetFuzzyLogic(TCustomFuzzyLogic* Value);

  // --- Events, each fired only when assigned
  // Before the built-in function, collection-based form (CalcFuzzyFunction's entry).
  const TCalcFuzzyFunctionEvent& GetOnCalcFuzzyFunction() const noexcept { return FOnCalcFuzzyFunction; }
  void SetOnCalcFuzzyFunction(TCalcFuzzyFunctionEvent Value) { FOnCalcFuzzyFunction = std::move(Value); }
  // The same, interface-based form.
  const TCalcFuzzyIntfFunctionEvent& GetOnCalcFuzzyIntfFunction() const noexcept {
    return FOnCalcFuzzyIntfFunction;
  }
  void SetOnCalcFuzzyIntfFunction(TCalcFuzzyIntfFunctionEvent Value) {
    FOnCalcFuzzyIntfFunction = std::move(Value);
  }
  // An expression was evaluated; the handler may replace the result.
  const TFuzzyExpressionEvent& GetOnEvalExpression() const noexcept { return FOnEvalExpression; }
  void SetOnEvalExpression(TFuzzyExpressionEvent Value) { FOnEvalExpression = std::move(Value); }
  const TIFuzzyExpressionEvent& GetOnEvalExpressionIntf() const noexcept { return FOnEvalExpressionIntf; }
  void SetOnEvalExpressionIntf(TIFuzzyExpressionEvent Value) { FOnEvalExpressionIntf = std::move(Value); }
  // Before and after Parse reads a whole text (OnParsed only after a parse without error).
  const TNotifyEvent& GetOnParsing() const noexcept { return FOnParsing; }
  void SetOnParsing(TNotifyEvent Value) { FOnParsing = std::move(Value); }
  const TNotifyEvent& GetOnParsed() const noexcept { return FOnParsed; }
  void SetOnParsed(TNotifyEvent Value) { FOnParsed = std::move(Value); }
  // A term or a definition was read, in either form.
  const TFuzzySetEvent& GetOnParseFuzzySet() const noexcept { return FOnParseFuzzySet; }
  void SetOnParseFuzzySet(TFuzzySetEvent Value) { FOnParseFuzzySet = std::move(Value); }
  const TFuzzyVariableEvent& GetOnParseFuzzyVariable() const noexcept { return FOnParseFuzzyVariable; }
  void SetOnParseFuzzyVariable(TFuzzyVariableEvent Value) { FOnParseFuzzyVariable = std::move(Value); }
  const TIFuzzySetEvent& GetOnParseFuzzySetIntf() const noexcept { return FOnParseFuzzySetIntf; }
  void SetOnParseFuzzySetIntf(TIFuzzySetEvent Value) { FOnParseFuzzySetIntf = std::move(Value); }
  const TIFuzzyVariableEvent& GetOnParseFuzzyVariableIntf() const noexcept { return FOnParseFuzzyVariableIntf; }
  void SetOnParseFuzzyVariableIntf(TIFuzzyVariableEvent Value) { FOnParseFuzzyVariableIntf = std::move(Value); }

  // --- The virtual operations, in slot order

  // 1, 2. The built-in membership functions: fill Result, a set the caller made for the term,
  // with the shape FuncName names (exactly, case-sensitively: "pi", "tri", "s", "z", "beta").
  // The arguments must all be numbers (integer or float tokens) and their count must fit
  // the name; N points per curve come from the linked logic (7 without one). A wrong type,
  // a wrong count or an unknown name raises EFzyParseException through ParseError, with
  // Result untouched; errors of the shape operations pass through. The interface-based form
  // reports an unknown name just as the collection-based one does.
  virtual void CalcFuzzyFunction(const std::string& FuncName, IFuzzyStreamTokenList* List, TFuzzySet*& Result);
  virtual void CalcFuzzyFunction(const std::string& FuncName, IFuzzyStreamTokenList* List,
                                 Intf<IFuzzySet>& Result);
  // 3. Abstract: reads a whole definition text into the linked logic component.
  virtual void ParseFuzzyLogic(const std::string& AString, const TEncoding* Encoding);
  // 4. Raises EFzyParseException with SFzyParseError filled with Msg, MethodName, LineNumber
  // and Text (a Text over 255 code points is cut to its first 128, "... ", CR LF and its last
  // 128), its LineNumber set. It never returns, and an override must not return either
  // (a virtual function cannot be [[noreturn]]); the two plain forms below raise the base's
  // error themselves should an override return.
  virtual void ParseError(const std::string& MethodName, const std::string& Msg, const std::string& Text,
                          Integer LineNumber);
  // 5, 6. Abstract: evaluates Expression for Variable (interface-based form); the first form
  // delivers the set and returns its defuzzified value.
  TFzyFloat EvalFuzzyExpression(IFuzzyVariable* Variable, const std::string& Expression,
                                Intf<IFuzzySet>& FuzzySet) override;
  [[nodiscard]] Intf<IFuzzySet> EvalFuzzyExpression(IFuzzyVariable* Variable, const std::string& Expression) override;
  // 7, 8. Abstract: the same, collection-based form.
  virtual TFzyFloat EvalFuzzyExpression(TFuzzyVariable* Variable, const std::string& Expression,
                                        TFuzzySet*& FuzzySet);
  [[nodiscard]] virtual TFuzzySet* EvalFuzzyExpression(TFuzzyVariable* Variable, const std::string& Expression);
  // 9, 10. Abstract: reads one term or one variable definition (interface-based form).
  Intf<IFuzzySet> ParseFuzzySet(IFuzzyVariable* Variable, const std::string& AString,
                                const TEncoding* Encoding) override;
  Intf<IFuzzyVariable> ParseFuzzyVariableIntf(const std::string& AString, const TEncoding* Encoding) override;
  // 11. The entry logic components call. Raises EFzyParseException SFuzzyLogicNotSet (line 0)
  // without a linked logic; otherwise OnParsing, ParseFuzzyLogic, then OnParsed (only when
  // ParseFuzzyLogic returned: its errors pass through).
  virtual void Parse(const std::string& AString, const TEncoding* Encoding);
  // 12, 13. Abstract: reads one term or one variable definition (collection-based form).
  virtual TFuzzySet* ParseFuzzySet(TFuzzyVariable* Variable, const std::string& AString,
                                   const TEncoding* Encoding);
  virtual TFuzzyVariable* ParseFuzzyVariable(const std::string& AString, const TEncoding* Encoding);
  // 14, 15. Abstract: the printed form of a set (as a whole "term" definition or only its
  // value) or of a variable, interface-based form.
  std::string PrettyPrint(IFuzzySet* FuzzySet, bool AsDefinition) override;
  std::string PrettyPrint(IFuzzyVariable* FuzzyVariable) override;
  // 16, 17. Abstract: the same, collection-based form.
  virtual std::string PrettyPrint(const TFuzzySet* FuzzySet, bool AsDefinition);
  virtual std::string PrettyPrint(const TFuzzyVariable* FuzzyVariable);

  // The text parsed so far and the current line, for error messages: empty and 0 here.
  virtual std::string GetParsedText();
  virtual Integer GetLineNumber();

  // --- Entries for a function call of a definition
  // Result := FuzzySet; OnCalcFuzzyFunction may replace Result and set Handled; unless it set
  // Handled, the built-in function (the virtual form) fills FuzzySet, not the handler's
  // Result. Returns Result.
  TFuzzySet* CalcFuzzyFunction(TFuzzySet* FuzzySet, const std::string& FuncName, IFuzzyStreamTokenList* List);
  // The same with OnCalcFuzzyIntfFunction and the interface-based built-in function.
  Intf<IFuzzySet> CalcFuzzyFunction(IFuzzySet* FuzzySet, const std::string& FuncName,
                                    IFuzzyStreamTokenList* List);

  // True when every token of List (in order, through GetValueCount and Get) has a DataType in
  // Types; stops at the first that has not. An empty or missing list gives true; a nil item
  // gives false.
  bool VerifyAll(IFuzzyStreamTokenList* List, TFuzzyStreamTokenTypes Types) const;

  // --- Parse errors with the text parsed so far and the current line
  // Reads GetParsedText, then GetLineNumber, and raises through the virtual ParseError.
  [[noreturn]] void ParseError(const std::string& MethodName, const std::string& Msg);
  // Formats Msg printf-style with Args first.
  [[noreturn]] void ParseError(const std::string& MethodName, const std::string& Msg,
                               std::span<const TVarRec> Args);
  [[noreturn]] void ParseError(const std::string& MethodName, const std::string& Msg,
                               std::initializer_list<TVarRec> Args) {
    ParseError(MethodName, Msg, std::span<const TVarRec>(Args.begin(), Args.size()));
  }

 protected:
  // Clears the link when the linked logic component dies (or leaves this parser as owner).
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void* GetInterface(const TGUID& IID) noexcept override;

  // Every event fires through one of these; the parsing events carry this parser as Sender
  // where their type has one (the interface-based set event carries the variable).
  void DoParsing();
  void DoParsed();
  void DoCalcFuzzyFunction(const std::string& FuncName, IFuzzyStreamTokenList* List, TFuzzySet*& Result,
                           bool& Handled);
  void DoCalcFuzzyIntfFunction(const std::string& FuncName, IFuzzyStreamTokenList* List,
                               Intf<IFuzzySet>& Result, bool& Handled);
  void DoParseFuzzySet(TFuzzySet* FuzzySet);
  void DoParseFuzzyVariable(TFuzzyVariable* FuzzyVariable);
  void DoParseFuzzySetIntf(IFuzzyVariable* Variable, IFuzzySet* FuzzySet);
  void DoParseFuzzyVariableIntf(IFuzzyVariable* FuzzyVariable);
  void DoEvalExpression(TFuzzyVariable* FuzzyVariable, const std::string& Expression, TFuzzySet*& Result);
  void DoEvalExpressionIntf(IFuzzyVariable* Variable, const std::string& Expression, Intf<IFuzzySet>& Result);

 private:
  struct TBuiltInCall;

  // Checks a built-in call and decodes it; false for a name that is none of the five. Raises
  // the type and count errors.
  bool ResolveBuiltIn(const std::string& FuncName, IFuzzyStreamTokenList* List, TBuiltInCall& Call);
  // Runs a checked call's shape operation on a TFuzzySet or an IFuzzySet (used in the .cpp only).
  template <typename TSetLike>
  static void ApplyBuiltIn(const TBuiltInCall& Call, TSetLike& Set);
  // The base's form of the virtual ParseError.
  [[noreturn]] static void RaiseParseError(const std::string& MethodName, const std::string& Msg,
                                           const std::string& Text, Integer LineNumber);

  TFuzzySetEvent FOnParseFuzzySet;
  TFuzzyVariableEvent FOnParseFuzzyVariable;
  TCustomFuzzyLogic* FFuzzyLogic = nullptr;
  TFuzzyExpressionEvent FOnEvalExpression;
  TCalcFuzzyFunctionEvent FOnCalcFuzzyFunction;
  TIFuzzySetEvent FOnParseFuzzySetIntf;
  TIFuzzyVariableEvent FOnParseFuzzyVariableIntf;
  TCalcFuzzyIntfFunctionEvent FOnCalcFuzzyIntfFunction;
  TIFuzzyExpressionEvent FOnEvalExpressionIntf;
  TNotifyEvent FOnParsed;
  TNotifyEvent FOnParsing;
};

}  // namespace tarnwick

#endif  // TARNWICK_MODEL_FUZZYPARSERBASE_H_
