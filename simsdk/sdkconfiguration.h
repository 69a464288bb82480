// The stand-in's Configuration object: link type, expert mode, the defaults the window's Reset
// buttons load, the stored expert values and limits, and where the SDK log goes.
#pragma once

#include "orvex_sdk.h"

#include <QString>

#include <cstdint>
#include <string>

namespace orvex_sim {

class IniFile;

// Where SDK log records go unless [sdk] logFile says otherwise: orvexhd/orvex-sdk.log in a folder
// of the user's own, the XDG state folder (~/.local/state) or, on Windows, the local application
// data.
QString builtInLogFile();

// What the getDefault... getters return, in the getters' own types.
struct Defaults {
    double gamma = 1.0;
    double clhe = 40.0;
    double sharpening = 0.5;
    std::int32_t gsk = 2;
    std::int32_t gfid = 500;
    std::int32_t tint = 1;
    std::int32_t gms = 100;
    double roiX1 = 5.0;
    double roiY1 = 5.0;
    double roiX2 = 1275.0;
    double roiY2 = 1019.0;
    std::uint8_t contrastType = 0;
    bool polarity = false;
    float zoomFactor = 1.0f;
    std::uint8_t zoomMethod = 0;
    std::int32_t zoomXCenter = 640;
    std::int32_t zoomYCenter = 512;
    bool horizontalFlip = false;
    bool verticalFlip = false;
    bool vignettingCorrection = true;
    bool columnCorrection = true;
    std::uint8_t iaMaxBoxes = 10;
    std::uint8_t iaSensitivity = 50;
    std::uint8_t iaInterOverUnion = 45;
    std::uint8_t iaResizeMode = 1;
    std::uint8_t iaOutputType = 0;
};

class SimConfiguration final : public orvex_sdk::Configuration
{
public:
    SimConfiguration() { restoreBuiltIns(); }

    // Built-in values first, then whatever [sdk], [defaults] and [expert] of the file set.
    void load(IniFile& ini);

    void setLinkType(const std::string& linkType) { linkType_ = linkType; }
    void setExpertMode(bool enabled) { expertMode_ = enabled; }
    const QString& logFile() const { return logFile_; }
    const QString& stateFile() const { return stateFile_; } // empty: the cameras forget

    const char* getCommunicationType() override { return linkType_.c_str(); }
    double getDefaultGamma() override { return defaults_.gamma; }
    double getDefaultClhe() override { return defaults_.clhe; }
    double getDefaultSharpening() override { return defaults_.sharpening; }
    std::int32_t getDefaultGsk() override { return defaults_.gsk; }
    std::int32_t getDefaultGfid() override { return defaults_.gfid; }
    std::int32_t getDefaultTint() override { return defaults_.tint; }
    std::int32_t getDefaultGms() override { return defaults_.gms; }
    double getDefaultRoiX1() override { return defaults_.roiX1; }
    double getDefaultRoiY1() override { return defaults_.roiY1; }
    double getDefaultRoiX2() override { return defaults_.roiX2; }
    double getDefaultRoiY2() override { return defaults_.roiY2; }
    std::uint8_t getDefaultContrastType() override { return defaults_.contrastType; }
    bool getDefaultPolarity() override { return defaults_.polarity; }
    float getDefaultZoomFactor() override { return defaults_.zoomFactor; }
    std::uint8_t getDefaultZoomMethod() override { return defaults_.zoomMethod; }
    std::int32_t getDefaultZoomXCenter() override { return defaults_.zoomXCenter; }
    std::int32_t getDefaultZoomYCenter() override { return defaults_.zoomYCenter; }
    bool getDefaultHorizontalFlip() override { return defaults_.horizontalFlip; }
    bool getDefaultVerticalFlip() override { return defaults_.verticalFlip; }
    bool getDefaultVignettingCorrection() override { return defaults_.vignettingCorrection; }
    bool getDefaultColumnCorrection() override { return defaults_.columnCorrection; }
    std::uint8_t getDefaultIaMaxBoxes() override { return defaults_.iaMaxBoxes; }
    std::uint8_t getDefaultIaSensitivity() override { return defaults_.iaSensitivity; }
    std::uint8_t getDefaultIaInterOverUnion() override { return defaults_.iaInterOverUnion; }
    std::uint8_t getDefaultIaResizeMode() override { return defaults_.iaResizeMode; }
    std::uint8_t getDefaultIaOutputType() override { return defaults_.iaOutputType; }
    bool isExpertModeEnabled() override { return expertMode_; }

private:
    void restoreBuiltIns();

    std::string linkType_;
    bool expertMode_ = true;
    QString logFile_;
    QString stateFile_;
    Defaults defaults_;
};

} // namespace orvex_sim
