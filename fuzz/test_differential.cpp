// The differential check's judgement: what it skips, which disagreements the known
// differences explain, and that an entry explains nothing beyond its own difference.
#include "Differential.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

std::string Utf16LE(const std::string& ascii) {
  std::string out = "\xFF\xFE";
  for (const char c : ascii) out += std::string{c, '\0'};
  return out;
}

std::string Utf16BE(const std::string& ascii) {
  std::string out = "\xFE\xFF";
  for (const char c : ascii) out += std::string{'\0', c};
  return out;
}

std::string KindName(TJudgement::TKind kind) {
  switch (kind) {
    case TJudgement::Agree: return "agree";
    case TJudgement::Skipped: return "skipped";
    case TJudgement::Listed: return "listed";
    case TJudgement::Finding: return "finding";
  }
  return "?";
}

struct TWholeCase {
  const char* Name;
  std::string Bytes;
  TJudgement::TKind Kind;
  std::string Text;  // skip reason or known difference; empty: not checked
};

// Both parsers on real documents.
TEST(DifferentialCheck, JudgesDocuments) {
  const std::string decl1250 = "<?xml version=\"1.0\" encoding=\"windows-1250\"?>";
  const TWholeCase cases[] = {
      {"well-formed", "<a b='1'>t&amp;&#x10FFFF;<!--c--><?p?><![CDATA[x]]></a>", TJudgement::Agree, ""},
      {"unclosed", "<a><b></a>", TJudgement::Agree, ""},
      // Nesting beyond libxml2's default limit of 256, which this parser does not have.
      {"deep", [] {
         std::string deep;
         for (int i = 0; i < 300; ++i) deep += "<e>";
         for (int i = 0; i < 300; ++i) deep += "</e>";
         return deep;
       }(),
       TJudgement::Agree, ""},
      {"DOCTYPE", "<!DOCTYPE a [<!ENTITY e 'x'>]><a>&e;</a>", TJudgement::Skipped, "document type declaration"},
      {"DOCTYPE in UTF-16LE", Utf16LE("<!DOCTYPE a [<!ENTITY e 'x'>]><a>&e;</a>"), TJudgement::Skipped,
       "document type declaration"},
      {"DOCTYPE in UTF-16BE", Utf16BE("<!DOCTYPE a [<!ENTITY e 'x'>]><a>&e;</a>"), TJudgement::Skipped,
       "document type declaration"},
      // A declaration too broken for libxml2 to take its name: only the byte search sees it.
      {"broken DOCTYPE in UTF-16LE", Utf16LE("<!DOCTYPE [<a/>"), TJudgement::Skipped, "document type declaration"},
      // EBCDIC, which the byte search does not read: libxml2 tells of the declaration.
      {"DOCTYPE in EBCDIC",
       "\x4C\x6F\xA7\x94\x93\x40\xA5\x85\x99\xA2\x89\x96\x95\x7E\x7F\xF1\x4B\xF0\x7F\x40\x85\x95\x83\x96\x84"
       "\x89\x95\x87\x7E\x7F\xC9\xC2\xD4\xF0\xF3\xF7\x7F\x6F\x6E\x4C\x5A\xC4\xD6\xC3\xE3\xE8\xD7\xC5\x40\x81"
       "\x6E\x4C\x81\x61\x6E",
       TJudgement::Skipped, "document type declaration"},
      {"code page outside the judged ones", "<?xml version='1.0' encoding='KOI8-R'?><a/>", TJudgement::Skipped,
       "encoding outside the judged ones"},
      {"UCS-4", "\0\0\xFE\xFF\0\0\0<\0\0\0a\0\0\0/\0\0\0>"s, TJudgement::Skipped, "UCS-4"},
      {"UTF-16 by mark", Utf16LE("<?xml version='1.0' encoding='UTF-16'?><a>\xE1</a>"), TJudgement::Agree, ""},
      {"windows-1250 letters", decl1250 + "<a>\x8A\x9A\xE1</a>", TJudgement::Agree, ""},
      // libxml2 is asked for the fourth edition's names, as this parser has them: U+1FFF
      // starts a name only in the fifth.
      {"fifth-edition name", "<\xE1\xBF\xBF/>", TJudgement::Agree, ""},
      {"fourth-edition name", "<\xC3\x80\xCC\x80/>", TJudgement::Agree, ""},
      {"UTF-16 without mark", Utf16LE("<?xml version='1.0' encoding='UTF-16'?><a/>").substr(2), TJudgement::Listed,
       "encoding guessed without a byte-order mark"},
      {"EBCDIC without mark",
       "\x4C\x6F\xA7\x94\x93\x40\xA5\x85\x99\xA2\x89\x96\x95\x7E\x7F\xF1\x4B\xF0\x7F\x40\x85\x95\x83\x96\x84"
       "\x89\x95\x87\x7E\x7F\xC9\xC2\xD4\xF0\xF3\xF7\x7F\x6F\x6E\x4C\x81\x61\x6E",
       TJudgement::Listed, "encoding guessed without a byte-order mark"},
      {"UTF-8 mark, Latin-1 declared", "\xEF\xBB\xBF<?xml version='1.0' encoding='iso-8859-1'?><a/>",
       TJudgement::Listed, "byte-order mark contradicting the declared encoding"},
      {"UTF-16 mark, UTF-8 declared", Utf16BE("<?xml version='1.0' encoding='utf-8'?><a/>"), TJudgement::Listed,
       "byte-order mark contradicting the declared encoding"},
      {"windows-1250 unassigned bytes", decl1250 + "<a>\x81\x83\x88\x90\x98</a>", TJudgement::Listed,
       "windows-1250 bytes 0x81, 0x83, 0x88, 0x90, 0x98"},
      {"windows-1250 unassigned byte behind the root", decl1250 + "<a/>\r\x90\x90 x</b>", TJudgement::Listed,
       "bytes libxml2 cannot convert, behind the document element"},
      {"US-ASCII byte above 0x7F behind the root", "<?xml version='1.0' encoding='us-ascii'?><a/>\xE9 x",
       TJudgement::Listed, "bytes libxml2 cannot convert, behind the document element"},
      {"unpaired surrogate behind the root", Utf16LE("<a/>") + "\x00\xD8<\x00"s, TJudgement::Listed,
       "bytes libxml2 cannot convert, behind the document element"},
      {"unpaired surrogate inside the root", Utf16LE("<a>") + "\x00\xD8"s + Utf16LE("</a>").substr(2),
       TJudgement::Agree, ""},
      {"windows-1250 unassigned byte inside the root", decl1250 + "<a>\x90</b>", TJudgement::Agree, ""},
      // U+009C is a character like any other, wherever it stands.
      {"U+009C in text", "<a>x\xC2\x9Cy</a>", TJudgement::Agree, ""},
      {"U+009C before garbage", "<a>x</a>\xC2\x9C<garbage &bad; <<<", TJudgement::Agree, ""},
      {"U+009C in ISO-8859-2", "<?xml version='1.0' encoding='iso-8859-2'?><a>\x9C</a>", TJudgement::Agree, ""},
      {"U+009C in UTF-16", Utf16LE("<a>\x9C</a>"), TJudgement::Agree, ""},
      {"UTF-16LE mark and name", Utf16LE("<?xml version='1.0' encoding='UTF-16LE'?><a/>"), TJudgement::Agree, ""},
      {"UTF-16LE mark, UTF-16BE declared", Utf16LE("<?xml version='1.0' encoding='UTF-16BE'?><a/>"),
       TJudgement::Listed, "byte-order mark contradicting the declared encoding"},
      {"NUL behind the root", "<a/>\0<<<"s, TJudgement::Listed, "NUL behind the document element"},
      {"NUL behind the root in UTF-16", Utf16LE("<a/>") + "\0\0<\0"s, TJudgement::Listed,
       "NUL behind the document element"},
      {"NUL in the root", "<a>\0</a>"s, TJudgement::Agree, ""},
      {"second colon in an attribute name", "<?xml version=\"1.0\"?>\n<foo xmlns:xml:2=\"urn:x\"/>",
       TJudgement::Listed, "colons in names"},
      {"second colon in an element name", "<a:b:c/>", TJudgement::Agree, ""},
  };
  for (const TWholeCase& c : cases) {
    const TJudgement judgement = JudgeInput(c.Bytes);
    EXPECT_EQ(KindName(judgement.Kind), KindName(c.Kind)) << c.Name << ": " << judgement.Text;
    if (!c.Text.empty()) {
      EXPECT_EQ(judgement.Text, c.Text) << c.Name;
    }
  }
}

