// Accept or reject, asked of two parsers (DifferentialParsers.h) on the same bytes. Where the
// two disagree, the known differences (KnownDifferences.h) say whether the disagreement is
// one we understand; anything else is a finding.
#pragma once

#include "DifferentialParsers.h"
#include "InputView.h"
#include "KnownDifferences.h"

#include <algorithm>
#include <iterator>
#include <string>

// Inputs the check cannot judge fairly, each with its reason; none of them is parsed by both.
inline const char* SkipReason(const TInputView& input) {
  // This parser keeps the internal subset as text and checks none of its declarations, while
  // libxml2 reads and applies them; documents with a DOCTYPE are the conformance suite's.
  if (input.HoldsDoctype()) return "document type declaration";
  // The code-page tables and the lists of encoding names of the two parsers are not the same
  // (libxml2 hands most to the C library); these are judged by the codec tests, and here only
  // the encodings both read the same way are used. UCS-4 is among the others.
  static const char* const judged[] = {"utf-8",      "utf-16",     "utf-16le", "utf-16be",
                                       "iso-8859-1", "iso-8859-2", "us-ascii", "windows-1250"};
  if (input.Mark == TByteOrderMark::Ucs4) return "UCS-4";
  if (!input.DeclaredEncoding.empty() &&
      std::find_if(std::begin(judged), std::end(judged),
                   [&](const char* name) { return input.DeclaredEncoding == name; }) == std::end(judged))
    return "encoding outside the judged ones";
  return nullptr;
}

struct TJudgement {
  enum TKind { Agree, Skipped, Listed, Finding } Kind = Agree;
  // The skip reason, the name of the known difference, or the finding's message.
  std::string Text;
};

// The known difference that explains this disagreement, if any.
inline const TKnownDifference* ExplainingDifference(const TInputView& input, const TVerdict& here,
                                                    const TVerdict& libxml2) {
  const TAcceptingSide accepting = here.Accepted ? TAcceptingSide::Here : TAcceptingSide::Libxml2;
  auto explains = [&](const TKnownDifference& difference) {
    return (difference.Accepts == accepting || difference.Accepts == TAcceptingSide::Either) &&
           difference.Applies(input, here, libxml2);
  };
  for (const TKnownDifference& difference : kKnownDifferences)
    if (explains(difference)) return &difference;
  return nullptr;
}

// Two verdicts on one input judged against the table.
inline TJudgement JudgeVerdicts(const TInputView& input, const TVerdict& here, const TVerdict& libxml2) {
  if (here.Accepted == libxml2.Accepted) return {TJudgement::Agree, {}};
  if (const TKnownDifference* difference = ExplainingDifference(input, here, libxml2))
    return {TJudgement::Listed, difference->Name};
  auto describe = [](const TVerdict& verdict) {
    return std::string(verdict.Accepted ? "accepts" : "rejects") +
           (verdict.FirstError.empty() ? std::string() : " (first error: " + verdict.FirstError + ")");
  };
  return {TJudgement::Finding, "this parser " + describe(here) + ", libxml2 " + describe(libxml2)};
}

// The whole check on one input.
inline TJudgement JudgeInput(const std::string& bytes) {
  const TInputView input(bytes);
  if (const char* reason = SkipReason(input)) return {TJudgement::Skipped, reason};
  const TLibxml2Outcome libxml2 = ParseWithLibxml2(bytes);
  // A declaration the byte search above missed (an encoding it does not read).
  if (libxml2.SawDoctype) return {TJudgement::Skipped, "document type declaration"};
  return JudgeVerdicts(input, ParseHere(bytes), libxml2.Verdict);
}

inline bool JudgedSound(const std::string& bytes) { return JudgeInput(bytes).Kind != TJudgement::Finding; }
