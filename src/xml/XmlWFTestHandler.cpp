#include "xml/XmlWFTestHandler.h"

#include "dom/DomExceptions.h"
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
  RootState_ = 0;
}

void TXmlWFTestHandler::Reset() {
  Mode_ = 0;
  ClearState();
}

void TXmlWFTestHandler::CheckEndElement(const WideString& tagName, TXmlErrorType& kind, WideString& offending) {
  const int count = Stack_->Count();
  if (count == 0 || Stack_->Strings(count - 1) != tagName) {
    kind = EK_END_TAG_MISMATCH;
    offending = tagName;
    return;
  }
  Stack_->Delete(count - 1);
  if (count == 1) RootState_ = 2;
}

void TXmlWFTestHandler::CheckDoctype(const WideString& name, TXmlErrorType& kind, WideString& offending) {
  if (DoctypeSeen_) {
    kind = EK_DUPLICATE_DOCTYPE;
  } else {
    DoctypeSeen_ = true;
    if (RootState_ != 0) kind = EK_DOCTYPE_AFTER_ROOT;
  }
  if (kind != 0) offending = name;
}

void TXmlWFTestHandler::CheckDocumentSignal(const TXmlSignal* signal, TXmlErrorType& kind, WideString& offending,
                                            WideString& clue) {
  if (const auto* s = As<TXmlCDATASignal>(signal)) {
    if (RootState_ != 1) {
      kind = EK_CONTENT_OUTSIDE_ROOT;
      offending = s->Data;
    }
  } else if (const auto* d = As<TXmlDoctypeSignal>(signal)) {
    CheckDoctype(d->DoctypeName, kind, offending);
  } else if (const auto* e = As<TXmlEndElementSignal>(signal)) {
    CheckEndElement(e->TagName, kind, offending);
  } else if (const auto* r = As<TXmlEntityRefSignal>(signal)) {
    if (RootState_ != 1) {
      kind = EK_CONTENT_OUTSIDE_ROOT;
      offending = u"&" + r->EntityName + u";";
    }
  } else if (const auto* t = As<TXmlPCDATASignal>(signal)) {
    // White space between top-level markup is allowed; any other text there is not.
    if (RootState_ != 1) {
      if (t->CharRefGenerated) {
        kind = EK_CONTENT_OUTSIDE_ROOT;
        offending = u"&#";
      } else if (!XmlRules::S(t->Data)) {
        kind = EK_CONTENT_OUTSIDE_ROOT;
        offending = t->Data;
      }
    }
  } else if (const auto* st = As<TXmlStartElementSignal>(signal)) {
    if (RootState_ == 2) {
      kind = EK_ELEMENT_AFTER_ROOT;
      offending = st->TagName;
    } else {
      RootState_ = 1;
      Stack_->Add(st->TagName);
    }
  } else if (As<TXmlCompletedSignal>(signal) != nullptr) {
    if (RootState_ == 0) {
      kind = EK_MISSING_DOCUMENT_ELEMENT;
    } else if (RootState_ == 1) {
      kind = EK_UNCLOSED_ELEMENT_AT_END;
      clue = Stack_->Count() > 0 ? Stack_->Strings(Stack_->Count() - 1) : WideString();
    } else {
      DoctypeSeen_ = false;
      RootState_ = 0;
    }
    Mode_ = 0;
  } else if (As<TXmlAbortedSignal>(signal) != nullptr) {
    Reset();
  } else if ((signal->Scope() & ssDoc) == 0) {
    throw EParserException(kInternalError);
  }
}

void TXmlWFTestHandler::CheckFragmentSignal(const TXmlSignal* signal, TXmlErrorType& kind, WideString& offending,
                                            WideString& clue) {
  if (const auto* d = As<TXmlDoctypeSignal>(signal)) {
    CheckDoctype(d->DoctypeName, kind, offending);
  } else if (const auto* e = As<TXmlEndElementSignal>(signal)) {
    CheckEndElement(e->TagName, kind, offending);
  } else if (const auto* st = As<TXmlStartElementSignal>(signal)) {
    RootState_ = 1;
    Stack_->Add(st->TagName);
  } else if (As<TXmlCompletedSignal>(signal) != nullptr) {
    if (RootState_ == 1 && Stack_->Count() > 0) {
      kind = EK_UNCLOSED_ELEMENT_AT_END;
      clue = Stack_->Strings(Stack_->Count() - 1);
    } else {
      DoctypeSeen_ = false;
      RootState_ = 0;
    }
    Mode_ = 0;
  } else if (As<TXmlAbortedSignal>(signal) != nullptr) {
    Reset();
  } else if ((signal->Scope() & ssDoc) == 0) {
    throw EParserException(kInternalError);
  }
}

void TXmlWFTestHandler::ProcessSignal(TXmlSignal* signal) {
  TXmlErrorType kind = static_cast<TXmlErrorType>(0);
  WideString offending;
  WideString clue;
  switch (Mode_) {
    case 0:
      if (As<TXmlStartDocumentSignal>(signal) != nullptr) {
        Mode_ = 1;
        ClearState();
      } else if (As<TXmlStartDocumentFragmentSignal>(signal) != nullptr) {
        Mode_ = 2;
        ClearState();
      } else if (As<TXmlStartExtDtdSignal>(signal) != nullptr) {
        Mode_ = 3;
      } else if (As<TXmlStartIntDtdSignal>(signal) != nullptr) {
        Mode_ = 4;
      } else if (As<TXmlAbortedSignal>(signal) != nullptr) {
        Reset();
      } else {
        throw EParserException(kInternalError);
      }
      break;
    case 1:
      CheckDocumentSignal(signal, kind, offending, clue);
      break;
    case 2:
      CheckFragmentSignal(signal, kind, offending, clue);
      break;
    default:
      if ((signal->Scope() & ssDtd) == 0) throw EParserException(kInternalError);
      if (As<TXmlCompletedSignal>(signal) != nullptr) Mode_ = 0;
      break;
  }
  if (kind == 0) signal->CheckWellFormed(kind, offending, clue);
  if (kind != 0) {
    ReportError(signal->Reader(), kind, signal, offending, clue);
    return;
  }
  if (NextHandler_ != nullptr) NextHandler_->ProcessSignal(signal);
}
