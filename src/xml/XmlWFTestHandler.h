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

  // The state, for tests: 0 idle, 1 document, 2 fragment, 3 external DTD, 4 internal DTD.
  std::uint8_t Mode() const { return Mode_; }
  // 0 no document element yet, 1 inside it, 2 closed.
  std::uint8_t RootState() const { return RootState_; }
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
  std::uint8_t Mode_ = 0;
  bool DoctypeSeen_ = false;
  std::uint8_t RootState_ = 0;
  std::unique_ptr<TUtilsWideStringList> Stack_;
};
