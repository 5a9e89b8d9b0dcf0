// The host-directory filesystem on the real kernel: a temporary host folder is mounted on an
// in-memory directory and checked from both sides, through the VFS and with the host's files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "fs/hostfs.h"
#include "fs/vfs.h"
#include "tests/fs/vfs_helpers.h"
#include "tests/kernel/harness.h"

namespace {

namespace stdfs = std::filesystem;

// ---- the host side ------------------------------------------------------------------------------

// A fresh host folder, removed with everything in it at the end.
struct HostDir {
  stdfs::path path;
  HostDir() {
    std::random_device rd;
    for (;;) {
      path = stdfs::temp_directory_path() / ("korvalen-hostfs-" + std::to_string(rd()));
      if (stdfs::create_directory(path)) break;
    }
  }
  ~HostDir() {
    std::error_code ec;
    for (auto& e : stdfs::recursive_directory_iterator(path, ec))
      stdfs::permissions(e.path(), stdfs::perms::owner_all, stdfs::perm_options::add, ec);
    stdfs::remove_all(path, ec);
  }
  stdfs::path operator/(const std::string& name) const { return path / name; }
};

void put(const stdfs::path& p, const std::string& text) {
  std::ofstream out(p, std::ios::binary);
  out << text;
}

std::string get(const stdfs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// ---- the VFS side (from the test's kernel thread) -----------------------------------------------

using kvtest::close_file;
using kvtest::open_path;
using kvtest::read_all;
using kvtest::write_text;


int open_error(const char* path) {
  int err = 0;
  kiv_file_t* f = open_path(path, &err);
  if (f) close_file(f);
  return err;
}
std::string read_path(const char* path) {
  kiv_file_t* f = open_path(path);
  if (!f) return "<missing>";
  std::string text = read_all(f);
  close_file(f);
  return text;
}
// Names of one enumeration pass over `dir`, in the order given.
std::vector<std::string> list(kiv_file_t* dir, int limit = 20) {
  std::vector<std::string> names;
  for (int i = 0; i < limit; ++i) {
    kiv_file_t* e = open_path(nullptr, nullptr, dir);
    if (!e) break;
    names.push_back(e->name);
    close_file(e);
  }
  return names;
}
std::vector<std::string> sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

// A host folder grafted on the in-memory directory /`at`; undone by unmount().
struct Mount {
  kiv_file_t* point = nullptr;
  kiv_file_t* root = nullptr;
  int result = KIV_ERR_FAIL;
  std::string at;

  Mount(const std::string& host_path, const char* where = "wm") : at(where) {
    kiv_fs_init();
    if (kiv_fs_wait(kiv_file_create(nullptr, where, KIV_FILE_ATTR_DIRECTORY | KIV_FILE_ATTR_READ)) != KIV_ERR_NONE)
      return;
    point = open_path(where);
    root = kiv_winfs_root_alloc(host_path.c_str());
    if (point && root) result = kiv_fs_wait(kiv_fs_mount(point, &kiv_winfs_fsop, root));
  }
  void unmount() {
    if (point && point->mounted) kiv_fs_wait(kiv_fs_call(kiv_vfs_fsop.unmount, point, nullptr, 0));
    if (point) close_file(point);
    kiv_fs_wait(kiv_file_unlink(nullptr, at.c_str()));
    kiv_file_free(root);
    point = root = nullptr;
  }
};

// Runs `body` on the kernel with `host` mounted on /wm.
void with_mount(const HostDir& host, const std::function<void(Mount&)>& body) {
  kvtest::run_on_kernel([&] {
    Mount m(host.path.string());
    ASSERT_EQ(m.result, KIV_ERR_NONE);
    int root_count = kiv_file_get_refcount(kiv_fs_root());
    body(m);
    EXPECT_EQ(kiv_file_get_refcount(kiv_fs_root()), root_count) << "every object opened was closed again";
    m.unmount();
  });
}

constexpr uint32_t kRW = KIV_FILE_ATTR_READ | KIV_FILE_ATTR_WRITE;

// ---- mounting -----------------------------------------------------------------------------------

TEST(HostFs, MountNeedsAnExistingHostFolder) {
  HostDir host;
  put(host / "file.txt", "x");
  stdfs::create_directory(host / "sub");
  struct Case {
    std::string path;
    int err;
  };
  const std::string base = host.path.string();
  const Case cases[] = {
      {base, KIV_ERR_NONE},
      {base + "/", KIV_ERR_NONE},
      {base + "/sub", KIV_ERR_NONE},
      {base + "/file.txt", KIV_ERR_INVALID_ACCESS},
      {base + "/none", KIV_ERR_INVALID_PARAMETER},
      {base + "/none/deeper", KIV_ERR_INVALID_PARAMETER},
      {base + "/file.txt/deeper", KIV_ERR_INVALID_PARAMETER},
      {"", KIV_ERR_INVALID_PARAMETER},
  };
  for (const Case& c : cases) {
    kvtest::run_on_kernel([&] {
      Mount m(c.path);
      EXPECT_EQ(m.result, c.err) << c.path;
      EXPECT_EQ(m.point && m.point->mounted, c.err == KIV_ERR_NONE) << c.path;
      m.unmount();
    });
  }
}

TEST(HostFs, AFolderPathEndingInASeparatorGivesPlainChildPaths) {
  HostDir host;
  put(host / "a.txt", "slash");
  kvtest::run_on_kernel([&] {
    Mount m(host.path.string() + "/");
    ASSERT_EQ(m.result, KIV_ERR_NONE);
    EXPECT_EQ(read_path("wm/a.txt"), "slash");
    kiv_file_t* sub = nullptr;
    ASSERT_EQ(kiv_fs_wait(kiv_file_create(m.point, "sub", kRW | KIV_FILE_ATTR_DIRECTORY)), KIV_ERR_NONE);
    sub = open_path("wm/sub");
    ASSERT_NE(sub, nullptr);
    kvtest::TraceCapture trace;
    EXPECT_EQ(kiv_fs_wait(kiv_file_rename(sub, "none", sub, "other")), KIV_ERR_INVALID_STATE);
    EXPECT_NE(trace.text().find(" " + host.path.string() + "/sub/none to "), std::string::npos) << trace.text();
    close_file(sub);
    m.unmount();
  });
}

// ---- look-up and reading ------------------------------------------------------------------------

TEST(HostFs, ReadsWhatTheHostWrote) {
  HostDir host;
  put(host / "a.txt", "hello from the host");
  put(host / "A.txt", "upper");
  stdfs::create_directories(host / "sub" / "deeper");
  put(host / "sub" / "deeper" / "b.bin", std::string("\0\1\2\3", 4));
  with_mount(host, [&](Mount& m) {
    kiv_file_t* a = open_path("/wm/a.txt");
    ASSERT_NE(a, nullptr);
    EXPECT_STREQ(a->name, "a.txt");
    EXPECT_EQ(a->size, 19u);
    EXPECT_EQ(a->attr & (kRW | KIV_FILE_ATTR_DIRECTORY), kRW);
    EXPECT_EQ(a->fsinfo, m.root);
    EXPECT_EQ(a->parent, m.point);
    EXPECT_EQ(read_all(a), "hello from the host");
    close_file(a);

    kiv_file_t* sub = open_path("wm/sub");
    ASSERT_NE(sub, nullptr);
    EXPECT_TRUE(sub->attr & KIV_FILE_ATTR_DIRECTORY);
    kiv_file_t* b = open_path("deeper\\b.bin", nullptr, sub);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->parent->parent, sub);
    EXPECT_EQ(b->fsinfo, m.root);
    EXPECT_EQ(read_all(b), std::string("\0\1\2\3", 4));
    close_file(b);
    close_file(sub);

    // The host's case rules hold: this host tells a.txt from A.txt, and a.TXT is neither.
    EXPECT_EQ(read_path("wm/A.txt"), "upper");
    EXPECT_EQ(open_error("wm/a.TXT"), KIV_ERR_INVALID_PARAMETER);
  });
}

TEST(HostFs, MissingNamesAndWalksThroughFiles) {
  HostDir host;
  put(host / "a.txt", "a");
  stdfs::create_directory(host / "sub");
  with_mount(host, [&](Mount&) {
    struct Case {
      const char* path;
      int err;
    };
    for (Case c : {Case{"wm/none", KIV_ERR_INVALID_PARAMETER}, Case{"wm/sub/none", KIV_ERR_INVALID_PARAMETER},
                   Case{"wm/a.tx", KIV_ERR_INVALID_PARAMETER}, Case{"wm/a.txt.", KIV_ERR_INVALID_PARAMETER},
                   Case{"wm/a.txt/x", KIV_ERR_INVALID_ACCESS}, Case{"wm/sub/", KIV_ERR_NONE},
                   Case{"wm//sub//", KIV_ERR_NONE}, Case{"wm/a.txt", KIV_ERR_NONE}}) {
      EXPECT_EQ(open_error(c.path), c.err) << c.path;
    }
  });
}

TEST(HostFs, TwoOpensOfOneFileKeepTheirOwnPositions) {
  HostDir host;
  put(host / "n.txt", "0123456789");
  with_mount(host, [&](Mount&) {
    kiv_file_t* first = open_path("wm/n.txt");
    kiv_file_t* second = open_path("wm/n.txt");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    char c[4] = {};
    ASSERT_EQ(kiv_fs_wait(kiv_file_read(first, c, 4)), 4);
    ASSERT_EQ(kiv_fs_wait(kiv_file_seek(second, 7, 0)), KIV_ERR_NONE);
    EXPECT_EQ(read_all(second), "789");
    EXPECT_EQ(read_all(first), "456789");
    EXPECT_EQ(kiv_fs_wait(kiv_file_seek(first, 11, 0)), KIV_ERR_INVALID_ACCESS);
    ASSERT_EQ(kiv_fs_wait(kiv_file_seek(first, -3, 2)), KIV_ERR_NONE);
    EXPECT_EQ(read_all(first), "789");
    close_file(second);
    close_file(first);
  });
}

// ---- writing ------------------------------------------------------------------------------------

TEST(HostFs, WritesGrowAndResizeTheHostFile) {
  HostDir host;
  with_mount(host, [&](Mount& m) {
    ASSERT_EQ(kiv_fs_wait(kiv_file_create(m.point, "new.bin", kRW)), KIV_ERR_NONE);
    ASSERT_TRUE(stdfs::is_regular_file(host / "new.bin"));
    EXPECT_EQ(stdfs::file_size(host / "new.bin"), 0u);

    kiv_file_t* f = open_path("wm/new.bin");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(write_text(f, "hello"), 5);
    EXPECT_EQ(f->size, 5u);
    EXPECT_EQ(write_text(f, " world"), 6);
    EXPECT_EQ(f->size, 11u);
    EXPECT_EQ(get(host / "new.bin"), "hello world");

    ASSERT_EQ(kiv_fs_wait(kiv_file_seek(f, 6, 0)), KIV_ERR_NONE);
    EXPECT_EQ(write_text(f, "WORLD!"), 6) << "overwrites five bytes and grows by one";
    EXPECT_EQ(f->size, 12u);
    EXPECT_EQ(get(host / "new.bin"), "hello WORLD!");

    ASSERT_EQ(kiv_fs_wait(kiv_file_setsize(f, 15)), KIV_ERR_NONE);
    EXPECT_EQ(get(host / "new.bin"), std::string("hello WORLD!\0\0\0", 15));
    ASSERT_EQ(kiv_fs_wait(kiv_file_setsize(f, 5)), KIV_ERR_NONE);
    EXPECT_EQ(kiv_file_tell(f), 5u) << "the position comes down with the size";
    EXPECT_EQ(get(host / "new.bin"), "hello");
    EXPECT_EQ(write_text(f, "!"), 1);
    EXPECT_EQ(get(host / "new.bin"), "hello!");
    close_file(f);

    // A later open sees the size the host has.
    kiv_file_t* again = open_path("wm/new.bin");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->size, 6u);
    close_file(again);
  });
}

