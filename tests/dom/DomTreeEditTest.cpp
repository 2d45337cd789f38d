// Tree edits of the node model: the allowed-child matrix, the checks of each edit in their
// order with the tree left untouched after a refusal, document fragments and live lists.
#include "DomTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// One fresh node of every kind, made in `doc` (a second document for the document kind).
struct NodeKind {
  const char* ClassName;
  std::function<TDomNode*(TDomCustomDocument*, std::vector<DocumentPtr>&)> Make;
};

const std::vector<NodeKind>& Kinds() {
  static const std::vector<NodeKind> kinds = {
      {"TDomElement", [](TDomCustomDocument* d, auto&) { return TDomElement::Create(d, u"e"); }},
      {"TDomAttr", [](TDomCustomDocument* d, auto&) { return TDomAttr::Create(d, true, u"a"); }},
      {"TDomText", [](TDomCustomDocument* d, auto&) { return TDomText::Create(d); }},
      {"TDomCDATASection", [](TDomCustomDocument* d, auto&) { return TDomCDATASection::Create(d); }},
      {"TDomEntityReference", [](TDomCustomDocument* d, auto&) { return TDomEntityReference::Create(d, u"ent"); }},
      {"TDomProcessingInstruction",
       [](TDomCustomDocument* d, auto&) { return TDomProcessingInstruction::Create(d, u"pi"); }},
      {"TDomComment", [](TDomCustomDocument* d, auto&) { return TDomComment::Create(d); }},
      {"TDomCustomDocument",
       [](TDomCustomDocument*, std::vector<DocumentPtr>& extra) {
         extra.push_back(NewDocument());
         return extra.back().get();
       }},
      {"TDomDocumentFragment", [](TDomCustomDocument* d, auto&) { return TDomDocumentFragment::Create(d); }},
      {"TDomDocumentTypeDecl",
       [](TDomCustomDocument* d, auto&) { return TDomDocumentTypeDecl::Create(d, u"order", u"", u"", u""); }},
      {"TDomXPathNamespace",
       [](TDomCustomDocument* d, auto&) { return TDomXPathNamespace::Create(d, u"p", u"urn:p", nullptr); }},
  };
  return kinds;
}

TEST(DomAllowedChildren, EveryParentKindAgainstEveryChildKind) {
  // Row: parent class; columns: child type codes 1..11 in the order of Kinds(); '+' allowed,
  // '-' refused by the type rule, 'r' passes the type rule but the parent is read-only.
  struct Row {
    const char* Parent;
    const char* Cells;
  };
  const Row rows[] = {
      {"TDomElement", "+-+++++-+--"},
      {"TDomAttr", "-----------"},
      {"TDomText", "-----------"},
      {"TDomCDATASection", "-----------"},
      {"TDomEntityReference", "r-rrrrr-r--"},
      {"TDomProcessingInstruction", "-----------"},
      {"TDomComment", "-----------"},
      {"TDomCustomDocument", "+----++-++-"},
      {"TDomDocumentFragment", "+-+++++-+--"},
      {"TDomDocumentTypeDecl", "-----------"},
      {"TDomXPathNamespace", "-----------"},
  };
  for (std::size_t p = 0; p < std::size(rows); ++p) {
    for (std::size_t c = 0; c < Kinds().size(); ++c) {
      DocumentPtr doc = NewDocument();
      std::vector<DocumentPtr> extra;
      TDomNode* parent = Kinds()[p].Make(doc.get(), extra);
      if (std::string(Kinds()[p].ClassName) == "TDomCustomDocument") parent = doc.get();
      TDomNode* child = Kinds()[c].Make(doc.get(), extra);
      std::string expected;
      switch (rows[p].Cells[c]) {
        case '+': expected = "ok"; break;
        case 'r': expected = "ENo_Modification_Allowed_Err: No modification allowed."; break;
        default:
          expected = std::string("EHierarchy_Request_Err: Nodes of type ") + Kinds()[c].ClassName +
                     " are not allowed as children of nodes of type " + rows[p].Parent;
      }
      EXPECT_EQ(Outcome([&] { parent->appendChild(child); }), expected)
          << rows[p].Parent << " <- " << Kinds()[c].ClassName;
      if (expected == "ok" && child->nodeType() != ntDocumentFragmentNode) {
        EXPECT_EQ(child->parentNode(), parent);
      }
    }
  }
}

