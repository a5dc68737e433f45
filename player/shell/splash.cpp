#include "shell/splash.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

#include "common/ui/uitext.h"
#include "texts.h"

SplashWindow::SplashWindow(QWidget* owner)
    : QWidget(owner, Qt::SplashScreen | Qt::FramelessWindowHint)
    , m_picture(picture())
{
    setAttribute(Qt::WA_DeleteOnClose);
    setCursor(Qt::ArrowCursor);
    setFixedSize(m_picture.size());
    const QRect ownerFrame = owner->frameGeometry();
    move(ownerFrame.center() - rect().center());
    QTimer::singleShot(kShowMilliseconds, this, [this] {
        emit finished();
        close();
    });
}

QPixmap SplashWindow::picture()
{
    QPixmap pixmap(360, 200);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, pixmap.height());
    sky.setColorAt(0, QColor(24, 56, 110));
    sky.setColorAt(1, QColor(96, 157, 207));
    painter.fillRect(pixmap.rect(), sky);

    // A mast sending waves.
    const QPointF top(70, 70);
    painter.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(top, QPointF(50, 160));
    painter.drawLine(top, QPointF(90, 160));
    painter.drawLine(QPointF(58, 128), QPointF(82, 128));
    painter.setBrush(Qt::white);
    painter.drawEllipse(top, 6, 6);
    painter.setBrush(Qt::NoBrush);
    for (int i = 1; i <= 3; ++i) {
        const qreal r = 14.0 * i;
        painter.setPen(QPen(QColor(255, 255, 255, 255 - 55 * i), 3, Qt::SolidLine, Qt::RoundCap));
        painter.drawArc(QRectF(top.x() - r, top.y() - r, 2 * r, 2 * r), 30 * 16, 120 * 16);
    }

    QFont title(QStringLiteral("Sans"), 30, QFont::Bold);
    painter.setFont(title);
    painter.setPen(Qt::white);
    painter.drawText(
        QRectF(120, 60, 230, 60), Qt::AlignLeft | Qt::AlignVCenter, Utf8Text(texts::kProgramTitle));
    painter.setPen(QPen(QColor(255, 255, 255, 160), 2));
    painter.drawLine(QPointF(122, 125), QPointF(330, 125));
    painter.end();
    return pixmap;
}

void SplashWindow::paintEvent(QPaintEvent*)
{
    QPainter(this).drawPixmap(0, 0, m_picture);
}
