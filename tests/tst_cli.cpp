// orvexhd-cli against several simulated cameras: profiles read from one camera reach another
// unchanged and in the window's order, bad input sends nothing to any camera, refusals are told
// from cameras gone away, reads the camera refuses are left out, output that cannot be written
// is an error, provisioning goes on past an unplugged camera, and every --json output parses.
// Beyond these, each invocation listed in tests/cli-transcripts/*.txt must give the whole outcome
// recorded there: exit status, both output streams, every camera operation, the SDK log and the
// files written. After an intended change, `ORVEX_UPDATE_TRANSCRIPTS=1 ctest -R tst_cli` in the
// build rewrites those files, and their diff is what to review.
#include "commands.h"
#include "devicenode.h"
#include "parametersteps.h"
#include "portenumeration.h"
#include "sdkrecords.h"
#include "settingstable.h"
#include "simulatedcamera.h"

#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QSpinBox>
#include <QThread>

#include <algorithm>
#include <deque>
#include <functional>
#include <limits>
#include <map>
#include <set>
#include <utility>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using Setup = std::function<void()>;
Q_DECLARE_METATYPE(Setup)

namespace {

// The expert limits reach below what the camera's unsigned GSK can hold. SIM1 holds values a
// profile could lose (an odd gamma count, a zoom factor that is no short decimal, a sharpening
// that five digits would give back too but the window shows with six); SIM2 answers the version
// read with one field 0, which still counts as answering, and has a temperature of six digits;
// SIM3 has no detector, no shutter, firmware digits above 9, a region of interest of its own,
// refuses the vertical flip and will not say its bottom bound nor its temperatures; SIM4 does not
// answer.
const char* const cameras =
    "[sdk]\ncameras=SIM1,SIM2,SIM3,SIM4\n"
    "[expert]\ngskMin=-5\n"
    "[camera.SIM1]\ngamma=85197\nsharpening=78\nzoomFactor=2.3\n"
    "zoomMethod=1\npolarity=true\ngsk=3\niaMaxBoxes=77\n"
    "temperatureDrift=false\nsensorTemperature=305500\n"
    "[camera.SIM2]\nriscvVersion=0\ntemperatureDrift=false\n"
    "sensorTemperature=305512.5\n"
    "[camera.SIM3]\ncameraType=3\nhasShutter=false\nriscvVersion=0x1fa8\nroiX1=100\n"
    "roiX2=600\nrefused=setVerticalFlip,getRoiY2,getTemperatures\n"
    "[camera.SIM4]\nsilent=true\n";

// A profile of two user settings, as a production line's.
const char* const lineProfile = "[user]\ngamma=1.5\nverticalFlip=true\n";

struct Run {
    int status;
    QString out;
    QString err;
};

// "%1" at the start of a path ("%1/p.ini") or alone stands for the fixture's folder; within a file
// name ("batch%1.csv") it is the name's own.
QString inFolder(QString text, const QString& folder)
{
    static const QRegularExpression placeholder(QStringLiteral("%1(?=/|$)"));
    return text.replace(placeholder, folder);
}

QStringList simulatedPortNames()
{
    QStringList names;
    for (const std::string& name : orvex_sim::portNames())
        names.append(QString::fromStdString(name));
    return names;
}

// The stand-in afresh with the cameras above, as a new process would find it.
class CliFixture
{
public:
    explicit CliFixture(const QString& ini = QLatin1String(cameras))
    {
        write(QStringLiteral("sdk.ini"), ini);
        orvex_sim::reset(path(QStringLiteral("sdk.ini")).toStdString());
        ports::setEnumerator(simulatedPortNames);
    }
    ~CliFixture() { ports::setEnumerator({}); }

    QString path(const QString& name) const { return dir_.filePath(name); }
    QString folder() const { return dir_.path(); }

    void write(const QString& name, const QString& text) const
    {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Text));
        file.write(text.toUtf8());
    }

    // "%1" in an argument stands for the fixture's folder, as inFolder() says.
    static Run run(const QString& folder, const QStringList& arguments,
                   std::function<bool()> stopCheck = {})
    {
        Run result{-1, QString(), QString()};
        QTextStream out(&result.out);
        QTextStream err(&result.err);
        cli::Console console(out, err, false);
        QStringList words{QStringLiteral("orvexhd-cli")};
        for (const QString& argument : arguments)
            words.append(inFolder(argument, folder));
        console.setStopCheck(stopCheck);
        result.status = cli::run(words, console);
        return result;
    }
    Run run(const QStringList& arguments) const { return run(dir_.path(), arguments); }
    // As if the operator asked the program to stop once the journal holds that many of an
    // operation.
    Run runStopped(const QStringList& arguments, const QString& operation, int occurrences) const
    {
        const std::string name = operation.toStdString();
        return run(dir_.path(), arguments, [name, occurrences] {
            const auto& entries = orvex_sim::journal();
            return std::count_if(entries.begin(), entries.end(), [&](const auto& entry) {
                       return entry.operation == name;
                   }) >= occurrences;
        });
    }

    // The built program over this fixture's configuration, its standard output into a file
    // (empty: kept), started by the wrapper's command (setpriv ...) when one is given.
    Run runProgram(const QStringList& arguments, const QString& standardOutput = QString(),
                   const QStringList& wrapper = {}) const
    {
        QProcess program;
        if (!standardOutput.isEmpty())
            program.setStandardOutputFile(standardOutput);
        start(program, arguments, wrapper);
        if (!program.waitForFinished(60000))
            return {-1, QString(), QString()};
        return {program.exitCode(), QString::fromUtf8(program.readAllStandardOutput()),
                QString::fromUtf8(program.readAllStandardError())};
    }

    void start(QProcess& program, const QStringList& arguments,
               const QStringList& wrapper = {}) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("ORVEX_SDK_CONFIG", path(QStringLiteral("sdk.ini")));
        program.setProcessEnvironment(environment);
        QStringList words = wrapper + QStringList{QStringLiteral(ORVEX_CLI_EXECUTABLE)};
        for (const QString& argument : arguments)
            words.append(inFolder(argument, dir_.path()));
        const QString executable = words.takeFirst();
        program.start(executable, words);
    }

    // The journal's operations that change the camera, with their arguments or by name only.
    static QStringList writes(bool withArguments = true)
    {
        QStringList operations;
        for (const QString& operation : sent()) {
            if (operation.startsWith(QLatin1String("set")) ||
                operation.startsWith(QLatin1String("request")))
                operations.append(withArguments ? operation : operation.section(' ', 0, 0));
        }
        return operations;
    }

private:
    QTemporaryDir dir_;
};

QList<QJsonObject> jsonLines(const QString& out)
{
    QList<QJsonObject> objects;
    const QStringList lines = out.split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        if (line.isEmpty())
            continue;
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(line.toUtf8(), &error);
        if (error.error != QJsonParseError::NoError || !document.isObject())
            return {};
        objects.append(document.object());
    }
    return objects;
}

QJsonObject profileOf(const CliFixture& f, const QString& port)
{
    const Run read = f.run({"read", "--port", port, "--json"});
    return jsonLines(read.out).value(0).value(QStringLiteral("profile")).toObject();
}

// Each line of text after a tag: "out  SIM1: ...". A last line without its line feed says so.
QString tagged(const QString& tag, const QString& text)
{
    QStringList lines = text.split('\n');
    if (lines.last().isEmpty())
        lines.removeLast();
    else
        lines.last() += QStringLiteral(" (no line feed at the end)");
    QString result;
    for (const QString& line : lines)
        result += tag + (line.isEmpty() ? QString() : QStringLiteral("  ") + line) + '\n';
    return result;
}

QMap<QString, QByteArray> filesIn(const QString& folder)
{
    QMap<QString, QByteArray> files;
    for (const QString& name : QDir(folder).entryList(QDir::Files)) {
        QFile file(QDir(folder).filePath(name));
        files.insert(name, file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("?"));
    }
    return files;
}

// SIM7 answers its open and its first serial number and gamma operations, then nothing, and its
// port leaves the list: a cable pulled once a command has begun, at the same point every time.
void pullSim7AfterItsFirstOperations()
{
    const std::set<std::string> answered{"getCameraType",   "getFirmwareVersions",
                                         "getSerialNumber", "setSerialNumber",
                                         "getGamma",        "setGamma"};
    for (const std::string& operation : orvex_sim::deviceOperationNames()) {
        std::deque<bool> answers(100, false);
        answers.front() = answered.count(operation) > 0;
        orvex_sim::faults("SIM7").scriptedAnswers[operation] = answers;
    }
    ports::setEnumerator([listed = false]() mutable {
        QStringList names = simulatedPortNames();
        if (std::exchange(listed, true))
            names.removeAll(QStringLiteral("SIM7"));
        return names;
    });
}

// Everything one command line did, on the cameras of inputs/sdk.ini with the files of inputs/:
// its exit status, standard output and error, each camera operation with its arguments and
// result, the SDK log without time stamps, and each file it wrote. "%1" is the fixture's folder.
QString transcript(const QMap<QString, QByteArray>& inputs, const QString& commandLine)
{
    CliFixture f(QString::fromUtf8(inputs.value(QStringLiteral("sdk.ini"))));
    for (auto input = inputs.begin(); input != inputs.end(); ++input) {
        QFile file(f.path(input.key()));
        if (file.open(QIODevice::WriteOnly))
            file.write(input.value());
    }
    if (commandLine.contains(QLatin1String("%1/full")) &&
        !makeDeviceNode(f.path("full"), DeviceNode::Full))
        return QStringLiteral("no device could be made for %1\n").arg(commandLine);
    pullSim7AfterItsFirstOperations();
    const QMap<QString, QByteArray> before = filesIn(f.folder());
    const Run run = f.run(QProcess::splitCommand(commandLine));

    QString text = QStringLiteral("$ orvexhd-cli %1").arg(commandLine).trimmed();
    text += QStringLiteral("\nexit %1\n").arg(run.status);
    text += tagged(QStringLiteral("out"), run.out) + tagged(QStringLiteral("err"), run.err);
    for (const orvex_sim::JournalEntry& entry : orvex_sim::journal())
        text += QString::fromStdString("cam  " + entry.port + ' ' + entry.operation +
                                       (entry.arguments.empty() ? "" : ' ' + entry.arguments) +
                                       " -> " + entry.result + '\n');
    if (const int applied = orvex_sim::parametersAppliedCount())
        text += QStringLiteral("sdk  notifyParametersApplied, calls: %1\n").arg(applied);
    QFile log(QString::fromStdString(orvex_sim::logFilePath()));
    if (log.open(QIODevice::ReadOnly))
        text +=
            tagged(QStringLiteral("log"),
                   QString::fromUtf8(log.readAll())
                       .remove(QRegularExpression("^\\S+ ", QRegularExpression::MultilineOption)));
    const QMap<QString, QByteArray> after = filesIn(f.folder());
    for (auto file = after.begin(); file != after.end(); ++file) {
        if (file.key() != QLatin1String("sdk.log") && before.value(file.key()) != file.value())
            text += tagged("file " + file.key(), QString::fromUtf8(file.value()));
    }
    return text.replace(f.folder(), QStringLiteral("%1"));
}

