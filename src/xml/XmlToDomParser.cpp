#include "xml/XmlToDomParser.h"

#include "dom/DomExceptions.h"
#include "dom/DomImplementation.h"
#include "dom/WideStringUtils.h"
#include "platform/Exceptions.h"
#include "xml/DomError.h"
#include "xml/ResourceResolver.h"
#include "xml/XmlInputSource.h"
#include "xml/XmlDirectParser.h"
#include "xml/XmlReader.h"
#include "xml/XmlRulesUtils.h"
#include "xml/XmlWFTestHandler.h"

#include <memory>
#include <typeinfo>

namespace {

constexpr const char* kParserError = "Parser error.";

// Clears the builder's reference node when a parse ends, however it ends, so the builder
// never points into a document that its caller frees afterwards.
class TReferenceNodeGuard {
public:
  TReferenceNodeGuard(TXmlDomBuilder& builder, TDomNode* node) : Builder_(builder) {
    Builder_.SetReferenceNode(node);
  }
  ~TReferenceNodeGuard() { Builder_.SetReferenceNode(nullptr); }
  TReferenceNodeGuard(const TReferenceNodeGuard&) = delete;
  TReferenceNodeGuard& operator=(const TReferenceNodeGuard&) = delete;

private:
  TXmlDomBuilder& Builder_;
};

}  // namespace

TXmlCustomParser::TXmlCustomParser(TComponent* owner) : TDomBaseComponent(owner) {}

TXmlCustomParser::~TXmlCustomParser() {
  if (DOMImpl_ != nullptr) RemoveFreeNotification(DOMImpl_);
}

void TXmlCustomParser::SetDOMImpl(TDomImplementation* implementation) {
  if (implementation == DOMImpl_) return;
  if (DOMImpl_ != nullptr) RemoveFreeNotification(DOMImpl_);
  DOMImpl_ = implementation;
  if (DOMImpl_ != nullptr) FreeNotification(DOMImpl_);
}

void TXmlCustomParser::Notification(TComponent* component, TOperation operation) {
  TDomBaseComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component == DOMImpl_) DOMImpl_ = nullptr;
}

TXmlToDomParser::TXmlToDomParser(TComponent* owner) : TXmlCustomParser(owner) {
  CreateSubComponents();
}

TXmlToDomParser::~TXmlToDomParser() = default;

void TXmlToDomParser::CreateSubComponents() {
  Reader_ = new TXmlStandardDocReader(this);
  WFTestHandler_ = new TXmlWFTestHandler(this);
  Builder_ = new TXmlDomBuilder(this);
  Builder_->DocTypeDeclTreatment = dtCheckWellformedness;
  Reader_->SetDOMImpl(DOMImpl());
  Reader_->SetNextHandler(WFTestHandler_);
  WFTestHandler_->SetNextHandler(Builder_);
}

void TXmlToDomParser::SetDOMImpl(TDomImplementation* implementation) {
  TXmlCustomParser::SetDOMImpl(implementation);
  if (Reader_ != nullptr) Reader_->SetDOMImpl(implementation);
}

void TXmlToDomParser::SetBufferSize(std::int64_t value) {
  if (value < 1024) throw ENot_Supported_Err("BufferSize must not be less than 1024.");
  BufferSize_ = value;
}

bool TXmlToDomParser::SendErrorNotification(TXmlErrorType kind) {
  TDomError error(kind, nullptr, WideString(), WideString());
  if (DOMImpl() != nullptr) return DOMImpl()->HandleError(this, &error);
  return error.Severity() != DOM_SEVERITY_FATAL_ERROR;
}

TDomDocument* TXmlToDomParser::ParseFile(const AnsiString& fileName) {
  if (fileName.empty()) throw EAccessViolation("Filename not specified.");
  TFileStream stream(fileName, TFileMode::fmOpenRead);
  return ParseStream(&stream, FileNameToUri(fileName), nullptr, true);
}

