// The platform's persistent objects and components: a component has an owner that destroys
// it, may own other components, and can ask a partner for a destruction notice so that a
// reference to a destroyed partner is cleared instead of left dangling.
#pragma once

#include <string>
#include <vector>

class TPersistent {
public:
  virtual ~TPersistent() = default;
  // Copies the state of source into this object; raises EConvertError when the classes do
  // not fit ("Cannot assign a %s to a %s").
  virtual void Assign(const TPersistent* source);
  virtual const char* ClassName() const { return "TPersistent"; }

protected:
  virtual void AssignTo(TPersistent* dest) const;
};

enum class TOperation { opInsert, opRemove };

class TComponent : public TPersistent {
public:
  explicit TComponent(TComponent* owner = nullptr);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  const char* ClassName() const override { return "TComponent"; }

  TComponent* Owner() const { return Owner_; }
  const std::vector<TComponent*>& Components() const { return Components_; }
  int ComponentCount() const { return static_cast<int>(Components_.size()); }

  // Links this component and partner so that each gets Notification(other, opRemove) when
  // the other is destroyed.
  void FreeNotification(TComponent* partner);
  void RemoveFreeNotification(TComponent* partner);

  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);

protected:
  // Called for owned components being added or removed and for partners that are destroyed.
  virtual void Notification(TComponent* component, TOperation operation);
  bool IsDestroying() const { return Destroying_; }

private:
  TComponent* Owner_ = nullptr;
  std::vector<TComponent*> Components_;     // owned, destroyed with this component
  std::vector<TComponent*> FreeNotifies_;   // partners told when this component goes
  bool Destroying_ = false;
};

// Base of objects that implement interfaces without reference counting: their owner alone
// decides their lifetime.
class TUtilsNoRefCount {
public:
  virtual ~TUtilsNoRefCount() = default;
  int AddRef() { return -1; }
  int Release() { return -1; }
};
