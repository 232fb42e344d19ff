// The Widget example program: just enough to build Widget.exe, whose
// version resource comes from Widget.rc.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
