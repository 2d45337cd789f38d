// URI routines and the standard resource resolver: file names to "file" URIs and back,
// relative resolution (RFC 2396 section 5 examples), and how a system identifier becomes a
// stream.
#include "platform/Exceptions.h"
#include "platform/Streams.h"
#include "xml/ResourceResolver.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

TEST(FileNameToUri, EscapesEveryByteClass) {
  struct Case {
    std::string FileName;
    int Flags;
    std::u16string Uri;
  };
  const std::vector<Case> cases = {
      {"C:\\Data\\Order 1.xml", 0, u"file:///C%3a/Data/Order%201.xml"},
      {"", 0, u"file://"},
      {"", FILE_URI_LOCALHOST, u"file://localhost"},
      {"C:\\a", FILE_URI_LOCALHOST, u"file://localhost/C%3a/a"},
      {"C:\\a", FILE_URI_KEEP_COLON, u"file:///C:/a"},
      {"C:\\a", FILE_URI_LOCALHOST | FILE_URI_KEEP_COLON, u"file://localhost/C:/a"},
      {"!'()*-._~", 0, u"file:///!'()*-._~"},
      {"09AZaz", 0, u"file:///09AZaz"},
      {"%# ?&=+$,;@[]", 0, u"file:///%25%23%20%3F%26%3D%2B%24%2C%3B%40%5B%5D"},
      {"\"<>{}|^`", 0, u"file:///%22%3C%3E%7B%7D%7C%5E%60"},
      {std::string("\x01\x1F\x7F", 3), 0, u"file:///%01%1F%7F"},
      {"\xC3\xA1\xFF\x80", 0, u"file:///%C3%A1%FF%80"},
      {"/tmp/Order 1.xml", 0, u"file:///tmp/Order%201.xml"},
      {"rel/x.xml", 0, u"file:///rel/x.xml"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.FileName);
    EXPECT_EQ(FileNameToUri(c.FileName, c.Flags), c.Uri);
  }
}

TEST(UriToFileName, DecodesEscapesAndSplitsTheRest) {
  struct Case {
    std::u16string Uri;
    bool Ok;
    std::string FileName;
    std::u16string Authority, Query, Fragment;
  };
  const std::vector<Case> cases = {
      {u"file:///tmp/a%20b.xml", true, "/tmp/a b.xml", u"", u"", u""},
      {u"file:///C%3a/Data/Order%201.xml", true, "/C:/Data/Order 1.xml", u"", u"", u""},
      {u"FILE:///x", true, "/x", u"", u"", u""},
      {u"File:/x", true, "/x", u"", u"", u""},
      {u"file://host/share/a.xml?q=1#top", true, "/share/a.xml", u"host", u"?q=1", u"#top"},
      {u"file:///a?#", true, "/a", u"", u"?", u"#"},
      {u"file:///a%41%c3%A1", true, "/aA\xC3\xA1", u"", u"", u""},
      {u"file:///%2Fetc", true, "//etc", u"", u"", u""},
      {u"file:///a%00b.xml", false, "", u"", u"", u""},
      {u"file:///a%00", false, "", u"", u"", u""},
      {u"file:///a%zz", false, "", u"", u"", u""},
      {u"file:///a%4", false, "", u"", u"", u""},
      {u"http://a/b", false, "", u"", u"", u""},
      {u"a.xml", false, "", u"", u"", u""},
      {u"file:///a b", false, "", u"", u"", u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Uri.begin(), c.Uri.end()));
    std::string fileName = "stale";
    std::u16string authority = u"stale", query = u"stale", fragment = u"stale";
    EXPECT_EQ(UriToFileName(c.Uri, fileName, authority, query, fragment), c.Ok);
    EXPECT_EQ(fileName, c.FileName);
    EXPECT_EQ(authority, c.Authority);
    EXPECT_EQ(query, c.Query);
    EXPECT_EQ(fragment, c.Fragment);
  }
}

TEST(UriToFileName, RoundTripsFileNames) {
  const std::vector<std::string> names = {"/tmp/Order 1.xml", "/a/%41#?;b", "/x/\xC3\xA1\xFF"};
  for (const auto& name : names) {
    SCOPED_TRACE(name);
    std::string back;
    EXPECT_TRUE(UriToFileName(FileNameToUri(name), back));
    EXPECT_EQ(back, name);
  }
}

