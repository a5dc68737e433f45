#pragma once

#include <QCloseEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QString>
#include <QTimer>
#include <QWidget>

// The recorder's small window: what is being recorded, the elapsed time and
// the size written so far.
class RecorderWindow : public QWidget {
    Q_OBJECT

public:
    explicit RecorderWindow(QString outputPath, QString growingFile, QWidget* parent = nullptr);

    void setStatus(const QString& text);
    // A split recording goes on in a new piece: its name, and the file that
    // grows.
    void setPiece(const QString& growingFile, const QString& name);
    QString progressText() const { return m_progress->text(); }
    QString statusText() const { return m_status->text(); }

signals:
    // The listener closed the window: the recording is to be finished, and
    // the window stays until it is.
    void closeRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void refresh();

    QString m_growingFile;
    QLabel* m_piece = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_progress = nullptr;
    QElapsedTimer m_elapsed;
    QTimer m_tick;
};
