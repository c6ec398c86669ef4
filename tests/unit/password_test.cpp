#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <vector>

#include "common/settings.h"
#include "platform/headless/manual_clock.h"
#include "platform/headless/memory_settings_store.h"
#include "saver/shell/password.h"
#include "saver/shell/saver_app.h"
#include "tests/support/fake_platform.h"
#include "tests/support/minimal_installation.h"
#include "tests/support/recording_gl.h"
#include "tests/support/test_files.h"

namespace ironwood {
namespace {

using platform::DesktopKind;
using platform::PasswordChangeFields;
using platform::PasswordDialogs;
using platform::SettingsRoot;

void SetDesktopFlag(platform::MemorySettingsStore& store, std::string_view name,
                    std::string_view text) {
  store.WriteText(SettingsRoot::CurrentUser, settings::kDesktopKey, name, text);
}

TEST(PasswordRequirement, EachDesktopKindReadsItsOwnFlag) {
  platform::MemorySettingsStore store;
  EXPECT_FALSE(PasswordRequired(store, DesktopKind::WindowsNT));
  EXPECT_FALSE(PasswordRequired(store, DesktopKind::Windows9x));

  SetDesktopFlag(store, settings::kScreenSaverIsSecure, "1");
  EXPECT_TRUE(PasswordRequired(store, DesktopKind::WindowsNT));
  EXPECT_FALSE(PasswordRequired(store, DesktopKind::Windows9x));  // not its flag
  EXPECT_FALSE(PasswordRequired(store, DesktopKind::Other));      // the desktop locks itself

  SetDesktopFlag(store, settings::kScreenSaveUsePassword, "1");
  SetDesktopFlag(store, settings::kScreenSaverIsSecure, "0");
  EXPECT_TRUE(PasswordRequired(store, DesktopKind::Windows9x));
  EXPECT_FALSE(PasswordRequired(store, DesktopKind::WindowsNT));
  EXPECT_FALSE(PasswordRequired(store, DesktopKind::Other));
}

TEST(PasswordRequirement, TheFlagIsTheNumberItsTextSpells) {
  platform::MemorySettingsStore store;
  const struct {
    const char* text;
    bool required;
  } cases[] = {
      {"1", true},   {"2", true},  {" 1", true},
      // The desktop writes "0" when the box is unticked: that asks for no password, although
      // the text's first character is not a zero byte.
      {"0", false},  {"", false},  {"-1", false}, {"no", false}, {"00", false},
  };
  for (const auto& c : cases) {
    SetDesktopFlag(store, settings::kScreenSaverIsSecure, c.text);
    EXPECT_EQ(PasswordRequired(store, DesktopKind::WindowsNT), c.required) << '"' << c.text << '"';
  }
  // A flag in the machine root, or under the program's own key, is not the desktop's.
  platform::MemorySettingsStore elsewhere;
  elsewhere.WriteText(SettingsRoot::LocalMachine, settings::kDesktopKey,
                      settings::kScreenSaverIsSecure, "1");
  settings::Write(elsewhere, settings::kScreenSaverIsSecure, "1");
  EXPECT_FALSE(PasswordRequired(elsewhere, DesktopKind::WindowsNT));
}

TEST(PasswordEntry, TheStoredTextMatchesExactly) {
  EXPECT_TRUE(PasswordAccepted(std::nullopt, ""));  // nothing stored: anything opens
  EXPECT_TRUE(PasswordAccepted(std::nullopt, "whatever"));
  EXPECT_TRUE(PasswordAccepted(std::string("Orion 7"), "Orion 7"));
  EXPECT_FALSE(PasswordAccepted(std::string("Orion 7"), "orion 7"));  // case counts
  EXPECT_FALSE(PasswordAccepted(std::string("Orion 7"), "Orion 7 "));
  EXPECT_FALSE(PasswordAccepted(std::string("Orion 7"), "Orion"));
  EXPECT_FALSE(PasswordAccepted(std::string("Orion 7"), ""));
  EXPECT_TRUE(PasswordAccepted(std::string(""), ""));  // an empty stored password is a password
  EXPECT_FALSE(PasswordAccepted(std::string(""), "x"));
}

TEST(PasswordChange, ThreeOutcomes) {
  platform::MemorySettingsStore store;
  // Retyped text differs: ask again, store nothing.
  auto answer = SubmitPasswordChange(store, {"alpha", "alpah", ""});
  EXPECT_FALSE(answer.done);
  EXPECT_EQ(answer.message, "Please Type the New Password Again.");
  EXPECT_EQ(answer.caption, "Please Try Again");
  EXPECT_FALSE(settings::Read(store, settings::kPassword));

  // The first password is set whatever the old field holds.
  answer = SubmitPasswordChange(store, {"alpha", "alpha", "anything"});
  EXPECT_TRUE(answer.done);
  EXPECT_TRUE(answer.message.empty());
  EXPECT_EQ(settings::Read(store, settings::kPassword), "alpha");

  // With one stored, a wrong old text is refused (case counts) and nothing changes.
  answer = SubmitPasswordChange(store, {"beta", "beta", "ALPHA"});
  EXPECT_FALSE(answer.done);
  EXPECT_EQ(answer.message, "You do not have access to this setting");
  EXPECT_EQ(answer.caption, "Wrong Old Password");
  EXPECT_EQ(settings::Read(store, settings::kPassword), "alpha");

  // The mismatch is found before the old password is looked at.
  answer = SubmitPasswordChange(store, {"beta", "gamma", "alpha"});
  EXPECT_EQ(answer.caption, "Please Try Again");

  answer = SubmitPasswordChange(store, {"beta", "beta", "alpha"});
  EXPECT_TRUE(answer.done);
  EXPECT_EQ(settings::Read(store, settings::kPassword), "beta");

  // A failed write is not reported: the dialog still ends.
  store.failName = std::string(settings::kPassword);
  EXPECT_TRUE(SubmitPasswordChange(store, {"", "", "beta"}).done);
  EXPECT_EQ(settings::Read(store, settings::kPassword), "beta");
}

// Dialogs that "type" scripted texts: each entry dialog takes the next text (or a cancel), each
// change dialog presses OK once per scripted set of fields.
class ScriptedDialogs : public PasswordDialogs {
 public:
  Entry ShowEntry(const std::function<bool(const std::string&)>& check) override {
    ++entryShows;
    if (!canShow) return Entry::NotShown;
    if (whileShowing) whileShowing();
    if (typed.empty()) return Entry::Refused;  // cancel
    const std::string text = typed.front();
    typed.pop_front();
    return check(text) ? Entry::Accepted : Entry::Refused;
  }
  bool ShowChange(const std::function<platform::PasswordChangeAnswer(const PasswordChangeFields&)>&
                      submit) override {
    ++changeShows;
    while (!presses.empty()) {
      const auto answer = submit(presses.front());
      presses.pop_front();
      if (!answer.message.empty()) messages.push_back(answer.caption);
      if (answer.done) return true;
    }
    return false;  // cancel
  }

