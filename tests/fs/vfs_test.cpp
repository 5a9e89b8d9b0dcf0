// The VFS core and the in-memory filesystem on the real kernel, driven from a thread.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fs/vfs.h"
#include "tests/fs/vfs_helpers.h"
#include "tests/kernel/harness.h"

namespace {

using kvtest::close_file;
using kvtest::open_path;
using kvtest::read_all;
using kvtest::write_text;

int create(const char* dir_path, const char* name, uint32_t attr) {
  kiv_file_t* dir = open_path(dir_path);
  if (!dir) return KIV_ERR_INVALID_PARAMETER;
  int r = kiv_fs_wait(kiv_file_create(dir, name, attr));
  close_file(dir);
  return r;
}

constexpr uint32_t kDir = KIV_FILE_ATTR_DIRECTORY | KIV_FILE_ATTR_READ;
constexpr uint32_t kFile = KIV_FILE_ATTR_READ | KIV_FILE_ATTR_WRITE;

// Builds /a (dir), /a/b (file with "hello"), /a/abc (file), /f (file) once per test.
void make_tree() {
  kiv_fs_init();
  ASSERT_EQ(create("", "a", kDir), KIV_ERR_NONE);
  ASSERT_EQ(create("a", "b", kFile), KIV_ERR_NONE);
  ASSERT_EQ(create("a", "abc", kFile), KIV_ERR_NONE);
  ASSERT_EQ(create("", "f", kFile), KIV_ERR_NONE);
  kiv_file_t* b = open_path("a/b");
  ASSERT_NE(b, nullptr);
  ASSERT_EQ(write_text(b, "hello"), 5);
  close_file(b);
}

void remove_tree() {
  kiv_file_t* a = open_path("a");
  for (const char* name : {"b", "abc"}) kiv_fs_wait(kiv_file_unlink(a, name));
  close_file(a);
  kiv_fs_wait(kiv_file_unlink(nullptr, "a"));
  kiv_fs_wait(kiv_file_unlink(nullptr, "f"));
}

void with_tree(std::function<void()> body) {
  kvtest::run_on_kernel([&] {
    make_tree();
    body();
    remove_tree();
  });
}

TEST(Vfs, EmptyPathAndLoneSeparatorOpenTheRoot) {
  with_tree([] {
    kiv_file_t* root = kiv_fs_root();
    int before = kiv_file_get_refcount(root);
    for (const char* path : {"", "/", "\\"}) {
      kiv_file_t* f = open_path(path);
      EXPECT_EQ(f, root) << path;
      EXPECT_EQ(kiv_file_get_refcount(root), before + 1);
      close_file(f);
      EXPECT_EQ(kiv_file_get_refcount(root), before);
    }
  });
}

TEST(Vfs, PathSpellingsOfTheSameObject) {
  with_tree([] {
    kiv_file_t* b = open_path("a/b");
    ASSERT_NE(b, nullptr);
    for (const char* path : {"a//b", "a\\b", "/a/b", "a/b/"}) {
      int err = 0;
      kiv_file_t* same = open_path(path, &err);
      EXPECT_EQ(same, b) << path << " err " << err;
      if (same) close_file(same);
    }
    kiv_file_t* a = open_path("a/");
    EXPECT_NE(a, nullptr);
    EXPECT_TRUE(a->attr & KIV_FILE_ATTR_DIRECTORY);
    close_file(a);
    close_file(b);
  });
}

TEST(Vfs, WalkFailuresAndNameMatching) {
  with_tree([] {
    kiv_file_t* root = kiv_fs_root();
    int before = kiv_file_get_refcount(root);
    struct Case {
      const char* path;
      int err;
    };
    for (Case c : {Case{"f/x", KIV_ERR_INVALID_ACCESS}, Case{"a/b/", KIV_ERR_NONE}, Case{"a/ab", KIV_ERR_INVALID_PARAMETER},
                   Case{"a/abcd", KIV_ERR_INVALID_PARAMETER}, Case{"A/b", KIV_ERR_INVALID_PARAMETER},
                   Case{"a/abc", KIV_ERR_NONE}, Case{"nothing", KIV_ERR_INVALID_PARAMETER}}) {
      int err = 99;
      kiv_file_t* f = open_path(c.path, &err);
      EXPECT_EQ(err, c.err) << c.path;
      EXPECT_EQ(f != nullptr, c.err == KIV_ERR_NONE) << c.path;
      if (f) close_file(f);
      EXPECT_EQ(kiv_file_get_refcount(root), before) << c.path << ": everything opened on the way is closed again";
    }
  });
}

TEST(Vfs, CountsClimbToTheRootAndGoBackOnClose) {
  with_tree([] {
    kiv_file_t* root = kiv_fs_root();
    kiv_file_t* a = open_path("a");
    int root_before = kiv_file_get_refcount(root), a_before = kiv_file_get_refcount(a);
    kiv_file_t* b = open_path("/a/b");
    EXPECT_EQ(kiv_file_get_refcount(root), root_before + 1);
    EXPECT_EQ(kiv_file_get_refcount(a), a_before + 1);
    kiv_file_t* parent = kiv_file_get_parent(b);
    EXPECT_EQ(parent, a);
    close_file(parent);
    close_file(b);
    EXPECT_EQ(kiv_file_get_refcount(root), root_before);
    EXPECT_EQ(kiv_file_get_refcount(a), a_before);
    close_file(a);
  });
}

TEST(Vfs, SecondOpenResetsThePositionAndSeekLimits) {
  with_tree([] {
    kiv_file_t* first = open_path("a/b");
    char c[3];
    ASSERT_EQ(kiv_fs_wait(kiv_file_read(first, c, 3)), 3);
    EXPECT_EQ(kiv_file_tell(first), 3u);
    kiv_file_t* second = open_path("a/b");
    EXPECT_EQ(second, first);
    EXPECT_EQ(kiv_file_tell(first), 0u);
    struct Case {
      int64_t offset;
      int whence;
      int err;
      uint64_t pos;
    };
    for (Case k : {Case{5, 0, KIV_ERR_NONE, 5}, Case{6, 0, KIV_ERR_INVALID_ACCESS, 5}, Case{-2, 1, KIV_ERR_NONE, 3},
                   Case{0, 2, KIV_ERR_NONE, 5}, Case{1, 3, KIV_ERR_NONE, 5}, Case{-6, 2, KIV_ERR_INVALID_ACCESS, 5}}) {
      EXPECT_EQ(kiv_fs_wait(kiv_file_seek(first, k.offset, k.whence)), k.err) << k.offset << "/" << k.whence;
      EXPECT_EQ(kiv_file_tell(first), k.pos);
    }
    close_file(second);
    close_file(first);
  });
}

TEST(Vfs, WritesGrowFilesAndFailedGrowthKeepsTheContents) {
  with_tree([] {
    kiv_file_t* b = open_path("a/b");
    ASSERT_EQ(kiv_fs_wait(kiv_file_seek(b, 0, 2)), KIV_ERR_NONE);
    EXPECT_EQ(write_text(b, " world"), 6);
    EXPECT_EQ(b->size, 11u);
    EXPECT_EQ(kiv_fs_wait(kiv_file_setsize(b, 0x80000000ull)), KIV_ERR_NOT_ENOUGH_RESOURCES);
    EXPECT_EQ(b->size, 11u);
    ASSERT_EQ(kiv_fs_wait(kiv_file_setsize(b, 13)), KIV_ERR_NONE);
    ASSERT_EQ(kiv_fs_wait(kiv_file_seek(b, 0, 0)), KIV_ERR_NONE);
    EXPECT_EQ(read_all(b), std::string("hello world\0\0", 13));
    ASSERT_EQ(kiv_fs_wait(kiv_file_setsize(b, 4)), KIV_ERR_NONE);
    EXPECT_EQ(kiv_file_tell(b), 4u);
    kiv_file_t* a = open_path("a");
    EXPECT_EQ(kiv_fs_wait(kiv_file_setsize(a, 1)), KIV_ERR_INVALID_ACCESS);
    close_file(a);
    close_file(b);
  });
}

TEST(Vfs, EnumerationReturnsEachEntryOnceThenStartsOver) {
  with_tree([] {
    kiv_file_t* a = open_path("a");
    for (int round = 0; round < 2; ++round) {
      std::vector<std::string> names;
      for (int i = 0; i < 10; ++i) {
        int err = 0;
        kiv_file_t* e = open_path(nullptr, &err, a);
        if (!e) break;
        names.push_back(e->name);
        close_file(e);
      }
      EXPECT_EQ(names, (std::vector<std::string>{"b", "abc"})) << "round " << round;
    }
    close_file(a);
  });
}

TEST(Vfs, RenameAndUnlink) {
  with_tree([] {
    kiv_file_t* a = open_path("a");
    EXPECT_EQ(kiv_fs_wait(kiv_file_rename(a, "b", a, "abc")), KIV_ERR_ALREADY_EXISTS);
    EXPECT_EQ(kiv_fs_wait(kiv_file_rename(a, "zz", a, "y")), KIV_ERR_INVALID_PARAMETER);
    kiv_file_t* b = open_path("a/b");
    int a_before = kiv_file_get_refcount(a);
    ASSERT_EQ(kiv_fs_wait(kiv_file_rename(a, "b", kiv_fs_root(), "moved")), KIV_ERR_NONE);
    EXPECT_EQ(kiv_file_get_refcount(a), a_before - 1) << "the open of b moves with it";
    EXPECT_EQ(open_path("a/b"), nullptr);
    kiv_file_t* moved = open_path("moved");
    EXPECT_STREQ(moved->name, "moved");
    close_file(moved);
    // Unlinking an open file removes the name at once; the holder reads on until it closes.
    ASSERT_EQ(kiv_fs_wait(kiv_file_unlink(nullptr, "moved")), KIV_ERR_NONE);
    EXPECT_EQ(open_path("moved"), nullptr);
    EXPECT_EQ(kiv_fs_wait(kiv_file_unlink(nullptr, "moved")), KIV_ERR_INVALID_PARAMETER);
    ASSERT_EQ(kiv_fs_wait(kiv_file_seek(b, 0, 0)), KIV_ERR_NONE);
    EXPECT_EQ(read_all(b), "hello");
    close_file(b);  // the leak checker sees the object freed here
    EXPECT_EQ(kiv_file_get_refcount(a), a_before - 1);
    ASSERT_EQ(create("a", "b", kFile), KIV_ERR_NONE);
    close_file(a);
  });
}

// ---- callback files and mounting ----------------------------------------------------------------

void read_x(void* area, kiv_evt_t evt) {
  if (evt != KIV_EVT_INIT) return;
  auto& p = *static_cast<kiv_fs_rw_param_t*>(area);
  std::memset(p.buffer, 'x', p.count);
  kiv_eda_return(static_cast<int>(p.count));
}

TEST(Vfs, CallbackFilesCallTheirHandlers) {
  kvtest::run_on_kernel([] {
    kiv_fs_init();
    ASSERT_EQ(kiv_vfs_create_callback(nullptr, "xs", kFile, read_x, nullptr), KIV_ERR_NONE);
    kiv_file_t* f = open_path("xs");
    char buf[4] = {};
    EXPECT_EQ(kiv_fs_wait(kiv_file_read(f, buf, 4)), 4);
    EXPECT_EQ(std::string(buf, 4), "xxxx");
    EXPECT_EQ(kiv_file_tell(f), 4u);
    EXPECT_EQ(kiv_fs_wait(kiv_file_write(f, "y", 1)), KIV_ERR_NOT_ACCESSIBLE);
    close_file(f);
    kiv_fs_wait(kiv_file_unlink(nullptr, "xs"));
  });
}

// A tiny grafted filesystem: one file "x"; its mount fails while `fail_mount` is set.
bool fail_mount = false;
kiv_file_t grafted_root_obj;
kiv_file_t* grafted_file = nullptr;
void tiny_mount(void* area, kiv_evt_t evt) {
  if (evt != KIV_EVT_INIT) return;
  reinterpret_cast<kiv_vfs_file_t*>(kiv_fs_target(area))->d2 = &grafted_root_obj;
  kiv_eda_return(fail_mount ? KIV_ERR_INVALID_STATE : KIV_ERR_NONE);
}
void tiny_lookup(void* area, kiv_evt_t evt) {
  if (evt != KIV_EVT_INIT) return;
  auto& p = *static_cast<kiv_fs_lookup_param_t*>(area);
  if (p.name && kiv_file_is_match(p.name, "x")) {
    grafted_file = kiv_file_alloc(sizeof(kiv_file_t));
    grafted_file->name = "x";
    grafted_file->fsop = grafted_root_obj.fsop;
    *p.result = grafted_file;
  }
  kiv_eda_return(*p.result ? KIV_ERR_NONE : KIV_ERR_INVALID_PARAMETER);
}
const kiv_fs_op_t tiny_fsop{
    .mount = {tiny_mount, 0}, .unmount = KIV_FS_NOTHING, .rename = KIV_FS_NOT_SUPPORTED,
    .close = KIV_FS_NOTHING, .read = KIV_FS_NOT_SUPPORTED, .write = KIV_FS_NOT_SUPPORTED,
    .resize = KIV_FS_NOT_SUPPORTED, .setpos = KIV_FS_NOTHING,
    .lookup = {tiny_lookup, 0}, .create = KIV_FS_NOT_SUPPORTED, .unlink = KIV_FS_NOT_SUPPORTED};

TEST(Vfs, MountGraftsAFilesystemAndAFailedMountKeepsTheDirectory) {
  with_tree([] {
    kiv_file_t* a = open_path("a");
    grafted_root_obj = kiv_file_t{};
    fail_mount = true;
    EXPECT_EQ(kiv_fs_wait(kiv_fs_mount(a, &tiny_fsop, &grafted_root_obj)), KIV_ERR_INVALID_STATE);
    EXPECT_FALSE(a->mounted);
    kiv_file_t* b = open_path("a/b");
    EXPECT_NE(b, nullptr) << "the directory's own entries survive a failed mount";
    close_file(b);

    kiv_file_t* f = open_path("f");
    EXPECT_EQ(kiv_fs_wait(kiv_fs_mount(f, &tiny_fsop, &grafted_root_obj)), KIV_ERR_INVALID_ACCESS);
    close_file(f);

    fail_mount = false;
    ASSERT_EQ(kiv_fs_wait(kiv_fs_mount(a, &tiny_fsop, &grafted_root_obj)), KIV_ERR_NONE);
    EXPECT_TRUE(a->mounted);
    EXPECT_EQ(open_path("a/b"), nullptr);
    kiv_file_t* x = open_path("a/x");
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x->fsinfo, &grafted_root_obj);
    EXPECT_EQ(x->parent, a);
    EXPECT_EQ(kiv_fs_wait(kiv_file_rename(x->parent, "x", kiv_fs_root(), "y")), KIV_ERR_INVALID_ACCESS)
        << "no rename across filesystems";
    EXPECT_EQ(kiv_fs_wait(kiv_file_rename(x->parent, "x", x->parent, "y")), KIV_ERR_NOT_SUPPORT)
        << "a rename in the mount point's top folder goes to the grafted filesystem";
    EXPECT_EQ(kiv_fs_wait(kiv_file_rename(kiv_fs_root(), "f", x->parent, "y")), KIV_ERR_INVALID_ACCESS)
        << "nothing moves among a mount point's hidden entries";
    close_file(x);
    // Unmount gives the directory its own entries back.
    ASSERT_EQ(kiv_fs_wait(kiv_fs_call(kiv_vfs_fsop.unmount, a, nullptr, 0)), KIV_ERR_NONE);
    EXPECT_FALSE(a->mounted);
    kiv_file_t* b2 = open_path("a/b");
    EXPECT_NE(b2, nullptr);
    if (b2) close_file(b2);
    close_file(a);
  });
}

