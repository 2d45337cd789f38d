// The reader refills one signal object per class for every token: no field of an earlier
// token may show in a later one, a handler that sends through the reader while it holds a
// signal must find that signal unchanged afterwards, and every signal answers the kind of
// its own class.
#include "dom/DomImplementation.h"
#include "platform/Streams.h"
#include "xml/XmlInputSource.h"
#include "xml/XmlReader.h"
#include "xml/XmlSignals.h"
#include "xml/XmlWFTestHandler.h"

#include "XmlTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// Every field of the signal, whatever the earlier ones held.
std::string Fields(const TXmlSignal* s) {
  if (auto* x = dynamic_cast<const TXmlStartElementSignal*>(s)) return "Start " + Show(x->TagName);
  if (auto* x = dynamic_cast<const TXmlAttributeSignal*>(s))
    return "Attr " + Show(x->Name) + "=" + Show(x->Value) + " t" + std::to_string(x->DataType);
  if (auto* x = dynamic_cast<const TXmlEndElementSignal*>(s)) return "End " + Show(x->TagName);
  if (auto* x = dynamic_cast<const TXmlPCDATASignal*>(s))
    return "Text '" + Show(x->Data) + "'" + (x->CharRefGenerated ? " ref" : "");
  if (auto* x = dynamic_cast<const TXmlCDATASignal*>(s)) return "CData '" + Show(x->Data) + "'";
  if (auto* x = dynamic_cast<const TXmlCommentSignal*>(s)) return "Comment '" + Show(x->Data) + "'";
  if (auto* x = dynamic_cast<const TXmlProcessingInstructionSignal*>(s))
    return "PI " + Show(x->Target) + "|" + Show(x->Data);
  if (auto* x = dynamic_cast<const TXmlEntityRefSignal*>(s)) return "Ref " + Show(x->EntityName);
  if (dynamic_cast<const TXmlStartDocumentSignal*>(s)) return "StartDocument";
  if (dynamic_cast<const TXmlCompletedSignal*>(s)) return "Completed";
  return "?";
}

// Records each signal as it arrives and, through OnSignal, lets a test act while it holds it.
class TProbe : public TXmlCustomHandler {
public:
  void ProcessSignal(TXmlSignal* signal) override {
    Log.push_back(Fields(signal));
    Positions.push_back(signal->StartChar());
    if (OnSignal) OnSignal(signal);
  }
  std::vector<std::string> Log;
  std::vector<std::int64_t> Positions;
  std::function<void(TXmlSignal*)> OnSignal;
};

struct TRun {
  TRun() {
    Reader.SetDOMImpl(&Impl);
    Reader.SetNextHandler(&Probe);
  }
  bool Parse(const std::string& bytes) {
    TMemoryStream stream(bytes);
    TXmlInputSource source(&stream, u"", u"file:///reuse.xml", 4096, nullptr, false, 0, 0, 0, 0, 1);
    return Reader.ParseDocument(&source);
  }
  TDomImplementation Impl;
  TProbe Probe;
  TXmlStandardDocReader Reader;
};

}  // namespace

