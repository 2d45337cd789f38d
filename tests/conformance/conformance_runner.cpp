// Runs every XML 1.0 test of the conformance suite through ParseFile and compares the outcome
// with the test's type: "valid" and "invalid" documents must parse, "not-wf" documents must
// fail, "error" documents are only reported. Outcomes that follow from this parser's own
// rules stand in expected-deviations.txt with their reason; any other difference, and any
// exception outside the program's own hierarchy, fails the run.
//
//   conformance_runner                 run and compare with the list
//   conformance_runner --deviations    also print every deviation (key, type, file, edition,
//                                      outcome) on the error stream, for tools/conformance_deviations.py
#include "dom/DomImplementation.h"
#include "xml/ParseDifferential.h"
#include "platform/Exceptions.h"
#include "xml/DomError.h"
#include "xml/ResourceResolver.h"
#include "xml/XmlToDomParser.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
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
  std::string Id, Type, Uri, Recommendation, Version, Edition;
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
    }
    tests.push_back(test);
  }
  return tests;
}

bool IsXml10(const TSuiteTest& test) {
  return test.Recommendation.rfind("XML1.1", 0) != 0 && test.Recommendation.rfind("NS1.1", 0) != 0 &&
         test.Version != "1.1";
}

TOutcome Parse(const fs::path& file) {
  TOutcome outcome;
  TStandardResourceResolver resolver;
  TDomImplementation implementation;
  implementation.SetResourceResolver(&resolver);
  implementation.OnError = [&outcome](TPersistent*, TDomError* error, bool&) {
    if (outcome.FirstError.empty()) outcome.FirstError = ErrorKindName(error->Kind);
  };
  TXmlToDomParser parser;
  parser.SetDOMImpl(&implementation);
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

struct TCounts {
  int Passed = 0, Listed = 0, Total = 0, Failures = 0, ErrorTests = 0, ErrorTestsParsed = 0;
  // Tests of the fifth edition (those without an edition, or naming 5 among theirs): not-wf
  // documents rejected, and well-formed (valid or invalid) documents accepted.
  int NotWf = 0, NotWfRejected = 0, WellFormed = 0, WellFormedAccepted = 0;
};

bool InFifthEdition(const TSuiteTest& test) {
  return test.Edition.empty() || test.Edition.find('5') != std::string::npos;
}

}  // namespace

int main(int argc, char** argv) {
  const bool printDeviations = argc > 1 && std::string(argv[1]) == "--deviations";
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

  // The list of expected deviations: "catalogue ID reason", one a line; '#' starts a comment.
  std::map<std::string, std::string> listed;
  {
    std::istringstream lines(Slurp(EARMARK_DEVIATIONS));
    for (std::string line; std::getline(lines, line);) {
      std::istringstream fields(line);
      std::string catalogue, id, reason;
      if (!(fields >> catalogue >> id) || catalogue[0] == '#') continue;
      std::getline(fields >> std::ws, reason);
      listed[catalogue + " " + id] = reason;
    }
  }

  static const std::regex entity(R"re(<!ENTITY\s+(\S+)\s+SYSTEM\s+"([^"]+)")re");
  const std::string driverText = WithoutComments(Slurp(driver));
  std::vector<std::pair<std::string, fs::path>> catalogues;
  for (auto e = std::sregex_iterator(driverText.begin(), driverText.end(), entity); e != std::sregex_iterator(); ++e)
    if (!kLeftOut.count((*e)[1])) catalogues.emplace_back((*e)[1], driver.parent_path() / (*e)[2].str());

  std::vector<std::string> failures;
  std::set<std::string> seen;
  TCounts all;
  std::vector<std::pair<std::string, TCounts>> fifth;
  // Every document also goes through both paths of the front end, which must agree.
  int direct = 0, compared = 0;
  std::printf("%-22s %7s %7s %7s\n", "catalogue", "passed", "listed", "total");
  for (const auto& [name, path] : catalogues) {
    TCounts counts;
    for (const TSuiteTest& test : ReadCatalogue(path)) {
      if (!IsXml10(test)) continue;
      const fs::path file = path.parent_path() / test.Uri;
      const TOutcome outcome = Parse(file);
      const std::string key = name + " " + test.Id;
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
      } else if (listed.count(key)) {
        ++counts.Listed;
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
  }
  std::printf("%-22s %7d %7d %7d\n", "all", all.Passed, all.Listed, all.Total);
  fifth.emplace_back("all", all);
  std::printf("fifth edition          not-wf rejected   well-formed accepted\n");
  for (const auto& [name, counts] : fifth)
    std::printf("%-22s %7d of %4d   %7d of %4d\n", name.c_str(), counts.NotWfRejected, counts.NotWf,
                counts.WellFormedAccepted, counts.WellFormed);
  std::printf("direct path: took %d of %d documents; every outcome compared with the ordinary path\n", direct,
              compared);
  for (const auto& [key, reason] : listed)
    if (!seen.count(key)) std::printf("note: listed deviation %s names no test\n", key.c_str());
  for (const std::string& failure : failures) std::printf("UNEXPECTED: %s\n", failure.c_str());
  if (all.Total == 0) {
    std::printf("conformance: no test was run\n");
    return 1;
  }
  return failures.empty() ? 0 : 1;
}
