#include "cli/OrderOpen.h"

#include "app/OrderFileReader.h"
#include "dom/DomImplementation.h"
#include "xml/ResourceResolver.h"
#include "xml/XmlToDomParser.h"

bool OpenOrderForCli(const std::string& fileName, EarTagOrder& order, std::string& message, std::string& detail) {
  TStandardResourceResolver resolver;
  TDomImplementation implementation;
  implementation.SetResourceResolver(&resolver);
  TXmlToDomParser parser;
  parser.SetDOMImpl(&implementation);
  const TOpenOrderResult result = OpenOrderFile(parser, fileName, order, detail);
  message = OpenOrderMessage(result);
  return result == TOpenOrderResult::Opened;
}
