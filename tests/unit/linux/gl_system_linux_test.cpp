#include <gtest/gtest.h>

#include "platform/gl_system.h"
#include "platform/linux/egl_target.h"
#include "saver/gl/gl_binding.h"

namespace ironwood::platform {
namespace {

TEST(LinuxGlSystem, LibraryCallsFailSafelyOnMissingLibrariesAndNames) {
  GlSystem& system = SystemGl();
  EXPECT_EQ(system.OpenLibrary("libIronwoodNoSuchGL.so.9"), nullptr);
  EXPECT_EQ(system.OpenLibrary(""), nullptr);
  system.CloseLibrary(nullptr);
  // A null handle must not turn into a search of the whole process.
  EXPECT_EQ(system.Symbol(nullptr, "malloc"), nullptr);
  EXPECT_EQ(system.ExtensionAddress(nullptr, "malloc"), nullptr);

  void* libc = system.OpenLibrary("libc.so.6");
  ASSERT_NE(libc, nullptr);
  EXPECT_NE(system.Symbol(libc, "strlen"), nullptr);
  EXPECT_EQ(system.Symbol(libc, "glIronwoodNoSuchEntry"), nullptr);
  system.CloseLibrary(libc);
}

TEST(LinuxGlSystem, ReportsAMissingLibraryOnStandardError) {
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(SystemGl().ReportNoLibrary(), "Could not open OpenGL Library");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Could not open OpenGL Library\n");
}

// The saver's own binding against the system library: Linux GLU lacks the wide-character error
// text, which must not fail the whole binding.
TEST(LinuxGlSystem, TheSaverBindingTakesTheSystemLibraryWithItsGlu) {
  GlSystem& system = SystemGl();
  void* probe = system.OpenLibrary("libOpenGL.so.0");
  if (probe == nullptr) GTEST_SKIP() << "libOpenGL.so.0 is not installed";
  system.CloseLibrary(probe);

  opengl::EntryPoints table;
  opengl::Binding binding(system, table);
  const std::string driver = binding.ChooseDriver(true);
  EXPECT_EQ(driver, "libOpenGL.so.0");
  ASSERT_EQ(binding.Bind(driver), opengl::Binding::kBound);
  EXPECT_FALSE(binding.Libraries().miniDriver);
  EXPECT_NE(table.glClear, nullptr);
  if (binding.Libraries().gluLibrary != nullptr) {
    EXPECT_NE(table.gluPerspective, nullptr);
    EXPECT_EQ(table.gluErrorUnicodeStringEXT, nullptr);
  }
  // Extension entries come through EGL's lookup, which the library itself does not export.
  binding.FetchExtensions();
  if (EglTarget::LibraryAvailable()) {
    EXPECT_NE(table.glActiveTextureARB, nullptr);
  }
  EXPECT_EQ(system.Symbol(binding.Libraries().glLibrary, "glActiveTextureARB"), nullptr);
  binding.Unbind();
  EXPECT_EQ(table.glClear, nullptr);
}

}  // namespace
}  // namespace ironwood::platform
