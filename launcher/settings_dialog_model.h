#pragma once

#include <cstdint>
#include <string>

#include "settings/config_file.h"
#include "settings/game_settings.h"

// The settings dialog's behaviour, kept apart from any window system: the Win32 dialog procedure
// forwards its messages here and shows the results through SettingsView.

enum class CheckState { kUnchecked, kChecked, kOther };

// The handful of control operations the dialog needs. Control ids are those of resource_ids.h.
class SettingsView {
public:
  virtual ~SettingsView() = default;

  virtual void SetCheck(int controlId, bool checked) = 0;
  virtual CheckState GetCheck(int controlId) = 0;
  virtual void Enable(int controlId, bool enabled) = 0;
  virtual bool IsEnabled(int controlId) = 0;
  // Appends an entry at the end of a drop-down list; `text` is UTF-8.
  virtual void AddListEntry(int listId, const std::string& text, std::intptr_t itemData) = 0;
  virtual void SelectListEntry(int listId, int index) = 0;
  // The selected entry's index, or -1 when nothing is selected.
  virtual int GetListSelection(int listId) = 0;
  virtual std::intptr_t GetListItemData(int listId, int index) = 0;
};

// The record as the check boxes show it: every box's setting follows its box (reduced to 0 or
// 1), the rest is the record's. The setting's value, not the box's: NoVE is shown inverted.
using SettingsWorkingCopy = Settings;

enum class SettingsPreset { kNormal, kGood, kExcellent };

// What pressing OK produced: the record to keep and whether the file now holds it (if not, why).
struct SettingsConfirmation {
  Settings settings;
  bool written = false;
  WriteFailure failure;
};

struct SettingsCommandOutcome {
  enum class Action {
    kNone,            // the dialog stays open
    kEndDialog,       // end with `dialogResult`
    kShowWriteError,  // the file was not written: tell the player, keep the dialog open
    kShowUnreadFile,  // the file could not be read, so OK writes nothing: tell, keep it open
  };
  Action action = Action::kNone;
  int dialogResult = 0;
  WriteFailure writeFailure;  // with kShowWriteError: why, as the writer found it
};

// Frequencies and sample sizes offered by the audio lists, in list order.
extern const std::int32_t kFrequencyChoices[3];
extern const std::int32_t kBitRateChoices[2];

class SettingsDialogModel {
public:
  // `settings` is the record the dialog edits (GameSettings in the launcher); it changes only
  // when OK has written the configuration file. `caps` and `modes` are copied.
  SettingsDialogModel(Settings& settings, const Capabilities& caps, const DisplayModeList& modes);

  // The file at the path OK writes is there but could not be read: OK must not write over it,
  // since the player's values in it are not in the record.
  void SetFileUnread(bool unread) { fileUnread_ = unread; }

  // Fills the working copy, enables, checks and fills the controls (everything the dialog's
  // start-up does except placing the window).
  void Initialize(SettingsView& view);

  // A command from control `commandId`. `configPath` is where OK writes.
  SettingsCommandOutcome HandleCommand(SettingsView& view, int commandId,
                                       const std::string& configPath);

  void ApplyPreset(SettingsView& view, SettingsPreset preset);
  // Reads a check box after a click into its working flag.
  void OnCheckBoxClicked(SettingsView& view, int controlId);
  // The record OK would store, from the working copy and the list selections.
  Settings CollectSettings(SettingsView& view) const;
  // Writes CollectSettings() to `configPath`; the edited record is not touched.
  SettingsConfirmation Confirm(SettingsView& view, const std::string& configPath) const;

  const SettingsWorkingCopy& WorkingCopy() const { return workingCopy_; }

private:
  bool AntialiasingListFilled() const;
  void FillLists(SettingsView& view);

  Settings& settings_;
  Capabilities caps_;
  DisplayModeList modes_;
  SettingsWorkingCopy workingCopy_;
  bool fileUnread_ = false;
};
