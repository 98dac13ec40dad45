// Information boxes on a terminal: a caption and a text, converted from
// Windows-1251 to UTF-8, drawn in a frame.
#pragma once

#include <stdint.h>

// Characters between the frame's inner margins; longer lines wrap.
constexpr int TextBoxWidth = 76;

// The UTF-8 form of one Windows-1251 byte, 1 to 3 bytes long, into Utf8,
// NUL-ended; returns its length. The one unassigned byte, 0x98, becomes
// U+FFFD.
int Cp1251ToUtf8(uint8_t Byte, char (&Utf8)[4]);

// Writes to Descriptor a frame holding Caption as its title and Text below
// a rule, both NUL-ended Windows-1251. Lines break at CR LF, CR or LF and
// wrap at the last blank that fits. False when a write failed; nothing
// more is written after that.
bool WriteTextBox(int Descriptor, const char* Text, const char* Caption);
