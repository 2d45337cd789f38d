// The node-owning base of every document: it owns each node made for it and destroys them
// all with itself, copies and imports nodes, answers for its document element and document
// type declaration, and receives the change notifications of its nodes.
#pragma once

#include "dom/DomCore.h"
#include "xml/DomError.h"

#include <cstdint>
#include <functional>

class TPersistent;
class TDomDocumentTypeDecl;

using TDomAttrModifiedEvent =
    std::function<void(TPersistent* sender, TDomNode* modifiedNode, TDomAttrChange attrChange, TDomAttr* relatedAttr)>;
using TDomNotifyNodeEvent = std::function<void(TPersistent* sender, TDomNode* node)>;

class TDomCustomDocument : public TDomNode {
public:
  TDomCustomDocument();
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

  // Attribute-value normalisation for an attribute of the given declared type: the result and
  // the worst error kind met (0 for none).
  virtual void NormalizeAttributeValue(const WideString& value, std::uint8_t attributeType,
                                       TXmlErrorType& errorKind, WideString& result) = 0;
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
  virtual TDomNode* importNode(TDomNode* node, bool deep);
  // Whether the document's DTD declares element content for `element`; without a DTD model
  // nothing is declared.
  virtual bool HasElementContent(const TDomElement* element) const;

  const WideString& documentURI() const { return DocumentURI_; }
  void setDocumentURI(const WideString& value) { DocumentURI_ = value; }
  bool Modified() const { return Modified_; }
  void SetModified(bool value) { Modified_ = value; }

  TDomAttrModifiedEvent OnAttrModified;
  TDomNotifyNodeEvent OnCharacterDataModified;
  TDomNotifyNodeEvent OnNodeClearing;
  TDomNotifyNodeEvent OnNodeInserted;
  TDomNotifyNodeEvent OnNodeRemoving;

protected:
  // Clearing a document sends no clearing notice.
  void DoBeforeClear() override {}

private:
  // One node copied without its children (an element with its specified attributes).
  TDomNode* CopyShallow(TDomNode* node);

  WideString DocumentURI_;
  bool Modified_ = false;
};
