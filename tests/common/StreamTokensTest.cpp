// The token and token-list bases and the persistent interface list: printed forms that read
// back, equality, copies, interface queries, and that every counted reference is released
// exactly once.
#include "tarnwick/common/StreamTokens.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "TestSupport.h"
#include "tarnwick/common/InterfaceList.h"
#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/Format.h"

namespace tarnwick {
namespace {

using ::testing::ElementsAre;
using test::CountingTest;
using test::gAlive;
using test::TCounted;

// A token counted in gAlive; its copies are counted too.
class TCountedToken : public TCounted<TBaseStreamToken> {
 protected:
  TBaseStreamToken* NewInstance() const override { return new TCountedToken; }
};

// A counted object that is no token.
using TCountedItem = TCounted<TInterfacedObject>;

Intf<IBaseStreamToken> MakeToken(Integer DataType, const std::string& Text, double Number = 0) {
  Intf<IBaseStreamToken> Token(new TBaseStreamToken);
  Token->SetDataType(DataType);
  Token->SetText(Text);
  Token->SetNumber(Number);
  return Token;
}

std::string Printed(Integer DataType, const std::string& Text, double Number = 0) {
  return MakeToken(DataType, Text, Number)->ToString();
}

// ---------------------------------------------------------------------------------------------
// A reader of the definition language's tokens as its lexer reads them (quote ", escape \,
// blanks between tokens; a word that begins with a digit, a sign or a full stop is tried as an
// integer, then as a float), to prove that printed forms read back.

struct TReadToken {
  Integer DataType = bstNone;
  std::string Text;
  double Number = 0;
  friend bool operator==(const TReadToken&, const TReadToken&) = default;
};

void PrintTo(const TReadToken& T, std::ostream* Os) {
  *Os << "{" << T.DataType << ", \"" << T.Text << "\", " << T.Number << "}";
}

bool IsPunctuation(char C) { return std::string_view("&()=[]|~").find(C) != std::string_view::npos; }
bool EndsWord(char C) {
  return static_cast<unsigned char>(C) <= 32 || std::string_view("\";&()<[]|~").find(C) != std::string_view::npos;
}

TReadToken FinishWord(const std::string& Word) {
  if (Word.front() == '?') return {bstVariable, Word.substr(1), 0};
  if (Word.size() == 1 && (Word == "+" || Word == "-")) return {bstAtom, Word, 0};
  if (std::string_view("0123456789+-.").find(Word.front()) != std::string_view::npos) {
    std::int32_t I;
    double D;
    if (TryStrToInt(Word, I)) return {bstInteger, "", static_cast<double>(I)};
    if (TryStrToFloat(Word, D, TFormatSettings::Invariant())) return {bstFloat, "", D};
  }
  return {bstAtom, Word, 0};
}

std::vector<TReadToken> ReadTokens(std::string_view S) {
  std::vector<TReadToken> Result;
  std::size_t P = 0;
  while (true) {
    while (P < S.size() && static_cast<unsigned char>(S[P]) <= 32) ++P;
    if (P >= S.size()) return Result;
    const char C = S[P++];
    if (C == '"') {
      std::string Text;
      while (P < S.size() && S[P] != '"') {
        if (S[P] == '\\') ++P;
        if (P < S.size()) Text += S[P++];
      }
      if (P >= S.size()) throw Exception("unbalanced string");
      ++P;
      Result.push_back({bstString, Text, 0});
    } else if (IsPunctuation(C)) {
      Result.push_back({static_cast<Integer>(C), std::string(1, C), 0});
    } else {
      std::string Word(1, C);
      while (P < S.size() && !EndsWord(S[P])) {
        if (S[P] == '\\') {
          if (++P >= S.size()) break;
        }
        Word += S[P++];
      }
      Result.push_back(FinishWord(Word));
    }
  }
}

TEST(StreamTokenPrintedForm, ReadsBackAsTheSameToken) {
  const TReadToken kCases[] = {
      {bstAtom, "speed", 0},
      {bstAtom, "and-mean", 0},
      {bstAtom, "<=X", 0},
      {bstAtom, "+", 0},
      {bstAtom, "-", 0},
      {bstAtom, "CRLF", 0},
      {bstAtom, "a(b", 0},
      {bstAtom, "x y", 0},
      {bstAtom, "x<y", 0},
      {bstAtom, "a;b", 0},
      {bstAtom, "a\"b", 0},
      {bstAtom, "a\\b", 0},
      {bstAtom, "\\start", 0},
      {bstAtom, "tab\there", 0},
      {bstAtom, "k\xC3\xB6ln", 0},
      {bstAtom, "5x", 0},
      {bstAtom, "1e", 0},
      {bstAtom, "$1F", 0},
      {bstAtom, "e5", 0},
      {bstString, "", 0},
      {bstString, "plain", 0},
      {bstString, "km h", 0},
      {bstString, "say \"hi\"", 0},
      {bstString, "back\\slash\\", 0},
      {bstString, "line\r\nbreak", 0},
      {bstString, "(units)", 0},
      {bstInteger, "", 0},
      {bstInteger, "", 5},
      {bstInteger, "", -12},
      {bstInteger, "", 2147483647},
      {bstInteger, "", -2147483648.0},
      {bstFloat, "", 2.5},
      {bstFloat, "", 0.1},
      {bstFloat, "", -0.001},
      {bstFloat, "", 1000},
      {bstFloat, "", 1e20},
      {bstFloat, "", 1.5e-7},
      {bstFloat, "", 123456789.125},
      {bstFloat, "", 1.0 / 3.0},
      {bstVariable, "speed", 0},
      {bstVariable, "", 0},
      {bstVariable, "a b", 0},
      {bstVariable, "x(y", 0},
      {'(', "(", 0},
      {')', ")", 0},
      {'=', "=", 0},
      {'[', "[", 0},
      {']', "]", 0},
      {'&', "&", 0},
      {'|', "|", 0},
      {'~', "~", 0},
  };
  for (const TReadToken& C : kCases) {
    const std::string Text = Printed(C.DataType, C.Text, C.Number);
    EXPECT_THAT(ReadTokens(Text), ElementsAre(C)) << "printed as [" << Text << "]";
  }
}

// Atom texts that no word can hold read back as strings with the same text, which the
// expression language takes like a word.
TEST(StreamTokenPrintedForm, AtomsNoWordCanHoldReadBackAsStrings) {
  for (const std::string Text : {"", "5", "-2.5", ".5", "+0x1F", "?x", "=x", "(", " lead", "\"q", ";c", "[a]"}) {
    const std::string Printed_ = Printed(bstAtom, Text);
    EXPECT_THAT(ReadTokens(Printed_), ElementsAre(TReadToken{bstString, Text, 0})) << Printed_;
  }
}

TEST(StreamTokenPrintedForm, ExactTexts) {
  struct Case {
    Integer DataType;
    std::string Text;
    double Number;
    std::string Expected;
  };
  const Case kCases[] = {
      {bstNone, "EOF", 0, ""},
      {bstAtom, "speed", 0, "speed"},
      {bstAtom, "a(b c", 0, "a\\(b\\ c"},
      {bstAtom, "", 0, "\"\""},
      {bstAtom, "5", 0, "\"5\""},
      {bstString, "km h", 0, "\"km h\""},
      {bstString, "say \"hi\" \\o/", 0, "\"say \\\"hi\\\" \\\\o/\""},
      {bstInteger, "ignored", 42, "42"},
      {bstInteger, "", 2.5, "2.5"},
      {bstFloat, "", 2.5, "2.5"},
      {bstFloat, "", 1000, "1000.0"},
      {bstFloat, "", 1e20, "1E+20"},
      {bstFloat, "", -0.25, "-0.25"},
      {bstFloat, "", std::numeric_limits<double>::quiet_NaN(), "NAN"},
      {bstFloat, "", -std::numeric_limits<double>::infinity(), "-INF"},
      {bstVariable, "speed", 0, "?speed"},
      {bstVariable, "", 0, "?"},
      {'(', "(", 0, "("},
      {99, "anything", 0, "anything"},
  };
  for (const Case& C : kCases) EXPECT_EQ(Printed(C.DataType, C.Text, C.Number), C.Expected) << C.Text;
}

TEST(StreamTokenPrintedForm, NumbersIgnoreTheLocale) {
  TFormatSettings& Settings = FormatSettings();
  const char Saved = Settings.DecimalSeparator;
  Settings.DecimalSeparator = ',';
  const std::string Text = Printed(bstFloat, "", 2.5);
  Settings.DecimalSeparator = Saved;
  EXPECT_EQ(Text, "2.5");
}

TEST(StreamTokenPrintedForm, QuoteTokenText) {
  EXPECT_EQ(QuoteTokenText("a \"b\" \\c"), "\"a \\\"b\\\" \\\\c\"");
  EXPECT_EQ(QuoteTokenText(""), "\"\"");
}

// ---------------------------------------------------------------------------------------------
// TBaseStreamToken

TEST(BaseStreamToken, StartsEmpty) {
  Intf<IBaseStreamToken> T(new TBaseStreamToken);
  EXPECT_EQ(T->GetDataType(), bstNone);
  EXPECT_EQ(T->GetLineNumber(), 0);
  EXPECT_EQ(T->GetNumber(), 0);
  EXPECT_EQ(T->GetText(), "");
  EXPECT_EQ(T->GetWhitespace(), "");
  EXPECT_EQ(T->GetTag(), 0);
}

TEST(BaseStreamToken, EqualsComparesKindTextAndNumberOnly) {
  Intf<IBaseStreamToken> A = MakeToken(bstAtom, "hot");
  Intf<IBaseStreamToken> B = MakeToken(bstAtom, "hot");
  B->SetLineNumber(7);
  B->SetWhitespace("  ; note\r\n");
  B->SetTag(3);
  EXPECT_TRUE(A->Equals(B.get()));
  EXPECT_TRUE(A->Equals(A.get()));
  EXPECT_FALSE(A->Equals(MakeToken(bstString, "hot").get()));
  EXPECT_FALSE(A->Equals(MakeToken(bstAtom, "cold").get()));
  EXPECT_FALSE(MakeToken(bstFloat, "", 1)->Equals(MakeToken(bstFloat, "", 2).get()));
  EXPECT_TRUE(MakeToken(bstFloat, "", NAN)->Equals(MakeToken(bstFloat, "", NAN).get()));
  EXPECT_FALSE(A->Equals(static_cast<IInterface*>(nullptr)));
  Intf<IBaseStreamTokenList> List(new TBaseStreamTokenList);
  EXPECT_FALSE(A->Equals(List.get()));
}

TEST(BaseStreamToken, AssignCopiesEveryAttribute) {
  Intf<IBaseStreamToken> Source = MakeToken(bstFloat, "x", 2.5);
  Source->SetLineNumber(4);
  Source->SetWhitespace(" ");
  Source->SetTag(9);
  auto* Dest = new TBaseStreamToken;
  Intf<IBaseStreamToken> Keep(Dest);
  Dest->Assign(static_cast<IInterface*>(Source.get()));
  auto Attributes = [](IBaseStreamToken* T) {
    return std::vector<std::string>{std::to_string(T->GetDataType()), T->GetText(), std::to_string(T->GetNumber()),
                                    std::to_string(T->GetLineNumber()), T->GetWhitespace(),
                                    std::to_string(T->GetTag())};
  };
  EXPECT_EQ(Attributes(Dest), Attributes(Source.get()));

  Intf<IBaseStreamToken> Other(new TBaseStreamToken);
  dynamic_cast<TBaseStreamToken*>(Other.get())->Assign(static_cast<const TPersistent*>(Dest));
  EXPECT_EQ(Attributes(Other.get()), Attributes(Source.get()));
  Dest->Assign(static_cast<IInterface*>(Dest));  // onto itself: nothing changes
  EXPECT_EQ(Attributes(Dest), Attributes(Source.get()));
}

TEST(BaseStreamToken, AssignFromSomethingElseRaises) {
  Intf<IBaseStreamToken> T(new TBaseStreamToken);
  auto* List = new TBaseStreamTokenList;
  Intf<IBaseStreamTokenList> KeepList(List);
  EXPECT_THROW_MSG(T->Assign(static_cast<const TPersistent*>(List)), EConvertError,
                   "Cannot assign a TBaseStreamTokenList to a TBaseStreamToken");
  EXPECT_THROW_MSG(T->Assign(static_cast<IInterface*>(List)), EConvertError,
                   "Cannot assign a TBaseStreamTokenList to a TBaseStreamToken");
  EXPECT_THROW_MSG(T->Assign(static_cast<IInterface*>(nullptr)), EConvertError,
                   "Cannot assign a nil to a TBaseStreamToken");
}

TEST_F(CountingTest, CloneIsAnEqualTokenOfTheSameClass) {
  Intf<IBaseStreamToken> T(new TCountedToken);
  T->SetDataType(bstString);
  T->SetText("km h");
  T->SetLineNumber(3);
  {
    Intf<IInterface> Copy = T->Clone();
    EXPECT_EQ(gAlive, 2);
    ASSERT_NE(dynamic_cast<TCountedToken*>(Copy.get()), nullptr);
    EXPECT_NE(Copy.get(), static_cast<IInterface*>(T.get()));
    EXPECT_TRUE(T->Equals(Copy.get()));
    EXPECT_EQ(AsIntf<IBaseStreamToken>(Copy)->GetLineNumber(), 3);
  }
  EXPECT_EQ(gAlive, 1);
}

TEST_F(CountingTest, TokenAnswersItsInterfacesAndDiesWithItsLastReference) {
  auto* Raw = new TCountedToken;
  Intf<IBaseStreamToken> Token(Raw);
  Intf<ICloneable> Cloneable = QueryIntf<ICloneable>(Token);
  Intf<IInterface> Plain = QueryIntf<IInterface>(Cloneable);
  ASSERT_TRUE(Cloneable);
  ASSERT_TRUE(Plain);
  EXPECT_EQ(QueryIntf<IBaseStreamToken>(Plain).get(), Token.get());
  EXPECT_FALSE(QueryIntf<IBaseStreamTokenList>(Token));
  EXPECT_EQ(Raw->GetRefCount(), 3);
  Token.reset();
  Cloneable.reset();
  EXPECT_EQ(gAlive, 1);
  Plain.reset();
  EXPECT_EQ(gAlive, 0);
}

// ---------------------------------------------------------------------------------------------
// TInterfaceListPersistent

class InterfaceListTest : public CountingTest {
 protected:
  Intf<IInterface> NewItem() { return Intf<IInterface>(new TCountedItem); }
};

TEST_F(InterfaceListTest, KeepsOneReferencePerPlaceAndReleasesEachOnce) {
  Intf<IInterface> A = NewItem(), B = NewItem(), C = NewItem();
  Intf<IInterface> KeepList(new TInterfaceListPersistent);
  auto* List = dynamic_cast<TInterfaceListPersistent*>(KeepList.get());
  EXPECT_EQ(List->Add(A.get()), 0);
  EXPECT_EQ(List->Add(B.get()), 1);
  EXPECT_EQ(List->Add(A.get()), 2);  // twice: counted twice
  List->Insert(1, nullptr);
  List->Insert(4, C.get());
  EXPECT_EQ(List->GetCount(), 5);
  A.reset();
  B.reset();
  C.reset();
  EXPECT_EQ(gAlive, 3);
  IInterface* First = List->First();
  IInterface* Last = List->Last();
  EXPECT_EQ(List->IndexOf(First), 0);
  EXPECT_EQ(List->IndexOf(nullptr), 1);
  List->Exchange(0, 4);
  EXPECT_EQ(List->First(), Last);
  EXPECT_EQ(List->Remove(First), 3);  // the first of the two places that hold it now
  EXPECT_EQ(gAlive, 3);
  EXPECT_EQ(List->Remove(First), 3);  // its last reference
  EXPECT_EQ(gAlive, 2);
  EXPECT_EQ(List->Remove(First), -1);
  List->Put(0, nullptr);  // the item moved to the front had only this reference
  EXPECT_EQ(gAlive, 1);
  List->Delete(1);  // nil
  EXPECT_EQ(List->GetCount(), 2);
  List->Clear();
  EXPECT_EQ(gAlive, 0);
  EXPECT_EQ(List->First(), nullptr);
  EXPECT_EQ(List->Last(), nullptr);
}

TEST_F(InterfaceListTest, DyingListReleasesItsItems) {
  Intf<IInterface> KeepList(new TInterfaceListPersistent);
  auto* List = dynamic_cast<TInterfaceListPersistent*>(KeepList.get());
  List->Add(NewItem().get());
  List->Add(NewItem().get());
  EXPECT_EQ(gAlive, 2);
  KeepList.reset();
  EXPECT_EQ(gAlive, 0);
}

TEST_F(InterfaceListTest, IndexErrors) {
  Intf<IInterface> KeepList(new TInterfaceListPersistent);
  auto* List = dynamic_cast<TInterfaceListPersistent*>(KeepList.get());
  List->Add(nullptr);
  List->Add(nullptr);
  EXPECT_THROW_MSG(List->Get(2), EListError, "List index out of bounds (2)");
  EXPECT_THROW_MSG(List->Get(-1), EListError, "List index out of bounds (-1)");
  EXPECT_THROW_MSG(List->Put(2, nullptr), EListError, "List index out of bounds (2)");
  EXPECT_THROW_MSG(List->Delete(2), EListError, "List index out of bounds (2)");
  EXPECT_THROW_MSG(List->Insert(3, nullptr), EListError, "List index out of bounds (3)");
  EXPECT_THROW_MSG(List->Exchange(0, 2), EListError, "List index out of bounds (2)");
  List->Insert(2, nullptr);  // at the end
  EXPECT_EQ(List->GetCount(), 3);
}

// An item that, as it dies, looks at the list that held it.
class TWatchingItem : public TInterfacedObject {
 public:
  TWatchingItem(TInterfaceListPersistent* List, std::vector<Integer>& Seen) : FList(List), FSeen(Seen) {}
  ~TWatchingItem() override { FSeen.push_back(FList->GetCount()); }

