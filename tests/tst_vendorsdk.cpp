// The programs over a vendor's SDK library named at run time: the tests' vendor-like one
// (tests/vendorlike, written from the SDK's header alone, one camera on ttyUSB0). The window
// connects, reads and sends, orvexhd-cli reads, applies and provisions, and the preview shows the
// camera's temperatures, all through the vendor's library and its log, while the simulated
// cameras stay untouched. Where the library is named from, and that a library named which cannot
// be used is said by every program, with its file and reason, and never replaced by the simulated
// cameras.
#include "commands.h"
#include "messageboxanswerer.h"
#include "portenumeration.h"
#include "previewwindow.h"
#include "sdkaccess.h"
#include "temperaturemonitor.h"
#include "windowfixture.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

const QString vendorPort = QStringLiteral("ttyUSB0");

struct Run {
    int status;
    QString out;
    QString err;
};

// orvexhd-cli in this process, over the SDK in force here.
Run runCli(const QStringList& arguments)
{
    Run run{-1, QString(), QString()};
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    cli::Console console(out, err, false);
    run.status = cli::run(QStringList{QStringLiteral("orvexhd-cli")} + arguments, console);
    return run;
}

Run runProgram(const QString& program, const QStringList& arguments,
               const QProcessEnvironment& environment, const QString& folder = QString())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    if (!process.waitForFinished(60000))
        return {-1, QString(), QString()};
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Shows nothing: the preview's window for its status bar alone.
class NoFrames : public FrameSource
{
public:
    void start() override {}
    QString name() const override { return QStringLiteral("none"); }
};

} // namespace

class VendorSdkTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void windowConnectsReadsAndSends();
    void cliReadsAppliesAndProvisions();
    void previewShowsTheTemperaturesAndSendsPortsToADevice();
    void theLibraryIsNamedByTheEnvironmentThenSdkIni_data();
    void theLibraryIsNamedByTheEnvironmentThenSdkIni();
    void aLibraryThatCannotBeUsedIsSaid_data();
    void aLibraryThatCannotBeUsedIsSaid();

private:
    QString path(const QString& name) const { return folder_->filePath(name); }
    // Names the library (empty: none) for this process and for the programs it starts.
    void useLibrary(const QString& library);
    QStringList vendorRecords() const;
    // The stand-in would read its configuration, and write its log and state file there.
    void checkStandInUntouched() const;
    QProcessEnvironment environment() const;

    std::unique_ptr<QTemporaryDir> folder_;
};

