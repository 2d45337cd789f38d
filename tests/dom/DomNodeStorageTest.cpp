// Child positions after every kind of edit, names after prefix changes, and attribute maps
// made on first use: the node model keeps these in compact forms that must answer exactly as
// a plain list of children and a full set of name fields would.
#include "DomTestSupport.h"

#include "dom/TreeUtils.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// One edit of the children of a parent, applied both to the tree and to a plain vector.
struct TEdit {
  char Kind;  // 'a' append, 'i' insert before Position, 'r' remove Position, 'p' replace Position,
              // 'm' move the child at Position to the end, 'c' clear
  int Position;
};

// Reads the children by index in the order given, comparing with the model each time; the
// first question after an edit is the one that would meet a stale remembered position, so it
// is asked both ways.
void ExpectSameChildren(const TCustomOwnedNode* parent, const std::vector<TCustomOwnedNode*>& model,
                        const std::vector<int>& order, bool indexOfFirst, const std::string& where) {
  ASSERT_EQ(parent->ChildCount(), static_cast<int>(model.size())) << where;
  for (const bool askIndexOf : {indexOfFirst, !indexOfFirst}) {
    for (int index : order) {
      if (index >= static_cast<int>(model.size())) continue;
      const auto at = static_cast<std::size_t>(index);
      if (askIndexOf)
        EXPECT_EQ(parent->IndexOfChild(model[at]), index) << where << " IndexOfChild " << index;
      else
        EXPECT_EQ(parent->ChildAt(index), model[at]) << where << " ChildAt " << index;
    }
  }
  EXPECT_EQ(parent->FirstChild(), model.empty() ? nullptr : model.front()) << where;
  EXPECT_EQ(parent->LastChild(), model.empty() ? nullptr : model.back()) << where;
  // The links agree with the positions both ways.
  const TCustomOwnedNode* previous = nullptr;
  for (std::size_t i = 0; i < model.size(); ++i) {
    EXPECT_EQ(model[i]->PreviousSibling(), previous) << where << " previous of " << i;
    EXPECT_EQ(model[i]->Parent(), parent) << where;
    previous = model[i];
  }
  if (previous != nullptr) EXPECT_EQ(previous->NextSibling(), nullptr) << where;
}

TEST(OwnedNodeChildPositions, IndexedReadsFollowEveryEdit) {
  struct Case {
    const char* Name;
    std::vector<TEdit> Edits;
    std::vector<int> ReadOrder;  // indexes read after each edit, remembered positions included
  };
  const Case cases[] = {
      {"appends read forwards", {{'a', 0}, {'a', 0}, {'a', 0}, {'a', 0}, {'a', 0}}, {0, 1, 2, 3, 4}},
      {"appends read backwards", {{'a', 0}, {'a', 0}, {'a', 0}, {'a', 0}, {'a', 0}}, {4, 3, 2, 1, 0}},
      {"insert in the middle after a read there",
       {{'a', 0}, {'a', 0}, {'a', 0}, {'a', 0}, {'i', 2}, {'i', 0}, {'i', 5}},
       {2, 3, 1, 4, 0, 5, 6}},
      {"remove the remembered child", {{'a', 0}, {'a', 0}, {'a', 0}, {'a', 0}, {'r', 2}, {'r', 0}, {'r', 1}},
       {2, 1, 2, 0, 3}},
      {"replace and move", {{'a', 0}, {'a', 0}, {'a', 0}, {'a', 0}, {'p', 1}, {'m', 0}, {'m', 2}, {'p', 3}},
       {1, 2, 3, 0, 1}},
      {"clear and refill", {{'a', 0}, {'a', 0}, {'a', 0}, {'c', 0}, {'a', 0}, {'a', 0}}, {1, 0, 1}},
      {"jumps between far positions",
       {{'a', 0}, {'a', 0}, {'a', 0}, {'a', 0}, {'a', 0}, {'a', 0}, {'a', 0}, {'a', 0}, {'a', 0}, {'i', 4}},
       {5, 6, 1, 8, 7, 3, 9, 4, 5}},
  };
  for (const Case& c : cases)
  for (const bool indexOfFirst : {false, true}) {
    auto* owner = new TCustomOwnedNode(nullptr);
    auto* parent = new TCustomOwnedNode(owner);
    auto* other = new TCustomOwnedNode(owner);  // reads of another parent's children in between
    std::vector<TCustomOwnedNode*> otherModel;
    for (int i = 0; i < 3; ++i) otherModel.push_back(other->AppendNode(new TCustomOwnedNode(owner)));
    std::vector<TCustomOwnedNode*> model;
    int step = 0;
    for (const TEdit& edit : c.Edits) {
      const auto at = static_cast<std::size_t>(edit.Position);
      switch (edit.Kind) {
        case 'a':
          model.push_back(parent->AppendNode(new TCustomOwnedNode(owner)));
          break;
        case 'i': {
          auto* node = new TCustomOwnedNode(owner);
          parent->InsertNode(node, model[at]);
          model.insert(model.begin() + edit.Position, node);
          break;
        }
        case 'r':
          parent->RemoveNode(model[at]);
          model.erase(model.begin() + edit.Position);
          break;
        case 'p': {
          auto* node = new TCustomOwnedNode(owner);
          parent->ReplaceNode(node, model[at]);
          model[at] = node;
          break;
        }
        case 'm': {
          TCustomOwnedNode* node = model[at];
          parent->AppendNode(node);
          model.erase(model.begin() + edit.Position);
          model.push_back(node);
          break;
        }
        case 'c':
          parent->Clear();
          model.clear();
          break;
      }
      const std::string where = std::string(c.Name) + (indexOfFirst ? " (IndexOfChild first)" : "") + " step " +
                                std::to_string(++step);
      ExpectSameChildren(parent, model, c.ReadOrder, indexOfFirst, where);
      ExpectSameChildren(other, otherModel, {2, 0, 1}, indexOfFirst, where + " (other parent)");
      ExpectSameChildren(parent, model, c.ReadOrder, !indexOfFirst, where + " (again)");
    }
    TCustomOwnedObject::Free(owner);
  }
}

