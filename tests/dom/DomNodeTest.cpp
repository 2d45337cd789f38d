// Node behaviour beyond tree edits: character data offsets, normalize, document positions,
// user-data handlers, the inherited values (base URI, language, namespaces), copies, and
// trees a million levels deep.
#include "DomTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char* kIndex = "EIndex_Size_Err: Index size error.";

TEST(DomCharacterData, OffsetsAtTheBoundaries) {
  struct Case {
    const char* Name;
    std::function<std::string(TDomText*)> Call;
    const char* Expected;  // outcome or result, then the data afterwards
  };
  auto keep = [](std::function<void(TDomText*)> f) {
    return [f](TDomText* t) {
      f(t);
      return std::string("ok");
    };
  };
  const Case cases[] = {
      {"substring past the end", [](TDomText* t) { return Ascii(t->substringData(2, 100)); }, "cdef abcdef"},
      {"substring at the end", [](TDomText* t) { return Ascii(t->substringData(6, 1)); }, " abcdef"},
      {"substring after the end", [](TDomText* t) { return Ascii(t->substringData(7, 1)); }, "abcdef"},
      {"substring negative offset", [](TDomText* t) { return Ascii(t->substringData(-1, 1)); }, "abcdef"},
      {"substring negative count", [](TDomText* t) { return Ascii(t->substringData(0, -1)); }, "abcdef"},
      {"insert at the end", keep([](TDomText* t) { t->insertData(6, u"x"); }), "ok abcdefx"},
      {"insert at the start", keep([](TDomText* t) { t->insertData(0, u"x"); }), "ok xabcdef"},
      {"insert after the end", keep([](TDomText* t) { t->insertData(7, u"x"); }), "abcdef"},
      {"delete inside", keep([](TDomText* t) { t->deleteData(1, 2); }), "ok adef"},
      {"delete past the end", keep([](TDomText* t) { t->deleteData(4, 100); }), "ok abcd"},
      {"delete negative count", keep([](TDomText* t) { t->deleteData(1, -2); }), "abcdef"},
      {"replace all", keep([](TDomText* t) { t->replaceData(0, 6, u"z"); }), "ok z"},
      {"replace after the end", keep([](TDomText* t) { t->replaceData(7, 0, u"z"); }), "abcdef"},
      {"append", keep([](TDomText* t) { t->appendData(u"gh"); }), "ok abcdefgh"},
  };
  for (const Case& c : cases) {
    DocumentPtr doc = NewDocument();
    TDomText* t = TDomText::Create(doc.get());
    t->setData(u"abcdef");
    std::string result;
    std::string outcome = Outcome([&] { result = c.Call(t); });
    std::string got = (outcome == "ok" ? result : outcome) + " " + Ascii(t->data());
    std::string expected = c.Expected;
    if (outcome != "ok") expected = std::string(kIndex) + " " + expected;
    EXPECT_EQ(got, expected) << c.Name;
  }
}

TEST(DomCharacterData, ReadOnlyTextRefusesEveryChange) {
  DocumentPtr doc = NewDocument();
  TDomText* t = TDomText::Create(doc.get());
  t->setData(u"abc");
  t->SetReadOnly(true);
  const std::function<void()> calls[] = {
      [&] { t->setData(u"x"); },         [&] { t->appendData(u"x"); },      [&] { t->insertData(9, u"x"); },
      [&] { t->deleteData(0, 1); },      [&] { t->replaceData(0, 1, u"x"); }, [&] { t->splitText(1); },
  };
  for (const auto& call : calls)
    EXPECT_EQ(Outcome(call), "ENo_Modification_Allowed_Err: No modification allowed error.");
  EXPECT_EQ(t->data(), u"abc");
}

