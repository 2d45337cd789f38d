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

}  // namespace
