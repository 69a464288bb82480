// provision: cameras set up one after the other from a CSV of port,serial[,profile].
#include "commands.h"

#include "camerareports.h"
#include "portenumeration.h"
#include "strictini.h"
#include "transfer.h"
#include "wholefiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>

#include <algorithm>
#include <map>
#include <optional>
#include <vector>

namespace cli {
namespace {

struct Row {
    int line;
    QString port;
    std::uint32_t serialNumber;
    QString profilePath; // as written in the CSV; empty for none
    const Profile* profile;
};

// One CSV line's fields, with "double quotes" around a field that holds a comma; nothing when a
// quote is left open.
std::optional<QStringList> csvFields(const QString& line)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    for (int index = 0; index < line.size(); ++index) {
        const QChar c = line.at(index);
        if (quoted && c == QLatin1Char('"')) {
            const bool doubled = index + 1 < line.size() && line.at(index + 1) == QLatin1Char('"');
            if (doubled)
                field += c;
            index += doubled ? 1 : 0;
            quoted = doubled;
        } else if (!quoted && c == QLatin1Char('"')) {
            quoted = true;
        } else if (!quoted && c == QLatin1Char(',')) {
            fields.append(field.trimmed());
            field.clear();
        } else {
            field += c;
        }
    }
    if (quoted)
        return std::nullopt;
    fields.append(field.trimmed());
    return fields;
}

// Every row of the CSV, or nothing with every problem found in it and its profiles.
class RowReader
{
public:
    RowReader(const QString& path, QStringList& problems) : path_(path), problems_(problems) {}

    std::vector<Row> read()
    {
        const files::FileContents contents = files::readWhole(path_);
        if (contents.problem != files::FileContents::None) {
            problems_.append(QStringLiteral("%1: %2").arg(
                path_, contents.problem == files::FileContents::Missing
                           ? Cli::tr("no such file")
                           : Cli::tr("cannot be read (%1)").arg(contents.reason)));
            return {};
        }
        ini::TextLines lines(contents.bytes);
        QString text;
        while (lines.next(text)) {
            const int number = lines.number();
            if (problems_.size() >= ini::mostProblems) {
                problem(number, ini::notReadFurther());
                return {};
            }
            const QString line = text.trimmed();
            if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
                continue;
            const auto fields = csvFields(line);
            if (!fields) {
                problem(number, Cli::tr("a quote is not closed"));
                continue;
            }
            if (rows_.empty() && !headerSeen_ &&
                fields->constFirst().compare(QLatin1String("port"), Qt::CaseInsensitive) == 0) {
                headerSeen_ = true;
                continue;
            }
            take(number, *fields);
        }
        if (lines.badLine() > 0)
            problem(lines.badLine(), QString::fromLatin1(ini::notText));
        if (rows_.empty() && problems_.isEmpty())
            problems_.append(Cli::tr("%1: holds no row of port,serial[,profile]").arg(path_));
        return problems_.isEmpty() ? rows_ : std::vector<Row>();
    }

private:
    void problem(int line, const QString& text)
    {
        problems_.append(QStringLiteral("%1:%2: %3").arg(path_, QString::number(line), text));
    }

    void take(int line, const QStringList& fields)
    {
        if (fields.size() < 2 || fields.size() > 3) {
            problem(line,
                    Cli::tr("expected port,serial[,profile], found %1 fields").arg(fields.size()));
            return;
        }
        if (fields.constFirst().isEmpty()) {
            problem(line, Cli::tr("the port is empty"));
            return;
        }
        Row row{line, fields.at(0), 0, fields.value(2), nullptr};
        QString serialProblem;
        const auto serialNumber = serialNumberFrom(fields.at(1), serialProblem);
        if (!serialNumber) {
            problem(line, serialProblem);
            return;
        }
        row.serialNumber = *serialNumber;
        // The first line of each port and serial number, so that a CSV is checked in one pass.
        if (const int earlier = portLines_.value(row.port))
            problem(line, Cli::tr("port %1 is already on line %2")
                              .arg(row.port, QString::number(earlier)));
        else
            portLines_.insert(row.port, line);
        if (const int earlier = serialLines_.value(row.serialNumber))
            problem(line, Cli::tr("serial number %1 is already on line %2")
                              .arg(QString::number(row.serialNumber), QString::number(earlier)));
        else
            serialLines_.insert(row.serialNumber, line);
        if (!row.profilePath.isEmpty())
            row.profile = profile(line, row.profilePath);
        if (row.profilePath.isEmpty() || row.profile)
            rows_.push_back(row);
    }

    // Each profile is read and checked once, however many rows name it; its problems name the
    // first line that names it.
    const Profile* profile(int line, const QString& written)
    {
        const QString path = QFileInfo(path_).dir().filePath(written);
        const auto known = profiles_.find(path);
        if (known != profiles_.end())
            return known->second ? &*known->second : nullptr;
        QStringList problems;
        const auto& loaded = profiles_[path] = loadProfile(path, problems);
        for (const QString& text : problems)
            problem(line, text);
        return loaded ? &*loaded : nullptr;
    }

