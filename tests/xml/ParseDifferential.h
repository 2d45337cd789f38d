// The same bytes through the parser front end as the program uses it, which takes the direct
// path where it can, and through a parser that always takes the ordinary path, each outcome
// described in full (result, every error reported, the document's fields and its whole tree)
// so that a test or a fuzz target can demand that the two agree.
#pragma once

#include "dom/DomImplementation.h"
#include "dom/DomLists.h"
#include "dom/DomNodes.h"
#include "platform/Exceptions.h"
#include "platform/Streams.h"
#include "platform/Utf16.h"
#include "xml/DomError.h"
#include "xml/XmlToDomParser.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

// The parser front end under another class name: the direct path serves only the front end's
// own class, so this one always parses the ordinary way.
class TOrdinaryPathParser : public TXmlToDomParser {
public:
  using TXmlToDomParser::TXmlToDomParser;
};

// Gives at most a few bytes per read, so that every construct of a text is split somewhere.
class TTrickleStream : public TMemoryStream {
public:
  TTrickleStream(const std::string& bytes, std::int64_t most) : TMemoryStream(bytes), Most_(most) {}
  std::int64_t Read(void* buffer, std::int64_t count) override {
    return TMemoryStream::Read(buffer, count < Most_ ? count : Most_);
  }

private:
  std::int64_t Most_;
};

struct TParseOptions {
  bool KeepCDATASections = true;
  bool KeepComments = true;
  bool KeepEntityRefs = true;
  std::int64_t MostPerRead = 0;  // 0: the whole text in one read
};

struct TParseDescription {
  std::string Text;
  bool Direct = false;
};

// Every node in document order with its depth, kind, name, value and flags; iterative, so a
// deep document costs no stack.
inline std::string DescribeTree(const TDomDocument& document) {
  std::string out = "uri=" + WideToUtf8(document.documentURI()) + " in=" + WideToUtf8(document.inputEncoding()) +
                    " enc=" + WideToUtf8(document.xmlEncoding()) + " ver=" + WideToUtf8(document.xmlVersion()) +
                    " sa=" + std::to_string(document.xmlStandalone()) +
                    " modified=" + std::to_string(document.Modified()) + "\n";
  std::vector<std::pair<const TDomNode*, int>> stack;
  for (const TDomNode* child = document.lastChild(); child != nullptr; child = child->previousSibling())
    stack.emplace_back(child, 0);
  while (!stack.empty()) {
    const auto [node, depth] = stack.back();
    stack.pop_back();
    out += std::string(static_cast<std::size_t>(depth), ' ') + std::to_string(node->nodeType()) + " " +
           WideToUtf8(node->nodeName()) + " [" + WideToUtf8(node->nodeValue()) + "]";
    if (node->nodeType() == ntTextNode && static_cast<const TDomText*>(node)->IsCharRef()) out += " charref";
    if (node->nodeType() == ntElementNode) {
      const TDomNamedNodeMap* attributes = node->attributes();
      for (int i = 0; attributes != nullptr && i < attributes->getLength(); ++i) {
        const auto* attr = static_cast<const TDomAttr*>(attributes->item(i));
        out += " @" + WideToUtf8(attr->nodeName()) + "=[" + WideToUtf8(attr->nodeValue()) + "]" +
               (attr->specified() ? "s" : "d") + std::to_string(attr->NamespaceDeclKind()) +
               (attr->ownerElement() == node ? "" : "!owner");
      }
    }
    out += "\n";
    for (const TDomNode* child = node->lastChild(); child != nullptr; child = child->previousSibling())
      stack.emplace_back(child, depth + 1);
  }
  return out;
}

inline TParseDescription DescribeParse(const std::string& bytes, bool ordinaryPath, const TParseOptions& options = {},
                                       TUnicodeCodecClass codecClass = nullptr) {
  TParseDescription result;
  TDomImplementation implementation;
  implementation.OnError = [&](TPersistent*, TDomError* error, bool&) {
    result.Text += "error " + std::string(ErrorKindName(error->Kind)) + " at " + std::to_string(error->StartByte()) +
                   "/" + std::to_string(error->StartLine()) + ":" + std::to_string(error->StartColumn()) + "\n";
  };
  std::unique_ptr<TXmlToDomParser> parser =
      ordinaryPath ? std::make_unique<TOrdinaryPathParser>() : std::make_unique<TXmlToDomParser>();
  parser->SetDOMImpl(&implementation);
  parser->SetKeepCDATASections(options.KeepCDATASections);
  parser->SetKeepComments(options.KeepComments);
  parser->SetKeepEntityRefs(options.KeepEntityRefs);
  TTrickleStream stream(bytes, options.MostPerRead > 0 ? options.MostPerRead : static_cast<std::int64_t>(bytes.size()) + 1);
  try {
    const std::unique_ptr<TDomDocument> document(parser->ParseStream(&stream, u"file:///t.xml", codecClass, true));
    result.Direct = parser->ParsedDirectly();
    result.Text += document ? DescribeTree(*document) : "no document\n";
  } catch (const Exception& e) {
    result.Text += std::string("refused: ") + e.what() + "\n";
  }
  return result;
}