// A small tree: #document(root(a(a1),b,ent(x))) plus a second document's element.
struct Tree {
  DocumentPtr Doc = NewDocument();
  DocumentPtr Other = NewDocument();
  TDomElement* Root = AddElement(Doc.get(), u"root");
  TDomElement* A = AddElement(Root, u"a");
  TDomElement* A1 = AddElement(A, u"a1");
  TDomElement* B = AddElement(Root, u"b");
  TDomEntityReference* Ent = TDomEntityReference::Create(Doc.get(), u"ent");
  TDomElement* X = nullptr;
  TDomElement* Loose = TDomElement::Create(Doc.get(), u"loose");
  TDomElement* Foreign = TDomElement::Create(Other.get(), u"foreign");
  Tree() {
    Root->appendChild(Ent);
    Ent->SetReadOnly(false);
    X = AddElement(Ent, u"x");
    Ent->SetReadOnly(true);
  }
};

TEST(DomTreeEdits, ChecksRunInOrderAndARefusalChangesNothing) {
  struct Case {
    const char* Name;
    std::function<void(Tree&)> Edit;
    const char* Expected;
  };
  const char* before = "#document(root(a(a1),b,ent(x)))";
  const Case cases[] = {
      {"append none", [](Tree& t) { t.Root->appendChild(nullptr); }, "ENot_Supported_Err: Node not specified."},
      {"append foreign", [](Tree& t) { t.Root->appendChild(t.Foreign); }, "EWrong_Document_Err: Wrong document."},
      {"append self", [](Tree& t) { t.A->appendChild(t.A); }, "EHierarchy_Request_Err: EHierarchy request error."},
      {"append ancestor", [](Tree& t) { t.A1->appendChild(t.Root); },
       "EHierarchy_Request_Err: EHierarchy request error."},
      {"append into read-only", [](Tree& t) { t.Ent->appendChild(t.Loose); },
       "ENo_Modification_Allowed_Err: No modification allowed."},
      {"move out of read-only", [](Tree& t) { t.B->appendChild(t.X); },
       "ENo_Modification_Allowed_Err: No modification allowed."},
      {"type rule before owner", [](Tree& t) { t.Root->appendChild(TDomAttr::Create(t.Other.get(), true, u"z")); },
       "EHierarchy_Request_Err: Nodes of type TDomAttr are not allowed as children of nodes of type TDomElement"},
      {"text under text", [](Tree& t) { AddText(t.B, u"1")->appendChild(TDomText::Create(t.Doc.get())); },
       "EHierarchy_Request_Err: Nodes of type TDomText are not allowed as children of nodes of type TDomText"},
      {"insert before itself", [](Tree& t) { t.Root->insertBefore(t.B, t.B); },
       "EHierarchy_Request_Err: EHierarchy request error."},
      {"insert before non-child", [](Tree& t) { t.Root->insertBefore(t.Loose, t.A1); },
       "ENot_Found_Err: Node not found."},
      {"remove non-child", [](Tree& t) { t.Root->removeChild(t.A1); }, "ENot_Found_Err: Node not found."},
      {"remove none", [](Tree& t) { t.Root->removeChild(nullptr); }, "ENot_Supported_Err: Node not specified."},
      {"remove from read-only", [](Tree& t) { t.Ent->removeChild(t.X); },
       "ENo_Modification_Allowed_Err: No modification allowed."},
      {"replace non-child", [](Tree& t) { t.Root->replaceChild(t.Loose, t.A1); }, "ENot_Found_Err: Node not found."},
      {"replace with ancestor", [](Tree& t) { t.A->replaceChild(t.Root, t.A1); },
       "EHierarchy_Request_Err: EHierarchy request error."},
      {"replace with foreign", [](Tree& t) { t.A->replaceChild(t.Foreign, t.A1); },
       "EWrong_Document_Err: Wrong document."},
  };
  for (const Case& c : cases) {
    Tree t;
    // The text-under-text case adds its text first; picture what the edit itself must keep.
    std::string expectedPicture = std::string(c.Name) == "text under text" ? "#document(root(a(a1),b('1'),ent(x)))" : before;
    EXPECT_EQ(Outcome([&] { c.Edit(t); }), c.Expected) << c.Name;
    EXPECT_EQ(Picture(t.Doc.get()), expectedPicture) << c.Name;
  }
}

