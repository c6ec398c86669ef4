#include "saver/effects/lens_flare.h"

#include <cstdlib>
#include <limits>
#include <optional>
#include <string_view>

#include "common/settings.h"
#include "platform/paths.h"
#include "platform/file_bytes.h"
#include "saver/assets/text_tokens.h"
#include "glapi/gl_table.h"
#include "saver/core/screen_layout.h"

namespace ironwood {
namespace {

class Tokens {
 public:
  explicit Tokens(const std::string& text) : tokens_(text, LensFlare::kMaxTokenLength) {}
  std::optional<std::string> Next() {
    const auto token = tokens_.Next();
    if (!token) return std::nullopt;
    return std::string(*token);
  }
  std::size_t Remaining() const { return tokens_.Remaining(); }

 private:
  TextTokens tokens_;
};

// The labels are free words ("Textures:", "FlareElements"), but words all the same: a control
// byte in one means the file is no flare description.
bool IsText(const std::string& token) {
  for (const char c : token) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return false;
  }
  return true;
}

// A count as written: an optional sign and digits, nothing else.
bool IsWholeNumber(const std::string& token) {
  const std::size_t start = !token.empty() && (token[0] == '-' || token[0] == '+') ? 1 : 0;
  if (start == token.size()) return false;
  for (std::size_t i = start; i < token.size(); ++i) {
    if (token[i] < '0' || token[i] > '9') return false;
  }
  return true;
}

}  // namespace

bool LensFlare::Load(const std::string& installation, std::string* why) {
  textures_.clear();
  elements_.clear();
  problems_.clear();
  const std::string path = installation + "LensFlare.lsf";
  std::string text;
  if (!platform::ReadWholeFile(path, kMaxFileBytes, &text, why)) return false;
  return Parse(text, path,
               [&installation](Texture& texture, const std::string& colour,
                               const std::string& opacity, std::string* failure) {
                 return texture.LoadBmp(true, platform::InstallationFile(installation, "Gfx", colour),
                                        platform::InstallationFile(installation, "Gfx", opacity),
                                        failure);
               },
               why);
}

bool LensFlare::Parse(const std::string& text, const std::string& path,
                      const TextureLoader& loadTexture, std::string* why) {
  textures_.clear();
  elements_.clear();
  problems_.clear();
  std::string unused;
  if (why == nullptr) why = &unused;
  if (text.size() > kMaxFileBytes) {
    *why = path + ": larger than any flare file (" + std::to_string(text.size()) + " bytes)";
    return false;
  }
  Tokens tokens(text);
  auto cut = [&](const char* what) {
    *why = path + " ends before " + what;
    textures_.clear();
    elements_.clear();
    return false;
  };
  // A count is plausible when the rest of the file can hold that many entries of at least
  // `tokensEach` tokens (two bytes each, a character and a separator).
  auto count = [&](int tokensEach, const char* what, int limit, int* out) {
    auto label = tokens.Next();
    auto number = tokens.Next();
    if (!label || !number) return cut(what);
    if (!IsText(*label)) {
      *why = path + ": the label before the count of " + what + " is not text; not a flare file";
      return false;
    }
    if (!IsWholeNumber(*number)) {
      *why = path + ": the count of " + what + " is not a number" +
             (IsText(*number) ? " (\"" + *number + "\")" : std::string());
      return false;
    }
    *out = settings::TextToInt(*number);
    if (*out < 0 || static_cast<std::size_t>(*out) * tokensEach * 2 > tokens.Remaining() + 1) {
      *why = path + ": " + std::to_string(*out) + " " + what + " cannot fit in the file";
      return false;
    }
    if (*out > limit) {
      *why = path + ": " + std::to_string(*out) + " " + what + " are more than the " +
             std::to_string(limit) + " it may list";
      return false;
    }
    return true;
  };

  int textureCount = 0;
  if (!count(4, "textures", kMaxTextures, &textureCount)) return false;
  // Grown as read: elements point into it only once it is complete.
  textures_.reserve(static_cast<std::size_t>(textureCount));
  for (int i = 0; i < textureCount; ++i) {
    const auto label = tokens.Next(), name = tokens.Next(), colour = tokens.Next(),
               opacity = tokens.Next();
    if (!opacity) return cut("the last texture");
    if (!IsText(*label)) {
      *why = path + ": the label of texture " + std::to_string(i) + " is not text";
      textures_.clear();
      return false;
    }
    NamedTexture& entry = textures_.emplace_back();
    entry.name = *name;
    std::string failure;
    if (!loadTexture(entry.texture, *colour, *opacity, &failure)) {
      *why = path + ": texture " + entry.name + ": " + failure;
      textures_.clear();
      return false;
    }
  }
  int elementCount = 0;
  ProblemLines problems;
  if (!count(5, "elements", std::numeric_limits<int>::max(), &elementCount)) {
    textures_.clear();
    return false;
  }
  for (int i = 0; i < elementCount; ++i) {
    const auto label = tokens.Next(), name = tokens.Next(), size = tokens.Next(),
               reserved = tokens.Next(), position = tokens.Next();
    if (!position) return cut("the last element");
    if (!IsText(*label)) {
      *why = path + ": the label of element " + std::to_string(i) + " is not text";
      textures_.clear();
      elements_.clear();
      return false;
    }
    Element element;
    for (NamedTexture& entry : textures_) {
      if (entry.name == *name) {
        element.texture = &entry.texture;
        break;
      }
    }
    if (element.texture == nullptr) {
      // Drawing it would show whatever texture happened to be bound; it is left out.
      problems.Add("flare element " + std::to_string(i) + " names no texture: " + *name);
      continue;
    }
    element.size = static_cast<float>(std::atof(size->c_str()));
    element.position = static_cast<float>(std::atof(position->c_str()));
    elements_.push_back(element);
  }
  problems_ = problems.Lines();
  return true;
}