TEST(DomCharacterData, SplitText) {
  struct Case {
    std::int64_t Offset;
    const char* Expected;  // picture of the parent afterwards, or the outcome
  };
  const Case cases[] = {
      {6, "p('abcdef','',end)"}, {0, "p('','abcdef',end)"}, {2, "p('ab','cdef',end)"}, {7, kIndex}, {-1, kIndex}};
  for (const Case& c : cases) {
    DocumentPtr doc = NewDocument();
    TDomElement* p = AddElement(doc.get(), u"p");
    TDomText* t = AddText(p, u"abcdef");
    t->SetCharRef(true);
    AddElement(p, u"end");
    TDomText* tail = nullptr;
    std::string outcome = Outcome([&] { tail = t->splitText(c.Offset); });
    EXPECT_EQ(outcome == "ok" ? Picture(p) : outcome, c.Expected) << c.Offset;
    if (tail != nullptr) {
      EXPECT_EQ(t->nextSibling(), tail);
      EXPECT_TRUE(tail->IsCharRef());
    }
  }
}

TEST(DomCharacterData, SplitTextUnderAReadOnlyParentKeepsItsData) {
  DocumentPtr doc = NewDocument();
  TDomEntityReference* ent = TDomEntityReference::Create(doc.get(), u"ent");
  ent->SetReadOnly(false);
  TDomText* t = AddText(ent, u"abcdef");
  ent->SetReadOnly(true);
  EXPECT_EQ(Outcome([&] { t->splitText(2); }), "ENo_Modification_Allowed_Err: No modification allowed.");
  EXPECT_EQ(Picture(ent), "ent('abcdef')");
}

TEST(DomNormalize, MergesAdjacentTextInEveryElement) {
  struct Case {
    std::vector<const char16_t*> Children;  // "<x" opens element x, ">" closes it, "!" is CDATA "c"
    const char* Expected;
  };
  const Case cases[] = {
      {{u"a", u"b", u"c"}, "r('abc')"},
      {{u"a", u"!", u"b"}, "r('a',#cdata-section,'b')"},
      {{u"", u""}, "r('')"},
      {{u"a", u"<x", u"1", u"2", u">", u"b", u"c"}, "r('a',x('12'),'bc')"},
      {{u"<x", u"<y", u"1", u"2", u">", u">"}, "r(x(y('12')))"},
  };
  for (const Case& c : cases) {
    DocumentPtr doc = NewDocument();
    TDomElement* r = AddElement(doc.get(), u"r");
    TDomNode* at = r;
    for (const char16_t* item : c.Children) {
      WideString s = item;
      if (!s.empty() && s[0] == u'<')
        at = AddElement(at, s.substr(1));
      else if (s == u">")
        at = at->parentNode();
      else if (s == u"!")
        at->appendChild(TDomCDATASection::Create(doc.get()));
      else
        AddText(at, s);
    }
    doc->normalize();
    EXPECT_EQ(Picture(r), c.Expected);
  }
}

TEST(DomNormalize, VisitsChildrenFromTheLast) {
  // r('1','2',e('3','4'),'5','6'): merges happen in the order 5+6, 3+4, 1+2.
  std::vector<std::string> modified;
  DocumentPtr doc = NewDocument();
  TDomElement* r = AddElement(doc.get(), u"r");
  AddText(r, u"1");
  AddText(r, u"2");
  TDomElement* e = AddElement(r, u"e");
  AddText(e, u"3");
  AddText(e, u"4");
  AddText(r, u"5");
  AddText(r, u"6");
  doc->OnCharacterDataModified = [&](TPersistent*, TDomNode* n) { modified.push_back(Ascii(n->nodeValue())); };
  r->normalize();
  EXPECT_EQ(modified, (std::vector<std::string>{"56", "34", "12"}));
  EXPECT_EQ(Picture(r), "r('12',e('34'),'56')");
}

