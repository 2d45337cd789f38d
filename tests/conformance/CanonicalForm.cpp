#include "conformance/CanonicalForm.h"

#include "dom/DomImplementation.h"
#include "dom/DomLists.h"
#include "dom/DomNodes.h"
#include "dtd/DtdValidationAgent.h"
#include "platform/Utf16.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// Character data and attribute values: the four markup characters and the three white space
// characters other than the space are written as references.
void AppendData(std::string& out, const WideString& text) {
  for (const char c : WideToUtf8(text)) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\t': out += "&#9;"; break;
      case '\n': out += "&#10;"; break;
      case '\r': out += "&#13;"; break;
      default: out += c;
    }
  }
}

// Attributes come in the order of their names' code points, which is that of their UTF-8
// bytes.
void AppendStartTag(std::string& out, const TDomElement& element) {
  std::vector<std::pair<std::string, const TDomAttr*>> attributes;
  if (const TDomNamedNodeMap* map = element.attributes()) {
    for (int i = 0; i < map->getLength(); ++i) {
      const auto* attribute = static_cast<const TDomAttr*>(map->item(i));
      attributes.emplace_back(WideToUtf8(attribute->nodeName()), attribute);
    }
  }
  std::sort(attributes.begin(), attributes.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  out += '<';
  out += WideToUtf8(element.nodeName());
  for (const auto& [name, attribute] : attributes) {
    out += ' ';
    out += name;
    out += "=\"";
    // The node keeps the value as written; an application is given the normalised one.
    AppendData(out, attribute->LiteralValue());
    out += '"';
  }
  out += '>';
}

void AppendEndTag(std::string& out, const TDomNode& element) {
  out += "</";
  out += WideToUtf8(element.nodeName());
  out += '>';
}

// The text of a predefined entity, which a tree that keeps references holds as an empty
// reference node; none for any other name.
const char* PredefinedText(const WideString& name) {
  if (name == u"lt") return "<";
  if (name == u"gt") return ">";
  if (name == u"amp") return "&";
  if (name == u"apos") return "'";
  if (name == u"quot") return "\"";
  return nullptr;
}

// White space runs become one space, none at either end, as public identifiers are matched.
std::string NormalizedPublicId(const WideString& id) {
  std::string result;
  bool pendingSpace = false;
  for (const char c : WideToUtf8(id)) {
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      pendingSpace = !result.empty();
      continue;
    }
    if (pendingSpace) result += ' ';
    pendingSpace = false;
    result += c;
  }
  return result;
}

void AppendNotations(std::string& out, const TDomCustomDocument& document) {
  const TDomDocumentTypeDecl* doctype = document.doctype();
  if (doctype == nullptr) return;
  out += "<!DOCTYPE ";
  out += WideToUtf8(doctype->name());
  out += " [\n";
  const auto* withAgent = dynamic_cast<const TDomDocument*>(&document);
  const auto* agent =
      withAgent == nullptr ? nullptr : dynamic_cast<const TDtdValidationAgent*>(withAgent->ValidationAgent());
  // The model keeps them by name; names of this parser's XML never reach beyond U+FFFF, where
  // the order of UTF-16 units would part from that of code points.
  if (agent != nullptr) {
    for (const auto& [name, notation] : agent->Model().Notations()) {
      out += "<!NOTATION ";
      out += WideToUtf8(name);
      if (!notation->PublicId.empty()) {
        out += " PUBLIC '" + NormalizedPublicId(notation->PublicId) + "'";
        if (!notation->SystemId.empty()) out += " '" + WideToUtf8(notation->SystemId) + "'";
      } else {
        out += " SYSTEM '" + WideToUtf8(notation->SystemId) + "'";
      }
      out += ">\n";
    }
  }
  out += "]>\n";
}

}  // namespace

std::string WriteCanonical(const TDomCustomDocument& document, TCanonicalForm form) {
  std::string out;
  if (form == TCanonicalForm::Second) AppendNotations(out, document);
  // Depth first through parent links, so that a deep tree costs no stack.
  const TDomNode* root = &document;
  const TDomNode* node = root->firstChild();
  while (node != nullptr) {
    const TDomNode* down = nullptr;
    switch (node->nodeType()) {
      case ntElementNode:
        AppendStartTag(out, static_cast<const TDomElement&>(*node));
        down = node->firstChild();
        if (down == nullptr) AppendEndTag(out, *node);
        break;
      case ntEntityReferenceNode:
        down = node->firstChild();
        if (const char* text = PredefinedText(node->nodeName()); down == nullptr && text != nullptr)
          AppendData(out, Utf8ToWide(text));
        break;
      case ntTextNode:
      case ntCDATASectionNode:
        AppendData(out, node->nodeValue());
        break;
      case ntProcessingInstructionNode:
        out += "<?";
        out += WideToUtf8(node->nodeName());
        out += ' ';
        out += WideToUtf8(node->nodeValue());
        out += "?>";
        break;
      default:  // comments and the document type declaration are not part of the form
        break;
    }
    if (down != nullptr) {
      node = down;
      continue;
    }
    while (node != root && node->nextSibling() == nullptr) {
      node = node->parentNode();
      if (node != root && node->nodeType() == ntElementNode) AppendEndTag(out, *node);
    }
    node = node == root ? nullptr : node->nextSibling();
  }
  return out;
}

TCanonicalFormOfFile CanonicalFormOf(const std::string& canonicalText) {
  // The declaration comes first in both forms that have one; behind processing
  // instructions it belongs to no form described.
  std::size_t start = 0;
  while (canonicalText.compare(start, 2, "<?") == 0) {
    const std::size_t end = canonicalText.find("?>", start + 2);
    if (end == std::string::npos) break;
    start = end + 2;
  }
  if (canonicalText.compare(start, 10, "<!DOCTYPE ") != 0) return TCanonicalFormOfFile::First;
  if (start > 0) return TCanonicalFormOfFile::Other;
  const std::size_t end = canonicalText.find("]>\n");
  const std::string declarations = canonicalText.substr(0, end);
  return declarations.find("<!ENTITY ") == std::string::npos ? TCanonicalFormOfFile::Second
                                                              : TCanonicalFormOfFile::Other;
}
