#include "DtdTestSupport.h"

namespace {

// The attributes of an element in order: name=value, with "?" after a value not specified.
std::string Attributes(TDomElement* element) {
  std::string out;
  const TDomNamedNodeMap* attributes = element->attributes();
  for (int i = 0; attributes != nullptr && i < attributes->getLength(); ++i) {
    const auto* attribute = static_cast<const TDomAttr*>(attributes->item(i));
    out += (i > 0 ? " " : "") + WideToUtf8(attribute->nodeName()) + "=" + WideToUtf8(attribute->nodeValue()) +
           (attribute->specified() ? "" : "?");
  }
  return out;
}

TEST_F(DtdParseFixture, DeclaredDefaultsAreSuppliedUnspecified) {
  struct Row {
    std::string Text;
    std::string Attributes;  // of the first child of the document element, or of it
  };
  const std::string decls =
      "<!DOCTYPE r [<!ATTLIST e d CDATA 'dv' f CDATA #FIXED 'fv' i CDATA #IMPLIED q CDATA #REQUIRED>"
      "<!ATTLIST e d CDATA 'second' g CDATA 'g&amp;v'>]>";
  const Row rows[] = {
      {decls + "<r><e/></r>", "d=dv? f=fv? g=g&amp;v?"},
      // Specified attributes come first, in the order written, then the defaults.
      {decls + "<r><e d='mine' i='x'/></r>", "d=mine i=x f=fv? g=g&amp;v?"},
      {decls + "<r><e g='1'>text</e></r>", "g=1 d=dv? f=fv?"},
      {decls + "<r><other/></r>", ""},
      // Declarations after an unread parameter entity give no defaults.
      {"<!DOCTYPE r [<!ENTITY % p SYSTEM 'p'>%p;<!ATTLIST e d CDATA 'dv'>]><r><e/></r>", ""},
  };
  for (const Row& row : rows) {
    ASSERT_TRUE(Parse(row.Text)) << row.Text << " first error " << FirstKind();
    TDomNode* first = Document->documentElement()->firstChild();
    ASSERT_EQ(first->nodeType(), ntElementNode) << row.Text;
    EXPECT_EQ(Attributes(static_cast<TDomElement*>(first)), row.Attributes) << row.Text;
  }
  // An element inside an entity's replacement text gets its defaults as well.
  ASSERT_TRUE(Parse("<!DOCTYPE r [<!ATTLIST e d CDATA 'dv'><!ENTITY x '<e/>'>]><r>&x;</r>"));
  TDomNode* inEntity = Document->documentElement()->firstChild()->firstChild();
  EXPECT_EQ(Attributes(static_cast<TDomElement*>(inEntity)), "d=dv?");
}

// A copy leaves the source's defaulted attributes behind and takes those of the document it
// is made in, at every depth; an entity reference inside a deep copy gets its replacement.
TEST_F(DtdParseFixture, CopiesTakeTheDefaultsOfTheirDocument) {
  ASSERT_TRUE(Parse("<!DOCTYPE r [<!ATTLIST e d CDATA 'dv'><!ATTLIST r k CDATA 'kv'><!ENTITY t 'text'>]>"
                    "<r><e/><e d='own'/><s><e/>&t;</s></r>"));
  TDomElement* root = Document->documentElement();
  struct Row {
    TDomNode* Source;
    bool Deep;
    std::string Attributes;  // of the copy's element "e", found first in document order
    std::string Shape;
  };
  TDomNode* first = root->firstChild();
  TDomNode* second = first->nextSibling();
  TDomNode* inner = second->nextSibling();
  const Row rows[] = {
      {first, false, "d=dv?", "e"},
      {second, true, "d=own", "e"},
      {inner, true, "d=dv?", "s[e,&t;[\"text\"]]"},
      {root, true, "d=dv?", "r[e,e,s[e,&t;[\"text\"]]]"},
  };
  for (const Row& row : rows) {
    TDomNode* copy = row.Source->cloneNode(row.Deep);
    EXPECT_EQ(Shape(copy), row.Shape);
    TDomElement* e = copy->nodeName() == u"e" ? static_cast<TDomElement*>(copy)
                                                 : static_cast<TDomElement*>(copy->firstChild());
    if (copy->nodeName() == u"s") e = static_cast<TDomElement*>(copy->firstChild());
    EXPECT_EQ(Attributes(e), row.Attributes) << row.Shape;
    if (copy->nodeName() == u"r") EXPECT_EQ(Attributes(static_cast<TDomElement*>(copy)), "k=kv?");
    TCustomOwnedObject::Free(copy);
  }
  // Into a document without declarations a copy brings no defaults; from one without
  // declarations into this one it gets them.
  TDomDocument plain(&Implementation);
  TDomNode* out = plain.importNode(first, true);
  EXPECT_EQ(Attributes(static_cast<TDomElement*>(out)), "");
  TDomElement* bare = TDomElement::Create(&plain, u"e");
  TDomNode* in = Document->importNode(bare, false);
  EXPECT_EQ(Attributes(static_cast<TDomElement*>(in)), "d=dv?");
}

TEST_F(DtdParseFixture, AttributeValuesAreNormalisedByDeclaredType) {
  struct Row {
    const char* Type;
    const char* Value;
    std::string Literal;
  };
  const Row rows[] = {
      {"CDATA", "  a \t b  ", "  a   b  "},
      {"NMTOKENS", "  a \t b  ", "a b"},
      {"ID", " x ", "x"},
      {"CDATA", "&t;", " two  words"},
      {"NMTOKENS", "&t;", "two words"},
      {"CDATA", "&n;", "1&2"},
      {"CDATA", "&#32;&#32;x&#9;", "  x\t"},
      {"NMTOKENS", "&#32;&#32;x", "x"},
  };
  for (const Row& row : rows) {
    const std::string text = std::string("<!DOCTYPE r [<!ENTITY t ' two  words'><!ENTITY n '1&#38;#38;2'>"
                                         "<!ATTLIST r a ") + row.Type + " #IMPLIED>]><r a='" + row.Value + "'/>";
    ASSERT_TRUE(Parse(text)) << text << " first error " << FirstKind();
    const TDomAttr* attribute = Document->documentElement()->getAttributeNode(u"a");
    ASSERT_NE(attribute, nullptr);
    EXPECT_EQ(WideToUtf8(attribute->LiteralValue()), row.Literal) << row.Type << " " << row.Value;
  }
}

TEST_F(DtdParseFixture, ElementsAreFoundByDeclaredId) {
  ASSERT_TRUE(Parse("<!DOCTYPE r [<!ATTLIST e id ID #IMPLIED name CDATA #IMPLIED>]>"
                    "<r><e name='one' id='a'/><f id='b'/><e id='b' name='two'/><e id='a' name='three'/></r>"));
  struct Row {
    const char16_t* Id;
    const char16_t* Name;  // of the element found; none when nothing is found
  };
  const Row rows[] = {{u"a", u"one"}, {u"b", u"two"}, {u"c", nullptr}, {u"one", nullptr}};
  for (const Row& row : rows) {
    TDomElement* found = Document->getElementById(row.Id);
    if (row.Name == nullptr) {
      EXPECT_EQ(found, nullptr) << WideToUtf8(row.Id);
    } else {
      ASSERT_NE(found, nullptr) << WideToUtf8(row.Id);
      EXPECT_EQ(found->getAttribute(u"name"), row.Name);
    }
  }
  // An element taken out of the tree is no longer found.
  TDomElement* first = Document->getElementById(u"a");
  first->parentNode()->removeChild(first);
  ASSERT_NE(Document->getElementById(u"a"), nullptr);
  EXPECT_EQ(Document->getElementById(u"a")->getAttribute(u"name"), u"three");
}

TEST_F(DtdParseFixture, WhiteSpaceInElementContentFollowsTheContentModel) {
  ASSERT_TRUE(Parse("<!DOCTYPE r [<!ELEMENT r (e*)><!ELEMENT e (#PCDATA)><!ELEMENT m ANY>"
                    "<!ENTITY s '\n'>]><r>\n<e> </e>&s;<e>&#32;</e></r>"));
  TDomNode* r = Document->documentElement();
  struct Row {
    TDomNode* Node;
    bool Expected;
  };
  const Row rows[] = {
      {r->firstChild(), true},                                   // between elements of r
      {r->firstChild()->nextSibling()->firstChild(), false},     // inside e, mixed content
      {r->firstChild()->nextSibling()->nextSibling()->firstChild(), true},  // through &s;
      {r->lastChild()->firstChild(), false},                     // from a character reference
  };
  for (const Row& row : rows) {
    ASSERT_NE(row.Node, nullptr);
    ASSERT_EQ(row.Node->nodeType(), ntTextNode);
    EXPECT_EQ(static_cast<TDomText*>(row.Node)->isWhitespaceInElementContent(), row.Expected)
        << WideToUtf8(row.Node->parentNode()->nodeName());
  }
}

}  // namespace
