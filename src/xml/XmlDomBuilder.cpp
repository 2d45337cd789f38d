#include "xml/XmlDomBuilder.h"

#include "dom/DomExceptions.h"
#include "dom/DomImplementation.h"
#include "dom/DomNodes.h"
#include "dtd/DtdValidationAgent.h"
#include "xml/XmlRulesUtils.h"

#include <typeinfo>

namespace {

constexpr const char* kInternalError = "Internal Parser Exception";

using K = TXmlSignalKind;

// Frees a node made for this parse unless it reached the tree; any exception passes on.
class TNewNodeGuard {
public:
  explicit TNewNodeGuard(TDomNode* node) : Node_(node) {}
  ~TNewNodeGuard() {
    if (Node_ != nullptr) TCustomOwnedObject::Free(Node_);
  }
  TNewNodeGuard(const TNewNodeGuard&) = delete;
  TNewNodeGuard& operator=(const TNewNodeGuard&) = delete;
  void Release() { Node_ = nullptr; }

private:
  TDomNode* Node_;
};

WideString PredefinedReplacement(WideStringView name) {
  if (name == u"lt") return u"<";
  if (name == u"gt") return u">";
  if (name == u"amp") return u"&";
  if (name == u"apos") return u"'";
  return u"\"";
}

}  // namespace

TXmlDomBuilder::TXmlDomBuilder(TComponent* owner)
    : TXmlCustomHandler(owner), PrefixList_(std::make_unique<TUtilsNameValueList>()) {}

TXmlDomBuilder::~TXmlDomBuilder() = default;

void TXmlDomBuilder::ResetNamespaces() { PrefixList_->Clear(); }

TDomDocumentNS* TXmlDomBuilder::AsDocumentNS(TDomCustomDocument* document) {
  if (document != KnownDocument_ || document == nullptr) {
    KnownDocument_ = document;
    KnownDocumentNS_ = dynamic_cast<TDomDocumentNS*>(document);
  }
  return KnownDocumentNS_;
}

void TXmlDomBuilder::AppendNew(TDomNode* node) {
  TNewNodeGuard guard(node);
  ReferenceNode_->appendChild(node);
  guard.Release();
}

void TXmlDomBuilder::AddText(bool characterReferenceFlag, const WideString& text) {
  // Only a text node answers ntTextNode (a CDATA section, also a TDomText, does not).
  if (TDomNode* lastChild = ReferenceNode_->lastChild();
      lastChild != nullptr && lastChild->nodeType() == ntTextNode) {
    auto* last = static_cast<TDomText*>(lastChild);
    last->appendData(text);
    if (characterReferenceFlag) last->SetCharRef(true);
    return;
  }
  TDomText* node = TDomText::Create(ReferenceNode_->ReferenceDocument());
  TNewNodeGuard guard(node);
  node->setData(text);
  node->SetCharRef(characterReferenceFlag);
  ReferenceNode_->appendChild(node);
  guard.Release();
}

void TXmlDomBuilder::StartElement(const WideString& tagName) {
  TDomCustomDocument* document = ReferenceNode_->ReferenceDocument();
  TDomElement* element = nullptr;
  if (AsDocumentNS(document) != nullptr) {
    const std::size_t colon = tagName.find(u':');
    const WideString prefix = colon == WideString::npos ? WideString() : tagName.substr(0, colon);
    const int index = PrefixList_->IndexOfName(prefix);
    const WideString uri = index < 0 ? WideString() : PrefixList_->Values(index);
    element = TDomElement::CreateNS(document, uri, tagName);
  } else {
    element = TDomElement::Create(document, tagName);
  }
  AppendNew(element);
  ReferenceNode_ = element;
}

void TXmlDomBuilder::Attribute(const WideString& name, const WideString& value, std::uint8_t dataType) {
  // Only an element answers ntElementNode.
  if (ReferenceNode_->nodeType() != ntElementNode) throw std::bad_cast();
  auto* element = static_cast<TDomElement*>(ReferenceNode_);
  TDomDocumentNS* document = AsDocumentNS(ReferenceNode_->ReferenceDocument());
  if (document == nullptr) {
    element->setAttribute(name, value);
    return;
  }
  if (name == u"xmlns") {
    element->setAttributeNS(XmlnsNamespaceName, name, value);
  } else {
    const std::size_t colon = name.find(u':');
    const WideString prefix = colon == WideString::npos ? WideString() : name.substr(0, colon);
    WideString uri;
    if (prefix == u"xml") {
      uri = XmlNamespaceName;
    } else if (prefix == u"xmlns") {
      uri = XmlnsNamespaceName;
    } else if (!prefix.empty()) {
      const int index = PrefixList_->IndexOfName(prefix);
      if (index >= 0) uri = PrefixList_->Values(index);
    }
    element->setAttributeNS(uri, name, value);
  }
  if (BuildIDList && dataType == AttributeDataTypeId) document->IDs().AddObject(value, element);
}

