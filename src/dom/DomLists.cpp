#include "dom/DomLists.h"

#include "dom/DomCustomDocument.h"
#include "dom/DomNodes.h"
#include "platform/Format.h"

#include <algorithm>
#include <functional>
#include <iterator>
#include <string_view>

// ---------------------------------------------------------------------------------------------
// TDomNodeList

TDomNodeList::TDomNodeList(const TCustomOwnedNode* parent) : Parent_(parent) {}

TDomNodeList::TDomNodeList(const std::vector<TDomNode*>* list) : List_(list) {}

int TDomNodeList::getLength() const {
  if (Parent_ != nullptr) return Parent_->ChildCount();
  return List_ != nullptr ? static_cast<int>(List_->size()) : 0;
}

int TDomNodeList::indexOf(const TDomNode* node) const {
  if (node == nullptr) return -1;
  if (Parent_ != nullptr) return Parent_->IndexOfChild(node);
  if (List_ == nullptr) return -1;
  auto it = std::find(List_->begin(), List_->end(), node);
  return it == List_->end() ? -1 : static_cast<int>(it - List_->begin());
}

TDomNode* TDomNodeList::item(int index) const {
  if (index < 0 || index >= getLength()) return nullptr;
  if (Parent_ != nullptr) return AsDomNode(Parent_->ChildAt(index));
  return (*List_)[static_cast<std::size_t>(index)];
}

// ---------------------------------------------------------------------------------------------
// Element search lists

TDomElementsNodeList::TDomElementsNodeList(TDomNode* startNode, const WideString& name)
    : Name_(name), StartNode_(startNode) {}

bool TDomElementsNodeList::Matches(const TDomNode* node) const {
  return node->nodeType() == ntElementNode && (Name_ == u"*" || node->nodeName() == Name_);
}

TDomNode* TDomElementsNodeList::Walk(int stop, const TDomNode* wanted, int& count) const {
  count = 0;
  if (StartNode_ == nullptr) return nullptr;
  // Pre-order walk below the start node; the depth tells when the walk climbs back out of it.
  const TDomNode* current = StartNode_;
  int depth = 0;
  while (true) {
    const TDomNode* next;
    if (current->firstChild() != nullptr) {
      next = current->firstChild();
      ++depth;
    } else {
      next = current->nextSibling();
    }
    while (next == nullptr) {
      if (--depth <= 0) return nullptr;
      current = current->parentNode();
      next = current->nextSibling();
    }
    if (depth <= 0) return nullptr;
    current = next;
    if (Matches(current)) {
      if (count == stop || current == wanted) return const_cast<TDomNode*>(current);
      ++count;
    }
  }
}

int TDomElementsNodeList::getLength() const {
  int count = 0;
  Walk(-1, nullptr, count);
  return count;
}

TDomNode* TDomElementsNodeList::item(int index) const {
  if (index < 0) return nullptr;
  int count = 0;
  return Walk(index, nullptr, count);
}

int TDomElementsNodeList::indexOf(const TDomNode* node) const {
  if (node == nullptr || node->nodeType() != ntElementNode) return -1;
  int count = 0;
  return Walk(-1, node, count) != nullptr ? count : -1;
}

TDomElementsNodeListNS::TDomElementsNodeListNS(TDomNode* startNode, const WideString& namespaceURI,
                                               const WideString& localName)
    : TDomElementsNodeList(startNode, WideString()), NamespaceURI_(namespaceURI), LocalName_(localName) {}

bool TDomElementsNodeListNS::Matches(const TDomNode* node) const {
  return node->nodeType() == ntElementNode &&
         (NamespaceURI_ == u"*" || node->namespaceURI() == NamespaceURI_) &&
         (LocalName_ == u"*" || node->localName() == LocalName_);
}

TDomElementsNodeList* TDomSearchListCache::ByName(TDomNode* startNode, const WideString& name) {
  std::unique_ptr<TDomElementsNodeList>& list = ByName_[name];
  if (!list) list = std::make_unique<TDomElementsNodeList>(startNode, name);
  return list.get();
}

TDomElementsNodeListNS* TDomSearchListCache::ByNamespace(TDomNode* startNode, const WideString& namespaceURI,
                                                         const WideString& localName) {
  std::unique_ptr<TDomElementsNodeListNS>& list = ByNamespace_[{namespaceURI, localName}];
  if (!list) list = std::make_unique<TDomElementsNodeListNS>(startNode, namespaceURI, localName);
  return list.get();
}

