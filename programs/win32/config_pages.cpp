// The four pages of the configuration sheet as Windows dialogs. Every decision is the page
// logic's (config/); these procedures fill the controls from it and report what the user did.

#include "programs/win32/config_pages.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/page_common.h"
#include "programs/win32/config_resources.h"

namespace ironwood::platform::win32config {

namespace {

SheetContext& Context(HWND page) {
  return *reinterpret_cast<SheetContext*>(GetWindowLongPtrA(page, DWLP_USER));
}

// Keeps the context the sheet handed to the page; returns it.
SheetContext& TakeContext(HWND page, LPARAM lParam) {
  const auto* description = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
  SetWindowLongPtrA(page, DWLP_USER, description->lParam);
  return Context(page);
}

void ShowMessage(HWND page, const std::string& message) {
  if (message.empty()) return;
  MessageBoxA(GetParent(page), message.c_str(), std::string(config::kSheetCaption).c_str(),
              MB_OK | MB_ICONWARNING);
}

// Sent to a page to show the messages its Show() gave: a page is shown while the sheet or the
// page is being made, before there is anything on screen to put a message box over.
constexpr UINT kShowLaterMessages = WM_APP + 1;

void ShowLater(HWND page, std::string message) {
  if (message.empty()) return;
  Context(page).laterMessages.push_back(std::move(message));
  PostMessageA(page, kShowLaterMessages, 0, 0);
}

bool ShowLaterMessages(HWND page) {
  std::vector<std::string> messages;
  messages.swap(Context(page).laterMessages);
  for (const std::string& message : messages) ShowMessage(page, message);
  return true;
}

// A list box scrolls sideways only as far as it is told: as wide as its longest row, in the
// list's own font, with a little room after it.
void SetScrollWidth(HWND list, const std::vector<std::string>& rows) {
  HDC context = GetDC(list);
  if (context == nullptr) return;
  const auto font = reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0));
  const HGDIOBJ previous = font != nullptr ? SelectObject(context, font) : nullptr;
  LONG widest = 0;
  for (const std::string& row : rows) {
    SIZE size = {};
    if (GetTextExtentPoint32A(context, row.c_str(), static_cast<int>(row.size()), &size)) {
      widest = std::max(widest, size.cx);
    }
  }
  TEXTMETRICA metrics = {};
  GetTextMetricsA(context, &metrics);
  if (previous != nullptr) SelectObject(context, previous);
  ReleaseDC(list, context);
  SendMessageA(list, LB_SETHORIZONTALEXTENT, widest > 0 ? widest + metrics.tmAveCharWidth : 0, 0);
}

// Sorted controls put the rows where their own order says, so each item carries the index of
// its row in the page's list; selections are read and set through that index.
void FillRows(HWND page, int id, const std::vector<std::string>& rows, int selection,
              bool combo) {
  const UINT reset = combo ? CB_RESETCONTENT : LB_RESETCONTENT;
  const UINT add = combo ? CB_ADDSTRING : LB_ADDSTRING;
  const UINT setData = combo ? CB_SETITEMDATA : LB_SETITEMDATA;
  const UINT setSelection = combo ? CB_SETCURSEL : LB_SETCURSEL;
  const UINT getData = combo ? CB_GETITEMDATA : LB_GETITEMDATA;
  SendDlgItemMessageA(page, id, reset, 0, 0);
  for (std::size_t row = 0; row < rows.size(); ++row) {
    const LRESULT item =
        SendDlgItemMessageA(page, id, add, 0, reinterpret_cast<LPARAM>(rows[row].c_str()));
    if (item >= 0) SendDlgItemMessageA(page, id, setData, item, static_cast<LPARAM>(row));
  }
  WPARAM chosen = static_cast<WPARAM>(-1);
  for (std::size_t item = 0; item < rows.size() && selection >= 0; ++item) {
    if (SendDlgItemMessageA(page, id, getData, item, 0) == selection) chosen = item;
  }
  SendDlgItemMessageA(page, id, setSelection, chosen, 0);
  if (!combo) SetScrollWidth(GetDlgItem(page, id), rows);
}

// The row index of the control's selected item; -1 when nothing is selected.
int SelectedRow(HWND page, int id, bool combo) {
  const LRESULT item =
      SendDlgItemMessageA(page, id, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0);
  if (item < 0) return -1;
  return static_cast<int>(
      SendDlgItemMessageA(page, id, combo ? CB_GETITEMDATA : LB_GETITEMDATA, item, 0));
}

