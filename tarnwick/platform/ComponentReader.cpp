// The reader of component streams: the parsed text (ComponentTextParser.cpp) applied to
// components.
#include <algorithm>
#include <exception>
#include <limits>
#include <unordered_set>
#include <utility>
#include <vector>

#include "tarnwick/platform/ComponentStreaming.h"
#include "tarnwick/platform/Format.h"
#include "tarnwick/platform/ScopeGuard.h"
#include "tarnwick/platform/Strings.h"
#include "tarnwick/platform/SysUtils.h"
#include "tarnwick/platform/detail/ComponentText.h"

namespace tarnwick {

using namespace detail::streaming;

// ---------------------------------------------------------------------------------------------
// Reader

struct TReader::TImpl {
  std::string Text;

  // A reference to resolve once the tree is read.
  struct TFixup {
    TPersistent* Instance;
    const TPropInfo* Prop;
    std::string Name;  // empty for nil
    std::int32_t Line;
    std::string Path;
  };

  std::vector<TComponent*> Created;  // in the order of creation
  // Every component read, in the order reading began, with its block and path.
  struct TLoading {
    TComponent* Component;
    const TObjectNode* Node;
    std::string Path;
  };
  std::vector<TLoading> Loading;
  std::vector<TFixup> Fixups;

  // The value a DefineProperty reader reads: frames over the values of nested lists.
  struct TFrame {
    const TValueNode* Values;
    std::size_t Count;
    std::size_t Index;
  };
  std::vector<TFrame> Frames;
  std::string DefinedName;
  bool DefinedFound = false;
  std::int32_t ValueLine = 0;
  std::string ValuePath;
};

TReader::TReader(TStream* Stream) : FImpl(std::make_unique<TImpl>()) {
  const std::int64_t Position = Stream->GetPosition();
  const std::int64_t Size = Stream->GetSize();
  if (Size > Position) {
    FImpl->Text.resize(static_cast<std::size_t>(Size - Position));
    Stream->ReadBuffer(FImpl->Text.data(), Size - Position);
  }
}

TReader::TReader(std::string_view Text) : FImpl(std::make_unique<TImpl>()) { FImpl->Text.assign(Text); }

TReader::~TReader() = default;

namespace {

// The work of one ReadRootComponent: the parsed tree applied to components.
class TTreeReader {
 public:
  TTreeReader(TReader& Reader, TReader::TImpl& Impl, const TEventHandlers* Events, const TFindComponentEvent& OnFind)
      : FReader(Reader), FImpl(Impl), FEvents(Events), FOnFind(OnFind) {}

  TComponent* Run(const TObjectNode& Node, TComponent* Root, TComponent* Owner, TComponent*& RootOut) {
    const std::string Path = Shorten(Node.Name.empty() ? Node.ClassName : Node.Name);
    TComponent* Result = Root;
    if (Result == nullptr) {
      Result = Create(Node, Owner, Path);
    } else if (!IsOfClass(Result, Node.ClassName)) {
      RaiseReadError(Node.Line, Path,
                     Format(LoadResString(SStreamClassMismatch), {Shorten(Node.ClassName), Result->ClassName()}));
    }
    RootOut = Result;
    FRoot = Result;
    ReadObject(Node, Result, Path);
    ResolveFixups();
    return Result;
  }

  // A read that failed: the components read into leave the loading state without Loaded, and
  // those the read created are freed, the most recent first (so a child before its owner).
  void Rollback() noexcept {
    for (const auto& L : FImpl.Loading) L.Component->CancelLoading();
    DeleteCreated();
  }

  void DeleteCreated() noexcept {
    while (!FImpl.Created.empty()) {
      TComponent* C = FImpl.Created.back();
      FImpl.Created.pop_back();
      delete C;
    }
  }

 private:
  // True when Instance is of the class named ClassName: that very class, or a registered one
  // that Instance derives from.
  static bool IsOfClass(const TComponent* Instance, const std::string& ClassName) {
    if (Instance->ClassName() == ClassName) return true;
    TComponentClass Class;
    return FindClass(ClassName, Class) && Class.IsInstance(Instance);
  }

  TComponent* Create(const TObjectNode& Node, TComponent* Owner, const std::string& Path) {
    TComponentClass Class;
    if (!FindClass(Node.ClassName, Class))
      RaiseReadError(Node.Line, Path, Format(LoadResString(SClassNotFound), {Shorten(Node.ClassName)}));
    TComponent* C = nullptr;
    try {
      C = Class.Create(Owner);
    } catch (const EComponentReadError&) {
      throw;
    } catch (const Exception& E) {
      RaiseReadError(Node.Line, Path, E.what());
    }
    FImpl.Created.push_back(C);
    return C;
  }