TEST(DomTreeEdits, SuccessfulEditsReturnTheRightNode) {
  Tree t;
  EXPECT_EQ(t.Root->insertBefore(t.Loose, t.A), t.Loose);
  EXPECT_EQ(Picture(t.Doc.get()), "#document(root(loose,a(a1),b,ent(x)))");
  EXPECT_EQ(t.Root->removeChild(t.A), t.A);
  EXPECT_EQ(t.A->parentNode(), nullptr);
  EXPECT_EQ(t.B->appendChild(t.A), t.A);  // a removed node can be placed again
  EXPECT_EQ(t.Root->replaceChild(t.A1, t.Loose), t.Loose);
  EXPECT_EQ(Picture(t.Doc.get()), "#document(root(a1,b(a),ent(x)))");
  EXPECT_EQ(t.Root->replaceChild(t.B, t.B), t.B);
  EXPECT_EQ(Picture(t.Doc.get()), "#document(root(a1,b(a),ent(x)))");
  EXPECT_EQ(t.Root->insertBefore(t.Loose, nullptr), t.Loose);
  EXPECT_EQ(Picture(t.Root), "root(a1,b(a),ent(x),loose)");
}

// Fragments: what each edit leaves in the target and in the fragment, or what it raises.
struct FragmentCase {
  const char* Name;
  std::function<void(Tree&, TDomDocumentFragment*)> Edit;
  const char* Outcome;
  const char* Target;    // picture of root afterwards
  const char* Fragment;  // picture of the fragment afterwards
};

TEST(DomFragments, MoveAllChildrenOrNone) {
  const FragmentCase cases[] = {
      {"append", [](Tree& t, TDomDocumentFragment* f) { t.B->appendChild(f); }, "ok",
       "root(a(a1),b(f1,f2,f3),ent(x))", "#document-fragment"},
      {"insert before", [](Tree& t, TDomDocumentFragment* f) { t.Root->insertBefore(f, t.B); }, "ok",
       "root(a(a1),f1,f2,f3,b,ent(x))", "#document-fragment"},
      {"replace", [](Tree& t, TDomDocumentFragment* f) { t.Root->replaceChild(f, t.B); }, "ok",
       "root(a(a1),f1,f2,f3,ent(x))", "#document-fragment"},
      {"into itself", [](Tree&, TDomDocumentFragment* f) { f->appendChild(f); },
       "EHierarchy_Request_Err: EHierarchy request error.", "root(a(a1),b,ent(x))", "#document-fragment(f1,f2,f3)"},
      {"into own child",
       [](Tree&, TDomDocumentFragment* f) { static_cast<TDomNode*>(f->firstChild())->appendChild(f); },
       "EHierarchy_Request_Err: EHierarchy request error.", "root(a(a1),b,ent(x))", "#document-fragment(f1,f2,f3)"},
      {"insert inside itself",
       [](Tree&, TDomDocumentFragment* f) {
         TDomNode* f2 = f->firstChild()->nextSibling();
         f->insertBefore(f, f2);
       },
       "EHierarchy_Request_Err: EHierarchy request error.", "root(a(a1),b,ent(x))", "#document-fragment(f1,f2,f3)"},
      {"replace inside itself",
       [](Tree&, TDomDocumentFragment* f) { f->replaceChild(f, f->lastChild()); },
       "EHierarchy_Request_Err: EHierarchy request error.", "root(a(a1),b,ent(x))", "#document-fragment(f1,f2,f3)"},
      {"before itself", [](Tree& t, TDomDocumentFragment* f) { t.Root->insertBefore(f, f); },
       "EHierarchy_Request_Err: EHierarchy request error.", "root(a(a1),b,ent(x))", "#document-fragment(f1,f2,f3)"},
      {"before non-child", [](Tree& t, TDomDocumentFragment* f) { t.Root->insertBefore(f, t.A1); },
       "ENot_Found_Err: Node not found.", "root(a(a1),b,ent(x))", "#document-fragment(f1,f2,f3)"},
      {"into read-only", [](Tree& t, TDomDocumentFragment* f) { t.Ent->appendChild(f); },
       "ENo_Modification_Allowed_Err: No modification allowed.", "root(a(a1),b,ent(x))",
       "#document-fragment(f1,f2,f3)"},
      {"foreign fragment", [](Tree& t, TDomDocumentFragment*) { t.Root->appendChild(TDomDocumentFragment::Create(t.Other.get())); },
       "EWrong_Document_Err: Wrong document.", "root(a(a1),b,ent(x))", "#document-fragment(f1,f2,f3)"},
  };
  for (const FragmentCase& c : cases) {
    Tree t;
    TDomDocumentFragment* f = TDomDocumentFragment::Create(t.Doc.get());
    AddElement(f, u"f1");
    AddElement(f, u"f2");
    AddElement(f, u"f3");
    EXPECT_EQ(Outcome([&] { c.Edit(t, f); }), c.Outcome) << c.Name;
    EXPECT_EQ(Picture(t.Root), c.Target) << c.Name;
    EXPECT_EQ(Picture(f), c.Fragment) << c.Name;
  }
}

