// Document reader: the signal sequence (class, fields, positions) and the reported errors for
// each kind of token, start-tag splitting, character references, processing instructions,
// document type declarations, the signals' own checks, and the error handling's answer.
#include "dom/DomImplementation.h"
#include "platform/Streams.h"
#include "xml/XmlDoctypeDeclTokenizer.h"
#include "xml/XmlInputSource.h"
#include "xml/XmlReader.h"
#include "xml/XmlSignals.h"

#include "XmlTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

// One line per signal: its kind, its fields, and " !N" when its own check fails with N.
std::string Describe(const TXmlSignal* s) {
  std::string out;
  if (auto* x = dynamic_cast<const TXmlStartDocumentSignal*>(s)) out = "StartDocument";
  else if (auto* x = dynamic_cast<const TXmlStartElementSignal*>(s)) out = "Start " + Show(x->TagName);
  else if (auto* x = dynamic_cast<const TXmlAttributeSignal*>(s)) out = "Attr " + Show(x->Name) + "=" + Show(x->Value);
  else if (auto* x = dynamic_cast<const TXmlEndElementSignal*>(s)) out = "End " + Show(x->TagName);
  else if (auto* x = dynamic_cast<const TXmlPCDATASignal*>(s))
    out = "Text '" + Show(x->Data) + "'" + (x->CharRefGenerated ? " ref" : "");
  else if (auto* x = dynamic_cast<const TXmlCDATASignal*>(s)) out = "CData '" + Show(x->Data) + "'";
  else if (auto* x = dynamic_cast<const TXmlCommentSignal*>(s)) out = "Comment '" + Show(x->Data) + "'";
  else if (auto* x = dynamic_cast<const TXmlProcessingInstructionSignal*>(s))
    out = "PI " + Show(x->Target) + "|" + Show(x->Data);
  else if (auto* x = dynamic_cast<const TXmlEntityRefSignal*>(s)) out = "Ref " + Show(x->EntityName);
  else if (auto* x = dynamic_cast<const TXmlDoctypeSignal*>(s))
    out = "Doctype " + Show(x->DoctypeName) + "|" + Show(x->PublicId) + "|" + Show(x->SystemId) + "|" + Show(x->Data);
  else if (dynamic_cast<const TXmlCompletedSignal*>(s)) out = "Completed";
  else if (dynamic_cast<const TXmlAbortedSignal*>(s)) out = "Aborted";
  else out = "?";
  TXmlErrorType kind = EK_NONE;
  WideString offending, clue;
  s->CheckWellFormed(kind, offending, clue);
  if (kind != EK_NONE) out += " !" + std::to_string(kind);
  return out;
}

// The end of the chain: records every signal, and raises on a chosen one.
class TRecordingHandler : public TXmlCustomHandler {
public:
  explicit TRecordingHandler(std::vector<std::string>* log) : Log_(log) {}
  void ProcessSignal(TXmlSignal* signal) override {
    const std::string line = Describe(signal);
    Log_->push_back(line);
    Signals.push_back(signal->CloneFor(nullptr));
    if (line == RaiseOn) throw EConvertError("handler failed");
  }
  std::string RaiseOn;
  std::vector<std::unique_ptr<TXmlSignal>> Signals;

private:
  std::vector<std::string>* Log_;
};

// A reader with a recording handler and an implementation; errors go into the same log.
struct Reading {
  Reading() : Handler(&Log) {
    Reader.SetDOMImpl(&Impl);
    Reader.SetNextHandler(&Handler);
    Reader.OnError = [this](TPersistent*, TDomError* e) {
      Log.push_back("Error " + std::to_string(e->Kind) + " '" + Show(e->OffendingText()) + "' '" +
                    Show(e->Clue()) + "'");
    };
  }
  bool Parse(const std::string& bytes) {
    TMemoryStream stream(bytes);
    TXmlInputSource source(&stream, u"", u"file:///r.xml", 4096, nullptr, false, 0, 0, 0, 0, 1);
    return Reader.ParseDocument(&source);
  }
  std::vector<std::string> Log;
  TDomImplementation Impl;
  TRecordingHandler Handler;
  TXmlStandardDocReader Reader;
};

// The log between StartDocument and Completed (or Aborted, which is kept).
std::vector<std::string> Body(const std::string& bytes, bool* result = nullptr) {
  Reading r;
  const bool ok = r.Parse(bytes);
  if (result) *result = ok;
  std::vector<std::string> out(r.Log.begin(), r.Log.end());
  if (!out.empty() && out.front() == "StartDocument") out.erase(out.begin());
  if (!out.empty() && out.back() == "Completed") out.pop_back();
  return out;
}

