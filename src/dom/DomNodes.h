// The concrete node classes: elements with their attributes, the character data family,
// processing instructions, entity references, fragments, document type declarations and
// XPath namespace nodes. Nodes are made by their classes' Create operations with the document
// as owner; the document destroys them with itself.
#pragma once

#include "dom/DomCore.h"
#include "dom/DomLists.h"

#include <cstdint>
#include <memory>
#include <vector>

class TDomElement : public TDomNode {
  friend class TDomParsedNodes;

public:
  // Plain element; the tag name must be an XML name.
  static TDomElement* Create(TDomCustomDocument* document, const WideString& tagName);
  // Namespace-aware element; the qualified name must fit the namespace URI.
  static TDomElement* CreateNS(TDomCustomDocument* document, const WideString& namespaceURI,
                               const WideString& qualifiedName);
  ~TDomElement() override;
  const char* ClassName() const override { return "TDomElement"; }

  WideString nodeName() const override { return NodeName_.Str(); }
  TDomNamedNodeMap* attributes() const override;
  WideString XPathName() const override { return NodeName_.Str(); }
  WideString localName() const override;
  WideString namespaceURI() const override;
  TDomNodeType nodeType() const override { return ntElementNode; }
  WideString prefix() const override;
  void setNodeValue(const WideString&) override {}
  void setPrefix(const WideString& value) override;
  WideString lookupNamespaceURI(const WideString& prefix) const override;
  void normalize() override;

  virtual void DoAttrModified(TDomNode* node, TDomAttrChange change, TDomAttr* attr);
  virtual WideString getAttribute(const WideString& name) const;
  virtual TDomAttr* getAttributeNode(const WideString& name) const;
  virtual TDomAttr* getAttributeNodeNS(const WideString& namespaceURI, const WideString& localName) const;
  virtual WideString getAttributeLiteralValue(const WideString& name) const;
  virtual WideString getAttributeNS(const WideString& namespaceURI, const WideString& localName) const;
  virtual WideString getAttributeNSLiteralValue(const WideString& namespaceURI, const WideString& localName) const;
  virtual TDomNodeList* getElementsByTagName(const WideString& name);
  virtual TDomNodeList* getElementsByTagNameNS(const WideString& namespaceURI, const WideString& localName);
  virtual WideString tagName() const { return NodeName_.Str(); }
  virtual bool hasAttribute(const WideString& name) const;
  virtual bool hasAttributeNS(const WideString& namespaceURI, const WideString& localName) const;
  virtual void removeAttribute(const WideString& name);
  virtual TDomAttr* removeAttributeNode(TDomAttr* attr);
  virtual void removeAttributeNS(const WideString& namespaceURI, const WideString& localName);
  virtual TDomAttr* setAttribute(const WideString& name, const WideString& value);
  virtual TDomAttr* setAttributeNode(TDomAttr* attr);
  virtual TDomAttr* setAttributeNodeNS(TDomAttr* attr);
  virtual TDomAttr* setAttributeNS(const WideString& namespaceURI, const WideString& qualifiedName,
                                   const WideString& value);

protected:
  TDomElement(TDomCustomDocument* document, const WideString& nodeName, const WideString& namespaceURI,
              bool namespaceAware);
  // Clearing an element takes its attributes away first; no clearing notice is sent.
  void DoBeforeClear() override;

private:
  void DestroyAttributes();

  // The attribute list and the map over it, made when first needed: many elements of a
  // parsed document have no attributes.
  struct TAttributes {
    TAttributes(TDomElement* element, bool namespaceAware);
    // One per element with attributes: from the same slot pool as the nodes.
    static void* operator new(std::size_t size) { return ObjectPool::Allocate(size); }
    static void operator delete(void* pointer, std::size_t size) noexcept { ObjectPool::Release(pointer, size); }
    std::vector<TDomNode*> List;
    TDomNamedNodeMap Map;
  };
  TDomNamedNodeMap& Map() const;

  mutable std::unique_ptr<TAttributes> Attributes_;
  // The qualified name; a namespace-aware element's prefix and local name are its two parts.
  TSharedText NodeName_;
  std::unique_ptr<WideString> NamespaceURI_;  // none for the empty URI
};

class TDomAttr : public TDomNode {
  friend class TDomParsedNodes;

public:
  static TDomAttr* Create(TDomCustomDocument* document, bool specified, const WideString& name);
  static TDomAttr* CreateNS(TDomCustomDocument* document, bool specified, const WideString& namespaceURI,
                            const WideString& qualifiedName);
  ~TDomAttr() override;
  const char* ClassName() const override { return "TDomAttr"; }

  WideString nodeName() const override { return NodeName_.Str(); }
  WideString XPathName() const override { return NodeName_.Str(); }
  WideString localName() const override;
  WideString namespaceURI() const override;
  TDomNode* nextSibling() const override { return nullptr; }
  TDomNodeType nodeType() const override { return ntAttributeNode; }
  TDomNode* parentNode() const override { return nullptr; }
  TDomNode* previousSibling() const override { return nullptr; }
  WideString prefix() const override;
  void setNodeValue(const WideString& value) override;
  void setPrefix(const WideString& value) override;
  WideString lookupNamespaceURI(const WideString& prefix) const override;

