// What the document hears of changes in its tree, clearing of nodes, and the checks of the
// prefix setters and namespace nodes.
#include "DomTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Recorder {
  std::vector<std::string> Events;
  void Attach(TDomCustomDocument* doc) {
    doc->OnNodeInserted = [this](TPersistent*, TDomNode* n) { Events.push_back("inserted " + Ascii(n->nodeName())); };
    doc->OnNodeRemoving = [this](TPersistent*, TDomNode* n) { Events.push_back("removing " + Ascii(n->nodeName())); };
    doc->OnNodeClearing = [this](TPersistent*, TDomNode* n) { Events.push_back("clearing " + Ascii(n->nodeName())); };
    doc->OnCharacterDataModified = [this](TPersistent*, TDomNode* n) {
      Events.push_back("data " + Ascii(n->nodeValue()));
    };
  }
};

TEST(DomNotifications, EachEditTellsTheDocument) {
  struct Case {
    const char* Name;
    std::function<void(TDomCustomDocument*, TDomElement*, TDomElement*, TDomElement*)> Edit;
    std::vector<std::string> Expected;
  };
  const Case cases[] = {
      {"append", [](auto* d, auto* r, auto*, auto*) { r->appendChild(TDomElement::Create(d, u"n")); },
       {"inserted n"}},
      {"remove", [](auto*, auto* r, auto* a, auto*) { r->removeChild(a); }, {"removing a"}},
      {"replace", [](auto* d, auto* r, auto* a, auto*) { r->replaceChild(TDomElement::Create(d, u"n"), a); },
       {"removing a", "inserted n"}},
      {"move", [](auto*, auto*, auto* a, auto* b) { b->appendChild(a); }, {"inserted a"}},
      {"set data", [](auto* d, auto* r, auto*, auto*) { AddText(r, u"x"); (void)d; }, {"data x", "inserted #text"}},
      {"clear fragment",
       [](auto* d, auto*, auto*, auto*) {
         TDomDocumentFragment* f = TDomDocumentFragment::Create(d);
         f->appendChild(TDomComment::Create(d));
         f->Clear();
       },
       {"inserted #comment", "clearing #document-fragment"}},
      {"clear element", [](auto*, auto* r, auto*, auto*) { r->Clear(); }, {}},
      {"refused edit", [](auto*, auto* r, auto* a, auto*) { Outcome([&] { a->appendChild(r); }); }, {}},
  };
  for (const Case& c : cases) {
    Recorder recorder;
    DocumentPtr doc = NewDocument();
    TDomElement* r = AddElement(doc.get(), u"r");
    TDomElement* a = AddElement(r, u"a");
    TDomElement* b = AddElement(r, u"b");
    doc->SetModified(false);
    recorder.Attach(doc.get());
    c.Edit(doc.get(), r, a, b);
    EXPECT_EQ(recorder.Events, c.Expected) << c.Name;
    EXPECT_EQ(doc->Modified(), !c.Expected.empty()) << c.Name;
  }
}

TEST(DomClear, ElementsLoseAttributesAndChildren) {
  DocumentPtr doc = NewDocument();
  TDomElement* r = AddElement(doc.get(), u"r");
  TDomAttr* attr = r->setAttribute(u"a", u"1");
  TDomElement* child = AddElement(r, u"c");
  (void)attr;
  (void)child;
  r->Clear();
  EXPECT_FALSE(r->hasAttributes());
  EXPECT_FALSE(r->hasChildNodes());
  EXPECT_EQ(doc->documentElement(), r);
  TDomElement* locked = AddElement(r, u"locked");
  locked->setAttribute(u"a", u"1");
  locked->SetReadOnly(true);
  EXPECT_EQ(Outcome([&] { locked->Clear(); }), "ENo_Modification_Allowed_Err: No modification allowed.");
  EXPECT_TRUE(locked->hasAttributes());
}

