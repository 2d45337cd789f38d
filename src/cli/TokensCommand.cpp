// "earmark-cli tokens FILE": opens FILE as the parser does and prints what the input source
// read from its declaration and then every token with its positions, as JSON Lines.
#include "cli/CliCommands.h"

#include "platform/Exceptions.h"
#include "platform/Streams.h"
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

// UTF-16 to UTF-8; a surrogate without its partner becomes U+FFFD so the line stays valid.
std::string Utf8(const WideString& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

void PrintLine(std::ostream& out, const Json& line) {
  out << line.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
}

Json DeclarationLine(const TXmlInputSource& source) {
  Json decl;
  decl["kind"] = static_cast<int>(source.DeclarationType());
  decl["malformed"] = source.HasMalformedDecl();
  decl["version"] = Utf8(source.XmlVersion());
  decl["encoding"] = Utf8(source.XmlEncoding());
  decl["standalone"] = static_cast<int>(source.XmlStandalone());
  decl["inputEncoding"] = Utf8(source.InputEncoding());
  Json line;
  line["declaration"] = decl;
  return line;
}

Json TokenLine(const TXmlDocTokenizer& tokenizer) {
  Json line;
  line["kind"] = XmlDocTokenTypeName(tokenizer.TokenType());
  line["value"] = Utf8(tokenizer.GetTokenValue());
  line["error"] = static_cast<int>(tokenizer.ErrorType());
  line["clue"] = Utf8(tokenizer.Clue());
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
