// Resource identifiers of OrvikSettings.
#ifndef ORVIK_SETTINGS_RESOURCE_H
#define ORVIK_SETTINGS_RESOURCE_H

// Ranges: main window, About, Connection, Keyboard and Sounds: dialogs 100-139,
// controls 1100-1499; Mouse, Power Save and Projector: dialogs 170-189,
// controls 1500-1799.

// The program icon: the lowest icon id, so it is the one Explorer shows.
#define IDI_SETTINGS 1
#define IDB_LOGO 142
#define IDD_ERROR 160
#define IDC_ERRORTEXT 1000
#define IDC_TURNOFF 1024

#endif
