// Component streaming: a component tree stored as text and read back, through the published
// properties of its classes (TypInfo.h) and the custom values they define (DefineProperties).
//
// The text. One block per component, its owned components nested inside it:
//
//   object Root: TComponent
//     Tag = 7
//     object Logic1: TFuzzyLogic
//       Threshold = 0.01
//       Items = <
//         item
//           Name = "speed"
//           Items = <>
//         end
//       >
//       Parser = Parser1
//       Strings = (
//         "(deffuzzy speed"
//         ")"
//       )
//     end
//     object Parser1: TKVFuzzyLogicParser
//       FuzzyLogic = Logic1
//     end
//   end
//
// A block is "object [Name ':'] Class", its properties as "Name = value" in declared order,
// its owned components in order, and "end". Values:
//   integers        -12                    floats     0.1  1E+16  NAN  INF  -INF
//   strings         "a \"quoted\" word\n"  (escapes \\ \" \n \r \t \xHH; other bytes as they are)
//   Booleans and enumerations by name      True  fcmMinimum
//   sets            [fhVery, fhNot]
//   string lists    ( "line" "line" )      one string per line
//   collections     < item ... end ... >   each item with its own properties
//   references      Parser1  Sub.Parser1   a component by name, "nil" for none (also for an
//                                          interface that a component implements)
//   events          the handler's name
// A persistent part that is neither a collection nor a string list stores its properties under
// dotted names ("Table.LoadFactor = 0.75"). Numbers always use a full stop; floats are written
// as the shortest text that reads back exactly. Nothing else varies, so the text of an
// unchanged tree is the same every time and diffs line by line.
//
// What is written: every stored property (IsStoredProp); a collection always, even empty,
// because reading creates its items through side effects (a logic component adds automatic
// terms to a new variable) that only the stored list undoes; a string list when it has lines;
// a reference when assigned, as the path of names from the root ("Sub.Parser1"), or, for a
// component outside the tree, as the names of its owners and itself. Then each custom value
// that DefineProperties declares with data.
//
// Reading. The whole text is checked first (syntax, nesting depth); a text that fails there
// touches nothing. Then each block is read into its component: the root given, or a new one of
// the named class (RegisterClass); an owned component of the block's name that already exists
// is read into, otherwise one is created. Every component read is put in the loading state
// before its properties are read. Properties are set in the order of the text through their
// setters; a collection or string list is read into the object the getter returns (emptied
// first, filled inside one update block); a persistent part through its own properties.
// References are resolved once the whole tree is read: a path from the root, else the host's
// lookup (SetOnFindComponent). Stored events are resolved through the host's handlers
// (SetEventHandlers); a stream that holds an event and no handlers to resolve it by is an error.
// Last, every component read gets Loaded, in the order they were read; a Loaded that raises
// still leaves the loading state, the others still get theirs, and the first error is raised
// as an error of the read: of the property an ELoadedValueError names, else of the block.
//
// Failure. Every error of the text raises EComponentReadError naming the line and the property
// (or the block) and its cause; an error raised by a setter is reported the same way with its
// own message, and so is one raised by Loaded, which stays nested in the report
// (std::rethrow_if_nested). Nothing half-built stays: the components the read created are
// freed, and a component read into keeps what was set (each through its setter, so its
// invariants hold) and leaves the loading state without Loaded; one whose Loaded fails on a
// stored value takes back what it had before the read. The text is not trusted: nesting is
// limited to kMaxStreamDepth levels, numbers must fit their property, and no input makes the
// reader recurse or allocate beyond the text's own size.
#ifndef TARNWICK_PLATFORM_COMPONENTSTREAMING_H_
#define TARNWICK_PLATFORM_COMPONENTSTREAMING_H_

#include <any>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "tarnwick/platform/Classes.h"
#include "tarnwick/platform/Component.h"
#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/Export.h"
#include "tarnwick/platform/ResStrings.h"
#include "tarnwick/platform/Streams.h"
#include "tarnwick/platform/TypInfo.h"

namespace tarnwick {

// The deepest nesting of blocks, items, collections and lists a stream may hold.
inline constexpr std::int32_t kMaxStreamDepth = 64;

TARNWICK_DECLARE_EXCEPTION(TARNWICK_PLATFORM_EXPORT, EFilerError, EStreamError);

// A stream that cannot be read: its line (0 when none applies) and the property or block at
// fault ("Logic1.Items[0].Maximum").
class TARNWICK_PLATFORM_EXPORT EComponentReadError : public EReadError {
 public:
  EComponentReadError(std::string Message, std::int32_t LineNumber, std::string PropertyPath);
  ~EComponentReadError() override;
  std::int32_t GetLineNumber() const noexcept { return FLineNumber; }
  const std::string& GetPropertyPath() const noexcept { return FPropertyPath; }

