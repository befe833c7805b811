// The fuzzy interfaces' identifiers and the fuzzy language's token and token list: payloads
// and their counting, the text of each kind, the typed views of the list, copies, queries and
// where tokens take their memory.
#include "tarnwick/model/FuzzyInterfaces.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/detail/BlockCache.h"

namespace tarnwick {
namespace {

using test::CountingTest;
using test::gAlive;
using test::TCounted;

TEST(FuzzyInterfaceIdentifiers, AreTheFixedOnes) {
  struct Case {
    TGUID IID;
    TGUID Expected;
    const char* Name;
  };
  const Case kCases[] = {
      {IFuzzySet::IID, MakeGUID("{B5C057E4-FD60-4818-9641-B61A71B492CF}"), "IFuzzySet"},
      {IFuzzyVariable::IID, MakeGUID("{F749FF55-FFF4-4F92-9B6F-14568D174661}"), "IFuzzyVariable"},
      {IFuzzyParser::IID, MakeGUID("{7F0ED40B-4048-46BB-8EFB-DAB9532F6A54}"), "IFuzzyParser"},
      {IFuzzyStreamToken::IID, MakeGUID("{E86CEA84-8228-4C29-8F78-6B9728B01227}"), "IFuzzyStreamToken"},
      {IFuzzyStreamTokenList::IID, MakeGUID("{FC119D38-7F42-433A-9E04-A0577D6E188C}"), "IFuzzyStreamTokenList"},
      {ICloneable::IID, MakeGUID("{2D42CCDB-D296-11D3-B9BB-00C04F8EDA5F}"), "ICloneable"},
      {IBaseStreamToken::IID, MakeGUID("{CCE9541F-DBBC-42B9-B420-C6F5AAFA67D1}"), "IBaseStreamToken"},
      {IBaseStreamTokenList::IID, MakeGUID("{B6310763-2490-4DF2-B478-8CCE8BEB8E86}"), "IBaseStreamTokenList"},
  };
  for (const Case& C : kCases) EXPECT_TRUE(C.IID == C.Expected) << C.Name;
}

// Counted in gAlive, so a test sees the exact moment an object dies; copies of the token and
// the list are counted too.
using TCountedIntf = TCounted<TInterfacedObject>;
using TCountedObject = TCounted<TObject>;

class TCountedFuzzyToken : public TCounted<TFuzzyStreamToken> {
 protected:
  TBaseStreamToken* NewInstance() const override { return new TCountedFuzzyToken; }
};

class TCountedFuzzyList : public TCounted<TFuzzyStreamTokenList> {
 protected:
  TBaseStreamTokenList* NewInstance() const override { return new TCountedFuzzyList; }
};

class FuzzyTokenTest : public CountingTest {
 protected:
  static Intf<IFuzzyStreamToken> Token(Integer DataType, const std::string& Text, double Number = 0) {
    Intf<IFuzzyStreamToken> T(new TCountedFuzzyToken);
    T->SetDataType(DataType);
    T->SetText(Text);
    T->SetNumber(Number);
    return T;
  }
  static Intf<IFuzzyStreamTokenList> List(std::initializer_list<Intf<IFuzzyStreamToken>> Items) {
    Intf<IFuzzyStreamTokenList> L(new TCountedFuzzyList);
    for (const auto& Item : Items) L->Add(Item.get());
    return L;
  }
  static TFuzzyStreamToken* Impl(const Intf<IFuzzyStreamToken>& T) { return dynamic_cast<TFuzzyStreamToken*>(T.get()); }
};

// ---------------------------------------------------------------------------------------------
// Payloads

TEST_F(FuzzyTokenTest, SetListGivesAListTokenThatIsNoSet) {
  Intf<IFuzzyStreamTokenList> L = List({Token(fstAtom, "a")});
  Intf<IFuzzyStreamToken> T = Token('(', "(");
  T->SetList(L.get());
  EXPECT_EQ(T->GetDataType(), fstList);
  EXPECT_EQ(T->GetList().get(), L.get());
  EXPECT_FALSE(T->GetFuzzySetIntf());
  EXPECT_EQ(T->GetIntfValue().get(), static_cast<IInterface*>(L.get()));
  EXPECT_EQ(T->ToString(), "(a)");
}

TEST_F(FuzzyTokenTest, ObjectPayloadsAreNeitherOwnedNorFreed) {
  TFuzzySet Set(nullptr);
  Set.SetExpression("very hot");
  Intf<IFuzzyStreamToken> T = Token(fstAtom, "x");
  T->SetObjValue(&Set);
  EXPECT_EQ(T->GetDataType(), fstObject);
  EXPECT_EQ(T->ToString(), "<object>");
  EXPECT_EQ(Impl(T)->GetFuzzySet(), &Set);

  Impl(T)->SetFuzzySet(&Set);
  EXPECT_EQ(T->GetDataType(), fstFuzzySet);
  EXPECT_EQ(T->ToString(), "very hot");  // the expression, not a printed form
  Set.SetExpression("");
  EXPECT_EQ(T->ToString(), "");

  auto* Plain = new TCountedObject;
  T->SetObjValue(Plain);
  EXPECT_EQ(Impl(T)->GetFuzzySet(), nullptr);
  T.reset();
  EXPECT_EQ(gAlive, 1);  // the token is gone, its object payload is not
  delete Plain;
}

TEST_F(FuzzyTokenTest, NilPayloadsMakeATokenOfNoKind) {
  struct Case {
    const char* Name;
    void (*Set)(IFuzzyStreamToken*);
  };
  const Case kCases[] = {
      {"SetIntfValue", [](IFuzzyStreamToken* T) { T->SetIntfValue(nullptr); }},
      {"SetList", [](IFuzzyStreamToken* T) { T->SetList(nullptr); }},
      {"SetFuzzySetIntf", [](IFuzzyStreamToken* T) { T->SetFuzzySetIntf(nullptr); }},
      {"SetObjValue", [](IFuzzyStreamToken* T) { T->SetObjValue(nullptr); }},
      {"SetFuzzySet", [](IFuzzyStreamToken* T) { dynamic_cast<TFuzzyStreamToken*>(T)->SetFuzzySet(nullptr); }},
  };
  for (const Case& C : kCases) {
    Intf<IFuzzyStreamToken> T = Token(fstAtom, "hot");
    C.Set(T.get());
    EXPECT_EQ(T->GetDataType(), fstNone) << C.Name;
    EXPECT_EQ(T->GetText(), "hot") << C.Name;
    EXPECT_EQ(T->ToString(), "") << C.Name;  // the base's form of kind none
  }
}

TEST_F(FuzzyTokenTest, EachSetterLeavesTheOtherPayloadStale) {
  Intf<IFuzzyStreamTokenList> L = List({});
  TCountedObject Obj;
  Intf<IFuzzyStreamToken> T = Token(fstAtom, "x");
  T->SetList(L.get());
  T->SetObjValue(&Obj);
  EXPECT_EQ(T->GetDataType(), fstObject);
  EXPECT_EQ(T->GetList().get(), L.get());
  T->SetIntfValue(new TCountedIntf);
  EXPECT_EQ(T->GetDataType(), fstInterface);
  EXPECT_EQ(T->GetObjValue(), &Obj);
  EXPECT_EQ(T->ToString(), "<interface>");
}

TEST_F(FuzzyTokenTest, InterfacePayloadIsCountedAndReleasedExactlyOnce) {
  Intf<IFuzzyStreamToken> T = Token(fstAtom, "x");
  {
    Intf<IInterface> First(new TCountedIntf);
    T->SetIntfValue(First.get());
  }
  EXPECT_EQ(gAlive, 2);  // the token keeps its payload alive
  T->SetIntfValue(new TCountedIntf);
  EXPECT_EQ(gAlive, 2);  // the first payload went, the second came
  T->SetIntfValue(T->GetIntfValue().get());  // the same again
  EXPECT_EQ(gAlive, 2);
  T->SetIntfValue(nullptr);
  EXPECT_EQ(gAlive, 1);
  T->SetList(List({Token(fstAtom, "a"), Token(fstAtom, "b")}).get());
  EXPECT_EQ(gAlive, 4);
  T.reset();  // the whole tree goes with the token
}

TEST_F(FuzzyTokenTest, TextByKind) {
  Intf<IFuzzyStreamTokenList> Inner = List({Token(fstAtom, "b"), Token(fstString, "c d")});
  Intf<IFuzzyStreamToken> Group = Token('(', "(");
  Group->SetList(Inner.get());
  Intf<IFuzzyStreamTokenList> Outer =
      List({Token(fstAtom, "tri"), Token(fstInteger, "", 0), Group, Token(fstFloat, "", 0.5)});
  Intf<IFuzzyStreamToken> T = Token('(', "(");
  T->SetList(Outer.get());
  EXPECT_EQ(T->ToString(), "(tri 0 (b \"c d\") 0.5)");

  // A payload kind set without its payload prints as the base token.
  for (Integer Kind : {fstList, fstIFuzzySet, fstFuzzySet}) {
    Intf<IFuzzyStreamToken> Bare = Token(Kind, "(");
    EXPECT_EQ(Bare->ToString(), "(") << Kind;
  }
  Intf<IFuzzyStreamToken> Iface = Token(fstInterface, "");
  EXPECT_EQ(Iface->ToString(), "<interface>");
  Intf<IFuzzyStreamToken> Obj = Token(fstObject, "");
  EXPECT_EQ(Obj->ToString(), "<object>");
  EXPECT_EQ(Token(fstString, "km h")->ToString(), "\"km h\"");
  EXPECT_EQ(Token(fstVariable, "x")->ToString(), "?x");
}

TEST_F(FuzzyTokenTest, AnInterfacePayloadThatIsNoSetOrListGivesNil) {
  Intf<IFuzzyStreamToken> T = Token(fstAtom, "x");
  T->SetFuzzySetIntf(nullptr);
  EXPECT_FALSE(T->GetFuzzySetIntf());
  T->SetIntfValue(new TCountedIntf);
  EXPECT_FALSE(T->GetFuzzySetIntf());
  EXPECT_FALSE(T->GetList());
  Intf<IFuzzyStreamToken> Other = Token(fstAtom, "y");
  T->SetIntfValue(Other.get());  // a token is an interface too, but neither a set nor a list
  EXPECT_FALSE(T->GetList());
}

// ---------------------------------------------------------------------------------------------
// Copies and equality

TEST_F(FuzzyTokenTest, AssignCopiesBothPayloads) {
  TCountedObject Obj;
  Intf<IFuzzyStreamTokenList> L = List({Token(fstAtom, "a")});
  Intf<IFuzzyStreamToken> Source = Token('(', "(");
  Source->SetObjValue(&Obj);
  Source->SetList(L.get());
  Source->SetLineNumber(4);
  Intf<IFuzzyStreamToken> Dest = Token(fstAtom, "old");
  Dest->Assign(static_cast<IInterface*>(Source.get()));
  EXPECT_EQ(Dest->GetDataType(), fstList);
  EXPECT_EQ(Dest->GetLineNumber(), 4);
  EXPECT_EQ(Dest->GetList().get(), L.get());
  EXPECT_EQ(Dest->GetObjValue(), &Obj);
  Intf<IFuzzyStreamToken> ByClass = Token(fstAtom, "old");
  Impl(ByClass)->Assign(static_cast<const TPersistent*>(Impl(Source)));
  EXPECT_EQ(ByClass->GetList().get(), L.get());
  EXPECT_EQ(ByClass->GetObjValue(), &Obj);
  Dest->Assign(static_cast<IInterface*>(Dest.get()));  // onto itself
  EXPECT_EQ(Dest->GetList().get(), L.get());
}

TEST_F(FuzzyTokenTest, AssignFromABaseTokenKeepsThePayloads) {
  Intf<IFuzzyStreamToken> T = Token(fstAtom, "x");
  T->SetIntfValue(new TCountedIntf);
  Intf<IBaseStreamToken> Plain(new TBaseStreamToken);
  Plain->SetDataType(fstAtom);
  Plain->SetText("y");
  T->Assign(static_cast<IInterface*>(Plain.get()));
  EXPECT_EQ(T->GetText(), "y");
  EXPECT_EQ(T->GetDataType(), fstAtom);
  EXPECT_TRUE(T->GetIntfValue());
}

TEST_F(FuzzyTokenTest, CloneSharesNoTokenList) {
  Intf<IFuzzyStreamTokenList> Inner = List({Token(fstAtom, "b")});
  Intf<IFuzzyStreamToken> Group = Token('(', "(");
  Group->SetList(Inner.get());
  Intf<IFuzzyStreamToken> T = Token('(', "(");
  T->SetList(List({Token(fstAtom, "tri"), Group}).get());
  const int Before = gAlive;  // T's tree: three tokens below T, two lists

  Intf<IFuzzyStreamToken> Copy = AsIntf<IFuzzyStreamToken>(T->Clone());
  EXPECT_EQ(gAlive, 2 * Before);
  ASSERT_NE(dynamic_cast<TCountedFuzzyToken*>(Copy.get()), nullptr);
  EXPECT_TRUE(Copy->Equals(T.get()));
  EXPECT_NE(Copy->GetList().get(), T->GetList().get());
  Inner->Delete(0);  // the evaluator rewrites lists in place; the clone keeps its own
  EXPECT_EQ(T->ToString(), "(tri ())");
  EXPECT_EQ(Copy->ToString(), "(tri (b))");
  EXPECT_FALSE(Copy->Equals(T.get()));

  TCountedObject Obj;
  Intf<IFuzzyStreamToken> WithObject = Token(fstAtom, "x");
  WithObject->SetIntfValue(new TCountedIntf);
  WithObject->SetObjValue(&Obj);
  const int Alive = gAlive;
  Intf<IFuzzyStreamToken> ObjectCopy = AsIntf<IFuzzyStreamToken>(WithObject->Clone());
  EXPECT_EQ(gAlive, Alive + 1);  // the token only: other payloads are shared
  EXPECT_EQ(ObjectCopy->GetObjValue(), &Obj);
  EXPECT_EQ(ObjectCopy->GetIntfValue(), WithObject->GetIntfValue());
}

TEST_F(FuzzyTokenTest, EqualsComparesThePayloadTheKindNames) {
  TCountedObject A, B;
  Intf<IFuzzyStreamToken> TA = Token(fstAtom, "x"), TB = Token(fstAtom, "x");
  TA->SetObjValue(&A);
  TB->SetObjValue(&A);
  EXPECT_TRUE(TA->Equals(TB.get()));
  TB->SetObjValue(&B);
  EXPECT_FALSE(TA->Equals(TB.get()));

  Intf<IFuzzyStreamToken> LA = Token('(', "("), LB = Token('(', "(");
  LA->SetList(List({Token(fstAtom, "a")}).get());
  LB->SetList(List({Token(fstAtom, "a")}).get());
  EXPECT_TRUE(LA->Equals(LB.get()));
  LB->SetList(List({Token(fstAtom, "b")}).get());
  EXPECT_FALSE(LA->Equals(LB.get()));

  Intf<IInterface> Payload(new TCountedIntf);
  Intf<IFuzzyStreamToken> IA = Token(fstAtom, ""), IB = Token(fstAtom, "");
  IA->SetIntfValue(Payload.get());
  IB->SetIntfValue(Payload.get());
  EXPECT_TRUE(IA->Equals(IB.get()));
  IB->SetIntfValue(new TCountedIntf);
  EXPECT_FALSE(IA->Equals(IB.get()));

  // A plain token of a payload kind has no payload to agree on.
  Intf<IBaseStreamToken> Plain(new TBaseStreamToken);
  Plain->SetDataType(fstObject);
  Plain->SetText("x");
  EXPECT_FALSE(TA->Equals(Plain.get()));
  // Kinds without a payload ignore a stale one.
  TA->SetDataType(fstAtom);
  TB->SetDataType(fstAtom);
  EXPECT_TRUE(TA->Equals(TB.get()));
}

// ---------------------------------------------------------------------------------------------
// Interfaces of tokens and lists

TEST_F(FuzzyTokenTest, TokenAnswersEachOfItsInterfacesAsOneObject) {
  Intf<IFuzzyStreamToken> T = Token(fstAtom, "x");
  Intf<IBaseStreamToken> Base = QueryIntf<IBaseStreamToken>(T);
  Intf<ICloneable> Cloneable = QueryIntf<ICloneable>(Base);
  ASSERT_TRUE(Base);
  ASSERT_TRUE(Cloneable);
  EXPECT_EQ(QueryIntf<IFuzzyStreamToken>(Cloneable).get(), T.get());
  EXPECT_EQ(QueryIntf<IFuzzyStreamToken>(Base).get(), T.get());
  EXPECT_EQ(QueryIntf<IInterface>(Cloneable).get(), static_cast<IInterface*>(T.get()));
  EXPECT_FALSE(QueryIntf<IFuzzyStreamTokenList>(T));
  EXPECT_FALSE(QueryIntf<IFuzzySet>(T));
  Intf<IBaseStreamToken> Plain(new TBaseStreamToken);
  EXPECT_FALSE(QueryIntf<IFuzzyStreamToken>(Plain));
}

TEST_F(FuzzyTokenTest, ListAnswersEachOfItsInterfacesAsOneObject) {
  Intf<IFuzzyStreamTokenList> L = List({});
  Intf<IBaseStreamTokenList> Base = QueryIntf<IBaseStreamTokenList>(L);
  ASSERT_TRUE(Base);
  EXPECT_EQ(QueryIntf<IFuzzyStreamTokenList>(QueryIntf<ICloneable>(Base)).get(), L.get());
  EXPECT_FALSE(QueryIntf<IBaseStreamToken>(L));
}

TEST_F(FuzzyTokenTest, ListGetAddAndCountSeenThroughEitherInterface) {
  Intf<IFuzzyStreamToken> A = Token(fstAtom, "high"), B = Token(fstAtom, "low"), C = Token(fstAtom, "and");
  Intf<IFuzzyStreamTokenList> L = List({});
  EXPECT_EQ(L->Add(A.get()), 0);
  EXPECT_EQ(L->Add(C.get()), 1);
  L->Insert(1, B.get());
  EXPECT_EQ(L->GetValueCount(), 3);
  EXPECT_EQ(L->Get(1), B.get());
  EXPECT_EQ(L->First(), A.get());
  EXPECT_EQ(L->Last(), C.get());
  EXPECT_EQ(L->IndexOf(C.get()), 2);
  Intf<IBaseStreamTokenList> Base = QueryIntf<IBaseStreamTokenList>(L);
  EXPECT_EQ(Base->Get(1), static_cast<IBaseStreamToken*>(B.get()));
  EXPECT_EQ(Base->First(), static_cast<IBaseStreamToken*>(A.get()));
  EXPECT_EQ(L->ToString(), "(high low and)");

  L->Put(0, C.get());
  EXPECT_EQ(L->Remove(C.get()), 0);
  Intf<IFuzzyStreamTokenList> More = List({A});
  L->Append(More.get());
  EXPECT_EQ(L->ToString(), "(low and high)");
  EXPECT_TRUE(L->Equals(List({Token(fstAtom, "low"), Token(fstAtom, "and"), Token(fstAtom, "high")}).get()));
  EXPECT_THROW_MSG(L->Get(3), EListError, "List index out of bounds (3)");
  EXPECT_THROW_MSG(L->Put(3, A.get()), EListError, "List index out of bounds (3)");
  EXPECT_THROW_MSG(L->Insert(4, A.get()), EListError, "List index out of bounds (4)");
  EXPECT_THROW_MSG(L->Delete(3), EListError, "List index out of bounds (3)");
  L->Add(static_cast<IFuzzyStreamToken*>(nullptr));
  EXPECT_EQ(L->Last(), nullptr);
}

TEST_F(FuzzyTokenTest, APlainTokenInTheListIsReachedOnlyThroughTheBaseView) {
  Intf<IBaseStreamToken> Plain(new TBaseStreamToken);
  Plain->SetDataType(fstAtom);
  Plain->SetText("plain");
  Intf<IFuzzyStreamTokenList> L = List({});
  L->Add(Plain.get());
  auto* ListImpl = dynamic_cast<TFuzzyStreamTokenList*>(L.get());
  EXPECT_THROW_MSG(L->Get(0), EIntfCastError, "Interface not supported");
  EXPECT_THROW_MSG(L->First(), EIntfCastError, "Interface not supported");
  EXPECT_THROW_MSG(L->Last(), EIntfCastError, "Interface not supported");
  EXPECT_EQ(ListImpl->GetBaseStreamToken(0), Plain.get());
  EXPECT_EQ(ListImpl->FirstBaseStreamToken(), Plain.get());
  EXPECT_EQ(ListImpl->LastBaseStreamToken(), Plain.get());
  ListImpl->PutBaseStreamToken(0, nullptr);
  EXPECT_EQ(L->Get(0), nullptr);
}

TEST_F(FuzzyTokenTest, ListCloneIsAFuzzyListOfCopies) {
  Intf<IFuzzyStreamTokenList> L = List({Token(fstAtom, "a"), Token(fstFloat, "", 1.5)});
  Intf<IFuzzyStreamTokenList> Copy = AsIntf<IFuzzyStreamTokenList>(L->Clone());
  ASSERT_NE(dynamic_cast<TCountedFuzzyList*>(Copy.get()), nullptr);
  EXPECT_TRUE(Copy->Equals(L.get()));
  EXPECT_NE(Copy->Get(0), L->Get(0));
  ASSERT_NE(dynamic_cast<TCountedFuzzyToken*>(Copy->Get(0)), nullptr);
}

// ---------------------------------------------------------------------------------------------
// Memory

// Tokens take their memory from blocks that the tokens dying in the same thread left behind.
// Whatever thread made a token, it may die in any other, also after its maker ended; a token of
// a class too large for a block has memory of its own; a thread's kept blocks go with it (the
// leak checker of the ci build sees any that stay behind, the address checker any block used
// after its token died).
TEST_F(FuzzyTokenTest, TokensLiveAndDieInAnyThread) {
  class TLargeToken : public TCountedFuzzyToken {
   public:
    char Payload[64] = {};
  };
  constexpr int Count = static_cast<int>(detail::kTokenCacheBytes / sizeof(TFuzzyStreamToken)) + 100;
  std::vector<Intf<IFuzzyStreamToken>> Handed;
  std::thread Maker([&Handed] {
    std::vector<Intf<IFuzzyStreamToken>> Kept;
    for (int I = 0; I < 2 * Count; ++I) {
      Intf<IFuzzyStreamToken> Token(I % 7 == 0 ? new TLargeToken : new TCountedFuzzyToken);
      Token->SetText(std::to_string(I));
      (I % 2 == 0 ? Handed : Kept).push_back(std::move(Token));
    }
    Kept.clear();  // more than the thread keeps blocks for
    for (int I = 0; I < Count; ++I) Intf<IFuzzyStreamToken>(new TCountedFuzzyToken)->SetNumber(I);
  });
  Maker.join();
  EXPECT_EQ(gAlive, Count);
  for (int I = 0; I < Count; ++I) EXPECT_EQ(Handed[static_cast<std::size_t>(I)]->GetText(), std::to_string(2 * I));
  Handed.clear();
}

}  // namespace
}  // namespace tarnwick
