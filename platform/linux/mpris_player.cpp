#include "platform/linux/mpris_player.h"

#include <gio/gio.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace ironwood::platform {
namespace {

constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";
constexpr const char* kRootInterface = "org.mpris.MediaPlayer2";
constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";
constexpr const char* kPropertiesInterface = "org.freedesktop.DBus.Properties";

constexpr int kToggleRepeat = 40022;
constexpr int kPlay = 40045;
constexpr int kStop = 40047;
constexpr int kClose = 40001;

class MprisPlayer final : public MusicPlayer {
 public:
  explicit MprisPlayer(std::string busAddress) : busAddress_(std::move(busAddress)) {}
  ~MprisPlayer() override {
    if (connection_ == nullptr) return;
    g_dbus_connection_close_sync(connection_, nullptr, nullptr);
    g_object_unref(connection_);
  }
  MprisPlayer(const MprisPlayer&) = delete;
  MprisPlayer& operator=(const MprisPlayer&) = delete;

  bool HookUp() override {
    player_.clear();
    if (!Connect()) return false;
    GVariant* reply = Call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                           "ListNames", nullptr, G_VARIANT_TYPE("(as)"));
    if (reply == nullptr) return false;
    std::vector<std::string> names;
    GVariantIter* iterator = nullptr;
    const gchar* name = nullptr;
    g_variant_get(reply, "(as)", &iterator);
    while (g_variant_iter_loop(iterator, "&s", &name)) names.emplace_back(name);
    g_variant_iter_free(iterator);
    g_variant_unref(reply);
    player_ = ChooseMprisPlayer(std::move(names), [this](const std::string& candidate) {
      std::string status;
      TextProperty(candidate, "PlaybackStatus", status);
      return status;
    });
    return !player_.empty();
  }

  bool SendCommand(int identifier) override {
    if (player_.empty()) return false;
    switch (identifier) {
      case kToggleRepeat:
        return ToggleRepeat();
      case kPlay:
        return Answered(Call(player_.c_str(), kObjectPath, kPlayerInterface, "Play", nullptr, nullptr));
      case kStop: {
        const bool stopped =
            Answered(Call(player_.c_str(), kObjectPath, kPlayerInterface, "Stop", nullptr, nullptr));
        RestoreLoopStatus();
        return stopped;
      }
      case kClose:
        return Answered(Call(player_.c_str(), kObjectPath, kRootInterface, "Quit", nullptr, nullptr));
      default:
        return false;
    }
  }

  // The saver never starts a player here.
  bool Launched() const override { return false; }

 private:
  bool Connect() {
    if (connection_ != nullptr && !g_dbus_connection_is_closed(connection_)) return true;
    if (connection_ != nullptr) {
      g_object_unref(connection_);
      connection_ = nullptr;
    }
    if (busAddress_.empty()) return false;
    // A connection of our own rather than the process-wide one: that one ends the whole
    // program when the bus goes away.
    GError* error = nullptr;
    connection_ = g_dbus_connection_new_for_address_sync(
        busAddress_.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &error);
    if (error != nullptr) g_error_free(error);
    return connection_ != nullptr;
  }

  // The reply (to unref) or null when the call failed or took too long. A player that is not
  // running is never started by the bus on the saver's behalf.
  GVariant* Call(const char* destination, const char* path, const char* interface,
                 const char* method, GVariant* parameters, const GVariantType* replyType) {
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(connection_, destination, path, interface, method,
                                                  parameters, replyType,
                                                  G_DBUS_CALL_FLAGS_NO_AUTO_START,
                                                  kMprisCallTimeoutMs, nullptr, &error);
    if (error != nullptr) g_error_free(error);
    return reply;
  }

  static bool Answered(GVariant* reply) {
    if (reply == nullptr) return false;
    g_variant_unref(reply);
    return true;
  }

