#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/linux/reg_file_store.h"
#include "platform/reg_text.h"

namespace ironwood::platform {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kKey = "software\\Quillon\\Starfray ScreenSaver\\2.60";
constexpr SettingsRoot kMachine = SettingsRoot::LocalMachine;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream data;
  data << in.rdbuf();
  return data.str();
}

void WriteFile(const std::string& path, std::string_view data) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << data;
}

class RegFileStoreTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "ironwood-store-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    user_ = dir_ + "/config/ironwood/settings.reg";
    system_ = dir_ + "/etc/settings.reg";
    WriteFile(system_,
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_LOCAL_MACHINE\\software\\Quillon\\Starfray ScreenSaver\\2.60]\n"
              "\"WorkingDirectory\"=\"/opt/ironwood/\"\n"
              "\"NumScenarios\"=\"2\"\n");
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string dir_, user_, system_;
};

TEST_F(RegFileStoreTest, UserLayerWinsAndKeepsOtherValues) {
  RegFileStore store(user_, system_);
  EXPECT_EQ(store.ReadText(kMachine, kKey, "workingdirectory"), "/opt/ironwood/");
  EXPECT_EQ(store.ReadText(kMachine, kKey, "Resolution"), std::nullopt);

  ASSERT_TRUE(store.WriteText(kMachine, kKey, "NumScenarios", "5"));
  EXPECT_EQ(fs::status(fs::path(user_).parent_path()).permissions() & fs::perms::all,
            fs::perms::owner_all);
  EXPECT_EQ(store.ReadText(kMachine, kKey, "NumScenarios"), "5");
  EXPECT_EQ(store.ReadText(kMachine, kKey, "WorkingDirectory"), "/opt/ironwood/");
  EXPECT_EQ(ReadFile(system_).find("\"5\""), std::string::npos);

  // Values another program put in the user file survive our writes, whatever their type.
  const std::string withOthers = ReadFile(user_) +
                                 "[HKEY_CURRENT_USER\\Control Panel\\desktop]\n"
                                 "\"ScreenSaveUsePassword\"=dword:00000001\n"
                                 "\"Pattern\"=hex(7):41,00,00,00,00,00\n";
  WriteFile(user_, withOthers);
  ASSERT_TRUE(store.WriteText(kMachine, kKey, "Resolution", "line\nbreak"));
  EXPECT_EQ(
      store.ReadText(SettingsRoot::CurrentUser, "Control Panel\\desktop", "ScreenSaveUsePassword"),
      "1");
  EXPECT_EQ(store.ReadText(kMachine, kKey, "Resolution"), "line\nbreak");
  EXPECT_EQ(store.ReadText(kMachine, kKey, "NumScenarios"), "5");
  EXPECT_NE(ReadFile(user_).find("\"Pattern\"=hex(7):41,00,00,00,00,00\n"), std::string::npos);
  EXPECT_FALSE(fs::exists(user_ + ".tmp"));
}

TEST_F(RegFileStoreTest, LongValuesReadAsAbsent) {
  RegFileStore store(user_, system_);
  ASSERT_TRUE(store.WriteText(kMachine, kKey, "Exact", std::string(1024, 'x')));
  ASSERT_TRUE(store.WriteText(kMachine, kKey, "WorkingDirectory", std::string(1025, 'x')));
  EXPECT_EQ(store.ReadText(kMachine, kKey, "Exact"), std::string(1024, 'x'));
  // The long user value hides the system one rather than letting it through.
  EXPECT_EQ(store.ReadText(kMachine, kKey, "WorkingDirectory"), std::nullopt);
  // A reader can tell such a value from one that is not there.
  EXPECT_TRUE(store.ValueTooLong(kMachine, kKey, "WorkingDirectory"));
  EXPECT_FALSE(store.ValueTooLong(kMachine, kKey, "Exact"));
  EXPECT_FALSE(store.ValueTooLong(kMachine, kKey, "Nothing"));
}

TEST_F(RegFileStoreTest, DamagedFileReadsAsEmptyReportedOnce) {
  RegFileStore store(user_, system_);
  ASSERT_TRUE(store.WriteText(kMachine, kKey, "WorkingDirectory", "/home/me/ironwood/"));
  const std::string whole = ReadFile(user_);
  const std::string damaged = whole.substr(0, whole.size() - 5);
  WriteFile(user_, damaged);

  testing::internal::CaptureStderr();
  EXPECT_EQ(store.ReadText(kMachine, kKey, "WorkingDirectory"), "/opt/ironwood/");
  EXPECT_EQ(store.ReadText(kMachine, kKey, "NumScenarios"), "2");
  RegFileStore(dir_ + "/missing.reg", system_).ReadText(kMachine, kKey, "x");
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(said, "Ironwood: settings file " + user_ +
                      " cannot be read (line 4: the text of \"WorkingDirectory\" is not one "
                      "closed quoted string); using no settings from it\n");
  EXPECT_EQ(ReadFile(user_), damaged);
}

