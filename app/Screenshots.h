#pragma once

#include "app/AppServices.h"

#include <QString>
#include <QStringList>

namespace texkit2::app {

// Renders every dialog in each of its states to PNG files in `folder`, running a real
// extraction of the Quake installation in `dataFolder`. Returns the files written.
QStringList writeScreenshots(const QString& folder, const QString& dataFolder,
                             AppServices& services);

} // namespace texkit2::app
