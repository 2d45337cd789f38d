#include "platform/Component.h"

#include "platform/Exceptions.h"
#include "platform/Format.h"

#include <algorithm>

void TPersistent::Assign(const TPersistent* source) {
  if (source != nullptr) {
    source->AssignTo(this);
    return;
  }
  AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* dest) const {
  throw EConvertError(Format("Cannot assign a %s to a %s",
                             {std::string(ClassName()), std::string(dest->ClassName())}));
}

TComponent::TComponent(TComponent* owner) {
  if (owner != nullptr) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying_ = true;
  // Tell every partner first, so none of them keeps a reference into a half-destroyed object.
  while (!FreeNotifies_.empty()) {
    TComponent* partner = FreeNotifies_.back();
    FreeNotifies_.pop_back();
    auto& back = partner->FreeNotifies_;
    back.erase(std::remove(back.begin(), back.end(), this), back.end());
    partner->Notification(this, TOperation::opRemove);
  }
  while (!Components_.empty()) {
    TComponent* child = Components_.back();
    RemoveComponent(child);
    delete child;
  }
  if (Owner_ != nullptr) Owner_->RemoveComponent(this);
}

void TComponent::FreeNotification(TComponent* partner) {
  if (partner == nullptr || partner == this) return;
  if (std::find(FreeNotifies_.begin(), FreeNotifies_.end(), partner) == FreeNotifies_.end())
    FreeNotifies_.push_back(partner);
  auto& back = partner->FreeNotifies_;
  if (std::find(back.begin(), back.end(), this) == back.end()) back.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* partner) {
  if (partner == nullptr) return;
  FreeNotifies_.erase(std::remove(FreeNotifies_.begin(), FreeNotifies_.end(), partner),
                      FreeNotifies_.end());
  auto& back = partner->FreeNotifies_;
  back.erase(std::remove(back.begin(), back.end(), this), back.end());
}

void TComponent::InsertComponent(TComponent* component) {
  if (component->Owner_ != nullptr) component->Owner_->RemoveComponent(component);
  Components_.push_back(component);
  component->Owner_ = this;
  Notification(component, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  auto it = std::find(Components_.begin(), Components_.end(), component);
  if (it == Components_.end()) return;
  Notification(component, TOperation::opRemove);
  Components_.erase(it);
  component->Owner_ = nullptr;
}

void TComponent::Notification(TComponent*, TOperation) {}
