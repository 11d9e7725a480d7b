#pragma once

#include <QLatin1String>

// The kinds of board and the host names of the board services the address rules know by name.
namespace Boards {

// Which kind of board a thread lives on; shown and stored as "2ch" or "shitaraba".
enum class Kind
{
    TwoChannel, // a 2channel-style board: a data file fetched by byte range
    Shitaraba,  // a JBBS/Shitaraba rental board: raw-mode output from a post number on
};

// The central 2channel service and its adult sister service: their threads are not read.
constexpr QLatin1String kCentralDomains[] = {
    QLatin1String("2ch.net"),
    QLatin1String("5ch.net"),
    QLatin1String("5ch.io"),
};
constexpr QLatin1String kAdultDomain("bbspink.com");

// The JBBS/Shitaraba rental board: the old host still appears in pasted addresses.
constexpr QLatin1String kRentalOldHost("jbbs.livedoor.jp");
constexpr QLatin1String kRentalNewHost("jbbs.shitaraba.net");

} // namespace Boards