    QString path_;
    QStringList& problems_;
    std::vector<Row> rows_;
    bool headerSeen_ = false;
    QHash<QString, int> portLines_;
    QHash<std::uint32_t, int> serialLines_;
    std::map<QString, std::optional<Profile>> profiles_;
};

// The profile's checks against the camera come first: a camera whose row does not fit it is
// left as it was, serial number included.
void provisionCamera(CameraRun& run, OpenCamera& camera, const Row& row, bool forced)
{
    if (row.profile && !fitsCamera(run, camera, *row.profile))
        return;
    orvex_sdk::Device& device = *camera.device();
    run.outcome(camera::writeSerialNumber(device, row.serialNumber, forced),
                camera::serialNumberTexts(forced));
    if (run.unreachable())
        return;
    if (row.profile)
        applyProfile(run, device, *row.profile);
    if (run.unreachable() || run.interrupted())
        return;
    if (run.stopRequested()) {
        run.interrupt(Cli::tr("interrupted before the read-back: nothing was verified"));
        return;
    }

    const auto held =
        std::uint32_t(camera::read(camera::setting(camera::Key::SerialNumber), device));
    if (held != row.serialNumber) {
        if (!run.answers())
            return;
        run.report(Cli::tr("serial number differs: wanted %1, camera %2")
                       .arg(QString::number(row.serialNumber), QString::number(held)));
        run.worsen(Refused);
    }
    if (row.profile)
        verifyProfile(run, device, *row.profile);
}

QString resultText(const CameraRun& run)
{
    if (run.interrupted())
        return run.error();
    switch (run.status()) {
    case Accepted:
        return Cli::tr("OK");
    case Refused:
        return Cli::tr("KO: refused or differing");
    case BadInput:
        break;
    case Unreachable:
        return Cli::tr("unreachable: %1").arg(run.error());
    case Unwritten:
        break;
    }
    return Cli::tr("not provisioned: %1").arg(run.error());
}

// Columns as wide as their widest cell.
void printTable(Console& console, const std::vector<QStringList>& table)
{
    std::vector<int> widths;
    for (const QStringList& cells : table) {
        widths.resize(std::max(widths.size(), std::size_t(cells.size())), 0);
        for (int column = 0; column < cells.size(); ++column)
            widths[column] = std::max(widths[column], int(cells.at(column).size()));
    }
    for (const QStringList& cells : table) {
        QString line;
        for (int column = 0; column < cells.size(); ++column)
            line += cells.at(column).leftJustified(widths[column] + 2);
        console.print(line.trimmed());
    }
}

QString profileCell(const Row& row)
{
    return row.profilePath.isEmpty() ? QStringLiteral("-") : row.profilePath;
}

// A dry run: the rows as checked, with no camera opened.
Status showRows(Console& console, const std::vector<Row>& rows)
{
    if (console.json()) {
        QJsonArray checked;
        for (const Row& row : rows)
            checked.append(QJsonObject{{QStringLiteral("line"), row.line},
                                       {QStringLiteral("port"), row.port},
                                       {QStringLiteral("serialNumber"), double(row.serialNumber)},
                                       {QStringLiteral("profile"), row.profilePath}});
        console.print(
            QJsonObject{{QStringLiteral("dryRun"), true}, {QStringLiteral("rows"), checked}});
        return Accepted;
    }
    std::vector<QStringList> table{
        {Cli::tr("line"), Cli::tr("port"), Cli::tr("serial"), Cli::tr("profile")}};
    for (const Row& row : rows)
        table.push_back({QString::number(row.line), row.port, QString::number(row.serialNumber),
                         profileCell(row)});
    console.print(
        Cli::tr("Checked %1 rows and their profiles; nothing was sent:").arg(rows.size()));
    printTable(console, table);
    return Accepted;
}

} // namespace

Status provision(const Invocation& invocation)
{
    QStringList problems;
    const QString csv = invocation.arguments.constFirst();
    RowReader reader(csv, problems);
    const std::vector<Row> rows = reader.read();
    for (const QString& problem : problems)
        invocation.console.error(problem);
    if (rows.empty())
        return BadInput;
    if (invocation.isSet("dry-run"))
        return showRows(invocation.console, rows);

    Status status = Accepted;
    int provisioned = 0;
    bool interrupted = false;
    std::vector<QStringList> table{{Cli::tr("line"), Cli::tr("port"), Cli::tr("serial"),
                                    Cli::tr("profile"), Cli::tr("result")}};
    // Listed once: a port gone meanwhile fails its row when the camera does not answer.
    const QStringList listed = ports::availablePortNames();
    for (std::size_t index = 0; index < rows.size(); ++index) {
        const Row& row = rows[index];
        invocation.console.progress(Cli::tr("[%1/%2] %3, serial number %4")
                                        .arg(QString::number(index + 1),
                                             QString::number(rows.size()), row.port,
                                             QString::number(row.serialNumber)));
        CameraRun run(invocation.console, row.port);
        if (run.stopRequested()) {
            run.leaveUnbegun();
        } else {
            OpenCamera camera(run, listed);
            if (camera.device())
                provisionCamera(run, camera, row, invocation.isSet("force-serial"));
        }
        QJsonObject& details = run.details();
        details.insert(QStringLiteral("line"), row.line);
        details.insert(QStringLiteral("serialNumber"), double(row.serialNumber));
        details.insert(QStringLiteral("profile"), row.profilePath);
        run.finish();
        status = worse(status, run.status());
        provisioned += run.status() == Accepted ? 1 : 0;
        interrupted = interrupted || run.interrupted();
        table.push_back({QString::number(row.line), row.port, QString::number(row.serialNumber),
                         profileCell(row), resultText(run)});
    }

    if (invocation.console.json()) {
        invocation.console.print(QJsonObject{
            {QStringLiteral("summary"), QJsonObject{{QStringLiteral("rows"), int(rows.size())},
                                                    {QStringLiteral("provisioned"), provisioned},
                                                    {QStringLiteral("interrupted"), interrupted},
                                                    {QStringLiteral("status"), int(status)}}}});
        return status;
    }
    invocation.console.print(
        (interrupted ? Cli::tr("\nProvisioned %1 of %2 cameras before the run was interrupted:")
                     : Cli::tr("\nProvisioned %1 of %2 cameras:"))
            .arg(QString::number(provisioned), QString::number(rows.size())));
    printTable(invocation.console, table);
    return status;
}

} // namespace cli
