// The testcard's Windows entry point, the same as the program's: everything happens in the shell.
#include <windows.h>

#include "shell/shell.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return shell_main(); }
