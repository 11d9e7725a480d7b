#pragma once

#include <QSslCertificate>
#include <QString>

// A self-signed certificate made with openssl for a test server: "cert.pem" and "key.pem" in
// folder, valid for subjectAltName (for example "DNS:jbbs.shitaraba.net" or "IP:127.0.0.1").
// Returns the certificate, or a null one (and the reason in *error) when it could not be made.
QSslCertificate MakeTestCertificate(const QString &folder, const QString &subjectAltName,
                                    QString *error);
