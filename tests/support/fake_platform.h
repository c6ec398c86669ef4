#pragma once

// Stand-ins for the platform: OpenGL libraries that are names in a set, a render target whose
// steps can be made to fail, and a saver window driven by a script.

#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/gl_system.h"
#include "platform/render_target.h"
#include "platform/saver_window.h"
#include "glapi/gl_table.h"

namespace ironwood::testing {

// A platform whose libraries are names in a set and whose entry points are the recording
// table's functions, so a bound table records what the renderer calls.
class FakeGlSystem : public platform::GlSystem {
 public:
  explicit FakeGlSystem(const opengl::EntryPoints& source) : source_(source) {}

  std::vector<std::string> AcceleratorLibraries() const override {
    return {"3dfxvgl.dll", "3dfxogl.dll"};
  }
  std::vector<std::string> SystemLibraries() const override {
    return {"opengl32.dll", "opengl.dll"};
  }
  std::string GluLibraryFor(const std::string& name) const override {
    static const std::map<std::string, std::string> glu{
        {"opengl.dll", "glu.dll"}, {"opengl32.dll", "glu32.dll"}, {"3dfxvgl.dll", "3dfxvglu.dll"}};
    auto found = glu.find(name);
    return found == glu.end() ? "" : found->second;
  }
  int AcceleratorBoardCount() override { return boards; }
  void* OpenLibrary(const std::string& name) override {
    if (!installed.count(name)) return nullptr;
    ++open[name];
    return const_cast<char*>(installed.find(name)->c_str());
  }
  void CloseLibrary(void* library) override { --open[static_cast<const char*>(library)]; }
  void* Symbol(void*, const char* name) override {
    if (missing.count(name)) return nullptr;
    auto table = const_cast<opengl::EntryPoints&>(source_);
    for (auto slots : {opengl::CoreSlots(table), opengl::GluSlots(table)}) {
      for (const auto& entry : slots) {
        if (std::string(entry.name) == name) return *entry.slot;
      }
    }
    return nullptr;
  }
  void* ExtensionAddress(void*, const char* name) override {
    if (missing.count(name)) return nullptr;
    auto table = const_cast<opengl::EntryPoints&>(source_);
    for (const auto& entry : opengl::ExtensionSlots(table)) {
      if (std::string(entry.name) == name) return *entry.slot;
    }
    return nullptr;
  }
  std::string ReportNoLibrary() override {
    ++noLibraryReports;
    return noLibraryText;
  }
  std::string noLibraryText;

  std::set<std::string> installed{"opengl32.dll", "glu32.dll"};
  std::set<std::string> missing;
  std::map<std::string, int> open;
  int boards = 0;
  int noLibraryReports = 0;

 private:
  const opengl::EntryPoints& source_;
};

class FakeTarget : public platform::RenderTarget {
 public:
  bool ChoosePixelFormat() override { return step("choose"); }
  bool SetPixelFormat() override { return step("set"); }
  bool CreateContext() override { return step("create"); }
  bool MakeCurrent() override { return step("current"); }
  void ReleaseContext() override { ++releases; }
  bool SwapBuffers() override { return true; }
  void RequestSamples(int samples) override { requestedSamples = samples; }
  int Samples() const override { return requestedSamples > 0 ? offeredSamples : 0; }

  std::string failAt;
  int releases = 0;
  int requestedSamples = -1;  // -1: never asked
  int offeredSamples = 0;     // what a request gets

