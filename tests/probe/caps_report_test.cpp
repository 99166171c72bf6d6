#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "probe/caps_report.h"
#include "tests/probe/fake_hardware.h"
#include "tests/probe/probe_checks.h"

namespace {

namespace fs = std::filesystem;

// A file in a directory of its own, removed with it.
class TempFile {
public:
  TempFile() {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    dir_ = fs::temp_directory_path() / ("zurvo-capsreport-" + std::to_string(stamp));
    fs::create_directories(dir_);
  }
  ~TempFile() {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  std::string path() const { return (dir_ / "report.txt").string(); }

private:
  fs::path dir_;
};

std::string Report(const ProbeOutcome& outcome, bool& written,
                   const std::vector<std::string>& notes = {}) {
  TempFile file;
  std::FILE* out = std::fopen(file.path().c_str(), "wb");
  if (out == nullptr) {
    ADD_FAILURE() << "cannot create " << file.path();
    return {};
  }
  written = WriteCapsReport(outcome, notes, out);
  std::fclose(out);
  std::string text;
  if (std::FILE* in = std::fopen(file.path().c_str(), "rb")) {
    char buffer[512];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0) {
      text.append(buffer, got);
    }
    std::fclose(in);
  }
  return text;
}

ProbeOutcome Probe(void (*edit)(HardwareScript&)) {
  HardwareScript script;
  script.modes[kFormatR5G6B5] = {{1024, 768}};
  script.modes[kFormatX8R8G8B8] = {{800, 600}, {1280, 1024}};
  script.acceptedFormats = {kFormatR5G6B5, kFormatX8R8G8B8};
  edit(script);
  FakeHardware hardware(script);
  return RunProbe(hardware);
}

TEST(CapsReportTest, ShowsEveryFactOneALine) {
  bool written = false;
  const std::string text = Report(Probe([](HardwareScript& s) { s.qualityLevels = 2; }), written);
  EXPECT_TRUE(written);
  EXPECT_EQ(
      "Direct3D 9: present\n"
      "16-bit format: R5G6B5 (23)\n"
      "32-bit format: X8R8G8B8 (22)\n"
      "Pixel shader: 3.0 (0xFFFF0300)\n"
      "fsaaAvailable: yes\n"
      "aaLevelCount: 2\n"
      "bloomAvailable: yes\n"
      "dxt5Available: yes\n"
      "DirectInput 8: present\n"
      "joystickAvailable: no\n"
      "Settings switched off: Joystick\n"
      "Display modes: 3\n"
      "1024x768x16\n"
      "800x600x32\n"
      "1280x1024x32\n",
      text);

  // A count the launcher does not take as it came shows the driver's own.
  const struct {
    void (*edit)(HardwareScript&);
    const char* line;
  } bounded[] = {{[](HardwareScript& s) { s.qualityLevels = 0xFFFFFFFFU; },
                  "\naaLevelCount: 16 (the driver reports 4294967295)\n"},
                 {[](HardwareScript& s) { s.qualityLevels = 0; },
                  "\naaLevelCount: 1 (the driver reports 0)\n"}};
  for (const auto& row : bounded) {
    const std::string report = Report(Probe(row.edit), written);
    EXPECT_NE(std::string::npos, report.find(row.line)) << report;
  }
}

// The Wine check reads capsreport's output with this parser, so it must give back exactly what
// was written, failures included.
TEST(CapsReportTest, ParsesBackToTheSameOutcome) {
  using O = ProbeOutcome;
  const struct {
    void (*edit)(HardwareScript&);
    void (*lose)(ProbeOutcome&);  // answers that never came
  } rows[] = {
      {[](HardwareScript&) {}, [](O&) {}},
      {[](HardwareScript& s) { s.direct3D = false; }, [](O&) {}},
      {[](HardwareScript& s) { s.deviceCaps = false; }, [](O&) {}},
      {[](HardwareScript& s) { s.qualityLevels = 0xFFFFFFFFU; }, [](O&) {}},
      {[](HardwareScript& s) { s.qualityLevels = 0; }, [](O&) {}},
      {[](HardwareScript& s) {
         s.acceptedFormats = {};
         s.directInput = false;
         s.pixelShaderVersion = 0xFFFF0104U;
       },
       [](O&) {}},
      {[](HardwareScript&) {},
       [](O& o) {
         MarkUnanswered(ProbeAnswer::kGraphics, o);
         MarkUnanswered(ProbeAnswer::kModes, o);
       }},
      {[](HardwareScript&) {}, [](O& o) { MarkUnanswered(ProbeAnswer::kModes, o); }},
      {[](HardwareScript&) {}, [](O& o) { MarkUnanswered(ProbeAnswer::kInput, o); }},
  };
  const std::vector<std::string> notes = {
      "Hardware probe - Direct3D 9 crashed in Direct3DCreate9 (exit code 0xC0000005); graphics "
      "capabilities and display modes unknown",
      "Hardware probe - 3 display modes larger than 16384x16384 dropped"};
  for (const auto& row : rows) {
    ProbeOutcome outcome = Probe(row.edit);
    row.lose(outcome);
    bool written = false;
    const std::string text = Report(outcome, written, notes);
    ProbeOutcome parsed;
    std::string error;
    std::vector<std::string> parsedNotes;
    ASSERT_TRUE(ParseCapsReport(text, parsed, error, &parsedNotes)) << error << "\n" << text;
    EXPECT_EQ("", OutcomeDifferences(outcome, parsed)) << text;
    EXPECT_EQ(notes, parsedNotes);
  }
}

TEST(CapsReportTest, ParserRejectsDamagedReports) {
  bool written = false;
  const std::string text = Report(Probe([](HardwareScript&) {}), written);
  const struct {
    const char* from;
    const char* to;
  } damages[] = {{"Display modes: 3", "Display modes: 4"},
                 {"fsaaAvailable: yes", "fsaaAvailable: maybe"},
                 {"(23)", "(21)"},
                 {"1280x1024x32", "1280x1024"},
                 {"dxt5Available: yes\n", ""}};
  for (const auto& damage : damages) {
    std::string damaged = text;
    const std::size_t at = damaged.find(damage.from);
    ASSERT_NE(std::string::npos, at) << damage.from;
    damaged.replace(at, std::string(damage.from).size(), damage.to);
    ProbeOutcome parsed;
    std::string error;
    EXPECT_FALSE(ParseCapsReport(damaged, parsed, error)) << damaged;
  }
}

TEST(CapsReportTest, ReportsAFailedWrite) {
  TempFile file;
  std::FILE* create = std::fopen(file.path().c_str(), "w");
  ASSERT_NE(nullptr, create);
  std::fclose(create);
  std::FILE* readOnly = std::fopen(file.path().c_str(), "r");
  ASSERT_NE(nullptr, readOnly);
  EXPECT_FALSE(WriteCapsReport(ProbeOutcome{}, {}, readOnly));
  std::fclose(readOnly);
}

}  // namespace

namespace {

// Only a console window of its own that the player sees makes capsreport.exe wait for Enter.
TEST(CapsReportTest, WaitsForEnterOnlyInAVisibleConsoleOfItsOwn) {
  const struct {
    const char* start;
    ReportConsole console;
    bool waits;
  } rows[] = {
      {"double-clicked", {true, 1, true, true, false}, true},
      {"from a prompt", {true, 2, true, true, false}, false},
      {"into a pipe or a file", {false, 1, true, true, false}, false},
      {"SW_HIDE, window not yet hidden", {true, 1, true, true, true}, false},
      {"hidden window", {true, 1, true, false, false}, false},
      {"CREATE_NO_WINDOW", {true, 1, false, false, false}, false},
      {"no console at all", {false, 0, false, false, false}, false},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.waits, WaitsForEnter(row.console)) << row.start;
  }
}

}  // namespace
