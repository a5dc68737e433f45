#include "common/ui/plainicon.h"

#include <QIconEngine>
#include <QPainter>

namespace {

class PlainIconEngine : public QIconEngine {
public:
    explicit PlainIconEngine(const QPixmap& pixmap)
        : m_pixmap(pixmap)
    {
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        return fits(size) ? m_pixmap.size() : m_pixmap.size().scaled(size, Qt::KeepAspectRatio);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        if (fits(size))
            return m_pixmap;
        return m_pixmap.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const QPixmap shown = pixmap(rect.size(), mode, state);
        QRect target(QPoint(), shown.size());
        target.moveCenter(rect.center());
        painter->drawPixmap(target, shown);
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override { return { m_pixmap.size() }; }

    QIconEngine* clone() const override { return new PlainIconEngine(m_pixmap); }

    bool isNull() override { return m_pixmap.isNull(); }

private:
    bool fits(const QSize& size) const
    {
        return m_pixmap.width() <= size.width() && m_pixmap.height() <= size.height();
    }

    QPixmap m_pixmap;
};

} // namespace

QIcon PlainIcon(const QPixmap& pixmap)
{
    if (pixmap.isNull())
        return QIcon();
    return QIcon(new PlainIconEngine(pixmap));
}
