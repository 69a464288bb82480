#include "holdandrecord.h"

#include "compareview.h"
#include "comparepanel.h"
#include "recorder.h"
#include "ui_holdandrecord.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPainter>
#include <QShortcut>
#include <QStandardPaths>
#include <QStyle>

namespace {

constexpr int recordingReadoutMs = 500;

// The usual sign of recording: a red disc.
QIcon recordIcon()
{
    QPixmap disc(16, 16);
    disc.fill(Qt::transparent);
    QPainter painter(&disc);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(120, 0, 0), 1));
    painter.setBrush(QColor(220, 30, 30));
    painter.drawEllipse(QRectF(2.5, 2.5, 11, 11));
    return QIcon(disc);
}

} // namespace

HoldAndRecord::HoldAndRecord(ComparePanel* panel, QWidget* picture, QWidget* view,
                             QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::HoldAndRecord>()), panel_(panel),
      picture_(picture), view_(view)
{
    ui_->setupUi(this);
    // A long readout is cut rather than widening the window; its tooltip holds it whole.
    ui_->recordingLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    ui_->freezeButton->setIcon(style()->standardIcon(QStyle::SP_MediaPause));
    ui_->recordButton->setIcon(recordIcon());
    panel_->hide();
    recordingClock_.setInterval(recordingReadoutMs);
    connect(&recordingClock_, &QTimer::timeout, this, &HoldAndRecord::showRecording);
    connect(ui_->freezeButton, &QPushButton::toggled, this, &HoldAndRecord::hold);
    connect(ui_->recordButton, &QPushButton::toggled, this, &HoldAndRecord::record);
    connect(ui_->compareCombo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this](int index) {
                panel_->view()->setArrangement(index == 1 ? CompareView::Arrangement::Split
                                                          : CompareView::Arrangement::SideBySide);
            });
    // Anywhere in the window, as a viewer's keys are.
    auto* freezeKey = new QShortcut(QKeySequence(Qt::Key_F), this);
    connect(freezeKey, &QShortcut::activated, ui_->freezeButton, &QPushButton::click);
    auto* recordKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_R), this);
    connect(recordKey, &QShortcut::activated, ui_->recordButton, &QPushButton::click);
}

HoldAndRecord::~HoldAndRecord() = default;

QList<QWidget*> HoldAndRecord::controls() const
{
    return {ui_->freezeButton, ui_->compareCombo, ui_->recordButton};
}

void HoldAndRecord::showFrame(const Frame& frame, const QVector<QRgb>& colours)
{
    frame_ = frame;
    colours_ = colours;
    ui_->freezeButton->setEnabled(true);
    if (ui_->freezeButton->isChecked())
        panel_->showLive(frame);
    if (recorder_)
        recorder_->add(frame, colours);
}

void HoldAndRecord::setColours(const QVector<QRgb>& colours)
{
    colours_ = colours;
    panel_->setColours(colours);
}

void HoldAndRecord::showNoSignal()
{
    frame_ = Frame();
    if (ui_->freezeButton->isChecked())
        panel_->showLive(frame_);
    else
        ui_->freezeButton->setEnabled(false);
}

void HoldAndRecord::hold(bool on)
{
    if (on && !frame_.picture) {
        ui_->freezeButton->setChecked(false);
        return;
    }
    QWidget* from = on ? view_ : panel_->view();
    QWidget* to = on ? panel_->view() : view_;
    const bool focused = from->hasFocus();
    if (on)
        panel_->hold(frame_, colours_);
    panel_->setVisible(on);
    picture_->setVisible(!on);
    if (focused)
        to->setFocus();
    if (!on && !frame_.picture)
        ui_->freezeButton->setEnabled(false);
}

