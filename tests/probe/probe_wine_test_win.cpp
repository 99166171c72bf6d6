// The probe against the real Direct3D 9 and DirectInput 8 (Wine's, in the test command). What
// one machine reports is not known here, so the checks are the ones every adapter must pass.

#include <windows.h>
#include <d3d9.h>

#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "engine/unique_com_win.h"
#include "probe/probe_win.h"
#include "tests/probe/probe_checks.h"

namespace {

struct HandleCloser {
  void operator()(HANDLE handle) const {
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
      CloseHandle(handle);
    }
  }
};
using Handle = std::unique_ptr<void, HandleCloser>;

std::string Join(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line + "\n";
  }
  return text;
}

// The sizes of at least 800x600 that Direct3D itself lists for `format`.
std::set<std::pair<UINT, UINT>> LargeAdapterModes(IDirect3D9& direct3D, D3DFORMAT format) {
  std::set<std::pair<UINT, UINT>> sizes;
  const UINT count = direct3D.GetAdapterModeCount(0, format);
  for (UINT index = 0; index < count; ++index) {
    D3DDISPLAYMODE mode = {};
    if (SUCCEEDED(direct3D.EnumAdapterModes(0, format, index, &mode)) && mode.Width >= 800 &&
        mode.Height >= 600) {
      sizes.insert({mode.Width, mode.Height});
    }
  }
  return sizes;
}

// Counts what is done to it, as a driver's object would see it.
class CountedObject : public IUnknown {
public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references); }
  ULONG STDMETHODCALLTYPE Release() override {
    ++releases;
    return static_cast<ULONG>(--references);
  }
  virtual ~CountedObject() = default;
  int references = 1;  // the creating call's
  int releases = 0;
};

// The owner takes over the creating call's reference and gives it back exactly once, however
// it is handed on (mingw-w64's ComPtr::Attach added one, and the object was never released).
TEST(UniqueComTest, ReleasesTheCreatingCallsReferenceOnceOnEveryPath) {
  CountedObject first;
  CountedObject second;
  {
    UniqueCom<IUnknown> owner(&first);
    EXPECT_EQ(1, first.references);
    UniqueCom<IUnknown> moved(std::move(owner));
    EXPECT_EQ(nullptr, owner.Get());
    IUnknown** slot = moved.Receive();  // a creating call's out parameter
    EXPECT_EQ(0, first.references) << "what was held goes before the new one comes";
    *slot = &second;
  }
  EXPECT_EQ(1, first.releases);
  EXPECT_EQ(1, second.releases);
  EXPECT_EQ(0, second.references);
}

TEST(RealProbeTest, RunsAndIsSelfConsistent) {
  const ProbeOutcome outcome = ProbeHardware(GetModuleHandleA(nullptr));
  // Without these the probe would have exercised none of the real queries.
  ASSERT_TRUE(outcome.direct3DPresent) << "Direct3DCreate9 failed: is there an X display?";
  EXPECT_TRUE(outcome.directInputPresent);
  EXPECT_EQ("", Join(ConsistencyViolations(outcome)));

  // The probe keeps nothing between runs: a second one finds the same.
  const ProbeOutcome again = ProbeHardware(GetModuleHandleA(nullptr));
  EXPECT_EQ("", OutcomeDifferences(outcome, again));
}

TEST(RealProbeTest, ListsEveryLargeAdapterModeOfTheChosenFormats) {
  const ProbeOutcome outcome = ProbeHardware(GetModuleHandleA(nullptr));
  UniqueCom<IDirect3D9> direct3D(Direct3DCreate9(D3D_SDK_VERSION));
  ASSERT_NE(nullptr, direct3D.Get());

  const std::pair<std::uint32_t, std::uint32_t> passes[] = {{outcome.format16, 16},
                                                            {outcome.format32, 32}};
  for (const auto& pass : passes) {
    std::set<std::pair<UINT, UINT>> listed;
    for (const DisplayMode& mode : outcome.modes) {
      if (mode.bitsPerPixel == pass.second) {
        listed.insert({mode.width, mode.height});
      }
    }
    const auto expected =
        pass.first == kFormatNone
            ? std::set<std::pair<UINT, UINT>>{}
            : LargeAdapterModes(*direct3D.Get(), static_cast<D3DFORMAT>(pass.first));
    EXPECT_EQ(expected, listed) << pass.second << "-bit pass, format " << pass.first;
  }
}

// DirectInput refuses a null instance handle: the probe must carry on without a joystick.
TEST(RealProbeTest, NoInstanceHandleMeansNoJoystick) {
  const ProbeOutcome outcome = ProbeHardware(nullptr);
  EXPECT_FALSE(outcome.directInputPresent);
  EXPECT_FALSE(outcome.caps.joystickAvailable);
  EXPECT_TRUE(outcome.clearJoystick);
  EXPECT_TRUE(outcome.direct3DPresent);
  EXPECT_EQ("", Join(ConsistencyViolations(outcome)));
}