struct SignalCase {
  std::string Input;
  std::vector<std::string> Expected;
};

void RunCases(const std::vector<SignalCase>& cases) {
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Input);
    EXPECT_EQ(Body(c.Input), c.Expected);
  }
}

using Lines = std::vector<std::string>;

}  // namespace

TEST(DocReader, StartTagSplitting) {
  RunCases({
      {"<a b='1' c='2'/>", {"Start a", "Attr b=1", "Attr c=2", "End a"}},
      {"<a  b = \"1\"\tc='x\"y' >", {"Start a", "Attr b=1", "Attr c=x\"y"}},
      {"<a b='1'c='2'>", {"Start a", "Attr b=1", "Error 80 '' ' '", "Aborted"}},
      {"<a b='1' b='2'>", {"Start a", "Attr b=1", "Error 49 'b' ''", "Aborted"}},
      {"<a b>", {"Start a", "Error 77 '' '='", "Aborted"}},
      {"<a b=1>", {"Start a", "Error 78 '' '\"'", "Aborted"}},
      // The quote protects the ">", so the tag never ends and the tokenizer reports it.
      {"<a b='1>", {"Error 95 'a b='1>' ''>'", "Aborted"}},
      {"<a b='&lt;' c='&#60;'/>", {"Start a", "Attr b=&lt;", "Attr c=&#60;", "End a"}},
      {"<1a/>", {"Start 1a !62", "End 1a !62"}},
  });
}

// A NUL does not end the tag: the name and the value keep it and their checks refuse them.
TEST(DocReader, NulInsideTagIsKeptAndRefused) {
  RunCases({
      {std::string("<a\0b='1'>", 9), {"Start a\\u0000b='1' !62"}},
      {std::string("<a b='x\0' c='2'/>", 17), {"Start a", "Attr b=x\\u0000 !57", "Attr c=2", "End a"}},
      {std::string("<a b\0='1'/>", 11), {"Start a", "Attr b\\u0000=1 !56", "End a"}},
  });
}

TEST(DocReader, CharacterReferences) {
  RunCases({
      {"&#65;", {"Text 'A' ref"}},
      {"&#x41;", {"Text 'A' ref"}},
      {"&#x1F600;", {"Text '\\uD83D\\uDE00' ref"}},
      {"&#0;", {"Text '\\u0000' ref !59"}},
      {"&#xD800;", {"Error 60 '&#xD800;' ''", "Aborted"}},
      {"&#xDFFF;", {"Error 60 '&#xDFFF;' ''", "Aborted"}},
      {"&#x110000;", {"Error 60 '&#x110000;' ''", "Aborted"}},
      {"&#1114112;", {"Error 60 '&#1114112;' ''", "Aborted"}},
      // 2^32 + 65 would wrap round to "A" in 32-bit arithmetic.
      {"&#4294967361;", {"Error 60 '&#4294967361;' ''", "Aborted"}},
      {"&#x100000041;", {"Error 60 '&#x100000041;' ''", "Aborted"}},
      {"&#;", {"Error 60 '&#;' ''", "Aborted"}},
      {"&#x10FFFF;", {"Text '\\uDBFF\\uDFFF' ref"}},
  });
}

// Error 60 is fatal, so the parse stops; an error handling that goes on sees the text after.
TEST(DocReader, FailedCharacterReferenceSendsNothing) {
  bool ok = true;
  EXPECT_EQ(Body("&#xD800;x", &ok), (Lines{"Error 60 '&#xD800;' ''", "Aborted"}));
  EXPECT_FALSE(ok);
}

TEST(DocReader, OtherTokens) {
  RunCases({
      {"", {}},
      {"<?target   some data?>", {"PI target|some data"}},
      {"<?target?>", {"PI target|"}},
      {"<?xml-stylesheet a?>", {"PI xml-stylesheet|a"}},
      {"<?XmL x?>", {"PI XmL|x !66"}},
      {"a]]>b", {"Text 'a]]>b' !59"}},
      {"<!--a-->", {"Comment 'a'"}},
      {"<!--a--b-->", {"Error 51 'a' '>'", "Aborted"}},
      {"<![CDATA[x<y]]>", {"CData 'x<y'"}},
      {"&amp;&1;", {"Ref amp", "Error 76 '' ''", "Aborted"}},
      {"</a >", {"End a"}},
      {"<a>x\ny</a>", {"Start a", "Text 'x\\u000Ay'", "End a"}},
  });
}

