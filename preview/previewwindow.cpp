#include "previewwindow.h"

#include "comparepanel.h"
#include "compareview.h"
#include "holdandrecord.h"
#include "sdkaccess.h"
#include "ui_previewwindow.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QScrollBar>

#include <utility>

namespace {

constexpr qint64 detectionListMs = 1000;

// A screen reader reads a label's text as its name, so what the label is for goes in its
// description.
QLabel* statusLabel(QStatusBar* bar, const QString& objectName, const QString& description)
{
    auto* label = new QLabel(bar);
    label->setObjectName(objectName);
    label->setAccessibleDescription(description);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

PreviewWindow::PreviewWindow(std::unique_ptr<FrameSource> source, QWidget* parent)
    : QMainWindow(parent), ui_(std::make_unique<Ui::PreviewWindow>()), source_(source.release())
{
    ui_->setupUi(this);
    pictureDescription_ = ui_->pictureView->accessibleDescription();
    source_->setParent(this);
    setWindowTitle(tr("Orvex HD preview: %1").arg(source_->name()));
    settingsLabel_ = statusLabel(ui_->statusbar, QStringLiteral("settingsLabel"),
                                 tr("Where the settings that shape the picture come from"));
    probeLabel_ = statusLabel(ui_->statusbar, QStringLiteral("probeLabel"),
                              tr("The probed pixel's raw count and level"));
    rateLabel_ = statusLabel(ui_->statusbar, QStringLiteral("rateLabel"),
                             tr("Frames a second, and the time one takes to make"));
    // A long path cuts the text short rather than widening the window; the tooltip holds it all.
    settingsLabel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    // "No signal" takes the settings' place while it lasts.
    ui_->statusbar->addWidget(settingsLabel_, 1);
    ui_->statusbar->addPermanentWidget(probeLabel_);
    ui_->statusbar->addPermanentWidget(rateLabel_);
    showSdkInForce();
    ui_->detectionPanel->hide();
    colours_ = paletteColours(Palette::Grey);
    clock_.start();
    addHoldAndRecord();

    connect(ui_->paletteCombo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this](int index) {
                colours_ = paletteColours(Palette(index));
                keeper_->setColours(colours_);
                showPicture();
                showPanels();
            });
    connect(ui_->scaleCombo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this](int index) { ui_->pictureView->setActualSize(index == 1); });
    connect(ui_->pictureView, &PictureView::probeMoved, this, [this](QPoint pixel) {
        const QPoint at = ui_->pictureView->widgetPosition(pixel);
        ui_->pictureScroll->ensureVisible(at.x(), at.y());
        showProbe();
        // A screen reader speaks the picture's description as it changes: the readout where the
        // probe went. Each frame changes the readout too, but only a move is worth a word.
        if (!probeLabel_->text().isEmpty())
            ui_->pictureView->setAccessibleDescription(probeLabel_->text());
    });
    wirePanels();
    connect(source_, &FrameSource::frameReady, this, &PreviewWindow::showFrame);
    connect(source_, &FrameSource::signalLost, this, &PreviewWindow::showNoSignal);
    connect(source_, &FrameSource::settingsDescribed, this, [this](const QString& text) {
        settingsLabel_->setText(text);
        settingsLabel_->setToolTip(text);
    });
    source_->start();
}

PreviewWindow::~PreviewWindow() = default;

void PreviewWindow::showFrame(const Frame& frame)
{
    frame_ = frame;
    countFrame(frame.processingMs);
    ui_->outputLabel->setText(frame.caption);
    showPicture();
    showProbe();
    showDetections();
    keeper_->showFrame(frame_, colours_);
    showPanels();
}

void PreviewWindow::showNoSignal(const QString& reason)
{
    frame_ = Frame();
    rate_.clear();
    ui_->pictureView->setNoSignal(reason);
    ui_->outputLabel->clear();
    rateLabel_->clear();
    probeLabel_->clear();
    // What the probe or a box read is gone with the picture.
    ui_->pictureView->setAccessibleDescription(pictureDescription_);
    detections_.clear();
    ui_->detectionList->clear();
    ui_->detectionPanel->hide();
    showPanels();
    ui_->statusbar->showMessage(tr("No signal: %1").arg(reason));
    keeper_->showNoSignal();
}