TEST(HostFs, AReadOnlyHostFileIsOpenedForReadingOnly) {
  HostDir host;
  put(host / "ro.txt", "keep");
  stdfs::permissions(host / "ro.txt", stdfs::perms::owner_read | stdfs::perms::group_read | stdfs::perms::others_read);
  with_mount(host, [&](Mount&) {
    kiv_file_t* f = open_path("wm/ro.txt");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->attr & kRW, KIV_FILE_ATTR_READ);
    EXPECT_EQ(write_text(f, "lost"), KIV_ERR_INVALID_STATE);
    EXPECT_EQ(kiv_fs_wait(kiv_file_setsize(f, 1)), KIV_ERR_INVALID_STATE);
    EXPECT_EQ(f->size, 4u);
    EXPECT_EQ(read_all(f), "keep");
    close_file(f);
  });
  EXPECT_EQ(get(host / "ro.txt"), "keep");
}

// ---- create, unlink, rename ---------------------------------------------------------------------

TEST(HostFs, CreateAndUnlinkOnTheHost) {
  HostDir host;
  put(host / "old.txt", "old");
  stdfs::create_directories(host / "full" / "inner");
  with_mount(host, [&](Mount& m) {
    EXPECT_EQ(kiv_fs_wait(kiv_file_create(m.point, "old.txt", kRW)), KIV_ERR_INVALID_STATE);
    EXPECT_EQ(get(host / "old.txt"), "old") << "creating an existing file leaves it alone";
    EXPECT_EQ(kiv_fs_wait(kiv_file_create(m.point, "full", kRW | KIV_FILE_ATTR_DIRECTORY)), KIV_ERR_INVALID_STATE);

    ASSERT_EQ(kiv_fs_wait(kiv_file_create(m.point, "made", kRW | KIV_FILE_ATTR_DIRECTORY)), KIV_ERR_NONE);
    EXPECT_TRUE(stdfs::is_directory(host / "made"));
    kiv_file_t* made = open_path("wm/made");
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->attr & (kRW | KIV_FILE_ATTR_DIRECTORY), kRW | KIV_FILE_ATTR_DIRECTORY);
    ASSERT_EQ(kiv_fs_wait(kiv_file_create(made, "in.txt", kRW)), KIV_ERR_NONE);
    EXPECT_TRUE(stdfs::is_regular_file(host / "made" / "in.txt"));

    struct Case {
      kiv_file_t* dir;
      const char* name;
      int err;
    };
    for (Case c : {Case{m.point, "none", KIV_ERR_INVALID_PARAMETER}, Case{m.point, "full", KIV_ERR_INVALID_STATE},
                   Case{made, "in.txt", KIV_ERR_NONE}, Case{made, "in.txt", KIV_ERR_INVALID_PARAMETER},
                   Case{m.point, "old.txt", KIV_ERR_NONE}}) {
      EXPECT_EQ(kiv_fs_wait(kiv_file_unlink(c.dir, c.name)), c.err) << c.name;
    }
    close_file(made);
    EXPECT_EQ(kiv_fs_wait(kiv_file_unlink(m.point, "made")), KIV_ERR_NONE);
  });
  EXPECT_FALSE(stdfs::exists(host / "old.txt"));
  EXPECT_FALSE(stdfs::exists(host / "made"));
  EXPECT_TRUE(stdfs::is_directory(host / "full" / "inner")) << "a folder with entries stays";
}