 private:
  bool step(const std::string& name) const { return name != failAt; }
};

// A saver window whose messages come from a script. Each poll hands over the next scripted
// message; once the script is empty the window is idle (the saver draws a frame), and after
// `keyAfterFrames` idle polls a key press arrives, as a user's would.
class ScriptedWindow : public platform::SaverWindow {
 public:
  bool RegisterClass() override { return registers; }
  bool ChangeDisplayMode(int width, int height, int bits) override {
    modeRequests.emplace_back(width, height, bits);
    return offeredModes.count({width, height, bits}) > 0;
  }
  void RestoreDisplayMode() override { ++restores; }
  bool Create(int width, int height, platform::WindowHandler& handler) override {
    created = {width, height};
    handler_ = &handler;
    if (creates) handler.OnMessage({platform::WindowMessageKind::Create, 0});
    return creates;
  }
  std::unique_ptr<platform::RenderTarget> CreateRenderTarget(platform::GlLibraryState&) override {
    auto target = std::make_unique<FakeTarget>();
    target->failAt = targetFailAt;
    return target;
  }
  void Show() override { ++shows; }
  Poll PollMessage(int& quitParameter) override {
    if (!script.empty() && handler_ != nullptr) {
      handler_->OnMessage(script.front());
      script.pop_front();
      return Poll::Handled;
    }
    if (quitPosted) {
      quitParameter = quitParameter_;
      return Poll::Quit;
    }
    if (++idles == keyAfterFrames + 1)
      script.push_back({platform::WindowMessageKind::KeyDown, endKey});
    if (idles == resizeAfterFrames) drawable = resizeTo;
    return Poll::Idle;
  }
  void PostQuit(int parameter) override {
    quitPosted = true;
    quitParameter_ = parameter;
  }
  // As a real window does, the handler hears of it once the current message is done.
  void BringToFront() override {
    ++frontRequests;
    script.push_back({platform::WindowMessageKind::BroughtToFront, 0});
  }
  platform::ScreenPoint CursorPosition() override { return cursor; }
  void HideCursor() override { ++cursorHides; }
  bool DrawableSize(int& width, int& height) const override {
    if (drawable.first == 0) return false;
    width = drawable.first;
    height = drawable.second;
    return true;
  }

  bool DesktopSize(int& width, int& height) const override {
    width = desktop.first;
    height = desktop.second;
    return width > 0;
  }
  bool SizedByOthers() const override { return sizedByOthers; }

  bool registers = true;
  std::pair<int, int> drawable{0, 0};  // the window's real size when it differs
  std::pair<int, int> desktop{0, 0};   // none: the desktop's size cannot be told
  bool sizedByOthers = false;
  long endKey = 'A';
  int resizeAfterFrames = -1;  // the drawable becomes resizeTo after this many idle polls
  std::pair<int, int> resizeTo{0, 0};
  bool creates = true;
  std::set<std::tuple<int, int, int>> offeredModes;
  std::string targetFailAt;
  std::deque<platform::WindowMessage> script;
  int keyAfterFrames = 3;

  std::vector<std::tuple<int, int, int>> modeRequests;
  std::pair<int, int> created;
  int restores = 0;
  int shows = 0;
  int idles = 0;
  int cursorHides = 0;
  int frontRequests = 0;
  bool quitPosted = false;
  platform::ScreenPoint cursor;

 private:
  platform::WindowHandler* handler_ = nullptr;
  int quitParameter_ = 0;
};

// Hands a test-owned window to code that wants to own its window, so the test can still look at
// it after that code has let go.
class BorrowedWindow : public platform::SaverWindow {
 public:
  explicit BorrowedWindow(platform::SaverWindow& window) : window_(window) {}
  bool RegisterClass() override { return window_.RegisterClass(); }
  bool ChangeDisplayMode(int w, int h, int bits) override {
    return window_.ChangeDisplayMode(w, h, bits);
  }
  void RestoreDisplayMode() override { window_.RestoreDisplayMode(); }
  bool Create(int w, int h, platform::WindowHandler& handler) override {
    return window_.Create(w, h, handler);
  }
  std::unique_ptr<platform::RenderTarget> CreateRenderTarget(
      platform::GlLibraryState& libraries) override {
    return window_.CreateRenderTarget(libraries);
  }
  void Show() override { window_.Show(); }
  Poll PollMessage(int& quitParameter) override { return window_.PollMessage(quitParameter); }
  void PostQuit(int parameter) override { window_.PostQuit(parameter); }
  void BringToFront() override { window_.BringToFront(); }
  platform::ScreenPoint CursorPosition() override { return window_.CursorPosition(); }
  void HideCursor() override { window_.HideCursor(); }
  bool DrawableSize(int& w, int& h) const override { return window_.DrawableSize(w, h); }
  bool DesktopSize(int& w, int& h) const override { return window_.DesktopSize(w, h); }
  bool SizedByOthers() const override { return window_.SizedByOthers(); }

 private:
  platform::SaverWindow& window_;
};

}  // namespace ironwood::testing
