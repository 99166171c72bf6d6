#include "launcher/settings_dialog_model.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "launcher/resource_ids.h"
#include "settings/config_file.h"
#include "settings/setting_table.h"
#include "tests/launcher/fake_settings_view.h"
#include "tests/probe/fake_hardware.h"
#include "tests/support/temp_files.h"

namespace fs = std::filesystem;

using test_support::ReadFileBytes;
using test_support::TempDir;
using test_support::WriteFileBytes;

namespace {

const int kAllCheckBoxes[] = {IDC_BLOOM,      IDC_RADIAL,         IDC_LOWTEX, IDC_DXT5,
                              IDC_NAV_LIGHTS, IDC_TAILS,          IDC_GIBS,   IDC_ROCKET,
                              IDC_LENS,       IDC_SMOKE,          IDC_SPARKS, IDC_JOYSTICK,
                              IDC_INVERT,     IDC_SIMPLE_CONTROLS};

Capabilities FullCaps(int aaLevels = 4) {
  Capabilities caps;
  caps.aaLevelCount = aaLevels;
  return caps;
}

// 16-bit modes first, then 32-bit ones, as the probe lists them.
DisplayModeList TypicalModes() {
  return {{600, 800, 16}, {768, 1024, 16}, {600, 800, 32}, {768, 1024, 32}, {1024, 1280, 32}};
}

struct Dialog {
  Dialog(Settings& settings, const Capabilities& caps, const DisplayModeList& modes)
      : model(settings, caps, modes) {
    model.Initialize(view);
  }
  FakeSettingsView view;
  SettingsDialogModel model;
};

}  // namespace

// ---- start-up ----

TEST(SettingsDialogStartUp, BoxesShowTheSettingsWithNavigationLightsInverted) {
  Settings settings;  // defaults: Tails, Invert, Joystick on; NoVE off
  Dialog dialog(settings, FullCaps(), TypicalModes());
  for (int id : kAllCheckBoxes) {
    const bool expected =
        id == IDC_TAILS || id == IDC_INVERT || id == IDC_JOYSTICK || id == IDC_NAV_LIGHTS;
    EXPECT_EQ(dialog.view.Checked(id), expected) << "box " << id;
  }

  settings.NoVE = true;
  settings.Joystick = 7;  // any non-zero value counts as on
  settings.Radial = true;
  Dialog second(settings, FullCaps(), TypicalModes());
  EXPECT_FALSE(second.view.Checked(IDC_NAV_LIGHTS));
  EXPECT_TRUE(second.model.WorkingCopy().NoVE);
  EXPECT_TRUE(second.view.Checked(IDC_JOYSTICK));
  EXPECT_TRUE(second.model.WorkingCopy().Joystick);
  EXPECT_TRUE(second.view.Checked(IDC_RADIAL));
}

TEST(SettingsDialogStartUp, ControlsAreEnabledFromTheCapabilities) {
  struct Case {
    const char* name;
    Capabilities caps;
    bool aa, bloom, dxt5, joystick;
  };
  const Case cases[] = {
      {"everything", {true, true, true, true, 4}, true, true, true, true},
      {"one aa level", {true, true, true, true, 1}, false, true, true, true},
      {"no fsaa", {true, false, true, true, 4}, false, true, true, true},
      {"no bloom", {false, true, true, true, 2}, true, false, true, true},
      {"no dxt5", {true, true, false, true, 2}, true, true, false, true},
      {"no joystick", {true, true, true, false, 2}, true, true, true, false},
      {"nothing", {false, false, false, false, 0}, false, false, false, false},
      // Working multisampling with no level to offer is no choice either.
      {"fsaa without levels", {true, true, true, true, 0}, false, true, true, true},
      // Unknown (the driver crashed or hung) is off, as absent is.
      {"graphics unknown", {false, false, false, true, 0, false, true}, false, false, false, true},
      {"joystick unknown", {true, true, true, false, 4, true, false}, true, true, true, false},
  };
  for (const Case& c : cases) {
    Settings settings;
    Dialog dialog(settings, c.caps, TypicalModes());
    EXPECT_EQ(dialog.view.IsEnabled(IDC_ANTIALIASING), c.aa) << c.name;
    EXPECT_EQ(dialog.view.IsEnabled(IDC_BLOOM), c.bloom) << c.name;
    EXPECT_EQ(dialog.view.IsEnabled(IDC_DXT5), c.dxt5) << c.name;
    EXPECT_EQ(dialog.view.IsEnabled(IDC_JOYSTICK), c.joystick) << c.name;
  }
}

