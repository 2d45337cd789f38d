// The tree builder: the last handler of the chain. It turns the signals that passed the
// well-formedness handler into nodes, appending each under a moving reference node that goes
// down at every start tag and up at every end tag. Adjacent pieces of text are merged into
// one text node.
#pragma once

#include "dom/WideStringUtils.h"
#include "xml/XmlReader.h"

#include <memory>
#include <vector>

class TDomNode;
class TDomCustomDocument;
class TDomDocumentNS;

// The attribute data type of an ID attribute, as a DTD-aware reader would send it.
inline constexpr std::uint8_t AttributeDataTypeId = 1;

enum TDomDocTypeDeclTreatment : std::uint8_t { dtIgnore, dtCheckWellformedness, dtCheckValidity };

class TXmlDomBuilder : public TXmlCustomHandler {
public:
  explicit TXmlDomBuilder(TComponent* owner = nullptr);
  ~TXmlDomBuilder() override;
  const char* ClassName() const override { return "TXmlDomBuilder"; }

  void ProcessSignal(TXmlSignal* signal) override;
  // Appends text to the reference node, merged into its last child when that is a text node.
  virtual void AddText(bool characterReferenceFlag, const WideString& text);
  virtual void ResetNamespaces();

  // The node under which the next node is appended (not owned).
  TDomNode* ReferenceNode() const { return ReferenceNode_; }
  void SetReferenceNode(TDomNode* node) {
    ReferenceNode_ = node;
    PendingDefaults_ = nullptr;
    ForgetDocument();
  }

  bool BuildIDList = true;
  TDomDocTypeDeclTreatment DocTypeDeclTreatment = dtCheckWellformedness;
  bool KeepCDATASections = true;
  bool KeepComments = true;
  bool KeepEntityRefs = true;
  // Limits on the expansion of internal entities, against documents built to exhaust memory
  // or time: how deeply references may nest, and how many characters of replacement text
  // may be expanded per character of the document read so far, beyond an allowance that
  // every document has.
  int EntityExpansionDepthLimit = 16;
  std::int64_t EntityExpansionRatioLimit = 10;
  std::int64_t EntityExpansionAllowance = 100000;
  // Whether external text is read (through the resource resolver, local files only): the
  // external subset, external parameter entities, and external parsed entities referenced
  // in content, which are then expanded; off, none is read and such references stay empty,
  // so that a document cannot make the program open another file on its own.
  bool ReadExternalEntities = false;

private:
  void StartElement(const WideString& tagName);
  void Attribute(const WideString& name, const WideString& value, std::uint8_t dataType);
  void Doctype(const class TXmlDoctypeSignal& signal);
  void EntityReference(const class TXmlEntityRefSignal& signal);
  // False (after the report) when the value refers to an entity it may not use.
  bool CheckAttributeReferences(const class TXmlAttributeSignal& signal);
  // Parses an internal entity's replacement text as content under the reference node.
  void ExpandEntity(const TXmlSignal& reference, const WideString& replacementText);
  // Reads an external entity's text into `text` and its URI into `uri`; false after the
  // report when it cannot or may not be read.
  bool ReadExternalText(const class TXmlEntityRefSignal& signal, const class TDtdEntity& entity,
                        const IXmlLocator* at, WideString& uri, WideString& text);
  // Reads the external text a system identifier names, resolved against `baseUri`, through
  // the document's reader and its resolver; only local files. EK_NONE, or why it cannot.
  static TXmlErrorType LoadExternalText(TXmlCustomReader* reader, const WideString& baseUri,
                                        const WideString& publicId, const WideString& systemId, WideString& uri,
                                        WideString& text, TPositionRecord& origin,
                                        TCharByteLengths* byteLengths = nullptr);
  // The DTD agent of the document at hand, and its model; none when the document has none.
  class TDtdValidationAgent* Agent();
  const class TDtdModel* Model();
  // Appends a node made for this parse; a node that cannot be appended is freed.
  void AppendNew(TDomNode* node);
  // `document` as a namespace-aware document, or null; remembered for the document at hand
  // so that not every element and attribute asks the class hierarchy again.
  TDomDocumentNS* AsDocumentNS(TDomCustomDocument* document);
  void ForgetDocument() {
    KnownDocument_ = nullptr;
    KnownDocumentNS_ = nullptr;
    AgentDocument_ = nullptr;
    KnownAgent_ = nullptr;
  }

  TDomNode* ReferenceNode_ = nullptr;
  TDomCustomDocument* KnownDocument_ = nullptr;
  TDomDocumentNS* KnownDocumentNS_ = nullptr;
  // The DTD agent of the document at hand, remembered like the namespace-aware document.
  TDomCustomDocument* AgentDocument_ = nullptr;
  class TDtdValidationAgent* KnownAgent_ = nullptr;
  std::unique_ptr<TUtilsNameValueList> PrefixList_;
  // Names of the entities being expanded, innermost last.
  std::vector<WideString> Expanding_;
  std::int64_t ExpandedChars_ = 0;
  std::int64_t InputChars_ = 0;
  // The document's reference whose expansion is under way, while there is one.
  const TXmlSignal* OuterReference_ = nullptr;
  // The element just started whose declared defaults are added once its attributes are in.
  class TDomElement* PendingDefaults_ = nullptr;
};
