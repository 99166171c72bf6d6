// Throughput of the configuration reader's path (ScriptReader alone and with Tokenizer) over a
// generated 32 MiB engine text, side by side with inih and a plain getline + istringstream
// loop over the same content, and three inputs that would expose quadratic behaviour.
//
//   cmake --preset bench && cmake --build build/bench --target engine_bench
//   build/bench/bench/engine_bench

#include <benchmark/benchmark.h>
#include <ini.h>

#include <cstdint>
#include <random>
#include <sstream>
#include <string>

#include "engine/script_reader.h"
#include "engine/tokenizer.h"

namespace {

constexpr std::size_t kTextSize = 32u << 20;

struct GeneratedText {
  std::string engine;  // "Key value", "//" and "/* */" comments, as the game's files are written
  std::string ini;     // the same lines in inih's syntax: "Key=value", ";" comments
  std::int64_t lines = 0;
};

// A deterministic mix of what engine text files hold: plain and quoted values, sections, line
// and block comments and blank lines, with Windows line ends.
GeneratedText Generate(std::size_t size, bool blockComments) {
  static const char* const kKeys[] = {
      "ScreenWidth", "ScreenHeight", "FullScreen",     "MusicVolume",    "SoundVolume",
      "Bloom",       "Antialiasing", "TextureQuality", "SimpleControls", "NoVE"};
  static const char* const kValues[] = {"1024", "768", "1", "0", "0.50", "44100", "16", "3"};
  static const char* const kWords[] = {"engine", "weapon", "cargo",  "shield", "sector",
                                       "pilot",  "orbit",  "hangar", "beacon", "drive"};
  std::mt19937 random(20240611u);
  auto pick = [&random](auto& table) { return table[random() % (sizeof table / sizeof table[0])]; };
  auto words = [&](int count) {
    std::string text = pick(kWords);
    for (int i = 1; i < count; ++i) {
      text += ' ';
      text += pick(kWords);
    }
    return text;
  };

  GeneratedText out;
  out.engine.reserve(size + 256);
  out.ini.reserve(size + 256);
  auto line = [&out](const std::string& engine, const std::string& ini) {
    out.engine += engine;
    out.engine += "\r\n";
    out.ini += ini;
    out.ini += "\r\n";
    ++out.lines;
  };
  int section = 0;
  while (out.engine.size() < size) {
    const unsigned kind = random() % 100;
    if (kind < 5) {
      const std::string name = "[Section" + std::to_string(section++) + "]";
      line(name, name);
    } else if (kind < 55) {
      const std::string key = pick(kKeys);
      const std::string value = pick(kValues);
      line(key + " " + value, key + "=" + value);
    } else if (kind < 65) {
      const std::string key = pick(kKeys);
      const std::string value = "\"" + words(3) + "\"";
      line(key + " " + value, key + "=" + value);
    } else if (kind < 75) {
      const std::string text = words(6);
      line("// " + text, "; " + text);
    } else if (kind < 80 && blockComments) {
      line("/* " + words(4), "; " + words(4));
      line("   " + words(5), "; " + words(5));
      line(words(2) + " */", "; " + words(2));
    } else if (kind < 90) {
      line("", "");
    } else {
      line("  MusicVolume 0.75  ", "  MusicVolume=0.75  ");
    }
  }
  return out;
}

const GeneratedText& Text() {
  static const GeneratedText text = Generate(kTextSize, true);
  return text;
}

void SetRates(benchmark::State& state, std::size_t bytes, std::int64_t lines) {
  state.counters["MB/s"] = benchmark::Counter(static_cast<double>(bytes) / 1e6,
                                              benchmark::Counter::kIsIterationInvariantRate);
  state.counters["lines/s"] =
      benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsIterationInvariantRate);
}

std::int64_t ReadLines(const std::string& text) {
  ScriptReader reader(text.data(), static_cast<std::int32_t>(text.size()));
  std::string line;
  std::int64_t count = 0;
  while (reader.ReadLine(line)) {
    ++count;
  }
  return count;
}

// What the configuration reader does with every line: split it at " " with quotes on and take
// the first two tokens.
std::int64_t ReadAndSplit(const std::string& text) {
  ScriptReader reader(text.data(), static_cast<std::int32_t>(text.size()));
  std::string line;
  std::string key;
  std::string value;
  std::int64_t pairs = 0;
  while (reader.ReadLine(line)) {
    Tokenizer tokenizer(line, std::string(" "), true);
    if (tokenizer.NextToken(key) && tokenizer.NextToken(value)) {
      pairs += static_cast<std::int64_t>(key.size() + value.size() > 0);
    }
  }
  return pairs;
}

