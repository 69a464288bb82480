// The window as a screen reader and a keyboard meet it: every control announces its own role and
// a name, a value set through it is the operator's edit, and Tab walks each area in reading order
// and out of the text boxes.
#include "dialog.h"
#include "messageboxanswerer.h"
#include "parametersteps.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QSet>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

namespace {

// The kinds of control an operator acts on, and the role each announces when its accessible
// object is its own; a control that got a generic object announces Client instead.
struct ControlKind {
    const char* className;
    QAccessible::Role role;
};
const ControlKind controlKinds[] = {
    {"QPushButton", QAccessible::Button},          {"QSlider", QAccessible::Slider},
    {"QAbstractSpinBox", QAccessible::SpinBox},    {"QComboBox", QAccessible::ComboBox},
    {"QPlainTextEdit", QAccessible::EditableText},
};

const ControlKind* kindOf(const QObject* object)
{
    for (const ControlKind& kind : controlKinds) {
        if (object && object->inherits(kind.className))
            return &kind;
    }
    return nullptr;
}

QAccessible::Role ownRole(const QWidget* control, const ControlKind& kind)
{
    const auto* button = qobject_cast<const QAbstractButton*>(control);
    return button && button->isCheckable() ? QAccessible::CheckBox : kind.role;
}

// What a listener hears a control called. On X11, Qt names a list by its current entry and
// leaves its purpose to the label relation; other platforms report the list's own name.
QString spokenName(QAccessibleInterface* control)
{
    const QString name = control->text(QAccessible::Name);
    if (control->role() != QAccessible::ComboBox || name != control->text(QAccessible::Value))
        return name;
    const auto labels = control->relations(QAccessible::Label);
    return labels.isEmpty() ? QString() : labels.first().first->text(QAccessible::Name);
}

// Every control below root that the accessible tree reaches, as a screen reader walks it.
QList<QAccessibleInterface*> reachableControls(QAccessibleInterface* root)
{
    QList<QAccessibleInterface*> controls;
    for (int index = 0; index < root->childCount(); ++index) {
        QAccessibleInterface* child = root->child(index);
        if (!child)
            continue;
        if (kindOf(child->object()))
            controls.append(child);
        controls += reachableControls(child);
    }
    return controls;
}

// The widgets Tab can stop at, from the port list once around the window. Hidden widgets are
// passed over, and so are those that hand their focus on (the tab widget, a spin box's line edit,
// a viewport); the tab bar goes by its tab widget's name.
QStringList tabStops(WindowFixture& fixture)
{
    QTabBar* tabBar = fixture.child<QTabWidget>("tabWidget")->tabBar();
    QWidget* start = fixture.child<QWidget>("selectDeviceComboBox");
    QStringList stops;
    QWidget* widget = start;
    do {
        if (widget == tabBar)
            stops.append(QStringLiteral("tabWidget"));
        else if ((widget->focusPolicy() & Qt::TabFocus) && !widget->focusProxy() &&
                 !widget->isHidden())
            stops.append(widget->objectName());
        widget = widget->nextInFocusChain();
    } while (widget != start);
    return stops;
}

} // namespace

class AccessibilityTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyControlHasItsRoleAndAName();
    void aboutBoxIsANamedDialog();
    void valueSetThroughTheControlIsAFinishedEdit_data();
    void valueSetThroughTheControlIsAFinishedEdit();
    void valueWaitsForTheEditBeforeIt();
    void valueNoOperatorCouldEnterIsNotTaken_data();
    void valueNoOperatorCouldEnterIsNotTaken();
    void tabFollowsEachAreaInReadingOrder_data();
    void tabFollowsEachAreaInReadingOrder();
    void tabAndShiftTabLeaveTheTextBoxes_data();
    void tabAndShiftTabLeaveTheTextBoxes();
};

// As an assistive technology's bridge does when it attaches. Qt settles a control's accessible
// object while the control is being built, so this must come before any window exists.
void AccessibilityTest::initTestCase()
{
    QAccessible::setActive(true);
}

