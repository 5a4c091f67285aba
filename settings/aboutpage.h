// The "About" tab: logo, program name and version, a notice and a web link.
#ifndef ORVIK_SETTINGS_ABOUTPAGE_H
#define ORVIK_SETTINGS_ABOUTPAGE_H

#include "linklabel.h"
#include "page.h"

class CAboutPage : public CSettingsPage {
public:
    CAboutPage();

protected:
    void OnInitDialog() override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    CLinkLabel m_link;
};

#endif
