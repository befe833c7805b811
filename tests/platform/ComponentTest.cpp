// Components: ownership, names, states, and the notices of every order of destruction,
// recorded as an event log.
#include "tarnwick/platform/Component.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/SysUtils.h"

namespace tarnwick {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using test::MessageOf;

using TLog = std::vector<std::string>;

// Records its notices and its destruction as "Self.Notification(Other, opX)" and "~Self".
class TLogComponent : public TComponent {
 public:
  TLogComponent(TComponent* AOwner, const std::string& AName, TLog& Log)
      : TComponent(AOwner), FLog(Log) {
    SetName(AName);
  }
  ~TLogComponent() override { FLog.push_back("~" + GetName()); }

  // Runs after the notice is logged; may delete components, this one included.
  std::function<void(TComponent* AComponent, TOperation Operation)> OnNotification;
  std::function<void()> OnLoaded;

  using TComponent::SetDesigning;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    FLog.push_back(GetName() + ".Notification(" + AComponent->GetName() + ", " +
                   (Operation == opInsert ? "opInsert" : "opRemove") + ")");
    if (OnNotification) {
      auto Handler = OnNotification;  // the handler may delete this object, and the member with it
      Handler(AComponent, Operation);
    }
  }
  void Loaded() override {
    FLog.push_back(GetName() + ".Loaded(" + (IsLoading() ? "loading" : "done") + ")");
    TComponent::Loaded();
    if (OnLoaded) OnLoaded();
  }

 private:
  TLog& FLog;
};

class ComponentTest : public ::testing::Test {
 protected:
  TLogComponent* Make(TComponent* AOwner, const std::string& AName) {
    return new TLogComponent(AOwner, AName, Log);
  }
  TLog Log;
};

TEST_F(ComponentTest, OwnerListsItsComponents) {
  TLogComponent* Owner = Make(nullptr, "Owner");
  TLogComponent* A = Make(Owner, "A");
  TLogComponent* B = Make(Owner, "B");
  // The owner hears of each one as it joins, before its constructor has given it a name.
  EXPECT_THAT(Log, ElementsAre("Owner.Notification(, opInsert)", "Owner.Notification(, opInsert)"));
  EXPECT_EQ(A->GetOwner(), Owner);
  EXPECT_EQ(Owner->GetComponentCount(), 2);
  EXPECT_EQ(Owner->GetComponent(0), A);
  EXPECT_EQ(Owner->GetComponent(1), B);
  EXPECT_EQ(Owner->FindComponent("b"), B);
  EXPECT_EQ(Owner->FindComponent("C"), nullptr);
  EXPECT_EQ(Owner->FindComponent(""), nullptr);
  EXPECT_EQ(MessageOf<EListError>([&] { Owner->GetComponent(2); }), "List index out of bounds (2)");
  EXPECT_EQ(MessageOf<EListError>([&] { Owner->GetComponent(-1); }), "List index out of bounds (-1)");
  delete Owner;
}

TEST_F(ComponentTest, OwnerDestroyedFirst) {
  TLogComponent* Owner = Make(nullptr, "Owner");
  TLogComponent* A = Make(Owner, "A");
  TLogComponent* B = Make(Owner, "B");
  TLogComponent* Outside = Make(nullptr, "Outside");
  A->FreeNotification(B);        // siblings link like any others
  A->FreeNotification(Outside);
  Log.clear();

  delete Owner;
  // B goes first (last first) and tells A; A then tells Outside. The owner's own handler is
  // gone by then (its destructor ran first), so it records nothing.
  EXPECT_THAT(Log, ElementsAre("~Owner", "~B", "A.Notification(B, opRemove)", "~A",
                               "Outside.Notification(A, opRemove)"));
  EXPECT_FALSE(Outside->GetComponentState().Contains(csFreeNotification));
  Log.clear();
  delete Outside;
  EXPECT_THAT(Log, ElementsAre("~Outside"));
}

