#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "common/settings.h"
#include "platform/headless/memory_settings_store.h"
#include "saver/gl/gl_binding.h"
#include "saver/gl/renderer.h"
#include "saver/shell/startup_log.h"
#include "tests/support/fake_platform.h"
#include "tests/support/recording_gl.h"
#include "tests/support/test_files.h"

namespace ironwood {
namespace {

using testing::FakeGlSystem;
using testing::FakeTarget;

class BindingTest : public ::testing::Test {
 protected:
  testing::RecordingGl recording_;
  opengl::EntryPoints source_ = gl;  // the recorders, before anything binds over them
  FakeGlSystem system_{source_};
  opengl::EntryPoints table_;
};

TEST_F(BindingTest, DriverChoiceFollowsBoardsAndInstalledLibraries) {
  opengl::Binding binding(system_, table_);
  EXPECT_EQ(binding.ChooseDriver(true), "opengl32.dll");  // no accelerator board
  system_.boards = 1;
  EXPECT_EQ(binding.ChooseDriver(true), "opengl32.dll");  // board, but no mini-driver installed
  system_.installed.insert("3dfxogl.dll");
  EXPECT_EQ(binding.ChooseDriver(true), "3dfxogl.dll");
  EXPECT_EQ(binding.ChooseDriver(false), "opengl32.dll");
  system_.installed = {};
  EXPECT_EQ(binding.ChooseDriver(false), "opengl.dll");  // nothing loads: the last name
  for (const auto& [name, count] : system_.open) EXPECT_EQ(count, 0) << name;
}

TEST_F(BindingTest, MiniDriverWithoutGluBindsWithAnEmptyGluTable) {
  system_.installed.insert("3dfxogl.dll");
  opengl::Binding binding(system_, table_);
  ASSERT_EQ(binding.Bind("3dfxogl.dll"), opengl::Binding::kBound);
  EXPECT_NE(table_.glBindTexture, nullptr);
  EXPECT_EQ(table_.gluPerspective, nullptr);
  EXPECT_EQ(binding.Libraries().gluLibrary, nullptr);
  EXPECT_TRUE(binding.Libraries().miniDriver);
}

TEST_F(BindingTest, ReferenceCountKeepsLibrariesUntilTheLastUnbind) {
  opengl::Binding binding(system_, table_);
  ASSERT_EQ(binding.Bind("opengl32.dll"), opengl::Binding::kBound);
  EXPECT_FALSE(binding.Libraries().miniDriver);
  EXPECT_NE(table_.gluPerspective, nullptr);
  ASSERT_EQ(binding.Bind("opengl32.dll"), opengl::Binding::kBound);
  EXPECT_EQ(system_.open["opengl32.dll"], 1);
  binding.Unbind();
  EXPECT_EQ(system_.open["opengl32.dll"], 1);
  EXPECT_EQ(system_.open["glu32.dll"], 1);
  binding.Unbind();
  EXPECT_EQ(system_.open["opengl32.dll"], 0);
  EXPECT_EQ(system_.open["glu32.dll"], 0);
  EXPECT_EQ(table_.glBindTexture, nullptr);
  binding.Unbind();  // one too many is harmless
  EXPECT_EQ(binding.ReferenceCount(), 0);
}

TEST_F(BindingTest, FailedBindsReportAndLeaveNothingBound) {
  opengl::Binding binding(system_, table_);
  EXPECT_EQ(binding.Bind("opengl.dll"), opengl::Binding::kNoLibrary);
  EXPECT_EQ(system_.noLibraryReports, 1);
  EXPECT_EQ(binding.ReferenceCount(), 0);

  system_.missing = {"glViewport"};
  EXPECT_EQ(binding.Bind("opengl32.dll"), opengl::Binding::kMissingEntryPoint);
  EXPECT_EQ(binding.ReferenceCount(), 0);
  EXPECT_EQ(system_.open["opengl32.dll"], 0);
  EXPECT_EQ(system_.noLibraryReports, 1);  // a missing entry shows no message

  system_.missing = {"gluSphere"};  // GLU entries are all required where GLU loads
  EXPECT_EQ(binding.Bind("opengl32.dll"), opengl::Binding::kMissingEntryPoint);
  system_.missing = {};
  EXPECT_EQ(binding.Bind("opengl32.dll"), opengl::Binding::kBound);
}

TEST_F(BindingTest, ExtensionsFillWhatTheDriverHas) {
  opengl::Binding binding(system_, table_);
  binding.FetchExtensions();  // nothing bound: all empty
  EXPECT_EQ(table_.glActiveTextureARB, nullptr);
  ASSERT_EQ(binding.Bind("opengl32.dll"), opengl::Binding::kBound);
  system_.missing = {"glLockArraysEXT"};
  binding.FetchExtensions();
  EXPECT_NE(table_.glActiveTextureARB, nullptr);
  EXPECT_EQ(table_.glLockArraysEXT, nullptr);
}

// The renderer's start against the recording table, with the log in a temporary folder.
class RendererTest : public ::testing::Test {
 protected:
  void SetUp() override {
    log_.Create();
    recording_.strings[GL_VENDOR] = "Test Vendor";
    recording_.strings[GL_VERSION] = "1.1 Test";
    recording_.strings[GL_RENDERER] = "Test Renderer";
    recording_.strings[GL_EXTENSIONS] =
        "GL_ARB_multitexture GL_ARB_texture_compression GL_EXT_texture_compression_s3tc "
        "GL_EXT_compiled_vertex_array";
  }
  void TearDown() override { renderer_.Shutdown(); }
  std::string LogText() const {
    std::ifstream file(log_.Path(), std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    std::string s = text.str();
    s.erase(std::remove(s.begin(), s.end(), '\r'), s.end());
    return s;
  }
  bool Start() {
    recording_.calls.clear();
    return renderer_.Start(&target_, 640, 480, store_);
  }

  testing::RecordingGl recording_;
  opengl::EntryPoints source_ = gl;
  FakeGlSystem system_{source_};
  testing::TempFolder folder_;
  StartupLog log_{folder_.WithSeparator()};
  platform::MemorySettingsStore store_;
  FakeTarget target_;
  Renderer renderer_{system_, log_};
};

TEST_F(RendererTest, FullStartLogsTheSectionAndFindsAllExtensions) {
  ASSERT_TRUE(Start());
  EXPECT_EQ(LogText(),
            "BEGIN LOADING OPENGL SUB SYSTEM\n"
            "    Attempting to Find OpenGL Driver...Success\n"
            "        OpenGL Driver:opengl32.dll\n"
            "    Attempting to Find PixelFormat...Success\n"
            "    Attempting to Set PixelFormat...Success\n"
            "    Attempting to Create Rendering Context...Success\n"
            "    Attempting to Make Rendering Context Current...Success\n"
            "        Vendor: Test Vendor\n"
            "        OpenGL Version: 1.1 Test\n"
            "        Renderer: Test Renderer\n"
            "        Extensions: GL_ARB_multitexture GL_ARB_texture_compression "
            "GL_EXT_texture_compression_s3tc GL_EXT_compiled_vertex_array\n"
            "    Attempting to Find Extensions...\n"
            "    Found Externsions:\n"
            "        GL_ARB_multitexture\n"
            "        GL_EXT_texture_compression_s3tc\n"
            "        GL_EXT_compiled_vertex_array\n"
            "\n"
            "END LOADING OPENGL SUB SYSTEM\n\n");
  EXPECT_TRUE(renderer_.MultitextureAvailable());
  EXPECT_TRUE(renderer_.S3TCAvailable());
  EXPECT_TRUE(renderer_.CompiledVertexArraysAvailable());
  // The initial state: a 4:3 frustum at any size, unit 1 left selected.
  ASSERT_EQ(recording_.Named("glFrustum").size(), 1u);
  EXPECT_EQ(recording_.Named("glFrustum")[0].Text(),
            "glFrustum(-0.4444, 0.4444, -0.3333, 0.3333, 1, 5000)");
  EXPECT_EQ(recording_.Named("glViewport")[0].Text(), "glViewport(0, 0, 640, 480)");
  EXPECT_EQ(recording_.calls.back().Text(), "glDisable(3553)");
  EXPECT_EQ(recording_.Named("glActiveTextureARB").back().Text(),
            "glActiveTextureARB(" + std::to_string(GL_TEXTURE1_ARB) + ")");
  EXPECT_EQ(recording_.Count("glEnableClientState"), 4);
  EXPECT_EQ(recording_.Count("glEnable"), 3);  // depth test, face culling, 2D textures
}

TEST_F(RendererTest, MultisamplingIsAskedForUnlessTurnedOffAndEnabledWhereGranted) {
  target_.offeredSamples = 4;
  ASSERT_TRUE(Start());
  EXPECT_EQ(target_.requestedSamples, Renderer::kMultisamplingSamples);  // absent: on
  ASSERT_EQ(recording_.Count("glEnable"), 4);
  EXPECT_EQ(recording_.Named("glEnable")[2].Text(),
            "glEnable(" + std::to_string(GL_MULTISAMPLE_ARB) + ")");
  EXPECT_EQ(LogText().find("ampl"), std::string::npos);  // the log reads as it always did
  renderer_.Shutdown();

  settings::WriteFlag(store_, settings::kMultisampling, false);
  Renderer second(system_, log_);
  recording_.calls.clear();
  ASSERT_TRUE(second.Start(&target_, 320, 240, store_));
  EXPECT_EQ(target_.requestedSamples, 0);
  EXPECT_EQ(recording_.Count("glEnable"), 3);
  second.Shutdown();
}

TEST_F(RendererTest, S3TCNeedsTheSettingAndBothExtensions) {
  settings::WriteFlag(store_, settings::kUseS3TC, false);
  ASSERT_TRUE(Start());
  EXPECT_FALSE(renderer_.S3TCAvailable());
  EXPECT_EQ(LogText().find("        GL_EXT_texture_compression_s3tc\n"), std::string::npos);
  renderer_.Shutdown();

  settings::WriteFlag(store_, settings::kUseS3TC, true);
  recording_.strings[GL_EXTENSIONS] = "GL_EXT_texture_compression_s3tc GL_ARB_multitexture_x";
  Renderer second(system_, log_);
  recording_.calls.clear();
  ASSERT_TRUE(second.Start(&target_, 320, 240, store_));
  EXPECT_FALSE(second.S3TCAvailable());
  // A name found only as the start of a longer one still counts.
  EXPECT_TRUE(second.MultitextureAvailable());
  EXPECT_FALSE(second.CompiledVertexArraysAvailable());
}

TEST_F(RendererTest, NoExtensionStringTurnsEverythingOffQuietly) {
  recording_.strings.erase(GL_EXTENSIONS);
  ASSERT_TRUE(Start());
  EXPECT_FALSE(renderer_.MultitextureAvailable());
  EXPECT_FALSE(renderer_.S3TCAvailable());
  EXPECT_FALSE(renderer_.CompiledVertexArraysAvailable());
  const std::string log = LogText();
  EXPECT_EQ(log.find("Extensions"), std::string::npos);
  EXPECT_EQ(log.find("Externsions"), std::string::npos);
  // Without multitexture no texture unit is ever selected.
  EXPECT_EQ(recording_.Count("glActiveTextureARB"), 0);
  EXPECT_EQ(recording_.Count("glClientActiveTextureARB"), 0);
}

TEST_F(RendererTest, AdvertisedExtensionWithoutEntryPointsIsNotUsed) {
  system_.missing = {"glLockArraysEXT", "glClientActiveTextureARB"};
  ASSERT_TRUE(Start());
  EXPECT_FALSE(renderer_.MultitextureAvailable());
  EXPECT_FALSE(renderer_.CompiledVertexArraysAvailable());
  EXPECT_EQ(recording_.Count("glClientActiveTextureARB"), 0);
}

TEST_F(RendererTest, EachFailedStepEndsTheLogWithItsFailureText) {
  const std::pair<const char*, const char*> steps[] = {
      {"choose", "    Attempting to Find PixelFormat...Failed"},
      {"set", "    Attempting to Set PixelFormat...Failed"},
      {"create", "    Attempting to Create Rendering Context...Failed"},
      {"current", "    Attempting to Make Rendering Context Current...Failed"},
  };
  for (const auto& [step, last] : steps) {
    log_.Create();
    target_.failAt = step;
    Renderer renderer(system_, log_);
    EXPECT_FALSE(renderer.Start(&target_, 640, 480, store_)) << step;
    const std::string log = LogText();
    ASSERT_GE(log.size(), std::string(last).size());
    EXPECT_EQ(log.substr(log.size() - std::string(last).size()), last) << log;
    renderer.Shutdown();
    EXPECT_EQ(system_.open["opengl32.dll"], 0) << step;  // unbound again
  }
  log_.Create();
  system_.installed.clear();
  target_.failAt.clear();
  Renderer renderer(system_, log_);
  EXPECT_FALSE(renderer.Start(&target_, 640, 480, store_));
  EXPECT_EQ(LogText(),
            "BEGIN LOADING OPENGL SUB SYSTEM\n    Attempting to Find OpenGL Driver...Failed\n");
  EXPECT_FALSE(renderer.Start(nullptr, 640, 480, store_));

  // A platform with no dialog to show puts the message in the log under the failed step.
  log_.Create();
  system_.noLibraryText = "Could not open OpenGL Library";
  Renderer headless(system_, log_);
  EXPECT_FALSE(headless.Start(&target_, 640, 480, store_));
  EXPECT_EQ(LogText(),
            "BEGIN LOADING OPENGL SUB SYSTEM\n    Attempting to Find OpenGL Driver...Failed\n"
            "        Could not open OpenGL Library\n");
}

}  // namespace
}  // namespace ironwood
