// Runs every XML 1.0 test of the conformance suite through ParseFile and compares the outcome
// with the test's type: "valid" and "invalid" documents must parse, "not-wf" documents must
// fail, "error" documents are only reported. Outcomes that follow from this parser's own
// rules stand in expected-deviations.txt with their reason; any other difference, and any
// exception outside the program's own hierarchy, fails the run.
// A well-formed document listed as refused for its names must have been refused with a name
// error; the well-formed documents refused are counted by listed reason.
//
// Every test is parsed a second time with the reading of local external entities (external
// subset, parameter and general entities) switched on, and the counts of the fifth edition
// printed for that run too; a well-formed document accepted without external reading but
// refused with it fails the run unless expected-deviations.txt lists it under the catalogue
// name followed by "+external".
//
// A test with an output file is parsed once more with external reading on and entity
// references replaced by their text, and the tree written in the suite's canonical form
// (CanonicalForm.h) must equal that file byte for byte. Differences with a known reason stand
// in expected-canonical-differences.txt; any other one fails the run. Tests whose catalogue
// entry names external entities are counted in a column of their own as well.
//
//   conformance_runner                    run and compare with the lists
//   conformance_runner --deviations       also print every deviation (key, type, file, edition,
//                                         outcome) on the error stream, for tools/conformance_deviations.py
//   conformance_runner --canonical-diffs  also print every canonical difference with the first
//                                         position where the texts part
#include "conformance/CanonicalForm.h"
#include "dom/DomImplementation.h"
#include "xml/ParseDifferential.h"
#include "platform/Exceptions.h"
#include "xml/DomError.h"
#include "xml/ResourceResolver.h"
#include "xml/XmlToDomParser.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Catalogues of XML 1.1 and of Namespaces 1.1, which this parser does not claim.
const std::set<std::string> kLeftOut = {"ibm-xml1.1-invalid", "ibm-xml1.1-not-wf", "ibm-xml1.1-valid",
                                        "eduni-xml11", "eduni-ns11"};

struct TSuiteTest {
  std::string Id, Type, Uri, Recommendation, Version, Edition, Output, Entities;
};

struct TOutcome {
  bool Parsed = false;
  bool Crashed = false;
  std::string FirstError;  // name of the first error kind delivered
  std::string Exception;   // class and message of what ParseFile raised
};

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string WithoutComments(std::string text) {
  for (std::size_t start; (start = text.find("<!--")) != std::string::npos;) {
    const std::size_t end = text.find("-->", start + 4);
    text.erase(start, end == std::string::npos ? std::string::npos : end + 3 - start);
  }
  return text;
}

