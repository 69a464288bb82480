// Which camera SDK the programs use, decided from what the operator named and nothing else: the
// library ORVEX_SDK_LIBRARY names, else the one named by the first sdk.ini in the configuration
// folders, else the stand-in with its simulated cameras. Nothing is loaded here.
#pragma once

#include <QString>
#include <QStringList>

namespace sdkaccess {

struct Choice {
    enum Kind {
        StandIn,  // nothing named: the simulated cameras
        Library,  // the vendor's library in file
        Unusable, // an sdk.ini that names no usable library; file is the sdk.ini
    };
    Kind kind = StandIn;
    QString file;
    // Where the library's name comes from, for the messages: "named by ORVEX_SDK_LIBRARY".
    QString source;
    QString problem; // for Unusable: what is wrong with the sdk.ini
};

// The environment variable that names the library's file; a relative path is taken from the
// working directory.
inline constexpr char libraryVariable[] = "ORVEX_SDK_LIBRARY";

// Where an sdk.ini is looked for, in this order: orvexhd/sdk.ini in each of the platform's
// configuration folders (on Linux ~/.config, then /etc/xdg).
QStringList settingsFiles();

Choice choose();

// What an sdk.ini at path names: "[sdk]" with "library=" and nothing else; a relative path is
// taken from the sdk.ini's folder.
Choice fromSettingsFile(const QString& path);

} // namespace sdkaccess
