/*
 * quickstart: a host program that uses only vexilo.h.
 *
 * It writes a sample "LED.INI" into a demo folder (VEXILO_HOME, which the
 * library reads at load), builds a pack of six programs for screen 1 (a
 * red/green panel of 128 x 32): a single-line text and a static text in the
 * first, a paged text in the second, in Chinese and Latin, a picture in the
 * third (a small bitmap file that the program draws and writes itself), and
 * a live clock and a count-down timer in the fourth, and a list of a table,
 * a text and the picture in the fifth, and an animation (a GIF the program
 * writes itself) in the sixth; seals it and prints the pack's structure as
 * read back from "Swap.Dat".
 *
 * With VEXILO_DEMO_CARD=address:port it then sends the pack to the card at
 * that UDP address, switches the screen on, sets its clock and selects a
 * program.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "vexilo.h"

static const char kLedIni[] =
    /* [地址: 1] in GBK */
    "[\xB5\xD8\xD6\xB7: 1]\r\n"
    "COMPort=COM1\r\n"
    "BaudRate=38400bps\r\n"
    "LinkAddr=1\r\n"
    "Color=2\r\n"
    "Width=128\r\n"
    "Height=32\r\n"
    "WaitmSec=300\r\n";

/* Texts in GBK: 宋体; 欢迎光临 Welcome; 今日特价 LED 显示屏; and a paragraph. */
static const char kSong[] = "\xCB\xCE\xCC\xE5";
static const char kWelcome[] = "\xBB\xB6\xD3\xAD\xB9\xE2\xC1\xD9 Welcome";
static const char kOffer[] = "\xBD\xF1\xC8\xD5\xCC\xD8\xBC\xDB LED \xCF\xD4\xCA\xBE\xC6\xC1";
static const char kParagraph[] =
    "Vexilo \xB0\xD1\xCE\xC4\xD7\xD6\xA1\xA2\xCD\xBC\xC6\xAC\xBA\xCD\xCA\xB1\xD6\xD3\xCB\xCD\xB5\xBD LED "
    "\xCF\xD4\xCA\xBE\xC6\xC1\xC9\xCF\xA1\xA3\xC3\xBF\xD2\xBB\xD2\xB3\xB6\xBC\xD4\xDA\xD6\xF7\xBB\xFA"
    "\xC9\xCF\xC5\xC5\xBA\xC3\xB0\xE6\xA3\xAC\xC8\xBB\xBA\xF3\xD2\xBB\xB0\xFC\xD2\xBB\xB0\xFC\xB5\xD8"
    "\xB7\xA2\xB8\xF8\xBF\xD8\xD6\xC6\xBF\xA8\xA1\xA3";

static unsigned be32(const unsigned char* p) {
  return ((unsigned)p[0] << 24) | ((unsigned)p[1] << 16) | ((unsigned)p[2] << 8) | p[3];
}

static unsigned short crc16(const unsigned char* p, size_t n) {
  unsigned short crc = 0;
  size_t i;
  int b;
  for (i = 0; i < n; ++i) {
    crc ^= (unsigned short)(p[i] << 8);
    for (b = 0; b < 8; ++b) crc = (crc & 0x8000) ? (unsigned short)((crc << 1) ^ 0x1021) : (unsigned short)(crc << 1);
  }
  return crc;
}

static int print_pack(const char* path) {
  unsigned char buf[65536];
  size_t n, pos = 2;
  FILE* f = fopen(path, "rb");
  if (!f) {
    fprintf(stderr, "quickstart: cannot read %s\n", path);
    return 1;
  }
  n = fread(buf, 1, sizeof buf, f);
  fclose(f);
  if (n < 2) {
    fprintf(stderr, "quickstart: pack too short\n");
    return 1;
  }
  printf("pack: %u bytes, %u program(s), %u plane(s)\n", (unsigned)n, buf[0], buf[1]);
  while (n - pos >= 7) {
    unsigned len = be32(buf + pos + 3);
    size_t apos = pos + 7;
    if (len < 7 || len > n - pos) break;
    printf("  program %u: %u area(s), option %u, %u bytes\n", buf[pos], buf[pos + 1], buf[pos + 2], len);
    while (apos + 14 <= pos + len) {
      unsigned alen = be32(buf + apos + 10);
      if (alen < 14) break;
      printf("    area %u: type %u at (%u,%u) %ux%u, %u bytes\n", buf[apos], buf[apos + 1],
             (buf[apos + 2] << 8) | buf[apos + 3], (buf[apos + 4] << 8) | buf[apos + 5],
             (buf[apos + 6] << 8) | buf[apos + 7], (buf[apos + 8] << 8) | buf[apos + 9], alen);
      apos += alen;
    }
    pos += len;
  }
  if (n - pos == 2) {
    unsigned seal = (buf[pos] << 8) | buf[pos + 1];
    printf("  seal %04X (%s)\n", seal, seal == crc16(buf, pos) ? "checks" : "WRONG");
  }
  return 0;
}

