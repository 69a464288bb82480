// The vendor's SDK library, loaded at run time. The header's only functions that are not virtual
// are its entry points: found by the names the linker gives them, they are all the programs call
// by name; everything else goes through the tables of the objects they hand out.
#pragma once

#include "orvex_sdk.h"

#include <QString>

namespace sdkaccess {

// The entry points as plain functions, as the platform's C++ calls them: a constructor,
// destructor or member function takes the object's address first.
struct EntryPoints {
    orvex_sdk::IOrvexSdk* (*getInstance)() = nullptr;
    void (*constructLogger)(void* logger, orvex_sdk::severity_level level) = nullptr;
    void (*destroyLogger)(void* logger) = nullptr;
    orvex_sdk::ILogger* (*loggerOf)(void* logger) = nullptr;
};

struct LoadedLibrary {
    EntryPoints entryPoints;
    orvex_sdk::IOrvexSdk* root = nullptr;
    QString problem; // why it cannot be used, in words; empty when it can
};

// Loads the library in file, finds its entry points, and obtains and initialises its root. The
// library stays loaded for the process's life, whatever became of it.
LoadedLibrary loadLibrary(const QString& file);

} // namespace sdkaccess