TEST(DocReader, DocumentFrame) {
  Reading r;
  EXPECT_TRUE(r.Parse("<?xml version='1.0' encoding='UTF-8' standalone='no'?><a/>"));
  EXPECT_EQ(r.Log, (Lines{"StartDocument", "Start a", "End a", "Completed"}));
  auto* start = dynamic_cast<TXmlStartDocumentSignal*>(r.Handler.Signals.front().get());
  ASSERT_NE(start, nullptr);
  EXPECT_EQ(start->Version, u"1.0");
  EXPECT_EQ(start->EncodingName, u"UTF-8");
  EXPECT_EQ(start->StandaloneDecl, 1);
  EXPECT_FALSE(start->InputEncoding.empty());
}

// Every signal carries the positions of the token it came from, and its reader.
TEST(DocReader, SignalPositions) {
  Reading r;
  ASSERT_TRUE(r.Parse("<r>\n <a b='1'/>x</r>"));
  struct Pos {
    std::string Line;
    std::int64_t StartChar, EndChar, StartLine, StartColumn;
  };
  const std::vector<Pos> expected = {
      {"Start r", 2, 2, 1, 2},    {"Text '\\u000A '", 4, 5, 2, 0}, {"Start a", 7, 13, 2, 3},
      {"Attr b=1", 7, 13, 2, 3}, {"End a", 7, 13, 2, 3},           {"Text 'x'", 16, 16, 2, 12},
      {"End r", 19, 19, 2, 15},
  };
  ASSERT_EQ(r.Handler.Signals.size(), expected.size() + 2);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const TXmlSignal* s = r.Handler.Signals[i + 1].get();
    SCOPED_TRACE(expected[i].Line);
    EXPECT_EQ(Describe(s), expected[i].Line);
    EXPECT_EQ(s->StartChar(), expected[i].StartChar);
    EXPECT_EQ(s->EndChar(), expected[i].EndChar);
    EXPECT_EQ(s->StartLine(), expected[i].StartLine);
    EXPECT_EQ(s->StartColumn(), expected[i].StartColumn);
    EXPECT_EQ(s->SourceUri(), u"file:///r.xml");
  }
}

TEST(DocReader, DoctypeDeclarations) {
  RunCases({
      {"<!DOCTYPE a>", {"Doctype a|||"}},
      {"<!DOCTYPE a SYSTEM 'x.dtd'>", {"Doctype a||x.dtd|"}},
      {"<!DOCTYPE a PUBLIC '-//p//EN' \"s.dtd\">", {"Doctype a|-//p//EN|s.dtd|"}},
      {"<!DOCTYPE a [<!ELEMENT a ANY>]>", {"Doctype a|||<!ELEMENT a ANY>"}},
      {"<!DOCTYPE a SYSTEM \"s\" [ <!ENTITY e ']'> ] >", {"Doctype a||s| <!ENTITY e ']'> "}},
      {"<!DOCTYPE a PUBLIC 'a|b' 's'>", {"Doctype a|a|b|s| !67"}},
      {"<!DOCTYPE 1a>", {"Doctype 1a||| !125"}},
      {"<!DOCTYPE a PUBLIK 'x'>", {"Error 84 '' 'PUBLIC'", "Aborted"}},
      {"<!DOCTYPEa>", {"Error 80 '' ' '", "Aborted"}},
  });
}

struct DoctypeToken {
  int Kind;
  std::string Value;
  int Error;
  std::string Clue;
  bool operator==(const DoctypeToken&) const = default;
};

std::ostream& operator<<(std::ostream& os, const DoctypeToken& t) {
  return os << "{" << t.Kind << " '" << t.Value << "' " << t.Error << " '" << t.Clue << "'}";
}

std::vector<DoctypeToken> DoctypeTokens(const WideString& text) {
  TXmlDoctypeDeclTokenizer tokenizer(text, u"u", 0, 0, 0, 0, 1);
  std::vector<DoctypeToken> out;
  for (int guard = 0; guard < 10; ++guard) {
    tokenizer.NextToken();
    out.push_back({tokenizer.TokenType(), Show(tokenizer.GetTokenValue()), tokenizer.ErrorType(),
                   Show(tokenizer.Clue())});
    if (tokenizer.TokenType() == dtEnd || tokenizer.ErrorType() != EK_NONE) break;
  }
  return out;
}

