// The window as the operator first meets it: its start state, its slot table, the wiring of its
// controls, the operation log, the About box, and its fit on screens of every size.
#include "messageboxanswerer.h"
#include "screenfit.h"
#include "sdkrecords.h"
#include "windowfixture.h"

#include <QComboBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QMetaMethod>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTextCursor>
#include <QWindow>

namespace {

QStringList tabTitles(WindowFixture& fixture)
{
    auto* tabs = fixture.child<QTabWidget>("tabWidget");
    QStringList titles;
    for (int index = 0; index < tabs->count(); ++index)
        titles.append(tabs->tabText(index));
    return titles;
}

const char* const expertModeOff = "[sdk]\nexpertMode=false\n";

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void startsWithOnlyScanAndPortListUsable();
    void expertTabFollowsTheConfiguration_data();
    void expertTabFollowsTheConfiguration();
    void titleLogosAndHiddenVideoOutput();
    void spinBoxesStartWithTheirRangesAndValues_data();
    void spinBoxesStartWithTheirRangesAndValues();
    void rowIconsAndListEntries();
    void slotTableIsInDeclaredOrder();
    void clearLogEmptiesTheViewWithoutTheWindow();
    void reportsAppendAfterTypedTextAndDropTheSelection();
    void everyReportIsOneSdkRecordAtLevelTwo();
    void tabRemovalTakesTheLastTabOfThatTitle();
    void tabBarClickReachesTheWindow();
    void aboutIsBuiltAnewEachTime();
    void destroyingAShownWindowReachesNoCamera_data();
    void destroyingAShownWindowReachesNoCamera();
    void everyControlIsReachableOnASmallScreen_data();
    void everyControlIsReachableOnASmallScreen();
    void screenChangingUnderAnEditKeepsIt();
};

void MainWindowTest::startsWithOnlyScanAndPortListUsable()
{
    WindowFixture fixture;
    QCOMPARE(fixture.child<QTabWidget>("tabWidget")->currentIndex(), 0);
    for (const char* name : {"UserMode", "ExpertMode", "IAControl"})
        QVERIFY2(!fixture.child<QWidget>(name)->isEnabled(), name);
    for (const char* name : {"connectDeviceButton", "disconnectDeviceButton",
                             "resetParamButtonUser", "readParamButtonUser"})
        QVERIFY2(!fixture.child<QPushButton>(name)->isEnabled(), name);
    for (const char* name : {"scanDeviceButton", "PBClearLog", "aboutButton"})
        QVERIFY2(fixture.child<QPushButton>(name)->isEnabled(), name);
    QVERIFY(fixture.child<QComboBox>("selectDeviceComboBox")->isEnabled());

    // No scan and no camera traffic until the operator asks.
    QCOMPARE(fixture.child<QComboBox>("selectDeviceComboBox")->count(), 0);
    QVERIFY(orvex_sim::journal().empty());
    QVERIFY(!fixture.monitoringTimer()->isActive());
    QVERIFY(fixture.logText().isEmpty());
    QCOMPARE(fixture.child<QComboBox>("iAResizeModeComboBox")->currentIndex(), 1);

    const auto buttons = fixture.window().findChildren<QPushButton*>();
    for (QPushButton* button : buttons)
        QVERIFY2(!button->isChecked(), qPrintable(button->objectName()));
}

void MainWindowTest::expertTabFollowsTheConfiguration_data()
{
    QTest::addColumn<QString>("ini");
    QTest::addColumn<QStringList>("titles");
    QTest::newRow("expert mode on") << QString() << QStringList{"User", "Expert"};
    QTest::newRow("expert mode off") << QString::fromLatin1(expertModeOff) << QStringList{"User"};
}

void MainWindowTest::expertTabFollowsTheConfiguration()
{
    QFETCH(QString, ini);
    QFETCH(QStringList, titles);
    WindowFixture fixture(ini);
    QCOMPARE(tabTitles(fixture), titles);
}

void MainWindowTest::titleLogosAndHiddenVideoOutput()
{
    WindowFixture fixture;
    QCOMPARE(fixture.window().windowTitle(),
             QStringLiteral("Quellin Technologies OXHD camera Varnex"));
    QVERIFY(fixture.child<QLabel>("imageLogo")->text().contains(":picture/QuellinTech.png"));
    QVERIFY(fixture.child<QLabel>("orvexLogo")->text().contains(":picture/OrvexHD.png"));
    QVERIFY(!fixture.window().windowIcon().isNull());
    for (const char* name :
         {"videoOutputLabel", "VideoOutputCB", "sdiOutputPB", "parallelOutputPB", "mipiOutputPB"})
        QVERIFY2(fixture.child<QWidget>(name)->isHidden(), name);
}

