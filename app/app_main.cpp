// The application's main routine, its command installation hook, app_run_command, and the
// program's options.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/app.h"
#include "app/console.h"
#include "app/lvgl_command.h"
#include "app/update_command.h"
#include "app/utility_commands.h"
#include "kernel/kernel.h"
#include "linux/shell.h"
#include "linux/startup.h"
#include "linux/stdio.h"

namespace {
app_options_t options{};
char app_command_buffer[512];

[[noreturn]] void usage(const char* program, int code) {
  std::fprintf(code ? stderr : stdout,
               "usage: %s [--console] [--sim-dongle IMAGE]\n"
               "  --console           use this terminal as the console\n"
               "  --sim-dongle IMAGE  present a simulated dongle whose disk is IMAGE\n",
               program);
  std::exit(code);
}

// The application's commands, in installation order. The GUI, USB and network commands join
// this table as they are built.
struct app_command {
  const char* path;
  int (*entry)(int, char**);
};
constexpr app_command app_commands[] = {
    {"/bin/lvgl", lvgl_main},
    {"/bin/mount", mount_main},
    {"/bin/update", update_main},
    {"/bin/reset", reset_main},
    {"/bin/write", write_main},
};
}  // namespace

void app_parse_options(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--console") == 0) {
      options.console = true;
    } else if (std::strcmp(argv[i], "--sim-dongle") == 0 && i + 1 < argc) {
      options.sim_dongle = argv[++i];
    } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      usage(argv[0], 0);
    } else {
      std::fprintf(stderr, "korvalen: unknown option '%s'\n", argv[i]);
      usage(argv[0], 2);
    }
  }
}

const app_options_t& app_options() { return options; }

void app_main_entry(kiv_thread_cb_t*) { app_main(); }

int app_main() {
  app_console_t console = app_console_init(options.console);
  kiv_trace_set_stream(console.output);
  kiv_trace(KIV_TRACE_INFO, "start linux...\r\n");
  kiv_linux_streams_t streams{console.input, console.output, console.output};
  kiv_linux_start(&streams, app_install_commands);
  return 0;
}

int app_install_commands() {
  kiv_linux_create_fhs();
  kiv_linux_install_builtins();
  kiv_linux_mkdir_p("/scsi");
  for (const app_command& c : app_commands) kiv_linux_install_command(c.path, c.entry);
  return 0;
}

bool app_run_command(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vsnprintf(app_command_buffer, sizeof app_command_buffer, format, args);
  va_end(args);
  kiv_trace(KIV_TRACE_DEBUG, "run: %s\r\n", app_command_buffer);
  int result = posix::system(app_command_buffer);
  if (result != 0) kiv_trace(KIV_TRACE_DEBUG, "run: %s faild: %d\r\n", app_command_buffer, result);
  return result == 0;
}