TEST(DoctypeDeclTokenizer, TokensAndErrors) {
  struct Case {
    WideString Text;
    std::vector<DoctypeToken> Expected;
  };
  const std::vector<Case> cases = {
      {u" a", {{2, "a", 0, ""}, {0, "", 0, ""}}},
      {u" a PUBLIC 'p' 's' [x]",
       {{2, "a", 0, ""}, {3, "p", 0, ""}, {5, "s", 0, ""}, {1, "x", 0, ""}, {0, "", 0, ""}}},
      {u" a PUBLIX 'p'", {{2, "a", 0, ""}, {2, "", 84, "PUBLIC"}}},
      {u" a PUBLIC p", {{2, "a", 0, ""}, {3, "", 85, "\""}}},
      {u" a PUBLIC 'p", {{2, "a", 0, ""}, {3, "p", 85, "'"}}},
      {u" a PUBLIC'p'", {{2, "a", 0, ""}, {3, "", 80, " "}}},
      {u" a SYSTEx 's'", {{2, "a", 0, ""}, {2, "", 90, "SYSTEM"}}},
      {u" a other", {{2, "a", 0, ""}, {2, "", 90, "SYSTEM"}}},
      {u" a SYSTEM 's' x", {{2, "a", 0, ""}, {5, "s", 0, ""}, {5, "", 72, "["}}},
      {u" a [ ] x", {{2, "a", 0, ""}, {1, " ", 0, ""}, {1, "", 94, ""}}},
      {u" a [<!-- ] -- x -->]", {{2, "a", 0, ""}, {1, "<!-- ] --", 93, "-->"}}},
      {u" a [<!-- ] --><?p ]?>\"]\"]",
       {{2, "a", 0, ""}, {1, "<!-- ] --><?p ]?>\"]\"", 0, ""}, {0, "", 0, ""}}},
      {u" a [<!---->]", {{2, "a", 0, ""}, {1, "<!---->", 0, ""}, {0, "", 0, ""}}},
      {u" a [<!ELEMENT a ANY>", {{2, "a", 0, ""}, {1, "<!ELEMENT a ANY>", 88, "]"}}},
      {u"a", {{2, "", 80, " "}}},
      // U+10020: its low 16 bits would name a space.
      {u" a\U00010020b", {{2, "a\\uD800\\uDC20b", 0, ""}, {0, "", 0, ""}}},
      {u"\U00010020a", {{2, "", 80, " "}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Show(c.Text));
    EXPECT_EQ(DoctypeTokens(c.Text), c.Expected);
  }
}

// The subset's place is recorded from the origin the reader gives the doctype tokenizer.
TEST(DoctypeDeclTokenizer, PositionsFollowTheOrigin) {
  TXmlDoctypeDeclTokenizer tokenizer(u" a\n[x]", u"file:///d", 100, 50, 7, 0, 3);
  tokenizer.NextToken();
  // Each token starts at the record after the previous one: here the leading space.
  EXPECT_EQ(tokenizer.StartChar(), 51);
  EXPECT_EQ(tokenizer.StartLine(), 3);
  tokenizer.NextToken();
  EXPECT_EQ(tokenizer.TokenType(), dtIntSubset);
  EXPECT_EQ(tokenizer.StartChar(), 53);  // the line feed before "["
  EXPECT_EQ(tokenizer.StartLine(), 4);
  EXPECT_EQ(tokenizer.SourceUri(), u"file:///d");
}

TEST(SignalChecks, AttributeValues) {
  struct Case {
    WideString Name, Value;
    int Kind;
    WideString Offending;
  };
  const std::vector<Case> cases = {
      {u"a", u"plain &amp; &#65; &#x41; &lt;", 0, u""},
      {u"1a", u"x", 56, u"1a"},
      {u"a", WideString(u"x\u0001y"), 57, WideString(u"\u0001")},
      {u"a", WideString(u"x\uFFFEy"), 57, WideString(u"\uFFFE")},
      {u"a", u"&#0;", 60, u"&#0;"},
      {u"a", u"&#xD800;", 60, u"&#xD800;"},
      {u"a", u"&#4294967361;", 60, u"&#4294967361;"},
      {u"a", u"&#x;", 60, u"&#x;"},
      {u"a", u"x&;y", 64, u""},
      {u"a", u"&1x;", 64, u"1x"},
      {u"a", u"a<b", 73, u"<"},
      {u"a", u"&#65", 92, u"&#65"},
      {u"a", u"ok&#", 92, u"ok&#"},
      {u"a", u"&amp", 96, u"&amp"},
      {u"a", u"&", 96, u"&"},
      {u"a", u"<&;", 73, u"<"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Show(c.Name + u"=" + c.Value));
    TXmlAttributeSignal s(nullptr, nullptr);
    s.Name = c.Name;
    s.Value = c.Value;
    TXmlErrorType kind = EK_NONE;
    WideString offending = u"stale", clue = u"stale";
    s.CheckWellFormed(kind, offending, clue);
    EXPECT_EQ(kind, c.Kind);
    EXPECT_EQ(Show(offending), Show(c.Offending));
    EXPECT_EQ(clue, u"");
  }
}

TEST(SignalChecks, OtherClasses) {
  struct Case {
    std::string Name;
    std::unique_ptr<TXmlSignal> Signal;
    int Kind;
    WideString Offending, Clue;
  };
  auto comment = [](const WideString& d) {
    auto s = std::make_unique<TXmlCommentSignal>(nullptr, nullptr);
    s->Data = d;
    return s;
  };
  auto pi = [](const WideString& t, const WideString& d) {
    auto s = std::make_unique<TXmlProcessingInstructionSignal>(nullptr, nullptr);
    s->Target = t;
    s->Data = d;
    return s;
  };
  auto start = [](const WideString& enc, const WideString& version) {
    auto s = std::make_unique<TXmlStartDocumentSignal>(nullptr, nullptr);
    s->EncodingName = enc;
    s->Version = version;
    return s;
  };
  auto cdata = [](const WideString& d) {
    auto s = std::make_unique<TXmlCDATASignal>(nullptr, nullptr);
    s->Data = d;
    return s;
  };
  std::vector<Case> cases;
  cases.push_back({"comment ok", comment(u"a - b"), 0, u"", u""});
  cases.push_back({"comment --", comment(u"a--b-"), 51, u"--", u"-"});
  cases.push_back({"comment ends -", comment(u"a-"), 55, u"-", u""});
  cases.push_back({"comment bad char", comment(WideString(u"a\u0002")), 59, WideString(u"a\u0002"), u""});
  cases.push_back({"empty comment", comment(u""), 0, u"", u""});
  cases.push_back({"pi ok", pi(u"t", u"d"), 0, u"", u""});
  cases.push_back({"pi target xml", pi(u"xMl", u"d"), 66, u"xMl", u""});
  cases.push_back({"pi ?> in data", pi(u"t", u"a?>b"), 66, u"?>", u""});
  cases.push_back({"pi bad data", pi(u"t", WideString(u"\uFFFF")), 59, WideString(u"\uFFFF"), u""});
  cases.push_back({"start ok", start(u"UTF-8", u"1.0"), 0, u"", u""});
  cases.push_back({"start encoding", start(u"8bit", u"1.0"), 63, u"", u""});
  cases.push_back({"start version", start(u"", u"1 0"), 70, u"", u""});
  cases.push_back({"start both bad", start(u"-x", u"?"), 63, u"", u""});
  cases.push_back({"cdata ]]>", cdata(u"a]]>"), 58, u"", u""});
  cases.push_back({"cdata lone surrogate", cdata(WideString(u"\xD800")), 58, u"", u""});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TXmlErrorType kind = EK_NONE;
    WideString offending, clue;
    c.Signal->CheckWellFormed(kind, offending, clue);
    EXPECT_EQ(kind, c.Kind);
    EXPECT_EQ(Show(offending), Show(c.Offending));
    EXPECT_EQ(Show(clue), Show(c.Clue));
  }
}

