// Documents of hostile shape and size, for the test that keeps their cost linear and for the
// benchmark that prints it: one element with a huge number of attributes or namespace
// declarations, names a million characters long, an attribute value made of character
// references only, a run of comments, an internal subset declaring a huge number of
// attributes for one element, which all become its defaults; and an ordinary document of mixed content to compare
// their time per byte with. All are UTF-8 without a declaration, well-formed, and the same
// on every run.
#pragma once

#include <cstddef>
#include <string>

enum class THostileKind { Attributes, LongNames, NamespaceDecls, CharRefs, Comments, AttributeDefinitions, Ordinary };

struct THostileCase {
  THostileKind Kind;
  const char* Name;
};

inline constexpr THostileCase kHostileCases[] = {
    {THostileKind::Attributes, "attributes on one element"},
    {THostileKind::LongNames, "characters in one name"},
    {THostileKind::NamespaceDecls, "namespace declarations"},
    {THostileKind::CharRefs, "character references in one value"},
    {THostileKind::Comments, "comments"},
    {THostileKind::AttributeDefinitions, "attribute definitions for one element"},
};

namespace HostileDetail {

inline void AppendNumber(std::string& out, std::size_t value) { out += std::to_string(value); }

}  // namespace HostileDetail

// The document of `kind` with `n` of the thing it multiplies. An ordinary document is made
// with about n * 12 bytes, the size of the attribute case.
inline std::string MakeHostileDocument(THostileKind kind, std::size_t n) {
  using HostileDetail::AppendNumber;
  std::string out;
  switch (kind) {
    case THostileKind::Attributes:
      out.reserve(n * 14 + 16);
      out += "<r";
      for (std::size_t i = 0; i < n; ++i) {
        out += " a";
        AppendNumber(out, i);
        out += "=\"v\"";
      }
      out += "/>";
      break;
    case THostileKind::LongNames: {
      // The element's name, one attribute's name and the end tag's name, each n long.
      const std::string element = "e" + std::string(n - 1, 'n');
      const std::string attribute = "a" + std::string(n - 1, 'm');
      out.reserve(3 * n + 32);
      out += "<" + element + " " + attribute + "=\"v\">t</" + element + ">";
      break;
    }
    case THostileKind::NamespaceDecls:
      out.reserve(n * 24 + 32);
      out += "<r";
      for (std::size_t i = 0; i < n; ++i) {
        out += " xmlns:p";
        AppendNumber(out, i);
        out += "=\"urn:x:";
        AppendNumber(out, i);
        out += "\"";
      }
      out += "><p0:c/></r>";
      break;
    case THostileKind::CharRefs:
      out.reserve(n * 6 + 16);
      out += "<r a=\"";
      for (std::size_t i = 0; i < n; ++i) out += i % 2 == 0 ? "&#65;" : "&#x42;";
      out += "\"/>";
      break;
    case THostileKind::Comments:
      out.reserve(n * 10 + 16);
      out += "<r>";
      for (std::size_t i = 0; i < n; ++i) out += "<!-- c -->";
      out += "</r>";
      break;
    case THostileKind::AttributeDefinitions:
      out.reserve(n * 28 + 32);
      out += "<!DOCTYPE r [";
      for (std::size_t i = 0; i < n; ++i) {
        out += "<!ATTLIST r a";
        AppendNumber(out, i);
        out += " CDATA \"v\">";
      }
      out += "]><r a0=\"w\"/>";
      break;
    case THostileKind::Ordinary: {
      // Records of nested elements with a few attributes, text, references, a comment and
      // a CDATA section: what a data file commonly holds.
      const std::size_t bytes = n * 12;
      out.reserve(bytes + 256);
      out += "<catalog>\n";
      for (std::size_t i = 0; out.size() < bytes; ++i) {
        out += "  <record id=\"r";
        AppendNumber(out, i);
        out += "\" kind=\"ovca\" note='baran &amp; jahňa'>\n    <name lang=\"sk\">Ján Ďurček</name>\n";
        if (i % 3 == 0) out += "    <!-- poznámka k záznamu -->\n";
        out += "    <text>ušná známka &#269; objednávka &lt;dvor&gt; Čierny Ľubica</text>\n";
        if (i % 4 == 0) out += "    <raw><![CDATA[<b>Šaľa</b> & ]] >]]></raw>\n";
        out += "    <count value=\"";
        AppendNumber(out, i % 1000);
        out += "\"/>\n  </record>\n";
      }
      out += "</catalog>\n";
      break;
    }
  }
  return out;
}
