#include "soundspage.h"

#include <mmsystem.h>

#include <cstdio>

#include "../common/programfolder.h"
#include "../common/settingsstore.h"
#include "../common/uiseam.h"
#include "drivercalls.h"
#include "resource.h"
#include "settingstore.h"
#include "typingsettings.h"

namespace {

const int PREVIEW_BUTTONS[] = {IDC_SND_REGULAR_PLAY, IDC_SND_CAPITAL_PLAY, IDC_SND_MODIFIER_PLAY};
const int LAYOUT_PREVIEW_BUTTONS[] = {IDC_SND_ACTIVATION_PLAY, IDC_SND_DEACTIVATION_PLAY};
// The controls that follow the enable flag, in their pairs.
const int SWITCHED_CONTROLS[] = {IDC_SND_SCHEME_LABEL,  IDC_SND_SCHEME,         IDC_SND_GROUP,
                                 IDC_SND_REGULAR_LABEL, IDC_SND_REGULAR,        IDC_SND_REGULAR_PLAY,
                                 IDC_SND_CAPITAL_LABEL, IDC_SND_CAPITAL,        IDC_SND_CAPITAL_PLAY,
                                 IDC_SND_MODIFIER_LABEL, IDC_SND_MODIFIER,      IDC_SND_MODIFIER_PLAY};

void ReadText(const SettingValue& value, char* text) { ReadStringSetting(value, BY_SETTINGS, text, REG_STRING_MAX); }

void CopyText(char* held, const char* text) { std::snprintf(held, REG_STRING_MAX, "%s", text); }

HBITMAP LoadButtonImage(int id) {
    return static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0,
                                           LR_LOADMAP3DCOLORS));
}

void FillList(HWND list, const char* const (&entries)[3]) {
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    for (const char* entry : entries) SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
}

// The selected entry of a drop-down list into a 260-byte buffer; empty
// when there is none or it would not fit.
void SelectedText(HWND list, char* text) {
    text[0] = '\0';
    const LRESULT selected = SendMessageA(list, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR) return;
    const LRESULT length = SendMessageA(list, CB_GETLBTEXTLEN, selected, 0);
    if (length == CB_ERR || length >= static_cast<LRESULT>(REG_STRING_MAX)) return;
    SendMessageA(list, CB_GETLBTEXT, selected, reinterpret_cast<LPARAM>(text));
}

}  // namespace

void PlayPreviewSound(const char* sound) {
    g_ui.playSoundA(nullptr, nullptr, 0);  // a preview still playing stops
    char folder[MAX_PATH], path[MAX_PATH];
    if (!GetProgramFolder(folder, sizeof folder) || !ComposeMediaPath(folder, sound, path, sizeof path)) return;
    g_ui.playSoundA(path, nullptr, SND_ASYNC | SND_FILENAME | SND_NODEFAULT | SND_NOWAIT);
}

CSoundsPage::CSoundsPage() : CSettingsPage(IDD_SOUNDS) {}

CSoundsPage::~CSoundsPage() {
    if (m_hSoundOn) DeleteObject(m_hSoundOn);
    if (m_hSoundOff) DeleteObject(m_hSoundOff);
}