void BM_ScriptReader(benchmark::State& state) {
  const GeneratedText& text = Text();
  for (auto _ : state) {
    benchmark::DoNotOptimize(ReadLines(text.engine));
  }
  SetRates(state, text.engine.size(), text.lines);
}
BENCHMARK(BM_ScriptReader)->Unit(benchmark::kMillisecond);

void BM_ScriptReaderAndTokenizer(benchmark::State& state) {
  const GeneratedText& text = Text();
  for (auto _ : state) {
    benchmark::DoNotOptimize(ReadAndSplit(text.engine));
  }
  SetRates(state, text.engine.size(), text.lines);
}
BENCHMARK(BM_ScriptReaderAndTokenizer)->Unit(benchmark::kMillisecond);

int CountPair(void* user, const char* /*section*/, const char* name, const char* value) {
  *static_cast<std::int64_t*>(user) +=
      static_cast<std::int64_t>(name[0] != '\0' || value[0] != '\0');
  return 1;
}

void BM_Inih(benchmark::State& state) {
  const GeneratedText& text = Text();
  for (auto _ : state) {
    std::int64_t pairs = 0;
    ini_parse_string(text.ini.c_str(), CountPair, &pairs);
    benchmark::DoNotOptimize(pairs);
  }
  SetRates(state, text.ini.size(), text.lines);
}
BENCHMARK(BM_Inih)->Unit(benchmark::kMillisecond);

// The obvious standard-library loop: no comments, sections or quotes, just lines and words.
void BM_GetlineIstringstream(benchmark::State& state) {
  const GeneratedText& text = Text();
  for (auto _ : state) {
    std::istringstream in(text.engine);
    std::string line;
    std::string key;
    std::string value;
    std::int64_t pairs = 0;
    while (std::getline(in, line)) {
      std::istringstream words(line);
      if (words >> key >> value) {
        ++pairs;
      }
    }
    benchmark::DoNotOptimize(pairs);
  }
  SetRates(state, text.engine.size(), text.lines);
}
BENCHMARK(BM_GetlineIstringstream)->Unit(benchmark::kMillisecond);

// Inputs that would be quadratic in a reader that rescans or copies per byte. Each runs at
// three sizes; the fitted complexity and its RMS show whether time grows linearly.

std::string SingleLine(std::size_t size) {
  std::string text;
  text.reserve(size);
  const std::string chunk = "word \"quoted run\" ";
  while (text.size() + chunk.size() <= size) {
    text += chunk;
  }
  text.resize(size, 'x');
  return text;
}

void BM_Linear_SingleLine(benchmark::State& state) {
  const std::string text = SingleLine(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    ScriptReader reader(text.data(), static_cast<std::int32_t>(text.size()));
    std::string line;
    std::string token;
    std::int64_t tokens = 0;
    while (reader.ReadLine(line)) {
      Tokenizer tokenizer(line, " ", true);
      while (tokenizer.NextToken(token)) {
        ++tokens;
      }
    }
    benchmark::DoNotOptimize(tokens);
  }
  state.SetComplexityN(state.range(0));
  SetRates(state, text.size(), 1);
}
BENCHMARK(BM_Linear_SingleLine)
    ->RangeMultiplier(2)
    ->Range(8 << 20, 32 << 20)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

void BM_Linear_BlankLines(benchmark::State& state) {
  const auto count = static_cast<std::size_t>(state.range(0));
  const std::string text(count, '\n');
  for (auto _ : state) {
    benchmark::DoNotOptimize(ReadLines(text));
  }
  state.SetComplexityN(state.range(0));
  SetRates(state, text.size(), static_cast<std::int64_t>(count));
}
BENCHMARK(BM_Linear_BlankLines)
    ->RangeMultiplier(2)
    ->Range(1 << 18, 1 << 20)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

void BM_Linear_UnterminatedBlockComment(benchmark::State& state) {
  const GeneratedText body = Generate(static_cast<std::size_t>(state.range(0)), false);
  const std::string text = "/*\r\n" + body.engine;
  for (auto _ : state) {
    benchmark::DoNotOptimize(ReadLines(text));
  }
  state.SetComplexityN(state.range(0));
  SetRates(state, text.size(), body.lines + 1);
}
BENCHMARK(BM_Linear_UnterminatedBlockComment)
    ->RangeMultiplier(2)
    ->Range(8 << 20, 32 << 20)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
