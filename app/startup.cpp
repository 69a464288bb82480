#include "startup.h"

#include "sdkaccess.h"

#include <QLibraryInfo>
#include <QVersionNumber>

#include <iostream>
#include <string>

namespace {

// One SDK record at start-up level: the logger completes the record when it goes out of scope.
void recordStartup(const char* label, const std::string& value)
{
    sdkaccess::LogRecord record(orvex_sdk::trace);
    record.logger().writeText(label).writeString(value);
}

} // namespace

void announceStartup()
{
    std::cout << "Start QT orvex command application" << std::endl;

    // The SDK is chosen, obtained and initialised here, so that these records go to the one in
    // force.
    sdkaccess::root();

    // The runtime's version, not the one the tool was built against.
    const std::string version = QLibraryInfo::version().toString().toLocal8Bit().toStdString();
    recordStartup("QT Version ", version);
    std::cout << "QT Version " << version << std::endl;

    const std::string buildType = QLibraryInfo::isDebugBuild() ? "DEBUG" : "RELEASE";
    recordStartup("QT Built in ", buildType);
    std::cout << "QT Built in " << buildType << std::endl;
    std::cout << "Test log in debug" << std::endl;
}

void announceSdkInForce()
{
    std::cerr << "orvexhd: " << sdkaccess::account().toLocal8Bit().constData() << std::endl;
}
