// The commands that talk to the cameras named by --port.
#include "commands.h"

#include "camerareports.h"
#include "portenumeration.h"
#include "sdkaccess.h"
#include "transfer.h"
#include "wholefiles.h"

#include <QJsonArray>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <thread>

namespace cli {
namespace {

// A whole number written by the operator, when it lies within minimum and maximum.
std::optional<double> wholeArgument(const QString& text, double minimum, double maximum)
{
    bool ok = false;
    const double number = text.trimmed().toDouble(&ok);
    if (!ok || std::trunc(number) != number || !(number >= minimum && number <= maximum))
        return std::nullopt;
    return number;
}

} // namespace

std::optional<std::uint32_t> serialNumberFrom(const QString& text, QString& problem)
{
    constexpr std::uint32_t largest = std::numeric_limits<std::uint32_t>::max();
    const bool digits = !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
    bool ok = false;
    const qulonglong number = digits ? text.toULongLong(&ok) : 0;
    if (ok && number <= largest)
        return std::uint32_t(number);
    const double written = text.toDouble(&ok);
    if (ok && written < 0.0)
        problem = Cli::tr("serial number \"%1\" is negative; serial numbers run from 0 to %2")
                      .arg(text, QString::number(largest));
    else if (ok && text.contains(QLatin1Char('e'), Qt::CaseInsensitive))
        problem = Cli::tr("serial number \"%1\" is in exponent form, as spreadsheets write long "
                          "numbers, which may have lost digits; write every digit (a spreadsheet "
                          "keeps them in a column formatted as text)")
                      .arg(text);
    else
        problem = Cli::tr("serial number \"%1\" is not a whole number from 0 to %2")
                      .arg(text, QString::number(largest));
    return std::nullopt;
}

namespace {

// Waits out the interval in short steps, so that a request to stop is heeded within one; false when
// one came.
bool waitUnlessStopped(const Console& console, std::chrono::milliseconds interval)
{
    constexpr auto step = std::chrono::milliseconds(50);
    const auto end = std::chrono::steady_clock::now() + interval;
    for (auto now = std::chrono::steady_clock::now(); now < end && !console.stopRequested();
         now = std::chrono::steady_clock::now())
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(step, end - now));
    return !console.stopRequested();
}

// As in the window: a camera that cannot say its temperatures is not asked again.
void refuseTemperatures(CameraRun& run)
{
    if (!run.answers())
        return;
    run.report(Cli::tr("Unable to read temperatures"));
    run.worsen(Refused);
}

QString shutterText(bool present)
{
    return present ? Cli::tr("present") : Cli::tr("absent");
}

// The profile that apply and set were given, checked; sent to every camera unless dry.
Status sendProfile(const Invocation& invocation, const std::optional<Profile>& profile,
                   const QStringList& problems)
{
    for (const QString& problem : problems)
        invocation.console.error(problem);
    if (!profile)
        return BadInput;
    if (invocation.isSet("dry-run")) {
        QJsonArray plan;
        for (const ProfileEntry& entry : profile->entries()) {
            const camera::Setting& setting = *entry.setting;
            const QString value = camera::valueText(setting, entry.cameraValue);
            // Ten digits hold every 32-bit count (4294967295) and tell every single apart.
            const QString cameraValue = QString::number(entry.cameraValue, 'g', 10);
            plan.append(QJsonObject{{QStringLiteral("key"), QLatin1String(setting.key)},
                                    {QStringLiteral("value"), value},
                                    {QStringLiteral("operation"), QLatin1String(setting.operation)},
                                    {QStringLiteral("cameraValue"), cameraValue}});
            if (!invocation.console.json())
                invocation.console.print(Cli::tr("would send %1 = %2 with %3 (%4)")
                                             .arg(QLatin1String(setting.key), value,
                                                  QLatin1String(setting.operation), cameraValue));
        }
        if (invocation.console.json())
            invocation.console.print(
                QJsonObject{{QStringLiteral("dryRun"), true}, {QStringLiteral("plan"), plan}});
        return Accepted;
    }
    OpenCameras cameras(invocation);
    // Every check that needs a camera is made on each before any is sent anything, so that a
    // profile refused for one camera has reached none. A camera gone meanwhile is left out, as
    // one that could not be opened.
    bool everyCameraFits = true;
    for (std::size_t index = 0; index < cameras.size(); ++index) {
        OpenCamera* camera = cameras.camera(index);
        if (camera && !fitsCamera(cameras.run(index), *camera, *profile)) {
            everyCameraFits = everyCameraFits && cameras.run(index).unreachable();
            cameras.close(index);
        }
    }
    for (std::size_t index = 0; index < cameras.size(); ++index) {
        OpenCamera* camera = cameras.camera(index);
        CameraRun& run = cameras.run(index);
        if (!camera)
            continue;
        if (!everyCameraFits) {
            run.fail(BadInput, Cli::tr("nothing was sent, since the profile does not fit every "
                                       "camera named"));
            continue;
        }
        if (run.stopRequested()) {
            run.leaveUnbegun();
            continue;
        }
        applyProfile(run, *camera->device(), *profile);
        if (invocation.isSet("verify") && !run.unreachable() && !run.interrupted())
            verifyProfile(run, *camera->device(), *profile);
    }
    return cameras.finish();
}

} // namespace

