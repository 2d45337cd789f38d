#include "DtdTestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

// A folder of its own under the system's temporary folder, removed with everything in it.
class TTempFolder {
public:
  TTempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "earmark-ext-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary folder");
    Path = pattern;
  }
  ~TTempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(Path, ec);
  }
  void Write(const std::string& name, const std::string& bytes) const {
    std::filesystem::create_directories((Path / name).parent_path());
    std::ofstream(Path / name, std::ios::binary) << bytes;
  }
  std::filesystem::path Path;
};

class ExternalEntityFixture : public DtdParseFixture {
protected:
  // Parses `text` as the document "doc.xml" of the folder.
  bool ParseIn(const std::string& text, bool readExternal, bool keepRefs = true) {
    Parser.SetReadExternalEntities(readExternal);
    Parser.SetKeepEntityRefs(keepRefs);
    Reported.clear();
    Document.reset();
    try {
      Document.reset(Parser.ParseString(text, FileNameToUri((Folder.Path / "doc.xml").string()), nullptr, true));
      return Document != nullptr;
    } catch (const Exception&) {
      return false;
    }
  }
  std::string Root() { return Shape(Document->documentElement()); }

  TTempFolder Folder;
};

TEST_F(ExternalEntityFixture, ExternalEntitiesAreReadOnlyWhenSwitchedOn) {
  Folder.Write("e.xml", "hello <b/>");
  Folder.Write("latin.xml", "<?xml encoding='ISO-8859-1'?>caf\xE9");
  Folder.Write("sub/a.xml", "<i>&b;</i>");
  Folder.Write("b.xml", "top");
  Folder.Write("sub/b.xml", "nested folder");
  Folder.Write("self.xml", "x&self;");
  Folder.Write("open.xml", "<b>");
  Folder.Write("docdecl.xml", "<?xml version='1.0' standalone='yes'?>t");
  // The first mark tells the encoding; the second is the text's first character.
  Folder.Write("boms16.xml", std::string("\xFF\xFE\xFF\xFE" "d\0", 6));
  Folder.Write("boms8.xml", "\xEF\xBB\xBF\xEF\xBB\xBF" "d");
  const std::string decls =
      "<!DOCTYPE r [<!ENTITY e SYSTEM 'e.xml'><!ENTITY latin SYSTEM 'latin.xml'>"
      "<!ENTITY a SYSTEM 'sub/a.xml'><!ENTITY b SYSTEM 'b.xml'><!ENTITY self SYSTEM 'self.xml'>"
      "<!ENTITY open SYSTEM 'open.xml'><!ENTITY docdecl SYSTEM 'docdecl.xml'>"
      "<!ENTITY boms16 SYSTEM 'boms16.xml'><!ENTITY boms8 SYSTEM 'boms8.xml'>"
      "<!ENTITY missing SYSTEM 'missing.xml'><!ENTITY web SYSTEM 'http://127.0.0.1:9/e.xml'>"
      "<!ENTITY abs SYSTEM '" + WideToUtf8(FileNameToUri((Folder.Path / "e.xml").string())) + "'>]>";
  struct Row {
    std::string Body;
    bool ReadExternal;
    bool KeepRefs;
    bool Parses;
    std::string Shape;  // the root when it parses
    int Kind;           // the first error reported, 0 for none
  };
  const Row rows[] = {
      {"<r>&e;</r>", false, true, true, "r[&e;]", 0},
      {"<r>&missing;&web;</r>", false, true, true, "r[&missing;,&web;]", 0},
      {"<r>&e;</r>", true, true, true, "r[&e;[\"hello \",b]]", 0},
      {"<r>&e;</r>", true, false, true, "r[\"hello \",b]", 0},
      {"<r>&abs;</r>", true, true, true, "r[&abs;[\"hello \",b]]", 0},
      {"<r>&latin;</r>", true, true, true, "r[&latin;[\"caf\xC3\xA9\"]]", 0},
      // A declaration's relative identifier resolves against the document that declares it.
      {"<r>&a;</r>", true, true, true, "r[&a;[i[&b;[\"top\"]]]]", 0},
      {"<r>&boms16;&boms8;</r>", true, false, true, "r[\"\xEF\xBB\xBF" "d\xEF\xBB\xBF" "d\"]", 0},
      {"<r>&self;</r>", true, true, false, "", EK_RECURSIVE_ENTITY_REFERENCE},
      {"<r>&open;</r>", true, true, false, "", -1},
      {"<r>&docdecl;</r>", true, true, false, "", EK_MALFORMED_TEXT_DECLARATION},
      {"<r>&missing;</r>", true, true, false, "", EK_RESOURCE_NOT_RESOLVED},
      {"<r>&web;</r>", true, true, false, "", EK_RESOURCE_NOT_RESOLVED},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.Body + (row.ReadExternal ? " read" : " not read") + (row.KeepRefs ? "" : " unkept"));
    EXPECT_EQ(ParseIn(decls + row.Body, row.ReadExternal, row.KeepRefs), row.Parses);
    if (row.Parses) {
      ASSERT_TRUE(Document != nullptr);
      EXPECT_EQ(Root(), row.Shape);
    }
    if (row.Kind >= 0) EXPECT_EQ(FirstKind(), row.Kind);
    else EXPECT_NE(FirstKind(), 0);
  }
}

