// The error object of the XML pipeline: one kind from the fixed list below, the text range
// of the offending text and two explanatory texts. Every problem found while reading is
// reported as one of these and handed to the DOM implementation's error handling.
#pragma once

#include "platform/Component.h"
#include "platform/WideString.h"
#include "xml/XmlLocator.h"

#include <cstdint>
#include <memory>

// The error kinds; the severity is tied to the number, so every kind keeps its value.
enum TXmlErrorType : std::uint8_t {
  EK_NONE = 0,
  EK_VALIDITY_WARNING = 1,
  EK_DTD_READER_WARNING = 2,
  EK_RESERVED_3 = 3,
  EK_RESERVED_4 = 4,
  EK_DTD_SUBSET_WARNING = 5,
  EK_VALIDITY_6 = 6,
  EK_VALIDITY_7 = 7,
  EK_VALIDITY_8 = 8,
  EK_VALIDITY_9 = 9,
  EK_VALIDITY_10 = 10,
  EK_VALIDITY_11 = 11,
  EK_VALIDITY_12 = 12,
  EK_VALIDITY_13 = 13,
  EK_VALIDITY_14 = 14,
  EK_VALIDITY_15 = 15,
  EK_VALIDITY_16 = 16,
  EK_VALIDITY_17 = 17,
  EK_VALIDITY_18 = 18,
  EK_VALIDITY_19 = 19,
  EK_VALIDITY_20 = 20,
  EK_VALIDITY_21 = 21,
  EK_VALIDITY_22 = 22,
  EK_VALIDITY_23 = 23,
  EK_VALIDITY_24 = 24,
  EK_VALIDITY_25 = 25,
  EK_VALIDITY_26 = 26,
  EK_CONDITIONAL_SECTION_PE_NESTING = 27,
  EK_DTD_SUBSET_VALIDITY_28 = 28,
  EK_DTD_SUBSET_VALIDITY_29 = 29,
  EK_VALIDITY_30 = 30,
  EK_VALIDITY_31 = 31,
  EK_VALIDITY_32 = 32,
  EK_VALIDITY_33 = 33,
  EK_VALIDITY_34 = 34,
  EK_VALIDITY_35 = 35,
  EK_VALIDITY_36 = 36,
  EK_VALIDITY_37 = 37,
  EK_VALIDITY_38 = 38,
  EK_VALIDITY_39 = 39,
  EK_VALIDITY_40 = 40,
  EK_VALIDITY_41 = 41,
  EK_VALIDITY_42 = 42,
  EK_VALIDITY_43 = 43,
  EK_RESERVED_44 = 44,
  EK_ENCODING_CONVERSION_FAILED = 45,
  EK_CDATA_START_EXPECTED = 46,
  EK_COMMENT_START_EXPECTED = 47,
  EK_DOCTYPE_START_EXPECTED = 48,
  EK_DUPLICATE_ATTRIBUTE = 49,
  EK_RESERVED_50 = 50,
  EK_DOUBLE_HYPHEN_IN_COMMENT = 51,
  EK_ELEMENT_AFTER_ROOT = 52,
  EK_RESERVED_53 = 53,
  EK_VALIDATION_FATAL_54 = 54,
  EK_HYPHEN_AT_COMMENT_END = 55,
  EK_INVALID_ATTRIBUTE_NAME = 56,
  EK_INVALID_CHARACTER_IN_ATTRIBUTE_VALUE = 57,
  EK_INVALID_CDATA_SECTION = 58,
  EK_INVALID_CHARACTER = 59,
  EK_INVALID_CHARACTER_REFERENCE = 60,
  EK_RESERVED_61 = 61,
  EK_INVALID_ELEMENT_NAME = 62,
  EK_INVALID_ENCODING_NAME = 63,
  EK_INVALID_ENTITY_NAME = 64,
  EK_INVALID_PARAMETER_ENTITY_NAME = 65,
  EK_INVALID_PROCESSING_INSTRUCTION = 66,
  EK_INVALID_PUBLIC_ID = 67,
  EK_INVALID_SYSTEM_ID = 68,
  EK_MALFORMED_TEXT_DECLARATION = 69,
  EK_INVALID_VERSION_NUMBER = 70,
  EK_MALFORMED_XML_DECLARATION = 71,
  EK_DOCTYPE_SYNTAX_72 = 72,
  EK_LT_IN_ATTRIBUTE_VALUE = 73,
  EK_TAG_NAME_EXPECTED = 74,
  EK_UNCLOSED_ELEMENT_AT_END = 75,
  EK_ENTITY_NAME_EXPECTED = 76,
  EK_EQUALS_SIGN_EXPECTED = 77,
  EK_QUOTE_EXPECTED = 78,
  EK_END_TAG_MISMATCH = 79,
  EK_WHITESPACE_EXPECTED = 80,
  EK_CONTENT_OUTSIDE_ROOT = 81,
  EK_RESERVED_82 = 82,
  EK_PE_TOKENIZER_83 = 83,
  EK_PUBLIC_KEYWORD_EXPECTED = 84,
  EK_LITERAL_QUOTE_EXPECTED = 85,
  EK_VALIDATION_FATAL_86 = 86,
  EK_RESERVED_87 = 87,
  EK_DOCTYPE_TOKENIZER_WARNING = 88,
  EK_MISSING_DOCUMENT_ELEMENT = 89,
  EK_SYSTEM_KEYWORD_EXPECTED = 90,
  EK_UNCLOSED_CDATA_SECTION = 91,
  EK_UNTERMINATED_CHARACTER_REFERENCE = 92,
  EK_UNCLOSED_COMMENT = 93,
  EK_UNCLOSED_DOCTYPE = 94,
  EK_TAG_CLOSE_EXPECTED = 95,
  EK_UNTERMINATED_ENTITY_REFERENCE = 96,
  EK_UNCLOSED_PROCESSING_INSTRUCTION = 97,
  EK_VALIDATION_FATAL_98 = 98,
  EK_DOCTYPE_AFTER_ROOT = 99,
  EK_ATTLIST_START_EXPECTED = 100,
  EK_DTD_SUBSET_SYNTAX_101 = 101,
  EK_DUPLICATE_DOCTYPE = 102,
  EK_ELEMENT_DECL_START_EXPECTED = 103,
  EK_ENTITY_DECL_START_EXPECTED = 104,
  EK_DTD_SUBSET_SYNTAX_105 = 105,
  EK_DTD_SUBSET_SYNTAX_106 = 106,
  EK_INVALID_ATTRIBUTE_DEFINITION_NAME = 107,
  EK_DTD_SUBSET_SYNTAX_108 = 108,
  EK_CONTENT_MODEL_WARNING = 109,
  EK_DTD_SUBSET_SYNTAX_110 = 110,
  EK_INVALID_ATTLIST_ELEMENT_NAME = 111,
  EK_INVALID_ELEMENT_DECL_NAME = 112,
  EK_DTD_SUBSET_SYNTAX_113 = 113,
  EK_INVALID_ENTITY_DECL_NAME = 114,
  EK_INVALID_PE_DECL_NAME = 115,
  EK_INVALID_ENTITY_VALUE = 116,
  EK_INVALID_PE_VALUE = 117,
  EK_INVALID_NMTOKEN_IN_ENUMERATION = 118,
  EK_UNKNOWN_MARKUP_DECL = 119,
  EK_DTD_SUBSET_SYNTAX_120 = 120,
  EK_INVALID_NDATA_NAME = 121,
  EK_INVALID_NOTATION_NAME = 122,
  EK_INVALID_NAME_IN_NOTATION_TYPE = 123,
  EK_DTD_SUBSET_SYNTAX_124 = 124,
  EK_INVALID_DOCTYPE_NAME = 125,
  EK_CONTENT_MODEL_SYNTAX_126 = 126,
  EK_CONTENT_MODEL_SYNTAX_127 = 127,
  EK_CONTENT_MODEL_SYNTAX_128 = 128,
  EK_MALFORMED_CONTENT_MODEL = 129,
  EK_ENTITY_VALUE_WITH_EXTERNAL_ID = 130,
  EK_PE_VALUE_WITH_EXTERNAL_ID = 131,
  EK_NOTATION_DECL_START_EXPECTED = 132,
  EK_PE_TOKENIZER_133 = 133,
  EK_RESERVED_134 = 134,
  EK_DTD_SUBSET_SYNTAX_135 = 135,
  EK_UNDECLARED_ENTITY = 136,
  EK_UNPARSED_ENTITY_REFERENCE = 137,
  EK_RECURSIVE_ENTITY_REFERENCE = 138,
  EK_EXTERNAL_ENTITY_IN_ATTRIBUTE_VALUE = 139,
  EK_ENTITY_EXPANSION_TOO_DEEP = 140,
  EK_ENTITY_EXPANSION_TOO_LARGE = 141,
  EK_PE_REFERENCE_IN_MARKUP = 142,
  EK_RESERVED_143 = 143,
  EK_RESERVED_144 = 144,
  EK_RESERVED_145 = 145,
  EK_UNBALANCED_SECOND_STACK = 146,
  EK_ENCODING_NOT_SUPPORTED = 147,
  EK_RESOURCE_NOT_RESOLVED = 148,
  EK_PE_TOKENIZER_149 = 149,
  EK_EXTERNAL_TEXT_UNREADABLE = 150,
  EK_XML_VERSION_NOT_SUPPORTED = 151,
};