// A later signal of the same class with fewer or shorter fields than an earlier one.
TEST(SignalReuse, NoFieldOfAnEarlierTokenShows) {
  struct Case {
    std::string Input;
    std::vector<std::string> Expected;
  };
  const std::vector<Case> cases = {
      {"<r>&#65;x</r>", {"Start r", "Text 'A' ref", "Text 'x'", "End r"}},
      {"<r>&#x10000;y</r>", {"Start r", "Text '\\uD800\\uDC00' ref", "Text 'y'", "End r"}},
      {"<r>long text here<a/>s</r>",
       {"Start r", "Text 'long text here'", "Start a", "End a", "Text 's'", "End r"}},
      {"<r><?target some data?><?t?></r>", {"Start r", "PI target|some data", "PI t|", "End r"}},
      {"<r><!--a long comment--><!----></r>", {"Start r", "Comment 'a long comment'", "Comment ''", "End r"}},
      {"<r><![CDATA[section]]><![CDATA[]]></r>", {"Start r", "CData 'section'", "CData ''", "End r"}},
      {"<r>&entity;&e;</r>", {"Start r", "Ref entity", "Ref e", "End r"}},
      {"<record name='value' other='x'><a b=''/></record>",
       {"Start record", "Attr name=value t0", "Attr other=x t0", "Start a", "Attr b= t0", "End a",
        "End record"}},
      {"<longername/><b/>", {"Start longername", "End longername", "Start b", "End b"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Input);
    TRun run;
    run.Parse(c.Input);
    std::vector<std::string> body = run.Probe.Log;
    ASSERT_GE(body.size(), 2u);
    EXPECT_EQ(body.front(), "StartDocument");
    EXPECT_EQ(body.back(), "Completed");
    body.erase(body.begin());
    body.pop_back();
    EXPECT_EQ(body, c.Expected);
  }
}

// A handler that sends through the reader while it holds a signal gets its own signal for
// the inner send, and finds the one it holds unchanged afterwards.
TEST(SignalReuse, ReentrantSendLeavesTheHeldSignalAlone) {
  static WideStringView innerTagName;
  struct Case {
    std::string Input;
    std::string Trigger;  // the signal during which the handler sends
    std::function<void(TXmlStandardDocReader&, TXmlSignal*)> Send;
    std::vector<std::string> Expected;
  };
  const std::vector<Case> cases = {
      {"<r>outer text</r>", "Text 'outer text'",
       [](TXmlStandardDocReader& r, TXmlSignal* s) { r.SendText(s, u"inner"); },
       {"StartDocument", "Start r", "Text 'outer text'", "Text 'inner'", "held Text 'outer text'", "End r",
        "Completed"}},
      {"<r a='outer value'/>", "Attr a=outer value t0",
       [](TXmlStandardDocReader& r, TXmlSignal* s) { r.SplitStartTag(s, u"x b='inner'", innerTagName); },
       {"StartDocument", "Start r", "Attr a=outer value t0", "Start x", "Attr b=inner t0",
        "held Attr a=outer value t0", "End r", "Completed"}},
      {"<outer/>", "Start outer",
       [](TXmlStandardDocReader& r, TXmlSignal* s) { r.SendStartElement(s, u"in"); },
       {"StartDocument", "Start outer", "Start in", "held Start outer", "End outer", "Completed"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Input);
    TRun run;
    innerTagName = {};
    bool sent = false;
    run.Probe.OnSignal = [&](TXmlSignal* s) {
      if (sent || Fields(s) != c.Trigger) return;
      sent = true;
      c.Send(run.Reader, s);
      run.Probe.Log.push_back("held " + Fields(s));
    };
    run.Parse(c.Input);
    EXPECT_EQ(run.Probe.Log, c.Expected);
  }
}

// The signals of consecutive tokens carry their own positions, not the first token's.
TEST(SignalReuse, PositionsFollowEachToken) {
  TRun run;
  ASSERT_TRUE(run.Parse("<r>a<b/>c&#65;d</r>"));
  EXPECT_EQ(run.Probe.Log, (std::vector<std::string>{"StartDocument", "Start r", "Text 'a'", "Start b", "End b",
                                                     "Text 'c'", "Text 'A' ref", "Text 'd'", "End r",
                                                     "Completed"}));
  const std::vector<std::int64_t> starts = {2, 4, 6, 6, 9, 12, 15, 18};
  ASSERT_EQ(run.Probe.Positions.size(), starts.size() + 2);
  for (std::size_t i = 0; i < starts.size(); ++i) {
    SCOPED_TRACE(run.Probe.Log[i + 1]);
    EXPECT_EQ(run.Probe.Positions[i + 1], starts[i]);
  }
}

// Each class answers its own kind, and a clone the kind of its original.
TEST(SignalReuse, KindOfEachClass) {
  struct Case {
    std::unique_ptr<TXmlSignal> Signal;
    TXmlSignalKind Kind;
  };
  std::vector<Case> cases;
  auto add = [&](TXmlSignal* s, TXmlSignalKind k) { cases.push_back({std::unique_ptr<TXmlSignal>(s), k}); };
  add(new TXmlStartDocumentSignal(nullptr, nullptr), TXmlSignalKind::StartDocument);
  add(new TXmlStartDocumentFragmentSignal(nullptr, nullptr), TXmlSignalKind::StartDocumentFragment);
  add(new TXmlStartElementSignal(nullptr, nullptr), TXmlSignalKind::StartElement);
  add(new TXmlAttributeSignal(nullptr, nullptr), TXmlSignalKind::Attribute);
  add(new TXmlEndElementSignal(nullptr, nullptr), TXmlSignalKind::EndElement);
  add(new TXmlPCDATASignal(nullptr, nullptr), TXmlSignalKind::PCDATA);
  add(new TXmlCDATASignal(nullptr, nullptr), TXmlSignalKind::CDATA);
  add(new TXmlEntityRefSignal(nullptr, nullptr), TXmlSignalKind::EntityRef);
  add(new TXmlCommentSignal(nullptr, nullptr), TXmlSignalKind::Comment);
  add(new TXmlProcessingInstructionSignal(nullptr, nullptr), TXmlSignalKind::ProcessingInstruction);
  add(new TXmlDoctypeSignal(nullptr, nullptr), TXmlSignalKind::Doctype);
  add(new TXmlCompletedSignal(nullptr, nullptr), TXmlSignalKind::Completed);
  add(new TXmlAbortedSignal(nullptr, nullptr), TXmlSignalKind::Aborted);
  add(new TXmlAttributeDefinitionSignal(nullptr, nullptr), TXmlSignalKind::AttributeDefinition);
  add(new TXmlElementTypeDeclarationSignal(nullptr, nullptr), TXmlSignalKind::ElementTypeDeclaration);
  add(new TXmlEntityDeclarationSignal(nullptr, nullptr), TXmlSignalKind::EntityDeclaration);
  add(new TXmlExternalPEReferenceSignal(nullptr, nullptr), TXmlSignalKind::ExternalPEReference);
  add(new TXmlNotationDeclarationSignal(nullptr, nullptr), TXmlSignalKind::NotationDeclaration);
  add(new TXmlParameterEntityDeclarationSignal(nullptr, nullptr), TXmlSignalKind::ParameterEntityDeclaration);
  add(new TXmlPEReferenceFoundSignal(nullptr, nullptr), TXmlSignalKind::PEReferenceFound);
  add(new TXmlStartExtDtdSignal(nullptr, nullptr), TXmlSignalKind::StartExtDtd);
  add(new TXmlStartIntDtdSignal(nullptr, nullptr), TXmlSignalKind::StartIntDtd);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Signal->ClassName());
    EXPECT_EQ(c.Signal->Kind(), c.Kind);
    EXPECT_EQ(c.Signal->CloneFor(nullptr)->Kind(), c.Kind);
  }
}

