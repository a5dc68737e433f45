#include "updaterprompt.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include "common/diaglog.h"
#include "common/messages.h"
#include "common/ui/messengerserver.h"
#include "updaterskin.h"

namespace {

QMessageBox::StandardButton buttonFor(std::uint64_t id)
{
    switch (id) {
    case kIdOk:
        return QMessageBox::Ok;
    case kIdCancel:
        return QMessageBox::Cancel;
    case kIdYes:
        return QMessageBox::Yes;
    case kIdNo:
        return QMessageBox::No;
    default:
        return QMessageBox::NoButton;
    }
}

} // namespace

void CentreOnTop(QWidget* window)
{
    if (!window->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
        // Changing the flags of a shown window hides it.
        const bool shown = window->isVisible();
        window->setWindowFlag(Qt::WindowStaysOnTopHint, true);
        if (shown)
            window->show();
    }
    const QScreen* screen
        = window->screen() != nullptr ? window->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QRect area = screen->geometry();
    const QSize size = window->frameGeometry().size();
    window->move(area.x() + (area.width() - size.width()) / 2,
        area.y() + (area.height() - size.height()) / 2);
}

UpdaterPrompt::UpdaterPrompt(QWidget* owner, bool skin)
    : m_owner(owner)
    , m_skin(skin)
{
}

QMessageBox::StandardButton UpdaterPrompt::show(QMessageBox::Icon icon, const std::string& title,
    const std::string& text, QMessageBox::StandardButtons buttons, const QPixmap& picture)
{
    DiagLog("box " + title + " | " + text);
    QMessageBox box(
        icon, QString::fromStdString(title), QString::fromStdString(text), buttons, m_owner);
    if (!picture.isNull())
        box.setIconPixmap(picture);
    if (m_skin)
        SkinWindow(&box);
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (m_owner == nullptr) {
        QTimer::singleShot(0, &box, [&box] { CentreOnTop(&box); });
    }

    // Reachable as a dialog window while it is open. A second box with the
    // same title (one opened over another) stays reachable by the user only.
    MessengerServer server;
    server.listen(kDialogWindowClass, title, [&box](const MessengerRecord& record) -> std::int64_t {
        if (record.kind != MessengerRecord::Kind::Message)
            return 0;
        if (record.message == WM_ACTIVATE) {
            box.raise();
            box.activateWindow();
            return 1;
        }
        if (record.message != WM_COMMAND)
            return 0;
        QAbstractButton* button = box.button(buttonFor(record.wParam));
        if (button == nullptr)
            return 0;
        // Pressed once the answer has gone out.
        QTimer::singleShot(0, button, &QAbstractButton::click);
        return 1;
    });
    box.exec();
    server.close();
    DiagLog("box done " + title);
    const auto pressed = box.standardButton(box.clickedButton());
    return pressed == QMessageBox::NoButton ? QMessageBox::Cancel : pressed;
}

void UpdaterPrompt::message(const std::string& title, const std::string& text, PromptIcon icon)
{
    const QMessageBox::Icon boxIcon = icon == PromptIcon::Information ? QMessageBox::Information
        : icon == PromptIcon::Question                                ? QMessageBox::Question
                                                                      : QMessageBox::Warning;
    show(boxIcon, title, text, QMessageBox::Ok);
}

PromptAnswer UpdaterPrompt::question(const std::string& title, const std::string& text)
{
    return show(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No)
            == QMessageBox::Yes
        ? PromptAnswer::Yes
        : PromptAnswer::No;
}

PromptAnswer UpdaterPrompt::warningQuestion(const std::string& title, const std::string& text)
{
    return show(QMessageBox::Warning, title, text, QMessageBox::Yes | QMessageBox::No)
            == QMessageBox::Yes
        ? PromptAnswer::Yes
        : PromptAnswer::No;
}