TEST(SettingsDialogStartUp, AntialiasingListOffersOneEntryPerLevel) {
  Settings settings;
  settings.Quality = 2;
  Dialog dialog(settings, FullCaps(4), TypicalModes());
  EXPECT_EQ(dialog.view.Texts(IDC_ANTIALIASING),
            (std::vector<std::string>{"Качество 0", "Качество 1", "Качество 2", "Качество 3"}));
  EXPECT_EQ(dialog.view.GetListSelection(IDC_ANTIALIASING), 2);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(dialog.view.GetListItemData(IDC_ANTIALIASING, i), i);
  }

  for (int quality : {4, -1, 100}) {
    settings.Quality = quality;
    Dialog unmatched(settings, FullCaps(4), TypicalModes());
    EXPECT_EQ(unmatched.view.GetListSelection(IDC_ANTIALIASING), 0) << "Quality " << quality;
  }
}

// A driver that claims billions of quality levels reaches the dialog as 16: the list stays
// short and "Отлично" picks the last of them.
TEST(SettingsDialogStartUp, AntialiasingListFromAnAbsurdDriverCountIsBounded) {
  HardwareScript script;
  script.qualityLevels = 0xFFFFFFFFU;
  FakeHardware hardware(script);
  Settings settings;
  Capabilities caps;
  DisplayModeList modes;
  ApplyProbeOutcome(RunProbe(hardware), settings, caps, modes);
  Dialog dialog(settings, caps, TypicalModes());
  const std::vector<std::string> texts = dialog.view.Texts(IDC_ANTIALIASING);
  ASSERT_EQ(texts.size(), 16U);
  EXPECT_EQ(texts.back(), "Качество 15");
  dialog.model.HandleCommand(dialog.view, IDC_PRESET_EXCELLENT, "unused");
  EXPECT_EQ(dialog.view.SelectedText(IDC_ANTIALIASING), "Качество 15");
}

TEST(SettingsDialogStartUp, AntialiasingListStaysEmptyWithoutChoice) {
  struct Case {
    const char* name;
    Capabilities caps;
  };
  const Case cases[] = {{"one level", {true, true, true, true, 1}},
                        {"no fsaa", {true, false, true, true, 4}},
                        {"no levels", {true, true, true, true, 0}}};
  for (const Case& c : cases) {
    Settings settings;
    Dialog dialog(settings, c.caps, TypicalModes());
    EXPECT_TRUE(dialog.view.Texts(IDC_ANTIALIASING).empty()) << c.name;
    EXPECT_EQ(dialog.view.GetListSelection(IDC_ANTIALIASING), -1) << c.name;
  }
}

TEST(SettingsDialogStartUp, DisplayModeListFollowsTheProbeOrder) {
  Settings settings;
  settings.ScreenWidth = 1024;
  settings.ScreenHeight = 768;
  settings.BitsPerPixel = 32;
  Dialog dialog(settings, FullCaps(), TypicalModes());
  EXPECT_EQ(dialog.view.Texts(IDC_DISPLAY_MODE),
            (std::vector<std::string>{"800 x 600 x 16", "1024 x 768 x 16", "800 x 600 x 32",
                                      "1024 x 768 x 32", "1280 x 1024 x 32"}));
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(dialog.view.GetListItemData(IDC_DISPLAY_MODE, i), i);
  }
  EXPECT_EQ(dialog.view.SelectedText(IDC_DISPLAY_MODE), "1024 x 768 x 32");
}

TEST(SettingsDialogStartUp, DisplayModeSelectionPicksLastMatchOrFirstEntry) {
  // The probe can list a size twice when the adapter reports it again after another size.
  const DisplayModeList modes = {{600, 800, 16}, {768, 1024, 32}, {600, 800, 32}, {768, 1024, 32}};
  Settings settings;
  settings.ScreenWidth = 1024;
  settings.ScreenHeight = 768;
  settings.BitsPerPixel = 32;
  Dialog twice(settings, FullCaps(), modes);
  EXPECT_EQ(twice.view.GetListSelection(IDC_DISPLAY_MODE), 3);

  Settings defaults;  // 640 x 480 x 16 is below the probe's minimum: never listed
  Dialog unlisted(defaults, FullCaps(), modes);
  EXPECT_EQ(unlisted.view.GetListSelection(IDC_DISPLAY_MODE), 0);
  for (const std::string& text : unlisted.view.Texts(IDC_DISPLAY_MODE)) {
    EXPECT_NE(text, "640 x 480 x 16");
  }

  Dialog empty(settings, FullCaps(), DisplayModeList{});
  EXPECT_TRUE(empty.view.Texts(IDC_DISPLAY_MODE).empty());
  EXPECT_EQ(empty.view.GetListSelection(IDC_DISPLAY_MODE), -1);
}

