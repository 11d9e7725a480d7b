#include "retrieval/boardrequest.h"

#include "platform/codec.h"
#include "retrieval/threadaddress.h"

QString BoardUserAgent()
{
    return QStringLiteral("Monazilla/1.00 sazanami/" SAZANAMI_VERSION);
}

QByteArray BoardGetRequest(const QString &address, qint64 rangeFrom)
{
    QString request = QStringLiteral("GET ") + GetPath(address) + QStringLiteral(" HTTP/1.0\r\n");
    request += QStringLiteral("Host: ") + GetHost(address) + QStringLiteral("\r\n");
    if (rangeFrom >= 0)
        request +=
            QStringLiteral("Range: bytes=") + QString::number(rangeFrom) + QStringLiteral("-\r\n");
    request += QStringLiteral("User-Agent: ") + BoardUserAgent() + QStringLiteral("\r\n");
    request += QStringLiteral("Connection: Close\r\n\r\n");
    return Codec::toSjis(request);
}
