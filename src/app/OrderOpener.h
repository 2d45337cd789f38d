// The reading pipeline through which the program opens order files: a resource resolver, a
// DOM implementation that reads external resources through it, and a parser that puts its
// documents into that implementation, made and joined once. The window keeps one for as long
// as it lives; earmark-cli makes one for its command. Both open files only through it.
#pragma once

#include "app/OrderFileReader.h"

#include <memory>
#include <string>

class EarTagOrder;
class TDomImplementation;
class TStandardResourceResolver;
class TXmlToDomParser;

class TOrderOpener {
public:
  TOrderOpener();
  ~TOrderOpener();
  TOrderOpener(const TOrderOpener&) = delete;
  TOrderOpener& operator=(const TOrderOpener&) = delete;

  // Opens fileName into order as "Otvoriť..." does (see OpenOrderFile); for BadFormat,
  // detail (UTF-8) says where the file is broken, otherwise it is empty.
  TOpenOrderResult Open(const std::string& fileName, EarTagOrder& order, std::string& detail);

  // The implementation that holds the parsed documents (none once Open returns) and whose
  // error handler hears every error of the parse.
  TDomImplementation& Implementation() { return *Implementation_; }
  TXmlToDomParser& Parser() { return *Parser_; }

private:
  // Declared in the order they are joined, so each is destroyed before what it borrows.
  std::unique_ptr<TStandardResourceResolver> Resolver_;
  std::unique_ptr<TDomImplementation> Implementation_;
  std::unique_ptr<TXmlToDomParser> Parser_;
};