// Shows the page's notice in place of a drop-down when there is one.
void ShowNotice(HWND page, int listId, int noticeId, const std::string& notice) {
  SetDlgItemTextA(page, noticeId, notice.c_str());
  ShowWindow(GetDlgItem(page, noticeId), notice.empty() ? SW_HIDE : SW_SHOW);
  ShowWindow(GetDlgItem(page, listId), notice.empty() ? SW_SHOW : SW_HIDE);
}

void Check(HWND page, int id, bool on) {
  CheckDlgButton(page, id, on ? BST_CHECKED : BST_UNCHECKED);
}

int SliderPosition(HWND slider) {
  return static_cast<int>(SendMessageA(slider, TBM_GETPOS, 0, 0));
}

void SetSlider(HWND page, int id, int low, int high, int position) {
  SendDlgItemMessageA(page, id, TBM_SETRANGE, TRUE, MAKELPARAM(low, high));
  SendDlgItemMessageA(page, id, TBM_SETPOS, TRUE, position);
}

enum class FileDialog { kOpen, kSave };

// The common save or open dialog over the sheet, with one filter. Every one here leaves the
// current folder as it was and has no read-only box; flags adds what this one asks of the chosen
// name. It opens in startFolder (the system's choice when empty) with startName filled in.
// The chosen path, or nothing when cancelled.
std::optional<std::string> ChooseFile(HWND page, FileDialog kind, std::string_view titleText,
                                      std::string_view filterName, std::string_view filterPattern,
                                      DWORD flags, const std::string& startName = {},
                                      const std::string& startFolder = {},
                                      const char* defaultExtension = nullptr) {
  const std::string filter =
      std::string(filterName) + '\0' + std::string(filterPattern) + '\0' + '\0';
  const std::string title(titleText);
  char file[1024] = {};
  char fileTitle[1024] = {};
  startName.copy(file, sizeof file - 1);
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = GetParent(page);
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file;
  dialog.nMaxFile = sizeof file;
  dialog.lpstrFileTitle = fileTitle;
  dialog.nMaxFileTitle = sizeof fileTitle;
  dialog.lpstrInitialDir = startFolder.empty() ? nullptr : startFolder.c_str();
  dialog.lpstrTitle = title.c_str();
  dialog.lpstrDefExt = defaultExtension;
  dialog.Flags = OFN_NOCHANGEDIR | OFN_HIDEREADONLY | flags;
  const BOOL chosen =
      kind == FileDialog::kSave ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog);
  if (!chosen) return std::nullopt;
  return std::string(file);
}

// OK was pressed: every page that was ever shown hears it; the sheet saves once it has closed.
bool AnswerSheetNotice(HWND page, LPARAM lParam) {
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  if (header->code != static_cast<UINT>(PSN_APPLY)) return false;
  Context(page).okPressed = true;
  SetWindowLongPtrA(page, DWLP_MSGRESULT, PSNRET_NOERROR);
  return true;
}

// --- "   Scenario Configuration   " ---

void FillScenarioConfig(HWND page) {
  config::ScenarioConfigPage& logic = Context(page).program->scenarioConfig;
  ShowNotice(page, IDC_SCENARIO_FILES, IDC_SCENARIO_NOTICE, logic.notice());
  FillRows(page, IDC_SCENARIO_FILES, logic.files(), logic.fileSelection(), true);
  FillRows(page, IDC_CATALOGUE, logic.rows(), logic.rowSelection(), false);
}

