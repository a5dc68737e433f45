#pragma once

#include <QPointer>
#include <QWidget>

#include "common/prompt.h"

// The prompt of the real programs: a message box owned by the given window
// (or by no window when it is gone).
class MessagePrompt : public Prompt {
public:
    explicit MessagePrompt(QWidget* owner = nullptr)
        : m_owner(owner)
    {
    }

    void message(const std::string& title, const std::string& text, PromptIcon icon) override;
    PromptAnswer question(const std::string& title, const std::string& text) override;

private:
    QPointer<QWidget> m_owner;
};