void VendorSdkTest::init()
{
    folder_ = std::make_unique<QTemporaryDir>();
    qputenv("ORVEX_VENDOR_LIKE_LOG", QFile::encodeName(path(QStringLiteral("vendor.log"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(path(QStringLiteral("config"))));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(path(QStringLiteral("machine"))));
    // A key the stand-in does not know, which it would say on reading this.
    writeFile(path(QStringLiteral("standin.ini")),
              QStringLiteral("[sdk]\nlogFile=%1\nstateFile=%2\nunheardOf=1\n")
                  .arg(path(QStringLiteral("standin.log")), path(QStringLiteral("state.ini")))
                  .toUtf8());
    qputenv("ORVEX_SDK_CONFIG", QFile::encodeName(path(QStringLiteral("standin.ini"))));
    ports::setEnumerator([] { return QStringList{vendorPort}; });
}

void VendorSdkTest::cleanup()
{
    ports::setEnumerator({});
    qunsetenv("ORVEX_SDK_LIBRARY");
    qunsetenv("ORVEX_SDK_CONFIG");
    sdkaccess::chooseAgain();
}

void VendorSdkTest::useLibrary(const QString& library)
{
    qputenv("ORVEX_SDK_LIBRARY", QFile::encodeName(library));
    sdkaccess::chooseAgain();
}

QStringList VendorSdkTest::vendorRecords() const
{
    QFile log(path(QStringLiteral("vendor.log")));
    if (!log.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void VendorSdkTest::checkStandInUntouched() const
{
    QVERIFY(!QFileInfo::exists(path(QStringLiteral("standin.log"))));
    QVERIFY(!QFileInfo::exists(path(QStringLiteral("state.ini"))));
}

QProcessEnvironment VendorSdkTest::environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    return environment;
}

void VendorSdkTest::windowConnectsReadsAndSends()
{
    useLibrary(QStringLiteral(VENDOR_LIKE));
    MessageBoxAnswerer answerer;
    WindowFixture fixture;
    fixture.connectCamera(vendorPort);
    QVERIFY(fixture.child<QPushButton>("disconnectDeviceButton")->isEnabled());
    const QStringList read = fixture.logLines();
    QVERIFY(read.contains(QStringLiteral("ALTERNATIVE SERIAL PORT : ttyUSB0")));
    QVERIFY2(read.contains(QStringLiteral("Serial number = 4242")), qPrintable(read.join('\n')));

    fixture.typeAndEnter("gammaEdit", QStringLiteral("1.5"));
    QCOMPARE(fixture.logLines().constLast(), QStringLiteral("Set GAMMA value OK"));
    fixture.click("disconnectDeviceButton");
    QCOMPARE(answerer.count(), 0);

    // Its own records through its own SDKLogger, the window's through the same, at level 2.
    const QStringList records = vendorRecords();
    QVERIFY(records.contains(QStringLiteral("1 openDevice ttyUSB0")));
    QVERIFY(records.contains(QStringLiteral("1 setGamma 98304")));
    QVERIFY(records.contains(QStringLiteral("2 Set GAMMA value OK")));
    QCOMPARE(records.constLast(), QStringLiteral("1 closeDevice"));
    checkStandInUntouched();
}

void VendorSdkTest::cliReadsAppliesAndProvisions()
{
    useLibrary(QStringLiteral(VENDOR_LIKE));
    QCOMPARE(runCli({"ports"}).out, vendorPort + '\n');
    // As a program started afresh: the system's ports alone, and the stand-in never read.
    QProcessEnvironment environment = this->environment();
    environment.insert(QStringLiteral("ORVEX_SDK_LIBRARY"), QStringLiteral(VENDOR_LIKE));
    const Run listed = runProgram(QStringLiteral(ORVEX_CLI_EXECUTABLE), {"ports"}, environment);
    QCOMPARE(listed.status, 0);
    QVERIFY(!listed.out.contains(QStringLiteral("SIM")));
    QCOMPARE(listed.err, QString());

    const Run info = runCli({"info", "--port", vendorPort});
    QCOMPARE(info.status, 0);
    QVERIFY2(info.out.startsWith(QStringLiteral("ttyUSB0: Camera SDK = " VENDOR_LIKE "\n")),
             qPrintable(info.out));
    QVERIFY(info.out.contains(QStringLiteral("ttyUSB0: FPGA temperature = 45 C\n")));

    const Run read = runCli({"read", "--port", vendorPort, "-o", path("read.ini")});
    QCOMPARE(read.status, 0);
    QFile profile(path(QStringLiteral("read.ini")));
    QVERIFY(profile.open(QIODevice::ReadOnly));
    const QByteArray readBack = profile.readAll();
    // Every section: the expert mode of its configuration, the detector of its camera type.
    QVERIFY2(readBack.contains("\n[user]\ngamma=") && readBack.contains("\n[expert]\ngsk=2\n") &&
                 readBack.contains("\n[ia]\n"),
             readBack.constData());

    writeFile(path(QStringLiteral("studio.ini")), "[user]\ngamma=1.5\n[expert]\ngsk=3\n");
    QCOMPARE(runCli({"apply", "--port", vendorPort, path("studio.ini"), "--verify"}).status, 0);
    writeFile(path(QStringLiteral("rows.csv")), "ttyUSB0,777,studio.ini\n");
    const Run provisioned = runCli({"provision", path("rows.csv")});
    QVERIFY2(provisioned.status == 0, qPrintable(provisioned.out + provisioned.err));

    const QStringList records = vendorRecords();
    for (const char* record : {"1 setGamma 98304", "1 setGsk 3", "1 notifyParametersApplied",
                               "1 setSerialNumber 777", "2 ttyUSB0: Set GAMMA value OK"})
        QVERIFY2(records.contains(QLatin1String(record)), record);
    checkStandInUntouched();
}

void VendorSdkTest::previewShowsTheTemperaturesAndSendsPortsToADevice()
{
    useLibrary(QStringLiteral(VENDOR_LIKE));
    PreviewWindow window(std::make_unique<NoFrames>());
    const auto* sdk = window.findChild<QLabel*>(QStringLiteral("sdkLabel"));
    QVERIFY(sdk);
    QCOMPARE(sdk->toolTip(), QStringLiteral("Camera SDK: " VENDOR_LIKE));
    TemperatureMonitor temperatures(vendorPort);
    connect(&temperatures, &TemperatureMonitor::temperaturesRead, &window,
            &PreviewWindow::showTemperatures);
    temperatures.start();
    const auto* shown = window.findChild<QLabel*>(QStringLiteral("temperatureLabel"));
    QVERIFY(shown);
    QCOMPARE(shown->text(), QStringLiteral("FPGA 45 C, sensor 32 C"));

    // The simulated camera's picture has no place beside a real camera.
    QProcessEnvironment environment = this->environment();
    environment.insert(QStringLiteral("ORVEX_SDK_LIBRARY"), QStringLiteral(VENDOR_LIKE));
    const Run alone =
        runProgram(QStringLiteral(ORVEX_PREVIEW_EXECUTABLE), {"--port", vendorPort}, environment);
    QCOMPARE(alone.status, 2);
    QVERIFY2(
        alone.err.contains(QStringLiteral("ttyUSB0 is a real camera's port: its picture "
                                          "comes from a capture device, which --device names")),
        qPrintable(alone.err));
    checkStandInUntouched();
}

void VendorSdkTest::theLibraryIsNamedByTheEnvironmentThenSdkIni_data()
{
    QTest::addColumn<QString>("library");   // ORVEX_SDK_LIBRARY
    QTest::addColumn<QByteArray>("user");   // sdk.ini in XDG_CONFIG_HOME
    QTest::addColumn<QByteArray>("system"); // sdk.ini in XDG_CONFIG_DIRS
    QTest::addColumn<QString>("named");     // FOLDER stands for the test's folder
    const QByteArray good = "[sdk]\nlibrary=lib/vendor.so\n";
    QTest::newRow("nothing") << QString() << QByteArray() << QByteArray()
                             << "camera SDK: simulated cameras";
    QTest::newRow("ORVEX_SDK_LIBRARY, from the working directory")
        << "lib/vendor.so" << QByteArray() << QByteArray() << "camera SDK: FOLDER/lib/vendor.so";
    QTest::newRow("the user's sdk.ini, from its folder")
        << QString() << good << QByteArray() << "camera SDK: FOLDER/config/orvexhd/lib/vendor.so";
    QTest::newRow("the system's sdk.ini")
        << QString() << QByteArray() << good << "camera SDK: FOLDER/machine/orvexhd/lib/vendor.so";
    QTest::newRow("the user's sdk.ini before the system's")
        << QString() << good << QByteArray("[sdk]\nlibrary=/x.so\n")
        << "camera SDK: FOLDER/config/orvexhd/lib/vendor.so";
    QTest::newRow("ORVEX_SDK_LIBRARY before sdk.ini")
        << "/opt/vendor.so" << QByteArray("[sdk]\n") << good << "camera SDK: /opt/vendor.so";
    QTest::newRow("an sdk.ini that cannot be used is not passed over")
        << QString() << QByteArray("[sdk]\nlibrary=\n") << good
        << "camera SDK: none: the camera SDK's settings FOLDER/config/orvexhd/sdk.ini cannot be "
           "used: [sdk] library= is empty";
}

// --version says it, as every program does, without loading anything.
void VendorSdkTest::theLibraryIsNamedByTheEnvironmentThenSdkIni()
{
    QFETCH(QString, library);
    QFETCH(QByteArray, user);
    QFETCH(QByteArray, system);
    QFETCH(QString, named);
    if (!user.isEmpty())
        writeFile(path(QStringLiteral("config/orvexhd/sdk.ini")), user);
    if (!system.isEmpty())
        writeFile(path(QStringLiteral("machine/orvexhd/sdk.ini")), system);
    QProcessEnvironment environment = this->environment();
    environment.insert(QStringLiteral("ORVEX_SDK_LIBRARY"), library);
    const Run version = runProgram(QStringLiteral(ORVEX_CLI_EXECUTABLE), {"--version"}, environment,
                                   folder_->path());
    QCOMPARE(version.status, 0);
    QCOMPARE(version.out, QStringLiteral("orvexhd-cli " ORVEX_VERSION "\n") +
                              QString(named).replace(QLatin1String("FOLDER"), folder_->path()) +
                              '\n');
}

void VendorSdkTest::aLibraryThatCannotBeUsedIsSaid_data()
{
    QTest::addColumn<QString>("library");     // ORVEX_SDK_LIBRARY; FOLDER is the test's folder
    QTest::addColumn<QByteArray>("settings"); // the user's sdk.ini
    QTest::addColumn<QString>("failure");
    const auto row = [](const char* name, const QString& library, const char* failure,
                        const QByteArray& settings = QByteArray()) {
        QTest::newRow(name) << library << settings << QString::fromUtf8(failure);
    };
    row("missing", "FOLDER/none.so",
        "the camera SDK FOLDER/none.so (named by ORVEX_SDK_LIBRARY) cannot be used: it does not "
        "exist");
    row("a folder", "FOLDER", "FOLDER (named by ORVEX_SDK_LIBRARY) cannot be used: it is a folder");
    row("a text file", "FOLDER/standin.ini",
        "cannot be used: it is not a library (not an ELF file)");
    row("another processor", "FOLDER/s390.so",
        "cannot be used: it is built for another processor (S/390, 64-bit), not for this "
        "program's");
    row("an entry point absent", VENDOR_LIKE_WITHOUT_LOGGER,
        "cannot be used: it lacks the entry point "
        "orvex_sdk::SDKLogger::SDKLogger(orvex_sdk::severity_level)");
    row("no instance", VENDOR_LIKE_WITHOUT_INSTANCE,
        "cannot be used: its orvex_sdk::OrvexSdk::get_instance() gives no SDK (null)");
    row("initialize fails", VENDOR_LIKE_INITIALIZE_FAILS,
        "cannot be used: its SDK does not initialise (initialize() returned false)");
    row("initialize throws", VENDOR_LIKE_INITIALIZE_THROWS,
        "cannot be used: it threw an exception as it started: no licence for this machine");
    row("a pipe, which never holds the program", "FOLDER/pipe.so",
        "cannot be used: it is not a regular file");
    row("a copy cut short, which the loader would map past its end", "FOLDER/short.so",
        "cannot be used: it is cut short");
    row("an sdk.ini's misspelt key", QString(),
        "the camera SDK's settings FOLDER/config/orvexhd/sdk.ini cannot be used: line 2: [sdk] "
        "has no key libary; it has library= alone",
        "[sdk]\nlibary=vendor.so\n");
    row("an sdk.ini's path in quotes", QString(),
        "FOLDER/config/orvexhd/sdk.ini cannot be used: line 2: [sdk] library= is in quotes; write "
        "the path without them",
        "[sdk]\nlibrary=\"/opt/orvex sdk/liborvexsdk.so\"\n");
    row("an sdk.ini naming a missing library", QString(),
        "the camera SDK FOLDER/config/orvexhd/none.so (named in FOLDER/config/orvexhd/sdk.ini) "
        "cannot be used: it does not exist",
        "[sdk]\nlibrary=none.so\n");
}

void VendorSdkTest::aLibraryThatCannotBeUsedIsSaid()
{
    QFETCH(QString, library);
    QFETCH(QByteArray, settings);
    QFETCH(QString, failure);
    library.replace(QLatin1String("FOLDER"), folder_->path());
    failure.replace(QLatin1String("FOLDER"), folder_->path());
    if (!settings.isEmpty())
        writeFile(path(QStringLiteral("config/orvexhd/sdk.ini")), settings);
    // The vendor-like library with its ELF header's machine field saying S/390, and cut short
    // after its headers.
    QFile vendorLike(QStringLiteral(VENDOR_LIKE));
    QVERIFY(vendorLike.open(QIODevice::ReadOnly));
    const QByteArray whole = vendorLike.readAll();
    writeFile(path(QStringLiteral("s390.so")), QByteArray(whole).replace(18, 2, "\x16\0", 2));
    writeFile(path(QStringLiteral("short.so")), whole.left(4096));
    QCOMPARE(QProcess::execute(QStringLiteral("mkfifo"), {path(QStringLiteral("pipe.so"))}), 0);

    QProcessEnvironment environment = this->environment();
    environment.insert(QStringLiteral("ORVEX_SDK_LIBRARY"), library);
    const Run cli = runProgram(QStringLiteral(ORVEX_CLI_EXECUTABLE), {"ports"}, environment);
    QCOMPARE(cli.status, 3);
    QCOMPARE(cli.out, QString());
    QCOMPARE(cli.err.count(QLatin1Char('\n')), 1);
    QVERIFY2(cli.err.startsWith(QStringLiteral("orvexhd-cli: ")) && cli.err.contains(failure),
             qPrintable(cli.err));
    for (const QStringList& arguments :
         {QStringList{"--port", "SIM1"},
          QStringList{"--device", path("video9"), "--snapshot", path("shot.png")},
          QStringList{"--device", path("video9"), "--record", path("rec"), "--frames", "1"}}) {
        const Run preview =
            runProgram(QStringLiteral(ORVEX_PREVIEW_EXECUTABLE), arguments, environment);
        QCOMPARE(preview.status, 3);
        QVERIFY2(preview.err.contains(failure), qPrintable(preview.err));
    }

    // The window: one box and one log line, then no port to connect to.
    useLibrary(library);
    MessageBoxAnswerer answerer;
    WindowFixture fixture;
    QTRY_COMPARE(answerer.count(), 1);
    QCOMPARE(answerer.icons().first(), QMessageBox::Warning);
    QVERIFY2(answerer.lastText().contains(failure.mid(1)), qPrintable(answerer.lastText()));
    QCOMPARE(fixture.logLines(), QStringList{answerer.lastText()});
    fixture.click("scanDeviceButton");
    QCOMPARE(answerer.count(), 2);
    QCOMPARE(answerer.lastText(),
             QStringLiteral("No COM port found!\nPlease, plug a COM port ans scan again."));
    QCOMPARE(fixture.child<QComboBox>("selectDeviceComboBox")->count(), 0);
    PreviewWindow preview(std::make_unique<NoFrames>());
    QVERIFY(
        preview.findChild<QLabel*>(QStringLiteral("sdkLabel"))->toolTip().contains(failure.mid(1)));
    checkStandInUntouched();
}

QTEST_MAIN(VendorSdkTest)
#include "tst_vendorsdk.moc"