/* Writes a 128 x 32 picture as a 24-bit Windows bitmap: a sun over green
 * hills on a red sky, in the colours a red/green panel shows. */
static int write_picture(const char* path) {
  enum { W = 128, H = 32, STRIDE = W * 3 };
  unsigned char header[54];
  unsigned char row[STRIDE];
  const unsigned size = 54 + STRIDE * H;
  int x, y, i;
  FILE* f = fopen(path, "wb");
  if (!f) return 1;
  memset(header, 0, sizeof header);
  header[0] = 'B';
  header[1] = 'M';
  for (i = 0; i < 4; ++i) {
    header[2 + i] = (unsigned char)(size >> (8 * i));
    header[18 + i] = (unsigned char)((unsigned)W >> (8 * i));
    header[22 + i] = (unsigned char)((unsigned)H >> (8 * i));
  }
  header[10] = 54;
  header[14] = 40;
  header[26] = 1;
  header[28] = 24;
  fwrite(header, 1, sizeof header, f);
  for (y = H - 1; y >= 0; --y) { /* rows bottom-up */
    for (x = 0; x < W; ++x) {
      int dx = x - 96, dy = y - 10, hill = 24 + ((x / 8) % 4 == 0 ? -2 : (x / 16) % 2);
      unsigned char r = 0, g = 0;
      if (dx * dx + dy * dy <= 49) r = g = 255;      /* yellow sun */
      else if (y >= hill) g = 255;                   /* green hills */
      else if ((x + y) % 9 == 0) r = 255;            /* red rain on black */
      row[3 * x] = 0;
      row[3 * x + 1] = g;
      row[3 * x + 2] = r;
    }
    fwrite(row, 1, sizeof row, f);
  }
  return fclose(f) == 0 ? 0 : 1;
}

/* A list of three entries, one after another in one page area of 128 x 32:
 * a table of prices, a text in yellow and the picture, read into memory. */
static int add_list(const char* picturePath) {
  static const unsigned short kText[] = {'F', 'r', 'e', 's', 'h', ' ', 'b', 'r', 'e', 'a', 'd', ' ',
                                         'e', 'v', 'e', 'r', 'y', ' ', 'm', 'o', 'r', 'n', 'i', 'n', 'g', 0};
  static const char* kCells[2][2] = {{"Bread", "2.10"}, {"Milk", "0.95"}};
  static unsigned char table[sizeof(TableHeader) + 4 * 4 + 4 * sizeof(TableCell)];
  static unsigned char picture[54 + 128 * 3 * 32];
  TableHeader header;
  TListEntry entries[3];
  TListParam list;
  size_t at = sizeof header, n;
  int r, c, result;
  FILE* f = fopen(picturePath, "rb");
  if (!f) return 1;
  n = fread(picture, 1, sizeof picture, f);
  fclose(f);

  memset(&header, 0, sizeof header);
  header.RowCount = 2;
  header.ColumnCount = 2;
  header.GridColor = 0x00FF00; /* green grid (red in the lowest byte) */
  memcpy(table, &header, sizeof header);
  for (r = 0; r < 2; ++r, at += 4) { int32_t h = 16; memcpy(table + at, &h, 4); }
  for (c = 0; c < 2; ++c, at += 4) { int32_t w = 64; memcpy(table + at, &w, 4); }
  for (r = 0; r < 2; ++r) {
    for (c = 0; c < 2; ++c, at += sizeof(TableCell)) {
      TableCell cell;
      memset(&cell, 0, sizeof cell);
      cell.CellFontSize = 9;
      cell.CellColor = c == 0 ? 0x0000FF : 0x00FFFF; /* red names, yellow prices */
      cell.CellAlign = c == 0 ? 1 : 3;
      strcpy(cell.CellText, kCells[r][c]);
      memcpy(table + at, &cell, sizeof cell);
    }
  }

  memset(entries, 0, sizeof entries);
  memset(&list, 0, sizeof list);
  entries[0].Data = table;
  entries[0].Effect = 1;
  entries[0].Speed = 4;
  entries[0].StayTime = 5;
  entries[1].Data = kText;
  entries[1].Effect = 2;
  entries[1].Speed = 4;
  entries[1].StayTime = 3;
  entries[1].Setting.Font.FaceName = kSong;
  entries[1].Setting.Font.Size = 16;
  entries[1].Setting.Font.TextColor = VEXILO_COLOR_YELLOW;
  entries[2].Data = picture;
  entries[2].DataSize = (uint32_t)n;
  entries[2].Effect = 1;
  entries[2].StayTime = 5;
  list.AreaWidth = 128;
  list.AreaHeight = 32;
  list.EntryCount = 3;
  list.EntryKinds[0] = VEXILO_ENTRY_TABLE;
  list.EntryKinds[1] = VEXILO_ENTRY_TEXT;
  list.EntryKinds[2] = VEXILO_ENTRY_PICTURE;
  list.Entries[0] = &entries[0];
  list.Entries[1] = &entries[1];
  list.Entries[2] = &entries[2];
  result = User_AddCustomList(&list, NULL);
  return result == 0 ? 0 : 1;
}

