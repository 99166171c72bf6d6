#include "launcher/settings_dialog_model.h"

#include <cstdio>

#include "launcher/resource_ids.h"
#include "settings/config_file.h"
#include "settings/setting_table.h"

const std::int32_t kFrequencyChoices[3] = {11025, 22050, 44100};
const std::int32_t kBitRateChoices[2] = {8, 16};

namespace {

// Sets a check box and its working flag together.
void SetBox(SettingsView& view, const SettingRow& row, bool on, SettingsWorkingCopy& workingCopy) {
  view.SetCheck(row.control, on != row.boxInverted);
  row.Set(workingCopy, on ? 1 : 0);
}

// Entry indexes of the audio lists chosen by each preset.
const int kPresetFrequencyIndex[3] = {0, 1, 2};
const int kPresetBitRateIndex[3] = {0, 0, 1};

std::string FormatNumber(const char* format, int value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// Lists `choices` as `format` prints them, and selects `value`, or the first entry when it is
// none of them.
template <std::size_t N>
void FillChoices(SettingsView& view, int listId, const std::int32_t (&choices)[N],
                 const char* format, std::int32_t value) {
  int selected = 0;
  for (std::size_t i = 0; i < N; ++i) {
    view.AddListEntry(listId, FormatNumber(format, choices[i]), static_cast<std::intptr_t>(i));
    if (choices[i] == value) {
      selected = static_cast<int>(i);
    }
  }
  view.SelectListEntry(listId, selected);
}

// The item data of the selected entry when it indexes a table of `size` entries, else -1.
int SelectedIndex(SettingsView& view, int listId, std::size_t size) {
  const int selection = view.GetListSelection(listId);
  if (selection < 0) {
    return -1;
  }
  const std::intptr_t data = view.GetListItemData(listId, selection);
  if (data < 0 || static_cast<std::size_t>(data) >= size) {
    return -1;
  }
  return static_cast<int>(data);
}

}  // namespace

SettingsDialogModel::SettingsDialogModel(Settings& settings, const Capabilities& caps,
                                         const DisplayModeList& modes)
    : settings_(settings), caps_(caps), modes_(modes) {}

bool SettingsDialogModel::AntialiasingListFilled() const {
  return caps_.fsaaAvailable && caps_.aaLevelCount > 1;
}

void SettingsDialogModel::Initialize(SettingsView& view) {
  workingCopy_ = settings_;
  // Enabled only with a choice in it: a count of 0 with FSAA would be an empty list.
  view.Enable(IDC_ANTIALIASING, AntialiasingListFilled());
  for (const SettingRow& row : kSettingTable) {
    if (!row.IsCheckBox()) {
      continue;
    }
    view.Enable(row.control, row.Offered(caps_));
    SetBox(view, row, row.Get(settings_) != 0, workingCopy_);
  }
  FillLists(view);
}

void SettingsDialogModel::FillLists(SettingsView& view) {
  if (AntialiasingListFilled()) {
    int selected = 0;
    for (int level = 0; level < caps_.aaLevelCount; ++level) {
      view.AddListEntry(IDC_ANTIALIASING, FormatNumber("Качество %d", level), level);
      if (level == settings_.Quality) {
        selected = level;
      }
    }
    view.SelectListEntry(IDC_ANTIALIASING, selected);
  }

  if (!modes_.empty()) {
    // The same mode can be listed twice; the last one that matches wins.
    int selected = 0;
    for (std::size_t i = 0; i < modes_.size(); ++i) {
      const DisplayMode& mode = modes_[i];
      char text[64];
      std::snprintf(text, sizeof text, "%d x %d x %d", static_cast<int>(mode.width),
                    static_cast<int>(mode.height), static_cast<int>(mode.bitsPerPixel));
      view.AddListEntry(IDC_DISPLAY_MODE, text, static_cast<std::intptr_t>(i));
      if (static_cast<std::int64_t>(mode.width) == settings_.ScreenWidth &&
          static_cast<std::int64_t>(mode.height) == settings_.ScreenHeight &&
          static_cast<std::int64_t>(mode.bitsPerPixel) == settings_.BitsPerPixel) {
        selected = static_cast<int>(i);
      }
    }
    view.SelectListEntry(IDC_DISPLAY_MODE, selected);
  }

  FillChoices(view, IDC_FREQUENCY, kFrequencyChoices, "%d Гц", settings_.Frequency);
  FillChoices(view, IDC_BITRATE, kBitRateChoices, "%d бит", settings_.BitRate);
}

void SettingsDialogModel::OnCheckBoxClicked(SettingsView& view, int controlId) {
  for (const SettingRow& row : kSettingTable) {
    // A third state (not an automatic two-state box's) changes nothing.
    const CheckState state = row.IsCheckBox() && row.control == controlId ? view.GetCheck(controlId)
                                                                          : CheckState::kOther;
    if (state != CheckState::kOther) {
      row.Set(workingCopy_, (state == CheckState::kChecked) != row.boxInverted ? 1 : 0);
    }
  }
}

void SettingsDialogModel::ApplyPreset(SettingsView& view, SettingsPreset preset) {
  const int column = static_cast<int>(preset);
  for (const SettingRow& row : kSettingTable) {
    // A box the hardware disabled keeps its state.
    if (!row.IsCheckBox() || row.preset[column] == kPresetLeaves ||
        (row.needs != nullptr && !view.IsEnabled(row.control))) {
      continue;
    }
    SetBox(view, row, row.preset[column] != 0, workingCopy_);
  }

  if (AntialiasingListFilled()) {
    view.SelectListEntry(IDC_ANTIALIASING,
                         preset == SettingsPreset::kExcellent ? caps_.aaLevelCount - 1 : 0);
  }

  if (!modes_.empty()) {
    int selected = 0;
    if (preset != SettingsPreset::kNormal) {
      for (std::size_t i = 0; i < modes_.size(); ++i) {
        if (modes_[i].width == 1024 && modes_[i].height == 768 && modes_[i].bitsPerPixel == 32) {
          selected = static_cast<int>(i);
          break;
        }
      }
    }
    view.SelectListEntry(IDC_DISPLAY_MODE, selected);
  }

  view.SelectListEntry(IDC_FREQUENCY, kPresetFrequencyIndex[column]);
  view.SelectListEntry(IDC_BITRATE, kPresetBitRateIndex[column]);
}

Settings SettingsDialogModel::CollectSettings(SettingsView& view) const {
  Settings result = settings_;

  // With no mode listed there is nothing to choose from: the current mode stays.
  const int modeIndex = SelectedIndex(view, IDC_DISPLAY_MODE, modes_.size());
  if (modeIndex >= 0) {
    const DisplayMode& mode = modes_[static_cast<std::size_t>(modeIndex)];
    result.ScreenWidth = static_cast<std::int32_t>(mode.width);
    result.ScreenHeight = static_cast<std::int32_t>(mode.height);
    result.BitsPerPixel = static_cast<std::int32_t>(mode.bitsPerPixel);
  }
  const int frequencyIndex = SelectedIndex(view, IDC_FREQUENCY, 3);
  if (frequencyIndex >= 0) {
    result.Frequency = kFrequencyChoices[frequencyIndex];
  }
  const int bitRateIndex = SelectedIndex(view, IDC_BITRATE, 2);
  if (bitRateIndex >= 0) {
    result.BitRate = kBitRateChoices[bitRateIndex];
  }

  // When the probe never heard from Direct3D, the file's Quality stands: nothing says the
  // hardware lacks it.
  if (caps_.graphicsKnown) {
    const int qualitySelection = view.GetListSelection(IDC_ANTIALIASING);
    result.Quality =
        qualitySelection < 0
            ? -1
            : static_cast<std::int32_t>(view.GetListItemData(IDC_ANTIALIASING, qualitySelection));
  }

  // Where the probe could not tell, the box could not change and the file's own value stands
  // as it was written (Joystick 7 stays 7).
  for (const SettingRow& row : kSettingTable) {
    if (!row.Answered(caps_)) {
      continue;
    }
    if (row.IsCheckBox()) {
      row.Set(result, row.Get(workingCopy_));
    } else if (row.control == 0 && row.needs != nullptr) {
      row.Set(result, row.Offered(caps_) ? 1 : 0);  // FSAA: on where offered
    }
  }
  return result;
}

SettingsConfirmation SettingsDialogModel::Confirm(SettingsView& view,
                                                  const std::string& configPath) const {
  SettingsConfirmation confirmation;
  confirmation.settings = CollectSettings(view);
  confirmation.written =
      WriteConfiguration(configPath, confirmation.settings, &confirmation.failure);
  return confirmation;
}

SettingsCommandOutcome SettingsDialogModel::HandleCommand(SettingsView& view, int commandId,
                                                          const std::string& configPath) {
  SettingsCommandOutcome outcome;
  switch (commandId) {
    case IDC_PRESET_NORMAL:
      ApplyPreset(view, SettingsPreset::kNormal);
      break;
    case IDC_PRESET_GOOD:
      ApplyPreset(view, SettingsPreset::kGood);
      break;
    case IDC_PRESET_EXCELLENT:
      ApplyPreset(view, SettingsPreset::kExcellent);
      break;
    case 1: {
      if (fileUnread_) {
        outcome.action = SettingsCommandOutcome::Action::kShowUnreadFile;
        break;
      }
      const SettingsConfirmation confirmation = Confirm(view, configPath);
      if (confirmation.written) {
        settings_ = confirmation.settings;
        outcome.action = SettingsCommandOutcome::Action::kEndDialog;
        outcome.dialogResult = 1;
      } else {
        outcome.action = SettingsCommandOutcome::Action::kShowWriteError;
        outcome.writeFailure = confirmation.failure;
      }
      break;
    }
    case 2:
      outcome.action = SettingsCommandOutcome::Action::kEndDialog;
      outcome.dialogResult = 2;
      break;
    default:
      OnCheckBoxClicked(view, commandId);
      break;
  }
  return outcome;
}
