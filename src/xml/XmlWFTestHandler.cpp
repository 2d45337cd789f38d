#include "xml/XmlWFTestHandler.h"

#include "dom/DomExceptions.h"
#include "xml/XmlRulesUtils.h"

namespace {

constexpr const char* kInternalError = "Internal Parser Exception";

using K = TXmlSignalKind;

}  // namespace

TXmlWFTestHandler::TXmlWFTestHandler(TComponent* owner)
    : TXmlCustomHandler(owner), Stack_(std::make_unique<TUtilsWideStringList>()) {}

TXmlWFTestHandler::~TXmlWFTestHandler() { SetNextHandler(nullptr); }

void TXmlWFTestHandler::SetNextHandler(TXmlCustomHandler* handler) {
  if (handler == NextHandler_) return;
  if (NextHandler_ != nullptr) RemoveFreeNotification(NextHandler_);
  NextHandler_ = handler;
  if (NextHandler_ != nullptr) FreeNotification(NextHandler_);
}

void TXmlWFTestHandler::Notification(TComponent* component, TOperation operation) {
  TXmlCustomHandler::Notification(component, operation);
  if (operation == TOperation::opRemove && component == NextHandler_) NextHandler_ = nullptr;
}

void TXmlWFTestHandler::ClearState() {
  Stack_->Clear();
  DoctypeSeen_ = false;
  RootState_ = rsBeforeRoot;
}

void TXmlWFTestHandler::Reset() {
  Mode_ = wfIdle;
  ClearState();
}

// Element Type Match: an end tag names the innermost open element. The tokenizer reads one
// token at a time and keeps no record of open elements, so the nesting is followed here.
void TXmlWFTestHandler::CheckEndElement(WideStringView tagName, TXmlErrorType& kind, WideString& offending) {
  const int count = Stack_->Count();
  if (count == 0 || Stack_->Strings(count - 1) != tagName) {
    kind = EK_END_TAG_MISMATCH;
    offending = tagName;
    return;
  }
  Stack_->Delete(count - 1);
  if (count == 1) RootState_ = rsAfterRoot;
}

// One document type declaration, before the root element: a matter of the document's order,
// which the tokenizer does not follow.
void TXmlWFTestHandler::CheckDoctype(const WideString& name, TXmlErrorType& kind, WideString& offending) {
  if (DoctypeSeen_) {
    kind = EK_DUPLICATE_DOCTYPE;
  } else {
    DoctypeSeen_ = true;
    if (RootState_ != rsBeforeRoot) kind = EK_DOCTYPE_AFTER_ROOT;
  }
  if (kind != EK_NONE) offending = name;
}

// The document production: one root element, with only white space, comments and instructions
// around it. These are rules on the order of tokens, not on any one token, so the tokenizer
// cannot enforce them; what each signal's own text must be is left to its CheckWellFormed.
void TXmlWFTestHandler::CheckDocumentSignal(const TXmlSignal* signal, TXmlErrorType& kind, WideString& offending,
                                            WideString& clue) {
  switch (signal->Kind()) {
    case K::CDATA:
      if (RootState_ != rsInsideRoot) {
        kind = EK_CONTENT_OUTSIDE_ROOT;
        offending = SignalAs<TXmlCDATASignal>(signal).Data;
      }
      break;
    case K::Doctype:
      CheckDoctype(SignalAs<TXmlDoctypeSignal>(signal).DoctypeName, kind, offending);
      break;
    case K::EndElement:
      CheckEndElement(SignalAs<TXmlEndElementSignal>(signal).TagName, kind, offending);
      break;
    case K::EntityRef:
      if (RootState_ != rsInsideRoot) {
        kind = EK_CONTENT_OUTSIDE_ROOT;
        offending = u"&" + SignalAs<TXmlEntityRefSignal>(signal).EntityName.Str() + u";";
      }
      break;
    case K::PCDATA: {
      // White space between top-level markup is allowed; any other text there is not.
      const auto& t = SignalAs<TXmlPCDATASignal>(signal);
      if (RootState_ != rsInsideRoot) {
        if (t.CharRefGenerated) {
          kind = EK_CONTENT_OUTSIDE_ROOT;
          offending = u"&#";
        } else if (!XmlRules::S(t.Data)) {
          kind = EK_CONTENT_OUTSIDE_ROOT;
          offending = t.Data;
        }
      }
      break;
    }
    case K::StartElement: {
      const auto& st = SignalAs<TXmlStartElementSignal>(signal);
      if (RootState_ == rsAfterRoot) {
        kind = EK_ELEMENT_AFTER_ROOT;
        offending = st.TagName;
      } else {
        RootState_ = rsInsideRoot;
        Stack_->Add(st.TagName.Str());
      }
      break;
    }
    case K::Completed:
      if (RootState_ == rsBeforeRoot) {
        kind = EK_MISSING_DOCUMENT_ELEMENT;
      } else if (RootState_ == rsInsideRoot) {
        kind = EK_UNCLOSED_ELEMENT_AT_END;
        clue = Stack_->Count() > 0 ? Stack_->Strings(Stack_->Count() - 1) : WideString();
      } else {
        DoctypeSeen_ = false;
        RootState_ = rsBeforeRoot;
      }
      Mode_ = wfIdle;
      break;
    case K::Aborted:
      Reset();
      break;
    default:
      if ((signal->Scope() & ssDoc) == 0) throw EParserException(kInternalError);
      break;
  }
}

