// Documents and the DOM implementation: the list of documents, the document element and
// document type rules of the three inserting operations, copying and importing, attribute
// normalisation, error handling, resource resolution, tree walkers and node iterators.
#include "DomTestSupport.h"

#include "dom/DomImplementation.h"
#include "dom/DomTraversal.h"
#include "xml/ResourceResolver.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

// Counts how often each document is destroyed, through the deletion call of its user data.
struct DestructionCounter {
  std::map<std::string, int> Count;
  void Watch(TDomNode* node, const std::string& name) {
    node->setUserData(u"watch", this, [this, name](TDomUserDataOperation op, const WideString&, void*, TDomNode*,
                                                      TDomNode*) {
      if (op == UDO_NODE_DELETED) ++Count[name];
    });
  }
};

}  // namespace

TEST(DomImplementation, DocumentList) {
  DestructionCounter counter;
  {
    TDomImplementation impl;
    EXPECT_EQ(impl.documents()->getLength(), 0);
    auto* first = new TDomDocument(&impl);
    auto* second = new TDomDocument(&impl);
    auto* loose = new TDomDocument(nullptr);
    counter.Watch(first, "first");
    counter.Watch(second, "second");
    EXPECT_EQ(impl.documents()->getLength(), 2);
    EXPECT_EQ(impl.documents()->item(0), first);
    EXPECT_EQ(first->domImplementation(), &impl);
    EXPECT_EQ(loose->domImplementation(), nullptr);
    // Freeing a document takes it off the list; the next one becomes item 0.
    TCustomOwnedObject::Free(first);
    EXPECT_EQ(impl.documents()->getLength(), 1);
    EXPECT_EQ(impl.documents()->item(0), second);
    auto* third = new TDomDocumentNS(&impl);
    counter.Watch(third, "third");
    EXPECT_EQ(impl.documents()->item(1), third);
    TCustomOwnedObject::Free(loose);
  }
  // The implementation destroyed the two it still had, each exactly once.
  EXPECT_EQ(counter.Count, (std::map<std::string, int>{{"first", 1}, {"second", 1}, {"third", 1}}));
}

TEST(DomImplementation, FreeDocumentsEmptiesTheList) {
  TDomImplementation impl;
  new TDomDocument(&impl);
  new TDomDocument(&impl);
  impl.FreeDocuments();
  EXPECT_EQ(impl.documents()->getLength(), 0);
  auto* again = new TDomDocument(&impl);
  EXPECT_EQ(impl.documents()->item(0), again);
}

namespace {

// Builds a document from a shape string: 'D' declaration "d", 'E' element "e", 'C' comment.
struct Shaped {
  explicit Shaped(const std::string& shape) {
    for (char c : shape) {
      TDomNode* node = Make(c);
      Doc.appendChild(node);
      Nodes.push_back(node);
    }
  }
  TDomNode* Make(char c) {
    switch (c) {
      case 'D': return TDomDocumentTypeDecl::Create(&Doc, u"d", u"", u"", u"");
      case 'E': return TDomElement::Create(&Doc, u"e");
      case 'F': return TDomElement::Create(&Doc, u"f");
      case 'T': return TDomText::Create(&Doc);
      default: return TDomComment::Create(&Doc);
    }
  }
  // A fragment holding nodes made from the shape string.
  TDomDocumentFragment* Fragment(const std::string& shape) {
    auto* fragment = TDomDocumentFragment::Create(&Doc);
    for (char c : shape) fragment->appendChild(Make(c));
    return fragment;
  }
  TDomDocument Doc;
  std::vector<TDomNode*> Nodes;
};

}  // namespace

