// Decodes JPEG data held in memory with libjpeg into an RGB QImage; the About box picture is
// kept in the program's resource data and decoded this way when the window is created.
#pragma once

#include <QByteArray>
#include <QImage>

// The picture as 8-bit RGB, or a null image when the data is not a JPEG libjpeg can decode.
QImage DecodeJpeg(const QByteArray& data);

// The JPEG bytes of the About box picture from the program's resource data.
QByteArray AboutPictureData();
