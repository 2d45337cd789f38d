// The parser front end with its well-formedness handler and tree builder: tree shapes,
// reported errors, argument checks and the document list after every outcome.
#include "dom/DomImplementation.h"
#include "dom/DomLists.h"
#include "dom/DomNodes.h"
#include "dom/WideStringUtils.h"
#include "platform/Utf16.h"
#include "xml/DomError.h"
#include "xml/ResourceResolver.h"
#include "xml/XmlInputSource.h"
#include "xml/XmlToDomParser.h"
#include "xml/XmlWFTestHandler.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A node and its subtree in a compact form: element name{attr=value,...}[children],
// "text" (with * when it came from a character reference), <![cdata]>, &name;,
// <!--comment-->, <?target data?>, <!DOCTYPE name>.
std::string Shape(const TDomNode* node) {
  std::string out;
  switch (node->nodeType()) {
    case ntTextNode:
      out = "\"" + WideToUtf8(node->nodeValue()) + "\"";
      if (static_cast<const TDomText*>(node)->IsCharRef()) out += "*";
      return out;
    case ntCDATASectionNode: return "<![" + WideToUtf8(node->nodeValue()) + "]>";
    case ntCommentNode: return "<!--" + WideToUtf8(node->nodeValue()) + "-->";
    case ntProcessingInstructionNode:
      return "<?" + WideToUtf8(node->nodeName()) + " " + WideToUtf8(node->nodeValue()) + "?>";
    case ntDocumentTypeDeclNode: return "<!DOCTYPE " + WideToUtf8(node->nodeName()) + ">";
    case ntEntityReferenceNode: out = "&" + WideToUtf8(node->nodeName()) + ";"; break;
    case ntElementNode: {
      out = WideToUtf8(node->nodeName());
      const TDomNamedNodeMap* attributes = node->attributes();
      if (attributes != nullptr && attributes->getLength() > 0) {
        out += "{";
        for (int i = 0; i < attributes->getLength(); ++i) {
          if (i > 0) out += ",";
          out += WideToUtf8(attributes->item(i)->nodeName()) + "=" + WideToUtf8(attributes->item(i)->nodeValue());
        }
        out += "}";
      }
      break;
    }
    default: break;
  }
  const TDomNodeList* children = node->childNodes();
  if (children != nullptr && children->getLength() > 0) {
    out += "[";
    for (int i = 0; i < children->getLength(); ++i) {
      if (i > 0) out += ",";
      out += Shape(children->item(i));
    }
    out += "]";
  }
  return out;
}

struct TReported {
  int Kind;
  std::string Offending;
  std::string Clue;
  bool operator==(const TReported&) const = default;
};

std::ostream& operator<<(std::ostream& os, const TReported& r) {
  return os << "{" << r.Kind << ", \"" << r.Offending << "\", \"" << r.Clue << "\"}";
}

class ParserTest : public ::testing::Test {
protected:
  ParserTest() {
    Implementation.SetResourceResolver(&Resolver);
    Implementation.OnError = [this](TPersistent*, TDomError* error, bool& go) {
      Reported.push_back({error->Kind, WideToUtf8(error->OffendingText()), WideToUtf8(error->Clue())});
      if (Answer) go = *Answer;
    };
    Parser.SetDOMImpl(&Implementation);
  }

  int DocumentCount() const { return Implementation.documents()->getLength(); }

  // Parses text; the document's shape, or the exception's class and message.
  std::string Parse(const std::string& text) {
    Reported.clear();
    try {
      std::unique_ptr<TDomDocument> document(Parser.ParseString(text, u"file:///test.xml", nullptr, true));
      if (!document) return "no document";
      return Shape(document.get());
    } catch (const Exception& e) {
      return std::string(e.ClassName()) + ": " + e.what();
    }
  }

  TStandardResourceResolver Resolver;
  TDomImplementation Implementation;
  TXmlToDomParser Parser;
  std::vector<TReported> Reported;
  std::optional<bool> Answer;
};

const std::string kParserError = "EParserException: Parser error.";

