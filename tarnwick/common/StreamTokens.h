// The reference-counted token and token list of the common library, bases of the fuzzy
// language's tokens, and the printed form of the basic token kinds.
//
// Printed forms. A token prints as text that the definition language's lexer (default quote ",
// escape \, comment ;) reads back as the same token, so that echoes, error texts, the "units"
// clause and expression texts built from tokens can be read again:
//   bstNone      nothing (the end of input)
//   bstAtom      the word, with the escape character before every character that would end
//                it (blanks and control characters, " ; & ( ) < [ ] | ~ and the escape itself);
//                a text no word can hold (empty; starting with a blank, " ; & ( ) = [ ] | ~
//                or ?; or one that reads as a number) prints as a quoted string instead, which
//                the expression language takes like a word
//   bstString    between double quotes, with the escape character before " and before itself
//   bstInteger   the number in decimal ("-12"); a value that is no 32-bit integer prints as
//                a float
//   bstFloat     the shortest text that reads back as exactly the number, with a full stop
//                whatever the locale, and always as a float ("2.5", "1000.0", "1E+20");
//                NaN and infinities print "NAN", "INF", "-INF", which are no numbers
//   bstVariable  "?" and the name, escaped as a word
//   other kinds  the token's text (punctuation tokens hold their character)
#ifndef TARNWICK_COMMON_STREAMTOKENS_H_
#define TARNWICK_COMMON_STREAMTOKENS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "tarnwick/common/CommonInterfaces.h"
#include "tarnwick/common/InterfaceList.h"
#include "tarnwick/platform/Classes.h"
#include "tarnwick/platform/Export.h"
#include "tarnwick/platform/Interfaces.h"
#include "tarnwick/platform/Types.h"

namespace tarnwick {

// The kinds of token whose printed form the base knows. A language numbers its own kinds from
// these on; any other DataType (a punctuation token holds its character code) prints as text.
enum TBaseStreamTokenType : std::uint8_t { bstNone, bstAtom, bstString, bstInteger, bstFloat, bstVariable };

// S between double quotes with the escape character before every double quote and escape
// character in it: a string literal of the definition language.
TARNWICK_COMMON_EXPORT std::string QuoteTokenText(std::string_view S);

// A token: DataType, line number, number, text, whitespace and tag, with the printed form
// above. Counted: it starts at 0 and dies with its last reference; it answers IInterface,
// ICloneable and IBaseStreamToken. Two tokens are Equal when DataType, Text and Number agree
// (where and after what whitespace they stood does not matter). Assign copies every attribute
// (the tag included); Clone is a new token of the receiver's class assigned from it.
class TARNWICK_COMMON_EXPORT TBaseStreamToken : public TPersistent,
                                               public TInterfacedMixin,
                                               public virtual IBaseStreamToken {
 public:
  TBaseStreamToken() noexcept;
  ~TBaseStreamToken() override;

  // --- ICloneable
  // From any token (through its IBaseStreamToken); EConvertError for anything else.
  void Assign(IInterface* Source) override;
  // From a TBaseStreamToken; anything else goes to the platform's Assign.
  void Assign(const TPersistent* Source) override;
  void AssignTo(TPersistent* Dest) const override;
  [[nodiscard]] Intf<IInterface> Clone() override;
  bool Equals(IInterface* AValue) const override;
  NativeInt GetTag() const override { return FTag; }
  void SetTag(NativeInt Value) override { FTag = Value; }

  // --- IBaseStreamToken
  Integer GetDataType() const override { return FDataType; }
  Integer GetLineNumber() const override { return FLineNumber; }
  double GetNumber() const override { return FNumber; }
  std::string GetText() const override { return FText; }
  // The text itself, where GetText would copy it.
  const std::string& TextRef() const noexcept { return FText; }
  void SetDataType(Integer Value) override { FDataType = Value; }
  void SetLineNumber(Integer Value) override { FLineNumber = Value; }
  void SetNumber(double Value) override { FNumber = Value; }
  void SetText(const std::string& Value) override { FText = Value; }
  std::string GetWhitespace() const override { return FWhitespace; }
  void SetWhitespace(const std::string& Value) override { FWhitespace = Value; }
  std::string ToString() const override;

 protected:
  void* GetInterface(const TGUID& IID) noexcept override;
  // A new token of the receiver's own class, with nothing set; every descendant overrides it.
  [[nodiscard]] virtual TBaseStreamToken* NewInstance() const;

 private:
  Integer FDataType = bstNone;
  Integer FLineNumber = 0;
  double FNumber = 0;
  std::string FText;
  std::string FWhitespace;
  NativeInt FTag = 0;
};

// A token list over the persistent interface list. Get, First and Last convert the item to
// IBaseStreamToken by an interface query: an item that is none raises EIntfCastError, a nil
// item comes back as nil. Assign takes the source's tokens (shared, not copied) and tag; Clone
// is a new list of the receiver's class holding clones of the tokens, so that it shares no
// token with its source.
class TARNWICK_COMMON_EXPORT TBaseStreamTokenList : public TInterfaceListPersistent,
                                                   public virtual IBaseStreamTokenList {
 public:
  TBaseStreamTokenList() noexcept;
  ~TBaseStreamTokenList() override;

  // --- ICloneable
  // From any token list (through its IBaseStreamTokenList); EConvertError for anything else.
  void Assign(IInterface* Source) override;
  // From any persistent interface list; anything else goes to the platform's Assign.
  void Assign(const TPersistent* Source) override;
  void AssignTo(TPersistent* Dest) const override;
  [[nodiscard]] Intf<IInterface> Clone() override;
  bool Equals(IInterface* AValue) const override;
  NativeInt GetTag() const override { return FTag; }
  void SetTag(NativeInt Value) override { FTag = Value; }

  // --- IBaseStreamTokenList
  Integer GetValueCount() const override { return GetCount(); }
  IBaseStreamToken* Get(Integer Index) const override;
  void Put(Integer Index, IBaseStreamToken* Value) override;
  bool Equals(IBaseStreamTokenList* AList) const override;
  bool Equals(const TObject* Obj) const override;
  Integer Add(IBaseStreamToken* Item) override;
  void Clear() override;
  IBaseStreamToken* First() const override;
  Integer IndexOf(IBaseStreamToken* Item) const override;
  void Insert(Integer Index, IBaseStreamToken* Item) override;
  IBaseStreamToken* Last() const override;
  void Delete(Integer Index) override;
  void Append(IBaseStreamTokenList* List) override;
  Integer Remove(IBaseStreamToken* Item) override;
  std::string ToString() const override;

 protected:
  void* GetInterface(const TGUID& IID) noexcept override;
  // A new empty list of the receiver's own class; every descendant overrides it.
  [[nodiscard]] virtual TBaseStreamTokenList* NewInstance() const;

 private:
  NativeInt FTag = 0;
};

}  // namespace tarnwick

#endif  // TARNWICK_COMMON_STREAMTOKENS_H_
