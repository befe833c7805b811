// The component: an object with an owner that deletes it, a name unique among its owner's
// components, a state (loading, designing, destroying, ...), a tag, and free notification.
//
// Ownership: a component deletes the components it owns; deleting an owned component directly
// (`delete C`) is always allowed and takes it out of its owner first.
//
// Free notification links two components both ways: after A->FreeNotification(B), whichever
// of A and B dies first sends the other Notification(itself, opRemove), and the link is gone.
// Each side's interest is kept apart: A->FreeNotification(B) records "B wants to hear of A";
// A->RemoveFreeNotification(B) withdraws only that, and the link lives on while
// B->FreeNotification(A) still stands. So two components that each asked for the other
// (a logic component and its parser) stay safe when one of them withdraws its own interest.
// Components sharing an owner link like any others.
//
// Destruction, in this order:
//   (a) Destroying(): csDestroying on the component and on everything it owns, and every weak
//       reference to them empties;
//   (b) each free-notification peer, last linked first, is unlinked and then sent
//       Notification(this, opRemove);
//   (c) the owned components are deleted, last first; each one leaves this owner as in (d);
//   (d) the owner is sent Notification(this, opRemove), then drops the component.
// A destructor of C++ runs after the descendants' destructors, so during (b) to (d) the dying
// component is only a TComponent: handlers compare the pointer they get with the ones they
// keep, they do not cast it. Descendants that must take part while still whole call
// Destroying() or unlink at the start of their own destructor.
//
// In (c) the owner itself is mid-destruction, so the notices of its dying components reach only
// TComponent's own Notification; a live owner (DestroyComponents, or a component deleted
// directly) hears of each one.
//
// Handlers of Notification may delete other components, themselves included: every loop above
// re-reads its list and never touches a peer after sending it its notice. They must not throw
// during destruction (destructors are noexcept), nor delete the component that is being
// destroyed or that is leaving their owner. A component in csDestroying takes no new
// free-notification links.
#ifndef TARNWICK_PLATFORM_COMPONENT_H_
#define TARNWICK_PLATFORM_COMPONENT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "tarnwick/platform/ClassRef.h"
#include "tarnwick/platform/Classes.h"
#include "tarnwick/platform/Export.h"
#include "tarnwick/platform/Interfaces.h"
#include "tarnwick/platform/ResStrings.h"
#include "tarnwick/platform/Types.h"

namespace tarnwick {

enum TOperation : std::uint8_t { opInsert, opRemove };

enum TComponentStateFlag : std::uint8_t {
  csLoading,
  csReading,
  csWriting,
  csDestroying,
  csDesigning,
  csAncestor,
  csUpdating,
  csFixups,
  csFreeNotification,  // set while the component has free-notification links
  csInline,
  csDesignInstance
};
using TComponentState = TSet<TComponentStateFlag>;

// Raised when a component would come to own itself or one of its owners.
inline constexpr TResString SComponentOwnerCycle{"SComponentOwnerCycle",
                                                 "A component cannot own itself or its owner"};

class TComponent;
using TComponentClass = TClassOf<TComponent, TComponent*>;

class TARNWICK_PLATFORM_EXPORT TComponent : public TPersistent, public TUncountedInterface {
 public:
  // Joins AOwner (none allowed) as the last step: AOwner->InsertComponent(this).
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;

  TComponent* GetOwner() const override;

  const std::string& GetName() const noexcept { return FName; }
  // Letters, digits and '_', not starting with a digit (ASCII), or empty. Raises
  // EComponentError with SInvalidName for any other text, and with SDuplicateName when
  // another component of the same owner has the name already (ignoring ASCII case).
  virtual void SetName(const std::string& NewName);

  NativeInt GetTag() const noexcept { return FTag; }
  void SetTag(NativeInt Value) noexcept { FTag = Value; }

