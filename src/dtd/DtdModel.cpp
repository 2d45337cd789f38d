#include "dtd/DtdModel.h"

#include "xml/XmlRulesUtils.h"

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
  for (auto& checked : AttributeChecked_) checked.clear();
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

namespace {
// Lists up to this long are searched through; longer ones by their index.
constexpr std::size_t kSearchedList = 16;
}  // namespace

TDtdAttributeDefinition* TDtdModel::TAttributeList::Find(const WideString& name) const {
  if (Definitions.size() <= kSearchedList) {
    for (const auto& known : Definitions)
      if (known->Name == name) return known.get();
    return nullptr;
  }
  auto it = ByName.find(name);
  return it == ByName.end() ? nullptr : it->second;
}

TDtdAttributeDefinition* TDtdModel::AddAttributeDefinition(std::unique_ptr<TDtdAttributeDefinition> item) {
  TAttributeList& list = AttributeLists_[item->ElementName];
  if (list.Find(item->Name) != nullptr) return nullptr;
  list.Definitions.push_back(std::move(item));
  TDtdAttributeDefinition* added = list.Definitions.back().get();
  if (list.Definitions.size() > kSearchedList) {
    if (list.ByName.empty())
      for (const auto& known : list.Definitions) list.ByName.emplace(known->Name, known.get());
    else
      list.ByName.emplace(added->Name, added);
  }
  return added;
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
  auto it = AttributeLists_.find(elementName);
  return it == AttributeLists_.end() ? nullptr : it->second.Find(attributeName);
}

const std::vector<std::unique_ptr<TDtdAttributeDefinition>>* TDtdModel::AttributeDefinitions(
    const WideString& elementName) const {
  auto it = AttributeLists_.find(elementName);
  return it == AttributeLists_.end() ? nullptr : &it->second.Definitions;
}

const TDtdEntity* TDtdModel::FindGeneralEntity(const WideString& name) const {
  return FindIn(GeneralEntities_, name);
}

const TDtdEntity* TDtdModel::FindParameterEntity(const WideString& name) const {
  return FindIn(ParameterEntities_, name);
}

const TDtdNotation* TDtdModel::FindNotation(const WideString& name) const { return FindIn(Notations_, name); }

TXmlErrorType TDtdModel::CheckAttributeValueReferences(WideStringView value, int depthLimit, WideString& offending,
                                                       TPlace place) const {
  return CheckReferencesIn(value, 0, depthLimit, offending, place);
}

TXmlErrorType TDtdModel::CheckReferencesIn(WideStringView value, int depth, int depthLimit, WideString& offending,
                                           TPlace place) const {
  auto& checked = AttributeChecked_[static_cast<int>(place)];
  for (std::size_t at = value.find(u'&'); at != WideStringView::npos; at = value.find(u'&', at + 1)) {
    // The value as written is checked for its syntax by the attribute's own check; a
    // replacement text is checked here, since it is read again as part of the value.
    const std::size_t end = value.find(u';', at);
    if (end == WideStringView::npos) {
      if (depth == 0) return EK_NONE;
      offending = WideString(value.substr(at));
      return EK_UNTERMINATED_ENTITY_REFERENCE;
    }
    if (at + 1 < value.size() && value[at + 1] == u'#') {
      if (depth > 0 && !XmlRules::CharRef(value.substr(at, end - at + 1))) {
        offending = WideString(value.substr(at, end - at + 1));
        return EK_INVALID_CHARACTER_REFERENCE;
      }
      continue;
    }
    const WideString name(value.substr(at + 1, end - at - 1));
    if (name == u"lt" || name == u"gt" || name == u"amp" || name == u"apos" || name == u"quot") continue;
    offending = u"&" + name + u";";
    const TDtdEntity* entity = FindGeneralEntity(name);
    // In external markup an undeclared entity breaks validity only.
    if (entity == nullptr) {
      if (AllDeclarationsRead() && place != TPlace::ExternalMarkup) return EK_UNDECLARED_ENTITY;
      continue;
    }
    if (place != TPlace::ExternalMarkup && !UsableInDocument(*entity)) return EK_UNDECLARED_ENTITY;
    if (!entity->IsParsed()) return EK_UNPARSED_ENTITY_REFERENCE;
    if (!entity->IsInternal) return EK_EXTERNAL_ENTITY_IN_ATTRIBUTE_VALUE;
    auto known = checked.find(entity);
    if (known != checked.end()) {
      if (!known->second) return EK_RECURSIVE_ENTITY_REFERENCE;
      continue;
    }
    if (depth + 1 > depthLimit) return EK_ENTITY_EXPANSION_TOO_DEEP;
    if (entity->ReplacementText.find(u'<') != WideString::npos) return EK_LT_IN_ATTRIBUTE_VALUE;
    checked[entity] = false;
    WideString inner;
    const TXmlErrorType kind = CheckReferencesIn(entity->ReplacementText, depth + 1, depthLimit, inner, place);
    if (kind != EK_NONE) {
      checked.erase(entity);
      // The innermost reference names the entity at fault.
      offending = inner;
      return kind;
    }
    checked[entity] = true;
  }
  return EK_NONE;
}