TEST(DomPosition, CompareDocumentPosition) {
  DocumentPtr doc = NewDocument();
  DocumentPtr other = NewDocument();
  TDomElement* r = AddElement(doc.get(), u"r");
  TDomElement* a = AddElement(r, u"a");
  TDomElement* a1 = AddElement(a, u"a1");
  TDomElement* b = AddElement(r, u"b");
  TDomAttr* x = r->setAttribute(u"x", u"1");
  TDomAttr* y = r->setAttribute(u"y", u"1");
  TDomAttr* ax = a->setAttribute(u"x", u"1");
  TDomElement* loose = TDomElement::Create(doc.get(), u"loose");
  TDomElement* foreign = AddElement(other.get(), u"f");
  struct Case {
    const char* Name;
    const TDomNode* This;
    const TDomNode* Other;
    int Expected;
  };
  const Case cases[] = {
      {"same", a, a, 72},
      {"other document", a, foreign, 4},
      {"detached", a, loose, 4},
      {"ancestor", a1, r, 34},
      {"descendant", r, a1, 17},
      {"document and child", doc.get(), a1, 17},
      {"following", a, b, 16},
      {"preceding", b, a, 32},
      {"following cousin", a1, b, 16},
      {"preceding cousin", b, a1, 32},
      {"attribute before children", x, a, 16},
      {"children after attribute", a, x, 32},
      {"two attributes", x, y, 8},
      {"element of attribute", ax, a, 34},
      {"attribute of element", a, ax, 17},
      {"attribute of a following element", ax, b, 16},
  };
  for (const Case& c : cases) EXPECT_EQ(c.This->compareDocumentPosition(c.Other), c.Expected) << c.Name;
  EXPECT_EQ(Outcome([&] { a->compareDocumentPosition(nullptr); }), "ENot_Supported_Err: Not supported error.");
}

TEST(DomPosition, DocumentOrderAndLevel) {
  DocumentPtr doc = NewDocument();
  TDomElement* r = AddElement(doc.get(), u"r");
  TDomElement* a = AddElement(r, u"a");
  TDomText* t = AddText(a, u"t");
  TDomElement* b = AddElement(r, u"b");
  TDomDocumentFragment* f = TDomDocumentFragment::Create(doc.get());
  TDomElement* inFragment = AddElement(f, u"in");
  TDomAttr* attr = r->setAttribute(u"x", u"1");
  struct Case {
    const TDomNode* Node;
    std::int64_t Order;
    std::int64_t Level;
  };
  const Case cases[] = {{doc.get(), 0, 0}, {r, 1, 1},   {a, 2, 2},          {t, 3, 3},
                        {b, 4, 2},         {f, -1, -1}, {inFragment, -1, -1}, {attr, -1, -1}};
  for (const Case& c : cases) {
    EXPECT_EQ(c.Node->DocumentOrder(), c.Order) << Ascii(c.Node->nodeName());
    EXPECT_EQ(c.Node->Level(), c.Level) << Ascii(c.Node->nodeName());
  }
}

TEST(DomUserData, HandlersAreCalledPerKeyInOrderOfFirstStorage) {
  struct Call {
    int Operation;
    std::string Key;
    bool HasSource;
    bool HasDestination;
    bool operator==(const Call&) const = default;
  };
  std::vector<Call> calls;
  TDomUserDataHandler handler = [&](TDomUserDataOperation op, const WideString& key, void*, TDomNode* src,
                                    TDomNode* dst) { calls.push_back({op, Ascii(key), src != nullptr, dst != nullptr}); };
  int one = 1, two = 2, three = 3;
  auto doc = NewDocument();
  DocumentPtr target = NewDocument();
  TDomElement* e = AddElement(doc.get(), u"e");
  EXPECT_EQ(e->setUserData(u"k2", &one, handler), nullptr);
  EXPECT_EQ(e->setUserData(u"k1", &two, handler), nullptr);
  e->setUserData(u"quiet", &three, nullptr);
  EXPECT_EQ(e->setUserData(u"k2", &three, handler), &one);  // replaced in place
  EXPECT_EQ(e->getUserData(u"k2"), &three);
  EXPECT_EQ(e->getUserData(u"K2"), nullptr);

  struct Case {
    const char* Name;
    std::function<void()> Action;
    std::vector<Call> Expected;
  };
  const Case cases[] = {
      {"clone", [&] { e->cloneNode(false); }, {{1, "k2", true, true}, {1, "k1", true, true}}},
      {"import", [&] { target->importNode(e, true); }, {{3, "k2", true, true}, {3, "k1", true, true}}},
      {"destroy", [&] { doc.reset(); }, {{2, "k2", false, false}, {2, "k1", false, false}}},
  };
  for (const Case& c : cases) {
    calls.clear();
    c.Action();
    EXPECT_EQ(calls, c.Expected) << c.Name;
  }
}