  // The owned components, in the order they joined.
  std::int32_t GetComponentCount() const noexcept { return static_cast<std::int32_t>(FComponents.size()); }
  // Raises EListError with SListIndexError outside 0 .. GetComponentCount() - 1.
  TComponent* GetComponent(std::int32_t Index) const;
  // The owned component called AName, ignoring ASCII case; nullptr for none or an empty name.
  TComponent* FindComponent(std::string_view AName) const;

  // Takes AComponent over from its current owner (which gets opRemove), then sends
  // Notification(AComponent, opInsert) to this one; a designing owner makes it designing.
  // Raises EComponentError for a name taken here or an ownership cycle, changing nothing.
  void InsertComponent(TComponent* AComponent);
  // Sends Notification(AComponent, opRemove), then drops it; it is then ownerless. Nothing
  // for a component this one does not own.
  void RemoveComponent(TComponent* AComponent);
  // Deletes every owned component, last first.
  void DestroyComponents() noexcept;

  // AComponent wants Notification(this, opRemove) when this component dies; this one in turn
  // hears of AComponent's death. Nothing for nullptr, this component itself, or while either
  // is being destroyed.
  void FreeNotification(TComponent* AComponent);
  // Withdraws AComponent's interest registered by FreeNotification(AComponent).
  void RemoveFreeNotification(TComponent* AComponent);

  TComponentState GetComponentState() const noexcept { return FComponentState; }
  bool IsLoading() const noexcept { return FComponentState.Contains(csLoading); }
  bool IsDesigning() const noexcept { return FComponentState.Contains(csDesigning); }
  bool IsDestroying() const noexcept { return FComponentState.Contains(csDestroying); }

  // The loading state that streaming sets while it reads the component. EndLoading does
  // nothing unless loading; otherwise it calls Loaded, and the state is over when it returns.
  void BeginLoading() noexcept { FComponentState.Include(csLoading); }
  void EndLoading();
  // Leaves the loading state without Loaded: the read that began it failed.
  void CancelLoading() noexcept { FComponentState.Exclude(csLoading); }

  // Name (stored in the heading of the component's block, not as a property) and Tag.
  const TClassInfo* ClassInfo() const override;

 protected:
  // Something happened to AComponent: it joined this owner (opInsert), or it left this owner
  // or died while linked to this one by free notification (opRemove). Nothing by default;
  // overrides call the inherited one first.
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  // Loading has finished. The default ends the loading state; overrides call it first.
  virtual void Loaded();

  // Sets or clears csDesigning, on the owned components too when SetChildren.
  void SetDesigning(bool Value, bool SetChildren = true);
  // Step (a) of destruction, also callable first thing in a descendant's destructor.
  // Idempotent.
  void Destroying() noexcept;

 private:
  // One free-notification link, as one side of it sees it; the other side keeps the mirror.
  struct TFreeLink {
    TComponent* Peer;
    bool PeerListens;  // Peer asked to hear of this one's death
    bool SelfListens;  // this one asked to hear of Peer's death
  };

  TFreeLink* FindLink(const TComponent* Peer) noexcept;
  void DropLink(const TComponent* Peer) noexcept;
  void UpdateFreeNotificationState() noexcept;
  void RemoveFreeNotifications() noexcept;
  void Remove(TComponent* AComponent) noexcept;
  void Unindex(std::string_view AName) noexcept;

  TComponent* FOwner = nullptr;
  std::string FName;
  NativeInt FTag = 0;
  std::vector<TComponent*> FComponents;
  // Names compare ignoring ASCII case, here as everywhere (SameText).
  struct TNameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view Name) const noexcept;
  };
  struct TNameEqual {
    using is_transparent = void;
    bool operator()(std::string_view A, std::string_view B) const noexcept;
  };
  // The named components of FComponents by name. Names are unique among the components of one
  // owner, so a name has one component; unnamed ones are not held.
  std::unordered_map<std::string, TComponent*, TNameHash, TNameEqual> FNamed;
  std::vector<TFreeLink> FFreeNotifies;
  TComponentState FComponentState;
};

}  // namespace tarnwick

#endif  // TARNWICK_PLATFORM_COMPONENT_H_
