#pragma once

#include <QString>
#include <QtGlobal>

// Address rules: which thread addresses are read, where their data lives, host and path.
// Every rule accepts "https://" wherever it accepts "http://".

// True when the address contains "test/read.cgi" (a 2channel-style thread).
bool IsReadCgi(const QString &address);
// True when the address names a thread page of the rental board (old or new host).
bool IsShitaraba(const QString &address);
// True for a thread of the central 2channel service or its adult sister service, on any of
// their sub-hosts.
bool IsRefusedBoard(const QString &address);

// True for what looks like a board's own page (http://HOST/BOARD/, a rental board's
// http://HOST/CATEGORY/BOARD/, with or without "index.html"): a thread address was meant.
bool IsBoardUrl(const QString &address);

// The data-file address of a 2channel-style thread address; "" when none can be formed
// (no key after the board, nothing after the host).
QString GetDatUrl(const QString &address);
// True when a data-file address names a host, a board directory and a key.
bool IsDatUrl(const QString &url);
// The raw-mode address of a rental-board thread address, starting at post ResCount.
QString GetRawModeUrl(const QString &address, qint32 ResCount);

// Host of an address, with its ":PORT" when the address names one; "" when there is none.
QString GetHost(const QString &url);
// Path of an address from the "/" after the host to the end; "" when there is none.
QString GetPath(const QString &url);
// True for an "https://" address.
bool IsHttps(const QString &url);

// Where to connect for an address: the host name without port, and the port (the one the
// address names, else 80, or 443 for https). port is 0 when the named port is not valid.
struct HostPort
{
    QString name;
    quint16 port = 0;
};
HostPort GetHostPort(const QString &url);
