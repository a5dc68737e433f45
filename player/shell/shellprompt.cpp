#include "shell/shellprompt.h"

#include <QFileDialog>

#include "common/ui/uitext.h"

std::string DialogPrompt::chooseDirectory(QWidget* owner, const QString& title)
{
    const QString chosen = QFileDialog::getExistingDirectory(owner, title);
    return PathBytes(chosen);
}

void DialogPrompt::message(
    QWidget* owner, const QString& title, const QString& text, QMessageBox::Icon icon, bool wait)
{
    auto* box = new QMessageBox(icon, title, text, QMessageBox::Ok, owner);
    if (wait) {
        box->exec();
        delete box;
        return;
    }
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void ShellMessagePrompt::message(const std::string& title, const std::string& text, PromptIcon icon)
{
    QMessageBox::Icon boxIcon = QMessageBox::Warning;
    if (icon == PromptIcon::Information)
        boxIcon = QMessageBox::Information;
    else if (icon == PromptIcon::Question)
        boxIcon = QMessageBox::Question;
    m_shell.message(m_owner, QString::fromStdString(title), QString::fromStdString(text), boxIcon,
        m_wait);
}

PromptAnswer ShellMessagePrompt::question(const std::string&, const std::string&)
{
    return PromptAnswer::No;
}
