// The published properties of the model, in the order component streaming writes and reads
// them: points, sets, variables and the logic component of the collection-based form, and the
// variable and logic component of the interface-based form (whose set publishes what TFuzzySet
// does).
//
// A value is left out of a stream only when it equals what the object holds when streaming
// creates it, for reading takes every other value from the object's creation. So:
//   - a point's X is always stored: a new point starts one past the last point's X, not at 0;
//   - a variable's Maximum is always stored (a new variable's range ends at 1), and so is its
//     Threshold (a variable joining a logic component takes the component's);
//   - the logic component's Threshold is always stored (it starts at 0.01).
// Y, Minimum and the strings start at 0 and empty and are stored only when they differ.
#include <string>

#include "tarnwick/model/FuzzyLogicComponent.h"
#include "tarnwick/model/FuzzyParserBase.h"
#include "tarnwick/model/FuzzyPublished.h"
#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/model/FuzzySetValues.h"
#include "tarnwick/model/FuzzyVariable.h"
#include "tarnwick/model/IFuzzyLogicComponent.h"
#include "tarnwick/model/IFuzzyVariable.h"
#include "tarnwick/platform/ComponentStreaming.h"
#include "tarnwick/platform/TypInfo.h"

namespace tarnwick {

const TClassInfo* TFuzzySetValue::ClassInfo() const {
  static const TPropInfo Props[] = {Property<&TFuzzySetValue::GetX, &TFuzzySetValue::SetX>("X"),
                                    Property<&TFuzzySetValue::GetY, &TFuzzySetValue::SetY>("Y").Default(0.0)};
  static const TClassInfo Info(TCollectionItem::ClassInfo(), Props);
  return &Info;
}

// Reading SetType stores the type and keeps the points just read (TFuzzySet::SetSetType does
// not regenerate while a stream is read), so a stored shape comes back as it was written. The
// interface set publishes the same properties (its Values are its TIFSValues).
const TClassInfo* TFuzzySet::ClassInfo() const {
  static const TPropInfo Props[] = {
      Property<&TFuzzySet::GetDefined, &TFuzzySet::SetDefined>("Defined"),
      Property<&TFuzzySet::GetValues, &TFuzzySet::SetValues>("Values"),
      Property<&TFuzzySet::GetName, &TFuzzySet::SetName>("Name").Default(""),
      Property<&TFuzzySet::GetComment, &TFuzzySet::SetComment>("Comment").Default(""),
      Property<&TFuzzySet::GetSetType, &TFuzzySet::SetSetType>("SetType", FuzzySetTypeInfo),
      Property<&TFuzzySet::GetTag, &TFuzzySet::SetTag>("Tag")};
  static const TClassInfo Info(TGCollectionItem::ClassInfo(), Props);
  return &Info;
}

// The printer writes a set by its expression, or a beta curve by its arguments, only with the
// expression and the inflection point the set was made with; neither is published, so the set
// stores them as values of its own, after its properties (reading the points empties the
// expression, so it must come after them).
void TFuzzySet::DefineProperties(TFiler* Filer) {
  TGCollectionItem::DefineProperties(Filer);
  Filer->DefineProperty(
      "Expression", [this](TReader& Reader) { FExpression = Reader.ReadString(); },
      [this](TWriter& Writer) { Writer.WriteString(FExpression); }, !FExpression.empty());
  Filer->DefineProperty(
      "InflectionPoint", [this](TReader& Reader) { FInflectionPoint = Reader.ReadFloat(); },
      [this](TWriter& Writer) { Writer.WriteFloat(FInflectionPoint); }, FInflectionPoint != 0);
}

// ItemIndex comes before Items: it is read while the variable has no sets of the stream yet,
// and the sets are read through the platform collection's Add, which leaves it alone, so the
// stored index survives until a change of the sets clamps it.
const TClassInfo* TFuzzyVariable::ClassInfo() const {
  static const TPropInfo Props[] = {
      Property<&TFuzzyVariable::GetItemIndex, &TFuzzyVariable::SetItemIndex>("ItemIndex"),
      Property<&TFuzzyVariable::GetMaximum, &TFuzzyVariable::SetMaximum>("Maximum"),
      Property<&TFuzzyVariable::GetMinimum, &TFuzzyVariable::SetMinimum>("Minimum").Default(0.0),
      Property<&TFuzzyVariable::GetItems, &TFuzzyVariable::SetItems>("Items"),
      Property<&TFuzzyVariable::GetName, &TFuzzyVariable::SetName>("Name").Default(""),
      Property<&TFuzzyVariable::GetUnits, &TFuzzyVariable::SetUnits>("Units").Default(""),
      Property<&TFuzzyVariable::GetComment, &TFuzzyVariable::SetComment>("Comment").Default(""),
      Property<&TFuzzyVariable::GetThreshold, &TFuzzyVariable::SetThreshold>("Threshold")};
  static const TClassInfo Info(TGCollectionItem::ClassInfo(), Props);
  return &Info;
}

// Strings is read while loading, so its text is stored and not parsed; TFuzzyLogic's variables
// come from Items, for it has no Loaded of its own.
//
// The text is stored when it can be had: up to date, or printable through the linked parser.
// A text out of date without a parser is left out (reading it would raise), and reading the
// stream then leaves it out of date again, as the stored Items mark it.
namespace {
bool IsTextAvailable(TObject* Instance) {
  const auto& Logic = dynamic_cast<const TCustomFuzzyLogic&>(*Instance);
  return !Logic.GetNeedsUpdate() || Logic.GetParser() != nullptr;
}
}  // namespace

const TClassInfo* TFuzzyLogic::ClassInfo() const {
  static const TPropInfo Props[] = {
      Property<&TFuzzyLogic::GetAutoTerms, &TFuzzyLogic::SetAutoTerms>("AutoTerms").Default(true),
      Property<&TFuzzyLogic::GetCorrelationMethod, &TFuzzyLogic::SetCorrelationMethod>("CorrelationMethod",
                                                                                       FuzzyCorrelationMethodInfo)
          .Default(fcmMinimum),
      Property<&TFuzzyLogic::GetThreshold, &TFuzzyLogic::SetThreshold>("Threshold"),
      Property<&TFuzzyLogic::GetVariables, &TFuzzyLogic::SetVariables>("Variables"),
      Property<&TFuzzyLogic::GetItems, &TFuzzyLogic::SetItems>("Items"),
      Property<&TFuzzyLogic::GetOnVariableChange, &TFuzzyLogic::SetOnVariableChange>("OnVariableChange"),
      Property<&TFuzzyLogic::GetOnVariableAdded, &TFuzzyLogic::SetOnVariableAdded>("OnVariableAdded"),
      Property<&TFuzzyLogic::GetOnVariableDeleted, &TFuzzyLogic::SetOnVariableDeleted>("OnVariableDeleted"),
      Property<&TFuzzyLogic::GetOnFuzzySetChange, &TFuzzyLogic::SetOnFuzzySetChange>("OnFuzzySetChange"),
      Property<&TFuzzyLogic::GetOnFuzzySetAdded, &TFuzzyLogic::SetOnFuzzySetAdded>("OnFuzzySetAdded"),
      Property<&TFuzzyLogic::GetOnFuzzySetDeleted, &TFuzzyLogic::SetOnFuzzySetDeleted>("OnFuzzySetDeleted"),
      Property<&TFuzzyLogic::GetDefuzzificationMethod, &TFuzzyLogic::SetDefuzzificationMethod>(
          "DefuzzificationMethod", DefuzzificationMethodInfo)
          .Default(dmCenterOfGravity),
      Property<&TFuzzyLogic::GetNumFunctionValues, &TFuzzyLogic::SetNumFunctionValues>("NumFunctionValues")
          .Default(kDefaultNumFunctionValues),
      Property<&TFuzzyLogic::GetParser, &TFuzzyLogic::SetParser>("Parser"),
      Property<&TFuzzyLogic::GetOnChange, &TFuzzyLogic::SetOnChange>("OnChange"),
      Property<&TFuzzyLogic::GetStrings, &TFuzzyLogic::SetStrings>("Strings").StoredWhen(&IsTextAvailable),
      Property<&TFuzzyLogic::GetInferenceMethod, &TFuzzyLogic::SetInferenceMethod>("InferenceMethod",
                                                                                   FuzzyInferenceMethodInfo)
          .Default(fimMinMax)};
  static const TClassInfo Info(TComponent::ClassInfo(), Props);
  return &Info;
}

// The interface logic component stores no variables: Loaded parses them from the stored
// Strings, which is therefore stored whenever it can be had (as for TFuzzyLogic).
const TClassInfo* TIFuzzyLogic::ClassInfo() const {
  using L = TIFuzzyLogic;
  static const TPropInfo Props[] = {
      Property<&L::GetAutoTerms, &L::SetAutoTerms>("AutoTerms").Default(true),
      Property<&L::GetCorrelationMethod, &L::SetCorrelationMethod>("CorrelationMethod", FuzzyCorrelationMethodInfo)
          .Default(fcmMinimum),
      Property<&L::GetThreshold, &L::SetThreshold>("Threshold"),
      Property<&L::GetOnVariableAdded, &L::SetOnVariableAdded>("OnVariableAdded"),
      Property<&L::GetOnVariableDeleted, &L::SetOnVariableDeleted>("OnVariableDeleted"),
      Property<&L::GetOnFuzzySetAdded, &L::SetOnFuzzySetAdded>("OnFuzzySetAdded"),
      Property<&L::GetOnFuzzySetDeleted, &L::SetOnFuzzySetDeleted>("OnFuzzySetDeleted"),
      Property<&L::GetOnVariableChange, &L::SetOnVariableChange>("OnVariableChange"),
      Property<&L::GetOnFuzzySetChange, &L::SetOnFuzzySetChange>("OnFuzzySetChange"),
      Property<&L::GetDefuzzificationMethod, &L::SetDefuzzificationMethod>("DefuzzificationMethod",
                                                                           DefuzzificationMethodInfo)
          .Default(dmCenterOfGravity),
      Property<&L::GetNumFunctionValues, &L::SetNumFunctionValues>("NumFunctionValues")
          .Default(kDefaultNumFunctionValues),
      Property<&L::GetParser, &L::SetParser>("Parser"),
      Property<&L::GetOnChange, &L::SetOnChange>("OnChange"),
      Property<&L::GetVariables, &L::SetVariables>("Variables"),
      Property<&L::GetStrings, &L::SetStrings>("Strings").StoredWhen(&IsTextAvailable),
      Property<&L::GetInferenceMethod, &L::SetInferenceMethod>("InferenceMethod", FuzzyInferenceMethodInfo)
          .Default(fimMinMax)};
  static const TClassInfo Info(TComponent::ClassInfo(), Props);
  return &Info;
}

// An interface variable is stored by its settings and links only: its sets come from the
// definition text that the interface logic component parses once loaded. Maximum is always
// stored, for a new variable's range ends at 1.
const TClassInfo* TIFuzzyVariable::ClassInfo() const {
  using V = TIFuzzyVariable;
  static const TPropInfo Props[] = {
      Property<&V::GetComment, &V::SetComment>("Comment").Default(""),
      Property<&V::GetDefuzzificationMethod, &V::SetDefuzzificationMethod>("DefuzzificationMethod",
                                                                           DefuzzificationMethodInfo),
      Property<&V::GetMaximum, &V::SetMaximum>("Maximum"),
      Property<&V::GetMinimum, &V::SetMinimum>("Minimum").Default(0.0),
      Property<&V::GetName, &V::SetName>("Name").Default(""),
      Property<&V::GetUnits, &V::SetUnits>("Units").Default(""),
      Property<&V::GetNumFunctionValues, &V::SetNumFunctionValues>("NumFunctionValues")
          .Default(kDefaultNumFunctionValues),
      Property<&V::GetOnChange, &V::SetOnChange>("OnChange"),
      Property<&V::GetOnVariableChange, &V::SetOnVariableChange>("OnVariableChange"),
      Property<&V::GetOnFuzzySetAdded, &V::SetOnFuzzySetAdded>("OnFuzzySetAdded"),
      Property<&V::GetOnFuzzySetDeleted, &V::SetOnFuzzySetDeleted>("OnFuzzySetDeleted"),
      Property<&V::GetOnFuzzySetChange, &V::SetOnFuzzySetChange>("OnFuzzySetChange"),
      Property<&V::GetParser, &V::SetParser>("Parser"),
      Property<&V::GetItems, &V::SetItems>("Items"),
      Property<&V::GetTag, &V::SetTag>("Tag"),
      Property<&V::GetThreshold, &V::SetThreshold>("Threshold").Default(0.0)};
  static const TClassInfo Info(TIFuzzyVariablePersistent::ClassInfo(), Props);
  return &Info;
}

}  // namespace tarnwick
