// The help and about boxes that the switches "/?" and "/c" show.
#pragma once

// The texts are NUL-ended single-byte strings in Windows-1251, lines
// separated by CR LF, no line break after the last one. They go to the
// system unchanged.
extern const char HelpText[];
extern const char AboutText[];
extern const char HelpCaption[];   // "SPOUTER /?"
extern const char AboutCaption[];  // "Copyright"

// Shows Text under Caption in a modal information box with no owner and
// returns when it is closed. A box that cannot be shown is not reported.
void ShowInfoBox(const char* Text, const char* Caption);
