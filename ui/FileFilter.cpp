#include "ui/FileFilter.h"

#include <QStringList>

#include "front/FileFilter.h"

namespace updater {

QString QtFileFilter(const char* pairedFilter) {
    QStringList filters;
    for (const FileFilterEntry& entry : ParseFileFilter(pairedFilter)) {
        const QString description = QString::fromStdString(entry.description);
        const QString patterns = QString::fromStdString(entry.patterns);
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
