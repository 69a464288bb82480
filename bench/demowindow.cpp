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

void useDemoConfiguration()
{
    static QTemporaryDir sdkLogFolder;
    qunsetenv("ORVEX_SDK_CONFIG");
    qunsetenv("ORVEX_SDK_LIBRARY");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(sdkLogFolder.filePath(QStringLiteral("config"))));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(sdkLogFolder.filePath(QStringLiteral("etc"))));
    // The stand-in's built-in log file lives in the temporary folder; benchmark reports do not
    // belong among the demo's.
    qputenv("TMPDIR", QFile::encodeName(sdkLogFolder.path()));
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

DemoWindow::DemoWindow()
{
    useDemoConfiguration();
    orvex_sim::reset();
    window_ = std::make_unique<MainWindow>();
    window_->show();
    QApplication::processEvents();
}

// The stand-in keeps whatever the window held open until the next reset, as the SDK would.
DemoWindow::~DemoWindow() = default;

} // namespace bench
