#include "demowindow.h"

#include "portenumeration.h"
#include "sdkaccess.h"
#include "simcontrol.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QMessageBox>
#include <QMetaObject>
#include <QPushButton>
#include <QTemporaryDir>

namespace bench {

void useDemoConfiguration(Kept kept)
{
    static QTemporaryDir folder;
    // Beside the stand-in, whatever SDK library the machine names.
    qunsetenv("ORVEX_SDK_LIBRARY");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder.filePath(QStringLiteral("config"))));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(folder.filePath(QStringLiteral("etc"))));
    // The stand-in's built-in log file lives in the user's state folder; benchmark reports do not
    // belong among the demo's.
    qputenv("TMPDIR", QFile::encodeName(folder.path()));
    qputenv("XDG_STATE_HOME", QFile::encodeName(folder.path()));
    qunsetenv("ORVEX_SDK_CONFIG");
    if (kept == Kept::InStateFile) {
        const QString ini = folder.filePath(QStringLiteral("sdk.ini"));
        QFile file(ini);
        if (!file.open(QIODevice::WriteOnly) || file.write("[sdk]\nstateFile=state.ini\n") < 0) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(ini));
            std::exit(1);
        }
        QFile::remove(folder.filePath(QStringLiteral("state.ini")));
        qputenv("ORVEX_SDK_CONFIG", QFile::encodeName(ini));
    }
    ports::setEnumerator(simulatedPortNames);
}

QStringList simulatedPortNames()
{
    QStringList names;
    // A vendor's library named (bench_startup) has no simulated cameras, and asked, the stand-in
    // would start beside it.
    if (!sdkaccess::standIn())
        return names;
    for (const std::string& name : orvex_sim::portNames())
        names.append(QString::fromStdString(name));
    return names;
}

void invoke(QWidget& window, const char* slot)
{
    if (!QMetaObject::invokeMethod(&window, slot, Qt::DirectConnection)) {
        std::fprintf(stderr, "the window has no slot %s\n", slot);
        std::exit(1);
    }
}

bool connectCamera(QWidget& window)
{
    ModalGuard guard;
    invoke(window, "scanDevice");
    auto* portChoice = child<QComboBox>(window, "selectDeviceComboBox");
    const int index = portChoice->findText(QStringLiteral("SIM1"));
    if (index < 0) {
        std::fprintf(stderr, "SIM1 is not in the port list after scanDevice\n");
        return false;
    }
    portChoice->setCurrentIndex(index);
    invoke(window, "connectDevice");

    if (!guard.seen().isEmpty()) {
        std::fprintf(stderr, "the connect showed a message box: %s\n",
                     qPrintable(guard.seen().join(QStringLiteral(" | "))));
        return false;
    }
    if (!child<QPushButton>(window, "disconnectDeviceButton")->isEnabled()) {
        std::fprintf(stderr, "the window is not connected after connectDevice\n");
        return false;
    }
    return true;
}

ModalGuard::ModalGuard()
{
    timer_.setInterval(20);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        const auto* box = qobject_cast<QMessageBox*>(modal);
        seen_.append(box ? box->windowTitle() + QStringLiteral(": ") + box->text()
                         : modal->windowTitle());
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    });
    timer_.start();
}

DemoWindow::DemoWindow(Kept kept)
{
    useDemoConfiguration(kept);
    orvex_sim::reset();
    window_ = std::make_unique<MainWindow>();
    window_->show();
    QApplication::processEvents();
}

// The stand-in keeps whatever the window held open until the next reset, as the SDK would.
DemoWindow::~DemoWindow() = default;

} // namespace bench
