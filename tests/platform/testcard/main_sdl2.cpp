// The testcard's Linux entry point: the archive and icon linked in (when this variant has them),
// then the shell.
#include "shell/shell.h"

#if defined(TESTCARD_EMBEDDED_ARCHIVE)
#include "k417_embedded.h"
#endif

int main() {
#if defined(TESTCARD_EMBEDDED_ARCHIVE)
  k417_install_embedded_resources();
#endif
  return shell_main();
}
