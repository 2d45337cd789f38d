// URI-reference analysis: splitting, component rules, composition round trips.
#include "xml/UriUtils.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct TAnalyzeCase {
  std::string Text;
  bool Ok;
  // Expected components when Ok; "-" marks an absent component.
  std::string Scheme, Authority, Path, Query, Fragment;
};

std::string Component(bool present, const std::string& text) { return present ? text : "-"; }

WideString Wide(const std::string& s) { return WideString(s.begin(), s.end()); }

const TAnalyzeCase kAnalyzeCases[] = {
    {"file:///c:/dir/a.xml", true, "file", "", "/c:/dir/a.xml", "-", "-"},
    {"c:/dir/a.xml", true, "c", "-", "/dir/a.xml", "-", "-"},
    {"urn:isbn:123", true, "urn", "-", "isbn:123", "-", "-"},
    {"#part", true, "-", "-", "", "-", "part"},
    {"a/b:c", false, "", "", "", "", ""},
    // A colon in the query or fragment of a reference without scheme is no scheme delimiter.
    {"a.xml#p:q", true, "-", "-", "a.xml", "-", "p:q"},
    {"?x=1:2", true, "-", "-", "", "x=1:2", "-"},
    {"a?b#c:d", true, "-", "-", "a", "b", "c:d"},
    {"%zz", false, "", "", "", "", ""},
    // The examples of RFC 2396.
    {"ftp://ftp.is.co.za/rfc/rfc1808.txt", true, "ftp", "ftp.is.co.za", "/rfc/rfc1808.txt", "-", "-"},
    {"gopher://spinaltap.micro.umn.edu/00/Weather/California/Los%20Angeles", true, "gopher",
     "spinaltap.micro.umn.edu", "/00/Weather/California/Los%20Angeles", "-", "-"},
    {"http://www.math.uio.no/faq/compression-faq/part1.html", true, "http", "www.math.uio.no",
     "/faq/compression-faq/part1.html", "-", "-"},
    {"mailto:mduerst@ifi.unizh.ch", true, "mailto", "-", "mduerst@ifi.unizh.ch", "-", "-"},
    {"news:comp.infosystems.www.servers.unix", true, "news", "-",
     "comp.infosystems.www.servers.unix", "-", "-"},
    {"telnet://melvyl.ucop.edu/", true, "telnet", "melvyl.ucop.edu", "/", "-", "-"},
    {"http://a/b/c/d;p?q", true, "http", "a", "/b/c/d;p", "q", "-"},
    {"g;x?y#s", true, "-", "-", "g;x", "y", "s"},
    {"../../g", true, "-", "-", "../../g", "-", "-"},
    {"//g", true, "-", "g", "", "-", "-"},
    {"?y", true, "-", "-", "", "y", "-"},
    {"", true, "-", "-", "", "-", "-"},
    {"http://user:pw@host.example.com:8080/p?", true, "http", "user:pw@host.example.com:8080",
     "/p", "", "-"},
    {"http://192.168.0.1:80/", true, "http", "192.168.0.1:80", "/", "-", "-"},
    {"http://a#", true, "http", "a", "", "-", ""},
    {"http://host.example.com./x", true, "http", "host.example.com.", "/x", "-", "-"},
    {"x-y+z.1:opaque", true, "x-y+z.1", "-", "opaque", "-", "-"},
    {"reg://$name;x/", true, "reg", "$name;x", "/", "-", "-"},
    {"1http://a/", false, "", "", "", "", ""},
    {"http://a/b c", false, "", "", "", "", ""},
    {"http://a/b?c d", false, "", "", "", "", ""},
    {"http://a/b#c#d", false, "", "", "", "", ""},
    {"http://a/%4", false, "", "", "", "", ""},
    {"http://a b/", false, "", "", "", "", ""},
    {"http://a/<x>", false, "", "", "", "", ""},
};

template <class TAnalyzer, class TMake>
void CheckAnalyze(TMake make) {
  for (const TAnalyzeCase& c : kAnalyzeCases) {
    TAnalyzer a;
    // Start from a filled analyzer, so that a failed analysis must really empty it.
    ASSERT_TRUE(a.Analyze(make("s://h/p?q#f")));
    ASSERT_EQ(a.Analyze(make(c.Text)), c.Ok) << c.Text;
    const auto narrow = [](const auto& s) { return std::string(s.begin(), s.end()); };
    if (!c.Ok) {
      EXPECT_FALSE(a.HasScheme() || a.HasAuthority() || a.HasQuery() || a.HasFragment()) << c.Text;
      EXPECT_TRUE(a.Scheme().empty() && a.Authority().empty() && a.Path().empty() &&
                  a.Query().empty() && a.Fragment().empty())
          << c.Text;
      continue;
    }
    EXPECT_EQ(Component(a.HasScheme(), narrow(a.Scheme())), c.Scheme) << c.Text;
    EXPECT_EQ(Component(a.HasAuthority(), narrow(a.Authority())), c.Authority) << c.Text;
    EXPECT_EQ(narrow(a.Path()), c.Path) << c.Text;
    EXPECT_EQ(Component(a.HasQuery(), narrow(a.Query())), c.Query) << c.Text;
    EXPECT_EQ(Component(a.HasFragment(), narrow(a.Fragment())), c.Fragment) << c.Text;
    EXPECT_EQ(narrow(a.Compose()), c.Text) << "round trip";
  }
}