TEST(HostFs, RenameMovesHostEntriesAndNeverReplaces) {
  HostDir host;
  stdfs::create_directory(host / "one");
  stdfs::create_directory(host / "two");
  put(host / "one" / "a.txt", "A");
  put(host / "one" / "b.txt", "B");
  with_mount(host, [&](Mount&) {
    kiv_file_t* one = open_path("wm/one");
    kiv_file_t* two = open_path("wm/two");
    ASSERT_NE(one, nullptr);
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(kiv_fs_wait(kiv_file_rename(one, "a.txt", one, "c.txt")), KIV_ERR_NONE);
    EXPECT_EQ(get(host / "one" / "c.txt"), "A");
    EXPECT_FALSE(stdfs::exists(host / "one" / "a.txt"));
    EXPECT_EQ(kiv_fs_wait(kiv_file_rename(one, "c.txt", two, "d.txt")), KIV_ERR_NONE);
    EXPECT_EQ(get(host / "two" / "d.txt"), "A");
    EXPECT_EQ(read_path("wm/two/d.txt"), "A");

    kvtest::TraceCapture trace;
    EXPECT_EQ(kiv_fs_wait(kiv_file_rename(one, "b.txt", two, "d.txt")), KIV_ERR_INVALID_STATE);
    EXPECT_EQ(get(host / "one" / "b.txt"), "B");
    EXPECT_EQ(get(host / "two" / "d.txt"), "A") << "an existing name is never replaced";
    EXPECT_NE(trace.text().find("winfs: fail to rename " + (host / "one" / "b.txt").string() + " to " +
                                (host / "two" / "d.txt").string() + " 17\r\n"),
              std::string::npos)
        << trace.text();
    EXPECT_EQ(kiv_fs_wait(kiv_file_rename(one, "none", two, "e.txt")), KIV_ERR_INVALID_STATE);
    close_file(two);
    close_file(one);
  });
}