void MainWindowTest::spinBoxesStartWithTheirRangesAndValues_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("minimum");
    QTest::addColumn<double>("maximum");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::newRow("x1") << "x1RoiEdit" << 5.0 << 1275.0 << 5.0 << 0;
    QTest::newRow("x2") << "x2RoiEdit" << 5.0 << 1275.0 << 5.0 << 0;
    QTest::newRow("y1") << "y1RoiEdit" << 5.0 << 1019.0 << 5.0 << 0;
    QTest::newRow("y2") << "y2RoiEdit" << 5.0 << 1019.0 << 5.0 << 0;
    QTest::newRow("gamma") << "gammaEdit" << 0.5 << 2.5 << 0.5 << 1;
    QTest::newRow("sharpening") << "sharpeningEdit" << 0.0 << 4.0 << 0.0 << 1;
    QTest::newRow("clhe") << "clheEdit" << 0.0 << 30000.0 << 0.0 << 0;
    QTest::newRow("zoom factor") << "factorZoomEdit" << 1.0 << 8.0 << 1.0 << 1;
    QTest::newRow("zoom x") << "xCenterZoomEdit" << 0.0 << 1920.0 << 640.0 << 0;
    QTest::newRow("zoom y") << "yCenterZoomEdit" << 0.0 << 1080.0 << 512.0 << 0;
    QTest::newRow("gms") << "gmsEdit" << 0.0 << 4294967296.0 << 100.0 << 0;
    QTest::newRow("serial number") << "serialNumberSP" << 0.0 << 1e63 << 0.0 << 0;
}

void MainWindowTest::spinBoxesStartWithTheirRangesAndValues()
{
    QFETCH(QString, name);
    QFETCH(double, minimum);
    QFETCH(double, maximum);
    QFETCH(double, value);
    QFETCH(int, decimals);
    WindowFixture fixture;
    auto* spinBox = fixture.window().findChild<QAbstractSpinBox*>(name);
    QVERIFY(spinBox);
    if (auto* integers = qobject_cast<QSpinBox*>(spinBox)) {
        QCOMPARE(double(integers->minimum()), minimum);
        QCOMPARE(double(integers->maximum()), maximum);
        QCOMPARE(double(integers->value()), value);
        QCOMPARE(decimals, 0);
    } else {
        auto* reals = qobject_cast<QDoubleSpinBox*>(spinBox);
        QVERIFY(reals);
        QCOMPARE(reals->minimum(), minimum);
        QCOMPARE(reals->maximum(), maximum);
        QCOMPARE(reals->value(), value);
        QCOMPARE(reals->decimals(), decimals);
    }
}

void MainWindowTest::rowIconsAndListEntries()
{
    WindowFixture fixture;
    for (const char* name : {"scanDeviceButton", "connectDeviceButton", "disconnectDeviceButton",
                             "resetParamButtonUser"}) {
        auto* button = fixture.child<QPushButton>(name);
        QVERIFY2(!button->icon().isNull(), name);
        QCOMPARE(button->iconSize(), QSize(20, 20));
    }
    QCOMPARE(fixture.child<QPushButton>("readParamButtonUser")->iconSize(), QSize(19, 20));

    const auto entries = [&fixture](const char* name) {
        auto* list = fixture.child<QComboBox>(name);
        QStringList texts;
        for (int index = 0; index < list->count(); ++index)
            texts.append(list->itemText(index));
        return texts;
    };
    QCOMPARE(entries("contrastTypeEdit"), (QStringList{"CLHE (ROI)", "CLAHE (Local)"}));
    QCOMPARE(entries("methodZoomEdit"), (QStringList{"Nearest", "Bilinear"}));
    QCOMPARE(entries("VideoOutputCB"),
             (QStringList{"RAW", "NUC", "COLUMN CORRECTION", "VIGNETTING CORRECTION",
                          "EDGE ENHANCEMENT", "LUT CORRECTION", "RESERVED", "ZOOM", "BT656/SDI"}));
    QCOMPARE(entries("iAOutputTypeComboBox"),
             (QStringList{"Disabled", "UART communication", "OSD informations", "UART&OSD"}));
    QCOMPARE(entries("iAResizeModeComboBox"),
             (QStringList{"disabled", "IA Enabled 1280x1024 to 416x416 aspect ratio lost",
                          "IA Enabled 1024x1024 to 416x416 aspect ratio kept",
                          "IA Enabled 1280x1024 to 416x332 aspect ratio kept",
                          "IA Enabled centered 416x416 aspect ratio kept"}));
}

