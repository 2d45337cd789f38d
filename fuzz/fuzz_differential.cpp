// Accept or reject, this parser against libxml2, on documents without DOCTYPE; a disagreement
// that KnownDifferences.h does not explain aborts with both verdicts and their first errors.
#include "Differential.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const TJudgement judgement = JudgeInput(std::string(reinterpret_cast<const char*>(data), size));
  if (judgement.Kind == TJudgement::Finding) {
    std::fprintf(stderr, "differential: %s\n", judgement.Text.c_str());
    std::abort();
  }
  return 0;
}