TEST(ResolveRelativeUri, Rfc2396Examples) {
  const std::u16string base = u"http://a/b/c/d;p?q";
  struct Case {
    std::u16string Reference;
    bool Ok;
    std::u16string Result;
  };
  const std::vector<Case> cases = {
      // Normal examples.
      {u"g:h", true, u"g:h"},
      {u"g", true, u"http://a/b/c/g"},
      {u"./g", true, u"http://a/b/c/g"},
      {u"g/", true, u"http://a/b/c/g/"},
      {u"/g", true, u"http://a/g"},
      {u"//g", true, u"http://g"},
      {u"?y", true, u"http://a/b/c/?y"},
      {u"g?y", true, u"http://a/b/c/g?y"},
      {u"#s", true, u"http://a/b/c/d;p?q#s"},
      {u"g#s", true, u"http://a/b/c/g#s"},
      {u"g?y#s", true, u"http://a/b/c/g?y#s"},
      {u";x", true, u"http://a/b/c/;x"},
      {u"g;x", true, u"http://a/b/c/g;x"},
      {u"g;x?y#s", true, u"http://a/b/c/g;x?y#s"},
      {u".", true, u"http://a/b/c/"},
      {u"./", true, u"http://a/b/c/"},
      {u"..", true, u"http://a/b/"},
      {u"../", true, u"http://a/b/"},
      {u"../g", true, u"http://a/b/g"},
      {u"../..", true, u"http://a/"},
      {u"../../", true, u"http://a/"},
      {u"../../g", true, u"http://a/g"},
      {u"", true, u"http://a/b/c/d;p?q"},
      // Abnormal examples.
      {u"../../../g", false, u""},
      {u"../../../../g", false, u""},
      {u"/./g", true, u"http://a/./g"},
      {u"/../g", true, u"http://a/../g"},
      {u"g.", true, u"http://a/b/c/g."},
      {u".g", true, u"http://a/b/c/.g"},
      {u"g..", true, u"http://a/b/c/g.."},
      {u"..g", true, u"http://a/b/c/..g"},
      {u"./../g", true, u"http://a/b/g"},
      {u"./g/.", true, u"http://a/b/c/g/"},
      {u"g/./h", true, u"http://a/b/c/g/h"},
      {u"g/../h", true, u"http://a/b/c/h"},
      {u"g;x=1/./y", true, u"http://a/b/c/g;x=1/y"},
      {u"g;x=1/../y", true, u"http://a/b/c/y"},
      {u"g?y/./x", true, u"http://a/b/c/g?y/./x"},
      {u"g?y/../x", true, u"http://a/b/c/g?y/../x"},
      {u"g#s/./x", true, u"http://a/b/c/g#s/./x"},
      {u"g#s/../x", true, u"http://a/b/c/g#s/../x"},
      {u"http:g", true, u"http:g"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Reference.begin(), c.Reference.end()));
    std::u16string result = u"stale";
    EXPECT_EQ(ResolveRelativeUri(base, c.Reference, result), c.Ok);
    EXPECT_EQ(result, c.Result);
  }
}

TEST(ResolveRelativeUri, FileUrisAndTheRoot) {
  struct Case {
    std::u16string Base, Reference;
    bool Ok;
    std::u16string Result;
  };
  const std::vector<Case> cases = {
      {u"file:///C%3a/Data/a.xml", u"b.dtd", true, u"file:///C%3a/Data/b.dtd"},
      {u"file:///C%3a/Data/a.xml", u"../../x.dtd", true, u"file:///x.dtd"},
      {u"file:///C%3a/Data/a.xml", u"../../../x.dtd", false, u""},
      {u"file:///tmp/d/a.xml", u"sub/b.xml#f", true, u"file:///tmp/d/sub/b.xml#f"},
      // ".." that has only ".." before it stands above the root.
      {u"http://a/x", u"../../g", false, u""},
      {u"http://a", u"g", true, u"http://a/g"},
      {u"", u"file:///x.xml", true, u"file:///x.xml"},
      {u"", u"x.xml", false, u""},
      {u"a/b", u"c", false, u""},
      {u"http://a/b", u"c d", false, u""},
      {u"http://a b/", u"c", false, u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Base.begin(), c.Base.end()) + " + " +
                 std::string(c.Reference.begin(), c.Reference.end()));
    std::u16string result = u"stale";
    EXPECT_EQ(ResolveRelativeUri(c.Base, c.Reference, result), c.Ok);
    EXPECT_EQ(result, c.Result);
  }
}