// The first lines where expected and actual part, up to where three lines agree again, with three
// lines of context around them, as diff -u shows them.
QString difference(const QString& expected, const QString& actual)
{
    const QStringList was = expected.split('\n');
    const QStringList is = actual.split('\n');
    int first = 0;
    while (first < was.size() && first < is.size() && was[first] == is[first])
        ++first;
    int wasEnd = std::min<int>(was.size(), first + 20);
    int isEnd = std::min<int>(is.size(), first + 20);
    for (int span = 1, found = 0; span < 80 && !found; ++span) {
        for (int skipped = 0; skipped <= span && !found; ++skipped) {
            const int a = first + skipped;
            const int b = first + span - skipped;
            found = a + 3 <= was.size() && b + 3 <= is.size() && was.mid(a, 3) == is.mid(b, 3);
            wasEnd = found ? a : wasEnd;
            isEnd = found ? b : isEnd;
        }
    }
    QString command; // the invocation whose transcript parts
    for (int line = 0; line < std::min<int>(first + 1, was.size()); ++line)
        command = was[line].startsWith('$') ? was[line] : command;
    const int start = std::max(0, first - 3);
    QString text = QStringLiteral("\n@@ -%1 +%1 @@ %2\n").arg(start + 1).arg(command);
    for (int line = start; line < first; ++line)
        text += ' ' + was[line] + '\n';
    for (int line = first; line < wasEnd; ++line)
        text += '-' + was[line] + '\n';
    for (int line = first; line < isEnd; ++line)
        text += '+' + is[line] + '\n';
    for (int line = isEnd; line < std::min<int>(is.size(), isEnd + 3); ++line)
        text += ' ' + is[line] + '\n';
    return text;
}

} // namespace

class CliTest : public QObject
{
    Q_OBJECT

private slots:
    void profileFromOneCameraMakesAnotherTheSame_data();
    void profileFromOneCameraMakesAnotherTheSame();
    void badInputSendsNothing_data();
    void badInputSendsNothing();
    void applySendsInTheWindowsBulkOrder();
    void cameraGetsExactlyWhatWasAsked_data();
    void cameraGetsExactlyWhatWasAsked();
    void readLeavesOutWhatTheCameraWouldNotGive_data();
    void readLeavesOutWhatTheCameraWouldNotGive();
    void largestInputsFitInAFewTimesTheirSize_data();
    void largestInputsFitInAFewTimesTheirSize();
    void outputThatCannotBeWrittenIsAnError_data();
    void outputThatCannotBeWrittenIsAnError();
    void profileGoesIntoAFifoWithoutReplacingIt();
    void dryRunOpensNoCamera_data();
    void dryRunOpensNoCamera();
    void provisionReportsEachRowAsItWent_data();
    void provisionReportsEachRowAsItWent();
    void provisionGoesOnPastAnUnpluggedCamera();
    void cameraGoneMidRunIsUnreachable_data();
    void cameraGoneMidRunIsUnreachable();
    void jsonOutputParses_data();
    void jsonOutputParses();
    void exitStatusSaysWhatWentWrong_data();
    void exitStatusSaysWhatWentWrong();
    void watchWaitsItsInterval();
    void cameraGoneMidReadIsAskedNothingMore();
    void tableRangesAreTheWindowsRanges();
    void twoProgramsAtOnceKeepEachOthersChanges();
    void interruptedRunSaysWhatWasLeftUndone_data();
    void interruptedRunSaysWhatWasLeftUndone();
    void signalStopsTheRunBetweenOperations_data();
    void signalStopsTheRunBetweenOperations();
    void replacedFileKeepsItsOwner_data();
    void replacedFileKeepsItsOwner();
    void othersLinkIsFollowedOnlyToTheirFile_data();
    void othersLinkIsFollowedOnlyToTheirFile();
    void transcriptsAreAsRecorded_data();
    void transcriptsAreAsRecorded();
};

void CliTest::profileFromOneCameraMakesAnotherTheSame_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("INI") << "profile.ini";
    QTest::newRow("JSON") << "profile.json";
}

void CliTest::profileFromOneCameraMakesAnotherTheSame()
{
    QFETCH(QString, file);
    CliFixture f;
    QCOMPARE(f.run({"read", "--port", "SIM1", "-o", "%1/" + file}).status, 0);
    const QJsonObject original = profileOf(f, "SIM1");
    orvex_sim::clearJournal();

    const Run apply = f.run({"apply", "--port", "SIM2", "%1/" + file});
    QCOMPARE(apply.status, 0);
    QVERIFY(apply.out.startsWith("SIM2: Set GAMMA value OK\nSIM2: Set CLHE value OK\n"));
    QCOMPARE(orvex_sim::parametersAppliedCount(), 1);
    QCOMPARE(profileOf(f, "SIM2"), original);
    QVERIFY(original.contains("ia") && original.contains("expert"));
    // The camera's own counts, not only their six-digit renderings, came across.
    QCOMPARE(orvex_sim::settings("SIM2").gamma, 85197u);
    QCOMPARE(orvex_sim::settings("SIM2").zoom.factor, 2.3f);
    QCOMPARE(orvex_sim::settings("SIM2").ia.maxBoxes, 77);
}

