// The canonical writer on documents whose canonical form is known from the suite's rules:
// what is escaped, how attributes are ordered, what is left out, and the notation list of
// the second form.
#include "conformance/CanonicalForm.h"

#include "dom/DomImplementation.h"
#include "platform/Exceptions.h"
#include "xml/DomError.h"
#include "xml/ResourceResolver.h"
#include "xml/XmlToDomParser.h"

#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <string>

namespace {

struct TCase {
  const char* Name;
  std::string Document;
  std::string Canonical;
};

std::string Canonical(const std::string& text, bool keepEntityRefs, TCanonicalForm form) {
  TStandardResourceResolver resolver;
  TDomImplementation implementation;
  implementation.SetResourceResolver(&resolver);
  TXmlToDomParser parser;
  parser.SetDOMImpl(&implementation);
  std::string reported;
  implementation.OnError = [&reported](TPersistent*, TDomError* error, bool&) {
    if (reported.empty()) reported = ErrorKindName(error->Kind);
  };
  parser.SetKeepEntityRefs(keepEntityRefs);
  try {
    const std::unique_ptr<TDomDocument> document(parser.ParseString(text, u"file:///test.xml", nullptr, true));
    if (document != nullptr) return WriteCanonical(*document, form);
  } catch (const Exception&) {
  }
  return "(not parsed: " + reported + ")";
}

const TCase kFirstForm[] = {
    {"markup characters in text", "<a>x &amp; y &lt; z &gt; w \" q ' r</a>",
     "<a>x &amp; y &lt; z &gt; w &quot; q ' r</a>"},
    {"white space references in text", "<a>t&#9;n&#10;r&#13;s&#32;.</a>", "<a>t&#9;n&#10;r&#13;s .</a>"},
    {"line ends read from the source", "<a>1\r\n2\r3\n4</a>", "<a>1&#10;2&#10;3&#10;4</a>"},
    {"escapes in attribute values", "<a v='&lt;&amp;&gt;\"&#9;&#10;&#13;'/>",
     "<a v=\"&lt;&amp;&gt;&quot;&#9;&#10;&#13;\"></a>"},
    {"attributes by name", "<a b='1' B='2' a='3' ab='4' _='5'/>", "<a B=\"2\" _=\"5\" a=\"3\" ab=\"4\" b=\"1\"></a>"},
    {"attributes by code point", "<a \xE3\x82\xA2='3' \xCE\xA9='2' \xC3\xA9='1' z='0'/>",
     "<a z=\"0\" \xC3\xA9=\"1\" \xCE\xA9=\"2\" \xE3\x82\xA2=\"3\"></a>"},
    {"empty elements as start and end tag", "<a><b/><c></c></a>", "<a><b></b><c></c></a>"},
    {"nested elements close in order", "<a><b><c/>t</b>u<d>v</d></a>", "<a><b><c></c>t</b>u<d>v</d></a>"},
    {"declaration, comments and doctype left out",
     "<?xml version='1.0'?>\n<!-- c -->\n<!DOCTYPE a [<!ELEMENT a ANY>]>\n<a><!--in-->x</a>\n<!-- after -->",
     "<a>x</a>"},
    {"processing instructions kept", "<?p1 data?>\n<a><?p2?><?p3  two words ?></a>\n<?p4 x?>",
     "<?p1 data?><a><?p2 ?><?p3 two words ?></a><?p4 x?>"},
    {"CDATA section as escaped text", "<a>x<![CDATA[<&>\"]]>y</a>", "<a>x&lt;&amp;&gt;&quot;y</a>"},
    {"non-ASCII text in UTF-8", "<a>\xC3\xA9\xE2\x82\xAC\xF0\x9F\x90\x84</a>",
     "<a>\xC3\xA9\xE2\x82\xAC\xF0\x9F\x90\x84</a>"},
    {"entity text in place", "<!DOCTYPE a [<!ENTITY e 'x<b c=\"1\"/>&amp;y'>]><a>1&e;2</a>",
     "<a>1x<b c=\"1\"></b>&amp;y2</a>"},
    {"nested entities", "<!DOCTYPE a [<!ENTITY i '<i/>'><!ENTITY o '[&i;]'>]><a>&o;&o;</a>",
     "<a>[<i></i>][<i></i>]</a>"},
    {"entity as the whole content", "<!DOCTYPE a [<!ENTITY e '<b/>'>]><a>&e;</a>", "<a><b></b></a>"},
    {"default attributes from the subset",
     "<!DOCTYPE a [<!ATTLIST a z CDATA 'dz' b CDATA #IMPLIED m CDATA 'dm'>]><a m='given'/>",
     "<a m=\"given\" z=\"dz\"></a>"},
    {"attribute values normalised by type",
     "<!DOCTYPE a [<!ATTLIST a t NMTOKENS #IMPLIED c CDATA #IMPLIED>]><a t='  x \n y ' c=' x&#10;y '/>",
     "<a c=\" x&#10;y \" t=\"x y\"></a>"},
};

std::string CaseName(const ::testing::TestParamInfo<TCase>& row) {
  std::string name;
  for (const char ch : std::string(row.param.Name)) name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
  return name;
}

class CanonicalFirstForm : public ::testing::TestWithParam<TCase> {};

TEST_P(CanonicalFirstForm, WritesTheSuitesForm) {
  const TCase& c = GetParam();
  // A tree with references kept and one with their text in place are written alike.
  EXPECT_EQ(Canonical(c.Document, false, TCanonicalForm::First), c.Canonical);
  EXPECT_EQ(Canonical(c.Document, true, TCanonicalForm::First), c.Canonical);
}

INSTANTIATE_TEST_SUITE_P(Documents, CanonicalFirstForm, ::testing::ValuesIn(kFirstForm),
                         CaseName);

const TCase kSecondForm[] = {
    {"notations by name with each kind of identifier",
     "<!DOCTYPE d [<!NOTATION z SYSTEM 'sys-z'><!NOTATION b PUBLIC \"pub b\">"
     "<!NOTATION a PUBLIC 'pub-a' \"http://x/a\">]><d/>",
     "<!DOCTYPE d [\n<!NOTATION a PUBLIC 'pub-a' 'http://x/a'>\n<!NOTATION b PUBLIC 'pub b'>\n"
     "<!NOTATION z SYSTEM 'sys-z'>\n]>\n<d></d>"},
    {"public identifier white space normalised",
     "<!DOCTYPE d [<!NOTATION n PUBLIC '  -//a\r\n b//EN \n'>]><d/>",
     "<!DOCTYPE d [\n<!NOTATION n PUBLIC '-//a b//EN'>\n]>\n<d></d>"},
    {"no notations", "<!DOCTYPE d [<!ELEMENT d ANY>]><d>x</d>", "<!DOCTYPE d [\n]>\n<d>x</d>"},
    {"first declaration binds", "<!DOCTYPE d [<!NOTATION n SYSTEM 'one'><!NOTATION n SYSTEM 'two'>]><d/>",
     "<!DOCTYPE d [\n<!NOTATION n SYSTEM 'one'>\n]>\n<d></d>"},
};

class CanonicalSecondForm : public ::testing::TestWithParam<TCase> {};

TEST_P(CanonicalSecondForm, ListsTheNotations) {
  const TCase& c = GetParam();
  EXPECT_EQ(Canonical(c.Document, false, TCanonicalForm::Second), c.Canonical);
}

INSTANTIATE_TEST_SUITE_P(Documents, CanonicalSecondForm, ::testing::ValuesIn(kSecondForm),
                         CaseName);

TEST(CanonicalFormOfFile, TellsTheFormsApart) {
  const struct {
    std::string Text;
    TCanonicalFormOfFile Form;
  } cases[] = {
      {"<doc></doc>", TCanonicalFormOfFile::First},
      {"<?pi x?><doc>&lt;!DOCTYPE </doc>", TCanonicalFormOfFile::First},
      {"<!DOCTYPE doc [\n<!NOTATION n SYSTEM 'x'>\n]>\n<doc></doc>", TCanonicalFormOfFile::Second},
      {"<!DOCTYPE doc [\n]>\n<doc>&lt;!ENTITY </doc>", TCanonicalFormOfFile::Second},
      {"<!DOCTYPE doc [\n<!NOTATION n SYSTEM 'x'>\n<!ENTITY e SYSTEM 'y' NDATA n>\n]>\n<doc></doc>",
       TCanonicalFormOfFile::Other},
      {"<?p x?><!DOCTYPE doc [\n]>\n<doc></doc>", TCanonicalFormOfFile::Other},
      {"<?p x?><?q?><doc></doc>", TCanonicalFormOfFile::First},
  };
  for (const auto& c : cases) EXPECT_EQ(CanonicalFormOf(c.Text), c.Form) << c.Text;
}

// The walk climbs through parent links: a deep tree is written whole without using stack.
TEST(CanonicalFirstFormDeep, WritesADeepTree) {
  constexpr int depth = 200000;
  std::string text, expected;
  for (int i = 0; i < depth; ++i) text += "<e>";
  text += "x";
  for (int i = 0; i < depth; ++i) text += "</e>";
  expected = text;
  EXPECT_EQ(Canonical(text, false, TCanonicalForm::First), expected);
}

}  // namespace
