#pragma once

#include <string>

#include <QMessageBox>
#include <QPointer>
#include <QString>

#include "common/prompt.h"

class QWidget;

// What the main window asks of the user or tells the user. The program
// answers with the desktop's dialogs; a test answers from a script and
// keeps what was shown.
class ShellPrompt {
public:
    virtual ~ShellPrompt() = default;

    // A folder chosen by the user (file-system folders only), with its own
    // bytes; empty when the choice was cancelled.
    virtual std::string chooseDirectory(QWidget* owner, const QString& title) = 0;
    // Shows a message owned by owner. With wait, returns once the user has
    // closed it; otherwise the message stays up while the player goes on.
    virtual void message(QWidget* owner, const QString& title, const QString& text,
        QMessageBox::Icon icon, bool wait)
        = 0;
};

// The desktop's folder dialog and message boxes.
class DialogPrompt : public ShellPrompt {
public:
    std::string chooseDirectory(QWidget* owner, const QString& title) override;
    void message(QWidget* owner, const QString& title, const QString& text, QMessageBox::Icon icon,
        bool wait) override;
};

// The plain logic's prompt over a window's ShellPrompt: messages owned by
// owner, waited for or not. Questions are answered No.
class ShellMessagePrompt : public Prompt {
public:
    ShellMessagePrompt(ShellPrompt& shell, QWidget* owner, bool wait)
        : m_shell(shell)
        , m_owner(owner)
        , m_wait(wait)
    {
    }

    void message(const std::string& title, const std::string& text, PromptIcon icon) override;
    PromptAnswer question(const std::string& title, const std::string& text) override;

private:
    ShellPrompt& m_shell;
    QPointer<QWidget> m_owner;
    bool m_wait;
};
