#include "DtdTestSupport.h"

namespace {

std::string Doc(const std::string& subset) { return "<!DOCTYPE a [" + subset + "]><a/>"; }

TEST_F(DtdParseFixture, WellFormedSubsetsAreAccepted) {
  const char* subsets[] = {
      "",
      " <!ELEMENT a EMPTY> ",
      "<!ELEMENT a ANY>",
      "<!ELEMENT a (#PCDATA)>",
      "<!ELEMENT a (#PCDATA)*>",
      "<!ELEMENT a ( #PCDATA | b | c )*>",
      "<!ELEMENT a (b,(c|d)*,e?)+>",
      "<!ELEMENT a (b)>",
      "<!ATTLIST a x CDATA #IMPLIED y ID #REQUIRED z (p|q) 'p' w NOTATION (n) #IMPLIED>",
      "<!ATTLIST a x CDATA #FIXED \"1&amp;2&#60;\">",
      "<!ATTLIST a>",
      "<!ENTITY e 'text with <b>markup</b> &amp; &f; &#x41;'>",
      "<!ENTITY % p \"<!ELEMENT a ANY>\"> %p;",
      "<!ENTITY e SYSTEM 'e.xml'>",
      "<!ENTITY e PUBLIC '-//X//EN' \"e.xml\">",
      "<!NOTATION n SYSTEM 'n'><!ENTITY u SYSTEM 'u.bin' NDATA n>",
      "<!NOTATION n PUBLIC 'p'>",
      "<!-- a comment with <!ELEMENT inside --><?pi data?>",
      "<!ENTITY % ext SYSTEM 'x.ent'> %ext; <!ENTITY e 'x'>",
      "<!ENTITY e 'a'><!ENTITY e 'b'>",
      "<!ENTITY \xC3\xA9t\xC3\xA9 'summer'>",
  };
  for (const char* subset : subsets) {
    EXPECT_TRUE(Parse(Doc(subset))) << subset << " first error " << FirstKind();
    EXPECT_TRUE(Reported.empty()) << subset;
  }
}

TEST_F(DtdParseFixture, SubsetsThatAreNotWellFormedStopTheParse) {
  struct Row {
    const char* Subset;
    int Kind;
  };
  const Row rows[] = {
      {"<!ELEMENT a>", EK_WHITESPACE_EXPECTED},
      {"<!ELEMENT 1a EMPTY>", EK_INVALID_ELEMENT_DECL_NAME},
      {"<!ELEMENT a EMPTY", EK_DTD_SUBSET_SYNTAX_101},
      {"<!ELEMENT a empty>", EK_MALFORMED_CONTENT_MODEL},
      {"<!ELEMENT a (#PCDATA|b)>", EK_MALFORMED_CONTENT_MODEL},
      {"<!ELEMENT a (b|c,d)>", EK_MALFORMED_CONTENT_MODEL},
      {"<!ELEMENT a (b,#PCDATA)>", EK_MALFORMED_CONTENT_MODEL},
      {"<!ELEMENT a ()>", EK_MALFORMED_CONTENT_MODEL},
      {"<!ELEMNT a ANY>", EK_ELEMENT_DECL_START_EXPECTED},
      {"<!ATTLIST a x CDATA>", EK_WHITESPACE_EXPECTED},
      {"<!ATTLIST a x STRING #IMPLIED>", EK_DTD_SUBSET_SYNTAX_105},
      {"<!ATTLIST a x CDATA #DEFAULT>", EK_DTD_SUBSET_SYNTAX_106},
      {"<!ATTLIST a x CDATA '<'>", EK_LT_IN_ATTRIBUTE_VALUE},
      {"<!ATTLIST a x CDATA '&#xD800;'>", EK_INVALID_CHARACTER_REFERENCE},
      {"<!ATTLIST a x CDATA '& b'>", EK_UNTERMINATED_ENTITY_REFERENCE},
      {"<!ATTLIST a x (a b) 'a'>", EK_INVALID_NMTOKEN_IN_ENUMERATION},
      {"<!ATTLIST a x CDATA 'v'y CDATA 'w'>", EK_WHITESPACE_EXPECTED},
      {"<!ENTITY e 'a&b'>", EK_INVALID_ENTITY_VALUE},
      {"<!ENTITY e '&#0;'>", EK_INVALID_CHARACTER_REFERENCE},
      {"<!ENTITY e 'x' NDATA n>", EK_ENTITY_VALUE_WITH_EXTERNAL_ID},
      {"<!ENTITY % p SYSTEM 'p' NDATA n>", EK_DTD_SUBSET_SYNTAX_120},
      {"<!ENTITY e SYSTEM>", EK_WHITESPACE_EXPECTED},
      {"<!ENTITY e PUBLIC 'a{b' 'c'>", EK_INVALID_PUBLIC_ID},
      {"<!ENTITY e PUBLIC 'p'>", EK_WHITESPACE_EXPECTED},
      {"<!ENTITY %p 'x'>", EK_WHITESPACE_EXPECTED},
      {"<!ENTITY e 'x' 'y'>", EK_DTD_SUBSET_SYNTAX_101},
      {"<!ENTITY e \"%p;\">", EK_PE_REFERENCE_IN_MARKUP},
      {"<!ENTITY % p 'CDATA'><!ATTLIST a x %p; #IMPLIED>", EK_PE_REFERENCE_IN_MARKUP},
      {"<!ENITY e 'x'>", EK_ENTITY_DECL_START_EXPECTED},
      {"<!NOTATION n>", EK_WHITESPACE_EXPECTED},
      {"<!NOTATION n FOO 'x'>", EK_SYSTEM_KEYWORD_EXPECTED},
      {"<!INCLUDE>", EK_UNKNOWN_MARKUP_DECL},
      {"<a/>", EK_UNKNOWN_MARKUP_DECL},
      {"text", EK_UNKNOWN_MARKUP_DECL},
      {"<?xml version='1.0'?>", EK_INVALID_PROCESSING_INSTRUCTION},
      {"%undeclared", EK_INVALID_PARAMETER_ENTITY_NAME},
      {"<!ENTITY % p '%p;'>", EK_PE_REFERENCE_IN_MARKUP},
      {"<!ENTITY % p '&#37;p;'> %p;", EK_RECURSIVE_ENTITY_REFERENCE},
      {"<!ENTITY % p '<!ELEMENT'> %p;", EK_WHITESPACE_EXPECTED},
      {"<!ENTITY e '\x01'>", EK_INVALID_CHARACTER},
  };
  for (const Row& row : rows) {
    EXPECT_FALSE(Parse(Doc(row.Subset))) << row.Subset;
    EXPECT_EQ(FirstKind(), row.Kind) << row.Subset;
  }
}

TEST_F(DtdParseFixture, UndeclaredParameterEntityBreaksOnlyAStandaloneDocument) {
  EXPECT_TRUE(Parse("<!DOCTYPE a [ %p; ]><a/>"));
  EXPECT_FALSE(Parse("<?xml version='1.0' standalone='yes'?><!DOCTYPE a [ %p; ]><a/>"));
  EXPECT_EQ(FirstKind(), EK_UNDECLARED_ENTITY);
}

TEST_F(DtdParseFixture, ErrorsPointIntoTheWholeDocument) {
  struct Row {
    const char* Text;
    std::int64_t StartLine, StartColumn, EndLine, EndColumn;
  };
  const Row rows[] = {
      // The declaration starts the range; its end is the character where reading failed.
      {"<!DOCTYPE a [\n<!ELEMENT a EMPTY>\n  <!ELEMENT b (c|)>\n]><a/>", 3, 3, 3, 18},
      {"<!DOCTYPE a [<!ELEMENT 1 ANY>]><a/>", 1, 14, 1, 25},
      // Inside a parameter entity's text the range is that of the reference.
      {"<!DOCTYPE a [\n<!ENTITY % p '<!ELEMENT x>'>\n\t%p;]><a/>", 3, 2, 3, 4},
      // White space before the "[" and a first line that the subset shares with the name.
      {"<!DOCTYPE a  \n [<!ELEMENT a (b c)>]><a/>", 2, 3, 2, 18},
      {"<!DOCTYPE a SYSTEM 'a.dtd' [<!ATTLIST a>\n<!FOO>]><a/>", 2, 1, 2, 1},
  };
  for (const Row& row : rows) {
    EXPECT_FALSE(Parse(row.Text)) << row.Text;
    ASSERT_FALSE(Reported.empty()) << row.Text;
    const TReportedError& e = Reported.front();
    EXPECT_EQ(e.StartLine, row.StartLine) << row.Text;
    EXPECT_EQ(e.StartColumn, row.StartColumn) << row.Text;
    EXPECT_EQ(e.EndLine, row.EndLine) << row.Text;
    EXPECT_EQ(e.EndColumn, row.EndColumn) << row.Text;
  }
}

TEST_F(DtdParseFixture, DeclarationsEnterTheModel) {
  ASSERT_TRUE(Parse(Doc("<!ELEMENT a (b|c)*><!ELEMENT b EMPTY><!ELEMENT b ANY>"
                        "<!ATTLIST a id ID #REQUIRED kind (x|y) 'y' fixed CDATA #FIXED 'f' id CDATA #IMPLIED>"
                        "<!ENTITY e 'one &#x41; &f;'><!ENTITY e 'two'><!ENTITY % p 'pe'>"
                        "<!ENTITY x PUBLIC 'pub' 'sys'><!NOTATION n SYSTEM 'n.exe'>"
                        "<!ENTITY u SYSTEM 'u.bin' NDATA n>")));
  const TDtdModel& model = Model();
  ASSERT_NE(model.FindElementType(u"a"), nullptr);
  EXPECT_EQ(model.FindElementType(u"a")->ContentKind, TDtdContentKind::Children);
  EXPECT_EQ(model.FindElementType(u"a")->ContentModel, u"(b|c)*");
  EXPECT_EQ(model.FindElementType(u"b")->ContentKind, TDtdContentKind::Empty);

  const TDtdAttributeDefinition* id = model.FindAttributeDefinition(u"a", u"id");
  ASSERT_NE(id, nullptr);
  EXPECT_EQ(id->AttributeType, AT_ID);
  EXPECT_EQ(id->DefaultKind, TDtdDefaultKind::Required);
  const TDtdAttributeDefinition* kind = model.FindAttributeDefinition(u"a", u"kind");
  ASSERT_NE(kind, nullptr);
  EXPECT_EQ(kind->AttributeType, AT_ENUMERATION);
  EXPECT_EQ(kind->Enumeration, (std::vector<WideString>{u"x", u"y"}));
  EXPECT_EQ(kind->DefaultKind, TDtdDefaultKind::Default);
  EXPECT_EQ(kind->DefaultValue, u"y");
  EXPECT_EQ(model.FindAttributeDefinition(u"a", u"fixed")->DefaultKind, TDtdDefaultKind::Fixed);
  EXPECT_EQ(model.AttributeDefinitions(u"a")->size(), 3u);
  EXPECT_EQ(Document->GetAttributeType(u"a", u"id"), AT_ID);
  EXPECT_EQ(Document->GetAttributeType(u"a", u"other"), AT_UNDECLARED);

  const TDtdEntity* e = model.FindGeneralEntity(u"e");
  ASSERT_NE(e, nullptr);
  EXPECT_TRUE(e->IsInternal);
  EXPECT_EQ(e->ReplacementText, u"one A &f;");
  EXPECT_EQ(model.FindGeneralEntity(u"p"), nullptr);
  EXPECT_EQ(model.FindParameterEntity(u"p")->ReplacementText, u"pe");
  const TDtdEntity* x = model.FindGeneralEntity(u"x");
  EXPECT_FALSE(x->IsInternal);
  EXPECT_EQ(x->PublicId, u"pub");
  EXPECT_EQ(x->SystemId, u"sys");
  EXPECT_EQ(model.FindGeneralEntity(u"u")->NotationName, u"n");
  EXPECT_FALSE(model.FindGeneralEntity(u"u")->IsParsed());
  EXPECT_EQ(model.FindNotation(u"n")->SystemId, u"n.exe");
}

TEST_F(DtdParseFixture, DeclarationsAfterAnUnreadParameterEntityAreLeftOut) {
  struct Row {
    const char* Text;
    bool EntityKept, AttributeKept, ElementKept;
  };
  const Row rows[] = {
      {"<!DOCTYPE a [<!ENTITY % x SYSTEM 'x'>%x;<!ENTITY e 'v'><!ATTLIST a n CDATA 'd'><!ELEMENT a ANY>]><a/>",
       false, false, true},
      {"<!DOCTYPE a [%undeclared;<!ENTITY e 'v'><!ATTLIST a n CDATA 'd'><!ELEMENT a ANY>]><a/>", false, false,
       true},
      {"<?xml version='1.0' standalone='yes'?>"
       "<!DOCTYPE a [<!ENTITY % x SYSTEM 'x'>%x;<!ENTITY e 'v'><!ATTLIST a n CDATA 'd'><!ELEMENT a ANY>]><a/>",
       true, true, true},
      {"<!DOCTYPE a [<!ENTITY % i '<!ENTITY f \"w\">'>%i;<!ENTITY e 'v'><!ATTLIST a n CDATA 'd'>]><a/>", true,
       true, false},
  };
  for (const Row& row : rows) {
    ASSERT_TRUE(Parse(row.Text)) << row.Text;
    EXPECT_EQ(Model().FindGeneralEntity(u"e") != nullptr, row.EntityKept) << row.Text;
    EXPECT_EQ(Model().FindAttributeDefinition(u"a", u"n") != nullptr, row.AttributeKept) << row.Text;
    EXPECT_EQ(Model().FindElementType(u"a") != nullptr, row.ElementKept) << row.Text;
    EXPECT_EQ(Model().SkippedDeclarations, !row.EntityKept) << row.Text;
  }
  ASSERT_TRUE(Parse("<!DOCTYPE a [<!ENTITY % i '<!ENTITY f \"w\">'>%i;]><a/>"));
  EXPECT_NE(Model().FindGeneralEntity(u"f"), nullptr);
}

}  // namespace