void TDomSearchListCache::Clear() {
  ByName_.clear();
  ByNamespace_.clear();
}

// ---------------------------------------------------------------------------------------------
// TDomNamedNodeMap::TNameIndex

// The entries of a long map by the key its look-ups use: the node name on a plain map, the
// namespace URI and local name on a namespace-aware one. For each key it keeps the earliest
// entry and how many entries carry that key, so that the first match in list order is found
// at once, as the search finds it. An attribute whose node name may change while it is in
// the map (a namespace-aware one, renamed through setPrefix) cannot be filed under it; while
// a plain map holds such an entry, or any entry that is no attribute, the map searches.
// The keys stand in an array in the order they came (a removed key's place is used again);
// the slots are one array of 32-bit words, open-addressed with linear probing and never more
// than half full, each free or holding a few bits of its key's hash above the key's place.
// A look-up among a million names thus waits on one line of a table a quarter the size of
// one that holds the keys themselves, and reaches for a key only where those bits match.
class TDomNamedNodeMap::TNameIndex {
public:
  explicit TNameIndex(bool namespaceForm) : NamespaceForm_(namespaceForm) {}

  // An index with more keys than its slots can number stops answering; the map then searches.
  bool Usable() const { return Loose_ == 0 && !Full_; }

  // `node` has been appended to the list.
  void Add(TDomNode* node) {
    if (!Indexable(node)) {
      ++Loose_;
      return;
    }
    if (Full_) return;
    const std::uint32_t hash = KeyHash(node);
    std::size_t free = 0;
    if (TKey* key = Find(hash, [&](const TDomNode* first) { return SameKey(first, node); }, &free)) {
      ++key->Count;
      return;
    }
    if (Keys_.size() - Unused_.size() > kKeyMask) {
      Full_ = true;
      return;
    }
    if (2 * (Used_ + 1) > Slots_.size()) {
      Grow();
      free = FreeSlot(hash);
    }
    std::uint32_t place;
    if (!Unused_.empty()) {
      place = Unused_.back();
      Unused_.pop_back();
      Keys_[place] = TKey{node, hash, 1};
    } else {
      place = static_cast<std::uint32_t>(Keys_.size());
      Keys_.push_back(TKey{node, hash, 1});
    }
    Slots_[free] = Mark(hash) | place;
    ++Used_;
  }

  // `node` has been taken out of `items`.
  void Remove(const TDomNode* node, const std::vector<TDomNode*>& items) {
    if (!Indexable(node)) {
      --Loose_;
      return;
    }
    if (Full_) return;
    std::size_t at = 0;
    TKey* key = Find(KeyHash(node), [&](const TDomNode* first) { return SameKey(first, node); }, &at);
    if (key == nullptr) return;
    if (--key->Count == 0) {
      Unused_.push_back(Slots_[at] & kKeyMask);
      *key = TKey{nullptr, 0, 0};
      Erase(at);
    } else if (key->First == node) {
      // Only entries sharing a key (duplicates made without the checks) come here.
      for (TDomNode* item : items) {
        if (Indexable(item) && SameKey(item, node)) {
          key->First = item;
          break;
        }
      }
    }
  }

  TDomNode* FindName(std::u16string_view name) const {
    const TKey* key = Find(Hash(name), [&](const TDomNode* first) { return NameOf(first) == name; });
    return key != nullptr ? key->First : nullptr;
  }

  TDomNode* FindNamespace(const WideString& namespaceURI, const WideString& localName) const {
    const TKey* key = Find(Combine(Hash(namespaceURI), Hash(localName)), [&](const TDomNode* first) {
      return first->namespaceURI() == namespaceURI && first->localName() == localName;
    });
    return key != nullptr ? key->First : nullptr;
  }

private:
  struct TKey {
    TDomNode* First;  // none: the place is unused
    std::uint32_t Hash;
    std::uint32_t Count;
  };
  static constexpr unsigned kKeyBits = 25;
  static constexpr std::uint32_t kKeyMask = (std::uint32_t{1} << kKeyBits) - 1;
  // The top bits of a slot in use: never zero, whatever the hash.
  static std::uint32_t Mark(std::uint32_t hash) { return (0x40u | (hash >> 26)) << kKeyBits; }