TEST(SettingsDialogStartUp, AudioListsSelectTheStoredValueOrTheFirst) {
  struct Case {
    std::int32_t frequency, bitRate;
    const char* frequencyText;
    const char* bitRateText;
  };
  const Case cases[] = {
      {22050, 8, "22050 Гц", "8 бит"},   {44100, 16, "44100 Гц", "16 бит"},
      {11025, 16, "11025 Гц", "16 бит"}, {12345, 24, "11025 Гц", "8 бит"},
      {0, -16, "11025 Гц", "8 бит"},
  };
  for (const Case& c : cases) {
    Settings settings;
    settings.Frequency = c.frequency;
    settings.BitRate = c.bitRate;
    Dialog dialog(settings, FullCaps(), TypicalModes());
    EXPECT_EQ(dialog.view.Texts(IDC_FREQUENCY),
              (std::vector<std::string>{"11025 Гц", "22050 Гц", "44100 Гц"}));
    EXPECT_EQ(dialog.view.Texts(IDC_BITRATE), (std::vector<std::string>{"8 бит", "16 бит"}));
    EXPECT_EQ(dialog.view.SelectedText(IDC_FREQUENCY), c.frequencyText) << c.frequency;
    EXPECT_EQ(dialog.view.SelectedText(IDC_BITRATE), c.bitRateText) << c.bitRate;
  }
}

// ---- check boxes ----

TEST(SettingsDialogCheckBoxes, ClickStoresTheSettingValue) {
  Settings settings;
  Dialog dialog(settings, FullCaps(), TypicalModes());

  dialog.view.Toggle(IDC_NAV_LIGHTS);  // lights off
  dialog.model.HandleCommand(dialog.view, IDC_NAV_LIGHTS, "unused");
  EXPECT_TRUE(dialog.model.WorkingCopy().NoVE);

  dialog.view.Toggle(IDC_GIBS);
  dialog.model.HandleCommand(dialog.view, IDC_GIBS, "unused");
  EXPECT_TRUE(dialog.model.WorkingCopy().Gibs);

  dialog.view.Toggle(IDC_JOYSTICK);
  dialog.model.HandleCommand(dialog.view, IDC_JOYSTICK, "unused");
  EXPECT_FALSE(dialog.model.WorkingCopy().Joystick);

  // A third state (not produced by automatic two-state boxes, but possible) changes nothing.
  dialog.view.controls[IDC_GIBS].check = CheckState::kOther;
  dialog.model.HandleCommand(dialog.view, IDC_GIBS, "unused");
  EXPECT_TRUE(dialog.model.WorkingCopy().Gibs);

  // The record itself is untouched until OK.
  EXPECT_FALSE(settings.NoVE);
  EXPECT_FALSE(settings.Gibs);
  EXPECT_EQ(settings.Joystick, 1);
}

TEST(SettingsDialogCheckBoxes, EveryBoxReachesItsOwnFlag) {
  int boxes = 0;
  for (const SettingRow& row : kSettingTable) {
    if (!row.IsCheckBox()) {
      continue;
    }
    ++boxes;
    Settings settings;
    Dialog dialog(settings, FullCaps(), TypicalModes());
    const SettingsWorkingCopy before = dialog.model.WorkingCopy();
    dialog.view.Toggle(row.control);
    dialog.model.HandleCommand(dialog.view, row.control, "unused");
    const SettingsWorkingCopy& after = dialog.model.WorkingCopy();
    EXPECT_NE(row.Get(after), row.Get(before)) << row.key;
    // The box shows the setting (or, inverted, its opposite) and nothing else moved.
    EXPECT_EQ(dialog.view.Checked(row.control), (row.Get(after) != 0) != row.boxInverted)
        << row.key;
    SettingsWorkingCopy expected = before;
    row.Set(expected, row.Get(after));
    EXPECT_EQ(after, expected) << row.key;
  }
  EXPECT_EQ(boxes, static_cast<int>(std::size(kAllCheckBoxes)));
}

// ---- presets ----

namespace {

struct PresetExpectation {
  const char* name;
  int commandId;
  // Box states after the preset; Joystick, Invert and SimpleControls are never touched.
  bool bloom, dxt5, tails, navLights, lowTex, gibs, rocket, lens, smoke, sparks, radial;
  const char* mode;
  const char* quality;
  const char* frequency;
  const char* bitRate;
};

const PresetExpectation kPresets[] = {
    {"Нормально", IDC_PRESET_NORMAL, false, true, false, false, true, false, false, false, false,
     false, false, "800 x 600 x 16", "Качество 0", "11025 Гц", "8 бит"},
    {"Хорошо", IDC_PRESET_GOOD, true, true, true, true, false, true, false, true, true, true, false,
     "1024 x 768 x 32", "Качество 0", "22050 Гц", "8 бит"},
    {"Отлично", IDC_PRESET_EXCELLENT, true, true, true, true, false, true, true, true, true, true,
     true, "1024 x 768 x 32", "Качество 3", "44100 Гц", "16 бит"},
};

void ExpectBoxes(FakeSettingsView& view, const PresetExpectation& p) {
  const std::pair<int, bool> boxes[] = {
      {IDC_BLOOM, p.bloom},          {IDC_DXT5, p.dxt5},     {IDC_TAILS, p.tails},
      {IDC_NAV_LIGHTS, p.navLights}, {IDC_LOWTEX, p.lowTex}, {IDC_GIBS, p.gibs},
      {IDC_ROCKET, p.rocket},        {IDC_LENS, p.lens},     {IDC_SMOKE, p.smoke},
      {IDC_SPARKS, p.sparks},        {IDC_RADIAL, p.radial},
  };
  for (const auto& box : boxes) {
    EXPECT_EQ(view.Checked(box.first), box.second) << p.name << ": box " << box.first;
  }
}

}  // namespace

