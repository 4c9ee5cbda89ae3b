#include "ui/UiResources.h"

#include <QtGlobal>

// Resources of a static library must be registered by name, outside any namespace.
static void RegisterUiResources() { Q_INIT_RESOURCE(ui_resources); }

namespace updater {

void InitUiResources() {
    static const bool registered = (RegisterUiResources(), true);
    (void)registered;
}

QIcon ApplicationIcon() {
    InitUiResources();
    QIcon icon;
    for (const char* name : {":/updater-icon-16.png", ":/updater-icon-32.png",
                             ":/updater-icon-48.png", ":/updater-icon.png"}) {
        icon.addFile(QString::fromLatin1(name));
    }
    return icon;
}

}  // namespace updater
