// orvexhd-cli against several simulated cameras: profiles read from one camera reach another
// unchanged, bad input sends nothing, refusals are reported and do not stop the rest, provisioning
// goes on past an unplugged camera, and every --json output parses.
#include "commands.h"
#include "parametersteps.h"
#include "portenumeration.h"
#include "sdkrecords.h"
#include "settingstable.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSpinBox>

#include <limits>

namespace {

// SIM1 holds values a profile could lose (an odd gamma count, a zoom factor that is no short
// decimal); SIM3 has no detector, no shutter and refuses the vertical flip; SIM4 does not answer.
const char* const cameras = "[sdk]\ncameras=SIM1,SIM2,SIM3,SIM4\n"
                            "[camera.SIM1]\ngamma=85197\nsharpening=77\nzoomFactor=2.3\n"
                            "zoomMethod=1\npolarity=true\ngsk=3\niaMaxBoxes=77\n"
                            "temperatureDrift=false\nsensorTemperature=305500\n"
                            "[camera.SIM3]\ncameraType=3\nhasShutter=false\nroiX2=600\n"
                            "refused=setVerticalFlip\n"
                            "[camera.SIM4]\nsilent=true\n";

struct Run {
    int status;
    QString out;
    QString err;
};

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

    void write(const QString& name, const QString& text) const
    {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Text));
        file.write(text.toUtf8());
    }

    // "%1" in an argument stands for the fixture's folder.
    static Run run(const QString& folder, const QStringList& arguments)
    {
        Run result{-1, QString(), QString()};
        QTextStream out(&result.out);
        QTextStream err(&result.err);
        cli::Console console(out, err, false);
        QStringList words{QStringLiteral("orvexhd-cli")};
        for (const QString& argument : arguments)
            words.append(QString(argument).replace(QLatin1String("%1"), folder));
        result.status = cli::run(words, console);
        return result;
    }
    Run run(const QStringList& arguments) const { return run(dir_.path(), arguments); }

    // The journal's operations that change the camera.
    static QStringList writes()
    {
        QStringList operations;
        for (const QString& operation : sent()) {
            if (operation.startsWith(QLatin1String("set")) ||
                operation.startsWith(QLatin1String("request")))
                operations.append(operation);
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

} // namespace

class CliTest : public QObject
{
    Q_OBJECT

private slots:
    void profileFromOneCameraMakesAnotherTheSame_data();
    void profileFromOneCameraMakesAnotherTheSame();
    void badInputSendsNothing_data();
    void badInputSendsNothing();
    void refusedSettingIsKoAndTheRestIsSent();
    void provisionGoesOnPastAnUnpluggedCamera();
    void jsonOutputParses_data();
    void jsonOutputParses();
    void exitStatusSaysWhatWentWrong_data();
    void exitStatusSaysWhatWentWrong();
    void tableRangesAreTheWindowsRanges();
    void twoProgramsAtOnceKeepEachOthersChanges();
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
    addRow("expert limit", "[expert]\ngsk=4\n", applyIni, "[expert] gsk = \"4\" is outside 1 to 3");
    addRow("gms beyond 32 bits", "[expert]\ngms=4294967296\n", applyIni,
           "is outside 0 to 4294967295");
    addRow("roi out of order", "[user]\nroiY1=600\nroiY2=500\n", applyIni,
           "[user] roiY1 = 600 is above roiY2 = 500");
    addRow("no setting", "; nothing\n", applyIni, "bad.ini: holds no setting");
    addRow("missing file", "", applyIni, "bad.ini: no such file");
    addRow("JSON syntax", "{\"user\":", applyJson, "bad.json: is not valid JSON");
    addRow("JSON type", "{\"user\":{\"polarity\":1}}", applyJson,
           "[user] polarity = 1 is not true or false");
    addRow("set range", "", QStringList{"set", "--port", "SIM2", "gamma=1", "gamma=0.4"},
           "set: gamma = \"0.4\" is outside 0.5 to 2.5");
    addRow("set unknown", "", QStringList{"set", "--port", "SIM2", "brightness=3"},
           "brightness is not a known setting");
    addRow("ia without detector", "[user]\ngamma=1\n[ia]\niaMaxBoxes=5\n",
           QStringList{"apply", "--port", "SIM3", "%1/bad.ini"}, "SIM3: the profile has [ia]");
    addRow("lone roi bound", "[user]\nroiX1=700\n",
           QStringList{"apply", "--port", "SIM3", "%1/bad.ini"},
           "gives roiX1 = 700 above roiX2 = 600");
    addRow("expert mode off", "[expert]\ngsk=2\n", applyIni,
           "[expert] settings need the SDK's expert mode");
}

void CliTest::badInputSendsNothing()
{
    QFETCH(QString, content);
    QFETCH(QStringList, arguments);
    QFETCH(QString, problem);
    CliFixture f;
    if (!content.isEmpty())
        f.write(arguments.last().endsWith("json") ? "bad.json" : "bad.ini", content);
    orvex_sim::setExpertMode(QByteArray(QTest::currentDataTag()) != "expert mode off");

    const Run run = f.run(arguments);
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.contains(problem), qPrintable(run.err));
    QVERIFY(run.out.isEmpty());
    QCOMPARE(CliFixture::writes(), QStringList());
    QCOMPARE(orvex_sim::parametersAppliedCount(), 0);
    // A profile found wrong before any camera is opened leaves the journal empty.
    if (!arguments.contains("SIM3"))
        QCOMPARE(sent(), QStringList());
}

