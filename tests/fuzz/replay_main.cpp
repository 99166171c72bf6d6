// Runs the fuzz target over saved inputs without libFuzzer, so the ordinary test run (and the
// sanitizer build) checks every corpus file. Arguments: files or directories of files.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool Replay(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot open %s\n", file.string().c_str());
    return false;
  }
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  int replayed = 0;
  for (int i = 1; i < argc; ++i) {
    std::error_code error;
    const fs::path argument(argv[i]);
    if (fs::is_directory(argument, error)) {
      for (const auto& entry : fs::directory_iterator(argument, error)) {
        if (entry.is_regular_file(error)) {
          if (!Replay(entry.path())) {
            return 1;
          }
          ++replayed;
        }
      }
    } else if (Replay(argument)) {
      ++replayed;
    } else {
      return 1;
    }
  }
  std::printf("replayed %d inputs\n", replayed);
  // An empty corpus would pass without checking anything.
  return replayed > 0 ? 0 : 1;
}
