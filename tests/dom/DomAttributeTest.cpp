// Elements and attributes: name checks of the constructors, the attribute map in its plain and
// namespace-aware forms with every refusal, and the attribute-change reports.
#include "DomTestSupport.h"
#include "platform/Utf16.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char* kInvalid = "EInvalid_Character_Err: Invalid character error.";
const char* kNamespace = "ENamespace_Err: Namespace error.";
const WideString kXml = u"http://www.w3.org/XML/1998/namespace";
const WideString kXmlns = u"http://www.w3.org/2000/xmlns/";

TEST(DomElementNames, Constructors) {
  DocumentPtr doc = NewDocument();
  struct Case {
    WideString NamespaceURI;
    WideString Name;
    bool NamespaceAware;
    const char* Expected;  // outcome, then "prefix|local" on success
  };
  const Case cases[] = {
      {u"", u"order", false, "ok |"},
      {u"", u"a:b", false, "ok |"},
      {u"", u"1abc", false, kInvalid},
      {u"", u"", false, kInvalid},
      {u"urn:x", u"p:e", true, "ok p|e"},
      {u"", u"e", true, "ok |e"},
      {u"", u"p:e", true, kNamespace},
      {u"urn:x", u"xml:e", true, kNamespace},
      {kXml, u"xml:e", true, "ok xml|e"},
      {u"urn:x", u"a:b:c", true, kNamespace},
      {u"urn:x", u"1a", true, kInvalid},
      {u"urn:x", u":a", true, kNamespace},
  };
  for (const Case& c : cases) {
    TDomElement* e = nullptr;
    std::string outcome = Outcome([&] {
      e = c.NamespaceAware ? TDomElement::CreateNS(doc.get(), c.NamespaceURI, c.Name)
                           : TDomElement::Create(doc.get(), c.Name);
    });
    if (outcome == "ok") {
      outcome += " " + Ascii(e->prefix()) + "|" + Ascii(e->localName());
    }
    EXPECT_EQ(outcome, c.Expected) << Ascii(c.Name);
    if (e != nullptr) {
      EXPECT_EQ(e->nodeName(), c.Name);
    }
  }
}

TEST(DomAttrNames, ConstructorsAndDeclarationKinds) {
  DocumentPtr doc = NewDocument();
  struct Case {
    bool NamespaceAware;
    WideString NamespaceURI;
    WideString Name;
    std::string Expected;  // outcome and kind
  };
  const Case cases[] = {
      {false, u"", u"xmlns", "ok 0"},
      {false, u"", u"xmlns:p", "ok 1"},
      {false, u"", u"xmlns:", "ok 2"},
      {false, u"", u"kind", "ok 2"},
      {false, u"", u"9", kInvalid},
      {true, kXmlns, u"xmlns:p", "ok 1"},
      {true, kXmlns, u"xmlns", "ok 0"},
      {true, u"urn:x", u"xmlns:p", kNamespace},
      {true, u"urn:x", u"xmlns", kNamespace},
      {true, u"urn:x", u"p:a", "ok 2"},
      {true, u"", u"p:a", kNamespace},
      {true, u"urn:x", u"xml:a", kNamespace},
      {true, u"urn:x", u"p:", kNamespace},  // still a Name, just not a qualified one
      {true, u"urn:x", u"-p", kInvalid},
  };
  for (const Case& c : cases) {
    TDomAttr* a = nullptr;
    std::string outcome = Outcome([&] {
      a = c.NamespaceAware ? TDomAttr::CreateNS(doc.get(), true, c.NamespaceURI, c.Name)
                           : TDomAttr::Create(doc.get(), true, c.Name);
    });
    if (outcome == "ok") outcome += " " + std::to_string(a->NamespaceDeclKind());
    EXPECT_EQ(outcome, c.Expected) << Ascii(c.Name);
  }
}

// Records the attribute changes a document reports.
struct ChangeLog {
  std::vector<std::string> Entries;
  void Attach(TDomCustomDocument* doc) {
    doc->OnAttrModified = [this](TPersistent*, TDomNode* node, TDomAttrChange change, TDomAttr* attr) {
      Entries.push_back(Ascii(node->nodeName()) + " " + std::to_string(change) + " " + Ascii(attr->nodeName()));
    };
  }
};