TEST(SignalChecks, ScopesAndClones) {
  Reading r;
  TXmlDoctypeSignal doctype(&r.Reader, nullptr, nullptr, u"u", 1, 2, 3, 4, 5, 6, 7, 8, 9, 10);
  doctype.DoctypeName = u"d";
  doctype.IntSubsetStartLine = 42;
  TXmlStandardDocReader other;
  auto clone = doctype.CloneFor(&other);
  auto* copy = dynamic_cast<TXmlDoctypeSignal*>(clone.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Reader(), &other);
  EXPECT_EQ(copy->DoctypeName, u"d");
  EXPECT_EQ(copy->IntSubsetStartLine, 42);
  EXPECT_EQ(copy->EndTabs(), 1);
  EXPECT_EQ(copy->StartByte(), 10);
  EXPECT_EQ(copy->SourceUri(), u"u");
  TXmlSignal* none = nullptr;
  TXmlPCDATASignal nowhere(nullptr, none);
  EXPECT_EQ(nowhere.StartLine(), -1);
  EXPECT_EQ(nowhere.EndByte(), -1);

  EXPECT_EQ(TXmlStartElementSignal(nullptr, nullptr).Scope(), ssDoc);
  EXPECT_EQ(TXmlCommentSignal(nullptr, nullptr).Scope(), ssDoc | ssDtd);
  EXPECT_EQ(TXmlCompletedSignal(nullptr, nullptr).Scope(), ssDoc | ssDtd);
  EXPECT_EQ(TXmlStartIntDtdSignal(nullptr, nullptr).Scope(), ssDtd);
  EXPECT_EQ(TXmlEntityDeclarationSignal(nullptr, nullptr).Scope(), ssDtd);
}

