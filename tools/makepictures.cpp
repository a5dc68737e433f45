// Draws the pictures shipped with the pages: the default logo, one text logo
// per station of the catalogue, the missing-cover picture, the mini page's
// back icon and the appearance previews. Everything is drawn here, so the
// installation carries no picture taken from elsewhere.
//
//   makepictures <stations.tsv> <html directory> <station logo directory>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QStringList>

#include "stationlist.h"

namespace {

const QString kFontFamily = QStringLiteral("DejaVu Sans");

bool lightColour(const QColor& c)
{
    return 0.299 * c.redF() + 0.587 * c.greenF() + 0.114 * c.blueF() > 0.62;
}

// The largest bold font (at most maxPixels high) in which every line fits in
// width and all lines together in height.
QFont fittingFont(const QStringList& lines, qreal width, qreal height, int maxPixels)
{
    QFont font(kFontFamily);
    font.setBold(true);
    for (int px = maxPixels; px > 6; --px) {
        font.setPixelSize(px);
        const QFontMetricsF fm(font);
        bool fits = fm.height() * lines.size() <= height + 2;
        for (const QString& line : lines)
            fits = fits && fm.horizontalAdvance(line) <= width;
        if (fits)
            break;
    }
    return font;
}

void drawCentredLines(QPainter& p, const QStringList& lines, const QRectF& box, int maxPixels)
{
    const QFont font = fittingFont(lines, box.width(), box.height(), maxPixels);
    p.setFont(font);
    const QFontMetricsF fm(font);
    const qreal lineHeight = fm.ascent() + fm.descent() * 0.6;
    qreal y = box.center().y() - lineHeight * lines.size() / 2 + fm.ascent();
    for (const QString& line : lines) {
        const qreal x = box.center().x() - fm.horizontalAdvance(line) / 2;
        p.drawText(QPointF(x, y), line);
        y += lineHeight;
    }
}

// A 66 x 50 logo: the station's initials on a coloured badge with a soft
// light from above. The page rounds the corners, the badge keeps a thin
// inner ring so that it still reads as a badge where it does not.
QImage stationBadge(const QString& text, const QColor& colour)
{
    QImage image(66, 50, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient fill(0, 0, 0, 50);
    fill.setColorAt(0, colour.lighter(118));
    fill.setColorAt(1, colour.darker(118));
    p.fillRect(image.rect(), fill);
    p.setPen(QPen(QColor(255, 255, 255, 60), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(2.5, 2.5, 61, 45), 6, 6);
    p.setPen(lightColour(colour) ? QColor(30, 30, 30) : QColor(255, 255, 255));
    drawCentredLines(p, text.split(QLatin1Char('|')), QRectF(6, 5, 54, 40), 22);
    return image;
}

// The program's own logo: a sound wave over the name.
QImage defaultLogo()
{
    QImage image(66, 50, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 0, 66, 50);
    fill.setColorAt(0, QColor(0x4f, 0x93, 0xd2));
    fill.setColorAt(1, QColor(0x1d, 0x3c, 0x5e));
    p.fillRect(image.rect(), fill);
    p.setPen(QPen(QColor(255, 255, 255, 230), 2.2, Qt::SolidLine, Qt::RoundCap));
    const qreal heights[] = { 6, 12, 18, 10, 15, 8, 4 };
    for (int i = 0; i < 7; ++i) {
        const qreal x = 15 + i * 6;
        p.drawLine(QPointF(x, 18 - heights[i] / 2), QPointF(x, 18 + heights[i] / 2));
    }
    p.setPen(Qt::white);
    drawCentredLines(p, { QStringLiteral("Sonalto") }, QRectF(4, 29, 58, 17), 14);
    return image;
}

// Shown in the song window when a cover cannot be had: a record sleeve.
QImage missingCover()
{
    QImage image(100, 100, QImage::Format_RGB32);
    image.fill(QColor(0xe9, 0xed, 0xf1));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2a, 0x2f, 0x36));
    p.drawEllipse(QPointF(50, 44), 32, 32);
    p.setPen(QPen(QColor(255, 255, 255, 40), 1));
    p.setBrush(Qt::NoBrush);
    for (int r = 14; r <= 28; r += 5)
        p.drawEllipse(QPointF(50, 44), r, r);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x60, 0x9d, 0xcf));
    p.drawEllipse(QPointF(50, 44), 9, 9);
    p.setBrush(QColor(0xe9, 0xed, 0xf1));
    p.drawEllipse(QPointF(50, 44), 2, 2);
    p.setPen(QColor(0x55, 0x5d, 0x66));
    drawCentredLines(p, { QStringLiteral("Pas de pochette") }, QRectF(4, 81, 92, 16), 11);
    return image;
}

