#include "probe/probe_lifetime.h"

#include <cstdio>

namespace {

const wchar_t kParentPrefix[] = L" /zurvo-parent:";
// ERROR_ACCESS_DENIED, which is what a job that allows no job inside it answers.
constexpr std::uint32_t kAccessDenied = 5;

}  // namespace

const char kRefuseProbeJobVariable[] = "ZURVO_TEST_REFUSE_PROBE_JOB";

std::wstring ParentArgument(std::uintptr_t handle) {
  // Digits by hand: std::to_wstring would bring wide printing into the programs' imports.
  std::wstring digits;
  do {
    digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + handle % 10));
    handle /= 10;
  } while (handle != 0);
  return kParentPrefix + digits;
}

bool ProbeCommandFromCommandLine(const std::wstring& commandLine, ProbePart& part,
                                 std::uintptr_t& parent) {
  const std::size_t last = commandLine.find_last_not_of(L" \t");
  const std::size_t at = commandLine.rfind(kParentPrefix);
  if (last == std::wstring::npos || at == std::wstring::npos) {
    return false;
  }
  const std::size_t digits = at + (sizeof kParentPrefix / sizeof kParentPrefix[0] - 1);
  if (digits > last) {
    return false;
  }
  std::uintptr_t value = 0;
  for (std::size_t i = digits; i <= last; ++i) {
    const wchar_t digit = commandLine[i];
    if (digit < L'0' || digit > L'9') {
      return false;
    }
    const auto add = static_cast<std::uintptr_t>(digit - L'0');
    // A value that does not fit a handle is no handle of ours.
    if (value > (UINTPTR_MAX - add) / 10) {
      return false;
    }
    value = value * 10 + add;
  }
  if (value == 0 || !ProbePartFromCommandLine(commandLine.substr(0, at), part)) {
    return false;
  }
  parent = value;
  return true;
}

bool BreakAwayFromProgramJob(const ProgramJob& job) {
  return job.inJob && job.limitsKnown && job.breakawayAllowed && !job.silentBreakaway;
}

std::string ProbeJobNote(const ProgramJob& job, const char* step, std::uint32_t error) {
  const char* why = "";
  if (std::string(step) == "joined" && error == kAccessDenied && job.inJob) {
    why = job.limitsKnown && !job.breakawayAllowed
              ? ": the program's own job allows neither leaving it nor a job inside it"
              : ": the program's own job allows no job inside it";
  }
  char code[16];
  std::snprintf(code, sizeof code, "%lu", static_cast<unsigned long>(error));
  return std::string("Hardware probe - job for the probe processes could not be ") + step +
         " (error " + code + ")" + why + "; they end by watching the program instead";
}

bool ProbeJobRefusedForTest(const char* variableValue) {
  return variableValue != nullptr && std::string(variableValue) == "1";
}