// The reader's signals: one per declaration the model took, naming the model's item and
// placed on the declaration, one per parameter-entity reference, and the end.
TEST_F(DtdParseFixture, DeclarationsAreSentAsSignals) {
  std::vector<std::string> heard;
  Implementation.OnDtdSignal = [&](TPersistent* sender, const TXmlSignal& signal) {
    EXPECT_NE(dynamic_cast<TDomDocument*>(sender), nullptr);  // the document being parsed
    std::string line = signal.ClassName();
    const auto text = [](const WideString& w) { return WideToUtf8(w); };
    switch (signal.Kind()) {
      case TXmlSignalKind::ElementTypeDeclaration: {
        const auto& s = SignalAs<TXmlElementTypeDeclarationSignal>(&signal);
        line += " " + text(s.ElementName) + " " + std::to_string(s.ContentKind) + " " + text(s.ContentModel);
        break;
      }
      case TXmlSignalKind::AttributeDefinition: {
        const auto& s = SignalAs<TXmlAttributeDefinitionSignal>(&signal);
        line += " " + text(s.ElementName) + "/" + text(s.AttributeName) + " " + std::to_string(s.AttributeType) + " " +
                std::to_string(s.Enumeration.size()) + " " + std::to_string(s.DefaultKind) + " " + text(s.DefaultValue);
        break;
      }
      case TXmlSignalKind::EntityDeclaration:
      case TXmlSignalKind::ParameterEntityDeclaration: {
        const auto& s = signal.Kind() == TXmlSignalKind::EntityDeclaration
                            ? static_cast<const TXmlEntityDeclarationFields&>(SignalAs<TXmlEntityDeclarationSignal>(&signal))
                            : SignalAs<TXmlParameterEntityDeclarationSignal>(&signal);
        line += " " + text(s.EntityName) + (s.IsInternal ? " '" + text(s.ReplacementText) + "'" : " " + text(s.SystemId)) +
                (s.NotationName.empty() ? "" : " " + text(s.NotationName));
        break;
      }
      case TXmlSignalKind::NotationDeclaration:
        line += " " + text(SignalAs<TXmlNotationDeclarationSignal>(&signal).NotationName);
        break;
      case TXmlSignalKind::PEReferenceFound:
        line += " " + text(SignalAs<TXmlPEReferenceFoundSignal>(&signal).EntityName);
        break;
      case TXmlSignalKind::ExternalPEReference:
        line += " " + text(SignalAs<TXmlExternalPEReferenceSignal>(&signal).EntityName);
        break;
      default: break;
    }
    // Declarations and references name the model's item where there is one.
    if (signal.RelatedDtdItem() != nullptr) line += " item " + text(signal.RelatedDtdItem()->Name);
    line += " @" + std::to_string(signal.StartLine()) + ":" + std::to_string(signal.StartColumn()) + "-" +
            std::to_string(signal.EndLine()) + ":" + std::to_string(signal.EndColumn());
    heard.push_back(line);
  };
  struct Row {
    std::string Text;
    bool Parses;
    std::vector<std::string> Heard;
  };
  const Row rows[] = {
      {"<!DOCTYPE r [\n<!ELEMENT r (a|b)*><!ATTLIST r k (x|y) 'y'>\n<!ENTITY e 'v'><!ENTITY e 'second'>"
       "<!ENTITY % p '<!NOTATION n SYSTEM \"n\">'>%p;\n<!ENTITY u SYSTEM 'u.bin' NDATA n>]><r/>",
       true,
       {"TXmlStartIntDtdSignal @1:13-1:13",
        "TXmlElementTypeDeclarationSignal r 3 (a|b)* item r @2:1-2:19",
        "TXmlAttributeDefinitionSignal r/k 10 2 3 y item k @2:20-2:42",
        "TXmlEntityDeclarationSignal e 'v' item e @3:1-3:15",
        "TXmlParameterEntityDeclarationSignal p '<!NOTATION n SYSTEM \"n\">' item p @3:36-3:75",
        "TXmlPEReferenceFoundSignal p item p @3:76-3:78",
        "TXmlNotationDeclarationSignal n item n @3:76-3:78",
        "TXmlEntityDeclarationSignal u u.bin n item u @4:1-4:34",
        "TXmlCompletedSignal @4:34-4:34"}},
      // After an external parameter entity that is not read, no declaration enters the model.
      {"<!DOCTYPE r [<!ENTITY % x SYSTEM 'x.ent'>%x;<!ENTITY e 'v'>]><r/>", true,
       {"TXmlStartIntDtdSignal @1:13-1:13", "TXmlParameterEntityDeclarationSignal x x.ent item x @1:14-1:41",
        "TXmlExternalPEReferenceSignal x item x @1:42-1:44", "TXmlCompletedSignal @1:59-1:59"}},
      {"<!DOCTYPE r [<!ENTITY e 'v'><!ELEMENT>]><r/>", false,
       {"TXmlStartIntDtdSignal @1:13-1:13", "TXmlEntityDeclarationSignal e 'v' item e @1:14-1:28",
        "TXmlAbortedSignal @1:38-1:38"}},
  };
  for (const Row& row : rows) {
    heard.clear();
    EXPECT_EQ(Parse(row.Text), row.Parses) << row.Text;
    EXPECT_EQ(heard, row.Heard) << row.Text;
  }
}
