// Deterministic test documents for the parse benchmark: the same generated content as
// UTF-8, windows-1250 and UTF-16LE with a byte-order mark, and an order-like file of many
// small elements with CR LF line ends. A fixed pseudo-random sequence picks the words, so
// every run and every machine parses identical bytes.
#pragma once

#include <cstddef>
#include <string>

enum class TCorpusKind { Utf8, Windows1250, Utf16Le, OrderLike };

// About `bytes` bytes of UTF-8 content (the windows-1250 form is slightly shorter and the
// UTF-16 form about twice as long, since all three hold the same characters).
std::string MakeCorpus(TCorpusKind kind, std::size_t bytes);

// The short name the benchmark rows and the note use ("a", "b", "c", "d").
const char* CorpusLetter(TCorpusKind kind);
