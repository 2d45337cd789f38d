// Helpers of the document model tests: outcome strings of operations that may raise, and a
// compact picture of a tree to compare before and after a refused edit.
#pragma once

#include "dom/DomCustomDocument.h"
#include "dom/DomNodes.h"

#include <functional>
#include <memory>
#include <string>

// ASCII view of a wide string (the tests use ASCII names only).
inline std::string Ascii(const WideString& s) {
  std::string out;
  for (char16_t c : s) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

// "ok", or the class name and message of the exception the operation raised.
inline std::string Outcome(const std::function<void()>& operation) {
  try {
    operation();
    return "ok";
  } catch (const Exception& e) {
    return std::string(e.ClassName()) + ": " + e.Message;
  }
}

// The subtree as names with children in brackets, text nodes with their data in quotes.
inline std::string Picture(const TDomNode* node) {
  std::string out = node->nodeType() == ntTextNode ? "'" + Ascii(node->nodeValue()) + "'" : Ascii(node->nodeName());
  if (!node->hasChildNodes()) return out;
  out += "(";
  for (const TDomNode* child = node->firstChild(); child != nullptr; child = child->nextSibling()) {
    if (child != node->firstChild()) out += ",";
    out += Picture(child);
  }
  return out + ")";
}

inline TDomElement* AddElement(TDomNode* parent, const WideString& name) {
  TDomElement* e = TDomElement::Create(parent->ReferenceDocument(), name);
  parent->appendChild(e);
  return e;
}

inline TDomText* AddText(TDomNode* parent, const WideString& data) {
  TDomText* t = TDomText::Create(parent->ReferenceDocument());
  t->setData(data);
  parent->appendChild(t);
  return t;
}

// A document whose attribute-value normalisation answers as the test sets it: the value in
// brackets and the kind in NormalizeKind.
class TTestDocument : public TDomCustomDocument {
public:
  void NormalizeAttributeValue(const WideString& value, std::uint8_t, TXmlErrorType& errorKind,
                               WideString& result) override {
    errorKind = NormalizeKind;
    result = u"[" + value + u"]";
  }
  TXmlErrorType NormalizeKind = static_cast<TXmlErrorType>(0);
};

using DocumentPtr = std::unique_ptr<TDomCustomDocument>;
inline DocumentPtr NewDocument() { return std::make_unique<TTestDocument>(); }
