#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "accessiblevalues.h"
#include "branding.h"
#include "dialog.h"
#include "screenfit.h"
#include "sdkaccess.h"
#include "slidergesture.h"

#include <QLabel>
#include <QSignalBlocker>
#include <QTimer>

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), ui(new Ui_MainWindow())
{
    accessibleValues::install();
    orvex_sdk::IOrvexSdk& sdk = sdkaccess::root();
    sdk.initialize();
    orvex_sdk::Configuration* configuration = sdk.getConfiguration();

    monitoringTimer = new QTimer(this);
    monitoringTimer->setObjectName(QStringLiteral("monitoringTimer"));

    ui->setupUi(this);
    labelListsWithoutACaption();
    // Disabled only now: a control created inside a disabled page gets a generic accessible
    // object for life, which a screen reader announces without its role.
    for (QWidget* page : {ui->UserMode, ui->IAControl, ui->ExpertMode})
        page->setEnabled(false);
    removeTabByTitle(QStringLiteral("IA control"));
    connectControls();
    if (!configuration->isExpertModeEnabled())
        removeTabByTitle(QStringLiteral("Expert"));

    ui->connectDeviceButton->setEnabled(false);
    ui->disconnectDeviceButton->setEnabled(false);
    applyCameraLimits();
    cameraType = std::make_unique<std::uint8_t>(0);

    for (QWidget* videoOutputControl :
         {static_cast<QWidget*>(ui->videoOutputLabel), static_cast<QWidget*>(ui->VideoOutputCB),
          static_cast<QWidget*>(ui->sdiOutputPB), static_cast<QWidget*>(ui->parallelOutputPB),
          static_cast<QWidget*>(ui->mipiOutputPB)})
        videoOutputControl->hide();

    ui->imageLogo->setText(QStringLiteral("<html><head/><body><p><img src=:picture/") +
                           companyLogoFile + QStringLiteral("/></p></body></html>"));
    ui->orvexLogo->setText(productLogoHtml);
    setWindowTitle(companyName + QStringLiteral(" OXHD camera Varnex"));

    auto* screenFit = new ScreenFit(*this, *ui->centralWidget);
    connect(screenFit, &ScreenFit::rearranging, this, &MainWindow::programTakesTheInput);
    connect(screenFit, &ScreenFit::rearranged, this, &MainWindow::programGivesBackTheInput);

    // Said once the window is up. No port is offered (see ports::availablePortNames), so the
    // window stays as it starts: nothing falls back to the simulated cameras.
    if (!sdkaccess::usable()) {
        QString failure = sdkaccess::failure();
        failure[0] = failure[0].toUpper();
        QTimer::singleShot(0, this, [this, failure] {
            logMessage(failure.toStdString());
            showWarning(failure);
        });
    }
}

// On X11 a list is announced by its current entry, and what it is for by the label whose buddy it
// is. Two lists have no caption beside them: each gets a label of its accessible name that is
// never shown. Made while the pages are enabled, so the label keeps its own accessible object.
void MainWindow::labelListsWithoutACaption()
{
    for (QComboBox* list : {ui->selectDeviceComboBox, ui->contrastTypeEdit}) {
        auto* label = new QLabel(list->accessibleName(), list->parentWidget());
        label->setBuddy(list);
        label->hide();
    }
}

// The camera is deliberately left as it is: the SDK owns the device and the connection and
// outlives the window. Destroying a window that is still shown hides it, and the control with the
// focus then finishes its edit: no slot may run on a window that is half destroyed, so every
// connection to it goes first.
MainWindow::~MainWindow()
{
    const auto children = findChildren<QObject*>();
    for (QObject* child : children)
        child->disconnect(this);
    delete ui;
}

