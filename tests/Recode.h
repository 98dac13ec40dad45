// Conversion between character sets by the C library, as the reference
// that the program's own texts and tables are checked against.
#pragma once

#include <iconv.h>

#include <string>

// Bytes converted from one character set to another; false in *Converted
// when the C library rejects any of them.
inline std::string Recode(const char* From, const char* To, const std::string& Bytes,
                          bool* Converted) {
  *Converted = false;
  iconv_t Converter = iconv_open(To, From);
  if (Converter == reinterpret_cast<iconv_t>(-1)) return "";
  std::string Input = Bytes, Output(Bytes.size() * 4 + 4, '\0');
  char* In = Input.data();
  char* Out = Output.data();
  size_t InLeft = Input.size(), OutLeft = Output.size();
  *Converted = iconv(Converter, &In, &InLeft, &Out, &OutLeft) != static_cast<size_t>(-1);
  iconv_close(Converter);
  Output.resize(Output.size() - OutLeft);
  return Output;
}
