#include "ui/options_dialog/options_dlg.h"

#include <commctrl.h>

#include <climits>
#include <string>
#include <vector>

#include "engine/archiver_library.h"
#include "engine/save_folder_change.h"
#include "exclusion/exclusion_patterns.h"
#include "fileutil/browse_for_directory.h"
#include "res/resource.h"
#include "settings/profile.h"
#include "text/string_table.h"
#include "ui/framework/message_box.h"
#include "ui/options_dialog/ini_write_check.h"

namespace zelk::ui {
namespace {

constexpr int kCountLowest = 2;
constexpr int kCountHighest = 99;
constexpr int kIntervalLowest = 1;
constexpr int kHoursHighest = 24;
constexpr int kMinutesHighest = 59;

const unsigned kUnits[] = {IDS_UNIT_HOURS, IDS_UNIT_MINUTES, IDS_UNIT_SECONDS};
const int kFormatButtons[] = {IDC_OPT_FORMAT_PLAIN, IDC_OPT_FORMAT_ZIP, IDC_OPT_FORMAT_LZH};

// The check boxes and the flags of the record they show.
struct FlagBox {
  int id;
  bool settings::CSettings::*flag;
};
const FlagBox kFlagBoxes[] = {
    {IDC_OPT_OPEN_START, &settings::CSettings::OpenStart},
    {IDC_OPT_START_BACKUP, &settings::CSettings::StartBackup},
    {IDC_OPT_END_BACKUP, &settings::CSettings::EndBackup},
    {IDC_OPT_LINK_UNCHANGED, &settings::CSettings::LinkUnchanged},
    {IDC_OPT_NOTIFY_ONLY, &settings::CSettings::NotifyOnly},
    {IDC_OPT_SKIP_UNCHANGED, &settings::CSettings::SkipUnchanged},
    {IDC_OPT_VERIFY, &settings::CSettings::Verify},
};

std::string WindowText(HWND window) {
  const int length = GetWindowTextLengthA(window);
  if (length <= 0) return {};
  std::vector<char> text(static_cast<std::size_t>(length) + 1, '\0');
  const int got = GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
  return std::string(text.data(), got > 0 ? static_cast<std::size_t>(got) : 0);
}

// A text read as a decimal number: leading blanks, a sign and the digits
// that follow; anything else (or nothing) counts as 0. Never overflows.
int ParseDecimal(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > INT_MAX) value = INT_MAX;
  }
  return static_cast<int>(negative ? -value : value);
}