TEST_F(ComponentTest, OwnedComponentDeletedDirectly) {
  TLogComponent* Owner = Make(nullptr, "Owner");
  TLogComponent* A = Make(Owner, "A");
  Make(Owner, "B");
  Log.clear();
  delete A;
  EXPECT_THAT(Log, ElementsAre("~A", "Owner.Notification(A, opRemove)"));
  EXPECT_EQ(Owner->GetComponentCount(), 1);
  EXPECT_EQ(Owner->FindComponent("A"), nullptr);
  delete Owner;
}

TEST_F(ComponentTest, FreeNotificationWorksBothWays) {
  // A->FreeNotification(B) asks for B to hear of A; A hears of B as well.
  {
    TLogComponent* A = Make(nullptr, "A");
    TLogComponent* B = Make(nullptr, "B");
    A->FreeNotification(B);
    EXPECT_TRUE(A->GetComponentState().Contains(csFreeNotification));
    delete A;
    delete B;
  }
  {
    TLogComponent* A = Make(nullptr, "A");
    TLogComponent* B = Make(nullptr, "B");
    A->FreeNotification(B);
    A->FreeNotification(B);  // once is enough
    delete B;
    delete A;
  }
  EXPECT_THAT(Log, ElementsAre("~A", "B.Notification(A, opRemove)", "~B",  //
                               "~B", "A.Notification(B, opRemove)", "~A"));
}

TEST_F(ComponentTest, RemoveFreeNotificationUndoesTheLink) {
  TLogComponent* A = Make(nullptr, "A");
  TLogComponent* B = Make(nullptr, "B");
  A->FreeNotification(B);
  A->RemoveFreeNotification(B);
  EXPECT_FALSE(A->GetComponentState().Contains(csFreeNotification));
  EXPECT_FALSE(B->GetComponentState().Contains(csFreeNotification));
  A->RemoveFreeNotification(B);  // nothing left to undo
  delete A;
  delete B;
  EXPECT_THAT(Log, ElementsAre("~A", "~B"));
}

// A logic component and its parser each ask to hear of the other; the logic's destructor
// withdraws its own interest (SetParser(nil)) and must still tell the parser that it dies.
TEST_F(ComponentTest, EachSideKeepsItsOwnInterest) {
  TLogComponent* Logic = Make(nullptr, "Logic");
  TLogComponent* Parser = Make(nullptr, "Parser");
  Parser->FreeNotification(Logic);  // Logic.SetParser(Parser)
  Logic->FreeNotification(Parser);  // Parser.SetFuzzyLogic(Logic)
  Parser->RemoveFreeNotification(Logic);  // Logic.SetParser(nil)
  delete Logic;
  delete Parser;
  EXPECT_THAT(Log, ElementsAre("~Logic", "Parser.Notification(Logic, opRemove)", "~Parser"));
}

TEST_F(ComponentTest, PeersAreToldLastLinkedFirst) {
  TLogComponent* A = Make(nullptr, "A");
  TLogComponent* B = Make(nullptr, "B");
  TLogComponent* C = Make(nullptr, "C");
  A->FreeNotification(B);
  A->FreeNotification(C);
  delete A;
  EXPECT_THAT(Log, ElementsAre("~A", "C.Notification(A, opRemove)", "B.Notification(A, opRemove)"));
  delete B;
  delete C;
}

TEST_F(ComponentTest, HandlerDeletesAnotherPeerOfTheDyingComponent) {
  TLogComponent* A = Make(nullptr, "A");
  TLogComponent* B = Make(nullptr, "B");
  TLogComponent* C = Make(nullptr, "C");
  A->FreeNotification(C);
  A->FreeNotification(B);  // B is told first
  B->OnNotification = [C](TComponent*, TOperation) { delete C; };
  delete A;
  // C left A's list as it died, so A never tells it.
  EXPECT_THAT(Log, ElementsAre("~A", "B.Notification(A, opRemove)", "~C"));
  delete B;
}

