// orvexhd-cli's commands: git-style, one word then its options, each with its own --help.
#pragma once

#include "opencamera.h"
#include "output.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace cli {

// Runs one command line, the program's name first, and returns the exit status.
int run(const QStringList& arguments, Console& console);

// What a command's handler is given, its arguments already parsed.
struct Invocation {
    Console& console;
    QString command;
    QStringList ports;     // --port, in the order given
    QStringList arguments; // the positional arguments
    const QCommandLineParser& parser;

    bool isSet(const char* option) const { return parser.isSet(QLatin1String(option)); }
    QString value(const char* option) const { return parser.value(QLatin1String(option)); }
    // One line naming the problem and where to find help; returns the usage status.
    Status usage(const QString& problem) const;
};

// Opens each --port's camera in turn and hands it to work; the worst status of them all.
Status forEachCamera(const Invocation& invocation,
                     const std::function<void(CameraRun& run, OpenCamera& camera)>& work);

// Every --port's camera open at once, in the order given, each with its run: for the commands
// that check every camera before any is sent anything, or read them all in turn.
class OpenCameras
{
public:
    explicit OpenCameras(const Invocation& invocation);

    std::size_t size() const { return runs_.size(); }
    CameraRun& run(std::size_t index) { return *runs_[index]; }
    // Null for a camera that could not be opened, or that was closed.
    OpenCamera* camera(std::size_t index) { return cameras_[index].get(); }
    void close(std::size_t index) { cameras_[index].reset(); }
    bool anyOpen() const;

    // Prints each run's JSON object, or only those of runs not accepted, and gives the worst
    // status of them all.
    Status finish(bool onlyUnaccepted = false);

private:
    // Declared first, so that the cameras, which refer to their runs, go first.
    std::vector<std::unique_ptr<CameraRun>> runs_;
    std::vector<std::unique_ptr<OpenCamera>> cameras_;
};

// A serial number as written by the operator: whole decimal digits from 0 to 4294967295. Anything
// else (a sign, a fraction, blanks, more than 32 bits, the exponent form in which spreadsheets
// write long numbers) is nothing, with the problem in words.
std::optional<std::uint32_t> serialNumberFrom(const QString& text, QString& problem);

Status listPorts(const Invocation& invocation);
Status showInfo(const Invocation& invocation);
Status readSettings(const Invocation& invocation);
Status applyFile(const Invocation& invocation);
Status setValues(const Invocation& invocation);
Status writeSerialNumber(const Invocation& invocation);
Status requestNuc(const Invocation& invocation);
Status showTemperatures(const Invocation& invocation);
Status provision(const Invocation& invocation);

} // namespace cli