TEST(DomDocument, InsertionRules) {
  const std::string refused = "EHierarchy_Request_Err: Hierarchy request error.";
  struct Case {
    std::string Shape;
    std::string Operation;  // "append X", "before X i", "before X -", "replace X i"
    std::string Outcome;
    std::string After;
  };
  const std::vector<Case> cases = {
      {"", "append E", "ok", "#document(e)"},
      {"E", "append F", refused, "#document(e)"},
      {"E", "append C", "ok", "#document(e,#comment)"},
      {"E", "append T",
       "EHierarchy_Request_Err: Nodes of type TDomText are not allowed as children of nodes of type TDomDocument",
       "#document(e)"},
      {"C", "append D", "ok", "#document(#comment,d)"},
      {"E", "append D", refused, "#document(e)"},
      {"D", "append D", refused, "#document(d)"},
      {"DC", "before E 1", "ok", "#document(d,e,#comment)"},
      {"D", "before E 0", refused, "#document(d)"},
      {"E", "before D 0", "ok", "#document(d,e)"},
      {"EC", "before D 1", refused, "#document(e,#comment)"},
      {"CE", "before F 0", refused, "#document(#comment,e)"},
      // Without a reference node an insertion is an append, with the append rules.
      {"D", "before E -", "ok", "#document(d,e)"},
      {"E", "before D -", refused, "#document(e)"},
      {"E", "before F -", refused, "#document(e)"},
      {"E", "replace F 0", "ok", "#document(f)"},
      {"EC", "replace F 1", refused, "#document(e,#comment)"},
      {"DC", "replace E 1", "ok", "#document(d,e)"},
      {"D", "replace E 0", "ok", "#document(e)"},
      {"CE", "replace D 0", "ok", "#document(d,e)"},
      {"EC", "replace D 1", refused, "#document(e,#comment)"},
      {"DE", "replace D 0", "ok", "#document(d,e)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Shape + " / " + c.Operation);
    Shaped s(c.Shape);
    const char kind = c.Operation[c.Operation.find(' ') + 1];
    const char where = c.Operation.back();
    TDomNode* node = s.Make(kind);
    TDomNode* ref = where == '-' || c.Operation.starts_with("append")
                        ? nullptr
                        : s.Nodes.at(static_cast<std::size_t>(where - '0'));
    std::string outcome;
    if (c.Operation.starts_with("append"))
      outcome = Outcome([&] { s.Doc.appendChild(node); });
    else if (c.Operation.starts_with("before"))
      outcome = Outcome([&] { s.Doc.insertBefore(node, ref); });
    else
      outcome = Outcome([&] { s.Doc.replaceChild(node, ref); });
    EXPECT_EQ(outcome, c.Outcome);
    EXPECT_EQ(Picture(&s.Doc), c.After);
  }
}

// A fragment's children are checked together against the rules before the first one moves.
TEST(DomDocument, FragmentInsertionRules) {
  const std::string refused = "EHierarchy_Request_Err: Hierarchy request error.";
  struct Case {
    std::string Shape, Fragment, Operation, Outcome, After, FragmentAfter;
  };
  const std::vector<Case> cases = {
      {"", "EF", "append", refused, "#document", "#document-fragment(e,f)"},
      {"E", "CE", "append", refused, "#document(e)", "#document-fragment(#comment,e)"},
      {"C", "CE", "append", "ok", "#document(#comment,#comment,e)", "#document-fragment"},
      {"DC", "E", "before 1", "ok", "#document(d,e,#comment)", "#document-fragment"},
      {"DC", "EF", "before 1", refused, "#document(d,#comment)", "#document-fragment(e,f)"},
      {"CD", "CE", "before 1", refused, "#document(#comment,d)", "#document-fragment(#comment,e)"},
      {"DE", "EC", "replace 1", "ok", "#document(d,e,#comment)", "#document-fragment"},
      {"DE", "CE", "replace 0", refused, "#document(d,e)", "#document-fragment(#comment,e)"},
      {"CE", "FC", "replace 0", refused, "#document(#comment,e)", "#document-fragment(f,#comment)"},
      {"E", "", "replace 0", "ok", "#document", "#document-fragment"},
      {"C", "EF", "before -", refused, "#document(#comment)", "#document-fragment(e,f)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Shape + " / " + c.Fragment + " / " + c.Operation);
    Shaped s(c.Shape);
    TDomDocumentFragment* fragment = s.Fragment(c.Fragment);
    std::string outcome;
    if (c.Operation == "append") {
      outcome = Outcome([&] { s.Doc.appendChild(fragment); });
    } else {
      TDomNode* ref = c.Operation.back() == '-' ? nullptr : s.Nodes.at(static_cast<std::size_t>(c.Operation.back() - '0'));
      if (c.Operation.starts_with("before"))
        outcome = Outcome([&] { s.Doc.insertBefore(fragment, ref); });
      else
        outcome = Outcome([&] { s.Doc.replaceChild(fragment, ref); });
    }
    EXPECT_EQ(outcome, c.Outcome);
    EXPECT_EQ(Picture(&s.Doc), c.After);
    EXPECT_EQ(Picture(fragment), c.FragmentAfter);
  }
}

TEST(DomDocument, MissingNodesAreNotSupported) {
  const std::string notSupported = "ENot_Supported_Err: Not supported error.";
  Shaped s("E");
  EXPECT_EQ(Outcome([&] { s.Doc.appendChild(nullptr); }), notSupported);
  EXPECT_EQ(Outcome([&] { s.Doc.insertBefore(nullptr, s.Nodes[0]); }), notSupported);
  EXPECT_EQ(Outcome([&] { s.Doc.replaceChild(nullptr, s.Nodes[0]); }), notSupported);
  EXPECT_EQ(Outcome([&] { s.Doc.replaceChild(s.Make('C'), nullptr); }), notSupported);
  EXPECT_EQ(Outcome([&] { s.Doc.cloneNode(true); }), notSupported);
  EXPECT_EQ(Outcome([&] { s.Doc.CopyNode(nullptr, false); }), notSupported);
  EXPECT_EQ(Outcome([&] { s.Doc.importNode(&s.Doc, true); }), notSupported);
}

TEST(DomDocument, ElementAndDoctypeLookups) {
  Shaped s("CDE");
  EXPECT_EQ(s.Doc.doctype(), s.Nodes[1]);
  EXPECT_EQ(s.Doc.documentElement(), s.Nodes[2]);
  EXPECT_EQ(s.Doc.nodeName(), u"#document");
  EXPECT_EQ(s.Doc.nodeType(), ntDocumentNode);
  EXPECT_EQ(s.Doc.xmlStandalone(), 2);
  Shaped empty("");
  EXPECT_EQ(empty.Doc.doctype(), nullptr);
  EXPECT_EQ(empty.Doc.documentElement(), nullptr);
}

TEST(DomDocument, ImportNode) {
  TDomDocument source;
  TDomElement* e = TDomElement::Create(&source, u"e");
  e->setAttribute(u"given", u"1");
  TDomAttr* defaulted = TDomAttr::Create(&source, false, u"defaulted");
  defaulted->setNodeValue(u"2");
  e->setAttributeNode(defaulted);
  AddText(AddElement(e, u"child"), u"t");
  int imported = 0;
  e->setUserData(u"k", &imported, [&](TDomUserDataOperation op, const WideString&, void*, TDomNode* src, TDomNode* dst) {
    if (op == UDO_NODE_IMPORTED && src == e && dst != nullptr && dst != e) ++imported;
  });

  struct Case {
    bool Deep;
    std::string Picture;
  };
  for (const Case& c : {Case{false, "e"}, Case{true, "e(child('t'))"}}) {
    SCOPED_TRACE(c.Deep);
    TDomDocument target;
    auto* copy = static_cast<TDomElement*>(target.importNode(e, c.Deep));
    EXPECT_EQ(copy->ownerDocument(), &target);
    EXPECT_EQ(copy->parentNode(), nullptr);
    EXPECT_EQ(Picture(copy), c.Picture);
    EXPECT_EQ(copy->attributes()->getLength(), 1);
    EXPECT_EQ(copy->getAttribute(u"given"), u"1");
    EXPECT_FALSE(copy->hasAttribute(u"defaulted"));
  }
  EXPECT_EQ(imported, 2);
}

TEST(DomDocument, CopiesOfEachKind) {
  TDomDocument doc;
  TDomText* text = TDomText::Create(&doc);
  text->setData(u"x");
  text->SetCharRef(true);
  auto* pi = TDomProcessingInstruction::Create(&doc, u"t");
  pi->setData(u"d");
  auto* copyText = static_cast<TDomText*>(doc.CopyNode(text, false));
  EXPECT_EQ(copyText->data(), u"x");
  EXPECT_TRUE(copyText->IsCharRef());
  auto* copyPi = static_cast<TDomProcessingInstruction*>(doc.CopyNode(pi, false));
  EXPECT_EQ(copyPi->target(), u"t");
  EXPECT_EQ(copyPi->data(), u"d");
  auto* doctype = TDomDocumentTypeDecl::Create(&doc, u"d", u"", u"", u"");
  EXPECT_EQ(Outcome([&] { doc.CopyNode(doctype, false); }), "ENot_Supported_Err: Not supported error.");
}

TEST(DomDocument, NormalizeAttributeValue) {
  struct Case {
    WideString Value;
    int Kind;
    WideString Result;
  };
  const std::vector<Case> cases = {
      {u"plain", 0, u"plain"},
      {u"a&lt;b&gt;&amp;&apos;&quot;", 0, u"a<b>&'\""},
      {u"&#65;&#x42;", 0, u"AB"},
      {u"a\tb\nc\rd  e", 0, u"a b c d  e"},
      {u"&#x1F600;", 0, WideString(u"\U0001F600")},
      {u"&#60;", 73, u""},
      {u"x&other;", 35, u""},
      {u"x&;", 35, u""},
      {u"&#65", 92, u""},
      {u"&amp", 96, u""},
      {u"&#xD800;", 60, u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Ascii(c.Value));
    for (int which = 0; which < 2; ++which) {
      TDomDocument doc;
      TDomDocumentNS docNS;
      TDomCustomDocument& d = which == 0 ? static_cast<TDomCustomDocument&>(doc) : docNS;
      TXmlErrorType kind = EK_NONE;
      WideString result = u"stale";
      d.NormalizeAttributeValue(c.Value, 0, kind, result);
      EXPECT_EQ(kind, c.Kind);
      EXPECT_EQ(result, c.Result);
    }
  }
}

TEST(DomDocument, IdTableOfTheNamespaceDocument) {
  TDomDocumentNS doc;
  TDomElement* a = TDomElement::CreateNS(&doc, u"", u"a");
  TDomElement* b = TDomElement::CreateNS(&doc, u"", u"b");
  doc.IDs().AddObject(u"x", b);
  doc.IDs().AddObject(u"m", a);
  doc.IDs().AddObject(u"x", a);  // a duplicate ID is ignored: the first element keeps it
  EXPECT_EQ(doc.getElementById(u"x"), b);
  EXPECT_EQ(doc.getElementById(u"m"), a);
  EXPECT_EQ(doc.getElementById(u"none"), nullptr);
  TDomDocument plain;
  EXPECT_EQ(plain.getElementById(u"x"), nullptr);
}

TEST(DomDocument, NotificationsReachTheImplementation) {
  TDomImplementation impl;
  std::vector<std::string> log;
  impl.OnNodeInserted = [&](TPersistent* sender, TDomNode* n) {
    log.push_back((sender == &impl ? "impl inserted " : "? ") + Ascii(n->nodeName()));
  };
  impl.OnNodeRemoving = [&](TPersistent*, TDomNode* n) { log.push_back("impl removing " + Ascii(n->nodeName())); };
  auto* doc = new TDomDocument(&impl);
  doc->OnNodeInserted = [&](TPersistent* sender, TDomNode*) {
    log.push_back(sender == doc ? "doc inserted" : "?");
    throw EConvertError("document handler failed");
  };
  TDomElement* e = TDomElement::Create(doc, u"e");
  EXPECT_EQ(Outcome([&] { doc->appendChild(e); }), "EConvertError: document handler failed");
  // The implementation heard of it although the document's own handler raised.
  EXPECT_EQ(log, (std::vector<std::string>{"doc inserted", "impl inserted e"}));
  EXPECT_TRUE(doc->Modified());
  TCustomOwnedObject::Free(doc);
}

TEST(DomImplementation, ErrorHandling) {
  struct Case {
    TXmlErrorType Kind;
    int Suspended;
    bool HasEvent;
    bool Go;
    int EventCalls;
  };
  // The event answers the opposite of the default, so its effect is visible.
  const std::vector<Case> cases = {
      {EK_DOCTYPE_TOKENIZER_WARNING, 0, false, true, 0}, {EK_VALIDITY_8, 0, false, true, 0},
      {EK_END_TAG_MISMATCH, 0, false, false, 0},         {EK_END_TAG_MISMATCH, 0, true, true, 1},
      {EK_VALIDITY_8, 0, true, false, 1},                {EK_END_TAG_MISMATCH, 1, true, false, 0},
      {EK_VALIDITY_8, 2, true, true, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.Kind) + " suspended " + std::to_string(c.Suspended));
    TDomImplementation impl;
    int calls = 0;
    if (c.HasEvent)
      impl.OnError = [&](TPersistent* sender, TDomError*, bool& go) {
        EXPECT_EQ(sender, &impl);
        ++calls;
        go = !go;
      };
    for (int i = 0; i < c.Suspended; ++i) impl.SuspendErrorEvents();
    TDomError error(c.Kind, nullptr, u"", u"");
    EXPECT_EQ(impl.HandleError(&impl, &error), c.Go);
    EXPECT_EQ(calls, c.EventCalls);
  }
}

TEST(DomImplementation, SuspendAndResume) {
  TDomImplementation impl;
  int calls = 0;
  impl.OnError = [&](TPersistent*, TDomError*, bool&) { ++calls; };
  TDomError error(EK_VALIDITY_8, nullptr, u"", u"");
  bool go = false;
  impl.SuspendErrorEvents();
  impl.SuspendErrorEvents();
  impl.ResumeErrorEvents();
  impl.DoError(&impl, &error, go);
  EXPECT_EQ(calls, 0);
  EXPECT_TRUE(go);
  impl.ResumeErrorEvents();
  impl.DoError(&impl, &error, go);
  EXPECT_EQ(calls, 1);
  // A resume too many leaves the events on instead of wrapping the counter round.
  impl.ResumeErrorEvents();
  impl.DoError(&impl, &error, go);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(Outcome([&] { impl.HandleError(&impl, nullptr); }), "ENot_Supported_Err: Not supported error.");
}

namespace {

// Serves one fixed text for every request, or none.
class TFixedResolver : public TCustomResourceResolver {
public:
  std::unique_ptr<TStream> ResolveResource(const WideString&, WideString&, WideString&) override {
    if (Missing) return nullptr;
    if (Raise) throw EFOpenError("Cannot open file");
    return std::make_unique<TMemoryStream>(Bytes);
  }
  std::string Bytes;
  bool Missing = false;
  bool Raise = false;
};

}  // namespace

TEST(DomImplementation, ResolveResource) {
  TDomImplementation impl;
  WideString pub, sys = u"x.ent";
  EXPECT_EQ(Outcome([&] { impl.ResolveResource(u"", pub, sys); }),
            "ENot_Found_Err: No resource resolver assigned to DOM implementation.");
  {
    TFixedResolver resolver;
    impl.SetResourceResolver(&resolver);
    EXPECT_EQ(impl.ResourceResolver(), &resolver);
    resolver.Bytes = "abc";
    auto stream = impl.ResolveResource(u"", pub, sys);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->Size(), 3);
  }
  // The destroyed resolver is forgotten.
  EXPECT_EQ(impl.ResourceResolver(), nullptr);
}

