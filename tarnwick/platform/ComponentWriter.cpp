// The writer of component streams: a tree as text, in declared order, with numbers that do not
// depend on the locale.
#include <string>
#include <utility>
#include <vector>

#include "tarnwick/platform/ComponentStreaming.h"
#include "tarnwick/platform/Format.h"
#include "tarnwick/platform/ScopeGuard.h"
#include "tarnwick/platform/Strings.h"
#include "tarnwick/platform/detail/ComponentText.h"

namespace tarnwick {

namespace {

using namespace detail::streaming;

// The stored form of a string: quoted, with backslash escapes for the quote, the backslash
// and the control characters.
std::string QuoteString(std::string_view S) {
  std::string R;
  R.reserve(S.size() + 2);
  R += '"';
  for (char Ch : S) {
    const auto C = static_cast<unsigned char>(Ch);
    switch (Ch) {
      case '"': R += "\\\""; break;
      case '\\': R += "\\\\"; break;
      case '\n': R += "\\n"; break;
      case '\r': R += "\\r"; break;
      case '\t': R += "\\t"; break;
      default:
        if (C < 0x20 || C == 0x7F) R += "\\x" + HexByte(C);
        else R += Ch;
    }
  }
  R += '"';
  return R;
}

std::string FloatText(double Value) { return FloatToStr(Value, TFormatSettings::Invariant()); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Writer

struct TWriter::TImpl {
  std::string Out;
  // The custom value being written: its text, the number of values and the open lists.
  bool InDefined = false;
  std::string Value;
  std::int32_t ValueCount = 0;
  std::int32_t ListDepth = 0;
  // Where DefineProperty writes: the dotted prefix of a persistent part, and the indentation.
  std::string Prefix;
  std::int32_t Indent = 0;
  std::string ObjectPath;
};

TWriter::TWriter(TStream* Stream) : FImpl(std::make_unique<TImpl>()), FStream(Stream) {}
TWriter::~TWriter() = default;

namespace {

[[noreturn]] void RaiseWriteError(const TResString& Msg, std::initializer_list<TVarRec> Args) {
  throw EWriteError(Format(LoadResString(Msg), Args));
}

class TTreeWriter {
 public:
  TTreeWriter(TWriter& Writer, TWriter::TImpl& Impl, TComponent* Root) : FWriter(Writer), FImpl(Impl), FRoot(Root) {}

  void WriteObject(TComponent* C, std::int32_t Indent, const std::string& Path) {
    std::string Heading = "object ";
    if (!C->GetName().empty()) Heading += C->GetName() + ": ";
    Line(Indent, Heading + C->ClassName());
    WriteProperties(C, "", Indent + 1, Path);
    for (std::int32_t I = 0; I < C->GetComponentCount(); ++I) {
      TComponent* Child = C->GetComponent(I);
      WriteObject(Child, Indent + 1, Path + "." + (Child->GetName().empty() ? Child->ClassName() : Child->GetName()));
    }
    Line(Indent, "end");
  }

 private:
  void Line(std::int32_t Indent, std::string_view Text) {
    FImpl.Out.append(static_cast<std::size_t>(2 * Indent), ' ');
    FImpl.Out += Text;
    FImpl.Out += '\n';
  }

  void WriteProperties(TPersistent* Obj, const std::string& Prefix, std::int32_t Indent, const std::string& Path) {
    for (const TPropInfo* P : GetPropList(Obj)) {
      if (!IsStoredProp(Obj, *P)) continue;
      const std::string Name = Prefix + std::string(P->Name);
      const std::string PropPath = Path + "." + std::string(P->Name);
      const std::string Head = Name + " = ";
      switch (P->Kind) {
        case tkInteger:
        case tkInt64: Line(Indent, Head + IntToStr(P->GetOrd(Obj))); break;
        case tkBoolean: Line(Indent, Head + (P->GetOrd(Obj) != 0 ? "True" : "False")); break;
        case tkEnumeration: {
          const std::int64_t Ordinal = P->GetOrd(Obj);
          const std::string_view Ident = GetEnumName(*P->EnumType, Ordinal);
          Line(Indent, Head + (Ident.empty() ? IntToStr(Ordinal) : std::string(Ident)));
          break;
        }
        case tkSet: {
          std::string S;
          for (const std::string& V : GetSetProp(Obj, *P)) S += (S.empty() ? "" : ", ") + V;
          Line(Indent, Head + "[" + S + "]");
          break;
        }
        case tkFloat: Line(Indent, Head + FloatText(P->GetFloat(Obj))); break;
        case tkString: Line(Indent, Head + QuoteString(P->GetStr(Obj))); break;
        case tkClass:
        case tkInterface: WriteObjectValue(Obj, *P, Name, Indent, PropPath); break;
        case tkMethod: {
          const std::string Handler = P->GetEventName(Obj);
          if (Handler.empty()) RaiseWriteError(SUnnamedEventHandler, {PropPath});
          if (!IsIdent(Handler)) RaiseWriteError(SInvalidHandlerName, {PropPath, Shorten(Handler)});
          Line(Indent, Head + Handler);
          break;
        }
      }
    }
    FImpl.Prefix = Prefix;
    FImpl.Indent = Indent;
    FImpl.ObjectPath = Path;
    Obj->DefineProperties(&FWriter);
  }

  void WriteObjectValue(TPersistent* Obj, const TPropInfo& P, const std::string& Name, std::int32_t Indent,
                        const std::string& Path) {
    TObject* Value = P.GetObj(Obj);
    if (P.IsComponentRef) {
      auto* Component = dynamic_cast<TComponent*>(Value);
      if (Component == nullptr) RaiseWriteError(SReferenceNotComponent, {Path, Value->ClassName()});
      Line(Indent, Name + " = " + ReferenceName(Component, Path));
      return;
    }
    if (auto* Collection = dynamic_cast<TCollection*>(Value)) {
      if (Collection->GetCount() == 0) {
        Line(Indent, Name + " = <>");
        return;
      }
      Line(Indent, Name + " = <");
      std::int64_t Index = 0;
      for (TCollectionItem* Item : *Collection) {
        Line(Indent + 1, "item");
        WriteProperties(Item, "", Indent + 2, Path + "[" + IntToStr(Index++) + "]");
        Line(Indent + 1, "end");
      }
      Line(Indent, ">");
      return;
    }
    if (auto* Strings = dynamic_cast<TStrings*>(Value)) {
      if (Strings->GetCount() == 0) return;
      Line(Indent, Name + " = (");
      for (std::int32_t I = 0; I < Strings->GetCount(); ++I) Line(Indent + 1, QuoteString(Strings->Get(I)));
      Line(Indent, ")");
      return;
    }
    if (auto* Part = dynamic_cast<TPersistent*>(Value)) WriteProperties(Part, Name + ".", Indent, Path);
  }

  // The path of names from the root to C; for a component outside the tree, the names of its
  // owners and its own.
  std::string ReferenceName(TComponent* C, const std::string& Path) const {
    if (C == FRoot) {
      if (C->GetName().empty()) RaiseWriteError(SUnnamedReference, {Path});
      return C->GetName();
    }
    std::vector<const std::string*> Names;
    const TComponent* At = C;
    for (; At != nullptr && At != FRoot; At = At->GetOwner()) Names.push_back(&At->GetName());
    std::string R;
    for (auto It = Names.rbegin(); It != Names.rend(); ++It) {
      if ((*It)->empty()) RaiseWriteError(SUnnamedReference, {Path});
      R += (R.empty() ? "" : ".") + **It;
    }
    return R;
  }

  TWriter& FWriter;
  TWriter::TImpl& FImpl;
  TComponent* FRoot;
};

void AppendValue(TWriter::TImpl& Impl, std::string_view Text) {
  if (!Impl.InDefined) throw EWriteError(LoadResString(SWriteOutsideProperty));
  if (Impl.ListDepth == 0) ++Impl.ValueCount;
  if (!Impl.Value.empty() && Impl.Value.back() != '(') Impl.Value += ' ';
  Impl.Value += Text;
}

}  // namespace

void TWriter::WriteRootComponent(TComponent* Root) {
  FRoot = Root;
  FImpl->Out.clear();
  TTreeWriter(*this, *FImpl, Root).WriteObject(Root, 0, Root->GetName().empty() ? Root->ClassName() : Root->GetName());
  FStream->WriteBuffer(FImpl->Out.data(), static_cast<std::int64_t>(FImpl->Out.size()));
  FImpl->Out.clear();
}

void TWriter::WriteFloat(double Value) { AppendValue(*FImpl, FloatText(Value)); }
void TWriter::WriteInt64(std::int64_t Value) { AppendValue(*FImpl, IntToStr(Value)); }
void TWriter::WriteInteger(std::int32_t Value) { AppendValue(*FImpl, IntToStr(Value)); }
void TWriter::WriteString(std::string_view Value) { AppendValue(*FImpl, QuoteString(Value)); }
void TWriter::WriteBoolean(bool Value) { AppendValue(*FImpl, Value ? "True" : "False"); }

void TWriter::WriteIdent(std::string_view Value) {
  if (!IsIdent(Value)) throw EWriteError(Format(LoadResString(SInvalidName), {Shorten(Value)}));
  AppendValue(*FImpl, Value);
}

void TWriter::WriteListBegin() {
  AppendValue(*FImpl, "(");
  ++FImpl->ListDepth;
}

void TWriter::WriteListEnd() {
  if (!FImpl->InDefined || FImpl->ListDepth == 0) throw EWriteError(LoadResString(SWriteOutsideProperty));
  --FImpl->ListDepth;
  FImpl->Value += ')';
}

void TWriter::DefineProperty(const std::string& Name, TReaderProc, TWriterProc WriteData, bool HasData) {
  if (!HasData || !WriteData) return;
  const TRestoreValue Defining(FImpl->InDefined, true);
  FImpl->Value.clear();
  FImpl->ValueCount = 0;
  FImpl->ListDepth = 0;
  WriteData(*this);
  if (FImpl->ValueCount != 1 || FImpl->ListDepth != 0)
    throw EWriteError(
        Format(LoadResString(SDefinedValueCount), {FImpl->ObjectPath + "." + FImpl->Prefix + Name, FImpl->ValueCount}));
  FImpl->Out.append(static_cast<std::size_t>(2 * FImpl->Indent), ' ');
  FImpl->Out += FImpl->Prefix + Name + " = " + FImpl->Value + "\n";
}

}  // namespace tarnwick
