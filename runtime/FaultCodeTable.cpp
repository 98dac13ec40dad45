// The table from fault status to run-time error code that every platform's
// fault handler uses.
#include "platform/Platform.h"
#include "runtime/FaultHandler.h"

const FaultCode FaultCodeTable[] = {
    {STATUS_ACCESS_VIOLATION, 216},
    {STATUS_ARRAY_BOUNDS_EXCEEDED, 201},
    {STATUS_FLOAT_DENORMAL_OPERAND, 206},
    {STATUS_FLOAT_DIVIDE_BY_ZERO, 200},
    {STATUS_FLOAT_INEXACT_RESULT, 207},
    {STATUS_FLOAT_INVALID_OPERATION, 207},
    {STATUS_FLOAT_OVERFLOW, 205},
    {STATUS_FLOAT_STACK_CHECK, 207},
    {STATUS_FLOAT_UNDERFLOW, 206},
    {STATUS_INTEGER_DIVIDE_BY_ZERO, 200},
    {STATUS_INTEGER_OVERFLOW, 215},
    {STATUS_PRIVILEGED_INSTRUCTION, 218},
    {STATUS_STACK_OVERFLOW, 202},
    {STATUS_CONTROL_C_EXIT, 217},
};
const int32_t FaultCodeCount = sizeof FaultCodeTable / sizeof FaultCodeTable[0];

uint8_t MapFaultStatus(uint32_t Status) {
  for (int32_t I = 0; I < FaultCodeCount; ++I)
    if (FaultCodeTable[I].Status == Status) return FaultCodeTable[I].Code;
  return 255;
}
