// String rules and text functions: tables of input -> expected answer.
#include "dom/DomExceptions.h"
#include "platform/Exceptions.h"
#include "xml/XmlRulesUtils.h"

#include "XmlTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct TRuleCase {
  WideString Input;
  bool Expected;
};

void CheckRule(bool (*rule)(WideStringView), const char* name,
               std::initializer_list<TRuleCase> cases) {
  for (const TRuleCase& c : cases)
    EXPECT_EQ(rule(c.Input), c.Expected) << name << "(\"" << Show(c.Input) << "\")";
}

const WideString kPair = u"\U0001F600";  // a correct surrogate pair
const WideString kLowAlone(1, 0xDC00);
const WideString kHighAlone(1, 0xD800);

TEST(XmlRules, Name) {
  CheckRule(XmlRules::Name, "Name",
            {{u":abc", true}, {u"_1", true}, {u"a", true}, {u"a-b.c:d_e", true},
             {u"\u00C0\u00B7", true}, {u"\u4E00\u0300", true}, {u"1abc", false},
             {u"-a", false}, {u".a", false}, {u"", false}, {u"a b", false},
             {u"\u00B7a", false}, {u"\u0660", false}, {u"a" + kPair, false}});
}

TEST(XmlRules, NCNameAndItsAliases) {
  for (auto rule : {XmlRules::NCName, XmlRules::Prefix, XmlRules::LocalPart})
    CheckRule(rule, "NCName",
              {{u"abc", true}, {u"_x-1.2", true}, {u":abc", false}, {u"a:b", false},
               {u"", false}, {u"1a", false}, {u"a:", false}});
}

TEST(XmlRules, NamesAndNmtokens) {
  CheckRule(XmlRules::Names, "Names",
            {{u"a", true}, {u"a b", true}, {u"a b :c", true}, {u"a  b", false},
             {u" a", false}, {u"a ", false}, {u"a\tb", false}, {u"", false}, {u"a 1", false}});
  CheckRule(XmlRules::Nmtoken, "Nmtoken",
            {{u"1abc", true}, {u"-", true}, {u"a:b", true}, {u"", false}, {u"a b", false}});
  CheckRule(XmlRules::Nmtokens, "Nmtokens",
            {{u"1 2", true}, {u"-a .b", true}, {u"1", true}, {u"1  2", false},
             {u" 1", false}, {u"1 ", false}, {u"", false}, {u" ", false}});
}

TEST(XmlRules, S) {
  CheckRule(XmlRules::S, "S",
            {{u" ", true}, {u" \t\r\n", true}, {u"", false}, {u" a", false},
             {WideString(1, u'\0'), false}});
}

TEST(XmlRules, CharRefLengthRules) {
  CheckRule(XmlRules::CharRef, "CharRef",
            {{u"&#9;", true}, {u"&#xA;", true}, {u"&#;", false}, {u"&#x;", false},
             {u"&#0065;", true}, {u"&#x0041;", true}, {u"&#xaBc;", true}, {u"&#X41;", false},
             {u"&#12a;", false}, {u"&#xG;", false}, {u"&#65", false}, {u"#65;", false},
             {u"&65;", false}, {u"&#x41", false}, {u"", false}, {u";", false}});
}

TEST(XmlRules, References) {
  CheckRule(XmlRules::EntityRef, "EntityRef",
            {{u"&amp;", true}, {u"&a:b;", true}, {u"&;", false}, {u"&1;", false},
             {u"amp;", false}, {u"&amp", false}, {u"&#65;", false}});
  CheckRule(XmlRules::PEReference, "PEReference",
            {{u"%pe;", true}, {u"%;", false}, {u"&pe;", false}, {u"%1;", false}});
  CheckRule(XmlRules::Reference, "Reference",
            {{u"&amp;", true}, {u"&#65;", true}, {u"&#x41;", true}, {u"&#;", false},
             {u"%pe;", false}});
}