TEST(DomFragments, AChildTheTargetRefusesStopsTheWholeMove) {
  // The element would be accepted by the document, the text after it would not.
  DocumentPtr doc = NewDocument();
  TDomDocumentFragment* f = TDomDocumentFragment::Create(doc.get());
  AddElement(f, u"e");
  AddText(f, u"t");
  const std::function<void()> edits[] = {
      [&] { doc->appendChild(f); },
      [&] { doc->insertBefore(f, nullptr); },
  };
  for (const auto& edit : edits) {
    EXPECT_EQ(Outcome(edit),
              "EHierarchy_Request_Err: Nodes of type TDomText are not allowed as children of nodes of type "
              "TDomCustomDocument");
    EXPECT_EQ(Picture(f), "#document-fragment(e,'t')");
    EXPECT_FALSE(doc->hasChildNodes());
  }
  TDomComment* old = TDomComment::Create(doc.get());
  doc->appendChild(old);
  EXPECT_NE(Outcome([&] { doc->replaceChild(f, old); }), "ok");
  EXPECT_EQ(Picture(f), "#document-fragment(e,'t')");
  EXPECT_EQ(doc->firstChild(), old);
}

TEST(DomFragments, EmptyFragments) {
  Tree t;
  TDomDocumentFragment* f = TDomDocumentFragment::Create(t.Doc.get());
  EXPECT_EQ(t.Root->appendChild(f), f);
  EXPECT_EQ(t.Root->insertBefore(f, t.B), f);
  EXPECT_EQ(Picture(t.Root), "root(a(a1),b,ent(x))");
  EXPECT_EQ(t.Root->replaceChild(f, t.B), t.B);  // an empty fragment just removes the old child
  EXPECT_EQ(Picture(t.Root), "root(a(a1),ent(x))");
  EXPECT_EQ(t.B->parentNode(), nullptr);
  EXPECT_EQ(t.B->ReferenceDocument(), t.Doc.get());  // removed, still owned
}

