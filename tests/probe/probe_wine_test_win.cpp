// The probe against the real Direct3D 9 and DirectInput 8 (Wine's, in the test command). What
// one machine reports is not known here, so the checks are the ones every adapter must pass.

#include <windows.h>
#include <d3d9.h>
#include <tlhelp32.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "engine/unique_com_win.h"
#include "engine/unique_handle_win.h"
#include "probe/probe_win.h"
#include "tests/probe/probe_checks.h"

namespace {

using Handle = UniqueKernelHandle;

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

// A fresh folder to start capsreport.exe in, removed at the end with all it holds.
class ScratchFolder {
public:
  ScratchFolder()
      : path_(std::filesystem::temp_directory_path() /
              ("capsreport_" + std::to_string(GetCurrentProcessId()) + "_" +
               std::to_string(++made_))) {
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& Path() const { return path_; }
  std::string Report() const {
    std::ifstream in(path_ / "capsreport.txt", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

private:
  static int made_;
  std::filesystem::path path_;
};
int ScratchFolder::made_ = 0;

// This test's folder, with a trailing separator.
std::string TestFolder() {
  char self[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
  const std::string path(self, length);
  return path.substr(0, path.find_last_of("\\/") + 1);
}

// What capsreport.exe printed after its first line, which says where the file is: the report.
std::string AfterFirstLine(const std::string& output) {
  const std::string::size_type end = output.find('\n');
  return end == std::string::npos ? std::string() : output.substr(end + 1);
}

// Starts `program` (capsreport.exe copied next to this test when empty) in `folder`, as
// CreateProcess is told.
bool StartCapsReport(const ScratchFolder& folder, DWORD flags, STARTUPINFOA& startup,
                     Handle& process, const std::string& program = "") {
  const std::string command =
      "\"" + (program.empty() ? TestFolder() + "capsreport.exe" : program) + "\"";
  std::vector<char> commandLine(command.begin(), command.end());
  commandLine.push_back('\0');
  const std::string directory = folder.Path().string();
  PROCESS_INFORMATION started = {};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr,
                      (startup.dwFlags & STARTF_USESTDHANDLES) != 0, flags, nullptr,
                      directory.c_str(), &startup, &started)) {
    ADD_FAILURE() << "cannot start " << command << ": error " << GetLastError();
    return false;
  }
  process.Reset(started.hProcess);
  CloseHandle(started.hThread);
  return true;
}

// Appends what has come through `pipe` to `text`, without waiting for more.
void ReadAvailable(HANDLE pipe, std::string& text) {
  char buffer[4096];
  DWORD available = 0;
  DWORD got = 0;
  while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0 &&
         ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    text.append(buffer, got);
  }
}

// Runs capsreport.exe in `folder` with its output to a pipe, as a program that shows or keeps
// the output would, and returns that output (standard error in `errors`). The program is given a
// console of its own, as a program without one (Explorer, a game's front end) gives it: the
// output's being a pipe is what tells it not to wait.
bool RunCapsReport(const ScratchFolder& folder, std::string& output, DWORD& exitCode,
                   const std::string& program = "", std::string* errors = nullptr) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  HANDLE errorRead = nullptr;
  HANDLE errorWrite = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0) ||
      !CreatePipe(&errorRead, &errorWrite, &inherit, 0)) {
    ADD_FAILURE() << "CreatePipe failed: " << GetLastError();
    return false;
  }
  Handle reader(readEnd);
  Handle writer(writeEnd);
  Handle errorReader(errorRead);
  Handle errorWriter(errorWrite);
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(errorRead, HANDLE_FLAG_INHERIT, 0);
  // Input that never ends while the program runs: a program that waited for Enter would wait.
  HANDLE inputRead = nullptr;
  HANDLE inputWrite = nullptr;
  if (!CreatePipe(&inputRead, &inputWrite, &inherit, 0)) {
    ADD_FAILURE() << "CreatePipe failed: " << GetLastError();
    return false;
  }
  const Handle input(inputRead);
  const Handle keyboard(inputWrite);
  SetHandleInformation(inputWrite, HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = errorWrite;
  startup.hStdInput = inputRead;
  Handle process;
  if (!StartCapsReport(folder, CREATE_NEW_CONSOLE, startup, process, program)) {
    return false;
  }
  writer.Reset();  // only the child writes now, so the pipe ends when it does
  errorWriter.Reset();

  // Read while it runs, so that a program that does not end fails the test rather than hangs it.
  bool ended = false;
  std::string errorText;
  for (int waited = 0; waited < 2400; ++waited) {
    ended = WaitForSingleObject(process.Get(), 50) == WAIT_OBJECT_0;
    ReadAvailable(readEnd, output);
    ReadAvailable(errorRead, errorText);
    if (errors != nullptr) {
      *errors = errorText;
    }
    if (ended) {
      break;
    }
  }
  if (!ended) {
    ADD_FAILURE() << "capsreport.exe did not end";
    TerminateProcess(process.Get(), 1);
    return false;
  }
  return GetExitCodeProcess(process.Get(), &exitCode) != 0;
}