TEST(DomUserData, RemovingTheLastEntry) {
  DocumentPtr doc = NewDocument();
  TDomElement* e = TDomElement::Create(doc.get(), u"e");
  int one = 1;
  e->setUserData(u"k", &one, nullptr);
  EXPECT_EQ(e->setUserData(u"k", nullptr, nullptr), &one);
  EXPECT_EQ(e->getUserData(u"k"), nullptr);
  EXPECT_EQ(e->setUserData(u"k", nullptr, nullptr), nullptr);
}

TEST(DomCopy, CloneAndImport) {
  DocumentPtr doc = NewDocument();
  DocumentPtr target = NewDocument();
  TDomElement* r = AddElement(doc.get(), u"r");
  r->setAttribute(u"a", u"1");
  r->setAttributeNode(TDomAttr::Create(doc.get(), false, u"defaulted"));
  TDomElement* c = AddElement(r, u"c");
  AddText(c, u"x")->SetCharRef(true);
  c->appendChild(TDomComment::Create(doc.get()));
  r->appendChild(TDomProcessingInstruction::Create(doc.get(), u"pi"));
  r->appendChild(TDomEntityReference::Create(doc.get(), u"ent"));

  TDomNode* shallow = r->cloneNode(false);
  EXPECT_EQ(Picture(shallow), "r");
  EXPECT_EQ(shallow->parentNode(), nullptr);
  EXPECT_EQ(static_cast<TDomElement*>(shallow)->getAttribute(u"a"), u"1");
  EXPECT_FALSE(static_cast<TDomElement*>(shallow)->hasAttribute(u"defaulted"));

  TDomNode* deep = target->importNode(r, true);
  EXPECT_EQ(Picture(deep), "r(c('x',#comment),pi,ent)");
  EXPECT_EQ(deep->ReferenceDocument(), target.get());
  EXPECT_TRUE(static_cast<TDomText*>(deep->firstChild()->firstChild())->IsCharRef());

  const std::function<void()> refused[] = {
      [&] { doc->cloneNode(true); },
      [&] { TDomDocumentTypeDecl::Create(doc.get(), u"d", u"", u"", u"")->cloneNode(false); },
      [&] { TDomXPathNamespace::Create(doc.get(), u"p", u"urn:p", r)->cloneNode(false); },
      [&] { target->importNode(nullptr, false); },
  };
  for (const auto& call : refused) EXPECT_EQ(Outcome(call), "ENot_Supported_Err: Not supported error.");
}