// The pump fills a small ring as its reader drains it, straight from the file.
TEST(Vfs, FileToStreamPumpMovesTheRequestedBytes) {
  with_tree([] {
    kiv_file_t* b = open_path("a/b");
    std::string content;
    for (int i = 0; i < 300; ++i) content += static_cast<char>('a' + i % 26);
    ASSERT_EQ(write_text(b, content), 300);
    ASSERT_EQ(kiv_fs_wait(kiv_file_seek(b, 0, 0)), KIV_ERR_NONE);
    static uint8_t ring[64];
    static std::string received;
    received.clear();
    kiv_fifo_stream_t fifo{};
    fifo.stream.op = &kiv_fifo_stream_op;
    fifo.buffer = ring;
    fifo.size = sizeof ring;
    kiv_stream_init(&fifo.stream);
    fifo.stream.rx.evthandler = [](kiv_stream_t* s, void*, kiv_stream_evt_t evt) {
      if (evt != KIV_STREAM_ON_IN) return;
      char buf[64];
      int n = kiv_stream_read(s, buf, sizeof buf);
      received.append(buf, static_cast<std::size_t>(n));
    };
    fifo.stream.rx.threshold = 1;
    kiv_stream_connect_rx(&fifo.stream);
    kiv_file_pump_t pump{};
    pump.file = b;
    pump.count = 250;
    ASSERT_EQ(kiv_fs_wait(kiv_file_read_to_stream(&pump, &fifo.stream)), KIV_ERR_NONE);
    EXPECT_EQ(pump.total, 250u);
    EXPECT_EQ(received, content.substr(0, 250));
    EXPECT_FALSE(kiv_stream_is_tx_connected(&fifo.stream));
    close_file(b);
  });
}

}  // namespace
