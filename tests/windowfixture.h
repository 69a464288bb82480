// Builds the real MainWindow over the stand-in SDK, with only the simulated cameras' ports
// visible, and gives tests the handles an operator has: widgets by object name, the log, clicks.
#pragma once

#include "mainwindow.h"
#include "simcontrol.h"

#include <QPlainTextEdit>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

class WindowFixture
{
public:
    // iniText: the stand-in's configuration for this window (empty: the built-in values).
    // The stand-in is reset before the window is built, so every fixture starts afresh; while
    // another SDK is in force it is left alone, and the test lists that SDK's ports.
    // screenArea: what the window's screen leaves to windows; by default a desktop's, where the
    // window fits (the offscreen platform's own screen is 800x600).
    explicit WindowFixture(const QString& iniText = QString(),
                           const QRect& screenArea = QRect(0, 0, 1920, 1160));
    ~WindowFixture();

    MainWindow& window() { return *window_; }
    // Destroys the window as it stands, shown and connected, without closing it first.
    void destroyWindow() { window_.reset(); }

    // The widget of that object name and class; aborts the test run when there is none, since
    // every later step would only fail more obscurely.
    template <class T> T* child(const char* objectName) const
    {
        T* widget = window_->findChild<T*>(QString::fromLatin1(objectName));
        if (!widget)
            missingChild(objectName);
        return widget;
    }

    QString logText() const;
    QStringList logLines() const; // the log view's lines, without the empty one after the last
    void clearLog();

    QTimer* monitoringTimer() const;

    // Runs a slot of the window as the toolkit's meta-object would (private slots included).
    void invoke(const char* slot);

    // Scan, pick the port, click Connect: the operator's way. Message boxes are not answered.
    void connectCamera(const QString& port = QStringLiteral("SIM1"));

    // Brings a tab's page to the front, as a click on its tab would without the window's slot.
    void showPage(const char* pageName);

    // Makes the window active and gives the widget the keyboard focus, as a click into it would.
    QWidget* focus(const char* widgetName);

    // Clicks a button as the operator does (nothing happens on a disabled one).
    void click(const char* buttonName);

    // Types into a spin box (replacing its text) and presses Enter, which finishes the edit.
    void typeAndEnter(const char* spinBoxName, const QString& text);

    // The Device operations the camera received since the last clearJournal(), by name only.
    static QStringList journalOperations();
    // The arguments of the last call of an operation; empty when none was made.
    static QString lastArguments(const std::string& operation);

private:
    [[noreturn]] static void missingChild(const char* objectName);

    QTemporaryDir dir_;
    std::unique_ptr<MainWindow> window_;
};