TEST(CapsReportExeTest, PrintsWhatTheProbeFindsAndSavesIt) {
  ScratchFolder folder;
  std::string output;
  DWORD exitCode = 1;
  ASSERT_TRUE(RunCapsReport(folder, output, exitCode));
  EXPECT_EQ(0u, exitCode) << output;

  // The first line tells the player where the file is; the rest is the report, the file's too.
  EXPECT_EQ(
      output.rfind("This report is saved in capsreport.txt in the current folder as well.\r\n", 0),
      0u)
      << output;
  const std::string report = AfterFirstLine(output);
  EXPECT_EQ(report, folder.Report());

  ProbeOutcome reported;
  std::string error;
  std::vector<std::string> notes;
  ASSERT_TRUE(ParseCapsReport(report, reported, error, &notes)) << error << "\n" << output;
  EXPECT_EQ("", Join(ConsistencyViolations(reported))) << output;

  // Same probe code, same machine: what the report holds is what the launcher would find. Only
  // a part that the report itself says did not answer in time goes unchecked (a slow machine's
  // Direct3D may take longer than capsreport's patience); an unknown for any other reason fails.
  const ProbeOutcome probed = ProbeHardware(GetModuleHandleA(nullptr));
  ProbeOutcome expected = probed;
  std::string late;
  const std::pair<const char*, std::vector<ProbeAnswer>> parts[] = {
      {"Direct3D 9", {ProbeAnswer::kGraphics, ProbeAnswer::kModes}},
      {"DirectInput 8", {ProbeAnswer::kInput}}};
  for (const auto& part : parts) {
    const std::string gaveUp =
        std::string("Hardware probe - ") + part.first + " did not answer in time";
    for (const std::string& note : notes) {
      if (note.rfind(gaveUp, 0) == 0) {
        late += note + "\n";
        for (ProbeAnswer answer : part.second) {
          MarkUnanswered(answer, expected);
        }
      }
    }
  }
  EXPECT_EQ("", OutcomeDifferences(expected, reported)) << output;
  if (!late.empty()) {
    GTEST_SKIP() << "capsreport's report says\n" << late << output;
  }
  EXPECT_TRUE(reported.direct3DPresent) << output;
}

