#include "xml/XmlDomBuilder.h"

#include "dom/DomExceptions.h"
#include "dom/DomImplementation.h"
#include "dom/DomNodes.h"
#include "xml/XmlRulesUtils.h"

#include <typeinfo>

namespace {

constexpr const char* kInternalError = "Internal Parser Exception";

// Every signal class is a leaf that clones itself as exactly its own class, so comparing
// the dynamic type answers what a cast would, without a walk through the class hierarchy
// for each of the several tests every signal goes through.
template <class T>
const T* As(const TXmlSignal* signal) {
  return signal != nullptr && typeid(*signal) == typeid(T) ? static_cast<const T*>(signal) : nullptr;
}

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

WideString PredefinedReplacement(const WideString& name) {
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

void TXmlDomBuilder::AppendNew(TDomNode* node) {
  TNewNodeGuard guard(node);
  ReferenceNode_->appendChild(node);
  guard.Release();
}

void TXmlDomBuilder::AddText(bool characterReferenceFlag, const WideString& text) {
  if (auto* last = dynamic_cast<TDomText*>(ReferenceNode_->lastChild());
      last != nullptr && last->nodeType() == ntTextNode) {
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
  if (dynamic_cast<TDomDocumentNS*>(document) != nullptr) {
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
  auto* element = dynamic_cast<TDomElement*>(ReferenceNode_);
  if (element == nullptr) throw std::bad_cast();
  auto* document = dynamic_cast<TDomDocumentNS*>(ReferenceNode_->ReferenceDocument());
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
  ReferenceNode_->appendChild(node);
  if (auto* target = dynamic_cast<TDomDocument*>(ReferenceNode_)) {
    TDomValidationAgent* agent = target->ValidationAgent();
    if (agent != nullptr && !agent->PrepareDtd(node)) {
      throw EParserException(DocTypeDeclTreatment == dtCheckValidity ? "Non-wellformed or invalid DTD."
                                                                      : "Non-wellformed DTD.");
    }
  }
  guard.Release();
}

void TXmlDomBuilder::ProcessSignal(TXmlSignal* signal) {
  if ((signal->Scope() & ssDoc) == 0) throw EParserException(kInternalError);
  if (ReferenceNode_ == nullptr) return;

  if (const auto* start = As<TXmlStartDocumentSignal>(signal)) {
    ResetNamespaces();
    if (auto* document = dynamic_cast<TDomCustomDocument*>(ReferenceNode_)) {
      document->setInputEncoding(start->InputEncoding);
      document->setXmlEncoding(start->EncodingName);
      document->setXmlStandalone(start->StandaloneDecl);
      document->setXmlVersion(start->Version);
      document->setDocumentURI(start->SourceUri());
    }
    if (auto* documentNS = dynamic_cast<TDomDocumentNS*>(ReferenceNode_->ReferenceDocument()))
      documentNS->IDs().Clear();
  } else if (As<TXmlStartDocumentFragmentSignal>(signal) != nullptr) {
    ResetNamespaces();
  } else if (const auto* element = As<TXmlStartElementSignal>(signal)) {
    StartElement(element->TagName);
  } else if (const auto* attribute = As<TXmlAttributeSignal>(signal)) {
    Attribute(attribute->Name, attribute->Value, attribute->DataType);
  } else if (As<TXmlEndElementSignal>(signal) != nullptr) {
    ReferenceNode_ = ReferenceNode_->parentNode();
  } else if (const auto* text = As<TXmlPCDATASignal>(signal)) {
    // White space between top-level markup does not become part of the tree.
    if (ReferenceNode_->nodeType() != ntDocumentNode) AddText(text->CharRefGenerated, text->Data);
  } else if (const auto* cdata = As<TXmlCDATASignal>(signal)) {
    if (KeepCDATASections) {
      TDomCDATASection* node = TDomCDATASection::Create(ReferenceNode_->ReferenceDocument());
      TNewNodeGuard guard(node);
      node->setData(cdata->Data);
      ReferenceNode_->appendChild(node);
      guard.Release();
    } else {
      AddText(false, cdata->Data);
    }
  } else if (const auto* reference = As<TXmlEntityRefSignal>(signal)) {
    if (KeepEntityRefs || !XmlRules::PredefinedEntityName(reference->EntityName))
      AppendNew(TDomEntityReference::Create(ReferenceNode_->ReferenceDocument(), reference->EntityName));
    else
      AddText(false, PredefinedReplacement(reference->EntityName));
  } else if (const auto* comment = As<TXmlCommentSignal>(signal)) {
    if (KeepComments) {
      TDomComment* node = TDomComment::Create(ReferenceNode_->ReferenceDocument());
      TNewNodeGuard guard(node);
      node->setData(comment->Data);
      ReferenceNode_->appendChild(node);
      guard.Release();
    }
  } else if (const auto* instruction = As<TXmlProcessingInstructionSignal>(signal)) {
    TDomProcessingInstruction* node =
        TDomProcessingInstruction::Create(ReferenceNode_->ReferenceDocument(), instruction->Target);
    TNewNodeGuard guard(node);
    node->setData(instruction->Data);
    ReferenceNode_->appendChild(node);
    guard.Release();
  } else if (const auto* doctype = As<TXmlDoctypeSignal>(signal)) {
    if (DocTypeDeclTreatment != dtIgnore) Doctype(*doctype);
  } else if (As<TXmlAbortedSignal>(signal) != nullptr) {
    ResetNamespaces();
  }
}
