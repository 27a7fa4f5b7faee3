#include "app/LocateCommands.h"

namespace texkit2::app {

// The locate dialogs are not part of this build yet; the commands stay without effect.
void installLocateCommands(AppServices& /*services*/) {}

} // namespace texkit2::app
