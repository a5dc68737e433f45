#include "recorderwindow.h"

#include <QFileInfo>
#include <QVBoxLayout>

#include "common/ui/uitext.h"
#include "recordertexts.h"

RecorderWindow::RecorderWindow(QString outputPath, QString growingFile, QWidget* parent)
    : QWidget(parent)
    , m_growingFile(std::move(growingFile))
{
    setWindowTitle(Utf8Text(recordertexts::kWindowTitle) + QStringLiteral(" - ")
        + QFileInfo(outputPath).fileName());
    m_status = new QLabel(Utf8Text(recordertexts::kRecording));
    m_progress = new QLabel;
    m_piece = new QLabel;
    m_piece->hide();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(outputPath));
    layout->addWidget(m_piece);
    layout->addWidget(m_status);
    layout->addWidget(m_progress);

    m_elapsed.start();
    m_tick.setInterval(1000);
    connect(&m_tick, &QTimer::timeout, this, &RecorderWindow::refresh);
    m_tick.start();
    refresh();
}

void RecorderWindow::setStatus(const QString& text)
{
    m_status->setText(text);
}

void RecorderWindow::setPiece(const QString& growingFile, const QString& name)
{
    m_growingFile = growingFile;
    m_piece->setText(Utf8Text(recordertexts::kCurrentPiece).arg(name));
    m_piece->show();
}

void RecorderWindow::refresh()
{
    const qint64 seconds = m_elapsed.elapsed() / 1000;
    const QString time = QStringLiteral("%1:%2:%3")
                             .arg(seconds / 3600)
                             .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                             .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    const qint64 kilobytes = QFileInfo(m_growingFile).size() / 1024;
    m_progress->setText(Utf8Text(recordertexts::kProgress).arg(time).arg(kilobytes));
}

void RecorderWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
    emit closeRequested();
}
