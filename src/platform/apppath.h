#pragma once

#include <QString>
#include <QStringList>

// The folder that holds the program's data files, followed by "/":
// - the folder named by the environment variable SAZANAMI_HOME;
// - else the executable's folder when it holds the skins and can be written (build tree, portable
//   copy);
// - else the per-user folder under $XDG_DATA_HOME (~/.local/share/sazanami), seeded from the
//   installed share/sazanami beside bin/.
QString AppPathFor(const QString &programFolder);

// Copies into `target` every file below `source` that `target` lacks, subfolders included.
// Files already there are never replaced: they may be the user's edits. Returns the target paths
// that could not be made.
QStringList SeedDataFolder(const QString &source, const QString &target);
