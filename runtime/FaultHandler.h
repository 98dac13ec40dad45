// Processor faults. From the first step of start-up until just before the
// process ends, a fault ends the run through RunError: the code comes from
// FaultCodeTable by the fault's status, the location is the faulting
// instruction's.
#pragma once

#include <stdint.h>

// One row of FaultCodeTable: a platform fault status and its run-time error
// code.
struct FaultCode {
  uint32_t Status;
  uint8_t Code;
};

extern const FaultCode FaultCodeTable[];
extern const int32_t FaultCodeCount;

// The run-time error code for a fault status: its row of FaultCodeTable,
// 255 for a status that has none.
uint8_t MapFaultStatus(uint32_t Status);

// Installs the top-level fault handler: the first step of StartProgram.
void InstallFaultHandler();
// Removes it: the last step of FinishProgram before ExitProcess.
void RemoveFaultHandler();
