// Picture files: a file decoded into a raster, the decoder chosen by the
// file name's extension (case-insensitive), and Windows bitmaps held in
// memory (the pictures of list entries).
//
// Extensions and their decoders:
//   bmp rle dib                 our bitmap reader (BmpUnit)
//   png                         libpng (PngPictureUnit)
//   jpg jpeg jpe jfif           libjpeg-turbo (JpegPictureUnit)
//   tif tiff fax                libtiff (TiffPictureUnit); fax is CCITT TIFF
//   gif                         the first frame, by the GIF reader of render/
//   tga vst vda icb win         our Targa reader (TgaUnit)
//   pcx pcc scr                 our PCX reader (PcxUnit)
//   ppm pgm pbm                 our any-map reader (PnmUnit)
// Known but not decoded, each failing with an "unsupported" message: ico
// (icons), wmf and emf (vector pictures), eps, psd, pdd, psp, sgi, rgb, rgba,
// bw, rla, rpf, pcd, cut, cel, pic. Any other extension is an unknown format.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "picture/BmpUnit.h"  // DecodeBmp: bitmaps held in memory
#include "render/DrawingUnit.h"

namespace vexilo {

// Picture files larger than this are refused without being read.
constexpr uint64_t kMaxPictureFileBytes = uint64_t{256} << 20;

// The picture in the file as a 24-bit raster, or null with error set to a
// message that names the file and the reason (no such file, an extension no
// decoder knows or a picture that is no plain raster, a decoding error).
// The extension is judged before the file is opened.
RasterPtr LoadPictureFile(const std::string& path, std::string& error);

// The whole content of a regular file of at most kMaxPictureFileBytes bytes.
// Anything else (no such file, a folder, a FIFO or device, which are never
// waited on, a larger file, a read error) gives false with the reason in
// error, not naming the file.
bool ReadPictureFileBytes(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);

}  // namespace vexilo