TEST(SettingsDialogPresets, SetBoxesFlagsAndListsAsTheirTableSays) {
  for (const PresetExpectation& p : kPresets) {
    // Start from the opposite of every switch so that each step is seen to act.
    Settings settings;
    settings.Bloom = !p.bloom;
    settings.DXT5 = !p.dxt5;
    settings.Tails = !p.tails;
    settings.NoVE = p.navLights;
    settings.LowTex = !p.lowTex;
    settings.Gibs = !p.gibs;
    settings.Rocket = !p.rocket;
    settings.Lens = !p.lens;
    settings.Smoke = !p.smoke;
    settings.Sparks = !p.sparks;
    settings.Radial = !p.radial;
    settings.Joystick = 0;
    settings.Invert = false;
    settings.SimpleControls = true;
    settings.Frequency = 44100;
    settings.BitRate = 16;
    settings.Quality = 1;
    settings.ScreenWidth = 1280;
    settings.ScreenHeight = 1024;
    settings.BitsPerPixel = 32;

    Dialog dialog(settings, FullCaps(4), TypicalModes());
    const SettingsCommandOutcome outcome =
        dialog.model.HandleCommand(dialog.view, p.commandId, "unused");
    EXPECT_EQ(outcome.action, SettingsCommandOutcome::Action::kNone) << p.name;
    ExpectBoxes(dialog.view, p);

    const SettingsWorkingCopy& flags = dialog.model.WorkingCopy();
    EXPECT_EQ(flags.Bloom, p.bloom) << p.name;
    EXPECT_EQ(flags.DXT5, p.dxt5) << p.name;
    EXPECT_EQ(flags.Tails, p.tails) << p.name;
    EXPECT_EQ(flags.NoVE, !p.navLights) << p.name;
    EXPECT_EQ(flags.LowTex, p.lowTex) << p.name;
    EXPECT_EQ(flags.Gibs, p.gibs) << p.name;
    EXPECT_EQ(flags.Rocket, p.rocket) << p.name;
    EXPECT_EQ(flags.Lens, p.lens) << p.name;
    EXPECT_EQ(flags.Smoke, p.smoke) << p.name;
    EXPECT_EQ(flags.Sparks, p.sparks) << p.name;
    EXPECT_EQ(flags.Radial, p.radial) << p.name;
    EXPECT_FALSE(flags.Joystick) << p.name;
    EXPECT_FALSE(flags.Invert) << p.name;
    EXPECT_TRUE(flags.SimpleControls) << p.name;
    EXPECT_FALSE(dialog.view.Checked(IDC_JOYSTICK)) << p.name;
    EXPECT_FALSE(dialog.view.Checked(IDC_INVERT)) << p.name;
    EXPECT_TRUE(dialog.view.Checked(IDC_SIMPLE_CONTROLS)) << p.name;

    EXPECT_EQ(dialog.view.SelectedText(IDC_DISPLAY_MODE), p.mode) << p.name;
    EXPECT_EQ(dialog.view.SelectedText(IDC_ANTIALIASING), p.quality) << p.name;
    EXPECT_EQ(dialog.view.SelectedText(IDC_FREQUENCY), p.frequency) << p.name;
    EXPECT_EQ(dialog.view.SelectedText(IDC_BITRATE), p.bitRate) << p.name;

    // A preset is only a proposal: the record waits for OK.
    EXPECT_EQ(settings.Frequency, 44100) << p.name;
    EXPECT_EQ(settings.Gibs, !p.gibs) << p.name;
  }
}

TEST(SettingsDialogPresets, DisabledBoxesKeepTheirState) {
  for (const PresetExpectation& p : kPresets) {
    for (bool stored : {false, true}) {
      Settings settings;
      settings.Bloom = stored;
      settings.DXT5 = stored;
      Capabilities caps = FullCaps();
      caps.bloomAvailable = false;
      caps.dxt5Available = false;
      Dialog dialog(settings, caps, TypicalModes());
      dialog.model.HandleCommand(dialog.view, p.commandId, "unused");
      EXPECT_EQ(dialog.view.Checked(IDC_BLOOM), stored) << p.name;
      EXPECT_EQ(dialog.model.WorkingCopy().Bloom, stored) << p.name;
      EXPECT_EQ(dialog.view.Checked(IDC_DXT5), stored) << p.name;
      EXPECT_EQ(dialog.model.WorkingCopy().DXT5, stored) << p.name;
    }
  }
}

