// Node making for a parser that has already proven what it hands over: every name is an XML
// name, attribute names of one element differ, and the document is new, so nobody listens to
// it yet. The nodes are made and linked as the public tree edits would make and link them,
// with the same fields, but without the checks, the change notices and the copies those
// edits cost per node. Nothing else should use this: the public operations are the ones
// that keep a tree valid.
#pragma once

#include "dom/SharedText.h"

#include <vector>

class TDomCustomDocument;
class TDomElement;
class TDomNode;

class TDomParsedNodes {
public:
  static TDomElement* Element(TDomCustomDocument* document, const TSharedText& tagName);
  // A specified attribute of a document without namespace processing, as setAttribute makes
  // it, made for `element` but not yet in its list: it must go there by AddAttributes, or be
  // let go by Disown before anything else happens to it or its element.
  static TDomNode* Attribute(TDomElement* element, const TSharedText& name, TSharedText&& value);
  // Puts `attrs`, made by Attribute for `element` (which has none yet), in its list in their
  // order; `attrs` is left empty. A short list is made of exactly their number; a long one
  // takes over the vector.
  static void AddAttributes(TDomElement* element, std::vector<TDomNode*>& attrs);
  // Lets go of attributes made by Attribute that will never be put on their element.
  static void Disown(const std::vector<TDomNode*>& attrs);
  static TDomNode* Text(TDomCustomDocument* document, TSharedText&& data, bool charRef);
  static TDomNode* CDataSection(TDomCustomDocument* document, TSharedText&& data);
  static TDomNode* Comment(TDomCustomDocument* document, TSharedText&& data);
  static TDomNode* ProcessingInstruction(TDomCustomDocument* document, const TSharedText& target,
                                         TSharedText&& data);
  static TDomNode* EntityReference(TDomCustomDocument* document, const TSharedText& name);
  // Links `child`, which has no parent, as the last child of `parent`.
  static void Append(TDomNode* parent, TDomNode* child);
};