// The mini page's "back" icon, on the mini page's black background.
QImage backIcon()
{
    QImage image(25, 25, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x60, 0x9d, 0xcf));
    p.drawEllipse(QRectF(1.5, 1.5, 22, 22));
    p.setPen(QPen(Qt::white, 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath arrow;
    arrow.moveTo(11.5, 7.5);
    arrow.lineTo(7, 12.5);
    arrow.lineTo(11.5, 17.5);
    p.drawPath(arrow);
    p.drawLine(QPointF(7.5, 12.5), QPointF(17.5, 12.5));
    return image;
}

struct SkinLook {
    QColor top, topText, page, card, text, accent;
};

// A miniature of the main window in an appearance: the list on top and a
// station card below, at half the window's 251 x 288 size.
QImage skinPreview(const SkinLook& look)
{
    QImage image(126, 144, QImage::Format_RGB32);
    image.fill(look.page);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(QRectF(0, 0, 126, 22), look.top);
    p.setPen(QPen(look.accent, 1));
    p.setBrush(look.card);
    p.drawRoundedRect(QRectF(8.5, 5.5, 109, 12), 3, 3);
    p.setPen(look.topText);
    QFont small(kFontFamily);
    small.setPixelSize(7);
    p.setFont(small);
    p.drawText(QRectF(13, 5.5, 100, 12), Qt::AlignVCenter, QStringLiteral("FIP"));
    p.setPen(Qt::NoPen);
    p.setBrush(look.card);
    p.drawRoundedRect(QRectF(6, 28, 114, 108), 6, 6);
    p.drawImage(QRectF(12, 34, 33, 25), stationBadge(QStringLiteral("fip"), QColor(0xe6, 0, 0x7e)));
    p.setPen(look.text);
    QFont title(kFontFamily);
    title.setBold(true);
    title.setPixelSize(10);
    p.setFont(title);
    p.drawText(QPointF(50, 45), QStringLiteral("FIP"));
    p.setPen(Qt::NoPen);
    p.setBrush(look.accent);
    for (int i = 0; i < 4; ++i) {
        const qreal h = 3 + (i * 5 % 7);
        p.drawRect(QRectF(50 + i * 3, 55 - h, 2, h));
    }
    QColor faint = look.text;
    faint.setAlpha(90);
    p.setBrush(faint);
    for (int i = 0; i < 4; ++i)
        p.drawRoundedRect(QRectF(12, 68 + i * 8, i == 3 ? 60 : 102, 3), 1.5, 1.5);
    p.setBrush(look.accent);
    p.drawRoundedRect(QRectF(12, 110, 48, 16), 8, 8);
    p.drawRoundedRect(QRectF(66, 110, 48, 16), 8, 8);
    return image;
}

// Writes a GIF of at most 256 colours. The LZW stream sends every pixel as a
// literal 9-bit code and restarts the table before it would grow to 10 bits:
// larger than a packed stream, but valid for every reader.
bool saveGif(const QImage& source, const QString& path)
{
    const QImage image = source.convertToFormat(QImage::Format_Indexed8, Qt::AvoidDither);
    QVector<QRgb> palette = image.colorTable();
    palette.resize(256);
    QByteArray out("GIF89a");
    auto put16 = [&](int v) {
        out.append(char(v & 0xFF));
        out.append(char((v >> 8) & 0xFF));
    };
    put16(image.width());
    put16(image.height());
    out.append(char(0xF7)); // global table of 256 entries
    out.append(char(0));
    out.append(char(0));
    for (const QRgb c : palette) {
        out.append(char(qRed(c)));
        out.append(char(qGreen(c)));
        out.append(char(qBlue(c)));
    }
    out.append(char(0x2C));
    put16(0);
    put16(0);
    put16(image.width());
    put16(image.height());
    out.append(char(0));
    out.append(char(8)); // minimum code size

    QByteArray data;
    quint32 bits = 0;
    int bitCount = 0;
    auto code = [&](int value) {
        bits |= quint32(value) << bitCount;
        bitCount += 9;
        while (bitCount >= 8) {
            data.append(char(bits & 0xFF));
            bits >>= 8;
            bitCount -= 8;
        }
    };
    const int clear = 256, end = 257;
    int sinceClear = 0;
    code(clear);
    for (int y = 0; y < image.height(); ++y) {
        const uchar* row = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            if (sinceClear == 250) {
                code(clear);
                sinceClear = 0;
            }
            code(row[x]);
            ++sinceClear;
        }
    }
    code(end);
    if (bitCount > 0)
        data.append(char(bits & 0xFF));
    for (int i = 0; i < data.size(); i += 255) {
        const int n = std::min<int>(255, data.size() - i);
        out.append(char(n));
        out.append(data.mid(i, n));
    }
    out.append(char(0));
    out.append(char(0x3B));

    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(out) == out.size();
}

