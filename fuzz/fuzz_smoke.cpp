// Runs every fuzz target over the files of its seed corpus directory
// (corpus/<target>/) and over mutations made from them with a fixed seed:
// every truncation of short seeds, single bytes changed, blocks repeated and
// random bytes. Built always, so that the sanitizer build runs the targets.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "fuzz/fuzz_targets.h"

namespace {

using qualtren::fuzz::kTargets;

std::vector<std::string> ReadSeeds(const std::filesystem::path& dir) {
  std::vector<std::string> seeds;
  if (!std::filesystem::is_directory(dir)) return seeds;
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    if (entry.is_regular_file()) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  for (const auto& file : files) {
    std::ifstream in(file, std::ios::binary);
    seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return seeds;
}

std::vector<std::string> Mutations(const std::vector<std::string>& seeds, std::mt19937& random) {
  std::vector<std::string> out;
  const char interesting[] = {'\0', '\x01', '\x7f', '\x80', '\xff', '<', '\'', '[', ']', '%'};
  for (const std::string& seed : seeds) {
    // Truncations (all of them for short seeds, a sample otherwise).
    size_t step = seed.size() <= 512 ? 1 : seed.size() / 256;
    for (size_t n = 0; n < seed.size(); n += step)
      out.push_back(seed.substr(0, n));
    for (int k = 0; k < 200 && !seed.empty(); ++k) {
      std::string m = seed;
      switch (random() % 4) {
        case 0:  // one byte changed
          m[random() % m.size()] = static_cast<char>(random());
          break;
        case 1:  // an interesting byte put in
          m[random() % m.size()] = interesting[random() % sizeof interesting];
          break;
        case 2: {  // a block repeated
          size_t at = random() % m.size();
          size_t len = 1 + random() % std::min<size_t>(16, m.size() - at);
          m.insert(at, m.substr(at, len));
          break;
        }
        default:  // a 16- or 32-bit field set to an extreme
          for (int i = 0, at = static_cast<int>(random() % m.size()); i < 4; ++i)
            if (static_cast<size_t>(at + i) < m.size()) m[static_cast<size_t>(at + i)] = '\xff';
      }
      out.push_back(std::move(m));
    }
  }
  for (int k = 0; k < 200; ++k) {
    std::string m(random() % 64, '\0');
    for (char& c : m)
      c = static_cast<char>(random());
    out.push_back(std::move(m));
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_smoke <corpus directory>\n");
    return 2;
  }
  const std::filesystem::path corpus = argv[1];
  std::mt19937 random(12345);
  for (const auto& target : kTargets) {
    std::vector<std::string> seeds = ReadSeeds(corpus / std::string(target.name));
    if (seeds.empty()) {
      std::fprintf(stderr, "%s: no seeds in %s\n", std::string(target.name).c_str(),
                   (corpus / std::string(target.name)).c_str());
      return 1;
    }
    std::vector<std::string> inputs = seeds;
    std::vector<std::string> more = Mutations(seeds, random);
    inputs.insert(inputs.end(), more.begin(), more.end());
    for (const std::string& input : inputs)
      target.run(reinterpret_cast<const uint8_t*>(input.data()), input.size());
    std::printf("%s: %zu inputs\n", std::string(target.name).c_str(), inputs.size());
  }
  return 0;
}
