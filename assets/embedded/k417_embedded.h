// The program's linked-in resources: the archive ("FileSystem" 102) and the window icon
// ("Icon" 101, 64 x 64 RGBA). Call once before the shell starts, on platforms without resources.
#pragma once

void k417_install_embedded_resources();
