// Component streaming: the class registry, the text form's lexer and parser, the reader that
// applies a parsed tree to components, and the writer.
#include "tarnwick/platform/ComponentStreaming.h"

#include <algorithm>
#include <exception>
#include <limits>
#include <mutex>
#include <utility>
#include <vector>

#include "tarnwick/platform/Format.h"
#include "tarnwick/platform/Strings.h"
#include "tarnwick/platform/SysUtils.h"

namespace tarnwick {

EFilerError::~EFilerError() = default;

EComponentReadError::EComponentReadError(std::string Message, std::int32_t LineNumber, std::string PropertyPath)
    : EReadError(std::move(Message)), FLineNumber(LineNumber), FPropertyPath(std::move(PropertyPath)) {}
EComponentReadError::~EComponentReadError() = default;

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
  static TClassRegistry Instance;
  return Instance;
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
// Shared helpers

namespace {

constexpr std::size_t kQuotedTextLimit = 64;  // code points of stream text quoted in a message

bool IsIdentStart(char C) noexcept { return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '_'; }
bool IsDigit(char C) noexcept { return C >= '0' && C <= '9'; }
bool IsIdentChar(char C) noexcept { return IsIdentStart(C) || IsDigit(C); }

bool IsIdent(std::string_view S) noexcept {
  if (S.empty() || !IsIdentStart(S.front())) return false;
  return std::all_of(S.begin() + 1, S.end(), IsIdentChar);
}

// Text from the stream, cut to a length a message can carry.
std::string Shorten(std::string_view S) {
  if (Utf8CodePointCount(S) <= kQuotedTextLimit) return std::string(S);
  return std::string(Utf8Truncate(S, kQuotedTextLimit)) + "...";
}

std::string Quoted(std::string_view S) { return "\"" + Shorten(S) + "\""; }

std::string HexByte(unsigned char C) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return std::string{kDigits[C >> 4], kDigits[C & 15]};
}

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

[[noreturn]] void RaiseReadError(std::int32_t Line, const std::string& Path, const std::string& Detail) {
  throw EComponentReadError(Format(LoadResString(SReadErrorAt), {Path, Line, Detail}), Line, Path);
}

std::string Expected(std::string_view What, const std::string& Found) {
  return Format(LoadResString(SExpectedToken), {What, Found});
}

// ---------------------------------------------------------------------------------------------
// The parsed text.

struct TItemNode;

struct TValueNode {
  enum TKind : std::uint8_t { vkInteger, vkFloat, vkString, vkIdent, vkSet, vkList, vkCollection };
  TKind Kind = vkIdent;
  std::int32_t Line = 0;
  std::string Text;  // an identifier, a string's value, a number as written
  std::int64_t Integer = 0;
  double Float = 0;
  std::vector<TValueNode> Items;          // a set's identifiers, a list's values
  std::vector<TItemNode> CollectionItems;
};

struct TPropNode {
  std::string Name;
  std::int32_t Line = 0;
  TValueNode Value;
};

struct TItemNode {
  std::int32_t Line = 0;
  std::vector<TPropNode> Props;
};

struct TObjectNode {
  std::string Name;
  std::string ClassName;
  std::int32_t Line = 0;
  std::vector<TPropNode> Props;
  std::vector<TObjectNode> Children;
};

// What a value is, for "Expected ..., found ..." messages.
std::string Describe(const TValueNode& V) {
  switch (V.Kind) {
    case TValueNode::vkInteger:
    case TValueNode::vkFloat:
    case TValueNode::vkIdent: return Quoted(V.Text);
    case TValueNode::vkString: return "a string";
    case TValueNode::vkSet: return "a set";
    case TValueNode::vkList: return "a list";
    case TValueNode::vkCollection: return "a collection";
  }
  return "a value";
}

// ---------------------------------------------------------------------------------------------
// Lexer and parser of the text form. Every error names the line and the block or property
// being read.

class TTextParser {
 public:
  explicit TTextParser(std::string_view Text) : FText(Text) {
    if (FText.substr(0, 3) == "\xEF\xBB\xBF") FPos = 3;  // a UTF-8 byte-order mark
    Advance();
  }

