#pragma once

#include <QColor>

namespace texkit2::res {

// The sixteen colours of the classic desktop, which the small pictures keep to.
inline const QColor kBlack{0, 0, 0};
inline const QColor kWhite{255, 255, 255};
inline const QColor kDarkGray{128, 128, 128};
inline const QColor kLightGray{192, 192, 192};
inline const QColor kMaroon{128, 0, 0};
inline const QColor kRed{255, 0, 0};
inline const QColor kGreen{0, 128, 0};
inline const QColor kLime{0, 255, 0};
inline const QColor kOlive{128, 128, 0};
inline const QColor kYellow{255, 255, 0};
inline const QColor kNavy{0, 0, 128};
inline const QColor kBlue{0, 0, 255};
inline const QColor kTeal{0, 128, 128};
inline const QColor kCyan{0, 255, 255};

// Warmer tones for folders, wood and dynamite, where the sixteen look harsh.
inline const QColor kFolderFace{248, 216, 96};
inline const QColor kFolderLight{255, 246, 184};
inline const QColor kFolderShade{200, 150, 40};
inline const QColor kWood{168, 100, 44};
inline const QColor kWoodLight{212, 150, 84};
inline const QColor kWoodDark{104, 58, 20};
inline const QColor kStick{214, 32, 24};
inline const QColor kStickLight{255, 120, 96};
inline const QColor kStickDark{128, 16, 8};

// The tree bitmap's mask colour: never used inside a drawing.
inline const QColor kMask{255, 0, 255};

} // namespace texkit2::res