QString HoldAndRecord::askName()
{
    if (askName_)
        return askName_();
    if (lastFolder_.isEmpty()) {
        lastFolder_ = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
        if (lastFolder_.isEmpty() || !QFileInfo(lastFolder_).isDir())
            lastFolder_ = QDir::homePath();
    }
    const QString suggested = QDir(lastFolder_).filePath(
        QStringLiteral("orvexhd-%1")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"))));
    const QString chosen = Recorder::nameOf(QFileDialog::getSaveFileName(
        this, tr("Record to"), suggested,
        tr("Recordings: raw counts, frames' settings, video (*.tiff *.csv *.webm)"), nullptr,
        QFileDialog::DontConfirmOverwrite));
    if (chosen.isEmpty())
        return QString();
    lastFolder_ = QFileInfo(chosen).absolutePath();
    QStringList there;
    for (const QString& extension : Recorder::extensions()) {
        if (QFileInfo::exists(chosen + extension))
            there << QDir::toNativeSeparators(chosen + extension);
    }
    if (!there.isEmpty() &&
        QMessageBox::question(this, tr("Replace the recording?"),
                              tr("%1 already exist. Replace them?")
                                  .arg(there.join(QStringLiteral(", "))),
                              QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No) != QMessageBox::Yes)
        return QString();
    return chosen;
}

void HoldAndRecord::record(bool on)
{
    const QSignalBlocker quiet(ui_->recordButton);
    if (!on) {
        // The thread writes what waits and ends the files; the window goes on meanwhile.
        if (recorder_)
            recorder_->end();
        ui_->recordButton->setChecked(recorder_ != nullptr);
        ui_->recordButton->setEnabled(false);
        return;
    }
    const QString name = askName();
    if (name.isEmpty()) {
        ui_->recordButton->setChecked(false);
        return;
    }
    auto recorder = std::make_unique<Recorder>(name);
    QString error;
    if (!recorder->begin(error)) {
        ui_->recordButton->setChecked(false);
        ui_->recordingLabel->setText(tr("Not recording: %1").arg(error));
        QMessageBox::warning(this, tr("Recording"), error);
        return;
    }
    recorder_ = std::move(recorder);
    connect(recorder_.get(), &QThread::finished, this, &HoldAndRecord::recordingEnded);
    connect(recorder_.get(), &Recorder::failed, this, [this](const QString& text) {
        recorder_->end();
        auto* box = new QMessageBox(QMessageBox::Warning, tr("Recording stopped"), text,
                                    QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    });
    ui_->recordButton->setChecked(true);
    ui_->recordButton->setText(tr("Stop &recording"));
    recordingFor_.start();
    recordingClock_.start();
    showRecording();
}

void HoldAndRecord::showRecording()
{
    if (!recorder_)
        return;
    QString text = tr("Recording %1 s: %2")
                       .arg(recordingFor_.elapsed() / 1000)
                       .arg(framesText(recorder_->written()));
    if (recorder_->dropped() > 0)
        text += tr(", %1 dropped (the disk is slow)").arg(recorder_->dropped());
    ui_->recordingLabel->setText(text);
    ui_->recordingLabel->setToolTip(
        tr("Recording to %1").arg(QDir::toNativeSeparators(recorder_->name())));
}

void HoldAndRecord::recordingEnded()
{
    recordingClock_.stop();
    const QString failure = recorder_->failure();
    const QString files = QDir::toNativeSeparators(recorder_->name()) +
                          Recorder::extensions().join(QStringLiteral(", "));
    QString text = failure.isEmpty()
                       ? tr("Recorded %1 to %2").arg(framesText(recorder_->written()), files)
                       : failure;
    if (recorder_->dropped() > 0)
        text += tr("; %1 dropped: the disk did not keep up").arg(recorder_->dropped());
    ui_->recordingLabel->setText(text);
    ui_->recordingLabel->setToolTip(text);
    recorder_.reset();
    const QSignalBlocker quiet(ui_->recordButton);
    ui_->recordButton->setChecked(false);
    ui_->recordButton->setEnabled(true);
    ui_->recordButton->setText(tr("&Record"));
}
