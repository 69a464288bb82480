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
#include <QJsonDocument>
#include <QSet>

#include <algorithm>
#include <functional>
#include <limits>
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

// The first of the rows with each key (a port, a serial number), kept as indices into the rows in
// an open-addressed table: a few bytes a row, where a hash of strings takes fifty, so that a CSV of
// a million rows costs little more than its rows.
template <typename Key> class FirstRows
{
public:
    using KeyOf = const Key& (*)(const Row&);
    FirstRows(const std::vector<Row>& rows, KeyOf keyOf) : rows_(rows), keyOf_(keyOf) {}

    // The index of the first row with the key of rows[index], which it becomes when there is none.
    std::uint32_t first(std::uint32_t index)
    {
        if (2 * (count_ + 1) > slots_.size())
            grow();
        const std::size_t found = find(keyOf_(rows_[index]));
        if (slots_[found] == empty) {
            slots_[found] = index;
            ++count_;
            return index;
        }
        return slots_[found];
    }

private:
    static constexpr std::uint32_t empty = std::numeric_limits<std::uint32_t>::max();

    std::size_t find(const Key& key) const
    {
        const std::size_t mask = slots_.size() - 1;
        std::size_t slot = std::size_t(qHash(key)) & mask;
        while (slots_[slot] != empty && keyOf_(rows_[slots_[slot]]) != key)
            slot = (slot + 1) & mask;
        return slot;
    }

    void grow()
    {
        std::vector<std::uint32_t> old(std::max<std::size_t>(16, 2 * slots_.size()), empty);
        old.swap(slots_);
        for (const std::uint32_t index : old) {
            if (index != empty)
                slots_[find(keyOf_(rows_[index]))] = index;
        }
    }

    const std::vector<Row>& rows_;
    KeyOf keyOf_;
    std::vector<std::uint32_t> slots_;
    std::size_t count_ = 0;
};

const QString& portOf(const Row& row)
{
    return row.port;
}

const std::uint32_t& serialNumberOf(const Row& row)
{
    return row.serialNumber;
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
        // A row a line at most: the rows are never moved while they are read.
        rows_.reserve(std::size_t(contents.bytes.count('\n')) + 1);
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
        return problems_.isEmpty() ? std::move(rows_) : std::vector<Row>();
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
        // Kept for the whole run: without the room it grew into as it was read.
        row.port.squeeze();
        QString serialProblem;
        const auto serialNumber = serialNumberFrom(fields.at(1), serialProblem);
        if (!serialNumber) {
            problem(line, serialProblem);
            return;
        }
        row.serialNumber = *serialNumber;
        if (!row.profilePath.isEmpty())
            row.profile = profile(line, row.profilePath);
        // Kept even when its profile is a problem, for the rows that come after it: a CSV with a
        // problem gives no rows anyway.
        rows_.push_back(row);
        const auto index = std::uint32_t(rows_.size() - 1);
        // The first line of each port and serial number, so that a CSV is checked in one pass.
        const Row& firstOfPort = rows_[ports_.first(index)];
        if (firstOfPort.line != line)
            problem(line, Cli::tr("port %1 is already on line %2")
                              .arg(row.port, QString::number(firstOfPort.line)));
        const Row& firstOfSerial = rows_[serialNumbers_.first(index)];
        if (firstOfSerial.line != line)
            problem(line, Cli::tr("serial number %1 is already on line %2")
                              .arg(QString::number(row.serialNumber),
                                   QString::number(firstOfSerial.line)));
    }

    // Each profile is read and checked once, however many rows name it and however they write
    // its name; its problems name the first line that names it. The rows that name it alike share
    // one copy of the name.
    const Profile* profile(int line, QString& written)
    {
        const auto named = named_.constFind(written);
        if (named != named_.constEnd()) {
            written = named.key();
            return *named;
        }
        const QString path = folder_.filePath(written);
        auto known = profiles_.find(path);
        if (known == profiles_.end()) {
            QStringList problems;
            known = profiles_.emplace(path, loadProfile(path, problems)).first;
            for (const QString& text : problems)
                problem(line, text);
        }
        const Profile* loaded = known->second ? &*known->second : nullptr;
        named_.insert(written, loaded);
        return loaded;
    }

    QString path_;
    QStringList& problems_;
    std::vector<Row> rows_;
    bool headerSeen_ = false;
    FirstRows<QString> ports_{rows_, portOf};
    FirstRows<std::uint32_t> serialNumbers_{rows_, serialNumberOf};
    QDir folder_ = QFileInfo(path_).dir();
    std::map<QString, std::optional<Profile>> profiles_; // by path
    QHash<QString, const Profile*> named_;               // by the name as written
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

