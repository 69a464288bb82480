// The stand-in SDK on its own: its configuration file, its log, its simulated cameras with their
// ranges and faults, the journal, and the bookkeeping of connections and devices.
#include "devicenode.h"
#include "orvex_sdk.h"
#include "simcontrol.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <thread>
#include <type_traits>
#include <vector>

#ifdef _WIN32
#include <io.h>
#else
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

using orvex_sdk::Device;

// The library's own declaration: the callee owns a by-value string and frees it, so a caller built
// on a reference would free it a second time.
static_assert(std::is_same_v<decltype(&orvex_sdk::ILogger::writeString),
                             orvex_sdk::ILogger& (orvex_sdk::ILogger::*)(std::string)>,
              "writeString takes its string by value");
using Operation = std::function<bool(Device&)>;
using Check = std::function<bool()>;
Q_DECLARE_METATYPE(Operation)
Q_DECLARE_METATYPE(Check)

namespace {

#ifdef _WIN32
int duplicateDescriptor(int fd)
{
    return _dup(fd);
}
int redirectDescriptor(int from, int to)
{
    return _dup2(from, to);
}
int closeDescriptor(int fd)
{
    return _close(fd);
}
int descriptorOf(std::FILE* file)
{
    return _fileno(file);
}
#else
int duplicateDescriptor(int fd)
{
    return dup(fd);
}
int redirectDescriptor(int from, int to)
{
    return dup2(from, to);
}
int closeDescriptor(int fd)
{
    return close(fd);
}
int descriptorOf(std::FILE* file)
{
    return fileno(file);
}
#endif

orvex_sdk::IOrvexSdk* sdk()
{
    return orvex_sdk::OrvexSdk::get_instance();
}

orvex_sdk::Configuration* configuration()
{
    return sdk()->getConfiguration();
}

Device* openCamera(const char* port = "SIM1")
{
    return sdk()->createConnection()->openDevice(port);
}

// Standard error, redirected to a file while it lives, so that the configuration's messages can
// be read back.
class StderrCapture
{
public:
    StderrCapture()
    {
        std::fflush(stderr);
        saved_ = duplicateDescriptor(descriptorOf(stderr));
        file_ = std::tmpfile();
        redirectDescriptor(descriptorOf(file_), descriptorOf(stderr));
    }
    ~StderrCapture()
    {
        restore();
        std::fclose(file_);
    }

    QStringList lines()
    {
        restore();
        std::rewind(file_);
        QByteArray text;
        char buffer[512];
        size_t count = 0;
        while ((count = std::fread(buffer, 1, sizeof buffer, file_)) > 0)
            text.append(buffer, int(count));
        QStringList lines = QString::fromLocal8Bit(text).split(QLatin1Char('\n'));
        lines.removeAll(QString());
        return lines;
    }

private:
    void restore()
    {
        if (saved_ < 0)
            return;
        std::fflush(stderr);
        redirectDescriptor(saved_, descriptorOf(stderr));
        closeDescriptor(saved_);
        saved_ = -1;
    }

    int saved_ = -1;
    std::FILE* file_ = nullptr;
};

QStringList logLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    lines.removeAll(QString());
    return lines;
}

// orvexhd-cli on the cameras of a configuration: another program on the same cameras.
class OtherProgram
{
public:
    OtherProgram(const QString& ini, const QStringList& arguments)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("ORVEX_SDK_CONFIG"), ini);
        process_.setProcessEnvironment(environment);
        process_.start(QStringLiteral(ORVEX_CLI_EXECUTABLE), arguments);
    }

    // Whether it ended by itself within a few seconds; one held up by a file is ended, so that
    // the test fails rather than hangs.
    bool ends()
    {
        if (process_.waitForFinished(10000))
            return process_.exitStatus() == QProcess::NormalExit;
        process_.kill();
        process_.waitForFinished();
        return false;
    }
    int status() const { return process_.exitCode(); }
    QStringList errorLines()
    {
        QStringList lines = QString::fromLocal8Bit(process_.readAllStandardError()).split('\n');
        lines.removeAll(QString());
        return lines;
    }

private:
    QProcess process_;
};