// The held and live pictures where the picture is, and freeze and record in a row below them.
// Tab goes from the picture (or the held and live pictures) to the measurements, the detections,
// and then these.
void PreviewWindow::addHoldAndRecord()
{
    auto* panel = new ComparePanel(ui_->centralwidget);
    ui_->pictureLayout->insertWidget(ui_->pictureLayout->indexOf(ui_->pictureScroll) + 1, panel,
                                     1);
    keeper_ =
        new HoldAndRecord(panel, ui_->pictureScroll, ui_->pictureView, ui_->centralwidget);
    ui_->centralLayout->addWidget(keeper_);
    QWidget* previous = ui_->pictureView;
    const QList<QWidget*> chain =
        QList<QWidget*>{panel->view(), ui_->measurementPanel->copyButton(),
                        ui_->measurementPanel->clearBoxButton(), ui_->detectionList} +
        keeper_->controls();
    for (QWidget* next : chain)
        QWidget::setTabOrder(std::exchange(previous, next), next);
}

void PreviewWindow::showTemperatures(const QString& text)
{
    if (!temperatureLabel_) {
        temperatureLabel_ = statusLabel(ui_->statusbar, QStringLiteral("temperatureLabel"),
                                        tr("The camera's temperatures, read over its port"));
        // As wide as the widest reading from the start, so that the window does not change width
        // as the figures do; a longer text is cut, and the tooltip holds it whole.
        temperatureLabel_->setMinimumWidth(temperatureLabel_->fontMetrics().horizontalAdvance(
            tr("FPGA -100.000 C, sensor -100.000 C")));
        ui_->statusbar->addPermanentWidget(temperatureLabel_);
    }
    temperatureLabel_->setText(text);
    temperatureLabel_->setToolTip(text);
}

// Always in view, the failure of a library named too. A long path is cut in its middle rather than
// widening the window; the tooltip holds it whole.
void PreviewWindow::showSdkInForce()
{
    QLabel* label = statusLabel(ui_->statusbar, QStringLiteral("sdkLabel"),
                                tr("The camera SDK in force, or why the one named cannot be used"));
    QString text = sdkaccess::account();
    text[0] = text[0].toUpper();
    const QFontMetrics metrics = label->fontMetrics();
    label->setText(metrics.elidedText(text, Qt::ElideMiddle, metrics.averageCharWidth() * 48));
    label->setToolTip(text);
    ui_->statusbar->addPermanentWidget(label);
}

void PreviewWindow::showPicture()
{
    if (!frame_.picture)
        return;
    const cv::Mat& levels = frame_.picture->levels;
    // A copy of its own, so the image outlives the frame.
    QImage image =
        QImage(levels.data, levels.cols, levels.rows, int(levels.step), QImage::Format_Indexed8)
            .copy();
    image.setColorTable(colours_);
    ui_->statusbar->clearMessage();
    ui_->pictureView->setPicture(image);
}

void PreviewWindow::showProbe()
{
    const QPoint pixel = ui_->pictureView->probe();
    if (!frame_.picture)
        return;
    const imaging::Picture& picture = *frame_.picture;
    const cv::Point shown(pixel.x(), pixel.y());
    // A probe set on a picture of another size waits until it is moved onto this one; what it
    // read there went with the pixel.
    if (!cv::Rect(0, 0, picture.levels.cols, picture.levels.rows).contains(shown)) {
        if (!probeLabel_->text().isEmpty()) {
            probeLabel_->clear();
            ui_->pictureView->setAccessibleDescription(pictureDescription_);
        }
        return;
    }
    const int level = picture.levels.at<std::uint8_t>(shown);
    if (picture.counts.empty()) {
        probeLabel_->setText(tr("x %1, y %2: level %3").arg(pixel.x()).arg(pixel.y()).arg(level));
        return;
    }
    // The raw count of the sensor pixel that the zoom and the flips brought here.
    const cv::Point sensor = picture.geometry.sensorPixel(shown);
    probeLabel_->setText(tr("x %1, y %2: raw count %3, level %4")
                             .arg(pixel.x())
                             .arg(pixel.y())
                             .arg(picture.counts.at<std::uint16_t>(sensor))
                             .arg(level));
}

void PreviewWindow::showDetections()
{
    const imaging::Picture& picture = *frame_.picture;
    QStringList lines;
    if (picture.detectionsListed) {
        int number = 0;
        for (const cv::Rect& box : picture.detections)
            lines << tr("%1: x %2, y %3, %4 × %5")
                         .arg(++number)
                         .arg(box.x)
                         .arg(box.y)
                         .arg(box.width)
                         .arg(box.height);
    }
    ui_->detectionPanel->setVisible(picture.detectionsListed);
    // The boxes move every frame. A list rewritten as often would have a screen reader speak
    // nothing else, so it follows at a reading pace, its rows changed in place.
    const qint64 now = clock_.elapsed();
    const bool sameRows = lines.size() == detections_.size();
    if (lines == detections_ || (sameRows && now - detectionsShownAt_ < detectionListMs))
        return;
    detections_ = lines;
    detectionsShownAt_ = now;
    QListWidget* list = ui_->detectionList;
    while (list->count() > lines.size())
        delete list->takeItem(list->count() - 1);
    for (int row = 0; row < lines.size(); ++row) {
        if (row < list->count())
            list->item(row)->setText(lines.at(row));
        else
            list->addItem(lines.at(row));
    }
}

