// Program entry: keeps the arguments for a restart, then turns this thread into the kernel
// thread. Never returns.
#include "app/app.h"
#include "kernel/host/arch.h"
#include "kernel/kernel.h"

int main(int argc, char** argv) {
  kiv_arch_set_args(argc, argv);
  app_parse_options(argc, argv);
  kiv_kernel_start(app_main_entry);
  kiv_kernel_main_loop();
}