TEST(OwnedNodeChildPositions, OutOfRangeReadsRaiseAndForeignNodesAreNotFound) {
  auto* owner = new TCustomOwnedNode(nullptr);
  auto* parent = owner->AppendNode(new TCustomOwnedNode(owner));
  auto* child = parent->AppendNode(new TCustomOwnedNode(owner));
  auto* stranger = new TCustomOwnedNode(owner);
  struct Case {
    int Index;
    bool Raises;
  };
  for (const Case& c : {Case{-1, true}, Case{0, false}, Case{1, true}, Case{100, true}}) {
    if (c.Raises)
      EXPECT_THROW(parent->ChildAt(c.Index), EListError) << c.Index;
    else
      EXPECT_EQ(parent->ChildAt(c.Index), child);
  }
  EXPECT_EQ(parent->IndexOfChild(stranger), -1);
  EXPECT_EQ(parent->IndexOfChild(nullptr), -1);
  EXPECT_EQ(parent->IndexOfChild(parent), -1);
  // A child that left is not found at its remembered position.
  parent->RemoveNode(child);
  EXPECT_EQ(parent->IndexOfChild(child), -1);
  EXPECT_THROW(parent->ChildAt(0), EListError);
  TCustomOwnedObject::Free(owner);
}

TEST(DomNodeNames, PrefixChangesKeepTheNameParts) {
  DocumentPtr doc = NewDocument();
  struct Case {
    bool Element;
    WideString NamespaceURI;
    WideString Name;
    WideString NewPrefix;  // empty: drop the prefix by setting the attribute under its local name
    const char* Expected;  // outcome, then "nodeName prefix|local uri"
  };
  const Case cases[] = {
      {true, u"urn:x", u"p:e", u"q", "ok q:e q|e urn:x"},
      {true, u"urn:x", u"e", u"q", "ok q:e q|e urn:x"},
      {true, u"urn:x", u"p:e", u"q:r", "ENamespace_Err: Namespace error."},
      {true, u"", u"e", u"q", "ENamespace_Err: Namespace error."},
      {true, XmlNamespaceName, u"xml:e", u"xml", "ok xml:e xml|e http://www.w3.org/XML/1998/namespace"},
      {false, u"urn:x", u"p:a", u"q", "ok q:a q|a urn:x"},
      {false, u"urn:x", u"a", u"q", "ok q:a q|a urn:x"},
      {false, u"urn:x", u"p:a", u"", "ok a |a urn:x"},
      {false, u"urn:x", u"a", u"", "ok a |a urn:x"},
      {false, u"urn:x", u"p:a", u"xmlns", "ENamespace_Err: Namespace error."},
  };
  for (const Case& c : cases) {
    TDomElement* holder = TDomElement::CreateNS(doc.get(), u"", u"holder");
    TDomNode* node = nullptr;
    std::string outcome = Outcome([&] {
      if (c.Element) {
        node = TDomElement::CreateNS(doc.get(), c.NamespaceURI, c.Name);
        node->setPrefix(c.NewPrefix);
      } else {
        node = holder->setAttributeNS(c.NamespaceURI, c.Name, u"v");
        if (c.NewPrefix.empty())
          holder->setAttributeNS(c.NamespaceURI, c.Name.substr(c.Name.find(u':') + 1), u"w");
        else
          node->setPrefix(c.NewPrefix);
      }
    });
    if (outcome == "ok")
      outcome += " " + Ascii(node->nodeName()) + " " + Ascii(node->prefix()) + "|" + Ascii(node->localName()) + " " +
                 Ascii(node->namespaceURI());
    EXPECT_EQ(outcome, c.Expected) << Ascii(c.Name) << " -> " << Ascii(c.NewPrefix);
  }
}