// This test's folder, with a trailing separator.
std::string TestFolder() {
  char self[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
  const std::string path(self, length);
  return path.substr(0, path.find_last_of("\\/") + 1);
}

// Runs capsreport.exe in `folder` (this test's own when empty) and returns its standard output.
bool RunCapsReport(std::string& output, DWORD& exitCode, const std::string& folder = "") {
  const std::string command = "\"" + (folder.empty() ? TestFolder() : folder) + "capsreport.exe\"";

  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
    ADD_FAILURE() << "CreatePipe failed: " << GetLastError();
    return false;
  }
  Handle reader(readEnd);
  Handle writer(writeEnd);
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION process = {};
  std::vector<char> commandLine(command.begin(), command.end());
  commandLine.push_back('\0');
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &startup, &process)) {
    ADD_FAILURE() << "cannot start " << command << ": error " << GetLastError();
    return false;
  }
  Handle processHandle(process.hProcess);
  Handle threadHandle(process.hThread);
  writer.reset();  // only the child writes now, so the pipe ends when it does

  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    output.append(buffer, got);
  }
  if (WaitForSingleObject(process.hProcess, 120000) != WAIT_OBJECT_0) {
    ADD_FAILURE() << "capsreport.exe did not end";
    TerminateProcess(process.hProcess, 1);
    return false;
  }
  return GetExitCodeProcess(process.hProcess, &exitCode) != 0;
}

TEST(CapsReportExeTest, PrintsWhatTheProbeFinds) {
  std::string output;
  DWORD exitCode = 1;
  ASSERT_TRUE(RunCapsReport(output, exitCode));
  EXPECT_EQ(0u, exitCode) << output;

  ProbeOutcome reported;
  std::string error;
  ASSERT_TRUE(ParseCapsReport(output, reported, error)) << error << "\n" << output;
  EXPECT_EQ("", Join(ConsistencyViolations(reported))) << output;

  // Same probe code, same machine: the report tells what the launcher would find, when the
  // machine's Direct3D answers within capsreport's patience. In the emulated 32-bit machine,
  // Wine's Direct3D takes longer than that to start; the report then rightly says so.
  const ULONGLONG begun = GetTickCount64();
  const ProbeOutcome probed = ProbeHardware(GetModuleHandleA(nullptr));
  const ULONGLONG tookMs = GetTickCount64() - begun;
  if (!reported.caps.graphicsKnown && tookMs > 4000 &&
      output.find("Direct3D 9 did not answer in time") != std::string::npos) {
    GTEST_SKIP() << "Direct3D takes " << tookMs << " ms to answer here\n" << output;
  }
  EXPECT_TRUE(reported.direct3DPresent) << output;
  EXPECT_EQ("", OutcomeDifferences(probed, reported)) << output;
}

}  // namespace

namespace {

// capsreport.exe with the stand-in drivers beside it, misbehaving as `faults` say.
std::string CapsReportWithStandIns(const char* faults, DWORD& exitCode) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string folder =
      std::string(temp) + "zurvo_capsreport_" + std::to_string(GetCurrentProcessId()) + "\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  for (const char* file : {"capsreport.exe", "standin\\d3d9.dll", "standin\\dinput8.dll"}) {
    const std::string name = std::string(file).substr(std::string(file).find_last_of('\\') + 1);
    CopyFileA((TestFolder() + file).c_str(), (folder + name).c_str(), FALSE);
  }
  SetEnvironmentVariableA("ZURVO_STANDIN_FAULTS", faults);
  std::string output;
  const bool ran = RunCapsReport(output, exitCode, folder);
  SetEnvironmentVariableA("ZURVO_STANDIN_FAULTS", nullptr);
  for (const char* name : {"capsreport.exe", "d3d9.dll", "dinput8.dll"}) {
    DeleteFileA((folder + name).c_str());
  }
  RemoveDirectoryA(folder.c_str());
  return ran ? output : std::string();
}

}  // namespace

// A driver that crashes or hangs costs the report that part's lines, never the report: what the
// other part found is printed, and a closing line says what happened.
TEST(CapsReportExeTest, ADriverThatCrashesOrHangsCostsOnlyItsOwnLines) {
  const struct {
    const char* faults;
    bool direct3DKnown;
    bool directInputKnown;
    const char* note;  // empty: none
  } rows[] = {
      {"", true, true, ""},
      {"d3d9-create-crash", false, true,
       "Hardware probe - Direct3D 9 crashed in Direct3DCreate9 (exit code 0xC0000005); graphics "
       "capabilities and display modes unknown"},
      {"dinput8-enum-hang", true, false,
       "Hardware probe - DirectInput 8 did not answer in time, still busy in "
       "IDirectInput8::EnumDevices; joystick unknown"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.faults);
    DWORD exitCode = 1;
    const std::string output = CapsReportWithStandIns(row.faults, exitCode);
    EXPECT_EQ(0u, exitCode) << output;
    ProbeOutcome reported;
    std::string error;
    std::vector<std::string> notes;
    ASSERT_TRUE(ParseCapsReport(output, reported, error, &notes)) << error << "\n" << output;
    EXPECT_EQ("", Join(ConsistencyViolations(reported))) << output;
    EXPECT_EQ(row.direct3DKnown, reported.caps.graphicsKnown) << output;
    EXPECT_EQ(row.direct3DKnown ? 8u : 0u, reported.modes.size()) << output;
    EXPECT_EQ(row.directInputKnown, reported.caps.joystickKnown) << output;
    EXPECT_EQ(row.directInputKnown, reported.caps.joystickAvailable) << output;
    EXPECT_EQ(*row.note == '\0' ? std::vector<std::string>{} : std::vector<std::string>{row.note},
              notes);
  }
}
