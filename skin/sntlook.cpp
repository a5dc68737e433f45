// The look plug-in: tints a window with one hue. The palette carries the
// colours to every widget of the window; a style sheet adds the soft
// gradients, rounded buttons and framed groups that make the tinted look.
// What a window had before is kept so that taking the look away gives the
// window back exactly its plain look.

#include "common/ui/sntlookabi.h"

#include <algorithm>
#include <vector>

#include <QApplication>
#include <QColor>
#include <QPalette>
#include <QPointer>
#include <QString>
#include <QWidget>

namespace {

constexpr int kDefaultHue = 96;

int normalisedHue(int hue)
{
    return std::clamp(hue, 0, 360);
}

// A colour of the look: the hue with a saturation and a value (0 to 255).
QColor tint(int hue, int saturation, int value)
{
    return QColor::fromHsv(hue % 360, saturation, value);
}

QString css(const QColor& colour)
{
    return colour.name(QColor::HexRgb);
}

QPalette makePalette(int hue)
{
    const QColor window = tint(hue, 34, 240);
    const QColor button = tint(hue, 48, 228);
    const QColor text = tint(hue, 170, 42);
    const QColor base = tint(hue, 8, 255);
    QPalette palette(text, button, tint(hue, 12, 255), tint(hue, 110, 140), tint(hue, 70, 190),
        text, Qt::white, base, window);
    palette.setColor(QPalette::Midlight, tint(hue, 24, 246));
    palette.setColor(QPalette::Shadow, tint(hue, 150, 70));
    palette.setColor(QPalette::AlternateBase, tint(hue, 18, 247));
    palette.setColor(QPalette::Highlight, tint(hue, 190, 160));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, tint(hue, 220, 150));
    palette.setColor(QPalette::LinkVisited, tint(hue, 180, 110));
    palette.setColor(QPalette::ToolTipBase, tint(hue, 30, 252));
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, tint(hue, 40, 150));
    const QColor greyed = tint(hue, 25, 150);
    for (const QPalette::ColorRole role :
        { QPalette::WindowText, QPalette::Text, QPalette::ButtonText }) {
        palette.setColor(QPalette::Disabled, role, greyed);
    }
    palette.setColor(QPalette::Disabled, QPalette::Base, window);
    palette.setColor(QPalette::Disabled, QPalette::Highlight, tint(hue, 40, 170));
    return palette;
}

QString makeStyleSheet(int hue)
{
    const QString text = css(tint(hue, 170, 42));
    const QString border = css(tint(hue, 110, 150));
    const QString accent = css(tint(hue, 200, 135));
    return QStringLiteral(
        "QMainWindow, QDialog {"
        " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %1, stop:1 %2); }\n"
        "QPushButton { color: %3; border: 1px solid %4; border-radius: 4px;"
        " padding: 3px 10px; min-height: 16px;"
        " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %5, stop:1 %6); }\n"
        "QPushButton:hover { border-color: %7;"
        " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %5, stop:1 %8); }\n"
        "QPushButton:pressed, QPushButton:checked { background: %9; }\n"
        "QPushButton:default { border: 2px solid %7; }\n"
        "QPushButton:disabled { color: %10; border-color: %11; background: %12; }\n"
        "QGroupBox { border: 1px solid %4; border-radius: 6px; margin-top: 2ex;"
        " padding-top: 4px; background: %13; }\n"
        "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
        " left: 8px; padding: 0 4px; color: %7; font-weight: bold; }\n"
        "QLineEdit { border: 1px solid %4; border-radius: 3px; padding: 1px 4px;"
        " background: %14; selection-background-color: %7; }\n"
        "QLineEdit:focus { border-color: %7; }\n"
        "QAbstractItemView { border: 1px solid %4; border-radius: 3px; background: %14;"
        " selection-background-color: %7; selection-color: white; }\n"
        "QMenuBar { color: white;"
        " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %15, stop:1 %16); }\n"
        "QMenuBar::item { padding: 3px 8px; background: transparent; }\n"
        "QMenuBar::item:selected { background: %17; border-radius: 3px; }\n"
        "QMenuBar::item:disabled { color: %11; }\n")
        .arg(css(tint(hue, 22, 250)), css(tint(hue, 62, 226)), text, border,
            css(tint(hue, 14, 255)), css(tint(hue, 70, 218)), accent, css(tint(hue, 95, 232)),
            css(tint(hue, 105, 200)))
        .arg(css(tint(hue, 25, 150)), css(tint(hue, 40, 200)), css(tint(hue, 20, 236)),
            QStringLiteral("rgba(255, 255, 255, 70)"), css(tint(hue, 6, 255)),
            css(tint(hue, 120, 185)), css(tint(hue, 170, 135)), css(tint(hue, 210, 110)));
}

