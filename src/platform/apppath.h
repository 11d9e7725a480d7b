#pragma once

#include <QString>

// The folder that holds the program's data files, followed by "/": the executable's folder,
// unless the environment variable SAZANAMI_HOME names another.
QString AppPathFor(const QString &programFolder);