  bool IsBeingRead(const TComponent* C) const {
    return FBeingRead.count(C) != 0;
  }

  void ReadObject(const TObjectNode& Node, TComponent* Instance, const std::string& Path) {
    FBeingRead.insert(Instance);
    FImpl.Loading.push_back({Instance, &Node, Path});
    Instance->BeginLoading();
    if (Instance->GetName() != Node.Name) {
      try {
        Instance->SetName(Node.Name);
      } catch (const Exception& E) {
        RaiseReadError(Node.Line, Path, E.what());
      }
    }
    for (const TPropNode& P : Node.Props) ReadProperty(Instance, P, Path);
    for (const TObjectNode& Child : Node.Children) {
      const std::string ChildPath = Path + "." + Shorten(Child.Name.empty() ? Child.ClassName : Child.Name);
      TComponent* C = Child.Name.empty() ? nullptr : Instance->FindComponent(Child.Name);
      if (C != nullptr) {
        if (IsBeingRead(C))
          RaiseReadError(Child.Line, ChildPath, Format(LoadResString(SDuplicateName), {Shorten(Child.Name)}));
        if (!IsOfClass(C, Child.ClassName))
          RaiseReadError(Child.Line, ChildPath,
                         Format(LoadResString(SStreamClassMismatch), {Shorten(Child.ClassName), C->ClassName()}));
      } else {
        C = Create(Child, Instance, ChildPath);
      }
      ReadObject(Child, C, ChildPath);
    }
  }

  void ReadProperty(TPersistent* Instance, const TPropNode& P, const std::string& ObjPath) {
    const std::string Path = ObjPath + "." + Shorten(P.Name);
    try {
      TPersistent* Target = Instance;
      std::string_view Rest = P.Name;
      for (std::size_t Dot = Rest.find('.'); Dot != std::string_view::npos; Dot = Rest.find('.')) {
        const std::string_view Part = Rest.substr(0, Dot);
        const TPropInfo* Sub = GetPropInfo(Target, Part);
        TPersistent* Next = nullptr;
        if (Sub != nullptr && Sub->Kind == tkClass && !Sub->IsComponentRef)
          Next = dynamic_cast<TPersistent*>(Sub->GetObj(Target));
        if (Next == nullptr) RaiseReadError(P.Line, Path, Format(LoadResString(SUnknownProperty), {Shorten(Part)}));
        Target = Next;
        Rest.remove_prefix(Dot + 1);
      }
      if (const TPropInfo* Prop = GetPropInfo(Target, Rest)) ReadValue(Target, *Prop, P.Value, Path);
      else ReadDefined(Target, Rest, P.Value, Path);
    } catch (const EComponentReadError&) {
      throw;
    } catch (const Exception& E) {
      RaiseReadError(P.Value.Line, Path, E.what());
    }
  }

  [[noreturn]] static void WrongKind(const TValueNode& V, const std::string& Path, std::string_view What) {
    RaiseReadError(V.Line, Path, Expected(What, Describe(V)));
  }

  void ReadValue(TPersistent* Instance, const TPropInfo& Prop, const TValueNode& V, const std::string& Path) {
    switch (Prop.Kind) {
      case tkInteger:
      case tkInt64:
        if (V.Kind != TValueNode::vkInteger) WrongKind(V, Path, "an integer");
        SetOrdProp(Instance, Prop, V.Integer);
        return;
      case tkBoolean:
        if (V.Kind != TValueNode::vkIdent || (V.Text != "True" && V.Text != "False"))
          WrongKind(V, Path, "True or False");
        SetOrdProp(Instance, Prop, V.Text == "True" ? 1 : 0);
        return;
      case tkEnumeration:
        if (V.Kind != TValueNode::vkIdent) WrongKind(V, Path, "a value of " + std::string(Prop.EnumType->Name));
        SetEnumProp(Instance, Prop, V.Text);
        return;
      case tkSet: {
        if (V.Kind != TValueNode::vkSet) WrongKind(V, Path, "a set");
        std::vector<std::string> Names;
        for (const TValueNode& Item : V.Items) Names.push_back(Item.Text);
        SetSetProp(Instance, Prop, Names);
        return;
      }
      case tkFloat:
        SetFloatProp(Instance, Prop, FloatOf(V, Path));
        return;
      case tkString:
        if (V.Kind != TValueNode::vkString) WrongKind(V, Path, "a string");
        SetStrProp(Instance, Prop, V.Text);
        return;
      case tkClass:
      case tkInterface:
        ReadObjectValue(Instance, Prop, V, Path);
        return;
      case tkMethod:
        ReadEvent(Instance, Prop, V, Path);
        return;
    }
  }