void CliTest::refusedSettingIsKoAndTheRestIsSent()
{
    CliFixture f;
    const Run run = f.run({"set", "--port", "SIM3", "columnCorrection=false", "verticalFlip=true",
                           "horizontalFlip=true", "--verify"});
    QCOMPARE(run.status, 1);
    const QStringList reports{"SIM3: Set IMAGE horizontal FLIP value OK",
                              "SIM3: Set IMAGE vertical FLIP value KO",
                              "SIM3: Set column correction value OK",
                              "SIM3: verticalFlip differs: profile true, camera false"};
    QCOMPARE(run.out.split('\n').mid(0, 4), reports);
    QCOMPARE(CliFixture::writes(), (QStringList{"setHorizontalFlip true", "setVerticalFlip true",
                                                "setColumnCorrection false"}));
    QCOMPARE(orvex_sim::parametersAppliedCount(), 1);
    QStringList logged;
    for (const SdkRecord& record : sdkRecords()) {
        if (record.level == 2)
            logged.append(record.text);
    }
    QCOMPARE(logged.mid(logged.size() - 4), reports);
}

void CliTest::provisionGoesOnPastAnUnpluggedCamera()
{
    CliFixture f;
    f.write("line.ini", "[user]\ngamma=1.5\nverticalFlip=true\n");
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

void CliTest::jsonOutputParses_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("objects");
    QTest::addColumn<QString>("field"); // of the last object
    QTest::addColumn<QString>("value");
    addRow("ports", QStringList{"ports"}, 1, "ports", "SIM1,SIM2,SIM3,SIM4");
    addRow("info", QStringList{"info", "--port", "SIM1", "--port", "SIM2"}, 2, "riscvVersion",
           "1.2.0.3");
    addRow("info temperature", QStringList{"info", "--port", "SIM1"}, 1, "sensorTemperature",
           "32.5 C");
    addRow("read", QStringList{"read", "--port", "SIM3"}, 1, "status", "0");
    addRow("apply", QStringList{"apply", "--port", "SIM2", "%1/p.json"}, 1, "reports",
           "Set GAMMA value OK,Set IMAGE vertical FLIP value OK");
    addRow("set refused", QStringList{"set", "--port", "SIM3", "verticalFlip=true"}, 1, "status",
           "1");
    addRow("dry run", QStringList{"set", "gamma=2", "--dry-run"}, 1, "dryRun", "true");
    addRow("serial", QStringList{"serial", "--port", "SIM2", "4294967295"}, 1, "reports",
           "Serial number set");
    addRow("nuc", QStringList{"nuc", "--port", "SIM1", "--auto"}, 1, "reports", "NUC applied");
    addRow("temps", QStringList{"temps", "--port", "SIM1", "--watch", "0.1", "--count", "3"}, 3,
           "fpgaTemperature", "45 C");
    addRow("unreachable", QStringList{"temps", "--port", "SIM4"}, 1, "error",
           "the camera does not answer");
    addRow("provision", QStringList{"provision", "%1/rows.csv"}, 3, "summary",
           "{\"provisioned\":2,\"rows\":2,\"status\":0}");
}

void CliTest::jsonOutputParses()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, objects);
    QFETCH(QString, field);
    QFETCH(QString, value);
    CliFixture f;
    f.write("p.json", "{\"user\":{\"gamma\":1.5,\"verticalFlip\":true}}");
    f.write("rows.csv", "SIM1,1,p.json\nSIM2,2\n");

    const Run run = f.run(arguments + QStringList{"--json"});
    const QList<QJsonObject> parsed = jsonLines(run.out);
    QCOMPARE(parsed.size(), objects);
    const QJsonValue last = parsed.last().value(field);
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
           "expert.gsk                  whole, 1 to 3");
    addRow("no command", QStringList(), 2, "no command given");
    addRow("unknown command", QStringList{"flash"}, 2, "flash is not a command");
    addRow("no port", QStringList{"info"}, 2, "info: --port is required");
    addRow("unknown option", QStringList{"nuc", "--port", "SIM1", "--now"}, 2,
           "Unknown option 'now'");
    addRow("two ports for one", QStringList{"nuc", "--port", "SIM1", "--port", "SIM2"}, 2,
           "nuc: takes one --port");
    addRow("serial too big", QStringList{"serial", "--port", "SIM1", "4294967296"}, 2,
           "is not a whole number from 0 to 4294967295");
    addRow("busy watch", QStringList{"temps", "--port", "SIM1", "--watch", "0.0001"}, 2,
           "--watch takes seconds from 0.1 to 86400");
    addRow("no such port", QStringList{"info", "--port", "SIM1", "--port", "COM9"}, 3,
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

QTEST_MAIN(CliTest)
#include "tst_cli.moc"
