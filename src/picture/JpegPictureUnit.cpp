#include "picture/JpegPictureUnit.h"

// jpeglib.h needs size_t and FILE declared before it.
#include <cstdio>
#include <csetjmp>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

#include "picture/PictureRasterUnit.h"

namespace vexilo {
namespace {

struct JpegErrors {
  jpeg_error_mgr Manager;  // first, so that the library's pointer is ours too
  std::jmp_buf Jump;
  std::string Message;
  bool DataEnded = false;
};

std::string FormatMessage(j_common_ptr info) {
  char text[JMSG_LENGTH_MAX] = {};
  info->err->format_message(info, text);
  return text;
}

[[noreturn]] void OnError(j_common_ptr info) {
  auto* errors = reinterpret_cast<JpegErrors*>(info->err);
  errors->Message = FormatMessage(info);
  std::longjmp(errors->Jump, 1);
}

// Warnings are not printed; one says that the data ended early, after which
// libjpeg-turbo would make up the rest of the picture.
void OnMessage(j_common_ptr info, int level) {
  auto* errors = reinterpret_cast<JpegErrors*>(info->err);
  if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) errors->DataEnded = true;
}

struct DecompressGuard {
  jpeg_decompress_struct Info{};
  bool Created = false;
  ~DecompressGuard() {
    if (Created) jpeg_destroy_decompress(&Info);
  }
};

// Reads the picture into raster. Everything that changes after setjmp lives
// in the caller's frame, so its value survives the long jump of an error.
bool ReadJpeg(DecompressGuard& guard, JpegErrors& errors, const uint8_t* data, size_t size, RasterPtr& raster,
              std::vector<uint8_t>& line, std::string& error) {
  jpeg_decompress_struct& info = guard.Info;
  if (setjmp(errors.Jump)) {
    error = "damaged JPEG: " + errors.Message;
    return false;
  }
  jpeg_create_decompress(&info);
  guard.Created = true;
  info.mem->max_memory_to_use = 512L << 20;
  jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&info, TRUE);
  if (!PictureSizeAllowed(info.image_width, info.image_height, error)) return false;
  const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
  jpeg_start_decompress(&info);
  raster = NewPictureRaster(info.output_width, info.output_height, error);
  if (!raster) return false;
  if (cmyk) line.resize(static_cast<size_t>(info.output_width) * 4);
  // Adobe writes CMYK inverted (0 is full ink); the others plainly.
  const bool inverted = info.saw_Adobe_marker;
  while (info.output_scanline < info.output_height) {
    uint8_t* out = RasterRow(*raster, static_cast<int>(info.output_scanline));
    JSAMPROW row = cmyk ? line.data() : out;
    if (jpeg_read_scanlines(&info, &row, 1) != 1) break;
    if (cmyk) {
      for (JDIMENSION x = 0; x < info.output_width; ++x) {
        const uint8_t* p = line.data() + static_cast<size_t>(x) * 4;
        unsigned c = p[0], m = p[1], y = p[2], k = p[3];
        if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        PutRgb(out, static_cast<int>(x), static_cast<uint8_t>(c * k / 255), static_cast<uint8_t>(m * k / 255),
               static_cast<uint8_t>(y * k / 255));
      }
    }
    if (errors.DataEnded) break;
  }
  if (errors.DataEnded || info.output_scanline < info.output_height) {
    error = "JPEG data ends early";
    return false;
  }
  jpeg_finish_decompress(&info);
  if (errors.DataEnded) {
    error = "JPEG data ends early";
    return false;
  }
  return true;
}

}  // namespace

RasterPtr DecodeJpeg(const uint8_t* data, size_t size, std::string& error) {
  if (!data || size < 3 || data[0] != 0xFF || data[1] != 0xD8 || data[2] != 0xFF) {
    error = "not a JPEG file (no start-of-image mark)";
    return nullptr;
  }
  JpegErrors errors;
  DecompressGuard guard;
  guard.Info.err = jpeg_std_error(&errors.Manager);
  errors.Manager.error_exit = OnError;
  errors.Manager.emit_message = OnMessage;
  RasterPtr raster;
  std::vector<uint8_t> line;
  if (!ReadJpeg(guard, errors, data, size, raster, line, error)) return nullptr;
  return raster;
}

}  // namespace vexilo