#ifndef _WIN32
// A socket bound at path, as a program listening there leaves it.
bool makeSocket(const QString& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    if (size_t(name.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound = listener >= 0 &&
                       ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (listener >= 0)
        ::close(listener);
    return bound;
}
#endif

} // namespace

class TestSimSdk : public QObject
{
    Q_OBJECT

private:
    QString writeIni(const QByteArray& text, const QString& name = QStringLiteral("sdk.ini"));
    QString resetWith(const QByteArray& text); // the INI file's path
    QString iniMessagesOf(const QByteArray& text, QStringList& messages);

    QTemporaryDir dir_;

private slots:
    void initTestCase();
    void init();

    // Configuration
    void builtInConfigurationWithoutFile();
    void goodFileSetsEverySection();
    void environmentVariableNamesTheFile();
    void laterInitializeChangesNothing();
    void resetReadsTheFileAsItIsNow();
    void missingFileGivesOneMessageAndBuiltIns();
    void badValueKeepsBuiltInWithOneMessage_data();
    void badValueKeepsBuiltInWithOneMessage();
    void unknownKeyGivesOneMessage_data();
    void unknownKeyGivesOneMessage();
    void faultsComeFromTheFile();
    void documentedExampleReadsCleanly();

    // Logger
    void oneLinePerLogger();
    void lineFeedsAndBackslashesStayInOneRecord();
    void concurrentLoggersNeverInterleave();
    void relativeLogFileLiesBesideTheIni();

    // Cameras
    void cameraAcceptsValuesInRange_data();
    void cameraAcceptsValuesInRange();
    void cameraRefusesValuesOutOfRange_data();
    void cameraRefusesValuesOutOfRange();
    void expertLimitsFollowTheConfiguration();
    void identityAndShutterAreReported();
    void nucRequestSwitchesNucOn();
    void temperaturesDriftSlowlyAroundTheBase();
    void settingsSurviveReconnect();

    // State file
    void stateFileKeepsWhatChangedAcrossRuns();
    void damagedStateFileGivesOneLineAndTheConfiguredValues_data();
    void damagedStateFileGivesOneLineAndTheConfiguredValues();
    void unusableStateFileGivesOneLineWithItsCause_data();
    void unusableStateFileGivesOneLineWithItsCause();
    void aChangeMeetsWhatAnotherProgramChanged();
    void requestsAtOnceAreAllCounted();

    // What another user may leave where the log and the state file go
    void builtInLogIsTheUsersOwn();
    void filesThatAreNoPlainFilesHoldNothingUp_data();
    void filesThatAreNoPlainFilesHoldNothingUp();

    // Faults
    void refusedOperationsFail();
    void silentCameraReadsZeroVersions();
    void cameraTypeReadCanFail();
    void cameraWithoutShutter();
    void shutterPresenceStatusComesFromFaults();
    void temperatureReadFailsAfterNReads();
    void iaReadStatusComesFromFaults();
    void latencyDelaysEveryOperation();
    void unplugOnDemandRemovesThePort();
    void unplugAfterDelayRemovesThePort();

    // Journal
    void journalRecordsOperationsInOrder();
    void journalRecordsRefusedAndFailedCalls();
    void zoomFactorIsJournaledExactly();

    // Connections
    void connectionsAndDevicesAreCounted();
    void onlySimulatedPortsOpen();
    void releaseClosesWhatTheConnectionHolds();
    void resetDropsEverythingButKeepsOldAddressesSafe();
    void oneRootPerProcess();
    void configurationFieldsSitAtTheirOffsets();
};

QString TestSimSdk::writeIni(const QByteArray& text, const QString& name)
{
    const QString path = dir_.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(text);
    return path;
}

QString TestSimSdk::resetWith(const QByteArray& text)
{
    const QString path = writeIni(text);
    orvex_sim::reset(path.toStdString());
    return path;
}

QString TestSimSdk::iniMessagesOf(const QByteArray& text, QStringList& messages)
{
    StderrCapture capture;
    const QString path = resetWith(text);
    messages = capture.lines();
    return path;
}

void TestSimSdk::initTestCase()
{
    QVERIFY(dir_.isValid());
    qunsetenv("ORVEX_SDK_CONFIG");
}

void TestSimSdk::init()
{
    // The built-in configuration, but with the log inside this suite's folder.
    QFile::remove(dir_.filePath(QStringLiteral("sdk.log")));
    resetWith("[sdk]\nlogFile=sdk.log\n");
}

void TestSimSdk::builtInConfigurationWithoutFile()
{
    StderrCapture capture;
    orvex_sim::reset();
    QCOMPARE(capture.lines(), QStringList());

    orvex_sdk::Configuration* c = configuration();
    QCOMPARE(QByteArray(c->getCommunicationType()), QByteArray("UART"));
    QVERIFY(c->isExpertModeEnabled());
    QCOMPARE(c->getDefaultGamma(), 1.0);
    QCOMPARE(c->getDefaultClhe(), 40.0);
    QCOMPARE(c->getDefaultSharpening(), 0.5);
    QCOMPARE(c->getDefaultGsk(), 2);
    QCOMPARE(c->getDefaultGfid(), 500);
    QCOMPARE(c->getDefaultTint(), 1);
    QCOMPARE(c->getDefaultGms(), 100);
    QCOMPARE(c->getDefaultRoiX1(), 5.0);
    QCOMPARE(c->getDefaultRoiY1(), 5.0);
    QCOMPARE(c->getDefaultRoiX2(), 1275.0);
    QCOMPARE(c->getDefaultRoiY2(), 1019.0);
    QCOMPARE(int(c->getDefaultContrastType()), 0);
    QCOMPARE(c->getDefaultPolarity(), false);
    QCOMPARE(c->getDefaultZoomFactor(), 1.0f);
    QCOMPARE(int(c->getDefaultZoomMethod()), 0);
    QCOMPARE(c->getDefaultZoomXCenter(), 640);
    QCOMPARE(c->getDefaultZoomYCenter(), 512);
    QCOMPARE(c->getDefaultHorizontalFlip(), false);
    QCOMPARE(c->getDefaultVerticalFlip(), false);
    QCOMPARE(c->getDefaultVignettingCorrection(), true);
    QCOMPARE(c->getDefaultColumnCorrection(), true);
    QCOMPARE(int(c->getDefaultIaMaxBoxes()), 10);
    QCOMPARE(int(c->getDefaultIaSensitivity()), 50);
    QCOMPARE(int(c->getDefaultIaInterOverUnion()), 45);
    QCOMPARE(int(c->getDefaultIaResizeMode()), 1);
    QCOMPARE(int(c->getDefaultIaOutputType()), 0);
    QCOMPARE(c->gskValue, 2);
    QCOMPARE(c->gmsValue, 100);
    QCOMPARE(c->gfidValue, 500);
    QCOMPARE(c->tintValue, 1);
    QCOMPARE(c->gskMin, 1);
    QCOMPARE(c->gskMax, 3);
    QCOMPARE(c->gfidMin, 0);
    QCOMPARE(c->gfidMax, 1000);
    QCOMPARE(c->tintMin, 0);
    QCOMPARE(c->tintMax, 2);
    QCOMPARE(c->gmsMin, 0);
    QCOMPARE(c->gmsMax, 1000);

    QCOMPARE(orvex_sim::portNames(), std::vector<std::string>{"SIM1"});
    QCOMPARE(int(orvex_sim::settings("SIM1").cameraType), 12);
    QVERIFY(orvex_sim::settings("SIM1").hasShutter);
}

void TestSimSdk::goodFileSetsEverySection()
{
    QStringList messages;
    iniMessagesOf("[sdk]\n"
                  "linkType=USB\n"
                  "expertMode=false\n"
                  "logFile=demo.log\n"
                  "cameras=CAMB, CAMA\n"
                  "[defaults]\n"
                  "gamma=1.5\n"
                  "sharpening=2.25\n"
                  "gms=250\n"
                  "polarity=true\n"
                  "zoomFactor=2.5\n"
                  "iaOutputType=3\n"
                  "[expert]\n"
                  "gskValue=3\n"
                  "gmsMax=4000\n"
                  "[camera.CAMA]\n"
                  "cameraType=7\n"
                  "serialNumber=4242\n"
                  "riscvVersion=0x12A3\n"
                  "hasShutter=false\n"
                  "gamma=98304\n"
                  "iaMaxBoxes=20\n"
                  "fpgaTemperature=300000\n"
                  "[camera.CAMB]\n"
                  "serialNumber=010\n"
                  "zoomFactor=3.5\n",
                  messages);
    QCOMPARE(messages, QStringList());

    orvex_sdk::Configuration* c = configuration();
    QCOMPARE(QByteArray(c->getCommunicationType()), QByteArray("USB"));
    QVERIFY(!c->isExpertModeEnabled());
    QCOMPARE(c->getDefaultGamma(), 1.5);
    QCOMPARE(c->getDefaultSharpening(), 2.25);
    QCOMPARE(c->getDefaultGms(), 250);
    QCOMPARE(c->getDefaultPolarity(), true);
    QCOMPARE(c->getDefaultZoomFactor(), 2.5f);
    QCOMPARE(int(c->getDefaultIaOutputType()), 3);
    QCOMPARE(c->getDefaultClhe(), 40.0); // absent keys keep their built-in values
    QCOMPARE(c->gskValue, 3);
    QCOMPARE(c->gmsMax, 4000);
    QCOMPARE(c->gskMax, 3);
    QCOMPARE(QString::fromStdString(orvex_sim::logFilePath()),
             dir_.filePath(QStringLiteral("demo.log")));

    QCOMPARE(orvex_sim::portNames(), (std::vector<std::string>{"CAMB", "CAMA"}));
    const orvex_sim::CameraSettings& a = orvex_sim::settings("CAMA");
    QCOMPARE(int(a.cameraType), 7);
    QCOMPARE(a.serialNumber, 4242u);
    QCOMPARE(int(a.versions.riscvVersion), 0x12A3);
    QCOMPARE(int(a.versions.fpgaVersion), 0x0240);
    QVERIFY(!a.hasShutter);
    QCOMPARE(a.gamma, 98304u);
    QCOMPARE(int(a.ia.maxBoxes), 20);
    QCOMPARE(a.fpgaTemperature, 300000.0f);
    QCOMPARE(orvex_sim::settings("CAMB").zoom.factor, 3.5f);
    QCOMPARE(orvex_sim::settings("CAMB").serialNumber, 10u); // a leading zero is no octal
    QCOMPARE(int(orvex_sim::settings("CAMB").cameraType), 12);
}

void TestSimSdk::environmentVariableNamesTheFile()
{
    const QString path = writeIni("[sdk]\nlinkType=TCP\ncameras=ENV1\n", QStringLiteral("env.ini"));
    qputenv("ORVEX_SDK_CONFIG", path.toLocal8Bit());
    orvex_sim::reset();
    qunsetenv("ORVEX_SDK_CONFIG");

    QCOMPARE(QByteArray(configuration()->getCommunicationType()), QByteArray("TCP"));
    QCOMPARE(orvex_sim::portNames(), std::vector<std::string>{"ENV1"});
}

void TestSimSdk::laterInitializeChangesNothing()
{
    resetWith("[expert]\ngskValue=3\n");
    QVERIFY(sdk()->initialize());
    configuration()->gskValue = 1; // as the window stores an expert value
    orvex_sim::settings("SIM1").gamma = 40000;

    QVERIFY(sdk()->initialize());
    QCOMPARE(configuration()->gskValue, 1);
    QCOMPARE(orvex_sim::settings("SIM1").gamma, 40000u);
}

void TestSimSdk::resetReadsTheFileAsItIsNow()
{
    // Rewritten at once under the same name, as an operator editing the demo file would.
    resetWith("[sdk]\nlinkType=AAAA\n");
    QCOMPARE(QByteArray(configuration()->getCommunicationType()), QByteArray("AAAA"));
    resetWith("[sdk]\nlinkType=BB\n");
    QCOMPARE(QByteArray(configuration()->getCommunicationType()), QByteArray("BB"));
}

void TestSimSdk::missingFileGivesOneMessageAndBuiltIns()
{
    const QString path = dir_.filePath(QStringLiteral("absent.ini"));
    StderrCapture capture;
    orvex_sim::reset(path.toStdString());
    const QStringList messages = capture.lines();

    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().contains(path), qPrintable(messages.first()));
    QVERIFY(messages.first().contains(QStringLiteral("built-in")));
    QCOMPARE(QByteArray(configuration()->getCommunicationType()), QByteArray("UART"));
    QCOMPARE(orvex_sim::portNames(), std::vector<std::string>{"SIM1"});
}

void TestSimSdk::badValueKeepsBuiltInWithOneMessage_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("builtIn");
    QTest::addColumn<Check>("keptBuiltIn");

    QTest::newRow("text for a real")
        << QByteArray("[defaults]\ngamma=abc\n") << "[defaults] gamma"
        << "1" << Check([] { return configuration()->getDefaultGamma() == 1.0; });
    QTest::newRow("decimal comma")
        << QByteArray("[defaults]\nsharpening=0,75\n") << "[defaults] sharpening"
        << "0.5" << Check([] { return configuration()->getDefaultSharpening() == 0.5; });
    QTest::newRow("real for a whole number")
        << QByteArray("[expert]\ngskMax=2.5\n") << "[expert] gskMax"
        << "3" << Check([] { return configuration()->gskMax == 3; });
    QTest::newRow("byte out of range")
        << QByteArray("[defaults]\niaMaxBoxes=300\n") << "[defaults] iaMaxBoxes"
        << "10" << Check([] { return configuration()->getDefaultIaMaxBoxes() == 10; });
    QTest::newRow("not a flag") << QByteArray("[sdk]\nexpertMode=maybe\n") << "[sdk] expertMode"
                                << "true"
                                << Check([] { return configuration()->isExpertModeEnabled(); });
    QTest::newRow("negative serial number")
        << QByteArray("[camera.SIM1]\nserialNumber=-4\n") << "[camera.SIM1] serialNumber"
        << "12345" << Check([] { return orvex_sim::settings("SIM1").serialNumber == 12345; });
    QTest::newRow("negative latency")
        << QByteArray("[camera.SIM1]\nlatencyMs=-3\n") << "[camera.SIM1] latencyMs"
        << "0" << Check([] { return orvex_sim::faults("SIM1").latencyMs == 0; });
}

