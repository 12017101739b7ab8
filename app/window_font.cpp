#include "app/window_font.h"

#include "app/layout_table.h"

#include <QFontDatabase>
#include <QStringList>

#include <array>

namespace tensilo::app {

namespace {

// "MS Sans Serif" where it exists, else a face of the same metrics. Linux has no alias for it and
// would fall back to a face too wide for the fixed layout.
constexpr std::array<const char*, 4> kFamilies = {"MS Sans Serif", "Microsoft Sans Serif",
                                                   "Liberation Sans", "Arial"};

// The first of the families that is installed, as Qt would pick from the list. The font then
// names that one family: for a list, Qt sorts every installed font against each family as glyph
// fallbacks the first time the font is used, a search the window's start does without.
QStringList ChosenFamilies() {
    const QStringList installed = QFontDatabase::families();
    QStringList all;
    for (const char* name : kFamilies) {
        const QString family = QString::fromLatin1(name);
        if (installed.contains(family, Qt::CaseInsensitive))
            return {family};
        all.append(family);
    }
    // None installed: Qt substitutes from the whole list.
    return all;
}

} // namespace

QFont WindowFont() {
    // Chosen once: the installed fonts do not change under a running program in a way it follows.
    static const QStringList families = ChosenFamilies();
    QFont font;
    font.setFamilies(families);
    font.setPointSizeF(kFontPointSize);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

} // namespace tensilo::app