TEST_F(ComponentTest, HandlerDeletesItself) {
  TLogComponent* A = Make(nullptr, "A");
  TLogComponent* B = Make(nullptr, "B");
  TLogComponent* C = Make(nullptr, "C");
  A->FreeNotification(C);
  A->FreeNotification(B);
  B->OnNotification = [B](TComponent*, TOperation) { delete B; };
  delete A;
  EXPECT_THAT(Log, ElementsAre("~A", "B.Notification(A, opRemove)", "~B", "C.Notification(A, opRemove)"));
  delete C;
}

TEST_F(ComponentTest, OwnerHandlerDeletesASibling) {
  TLogComponent* Owner = Make(nullptr, "Owner");
  TLogComponent* A = Make(Owner, "A");
  TLogComponent* B = Make(Owner, "B");
  Owner->OnNotification = [B](TComponent* AComponent, TOperation Operation) {
    if (Operation == opRemove && AComponent->GetName() == "A") delete B;
  };
  Log.clear();
  delete A;
  EXPECT_THAT(Log, ElementsAre("~A", "Owner.Notification(A, opRemove)", "~B",
                               "Owner.Notification(B, opRemove)"));
  EXPECT_EQ(Owner->GetComponentCount(), 0);
  delete Owner;
}

TEST_F(ComponentTest, DyingComponentTakesNoNewLinks) {
  TLogComponent* A = Make(Make(nullptr, "Owner"), "A");
  TLogComponent* Child = Make(A, "Child");
  TLogComponent* Watcher = Make(nullptr, "Watcher");
  A->FreeNotification(Watcher);
  TComponentState SeenA, SeenChild;
  Watcher->OnNotification = [&](TComponent* AComponent, TOperation) {
    SeenA = AComponent->GetComponentState();
    SeenChild = Child->GetComponentState();
    AComponent->FreeNotification(Watcher);  // refused: A is being destroyed
    Watcher->FreeNotification(AComponent);
  };
  TComponent* Owner = A->GetOwner();
  delete A;
  EXPECT_TRUE(SeenA.Contains(csDestroying));
  EXPECT_TRUE(SeenChild.Contains(csDestroying));
  EXPECT_FALSE(Watcher->GetComponentState().Contains(csFreeNotification));
  delete Watcher;  // would tell the dead A if a link had been taken
  delete Owner;
}

TEST_F(ComponentTest, NamesAreIdentifiers) {
  TLogComponent* Owner = Make(nullptr, "Owner");
  TLogComponent* A = Make(Owner, "");
  struct TCase {
    const char* Name;
    bool Valid;
  };
  static const TCase kCases[] = {{"A", true},      {"_x1", true}, {"abc_DEF_9", true}, {"", true},
                                 {"1abc", false},  {"a b", false}, {"a-b", false},     {" ", false},
                                 {"caf\xc3\xa9", false}, {"a.b", false}};
  for (const TCase& C : kCases) {
    if (C.Valid) {
      EXPECT_NO_THROW(A->SetName(C.Name)) << C.Name;
      EXPECT_EQ(A->GetName(), C.Name);
    } else {
      EXPECT_EQ(MessageOf<EComponentError>([&] { A->SetName(C.Name); }),
                std::string("'") + C.Name + "' is not a valid component name");
    }
  }
  delete Owner;
}

TEST_F(ComponentTest, NamesAreUniqueAmongTheOwnersComponents) {
  TLogComponent* Owner = Make(nullptr, "Owner");
  TLogComponent* A = Make(Owner, "Foo");
  TLogComponent* B = Make(Owner, "");
  Make(Owner, "");  // any number may be unnamed
  EXPECT_EQ(MessageOf<EComponentError>([&] { B->SetName("FOO"); }), "A component named FOO already exists");
  EXPECT_EQ(B->GetName(), "");
  A->SetName("FOO");  // its own name in another case
  EXPECT_EQ(A->GetName(), "FOO");
  TLogComponent* Loose = Make(nullptr, "Foo");  // no owner, no clash
  EXPECT_EQ(MessageOf<EComponentError>([&] { Owner->InsertComponent(Loose); }),
            "A component named Foo already exists");
  EXPECT_EQ(Loose->GetOwner(), nullptr);
  delete Loose;
  delete Owner;
}

