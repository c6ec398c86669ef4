#pragma once

#include <functional>
#include <memory>
#include <string>

namespace ironwood::platform {

// Which desktop settings say whether a screen saver asks for a password before it ends: the
// older Windows family reads "ScreenSaveUsePassword", the NT family "ScreenSaverIsSecure".
// Desktops of any other kind lock the screen themselves; the saver never asks there.
enum class DesktopKind { Windows9x, WindowsNT, Other };

// The desktop the program runs on.
DesktopKind CurrentDesktopKind();

// The three text fields of the change-password dialog, as typed.
struct PasswordChangeFields {
  std::string newText;
  std::string retyped;
  std::string old;
};

// What one press of OK in the change-password dialog does: a message to show (over the
// dialog, with an OK button), or the end of the dialog. The fields are cleared either way.
struct PasswordChangeAnswer {
  bool done = false;
  std::string message;
  std::string caption;
};

// The saver's two password dialogs. The decisions are the caller's: the dialogs show, read
// what was typed, and end as the caller answers.
class PasswordDialogs {
 public:
  enum class Entry { Accepted, Refused, NotShown };

  // The longest text an edit field gives back, in bytes.
  static constexpr std::size_t kMaxFieldText = 1023;

  virtual ~PasswordDialogs() = default;

  // Shows the entry dialog modally over the saver's window. OK hands the typed text to
  // `check`, whose answer ends the dialog (true: Accepted, false: Refused); Cancel or closing
  // it refuse. NotShown when the dialog could not be created.
  virtual Entry ShowEntry(const std::function<bool(const std::string& typed)>& check) = 0;

  // Shows the change dialog modally without an owner. Every OK hands the three fields to
  // `submit`; its message, if any, is shown, the fields are cleared, and a done answer ends
  // the dialog. True when it ended that way, false on Cancel, close or when it never showed.
  virtual bool ShowChange(
      const std::function<PasswordChangeAnswer(const PasswordChangeFields&)>& submit) = 0;
};

// The dialogs of the platform the program runs on; nothing where it has none.
std::unique_ptr<PasswordDialogs> CreatePasswordDialogs();

}  // namespace ironwood::platform
