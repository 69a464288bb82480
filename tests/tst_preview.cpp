// orvexhd-preview: it follows the camera's settings through the state file, says where they come
// from, shows "No signal" while the camera is gone and comes back by itself, is usable from the
// keyboard, and --snapshot writes a frame or says why not.
#include "camerafollower.h"
#include "pictureview.h"
#include "pipeline.h"
#include "previewwindow.h"
#include "simcontrol.h"
#include "simulatedsource.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

namespace {

const cv::Rect sky(0, 0, 1280, 300);

double skyLevel(const PreviewWindow& window)
{
    const Frame& frame = window.frame();
    return frame.picture ? cv::mean(frame.picture->levels(sky))[0] : -1.0;
}

QString statusText(const PreviewWindow& window, const QString& name)
{
    const auto* label = window.findChild<QLabel*>(name);
    return label ? label->text() : QStringLiteral("(no %1)").arg(name);
}

} // namespace

class PreviewTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void followsTheStateFileWithinAFrameOrTwo();
    void followerSaysWhereTheSettingsComeFrom_data();
    void followerSaysWhereTheSettingsComeFrom();
    void noSignalWhileUnpluggedThenBackByItself();
    void everyControlIsNamedAndReachedByKeyboard();
    void snapshotWritesTheFrameOrSaysWhyNot_data();
    void snapshotWritesTheFrameOrSaysWhyNot();

private:
    QString path(const QString& name) const { return folder_->filePath(name); }
    void configure(const QByteArray& more = QByteArray(),
                   const QByteArray& stateFile = "state.ini");
    void writeState(const QByteArray& text);

    std::unique_ptr<QTemporaryDir> folder_;
};

void PreviewTest::init()
{
    folder_ = std::make_unique<QTemporaryDir>();
    configure();
}

void PreviewTest::configure(const QByteArray& more, const QByteArray& stateFile)
{
    QFile ini(path(QStringLiteral("sdk.ini")));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[sdk]\nlogFile=sdk.log\nstateFile=" + stateFile + "\n" + more);
    ini.close();
    orvex_sim::reset(ini.fileName().toStdString());
}

// As another program writes it: a whole new file.
void PreviewTest::writeState(const QByteArray& text)
{
    QFile state(path(QStringLiteral("state.ini.new")));
    QVERIFY(state.open(QIODevice::WriteOnly));
    state.write(text);
    state.close();
    QFile::remove(path(QStringLiteral("state.ini")));
    QVERIFY(state.rename(path(QStringLiteral("state.ini"))));
}

void PreviewTest::followsTheStateFileWithinAFrameOrTwo()
{
    PreviewWindow window(std::make_unique<SimulatedSource>(QStringLiteral("SIM1")));
    window.show();
    QTRY_VERIFY(window.frame().picture);
    QVERIFY(skyLevel(window) < 100); // white-hot: the cold sky is dark
    QVERIFY(statusText(window, "settingsLabel").contains("does not exist yet"));

    writeState("[camera.SIM1]\npolarity=true\n");
    // The preview shows a change within 100 ms, as bench_preview measures; a test machine busy
    // with other suites may take longer, but not ten times longer.
    QTRY_VERIFY_WITH_TIMEOUT(skyLevel(window) > 150, 1000);
    QCOMPARE(statusText(window, "settingsLabel"),
             QStringLiteral("Settings from %1").arg(QDir::toNativeSeparators(path("state.ini"))));
    QVERIFY(statusText(window, "probeLabel").isEmpty());
}

void PreviewTest::followerSaysWhereTheSettingsComeFrom_data()
{
    QTest::addColumn<QByteArray>("stateFile");
    // "folder", "pipe": no file where the file should be; "deleted": kept, read, then deleted;
    // "rewritten": kept, read, then inverted back in place with its size and time kept.
    QTest::addColumn<QByteArray>("state");
    QTest::addColumn<QString>("said");
    QTest::addColumn<bool>("polarity");
    const QByteArray inverted = "[camera.SIM1]\npolarity=true\n";
    const QByteArray kept = "state.ini";
    QTest::newRow("no state file")
        << QByteArray() << QByteArray() << "as configured: no state file" << false;
    QTest::newRow("not there yet") << kept << QByteArray() << "does not exist yet" << false;
    QTest::newRow("a folder") << kept << QByteArray("folder") << "is not a file" << false;
    QTest::newRow("a pipe") << kept << QByteArray("pipe") << "is not a file" << false;
    QTest::newRow("damaged") << kept << QByteArray("polarity=lots\n") << "is damaged" << false;
    QTest::newRow("kept") << kept << inverted << "Settings from" << true;
    QTest::newRow("deleted after a change")
        << kept << QByteArray("deleted") << "does not exist yet" << false;
    // Parsed again at every frame, a large file would take the frames' time.
    QTest::newRow("not read again while its size and time stay")
        << kept << QByteArray("rewritten") << "Settings from" << true;
}

