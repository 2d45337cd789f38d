// Writes a parsed document in the canonical form the conformance suite's output files use, so
// that the tree this parser builds can be compared byte for byte with the suite's answer.
//
// First form: processing instructions and the document element only; character data and
// attribute values with & < > " tab, line feed and carriage return escaped; attributes in
// the code-point order of their names, in double quotes; every element as start and end tag;
// comments, the XML declaration and the document type declaration left out; UTF-8.
// Second form: the first, preceded by a document type declaration that lists every declared
// notation in the order of its name, with literals in single quotes and public identifiers
// with their white space normalised.
//
// Entity reference nodes contribute their children, so a tree parsed with references kept
// and one with their text in place are written alike.
#pragma once

#include <string>

class TDomCustomDocument;

enum class TCanonicalForm { First, Second };

std::string WriteCanonical(const TDomCustomDocument& document, TCanonicalForm form);

// The form an output file of the suite is written in: the second when it starts with a
// document type declaration that lists notations only; none when it also declares entities
// (the third form, which reports what only a validating processor knows) or when processing
// instructions stand before it.
enum class TCanonicalFormOfFile { First, Second, Other };
TCanonicalFormOfFile CanonicalFormOf(const std::string& canonicalText);
