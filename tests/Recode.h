// Conversion between Windows-1251 and UTF-8 as the C library does it, the
// reference that the program's own texts and tables are checked against.
// The build machine's iconv writes the table at configure time: a target's
// C library under an emulator has no conversion modules to load.
#pragma once

#include <gtest/gtest.h>
#include <stdio.h>

#include <string>
#include <vector>

// The UTF-8 of each byte, empty where the code page assigns it nothing.
inline const std::vector<std::string>& Windows1251() {
  static const std::vector<std::string> Table = [] {
    std::vector<std::string> Loaded(256);
    FILE* File = fopen(SPOUTER_WINDOWS_1251_TABLE, "r");
    if (!File) {
      ADD_FAILURE() << "no table at " << SPOUTER_WINDOWS_1251_TABLE;
      return Loaded;
    }
    int Lines = 0, Byte, Digits;
    char Line[64], Hex[16];
    while (fgets(Line, sizeof Line, File)) {
      int Fields = sscanf(Line, "%d %15s", &Byte, Hex);
      if (Fields < 1 || Byte != Lines++) break;
      for (int I = 0; Fields == 2 && sscanf(Hex + I, "%2x", &Digits) == 1; I += 2)
        Loaded[Byte] += static_cast<char>(Digits);
    }
    fclose(File);
    EXPECT_EQ(Lines, 256) << "lines read from " << SPOUTER_WINDOWS_1251_TABLE;
    return Loaded;
  }();
  return Table;
}

// Windows-1251 bytes in UTF-8; false in *Converted when a byte is unassigned.
inline std::string FromWindows1251(const std::string& Bytes, bool* Converted) {
  std::string Utf8;
  *Converted = true;
  for (unsigned char Byte : Bytes) {
    *Converted = *Converted && !Windows1251()[Byte].empty();
    Utf8 += Windows1251()[Byte];
  }
  return Utf8;
}

// UTF-8 text in Windows-1251; false in *Converted when a character has no byte.
inline std::string ToWindows1251(const std::string& Utf8, bool* Converted) {
  std::string Bytes;
  for (size_t At = 0; At < Utf8.size();) {
    int Byte = 0;
    while (Byte < 256 && (Windows1251()[Byte].empty() ||
                          Utf8.compare(At, Windows1251()[Byte].size(), Windows1251()[Byte]) != 0))
      ++Byte;
    if (Byte == 256) {
      *Converted = false;
      return "";
    }
    Bytes += static_cast<char>(Byte);
    At += Windows1251()[Byte].size();
  }
  *Converted = true;
  return Bytes;
}
