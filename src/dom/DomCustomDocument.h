// The node-owning base of every document: it owns each node made for it and destroys them
// all with itself, copies and imports nodes, answers for its document element and document
// type declaration, keeps the rules for them on insertion, receives the change notifications
// of its nodes and passes them on to its DOM implementation, and makes the node iterators and
// tree walkers over its nodes.
#pragma once

#include "dom/DomCore.h"
#include "xml/DomError.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TPersistent;
class TDomDocumentTypeDecl;
class TDomImplementation;
class TDomNodeFilter;
class TDomNodeIterator;
class TDomTreeWalker;

using TDomAttrModifiedEvent =
    std::function<void(TPersistent* sender, TDomNode* modifiedNode, TDomAttrChange attrChange, TDomAttr* relatedAttr)>;
using TDomNotifyNodeEvent = std::function<void(TPersistent* sender, TDomNode* node)>;

class TDomCustomDocument : public TDomNode {
public:
  // Registers the document with `implementation` when one is given.
  explicit TDomCustomDocument(TDomImplementation* implementation = nullptr);
  ~TDomCustomDocument() override;
  const char* ClassName() const override { return "TDomCustomDocument"; }

  WideString nodeName() const override { return u"#document"; }
  std::int64_t DocumentOrder() const override { return 0; }
  WideString baseURI() const override;
  TDomCustomDocument* ownerDocument() const override { return nullptr; }
  std::int64_t Level() const override { return 0; }
  TDomNodeType nodeType() const override { return ntDocumentNode; }
  TDomCustomDocument* ReferenceDocument() const override { return const_cast<TDomCustomDocument*>(this); }
  void setNodeValue(const WideString&) override {}
  // One document element and one document type declaration, the declaration first; checked
  // before anything moves, for a fragment's children all together.
  TDomNode* appendChild(TDomNode* node) override;
  TDomNode* insertBefore(TDomNode* node, TDomNode* refNode) override;
  TDomNode* replaceChild(TDomNode* newNode, TDomNode* oldNode) override;

  // Attribute-value normalisation for an attribute of the given declared type: the result and
  // the worst error kind met (0 for none). References are replaced, white space becomes one
  // space each; a stop gives an empty result.
  virtual void NormalizeAttributeValue(const WideString& value, std::uint8_t attributeType,
                                       TXmlErrorType& errorKind, WideString& result);
  virtual void DoAttrModified(TDomNode* node, TDomAttrChange change, TDomAttr* attr);
  virtual void DoCharacterDataModified(TDomNode* node);
  virtual void DoNodeClearing(TDomNode* node);
  virtual void DoNodeInserted(TDomNode* node);
  virtual void DoNodeRemoving(TDomNode* node);
  // The declared type of an attribute; 0 means not declared.
  virtual std::uint8_t GetAttributeType(const WideString& elementName, const WideString& attributeName) const;
  virtual TDomDocumentTypeDecl* doctype() const;
  virtual TDomElement* documentElement() const;
  // A copy of `node` made in this document (owned by it, without parent).
  virtual TDomNode* CopyNode(TDomNode* node, bool deep);
  // Called for every node CopyNode makes, right after it is made and before its children are:
  // what this document's declarations add to a copy (nothing here).
  virtual void CompleteCopy(TDomNode*) {}
  virtual void FreeDetachedIterators();
  // Made, recorded and destroyed by this document.
  virtual TDomNodeIterator* createNodeIterator(TDomNode* root, std::uint16_t whatToShow, TDomNodeFilter* filter,
                                               bool expandEntityReferences);
  virtual TDomTreeWalker* createTreeWalker(TDomNode* root, std::uint16_t whatToShow, TDomNodeFilter* filter,
                                           bool expandEntityReferences);
  // Destroys a walker this document made and sets the variable to none.
  virtual void FreeTreeWalker(TDomTreeWalker*& walker);
  virtual TDomElement* getElementById(const WideString& elementId) const;
  virtual TDomNode* importNode(TDomNode* node, bool deep);
  // Whether the document's DTD declares element content for `element`; without a DTD model
  // nothing is declared.
  virtual bool HasElementContent(const TDomElement* element) const;

  const WideString& documentURI() const { return DocumentURI_; }
  void setDocumentURI(const WideString& value) { DocumentURI_ = value; }
  bool Modified() const { return Modified_; }
  // Whether the destructor is taking the nodes down.
  bool Dying() const { return Dying_; }
  void SetModified(bool value) { Modified_ = value; }
  TDomImplementation* domImplementation() const { return DomImplementation_; }
  const WideString& inputEncoding() const { return InputEncoding_; }
  void setInputEncoding(const WideString& value) { InputEncoding_ = value; }
  const WideString& xmlEncoding() const { return XmlEncoding_; }
  void setXmlEncoding(const WideString& value) { XmlEncoding_ = value; }
  // 0 yes, 1 no, 2 not specified.
  std::uint8_t xmlStandalone() const { return XmlStandalone_; }
  void setXmlStandalone(std::uint8_t value) { XmlStandalone_ = value; }
  const WideString& xmlVersion() const { return XmlVersion_; }
  void setXmlVersion(const WideString& value) { XmlVersion_ = value; }
  int NodeIteratorCount() const { return static_cast<int>(NodeIterators_.size()); }

  TDomAttrModifiedEvent OnAttrModified;
  TDomNotifyNodeEvent OnCharacterDataModified;
  TDomNotifyNodeEvent OnNodeClearing;
  TDomNotifyNodeEvent OnNodeInserted;
  TDomNotifyNodeEvent OnNodeRemoving;

protected:
  // Clearing a document destroys its iterators and walkers and sends no clearing notice.
  void DoBeforeClear() override;
  void FreeIteratorsAndWalkers();

private:
  friend class TDomImplementation;

  // One node copied without its children (an element with its specified attributes).
  TDomNode* CopyShallow(TDomNode* node);
  // The iterators are told of a node leaving the tree or losing its children.
  void TellIterators(TDomNode* node, bool isRemoval);
  // Raises EHierarchy_Request_Err when the children of `fragment`, put at `position` in place
  // of `replaced` (none for an insertion), would break the document rules.
  void CheckFragmentForDocument(const TDomNode* fragment, int position, const TDomNode* replaced) const;

  std::vector<std::unique_ptr<TDomNodeIterator>> NodeIterators_;
  std::vector<std::unique_ptr<TDomTreeWalker>> TreeWalkers_;
  WideString DocumentURI_;
  TDomImplementation* DomImplementation_ = nullptr;
  WideString InputEncoding_;
  bool Modified_ = false;
  bool Dying_ = false;  // set while the destructor takes the nodes down
  WideString XmlEncoding_;
  std::uint8_t XmlStandalone_ = 2;
  WideString XmlVersion_;
};