Status listPorts(const Invocation& invocation)
{
    const QStringList names = ports::availablePortNames();
    if (invocation.console.json()) {
        invocation.console.print(
            QJsonObject{{QStringLiteral("ports"), QJsonArray::fromStringList(names)}});
        return Accepted;
    }
    for (const QString& name : names)
        invocation.console.print(name);
    return Accepted;
}

Status showInfo(const Invocation& invocation)
{
    return forEachCamera(invocation, [](CameraRun& run, OpenCamera& camera) {
        orvex_sdk::Device& device = *camera.device();
        const QString riscv =
            QString::fromStdString(camera::firmwareVersionText(camera.versions().riscvVersion));
        const QString fpga =
            QString::fromStdString(camera::firmwareVersionText(camera.versions().fpgaVersion));
        const camera::Setting& serialNumberRow = camera::setting(camera::Key::SerialNumber);
        const double serialNumber = camera::read(serialNumberRow, device);
        // A presence the camera cannot report counts as no shutter, as on connecting.
        std::uint8_t present = 0;
        const bool presenceRead = device.getShutterPresence(&present) == camera::statusSucceeded;
        const bool shutter = presenceRead && present != 0;
        // A camera gone since it was opened answers 0 and no presence: that is no serial number
        // and no shutter of its own.
        if ((serialNumber == 0 || !presenceRead) && !run.answers())
            return;

        run.report(QStringLiteral("Camera SDK = ") + sdkaccess::inForce());
        run.report(QStringLiteral("Camera type = %1").arg(camera.cameraType()));
        run.report(QStringLiteral("RISC-V version = ") + riscv);
        run.report(QStringLiteral("FPGA version = ") + fpga);
        run.report(QString::fromStdString(camera::readBackLine(serialNumberRow, serialNumber)));
        run.report(QStringLiteral("Shutter = ") + shutterText(shutter));
        QJsonObject& details = run.details();
        details.insert(QStringLiteral("sdk"), sdkaccess::inForce());
        details.insert(QStringLiteral("cameraType"), camera.cameraType());
        details.insert(QStringLiteral("riscvVersion"), riscv);
        details.insert(QStringLiteral("fpgaVersion"), fpga);
        details.insert(QStringLiteral("serialNumber"), serialNumber);
        details.insert(QStringLiteral("shutter"), shutter);

        orvex_sdk::Temperatures temperatures{};
        if (!device.getTemperatures(&temperatures)) {
            refuseTemperatures(run);
            return;
        }
        const QString fpgaTemperature = camera::temperatureText(temperatures.fpgaTemperature);
        const QString sensorTemperature = camera::temperatureText(temperatures.sensorTemperature);
        run.report(QStringLiteral("FPGA temperature = ") + fpgaTemperature);
        run.report(QStringLiteral("Sensor temperature = ") + sensorTemperature);
        details.insert(QStringLiteral("fpgaTemperature"), fpgaTemperature);
        details.insert(QStringLiteral("sensorTemperature"), sensorTemperature);
    });
}

Status readSettings(const Invocation& invocation)
{
    const QString output = invocation.value("output");
    if (invocation.isSet("output") && output.isEmpty())
        return invocation.usage(Cli::tr("-o needs a file name"));
    if (!output.isEmpty() && invocation.ports.size() > 1)
        return invocation.usage(Cli::tr("-o writes one camera's profile: name one --port"));
    // A profile written into a device or a pipe may share standard output's reader (-o
    // /dev/stdout): the reports keep out of it as they do when the profile goes to standard output.
    invocation.console.setOutputCarriesProfile((output.isEmpty() && !invocation.console.json()) ||
                                               files::isWrittenInPlace(output));
    return forEachCamera(invocation, [&](CameraRun& run, OpenCamera& camera) {
        const Profile profile = readProfile(run, camera);
        // Half a profile, from a camera that went away or a read that was stopped, is no profile.
        if (run.unreachable() || run.interrupted())
            return;
        const QString comment =
            Cli::tr("Orvex HD camera profile, read from %1 by orvexhd-cli").arg(run.port());
        if (output.isEmpty()) {
            if (invocation.console.json())
                run.details().insert(QStringLiteral("profile"), profileObject(profile));
            else
                invocation.console.print(
                    profileText(profile, ProfileFormat::Ini, comment).trimmed());
            return;
        }
        QString error;
        if (!writeProfile(output, profileText(profile, formatOf(output), comment), error)) {
            run.fail(Unwritten, Cli::tr("%1 cannot be written: %2").arg(output, error));
            return;
        }
        run.details().insert(QStringLiteral("file"), output);
        run.report(Cli::tr("profile written to %1").arg(output));
    });
}