  virtual void DoAttrModified(TDomAttrChange change);
  virtual std::uint8_t NamespaceDeclKind() const { return NodeBits_ & DeclKindBits; }
  virtual WideString name() const { return NodeName_.Str(); }
  virtual TDomElement* ownerElement() const;
  virtual bool specified() const { return (NodeBits_ & SpecifiedBit) != 0; }
  virtual WideString LiteralValue() const;

  // The node name without a copy, for look-ups by name.
  std::u16string_view QualifiedName() const { return NodeName_.View(); }
  TDomNamedNodeMap* OwnerMap() const { return OwnerMap_; }
  // Kept up to date by the map that holds the attribute.
  void SetOwnerMap(TDomNamedNodeMap* map) { OwnerMap_ = map; }
  // Drops the prefix, so that the node name becomes the local name.
  void ClearPrefix();

protected:
  TDomAttr(TDomCustomDocument* document, bool specified, std::uint8_t kind, const WideString& nodeName,
           const WideString& namespaceURI, bool namespaceAware);
  // A specified attribute without namespace processing, made from texts at hand.
  TDomAttr(TDomCustomDocument* document, std::uint8_t kind, const TSharedText& nodeName, TSharedText&& value);
  // An attribute queued for destruction leaves its element at once.
  void DetachForDestruction() override;
  TSharedText* ValueField() override { return &Value_; }

private:
  // Takes the attribute out of its element's map, even when the element is read-only.
  void LeaveElement();

  static constexpr std::uint8_t DeclKindBits = 0x03;  // the namespace declaration kind, 0 to 2
  static constexpr std::uint8_t SpecifiedBit = 0x04;

  TSharedText Value_;
  // The qualified name; a namespace-aware attribute's prefix and local name are its two parts.
  TSharedText NodeName_;
  std::unique_ptr<WideString> NamespaceURI_;  // none for the empty URI
  TDomNamedNodeMap* OwnerMap_ = nullptr;
};

class TDomCharacterData : public TDomNode {
  friend class TDomParsedNodes;

public:
  const char* ClassName() const override { return "TDomCharacterData"; }

  virtual WideString data() const { return nodeValue(); }
  virtual void setData(const WideString& value);
  virtual std::int64_t length() const { return static_cast<std::int64_t>(nodeValue().size()); }
  virtual void DoCharacterDataModified();
  virtual WideString substringData(std::int64_t offset, std::int64_t count) const;
  virtual void appendData(const WideString& arg);
  virtual void insertData(std::int64_t offset, const WideString& arg);
  virtual void deleteData(std::int64_t offset, std::int64_t count);
  virtual void replaceData(std::int64_t offset, std::int64_t count, const WideString& arg);

protected:
  explicit TDomCharacterData(TDomCustomDocument* document);
  TSharedText* ValueField() override { return &Value_; }

private:
  TSharedText Value_;
};

class TDomText : public TDomCharacterData {
  friend class TDomParsedNodes;

public:
  static TDomText* Create(TDomCustomDocument* document);
  const char* ClassName() const override { return "TDomText"; }
  WideString nodeName() const override { return u"#text"; }
  TDomNodeType nodeType() const override { return ntTextNode; }

  virtual bool isWhitespaceInElementContent() const;
  virtual TDomText* splitText(std::int64_t offset);

  // Whether the text was produced from a character reference.
  bool IsCharRef() const { return (NodeBits_ & CharRefBit) != 0; }
  void SetCharRef(bool value) {
    NodeBits_ = static_cast<std::uint8_t>(value ? NodeBits_ | CharRefBit : NodeBits_ & ~CharRefBit);
  }

protected:
  explicit TDomText(TDomCustomDocument* document) : TDomCharacterData(document) {}

private:
  static constexpr std::uint8_t CharRefBit = 0x01;
};

class TDomCDATASection : public TDomText {
  friend class TDomParsedNodes;

public:
  static TDomCDATASection* Create(TDomCustomDocument* document);
  const char* ClassName() const override { return "TDomCDATASection"; }
  WideString nodeName() const override { return u"#cdata-section"; }
  TDomNodeType nodeType() const override { return ntCDATASectionNode; }

protected:
  explicit TDomCDATASection(TDomCustomDocument* document) : TDomText(document) {}
};

class TDomComment : public TDomCharacterData {
  friend class TDomParsedNodes;

public:
  static TDomComment* Create(TDomCustomDocument* document);
  const char* ClassName() const override { return "TDomComment"; }
  WideString nodeName() const override { return u"#comment"; }
  TDomNodeType nodeType() const override { return ntCommentNode; }

protected:
  explicit TDomComment(TDomCustomDocument* document) : TDomCharacterData(document) {}
};

