// orvexhd-preview's command line: its options, and the checks that turn the words given into what
// to do, or into the usage problem to say. Only main() uses them.
#pragma once

#include "scriptedrecording.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <optional>

// What the command line asks for.
struct PreviewPlan {
    enum class Mode { Help, Version, ListDevices, Window, Snapshot, Record };
    Mode mode = Mode::Window;
    QString port;   // the simulated camera; with a device, the camera whose temperatures show
    QString device; // the capture device; empty for a simulated camera
    QString file;   // the snapshot's
    qint64 frame = 0;
    bool overlays = false;
    RecordingPlan recording;

    bool capture() const { return !device.isEmpty(); }
    bool showsACamera() const
    {
        return mode == Mode::Window || mode == Mode::Snapshot || mode == Mode::Record;
    }
};

class PreviewOptions
{
public:
    PreviewOptions();

    // The plan the arguments ask for; nothing when problem says what is wrong with them. Where
    // several things are wrong, the problem is the first of them in the order the checks run.
    std::optional<PreviewPlan> check(const QStringList& arguments, QString& problem);
    // Qt's help names the program as its application object was started: one must exist.
    QString helpText() const { return parser_.helpText(); }

private:
    QString wordsProblem() const;
    std::optional<PreviewPlan> cameraPlan(QString& problem) const;
    std::optional<RecordingPlan> recordingPlan(QString& problem) const;

    QCommandLineParser parser_;
    const QCommandLineOption help_;
    const QCommandLineOption version_;
    const QCommandLineOption port_;
    const QCommandLineOption device_;
    const QCommandLineOption list_;
    const QCommandLineOption snapshot_;
    const QCommandLineOption frame_;
    const QCommandLineOption overlays_;
    const QCommandLineOption record_;
    const QCommandLineOption frames_;
    const QCommandLineOption seconds_;
};
