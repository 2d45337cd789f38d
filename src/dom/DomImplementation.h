// The DOM implementation and the two concrete documents. The implementation keeps the list
// of documents made for it (a document enters on construction and leaves on destruction;
// the implementation destroys the ones left when it goes), decides through its error
// handling whether a parse goes on after a problem, and reads external resources through
// its resource resolver.
#pragma once

#include "dom/DomBaseComponent.h"
#include "dom/DomCustomDocument.h"
#include "dom/DomLists.h"
#include "dom/DomNodes.h"
#include "dom/WideStringUtils.h"
#include "platform/Streams.h"
#include "xml/DomError.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TCustomResourceResolver;
class TXmlSignal;

using TDomErrorEvent = std::function<void(TPersistent* Sender, TDomError* Error, bool& Go)>;
// A DTD-side signal of a document's DTD reader (the sender is the document); the signal lives
// only during the call.
using TDomDtdSignalEvent = std::function<void(TPersistent* Sender, const TXmlSignal& Signal)>;
// Requests of the expression evaluator; declared for it and never fired by the document path.
using TDomRequestXPathFunctionResultEvent =
    std::function<void(TPersistent* Sender, const WideString& namespaceURI, const WideString& localName,
                       TDomNode* contextNode, const std::vector<WideString>& arguments, WideString& value,
                       bool& isSupported)>;
using TDomRequestXPathVariableEvent =
    std::function<void(TPersistent* Sender, const WideString& namespaceURI, const WideString& localName,
                       WideString& value, bool& isSupported)>;

class TDomImplementation : public TDomBaseComponent {
public:
  explicit TDomImplementation(TComponent* owner = nullptr);
  ~TDomImplementation() override;
  const char* ClassName() const override { return "TDomImplementation"; }

  virtual void DoAttrModified(TDomNode* node, TDomAttrChange change, TDomAttr* attr);
  virtual void DoCharacterDataModified(TDomNode* node);
  // Go is true below a fatal error; OnError, unless suspended, may change it.
  virtual void DoError(TPersistent* sender, TDomError* error, bool& go);
  virtual void DoNodeClearing(TDomNode* node);
  virtual void DoNodeInserted(TDomNode* node);
  virtual void DoNodeRemoving(TDomNode* node);
  virtual void DoRequestXPathFunctionResult(const WideString& namespaceURI, const WideString& localName,
                                            TDomNode* contextNode, const std::vector<WideString>& arguments,
                                            WideString& value, bool& isSupported);
  virtual void DoRequestXPathVariable(const WideString& namespaceURI, const WideString& localName,
                                      WideString& value, bool& isSupported);
  // The live list of registered documents, earliest first.
  virtual TDomNodeList* documents() const;
  virtual void SetResourceResolver(TCustomResourceResolver* resolver);
  // Destroys every registered document, the last first.
  virtual void FreeDocuments();
  virtual void SuspendErrorEvents();
  virtual void ResumeErrorEvents();
  // Whether the parse goes on after `error`; raises ENot_Supported_Err without one.
  virtual bool HandleError(TPersistent* sender, TDomError* error);
  // Raises ENot_Found_Err without a resolver; the stream, or none, from the resolver.
  virtual std::unique_ptr<TStream> ResolveResource(const WideString& baseURI, WideString& publicId,
                                                   WideString& systemId);
  // The replacement text of an external entity, or an error kind; never raises.
  virtual void ResolveExternalText(const WideString& baseURI, const WideString& publicId, const WideString& systemId,
                                   TXmlErrorType& errorKind, WideString& text);
  // The same, giving also what positions inside the text count from: the record of the
  // character before it (`origin`) and the bytes of each of its characters, when asked for.
  void ReadExternalText(const WideString& baseURI, const WideString& publicId, const WideString& systemId,
                        TXmlErrorType& errorKind, WideString& text, TPositionRecord* origin,
                        TCharByteLengths* byteLengths);

  TCustomResourceResolver* ResourceResolver() const { return ResourceResolver_; }
  std::uint16_t ErrorEventsSuspended() const { return ErrorEventsSuspended_; }

