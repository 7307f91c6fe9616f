// The RTF reader: documents written by LibreOffice (fixtures made from the
// .fodt sources next to them, with the plain text LibreOffice exported), a
// document in the form a Windows rich-edit control writes, the control words
// one by one, and hostile input.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "lang/CodePageUnit.h"
#include "render/RichTextDocumentUnit.h"
#include "render/RtfReaderUnit.h"

namespace vexilo {
namespace {

std::string ReadFixture(const std::string& name) {
  std::ifstream f(std::string(VEXILO_SOURCE_DIR) + "/tests/render/fixtures/" + name, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

std::string U8(std::u16string_view s) { return Utf16ToUtf8(s); }

// The writer's plain text export (UTF-8 with a byte order mark, paragraphs
// ended by LF) in the document's terms: paragraph ends are one character.
std::u16string WriterText(const std::string& name) {
  std::string t = ReadFixture(name);
  if (t.rfind("\xEF\xBB\xBF", 0) == 0) t.erase(0, 3);
  std::u16string u = Utf8ToUtf16(t);
  for (char16_t& c : u) {
    if (c == u'\n') c = kRichParagraphMark;
  }
  return u;
}

struct Span {
  const char* Text;  // UTF-8, a run of the document
  const char* Face;
  int HalfPoints;
  ColorRef Color;
  bool Bold;
};

// Checks that the document's text is the spans (and paragraph marks) in order
// and that every character of a span has the span's format.
void ExpectSpans(const RichTextDocument& doc, const std::vector<Span>& spans) {
  int32_t pos = 0;
  for (const Span& s : spans) {
    const std::u16string text = Utf8ToUtf16(s.Text);
    if (text == u"\r") {
      EXPECT_EQ(doc.Text[static_cast<size_t>(pos)], kRichParagraphMark) << "at " << pos;
      ++pos;
      continue;
    }
    ASSERT_EQ(U8(RichTextRange(doc, pos, static_cast<int32_t>(text.size()))), s.Text);
    for (size_t k = 0; k < text.size(); ++k, ++pos) {
      const RichCharFormat& f = RichCharFormatAt(doc, pos);
      SCOPED_TRACE(std::string(s.Text) + " character " + std::to_string(k));
      EXPECT_EQ(U8(f.Face), s.Face);
      EXPECT_EQ(f.HalfPoints, s.HalfPoints);
      EXPECT_EQ(f.Color, s.Color);
      EXPECT_EQ(f.Bold, s.Bold);
    }
  }
  EXPECT_EQ(pos, RichTextLength(doc));
}

constexpr ColorRef kRed = MakeColorRef(255, 0, 0);
constexpr ColorRef kGreen = MakeColorRef(0, 255, 0);
constexpr ColorRef kBlue = MakeColorRef(0, 0, 255);
constexpr ColorRef kYellow = MakeColorRef(255, 255, 0);

// The fixtures' sources give Arial 12 pt red, 宋体 10.5 pt green and 宋体 9 pt
// bold blue to their spans; LibreOffice writes the Chinese runs with the East
// Asian properties (\dbch\af\afs\ab) and names 宋体 in Shift-JIS (\fcharset128).
TEST(RtfReader, LibreOfficeDocumentsGiveTheWritersTextFontsAndColours) {
  struct Case {
    const char* Name;
    std::vector<Span> Spans;
    std::vector<RichAlign> Aligns;
  };
  const Span r = {"", "Arial", 24, kRed, false};
  auto red = [&](const char* t) { Span s = r; s.Text = t; return s; };
  auto green = [](const char* t) { return Span{t, "宋体", 21, kGreen, false}; };
  auto blue = [](const char* t) { return Span{t, "宋体", 18, kBlue, true}; };
  const Span mark{"\r", "", 0, 0, false};
  const std::vector<Case> cases = {
      {"lo_shop",
       {red("LED Show "), green("欢迎光临"), mark, blue("今日特价 "), red("9.99"), mark, green("营业时间 "),
        red("8:00-22:00"), blue("谢谢"), mark},
       {RichAlign::Centre, RichAlign::Right, RichAlign::Left}},
      {"lo_mixed",
       {red("Open "), green("中文与English混排"), mark, blue("右对齐"), red("Right"), mark, green("第三段"),
        red("Tab&Co"), blue("完"), mark},
       {RichAlign::Centre, RichAlign::Right, RichAlign::Left}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    RichTextDocument doc;
    ASSERT_TRUE(ReadRtf(ReadFixture(std::string(c.Name) + ".rtf"), doc));
    EXPECT_EQ(U8(doc.Text), U8(WriterText(std::string(c.Name) + ".txt")));
    ExpectSpans(doc, c.Spans);
    ASSERT_EQ(doc.Paragraphs.size(), c.Aligns.size());
    for (size_t k = 0; k < c.Aligns.size(); ++k) {
      EXPECT_EQ(RichParagraphFormatAt(doc, doc.Paragraphs[k].Start).Align, c.Aligns[k]) << "paragraph " << k;
    }
  }
}

TEST(RtfReader, RichEditDocumentInGbk) {
  RichTextDocument doc;
  ASSERT_TRUE(ReadRtf(ReadFixture("richedit_gbk.rtf"), doc));
  ExpectSpans(doc, {{"欢迎", "宋体", 24, kRed, false},
                    {"LED", "Arial", 24, kGreen, false},
                    {"\r", "", 0, 0, false},
                    {"你好", "宋体", 18, kYellow, false},
                    {" OK", "Arial", 24, kRed, false},
                    {"\r", "", 0, 0, false}});
  EXPECT_EQ(RichCharFormatAt(doc, 0).CharSet, kGb2312CharSet);
  EXPECT_EQ(RichParagraphFormatAt(doc, 0).Align, RichAlign::Centre);
  EXPECT_EQ(RichParagraphFormatAt(doc, 6).Align, RichAlign::Right);
  EXPECT_EQ(RichHeightPixels(RichCharFormatAt(doc, 0)), 16);  // 12 pt at 96 DPI
  EXPECT_EQ(RichHeightPixels(RichCharFormatAt(doc, 6)), 12);  // 9 pt
  EXPECT_DOUBLE_EQ(RichPointSize(RichCharFormatAt(doc, 6)), 9.0);
}

// The plain text of small documents: what each control word adds.
TEST(RtfReader, PlainTextOfControlWords) {
  struct Case {
    const char* Rtf;
    std::u16string Text;
  };
  const std::vector<Case> cases = {
      // No paragraph mark the document does not write.
      {R"({\rtf1{\colortbl;\red255\green0\blue0;\red0\green255\blue0;}\cf1 AB\cf2 CD})", u"ABCD"},
      {R"({\rtf1 AB\par CD\par})", u"AB\rCD\r"},
      {R"({\rtf1 \par\par})", u"\r\r"},
      {R"({\rtf1 a\line b\tab c})", u"a\vb\tc"},
      // \u with the \uc count of replacement bytes passed over.
      {R"({\rtf1\uc1\u20013?\u25991?})", u"中文"},
      {R"({\rtf1\uc2\u20013\'d6\'d0x})", u"中x"},
      {R"({\rtf1\uc0\u20013 x})", u"中x"},
      {R"({\rtf1\u-3913?})", u"\uF0B7"},
      {R"({\rtf1{\uc3\u20013 abcd}e})", u"中de"},
      // \'hh in the code page of the font's character set.
      {R"({\rtf1\ansi{\fonttbl{\f0\fcharset0 Arial;}}\f0 caf\'e9})", u"café"},
      {R"({\rtf1\ansi\ansicpg936{\fonttbl{\f0\fcharset134 S;}}\f0\'d6\'d0\'ce\'c4})", u"中文"},
      {R"({\rtf1\ansi{\fonttbl{\f0\fcharset136 M;}}\f0\'a4\'a4\'a4\'e5})", u"中文"},
      // The default character set follows \ansicpg.
      {R"({\rtf1\ansi\ansicpg936{\fonttbl{\f0\fnil S;}}\f0\'d6\'d0})", u"中"},
      // Escapes and symbols.
      {R"({\rtf1 \{a\}\\ b\~c\emdash\endash\lquote\rquote\ldblquote\rdblquote\bullet})",
       u"{a}\\ b\u00A0c\u2014\u2013\u2018\u2019\u201C\u201D\u2022"},
      // Destinations passed over, \bin data with braces in it included.
      {R"({\rtf1{\stylesheet{\s0 Normal;}}{\info{\title T}}{\*\generator G;}{\*\unknowndest x}A{\pict\picw1 0a0b\bin3 }{x}B})",
       u"AB"},
      {R"({\rtf1{\*\shppict{\pict\bin2 {}}}{\nonshppict{\pict ff}}C})", u"C"},
      // Fields keep their result.
      {R"({\rtf1{\field{\*\fldinst HYPERLINK "x"}{\fldrslt link}}})", u"link"},
      // Unknown control words are ignored; line ends in the source are not text.
      {"{\\rtf1 a\\foo12 b\\barbaz\r\nc}", u"abc"},
  };
  for (const Case& c : cases) {
    RichTextDocument doc;
    ASSERT_TRUE(ReadRtf(c.Rtf, doc)) << c.Rtf;
    EXPECT_EQ(U8(doc.Text), U8(c.Text)) << c.Rtf;
    EXPECT_EQ(doc.CharFormats.size(), doc.Text.size());
  }
}

TEST(RtfReader, CharacterAndParagraphFormats) {
  RichTextDocument doc;
  ASSERT_TRUE(ReadRtf(
      R"({\rtf1\deff1{\fonttbl{\f0 Courier New;}{\f1 Arial;}}{\colortbl;\red255\green0\blue0;\red0\green0\blue255;})"
      R"(\pard\qc\sb120\sa60\sl-300 \f0\fs40\b\i\ul a\ulnone\b0\i0\cf1\highlight2 b\plain c\par)"
      R"(\pard\qj d{\qr\cb1 e}\par})",
      doc));
  ASSERT_EQ(U8(doc.Text), "abc\rde\r");
  const RichCharFormat& a = RichCharFormatAt(doc, 0);
  EXPECT_EQ(U8(a.Face), "Courier New");
  EXPECT_EQ(a.HalfPoints, 40);
  EXPECT_TRUE(a.Bold && a.Italic && a.Underline);
  const RichCharFormat& b = RichCharFormatAt(doc, 1);
  EXPECT_FALSE(b.Bold || b.Italic || b.Underline);
  EXPECT_EQ(b.Color, kRed);
  EXPECT_TRUE(b.HasBackColor);
  EXPECT_EQ(b.BackColor, kBlue);
  const RichCharFormat& c = RichCharFormatAt(doc, 2);  // \plain: the default font, 12 pt
  EXPECT_EQ(U8(c.Face), "Arial");
  EXPECT_EQ(c.HalfPoints, 24);
  EXPECT_EQ(c.Color, kColorBlack);
  EXPECT_FALSE(c.HasBackColor);
  const RichParagraphFormat& p0 = RichParagraphFormatAt(doc, 0);
  EXPECT_EQ(p0.Align, RichAlign::Centre);
  EXPECT_EQ(p0.SpaceBefore, 120);
  EXPECT_EQ(p0.SpaceAfter, 60);
  EXPECT_EQ(p0.LineSpacing, -300);
  // A paragraph takes the properties in force at its mark.
  EXPECT_EQ(RichParagraphFormatAt(doc, 4).Align, RichAlign::Justify);
  EXPECT_EQ(RichCharFormatAt(doc, 5).HasBackColor, true);
  EXPECT_EQ(RichCharFormatAt(doc, 5).BackColor, kRed);
  ASSERT_EQ(doc.Paragraphs.size(), 2u);
  EXPECT_EQ(doc.Paragraphs[0].End, 4);
  EXPECT_EQ(doc.Paragraphs[1].Start, 4);
}

// Hostile input fails or is clamped, never read past its end.
TEST(RtfReader, HostileInputFailsOrIsClamped) {
  struct Case {
    std::string Rtf;
    bool Ok;
    std::u16string Text;
    RtfReadStatus Status;
  };
  std::vector<Case> cases = {
      {"", false, u"", RtfReadStatus::NotRtf},
      {"plain text", false, u"", RtfReadStatus::NotRtf},
      {"{\\rtf1 a}}}b{c", true, u"a", RtfReadStatus::Ok},        // text after the closing brace
      {"{\\rtf1 a{\\b b{\\i c", true, u"abc", RtfReadStatus::Ok},  // braces that never close
      {std::string("{\\rtf1 ") + std::string(300, '{') + "x", false, u"", RtfReadStatus::TooDeep},
      {std::string("{\\rtf1 ") + std::string(200, '{') + "x" + std::string(200, '}') + "y}", true, u"xy",
       RtfReadStatus::Ok},
      {"{\\rtf1 a\\bin99999999999999999999 xyz}", true, u"a", RtfReadStatus::Ok},
      {"{\\rtf1 a\\bin-5 xyz}", true, u"axyz", RtfReadStatus::Ok},
      {"{\\rtf1 a\\'", true, u"a", RtfReadStatus::Ok},
      {"{\\rtf1 a\\'4", true, u"a", RtfReadStatus::Ok},
      {"{\\rtf1 a\\'zzb}", true, u"azzb", RtfReadStatus::Ok},
      {"{\\rtf1 a\\u99999999999999999999 ?b}", true, u"ab", RtfReadStatus::Ok},
      {"{\\rtf1 a\\", true, u"a", RtfReadStatus::Ok},
      {"{\\rtf1 a\\uc99999999999\\u20013 bcdefghijklmnopqrstuvwxyz}", true, u"a中rstuvwxyz", RtfReadStatus::Ok},
      {"{\\rtf1{\\fonttbl{\\f99999999999999 " + std::string(1000, 'N') + ";}}\\f99999999999999 z}", true, u"z",
       RtfReadStatus::Ok},
  };
  for (const Case& c : cases) {
    RichTextDocument doc;
    RtfReadStatus status = RtfReadStatus::Ok;
    EXPECT_EQ(ReadRtf(c.Rtf, doc, &status), c.Ok) << c.Rtf.substr(0, 60);
    EXPECT_EQ(status, c.Status) << c.Rtf.substr(0, 60);
    EXPECT_EQ(U8(doc.Text), U8(c.Text)) << c.Rtf.substr(0, 60);
  }
  // Huge sizes are held to their bounds.
  RichTextDocument doc;
  ASSERT_TRUE(ReadRtf("{\\rtf1\\fs99999999999 a\\fs-7 b\\fs0 c}", doc));
  EXPECT_EQ(RichCharFormatAt(doc, 0).HalfPoints, kRichMaxHalfPoints);
  EXPECT_EQ(RichCharFormatAt(doc, 1).HalfPoints, kRichMinHalfPoints);
  EXPECT_EQ(RichCharFormatAt(doc, 2).HalfPoints, kRichMinHalfPoints);
  ASSERT_TRUE(ReadRtf("{\\rtf1{\\colortbl;\\red999\\green-4\\blue300;}\\cf1 a\\cf99999999999 b}", doc));
  EXPECT_EQ(RichCharFormatAt(doc, 0).Color, MakeColorRef(255, 0, 255));
  EXPECT_EQ(RichCharFormatAt(doc, 1).Color, kColorBlack);
}

}  // namespace
}  // namespace vexilo