  // stream = object
  TObjectNode ParseRoot() {
    ExpectKeyword("object");
    TObjectNode Root = ParseObject(1);
    if (FTok.Kind != TTok::End) Fail(Expected("end of text", DescribeToken()));
    return Root;
  }

 private:
  enum class TTok : std::uint8_t { End, Ident, Integer, Float, String, Symbol };
  struct TToken {
    TTok Kind = TTok::End;
    std::string Text;
    std::int32_t Line = 1;
  };

  [[noreturn]] void Fail(const std::string& Detail) const { RaiseReadError(FTok.Line, Path(), Detail); }
  [[noreturn]] void FailAt(std::int32_t Line, const std::string& Detail) const {
    RaiseReadError(Line, Path(), Detail);
  }

  std::string Path() const {
    std::string R;
    for (const std::string& S : FPath) {
      if (!R.empty() && S.front() != '[') R += '.';
      R += S;
    }
    return R.empty() ? std::string("stream") : R;
  }

  std::string DescribeToken() const {
    switch (FTok.Kind) {
      case TTok::End: return "end of text";
      case TTok::String: return "a string";
      default: return Quoted(FTok.Text);
    }
  }

  void CheckDepth(std::int32_t Depth) const {
    if (Depth > kMaxStreamDepth) Fail(Format(LoadResString(SStreamTooDeep), {kMaxStreamDepth}));
  }

  bool IsKeyword(std::string_view Word) const { return FTok.Kind == TTok::Ident && FTok.Text == Word; }
  bool IsSymbol(char C) const { return FTok.Kind == TTok::Symbol && FTok.Text[0] == C; }

  void ExpectKeyword(std::string_view Word) {
    if (!IsKeyword(Word)) Fail(Expected(Quoted(Word), DescribeToken()));
    Advance();
  }
  void ExpectSymbol(char C) {
    if (!IsSymbol(C)) Fail(Expected(Quoted(std::string_view(&C, 1)), DescribeToken()));
    Advance();
  }
  // A plain identifier (no dots): a component's or a class's name.
  std::string ExpectName(std::string_view What) {
    if (FTok.Kind != TTok::Ident || FTok.Text.find('.') != std::string::npos) Fail(Expected(What, DescribeToken()));
    std::string Name = std::move(FTok.Text);
    Advance();
    return Name;
  }

  // object = "object" [NAME ":"] CLASS { property } { object } "end"
  TObjectNode ParseObject(std::int32_t Depth) {
    TObjectNode Node;
    Node.Line = FTok.Line;
    CheckDepth(Depth);
    std::string First = ExpectName("a class name");
    if (IsSymbol(':')) {
      Advance();
      Node.Name = std::move(First);
      Node.ClassName = ExpectName("a class name");
    } else {
      Node.ClassName = std::move(First);
    }
    FPath.push_back(Shorten(Node.Name.empty() ? Node.ClassName : Node.Name));
    for (;;) {
      if (IsKeyword("end")) {
        Advance();
        break;
      }
      if (IsKeyword("object")) {
        Advance();
        Node.Children.push_back(ParseObject(Depth + 1));
        continue;
      }
      if (FTok.Kind == TTok::Ident && Node.Children.empty()) {
        Node.Props.push_back(ParseProperty(Depth));
        continue;
      }
      Fail(Expected(Node.Children.empty() ? "a property, \"object\" or \"end\"" : "\"object\" or \"end\"",
                    DescribeToken()));
    }
    FPath.pop_back();
    return Node;
  }

