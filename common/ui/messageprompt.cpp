#include "common/ui/messageprompt.h"

#include <QMessageBox>

void MessagePrompt::message(const std::string& title, const std::string& text, PromptIcon icon)
{
    const QString qTitle = QString::fromStdString(title);
    const QString qText = QString::fromStdString(text);
    switch (icon) {
    case PromptIcon::Information:
        QMessageBox::information(m_owner, qTitle, qText);
        break;
    case PromptIcon::Exclamation:
        QMessageBox::warning(m_owner, qTitle, qText);
        break;
    case PromptIcon::Question: {
        QMessageBox box(QMessageBox::Question, qTitle, qText, QMessageBox::Ok, m_owner);
        box.exec();
        break;
    }
    }
}

PromptAnswer MessagePrompt::question(const std::string& title, const std::string& text)
{
    const auto answer = QMessageBox::question(m_owner, QString::fromStdString(title),
        QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    return answer == QMessageBox::Yes ? PromptAnswer::Yes : PromptAnswer::No;
}
