#include "saver/shell/password.h"

#include "common/settings.h"

namespace ironwood {

bool PasswordRequired(platform::SettingsStore& settings, platform::DesktopKind desktop) {
  std::string_view flag;
  switch (desktop) {
    case platform::DesktopKind::Windows9x:
      flag = settings::kScreenSaveUsePassword;
      break;
    case platform::DesktopKind::WindowsNT:
      flag = settings::kScreenSaverIsSecure;
      break;
    case platform::DesktopKind::Other:
      return false;
  }
  const std::optional<std::string> value =
      settings.ReadText(platform::SettingsRoot::CurrentUser, settings::kDesktopKey, flag);
  // The desktop stores the flag as the text "0" or "1" (or as a number, which the store gives
  // back as its decimal text): it is read as the number it spells, so "0" asks for nothing.
  return value && settings::TextToInt(*value) > 0;
}

bool PasswordAccepted(const std::optional<std::string>& stored, std::string_view typed) {
  if (!stored) return true;  // nothing set yet: any text opens
  return *stored == typed;
}

platform::PasswordChangeAnswer SubmitPasswordChange(platform::SettingsStore& settings,
                                                    const platform::PasswordChangeFields& fields) {
  if (fields.newText != fields.retyped) {
    return {false, "Please Type the New Password Again.", "Please Try Again"};
  }
  const std::optional<std::string> stored = settings::Read(settings, settings::kPassword);
  if (stored && *stored != fields.old) {
    return {false, "You do not have access to this setting", "Wrong Old Password"};
  }
  settings::Write(settings, settings::kPassword, fields.newText);
  return {true, {}, {}};
}

bool PasswordGate::MayEnd() {
  if (!required_ || dialogs_ == nullptr) return true;
  // Only the open dialog may let the saver go: a request from elsewhere meanwhile (a movement
  // over a cover, a message the dialog's loop hands on) is refused and asks nothing more.
  if (showing_) return false;
  showing_ = true;
  const platform::PasswordDialogs::Entry entry = dialogs_->ShowEntry([this](const std::string& typed) {
    return PasswordAccepted(settings::Read(settings_, settings::kPassword), typed);
  });
  showing_ = false;
  // A dialog that cannot be shown must not lock the user out of the desktop for good.
  return entry != platform::PasswordDialogs::Entry::Refused;
}

bool RunChangePassword(platform::SettingsStore& settings, platform::PasswordDialogs* dialogs) {
  if (dialogs == nullptr) return false;
  return dialogs->ShowChange([&settings](const platform::PasswordChangeFields& fields) {
    return SubmitPasswordChange(settings, fields);
  });
}

}  // namespace ironwood
