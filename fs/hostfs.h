// The host-directory filesystem, type name "winfs": grafts a folder of the host onto a VFS
// directory. Its handlers run as VFS sub-calls and finish at once: host I/O is synchronous and
// holds the kernel thread for the duration of the host call. Names never reach outside the
// mounted folder: "", "." and ".." and names with separators are refused as not found (-4).
// Host failures are KIV_ERR_INVALID_STATE; "does not exist" at look-up, unlink and mount is
// KIV_ERR_INVALID_PARAMETER; mounting a file is KIV_ERR_INVALID_ACCESS.
#pragma once

#include "fs/vfs.h"

extern const kiv_fs_op_t kiv_winfs_fsop;

// The root object of one mount, for kiv_fs_mount(dir, &kiv_winfs_fsop, root): one heap block
// holding the object and a copy of `host_path` (relative paths are taken from the host's
// current folder at each access). Null when out of memory; kiv_file_free releases it.
kiv_file_t* kiv_winfs_root_alloc(const char* host_path);