void CSoundsPage::OnInitDialog() {
    m_hSoundOn = LoadButtonImage(IDB_SOUND_ON);
    m_hSoundOff = LoadButtonImage(IDB_SOUND_OFF);
    for (int id : LAYOUT_PREVIEW_BUTTONS)
        SendDlgItemMessageA(m_hWnd, id, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(m_hSoundOff));
    m_bEnabled = ReadDwordSetting(SOUND_ENABLE, BY_SETTINGS) == 1;
    HWND schemes = GetDlgItem(m_hWnd, IDC_SND_SCHEME);
    for (const SoundScheme& scheme : kSoundSchemes)
        SendMessageA(schemes, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(scheme.name));
    // Looking at the page changes nothing: the lists of the stored scheme,
    // the stored sounds selected, nothing stored or sent.
    char stored[REG_STRING_MAX];
    ReadText(SOUND_SCHEME, stored);
    const SoundScheme& scheme = SchemeStartingWith(stored);
    SendMessageA(schemes, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(scheme.name));
    CopyText(m_szScheme, stored);
    FillSchemeLists(scheme);
    ReadText(SOUND_CAPITAL_FILE, m_szCapital);
    SelectStored(IDC_SND_CAPITAL, m_szCapital);
    ReadText(SOUND_MODIFIER_FILE, m_szModifier);
    SelectStored(IDC_SND_MODIFIER, m_szModifier);
    ReadText(SOUND_REGULAR_FILE, stored);
    ShowRegular(stored);
    CheckDlgButton(m_hWnd, IDC_SND_ENABLE, m_bEnabled ? BST_CHECKED : BST_UNCHECKED);
    EnableControls(m_bEnabled);
}

INT_PTR CSoundsPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_COMMAND) return CSettingsPage::OnMessage(message, wParam, lParam);
    OnCommand(LOWORD(wParam), HIWORD(wParam));
    return TRUE;
}

void CSoundsPage::OnCommand(int id, int notification) {
    if (notification == CBN_SELCHANGE) {
        if (id == IDC_SND_SCHEME) OnSchemeChanged();
        else if (id == IDC_SND_CAPITAL) OnSoundChosen(IDC_SND_CAPITAL, m_szCapital);
        else if (id == IDC_SND_MODIFIER) OnSoundChosen(IDC_SND_MODIFIER, m_szModifier);
        return;
    }
    if (notification != BN_CLICKED) return;
    char sound[REG_STRING_MAX];
    switch (id) {
    case IDC_SND_ENABLE: OnEnableClicked(); break;
    case IDC_SND_DEFAULTS: OnRestoreDefaults(); break;
    case IDC_SND_REGULAR_PLAY:
        GetDlgItemTextA(m_hWnd, IDC_SND_REGULAR, sound, sizeof sound);
        PlayPreviewSound(sound);
        break;
    case IDC_SND_CAPITAL_PLAY:
    case IDC_SND_MODIFIER_PLAY:
        SelectedText(GetDlgItem(m_hWnd, id == IDC_SND_CAPITAL_PLAY ? IDC_SND_CAPITAL : IDC_SND_MODIFIER), sound);
        PlayPreviewSound(sound);
        break;
    default: break;
    }
}

// The scheme's sounds replace the three per-key sounds, and are applied.
bool CSoundsPage::OnSchemeChanged() {
    char name[REG_STRING_MAX];
    SelectedText(GetDlgItem(m_hWnd, IDC_SND_SCHEME), name);
    const SoundScheme& scheme = SchemeStartingWith(name);
    CopyText(m_szScheme, scheme.name);
    ShowRegular(scheme.regular);
    FillSchemeLists(scheme);
    SelectAndHold(IDC_SND_CAPITAL, SchemeCapitalSound(scheme), m_szCapital);
    SelectAndHold(IDC_SND_MODIFIER, SchemeModifierSound(scheme), m_szModifier);
    return Apply(m_bEnabled);
}

// A choice the registry refuses is taken back: the list shows what is stored.
void CSoundsPage::OnSoundChosen(int list, char* held) {
    char sound[REG_STRING_MAX], before[REG_STRING_MAX];
    SelectedText(GetDlgItem(m_hWnd, list), sound);
    if (!sound[0]) return;
    CopyText(before, held);
    CopyText(held, sound);
    if (StoreSounds(m_bEnabled)) {
        SetKeySound(m_bEnabled);
        return;
    }
    CopyText(held, before);
    SelectStored(list, held);
}

void CSoundsPage::OnEnableClicked() {
    const bool enabled = IsDlgButtonChecked(m_hWnd, IDC_SND_ENABLE) == BST_CHECKED;
    if (!Apply(enabled)) return;
    m_bEnabled = enabled;
    EnableControls(enabled);
}

