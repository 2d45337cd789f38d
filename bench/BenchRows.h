// The parsers the benchmark compares, each behind the same call: parse these bytes into the
// parser's own document (or, for the streaming peer, to the end), keep it while `keep` runs,
// then free it. A row reports false when its parser refused the bytes.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

struct TParseRow {
  const char* Name;
  bool (*Parse)(std::string_view bytes, const std::function<void()>& keep);
};

// This pipeline's rows first, then libxml2, expat and pugixml.
const std::vector<TParseRow>& ParseRows();
const TParseRow* FindParseRow(std::string_view name);

// The whole pipeline through the parser front end's ordinary path (reader, well-formedness
// handler, tree builder), which it takes for any document its direct path leaves alone.
bool ParseDocumentOrdinaryPath(std::string_view bytes, const std::function<void()>& keep);