void CliTest::badInputSendsNothing_data()
{
    QTest::addColumn<QString>("content"); // of bad.ini or bad.json; empty: no file
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("problem");
    const QStringList applyIni{"apply", "--port", "SIM2", "%1/bad.ini"};
    const QStringList applyJson{"apply", "--port", "SIM2", "%1/bad.json"};
    addRow("unknown section", "[look]\ngamma=1\n", applyIni,
           "bad.ini:1: section [look] is not a known section");
    addRow("unknown key", "[user]\ngama=1\n", applyIni,
           "bad.ini:2: [user] gama is not a known key");
    addRow("not a number", "[user]\ngamma=abc\n", applyIni,
           "[user] gamma = \"abc\" is not a number (0.5 to 2.5)");
    addRow("not whole", "[user]\nclhe=40.5\n", applyIni,
           "[user] clhe = \"40.5\" is not a whole number (0 to 30000)");
    addRow("not a switch", "[user]\npolarity=maybe\n", applyIni,
           "[user] polarity = \"maybe\" is not true or false");
    addRow("form range", "[user]\ngamma=1\nsharpening=4.1\n", applyIni,
           "[user] sharpening = \"4.1\" is outside 0 to 4");
    addRow("expert limit", "[expert]\ngsk=4\n", applyIni,
           "[expert] gsk = \"4\" is outside -5 to 3");
    addRow("below the expert limit", "[expert]\ngfid=-1\n", applyIni,
           "[expert] gfid = \"-1\" is outside 0 to 1000");
    addRow("beyond the camera's type", "", QStringList{"set", "--port", "SIM2", "gsk=-1"},
           "set: gsk = \"-1\" cannot be held by the camera");
    addRow("gms beyond 32 bits", "[expert]\ngms=4294967296\n", applyIni,
           "is outside 0 to 4294967295");
    addRow("roi out of order", "[user]\nroiY1=600\nroiY2=500\n", applyIni,
           "[user] roiY1 = 600 is above roiY2 = 500");
    addRow("roi x out of order", "[user]\nroiX2=500\nroiX1=600\n", applyIni,
           "[user] roiX1 = 600 is above roiX2 = 500");
    addRow("line without =", "[user]\nsharpening 1.0\ngamma=1.5\n", applyIni,
           "bad.ini:2: \"sharpening 1.0\" is no [section] and no key=value");
    addRow("key twice", "[user]\r\ngamma=1.5\r\ngamma=2\r\n", applyIni,
           "bad.ini:3: [user] gamma appears again (first on line 2)");
    addRow("unclosed section", "[user]\ngamma=1.5\n[expert\ngsk=2\n", applyIni,
           "bad.ini:3: \"[expert\" is not closed by ]");
    addRow("key outside a section", "gamma=1.5\n[user]\nclhe=3\n", applyIni,
           "bad.ini:1: key gamma stands outside any section");
    addRow("no profile at all", QString("x\n").repeated(25), applyIni,
           "bad.ini:20: \"x\" is no [section]"
           " and no key=value\norvexhd-cli: %1/bad.ini: 5 more problems\n");
    // No file is held in memory as problems, however well formed: reading stops at 1000.
    const auto stopped = [](const QString& line) {
        return "bad.ini: 980 more problems\norvexhd-cli: %1/bad.ini:" + line +
               ": the file is not read past its first 1000 problems\n";
    };
    addRow("far from a profile", QString("x\n").repeated(5000), applyIni, stopped("1001"));
    QString unknownKeys = "[user]\n";
    QString unknownJsonKeys = "{\"user\": {";
    for (int key = 0; key < 5000; ++key) {
        unknownKeys += QStringLiteral("k%1=1\n").arg(key);
        unknownJsonKeys += QStringLiteral("\"k%1\": 1, ").arg(key);
    }
    addRow("unknown keys past the cap", unknownKeys, applyIni, stopped("1002"));
    addRow("JSON unknown keys past the cap", unknownJsonKeys + "\"gamma\": 1}}", applyJson,
           "bad.json: 980 more problems\norvexhd-cli: %1/bad.json: the file is not read past its "
           "first 1000 problems\n");
    addRow("file name holding %1", "x\n", QStringList{"apply", "--port", "SIM2", "%1/batch%1.ini"},
           "orvexhd-cli: %1/batch%1.ini:1: \"x\" is no [section] and no key=value\n");
    addRow("a long value cut short", "[user]\ngamma=" + QString(500, '9') + "x\n", applyIni,
           "[user] gamma = \"" + QString(60, '9') + "...\" is not a number");
    addRow("escapes as written", "[%75ser]\ngamma=1.5\n", applyIni,
           "bad.ini:1: section [%75ser] is not a known section");
    addRow("UTF-8 key", "\xEF\xBB\xBF[user]\ngamm\xC3\xA4=1\n", applyIni,
           "bad.ini:2: [user] gamm\u00e4 is not a known key");
    addRow("no setting", "; nothing\n", applyIni, "bad.ini: holds no setting");
    addRow("no setting, # comment", "# nothing\n", applyIni, "bad.ini: holds no setting");
    addRow("missing file", "", applyIni, "bad.ini: no such file");
    addRow("JSON syntax", "{\"user\":", applyJson, "bad.json: is not valid JSON");
    // A number runs to its end: no value is read out of the front of one.
    addRow("JSON number with a leading zero", "{\"user\":{\"gamma\":01}}", applyJson,
           "bad.json: is not valid JSON: a number is not well formed at offset 17\n");
    addRow("JSON number past a double", "{\"user\":{\"gamma\":1e999}}", applyJson,
           "bad.json: [user] gamma = 1e999 is not a number (0.5 to 2.5)\n");
    // Escapes in a key give characters that would act on the terminal, not be read there.
    addRow("JSON key of control characters", "{\"user\":{\"\\u001b[2J\\n\\u009b\":1}}", applyJson,
           "bad.json: [user] \\u001b[2J\\u000a\\u009b is not a known key");
    addRow("JSON type", "{\"user\":{\"polarity\":1}}", applyJson,
           "[user] polarity = 1 is not true or false");
    addRow("JSON key twice", "{\"user\":{\"gamma\":1.5,\"g\\u0061mma\":2},\"user\":{}}", applyJson,
           "bad.json: [user] gamma appears twice\norvexhd-cli: %1/bad.json: section [user]");
    addRow("JSON text for a number", "{\"user\":{\"gamma\":\"1.5\"}}", applyJson,
           "[user] gamma = \"1.5\" is text; write a number, without quotes (0.5 to 2.5)");
    addRow("JSON text", "{\"user\":{\"polarity\":\"true\"}}", applyJson,
           "[user] polarity = \"true\" is text; write true or false, without quotes");
    addRow("set range", "", QStringList{"set", "--port", "SIM2", "gamma=1", "gamma=0.4"},
           "set: gamma = \"0.4\" is outside 0.5 to 2.5");
    addRow("set without a key", "", QStringList{"set", "--port", "SIM2", "=5"},
           "set: \"=5\" is not KEY=VALUE");
    addRow("set twice", "", QStringList{"set", "--port", "SIM2", "gamma=1", "user.gamma=2"},
           "set: user.gamma is given twice (first as gamma)");
    addRow("set unknown", "", QStringList{"set", "--port", "SIM2", "brightness=3"},
           "brightness is not a known setting");
    addRow("ia without detector", "[user]\ngamma=1\n[ia]\niaMaxBoxes=5\n",
           QStringList{"apply", "--port", "SIM3", "%1/bad.ini"}, "SIM3: the profile has [ia]");
    addRow("lone roi bound", "[user]\nroiX1=700\n",
           QStringList{"apply", "--port", "SIM3", "%1/bad.ini"},
           "gives roiX1 = 700 above roiX2 = 600");
    addRow("lone upper roi bound", "[user]\nroiX2=50\n",
           QStringList{"apply", "--port", "SIM3", "%1/bad.ini"},
           "the profile's roiX2 with the camera's roiX1 gives roiX1 = 100 above roiX2 = 50");
    addRow("lone bound the camera will not give", "[user]\nroiY1=700\n",
           QStringList{"apply", "--port", "SIM3", "%1/bad.ini"},
           "SIM3: the camera's roiY2 could not be read, so the profile's roiY1 cannot be checked");
    addRow("ia for one camera of two", "[user]\ngamma=1\n[ia]\niaMaxBoxes=5\n",
           QStringList{"apply", "--port", "SIM1", "--port", "SIM3", "%1/bad.ini"},
           "SIM1: nothing was sent, since the profile does not fit every camera named");
    addRow("roi for one camera of two", "",
           QStringList{"set", "--port", "SIM3", "--port", "SIM1", "roiX1=700"},
           "SIM3: the profile's roiX1 with the camera's roiX2");
    addRow("expert mode off", "[expert]\ngsk=2\n", applyIni,
           "[expert] settings need the SDK's expert mode");
    addRow("CSV quote left open", "SIM1,1\n\"SIM2,2\n", QStringList{"provision", "%1/rows.csv"},
           "rows.csv:2: a quote is not closed");
    addRow("CSV row of four", "SIM1,1,p.ini,x\n", QStringList{"provision", "%1/rows.csv"},
           "rows.csv:1: expected port,serial[,profile], found 4 fields\n");
    addRow("CSV row of one", "SIM1,1\nSIM2\n", QStringList{"provision", "%1/rows.csv"},
           "rows.csv:2: expected port,serial[,profile], found 1 fields\n");
    addRow("CSV far from rows", QString("x\n").repeated(2000),
           QStringList{"provision", "%1/rows.csv"},
           "rows.csv:1001: the file is not read past its first 1000 problems\n");
    addRow("CSV row without a port", "SIM1,1\n,2\n", QStringList{"provision", "%1/rows.csv"},
           "rows.csv:2: the port is empty\n");
    addRow("CSV port twice", "SIM1,1\nSIM1,2\n", QStringList{"provision", "%1/rows.csv"},
           "rows.csv:2: port SIM1 is already on line 1\n");
    addRow("CSV line not text", "SIM1,1\nSIM2,2\x01\nSIM3,3\n",
           QStringList{"provision", "%1/rows.csv"},
           "rows.csv:2: is no text (not UTF-8, or a control character)\n");
    addRow("CSV serial number twice", "SIM1,1\n\nSIM2,1\n", QStringList{"provision", "%1/rows.csv"},
           "rows.csv:3: serial number 1 is already on line 1\n");
    addRow("CSV doubled quote", "SIM1,1,\"a\"\"b.ini\"\n", QStringList{"provision", "%1/rows.csv"},
           "rows.csv:1: %1/a\"b.ini: no such file");
    addRow("CSV profile problem", "SIM1,1\nSIM2,2,absent.ini\n",
           QStringList{"provision", "%1/rows.csv"}, "rows.csv:2: %1/absent.ini: no such file");
    addRow("CSV name holding %1", "SIM1,1,p.ini,x\n", QStringList{"provision", "%1/rows%1.csv"},
           "%1/rows%1.csv:1: expected port,serial[,profile], found 4 fields\n");
    // As spreadsheets export long numbers: digits lost.
    const QStringList provisionRows{"provision", "%1/rows.csv"};
    addRow("CSV serial in exponent form", "SIM1,1.23457E+09\n", provisionRows,
           "rows.csv:1: serial number \"1.23457E+09\" is in exponent form");
    addRow("CSV negative serial", "SIM1,-7\n", provisionRows,
           "rows.csv:1: serial number \"-7\" is negative");
    addRow("CSV serial with a fraction", "SIM1,7.0\n", provisionRows,
           "rows.csv:1: serial number \"7.0\" is not a whole number from 0 to 4294967295");
    const QStringList serialOfSim1{"serial", "--port", "SIM1"};
    addRow("serial in exponent form", "", serialOfSim1 + QStringList{"1.23457E+09"},
           "serial: serial number \"1.23457E+09\" is in exponent form");
    addRow("negative serial", "", serialOfSim1 + QStringList{"-1"},
           "serial: serial number \"-1\" is negative");
    addRow("serial with a sign", "", serialOfSim1 + QStringList{"+7"},
           "serial number \"+7\" is not a whole number from 0 to 4294967295");
    addRow("serial with blanks", "", serialOfSim1 + QStringList{" 7"},
           "serial number \" 7\" is not a whole number");
    addRow("serial past 64 bits", "", serialOfSim1 + QStringList{"18446744073709551617"},
           "serial number \"18446744073709551617\" is not a whole number");
#ifdef Q_OS_LINUX
    addRow("read error", "", QStringList{"apply", "--port", "SIM2", "/proc/self/mem"},
           "/proc/self/mem: cannot be read (");
#endif
}

void CliTest::badInputSendsNothing()
{
    QFETCH(QString, content);
    QFETCH(QStringList, arguments);
    QFETCH(QString, problem);
    CliFixture f;
    if (!content.isEmpty())
        f.write(QFileInfo(arguments.last()).fileName(), content);
    orvex_sim::setExpertMode(QByteArray(QTest::currentDataTag()) != "expert mode off");

    const Run run = f.run(arguments);
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.contains(inFolder(problem, f.folder())), qPrintable(run.err));
    QVERIFY2(run.out.isEmpty(), qPrintable(run.out));
    QCOMPARE(CliFixture::writes(), QStringList());
    QCOMPARE(orvex_sim::parametersAppliedCount(), 0);
    // A profile found wrong before any camera is opened leaves the journal empty.
    if (!arguments.contains("SIM3"))
        QCOMPARE(sent(), QStringList());
}