void LensFlare::UpdateProjection(const std::function<void()>& applyCamera,
                                 const double projection[16]) {
  double view[16];
  gl.glPushMatrix();
  gl.glLoadIdentity();
  applyCamera();
  gl.glGetDoublev(GL_MODELVIEW_MATRIX, view);
  gl.glPopMatrix();
  Combine(view, projection, matrix_);
}

void LensFlare::Combine(const double view[16], const double projection[16], double out[16]) {
  // Element (r, c) sits at 4c + r: out[4c + r] = sum over k of P[4c + k] * V[4k + r].
  for (int c = 0; c < 4; ++c) {
    for (int r = 0; r < 4; ++r) {
      double sum = 0;
      for (int k = 0; k < 4; ++k) sum += projection[4 * c + k] * view[4 * k + r];
      out[4 * c + r] = sum;
    }
  }
}

void LensFlare::LightPoint(double& sx, double& sy, double& sz) const {
  const double* R = matrix_;
  // The light's z enters negated, and there is no division by w.
  sx = R[0] * kLightX + R[4] * kLightY - R[8] * kLightZ + R[12];
  sy = R[1] * kLightX + R[5] * kLightY - R[9] * kLightZ + R[13];
  sz = R[2] * kLightX + R[6] * kLightY - R[10] * kLightZ + R[14];
}

bool LensFlare::Visible(double sx, double sy, double sz, int width, int height) {
  return sz > 0 && -width / 2.0 < sx && sx < width / 2.0 && -height / 2.0 < sy &&
         sy < height / 2.0;
}

void LensFlare::Draw(float fade, int width, int height, const Mesh& billboard,
                     const MeshDrawCaps& caps, TextureNamePool& pool) {
  double sx = 0, sy = 0, sz = 0;
  LightPoint(sx, sy, sz);
  if (!Visible(sx, sy, sz, width, height)) return;

  gl.glColor4f(1, 1, 1, 1 - fade);
  gl.glDisable(GL_CULL_FACE);
  gl.glDisable(GL_LIGHTING);
  gl.glEnable(GL_BLEND);
  gl.glDisable(GL_DEPTH_TEST);
  gl.glMatrixMode(GL_PROJECTION);
  gl.glPushMatrix();
  gl.glLoadIdentity();
  gl.glOrtho(0, width, height, 0, 1, -1);
  gl.glMatrixMode(GL_MODELVIEW);
  // Pushed here so that the pop below balances it: every element loads its own matrix.
  gl.glPushMatrix();
  SetMeshArrays(billboard, caps);
  // Sizes are given for a 1280-pixel-wide 4:3 screen.
  const float scale = LayoutWidth(width, height) / 1280.0f;
  for (const Element& element : elements_) {
    gl.glPushMatrix();
    gl.glLoadIdentity();
    gl.glTranslatef(static_cast<float>(width / 2.0 - sx - element.position * sx),
                    static_cast<float>(height / 2.0 + sy + element.position * sy), 0);
    const float s = element.size * scale;
    gl.glScalef(s, s, s);
    if (caps.multitexture) gl.glActiveTextureARB(GL_TEXTURE0_ARB);
    element.texture->Bind(pool);
    DrawMeshElements(billboard);
    gl.glPopMatrix();
  }
  gl.glMatrixMode(GL_PROJECTION);
  gl.glPopMatrix();
  gl.glMatrixMode(GL_MODELVIEW);
  gl.glPopMatrix();
  gl.glEnable(GL_CULL_FACE);
  gl.glDisable(GL_BLEND);
  gl.glEnable(GL_DEPTH_TEST);
}

}  // namespace ironwood