// The scheme and the capitalized and regular sounds of the installation;
// the default switch goes to the driver and into the registry.
void CSoundsPage::OnRestoreDefaults() {
    char text[REG_STRING_MAX];
    ReadText(SOUND_FACTORY_SCHEME, text);
    if (!StoreStringSetting(m_hWnd, SOUND_SCHEME, text)) return;
    SendDlgItemMessageA(m_hWnd, IDC_SND_SCHEME, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                        reinterpret_cast<LPARAM>(SchemeStartingWith(text).name));
    if (!OnSchemeChanged()) return;
    ReadText(SOUND_FACTORY_CAPITAL_FILE, text);
    if (!StoreStringSetting(m_hWnd, SOUND_CAPITAL_FILE, text)) return;
    SelectAndHold(IDC_SND_CAPITAL, text, m_szCapital);
    ReadText(SOUND_FACTORY_REGULAR_FILE, text);
    if (!StoreStringSetting(m_hWnd, SOUND_REGULAR_FILE, text)) return;
    ShowRegular(text);
    m_bEnabled = ReadDwordSetting(SOUND_FACTORY_ENABLE, BY_SETTINGS) == 1;
    if (!StoreDwordSetting(m_hWnd, SOUND_ENABLE, m_bEnabled ? 1 : 0)) return;
    if (!SetKeySound(m_bEnabled)) return;
    CheckDlgButton(m_hWnd, IDC_SND_ENABLE, m_bEnabled ? BST_CHECKED : BST_UNCHECKED);
    EnableControls(m_bEnabled);
}

// The registry first, since the driver reads the names from there when the
// command arrives. A refused write stops there: the driver would reload
// the old names and the page would show the new ones as in force.
bool CSoundsPage::Apply(bool enabled) { return StoreSounds(enabled) && SetKeySound(enabled); }

bool CSoundsPage::StoreSounds(bool enabled) {
    return StoreDwordSetting(m_hWnd, SOUND_ENABLE, enabled ? 1 : 0) &&
           StoreStringSetting(m_hWnd, SOUND_SCHEME, m_szScheme) &&
           StoreStringSetting(m_hWnd, SOUND_CAPITAL_FILE, m_szCapital) &&
           StoreStringSetting(m_hWnd, SOUND_REGULAR_FILE, m_szRegular) &&
           StoreStringSetting(m_hWnd, SOUND_MODIFIER_FILE, m_szModifier);
}

void CSoundsPage::EnableControls(bool enable) {
    for (int id : SWITCHED_CONTROLS) EnableWindow(GetDlgItem(m_hWnd, id), enable);
    for (int id : PREVIEW_BUTTONS)
        SendDlgItemMessageA(m_hWnd, id, BM_SETIMAGE, IMAGE_BITMAP,
                            reinterpret_cast<LPARAM>(enable ? m_hSoundOn : m_hSoundOff));
}

void CSoundsPage::FillSchemeLists(const SoundScheme& scheme) {
    FillList(GetDlgItem(m_hWnd, IDC_SND_CAPITAL), scheme.capitalList);
    FillList(GetDlgItem(m_hWnd, IDC_SND_MODIFIER), scheme.modifierList);
}

// The stored sound stays held as it reads, also when the list lacks it: it
// is the user's, and it is stored again as it was.
void CSoundsPage::SelectStored(int list, const char* stored) {
    SendDlgItemMessageA(m_hWnd, list, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(stored));
}

// A text that is no entry of the list keeps what the page held.
void CSoundsPage::SelectAndHold(int list, const char* text, char* held) {
    HWND box = GetDlgItem(m_hWnd, list);
    SelectStored(list, text);
    char selected[REG_STRING_MAX];
    SelectedText(box, selected);
    if (selected[0]) CopyText(held, selected);
}

void CSoundsPage::ShowRegular(const char* sound) {
    CopyText(m_szRegular, sound);
    SetDlgItemTextA(m_hWnd, IDC_SND_REGULAR, m_szRegular);
}