TEST(DomElementAttributes, MapMadeOnFirstUseIsTheOneKept) {
  DocumentPtr doc = NewDocument();
  struct Case {
    bool NamespaceAware;
    const char* FirstQuestion;  // what is asked before any attribute exists
    std::string Expected;       // its outcome
  };
  const Case cases[] = {
      {false, "getAttribute", "ok"},
      {false, "getAttributeNodeNS", "ENamespace_Err: Namespace error."},
      {true, "getAttributeNS", "ok"},
      {true, "getAttributeNode", "ENamespace_Err: Namespace error."},
      {false, "attributes", "ok"},
      {true, "lookupNamespaceURI", "ok"},
  };
  for (const Case& c : cases) {
    TDomElement* e = c.NamespaceAware ? TDomElement::CreateNS(doc.get(), u"", u"e") : TDomElement::Create(doc.get(), u"e");
    const std::string question = c.FirstQuestion;
    EXPECT_EQ(Outcome([&] {
                if (question == "getAttribute") e->getAttribute(u"a");
                if (question == "getAttributeNodeNS") e->getAttributeNodeNS(u"", u"a");
                if (question == "getAttributeNS") e->getAttributeNS(u"", u"a");
                if (question == "getAttributeNode") e->getAttributeNode(u"a");
                if (question == "attributes") e->attributes();
                if (question == "lookupNamespaceURI") e->lookupNamespaceURI(u"p");
              }),
              c.Expected)
        << question;
    TDomNamedNodeMap* map = e->attributes();
    ASSERT_NE(map, nullptr) << question;
    EXPECT_EQ(map->getLength(), 0) << question;
    EXPECT_FALSE(e->hasAttributes()) << question;
    TDomAttr* a = c.NamespaceAware ? e->setAttributeNS(u"urn:x", u"p:a", u"1") : e->setAttribute(u"a", u"1");
    EXPECT_EQ(e->attributes(), map) << question;
    EXPECT_EQ(a->OwnerMap(), map) << question;
    EXPECT_EQ(map->getLength(), 1) << question;
    EXPECT_EQ(map->item(0), a) << question;
    EXPECT_EQ(a->ownerElement(), e) << question;
    e->removeAttributeNode(a);
    EXPECT_EQ(e->attributes(), map) << question;
    EXPECT_EQ(map->getLength(), 0) << question;
  }
}

TEST(DomCharacterData, AppendingInPlaceReportsEachAppend) {
  struct Case {
    char Kind;  // 't' text, 'c' comment, 'd' CDATA section
    std::vector<WideString> Pieces;
    const char* Expected;
  };
  const Case cases[] = {
      {'t', {u"a", u"", u"bc"}, "abc"},
      {'t', {u"0123456789", u"0123456789", u"x"}, "01234567890123456789x"},
      {'c', {u" note", u" more"}, "start note more"},
      {'d', {u"<b>", u"</b>"}, "start<b></b>"},
  };
  for (const Case& c : cases) {
    DocumentPtr doc = NewDocument();
    int notices = 0;
    TDomNode* noticed = nullptr;
    TDomCharacterData* node = nullptr;
    if (c.Kind == 't') node = TDomText::Create(doc.get());
    if (c.Kind == 'c') node = TDomComment::Create(doc.get());
    if (c.Kind == 'd') node = TDomCDATASection::Create(doc.get());
    if (c.Kind != 't') node->setData(u"start");
    if (c.Kind == 't') static_cast<TDomText*>(node)->SetCharRef(true);
    doc->SetModified(false);
    doc->OnCharacterDataModified = [&](TPersistent*, TDomNode* n) {
      ++notices;
      noticed = n;
    };
    for (const WideString& piece : c.Pieces) node->appendData(piece);
    EXPECT_EQ(Ascii(node->data()), c.Expected) << c.Expected;
    EXPECT_EQ(Ascii(node->nodeValue()), c.Expected) << c.Expected;
    EXPECT_EQ(node->length(), static_cast<std::int64_t>(std::string(c.Expected).size())) << c.Expected;
    EXPECT_EQ(notices, static_cast<int>(c.Pieces.size())) << c.Expected;
    EXPECT_EQ(noticed, node) << c.Expected;
    EXPECT_TRUE(doc->Modified()) << c.Expected;
    if (c.Kind == 't') EXPECT_TRUE(static_cast<TDomText*>(node)->IsCharRef()) << c.Expected;
    doc->OnCharacterDataModified = nullptr;
  }
}

}  // namespace
