#include "startup.h"

#include "orvex_sdk.h"

#include <QLibraryInfo>
#include <QVersionNumber>

#include <iostream>
#include <string>

namespace {

// One SDK record at start-up level: the logger completes the record when it goes out of scope.
void recordStartup(const char* label, const std::string& value)
{
    orvex_sdk::SDKLogger logger(orvex_sdk::trace);
    logger.GetILogger().writeText(label).writeString(value);
}

} // namespace

void announceStartup()
{
    std::cout << "Start QT orvex command application" << std::endl;

    orvex_sdk::OrvexSdk::get_instance()->initialize();

    // The runtime's version, not the one the tool was built against.
    const std::string version = QLibraryInfo::version().toString().toLocal8Bit().toStdString();
    recordStartup("QT Version ", version);
    std::cout << "QT Version " << version << std::endl;

    const std::string buildType = QLibraryInfo::isDebugBuild() ? "DEBUG" : "RELEASE";
    recordStartup("QT Built in ", buildType);
    std::cout << "QT Built in " << buildType << std::endl;
    std::cout << "Test log in debug" << std::endl;
}