// A row's cells in the tables: line, port, serial number, profile, and the result when there is
// one.
QStringList cellsOf(const Row& row, const QString& result = QString())
{
    QStringList cells{QString::number(row.line), row.port, QString::number(row.serialNumber),
                      row.profilePath.isEmpty() ? QStringLiteral("-") : row.profilePath};
    if (!result.isNull())
        cells.append(result);
    return cells;
}

// The heading and a line for each row, in columns as wide as their widest cell. The cells are made
// as they are needed, once to measure and once to print, rather than held for a CSV of any length.
void printTable(Console& console, const QStringList& heading, std::size_t rows,
                const std::function<QStringList(std::size_t)>& cellsOfRow)
{
    std::vector<int> widths(std::size_t(heading.size()), 0);
    const auto measure = [&](const QStringList& cells) {
        for (int column = 0; column < cells.size(); ++column)
            widths[column] = std::max(widths[column], int(cells.at(column).size()));
    };
    const auto print = [&](const QStringList& cells) {
        QString line;
        for (int column = 0; column < cells.size(); ++column)
            line += cells.at(column).leftJustified(widths[column] + 2);
        console.print(line.trimmed());
    };
    measure(heading);
    for (std::size_t row = 0; row < rows; ++row)
        measure(cellsOfRow(row));
    print(heading);
    for (std::size_t row = 0; row < rows; ++row)
        print(cellsOfRow(row));
}

// A dry run: the rows as checked, with no camera opened.
Status showRows(Console& console, const std::vector<Row>& rows)
{
    if (console.json()) {
        // {"dryRun":true,"rows":[...]} on one line, written a row at a time rather than built
        // whole.
        console.write(QStringLiteral("{\"dryRun\":true,\"rows\":["));
        for (std::size_t index = 0; index < rows.size(); ++index) {
            const Row& row = rows[index];
            const QJsonObject object{{QStringLiteral("line"), row.line},
                                     {QStringLiteral("port"), row.port},
                                     {QStringLiteral("serialNumber"), double(row.serialNumber)},
                                     {QStringLiteral("profile"), row.profilePath}};
            console.write((index > 0 ? QStringLiteral(",") : QString()) +
                          QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
        }
        console.print(QStringLiteral("]}"));
        return Accepted;
    }
    console.print(
        Cli::tr("Checked %1 rows and their profiles; nothing was sent:").arg(rows.size()));
    printTable(console, {Cli::tr("line"), Cli::tr("port"), Cli::tr("serial"), Cli::tr("profile")},
               rows.size(), [&](std::size_t index) { return cellsOf(rows[index]); });
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
    // One text for each outcome, however many rows share it.
    QSet<QString> outcomes;
    std::vector<QString> results;
    results.reserve(rows.size());
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
        results.push_back(*outcomes.insert(resultText(run)));
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
    printTable(invocation.console,
               {Cli::tr("line"), Cli::tr("port"), Cli::tr("serial"), Cli::tr("profile"),
                Cli::tr("result")},
               rows.size(),
               [&](std::size_t index) { return cellsOf(rows[index], results[index]); });
    return status;
}

} // namespace cli
