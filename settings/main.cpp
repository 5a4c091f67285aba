// OrvikSettings entry point; its window and pages come with the settings issues.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
