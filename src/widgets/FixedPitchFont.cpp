#include "widgets/FixedPitchFont.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

namespace {

// Judged by the font the matcher really gives, not by the family asked for.
bool IsFixedPitch(const QFont& font) {
    return QFontInfo(font).fixedPitch();
}

QFont WithFamily(const QFont& base, const QString& family) {
    QFont font = base;
    font.setFamilies({family});
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

}  // namespace

QFont FixedPitchFont() {
    const QFont system = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (IsFixedPitch(system)) return system;
    QStringList families = {QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Liberation Mono"),
                            QStringLiteral("Noto Mono"),        QStringLiteral("Nimbus Mono PS"),
                            QStringLiteral("Courier New"),      QStringLiteral("Courier"),
                            QStringLiteral("monospace")};
    for (const QString& family : QFontDatabase::families())
        if (QFontDatabase::isFixedPitch(family)) families << family;
    for (const QString& family : families) {
        const QFont font = WithFamily(system, family);
        if (IsFixedPitch(font)) return font;
    }
    return system;
}