  TDomAttrModifiedEvent OnAttrModified;
  TDomNotifyNodeEvent OnCharacterDataModified;
  TDomNotifyNodeEvent OnNodeClearing;
  TDomNotifyNodeEvent OnNodeInserted;
  TDomNotifyNodeEvent OnNodeRemoving;
  TDomErrorEvent OnError;
  TDomDtdSignalEvent OnDtdSignal;
  TDomRequestXPathFunctionResultEvent OnRequestXPathFunctionResult;
  TDomRequestXPathVariableEvent OnRequestXPathVariable;

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  friend class TDomCustomDocument;
  void RegisterDocument(TDomCustomDocument* document);
  void UnregisterDocument(TDomCustomDocument* document);

  std::uint16_t ErrorEventsSuspended_ = 0;
  TCustomResourceResolver* ResourceResolver_ = nullptr;
  std::vector<TDomNode*> Documents_;
  std::unique_ptr<TDomNodeList> DocumentsView_;
};

// What a document asks its DTD model. Without a DTD model nothing is declared: no text is
// white space in element content, every attribute type is 0, there are no IDs, copied
// entity references stay empty and preparing a DTD never aborts.
class TDomValidationAgent {
public:
  virtual ~TDomValidationAgent() = default;
  virtual bool IsWhitespaceInElementContent(const TDomText*) const { return false; }
  // Whether the element's declared content is element content (child elements only).
  virtual bool HasElementContent(const TDomElement*) const { return false; }
  virtual std::uint8_t GetAttributeType(const WideString&, const WideString&) const { return 0; }
  virtual TDomElement* FindElementById(const WideString&) const { return nullptr; }
  // Answers false to leave the normalisation to the document.
  virtual bool NormalizeAttributeValue(const WideString&, std::uint8_t, TXmlErrorType&, WideString&) { return false; }
  virtual void FillEntityReference(TDomEntityReference*) {}
  // Gives the element an attribute, marked not specified, for each default its declarations
  // have that it lacks.
  virtual void AddDefaultAttributes(TDomElement*) const {}
  // Takes the document type declaration; false when the preparation was aborted.
  virtual bool PrepareDtd(TDomDocumentTypeDecl*) { return true; }
  virtual bool ValidateNode(TDomNode*) { return true; }
};

class TDomDocument : public TDomCustomDocument {
public:
  explicit TDomDocument(TDomImplementation* implementation = nullptr);
  ~TDomDocument() override;
  const char* ClassName() const override { return "TDomDocument"; }

  void NormalizeAttributeValue(const WideString& value, std::uint8_t attributeType, TXmlErrorType& errorKind,
                               WideString& result) override;
  std::uint8_t GetAttributeType(const WideString& elementName, const WideString& attributeName) const override;
  bool HasElementContent(const TDomElement* element) const override;
  // A copied element gets the attributes its declarations default, a copied entity reference
  // the replacement text its declaration gives, both from this document's validation agent.
  void CompleteCopy(TDomNode* copy) override;
  TDomElement* getElementById(const WideString& elementId) const override;

  virtual bool isWhitespaceInElementContentOf(const TDomText* textNode) const;
  virtual bool ValidateNode(TDomNode* node);
  virtual TDomNodeList* getElementsByTagName(const WideString& name);
  virtual bool Validate();

  TDomValidationAgent* ValidationAgent() const { return ValidationAgent_.get(); }

protected:
  void DoBeforeClear() override;

private:
  std::unique_ptr<TDomSearchListCache> SearchLists_;
  std::unique_ptr<TDomValidationAgent> ValidationAgent_;
};

class TDomDocumentNS : public TDomCustomDocument {
public:
  explicit TDomDocumentNS(TDomImplementation* implementation = nullptr);
  ~TDomDocumentNS() override;
  const char* ClassName() const override { return "TDomDocumentNS"; }

  TDomElement* getElementById(const WideString& elementId) const override;

  virtual TDomNodeList* getElementsByTagNameNS(const WideString& namespaceURI, const WideString& localName);

  // From ID values to elements; sorted, a second entry for the same ID is ignored.
  TUtilsWideStringList& IDs() { return *IDs_; }

protected:
  void DoBeforeClear() override;

private:
  std::unique_ptr<TDomSearchListCache> SearchLists_;
  std::unique_ptr<TUtilsWideStringList> IDs_;
};