TEST(XmlRules, EntityValueText) {
  CheckRule(XmlRules::EntityValueText, "EntityValueText",
            {{u"&amp;&#38;<tag>", true}, {u"", true}, {u"plain 'text'", true},
             {u"\"quoted\"", true}, {u"50%", false}, {u"a&b", false}, {u"&1;", false},
             {u"&a b;", false}, {u"'and\"", false}, {u"a\u0001b", false},
             {u"a\tb\r\nc", true}, {u"x" + kPair, true}, {kLowAlone, false},
             {kHighAlone + u"a", false}, {u"\uFFFE", false}, {u"&#x41;;", true}});
}

TEST(XmlRules, LiteralTextAndChars) {
  CheckRule(XmlRules::LiteralText, "LiteralText",
            {{u"a%b&c", true}, {u"it's", true}, {u"say \"x\"", true}, {u"'\"", false},
             {WideString(1, 0), false}});
  CheckRule(XmlRules::Chars, "Chars",
            {{u"", true}, {u"\t\n\r \uD7FF\uE000\uFFFD", true}, {kPair, true},
             {u"\u0008", false}, {u"\uFFFE", false}, {u"\uFFFF", false}, {kLowAlone, false},
             {kHighAlone, false}, {kHighAlone + u"a", false}, {u"a" + kHighAlone, false},
             {WideString{0xDBFF, 0xDFFF}, true}});
}

TEST(XmlRules, CharData) {
  CheckRule(XmlRules::CharData, "CharData",
            {{u"a]]>b", false}, {u"a]]b", true}, {u"]]", true}, {u"]>", true},
             {kLowAlone, false}, {kPair, true}, {u"a" + kHighAlone, false},
             {kHighAlone + u"x", false}, {u"\uFFFF", false}, {u"<&", true}, {u"", true},
             // The end marker is found wherever the scan meets it, also behind a pair or
             // inside a longer run of brackets; controls and U+FFFE still fail around it.
             {u"]]]>", false}, {u"x]]", true}, {u"\t]\r]>", true}, {kPair + u"]]>", false},
             {u"\uD7FF]]>", false}, {u"\uFFFD]", true}, {u"]\u001F", false},
             {WideString(1, 0) + u"]]", false}, {u"]]\uFFFE", false}, {u"\uE000]]\n>", true}});
}

TEST(XmlRules, PITargetVersionEncodingPubid) {
  CheckRule(XmlRules::PITarget, "PITarget",
            {{u"xml", false}, {u"XmL", false}, {u"XML", false}, {u"xml-stylesheet", true},
             {u"xmlfoo", true}, {u"xm", true}, {u"1xml", false}, {u"", false}});
  CheckRule(XmlRules::VersionNum, "VersionNum",
            {{u"1.0", true}, {u"a:b_c-d", true}, {u"", false}, {u"1 0", false},
             {u"1.0\u00E9", false}});
  CheckRule(XmlRules::EncName, "EncName",
            {{u"windows-1250", true}, {u"UTF-8", true}, {u"1250", false}, {u"utf 8", false},
             {u"", false}, {u"a_b.c", true}, {u"a:b", false}, {u"-abc", false}});
  CheckRule(XmlRules::PubidChars, "PubidChars",
            {{u"", true}, {u"-//W3C//DTD X 1.0//EN", true}, {u"a@b", true},
             {u"a\"b", false}, {u"a\tb", false}, {u"<", false}});
  CheckRule(XmlRules::PredefinedEntityName, "PredefinedEntityName",
            {{u"lt", true}, {u"gt", true}, {u"amp", true}, {u"apos", true}, {u"quot", true},
             {u"LT", false}, {u"nbsp", false}, {u"", false}});
}

TEST(XmlRules, NamespaceAttributeNames) {
  CheckRule(XmlRules::DefaultAttName, "DefaultAttName",
            {{u"xmlns", true}, {u"xmlns:a", false}, {u"XMLNS", false}});
  CheckRule(XmlRules::PrefixedAttName, "PrefixedAttName",
            {{u"xmlns:a", true}, {u"xmlns:", false}, {u"xmlns", false}, {u"xmlns:a:b", false},
             {u"xmlns:1", false}, {u"xml:a", false}});
}