TEST_F(RegFileStoreTest, WriteKeepsDamagedFileAside) {
  WriteFile(user_, "not a settings file\n");
  RegFileStore store(user_, system_);
  testing::internal::CaptureStderr();
  ASSERT_TRUE(store.WriteText(kMachine, kKey, "Resolution", "800X600"));
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("moved it to " + user_ + ".bad"), std::string::npos) << said;
  EXPECT_EQ(ReadFile(user_ + ".bad"), "not a settings file\n");
  EXPECT_EQ(store.ReadText(kMachine, kKey, "Resolution"), "800X600");
}

TEST_F(RegFileStoreTest, RefusedWritesLeaveTheFileAlone) {
  RegFileStore store(user_, system_);
  ASSERT_TRUE(store.WriteText(kMachine, kKey, "Resolution", "800X600"));
  const std::string before = ReadFile(user_);
  EXPECT_FALSE(store.WriteText(kMachine, kKey, "Bad\nName", "x"));
  EXPECT_FALSE(store.WriteText(kMachine, "bad\\key]\n[x", "Name", "x"));
  EXPECT_FALSE(store.WriteText(kMachine, kKey, "Resolution", std::string("a\0b", 3)));
  EXPECT_EQ(ReadFile(user_), before);

  // A folder that cannot exist: the path runs through a plain file.
  WriteFile(dir_ + "/plain", "x");
  EXPECT_FALSE(
      RegFileStore(dir_ + "/plain/settings.reg", system_).WriteText(kMachine, kKey, "A", "1"));
  EXPECT_FALSE(RegFileStore("", system_).WriteText(kMachine, kKey, "A", "1"));
}

TEST_F(RegFileStoreTest, ManyValuesArriveTogetherAndARefusedOneIsPassedOver) {
  RegFileStore store(user_, system_);
  ASSERT_TRUE(store.WriteText(kMachine, kKey, "Resolution", "800X600"));
  std::vector<TextValue> values;
  for (int i = 0; i < 300; ++i) values.emplace_back("Scenario(" + std::to_string(i) + ")", "s.ss3");
  values.emplace_back("Bad\nName", "x");
  values.emplace_back("NumScenarios", "300");
  EXPECT_FALSE(store.WriteTexts(kMachine, kKey, values)) << "one value was refused";
  EXPECT_EQ(store.ReadText(kMachine, kKey, "Scenario(299)"), "s.ss3");
  EXPECT_EQ(store.ReadText(kMachine, kKey, "NumScenarios"), "300");
  EXPECT_EQ(store.ReadText(kMachine, kKey, "Resolution"), "800X600");
  EXPECT_EQ(ReadFile(user_).find("Bad"), std::string::npos);
  EXPECT_TRUE(store.WriteTexts(kMachine, kKey, {}));
}

// A FIFO, a device or a folder where a layer should be would block or mislead both programs: it
// reads as no settings with its reason said once, and a write fails, leaving it standing.
TEST_F(RegFileStoreTest, OnlyARegularFileIsALayer) {
  const std::string fifo = dir_ + "/fifo.reg", folder = dir_ + "/folder.reg";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  fs::create_directories(folder);
  testing::internal::CaptureStderr();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RegFileStore(fifo, system_).ReadText(kMachine, kKey, "WorkingDirectory"),
            "/opt/ironwood/");
  EXPECT_EQ(RegFileStore(fifo, system_).ReadText(kMachine, kKey, "NumScenarios"), "2");
  EXPECT_EQ(RegFileStore(user_, fifo).ReadText(kMachine, kKey, "WorkingDirectory"), std::nullopt);
  EXPECT_EQ(RegFileStore(user_, "/dev/zero").ReadText(kMachine, kKey, "A"), std::nullopt);
  EXPECT_FALSE(RegFileStore(fifo, system_).WriteText(kMachine, kKey, "A", "1"));
  EXPECT_FALSE(RegFileStore(folder, system_).WriteText(kMachine, kKey, "A", "1"));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  const std::string said = testing::internal::GetCapturedStderr();
  const std::string fifoSaid = "settings file " + fifo + " cannot be read (not a regular file); ";
  EXPECT_NE(said.find(fifoSaid + "using no settings from it\n"), std::string::npos) << said;
  EXPECT_EQ(said.find(fifoSaid + "using"), said.rfind(fifoSaid + "using")) << "said once";
  EXPECT_NE(said.find(fifoSaid + "writing no settings to it\n"), std::string::npos) << said;
  EXPECT_NE(said.find(folder + " cannot be read (not a regular file); writing no settings"),
            std::string::npos);
  EXPECT_NE(said.find("/dev/zero cannot be read (not a regular file)"), std::string::npos);
  EXPECT_TRUE(fs::is_fifo(fifo));
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_FALSE(fs::exists(fifo + ".bad"));
  EXPECT_FALSE(fs::exists(folder + ".bad"));
}

