// The program's icon: the player ship as the game's sprite factory draws it.
#pragma once

#include <QImage>

namespace velkar {

// The ship sprite as a side x side picture with a transparent background; side is a divisor of
// the sprite's size, each icon pixel the OR of the sprite pixels it covers. A null image when
// the sprite cannot be drawn.
QImage ShipIconImage(int side);

} // namespace velkar
