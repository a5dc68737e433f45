#include "common/ui/trayicon.h"

#include <cmath>
#include <map>
#include <utility>

#include <QCursor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QSystemTrayIcon>

namespace {

// The pop-ups' background (red 96, green 157, blue 207) and the set's two
// ink colours: a dark blue disc under a white sign.
const QColor kBackground(96, 157, 207);
const QColor kDisc(24, 58, 99);
const QColor kSign(Qt::white);
const QColor kRed(200, 30, 30);

QPen signPen(qreal width)
{
    return QPen(kSign, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void drawStar(QPainter& p, const QRectF& box, const QColor& colour)
{
    QPainterPath star;
    const QPointF centre = box.center();
    const qreal outer = box.width() / 2;
    const qreal inner = outer * 0.45;
    for (int i = 0; i < 10; ++i) {
        const qreal radius = i % 2 == 0 ? outer : inner;
        const qreal angle = -M_PI / 2 + i * M_PI / 5;
        const QPointF at(
            centre.x() + radius * std::cos(angle), centre.y() + radius * std::sin(angle));
        if (i == 0)
            star.moveTo(at);
        else
            star.lineTo(at);
    }
    star.closeSubpath();
    p.setPen(QPen(kDisc, 1));
    p.setBrush(colour);
    p.drawPath(star);
}

void drawSpeaker(QPainter& p)
{
    QPainterPath body;
    body.moveTo(4, 8);
    body.lineTo(7, 8);
    body.lineTo(11, 4.5);
    body.lineTo(11, 15.5);
    body.lineTo(7, 12);
    body.lineTo(4, 12);
    body.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kSign);
    p.drawPath(body);
}

void drawText(QPainter& p, const QRectF& box, const QString& text)
{
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(13);
    p.setFont(font);
    p.setPen(kSign);
    p.drawText(box, Qt::AlignCenter, text);
}

QPixmap drawPicture(MenuPicture picture)
{
    const QSize size = MenuPictureSize(picture);
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    if (picture == MenuPicture::Favourite) {
        drawStar(p, QRectF(0.5, 0.5, 14, 14), QColor(250, 200, 40));
        return pixmap;
    }
    const QRectF disc(1, 1, 18, 18);
    p.setPen(Qt::NoPen);
    p.setBrush(picture == MenuPicture::Quit ? kRed : kDisc);
    p.drawEllipse(disc);
    p.setBrush(Qt::NoBrush);
    switch (picture) {
    case MenuPicture::About:
        // The program's sign: a source and its waves.
        p.setPen(signPen(1.6));
        p.setBrush(kSign);
        p.drawEllipse(QPointF(7, 10), 1.5, 1.5);
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(3, 5, 10, 10), -50 * 16, 100 * 16);
        p.drawArc(QRectF(1, 2, 16, 16), -50 * 16, 100 * 16);
        break;
    case MenuPicture::Help:
        drawText(p, disc, QStringLiteral("?"));
        break;
    case MenuPicture::Information:
        drawText(p, disc, QStringLiteral("i"));
        break;
    case MenuPicture::Options: {
        p.setPen(signPen(2));
        p.drawEllipse(QPointF(10, 10), 3.5, 3.5);
        for (int i = 0; i < 8; ++i) {
            const qreal angle = i * M_PI / 4;
            p.drawLine(QPointF(10 + 5 * std::cos(angle), 10 + 5 * std::sin(angle)),
                QPointF(10 + 7 * std::cos(angle), 10 + 7 * std::sin(angle)));
        }
        break;
    }
    case MenuPicture::Personalise:
        p.setPen(signPen(2.5));
        p.drawLine(QPointF(6, 14), QPointF(14, 6));
        p.setPen(signPen(1));
        p.drawLine(QPointF(5, 15), QPointF(6.5, 13.5));
        break;
    case MenuPicture::Random:
        p.setPen(signPen(1.2));
        p.drawRoundedRect(QRectF(5, 5, 10, 10), 2, 2);
        p.setBrush(kSign);
        for (const QPointF& dot : { QPointF(7.5, 7.5), QPointF(10, 10), QPointF(12.5, 12.5) })
            p.drawEllipse(dot, 1, 1);
        break;
    case MenuPicture::Organise:
        p.setPen(signPen(1.8));
        for (int y : { 6, 10, 14 })
            p.drawLine(QPointF(6, y), QPointF(14, y));
        break;
    case MenuPicture::Search:
        p.setPen(signPen(2));
        p.drawEllipse(QPointF(8.5, 8.5), 3.5, 3.5);
        p.drawLine(QPointF(11.5, 11.5), QPointF(15, 15));
        // The search picture is one pixel wider: a pointer on its right.
        p.setPen(QPen(kDisc, 1.5));
        p.drawLine(QPointF(19.5, 7), QPointF(19.5, 13));
        break;
    case MenuPicture::AddStation:
        p.setPen(signPen(2.2));
        p.drawLine(QPointF(10, 5), QPointF(10, 15));
        p.drawLine(QPointF(5, 10), QPointF(15, 10));
        break;
    case MenuPicture::Record:
        p.setBrush(kRed);
        p.setPen(QPen(kSign, 1.2));
        p.drawEllipse(QPointF(10, 10), 4.5, 4.5);
        break;
    case MenuPicture::StopRecord:
        p.setBrush(kSign);
        p.drawRect(QRectF(6, 6, 8, 8));
        break;
    case MenuPicture::ScheduledRecord:
        p.setPen(signPen(1.5));
        p.drawEllipse(QPointF(10, 10), 6, 6);
        p.drawLine(QPointF(10, 10), QPointF(10, 6));
        p.drawLine(QPointF(10, 10), QPointF(13, 11));
        break;
    case MenuPicture::Sound:
        drawSpeaker(p);
        p.setPen(signPen(1.3));
        p.drawArc(QRectF(9, 6.5, 6, 7), -60 * 16, 120 * 16);
        p.drawArc(QRectF(9, 4, 8.5, 12), -60 * 16, 120 * 16);
        break;
    case MenuPicture::Muted:
        drawSpeaker(p);
        p.setPen(QPen(kRed, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(12.5, 7.5), QPointF(16.5, 12.5));
        p.drawLine(QPointF(16.5, 7.5), QPointF(12.5, 12.5));
        break;
    case MenuPicture::Restore:
        p.setPen(signPen(1.5));
        p.drawRect(QRectF(5.5, 6.5, 9, 7));
        p.drawLine(QPointF(5.5, 8), QPointF(14.5, 8));
        break;
    case MenuPicture::Quit:
        p.setPen(signPen(2.2));
        p.drawLine(QPointF(6.5, 6.5), QPointF(13.5, 13.5));
        p.drawLine(QPointF(13.5, 6.5), QPointF(6.5, 13.5));
        break;
    case MenuPicture::Favourite:
        break;
    }
    return pixmap;
}

} // namespace

QSize MenuPictureSize(MenuPicture picture)
{
    switch (picture) {
    case MenuPicture::Favourite:
        return { 15, 15 };
    case MenuPicture::Search:
        return { 21, 20 };
    default:
        return { 20, 20 };
    }
}

QIcon MenuPictureIcon(MenuPicture picture)
{
    static std::map<MenuPicture, QIcon> drawn;
    auto found = drawn.find(picture);
    if (found == drawn.end())
        found = drawn.emplace(picture, QIcon(drawPicture(picture))).first;
    return found->second;
}

QPixmap DrawProgramIcon(int side)
{
    // A speaker's waves over the pop-ups' blue, drawn on a 32-unit grid.
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(side / 32.0, side / 32.0);
    p.setPen(QPen(kDisc, 1.5));
    p.setBrush(kBackground);
    p.drawRoundedRect(QRectF(1, 1, 30, 30), 7, 7);
    p.setPen(signPen(3));
    p.setBrush(kSign);
    p.drawEllipse(QPointF(10, 16), 2.5, 2.5);
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(4, 8, 16, 16), -50 * 16, 100 * 16);
    p.drawArc(QRectF(0, 3, 26, 26), -50 * 16, 100 * 16);
    return pixmap;
}