  bool canShow = true;
  std::function<void()> whileShowing;
  std::deque<std::string> typed;
  std::deque<PasswordChangeFields> presses;
  std::vector<std::string> messages;
  int entryShows = 0;
  int changeShows = 0;
};

TEST(PasswordGateTest, AsksOnlyWhenRequiredAndNeverTwiceAtOnce) {
  platform::MemorySettingsStore store;
  settings::Write(store, settings::kPassword, "Secret");
  ScriptedDialogs dialogs;

  PasswordGate open(store, &dialogs, false);
  EXPECT_TRUE(open.MayEnd());
  EXPECT_EQ(dialogs.entryShows, 0);

  PasswordGate gate(store, &dialogs, true);
  dialogs.typed = {"secret", "Secret"};
  std::vector<bool> nestedAnswers;
  dialogs.whileShowing = [&] {
    EXPECT_TRUE(gate.DialogShowing());
    nestedAnswers.push_back(gate.MayEnd());  // a request from elsewhere while the dialog is up
  };
  EXPECT_FALSE(gate.MayEnd());
  EXPECT_FALSE(gate.DialogShowing());
  EXPECT_TRUE(gate.MayEnd());
  // Refused whatever the dialog then answered; only the dialog lets the saver go.
  EXPECT_EQ(nestedAnswers, (std::vector<bool>{false, false}));
  EXPECT_EQ(dialogs.entryShows, 2);  // the nested requests showed nothing
  EXPECT_FALSE(gate.MayEnd());       // cancelled

  // A dialog that cannot be created lets the saver end rather than lock the user out.
  dialogs.canShow = false;
  EXPECT_TRUE(gate.MayEnd());
  // No dialogs on this platform: nothing can be asked.
  PasswordGate none(store, nullptr, true);
  EXPECT_TRUE(none.MayEnd());
}

TEST(PasswordGateTest, WithNoStoredPasswordAnEmptyFieldEnds) {
  platform::MemorySettingsStore store;
  ScriptedDialogs dialogs;
  dialogs.typed = {""};
  PasswordGate gate(store, &dialogs, true);
  EXPECT_TRUE(gate.MayEnd());
  EXPECT_EQ(dialogs.entryShows, 1);
}

// The whole saver: the desktop flag decided at start-up, keys that ask for the password, the
// change-password mode.
class SaverPasswordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings::Write(store_, settings::kWorkingDirectory, temp_.WithSeparator());
    testing::WriteMinimalInstallation(temp_);
    testing::WriteMinimalCatalogue(store_);
    services_.desktop = DesktopKind::WindowsNT;
    services_.passwordDialogs = &dialogs_;
  }
  int Main(std::string_view line) { return SaverMain(line, services_); }