void AccessibilityTest::everyControlHasItsRoleAndAName()
{
    WindowFixture fixture;
    // The camera with the detector brings the IA control tab into the window, and with it into
    // the accessible tree.
    fixture.connectCamera();
    QCOMPARE(fixture.child<QTabWidget>("tabWidget")->count(), 3);

    const QList<QAccessibleInterface*> reached =
        reachableControls(QAccessible::queryAccessibleInterface(&fixture.window()));
    QSet<QObject*> reachedWidgets;
    QStringList names;
    for (QAccessibleInterface* control : reached) {
        auto* widget = static_cast<QWidget*>(control->object());
        reachedWidgets.insert(widget);
        QVERIFY2(control->role() == ownRole(widget, *kindOf(widget)),
                 qPrintable(widget->objectName()));
        const QString name = spokenName(control);
        QVERIFY2(!name.isEmpty(), qPrintable(widget->objectName()));
        QVERIFY2(!names.contains(name), qPrintable(name));
        names.append(name);
    }

    const auto widgets = fixture.window().findChildren<QWidget*>();
    int controls = 0;
    for (QWidget* widget : widgets) {
        if (!kindOf(widget))
            continue;
        ++controls;
        QVERIFY2(reachedWidgets.contains(widget), qPrintable(widget->objectName()));
    }
    QVERIFY(controls > 0);
}

void AccessibilityTest::aboutBoxIsANamedDialog()
{
    Dialog about;
    about.show();
    QAccessibleInterface* dialog = QAccessible::queryAccessibleInterface(&about);
    QCOMPARE(dialog->role(), QAccessible::Dialog);
    QCOMPARE(dialog->text(QAccessible::Name), QStringLiteral("About"));
    // Nothing to act on: Escape closes it, and a reader reads its labels as they are.
    QVERIFY(reachableControls(dialog).isEmpty());
}

void AccessibilityTest::valueSetThroughTheControlIsAFinishedEdit_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("duringABox");
    QTest::addColumn<QStringList>("operations");
    QTest::addColumn<QString>("boxText");
    addRow("gamma slider", "gammaSlider", 10.0, false, QStringList{"setGamma 98304"}, "");
    addRow("GMS slider", "gmsSlider", 150.0, false, QStringList{"setGms 150"}, "");
    addRow("CLHE spin box", "clheEdit", 1234.0, false, QStringList{"setClhe 1234"}, "");
    addRow("zoom centre", "yCenterZoomEdit", 700.0, false, QStringList{"setZoom 1,640,700,0"}, "");
    addRow("ROI bound out of order", "x2RoiEdit", 300.0, false, QStringList{"setRoiX2 600"},
           "ROI X2 must be higher than ROI X1");
    addRow("slider behind a box", "gammaSlider", 10.0, true, QStringList{"setRoiX2 600"},
           "ROI X2 must be higher than ROI X1");
    addRow("spin box behind a box", "clheEdit", 1234.0, true, QStringList{"setRoiX2 600"},
           "ROI X2 must be higher than ROI X1");
}

// A screen reader's Value is the operator's edit of the control, sent once as a key move or Enter
// sends it; the same value again is no edit. A box the edit opens comes after the screen reader
// has its answer, so that it can read the box. Behind a modal box the window takes no value, as
// it takes no key or click.
void AccessibilityTest::valueSetThroughTheControlIsAFinishedEdit()
{
    QFETCH(QString, control);
    QFETCH(double, value);
    QFETCH(bool, duringABox);
    QFETCH(QStringList, operations);
    QFETCH(QString, boxText);

    WindowFixture fixture;
    fixture.connectCamera();
    fixture.child<QSpinBox>("x1RoiEdit")->setValue(600);
    QAccessibleValueInterface* access =
        QAccessible::queryAccessibleInterface(fixture.child<QWidget>(qPrintable(control)))
            ->valueInterface();
    QVERIFY(access);
    const double before = access->currentValue().toDouble();
    orvex_sim::clearJournal();
    MessageBoxAnswerer answerer;

    if (duringABox) {
        answerer.beforeAnswering([&] { access->setCurrentValue(value); });
        fixture.typeAndEnter("x2RoiEdit", "300");
    } else {
        access->setCurrentValue(value);
        QCOMPARE(answerer.count(), 0);
        access->setCurrentValue(value);
        QCoreApplication::processEvents();
    }

    QCOMPARE(answerer.texts(), boxText.isEmpty() ? QStringList() : QStringList{boxText});
    QCOMPARE(access->currentValue().toDouble(), duringABox          ? before
                                                : boxText.isEmpty() ? value
                                                                    : 600.0);
    QCOMPARE(sent(), operations);
}

