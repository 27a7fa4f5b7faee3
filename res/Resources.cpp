#include "res/Resources.h"

#include <QtCore/qglobal.h>

void texkit2InitResources() {
  // The name is the one given to qt_add_resources in res/CMakeLists.txt.
  Q_INIT_RESOURCE(texkit2_res);
}
