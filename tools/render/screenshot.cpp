// Renders the window as an operator sees it with the demo camera connected: one PNG per tab and
// one of the About box, and orvexhd-preview beside it. tools/screenshot runs it on a virtual X
// display of its own.
#include "dialog.h"
#include "mainwindow.h"
#include "qtcompat.h"
#ifdef ORVEX_PREVIEW
#include "pictureview.h"
#include "previewwindow.h"
#include "simcontrol.h"
#include "simulatedsource.h"

#include <QCheckBox>
#include <QKeyEvent>
#endif

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QMetaObject>
#include <QPixmap>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>

namespace {

// These platforms draw with the toolkit's fallback font, larger than any desktop's default, so
// their pictures would not show what an operator sees.
bool drawsAsAUserSees(const QString& platform)
{
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

bool save(QWidget& widget, const QDir& folder, const QString& name)
{
    const QString path = folder.filePath(name);
    const bool saved = widget.grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    return saved;
}

#ifdef ORVEX_PREVIEW
void press(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(widget, &event);
}

// The demo camera's ROI on the ground, the histogram and the settings drawn, and a box measured
// on the house's wall, from the keyboard as an operator would.
void showWhyThePictureLooksAsItDoes(PreviewWindow& preview)
{
    orvex_sim::CameraSettings& camera = orvex_sim::settings("SIM1");
    camera.roiX1 = 40;
    camera.roiY1 = 360;
    camera.roiX2 = 1240;
    camera.roiY2 = 980;
    camera.ia.outputType = 1; // listed; the overlays draw the boxes
    preview.setOverlaysShown(true);
    preview.findChild<QCheckBox*>(QStringLiteral("histogramCheck"))->setChecked(true);
    auto* view = preview.findChild<PictureView*>();
    press(view, Qt::Key_Right); // the probe to the middle of the picture, then to the house
    const auto move = [&](int key, int steps) {
        for (int step = 0; step < steps; ++step)
            press(view, key, Qt::ShiftModifier);
    };
    move(Qt::Key_Left, 54);
    move(Qt::Key_Up, 21);
    press(view, Qt::Key_Return);
    move(Qt::Key_Right, 20);
    move(Qt::Key_Down, 10);
    press(view, Qt::Key_Return);
}
#endif

QString fileNameFor(const QString& tabTitle)
{
    return QStringLiteral("window-") + tabTitle.toLower().replace(' ', '-') +
           QStringLiteral(".png");
}

} // namespace

int main(int argc, char** argv)
{
    // As the tool itself starts.
    qtcompat::scaleToTheScreen();
    QApplication application(argc, argv);
    if (!drawsAsAUserSees(QApplication::platformName())) {
        std::fprintf(stderr,
                     "the %s platform does not draw as a user's display does; run "
                     "tools/screenshot, which renders on a virtual X display\n",
                     qPrintable(QApplication::platformName()));
        return 2;
    }
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());
    QDir().mkpath(folder.path());

    MainWindow window;
    window.show();
    QMetaObject::invokeMethod(&window, "scanDevice", Qt::DirectConnection);
    auto* ports = window.findChild<QComboBox*>(QStringLiteral("selectDeviceComboBox"));
    ports->setCurrentIndex(ports->findText(QStringLiteral("SIM1")));
    QMetaObject::invokeMethod(&window, "connectDevice", Qt::DirectConnection);

#ifdef ORVEX_PREVIEW
    // The demo camera's picture as the preview shows it, with the detector drawing and listing
    // its boxes, in the iron palette; once the window's pictures are taken, with the panels that
    // say why it looks as it does.
    orvex_sim::settings("SIM1").ia.outputType = 3;
    PreviewWindow preview(std::make_unique<SimulatedSource>(QStringLiteral("SIM1")));
    preview.findChild<QComboBox*>(QStringLiteral("paletteCombo"))->setCurrentIndex(1);
    preview.resize(1200, 680);
    preview.show();
#endif

    bool allSaved = true;
    // Let the first temperature refresh land before the pictures are taken.
    QTimer::singleShot(1200, &window, [&] {
        auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("tabWidget"));
        for (int index = 0; index < tabs->count(); ++index) {
            // As a click on the tab bar does: the window hears of it, then the page changes.
            emit tabs->tabBarClicked(index);
            tabs->setCurrentIndex(index);
            allSaved &= save(window, folder, fileNameFor(tabs->tabText(index)));
        }
        tabs->setCurrentIndex(0);
        Dialog about;
        about.show();
        allSaved &= save(about, folder, QStringLiteral("about.png"));
#ifdef ORVEX_PREVIEW
        showWhyThePictureLooksAsItDoes(preview);
        // Frames made with the new settings and the box, a few of them.
        QTimer::singleShot(800, &window, [&] {
            allSaved &= save(preview, folder, QStringLiteral("preview.png"));
            application.quit();
        });
        return;
#endif
        application.quit();
    });
    application.exec();
    return allSaved ? 0 : 1;
}