TEST(DomImplementation, ResolveExternalText) {
  struct Case {
    std::string Bytes;
    bool Missing, Raise, NoResolver;
    int Kind;
    WideString Text;
  };
  const std::vector<Case> cases = {
      {"plain text", false, false, false, 0, u"plain text"},
      {"<?xml encoding='UTF-8'?>abc", false, false, false, 0, u"abc"},
      {"<?xml version='1.0' encoding='UTF-8'?>a\r\nb", false, false, false, 0, u"a\nb"},
      {"\xEF\xBB\xBFx\xC5\xBE", false, false, false, 0, WideString(u"x\u017E")},
      {"<?xml version='1.0'?>abc", false, false, false, 69, u""},
      {"<?xml version='1.0' encoding='UTF-8' standalone='yes'?>x", false, false, false, 69, u""},
      {"<?xml encodin='UTF-8'?>x", false, false, false, 69, u""},
      {"<?xml version='1.1' encoding='UTF-8'?>x", false, false, false, 151, u""},
      {"<?xml encoding='no-such-code'?>x", false, false, false, 147, u""},
      // A byte no decoder accepts, well behind the start of the text.
      {std::string(200, 'x') + "\xFF\xFEy", false, false, false, 150, u""},
      {"", true, false, false, 148, u""},
      {"", false, true, false, 148, u""},
      {"", false, false, true, 148, u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Bytes);
    TDomImplementation impl;
    TFixedResolver resolver;
    resolver.Bytes = c.Bytes;
    resolver.Missing = c.Missing;
    resolver.Raise = c.Raise;
    if (!c.NoResolver) impl.SetResourceResolver(&resolver);
    TXmlErrorType kind = EK_NONE;
    WideString text = u"stale";
    impl.ResolveExternalText(u"file:///base.xml", u"", u"x.ent", kind, text);
    EXPECT_EQ(kind, c.Kind);
    EXPECT_EQ(text, c.Text);
  }
}