INT_PTR CALLBACK ScenarioConfigProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      ShowLater(page, TakeContext(page, lParam).program->scenarioConfig.Show());
      FillScenarioConfig(page);
      return TRUE;
    case kShowLaterMessages:
      return ShowLaterMessages(page);
    case WM_NOTIFY:
      if (reinterpret_cast<const NMHDR*>(lParam)->code == static_cast<UINT>(PSN_SETACTIVE)) {
        // Lists the folder again, so a scenario the editor has just saved can be added.
        ShowLater(page, Context(page).program->scenarioConfig.Show());
        FillScenarioConfig(page);
        SetWindowLongPtrA(page, DWLP_MSGRESULT, 0);
        return TRUE;
      }
      return AnswerSheetNotice(page, lParam);
    case WM_COMMAND: {
      config::ScenarioConfigPage& logic = Context(page).program->scenarioConfig;
      switch (LOWORD(wParam)) {
        case IDC_SCENARIO_FILES:
          if (HIWORD(wParam) == CBN_SELCHANGE) logic.SelectFile(SelectedRow(page, IDC_SCENARIO_FILES, true));
          return TRUE;
        case IDC_CATALOGUE:
          if (HIWORD(wParam) == LBN_SELCHANGE) logic.SelectRow(SelectedRow(page, IDC_CATALOGUE, false));
          return TRUE;
        case IDC_CATALOGUE_ADD: {
          // A selection made without a notification (by another program) counts too.
          logic.SelectFile(SelectedRow(page, IDC_SCENARIO_FILES, true));
          const std::string refusal = logic.Add();
          FillScenarioConfig(page);
          ShowMessage(page, refusal);
          return TRUE;
        }
        case IDC_CATALOGUE_REMOVE:
          logic.SelectRow(SelectedRow(page, IDC_CATALOGUE, false));
          logic.Remove();
          FillScenarioConfig(page);
          return TRUE;
      }
      return FALSE;
    }
  }
  return FALSE;
}

// --- "   Scenario Editor   " ---

struct AllianceControls {
  int plugins, notice, count, add, remove, list;
};
constexpr AllianceControls kAlliances[2] = {
    {IDC_ALLIANCE1_PLUGINS, IDC_ALLIANCE1_NOTICE, IDC_ALLIANCE1_COUNT, IDC_ALLIANCE1_ADD,
     IDC_ALLIANCE1_REMOVE, IDC_ALLIANCE1_LIST},
    {IDC_ALLIANCE2_PLUGINS, IDC_ALLIANCE2_NOTICE, IDC_ALLIANCE2_COUNT, IDC_ALLIANCE2_ADD,
     IDC_ALLIANCE2_REMOVE, IDC_ALLIANCE2_LIST},
};

void FillAllianceLists(HWND page) {
  config::ScenarioEditorPage& logic = Context(page).program->scenarioEditor;
  for (int alliance = 0; alliance < 2; ++alliance) {
    FillRows(page, kAlliances[alliance].list, logic.entries(alliance),
             logic.entrySelection(alliance), false);
  }
}

void FillScenarioEditor(HWND page) {
  config::ScenarioEditorPage& logic = Context(page).program->scenarioEditor;
  for (int alliance = 0; alliance < 2; ++alliance) {
    const AllianceControls& ids = kAlliances[alliance];
    ShowNotice(page, ids.plugins, ids.notice, logic.notice());
    FillRows(page, ids.plugins, logic.plugins(), logic.pluginSelection(alliance), true);
    SetDlgItemTextA(page, ids.count, logic.countText(alliance).c_str());
  }
  FillAllianceLists(page);
}

std::string FieldText(HWND page, int id) {
  char text[config::kMaxScenarioLine + 1] = {};
  GetDlgItemTextA(page, id, text, static_cast<int>(sizeof text));
  return text;
}