// While it is handled a signal refers to the reader's text for the token; a clone kept by a
// handler must own its text, which later tokens overwrite in the reader.
TEST(SignalViews, ClonesKeepTheirTextAfterLaterTokens) {
  const std::vector<std::string> inputs = {
      "<record a='first value' b=\"second\">some text<!--a comment--><?pi its data?>"
      "<![CDATA[a section]]>&ent;&#x10000;<inner x='y'>more text</inner>tail</record>",
      "<r>" + std::string(5000, 'x') + "<a>" + std::string(3, 'y') + "</a></r>",
  };
  for (const auto& input : inputs) {
    SCOPED_TRACE(input.substr(0, 60));
    TRun run;
    std::vector<std::unique_ptr<TXmlSignal>> clones;
    run.Probe.OnSignal = [&](TXmlSignal* s) { clones.push_back(s->CloneFor(nullptr)); };
    ASSERT_TRUE(run.Parse(input));
    ASSERT_EQ(clones.size(), run.Probe.Log.size());
    for (std::size_t i = 0; i < clones.size(); ++i) EXPECT_EQ(Fields(clones[i].get()), run.Probe.Log[i]);
  }
}

// The checks the tokenizer makes on its way (a comment, section or instruction ends at its
// first closer; a reference name is spelt right) are left out only for the token it read.
// A handler that sends through the reader while such a token is being handled gets the
// whole check for what it sends.
TEST(SignalViews, SendsTheTokenizerDidNotReadAreCheckedInFull) {
  struct Case {
    std::string Name;
    std::function<void(TXmlStandardDocReader&, TXmlSignal*)> Send;
    TXmlErrorType Expected;
  };
  const std::vector<Case> cases = {
      {"comment --", [](TXmlStandardDocReader& r, TXmlSignal* s) { r.SendComment(s, u"a--b"); },
       EK_DOUBLE_HYPHEN_IN_COMMENT},
      {"comment ends -", [](TXmlStandardDocReader& r, TXmlSignal* s) { r.SendComment(s, u"a-"); },
       EK_HYPHEN_AT_COMMENT_END},
      {"reference name", [](TXmlStandardDocReader& r, TXmlSignal* s) { r.SendEntityRef(s, u"1x"); },
       EK_INVALID_ENTITY_NAME},
      {"instruction ?>", [](TXmlStandardDocReader& r, TXmlSignal* s) { r.SendProcessingInstruction(s, u"t a?>b"); },
       EK_INVALID_PROCESSING_INSTRUCTION},
      {"section ]]>", [](TXmlStandardDocReader& r, TXmlSignal* s) { r.SendCData(s, u"x]]>y"); },
       EK_INVALID_CDATA_SECTION},
  };
  // Each trigger is a token of the kind whose checks the tokenizer made.
  const std::vector<std::pair<std::string, std::string>> triggers = {
      {"<r><!--ok--></r>", "Comment 'ok'"},
      {"<r>&ok;</r>", "Ref ok"},
      {"<r><?t ok?></r>", "PI t|ok"},
      {"<r><![CDATA[ok]]></r>", "CData 'ok'"},
  };
  for (const auto& [input, trigger] : triggers) {
    for (const auto& c : cases) {
      SCOPED_TRACE(input + " / " + c.Name);
      TRun run;
      TXmlWFTestHandler checker;
      run.Reader.SetNextHandler(&checker);
      checker.SetNextHandler(&run.Probe);
      std::vector<TXmlErrorType> errors;
      run.Reader.OnError = [&](TPersistent*, TDomError* e) { errors.push_back(e->Kind); };
      run.Impl.OnError = [](TPersistent*, TDomError*, bool& go) { go = true; };
      bool sent = false;
      run.Probe.OnSignal = [&](TXmlSignal* s) {
        if (sent || Fields(s) != trigger) return;
        sent = true;
        c.Send(run.Reader, s);
      };
      EXPECT_TRUE(run.Parse(input));
      EXPECT_TRUE(sent);
      EXPECT_EQ(errors, std::vector<TXmlErrorType>{c.Expected});
    }
  }
}
