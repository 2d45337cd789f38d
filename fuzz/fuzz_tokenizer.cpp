// Raw bytes through byte-order detection, the declaration, the character reader and the
// document tokenizer, token by token to the end of the source.
#include "FuzzSupport.h"

#include "platform/Exceptions.h"
#include "xml/XmlInputSource.h"
#include "xml/XmlTokenizer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TMemoryStream stream = FuzzStream(data, size);
  try {
    TXmlInputSource source(&stream, WideString(), u"file:///fuzz.xml", 1024, nullptr, true, 0, 0,
                           0, 0, 1);
    TXmlDocTokenizer tokenizer(&source);
    // Every token but the last consumes at least one byte, so more tokens than bytes means
    // the tokenizer stopped advancing.
    std::size_t tokens = 0;
    do {
      tokenizer.NextToken();
      (void)tokenizer.GetTokenValue();
      if (tokenizer.EndByte() < 0 || tokenizer.StartLine() < 1) __builtin_trap();
      if (++tokens > size + 2) __builtin_trap();
    } while (tokenizer.TokenType() != tkEndOfSource);
  } catch (const Exception&) {
    // A declaration naming an unknown encoding or contradicting the byte-order mark.
  }
  return 0;
}