inline constexpr int kErrorKindCount = 152;

// The kind's name ("EK_END_TAG_MISMATCH"); empty for a value outside the list.
const char* ErrorKindName(int kind);

enum TDomSeverity : std::uint8_t { DOM_SEVERITY_WARNING = 0, DOM_SEVERITY_ERROR = 1, DOM_SEVERITY_FATAL_ERROR = 2 };

// 0 warning, 1 error, 2 fatal error.
TDomSeverity SeverityOfErrorKind(int kind);

class TDomError : public TUtilsNoRefCount, public IXmlLocator {
public:
  TDomError(TXmlErrorType kind, const WideString& offendingText, const WideString& clue,
            TDomNode* relatedNode, TDtdObject* relatedDtdObject, const WideString& uri,
            std::int64_t startByte, std::int64_t startChar, std::int64_t startColumn,
            std::int64_t startLine, std::int64_t startTabs, std::int64_t endByte,
            std::int64_t endChar, std::int64_t endColumn, std::int64_t endLine,
            std::int64_t endTabs);
  // Copies the positions, references and URI from the locator; without one every position
  // is -1, the references are none and the URI is empty.
  TDomError(TXmlErrorType kind, const IXmlLocator* locator, const WideString& offendingText,
            const WideString& clue);
  ~TDomError() override = default;

