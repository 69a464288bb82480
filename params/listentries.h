// The lists whose current index is the byte a setting sends: contrast type, zoom method, video
// output and the detector's resize mode and output type.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

class QComboBox;

namespace lists {

// The current entry as the byte the camera takes; nothing while no entry is selected.
std::optional<std::uint8_t> selectedEntry(const QComboBox* list);

// "Zoom not sent: no interpolation method selected".
std::string notSelectedReport(const char* setting, const char* entryKind);

} // namespace lists
