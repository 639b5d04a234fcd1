#include "AppIcon.h"

// Resources of a static library are registered on first use, outside any namespace.
static void InitAppResources() {
    Q_INIT_RESOURCE(quillmere);
}

QIcon AppIcon() {
    InitAppResources();
    QIcon icon;
    for (const int size : {16, 32, 48, 256})
        icon.addFile(QStringLiteral(":/icons/%1/org.example.Quillmere.png").arg(size),
                     QSize(size, size));
    return icon;
}
