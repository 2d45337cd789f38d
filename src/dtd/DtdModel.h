// The model of a document type declaration: the element types, attribute-list definitions,
// general and parameter entities and notations it declares. A document's validation agent
// keeps one; the subset reader fills it. As XML requires, the first declaration of an entity
// or of an attribute of an element binds, later ones are kept out.
#pragma once

#include "platform/WideString.h"
#include "xml/DomError.h"

#include <cstdint>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

// Base of every declared item, so that an error can name the declaration it concerns.
class TDtdObject {
public:
  virtual ~TDtdObject() = default;
  WideString Name;
};

enum class TDtdContentKind : std::uint8_t { Empty, Any, Mixed, Children };

class TDtdElementType : public TDtdObject {
public:
  TDtdContentKind ContentKind = TDtdContentKind::Any;
  // The content model as written ("(a|b)*"), for element and mixed content.
  WideString ContentModel;
};

// Attribute types; 1 is the ID type the tree builder already knows.
enum TDtdAttributeType : std::uint8_t {
  AT_UNDECLARED = 0,
  AT_ID = 1,
  AT_CDATA = 2,
  AT_IDREF = 3,
  AT_IDREFS = 4,
  AT_ENTITY = 5,
  AT_ENTITIES = 6,
  AT_NMTOKEN = 7,
  AT_NMTOKENS = 8,
  AT_NOTATION = 9,
  AT_ENUMERATION = 10,
};

enum class TDtdDefaultKind : std::uint8_t { Required, Implied, Fixed, Default };

class TDtdAttributeDefinition : public TDtdObject {
public:
  WideString ElementName;
  TDtdAttributeType AttributeType = AT_CDATA;
  // The names of a NOTATION type or the tokens of an enumeration, in declared order.
  std::vector<WideString> Enumeration;
  TDtdDefaultKind DefaultKind = TDtdDefaultKind::Implied;
  // The default as written between the quotes, references not replaced.
  WideString DefaultValue;
};

class TDtdEntity : public TDtdObject {
public:
  bool IsParameter = false;
  // An internal entity has a replacement text; an external one identifiers instead.
  bool IsInternal = true;
  WideString ReplacementText;
  WideString PublicId;
  WideString SystemId;
  // For an external entity, the URI of the text that declares it, against which a relative
  // system identifier resolves.
  WideString BaseUri;
  // Declared in the external subset or in a parameter entity's text: a document that says
  // it stands alone may not refer to it.
  bool ExternallyDeclared = false;
  // Set for an unparsed entity (NDATA).
  WideString NotationName;
  bool IsParsed() const { return NotationName.empty(); }
};

class TDtdNotation : public TDtdObject {
public:
  WideString PublicId;
  WideString SystemId;
};

class TDtdModel {
public:
  void Clear();

  // Each Add returns the item, or none when one of that name was declared before (the
  // first declaration binds; the item given is then dropped).
  TDtdElementType* AddElementType(std::unique_ptr<TDtdElementType> item);
  TDtdAttributeDefinition* AddAttributeDefinition(std::unique_ptr<TDtdAttributeDefinition> item);
  TDtdEntity* AddEntity(std::unique_ptr<TDtdEntity> item);
  TDtdNotation* AddNotation(std::unique_ptr<TDtdNotation> item);

  const TDtdElementType* FindElementType(const WideString& name) const;
  const TDtdAttributeDefinition* FindAttributeDefinition(const WideString& elementName,
                                                         const WideString& attributeName) const;
  // The definitions for one element, in declared order (none when it has no list).
  const std::vector<std::unique_ptr<TDtdAttributeDefinition>>* AttributeDefinitions(
      const WideString& elementName) const;
  const TDtdEntity* FindGeneralEntity(const WideString& name) const;
  const TDtdEntity* FindParameterEntity(const WideString& name) const;
  const TDtdNotation* FindNotation(const WideString& name) const;

  std::size_t GeneralEntityCount() const { return GeneralEntities_.size(); }
  std::size_t ParameterEntityCount() const { return ParameterEntities_.size(); }
  std::size_t ElementTypeCount() const { return ElementTypes_.size(); }
  std::size_t NotationCount() const { return Notations_.size(); }
  // Every declared notation by name, for an application that lists them (XML requires a
  // processor to report the notations it was given).
  const std::map<WideString, std::unique_ptr<TDtdNotation>>& Notations() const { return Notations_; }

  // The declaration names an external subset (read or not).
  bool HasExternalSubset = false;
  // A parameter-entity reference occurred in the subset.
  bool HasPEReferences = false;
  // Entity and attribute-list declarations were left out after a parameter entity that was
  // not read.
  bool SkippedDeclarations = false;
  bool Standalone = false;

  // Whether a reference to an undeclared entity breaks well-formedness: only when every
  // declaration was seen, or the document says it stands alone.
  bool AllDeclarationsRead() const { return Standalone || (!HasExternalSubset && !HasPEReferences); }

  // Where an attribute value stands: in the external subset or a parameter entity's text,
  // in the internal subset, or in the document.
  enum class TPlace : std::uint8_t { ExternalMarkup, InternalSubset, Document };

  // Checks the entity references of an attribute value as written (character references
  // aside): none unparsed or external, none whose replacement text holds "<" or refers to
  // itself, nesting at most `depthLimit` deep; outside external markup also every entity
  // declared where that is required and, in a document standing alone, none declared
  // externally. The error kind, or EK_NONE; `offending` then holds the reference at fault.
  TXmlErrorType CheckAttributeValueReferences(WideStringView value, int depthLimit, WideString& offending,
                                              TPlace place) const;
  // Whether a reference in the document itself may use the entity: not one declared
  // externally when the document stands alone.
  bool UsableInDocument(const TDtdEntity& entity) const { return !(Standalone && entity.ExternallyDeclared); }

private:
  TXmlErrorType CheckReferencesIn(WideStringView value, int depth, int depthLimit, WideString& offending,
                                  TPlace place) const;
  // Entities already found fit for attribute values, and those being checked, so that every
  // replacement text is read once however often it is referred to.
  // One record per place, since what a place allows differs.
  mutable std::map<const TDtdEntity*, bool> AttributeChecked_[3];

public:

private:
  std::map<WideString, std::unique_ptr<TDtdElementType>> ElementTypes_;
  // One element's definitions in declared order, and by name once there are enough of them
  // for a search through the list to cost: a subset declaring many attributes for one
  // element is read in linear time.
  struct TAttributeList {
    std::vector<std::unique_ptr<TDtdAttributeDefinition>> Definitions;
    std::unordered_map<WideString, TDtdAttributeDefinition*> ByName;
    TDtdAttributeDefinition* Find(const WideString& name) const;
  };
  std::map<WideString, TAttributeList> AttributeLists_;
  std::map<WideString, std::unique_ptr<TDtdEntity>> GeneralEntities_;
  std::map<WideString, std::unique_ptr<TDtdEntity>> ParameterEntities_;
  std::map<WideString, std::unique_ptr<TDtdNotation>> Notations_;
};
