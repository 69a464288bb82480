#include "sdkchoice.h"

#include "sdkaccess.h"
#include "strictini.h"
#include "wholefiles.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace sdkaccess {
namespace {

const QString settingsSection = QStringLiteral("sdk");
const QString libraryKey = QStringLiteral("library");

Choice unusable(const QString& path, const QString& problem)
{
    return Choice{Choice::Unusable, path, QString(), problem};
}

} // namespace

QStringList settingsFiles()
{
    QStringList files;
    const QStringList folders =
        QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    for (const QString& folder : folders)
        files.append(QDir(folder).filePath(QStringLiteral("orvexhd/sdk.ini")));
    return files;
}

Choice choose()
{
    const QString named = QString::fromLocal8Bit(qgetenv(libraryVariable));
    if (!named.isEmpty())
        return Choice{Choice::Library, QFileInfo(named).absoluteFilePath(),
                      Sdk::tr("named by %1").arg(QLatin1String(libraryVariable)), QString()};
    // The first that exists counts, whatever it holds: a broken one in the user's folder is
    // said, not passed over for the machine's.
    for (const QString& file : settingsFiles()) {
        if (QFileInfo::exists(file))
            return fromSettingsFile(file);
    }
    return Choice{};
}

Choice fromSettingsFile(const QString& path)
{
    const files::FileContents contents = files::readWhole(path);
    if (contents.problem != files::FileContents::None)
        return unusable(path, contents.problem == files::FileContents::Missing
                                  ? Sdk::tr("it does not exist")
                                  : Sdk::tr("it cannot be read (%1)").arg(contents.reason));
    const ini::Document document = ini::parse(contents.bytes);
    if (!document.problems.empty()) {
        const ini::Problem& first = document.problems.front();
        return unusable(path, Sdk::tr("line %1: %2").arg(first.line).arg(first.text));
    }
    // Strict: a misspelt key would otherwise leave the operator in the demo without a word.
    QString library;
    int libraryLine = 0;
    for (const ini::Section& section : document.sections) {
        if (section.entries.empty() && section.line == 0)
            continue;
        if (section.name != settingsSection)
            return unusable(path,
                            section.line == 0
                                ? Sdk::tr("line %1: %2 stands before [%3]")
                                      .arg(section.entries.front().line)
                                      .arg(section.entries.front().key, settingsSection)
                                : Sdk::tr("line %1: [%2] is no section of it; it has [%3] alone")
                                      .arg(section.line)
                                      .arg(ini::shortened(section.name), settingsSection));
        for (const ini::Entry& entry : section.entries) {
            if (entry.key != libraryKey)
                return unusable(path,
                                Sdk::tr("line %1: [%2] has no key %3; it has %4= alone")
                                    .arg(entry.line)
                                    .arg(settingsSection, ini::shortened(entry.key), libraryKey));
            library = entry.value;
            libraryLine = entry.line;
        }
    }
    if (libraryLine == 0)
        return unusable(
            path,
            Sdk::tr("it names no library: [%1] %2= is missing").arg(settingsSection, libraryKey));
    if (library.isEmpty())
        return unusable(path, Sdk::tr("[%1] %2= is empty").arg(settingsSection, libraryKey));
    // As a path with spaces is often written elsewhere; its quotes would be taken as part of it.
    if (library.size() > 1 && (library.front() == '"' || library.front() == '\'') &&
        library.back() == library.front())
        return unusable(path, Sdk::tr("line %1: [%2] %3= is in quotes; write the path without them")
                                  .arg(libraryLine)
                                  .arg(settingsSection, libraryKey));
    const QString file =
        QDir::cleanPath(QDir(QFileInfo(path).absolutePath()).absoluteFilePath(library));
    return Choice{Choice::Library, file, Sdk::tr("named in %1").arg(path), QString()};
}

} // namespace sdkaccess
