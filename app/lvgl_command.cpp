// The lvgl command.
#include "app/lvgl_command.h"

#include <cstdlib>

#include "app/ui.h"
#include "display/gui_start.h"
#include "linux/stdio.h"

namespace {
bool running = false;
kiv_eda_t* lvgl_thread = nullptr;

void* gui_loop(void*) {
  gui_listen_input();
  while (running) {
    gui_loop_step();
    kiv_thread_sleep(kiv_systimer_ms_to_tick(10));
  }
  return nullptr;
}
}  // namespace

int lvgl_main(int argc, char** argv) {
  if (argc > 2) {
    posix::printf("format: %s [GAMEPAD_NUM<1..4>]", argv[0]);
    return -1;
  }
  int gamepads = 1;
  if (argc == 2) {
    gamepads = static_cast<int>(std::strtoul(argv[1], nullptr, 0) % 256);
    if (gamepads == 0 || gamepads > 4) {
      posix::printf("invalid gamepad_num %d", gamepads);
      return -1;
    }
  }
  gui_port_set_print([](const char* text) { posix::fputs(text, posix::stdout_file()); });
  lvgl_thread = kiv_eda_get_cur();
  gui_session session{};
  if (!gui_start(&session, [](lv_disp_drv_t*) { kiv_eda_post_evt(lvgl_thread, KIV_EVT_USER); })) return -1;
  app_ui_init(gamepads, session.group);
  running = true;
  while (kiv_thread_wait() != KIV_EVT_USER) {
  }
  posix::pthread_t loop;
  if (posix::pthread_create(&loop, nullptr, gui_loop, nullptr) != 0) return -1;
  posix::pthread_join(loop, nullptr);
  return 0;
}
