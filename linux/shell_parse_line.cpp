// Whole-line convenience over the in-place shell parser, on host containers.
#include <cstdlib>
#include <cstring>

#include "linux/shell_parse.h"

namespace {

struct collector {
    const kiv_linux_sh_lookup_fn* lookup;
    std::string messages;
    std::string name_buffer;
    kiv_linux_sh_command_t* current = nullptr;
};

void* heap_alloc(void*, std::size_t size) { return std::malloc(size); }
void* heap_resize(void*, void* block, std::size_t size) { return std::realloc(block, size); }
void heap_release(void*, void* block) { std::free(block); }

const char* lookup_var(void* ctx, const char* name, std::size_t len)
{
    auto* c = static_cast<collector*>(ctx);
    return *c->lookup ? (*c->lookup)(std::string_view(name, len)) : nullptr;
}

void print_message(void* ctx, const char* text) { static_cast<collector*>(ctx)->messages += text; }

std::string take(char* text, bool allocated)
{
    std::string s(text);
    if (allocated) std::free(text);
    return s;
}

int on_assignment(void* ctx, char* text, bool allocated)
{
    static_cast<collector*>(ctx)->current->assignments.push_back(take(text, allocated));
    return 0;
}

int on_name(void* ctx, const char* name)
{
    static_cast<collector*>(ctx)->current->name = name;
    return 0;
}

int on_argument(void* ctx, char* text, bool allocated)
{
    static_cast<collector*>(ctx)->current->args.push_back(take(text, allocated));
    return 0;
}

}  // namespace

kiv_linux_sh_parsed_t kiv_linux_sh_parse_line(std::string_view line,
                                              const kiv_linux_sh_lookup_fn& lookup,
                                              std::size_t max_length)
{
    kiv_linux_sh_parsed_t result;
    collector c{&lookup, {}, {}};
    kiv_linux_sh_env_t env{&c, lookup_var, print_message,
                           posix::allocator{nullptr, heap_alloc, heap_resize, heap_release}};
    std::string buffer(line);  // the parser cuts its text in place
    kiv_linux_sh_line_t split{};
    result.status = kiv_linux_sh_split_line(buffer.data(), max_length, &env, &split);
    result.background = split.background;
    const kiv_linux_sh_visitor_t visitor{&c, on_assignment, on_name, on_argument};
    for (int i = 0; result.status == 0 && i < split.count; ++i) {
        c.current = &result.commands.emplace_back();
        result.status = kiv_linux_sh_parse_command(split.commands[i], &env, &visitor);
    }
    result.messages = c.messages;
    return result;
}
