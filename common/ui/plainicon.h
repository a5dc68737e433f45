#pragma once

#include <QIcon>
#include <QPixmap>

// An icon of one picture, drawn as it is or scaled down to fit, in every
// mode. Unlike an icon made straight from a pixmap, it leaves no copies in
// the toolkit's pixmap cache: a cover or a station logo replaced all day
// long would otherwise stay there until that cache is full.
QIcon PlainIcon(const QPixmap& pixmap);
