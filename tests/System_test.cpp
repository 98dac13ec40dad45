#include "runtime/System.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/FakeRun.h"

namespace {

const ModuleEntry CoreOnly[] = {{InitSystem, FinishSystem}};

// Runs Body between start-up and normal termination, as the program does.
template <typename Body>
int RunStatements(Body Statements) {
  return RunToExit([&] {
    StartProgram(CoreOnly, 1);
    Statements();
    FinishProgram();
  });
}

void ByteStatement(uint8_t Byte) {
  WriteChar(OutputChannel, Byte);
  FlushChannel(OutputChannel);
  CheckIoError();
}

void TextStatement(const std::string& Bytes) {
  WriteText(OutputChannel,
            {reinterpret_cast<const uint8_t*>(Bytes.data()), static_cast<int32_t>(Bytes.size())}, 0);
  FlushChannel(OutputChannel);
  CheckIoError();
}

std::string Message(const char* Code, const char* Location) {
  std::string Line = std::string("Runtime error") + Code + " at " + Location;
  Line.push_back('\0');
  return Line + "\r\n";
}

TEST(FlushPolicy, CharacterDeviceGetsEveryStatementAtItsEnd) {
  PrepareProcess("", FILE_TYPE_CHAR);
  std::string SizesSeen;
  int Code = RunStatements([&] {
    TextStatement("abc");
    SizesSeen += WriteSizes() + "|";
    ByteStatement(0x0D);
    SizesSeen += WriteSizes() + "|";
    ByteStatement(0x0A);
    SizesSeen += WriteSizes();
  });
  EXPECT_EQ(Code, 0);
  EXPECT_EQ(SizesSeen, "3|3 1|3 1 1");
  EXPECT_EQ(Fake.Output(), "abc\r\n");
  EXPECT_EQ(WriteSizes(), "3 1 1");
}

TEST(FlushPolicy, FileAndPipeGetOneWriteAtTermination) {
  for (DWORD Type : {DWORD{FILE_TYPE_DISK}, DWORD{FILE_TYPE_PIPE}, DWORD{0x8000}}) {
    PrepareProcess("", Type);
    size_t WritesBeforeEnd = 99;
    int Code = RunStatements([&] {
      TextStatement("abc");
      ByteStatement(0x0D);
      ByteStatement(0x0A);
      WritesBeforeEnd = Fake.Writes.size();
    });
    EXPECT_EQ(Code, 0);
    EXPECT_EQ(WritesBeforeEnd, 0u) << Type;
    EXPECT_EQ(WriteSizes(), "5") << Type;
    EXPECT_EQ(Fake.Output(), "abc\r\n");
  }
}

TEST(FlushPolicy, RedirectedSingleBytesGoOutBy128) {
  struct Case {
    int Bytes;
    const char* DuringRun;
    const char* AtEnd;
  } Cases[] = {{127, "", "127"}, {128, "", "128"}, {129, "128", "128 1"}, {257, "128 128", "128 128 1"}};
  for (const Case& C : Cases) {
    PrepareProcess("", FILE_TYPE_DISK);
    std::string During;
    RunStatements([&] {
      for (int I = 0; I < C.Bytes; ++I) ByteStatement(static_cast<uint8_t>(I));
      During = WriteSizes();
    });
    EXPECT_EQ(During, C.DuringRun) << C.Bytes;
    EXPECT_EQ(WriteSizes(), C.AtEnd) << C.Bytes;
    std::string Expected;
    for (int I = 0; I < C.Bytes; ++I) Expected.push_back(static_cast<char>(I));
    EXPECT_EQ(Fake.Output(), Expected);
  }
}

TEST(FlushPolicy, TextsAreCutAtTheBufferBoundary) {
  struct Case {
    DWORD Type;
    int Pending;
    int Length;
    const char* DuringStatement;
    const char* AtEnd;
  } Cases[] = {
      {FILE_TYPE_DISK, 0, 128, "128", "128"},
      {FILE_TYPE_DISK, 0, 127, "", "127"},
      {FILE_TYPE_DISK, 10, 300, "128 128", "128 128 54"},
      {FILE_TYPE_DISK, 10, 118, "128", "128"},
      {FILE_TYPE_DISK, 0, 0, "", ""},
      {FILE_TYPE_CHAR, 0, 129, "128 1", "128 1"},
      {FILE_TYPE_CHAR, 0, 128, "128", "128"},
      {FILE_TYPE_CHAR, 0, 256, "128 128", "128 128"},
  };
  for (const Case& C : Cases) {
    PrepareProcess("", C.Type);
    std::string Pending(C.Pending, 'p');
    std::string Body;
    for (int I = 0; I < C.Length; ++I) Body.push_back(static_cast<char>('a' + I % 26));
    std::string During;
    RunStatements([&] {
      // Pending bytes are buffered without a flush, as between statements.
      if (C.Pending) WriteText(OutputChannel, {reinterpret_cast<const uint8_t*>(Pending.data()), C.Pending}, 0);
      TextStatement(Body);
      During = WriteSizes();
    });
    EXPECT_EQ(During, C.DuringStatement) << C.Pending << "+" << C.Length;
    EXPECT_EQ(WriteSizes(), C.AtEnd) << C.Pending << "+" << C.Length;
    EXPECT_EQ(Fake.Output(), Pending + Body);
  }
}

// A width wider than the text puts blanks before it, across the 64 blanks
// taken at a time and the buffer's boundary; a narrower one is no cut.
TEST(WriteText, PadsToTheWidthOnTheLeft) {
  const std::string Bytes = "abc";
  for (int32_t Width : {-1, 0, 2, 3, 4, 66, 67, 68, 200}) {
    PrepareProcess("SPOUTER", FILE_TYPE_DISK);
    EXPECT_EQ(RunStatements([&] {
                WriteText(OutputChannel, {reinterpret_cast<const uint8_t*>(Bytes.data()), 3}, Width);
              }),
              0);
    size_t Blanks = Width > 3 ? static_cast<size_t>(Width - 3) : 0;
    EXPECT_EQ(Fake.Output(), std::string(Blanks, ' ') + Bytes) << Width;
  }
}

TEST(FlushPolicy, ByteZeroIsAnOrdinaryByte) {
  PrepareProcess("", FILE_TYPE_DISK);
  RunStatements([] {
    ByteStatement(0);
    TextStatement(std::string("a\0b", 3));
  });
  EXPECT_EQ(Fake.Output(), std::string("\0a\0b", 4));
}

TEST(Termination, NothingWrittenNeverTouchesStandardOutput) {
  PrepareProcess("", FILE_TYPE_DISK);
  EXPECT_EQ(RunStatements([] {}), 0);
  EXPECT_EQ(Fake.StdHandleCalls, 0);
  EXPECT_EQ(Fake.FileTypeCalls, 0);
  EXPECT_EQ(Fake.WriteCalls, 0);
}

TEST(Termination, FinalisesInReverseOrderOnceEvenWhenFinalisationFails) {
  static std::string Trace;
  static const ModuleEntry Table[] = {
      {[] { Trace += "I0 "; }, [] { Trace += "F0 "; }},
      {InitSystem, FinishSystem},
      {nullptr, [] { Trace += "F2 "; }},
      {[] { Trace += "I3 "; }, [] {
         Trace += "F3 ";
         RunError(9, 0x1234);
       }},
      {[] { Trace += "I4 "; }, nullptr},
  };
  PrepareProcess("", FILE_TYPE_DISK);
  Trace.clear();
  int Code = RunToExit([] {
    StartProgram(Table, 5);
    TextStatement("ab");
    FinishProgram();
  });
  EXPECT_EQ(Code, 9);
  EXPECT_EQ(Trace, "I0 I3 I4 F3 F2 F0 ");
  // Pending bytes go out before the message.
  EXPECT_EQ(Fake.Output(), "ab" + Message("   9", "00001234"));
  EXPECT_EQ(WriteSizes(), "2 30 2");
}

TEST(Termination, AModuleWhoseInitialisationFailsIsStillFinalised) {
  static std::string Trace;
  static const ModuleEntry Table[] = {
      {InitSystem, FinishSystem},
      {[] {
         Trace += "I1 ";
         RunError(17, 0x40);
       },
       [] { Trace += "F1 "; }},
      {[] { Trace += "I2 "; }, [] { Trace += "F2 "; }},
  };
  PrepareProcess("", FILE_TYPE_DISK);
  Trace.clear();
  EXPECT_EQ(RunToExit([] { StartProgram(Table, 3); }), 17);
  EXPECT_EQ(Trace, "I1 F1 ");
  EXPECT_EQ(Fake.Output(), Message("  17", "00000040"));
}

TEST(RunErrorMessage, IsTwentyNineCharactersANulAndALineEnd) {
  struct Case {
    uint8_t Code;
    uint32_t Location;
    const char* Line;
  } Cases[] = {
      {5, 0xABCD, "Runtime error   5 at 0000ABCD"},
      {16, 0xABCD, "Runtime error  16 at 0000ABCD"},
      {105, 0xABCD, "Runtime error 105 at 0000ABCD"},
      {255, 0xFFFFFFFF, "Runtime error 255 at FFFFFFFF"},
      {0, 1, "Runtime error   0 at 00000001"},
      {200, 0x10000000, "Runtime error 200 at 10000000"},
  };
  for (const Case& C : Cases) {
    char Line[30];
    ComposeErrorMessage(C.Code, C.Location, Line);
    EXPECT_EQ(std::string(Line, 30), std::string(C.Line, 30)) << int(C.Code);

    PrepareProcess("", FILE_TYPE_DISK);
    EXPECT_EQ(RunToExit([&] { RunError(C.Code, C.Location); }), C.Code);
    EXPECT_EQ(Fake.Output(), std::string(C.Line, 30) + "\r\n");
    EXPECT_EQ(WriteSizes(), "30 2");
  }
}

TEST(RunErrorMessage, LocationZeroWritesNone) {
  PrepareProcess("", FILE_TYPE_DISK);
  EXPECT_EQ(RunToExit([] { RunError(7, 0); }), 7);
  EXPECT_EQ(Fake.WriteCalls, 0);
}

TEST(FailedWrites, EndTheStatementWithTheLow8BitsOfTheCode) {
  struct Case {
    DWORD OsCode;
    int Exit;
    const char* Shown;
  } Cases[] = {{5, 5, "   5"}, {16, 16, "  16"}, {232, 232, " 232"}, {1784, 248, " 248"},
               {112, 112, " 112"}, {512, 255, " 255"}, {0, 29, "  29"}};
  for (const Case& C : Cases) {
    PrepareProcess("", FILE_TYPE_CHAR);
    Fake.FailWriteCall = 2;
    Fake.FailWriteCode = C.OsCode;
    bool ThirdRan = false;
    int Code = RunStatements([&] {
      TextStatement("one");
      TextStatement("two");
      ThirdRan = true;
      TextStatement("three");
    });
    EXPECT_EQ(Code, C.Exit) << C.OsCode;
    EXPECT_FALSE(ThirdRan);
    std::string Output = Fake.Output();
    ASSERT_EQ(Output.size(), 3u + 32u) << C.OsCode;
    EXPECT_EQ(Output.substr(0, 3 + 17), std::string("oneRuntime error") + C.Shown) << C.OsCode;
    EXPECT_EQ(Output.substr(3 + 29), std::string("\0\r\n", 3));
  }
}

TEST(FailedWrites, BytesOfTheFailedTransferAreGoneAndTheRestDropped) {
  PrepareProcess("", FILE_TYPE_PIPE);
  Fake.FailWriteCall = 2;
  Fake.FailWriteCode = 32;
  std::string First(100, 'a');
  std::string Second(300, 'b');
  int Code = RunStatements([&] {
    TextStatement(First);   // buffered
    TextStatement(Second);  // 128 out (28 of them b), then 128 fail
    TextStatement("never");
  });
  EXPECT_EQ(Code, 32);
  std::string Output = Fake.Output();
  ASSERT_EQ(Output.size(), 128u + 32u);
  EXPECT_EQ(Output.substr(0, 128), First + std::string(28, 'b'));
  EXPECT_EQ(Output.substr(128, 17), "Runtime error  32");
  EXPECT_EQ(Fake.WriteCalls, 4);  // two transfers and the message's two writes
}

TEST(FailedWrites, PendingBytesPrecedeTheMessageOfALaterError) {
  PrepareProcess("", FILE_TYPE_DISK);
  int Code = RunStatements([] {
    TextStatement("kept");
    RunError(203, 0xABCD);
  });
  EXPECT_EQ(Code, 203);
  EXPECT_EQ(Fake.Output(), "kept" + Message(" 203", "0000ABCD"));
}

TEST(FailedWrites, FailedWriteOutAtANormalEndIsARunTimeError) {
  struct Case {
    DWORD OsCode;
    int Exit;
  } Cases[] = {{32, 32}, {28, 28}, {112, 112}, {256, 255}};
  for (const Case& C : Cases) {
    PrepareProcess("", FILE_TYPE_PIPE);
    Fake.FailWriteCall = 1;
    Fake.FailWriteCode = C.OsCode;
    EXPECT_EQ(RunStatements([] { TextStatement("abc"); }), C.Exit);
    std::string Output = Fake.Output();
    ASSERT_EQ(Output.size(), 32u);  // "abc" is gone, the message is there
    EXPECT_EQ(Output.substr(0, 14), "Runtime error ");
    EXPECT_EQ(std::stoi(Output.substr(14, 3)), C.Exit);
  }
}

TEST(FailedWrites, AShortWriteGoesOnWithTheRest) {
  PrepareProcess("", FILE_TYPE_DISK);
  Fake.ShortWriteCall = 1;
  Fake.ShortWriteBytes = 2;
  EXPECT_EQ(RunStatements([] { TextStatement("abcde"); }), 0);
  EXPECT_EQ(WriteSizes(), "2 3");
  EXPECT_EQ(Fake.Output(), "abcde");
}

TEST(FailedWrites, AWriteThatMakesNoProgressIsAWriteFault) {
  PrepareProcess("", FILE_TYPE_CHAR);
  Fake.ShortWriteCall = 1;
  Fake.ShortWriteBytes = 0;
  EXPECT_EQ(RunStatements([] { TextStatement("abc"); }), 29);
}

// Ctrl+C ends the run at the run-time's safe points: before each write of a
// transfer and at a normal end. Whatever part of a block the write before
// it took is not handed over again.
TEST(Interrupts, EndTheRunWithEachByteOnce) {
  std::string Long(300, 'x');
  for (int I = 0; I < 300; ++I) Long[I] = static_cast<char>('a' + I % 26);
  struct Case {
    const char* Name;
    DWORD Type;
    int InterruptAt;  // InterruptAtWriteCall
    int ShortCall;    // ShortWriteCall, 32 bytes taken
    const char* Sizes;
    int Written;  // bytes of Long before the message
  } Cases[] = {
      {"pipe, from the start", FILE_TYPE_PIPE, -1, 0, "128 30 2", 128},
      {"pipe, after a whole block", FILE_TYPE_PIPE, 1, 0, "128 128 30 2", 256},
      {"pipe, after part of a block", FILE_TYPE_PIPE, 1, 1, "32 96 30 2", 128},
      {"console, after part of a block", FILE_TYPE_CHAR, 2, 2, "128 32 96 30 2", 256},
      {"file, at the normal end", FILE_TYPE_DISK, 2, 0, "128 128 49 30 2", 305},
  };
  for (const Case& C : Cases) {
    PrepareProcess("", C.Type);
    Fake.InterruptAtWriteCall = C.InterruptAt;
    Fake.ShortWriteCall = C.ShortCall;
    Fake.ShortWriteBytes = 32;
    bool SecondRan = false;
    int Code = RunStatements([&] {
      TextStatement(Long);
      SecondRan = true;
      TextStatement("later");
    });
    EXPECT_EQ(Code, 217) << C.Name;
    EXPECT_EQ(WriteSizes(), C.Sizes) << C.Name;
    std::string Output = Fake.Output();
    ASSERT_EQ(Output.size(), C.Written + 32u) << C.Name;
    EXPECT_EQ(Output.substr(0, C.Written), (Long + "later").substr(0, C.Written)) << C.Name;
    EXPECT_EQ(Output.substr(C.Written, 21), "Runtime error 217 at ") << C.Name;
    EXPECT_EQ(SecondRan, C.Written > 300) << C.Name;
  }
}

TEST(Interrupts, KeepTheCodeOfARunAlreadyEnding) {
  PrepareProcess("", FILE_TYPE_PIPE);
  Fake.InterruptAtWriteCall = -1;
  int Code = RunStatements([] {
    TextStatement("kept");
    RunError(203, 0xABCD);
  });
  EXPECT_EQ(Code, 203);
  EXPECT_EQ(Fake.Output(), "kept" + Message(" 203", "0000ABCD"));
}

TEST(OpeningOutput, NoUsableHandleIs105WithNothingWritten) {
  struct Case {
    const char* Name;
    bool NoHandle;
    DWORD Type;
    DWORD StdHandleError;
    int CloseHandleCalls;
    bool MessageArrives;  // only a handle that takes writes shows it
  } Cases[] = {
      {"null handle", true, FILE_TYPE_DISK, 0, 1, false},
      {"unknown type", false, FILE_TYPE_UNKNOWN, 0, 1, true},
      {"GetStdHandle fails", false, FILE_TYPE_DISK, 6, 0, false},
  };
  for (const Case& C : Cases) {
    PrepareProcess("", C.Type);
    Fake.NoOutputHandle = C.NoHandle;
    Fake.StdHandleError = C.StdHandleError;
    bool SecondRan = false;
    int Code = RunStatements([&] {
      ByteStatement('x');
      SecondRan = true;
      ByteStatement('y');
    });
    EXPECT_EQ(Code, 105) << C.Name;
    EXPECT_FALSE(SecondRan) << C.Name;
    EXPECT_EQ(Fake.CloseHandleCalls, C.CloseHandleCalls) << C.Name;
    EXPECT_EQ(Fake.WriteCalls, 2) << C.Name;  // the message's two writes, nothing else
    std::string Output = Fake.Output();
    if (C.MessageArrives) {
      ASSERT_EQ(Output.size(), 32u) << C.Name;
      EXPECT_EQ(Output.substr(0, 21), "Runtime error 105 at ") << C.Name;
    } else {
      EXPECT_EQ(Output, "") << C.Name;
    }
  }
}

}  // namespace