struct TTextCase {
  WideString Input;
  WideString Expected;
};

TEST(XmlText, SpaceFunctions) {
  const TTextCase trim[] = {{u"  a b \t", u"a b"}, {u" \r\n\t", u""}, {u"", u""},
                            {u"a", u"a"}, {u"\u00A0a", u"\u00A0a"}};
  for (const auto& c : trim) EXPECT_EQ(XmlText::Trim(c.Input), c.Expected) << Show(c.Input);
  const TTextCase normalize[] = {{u"\t a \r\n b ", u"a b"}, {u"   ", u""}, {u"a", u"a"},
                                 {u"a\tb", u"a b"}, {u" a  b  c ", u"a b c"}};
  for (const auto& c : normalize)
    EXPECT_EQ(XmlText::NormalizeSpace(c.Input), c.Expected) << Show(c.Input);
  const TTextCase collapse[] = {{u"  a   b  ", u"a b"}, {u"a \t b", u"a \t b"},
                                {u"\ta\t", u"\ta\t"}, {u"  ", u""}};
  for (const auto& c : collapse)
    EXPECT_EQ(XmlText::CollapseSpaces(c.Input), c.Expected) << Show(c.Input);
  const TTextCase escape[] = {{u"a\"b'c", u"a&#34;b&#39;c"}, {u"", u""}, {u"&", u"&"}};
  for (const auto& c : escape)
    EXPECT_EQ(XmlText::EscapeQuotes(c.Input), c.Expected) << Show(c.Input);
}

TEST(XmlText, StripParentheses) {
  struct TCase {
    WideString Input;
    WideString Expected;
    bool Error;
  };
  const TCase cases[] = {{u" (a|b) ", u"a|b", false}, {u"()", u"", false},
                         {u"( a )", u"a", false},     {u"(", u"", true},
                         {u"a)", u"", true},          {u"(a", u"", true},
                         {u"", u"", true},            {u")(", u"", true}};
  for (const TCase& c : cases) {
    bool error = !c.Error;
    EXPECT_EQ(XmlText::StripParentheses(c.Input, error), c.Expected) << Show(c.Input);
    EXPECT_EQ(error, c.Error) << Show(c.Input);
  }
}

TEST(XmlText, SplitQName) {
  struct TCase {
    WideString Name;
    bool Ok;
    WideString Prefix;
    WideString Local;
  };
  const TCase cases[] = {{u"a:b", true, u"a", u"b"},    {u"b", true, u"", u"b"},
                         {u"a:b:c", false, u"", u""},   {u":b", false, u"", u""},
                         {u"a:", false, u"", u""},      {u"1:b", false, u"", u""},
                         {u"a:1", false, u"", u""},     {u"", false, u"", u""},
                         {u"xml:lang", true, u"xml", u"lang"}};
  for (const TCase& c : cases) {
    WideString prefix = u"stale";
    WideString local = u"stale";
    EXPECT_EQ(XmlText::SplitQName(c.Name, prefix, local), c.Ok) << Show(c.Name);
    EXPECT_EQ(prefix, c.Prefix) << Show(c.Name);
    EXPECT_EQ(local, c.Local) << Show(c.Name);
    if (c.Ok) {
      EXPECT_EQ(XmlText::QNamePrefix(c.Name), c.Prefix);
      EXPECT_EQ(XmlText::QNameLocalName(c.Name), c.Local);
    } else {
      for (auto f : {XmlText::QNamePrefix, XmlText::QNameLocalName}) {
        try {
          f(c.Name);
          ADD_FAILURE() << "no error for " << Show(c.Name);
        } catch (const EInvalid_Character_Err& e) {
          EXPECT_STREQ(e.what(), "Invalid character error.");
        }
      }
    }
  }
}