// The mount point is an in-memory directory: a rename whose folder is the mount point itself
// reaches the grafted filesystem's handler with that directory, which means the host root.
TEST(HostFs, RenameHandlerTakesTheMountPointAsTheHostRoot) {
  HostDir host;
  stdfs::create_directory(host / "sub");
  put(host / "top.txt", "T");
  with_mount(host, [&](Mount& m) {
    kiv_file_t* sub = open_path("wm/sub");
    ASSERT_NE(sub, nullptr);
    kiv_fs_rename_param_t down{m.point, "top.txt", sub, "moved.txt"};
    EXPECT_EQ(kiv_fs_wait(kiv_fs_call(kiv_winfs_fsop.rename, m.root, &down, sizeof down)), KIV_ERR_NONE);
    EXPECT_EQ(get(host / "sub" / "moved.txt"), "T");
    kiv_fs_rename_param_t up{sub, "moved.txt", m.point, "back.txt"};
    EXPECT_EQ(kiv_fs_wait(kiv_fs_call(kiv_winfs_fsop.rename, m.root, &up, sizeof up)), KIV_ERR_NONE);
    EXPECT_EQ(get(host / "back.txt"), "T");
    kiv_fs_rename_param_t foreign{kiv_fs_root(), "wm", sub, "x"};
    EXPECT_EQ(kiv_fs_wait(kiv_fs_call(kiv_winfs_fsop.rename, m.root, &foreign, sizeof foreign)),
              KIV_ERR_INVALID_ACCESS);
    close_file(sub);
  });
}