void PreviewTest::followerSaysWhereTheSettingsComeFrom()
{
    QFETCH(QByteArray, stateFile);
    QFETCH(QByteArray, state);
    QFETCH(QString, said);
    QFETCH(bool, polarity);
    configure({}, stateFile);
    if (state == "folder")
        QVERIFY(QDir(folder_->path()).mkdir(QStringLiteral("state.ini")));
    else if (state == "pipe")
        QCOMPARE(QProcess::execute(QStringLiteral("mkfifo"), {path(QStringLiteral("state.ini"))}),
                 0);
    else if (!state.isEmpty() && state != "deleted" && state != "rewritten")
        writeState(state);

    CameraFollower follower("SIM1");
    if (state == "deleted") {
        writeState("[camera.SIM1]\npolarity=true\n");
        QVERIFY(follower.read(50).settings.polarity);
        QVERIFY(QFile::remove(path(QStringLiteral("state.ini"))));
    } else if (state == "rewritten") {
        const QDateTime hourAgo = QDateTime::currentDateTimeUtc().addSecs(-3600);
        QFile file(path(QStringLiteral("state.ini")));
        const auto write = [&](const QByteArray& text) {
            return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() &&
                   file.flush() && file.setFileTime(hourAgo, QFileDevice::FileModificationTime);
        };
        QVERIFY(write("[camera.SIM1]\npolarity=true\n;\n"));
        file.close();
        QVERIFY(follower.read(50).settings.polarity);
        QVERIFY(write("[camera.SIM1]\npolarity=false\n\n"));
        file.close();
    }
    const CameraFollower::Reading reading = follower.read(100);
    QVERIFY(reading.answers);
    QVERIFY2(reading.source.contains(said), qPrintable(reading.source));
    QCOMPARE(reading.settings.polarity, polarity);
    QCOMPARE(reading.settings.tablesKelvin, imaging::calibrationKelvin);

    // A NUC request another program made measures new tables at the frame at which it is seen.
    if (state == "folder" || state == "pipe")
        return;
    writeState("[camera.SIM1]\nnucRequests=7\n");
    const imaging::Settings later = follower.read(250).settings;
    QCOMPARE(later.tablesKelvin,
             stateFile.isEmpty() ? imaging::calibrationKelvin : later.sensorKelvin);
}

void PreviewTest::noSignalWhileUnpluggedThenBackByItself()
{
    {
        // Closed while its first frame is still being made.
        PreviewWindow early(std::make_unique<SimulatedSource>(QStringLiteral("SIM1")));
        early.show();
    }
    PreviewWindow window(std::make_unique<SimulatedSource>(QStringLiteral("SIM1")));
    window.show();
    auto* view = window.findChild<PictureView*>();
    QTRY_VERIFY(window.frame().picture);

    orvex_sim::unplug("SIM1");
    QTRY_VERIFY(!view->hasSignal());
    QVERIFY(!window.frame().picture);
    QCOMPARE(window.statusBar()->currentMessage(),
             QStringLiteral("No signal: SIM1 is not plugged in"));
    QTest::qWait(200);
    QVERIFY(!window.frame().picture);

    orvex_sim::reset(path(QStringLiteral("sdk.ini")).toStdString()); // plugged in again
    QTRY_VERIFY(window.frame().picture);
    QVERIFY(view->hasSignal());
    QVERIFY(window.statusBar()->currentMessage().isEmpty());
}

void PreviewTest::everyControlIsNamedAndReachedByKeyboard()
{
    configure("[camera.SIM1]\niaOutputType=3\n"); // the detector's list shows too
    PreviewWindow window(std::make_unique<SimulatedSource>(QStringLiteral("SIM1")));
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTRY_VERIFY(window.frame().picture);
    auto* palette = window.findChild<QComboBox*>(QStringLiteral("paletteCombo"));
    auto* scale = window.findChild<QComboBox*>(QStringLiteral("scaleCombo"));
    auto* view = window.findChild<PictureView*>();
    auto* list = window.findChild<QWidget*>(QStringLiteral("detectionList"));
    QTRY_VERIFY(list->isVisible());

    QList<QWidget*> reached;
    palette->setFocus();
    for (int step = 0; step < 4; ++step) {
        QWidget* focused = QApplication::focusWidget();
        QVERIFY(focused);
        QVERIFY2(!focused->accessibleName().isEmpty(), focused->objectName().toLatin1());
        reached << focused;
        QTest::keyClick(focused, Qt::Key_Tab);
    }
    QCOMPARE(reached, (QList<QWidget*>{palette, scale, view, list}));
    QCOMPARE(QApplication::focusWidget(), palette);

    QTest::keyClick(palette, Qt::Key_Down); // iron
    const QImage shown = view->grab().toImage();
    const QRgb middle = shown.pixel(shown.width() / 2, shown.height() / 2);
    QVERIFY(qRed(middle) != qBlue(middle));
    QTest::keyClick(scale, Qt::Key_Down); // one screen pixel a picture pixel
    QCOMPARE(view->minimumSize(), QSize(1280, 1024));
    QTest::keyClick(view, Qt::Key_Right);
    QTRY_VERIFY(statusText(window, "probeLabel").contains("raw count"));
    QVERIFY(statusText(window, "rateLabel").contains("frames/s"));

    // A window too small to show anything keeps going.
    window.resize(1, 1);
    const std::int64_t before = window.frame().picture->frame;
    QTRY_VERIFY(window.frame().picture && window.frame().picture->frame > before);
    window.grab();
}

