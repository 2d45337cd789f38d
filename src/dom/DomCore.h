// The node model: TDomNode adds to the owned-node tree the node type, name and value, the live
// child list, the rules which node types may hold which children, the DOM tree edits with
// their exceptions, change notifications to the document, user data and the navigation
// operations that every kind of node shares.
#pragma once

#include "dom/DomExceptions.h"
#include "dom/SharedText.h"
#include "dom/TreeUtils.h"
#include "platform/WideString.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TDomNode;
class TDomNodeList;
class TDomNamedNodeMap;
class TDomSearchListCache;
class TDomCustomDocument;
class TDomElement;
class TDomAttr;

// The system's own node type codes (6 to 10 differ from the W3C numbering).
enum TDomNodeType : std::uint8_t {
  ntUnknown = 0,
  ntElementNode = 1,
  ntAttributeNode = 2,
  ntTextNode = 3,
  ntCDATASectionNode = 4,
  ntEntityReferenceNode = 5,
  ntProcessingInstructionNode = 6,
  ntCommentNode = 7,
  ntDocumentNode = 8,
  ntDocumentFragmentNode = 9,
  ntDocumentTypeDeclNode = 10,
  ntXPathNamespaceNode = 11,
};

// The messages used in more than one place, kept here so that the texts cannot drift apart.
namespace DomMessages {
inline constexpr const char* NoModificationAllowed = "No modification allowed error.";
inline constexpr const char* InvalidCharacter = "Invalid character error.";
inline constexpr const char* NamespaceError = "Namespace error.";
inline constexpr const char* NotSupported = "Not supported error.";
inline constexpr const char* IndexSize = "Index size error.";
inline constexpr const char* NodeNotFound = "Node not found error.";
inline constexpr const char* WrongDocument = "Wrong document error.";
inline constexpr const char* HierarchyRequest = "Hierarchy request error.";
}  // namespace DomMessages

// Sets of allowed child types: bit n set means type code n may be a child.
namespace DomChildTypes {
inline constexpr std::uint16_t ContentNodes = 0x02FA;   // elements, entity references, fragments
inline constexpr std::uint16_t DocumentNodes = 0x06C2;  // documents
inline constexpr std::uint16_t AnyTreeNode = 0x06FA;    // a bare TDomNode
inline constexpr std::uint16_t None = 0;
}  // namespace DomChildTypes

// Operation codes passed to user-data handlers.
enum TDomUserDataOperation : std::uint8_t {
  UDO_NODE_CLONED = 1,
  UDO_NODE_DELETED = 2,
  UDO_NODE_IMPORTED = 3,
};

// What happened to an attribute, as reported to the document.
enum TDomAttrChange : std::uint8_t {
  AC_ADDITION = 0,
  AC_MODIFICATION = 1,
  AC_REMOVAL = 2,
};

using TDomUserDataHandler = std::function<void(TDomUserDataOperation operation, const WideString& key,
                                               void* data, TDomNode* source, TDomNode* destination)>;

// The namespace names bound to the prefixes "xml" and "xmlns"; compared as exact strings.
inline const WideString XmlNamespaceName = u"http://www.w3.org/XML/1998/namespace";
inline const WideString XmlnsNamespaceName = u"http://www.w3.org/2000/xmlns/";

// Maps the tree layer's errors to the DOM exceptions and declares the node name.
class TDomCustomNode : public TCustomOwnedNode {
public:
  explicit TDomCustomNode(TCustomOwnedObject* owner);
  const char* ClassName() const override { return "TDomCustomNode"; }

  [[noreturn]] void RaiseTreeError(TTreeError error) override;
  virtual WideString nodeName() const = 0;
};

class TDomNode : public TDomCustomNode {
public:
  explicit TDomNode(TCustomOwnedObject* owner);
  ~TDomNode() override;
  TDomNode(const TDomNode&) = delete;
  TDomNode& operator=(const TDomNode&) = delete;
  const char* ClassName() const override { return "TDomNode"; }

