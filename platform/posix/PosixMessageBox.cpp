// Drawing an information box as text: a frame of box-drawing characters
// around a title line and the text, in UTF-8.
#include "platform/posix/PosixMessageBox.h"

#include "platform/posix/PosixWrite.h"

namespace {

// Code points of the bytes 0x80 to 0xBF; 0x98 is unassigned and shows as
// U+FFFD. From 0xC0 to 0xFF the bytes are the Cyrillic letters U+0410 to
// U+044F, in order.
const uint16_t UpperHalf[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 0x88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 0x98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // 0xA0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // 0xA8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // 0xB0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // 0xB8
};

// Output is gathered here and written in few calls: the whole help box
// fits into one.
struct BoxWriter {
  int Descriptor;
  bool Failed;
  int Used;
  char Buffer[8192];
};

void Flush(BoxWriter& Out) {
  size_t Done = 0;
  if (!Out.Failed &&
      WriteWhole(Out.Descriptor, Out.Buffer, static_cast<size_t>(Out.Used), Done) != 0)
    Out.Failed = true;
  Out.Used = 0;
}

// Count is at most a few bytes: one character or one piece of the frame.
void Put(BoxWriter& Out, const char* Bytes, int Count) {
  if (Out.Used + Count > static_cast<int>(sizeof Out.Buffer)) Flush(Out);
  for (int I = 0; I < Count; ++I) Out.Buffer[Out.Used + I] = Bytes[I];
  Out.Used += Count;
}

void Put(BoxWriter& Out, const char* Bytes) {
  int Count = 0;
  while (Bytes[Count]) ++Count;
  Put(Out, Bytes, Count);
}

void PutCharacter(BoxWriter& Out, uint8_t Byte) {
  // A control byte would move the terminal's cursor and break the frame.
  if (Byte < 0x20 || Byte == 0x7F) Byte = '?';
  char Utf8[3];
  const int Count = Cp1251ToUtf8(Byte, Utf8);
  Put(Out, Utf8, Count);
}

struct BoxLine {
  const uint8_t* Start;
  int Length;  // in bytes, which are characters
};

struct LineCursor {
  const uint8_t* Position;  // null past the last line
  bool Wrapped;             // the last line was cut from a longer one
};

const uint8_t* LineEnd(const uint8_t* Position) {
  while (*Position != 0 && *Position != '\r' && *Position != '\n') ++Position;
  return Position;
}

// Past the line break at Break, or null at the text's end.
const uint8_t* PastBreak(const uint8_t* Break) {
  if (*Break == 0) return nullptr;
  return Break[0] == '\r' && Break[1] == '\n' ? Break + 2 : Break + 1;
}

// The next line to show: up to a line break or the end of the text, or,
// when that is longer than the box, up to the last blank that fits (the
// blanks there are dropped), or cut at the box's width if there is none.
bool NextLine(LineCursor& Cursor, BoxLine& Line) {
  const uint8_t* Start = Cursor.Position;
  if (!Start) return false;
  const uint8_t* End = LineEnd(Start);
  if (Cursor.Wrapped && End == Start) {
    // A wrap at the very end of a line: its break makes no extra line.
    Start = PastBreak(End);
    Cursor = {Start, false};
    if (!Start) return false;
    End = LineEnd(Start);
  }
  Cursor.Wrapped = End - Start > TextBoxWidth;
  if (!Cursor.Wrapped) {
    Line = {Start, static_cast<int>(End - Start)};
    Cursor.Position = PastBreak(End);
    return true;
  }
  const uint8_t* Blank = Start + TextBoxWidth;
  while (Blank > Start && *Blank != ' ') --Blank;
  if (Blank == Start) Blank = Start + TextBoxWidth;
  Line = {Start, static_cast<int>(Blank - Start)};
  while (*Blank == ' ') ++Blank;
  Cursor.Position = Blank;
  return true;
}

LineCursor LinesOf(const char* Text) {
  return {reinterpret_cast<const uint8_t*>(Text ? Text : ""), false};
}

int WidestLine(const char* Text) {
  int Widest = 0;
  LineCursor Cursor = LinesOf(Text);
  BoxLine Line;
  while (NextLine(Cursor, Line))
    if (Line.Length > Widest) Widest = Line.Length;
  return Widest;
}

// A horizontal rule across the box, between the two corner pieces.
void PutRule(BoxWriter& Out, const char* Left, const char* Right, int Width) {
  Put(Out, Left);
  for (int I = 0; I < Width + 2; ++I) Put(Out, "─");
  Put(Out, Right);
  Put(Out, "\n");
}

void PutLines(BoxWriter& Out, const char* Text, int Width) {
  LineCursor Cursor = LinesOf(Text);
  BoxLine Line;
  while (NextLine(Cursor, Line)) {
    Put(Out, "│ ");
    for (int I = 0; I < Line.Length; ++I) PutCharacter(Out, Line.Start[I]);
    for (int I = Line.Length; I < Width; ++I) Put(Out, " ");
    Put(Out, " │\n");
  }
}

}  // namespace

int Cp1251ToUtf8(uint8_t Byte, char (&Utf8)[3]) {
  uint16_t Point = Byte < 0x80   ? Byte
                   : Byte < 0xC0 ? UpperHalf[Byte - 0x80]
                                 : 0x0410 + (Byte - 0xC0);
  if (Point < 0x80) {
    Utf8[0] = static_cast<char>(Point);
    return 1;
  }
  if (Point < 0x800) {
    Utf8[0] = static_cast<char>(0xC0 | Point >> 6);
    Utf8[1] = static_cast<char>(0x80 | (Point & 0x3F));
    return 2;
  }
  Utf8[0] = static_cast<char>(0xE0 | Point >> 12);
  Utf8[1] = static_cast<char>(0x80 | (Point >> 6 & 0x3F));
  Utf8[2] = static_cast<char>(0x80 | (Point & 0x3F));
  return 3;
}

bool WriteTextBox(int Descriptor, const char* Text, const char* Caption) {
  int Width = WidestLine(Caption);
  if (WidestLine(Text) > Width) Width = WidestLine(Text);
  BoxWriter Out;
  Out.Descriptor = Descriptor;
  Out.Failed = false;
  Out.Used = 0;
  PutRule(Out, "┌", "┐", Width);
  PutLines(Out, Caption, Width);
  PutRule(Out, "├", "┤", Width);
  PutLines(Out, Text, Width);
  PutRule(Out, "└", "┘", Width);
  Flush(Out);
  return !Out.Failed;
}
