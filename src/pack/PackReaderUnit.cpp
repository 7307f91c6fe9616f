#include "pack/PackReaderUnit.h"

#include <bit>

#include "base/ByteOrderUnit.h"
#include "base/CrcUnit.h"

namespace vexilo {
namespace {

// Splits the groups of a page area body (after the page count header): each
// group is n page headers with consecutive numbers and equal bytes 1 to 4,
// then n pages of `pageSize` bytes. Backtracks over the run length, since
// pixel data may look like a further header.
bool SplitGroups(const std::vector<uint8_t>& body, size_t pos, unsigned nextNumber, uint32_t pageSize,
                 AreaInfo& area) {
  if (pos == body.size()) return true;
  size_t run = 0;
  while (pos + 5 * (run + 1) <= body.size()) {
    const uint8_t* h = &body[pos + 5 * run];
    if (h[0] != static_cast<uint8_t>(nextNumber + run)) break;
    if (run > 0) {
      const uint8_t* first = &body[pos];
      if (h[1] != first[1] || h[2] != first[2] || h[3] != first[3] || h[4] != first[4]) break;
    }
    ++run;
  }
  for (size_t k = run; k >= 1; --k) {
    size_t need = 5 * k + static_cast<size_t>(pageSize) * k;
    if (pos + need > body.size()) continue;
    size_t pagesBefore = area.Pages.size();
    for (size_t i = 0; i < k; ++i) {
      const uint8_t* h = &body[pos + 5 * i];
      PageInfo page;
      page.Number = h[0];
      page.Effect = h[1];
      page.Speed = h[2];
      page.StayTime = h[3];
      page.Option = h[4];
      size_t data = pos + 5 * k + pageSize * i;
      page.Pixels.assign(body.begin() + static_cast<long>(data), body.begin() + static_cast<long>(data + pageSize));
      area.Pages.push_back(std::move(page));
    }
    area.GroupSizes.push_back(static_cast<int>(k));
    if (SplitGroups(body, pos + need, nextNumber + static_cast<unsigned>(k), pageSize, area)) return true;
    area.Pages.resize(pagesBefore);
    area.GroupSizes.pop_back();
  }
  return false;
}

// Whether the bytes at `at` open a coded-text page: 0, font 1, a colour code
// from 1 to 4 and a size class from 1 to 4.
bool OpensCodedText(const std::vector<uint8_t>& body, size_t at) {
  return at + 4 <= body.size() && body[at] == 0 && body[at + 1] == 1 && body[at + 2] >= 1 && body[at + 2] <= 4 &&
         body[at + 3] >= 1 && body[at + 3] <= 4;
}

// Takes a page list's pages of the given sizes from dataStart, then any
// groups that continued the list; false (nothing taken) when they do not fit.
bool TakeListPages(AreaInfo& area, size_t dataStart, const std::vector<size_t>& sizes, unsigned nextNumber,
                   uint32_t pageSize) {
  const std::vector<uint8_t>& body = area.Body;
  size_t at = dataStart;
  for (size_t i = 0; i < sizes.size(); ++i) {
    const uint8_t* h = &body[2 + 5 * i];
    PageInfo page;
    page.Number = h[0];
    page.Effect = h[1];
    page.Speed = h[2];
    page.StayTime = h[3];
    page.Option = h[4];
    page.Pixels.assign(body.begin() + static_cast<long>(at), body.begin() + static_cast<long>(at + sizes[i]));
    at += sizes[i];
    area.Pages.push_back(std::move(page));
  }
  area.GroupSizes.push_back(static_cast<int>(sizes.size()));
  area.IsList = true;
  // Page items that continue the list number their pages from the count + 1.
  if (SplitGroups(body, at, nextNumber, pageSize, area)) return true;
  area.Pages.clear();
  area.GroupSizes.clear();
  area.IsList = false;
  return false;
}

// A page list (its first page numbered 0): all its page headers, numbered
// from 0, then all its pages; then, perhaps, groups of later page items that
// continued the area. The pages are pixel pages, but for at most one
// coded-text page of its own length, in a list that nothing continued.
bool ReadListPages(AreaInfo& area, uint32_t pageSize, std::string& error) {
  const std::vector<uint8_t>& body = area.Body;
  size_t run = 0;
  while (2 + 5 * (run + 1) <= body.size() && body[2 + 5 * run] == static_cast<uint8_t>(run)) ++run;
  for (size_t k = run; k >= 1; --k) {
    const size_t dataStart = 2 + 5 * k;
    const size_t rest = body.size() - dataStart;
    // Candidates: all pages pixel pages (later groups may follow), or one
    // coded-text page taking what the pixel pages leave (nothing follows).
    std::vector<std::vector<size_t>> candidates;
    if (static_cast<uint64_t>(k) * pageSize <= rest) candidates.emplace_back(k, pageSize);
    if (static_cast<uint64_t>(k - 1) * pageSize <= rest) {
      const size_t other = rest - (k - 1) * pageSize;
      for (size_t j = 0; j < k; ++j) {
        if (other != pageSize && OpensCodedText(body, dataStart + j * pageSize)) {
          candidates.emplace_back(k, pageSize);
          candidates.back()[j] = other;
        }
      }
    }
    for (const std::vector<size_t>& sizes : candidates) {
      if (TakeListPages(area, dataStart, sizes, static_cast<unsigned>(k) + 1, pageSize)) return true;
    }
  }
  error = "page list whose pages do not fit its length";
  return false;
}

bool ReadPageArea(AreaInfo& area, uint32_t planes, std::string& error) {
  if (area.Body.size() < 2) {
    error = "page area without its page count header";
    return false;
  }
  area.PageCount = area.Body[0];
  uint32_t pageSize = PageBytes(area.Width, area.Height, planes);
  if (area.Body.size() == 2) return true;
  unsigned first = area.Body[2];  // pages count from 1, list pages from 0
  if (first == 0) return ReadListPages(area, pageSize, error);
  if (first > 1) {
    error = "page area whose first page number is " + std::to_string(first);
    return false;
  }
  if (!SplitGroups(area.Body, 2, first, pageSize, area)) {
    error = "page area whose groups do not fit its length";
    return false;
  }
  return true;
}

// Clock (5) and timer (6) areas: mask, cell width and height, (timers: the
// six target bytes), one slot per bit of the mask, the mode byte, the page
// (or none, for an area with a side of 0) and the glyph block.
bool ReadLiveArea(AreaInfo& area, uint32_t planes, std::string& error) {
  const std::vector<uint8_t>& b = area.Body;
  LiveFieldsInfo& live = area.Live;
  const size_t head = area.Type == 6 ? 9 : 3;
  if (b.size() < head) {
    error = "clock or timer area shorter than its head";
    return false;
  }
  live.Mask = b[0];
  live.CellWidth = b[1];
  live.CellHeight = b[2];
  if (area.Type == 6) live.Target.assign(b.begin() + 3, b.begin() + 9);
  const size_t m = static_cast<size_t>(std::popcount(static_cast<unsigned>(live.Mask & 0xFE)));
  const size_t glyphs = 3 * static_cast<size_t>(live.CellStride()) * live.CellHeight;
  const size_t fixed = head + 4 * m + 1;
  if (b.size() < fixed + glyphs) {
    error = "clock or timer area too short for its slots and glyphs";
    return false;
  }
  for (size_t i = 0; i < m; ++i) {
    live.Slots.push_back({GetBe16(&b[head + 4 * i]), GetBe16(&b[head + 4 * i + 2])});
  }
  live.Mode = b[head + 4 * m];
  const size_t pageBytes = b.size() - fixed - glyphs;
  if (pageBytes != 0 && pageBytes != PageBytes(area.Width, area.Height, planes)) {
    error = "clock or timer page of " + std::to_string(pageBytes) + " bytes";
    return false;
  }
  live.Page.assign(b.begin() + static_cast<long>(fixed), b.begin() + static_cast<long>(fixed + pageBytes));
  live.Glyphs.assign(b.begin() + static_cast<long>(fixed + pageBytes), b.end());
  area.HasLiveFields = true;
  return true;
}

}  // namespace

bool ReadPack(const std::vector<uint8_t>& bytes, PackInfo& pack, std::string& error) {
  pack = PackInfo{};
  if (bytes.size() < 2) {
    error = "pack shorter than its header";
    return false;
  }
  pack.ProgramCount = bytes[0];
  pack.PlaneCount = bytes[1];
  size_t pos = 2;
  while (bytes.size() - pos >= 7) {
    ProgramInfo program;
    program.Offset = static_cast<uint32_t>(pos);
    program.Number = bytes[pos];
    program.AreaCount = bytes[pos + 1];
    program.Option = bytes[pos + 2];
    program.Length = GetBe32(&bytes[pos + 3]);
    if (program.Length < 7 || program.Length > bytes.size() - pos) {
      error = "program at " + std::to_string(pos) + " has length " + std::to_string(program.Length);
      return false;
    }
    size_t end = pos + program.Length;
    size_t apos = pos + 7;
    while (apos < end) {
      if (end - apos < 14) {
        error = "area header cut short at " + std::to_string(apos);
        return false;
      }
      AreaInfo area;
      area.Offset = static_cast<uint32_t>(apos);
      area.Number = bytes[apos];
      area.Type = bytes[apos + 1];
      area.X = GetBe16(&bytes[apos + 2]);
      area.Y = GetBe16(&bytes[apos + 4]);
      area.Width = GetBe16(&bytes[apos + 6]);
      area.Height = GetBe16(&bytes[apos + 8]);
      area.Length = GetBe32(&bytes[apos + 10]);
      if (area.Length < 14 || area.Length > end - apos) {
        error = "area at " + std::to_string(apos) + " has length " + std::to_string(area.Length);
        return false;
      }
      area.Body.assign(bytes.begin() + static_cast<long>(apos + 14), bytes.begin() + static_cast<long>(apos + area.Length));
      if (area.Type == 2 && !ReadPageArea(area, pack.PlaneCount == 2 ? 2 : 1, error)) {
        error = "area at " + std::to_string(apos) + ": " + error;
        return false;
      }
      if ((area.Type == 5 || area.Type == 6) && !ReadLiveArea(area, pack.PlaneCount == 2 ? 2 : 1, error)) {
        error = "area at " + std::to_string(apos) + ": " + error;
        return false;
      }
      apos += area.Length;
      program.Areas.push_back(std::move(area));
    }
    pack.Programs.push_back(std::move(program));
    pos = end;
  }
  pack.Trailer.assign(bytes.begin() + static_cast<long>(pos), bytes.end());
  if (pack.Trailer.size() == 2) {
    uint16_t crc = Crc16(bytes.data(), pos);
    pack.SealValid = GetBe16(pack.Trailer.data()) == crc;
  }
  return true;
}

}  // namespace vexilo
