#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "launcher/settings_dialog_model.h"

// Controls held in memory and behaving like the Win32 ones where the model could tell the
// difference: a list selection outside the entries clears the selection.
class FakeSettingsView : public SettingsView {
public:
  struct Control {
    CheckState check = CheckState::kUnchecked;
    bool enabled = true;
    std::vector<std::pair<std::string, std::intptr_t>> entries;
    int selection = -1;
  };

  void SetCheck(int controlId, bool checked) override {
    controls[controlId].check = checked ? CheckState::kChecked : CheckState::kUnchecked;
  }
  CheckState GetCheck(int controlId) override { return controls[controlId].check; }
  void Enable(int controlId, bool enabled) override { controls[controlId].enabled = enabled; }
  bool IsEnabled(int controlId) override { return controls[controlId].enabled; }
  void AddListEntry(int listId, const std::string& text, std::intptr_t itemData) override {
    controls[listId].entries.emplace_back(text, itemData);
  }
  void SelectListEntry(int listId, int index) override {
    Control& list = controls[listId];
    list.selection = index >= 0 && index < static_cast<int>(list.entries.size()) ? index : -1;
  }
  int GetListSelection(int listId) override { return controls[listId].selection; }
  std::intptr_t GetListItemData(int listId, int index) override {
    const Control& list = controls[listId];
    if (index < 0 || index >= static_cast<int>(list.entries.size())) {
      return -1;  // CB_ERR
    }
    return list.entries[static_cast<std::size_t>(index)].second;
  }

  // Test helpers
  bool Checked(int controlId) { return controls[controlId].check == CheckState::kChecked; }
  std::vector<std::string> Texts(int listId) {
    std::vector<std::string> texts;
    for (const auto& entry : controls[listId].entries) {
      texts.push_back(entry.first);
    }
    return texts;
  }
  std::string SelectedText(int listId) {
    const Control& list = controls[listId];
    return list.selection < 0 ? std::string("<none>")
                              : list.entries[static_cast<std::size_t>(list.selection)].first;
  }
  // What a click on an automatic check box does before the dialog hears of it.
  void Toggle(int controlId) {
    Control& box = controls[controlId];
    box.check = box.check == CheckState::kChecked ? CheckState::kUnchecked : CheckState::kChecked;
  }

  std::map<int, Control> controls;
};