// The first edit opens its "ROI" box only once the tool has its answer; a value set before then
// would be finished behind that box and never sent, so it is not taken.
void AccessibilityTest::valueWaitsForTheEditBeforeIt()
{
    WindowFixture fixture;
    fixture.connectCamera();
    fixture.child<QSpinBox>("x1RoiEdit")->setValue(600);
    const auto access = [&fixture](const char* control) {
        return QAccessible::queryAccessibleInterface(fixture.child<QWidget>(control))
            ->valueInterface();
    };
    orvex_sim::clearJournal();
    MessageBoxAnswerer answerer;

    access("x2RoiEdit")->setCurrentValue(300);
    access("clheEdit")->setCurrentValue(1234);
    QCoreApplication::processEvents();
    QCOMPARE(answerer.count(), 1);
    QCOMPARE(access("clheEdit")->currentValue().toInt(), 40);
    access("clheEdit")->setCurrentValue(1234);
    QCoreApplication::processEvents();

    QCOMPARE(sent(), QStringList({"setRoiX2 600", "setClhe 1234"}));
}

void AccessibilityTest::valueNoOperatorCouldEnterIsNotTaken_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("landsOn"); // NaN: where it was
    QTest::addColumn<QStringList>("operations");
    QTest::addColumn<QString>("camera");
    addRow("NaN on a slider", "gammaSlider", qQNaN(), qQNaN(), QStringList(), QString());
    addRow("NaN on a spin box", "clheEdit", qQNaN(), qQNaN(), QStringList(), QString());
    addRow("beyond a slider's top and the int range", "gmsSlider", 3e9, 1000.0,
           QStringList{"setGms 1000"}, QString());
    addRow("below a whole spin box's bottom and the int range", "x2RoiEdit", -3e9, 5.0,
           QStringList{"setRoiX2 5"}, QString());
    // Its read-back failed: the camera stays open, the User page disabled.
    addRow("on a disabled page", "gammaSlider", 10.0, qQNaN(), QStringList(),
           QString("[camera.SIM1]\nsilent=true\n"));
}

// An assistive tool passes any double: a number beyond the range is brought to the nearer limit
// as typing brings it, never wrapped through the int range onto the other end and sent. A
// disabled control takes no value, as it takes no key or click.
void AccessibilityTest::valueNoOperatorCouldEnterIsNotTaken()
{
    QFETCH(QString, control);
    QFETCH(double, value);
    QFETCH(double, landsOn);
    QFETCH(QStringList, operations);
    QFETCH(QString, camera);

    WindowFixture fixture(camera);
    {
        MessageBoxAnswerer answerer; // a camera that does not answer is reported in a box
        fixture.connectCamera();
    }
    fixture.monitoringTimer()->stop(); // its temperature reads would show among the sends
    QAccessibleValueInterface* access =
        QAccessible::queryAccessibleInterface(fixture.child<QWidget>(qPrintable(control)))
            ->valueInterface();
    const double before = access->currentValue().toDouble();
    orvex_sim::clearJournal();

    access->setCurrentValue(value);
    QCoreApplication::processEvents();

    QCOMPARE(access->currentValue().toDouble(), qIsNaN(landsOn) ? before : landsOn);
    QCOMPARE(sent(), operations);
}

