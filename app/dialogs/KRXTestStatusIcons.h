#pragma once
// The test dialog's two 16 x 16 status icons, drawn rather than loaded so they
// stay sharp at any scale: blue and white while searching or receiving,
// yellow and black while no data arrives.
#include "plugin/KRXMultiplexTestModel.h"

#include <QPixmap>

QPixmap TestStatusPixmap(EKRXTestIcon icon, qreal devicePixelRatio);
