// The entry point of a fuzz target outside libFuzzer: the main and sanitizer
// builds of the tests run each target that has regression inputs over them.
//
//   <reader>_replay <file or folder>...
//
// Every file named, and every file of a named folder in the order of its
// names, goes once through LLVMFuzzerTestOneInput (after the target's
// LLVMFuzzerInitialize, when it has one). A check that fails aborts, as under
// libFuzzer; the status is 0 when every input ran, 1 when an input cannot be
// read.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

std::vector<std::filesystem::path> Inputs(int argc, char** argv) {
  std::vector<std::filesystem::path> inputs;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path named(argv[i]);
    std::error_code error;
    if (!std::filesystem::is_directory(named, error)) {
      inputs.push_back(named);
      continue;
    }
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(named, error)) {
      if (entry.is_regular_file(error)) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    inputs.insert(inputs.end(), files.begin(), files.end());
  }
  return inputs;
}

}  // namespace

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
  int ran = 0;
  for (const std::filesystem::path& input : Inputs(argc, argv)) {
    std::ifstream in(input, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "cannot read %s\n", input.c_str());
      return 1;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::printf("%s\n", input.c_str());
    std::fflush(stdout);
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    ++ran;
  }
  std::printf("%d inputs ran\n", ran);
  return 0;
}