  static std::uint32_t Fold(std::uint64_t hash) { return static_cast<std::uint32_t>(hash ^ (hash >> 32)); }
  static std::uint32_t Hash(std::u16string_view text) { return Fold(std::hash<std::u16string_view>{}(text)); }
  static std::uint32_t Combine(std::uint32_t a, std::uint32_t b) {
    return Fold(a ^ (b + 0x9E3779B97F4A7C15ULL + (std::uint64_t{a} << 6) + (a >> 2)));
  }
  static std::u16string_view NameOf(const TDomNode* attr) { return static_cast<const TDomAttr*>(attr)->QualifiedName(); }

  // Namespace URI and local name of an attribute never change; its node name stays put only
  // when it is not namespace-aware.
  bool Indexable(const TDomNode* node) const {
    return node->nodeType() == ntAttributeNode && (NamespaceForm_ || !node->NamespaceAware());
  }
  std::uint32_t KeyHash(const TDomNode* node) const {
    return NamespaceForm_ ? Combine(Hash(node->namespaceURI()), Hash(node->localName())) : Hash(NameOf(node));
  }
  bool SameKey(const TDomNode* a, const TDomNode* b) const {
    return NamespaceForm_ ? a->namespaceURI() == b->namespaceURI() && a->localName() == b->localName()
                          : NameOf(a) == NameOf(b);
  }

  // The key with this hash that `same` accepts, and in `at` its slot or, when there is none,
  // the free slot where the probe ended.
  template <class TSame>
  TKey* Find(std::uint32_t hash, TSame same, std::size_t* at = nullptr) const {
    if (Slots_.empty()) return nullptr;
    const std::size_t mask = Slots_.size() - 1;
    const std::uint32_t mark = Mark(hash);
    std::size_t i = hash & mask;
    for (; Slots_[i] != 0; i = (i + 1) & mask) {
      const std::uint32_t slot = Slots_[i];
      if ((slot & ~kKeyMask) != mark) continue;
      const TKey& key = Keys_[slot & kKeyMask];
      if (key.Hash == hash && same(key.First)) {
        if (at != nullptr) *at = i;
        return const_cast<TKey*>(&key);
      }
    }
    if (at != nullptr) *at = i;
    return nullptr;
  }
  std::size_t FreeSlot(std::uint32_t hash) const {
    const std::size_t mask = Slots_.size() - 1;
    std::size_t i = hash & mask;
    while (Slots_[i] != 0) i = (i + 1) & mask;
    return i;
  }
  std::size_t Home(std::uint32_t slot) const { return Keys_[slot & kKeyMask].Hash & (Slots_.size() - 1); }
  // Made again, twice the size, from the keys in use.
  void Grow() {
    Slots_.assign(std::max<std::size_t>(64, 2 * Slots_.size()), 0);
    for (std::size_t place = 0; place < Keys_.size(); ++place)
      if (Keys_[place].First != nullptr)
        Slots_[FreeSlot(Keys_[place].Hash)] = Mark(Keys_[place].Hash) | static_cast<std::uint32_t>(place);
  }
  // Frees slot i and moves up the later slots of its run that would no longer be found.
  void Erase(std::size_t i) {
    const std::size_t mask = Slots_.size() - 1;
    for (std::size_t j = (i + 1) & mask; Slots_[j] != 0; j = (j + 1) & mask) {
      const std::size_t home = Home(Slots_[j]);
      const bool reachable = i < j ? home > i && home <= j : home > i || home <= j;
      if (!reachable) {
        Slots_[i] = Slots_[j];
        i = j;
      }
    }
    Slots_[i] = 0;
    --Used_;
  }

  bool NamespaceForm_;
  bool Full_ = false;
  std::size_t Loose_ = 0;  // entries not filed
  std::size_t Used_ = 0;
  std::vector<TKey> Keys_;
  std::vector<std::uint32_t> Unused_;  // places in Keys_ free for the next key
  std::vector<std::uint32_t> Slots_;
};

// ---------------------------------------------------------------------------------------------
// TDomNamedNodeMap

TDomNamedNodeMap::TDomNamedNodeMap(TDomNode* ownerNode, std::vector<TDomNode*>* list,
                                   std::uint16_t allowedTypes, bool defaultNamespaceAware)
    : TDomNodeList(list),
      AllowedTypes_(allowedTypes),
      DefaultNamespaceAware_(defaultNamespaceAware),
      OwnerNode_(ownerNode) {}

TDomNamedNodeMap::~TDomNamedNodeMap() = default;