TEST_F(ParserTest, TreeShapes) {
  struct Row {
    const char* Input;
    bool KeepEntityRefs, KeepCDATASections, KeepComments;
    std::string Shape;
  };
  const Row rows[] = {
      {"<?xml version='1.0' encoding='windows-1250'?>\r\n<a>\r\n<b>x</b>\r\n</a>\r\n", true, true, true,
       "[a[\"\n\",b[\"x\"],\"\n\"]]"},
      {"<a>x&amp;y</a>", true, true, true, "[a[\"x\",&amp;,\"y\"]]"},
      {"<a>x&amp;y</a>", false, true, true, "[a[\"x&y\"]]"},
      {"<a>&lt;&gt;&apos;&quot;</a>", false, true, true, "[a[\"<>'\"\"]]"},
      {"<!DOCTYPE a [<!ENTITY o 'p<b>q</b>'>]><a>&lt;&o;</a>", false, true, true,
       "[<!DOCTYPE a>,a[\"<p\",b[\"q\"]]]"},
      {"<a>x&#65;y<![CDATA[z]]></a>", true, true, true, "[a[\"xAy\"*,<![z]>]]"},
      {"<a>x&#65;y<![CDATA[z]]></a>", true, false, true, "[a[\"xAyz\"*]]"},
      {"<a><![CDATA[z]]>&#65;</a>", true, false, true, "[a[\"zA\"*]]"},
      {"<a>x<!--c-->y</a>", true, true, true, "[a[\"x\",<!--c-->,\"y\"]]"},
      {"<a>x<!--c-->y</a>", true, true, false, "[a[\"xy\"]]"},
      {"<!--c--> <?p d?><a/>\n<!--e-->", true, true, true, "[<!--c-->,<?p d?>,a,<!--e-->]"},
      {"<a x='1' y=\"2\"><b/></a>", true, true, true, "[a{x=1,y=2}[b]]"},
      {"<!DOCTYPE a><a/>", true, true, true, "[<!DOCTYPE a>,a]"},
      {"<a>\xC3\xA1</a>", true, true, true, "[a[\"\xC3\xA1\"]]"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.Input);
    Parser.SetKeepEntityRefs(row.KeepEntityRefs);
    Parser.SetKeepCDATASections(row.KeepCDATASections);
    Parser.SetKeepComments(row.KeepComments);
    EXPECT_EQ(Parse(row.Input), row.Shape);
    EXPECT_EQ(Reported, std::vector<TReported>{});
    EXPECT_EQ(DocumentCount(), 0);
  }
}

TEST_F(ParserTest, OrderErrorsEndTheParse) {
  struct Row {
    const char* Input;
    TReported Error;
  };
  const Row rows[] = {
      {"<a/><b/>", {52, "b", ""}},
      {"<a>", {75, "", "a"}},
      {"<a><b>", {75, "", "b"}},
      {" ", {89, "", ""}},
      {"<!--only a comment-->", {89, "", ""}},
      {"</a>", {79, "a", ""}},
      {"<a></b>", {79, "b", ""}},
      {"<a></A>", {79, "A", ""}},
      {"x<a/>", {81, "x", ""}},
      {"<a/>y", {81, "y", ""}},
      {"&#65;<a/>", {81, "&#", ""}},
      {"<a/>&amp;", {81, "&amp;", ""}},
      {"<!DOCTYPE a><!DOCTYPE a><a/>", {102, "a", ""}},
      {"<a/><!DOCTYPE a>", {99, "a", ""}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.Input);
    EXPECT_EQ(Parse(row.Input), kParserError);
    ASSERT_EQ(Reported.size(), 1u);
    EXPECT_EQ(Reported[0], row.Error);
    EXPECT_EQ(DocumentCount(), 0);
    EXPECT_EQ(Parser.Builder()->ReferenceNode(), nullptr);
    EXPECT_EQ(Parser.WFTestHandler()->Mode(), 0);
    EXPECT_EQ(Parser.WFTestHandler()->OpenElements().Count(), 0);
  }
  // White space around the document element is no error.
  EXPECT_EQ(Parse(" <a/> "), "[a]");
  EXPECT_EQ(Reported, std::vector<TReported>{});
}

