#pragma once

#include <string>

#include <QImage>

// The last picture decoded for one use (the appearance preview, the cover,
// the station logo): each use keeps its own, and a new decoding replaces it.
class PictureHolder {
public:
    const QImage& image() const { return m_image; }
    bool isNull() const { return m_image.isNull(); }
    void release() { m_image = QImage(); }

private:
    friend const QImage* LoadPictureFile(const std::string& path, PictureHolder& holder);
    QImage m_image;
};

// Decodes the picture file at path (JPEG, GIF, BMP, PNG; the format is told
// by the content, not the name) into holder, releasing the picture it held.
// The picture stays valid until the holder's next decoding. nullptr when the
// file cannot be read or decoded; the holder is then empty.
const QImage* LoadPictureFile(const std::string& path, PictureHolder& holder);

// A new picture of width x height into which the whole source is stretched
// with smooth scaling; the source is left as it is. A null picture when the
// source is null or the size is empty.
QImage ScaleBitmap(const QImage& source, int width, int height);