QIcon ProgramIcon()
{
    static QIcon icon;
    if (!icon.isNull())
        return icon;
    for (int side : { 16, 32, 64 })
        icon.addPixmap(DrawProgramIcon(side));
    return icon;
}

void StylePopupMenu(QMenu* menu)
{
    // The style sheet reaches the sub-menus made later as well; items stay
    // readable on the blue, and the picture column fits the 21-pixel search.
    menu->setStyleSheet(QStringLiteral(
        "QMenu { background-color: rgb(96, 157, 207); color: black; border: 1px solid rgb(24, 58, "
        "99); }"
        "QMenu::item { padding: 3px 24px 3px 6px; }"
        "QMenu::item:selected { background-color: rgb(24, 58, 99); color: white; }"
        "QMenu::item:disabled { color: rgb(60, 80, 110); }"
        "QMenu::icon { padding-left: 4px; }"
        "QMenu::separator { height: 1px; background: rgb(24, 58, 99); margin: 2px 4px; }"));
    menu->setToolTipsVisible(false);
}

TrayIcon::TrayIcon(QObject* parent)
    : QObject(parent)
    , m_icon(new QSystemTrayIcon(this))
{
    connect(m_icon, &QSystemTrayIcon::activated, this,
        [this](QSystemTrayIcon::ActivationReason reason) {
            // A desktop that draws the icon from D-Bus has no double-click:
            // its click is the icon's activation, and comes as a trigger.
            if (reason == QSystemTrayIcon::DoubleClick
                || (reason == QSystemTrayIcon::Trigger && isExportedOverBus()))
                emit doubleClicked();
            else if (reason == QSystemTrayIcon::Context)
                emit menuRequested(QCursor::pos());
        });
}

