// The application's utility commands run through the shell, on the in-memory tree and on a
// host folder mounted with winfs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/update_command.h"
#include "app/utility_commands.h"
#include "linux/shell.h"
#include "linux/startup.h"
#include "tests/linux/env_harness.h"

namespace {

namespace px = posix;
using kvtest::run_in_environment;

// Runs a line in the test's process; gives its status and what it printed.
std::pair<int, std::string> run(const std::string& line) {
  auto& con = *kvtest::console();
  con.output.text.clear();
  int status = px::system(line.c_str());
  return {status, con.printed()};
}

void install() {
  kiv_linux_install_builtins();
  kiv_linux_install_command("/bin/mount", mount_main);
  kiv_linux_install_command("/bin/write", write_main);
  kiv_linux_install_command("/bin/update", update_main);
  px::setenv("PATH", "/bin", 1);
}

void make_file(const char* path, const std::string& content) {
  int fd = px::creat(path, 0);
  px::write(fd, content.data(), static_cast<int>(content.size()));
  px::close(fd);
}

std::string content_of(const char* path) {
  int fd = px::open(path, 0);
  std::string out;
  char buf[4096];
  int n;
  while ((n = px::read(fd, buf, sizeof buf)) > 0) out.append(buf, static_cast<std::size_t>(n));
  px::close(fd);
  return out;
}

const std::string usage =
    "format: mount [-t vfstype] [-b block_size] device dir\r\nsupported vfstype(mandatory options): "
    "auto(b) fatfs(b) winfs \r\n";

TEST(MountCommand, UsageAndBlockSize) {
  run_in_environment([] {
    install();
    struct Case {
      const char* line;
      std::string printed;
    };
    for (const Case& c : {Case{"mount -t fatfs disk.img /scsi", "block size must be defined for fatfs\r\n" + usage},
                          Case{"mount -t nosuch a /b", usage}, Case{"mount /only", usage}, Case{"mount -x a b", "unknown option -- x" + usage}}) {
      auto [status, printed] = run(c.line);
      EXPECT_EQ(status, -1 << 8) << c.line;
      EXPECT_EQ(printed, c.printed) << c.line;
    }
  });
}

TEST(MountCommand, WinfsMountsAHostFolder) {
  std::filesystem::path dir = std::filesystem::temp_directory_path() / "korvalen-mount-test";
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "fw.bin") << "image";
  static std::string host;
  host = dir.string();
  run_in_environment([] {
    install();
    kiv_linux_mkdir_p("/mnt/w");
    EXPECT_EQ(run("mount -t winfs \"" + host + "\" /mnt/w").first, 0);
    EXPECT_EQ(content_of("/mnt/w/fw.bin"), "image");
    EXPECT_EQ(run("mount -t winfs /no/such/folder /mnt/x").second, "fail to mount\r\n");
  });
  std::filesystem::remove_all(dir);
}

TEST(WriteCommand, OverwritesTheStartOnly) {
  run_in_environment([] {
    install();
    make_file("/w.txt", std::string(300, '.'));
    EXPECT_EQ(run("write /w.txt 0123456789").first, 0);
    std::string now = content_of("/w.txt");
    EXPECT_EQ(now.size(), 300u);
    EXPECT_EQ(now, "0123456789" + std::string(290, '.'));
    auto [status, printed] = run("write /missing.txt abc");
    EXPECT_EQ(status, -1 << 8);
    EXPECT_EQ(printed, "");
    EXPECT_EQ(run("write /w.txt").second, "format: write FILENAME STRING\r\n");
  });
}

std::vector<unsigned> progress;

TEST(UpdateCommand, CopiesInChunksAndRefusesLargerImages) {
  run_in_environment([] {
    install();
    app_update_set_progress([](unsigned total, unsigned current) { progress.push_back(total ? current * 100u / total : 100u); });
    make_file("/update.bin", std::string(20000, 'o'));
    make_file("/fw.bin", std::string(16385, 'n'));
    progress.clear();
    auto [status, printed] = run("update /fw.bin /update.bin");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(printed, "..\r\nupdate done\r\n");
    EXPECT_EQ(progress, (std::vector<unsigned>{0, 99, 100}));
    EXPECT_EQ(content_of("/update.bin"), std::string(16385, 'n') + std::string(20000 - 16385, 'o'));

    make_file("/big.bin", std::string(20001, 'b'));
    auto [big_status, big_printed] = run("update /big.bin /update.bin");
    EXPECT_EQ(big_status, -1 << 8);
    EXPECT_EQ(big_printed, "invalid update operation, src size: 20001, dst size: 20000\r\n"
                           "fail to update /big.bin to /update.bin\r\n");
    EXPECT_EQ(content_of("/update.bin").substr(0, 2), "nn");
    make_file("/empty.bin", "");
    EXPECT_EQ(run("update /empty.bin /update.bin").first, 0) << "an empty image is no failure";
    app_update_set_progress(nullptr);
  });
}

}  // namespace