void MainWindowTest::slotTableIsInDeclaredOrder()
{
    const QStringList expected{"ResetParamsUser()",
                               "ResetParamsIA()",
                               "ApplyParamsUser()",
                               "ApplyParamsExpert()",
                               "ReadParamsExpert()",
                               "ApplyNucRequest()",
                               "ApplyParamsIA()",
                               "ReadParamsIA()",
                               "TabIndexChanged(int)",
                               "GammaUserValueChanged(double)",
                               "ClheUserValueChanged(double)",
                               "SharpeningUserValueChanged(double)",
                               "GSKExpertValueChanged(double)",
                               "GFIDExpertValueChanged(double)",
                               "GMSExpertValueChanged(double)",
                               "TINTExpertValueChanged(double)",
                               "NbBoxesValueChanged(int)",
                               "IASensitivityValueChanged(int)",
                               "InterOUValueChanged(int)",
                               "GammaUserSliderChanged(int)",
                               "ClheUserSliderChanged(int)",
                               "SharpeningUserSliderChanged(int)",
                               "GSKExpertSliderChanged(int)",
                               "GFIDExpertSliderChanged(int)",
                               "GMSExpertSliderChanged(int)",
                               "TINTExpertSliderChanged(int)",
                               "NbBoxesSliderChanged(int)",
                               "IASensitivitySliderChanged(int)",
                               "InterOUSliderChanged(int)",
                               "x1RoiUserValueChanged()",
                               "x2RoiUserValueChanged()",
                               "y1RoiUserValueChanged()",
                               "y2RoiUserValueChanged()",
                               "gammaUserSendCommand()",
                               "sharpeningSendCommand()",
                               "clheSendCommand()",
                               "zoomChanged()",
                               "videoOutputChanged()",
                               "gskSendCommand()",
                               "gfiSendCommand()",
                               "gmsSendCommand()",
                               "tintSendCommand()",
                               "polarityChanged()",
                               "verticalFlipChanged()",
                               "horizontalFlipChanged()",
                               "columnCorrChanged()",
                               "vignettingCorrChanged()",
                               "shutterPositionChanged()",
                               "AutoNucRequest()",
                               "nucControlRequest()",
                               "contrastTypeChanged()",
                               "bprControl()",
                               "offsetControl()",
                               "gainControl()",
                               "setOxSerialNumber()",
                               "forceOxSerialNumber()",
                               "getTemperature()",
                               "scanDevice()",
                               "connectDevice()",
                               "disconnectDevice()",
                               "createAboutWindow()",
                               "monitoringSystem()"};

    const QMetaObject& meta = MainWindow::staticMetaObject;
    QCOMPARE(QString(meta.className()), QStringLiteral("MainWindow"));
    QStringList signatures;
    for (int index = meta.methodOffset(); index < meta.methodCount(); ++index) {
        const QMetaMethod method = meta.method(index);
        QCOMPARE(method.methodType(), QMetaMethod::Slot);
        QCOMPARE(method.access(), QMetaMethod::Private);
        QCOMPARE(method.returnType(), int(QMetaType::Void));
        signatures.append(QString::fromLatin1(method.methodSignature()));
        const auto names = method.parameterNames();
        const int slotNumber = index - meta.methodOffset();
        if (slotNumber == 8)
            QCOMPARE(names, QList<QByteArray>{"index"});
        else if (slotNumber >= 9 && slotNumber <= 28)
            QCOMPARE(names, QList<QByteArray>{"value"});
    }
    QCOMPARE(signatures, expected);
    QCOMPARE(meta.propertyCount(), meta.propertyOffset());
}

void MainWindowTest::clearLogEmptiesTheViewWithoutTheWindow()
{
    WindowFixture fixture;
    fixture.connectCamera();
    QVERIFY(!fixture.logText().isEmpty());
    orvex_sim::clearJournal();
    const int recordsBefore = sdkRecords().size();

    fixture.click("PBClearLog");
    QVERIFY(fixture.logText().isEmpty());
    QVERIFY(orvex_sim::journal().empty());
    QCOMPARE(sdkRecords().size(), recordsBefore);

    fixture.click("readParamButtonUser");
    QCOMPARE(fixture.logLines().value(0), QStringLiteral("Start Read camera parameters"));
}

