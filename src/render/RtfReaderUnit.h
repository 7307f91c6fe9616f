// Reads an RTF document into a RichTextDocument: the documents that Windows
// rich-edit controls and word processors (LibreOffice, Word) write.
//
// Read: groups and destinations (\fonttbl with \fcharset and font names,
// \colortbl; \stylesheet, \info, \pict, \* destinations and the like are
// passed over, \bin data included), \ansicpg, \'hh bytes in the code page of
// the current font's character set, \uN with \ucN, \f, \fs, \b, \i,
// \ul/\ulnone, \cf, \cb/\highlight, \plain, \pard, \par, \line, \tab,
// \ql/\qc/\qr/\qj, \sb/\sa/\sl/\slmult, \deff, \deftab, and the East Asian
// run properties word processors write (\dbch with \af, \afs, \ab, \ai).
// Unknown control words are ignored.
//
// Hostile input fails or is clamped: numbers are held to 32 bits and sizes
// to their bounds, \bin never reads past the input, a truncated \' escape is
// dropped, nesting deeper than kMaxRtfDepth fails, a document whose braces do
// not close keeps what was read, and text after the closing brace is ignored.
#pragma once
#include <cstdint>
#include <string_view>

#include "render/RichTextDocumentUnit.h"

namespace vexilo {

inline constexpr int kMaxRtfDepth = 256;

enum class RtfReadStatus : uint8_t {
  Ok,
  NotRtf,    // the input does not start with {\rtf
  TooDeep,   // groups nested deeper than kMaxRtfDepth
  TooLarge,  // more than kMaxRtfInput bytes
};

// The largest document read (a resource bound far beyond any LED list).
inline constexpr size_t kMaxRtfInput = size_t{64} << 20;

// Replaces the document's text and formats with those of the RTF document
// (the background colour stays). On failure the document is left empty.
bool ReadRtf(std::string_view rtf, RichTextDocument& doc, RtfReadStatus* status = nullptr);

// The iconv name of the code page of a font character set (\fcharset), or of
// the document's code page for the default set (1) and unknown sets.
const char* RtfCharSetCodePage(int charSet, int documentCodePage);

}  // namespace vexilo