/* A small animated GIF, made here so that the demo needs no file of its
 * own: a yellow ball that rolls along a green floor on black, 8 frames of
 * 64 x 32 pixels. The picture data uses literal codes only, with a clear
 * code before every second one, so the code width stays at 3 bits. */
#define GIF_W 64
#define GIF_H 32
#define GIF_FRAMES 8

struct gif_bits {
  unsigned char block[256];
  int used;
  unsigned long acc;
  int bits;
  FILE* f;
};

static void gif_flush_block(struct gif_bits* b) {
  if (b->used == 0) return;
  fputc(b->used, b->f);
  fwrite(b->block, 1, (size_t)b->used, b->f);
  b->used = 0;
}

static void gif_code(struct gif_bits* b, unsigned code) {
  b->acc |= (unsigned long)code << b->bits;
  b->bits += 3;
  while (b->bits >= 8) {
    b->block[b->used++] = (unsigned char)(b->acc & 0xFF);
    b->acc >>= 8;
    b->bits -= 8;
    if (b->used == 255) gif_flush_block(b);
  }
}

static int write_animation(const char* path) {
  static const unsigned char kHead[] = {'G', 'I', 'F', '8', '9', 'a', GIF_W, 0, GIF_H, 0, 0x81, 0, 0,
                                        0, 0, 0, 255, 255, 0, 0, 255, 0, 255, 0, 0};
  struct gif_bits b;
  int frame, x, y, n;
  FILE* f = fopen(path, "wb");
  if (!f) return 1;
  fwrite(kHead, 1, sizeof kHead, f); /* black, yellow, green, red */
  for (frame = 0; frame < GIF_FRAMES; ++frame) {
    const unsigned char control[] = {0x21, 0xF9, 4, 0x04, 20, 0, 0, 0}; /* 0.2 s, keep the frame */
    const unsigned char image[] = {0x2C, 0, 0, 0, 0, GIF_W, 0, GIF_H, 0, 0, 2};
    const int cx = 4 + frame * 7, cy = 18;
    fwrite(control, 1, sizeof control, f);
    fwrite(image, 1, sizeof image, f);
    memset(&b, 0, sizeof b);
    b.f = f;
    n = 0;
    for (y = 0; y < GIF_H; ++y) {
      for (x = 0; x < GIF_W; ++x, ++n) {
        const int dx = x - cx, dy = y - cy;
        unsigned index = 0;
        if (dx * dx + dy * dy <= 25) index = 1;
        else if (y >= 24) index = (x + frame) % 8 < 6 ? 2 : 3;
        if (n % 2 == 0) gif_code(&b, 4); /* clear */
        gif_code(&b, index);
      }
    }
    gif_code(&b, 5); /* end of information */
    if (b.bits > 0) {
      b.block[b.used++] = (unsigned char)(b.acc & 0xFF);
      b.bits = 0;
    }
    gif_flush_block(&b);
    fputc(0, f);
  }
  fputc(0x3B, f);
  return fclose(f) == 0 ? 0 : 1;
}

