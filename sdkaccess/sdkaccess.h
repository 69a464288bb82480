// The one place every program reaches the camera SDK. The SDK is chosen once, on first use and
// before it is initialised (see sdkchoice.h): the vendor's library when one is named, loaded at
// run time, or else the stand-in linked into every program, whose simulated cameras are the demo
// mode. A library that is named but cannot be used is never replaced by the stand-in: the programs
// say why, and reach no camera.
#pragma once

#include "orvex_sdk.h"

#include <QCoreApplication>
#include <QString>

namespace sdkaccess {

struct EntryPoints;

// For the texts a person reads: Sdk::tr("...").
class Sdk
{
    Q_DECLARE_TR_FUNCTIONS(Sdk)
};

// Whether the stand-in is the SDK in force, and with it the simulated cameras, their state file,
// faults and log. Its own interface (orvex_sim::) may be called only then: anything it is asked
// starts it. Loads nothing.
bool standIn();

// Which SDK is in force, in one text: "simulated cameras", or the library's path; for an sdk.ini
// that cannot be used, "none" and why. Loads nothing: what --version says.
QString inForce();

// Why the SDK named cannot be used, as one line that names the file and the reason; empty when
// it can. Loads a named library on first use; the stand-in can always be used.
QString failure();
inline bool usable()
{
    return failure().isEmpty();
}

// The SDK's root object, obtained and initialised on first use. When the SDK named cannot be
// used, a root that reaches no camera and offers no serial link.
orvex_sdk::IOrvexSdk& root();

// The root's configuration: defaults, limits, link type and expert mode.
orvex_sdk::Configuration& configuration();

// "camera SDK: " and what inForce() says: the line --version adds. Loads nothing.
QString statement();

// The statement, or the failure when there is one: what a program says of its SDK at start.
QString account();

// One SDK log record, made through the SDK in force as SDKLogger makes it: complete when this
// object goes. When the SDK cannot be used, the record goes nowhere.
class LogRecord
{
public:
    explicit LogRecord(orvex_sdk::severity_level level);
    ~LogRecord();
    LogRecord(const LogRecord&) = delete;
    LogRecord& operator=(const LogRecord&) = delete;

    // As SDKLogger::GetILogger.
    orvex_sdk::ILogger& logger();

private:
    const EntryPoints* entryPoints_; // null: no SDK to record in
    // Where the SDK's logger lives, as the header sizes and aligns it: the SDK's constructor may
    // use all of it.
    alignas(orvex_sdk::SDKLogger) unsigned char storage_[sizeof(orvex_sdk::SDKLogger)];
};

// For tests, which try several SDKs in one process: the next use chooses and loads again.
// Libraries loaded stay loaded. Not while anything holds an object of the SDK in force.
void chooseAgain();

} // namespace sdkaccess