TEST(SettingsDialogPresets, AntialiasingListIsLeftAloneWithoutChoice) {
  for (const Capabilities& caps :
       {Capabilities{true, false, true, true, 4}, Capabilities{true, true, true, true, 1}}) {
    Settings settings;
    Dialog dialog(settings, caps, TypicalModes());
    dialog.model.HandleCommand(dialog.view, IDC_PRESET_EXCELLENT, "unused");
    EXPECT_TRUE(dialog.view.Texts(IDC_ANTIALIASING).empty());
    EXPECT_EQ(dialog.view.GetListSelection(IDC_ANTIALIASING), -1);
  }
}

TEST(SettingsDialogPresets, DisplayModeFallsBackToTheFirstEntry) {
  const DisplayModeList no1024x32 = {{600, 800, 16}, {768, 1024, 16}, {600, 800, 32}};
  for (int preset : {IDC_PRESET_NORMAL, IDC_PRESET_GOOD, IDC_PRESET_EXCELLENT}) {
    Settings settings;
    settings.ScreenWidth = 800;
    settings.ScreenHeight = 600;
    settings.BitsPerPixel = 32;
    Dialog dialog(settings, FullCaps(), no1024x32);
    EXPECT_EQ(dialog.view.GetListSelection(IDC_DISPLAY_MODE), 2);
    dialog.model.HandleCommand(dialog.view, preset, "unused");
    EXPECT_EQ(dialog.view.SelectedText(IDC_DISPLAY_MODE), "800 x 600 x 16") << preset;
  }

  // The first of two listed 1024 x 768 x 32 entries.
  const DisplayModeList twice = {{600, 800, 16}, {768, 1024, 32}, {600, 800, 32}, {768, 1024, 32}};
  Settings settings;
  Dialog dialog(settings, FullCaps(), twice);
  dialog.model.HandleCommand(dialog.view, IDC_PRESET_GOOD, "unused");
  EXPECT_EQ(dialog.view.GetListSelection(IDC_DISPLAY_MODE), 1);

  Dialog empty(settings, FullCaps(), DisplayModeList{});
  empty.model.HandleCommand(empty.view, IDC_PRESET_EXCELLENT, "unused");
  EXPECT_EQ(empty.view.GetListSelection(IDC_DISPLAY_MODE), -1);
}

// ---- OK, Cancel and other commands ----

TEST(SettingsDialogOk, StoresSelectionsAndFlagsAndWritesTheFile) {
  TempDir dir;
  const std::string path = (dir.Path() / "Zurvo.cfg").string();
  Settings settings;
  settings.FullScreen = true;
  settings.Channels = 6;
  settings.MusicVolume = 0.25f;
  settings.SoundVolume = 0.75f;
  settings.MotionBlur = 0.5f;
  settings.Mouse = 1.5f;
  settings.GodMode = true;
  settings.AllLevels = true;
  settings.Joystick = 5;
  settings.FSAA = false;

  Dialog dialog(settings, FullCaps(4), TypicalModes());
  dialog.model.HandleCommand(dialog.view, IDC_PRESET_EXCELLENT, path);
  dialog.view.Toggle(IDC_NAV_LIGHTS);
  dialog.model.HandleCommand(dialog.view, IDC_NAV_LIGHTS, path);
  dialog.view.SelectListEntry(IDC_ANTIALIASING, 2);
  dialog.view.SelectListEntry(IDC_DISPLAY_MODE, 4);

  const SettingsCommandOutcome outcome = dialog.model.HandleCommand(dialog.view, 1, path);
  EXPECT_EQ(outcome.action, SettingsCommandOutcome::Action::kEndDialog);
  EXPECT_EQ(outcome.dialogResult, 1);

  Settings expected;
  expected.ScreenWidth = 1280;
  expected.ScreenHeight = 1024;
  expected.BitsPerPixel = 32;
  expected.FullScreen = true;
  expected.Channels = 6;
  expected.Frequency = 44100;
  expected.BitRate = 16;
  expected.MusicVolume = 0.25f;
  expected.SoundVolume = 0.75f;
  expected.MotionBlur = 0.5f;
  expected.Joystick = 1;  // reduced to a flag
  expected.Mouse = 1.5f;
  expected.Bloom = true;
  expected.FSAA = true;  // the hardware offers it
  expected.DXT5 = true;
  expected.Tails = true;
  expected.LowTex = false;
  expected.NoVE = true;  // the box was cleared after the preset
  expected.Invert = true;
  expected.GodMode = true;
  expected.AllLevels = true;
  expected.Gibs = true;
  expected.Rocket = true;
  expected.Lens = true;
  expected.Smoke = true;
  expected.Sparks = true;
  expected.Radial = true;
  expected.Quality = 2;
  expected.SimpleControls = false;
  EXPECT_EQ(settings, expected) << FormatConfiguration(settings);

  Settings reread;
  ASSERT_GE(ReadConfiguration(path, reread), 0);
  EXPECT_EQ(reread, expected) << ReadFileBytes(path);
}