/* The animation as a list of one animation entry, in the area's middle. */
static int add_animation(const char* gifPath) {
  static unsigned char data[16384];
  TListEntry entry;
  TListParam list;
  size_t n;
  FILE* f = fopen(gifPath, "rb");
  if (!f) return 1;
  n = fread(data, 1, sizeof data, f);
  fclose(f);
  memset(&entry, 0, sizeof entry);
  memset(&list, 0, sizeof list);
  entry.Data = data;
  entry.DataSize = (uint32_t)n;
  list.AreaX = 32;
  list.AreaWidth = GIF_W;
  list.AreaHeight = GIF_H;
  list.EntryCount = 1;
  list.EntryKinds[0] = VEXILO_ENTRY_ANIMATION;
  list.Entries[0] = &entry;
  return User_AddCustomList(&list, NULL) == 0 ? 0 : 1;
}

/* Screen 1 of LED.INI: the serial example, or, when VEXILO_DEMO_CARD names a
 * card as "address:port", a UDP screen at that card. */
static void write_screen(FILE* ini, const char* card) {
  char address[64];
  const char* colon;
  if (card == NULL || (colon = strrchr(card, ':')) == NULL || (size_t)(colon - card) >= sizeof address) {
    fputs(kLedIni, ini);
    return;
  }
  memcpy(address, card, (size_t)(colon - card));
  address[colon - card] = '\0';
  fprintf(ini,
          "[\xB5\xD8\xD6\xB7: 1]\r\n"
          "LinkMode=TCP/IP\r\nIPAddr=%s\r\nPortNO=%s\r\nLinkAddr=1\r\n"
          "Color=2\r\nWidth=128\r\nHeight=32\r\nWaitmSec=300\r\n",
          address, colon + 1);
}

/* Sends the pack plain and compressed, switches the screen on, sets its
 * clock and selects the second program. */
static int send_to_card(void) {
  int failures = 0;
  uint8_t r;
  r = User_SendToScreen(1);
  printf("send pack: %s\n", r ? "done" : "FAILED");
  failures += !r;
  r = User_SendToScreenX(1, 1, 254, 3);
  printf("send pack compressed: %s\n", r ? "done" : "FAILED");
  failures += !r;
  r = User_OpenScreen(1);
  printf("screen on: %s\n", r ? "done" : "FAILED");
  failures += !r;
  r = User_AdjustTime(1);
  printf("clock set: %s\n", r ? "done" : "FAILED");
  failures += !r;
  r = User_SelectScreenProgram(1, 0, 2);
  printf("program 2 selected: %s\n", r ? "done" : "FAILED");
  failures += !r;
  return failures == 0 ? 0 : 1;
}