TEST(DomNodeLists, ChildNodesIsLive) {
  DocumentPtr doc = NewDocument();
  TDomElement* e = TDomElement::Create(doc.get(), u"e");
  TDomNodeList* list = e->childNodes();
  EXPECT_EQ(list->getLength(), 0);
  TDomElement* c1 = AddElement(e, u"c1");
  TDomText* c2 = AddText(e, u"x");
  struct Probe {
    int Index;
    TDomNode* Expected;
  };
  const Probe probes[] = {{-1, nullptr}, {0, c1}, {1, c2}, {2, nullptr}};
  EXPECT_EQ(list->getLength(), 2);
  for (const Probe& p : probes) EXPECT_EQ(list->item(p.Index), p.Expected) << p.Index;
  EXPECT_EQ(list->indexOf(c2), 1);
  EXPECT_EQ(list->indexOf(e), -1);
  e->removeChild(c1);
  EXPECT_EQ(list->getLength(), 1);
  EXPECT_EQ(list->item(0), c2);
}

TEST(DomNodeLists, ElementSearchListsWalkOnlyTheSubtree) {
  DocumentPtr doc = NewDocument();
  TDomElement* top = AddElement(doc.get(), u"top");
  TDomElement* a = AddElement(top, u"a");
  TDomElement* b = AddElement(a, u"b");
  TDomElement* a2 = AddElement(b, u"a");
  TDomElement* a3 = AddElement(a, u"a");
  AddText(a, u"t");
  TDomElement* after = AddElement(top, u"a");  // a following sibling of `a`, outside its subtree
  TDomElement* leaf = AddElement(top, u"leaf");
  AddElement(top, u"a");

  struct Query {
    TDomElement* Start;
    const char16_t* Name;
    std::vector<TDomNode*> Expected;
  };
  const Query queries[] = {
      {a, u"a", {a2, a3}},
      {a, u"*", {b, a2, a3}},
      {a, u"b", {b}},
      {a, u"none", {}},
      {leaf, u"a", {}},
      {b, u"*", {a2}},
  };
  for (const Query& q : queries) {
    TDomNodeList* list = q.Start->getElementsByTagName(q.Name);
    EXPECT_EQ(list->getLength(), static_cast<int>(q.Expected.size())) << Ascii(q.Name);
    for (std::size_t i = 0; i < q.Expected.size(); ++i) {
      EXPECT_EQ(list->item(static_cast<int>(i)), q.Expected[i]) << Ascii(q.Name) << i;
      EXPECT_EQ(list->indexOf(q.Expected[i]), static_cast<int>(i));
    }
    EXPECT_EQ(list->item(-1), nullptr);
    EXPECT_EQ(list->item(static_cast<int>(q.Expected.size())), nullptr);
    EXPECT_EQ(list->indexOf(after), -1);
    EXPECT_EQ(list->indexOf(nullptr), -1);
  }
}

TEST(DomNodeLists, SearchListsAreCachedAndLive) {
  DocumentPtr doc = NewDocument();
  TDomElement* top = AddElement(doc.get(), u"top");
  TDomNodeList* list = top->getElementsByTagName(u"x");
  EXPECT_EQ(top->getElementsByTagName(u"x"), list);
  EXPECT_NE(top->getElementsByTagName(u"X"), list);  // compared exactly
  EXPECT_EQ(list->getLength(), 0);
  TDomElement* x1 = AddElement(top, u"x");
  TDomElement* x2 = AddElement(AddElement(top, u"y"), u"x");
  EXPECT_EQ(list->getLength(), 2);
  EXPECT_EQ(list->item(1), x2);
  top->removeChild(x1);
  EXPECT_EQ(list->item(0), x2);

  TDomElement* ns = TDomElement::CreateNS(doc.get(), u"urn:a", u"p:x");
  top->appendChild(ns);
  TDomNodeList* byNs = top->getElementsByTagNameNS(u"urn:a", u"x");
  EXPECT_EQ(top->getElementsByTagNameNS(u"urn:a", u"x"), byNs);
  EXPECT_EQ(byNs->getLength(), 1);
  EXPECT_EQ(top->getElementsByTagNameNS(u"*", u"x")->getLength(), 1);  // plain elements have no local name
  EXPECT_EQ(top->getElementsByTagNameNS(u"urn:a", u"*")->item(0), ns);
}

}  // namespace
