#include "support/testcertificate.h"

#include <QDir>
#include <QProcess>

QSslCertificate MakeTestCertificate(const QString &folder, const QString &subjectAltName,
                                    QString *error)
{
    const QDir dir(folder);
    const QString name = subjectAltName.mid(subjectAltName.indexOf(QLatin1Char(':')) + 1);
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-keyout"),
                   dir.filePath(QStringLiteral("key.pem")), QStringLiteral("-out"),
                   dir.filePath(QStringLiteral("cert.pem")), QStringLiteral("-days"),
                   QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=") + name,
                   QStringLiteral("-addext"), QStringLiteral("subjectAltName=") + subjectAltName});
    if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0) {
        *error = QString::fromLocal8Bit(openssl.readAll()) + openssl.errorString();
        return QSslCertificate();
    }
    const QList<QSslCertificate> made =
        QSslCertificate::fromPath(dir.filePath(QStringLiteral("cert.pem")));
    return made.value(0);
}
