// "earmark-cli tokens FILE": opens FILE as the parser does and prints what the input source
// read from its declaration and then every token with its positions, as JSON Lines.
#include "cli/CliCommands.h"

#include "platform/Exceptions.h"
#include "platform/Streams.h"
#include "platform/Utf16.h"
#include "xml/ResourceResolver.h"
#include "xml/XmlInputSource.h"
#include "xml/XmlTokenizer.h"

#include <nlohmann/json.hpp>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

using Json = nlohmann::ordered_json;

void PrintLine(std::ostream& out, const Json& line) {
  out << line.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
}

Json DeclarationLine(const TXmlInputSource& source) {
  Json decl;
  decl["kind"] = static_cast<int>(source.DeclarationType());
  decl["malformed"] = source.HasMalformedDecl();
  decl["version"] = WideToUtf8(source.XmlVersion());
  decl["encoding"] = WideToUtf8(source.XmlEncoding());
  decl["standalone"] = static_cast<int>(source.XmlStandalone());
  decl["inputEncoding"] = WideToUtf8(source.InputEncoding());
  Json line;
  line["declaration"] = decl;
  return line;
}

Json TokenLine(const TXmlDocTokenizer& tokenizer) {
  Json line;
  line["kind"] = XmlDocTokenTypeName(tokenizer.TokenType());
  line["value"] = WideToUtf8(tokenizer.GetTokenValue());
  line["error"] = static_cast<int>(tokenizer.ErrorType());
  line["clue"] = WideToUtf8(tokenizer.Clue());
  line["start"] = Json{{"byte", tokenizer.StartByte()},
                       {"char", tokenizer.StartChar()},
                       {"column", tokenizer.StartColumn()},
                       {"line", tokenizer.StartLine()},
                       {"tabs", tokenizer.StartTabs()}};
  line["end"] = Json{{"byte", tokenizer.EndByte()},
                     {"char", tokenizer.EndChar()},
                     {"column", tokenizer.EndColumn()},
                     {"line", tokenizer.EndLine()},
                     {"tabs", tokenizer.EndTabs()}};
  return line;
}

int PrintException(std::ostream& out, const char* className, const char* message) {
  PrintLine(out, Json{{"exception", className}, {"message", message}});
  return kExitFailure;
}

int RunTokensCommand(const std::vector<std::string>& args) {
  std::ostream& out = std::cout;
  if (args.size() != 1) {
    std::cerr << "usage: earmark-cli tokens FILE\n";
    return kExitUsage;
  }
  const std::string& fileName = args[0];
  try {
    TFileStream stream(fileName, TFileMode::fmOpenRead);
    TXmlInputSource source(&stream, WideString(), FileNameToUri(fileName), 4096, nullptr, true,
                           0, 0, 0, 0, 1);
    PrintLine(out, DeclarationLine(source));
    TXmlDocTokenizer tokenizer(&source);
    do {
      tokenizer.NextToken();
      PrintLine(out, TokenLine(tokenizer));
    } while (tokenizer.TokenType() != tkEndOfSource);
  } catch (const Exception& e) {
    return PrintException(out, e.ClassName(), e.what());
  } catch (const std::exception& e) {
    return PrintException(out, "Exception", e.what());
  }
  return kExitOk;
}

const TCliCommandRegistration registration({"tokens", "FILE",
                                            "Print the XML declaration and the tokens of FILE as JSON Lines.",
                                            RunTokensCommand});
} // namespace