// The window's three Apply buttons and a full profile's apply send the same operations in the
// same order, and report them in the same words.
void CliTest::applySendsInTheWindowsBulkOrder()
{
    QStringList windowWrites;
    QStringList windowReports;
    {
        WindowFixture window;
        window.connectCamera();
        orvex_sim::clearJournal();
        window.clearLog();
        for (const char* apply : {"ApplyParamsUser", "ApplyParamsExpert", "ApplyParamsIA"})
            window.invoke(apply);
        windowWrites = CliFixture::writes(false);
        for (const QString& line : window.logLines()) {
            if (line.endsWith(" OK") || line.endsWith(" KO"))
                windowReports.append("SIM2: " + line);
        }
    }
    CliFixture f;
    QCOMPARE(f.run({"read", "--port", "SIM2", "-o", "%1/full.ini"}).status, 0);
    orvex_sim::clearJournal();
    const Run apply = f.run({"apply", "--port", "SIM2", "%1/full.ini"});
    QCOMPARE(apply.status, 0);
    QCOMPARE(CliFixture::writes(false), windowWrites);
    QCOMPARE(apply.out, windowReports.join('\n') + '\n');
}

// What each command sends and says, whole: a refusal does not stop the rest, a field of a record
// keeps the camera's other fields, a read-back that is refused confirms nothing. Every report is
// also an SDK log record.
void CliTest::cameraGetsExactlyWhatWasAsked_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("reports");
    QTest::addColumn<QStringList>("writes");
    QTest::addColumn<int>("applied"); // notifyParametersApplied calls
    addRow(
        "refused setting is KO and the rest is sent",
        QStringList{"set", "--port", "SIM3", "columnCorrection=false", "verticalFlip=true",
                    "horizontalFlip=true", "--verify"},
        1,
        QStringList{"SIM3: Set IMAGE horizontal FLIP value OK",
                    "SIM3: Set IMAGE vertical FLIP value KO",
                    "SIM3: Set column correction value OK",
                    "SIM3: verticalFlip differs: profile true, camera false"},
        QStringList{"setHorizontalFlip true", "setVerticalFlip true", "setColumnCorrection false"},
        1);
    addRow("zoom field", QStringList{"set", "--port", "SIM1", "zoomFactor=4"}, 0,
           QStringList{"SIM1: Configure Zoom OK"}, QStringList{"setZoom 4,640,512,1"}, 1);
    addRow("IA field", QStringList{"set", "--port", "SIM1", "iaSensitivity=60"}, 0,
           QStringList{"SIM1: Set IA config OK"}, QStringList{"setIaConfiguration 1,77,60,45,0"},
           1);
    addRow("NUC now", QStringList{"nuc", "--port", "SIM1"}, 0, QStringList{"SIM1: NUC applied"},
           QStringList{"requestNuc 0"}, 0);
    addRow("NUC routine", QStringList{"nuc", "--port", "SIM1", "--auto"}, 0,
           QStringList{"SIM1: NUC applied"}, QStringList{"requestNuc 1"}, 0);
    addRow("serial number", QStringList{"serial", "--port", "SIM1", "4294967295"}, 0,
           QStringList{"SIM1: Serial number set"}, QStringList{"setSerialNumber 4294967295"}, 0);
    addRow("serial number 0", QStringList{"serial", "--port", "SIM1", "0"}, 0,
           QStringList{"SIM1: Serial number set"}, QStringList{"setSerialNumber 0"}, 0);
    addRow("GMS refused before other expert settings",
           QStringList{"set", "--port", "SIM2", "gms=2000", "bpr=true"}, 1,
           QStringList{"SIM2: Set GMS value KO", "SIM2: Set BPR correction value OK",
                       "SIM2: Problem transmitting expert parameters values"},
           QStringList{"setGms 2000", "setBprCorrection true"}, 0);
    addRow("first camera unreachable",
           QStringList{"set", "--port", "COM9", "--port", "SIM2", "gamma=1.5"}, 3,
           QStringList{"SIM2: Set GAMMA value OK"}, QStringList{"setGamma 98304"}, 1);
    addRow(
        "temperatures refused, asked once",
        QStringList{"temps", "--port", "SIM1", "--port", "SIM3", "--watch", "0.1", "--count", "3"},
        1,
        QStringList{"SIM1: FPGA temperature = 45 C, sensor temperature = 32.5 C",
                    "SIM3: Unable to read temperatures",
                    "SIM1: FPGA temperature = 45 C, sensor temperature = 32.5 C",
                    "SIM1: FPGA temperature = 45 C, sensor temperature = 32.5 C"},
        QStringList(), 0);
    addRow("unconfirmed", QStringList{"set", "--port", "SIM3", "roiY2=500", "--verify"}, 1,
           QStringList{"SIM3: Set ROI Y2 value OK", "SIM3: Unable to read roiY2"},
           QStringList{"setRoiY2 500"}, 1);
}

void CliTest::cameraGetsExactlyWhatWasAsked()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QStringList, reports);
    QFETCH(QStringList, writes);
    QFETCH(int, applied);
    CliFixture f;
    const Run run = f.run(arguments);
    QCOMPARE(run.status, status);
    QCOMPARE(run.out, reports.join('\n') + '\n');
    QCOMPARE(CliFixture::writes(), writes);
    QCOMPARE(orvex_sim::parametersAppliedCount(), applied);
    QStringList logged;
    for (const SdkRecord& record : sdkRecords()) {
        if (record.level == 2)
            logged.append(record.text);
    }
    QCOMPARE(logged.mid(logged.size() - reports.size()), reports);
}

// Standard output carries the profile alone; a value the camera would not give is left out,
// and one that apply would not take is kept as read; either is said on standard error.
void CliTest::readLeavesOutWhatTheCameraWouldNotGive_data()
{
    QTest::addColumn<Setup>("setup"); // of SIM1
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said"); // on standard error, whole
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value"); // in the profile; empty: left out
    const auto refuse = [](const char* operation) {
        return Setup([operation] { orvex_sim::faults("SIM1").refused.insert(operation); });
    };
    addRow("refused value", refuse("getGamma"), 1, "SIM1: Unable to read gamma\n", "gamma", "");
    addRow("refused bound", refuse("getRoiY2"), 1, "SIM1: Unable to read roiY2\n", "roiY2", "");
    addRow("refused zoom", refuse("getZoom"), 1, "SIM1: Unable to read zoom settings\n",
           "zoomFactor", "");
    addRow("refused IA", Setup([] { orvex_sim::faults("SIM1").iaReadStatus = 0; }), 1,
           "SIM1: Unable to read IA configuration\n", "iaMaxBoxes", "");
    addRow("IA read status 2", Setup([] { orvex_sim::faults("SIM1").iaReadStatus = 2; }), 1,
           "SIM1: Unable to read IA configuration\n", "iaMaxBoxes", "");
    addRow("six digits", Setup([] {}), 0, "", "sharpening", "0.304688");
    addRow("zero that is a value", Setup([] { orvex_sim::settings("SIM1").clhe = 0; }), 0, "",
           "clhe", "0");
    addRow("beyond the limits", Setup([] { orvex_sim::settings("SIM1").gfid = 2000; }), 0,
           "SIM1: [expert] gfid = \"2000\" is outside 0 to 1000; written as read, though apply "
           "does not take it\n",
           "gfid", "2000");
    addRow("roi out of order", Setup([] {
               orvex_sim::settings("SIM1").roiY1 = 600;
               orvex_sim::settings("SIM1").roiY2 = 500;
           }),
           0,
           "SIM1: [user] roiY1 = 600 is above roiY2 = 500; a region of interest needs roiY1 at "
           "most roiY2; written as read, though apply does not take it\n",
           "roiY1", "600");
}

void CliTest::readLeavesOutWhatTheCameraWouldNotGive()
{
    QFETCH(Setup, setup);
    QFETCH(int, status);
    QFETCH(QString, said);
    QFETCH(QString, key);
    QFETCH(QString, value);
    CliFixture f;
    setup();
    const Run run = f.run({"read", "--port", "SIM1"});
    QCOMPARE(run.status, status);
    QCOMPARE(run.err, said);
    const QStringList lines = run.out.split('\n');
    QVERIFY2(lines.first().startsWith("; Orvex HD camera profile"), qPrintable(run.out));
    QCOMPARE(lines.filter(QRegularExpression("^SIM1:")), QStringList());
    QCOMPARE(lines.filter(QRegularExpression("^" + key + "=")),
             value.isEmpty() ? QStringList() : QStringList{key + "=" + value});
}

// The largest files read (16 MiB), in the forms that cost most per byte, checked by the built
// program in an address space of 300 MB: what it sets aside grows with what the file holds, not
// with its lines.
void CliTest::largestInputsFitInAFewTimesTheirSize_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("said");
    const QStringList provision{"provision", "%1/big", "--dry-run"};
    addRow("CSV of blank lines", QByteArray("\n"), provision, "holds no row");
}

void CliTest::largestInputsFitInAFewTimesTheirSize()
{
#if defined(Q_OS_UNIX) && !defined(__SANITIZE_ADDRESS__)
    QFETCH(QByteArray, line);
    QFETCH(QStringList, arguments);
    QFETCH(QString, said);
    CliFixture f;
    QFile big(f.path("big"));
    QVERIFY(big.open(QIODevice::WriteOnly));
    constexpr int largestFile = 16 << 20;
    QVERIFY(big.write(line.repeated(largestFile / line.size())) > 0);
    big.close();
    const Run run = f.runProgram(arguments, QString(), {"prlimit", "--as=300000000"});
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.contains(said), qPrintable(run.err));
#else
    QSKIP("the address space is limited by a POSIX call, and an address sanitizer needs it all");
#endif
}

// The built program, its output going where it cannot be written.
void CliTest::outputThatCannotBeWrittenIsAnError_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("standardOutput");
    QTest::addColumn<QString>("said");
    const QString full = QStringLiteral("%1/full");
    const QString lost = QStringLiteral("orvexhd-cli: standard output could not be written");
    addRow("ports", QStringList{"ports"}, full, lost);
    addRow("profile", QStringList{"read", "--port", "SIM1"}, full, lost);
    addRow("JSON", QStringList{"info", "--port", "SIM2", "--json"}, full, lost);
    addRow("endless watch", QStringList{"temps", "--port", "SIM2", "--watch", "0.1"}, full, lost);
    addRow("help", QStringList{"read", "--help"}, full, lost);
    addRow("-o a folder", QStringList{"read", "--port", "SIM1", "-o", "%1"}, QString(),
           "cannot be written: it is a folder");
}