namespace {

// A small tree: r(a(a1,a2),b,c(c1)) under a document, with names to follow the moves.
struct TraversalTree {
  TraversalTree() {
    R = AddElement(&Doc, u"r");
    A = AddElement(R, u"a");
    AddElement(A, u"a1");
    AddElement(A, u"a2");
    AddElement(R, u"b");
    C = AddElement(R, u"c");
    AddElement(C, u"c1");
  }
  TDomDocument Doc;
  TDomElement* R;
  TDomElement* A;
  TDomElement* C;
};

// Skips "a" (its children stay visible) and rejects "c" (with its subtree).
class TSkipARejectC : public TDomNodeFilter {
public:
  TDomFilterResult acceptNode(TDomNode* node) override {
    if (node->nodeName() == u"a") return filter_skip;
    if (node->nodeName() == u"c") return filter_reject;
    return filter_accept;
  }
};

std::string Name(const TDomNode* node) { return node == nullptr ? "-" : Ascii(node->nodeName()); }

}  // namespace

TEST(DomTraversal, TreeWalkerMoves) {
  TraversalTree t;
  TSkipARejectC filter;
  struct Case {
    TDomNodeFilter* Filter;
    std::string Moves;  // n next, p previous, f first child, l last child, s next sibling,
                        // b previous sibling, u parent
    std::string Visited;
  };
  const std::vector<Case> cases = {
      {nullptr, "nnnnnnnn", "a a1 a2 b c c1 - -"},
      {&filter, "nnnnn", "a1 a2 b - -"},
      {&filter, "nnnppppp", "a1 a2 b a2 a1 r - -"},
      {nullptr, "flbsss", "a a2 a1 a2 - -"},
      {nullptr, "fsslbu", "a b c c1 - c"},
      {&filter, "f", "a1"},
      {&filter, "l", "b"},
      {&filter, "fsss", "a1 a2 b -"},
      {&filter, "fsub", "a1 a2 r -"},
      {nullptr, "fffu", "a a1 - a"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Moves);
    TDomTreeWalker* walker = t.Doc.createTreeWalker(t.R, SHOW_ALL, c.Filter, true);
    std::string visited;
    for (char m : c.Moves) {
      TDomNode* n = nullptr;
      switch (m) {
        case 'n': n = walker->nextNode(); break;
        case 'p': n = walker->previousNode(); break;
        case 'f': n = walker->firstChild(); break;
        case 'l': n = walker->lastChild(); break;
        case 's': n = walker->nextSibling(); break;
        case 'b': n = walker->previousSibling(); break;
        case 'u': n = walker->parentNode(); break;
      }
      visited += (visited.empty() ? "" : " ") + Name(n);
    }
    EXPECT_EQ(visited, c.Visited);
    t.Doc.FreeTreeWalker(walker);
    EXPECT_EQ(walker, nullptr);
  }
}