int main(void) {
  const char* home = getenv("VEXILO_HOME");
  char path[4096];
  FILE* ini;

  if (home == NULL || home[0] == '\0') {
    fprintf(stderr, "quickstart: set VEXILO_HOME to the demo folder\n");
    return 2;
  }
  snprintf(path, sizeof path, "%s/LED.INI", home);
  ini = fopen(path, "wb");
  if (!ini) {
    fprintf(stderr, "quickstart: cannot write %s\n", path);
    return 1;
  }
  write_screen(ini, getenv("VEXILO_DEMO_CARD"));
  fclose(ini);

  User_UseDebug(1);
  if (User_InitBuffer(1) != 1) {
    fprintf(stderr, "quickstart: screen 1 not found in LED.INI\n");
    return 1;
  }
  if (User_AddProgram(0, 0) != 0) {
    fprintf(stderr, "quickstart: could not add the first program\n");
    return 1;
  }
  {
    /* One line at a time, moving in from the right (effect 1). */
    TSingleTextParam single;
    memset(&single, 0, sizeof single);
    single.Text = kWelcome;
    single.AreaWidth = 128;
    single.AreaHeight = 16;
    single.Font.FaceName = kSong;
    single.Font.Size = 16;
    single.Font.TextColor = VEXILO_COLOR_RED;
    single.Effect = 1;
    single.Speed = 4;
    single.StayTime = 3;
    if (User_AddSingleText(&single) != 0) fprintf(stderr, "quickstart: single-line text failed\n");
  }
  {
    /* A still, centred text in yellow with a green frame. */
    TStaticTextParam still;
    memset(&still, 0, sizeof still);
    still.Text = kOffer;
    still.AreaY = 16;
    still.AreaWidth = 128;
    still.AreaHeight = 16;
    still.FrameWidth = 1;
    still.FrameColor = VEXILO_COLOR_GREEN;
    still.Font.FaceName = kSong;
    still.Font.Size = 12;
    still.Font.Centered = 1;
    still.Font.TextColor = VEXILO_COLOR_YELLOW;
    if (User_AddStaticText(&still) != 0) fprintf(stderr, "quickstart: static text failed\n");
  }
  if (User_AddProgram(0, 1) != 0) {
    fprintf(stderr, "quickstart: could not add the second program\n");
    return 1;
  }
  {
    /* A paragraph laid out over as many full pages as it needs. */
    TTextParam paged;
    memset(&paged, 0, sizeof paged);
    paged.Text = kParagraph;
    paged.AreaWidth = 128;
    paged.AreaHeight = 32;
    paged.Font.FaceName = kSong;
    paged.Font.Size = 16;
    paged.Font.TextColor = VEXILO_COLOR_GREEN;
    paged.Effect = 1;
    paged.Speed = 2;
    paged.StayTime = 5;
    if (User_AddText(&paged) != 0) fprintf(stderr, "quickstart: paged text failed\n");
  }
  if (User_AddProgram(0, 2) != 0) {
    fprintf(stderr, "quickstart: could not add the third program\n");
    return 1;
  }
  snprintf(path, sizeof path, "%s/sun.bmp", home);
  if (write_picture(path) != 0) {
    fprintf(stderr, "quickstart: cannot write %s\n", path);
    return 1;
  }
  {
    /* The picture as one page, unscaled, moving in from the left (effect 2). */
    TBmpParam picture;
    memset(&picture, 0, sizeof picture);
    picture.AreaWidth = 128;
    picture.AreaHeight = 32;
    picture.Effect = 2;
    picture.Speed = 3;
    picture.StayTime = 5;
    if (User_AddBmp(path, &picture) != 0) fprintf(stderr, "quickstart: picture failed\n");
  }
  if (User_AddProgram(0, 3) != 0) {
    fprintf(stderr, "quickstart: could not add the fourth program\n");
    return 1;
  }
  {
    /* The card's date and time, drawn from digit glyphs the library sends:
     * 2025-06-01 12:30 style, in red on the top half. */
    TDateTimeParam clock;
    memset(&clock, 0, sizeof clock);
    clock.AreaWidth = 128;
    clock.AreaHeight = 16;
    clock.Font.FaceName = kSong;
    clock.Font.Size = 12;
    clock.Font.TextColor = VEXILO_COLOR_RED;
    clock.DateStyle = 0;
    clock.SingleLine = 1;
    clock.ShowYear = 1;
    clock.ShowMonth = 1;
    clock.ShowDay = 1;
    clock.ShowHour = 1;
    clock.ShowMinute = 1;
    if (User_AddDateTime(&clock) != 0) fprintf(stderr, "quickstart: clock failed\n");
  }
  {
    /* Days, hours and minutes left until 2030-01-01 00:00:00 (BCD), with
     * their words, in green on the bottom half. */
    TTimerParam timer;
    memset(&timer, 0, sizeof timer);
    timer.AreaY = 16;
    timer.AreaWidth = 128;
    timer.AreaHeight = 16;
    timer.Font.FaceName = kSong;
    timer.Font.Size = 12;
    timer.Font.TextColor = VEXILO_COLOR_GREEN;
    timer.TargetYear = 0x30;
    timer.TargetMonth = 0x01;
    timer.TargetDay = 0x01;
    timer.CountDown = 1;
    timer.SingleLine = 1;
    timer.ShowDays = 1;
    timer.ShowHours = 1;
    timer.ShowMinutes = 1;
    if (User_AddTimer(&timer) != 0) fprintf(stderr, "quickstart: timer failed\n");
  }
  if (User_AddProgram(0, 4) != 0) {
    fprintf(stderr, "quickstart: could not add the fifth program\n");
    return 1;
  }
  if (add_list(path) != 0) fprintf(stderr, "quickstart: list failed\n");
  if (User_AddProgram(0, 5) != 0) {
    fprintf(stderr, "quickstart: could not add the sixth program\n");
    return 1;
  }
  snprintf(path, sizeof path, "%s/ball.gif", home);
  if (write_animation(path) != 0) {
    fprintf(stderr, "quickstart: cannot write %s\n", path);
    return 1;
  }
  if (add_animation(path) != 0) fprintf(stderr, "quickstart: animation failed\n");
  User_CompletePack();
  User_UseDebug(0);

  snprintf(path, sizeof path, "%s/Swap.Dat", home);
  if (print_pack(path) != 0) return 1;
  return getenv("VEXILO_DEMO_CARD") != NULL ? send_to_card() : 0;
}
