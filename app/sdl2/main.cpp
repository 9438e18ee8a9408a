// The native Linux program's entry point: the archive and the icon linked into the executable are
// installed as its resources (a k417.pak on disk is used only without them), then the shell runs.
#include "k417_embedded.h"
#include "shell/shell.h"

int main() {
  k417_install_embedded_resources();
  return shell_main();
}
