#include "BenchRows.h"

#include "dom/DomImplementation.h"
#include "platform/Ansi1250.h"
#include "platform/Streams.h"
#include "xml/XmlInputSource.h"
#include "xml/XmlReader.h"
#include "xml/XmlSignals.h"
#include "xml/XmlToDomParser.h"
#include "xml/XmlTokenizer.h"

#include <cstring>
#include <memory>
#include <expat.h>
#include <libxml/parser.h>
#include <pugixml.hpp>

namespace {

// Reads the caller's bytes in place: the benchmark must not time a copy of the corpus.
class TByteViewStream : public TStream {
public:
  explicit TByteViewStream(std::string_view bytes) : Bytes_(bytes) {}
  std::int64_t Read(void* buffer, std::int64_t count) override {
    const auto left = static_cast<std::int64_t>(Bytes_.size()) - Position_;
    const std::int64_t n = count < left ? count : left;
    if (n <= 0) return 0;
    std::memcpy(buffer, Bytes_.data() + Position_, static_cast<std::size_t>(n));
    Position_ += n;
    return n;
  }
  std::int64_t Write(const void*, std::int64_t) override { return 0; }
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
    const auto size = static_cast<std::int64_t>(Bytes_.size());
    std::int64_t to = origin == TSeekOrigin::soBeginning ? offset
                      : origin == TSeekOrigin::soCurrent ? Position_ + offset
                                                         : size + offset;
    Position_ = to < 0 ? 0 : to > size ? size : to;
    return Position_;
  }

private:
  std::string_view Bytes_;
  std::int64_t Position_ = 0;
};

// The decoding and tokenizing stages of this pipeline alone, with every token's value
// taken as the tree builder takes it; any error token counts as a refusal.
bool ParseTokens(std::string_view bytes, const std::function<void()>& keep) {
  TByteViewStream stream(bytes);
  TXmlInputSource source(&stream, WideString(), u"file:///corpus.xml", 4096, nullptr, true, 0, 0, 0,
                         0, 1);
  TXmlDocTokenizer tokenizer(&source);
  std::size_t units = 0;
  bool clean = true;
  do {
    tokenizer.NextToken();
    units += tokenizer.GetTokenValue().size();
    clean = clean && tokenizer.ErrorType() == EK_NONE;
  } while (tokenizer.TokenType() != tkEndOfSource);
  keep();
  return clean && units > 0;
}

// Takes every signal and drops it: the reader stage on its own, without the handlers.
class TDiscardHandler : public TXmlCustomHandler {
public:
  void ProcessSignal(TXmlSignal*) override { ++Signals; }
  std::size_t Signals = 0;
};

// Decoding, tokenizing and the document reader's signals, up to the first handler.
bool ParseSignals(std::string_view bytes, const std::function<void()>& keep) {
  TByteViewStream stream(bytes);
  TXmlInputSource source(&stream, WideString(), u"file:///corpus.xml", 4096, nullptr, true, 0, 0, 0,
                         0, 1);
  TXmlStandardDocReader reader;
  TDiscardHandler handler;
  reader.SetNextHandler(&handler);
  const bool ok = reader.ParseDocument(&source);
  keep();
  reader.SetNextHandler(nullptr);
  return ok && handler.Signals > 0;
}

// The whole pipeline as the program uses it: the parser front end builds a document, which
// is freed afterwards.
bool ParseDocument(std::string_view bytes, const std::function<void()>& keep) {
  TDomImplementation implementation;
  TXmlToDomParser parser;
  parser.SetDOMImpl(&implementation);
  TByteViewStream stream(bytes);
  try {
    const std::unique_ptr<TDomDocument> document(
        parser.ParseStream(&stream, u"file:///corpus.xml", nullptr, true));
    keep();
    return document != nullptr;
  } catch (const Exception&) {
    return false;
  }
}

bool ParseLibxml2(std::string_view bytes, const std::function<void()>& keep) {
  xmlDocPtr doc = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), "corpus.xml",
                                nullptr, 0);
  if (doc == nullptr) return false;
  keep();
  xmlFreeDoc(doc);
  return true;
}

// expat knows no windows-1250 by itself; the table comes from this program's own
// conversion, so the peer decodes exactly what this pipeline decodes.
int Windows1250Handler(void*, const XML_Char* name, XML_Encoding* info) {
  if (std::strcmp(name, "windows-1250") != 0) return XML_STATUS_ERROR;
  for (int b = 0; b < 256; ++b) {
    const WideString wide = AnsiToWide(AnsiString(1, static_cast<char>(b)));
    info->map[b] = wide.empty() ? -1 : static_cast<int>(wide[0]);
  }
  info->data = nullptr;
  info->convert = nullptr;
  info->release = nullptr;
  return XML_STATUS_OK;
}

bool ParseExpat(std::string_view bytes, const std::function<void()>& keep) {
  XML_Parser parser = XML_ParserCreate(nullptr);
  XML_SetUnknownEncodingHandler(parser, Windows1250Handler, nullptr);
  const bool ok = XML_Parse(parser, bytes.data(), static_cast<int>(bytes.size()), 1) ==
                  XML_STATUS_OK;
  keep();
  XML_ParserFree(parser);
  return ok;
}

bool ParsePugixml(std::string_view bytes, const std::function<void()>& keep) {
  pugi::xml_document doc;
  const pugi::xml_parse_result result = doc.load_buffer(bytes.data(), bytes.size());
  keep();
  return static_cast<bool>(result);
}

} // namespace

bool ParseDocumentOrdinaryPath(std::string_view bytes, const std::function<void()>& keep) {
  TDomImplementation implementation;
  TXmlToDomParser parser;
  parser.SetDOMImpl(&implementation);
  TByteViewStream stream(bytes);
  try {
    TXmlInputSource source(&stream, WideString(), u"file:///corpus.xml", parser.BufferSize(), nullptr, true, 0,
                           0, 0, 0, 1);
    const std::unique_ptr<TDomDocument> document(parser.ParseInputSource(&source));
    keep();
    return document != nullptr;
  } catch (const Exception&) {
    return false;
  }
}

const std::vector<TParseRow>& ParseRows() {
  static const std::vector<TParseRow> rows = {
      {"ours", ParseDocument},
      {"tokens", ParseTokens},
      {"signals", ParseSignals},
      {"libxml2", ParseLibxml2},
      {"expat", ParseExpat},
      {"pugixml", ParsePugixml},
  };
  return rows;
}

const TParseRow* FindParseRow(std::string_view name) {
  for (const TParseRow& row : ParseRows())
    if (name == row.Name) return &row;
  return nullptr;
}
