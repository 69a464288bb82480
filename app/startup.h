#pragma once

// Writes the start-up lines to standard output and the matching SDK records, initialising the SDK
// first. Needs no QApplication: it runs before one exists.
void announceStartup();

// One line on standard error: which camera SDK is in force, or why the one named cannot be used.
// Standard output keeps its four lines.
void announceSdkInForce();
