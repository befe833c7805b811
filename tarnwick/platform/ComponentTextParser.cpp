// The lexer and parser of the component stream's text form: the whole text is checked (syntax,
// nesting depth, numbers) into a tree of nodes before a reader touches any component.
#include <string>
#include <utility>
#include <vector>

#include "tarnwick/platform/ComponentStreaming.h"
#include "tarnwick/platform/Format.h"
#include "tarnwick/platform/SysUtils.h"
#include "tarnwick/platform/detail/ComponentText.h"

namespace tarnwick::detail::streaming {

EComponentReadError MakeReadError(std::int32_t Line, const std::string& Path, const std::string& Detail) {
  return EComponentReadError(Format(LoadResString(SReadErrorAt), {Path, Line, Detail}), Line, Path);
}

void RaiseReadError(std::int32_t Line, const std::string& Path, const std::string& Detail) {
  throw MakeReadError(Line, Path, Detail);
}

std::string Expected(std::string_view What, const std::string& Found) {
  return Format(LoadResString(SExpectedToken), {What, Found});
}

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


namespace {

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
            std::string Step(1, '[');
            Step += IntToStr(static_cast<std::int64_t>(V.CollectionItems.size()));
            Step += ']';
            FPath.push_back(std::move(Step));
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

TObjectNode ParseComponentText(std::string_view Text) { return TTextParser(Text).ParseRoot(); }

}  // namespace tarnwick::detail::streaming
