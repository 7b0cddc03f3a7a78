#include "io/png.h"

#include <png.h>

#include <new>

#include "base/file.h"

namespace {
// Where the encoded bytes go. Memory running out there is noted and
// reported the way libpng reports its own errors, outside the handler: an
// exception must not cross libpng's C frames.
struct PngSink {
  std::vector<unsigned char>* out;
  bool outOfMemory = false;
};

void AppendBytes(png_structp png, png_bytep data, png_size_t size) {
  auto* sink = static_cast<PngSink*>(png_get_io_ptr(png));
  try {
    sink->out->insert(sink->out->end(), data, data + size);
  } catch (const std::bad_alloc&) {
    sink->outOfMemory = true;
  }
  if (sink->outOfMemory) png_error(png, "out of memory");
}

void NoFlush(png_structp) {}

// Errors end the encoding quietly: the caller reports them.
[[noreturn]] void QuietError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void QuietWarning(png_structp, png_const_charp) {}

// libpng reports errors by longjmp; everything it touches is plain data.
bool Encode(int width, int height, int channels, const unsigned char* pixels, PngSink& sink) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, QuietError, QuietWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, &sink, AppendBytes, NoFlush);
  png_set_IHDR(png, info, width, height, 8, channels == 4 ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  const std::size_t stride = static_cast<std::size_t>(width) * channels;
  for (int y = 0; y < height; ++y) {
    png_write_row(png, const_cast<png_bytep>(pixels + stride * y));
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}
}  // namespace

bool EncodePng(int width, int height, int channels, const unsigned char* pixels,
               std::vector<unsigned char>& out) {
  out.clear();
  if (width <= 0 || height <= 0 || (channels != 3 && channels != 4) || pixels == nullptr) {
    return false;
  }
  PngSink sink{&out};
  if (!Encode(width, height, channels, pixels, sink)) {
    out.clear();
    if (sink.outOfMemory) throw std::bad_alloc();
    return false;
  }
  return true;
}

bool WritePngFile(const std::string& path, int width, int height, int channels,
                  const unsigned char* pixels) {
  std::vector<unsigned char> bytes;
  if (!EncodePng(width, height, channels, pixels, bytes)) return false;
  return WriteFileSafely(path, [&](std::FILE* file) {
    return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  });
}