TEST_F(ParserTest, ErrorHandlingThatGoesOnKeepsRefusedSignalsOutOfTheTree) {
  Answer = true;
  struct Row {
    const char* Input;
    std::string Shape;
    std::vector<int> Kinds;
  };
  const Row rows[] = {
      // The refused start tag leaves its end tag unmatched.
      {"<a/><b/>", "[a]", {52, 79}},
      {"<a></b>x</a>", "[a[\"x\"]]", {79}},
      {"x<a/>y", "[a]", {81, 81}},
      {"<a/><!DOCTYPE a>", "[a]", {99}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.Input);
    EXPECT_EQ(Parse(row.Input), row.Shape);
    std::vector<int> kinds;
    for (const TReported& r : Reported) kinds.push_back(r.Kind);
    EXPECT_EQ(kinds, row.Kinds);
    EXPECT_EQ(DocumentCount(), 0);
  }
}

TEST_F(ParserTest, DeclarationChecksComeBeforeTheDocument) {
  struct Row {
    const char* Name;
    std::string Input;
    int Kind;
  };
  const Row rows[] = {
      {"version 1.1", "<?xml version='1.1'?><a/>", 151},
      {"unknown encoding", "<?xml version='1.0' encoding='x-no-such-thing'?><a/>", 147},
      {"text declaration", "<?xml encoding='UTF-8'?><a/>", 71},
      // The style sheet is an instruction; the declaration behind it is one with the reserved target.
      {"style sheet before the declaration", "<?xml-stylesheet href='s.xsl'?><?xml version='1.0'?><a/>", 66},
      {"mark against declaration",
       std::string("\xFF\xFE<\0?\0x\0m\0l\0 \0v\0e\0r\0s\0i\0o\0n\0=\0'\0001\0.\0000\0'\0 \0e\0n\0c\0o\0d\0i\0n\0g\0=\0'\0U\0T\0F\0-\0008\0'\0?\0>\0<\0a\0/\0>\0",
                   76),
       45},
      {"windows-1250 bytes declared as UTF-8", "<?xml version='1.0' encoding='UTF-8'?><a>\x9A</a>", 59},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.Name);
    EXPECT_EQ(Parse(row.Input), kParserError);
    ASSERT_FALSE(Reported.empty());
    EXPECT_EQ(Reported[0].Kind, row.Kind);
    EXPECT_EQ(DocumentCount(), 0);
  }
}

