#include "sdkconfiguration.h"

#include "inifile.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#ifndef _WIN32
#include <pwd.h>
#include <unistd.h>
#endif

namespace orvex_sim {
namespace {

#ifndef _WIN32
// A program started without HOME (by a service, or env -i) still has a home: the account's. The
// root folder in its place would put the log in a folder of the whole machine.
QString homeFolder()
{
    if (!qEnvironmentVariableIsEmpty("HOME"))
        return QDir::homePath();
    const passwd* account = ::getpwuid(::geteuid());
    return account && account->pw_dir ? QFile::decodeName(account->pw_dir) : QDir::homePath();
}
#endif

// Where a write to path lands, also before the file is made: through links, to the file itself or
// to one yet to be made, and through links among its folders.
QString landingPath(const QString& path)
{
    QFileInfo file(path);
    for (int link = 0; file.isSymLink() && link < 40; ++link)
        file.setFile(file.symLinkTarget());
    const QString folder = QFileInfo(file.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? file.absoluteFilePath() : QDir(folder).filePath(file.fileName());
}

bool sameFile(const QString& one, const QString& other)
{
    return landingPath(one) == landingPath(other);
}

// A relative path belongs with the file that names it, not with the working directory.
// instead: what happens when the path is the INI file itself.
QString pathBesideIni(IniFile& ini, const QString& key, const QString& builtIn,
                      const QString& instead)
{
    std::string path;
    ini.read(QStringLiteral("sdk"), key, path);
    if (path.empty())
        return builtIn;
    const QString full = QFileInfo(ini.path()).dir().absoluteFilePath(QString::fromStdString(path));
    // Written over or appended to, the configuration itself would be lost.
    const QFileInfo target(full);
    if (target.exists() && target == QFileInfo(ini.path())) {
        reportConfigurationProblem(
            QStringLiteral("%1: [sdk] %2 names this configuration file itself; %3")
                .arg(ini.path(), key, instead));
        return builtIn;
    }
    return full;
}

} // namespace

QString builtInLogFile()
{
#ifdef _WIN32
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
#else
    QString folder = QFile::decodeName(qgetenv("XDG_STATE_HOME"));
    // A relative XDG_STATE_HOME is invalid and ignored, as the XDG base directories say.
    if (!QDir::isAbsolutePath(folder))
        folder = QDir(homeFolder()).filePath(QStringLiteral(".local/state"));
#endif
    return QDir(folder).filePath(QStringLiteral("orvexhd/orvex-sdk.log"));
}

void SimConfiguration::restoreBuiltIns()
{
    linkType_ = "UART";
    expertMode_ = true;
    logFile_ = builtInLogFile();
    stateFile_.clear();
    defaults_ = Defaults();
    gskValue = 2;
    gmsValue = 100;
    gfidValue = 500;
    tintValue = 1;
    gskMin = 1;
    gskMax = 3;
    gfidMin = 0;
    gfidMax = 1000;
    tintMin = 0;
    tintMax = 2;
    gmsMin = 0;
    gmsMax = 1000;
}

void SimConfiguration::load(IniFile& ini)
{
    restoreBuiltIns();

    const QString sdk = QStringLiteral("sdk");
    ini.read(sdk, QStringLiteral("linkType"), linkType_);
    ini.read(sdk, QStringLiteral("expertMode"), expertMode_);
    logFile_ = pathBesideIni(ini, QStringLiteral("logFile"), logFile_,
                             QStringLiteral("the built-in log file is used"));
    stateFile_ = pathBesideIni(ini, QStringLiteral("stateFile"), QString(),
                               QStringLiteral("the cameras forget when the program ends"));
    // Log records written into the state file would damage it at the next run.
    if (!stateFile_.isEmpty() && sameFile(logFile_, stateFile_) && logFile_ != builtInLogFile()) {
        reportConfigurationProblem(QStringLiteral("%1: [sdk] logFile and stateFile name the same "
                                                  "file; the built-in log file is used")
                                       .arg(ini.path()));
        logFile_ = builtInLogFile();
    }
    if (!stateFile_.isEmpty() && sameFile(logFile_, stateFile_)) {
        reportConfigurationProblem(QStringLiteral("%1: [sdk] stateFile names the built-in SDK log "
                                                  "file; the cameras forget when the program ends")
                                       .arg(ini.path()));
        stateFile_.clear();
    }

    const QString d = QStringLiteral("defaults");
    ini.read(d, QStringLiteral("gamma"), defaults_.gamma);
    ini.read(d, QStringLiteral("clhe"), defaults_.clhe);
    ini.read(d, QStringLiteral("sharpening"), defaults_.sharpening);
    ini.read(d, QStringLiteral("gsk"), defaults_.gsk);
    ini.read(d, QStringLiteral("gfid"), defaults_.gfid);
    ini.read(d, QStringLiteral("tint"), defaults_.tint);
    ini.read(d, QStringLiteral("gms"), defaults_.gms);
    ini.read(d, QStringLiteral("roiX1"), defaults_.roiX1);
    ini.read(d, QStringLiteral("roiY1"), defaults_.roiY1);
    ini.read(d, QStringLiteral("roiX2"), defaults_.roiX2);
    ini.read(d, QStringLiteral("roiY2"), defaults_.roiY2);
    ini.read(d, QStringLiteral("contrastType"), defaults_.contrastType);
    ini.read(d, QStringLiteral("polarity"), defaults_.polarity);
    ini.read(d, QStringLiteral("zoomFactor"), defaults_.zoomFactor);
    ini.read(d, QStringLiteral("zoomMethod"), defaults_.zoomMethod);
    ini.read(d, QStringLiteral("zoomXCenter"), defaults_.zoomXCenter);
    ini.read(d, QStringLiteral("zoomYCenter"), defaults_.zoomYCenter);
    ini.read(d, QStringLiteral("horizontalFlip"), defaults_.horizontalFlip);
    ini.read(d, QStringLiteral("verticalFlip"), defaults_.verticalFlip);
    ini.read(d, QStringLiteral("vignettingCorrection"), defaults_.vignettingCorrection);
    ini.read(d, QStringLiteral("columnCorrection"), defaults_.columnCorrection);
    ini.read(d, QStringLiteral("iaMaxBoxes"), defaults_.iaMaxBoxes);
    ini.read(d, QStringLiteral("iaSensitivity"), defaults_.iaSensitivity);
    ini.read(d, QStringLiteral("iaInterOverUnion"), defaults_.iaInterOverUnion);
    ini.read(d, QStringLiteral("iaResizeMode"), defaults_.iaResizeMode);
    ini.read(d, QStringLiteral("iaOutputType"), defaults_.iaOutputType);

    const QString e = QStringLiteral("expert");
    ini.read(e, QStringLiteral("gskValue"), gskValue);
    ini.read(e, QStringLiteral("gmsValue"), gmsValue);
    ini.read(e, QStringLiteral("gfidValue"), gfidValue);
    ini.read(e, QStringLiteral("tintValue"), tintValue);
    ini.read(e, QStringLiteral("gskMin"), gskMin);
    ini.read(e, QStringLiteral("gskMax"), gskMax);
    ini.read(e, QStringLiteral("gfidMin"), gfidMin);
    ini.read(e, QStringLiteral("gfidMax"), gfidMax);
    ini.read(e, QStringLiteral("tintMin"), tintMin);
    ini.read(e, QStringLiteral("tintMax"), tintMax);
    ini.read(e, QStringLiteral("gmsMin"), gmsMin);
    ini.read(e, QStringLiteral("gmsMax"), gmsMax);
}

} // namespace orvex_sim