void MainWindow::connectControls()
{
    using DoubleSpinBoxChanged = void (QDoubleSpinBox::*)(double);
    using SpinBoxChanged = void (QSpinBox::*)(int);
    using ComboBoxIndexChanged = void (QComboBox::*)(int);
    const auto doubleChanged = static_cast<DoubleSpinBoxChanged>(&QDoubleSpinBox::valueChanged);
    const auto intChanged = static_cast<SpinBoxChanged>(&QSpinBox::valueChanged);
    const auto indexChanged = static_cast<ComboBoxIndexChanged>(&QComboBox::currentIndexChanged);

    connect(monitoringTimer, &QTimer::timeout, this, &MainWindow::monitoringSystem);

    connect(ui->gammaSlider, &QSlider::valueChanged, this, &MainWindow::GammaUserSliderChanged);
    connect(ui->clheSlider, &QSlider::valueChanged, this, &MainWindow::ClheUserSliderChanged);
    connect(ui->sharpeningSlider, &QSlider::valueChanged, this,
            &MainWindow::SharpeningUserSliderChanged);
    connect(ui->gskSlider, &QSlider::valueChanged, this, &MainWindow::GSKExpertSliderChanged);
    connect(ui->gfidSlider, &QSlider::valueChanged, this, &MainWindow::GFIDExpertSliderChanged);
    connect(ui->gmsSlider, &QSlider::valueChanged, this, &MainWindow::GMSExpertSliderChanged);
    connect(ui->tintSlider, &QSlider::valueChanged, this, &MainWindow::TINTExpertSliderChanged);
    connect(ui->nbBoxesSlider, &QSlider::valueChanged, this, &MainWindow::NbBoxesSliderChanged);
    connect(ui->iASensitivitySlider, &QSlider::valueChanged, this,
            &MainWindow::IASensitivitySliderChanged);
    connect(ui->interOverUnionSlider, &QSlider::valueChanged, this,
            &MainWindow::InterOUSliderChanged);

    connect(ui->gammaEdit, doubleChanged, this, &MainWindow::GammaUserValueChanged);
    connect(ui->clheEdit, doubleChanged, this, &MainWindow::ClheUserValueChanged);
    connect(ui->sharpeningEdit, doubleChanged, this, &MainWindow::SharpeningUserValueChanged);
    connect(ui->gskEdit, doubleChanged, this, &MainWindow::GSKExpertValueChanged);
    connect(ui->gfidEdit, doubleChanged, this, &MainWindow::GFIDExpertValueChanged);
    connect(ui->gmsEdit, doubleChanged, this, &MainWindow::GMSExpertValueChanged);
    connect(ui->tintEdit, doubleChanged, this, &MainWindow::TINTExpertValueChanged);
    connect(ui->nbBoxesSpinBox, intChanged, this, &MainWindow::NbBoxesValueChanged);
    connect(ui->iASensitivitySpinBox, intChanged, this, &MainWindow::IASensitivityValueChanged);
    connect(ui->interOverUnionSpinBox, intChanged, this, &MainWindow::InterOUValueChanged);

    connect(ui->factorZoomEdit, &QDoubleSpinBox::editingFinished, this, &MainWindow::zoomChanged);
    connect(ui->xCenterZoomEdit, &QSpinBox::editingFinished, this, &MainWindow::zoomChanged);
    connect(ui->yCenterZoomEdit, &QSpinBox::editingFinished, this, &MainWindow::zoomChanged);
    connect(ui->x1RoiEdit, &QSpinBox::editingFinished, this, &MainWindow::x1RoiUserValueChanged);
    connect(ui->x2RoiEdit, &QSpinBox::editingFinished, this, &MainWindow::x2RoiUserValueChanged);
    connect(ui->y1RoiEdit, &QSpinBox::editingFinished, this, &MainWindow::y1RoiUserValueChanged);
    connect(ui->y2RoiEdit, &QSpinBox::editingFinished, this, &MainWindow::y2RoiUserValueChanged);

    connect(ui->gammaEdit, &QDoubleSpinBox::editingFinished, this,
            &MainWindow::gammaUserSendCommand);
    connect(ui->clheEdit, &QDoubleSpinBox::editingFinished, this, &MainWindow::clheSendCommand);
    connect(ui->sharpeningEdit, &QDoubleSpinBox::editingFinished, this,
            &MainWindow::sharpeningSendCommand);
    connect(ui->gskEdit, &QDoubleSpinBox::editingFinished, this, &MainWindow::gskSendCommand);
    connect(ui->gfidEdit, &QDoubleSpinBox::editingFinished, this, &MainWindow::gfiSendCommand);
    connect(ui->gmsEdit, &QDoubleSpinBox::editingFinished, this, &MainWindow::gmsSendCommand);
    connect(ui->tintEdit, &QDoubleSpinBox::editingFinished, this, &MainWindow::tintSendCommand);
    connect(ui->gammaSlider, &QSlider::sliderReleased, this, &MainWindow::gammaUserSendCommand);
    connect(ui->clheSlider, &QSlider::sliderReleased, this, &MainWindow::clheSendCommand);
    connect(ui->sharpeningSlider, &QSlider::sliderReleased, this,
            &MainWindow::sharpeningSendCommand);
    connect(ui->gskSlider, &QSlider::sliderReleased, this, &MainWindow::gskSendCommand);
    connect(ui->gfidSlider, &QSlider::sliderReleased, this, &MainWindow::gfiSendCommand);
    connect(ui->gmsSlider, &QSlider::sliderReleased, this, &MainWindow::gmsSendCommand);
    connect(ui->tintSlider, &QSlider::sliderReleased, this, &MainWindow::tintSendCommand);

    connect(ui->autoNucPB, &QPushButton::clicked, this, &MainWindow::AutoNucRequest);
    connect(ui->shutterCtrlPB, &QPushButton::clicked, this, &MainWindow::shutterPositionChanged);
    connect(ui->ColumnCorrectionButton, &QPushButton::clicked, this,
            &MainWindow::columnCorrChanged);
    connect(ui->VignettingCorrectionButton, &QPushButton::clicked, this,
            &MainWindow::vignettingCorrChanged);
    connect(ui->polarityButton, &QPushButton::clicked, this, &MainWindow::polarityChanged);
    connect(ui->verticalFlipButton, &QPushButton::clicked, this, &MainWindow::verticalFlipChanged);
    connect(ui->horizontalFlipButton, &QPushButton::clicked, this,
            &MainWindow::horizontalFlipChanged);
    connect(ui->nucEnablingButton, &QPushButton::clicked, this, &MainWindow::nucControlRequest);
    connect(ui->resetParamButtonUser, &QPushButton::clicked, this, &MainWindow::ResetParamsUser);
    connect(ui->readParamButtonUser, &QPushButton::clicked, this, &MainWindow::ReadParamsUser);
    connect(ui->readParamButtonExpert, &QPushButton::clicked, this, &MainWindow::ReadParamsExpert);
    connect(ui->PBClearLog, &QPushButton::clicked, ui->logView, &QPlainTextEdit::clear);
    connect(ui->userNucRequest, &QPushButton::clicked, this, &MainWindow::ApplyNucRequest);
    connect(ui->scanDeviceButton, &QPushButton::clicked, this, &MainWindow::scanDevice);
    connect(ui->connectDeviceButton, &QPushButton::clicked, this, &MainWindow::connectDevice);
    connect(ui->disconnectDeviceButton, &QPushButton::clicked, this, &MainWindow::disconnectDevice);
    connect(ui->aboutButton, &QPushButton::clicked, this, &MainWindow::createAboutWindow);
    connect(ui->applyIAControls, &QPushButton::clicked, this, &MainWindow::ApplyParamsIA);
    connect(ui->readIAControls, &QPushButton::clicked, this, &MainWindow::ReadParamsIA);
    connect(ui->resetIAControls, &QPushButton::clicked, this, &MainWindow::ResetParamsIA);
    connect(ui->tabWidget, &QTabWidget::tabBarClicked, this, &MainWindow::TabIndexChanged);
    // The operator also changes tabs with the keyboard, the wheel or a screen reader, none of which
    // clicks: the shown tab is what counts. A click reports its tab twice, to the same effect.
    connect(ui->tabWidget, &QTabWidget::currentChanged, this, &MainWindow::TabIndexChanged);
    connect(ui->enableBprPB, &QPushButton::clicked, this, &MainWindow::bprControl);
    connect(ui->enableOffsetPB, &QPushButton::clicked, this, &MainWindow::offsetControl);
    connect(ui->enableGainPB, &QPushButton::clicked, this, &MainWindow::gainControl);
    connect(ui->setSerialNumberPB, &QPushButton::clicked, this, &MainWindow::setOxSerialNumber);
    connect(ui->forceSerialNumberPB, &QPushButton::clicked, this, &MainWindow::forceOxSerialNumber);
    connect(ui->VideoOutputCB, indexChanged, this, &MainWindow::videoOutputChanged);
    connect(ui->methodZoomEdit, indexChanged, this, &MainWindow::zoomChanged);
    connect(ui->contrastTypeEdit, indexChanged, this, &MainWindow::contrastTypeChanged);

    sendSliderMovesOfTheOperator();
}

