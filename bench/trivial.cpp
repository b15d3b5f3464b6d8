// B0: the cost of starting and ending a program at all under this loader,
// built with the same start-up code and link flags as the setup.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