namespace {

std::vector<std::string> Lines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : bytes) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else if (c != '\r') {
      line += c;
    }
  }
  return lines;
}

// The first number in a list entry's text ("44100 Гц", "Качество 3").
std::string NumberIn(const std::string& text) {
  const std::string::size_type start = text.find_first_of("0123456789");
  return text.substr(start, text.find_first_not_of("0123456789", start) - start);
}

}  // namespace

// For every setting: change its control (or, with none, the file's value), press OK, and find
// exactly its line changed in the file and every other line as it was.
TEST(SettingsDialogOk, EverySettingReachesItsOwnLine) {
  // One mode apart from the chosen one in each of its three numbers.
  const DisplayModeList modes = {{600, 800, 16}, {600, 1024, 16}, {768, 800, 16}, {600, 800, 32}};
  const struct {
    std::int32_t Settings::*field;
    int entry;
    const char* value;
  } modeChanges[] = {{&Settings::ScreenWidth, 1, "1024"},
                     {&Settings::ScreenHeight, 2, "768"},
                     {&Settings::BitsPerPixel, 3, "32"}};
  Settings start;
  start.ScreenWidth = 800;
  start.ScreenHeight = 600;
  auto pressOk = [&](Settings settings, const std::string& fileLine, int box, int list, int entry) {
    const std::string text = "ScreenWidth 800\nScreenHeight 600\n" + fileLine;
    EXPECT_TRUE(
        ReadConfigurationFromBytes(text.data(), static_cast<std::int32_t>(text.size()), settings));
    TempDir dir;
    const std::string path = (dir.Path() / "Zurvo.cfg").string();
    Dialog dialog(settings, FullCaps(4), modes);
    if (box != 0) {
      dialog.view.Toggle(box);
      dialog.model.HandleCommand(dialog.view, box, path);
    }
    if (list != 0) {
      dialog.view.SelectListEntry(list, entry);
    }
    EXPECT_EQ(dialog.model.HandleCommand(dialog.view, 1, path).dialogResult, 1);
    return Lines(ReadFileBytes(path));
  };
  const std::vector<std::string> untouched = pressOk(start, "", 0, 0, 0);
  ASSERT_FALSE(untouched.empty());

  for (const SettingRow& row : kSettingTable) {
    std::string value;
    std::vector<std::string> written;
    if (row.IsCheckBox()) {
      value = row.Get(start) != 0 ? "0" : "1";
      written = pressOk(start, "", row.control, 0, 0);
    } else if (row.kind == SettingKind::kMode) {
      for (const auto& change : modeChanges) {
        if (change.field == row.number) {
          value = change.value;
          written = pressOk(start, "", 0, row.control, change.entry);
        }
      }
    } else if (row.kind == SettingKind::kChoice) {
      FakeSettingsView view;
      Settings copy = start;
      SettingsDialogModel(copy, FullCaps(4), modes).Initialize(view);
      const auto& entries = view.controls[row.control].entries;
      ASSERT_GE(entries.size(), 2u) << row.key;
      value = NumberIn(entries.back().first);
      written = pressOk(start, "", 0, row.control, static_cast<int>(entries.size()) - 1);
    } else if (row.needs != nullptr) {
      // Decided by the hardware alone: the file's opposite value does not survive OK.
      const bool offered = row.Offered(FullCaps(4));
      value = offered ? "1" : "0";
      written = pressOk(start, std::string(row.key) + (offered ? " 0\n" : " 1\n"), 0, 0, 0);
    } else {
      // Only the file sets it: OK keeps what it read.
      value = row.kind == SettingKind::kFloat    ? "0.25"
              : row.kind == SettingKind::kNumber ? "6"
                                                 : (row.Get(start) != 0 ? "0" : "1");
      written = pressOk(start, std::string(row.key) + " " + value + "\n", 0, 0, 0);
    }
    ASSERT_FALSE(value.empty()) << row.key << ": no way to change it";
    std::vector<std::string> expected = untouched;
    const std::string line = std::string(row.key) + " " + value;
    bool replaced = false;
    for (std::string& old : expected) {
      if (old.rfind(std::string(row.key) + " ", 0) == 0) {
        old = line;
        replaced = true;
      }
    }
    if (!replaced) {
      expected.push_back(line);  // a line written only when on
    }
    EXPECT_EQ(written, expected) << row.key;
  }
}

