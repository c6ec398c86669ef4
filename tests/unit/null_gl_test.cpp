#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "platform/headless/memory_settings_store.h"
#include "platform/headless/null_gl.h"
#include "saver/gl/gl_binding.h"
#include "saver/gl/renderer.h"
#include "saver/shell/offscreen_run.h"
#include "saver/shell/startup_log.h"
#include "tests/support/recording_gl.h"
#include "tests/support/test_files.h"

namespace ironwood {
namespace {

class NoHandler : public platform::WindowHandler {
 public:
  platform::WindowReaction OnMessage(const platform::WindowMessage&) override { return {}; }
};

// The saver's own binding and renderer start on the null OpenGL and the null window's target:
// nothing outside the process is needed.
TEST(NullGl, RendererStartsOnItWithTheExtensionsOfARealDriver) {
  testing::RecordingGl restoresTheTable;
  testing::TempFolder folder;
  StartupLog log(folder.WithSeparator());
  ASSERT_TRUE(log.Create());
  platform::MemorySettingsStore store;
  auto window = platform::CreateNullWindow();
  NoHandler handler;
  ASSERT_TRUE(window->Create(640, 480, handler));
  Renderer renderer(platform::NullGl(), log);
  auto target = window->CreateRenderTarget(renderer.Binding().Libraries());
  ASSERT_TRUE(renderer.Start(target.get(), 640, 480, store));

  for (auto slots : {opengl::CoreSlots(gl), opengl::GluSlots(gl), opengl::ExtensionSlots(gl)}) {
    for (const auto& entry : slots) EXPECT_NE(*entry.slot, nullptr) << entry.name;
  }
  EXPECT_TRUE(renderer.MultitextureAvailable());
  EXPECT_TRUE(renderer.S3TCAvailable());
  EXPECT_TRUE(renderer.CompiledVertexArraysAvailable());
  EXPECT_TRUE(target->SwapBuffers());

  std::ifstream file(log.Path(), std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  std::string s = text.str();
  s.erase(std::remove(s.begin(), s.end(), '\r'), s.end());
  for (const char* line :
       {"    Attempting to Find OpenGL Driver...Success\n", "        OpenGL Driver:null-gl\n",
        "    Attempting to Make Rendering Context Current...Success\n",
        "        Renderer: Ironwood null renderer (draws nothing)\n",
        "        OpenGL Version: 1.1\n",
        "    Found Externsions:\n        GL_ARB_multitexture\n"
        "        GL_EXT_texture_compression_s3tc\n        GL_EXT_compiled_vertex_array\n\n"
        "END LOADING OPENGL SUB SYSTEM\n"}) {
    EXPECT_NE(s.find(line), std::string::npos) << line << "\nin:\n" << s;
  }
  // The renderer's initial state went through the kept state: its viewport and frustum.
  GLint viewport[4] = {};
  gl.glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 640);
  EXPECT_EQ(viewport[3], 480);
  GLdouble projection[16];
  gl.glGetDoublev(GL_PROJECTION_MATRIX, projection);
  EXPECT_NEAR(projection[0], 1 / 0.4444, 1e-4);
  EXPECT_DOUBLE_EQ(projection[11], -1);
  renderer.Shutdown();
}

// What callers read back: defined values, never more than the query's own size.
class NullGlAnswers : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(binding_.Bind(binding_.ChooseDriver(true)), opengl::Binding::kBound);
    binding_.FetchExtensions();
    platform::ResetNullGl();
  }
  opengl::EntryPoints table_;
  opengl::Binding binding_{platform::NullGl(), table_};
};

TEST_F(NullGlAnswers, StringsErrorsAndQueriesAreFixed) {
  auto text = [&](GLenum name) {
    const GLubyte* value = table_.glGetString(name);
    return value == nullptr ? std::string("(null)") : reinterpret_cast<const char*>(value);
  };
  EXPECT_EQ(text(GL_VENDOR), "Ironwood");
  EXPECT_EQ(text(GL_VERSION), "1.1");
  EXPECT_NE(text(GL_RENDERER).find("null"), std::string::npos);
  EXPECT_EQ(text(0x1234), "(null)");
  EXPECT_EQ(table_.glGetError(), static_cast<GLenum>(GL_NO_ERROR));

  // A one-value query writes one value; the guard after it is untouched.
  GLint packAlignment[2] = {-7, -7};
  table_.glGetIntegerv(GL_PACK_ALIGNMENT, packAlignment);
  EXPECT_EQ(packAlignment[0], 0);
  EXPECT_EQ(packAlignment[1], -7);
  GLfloat colour[5] = {9, 9, 9, 9, 9};
  table_.glGetFloatv(GL_COLOR_CLEAR_VALUE, colour);
  EXPECT_EQ(colour[3], 0.0f);
  EXPECT_EQ(colour[4], 9.0f);
  GLboolean depthRange[2] = {7, 7};
  table_.glGetBooleanv(GL_DEPTH_RANGE, depthRange);
  EXPECT_EQ(depthRange[0], 0);
  EXPECT_EQ(depthRange[1], GL_TRUE);
}

