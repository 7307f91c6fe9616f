// Reads a program pack back into its structure, checking every length, so
// that tests and tools can state what a pack holds instead of comparing hex.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace vexilo {

struct PageInfo {
  uint8_t Number = 0;
  uint8_t Effect = 0;
  uint8_t Speed = 0;
  uint8_t StayTime = 0;
  uint8_t Option = 0;
  std::vector<uint8_t> Pixels;  // the page's pixel data
};

// A clock (type 5) or timer (type 6) area drawn by the library: its static
// page, where the card draws each changing value, and the glyph cells it
// draws them from.
struct LiveFieldsInfo {
  uint8_t Mask = 0;                // clock elements or timer units shown
  uint8_t CellWidth = 0;
  uint8_t CellHeight = 0;
  std::vector<uint8_t> Target;     // timers: the six target bytes, year first
  struct Slot {
    uint16_t X = 0, Y = 0;         // centre of the field and its top row; 0xFFFF: not shown
  };
  std::vector<Slot> Slots;         // one per bit of Mask, in the area's order
  uint8_t Mode = 0;
  std::vector<uint8_t> Page;       // the static page's pixel data; empty when the area has none
  std::vector<uint8_t> Glyphs;     // the glyph block: 17 one-plane cells one after another,
                                   // ten digits CellStride wide, seven weekdays twice that
  int CellStride() const { return ((CellWidth + 7) / 8) * 8; }
};

struct AreaInfo {
  uint8_t Number = 0;
  uint8_t Type = 0;
  uint16_t X = 0, Y = 0, Width = 0, Height = 0;
  uint32_t Length = 0;          // as the header says: 14 + body
  uint32_t Offset = 0;          // position of the area header in the pack
  std::vector<uint8_t> Body;    // everything after the 14-byte header
  // Page areas (type 2): the page count header and the pages, in order, with
  // the number of pages of each group (one group per item call).
  uint8_t PageCount = 0;
  std::vector<PageInfo> Pages;
  std::vector<int> GroupSizes;
  // A page list: its headers, numbered from 0, all come before its pages,
  // which are its first group (a coded-text page keeps its own length).
  bool IsList = false;
  // Clock and timer areas drawn by the library (types 5 and 6).
  bool HasLiveFields = false;
  LiveFieldsInfo Live;
};

struct ProgramInfo {
  uint8_t Number = 0;
  uint8_t AreaCount = 0;
  uint8_t Option = 0;
  uint32_t Length = 0;          // as the header says: 7 + areas
  uint32_t Offset = 0;
  std::vector<AreaInfo> Areas;
};

struct PackInfo {
  uint8_t ProgramCount = 0;
  uint8_t PlaneCount = 0;
  std::vector<ProgramInfo> Programs;
  std::vector<uint8_t> Trailer;  // bytes after the last program (the seal)
  bool SealValid = false;        // Trailer is two bytes: the CRC of all before it
};

// Parses `bytes`. Page areas are split into pages using the plane count of the
// pack header; a page covers the whole area. Returns false and sets `error`
// when a length does not fit.
bool ReadPack(const std::vector<uint8_t>& bytes, PackInfo& pack, std::string& error);

// Bytes of one page of W x H pixels in `planes` planes.
inline uint32_t PageBytes(uint32_t width, uint32_t height, uint32_t planes) {
  return height * planes * ((width + 7) / 8);
}

}  // namespace vexilo