TEST(DomInherited, BaseUriLanguageAndNamespaces) {
  DocumentPtr doc = NewDocument();
  doc->setDocumentURI(u"file:///data/orders/o.xml");
  TDomElement* r = AddElement(doc.get(), u"r");
  r->setAttribute(u"xml:lang", u"sk");
  r->setAttribute(u"xmlns:p", u"urn:p");  // plain attributes never declare a prefix
  TDomElement* a = AddElement(r, u"a");
  TDomAttr* aBase = a->setAttribute(u"xml:base", u"sub/");
  TDomAttr* aOther = a->setAttribute(u"n", u"1");
  TDomElement* b = AddElement(a, u"b");
  b->setAttribute(u"xml:base", u"../x/");
  TDomText* t = AddText(b, u"t");
  TDomElement* abs = AddElement(r, u"abs");
  abs->setAttribute(u"xml:base", u"http://example.org/a/");
  abs->setAttribute(u"xml:lang", u"en");

  struct Case {
    const TDomNode* Node;
    const char* BaseUri;
    const char* Language;
  };
  const Case cases[] = {
      {doc.get(), "file:///data/orders/o.xml", ""},
      {r, "file:///data/orders/o.xml", "sk"},
      {a, "file:///data/orders/sub/", "sk"},
      {aBase, "file:///data/orders/o.xml", "sk"},
      {aOther, "file:///data/orders/sub/", "sk"},
      {b, "file:///data/orders/x/", "sk"},
      {t, "file:///data/orders/x/", "sk"},
      {abs, "http://example.org/a/", "en"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Ascii(c.Node->baseURI()), c.BaseUri) << Ascii(c.Node->nodeName());
    EXPECT_EQ(Ascii(c.Node->Language()), c.Language) << Ascii(c.Node->nodeName());
  }
  doc->setDocumentURI(u"not a uri");
  EXPECT_EQ(Ascii(t->baseURI()), "x/");

  DocumentPtr ns = NewDocument();
  const WideString xmlns = u"http://www.w3.org/2000/xmlns/";
  TDomElement* top = TDomElement::CreateNS(ns.get(), u"urn:d", u"top");
  ns->appendChild(top);
  top->setAttributeNS(xmlns, u"xmlns", u"urn:d");
  top->setAttributeNS(xmlns, u"xmlns:p", u"urn:p");
  TDomElement* mid = TDomElement::CreateNS(ns.get(), u"urn:q", u"q:mid");
  top->appendChild(mid);
  mid->setAttributeNS(xmlns, u"xmlns:p", u"urn:p2");
  TDomAttr* attr = mid->setAttributeNS(u"urn:q", u"q:a", u"1");
  struct Lookup {
    const TDomNode* Node;
    const char16_t* Prefix;
    const char* Expected;
  };
  const Lookup lookups[] = {
      {mid, u"p", "urn:p2"}, {top, u"p", "urn:p"}, {mid, u"", "urn:d"}, {mid, u"z", ""},
      {mid, u"xml", "http://www.w3.org/XML/1998/namespace"}, {attr, u"p", "urn:p2"}, {attr, u"", ""},
      {r, u"p", ""},
  };
  for (const Lookup& l : lookups)
    EXPECT_EQ(Ascii(l.Node->lookupNamespaceURI(l.Prefix)), l.Expected) << Ascii(l.Prefix);
}

TEST(DomTextContent, SkipsCommentsAndInstructions) {
  DocumentPtr doc = NewDocument();
  TDomElement* r = AddElement(doc.get(), u"r");
  AddText(r, u"a");
  TDomComment* comment = TDomComment::Create(doc.get());
  comment->setData(u"no");
  r->appendChild(comment);
  TDomElement* e = AddElement(r, u"e");
  TDomCDATASection* cdata = TDomCDATASection::Create(doc.get());
  cdata->setData(u"b");
  e->appendChild(cdata);
  TDomProcessingInstruction* pi = TDomProcessingInstruction::Create(doc.get(), u"pi");
  pi->setData(u"no");
  e->appendChild(pi);
  AddText(r, u"c");
  struct Case {
    const TDomNode* Node;
    const char* TextContent;
    const char* StringValue;
  };
  const Case cases[] = {{r, "abc", "abc"}, {e, "b", "b"}, {comment, "no", "no"},
                        {pi, "no", "no"},  {cdata, "b", ""}, {doc.get(), "", "abc"}};
  for (const Case& c : cases) {
    EXPECT_EQ(Ascii(c.Node->textContent()), c.TextContent) << Ascii(c.Node->nodeName());
    EXPECT_EQ(Ascii(c.Node->XPathStringValue()), c.StringValue) << Ascii(c.Node->nodeName());
  }
}