bool save(const QImage& image, const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    const bool ok = path.endsWith(QLatin1String(".gif")) ? saveGif(image, path)
                                                         : image.save(path, nullptr, 92);
    if (!ok)
        std::fprintf(stderr, "makepictures: cannot write %s\n", qPrintable(path));
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: makepictures <stations.tsv> <html dir> <logo dir>\n");
        return 2;
    }
    std::vector<CatalogueStation> stations;
    std::string error;
    if (!ReadCatalogue(argv[1], stations, error)) {
        std::fprintf(stderr, "makepictures: %s\n", error.c_str());
        return 1;
    }
    const QString html = QString::fromLocal8Bit(argv[2]) + QLatin1Char('/');
    const QString logos = QString::fromLocal8Bit(argv[3]) + QLatin1Char('/');

    bool ok = save(defaultLogo(), html + QStringLiteral("logo/sntlogo.jpg"))
        && save(missingCover(), html + QStringLiteral("introuvable.jpg"))
        && save(backIcon(), html + QStringLiteral("home.gif"));

    const SkinLook standard { QColor(0x15, 0x22, 0x30), QColor(0xe8, 0xee, 0xf4),
        QColor(0x1b, 0x2a, 0x3a), QColor(0x24, 0x36, 0x4a), QColor(0xe8, 0xee, 0xf4),
        QColor(0x60, 0x9d, 0xcf) };
    const SkinLook light { QColor(0xff, 0xff, 0xff), QColor(0x22, 0x2b, 0x35),
        QColor(0xee, 0xf2, 0xf6), QColor(0xff, 0xff, 0xff), QColor(0x22, 0x2b, 0x35),
        QColor(0x2f, 0x7a, 0x6b) };
    ok = ok && save(skinPreview(standard), html + QStringLiteral("Skins/Standard/apercu.jpg"))
        && save(skinPreview(light), html + QStringLiteral("Skins/Clair/apercu.jpg"));

    for (const CatalogueStation& station : stations) {
        const QColor colour(QString::fromStdString(station.colour));
        if (!colour.isValid()) {
            std::fprintf(stderr, "makepictures: line %d: bad colour \"%s\"\n", station.line,
                station.colour.c_str());
            return 1;
        }
        const QString text
            = QString::fromUtf8(station.badge.empty() ? station.name : station.badge);
        const QString file = QString::fromStdString(CatalogueBaseName(station.name) + ".jpg");
        ok = ok && save(stationBadge(text, colour), logos + file);
    }
    return ok ? 0 : 1;
}
