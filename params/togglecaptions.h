// The two captions of each on/off button. The read-backs, the user reset, the NUC requests and
// the toggles themselves all show a setting with these texts, and the toggles compare a caption
// against them before swapping it, so they must be the same texts everywhere.
#pragma once

class QPushButton;

struct ToggleCaptions {
    const char* on;  // shown while checked
    const char* off; // shown while unchecked
};

namespace captions {

inline constexpr ToggleCaptions polarity{"Invert polarity: Activated",
                                         "Invert polarity: Deactivated"};
inline constexpr ToggleCaptions verticalFlip{"Vertical flip: Activated",
                                             "Vertical flip: Deactivated"};
inline constexpr ToggleCaptions horizontalFlip{"Horizontal flip: Activated",
                                               "Horizontal flip: Deactivated"};
inline constexpr ToggleCaptions columnCorrection{"Column correction: Activated",
                                                 "Column correction: Deactivated"};
inline constexpr ToggleCaptions vignettingCorrection{"Vignetting correction: Activated",
                                                     "Vignetting correction: Deactivated"};
inline constexpr ToggleCaptions shutter{"Shutter closed", "Shutter opened"};
inline constexpr ToggleCaptions nuc{"NUC: Activated", "NUC: Deactivated"};
inline constexpr ToggleCaptions bprCorrection{"BPR Correction: Activated",
                                              "BPR Correction: Deactivated"};
inline constexpr ToggleCaptions offsetCorrection{"Offset Correction: Activated",
                                                 "Offset Correction: Deactivated"};
inline constexpr ToggleCaptions gainCorrection{"Gain Correction: Activated",
                                               "Gain Correction: Deactivated"};

} // namespace captions

// Shows a state that came from the camera or from the defaults: checked state and caption
// together. Setting the checked state emits no clicked(), so nothing is sent.
void showToggleState(QPushButton* button, bool on, const ToggleCaptions& captions);
