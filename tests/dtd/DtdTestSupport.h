// Parses documents from text with the parser's defaults and keeps what was reported, so that
// the DTD tests can compare outcomes, error kinds and positions in tables.
#pragma once

#include "dom/DomImplementation.h"
#include "dom/DomLists.h"
#include "dom/DomNodes.h"
#include "dom/WideStringUtils.h"
#include "dtd/DtdValidationAgent.h"
#include "platform/Exceptions.h"
#include "platform/Utf16.h"
#include "xml/DomError.h"
#include "xml/ResourceResolver.h"
#include "xml/XmlToDomParser.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// The tree as a short text: elements by name with children in brackets, texts quoted,
// entity references as "&name;" followed by their children, comments as "<!--text-->", an
// element's attribute "a" in braces.
inline std::string Shape(TDomNode* node) {
  std::string out;
  switch (node->nodeType()) {
    case ntTextNode: return "\"" + WideToUtf8(node->nodeValue()) + "\"";
    case ntCommentNode: return "<!--" + WideToUtf8(node->nodeValue()) + "-->";
    case ntDocumentTypeDeclNode: return "D";
    case ntEntityReferenceNode: out = "&" + WideToUtf8(node->nodeName()) + ";"; break;
    case ntElementNode: {
      out = WideToUtf8(node->nodeName());
      const auto* element = static_cast<TDomElement*>(node);
      if (element->getAttribute(u"a") != u"") out += "{" + WideToUtf8(element->getAttribute(u"a")) + "}";
      break;
    }
    default: break;
  }
  const TDomNodeList* children = node->childNodes();
  if (children != nullptr && children->getLength() > 0) {
    out += "[";
    for (int i = 0; i < children->getLength(); ++i) out += (i > 0 ? "," : "") + Shape(children->item(i));
    out += "]";
  }
  return out;
}

struct TReportedError {
  int Kind = 0;
  std::string Offending;
  std::int64_t StartLine = 0, StartColumn = 0, EndLine = 0, EndColumn = 0;
  std::string Uri;
  std::int64_t StartByte = 0, EndByte = 0;
};

class DtdParseFixture : public ::testing::Test {
protected:
  DtdParseFixture() {
    Implementation.SetResourceResolver(&Resolver);
    Implementation.OnError = [this](TPersistent*, TDomError* error, bool&) {
      Reported.push_back({error->Kind, WideToUtf8(error->OffendingText()), error->StartLine(), error->StartColumn(),
                          error->EndLine(), error->EndColumn(), WideToUtf8(error->SourceUri()), error->StartByte(),
                          error->EndByte()});
    };
    Parser.SetDOMImpl(&Implementation);
  }

  // True when the text parses; the document stays in Document.
  bool Parse(const std::string& text) {
    Reported.clear();
    Document.reset();
    try {
      Document.reset(Parser.ParseString(text, u"file:///test.xml", nullptr, true));
      return Document != nullptr;
    } catch (const Exception&) {
      return false;
    }
  }

  int FirstKind() const { return Reported.empty() ? 0 : Reported.front().Kind; }

  const TDtdModel& Model() const {
    return static_cast<TDtdValidationAgent*>(Document->ValidationAgent())->Model();
  }

  TStandardResourceResolver Resolver;
  TDomImplementation Implementation;
  TXmlToDomParser Parser;
  std::vector<TReportedError> Reported;
  std::unique_ptr<TDomDocument> Document;
};
