#include "xml/XmlDomBuilder.h"

#include "dom/DomExceptions.h"
#include "dom/DomImplementation.h"
#include "dom/DomNodes.h"
#include "dtd/DtdValidationAgent.h"
#include "xml/ResourceResolver.h"
#include "xml/XmlInputSource.h"
#include "xml/XmlRulesUtils.h"
#include "xml/XmlWFTestHandler.h"

#include <typeinfo>
#include <utility>

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

// Reads an entity's replacement text for the tree builder. What it finds wrong is reported
// through the document's reader, at the document's reference whose expansion is under way,
// so that listeners of that reader hear of it and the place lies in the document.
class TEntityTextReader : public TXmlStandardDocReader {
public:
  TEntityTextReader(TXmlCustomReader* documentReader, const IXmlLocator* reference)
      : TXmlStandardDocReader(nullptr), DocumentReader_(documentReader), Reference_(reference) {}
  void ReportError(TXmlErrorType errorKind, const IXmlLocator*, const WideString& offendingText,
                   const WideString& clue) override {
    DocumentReader_->ReportError(errorKind, Reference_, offendingText, clue);
  }
  TXmlCustomReader* DocumentReader() const { return DocumentReader_; }

private:
  TXmlCustomReader* DocumentReader_;
  const IXmlLocator* Reference_;
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
  if (const TDtdModel* model = Model(); model != nullptr && model->AttributeDefinitions(tagName) != nullptr)
    PendingDefaults_ = element;
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
        const TDtdErrorReport report = [&](TXmlErrorType kind, const IXmlLocator& locator,
                                           const WideString& offendingText, const WideString& clue) {
          ReportError(signal.Reader(), kind, &locator, offendingText, clue);
        };
        // The external subset and external parameter entities are read only when asked to.
        TDtdExternalLoader loader;
        if (ReadExternalEntities)
          loader = [&](const WideString& baseUri, const WideString& publicId, const WideString& systemId,
                       TDtdExternalText& text) {
            return LoadExternalText(signal.Reader(), baseUri, publicId, systemId, text.Uri, text.Text, text.Origin,
                                    &text.ByteLengths);
          };
        dtdAgent->SetExpansionLimits(EntityExpansionAllowance, EntityExpansionRatioLimit);
        prepared = dtdAgent->PrepareDtd(node, report, loader, &signal, &signal.IntSubsetByteLengths);
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

TDtdValidationAgent* TXmlDomBuilder::Agent() {
  TDomCustomDocument* document = ReferenceNode_->ReferenceDocument();
  if (document != AgentDocument_ || document == nullptr) {
    AgentDocument_ = document;
    auto* withAgent = dynamic_cast<TDomDocument*>(document);
    KnownAgent_ = withAgent == nullptr ? nullptr : dynamic_cast<TDtdValidationAgent*>(withAgent->ValidationAgent());
  }
  return KnownAgent_;
}

const TDtdModel* TXmlDomBuilder::Model() {
  TDtdValidationAgent* agent = Agent();
  return agent == nullptr ? nullptr : &agent->Model();
}

TXmlErrorType TXmlDomBuilder::LoadExternalText(TXmlCustomReader* reader, const WideString& baseUri,
                                               const WideString& publicId, const WideString& systemId,
                                               WideString& uri, WideString& text, TPositionRecord& origin,
                                               TCharByteLengths* byteLengths) {
  // Only local files are read: whatever does not resolve to a "file" URI is refused before
  // any resolver sees it.
  AnsiString fileName;
  if (!ResolveRelativeUri(baseUri, systemId, uri) || !UriToFileName(uri, fileName)) return EK_RESOURCE_NOT_RESOLVED;
  if (auto* inner = dynamic_cast<TEntityTextReader*>(reader)) reader = inner->DocumentReader();
  if (reader == nullptr) return EK_RESOURCE_NOT_RESOLVED;
  TXmlErrorType kind = EK_NONE;
  reader->ReadExternalText(baseUri, publicId, systemId, kind, text, origin, byteLengths);
  return kind;
}

bool TXmlDomBuilder::ReadExternalText(const TXmlEntityRefSignal& signal, const TDtdEntity& entity,
                                      const IXmlLocator* at, WideString& uri, WideString& text) {
  // A relative identifier resolves against where its declaration stands: the document's
  // internal subset, or the external text that declares it.
  const WideString base = entity.BaseUri.empty() ? signal.SourceUri() : entity.BaseUri;
  TPositionRecord origin;
  const TXmlErrorType kind =
      LoadExternalText(signal.Reader(), base, entity.PublicId, entity.SystemId, uri, text, origin);
  if (kind == EK_NONE) return true;
  // Built piece by piece: GCC 12 warns wrongly (-Wrestrict) about a literal put before a string.
  WideString reference(u"&");
  reference += signal.EntityName.View();
  reference += u';';
  ReportError(signal.Reader(), kind, at, reference, entity.SystemId);
  return false;
}

void TXmlDomBuilder::EntityReference(const TXmlEntityRefSignal& signal) {
  const WideString name = signal.EntityName.Str();
  const bool predefined = XmlRules::PredefinedEntityName(name);
  const TDtdModel* model = predefined ? nullptr : Model();
  const TDtdEntity* entity = model != nullptr ? model->FindGeneralEntity(name) : nullptr;
  // A reference inside a replacement text is placed at the document's own reference.
  const IXmlLocator* at = Expanding_.empty() ? &signal : OuterReference_;
  auto refuse = [&](TXmlErrorType kind) { ReportError(signal.Reader(), kind, at, u"&" + name + u";", WideString()); };
  // An external parsed entity is expanded like an internal one when it is read.
  const bool expand = entity != nullptr && entity->IsParsed() && (entity->IsInternal || ReadExternalEntities);
  if (model != nullptr) {
    if (entity == nullptr && model->AllDeclarationsRead()) return refuse(EK_UNDECLARED_ENTITY);
    // A document standing alone may not use what only external declarations give.
    if (entity != nullptr && !model->UsableInDocument(*entity)) return refuse(EK_UNDECLARED_ENTITY);
    if (entity != nullptr && !entity->IsParsed()) return refuse(EK_UNPARSED_ENTITY_REFERENCE);
    if (expand) {
      for (const WideString& open : Expanding_)
        if (open == name) return refuse(EK_RECURSIVE_ENTITY_REFERENCE);
      if (static_cast<int>(Expanding_.size()) >= EntityExpansionDepthLimit)
        return refuse(EK_ENTITY_EXPANSION_TOO_DEEP);
    }
  }
  WideString externalUri, externalText;
  if (expand && !entity->IsInternal) {
    if (!ReadExternalText(signal, *entity, at, externalUri, externalText)) {
      // Reported; when the listener lets the parse go on, the reference stays empty.
      AppendNew(TDomEntityReference::Create(ReferenceNode_->ReferenceDocument(), name));
      return;
    }
  }
  const WideString& replacement = expand && entity->IsInternal ? entity->ReplacementText : externalText;
  if (expand) {
    // The document read so far is measured at the outermost reference; references inside
    // a replacement text count from their own small origin.
    if (Expanding_.empty()) InputChars_ = std::max<std::int64_t>(InputChars_, signal.EndChar());
    ExpandedChars_ += static_cast<std::int64_t>(replacement.size());
    if (ExpandedChars_ > EntityExpansionAllowance + EntityExpansionRatioLimit * InputChars_)
      return refuse(EK_ENTITY_EXPANSION_TOO_LARGE);
  }
  if (!expand) {
    // A predefined entity, or one that is not read: an empty reference, or the character.
    if (KeepEntityRefs || !predefined)
      AppendNew(TDomEntityReference::Create(ReferenceNode_->ReferenceDocument(), name));
    else
      AddText(false, PredefinedReplacement(name));
    return;
  }
  if (!KeepEntityRefs) return ExpandEntity(signal, replacement);
  TDomEntityReference* node = TDomEntityReference::Create(ReferenceNode_->ReferenceDocument(), name);
  AppendNew(node);
  TDomNode* outer = ReferenceNode_;
  node->SetReadOnly(false);
  ReferenceNode_ = node;
  try {
    ExpandEntity(signal, replacement);
  } catch (...) {
    ReferenceNode_ = outer;
    throw;
  }
  ReferenceNode_ = outer;
  MarkEntityTreeReadOnly(node);
}

void TXmlDomBuilder::ExpandEntity(const TXmlSignal& reference, const WideString& replacementText) {
  if (Expanding_.empty()) OuterReference_ = &reference;
  // A reader of its own with a well-formedness handler in fragment mode checks that the
  // replacement text is content with balanced tags; its signals come back to this builder.
  // Inside a replacement text the signals name that reader, which reports through the
  // document's own.
  auto* inner = dynamic_cast<TEntityTextReader*>(reference.Reader());
  TXmlCustomReader* documentReader = inner != nullptr ? inner->DocumentReader() : reference.Reader();
  if (documentReader == nullptr) throw EParserException(kInternalError);
  TEntityTextReader reader(documentReader, OuterReference_);
  TXmlWFTestHandler checker(nullptr);
  reader.SetNextHandler(&checker);
  checker.SetNextHandler(this);
  TUtilsWideStringStream stream(replacementText);
  TXmlEntityTextSource source(&stream, reference.SourceUri(), reference.StartByte(), reference.StartChar(),
                              reference.StartColumn(), reference.StartTabs(), reference.StartLine());
  Expanding_.push_back(static_cast<const TXmlEntityRefSignal&>(reference).EntityName.Str());
  const bool parsed = reader.ParseFragment(&source);
  Expanding_.pop_back();
  checker.SetNextHandler(nullptr);
  // What stopped the inner parse has been reported; the document's parse stops with it.
  if (!parsed) throw EParserException("Signal Processing Exception");
}

bool TXmlDomBuilder::CheckAttributeReferences(const TXmlAttributeSignal& signal) {
  const WideStringView value = signal.Value.View();
  if (value.find(u'&') == WideStringView::npos) return true;
  const TDtdModel* model = Model();
  if (model == nullptr) return true;
  WideString offending;
  const TXmlErrorType kind =
      model->CheckAttributeValueReferences(value, EntityExpansionDepthLimit, offending, TDtdModel::TPlace::Document);
  if (kind == EK_NONE) return true;
  ReportError(signal.Reader(), kind, &signal, offending, WideString());
  return false;
}

void TXmlDomBuilder::ProcessSignal(TXmlSignal* signal) {
  if ((signal->Scope() & ssDoc) == 0) throw EParserException(kInternalError);
  if (ReferenceNode_ == nullptr) return;
  if (PendingDefaults_ != nullptr && signal->Kind() != K::Attribute) {
    TDomElement* element = std::exchange(PendingDefaults_, nullptr);
    if (signal->Kind() != K::Aborted) Agent()->AddDefaultAttributes(element);
  }

  switch (signal->Kind()) {
    case K::StartDocument: {
      const auto& start = SignalAs<TXmlStartDocumentSignal>(signal);
      ForgetDocument();
      ResetNamespaces();
      if (Expanding_.empty()) ExpandedChars_ = InputChars_ = 0;
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
      if (CheckAttributeReferences(attribute))
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
    case K::EntityRef:
      EntityReference(SignalAs<TXmlEntityRefSignal>(signal));
      break;
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
