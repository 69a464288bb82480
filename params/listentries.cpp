#include "listentries.h"

#include <QComboBox>

namespace lists {

std::optional<std::uint8_t> selectedEntry(const QComboBox* list)
{
    const int index = list->currentIndex();
    if (index < 0)
        return std::nullopt;
    return static_cast<std::uint8_t>(index);
}

std::string notSelectedReport(const char* setting, const char* entryKind)
{
    return std::string(setting) + " not sent: no " + entryKind + " selected";
}

} // namespace lists
