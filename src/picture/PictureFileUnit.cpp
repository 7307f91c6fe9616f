#include "picture/PictureFileUnit.h"

#include <algorithm>
#include <string_view>

#include "picture/JpegPictureUnit.h"
#include "picture/PcxUnit.h"
#include "picture/PngPictureUnit.h"
#include "picture/PnmUnit.h"
#include "picture/TgaUnit.h"
#include "picture/TiffPictureUnit.h"
#include "render/GifUnit.h"

namespace vexilo {
namespace {

using Decoder = RasterPtr (*)(const uint8_t*, size_t, std::string&);

struct PictureFormat {
  std::string_view Extension;
  Decoder Decode;          // null: known but not decoded
  std::string_view Kind;   // what the format is, for messages
};

constexpr PictureFormat kFormats[] = {
    {"bmp", DecodeBmp, "Windows bitmap"},
    {"rle", DecodeBmp, "Windows bitmap"},
    {"dib", DecodeBmp, "Windows bitmap"},
    {"png", DecodePng, "PNG picture"},
    {"jpg", DecodeJpeg, "JPEG picture"},
    {"jpeg", DecodeJpeg, "JPEG picture"},
    {"jpe", DecodeJpeg, "JPEG picture"},
    {"jfif", DecodeJpeg, "JPEG picture"},
    {"tif", DecodeTiff, "TIFF picture"},
    {"tiff", DecodeTiff, "TIFF picture"},
    {"fax", DecodeTiff, "fax (CCITT TIFF) picture"},
    {"gif", DecodeGifPicture, "GIF picture"},
    {"tga", DecodeTga, "Targa picture"},
    {"vst", DecodeTga, "Targa picture"},
    {"vda", DecodeTga, "Targa picture"},
    {"icb", DecodeTga, "Targa picture"},
    {"win", DecodeTga, "Targa picture"},
    {"pcx", DecodePcx, "PCX picture"},
    {"pcc", DecodePcx, "PCX picture"},
    {"scr", DecodePcx, "PCX picture"},
    {"ppm", DecodePnm, "PPM picture"},
    {"pgm", DecodePnm, "PGM picture"},
    {"pbm", DecodePnm, "PBM picture"},
    {"ico", nullptr, "icons are not plain rasters"},
    {"wmf", nullptr, "vector pictures (Windows metafiles) are not plain rasters"},
    {"emf", nullptr, "vector pictures (enhanced metafiles) are not plain rasters"},
    {"eps", nullptr, "Encapsulated PostScript is not decoded"},
    {"psd", nullptr, "Photoshop pictures are not decoded"},
    {"pdd", nullptr, "Photoshop pictures are not decoded"},
    {"psp", nullptr, "Paint Shop Pro pictures are not decoded"},
    {"sgi", nullptr, "SGI pictures are not decoded"},
    {"rgb", nullptr, "SGI pictures are not decoded"},
    {"rgba", nullptr, "SGI pictures are not decoded"},
    {"bw", nullptr, "SGI pictures are not decoded"},
    {"rla", nullptr, "Wavefront RLA pictures are not decoded"},
    {"rpf", nullptr, "Wavefront RLA pictures are not decoded"},
    {"pcd", nullptr, "Kodak Photo CD pictures are not decoded"},
    {"cut", nullptr, "Dr. Halo pictures are not decoded"},
    {"cel", nullptr, "Autodesk pictures are not decoded"},
    {"pic", nullptr, "Autodesk pictures are not decoded"},
};

// The extension of the file name (after the last dot of the last path
// element), in lower case; empty when there is none.
std::string ExtensionOf(const std::string& path) {
  size_t nameStart = path.find_last_of("/\\");
  nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot < nameStart) return {};
  std::string ext = path.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  return ext;
}

}  // namespace

RasterPtr LoadPictureFile(const std::string& path, std::string& error) {
  const std::string ext = ExtensionOf(path);
  const PictureFormat* format = nullptr;
  for (const PictureFormat& f : kFormats) {
    if (f.Extension == ext) format = &f;
  }
  if (!format) {
    error = path + ": unknown picture format" + (ext.empty() ? " (the file name has no extension)" : " \"." + ext + "\"");
    return nullptr;
  }
  if (!format->Decode) {
    error = path + ": unsupported picture format \"." + ext + "\": " + std::string(format->Kind);
    return nullptr;
  }
  std::vector<uint8_t> bytes;
  std::string reason;
  if (!ReadPictureFileBytes(path, bytes, reason)) {
    error = path + ": " + reason;
    return nullptr;
  }
  RasterPtr raster = format->Decode(bytes.data(), bytes.size(), reason);
  if (!raster) {
    error = path + ": " + (reason.empty() ? "the " + std::string(format->Kind) + " does not decode" : reason);
    return nullptr;
  }
  return raster;
}

}  // namespace vexilo
