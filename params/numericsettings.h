// Settings that reach the camera as one unsigned 32-bit count read from a spin box: gamma, CLHE,
// sharpening, the four expert constants and the serial number. Their rows are in
// numericsettings.cpp; MainWindow's sendCount() and countToSend() take the camera table's key.
#pragma once

#include <string>

namespace numeric {

// "GMS value 4294967296 not sent: the camera takes at most 4294967295": the report for a number
// that its destination cannot hold, naming the limit it broke.
std::string outOfRangeReport(const char* what, double value, const char* refusal, double lowest,
                             double highest);

} // namespace numeric
