// The application's main routine and option parsing.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/app.h"
#include "kernel/kernel.h"

namespace {
app_options_t options{};

[[noreturn]] void usage(const char* program, int code) {
  std::fprintf(code ? stderr : stdout,
               "usage: %s [--console] [--sim-dongle IMAGE]\n"
               "  --console           use this terminal as the console\n"
               "  --sim-dongle IMAGE  present a simulated dongle whose disk is IMAGE\n",
               program);
  std::exit(code);
}
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

// Until the environment exists, the main routine only brings the kernel to idle.
void app_main() {}