// The error handling decides: by default a fatal error stops the parse; an OnError that
// answers "go on" lets the reader act on the following tokens.
TEST(DocReader, ErrorHandlingAnswer) {
  struct Case {
    bool GoOn;
    bool Result;
    Lines Expected;
  };
  const std::vector<Case> cases = {
      {false, false, {"StartDocument", "Start a", "Attr b=1", "Error 80 '' ' '", "Aborted"}},
      {true, true,
       {"StartDocument", "Start a", "Attr b=1", "Error 80 '' ' '", "Text 'x'", "Error 60 '&#xD800;' ''", "End a",
        "Completed"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.GoOn);
    Reading r;
    r.Impl.OnError = [&c](TPersistent*, TDomError*, bool& go) { go = c.GoOn; };
    EXPECT_EQ(r.Parse("<a b='1'c='2'>x&#xD800;</a>"), c.Result);
    EXPECT_EQ(r.Log, c.Expected);
  }
}

// A handler that raises ends the parse as a stopped one; the signal it was given is still
// freed (the sanitizer build would report it otherwise).
TEST(DocReader, HandlerExceptionAbortsTheParse) {
  Reading r;
  r.Handler.RaiseOn = "Start b";
  EXPECT_FALSE(r.Parse("<a><b/></a>"));
  EXPECT_EQ(r.Log, (Lines{"StartDocument", "Start a", "Start b", "Aborted"}));
}

TEST(DocReader, WithoutImplementationOrHandler) {
  // Without an implementation only a fatal error stops.
  Reading r;
  r.Reader.SetDOMImpl(nullptr);
  EXPECT_FALSE(r.Parse("<a b>"));
  EXPECT_EQ(r.Log.back(), "Aborted");
  TXmlErrorType kind = EK_NONE;
  WideString text = u"x";
  r.Reader.ResolveResource(u"", u"", u"file:///none", kind, text);
  EXPECT_EQ(kind, EK_RESOURCE_NOT_RESOLVED);
  EXPECT_EQ(text, u"");
  // A destroyed handler or implementation leaves no dangling reference behind.
  TXmlStandardDocReader reader;
  {
    TDomImplementation impl;
    std::vector<std::string> log;
    TRecordingHandler handler(&log);
    reader.SetDOMImpl(&impl);
    reader.SetNextHandler(&handler);
  }
  EXPECT_EQ(reader.DOMImpl(), nullptr);
  EXPECT_EQ(reader.NextHandler(), nullptr);
  TMemoryStream stream(std::string("<a><b/>"));
  TXmlInputSource source(&stream, u"", u"", 4096, nullptr, false, 0, 0, 0, 0, 1);
  EXPECT_TRUE(reader.ParseDocument(&source));
}

TEST(DocReader, HandlerReportErrorWithoutReader) {
  std::vector<std::string> log;
  TRecordingHandler handler(&log);
  EXPECT_NO_THROW(handler.ReportError(nullptr, EK_DOCTYPE_TOKENIZER_WARNING, nullptr, u"", u""));
  EXPECT_NO_THROW(handler.ReportError(nullptr, EK_VALIDITY_8, nullptr, u"", u""));
  try {
    handler.ReportError(nullptr, EK_END_TAG_MISMATCH, nullptr, u"", u"");
    FAIL() << "no exception";
  } catch (const EParserException& e) {
    EXPECT_EQ(e.Message, "Signal Processing Exception");
  }
}