// The save and load dialogs: the scenario filter, starting in the scenario folder with the last
// name chosen. Saving asks before replacing a file and takes new names; loading wants a file
// that exists.
std::optional<std::string> ChooseScenarioFile(HWND page, bool save) {
  config::ScenarioEditorPage& logic = Context(page).program->scenarioEditor;
  logic.PrepareScenarioFolder();
  std::string startName = logic.lastFileName();
  for (;;) {
    // The default extension makes "Duel" come back as "Duel.ss3", so the dialog's own question
    // is about the file that is written.
    std::optional<std::string> chosen =
        ChooseFile(page, save ? FileDialog::kSave : FileDialog::kOpen,
                   save ? config::kSaveDialogTitle : config::kLoadDialogTitle,
                   config::kScenarioFilterName, config::kScenarioFilterPattern,
                   save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST, startName,
                   logic.scenarioFolder(), save ? "ss3" : nullptr);
    if (!chosen || !save) return chosen;
    // A name the dialog kept ("Duel.txt") is written as "Duel.txt.ss3": the page asks about it.
    const std::string question = logic.ReplaceQuestion(*chosen, *chosen);
    if (question.empty() ||
        MessageBoxA(GetParent(page), question.c_str(), std::string(config::kReplaceCaption).c_str(),
                    MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES) {
      return chosen;
    }
    startName = *chosen;  // No: back to the dialog
  }
}

void SaveScenario(HWND page) {
  const std::optional<std::string> path = ChooseScenarioFile(page, true);
  if (!path) return;
  ShowMessage(page, Context(page).program->scenarioEditor.Save(*path));
}

void LoadScenario(HWND page) {
  config::ScenarioEditorPage& logic = Context(page).program->scenarioEditor;
  if (logic.HasEntries() &&
      MessageBoxA(nullptr, std::string(config::kSaveQuestion).c_str(),
                  std::string(config::kSaveQuestionCaption).c_str(), MB_YESNO) == IDYES) {
    SaveScenario(page);  // a cancelled save saves nothing; loading goes on
  }
  const std::optional<std::string> path = ChooseScenarioFile(page, false);
  if (!path) return;
  const std::string message = logic.Load(*path);
  FillAllianceLists(page);
  ShowMessage(page, message);
}

INT_PTR CALLBACK ScenarioEditorProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      ShowLater(page, TakeContext(page, lParam).program->scenarioEditor.Show());
      FillScenarioEditor(page);
      return TRUE;
    case kShowLaterMessages:
      return ShowLaterMessages(page);
    case WM_NOTIFY:
      return AnswerSheetNotice(page, lParam);
    case WM_COMMAND: {
      config::ScenarioEditorPage& logic = Context(page).program->scenarioEditor;
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      if (id == IDC_SAVE_SCENARIO) {
        SaveScenario(page);
        return TRUE;
      }
      if (id == IDC_LOAD_SCENARIO) {
        LoadScenario(page);
        return TRUE;
      }
      for (int alliance = 0; alliance < 2; ++alliance) {
        const AllianceControls& ids = kAlliances[alliance];
        if (id == ids.plugins && code == CBN_SELCHANGE) {
          logic.SelectPlugin(alliance, SelectedRow(page, ids.plugins, true));
        } else if (id == ids.list && code == LBN_SELCHANGE) {
          logic.SelectEntry(alliance, SelectedRow(page, ids.list, false));
        } else if (id == ids.count && code == EN_CHANGE) {
          logic.SetCountText(alliance, FieldText(page, ids.count));
        } else if (id == ids.add) {
          // What the controls show now, however it got there.
          logic.SelectPlugin(alliance, SelectedRow(page, ids.plugins, true));
          logic.SetCountText(alliance, FieldText(page, ids.count));
          const std::string refusal = logic.Add(alliance);
          FillAllianceLists(page);
          ShowMessage(page, refusal);
        } else if (id == ids.remove) {
          logic.SelectEntry(alliance, SelectedRow(page, ids.list, false));
          logic.Remove(alliance);
          FillAllianceLists(page);
        } else {
          continue;
        }
        return TRUE;
      }
      return FALSE;
    }
  }
  return FALSE;
}

// --- "   Sound   " ---

void FillSoundChecks(HWND page) {
  const config::SoundPage& logic = Context(page).program->sound;
  Check(page, IDC_SOUNDFX_ON, logic.soundFXOn());
  Check(page, IDC_CD_MUSIC_ON, logic.cdMusicOn());
  Check(page, IDC_MP3_MUSIC_ON, logic.mp3MusicOn());
}

void FillTracks(HWND page) {
  const config::SoundPage& logic = Context(page).program->sound;
  FillRows(page, IDC_TRACKS, logic.trackRows(), logic.trackSelection(), false);
}

void AddTrack(HWND page) {
  const std::optional<std::string> path =
      ChooseFile(page, FileDialog::kOpen, config::kTrackDialogTitle, config::kTrackFilterName,
                 config::kTrackFilterPattern, OFN_FILEMUSTEXIST);
  if (!path) return;
  const std::string refusal = Context(page).program->sound.AddTrack(*path);
  FillTracks(page);
  ShowMessage(page, refusal);
}

