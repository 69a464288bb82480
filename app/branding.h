// Names and logos shared by the main window and the About dialog. Internal linkage: each
// translation unit that includes this keeps its own copy.
#pragma once

#include <QString>

static const QString companyLogoFile = QStringLiteral("QuellinTech.png");
static const QString companyName = QStringLiteral("Quellin Technologies");
static const QString productLogoHtml =
    QStringLiteral("<html><head/><body><p><img src=:picture/OrvexHD.png/></p></body></html>");