void CliTest::outputThatCannotBeWrittenIsAnError()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, standardOutput);
    QFETCH(QString, said);
    CliFixture f;
    if (!standardOutput.isEmpty() &&
        !makeDeviceNode(inFolder(standardOutput, f.folder()), DeviceNode::Full))
        QSKIP("no device that is always full could be made here");
    const Run run = f.runProgram(arguments, inFolder(standardOutput, f.folder()));
    QCOMPARE(run.status, 4);
    QVERIFY2(run.err.contains(said), qPrintable(run.err));
}

// A FIFO named by -o is written into: its reader gets the profile, and it stays a FIFO.
void CliTest::profileGoesIntoAFifoWithoutReplacingIt()
{
#ifdef Q_OS_UNIX
    CliFixture f;
    const QString fifo = f.path("profile.fifo");
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QProcess reader;
    reader.start("cat", {fifo});
    QVERIFY(reader.waitForStarted());
    const Run run = f.runProgram({"read", "--port", "SIM1", "-o", fifo});
    if (!reader.waitForFinished(5000))
        reader.kill();
    QCOMPARE(run.status, 0);
    QVERIFY(reader.readAllStandardOutput().startsWith("; Orvex HD camera profile"));
    QVERIFY(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
    // The reader may be standard output's own (-o /dev/stdout): the reports keep out of it.
    QCOMPARE(run.out, QString());
    QVERIFY2(run.err.contains("SIM1: profile written to"), qPrintable(run.err));
#else
    QSKIP("FIFOs are made by a POSIX call");
#endif
}

// With --dry-run the ports named and the cameras of a CSV have nothing to do: none is opened.
void CliTest::dryRunOpensNoCamera_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("said");
    addRow("set without a port", QStringList{"set", "sharpening=0.5", "gamma=2"},
           "would send gamma = 2 with setGamma (131072)\nwould send sharpening = 0.5 with "
           "setSharpening (128)\n");
    addRow("values between two counts", QStringList{"set", "gamma=1.3", "sharpening=0.3"},
           "would send gamma = 1.29999 with setGamma (85196)\nwould send sharpening = 0.296875 "
           "with setSharpening (76)\n");
    addRow("a count of ten digits", QStringList{"set", "gms=4294967295"},
           "would send gms = 4294967295 with setGms (4294967295)\n");
    addRow("set", QStringList{"set", "--port", "SIM1", "iaSensitivity=3"},
           "would send iaSensitivity = 3 with setIaConfiguration (3)\n");
    addRow("apply to a camera it does not fit",
           QStringList{"apply", "--port", "SIM3", "--port", "SIM1", "%1/p.ini", "--verify"},
           "would send gamma = 1.5 with setGamma (98304)\nwould send iaMaxBoxes = 5 with "
           "setIaConfiguration (5)\n");
    addRow("provision", QStringList{"provision", "%1/rows.csv", "--force-serial"},
           "Checked 2 rows and their profiles; nothing was sent:\nline  port  serial  profile\n"
           "1     SIM1  1       p.ini\n2     SIM3  2       -\n");
    // A column is no wider than 60 for a cell far wider: a CSV of one such cell and many rows
    // would else be printed as wide as that cell, row after row.
    const QString wide(1000, 'P');
    addRow("provision, a port far too long", QStringList{"provision", "%1/wide.csv"},
           "Checked 2 rows and their profiles; nothing was sent:\nline  port" + QString(58, ' ') +
               "serial  profile\n1     " + wide + "  1       -\n2     SIM1" + QString(58, ' ') +
               "2       -\n");
}

void CliTest::dryRunOpensNoCamera()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, said);
    CliFixture f;
    f.write("p.ini", "[user]\n\tgamma = 1.5\n[ia]\niaMaxBoxes=5\n"); // a tab is a blank
    f.write("rows.csv", "\"SIM1\",1,\"p.ini\"\nSIM3,2\n");
    f.write("wide.csv", QString(1000, 'P') + ",1\nSIM1,2\n");
    const Run run = f.run(arguments + QStringList{"--dry-run"});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, said);
    QCOMPARE(sent(), QStringList());
}

// Each row's result in the summary, and what reached its camera: nothing for a row whose profile
// does not fit, the work up to the failure for a camera that went away.
void CliTest::provisionReportsEachRowAsItWent_data()
{
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("result"); // the row in the summary table, its blanks simplified
    QTest::addColumn<QStringList>("writes");
    const QStringList none;
    const auto script = [](const char* port, std::map<std::string, std::deque<bool>> answers) {
        return Setup([=] { orvex_sim::faults(port).scriptedAnswers = answers; });
    };
    addRow("fits", "SIM2,8,line.ini", none, Setup([] {}), 0, "1 SIM2 8 line.ini OK",
           QStringList{"setSerialNumber 8", "setGamma 98304", "setVerticalFlip true"});
    addRow("profile does not fit", "SIM3,7,ia.ini", none, Setup([] {}), 2,
           "1 SIM3 7 ia.ini not provisioned: the profile has [ia] settings", QStringList());
    addRow("refused serial number", "SIM2,8,line.ini", none,
           script("SIM2", {{"setSerialNumber", {false}}}), 1,
           "1 SIM2 8 line.ini KO: refused or differing",
           QStringList{"setSerialNumber 8", "setGamma 98304", "setVerticalFlip true"});
    addRow("read back differs", "SIM2,8,line.ini", none,
           Setup([] { orvex_sim::faults("SIM2").refused.insert("getVerticalFlip"); }), 1,
           "1 SIM2 8 line.ini KO: refused or differing",
           QStringList{"setSerialNumber 8", "setGamma 98304", "setVerticalFlip true"});
    addRow("serial number read back differs", "SIM2,8", none,
           Setup([] { orvex_sim::faults("SIM2").refused.insert("getSerialNumber"); }), 1,
           "1 SIM2 8 - KO: refused or differing", QStringList{"setSerialNumber 8"});
    addRow("gone after a refusal", "SIM2,8,line.ini", none,
           script("SIM2", {{"setGamma", {false}}, {"getFirmwareVersions", {true, false}}}), 3,
           "1 SIM2 8 line.ini unreachable: the camera no longer answers",
           QStringList{"setSerialNumber 8", "setGamma 98304"});
    addRow("gone at the serial number", "SIM2,8,line.ini", none,
           script("SIM2", {{"setSerialNumber", {false}}, {"getFirmwareVersions", {true, false}}}),
           3, "1 SIM2 8 line.ini unreachable: the camera no longer answers",
           QStringList{"setSerialNumber 8"});
    addRow("port gone", "SIM2,8,line.ini", none, Setup([] {
               orvex_sim::faults("SIM2").scriptedAnswers = {{"setVerticalFlip", {false}},
                                                            {"getFirmwareVersions", {true, false}}};
               ports::setEnumerator([listed = false]() mutable {
                   QStringList ports = simulatedPortNames();
                   if (std::exchange(listed, true))
                       ports.removeAll("SIM2");
                   return ports;
               });
           }),
           3, "1 SIM2 8 line.ini unreachable: the camera no longer answers: its port is gone",
           QStringList{"setSerialNumber 8", "setGamma 98304", "setVerticalFlip true"});
    addRow("forced serial number", "SIM2,9", QStringList{"--force-serial"}, Setup([] {}), 0,
           "1 SIM2 9 - OK",
           QString("setSerialNumber 9,").repeated(18).split(',', Qt::SkipEmptyParts));
    std::deque<bool> lastAttemptRefused(17, true);
    lastAttemptRefused.push_back(false);
    addRow("forced serial number, last attempt refused", "SIM2,9", QStringList{"--force-serial"},
           script("SIM2", {{"setSerialNumber", lastAttemptRefused}}), 1,
           "1 SIM2 9 - KO: refused or differing",
           QString("setSerialNumber 9,").repeated(18).split(',', Qt::SkipEmptyParts));
    addRow("serial number 0", "SIM2,0", none, Setup([] {}), 0, "1 SIM2 0 - OK",
           QStringList{"setSerialNumber 0"});
}

void CliTest::provisionReportsEachRowAsItWent()
{
    QFETCH(QString, rows);
    QFETCH(QStringList, options);
    QFETCH(Setup, setup);
    QFETCH(int, status);
    QFETCH(QString, result);
    QFETCH(QStringList, writes);
    CliFixture f;
    f.write("line.ini", lineProfile);
    f.write("ia.ini", "[user]\ngamma=1.5\n[ia]\niaMaxBoxes=5\n");
    f.write("rows.csv", rows);
    setup();
    const Run run = f.run(QStringList{"provision", "%1/rows.csv"} + options);
    QCOMPARE(run.status, status);
    QVERIFY2(run.out.section("\n", -2).simplified().startsWith(result), qPrintable(run.out));
    QVERIFY2(run.out.contains(QStringLiteral("Provisioned %1 of 1 cameras:").arg(status ? 0 : 1)),
             qPrintable(run.out));
    QCOMPARE(CliFixture::writes(), writes);
}