 public:
  static double FloatOf(const TValueNode& V, const std::string& Path) {
    switch (V.Kind) {
      case TValueNode::vkInteger: return static_cast<double>(V.Integer);
      case TValueNode::vkFloat: return V.Float;
      case TValueNode::vkIdent:
        if (V.Text == "NAN") return std::numeric_limits<double>::quiet_NaN();
        if (V.Text == "INF") return std::numeric_limits<double>::infinity();
        if (V.Text == "-INF") return -std::numeric_limits<double>::infinity();
        break;
      default: break;
    }
    WrongKind(V, Path, "a number");
  }

 private:
  void ReadObjectValue(TPersistent* Instance, const TPropInfo& Prop, const TValueNode& V, const std::string& Path) {
    if (Prop.IsComponentRef) {
      if (V.Kind != TValueNode::vkIdent) WrongKind(V, Path, "a component name");
      if (Prop.SetObj == nullptr) throw EPropertyError(Format(LoadResString(SPropertyReadOnly), {Prop.Name}));
      FImpl.Fixups.push_back({Instance, &Prop, V.Text == "nil" ? std::string() : V.Text, V.Line, Path});
      return;
    }
    TObject* Obj = Prop.GetObj(Instance);
    if (auto* Collection = dynamic_cast<TCollection*>(Obj)) {
      if (V.Kind != TValueNode::vkCollection) WrongKind(V, Path, "a collection");
      ReadCollection(*Collection, V, Path);
      return;
    }
    if (auto* Strings = dynamic_cast<TStrings*>(Obj)) {
      if (V.Kind != TValueNode::vkList) WrongKind(V, Path, "a list of strings");
      for (const TValueNode& Line : V.Items)
        if (Line.Kind != TValueNode::vkString) RaiseReadError(Line.Line, Path, Expected("a string", Describe(Line)));
      TUpdateBlock<TStrings> Block(*Strings);
      Strings->Clear();
      for (const TValueNode& Line : V.Items) Strings->Add(Line.Text);
      return;
    }
    if (Obj == nullptr) throw EPropertyError(Format(LoadResString(SPropertyNotReadable), {Prop.Name}));
    WrongKind(V, Path, "\"" + std::string(Prop.Name) + ".<property> = <value>\"");
  }

  void ReadCollection(TCollection& Collection, const TValueNode& V, const std::string& Path) {
    // Nothing into nothing is no change, and reports none.
    if (V.CollectionItems.empty() && Collection.GetCount() == 0) return;
    TUpdateBlock<TCollection> Block(Collection);
    Collection.Clear();
    std::int64_t Index = 0;
    for (const TItemNode& Item : V.CollectionItems) {
      const std::string ItemPath = Path + "[" + IntToStr(Index++) + "]";
      TCollectionItem* NewItem = nullptr;
      try {
        NewItem = Collection.Add();
      } catch (const Exception& E) {
        RaiseReadError(Item.Line, ItemPath, E.what());
      }
      for (const TPropNode& P : Item.Props) ReadProperty(NewItem, P, ItemPath);
    }
  }

  void ReadEvent(TPersistent* Instance, const TPropInfo& Prop, const TValueNode& V, const std::string& Path) {
    if (V.Kind != TValueNode::vkIdent) WrongKind(V, Path, "a handler name");
    if (Prop.SetEvent == nullptr) throw EPropertyError(Format(LoadResString(SPropertyReadOnly), {Prop.Name}));
    if (V.Text == "nil") {
      Prop.SetEvent(Instance, nullptr, std::string());
      return;
    }
    if (FEvents == nullptr)
      RaiseReadError(V.Line, Path, Format(LoadResString(SNoEventHandlers), {Shorten(V.Text)}));
    const std::any* Handler = FEvents->Find(V.Text);
    if (Handler == nullptr)
      RaiseReadError(V.Line, Path, Format(LoadResString(SEventHandlerNotFound), {Shorten(V.Text)}));
    if (!Prop.SetEvent(Instance, Handler, V.Text))
      RaiseReadError(V.Line, Path, Format(LoadResString(SEventHandlerMismatch), {Shorten(V.Text), Prop.Name}));
  }

