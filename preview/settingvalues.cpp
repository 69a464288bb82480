#include "settingvalues.h"

#include "settingstable.h"

#include <QCoreApplication>

namespace {

struct SettingTexts {
    Q_DECLARE_TR_FUNCTIONS(SettingValues)
};

using camera::Key;

// Beside the profile's settings, the two the window sets on its own that change the picture.
constexpr Key pictureSettings[] = {Key::ShutterPosition, Key::VideoOutput};

// The camera's own value of a setting, as the stand-in holds it: what the table's encodings and
// read-back forms start from.
double heldValue(Key key, const orvex_sim::CameraSettings& c)
{
    switch (key) {
    case Key::Gamma:
        return c.gamma;
    case Key::Clhe:
        return c.clhe;
    case Key::Sharpening:
        return c.sharpening;
    case Key::RoiX1:
        return c.roiX1;
    case Key::RoiY1:
        return c.roiY1;
    case Key::RoiX2:
        return c.roiX2;
    case Key::RoiY2:
        return c.roiY2;
    case Key::Polarity:
        return c.polarity;
    case Key::ZoomFactor:
        return double(c.zoom.factor);
    case Key::ZoomMethod:
        return c.zoom.method;
    case Key::ZoomXCenter:
        return c.zoom.xCenter;
    case Key::ZoomYCenter:
        return c.zoom.yCenter;
    case Key::ContrastType:
        return c.contrastType;
    case Key::NucEnabled:
        return c.nucState;
    case Key::HorizontalFlip:
        return c.horizontalFlip;
    case Key::VerticalFlip:
        return c.verticalFlip;
    case Key::VignettingCorrection:
        return c.vignettingCorrection;
    case Key::ColumnCorrection:
        return c.columnCorrection;
    case Key::Gsk:
        return c.gsk;
    case Key::Gfid:
        return c.gfid;
    case Key::Tint:
        return c.tint;
    case Key::Gms:
        return c.gms;
    case Key::BprCorrection:
        return c.bprCorrection;
    case Key::OffsetCorrection:
        return c.offsetCorrection;
    case Key::GainCorrection:
        return c.gainCorrection;
    case Key::IaResizeMode:
        return c.ia.resizeMode;
    case Key::IaMaxBoxes:
        return c.ia.maxBoxes;
    case Key::IaSensitivity:
        return c.ia.sensitivity;
    case Key::IaInterOverUnion:
        return c.ia.interOverUnion;
    case Key::IaOutputType:
        return c.ia.outputType;
    case Key::ShutterPosition:
        return c.hasShutter && c.shutterClosed;
    case Key::VideoOutput:
        return c.videoOutput;
    case Key::SerialNumber:
    case Key::Count:
        break;
    }
    return c.serialNumber;
}

template <class Visit> void forEachSetting(Visit visit)
{
    for (const camera::Setting& setting : camera::settings())
        visit(setting);
    for (const Key key : pictureSettings)
        visit(camera::setting(key));
}

} // namespace

std::vector<SettingValue> settingValues(const orvex_sim::CameraSettings& camera)
{
    std::vector<SettingValue> values;
    forEachSetting([&](const camera::Setting& setting) {
        values.push_back({QLatin1String(setting.key),
                          camera::valueText(setting, heldValue(setting.id, camera))});
    });
    return values;
}

QStringList settingChanges(const orvex_sim::CameraSettings& before,
                           const orvex_sim::CameraSettings& after)
{
    QStringList changes;
    forEachSetting([&](const camera::Setting& setting) {
        // As the window writes them: NUC state 1 and 2 are both on.
        const QString was = camera::valueText(setting, heldValue(setting.id, before));
        const QString is = camera::valueText(setting, heldValue(setting.id, after));
        if (was != is)
            changes << QStringLiteral("%1 %2 -> %3").arg(QLatin1String(setting.key), was, is);
    });
    if (before.nucRequests != after.nucRequests)
        changes << SettingTexts::tr("a NUC ran");
    return changes;
}
