// The parser front end's two paths on the same bytes: the direct one must give exactly what the
// ordinary one gives (result, reports, tree) or leave the document to it. The first byte picks
// the keep options and how many bytes each read of the stream gives (all, or 1 to 7); a
// difference is a finding.
#include "../tests/xml/ParseDifferential.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const TParseOptions options{(data[0] & 1) != 0, (data[0] & 2) != 0, (data[0] & 4) != 0, (data[0] >> 3) & 7};
  const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  const TParseDescription direct = DescribeParse(bytes, false, options);
  const TParseDescription ordinary = DescribeParse(bytes, true, options);
  if (direct.Text != ordinary.Text) {
    std::fprintf(stderr, "the direct path differs:\n%s--- ordinary path:\n%s", direct.Text.c_str(),
                 ordinary.Text.c_str());
    std::abort();
  }
  return 0;
}
