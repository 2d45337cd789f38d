// The error object: the severity of every kind at each boundary, the kind names, and the
// values taken from a locator, from nothing, and kept by a clone.
#include "xml/DomError.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

TEST(ErrorKinds, SeverityAtEveryBoundary) {
  const std::pair<int, TDomSeverity> rows[] = {
      {0, DOM_SEVERITY_WARNING},       {5, DOM_SEVERITY_WARNING},       {6, DOM_SEVERITY_ERROR},
      {26, DOM_SEVERITY_ERROR},        {43, DOM_SEVERITY_ERROR},        {44, DOM_SEVERITY_FATAL_ERROR},
      {45, DOM_SEVERITY_FATAL_ERROR},  {87, DOM_SEVERITY_FATAL_ERROR},  {88, DOM_SEVERITY_WARNING},
      {89, DOM_SEVERITY_FATAL_ERROR},  {108, DOM_SEVERITY_FATAL_ERROR}, {109, DOM_SEVERITY_WARNING},
      {110, DOM_SEVERITY_FATAL_ERROR}, {151, DOM_SEVERITY_FATAL_ERROR},
  };
  for (const auto& [kind, severity] : rows) {
    EXPECT_EQ(SeverityOfErrorKind(kind), severity) << kind;
    const TDomError error(static_cast<TXmlErrorType>(kind), nullptr, u"", u"");
    EXPECT_EQ(error.Severity(), severity) << kind;
  }
  int counts[3] = {};
  for (int kind = 0; kind < kErrorKindCount; ++kind) ++counts[SeverityOfErrorKind(kind)];
  EXPECT_EQ(counts[0], 8);
  EXPECT_EQ(counts[1], 38);
  EXPECT_EQ(counts[2], 106);
}

TEST(ErrorKinds, Names) {
  const std::pair<int, const char*> rows[] = {
      {EK_NONE, "EK_NONE"},
      {EK_DTD_SUBSET_WARNING, "EK_DTD_SUBSET_WARNING"},
      {EK_VALIDITY_6, "EK_VALIDITY_6"},
      {EK_CONDITIONAL_SECTION_PE_NESTING, "EK_CONDITIONAL_SECTION_PE_NESTING"},
      {EK_VALIDITY_43, "EK_VALIDITY_43"},
      {EK_ENCODING_CONVERSION_FAILED, "EK_ENCODING_CONVERSION_FAILED"},
      {EK_INVALID_CHARACTER, "EK_INVALID_CHARACTER"},
      {EK_END_TAG_MISMATCH, "EK_END_TAG_MISMATCH"},
      {EK_DOCTYPE_TOKENIZER_WARNING, "EK_DOCTYPE_TOKENIZER_WARNING"},
      {EK_CONTENT_MODEL_WARNING, "EK_CONTENT_MODEL_WARNING"},
      {EK_UNDECLARED_ENTITY, "EK_UNDECLARED_ENTITY"},
      {EK_ENTITY_EXPANSION_TOO_LARGE, "EK_ENTITY_EXPANSION_TOO_LARGE"},
      {EK_RESERVED_145, "EK_RESERVED_145"},
      {EK_UNBALANCED_SECOND_STACK, "EK_UNBALANCED_SECOND_STACK"},
      {EK_XML_VERSION_NOT_SUPPORTED, "EK_XML_VERSION_NOT_SUPPORTED"},
      {152, ""},
      {-1, ""},
  };
  for (const auto& [kind, name] : rows) EXPECT_STREQ(ErrorKindName(kind), name) << kind;
  EXPECT_EQ(EK_ENCODING_CONVERSION_FAILED, 45);
  EXPECT_EQ(EK_INVALID_CHARACTER, 59);
  EXPECT_EQ(EK_END_TAG_MISMATCH, 79);
  EXPECT_EQ(EK_ENCODING_NOT_SUPPORTED, 147);
  std::set<std::string> distinct;
  for (int kind = 0; kind < kErrorKindCount; ++kind) distinct.insert(ErrorKindName(kind));
  EXPECT_EQ(distinct.size(), 152u);
}

class TFixedLocator : public IXmlLocator {
public:
  std::int64_t EndByte() const override { return 11; }
  std::int64_t EndChar() const override { return 12; }
  std::int64_t EndColumn() const override { return 13; }
  std::int64_t EndLine() const override { return 14; }
  std::int64_t EndTabs() const override { return 15; }
  TDtdObject* RelatedDtdItem() const override { return reinterpret_cast<TDtdObject*>(0x20); }
  TDomNode* RelatedNode() const override { return reinterpret_cast<TDomNode*>(0x10); }
  std::int64_t StartByte() const override { return 1; }
  std::int64_t StartChar() const override { return 2; }
  std::int64_t StartColumn() const override { return 3; }
  std::int64_t StartLine() const override { return 4; }
  std::int64_t StartTabs() const override { return 5; }
  WideString SourceUri() const override { return u"file:///tmp/order.xml"; }
};

struct Snapshot {
  int Kind;
  std::u16string Offending, Clue, Uri;
  std::int64_t Values[10];
  const void* Node;
  const void* Dtd;
  bool operator==(const Snapshot& o) const {
    return Kind == o.Kind && Offending == o.Offending && Clue == o.Clue && Uri == o.Uri &&
           std::equal(Values, Values + 10, o.Values) && Node == o.Node && Dtd == o.Dtd;
  }
};

Snapshot Take(const TDomError& e) {
  return {e.Kind, e.OffendingText(), e.Clue(), e.SourceUri(),
          {e.StartByte(), e.StartChar(), e.StartColumn(), e.StartLine(), e.StartTabs(), e.EndByte(),
           e.EndChar(), e.EndColumn(), e.EndLine(), e.EndTabs()},
          e.RelatedNode(), e.RelatedDtdItem()};
}

TEST(DomError, ConstructionAndClone) {
  const TFixedLocator locator;
  const auto* node = reinterpret_cast<TDomNode*>(0x10);
  const auto* dtd = reinterpret_cast<TDtdObject*>(0x20);
  struct Row {
    const char* Name;
    TDomError Error;
    Snapshot Expected;
  };
  const Row rows[] = {
      {"from a locator", TDomError(EK_END_TAG_MISMATCH, &locator, u"b", u"a"),
       {79, u"b", u"a", u"file:///tmp/order.xml", {1, 2, 3, 4, 5, 11, 12, 13, 14, 15}, node, dtd}},
      {"without a locator", TDomError(EK_INVALID_CHARACTER, nullptr, u"\u0001", u""),
       {59, u"\u0001", u"", u"", {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1}, nullptr, nullptr}},
      {"from values",
       TDomError(EK_QUOTE_EXPECTED, u"x", u"\"", const_cast<TDomNode*>(node), nullptr, u"u", 10, 20,
                 30, 40, 50, 60, 70, 80, 90, 100),
       {78, u"x", u"\"", u"u", {10, 20, 30, 40, 50, 60, 70, 80, 90, 100}, node, nullptr}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.Name);
    EXPECT_EQ(Take(row.Error), row.Expected);
    const std::unique_ptr<TDomError> clone = row.Error.Clone();
    ASSERT_NE(clone.get(), &row.Error);
    EXPECT_EQ(Take(*clone), row.Expected);
    EXPECT_EQ(clone->Severity(), row.Error.Severity());
  }
}

}  // namespace