void CliTest::provisionGoesOnPastAnUnpluggedCamera()
{
    CliFixture f;
    f.write("line.ini", lineProfile);
    f.write("rows.csv", "port,serial,profile\nSIM1,30001,line.ini\n# spare\nSIM2,30002,line.ini\n"
                        "SIM3,30003\n");
    orvex_sim::unplug("SIM2");

    const Run run = f.run({"provision", "%1/rows.csv"});
    QCOMPARE(run.status, 3);
    QCOMPARE(orvex_sim::settings("SIM1").serialNumber, 30001u);
    QCOMPARE(orvex_sim::settings("SIM1").gamma, 98304u);
    QVERIFY(orvex_sim::settings("SIM1").verticalFlip);
    QCOMPARE(orvex_sim::settings("SIM3").serialNumber, 30003u);
    QCOMPARE(orvex_sim::settings("SIM2").serialNumber, 12345u);
    QVERIFY(run.err.contains("SIM2: no such port"));
    const QStringList table = run.out.section("Provisioned 2 of 3 cameras:\n", 1).split('\n');
    QCOMPARE(
        table.mid(0, 4),
        (QStringList{"line  port  serial  profile   result", "2     SIM1  30001   line.ini  OK",
                     "4     SIM2  30002   line.ini  unreachable: no such port",
                     "5     SIM3  30003   -         OK"}));
}

// A camera that stops answering part way reads false and 0, which pass for values: what it did
// not say is not reported as its own, and nothing is called verified.
void CliTest::cameraGoneMidRunIsUnreachable_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("unanswered"); // of SIM1, after which the version read fails too
    QTest::addColumn<QString>("out");
    addRow("info", QStringList{"info", "--port", "SIM1"}, "getSerialNumber", "");
    addRow("read", QStringList{"read", "--port", "SIM1"}, "getGainCorrection", "");
    addRow("verify", QStringList{"set", "--port", "SIM1", "polarity=false", "--verify"},
           "getPolarity", "SIM1: Set POLARITY value OK\n");
}

void CliTest::cameraGoneMidRunIsUnreachable()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, unanswered);
    QFETCH(QString, out);
    CliFixture f;
    orvex_sim::faults("SIM1").scriptedAnswers = {{unanswered.toStdString(), {false}},
                                                 {"getFirmwareVersions", {true, false}}};
    const Run run = f.run(arguments);
    QCOMPARE(run.status, 3);
    QCOMPARE(run.out, out);
    QCOMPARE(run.err, QString("orvexhd-cli: SIM1: the camera no longer answers\n"));
}

void CliTest::jsonOutputParses_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("objects");
    QTest::addColumn<QString>("field"); // of the last object; empty: the whole object
    QTest::addColumn<QString>("value");
    addRow("ports", QStringList{"ports"}, 1, "ports", "SIM1,SIM2,SIM3,SIM4");
    addRow("info", QStringList{"info", "--port", "SIM1", "--port", "SIM2"}, 2, "riscvVersion",
           "0.0.0.0");
    addRow("info temperature", QStringList{"info", "--port", "SIM1"}, 1, "sensorTemperature",
           "32.5 C");
    addRow("info without a shutter or temperatures", QStringList{"info", "--port", "SIM3"}, 1, "",
           "{\"cameraType\":3,\"fpgaVersion\":\"0.2.4.0\",\"port\":\"SIM3\",\"reports\":["
           "\"Camera SDK = simulated cameras\",\"Camera type = 3\",\"RISC-V version = 1.f.a.8\","
           "\"FPGA version = 0.2.4.0\",\"Serial number = 12345\",\"Shutter = absent\","
           "\"Unable to read temperatures\"],\"riscvVersion\":\"1.f.a.8\","
           "\"sdk\":\"simulated cameras\",\"serialNumber\":12345,\"shutter\":false,\"status\":1}");
    addRow("read", QStringList{"read", "--port", "SIM2"}, 1, "status", "0");
    addRow("apply", QStringList{"apply", "--port", "SIM2", "%1/p.json"}, 1, "reports",
           "Set GAMMA value OK,Set IMAGE vertical FLIP value OK");
    addRow("set refused", QStringList{"set", "--port", "SIM3", "verticalFlip=true"}, 1, "status",
           "1");
    addRow("dry run", QStringList{"set", "gamma=2", "--dry-run"}, 1, "dryRun", "true");
    addRow("serial", QStringList{"serial", "--port", "SIM2", "4294967295"}, 1, "reports",
           "Serial number set");
    addRow("nuc", QStringList{"nuc", "--port", "SIM1", "--auto"}, 1, "reports", "NUC applied");
    addRow("temperature of six digits", QStringList{"temps", "--port", "SIM2"}, 1,
           "sensorTemperature", "32.5125 C");
    addRow("temps, one reading whole", QStringList{"temps", "--port", "SIM1"}, 1, "",
           "{\"fpgaCelsius\":45,\"fpgaTemperature\":\"45 C\",\"port\":\"SIM1\",\"reading\":1,"
           "\"sensorCelsius\":32.5,\"sensorTemperature\":\"32.5 C\"}");
    addRow("temps", QStringList{"temps", "--port", "SIM1", "--watch", "0.1", "--count", "3"}, 3,
           "fpgaTemperature", "45 C");
    addRow("unreachable", QStringList{"temps", "--port", "SIM4"}, 1, "error",
           "the camera does not answer");
    addRow("provision", QStringList{"provision", "%1/rows.csv"}, 3, "summary",
           "{\"interrupted\":false,\"provisioned\":2,\"rows\":2,\"status\":0}");
}

void CliTest::jsonOutputParses()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, objects);
    QFETCH(QString, field);
    QFETCH(QString, value);
    CliFixture f;
    f.write("p.json", "{\"user\":{\"gamma\":1.5,\"verticalFlip\":true}}");
    // A header in capitals, blanks around the fields.
    f.write("rows.csv", "Port,Serial,Profile\nSIM1 , 1 , p.json\nSIM2,2\n");

    const Run run = f.run(arguments + QStringList{"--json"});
    const QList<QJsonObject> parsed = jsonLines(run.out);
    QCOMPARE(parsed.size(), objects);
    const QJsonValue last =
        field.isEmpty() ? QJsonValue(parsed.last()) : parsed.last().value(field);
    const QString shown =
        last.isArray() ? last.toVariant().toStringList().join(',')
        : last.isObject()
            ? QString::fromUtf8(QJsonDocument(last.toObject()).toJson(QJsonDocument::Compact))
            : last.toVariant().toString();
    QCOMPARE(shown, value);
}

void CliTest::exitStatusSaysWhatWentWrong_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said"); // on standard output or error
    addRow("help", QStringList{"apply", "--help"}, 0, "Usage: orvexhd-cli apply --port P...");
    addRow("settings listed", QStringList{"set", "--help"}, 0,
           "expert.gsk                  whole, -5 to 3");
    addRow("no command", QStringList(), 2, "no command given");
    addRow("unknown command", QStringList{"flash"}, 2, "flash is not a command");
    addRow("no port", QStringList{"info"}, 2, "info: --port is required");
    addRow("no port for one", QStringList{"nuc"}, 2, "nuc: --port is required");
    addRow("unknown option", QStringList{"nuc", "--port", "SIM1", "--now"}, 2,
           "Unknown option 'now'");
    addRow("two ports for one", QStringList{"nuc", "--port", "SIM1", "--port", "SIM2"}, 2,
           "nuc: takes one --port");
    addRow("serial too big", QStringList{"serial", "--port", "SIM1", "4294967296"}, 2,
           "is not a whole number from 0 to 4294967295");
    addRow("GMS refused", QStringList{"set", "--port", "SIM2", "gms=2000", "gfid=7"}, 1,
           "SIM2: Set GMS value KO\nSIM2: Problem transmitting expert parameters values\n");
    addRow("roi bound at the camera's", QStringList{"set", "--port", "SIM3", "roiX1=600"}, 0,
           "SIM3: Set ROI X1 value OK");
    addRow("roi bounds equal",
           QStringList{"set", "--port", "SIM1", "--dry-run", "roiY1=500", "roiY2=500"}, 0,
           "would send roiY2 = 500");
    addRow("port named twice", QStringList{"temps", "--port", "SIM1", "--port", "SIM1"}, 2,
           "temps: --port SIM1 is named twice");
    addRow("port without a name", QStringList{"info", "--port", "SIM1", "--port", ""}, 2,
           "info: --port needs a port name");
    addRow("output twice",
           QStringList{"read", "--port", "SIM1", "-o", "%1/a.ini", "--output=%1/b.ini"}, 2,
           "read: --output is given twice");
    addRow("port named twice for one",
           QStringList{"serial", "--port", "SIM2", "--port", "SIM2", "5"}, 2,
           "serial: --port SIM2 is named twice");
    addRow("-o for two ports",
           QStringList{"read", "--port", "SIM1", "--port", "SIM2", "-o", "%1/p.ini"}, 2,
           "read: -o writes one camera's profile: name one --port");
    addRow("longest watch, one reading",
           QStringList{"temps", "--port", "SIM1", "--watch", "86400", "--count", "1"}, 0,
           "SIM1: FPGA temperature = 45 C, sensor temperature = 32.5 C");
    addRow("busy watch",
           QStringList{"temps", "--port", "SIM1", "--watch", "0.0001", "--count", "2"}, 2,
           "--watch takes seconds from 0.1 to 86400");
    addRow("no such port", QStringList{"info", "--port", "SIM1", "--port", "COM9"}, 3,
           "COM9: no such port");
    addRow("no such port first", QStringList{"info", "--port", "COM9", "--port", "SIM1"}, 3,
           "COM9: no such port");
    addRow("silent camera", QStringList{"read", "--port", "SIM4"}, 3,
           "SIM4: the camera does not answer");
    addRow("refused NUC", QStringList{"nuc", "--port", "SIM3", "--auto"}, 1,
           "SIM3: Error on processing the NUC request");
    addRow("forced serial", QStringList{"serial", "--port", "SIM3", "7", "--force"}, 0,
           "SIM3: Force Serial number OK");
}

void CliTest::exitStatusSaysWhatWentWrong()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, said);
    CliFixture f;
    const Run run = f.run(arguments);
    QCOMPARE(run.status, status);
    QVERIFY2((run.out + run.err).contains(said), qPrintable(run.out + run.err));
}

// A watch reads no sooner than asked: faster, it would only keep the camera busy.
void CliTest::watchWaitsItsInterval()
{
    CliFixture f;
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(f.run({"temps", "--port", "SIM1", "--watch", "0.1", "--count", "3"}).status, 0);
    QVERIFY2(clock.elapsed() >= 200, qPrintable(QString::number(clock.elapsed())));
}