  // A text property of the player interface; false when the player does not answer with text.
  bool TextProperty(const std::string& player, const char* name, std::string& value) {
    GVariant* reply = Call(player.c_str(), kObjectPath, kPropertiesInterface, "Get",
                           g_variant_new("(ss)", kPlayerInterface, name), G_VARIANT_TYPE("(v)"));
    if (reply == nullptr) return false;
    GVariant* inner = nullptr;
    g_variant_get(reply, "(v)", &inner);
    const bool isText = g_variant_is_of_type(inner, G_VARIANT_TYPE_STRING);
    if (isText) value = g_variant_get_string(inner, nullptr);
    g_variant_unref(inner);
    g_variant_unref(reply);
    return isText;
  }

  bool SetLoopStatus(const std::string& player, const std::string& status) {
    return Answered(Call(player.c_str(), kObjectPath, kPropertiesInterface, "Set",
                         g_variant_new("(ssv)", kPlayerInterface, "LoopStatus",
                                       g_variant_new_string(status.c_str())),
                         nullptr));
  }

  bool ToggleRepeat() {
    std::string current;
    if (!TextProperty(player_, "LoopStatus", current)) return false;
    // The first toggle of a run sees the status the user chose; two toggles turn "Track" into
    // "Playlist", so stopping puts this one back.
    const bool known = std::any_of(foundLoops_.begin(), foundLoops_.end(),
                                   [this](const auto& found) { return found.first == player_; });
    if (!known) foundLoops_.emplace_back(player_, current);
    return SetLoopStatus(player_, ToggledLoopStatus(current));
  }

  // Every player the run toggled gets its loop status back, where it now differs.
  void RestoreLoopStatus() {
    for (const auto& [player, found] : foundLoops_) {
      std::string current;
      if (TextProperty(player, "LoopStatus", current) && current != found) {
        SetLoopStatus(player, found);
      }
    }
    foundLoops_.clear();
  }

  std::string busAddress_;
  GDBusConnection* connection_ = nullptr;
  std::string player_;  // the player's bus name; empty until a hook-up finds one
  // The loop status each toggled player had before the run's first toggle.
  std::vector<std::pair<std::string, std::string>> foundLoops_;
};

}  // namespace

std::string SessionBusAddress(const char* addressVariable, const char* runtimeDirectory) {
  if (addressVariable != nullptr && addressVariable[0] != '\0') return addressVariable;
  if (runtimeDirectory == nullptr || runtimeDirectory[0] == '\0') return "";
  const std::string socketPath = std::string(runtimeDirectory) + "/bus";
  struct stat status{};
  if (stat(socketPath.c_str(), &status) != 0 || !S_ISSOCK(status.st_mode)) return "";
  // The address syntax escapes bytes outside a small safe set.
  gchar* escaped = g_dbus_address_escape_value(socketPath.c_str());
  std::string address = std::string("unix:path=") + escaped;
  g_free(escaped);
  return address;
}

std::string ChooseMprisPlayer(std::vector<std::string> busNames,
                              const std::function<std::string(const std::string&)>& playbackStatus) {
  std::sort(busNames.begin(), busNames.end());
  const std::string prefix = kMprisNamePrefix;
  std::string first, paused;
  for (const std::string& name : busNames) {
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
    if (!playbackStatus) return name;
    // The player the user listens to, or left paused, is the one they would have the saver use.
    const std::string status = playbackStatus(name);
    if (status == "Playing") return name;
    if (status == "Paused" && paused.empty()) paused = name;
    if (first.empty()) first = name;
  }
  return paused.empty() ? first : paused;
}

std::string ToggledLoopStatus(const std::string& current) {
  return current == "None" ? "Playlist" : "None";
}

std::unique_ptr<MusicPlayer> OpenMprisPlayer() {
  return OpenMprisPlayer(
      SessionBusAddress(std::getenv("DBUS_SESSION_BUS_ADDRESS"), std::getenv("XDG_RUNTIME_DIR")));
}

std::unique_ptr<MusicPlayer> OpenMprisPlayer(const std::string& busAddress) {
  return std::make_unique<MprisPlayer>(busAddress);
}

}  // namespace ironwood::platform