// A virtualized capsreport.exe (a 32-bit program without a manifest under Program Files, Vista
// and later) names the VirtualStore copy of its report where Windows put one, by full path: the
// player looks for it there, not in the folder Explorer shows. Wine has no virtualization: the
// test has the program take a virtualized one's path, with ProgramData standing for the folder it
// runs in and its own folder for the user's local data.
TEST(CapsReportExeTest, NamesTheVirtualStoreCopyOfItsReport) {
  const struct {
    const char* what;
    bool virtualized;
    bool copyInStore;
  } rows[] = {
      {"virtualized, Windows put it in the VirtualStore", true, true},
      {"virtualized, but the folder may be written in place", true, false},
      {"not virtualized", false, true},
  };
  const char* variables[] = {"ProgramData", "LOCALAPPDATA", "ZURVO_TEST_VIRTUALIZED"};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    ScratchFolder folder;
    ScratchFolder local;
    const std::string program = folder.Path().string();
    const std::filesystem::path store =
        local.Path() / "VirtualStore" / program.substr(program.find('\\') + 1);
    if (row.copyInStore) {
      std::filesystem::create_directories(store);
      std::ofstream(store / "capsreport.txt") << "an earlier report\n";
    }
    std::string saved[3];
    for (int i = 0; i < 3; ++i) {
      char value[1024] = {};
      saved[i] = GetEnvironmentVariableA(variables[i], value, sizeof value) != 0 ? value : "";
    }
    SetEnvironmentVariableA("ProgramData", program.c_str());
    SetEnvironmentVariableA("LOCALAPPDATA", local.Path().string().c_str());
    SetEnvironmentVariableA("ZURVO_TEST_VIRTUALIZED", row.virtualized ? "1" : nullptr);
    std::string output;
    DWORD exitCode = 1;
    const bool ran = RunCapsReport(folder, output, exitCode);
    for (int i = 0; i < 3; ++i) {
      SetEnvironmentVariableA(variables[i], saved[i].empty() ? nullptr : saved[i].c_str());
    }
    ASSERT_TRUE(ran);
    const std::string firstLine = output.substr(0, output.find('\n') + 1);
    EXPECT_EQ(
        row.virtualized && row.copyInStore
            ? "This report is saved in " + (store / "capsreport.txt").string() + " as well.\r\n"
            : std::string("This report is saved in capsreport.txt in the current folder as "
                          "well.\r\n"),
        firstLine);
  }
}

// Types Enter into the console of process `id`.
bool PressEnterIn(DWORD id) {
  FreeConsole();  // a process can be attached to one console only
  if (!AttachConsole(id)) {
    ADD_FAILURE() << "AttachConsole failed: " << GetLastError();
    return false;
  }
  const UniqueFileHandle input(CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
  INPUT_RECORD keys[2] = {};
  for (int i = 0; i < 2; ++i) {
    keys[i].EventType = KEY_EVENT;
    keys[i].Event.KeyEvent.bKeyDown = i == 0 ? TRUE : FALSE;
    keys[i].Event.KeyEvent.wRepeatCount = 1;
    keys[i].Event.KeyEvent.wVirtualKeyCode = VK_RETURN;
    keys[i].Event.KeyEvent.uChar.UnicodeChar = L'\r';
  }
  DWORD written = 0;
  const bool typed =
      input.Valid() && WriteConsoleInputW(input.Get(), keys, 2, &written) && written == 2;
  FreeConsole();
  return typed;
}

// Started from a prompt, capsreport.exe shares the prompt's console, which stays open: it ends
// at once, as it always did.
TEST(CapsReportExeTest, InAPromptsConsoleEndsAtOnce) {
  ScratchFolder folder;
  FreeConsole();
  ASSERT_TRUE(AllocConsole()) << GetLastError();  // this test plays the prompt
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  Handle process;
  const bool started = StartCapsReport(folder, 0, startup, process);
  const DWORD ended = started ? WaitForSingleObject(process.Get(), 120000) : WAIT_FAILED;
  if (ended != WAIT_OBJECT_0 && started) {
    TerminateProcess(process.Get(), 1);
  }
  FreeConsole();
  ASSERT_TRUE(started);
  EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), ended) << "waited in a shared console";
  ProbeOutcome reported;
  std::string error;
  EXPECT_TRUE(ParseCapsReport(folder.Report(), reported, error)) << error;
}

