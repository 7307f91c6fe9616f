// The program pack in "Swap.Dat": its state, its headers and the shared
// operations every item uses to append areas and pages.
//
// Invariant: "Swap.Dat" is exactly PackLength bytes long between calls, and
// the header bytes kept in the state equal the bytes at their positions.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "vexilo.h"

namespace vexilo {

enum class HeaderKind { Pack, Program, Area, PageCount, List };

struct PackState {
  int32_t PackLength = 0;    // bytes written; where the next record goes
  int32_t ProgramCount = 0;  // programs added since the last initialisation
  int32_t AreaCounter = 0;   // areas begun in the open program
  uint8_t RotatedLayout = 0;
  uint8_t PackHeader[2] = {};
  int32_t PackHeaderPos = -1;
  uint8_t ProgramHeader[7] = {};
  int32_t ProgramHeaderPos = -1;
  uint8_t AreaHeader[14] = {};
  int32_t AreaHeaderPos = -1;
  uint8_t PageCountHeader[2] = {};
  int32_t PageCountHeaderPos = -1;
  uint8_t ListHeader[3] = {};
  int32_t ListHeaderPos = -1;
};

inline constexpr int32_t kMaxPrograms = 512;
inline constexpr size_t kWorkBufferSize = 52428800;

// The pack state, read-only; the functions below change it.
const PackState& Pack();

// User_InitBufferEx: the layout of the pack being built is for a rotated
// screen (any value but 0). Every User_InitBuffer clears it first.
void SetRotatedLayout(uint8_t rotated);

// The whole pack as the links send it: its length (the seal included once
// User_CompletePack has run) and its bytes from "Swap.Dat".
uint32_t PackBytesLength();
bool ReadPackBytes(uint32_t pos, uint8_t* out, size_t n);

// Makes the given bytes the whole pack, as a pack read back from a file to
// be sent again: "Swap.Dat" holds exactly them and the item bookkeeping is
// reset (no program is open). False when the file cannot be written.
bool ReplacePack(const uint8_t* data, size_t n);

// Load step 4 (pack part): state reset, "Swap.Dat" created empty and opened.
void PackLoad();
// Unload step 1 (pack part): "Swap.Dat" closed.
void PackUnload();

// ---- exports of the pack -------------------------------------------------
bool InitBuffer(int32_t screenNo);
int32_t AddProgram(uint8_t programOption);
bool CompletePack();

// ---- operations for items --------------------------------------------------

// Writes the header's current bytes at its position; true when the position
// is -1 (nothing to write) or the write succeeded.
bool RewriteHeader(HeaderKind which);

// Writes n bytes at PackLength and advances it; false (nothing advanced) when
// the pack would pass 2^31 - 1 bytes or the file cannot be written.
bool PackAppend(const void* data, size_t n);
// Writes n bytes at a position below PackLength (a header reserved earlier).
bool PackWriteAt(int32_t pos, const void* data, size_t n);

// Animation areas: the list header (a 16-bit count, then 0) begins at
// PackLength with count 0 and is written; the page count header's position
// is set to the same place and keeps the first two bytes. PackLength grows by 3.
bool BeginListHeader();
// Gives the list header begun by BeginListHeader this count and writes it.
bool SetListCount(uint16_t count);

// Room reserved past the end of the pack: writes n bytes at pos, which lies
// at or beyond PackLength, ending no further than 2^31 - 1. The file grows;
// PackLength does not.
bool PackWriteReserved(int64_t pos, const void* data, size_t n);
// Brings n reserved bytes from `from` (at or beyond PackLength) to PackLength,
// in chunks no larger than chunkSize through chunk, and adds them to the pack.
bool PackTakeReserved(int64_t from, int64_t n, uint8_t* chunk, size_t chunkSize);
// Cuts the file back to PackLength, dropping whatever reserved room is left.
bool PackDropReserved();

// Starts an area at PackLength with its provisional header (length 0).
bool BeginArea(uint8_t type, int32_t x, int32_t y, int32_t width, int32_t height, bool swapAxes);
// Adds an item's bytes to the area and program lengths, counts the item.
bool EndArea(uint32_t added);
// Continues the current page area with that rectangle (0) or begins one (16);
// nullopt when the file cannot be written.
std::optional<int32_t> OpenPageArea(int32_t x, int32_t y, int32_t width, int32_t height);

// The bytes 1 to 4 of every page header of one call.
struct PageHeaderBytes {
  uint8_t Effect = 0;
  uint8_t Speed = 0;
  uint8_t StayTime = 0;
  uint8_t Option = 0;
};

// Adds one group of pages to the open page area: `pages` pages of pageBytes
// bytes each, contiguous at `pixels`. openedHeaderBytes is what OpenPageArea
// returned: the bytes of the headers it began (16), or 0 when it continued
// the page area before.
bool AppendPageGroup(int32_t openedHeaderBytes, const PageHeaderBytes& bytes, uint32_t pages, const uint8_t* pixels,
                     size_t pageBytes);

// Page lists: a page area whose page headers all come before the pages.
// BeginPageList starts the page count header (count 0) at PackLength and
// reserves a table of `reserved` page headers behind it; the pages are
// appended behind the table. Gives the table's position, or nullopt when the
// pack cannot grow. SetPageCount writes the count. ClosePageTable moves the
// pages down to follow the first `used` headers directly, in chunks of at
// most the work buffer, and shortens the pack by the unused headers.
std::optional<int32_t> BeginPageList(uint32_t reserved);
bool SetPageCount(uint8_t count);
bool ClosePageTable(int32_t tablePos, uint32_t reserved, uint32_t used);

int32_t FrameInset(int32_t frameWidth);
int32_t MapEffectCode(int32_t effect);
std::array<uint8_t, 4> MakeFontDescriptor(const FontSpec& font);

// ---- rotated screens -----------------------------------------------------

// Exchanges x with y and width with height in an area header (its
// 16-bit fields at offsets 2, 4, 6 and 8).
void SwapAreaAxes(std::span<uint8_t, 14> areaHeader);
// The second form: in a run of four 16-bit fields, exchanges the first with
// the second and the third with the fourth (frame headers of list animations).
void SwapAreaAxes(std::span<uint8_t, 8> fourFields);

// The effect code for a rotated screen (5 to 8 form one cycle, every other
// listed code is exchanged with its partner).
int RotateEffectCode(int effectCode);

// True when a program is open and the screen's colour mode is below 4.
bool ItemMayStart();

// The one large scratch area, allocated on first use; null when it cannot
// be allocated. Its size is kWorkBufferSize: writers pass what is left of it
// as the capacity of whatever they render into it.
uint8_t* WorkBuffer();

// Takes back everything an item wrote when the item fails: the pack state,
// the headers below the old PackLength and the file length are restored
// unless Commit() was called.
class PackTransaction {
 public:
  PackTransaction();
  ~PackTransaction();
  PackTransaction(const PackTransaction&) = delete;
  PackTransaction& operator=(const PackTransaction&) = delete;
  void Commit() { committed_ = true; }

 private:
  PackState saved_;
  bool committed_ = false;
};

}  // namespace vexilo
