// The common library's interfaces for copyable objects and for language tokens: ICloneable,
// IBaseStreamToken and IBaseStreamTokenList, with their identifiers. (IStringIterator lives in
// StringIterator.h.)
//
// Conventions shared by these interfaces and the ones built on them:
//   - Interface arguments are raw pointers the callee does not own; a callee that keeps one
//     takes its own counted reference. Results that hand out a reference are Intf<T>, except
//     an element a list returns (Get, First, Last): that is a raw pointer the list keeps
//     counted, so that a derived list interface can narrow it covariantly. Wrap it in Intf<T>
//     to keep it beyond the list's next change.
//   - Operations that only read are const. Where an operation shares its name and arguments with
//     a member of the platform classes (Assign, AssignTo, ToString), it has that member's exact
//     signature, so that one override in an implementing class serves both.
#ifndef TARNWICK_COMMON_COMMONINTERFACES_H_
#define TARNWICK_COMMON_COMMONINTERFACES_H_

#include <string>

#include "tarnwick/platform/Classes.h"
#include "tarnwick/platform/Export.h"
#include "tarnwick/platform/Interfaces.h"
#include "tarnwick/platform/Types.h"

namespace tarnwick {

// An object that can be copied from another, cloned, compared and tagged.
class TARNWICK_COMMON_EXPORT ICloneable : public virtual IInterface {
 public:
  static constexpr TGUID IID = MakeGUID("{2D42CCDB-D296-11D3-B9BB-00C04F8EDA5F}");

  // Copies Source, given by any of its interfaces; EConvertError when this object cannot.
  virtual void Assign(IInterface* Source) = 0;
  // The platform's TPersistent::Assign.
  virtual void Assign(const TPersistent* Source) = 0;
  // The platform's TPersistent::AssignTo.
  virtual void AssignTo(TPersistent* Dest) const = 0;
  // A new object equal to this one, with a reference for the caller.
  [[nodiscard]] virtual Intf<IInterface> Clone() = 0;
  virtual bool Equals(IInterface* AValue) const = 0;
  virtual NativeInt GetTag() const = 0;
  virtual void SetTag(NativeInt Value) = 0;

 protected:
  ~ICloneable() = default;
};

// A token of a language: its kind (DataType), the line it stood on, its number (numeric
// kinds), its text, the whitespace and comments read before it, and its printed form.
class TARNWICK_COMMON_EXPORT IBaseStreamToken : public virtual ICloneable {
 public:
  static constexpr TGUID IID = MakeGUID("{CCE9541F-DBBC-42B9-B420-C6F5AAFA67D1}");

  virtual Integer GetDataType() const = 0;
  virtual Integer GetLineNumber() const = 0;
  virtual double GetNumber() const = 0;
  virtual std::string GetText() const = 0;
  virtual void SetDataType(Integer Value) = 0;
  virtual void SetLineNumber(Integer Value) = 0;
  virtual void SetNumber(double Value) = 0;
  virtual void SetText(const std::string& Value) = 0;
  virtual std::string GetWhitespace() const = 0;
  virtual void SetWhitespace(const std::string& Value) = 0;
  // The printed form: text that reads back as this token.
  virtual std::string ToString() const = 0;

 protected:
  ~IBaseStreamToken() = default;
};

// An ordered list of tokens that holds a counted reference to each (nil items allowed).
// Index errors raise EListError; an item that is not a token raises EIntfCastError where it
// would come back as one.
class TARNWICK_COMMON_EXPORT IBaseStreamTokenList : public virtual ICloneable {
 public:
  static constexpr TGUID IID = MakeGUID("{B6310763-2490-4DF2-B478-8CCE8BEB8E86}");

  using ICloneable::Equals;

  virtual Integer GetValueCount() const = 0;
  virtual IBaseStreamToken* Get(Integer Index) const = 0;
  virtual void Put(Integer Index, IBaseStreamToken* Value) = 0;
  // Same length and, place by place, equal tokens (or nil in both).
  virtual bool Equals(IBaseStreamTokenList* AList) const = 0;
  // Equals of Obj's token list; false when Obj is none.
  virtual bool Equals(const TObject* Obj) const = 0;
  // The index of the new last item.
  virtual Integer Add(IBaseStreamToken* Item) = 0;
  virtual void Clear() = 0;
  // The first (last) item; nil for an empty list.
  virtual IBaseStreamToken* First() const = 0;
  // The first index holding Item, or -1.
  virtual Integer IndexOf(IBaseStreamToken* Item) const = 0;
  // Index may be the count: Insert then appends.
  virtual void Insert(Integer Index, IBaseStreamToken* Item) = 0;
  virtual IBaseStreamToken* Last() const = 0;
  virtual void Delete(Integer Index) = 0;
  // Appends every item of List (the same tokens, not copies).
  virtual void Append(IBaseStreamTokenList* List) = 0;
  // Removes the first occurrence of Item; its former index, or -1.
  virtual Integer Remove(IBaseStreamToken* Item) = 0;
  // The printed form: "(" + the items' printed forms separated by blanks + ")".
  virtual std::string ToString() const = 0;

 protected:
  ~IBaseStreamTokenList() = default;
};

}  // namespace tarnwick

#endif  // TARNWICK_COMMON_COMMONINTERFACES_H_
