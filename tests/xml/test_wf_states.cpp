// Well-formedness handler: the mode and the root state it holds while each signal that passed
// goes on to the next handler, for documents and fragments.
#include "dom/DomImplementation.h"
#include "platform/Streams.h"
#include "xml/XmlInputSource.h"
#include "xml/XmlReader.h"
#include "xml/XmlSignals.h"
#include "xml/XmlWFTestHandler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using K = TXmlSignalKind;

struct TSeen {
  K Kind;
  TXmlWFMode Mode;
  TXmlRootState Root;
  bool operator==(const TSeen&) const = default;
};

std::ostream& operator<<(std::ostream& os, const TSeen& s) {
  return os << "{kind " << static_cast<int>(s.Kind) << ", mode " << static_cast<int>(s.Mode)
            << ", root " << static_cast<int>(s.Root) << "}";
}

// Records, for each signal the handler passes on, the handler's state at that moment.
class TStateRecorder : public TXmlCustomHandler {
public:
  explicit TStateRecorder(const TXmlWFTestHandler* watched) : Watched_(watched) {}
  void ProcessSignal(TXmlSignal* signal) override {
    Seen.push_back({signal->Kind(), Watched_->Mode(), Watched_->RootState()});
  }
  std::vector<TSeen> Seen;

private:
  const TXmlWFTestHandler* Watched_;
};

std::vector<TSeen> States(const std::string& bytes, bool fragment) {
  TDomImplementation impl;
  TXmlWFTestHandler handler;
  TStateRecorder recorder(&handler);
  TXmlStandardDocReader reader;
  reader.SetDOMImpl(&impl);
  reader.SetNextHandler(&handler);
  handler.SetNextHandler(&recorder);
  TMemoryStream stream(bytes);
  TXmlInputSource source(&stream, u"", u"file:///s.xml", 4096, nullptr, false, 0, 0, 0, 0, 1);
  const bool ok = fragment ? reader.ParseFragment(&source) : reader.ParseDocument(&source);
  EXPECT_TRUE(ok);
  EXPECT_EQ(handler.Mode(), wfIdle);
  EXPECT_EQ(handler.RootState(), rsBeforeRoot);
  return recorder.Seen;
}

TEST(WFTestHandler, ModeAndRootStateFollowTheDocument) {
  struct TCase {
    const char* Name;
    std::string Bytes;
    bool Fragment;
    std::vector<TSeen> Expected;
  };
  const std::vector<TCase> cases = {
      {"nested elements", "<a><b/></a>", false,
       {{K::StartDocument, wfDocument, rsBeforeRoot},
        {K::StartElement, wfDocument, rsInsideRoot},
        {K::StartElement, wfDocument, rsInsideRoot},
        {K::EndElement, wfDocument, rsInsideRoot},
        {K::EndElement, wfDocument, rsAfterRoot},
        {K::Completed, wfIdle, rsBeforeRoot}}},
      {"white space and a comment on either side", " <!--c--><a/> ", false,
       {{K::StartDocument, wfDocument, rsBeforeRoot},
        {K::PCDATA, wfDocument, rsBeforeRoot},
        {K::Comment, wfDocument, rsBeforeRoot},
        {K::StartElement, wfDocument, rsInsideRoot},
        {K::EndElement, wfDocument, rsAfterRoot},
        {K::PCDATA, wfDocument, rsAfterRoot},
        {K::Completed, wfIdle, rsBeforeRoot}}},
      {"a fragment with text around two elements", "x<a/>y<b/>", true,
       {{K::StartDocumentFragment, wfFragment, rsBeforeRoot},
        {K::PCDATA, wfFragment, rsBeforeRoot},
        {K::StartElement, wfFragment, rsInsideRoot},
        {K::EndElement, wfFragment, rsAfterRoot},
        {K::PCDATA, wfFragment, rsAfterRoot},
        {K::StartElement, wfFragment, rsInsideRoot},
        {K::EndElement, wfFragment, rsAfterRoot},
        {K::Completed, wfIdle, rsBeforeRoot}}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(States(c.Bytes, c.Fragment), c.Expected);
  }
}

}  // namespace
