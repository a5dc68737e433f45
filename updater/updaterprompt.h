#pragma once

#include <string>

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include "common/messages.h"
#include "common/prompt.h"

// Message boxes of the updater: top-most, centred on the screen when no
// window owns them, given the look when skinned. While a box is open it can
// be found through the messenger as a dialog window with its title, and a
// WM_COMMAND with kIdOk, kIdCancel, kIdYes or kIdNo presses that button, so
// that other programs and the tests can answer it.
class UpdaterPrompt : public WindowPrompt {
public:
    explicit UpdaterPrompt(QWidget* owner = nullptr, bool skin = false);

    void setOwner(QWidget* owner) { m_owner = owner; }

    void message(const std::string& title, const std::string& text, PromptIcon icon) override;
    PromptAnswer question(const std::string& title, const std::string& text) override;
    PromptAnswer warningQuestion(const std::string& title, const std::string& text) override;

    // A box as the prompt shows them; returns the button pressed.
    QMessageBox::StandardButton show(QMessageBox::Icon icon, const std::string& title,
        const std::string& text, QMessageBox::StandardButtons buttons, const QPixmap& picture = {});

private:
    QPointer<QWidget> m_owner;
    bool m_skin = false;
};

// Centres a window on its screen ((screen width - window width) / 2, and
// likewise down) and keeps it above the other windows.
void CentreOnTop(QWidget* window);