TEST(DomElementAttributes, SetGetRemoveWithReports) {
  ChangeLog log;  // outlives the document, which reports the removals of its last attributes
  DocumentPtr doc = NewDocument();
  log.Attach(doc.get());
  TDomElement* e = AddElement(doc.get(), u"line");

  TDomAttr* kind = e->setAttribute(u"kind", u"1");
  ASSERT_NE(kind, nullptr);
  EXPECT_EQ(kind->ownerElement(), e);
  EXPECT_EQ(e->setAttribute(u"kind", u"2"), nullptr);
  EXPECT_EQ(e->getAttribute(u"kind"), u"2");
  EXPECT_EQ(e->getAttribute(u"missing"), u"");
  EXPECT_TRUE(e->hasAttribute(u"kind"));
  EXPECT_TRUE(e->hasAttributes());
  EXPECT_EQ(Outcome([&] { e->removeAttribute(u"missing"); }), "ENot_Found_Err: Node not found error.");
  e->removeAttribute(u"kind");
  EXPECT_FALSE(e->hasAttributes());
  EXPECT_EQ(kind->ownerElement(), nullptr);
  EXPECT_EQ(kind->ReferenceDocument(), doc.get());  // removed, not destroyed
  EXPECT_EQ(log.Entries, (std::vector<std::string>{"line 0 kind", "line 1 kind", "line 2 kind"}));

  // An attribute is never in the tree, even while it belongs to an element.
  e->setAttribute(u"x", u"1");
  TDomAttr* x = e->getAttributeNode(u"x");
  EXPECT_EQ(x->parentNode(), nullptr);
  EXPECT_EQ(x->nextSibling(), nullptr);
  EXPECT_EQ(x->previousSibling(), nullptr);
  EXPECT_EQ(x->DocumentOrder(), -1);

  e->SetReadOnly(true);
  EXPECT_EQ(Outcome([&] { e->setAttribute(u"y", u"1"); }),
            "ENo_Modification_Allowed_Err: No modification allowed error.");
}

TEST(DomElementAttributes, SetAttributeNSRules) {
  DocumentPtr doc = NewDocument();
  TDomElement* e = TDomElement::CreateNS(doc.get(), u"urn:o", u"o:order");
  doc->appendChild(e);
  struct Case {
    WideString NamespaceURI;
    WideString Name;
    const char* Expected;
  };
  const Case cases[] = {
      {u"urn:a", u"p:x", "ok"},
      {u"", u"p:x", kNamespace},
      {u"urn:a", u"xmlns:p", kNamespace},
      {u"urn:a", u"xmlns", kNamespace},
      {kXmlns, u"xmlns:p", "ok"},
      {u"urn:a", u"xml:lang", kNamespace},
      {kXml, u"xml:lang", "ok"},
      {u"urn:a", u"1x", kInvalid},
      {u"urn:a", u"a:b:c", kNamespace},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Outcome([&] { e->setAttributeNS(c.NamespaceURI, c.Name, u"v"); }), c.Expected) << Ascii(c.Name);
  EXPECT_EQ(e->attributes()->getLength(), 3);
}

TEST(DomElementAttributes, SetAttributeNSOnAnExistingAttributeAdjustsThePrefix) {
  DocumentPtr doc = NewDocument();
  TDomElement* e = TDomElement::CreateNS(doc.get(), u"", u"order");
  TDomAttr* attr = e->setAttributeNS(u"urn:a", u"p:x", u"1");
  struct Step {
    WideString Name;
    WideString Value;
    const char* NodeName;
    const char* Prefix;
  };
  const Step steps[] = {
      {u"q:x", u"2", "q:x", "q"},
      {u"x", u"3", "x", ""},  // no prefix: the old one is dropped
      {u"r:x", u"4", "r:x", "r"},
  };
  for (const Step& s : steps) {
    EXPECT_EQ(e->setAttributeNS(u"urn:a", s.Name, s.Value), nullptr);
    EXPECT_EQ(Ascii(attr->nodeName()), s.NodeName);
    EXPECT_EQ(Ascii(attr->prefix()), s.Prefix);
    EXPECT_EQ(e->getAttributeNS(u"urn:a", u"x"), s.Value);
  }
  EXPECT_EQ(e->attributes()->getLength(), 1);
}

