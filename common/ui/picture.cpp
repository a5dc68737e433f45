#include "common/ui/picture.h"

#include <QByteArray>

#include "common/textfile.h"

const QImage* LoadPictureFile(const std::string& path, PictureHolder& holder)
{
    holder.release();
    if (!FileExists(path))
        return nullptr;
    // The whole file is read first, then decoded from memory: the format
    // comes from the bytes, so a cover saved under a ".jpg" name that holds
    // a GIF still shows.
    const std::string bytes = ReadTextFile(path);
    if (bytes.empty())
        return nullptr;
    holder.m_image = QImage::fromData(
        QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())));
    // fromData decodes into its own buffer, so the file bytes may go.
    holder.m_image.detach();
    if (holder.m_image.isNull())
        return nullptr;
    return &holder.m_image;
}
