#include <gtest/gtest.h>

#include <set>
#include <string>

#include "glapi/gl_table.h"
#include "tests/support/recording_gl.h"

namespace ironwood {
namespace {

TEST(GlTable, ListsHoldEveryEntryPointOnceInBindingOrder) {
  opengl::EntryPoints table;
  const auto core = opengl::CoreSlots(table);
  const auto glu = opengl::GluSlots(table);
  const auto ext = opengl::ExtensionSlots(table);
  ASSERT_EQ(core.size(), opengl::kCoreCount);
  ASSERT_EQ(glu.size(), opengl::kGluCount);
  ASSERT_EQ(ext.size(), opengl::kExtensionCount);
  EXPECT_STREQ(core.front().name, "glAccum");
  EXPECT_STREQ(core.back().name, "glViewport");
  for (std::size_t i = 1; i < core.size(); ++i) {
    EXPECT_LT(std::string(core[i - 1].name), std::string(core[i].name));
  }
  EXPECT_STREQ(glu.front().name, "gluErrorString");
  EXPECT_STREQ(glu.back().name, "gluNurbsCallback");
  EXPECT_STREQ(ext[0].name, "glActiveTextureARB");
  EXPECT_STREQ(ext[5].name, "glMultiTexCoord1fvARB");
  EXPECT_STREQ(ext.back().name, "glGetCompressedTexImageARB");
  std::set<void**> slots;
  for (const auto* list : {&core, &glu, &ext}) {
    for (const auto& entry : *list) EXPECT_TRUE(slots.insert(entry.slot).second) << entry.name;
  }
  // Each slot is the member of the same name.
  EXPECT_EQ(core.front().slot, reinterpret_cast<void**>(&table.glAccum));
  EXPECT_EQ(ext[0].slot, reinterpret_cast<void**>(&table.glActiveTextureARB));
}

TEST(RecordingGl, RecordsCallsAndRestoresTheTable) {
  const auto before = gl.glBindTexture;
  {
    testing::RecordingGl recording;
    recording.strings[GL_VENDOR] = "Test Vendor";
    gl.glBindTexture(GL_TEXTURE_2D, 7);
    gl.glColor4f(1.0f, 0.5f, 0.0f, 1.0f);
    EXPECT_STREQ(reinterpret_cast<const char*>(gl.glGetString(GL_VENDOR)), "Test Vendor");
    EXPECT_EQ(gl.glGetString(GL_RENDERER), nullptr);
    ASSERT_EQ(recording.calls.size(), 4u);
    EXPECT_EQ(recording.calls[0].Text(), "glBindTexture(3553, 7)");
    EXPECT_EQ(recording.calls[1].Text(), "glColor4f(1, 0.5, 0, 1)");
    EXPECT_EQ(recording.Count("glGetString"), 2);
  }
  EXPECT_EQ(gl.glBindTexture, before);
}

}  // namespace
}  // namespace ironwood
