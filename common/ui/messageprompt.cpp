#include "common/ui/messageprompt.h"

#include <QFileDialog>
#include <QMessageBox>

#include "common/ui/uitext.h"

namespace {

QMessageBox::Icon boxIcon(PromptIcon icon)
{
    switch (icon) {
    case PromptIcon::Information:
        return QMessageBox::Information;
    case PromptIcon::Question:
        return QMessageBox::Question;
    case PromptIcon::Exclamation:
        break;
    }
    return QMessageBox::Warning;
}

} // namespace

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

PromptAnswer MessagePrompt::warningQuestion(const std::string& title, const std::string& text)
{
    const auto answer = QMessageBox::warning(m_owner, QString::fromStdString(title),
        QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    return answer == QMessageBox::Yes ? PromptAnswer::Yes : PromptAnswer::No;
}

void MessagePrompt::notice(const std::string& title, const std::string& text, PromptIcon icon)
{
    auto* box = new QMessageBox(boxIcon(icon), QString::fromStdString(title),
        QString::fromStdString(text), QMessageBox::Ok, m_owner);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

std::string MessagePrompt::chooseDirectory(const std::string& title)
{
    return PathBytes(QFileDialog::getExistingDirectory(m_owner, QString::fromStdString(title)));
}
