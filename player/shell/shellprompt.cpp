#include "shell/shellprompt.h"

#include <QFile>
#include <QFileDialog>

std::string DialogPrompt::chooseDirectory(QWidget* owner, const QString& title)
{
    const QString chosen = QFileDialog::getExistingDirectory(owner, title);
    return QFile::encodeName(chosen).toStdString();
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
