// Settings that reach the camera as one unsigned 32-bit count read from a spin box. The rows of
// the table in numericsettings.cpp; MainWindow's sendCount() and countToSend() take these numbers.
#pragma once

#include <string>

namespace numeric {

enum Setting : int {
    Gamma,
    Clhe,
    Sharpening,
    SharpeningInBulk, // the user bulk run reports sharpening in words of its own
    Gsk,
    Gfid,
    Gms,
    Tint,
    SerialNumber,
};

// "GMS value 4294967296 not sent: the camera takes at most 4294967295": the report for a number
// that its destination cannot hold, naming the limit it broke.
std::string outOfRangeReport(const char* what, double value, const char* refusal, double lowest,
                             double highest);

} // namespace numeric
