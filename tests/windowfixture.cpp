#include "windowfixture.h"

#include "portenumeration.h"
#include "screenfit.h"
#include "sdkaccess.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMetaObject>
#include <QTabWidget>
#include <QTest>

#include <cstdio>
#include <cstdlib>

namespace {

QStringList simulatedPortNames()
{
    QStringList names;
    for (const std::string& name : orvex_sim::portNames())
        names.append(QString::fromStdString(name));
    return names;
}

} // namespace

WindowFixture::WindowFixture(const QString& iniText, const QRect& screenArea)
{
    ScreenFit::setAreaOf([screenArea](const QScreen&) { return screenArea; });
    std::string iniPath;
    if (!iniText.isEmpty()) {
        const QString path = dir_.filePath(QStringLiteral("sdk.ini"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
            qFatal("cannot write %s", qPrintable(path));
        file.write(iniText.toUtf8());
        file.close();
        iniPath = path.toStdString();
    }
    // Beside a vendor's library the stand-in is never started: the test lists the ports.
    if (sdkaccess::standIn()) {
        orvex_sim::reset(iniPath);
        ports::setEnumerator(simulatedPortNames);
    }
    window_ = std::make_unique<MainWindow>();
    window_->show();
}

WindowFixture::~WindowFixture()
{
    window_.reset();
    ports::setEnumerator({});
    ScreenFit::setAreaOf({});
}

QString WindowFixture::logText() const
{
    return child<QPlainTextEdit>("logView")->toPlainText();
}

QStringList WindowFixture::logLines() const
{
    QStringList lines = logText().split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void WindowFixture::clearLog()
{
    child<QPlainTextEdit>("logView")->clear();
}

QTimer* WindowFixture::monitoringTimer() const
{
    return child<QTimer>("monitoringTimer");
}

void WindowFixture::invoke(const char* slot)
{
    if (!QMetaObject::invokeMethod(window_.get(), slot, Qt::DirectConnection))
        qFatal("MainWindow has no slot %s", slot);
}

void WindowFixture::connectCamera(const QString& port)
{
    click("scanDeviceButton");
    auto* ports = child<QComboBox>("selectDeviceComboBox");
    const int index = ports->findText(port);
    if (index < 0)
        qFatal("port %s is not in the list", qPrintable(port));
    ports->setCurrentIndex(index);
    click("connectDeviceButton");
}

void WindowFixture::showPage(const char* pageName)
{
    child<QTabWidget>("tabWidget")->setCurrentWidget(child<QWidget>(pageName));
}

QWidget* WindowFixture::focus(const char* widgetName)
{
    QApplication::setActiveWindow(window_.get());
    auto* widget = child<QWidget>(widgetName);
    widget->setFocus();
    if (!QTest::qWaitFor([widget] { return widget->hasFocus(); }))
        qFatal("%s does not take the focus", widgetName);
    return widget;
}

void WindowFixture::click(const char* buttonName)
{
    QTest::mouseClick(child<QAbstractButton>(buttonName), Qt::LeftButton);
}

void WindowFixture::typeAndEnter(const char* spinBoxName, const QString& text)
{
    auto* spinBox = child<QAbstractSpinBox>(spinBoxName);
    spinBox->setFocus();
    spinBox->selectAll();
    QTest::keyClick(spinBox, Qt::Key_Delete);
    QTest::keyClicks(spinBox, text);
    QTest::keyClick(spinBox, Qt::Key_Enter);
}

QStringList WindowFixture::journalOperations()
{
    QStringList operations;
    for (const orvex_sim::JournalEntry& entry : orvex_sim::journal())
        operations.append(QString::fromStdString(entry.operation));
    return operations;
}

QString WindowFixture::lastArguments(const std::string& operation)
{
    const auto entries = orvex_sim::journal();
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
        if (entry->operation == operation)
            return QString::fromStdString(entry->arguments);
    }
    return QString();
}

void WindowFixture::missingChild(const char* objectName)
{
    std::fprintf(stderr, "MainWindow has no widget named %s\n", objectName);
    std::abort();
}