TEST(DomNamedNodeMap, PlainAndNamespaceFormsRefuseEachOther) {
  DocumentPtr doc = NewDocument();
  TDomElement* plain = TDomElement::Create(doc.get(), u"plain");
  TDomElement* aware = TDomElement::CreateNS(doc.get(), u"urn:a", u"aware");
  TDomNamedNodeMap* p = plain->attributes();
  TDomNamedNodeMap* n = aware->attributes();
  TDomAttr* pa = TDomAttr::Create(doc.get(), true, u"pa");
  TDomAttr* na = TDomAttr::CreateNS(doc.get(), true, u"urn:a", u"na");
  struct Case {
    const char* Name;
    std::function<void()> Call;
    const char* Expected;
  };
  const Case cases[] = {
      {"plain getNamedItemNS", [&] { p->getNamedItemNS(u"", u"x"); }, kNamespace},
      {"plain setNamedItemNS", [&] { p->setNamedItemNS(pa); }, kNamespace},
      {"plain removeNamedItemNS", [&] { p->removeNamedItemNS(u"", u"x"); }, kNamespace},
      {"aware getNamedItem", [&] { n->getNamedItem(u"x"); }, kNamespace},
      {"aware setNamedItem", [&] { n->setNamedItem(na); }, kNamespace},
      {"aware removeNamedItem", [&] { n->removeNamedItem(u"x"); }, kNamespace},
      {"aware getAttribute", [&] { aware->getAttribute(u"x"); }, kNamespace},
      {"plain getNamedItem", [&] { p->getNamedItem(u"x"); }, "ok"},
      {"aware getNamedItemNS", [&] { n->getNamedItemNS(u"", u"x"); }, "ok"},
  };
  for (const Case& c : cases) EXPECT_EQ(Outcome(c.Call), c.Expected) << c.Name;
  EXPECT_EQ(p->getLength(), 0);
  EXPECT_EQ(n->getLength(), 0);
}

TEST(DomNamedNodeMap, SetNamedItemChecksInOrder) {
  DocumentPtr doc = NewDocument();
  DocumentPtr other = NewDocument();
  TDomElement* e = TDomElement::Create(doc.get(), u"e");
  TDomElement* e2 = TDomElement::Create(doc.get(), u"e2");
  TDomAttr* first = e->setAttribute(u"a", u"1");
  TDomAttr* taken = e2->setAttribute(u"b", u"1");
  TDomAttr* foreign = TDomAttr::Create(other.get(), true, u"f");
  TDomAttr* replacement = TDomAttr::Create(doc.get(), true, u"a");
  TDomAttr* fresh = TDomAttr::Create(doc.get(), true, u"c");
  TDomNamedNodeMap* map = e->attributes();
  struct Case {
    const char* Name;
    std::function<TDomNode*()> Call;
    const char* Expected;
    const char* Names;  // the map afterwards
  };
  const Case cases[] = {
      {"foreign", [&] { return map->setNamedItem(foreign); }, "EWrong_Document_Err: Wrong document error.", "a"},
      {"not an attribute", [&] { return map->setNamedItem(TDomText::Create(doc.get())); },
       "EHierarchy_Request_Err: Hierarchy request error.", "a"},
      {"in another map", [&] { return map->setNamedItem(taken); }, "EInuse_Err: Inuse attribute error.", "a"},
      {"itself again", [&] { return map->setNamedItem(first); }, "ok none", "a"},
      {"new name", [&] { return map->setNamedItem(fresh); }, "ok none", "a c"},
      {"same name", [&] { return map->setNamedItem(replacement); }, "ok a", "c a"},
      {"remove missing", [&] { return map->removeNamedItem(u"zz"); }, "ENot_Found_Err: Node not found error.", "c a"},
      {"remove foreign", [&] { return map->removeItem(foreign); }, "ENot_Found_Err: Node not found error.", "c a"},
      {"remove by name", [&] { return map->removeNamedItem(u"c"); }, "ok c", "a"},
  };
  for (const Case& c : cases) {
    TDomNode* result = nullptr;
    std::string outcome = Outcome([&] { result = c.Call(); });
    if (outcome == "ok") outcome += result != nullptr ? " " + Ascii(result->nodeName()) : " none";
    EXPECT_EQ(outcome, c.Expected) << c.Name;
    std::string names;
    for (int i = 0; i < map->getLength(); ++i) names += (i ? " " : "") + Ascii(map->item(i)->nodeName());
    EXPECT_EQ(names, c.Names) << c.Name;
  }
  EXPECT_EQ(first->ownerElement(), nullptr);  // replaced, left alive
  e->SetReadOnly(true);
  const std::function<void()> refused[] = {
      [&] { map->setNamedItem(fresh); }, [&] { map->removeNamedItem(u"a"); }, [&] { map->removeItem(replacement); }};
  for (const auto& call : refused)
    EXPECT_EQ(Outcome(call), "ENo_Modification_Allowed_Err: No modification allowed error.");
}