 private:
  std::int32_t FLineNumber;
  std::string FPropertyPath;
};

// What a component's Loaded raises when it cannot take the stored value of one of its own
// properties (a text that does not read, a link that does not fit): a read reports it as
// EComponentReadError of the line that stored the property, or of the component's block when
// the stream left the property out.
class TARNWICK_PLATFORM_EXPORT ELoadedValueError : public EReadError {
 public:
  ELoadedValueError(std::string Message, std::string PropertyName);
  ~ELoadedValueError() override;
  const std::string& GetPropertyName() const noexcept { return FPropertyName; }

 private:
  std::string FPropertyName;
};

inline constexpr TResString SReadErrorAt{"SReadErrorAt", "Error reading %s at line %d: %s"};
inline constexpr TResString SExpectedToken{"SExpectedToken", "Expected %s, found %s"};
inline constexpr TResString SUnexpectedCharacter{"SUnexpectedCharacter", "Unexpected character %s"};
inline constexpr TResString SUnterminatedString{"SUnterminatedString", "Unterminated string"};
inline constexpr TResString SInvalidEscape{"SInvalidEscape", "Invalid escape %s in a string"};
inline constexpr TResString SNumberOutOfRange{"SNumberOutOfRange", "Number %s is out of range"};
inline constexpr TResString SStreamTooDeep{"SStreamTooDeep", "Nesting deeper than %d levels"};
inline constexpr TResString SClassNotFound{"SClassNotFound", "Class %s not found"};
inline constexpr TResString SStreamClassMismatch{"SStreamClassMismatch", "Cannot read a %s into a %s"};
inline constexpr TResString SComponentNotFound{"SComponentNotFound", "Component %s not found"};
inline constexpr TResString SNoEventHandlers{"SNoEventHandlers",
                                             "Event handler %s cannot be resolved: no event handlers were given"};
inline constexpr TResString SEventHandlerNotFound{"SEventHandlerNotFound", "Event handler %s not found"};
inline constexpr TResString SValueNotRead{"SValueNotRead", "The value was not read completely"};
inline constexpr TResString SPropertyNotReadable{"SPropertyNotReadable", "Property %s cannot be read from a stream"};
inline constexpr TResString SUnnamedEventHandler{"SUnnamedEventHandler",
                                                 "Cannot store event %s: its handler has no name"};
inline constexpr TResString SInvalidHandlerName{"SInvalidHandlerName",
                                                "Cannot store event %s: %s is not an identifier"};
inline constexpr TResString SUnnamedReference{"SUnnamedReference",
                                              "Cannot store %s: the component it refers to has no name"};
inline constexpr TResString SReferenceNotComponent{"SReferenceNotComponent",
                                                   "Cannot store %s: it refers to a %s, which is no component"};
inline constexpr TResString SDefinedValueCount{"SDefinedValueCount",
                                               "Property %s must write exactly one value, not %d"};
inline constexpr TResString SWriteOutsideProperty{"SWriteOutsideProperty",
                                                  "Values are written only by a property's writer"};
inline constexpr TResString SDuplicateClass{"SDuplicateClass", "Another class is registered as %s"};

// ---------------------------------------------------------------------------------------------
// Classes by name.

// Makes Class known to readers under its class name. Registering the same class again does
// nothing; another class of the same name raises EFilerError SDuplicateClass.
TARNWICK_PLATFORM_EXPORT void RegisterClass(const TComponentClass& Class);
template <typename T>
void RegisterClass() {
  RegisterClass(TComponentClass::Of<T>());
}
// The class registered as Name (exactly); false when none is. TComponent is always known.
TARNWICK_PLATFORM_EXPORT bool FindClass(std::string_view Name, TComponentClass& Class);

// ---------------------------------------------------------------------------------------------
// Event handlers by name: what a host gives a reader to resolve stored events.

class TARNWICK_PLATFORM_EXPORT TEventHandlers {
 public:
  TEventHandlers();
  virtual ~TEventHandlers();

  // Handler under Name; F is the event's own type (Handlers.Add<TNotifyEvent>("Changed", ...)).
  template <typename F>
  void Add(std::string Name, F Handler) {
    static_assert(detail::TIsFunction<F>::value, "name the event type: Add<TNotifyEvent>(...)");
    FHandlers[std::move(Name)] = std::any(std::move(Handler));
  }
  // The handler called Name (a std::any holding its std::function), or nullptr.
  virtual const std::any* Find(std::string_view Name) const;

