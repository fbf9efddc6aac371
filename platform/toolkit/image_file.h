// The images of window descriptions, read from resource paths or files.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// The image at `path`, cut to its top-left `visible` part (all of it when `visible` is not
// valid). A PNG is decoded row by row and no further down than the rows kept, so a large
// background costs only what its control shows; other images go through Qt's readers. A null
// image when the file cannot be read or decoded.
QImage ReadImage(const QString& path, QSize visible = {});
