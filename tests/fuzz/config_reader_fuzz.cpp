// Arbitrary bytes through the configuration reader. Whatever the input, the reader must not
// crash, and what it stored must survive the writer's format: writing the record, reading that
// text back into a fresh record and writing again gives the same text.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "settings/config_file.h"
#include "settings/game_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    return 0;
  }
  Settings first;
  if (!ReadConfigurationFromBytes(reinterpret_cast<const char*>(data),
                                  static_cast<std::int32_t>(size), first)) {
    return 0;
  }
  const std::string once = FormatConfiguration(first);
  Settings second;
  if (!ReadConfigurationFromBytes(once.data(), static_cast<std::int32_t>(once.size()), second)) {
    return 0;
  }
  const std::string twice = FormatConfiguration(second);
  if (once != twice) {
    std::fprintf(stderr, "written text changed on the second pass\n--- first\n%s--- second\n%s",
                 once.c_str(), twice.c_str());
    std::abort();
  }
  return 0;
}
