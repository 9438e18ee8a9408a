// The Windows program's entry point: everything happens in the shell.
// The instance, command line and show arguments are ignored; the shell asks the system itself.
#include <windows.h>

#include "shell/shell.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return shell_main(); }
