// The application's general tools: mount (block-device and host-directory filesystems),
// write (overwrites the start of an existing file) and reset (restarts the program).
// Program entries run as environment processes; 0 on success, -1 on failure.
#pragma once

#include "fs/vfs.h"

int mount_main(int argc, char** argv);
int write_main(int argc, char** argv);
int reset_main(int argc, char** argv);