// Two programs writing at once (the saver and the configuration program) lose nothing, and a
// third that only reads always sees a whole file, old or new. The values' lengths vary, so every
// replacement changes the file's size.
TEST_F(RegFileStoreTest, ConcurrentWritersLoseNothing) {
  constexpr int kWriters = 2, kSlots = 6;
  const auto value = [](int i) { return std::to_string(i) + std::string(i % 7, '+'); };
  RegFileStore store(user_, system_);
  ASSERT_TRUE(store.WriteText(kMachine, kKey, "Seed", "here"));
  int pipes[kWriters][2];
  pid_t children[kWriters + 1];
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  for (int w = 0; w <= kWriters; ++w) {
    ASSERT_TRUE(w == kWriters || pipe(pipes[w]) == 0);
    children[w] = fork();
    ASSERT_GE(children[w], 0);
    if (children[w] == 0) {
      RegFileStore mine(user_, system_);
      if (w == kWriters) {
        while (std::chrono::steady_clock::now() < end) {
          if (mine.ReadText(kMachine, kKey, "Seed") != "here") _exit(1);
        }
        _exit(0);
      }
      int i = 0;
      for (; std::chrono::steady_clock::now() < end || i < kSlots; ++i) {
        const std::string name = "Writer" + std::to_string(w) + "_" + std::to_string(i % kSlots);
        if (!mine.WriteText(kMachine, kKey, name, value(i)) ||
            mine.ReadText(kMachine, kKey, name) != value(i)) {
          _exit(1);
        }
      }
      const bool sent = write(pipes[w][1], &i, sizeof i) == sizeof i;
      _exit(sent ? 0 : 2);
    }
    if (w < kWriters) close(pipes[w][1]);
  }
  for (int w = 0; w <= kWriters; ++w) {
    int status = 0, count = 0;
    ASSERT_EQ(waitpid(children[w], &status, 0), children[w]);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "process " << w;
    if (w == kWriters) break;
    ASSERT_EQ(read(pipes[w][0], &count, sizeof count), static_cast<ssize_t>(sizeof count));
    close(pipes[w][0]);
    for (int slot = 0; slot < kSlots; ++slot) {
      const int last = count - 1 - ((count - 1 - slot) % kSlots);
      EXPECT_EQ(
          store.ReadText(kMachine, kKey, "Writer" + std::to_string(w) + "_" + std::to_string(slot)),
          value(last));
    }
  }
}

TEST(SettingsPaths, FollowTheEnvironment) {
  const char* names[] = {"IRONWOOD_SETTINGS", "IRONWOOD_SYSTEM_SETTINGS", "XDG_CONFIG_HOME",
                         "HOME"};
  std::vector<std::optional<std::string>> saved;
  for (const char* name : names) {
    const char* value = std::getenv(name);
    saved.push_back(value ? std::optional<std::string>(value) : std::nullopt);
  }
  setenv("HOME", "/home/pilot", 1);
  unsetenv("IRONWOOD_SETTINGS");
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(UserSettingsPath(), "/home/pilot/.config/ironwood/settings.reg");
  setenv("XDG_CONFIG_HOME", "relative", 1);
  EXPECT_EQ(UserSettingsPath(), "/home/pilot/.config/ironwood/settings.reg");
  setenv("XDG_CONFIG_HOME", "/xdg", 1);
  EXPECT_EQ(UserSettingsPath(), "/xdg/ironwood/settings.reg");
  setenv("IRONWOOD_SETTINGS", "", 1);
  EXPECT_EQ(UserSettingsPath(), "/xdg/ironwood/settings.reg");
  setenv("IRONWOOD_SETTINGS", "/tmp/user.reg", 1);
  EXPECT_EQ(UserSettingsPath(), "/tmp/user.reg");

  setenv("IRONWOOD_SYSTEM_SETTINGS", "", 1);
  EXPECT_TRUE(SystemSettingsPath().ends_with("/ironwood/settings.reg")) << SystemSettingsPath();
  setenv("IRONWOOD_SYSTEM_SETTINGS", "/tmp/system.reg", 1);
  EXPECT_EQ(SystemSettingsPath(), "/tmp/system.reg");

  for (std::size_t i = 0; i < saved.size(); ++i) {
    if (saved[i]) {
      setenv(names[i], saved[i]->c_str(), 1);
    } else {
      unsetenv(names[i]);
    }
  }
}

}  // namespace
}  // namespace ironwood::platform