// Over a serial link each question to a camera gone would wait out its timeout.
void CliTest::cameraGoneMidReadIsAskedNothingMore()
{
    CliFixture f;
    orvex_sim::faults("SIM1").scriptedAnswers = {{"getGamma", {false}},
                                                 {"getFirmwareVersions", {true, false}}};
    QCOMPARE(f.run({"read", "--port", "SIM1"}).status, 3);
    const QStringList operations = sent();
    QCOMPARE(operations.mid(operations.indexOf("getGamma")),
             (QStringList{"getGamma", "getFirmwareVersions"}));
}

// The form's ranges, and the configuration's expert limits that the window puts on its expert
// controls, are the ranges the profile checks allow.
void CliTest::tableRangesAreTheWindowsRanges()
{
    WindowFixture f("[expert]\ngskMin=2\ngskMax=7\ngfidMin=10\ngfidMax=900\ntintMin=1\n"
                    "tintMax=5\n");
    const QMap<QString, QString> controls{{"gamma", "gammaEdit"},
                                          {"clhe", "clheEdit"},
                                          {"sharpening", "sharpeningEdit"},
                                          {"roiX1", "x1RoiEdit"},
                                          {"roiY1", "y1RoiEdit"},
                                          {"roiX2", "x2RoiEdit"},
                                          {"roiY2", "y2RoiEdit"},
                                          {"zoomFactor", "factorZoomEdit"},
                                          {"zoomMethod", "methodZoomEdit"},
                                          {"zoomXCenter", "xCenterZoomEdit"},
                                          {"zoomYCenter", "yCenterZoomEdit"},
                                          {"contrastType", "contrastTypeEdit"},
                                          {"gsk", "gskEdit"},
                                          {"gfid", "gfidEdit"},
                                          {"tint", "tintEdit"},
                                          {"gms", "gmsEdit"},
                                          {"iaResizeMode", "iAResizeModeComboBox"},
                                          {"iaMaxBoxes", "nbBoxesSpinBox"},
                                          {"iaSensitivity", "iASensitivitySpinBox"},
                                          {"iaInterOverUnion", "interOverUnionSpinBox"},
                                          {"iaOutputType", "iAOutputTypeComboBox"}};
    constexpr double largestCount = std::numeric_limits<std::uint32_t>::max();
    for (const camera::Setting& setting : camera::settings()) {
        if (setting.kind == camera::Kind::Switch)
            continue;
        const QString key = QLatin1String(setting.key);
        QVERIFY2(controls.contains(key), qPrintable(key));
        QWidget* control = f.window().findChild<QWidget*>(controls.value(key));
        double minimum = 0.0;
        double maximum = 0.0;
        if (auto* box = qobject_cast<QDoubleSpinBox*>(control)) {
            minimum = box->minimum();
            maximum = std::min(box->maximum(), largestCount);
        } else if (auto* box = qobject_cast<QSpinBox*>(control)) {
            minimum = box->minimum();
            maximum = box->maximum();
        } else if (auto* list = qobject_cast<QComboBox*>(control)) {
            maximum = list->count() - 1;
        }
        const camera::Range range = camera::allowedRange(setting, orvex_sim::configuration());
        QCOMPARE(range.minimum, minimum);
        QCOMPARE(range.maximum, maximum);
    }
}

// The built program, run twice at once on two cameras that remember through one state file:
// each run's changes survive the other's.
void CliTest::twoProgramsAtOnceKeepEachOthersChanges()
{
    CliFixture f("[sdk]\ncameras=SIM1,SIM2\nstateFile=state.ini\n");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("ORVEX_SDK_CONFIG", f.path("sdk.ini"));
    const auto start = [&](QProcess& program, const QStringList& arguments) {
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(ORVEX_CLI_EXECUTABLE), arguments);
    };
    for (int round = 0; round < 3; ++round) {
        QProcess programs[2];
        for (int camera = 0; camera < 2; ++camera)
            start(programs[camera],
                  {"set", "--port", QStringLiteral("SIM%1").arg(camera + 1),
                   QStringLiteral("clhe=%1").arg(100 * (camera + 1) + round), "gamma=1.5",
                   "sharpening=1", "roiX1=10", "roiY1=10", "polarity=true", "gsk=3"});
        for (QProcess& program : programs) {
            QVERIFY(program.waitForFinished(60000));
            QCOMPARE(program.exitCode(), 0);
        }
    }
    QProcess reader;
    start(reader, {"read", "--port", "SIM1", "--port", "SIM2", "--json"});
    QVERIFY(reader.waitForFinished(60000));
    QCOMPARE(reader.readAllStandardError(), QByteArray());
    const QList<QJsonObject> profiles =
        jsonLines(QString::fromUtf8(reader.readAllStandardOutput()));
    QCOMPARE(profiles.size(), 2);
    for (int camera = 0; camera < 2; ++camera) {
        const QJsonObject user =
            profiles.at(camera).value("profile").toObject().value("user").toObject();
        QCOMPARE(user.value("clhe").toInt(), 100 * (camera + 1) + 2);
        QCOMPARE(user.value("polarity").toBool(), true);
    }
}

// Asked to stop, a command finishes the camera operation in hand, begins nothing more and says what
// it left undone; work left undone counts as refused.
void CliTest::interruptedRunSaysWhatWasLeftUndone_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("operation"); // the stop is asked once the journal holds it
    QTest::addColumn<int>("occurrences");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("said"); // lines of standard output or error
    QTest::addColumn<QStringList>("writes");
    const QString notBegun = "orvexhd-cli: SIM2: interrupted: this camera was not begun";
    addRow("apply, part way",
           QStringList{"apply", "--port", "SIM1", "--port", "SIM2", "%1/line.ini"}, "setGamma", 1,
           1,
           QStringList{"SIM1: Set GAMMA value OK",
                       "orvexhd-cli: SIM1: interrupted after 1 of 2 sends; the rest were not sent",
                       notBegun},
           QStringList{"setGamma 98304"});
    addRow(
        "provision, after a serial number", QStringList{"provision", "%1/rows.csv"},
        "setSerialNumber", 1, 1,
        QStringList{"SIM1: Serial number set",
                    "Provisioned 0 of 2 cameras before the run was interrupted:",
                    "1     SIM1  1       line.ini  interrupted after 0 of 2 sends; the rest were "
                    "not sent",
                    "2     SIM2  2       -         interrupted: this camera was not begun"},
        QStringList{"setSerialNumber 1"});
    addRow("verify not begun",
           QStringList{"set", "--port", "SIM1", "gamma=1.5", "verticalFlip=true", "--verify"},
           "setVerticalFlip", 1, 1,
           QStringList{"SIM1: Set IMAGE vertical FLIP value OK",
                       "orvexhd-cli: SIM1: interrupted: 0 of 2 settings read back; nothing was "
                       "verified"},
           QStringList{"setGamma 98304", "setVerticalFlip true"});
    addRow("read, part way", QStringList{"read", "--port", "SIM1", "--port", "SIM2"}, "getGamma", 1,
           1,
           QStringList{"orvexhd-cli: SIM1: interrupted: not every setting was read, so there is "
                       "no profile",
                       notBegun},
           QStringList());
    addRow("endless watch", QStringList{"temps", "--port", "SIM1", "--watch", "0.1"},
           "getTemperatures", 2, 0,
           QStringList{"SIM1: FPGA temperature = 45 C, sensor temperature = 32.5 C"},
           QStringList());
    addRow("counted watch",
           QStringList{"temps", "--port", "SIM1", "--watch", "0.1", "--count", "5"},
           "getTemperatures", 2, 1,
           QStringList{"orvexhd-cli: SIM1: interrupted: 2 of 5 readings taken"}, QStringList());
    addRow("apply with verify, part way, in JSON",
           QStringList{"apply", "--port", "SIM1", "%1/line.ini", "--verify", "--json"}, "setGamma",
           1, 1,
           QStringList{"{\"error\":\"interrupted after 1 of 2 sends; the rest were not sent\","
                       "\"interrupted\":true,\"port\":\"SIM1\",\"reports\":[\"Set GAMMA value "
                       "OK\"],\"status\":1}"},
           QStringList{"setGamma 98304"});
    // Asked while the camera was being opened: nothing is sent to it.
    addRow("serial, while opening", QStringList{"serial", "--port", "SIM1", "5"}, "getCameraType",
           1, 1, QStringList{"orvexhd-cli: SIM1: interrupted: this camera was not begun"},
           QStringList());
    addRow("provision, while opening", QStringList{"provision", "%1/rows.csv"}, "getCameraType", 1,
           1,
           QStringList{"1     SIM1  1       line.ini  interrupted: this camera was not begun",
                       "2     SIM2  2       -         interrupted: this camera was not begun"},
           QStringList());
    addRow("nothing left undone", QStringList{"serial", "--port", "SIM1", "5"}, "setSerialNumber",
           1, 0, QStringList{"SIM1: Serial number set"}, QStringList{"setSerialNumber 5"});
}

void CliTest::interruptedRunSaysWhatWasLeftUndone()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, operation);
    QFETCH(int, occurrences);
    QFETCH(int, status);
    QFETCH(QStringList, said);
    QFETCH(QStringList, writes);
    CliFixture f;
    f.write("line.ini", lineProfile);
    f.write("rows.csv", "SIM1,1,line.ini\nSIM2,2\n");
    const Run run = f.runStopped(arguments, operation, occurrences);
    QCOMPARE(run.status, status);
    const QStringList lines = (run.out + run.err).split('\n');
    for (const QString& line : said)
        QVERIFY2(lines.contains(line), qPrintable(run.out + run.err));
    QCOMPARE(CliFixture::writes(), writes);
    if (QByteArray(QTest::currentDataTag()) == "endless watch")
        QCOMPARE(lines.filter("SIM1: FPGA temperature").size(), 2);
}