TDomDocument* TXmlToDomParser::ParseStream(TStream* stream, const WideString& systemId,
                                           TUnicodeCodecClass codecClass, bool keepStart) {
  if (stream == nullptr) throw EAccessViolation("Stream not specified.");
  const std::int64_t start = stream->Position();
  std::unique_ptr<TXmlInputSource> source;
  try {
    source = std::make_unique<TXmlInputSource>(stream, WideString(), systemId, BufferSize_, codecClass, keepStart,
                                               0, 0, 0, 0, 1);
  } catch (const ENot_Supported_Err&) {
    SendErrorNotification(EK_ENCODING_NOT_SUPPORTED);
    throw EParserException(kParserError);
  } catch (const EConvertError&) {
    SendErrorNotification(EK_ENCODING_CONVERSION_FAILED);
    throw EParserException(kParserError);
  }
  ParsedDirectly_ = false;
  if (TDomDocument* document = ParseDirect(stream, start, *source)) {
    ParsedDirectly_ = true;
    return document;
  }
  return ParseInputSource(source.get());
}

bool TXmlToDomParser::DirectPathApplies(const TXmlInputSource& source) const {
  // Only the parser's own chain, unchanged, builds exactly what the direct path builds; and
  // only a document nobody listens to may be made without change notices.
  const TDomImplementation* implementation = DOMImpl();
  if (typeid(*this) != typeid(TXmlToDomParser) || implementation == nullptr ||
      typeid(*implementation) != typeid(TDomImplementation) || implementation->OnAttrModified ||
      implementation->OnCharacterDataModified || implementation->OnNodeClearing || implementation->OnNodeInserted ||
      implementation->OnNodeRemoving)
    return false;
  if (typeid(*Reader_) != typeid(TXmlStandardDocReader) || typeid(*WFTestHandler_) != typeid(TXmlWFTestHandler) ||
      typeid(*Builder_) != typeid(TXmlDomBuilder) || Reader_->NextHandler() != WFTestHandler_ ||
      WFTestHandler_->NextHandler() != Builder_)
    return false;
  // What the start of the document would report is left to the ordinary path.
  if (source.HasMalformedDecl() || source.DeclarationType() == DECL_TEXT || source.XmlVersion() != u"1.0" ||
      (!source.XmlEncoding().empty() && !XmlRules::EncName(source.XmlEncoding())))
    return false;
  return true;
}

TDomDocument* TXmlToDomParser::ParseDirect(TStream* stream, std::int64_t start, const TXmlInputSource& source) {
  if (!DirectPathApplies(source)) return nullptr;
  TXmlDirectOptions options;
  options.KeepCDATASections = Builder_->KeepCDATASections;
  options.KeepComments = Builder_->KeepComments;
  options.KeepEntityRefs = Builder_->KeepEntityRefs;
  const TUnicodeCodecClass codec = source.CodecClass();
  if (codec == &TUTF8Codec::ClassInfo) {
    options.Encoding = TXmlDirectEncoding::Utf8;
  } else if (codec == &TUTF16LECodec::ClassInfo) {
    options.Encoding = TXmlDirectEncoding::Utf16LE;
  } else if (codec == &TUTF16BECodec::ClassInfo) {
    options.Encoding = TXmlDirectEncoding::Utf16BE;
  } else if (const auto* single = dynamic_cast<const TCustomSingleByteCodec*>(source.Codec());
             single != nullptr && codec != &TUSASCIICodec::ClassInfo) {
    options.Encoding = TXmlDirectEncoding::CodePage;
    options.Table = single->Table();
  } else {
    return nullptr;
  }

  // The bytes behind the declaration are read without disturbing the input source: the
  // stream goes back to where the source left it, so the ordinary path can still take over.
  const std::int64_t resume = stream->Position();
  const std::int64_t from = start + source.ByteOrderMarkSize() + source.ResetPosition();
  struct TResume {
    TStream* Stream;
    std::int64_t Position;
    ~TResume() { Stream->Seek(Position, TSeekOrigin::soBeginning); }
  } back{stream, resume};
  if (stream->Seek(from, TSeekOrigin::soBeginning) != from) return nullptr;
  options.ChunkBytes = static_cast<std::size_t>(BufferSize_) * 64;

  auto document = std::make_unique<TDomDocument>(DOMImpl());
  document->setDocumentURI(source.SystemId());
  document->setInputEncoding(source.InputEncoding());
  document->setXmlEncoding(source.XmlEncoding());
  document->setXmlStandalone(source.XmlStandalone());
  document->setXmlVersion(source.XmlVersion());
  try {
    if (!XmlDirectParse(stream, options, document.get())) return nullptr;
  } catch (const Exception&) {
    // A stream that fails on the way: the ordinary path reads it again and reports as it does.
    return nullptr;
  }
  return document.release();
}

