// The component base of the document object model and the XML pipeline: a platform
// component (owner, owned components, destruction notices) under the model's own name, so
// that the model's components can share behaviour later without touching the platform.
#pragma once

#include "platform/Component.h"

class TDomBaseComponent : public TComponent {
public:
  explicit TDomBaseComponent(TComponent* owner = nullptr) : TComponent(owner) {}
  const char* ClassName() const override { return "TDomBaseComponent"; }
};