// The first owned component whose name matches, by a walk over the owned components.
TComponent* FindByWalk(const TComponent* Owner, const std::string& Name) {
  if (Name.empty()) return nullptr;
  for (std::int32_t I = 0; I < Owner->GetComponentCount(); ++I)
    if (SameText(Owner->GetComponent(I)->GetName(), Name)) return Owner->GetComponent(I);
  return nullptr;
}

// Random names, renames (to free, taken and empty names, and to the same name in another case),
// deletions and moves between two owners: FindComponent and the duplicate checks answer as the
// walk over the owned components does, in every case of the letters.
TEST_F(ComponentTest, NamesAreFoundAfterEveryChangeOfNamesAndOwners) {
  std::mt19937 Random(20261214);
  auto Pick = [&Random](int N) { return std::uniform_int_distribution<int>(0, N - 1)(Random); };
  auto RandomName = [&] {
    std::string Name = "n" + std::to_string(Pick(20));
    if (Pick(3) == 0) Name[0] = 'N';
    return Name;
  };
  TComponent First(nullptr);
  TComponent Second(nullptr);
  TComponent* const Owners[2] = {&First, &Second};
  for (int Op = 0; Op < 1000; ++Op) {
    TComponent& Owner = *Owners[Pick(2)];
    const std::int32_t Count = Owner.GetComponentCount();
    const int Kind = Pick(10);
    if (Kind < 3 || Count == 0) {
      auto* C = new TComponent(&Owner);
      try {
        C->SetName(RandomName());
      } catch (const EComponentError&) {
        EXPECT_NE(FindByWalk(&Owner, C->GetName()), C);
      }
    } else {
      TComponent* C = Owner.GetComponent(Pick(Count));
      if (Kind < 6) {
        const std::string Name = Kind == 5 ? std::string() : (Kind == 4 ? UpperCase(C->GetName()) : RandomName());
        const TComponent* Other = FindByWalk(&Owner, Name);
        if (Other != nullptr && Other != C) {
          EXPECT_THROW(C->SetName(Name), EComponentError) << Name;
        } else {
          C->SetName(Name);
          EXPECT_EQ(C->GetName(), Name);
        }
      } else if (Kind < 8) {
        delete C;
      } else {
        TComponent& To = *Owners[Pick(2)];
        const TComponent* Other = FindByWalk(&To, C->GetName());
        if (Other != nullptr && Other != C) {
          EXPECT_THROW(To.InsertComponent(C), EComponentError);
          EXPECT_EQ(C->GetOwner(), &Owner);
        } else {
          To.InsertComponent(C);
          EXPECT_EQ(C->GetOwner(), &To);
        }
      }
    }
    for (const TComponent* O : Owners)
      for (int N = 0; N < 20; ++N)
        for (const std::string& Name : {"n" + std::to_string(N), "N" + std::to_string(N)})
          ASSERT_EQ(O->FindComponent(Name), FindByWalk(O, Name)) << "operation " << Op << ", " << Name;
  }
}