TDomDocument* TXmlToDomParser::ParseString(const AnsiString& text, const WideString& systemId,
                                           TUnicodeCodecClass codecClass, bool keepStart) {
  if (text.empty()) throw EAccessViolation("Empty string.");
  TMemoryStream stream(text);
  return ParseStream(&stream, systemId, codecClass, keepStart);
}

TDomDocument* TXmlToDomParser::ParseWideString(const WideString& text, const WideString& systemId,
                                               TUnicodeCodecClass codecClass, bool keepStart) {
  if (text.empty()) throw EAccessViolation("Empty string.");
  TUtilsWideStringStream stream(text);
  return ParseStream(&stream, systemId, codecClass, keepStart);
}

TDomDocument* TXmlToDomParser::ParseCharacterList(const TUtilsWideStringList* source, const WideString& systemId) {
  if (source == nullptr) throw EAccessViolation("Source code not specified.");
  WideString text(1, u'\uFEFF');
  for (int i = 0; i < source->Count(); ++i) text += source->Strings(i);
  return ParseWideString(text, systemId, &TUTF16LECodec::ClassInfo, true);
}

TDomDocument* TXmlToDomParser::ParseUri(const WideString& systemId, TUnicodeCodecClass codecClass, bool keepStart) {
  if (DOMImpl() == nullptr) throw EAccessViolation("DOM implementation not specified.");
  WideString publicId;
  WideString resolvedId = systemId;
  std::unique_ptr<TStream> stream = DOMImpl()->ResolveResource(WideString(), publicId, resolvedId);
  if (!stream) return nullptr;
  return ParseStream(stream.get(), resolvedId, codecClass, keepStart);
}

TDomDocument* TXmlToDomParser::ParseInputSource(TXmlInputSource* source) {
  if (source == nullptr) throw EAccessViolation("Input source not specified.");
  if (DOMImpl() == nullptr) throw EAccessViolation("DOM implementation not specified.");
  ParsedDirectly_ = false;
  if (source->HasMalformedDecl() || source->DeclarationType() == DECL_TEXT) {
    SendErrorNotification(EK_MALFORMED_XML_DECLARATION);
    throw EParserException(kParserError);
  }
  if (source->XmlVersion() != u"1.0") {
    SendErrorNotification(EK_XML_VERSION_NOT_SUPPORTED);
    throw EParserException(kParserError);
  }
  auto document = std::make_unique<TDomDocument>(DOMImpl());
  document->setDocumentURI(source->SystemId());
  bool parsed = false;
  {
    TReferenceNodeGuard target(*Builder_, document.get());
    parsed = Reader_->ParseDocument(source);
  }
  if (!parsed) throw EParserException(kParserError);
  return document.release();
}

bool TXmlToDomParser::ParseFragment(TXmlSimpleInputSource* source, TDomNode* referenceNode) {
  if (referenceNode == nullptr) throw EAccessViolation("Reference document fragment not specified.");
  if (DOMImpl() == nullptr) throw EAccessViolation("DOM implementation not specified.");
  bool parsed = false;
  {
    TReferenceNodeGuard target(*Builder_, referenceNode);
    parsed = Reader_->ParseFragment(source);
  }
  if (!parsed) throw EParserException(kParserError);
  return true;
}