void TestSimSdk::badValueKeepsBuiltInWithOneMessage()
{
    QFETCH(QByteArray, ini);
    QFETCH(QString, key);
    QFETCH(QString, builtIn);
    QFETCH(Check, keptBuiltIn);

    QStringList messages;
    const QString path = iniMessagesOf(ini, messages);

    QCOMPARE(messages.size(), 1);
    const QString& message = messages.first();
    QVERIFY2(message.contains(path), qPrintable(message));
    QVERIFY2(message.contains(key), qPrintable(message));
    QVERIFY2(message.contains(QStringLiteral("built-in value %1 ").arg(builtIn)),
             qPrintable(message));
    QVERIFY(keptBuiltIn());
}

void TestSimSdk::unknownKeyGivesOneMessage_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("named");

    QTest::newRow("misspelt key") << QByteArray("[defaults]\ngammma=1.5\n") << "[defaults] gammma";
    QTest::newRow("unknown section")
        << QByteArray("[cameras.SIM1]\ncameraType=3\nhasShutter=false\n") << "[cameras.SIM1]";
    QTest::newRow("camera not listed")
        << QByteArray("[sdk]\ncameras=SIM1\n[camera.SIM2]\ncameraType=3\n") << "[camera.SIM2]";
    QTest::newRow("outside any section") << QByteArray("linkType=UART\n") << "linkType";
    QTest::newRow("unknown operation refused")
        << QByteArray("[camera.SIM1]\nrefused=setGama\n") << "setGama";
    QTest::newRow("no key=value") << QByteArray("[defaults]\ngamma 1.5\n")
                                  << "line 2: \"gamma 1.5\" is no [section] and no key=value";
    QTest::newRow("unclosed section")
        << QByteArray("[expert\ngskMin=0\n") << "line 1: \"[expert\" is not closed by ]";
    QTest::newRow("duplicate key") << QByteArray("[defaults]\ngamma=1.5\n\ngamma=2\n")
                                   << "line 4: [defaults] gamma appears again (first on line 2)";
    QTest::newRow("duplicate section") << QByteArray("[defaults]\ngamma=1.5\n[defaults]\nclhe=3\n")
                                       << "line 3: section [defaults] appears again";
    QTest::newRow("not UTF-8") << QByteArray("[sdk]\r\nlinkType=UART\r\nexpertMode=\xff\n")
                               << "line 3: is no text";
}

void TestSimSdk::unknownKeyGivesOneMessage()
{
    QFETCH(QByteArray, ini);
    QFETCH(QString, named);

    QStringList messages;
    const QString path = iniMessagesOf(ini, messages);

    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().contains(path), qPrintable(messages.first()));
    QVERIFY2(messages.first().contains(named), qPrintable(messages.first()));
    QVERIFY(messages.first().contains(QStringLiteral("ignored")));
    QCOMPARE(QByteArray(configuration()->getCommunicationType()), QByteArray("UART"));
}

void TestSimSdk::faultsComeFromTheFile()
{
    QStringList messages;
    iniMessagesOf("[camera.SIM1]\n"
                  "refused=setGamma,getTemperatures\n"
                  "silent=true\n"
                  "cameraTypeFails=true\n"
                  "shutterPresenceStatus=0\n"
                  "failTemperatureAfter=3\n"
                  "iaReadStatus=2\n"
                  "unplugAfterSeconds=60\n"
                  "latencyMs=5\n",
                  messages);
    QCOMPARE(messages, QStringList());

    const orvex_sim::Faults& f = orvex_sim::faults("SIM1");
    QCOMPARE(f.refused, (std::set<std::string>{"setGamma", "getTemperatures"}));
    QVERIFY(f.silent);
    QVERIFY(f.cameraTypeFails);
    QCOMPARE(f.shutterPresenceStatus, 0);
    QCOMPARE(f.temperatureReadsLeft, 3);
    QCOMPARE(f.iaReadStatus, 2);
    QCOMPARE(f.unplugAfterMs, 60000);
    QCOMPARE(f.latencyMs, 5);
}

void TestSimSdk::documentedExampleReadsCleanly()
{
    const QString path = QFINDTESTDATA("../docs/demo.ini");
    QVERIFY(!path.isEmpty());
    StderrCapture capture;
    orvex_sim::reset(path.toStdString());
    QCOMPARE(capture.lines(), QStringList());
    QCOMPARE(orvex_sim::portNames(), (std::vector<std::string>{"SIM1", "SIM2"}));
    QVERIFY(!orvex_sim::settings("SIM2").hasShutter);
    QCOMPARE(orvex_sim::faults("SIM2").refused, std::set<std::string>{"setVerticalFlip"});
    QVERIFY(orvex_sim::faults("SIM1").refused.empty());

    // The page that documents the keys shows this very file.
    QFile ini(path);
    QFile page(QFINDTESTDATA("../docs/simulated-cameras.md"));
    QVERIFY(ini.open(QIODevice::ReadOnly) && page.open(QIODevice::ReadOnly));
    QVERIFY(page.readAll().contains(ini.readAll().trimmed()));
}

void TestSimSdk::oneLinePerLogger()
{
    {
        orvex_sdk::SDKLogger logger(orvex_sdk::info);
        logger.GetILogger().writeText("QT Version ").writeString(std::string("5.15.8"));
    }
    {
        orvex_sdk::SDKLogger logger(orvex_sdk::trace);
        logger.GetILogger().writeText("QT Built in ");
    }

    const QStringList lines = logLines(QString::fromStdString(orvex_sim::logFilePath()));
    QCOMPARE(lines.size(), 2);
    const QRegularExpression record(
        QStringLiteral(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z (\d) (\w+) (.*)$)"));
    const QRegularExpressionMatch first = record.match(lines.at(0));
    QVERIFY2(first.hasMatch(), qPrintable(lines.at(0)));
    QCOMPARE(first.captured(1), QStringLiteral("2"));
    QCOMPARE(first.captured(2), QStringLiteral("info"));
    QCOMPARE(first.captured(3), QStringLiteral("QT Version 5.15.8"));
    const QRegularExpressionMatch second = record.match(lines.at(1));
    QVERIFY2(second.hasMatch(), qPrintable(lines.at(1)));
    QCOMPARE(second.captured(1), QStringLiteral("0"));
    QCOMPARE(second.captured(3), QStringLiteral("QT Built in "));
}

void TestSimSdk::lineFeedsAndBackslashesStayInOneRecord()
{
    {
        orvex_sdk::SDKLogger logger(orvex_sdk::warning);
        logger.GetILogger().writeText("RISC-V version = 1.2.0.3\nFPGA version = 0.2.4.0 C:\\x");
    }
    const QStringList lines = logLines(QString::fromStdString(orvex_sim::logFilePath()));
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first().endsWith(
                 QStringLiteral(" 3 warning RISC-V version = 1.2.0.3\\nFPGA version = 0.2.4.0 "
                                "C:\\\\x")),
             qPrintable(lines.first()));
}

void TestSimSdk::concurrentLoggersNeverInterleave()
{
    constexpr int threads = 6;
    constexpr int recordsEach = 150;
    const std::string payload(300, 'x');
    std::vector<std::thread> writers;
    for (int t = 0; t < threads; ++t) {
        writers.emplace_back([t, &payload] {
            for (int r = 0; r < recordsEach; ++r) {
                orvex_sdk::SDKLogger logger(orvex_sdk::info);
                logger.GetILogger().writeString("thread " + std::to_string(t) + ' ');
                logger.GetILogger().writeString(payload).writeText(" end");
            }
        });
    }
    for (std::thread& writer : writers)
        writer.join();

    const QStringList lines = logLines(QString::fromStdString(orvex_sim::logFilePath()));
    QCOMPARE(lines.size(), threads * recordsEach);
    const QRegularExpression whole(QStringLiteral(" 2 info thread \\d x{300} end$"));
    for (const QString& line : lines)
        QVERIFY2(whole.match(line).hasMatch(), qPrintable(line));
}

