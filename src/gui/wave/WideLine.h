#pragma once

#include <QImage>
#include <QPoint>

namespace dr420 {

// Strokes a polyline with a solid pen `width` pixels wide, round joins and
// round ends, straight into a 32-bit image, without antialiasing. A pixel is
// set when its centre lies within width/2 of a segment: the same shape as
// QPainter's wide pen, but drawn column by column in time proportional to the
// pixels it sets. QPainter strokes a dense trace as one self-overlapping
// outline, which costs many times more (the scope's 6000 points a division).
// Pixels outside `clip` (intersected with the image) are never touched.
void strokeWidePolyline(QImage &image, const QRect &clip, const QPoint *points, int count, int width, QRgb colour);

} // namespace dr420