class TDomProcessingInstruction : public TDomNode {
  friend class TDomParsedNodes;

public:
  static TDomProcessingInstruction* Create(TDomCustomDocument* document, const WideString& target);
  const char* ClassName() const override { return "TDomProcessingInstruction"; }
  WideString nodeName() const override { return Target_.Str(); }
  WideString XPathName() const override { return Target_.Str(); }
  TDomNodeType nodeType() const override { return ntProcessingInstructionNode; }

  virtual void DoCharacterDataModified();
  virtual WideString data() const { return nodeValue(); }
  virtual void setData(const WideString& value);
  WideString target() const { return Target_.Str(); }

protected:
  TDomProcessingInstruction(TDomCustomDocument* document, const WideString& target);
  TSharedText* ValueField() override { return &Value_; }

private:
  TSharedText Target_;
  TSharedText Value_;
};

class TDomEntityReference : public TDomNode {
  friend class TDomParsedNodes;

public:
  static TDomEntityReference* Create(TDomCustomDocument* document, const WideString& name);
  const char* ClassName() const override { return "TDomEntityReference"; }
  WideString nodeName() const override { return Name_.Str(); }
  TDomNodeType nodeType() const override { return ntEntityReferenceNode; }
  void setNodeValue(const WideString&) override {}

protected:
  TDomEntityReference(TDomCustomDocument* document, const WideString& name);

private:
  TSharedText Name_;
};

class TDomDocumentFragment : public TDomNode {
public:
  static TDomDocumentFragment* Create(TDomCustomDocument* document);
  const char* ClassName() const override { return "TDomDocumentFragment"; }
  WideString nodeName() const override { return u"#document-fragment"; }
  TDomNodeType nodeType() const override { return ntDocumentFragmentNode; }
  void setNodeValue(const WideString&) override {}

protected:
  explicit TDomDocumentFragment(TDomCustomDocument* document);
};

class TDomDocumentTypeDecl : public TDomNode {
public:
  static TDomDocumentTypeDecl* Create(TDomCustomDocument* document, const WideString& name,
                                      const WideString& publicId, const WideString& systemId,
                                      const WideString& internalSubset);
  const char* ClassName() const override { return "TDomDocumentTypeDecl"; }
  WideString nodeName() const override { return Name_; }
  TDomNodeType nodeType() const override { return ntDocumentTypeDeclNode; }
  void setNodeValue(const WideString&) override {}

  virtual WideString internalSubset() const { return InternalSubset_; }
  // The same without a copy, for the reader of the subset.
  const WideString& InternalSubsetText() const { return InternalSubset_; }
  virtual WideString name() const { return Name_; }
  virtual WideString publicId() const { return PublicId_; }
  virtual WideString systemId() const { return SystemId_; }

  // Where the internal subset starts in the source, copied by the tree builder.
  std::int64_t IntSubsetStartByte = 0;
  std::int64_t IntSubsetStartChar = 0;
  std::int64_t IntSubsetStartColumn = 0;
  std::int64_t IntSubsetStartLine = 1;
  // The "[" that opens the subset: bytes and characters up to and including it, its column,
  // line and tabs in line; the DTD reader places its errors from there.
  std::int64_t IntSubsetOriginByte = 0;
  std::int64_t IntSubsetOriginChar = 0;
  std::int64_t IntSubsetOriginColumn = 0;
  std::int64_t IntSubsetOriginLine = 1;
  std::int64_t IntSubsetOriginTabs = 0;

protected:
  TDomDocumentTypeDecl(TDomCustomDocument* document, const WideString& name, const WideString& publicId,
                       const WideString& systemId, const WideString& internalSubset);

private:
  WideString InternalSubset_;
  WideString Name_;
  WideString PublicId_;
  WideString SystemId_;
};

class TDomXPathNamespace : public TDomNode {
public:
  static TDomXPathNamespace* Create(TDomCustomDocument* document, const WideString& prefix,
                                    const WideString& namespaceURI, TDomElement* ownerElement);
  const char* ClassName() const override { return "TDomXPathNamespace"; }
  WideString nodeName() const override { return u"#namespace"; }
  TDomCustomDocument* ownerDocument() const override;
  WideString XPathName() const override { return Prefix_; }
  WideString localName() const override { return Prefix_; }
  WideString namespaceURI() const override { return NamespaceURI_; }
  WideString nodeValue() const override { return NamespaceURI_; }
  TDomNodeType nodeType() const override { return ntXPathNamespaceNode; }
  WideString prefix() const override { return Prefix_; }
  WideString lookupNamespaceURI(const WideString& prefix) const override;

  virtual TDomElement* ownerElement() const { return OwnerElement_; }

protected:
  TDomXPathNamespace(TDomCustomDocument* document, const WideString& prefix, const WideString& namespaceURI,
                     TDomElement* ownerElement);

private:
  WideString NamespaceURI_;
  TDomElement* OwnerElement_;
  WideString Prefix_;
};
