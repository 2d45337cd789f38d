# The fuzz targets: one entry point each, shared by the libFuzzer build (fuzz/CMakeLists.txt)
# and the replay tests of the normal build (fuzz/replay.cmake).
#   EARMARK_FUZZ_<name>: source file, then the libraries it needs; _DEFS: compile definitions.
set(EARMARK_FUZZ_TARGETS tokenizer)
set(EARMARK_FUZZ_tokenizer fuzz_tokenizer.cpp xmldom)