TEST_F(ComponentTest, InsertComponentMovesItBetweenOwners) {
  TLogComponent* First = Make(nullptr, "First");
  TLogComponent* Second = Make(nullptr, "Second");
  TLogComponent* A = Make(First, "A");
  Log.clear();
  Second->InsertComponent(A);
  EXPECT_THAT(Log, ElementsAre("First.Notification(A, opRemove)", "Second.Notification(A, opInsert)"));
  EXPECT_EQ(A->GetOwner(), Second);
  EXPECT_EQ(First->GetComponentCount(), 0);
  EXPECT_EQ(MessageOf<EComponentError>([&] { A->InsertComponent(Second); }),
            "A component cannot own itself or its owner");
  EXPECT_EQ(MessageOf<EComponentError>([&] { A->InsertComponent(A); }),
            "A component cannot own itself or its owner");
  Log.clear();
  Second->RemoveComponent(A);
  EXPECT_THAT(Log, ElementsAre("Second.Notification(A, opRemove)"));
  EXPECT_EQ(A->GetOwner(), nullptr);
  delete A;
  delete First;
  delete Second;
}

TEST_F(ComponentTest, WeakReferenceEmptiesWhenTheComponentDies) {
  TLogComponent* Owner = Make(nullptr, "Owner");
  TLogComponent* A = Make(Owner, "A");
  Intf<IInterface> Strong(A);  // counts nothing: a reference never keeps a component alive
  EXPECT_EQ(A->AddRef(), -1);
  EXPECT_EQ(A->Release(), -1);
  WeakIntf<IInterface> WeakA(A);
  WeakIntf<IInterface> WeakOwner(Owner);
  EXPECT_EQ(WeakA.lock(), Strong);
  EXPECT_TRUE(Supports(static_cast<TObject*>(A), IInterface::IID));
  Strong.detach();  // the component dies by its owner, not by this reference
  delete Owner;
  EXPECT_TRUE(WeakA.expired());
  EXPECT_TRUE(WeakOwner.expired());
}

TEST_F(ComponentTest, LoadingEndsWithLoaded) {
  TLogComponent* A = Make(nullptr, "A");
  A->EndLoading();  // not loading: no Loaded
  A->BeginLoading();
  EXPECT_TRUE(A->IsLoading());
  A->EndLoading();
  EXPECT_FALSE(A->IsLoading());
  EXPECT_THAT(Log, ElementsAre("A.Loaded(loading)"));

  // Loading is over also when Loaded raises.
  A->OnLoaded = [] { throw Exception("boom"); };
  A->BeginLoading();
  EXPECT_THROW(A->EndLoading(), Exception);
  EXPECT_FALSE(A->IsLoading());
  delete A;
}

TEST_F(ComponentTest, DesigningReachesOwnedComponents) {
  TLogComponent* Owner = Make(nullptr, "Owner");
  TLogComponent* A = Make(Owner, "A");
  Owner->SetDesigning(true);
  EXPECT_TRUE(A->IsDesigning());
  TLogComponent* Late = Make(Owner, "Late");  // joins a designing owner
  EXPECT_TRUE(Late->IsDesigning());
  Owner->SetDesigning(false, false);
  EXPECT_FALSE(Owner->IsDesigning());
  EXPECT_TRUE(A->IsDesigning());
  delete Owner;
}

TEST_F(ComponentTest, DestroyComponentsOfALiveOwner) {
  TLogComponent* Owner = Make(nullptr, "Owner");
  Make(Owner, "A");
  Make(Owner, "B");
  Log.clear();
  Owner->DestroyComponents();
  EXPECT_THAT(Log, ElementsAre("~B", "Owner.Notification(B, opRemove)", "~A",
                               "Owner.Notification(A, opRemove)"));
  EXPECT_EQ(Owner->GetComponentCount(), 0);
  delete Owner;
}

TEST_F(ComponentTest, ClassReferenceCreatesIntoTheOwner) {
  TComponentClass Class = TComponentClass::Of<TComponent>();
  TLogComponent* Owner = Make(nullptr, "Owner");
  TComponent* C = Class.Create(Owner);
  EXPECT_EQ(C->GetOwner(), Owner);
  EXPECT_TRUE(Class.IsInstance(Owner));
  delete Owner;
  EXPECT_THAT(Log, ElementsAre("Owner.Notification(, opInsert)", "~Owner"));
}

}  // namespace
}  // namespace tarnwick