  // property = PATH "=" value
  TPropNode ParseProperty(std::int32_t Depth) {
    TPropNode Prop;
    Prop.Line = FTok.Line;
    Prop.Name = std::move(FTok.Text);
    Advance();
    FPath.push_back(Shorten(Prop.Name));
    ExpectSymbol('=');
    Prop.Value = ParseValue(Depth);
    FPath.pop_back();
    return Prop;
  }

  // value = INTEGER | FLOAT | STRING | IDENT | "[" [IDENT {"," IDENT}] "]" | "(" {value} ")"
  //       | "<" {"item" {property} "end"} ">"
  TValueNode ParseValue(std::int32_t Depth) {
    TValueNode V;
    V.Line = FTok.Line;
    switch (FTok.Kind) {
      case TTok::Integer:
        V.Kind = TValueNode::vkInteger;
        if (!TryStrToInt64(FTok.Text, V.Integer)) Fail(Format(LoadResString(SNumberOutOfRange), {Shorten(FTok.Text)}));
        V.Text = std::move(FTok.Text);
        Advance();
        return V;
      case TTok::Float:
        V.Kind = TValueNode::vkFloat;
        if (!TryStrToFloat(FTok.Text, V.Float, TFormatSettings::Invariant()))
          Fail(Format(LoadResString(SNumberOutOfRange), {Shorten(FTok.Text)}));
        V.Text = std::move(FTok.Text);
        Advance();
        return V;
      case TTok::String:
        V.Kind = TValueNode::vkString;
        V.Text = std::move(FTok.Text);
        Advance();
        return V;
      case TTok::Ident:
        V.Kind = TValueNode::vkIdent;
        V.Text = std::move(FTok.Text);
        Advance();
        return V;
      case TTok::End: break;
      case TTok::Symbol:
        if (IsSymbol('[')) {
          V.Kind = TValueNode::vkSet;
          Advance();
          if (!IsSymbol(']')) {
            for (;;) {
              if (FTok.Kind != TTok::Ident) Fail(Expected("a value name", DescribeToken()));
              TValueNode Name;
              Name.Kind = TValueNode::vkIdent;
              Name.Line = FTok.Line;
              Name.Text = std::move(FTok.Text);
              Advance();
              V.Items.push_back(std::move(Name));
              if (!IsSymbol(',')) break;
              Advance();
            }
          }
          ExpectSymbol(']');
          return V;
        }
        if (IsSymbol('(')) {
          V.Kind = TValueNode::vkList;
          CheckDepth(Depth + 1);
          Advance();
          while (!IsSymbol(')')) {
            if (FTok.Kind == TTok::End) Fail(Expected("\")\"", DescribeToken()));
            V.Items.push_back(ParseValue(Depth + 1));
          }
          Advance();
          return V;
        }
        if (IsSymbol('<')) {
          V.Kind = TValueNode::vkCollection;
          CheckDepth(Depth + 1);
          Advance();
          while (!IsSymbol('>')) {
            TItemNode Item;
            Item.Line = FTok.Line;
            if (!IsKeyword("item")) Fail(Expected("\"item\" or \">\"", DescribeToken()));
            CheckDepth(Depth + 2);
            Advance();
            FPath.push_back("[" + IntToStr(static_cast<std::int64_t>(V.CollectionItems.size())) + "]");
            while (!IsKeyword("end")) {
              if (FTok.Kind != TTok::Ident) Fail(Expected("a property or \"end\"", DescribeToken()));
              Item.Props.push_back(ParseProperty(Depth + 2));
            }
            Advance();
            FPath.pop_back();
            V.CollectionItems.push_back(std::move(Item));
          }
          Advance();
          return V;
        }
        break;
    }
    Fail(Expected("a value", DescribeToken()));
  }

  // --- Lexer

  char Peek(std::size_t Ahead = 0) const noexcept {
    return FPos + Ahead < FText.size() ? FText[FPos + Ahead] : '\0';
  }
  bool AtEnd() const noexcept { return FPos >= FText.size(); }

