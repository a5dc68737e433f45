#pragma once

#include <QObject>

// The document of the player's single view. Everything the view shows comes
// from the pages of the HTML directory, so it holds no data of its own; it
// gives the pair frame and view the shape they have always had.
class CLumoDoc : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
};
