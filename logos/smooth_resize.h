#pragma once

class QImage;

// Scales `source` into `destination` with bilinear filtering in 16.16 fixed
// point; the caller sets the destination's size beforehand. Both images
// become 24-bit RGB. Equal sizes give an exact copy; an empty source or
// destination is left as it is.
void smoothResize(const QImage &source, QImage &destination);