void PreviewWindow::countFrame(double processingMs)
{
    rateLabel_->setText(tr("%1 frames/s, %2 ms a frame")
                            .arg(rate_.arrived(clock_.elapsed()))
                            .arg(processingMs, 0, 'f', 1));
}

void PreviewWindow::setOverlaysShown(bool shown)
{
    ui_->overlaysCheck->setChecked(shown);
}

void PreviewWindow::wirePanels()
{
    ui_->tonePanel->setVisible(ui_->histogramCheck->isChecked());
    connect(ui_->overlaysCheck, &QCheckBox::toggled, this, &PreviewWindow::showOverlays);
    connect(ui_->colourScaleCheck, &QCheckBox::toggled, ui_->colourScale, &QWidget::setVisible);
    connect(ui_->histogramCheck, &QCheckBox::toggled, this, [this](bool shown) {
        ui_->tonePanel->setVisible(shown);
        showPanels();
    });
    connect(ui_->pictureView, &PictureView::probeMoved, this, &PreviewWindow::measureRegions);
    connect(ui_->pictureView, &PictureView::boxChanged, this, [this](QRect box) {
        ui_->measurementPanel->setBoxShown(!box.isEmpty());
        boxToSpeak_ = false;
        // A box read out before no longer holds: a screen reader hears the probe's readout
        // again, or what the picture is.
        ui_->pictureView->setAccessibleDescription(
            probeLabel_->text().isEmpty() ? pictureDescription_ : probeLabel_->text());
        measureRegions();
    });
    connect(ui_->pictureView, &PictureView::boxDrawn, this, [this] { boxToSpeak_ = true; });
    connect(ui_->pictureView, &PictureView::copyRequested, this, &PreviewWindow::copyMeasurements);
    connect(ui_->measurementPanel, &MeasurementPanel::copyRequested, this,
            &PreviewWindow::copyMeasurements);
    connect(ui_->measurementPanel, &MeasurementPanel::clearBoxRequested, ui_->pictureView,
            &PictureView::clearBox);
}

// The figures come with each frame, made on the source's thread; the window only shows them.
void PreviewWindow::showPanels()
{
    // A capture device's picture carries no settings: there is nothing to draw.
    const bool settingsKnown = !frame_.picture || frame_.settings;
    if (ui_->overlaysCheck->isEnabled() != settingsKnown) {
        ui_->overlaysCheck->setEnabled(settingsKnown);
        ui_->overlaysCheck->setToolTip(
            settingsKnown ? tr("Draw the contrast's ROI, the zoom's window and centre and the "
                               "detector's boxes on the picture, where the zoom and the flips put "
                               "them")
                          : tr("A capture device's settings are unknown: there is nothing to "
                               "draw"));
    }
    showOverlays();
    ui_->colourScale->setScale(frame_.tone, colours_);
    if (ui_->tonePanel->isVisible())
        ui_->tonePanel->showTone(frame_.tone, settingsKnown, colours_);
    ui_->measurementPanel->showReadings(frame_.readings);
    // A box just drawn is spoken once its figures come, as the probe's readout is.
    const QRect box = ui_->pictureView->box();
    const imaging::Readings& readings = frame_.readings;
    if (boxToSpeak_ && readings.box &&
        readings.regions.box == cv::Rect(box.x(), box.y(), box.width(), box.height())) {
        boxToSpeak_ = false;
        ui_->pictureView->setAccessibleDescription(ui_->measurementPanel->boxText());
    }
}

void PreviewWindow::showOverlays()
{
    if (ui_->overlaysCheck->isChecked() && frame_.picture && frame_.settings)
        ui_->pictureView->setOverlays(imaging::overlaysOf(*frame_.picture, *frame_.settings));
    else
        ui_->pictureView->setOverlays(std::nullopt);
}

void PreviewWindow::measureRegions()
{
    const QPoint probe = ui_->pictureView->probe();
    const QRect box = ui_->pictureView->box();
    source_->measure(
        {cv::Point(probe.x(), probe.y()), cv::Rect(box.x(), box.y(), box.width(), box.height())});
}

void PreviewWindow::copyMeasurements()
{
    const QString text = ui_->measurementPanel->text();
    if (!text.isEmpty())
        QGuiApplication::clipboard()->setText(text + QLatin1Char('\n'));
}