// What the hardware answered decides FSAA, Quality and Joystick; what it never answered leaves
// the file's own values, Joystick 7 included, exactly as they were.
TEST(SettingsDialogOk, AntialiasingFsaaAndJoystickFollowTheHardwareWhenItAnswered) {
  struct Case {
    const char* name;
    Capabilities caps;
    bool fsaa;
    std::int32_t quality;
    std::int32_t joystick;
  };
  const Case cases[] = {
      {"one level", {true, true, true, true, 1}, true, -1, 1},
      {"no fsaa", {true, false, true, true, 4}, false, -1, 1},
      {"four levels", {true, true, true, true, 4}, true, 3, 1},
      {"no joystick", {true, true, true, false, 4}, true, 3, 0},
      {"graphics unknown", {false, false, false, true, 0, false, true}, false, 3, 1},
      {"joystick unknown", {true, true, true, false, 4, true, false}, true, 3, 7},
  };
  for (const Case& c : cases) {
    TempDir dir;
    Settings settings;
    settings.Quality = 3;
    // Unknown keeps the file's FSAA; known sets it from the hardware, so start from the other.
    settings.FSAA = c.caps.graphicsKnown ? !c.fsaa : c.fsaa;
    settings.Joystick = 7;
    Dialog dialog(settings, c.caps, TypicalModes());
    if (!c.caps.joystickAvailable && c.caps.joystickKnown) {
      dialog.view.SetCheck(IDC_JOYSTICK, false);  // as the probe's clearing leaves it
      dialog.model.HandleCommand(dialog.view, IDC_JOYSTICK, "unused");
    }
    dialog.model.HandleCommand(dialog.view, IDC_PRESET_EXCELLENT, "unused");
    dialog.model.HandleCommand(dialog.view, 1, (dir.Path() / "Zurvo.cfg").string());
    EXPECT_EQ(settings.FSAA, c.fsaa) << c.name;
    EXPECT_EQ(settings.Quality, c.quality) << c.name;
    EXPECT_EQ(settings.Joystick, c.joystick) << c.name;
  }
}

TEST(SettingsDialogOk, DefaultsStoreTheFirstListedModeAndEmptyListKeepsTheMode) {
  TempDir dir;
  const std::string path = (dir.Path() / "Zurvo.cfg").string();
  Settings settings;  // 640 x 480 x 16
  Dialog dialog(settings, FullCaps(), TypicalModes());
  dialog.model.HandleCommand(dialog.view, 1, path);
  EXPECT_EQ(settings.ScreenWidth, 800);
  EXPECT_EQ(settings.ScreenHeight, 600);
  EXPECT_EQ(settings.BitsPerPixel, 16);

  Settings kept;
  kept.ScreenWidth = 1600;
  kept.ScreenHeight = 1200;
  kept.BitsPerPixel = 32;
  kept.Frequency = 12345;  // unlisted: OK stores the first entry
  Dialog empty(kept, FullCaps(), DisplayModeList{});
  const SettingsCommandOutcome outcome = empty.model.HandleCommand(empty.view, 1, path);
  EXPECT_EQ(outcome.dialogResult, 1);
  EXPECT_EQ(kept.ScreenWidth, 1600);
  EXPECT_EQ(kept.ScreenHeight, 1200);
  EXPECT_EQ(kept.BitsPerPixel, 32);
  EXPECT_EQ(kept.Frequency, 11025);
}

TEST(SettingsDialogOk, FailedWriteKeepsTheRecordAndTheDialog) {
  TempDir dir;
  const fs::path missingDir = dir.Path() / "Game";
  const std::string path = (missingDir / "Zurvo.cfg").string();
  Settings settings;
  settings.Gibs = false;
  const Settings before = settings;

  Dialog dialog(settings, FullCaps(), TypicalModes());
  dialog.model.HandleCommand(dialog.view, IDC_PRESET_EXCELLENT, path);
  const SettingsConfirmation attempt = dialog.model.Confirm(dialog.view, path);
  EXPECT_FALSE(attempt.written);
  EXPECT_TRUE(attempt.settings.Gibs);  // what OK would have stored

  const SettingsCommandOutcome failed = dialog.model.HandleCommand(dialog.view, 1, path);
  EXPECT_EQ(failed.action, SettingsCommandOutcome::Action::kShowWriteError);
  EXPECT_EQ(settings, before);
  EXPECT_FALSE(fs::exists(path));

  // The player fixes the folder and presses OK again.
  fs::create_directories(missingDir);
  const SettingsCommandOutcome retried = dialog.model.HandleCommand(dialog.view, 1, path);
  EXPECT_EQ(retried.action, SettingsCommandOutcome::Action::kEndDialog);
  EXPECT_EQ(retried.dialogResult, 1);
  EXPECT_TRUE(settings.Gibs);
  EXPECT_EQ(ReadFileBytes(path).empty(), false);
}

TEST(SettingsDialogOk, FailedWriteOverADirectoryIsReported) {
  TempDir dir;
  // A directory where the file should be: no replacement can succeed.
  const fs::path blocked = dir.Path() / "Zurvo.cfg";
  fs::create_directories(blocked / "inside");
  Settings settings;
  Dialog dialog(settings, FullCaps(), TypicalModes());
  dialog.model.HandleCommand(dialog.view, IDC_PRESET_GOOD, blocked.string());
  const SettingsCommandOutcome outcome =
      dialog.model.HandleCommand(dialog.view, 1, blocked.string());
  EXPECT_EQ(outcome.action, SettingsCommandOutcome::Action::kShowWriteError);
  EXPECT_EQ(outcome.writeFailure.kind, WriteFailure::Kind::kFolderInPlace) << "why, for the box";
  EXPECT_EQ(settings, Settings{});
  EXPECT_TRUE(fs::is_directory(blocked / "inside"));
}

