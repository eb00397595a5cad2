// fuzz_make_seeds <folder>: writes every registered seed set into
// <folder>/<reader>/.
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>

#include "fuzz/seeds.h"

namespace kestrune::fuzz {

static std::map<std::string, SeedWriter>& Registry() {
  static std::map<std::string, SeedWriter> registry;
  return registry;
}

SeedRegistration::SeedRegistration(const char* reader, SeedWriter writer) { Registry()[reader] = writer; }

void WriteSeed(const std::string& folder, const std::string& name, const std::string& bytes) {
  std::ofstream out(folder + name, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace kestrune::fuzz

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: fuzz_make_seeds <folder>\n");
    return 2;
  }
  std::string root = argv[1];
  ::mkdir(root.c_str(), 0777);
  for (auto& [reader, writer] : kestrune::fuzz::Registry()) {
    std::string folder = root + "/" + reader + "/";
    ::mkdir(folder.c_str(), 0777);
    writer(folder);
    std::printf("seeds: %s\n", reader.c_str());
  }
  return 0;
}
