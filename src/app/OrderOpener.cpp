#include "app/OrderOpener.h"

#include "dom/DomImplementation.h"
#include "xml/ResourceResolver.h"
#include "xml/XmlToDomParser.h"

TOrderOpener::TOrderOpener()
    : Resolver_(std::make_unique<TStandardResourceResolver>()),
      Implementation_(std::make_unique<TDomImplementation>()),
      Parser_(std::make_unique<TXmlToDomParser>()) {
  Implementation_->SetResourceResolver(Resolver_.get());
  Parser_->SetDOMImpl(Implementation_.get());
}

TOrderOpener::~TOrderOpener() = default;

TOpenOrderResult TOrderOpener::Open(const std::string& fileName, EarTagOrder& order, std::string& detail) {
  return OpenOrderFile(*Parser_, fileName, order, detail);
}