  [[noreturn]] void FailChar(char Ch) const {
    const auto C = static_cast<unsigned char>(Ch);
    const std::string Shown = (C >= 0x20 && C < 0x7F) ? Quoted(std::string(1, Ch)) : "\\x" + HexByte(C);
    RaiseReadError(FLine, Path(), Format(LoadResString(SUnexpectedCharacter), {Shown}));
  }

  void SkipBlanks() {
    while (!AtEnd()) {
      const char C = FText[FPos];
      if (C == '\n') {
        ++FLine;
      } else if (C == '\r') {
        if (Peek(1) != '\n') ++FLine;
      } else if (C != ' ' && C != '\t') {
        return;
      }
      ++FPos;
    }
  }

  void LexIdentTail() {
    // NAME {"." NAME}: dotted paths are one token.
    for (;;) {
      while (IsIdentChar(Peek())) ++FPos;
      if (Peek() == '.' && IsIdentStart(Peek(1))) {
        ++FPos;
        continue;
      }
      return;
    }
  }

  void LexDigits() {
    while (IsDigit(Peek())) ++FPos;
  }

  void Advance() {
    SkipBlanks();
    FTok.Line = FLine;
    FTok.Text.clear();
    if (AtEnd()) {
      FTok.Kind = TTok::End;
      return;
    }
    const std::size_t Start = FPos;
    const char C = FText[FPos];
    if (IsIdentStart(C)) {
      LexIdentTail();
      FTok.Kind = TTok::Ident;
      FTok.Text.assign(FText.substr(Start, FPos - Start));
      return;
    }
    if (C == '-' && Peek(1) == 'I' && FText.substr(FPos + 1, 3) == "INF" && !IsIdentChar(Peek(4))) {
      FPos += 4;
      FTok.Kind = TTok::Ident;
      FTok.Text = "-INF";
      return;
    }
    if (IsDigit(C) || (C == '-' && IsDigit(Peek(1)))) {
      bool IsFloat = false;
      if (C == '-') ++FPos;
      LexDigits();
      if (Peek() == '.' && IsDigit(Peek(1))) {
        IsFloat = true;
        ++FPos;
        LexDigits();
      }
      if ((Peek() == 'e' || Peek() == 'E') &&
          (IsDigit(Peek(1)) || ((Peek(1) == '+' || Peek(1) == '-') && IsDigit(Peek(2))))) {
        IsFloat = true;
        FPos += IsDigit(Peek(1)) ? 1 : 2;
        LexDigits();
      }
      FTok.Kind = IsFloat ? TTok::Float : TTok::Integer;
      FTok.Text.assign(FText.substr(Start, FPos - Start));
      return;
    }
    if (C == '"') {
      ++FPos;
      LexString();
      FTok.Kind = TTok::String;
      return;
    }
    switch (C) {
      case '=':
      case ':':
      case '[':
      case ']':
      case '(':
      case ')':
      case '<':
      case '>':
      case ',':
        ++FPos;
        FTok.Kind = TTok::Symbol;
        FTok.Text.assign(1, C);
        return;
      default: FailChar(C);
    }
  }

  static int HexValue(char C) noexcept {
    if (C >= '0' && C <= '9') return C - '0';
    if (C >= 'a' && C <= 'f') return C - 'a' + 10;
    if (C >= 'A' && C <= 'F') return C - 'A' + 10;
    return -1;
  }

