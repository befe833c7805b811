// The abstract base of parser components: what a logic component, a variable or a set asks of
// a parser (parse a whole text, print a set or a variable), the built-in membership functions
// and the format of parse errors.
#ifndef TARNWICK_MODEL_FUZZYPARSERBASE_H_
#define TARNWICK_MODEL_FUZZYPARSERBASE_H_

#include <cstdint>
#include <string>

#include "tarnwick/model/FuzzyConsts.h"
#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/model/FuzzyVariable.h"
#include "tarnwick/platform/Component.h"

namespace tarnwick {

class TEncoding;
class TCustomFuzzyLogic;

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

class TARNWICK_EXPORT TCustomFuzzyLogicParser : public TComponent {
 public:
  using TComponent::TComponent;
  ~TCustomFuzzyLogicParser() override;

  TCustomFuzzyLogic* GetFuzzyLogic() const noexcept { return FFuzzyLogic; }
  // Links this side only; the logic's own link to the parser is the host's to set.
  void SetFuzzyLogic(TCustomFuzzyLogic* Value);

  // Reads a whole definition text into the linked logic component.
  virtual void Parse(const std::string& AString, const TEncoding* Encoding);
  virtual void ParseFuzzyLogic(const std::string& AString, const TEncoding* Encoding);
  virtual std::string PrettyPrint(const TFuzzySet* FuzzySet, bool AsDefinition);
  virtual std::string PrettyPrint(const TFuzzyVariable* FuzzyVariable);

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TCustomFuzzyLogic* FFuzzyLogic = nullptr;
};

}  // namespace tarnwick

#endif  // TARNWICK_MODEL_FUZZYPARSERBASE_H_