 private:
  TInterfaceListPersistent* FList;
  std::vector<Integer>& FSeen;
};

TEST(InterfaceList, DroppedItemsAreReleasedOnceTheListIsConsistent) {
  std::vector<Integer> Seen;
  Intf<IInterface> KeepList(new TInterfaceListPersistent);
  auto* List = dynamic_cast<TInterfaceListPersistent*>(KeepList.get());
  for (int I = 0; I < 4; ++I) List->Add(new TWatchingItem(List, Seen));
  List->Delete(0);
  List->Put(0, nullptr);
  List->Clear();
  EXPECT_THAT(Seen, ElementsAre(3, 3, 0, 0));
}

TEST_F(InterfaceListTest, AssignSharesTheItems) {
  Intf<IInterface> KeepA(new TInterfaceListPersistent);
  Intf<IInterface> KeepB(new TInterfaceListPersistent);
  auto* A = dynamic_cast<TInterfaceListPersistent*>(KeepA.get());
  auto* B = dynamic_cast<TInterfaceListPersistent*>(KeepB.get());
  A->Add(NewItem().get());
  A->Add(nullptr);
  B->Add(NewItem().get());
  B->Assign(A);
  EXPECT_EQ(gAlive, 1);  // B's own item went
  ASSERT_EQ(B->GetCount(), 2);
  EXPECT_EQ(B->Get(0), A->Get(0));
  EXPECT_EQ(B->Get(1), nullptr);
  B->Assign(B);
  EXPECT_EQ(B->GetCount(), 2);
  Intf<IBaseStreamToken> Token(new TBaseStreamToken);
  EXPECT_THROW_MSG(B->Assign(dynamic_cast<TBaseStreamToken*>(Token.get())), EConvertError,
                   "Cannot assign a TBaseStreamToken to a TInterfaceListPersistent");
}

// ---------------------------------------------------------------------------------------------
// TBaseStreamTokenList

class TokenListTest : public CountingTest {
 protected:
  Intf<IBaseStreamToken> Token(Integer DataType, const std::string& Text, double Number = 0) {
    Intf<IBaseStreamToken> T(new TCountedToken);
    T->SetDataType(DataType);
    T->SetText(Text);
    T->SetNumber(Number);
    return T;
  }
  Intf<IBaseStreamTokenList> List(std::initializer_list<Intf<IBaseStreamToken>> Items) {
    Intf<IBaseStreamTokenList> L(new TBaseStreamTokenList);
    for (const auto& Item : Items) L->Add(Item.get());
    return L;
  }
};

TEST_F(TokenListTest, GetAddAndCount) {
  Intf<IBaseStreamToken> A = Token(bstAtom, "high"), B = Token(bstAtom, "low");
  Intf<IBaseStreamTokenList> L(new TBaseStreamTokenList);
  EXPECT_EQ(L->GetValueCount(), 0);
  EXPECT_EQ(L->First(), nullptr);
  EXPECT_EQ(L->Last(), nullptr);
  EXPECT_EQ(L->Add(A.get()), 0);
  EXPECT_EQ(L->Add(B.get()), 1);
  EXPECT_EQ(L->Add(nullptr), 2);
  EXPECT_EQ(L->GetValueCount(), 3);
  EXPECT_EQ(L->Get(0), A.get());
  EXPECT_EQ(L->Get(1), B.get());
  EXPECT_EQ(L->Get(2), nullptr);
  EXPECT_EQ(L->First(), A.get());
  EXPECT_EQ(L->Last(), nullptr);
  EXPECT_EQ(L->IndexOf(B.get()), 1);
  EXPECT_THROW_MSG(L->Get(3), EListError, "List index out of bounds (3)");
  L->Insert(0, B.get());
  L->Put(3, A.get());
  L->Delete(1);
  EXPECT_EQ(L->Remove(B.get()), 0);
  EXPECT_EQ(L->GetValueCount(), 2);
  EXPECT_EQ(L->Get(0), B.get());
  EXPECT_EQ(L->Get(1), A.get());
  A.reset();
  B.reset();
  EXPECT_EQ(gAlive, 2);
  L->Clear();
  EXPECT_EQ(gAlive, 0);
}

TEST_F(TokenListTest, AnItemThatIsNoTokenRaisesWhereItComesBackAsOne) {
  auto* Raw = new TBaseStreamTokenList;
  Intf<IBaseStreamTokenList> L(Raw);
  Raw->TInterfaceListPersistent::Add(new TCountedItem);
  EXPECT_THROW_MSG(L->Get(0), EIntfCastError, "Interface not supported");
  EXPECT_THROW_MSG(L->First(), EIntfCastError, "Interface not supported");
  EXPECT_THROW_MSG(L->Last(), EIntfCastError, "Interface not supported");
  EXPECT_EQ(L->ToString(), "()");
}

TEST_F(TokenListTest, PrintedFormReadsBackItsTokens) {
  Intf<IBaseStreamTokenList> L = List({Token(bstAtom, "tri"), Token(bstInteger, "", 0),
                                       Token(bstFloat, "", 0.5), Token(bstString, "a \"b\""),
                                       Token(bstVariable, "x"), Token('[', "[")});
  L->Add(nullptr);
  EXPECT_EQ(L->ToString(), "(tri 0 0.5 \"a \\\"b\\\"\" ?x [)");
  EXPECT_EQ(List({})->ToString(), "()");
}

TEST_F(TokenListTest, Equals) {
  Intf<IBaseStreamTokenList> A = List({Token(bstAtom, "high"), nullptr, Token(bstInteger, "", 2)});
  Intf<IBaseStreamTokenList> B = List({Token(bstAtom, "high"), nullptr, Token(bstInteger, "", 2)});
  Intf<IBaseStreamTokenList> Shorter = List({Token(bstAtom, "high"), nullptr});
  Intf<IBaseStreamTokenList> Other = List({Token(bstAtom, "high"), nullptr, Token(bstInteger, "", 3)});
  Intf<IBaseStreamTokenList> NilElsewhere = List({Token(bstAtom, "high"), Token(bstAtom, "x"), nullptr});
  EXPECT_TRUE(A->Equals(B.get()));
  EXPECT_TRUE(A->Equals(A.get()));
  EXPECT_FALSE(A->Equals(Shorter.get()));
  EXPECT_FALSE(A->Equals(Other.get()));
  EXPECT_FALSE(A->Equals(NilElsewhere.get()));
  EXPECT_FALSE(A->Equals(static_cast<IBaseStreamTokenList*>(nullptr)));
  EXPECT_TRUE(A->Equals(static_cast<IInterface*>(B.get())));
  EXPECT_TRUE(A->Equals(dynamic_cast<const TObject*>(B.get())));
  EXPECT_FALSE(A->Equals(static_cast<const TObject*>(nullptr)));
  Intf<IBaseStreamToken> T = Token(bstAtom, "high");
  EXPECT_FALSE(A->Equals(dynamic_cast<const TObject*>(T.get())));
}

TEST_F(TokenListTest, AppendAddsTheSameTokens) {
  Intf<IBaseStreamToken> T = Token(bstAtom, "a");
  Intf<IBaseStreamTokenList> A = List({T});
  Intf<IBaseStreamTokenList> B = List({Token(bstAtom, "b")});
  A->Append(B.get());
  EXPECT_EQ(A->Get(1), B->Get(0));
  A->Append(A.get());  // onto itself: doubles
  EXPECT_EQ(A->ToString(), "(a b a b)");
  A->Append(nullptr);
  EXPECT_EQ(A->GetValueCount(), 4);
}

TEST_F(TokenListTest, AssignSharesCloneCopies) {
  Intf<IBaseStreamTokenList> Source = List({Token(bstAtom, "a"), nullptr, Token(bstString, "b")});
  Source->SetTag(5);
  Intf<IBaseStreamTokenList> Assigned(new TBaseStreamTokenList);
  Assigned->Add(Token(bstAtom, "old").get());
  Assigned->Assign(static_cast<IInterface*>(Source.get()));
  EXPECT_EQ(gAlive, 2);
  EXPECT_EQ(Assigned->Get(0), Source->Get(0));
  EXPECT_EQ(Assigned->GetTag(), 5);

  Intf<IBaseStreamTokenList> Cloned = AsIntf<IBaseStreamTokenList>(Source->Clone());
  EXPECT_EQ(gAlive, 4);
  EXPECT_TRUE(Cloned->Equals(Source.get()));
  EXPECT_NE(Cloned->Get(0), Source->Get(0));
  EXPECT_EQ(Cloned->Get(1), nullptr);
  EXPECT_EQ(Cloned->GetTag(), 5);
  Cloned->Get(0)->SetText("changed");
  EXPECT_EQ(Source->Get(0)->GetText(), "a");
}

TEST_F(TokenListTest, AnswersItsInterfaces) {
  Intf<IBaseStreamTokenList> L = List({Token(bstAtom, "a")});
  EXPECT_TRUE(QueryIntf<ICloneable>(L));
  EXPECT_EQ(QueryIntf<IBaseStreamTokenList>(QueryIntf<ICloneable>(L)).get(), L.get());
  EXPECT_FALSE(QueryIntf<IBaseStreamToken>(L));
}

}  // namespace
}  // namespace tarnwick