TEST(DomNamedNodeMap, SetAttributeNodeReportsOnlyNewcomers) {
  ChangeLog log;  // outlives the document, which reports the removals of its last attributes
  DocumentPtr doc = NewDocument();
  log.Attach(doc.get());
  TDomElement* e = TDomElement::Create(doc.get(), u"e");
  TDomAttr* a = TDomAttr::Create(doc.get(), true, u"a");
  EXPECT_EQ(e->setAttributeNode(a), nullptr);
  EXPECT_EQ(e->setAttributeNode(a), nullptr);  // already there: nothing new
  EXPECT_EQ(e->removeAttributeNode(a), a);
  EXPECT_EQ(log.Entries, (std::vector<std::string>{"e 0 a", "e 2 a"}));
}

TEST(DomNamedNodeMap, DestroyingAnAttributeTakesItOutOfItsElement) {
  DocumentPtr doc = NewDocument();
  TDomElement* e = TDomElement::Create(doc.get(), u"e");
  e->setAttribute(u"a", u"1");
  TDomAttr* b = e->setAttribute(u"b", u"2");
  e->SetReadOnly(true);
  TCustomOwnedObject::Free(b);
  EXPECT_EQ(e->attributes()->getLength(), 1);
  EXPECT_TRUE(e->IsReadOnly());
  EXPECT_EQ(e->getAttribute(u"b"), u"");
}

TEST(DomElementAttributes, LiteralValuesFailOnErrorsOnly) {
  struct Case {
    int Kind;
    const char* Attr;     // LiteralValue of the attribute
    const char* Element;  // getAttributeLiteralValue on its element
  };
  const Case cases[] = {
      {0, "[1]", "[1]"},
      {88, "[1]", "[1]"},  // a warning
      {35, "EConvertError: Attribute value normalization failed.",
       "EConvertError: Literal attribute value cannot be resolved."},
      {73, "EConvertError: Attribute value normalization failed.",
       "EConvertError: Literal attribute value cannot be resolved."},
  };
  for (const Case& c : cases) {
    auto doc = std::make_unique<TTestDocument>();
    doc->NormalizeKind = static_cast<TXmlErrorType>(c.Kind);
    TDomElement* plain = TDomElement::Create(doc.get(), u"e");
    TDomAttr* attr = plain->setAttribute(u"a", u"1");
    TDomElement* aware = TDomElement::CreateNS(doc.get(), u"", u"e");
    aware->setAttributeNS(u"urn:a", u"p:a", u"1");
    std::string value;
    std::string outcome = Outcome([&] { value = Ascii(attr->LiteralValue()); });
    EXPECT_EQ(outcome == "ok" ? value : outcome, c.Attr) << c.Kind;
    outcome = Outcome([&] { value = Ascii(plain->getAttributeLiteralValue(u"a")); });
    EXPECT_EQ(outcome == "ok" ? value : outcome, c.Element) << c.Kind;
    outcome = Outcome([&] { value = Ascii(aware->getAttributeNSLiteralValue(u"urn:a", u"a")); });
    EXPECT_EQ(outcome == "ok" ? value : outcome, c.Element) << c.Kind;
    EXPECT_EQ(plain->getAttributeLiteralValue(u"missing"), u"");
  }
}

