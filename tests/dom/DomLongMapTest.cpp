// Attribute maps long enough to be looked up through their index answer every look-up as a
// search of the attribute list in order would: after additions, replacements, removals,
// destruction, entries sharing a name, and renames of entries held by the map.
#include "DomTestSupport.h"
#include "dom/DomImplementation.h"
#include "platform/Utf16.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

// The first attribute in list order with this name, found without the map's look-up.
TDomNode* SearchByName(const TDomNamedNodeMap& map, const WideString& name) {
  for (int i = 0; i < map.getLength(); ++i)
    if (map.item(i)->nodeName() == name) return map.item(i);
  return nullptr;
}

TDomNode* SearchByNamespace(const TDomNamedNodeMap& map, const WideString& uri, const WideString& local) {
  for (int i = 0; i < map.getLength(); ++i)
    if (map.item(i)->namespaceURI() == uri && map.item(i)->localName() == local) return map.item(i);
  return nullptr;
}

// Short maps, maps just long enough for the index and long ones.
const std::size_t kPaddings[] = {0, TDomNamedNodeMap::IndexedFrom - 3, TDomNamedNodeMap::IndexedFrom,
                                 4 * TDomNamedNodeMap::IndexedFrom};

struct TStep {
  const char* Name;
  std::function<void()> Run;
};

}  // namespace

TEST(DomLongMaps, PlainLookUpsFindWhatASearchFinds) {
  for (const std::size_t padding : kPaddings) {
    DocumentPtr doc = NewDocument();
    TDomElement* e = AddElement(doc.get(), u"e");
    TDomNamedNodeMap& map = *e->attributes();
    for (std::size_t i = 0; i < padding; ++i) e->setAttribute(u"f" + Utf8ToWide(std::to_string(i)), u"v");
    TDomAttr* firstB = nullptr;
    TDomAttr* secondB = nullptr;
    TDomAttr* renamed = nullptr;
    const std::vector<TStep> steps = {
        {"add two", [&] {
           e->setAttribute(u"a", u"1");
           e->setAttribute(u"b", u"2");
           firstB = e->getAttributeNode(u"b");
         }},
        {"set again keeps one entry", [&] {
           e->setAttribute(u"a", u"3");
           EXPECT_EQ(map.getLength(), static_cast<int>(padding) + 2);
           EXPECT_EQ(Ascii(e->getAttribute(u"a")), "3");
         }},
        {"remove", [&] { e->removeAttribute(u"a"); }},
        {"add after removal", [&] { e->setAttribute(u"a", u"4"); }},
        {"second entry of a name, added without checks", [&] {
           secondB = TDomAttr::Create(doc.get(), true, u"b");
           map.AddItem(secondB);
           EXPECT_EQ(map.getNamedItem(u"b"), firstB);
         }},
        {"the first of two goes, the second is found", [&] {
           map.removeItem(firstB);
           EXPECT_EQ(map.getNamedItem(u"b"), secondB);
         }},
        {"namespace-aware entry in a plain map", [&] {
           renamed = TDomAttr::CreateNS(doc.get(), true, u"urn:x", u"p:c");
           EXPECT_EQ(map.setNamedItem(renamed), nullptr);
         }},
        {"renamed while in the map", [&] {
           renamed->setPrefix(u"q");
           EXPECT_EQ(map.getNamedItem(u"q:c"), renamed);
           EXPECT_EQ(map.getNamedItem(u"p:c"), nullptr);
         }},
        {"renamed entry taken out", [&] { map.removeNamedItem(u"q:c"); }},
        {"replaced by setNamedItem", [&] {
           TDomAttr* newB = TDomAttr::Create(doc.get(), true, u"b");
           EXPECT_EQ(map.setNamedItem(newB), secondB);
           EXPECT_EQ(map.getNamedItem(u"b"), newB);
         }},
        {"destroyed attribute leaves", [&] { TCustomOwnedObject::Free(e->getAttributeNode(u"a")); }},
    };
    const std::vector<WideString> names = {u"a", u"b", u"p:c", u"q:c", u"f0", u"f5", u"zz"};
    for (const TStep& step : steps) {
      SCOPED_TRACE(std::string(step.Name) + ", " + std::to_string(padding) + " more attributes");
      step.Run();
      for (const WideString& name : names) {
        EXPECT_EQ(map.getNamedItem(name), SearchByName(map, name)) << Ascii(name);
        EXPECT_EQ(e->hasAttribute(name), SearchByName(map, name) != nullptr) << Ascii(name);
      }
    }
  }
}

