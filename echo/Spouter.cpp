// SPOUTER writes its parameters to standard output, each as the byte it
// encodes or as its own text, with nothing between them and nothing after.
#include "echo/Spouter.h"

#include "echo/InfoBox.h"
#include "echo/UTypes.h"
#include "runtime/CommandLine.h"
#include "runtime/System.h"

namespace {

const ModuleEntry ModuleTable[] = {
    {nullptr, nullptr},          // start-up code
    {InitSystem, FinishSystem},  // the run-time core
    {nullptr, nullptr},          // CommandLine
    {nullptr, nullptr},          // UTypes
    {nullptr, nullptr},          // the program
};
constexpr int32_t ModuleCount = sizeof ModuleTable / sizeof ModuleTable[0];

bool IsDecimalDigit(uint8_t Byte) { return Byte >= '0' && Byte <= '9'; }

bool IsHexDigit(uint8_t Byte) {
  return IsDecimalDigit(Byte) || (Byte >= 'A' && Byte <= 'F') || (Byte >= 'a' && Byte <= 'f');
}

bool IsHexPair(TextView Parameter) {
  return Parameter.Length == 2 && IsHexDigit(Parameter.Data[0]) && IsHexDigit(Parameter.Data[1]);
}

// The value of a parameter of three digits whose first is 0 to 2, else -1.
int32_t DecimalTripleValue(TextView Parameter) {
  const uint8_t* D = Parameter.Data;
  if (Parameter.Length != 3 || D[0] < '0' || D[0] > '2' || !IsDecimalDigit(D[1]) ||
      !IsDecimalDigit(D[2]))
    return -1;
  return (D[0] - '0') * 100 + (D[1] - '0') * 10 + (D[2] - '0');
}

// Ends write statement number N. The error location is the return address
// of CheckIoError, so each statement keeps a call of its own: the marker
// emits no code but makes the statements' tails differ, and the compiler
// does not merge them.
template <int N>
__attribute__((always_inline)) inline void EndWriteStatement() {
  FlushChannel(OutputChannel);
  CheckIoError();
  asm volatile("" : : "i"(N));
}

// One write statement per parameter: two hex digits or three decimal
// digits below 256 are one byte, anything else is its own text.
void EchoParameter(TextView Parameter) {
  if (IsHexPair(Parameter)) {
    WriteChar(OutputChannel, static_cast<uint8_t>(HexToInt(Parameter)));
    EndWriteStatement<1>();
    return;
  }
  int32_t Value = DecimalTripleValue(Parameter);
  if (Value >= 0 && Value < 256) {
    WriteChar(OutputChannel, static_cast<uint8_t>(Value));
    EndWriteStatement<2>();
    return;
  }
  WriteText(OutputChannel, Parameter, 0);
  EndWriteStatement<3>();
}

// One pass over the command line, each scan starting where the previous one
// stopped: the parameters GetParameter(1), (2), ... in linear time. Each
// scan builds its text in place, and the text goes when its statement is
// done.
void EchoParameters() {
  const char* Position = GetCommandLineA();
  ScanParameter(Position, &Position);  // the program token
  for (;;) {
    Text Parameter = ScanParameter(Position, &Position);
    if (Parameter.IsEmpty()) return;
    EchoParameter(Parameter.View());
  }
}

// Parameter 1 exactly "/c" or "/?", byte for byte, shows a box instead of
// the walk; anywhere else, or in any other spelling, it is echoed.
bool ShowRequestedBox() {
  Text First = GetParameter(1);
  if (CompareTextBytes(First.View(), LiteralText("/c")) == 0) {
    ShowInfoBox(AboutText, AboutCaption);
    return true;
  }
  if (CompareTextBytes(First.View(), LiteralText("/?")) == 0) {
    ShowInfoBox(HelpText, HelpCaption);
    return true;
  }
  return false;
}

}  // namespace

extern "C" void ProcessArguments() {
  StartProgram(ModuleTable, ModuleCount);
  // Both release their byte strings when they return.
  if (!ShowRequestedBox()) EchoParameters();
  FinishProgram();
}