// A window given the look, with what it had before.
struct SkinnedWindow {
    QPointer<QWidget> window;
    QPalette palette;
    bool ownPalette = false;
    QString styleSheet;
};

} // namespace

struct SntLook {
    int hue = kDefaultHue;
    std::vector<SkinnedWindow> windows;

    SkinnedWindow* find(const QWidget* widget)
    {
        // Windows destroyed since they were skinned are forgotten here.
        windows.erase(std::remove_if(windows.begin(), windows.end(),
                          [](const SkinnedWindow& w) { return w.window.isNull(); }),
            windows.end());
        for (SkinnedWindow& w : windows) {
            if (w.window.data() == widget)
                return &w;
        }
        return nullptr;
    }

    void paint(const SkinnedWindow& skinned) const
    {
        QWidget* widget = skinned.window.data();
        widget->setPalette(makePalette(hue));
        const QString own = skinned.styleSheet;
        widget->setStyleSheet(
            own.isEmpty() ? makeStyleSheet(hue) : own + '\n' + makeStyleSheet(hue));
    }

    void repaintAll()
    {
        find(nullptr);
        for (const SkinnedWindow& w : windows)
            paint(w);
    }
};

struct SntLookColour {
    SntLook* look;
};

extern "C" {

__attribute__((visibility("default"))) int sntlook_interface_version(void)
{
    return SNTLOOK_INTERFACE_VERSION;
}

__attribute__((visibility("default"))) SntLook* sntlook_create(void)
{
    // Windows can only be tinted in a program that shows widgets.
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
        return nullptr;
    return new SntLook;
}

__attribute__((visibility("default"))) void sntlook_destroy(SntLook* look)
{
    delete look;
}

__attribute__((visibility("default"))) SntLookColour* sntlook_colour(SntLook* look)
{
    return look == nullptr ? nullptr : new SntLookColour { look };
}

__attribute__((visibility("default"))) void sntlook_colour_release(SntLookColour* colour)
{
    delete colour;
}

__attribute__((visibility("default"))) void sntlook_colour_set_hue(
    SntLookColour* colour, int hue, int repaint)
{
    if (colour == nullptr)
        return;
    colour->look->hue = normalisedHue(hue);
    if (repaint != 0)
        colour->look->repaintAll();
}

__attribute__((visibility("default"))) void sntlook_apply(SntLook* look, void* widget)
{
    auto* window = static_cast<QWidget*>(widget);
    if (look == nullptr || window == nullptr)
        return;
    if (SkinnedWindow* skinned = look->find(window)) {
        look->paint(*skinned);
        return;
    }
    SkinnedWindow skinned;
    skinned.window = window;
    skinned.ownPalette = window->testAttribute(Qt::WA_SetPalette);
    skinned.palette = window->palette();
    skinned.styleSheet = window->styleSheet();
    look->windows.push_back(skinned);
    look->paint(skinned);
}

__attribute__((visibility("default"))) void sntlook_remove(SntLook* look, void* widget)
{
    auto* window = static_cast<QWidget*>(widget);
    if (look == nullptr || window == nullptr)
        return;
    SkinnedWindow* skinned = look->find(window);
    if (skinned == nullptr)
        return;
    window->setStyleSheet(skinned->styleSheet);
    // A window that followed its parent's or the program's palette follows
    // it again.
    window->setPalette(skinned->ownPalette ? skinned->palette : QPalette());
    look->windows.erase(look->windows.begin() + (skinned - look->windows.data()));
}

__attribute__((visibility("default"))) int sntlook_is_applied(SntLook* look, const void* widget)
{
    return look != nullptr && look->find(static_cast<const QWidget*>(widget)) != nullptr ? 1 : 0;
}

} // extern "C"
