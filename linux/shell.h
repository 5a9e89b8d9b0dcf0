// The command-line executor and the shell: runs lines of up to four "|"-joined commands as
// processes (foreground lines wait for all of them), `system`, "sh -c", and the interactive
// shell with its prompt, line editor and history. Environment threads only; running a
// foreground line blocks the caller until its commands have ended.
// Results: the raw wait status of the last command, 0 for a background line, -1 when the
// line cannot be started (after the shell's message).
#pragma once

#include "linux/process.h"

int kiv_linux_run_line(char* line);
int kiv_linux_find_in_path(const char* name, int (**entry)(int, char**));
int kiv_linux_find_command(const char* path, int (**entry)(int, char**));
// Builds (does not start) the process of one command; null on failure.
kiv_linux_process_t* kiv_linux_spawn_command(char* text, int input_fd, int output_fd);
int sh_main(int argc, char** argv);

namespace posix {
int system(const char* line);
}