TEST(HostFs, RenameAcrossTwoMountedFoldersFailsInTheVfs) {
  HostDir host;
  stdfs::create_directories(host / "left" / "ld");
  stdfs::create_directories(host / "right" / "rd");
  put(host / "left" / "ld" / "f.txt", "F");
  kvtest::run_on_kernel([&] {
    Mount left((host / "left").string(), "wl");
    Mount right((host / "right").string(), "wr");
    ASSERT_EQ(left.result, KIV_ERR_NONE);
    ASSERT_EQ(right.result, KIV_ERR_NONE);
    kiv_file_t* ld = open_path("wl/ld");
    kiv_file_t* rd = open_path("wr/rd");
    ASSERT_NE(ld, nullptr);
    ASSERT_NE(rd, nullptr);
    EXPECT_EQ(kiv_fs_wait(kiv_file_rename(ld, "f.txt", rd, "f.txt")), KIV_ERR_INVALID_ACCESS)
        << "both folders lie on one host disk, yet they are two filesystems";
    close_file(rd);
    close_file(ld);
    right.unmount();
    left.unmount();
  });
  EXPECT_TRUE(stdfs::exists(host / "left" / "ld" / "f.txt"));
  EXPECT_FALSE(stdfs::exists(host / "right" / "rd" / "f.txt"));
}