// Disagreements this check found and that were mended at their source: the two parsers agree,
// also beside another known difference.
TEST(DifferentialCheck, AgreesWhereDifferencesWereMended) {
  const std::string cases[] = {
      "<a>&foo;</a>",
      "<a b='&foo;'/>",
      "<p:a>&foo;</p:a>",  // the undeclared prefix is no well-formedness error
      "<?xml version='1.0' encoding='windows-1250'?><a>\x81&l;</a>",  // with another known difference
      "<?xml-stylesheet href='s.css'?><a/>",
      "\xEF\xBB\xBF<?xmlfoo?><a/>",
  };
  for (const std::string& bytes : cases) {
    const TJudgement judgement = JudgeInput(bytes);
    EXPECT_EQ(KindName(judgement.Kind), KindName(TJudgement::Agree)) << bytes << ": " << judgement.Text;
  }
}

// libxml2's converters report without a parser context; nothing may reach the error stream.
TEST(DifferentialCheck, KeepsLibxml2Quiet) {
  const std::string cases[] = {
      "<a>\xC0\x80</a>",
      "<?xml version='1.0' encoding='US-ASCII'?><a>\xE9</a>",
      "<?xml version=\"1.0\" encoding=\"windows-1250\"?><a>\x81</a>",
      "<a><b></a>",
  };
  for (const std::string& bytes : cases) {
    testing::internal::CaptureStderr();
    JudgeInput(bytes);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << bytes;
  }
}

