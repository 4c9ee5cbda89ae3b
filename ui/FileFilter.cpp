#include "ui/FileFilter.h"

#include <QStringList>

namespace updater {

QString QtFileFilter(const QString& pairedFilter) {
    const QStringList parts = pairedFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        const QString patterns = parts[i + 1].trimmed();
        if (description.isEmpty() && patterns.isEmpty()) break;  // the closing "||"
        // Qt takes the patterns from the last parentheses; a description that already names
        // them is used as it is.
        const QString named =
            QLatin1Char('(') + QString(patterns).replace(';', ' ') + QLatin1Char(')');
        if (description.endsWith(named) || patterns.isEmpty()) {
            filters << description;
        } else {
            filters << description + QLatin1Char(' ') + named;
        }
    }
    return filters.join(QStringLiteral(";;"));
}

}  // namespace updater
