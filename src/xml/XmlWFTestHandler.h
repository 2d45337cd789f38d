// The well-formedness handler: the first handler after the document reader. It checks the
// order of the signals (one document element, tags nested and matched, only white space,
// comments and processing instructions outside the document element, at most one document
// type declaration before it), lets each signal check its own content, reports what fails
// and passes only the signals that passed on to the next handler.
#pragma once

#include "dom/WideStringUtils.h"
#include "xml/XmlReader.h"

#include <cstdint>
#include <memory>

// Which kind of parse the handler's signals belong to.
enum TXmlWFMode : std::uint8_t {
  wfIdle = 0,
  wfDocument = 1,
  wfFragment = 2,
  wfExternalDtd = 3,
  wfInternalDtd = 4,
};

// Where a document's signals stand against its document element.
enum TXmlRootState : std::uint8_t {
  rsBeforeRoot = 0,
  rsInsideRoot = 1,
  rsAfterRoot = 2,
};

class TXmlWFTestHandler : public TXmlCustomHandler {
public:
  explicit TXmlWFTestHandler(TComponent* owner = nullptr);
  ~TXmlWFTestHandler() override;
  const char* ClassName() const override { return "TXmlWFTestHandler"; }

  void ProcessSignal(TXmlSignal* signal) override;
  // Back to idle: no document type seen, no document element, no open elements.
  virtual void Reset();

  TXmlCustomHandler* NextHandler() const { return NextHandler_; }
  void SetNextHandler(TXmlCustomHandler* handler);

  // The state, for tests.
  TXmlWFMode Mode() const { return Mode_; }
  TXmlRootState RootState() const { return RootState_; }
  bool DoctypeSeen() const { return DoctypeSeen_; }
  const TUtilsWideStringList& OpenElements() const { return *Stack_; }

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  void CheckDocumentSignal(const TXmlSignal* signal, TXmlErrorType& kind, WideString& offending, WideString& clue);
  void CheckFragmentSignal(const TXmlSignal* signal, TXmlErrorType& kind, WideString& offending, WideString& clue);
  void CheckEndElement(WideStringView tagName, TXmlErrorType& kind, WideString& offending);
  void CheckDoctype(const WideString& name, TXmlErrorType& kind, WideString& offending);
  void ClearState();

  TXmlCustomHandler* NextHandler_ = nullptr;
  TXmlWFMode Mode_ = wfIdle;
  bool DoctypeSeen_ = false;
  TXmlRootState RootState_ = rsBeforeRoot;
  std::unique_ptr<TUtilsWideStringList> Stack_;
};
