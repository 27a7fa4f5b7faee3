#pragma once

#include "app/AppServices.h"

#include <QString>
#include <QStringList>

namespace texkit2::app {

// Renders every dialog in each of its states to PNG files in `folder`, running a real
// extraction of the Quake installation in `dataFolder`. Returns the files written; `error`
// says why it stopped short (not a data folder, a failed extraction).
QStringList writeScreenshots(const QString& folder, const QString& dataFolder,
                             AppServices& services, QString& error);

} // namespace texkit2::app