void TXmlDomBuilder::Doctype(const TXmlDoctypeSignal& signal) {
  TDomCustomDocument* document = ReferenceNode_->ReferenceDocument();
  TDomDocumentTypeDecl* node =
      TDomDocumentTypeDecl::Create(document, signal.DoctypeName, signal.PublicId, signal.SystemId, signal.Data);
  TNewNodeGuard guard(node);
  node->IntSubsetStartByte = signal.IntSubsetStartByte;
  node->IntSubsetStartChar = signal.IntSubsetStartChar;
  node->IntSubsetStartColumn = signal.IntSubsetStartColumn;
  node->IntSubsetStartLine = signal.IntSubsetStartLine;
  node->IntSubsetOriginByte = signal.IntSubsetOrigin.ByteCount;
  node->IntSubsetOriginChar = signal.IntSubsetOrigin.CharCount;
  node->IntSubsetOriginColumn = signal.IntSubsetOrigin.Column;
  node->IntSubsetOriginLine = signal.IntSubsetOrigin.Line;
  node->IntSubsetOriginTabs = signal.IntSubsetOrigin.TabsInLine;
  ReferenceNode_->appendChild(node);
  if (auto* target = dynamic_cast<TDomDocument*>(ReferenceNode_)) {
    TDomValidationAgent* agent = target->ValidationAgent();
    bool prepared = true;
    if (auto* dtdAgent = dynamic_cast<TDtdValidationAgent*>(agent)) {
      // Problems of the subset are reported through the reader like those of the document;
      // a report that stops the parse ends the preparation as aborted.
      try {
        prepared = dtdAgent->PrepareDtd(node, [&](TXmlErrorType kind, const IXmlLocator& locator,
                                                  const WideString& offendingText, const WideString& clue) {
          ReportError(signal.Reader(), kind, &locator, offendingText, clue);
        });
      } catch (const EParserException&) {
        prepared = false;
      }
    } else if (agent != nullptr) {
      prepared = agent->PrepareDtd(node);
    }
    if (!prepared) {
      throw EParserException(DocTypeDeclTreatment == dtCheckValidity ? "Non-wellformed or invalid DTD."
                                                                      : "Non-wellformed DTD.");
    }
  }
  guard.Release();
}

void TXmlDomBuilder::ProcessSignal(TXmlSignal* signal) {
  if ((signal->Scope() & ssDoc) == 0) throw EParserException(kInternalError);
  if (ReferenceNode_ == nullptr) return;

  switch (signal->Kind()) {
    case K::StartDocument: {
      const auto& start = SignalAs<TXmlStartDocumentSignal>(signal);
      ForgetDocument();
      ResetNamespaces();
      if (auto* document = dynamic_cast<TDomCustomDocument*>(ReferenceNode_)) {
        document->setInputEncoding(start.InputEncoding);
        document->setXmlEncoding(start.EncodingName);
        document->setXmlStandalone(start.StandaloneDecl);
        document->setXmlVersion(start.Version);
        document->setDocumentURI(start.SourceUri());
      }
      if (auto* documentNS = AsDocumentNS(ReferenceNode_->ReferenceDocument())) documentNS->IDs().Clear();
      break;
    }
    case K::StartDocumentFragment:
      ForgetDocument();
      ResetNamespaces();
      break;
    case K::StartElement:
      StartElement(SignalAs<TXmlStartElementSignal>(signal).TagName.Str());
      break;
    case K::Attribute: {
      const auto& attribute = SignalAs<TXmlAttributeSignal>(signal);
      Attribute(attribute.Name.Str(), attribute.Value.Str(), attribute.DataType);
      break;
    }
    case K::EndElement:
      ReferenceNode_ = ReferenceNode_->parentNode();
      break;
    case K::PCDATA: {
      // White space between top-level markup does not become part of the tree.
      const auto& text = SignalAs<TXmlPCDATASignal>(signal);
      if (ReferenceNode_->nodeType() != ntDocumentNode) AddText(text.CharRefGenerated, text.Data.Str());
      break;
    }
    case K::CDATA: {
      const auto& cdata = SignalAs<TXmlCDATASignal>(signal);
      if (KeepCDATASections) {
        TDomCDATASection* node = TDomCDATASection::Create(ReferenceNode_->ReferenceDocument());
        TNewNodeGuard guard(node);
        node->setData(cdata.Data.Str());
        ReferenceNode_->appendChild(node);
        guard.Release();
      } else {
        AddText(false, cdata.Data.Str());
      }
      break;
    }
    case K::EntityRef: {
      const auto& reference = SignalAs<TXmlEntityRefSignal>(signal);
      if (KeepEntityRefs || !XmlRules::PredefinedEntityName(reference.EntityName))
        AppendNew(TDomEntityReference::Create(ReferenceNode_->ReferenceDocument(), reference.EntityName.Str()));
      else
        AddText(false, PredefinedReplacement(reference.EntityName));
      break;
    }
    case K::Comment:
      if (KeepComments) {
        TDomComment* node = TDomComment::Create(ReferenceNode_->ReferenceDocument());
        TNewNodeGuard guard(node);
        node->setData(SignalAs<TXmlCommentSignal>(signal).Data.Str());
        ReferenceNode_->appendChild(node);
        guard.Release();
      }
      break;
    case K::ProcessingInstruction: {
      const auto& instruction = SignalAs<TXmlProcessingInstructionSignal>(signal);
      TDomProcessingInstruction* node =
          TDomProcessingInstruction::Create(ReferenceNode_->ReferenceDocument(), instruction.Target.Str());
      TNewNodeGuard guard(node);
      node->setData(instruction.Data.Str());
      ReferenceNode_->appendChild(node);
      guard.Release();
      break;
    }
    case K::Doctype:
      if (DocTypeDeclTreatment != dtIgnore) Doctype(SignalAs<TXmlDoctypeSignal>(signal));
      break;
    case K::Aborted:
      ResetNamespaces();
      break;
    default:
      break;
  }
}