std::vector<TSuiteTest> ReadCatalogue(const fs::path& path) {
  static const std::regex testTag(R"(<TEST\s([^>]*)>)");
  static const std::regex attribute(R"re(([A-Za-z:]+)\s*=\s*(?:"([^"]*)"|'([^']*)'))re");
  std::vector<TSuiteTest> tests;
  const std::string text = WithoutComments(Slurp(path));
  for (auto tag = std::sregex_iterator(text.begin(), text.end(), testTag); tag != std::sregex_iterator(); ++tag) {
    const std::string attributes = (*tag)[1];
    TSuiteTest test;
    for (auto a = std::sregex_iterator(attributes.begin(), attributes.end(), attribute);
         a != std::sregex_iterator(); ++a) {
      const std::string name = (*a)[1];
      const std::string value = (*a)[2].matched ? (*a)[2].str() : (*a)[3].str();
      if (name == "ID") test.Id = value;
      else if (name == "TYPE") test.Type = value;
      else if (name == "URI") test.Uri = value;
      else if (name == "RECOMMENDATION") test.Recommendation = value;
      else if (name == "VERSION") test.Version = value;
      else if (name == "EDITION") test.Edition = value;
      else if (name == "OUTPUT") test.Output = value;
      else if (name == "ENTITIES") test.Entities = value;
    }
    tests.push_back(test);
  }
  return tests;
}

bool IsXml10(const TSuiteTest& test) {
  return test.Recommendation.rfind("XML1.1", 0) != 0 && test.Recommendation.rfind("NS1.1", 0) != 0 &&
         test.Version != "1.1";
}

TOutcome Parse(const fs::path& file, bool readExternal) {
  TOutcome outcome;
  TStandardResourceResolver resolver;
  TDomImplementation implementation;
  implementation.SetResourceResolver(&resolver);
  implementation.OnError = [&outcome](TPersistent*, TDomError* error, bool&) {
    if (outcome.FirstError.empty()) outcome.FirstError = ErrorKindName(error->Kind);
  };
  TXmlToDomParser parser;
  parser.SetDOMImpl(&implementation);
  parser.SetReadExternalEntities(readExternal);
  try {
    const std::unique_ptr<TDomDocument> document(parser.ParseFile(file.string()));
    outcome.Parsed = document != nullptr;
  } catch (const Exception& e) {
    outcome.Exception = std::string(e.ClassName()) + " " + e.what();
  } catch (const std::exception& e) {
    outcome.Crashed = true;
    outcome.Exception = std::string("std::exception ") + e.what();
  }
  return outcome;
}

// The document parsed as the canonical form needs it, external entities read and entity
// references replaced by their text, and written in `form`; none when it is refused. `crash` receives what was raised
// outside the program's own exception hierarchy.
std::optional<std::string> CanonicalOf(const fs::path& file, TCanonicalForm form, std::string& crash) {
  TStandardResourceResolver resolver;
  TDomImplementation implementation;
  implementation.SetResourceResolver(&resolver);
  TXmlToDomParser parser;
  parser.SetDOMImpl(&implementation);
  parser.SetKeepEntityRefs(false);
  parser.SetReadExternalEntities(true);
  try {
    const std::unique_ptr<TDomDocument> document(parser.ParseFile(file.string()));
    if (document == nullptr) return std::nullopt;
    try {
      return WriteCanonical(*document, form);
    } catch (const Exception& e) {
      // What the tree cannot answer (an attribute value that cannot be normalised) shows
      // as a difference of its own.
      return std::string("(not written: ") + e.ClassName() + " " + e.what() + ")";
    }
  } catch (const Exception&) {
    return std::nullopt;
  } catch (const std::exception& e) {
    crash = std::string("std::exception ") + e.what();
    return std::nullopt;
  }
}

// Where two texts part: the byte offset, line and column in `expected`, and a few bytes of
// each from there, with line ends shown as \n.
std::string FirstDifference(const std::string& expected, const std::string& got) {
  const auto [e, g] = std::mismatch(expected.begin(), expected.end(), got.begin(), got.end());
  const std::size_t at = static_cast<std::size_t>(e - expected.begin());
  std::size_t line = 1, column = 1;
  for (std::size_t i = 0; i < at; ++i) {
    if (expected[i] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  auto excerpt = [at](const std::string& text) {
    std::string shown;
    for (std::size_t i = at; i < text.size() && i < at + 40; ++i)
      shown += text[i] == '\n' ? std::string("\\n") : std::string(1, text[i]);
    return at >= text.size() ? std::string("(end)") : "\"" + shown + "\"";
  };
  return "byte " + std::to_string(at) + " (line " + std::to_string(line) + ", column " + std::to_string(column) +
         "): expected " + excerpt(expected) + ", written " + excerpt(got);
}

struct TCanonicalCounts {
  int WithOutput = 0, NeedsExternal = 0, NeedsExternalEqual = 0, OtherForm = 0, Compared = 0, Equal = 0,
      Different = 0, Listed = 0, NotParsed = 0;
  void Add(const TCanonicalCounts& other) {
    WithOutput += other.WithOutput;
    NeedsExternal += other.NeedsExternal;
    NeedsExternalEqual += other.NeedsExternalEqual;
    OtherForm += other.OtherForm;
    Compared += other.Compared;
    Equal += other.Equal;
    Different += other.Different;
    Listed += other.Listed;
    NotParsed += other.NotParsed;
  }
};

// Reads a list of "catalogue ID reason" lines; '#' starts a comment.
std::map<std::string, std::string> ReadList(const fs::path& path) {
  std::map<std::string, std::string> listed;
  std::istringstream lines(Slurp(path));
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string catalogue, id, reason;
    if (!(fields >> catalogue >> id) || catalogue[0] == '#') continue;
    std::getline(fields >> std::ws, reason);
    listed[catalogue + " " + id] = reason;
  }
  return listed;
}

struct TCounts {
  int Passed = 0, Listed = 0, Total = 0, Failures = 0, ErrorTests = 0, ErrorTestsParsed = 0;
  // Tests of the fifth edition (those without an edition, or naming 5 among theirs): not-wf
  // documents rejected, and well-formed (valid or invalid) documents accepted.
  int NotWf = 0, NotWfRejected = 0, WellFormed = 0, WellFormedAccepted = 0;
};

bool InFifthEdition(const TSuiteTest& test) {
  return test.Edition.empty() || test.Edition.find('5') != std::string::npos;
}

// A well-formed document may be listed as refused for its names only when the parser refused
// it with one of the name errors: anything else is a fault hiding behind the list.
const std::string kFourthEditionNames = "names follow the fourth-edition character classes";
const std::set<std::string> kNameErrors = {"EK_INVALID_ELEMENT_NAME", "EK_INVALID_ATTRIBUTE_NAME",
                                           "EK_INVALID_PROCESSING_INSTRUCTION", "EK_INVALID_ENTITY_NAME",
                                           "EK_INVALID_DOCTYPE_NAME", "EK_TAG_NAME_EXPECTED"};

}  // namespace

int main(int argc, char** argv) {
  bool printDeviations = false, printCanonicalDiffs = false;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--deviations") {
      printDeviations = true;
    } else if (option == "--canonical-diffs") {
      printCanonicalDiffs = true;
    } else {
      std::printf("conformance: unknown option %s\n", option.c_str());
      return 2;
    }
  }
  const fs::path zip = EARMARK_SUITE_ZIP;
  const fs::path suite = EARMARK_SUITE_DIR;
  if (!fs::exists(zip)) {
    std::printf("conformance: skipped: the suite archive %s is not there\n", zip.string().c_str());
    return 77;
  }
  const fs::path driver = suite / "xmlconf" / "xmlconf.xml";
  if (!fs::exists(driver)) {
    fs::create_directories(suite);
    const std::string command = std::string("\"") + EARMARK_CMAKE_COMMAND + "\" -E chdir \"" + suite.string() +
                                "\" \"" + EARMARK_CMAKE_COMMAND + "\" -E tar xf \"" + zip.string() + "\"";
    if (std::system(command.c_str()) != 0 || !fs::exists(driver)) {
      std::printf("conformance: could not unpack %s into %s\n", zip.string().c_str(), suite.string().c_str());
      return 1;
    }
  }

  const std::map<std::string, std::string> listed = ReadList(EARMARK_DEVIATIONS);
  const std::map<std::string, std::string> listedCanonical = ReadList(EARMARK_CANONICAL_DIFFERENCES);

  static const std::regex entity(R"re(<!ENTITY\s+(\S+)\s+SYSTEM\s+"([^"]+)")re");
  const std::string driverText = WithoutComments(Slurp(driver));
  std::vector<std::pair<std::string, fs::path>> catalogues;
  for (auto e = std::sregex_iterator(driverText.begin(), driverText.end(), entity); e != std::sregex_iterator(); ++e)
    if (!kLeftOut.count((*e)[1])) catalogues.emplace_back((*e)[1], driver.parent_path() / (*e)[2].str());

  std::vector<std::string> failures;
  std::set<std::string> seen;
  TCounts all;
  std::vector<std::pair<std::string, TCounts>> fifth;
  TCanonicalCounts allCanonical;
  std::vector<std::pair<std::string, TCanonicalCounts>> canonical;
  std::set<std::string> canonicalCompared;
  std::vector<std::string> canonicalDiffs;
  // Every document also goes through both paths of the front end, which must agree.
  int direct = 0, compared = 0;
  std::printf("%-22s %7s %7s %7s\n", "catalogue", "passed", "listed", "total");
  std::vector<std::pair<std::string, TCounts>> fifthExternal;
  std::vector<std::string> externalAcceptedNotWf;
  TCounts allExternal;
  std::map<std::string, int> refusedWellFormed;  // well-formed documents of the fifth edition refused, by reason
  for (const auto& [name, path] : catalogues) {
    TCounts counts, externalCounts;
    TCanonicalCounts canonicalCounts;
    for (const TSuiteTest& test : ReadCatalogue(path)) {
      if (!IsXml10(test)) continue;
      const fs::path file = path.parent_path() / test.Uri;
      const TOutcome outcome = Parse(file, false);
      const TOutcome withExternal = Parse(file, true);
      const std::string key = name + " " + test.Id;
      const std::string externalKey = name + "+external " + test.Id;
      {
        const std::string bytes = Slurp(file);
        const TParseDescription fast = DescribeParse(bytes, false);
        const TParseDescription ordinary = DescribeParse(bytes, true);
        ++compared;
        if (fast.Direct) ++direct;
        if (fast.Text != ordinary.Text)
          failures.push_back(key + ": the direct path differs:\n" + fast.Text + "--- ordinary path:\n" + ordinary.Text);
      }
      seen.insert(key);
      seen.insert(externalKey);
      if (withExternal.Crashed) failures.push_back(key + ": crashed with external reading: " + withExternal.Exception);
      if (test.Type != "error" && InFifthEdition(test) && !withExternal.Crashed) {
        if (test.Type != "not-wf") {
          ++externalCounts.WellFormed;
          if (withExternal.Parsed) ++externalCounts.WellFormedAccepted;
        } else {
          ++externalCounts.NotWf;
          if (!withExternal.Parsed) ++externalCounts.NotWfRejected;
          else externalAcceptedNotWf.push_back(name + "/" + test.Id);
        }
      }
      if (test.Type != "not-wf" && test.Type != "error" && outcome.Parsed && !withExternal.Parsed) {
        const std::string got = "failed (" + withExternal.FirstError + "; " + withExternal.Exception + ")";
        if (!listed.count(externalKey))
          failures.push_back(key + " [" + test.Type + "] accepted without external reading, with it " + got);
        if (printDeviations)
          std::fprintf(stderr, "%s\t%s\t%s\t%s\t%s\n", externalKey.c_str(), test.Type.c_str(),
                       file.string().c_str(), test.Edition.c_str(), got.c_str());
      } else if (listed.count(externalKey)) {
        std::printf("note: %s is listed as a deviation but now conforms\n", externalKey.c_str());
      }
      if (!test.Output.empty()) {
        TCanonicalCounts& c = canonicalCounts;
        ++c.WithOutput;
        const std::string expected = Slurp(path.parent_path() / test.Output);
        const TCanonicalFormOfFile form = CanonicalFormOf(expected);
        const bool needsExternal = !test.Entities.empty() && test.Entities != "none";
        std::string crash;
        std::optional<std::string> written;
        if (withExternal.Parsed && form != TCanonicalFormOfFile::Other)
          written = CanonicalOf(file, form == TCanonicalFormOfFile::First ? TCanonicalForm::First
                                                                          : TCanonicalForm::Second, crash);
        if (!crash.empty()) failures.push_back(key + ": crashed while written in canonical form: " + crash);
        if (needsExternal) {
          ++c.NeedsExternal;
          if (written && *written == expected) ++c.NeedsExternalEqual;
        }
        if (form == TCanonicalFormOfFile::Other) {
          ++c.OtherForm;
          if (printCanonicalDiffs) canonicalDiffs.push_back(key + ": the output file is in another form");
        } else if (!written) {
          ++c.NotParsed;
          if (printCanonicalDiffs) canonicalDiffs.push_back(key + ": not parsed (" + withExternal.FirstError + ")");
        } else {
          ++c.Compared;
          canonicalCompared.insert(key);
          const auto reason = listedCanonical.find(key);
          if (*written == expected) {
            ++c.Equal;
            if (reason != listedCanonical.end())
              std::printf("note: %s is listed as a canonical difference but is now equal\n", key.c_str());
          } else {
            ++c.Different;
            const std::string where = FirstDifference(expected, *written);
            if (reason != listedCanonical.end()) {
              ++c.Listed;
              if (printCanonicalDiffs) canonicalDiffs.push_back(key + ": " + where + " [" + reason->second + "]");
            } else {
              failures.push_back(key + ": canonical output differs at " + where);
              if (printCanonicalDiffs) canonicalDiffs.push_back(key + ": " + where + " [not listed]");
            }
          }
        }
      }
      if (test.Type == "error") {
        ++counts.ErrorTests;
        if (outcome.Parsed) ++counts.ErrorTestsParsed;
        if (!outcome.Crashed) continue;
      }
      ++counts.Total;
      const bool wanted = test.Type != "not-wf";
      if (InFifthEdition(test) && !outcome.Crashed) {
        if (wanted) {
          ++counts.WellFormed;
          if (outcome.Parsed) ++counts.WellFormedAccepted;
        } else {
          ++counts.NotWf;
          if (!outcome.Parsed) ++counts.NotWfRejected;
        }
      }
      const std::string got = outcome.Parsed ? "parsed" : "failed (" + outcome.FirstError + "; " + outcome.Exception + ")";
      if (outcome.Crashed) {
        failures.push_back(key + ": crashed: " + outcome.Exception);
        ++counts.Failures;
      } else if (outcome.Parsed == wanted) {
        ++counts.Passed;
        if (listed.count(key)) std::printf("note: %s is listed as a deviation but now conforms\n", key.c_str());
      } else if (const auto reason = listed.find(key); reason != listed.end()) {
        ++counts.Listed;
        if (wanted && InFifthEdition(test)) ++refusedWellFormed[reason->second];
        if (reason->second == kFourthEditionNames && !kNameErrors.count(outcome.FirstError))
          failures.push_back(key + " is listed as refused for its names but was " + got);
      } else {
        failures.push_back(key + " [" + test.Type + "] " + got);
        ++counts.Failures;
      }
      if (printDeviations && outcome.Parsed != wanted)
        std::fprintf(stderr, "%s\t%s\t%s\t%s\t%s\n", key.c_str(), test.Type.c_str(), file.string().c_str(),
                     test.Edition.c_str(), got.c_str());
    }
    std::printf("%-22s %7d %7d %7d   (error tests: %d, of them parsed: %d)\n", name.c_str(), counts.Passed,
                counts.Listed, counts.Total, counts.ErrorTests, counts.ErrorTestsParsed);
    all.Passed += counts.Passed;
    all.Listed += counts.Listed;
    all.Total += counts.Total;
    all.Failures += counts.Failures;
    all.NotWf += counts.NotWf;
    all.NotWfRejected += counts.NotWfRejected;
    all.WellFormed += counts.WellFormed;
    all.WellFormedAccepted += counts.WellFormedAccepted;
    fifth.emplace_back(name, counts);
    fifthExternal.emplace_back(name, externalCounts);
    allExternal.NotWf += externalCounts.NotWf;
    allExternal.NotWfRejected += externalCounts.NotWfRejected;
    allExternal.WellFormed += externalCounts.WellFormed;
    allExternal.WellFormedAccepted += externalCounts.WellFormedAccepted;
    allCanonical.Add(canonicalCounts);
    if (canonicalCounts.WithOutput > 0) canonical.emplace_back(name, canonicalCounts);
  }
  std::printf("%-22s %7d %7d %7d\n", "all", all.Passed, all.Listed, all.Total);
  fifth.emplace_back("all", all);
  std::printf("fifth edition          not-wf rejected   well-formed accepted\n");
  for (const auto& [name, counts] : fifth)
    std::printf("%-22s %7d of %4d   %7d of %4d\n", name.c_str(), counts.NotWfRejected, counts.NotWf,
                counts.WellFormedAccepted, counts.WellFormed);
  std::printf("well-formed documents of the fifth edition refused, by listed reason:\n");
  for (const auto& [reason, count] : refusedWellFormed) std::printf("  %4d  %s\n", count, reason.c_str());
  fifthExternal.emplace_back("all", allExternal);
  std::printf("fifth edition, external  not-wf rejected   well-formed accepted   (external entities read)\n");
  for (const auto& [name, counts] : fifthExternal)
    std::printf("%-22s %7d of %4d   %7d of %4d\n", name.c_str(), counts.NotWfRejected, counts.NotWf,
                counts.WellFormedAccepted, counts.WellFormed);
  std::printf("not-wf documents of the fifth edition accepted with external reading:");
  for (const std::string& key : externalAcceptedNotWf) std::printf(" %s", key.c_str());
  std::printf("\n");
  std::printf("direct path: took %d of %d documents; every outcome compared with the ordinary path\n", direct,
              compared);
  canonical.emplace_back("all", allCanonical);
  std::printf("canonical output      output  ext.ent.  other  compared  equal  differ  listed  not parsed\n");
  for (const auto& [name, c] : canonical)
    std::printf("%-22s %6d %6d    %5d  %8d  %5d  %6d  %6d  %10d\n", name.c_str(), c.WithOutput, c.NeedsExternal,
                c.OtherForm, c.Compared, c.Equal, c.Different, c.Listed, c.NotParsed);
  {
    const TCanonicalCounts& c = allCanonical;
    const int counted = c.WithOutput;
    std::printf("canonical output equal for %d of %d XML 1.0 tests with an output file (%.1f%%), external "
                "entities read\n",
                c.Equal, counted, counted > 0 ? 100.0 * c.Equal / counted : 0.0);
    std::printf("  of them %d tests whose catalogue entry names external entities (equal: %d)\n", c.NeedsExternal,
                c.NeedsExternalEqual);
    std::printf("  other: output file in a form not written here, counted as not equal; listed: differences "
                "with a known reason in expected-canonical-differences.txt\n");
  }
  for (const std::string& diff : canonicalDiffs) std::printf("canonical difference: %s\n", diff.c_str());
  for (const auto& [key, reason] : listedCanonical)
    if (!canonicalCompared.count(key))
      std::printf("note: listed canonical difference %s names no compared test\n", key.c_str());
  for (const auto& [key, reason] : listed)
    if (!seen.count(key)) std::printf("note: listed deviation %s names no test\n", key.c_str());
  for (const std::string& failure : failures) std::printf("UNEXPECTED: %s\n", failure.c_str());
  if (all.Total == 0) {
    std::printf("conformance: no test was run\n");
    return 1;
  }
  return failures.empty() ? 0 : 1;
}
