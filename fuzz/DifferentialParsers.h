// The two sides of the differential check: this parser the way `earmark-cli parse` reads a
// file (defaults, encoding from the byte-order mark and the declaration) and libxml2 reading
// the bytes as a standalone document from memory (no network, no entity loading, no
// recovery, errors collected instead of printed). Each gives its verdict and its errors.
#pragma once

#include "InputView.h"

#include "dom/DomImplementation.h"
#include "platform/Exceptions.h"
#include "platform/Streams.h"
#include "xml/DomError.h"
#include "xml/ResourceResolver.h"
#include "xml/XmlToDomParser.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include <memory>
#include <string>

// This parser, wired as the command-line tool wires it.
inline TVerdict ParseHere(const std::string& bytes) {
  TVerdict verdict;
  TStandardResourceResolver resolver;
  TDomImplementation implementation;
  implementation.SetResourceResolver(&resolver);
  implementation.OnError = [&verdict](TPersistent*, TDomError* error, bool&) {
    if (error->Severity() == DOM_SEVERITY_WARNING) return;
    if (verdict.FirstError.empty()) verdict.FirstError = ErrorKindName(error->Kind);
    verdict.Errors.push_back(error->Kind);
  };
  TXmlToDomParser parser;
  parser.SetDOMImpl(&implementation);
  TMemoryStream stream(bytes);
  std::string ended;
  try {
    const std::unique_ptr<TDomDocument> document(parser.ParseStream(&stream, u"file:///input.xml", nullptr, true));
    verdict.Accepted = document != nullptr;
  } catch (const Exception& e) {
    ended = std::string(e.ClassName()) + " \"" + e.what() + "\"";
  }
  if (!ended.empty()) verdict.FirstError += (verdict.FirstError.empty() ? "" : ", then ") + ended;
  return verdict;
}

struct TLibxml2Outcome {
  TVerdict Verdict;
  bool SawDoctype = false;
};

namespace differential_detail {

// Parser reports reach the context's structured handler with differing user data, but each
// names its context, whose _private holds the verdict being collected.
inline void CollectError(void*, xmlErrorPtr error) {
  // Namespace errors leave the document well-formed in libxml2's eyes (and in this parser's,
  // which does not check them): they decide nothing here.
  if (error == nullptr || error->ctxt == nullptr || error->level < XML_ERR_ERROR ||
      error->domain == XML_FROM_NAMESPACE)
    return;
  auto* verdict = static_cast<TVerdict*>(static_cast<xmlParserCtxtPtr>(error->ctxt)->_private);
  if (verdict == nullptr) return;
  if (verdict->FirstError.empty()) {
    std::string message = error->message != nullptr ? error->message : "";
    while (!message.empty() && message.back() == '\n') message.pop_back();
    verdict->FirstError = "code " + std::to_string(error->code) + " \"" + message + "\"";
  }
  verdict->Errors.push_back(error->code);
}

// Reports without a parser context (the encoding converters') would go to the standard error
// stream; the verdict is what counts.
inline void Silence(void*, const char*, ...) {}

// Nothing outside the input is read: no DTD, no external entity, no file, no network.
inline xmlParserInputPtr RefuseExternal(const char*, const char*, xmlParserCtxtPtr) { return nullptr; }

}  // namespace differential_detail

// libxml2 on the bytes as a whole document: xmlCtxtReadMemory detects the encoding from the
// byte-order mark and the declaration as a file would be read. Its name rules are the ones
// of the fourth edition (XML_PARSE_OLD10), which this parser follows too; XML_PARSE_HUGE
// lifts its nesting and name-length limits, which this parser does not have.
inline TLibxml2Outcome ParseWithLibxml2(const std::string& bytes) {
  static const bool initialised = [] {
    xmlInitParser();
    xmlSetExternalEntityLoader(&differential_detail::RefuseExternal);
    xmlSetGenericErrorFunc(nullptr, &differential_detail::Silence);
    return true;
  }();
  (void)initialised;
  TLibxml2Outcome outcome;
  xmlParserCtxtPtr context = xmlNewParserCtxt();
  if (context == nullptr) {
    outcome.Verdict.FirstError = "libxml2 could not make a parser context";
    return outcome;
  }
  context->_private = &outcome.Verdict;
  context->sax->serror = &differential_detail::CollectError;
  constexpr int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_OLD10 |
                          XML_PARSE_HUGE;
  xmlDocPtr document = xmlCtxtReadMemory(context, bytes.data(), static_cast<int>(bytes.size()),
                                         "file:///input.xml", nullptr, options);
  outcome.Verdict.Accepted = document != nullptr && context->wellFormed != 0;
  outcome.SawDoctype = context->intSubName != nullptr || context->extSubURI != nullptr ||
                       (document != nullptr && (document->intSubset != nullptr || document->extSubset != nullptr));
  if (document != nullptr) xmlFreeDoc(document);
  xmlFreeParserCtxt(context);
  return outcome;
}
