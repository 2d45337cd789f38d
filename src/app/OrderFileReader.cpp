#include "app/OrderFileReader.h"

#include "dom/DomCore.h"
#include "dom/DomLists.h"
#include "dom/DomImplementation.h"
#include "platform/Ansi1250.h"
#include "platform/Utf16.h"
#include "xml/DomError.h"
#include "xml/XmlToDomParser.h"

#include <exception>
#include <filesystem>
#include <memory>

#include <string>
#include <utility>
#include <vector>

namespace {

// Whether a value is taken from elements of this name.
bool IsFieldElement(const WideString& name) {
  return name == u"name" || name == u"company" || name == u"street" || name == u"village" ||
         name == u"zipcode" || name == u"farm" || name == u"accountnumber" || name == u"type" ||
         name == u"markcode" || name == u"cnt";
}

// The character a predefined entity reference stands for, or 0 for any other name.
char16_t PredefinedEntityChar(const WideString& name) {
  if (name == u"amp") return u'&';
  if (name == u"lt") return u'<';
  if (name == u"gt") return u'>';
  if (name == u"apos") return u'\'';
  if (name == u"quot") return u'"';
  return 0;
}

// The whole text of a field element: its text nodes, CDATA sections and predefined entity
// references in order, so "J&amp;N", a comment between two words or a CDATA section give
// back every character and not just the last piece. Character references are already part
// of the text nodes. Returns false when the element holds none of these, so an empty element
// leaves the value it names as it was.
bool ElementText(const TDomNode& element, WideString& text) {
  bool found = false;
  text.clear();
  for (const TDomNode* child = element.firstChild(); child != nullptr; child = child->nextSibling()) {
    switch (child->nodeType()) {
      case ntTextNode:
      case ntCDATASectionNode:
        text += child->nodeValue();
        found = true;
        break;
      case ntEntityReferenceNode:
        if (const char16_t c = PredefinedEntityChar(child->nodeName())) {
          text += c;
          found = true;
        }
        break;
      default:
        break;
    }
  }
  return found;
}

// Applies the whole text of a field element to the line or field its name stands for.
// `marks` is the number of "mark" elements met so far; values before the first one have no
// line to go to and are dropped.
void ApplyText(const WideString& parentName, const AnsiString& text, int marks, EarTagOrder& order) {
  if (parentName == u"name") {
    order.Name = text;
  } else if (parentName == u"company") {
    order.Company = text;
  } else if (parentName == u"street") {
    order.Street = text;
  } else if (parentName == u"village") {
    order.Village = text;
  } else if (parentName == u"zipcode") {
    order.Zipcode = text;
  } else if (parentName == u"farm") {
    order.FarmNumber = text;
  } else if (parentName == u"accountnumber") {
    order.AccountNumber = text;
  } else if (parentName == u"type") {
    order.TagType = TagTypeFromCode(text);
  } else if (parentName == u"markcode") {
    if (marks < 1) return;
    OrderLine& line = order.Line(marks);
    line.SetRowNumber(std::to_string(marks));
    line.SetCountry(text.substr(0, 2));
    line.SetEarNumber(text.size() > 2 ? text.substr(2, 12) : AnsiString());
  } else if (parentName == u"cnt") {
    if (marks < 1) return;
    order.Line(marks).SetCount(text.substr(0, 1));
  }
}

}  // namespace

void ReadOrder(const TDomNode& document, EarTagOrder& order) {
  EarTagOrder read = order;
  read.Name.clear();
  read.Company.clear();
  read.Street.clear();
  read.Village.clear();
  read.Zipcode.clear();
  read.TagType = -1;
  int marks = 0;

  // Document order without recursion: each entry is a child list and the next index in it.
  std::vector<std::pair<TDomNodeList*, int>> stack;
  stack.emplace_back(document.childNodes(), 0);
  while (!stack.empty()) {
    auto& [list, index] = stack.back();
    if (list == nullptr || index >= list->getLength()) {
      stack.pop_back();
      continue;
    }
    const TDomNode* node = list->item(index++);
    if (node == nullptr) continue;
    const TDomNodeType type = node->nodeType();
    if (type == ntElementNode && node->nodeName() == u"mark") {
      if (marks == MaxLines) throw EOrderFormatError("More order lines than an order can hold.");
      ++marks;
      // A new line starts empty, so nothing of the order read before survives in it.
      OrderLine& line = read.Line(marks);
      line.Clear();
      line.SetRowNumber(std::to_string(marks));
    } else if (type == ntElementNode && IsFieldElement(node->nodeName())) {
      // A text that is one line feed alone is line layout, not a value.
      WideString value;
      if (ElementText(*node, value) && value != u"\n")
        ApplyText(node->nodeName(), WideToAnsi(value), marks, read);
    }
    stack.emplace_back(node->childNodes(), 0);  // may invalidate `list` and `index`
  }

  // The line after the last mark is the entry line; a full order has none, and its last
  // mark stays current as after typing it.
  const int lineCount = marks < MaxLines ? marks + 1 : MaxLines;
  for (int i = marks + 1; i <= MaxLines; ++i) read.Line(i).Clear();
  read.LineCount = lineCount;
  read.CurrentLine = lineCount;
  read.Current().SetRowNumber(std::to_string(lineCount));
  order = std::move(read);
}

