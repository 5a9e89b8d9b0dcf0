// SDL2 back end of the window display: the host thread "disp_windgi" owns SDL's video
// subsystem, the window, its renderer and a streaming texture that mirrors the frame buffer.
// It sleeps in SDL's event wait; a refresh on the kernel thread wakes it with a user event
// (SDL_PushEvent is safe from any thread), after which it uploads the dirty area, presents,
// and reports readiness. SDL scancodes are USB HID usages, so keys go through unchanged.
#include <SDL.h>

#include <atomic>

#include "display/window.h"
#include "display/window_port.h"

namespace {

std::atomic<bool> window_alive{false};   // the wake event type below is valid
std::atomic<bool> wake_pending{false};   // a wake event is queued and not yet taken
std::atomic<uint32_t> wake_event_type{0};

struct window_host {
  bool shown = false;  // nothing is presented, nor readiness reported, before the window is up
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
};

uint32_t texture_format(uint32_t color_format) {
  switch (color_format) {
    case DISP_COLOR_ARGB8888: return SDL_PIXELFORMAT_ARGB8888;
    case DISP_COLOR_XRGB8888: return SDL_PIXELFORMAT_RGB888;
    default: return SDL_PIXELFORMAT_RGB565;
  }
}

bool create_window(kiv_arch_thread_t* thread, window_host* host) {
  disp_window_frame frame = disp_window_frame_get();
  host->window = SDL_CreateWindow(DISP_WINDOW_TITLE, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, frame.width,
                                  frame.height, SDL_WINDOW_SHOWN);
  if (!host->window) {
    disp_window_on_failure(thread, "SDL_CreateWindow failed", SDL_GetError());
    return false;
  }
  host->renderer = SDL_CreateRenderer(host->window, -1, 0);
  if (!host->renderer) host->renderer = SDL_CreateRenderer(host->window, -1, SDL_RENDERER_SOFTWARE);
  if (host->renderer) {
    host->texture = SDL_CreateTexture(host->renderer, texture_format(frame.color_format),
                                      SDL_TEXTUREACCESS_STREAMING, frame.width, frame.height);
  }
  if (!host->texture) {
    disp_window_on_failure(thread, "no renderer or texture for the window", SDL_GetError());
    return false;
  }
  return true;
}

// Uploads what changed (everything when `full`), presents, then reports what it showed.
void paint(kiv_arch_thread_t* thread, window_host* host, bool full) {
  disp_window_frame frame = disp_window_frame_get();
  disp_rect r{};
  uint32_t seq = 0;
  bool dirty = disp_window_take_dirty(&r, &seq);
  if (full) r = {0, 0, frame.width, frame.height};
  if (dirty || full) {
    SDL_Rect area{r.x, r.y, r.width, r.height};
    uint32_t bpp = frame.stride / frame.width;
    SDL_UpdateTexture(host->texture, &area, frame.pixels + r.y * frame.stride + r.x * bpp,
                      static_cast<int>(frame.stride));
  }
  SDL_RenderCopy(host->renderer, host->texture, nullptr, nullptr);
  SDL_RenderPresent(host->renderer);
  disp_window_on_painted(thread, seq);
}

void on_window_event(kiv_arch_thread_t* thread, window_host* host, const SDL_WindowEvent& ev) {
  if (ev.event == SDL_WINDOWEVENT_SHOWN || ev.event == SDL_WINDOWEVENT_EXPOSED) {
    host->shown = true;
    paint(thread, host, true);
  }
  if (ev.event == SDL_WINDOWEVENT_CLOSE) {
    SDL_DestroyWindow(host->window);
    disp_window_on_close();
  }
}

void dispatch(kiv_arch_thread_t* thread, window_host* host, const SDL_Event& ev) {
  switch (ev.type) {
    case SDL_WINDOWEVENT: on_window_event(thread, host, ev.window); break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      if (ev.button.button == SDL_BUTTON_LEFT)
        disp_window_on_button(thread, ev.type == SDL_MOUSEBUTTONDOWN, ev.button.x, ev.button.y);
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      disp_window_on_key(thread, static_cast<uint16_t>(ev.key.keysym.scancode), ev.type == SDL_KEYDOWN,
                         (SDL_GetModState() & KMOD_CAPS) != 0);
      break;
    case SDL_QUIT:
      SDL_DestroyWindow(host->window);
      disp_window_on_close();
    default:
      if (ev.type == wake_event_type.load()) {
        wake_pending.store(false);
        if (host->shown) paint(thread, host, false);
      }
      break;  // mouse motion, text input and the rest are not used
  }
}

// Opens SDL video on a desktop window system. Without one SDL would fall back to a headless
// driver and the "window" would be invisible, so that counts as having no display, unless the
// user chose a driver explicitly with SDL_VIDEODRIVER.
bool open_video(kiv_arch_thread_t* thread) {
  bool chosen = SDL_getenv("SDL_VIDEODRIVER") != nullptr;
  if (!chosen && !SDL_getenv("DISPLAY") && !SDL_getenv("WAYLAND_DISPLAY")) {
    disp_window_on_failure(thread, "no display to open", "neither DISPLAY nor WAYLAND_DISPLAY is set");
    return false;
  }
  if (!chosen) {
    // Ask for the desktop's driver by name: left to itself SDL quietly takes its headless
    // driver when the X server does not answer at once.
    bool wayland_only = SDL_getenv("WAYLAND_DISPLAY") && !SDL_getenv("DISPLAY");
    SDL_SetHint(SDL_HINT_VIDEODRIVER, wayland_only ? "wayland" : "x11");
  }
  // A display server that is still starting may refuse the first connections.
  for (int attempt = 0; SDL_InitSubSystem(SDL_INIT_VIDEO) != 0; ++attempt) {
    if (attempt == 10) {
      disp_window_on_failure(thread, "cannot open the video display", SDL_GetError());
      return false;
    }
    SDL_Delay(100);
  }
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!chosen && driver && SDL_strcmp(driver, "x11") != 0 && SDL_strcmp(driver, "wayland") != 0) {
    disp_window_on_failure(thread, "no desktop display, only SDL's headless driver", driver);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
  }
  return true;
}

void windgi_main(kiv_arch_thread_t* thread) {
  // The program handles its own signals; SDL must not turn SIGINT into a quit event.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
  if (!open_video(thread)) return;
  window_host host;
  if (!create_window(thread, &host)) return;
  SDL_StopTextInput();
  uint32_t type = SDL_RegisterEvents(1);
  if (type == static_cast<uint32_t>(-1)) {
    disp_window_on_failure(thread, "SDL_RegisterEvents failed", SDL_GetError());
    return;
  }
  wake_event_type.store(type);
  window_alive.store(true);
  SDL_Event ev;
  while (SDL_WaitEvent(&ev)) dispatch(thread, &host, ev);
  window_alive.store(false);
}

}  // namespace

void disp_host_start(kiv_arch_thread_t* thread) { kiv_arch_thread_create(thread, "disp_windgi", windgi_main); }

void disp_host_wake() {
  if (!window_alive.load() || wake_pending.exchange(true)) return;
  SDL_Event ev{};
  ev.type = wake_event_type.load();
  if (SDL_PushEvent(&ev) != 1) wake_pending.store(false);
}