void TXmlWFTestHandler::CheckFragmentSignal(const TXmlSignal* signal, TXmlErrorType& kind, WideString& offending,
                                            WideString& clue) {
  switch (signal->Kind()) {
    case K::Doctype:
      CheckDoctype(SignalAs<TXmlDoctypeSignal>(signal).DoctypeName, kind, offending);
      break;
    case K::EndElement:
      CheckEndElement(SignalAs<TXmlEndElementSignal>(signal).TagName, kind, offending);
      break;
    case K::StartElement:
      RootState_ = rsInsideRoot;
      Stack_->Add(SignalAs<TXmlStartElementSignal>(signal).TagName.Str());
      break;
    case K::Completed:
      if (RootState_ == rsInsideRoot && Stack_->Count() > 0) {
        kind = EK_UNCLOSED_ELEMENT_AT_END;
        clue = Stack_->Strings(Stack_->Count() - 1);
      } else {
        DoctypeSeen_ = false;
        RootState_ = rsBeforeRoot;
      }
      Mode_ = wfIdle;
      break;
    case K::Aborted:
      Reset();
      break;
    default:
      if ((signal->Scope() & ssDoc) == 0) throw EParserException(kInternalError);
      break;
  }
}

void TXmlWFTestHandler::ProcessSignal(TXmlSignal* signal) {
  TXmlErrorType kind = EK_NONE;
  WideString offending;
  WideString clue;
  switch (Mode_) {
    case wfIdle:
      switch (signal->Kind()) {
        case K::StartDocument:
          Mode_ = wfDocument;
          ClearState();
          break;
        case K::StartDocumentFragment:
          Mode_ = wfFragment;
          ClearState();
          break;
        case K::StartExtDtd:
          Mode_ = wfExternalDtd;
          break;
        case K::StartIntDtd:
          Mode_ = wfInternalDtd;
          break;
        case K::Aborted:
          Reset();
          break;
        default:
          throw EParserException(kInternalError);
      }
      break;
    case wfDocument:
      CheckDocumentSignal(signal, kind, offending, clue);
      break;
    case wfFragment:
      CheckFragmentSignal(signal, kind, offending, clue);
      break;
    default:
      if ((signal->Scope() & ssDtd) == 0) throw EParserException(kInternalError);
      if (signal->Kind() == K::Completed) Mode_ = wfIdle;
      break;
  }
  if (kind == EK_NONE) signal->CheckWellFormed(kind, offending, clue);
  if (kind != EK_NONE) {
    ReportError(signal->Reader(), kind, signal, offending, clue);
    return;
  }
  if (NextHandler_ != nullptr) NextHandler_->ProcessSignal(signal);
}