void AccessibilityTest::tabFollowsEachAreaInReadingOrder_data()
{
    // Tab visits only the page shown, so a page's row holds the page alone; the other rows run
    // on into the stop Tab reaches next.
    QTest::addColumn<QString>("order");
    QTest::newRow("connection rows")
        << "scanDeviceButton selectDeviceComboBox connectDeviceButton disconnectDeviceButton "
           "resetParamButtonUser readParamButtonUser tabWidget gammaSlider";
    QTest::newRow("User")
        << "gammaSlider gammaEdit sharpeningSlider sharpeningEdit factorZoomEdit xCenterZoomEdit "
           "methodZoomEdit yCenterZoomEdit polarityButton userNucRequest nucEnablingButton "
           "verticalFlipButton horizontalFlipButton ColumnCorrectionButton "
           "VignettingCorrectionButton x1RoiEdit y1RoiEdit x2RoiEdit y2RoiEdit contrastTypeEdit "
           "clheSlider clheEdit shutterCtrlPB autoNucPB";
    QTest::newRow("IA control")
        << "resetIAControls applyIAControls readIAControls iAResizeModeComboBox nbBoxesSlider "
           "nbBoxesSpinBox iASensitivitySlider iASensitivitySpinBox interOverUnionSlider "
           "interOverUnionSpinBox iAOutputTypeComboBox";
    QTest::newRow("Expert")
        << "readParamButtonExpert gskSlider gskEdit gfidSlider gfidEdit gmsSlider gmsEdit "
           "tintSlider tintEdit enableBprPB enableOffsetPB enableGainPB serialNumberSP "
           "setSerialNumberPB forceSerialNumberPB";
    QTest::newRow("info bar") << "fpgaTempTextEdit sensorTempTextEdit logView PBClearLog "
                                 "aboutButton scanDeviceButton";
}

void AccessibilityTest::tabFollowsEachAreaInReadingOrder()
{
    QFETCH(QString, order);
    WindowFixture fixture;
    // Connecting adds the IA control tab back, which must not move its page in the order.
    fixture.connectCamera();
    // The chain is a ring: twice round reads every area whole, wherever it starts.
    const QStringList stops = tabStops(fixture);
    const QStringList ring = stops + stops;
    const QStringList expected = order.split(' ');
    const int first = ring.indexOf(expected.first());
    QVERIFY2(first >= 0, qPrintable(stops.join(' ')));
    QCOMPARE(ring.mid(first, expected.size()).join(' '), order);
}

void AccessibilityTest::tabAndShiftTabLeaveTheTextBoxes_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<bool>("backwards");
    QTest::addColumn<QString>("to");
    QTest::newRow("Tab out of the log") << "logView" << false << "PBClearLog";
    QTest::newRow("Shift+Tab out of the log") << "logView" << true << "sensorTempTextEdit";
    QTest::newRow("Tab out of FPGA") << "fpgaTempTextEdit" << false << "sensorTempTextEdit";
    QTest::newRow("Shift+Tab out of FPGA") << "fpgaTempTextEdit" << true << "autoNucPB";
    QTest::newRow("Tab out of sensor") << "sensorTempTextEdit" << false << "logView";
    QTest::newRow("Shift+Tab out of sensor") << "sensorTempTextEdit" << true << "fpgaTempTextEdit";
}

void AccessibilityTest::tabAndShiftTabLeaveTheTextBoxes()
{
    QFETCH(QString, from);
    QFETCH(bool, backwards);
    QFETCH(QString, to);
    WindowFixture fixture;
    fixture.connectCamera();
    fixture.window().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&fixture.window()));
    auto* box = fixture.child<QPlainTextEdit>(qPrintable(from));
    box->setFocus(Qt::OtherFocusReason);
    QCOMPARE(QApplication::focusWidget(), box);
    const QString text = box->toPlainText();

    QTest::keyClick(box, Qt::Key_Tab, backwards ? Qt::ShiftModifier : Qt::NoModifier);

    const QWidget* focused = QApplication::focusWidget();
    QCOMPARE(focused ? focused->objectName() : QString(), to);
    QCOMPARE(box->toPlainText(), text);
}

QTEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
