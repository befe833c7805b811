// Component streaming: its errors, the class registry, the event handlers a host names, and the
// shortcuts between a tree and its text. The reader and the writer live in ComponentReader.cpp
// and ComponentWriter.cpp.
#include "tarnwick/platform/ComponentStreaming.h"

#include <mutex>
#include <utility>

#include "tarnwick/platform/Format.h"
#include "tarnwick/platform/detail/Immortal.h"

namespace tarnwick {

EFilerError::~EFilerError() = default;

EComponentReadError::EComponentReadError(std::string Message, std::int32_t LineNumber, std::string PropertyPath)
    : EReadError(std::move(Message)), FLineNumber(LineNumber), FPropertyPath(std::move(PropertyPath)) {}
EComponentReadError::~EComponentReadError() = default;

ELoadedValueError::ELoadedValueError(std::string Message, std::string PropertyName)
    : EReadError(std::move(Message)), FPropertyName(std::move(PropertyName)) {}
ELoadedValueError::~ELoadedValueError() = default;

TFiler::~TFiler() = default;

// ---------------------------------------------------------------------------------------------
// Registry and event handlers

namespace {

struct TClassRegistry {
  TClassRegistry() { Classes.emplace("TComponent", TComponentClass::Of<TComponent>()); }
  std::mutex Lock;
  std::map<std::string, TComponentClass, std::less<>> Classes;
};

TClassRegistry& Registry() {
  static detail::TImmortal<TClassRegistry> Instance;
  return Instance.Get();
}

}  // namespace

void RegisterClass(const TComponentClass& Class) {
  const std::string Name = ClassNameOf(Class.Type());
  TClassRegistry& R = Registry();
  std::lock_guard<std::mutex> Guard(R.Lock);
  auto [It, Inserted] = R.Classes.emplace(Name, Class);
  if (!Inserted && !(It->second == Class)) throw EFilerError(Format(LoadResString(SDuplicateClass), {Name}));
}

bool FindClass(std::string_view Name, TComponentClass& Class) {
  TClassRegistry& R = Registry();
  std::lock_guard<std::mutex> Guard(R.Lock);
  auto It = R.Classes.find(Name);
  if (It == R.Classes.end()) return false;
  Class = It->second;
  return true;
}

TEventHandlers::TEventHandlers() = default;
TEventHandlers::~TEventHandlers() = default;

const std::any* TEventHandlers::Find(std::string_view Name) const {
  auto It = FHandlers.find(Name);
  return It == FHandlers.end() ? nullptr : &It->second;
}

// ---------------------------------------------------------------------------------------------
// Shortcuts

std::string ComponentToText(TComponent* Root) {
  TStringStream Stream;
  WriteComponent(&Stream, Root);
  return Stream.GetDataString();
}

void WriteComponent(TStream* Stream, TComponent* Root) { TWriter(Stream).WriteRootComponent(Root); }

TComponent* TextToComponent(std::string_view Text, TComponent* Root, TComponent* Owner) {
  return TReader(Text).ReadRootComponent(Root, Owner);
}

TComponent* ReadComponent(TStream* Stream, TComponent* Root, TComponent* Owner) {
  return TReader(Stream).ReadRootComponent(Root, Owner);
}

}  // namespace tarnwick
