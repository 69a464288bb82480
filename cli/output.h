// What orvexhd-cli tells its caller: plain lines a person reads or one JSON object per camera on
// standard output, errors and progress on standard error, and the exit status. Every report about
// a camera is also one SDK log record at level 2, as the window's log writes it.
#pragma once

#include "camerareports.h"

#include <QCoreApplication>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <functional>

namespace cli {

// For the texts a person reads: Cli::tr("...").
class Cli
{
    Q_DECLARE_TR_FUNCTIONS(Cli)
};

// The exit statuses, each worse than the one before; a run ends with the worst it met.
enum Status : int {
    Accepted = 0,    // everything accepted
    Refused = 1,     // some setting refused or differing
    BadInput = 2,    // usage or profile error
    Unreachable = 3, // no such port, cannot open, no answer
    Unwritten = 4,   // the output could not be written: standard output or the -o file
};

Status worse(Status a, Status b);

class Console
{
public:
    // progress: whether standard error is a terminal, where progress lines help a person.
    Console(QTextStream& out, QTextStream& err, bool progress);

    void setJson(bool json) { json_ = json; }
    bool json() const { return json_; }
    // While standard output carries a profile, the reports about cameras go to standard error.
    void setOutputCarriesProfile(bool carries) { outputCarriesProfile_ = carries; }

    void print(const QString& line);
    void print(const QJsonObject& object); // one compact line
    // Part of a line, which the next print() ends: for a line too long to hold whole.
    void write(const QString& text);
    // A report about a camera: on standard output, unless that carries a profile.
    void report(const QString& line);
    // "orvexhd-cli: text" on standard error.
    void error(const QString& text);
    void progress(const QString& text);

    // Whether a line meant for standard output could not be written (a full disk, a closed pipe).
    bool outputFailed() const { return outputFailed_; }

    // Whether the operator has asked the program to stop (an interrupt, a termination request).
    void setStopCheck(std::function<bool()> check) { stopCheck_ = std::move(check); }
    bool stopRequested() const { return stopCheck_ && stopCheck_(); }

private:
    QTextStream& out_;
    QTextStream& err_;
    bool progress_;
    bool json_ = false;
    bool outputCarriesProfile_ = false;
    bool outputFailed_ = false;
    std::function<bool()> stopCheck_;
};

// The outcome for one camera: its reports, its status, and what the JSON object says of it.
class CameraRun
{
public:
    CameraRun(Console& console, const QString& port);

    const QString& port() const { return port_; }
    Status status() const { return status_; }
    const QString& error() const { return error_; }
    Console& console() { return console_; }

    // "PORT: text" for a person, an entry of "reports" in JSON, and one SDK record.
    void report(const QString& text);
    // The OK text when accepted; otherwise the KO text and the run counts as refused.
    void outcome(bool accepted, const camera::Texts& texts);
    // Something that stops this camera's run: on standard error for a person, "error" in JSON.
    void fail(Status status, const QString& problem);
    void worsen(Status status) { status_ = worse(status_, status); }
    // Whether the camera still answers, asked after something failed; a camera that does not
    // makes the run unreachable, with the reason.
    bool answers();
    // Something the camera did not do: a refusal, unless the camera no longer answers at all.
    void refuse();
    bool unreachable() const { return status_ == Unreachable; }

    // Whether the operator has asked the program to stop. By then the operation in hand is done;
    // the caller begins nothing more and says, with interrupt(), what it leaves undone.
    bool stopRequested() const { return console_.stopRequested(); }
    // What was left undone, as the run's error; work left undone counts as refused.
    void interrupt(const QString& leftUndone);
    // A camera the run never reached.
    void leaveUnbegun();
    bool interrupted() const { return interrupted_; }

    // Asked after each refusal, while the camera is open: why the camera no longer answers, or
    // nothing while it does.
    using AnswerCheck = std::function<QString()>;
    void setAnswerCheck(AnswerCheck check) { answerCheck_ = std::move(check); }

    // Fields of this camera's JSON object besides port, status, reports and error.
    QJsonObject& details() { return details_; }
    // In JSON mode, prints this camera's object.
    void finish();

private:
    Console& console_;
    QString port_;
    Status status_ = Accepted;
    QStringList reports_;
    QString error_;
    QJsonObject details_;
    AnswerCheck answerCheck_;
    bool interrupted_ = false;
};

} // namespace cli