// Other schemes never reach the resolver: a hook that would answer them is not asked.
TEST_F(ExternalEntityFixture, OnlyLocalFilesAreAskedFor) {
  std::vector<std::string> asked;
  Resolver.OnResolveResource = [&](TComponent*, const WideString&, const WideString&, WideString&,
                                   WideString& systemId, std::unique_ptr<TStream>& stream, bool&) {
    asked.push_back(WideToUtf8(systemId));
    stream = std::make_unique<TMemoryStream>(std::string("served"));
  };
  const std::string doc = "<!DOCTYPE r [<!ENTITY w SYSTEM 'ftp://host/w.xml'>]><r>&w;</r>";
  EXPECT_FALSE(ParseIn(doc, true));
  EXPECT_EQ(FirstKind(), EK_RESOURCE_NOT_RESOLVED);
  EXPECT_TRUE(asked.empty());
}

// UTF-16LE bytes of a text, behind a byte-order mark.
std::string Utf16LeWithMark(const std::u16string& text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

TEST_F(ExternalEntityFixture, ExternalSubsetAndParameterEntitiesAreReadWhenSwitchedOn) {
  Folder.Write("cp1250.dtd", "<?xml version='1.0' encoding='windows-1250'?>\n<!ENTITY w '\x9A\xBE'>");
  Folder.Write("utf16.dtd", Utf16LeWithMark(u"<?xml encoding='UTF-16'?>\n<!ENTITY u '\u017D'>"));
  Folder.Write("bind.dtd", "<!ENTITY e 'external'><!ENTITY only 'ext only'><!ATTLIST r a CDATA 'ext'>");
  Folder.Write("cond.dtd",
               "<!ENTITY % on 'INCLUDE'><!ENTITY % off 'IGNORE'>\n"
               "<![%on;[ <![ INCLUDE [ <!ENTITY n1 'nested'> ]]> <![ %off; [ <!ENTITY n2 'ignored'> ]]> ]]>\n"
               "<![IGNORE[ <!ELEMENT broken <![ anything ]]> %undeclared; &# ]]>\n"
               "<!ENTITY n2 'after'>");
  Folder.Write("pe.dtd",
               "<!ENTITY % cm '(#PCDATA)'>\n<!ENTITY % atts 'a CDATA \"from-pe\"'>\n"
               "<!ENTITY % ext SYSTEM 'sub/decls.ent'>\n<!ELEMENT r %cm;>\n<!ATTLIST r %atts;>\n%ext;\n"
               "<!ENTITY v \"[%cm;]\">");
  Folder.Write("sub/decls.ent", "<?xml encoding='UTF-8'?><!ENTITY fromsub SYSTEM 'x.xml'>");
  Folder.Write("sub/x.xml", "in sub");
  Folder.Write("x.xml", "beside");
  // A declaration whose name and identifier come from an entity in another folder: the
  // identifier resolves against the text that holds the declaration's "<".
  Folder.Write("split.dtd", "<!ENTITY % rest SYSTEM 'sub/rest.ent'>\n<!ENTITY %rest;>");
  Folder.Write("sub/rest.ent", "split SYSTEM 'x.xml'");
  struct Row {
    std::string Document;
    bool ReadExternal;
    std::string Shape;
  };
  const Row rows[] = {
      {"<!DOCTYPE r SYSTEM 'cp1250.dtd'><r>&w;</r>", true, "r[&w;[\"\xC5\xA1\xC4\xBE\"]]"},
      {"<!DOCTYPE r SYSTEM 'cp1250.dtd'><r>&w;</r>", false, "r[&w;]"},
      {"<!DOCTYPE r SYSTEM 'utf16.dtd'><r>&u;</r>", true, "r[&u;[\"\xC5\xBD\"]]"},
      // The internal subset is read first, so its declarations bind.
      {"<!DOCTYPE r SYSTEM 'bind.dtd' [<!ENTITY e 'internal'><!ATTLIST r a CDATA 'int'>]><r>&e;&only;</r>", true,
       "r{int}[&e;[\"internal\"],&only;[\"ext only\"]]"},
      {"<!DOCTYPE r SYSTEM 'bind.dtd'><r>&e;</r>", true, "r{ext}[&e;[\"external\"]]"},
      {"<!DOCTYPE r SYSTEM 'cond.dtd'><r>&n1;&n2;</r>", true, "r[&n1;[\"nested\"],&n2;[\"after\"]]"},
      // References inside declarations and in entity values; a relative identifier resolves
      // against the entity that declares it.
      {"<!DOCTYPE r SYSTEM 'pe.dtd'><r>&v;&fromsub;</r>", true,
       "r{from-pe}[&v;[\"[(#PCDATA)]\"],&fromsub;[\"in sub\"]]"},
      {"<!DOCTYPE r SYSTEM 'pe.dtd'><r>&v;</r>", false, "r[&v;]"},
      {"<!DOCTYPE r SYSTEM 'split.dtd'><r>&split;</r>", true, "r[&split;[\"beside\"]]"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.Document + (row.ReadExternal ? " read" : " not read"));
    ASSERT_TRUE(ParseIn(row.Document, row.ReadExternal)) << "first error " << FirstKind();
    EXPECT_EQ(Root(), row.Shape);
  }
}

TEST_F(ExternalEntityFixture, ExternalTextThatIsNotWellFormedStopsTheParse) {
  Folder.Write("bind.dtd", "<!ENTITY only 'ext only'><!ATTLIST r d CDATA '&a;'>");
  Folder.Write("missingpe.dtd", "<!ENTITY % m SYSTEM 'nowhere.ent'>\n%m;");
  Folder.Write("rec.dtd", "<!ENTITY % r SYSTEM 'rec.ent'>\n%r;");
  Folder.Write("rec.ent", "<!-- again -->\n%r;");
  Folder.Write("recm.dtd", "<!ENTITY % m SYSTEM 'm.ent'>\n<!ELEMENT r %m;>");
  Folder.Write("m.ent", "(#PCDATA) %m;");
  Folder.Write("laughs.dtd",
               "<!ENTITY % a '<!--aaaaaaaaaa-->'>\n<!ENTITY % b '%a;%a;%a;%a;%a;%a;%a;%a;%a;%a;'>\n"
               "<!ENTITY % c '%b;%b;%b;%b;%b;%b;%b;%b;%b;%b;'>\n<!ENTITY % d '%c;%c;%c;%c;%c;%c;%c;%c;%c;%c;'>\n"
               "<!ENTITY % e '%d;%d;%d;%d;%d;%d;%d;%d;%d;%d;'>\n%e;");
  Folder.Write("bad.dtd", "<?xml encoding='UTF-8'?>\n<!ENTITY ok 'x'>\n  <!ELEMENT>");
  Folder.Write("half.dtd", "<!ENTITY % h SYSTEM 'half.ent'>\n%h; (#PCDATA)>");
  Folder.Write("half.ent", "<!ELEMENT r");
  Folder.Write("ign.dtd", "<![IGNORE[ <![ ]]>");
  Folder.Write("keyword.dtd", "<![INCLUDES[ ]]>");
  Folder.Write("attm.dtd", "<!ENTITY % atts SYSTEM 'atts.ent'>\n<!ATTLIST r %atts;>");
  Folder.Write("atts.ent", "<?xml encoding='UTF-8'?>\na CDATA #IMPLIED\n  b BOGUS #IMPLIED");
  struct Row {
    std::string Document;
    int Kind;
    std::string File;  // where the error is placed
    std::int64_t Line, Column;  // 0: not compared
  };
  const Row rows[] = {
      {"<!DOCTYPE r SYSTEM 'nowhere.dtd'><r/>", EK_RESOURCE_NOT_RESOLVED, "doc.xml", 0, 0},
      {"<!DOCTYPE r SYSTEM 'missingpe.dtd'><r/>", EK_RESOURCE_NOT_RESOLVED, "missingpe.dtd", 2, 1},
      {"<!DOCTYPE r SYSTEM 'rec.dtd'><r/>", EK_RECURSIVE_ENTITY_REFERENCE, "rec.ent", 2, 1},
      {"<!DOCTYPE r SYSTEM 'recm.dtd'><r/>", EK_RECURSIVE_ENTITY_REFERENCE, "m.ent", 1, 11},
      {"<!DOCTYPE r SYSTEM 'laughs.dtd'><r/>", EK_ENTITY_EXPANSION_TOO_LARGE, "laughs.dtd", 0, 0},
      {"<!DOCTYPE r SYSTEM 'bad.dtd'><r/>", EK_WHITESPACE_EXPECTED, "bad.dtd", 3, 3},
      // Inside an external entity's text taken in inside a declaration: placed in that text.
      {"<!DOCTYPE r SYSTEM 'attm.dtd'><r/>", EK_DTD_SUBSET_SYNTAX_105, "atts.ent", 3, 10},
      // A parameter entity between declarations holds whole declarations.
      {"<!DOCTYPE r SYSTEM 'half.dtd'><r/>", EK_WHITESPACE_EXPECTED, "half.ent", 0, 0},
      {"<!DOCTYPE r SYSTEM 'ign.dtd'><r/>", EK_UNKNOWN_MARKUP_DECL, "ign.dtd", 0, 0},
      {"<!DOCTYPE r SYSTEM 'keyword.dtd'><r/>", EK_UNKNOWN_MARKUP_DECL, "keyword.dtd", 0, 0},
      // The internal subset stays as XML has it: no conditional sections, no references
      // inside declarations.
      {"<!DOCTYPE r [<![INCLUDE[]]>]><r/>", EK_UNCLOSED_DOCTYPE, "doc.xml", 0, 0},
      {"<!DOCTYPE r [<![IGNORE <!ENTITY x 'y'> ]><r/>", EK_UNKNOWN_MARKUP_DECL, "doc.xml", 1, 14},
      {"<!DOCTYPE r [<!ENTITY % cm '(#PCDATA)'><!ELEMENT r %cm;>]><r/>", EK_PE_REFERENCE_IN_MARKUP, "doc.xml", 0, 0},
      // A document standing alone may not use an externally declared entity.
      {"<?xml version='1.0' standalone='yes'?><!DOCTYPE r SYSTEM 'bind.dtd'><r>&only;</r>", EK_UNDECLARED_ENTITY,
       "doc.xml", 0, 0},
      {"<?xml version='1.0' standalone='yes'?><!DOCTYPE r SYSTEM 'bind.dtd'><r a='&only;'/>", EK_UNDECLARED_ENTITY,
       "doc.xml", 0, 0},
      // Also through an internal entity, though the external default value that uses it was
      // found fit before.
      {"<?xml version='1.0' standalone='yes'?><!DOCTYPE r SYSTEM 'bind.dtd' [<!ENTITY a 'x&only;'>]><r a='&a;'/>",
       EK_UNDECLARED_ENTITY, "doc.xml", 0, 0},
      {"<?xml version='1.0' standalone='yes'?><!DOCTYPE r SYSTEM 'bind.dtd' [<!ENTITY a 'x&only;'>]><r>&a;</r>",
       EK_UNDECLARED_ENTITY, "doc.xml", 0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.Document);
    EXPECT_FALSE(ParseIn(row.Document, true));
    ASSERT_FALSE(Reported.empty());
    const TReportedError& error = Reported.front();
    EXPECT_EQ(error.Kind, row.Kind);
    const std::string uri = error.Uri;
    EXPECT_TRUE(uri.size() >= row.File.size() && uri.compare(uri.size() - row.File.size(), row.File.size(), row.File) == 0)
        << uri;
    if (row.Line > 0) {
      EXPECT_EQ(error.StartLine, row.Line);
      EXPECT_EQ(error.StartColumn, row.Column);
    }
  }
}

// With external reading off, nothing outside the document is asked for, and the documents
// above that need it parse as before.
TEST_F(ExternalEntityFixture, NothingExternalIsAskedForWhenSwitchedOff) {
  std::vector<std::string> asked;
  Resolver.OnResolveResource = [&](TComponent*, const WideString&, const WideString&, WideString&,
                                   WideString& systemId, std::unique_ptr<TStream>&, bool&) {
    asked.push_back(WideToUtf8(systemId));
  };
  const std::string doc =
      "<!DOCTYPE r SYSTEM 'nowhere.dtd' [<!ENTITY % p SYSTEM 'p.ent'>%p;<!ENTITY e 'skipped'>]><r>&e;</r>";
  ASSERT_TRUE(ParseIn(doc, false));
  EXPECT_EQ(Root(), "r[&e;]");
  EXPECT_TRUE(Model().SkippedDeclarations);
  EXPECT_TRUE(asked.empty());
}

// The parser's expansion limits bound the parameter-entity text of the subsets too.
TEST_F(ExternalEntityFixture, ParameterEntityExpansionFollowsTheParsersLimits) {
  std::string dtd = "<!ENTITY % p '<!--" + std::string(100, 'x') + "-->'>\n";
  for (int i = 0; i < 30; ++i) dtd += "%p;";
  Folder.Write("many.dtd", dtd);
  const std::string doc = "<!DOCTYPE r SYSTEM 'many.dtd'><r/>";
  EXPECT_TRUE(ParseIn(doc, true)) << FirstKind();
  Parser.SetEntityExpansionLimits(16, 10, 0);
  EXPECT_FALSE(ParseIn(doc, true));
  EXPECT_EQ(FirstKind(), EK_ENTITY_EXPANSION_TOO_LARGE);
  Parser.SetEntityExpansionLimits(16, 100, 0);
  EXPECT_TRUE(ParseIn(doc, true)) << FirstKind();
}

// Only plain files are read (the resolver refuses anything else): a name that leads to a
// device (here one that reads as empty) is refused like a missing file, for the subset, a
// parameter entity and a general entity.
TEST_F(ExternalEntityFixture, OnlyPlainFilesAreRead) {
  std::error_code error;
  std::filesystem::create_symlink("/dev/null", Folder.Path / "device", error);
  if (error) GTEST_SKIP() << "no symbolic link in the temporary folder";
  Folder.Write("pe.dtd", "<!ENTITY % d SYSTEM 'device'>%d;");
  const std::string rows[] = {
      "<!DOCTYPE r SYSTEM 'device'><r/>",
      "<!DOCTYPE r SYSTEM 'pe.dtd'><r/>",
      "<!DOCTYPE r [<!ENTITY d SYSTEM 'device'>]><r>&d;</r>",
  };
  for (const std::string& row : rows) {
    SCOPED_TRACE(row);
    EXPECT_FALSE(ParseIn(row, true));
    EXPECT_EQ(FirstKind(), EK_RESOURCE_NOT_RESOLVED);
  }
}

// The reader's signals come from external text too, each placed in the text it lies in.
TEST_F(ExternalEntityFixture, ExternalDeclarationsAreSentAsSignals) {
  Folder.Write("sig.dtd", "<!ENTITY % p SYSTEM 'p.ent'>\n%p;\n<!ENTITY e 'v'>");
  Folder.Write("p.ent", "<?xml encoding='UTF-8'?><!ELEMENT r EMPTY>");
  std::vector<std::string> heard;
  Implementation.OnDtdSignal = [&](TPersistent*, const TXmlSignal& signal) {
    const std::string uri = WideToUtf8(signal.SourceUri());
    heard.push_back(std::string(signal.ClassName()) + " " + uri.substr(uri.rfind('/') + 1) + " @" +
                    std::to_string(signal.StartLine()) + ":" + std::to_string(signal.StartColumn()));
  };
  ASSERT_TRUE(ParseIn("<!DOCTYPE r SYSTEM 'sig.dtd' [<!ENTITY i 'x'>]><r/>", true)) << FirstKind();
  const std::vector<std::string> expected = {
      "TXmlStartIntDtdSignal doc.xml @1:30",
      "TXmlEntityDeclarationSignal doc.xml @1:31",
      "TXmlCompletedSignal doc.xml @1:45",
      "TXmlStartExtDtdSignal sig.dtd @1:0",
      "TXmlParameterEntityDeclarationSignal sig.dtd @1:1",
      "TXmlPEReferenceFoundSignal sig.dtd @2:1",
      "TXmlElementTypeDeclarationSignal p.ent @1:25",
      "TXmlEntityDeclarationSignal sig.dtd @3:1",
      "TXmlCompletedSignal sig.dtd @3:15",
  };
  EXPECT_EQ(heard, expected);
}

// Byte offsets of errors in the document type declaration and in the subsets count the bytes
// of the source, as everywhere else in the document: line ends read from CR LF, characters of
// two to four bytes, documents in one- and two-byte encodings, external text with a declaration.
TEST_F(ExternalEntityFixture, ErrorsInDeclarationsCountTheSourcesBytes) {
  auto utf16le = [](const std::string& ascii) {
    std::string out;
    for (char c : ascii) out += std::string{c, '\0'};
    return out;
  };
  struct Row {
    std::string Document;
    std::string Subset;  // "ext.dtd", read when not empty
    std::string Marker;  // where the error starts, in the subset when there is one
    std::size_t Uncounted = 0;  // bytes before the document's count starts: mark, XML declaration
  };
  const Row rows[] = {
      // The document type declaration's own syntax.
      {"<!DOCTYPE a\r\n PUBLIC \"\xC3\xA1\xC3\xA1\" x>\r\n<a/>", "", " x>"},
      // The internal subset, UTF-8.
      {"<!DOCTYPE a [\r\n<!ENTITY e \"\xC3\xA1\xE2\x82\xAC\xF0\x9F\x98\x80\">\r\n<!BOGUS>]><a/>", "", "<!BOGUS"},
      // The internal subset, windows-1250.
      {"<?xml version=\"1.0\" encoding=\"windows-1250\"?>\r\n<!DOCTYPE a [<!ENTITY e \"\xE1\x9A\">\r\n<!BOGUS>]><a/>",
       "", "<!BOGUS", 45},
      // The internal subset, UTF-16 with its mark.
      {"\xFF\xFE" + utf16le("<!DOCTYPE a [\r\n<!ENTITY e 'x'>\r\n<!BOGUS>]><a/>"), "", utf16le("<!BOGUS"), 2},
      // The external subset behind its text declaration, and a parameter entity's text.
      {"<!DOCTYPE a SYSTEM 'ext.dtd'><a/>", "<?xml encoding='UTF-8'?>\r\n<!ENTITY e '\xE2\x82\xAC\xE2\x82\xAC'>\r\n<!BOGUS>",
       "<!BOGUS"},
      {"<!DOCTYPE a SYSTEM 'ext.dtd'><a/>", "<!ENTITY % p SYSTEM 'p.ent'>\r\n%p;", "<!BOGUS"},
  };
  Folder.Write("p.ent", "<!ENTITY e '\xC3\xA1\xC3\xA1'>\r\n<!BOGUS>");
  for (const Row& row : rows) {
    Folder.Write("ext.dtd", row.Subset);
    EXPECT_FALSE(ParseIn(row.Document, true)) << row.Document;
    ASSERT_FALSE(Reported.empty()) << row.Document;
    const bool inPe = row.Subset.find("p.ent") != std::string::npos;
    const std::string source = inPe ? "<!ENTITY e '\xC3\xA1\xC3\xA1'>\r\n<!BOGUS>" : row.Subset.empty() ? row.Document : row.Subset;
    EXPECT_EQ(Reported.front().StartByte, static_cast<std::int64_t>(source.find(row.Marker) - row.Uncounted))
        << row.Document;
    EXPECT_GT(Reported.front().EndByte, Reported.front().StartByte) << row.Document;
    EXPECT_LE(Reported.front().EndByte, static_cast<std::int64_t>(source.size() - row.Uncounted)) << row.Document;
  }
}

}  // namespace