TEST_F(NullGlAnswers, MatrixStacksFollowTheCalls) {
  GLdouble m[17];
  m[16] = 42;
  table_.glGetDoublev(GL_MODELVIEW_MATRIX, m);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(m[i], i % 5 == 0 ? 1 : 0) << i;
  EXPECT_EQ(m[16], 42);

  table_.glPushMatrix();
  table_.glTranslatef(1, 2, 3);
  table_.glRotatef(90, 0, 0, 1);  // x turns onto y
  table_.glScaled(2, 2, 2);
  table_.glGetDoublev(GL_MODELVIEW_MATRIX, m);
  EXPECT_NEAR(m[0], 0, 1e-6);
  EXPECT_NEAR(m[1], 2, 1e-6);
  EXPECT_NEAR(m[4], -2, 1e-6);
  EXPECT_EQ(m[12], 1);
  EXPECT_EQ(m[13], 2);
  EXPECT_EQ(m[14], 3);
  table_.glPopMatrix();
  table_.glGetDoublev(GL_MODELVIEW_MATRIX, m);
  EXPECT_EQ(m[12], 0);
  EXPECT_EQ(m[0], 1);

  // The projection stack is its own; the modelview one is left alone.
  table_.glMatrixMode(GL_PROJECTION);
  table_.glOrtho(0, 640, 0, 480, -1, 1);
  table_.glGetDoublev(GL_PROJECTION_MATRIX, m);
  EXPECT_NEAR(m[0], 2.0 / 640, 1e-9);
  EXPECT_NEAR(m[12], -1, 1e-9);
  GLint mode = 0;
  table_.glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_PROJECTION);
  table_.glPopMatrix();  // underflow is ignored, as a driver's error would leave it
  table_.glGetDoublev(GL_PROJECTION_MATRIX, m);
  EXPECT_NEAR(m[0], 2.0 / 640, 1e-9);
}

TEST_F(NullGlAnswers, NamesAreHandedOutInOrderAndForgotten) {
  GLuint first[2] = {}, second = 0;
  table_.glGenTextures(2, first);
  table_.glGenTextures(1, &second);
  EXPECT_EQ(first[0], 1u);
  EXPECT_EQ(first[1], 2u);
  EXPECT_EQ(second, 3u);
  EXPECT_TRUE(table_.glIsTexture(2));
  table_.glDeleteTextures(1, &first[1]);
  EXPECT_FALSE(table_.glIsTexture(2));
  EXPECT_FALSE(table_.glIsTexture(0));
  EXPECT_FALSE(table_.glIsTexture(99));

  const GLuint lists = table_.glGenLists(3);
  EXPECT_EQ(lists, 1u);
  EXPECT_EQ(table_.glGenLists(1), 4u);
  EXPECT_TRUE(table_.glIsList(3));
  table_.glDeleteLists(lists, 3);
  EXPECT_FALSE(table_.glIsList(3));
  EXPECT_EQ(table_.glGenLists(0), 0u);

  table_.glEnable(GL_BLEND);
  EXPECT_TRUE(table_.glIsEnabled(GL_BLEND));
  table_.glDisable(GL_BLEND);
  EXPECT_FALSE(table_.glIsEnabled(GL_BLEND));

  // A fresh context starts from nothing again.
  platform::ResetNullGl();
  GLuint again = 0;
  table_.glGenTextures(1, &again);
  EXPECT_EQ(again, 1u);
}

TEST(NullGlOption, TakenOnlyOffscreenAndNeverWithPictures) {
  std::vector<std::string> arguments = {"/s", "--offscreen", "--null-gl", "--frames=5"};
  OffscreenOptions options;
  std::string error;
  ASSERT_TRUE(ExtractOffscreenOptions(arguments, options, error)) << error;
  EXPECT_TRUE(options.nullGl);
  EXPECT_EQ(arguments, std::vector<std::string>{"/s"});

  arguments = {"/s", "--offscreen", "--null-gl", "--pictures-every=10", "--pictures-folder=x"};
  options = {};
  EXPECT_FALSE(ExtractOffscreenOptions(arguments, options, error));
  EXPECT_EQ(error, "--pictures-every cannot be used with --null-gl, which draws no pixels");

  arguments = {"/s", "--null-gl"};
  options = {};
  EXPECT_FALSE(ExtractOffscreenOptions(arguments, options, error));
  EXPECT_EQ(error, "--null-gl needs --offscreen");
}

}  // namespace
}  // namespace ironwood