TVerdict Accepts() { return {true, "", {}}; }
TVerdict Refuses(int first, std::vector<int> more = {}) {
  more.insert(more.begin(), first);
  return {false, "error " + std::to_string(first), more};
}

struct TVerdictCase {
  const char* Name;
  std::string Bytes;
  TVerdict Here, Libxml2;
  TJudgement::TKind Kind;
};

// Each entry explains its own difference and nothing else: the same kind of input with the
// other side accepting, or with another error, is a finding.
TEST(DifferentialCheck, EntriesStayNarrow) {
  const std::string utf16NoMark = Utf16LE("<?xml version='1.0' encoding='UTF-16'?><a/>").substr(2);
  const std::string decl1250 = "<?xml version=\"1.0\" encoding=\"windows-1250\"?>";
  const std::string bomLatin1 = "\xEF\xBB\xBF<?xml version='1.0' encoding='iso-8859-1'?><a/>";
  const TVerdictCase cases[] = {
      {"agreeing refusals", "<a>", Refuses(EK_UNCLOSED_ELEMENT_AT_END), Refuses(XML_ERR_TAG_NOT_FINISHED),
       TJudgement::Agree},
      {"unexplained refusal", "<a/>", Refuses(EK_INVALID_CHARACTER), Accepts(), TJudgement::Finding},
      {"unexplained acceptance", "<a/>", Accepts(), Refuses(XML_ERR_NAME_REQUIRED), TJudgement::Finding},
      {"UTF-16 without mark", utf16NoMark, Refuses(EK_INVALID_CHARACTER), Accepts(), TJudgement::Listed},
      {"UTF-16 without mark, accepted here", utf16NoMark, Accepts(), Refuses(XML_ERR_DOCUMENT_END),
       TJudgement::Finding},
      {"mark against declaration", bomLatin1, Refuses(EK_ENCODING_CONVERSION_FAILED), Accepts(), TJudgement::Listed},
      {"mark against declaration, other error", bomLatin1, Refuses(EK_INVALID_CHARACTER), Accepts(),
       TJudgement::Finding},
      {"mark agreeing with declaration", "\xEF\xBB\xBF<?xml version='1.0' encoding='utf-8'?><a/>",
       Refuses(EK_ENCODING_CONVERSION_FAILED), Accepts(), TJudgement::Finding},
      {"UTF-16 mark agreeing with declaration", Utf16LE("<?xml version='1.0' encoding='UTF-16'?><a/>"),
       Refuses(EK_ENCODING_CONVERSION_FAILED), Accepts(), TJudgement::Finding},
      {"UTF-16BE mark agreeing with declaration", Utf16BE("<?xml version='1.0' encoding='UTF-16BE'?><a/>"),
       Refuses(EK_ENCODING_CONVERSION_FAILED), Accepts(), TJudgement::Finding},
      {"NUL behind a document refused before it", "<a>\0"s, Refuses(EK_INVALID_CHARACTER), Accepts(),
       TJudgement::Finding},
      {"windows-1250 unassigned byte", decl1250 + "<a>\x81</a>", Accepts(), Refuses(XML_ERR_DOCUMENT_END),
       TJudgement::Listed},
      {"windows-1250 unassigned byte and a broken tag", decl1250 + "<a>\x81</b>", Accepts(),
       Refuses(XML_ERR_DOCUMENT_END), TJudgement::Finding},
      {"windows-1250 unassigned byte, refused here", decl1250 + "<a>\x81</a>", Refuses(EK_INVALID_CHARACTER),
       Accepts(), TJudgement::Finding},
      {"windows-1250 unassigned byte behind an unfinished root", decl1250 + "<a>\x81<b/>", Refuses(EK_UNCLOSED_ELEMENT_AT_END),
       Accepts(), TJudgement::Finding},
      {"undeclared entity alone", "<a>&foo;</a>", Accepts(), Refuses(XML_ERR_UNDECLARED_ENTITY), TJudgement::Finding},
      {"colon in a name", "<a x:y:z='1'/>", Accepts(), Refuses(XML_ERR_ATTRIBUTE_WITHOUT_VALUE), TJudgement::Listed},
      {"colon in a name and a broken tag", "<a x:y:z='1'></b>", Accepts(), Refuses(XML_ERR_ATTRIBUTE_WITHOUT_VALUE),
       TJudgement::Finding},
      {"colon in a name, refused here", "<a x:y:z='1'/>", Refuses(EK_INVALID_ATTRIBUTE_NAME), Accepts(),
       TJudgement::Finding},
      {"colon only in the declaration", "<?xml version='1.0' encoding='a:b'?><a/>", Accepts(),
       Refuses(XML_ERR_UNSUPPORTED_ENCODING), TJudgement::Finding},
      {"undeclared entity and more", "<a>&foo;</a>", Accepts(),
       Refuses(XML_ERR_UNDECLARED_ENTITY, {XML_ERR_GT_REQUIRED}), TJudgement::Finding},
      {"undeclared entity, refused here", "<a>&foo;</a>", Refuses(EK_INVALID_CHARACTER), Accepts(),
       TJudgement::Finding},
      {"declaration refused", "<?xml version='1.0'?><a/>", Refuses(EK_MALFORMED_XML_DECLARATION), Accepts(),
       TJudgement::Finding},
      {"instruction refused otherwise", "<?xml-stylesheet?><a/>", Refuses(EK_INVALID_PROCESSING_INSTRUCTION),
       Accepts(), TJudgement::Finding},
      {"instruction taken for the declaration", "<?xml-stylesheet?><a/>", Refuses(EK_MALFORMED_XML_DECLARATION),
       Accepts(), TJudgement::Finding},
  };
  for (const TVerdictCase& c : cases) {
    const TJudgement judgement = JudgeVerdicts(TInputView(c.Bytes), c.Here, c.Libxml2);
    EXPECT_EQ(KindName(judgement.Kind), KindName(c.Kind)) << c.Name << ": " << judgement.Text;
  }
}

}  // namespace
