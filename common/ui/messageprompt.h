#pragma once

#include <QPointer>
#include <QWidget>

#include "common/prompt.h"

// The prompt of the real programs: message boxes and the folder dialog owned
// by the given window (or by no window when it is gone).
class MessagePrompt : public WindowPrompt {
public:
    explicit MessagePrompt(QWidget* owner = nullptr)
        : m_owner(owner)
    {
    }

    void message(const std::string& title, const std::string& text, PromptIcon icon) override;
    PromptAnswer question(const std::string& title, const std::string& text) override;
    PromptAnswer warningQuestion(const std::string& title, const std::string& text) override;
    void notice(const std::string& title, const std::string& text, PromptIcon icon) override;
    std::string chooseDirectory(const std::string& title) override;

private:
    QPointer<QWidget> m_owner;
};

// The messages of a model as notices of a window's prompt: the program goes
// on while they are up. Questions are answered No.
class NoticePrompt : public Prompt {
public:
    explicit NoticePrompt(WindowPrompt& prompt)
        : m_prompt(prompt)
    {
    }

    void message(const std::string& title, const std::string& text, PromptIcon icon) override
    {
        m_prompt.notice(title, text, icon);
    }
    PromptAnswer question(const std::string&, const std::string&) override
    {
        return PromptAnswer::No;
    }

private:
    WindowPrompt& m_prompt;
};