  virtual TDomSeverity Severity() const { return SeverityOfErrorKind(Kind); }
  std::int64_t EndByte() const override { return EndByte_; }
  std::int64_t EndChar() const override { return EndChar_; }
  std::int64_t EndColumn() const override { return EndColumn_; }
  std::int64_t EndLine() const override { return EndLine_; }
  std::int64_t EndTabs() const override { return EndTabs_; }
  TDtdObject* RelatedDtdItem() const override { return RelatedDtdObject_; }
  TDomNode* RelatedNode() const override { return RelatedNode_; }
  std::int64_t StartByte() const override { return StartByte_; }
  std::int64_t StartChar() const override { return StartChar_; }
  std::int64_t StartColumn() const override { return StartColumn_; }
  std::int64_t StartLine() const override { return StartLine_; }
  std::int64_t StartTabs() const override { return StartTabs_; }
  WideString SourceUri() const override { return Uri_; }
  virtual std::unique_ptr<TDomError> Clone() const;

  const WideString& Clue() const { return Clue_; }
  const WideString& OffendingText() const { return OffendingText_; }

  TXmlErrorType Kind;

private:
  WideString Clue_;
  WideString OffendingText_;
  std::int64_t EndByte_ = -1;
  std::int64_t EndChar_ = -1;
  std::int64_t EndColumn_ = -1;
  std::int64_t EndLine_ = -1;
  std::int64_t EndTabs_ = -1;
  TDtdObject* RelatedDtdObject_ = nullptr;
  TDomNode* RelatedNode_ = nullptr;
  std::int64_t StartByte_ = -1;
  std::int64_t StartChar_ = -1;
  std::int64_t StartColumn_ = -1;
  std::int64_t StartLine_ = -1;
  std::int64_t StartTabs_ = -1;
  WideString Uri_;
};