// The hourglass from the first step of OK to its last.
class WaitCursor {
 public:
  WaitCursor() : previous_(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {}
  ~WaitCursor() { SetCursor(previous_); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  HCURSOR previous_;
};

}  // namespace

COptiondlg::COptiondlg(HWND parent, settings::CSettings& settings, engine::CBackupEngine& engine,
                       std::function<bool()> isBackupRunning)
    : CDialog(IDD_OPTIONS, parent),
      settings_(settings),
      engine_(engine),
      isBackupRunning_(std::move(isBackupRunning)) {
  // The spins' window class, whoever runs the dialog.
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  Bind(savePath_, IDC_OPT_SAVE_PATH);
}

BOOL COptiondlg::OnInitDialog() {
  ShowValues(settings_);

  // An archiver that cannot be used has its format button disabled; its
  // format falls back to an uncompressed copy. The check asks the library
  // itself and leaves the engine's last-error text alone.
  for (int format : {settings::ZipArchive, settings::LzhArchive}) {
    if (engine::ArchiverUnavailableReason(format).empty()) continue;
    const int button = kFormatButtons[format];
    EnableWindow(Item(button), FALSE);
    if (IsDlgButtonChecked(hwnd(), button) == BST_CHECKED) {
      CheckRadioButton(hwnd(), IDC_OPT_FORMAT_PLAIN, IDC_OPT_FORMAT_LZH, IDC_OPT_FORMAT_PLAIN);
    }
  }

  SetFocus(Item(IDOK));
  return FALSE;
}

void COptiondlg::ShowValues(const settings::CSettings& values) {
  SetWindowTextA(Item(IDC_OPT_SAVE_PATH), values.SavePath.c_str());
  SetNumber(IDC_OPT_INTERVAL, values.SaveTimeNum);

  HWND units = Item(IDC_OPT_UNIT);
  SendMessageA(units, CB_RESETCONTENT, 0, 0);
  for (unsigned unit : kUnits) {
    const std::string name = text::LoadText(unit);
    SendMessageA(units, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  }
  const bool knownUnit = values.SaveTimeTani >= 0 && values.SaveTimeTani <= 2;
  SendMessageA(units, CB_SETCURSEL, knownUnit ? values.SaveTimeTani : -1, 0);

  SetHistoryChoice(values.History != 0 ? 1 : 0);

  SetIntervalRange(values.SaveTimeTani);
  SendMessageA(Item(IDC_OPT_HISTORY_SPIN), UDM_SETRANGE32, kCountLowest, kCountHighest);
  SetNumber(IDC_OPT_HISTORY_NUM, values.HistoryNum);

  for (int format = 0; format < 3; ++format) {
    CheckDlgButton(hwnd(), kFormatButtons[format],
                   values.DefMode == format ? BST_CHECKED : BST_UNCHECKED);
  }
  for (const FlagBox& box : kFlagBoxes) {
    CheckDlgButton(hwnd(), box.id, values.*box.flag ? BST_CHECKED : BST_UNCHECKED);
  }
  SetWindowTextA(Item(IDC_OPT_EXCLUDE), values.Exclude.c_str());
}

settings::CSettings COptiondlg::ReadValues() const {
  settings::CSettings values;
  values.SavePath = WindowText(Item(IDC_OPT_SAVE_PATH));
  values.SaveTimeNum = ReadNumber(IDC_OPT_INTERVAL);
  values.SaveTimeTani = SelectedUnit();
  values.History = historyChoice_;
  values.HistoryNum = ReadNumber(IDC_OPT_HISTORY_NUM);
  for (const FlagBox& box : kFlagBoxes) {
    values.*box.flag = IsDlgButtonChecked(hwnd(), box.id) != BST_UNCHECKED;
  }
  values.Exclude = WindowText(Item(IDC_OPT_EXCLUDE));
  values.DefMode = -1;
  for (int format = 0; format < 3; ++format) {
    if (IsDlgButtonChecked(hwnd(), kFormatButtons[format]) == BST_CHECKED) values.DefMode = format;
  }
  return values;
}

INT_PTR COptiondlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
  if (message == WM_COMMAND) {
    OnCommand(LOWORD(wParam), HIWORD(wParam));
    handled = true;
    return TRUE;
  }
  return CDialog::OnMessage(message, wParam, lParam, handled);
}

void COptiondlg::OnCommand(WORD id, WORD code) {
  switch (id) {
    case IDC_OPT_BROWSE:
      if (code == BN_CLICKED) OnBrowse();
      break;
    case IDC_OPT_HISTORY_NONE:
      if (code == BN_CLICKED) OnHistoryNone();
      break;
    case IDC_OPT_HISTORY_KEEP:
      if (code == BN_CLICKED) SetHistoryChoice(1);
      break;
    case IDC_OPT_HISTORY_NUM:
      if (code == EN_KILLFOCUS && !closing_) CorrectCount();
      break;
    case IDC_OPT_INTERVAL:
      if (code == EN_KILLFOCUS && !closing_) CorrectInterval(false);
      break;
    case IDC_OPT_UNIT:
      if (code == CBN_SELCHANGE) OnUnitChanged();
      break;
    case IDC_OPT_DEFAULTS:
      if (code == BN_CLICKED) OnDefaults();
      break;
    default:
      break;
  }
}

void COptiondlg::OnBrowse() {
  fileutil::CBrowseForDirectory picker(hwnd(), text::LoadText(IDS_BROWSE_SAVE_FOLDER),
                                       WindowText(Item(IDC_OPT_SAVE_PATH)));
  if (picker.DoModal()) SetWindowTextA(Item(IDC_OPT_SAVE_PATH), picker.GetDirectoryDir().c_str());
}

void COptiondlg::OnHistoryNone() {
  const int answer = ShowMessageBox(hwnd(), text::LoadText(IDS_KEEP_NONE_QUESTION), text::LoadText(IDS_CONFIRM),
                                    MB_YESNO | MB_ICONQUESTION);
  SetHistoryChoice(answer == IDYES ? 0 : historyChoice_);
}

void COptiondlg::SetHistoryChoice(int choice) {
  historyChoice_ = choice;
  CheckRadioButton(hwnd(), IDC_OPT_HISTORY_NONE, IDC_OPT_HISTORY_KEEP,
                   choice == 0 ? IDC_OPT_HISTORY_NONE : IDC_OPT_HISTORY_KEEP);
  const BOOL enable = choice != 0 ? TRUE : FALSE;
  EnableWindow(Item(IDC_OPT_HISTORY_NUM), enable);
  EnableWindow(Item(IDC_OPT_HISTORY_SPIN), enable);
}

bool COptiondlg::CorrectCount() {
  const int count = ReadNumber(IDC_OPT_HISTORY_NUM);
  // The box takes the corrected number before the message shows, so that
  // the focus moving to the message box finds nothing more to correct.
  if (count < kCountLowest) {
    SetNumber(IDC_OPT_HISTORY_NUM, kCountLowest);
    ShowMessageBox(hwnd(), text::Format(IDS_HISTORY_TOO_FEW, std::to_string(kCountLowest)), MB_OK);
    return false;
  }
  if (count > kCountHighest) {
    SetNumber(IDC_OPT_HISTORY_NUM, kCountHighest);
    ShowMessageBox(hwnd(), text::Format(IDS_HISTORY_TOO_MANY, std::to_string(kCountHighest)), MB_OK);
    return false;
  }
  return true;
}

void COptiondlg::CorrectInterval(bool atOk) {
  const int unit = SelectedUnit();
  const int interval = ReadNumber(IDC_OPT_INTERVAL);
  int corrected = interval;
  if (unit == settings::Hours || unit == settings::Minutes || unit == settings::Seconds) {
    const int highest = unit == settings::Hours ? kHoursHighest : kMinutesHighest;
    if (corrected < kIntervalLowest) corrected = kIntervalLowest;
    if (corrected > highest) corrected = highest;
  } else if (atOk && corrected < kIntervalLowest) {
    corrected = kIntervalLowest;  // a zero period would fire the timer without pause
  }
  if (corrected != interval) SetNumber(IDC_OPT_INTERVAL, corrected);
}

void COptiondlg::OnUnitChanged() {
  const int unit = SelectedUnit();
  SetIntervalRange(unit);
  if (unit == settings::Hours && ReadNumber(IDC_OPT_INTERVAL) > kHoursHighest) {
    SetNumber(IDC_OPT_INTERVAL, kHoursHighest);
  }
}

void COptiondlg::OnDefaults() {
  settings::CSettings defaults;
  defaults.SetDefaults();
  ShowValues(defaults);
}

void COptiondlg::OnCancel() {
  closing_ = true;
  CDialog::OnCancel();
}

void COptiondlg::OnOK() {
  if (closing_) return;
  // The corrections of leaving a box apply to OK as well, so that no
  // interval of 0 or count of 1 is stored. A count the user typed out of
  // range is reported and shown corrected; OK then has to be pressed again.
  CorrectInterval(true);
  if (IsWindowEnabled(Item(IDC_OPT_HISTORY_NUM))) {
    if (!CorrectCount()) return;
  } else {
    const int count = ReadNumber(IDC_OPT_HISTORY_NUM);
    if (count < kCountLowest) SetNumber(IDC_OPT_HISTORY_NUM, kCountLowest);
    if (count > kCountHighest) SetNumber(IDC_OPT_HISTORY_NUM, kCountHighest);
  }

  const settings::CSettings entered = ReadValues();
  if (RefuseBeforeApply(entered)) return;
  engine::OptionsApplyResult result;
  {
    WaitCursor wait;
    engine::CSaveFolderChange change(
        settings_, engine_,
        [this](const std::string& text, const std::string& caption, unsigned flags) {
          return ShowMessageBox(hwnd(), text, caption, flags);
        },
        ApplicationName());
    change.SetBusyCheck(isBackupRunning_);
    result = change.Apply(entered);
  }
  if (result.restoreOldFolder) {
    SetWindowTextA(Item(IDC_OPT_SAVE_PATH), settings_.SavePath.c_str());
  }
  // The record holds the new values; the dialog ends only once they are in
  // the INI file, and stays open for another OK or キャンセル otherwise.
  if (result.closeWithOk && !SaveRecord()) {
    closing_ = true;
    EndDialog(IDOK);
  }
}

bool COptiondlg::RefuseBeforeApply(const settings::CSettings& entered) {
  if (auto pattern = exclusion::FindRefusedPattern(entered.Exclude)) {
    ShowMessageBox(hwnd(), text::Format(IDS_EXCLUDE_REFUSED, *pattern), text::LoadText(IDS_RESTRICTION),
                   MB_OK | MB_ICONEXCLAMATION);
    SetFocus(Item(IDC_OPT_EXCLUDE));
    return true;
  }
  if (auto reason = IniWriteRefusal(settings::IniPath())) {
    ShowSaveFailure(*reason);
    return true;
  }
  return false;
}

bool COptiondlg::SaveRecord() {
  if (!settings_.Save()) return false;
  const auto reason = IniWriteRefusal(settings::IniPath());
  ShowSaveFailure(reason ? *reason : text::LoadText(IDS_UNEXPECTED_ERROR));
  return true;
}

void COptiondlg::ShowSaveFailure(const std::string& reason) {
  ShowMessageBox(hwnd(), text::Format(IDS_SETTINGS_NOT_SAVED, settings::IniPath(), reason), "Error",
                 MB_OK | MB_ICONERROR);
}

int COptiondlg::ReadNumber(int id) const { return ParseDecimal(WindowText(Item(id))); }

void COptiondlg::SetNumber(int id, int value) {
  SetWindowTextA(Item(id), std::to_string(value).c_str());
}

int COptiondlg::SelectedUnit() const {
  return static_cast<int>(SendMessageA(Item(IDC_OPT_UNIT), CB_GETCURSEL, 0, 0));
}

void COptiondlg::SetIntervalRange(int unit) {
  SendMessageA(Item(IDC_OPT_INTERVAL_SPIN), UDM_SETRANGE32, kIntervalLowest,
               unit == settings::Hours ? kHoursHighest : kMinutesHighest);
}

}  // namespace zelk::ui
