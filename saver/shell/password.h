#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/password_dialogs.h"
#include "platform/settings_store.h"

namespace ironwood {

// Whether the desktop's settings ask the saver for a password before it ends: the flag of the
// desktop's kind, under the user root, holding a number greater than 0. No value, another
// desktop kind, or a flag of 0 ask for none.
bool PasswordRequired(platform::SettingsStore& settings, platform::DesktopKind desktop);

// Whether the typed text opens the saver: any text when no password is stored, otherwise
// exactly the stored text (letter case counts).
bool PasswordAccepted(const std::optional<std::string>& stored, std::string_view typed);

// One press of OK in the change-password dialog: retyped text that differs asks again; an old
// text that differs from a stored password is refused; otherwise the new text is stored (a
// failed write is not reported) and the dialog ends.
platform::PasswordChangeAnswer SubmitPasswordChange(platform::SettingsStore& settings,
                                                    const platform::PasswordChangeFields& fields);

// The saver's answer to "may I end now?" for the whole run.
class PasswordGate {
 public:
  // `dialogs` may be null (a platform without them): the saver then ends when asked.
  PasswordGate(platform::SettingsStore& settings, platform::PasswordDialogs* dialogs,
               bool required)
      : settings_(settings), dialogs_(dialogs), required_(required) {}

  // True when the saver may end: no password is required, or the user typed the password (or
  // the dialog could not be shown at all). Asked again while the dialog is open, it answers
  // false and shows nothing more.
  bool MayEnd();
  // True while the entry dialog is on screen.
  bool DialogShowing() const { return showing_; }
  bool Required() const { return required_; }

 private:
  platform::SettingsStore& settings_;
  platform::PasswordDialogs* dialogs_;
  bool required_;
  bool showing_ = false;
};

// The change-password run mode: shows the change dialog until it ends. True when a password
// was stored.
bool RunChangePassword(platform::SettingsStore& settings, platform::PasswordDialogs* dialogs);

}  // namespace ironwood