TEST(DomPrefixes, SetPrefixChecksInOrder) {
  DocumentPtr doc = NewDocument();
  const WideString xmlns = u"http://www.w3.org/2000/xmlns/";
  struct Case {
    const char* Node;
    const char16_t* Prefix;
    bool ReadOnly;
    const char* Expected;  // outcome, then the node name afterwards
  };
  const Case cases[] = {
      {"element", u"q", false, "ok q:e"},
      {"element", u"1q", false, "EInvalid_Character_Err: Invalid character error. p:e"},
      {"element", u"1q", true, "EInvalid_Character_Err: Invalid character error. p:e"},
      {"element", u"q", true, "ENo_Modification_Allowed_Err: No modification allowed error. p:e"},
      {"element", u"a:b", false, "ENamespace_Err: Namespace error. p:e"},
      {"element", u"xml", false, "ENamespace_Err: Namespace error. p:e"},
      {"element", u"xmlns", false, "ok xmlns:e"},
      {"plain element", u"q", false, "ENamespace_Err: Namespace error. e"},
      {"attribute", u"q", false, "ok q:a"},
      {"attribute", u"xmlns", false, "ENamespace_Err: Namespace error. p:a"},
      {"declaration", u"q", false, "ENamespace_Err: Namespace error. xmlns"},
      {"text", u"q", false, "ok #text"},
      {"text", u"q", true, "ENo_Modification_Allowed_Err: No modification allowed error. #text"},
  };
  for (const Case& c : cases) {
    std::string kind = c.Node;
    TDomNode* node = kind == "element"         ? static_cast<TDomNode*>(TDomElement::CreateNS(doc.get(), u"urn:e", u"p:e"))
                     : kind == "plain element" ? TDomElement::Create(doc.get(), u"e")
                     : kind == "attribute"     ? TDomAttr::CreateNS(doc.get(), true, u"urn:a", u"p:a")
                     : kind == "declaration"   ? TDomAttr::CreateNS(doc.get(), true, xmlns, u"xmlns")
                                               : static_cast<TDomNode*>(TDomText::Create(doc.get()));
    node->SetReadOnly(c.ReadOnly);
    std::string outcome = Outcome([&] { node->setPrefix(c.Prefix); });
    EXPECT_EQ(outcome + " " + Ascii(node->nodeName()), c.Expected) << c.Node << " " << Ascii(c.Prefix);
  }
}

TEST(DomNamespaceNodes, CreationChecksAndAnswers) {
  DocumentPtr doc = NewDocument();
  const WideString xml = u"http://www.w3.org/XML/1998/namespace";
  const WideString xmlns = u"http://www.w3.org/2000/xmlns/";
  TDomElement* owner = TDomElement::Create(doc.get(), u"o");
  owner->setAttribute(u"xml:lang", u"sk");
  struct Case {
    WideString Prefix;
    WideString Uri;
    const char* Expected;
  };
  const Case cases[] = {
      {u"p", u"urn:p", "ok"},
      {u"", u"", "ok"},
      {u"", u"urn:d", "ok"},
      {u"1p", u"urn:p", "EInvalid_Character_Err: Invalid character error."},
      {u"p", u"", "ENamespace_Err: Namespace error."},
      {u"xml", u"urn:p", "ENamespace_Err: Namespace error."},
      {u"xml", xml, "ok"},
      {u"xmlns", u"urn:p", "ENamespace_Err: Namespace error."},
      {u"xmlns", xmlns, "ok"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Outcome([&] { TDomXPathNamespace::Create(doc.get(), c.Prefix, c.Uri, owner); }), c.Expected)
        << Ascii(c.Prefix);
  TDomXPathNamespace* ns = TDomXPathNamespace::Create(doc.get(), u"p", u"urn:p", owner);
  EXPECT_EQ(ns->nodeValue(), u"urn:p");
  EXPECT_EQ(ns->XPathStringValue(), u"urn:p");
  EXPECT_EQ(ns->ownerDocument(), doc.get());
  EXPECT_EQ(ns->Language(), u"sk");
  EXPECT_TRUE(ns->IsReadOnly());
  EXPECT_EQ(TDomXPathNamespace::Create(doc.get(), u"p", u"urn:p", nullptr)->ownerDocument(), nullptr);
}

}  // namespace