// Returns the code point, or -1 with the message when the reference is refused.
std::int64_t RefValue(const WideString& ref, std::string& message) {
  try {
    return XmlText::CharRefValue(ref);
  } catch (const EConvertError& e) {
    message = e.what();
    return -1;
  }
}

TEST(XmlText, CharRefValue) {
  struct TCase {
    WideString Ref;
    std::int64_t Expected;
  };
  const TCase cases[] = {
      {u"&#x10FFFF;", 0x10FFFF}, {u"&#65;", 65},      {u"&#x41;", 65},
      {u"&#x0041;", 65},         {u"&#9;", 9},        {u"&#xFFFD;", 0xFFFD},
      {u"&#x10000;", 0x10000},   {u"&#1114111;", 0x10FFFF},
      {u"&#xD800;", -1},         {u"&#xDFFF;", -1},   {u"&#0;", -1},
      {u"&#x110000;", -1},       {u"&#1114112;", -1}, {u"&#xFFFE;", -1},
      {u"&#xFFFF;", -1},         {u"&#31;", -1},      {u"&#;", -1},
      {u"&amp;", -1},
      // Values that wrap around a 32-bit accumulator onto "A" must still be refused.
      {u"&#4294967361;", -1},    {u"&#x100000041;", -1},
      {u"&#x10000000000000041;", -1}, {u"&#000000000000000000065;", 65},
  };
  for (const TCase& c : cases) {
    std::string message;
    EXPECT_EQ(RefValue(c.Ref, message), c.Expected) << Show(c.Ref);
    if (c.Expected < 0) EXPECT_EQ(message, Show(c.Ref) + " is not a valid XmlCharRef value.");
  }
}

TEST(XmlText, CharRefText) {
  EXPECT_EQ(XmlText::CharRefText(u"&#x1F600;"), (WideString{0xD83D, 0xDE00}));
  EXPECT_EQ(XmlText::CharRefText(u"&#x10FFFF;"), (WideString{0xDBFF, 0xDFFF}));
  EXPECT_EQ(XmlText::CharRefText(u"&#x10000;"), (WideString{0xD800, 0xDC00}));
  EXPECT_EQ(XmlText::CharRefText(u"&#233;"), u"\u00E9");
  EXPECT_THROW(XmlText::CharRefText(u"&#x110000;"), EConvertError);
}

TEST(XmlText, ResolveCharRefs) {
  struct TCase {
    WideString Input;
    WideString Expected;  // when Message is empty
    std::string Message;
  };
  const TCase cases[] = {
      {u"a&#65;b&#x42;", u"aAbB", ""},
      {u"&amp;&lt;x", u"&amp;&lt;x", ""},
      {u"\uFEFFa", u"\uFEFFa", ""},
      {u"&#x1F600;", u"\U0001F600", ""},
      {kPair, kPair, ""},
      {u"", u"", ""},
      {kLowAlone + u"a", u"", "WideString must not start with a UTF-16 low surrogate."},
      {u"a" + kHighAlone, u"", "WideString must not end with a UTF-16 high surrogate."},
      {kHighAlone + u"a", u"",
       "WideString contains an UTF-16 high surrogate without its corresponding low "
       "surrogate."},
      {u"a\u0001", u"", "WideString contains an invalid character."},
      {u"\uFFFF", u"", "WideString contains an invalid character."},
      {u"a & b", u"", "WideString contains an '&' without a ';'."},
      {u"a &1; b", u"", "WideString contains an invalid reference &1;."},
      {u"&#;", u"", "WideString contains an invalid reference &#;."},
      {u"&#xD800;", u"", "&#xD800; is not a valid XmlCharRef value."},
      {u"&#4294967361;", u"", "&#4294967361; is not a valid XmlCharRef value."},
  };
  for (const TCase& c : cases) {
    try {
      const WideString out = XmlText::ResolveCharRefs(c.Input);
      EXPECT_TRUE(c.Message.empty()) << Show(c.Input) << " was accepted";
      EXPECT_EQ(out, c.Expected) << Show(c.Input);
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.what(), c.Message) << Show(c.Input);
    }
  }
}

}  // namespace
