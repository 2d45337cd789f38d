// Node lists and named node maps: live views of pointer lists that belong to someone else
// (a node's children, an element's attributes, an implementation's documents), the live
// results of element searches, and the attribute map with its checked edits. None of them
// owns the nodes it shows.
#pragma once

#include "dom/DomCore.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class TDomNodeList {
public:
  // A view of the children of `parent`.
  explicit TDomNodeList(const TCustomOwnedNode* parent);
  // A view of a pointer list kept by someone else.
  explicit TDomNodeList(const std::vector<TDomNode*>* list);
  virtual ~TDomNodeList() = default;
  TDomNodeList(const TDomNodeList&) = delete;
  TDomNodeList& operator=(const TDomNodeList&) = delete;

  virtual int getLength() const;
  virtual int indexOf(const TDomNode* node) const;
  virtual TDomNode* item(int index) const;

protected:
  TDomNodeList() = default;
  const std::vector<TDomNode*>* ViewedList() const { return List_; }

private:
  const TCustomOwnedNode* Parent_ = nullptr;
  const std::vector<TDomNode*>* List_ = nullptr;
};

// Elements below a start node whose node name equals the query ("*" matches every element).
class TDomElementsNodeList : public TDomNodeList {
public:
  TDomElementsNodeList(TDomNode* startNode, const WideString& name);

  int getLength() const override;
  int indexOf(const TDomNode* node) const override;
  TDomNode* item(int index) const override;

  const WideString& QueryName() const { return Name_; }

protected:
  virtual bool Matches(const TDomNode* node) const;

private:
  // Walks the subtree in document order and stops at the element with number `stop`
  // (none found: returns none and the number of matches in `count`).
  TDomNode* Walk(int stop, const TDomNode* wanted, int& count) const;
  friend class TDomElementsNodeListNS;

  WideString Name_;
  TDomNode* StartNode_;
};

// Elements below a start node whose namespace URI and local name equal the query ("*" for
// either matches anything).
class TDomElementsNodeListNS : public TDomElementsNodeList {
public:
  TDomElementsNodeListNS(TDomNode* startNode, const WideString& namespaceURI, const WideString& localName);

  const WideString& QueryNamespaceURI() const { return NamespaceURI_; }
  const WideString& QueryLocalName() const { return LocalName_; }

protected:
  bool Matches(const TDomNode* node) const override;

private:
  WideString NamespaceURI_;
  WideString LocalName_;
};

// The search lists a node has handed out, kept so that the same query returns the same list
// and destroyed with the node.
class TDomSearchListCache {
public:
  TDomElementsNodeList* ByName(TDomNode* startNode, const WideString& name);
  TDomElementsNodeListNS* ByNamespace(TDomNode* startNode, const WideString& namespaceURI,
                                      const WideString& localName);
  void Clear();

private:
  std::map<WideString, std::unique_ptr<TDomElementsNodeList>> ByName_;
  std::map<std::pair<WideString, WideString>, std::unique_ptr<TDomElementsNodeListNS>> ByNamespace_;
};

// The attribute map of an element: a view of the element's attribute list in insertion order
// with lookup by name and checked insertion and removal. A short map is searched; a long one
// gets an index by name, so that setting n attributes one by one costs time in proportion to
// n, not to its square. The index hangs off the map and exists only for long maps, so a map
// is no bigger for it.
class TDomNamedNodeMap : public TDomNodeList {
public:
  TDomNamedNodeMap(TDomNode* ownerNode, std::vector<TDomNode*>* list, std::uint16_t allowedTypes,
                   bool defaultNamespaceAware);
  ~TDomNamedNodeMap() override;

  virtual void AddItem(TDomNode* node);
  virtual void DropItem(TDomNode* node);
  virtual TDomNode* removeItem(TDomNode* node);
  virtual TDomNode* getNamedItem(const WideString& name) const;
  virtual TDomNode* getNamedItemNS(const WideString& namespaceURI, const WideString& localName) const;
  virtual TDomNode* removeNamedItem(const WideString& name);
  virtual TDomNode* removeNamedItemNS(const WideString& namespaceURI, const WideString& localName);
  virtual TDomNode* setNamedItem(TDomNode* node);
  virtual TDomNode* setNamedItemNS(TDomNode* node);

  TDomNode* ownerNode() const { return OwnerNode_; }
  bool IsNamespaceAware() const;

  // From this many entries on, look-ups go through the index.
  static constexpr std::size_t IndexedFrom = 16;

private:
  friend class TDomElement;
  class TNameIndex;

  // The map is made over a list it may change; the view keeps it as read-only.
  std::vector<TDomNode*>& Items() const { return *const_cast<std::vector<TDomNode*>*>(ViewedList()); }
  // The index when the map is long enough for one and it can answer; null otherwise.
  TNameIndex* UsableIndex() const;
  TDomNode* FindByName(const WideString& name) const;
  TDomNode* FindByNamespace(const WideString& namespaceURI, const WideString& localName) const;
  void CheckForm(bool namespaceForm) const;
  void CheckWritable() const;
  TDomNode* SetItem(TDomNode* node, bool namespaceForm);
  // Turns the list round, so that the first entry is the last; the index is made anew when
  // next needed.
  void ReverseItems();
  // Whether the map belongs to a node of a document that is being destroyed.
  bool OwnerDying() const;

  mutable std::unique_ptr<TNameIndex> Index_;
  std::uint16_t AllowedTypes_;
  bool DefaultNamespaceAware_;
  TDomNode* OwnerNode_;
};

// An owning map of named objects of one class, sorted by name (ordinal by code unit) and
// refusing duplicate names; clearing, deleting and destroying it destroy the objects.
class TDomOwnerNamedNodeMap {
public:
  using TItemClassTest = std::function<bool(const TDomNode*)>;
  explicit TDomOwnerNamedNodeMap(TItemClassTest isItemClass);
  ~TDomOwnerNamedNodeMap();
  TDomOwnerNamedNodeMap(const TDomOwnerNamedNodeMap&) = delete;
  TDomOwnerNamedNodeMap& operator=(const TDomOwnerNamedNodeMap&) = delete;

  int getLength() const { return static_cast<int>(Items_.size()); }
  TDomNode* item(int index) const;
  TDomNode* getNamedItem(const WideString& name) const;
  // Adds `node` under its node name and returns its position.
  int Add(TDomNode* node);
  void Delete(int index);
  // Takes `node` out of the map without destroying it.
  void RemoveItem(TDomNode* node);
  void Clear();

private:
  // Position of `name`, or where it would be inserted; `found` tells which.
  std::size_t Find(const WideString& name, bool& found) const;

  TItemClassTest IsItemClass_;
  std::vector<TDomNode*> Items_;
};
