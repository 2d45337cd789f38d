// Reading an order file back: the parsed document is walked node by node and its values are
// taken by the name of the element that holds them, so element order and unknown elements do
// not matter. The walk fills a copy of the order, which replaces the order only once the
// whole document has been read.
#pragma once

#include "app/EarTagOrder.h"
#include "app/TagTypes.h"
#include "platform/Exceptions.h"

#include <string>

class TDomError;
class TDomNode;
class TXmlToDomParser;

// A document that parsed but does not describe an order this program can hold.
EARMARK_EXCEPTION(EOrderFormatError, Exception)

// The messages "Otvoriť..." shows (UTF-8).
inline constexpr const char* OrderFileNotFoundMessage = "Subor nebol nájdený!";
inline constexpr const char* OrderFileFormatMessage = "Nesprávny fromát súboru!";

// Fills order from document. A value is the whole text of its element (text, CDATA sections,
// character and predefined entity references, in order; comments and child elements add
// nothing); an element without any, or whose text is one line feed alone, supplies no value.
// Name, company, street, village and zipcode are emptied first;
// the farm number and the account number keep their values unless the file supplies them.
// After n marks the lines 1..n hold them and line n + 1 is the empty entry line
// (CurrentLine = LineCount = n + 1); with 50 marks line 50 holds the last mark and
// CurrentLine = LineCount = 50. Raises (EConvertError for a "type" that is not a number,
// EOrderFormatError for more than 50 marks) and then leaves order exactly as it was.
void ReadOrder(const TDomNode& document, EarTagOrder& order);

enum class TOpenOrderResult { Opened, NotFound, BadFormat };

// Opens an order file as "Otvoriť..." does: a missing file gives NotFound; a file that
// cannot be opened or parsed, or does not describe an order, gives BadFormat and leaves
// order unchanged; otherwise the order is replaced. The parsed document is freed on every
// path, so the parser's DOM implementation lists no document of this call afterwards.
TOpenOrderResult OpenOrderFile(TXmlToDomParser& parser, const std::string& fileName, EarTagOrder& order);
// The same; for BadFormat, detail (UTF-8) says where the file is broken: the parser's first
// error as "<kind> \"<offending text>\" (<clue>) at line L, column C" (the parts it has), the
// message of a parse that stopped without reporting one, or "not an order: <reason>" when
// the document parsed but describes no order. Empty for any other result. Errors still reach
// the DOM implementation's own error handler as before.
TOpenOrderResult OpenOrderFile(TXmlToDomParser& parser, const std::string& fileName, EarTagOrder& order,
                               std::string& detail);
// The text of one parser error as the detail above gives it.
std::string DescribeParseError(const TDomError& error);
// The message shown for a result other than Opened (UTF-8); empty for Opened.
const char* OpenOrderMessage(TOpenOrderResult result);
