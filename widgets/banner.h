#pragma once
#include <QPixmap>

// The banner of the start and about windows: "Corvalle" in blue letters above their mirror image,
// 316 x 73 (drawn at the screen's pixel density, so it stays sharp on double-density screens).
constexpr int LarghezzaBanner = 316;
constexpr int AltezzaBanner = 73;
QPixmap BannerCorvalle(qreal densita = 1.0);