void TestSimSdk::relativeLogFileLiesBesideTheIni()
{
    QDir(dir_.path()).mkdir(QStringLiteral("conf"));
    const QString path =
        writeIni("[sdk]\nlogFile=logs/camera.log\n", QStringLiteral("conf/sdk.ini"));
    orvex_sim::reset(path.toStdString());
    const QString expected = dir_.filePath(QStringLiteral("conf/logs/camera.log"));
    QCOMPARE(QString::fromStdString(orvex_sim::logFilePath()), expected);

    {
        orvex_sdk::SDKLogger(orvex_sdk::debug).GetILogger().writeText("kept");
    }
    QCOMPARE(logLines(expected).size(), 1);
}

void TestSimSdk::cameraAcceptsValuesInRange_data()
{
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<Check>("stored");

    const auto row = [](const char* name, Operation operation, Check stored) {
        QTest::newRow(name) << operation << stored;
    };
    const auto s = [] {
        return orvex_sim::settings("SIM1");
    };
    row(
        "gamma 0.5", [](Device& d) { return d.setGamma(32768); },
        [=] { return s().gamma == 32768; });
    row(
        "gamma 2.5", [](Device& d) { return d.setGamma(163840); },
        [=] { return s().gamma == 163840; });
    row(
        "clhe 30000", [](Device& d) { return d.setClhe(30000); },
        [=] { return s().clhe == 30000; });
    row(
        "sharpening 4.0", [](Device& d) { return d.setSharpening(1024); },
        [=] { return s().sharpening == 1024; });
    row(
        "roi x1 5", [](Device& d) { return d.setRoiX1(5); }, [=] { return s().roiX1 == 5; });
    row(
        "roi x2 1275", [](Device& d) { return d.setRoiX2(1275); },
        [=] { return s().roiX2 == 1275; });
    row(
        "roi y1 1019", [](Device& d) { return d.setRoiY1(1019); },
        [=] { return s().roiY1 == 1019; });
    row(
        "roi y2 5", [](Device& d) { return d.setRoiY2(5); }, [=] { return s().roiY2 == 5; });
    row(
        "zoom 8 at the far corner",
        [](Device& d) {
            const orvex_sdk::ZoomSettings zoom{8.0f, 1279, 1023, 1};
            return d.setZoom(&zoom);
        },
        [=] {
            const orvex_sdk::ZoomSettings z = s().zoom;
            return z.factor == 8.0f && z.xCenter == 1279 && z.yCenter == 1023 && z.method == 1;
        });
    row(
        "contrast type 1", [](Device& d) { return d.setContrastType(1); },
        [=] { return s().contrastType == 1; });
    row(
        "video output 0", [](Device& d) { return d.setVideoOutput(0); },
        [=] { return s().videoOutput == 0; });
    row(
        "nuc state 0", [](Device& d) { return d.setNucEnabled(0); },
        [=] { return s().nucState == 0; });
    row(
        "ia at its limits",
        [](Device& d) {
            const orvex_sdk::IaConfiguration ia{4, 100, 100, 100, 3};
            return d.setIaConfiguration(&ia);
        },
        [=] {
            const orvex_sdk::IaConfiguration ia = s().ia;
            return ia.resizeMode == 4 && ia.maxBoxes == 100 && ia.outputType == 3;
        });
    row(
        "gsk 3", [](Device& d) { return d.setGsk(3); }, [=] { return s().gsk == 3; });
    row(
        "gfid 0", [](Device& d) { return d.setGfid(0); }, [=] { return s().gfid == 0; });
    row(
        "gms 1000", [](Device& d) { return d.setGms(1000); }, [=] { return s().gms == 1000; });
    row(
        "tint 2", [](Device& d) { return d.setTint(2); }, [=] { return s().tint == 2; });
    row(
        "serial number", [](Device& d) { return d.setSerialNumber(987654); },
        [=] { return s().serialNumber == 987654; });
    row(
        "flip", [](Device& d) { return d.setVerticalFlip(true); },
        [=] { return s().verticalFlip; });
    row(
        "shutter closed", [](Device& d) { return d.setShutterPosition(true); },
        [=] { return s().shutterClosed; });
}

void TestSimSdk::cameraAcceptsValuesInRange()
{
    QFETCH(Operation, operation);
    QFETCH(Check, stored);

    Device* device = openCamera();
    QVERIFY(device);
    QVERIFY(operation(*device));
    QVERIFY(stored());
}

void TestSimSdk::cameraRefusesValuesOutOfRange_data()
{
    QTest::addColumn<Operation>("operation");

    const auto row = [](const char* name, Operation operation) {
        QTest::newRow(name) << operation;
    };
    row("gamma below 0.5", [](Device& d) { return d.setGamma(32767); });
    row("gamma above 2.5", [](Device& d) { return d.setGamma(163841); });
    row("clhe above 30000", [](Device& d) { return d.setClhe(30001); });
    row("sharpening above 4.0", [](Device& d) { return d.setSharpening(1025); });
    row("roi x1 in the margin", [](Device& d) { return d.setRoiX1(4); });
    row("roi x2 past the image", [](Device& d) { return d.setRoiX2(1276); });
    row("roi y1 negative", [](Device& d) { return d.setRoiY1(-10); });
    row("roi y2 past the image", [](Device& d) { return d.setRoiY2(1020); });
    const auto zoom = [](float factor, std::int32_t x, std::int32_t y, std::uint8_t method) {
        return [=](Device& d) {
            const orvex_sdk::ZoomSettings settings{factor, x, y, method};
            return d.setZoom(&settings);
        };
    };
    row("zoom below 1", zoom(0.9f, 640, 512, 0));
    row("zoom above 8", zoom(8.5f, 640, 512, 0));
    row("zoom factor NaN", zoom(std::numeric_limits<float>::quiet_NaN(), 640, 512, 0));
    row("zoom centre right of the image", zoom(2.0f, 1280, 512, 0));
    row("zoom centre above the image", zoom(2.0f, 640, -1, 0));
    row("zoom method 2", zoom(2.0f, 640, 512, 2));
    row("zoom without record", [](Device& d) { return d.setZoom(nullptr); });
    row("contrast type 2", [](Device& d) { return d.setContrastType(2); });
    row("video output 9", [](Device& d) { return d.setVideoOutput(9); });
    row("nuc state 3", [](Device& d) { return d.setNucEnabled(3); });
    row("nuc mode 2", [](Device& d) { return d.requestNuc(2); });
    const auto ia = [](std::uint8_t r, std::uint8_t b, std::uint8_t s, std::uint8_t i,
                       std::uint8_t o) {
        return [=](Device& d) {
            const orvex_sdk::IaConfiguration configuration{r, b, s, i, o};
            return d.setIaConfiguration(&configuration);
        };
    };
    row("ia resize mode 5", ia(5, 10, 50, 45, 0));
    row("ia boxes 101", ia(1, 101, 50, 45, 0));
    row("ia sensitivity 101", ia(1, 10, 101, 45, 0));
    row("ia iou 101", ia(1, 10, 50, 101, 0));
    row("ia output 4", ia(1, 10, 50, 45, 4));
    row("gsk below its limit", [](Device& d) { return d.setGsk(0); });
    row("gsk above its limit", [](Device& d) { return d.setGsk(4); });
    row("gfid above its limit", [](Device& d) { return d.setGfid(1001); });
    row("gms above its limit", [](Device& d) { return d.setGms(1001); });
    row("tint above its limit", [](Device& d) { return d.setTint(3); });
}

void TestSimSdk::cameraRefusesValuesOutOfRange()
{
    QFETCH(Operation, operation);

    Device* device = openCamera();
    QVERIFY(device);
    const orvex_sim::CameraSettings before = orvex_sim::settings("SIM1");
    QVERIFY(!operation(*device));
    const orvex_sim::CameraSettings after = orvex_sim::settings("SIM1");
    // A refused value leaves every setting as it was.
    QVERIFY(std::memcmp(&before.zoom, &after.zoom, sizeof before.zoom) == 0);
    QCOMPARE(after.gamma, before.gamma);
    QCOMPARE(after.clhe, before.clhe);
    QCOMPARE(after.sharpening, before.sharpening);
    QCOMPARE(after.roiX1, before.roiX1);
    QCOMPARE(after.roiX2, before.roiX2);
    QCOMPARE(after.roiY1, before.roiY1);
    QCOMPARE(after.roiY2, before.roiY2);
    QCOMPARE(after.contrastType, before.contrastType);
    QCOMPARE(after.videoOutput, before.videoOutput);
    QCOMPARE(after.nucState, before.nucState);
    QCOMPARE(std::memcmp(&after.ia, &before.ia, sizeof after.ia), 0);
    QCOMPARE(after.gsk, before.gsk);
    QCOMPARE(after.gfid, before.gfid);
    QCOMPARE(after.gms, before.gms);
    QCOMPARE(after.tint, before.tint);
    QCOMPARE(orvex_sim::journal().back().result, std::string("false"));
}

void TestSimSdk::expertLimitsFollowTheConfiguration()
{
    Device* device = openCamera();
    QVERIFY(!device->setGsk(5));
    orvex_sim::configuration().gskMax = 5;
    QVERIFY(device->setGsk(5));
    QCOMPARE(device->getGsk(), 5u);
}

