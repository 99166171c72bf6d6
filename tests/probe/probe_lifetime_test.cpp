#include "probe/probe_lifetime.h"

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

namespace {

std::string Narrow(const std::wstring& text) {
  return std::string(text.begin(), text.end());
}

TEST(ProbeCommandTest, OnlyTheProbeArgumentFollowedByAHandleCounts) {
  const std::wstring program = L"\"C:\\Program Files\\S\\SkarnavelLauncher.exe\" ";
  const std::wstring largest = std::to_wstring(UINTPTR_MAX);
  const struct {
    std::wstring commandLine;
    bool probe;
    ProbePart part;
    std::uintptr_t parent;
  } rows[] = {
      {program + L"/zurvo-probe:direct3d /zurvo-parent:124", true, ProbePart::kDirect3D, 124},
      {program + L"/zurvo-probe:directinput /zurvo-parent:8  ", true, ProbePart::kDirectInput, 8},
      {program + L"/zurvo-probe:direct3d /zurvo-parent:" + largest, true, ProbePart::kDirect3D,
       UINTPTR_MAX},
      // The launcher's own command line, and the probe argument alone, are no probe command.
      {L"SkarnavelLauncher.exe", false, ProbePart::kDirect3D, 0},
      {program + L"/zurvo-probe:direct3d", false, ProbePart::kDirect3D, 0},
      {program + L"/zurvo-probe:direct3d /zurvo-parent:", false, ProbePart::kDirect3D, 0},
      {program + L"/zurvo-probe:direct3d /zurvo-parent:0", false, ProbePart::kDirect3D, 0},
      {program + L"/zurvo-probe:direct3d /zurvo-parent:12x", false, ProbePart::kDirect3D, 0},
      {program + L"/zurvo-probe:direct3d /zurvo-parent:-1", false, ProbePart::kDirect3D, 0},
      {program + L"/zurvo-probe:direct3d /zurvo-parent:" + largest + L"0", false,
       ProbePart::kDirect3D, 0},
      {program + L"/zurvo-probe:direct3d /zurvo-parent:1 extra", false, ProbePart::kDirect3D, 0},
      {program + L"/zurvo-parent:12 /zurvo-probe:direct3d", false, ProbePart::kDirect3D, 0},
      {program + L"/zurvo-probe:nothing /zurvo-parent:12", false, ProbePart::kDirect3D, 0},
      {L"/zurvo-probe:direct3d /zurvo-parent:12", false, ProbePart::kDirect3D, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(Narrow(row.commandLine));
    ProbePart part = ProbePart::kDirect3D;
    std::uintptr_t parent = 0;
    EXPECT_EQ(row.probe, ProbeCommandFromCommandLine(row.commandLine, part, parent));
    if (row.probe) {
      EXPECT_EQ(row.part, part);
      EXPECT_EQ(row.parent, parent);
    }
  }
  // What the program writes is what the probe process reads.
  for (ProbePart part : {ProbePart::kDirect3D, ProbePart::kDirectInput}) {
    ProbePart read = ProbePart::kDirect3D;
    std::uintptr_t parent = 0;
    EXPECT_TRUE(ProbeCommandFromCommandLine(program + ProbeArgument(part) + ParentArgument(0x7FFE),
                                            read, parent));
    EXPECT_EQ(part, read);
    EXPECT_EQ(0x7FFEu, parent);
  }
}

TEST(ProbeJobTest, BreaksAwayOnlyWhereTheProgramsJobAllowsItAndItIsNeeded) {
  const struct {
    ProgramJob job;
    bool breakAway;
  } rows[] = {
      {{false, false, false, false}, false},  // no job: ours is the only one
      {{true, true, true, false}, true},
      {{true, true, false, false}, false},  // asking would make the start fail
      {{true, true, true, true}, false},    // its children are outside it already
      {{true, false, true, false}, false},  // limits unread: nothing is assumed
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.breakAway, BreakAwayFromProgramJob(row.job))
        << row.job.inJob << row.job.limitsKnown << row.job.breakawayAllowed
        << row.job.silentBreakaway;
  }
}

TEST(ProbeJobTest, TheNoteSaysWhatFailedAndWhy) {
  const ProgramJob strict{true, true, false, false};
  EXPECT_EQ(
      "Hardware probe - job for the probe processes could not be joined (error 5): the "
      "program's own job allows neither leaving it nor a job inside it; they end by watching the "
      "program instead",
      ProbeJobNote(strict, "joined", 5));
  EXPECT_EQ(
      "Hardware probe - job for the probe processes could not be made (error 1450); they end by "
      "watching the program instead",
      ProbeJobNote(ProgramJob{}, "made", 1450));
  const ProgramJob unread{true, false, false, false};
  EXPECT_EQ(
      "Hardware probe - job for the probe processes could not be joined (error 5): the "
      "program's own job allows no job inside it; they end by watching the program instead",
      ProbeJobNote(unread, "joined", 5));

  // Only the test's own "1" refuses the job; a variable left empty or unset never does.
  const struct {
    const char* value;
    bool refused;
  } switches[] = {{"1", true}, {"0", false}, {"", false}, {"yes", false}, {nullptr, false}};
  for (const auto& row : switches) {
    EXPECT_EQ(row.refused, ProbeJobRefusedForTest(row.value))
        << (row.value != nullptr ? row.value : "unset");
  }
}

}  // namespace
