#include "commands.h"

#include "portenumeration.h"
#include "sdkaccess.h"
#include "settingstable.h"

#include <QCommandLineOption>
#include <QRegularExpression>

#include <algorithm>
#include <vector>

namespace cli {
namespace {

const QString program = QStringLiteral("orvexhd-cli");

struct OptionRow {
    const char* name; // also the long option
    const char* shortName;
    const char* valueName;
    const char* description;
};

const OptionRow optionRows[] = {
    {"port", "p", "P",
     QT_TRANSLATE_NOOP("Cli", "the camera's port (SIM1, COM3, ttyUSB0); a serial port is opened "
                              "only when named here")},
    {"output", "o", "FILE",
     QT_TRANSLATE_NOOP("Cli", "write the profile to FILE (JSON for a .json name, INI otherwise)")},
    {"dry-run", nullptr, nullptr,
     QT_TRANSLATE_NOOP("Cli", "check everything and show what would be sent; no camera is "
                              "opened")},
    {"verify", nullptr, nullptr,
     QT_TRANSLATE_NOOP("Cli", "read every setting back afterwards and list each that differs")},
    {"force", nullptr, nullptr,
     QT_TRANSLATE_NOOP("Cli", "the forced write: 18 attempts 10 ms apart, the last one counts")},
    {"auto", nullptr, nullptr,
     QT_TRANSLATE_NOOP("Cli", "run the automatic NUC routine (needs a shutter) instead of a NUC "
                              "request")},
    {"watch", nullptr, "SECONDS",
     QT_TRANSLATE_NOOP("Cli", "read again every SECONDS, until stopped or --count readings")},
    {"count", nullptr, "N",
     QT_TRANSLATE_NOOP("Cli", "take N readings (one second apart without --watch)")},
    {"force-serial", nullptr, nullptr,
     QT_TRANSLATE_NOOP("Cli", "write each serial number with the forced write")},
    {"json", nullptr, nullptr,
     QT_TRANSLATE_NOOP("Cli", "print one JSON object per camera (per line) instead of lines a "
                              "person reads")},
    {"help", "h", nullptr, QT_TRANSLATE_NOOP("Cli", "show this help")},
};

enum class PortUse { None, One, Many };

struct Command {
    const char* name;
    const char* synopsis;
    const char* summary;
    const char* description;
    PortUse ports;
    std::vector<const char*> options; // besides --port, --json and --help
    int leastArguments;
    int mostArguments; // -1: no limit
    Status (*handler)(const Invocation&);
};

const std::vector<Command>& commands()
{
    static const std::vector<Command> table{
        {"ports",
         "",
         QT_TRANSLATE_NOOP("Cli", "list the ports: the system's, then the simulated"),
         QT_TRANSLATE_NOOP("Cli", "Lists the serial ports, one a line: the system's in its own "
                                  "order, then the simulated cameras'. No port is opened."),
         PortUse::None,
         {},
         0,
         0,
         listPorts},
        {"info",
         "--port P...",
         QT_TRANSLATE_NOOP("Cli", "the SDK, camera type, firmware, serial number, shutter, "
                                  "temperatures"),
         QT_TRANSLATE_NOOP("Cli", "Shows the camera SDK in force (simulated cameras, or the "
                                  "vendor's library by its path) and what a camera says of "
                                  "itself: its type (12 has the "
                                  "object detector), firmware versions, serial number, whether "
                                  "it has a shutter, and its temperatures as the window shows "
                                  "them."),
         PortUse::Many,
         {},
         0,
         0,
         showInfo},
        {"read",
         "--port P... [-o FILE]",
         QT_TRANSLATE_NOOP("Cli", "every setting, as a profile"),
         QT_TRANSLATE_NOOP("Cli", "Reads every setting into a profile: [user], [expert] in the "
                                  "SDK's expert mode, [ia] on a camera with the detector. "
                                  "Without -o the profile goes to standard output."),
         PortUse::Many,
         {"output"},
         0,
         0,
         readSettings},
        {"apply",
         "--port P... FILE [--dry-run] [--verify]",
         QT_TRANSLATE_NOOP("Cli", "send a profile's settings"),
         QT_TRANSLATE_NOOP("Cli", "Checks the whole profile first; any problem stops everything "
                                  "with status 2. Then sends it as the window's bulk runs do "
                                  "(user, expert, then one IA record), reporting each setting "
                                  "OK or KO; a refusal does not stop the rest."),
         PortUse::Many,
         {"dry-run", "verify"},
         1,
         1,
         applyFile},
        {"set",
         "--port P... KEY=VALUE... [--verify]",
         QT_TRANSLATE_NOOP("Cli", "send settings named on the command line"),
         QT_TRANSLATE_NOOP("Cli", "Sends the settings given as KEY=VALUE (gamma=1.5 or "
                                  "user.gamma=1.5) with the same checks and in the same order "
                                  "as apply."),
         PortUse::Many,
         {"dry-run", "verify"},
         1,
         -1,
         setValues},
        {"serial",
         "--port P NUMBER [--force]",
         QT_TRANSLATE_NOOP("Cli", "write the camera's serial number"),
         QT_TRANSLATE_NOOP("Cli", "Writes the serial number, in decimal digits from 0 to "
                                  "4294967295, once, or as the window's forced write with "
                                  "--force."),
         PortUse::One,
         {"force"},
         1,
         1,
         writeSerialNumber},
        {"nuc",
         "--port P [--auto]",
         QT_TRANSLATE_NOOP("Cli", "a NUC request, or the automatic NUC routine"),
         QT_TRANSLATE_NOOP("Cli", "Asks the camera for a non-uniformity correction now (mode 0), "
                                  "or with --auto for its automatic routine (mode 1). Put a "
                                  "shutter in front of the camera for a NUC request."),
         PortUse::One,
         {"auto"},
         0,
         0,
         requestNuc},
        {"temps",
         "--port P... [--watch SECONDS] [--count N]",
         QT_TRANSLATE_NOOP("Cli", "FPGA and sensor temperatures"),
         QT_TRANSLATE_NOOP("Cli", "Reads the FPGA and sensor temperatures, shown as the window "
                                  "shows them."),
         PortUse::Many,
         {"watch", "count"},
         0,
         0,
         showTemperatures},
        {"provision",
         "CSV [--dry-run] [--force-serial]",
         QT_TRANSLATE_NOOP("Cli", "set up cameras from a CSV of port,serial[,profile]"),
         QT_TRANSLATE_NOOP("Cli", "Goes through the CSV row by row: connect, serial number, "
                                  "profile (a path relative to the CSV), verify; a result per "
                                  "row and a summary table. The whole CSV and every profile are "
                                  "checked first. A failed row does not stop the others."),
         PortUse::None,
         {"dry-run", "force-serial"},
         1,
         1,
         provision},
    };
    return table;
}

const Command* findCommand(const QString& name)
{
    const auto& table = commands();
    const auto found = std::find_if(table.begin(), table.end(), [&](const Command& command) {
        return name == QLatin1String(command.name);
    });
    return found == table.end() ? nullptr : &*found;
}

std::vector<const OptionRow*> optionsOf(const Command& command)
{
    std::vector<const OptionRow*> options;
    for (const OptionRow& row : optionRows) {
        const QLatin1String name(row.name);
        const bool common = name == QLatin1String("json") || name == QLatin1String("help");
        const bool taken =
            std::any_of(command.options.begin(), command.options.end(),
                        [&](const char* option) { return name == QLatin1String(option); });
        if (common || taken || (name == QLatin1String("port") && command.ports != PortUse::None))
            options.push_back(&row);
    }
    return options;
}

QCommandLineOption commandLineOption(const OptionRow& row)
{
    QStringList names{QLatin1String(row.name)};
    if (row.shortName)
        names.prepend(QLatin1String(row.shortName));
    QCommandLineOption option(names, Cli::tr(row.description));
    if (row.valueName)
        option.setValueName(QLatin1String(row.valueName));
    return option;
}

QString exitStatusHelp()
{
    return Cli::tr("Exit status: 0 all accepted; 1 some setting refused or differing, or work left "
                   "undone when interrupted; 2 usage or profile error; 3 a camera unreachable (no "
                   "such port, cannot open, no answer); 4 the output could not be written "
                   "(standard output or the -o file).");
}

QString mainHelp()
{
    QString text = Cli::tr("Usage: %1 COMMAND [options]\n\n"
                           "The Orvex HD camera from the command line, over the same SDK as the "
                           "window.\n\nCommands:\n")
                       .arg(program);
    for (const Command& command : commands())
        text +=
            QStringLiteral("  %1  %2\n")
                .arg(QString::fromLatin1(command.name).leftJustified(10), Cli::tr(command.summary));
    return text + Cli::tr("\n'%1 COMMAND --help' shows a command's options.\n").arg(program) +
           exitStatusHelp();
}

// Every setting with its section, kind and the range allowed now (the expert limits come from
// the SDK's configuration).
QString settingsHelp()
{
    static const char* const kinds[] = {
        QT_TRANSLATE_NOOP("Cli", "real"), QT_TRANSLATE_NOOP("Cli", "whole"),
        QT_TRANSLATE_NOOP("Cli", "true/false"), QT_TRANSLATE_NOOP("Cli", "list index")};
    const orvex_sdk::Configuration& configuration = sdkaccess::configuration();
    QString text = Cli::tr("\nSettings (section.key, kind, allowed values):\n");
    for (const camera::Setting& setting : camera::settings()) {
        const QString name =
            camera::sectionName(setting.section) + QLatin1Char('.') + QLatin1String(setting.key);
        const camera::Range range = camera::allowedRange(setting, configuration);
        const QString allowed = setting.kind == camera::Kind::Switch
                                    ? QString()
                                    : Cli::tr(", %1 to %2")
                                          .arg(QString::number(range.minimum, 'g', 15),
                                               QString::number(range.maximum, 'g', 15));
        text += QStringLiteral("  %1  %2%3\n")
                    .arg(name.leftJustified(26), Cli::tr(kinds[int(setting.kind)]), allowed);
    }
    return text;
}

QString commandHelp(const Command& command)
{
    QString text = Cli::tr("Usage: %1 %2 %3\n\n%4\n\nOptions:\n")
                       .arg(program, QLatin1String(command.name), QLatin1String(command.synopsis),
                            Cli::tr(command.description));
    for (const OptionRow* row : optionsOf(command)) {
        QString names =
            row->shortName ? QStringLiteral("-%1, ").arg(QLatin1String(row->shortName)) : QString();
        names += QStringLiteral("--") + QLatin1String(row->name);
        if (row->valueName)
            names += QLatin1Char(' ') + QLatin1String(row->valueName);
        text +=
            QStringLiteral("  %1  %2\n").arg(names.leftJustified(22), Cli::tr(row->description));
    }
    if (command.mostArguments < 0)
        text += settingsHelp();
    return text + QLatin1Char('\n') + exitStatusHelp();
}

// What the command's arguments say against its rules; empty when they are fine.
QString misuse(const Command& command, const Invocation& invocation)
{
    const int count = invocation.arguments.size();
    if (count < command.leastArguments)
        return Cli::tr("missing argument; usage: %1 %2")
            .arg(QLatin1String(command.name), QLatin1String(command.synopsis));
    if (command.mostArguments >= 0 && count > command.mostArguments)
        return Cli::tr("unexpected argument \"%1\"")
            .arg(invocation.arguments.value(command.mostArguments));
    // A value given twice leaves the first unused: which was meant cannot be told.
    for (const OptionRow* row : optionsOf(command)) {
        const QString name = QLatin1String(row->name);
        if (row->valueName && name != QLatin1String("port") &&
            invocation.parser.values(name).size() > 1)
            return Cli::tr("--%1 is given twice; give it once").arg(name);
    }
    const int ports = invocation.ports.size();
    if (invocation.ports.contains(QString()))
        return Cli::tr("--port needs a port name");
    // Opened twice, a port would be "in use" by this very command.
    for (int index = 0; index < ports; ++index) {
        const QString& port = invocation.ports.at(index);
        if (invocation.ports.indexOf(port) < index)
            return Cli::tr("--port %1 is named twice; name each port once").arg(port);
    }
    if (command.ports == PortUse::One && ports > 1)
        return Cli::tr("takes one --port");
    // A dry run opens no camera.
    const bool portOptional = invocation.parser.optionNames().contains(QStringLiteral("dry-run"));
    if (command.ports != PortUse::None && ports == 0 && !portOptional)
        return Cli::tr("--port is required: no port is opened unless named");
    return QString();
}

// No option is named by a digit, so a word such as -1 is a negative number given as an argument,
// which the parser would take for options ("Unknown option '1'"). Such words go after "--", where
// nothing is an option, to be found wrong as numbers; an option's value stays with its option.
QStringList withNumbersAsArguments(const QStringList& words, const Command& command)
{
    static const QRegularExpression negativeNumber(QStringLiteral("^-[0-9.]"));
    QStringList takingValues;
    for (const OptionRow* row : optionsOf(command)) {
        if (!row->valueName)
            continue;
        takingValues << QStringLiteral("--") + QLatin1String(row->name);
        if (row->shortName)
            takingValues << QStringLiteral("-") + QLatin1String(row->shortName);
    }
    QStringList kept;
    QStringList numbers;
    for (int index = 0; index < words.size(); ++index) {
        const QString& word = words.at(index);
        if (word == QLatin1String("--")) {
            kept += words.mid(index);
            break;
        }
        if (takingValues.contains(word) && index + 1 < words.size()) {
            kept << word << words.at(++index);
            continue;
        }
        (negativeNumber.match(word).hasMatch() ? numbers : kept) << word;
    }
    if (numbers.isEmpty())
        return words;
    if (!kept.contains(QStringLiteral("--")))
        kept << QStringLiteral("--");
    return kept + numbers;
}

} // namespace

Status Invocation::usage(const QString& problem) const
{
    console.error(QStringLiteral("%1: %2").arg(command, problem));
    console.error(Cli::tr("'%1 %2 --help' shows how it is used").arg(program, command));
    return BadInput;
}

namespace {

void showProgress(const Invocation& invocation, int index)
{
    const int count = invocation.ports.size();
    if (count > 1)
        invocation.console.progress(Cli::tr("[%1/%2] %3")
                                        .arg(QString::number(index + 1), QString::number(count),
                                             invocation.ports.at(index)));
}

} // namespace

Status forEachCamera(const Invocation& invocation,
                     const std::function<void(CameraRun& run, OpenCamera& camera)>& work)
{
    Status status = Accepted;
    const QStringList listed = ports::availablePortNames();
    for (int index = 0; index < invocation.ports.size(); ++index) {
        showProgress(invocation, index);
        CameraRun run(invocation.console, invocation.ports.at(index));
        if (run.stopRequested()) {
            run.leaveUnbegun();
        } else {
            OpenCamera camera(run, listed);
            if (camera.device())
                work(run, camera);
        }
        run.finish();
        status = worse(status, run.status());
    }
    return status;
}

OpenCameras::OpenCameras(const Invocation& invocation)
{
    const QStringList listed = ports::availablePortNames();
    for (int index = 0; index < invocation.ports.size(); ++index) {
        showProgress(invocation, index);
        runs_.push_back(
            std::make_unique<CameraRun>(invocation.console, invocation.ports.at(index)));
        if (runs_.back()->stopRequested()) {
            runs_.back()->leaveUnbegun();
            cameras_.emplace_back();
            continue;
        }
        cameras_.push_back(std::make_unique<OpenCamera>(*runs_.back(), listed));
        if (!cameras_.back()->device())
            cameras_.back().reset();
    }
}

bool OpenCameras::anyOpen() const
{
    return std::any_of(cameras_.begin(), cameras_.end(),
                       [](const auto& camera) { return camera != nullptr; });
}

Status OpenCameras::finish(bool onlyUnaccepted)
{
    cameras_.clear();
    Status status = Accepted;
    for (const auto& run : runs_) {
        if (!onlyUnaccepted || run->status() != Accepted)
            run->finish();
        status = worse(status, run->status());
    }
    return status;
}

namespace {

// The status once standard output has been checked: a help text or a result that could not be
// written is an output failure, whatever the command did.
Status written(Console& console, Status status)
{
    if (!console.outputFailed())
        return status;
    console.error(Cli::tr("standard output could not be written: what it shows is incomplete"));
    return worse(status, Unwritten);
}

} // namespace

int run(const QStringList& arguments, Console& console)
{
    const QString name = arguments.value(1);
    const bool help = name == QLatin1String("--help") || name == QLatin1String("-h") ||
                      (name == QLatin1String("help") && arguments.size() == 2);
    if (help) {
        console.print(mainHelp());
        return written(console, Accepted);
    }
    if (name == QLatin1String("--version")) {
        console.print(QStringLiteral("%1 %2").arg(program, QStringLiteral(ORVEX_VERSION)));
        console.print(sdkaccess::statement());
        return written(console, Accepted);
    }
    const bool helpOnCommand = name == QLatin1String("help");
    const Command* command = findCommand(helpOnCommand ? arguments.value(2) : name);
    if (!command) {
        console.error(name.isEmpty()
                          ? Cli::tr("no command given; '%1 --help' lists the commands").arg(program)
                          : Cli::tr("%1 is not a command; '%2 --help' lists them")
                                .arg(helpOnCommand ? arguments.value(2) : name, program));
        return BadInput;
    }
    // A library named that cannot be used is never replaced by the simulated cameras: no command
    // runs without the SDK that was asked for.
    if (!sdkaccess::usable()) {
        console.error(sdkaccess::failure());
        return Unreachable;
    }

    QCommandLineParser parser;
    for (const OptionRow* row : optionsOf(*command))
        parser.addOption(commandLineOption(*row));
    const QStringList words = QStringList{program} + arguments.mid(2);
    const bool parsed = parser.parse(withNumbersAsArguments(words, *command));
    const QStringList ports =
        command->ports == PortUse::None ? QStringList() : parser.values(QStringLiteral("port"));
    Invocation invocation{console, QLatin1String(command->name), ports,
                          parser.positionalArguments(), parser};
    if (helpOnCommand || (parsed && parser.isSet(QStringLiteral("help")))) {
        console.print(commandHelp(*command));
        return written(console, Accepted);
    }
    if (!parsed)
        return invocation.usage(parser.errorText());
    const QString problem = misuse(*command, invocation);
    if (!problem.isEmpty())
        return invocation.usage(problem);
    console.setJson(parser.isSet(QStringLiteral("json")));
    return written(console, command->handler(invocation));
}

} // namespace cli