// ---- enumeration --------------------------------------------------------------------------------

TEST(HostFs, EnumerationListsEachEntryOnceAndStartsOver) {
  HostDir host;
  stdfs::create_directory(host / "sub");
  for (const char* n : {"one.txt", "two.txt", "three.txt"}) put(host / "sub" / n, n);
  for (const char* n : {"one.txt", "two.txt", "three.txt"}) put(host / n, n);
  put(host / ".hidden", "h");
  with_mount(host, [&](Mount& m) {
    const std::vector<std::string> top{".hidden", "one.txt", "sub", "three.txt", "two.txt"};
    EXPECT_EQ(sorted(list(m.point)), top);
    EXPECT_EQ(sorted(list(m.point)), top) << "the second pass starts over";

    kiv_file_t* sub = open_path("wm/sub");
    ASSERT_NE(sub, nullptr);
    std::vector<std::string> first = list(sub);
    EXPECT_EQ(sorted(first), (std::vector<std::string>{"one.txt", "three.txt", "two.txt"}));
    EXPECT_EQ(list(sub), first) << "the host gives the same order again";

    // Seeking a folder to n makes the next look-up return entry n of a pass.
    ASSERT_EQ(kiv_fs_wait(kiv_file_seek(sub, 2, 0)), KIV_ERR_NONE);
    EXPECT_EQ(kiv_file_tell(sub), 2u);
    EXPECT_EQ(list(sub), std::vector<std::string>(first.begin() + 2, first.end()));
    EXPECT_EQ(kiv_fs_wait(kiv_file_seek(sub, 4, 0)), KIV_ERR_INVALID_STATE) << "only three entries";
    EXPECT_EQ(list(sub), first) << "a failed seek leaves the next pass at the start";

    close_file(sub);

    kiv_file_t* hidden = open_path("wm/.hidden");
    ASSERT_NE(hidden, nullptr);
    EXPECT_TRUE(hidden->attr & KIV_FILE_ATTR_HIDDEN);
    close_file(hidden);

    // The mount point is the same object at every open: opening it again restarts a pass that
    // was left half done.
    kiv_file_t* e = open_path(nullptr, nullptr, m.point);
    ASSERT_NE(e, nullptr);
    close_file(e);
    kiv_file_t* point = open_path("wm");
    EXPECT_EQ(point, m.point);
    EXPECT_EQ(kiv_file_tell(point), 0u);
    close_file(point);
    EXPECT_EQ(sorted(list(m.point)), top);
    ASSERT_EQ(kiv_fs_wait(kiv_file_seek(m.point, 2, 0)), KIV_ERR_NONE);
    point = open_path("wm");
    close_file(point);
    EXPECT_EQ(sorted(list(m.point)), top) << "a seek of the mount point is undone by its next open";

    // A pass left unfinished on the mount point is closed by the unmount (the leak checker
    // would see the host search otherwise).
    e = open_path(nullptr, nullptr, m.point);
    ASSERT_NE(e, nullptr);
    close_file(e);
  });
}

