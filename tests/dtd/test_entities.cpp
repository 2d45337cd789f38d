#include "DtdTestSupport.h"

#include "dom/DomExceptions.h"

namespace {

const char* kDecls =
    "<!DOCTYPE r [<!ENTITY t 'text'><!ENTITY m 'a<b>&t;</b>c'><!ENTITY x SYSTEM 'x.xml'>"
    "<!ENTITY cr 'a&#13;&#10;b'><!ENTITY lone '&#13;'><!ENTITY bom '&#xFEFF;x'>]>";

TEST_F(DtdParseFixture, InternalEntitiesAreExpandedUnderTheirReference) {
  struct Row {
    std::string Body;
    bool KeepEntityRefs;
    std::string Shape;
  };
  const Row rows[] = {
      {"<r>1&t;2</r>", true, "r[\"1\",&t;[\"text\"],\"2\"]"},
      {"<r>1&t;2</r>", false, "r[\"1text2\"]"},
      {"<r>&m;</r>", true, "r[&m;[\"a\",b[&t;[\"text\"]],\"c\"]]"},
      {"<r>&m;</r>", false, "r[\"a\",b[\"text\"],\"c\"]"},
      {"<r>&x;</r>", true, "r[&x;]"},
      {"<r>&x;</r>", false, "r[&x;]"},
      {"<r>&amp;</r>", false, "r[\"&\"]"},
      {"<r a='&t;'/>", true, "r{&t;}"},
      // A CR from a character reference in the entity's value is data, not a line end.
      {"<r>&cr;</r>", false, "r[\"a\r\nb\"]"},
      {"<r>&cr;</r>", true, "r[&cr;[\"a\r\nb\"]]"},
      {"<r>&lone;</r>", false, "r[\"\r\"]"},
      // U+FEFF at the start of a replacement text is a character, not a byte-order mark.
      {"<r>&bom;</r>", true, "r[&bom;[\"\xEF\xBB\xBFx\"]]"},
      {"<r>&bom;</r>", false, "r[\"\xEF\xBB\xBFx\"]"},
  };
  for (const Row& row : rows) {
    Parser.SetKeepEntityRefs(row.KeepEntityRefs);
    ASSERT_TRUE(Parse(kDecls + row.Body)) << row.Body << " first error " << FirstKind();
    EXPECT_EQ(Shape(Document->documentElement()), row.Shape) << row.Body;
  }
}

TEST_F(DtdParseFixture, ExpandedEntitiesAreReadOnly) {
  ASSERT_TRUE(Parse(std::string(kDecls) + "<r>&m;</r>"));
  TDomNode* reference = Document->documentElement()->firstChild();
  ASSERT_EQ(reference->nodeType(), ntEntityReferenceNode);
  EXPECT_THROW(reference->appendChild(TDomText::Create(Document.get())), ENo_Modification_Allowed_Err);
  TDomNode* inner = reference->firstChild()->nextSibling();
  ASSERT_EQ(inner->nodeName(), u"b");
  EXPECT_THROW(inner->appendChild(TDomText::Create(Document.get())), ENo_Modification_Allowed_Err);
}

TEST_F(DtdParseFixture, CopiedEntityReferencesAreFilled) {
  ASSERT_TRUE(Parse(std::string(kDecls) + "<r>&m;&x;</r>"));
  struct Row {
    TDomNode* Source;
    std::string Shape;
  };
  const Row rows[] = {
      {Document->documentElement()->firstChild(), "&m;[\"a\",b[&t;[\"text\"]],\"c\"]"},
      {Document->documentElement()->lastChild(), "&x;"},
  };
  for (const Row& row : rows) {
    TDomNode* copy = Document->CopyNode(row.Source, false);
    EXPECT_EQ(Shape(copy), row.Shape);
    EXPECT_TRUE(copy->IsReadOnly());
    if (copy->firstChild() != nullptr) EXPECT_TRUE(copy->firstChild()->IsReadOnly());
  }
}

TEST_F(DtdParseFixture, EntityReferencesThatBreakWellFormednessAreRefused) {
  struct Row {
    std::string Text;
    int Kind;
    std::string Offending;
  };
  const Row rows[] = {
      // Entity Declared, also without any DOCTYPE.
      {"<r>&foo;</r>", EK_UNDECLARED_ENTITY, "&foo;"},
      {"<r a='&foo;'/>", EK_UNDECLARED_ENTITY, "&foo;"},
      {"<!DOCTYPE r [<!ENTITY e 'x'>]><r>&f;</r>", EK_UNDECLARED_ENTITY, "&f;"},
      {"<!DOCTYPE r [<!ENTITY e '&f;'>]><r>&e;</r>", EK_UNDECLARED_ENTITY, "&f;"},
      {"<!DOCTYPE r [<!ATTLIST r a CDATA '&f;'>]><r/>", EK_UNDECLARED_ENTITY, "&f;"},
      {"<?xml version='1.0' standalone='yes'?><!DOCTYPE r SYSTEM 'r.dtd'><r>&f;</r>", EK_UNDECLARED_ENTITY,
       "&f;"},
      // Parsed Entity.
      {"<!DOCTYPE r [<!NOTATION n SYSTEM 'n'><!ENTITY u SYSTEM 'u' NDATA n>]><r>&u;</r>",
       EK_UNPARSED_ENTITY_REFERENCE, "&u;"},
      {"<!DOCTYPE r [<!NOTATION n SYSTEM 'n'><!ENTITY u SYSTEM 'u' NDATA n>]><r a='&u;'/>",
       EK_UNPARSED_ENTITY_REFERENCE, "&u;"},
      // No Recursion.
      {"<!DOCTYPE r [<!ENTITY a '&b;'><!ENTITY b '&a;'>]><r>&a;</r>", EK_RECURSIVE_ENTITY_REFERENCE, "&a;"},
      {"<!DOCTYPE r [<!ENTITY a '&b;'><!ENTITY b '&a;'>]><r a='&a;'/>", EK_RECURSIVE_ENTITY_REFERENCE, "&a;"},
      {"<!DOCTYPE r [<!ENTITY a '&b;'><!ENTITY b '&a;'><!ATTLIST r a CDATA '&a;'>]><r/>",
       EK_RECURSIVE_ENTITY_REFERENCE, "&a;"},
      // No External Entity References and No < in Attribute Values.
      {"<!DOCTYPE r [<!ENTITY x SYSTEM 'x'>]><r a='&x;'/>", EK_EXTERNAL_ENTITY_IN_ATTRIBUTE_VALUE, "&x;"},
      {"<!DOCTYPE r [<!ENTITY x SYSTEM 'x'><!ATTLIST r a CDATA '&x;'>]><r/>",
       EK_EXTERNAL_ENTITY_IN_ATTRIBUTE_VALUE, "&x;"},
      {"<!DOCTYPE r [<!ENTITY l '&#60;'>]><r a='&l;'/>", EK_LT_IN_ATTRIBUTE_VALUE, "&l;"},
      {"<!DOCTYPE r [<!ENTITY l 'x<y'><!ENTITY k '&l;'>]><r a='&k;'/>", EK_LT_IN_ATTRIBUTE_VALUE, "&l;"},
      // The replacement text must be content with balanced tags.
      {"<!DOCTYPE r [<!ENTITY e '</r><r>'>]><r>&e;</r>", EK_END_TAG_MISMATCH, "r"},
      {"<!DOCTYPE r [<!ENTITY e '<b>'>]><r>&e;</r>", EK_UNCLOSED_ELEMENT_AT_END, ""},
      {"<!DOCTYPE r [<!ENTITY e '&#38;#38'>]><r>&e;</r>", EK_UNTERMINATED_CHARACTER_REFERENCE, "38"},
      // Names in the replacement text follow the same classes as names written in the document:
      // U+309A may start a name, and U+0E5C stand in one, only from the fifth edition on.
      {"<!DOCTYPE r [<!ENTITY e '<&#x309A;></&#x309A;>'>]><r>&e;</r>", EK_INVALID_ELEMENT_NAME, "\xE3\x82\x9A"},
      {"<!DOCTYPE r [<!ENTITY e '<X&#xE5C;></X&#xE5C;>'>]><r>&e;</r>", EK_INVALID_ELEMENT_NAME, "X\xE0\xB9\x9C"},
      {"<!DOCTYPE r [<!ENTITY e '<b X&#xE5C;=\"1\"/>'>]><r>&e;</r>", EK_INVALID_ATTRIBUTE_NAME, "X\xE0\xB9\x9C"},
  };
  for (const Row& row : rows) {
    EXPECT_FALSE(Parse(row.Text)) << row.Text;
    ASSERT_FALSE(Reported.empty()) << row.Text;
    EXPECT_EQ(Reported.front().Kind, row.Kind) << row.Text;
    EXPECT_EQ(Reported.front().Offending, row.Offending) << row.Text;
  }
}

TEST_F(DtdParseFixture, UndeclaredEntitiesPassWhereDeclarationsMayBeUnread) {
  const char* texts[] = {
      "<!DOCTYPE r SYSTEM 'r.dtd'><r>&f;</r>",
      "<!DOCTYPE r SYSTEM 'r.dtd'><r a='&f;'/>",
      "<!DOCTYPE r [<!ENTITY % p SYSTEM 'p'>%p;]><r>&f;</r>",
      "<!DOCTYPE r [<!ENTITY % p SYSTEM 'p'>%p;<!ENTITY f 'skipped'>]><r>&f;</r>",
  };
  for (const char* text : texts) {
    ASSERT_TRUE(Parse(text)) << text << " first error " << FirstKind();
    EXPECT_EQ(Shape(Document->documentElement()).find("skipped"), std::string::npos) << text;
  }
}

TEST_F(DtdParseFixture, EntityErrorsArePlacedAtTheDocumentsReference) {
  // The range starts at the name after "&", as for every reference of the document.
  struct Row {
    const char* Text;
    std::int64_t Line;
  };
  const Row rows[] = {
      {"<r>\n  x&foo;</r>", 2},
      {"<!DOCTYPE r [<!ENTITY a '\n\n&b;'><!ENTITY b '\n&foo;'>]>\n<r>\n  x&a;</r>", 6},
      {"<!DOCTYPE r [<!ENTITY a '\n\n&b;'><!ENTITY b '\n&a;'>]>\n<r>\n  x&a;</r>", 6},
      {"<!DOCTYPE r [<!ENTITY a '\n\n&b;'><!ENTITY b '\n<c>'>]>\n<r>\n  x&a;</r>", 6},
      {"<!DOCTYPE r [<!ENTITY a '\n\n&b;'><!ENTITY b '\n<c><d></c>'>]>\n<r>\n  x&a;</r>", 6},
  };
  for (const Row& row : rows) {
    EXPECT_FALSE(Parse(row.Text)) << row.Text;
    ASSERT_FALSE(Reported.empty()) << row.Text;
    EXPECT_EQ(Reported.front().StartLine, row.Line) << row.Text;
    EXPECT_EQ(Reported.front().StartColumn, 5) << row.Text;
  }
}

std::string Laughs(int levels) {
  std::string text = "<!DOCTYPE r [<!ENTITY l0 'lol'>";
  for (int i = 1; i < levels; ++i) {
    text += "<!ENTITY l" + std::to_string(i) + " '";
    for (int k = 0; k < 10; ++k) text += "&l" + std::to_string(i - 1) + ";";
    text += "'>";
  }
  return text + "]><r>&l" + std::to_string(levels - 1) + ";</r>";
}

std::string Quadratic(int size, int references) {
  std::string text = "<!DOCTYPE r [<!ENTITY big '" + std::string(static_cast<std::size_t>(size), 'x') + "'>]><r>";
  for (int i = 0; i < references; ++i) text += "&big;";
  return text + "</r>";
}

TEST_F(DtdParseFixture, ExpansionLimitsRefuseHostileSubsets) {
  struct Row {
    std::string Text;
    bool KeepEntityRefs;
    int Kind;
  };
  const Row rows[] = {
      {Laughs(10), true, EK_ENTITY_EXPANSION_TOO_LARGE},
      {Laughs(10), false, EK_ENTITY_EXPANSION_TOO_LARGE},
      {Laughs(40), false, EK_ENTITY_EXPANSION_TOO_DEEP},
      {Quadratic(50000, 50000), false, EK_ENTITY_EXPANSION_TOO_LARGE},
  };
  for (const Row& row : rows) {
    Parser.SetKeepEntityRefs(row.KeepEntityRefs);
    EXPECT_FALSE(Parse(row.Text));
    ASSERT_FALSE(Reported.empty());
    EXPECT_EQ(Reported.front().Kind, row.Kind);
  }
}

TEST_F(DtdParseFixture, ExpansionLimitsAreSettable) {
  // Four levels of ten: about 7,400 characters expanded from a document of about 200.
  const std::string laughs = Laughs(4);
  EXPECT_TRUE(Parse(laughs));
  Parser.SetEntityExpansionLimits(2, 10, 100000);
  EXPECT_FALSE(Parse(laughs));
  EXPECT_EQ(FirstKind(), EK_ENTITY_EXPANSION_TOO_DEEP);
  Parser.SetEntityExpansionLimits(16, 10, 0);
  EXPECT_FALSE(Parse(laughs));
  EXPECT_EQ(FirstKind(), EK_ENTITY_EXPANSION_TOO_LARGE);
  Parser.SetEntityExpansionLimits(16, 100, 0);
  EXPECT_TRUE(Parse(laughs)) << FirstKind();
}

}  // namespace
