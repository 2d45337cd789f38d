// The URI decisions of the document model: whether a text is a valid URI reference, whether
// it carries a scheme, and how a relative reference is resolved against a base URI.
#pragma once

#include "platform/WideString.h"

bool UriIsValid(const WideString& uri);
bool UriHasScheme(const WideString& uri);
// Resolves `reference` against `base` by the generic URI syntax; an empty base leaves the
// reference as it is.
WideString ResolveUriReference(const WideString& reference, const WideString& base);