namespace {

struct TempFolder {
  TempFolder() {
    Path = std::filesystem::temp_directory_path() /
           ("resolver-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)));
    std::filesystem::create_directories(Path);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(Path, ec);
  }
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::string full = (Path / name).string();
    std::ofstream(full, std::ios::binary) << bytes;
    return full;
  }
  std::filesystem::path Path;
};

std::string ReadAll(TStream& stream) {
  std::string out(static_cast<std::size_t>(stream.Size()), '\0');
  stream.ReadBuffer(out.data(), stream.Size());
  return out;
}

} // namespace

TEST(StandardResourceResolver, OpensResolvedFiles) {
  TempFolder folder;
  folder.Write("b.xml", "<b/>");
  const std::u16string base = FileNameToUri(folder.Write("a.xml", "<a/>"));
  TStandardResourceResolver resolver;

  std::u16string publicId = u"-//P", systemId = u"b.xml";
  auto stream = resolver.ResolveResource(base, publicId, systemId);
  ASSERT_TRUE(stream);
  EXPECT_EQ(ReadAll(*stream), "<b/>");
  EXPECT_EQ(systemId, FileNameToUri((folder.Path / "b.xml").string()));
  EXPECT_EQ(publicId, u"-//P");

  struct Miss {
    const char* Name;
    std::u16string SystemId, Resolved;
  };
  const std::vector<Miss> misses = {
      {"missing file", u"none.xml", FileNameToUri((folder.Path / "none.xml").string())},
      {"unresolvable", u"../../../../../../../../../../../../x", u""},
      {"other scheme", u"http://example.invalid/x.xml", u"http://example.invalid/x.xml"},
  };
  for (const auto& m : misses) {
    SCOPED_TRACE(m.Name);
    std::u16string id = m.SystemId, pub;
    EXPECT_FALSE(resolver.ResolveResource(base, pub, id));
    EXPECT_EQ(id, m.Resolved);
  }
}

TEST(StandardResourceResolver, EventSeesAndChangesTheRequest) {
  TempFolder folder;
  const std::string other = folder.Write("other.xml", "<o/>");
  TStandardResourceResolver resolver;
  std::vector<std::u16string> seen;
  bool giveStream = true;
  resolver.OnResolveResource = [&](TComponent* sender, const std::u16string& resourceType,
                                   const std::u16string& namespaceUri, std::u16string& publicId,
                                   std::u16string& systemId, std::unique_ptr<TStream>& stream,
                                   bool& certifiedText) {
    EXPECT_EQ(sender, &resolver);
    EXPECT_FALSE(stream);
    EXPECT_FALSE(certifiedText);
    seen = {resourceType, namespaceUri, publicId, systemId};
    if (giveStream)
      stream = std::make_unique<TMemoryStream>("<m/>");
    else
      systemId = FileNameToUri(other);
  };

  std::u16string publicId = u"pub", systemId = u"x.xml";
  auto stream = resolver.ResolveResource(u"file:///base/a.xml", publicId, systemId);
  ASSERT_TRUE(stream);
  EXPECT_EQ(ReadAll(*stream), "<m/>");
  EXPECT_EQ(seen, (std::vector<std::u16string>{u"http://www.w3.org/TR/REC-xml", u"", u"pub",
                                               u"file:///base/x.xml"}));

  // A handler that only rewrites the system identifier gets the file it names.
  giveStream = false;
  systemId = u"x.xml";
  stream = resolver.ResolveResource(u"file:///base/a.xml", publicId, systemId);
  ASSERT_TRUE(stream);
  EXPECT_EQ(ReadAll(*stream), "<o/>");
}

TEST(StandardResourceResolver, AcquireStreamFromUriFailures) {
  struct Case {
    std::u16string Uri;
    std::string Message;
  };
  const std::vector<Case> cases = {
      {u"b.xml", "URI \"b.xml\" contains no scheme."},
      {u"FILE:///C%3a/a.xml", "URI scheme \"FILE\" not supported."},
      {u"http://x/y", "URI scheme \"http\" not supported."},
      {u"file:///nonexistent-folder/zz.xml", "File \"/nonexistent-folder/zz.xml\" not found."},
      {u"file:///etc/hostname%00.xml", "File \"file:///etc/hostname%00.xml\" not found."},
  };
  TStandardResourceResolver resolver;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Message);
    try {
      resolver.AcquireStreamFromUri(c.Uri);
      ADD_FAILURE() << "no exception";
    } catch (const EFOpenError& e) {
      EXPECT_EQ(std::string(e.what()), c.Message);
    }
  }
}