TDomNamedNodeMap::TNameIndex* TDomNamedNodeMap::UsableIndex() const {
  if (!Index_) {
    if (Items().size() < IndexedFrom) return nullptr;
    Index_ = std::make_unique<TNameIndex>(IsNamespaceAware());
    for (TDomNode* node : Items()) Index_->Add(node);
  }
  return Index_->Usable() ? Index_.get() : nullptr;
}

bool TDomNamedNodeMap::IsNamespaceAware() const {
  return OwnerNode_ != nullptr ? OwnerNode_->NamespaceAware() : DefaultNamespaceAware_;
}

void TDomNamedNodeMap::CheckForm(bool namespaceForm) const {
  if (IsNamespaceAware() != namespaceForm) throw ENamespace_Err(DomMessages::NamespaceError);
}

void TDomNamedNodeMap::CheckWritable() const {
  if (OwnerNode_ != nullptr && OwnerNode_->IsReadOnly())
    throw ENo_Modification_Allowed_Err(DomMessages::NoModificationAllowed);
}

TDomNode* TDomNamedNodeMap::FindByName(const WideString& name) const {
  if (const TNameIndex* index = UsableIndex()) return index->FindName(name);
  for (TDomNode* node : Items()) {
    // Attributes answer without copying their name; this runs once per attribute a parse sets.
    if (node->nodeType() == ntAttributeNode ? static_cast<const TDomAttr*>(node)->QualifiedName() == name
                                            : node->nodeName() == name)
      return node;
  }
  return nullptr;
}

TDomNode* TDomNamedNodeMap::FindByNamespace(const WideString& namespaceURI, const WideString& localName) const {
  if (const TNameIndex* index = UsableIndex()) return index->FindNamespace(namespaceURI, localName);
  for (TDomNode* node : Items())
    if (node->namespaceURI() == namespaceURI && node->localName() == localName) return node;
  return nullptr;
}

void TDomNamedNodeMap::AddItem(TDomNode* node) {
  // Room for two from the start costs no more heap than room for one and saves a move for
  // the many elements with more than one attribute.
  std::vector<TDomNode*>& items = Items();
  if (items.capacity() == 0) items.reserve(2);
  items.push_back(node);
  if (Index_) Index_->Add(node);
  if (node->nodeType() == ntAttributeNode) static_cast<TDomAttr*>(node)->SetOwnerMap(this);
}

void TDomNamedNodeMap::DropItem(TDomNode* node) {
  // Searched from the end: a document that dies takes its attributes down last first, so
  // each one is found at once and nothing behind it moves. Nobody looks anything up in a
  // dying document, so its maps drop their indexes whole rather than entry by entry.
  std::vector<TDomNode*>& items = Items();
  auto it = std::find(items.rbegin(), items.rend(), node);
  if (it != items.rend()) {
    items.erase(std::next(it).base());
    if (Index_ && OwnerDying()) Index_.reset();
    if (Index_) Index_->Remove(node, items);
  }
  if (node->nodeType() == ntAttributeNode) static_cast<TDomAttr*>(node)->SetOwnerMap(nullptr);
}

void TDomNamedNodeMap::ReverseItems() {
  std::reverse(Items().begin(), Items().end());
  Index_.reset();
}

bool TDomNamedNodeMap::OwnerDying() const {
  const TDomCustomDocument* document = OwnerNode_ != nullptr ? OwnerNode_->ReferenceDocument() : nullptr;
  return document != nullptr && document->Dying();
}

TDomNode* TDomNamedNodeMap::removeItem(TDomNode* node) {
  CheckWritable();
  if (node == nullptr || std::find(Items().rbegin(), Items().rend(), node) == Items().rend())
    throw ENot_Found_Err(DomMessages::NodeNotFound);
  DropItem(node);
  return node;
}

TDomNode* TDomNamedNodeMap::getNamedItem(const WideString& name) const {
  CheckForm(false);
  return FindByName(name);
}

TDomNode* TDomNamedNodeMap::getNamedItemNS(const WideString& namespaceURI, const WideString& localName) const {
  CheckForm(true);
  return FindByNamespace(namespaceURI, localName);
}

TDomNode* TDomNamedNodeMap::removeNamedItem(const WideString& name) {
  CheckForm(false);
  CheckWritable();
  TDomNode* node = FindByName(name);
  if (node == nullptr) throw ENot_Found_Err(DomMessages::NodeNotFound);
  DropItem(node);
  return node;
}

