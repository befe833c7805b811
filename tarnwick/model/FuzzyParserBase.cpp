#include "tarnwick/model/FuzzyParserBase.h"

#include "tarnwick/model/FuzzyLogicComponent.h"

namespace tarnwick {

namespace {
[[noreturn]] void RaiseAbstract() { throw EAbstractError(LoadResString(SAbstractError)); }
}  // namespace

EFzyParseException::~EFzyParseException() = default;

TCustomFuzzyLogicParser::~TCustomFuzzyLogicParser() = default;

void TCustomFuzzyLogicParser::SetFuzzyLogic(TCustomFuzzyLogic* Value) {
  if (Value == FFuzzyLogic) return;
  if (FFuzzyLogic != nullptr) FFuzzyLogic->RemoveFreeNotification(this);
  FFuzzyLogic = Value;
  if (FFuzzyLogic != nullptr) FFuzzyLogic->FreeNotification(this);
}

void TCustomFuzzyLogicParser::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent != nullptr && AComponent == static_cast<TComponent*>(FFuzzyLogic))
    SetFuzzyLogic(nullptr);
}

void TCustomFuzzyLogicParser::Parse(const std::string& AString, const TEncoding* Encoding) {
  if (FFuzzyLogic == nullptr) throw EFzyParseException(LoadResString(SFuzzyLogicNotSet));
  ParseFuzzyLogic(AString, Encoding);
}

void TCustomFuzzyLogicParser::ParseFuzzyLogic(const std::string&, const TEncoding*) { RaiseAbstract(); }
std::string TCustomFuzzyLogicParser::PrettyPrint(const TFuzzySet*, bool) { RaiseAbstract(); }
std::string TCustomFuzzyLogicParser::PrettyPrint(const TFuzzyVariable*) { RaiseAbstract(); }

}  // namespace tarnwick
