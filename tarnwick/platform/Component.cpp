// The component: ownership, names, state, loading and the two-way free notification.
#include "tarnwick/platform/Component.h"

#include <algorithm>
#include <cstddef>
#include <iterator>

#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/Format.h"
#include "tarnwick/platform/ScopeGuard.h"
#include "tarnwick/platform/SysUtils.h"

namespace tarnwick {
namespace {

bool IsIdentStart(char C) noexcept {
  return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '_';
}

bool IsIdentChar(char C) noexcept { return IsIdentStart(C) || (C >= '0' && C <= '9'); }

bool IsValidIdent(std::string_view S) noexcept {
  if (S.empty() || !IsIdentStart(S.front())) return false;
  return std::all_of(S.begin() + 1, S.end(), IsIdentChar);
}

// Makes room for one more element, so that the push_back after it cannot throw.
template <typename T>
void ReserveOneMore(std::vector<T>& V) {
  if (V.size() == V.capacity()) V.reserve(std::max<std::size_t>(4, 2 * V.size()));
}

}  // namespace

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner != nullptr) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();               // (a)
  RemoveFreeNotifications();  // (b)
  DestroyComponents();        // (c)
  if (FOwner != nullptr) FOwner->RemoveComponent(this);  // (d)
  // The owner's handler may have handed this component new children; they cannot outlive it.
  DestroyComponents();
}

TComponent* TComponent::GetOwner() const { return FOwner; }

void TComponent::SetName(const std::string& NewName) {
  if (NewName == FName) return;
  if (!NewName.empty()) {
    if (!IsValidIdent(NewName)) throw EComponentError(Format(LoadResString(SInvalidName), {NewName}));
    if (FOwner != nullptr) {
      const TComponent* Other = FOwner->FindComponent(NewName);
      if (Other != nullptr && Other != this)
        throw EComponentError(Format(LoadResString(SDuplicateName), {NewName}));
    }
  }
  std::string Value = NewName;
  if (FOwner != nullptr) {
    // The new name is indexed first: once it stands, nothing below can fail. (A change of case
    // only finds this component indexed already.)
    if (!Value.empty()) FOwner->FNamed.emplace(Value, this);
    if (!FName.empty() && !SameText(FName, Value)) FOwner->Unindex(FName);
  }
  FName.swap(Value);
}

TComponent* TComponent::GetComponent(std::int32_t Index) const {
  if (Index < 0 || Index >= GetComponentCount()) RaiseListError(SListIndexError, Index);
  return FComponents[static_cast<std::size_t>(Index)];
}

TComponent* TComponent::FindComponent(std::string_view AName) const {
  if (AName.empty()) return nullptr;
  const auto It = FNamed.find(AName);
  return It == FNamed.end() ? nullptr : It->second;
}

void TComponent::InsertComponent(TComponent* AComponent) {
  if (AComponent == nullptr || AComponent->FOwner == this) return;
  for (const TComponent* C = this; C != nullptr; C = C->FOwner)
    if (C == AComponent) throw EComponentError(LoadResString(SComponentOwnerCycle));
  if (!AComponent->FName.empty() && FindComponent(AComponent->FName) != nullptr)
    throw EComponentError(Format(LoadResString(SDuplicateName), {AComponent->FName}));
  ReserveOneMore(FComponents);
  if (!AComponent->FName.empty()) FNamed.reserve(FNamed.size() + 1);

  if (AComponent->FOwner != nullptr) {
    AComponent->FOwner->RemoveComponent(AComponent);
    // A handler of the old owner that placed it elsewhere meanwhile loses it again here, so
    // that no component ever sits in two lists.
    if (AComponent->FOwner != nullptr) AComponent->FOwner->Remove(AComponent);
  }
  FComponents.push_back(AComponent);
  if (!AComponent->FName.empty()) FNamed.emplace(AComponent->FName, AComponent);
  AComponent->FOwner = this;
  if (IsDesigning()) AComponent->SetDesigning(true);
  if (IsDestroying()) AComponent->Destroying();
  Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  if (AComponent == nullptr || AComponent->FOwner != this) return;
  Notification(AComponent, opRemove);
  Remove(AComponent);
}

void TComponent::DestroyComponents() noexcept {
  // Each deletion takes the component out of this list (step (d) of its destructor), and a
  // handler may delete others meanwhile: read the list anew every time.
  while (!FComponents.empty()) delete FComponents.back();
}

void TComponent::Remove(TComponent* AComponent) noexcept {
  // Components leave mostly from the end (destruction deletes the last first, a failed read
  // the newest first), so the search starts there.
  const auto It = std::find(FComponents.rbegin(), FComponents.rend(), AComponent);
  if (It == FComponents.rend()) return;
  FComponents.erase(std::next(It).base());
  if (!AComponent->FName.empty()) Unindex(AComponent->FName);
  AComponent->FOwner = nullptr;
}