// Keys, the wheel and presses on the groove move a slider without a drag: the operator's gesture
// that made the moves is one finished edit and sends once, as the release of a drag does, so that
// the window and the camera never disagree. Values the program sets never send. The detector's
// sliders send only through Apply.
void MainWindow::sendSliderMovesOfTheOperator()
{
    const struct {
        QSlider* slider;
        void (MainWindow::*send)();
    } sendingSliders[] = {
        {ui->gammaSlider, &MainWindow::gammaUserSendCommand},
        {ui->clheSlider, &MainWindow::clheSendCommand},
        {ui->sharpeningSlider, &MainWindow::sharpeningSendCommand},
        {ui->gskSlider, &MainWindow::gskSendCommand},
        {ui->gfidSlider, &MainWindow::gfiSendCommand},
        {ui->gmsSlider, &MainWindow::gmsSendCommand},
        {ui->tintSlider, &MainWindow::tintSendCommand},
    };
    // Made after the coupling's own connections, so the spin box already shows the new value.
    for (const auto& row : sendingSliders)
        connect(new SliderGesture(row.slider), &SliderGesture::finished, this, row.send);
}

// The last tab of that exact title wins; the page itself survives, so it can be added again. The
// operator chose no tab here, so what follows the shown tab is not told.
void MainWindow::removeTabByTitle(const QString& title)
{
    const QSignalBlocker tabsMovedByTheProgram(ui->tabWidget);
    constexpr int noMatch = -1;
    int match = noMatch;
    for (int index = 0; index < ui->tabWidget->count(); ++index) {
        if (ui->tabWidget->tabText(index) == title)
            match = index;
    }
    if (match != noMatch)
        ui->tabWidget->removeTab(match);
}

// Appends after whatever the operator typed or selected in the view, then records the report,
// unchanged, as one SDK record.
void MainWindow::logMessage(std::string message)
{
    QTextCursor cursor = ui->logView->textCursor();
    cursor.movePosition(QTextCursor::End, QTextCursor::MoveAnchor);
    ui->logView->setTextCursor(cursor);
    ui->logView->insertPlainText(QString::fromStdString(message + '\n'));
    ui->logView->moveCursor(QTextCursor::End);

    sdkaccess::LogRecord record(orvex_sdk::info);
    record.logger().writeString(message);
}

void MainWindow::createAboutWindow()
{
    Dialog about;
    about.setModal(true);
    runModal(about);
}
