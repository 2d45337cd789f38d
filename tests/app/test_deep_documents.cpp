// Documents a million levels deep and a million elements wide: each parses, opens as an
// order and is freed without a crash, and the tree and the order hold what the bytes say.
#include "app/EarTagOrder.h"
#include "app/OrderFileReader.h"
#include "dom/DomImplementation.h"
#include "dom/DomNodes.h"
#include "platform/Exceptions.h"
#include "xml/XmlToDomParser.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

// A million in the normal build. The sanitizer build runs about thirty times slower, so it
// takes a fifth: still far deeper than any recursion over the tree could survive.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kMillion = 200000;
#else
constexpr int kMillion = 1000000;
#endif

std::string Repeat(const std::string& unit, int count) {
  std::string out;
  out.reserve(unit.size() * static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) out += unit;
  return out;
}

struct Shape {
  int Depth = 0;     // elements on the longest chain of first children
  int Elements = 0;  // elements in the whole tree
};

// Walks with the tree's own links, so the walk costs no stack either.
Shape Measure(const TDomNode* document) {
  Shape shape;
  int depth = 0;
  const TDomNode* node = document->firstChild();
  while (node != nullptr) {
    if (node->nodeType() == ntElementNode) {
      ++shape.Elements;
      if (node->firstChild() != nullptr) {
        ++depth;
        if (depth > shape.Depth) shape.Depth = depth;
        node = node->firstChild();
        continue;
      }
      if (depth + 1 > shape.Depth) shape.Depth = depth + 1;
    }
    while (node != nullptr && node->nextSibling() == nullptr) {
      node = node->parentNode();
      if (node == document) node = nullptr;
      if (node != nullptr && node->nodeType() == ntElementNode) --depth;
    }
    if (node != nullptr) node = node->nextSibling();
  }
  return shape;
}

enum class Outcome { Opened, Refused };

struct Row {
  const char* Name;
  std::string Bytes;
  Shape Expected;
  Outcome Order;
  const char* FarmNumber;  // what the order holds afterwards
};

TEST(DeepAndWideDocuments, ParseOpenAsOrderAndFree) {
  const Row rows[] = {
      {"a million nested elements around the farm number",
       "<objednavka>" + Repeat("<a>", kMillion) + "<farm>SK77</farm>" + Repeat("</a>", kMillion) +
           "</objednavka>",
       {kMillion + 2, kMillion + 2}, Outcome::Opened, "SK77"},
      {"a million nested marks", "<objednavka>" + Repeat("<mark>", kMillion) + Repeat("</mark>", kMillion) +
                                     "</objednavka>",
       {kMillion + 1, kMillion + 1}, Outcome::Refused, "SK1"},
      {"a million empty siblings", "<objednavka>" + Repeat("<x/>", kMillion) + "<farm>SK9</farm></objednavka>",
       {2, kMillion + 2}, Outcome::Opened, "SK9"},
      {"a million sibling marks", "<objednavka>" + Repeat("<mark/>", kMillion) + "</objednavka>",
       {2, kMillion + 1}, Outcome::Refused, "SK1"},
  };
  for (const Row& row : rows) {
    TDomImplementation implementation;
    TXmlToDomParser parser;
    parser.SetDOMImpl(&implementation);
    TMemoryStream stream(row.Bytes);
    std::unique_ptr<TDomDocument> document(parser.ParseStream(&stream, u"file:///deep.xml", nullptr, true));
    ASSERT_NE(document, nullptr) << row.Name;
    const Shape shape = Measure(document.get());
    EXPECT_EQ(shape.Depth, row.Expected.Depth) << row.Name;
    EXPECT_EQ(shape.Elements, row.Expected.Elements) << row.Name;

    EarTagOrder order;
    order.FarmNumber = "SK1";
    bool refused = false;
    try {
      ReadOrder(*document, order);
    } catch (const EOrderFormatError&) {
      refused = true;
    }
    EXPECT_EQ(refused, row.Order == Outcome::Refused) << row.Name;
    EXPECT_EQ(order.FarmNumber, row.FarmNumber) << row.Name;
    document.reset();
  }
}

} // namespace