Status applyFile(const Invocation& invocation)
{
    QStringList problems;
    const auto profile = loadProfile(invocation.arguments.constFirst(), problems);
    return sendProfile(invocation, profile, problems);
}

Status setValues(const Invocation& invocation)
{
    QStringList problems;
    const auto profile = profileFromAssignments(invocation.arguments, invocation.command, problems);
    return sendProfile(invocation, profile, problems);
}

Status writeSerialNumber(const Invocation& invocation)
{
    QString problem;
    const auto number = serialNumberFrom(invocation.arguments.constFirst(), problem);
    if (!number)
        return invocation.usage(problem);
    const std::uint32_t serialNumber = *number;
    return forEachCamera(invocation, [&](CameraRun& run, OpenCamera& camera) {
        const bool forced = invocation.isSet("force");
        run.outcome(camera::writeSerialNumber(*camera.device(), serialNumber, forced),
                    camera::serialNumberTexts(forced));
    });
}

Status requestNuc(const Invocation& invocation)
{
    const std::uint8_t mode =
        invocation.isSet("auto") ? camera::automaticNucRoutine : camera::nucNow;
    return forEachCamera(invocation, [&](CameraRun& run, OpenCamera& camera) {
        run.outcome(camera.device()->requestNuc(mode), camera::texts::nucRequest);
    });
}

Status showTemperatures(const Invocation& invocation)
{
    // Below what a serial link serves, a watch would only keep the camera busy.
    constexpr double shortestWatchSeconds = 0.1;
    constexpr double longestWatchSeconds = 86400.0;
    constexpr double largestCount = double(std::numeric_limits<int>::max());
    double intervalSeconds = 1.0;
    if (invocation.isSet("watch")) {
        bool ok = false;
        intervalSeconds = invocation.value("watch").toDouble(&ok);
        if (!ok ||
            !(intervalSeconds >= shortestWatchSeconds && intervalSeconds <= longestWatchSeconds))
            return invocation.usage(Cli::tr("--watch takes seconds from %1 to %2")
                                        .arg(QString::number(shortestWatchSeconds),
                                             QString::number(longestWatchSeconds)));
    }
    // Without --watch one reading; with it, readings until stopped unless --count says.
    int readings = invocation.isSet("watch") ? 0 : 1;
    if (invocation.isSet("count")) {
        const auto count = wholeArgument(invocation.value("count"), 1.0, largestCount);
        if (!count)
            return invocation.usage(Cli::tr("--count takes a whole number above 0"));
        readings = int(*count);
    }

    // Every camera stays open for the whole watch, each read in turn. A watch whose readings
    // can no longer be shown (its reader gone, say) has nothing left to do; one without a count
    // ends when the operator stops it.
    OpenCameras cameras(invocation);
    int taken = 0;
    for (int reading = 1; cameras.anyOpen() && !invocation.console.outputFailed() &&
                          (readings == 0 || reading <= readings);
         ++reading) {
        const auto interval = std::chrono::milliseconds(std::lround(intervalSeconds * 1000.0));
        if (!waitUnlessStopped(invocation.console, reading > 1 ? interval : interval.zero()))
            break;
        taken = reading;
        for (std::size_t index = 0; index < cameras.size(); ++index) {
            OpenCamera* camera = cameras.camera(index);
            if (!camera)
                continue;
            CameraRun& run = cameras.run(index);
            orvex_sdk::Temperatures temperatures{};
            if (!camera->device()->getTemperatures(&temperatures)) {
                refuseTemperatures(run);
                cameras.close(index);
                continue;
            }
            const QString fpga = camera::temperatureText(temperatures.fpgaTemperature);
            const QString sensor = camera::temperatureText(temperatures.sensorTemperature);
            run.report(
                QStringLiteral("FPGA temperature = %1, sensor temperature = %2").arg(fpga, sensor));
            if (invocation.console.json())
                invocation.console.print(
                    QJsonObject{{QStringLiteral("port"), run.port()},
                                {QStringLiteral("reading"), reading},
                                {QStringLiteral("fpgaTemperature"), fpga},
                                {QStringLiteral("sensorTemperature"), sensor},
                                {QStringLiteral("fpgaCelsius"),
                                 camera::shownCelsius(temperatures.fpgaTemperature)},
                                {QStringLiteral("sensorCelsius"),
                                 camera::shownCelsius(temperatures.sensorTemperature)}});
        }
    }
    const bool stopped = invocation.console.stopRequested() && taken < readings;
    for (std::size_t index = 0; index < cameras.size() && stopped; ++index) {
        if (cameras.camera(index))
            cameras.run(index).interrupt(
                Cli::tr("interrupted: %1 of %2 readings taken")
                    .arg(QString::number(taken), QString::number(readings)));
    }
    // In JSON the readings said it all; a camera that failed still gets its object.
    return cameras.finish(true);
}

} // namespace cli