std::string DescribeParseError(const TDomError& error) {
  std::string text = ErrorKindName(error.Kind);
  if (text.empty()) text = "error " + std::to_string(static_cast<int>(error.Kind));
  if (!error.OffendingText().empty()) text += " \"" + WideToUtf8(error.OffendingText()) + "\"";
  if (!error.Clue().empty()) text += " (" + WideToUtf8(error.Clue()) + ")";
  if (error.StartLine() >= 0) {
    text += " at line " + std::to_string(error.StartLine());
    if (error.StartColumn() >= 0) text += ", column " + std::to_string(error.StartColumn());
  }
  return text;
}

namespace {

// Keeps the first error the parser reports while it lives (the first one that stops or
// fails the parse when there is one, otherwise the first warning) and hands every error on
// to the handler that was set before.
class TFirstErrorRecorder {
public:
  explicit TFirstErrorRecorder(TDomImplementation* implementation) : Implementation_(implementation) {
    if (Implementation_ == nullptr) return;
    Previous_ = Implementation_->OnError;
    Implementation_->OnError = [this](TPersistent* sender, TDomError* error, bool& go) {
      if (error != nullptr) {
        const bool serious = error->Severity() != DOM_SEVERITY_WARNING;
        if (First_.empty() || (serious && !Serious_)) {
          First_ = DescribeParseError(*error);
          Serious_ = serious;
        }
      }
      if (Previous_) Previous_(sender, error, go);
    };
  }
  ~TFirstErrorRecorder() {
    if (Implementation_ != nullptr) Implementation_->OnError = Previous_;
  }
  TFirstErrorRecorder(const TFirstErrorRecorder&) = delete;
  TFirstErrorRecorder& operator=(const TFirstErrorRecorder&) = delete;

  const std::string& First() const { return First_; }

private:
  TDomImplementation* Implementation_;
  TDomErrorEvent Previous_;
  std::string First_;
  bool Serious_ = false;
};

}  // namespace

TOpenOrderResult OpenOrderFile(TXmlToDomParser& parser, const std::string& fileName, EarTagOrder& order) {
  std::string detail;
  return OpenOrderFile(parser, fileName, order, detail);
}

TOpenOrderResult OpenOrderFile(TXmlToDomParser& parser, const std::string& fileName, EarTagOrder& order,
                               std::string& detail) {
  detail.clear();
  std::error_code error;
  const auto status = std::filesystem::status(fileName, error);
  if (error || !std::filesystem::exists(status) || std::filesystem::is_directory(status))
    return TOpenOrderResult::NotFound;
  std::unique_ptr<TDomDocument> document;
  {
    TFirstErrorRecorder errors(parser.DOMImpl());
    try {
      document.reset(parser.ParseFile(fileName));
    } catch (const std::exception& e) {
      detail = errors.First().empty() ? std::string(e.what()) : errors.First();
      return TOpenOrderResult::BadFormat;
    }
    if (!document) {
      detail = errors.First().empty() ? std::string("no document") : errors.First();
      return TOpenOrderResult::BadFormat;
    }
  }
  try {
    ReadOrder(*document, order);
  } catch (const std::exception& e) {
    detail = std::string("not an order: ") + e.what();
    return TOpenOrderResult::BadFormat;
  }
  return TOpenOrderResult::Opened;
}

const char* OpenOrderMessage(TOpenOrderResult result) {
  switch (result) {
    case TOpenOrderResult::NotFound: return OrderFileNotFoundMessage;
    case TOpenOrderResult::BadFormat: return OrderFileFormatMessage;
    case TOpenOrderResult::Opened: break;
  }
  return "";
}