void MainWindowTest::reportsAppendAfterTypedTextAndDropTheSelection()
{
    WindowFixture fixture;
    fixture.connectCamera();
    auto* log = fixture.child<QPlainTextEdit>("logView");
    const int linesAfterConnect = fixture.logLines().size();

    // The operator clicks into the middle of the log, types, and selects a word.
    QTextCursor cursor = log->textCursor();
    cursor.setPosition(3);
    log->setTextCursor(cursor);
    QTest::keyClicks(log, "typed");
    cursor = log->textCursor();
    cursor.setPosition(0);
    cursor.setPosition(5, QTextCursor::KeepAnchor);
    log->setTextCursor(cursor);
    const QString before = log->toPlainText();

    fixture.click("readParamButtonUser");

    const QString after = log->toPlainText();
    QVERIFY(after.startsWith(before));
    QVERIFY(after.contains("typed"));
    QCOMPARE(after.mid(before.size()).section('\n', 0, 0),
             QStringLiteral("Start Read camera parameters"));
    QVERIFY(!log->textCursor().hasSelection());
    QCOMPARE(log->textCursor().position(), after.size());
    // The version entry is one report over two lines.
    QCOMPARE(fixture.logLines().size(), linesAfterConnect + 21);
}

void MainWindowTest::everyReportIsOneSdkRecordAtLevelTwo()
{
    WindowFixture fixture;
    fixture.click("scanDeviceButton");
    const int recordsBefore = sdkRecords().size();
    fixture.click("connectDeviceButton");

    const QList<SdkRecord> records = sdkRecords().mid(recordsBefore);
    QStringList texts;
    for (const SdkRecord& record : records) {
        QCOMPARE(record.level, 2);
        texts.append(record.text);
    }
    // Each report reaches the SDK unchanged, the two-line version entry as one record.
    QString joined = texts.join('\n') + '\n';
    QCOMPARE(joined, fixture.logText());
    QVERIFY(texts.size() < fixture.logLines().size());
    const auto versionRecord = std::find_if(texts.begin(), texts.end(), [](const QString& text) {
        return text.startsWith("RISC-V version = ");
    });
    QVERIFY(versionRecord != texts.end());
    QVERIFY(versionRecord->contains("\nFPGA version = "));
}

void MainWindowTest::tabRemovalTakesTheLastTabOfThatTitle()
{
    WindowFixture fixture("[camera.SIM1]\ncameraType=5\n");
    auto* tabs = fixture.child<QTabWidget>("tabWidget");
    QWidget first;
    QWidget second;
    tabs->addTab(&first, "IA control");
    tabs->addTab(&second, "IA control");
    tabs->addTab(new QWidget, "ia control");

    // A camera without the detector has its IA tab removed by title.
    fixture.connectCamera();
    QCOMPARE(tabTitles(fixture), (QStringList{"User", "Expert", "IA control", "ia control"}));
    QCOMPARE(tabs->widget(2), &first);

    fixture.click("disconnectDeviceButton");
    fixture.click("connectDeviceButton");
    QCOMPARE(tabTitles(fixture), (QStringList{"User", "Expert", "ia control"}));
    fixture.click("disconnectDeviceButton");
    fixture.click("connectDeviceButton");
    QCOMPARE(tabTitles(fixture), (QStringList{"User", "Expert", "ia control"}));
}

void MainWindowTest::tabBarClickReachesTheWindow()
{
    WindowFixture fixture;
    fixture.connectCamera();
    auto* tabs = fixture.child<QTabWidget>("tabWidget");
    auto* read = fixture.child<QPushButton>("readParamButtonUser");
    QTabBar* bar = tabs->tabBar();
    QVERIFY(read->isEnabled());
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
    QVERIFY(!read->isEnabled());
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(0).center());
    QVERIFY(read->isEnabled());
}

void MainWindowTest::aboutIsBuiltAnewEachTime()
{
    WindowFixture fixture;
    QList<QPointer<QDialog>> dialogs;
    QList<QStringList> texts;
    QTimer closer;
    connect(&closer, &QTimer::timeout, this, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || dialogs.contains(dialog))
            return;
        dialogs.append(dialog);
        QStringList labels{dialog->windowTitle()};
        const QPoint placeBefore = dialog->findChild<QLabel*>("ProduitPar")->pos();
        dialog->resize(600, 400);
        QCoreApplication::processEvents();
        QCOMPARE(dialog->findChild<QLabel*>("ProduitPar")->pos(), placeBefore);
        for (const char* name :
             {"label_4", "NomProduit", "label_2", "VersionProduit", "ProduitPar"})
            labels.append(dialog->findChild<QLabel*>(name)->text());
        texts.append(labels);
        dialog->reject();
    });
    closer.start(5);

    fixture.click("aboutButton");
    fixture.click("aboutButton");

    QCOMPARE(dialogs.size(), 2);
    QVERIFY(dialogs[0].isNull() && dialogs[1].isNull());
    const QStringList expected{"About",     "Product name :",
                               "Varnex HD", "Product version :",
                               "1.4.6",     "Product by: Quellin Technologies"};
    QCOMPARE(texts.value(0), expected);
    QCOMPARE(texts.value(1), expected);
}