TEST(DomOwnerNamedNodeMap, SortedOwningMap) {
  DocumentPtr doc = NewDocument();
  TDomOwnerNamedNodeMap map([](const TDomNode* n) { return n->nodeType() == ntElementNode; });
  EXPECT_EQ(map.Add(TDomElement::Create(doc.get(), u"m")), 0);
  EXPECT_EQ(map.Add(TDomElement::Create(doc.get(), u"b")), 0);
  EXPECT_EQ(map.Add(TDomElement::Create(doc.get(), u"z")), 2);
  TDomElement* dup = TDomElement::Create(doc.get(), u"m");
  EXPECT_EQ(Outcome([&] { map.Add(dup); }), "EStringListError: String list does not allow duplicates");
  EXPECT_EQ(Outcome([&] { map.Add(TDomText::Create(doc.get())); }),
            "EHierarchy_Request_Err: Hierarchy request error.");
  EXPECT_EQ(Outcome([&] { map.Delete(3); }), "EStringListError: List index out of bounds (3)");
  EXPECT_EQ(Outcome([&] { map.RemoveItem(dup); }), "EStringListError: Item not found");
  EXPECT_EQ(Ascii(map.item(1)->nodeName()), "m");
  EXPECT_EQ(map.getNamedItem(u"z"), map.item(2));
  map.Delete(0);
  EXPECT_EQ(map.getNamedItem(u"b"), nullptr);
  EXPECT_EQ(map.getLength(), 2);
}

}  // namespace

// Freeing an element that stands in no tree, or clearing one, takes its attributes away from
// the first on, as the removal notices tell; a listener that looks them up meanwhile finds
// those still there and not the one leaving, in a short map and in one long enough for an index.
TEST(DomElementAttributes, TakenAwayFromTheFirstOn) {
  for (const std::size_t count : {std::size_t{3}, TDomNamedNodeMap::IndexedFrom + 5}) {
    for (const bool clear : {false, true}) {
      SCOPED_TRACE(std::to_string(count) + (clear ? " cleared" : " freed"));
      DocumentPtr doc = NewDocument();
      TDomElement* e = TDomElement::Create(doc.get(), u"e");
      std::vector<std::string> names;
      for (std::size_t i = 0; i < count; ++i) {
        names.push_back("a" + std::to_string(i));
        e->setAttribute(Utf8ToWide(names.back()), u"v");
      }
      EXPECT_EQ(e->getAttribute(u"a0"), u"v");  // a long map has its index from here on
      std::vector<std::string> removed;
      std::string wrong;
      doc->OnAttrModified = [&](TPersistent*, TDomNode* node, TDomAttrChange change, TDomAttr* attr) {
        if (node != e || change != AC_REMOVAL) return;
        removed.push_back(Ascii(attr->nodeName()));
        const std::size_t left = count - removed.size();
        if (e->hasAttribute(attr->nodeName())) wrong += " " + removed.back() + " still there";
        if (e->attributes()->getLength() != static_cast<int>(left)) wrong += " length";
        for (std::size_t i = removed.size(); i < count; ++i)
          if (e->getAttributeNode(Utf8ToWide(names[i])) == nullptr) wrong += " " + names[i] + " lost";
      };
      if (clear) {
        e->Clear();
        EXPECT_FALSE(e->hasAttributes());
      } else {
        TCustomOwnedObject::Free(e);
      }
      doc->OnAttrModified = nullptr;
      EXPECT_EQ(removed, names);
      EXPECT_EQ(wrong, "");
      if (clear) TCustomOwnedObject::Free(e);
    }
  }
}
