// Runs a fuzz target over files and folders of inputs without the fuzzing
// engine: the regular build and the sanitizer build check in this way that
// every seed and every kept regression input goes through cleanly.
//
//   fuzz_<name>_replay corpus/<name> [more files or folders]
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void RunFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // A heap copy of exactly the input's size, so that the address sanitizer
  // sees a read past its end.
  std::vector<std::uint8_t> input(bytes.begin(), bytes.end());
  LLVMFuzzerTestOneInput(input.empty() ? nullptr : input.data(), input.size());
}

}  // namespace

int main(int argc, char** argv) {
  int files = 0;
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path p(argv[i]);
    if (std::filesystem::is_directory(p)) {
      std::vector<std::filesystem::path> inputs;
      for (const auto& entry : std::filesystem::directory_iterator(p))
        if (entry.is_regular_file()) inputs.push_back(entry.path());
      std::sort(inputs.begin(), inputs.end());
      for (const auto& f : inputs) {
        RunFile(f);
        ++files;
      }
    } else {
      RunFile(p);
      ++files;
    }
  }
  std::printf("%d inputs ran cleanly\n", files);
  return files > 0 ? 0 : 1;
}
