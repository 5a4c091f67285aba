// The "Sounds" tab: key click sounds on or off and the sound scheme. The
// driver reads the sound names from the registry, so the page stores them
// before it tells the driver.
#ifndef ORVIK_SETTINGS_SOUNDSPAGE_H
#define ORVIK_SETTINGS_SOUNDSPAGE_H

#include "../common/registry.h"
#include "page.h"
#include "typingsettings.h"

class CSoundsPage : public CSettingsPage {
public:
    CSoundsPage();
    ~CSoundsPage() override;

protected:
    void OnInitDialog() override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnCommand(int id, int notification);
    bool OnSchemeChanged();
    void OnSoundChosen(int list, char* held);
    void OnEnableClicked();
    void OnRestoreDefaults();
    bool Apply(bool enabled);
    bool StoreSounds(bool enabled);
    void EnableControls(bool enable);
    void FillSchemeLists(const SoundScheme& scheme);
    void SelectStored(int list, const char* stored);
    void SelectAndHold(int list, const char* text, char* held);
    void ShowRegular(const char* sound);
    void Preview(const char* sound);

    bool m_bEnabled = false;
    char m_szScheme[REG_STRING_MAX] = {};
    char m_szRegular[REG_STRING_MAX] = {};
    char m_szCapital[REG_STRING_MAX] = {};
    char m_szModifier[REG_STRING_MAX] = {};
    HBITMAP m_hSoundOn = nullptr;
    HBITMAP m_hSoundOff = nullptr;
};

// Plays a preview: the file `sound` from the "Media" folder beside the
// program, at once and without waiting; silent when it is missing.
void PlayPreviewSound(const char* sound);

#endif