void TestSimSdk::identityAndShutterAreReported()
{
    orvex_sim::settings("SIM1").serialNumber = 777;
    Device* device = openCamera();

    orvex_sdk::FirmwareVersions versions{0, 0};
    QVERIFY(device->getFirmwareVersions(&versions));
    QCOMPARE(int(versions.riscvVersion), 0x1203);
    QCOMPARE(int(versions.fpgaVersion), 0x0240);
    QCOMPARE(device->getSerialNumber(), 777u);

    std::uint8_t type = 0;
    QCOMPARE(int(device->getCameraType(&type)), 1);
    QCOMPARE(int(type), 12);

    std::uint8_t present = 0;
    QCOMPARE(int(device->getShutterPresence(&present)), 1);
    QCOMPARE(int(present), 1);

    std::uint8_t closed = 0x37;
    QVERIFY(device->getShutterPosition(&closed));
    QCOMPARE(int(closed), 0);
    QVERIFY(device->setShutterPosition(true));
    QVERIFY(device->getShutterPosition(&closed));
    QVERIFY(closed != 0);
}

void TestSimSdk::nucRequestSwitchesNucOn()
{
    Device* device = openCamera();
    QVERIFY(device->setNucEnabled(0));
    QVERIFY(!device->getNucEnabled());

    QVERIFY(device->requestNuc(0));
    QCOMPARE(int(orvex_sim::settings("SIM1").nucState), 2);
    QVERIFY(device->getNucEnabled());

    QVERIFY(device->setNucEnabled(0));
    QVERIFY(device->requestNuc(1));
    QVERIFY(device->getNucEnabled());
    // Counted, so that a program following the state file sees each request.
    QCOMPARE(orvex_sim::settings("SIM1").nucRequests, 2u);
}

void TestSimSdk::temperaturesDriftSlowlyAroundTheBase()
{
    Device* device = openCamera();
    const orvex_sim::CameraSettings& base = orvex_sim::settings("SIM1");
    orvex_sdk::Temperatures previous{0, 0};
    QVERIFY(device->getTemperatures(&previous));
    for (int read = 0; read < 5; ++read) {
        QTest::qWait(20);
        orvex_sdk::Temperatures now{0, 0};
        QVERIFY(device->getTemperatures(&now));
        // Within half a degree of the base, and no jump between reads close together.
        QVERIFY(std::fabs(now.fpgaTemperature - base.fpgaTemperature) < 500.0f);
        QVERIFY(std::fabs(now.sensorTemperature - base.sensorTemperature) < 500.0f);
        QVERIFY(std::fabs(now.fpgaTemperature - previous.fpgaTemperature) < 50.0f);
        QVERIFY(std::fabs(now.sensorTemperature - previous.sensorTemperature) < 50.0f);
        previous = now;
    }
    // Not a constant either.
    QTest::qWait(150);
    orvex_sdk::Temperatures later{0, 0};
    QVERIFY(device->getTemperatures(&later));
    QVERIFY(later.fpgaTemperature != previous.fpgaTemperature);
}

void TestSimSdk::settingsSurviveReconnect()
{
    orvex_sdk::Connection* connection = sdk()->createConnection();
    Device* device = connection->openDevice("SIM1");
    QVERIFY(device->setGamma(98304));
    QVERIFY(device->setHorizontalFlip(true));
    const orvex_sdk::IaConfiguration ia{2, 20, 30, 40, 1};
    QVERIFY(device->setIaConfiguration(&ia));
    QVERIFY(connection->closeDevice(device));
    sdk()->releaseConnection(&connection);

    connection = sdk()->createConnection();
    device = connection->openDevice("SIM1");
    QVERIFY(device);
    QCOMPARE(device->getGamma(), 98304u);
    QVERIFY(device->getHorizontalFlip());
    orvex_sdk::IaConfiguration read{0, 0, 0, 0, 0};
    QCOMPARE(int(device->getIaConfiguration(&read)), 1);
    QCOMPARE(std::memcmp(&read, &ia, sizeof ia), 0);
}

// What one run changed is there at the next; only what changed is written, and an open takes
// what another program left meanwhile.
void TestSimSdk::stateFileKeepsWhatChangedAcrossRuns()
{
    const QByteArray ini = "[sdk]\nlogFile=sdk.log\ncameras=SIM1,SIM2\nstateFile=kept/state.ini\n"
                           "[camera.SIM2]\nclhe=77\n";
    QVERIFY(QDir(dir_.path()).mkpath(QStringLiteral("kept")));
    const QString state = dir_.filePath(QStringLiteral("kept/state.ini"));
    QFile::remove(state);
    resetWith(ini);
    Device* device = openCamera("SIM1");
    QVERIFY(device->setGamma(98304));
    QVERIFY(!device->setGamma(1));
    const orvex_sdk::ZoomSettings zoom{2.3f, 100, 200, 1};
    QVERIFY(device->setZoom(&zoom));

    resetWith(ini);
    QCOMPARE(orvex_sim::settings("SIM1").gamma, 98304u);
    QCOMPARE(orvex_sim::settings("SIM1").zoom.factor, 2.3f);
    QCOMPARE(int(orvex_sim::settings("SIM1").zoom.method), 1);
    QCOMPARE(orvex_sim::settings("SIM2").clhe, 77u);
    const QStringList kept = logLines(state).filter(QRegularExpression(QStringLiteral("^\\w+=")));
    QCOMPARE(kept, (QStringList{"gamma=98304", "zoomFactor=2.29999995", "zoomXCenter=100",
                                "zoomYCenter=200", "zoomMethod=1"}));

    QFile file(state);
    QVERIFY(file.open(QIODevice::Append));
    file.write("[camera.SIM2]\nclhe=99\n");
    file.close();
    QCOMPARE(openCamera("SIM2")->getClhe(), 99u);
}

void TestSimSdk::damagedStateFileGivesOneLineAndTheConfiguredValues_data()
{
    QTest::addColumn<QByteArray>("damage");
    QTest::addColumn<QString>("said");
    QTest::newRow("not INI") << QByteArray("garbage\n") << "line 3: \"garbage\" is no [section]";
    QTest::newRow("duplicate key") << QByteArray("gamma=98304\n") << "line 3: [camera.SIM1] gamma";
    QTest::newRow("bad value") << QByteArray("clhe=lots\n") << "clhe = \"lots\" is no value";
    QTest::newRow("beyond its type") << QByteArray("zoomMethod=256\n") << "zoomMethod = \"256\"";
    QTest::newRow("unknown key") << QByteArray("brightness=3\n")
                                 << "brightness is no setting a camera keeps";
    QTest::newRow("other section") << QByteArray("[sdk]\n") << "[sdk] is no [camera.PORT]";
}

void TestSimSdk::damagedStateFileGivesOneLineAndTheConfiguredValues()
{
    QFETCH(QByteArray, damage);
    QFETCH(QString, said);
    writeIni("[camera.SIM1]\ngamma=98304\n" + damage, QStringLiteral("state.ini"));
    QStringList messages;
    iniMessagesOf("[sdk]\nlogFile=sdk.log\nstateFile=state.ini\n", messages);
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().startsWith(QStringLiteral("orvex-sdk: state file ")) &&
                 messages.first().contains(said) &&
                 messages.first().contains(QStringLiteral("the configured values are used")),
             qPrintable(messages.first()));
    QCOMPARE(orvex_sim::settings("SIM1").gamma, 65536u);

    StderrCapture capture;
    Device* device = openCamera();
    QCOMPARE(device->getGamma(), 65536u);
    QVERIFY(device->setClhe(41));
    QCOMPARE(capture.lines(), QStringList());
    resetWith("[sdk]\nlogFile=sdk.log\nstateFile=state.ini\n");
    QCOMPARE(orvex_sim::settings("SIM1").clhe, 41u);
}

void TestSimSdk::unusableStateFileGivesOneLineWithItsCause_data()
{
    QTest::addColumn<QByteArray>("stateFile");
    QTest::addColumn<QString>("said");
    QTest::newRow("a folder") << QByteArray("kept") << "kept is a folder; the configured values";
    QTest::newRow("no folder") << QByteArray("absent/state.ini")
                               << "absent/state.ini.lock cannot be made (its folder";
    QTest::newRow("a file as its folder") << QByteArray("plain/state.ini") << "plain is no folder";
    QTest::newRow("the configuration itself")
        << QByteArray("sdk.ini") << "[sdk] stateFile names this configuration file itself";
    // Log records in the state file would damage it for the next run.
    QTest::newRow("the log file")
        << QByteArray("sdk.log")
        << "[sdk] logFile and stateFile name the same file; the built-in log file is used";
    QTest::newRow("the log file, spelt otherwise")
        << QByteArray(".//sdk.log") << "[sdk] logFile and stateFile name the same file";
#ifndef _WIN32
    // Before the log is made, too.
    QTest::newRow("a link to the log file")
        << QByteArray("logLink") << "[sdk] logFile and stateFile name the same file";
    QTest::newRow("the log file through a folder's link")
        << QByteArray("here/sdk.log") << "[sdk] logFile and stateFile name the same file";
#endif
    QTest::newRow("at the size cap") << QByteArray("cap.ini") << "cap.ini is damaged (line 1";
    QTest::newRow("over the size cap")
        << QByteArray("over.ini") << "over.ini is larger than 16 MiB";
}

