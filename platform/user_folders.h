#pragma once

#include <string>

namespace ironwood::platform {

// The user's own folders the saver writes to when its installation folder will not take its
// files (an installed saver run by an ordinary user, a read-only mount). Each ends with a
// separator, or is empty when the platform cannot name it (no home folder).
struct UserFolders {
  // The start-up log's: $XDG_STATE_HOME/ironwood/ (~/.local/state/ironwood/), or Ironwood in
  // %LOCALAPPDATA%.
  std::string state;
  // Screenshots': Ironwood in the user's pictures folder (XDG_PICTURES_DIR, ~/Pictures; the
  // Pictures known folder).
  std::string pictures;
};

// Looked up afresh at each call. Linux reads HOME, XDG_STATE_HOME and XDG_CONFIG_HOME (its
// user-dirs.dirs), so a test points it elsewhere through them.
UserFolders FindUserFolders();

}  // namespace ironwood::platform