// A FIFO would hold the kernel thread in its open, and a dangling link names nothing: neither
// is shown, and neither can be opened.
TEST(HostFs, OnlyFoldersAndRegularFilesAreShown) {
  HostDir host;
  put(host / "plain.txt", "p");
  ASSERT_EQ(std::system(("mkfifo '" + (host / "pipe").string() + "'").c_str()), 0);
  stdfs::create_symlink(host / "gone", host / "dangling");
  stdfs::create_symlink(host / "plain.txt", host / "link.txt");
  with_mount(host, [&](Mount& m) {
    EXPECT_EQ(sorted(list(m.point)), (std::vector<std::string>{"link.txt", "plain.txt"}));
    EXPECT_EQ(open_error("wm/pipe"), KIV_ERR_INVALID_PARAMETER);
    EXPECT_EQ(open_error("wm/dangling"), KIV_ERR_INVALID_PARAMETER);
    EXPECT_EQ(read_path("wm/link.txt"), "p");
    EXPECT_EQ(kiv_fs_wait(kiv_file_unlink(m.point, "dangling")), KIV_ERR_NONE) << "the link itself goes";
  });
  EXPECT_FALSE(stdfs::is_symlink(host / "dangling"));
}

// ---- staying inside the mounted folder ----------------------------------------------------------

TEST(HostFs, NamesNeverLeaveTheMountedFolder) {
  HostDir host;
  stdfs::create_directories(host / "inside" / "sub");
  put(host / "outside.txt", "secret");
  put(host / "inside" / "sub" / "in.txt", "in");
  kvtest::run_on_kernel([&] {
    Mount m((host / "inside").string());
    ASSERT_EQ(m.result, KIV_ERR_NONE);
    int root_count = kiv_file_get_refcount(kiv_fs_root());
    for (const char* path : {"wm/..", "wm/../outside.txt", "wm/sub/../../outside.txt", "wm\\..\\outside.txt",
                             "wm/.", "wm/./sub", "wm/sub/.."}) {
      EXPECT_EQ(open_error(path), KIV_ERR_INVALID_PARAMETER) << path;
    }
    kiv_file_t* sub = open_path("wm/sub");
    ASSERT_NE(sub, nullptr);
    struct Case {
      kiv_file_t* dir;
      const char* name;
    };
    for (Case c : {Case{m.point, ".."}, Case{m.point, "../outside.txt"}, Case{sub, "../../outside.txt"},
                   Case{m.point, "..\\outside.txt"}, Case{m.point, "/outside.txt"}, Case{m.point, "."},
                   Case{m.point, ""}, Case{m.point, "sub/in.txt"}}) {
      EXPECT_EQ(kiv_fs_wait(kiv_file_unlink(c.dir, c.name)), KIV_ERR_INVALID_PARAMETER) << c.name;
      EXPECT_EQ(kiv_fs_wait(kiv_file_create(c.dir, c.name, kRW)), KIV_ERR_INVALID_PARAMETER) << c.name;
      EXPECT_EQ(kiv_fs_wait(kiv_file_rename(sub, "in.txt", sub, c.name)), KIV_ERR_INVALID_PARAMETER) << c.name;
    }
    EXPECT_EQ(kiv_fs_wait(kiv_file_rename(sub, "../../outside.txt", sub, "stolen.txt")), KIV_ERR_INVALID_PARAMETER);
    close_file(sub);
    EXPECT_EQ(kiv_file_get_refcount(kiv_fs_root()), root_count);
    m.unmount();
  });
  EXPECT_EQ(get(host / "outside.txt"), "secret");
  EXPECT_EQ(get(host / "inside" / "sub" / "in.txt"), "in");
  std::vector<std::string> on_host;
  for (auto& e : stdfs::recursive_directory_iterator(host.path))
    on_host.push_back(e.path().lexically_relative(host.path).string());
  EXPECT_EQ(sorted(on_host), (std::vector<std::string>{"inside", "inside/sub", "inside/sub/in.txt", "outside.txt"}))
      << "nothing was made or removed on the host";
}

}  // namespace
