// Resource identifiers of OrvikSettings.
#ifndef ORVIK_SETTINGS_RESOURCE_H
#define ORVIK_SETTINGS_RESOURCE_H

#define IDB_LOGO 142
#define IDD_ERROR 160
#define IDC_ERRORTEXT 1000
#define IDC_TURNOFF 1024

#endif