void MainWindowTest::destroyingAShownWindowReachesNoCamera_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("focused");
    QTest::newRow("gms") << "ExpertMode"
                         << "gmsEdit";
    QTest::newRow("gamma") << "UserMode"
                           << "gammaEdit";
}

// Hiding the window as it goes takes the focus from the spin box, which finishes its edit: with
// the form already gone, a slot run then would read freed memory and reach the camera.
void MainWindowTest::destroyingAShownWindowReachesNoCamera()
{
    QFETCH(QString, page);
    QFETCH(QString, focused);

    WindowFixture fixture;
    fixture.connectCamera();
    fixture.showPage(qPrintable(page));
    fixture.focus(qPrintable(focused));
    orvex_sim::clearJournal();

    fixture.destroyWindow();

    QCOMPARE(WindowFixture::journalOperations(), QStringList());
}

void MainWindowTest::everyControlIsReachableOnASmallScreen_data()
{
    QTest::addColumn<QRect>("area");
    QTest::newRow("1366x768, task bar below") << QRect(0, 0, 1366, 728);
    QTest::newRow("1920x1080 at 125 %") << QRect(0, 0, 1536, 832);
    QTest::newRow("1920x1080 at 150 %, panel above") << QRect(0, 27, 1280, 693);
    QTest::newRow("narrower than the window") << QRect(0, 0, 800, 600);
}

// The window stays inside the screen's area, and Tab brings each control into view on every page,
// down to the temperatures, Clear Log and About at the bottom.
void MainWindowTest::everyControlIsReachableOnASmallScreen()
{
    QFETCH(QRect, area);

    WindowFixture fixture(QString(), area);
    fixture.connectCamera();
    QVERIFY(area.contains(fixture.window().frameGeometry()));
    for (const char* page : {"UserMode", "ExpertMode", "IAControl"}) {
        fixture.showPage(page);
        QWidget* first = fixture.focus("disconnectDeviceButton");
        QWidget* focused = first;
        for (int stop = 0; stop < 100; ++stop) {
            QVERIFY2(!focused->visibleRegion().isEmpty(), qPrintable(focused->objectName()));
            QTest::keyClick(focused, Qt::Key_Tab);
            focused = QApplication::focusWidget();
            if (focused == first)
                break;
        }
        QCOMPARE(focused, first);
    }
}

// Half-way through typing a value, the window goes to a smaller screen and back: it fits each
// screen, the operator keeps the focus, and the value is sent when the operator finishes the edit.
void MainWindowTest::screenChangingUnderAnEditKeepsIt()
{
    WindowFixture fixture;
    fixture.connectCamera();
    fixture.monitoringTimer()->stop(); // its temperature reads would show in the journal
    MainWindow& window = fixture.window();
    QWidget* contents = window.centralWidget();
    auto* gamma = static_cast<QDoubleSpinBox*>(fixture.focus("gammaEdit"));
    gamma->selectAll();
    QTest::keyClicks(gamma, "1.3");
    orvex_sim::clearJournal();
    const auto screenBecomes = [&window](const QRect& area) {
        ScreenFit::setAreaOf([area](const QScreen&) { return area; });
        emit window.windowHandle()->screen()->availableGeometryChanged(area);
    };

    screenBecomes(QRect(0, 0, 1366, 728));
    QVERIFY(QRect(0, 0, 1366, 728).contains(window.frameGeometry()));
    QVERIFY(window.centralWidget() != contents);
    QCOMPARE(QApplication::focusWidget(), gamma);
    // A screen that reports no room is left alone.
    const QRect fitted = window.frameGeometry();
    screenBecomes(QRect());
    QCOMPARE(window.frameGeometry(), fitted);
    screenBecomes(QRect(0, 0, 1920, 1160));
    QCOMPARE(window.centralWidget(), contents);
    QCOMPARE(QApplication::focusWidget(), gamma);
    QCOMPARE(WindowFixture::journalOperations(), QStringList());

    QTest::keyClick(gamma, Qt::Key_Enter);
    QCOMPARE(WindowFixture::lastArguments("setGamma"), QStringLiteral("85196"));
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