// The built program on slow cameras, sent a signal while it works: it finishes the operation in
// hand, says what it left undone and exits 1. A second signal ends it at once.
void CliTest::signalStopsTheRunBetweenOperations_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<int>("count"); // of signals sent
    QTest::addColumn<QString>("said");
    QTest::addColumn<int>("latencyMs"); // of each camera operation: long enough for a second
#ifdef Q_OS_UNIX
    addRow("provision, interrupted", QStringList{"provision", "%1/rows.csv"}, int(SIGINT), 1,
           "before the run was interrupted:", 300);
    addRow("apply, terminated",
           QStringList{"apply", "--port", "SIM1", "--port", "SIM2", "%1/line.ini"}, int(SIGTERM), 1,
           "SIM2: interrupted", 300);
    addRow("interrupted twice", QStringList{"provision", "%1/rows.csv"}, int(SIGINT), 2, "", 1000);
    addRow("terminated twice", QStringList{"provision", "%1/rows.csv"}, int(SIGTERM), 2, "", 1000);
#endif
}

void CliTest::signalStopsTheRunBetweenOperations()
{
#ifdef Q_OS_UNIX
    QFETCH(QStringList, arguments);
    QFETCH(int, signalNumber);
    QFETCH(int, count);
    QFETCH(QString, said);
    QFETCH(int, latencyMs);
    CliFixture f(QStringLiteral("[sdk]\ncameras=SIM1,SIM2\n[camera.SIM1]\nlatencyMs=%1\n"
                                "[camera.SIM2]\nlatencyMs=%1\n")
                     .arg(latencyMs));
    f.write("line.ini", lineProfile);
    f.write("rows.csv", "SIM1,1,line.ini\nSIM2,2,line.ini\n");
    QProcess program;
    f.start(program, arguments);
    // The first report: the program is at work on SIM1.
    while (!program.canReadLine() && program.waitForReadyRead(10000)) {
    }
    QVERIFY(program.canReadLine());
    // A report comes between two operations; a signal that lands before the next one begins stops
    // the run there, too soon for a second signal. A moment later the program is inside the next
    // operation's latency, which the second signal must cut short.
    if (count > 1)
        QThread::msleep(200);
    QCOMPARE(kill(pid_t(program.processId()), signalNumber), 0);
    // Signals sent together may arrive as one: the second goes once the first is heeded.
    QByteArray error;
    QElapsedTimer clock;
    clock.start();
    while (!error.contains("\n") && clock.elapsed() < 10000) {
        program.waitForReadyRead(50);
        error += program.readAllStandardError();
    }
    QVERIFY2(error.startsWith("orvexhd-cli: stopping after the operation in hand"), error);
    if (count > 1)
        QCOMPARE(kill(pid_t(program.processId()), signalNumber), 0);
    QVERIFY(program.state() == QProcess::NotRunning || program.waitForFinished(20000));
    if (count > 1) {
        QCOMPARE(program.exitStatus(), QProcess::CrashExit);
        return;
    }
    const QString output =
        QString::fromUtf8(program.readAllStandardOutput() + error + program.readAllStandardError());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 1);
    QVERIFY2(output.contains(said), qPrintable(output));
#else
    QSKIP("signals are POSIX's");
#endif
}

// Replacing a file that another user owns leaves it theirs: root gives the new file the old one's
// owner, group and mode; a user who may not give a file away writes into the old one instead, as
// does one who may write the file but not its folder.
void CliTest::replacedFileKeepsItsOwner_data()
{
    QTest::addColumn<bool>("asNobody");    // the program runs as nobody, else as root
    QTest::addColumn<bool>("nobodysFile"); // else root's
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("folderMode");
    addRow("root over nobody's file", false, true, 0600, 0777);
    addRow("root over nobody's set-group file", false, true, 02640, 0777);
    addRow("nobody over root's file", true, false, 0666, 0777);
    addRow("nobody's own file in root's folder", true, true, 0644, 0755);
}

void CliTest::replacedFileKeepsItsOwner()
{
#ifdef Q_OS_UNIX
    QFETCH(bool, asNobody);
    QFETCH(bool, nobodysFile);
    QFETCH(int, mode);
    QFETCH(int, folderMode);
    const passwd* nobody = getpwnam("nobody");
    if (geteuid() != 0 || !nobody)
        QSKIP("needs root, and a user nobody");
    CliFixture f;
    const QString target = f.path("t.ini");
    const QByteArray file = QFile::encodeName(target);
    f.write("t.ini", "; old\n");
    const uid_t owner = nobodysFile ? nobody->pw_uid : 0;
    const gid_t group = nobodysFile ? nobody->pw_gid : 0;
    QCOMPARE(chown(file.constData(), owner, group), 0);
    QCOMPARE(chmod(file.constData(), mode_t(mode)), 0);
    QCOMPARE(chmod(QFile::encodeName(f.folder()).constData(), mode_t(folderMode)), 0);
    const QStringList arguments{"read", "--port", "SIM1", "-o", target};
    const Run run =
        asNobody ? f.runProgram(arguments, QString(),
                                {"setpriv", "--reuid=" + QString::number(nobody->pw_uid),
                                 "--regid=" + QString::number(nobody->pw_gid), "--clear-groups"})
                 : f.run(arguments);
    QVERIFY2(run.status == 0, qPrintable(run.err));
    struct stat after = {};
    QCOMPARE(stat(file.constData(), &after), 0);
    QCOMPARE(after.st_uid, owner);
    QCOMPARE(after.st_gid, group);
    QCOMPARE(int(after.st_mode & 07777), mode);
    QFile written(target);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QVERIFY(written.readAll().startsWith("; Orvex HD camera profile"));
    QCOMPARE(QDir(f.folder()).entryList({"t.ini*"}, QDir::Files), QStringList{"t.ini"});
#else
    QSKIP("owners and modes are POSIX's");
#endif
}

// A symbolic link that another user left where -o points could aim the write at any file of the
// machine: it is followed only to a file of that user's own. The system's links (root's, such as
// /dev/stdout) are followed whoever runs the program.
void CliTest::othersLinkIsFollowedOnlyToTheirFile_data()
{
    QTest::addColumn<bool>("rootsLink");  // else nobody's, followed by root
    QTest::addColumn<int>("targetOwner"); // -1: the link leads nowhere
    QTest::addColumn<int>("status");
    addRow("to root's file", false, 0, 4);
    addRow("to no file", false, -1, 4);
    addRow("to their own file", false, 65534, 0);
    addRow("root's link, followed by nobody", true, 65534, 0);
}

void CliTest::othersLinkIsFollowedOnlyToTheirFile()
{
#ifdef Q_OS_UNIX
    QFETCH(bool, rootsLink);
    QFETCH(int, targetOwner);
    QFETCH(int, status);
    if (geteuid() != 0)
        QSKIP("needs root, to give the link away");
    CliFixture f;
    QCOMPARE(chmod(QFile::encodeName(f.folder()).constData(), 0777), 0);
    const QString target = f.path("target.ini");
    if (targetOwner >= 0) {
        f.write("target.ini", "; old\n");
        QCOMPARE(chown(QFile::encodeName(target).constData(), uid_t(targetOwner), 0), 0);
    }
    const QByteArray link = QFile::encodeName(f.path("link.ini"));
    QVERIFY(QFile::link(target, f.path("link.ini")));
    const QStringList arguments{"read", "--port", "SIM1", "-o", "%1/link.ini"};
    QCOMPARE(lchown(link.constData(), rootsLink ? 0 : 65534, rootsLink ? 0 : 65534), 0);
    const Run run =
        rootsLink ? f.runProgram(arguments, QString(),
                                 {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"})
                  : f.run(arguments);
    QCOMPARE(run.status, status);
    QFile written(target);
    QCOMPARE(written.open(QIODevice::ReadOnly) && written.readAll() != "; old\n", status == 0);
    if (status != 0)
        QVERIFY2(run.err.contains("link.ini cannot be written: it is another user's symbolic "
                                  "link, to a file that is not theirs or to none"),
                 qPrintable(run.err));
#else
    QSKIP("owners are POSIX's");
#endif
}

void CliTest::transcriptsAreAsRecorded_data()
{
    QTest::addColumn<QString>("file");
    const QDir folder(QFINDTESTDATA("cli-transcripts"));
    const QStringList files = folder.entryList({QStringLiteral("*.txt")}, QDir::Files);
    QVERIFY2(!files.isEmpty(), qPrintable(folder.path()));
    for (const QString& name : files)
        QTest::newRow(qPrintable(name)) << folder.filePath(name);
}

// Each "$ orvexhd-cli ..." line of the file is run afresh, and the whole file must come out as it
// stands; "#" lines are kept as they are.
void CliTest::transcriptsAreAsRecorded()
{
    QFETCH(QString, file);
    QFile recorded(file);
    QVERIFY(recorded.open(QIODevice::ReadOnly));
    const QString expected = QString::fromUtf8(recorded.readAll());
    recorded.close();
    const QTemporaryDir probe;
    if (expected.contains(QLatin1String("%1/full")) &&
        !makeDeviceNode(probe.filePath(QStringLiteral("full")), DeviceNode::Full))
        QSKIP("making a device node needs root");
    const QMap<QString, QByteArray> inputs =
        filesIn(QFileInfo(file).dir().filePath(QStringLiteral("inputs")));
    QString actual;
    for (const QString& line : expected.split('\n')) {
        if (line.startsWith('#'))
            actual += line + '\n';
        else if (line.startsWith(QLatin1String("$ orvexhd-cli")))
            actual += transcript(inputs, line.mid(13).trimmed()) + '\n';
    }
    if (qEnvironmentVariableIntValue("ORVEX_UPDATE_TRANSCRIPTS") == 1) {
        QVERIFY(recorded.open(QIODevice::WriteOnly | QIODevice::Truncate));
        recorded.write(actual.toUtf8());
        return;
    }
    QVERIFY2(actual == expected, qPrintable(difference(expected, actual) +
                                            "ORVEX_UPDATE_TRANSCRIPTS=1 rewrites the file"));
}

QTEST_MAIN(CliTest)
#include "tst_cli.moc"