TDomNode* TDomNamedNodeMap::removeNamedItemNS(const WideString& namespaceURI, const WideString& localName) {
  CheckForm(true);
  CheckWritable();
  TDomNode* node = FindByNamespace(namespaceURI, localName);
  if (node == nullptr) throw ENot_Found_Err(DomMessages::NodeNotFound);
  DropItem(node);
  return node;
}

TDomNode* TDomNamedNodeMap::setNamedItem(TDomNode* node) { return SetItem(node, false); }

TDomNode* TDomNamedNodeMap::setNamedItemNS(TDomNode* node) { return SetItem(node, true); }

TDomNode* TDomNamedNodeMap::SetItem(TDomNode* node, bool namespaceForm) {
  CheckForm(namespaceForm);
  CheckWritable();
  // A missing node would otherwise be dereferenced by every check below.
  if (node == nullptr) throw ENot_Supported_Err(DomMessages::NotSupported);
  if (OwnerNode_ != nullptr && node->ReferenceDocument() != OwnerNode_->ReferenceDocument())
    throw EWrong_Document_Err(DomMessages::WrongDocument);
  unsigned type = node->nodeType();
  if (type > 15 || ((AllowedTypes_ >> type) & 1u) == 0) throw EHierarchy_Request_Err(DomMessages::HierarchyRequest);
  if (node->parentNode() != nullptr) throw EInuse_Err("Inuse node error.");
  if (type == ntAttributeNode) {
    const TDomNamedNodeMap* map = static_cast<TDomAttr*>(node)->OwnerMap();
    if (map != nullptr && map != this) throw EInuse_Err("Inuse attribute error.");
  }
  TDomNode* existing =
      namespaceForm ? FindByNamespace(node->namespaceURI(), node->localName()) : FindByName(node->nodeName());
  if (existing == node) return nullptr;
  if (existing != nullptr) DropItem(existing);
  AddItem(node);
  return existing;
}

// ---------------------------------------------------------------------------------------------
// TDomOwnerNamedNodeMap

TDomOwnerNamedNodeMap::TDomOwnerNamedNodeMap(TItemClassTest isItemClass) : IsItemClass_(std::move(isItemClass)) {}

TDomOwnerNamedNodeMap::~TDomOwnerNamedNodeMap() { Clear(); }

std::size_t TDomOwnerNamedNodeMap::Find(const WideString& name, bool& found) const {
  // std::u16string compares by unsigned code unit with the shorter prefix first: the ordinal order.
  auto it = std::lower_bound(Items_.begin(), Items_.end(), name,
                             [](const TDomNode* item, const WideString& key) { return item->nodeName() < key; });
  found = it != Items_.end() && (*it)->nodeName() == name;
  return static_cast<std::size_t>(it - Items_.begin());
}

TDomNode* TDomOwnerNamedNodeMap::item(int index) const {
  if (index < 0 || index >= getLength()) return nullptr;
  return Items_[static_cast<std::size_t>(index)];
}

TDomNode* TDomOwnerNamedNodeMap::getNamedItem(const WideString& name) const {
  bool found = false;
  std::size_t at = Find(name, found);
  return found ? Items_[at] : nullptr;
}

int TDomOwnerNamedNodeMap::Add(TDomNode* node) {
  if (node == nullptr || !IsItemClass_(node)) throw EHierarchy_Request_Err(DomMessages::HierarchyRequest);
  bool found = false;
  std::size_t at = Find(node->nodeName(), found);
  if (found) throw EStringListError("String list does not allow duplicates");
  Items_.insert(Items_.begin() + static_cast<std::ptrdiff_t>(at), node);
  return static_cast<int>(at);
}

void TDomOwnerNamedNodeMap::Delete(int index) {
  if (index < 0 || index >= getLength()) throw EStringListError(Format("List index out of bounds (%d)", {std::int64_t{index}}));
  TDomNode* node = Items_[static_cast<std::size_t>(index)];
  Items_.erase(Items_.begin() + index);
  TCustomOwnedObject::Free(node);
}

void TDomOwnerNamedNodeMap::RemoveItem(TDomNode* node) {
  auto it = std::find(Items_.begin(), Items_.end(), node);
  if (it == Items_.end()) throw EStringListError("Item not found");
  Items_.erase(it);
}

void TDomOwnerNamedNodeMap::Clear() {
  while (!Items_.empty()) {
    TDomNode* node = Items_.back();
    Items_.pop_back();
    TCustomOwnedObject::Free(node);
  }
}
