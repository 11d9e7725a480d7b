#pragma once

#include <QLatin1String>

// Host names of the board services the address rules know by name.
namespace Boards {

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
