// The tool's window as the in-process benchmarks use it: the stand-in's built-in configuration
// (the demo), only the simulated cameras' ports listed, and the SDK log kept in a folder of this
// run rather than in the demo's own log.
#pragma once

#include "mainwindow.h"

#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace bench {

// What the simulated cameras keep between programs: nothing, as in the built-in configuration, or
// everything in a state file, as the demo of tools/run does.
enum class Kept { Nothing, InStateFile };

// The built-in configuration, or one that adds a fresh state file, of the stand-in whatever SDK
// library the machine names (ORVEX_SDK_LIBRARY, an sdk.ini); points the SDK log at a temporary
// folder and keeps the machine's own serial ports out of the port list. The folder goes when the
// process ends.
void useDemoConfiguration(Kept kept = Kept::Nothing);

QStringList simulatedPortNames();

template <class T> T* child(QWidget& window, const char* objectName)
{
    T* widget = window.findChild<T*>(QString::fromLatin1(objectName));
    if (!widget) {
        std::fprintf(stderr, "the window has no widget named %s\n", objectName);
        std::exit(1);
    }
    return widget;
}

// Runs a slot of the window as a signal would, private ones included.
void invoke(QWidget& window, const char* slot);

// Scan, choose SIM1, connect. False, with the reason on standard error, when the window did not
// end up connected; a message box shown meanwhile is closed and counts as a failure.
bool connectCamera(QWidget& window);

// A message box would wait for an operator who is not there: this closes any modal widget that
// opens while it lives and keeps its text, so a failing step shows up as an error, not a hang.
class ModalGuard
{
public:
    ModalGuard();
    const QStringList& seen() const { return seen_; }

private:
    QTimer timer_;
    QStringList seen_;
};

class DemoWindow
{
public:
    // Resets the stand-in, then builds and shows a window and lets it paint.
    explicit DemoWindow(Kept kept = Kept::Nothing);
    ~DemoWindow();

    MainWindow& window() { return *window_; }
    template <class T> T* child(const char* objectName)
    {
        return bench::child<T>(*window_, objectName);
    }
    void invoke(const char* slot) { bench::invoke(*window_, slot); }

private:
    std::unique_ptr<MainWindow> window_;
};

} // namespace bench
