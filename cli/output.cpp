#include "output.h"

#include "sdkaccess.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>

namespace cli {
namespace {

// As the window's log: one record per report, unchanged, at level 2.
void recordInSdkLog(const QString& text)
{
    sdkaccess::LogRecord record(orvex_sdk::info);
    record.logger().writeString(text.toStdString());
}

} // namespace

Status worse(Status a, Status b)
{
    return std::max(a, b);
}

Console::Console(QTextStream& out, QTextStream& err, bool progress)
    : out_(out), err_(err), progress_(progress)
{
}

void Console::print(const QString& line)
{
    write(line + QLatin1Char('\n'));
    out_.flush();
    outputFailed_ = outputFailed_ || out_.status() != QTextStream::Ok;
}

void Console::write(const QString& text)
{
    out_ << text;
    // Once failed, the stream stays failed: the output is incomplete whatever follows.
    outputFailed_ = outputFailed_ || out_.status() != QTextStream::Ok;
}

void Console::report(const QString& line)
{
    if (!outputCarriesProfile_) {
        print(line);
        return;
    }
    err_ << line << '\n';
    err_.flush();
}

void Console::print(const QJsonObject& object)
{
    print(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
}

void Console::error(const QString& text)
{
    err_ << "orvexhd-cli: " << text << '\n';
    err_.flush();
}

void Console::progress(const QString& text)
{
    if (!progress_)
        return;
    err_ << text << '\n';
    err_.flush();
}

CameraRun::CameraRun(Console& console, const QString& port) : console_(console), port_(port) {}

void CameraRun::report(const QString& text)
{
    reports_.append(text);
    const QString line = port_ + QStringLiteral(": ") + text;
    if (!console_.json())
        console_.report(line);
    recordInSdkLog(line);
}

void CameraRun::outcome(bool accepted, const camera::Texts& texts)
{
    report(QString::fromLatin1(accepted ? texts.ok : texts.ko));
    if (!accepted)
        refuse();
}

bool CameraRun::answers()
{
    if (unreachable())
        return false;
    const QString gone = answerCheck_ ? answerCheck_() : QString();
    if (!gone.isEmpty())
        fail(Unreachable, gone);
    return gone.isEmpty();
}

void CameraRun::refuse()
{
    if (answers())
        worsen(Refused);
}

void CameraRun::fail(Status status, const QString& problem)
{
    worsen(status);
    error_ = problem;
    if (!console_.json())
        console_.error(port_ + QStringLiteral(": ") + problem);
    recordInSdkLog(port_ + QStringLiteral(": ") + problem);
}

void CameraRun::interrupt(const QString& leftUndone)
{
    interrupted_ = true;
    details_.insert(QStringLiteral("interrupted"), true);
    fail(Refused, leftUndone);
}

void CameraRun::leaveUnbegun()
{
    interrupt(Cli::tr("interrupted: this camera was not begun"));
}

void CameraRun::finish()
{
    if (!console_.json())
        return;
    QJsonObject object = details_;
    object.insert(QStringLiteral("port"), port_);
    object.insert(QStringLiteral("status"), int(status_));
    object.insert(QStringLiteral("reports"), QJsonArray::fromStringList(reports_));
    if (!error_.isEmpty())
        object.insert(QStringLiteral("error"), error_);
    console_.print(object);
}

} // namespace cli