  // Virtual operations in their fixed order (nodeName is the first, declared above).
  WideString nodeName() const override;
  virtual void CheckTypeAllowed(const TDomNode* node) const;
  virtual std::int64_t DocumentOrder() const;
  virtual TDomNamedNodeMap* attributes() const;
  virtual WideString baseURI() const;
  virtual TDomNodeList* childNodes() const;
  virtual TDomCustomDocument* ownerDocument() const;
  virtual WideString XPathName() const;
  virtual TDomNode* firstChild() const;
  virtual WideString Language() const;
  virtual TDomNode* lastChild() const;
  virtual std::int64_t Level() const;
  virtual WideString localName() const;
  virtual WideString namespaceURI() const;
  virtual TDomNode* nextSibling() const;
  virtual WideString nodeValue() const;
  virtual TDomNodeType nodeType() const;
  virtual TDomNode* parentNode() const;
  virtual TDomNode* previousSibling() const;
  virtual WideString prefix() const;
  virtual TDomCustomDocument* ReferenceDocument() const;
  virtual WideString textContent() const;
  virtual WideString XPathStringValue() const;
  virtual void setNodeValue(const WideString& value);
  virtual void setPrefix(const WideString& value);
  virtual TDomNode* appendChild(TDomNode* node);
  virtual TDomNode* cloneNode(bool deep);
  virtual std::uint16_t compareDocumentPosition(const TDomNode* node) const;
  virtual bool EvaluateToBoolean(const WideString& expression);
  virtual double EvaluateToNumber(const WideString& expression);
  virtual TDomNode* EvaluateToNode(const WideString& expression);
  virtual WideString EvaluateToString(const WideString& expression);
  virtual TDomElement* FindFirstChildElement() const;
  virtual TDomElement* FindLastChildElement() const;
  virtual TDomElement* FindNextSiblingElement() const;
  virtual TDomElement* FindParentElement() const;
  virtual TDomElement* FindPreviousSiblingElement() const;
  virtual TDomElement* FindFirstChildElement(const WideString& name) const;
  virtual TDomElement* FindFirstChildElement(const WideString& namespaceURI, const WideString& localName) const;
  virtual TDomElement* FindLastChildElement(const WideString& name) const;
  virtual TDomElement* FindLastChildElement(const WideString& namespaceURI, const WideString& localName) const;
  virtual TDomElement* FindNextSiblingElement(const WideString& name) const;
  virtual TDomElement* FindNextSiblingElement(const WideString& namespaceURI, const WideString& localName) const;
  virtual TDomElement* FindParentElement(const WideString& name) const;
  virtual TDomElement* FindParentElement(const WideString& namespaceURI, const WideString& localName) const;
  virtual TDomElement* FindPreviousSiblingElement(const WideString& name) const;
  virtual TDomElement* FindPreviousSiblingElement(const WideString& namespaceURI,
                                                  const WideString& localName) const;
  virtual void* getUserData(const WideString& key) const;
  virtual bool IsAncestor(const TDomNode* node) const;
  virtual bool hasAttributes() const;
  virtual bool hasChildNodes() const;
  virtual TDomNode* insertBefore(TDomNode* node, TDomNode* refNode);
  virtual WideString lookupNamespaceURI(const WideString& prefix) const;
  virtual void normalize();
  virtual TDomNode* removeChild(TDomNode* node);
  virtual TDomNode* replaceChild(TDomNode* newNode, TDomNode* oldNode);
  virtual void* setUserData(const WideString& key, void* data, const TDomUserDataHandler& handler);
  virtual bool isSupported(const WideString& feature, const WideString& version) const;

  bool NamespaceAware() const { return NamespaceAware_; }
  std::uint16_t AllowedChildTypes() const { return AllowedChildTypes_; }
  // Calls every user-data handler with the operation, in the order the keys were first stored.
  void CallUserDataHandlers(TDomUserDataOperation operation, TDomNode* source, TDomNode* destination);

protected:
  // Change notifications for the document (the other tree hooks stay empty).
  void DoAfterInsertion(TCustomOwnedNode* node) override;
  void DoBeforeClear() override;
  void DoBeforeRemoval(TCustomOwnedNode* node) override;
  void DetachForDestruction() override;

  // Whether `node` would pass the tree layer's owner check as a child of this node.
  bool OwnerCheckPasses(const TDomNode* node) const;
  // Normalises this node's subtree without recursion, merging adjacent text children of
  // every element on the way.
  void NormalizeSubtree();

  // The search lists of getElementsByTagName and its namespace form, made on first use.
  TDomSearchListCache& SearchLists();
  void DropSearchLists();

  // Where the node keeps its value: the kinds that hold one keep it in a field of their own;
  // for the others (a bare node may still be given one) it lives with the extras.
  virtual TSharedText* ValueField() { return nullptr; }

  bool NamespaceAware_ = false;
  // Flags of the node classes, kept in a byte the layout would leave empty anyway.
  std::uint8_t NodeBits_ = 0;
  std::uint16_t AllowedChildTypes_ = DomChildTypes::AnyTreeNode;

private:
  friend class TDomCustomDocument;

  TDomNode* InsertFragmentBefore(TDomNode* fragment, TDomNode* refNode);
  void CheckFragmentMove(const TDomNode* fragment) const;
  std::int64_t UserDataIndex(const WideString& key) const;

  struct UserDataEntry {
    WideString Key;
    void* Data;
    TDomUserDataHandler Handler;
  };

  // What few of the nodes of a parsed document ever need, in the block the tree layer keeps
  // apart for an owned list, made on first use: a node costs one pointer for all of it.
  struct TExtras : TSide {
    TExtras();
    ~TExtras() override;
    TSharedText Value;
    std::unique_ptr<TDomNodeList> ChildNodes;
    std::vector<UserDataEntry> UserData;
    std::unique_ptr<TDomSearchListCache> SearchLists;
  };
  TExtras& Extras() const;
  TExtras* ExtrasIfAny() const {
    TSide* side = SideIfAny();
    return side != nullptr && side->Extended ? static_cast<TExtras*>(side) : nullptr;
  }
  // The document that owns the node: its owner when that is a document. A node queued for
  // destruction has left its owner's list but still answers the document it left.
  TDomCustomDocument* DocumentOwner() const;
};

// The node a downcast pointer from the tree layer stands for; every child of a node is a node.
inline TDomNode* AsDomNode(TCustomOwnedNode* node) { return static_cast<TDomNode*>(node); }
