// Raw bytes into the parser front end, building a document and freeing it. The build makes
// one target per encoding choice: FUZZ_CODEC names the codec class forced on the input, or
// nullptr for detection from the byte-order mark and the declaration.
#include "FuzzSupport.h"

#include "dom/DomImplementation.h"
#include "platform/Exceptions.h"
#include "xml/XmlToDomParser.h"

#include <memory>

#ifndef FUZZ_CODEC
#define FUZZ_CODEC nullptr
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TDomImplementation implementation;
  TXmlToDomParser parser;
  parser.SetDOMImpl(&implementation);
  TMemoryStream stream = FuzzStream(data, size);
  try {
    const std::unique_ptr<TDomDocument> document(
        parser.ParseStream(&stream, u"file:///fuzz.xml", FUZZ_CODEC, true));
  } catch (const Exception&) {
    // The parser refused the bytes ("Parser error." and its kin): an answer, not a finding.
  }
  return 0;
}