// Double-clicked in Explorer, capsreport.exe gets a console window of its own, which would close
// as soon as it ends: it saves the report and waits for Enter.
TEST(CapsReportExeTest, InAConsoleOfItsOwnSavesTheReportAndWaitsForEnter) {
  ScratchFolder folder;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  Handle process;
  ASSERT_TRUE(StartCapsReport(folder, CREATE_NEW_CONSOLE, startup, process));

  ProbeOutcome reported;
  std::string error = "no capsreport.txt";
  for (int waited = 0; waited < 1200 && !ParseCapsReport(folder.Report(), reported, error);
       ++waited) {
    if (WaitForSingleObject(process.Get(), 100) == WAIT_OBJECT_0) {
      break;
    }
  }
  EXPECT_TRUE(ParseCapsReport(folder.Report(), reported, error)) << error;
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(process.Get(), 2000))
      << "ended without waiting for Enter";

  ASSERT_TRUE(PressEnterIn(GetProcessId(process.Get())));
  ASSERT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(process.Get(), 30000))
      << "Enter did not end it";
  DWORD exitCode = 1;
  ASSERT_TRUE(GetExitCodeProcess(process.Get(), &exitCode));
  EXPECT_EQ(0u, exitCode);
}

// Started hidden by a support tool or a script, capsreport.exe has a console of its own that
// nobody sees and where nobody can press Enter: it ends at once, its report saved.
TEST(CapsReportExeTest, StartedHiddenEndsAtOnce) {
  const struct {
    const char* start;
    DWORD flags;
    bool showHidden;
  } rows[] = {
      {"SW_HIDE", CREATE_NEW_CONSOLE, true},
      {"CREATE_NO_WINDOW", CREATE_NO_WINDOW, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.start);
    ScratchFolder folder;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (row.showHidden) {
      startup.dwFlags = STARTF_USESHOWWINDOW;
      startup.wShowWindow = SW_HIDE;
    }
    Handle process;
    ASSERT_TRUE(StartCapsReport(folder, row.flags, startup, process));
    const DWORD ended = WaitForSingleObject(process.Get(), 120000);
    if (ended != WAIT_OBJECT_0) {
      TerminateProcess(process.Get(), 1);
    }
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), ended) << "waited for an Enter nobody can press";
    ProbeOutcome reported;
    std::string error;
    EXPECT_TRUE(ParseCapsReport(folder.Report(), reported, error)) << error;
  }
}

}  // namespace

