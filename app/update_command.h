// The update command: copies a firmware image over the start of the dongle's "update.bin" in
// 16 KiB chunks, refusing an image larger than the target, and reports progress to whoever
// listens (the upgrade screen; nobody when run from the console).
#pragma once

int update_main(int argc, char** argv);

// Progress listener: total and current byte counts. Null: progress is only traced.
using app_update_progress_t = void (*)(unsigned total, unsigned current);
void app_update_set_progress(app_update_progress_t listener);
void app_update_report(unsigned total, unsigned current);
