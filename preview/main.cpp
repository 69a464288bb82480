// orvexhd-preview: a simulated camera's video as its settings make it, following what the window
// and orvexhd-cli change; or, with --snapshot, one frame of it to a PNG file.
#include "camerafollower.h"
#include "previewwindow.h"
#include "simulatedsource.h"
#include "snapshot.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>
#include <memory>

namespace {

enum Status { Shown = 0, Usage = 2, Unreachable = 3 };

struct Preview {
    Q_DECLARE_TR_FUNCTIONS(Preview)
};

void complain(const QString& text)
{
    QTextStream(stderr) << "orvexhd-preview: " << text << '\n';
}

bool asksFor(int argc, char** argv, const QList<QByteArray>& options)
{
    for (int index = 1; index < argc; ++index) {
        const QByteArray argument(argv[index]);
        for (const QByteArray& option : options) {
            if (argument == option || argument.startsWith(option + '='))
                return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    // A snapshot and the help need no display, so the application they run in has no widgets;
    // which one to make is known only from the raw arguments.
    const bool snapshot = asksFor(argc, argv, {"--snapshot"});
    const bool displayless = snapshot || asksFor(argc, argv, {"-h", "--help", "--help-all", "-?"});
    std::unique_ptr<QCoreApplication> application =
        displayless ? std::make_unique<QCoreApplication>(argc, argv)
                    : std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvexhd-preview"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        Preview::tr("Shows a simulated Orvex HD camera's video, processed by the camera's current "
                    "settings, and follows every change the window or orvexhd-cli makes."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        Preview::tr("The simulated camera's port, e.g. SIM1."),
                                        Preview::tr("PORT"));
    const QCommandLineOption snapshotOption(
        QStringLiteral("snapshot"),
        Preview::tr("Write one frame, as shown with the grey palette, to FILE (PNG) and exit."),
        Preview::tr("FILE"));
    const QCommandLineOption frameOption(
        QStringLiteral("frame"),
        Preview::tr("The frame --snapshot writes: 0 or more, 25 a second of the scene."),
        Preview::tr("N"), QStringLiteral("0"));
    parser.addOptions({portOption, snapshotOption, frameOption});

    const auto usage = [&](const QString& problem) {
        complain(problem);
        QTextStream(stderr) << parser.helpText();
        return int(Usage);
    };
    if (!parser.parse(QCoreApplication::arguments()))
        return usage(parser.errorText());
    if (parser.isSet(helpOption)) {
        QTextStream(stdout) << parser.helpText();
        return Shown;
    }
    if (!parser.positionalArguments().isEmpty())
        return usage(
            Preview::tr("unexpected argument %1").arg(parser.positionalArguments().first()));
    if (parser.value(portOption).isEmpty())
        return usage(Preview::tr("--port names the camera to show"));
    if (parser.isSet(snapshotOption) != snapshot ||
        (snapshot && parser.value(snapshotOption).isEmpty()))
        return usage(Preview::tr("--snapshot needs a file name"));
    if (parser.isSet(frameOption) && !snapshot)
        return usage(Preview::tr("--frame goes with --snapshot"));
    bool isNumber = false;
    const qint64 frame = parser.value(frameOption).toLongLong(&isNumber);
    if (!isNumber || frame < 0)
        return usage(Preview::tr("--frame takes a whole number, 0 or more, not \"%1\"")
                         .arg(parser.value(frameOption)));

    const QString port = parser.value(portOption);
    // A camera that is not there at the start never comes: the stand-in reads its cameras once.
    const CameraFollower::Reading first = CameraFollower(port.toStdString()).read(0);
    if (!first.answers) {
        complain(first.problem);
        return Unreachable;
    }
    if (snapshot) {
        QString error;
        const int status = writeSnapshot(port, frame, parser.value(snapshotOption), error);
        if (status != Shown)
            complain(error);
        return status;
    }
    PreviewWindow window(std::make_unique<SimulatedSource>(port));
    window.show();
    return application->exec();
}