void TestSimSdk::unusableStateFileGivesOneLineWithItsCause()
{
    QFETCH(QByteArray, stateFile);
    QFETCH(QString, said);
    QVERIFY(QDir(dir_.path()).mkpath(QStringLiteral("kept")));
    writeIni("", QStringLiteral("plain"));
    QFile::link(dir_.filePath(QStringLiteral("sdk.log")), dir_.filePath(QStringLiteral("logLink")));
    QFile::link(dir_.path(), dir_.filePath(QStringLiteral("here")));
    // Damaged on its first line, so that reading it says so; the cap is 16 MiB.
    const QByteArray capped = "damaged\n" + QByteArray(16 * 1024 * 1024 - 8, ';');
    if (stateFile == "cap.ini" || stateFile == "over.ini")
        writeIni(stateFile == "cap.ini" ? capped : capped + ';', QString::fromLatin1(stateFile));
    StderrCapture capture;
    resetWith("[sdk]\nlogFile=sdk.log\nstateFile=" + stateFile + "\n");
    Device* device = openCamera();
    QVERIFY(device->setGamma(98304));
    QVERIFY(device->setClhe(41));
    const QStringList messages = capture.lines();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().contains(said), qPrintable(messages.first()));
}

// The window here, orvexhd-cli there, on one camera: each change is made to what the camera holds
// at that moment, and a read reads that, whichever program changed it last.
void TestSimSdk::aChangeMeetsWhatAnotherProgramChanged()
{
    QFile::remove(dir_.filePath(QStringLiteral("state.ini")));
    const QString ini = resetWith("[sdk]\nlogFile=sdk.log\nstateFile=state.ini\n");
    Device* device = openCamera();
    OtherProgram other(ini, {"set", "--port", "SIM1", "columnCorrection=false", "gamma=1.5"});
    QVERIFY(other.ends());
    QCOMPARE(other.status(), 0);
    QCOMPARE(device->getGamma(), 98304u);

    // Set again to what this program last saw, and read back as --verify does.
    QVERIFY(device->setColumnCorrection(true));
    QVERIFY(device->getColumnCorrection());
    // As the window's Reset sends the defaults after orvexhd-cli changed one.
    OtherProgram later(ini, {"set", "--port", "SIM1", "gamma=2"});
    QVERIFY(later.ends());
    QVERIFY(device->setGamma(65536));
    const QStringList kept = logLines(dir_.filePath(QStringLiteral("state.ini")))
                                 .filter(QRegularExpression(QStringLiteral("^\\w+=")));
    QCOMPARE(kept, (QStringList{"gamma=65536", "columnCorrection=true"}));
}

void TestSimSdk::requestsAtOnceAreAllCounted()
{
    // Slow enough that every program holds the camera while the others ask.
    const QString ini = writeIni("[sdk]\nlogFile=sdk.log\nstateFile=state.ini\n"
                                 "[camera.SIM1]\nlatencyMs=300\n");
    QFile::remove(dir_.filePath(QStringLiteral("state.ini")));
    std::vector<std::unique_ptr<OtherProgram>> programs;
    for (int program = 0; program < 5; ++program)
        programs.push_back(
            std::make_unique<OtherProgram>(ini, QStringList{"nuc", "--port", "SIM1"}));
    for (const auto& program : programs) {
        QVERIFY(program->ends());
        QCOMPARE(program->status(), 0);
    }
    orvex_sim::reset(ini.toStdString());
    QCOMPARE(orvex_sim::settings("SIM1").nucRequests, 5u);
}

void TestSimSdk::builtInLogIsTheUsersOwn()
{
    const QByteArray home = qgetenv("HOME");
    const QByteArray stateHome = qgetenv("XDG_STATE_HOME");
    const auto restore = [](const char* name, const QByteArray& value) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    };
    const auto logsTo = [](const QString& expected) {
        QFile::remove(expected);
        orvex_sim::reset();
        QCOMPARE(QString::fromStdString(orvex_sim::logFilePath()), expected);
        orvex_sdk::SDKLogger(orvex_sdk::info).GetILogger().writeText("kept");
        QCOMPARE(logLines(expected).size(), 1);
    };
    qputenv("XDG_STATE_HOME", QFile::encodeName(dir_.filePath(QStringLiteral("xdg"))));
    logsTo(dir_.filePath(QStringLiteral("xdg/orvexhd/orvex-sdk.log")));
    qunsetenv("XDG_STATE_HOME");
    qputenv("HOME", QFile::encodeName(dir_.filePath(QStringLiteral("home"))));
    logsTo(dir_.filePath(QStringLiteral("home/.local/state/orvexhd/orvex-sdk.log")));
    qputenv("XDG_STATE_HOME", "state"); // relative: invalid, so ignored
    logsTo(dir_.filePath(QStringLiteral("home/.local/state/orvexhd/orvex-sdk.log")));
#ifndef _WIN32
    // Not in the machine's root folder: in the account's home, where nothing is written here.
    qunsetenv("HOME");
    orvex_sim::reset();
    QCOMPARE(QString::fromStdString(orvex_sim::logFilePath()),
             QDir(QFile::decodeName(::getpwuid(::geteuid())->pw_dir))
                 .filePath(QStringLiteral(".local/state/orvexhd/orvex-sdk.log")));
#endif
    restore("HOME", home);
    restore("XDG_STATE_HOME", stateHome);
#ifndef _WIN32
    // Made for this user alone: the records say what was done with which camera.
    const QFileInfo folder(dir_.filePath(QStringLiteral("home/.local")));
    const QFileInfo log(dir_.filePath(QStringLiteral("home/.local/state/orvexhd/orvex-sdk.log")));
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    QCOMPARE(folder.permissions() & others, QFile::Permissions());
    QCOMPARE(log.permissions() & others, QFile::Permissions());
#endif
}

void TestSimSdk::filesThatAreNoPlainFilesHoldNothingUp_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QString>("made");
    // Standard error, "%1" for the file and "%2" for the system's reason; empty: nothing.
    QTest::addColumn<QString>("said");
    const auto dropped = [](const char* why) {
        return QStringLiteral("orvex-sdk: SDK log file %1 ") + QLatin1String(why) +
               QStringLiteral("; its records are dropped");
    };
    const auto forgotten = [](const char* why) {
        return QStringLiteral("orvex-sdk: state file %1 ") + QLatin1String(why) +
               QStringLiteral("; the configured values are used, and changes are not kept");
    };
    const char* const fifo = "is a FIFO, which would hold the program until something reads it";
    const char* const link = "is another user's symbolic link to a file that is not theirs";
    QTest::newRow("log: FIFO") << QByteArray("logFile") << "fifo" << dropped(fifo);
    QTest::newRow("log: socket") << QByteArray("logFile") << "socket" << dropped("is a socket");
    QTest::newRow("log: link") << QByteArray("logFile") << "link" << dropped(link);
    QTest::newRow("log: own link") << QByteArray("logFile") << "own link" << QString();
    QTest::newRow("log: folder") << QByteArray("logFile") << "folder" << dropped("is a folder");
    QTest::newRow("log: unwritable")
        << QByteArray("logFile") << "unwritable" << dropped("cannot be opened (%2)");
    QTest::newRow("log: null device") << QByteArray("logFile") << "null" << QString();
    QTest::newRow("state: FIFO") << QByteArray("stateFile") << "fifo" << forgotten(fifo);
    QTest::newRow("state: socket")
        << QByteArray("stateFile") << "socket" << forgotten("is a socket");
    QTest::newRow("state: link") << QByteArray("stateFile") << "link" << forgotten(link);
    QTest::newRow("state: own link") << QByteArray("stateFile") << "own link" << QString();
    QTest::newRow("state: folder")
        << QByteArray("stateFile") << "folder" << forgotten("is a folder");
    QTest::newRow("state: unwritable")
        << QByteArray("stateFile") << "unwritable"
        << QStringLiteral("orvex-sdk: state file %1 cannot be written (%2); changes are not kept");
    QTest::newRow("state: null device") << QByteArray("stateFile") << "null" << QString();
    // Waited for once, not at every change.
    QTest::newRow("state: lock held")
        << QByteArray("stateFile") << "held lock"
        << QStringLiteral("orvex-sdk: state file %1 stays locked by another program; changes are "
                          "not kept");
    // A stale lock is removed under a second lock, whose file is read as the first one's is.
    QTest::newRow("state: stale lock, a FIFO beside it")
        << QByteArray("stateFile") << "stale lock"
        << QStringLiteral("orvex-sdk: state file %1 cannot be written: its lock file "
                          "%1.lock.rmlock ") +
               QLatin1String(fifo) + QStringLiteral("; changes are not kept");
}