void TComponent::Unindex(std::string_view AName) noexcept {
  const auto It = FNamed.find(AName);
  if (It != FNamed.end()) FNamed.erase(It);
}

std::size_t TComponent::TNameHash::operator()(std::string_view Name) const noexcept {
  // FNV-1a over the bytes with ASCII letters in lower case.
  std::uint32_t H = 2166136261u;
  for (const char C : Name) {
    H ^= static_cast<unsigned char>(C >= 'A' && C <= 'Z' ? C + ('a' - 'A') : C);
    H *= 16777619u;
  }
  return H;
}

bool TComponent::TNameEqual::operator()(std::string_view A, std::string_view B) const noexcept {
  return SameText(A, B);
}

// ---------------------------------------------------------------------------------------------
// Free notification. Invariant: this component has a link to P exactly when P has one to it,
// and this->PeerListens == P's SelfListens (and the reverse); a link with neither is dropped.

TComponent::TFreeLink* TComponent::FindLink(const TComponent* Peer) noexcept {
  for (TFreeLink& L : FFreeNotifies)
    if (L.Peer == Peer) return &L;
  return nullptr;
}

void TComponent::DropLink(const TComponent* Peer) noexcept {
  auto It = std::find_if(FFreeNotifies.begin(), FFreeNotifies.end(),
                         [Peer](const TFreeLink& L) { return L.Peer == Peer; });
  if (It != FFreeNotifies.end()) FFreeNotifies.erase(It);
  UpdateFreeNotificationState();
}

void TComponent::UpdateFreeNotificationState() noexcept {
  if (FFreeNotifies.empty()) FComponentState.Exclude(csFreeNotification);
  else FComponentState.Include(csFreeNotification);
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (AComponent == nullptr || AComponent == this || IsDestroying() || AComponent->IsDestroying())
    return;
  TFreeLink* Mine = FindLink(AComponent);
  TFreeLink* Theirs = AComponent->FindLink(this);
  if (Mine == nullptr) {
    // Both halves or neither: room for both first, then two pushes that cannot throw.
    ReserveOneMore(FFreeNotifies);
    ReserveOneMore(AComponent->FFreeNotifies);
    FFreeNotifies.push_back({AComponent, false, false});
    AComponent->FFreeNotifies.push_back({this, false, false});
    Mine = &FFreeNotifies.back();
    Theirs = &AComponent->FFreeNotifies.back();
  }
  Mine->PeerListens = true;
  Theirs->SelfListens = true;
  UpdateFreeNotificationState();
  AComponent->UpdateFreeNotificationState();
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  if (AComponent == nullptr || AComponent == this) return;
  TFreeLink* Mine = FindLink(AComponent);
  if (Mine == nullptr) return;
  Mine->PeerListens = false;
  if (TFreeLink* Theirs = AComponent->FindLink(this)) Theirs->SelfListens = false;
  if (!Mine->SelfListens) {
    DropLink(AComponent);
    AComponent->DropLink(this);
  }
}

void TComponent::RemoveFreeNotifications() noexcept {
  // The link goes before the notice, so a handler that unlinks, deletes the peer itself or
  // deletes other peers finds the lists already consistent.
  while (!FFreeNotifies.empty()) {
    TComponent* Peer = FFreeNotifies.back().Peer;
    FFreeNotifies.pop_back();
    Peer->DropLink(this);
    Peer->Notification(this, opRemove);
  }
  UpdateFreeNotificationState();
}

// ---------------------------------------------------------------------------------------------
// State

void TComponent::Notification(TComponent*, TOperation) {}

void TComponent::Loaded() { FComponentState.Exclude(csLoading); }

void TComponent::EndLoading() {
  if (!IsLoading()) return;
  // Loading is over however Loaded ends, also when an override forgets the inherited call.
  const TScopeExit LoadingOver([this]() noexcept { FComponentState.Exclude(csLoading); });
  Loaded();
}

void TComponent::SetDesigning(bool Value, bool SetChildren) {
  if (Value) FComponentState.Include(csDesigning);
  else FComponentState.Exclude(csDesigning);
  if (SetChildren)
    for (TComponent* C : FComponents) C->SetDesigning(Value, true);
}

void TComponent::Destroying() noexcept {
  if (IsDestroying()) return;
  FComponentState.Include(csDestroying);
  ClearWeakReferences();
  for (TComponent* C : FComponents) C->Destroying();
}

}  // namespace tarnwick
