// Stand-in used only when the build has no embedded resources: nothing is installed, so the shell
// looks for k417.pak in the current directory and next to the executable.
#include "k417_embedded.h"

void k417_install_embedded_resources() {}