  void ReadDefined(TPersistent* Instance, std::string_view Name, const TValueNode& V, const std::string& Path) {
    FImpl.Frames.assign(1, TReader::TImpl::TFrame{&V, 1, 0});
    FImpl.DefinedName.assign(Name);
    FImpl.DefinedFound = false;
    FImpl.ValueLine = V.Line;
    FImpl.ValuePath = Path;
    Instance->DefineProperties(&FReader);
    if (!FImpl.DefinedFound) RaiseReadError(V.Line, Path, Format(LoadResString(SUnknownProperty), {Shorten(Name)}));
    if (FImpl.Frames.size() != 1 || FImpl.Frames[0].Index != 1)
      RaiseReadError(V.Line, Path, LoadResString(SValueNotRead));
    FImpl.Frames.clear();
  }

  TComponent* FindInTree(const std::string& Name) const {
    auto Walk = [](TComponent* From, std::string_view Rest) -> TComponent* {
      while (From != nullptr && !Rest.empty()) {
        const std::size_t Dot = Rest.find('.');
        From = From->FindComponent(Rest.substr(0, Dot));
        Rest = Dot == std::string_view::npos ? std::string_view() : Rest.substr(Dot + 1);
      }
      return From;
    };
    if (TComponent* C = Walk(FRoot, Name)) return C;
    const std::string_view N = Name;
    const std::size_t Dot = N.find('.');
    if (!FRoot->GetName().empty() && SameText(N.substr(0, Dot), FRoot->GetName()))
      return Dot == std::string_view::npos ? FRoot : Walk(FRoot, N.substr(Dot + 1));
    return nullptr;
  }

  // Every reference is found and checked before any is set, so that a failure sets none.
  void ResolveFixups() {
    std::vector<TComponent*> Targets;
    Targets.reserve(FImpl.Fixups.size());
    for (const auto& F : FImpl.Fixups) {
      TComponent* C = nullptr;
      if (!F.Name.empty()) {
        C = FindInTree(F.Name);
        if (C == nullptr && FOnFind) C = FOnFind(F.Name);
        if (C == nullptr) RaiseReadError(F.Line, F.Path, Format(LoadResString(SComponentNotFound), {Shorten(F.Name)}));
        if (!F.Prop->AcceptsObj(C))
          RaiseReadError(F.Line, F.Path,
                         Format(LoadResString(SPropertyClassMismatch), {F.Prop->Name, F.Prop->ClassName(), C->ClassName()}));
      }
      Targets.push_back(C);
    }
    for (std::size_t I = 0; I < FImpl.Fixups.size(); ++I) {
      const auto& F = FImpl.Fixups[I];
      try {
        SetObjectProp(F.Instance, *F.Prop, Targets[I]);
      } catch (const Exception& E) {
        RaiseReadError(F.Line, F.Path, E.what());
      }
    }
  }