TEST(DomLongMaps, NamespaceLookUpsFindWhatASearchFinds) {
  for (const std::size_t padding : kPaddings) {
    auto doc = std::make_unique<TDomDocumentNS>();
    TDomElement* e = TDomElement::CreateNS(doc.get(), u"urn:e", u"e");
    doc->appendChild(e);
    TDomNamedNodeMap& map = *e->attributes();
    for (std::size_t i = 0; i < padding; ++i)
      e->setAttributeNS(u"urn:f", u"f:i" + Utf8ToWide(std::to_string(i)), u"v");
    TDomAttr* first = nullptr;
    TDomAttr* second = nullptr;
    TDomAttr* plain = nullptr;
    const std::vector<TStep> steps = {
        {"add", [&] {
           e->setAttributeNS(u"urn:x", u"p:a", u"1");
           e->setAttributeNS(u"urn:y", u"p:a", u"2");
         }},
        {"set again under another prefix renames the entry", [&] {
           e->setAttributeNS(u"urn:x", u"q:a", u"3");
           EXPECT_EQ(Ascii(e->getAttributeNodeNS(u"urn:x", u"a")->nodeName()), "q:a");
           EXPECT_EQ(Ascii(e->getAttributeNS(u"urn:x", u"a")), "3");
         }},
        {"set again without a prefix", [&] {
           e->setAttributeNS(u"urn:x", u"a", u"4");
           EXPECT_EQ(Ascii(e->getAttributeNodeNS(u"urn:x", u"a")->nodeName()), "a");
         }},
        {"remove", [&] { e->removeAttributeNS(u"urn:y", u"a"); }},
        {"two entries of one name, added without checks", [&] {
           first = TDomAttr::CreateNS(doc.get(), true, u"urn:z", u"r:b");
           second = TDomAttr::CreateNS(doc.get(), true, u"urn:z", u"s:b");
           map.AddItem(first);
           map.AddItem(second);
           EXPECT_EQ(map.getNamedItemNS(u"urn:z", u"b"), first);
         }},
        {"the first of two goes", [&] { EXPECT_EQ(map.removeNamedItemNS(u"urn:z", u"b"), first); }},
        {"plain attribute in a namespace-aware map", [&] {
           plain = TDomAttr::Create(doc.get(), true, u"plain");
           EXPECT_EQ(map.setNamedItemNS(plain), nullptr);
           EXPECT_EQ(map.getNamedItemNS(u"", u""), plain);
         }},
        {"destroyed attribute leaves", [&] { TCustomOwnedObject::Free(e->getAttributeNodeNS(u"urn:x", u"a")); }},
    };
    const std::vector<std::pair<WideString, WideString>> keys = {
        {u"urn:x", u"a"}, {u"urn:y", u"a"}, {u"urn:z", u"b"}, {u"", u""}, {u"urn:f", u"i0"}, {u"urn:f", u"a"}};
    for (const TStep& step : steps) {
      SCOPED_TRACE(std::string(step.Name) + ", " + std::to_string(padding) + " more attributes");
      step.Run();
      for (const auto& [uri, local] : keys) {
        EXPECT_EQ(map.getNamedItemNS(uri, local), SearchByNamespace(map, uri, local)) << Ascii(uri) << Ascii(local);
        EXPECT_EQ(e->hasAttributeNS(uri, local), SearchByNamespace(map, uri, local) != nullptr);
      }
    }
  }
}

// Many entries taken out in a scattered order and put back: every look-up still finds
// exactly what a search finds, whatever the index had to move to close its gaps.
TEST(DomLongMaps, RemovalsInAnyOrder) {
  const struct {
    const char* Name;
    std::size_t Count;
    std::size_t Stride;  // entries are taken out in steps of this size around the list
  } rows[] = {{"every one in turn", 40, 1}, {"scattered", 500, 7}, {"scattered widely", 1000, 389}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    DocumentPtr doc = NewDocument();
    TDomElement* e = AddElement(doc.get(), u"e");
    TDomNamedNodeMap& map = *e->attributes();
    std::vector<WideString> names;
    for (std::size_t i = 0; i < row.Count; ++i) {
      names.push_back(u"n" + Utf8ToWide(std::to_string(i * 7919 % 100003)));
      e->setAttribute(names.back(), u"v");
    }
    // The first entry of each name, from one pass over the list.
    auto allAgree = [&] {
      std::map<WideString, TDomNode*> first;
      for (int i = 0; i < map.getLength(); ++i) first.emplace(map.item(i)->nodeName(), map.item(i));
      for (const WideString& name : names) {
        const auto it = first.find(name);
        if (map.getNamedItem(name) != (it == first.end() ? nullptr : it->second)) return false;
      }
      return true;
    };
    ASSERT_TRUE(allAgree());
    for (std::size_t k = 0, i = 0; k < row.Count / 2; ++k, i = (i + row.Stride) % row.Count) {
      if (e->hasAttribute(names[i])) e->removeAttribute(names[i]);
      ASSERT_TRUE(allAgree()) << "after taking out " << Ascii(names[i]);
    }
    for (std::size_t i = 0; i < row.Count; i += 3) e->setAttribute(names[i], u"w");
    EXPECT_TRUE(allAgree());
  }
}

// A map grown through several table sizes, with names removed and new ones taking their
// places, finds what a search finds at every stage.
TEST(DomLongMaps, ManyNamesRemovedAndAddedAgain) {
  DocumentPtr doc = NewDocument();
  TDomElement* e = AddElement(doc.get(), u"e");
  const TDomNamedNodeMap& map = *e->attributes();
  auto name = [](int i) { return u"n" + Utf8ToWide(std::to_string(i)); };
  std::string wrong;
  auto check = [&](const std::string& when) {
    for (int i = 0; i < 4000; i += 7)
      if (map.getNamedItem(name(i)) != SearchByName(map, name(i))) wrong += " " + when + " n" + std::to_string(i);
  };
  const std::vector<TStep> steps = {
      {"added", [&] {
         for (int i = 0; i < 3000; ++i) e->setAttribute(name(i), u"v");
       }},
      {"every third removed", [&] {
         for (int i = 0; i < 3000; i += 3) e->removeAttribute(name(i));
       }},
      {"new names added", [&] {
         for (int i = 3000; i < 4000; ++i) e->setAttribute(name(i), u"w");
       }},
      {"some removed names added again", [&] {
         for (int i = 0; i < 3000; i += 6) e->setAttribute(name(i), u"x");
       }},
      {"all but the last removed", [&] {
         for (int i = 0; i < 3999; ++i)
           if (e->hasAttribute(name(i))) e->removeAttribute(name(i));
       }},
  };
  for (const TStep& step : steps) {
    step.Run();
    check(step.Name);
  }
  EXPECT_EQ(wrong, "");
  EXPECT_EQ(map.getLength(), 1);
  EXPECT_EQ(e->getAttribute(name(3999)), u"w");
}
