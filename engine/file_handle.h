#pragma once

#include <cstdio>
#include <memory>

// Owns a C stream: the file is closed on every path out of the scope that opened it.
struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;