  TReader& FReader;
  TReader::TImpl& FImpl;
  const TEventHandlers* FEvents;
  const TFindComponentEvent& FOnFind;
  TComponent* FRoot = nullptr;
  std::unordered_set<const TComponent*> FBeingRead;  // the components of FImpl.Loading
};

}  // namespace

namespace {

thread_local std::int32_t gReadingDepth = 0;

// The error in flight from L's Loaded as an error of the read, the cause nested in it: an
// ELoadedValueError at the line that stored the property it names (the block's line when the
// stream left it out), any other error of the library at the block. Others pass as they are.
std::exception_ptr LoadedError(const TReader::TImpl::TLoading& L) {
  try {
    try {
      throw;
    } catch (const ELoadedValueError& E) {
      std::int32_t Line = L.Node->Line;
      for (const TPropNode& P : L.Node->Props)
        if (SameText(P.Name, E.GetPropertyName())) Line = P.Line;
      const std::string Path = L.Path + "." + E.GetPropertyName();
      std::throw_with_nested(MakeReadError(Line, Path, E.what()));
    } catch (const Exception& E) {
      std::throw_with_nested(MakeReadError(L.Node->Line, L.Path, E.what()));
    }
  } catch (...) {
    return std::current_exception();
  }
}

}  // namespace

bool IsReadingStream() noexcept { return gReadingDepth > 0; }

TComponent* TReader::ReadRootComponent(TComponent* Root, TComponent* Owner) {
  const TObjectNode Tree = ParseComponentText(FImpl->Text);  // touches nothing on error
  FImpl->Created.clear();
  FImpl->Loading.clear();
  FImpl->Fixups.clear();
  TTreeReader Work(*this, *FImpl, FEventHandlers, FOnFindComponent);
  TComponent* Result = nullptr;
  try {
    // The thread reads a stream until this one is read; readers nest.
    const TRestoreValue Reading(gReadingDepth, gReadingDepth + 1);
    Work.Run(Tree, Root, Owner, FRoot);
    Result = FRoot;
  } catch (...) {
    Work.Rollback();
    FRoot = nullptr;
    throw;
  }
  // Loaded for every component read; each leaves the loading state whatever its Loaded does.
  std::exception_ptr FirstError;
  for (const auto& L : FImpl->Loading) {
    try {
      L.Component->EndLoading();
    } catch (...) {
      if (!FirstError) FirstError = LoadedError(L);
    }
  }
  FImpl->Loading.clear();
  if (FirstError) {
    Work.DeleteCreated();
    FRoot = nullptr;
    std::rethrow_exception(FirstError);
  }
  FImpl->Created.clear();
  return Result;
}

// --- Values for DefineProperty readers

namespace {

const TValueNode& NextValue(TReader::TImpl& Impl, std::string_view What) {
  if (Impl.Frames.empty()) RaiseReadError(Impl.ValueLine, Impl.ValuePath, Expected(What, "no value"));
  auto& F = Impl.Frames.back();
  if (F.Index >= F.Count) RaiseReadError(Impl.ValueLine, Impl.ValuePath, Expected(What, "the end of the value"));
  const TValueNode& V = F.Values[F.Index++];
  Impl.ValueLine = V.Line;
  return V;
}

[[noreturn]] void ReaderKindError(const TReader::TImpl& Impl, const TValueNode& V, std::string_view What) {
  RaiseReadError(V.Line, Impl.ValuePath, Expected(What, Describe(V)));
}

}  // namespace

double TReader::ReadFloat() {
  const TValueNode& V = NextValue(*FImpl, "a number");
  return TTreeReader::FloatOf(V, FImpl->ValuePath);
}

std::int64_t TReader::ReadInt64() {
  const TValueNode& V = NextValue(*FImpl, "an integer");
  if (V.Kind != TValueNode::vkInteger) ReaderKindError(*FImpl, V, "an integer");
  return V.Integer;
}

std::int32_t TReader::ReadInteger() {
  const TValueNode& V = NextValue(*FImpl, "an integer");
  if (V.Kind != TValueNode::vkInteger) ReaderKindError(*FImpl, V, "an integer");
  if (V.Integer < INT32_MIN || V.Integer > INT32_MAX)
    RaiseReadError(V.Line, FImpl->ValuePath, Format(LoadResString(SNumberOutOfRange), {V.Text}));
  return static_cast<std::int32_t>(V.Integer);
}

std::string TReader::ReadString() {
  const TValueNode& V = NextValue(*FImpl, "a string");
  if (V.Kind != TValueNode::vkString) ReaderKindError(*FImpl, V, "a string");
  return V.Text;
}

bool TReader::ReadBoolean() {
  const TValueNode& V = NextValue(*FImpl, "True or False");
  if (V.Kind != TValueNode::vkIdent || (V.Text != "True" && V.Text != "False"))
    ReaderKindError(*FImpl, V, "True or False");
  return V.Text == "True";
}

std::string TReader::ReadIdent() {
  const TValueNode& V = NextValue(*FImpl, "a name");
  if (V.Kind != TValueNode::vkIdent) ReaderKindError(*FImpl, V, "a name");
  return V.Text;
}

void TReader::ReadListBegin() {
  const TValueNode& V = NextValue(*FImpl, "a list");
  if (V.Kind != TValueNode::vkList) ReaderKindError(*FImpl, V, "a list");
  FImpl->Frames.push_back({V.Items.data(), V.Items.size(), 0});
}

void TReader::ReadListEnd() {
  if (FImpl->Frames.size() < 2) RaiseReadError(FImpl->ValueLine, FImpl->ValuePath, Expected("a value", "no list"));
  const auto& F = FImpl->Frames.back();
  if (F.Index < F.Count)
    RaiseReadError(F.Values[F.Index].Line, FImpl->ValuePath, Expected("\")\"", Describe(F.Values[F.Index])));
  FImpl->Frames.pop_back();
}

bool TReader::EndOfList() const {
  return FImpl->Frames.empty() || FImpl->Frames.back().Index >= FImpl->Frames.back().Count;
}

void TReader::DefineProperty(const std::string& Name, TReaderProc ReadData, TWriterProc, bool) {
  if (FImpl->DefinedFound || !SameText(Name, FImpl->DefinedName)) return;
  FImpl->DefinedFound = true;
  if (!ReadData)
    RaiseReadError(FImpl->ValueLine, FImpl->ValuePath, Format(LoadResString(SPropertyNotReadable), {Name}));
  ReadData(*this);
}

}  // namespace tarnwick