INT_PTR CALLBACK SoundProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      config::SoundPage& logic = TakeContext(page, lParam).program->sound;
      logic.Show();
      FillSoundChecks(page);
      FillTracks(page);
      SetSlider(page, IDC_SOUNDFX_VOLUME, 0, 100, logic.soundFXSlider());
      SetSlider(page, IDC_MUSIC_VOLUME, 0, 100, logic.musicSlider());
      return TRUE;
    }
    case WM_NOTIFY:
      return AnswerSheetNotice(page, lParam);
    case WM_VSCROLL: {
      const auto slider = reinterpret_cast<HWND>(lParam);
      if (slider == nullptr) return FALSE;
      config::SoundPage& logic = Context(page).program->sound;
      if (GetDlgCtrlID(slider) == IDC_SOUNDFX_VOLUME) {
        logic.SoundFXSliderMoved(SliderPosition(slider));
      } else {
        logic.MusicSliderMoved(SliderPosition(slider));
      }
      return TRUE;
    }
    case WM_COMMAND: {
      config::SoundPage& logic = Context(page).program->sound;
      switch (LOWORD(wParam)) {
        case IDC_SOUNDFX_ON:
          logic.ClickSoundFX();
          break;
        case IDC_CD_MUSIC_ON:
          logic.ClickCDMusic();
          break;
        case IDC_MP3_MUSIC_ON:
          logic.ClickMP3Music();
          break;
        case IDC_TRACKS:
          if (HIWORD(wParam) == LBN_SELCHANGE) logic.SelectTrack(SelectedRow(page, IDC_TRACKS, false));
          return TRUE;
        case IDC_TRACK_ADD:
          AddTrack(page);
          return TRUE;
        case IDC_TRACK_REMOVE:
          logic.SelectTrack(SelectedRow(page, IDC_TRACKS, false));
          logic.RemoveTrack();
          FillTracks(page);
          return TRUE;
        case IDC_TRACK_PLAY:
        case IDC_TRACK_STOP:
          return TRUE;
        default:
          return FALSE;
      }
      FillSoundChecks(page);
      return TRUE;
    }
  }
  return FALSE;
}

// --- "   Video   " ---

void FillVideoChecks(HWND page) {
  const config::VideoPage& logic = Context(page).program->video;
  Check(page, IDC_USE_3DFX, logic.use3DFX());
  Check(page, IDC_DYNAMIC_LIGHTING, logic.useDynamicLighting());
  Check(page, IDC_USE_S3TC, logic.useS3TC());
  Check(page, IDC_CAMERA_254D, logic.use254DCamera());
  Check(page, IDC_CAMERA_FULL_3D, logic.useFull3DCamera());
  Check(page, IDC_MULTISAMPLING, logic.multisampling());
}

INT_PTR CALLBACK VideoProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      config::VideoPage& logic = TakeContext(page, lParam).program->video;
      logic.Show();
      for (int i = 0; i < static_cast<int>(config::kResolutions.size()); ++i) {
        Check(page, IDC_RESOLUTION_FIRST + i, i == logic.resolutionChoice());
      }
      FillVideoChecks(page);
      SetSlider(page, IDC_TEXTURE_DETAIL, 0, 2, logic.textureSlider());
      return TRUE;
    }
    case WM_HSCROLL: {
      const auto slider = reinterpret_cast<HWND>(lParam);
      if (slider == nullptr || GetDlgCtrlID(slider) != IDC_TEXTURE_DETAIL) return FALSE;
      Context(page).program->video.TextureSliderMoved(SliderPosition(slider));
      return TRUE;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom == IDC_TEXTURE_DETAIL) {
        Context(page).program->video.TextureSliderMoved(SliderPosition(header->hwndFrom));
        return TRUE;
      }
      return AnswerSheetNotice(page, lParam);
    }
    case WM_COMMAND: {
      config::VideoPage& logic = Context(page).program->video;
      const int id = LOWORD(wParam);
      if (HIWORD(wParam) != BN_CLICKED) return FALSE;
      if (id >= IDC_RESOLUTION_FIRST &&
          id < IDC_RESOLUTION_FIRST + static_cast<int>(config::kResolutions.size())) {
        logic.ChooseResolution(id - IDC_RESOLUTION_FIRST);
        return TRUE;
      }
      switch (id) {
        case IDC_USE_3DFX:
          logic.Click3DFX();
          break;
        case IDC_DYNAMIC_LIGHTING:
          logic.ClickDynamicLighting();
          break;
        case IDC_USE_S3TC:
          logic.ClickS3TC();
          break;
        case IDC_CAMERA_254D:
          logic.Click254DCamera();
          break;
        case IDC_CAMERA_FULL_3D:
          logic.ClickFull3DCamera();
          break;
        case IDC_MULTISAMPLING:
          logic.ClickMultisampling();
          break;
        default:
          return FALSE;
      }
      FillVideoChecks(page);
      return TRUE;
    }
  }
  return FALSE;
}

}  // namespace

std::array<PageProcedure, 4> PageProcedures() {
  return {ScenarioConfigProcedure, ScenarioEditorProcedure, SoundProcedure, VideoProcedure};
}

}  // namespace ironwood::platform::win32config
