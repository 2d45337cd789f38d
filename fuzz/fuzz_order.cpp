// Raw bytes opened as an order file: parsed with detection, then read into an order model
// that already holds values, as the window's open command does.
#include "FuzzSupport.h"

#include "app/EarTagOrder.h"
#include "app/OrderFileReader.h"
#include "dom/DomImplementation.h"
#include "platform/Exceptions.h"
#include "xml/XmlToDomParser.h"

#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TDomImplementation implementation;
  TXmlToDomParser parser;
  parser.SetDOMImpl(&implementation);
  TMemoryStream stream = FuzzStream(data, size);
  EarTagOrder order;
  try {
    const std::unique_ptr<TDomDocument> document(
        parser.ParseStream(&stream, u"file:///order.xml", nullptr, true));
    if (document) ReadOrder(*document, order);
  } catch (const Exception&) {
    // Refused as a document or as an order: the order must then be unchanged, which the
    // reader's own tests check; here only crashes and sanitizer reports count.
  }
  return 0;
}