  // The rest of a string after its opening quote, into FTok.Text.
  void LexString() {
    std::string& R = FTok.Text;
    for (;;) {
      if (AtEnd() || Peek() == '\n' || Peek() == '\r')
        RaiseReadError(FTok.Line, Path(), LoadResString(SUnterminatedString));
      const char C = FText[FPos++];
      if (C == '"') return;
      if (C != '\\') {
        if (static_cast<unsigned char>(C) < 0x20 || C == 0x7F) FailChar(C);
        R += C;
        continue;
      }
      const char E = Peek();
      switch (E) {
        case '"': R += '"'; break;
        case '\\': R += '\\'; break;
        case 'n': R += '\n'; break;
        case 'r': R += '\r'; break;
        case 't': R += '\t'; break;
        case 'x': {
          const int Hi = HexValue(Peek(1));
          const int Lo = HexValue(Peek(2));
          if (Hi < 0 || Lo < 0)
            RaiseReadError(FLine, Path(),
                           Format(LoadResString(SInvalidEscape), {Quoted(FText.substr(FPos - 1, 4))}));
          R += static_cast<char>(Hi * 16 + Lo);
          FPos += 2;
          break;
        }
        default:
          RaiseReadError(FLine, Path(), Format(LoadResString(SInvalidEscape), {Quoted(FText.substr(FPos - 1, 2))}));
      }
      ++FPos;
    }
  }

  std::string_view FText;
  std::size_t FPos = 0;
  std::int32_t FLine = 1;
  TToken FTok;
  std::vector<std::string> FPath;  // the blocks, properties and items around the current token
};

}  // namespace

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
  std::vector<TComponent*> Loading;  // every component read, in the order reading began
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
    for (TComponent* C : FImpl.Loading) C->CancelLoading();
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
    return std::find(FImpl.Loading.begin(), FImpl.Loading.end(), C) != FImpl.Loading.end();
  }

  void ReadObject(const TObjectNode& Node, TComponent* Instance, const std::string& Path) {
    Instance->BeginLoading();
    FImpl.Loading.push_back(Instance);
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
};

}  // namespace

namespace {

thread_local std::int32_t gReadingDepth = 0;

// Marks the thread as reading a stream for the life of the object; readers nest.
struct TReadingScope {
  TReadingScope() noexcept { ++gReadingDepth; }
  ~TReadingScope() { --gReadingDepth; }
  TReadingScope(const TReadingScope&) = delete;
  TReadingScope& operator=(const TReadingScope&) = delete;
};

}  // namespace

bool IsReadingStream() noexcept { return gReadingDepth > 0; }

TComponent* TReader::ReadRootComponent(TComponent* Root, TComponent* Owner) {
  const TObjectNode Tree = TTextParser(FImpl->Text).ParseRoot();  // touches nothing on error
  FImpl->Created.clear();
  FImpl->Loading.clear();
  FImpl->Fixups.clear();
  TTreeReader Work(*this, *FImpl, FEventHandlers, FOnFindComponent);
  TComponent* Result = nullptr;
  try {
    TReadingScope Reading;
    Work.Run(Tree, Root, Owner, FRoot);
    Result = FRoot;
  } catch (...) {
    Work.Rollback();
    FRoot = nullptr;
    throw;
  }
  // Loaded for every component read; each leaves the loading state whatever its Loaded does.
  std::exception_ptr FirstError;
  for (TComponent* C : FImpl->Loading) {
    try {
      C->EndLoading();
    } catch (...) {
      if (!FirstError) FirstError = std::current_exception();
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
  FImpl->InDefined = true;
  FImpl->Value.clear();
  FImpl->ValueCount = 0;
  FImpl->ListDepth = 0;
  struct TEnd {
    TImpl& Impl;
    ~TEnd() { Impl.InDefined = false; }
  } End{*FImpl};
  WriteData(*this);
  if (FImpl->ValueCount != 1 || FImpl->ListDepth != 0)
    throw EWriteError(
        Format(LoadResString(SDefinedValueCount), {FImpl->ObjectPath + "." + FImpl->Prefix + Name, FImpl->ValueCount}));
  FImpl->Out.append(static_cast<std::size_t>(2 * FImpl->Indent), ' ');
  FImpl->Out += FImpl->Prefix + Name + " = " + FImpl->Value + "\n";
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