TEST_F(ParserTest, MissingArgumentsRaiseAccessViolations) {
  TXmlToDomParser unwired;
  TUtilsWideStringList* noList = nullptr;
  struct Row {
    const char* Message;
    std::function<void()> Call;
  };
  const Row rows[] = {
      {"Filename not specified.", [&] { Parser.ParseFile(""); }},
      {"Stream not specified.", [&] { Parser.ParseStream(nullptr, u"", nullptr, true); }},
      {"Empty string.", [&] { Parser.ParseString("", u"", nullptr, true); }},
      {"Empty string.", [&] { Parser.ParseWideString(u"", u"", nullptr, true); }},
      {"Source code not specified.", [&] { Parser.ParseCharacterList(noList, u""); }},
      {"Input source not specified.", [&] { Parser.ParseInputSource(nullptr); }},
      {"Reference document fragment not specified.", [&] { Parser.ParseFragment(nullptr, nullptr); }},
      {"DOM implementation not specified.", [&] { unwired.ParseString("<a/>", u"", nullptr, true); }},
      {"DOM implementation not specified.", [&] { unwired.ParseUri(u"file:///x.xml", nullptr, true); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.Message);
    try {
      row.Call();
      ADD_FAILURE() << "nothing raised";
    } catch (const EParserException&) {
      ADD_FAILURE() << "a parser exception instead of the access violation";
    } catch (const EAccessViolation& e) {
      EXPECT_STREQ(e.what(), row.Message);
    }
    EXPECT_EQ(DocumentCount(), 0);
    EXPECT_TRUE(Reported.empty());
  }
}

TEST_F(ParserTest, BufferSize) {
  EXPECT_EQ(Parser.BufferSize(), 4096);
  EXPECT_THROW(Parser.SetBufferSize(1023), ENot_Supported_Err);
  EXPECT_EQ(Parser.BufferSize(), 4096);
  try {
    Parser.SetBufferSize(0);
  } catch (const ENot_Supported_Err& e) {
    EXPECT_STREQ(e.what(), "BufferSize must not be less than 1024.");
  }
  Parser.SetBufferSize(1024);
  EXPECT_EQ(Parser.BufferSize(), 1024);
  // A text longer than the buffer parses the same.
  std::string text = "<a>";
  for (int i = 0; i < 3000; ++i) text += "<b>x</b>";
  text += "</a>";
  const std::string shape = Parse(text);
  EXPECT_EQ(shape.substr(0, 17), "[a[b[\"x\"],b[\"x\"],");
  EXPECT_EQ(Reported, std::vector<TReported>{});
}

TEST_F(ParserTest, GoAnsweredBothWays) {
  // A fatal error let through: the parse ends normally with the refused signal left out.
  Answer = true;
  EXPECT_EQ(Parse("<a/><b/>"), "[a]");
  // No answer changes a fatal error: the parse stops.
  Answer.reset();
  EXPECT_EQ(Parse("<a/><b/>"), kParserError);
  EXPECT_EQ(DocumentCount(), 0);
  // The answer decides for errors without position too: a warning stopped, a fatal error let go.
  const struct {
    TXmlErrorType Kind;
    std::optional<bool> Answer;
    bool GoOn;
  } rows[] = {
      {EK_DOCTYPE_TOKENIZER_WARNING, std::nullopt, true},
      {EK_DOCTYPE_TOKENIZER_WARNING, false, false},
      {EK_MISSING_DOCUMENT_ELEMENT, std::nullopt, false},
      {EK_MISSING_DOCUMENT_ELEMENT, true, true},
  };
  for (const auto& row : rows) {
    Answer = row.Answer;
    EXPECT_EQ(Parser.SendErrorNotification(row.Kind), row.GoOn) << static_cast<int>(row.Kind);
  }
}

TEST_F(ParserTest, WithoutImplementationErrorsStillStopTheParse) {
  TXmlToDomParser parser;
  EXPECT_FALSE(parser.SendErrorNotification(EK_MISSING_DOCUMENT_ELEMENT));
  EXPECT_TRUE(parser.SendErrorNotification(EK_DOCTYPE_TOKENIZER_WARNING));
  EXPECT_FALSE(Parser.SendErrorNotification(EK_MISSING_DOCUMENT_ELEMENT));
  EXPECT_EQ(Reported, (std::vector<TReported>{{89, "", ""}}));
}

class ParserFileTest : public ParserTest {
protected:
  void SetUp() override {
    Dir = fs::temp_directory_path() / ("earmark-parser-" + std::to_string(::getpid()));
    fs::create_directories(Dir);
  }
  void TearDown() override { fs::remove_all(Dir); }
  std::string Write(const std::string& name, const std::string& bytes) {
    const fs::path path = Dir / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }
  fs::path Dir;
};

TEST_F(ParserFileTest, FilesAndUris) {
  const std::string order = Write("order.xml",
                                  "<?xml version=\"1.0\" encoding=\"windows-1250\"?>\r\n<objednavka>\r\n"
                                  "<name>\x8Eilina</name>\r\n</objednavka>\r\n");
  std::unique_ptr<TDomDocument> first(Parser.ParseFile(order));
  ASSERT_NE(first, nullptr);
  std::unique_ptr<TDomDocument> second(Parser.ParseFile(order));
  EXPECT_EQ(first->documentURI(), FileNameToUri(order));
  EXPECT_EQ(Shape(first.get()), "[objednavka[\"\n\",name[\"\xC5\xBDilina\"],\"\n\"]]");
  EXPECT_EQ(first->xmlEncoding(), u"windows-1250");
  ASSERT_EQ(DocumentCount(), 2);
  EXPECT_EQ(Implementation.documents()->item(1), second.get());
  second.reset();
  first.reset();
  EXPECT_EQ(DocumentCount(), 0);

  // An empty file: no document element.
  Reported.clear();
  EXPECT_THROW(Parser.ParseFile(Write("empty.xml", "")), EParserException);
  EXPECT_EQ(Reported, (std::vector<TReported>{{89, "", ""}}));
  EXPECT_EQ(DocumentCount(), 0);

  // A file that cannot be opened raises the platform's open error.
  EXPECT_THROW(Parser.ParseFile((Dir / "missing.xml").string()), EFOpenError);

  // A URI naming a missing file gives no document and raises nothing.
  EXPECT_EQ(Parser.ParseUri(FileNameToUri((Dir / "missing.xml").string()), nullptr, true), nullptr);
  std::unique_ptr<TDomDocument> byUri(Parser.ParseUri(FileNameToUri(order), nullptr, true));
  ASSERT_NE(byUri, nullptr);
  EXPECT_EQ(Shape(byUri.get()), "[objednavka[\"\n\",name[\"\xC5\xBDilina\"],\"\n\"]]");
}

TEST_F(ParserTest, CharacterListsAndWideStrings) {
  TUtilsWideStringList list;
  list.Add(u"<a>");
  list.Add(u"\u017Eaba");
  list.Add(u"</a>");
  std::unique_ptr<TDomDocument> document(Parser.ParseCharacterList(&list, u"file:///list.xml"));
  ASSERT_NE(document, nullptr);
  EXPECT_EQ(Shape(document.get()), "[a[\"\xC5\xBE" "aba\"]]");
  EXPECT_EQ(document->documentURI(), u"file:///list.xml");
  std::unique_ptr<TDomDocument> wide(Parser.ParseWideString(u"\uFEFF<b>\U0001F600</b>", u"", &TUTF16LECodec::ClassInfo, true));
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(Shape(wide.get()), "[b[\"\xF0\x9F\x98\x80\"]]");
}

TEST_F(ParserTest, DestroyedImplementationIsForgotten) {
  auto implementation = std::make_unique<TDomImplementation>();
  TXmlToDomParser parser;
  parser.SetDOMImpl(implementation.get());
  implementation.reset();
  EXPECT_EQ(parser.DOMImpl(), nullptr);
  EXPECT_THROW(parser.ParseString("<a/>", u"", nullptr, true), EAccessViolation);
}

TEST_F(ParserTest, FragmentsGoUnderTheReferenceNode) {
  struct Row {
    const char* Input;
    std::string Shape;  // of the fragment, or the exception
    std::vector<int> Kinds;
  };
  const Row rows[] = {
      {"<b/>text<c>x</c>", "[b,\"text\",c[\"x\"]]", {}},
      {"only text", "[\"only text\"]", {}},
      {"<b>", kParserError, {75}},
      {"</b>", kParserError, {79}},
  };
  TDomDocument document(&Implementation);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.Input);
    Reported.clear();
    TDomDocumentFragment* fragment = TDomDocumentFragment::Create(&document);
    TMemoryStream stream(row.Input);
    TXmlSimpleInputSource source(&stream, u"", u"", nullptr, 4096, 0, 0, 0, 0, 1);
    std::string shape;
    try {
      EXPECT_TRUE(Parser.ParseFragment(&source, fragment));
      shape = Shape(fragment);
    } catch (const Exception& e) {
      shape = std::string(e.ClassName()) + ": " + e.what();
    }
    EXPECT_EQ(shape, row.Shape);
    std::vector<int> kinds;
    for (const TReported& r : Reported) kinds.push_back(r.Kind);
    EXPECT_EQ(kinds, row.Kinds);
    EXPECT_EQ(Parser.Builder()->ReferenceNode(), nullptr);
  }
  EXPECT_EQ(DocumentCount(), 1);
}

}  // namespace
