#pragma once

#include "framework/qt/DialogTemplate.h"

#include <QIcon>
#include <QPixmap>
#include <QString>
#include <optional>
#include <vector>

namespace texkit2::framework {

// Makes the program's embedded resources available; call once before anything is loaded.
void initResources();

// An entry of the string table, or nullopt when it has none.
std::optional<QString> LoadStringQ(int id);

// Icon `id` with every size the program carries; null when there is none.
QIcon LoadIcon(int id);

// A bitmap resource; null when there is none.
QPixmap LoadBitmap(int id);

// An animation clip: its frames and the time each is shown.
struct Clip {
  std::vector<QPixmap> frames;
  int frameMs = 100;
};
std::optional<Clip> LoadClip(int id);

std::optional<DialogTemplate> LoadDialogTemplate(int id);

} // namespace texkit2::framework
