#include "dtd/DtdModel.h"

namespace {

template <typename T>
T* AddFirst(std::map<WideString, std::unique_ptr<T>>& map, std::unique_ptr<T> item) {
  auto [it, added] = map.try_emplace(item->Name);
  if (!added) return nullptr;
  it->second = std::move(item);
  return it->second.get();
}

template <typename T>
const T* FindIn(const std::map<WideString, std::unique_ptr<T>>& map, const WideString& name) {
  auto it = map.find(name);
  return it == map.end() ? nullptr : it->second.get();
}

}  // namespace

void TDtdModel::Clear() {
  ElementTypes_.clear();
  AttributeLists_.clear();
  GeneralEntities_.clear();
  ParameterEntities_.clear();
  Notations_.clear();
  HasExternalSubset = false;
  HasPEReferences = false;
  SkippedDeclarations = false;
  Standalone = false;
}

TDtdElementType* TDtdModel::AddElementType(std::unique_ptr<TDtdElementType> item) {
  return AddFirst(ElementTypes_, std::move(item));
}

TDtdAttributeDefinition* TDtdModel::AddAttributeDefinition(std::unique_ptr<TDtdAttributeDefinition> item) {
  auto& list = AttributeLists_[item->ElementName];
  for (const auto& known : list)
    if (known->Name == item->Name) return nullptr;
  list.push_back(std::move(item));
  return list.back().get();
}

TDtdEntity* TDtdModel::AddEntity(std::unique_ptr<TDtdEntity> item) {
  auto& map = item->IsParameter ? ParameterEntities_ : GeneralEntities_;
  return AddFirst(map, std::move(item));
}

TDtdNotation* TDtdModel::AddNotation(std::unique_ptr<TDtdNotation> item) {
  return AddFirst(Notations_, std::move(item));
}

const TDtdElementType* TDtdModel::FindElementType(const WideString& name) const {
  return FindIn(ElementTypes_, name);
}

const TDtdAttributeDefinition* TDtdModel::FindAttributeDefinition(const WideString& elementName,
                                                                  const WideString& attributeName) const {
  if (const auto* list = AttributeDefinitions(elementName))
    for (const auto& definition : *list)
      if (definition->Name == attributeName) return definition.get();
  return nullptr;
}

const std::vector<std::unique_ptr<TDtdAttributeDefinition>>* TDtdModel::AttributeDefinitions(
    const WideString& elementName) const {
  auto it = AttributeLists_.find(elementName);
  return it == AttributeLists_.end() ? nullptr : &it->second;
}

const TDtdEntity* TDtdModel::FindGeneralEntity(const WideString& name) const {
  return FindIn(GeneralEntities_, name);
}

const TDtdEntity* TDtdModel::FindParameterEntity(const WideString& name) const {
  return FindIn(ParameterEntities_, name);
}

const TDtdNotation* TDtdModel::FindNotation(const WideString& name) const { return FindIn(Notations_, name); }
