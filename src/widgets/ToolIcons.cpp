#include "widgets/ToolIcons.h"

#include <QString>

QIcon ToolIcon(const char* themeName, const char* file) {
    const QIcon own(QStringLiteral(":/window/icons/%1.svg").arg(QLatin1String(file)));
    if (themeName == nullptr || *themeName == '\0') return own;
    return QIcon::fromTheme(QLatin1String(themeName), own);
}