TEST(DomTraversal, WhatToShowAndEntityReferences) {
  TDomDocument doc;
  TDomElement* r = AddElement(&doc, u"r");
  AddText(r, u"t1");
  TDomEntityReference* ref = TDomEntityReference::Create(&doc, u"ent");
  r->appendChild(ref);
  AddElement(r, u"e");
  struct Case {
    std::uint16_t Show;
    bool Expand;
    std::string Visited;
  };
  const std::vector<Case> cases = {
      {SHOW_ALL, false, "r #text ent e"},
      {ShowBit(ntElementNode), false, "r e"},
      {static_cast<std::uint16_t>(ShowBit(ntTextNode) | ShowBit(ntEntityReferenceNode)), false, "#text ent"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Visited);
    TDomNodeIterator* it = doc.createNodeIterator(r, c.Show, nullptr, c.Expand);
    std::string visited;
    while (TDomNode* n = it->nextNode()) visited += (visited.empty() ? "" : " ") + Name(n);
    EXPECT_EQ(visited, c.Visited);
  }
}

TEST(DomTraversal, NodeIteratorMoves) {
  TraversalTree t;
  TSkipARejectC filter;
  struct Case {
    TDomNodeFilter* Filter;
    std::string Moves;
    std::string Visited;
  };
  const std::vector<Case> cases = {
      {nullptr, "nnnnnnnn", "r a a1 a2 b c c1 -"},
      {nullptr, "nnpp", "r a a r"},
      {nullptr, "pn", "- r"},
      // For an iterator a rejected node hides only itself.
      {&filter, "nnnnnn", "r a1 a2 b c1 -"},
      {&filter, "nnnnpp", "r a1 a2 b b a2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Moves);
    TDomNodeIterator* it = t.Doc.createNodeIterator(t.R, SHOW_ALL, c.Filter, true);
    std::string visited;
    for (char m : c.Moves) visited += (visited.empty() ? "" : " ") + Name(m == 'n' ? it->nextNode() : it->previousNode());
    EXPECT_EQ(visited, c.Visited);
  }
}

// Removing the subtree that holds the reference node moves the iterator off it.
TEST(DomTraversal, NodeIteratorSurvivesRemoval) {
  struct Case {
    int Steps;            // nextNode calls before the removal
    std::string Removed;  // "a" or "c"
    std::string Rest;     // what nextNode gives afterwards
  };
  const std::vector<Case> cases = {
      {3, "a", "b c c1 -"},       // reference a1, after it: goes to the node before a
      {7, "c", "-"},              // reference c1 at the end
      {2, "a", "b c c1 -"},
      {4, "c", "b -"},            // reference a2; c is not around it
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Removed + " after " + std::to_string(c.Steps));
    TraversalTree t;
    TDomNodeIterator* it = t.Doc.createNodeIterator(t.R, SHOW_ALL, nullptr, true);
    for (int i = 0; i < c.Steps; ++i) it->nextNode();
    t.R->removeChild(c.Removed == "a" ? static_cast<TDomNode*>(t.A) : t.C);
    std::string rest;
    for (int i = 0; i < 6; ++i) {
      TDomNode* n = it->nextNode();
      rest += (rest.empty() ? "" : " ") + Name(n);
      if (n == nullptr) break;
    }
    EXPECT_EQ(rest, c.Rest);
  }
}