TEST(UriAnalyzer, AnalyzeAndComposeWide) {
  CheckAnalyze<TUriWideStrAnalyzer>([](const std::string& s) { return Wide(s); });
}

TEST(UriAnalyzer, AnalyzeAndComposeSingleByte) {
  CheckAnalyze<TUriStrAnalyzer>([](const std::string& s) { return s; });
}

TEST(UriAnalyzer, NewAnalyzerHoldsTheEmptyReference) {
  TUriWideStrAnalyzer a;
  EXPECT_FALSE(a.HasScheme() || a.HasAuthority() || a.HasQuery() || a.HasFragment());
  EXPECT_EQ(a.Compose(), u"");
}

TEST(UriAnalyzer, ComponentSetters) {
  struct TCase {
    const char* Setter;
    std::string Text;
    bool Present;
    bool Result;
    std::string Stored;
  };
  const TCase cases[] = {
      {"scheme", "http", true, true, "http"},   {"scheme", "1http", true, false, ""},
      {"scheme", "bad one", false, true, ""},   {"scheme", "", true, false, ""},
      {"authority", "", true, true, ""},        {"authority", "a..b", true, true, "a..b"},
      {"authority", "-a.com", true, true, "-a.com"},
      {"authority", "a b", true, false, ""},    {"authority", "h:x", true, true, "h:x"},
      {"authority", "1.2.3", true, true, "1.2.3"},
      {"authority", "%41", true, true, "%41"},  {"authority", "%4", true, false, ""},
      {"authority", "ho_st", true, true, "ho_st"},
      {"query", "", true, true, ""},            {"query", "a=1&b=2", true, true, "a=1&b=2"},
      {"query", "a b", true, false, ""},        {"query", "a b", false, true, ""},
      {"query", "%GG", true, false, ""},        {"fragment", "x/y?z", true, true, "x/y?z"},
      {"fragment", "a#b", true, false, ""},     {"path", "/a b", true, false, ""},
      {"path", "/a/b;p=1", true, true, "/a/b;p=1"},
      {"path", "/a?b", true, false, ""},        {"path", "rel/x", true, true, "rel/x"},
      {"path", "", true, true, ""},
  };
  for (const TCase& c : cases) {
    TUriStrAnalyzer a;
    const std::string s = c.Setter;
    bool result = false;
    std::string stored;
    bool present = false;
    if (s == "scheme") {
      result = a.SetScheme(c.Text, c.Present), stored = a.Scheme(), present = a.HasScheme();
    } else if (s == "authority") {
      result = a.SetAuthority(c.Text, c.Present), stored = a.Authority(),
      present = a.HasAuthority();
    } else if (s == "query") {
      result = a.SetQuery(c.Text, c.Present), stored = a.Query(), present = a.HasQuery();
    } else if (s == "fragment") {
      result = a.SetFragment(c.Text, c.Present), stored = a.Fragment(), present = a.HasFragment();
    } else {
      result = a.SetPath(c.Text), stored = a.Path(), present = c.Present;
    }
    EXPECT_EQ(result, c.Result) << s << " " << c.Text;
    EXPECT_EQ(stored, c.Stored) << s << " " << c.Text;
    EXPECT_EQ(present, c.Present) << s << " " << c.Text;
  }
}

TEST(UriAnalyzer, IsAbsoluteUri) {
  struct TCase {
    std::string Text;
    bool Expected;
  };
  const TCase cases[] = {
      {"file:///c:/dir/a.xml", true}, {"http://a/b?q", true}, {"http://a", true},
      {"urn:isbn:123", true},         {"mailto:a@b", true},   {"c:/dir", true},
      {"a:/", true},                  {"http:", false},       {"/dir/a.xml", false},
      {"dir/a.xml", false},           {"1a:b", false},        {"a/b:c", false},
      {"http://a/b#frag", false},     {"http://a b/", false}, {"http://a/?q r", false},
      {"", false},                    {"#x", false},          {"x:%zz", false},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(IsAbsoluteUri(c.Text), c.Expected) << c.Text;
    EXPECT_EQ(IsAbsoluteUri(Wide(c.Text)), c.Expected) << c.Text;
  }
}

TEST(UriAnalyzer, NonAsciiIsNeverUric) {
  TUriWideStrAnalyzer wide;
  EXPECT_FALSE(wide.Analyze(u"file:///c:/d\u00EDr/a.xml"));
  TUriStrAnalyzer narrow;
  EXPECT_FALSE(narrow.Analyze("file:///c:/d\xEDr/a.xml"));
  EXPECT_TRUE(narrow.Analyze("file:///c:/d%C3%ADr/a.xml"));
}

}  // namespace
