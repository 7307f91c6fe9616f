// The rich-text document: what the list item's rich-text control holds once
// an RTF document is loaded into it (RtfReaderUnit reads one), and the
// queries the list item and the rich-text renderers make of it.
//
// Character positions count UTF-16 code units of the plain text. Every
// paragraph end is one character, u'\r' (the CR LF of the control counted
// once); a line break inside a paragraph is u'\v' and a tab u'\t'. The last
// paragraph ends with a mark only when the document writes one: the text of
// "AB" and "CD" in two colours without \par is four characters.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "render/DrawingUnit.h"

namespace vexilo {

inline constexpr char16_t kRichParagraphMark = u'\r';
inline constexpr char16_t kRichLineBreak = u'\v';
inline constexpr char16_t kRichTab = u'\t';

// Font sizes are kept in half points (RTF's \fs); 12 pt unless a document
// says otherwise. Sizes beyond these bounds are clamped when a document is
// read, so that no document asks the drawing services for a glyph larger
// than a page can ever be.
inline constexpr int32_t kRichDefaultHalfPoints = 24;
inline constexpr int32_t kRichMinHalfPoints = 2;
inline constexpr int32_t kRichMaxHalfPoints = 2 * 1500;

struct RichCharFormat {
  std::u16string Face;                 // the font's name as the document gives it ("宋体", "Arial")
  uint8_t CharSet = kDefaultCharSet;   // the font's character set (134 GB2312, 136 Big5, 0 ANSI, ...)
  int32_t HalfPoints = kRichDefaultHalfPoints;
  ColorRef Color = kColorBlack;
  bool HasBackColor = false;           // \cb or \highlight
  ColorRef BackColor = kColorWhite;
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool operator==(const RichCharFormat&) const = default;
};

enum class RichAlign : uint8_t { Left, Centre, Right, Justify };

struct RichParagraphFormat {
  RichAlign Align = RichAlign::Left;
  int32_t SpaceBefore = 0;   // twips (\sb)
  int32_t SpaceAfter = 0;    // twips (\sa)
  int32_t LineSpacing = 0;   // twips (\sl): 0 single, > 0 at least, < 0 exactly
  bool LineMultiple = false; // \slmult1: LineSpacing / 240 lines
  bool operator==(const RichParagraphFormat&) const = default;
};

struct RichParagraph {
  int32_t Start = 0;  // first character
  int32_t End = 0;    // one past the last, the mark included when there is one
  uint32_t Format = 0;
};

// The lines kept between render calls (RichTextLayoutUnit). They belong to
// one document object: a copy of a document starts without them.
struct RichTextLayoutCache;
struct RichLayoutSlot {
  std::shared_ptr<RichTextLayoutCache> Cache;
  RichLayoutSlot() = default;
  RichLayoutSlot(const RichLayoutSlot&) {}
  RichLayoutSlot& operator=(const RichLayoutSlot&) {
    Cache.reset();
    return *this;
  }
  RichLayoutSlot(RichLayoutSlot&&) = default;
  RichLayoutSlot& operator=(RichLayoutSlot&&) = default;
};

struct RichTextDocument {
  std::u16string Text;
  std::vector<uint32_t> CharFormats;  // per character: an index into Formats
  std::vector<RichCharFormat> Formats;
  std::vector<RichParagraph> Paragraphs;  // in order, covering the whole text
  std::vector<RichParagraphFormat> ParagraphFormats;
  ColorRef Background = kColorWhite;  // the control's background colour
  int32_t DefaultTab = 720;           // twips between default tab stops (\deftab)

  // The renderers keep the document's lines here, so that counting its pages
  // and drawing each of them costs about one layout in all. With KeepLayout
  // false every layout is made afresh (the pages are the same either way).
  bool KeepLayout = true;
  RichLayoutSlot Layout;
};

// Empties the document (its background colour stays).
void ClearRichText(RichTextDocument& doc);

// The length in characters (a paragraph end counted once).
inline int32_t RichTextLength(const RichTextDocument& doc) { return static_cast<int32_t>(doc.Text.size()); }

// The format of character pos; of the last character when pos lies at or past
// the end; a default format for an empty document.
const RichCharFormat& RichCharFormatAt(const RichTextDocument& doc, int32_t pos);

// The paragraph holding character pos (clamped as above), and its format.
const RichParagraph* RichParagraphAt(const RichTextDocument& doc, int32_t pos);
const RichParagraphFormat& RichParagraphFormatAt(const RichTextDocument& doc, int32_t pos);

// The characters from start, count of them, clipped to the text.
std::u16string_view RichTextRange(const RichTextDocument& doc, int32_t start, int32_t count);

// A format's size in points (10.5 for \fs21) and its em height in pixels at
// the rasters' density, rounded as MulDiv rounds (16 for 12 pt).
double RichPointSize(const RichCharFormat& format);
int32_t RichHeightPixels(const RichCharFormat& format);

// Building a document: a format is added once and shared by the characters
// appended in it; paragraphs are closed with EndRichParagraph.
uint32_t AddRichFormat(RichTextDocument& doc, const RichCharFormat& format);
void AppendRichChar(RichTextDocument& doc, char16_t c, uint32_t format);
// Closes the paragraph that began after the previous one at the end of the
// text so far (its mark, when it has one, already appended).
void EndRichParagraph(RichTextDocument& doc, const RichParagraphFormat& format);

// Drops the kept lines, the fonts and the layout counts; to be called after
// the text or the formats are changed other than by reading a document.
void DropRichLayout(RichTextDocument& doc);

}  // namespace vexilo