TEST(SettingsDialogOk, AFileThatCouldNotBeReadIsNeverWrittenOver) {
  TempDir dir;
  const fs::path path = dir.Path() / "Zurvo.cfg";
  WriteFileBytes(path, "Mouse 0.90\nGodMode 1\n");
  const std::string before = ReadFileBytes(path);
  Settings settings;
  Dialog dialog(settings, FullCaps(), TypicalModes());
  dialog.model.SetFileUnread(true);
  dialog.model.HandleCommand(dialog.view, IDC_PRESET_EXCELLENT, path.string());
  const SettingsCommandOutcome refused = dialog.model.HandleCommand(dialog.view, 1, path.string());
  EXPECT_EQ(refused.action, SettingsCommandOutcome::Action::kShowUnreadFile);
  EXPECT_EQ(settings, Settings{});
  EXPECT_EQ(ReadFileBytes(path), before);
  EXPECT_EQ(dialog.model.HandleCommand(dialog.view, 2, path.string()).dialogResult, 2);
  EXPECT_EQ(ReadFileBytes(path), before);
}

TEST(SettingsDialogCancel, LeavesRecordAndFileAlone) {
  TempDir dir;
  const fs::path path = dir.Path() / "Zurvo.cfg";
  WriteFileBytes(path, "ScreenWidth 1024\nFrequency 12345\n");
  const std::string before = ReadFileBytes(path);
  Settings settings;
  ASSERT_GE(ReadConfiguration(path.string(), settings), 0);
  const Settings loaded = settings;

  Dialog dialog(settings, FullCaps(), TypicalModes());
  dialog.model.HandleCommand(dialog.view, IDC_PRESET_EXCELLENT, path.string());
  dialog.view.Toggle(IDC_INVERT);
  dialog.model.HandleCommand(dialog.view, IDC_INVERT, path.string());
  const SettingsCommandOutcome outcome = dialog.model.HandleCommand(dialog.view, 2, path.string());
  EXPECT_EQ(outcome.action, SettingsCommandOutcome::Action::kEndDialog);
  EXPECT_EQ(outcome.dialogResult, 2);
  EXPECT_EQ(settings, loaded);
  EXPECT_EQ(ReadFileBytes(path), before);

  // Reopened, the dialog shows the record, not the abandoned edits.
  Dialog reopened(settings, FullCaps(), TypicalModes());
  EXPECT_TRUE(reopened.view.Checked(IDC_INVERT));
  EXPECT_FALSE(reopened.view.Checked(IDC_ROCKET));
  EXPECT_EQ(reopened.view.SelectedText(IDC_FREQUENCY), "11025 Гц");
}

TEST(SettingsDialogOk, ReopeningShowsWhatWasStored) {
  TempDir dir;
  const std::string path = (dir.Path() / "Zurvo.cfg").string();
  Settings settings;
  {
    Dialog dialog(settings, FullCaps(4), TypicalModes());
    dialog.model.HandleCommand(dialog.view, IDC_PRESET_EXCELLENT, path);
    dialog.model.HandleCommand(dialog.view, 1, path);
  }
  Dialog reopened(settings, FullCaps(4), TypicalModes());
  ExpectBoxes(reopened.view, kPresets[2]);
  EXPECT_EQ(reopened.view.SelectedText(IDC_DISPLAY_MODE), "1024 x 768 x 32");
  EXPECT_EQ(reopened.view.SelectedText(IDC_ANTIALIASING), "Качество 3");
  EXPECT_EQ(reopened.view.SelectedText(IDC_FREQUENCY), "44100 Гц");
  EXPECT_EQ(reopened.view.SelectedText(IDC_BITRATE), "16 бит");
}

TEST(SettingsDialogCommands, OtherIdsDoNothing) {
  TempDir dir;
  const std::string path = (dir.Path() / "Zurvo.cfg").string();
  Settings settings;
  Dialog dialog(settings, FullCaps(), TypicalModes());
  const SettingsWorkingCopy before = dialog.model.WorkingCopy();
  for (int id : {0, 3, IDC_DISPLAY_MODE, IDC_FREQUENCY, IDC_ANTIALIASING, 1002, 1030, 0xFFFF}) {
    const SettingsCommandOutcome outcome = dialog.model.HandleCommand(dialog.view, id, path);
    EXPECT_EQ(outcome.action, SettingsCommandOutcome::Action::kNone) << id;
  }
  EXPECT_EQ(dialog.model.WorkingCopy().Gibs, before.Gibs);
  EXPECT_EQ(dialog.model.WorkingCopy().NoVE, before.NoVE);
  EXPECT_EQ(settings, Settings{});
  EXPECT_FALSE(fs::exists(path));
}
