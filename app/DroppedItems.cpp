#include "DroppedItems.h"

#include <QUrl>

/*
 * QUrl::toLocalFile decodes the path as UTF-8 and turns every byte that is no
 * UTF-8 into U+FFFD, which names no file; the encoded path still holds each
 * byte. Upper case hosts were lowered by QUrl already, the machine's own name
 * may not have been.
 */
DroppedItem DroppedItemOf(const QUrl& url, const QString& thisHost) {
    const QString host = url.host();
    const bool here = host.isEmpty() || host == QLatin1String("localhost") ||
                      host.compare(thisHost, Qt::CaseInsensitive) == 0;
    if (url.scheme() == QLatin1String("file") && here) {
        const QByteArray path =
            QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
        if (!path.isEmpty() && !path.contains('\0'))
            return {path.toStdString(), true};
    }
    return {url.toString().toStdString(), false};
}
