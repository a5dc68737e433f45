#include <utility>

#include "view/engineframe.h"

// The web library's entry: the one symbol it offers (see weblibrary.map).
extern "C" __attribute__((visibility("default"))) WebFrame* SonaltoCreateWebFrame(
    int version, QWidget* parent, WebFrameEvents events)
{
    return CreateEngineFrame(version, parent, std::move(events));
}
