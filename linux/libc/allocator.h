// A caller-supplied allocator for the pure parts of the C library and the shell parser.
// The environment binds it to a process heap; tests bind it to malloc or a failing stub.
// Nothing here blocks. A null result from alloc/resize means "out of memory" and every
// user of this record turns that into its own documented failure value.
#pragma once

#include <cstddef>

namespace posix {

struct allocator {
    void* ctx;
    void* (*alloc)(void* ctx, std::size_t size);
    void* (*resize)(void* ctx, void* block, std::size_t size);  // realloc semantics
    void (*release)(void* ctx, void* block);                    // null block is a no-op
};

}  // namespace posix
