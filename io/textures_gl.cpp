// The OpenGL side of texture loading.
#include <GL/gl.h>
#include <GL/glu.h>

#include "io/textures.h"

namespace {
unsigned UploadTexture(const TgaImage& image) {
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  // Rows are tightly packed; RGB rows need not be 4-byte aligned. Every
  // image is kept as RGBA (an RGB one with full alpha, as GL samples it
  // anyway), so all textures are one format and the GL compiles one
  // program for all of them.
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  if (!image.pixels.empty()) {
    gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, image.width, image.height,
                      image.channels == 4 ? GL_RGBA : GL_RGB, GL_UNSIGNED_BYTE,
                      image.pixels.data());
  }
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  return name;
}

void ReleaseTexture(unsigned name) {
  const GLuint gl = name;
  glDeleteTextures(1, &gl);
}

void EnableTexGen() {
  glTexGenf(GL_S, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
  glTexGenf(GL_T, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
  glEnable(GL_TEXTURE_GEN_S);
  glEnable(GL_TEXTURE_GEN_T);
}
}  // namespace

TextureBackend OpenGLTextures() {
  TextureBackend backend;
  backend.upload = UploadTexture;
  backend.enableTexGen = EnableTexGen;
  backend.release = ReleaseTexture;
  return backend;
}