 private:
  std::map<std::string, std::any, std::less<>> FHandlers;
};

// A component outside the stream that a stored reference names; nullptr when there is none.
using TFindComponentEvent = std::function<TComponent*(const std::string& Name)>;

// ---------------------------------------------------------------------------------------------
// Filers.

class TReader;
class TWriter;
using TReaderProc = std::function<void(TReader& Reader)>;
using TWriterProc = std::function<void(TWriter& Writer)>;

class TARNWICK_PLATFORM_EXPORT TFiler : public TObject {
 public:
  ~TFiler() override;
  // A custom value called Name: ReadData reads it (one value, through the reader's Read...
  // operations), WriteData writes it (one value), and HasData says whether there is anything to
  // write. A value whose HasData is false is never written and still accepted when read.
  virtual void DefineProperty(const std::string& Name, TReaderProc ReadData, TWriterProc WriteData,
                              bool HasData) = 0;
  // The component at the top of the tree being read or written.
  TComponent* GetRoot() const noexcept { return FRoot; }

 protected:
  TComponent* FRoot = nullptr;
};

class TARNWICK_PLATFORM_EXPORT TReader : public TFiler {
 public:
  // Reads the text from the stream's position to its end.
  explicit TReader(TStream* Stream);
  explicit TReader(std::string_view Text);
  ~TReader() override;

  // Handlers for stored events; not owned, must outlive the reader.
  void SetEventHandlers(const TEventHandlers* Handlers) noexcept { FEventHandlers = Handlers; }
  // Lookup for references to components outside the stream.
  void SetOnFindComponent(TFindComponentEvent Value) { FOnFindComponent = std::move(Value); }

  // Reads the tree into Root, or, when Root is nullptr, into a new component of the stored
  // class that joins Owner (none allowed; the caller owns an ownerless one). Returns the root.
  // A reader reads one tree once.
  TComponent* ReadRootComponent(TComponent* Root, TComponent* Owner = nullptr);

  // Values, for the readers of DefineProperty. Each takes the next value and raises
  // EComponentReadError when it is of another kind.
  double ReadFloat();  // an integer is read as a float too
  std::int64_t ReadInt64();
  std::int32_t ReadInteger();
  std::string ReadString();
  bool ReadBoolean();
  std::string ReadIdent();
  void ReadListBegin();
  void ReadListEnd();
  bool EndOfList() const;

  void DefineProperty(const std::string& Name, TReaderProc ReadData, TWriterProc WriteData, bool HasData) override;

  struct TImpl;  // the reader's state, opaque outside its source file

 private:
  std::unique_ptr<TImpl> FImpl;
  const TEventHandlers* FEventHandlers = nullptr;
  TFindComponentEvent FOnFindComponent;
};

class TARNWICK_PLATFORM_EXPORT TWriter : public TFiler {
 public:
  // Appends the text to Stream when the whole tree has been written; an error leaves the stream
  // as it was.
  explicit TWriter(TStream* Stream);
  ~TWriter() override;

  void WriteRootComponent(TComponent* Root);

  // Values, for the writers of DefineProperty.
  void WriteFloat(double Value);
  void WriteInt64(std::int64_t Value);
  void WriteInteger(std::int32_t Value);
  void WriteString(std::string_view Value);
  void WriteBoolean(bool Value);
  void WriteIdent(std::string_view Value);
  void WriteListBegin();
  void WriteListEnd();

  void DefineProperty(const std::string& Name, TReaderProc ReadData, TWriterProc WriteData, bool HasData) override;

  struct TImpl;  // the writer's state, opaque outside its source file

 private:
  std::unique_ptr<TImpl> FImpl;
  TStream* FStream;
};

// True on this thread while a reader sets the properties of what it reads and resolves its
// references (not while it calls Loaded). A setter that derives other values from the one it is
// given (a fuzzy set's type regenerating its points) only stores it then: the stream holds the
// other values too.
TARNWICK_PLATFORM_EXPORT bool IsReadingStream() noexcept;

// The text of the tree under Root.
TARNWICK_PLATFORM_EXPORT std::string ComponentToText(TComponent* Root);
// Writes that text to Stream.
TARNWICK_PLATFORM_EXPORT void WriteComponent(TStream* Stream, TComponent* Root);
// Reads a tree (TReader::ReadRootComponent) from Text or from the rest of Stream.
TARNWICK_PLATFORM_EXPORT TComponent* TextToComponent(std::string_view Text, TComponent* Root,
                                                     TComponent* Owner = nullptr);
TARNWICK_PLATFORM_EXPORT TComponent* ReadComponent(TStream* Stream, TComponent* Root, TComponent* Owner = nullptr);

}  // namespace tarnwick

#endif  // TARNWICK_PLATFORM_COMPONENTSTREAMING_H_