TrayIcon::~TrayIcon()
{
    if (m_exported != nullptr)
        m_icon->setContextMenu(nullptr);
}

bool TrayIcon::isAvailable()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool TrayIcon::isExportedOverBus()
{
    // Qt makes the same choice once, when the first icon is made: a
    // StatusNotifierWatcher on the session bus that has a host.
    static const bool exported = [] {
        const QString platform = QGuiApplication::platformName();
        if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
            return false;
        const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected() || bus.interface() == nullptr
            || !bus.interface()->isServiceRegistered(watcher))
            return false;
        QDBusMessage get
            = QDBusMessage::createMethodCall(watcher, QStringLiteral("/StatusNotifierWatcher"),
                QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        get << watcher << QStringLiteral("IsStatusNotifierHostRegistered");
        const QDBusMessage reply = bus.call(get);
        return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
            && qvariant_cast<QDBusVariant>(reply.arguments().first()).variant().toBool();
    }();
    return exported;
}

void TrayIcon::setMenuBuilder(std::function<QMenu*()> builder)
{
    m_menuBuilder = std::move(builder);
    if (m_exported != nullptr || !isExportedOverBus())
        return;
    m_exported = std::make_unique<QMenu>();
    connect(m_exported.get(), &QMenu::aboutToShow, this, &TrayIcon::refreshExportedMenu);
    connect(m_exported.get(), &QMenu::triggered, this, &TrayIcon::runExported);
    // Filled before it is handed over: a desktop may read it before it
    // shows it.
    refreshExportedMenu();
    m_icon->setContextMenu(m_exported.get());
}

void TrayIcon::refreshExportedMenu()
{
    QMenu* fresh = m_menuBuilder ? m_menuBuilder() : nullptr;
    if (fresh == nullptr)
        return;
    if (m_built != nullptr) {
        if (m_running > 0)
            m_retired.append(m_built);
        else
            m_built->deleteLater();
    }
    m_built = fresh;
    m_originals.clear();
    mirrorMenu(m_exported.get(), fresh);
}

void TrayIcon::mirrorMenu(QMenu* target, QMenu* source)
{
    const QList<QAction*> from = source->actions();
    const QList<QAction*> to = target->actions();
    for (qsizetype i = 0; i < from.size(); ++i) {
        QAction* copy = i < to.size() ? to[i] : target->addAction(QString());
        const QAction* original = from[i];
        copy->setSeparator(original->isSeparator());
        copy->setText(original->text());
        copy->setIcon(original->icon());
        copy->setEnabled(original->isEnabled());
        copy->setVisible(original->isVisible());
        m_originals.insert(copy, from[i]);
        if (QMenu* sub = original->menu()) {
            QMenu* mirror = copy->menu();
            if (mirror == nullptr) {
                mirror = new QMenu(target);
                copy->setMenu(mirror);
            }
            mirrorMenu(mirror, sub);
        } else if (copy->menu() != nullptr) {
            copy->setMenu(nullptr);
        }
    }
    // Entries the new pop-up lacks are hidden, not deleted.
    for (qsizetype i = from.size(); i < to.size(); ++i)
        to[i]->setVisible(false);
}

void TrayIcon::runExported(QAction* copy)
{
    const QPointer<QAction> original = m_originals.value(copy);
    if (original.isNull())
        return;
    ++m_running;
    original->trigger();
    if (--m_running == 0) {
        for (const QPointer<QMenu>& menu : std::exchange(m_retired, {})) {
            if (menu != nullptr)
                menu->deleteLater();
        }
    }
}

void TrayIcon::add()
{
    m_icon->show();
}

void TrayIcon::remove()
{
    m_icon->hide();
}

bool TrayIcon::isShown() const
{
    return m_icon->isVisible();
}

void TrayIcon::setIcon(const QIcon& icon)
{
    m_icon->setIcon(icon);
}

void TrayIcon::setToolTip(const QString& tip)
{
    m_icon->setToolTip(tip);
}

QIcon TrayIcon::icon() const
{
    return m_icon->icon();
}

void TrayIcon::notify(const QString& title, const QString& text)
{
    if (m_icon->isVisible() && QSystemTrayIcon::supportsMessages())
        m_icon->showMessage(title, text, QSystemTrayIcon::NoIcon, 5000);
}

QString TrayIcon::toolTip() const
{
    return m_icon->toolTip();
}
