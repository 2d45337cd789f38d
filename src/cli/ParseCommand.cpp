// earmark-cli parse [--tree] [--external] FILE...: parses each file with the program's parser
// front end
// and prints one JSON line per file: whether it parsed, the exception that ended the parse,
// every error delivered to the DOM implementation, and with --tree the document itself (entity
// references with the nodes of their text as children, default attributes marked as such).
// --external lets the parser read external text from local files for that run: the external
// subset, external parameter entities and external parsed entities.
#include "cli/CliCommands.h"

#include "dom/DomImplementation.h"
#include "dom/DomLists.h"
#include "dom/DomNodes.h"
#include "platform/Exceptions.h"
#include "platform/Utf16.h"
#include "xml/DomError.h"
#include "xml/ResourceResolver.h"
#include "xml/XmlToDomParser.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

// GCC announces AddressSanitizer with a macro, clang only through __has_feature.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define EARMARK_CLI_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(EARMARK_CLI_ADDRESS_SANITIZER)
constexpr bool kFreeLastDocument = true;
#else
constexpr bool kFreeLastDocument = false;
#endif


// File names and messages may hold bytes that are not UTF-8; they print as U+FFFD.
template <class Json>
std::string Dump(const Json& json) {
  return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string Quoted(const WideString& text) { return Dump(nlohmann::json(WideToUtf8(text))); }

nlohmann::ordered_json Position(std::int64_t byte, std::int64_t character, std::int64_t column, std::int64_t line,
                                std::int64_t tabs) {
  return {{"byte", byte}, {"char", character}, {"column", column}, {"line", line}, {"tabs", tabs}};
}

nlohmann::ordered_json ErrorJson(const TDomError& error) {
  return {{"kind", static_cast<int>(error.Kind)},
          {"name", ErrorKindName(error.Kind)},
          {"severity", static_cast<int>(error.Severity())},
          {"offending", WideToUtf8(error.OffendingText())},
          {"clue", WideToUtf8(error.Clue())},
          {"uri", WideToUtf8(error.SourceUri())},
          {"start", Position(error.StartByte(), error.StartChar(), error.StartColumn(), error.StartLine(),
                             error.StartTabs())},
          {"end", Position(error.EndByte(), error.EndChar(), error.EndColumn(), error.EndLine(), error.EndTabs())}};
}

// The members of one node up to its "children" array, opened but not closed.
void OpenNode(std::string& out, const TDomNode& node) {
  out += "{\"type\":" + std::to_string(static_cast<int>(node.nodeType()));
  out += ",\"name\":" + Quoted(node.nodeName());
  out += ",\"value\":" + Quoted(node.nodeValue());
  if (const auto* doctype = dynamic_cast<const TDomDocumentTypeDecl*>(&node)) {
    out += ",\"publicId\":" + Quoted(doctype->publicId());
    out += ",\"systemId\":" + Quoted(doctype->systemId());
    out += ",\"internalSubset\":" + Quoted(doctype->internalSubset());
  }
  out += ",\"attributes\":[";
  if (const TDomNamedNodeMap* attributes = node.attributes()) {
    for (int i = 0; i < attributes->getLength(); ++i) {
      const TDomNode* attribute = attributes->item(i);
      if (i > 0) out += ",";
      out += "{\"name\":" + Quoted(attribute->nodeName()) + ",\"value\":" + Quoted(attribute->nodeValue());
      // A default from the document type declaration, not written in the tag.
      if (const auto* attr = dynamic_cast<const TDomAttr*>(attribute); attr != nullptr && !attr->specified())
        out += ",\"specified\":false";
      out += "}";
    }
  }
  out += "],\"children\":[";
}

// The tree as nested objects, built without recursion so that any depth prints.
std::string TreeJson(const TDomNode& root) {
  std::string out;
  OpenNode(out, root);
  std::vector<std::pair<const TDomNode*, int>> stack{{&root, 0}};
  while (!stack.empty()) {
    auto& [node, next] = stack.back();
    const TDomNodeList* children = node->childNodes();
    if (children == nullptr || next >= children->getLength()) {
      out += "]}";
      stack.pop_back();
      continue;
    }
    const TDomNode* child = children->item(next);
    if (next++ > 0) out += ",";
    OpenNode(out, *child);
    stack.emplace_back(child, 0);
  }
  return out;
}

int RunParse(const std::vector<std::string>& args) {
  bool tree = false;
  bool external = false;
  std::vector<std::string> files;
  for (const std::string& arg : args) {
    if (arg == "--tree" && files.empty() && !tree) {
      tree = true;
    } else if (arg == "--external" && files.empty() && !external) {
      external = true;
    } else if (!arg.empty() && arg[0] != '-') {
      files.push_back(arg);
    } else {
      std::fprintf(stderr, "earmark-cli parse: unexpected argument \"%s\"\n", arg.c_str());
      return kExitUsage;
    }
  }
  if (files.empty()) {
    std::fprintf(stderr, "usage: earmark-cli parse [--tree] [--external] FILE...\n");
    return kExitUsage;
  }

  TStandardResourceResolver resolver;
  TDomImplementation implementation;
  implementation.SetResourceResolver(&resolver);
  nlohmann::ordered_json errors = nlohmann::ordered_json::array();
  implementation.OnError = [&errors](TPersistent*, TDomError* error, bool&) { errors.push_back(ErrorJson(*error)); };
  TXmlToDomParser parser;
  parser.SetDOMImpl(&implementation);
  parser.SetReadExternalEntities(external);

  int exitCode = kExitOk;
  for (const std::string& file : files) {
    errors = nlohmann::ordered_json::array();
    nlohmann::ordered_json exception = nullptr;
    std::unique_ptr<TDomDocument> document;
    try {
      // The document's address is made from its absolute name, so that what it refers to by a
      // relative address (an external entity) is found beside it, not in the root folder.
      std::error_code failed;
      const std::filesystem::path absolute = std::filesystem::absolute(file, failed);
      document.reset(parser.ParseFile(failed ? file : absolute.string()));
    } catch (const Exception& e) {
      exception = {{"class", e.ClassName()}, {"message", e.what()}};
    } catch (const std::exception& e) {
      exception = {{"class", "std::exception"}, {"message", e.what()}};
    }
    const bool ok = document != nullptr;
    if (!ok) exitCode = kExitFailure;
    std::string line = "{\"file\":" + Dump(nlohmann::json(file)) + ",\"ok\":" + (ok ? "true" : "false") +
                       ",\"exception\":" + Dump(exception) + ",\"errors\":" + Dump(errors);
    if (tree && ok) line += ",\"tree\":" + TreeJson(*document);
    line += "}\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    // The last document is not taken apart: the command ends the process, and the system
    // takes its memory back at once, where freeing a large tree object by object costs a
    // sixth of the whole run. Under the address sanitizer it is freed, so that the leak and
    // use checks still cover this path.
    if (!kFreeLastDocument && &file == &files.back()) {
      std::fflush(stdout);
      std::_Exit(exitCode);
    }
  }
  return exitCode;
}

const TCliCommandRegistration kRegistration({"parse", "[--tree] [--external] FILE...",
                                             "Parse each FILE and print the outcome, errors and tree as JSON "
                                             "(--external: read local external entities).",
                                             &RunParse});

}  // namespace
