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

// The longest piece that Put is given: a character, or a piece of the frame.
constexpr int LongestPiece = 8;

void Flush(BoxWriter& Out) {
  size_t Done = 0;
  if (!Out.Failed &&
      WriteWhole(Out.Descriptor, Out.Buffer, static_cast<size_t>(Out.Used), Done) != 0)
    Out.Failed = true;
  Out.Used = 0;
}

// Piece is NUL-ended.
void Put(BoxWriter& Out, const char* Piece) {
  if (Out.Used + LongestPiece > static_cast<int>(sizeof Out.Buffer)) Flush(Out);
  while (*Piece) Out.Buffer[Out.Used++] = *Piece++;
}

void PutCharacter(BoxWriter& Out, uint8_t Byte) {
  // A control byte would move the terminal's cursor and break the frame.
  if (Byte < 0x20 || Byte == 0x7F) Byte = '?';
  char Utf8[4];
  Cp1251ToUtf8(Byte, Utf8);
  Put(Out, Utf8);
}

// Where the box cuts the line from Start to End: at End, or, where that is
// longer than the box, at the last blank that fits, or at the box's width
// if there is none.
const uint8_t* CutOf(const uint8_t* Start, const uint8_t* End) {
  if (End - Start <= TextBoxWidth) return End;
  const uint8_t* Cut = Start + TextBoxWidth;
  while (Cut > Start && *Cut != ' ') --Cut;
  return Cut == Start ? Start + TextBoxWidth : Cut;
}

// Calls Show(Start, Length) for each line of Text as the box shows it: up
// to a line break or the end of the text, cut where it is longer than the
// box (the blanks at a cut are dropped). A cut that ends at a line break
// makes no extra line of it.
template <typename Shower>
void ForEachLine(const char* Text, Shower Show) {
  const uint8_t* Start = reinterpret_cast<const uint8_t*>(Text ? Text : "");
  for (;;) {
    const uint8_t* End = Start;
    while (*End != 0 && *End != '\r' && *End != '\n') ++End;
    do {
      const uint8_t* Cut = CutOf(Start, End);
      Show(Start, static_cast<int>(Cut - Start));
      Start = Cut;
      while (Start < End && *Start == ' ') ++Start;
    } while (Start < End);
    if (*End == 0) return;
    Start = End[0] == '\r' && End[1] == '\n' ? End + 2 : End + 1;
  }
}

int WidestLine(const char* Text) {
  int Widest = 0;
  ForEachLine(Text, [&Widest](const uint8_t*, int Length) {
    if (Length > Widest) Widest = Length;
  });
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
  ForEachLine(Text, [&Out, Width](const uint8_t* Line, int Length) {
    Put(Out, "│ ");
    for (int I = 0; I < Length; ++I) PutCharacter(Out, Line[I]);
    for (int I = Length; I < Width; ++I) Put(Out, " ");
    Put(Out, " │\n");
  });
}

}  // namespace

int Cp1251ToUtf8(uint8_t Byte, char (&Utf8)[4]) {
  static const uint8_t Lead[] = {0, 0, 0xC0, 0xE0};  // by length
  unsigned Point = Byte < 0x80   ? Byte
                   : Byte < 0xC0 ? UpperHalf[Byte - 0x80]
                                 : 0x0410 + (Byte - 0xC0);
  const int Count = Point < 0x80 ? 1 : Point < 0x800 ? 2 : 3;
  for (int I = Count - 1; I > 0; --I, Point >>= 6)
    Utf8[I] = static_cast<char>(0x80 | (Point & 0x3F));
  Utf8[0] = static_cast<char>(Lead[Count] | Point);
  Utf8[Count] = 0;
  return Count;
}

bool WriteTextBox(int Descriptor, const char* Text, const char* Caption) {
  int Width = WidestLine(Caption);
  if (WidestLine(Text) > Width) Width = WidestLine(Text);
  BoxWriter Out = {Descriptor, false, 0, {}};
  PutRule(Out, "┌", "┐", Width);
  PutLines(Out, Caption, Width);
  PutRule(Out, "├", "┤", Width);
  PutLines(Out, Text, Width);
  PutRule(Out, "└", "┘", Width);
  Flush(Out);
  return !Out.Failed;
}