  testing::TempFolder temp_;
  platform::MemorySettingsStore store_;
  ScriptedDialogs dialogs_;
  testing::RecordingGl recording_;
  opengl::EntryPoints recorders_ = gl;
  testing::FakeGlSystem glSystem_{recorders_};
  std::unique_ptr<testing::ScriptedWindow> window_ = std::make_unique<testing::ScriptedWindow>();
  SaverServices services_{
      store_,
      [](const std::string&) { return true; },
      [] { return 1u; },
      [this]() -> std::unique_ptr<platform::SaverWindow> {
        window_->offeredModes = {{800, 600, 32}};
        return std::make_unique<testing::BorrowedWindow>(*window_);
      },
      &glSystem_,
      {},
      false,
      {},
  };
};

TEST_F(SaverPasswordTest, RefusedKeysDrawOnUntilTheRightPassword) {
  SetDesktopFlag(store_, settings::kScreenSaverIsSecure, "1");
  settings::Write(store_, settings::kPassword, "Secret");
  platform::ManualClock clock(1000);
  platform::ScopedClock scoped(clock);
  dialogs_.typed = {"secret", "Secre", "Secret"};
  // Two refused keys before any frame; the saver then draws on until the window's own key
  // after three frames, which the right password lets end it.
  window_->script = {{platform::WindowMessageKind::KeyDown, 'X'},
                     {platform::WindowMessageKind::KeyDown, 'Y'}};
  dialogs_.whileShowing = [this] { EXPECT_FALSE(window_->quitPosted); };
  EXPECT_EQ(Main("/s"), 0);
  EXPECT_EQ(dialogs_.entryShows, 3);
  EXPECT_TRUE(dialogs_.typed.empty());
  EXPECT_TRUE(window_->quitPosted);
  EXPECT_EQ(window_->idles, 4);
}

TEST_F(SaverPasswordTest, LosingActivationTakesTheFrontBackAndAsks) {
  SetDesktopFlag(store_, settings::kScreenSaverIsSecure, "1");
  settings::Write(store_, settings::kPassword, "Secret");
  platform::ManualClock clock(1000);
  platform::ScopedClock scoped(clock);
  dialogs_.typed = {"wrong", "Secret"};
  window_->script = {{platform::WindowMessageKind::ActivateApp, 0}};
  dialogs_.whileShowing = [this] { EXPECT_FALSE(window_->quitPosted); };
  EXPECT_EQ(Main("/s"), 0);
  EXPECT_EQ(window_->frontRequests, 1);
  // The wrong password kept it drawing until the window's own key, which the right one ended.
  EXPECT_EQ(dialogs_.entryShows, 2);
  EXPECT_EQ(window_->idles, 4);
  EXPECT_TRUE(window_->quitPosted);
}

TEST_F(SaverPasswordTest, WithoutTheDesktopFlagAKeyEndsAtOnce) {
  settings::Write(store_, settings::kPassword, "Secret");
  SetDesktopFlag(store_, settings::kScreenSaverIsSecure, "0");
  EXPECT_EQ(Main("/s"), 0);
  EXPECT_EQ(dialogs_.entryShows, 0);
  EXPECT_TRUE(window_->quitPosted);
}

TEST_F(SaverPasswordTest, ChangePasswordModeShowsTheDialogUntilItEnds) {
  dialogs_.presses = {{"new", "neW", "x"}, {"new", "new", "x"}};
  EXPECT_EQ(Main("-a 1234"), 0);
  EXPECT_EQ(dialogs_.changeShows, 1);
  EXPECT_EQ(dialogs_.messages, std::vector<std::string>{"Please Try Again"});
  EXPECT_EQ(settings::Read(store_, settings::kPassword), "new");
  EXPECT_FALSE(std::filesystem::exists(temp_.Path() / "SYlog.log"));  // no run, no log

  // Cancelled: nothing stored.
  dialogs_.presses = {{"other", "other", "wrong"}};
  EXPECT_EQ(Main("/A"), 0);
  EXPECT_EQ(dialogs_.messages.back(), "Wrong Old Password");
  EXPECT_EQ(settings::Read(store_, settings::kPassword), "new");

  // Without dialogs the mode ends quietly.
  services_.passwordDialogs = nullptr;
  EXPECT_EQ(Main("/a"), 0);
}

}  // namespace
}  // namespace ironwood