// Each one is said in a line, once, and the camera's work goes on.
void TestSimSdk::filesThatAreNoPlainFilesHoldNothingUp()
{
    QFETCH(QByteArray, key);
    QFETCH(QString, made);
    QFETCH(QString, said);
    const QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("named"));
    const QString theirs = folder.filePath(QStringLiteral("theirs"));
    const QByteArray name = QFile::encodeName(path);
    QVERIFY(QFile(theirs).open(QIODevice::WriteOnly));
    bool ready = false;
    bool immutable = false;
#ifndef _WIN32
    if (made == "fifo")
        ready = ::mkfifo(name.constData(), 0600) == 0;
    else if (made == "socket")
        ready = makeSocket(path);
    else if (made == "folder")
        ready = QDir().mkdir(path);
    else if (made == "link") // by nobody, to a file of this user's
        ready = QFile::link(theirs, path) && ::lchown(name.constData(), 65534, 65534) == 0;
    else if (made == "own link")
        ready = QFile::link(theirs, path);
    else if (made == "null") // of the fixture's own: no device of the machine is written
        ready = makeDeviceNode(path, DeviceNode::Null);
    else if (made == "unwritable") { // a mode does not stop root; an immutable file does
        immutable = ::geteuid() == 0;
        // A value of its own, which a change it could not keep must not bring back.
        QFile file(path);
        ready = file.open(QIODevice::WriteOnly) && file.write("[camera.SIM1]\nclhe=40\n") > 0;
        file.close();
        ready = ready && (immutable ? QProcess::execute("chattr", {"+i", path}) == 0
                                    : QFile::setPermissions(path, QFile::ReadOwner));
    } else if (made == "stale lock") { // of a program on another machine, long gone
        QFile lock(path + QStringLiteral(".lock"));
        ready = lock.open(QIODevice::WriteOnly) && lock.write("1\nother\nelsewhere\n") > 0 &&
                lock.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                 QFileDevice::FileModificationTime) &&
                ::mkfifo(QFile::encodeName(lock.fileName() + ".rmlock").constData(), 0600) == 0;
    }
#endif
    QLockFile held(path + QStringLiteral(".lock"));
    if (made == "held lock")
        ready = held.tryLock(0);
    if (!ready)
        QSKIP("this system, or this user, cannot make it");
    const QByteArray ini = "[sdk]\nlogFile=" + (key == "logFile" ? name : "sdk.log") +
                           (key == "stateFile" ? "\nstateFile=" + name : QByteArray()) + "\n";
    OtherProgram program(writeIni(ini), {"set", "--port", "SIM1", "clhe=41", "gamma=1.25",
                                         "sharpening=0.75", "--verify"});
    const bool ended = program.ends();
    if (immutable)
        QProcess::execute("chattr", {"-i", path});
    QVERIFY2(ended, "it waited on the file");
    QCOMPARE(program.status(), 0);
    const QStringList lines = program.errorLines();
    QCOMPARE(lines.size(), said.isEmpty() ? 0 : 1);
    // A link of this user's own is followed where it points.
    QCOMPARE(logLines(theirs).isEmpty(), made != "own link");
    if (said.isEmpty())
        return;
    const QStringList around = said.arg(path).split(QStringLiteral("%2"));
    QVERIFY2(lines.first().startsWith(around.first()) && lines.first().endsWith(around.last()),
             qPrintable(lines.first()));
}

void TestSimSdk::refusedOperationsFail()
{
    orvex_sim::faults("SIM1").refused = {"setGamma", "getGamma", "getCameraType", "getPolarity"};
    orvex_sim::settings("SIM1").polarity = true;
    Device* device = openCamera();

    QVERIFY(!device->setGamma(98304));
    QCOMPARE(orvex_sim::settings("SIM1").gamma, 65536u);
    QCOMPARE(device->getGamma(), 0u);
    std::uint8_t type = 0x55;
    QCOMPARE(int(device->getCameraType(&type)), 0);
    QCOMPARE(int(type), 0x55);
    QVERIFY(!device->getPolarity());
    QVERIFY(device->setClhe(100)); // what is not named still works
}

void TestSimSdk::silentCameraReadsZeroVersions()
{
    orvex_sim::faults("SIM1").silent = true;
    Device* device = openCamera();
    orvex_sdk::FirmwareVersions versions{0x1111, 0x2222};
    QVERIFY(!device->getFirmwareVersions(&versions));
    QCOMPARE(int(versions.riscvVersion), 0);
    QCOMPARE(int(versions.fpgaVersion), 0);
    std::uint8_t type = 0;
    QCOMPARE(int(device->getCameraType(&type)), 1); // it still tells its type
}

void TestSimSdk::cameraTypeReadCanFail()
{
    orvex_sim::faults("SIM1").cameraTypeFails = true;
    Device* device = openCamera();
    std::uint8_t type = 0;
    QCOMPARE(int(device->getCameraType(&type)), 0);
    QCOMPARE(int(type), 0);
}

void TestSimSdk::cameraWithoutShutter()
{
    resetWith("[sdk]\nlogFile=sdk.log\n[camera.SIM1]\nhasShutter=false\n");
    Device* device = openCamera();
    std::uint8_t present = 0x37;
    QCOMPARE(int(device->getShutterPresence(&present)), 1);
    QCOMPARE(int(present), 0);
    QVERIFY(!device->setShutterPosition(true));
    QVERIFY(!device->requestNuc(1)); // the automatic routine needs the shutter
    QVERIFY(device->requestNuc(0));
    std::uint8_t closed = 0x37;
    QVERIFY(device->getShutterPosition(&closed));
    QCOMPARE(int(closed), 0);
}

void TestSimSdk::shutterPresenceStatusComesFromFaults()
{
    orvex_sim::faults("SIM1").shutterPresenceStatus = 0;
    Device* device = openCamera();
    std::uint8_t present = 0x37;
    QCOMPARE(int(device->getShutterPresence(&present)), 0);
    QCOMPARE(int(present), 0x37);
}

void TestSimSdk::temperatureReadFailsAfterNReads()
{
    orvex_sim::faults("SIM1").temperatureReadsLeft = 2;
    Device* device = openCamera();
    orvex_sdk::Temperatures temperatures{0, 0};
    QVERIFY(device->getTemperatures(&temperatures));
    QVERIFY(device->getTemperatures(&temperatures));
    QVERIFY(!device->getTemperatures(&temperatures));
    QVERIFY(!device->getTemperatures(&temperatures));
}

void TestSimSdk::iaReadStatusComesFromFaults()
{
    orvex_sim::faults("SIM1").iaReadStatus = 2;
    Device* device = openCamera();
    orvex_sdk::IaConfiguration ia{9, 9, 9, 9, 9};
    QCOMPARE(int(device->getIaConfiguration(&ia)), 2);
    QCOMPARE(int(ia.maxBoxes), 9);

    orvex_sim::faults("SIM1").iaReadStatus = 1;
    QCOMPARE(int(device->getIaConfiguration(&ia)), 1);
    QCOMPARE(int(ia.maxBoxes), 10);
}

void TestSimSdk::latencyDelaysEveryOperation()
{
    Device* device = openCamera();
    orvex_sim::faults("SIM1").latencyMs = 25;
    QElapsedTimer timer;
    timer.start();
    device->getGamma();
    device->setClhe(50);
    QVERIFY2(timer.elapsed() >= 50, qPrintable(QString::number(timer.elapsed())));
}

void TestSimSdk::unplugOnDemandRemovesThePort()
{
    resetWith("[sdk]\nlogFile=sdk.log\ncameras=SIM1,SIM2\n");
    Device* device = openCamera("SIM1");
    QVERIFY(device);

    orvex_sim::unplug("SIM1");
    QCOMPARE(orvex_sim::portNames(), std::vector<std::string>{"SIM2"});
    QCOMPARE(device->getGamma(), 0u);
    QVERIFY(!device->setGamma(98304));
    orvex_sdk::FirmwareVersions versions{1, 1};
    QVERIFY(!device->getFirmwareVersions(&versions));
    QCOMPARE(int(versions.riscvVersion), 0);
    QVERIFY(!sdk()->createConnection()->openDevice("SIM1"));
    QVERIFY(openCamera("SIM2"));
}

void TestSimSdk::unplugAfterDelayRemovesThePort()
{
    resetWith("[sdk]\nlogFile=sdk.log\n[camera.SIM1]\nunplugAfterSeconds=0.1\n");
    QCOMPARE(orvex_sim::portNames(), std::vector<std::string>{"SIM1"});
    Device* device = openCamera();
    QVERIFY(device);
    QVERIFY(device->setClhe(10));
    QTRY_VERIFY_WITH_TIMEOUT(orvex_sim::portNames().empty(), 2000);
    QVERIFY(!device->setClhe(20));

    // The test API counts from the last reset too.
    orvex_sim::reset();
    orvex_sim::faults("SIM1").unplugAfterMs = 60;
    QVERIFY(!orvex_sim::portNames().empty());
    QTRY_VERIFY_WITH_TIMEOUT(orvex_sim::portNames().empty(), 2000);
}

