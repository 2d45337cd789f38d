# The fuzz targets: one entry point each, shared by the libFuzzer build (fuzz/CMakeLists.txt)
# and the replay tests of the normal build (fuzz/replay.cmake).
#   EARMARK_FUZZ_<name>: source file, then the libraries it needs; _DEFS: compile definitions.
set(EARMARK_FUZZ_TARGETS tokenizer parse_auto parse_utf8 parse_utf16le parse_1250 order direct_paths
    differential)
set(EARMARK_FUZZ_tokenizer fuzz_tokenizer.cpp xmldom)
set(EARMARK_FUZZ_parse_auto fuzz_parse_stream.cpp xmldom)
set(EARMARK_FUZZ_parse_utf8 fuzz_parse_stream.cpp xmldom)
set(EARMARK_FUZZ_parse_utf8_DEFS "FUZZ_CODEC=&TUTF8Codec::ClassInfo")
set(EARMARK_FUZZ_parse_utf16le fuzz_parse_stream.cpp xmldom)
set(EARMARK_FUZZ_parse_utf16le_DEFS "FUZZ_CODEC=&TUTF16LECodec::ClassInfo")
set(EARMARK_FUZZ_parse_1250 fuzz_parse_stream.cpp xmldom)
set(EARMARK_FUZZ_parse_1250_DEFS "FUZZ_CODEC=&TWindows1250Codec::ClassInfo")
set(EARMARK_FUZZ_order fuzz_order.cpp ordercore)
set(EARMARK_FUZZ_direct_paths fuzz_direct_paths.cpp xmldom)
# libxml2 is the other side of the differential check, a test-only dependency linked into
# this target alone.
set(EARMARK_FUZZ_differential fuzz_differential.cpp xmldom LibXml2::LibXml2)
