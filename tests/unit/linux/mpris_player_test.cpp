#include "platform/linux/mpris_player.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <map>

#include "tests/support/test_files.h"

namespace ironwood::platform {
namespace {

// A listening Unix socket at `path`, as a bus daemon leaves in the runtime folder.
int BindSocket(const std::string& path) {
  const int socketFd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  if (bind(socketFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(socketFd);
    return -1;
  }
  return socketFd;
}

TEST(SessionBus, AddressFromTheEnvironmentThenTheRuntimeFolderNeverStarted) {
  testing::TempFolder folder;
  const std::string runtime = (folder.Path() / "run time").string();
  std::filesystem::create_directories(runtime);

  EXPECT_EQ(SessionBusAddress("unix:path=/tmp/elsewhere", runtime.c_str()),
            "unix:path=/tmp/elsewhere");
  // No variable and no socket: no bus (none is started for the saver).
  EXPECT_EQ(SessionBusAddress(nullptr, nullptr), "");
  EXPECT_EQ(SessionBusAddress("", runtime.c_str()), "");
  // A plain file of that name is no bus.
  std::ofstream(runtime + "/bus") << "not a socket";
  EXPECT_EQ(SessionBusAddress(nullptr, runtime.c_str()), "");
  std::filesystem::remove(runtime + "/bus");

  const int socketFd = BindSocket(runtime + "/bus");
  ASSERT_GE(socketFd, 0);
  // The space is escaped as the address syntax wants.
  const std::string address = SessionBusAddress("", runtime.c_str());
  close(socketFd);
  EXPECT_EQ(address, "unix:path=" + std::string(folder.Path().string()) + "/run%20time/bus");
}

TEST(MprisChoice, PlayingThenPausedThenFirstNameInSortedOrder) {
  EXPECT_EQ(ChooseMprisPlayer({":1.4", "org.freedesktop.DBus", "org.mpris.MediaPlayer2.zebra",
                               "org.mpris.MediaPlayer2.alpha.instance7", ":1.9"}),
            "org.mpris.MediaPlayer2.alpha.instance7");
  // The bare prefix, a name merely starting like it, and no names are no player.
  EXPECT_EQ(ChooseMprisPlayer({"org.mpris.MediaPlayer2.", "org.mpris.MediaPlayer2",
                               "org.mpris.MediaPlayer2Other", "org.mpris.Other.x"}),
            "");
  EXPECT_EQ(ChooseMprisPlayer({}), "");

  // A player playing wins over one paused, which wins over the first name.
  const std::vector<std::string> names = {"org.mpris.MediaPlayer2.c", "org.mpris.MediaPlayer2.a",
                                          "org.mpris.MediaPlayer2.b", "org.mpris.MediaPlayer2.d"};
  std::map<std::string, std::string> status;
  const auto statusOf = [&status](const std::string& name) { return status[name]; };
  EXPECT_EQ(ChooseMprisPlayer(names, statusOf), "org.mpris.MediaPlayer2.a");
  status = {{"org.mpris.MediaPlayer2.a", "Stopped"}, {"org.mpris.MediaPlayer2.d", "Paused"},
            {"org.mpris.MediaPlayer2.c", "Paused"}};
  EXPECT_EQ(ChooseMprisPlayer(names, statusOf), "org.mpris.MediaPlayer2.c");
  status["org.mpris.MediaPlayer2.d"] = "Playing";
  EXPECT_EQ(ChooseMprisPlayer(names, statusOf), "org.mpris.MediaPlayer2.d");
}

TEST(MprisChoice, RepeatToggleFlipsBetweenNoneAndPlaylist) {
  EXPECT_EQ(ToggledLoopStatus("None"), "Playlist");
  EXPECT_EQ(ToggledLoopStatus("Playlist"), "None");
  // Repeating one track is repeating too: the toggle turns it off.
  EXPECT_EQ(ToggledLoopStatus("Track"), "None");
}

TEST(MprisPlayer, WithoutABusTheHookUpFailsAtOnceAndCommandsGoNowhere) {
  testing::TempFolder folder;
  for (const std::string& address :
       {std::string(), "unix:path=" + (folder.Path() / "no-bus").string(), std::string("nonsense")}) {
    auto player = OpenMprisPlayer(address);
    EXPECT_FALSE(player->SendCommand(40045)) << address;
    EXPECT_FALSE(player->HookUp()) << address;
    EXPECT_FALSE(player->Launched()) << address;
    for (int identifier : {40022, 40045, 40047, 40001}) {
      EXPECT_FALSE(player->SendCommand(identifier)) << address << " " << identifier;
    }
  }
}

}  // namespace
}  // namespace ironwood::platform
