// The built executable, started as an operator starts it: its four start-up lines, the two SDK
// records it writes before the window exists, and the one line on standard error that says which
// SDK is in force: the simulated cameras, a vendor's library (the tests' vendor-like one, which
// keeps its records as "LEVEL TEXT" lines), or one that cannot be used, which gets no record.
#include "devicenode.h"
#include "sdkrecords.h"

#include <QLibraryInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class StartupTest : public QObject
{
    Q_OBJECT

private slots:
    void writesFourLinesAndTwoRecordsBeforeTheWindow_data();
    void writesFourLinesAndTwoRecordsBeforeTheWindow();
    void versionSaysTheSdkInForce_data();
    void versionSaysTheSdkInForce();
};

void StartupTest::writesFourLinesAndTwoRecordsBeforeTheWindow_data()
{
    QTest::addColumn<QString>("library"); // ORVEX_SDK_LIBRARY
    QTest::addColumn<QString>("said");    // on standard error
    QTest::addColumn<bool>("vendorRecords");
    QTest::newRow("simulated cameras") << QString() << "orvexhd: camera SDK: simulated cameras\n"
                                       << false;
    QTest::newRow("a vendor's library") << VENDOR_LIKE << "orvexhd: camera SDK: " VENDOR_LIKE "\n"
                                        << true;
    QTest::newRow("a library that cannot be used")
        << "/nonexistent/vendor.so"
        << "orvexhd: the camera SDK /nonexistent/vendor.so (named by ORVEX_SDK_LIBRARY) cannot "
           "be used: it does not exist\n"
        << false;
}

void StartupTest::writesFourLinesAndTwoRecordsBeforeTheWindow()
{
    QFETCH(QString, library);
    QFETCH(QString, said);
    QFETCH(bool, vendorRecords);
    QTemporaryDir dir;
    const QString logFile = dir.filePath("sdk.log");
    const QString vendorLog = dir.filePath("vendor.log");
    const QString ini = dir.filePath("sdk.ini");
    QFile iniFile(ini);
    QVERIFY(iniFile.open(QIODevice::WriteOnly | QIODevice::Text));
    // A key the stand-in does not know, which it says on standard error whenever it reads this.
    iniFile.write(QStringLiteral("[sdk]\nlogFile=%1\nunheardOf=1\n").arg(logFile).toUtf8());
    iniFile.close();

    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("ORVEX_SDK_CONFIG", ini);
    environment.insert("ORVEX_SDK_LIBRARY", library);
    environment.insert("ORVEX_VENDOR_LIKE_LOG", vendorLog);
    tool.setProcessEnvironment(environment);
    tool.start(QStringLiteral(ORVEX_EXECUTABLE), QStringList());
    QVERIFY(tool.waitForStarted());

    QByteArray output;
    const auto readOutput = [&] {
        output += tool.readAllStandardOutput();
        return output.count('\n');
    };
    QTRY_VERIFY_WITH_TIMEOUT(readOutput() >= 4, 20000);
    // A moment more shows that nothing else is written while the window runs.
    QTest::qWait(1000);
    readOutput();
    QCOMPARE(tool.state(), QProcess::Running);
    tool.kill();
    tool.waitForFinished();

    const QString version = QLibraryInfo::version().toString();
    const QString buildType = QLibraryInfo::isDebugBuild() ? "DEBUG" : "RELEASE";
    const QStringList expectedLines{"Start QT orvex command application", "QT Version " + version,
                                    "QT Built in " + buildType, "Test log in debug"};
    QCOMPARE(QString::fromLocal8Bit(output), expectedLines.join('\n') + '\n');
    // Offscreen, Qt may warn about what the platform lacks; the tool says one line of its own.
    const QStringList errors = QString::fromLocal8Bit(tool.readAllStandardError()).split('\n');
    QCOMPARE(errors.filter(QStringLiteral("orvexhd: ")).join('\n') + '\n', said);
    // Only in the demo is the stand-in started, even for a library that cannot be used.
    QCOMPARE(errors.filter(QStringLiteral("orvex-sdk: ")).size(), library.isEmpty() ? 1 : 0);

    const QList<SdkRecord> records = sdkRecords(logFile);
    QFile vendor(vendorLog);
    if (vendorRecords) {
        QVERIFY(records.isEmpty());
        QVERIFY(vendor.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(vendor.readAll()),
                 "0 QT Version " + version + "\n0 QT Built in " + buildType + '\n');
        return;
    }
    QVERIFY(!vendor.exists());
    if (!library.isEmpty()) {
        QVERIFY(records.isEmpty());
        return;
    }
    QCOMPARE(records.size(), 2);
    QCOMPARE(records[0].level, 0);
    QCOMPARE(records[0].text, "QT Version " + version);
    QCOMPARE(records[1].level, 0);
    QCOMPARE(records[1].text, "QT Built in " + buildType);
}

void StartupTest::versionSaysTheSdkInForce_data()
{
    QTest::addColumn<QString>("library"); // ORVEX_SDK_LIBRARY
    QTest::addColumn<QString>("output");  // "full": a device always full; "pipe": nobody reads it
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said"); // on standard output, or standard error when that fails
    const QString lost = QStringLiteral("orvexhd: standard output cannot be written\n");
    QTest::newRow("simulated cameras")
        << QString() << QString() << 0
        << "orvexhd " ORVEX_VERSION "\ncamera SDK: simulated cameras\n";
    QTest::newRow("a library, named but not loaded")
        << "/nonexistent/vendor.so" << QString() << 0
        << "orvexhd " ORVEX_VERSION "\ncamera SDK: /nonexistent/vendor.so\n";
    QTest::newRow("onto a full disk") << QString() << "full" << 4 << lost;
    QTest::newRow("into a pipe whose reader is gone") << QString() << "pipe" << 4 << lost;
}

void StartupTest::versionSaysTheSdkInForce()
{
    QFETCH(QString, library);
    QFETCH(QString, output);
    QFETCH(int, status);
    QFETCH(QString, said);
    QTemporaryDir dir;
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("ORVEX_SDK_LIBRARY", library);
    tool.setProcessEnvironment(environment);
    // Made here: the machine's own /dev/full is never written.
    if (output == "full") {
        if (!makeDeviceNode(dir.filePath("full"), DeviceNode::Full))
            QSKIP("making a device node needs root");
        tool.setStandardOutputFile(dir.filePath("full"));
    }
    if (output == "pipe") {
        // Opened for writing while the shell reads it too, then no reader left: a write fails.
        QCOMPARE(QProcess::execute("mkfifo", {dir.filePath("pipe")}), 0);
        tool.start("sh", {"-c", "exec 4<>\"$0\" 5>\"$0\" 4<&-; exec \"$1\" --version >&5 5>&-",
                          dir.filePath("pipe"), ORVEX_EXECUTABLE});
    } else {
        tool.start(ORVEX_EXECUTABLE, {"--version"});
    }
    QVERIFY(tool.waitForFinished(20000));
    QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tool.exitCode(), status);
    QCOMPARE(QString::fromLocal8Bit(status == 0 ? tool.readAllStandardOutput()
                                                : tool.readAllStandardError()),
             said);
}

QTEST_GUILESS_MAIN(StartupTest)
#include "tst_startup.moc"
