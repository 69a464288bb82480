#pragma once

// Writes the start-up lines to standard output and the matching SDK records, initialising the SDK
// first. Needs no QApplication: it runs before one exists.
void announceStartup();
