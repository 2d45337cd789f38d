// The tree builder: the last handler of the chain. It turns the signals that passed the
// well-formedness handler into nodes, appending each under a moving reference node that goes
// down at every start tag and up at every end tag. Adjacent pieces of text are merged into
// one text node.
#pragma once

#include "dom/WideStringUtils.h"
#include "xml/XmlReader.h"

#include <memory>

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
    ForgetDocument();
  }

  bool BuildIDList = true;
  TDomDocTypeDeclTreatment DocTypeDeclTreatment = dtCheckWellformedness;
  bool KeepCDATASections = true;
  bool KeepComments = true;
  bool KeepEntityRefs = true;

private:
  void StartElement(const WideString& tagName);
  void Attribute(const WideString& name, const WideString& value, std::uint8_t dataType);
  void Doctype(const class TXmlDoctypeSignal& signal);
  // Appends a node made for this parse; a node that cannot be appended is freed.
  void AppendNew(TDomNode* node);
  // `document` as a namespace-aware document, or null; remembered for the document at hand
  // so that not every element and attribute asks the class hierarchy again.
  TDomDocumentNS* AsDocumentNS(TDomCustomDocument* document);
  void ForgetDocument() {
    KnownDocument_ = nullptr;
    KnownDocumentNS_ = nullptr;
  }

  TDomNode* ReferenceNode_ = nullptr;
  TDomCustomDocument* KnownDocument_ = nullptr;
  TDomDocumentNS* KnownDocumentNS_ = nullptr;
  std::unique_ptr<TUtilsNameValueList> PrefixList_;
};