TEST(DomTraversal, DetachAndOwnership) {
  TraversalTree t;
  TDomNodeIterator* it = t.Doc.createNodeIterator(t.R, SHOW_ALL, nullptr, true);
  t.Doc.createNodeIterator(t.R, SHOW_ALL, nullptr, true);
  it->detach();
  EXPECT_EQ(Outcome([&] { it->nextNode(); }), "EInvalid_State_Err: Invalid state error.");
  EXPECT_EQ(Outcome([&] { it->previousNode(); }), "EInvalid_State_Err: Invalid state error.");
  EXPECT_EQ(t.Doc.NodeIteratorCount(), 2);
  t.Doc.FreeDetachedIterators();
  EXPECT_EQ(t.Doc.NodeIteratorCount(), 1);

  EXPECT_EQ(Outcome([&] { t.Doc.createNodeIterator(nullptr, SHOW_ALL, nullptr, true); }),
            "ENot_Supported_Err: Not supported error.");
  EXPECT_EQ(Outcome([&] { t.Doc.createTreeWalker(nullptr, SHOW_ALL, nullptr, true); }),
            "ENot_Supported_Err: Not supported error.");
  TDomTreeWalker* walker = t.Doc.createTreeWalker(t.R, SHOW_ALL, nullptr, true);
  EXPECT_EQ(Outcome([&] { walker->setCurrentNode(nullptr); }), "ENot_Supported_Err: Not supported error.");
  EXPECT_EQ(Outcome([&] { walker->setRoot(nullptr); }), "ENot_Supported_Err: Not supported error.");
  TDomDocument other;
  TDomTreeWalker* foreign = other.createTreeWalker(&other, SHOW_ALL, nullptr, true);
  EXPECT_EQ(Outcome([&] { t.Doc.FreeTreeWalker(foreign); }), "EWrong_Document_Err: Wrong document error.");
  EXPECT_NE(foreign, nullptr);
  TDomTreeWalker* none = nullptr;
  EXPECT_EQ(Outcome([&] { t.Doc.FreeTreeWalker(none); }), "ok");
  // Clearing the document destroys its iterators and walkers with the nodes.
  t.Doc.Clear();
  EXPECT_EQ(t.Doc.NodeIteratorCount(), 0);
  EXPECT_FALSE(t.Doc.hasChildNodes());
}
