// Saves on file systems the test mounts for itself, in a mount namespace of its own: a full
// tmpfs, and a full ext2, which cannot set room aside for a file. A save that fails there
// leaves every target as it was and gives back the room it took.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "export_generator.h"
#include "file_messages.h"
#include "pane_test_support.h"
#include "run_command.h"
#include "tool_messages.h"

namespace {

namespace fs = std::filesystem;

CommandResult Cli(const std::string& args) {
  return RunCommand(ShellQuote(TRACKKML_CLI) + " " + args);
}

bool RootIsAMountPoint() {
  std::ifstream mounts("/proc/self/mountinfo");
  for (std::string line; std::getline(mounts, line);) {
    // The fifth field is where the file system is mounted.
    std::size_t at = 0;
    for (int field = 0; field < 4 && at != std::string::npos; ++field)
      at = line.find(' ', at + 1);
    if (at != std::string::npos && line.compare(at + 1, 2, "/ ") == 0) return true;
  }
  return false;
}

unsigned long long FreeBytes(const fs::path& dir) {
  struct statvfs st {};
  ::statvfs(dir.c_str(), &st);
  return static_cast<unsigned long long>(st.f_bfree) * st.f_frsize;
}

// All but `leave` bytes of the file system taken by one file.
void Fill(const fs::path& dir, std::size_t leave) {
  std::FILE* filler = std::fopen((dir / "filler").c_str(), "wb");
  ASSERT_NE(filler, nullptr);
  const std::string block(4096, 'f');
  while (std::fwrite(block.data(), 1, block.size(), filler) == block.size() &&
         std::fflush(filler) == 0) {
  }
  std::fclose(filler);
  fs::resize_file(dir / "filler", fs::file_size(dir / "filler") - leave);
}

class MountedFileSystem : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to mount a file system";
    if (!RootIsAMountPoint())
      GTEST_SKIP() << "/ is not a mount point here (a plain chroot): no mount namespace of the "
                      "test's own to mount file systems in";
    // Mounts of this test's own, gone with its process.
    ASSERT_EQ(::unshare(CLONE_NEWNS), 0);
    ASSERT_EQ(::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr), 0);
    mounted_ = dir_ / "fs";
    fs::create_directory(mounted_);
    if (std::string(GetParam()) == "tmpfs") {
      ASSERT_EQ(::mount("tmpfs", mounted_.c_str(), "tmpfs", 0, "size=4m,mode=0755"), 0);
    } else {
      REQUIRE_TOOL("mkfs.ext2");
      const std::string image = dir_ / "ext2.img";
      WriteBytes(image, "");
      fs::resize_file(image, 6 << 20);
      ASSERT_EQ(RunCommand("mkfs.ext2 -q -F -m 0 " + ShellQuote(image)).status, 0);
      const auto r =
          RunCommand("mount -o loop " + ShellQuote(image) + " " + ShellQuote(mounted_.string()));
      if (r.status != 0) GTEST_SKIP() << "no loop device to mount an ext2 image: " << r.err;
    }
  }
  void TearDown() override {
    if (!mounted_.empty()) ::umount2(mounted_.c_str(), MNT_DETACH);
  }

  ScratchDir dir_;
  fs::path mounted_;
};

// A KML written in place (it has a second link) and one replaced, on a file system with too
// little room for either: both fail before their old text is touched, the tool says why, no
// temporary file is left and the room taken is given back. So too where the room was had
// for an export's KML but not for its GPX, both written in place. With room, the KML written
// in place is whole and its other link sees it.
TEST_P(MountedFileSystem, AFullDiskLeavesEveryTargetWholeAndGivesTheRoomBack) {
  const fs::path& d = mounted_;
  const std::string exportBytes = GenerateExport(ExportShape{.rows = 3000}).bytes;
  for (const char* name : {"linked", "single"}) {
    WriteBytes(d / (std::string(name) + ".csv"), exportBytes);
    WriteBytes(d / (std::string(name) + ".kml"), "old");
  }
  WriteBytes(d / "linked.gpx", "old");
  fs::create_hard_link(d / "linked.kml", d / "twin.kml");
  fs::create_hard_link(d / "linked.gpx", d / "twin.gpx");
  // How much the KML takes, made where there is room.
  ASSERT_EQ(Cli("-q -o " + ShellQuote(dir_.path()) + " " + ShellQuote(d / "single.csv")).status, 0);
  const std::size_t kmlSize = fs::file_size(dir_ / "single.kml");
  const std::string full =
      std::string(file_messages::kStreamWriteError) + ". No space left on device.\n";
  const auto failed = [&](const char* csv) {
    return std::string(tool_messages::kProgram) + (d / csv).string() + ": " + full;
  };
  struct Case {
    const char* name;
    std::size_t room;
    std::string args, err;
  };
  const Case cases[] = {
      {"room for neither", 64 * 1024,
       "-q " + ShellQuote(d / "linked.csv") + " " + ShellQuote(d / "single.csv"),
       failed("linked.csv") + failed("single.csv")},
      {"room for the KML, not its GPX", kmlSize + 64 * 1024,
       "-q --gpx " + ShellQuote(d / "linked.csv"), failed("linked.csv")},
  };
  for (const auto& c : cases) {
    Fill(d, c.room);
    ::sync();
    const unsigned long long freeBefore = FreeBytes(d);
    const auto r = Cli(c.args);
    EXPECT_EQ(r.status, 1) << c.name;
    EXPECT_EQ(r.err, c.err) << c.name;
    for (const char* kept : {"linked.kml", "single.kml", "twin.kml", "linked.gpx", "twin.gpx"}) {
      const std::string bytes = ReadBytes(d / kept);
      EXPECT_TRUE(bytes == "old") << c.name << ": " << kept << " now holds " << bytes.size()
                                  << " bytes";
    }
    std::vector<std::string> entries = FolderEntries(d);
    std::erase(entries, "lost+found");  // ext2's own
    EXPECT_EQ(entries,
              (std::vector<std::string>{"filler", "linked.csv", "linked.gpx", "linked.kml",
                                        "single.csv", "single.kml", "twin.gpx", "twin.kml"}))
        << c.name;
    ::sync();
    EXPECT_EQ(FreeBytes(d), freeBefore) << c.name << ": the room taken was kept";
    fs::remove(d / "filler");
  }

  ASSERT_EQ(Cli("-q " + ShellQuote(d / "linked.csv")).status, 0);
  const std::string written = ReadBytes(d / "linked.kml");
  EXPECT_GT(written.size(), exportBytes.size());
  EXPECT_TRUE(ReadBytes(d / "twin.kml") == written) << "written in place, its other link sees it";
}

INSTANTIATE_TEST_SUITE_P(, MountedFileSystem, ::testing::Values("tmpfs", "ext2"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