void TestSimSdk::journalRecordsOperationsInOrder()
{
    Device* device = openCamera();
    orvex_sim::clearJournal();

    QVERIFY(device->setGamma(98304));
    QCOMPARE(device->getGamma(), 98304u);
    QVERIFY(device->setPolarity(true));
    const orvex_sdk::ZoomSettings zoom{2.5f, 700, 500, 1};
    QVERIFY(device->setZoom(&zoom));
    const orvex_sdk::IaConfiguration ia{4, 100, 50, 45, 3};
    QVERIFY(device->setIaConfiguration(&ia));
    QVERIFY(device->setRoiX1(-3) == false);
    std::uint8_t type = 0;
    QCOMPARE(int(device->getCameraType(&type)), 1);
    QVERIFY(device->setVideoOutput(8));

    const std::vector<orvex_sim::JournalEntry> journal = orvex_sim::journal();
    const std::vector<std::vector<std::string>> expected{
        {"setGamma", "98304", "true"},
        {"getGamma", "", "98304"},
        {"setPolarity", "true", "true"},
        {"setZoom", "2.5,700,500,1", "true"},
        {"setIaConfiguration", "4,100,50,45,3", "true"},
        {"setRoiX1", "-3", "false"},
        {"getCameraType", "", "1"},
        {"setVideoOutput", "8", "true"},
    };
    QCOMPARE(journal.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        QCOMPARE(journal[i].port, std::string("SIM1"));
        QCOMPARE(journal[i].operation, expected[i][0]);
        QCOMPARE(journal[i].arguments, expected[i][1]);
        QCOMPARE(journal[i].result, expected[i][2]);
    }
}

void TestSimSdk::journalRecordsRefusedAndFailedCalls()
{
    orvex_sim::faults("SIM1").refused = {"setClhe"};
    Device* device = openCamera();
    orvex_sim::clearJournal();
    device->setClhe(10);
    orvex_sim::unplug("SIM1");
    device->getSerialNumber();

    const std::vector<orvex_sim::JournalEntry> journal = orvex_sim::journal();
    QCOMPARE(journal.size(), size_t(2));
    QCOMPARE(journal[0].operation, std::string("setClhe"));
    QCOMPARE(journal[0].arguments, std::string("10"));
    QCOMPARE(journal[0].result, std::string("false"));
    QCOMPARE(journal[1].operation, std::string("getSerialNumber"));
    QCOMPARE(journal[1].result, std::string("0"));
}

void TestSimSdk::zoomFactorIsJournaledExactly()
{
    Device* device = openCamera();
    const float factor = float(1.1); // the nearest float, as the window rounds it
    const orvex_sdk::ZoomSettings zoom{factor, 640, 512, 0};
    QVERIFY(device->setZoom(&zoom));
    const std::string arguments = orvex_sim::journal().back().arguments;
    const std::string written = arguments.substr(0, arguments.find(','));
    QCOMPARE(std::strtof(written.c_str(), nullptr), factor);
    QCOMPARE(orvex_sim::settings("SIM1").zoom.factor, factor);
}

void TestSimSdk::connectionsAndDevicesAreCounted()
{
    resetWith("[sdk]\nlogFile=sdk.log\ncameras=SIM1,SIM2\n");
    orvex_sdk::Connection* first = sdk()->createConnection();
    orvex_sdk::Connection* second = sdk()->createConnection();
    QVERIFY(first != second);
    QCOMPARE(orvex_sim::openConnectionCount(), 2);
    QCOMPARE(orvex_sim::openDeviceCount(), 0);

    Device* device = first->openDevice("SIM1");
    QVERIFY(device);
    QCOMPARE(orvex_sim::openDeviceCount(), 1);
    // A port is held by one opener at a time, as a serial port is.
    QVERIFY(!second->openDevice("SIM1"));
    QVERIFY(second->openDevice("SIM2"));
    QCOMPARE(orvex_sim::openDeviceCount(), 2);

    QVERIFY(!second->closeDevice(device)); // not its device
    QVERIFY(!first->closeDevice(nullptr));
    QVERIFY(first->closeDevice(device));
    QCOMPARE(orvex_sim::openDeviceCount(), 1);
    QVERIFY(!first->closeDevice(device)); // closing freed it: using it now is what ASan reports

    QCOMPARE(orvex_sim::parametersAppliedCount(), 0);
    QVERIFY(sdk()->notifyParametersApplied());
    QVERIFY(sdk()->notifyParametersApplied());
    QCOMPARE(orvex_sim::parametersAppliedCount(), 2);

    sdk()->releaseConnection(&first);
    QVERIFY(!first);
    QCOMPARE(orvex_sim::openConnectionCount(), 1);
    sdk()->releaseConnection(&first); // null-safe
    sdk()->releaseConnection(nullptr);
    QCOMPARE(orvex_sim::openConnectionCount(), 1);
}

void TestSimSdk::onlySimulatedPortsOpen()
{
    orvex_sdk::Connection* connection = sdk()->createConnection();
    QVERIFY(!connection->openDevice("COM1"));
    // A system port's kind of name, in a folder of the test's own: no device of the machine is
    // named.
    QTemporaryDir folder;
    QVERIFY(!connection->openDevice(QFile::encodeName(folder.filePath("ttyS0")).constData()));
    QVERIFY(!connection->openDevice("sim1"));
    QVERIFY(!connection->openDevice(""));
    QVERIFY(!connection->openDevice(nullptr));
    QCOMPARE(orvex_sim::openDeviceCount(), 0);
}

void TestSimSdk::releaseClosesWhatTheConnectionHolds()
{
    orvex_sdk::Connection* connection = sdk()->createConnection();
    QVERIFY(connection->openDevice("SIM1"));
    sdk()->releaseConnection(&connection);
    QVERIFY(!connection);
    QCOMPARE(orvex_sim::openDeviceCount(), 0);
    QCOMPARE(orvex_sim::openConnectionCount(), 0);
    QVERIFY(openCamera("SIM1")); // the port is free again
}

void TestSimSdk::resetDropsEverythingButKeepsOldAddressesSafe()
{
    orvex_sdk::Connection* connection = sdk()->createConnection();
    Device* device = connection->openDevice("SIM1");
    QVERIFY(device->setGamma(98304));
    sdk()->notifyParametersApplied();

    orvex_sim::reset();
    QCOMPARE(orvex_sim::openConnectionCount(), 0);
    QCOMPARE(orvex_sim::openDeviceCount(), 0);
    QCOMPARE(orvex_sim::parametersAppliedCount(), 0);
    QVERIFY(orvex_sim::journal().empty());
    QCOMPARE(orvex_sim::settings("SIM1").gamma, 65536u);

    // A window that outlived the reset still holds these: they fail, they do not crash.
    QCOMPARE(device->getGamma(), 0u);
    QVERIFY(!connection->closeDevice(device));
    QVERIFY(!connection->openDevice("SIM1"));
    sdk()->releaseConnection(&connection);
    QVERIFY(!connection);
    QVERIFY(openCamera("SIM1"));
}

void TestSimSdk::oneRootPerProcess()
{
    QCOMPARE(orvex_sdk::OrvexSdk::get_instance(), orvex_sdk::OrvexSdk::get_instance());
    QCOMPARE(sdk()->getConfiguration(), &orvex_sim::configuration());
}

// A vendor library reads and writes these fields by offset, not by name.
void TestSimSdk::configurationFieldsSitAtTheirOffsets()
{
    orvex_sdk::Configuration& configuration = orvex_sim::configuration();
    const auto offsetOf = [&configuration](const std::int32_t& field) {
        return reinterpret_cast<const char*>(&field) -
               reinterpret_cast<const char*>(&configuration);
    };
    QCOMPARE(offsetOf(configuration.gskValue), 16);
    QCOMPARE(offsetOf(configuration.gmsValue), 20);
    QCOMPARE(offsetOf(configuration.gfidValue), 24);
    QCOMPARE(offsetOf(configuration.tintValue), 28);
    QCOMPARE(offsetOf(configuration.gskMin), 52);
    QCOMPARE(offsetOf(configuration.gskMax), 56);
    QCOMPARE(offsetOf(configuration.gfidMin), 60);
    QCOMPARE(offsetOf(configuration.gfidMax), 64);
    QCOMPARE(offsetOf(configuration.tintMin), 68);
    QCOMPARE(offsetOf(configuration.tintMax), 72);
    QCOMPARE(offsetOf(configuration.gmsMin), 76);
    QCOMPARE(offsetOf(configuration.gmsMax), 80);
}

QTEST_GUILESS_MAIN(TestSimSdk)
#include "tst_simsdk.moc"
