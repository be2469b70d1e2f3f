#include "ArialFont.h"

#include "Resources.h"

#include <QFontDatabase>
#include <QStringList>

namespace quorvane {

void registerArialFont()
{
    static const bool once = [] {
        initResources();
        const int id = QFontDatabase::addApplicationFont(QStringLiteral(":/Quorvane/fonts/LiberationSans-Regular.ttf"));
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (!families.isEmpty())
            QFont::insertSubstitution(QStringLiteral("Arial"), families.first());
        return true;
    }();
    (void)once;
}

QFont arialFont(int pointSize, bool bold)
{
    QFont font(QStringLiteral("Arial"), pointSize);
    font.setBold(bold);
    return font;
}

} // namespace quorvane
