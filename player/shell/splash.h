#pragma once

#include <QPixmap>
#include <QWidget>

// The start-up picture: a borderless window of exactly the picture's size,
// centred over its owner, that closes itself after two seconds.
class SplashWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr int kShowMilliseconds = 2000;

    explicit SplashWindow(QWidget* owner);

    // The picture, drawn at run time.
    static QPixmap picture();

signals:
    void finished();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_picture;
};