namespace {

// Copies capsreport.exe and the stand-in drivers into `folder`.
void CopyCapsReportWithStandIns(const ScratchFolder& folder) {
  for (const char* file : {"capsreport.exe", "standin\\d3d9.dll", "standin\\dinput8.dll"}) {
    const std::string name = std::string(file).substr(std::string(file).find_last_of('\\') + 1);
    CopyFileA((TestFolder() + file).c_str(), (folder.Path() / name).string().c_str(), FALSE);
  }
}

// capsreport.exe with the stand-in drivers beside it, misbehaving as `faults` say.
std::string CapsReportWithStandIns(const char* faults, DWORD& exitCode, std::string& errors) {
  ScratchFolder folder;
  CopyCapsReportWithStandIns(folder);
  SetEnvironmentVariableA("ZURVO_STANDIN_FAULTS", faults);
  std::string output;
  const bool ran =
      RunCapsReport(folder, output, exitCode, (folder.Path() / "capsreport.exe").string(), &errors);
  SetEnvironmentVariableA("ZURVO_STANDIN_FAULTS", nullptr);
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
    const char* note;     // empty: none
    const char* waiting;  // what it says it waits for on standard error; empty: not checked
  } rows[] = {
      {"", true, true, "", ""},
      {"d3d9-create-crash", false, true,
       "Hardware probe - Direct3D 9 crashed in Direct3DCreate9 (exit code 0xC0000005); graphics "
       "capabilities and display modes unknown",
       ""},
      {"dinput8-enum-hang", true, false,
       "Hardware probe - DirectInput 8 did not answer in time, still busy in "
       "IDirectInput8::EnumDevices; joystick unknown",
       "Waiting for DirectInput 8, busy in IDirectInput8::EnumDevices...\r\n"},
      // Slower than the launcher's window waits: the report still has the answers.
      {"d3d9-late", true, true, "", "Waiting for Direct3D 9, busy in Direct3DCreate9...\r\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.faults);
    DWORD exitCode = 1;
    std::string errors;
    const std::string output = CapsReportWithStandIns(row.faults, exitCode, errors);
    // Where the part's process has not spoken by the time the notice is due (seconds to start in
    // an emulated machine), the notice truly says it is still starting.
    const std::string waiting = row.waiting;
    const std::size_t busy = waiting.find(", busy in ");
    const std::string starting = busy == std::string::npos
                                     ? waiting
                                     : waiting.substr(0, busy) + ", which is starting...\r\n";
    EXPECT_TRUE(errors.find(waiting) != std::string::npos ||
                errors.find(starting) != std::string::npos)
        << errors;
    EXPECT_EQ(0u, exitCode) << output;
    ProbeOutcome reported;
    std::string error;
    std::vector<std::string> notes;
    ASSERT_TRUE(ParseCapsReport(AfterFirstLine(output), reported, error, &notes)) << error << "\n"
                                                                                  << output;
    EXPECT_EQ("", Join(ConsistencyViolations(reported))) << output;
    EXPECT_EQ(row.direct3DKnown, reported.caps.graphicsKnown) << output;
    EXPECT_EQ(row.direct3DKnown ? 8u : 0u, reported.modes.size()) << output;
    EXPECT_EQ(row.directInputKnown, reported.caps.joystickKnown) << output;
    EXPECT_EQ(row.directInputKnown, reported.caps.joystickAvailable) << output;
    EXPECT_EQ(*row.note == '\0' ? std::vector<std::string>{} : std::vector<std::string>{row.note},
              notes);
  }
}

namespace {

// The probe processes (copies of capsreport.exe) `parentId` started that are still running; Wine
// may start a console host for it as well, which is no probe.
std::size_t ChildProcesses(DWORD parentId) {
  const Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  std::size_t count = 0;
  for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
       more = Process32NextW(snapshot.Get(), &entry)) {
    count +=
        entry.th32ParentProcessID == parentId && _wcsicmp(entry.szExeFile, L"capsreport.exe") == 0
            ? 1
            : 0;
  }
  return count;
}

bool WaitForChildren(DWORD parentId, std::size_t count, DWORD timeoutMs) {
  const ULONGLONG begun = GetTickCount64();
  while (ChildProcesses(parentId) != count) {
    if (GetTickCount64() - begun > timeoutMs) {
      return false;
    }
    Sleep(50);
  }
  return true;
}

}  // namespace

// A capsreport.exe that is killed (its console closed, Ctrl+C, Task Manager) while a driver hangs
// leaves no probe process behind, also where its job cannot hold them: each watches capsreport.
TEST(CapsReportExeTest, KilledWhileADriverHangsLeavesNoProbeProcessBehind) {
  ScratchFolder folder;
  CopyCapsReportWithStandIns(folder);
  for (const bool jobRefused : {false, true}) {
    SCOPED_TRACE(jobRefused ? "job refused" : "in its job");
    SetEnvironmentVariableA("ZURVO_STANDIN_FAULTS", "d3d9-create-hang,dinput8-enum-hang");
    SetEnvironmentVariableA("ZURVO_TEST_REFUSE_PROBE_JOB", jobRefused ? "1" : nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    Handle process;
    const bool started = StartCapsReport(folder, CREATE_NEW_CONSOLE, startup, process,
                                         (folder.Path() / "capsreport.exe").string());
    SetEnvironmentVariableA("ZURVO_STANDIN_FAULTS", nullptr);
    SetEnvironmentVariableA("ZURVO_TEST_REFUSE_PROBE_JOB", nullptr);
    ASSERT_TRUE(started);
    const DWORD id = GetProcessId(process.Get());
    const bool probing = WaitForChildren(id, 2, 60000);
    Sleep(500);  // both inside their hung driver by now
    TerminateProcess(process.Get(), 1);
    ASSERT_TRUE(probing) << ChildProcesses(id) << " probe processes running";
    // A second or two on a real machine; Wine in the emulated 32-bit machine takes longer to
    // end a process. Without the watch they would run on for good, in their hung driver.
    EXPECT_TRUE(WaitForChildren(id, 0, 10000))
        << ChildProcesses(id) << " probe processes outlived capsreport.exe";
  }
}
