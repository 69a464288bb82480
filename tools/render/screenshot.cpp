// Renders the window as an operator sees it with the demo camera connected: one PNG per tab and
// one of the About box. tools/screenshot runs it on a virtual X display of its own.
#include "dialog.h"
#include "mainwindow.h"
#include "qtcompat.h"

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
        application.quit();
    });
    application.exec();
    return allSaved ? 0 : 1;
}
