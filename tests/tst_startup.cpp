// The built executable, started as an operator starts it: its four start-up lines and the two
// SDK records it writes before the window exists.
#include "sdkrecords.h"

#include <QLibraryInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class StartupTest : public QObject
{
    Q_OBJECT

private slots:
    void writesFourLinesAndTwoRecordsBeforeTheWindow();
};

void StartupTest::writesFourLinesAndTwoRecordsBeforeTheWindow()
{
    QTemporaryDir dir;
    const QString logFile = dir.filePath("sdk.log");
    const QString ini = dir.filePath("sdk.ini");
    QFile iniFile(ini);
    QVERIFY(iniFile.open(QIODevice::WriteOnly | QIODevice::Text));
    iniFile.write(QStringLiteral("[sdk]\nlogFile=%1\n").arg(logFile).toUtf8());
    iniFile.close();

    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("ORVEX_SDK_CONFIG", ini);
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

    const QList<SdkRecord> records = sdkRecords(logFile);
    QCOMPARE(records.size(), 2);
    QCOMPARE(records[0].level, 0);
    QCOMPARE(records[0].text, "QT Version " + version);
    QCOMPARE(records[1].level, 0);
    QCOMPARE(records[1].text, "QT Built in " + buildType);
}

QTEST_GUILESS_MAIN(StartupTest)
#include "tst_startup.moc"