void PreviewTest::snapshotWritesTheFrameOrSaysWhyNot_data()
{
    QTest::addColumn<QStringList>("arguments"); // FOLDER stands for the test's folder
    QTest::addColumn<QByteArray>("configuration");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said");
    const QStringList sim1{"--port", "SIM1", "--snapshot"};
    const auto row = [](const char* name, QStringList arguments, const QByteArray& more, int status,
                        const char* said) {
        QTest::newRow(name) << arguments << more << status << QString::fromUtf8(said);
    };
    row("frame 3", sim1 + QStringList{"FOLDER/shot.png", "--frame", "3"}, {}, 0, "");
    row("a device is written, not replaced", sim1 + QStringList{"FOLDER/full"}, {}, 2,
        "No space left on device");
    row("a folder", sim1 + QStringList{"FOLDER"}, {}, 2, "it is a folder");
    row("a missing folder", sim1 + QStringList{"FOLDER/missing/shot.png"}, {}, 2,
        "cannot be written");
    row("frame -1", sim1 + QStringList{"FOLDER/shot.png", "--frame", "-1"}, {}, 2, "whole number");
    row("frame 1e999", sim1 + QStringList{"FOLDER/shot.png", "--frame", "1e999"}, {}, 2,
        "whole number");
    row("frame abc", sim1 + QStringList{"FOLDER/shot.png", "--frame", "abc"}, {}, 2,
        "whole number");
    row("no port", {"--snapshot", "FOLDER/shot.png"}, {}, 2, "--port");
    row("an empty port", {"--port", "", "--snapshot", "FOLDER/shot.png"}, {}, 2, "--port");
    row("an empty file name", sim1 + QStringList{""}, {}, 2, "needs a file name");
    row("no such port", {"--port", "SIM9", "--snapshot", "FOLDER/shot.png"}, {}, 3,
        "SIM9 is not plugged in");
    row("a camera that does not answer", sim1 + QStringList{"FOLDER/shot.png"},
        "[camera.SIM1]\nsilent=true\n", 3, "does not answer");
}

void PreviewTest::snapshotWritesTheFrameOrSaysWhyNot()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, configuration);
    QFETCH(int, status);
    QFETCH(QString, said);
    configure(configuration);
    arguments.replaceInStrings(QStringLiteral("FOLDER"), folder_->path());
    const QString device = path(QStringLiteral("full"));
    if (arguments.contains(device) &&
        QProcess::execute(QStringLiteral("mknod"), {device, "c", "1", "7"}) != 0)
        QSKIP("making a device node needs root");

    QProcess preview;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("ORVEX_SDK_CONFIG"), path(QStringLiteral("sdk.ini")));
    preview.setProcessEnvironment(environment);
    preview.start(QStringLiteral(ORVEX_PREVIEW_EXECUTABLE), arguments);
    QVERIFY(preview.waitForFinished(120000));
    const QString errors = QString::fromLocal8Bit(preview.readAllStandardError());
    QCOMPARE(preview.exitCode(), status);
    QVERIFY2(errors.contains(said), qPrintable(errors));
    QVERIFY(!QFileInfo(device).isFile());
    if (status != 0)
        return;

    // The very frame the pipeline makes of the camera's settings, at the camera's resolution.
    const QImage written(path(QStringLiteral("shot.png")));
    QCOMPARE(written.format(), QImage::Format_Grayscale8);
    const imaging::Picture expected =
        imaging::Pipeline().render(3, imagingSettings(orvex_sim::settings("SIM1"), 3, {}));
    QCOMPARE(written.size(), QSize(expected.levels.cols, expected.levels.rows));
    for (int y = 0; y < written.height(); ++y)
        QVERIFY(std::equal(expected.levels.ptr<std::uint8_t>(y),
                           expected.levels.ptr<std::uint8_t>(y) + written.width(),
                           written.constScanLine(y)));
}

QTEST_MAIN(PreviewTest)
#include "tst_preview.moc"
