#include "launcher/settings_dialog_win.h"

#include <new>

#include "engine/wide_text_win.h"
#include "launcher/dialog_fit_win.h"
#include "launcher/failure_message_win.h"
#include "launcher/resource_ids.h"
#include "launcher/settings_dialog_model.h"

namespace {

// The model's controls are the dialog's children, reached by id.
class Win32SettingsView : public SettingsView {
public:
  explicit Win32SettingsView(HWND dialog) : dialog_(dialog) {}

  void SetCheck(int controlId, bool checked) override {
    CheckDlgButton(dialog_, controlId, checked ? BST_CHECKED : BST_UNCHECKED);
  }
  CheckState GetCheck(int controlId) override {
    switch (IsDlgButtonChecked(dialog_, controlId)) {
      case BST_CHECKED:
        return CheckState::kChecked;
      case BST_UNCHECKED:
        return CheckState::kUnchecked;
      default:
        return CheckState::kOther;
    }
  }
  void Enable(int controlId, bool enabled) override {
    EnableWindow(GetDlgItem(dialog_, controlId), enabled ? TRUE : FALSE);
  }
  bool IsEnabled(int controlId) override {
    return IsWindowEnabled(GetDlgItem(dialog_, controlId)) != FALSE;
  }
  void AddListEntry(int listId, const std::string& text, std::intptr_t itemData) override {
    const std::wstring wide = WidenUtf8(text);
    const LRESULT index = SendDlgItemMessageW(dialog_, listId, CB_ADDSTRING, 0,
                                              reinterpret_cast<LPARAM>(wide.c_str()));
    if (index >= 0) {
      SendDlgItemMessageW(dialog_, listId, CB_SETITEMDATA, static_cast<WPARAM>(index),
                          static_cast<LPARAM>(itemData));
    }
  }
  void SelectListEntry(int listId, int index) override {
    SendDlgItemMessageW(dialog_, listId, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
  int GetListSelection(int listId) override {
    const LRESULT selection = SendDlgItemMessageW(dialog_, listId, CB_GETCURSEL, 0, 0);
    return selection < 0 ? -1 : static_cast<int>(selection);
  }
  std::intptr_t GetListItemData(int listId, int index) override {
    return static_cast<std::intptr_t>(
        SendDlgItemMessageW(dialog_, listId, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
  }

private:
  HWND dialog_;
};

struct SettingsDialogContext {
  SettingsDialogModel model;
  std::string configPath;
};

void ShowWriteError(HWND dialog, const std::string& configPath, const WriteFailure& failure) {
  ShowFailure(dialog, L"Настройки",
              L"Не удалось сохранить настройки в файл " + WidenAnsi(configPath) + L".",
              WriteFailureReason(configPath, failure));
}

void ShowUnreadFile(HWND dialog, const std::string& configPath) {
  ShowFailure(dialog, L"Настройки",
              L"Не удалось прочитать файл " + WidenAnsi(configPath) +
                  L", поэтому настройки в него не сохранены.",
              FileProblem(configPath));
}

INT_PTR HandleMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      auto* context = reinterpret_cast<SettingsDialogContext*>(lParam);
      Win32SettingsView view(dialog);
      context->model.Initialize(view);
      CentreOnScreen(dialog);
      return TRUE;
    }
    case WM_COMMAND: {
      auto* context =
          reinterpret_cast<SettingsDialogContext*>(GetWindowLongPtrW(dialog, DWLP_USER));
      if (context == nullptr) {
        return TRUE;
      }
      Win32SettingsView view(dialog);
      const SettingsCommandOutcome outcome =
          context->model.HandleCommand(view, LOWORD(wParam), context->configPath);
      switch (outcome.action) {
        case SettingsCommandOutcome::Action::kEndDialog:
          EndDialog(dialog, outcome.dialogResult);
          break;
        case SettingsCommandOutcome::Action::kShowWriteError:
          ShowWriteError(dialog, context->configPath, outcome.writeFailure);
          break;
        case SettingsCommandOutcome::Action::kShowUnreadFile:
          ShowUnreadFile(dialog, context->configPath);
          break;
        case SettingsCommandOutcome::Action::kNone:
          break;
      }
      return TRUE;
    }
    case WM_CLOSE:
      EndDialog(dialog, IDC_EXIT);
      return TRUE;
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  // Nothing may unwind through the window manager; the only thing that can throw here is a
  // failed allocation for a list entry's text, which leaves that entry out.
  try {
    return HandleMessage(dialog, message, wParam, lParam);
  } catch (...) {
    return TRUE;
  }
}

}  // namespace

void CentreOnScreen(HWND window) {
  RECT rect;
  if (!GetWindowRect(window, &rect)) {
    return;
  }
  const PixelRect placed = PlaceWindow(PixelSize{rect.right - rect.left, rect.bottom - rect.top},
                                       PrimaryScreen(), PrimaryWorkArea());
  MoveWindow(window, placed.left, placed.top, placed.Width(), placed.Height(), TRUE);
}

INT_PTR RunSettingsDialog(HINSTANCE instance, HWND owner, Settings& settings,
                          const Capabilities& caps, const DisplayModeList& modes,
                          const std::string& configPath, bool fileUnread) {
  try {
    SettingsDialogContext context{SettingsDialogModel(settings, caps, modes), configPath};
    context.model.SetFileUnread(fileUnread);
    return RunFittedDialog(instance, IDD_SETTINGS, owner, SettingsDialogProc,
                           reinterpret_cast<LPARAM>(&context));
  } catch (const std::bad_alloc&) {
    return -1;
  }
}