TEST(DomMisc, IsSupportedAndXPath) {
  DocumentPtr doc = NewDocument();
  struct Case {
    const char16_t* Feature;
    const char16_t* Version;
    bool Expected;
  };
  const Case cases[] = {{u"xml", u"", true},    {u"XML", u"1.0", true}, {u"Xml", u"2.0", true},
                        {u"XML", u"3.0", false}, {u"HTML", u"", false}, {u"XM", u"", false}};
  for (const Case& c : cases) EXPECT_EQ(doc->isSupported(c.Feature, c.Version), c.Expected) << Ascii(c.Feature);
  EXPECT_EQ(Outcome([&] { doc->EvaluateToString(u"/"); }), "ENot_Supported_Err: Not supported error.");
  EXPECT_EQ(TDomProcessingInstruction::Create(doc.get(), u"pi")->nodeType(), 6);
  EXPECT_EQ(TDomComment::Create(doc.get())->nodeType(), 7);
  EXPECT_EQ(Outcome([&] { TDomProcessingInstruction::Create(doc.get(), u"XmL"); }),
            "EInvalid_Character_Err: Invalid character error.");
}

TEST(DomDestruction, ADyingDocumentReportsNothingAndFreesEveryNodeOnce) {
  // Freed through the owned-object protocol, as an owner does: nested destructions are
  // queued and may run after the document itself is gone.
  int deleted = 0;
  TDomUserDataHandler count = [&](TDomUserDataOperation op, const WideString&, void*, TDomNode*, TDomNode*) {
    if (op == UDO_NODE_DELETED) ++deleted;
  };
  int reports = 0;
  int data = 0;
  auto* doc = new TTestDocument();
  doc->OnAttrModified = [&](TPersistent*, TDomNode*, TDomAttrChange, TDomAttr*) { ++reports; };
  TDomElement* r = AddElement(doc, u"r");
  for (int i = 0; i < 3; ++i) {
    TDomElement* e = AddElement(r, u"e");
    e->setAttribute(u"a", u"1")->setUserData(u"k", &data, count);
    e->setUserData(u"k", &data, count);
    AddText(e, u"t")->setUserData(u"k", &data, count);
  }
  TDomAttr* loose = TDomAttr::Create(doc, true, u"loose");
  loose->setUserData(u"k", &data, count);
  reports = 0;
  TCustomOwnedObject::Free(doc);
  EXPECT_EQ(deleted, 10);
  EXPECT_EQ(reports, 0);
}

TEST(DomDeepTree, AMillionLevels) {
  constexpr int kDepth = 1000000;
  DocumentPtr doc = NewDocument();
  TDomNode* at = doc.get();
  for (int i = 0; i < kDepth; ++i) {
    TDomElement* e = TDomElement::Create(doc.get(), u"e");
    at->appendChild(e);
    at = e;
  }
  TDomText* leaf = AddText(at, u"x");
  TDomElement* root = doc->documentElement();
  EXPECT_EQ(root->textContent(), u"x");
  EXPECT_EQ(leaf->DocumentOrder(), kDepth + 1);
  EXPECT_EQ(leaf->Level(), kDepth + 1);
  EXPECT_EQ(leaf->baseURI(), u"");
  EXPECT_EQ(leaf->Language(), u"");
  EXPECT_EQ(static_cast<TDomElement*>(at)->lookupNamespaceURI(u"p"), u"");
  EXPECT_EQ(root->compareDocumentPosition(leaf), 17);
  doc->normalize();
  TDomNode* copy = root->cloneNode(true);
  EXPECT_EQ(copy->textContent(), u"x");
  doc.reset();  // destruction must not recurse either
  // Nodes whose parents are destroyed first, in a second document built bottom-up.
  DocumentPtr second = NewDocument();
  TDomElement* child = TDomElement::Create(second.get(), u"e");
  for (int i = 1; i < kDepth; ++i) {
    TDomElement* parent = TDomElement::Create(second.get(), u"e");
    parent->appendChild(child);
    child = parent;
  }
  second->appendChild(child);
  EXPECT_EQ(second->documentElement(), child);
  second.reset();
}

}  // namespace
