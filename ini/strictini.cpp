#include "strictini.h"

#include <map>

namespace ini {
namespace {

// A line as a message shows it: quoted, and cut short when it is long.
QString shown(const QString& line)
{
    constexpr int longest = 60;
    return QLatin1Char('"') +
           (line.size() > longest ? line.left(longest) + QStringLiteral("...") : line) +
           QLatin1Char('"');
}

bool isText(const QByteArray& line, const QString& decoded)
{
    // Bytes that are no UTF-8 decode to U+FFFD, which encodes to other bytes.
    if (decoded.toUtf8() != line)
        return false;
    for (const QChar c : decoded) {
        if (c.unicode() < 0x20 && c != QLatin1Char('\t'))
            return false;
    }
    return true;
}

} // namespace

std::vector<QString> textLines(const QByteArray& bytes, int& badLine)
{
    static const QByteArray byteOrderMark("\xEF\xBB\xBF");
    badLine = 0;
    std::vector<QString> lines;
    int start = bytes.startsWith(byteOrderMark) ? byteOrderMark.size() : 0;
    while (start < bytes.size() || (start == bytes.size() && !bytes.endsWith('\n'))) {
        int end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        QByteArray line = bytes.mid(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        const QString decoded = QString::fromUtf8(line);
        if (!isText(line, decoded)) {
            badLine = int(lines.size()) + 1;
            return lines;
        }
        lines.push_back(decoded);
        start = end + 1;
    }
    return lines;
}

const Section* Document::section(const QString& name) const
{
    for (const Section& section : sections) {
        if (section.line > 0 && section.name == name)
            return &section;
    }
    return nullptr;
}

Document parse(const QByteArray& bytes)
{
    Document document;
    document.sections.push_back(Section{0, QString(), {}});
    const auto problem = [&](int line, const QString& text, Problem::Extent extent) {
        document.problems.push_back(Problem{line, text, extent});
    };
    int badLine = 0;
    const std::vector<QString> lines = textLines(bytes, badLine);
    std::map<QString, int> sectionLines;
    std::map<QString, int> keyLines; // of the section being read
    bool sectionLeftOut = false;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        const int number = int(index) + 1;
        const QString line = lines[index].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) ||
            line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            const QString name = line.mid(1, line.size() - 2).trimmed();
            const auto earlier = sectionLines.find(name);
            sectionLeftOut = true;
            if (!line.endsWith(QLatin1Char(']')))
                problem(number, QStringLiteral("%1 is not closed by ]").arg(shown(line)),
                        Problem::Section);
            else if (name.isEmpty())
                problem(number, QStringLiteral("[] names no section"), Problem::Section);
            else if (earlier != sectionLines.end())
                problem(number,
                        QStringLiteral("section [%1] appears again (first on line %2)")
                            .arg(name)
                            .arg(earlier->second),
                        Problem::Section);
            else
                sectionLeftOut = false;
            if (!sectionLeftOut) {
                sectionLines[name] = number;
                keyLines.clear();
                document.sections.push_back(Section{number, name, {}});
            }
            continue;
        }
        const int equals = line.indexOf(QLatin1Char('='));
        const QString key = line.left(equals).trimmed();
        if (equals < 0) {
            problem(number, QStringLiteral("%1 is no [section] and no key=value").arg(shown(line)),
                    Problem::Line);
            continue;
        }
        if (key.isEmpty()) {
            problem(number, QStringLiteral("%1 has no key before its =").arg(shown(line)),
                    Problem::Line);
            continue;
        }
        if (sectionLeftOut)
            continue;
        Section& section = document.sections.back();
        const auto earlier = keyLines.find(key);
        if (earlier != keyLines.end()) {
            const QString where =
                section.line > 0 ? QStringLiteral("[%1] %2").arg(section.name, key) : key;
            problem(number,
                    QStringLiteral("%1 appears again (first on line %2)")
                        .arg(where)
                        .arg(earlier->second),
                    Problem::Line);
            continue;
        }
        keyLines[key] = number;
        section.entries.push_back(Entry{number, key, line.mid(equals + 1).trimmed()});
    }
    if (badLine > 0)
        problem(badLine, QString::fromLatin1(notText), Problem::Rest);
    return document;
}

} // namespace ini
